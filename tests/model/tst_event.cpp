#include "Event.h"

#include <QtTest>

class TestEvent : public QObject
{
    Q_OBJECT

private slots:
    void parseStoredValues();
    void rejectMalformedValues();
    void storedFormRoundTrip();
    void copyKeepsEveryField();
};

void TestEvent::parseStoredValues()
{
    Event e;
    QVERIFY(Event::fromStored(QStringLiteral("1500 channel.12.freq 95.8"), &e));
    QCOMPARE(e.time, u32(1500));
    QCOMPARE(e.type, u8(Event::Channel));
    QCOMPARE(e.kind, u16(Event::Channel));
    QCOMPARE(e.number, u16(12));
    QCOMPARE(e.command, QStringLiteral("channel.12.freq 95.8"));
    QCOMPARE(e.field, QStringLiteral("freq 95.8"));
    QCOMPARE(e.word1, u32(0));
    QCOMPARE(e.word2, u32(0));

    QVERIFY(Event::fromStored(QStringLiteral("  2000 RDS.1.ps   NEWS  TODAY "), &e));
    QCOMPARE(e.time, u32(2000));
    QCOMPARE(e.type, u8(Event::Rds));
    QCOMPARE(e.number, u16(1));
    QCOMPARE(e.command, QStringLiteral("RDS.1.ps   NEWS  TODAY"));
    QCOMPARE(e.field, QStringLiteral("ps NEWS TODAY"));

    QVERIFY(Event::fromStored(QStringLiteral("7 audio.3.file a.mp3"), &e));
    QCOMPARE(e.type, u8(Event::Audio));
    QCOMPARE(e.number, u16(3));
    QCOMPARE(e.field, QStringLiteral("file a.mp3"));
    QVERIFY(Event::fromStored(QStringLiteral("7 playlist.2.0 /x.mp3"), &e));
    QCOMPARE(e.type, u8(Event::Playlist));
    QVERIFY(Event::fromStored(QStringLiteral("7 tmc.4.0 1 8 101 200 1"), &e));
    QCOMPARE(e.type, u8(Event::Tmc));
    QCOMPARE(e.number, u16(4));

    // A section outside the five, and a number in the value only.
    QVERIFY(Event::fromStored(QStringLiteral("9 board.band 1.5"), &e));
    QCOMPARE(e.type, u8(Event::Other));
    QCOMPARE(e.number, u16(0));
    QCOMPARE(e.field, QStringLiteral("band 1.5"));

    // No command at all.
    QVERIFY(Event::fromStored(QStringLiteral("1500"), &e));
    QCOMPARE(e.time, u32(1500));
    QVERIFY(e.command.isEmpty());
    QCOMPARE(e.type, u8(Event::Other));
    QVERIFY(e.field.isEmpty());

    // A number that does not fit 16 bits is not wrapped.
    QVERIFY(Event::fromStored(QStringLiteral("1 channel.65537.used 1"), &e));
    QCOMPARE(e.number, u16(0));
    QVERIFY(Event::fromStored(QStringLiteral("1 channel.x.used 1"), &e));
    QCOMPARE(e.number, u16(0));
    QVERIFY(Event::fromStored(QStringLiteral("4294967295 channel.1.used 1"), &e));
    QCOMPARE(e.time, u32(4294967295u));
}

void TestEvent::rejectMalformedValues()
{
    Event e;
    e.time = 42;
    for (const char *bad : {"abc channel.1.used 1", "", "   ", "-5 channel.1.used 1",
                            "+5 channel.1.used 1", "12a channel.1.used 1", "4294967296 x.1.y 1",
                            "99999999999999999999999 x"}) {
        QVERIFY2(!Event::fromStored(QString::fromLatin1(bad), &e), bad);
        QCOMPARE(e.time, u32(42));
    }
}

void TestEvent::storedFormRoundTrip()
{
    Event e;
    QVERIFY(Event::fromStored(QStringLiteral("1500"), &e));
    QCOMPARE(e.toStored(), QStringLiteral("1500"));
    QVERIFY(Event::fromStored(QStringLiteral("500 channel.2.freq 99.1"), &e));
    QCOMPARE(e.toStored(), QStringLiteral("500 channel.2.freq 99.1"));
    Event f;
    f.time = 0;
    f.command = QStringLiteral("rds.1.rta a  b");
    QCOMPARE(f.toStored(), QStringLiteral("0 rds.1.rta a  b"));
}

void TestEvent::copyKeepsEveryField()
{
    Event a;
    a.time = 1;
    a.type = Event::Tmc;
    a.number = 2;
    a.kind = 3;
    a.word1 = 4;
    a.word2 = 5;
    a.command = QStringLiteral("c");
    a.field = QStringLiteral("f");
    Event b = a;
    QCOMPARE(b, a);
    Event c;
    c = a;
    QCOMPARE(c, a);
    c.word2 = 6;
    QVERIFY(c != a);
}

QTEST_GUILESS_MAIN(TestEvent)
#include "tst_event.moc"
