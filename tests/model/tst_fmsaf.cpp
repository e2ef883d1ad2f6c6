#include "FMSettings.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

QByteArray channel(int ch, const char *freq, int idrds)
{
    return QByteArray("[channel.") + QByteArray::number(ch) + "]\nused=1\nfreq=" + freq + "\nidrds=" +
           QByteArray::number(idrds) + "\n";
}

QByteArray source(int id, const char *pi, const char *extra = "")
{
    return QByteArray("[rds.") + QByteArray::number(id) + "]\nname=S" + QByteArray::number(id) + "\npi=" + pi +
           "\n" + extra;
}

QString freqs(const QList<RDSAFEntry> &list)
{
    QStringList parts;
    for (const RDSAFEntry &e : list)
        parts << QStringLiteral("%1/%2/%3").arg(e.freq).arg(e.mark).arg(e.regional);
    return parts.join(QLatin1Char(' '));
}

// The values the observer received for one key.
QStringList valuesOf(const RecordingObserver &obs, const QString &key)
{
    QStringList values;
    for (const auto &r : obs.records()) {
        if (r.key == key)
            values << r.value.toString();
    }
    return values;
}

} // namespace

class TestFmsAf : public QObject
{
    Q_OBJECT

private slots:
    void sharedPiBothWays()
    {
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", 1) + channel(5, "101.1", 2) +
                      channel(7, "90.05", 3) + source(1, "d311", "afs=1034\n") + source(2, "d311") +
                      source(3, "d399"));
        FMSettings fms(p.path());
        fms.setBoardCount(4); // takes the used channels of all boards
        RecordingObserver obs;
        fms.registerKey(QStringLiteral("*"), &obs);
        fms.updateAF(true);
        QCOMPARE(freqs(fms.rds(1).af), QStringLiteral("958/1/0 1011/5/0"));
        QCOMPARE(freqs(fms.rds(2).af), QStringLiteral("958/1/0 1011/5/0"));
        // A PI of its own: only the channel's own frequency (90.05 rounds half up).
        QCOMPARE(freqs(fms.rds(3).af), QStringLiteral("901/7/0"));
        QVERIFY(obs.flush());
        QCOMPARE(valuesOf(obs, "rds.1/af"), QStringList{"958 1011 1034"});
        QCOMPARE(valuesOf(obs, "rds.2/af"), QStringList{"958 1011"});
        QCOMPARE(valuesOf(obs, "rds.3/af"), QStringList{"901"});

        // Nothing changed: nothing is broadcast or stored.
        obs.clear();
        fms.dirty = false;
        fms.updateAF(false);
        QVERIFY(obs.flush());
        QCOMPARE(obs.count(), 0);
        QVERIFY(!fms.dirty);
        fms.unregisterObserver(&obs);
    }

    void equalFrequenciesAndRegional()
    {
        TempProject p("[board]\ngmin=1\n" + channel(2, "95.8", 1) + channel(3, "95.8", 2) +
                      channel(9, "98.4", 2) + source(1, "d311", "afr=984\n") + source(2, "d311"));
        FMSettings fms(p.path());
        fms.setBoardCount(4); // takes the used channels of all boards
        fms.updateAF(true);
        // One entry per frequency, with the channel met first; regional by the
        // contributing channel's own source.
        QCOMPARE(freqs(fms.rds(1).af), QStringLiteral("958/2/0 984/9/0"));
        QCOMPARE(freqs(fms.rds(2).af), QStringLiteral("958/2/0 984/9/0"));
        fms.setAfr(2, 984);
        QCOMPARE(freqs(fms.rds(2).af), QStringLiteral("958/2/0 984/9/1"));
    }

    void unlinkedAndMissingSources()
    {
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", 1) + channel(2, "96.0", 0) +
                      channel(3, "97.0", 42) + channel(4, "98.0", 1) + "[channel.5]\nused=1\nfreq=99\nidrds=x\n" +
                      source(1, "d311"));
        FMSettings fms(p.path());
        fms.setBoardCount(4); // takes the used channels of all boards
        fms.updateAF(true);
        QCOMPARE(freqs(fms.rds(1).af), QStringLiteral("958/1/0 980/4/0"));
        // A link to a source that does not exist makes no record.
        QVERIFY(!fms.rdsMap().contains(42));
        QCOMPARE(fms.rdsMap().keys(), QList<int>{1});
    }

    void handEditedHugeFrequency()
    {
        // A frequency far outside any band gives no AF code; it is held to the
        // largest value instead of overflowing the conversion.
        TempProject p("[board]\ngmin=1\n" + channel(1, "1e300", 1) + channel(2, "-1e300", 2) +
                      channel(3, "95.8", 2) + source(1, "d311") + source(2, "d311"));
        FMSettings fms(p.path());
        fms.setBoardCount(4);
        fms.updateAF(true);
        QCOMPARE(freqs(fms.rds(1).af), QStringLiteral("2147483647/1/0 958/3/0"));
        QCOMPARE(freqs(fms.rds(2).af), QStringLiteral("2147483647/1/0 958/3/0"));
    }

    void afsAndAfr()
    {
        TempProject p("[board]\ngmin=1\n" + source(1, "d311", "afr=1012\n"));
        FMSettings fms(p.path());
        fms.setBoardCount(4); // takes the used channels of all boards
        QList<RDSAFEntry> list = parseAfList(QStringLiteral("958 -1012"));
        QVERIFY(!fms.setAfs(0, list));
        QTest::ignoreMessage(QtDebugMsg, "FMS: set rds.1.afs 958 -1012");
        QVERIFY(fms.setAfs(1, list));
        QCOMPARE(int(list.at(1).regional), 1);
        QCOMPARE(p.fileValue("rds.1/afs").toString(), QStringLiteral("958 -1012"));
        // Unchanged: nothing logged (an unexpected message would fail the test).
        QVERIFY(fms.setAfs(1, list));

        QTest::ignoreMessage(QtDebugMsg, "FMS: set rds.1.afr 1012 958");
        fms.setAfr(1, 958);
        QCOMPARE(fms.rds(1).afr, (QList<qint32>{1012, 958}));
        QCOMPARE(int(fms.rds(1).afs.at(0).regional), 1);
        QTest::ignoreMessage(QtDebugMsg, "FMS: set rds.1.afr 1012");
        fms.setAfr(1, 958);
        QCOMPARE(p.fileValue("rds.1/afr").toString(), QStringLiteral("1012"));
        QCOMPARE(int(fms.rds(1).afs.at(0).regional), 0);
        fms.setAfr(0, 958);
        QVERIFY(!fms.rdsMap().contains(0));
    }

    void eonListsFollow()
    {
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", 2) + channel(5, "101.1", 3) +
                      source(1, "d311", "eon\\0=1 0 10 1 0 0\neon\\1=0 0 10 1 0 0\neon\\1\\af=999\n") +
                      source(2, "d312", "afs=1034\n") + source(3, "d312"));
        FMSettings fms(p.path());
        fms.setBoardCount(4); // takes the used channels of all boards
        fms.updateAF(true);
        QCOMPARE(p.fileValue("rds.1/eon/0/af").toString(), QStringLiteral("958 1011 1034"));
        QCOMPARE(afListText(fms.rds(1).eon.at(0).af), QStringLiteral("958 1011 1034"));
        // Channel 0: the entry keeps its list.
        QCOMPARE(afListText(fms.rds(1).eon.at(1).af), QStringLiteral("999"));
    }

    void eonListsOfHandNumberedEntries()
    {
        // Entries numbered -1, 2 and 07 by hand are the list positions 0, 1
        // and 2: the loader renumbers their keys, so that the automatic AF
        // list of position 1 is stored with the entry at position 1 and a
        // reload finds every list where it was.
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", 2) + channel(5, "101.1", 3) +
                      source(1, "d311",
                             "eon\\-1=0 0 10 1 0 0\neon\\-1\\af=999\neon\\-1\\ps=MINUS\n"
                             "eon\\2=1 0 10 1 0 0\neon\\2\\ps=TWO\n"
                             "eon\\07=0 0 10 1 0 7\neon\\07\\af=777\n"
                             "eon\\4\\af=444\n") +
                      source(2, "d312", "afs=1034\n") + source(3, "d312"));
        QList<EON> loaded;
        {
            FMSettings fms(p.path());
            fms.setBoardCount(4);
            fms.updateAF(true);
            loaded = fms.rds(1).eon;
            QCOMPARE(loaded.size(), 3);
            QCOMPARE(afListText(loaded.at(0).af), QStringLiteral("999"));
            QCOMPARE(afListText(loaded.at(1).af), QStringLiteral("958 1011 1034"));
            QCOMPARE(afListText(loaded.at(2).af), QStringLiteral("777"));
            QCOMPARE(p.fileGroup(fms, "rds.1/eon"),
                     (QMap<QString, QString>{{"0", "0 0 10 1 0 0"},
                                             {"0/af", "999"},
                                             {"0/ps", "MINUS"},
                                             {"1", "1 0 10 1 0 0"},
                                             {"1/af", "958 1011 1034"},
                                             {"1/ps", "TWO"},
                                             {"2", "0 0 10 1 0 7"},
                                             {"2/af", "777"}}));
        }
        FMSettings again(p.path());
        const QList<EON> reloaded = again.rds(1).eon;
        QCOMPARE(reloaded.size(), 3);
        for (int m = 0; m < 3; ++m) {
            QCOMPARE(afListText(reloaded.at(m).af), afListText(loaded.at(m).af));
            QCOMPARE(reloaded.at(m).link, loaded.at(m).link);
        }
    }
};

QTEST_GUILESS_MAIN(TestFmsAf)
#include "tst_fmsaf.moc"
