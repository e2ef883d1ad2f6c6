#include "Event.h"

#include <QtTest>

class TestEvent : public QObject
{
    Q_OBJECT

private slots:
    void parseStoredValues();
    void rejectMalformedValues();
    void storedFormRoundTrip();
};

void TestEvent::parseStoredValues()
{
    struct Case
    {
        const char *stored;
        u32 time;
        u8 type;
        u16 number;
        const char *command;
        const char *field;
    };
    const Case cases[] = {
        {"1500 channel.12.freq 95.8", 1500, Event::Channel, 12, "channel.12.freq 95.8", "freq 95.8"},
        {"  2000 RDS.1.ps   NEWS  TODAY ", 2000, Event::Rds, 1, "RDS.1.ps   NEWS  TODAY", "ps NEWS TODAY"},
        {"7 audio.3.file a.mp3", 7, Event::Audio, 3, "audio.3.file a.mp3", "file a.mp3"},
        {"7 playlist.2.0 /x.mp3", 7, Event::Playlist, 2, "playlist.2.0 /x.mp3", "0 /x.mp3"},
        {"7 tmc.4.0 1 8 101 200 1", 7, Event::Tmc, 4, "tmc.4.0 1 8 101 200 1", "0 1 8 101 200 1"},
        // A section outside the five, and a number in the value only.
        {"9 board.band 1.5", 9, Event::Other, 0, "board.band 1.5", "band 1.5"},
        {"1500", 1500, Event::Other, 0, "", ""},
        // A number that does not fit 16 bits is not wrapped.
        {"1 channel.65537.used 1", 1, Event::Channel, 0, "channel.65537.used 1", "used 1"},
        {"1 channel.x.used 1", 1, Event::Channel, 0, "channel.x.used 1", "used 1"},
        {"4294967295 channel.1.used 1", 4294967295u, Event::Channel, 1, "channel.1.used 1", "used 1"},
    };
    for (const Case &c : cases) {
        Event e;
        QVERIFY2(Event::fromStored(QString::fromLatin1(c.stored), &e), c.stored);
        const QString got = QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                                .arg(e.time).arg(e.type).arg(e.kind).arg(e.number).arg(e.command, e.field)
                                .arg(e.word1 + e.word2);
        const QString want = QStringLiteral("%1|%2|%3|%4|%5|%6|0")
                                 .arg(c.time).arg(c.type).arg(c.type).arg(c.number)
                                 .arg(QLatin1String(c.command), QLatin1String(c.field));
        QCOMPARE(got, want);
    }
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

QTEST_GUILESS_MAIN(TestEvent)
#include "tst_event.moc"
