#include "RDSGroupRate.h"

#include "RecordText.h"

#include <QDebug>
#include <QStringList>

#include <limits>

QString RDSGroupRate::toText() const
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(on).arg(rate[0]).arg(rate[1]).arg(rate[2]).arg(rate[3]);
}

void RDSGroupRate::fromText(const QString &text)
{
    const QStringList p = RecordText::splitKeep(text);
    if (!p.isEmpty())
        on = RecordText::number(p.at(0)) != 0 ? 1 : 0;
    for (int i = 0; i < 4 && i + 1 < p.size(); ++i)
        rate[i] = static_cast<qint32>(RecordText::number(p.at(i + 1)));
}

qint32 RDSGroupRate::spacingToRate(qint32 spacing)
{
    if (spacing == 0)
        return 0;
    return static_cast<qint32>(600.0 / spacing);
}

RDSGroupRate::Loaded RDSGroupRate::load(int g, const QVariant &bare, const QString &slashText,
                                        const QString &oldText, bool converted)
{
    Loaded out;
    // A number beyond the field is held to it. A spacing that converts to no
    // rate (above 600, one group a minute) leaves the entry off, as the bare
    // key written back as 0 reads on every later load.
    const qint64 stored = bare.isNull() ? 0 : RecordText::number(RecordText::text(bare));
    qint32 r = static_cast<qint32>(qBound<qint64>(std::numeric_limits<qint32>::min(), stored,
                                                  std::numeric_limits<qint32>::max()));
    if (r != 0 && !converted) {
        r = spacingToRate(r);
        out.rewriteBare = true;
    }
    if (r != 0) {
        out.entry.rate[0] = r;
        out.entry.on = 1;
    }
    out.bareRate = r;

    QString text = slashText;
    if (text.isEmpty()) {
        text = oldText;
        if (!text.isEmpty())
            qDebug("found only old deprecated gmin%d", g);
    }
    if (!text.isEmpty()) {
        out.entry.fromText(text);
        if (r != 0 && out.entry.rate[0] != r)
            qDebug("FMS: stream0 group %d rate %d != %d", g, r, out.entry.rate[0]);
    }
    return out;
}
