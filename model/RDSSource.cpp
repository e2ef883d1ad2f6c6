#include "RDSSource.h"

#include "RecordReader.h"
#include "RecordText.h"

#include <QMap>

using RecordText::text;

namespace {

// RadioText test texts; "#" and hex digits is the text escape of the RDS
// character handling ("#0A" is a line feed).
const char16_t *const kTestTexts[4] = {
    u"Fix, Schwyz! qu\u00e4kt J\u00fcrgen bl\u00f6d vom Pa\u00df#0A!\"$%&/()=?*+'-_.:;"
    u"\u00c4\u00d6\u00dc\u00b0\u00a7\u00b5\u20ac",
    u"\ufeff\u00e1\u00e0\u00e9\u00e8\u00ed\u00ec\u00f3\u00f2\u00fa\u00f9\u00b1\u0177\u0175\u00ce\u0130\u00cd"
    u"\u00cc\u00cf#0a@\u2551\u03c0\u20ac\u00a3$\u2190\u2191\u2192\u2193\u013f\u0140\u0110\u00f0\u00df\u011e"
    u"\u011f#0a\u00d5\u00f5\u00d8\u00f8\u00de\u00fe\u014a\u014b\u0154\u0106\u015a\u0179\u0166\u0167#0a\u00d1"
    u"\u00f1\u00c7\u00e7\u015e\u015f\u00bf\u00a1\u0131\u0132\u0133",
    u"\u0627\u0644\u0644\u063a\u0629 \u0627\u0644\u0639\u0631\u0628\u064a\u0629 - \u0421\u044a\u0435\u0448"
    u"\u044c \u0435\u0449\u0451 \u044d\u0442\u0438\u0445 \u043c\u044f\u0433\u043a\u0438\u0445 \u0444\u0440"
    u"\u0430\u043d\u0446\u0443\u0437\u0441\u043a\u0438\u0445 \u0431\u0443\u043b\u043e\u043a, \u0434\u0430 "
    u"\u0432\u044b\u043f\u0435\u0439 \u0447\u0430\u044e",
    u"#03A9 #2260 #2126 : Omega is not Ohm!#0APi = #03C0 = 3.14159#0AZa\u017c\u00f3\u0142\u0107 "
    u"g\u0119\u015bl\u0105 ja\u017a\u0144.",
};

// Typed reads of one scalar key with its default for a missing key.
struct ScalarReader
{
    const RecordReader &in;

    qint64 number(const char *key, qint64 def) const
    {
        return RecordText::number(text(in.value(QLatin1String(key), def)));
    }
    void u8f(const char *key, u8 &f, qint64 def) const { f = static_cast<u8>(number(key, def)); }
    void u16f(const char *key, u16 &f, qint64 def) const { f = static_cast<u16>(number(key, def)); }
    void i32f(const char *key, qint32 &f, qint64 def) const { f = static_cast<qint32>(number(key, def)); }
    void str(const char *key, QString &f, const QString &def) const
    {
        f = text(in.value(QLatin1String(key), def));
    }
    void bytes(const char *key, QByteArray &f, const QByteArray &def) const
    {
        f = in.value(QLatin1String(key), def).toByteArray();
    }
    void flag(const char *key, bool &f, bool def) const { f = RecordText::boolean(in.value(QLatin1String(key), def)); }
    // A bit whose key the key table describes with the range 0 to 1: a
    // validated store keeps any boolean text ("true", "yes"), which reads
    // as 1 here as it does there.
    void bit(const char *key, u8 &f, bool def) const
    {
        f = RecordText::boolean(in.value(QLatin1String(key), def ? QStringLiteral("1") : QStringLiteral("0"))) ? 1 : 0;
    }
};

QString num(qint64 v)
{
    return QString::number(v);
}

} // namespace

QString RDSSource::testText(int which)
{
    if (which < 0 || which > 3)
        return QString();
    // Taken as they are: text B begins with a byte-order mark that a UTF
    // decoder would drop.
    return QStringView(kTestTexts[which]).toString();
}

u32 RDSSource::daysSince1900(const QDate &date)
{
    return static_cast<u32>(QDate(1900, 3, 1).daysTo(date));
}

bool RDSSource::hasOwnKeys(const RecordReader &in)
{
    return !in.childKeys().isEmpty();
}

void RDSSource::readFrom(int n, const RecordReader &in, bool gminConverted,
                         QList<QPair<QString, QVariant>> *rewrites)
{
    readScalars(n, in);
    readGroupRates(in, gminConverted, rewrites);
    readAfLists(in);
    readTags(in);
    readEon(in);
    readOda(in);
}

void RDSSource::readScalars(int n, const RecordReader &in)
{
    const ScalarReader r{in};
    const QString dflt = defaultName(n);
    const QByteArray zero("0");
    r.flag("used", used, true);
    r.str("name", name, dflt);
    r.str("lps", lps, dflt);
    r.str("ps", ps, dflt);
    pi = static_cast<u16>(RecordText::hex(text(in.value(QStringLiteral("pi"), RecordText::hexText(defaultPi(n))))));
    r.bit("tp", tp, true);
    r.bit("ta", ta, false);
    r.bit("ms", ms, true);
    r.u8f("afu", afu, 10);
    r.u8f("pty", pty, 10);
    r.u8f("dec", dec, 9);
    r.str("rta", rta, testText(0));
    r.str("rtb", rtb, testText(1));
    r.str("rtc", rtc, testText(2));
    r.str("rtd", rtd, testText(3));
    r.u8f("rpa", rpa, 4);
    r.u8f("rpb", rpb, 0);
    r.u8f("rpc", rpc, 4);
    r.u8f("rpd", rpd, 0);
    r.bytes("enc", enc, zero);
    r.bytes("crt", crt, zero);
    r.bytes("clps", clps, zero);
    r.u8f("enda", enda, 13);
    r.u8f("endb", endb, 13);
    r.u8f("endc", endc, 13);
    r.u8f("endd", endd, 13);
    r.u8f("endl", endl, 13);
    r.u8f("endx", endx, 31);
    r.str("pn1", pn1, QString());
    r.str("pn2", pn2, QString());
    r.u8f("rp1", rp1, 8);
    r.u8f("rp2", rp2, 8);
    r.u8f("pss", pss, 0x31);
    zone = static_cast<qint8>(r.number("zone", 2));
    r.i32f("mins", mins, 0);
    days = static_cast<u32>(r.number("days", daysSince1900(QDate::currentDate())));
    r.bit("date", date, false);
    r.u8f("err", err, 0);
    r.u8f("ber", ber, 2);
    r.u8f("fix", fix, 0);
    r.u8f("buc1", buc1, 8);
    r.u8f("buc2", buc2, 0);
    r.u8f("but1", but1, 10);
    r.u8f("but2", but2, 0);
    r.u8f("eoc1", eoc1, 8);
    r.u8f("eoc2", eoc2, 0);
    r.u8f("eot1", eot1, 10);
    r.u8f("eot2", eot2, 0);
    r.i32f("tmcsi", tmcsi, 0);
    r.bit("tmgap", tmgap, false);
    r.u8f("rtgrp", rtgrp, 7);
    r.u16f("rtbit", rtbit, 0);
    r.u8f("rtitm", rtitm, 11);
    r.u8f("boml", boml, 0);
    r.u8f("rtxt", rtxt, 8);
    r.u8f("rtxg", rtxg, 0);
    r.u8f("ertg", ertg, 9);
    r.u16f("ertb", ertb, 1);
    r.u16f("paid", paid, 0x4BD7);
    r.u16f("eaid", eaid, 0x6552);
    r.u8f("page", page, 0);
    r.u16f("slow", slow, 0x00E0);
    r.u16f("pin", pin, 0);
    r.u8f("mode", mode, 1);
    r.flag("fused", fused, false);
    const QVariant f = in.value(QStringLiteral("files"));
    files = text(f).isEmpty() && f.userType() != QMetaType::QStringList ? QStringList() : f.toStringList();
}

void RDSSource::readGroupRates(const RecordReader &in, bool gminConverted,
                               QList<QPair<QString, QVariant>> *rewrites)
{
    for (int g = 0; g < RDSGroupRate::count; ++g) {
        const QString bareKey = QString::number(g);
        const RDSGroupRate::Loaded l = RDSGroupRate::load(
            g, in.value(bareKey), text(in.value(QStringLiteral("gmin/%1").arg(g))),
            text(in.value(QStringLiteral("gmin%1").arg(g))), gminConverted);
        gmin[g] = l.entry;
        if (l.rewriteBare && rewrites)
            rewrites->append({bareKey, num(l.bareRate)});
    }
}

void RDSSource::readAfLists(const RecordReader &in)
{
    afr = parseAfr(text(in.value(QStringLiteral("afr"))));
    afs = parseAfList(text(in.value(QStringLiteral("afs"))), afr);
}

void RDSSource::readTags(const RecordReader &in)
{
    // Keys that are not numbers count as 0; a later key of the same number wins.
    QMap<qint64, RTag> byNumber;
    const QString sub = QStringLiteral("rttag");
    for (const QString &k : in.childKeys(sub))
        byNumber.insert(RecordText::dec(k), RTag::fromText(text(in.value(sub + QLatin1Char('/') + k))));
    rttag = byNumber.values();
}

void RDSSource::readEon(const RecordReader &in)
{
    eon.clear();
    const QString sub = QStringLiteral("eon/");
    for (const auto &nk : RecordText::numberedKeys(in.childKeys(QStringLiteral("eon")))) {
        const QString base = sub + nk.second;
        EON e = EON::fromText(text(in.value(base)));
        e.ps = text(in.value(base + QLatin1String("/ps")));
        e.af = parseAfList(text(in.value(base + QLatin1String("/af"))));
        eon.append(e);
    }
}

void RDSSource::readOda(const RecordReader &in)
{
    oda.clear();
    const QString sub = QStringLiteral("oda/");
    for (const auto &nk : RecordText::numberedKeys(in.childKeys(QStringLiteral("oda"))))
        oda.append(RDSCustomGroup::parse(text(in.value(sub + nk.second))));
}

QList<QPair<QString, QVariant>> RDSSource::scalarValues() const
{
    QList<QPair<QString, QVariant>> v;
    v.reserve(64);
    const auto n = [&v](const char *key, qint64 value) { v.append({QLatin1String(key), num(value)}); };
    const auto s = [&v](const char *key, const QString &value) { v.append({QLatin1String(key), value}); };
    const auto b = [&v](const char *key, const QByteArray &value) { v.append({QLatin1String(key), value}); };
    s("lps", lps);
    s("ps", ps);
    s("pi", RecordText::hexText(pi));
    n("tp", tp);
    n("ta", ta);
    n("ms", ms);
    n("afu", afu);
    n("pty", pty);
    n("dec", dec);
    s("rta", rta);
    s("rtb", rtb);
    s("rtc", rtc);
    s("rtd", rtd);
    n("rpa", rpa);
    n("rpb", rpb);
    n("rpc", rpc);
    n("rpd", rpd);
    b("enc", enc);
    b("crt", crt);
    b("clps", clps);
    n("enda", enda);
    n("endb", endb);
    n("endc", endc);
    n("endd", endd);
    n("endl", endl);
    n("endx", endx);
    s("pn1", pn1);
    s("pn2", pn2);
    n("rp1", rp1);
    n("rp2", rp2);
    n("pss", pss);
    n("mins", mins);
    n("days", days);
    n("date", date);
    n("zone", zone);
    n("err", err);
    n("ber", ber);
    n("fix", fix);
    n("buc1", buc1);
    n("buc2", buc2);
    n("but1", but1);
    n("but2", but2);
    n("eoc1", eoc1);
    n("eoc2", eoc2);
    n("eot1", eot1);
    n("eot2", eot2);
    n("tmcsi", tmcsi);
    n("tmgap", tmgap);
    n("rtgrp", rtgrp);
    n("rtbit", rtbit);
    n("rtitm", rtitm);
    n("boml", boml);
    n("rtxt", rtxt);
    n("rtxg", rtxg);
    n("ertg", ertg);
    n("ertb", ertb);
    n("paid", paid);
    n("eaid", eaid);
    n("page", page);
    n("slow", slow);
    n("pin", pin);
    n("mode", mode);
    s("fused", RecordText::boolText(fused));
    return v;
}
