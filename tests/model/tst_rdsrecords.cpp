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

};

QTEST_GUILESS_MAIN(TestRdsRecords)
#include "tst_rdsrecords.moc"
