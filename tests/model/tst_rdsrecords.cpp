#include "EON.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RDSSource.h"
#include "RTag.h"
#include "RecordText.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QSettings>
#include <QtTest>

namespace {

// Loads source n from an INI text the way the project model does: the
// group opened on a settings object over a real file.
struct Loaded
{
    RDSSource rec;
    bool ownKeys = false;
    QList<QPair<QString, QVariant>> rewrites;
};

Loaded loadFrom(const QByteArray &ini, int n, bool gminConverted, RDSSource start = RDSSource())
{
    testsupport::TempProject project(ini);
    QSettings s(project.path(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("rds.%1").arg(n));
    SettingsGroupReader in(s);
    Loaded out;
    out.rec = start;
    out.ownKeys = RDSSource::hasOwnKeys(in);
    if (out.ownKeys)
        out.rec.readFrom(n, in, gminConverted, &out.rewrites);
    return out;
}

RDSAFEntry af(qint32 freq, u16 mark = 0, u8 regional = 0)
{
    RDSAFEntry e;
    e.freq = freq;
    e.mark = mark;
    e.regional = regional;
    return e;
}

QString opt(const char *text) { return text ? QString::fromUtf8(text) : QString(); }

// f(input) as text for every (input, expected) case, naming a failing case.
template <typename F>
void compareTexts(F f, std::initializer_list<std::pair<const char *, const char *>> cases)
{
    for (const auto &c : cases) {
        const QString got = f(QString::fromUtf8(c.first));
        QVERIFY2(got == QString::fromUtf8(c.second),
                 qPrintable(QStringLiteral("[%1] gave [%2]").arg(QString::fromUtf8(c.first), got)));
    }
}

} // namespace

class TestRdsRecords : public QObject
{
    Q_OBJECT

private slots:
    void numberTexts()
    {
        QCOMPARE(RecordText::dec(QStringLiteral("-12")), qint64(-12));
        QCOMPARE(RecordText::dec(QStringLiteral("1.5")), qint64(0));
        QCOMPARE(RecordText::udec(QStringLiteral("-1")), quint64(0));
        // Numbers as a validated store accepts them for number keys.
        compareTexts([](const QString &t) { return QString::number(RecordText::number(t)); },
                     {{" 12", "12"}, {"10.0", "10"}, {"1.5", "2"}, {"-2.5", "-2"}, {"1e1", "10"},
                      {"abc", "0"}, {"1e30", "0"}, {"nan", "0"}});
        QCOMPARE(RecordText::hex(QStringLiteral("CAFE")), quint64(0xCAFE));
        QCOMPARE(RecordText::hex(QStringLiteral("xyz")), quint64(0));
        QCOMPARE(RecordText::hexText(0x0ABC), QStringLiteral("abc"));
        for (const char *no : {"", "0", "FaLsE"})
            QVERIFY2(!RecordText::boolean(QString::fromLatin1(no)), no);
        QVERIFY(RecordText::boolean(QStringLiteral("yes")));
        // A list with an element that is no text comes as a variant list.
        testsupport::TempProject p("[g]\nv=a, @ByteArray(b)\n");
        const QVariant list = QSettings(p.path(), QSettings::IniFormat).value("g/v");
        QCOMPARE(list.userType(), int(QMetaType::QVariantList));
        QCOMPARE(RecordText::text(list), QStringLiteral("a, b"));
    }

    void afListTexts()
    {
        const QList<RDSAFEntry> list = parseAfList(QStringLiteral("958 -1012  abc 1034"), {1034});
        QCOMPARE(list, (QList<RDSAFEntry>{af(958), af(1012, RDSAFEntry::listStart), af(1034, 0, 1)}));
        QCOMPARE(afListText(list), QStringLiteral("958 -1012 1034"));
        QVERIFY(parseAfList(QString()).isEmpty());
        QVERIFY(parseAfList(QStringLiteral("-2147483648")).at(0).freq > 0);
        QCOMPARE(parseAfr(QStringLiteral(" 958  x 1012 ")), (QList<qint32>{958, 1012}));
        QCOMPARE(afrText({958, 1012}), QStringLiteral("958 1012"));
        QVERIFY(sameAfFrequencies({af(958, 1)}, {af(958, 5, 1)}));
        QVERIFY(!sameAfFrequencies({af(958)}, {af(958), af(1011)}));
        QVERIFY(!sameAfFrequencies({af(958), af(1011)}, {af(1011), af(958)}));
    }

    // Text forms of the list items: parsed and written again, field by field.
    void itemTexts()
    {
        EON e;
        e.channel = 3;
        e.pi = 0x1234;
        e.tp = 1;
        e.link = 0x00ab;
        QCOMPARE(e.toText(), QStringLiteral("3 1234 10 1 0 ab"));
        QCOMPARE(EON::fromText(e.toText()), e);
        QCOMPARE(EON::fromText(QString()), EON());
        compareTexts([](const QString &t) { return EON::fromText(t).toText(); },
                     {{"5 d311", "5 d311 10 1 0 0"},
                      {"5  d311", "5 0 0 1 0 0"}, // a double blank is an empty part: the fields shift
                      {"300 1cafe x 1 1 fffff", "44 cafe 0 1 1 ffff"}}); // cut to the field; junk reads 0
        const auto tag = [](const QString &t) {
            return QString::number(RTag::fromText(t).type) + '|' + RTag::fromText(t).text;
        };
        compareTexts(tag, {{"3 Title of the song", "3|Title of the song"}, {"7", "7|7"}, {"x text", "0|text"},
                           {"4 ", "4|"}});
        QCOMPARE(RTag::fromText(QStringLiteral("3 Title")).toText(), QStringLiteral("3 Title"));

        RDSCustomGroup full;
        full.block[0] = 0xD311;
        full.block[1] = 0x3410;
        full.block[2] = 0x0001;
        full.block[3] = 0xFFFF;
        full.check[2] = 0x3FF;
        full.rate[0] = 60;
        full.rate[3] = -5;
        full.active = 1;
        QCOMPARE(full.toText(), QStringLiteral("d311 3410 1 ffff 400 400 3ff 400 60 0 0 -5 1"));
        QCOMPARE(RDSCustomGroup::parse(full.toText()), full);
        QCOMPARE(RDSCustomGroup::parse(RDSCustomGroup().toText()), RDSCustomGroup());
        compareTexts([](const QString &t) { return RDSCustomGroup::parse(t).toText(); },
                     {{"2000", "2000 0 0 0 400 400 400 400 0 0 0 0 0"},
                      {"", "0 0 0 0 400 400 400 400 0 0 0 0 0"},
                      // Hex words are cut to 16 bits, junk reads 0, an empty part counts.
                      {"12345 zz  1", "2345 0 0 1 400 400 400 400 0 0 0 0 0"}});
    }

    void groupRateText()
    {
        RDSGroupRate r;
        r.fromText(QStringLiteral("1 20 -3 0 685"));
        QCOMPARE(int(r.on), 1);
        QCOMPARE(r.rate[1], -3);
        QCOMPARE(r.toText(), QStringLiteral("1 20 -3 0 685"));
        // A short text leaves the fields without a part alone.
        RDSGroupRate keep;
        keep.rate[0] = 12;
        keep.rate[2] = 7;
        keep.fromText(QStringLiteral("5"));
        QCOMPARE(keep.toText(), QStringLiteral("1 12 0 7 0"));
        keep.fromText(QStringLiteral("0 x"));
        QCOMPARE(keep.toText(), QStringLiteral("0 0 0 7 0"));
        QVERIFY(!keep.allRatesZero());
        QVERIFY(RDSGroupRate().allRatesZero());
    }

    void gminConversions()
    {
        compareTexts([](const QString &t) { return QString::number(RDSGroupRate::spacingToRate(t.toInt())); },
                     {{"50", "12"}, {"7", "85"} /* 85.7 drops the fraction */, {"-7", "-85"}, {"0", "0"},
                      {"1000", "0"}});
        struct Case
        {
            int g;
            const char *bare, *slashed, *old;
            bool converted;
            const char *message;
            bool rewrite;
            qint32 bareRate; // checked when rewritten
            const char *entry;
        };
        const Case cases[] = {
            // Old project: a bare spacing is converted and must be written back.
            {2, "50", nullptr, nullptr, false, nullptr, true, 12, "1 12 0 0 0"},
            // Converted project: the bare value is already a rate.
            {2, "12", nullptr, nullptr, true, nullptr, false, 0, "1 12 0 0 0"},
            {2, nullptr, nullptr, "1 20 0 0 0", true, "found only old deprecated gmin2", false, 0,
             "1 20 0 0 0"},
            {2, "12", "1 30", nullptr, true, "FMS: stream0 group 2 rate 12 != 30", false, 0, "1 30 0 0 0"},
            // The slashed form wins over the older one; a lone "on" keeps the bare rate.
            {3, "9", "1", "0 99", true, nullptr, false, 0, "1 9 0 0 0"},
            {3, "junk", nullptr, nullptr, false, nullptr, false, 0, "0 0 0 0 0"},
            // A spacing that gives no rate is written back as 0 and so loads
            // as off now and later alike.
            {3, "1000", nullptr, nullptr, false, nullptr, true, 0, "0 0 0 0 0"},
            {3, "0", nullptr, nullptr, true, nullptr, false, 0, "0 0 0 0 0"},
            // Numbers beyond 32 bits are held to the field, not cut to their
            // low bits (4294967346 would read as a spacing of 50).
            {3, "4294967346", nullptr, nullptr, false, nullptr, true, 0, "0 0 0 0 0"},
            {3, "-2147483649", nullptr, nullptr, true, nullptr, false, 0, "1 -2147483648 0 0 0"},
        };
        for (const Case &c : cases) {
            if (c.message)
                QTest::ignoreMessage(QtDebugMsg, c.message);
            const QVariant bare = c.bare ? QVariant(opt(c.bare)) : QVariant();
            const auto l = RDSGroupRate::load(c.g, bare, opt(c.slashed), opt(c.old), c.converted);
            const QByteArray name = QByteArray(c.bare ? c.bare : "-") + " / " + (c.old ? c.old : "-");
            QVERIFY2(l.rewriteBare == c.rewrite, name);
            QVERIFY2(!c.rewrite || l.bareRate == c.bareRate, name);
            QVERIFY2(l.entry.toText() == QLatin1String(c.entry), name + " gave " + l.entry.toText().toUtf8());
        }
    }

    void testTextsAndDefaults()
    {
        const int chars[4] = {66, 70, 69, 81};
        const int bytes[4] = {78, 136, 125, 90};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(RDSSource::testText(i).size(), chars[i]);
            QCOMPARE(RDSSource::testText(i).toUtf8().size(), bytes[i]);
        }
        QVERIFY(RDSSource::testText(0).contains(QLatin1String("#0A")));
        QCOMPARE(RDSSource::testText(1).at(0), QChar(0xFEFF));
        QVERIFY(RDSSource::testText(2).endsWith(QString::fromUtf8("выпей чаю")));
        QVERIFY(RDSSource::testText(3).startsWith(QLatin1String("#03A9 #2260")));
        QVERIFY(RDSSource::testText(4).isEmpty());
        QCOMPARE(RDSSource::daysSince1900(QDate(2015, 3, 1)), u32(42003));
        QCOMPARE(RDSSource::defaultPi(1), u16(0xD311));
        QCOMPARE(RDSSource::defaultPi(INT_MAX), u16(0xD30F)); // wraps, no overflow

        // The constructed record (the column of a new source).
        const RDSSource r;
        QVERIFY(r.used);
        QCOMPARE(int(r.pi), 0xCAFE);
        QCOMPARE(int(r.mode), 0x71);
        QCOMPARE(int(r.afu), 0);
        QCOMPARE(int(r.endx), 15);
        QCOMPARE(r.days, u32(42003));
        QVERIFY(r.name.isEmpty() && r.rta.isEmpty() && r.enc.isEmpty());
        for (const RDSGroupRate &g : r.gmin)
            QCOMPARE(g, RDSGroupRate());
    }

    void missingKeyDefaults()
    {
        const Loaded l = loadFrom("[rds.1]\nused=false\n", 1, true);
        QVERIFY(l.ownKeys);
        const RDSSource &r = l.rec;
        QVERIFY(!r.used);
        QCOMPARE(r.name, QStringLiteral("RDS-1"));
        QCOMPARE(r.ps, QStringLiteral("RDS-1"));
        QCOMPARE(r.lps, QStringLiteral("RDS-1"));
        QCOMPARE(int(r.pi), 0xD311);
        const QString rts[4] = {r.rta, r.rtb, r.rtc, r.rtd};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rts[i], RDSSource::testText(i));
        QCOMPARE(int(r.mode), 1);
        QCOMPARE(int(r.afu), 10);
        QCOMPARE(int(r.endx), 31);
        QCOMPARE(r.days, RDSSource::daysSince1900(QDate::currentDate()));
        QCOMPARE(r.enc + r.crt + r.clps, QByteArray("000"));
        QVERIFY(r.files.isEmpty());
        QVERIFY(!r.fused);
        QVERIFY(l.rewrites.isEmpty());
        // Only sub-groups: no source.
        QVERIFY(!loadFrom("[rds.2]\neon\\0=1 d311 10 1 0 0\neon\\0\\ps=X\n", 2, true).ownKeys);

    }

    void loadStoredValues()
    {
        const QByteArray ini = "[rds.4]\n"
                               "name=Four\npi=abc\nzone=-2\ndays=4294967295\ntp=257\nslow=70000\n"
                               "mins=-30\npty=x\nfused=true\nenc=@ByteArray(UTF-8)\ncrt=ISO-8859-1\n"
                               "files=a.grp, b.grp\nrta=\"Hello, world\"\n"
                               "afr=1034\nafs=958 -1012  abc 1034\n"
                               "rttag\\2=2 two\nrttag\\10=10 ten\nrttag\\x=0 zero\n";
        RDSSource start;
        start.af = {af(958, 1)};
        start.afCodes = {0x1234};
        const RDSSource r = loadFrom(ini, 4, true, start).rec;
        QCOMPARE(r.name, QStringLiteral("Four"));
        QCOMPARE(int(r.pi), 0x0ABC);
        QCOMPARE(int(r.zone), -2);
        QCOMPARE(r.days, 4294967295u);
        QCOMPARE(int(r.tp), 1);          // a bit key: any number but 0 is on
        QCOMPARE(int(r.slow), 70000 & 0xFFFF);
        QCOMPARE(r.mins, -30);
        QCOMPARE(int(r.pty), 0);         // not a number
        QVERIFY(r.fused);
        QCOMPARE(r.enc, QByteArray("UTF-8"));
        QCOMPARE(r.crt, QByteArray("ISO-8859-1"));
        QCOMPARE(r.files, (QStringList{QStringLiteral("a.grp"), QStringLiteral("b.grp")}));
        QCOMPARE(r.rta, QStringLiteral("Hello, world"));
        QCOMPARE(r.afr, QList<qint32>{1034});
        QCOMPARE(afListText(r.afs), QStringLiteral("958 -1012 1034"));
        QCOMPARE(int(r.afs.at(2).regional), 1);
        QCOMPARE(r.rttag.size(), 3); // numeric order, a key that is no number first
        QCOMPARE(r.rttag.at(0).text + r.rttag.at(1).text + r.rttag.at(2).text, QStringLiteral("zerotwoten"));
        // The loader leaves the computed lists alone.
        QCOMPARE(r.af, start.af);
        QCOMPARE(r.afCodes, start.afCodes);
    }

    void eonAndOdaLoadInNumericOrder()
    {
        QByteArray ini = "[rds.1]\nused=true\n";
        for (int m = 0; m < 12; ++m) {
            ini += QStringLiteral("eon\\%1=%2 d3%3 10 1 0 0\neon\\%1\\ps=PS%1\neon\\%1\\af=958 -10%1\n")
                       .arg(m)
                       .arg(m + 1)
                       .arg(m, 2, 10, QLatin1Char('0'))
                       .toLatin1();
            ini += QStringLiteral("oda\\%1=%1\n").arg(m).toLatin1();
        }
        ini += "eon\\ps=stray\noda\\x=1\n";
        const RDSSource r = loadFrom(ini, 1, true).rec;
        QCOMPARE(r.eon.size(), 12);
        QCOMPARE(r.oda.size(), 12);
        for (int m = 0; m < 12; ++m) {
            QCOMPARE(int(r.eon.at(m).channel), m + 1);
            QCOMPARE(r.eon.at(m).ps, QStringLiteral("PS%1").arg(m));
            QCOMPARE(afListText(r.eon.at(m).af), QStringLiteral("958 -10%1").arg(m));
            QCOMPARE(int(r.oda.at(m).block[0]), QString::number(m).toInt(nullptr, 16));
        }
        QCOMPARE(int(r.eon.at(11).pi), 0xD311);
    }

    // The keys and text forms the writer stores (the round trip through the
    // writer and a fresh load is in tst_fmsrds).
    void scalarValues()
    {
        RDSSource r;
        r.pi = 0x0ABC;
        r.days = 4000000000u;
        r.enc = "UTF-8";
        r.fused = true;
        const auto values = r.scalarValues();
        QCOMPARE(values.size(), 63);
        QCOMPARE(values.first().first, QStringLiteral("lps"));
        QCOMPARE(values.last().first, QStringLiteral("fused"));
        QMap<QString, QVariant> byKey;
        for (const auto &kv : values)
            byKey.insert(kv.first, kv.second);
        QCOMPARE(byKey.size(), values.size());
        QCOMPARE(byKey.value("pi").toString(), QStringLiteral("abc"));
        QCOMPARE(byKey.value("days").toString(), QStringLiteral("4000000000"));
        QCOMPARE(byKey.value("fused").toString(), QStringLiteral("true"));
        QCOMPARE(byKey.value("enc").userType(), int(QMetaType::QByteArray));
    }
};

QTEST_GUILESS_MAIN(TestRdsRecords)
#include "tst_rdsrecords.moc"
