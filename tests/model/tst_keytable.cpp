#include "ECC.h"
#include "FMSettings.h"
#include "KeyCheck.h"
#include "TempProject.h"

#include <QTest>

using testsupport::TempProject;

// The key descriptor table, value checks against its rows, and the country table.
class TestKeyTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FMSettings::buildKeyTable(); }
    void cleanup() { langGerman = true; }

    void rowsAndGenericKeys()
    {
        QCOMPARE(FMSettings::keyTableKeys().size(), 147);
        KeyDesc d;
        // Half hours, not hours.
        QVERIFY(FMSettings::keyDesc("rds.zone", d));
        QCOMPARE(d.min, -31.0);
        QCOMPARE(d.max, 31.0);
        QVERIFY(!FMSettings::keyDesc("channel.", d));
        const char *const cases[][2] = {
            {"Channel.12/FREQ", "channel.freq"}, {"rds.3/eon/2/ps", "rds.eon.ps"}, {"rds.3.eon", "rds.eon."},
            {"tmc.1/5", "tmc."},                 {"tmc.1/skt", "tmc.skt."},        {"rds.1/gmin/4", "rds.gmin."},
            {"rds.1/4", "rds.4"},                {"board.band", "board.band"},     {"channel.1", "channel.1"}};
        for (const auto &c : cases)
            QCOMPARE(QString(c[0]) + " -> " + FMSettings::genericKey(c[0]), QString(c[0]) + " -> " + c[1]);
    }

    // The help line names the value type of each kind of row.
    void helpLines()
    {
        const char *const cases[][2] = {
            {"channel.3.used", "toggle channel (on/off) [0..1] (bool)"},
            {"rds.1.pi", "rds program identifier [0..ffff] (hexadecimal)"},
            {"rds.1.eon.2", "rds eon channel PI PTY TP TA link (list of 6 hexadecimal)"},
            {"channel.3.idrds", "channel rds source id [-2.14748e+09..2.14748e+09] rds (id link)"},
            {"rds.1.pn1", "rds program type name 1 [0..8] (string)"},
            {"playlist.1.4", "playlist file (list of 1 string)"},
            {"board.attn", "attenuate HF signal [-31..0] dB (integer)"},
            {"foo.bar", ""}};
        for (const auto &c : cases)
            QCOMPARE(FMSettings::describeKey(c[0]), QString(c[1]));
    }

    // The band narrows the frequency range; a new table is the widest again. The error texts name the current
    // descriptor; a failed look-up keeps it.
    void rangesAndErrorTexts()
    {
        TempProject project;
        FMSettings s(project.path());
        QCOMPARE(s.errorText(2), QString("data out of range [0..0]"));
        QVERIFY(s.selectKeyDesc(FMSettings::genericKey("rds.1.eon.2")));
        QCOMPARE(s.errorText(4), QString("expecting 6 values"));
        FMSettings::setFreqRange(1);
        QVERIFY(s.selectKeyDesc("channel.freq"));
        QCOMPARE(s.errorText(2), QString("data out of range [76..95]"));
        QVERIFY(!s.selectKeyDesc("channel.1"));
        QCOMPARE(s.errorText(2), QString("data out of range [76..95]"));
        QCOMPARE(s.errorText(-1), QString("unknown error"));
        FMSettings::buildKeyTable();
        KeyDesc d;
        QVERIFY(FMSettings::keyDesc("channel.freq", d));
        QCOMPARE(d.max, 108.0);
    }

    void checkValues()
    {
        using namespace KeyCheck;
        const struct
        {
            const char *row;
            QVariant value;
            int result;
        } cases[] = {
            {"channel.gain", "-60", Ok}, {"channel.gain", "5", OutOfRange}, {"channel.gain", "abc", OutOfRange},
            {"channel.gain", "nan", OutOfRange}, {"channel.gain", "-inf", OutOfRange},
            {"channel.used", "yes", Ok}, {"rds.pi", "FFFF", Ok}, {"rds.pi", "10000", OutOfRange},
            {"rds.pi", "-1", OutOfRange},
            // A second sign is no number; negating the smallest 64-bit number would overflow.
            {"rds.pi", "--5", OutOfRange}, {"rds.pi", "--8000000000000000", OutOfRange},
            {"tmc.skt.", "0 --8000000000000000", OutOfRange},
            {"rds.pn1", "123456789", OutOfRange}, {"rds.ps", QString(300, QLatin1Char('x')), Ok},
            {"rds.eon.", "3 1234 10 1 0 ab", Ok}, {"rds.eon.", "3 1234  10 1 0", WrongCount},
            {"rds.afs", "958 -1012  1034", Ok}, {"rds.afs", "958 16101", OutOfRange},
            {"rds.gmin.", "1 686", OutOfRange}, {"rds.rttag.", "3 a b c", WrongCount},
        };
        for (const auto &c : cases) {
            KeyDesc d;
            QVERIFY2(FMSettings::keyDesc(QLatin1String(c.row), d), c.row);
            const QString id = QStringLiteral("%1 \"%2\": ").arg(QLatin1String(c.row), c.value.toString());
            QCOMPARE(id + QString::number(checkValue(d, c.value)), id + QString::number(c.result));
        }
        QVERIFY(indexInRange("channel.", 96));
        QVERIFY(!indexInRange("channel.", 97));
        QVERIFY(!indexInRange("rds.", 0));
    }

    void countries()
    {
        const struct
        {
            char digit;
            u16 code;
            const char *german, *english; // UTF-8
        } cases[] = {
            {'9', 0xE1, "Dänemark\nFäröer", "Denmark\nFaroe (Denmark)"},
            // The English name serves where there is no German one.
            {'F', 0xA5, "Mexiko\nBritische Jungferninseln", "Mexico\nBritische Jungferninseln"},
            {'d', 0xE0, "", ""},
            {'D', 0x1E0, "", ""},
        };
        for (const auto &c : cases) {
            for (const bool german : {true, false}) {
                langGerman = german;
                QCOMPARE(countryNames(c.digit, c.code), QString::fromUtf8(german ? c.german : c.english));
            }
        }
        QCOMPARE(countryList().size(), 231);
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
