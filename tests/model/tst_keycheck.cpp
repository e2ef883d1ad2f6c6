#include "FMSettings.h"
#include "KeyCheck.h"

#include <QtTest>

using namespace KeyCheck;

class TestKeyCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FMSettings::buildKeyTable(); }

    void checkValues()
    {
        struct Case
        {
            const char *row;
            QVariant value;
            int result;
        };
        const Case cases[] = {
            {"channel.gain", "-60", Ok}, {"channel.gain", "5", OutOfRange}, {"channel.gain", "abc", OutOfRange},
            {"channel.gain", "nan", OutOfRange}, {"channel.gain", "-inf", OutOfRange}, {"channel.gain", -6, Ok},
            // Booleans: any text reads, "yes" as on.
            {"channel.used", "yes", Ok}, {"channel.used", "", Ok},
            {"rds.pi", "cafe", Ok}, {"rds.pi", "FFFF", Ok}, {"rds.pi", "10000", OutOfRange},
            {"rds.pi", "-1", OutOfRange}, {"rds.pi", "xyz", OutOfRange},
            // A second sign is no number; negating the smallest 64-bit number would overflow.
            {"rds.pi", "--5", OutOfRange}, {"rds.pi", "-+5", OutOfRange},
            {"rds.pi", "--8000000000000000", OutOfRange}, {"tmc.skt.", "0 --8000000000000000", OutOfRange},
            // Strings: the range bounds the length; without a range anything goes.
            {"rds.pn1", "12345678", Ok}, {"rds.pn1", "123456789", OutOfRange}, {"rds.pn1", QString(), Ok},
            {"rds.ps", QString(300, QLatin1Char('x')), Ok},
            // Lists.
            {"rds.eon.", "3 1234 10 1 0 ab", Ok}, {"rds.eon.", "3 1234  10 1 0", WrongCount},
            {"rds.eon.", " 3 1234 10 1 0 ab 7", WrongCount},
            {"rds.afs", "958 -1012  1034", Ok}, {"rds.afs", "958 16101", OutOfRange},
            {"rds.afs", "958 x", OutOfRange}, {"rds.afs", QString(), Ok},
            {"tmc.skt.", "0 a5 ffff", Ok}, {"tmc.skt.", "0 a5 10000", OutOfRange},
            {"rds.gmin.", "1 685 -685 0 0", Ok}, {"rds.gmin.", "1 686", OutOfRange},
            // No range and a count of 1 or 0: anything.
            {"tmc.", "1 8 101 200 1 5 7 9", Ok}, {"rds.rttag.", "3 a b c", WrongCount},
            {"rds.rttag.", "3 title", Ok},
        };
        for (const Case &c : cases) {
            KeyDesc d;
            QVERIFY2(FMSettings::keyDesc(QLatin1String(c.row), d), c.row);
            const QString id = QStringLiteral("%1 \"%2\": ").arg(QLatin1String(c.row), c.value.toString());
            QCOMPARE(id + QString::number(checkValue(d, c.value)), id + QString::number(c.result));
        }
    }

    void indexRanges()
    {
        const std::tuple<const char *, int, bool> cases[] = {
            {"channel.", 1, true}, {"channel.", 96, true}, {"rds.", 5000, true}, {"board.", 0, true},
            {"channel.", 0, false}, {"channel.", 97, false}, {"rds.", 0, false}, {"tmc.", -1, false},
            {"audio.", 0, false}, {"playlist.", 0, false}};
        for (const auto &c : cases)
            QVERIFY2(indexInRange(QLatin1String(std::get<0>(c)), std::get<1>(c)) == std::get<2>(c),
                     qPrintable(QStringLiteral("%1%2").arg(QLatin1String(std::get<0>(c))).arg(std::get<1>(c))));
    }

    void keyOrder()
    {
        const QStringList keys{"10", "2", "aid", "0", "eon/1/ps", "1", "name", "02"};
        QCOMPARE(orderGroupKeys(QStringLiteral("tmc.1"), keys),
                 (QStringList{"tmc.1.0", "tmc.1.1", "tmc.1.02", "tmc.1.10", "tmc.1.aid", "tmc.1.eon/1/ps",
                              "tmc.1.name"}));
        QVERIFY(orderGroupKeys(QStringLiteral("x"), {}).isEmpty());

        const QStringList groups{"board", "tmc.1", "rds.10", "rds.2", "channel.12", "events.1", "audio.3",
                                 "channel.2", "playlist.1", "Rds.3", "rds.x", "audio.1001"};
        QCOMPARE(orderTopGroups(QString(), groups),
                 (QStringList{"channel.2", "channel.12", "audio.3", "audio.1001", "playlist.1", "rds.2",
                              "rds.10", "tmc.1", "board", "events.1", "Rds.3", "rds.x"}));
        QCOMPARE(orderTopGroups(QStringLiteral("RDS"), groups), (QStringList{"rds.2", "rds.10", "Rds.3", "rds.x"}));
        QVERIFY(orderTopGroups(QStringLiteral("nothing"), groups).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeyCheck)
#include "tst_keycheck.moc"
