#include "TMCSource.h"

#include "RecordReader.h"
#include "RecordText.h"

#include <QStringList>

using RecordText::text;

QString TMCSource::sktText() const
{
    QStringList p;
    p.reserve(keyCount);
    for (u16 k : skt)
        p.append(RecordText::hexText(k));
    return p.join(QLatin1Char(' '));
}

void TMCSource::readSkt(const QString &t)
{
    const QStringList p = RecordText::splitKeep(t);
    for (int k = 0; k < keyCount && k < p.size(); ++k)
        skt[k] = static_cast<u16>(RecordText::hex(p.at(k)));
}

void TMCSource::readFrom(int n, const RecordReader &in)
{
    // Unsigned numbers; a fraction ("10.0", which a validated store accepts)
    // is rounded, a negative number reads 0.
    const auto number = [&in](const char *key, quint64 def) -> quint64 {
        const qint64 v = RecordText::number(text(in.value(QLatin1String(key), QString::number(def))));
        return v < 0 ? 0 : quint64(v);
    };
    used = RecordText::boolean(in.value(QStringLiteral("used"), true));
    name = text(in.value(QStringLiteral("name"), defaultName(n)));
    flag = static_cast<u8>(number("flag", 9));
    rate = static_cast<u8>(number("rate", 10));
    spn = text(in.value(QStringLiteral("spn"), name));
    aid = static_cast<u16>(number("aid", 0xCD46));
    va0 = static_cast<u16>(number("va0", 0));
    va1 = static_cast<u16>(number("va1", 0));
    va2 = static_cast<u16>(number("va2", 0));
    va3 = static_cast<u16>(number("va3", 0));
    rpt = static_cast<u8>(number("rpt", 3));
    enc = static_cast<u8>(number("enc", 31));
    // The table is the file's: entries the text does not hold (or a missing
    // key) read 0, as on a fresh load, instead of keeping a cached table the
    // file no longer has.
    const QString sktKey = QStringLiteral("skt");
    skt.fill(0);
    if (in.contains(sktKey))
        readSkt(text(in.value(sktKey)));
    messages.clear();
    for (int i = 0;; ++i) {
        const QString key = QString::number(i);
        if (!in.contains(key))
            break;
        messages.append(TMCMessage::fromText(text(in.value(key))));
    }
}

QList<QPair<QString, QVariant>> TMCSource::scalarValues() const
{
    QList<QPair<QString, QVariant>> v;
    const auto n = [&v](const char *key, qint64 value) { v.append({QLatin1String(key), QString::number(value)}); };
    n("flag", flag);
    n("rate", rate);
    v.append({QStringLiteral("spn"), spn});
    n("aid", aid);
    n("va0", va0);
    n("va1", va1);
    n("va2", va2);
    n("va3", va3);
    n("ltn", ltn());
    n("sid", sid());
    if (writesLtcc())
        v.append({QStringLiteral("ltcc"), ltccText()});
    v.append({QStringLiteral("ltecc"), lteccText()});
    n("rpt", rpt);
    n("enc", enc);
    return v;
}
