#include "FMSettings.h"
#include "KeyCheck.h"

#include <QtTest>

using namespace KeyCheck;

namespace {

KeyDesc row(const char *genericKey)
{
    KeyDesc d;
    if (!FMSettings::keyDesc(QLatin1String(genericKey), d))
        qFatal("no row %s", genericKey);
    return d;
}

} // namespace

class TestKeyCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FMSettings::buildKeyTable(); }

    void scalars()
    {
        const KeyDesc gain = row("channel.gain");
        QCOMPARE(checkValue(gain, QStringLiteral("-60")), int(Ok));
        QCOMPARE(checkValue(gain, QStringLiteral("5")), int(OutOfRange));
        QCOMPARE(checkValue(gain, QStringLiteral("abc")), int(OutOfRange));
        QCOMPARE(checkValue(gain, QStringLiteral("nan")), int(OutOfRange));
        QCOMPARE(checkValue(gain, QStringLiteral("-inf")), int(OutOfRange));
        QCOMPARE(checkValue(gain, -6), int(Ok));

        // Booleans: any text reads, "yes" as on.
        const KeyDesc used = row("channel.used");
        QCOMPARE(checkValue(used, QStringLiteral("yes")), int(Ok));
        QCOMPARE(checkValue(used, QStringLiteral("")), int(Ok));

        const KeyDesc pi = row("rds.pi");
        QCOMPARE(checkValue(pi, QStringLiteral("cafe")), int(Ok));
        QCOMPARE(checkValue(pi, QStringLiteral("FFFF")), int(Ok));
        QCOMPARE(checkValue(pi, QStringLiteral("10000")), int(OutOfRange));
        QCOMPARE(checkValue(pi, QStringLiteral("-1")), int(OutOfRange));
        QCOMPARE(checkValue(pi, QStringLiteral("xyz")), int(OutOfRange));
        // A second sign is no number; negating the smallest 64-bit number
        // would overflow.
        QCOMPARE(checkValue(pi, QStringLiteral("--5")), int(OutOfRange));
        QCOMPARE(checkValue(pi, QStringLiteral("-+5")), int(OutOfRange));
        QCOMPARE(checkValue(pi, QStringLiteral("--8000000000000000")), int(OutOfRange));
        QCOMPARE(checkValue(row("tmc.skt."), QStringLiteral("0 --8000000000000000")), int(OutOfRange));

        // Strings: the range bounds the length; without a range anything goes.
        const KeyDesc pn1 = row("rds.pn1");
        QCOMPARE(checkValue(pn1, QStringLiteral("12345678")), int(Ok));
        QCOMPARE(checkValue(pn1, QStringLiteral("123456789")), int(OutOfRange));
        QCOMPARE(checkValue(pn1, QString()), int(Ok));
        QCOMPARE(checkValue(row("rds.ps"), QString(300, QLatin1Char('x'))), int(Ok));
    }

    void lists()
    {
        const KeyDesc eon = row("rds.eon.");
        QCOMPARE(checkValue(eon, QStringLiteral("3 1234 10 1 0 ab")), int(Ok));
        QCOMPARE(checkValue(eon, QStringLiteral("3 1234  10 1 0")), int(WrongCount));
        QCOMPARE(checkValue(eon, QStringLiteral(" 3 1234 10 1 0 ab 7")), int(WrongCount));

        const KeyDesc afs = row("rds.afs");
        QCOMPARE(checkValue(afs, QStringLiteral("958 -1012  1034")), int(Ok));
        QCOMPARE(checkValue(afs, QStringLiteral("958 16101")), int(OutOfRange));
        QCOMPARE(checkValue(afs, QStringLiteral("958 x")), int(OutOfRange));
        QCOMPARE(checkValue(afs, QString()), int(Ok));

        const KeyDesc skt = row("tmc.skt.");
        QCOMPARE(checkValue(skt, QStringLiteral("0 a5 ffff")), int(Ok));
        QCOMPARE(checkValue(skt, QStringLiteral("0 a5 10000")), int(OutOfRange));

        const KeyDesc gmin = row("rds.gmin.");
        QCOMPARE(checkValue(gmin, QStringLiteral("1 685 -685 0 0")), int(Ok));
        QCOMPARE(checkValue(gmin, QStringLiteral("1 686")), int(OutOfRange));

        // No range and a count of 1 or 0: anything.
        QCOMPARE(checkValue(row("tmc."), QStringLiteral("1 8 101 200 1 5 7 9")), int(Ok));
        QCOMPARE(checkValue(row("rds.rttag."), QStringLiteral("3 a b c")), int(WrongCount));
        QCOMPARE(checkValue(row("rds.rttag."), QStringLiteral("3 title")), int(Ok));
    }

    void indexRanges()
    {
        QVERIFY(indexInRange(QStringLiteral("channel."), 1));
        QVERIFY(indexInRange(QStringLiteral("channel."), 96));
        QVERIFY(!indexInRange(QStringLiteral("channel."), 0));
        QVERIFY(!indexInRange(QStringLiteral("channel."), 97));
        QVERIFY(!indexInRange(QStringLiteral("rds."), 0));
        QVERIFY(!indexInRange(QStringLiteral("tmc."), -1));
        QVERIFY(!indexInRange(QStringLiteral("audio."), 0));
        QVERIFY(!indexInRange(QStringLiteral("playlist."), 0));
        QVERIFY(indexInRange(QStringLiteral("rds."), 5000));
        QVERIFY(indexInRange(QStringLiteral("board."), 0));
    }

    void groupKeyOrder()
    {
        const QStringList keys{"10", "2", "aid", "0", "eon/1/ps", "1", "name", "02"};
        QCOMPARE(orderGroupKeys(QStringLiteral("tmc.1"), keys),
                 (QStringList{"tmc.1.0", "tmc.1.1", "tmc.1.02", "tmc.1.10", "tmc.1.aid", "tmc.1.eon/1/ps",
                              "tmc.1.name"}));
        QVERIFY(orderGroupKeys(QStringLiteral("x"), {}).isEmpty());
    }

    void topGroupOrder()
    {
        const QStringList groups{"board", "tmc.1", "rds.10", "rds.2", "channel.12", "events.1", "audio.3",
                                 "channel.2", "playlist.1", "Rds.3", "rds.x", "audio.1001"};
        QCOMPARE(orderTopGroups(QString(), groups),
                 (QStringList{"channel.2", "channel.12", "audio.3", "audio.1001", "playlist.1", "rds.2",
                              "rds.10", "tmc.1", "board", "events.1", "Rds.3", "rds.x"}));
        QCOMPARE(orderTopGroups(QStringLiteral("RDS"), groups),
                 (QStringList{"rds.2", "rds.10", "Rds.3", "rds.x"}));
        QVERIFY(orderTopGroups(QStringLiteral("nothing"), groups).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeyCheck)
#include "tst_keycheck.moc"
