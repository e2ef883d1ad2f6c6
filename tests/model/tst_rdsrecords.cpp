#include "AFCodes.h"
#include "EON.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RDSSource.h"
#include "RTag.h"
#include "RecordText.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QSet>
#include <QSettings>
#include <QtTest>

namespace {

// Loads source n from an INI text the way the project model does: the group opened on a settings object over
// a real file.
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

QList<RDSAFEntry> entries(std::initializer_list<int> freqs)
{
    QList<RDSAFEntry> l;
    for (int f : freqs)
        l << (f < 0 ? af(-f, RDSAFEntry::listStart) : af(f));
    return l;
}

} // namespace

class TestRdsRecords : public QObject
{
    Q_OBJECT

private slots:
    void numberTexts()
    {
        // Numbers as a validated store accepts them for number keys.
        compareTexts([](const QString &t) { return QString::number(RecordText::number(t)); },
                     {{" 12", "12"}, {"10.0", "10"}, {"1.5", "2"}, {"-2.5", "-2"}, {"1e1", "10"},
                      {"abc", "0"}, {"1e30", "0"}, {"nan", "0"}});
        QCOMPARE(RDSSource::defaultPi(INT_MAX), u16(0xD30F)); // wraps, no overflow
        for (const char *no : {"", "0", "FaLsE"})
            QVERIFY2(!RecordText::boolean(QString::fromLatin1(no)), no);
        QVERIFY(RecordText::boolean(QStringLiteral("yes")));
        // A list with an element that is no text comes as a variant list.
        testsupport::TempProject p("[g]\nv=a, @ByteArray(b)\n");
        const QVariant list = QSettings(p.path(), QSettings::IniFormat).value("g/v");
        QCOMPARE(list.userType(), int(QMetaType::QVariantList));
        QCOMPARE(RecordText::text(list), QStringLiteral("a, b"));
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
            // A spacing that gives no rate is written back as 0 and so loads as off now and later alike.
            {3, "1000", nullptr, nullptr, false, nullptr, true, 0, "0 0 0 0 0"},
            {3, "0", nullptr, nullptr, true, nullptr, false, 0, "0 0 0 0 0"},
            // Numbers beyond 32 bits are held to the field, not cut to their low bits (4294967346 would read
            // as a spacing of 50).
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
        QCOMPARE(int(r.zone), -2);
        QCOMPARE(r.days, 4294967295u);
        QCOMPARE(int(r.tp), 1);          // a bit key: any number but 0 is on
        QCOMPARE(int(r.slow), 70000 & 0xFFFF);
        QCOMPARE(int(r.pty), 0);         // not a number
        QCOMPARE(r.enc, QByteArray("UTF-8"));
        QCOMPARE(r.files, (QStringList{QStringLiteral("a.grp"), QStringLiteral("b.grp")}));
        QCOMPARE(r.rta, QStringLiteral("Hello, world"));
        QCOMPARE(afListText(r.afs), QStringLiteral("958 -1012 1034"));
        QCOMPARE(int(r.afs.at(2).regional), 1);
        QCOMPARE(r.rttag.size(), 3); // numeric order, a key that is no number first
        QCOMPARE(r.rttag.at(0).text + r.rttag.at(1).text + r.rttag.at(2).text, QStringLiteral("zerotwoten"));
        // The loader leaves the computed lists alone.
        QCOMPARE(r.af, start.af);
        QCOMPARE(r.afCodes, start.afCodes);
    }


    void frequencyCodes()
    {
        // FM 87.6..107.9 MHz as 1..204, LF 153..279 kHz and MF 531..1602 kHz after the filler code 250 (IEC
        // 62106 AF codes); 161.9 kHz still rounds down to 153 kHz.
        const int cases[][2] = {{876, 1},     {1079, 204},     {1080, afNoFrequency}, {1530, 0xFA01},
                                {1619, 0xFA01}, {2791, afNoFrequency}, {5310, 0xFA10}, {16020, 0xFA87},
                                {-958, afNoFrequency}};
        for (const auto &c : cases)
            QVERIFY2(freqToAF(c[0]) == u16(c[1]), qPrintable(QString::number(c[0])));
    }

    void lists_data()
    {
        QTest::addColumn<int>("afu");
        QTest::addColumn<QList<int>>("manual"); // negative: a list start; above 100000: regional
        QTest::addColumn<QList<int>>("automatic");
        QTest::addColumn<int>("tuned");
        QTest::addColumn<QList<u16>>("codes");
        QTest::addColumn<int>("count"); // what compileAF returns
        const QList<int> none;
        QTest::newRow("A") << 0x05 << QList<int>{880, 881} << none << 876 << QList<u16>{0xE301, 0x0506} << 3;
        // LF/MF codes flush the waiting FM code and go as their own word.
        QTest::newRow("A LF/MF") << 0x05 << QList<int>{880, 1530, 1011} << none << 958
                                 << QList<u16>{0xE453, 0x05CD, 0xFA01, 0x88CD} << 4;
        // A marked entry starts a new list with itself as the tuning frequency.
        QTest::newRow("A list start") << 0x05 << QList<int>{880, -900, 901} << none << 876
                                      << QList<u16>{0xE201, 0x05CD, 0xE219, 0x1ACD} << 4;
        // Pairs with the tuning code, ascending; a regional pair (1011) descending.
        QTest::newRow("B regional") << 0x0D << QList<int>{880, 101011, 1530} << none << 958
                                    << QList<u16>{0xE653, 0x0553, 0x8853, 0xFA01} << 4;
        // Automatic list only: the own frequency, out-of-band and duplicates dropped.
        QTest::newRow("automatic") << 0x03 << QList<int>{1011} << QList<int>{958, 880, 1080, 880} << 958
                                   << QList<u16>{0xE253, 0x05CD} << 2;
        // Both lists, automatic first; a manual duplicate of an automatic code is dropped.
        QTest::newRow("both") << 0x07 << QList<int>{1011, 880} << QList<int>{958, 880, 1080, 880} << 958
                              << QList<u16>{0xE353, 0x0588} << 3;
        QTest::newRow("off") << 0x06 << QList<int>{1011} << QList<int>{880} << 958 << QList<u16>{} << 0;
    }

    void lists()
    {
        QFETCH(int, afu);
        QFETCH(QList<int>, manual);
        QFETCH(QList<int>, automatic);
        QFETCH(int, tuned);
        QFETCH(QList<u16>, codes);
        QFETCH(int, count);
        RDSSource src;
        src.afu = u8(afu);
        for (int f : manual)
            src.afs << (f < 0 ? af(-f, RDSAFEntry::listStart) : f > 100000 ? af(f - 100000, 0, 1) : af(f));
        for (int f : automatic)
            src.af << af(f);
        QCOMPARE(src.compileAF(tuned), count);
        QCOMPARE(src.afCodes, codes);
    }

    void methodAListLimit()
    {
        RDSSource src;
        src.afu = 0x05;
        for (int f = 880; f < 880 + 30; ++f)
            src.afs << af(f);
        QCOMPARE(src.compileAF(876), 31);
        // 24 alternatives fill the first list (25 with the tuning frequency); the 25th opens a new list with
        // the same tuning code, so all 30 go out.
        QCOMPARE(src.afCodes.first(), u16(0xF901));
        QCOMPARE(src.afCodes.mid(12), (QList<u16>{0x1B1C, 0xE701, 0x1D1E, 0x1F20, 0x2122})); // 904..909 plus tuning
        // Every frequency of the lists stands in exactly one word.
        QSet<int> sent;
        for (u16 word : src.afCodes)
            if (word >> 8 < 224)
                sent << (word >> 8) << (word & 0xFF);
        for (int code = 5; code < 5 + 30; ++code)
            QVERIFY2(sent.contains(code), qPrintable(QString::number(code)));
    }

    void methodBListLimit()
    {
        RDSSource src;
        src.afu = 0x0D;
        for (int f = 880; f < 880 + 14; ++f)
            src.afs << af(f);
        QCOMPARE(src.compileAF(958), 15);
        // Twelve pairs fill the first list (count 25); the 13th and 14th alternatives go into a second list
        // with the same tuning code.
        QCOMPARE(src.afCodes.size(), 16);
        QCOMPARE(src.afCodes[0], u16(0xF953));
        QCOMPARE(src.afCodes[12], u16(0x1053)); // 891: code 16
        QCOMPARE(src.afCodes.mid(13), (QList<u16>{0xE553, 0x1153, 0x1253}));
    }

    void eonWords()
    {
        QVERIFY(eonAFWords(entries({1080, 0})).isEmpty());
        QCOMPARE(eonAFWords(entries({880, 881, 880})), (QList<u16>{0xE205, 0x06CD}));
        // LF/MF codes keep marker and code in one word.
        QCOMPARE(eonAFWords(entries({880, 1530, 881})), (QList<u16>{0xE305, 0xFA01, 0x06CD}));
        QCOMPARE(eonAFWords(entries({1530, 880})), (QList<u16>{0xE2CD, 0xFA01, 0x05CD}));
        // At most 25 frequencies.
        QList<RDSAFEntry> many;
        for (int f = 880; f < 910; ++f)
            many << af(f);
        const QList<u16> w = eonAFWords(many);
        QCOMPARE(w.size(), 13);
        QCOMPARE(w.first(), u16(0xF905));
        QCOMPARE(w.last(), u16(0x1C1D));
    }
};

QTEST_GUILESS_MAIN(TestRdsRecords)
#include "tst_rdsrecords.moc"
