#include "FMSettings.h"
#include "KeyCheck.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QtTest>

#include <functional>
#include <memory>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// Observers registered under the given keys, each in its own thread.
struct Watchers
{
    FMSettings &fms;
    QMap<QString, std::shared_ptr<RecordingObserver>> byKey;

    Watchers(FMSettings &f, const QStringList &keys) : fms(f)
    {
        for (const QString &k : keys) {
            auto obs = std::make_shared<RecordingObserver>(k);
            fms.registerKey(k, obs.get());
            byKey.insert(k, obs);
        }
    }
    ~Watchers()
    {
        for (const auto &obs : byKey)
            fms.unregisterObserver(obs.get());
    }
    QStringList keys(const QString &k)
    {
        RecordingObserver &obs = *byKey.value(k);
        obs.flush();
        return obs.keys();
    }
    void clear()
    {
        for (const auto &obs : byKey)
            obs->clear();
    }
};

const QByteArray kProject = "[board]\ngmin=1\nband=0\n"
                            "[channel.1]\nused=1\nfreq=90\n"
                            "[rds.1]\nname=One\npi=d311\nafs=1011\n"
                            "eon\\0=1 d311 10 1 0 0\neon\\0\\ps=ZERO\neon\\0\\af=958\n"
                            "eon\\1=2 d312 10 1 0 0\neon\\1\\ps=ONE\n"
                            "eon\\2=3 d313 10 1 0 0\neon\\2\\ps=TWO\neon\\2\\af=1011\n"
                            "[tmc.1]\nname=T\n0=1 0 100 1 1\n1=1 0 101 1 1\n2=1 0 102 1 1\n3=1 0 103 1 1\n"
                            "4=1 0 104 1 1\n";

} // namespace

class TestFmsValidate : public QObject
{
    Q_OBJECT

private slots:
    void patternStoreAndBroadcast()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"*", "channel", "channel.2", "channel.3/freq", "channel.3/gain", "channel.4",
                         "rdsin.1"});
        QCOMPARE(fms.set(QStringLiteral("channel.1-3.freq"), QStringLiteral("95.8"), true), 0);
        QCOMPARE(p.fileValue("channel.2/freq").toString(), QStringLiteral("95.8"));
        QCOMPARE(w.keys("*"), QStringList{"channel.1-3/freq"});
        QCOMPARE(w.keys("channel"), QStringList{"channel.1-3/freq"});
        QCOMPARE(w.keys("channel.2"), QStringList{"channel.2/freq"});
        QCOMPARE(w.keys("channel.3/freq"), QStringList{"channel.3/freq"});
        QCOMPARE(w.keys("channel.3/gain"), QStringList{"channel.3/freq"});
        QVERIFY(w.keys("channel.4").isEmpty());
        QVERIFY(w.keys("rdsin.1").isEmpty());

        // Channel 3 unchanged now: code 3, and only 1 and 2 are named.
        w.clear();
        QCOMPARE(fms.set(QStringLiteral("channel.1,2.freq"), QStringLiteral("96"), false), 0);
        w.clear();
        QCOMPARE(fms.set(QStringLiteral("channel.1-3.freq"), QStringLiteral("95.8"), true), 3);
        QCOMPARE(w.keys("channel.2"), QStringList{"channel.2/freq"});
        QVERIFY(w.keys("channel.3/freq").isEmpty());
        QCOMPARE(w.keys("*"), QStringList{"channel.1-3/freq"});

        // Out of range at the first index: nothing stored.
        w.clear();
        QCOMPARE(fms.set(QStringLiteral("channel.1,2,3.gain"), 5, true), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [-60..0]"));
        QVERIFY(!p.fileValue("channel.1/gain").isValid());
        QVERIFY(w.keys("*").isEmpty());
        QCOMPARE(fms.set(QStringLiteral("channel.2.freq"), QStringLiteral("120"), true), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [87.5..108]"));
    }

    void sourceHearsNothing()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"*", "rds"});
        RecordingObserver &roll = *w.byKey.value("*");
        QCOMPARE(fms.set(QStringLiteral("rds.1.ps"), QStringLiteral("ROLL"), true, &roll), 0);
        QVERIFY(w.keys("*").isEmpty());
        QCOMPARE(w.keys("rds"), QStringList{"rds.1/ps"});
        // The record was read again.
        QCOMPARE(fms.rds(1).ps, QStringLiteral("ROLL"));
        QCOMPARE(fms.set(QStringLiteral("tmc.1.rate"), 20, true), 0);
        QCOMPARE(int(fms.tmc(1).rate), 20);
        QCOMPARE(fms.set(QStringLiteral("tmc.1.rate"), 20, true), 3);
    }

    void singleKeyErrors()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        QCOMPARE(fms.setChecked(QStringLiteral("channel.1.nothing"), 1, true), 1);
        QCOMPARE(fms.errorText(1), QStringLiteral("key is unknown"));
        QCOMPARE(fms.set(QStringLiteral("rds.1.eon.2"), QStringLiteral("1 2 3 4 5"), true), 4);
        QCOMPARE(fms.errorText(4), QStringLiteral("expecting 6 values"));
        QCOMPARE(fms.set(QStringLiteral("rds.1.eon.2"), QStringLiteral("4 d314 10 1 0 0"), true), 0);
        QCOMPARE(int(fms.rds(1).eon.at(2).channel), 4);
        QCOMPARE(fms.set(QStringLiteral("tmc.1.5"), QStringLiteral("1 0 105 1 1"), true), 7);
        QCOMPARE(fms.errorText(7), QStringLiteral("use ADD to insert list items"));
        QCOMPARE(fms.set(QStringLiteral("rds.1.pi"), QStringLiteral("10000"), true), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [0..ffff]"));
        QCOMPARE(fms.set(QStringLiteral("rds.1.pn1"), QStringLiteral("123456789"), true), 2);
        QCOMPARE(fms.set(QStringLiteral("rds.1.afs"), QStringLiteral("958 x"), true), 2);
        QCOMPARE(fms.set(QStringLiteral("channel.1.used"), QStringLiteral("yes"), true), 0);
        QCOMPARE(p.fileValue("channel.1/used").toString(), QStringLiteral("yes"));
        QCOMPARE(fms.set(QStringLiteral("Channel.1/Used"), QStringLiteral("yes"), true), 3);
        QCOMPARE(fms.errorText(3), QStringLiteral("data did not change"));
    }

    void indexOutsideSection()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        const QStringList before = p.fileGroups();
        QCOMPARE(fms.set(QStringLiteral("channel.0.used"), 1, true), 1);
        QCOMPARE(fms.set(QStringLiteral("channel.97.used"), 1, true), 1);
        QCOMPARE(fms.set(QStringLiteral("rds.0.ps"), QStringLiteral("X"), true), 1);
        QCOMPARE(fms.set(QStringLiteral("tmc.0.rate"), 1, true), 1);
        QCOMPARE(fms.set(QStringLiteral("audio.0.name"), QStringLiteral("X"), true), 1);
        QCOMPARE(fms.setChecked(QStringLiteral("rds.-1/ps"), QStringLiteral("X"), true), 1);
        QCOMPARE(fms.add(QStringLiteral("rds.0.afs"), 958), 1);
        QCOMPARE(fms.add(QStringLiteral("tmc.0"), QStringLiteral("1 0 1 1 1")), 1);
        QCOMPARE(fms.del(QStringLiteral("rds.0.eon.1")), 1);
        QCOMPARE(p.fileGroups(), before);
        QVERIFY(!fms.rdsMap().contains(0));
        QVERIFY(!fms.tmcMap().contains(0));
        // The clipped range of a pattern still works.
        QCOMPARE(fms.set(QStringLiteral("channel.95-200.mute"), 1, true), 0);
        QCOMPARE(p.fileValue("channel.96/mute").toInt(), 1);
    }

    void keysWithoutRecordIndex()
    {
        // A generic or informational key names no stored value: it is an
        // unknown key, not an unchanged one (which the server answers "ok").
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"*"});
        QCOMPARE(fms.set(QStringLiteral("channel.freq"), 95, true), 1);
        QCOMPARE(fms.errorText(1), QStringLiteral("key is unknown"));
        QCOMPARE(fms.set(QStringLiteral("rds.ps"), QStringLiteral("X"), true), 1);
        QCOMPARE(fms.set(QStringLiteral("board.gmin"), 0, true), 1);
        QCOMPARE(fms.set(QStringLiteral("channel.x.freq"), 95, true), 1);
        QVERIFY(!p.fileValue("channel.0/freq").isValid());
        QCOMPARE(p.fileValue("board/gmin").toString(), QStringLiteral("1"));
        QVERIFY(w.keys("*").isEmpty());
        // A number with a sign still names its record, as the pattern reads it.
        QCOMPARE(fms.set(QStringLiteral("channel.+1.gain"), -3, true), 0);
        QCOMPARE(p.fileValue("channel.1/gain").toInt(), -3);
        QCOMPARE(w.keys("*"), QStringList{"channel.+1/gain"});
    }

    void boardKeys()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"board.band", "board.attn"});
        QCOMPARE(fms.set(QStringLiteral("board.band"), 1, true), 0);
        QCOMPARE(fms.band(), 1);
        QCOMPARE(p.fileValue("board/band").toInt(), 1);
        QCOMPARE(w.keys("board.band"), QStringList{"board.band"});
        QCOMPARE(fms.set(QStringLiteral("board.band"), 1, true), 3);
        QCOMPARE(fms.set(QStringLiteral("board.band"), 5, true), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [0..2]"));
        QCOMPARE(fms.set(QStringLiteral("board.attn"), -10, true), 0);
        QCOMPARE(fms.attn(), -10);
        QCOMPARE(fms.band(), 1);
        // The frequency range follows the band.
        QCOMPARE(fms.set(QStringLiteral("channel.1.freq"), 100, true), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [76..95]"));
    }

    void addItemsAndLists()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"rds.1"});
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [rds.1/afs] [1011 958]");
        QCOMPARE(fms.add(QStringLiteral("rds.1.afs"), 958), 0);
        QCOMPARE(p.fileValue("rds.1/afs").toString(), QStringLiteral("1011 958"));
        QCOMPARE(afListText(fms.rds(1).afs), QStringLiteral("1011 958"));
        QCOMPARE(w.keys("rds.1"), QStringList{"rds.1/afs"});
        QCOMPARE(fms.add(QStringLiteral("channel.1.freq"), 95), 5);
        QCOMPARE(fms.errorText(5), QStringLiteral("is not a list or list item"));
        QCOMPARE(fms.add(QStringLiteral("nothing.1"), 95), 1);

        QTest::ignoreMessage(QtDebugMsg, "FMS: add [tmc.1.5] [1 0 105 1 1]");
        QCOMPARE(fms.add(QStringLiteral("tmc.1"), QStringLiteral("1 0 105 1 1")), 0);
        QCOMPARE(fms.tmc(1).messages.size(), 6);

        QTest::ignoreMessage(QtDebugMsg, "FMS: add [rds.1.eon.3] [9 abcd 1 0 0 ff]");
        QCOMPARE(fms.add(QStringLiteral("rds.1/eon"), QStringLiteral("9 abcd 1 0 0 ff")), 0);
        QCOMPARE(fms.rds(1).eon.size(), 4);
        QCOMPARE(int(fms.rds(1).eon.at(3).pi), 0xABCD);
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [rds.1.eon.4] [1 2]");
        QCOMPARE(fms.add(QStringLiteral("rds.1.eon"), QStringLiteral("1 2")), 4);

        // Hexadecimal lists read their items as hexadecimal. The service key
        // table is the one key "skt": ADD appends to it (a key "skt/0" would
        // be read by nobody), and the record takes it at once.
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [tmc.1/skt] [ffff]");
        QCOMPARE(fms.add(QStringLiteral("tmc.1.skt"), QStringLiteral("ffff")), 0);
        QCOMPARE(p.fileValue(fms, "tmc.1/skt").toString(), QStringLiteral("ffff"));
        QVERIFY(!p.fileValue(fms, "tmc.1/skt/0").isValid());
        QCOMPARE(int(fms.tmc(1).skt[0]), 0xFFFF);
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [tmc.1/skt] [ffff 10000]");
        QCOMPARE(fms.add(QStringLiteral("tmc.1.skt"), QStringLiteral("10000")), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [0..ffff]"));
        QCOMPARE(fms.set(QStringLiteral("tmc.1.skt"), QStringLiteral("1 a5"), true), 0);
        QCOMPARE(int(fms.tmc(1).skt[1]), 0xA5);
    }

    void recordNumberWithLeadingZeros()
    {
        // "tmc.01" names TMC source 1, as in a key pattern: no group
        // "[tmc.01]" that no record reads.
        TempProject p(kProject);
        FMSettings fms(p.path());
        QCOMPARE(fms.add(QStringLiteral("tmc.01"), QStringLiteral("1 0 105 1 1")), 0);
        QCOMPARE(p.fileValue(fms, "tmc.1/5").toString(), QStringLiteral("1 0 105 1 1"));
        QCOMPARE(fms.tmc(1).messages.size(), 6);
        QCOMPARE(fms.add(QStringLiteral("rds.001/eon"), QStringLiteral("9 abcd 1 0 0 ff")), 0);
        QCOMPARE(fms.rds(1).eon.size(), 4);
        QCOMPARE(fms.setChecked(QStringLiteral("channel.01.freq"), QStringLiteral("99.9"), true), 0);
        QCOMPARE(fms.channelInfo(1).freq, 99.9);
        QCOMPARE(fms.del(QStringLiteral("tmc.01.5")), 0);
        QCOMPARE(fms.tmc(1).messages.size(), 5);
        QCOMPARE(fms.add(QStringLiteral("tmc.00"), QStringLiteral("1 0 105 1 1")), 1);
        // No number at all is no source either.
        QCOMPARE(fms.add(QStringLiteral("tmc/"), QStringLiteral("1 0 105 1 1")), 1);
        QCOMPARE(fms.add(QStringLiteral("playlist."), QStringLiteral("/a.wav")), 1);
        QCOMPARE(fms.del(QStringLiteral("tmc./*")), 1);
        QCOMPARE(fms.setChecked(QStringLiteral("channel.097.freq"), QStringLiteral("99.9"), true), 1);
        for (const QString &g : p.fileGroups(fms))
            QVERIFY2(!g.contains(QLatin1String(".0")) && !g.endsWith(QLatin1Char('.')), qPrintable(g));
    }

    void addToRateTable()
    {
        // The rate table has the entries 0..31; ADD takes a free one of them
        // and gives up when all are there instead of storing "gmin/32".
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

    void audioAndPlaylistRecordsFollow()
    {
        TempProject p("[board]\ngmin=1\n[audio.1]\nname=A\ntype=0\n[playlist.2]\nname=L\n0=/a.wav\n1=/b.wav\n");
        FMSettings fms(p.path());
        QCOMPARE(fms.set(QStringLiteral("audio.1.frq1"), 1000, true), 0);
        QCOMPARE(int(fms.audio(1).frq1), 1000);
        QTest::ignoreMessage(QtDebugMsg, "FMS: add [playlist.2.2] [/c.wav]");
        QCOMPARE(fms.add(QStringLiteral("playlist.2"), QStringLiteral("/c.wav")), 0);
        QCOMPARE(fms.playlistFiles(2), (QStringList{"/a.wav", "/b.wav", "/c.wav"}));
        QCOMPARE(fms.del(QStringLiteral("playlist.2.0")), 0);
        QCOMPARE(fms.playlistFiles(2), (QStringList{"/b.wav", "/c.wav"}));
        QCOMPARE(fms.set(QStringLiteral("playlist.2.1"), QStringLiteral("/d.wav"), true), 0);
        QCOMPARE(fms.playlistFiles(2), (QStringList{"/b.wav", "/d.wav"}));
    }

    void addToFullFamily()
    {
        QByteArray ini = "[board]\ngmin=1\n[tmc.1]\nname=T\n";
        for (int i = 0; i < KeyCheck::maxItems; ++i)
            ini += QByteArray::number(i) + "=1 0 " + QByteArray::number(i) + " 1 1\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        QCOMPARE(fms.tmc(1).messages.size(), 512);
        QCOMPARE(fms.add(QStringLiteral("tmc.1"), QStringLiteral("1 0 1 1 1")), 2);
        QCOMPARE(fms.errorText(2), QStringLiteral("data out of range [0..0]"));
        QVERIFY(!p.fileValue("tmc.1/512").isValid());
    }

    void deleteItems()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        Watchers w(fms, {"tmc.1", "rds.1"});
        QCOMPARE(fms.del(QStringLiteral("tmc.1.2")), 0);
        QCOMPARE(fms.tmc(1).messages.size(), 4);
        QCOMPARE(int(fms.tmc(1).messages.at(2).event), 103);
        QCOMPARE(int(fms.tmc(1).messages.at(3).event), 104);
        QVERIFY(!p.fileValue("tmc.1/4").isValid());
        QCOMPARE(w.keys("tmc.1"), QStringList{"tmc.1/2"});
        QCOMPARE(fms.del(QStringLiteral("tmc.1.7")), 6);
        QCOMPARE(fms.errorText(6), QStringLiteral("is not set"));
        QCOMPARE(fms.del(QStringLiteral("tmc.1")), 1);
        QCOMPARE(fms.del(QStringLiteral("tmc.1.rate")), 5);

        // An EON entry moves down with its sub-keys; dotted and slashed forms alike.
        QCOMPARE(fms.del(QStringLiteral("rds.1.eon.0")), 0);
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/ps", "1", "1/af", "1/ps"}));
        QCOMPARE(p.fileValue("rds.1/eon/0/ps").toString(), QStringLiteral("ONE"));
        QCOMPARE(p.fileValue("rds.1/eon/1/af").toString(), QStringLiteral("1011"));
        QCOMPARE(fms.rds(1).eon.size(), 2);
        QCOMPARE(fms.rds(1).eon.at(0).ps, QStringLiteral("ONE"));
        QVERIFY(fms.rds(1).eon.at(0).af.isEmpty());
        QCOMPARE(fms.del(QStringLiteral("rds.1/eon/1")), 0);
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/ps"}));

        // A whole list, then every item of a family.
        QCOMPARE(fms.del(QStringLiteral("rds.1.afs")), 0);
        QVERIFY(!p.fileValue("rds.1/afs").isValid());
        QVERIFY(fms.rds(1).afs.isEmpty());
        QCOMPARE(fms.del(QStringLiteral("rds.1.afs")), 6);
        QTest::ignoreMessage(QtDebugMsg, "FMS: del tmc.1/*");
        QCOMPARE(fms.del(QStringLiteral("tmc.1.*")), 0);
        QVERIFY(fms.tmc(1).messages.isEmpty());
        QCOMPARE(p.fileKeys("tmc.1"), QStringList{"name"});
        QTest::ignoreMessage(QtDebugMsg, "FMS: del tmc.1/*");
        QCOMPARE(fms.del(QStringLiteral("tmc.1/*")), 6);
    }

    void deleteRateEntries()
    {
        // Entry G of the rate table belongs to group type G: DEL removes it
        // in its place, and "*" removes all 32 entries, gaps or not.
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=R\ngmin\\0=1 60 0 0 0\ngmin\\2=1 20 0 0 0\n"
                      "gmin\\3=0 5 5 5 5\ngmin\\31=1 1 0 0 0\n");
        FMSettings fms(p.path());
        QCOMPARE(fms.del(QStringLiteral("rds.1.gmin.2")), 0);
        QVERIFY(!p.fileValue(fms, "rds.1/gmin/2").isValid());
        QCOMPARE(p.fileValue(fms, "rds.1/gmin/3").toString(), QStringLiteral("0 5 5 5 5"));
        QCOMPARE(fms.rds(1).gmin[2], RDSGroupRate());
        QCOMPARE(fms.rds(1).gmin[3].rate[1], 5);
        QTest::ignoreMessage(QtDebugMsg, "FMS: del rds.1/gmin/*");
        QCOMPARE(fms.del(QStringLiteral("rds.1.gmin.*")), 0);
        QCOMPARE(p.fileGroup(fms, "rds.1").keys(), QStringList{"name"});
        QCOMPARE(fms.rds(1).gmin[31], RDSGroupRate());
        QTest::ignoreMessage(QtDebugMsg, "FMS: del rds.1/gmin/*");
        QCOMPARE(fms.del(QStringLiteral("rds.1.gmin.*")), 6);
    }

    void deleteOddItemNumbers()
    {
        // Item numbers of a hand-edited file beyond the int range name only
        // themselves: item 0 and the others stay where they are.
        TempProject p("[board]\ngmin=1\n[tmc.1]\nname=T\n0=1 0 100 1 1\n1=1 0 101 1 1\n"
                      "99999999999=1 0 102 1 1\n2147483647=1 0 103 1 1\n");
        FMSettings fms(p.path());
        fms.dirty = false;
        QCOMPARE(fms.del(QStringLiteral("tmc.1.99999999999")), 0);
        QVERIFY(fms.dirty);
        QCOMPARE(fms.del(QStringLiteral("tmc.1.2147483647")), 0);
        QCOMPARE(p.fileKeys("tmc.1"), (QStringList{"0", "1", "name"}));
        QCOMPARE(p.fileValue("tmc.1/0").toString(), QStringLiteral("1 0 100 1 1"));
        QCOMPARE(fms.tmc(1).messages.size(), 2);
    }

    void dirtyMark()
    {
        // Every operation that changes the file marks the project changed;
        // refused or unchanged ones do not.
        TempProject p(kProject);
        FMSettings fms(p.path());
        struct Step
        {
            std::function<int()> op;
            int code;
            bool dirty;
        };
        const QList<Step> steps{
            {[&] { return fms.set(QStringLiteral("channel.1,2.gain"), -1, true); }, 0, true},
            {[&] { return fms.set(QStringLiteral("channel.1,2.gain"), -1, true); }, 3, false},
            {[&] { return fms.set(QStringLiteral("channel.1.gain"), 9, true); }, 2, false},
            {[&] { return fms.add(QStringLiteral("rds.1.afs"), 958); }, 0, true},
            {[&] { return fms.add(QStringLiteral("tmc.1"), QStringLiteral("1 0 1 1 1")); }, 0, true},
            {[&] { return fms.del(QStringLiteral("tmc.1.5")); }, 0, true},
            {[&] { return fms.del(QStringLiteral("tmc.1.0")); }, 0, true},
            {[&] { return fms.del(QStringLiteral("rds.1.afs")); }, 0, true},
            {[&] { return fms.del(QStringLiteral("rds.1.eon.*")); }, 0, true},
            {[&] { return fms.del(QStringLiteral("rds.1.eon.*")); }, 6, false},
            {[&] { return fms.set(QStringLiteral("board.attn"), -3, true); }, 0, true},
        };
        for (int i = 0; i < steps.size(); ++i) {
            fms.dirty = false;
            QCOMPARE(steps.at(i).op(), steps.at(i).code);
            QVERIFY2(fms.dirty == steps.at(i).dirty, qPrintable(QString::number(i)));
        }
    }

    void listing()
    {
        QByteArray ini = "[board]\ngmin=1\n[tmc.1]\nname=T\naid=1\n";
        for (int i = 0; i < 12; ++i)
            ini += QByteArray::number(i) + "=1 0 1 1 1\n";
        ini += "[rds.10]\nname=a\n[rds.2]\nname=b\n[channel.12]\nused=1\n[channel.2]\nused=1\n"
               "[audio.1]\nname=a\n[playlist.3]\nname=p\n[events.1]\nrepeat=1\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        QStringList expected;
        for (int i = 0; i < 12; ++i)
            expected << QStringLiteral("tmc.1.%1").arg(i);
        expected << QStringLiteral("tmc.1.aid") << QStringLiteral("tmc.1.name");
        QCOMPARE(fms.listKeys(QStringLiteral("tmc.1")), expected);
        QCOMPARE(fms.listKeys(QStringLiteral("rds")), (QStringList{"rds.2", "rds.10"}));
        const QStringList all = fms.listKeys(QString());
        QCOMPARE(all.mid(0, 7), (QStringList{"channel.2", "channel.12", "audio.1", "playlist.3", "rds.2", "rds.10",
                                             "tmc.1"}));
        QVERIFY(all.contains(QStringLiteral("board")));
        QVERIFY(all.contains(QStringLiteral("events.1")));
        QVERIFY(fms.listKeys(QStringLiteral("nothing")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFmsValidate)
#include "tst_fmsvalidate.moc"
