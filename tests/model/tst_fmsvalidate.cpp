#include "ECC.h"
#include "FMSettings.h"
#include "KeyCheck.h"
#include "KeyWatch.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QtTest>

#include <map>
#include <memory>

using testsupport::KeyWatch;
using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// A KeyWatch for each of the keys, each observer in its own thread.
struct Watches
{
    std::map<QString, std::unique_ptr<KeyWatch>> byKey;
    Watches(FMSettings &fms, const QStringList &keys)
    {
        for (const QString &k : keys)
            byKey[k] = std::make_unique<KeyWatch>(fms, k);
    }
    QStringList take(const QString &k) { return byKey.at(k)->take(); }
};

// A remote command: 'S' set, 'C' setChecked (one concrete key), 'A' add, 'D' del; its code, and where given
// its error text and its log line.
struct Cmd
{
    char op;
    const char *key;
    QVariant value;
    int code;
    const char *text = nullptr;
    const char *log = nullptr;
};

void run(FMSettings &fms, std::initializer_list<Cmd> cmds)
{
    for (const Cmd &c : cmds) {
        const QString key = QString::fromUtf8(c.key);
        if (c.log)
            QTest::ignoreMessage(QtDebugMsg, c.log);
        const int code = c.op == 'S'   ? fms.set(key, c.value, true)
                         : c.op == 'C' ? fms.setChecked(key, c.value, true)
                         : c.op == 'A' ? fms.add(key, c.value)
                                       : fms.del(key);
        const QString what = QStringLiteral("%1 [%2] [%3]").arg(QLatin1Char(c.op)).arg(key, c.value.toString());
        QVERIFY2(code == c.code, qPrintable(what + QStringLiteral(" gave %1").arg(code)));
        if (c.text)
            QVERIFY2(fms.errorText(code) == QLatin1String(c.text), 
                     qPrintable(what + ": " + fms.errorText(code)));
    }
}

const QByteArray kProject = "[board]\ngmin=1\nband=0\n"
                            "[channel.1]\nused=1\nfreq=90\n"
                            "[rds.1]\nname=One\npi=d311\nafs=1011\n"
                            "eon\\0=1 d311 10 1 0 0\neon\\0\\ps=ZERO\neon\\0\\af=958\n"
                            "eon\\1=2 d312 10 1 0 0\neon\\1\\ps=ONE\n"
                            "eon\\2=3 d313 10 1 0 0\neon\\2\\ps=TWO\neon\\2\\af=1011\n"
                            "[tmc.1]\nname=T\n0=1 0 100 1 1\n1=1 0 101 1 1\n2=1 0 102 1 1\n3=1 0 103 1 1\n"
                            "4=1 0 104 1 1\n";

} // namespace

// The key descriptor table, value checks, the country table and the validated SET, ADD, DEL and listing.
class TestFmsValidate : public QObject
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

    void patternStoreAndBroadcast()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"*", "channel.2", "channel.3/freq", "channel.4"});
        QCOMPARE(fms.set(QStringLiteral("channel.1-3.freq"), QStringLiteral("95.8"), true), 0);
        QCOMPARE(p.fileValue("channel.2/freq").toString(), QStringLiteral("95.8"));
        QCOMPARE(w.take("*"), QStringList{"channel.1-3/freq=95.8"});
        QCOMPARE(w.take("channel.2"), QStringList{"channel.2/freq=95.8"});
        QCOMPARE(w.take("channel.3/freq"), QStringList{"channel.3/freq=95.8"});
        QVERIFY(w.take("channel.4").isEmpty());

        // Channel 3 unchanged now: code 3, and only 1 and 2 are named.
        QCOMPARE(fms.set(QStringLiteral("channel.1,2.freq"), QStringLiteral("96"), false), 0);
        QCOMPARE(fms.set(QStringLiteral("channel.1-3.freq"), QStringLiteral("95.8"), true), 3);
        QCOMPARE(w.take("channel.2"), QStringList{"channel.2/freq=95.8"});
        QVERIFY(w.take("channel.3/freq").isEmpty());
        QCOMPARE(w.take("*"), QStringList{"channel.1-3/freq=95.8"});
    }

    // Refused commands: the exact code and text, nothing written, no event, no record made.
    void refusedCommands()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"*"});
        fms.sync();
        const QByteArray before = p.read();
        fms.dirty = false;
        run(fms, {
                     {'C', "channel.1.nothing", 1, 1, "key is unknown"},
                     {'S', "rds.1.eon.2", "1 2 3 4 5", 4, "expecting 6 values"},
                     {'S', "tmc.1.5", "1 0 105 1 1", 7, "use ADD to insert list items"},
                     {'S', "rds.1.pi", "10000", 2, "data out of range [0..ffff]"},
                     // Out of range at the first index of a pattern: nothing stored.
                     {'S', "channel.1,2,3.gain", 5, 2, "data out of range [-60..0]"},
                     // A record number outside its section.
                     {'S', "channel.97.used", 1, 1}, {'S', "rds.0.ps", "X", 1}, {'C', "rds.-1/ps", "X", 1},
                     {'A', "tmc.0", "1 0 1 1 1", 1}, {'D', "rds.0.eon.1", {}, 1},
                     // A generic or informational key names no stored value: it is an unknown key, not an
                     // unchanged one (the server would answer "ok").
                     {'S', "channel.freq", 95, 1, "key is unknown"}, {'S', "board.gmin", 0, 1},
                     // No number, or a zero one, is no record either.
                     {'A', "tmc.00", "1 0 105 1 1", 1}, {'A', "tmc/", "1 0 105 1 1", 1},
                     {'A', "playlist.", "/a.wav", 1},
                     {'A', "channel.1.freq", 95, 5, "is not a list or list item"},
                     {'A', "rds.1.eon", "1 2", 4, "expecting 6 values", "FMS: add [rds.1.eon.3] [1 2]"},
                     {'D', "tmc.1.7", {}, 6, "is not set"}, {'D', "tmc.1.rate", {}, 5},
                 });
        fms.sync();
        QCOMPARE(p.read(), before);
        QVERIFY(!fms.dirty);
        QVERIFY(w.take("*").isEmpty());
    }

    void acceptedCommands()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"*"});
        run(fms, {
                     {'S', "channel.1.used", "yes", 0}, {'S', "Channel.1/Used", "yes", 3, "data did not change"},
                     // The clipped range of a pattern still works.
                     {'S', "channel.95-200.mute", 1, 0},
                     // A number with a sign or leading zeros names its record, as a pattern reads it: no
                     // group "[tmc.01]" that nothing reads.
                     {'S', "channel.+1.gain", -3, 0}, {'A', "tmc.01", "1 0 105 1 1", 0},
                     {'A', "rds.001/eon", "9 abcd 1 0 0 ff", 0}, {'C', "channel.01.freq", "99.9", 0},
                 });
        QCOMPARE(fms.rds(1).eon.size(), 4);
        QCOMPARE(p.fileValue(fms, "channel.96/mute").toInt(), 1);
        QCOMPARE(p.fileValue(fms, "channel.1/gain").toInt(), -3);
        QCOMPARE(p.fileValue(fms, "tmc.1/5").toString(), QStringLiteral("1 0 105 1 1"));
        QCOMPARE(fms.tmc(1).messages.size(), 6);
        QVERIFY(w.take("*").contains(QStringLiteral("channel.+1/gain=-3")));
        QCOMPARE(fms.del(QStringLiteral("tmc.01.5")), 0);
        QCOMPARE(fms.tmc(1).messages.size(), 5);
        for (const QString &g : p.fileGroups(fms))
            QVERIFY2(!g.contains(QLatin1String(".0")) && !g.endsWith(QLatin1Char('.')), qPrintable(g));
    }

    void boardKeys()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"board.band", "board.attn"});
        run(fms, {{'S', "board.band", 1, 0},
                  {'S', "board.band", 1, 3}, {'S', "board.band", 5, 2, "data out of range [0..2]"},
                  {'S', "board.attn", -10, 0},
                  // The frequency range follows the band.
                  {'S', "channel.1.freq", 100, 2, "data out of range [76..95]"}});
        QCOMPARE(fms.band(), 1);
        QCOMPARE(fms.attn(), -10);
        QCOMPARE(p.fileValue("board/band").toInt(), 1);
        QCOMPARE(w.take("board.band"), QStringList{"board.band=1"});
        QCOMPARE(w.take("board.attn"), QStringList{"board.attn=-10"});
    }

    void addItemsAndLists()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"rds.1"});
        // Hexadecimal lists read their items as hexadecimal. The service key table is the one key "skt": ADD
        // appends to it (a key "skt/0" would be read by nobody), and the record takes it at once.
        run(fms, {{'A', "rds.1.afs", 958, 0, nullptr, "FMS: add [rds.1/afs] [1011 958]"},
                  {'A', "tmc.1", "1 0 105 1 1", 0, nullptr, "FMS: add [tmc.1.5] [1 0 105 1 1]"},
                  {'A', "rds.1/eon", "9 abcd 1 0 0 ff", 0, nullptr, "FMS: add [rds.1.eon.3] [9 abcd 1 0 0 ff]"},
                  {'A', "tmc.1.skt", "ffff", 0, nullptr, "FMS: add [tmc.1/skt] [ffff]"}});
        QCOMPARE(p.fileValue(fms, "rds.1/afs").toString(), QStringLiteral("1011 958"));
        QCOMPARE(afListText(fms.rds(1).afs), QStringLiteral("1011 958"));
        QCOMPARE(w.take("rds.1"), (QStringList{"rds.1/afs=1011 958", "rds.1/eon/3=9 abcd 1 0 0 ff"}));
        QCOMPARE(p.fileValue(fms, "tmc.1/skt").toString(), QStringLiteral("ffff"));
        QVERIFY(!p.fileValue(fms, "tmc.1/skt/0").isValid());
        QCOMPARE(int(fms.tmc(1).skt[0]), 0xFFFF);
        run(fms, {{'A', "tmc.1.skt", "10000", 2, "data out of range [0..ffff]",
                   "FMS: add [tmc.1/skt] [ffff 10000]"},
                  {'S', "tmc.1.skt", "1 a5", 0}});
        QCOMPARE(int(fms.tmc(1).skt[1]), 0xA5);
    }

    void addToRateTable()
    {
        // The rate table has the entries 0..31; ADD takes a free one of them and gives up when all are there
        // instead of storing "gmin/32".
        QByteArray ini = "[board]\ngmin=1\n[rds.1]\nname=R\ngmin\\5=1 5 0 0 0\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [rds.1.gmin.0] [1 60 0 0 0]");
        QCOMPARE(fms.add(QStringLiteral("rds.1.gmin"), QStringLiteral("1 60 0 0 0")), 0);
        QCOMPARE(fms.rds(1).gmin[0].rate[0], 60);
        for (int g = 1; g < 31; ++g)
            QCOMPARE(fms.add(QStringLiteral("rds.1.gmin"), QStringLiteral("1 1 0 0 0")), 0);
        QCOMPARE(p.fileValue(fms, "rds.1/gmin/31").toString(), QStringLiteral("1 1 0 0 0"));
        QCOMPARE(fms.add(QStringLiteral("rds.1.gmin"), QStringLiteral("1 1 0 0 0")), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [-685..685]"));
        QVERIFY(!p.fileValue(fms, "rds.1/gmin/32").isValid());
    }

    void deleteItems()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watches w(fms, {"tmc.1", "rds.1"});
        run(fms, {{'D', "tmc.1.2", {}, 0}});
        QCOMPARE(fms.tmc(1).messages.size(), 4);
        QCOMPARE(int(fms.tmc(1).messages.at(3).event), 104);
        QVERIFY(!p.fileValue("tmc.1/4").isValid());
        QCOMPARE(w.take("tmc.1"), QStringList{"tmc.1/2=<null>"});

        // An EON entry moves down with its sub-keys; dotted and slashed forms alike.
        run(fms, {{'D', "rds.1.eon.0", {}, 0}});
        QCOMPARE(p.fileGroup("rds.1/eon"), (QMap<QString, QString>{{"0", "2 d312 10 1 0 0"}, {"0/ps", "ONE"},
                                                                  {"1", "3 d313 10 1 0 0"}, {"1/af", "1011"},
                                                                  {"1/ps", "TWO"}}));
        QVERIFY(fms.rds(1).eon.at(0).af.isEmpty());
        run(fms, {{'D', "rds.1/eon/1", {}, 0}});
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/ps"}));

        // A whole list, then every item of a family.
        run(fms, {{'D', "rds.1.afs", {}, 0}, {'D', "rds.1.afs", {}, 6},
                  {'D', "tmc.1.*", {}, 0, nullptr, "FMS: del tmc.1/*"},
                  {'D', "tmc.1/*", {}, 6, nullptr, "FMS: del tmc.1/*"}});
        QVERIFY(!p.fileValue("rds.1/afs").isValid());
        QVERIFY(fms.tmc(1).messages.isEmpty());
        QCOMPARE(p.fileKeys("tmc.1"), QStringList{"name"});
    }

    void deleteRateEntries()
    {
        // Entry G of the rate table belongs to group type G: DEL removes it in its place, and "*" removes all
        // 32 entries, gaps or not.
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=R\ngmin\\0=1 60 0 0 0\ngmin\\2=1 20 0 0 0\n"
                      "gmin\\3=0 5 5 5 5\ngmin\\31=1 1 0 0 0\n");
        FMSettings fms(p.path());
        run(fms, {{'D', "rds.1.gmin.2", {}, 0}});
        QCOMPARE(p.fileGroup(fms, "rds.1/gmin"),
                 (QMap<QString, QString>{{"0", "1 60 0 0 0"}, {"3", "0 5 5 5 5"}, {"31", "1 1 0 0 0"}}));
        QCOMPARE(fms.rds(1).gmin[2], RDSGroupRate());
        QCOMPARE(fms.rds(1).gmin[3].rate[1], 5);
        run(fms, {{'D', "rds.1.gmin.*", {}, 0, nullptr, "FMS: del rds.1/gmin/*"},
                  {'D', "rds.1.gmin.*", {}, 6, nullptr, "FMS: del rds.1/gmin/*"}});
        QCOMPARE(p.fileGroup(fms, "rds.1").keys(), QStringList{"name"});
        QCOMPARE(fms.rds(1).gmin[31], RDSGroupRate());
    }

    void deleteOddItemNumbers()
    {
        // Item numbers of a hand-edited file beyond the int range name only themselves: item 0 and the others
        // stay where they are.
        TempProject p("[board]\ngmin=1\n[tmc.1]\nname=T\n0=1 0 100 1 1\n1=1 0 101 1 1\n"
                      "99999999999=1 0 102 1 1\n2147483647=1 0 103 1 1\n");
        FMSettings fms(p.path());
        fms.dirty = false;
        run(fms, {{'D', "tmc.1.99999999999", {}, 0}});
        QVERIFY(fms.dirty);
        run(fms, {{'D', "tmc.1.2147483647", {}, 0}});
        QCOMPARE(p.fileGroup("tmc.1"),
                 (QMap<QString, QString>{{"0", "1 0 100 1 1"}, {"1", "1 0 101 1 1"}, {"name", "T"}}));
        QCOMPARE(fms.tmc(1).messages.size(), 2);
    }

    void dirtyMark()
    {
        // Every operation that changes the file marks the project changed; refused or unchanged ones do not.
        TempProject p(kProject);
        FMSettings fms(p.path());
        const QList<QPair<Cmd, bool>> steps{
            {{'S', "channel.1,2.gain", -1, 0}, true}, {{'S', "channel.1,2.gain", -1, 3}, false},
            {{'S', "channel.1.gain", 9, 2}, false},   {{'A', "rds.1.afs", 958, 0}, true},
            {{'D', "tmc.1.0", {}, 0}, true},          {{'D', "rds.1.eon.*", {}, 0}, true},
            {{'D', "rds.1.eon.*", {}, 6}, false},
            {{'S', "board.attn", -3, 0}, true},
        };
        for (const auto &step : steps) {
            fms.dirty = false;
            run(fms, {step.first});
            QVERIFY2(fms.dirty == step.second, step.first.key);
        }
    }

    void listing()
    {
        // By section, then number: audio source 1001 must not go among the channels.
        TempProject p("[board]\ngmin=1\n[tmc.1]\nname=T\n0=1 0 1 1 1\n10=1 0 1 1 1\n2=1 0 1 1 1\n"
                      "[rds.10]\nname=a\n[rds.2]\nname=b\n[channel.12]\nused=1\n[channel.2]\nused=1\n"
                      "[audio.1001]\nname=a\n[playlist.3]\nname=p\n");
        FMSettings fms(p.path());
        QCOMPARE(fms.listKeys(QStringLiteral("tmc.1")), (QStringList{"tmc.1.0", "tmc.1.2", "tmc.1.10", "tmc.1.name"}));
        QCOMPARE(fms.listKeys(QString()).mid(0, 7), (QStringList{"channel.2", "channel.12", "audio.1001", "playlist.3",
                                                                 "rds.2", "rds.10", "tmc.1"}));
    }
};

QTEST_GUILESS_MAIN(TestFmsValidate)
#include "tst_fmsvalidate.moc"
