#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QTest>

#include <climits>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {

Event rollEvent(u32 time, const QString &command)
{
    Event e;
    e.time = time;
    e.command = command;
    return e;
}

QStringList stored(const QList<Event> &events)
{
    QStringList out;
    for (const Event &e : events)
        out.append(e.toStored());
    return out;
}

} // namespace

class TestEventRoll : public QObject
{
    Q_OBJECT

private slots:
    void parseStoredValues();
    void loadSortsByTimeKeepingKeyOrder();
    void saveReplacesTheGroup();
    void singleEventAndOptions();
};

void TestEventRoll::parseStoredValues()
{
    const struct
    {
        const char *stored;
        u32 time;
        u8 type;
        u16 number;
        const char *command, *field;
    } cases[] = {
        {"  2000 RDS.1.ps   NEWS  TODAY ", 2000, Event::Rds, 1, "RDS.1.ps   NEWS  TODAY", "ps NEWS TODAY"},
        {"7 tmc.4.0 1 8 101 200 1", 7, Event::Tmc, 4, "tmc.4.0 1 8 101 200 1", "0 1 8 101 200 1"},
        {"9 board.band 1.5", 9, Event::Other, 0, "board.band 1.5", "band 1.5"},
        {"1500", 1500, Event::Other, 0, "", ""},
        // A number that does not fit 16 bits is not wrapped.
        {"1 channel.65537.used 1", 1, Event::Channel, 0, "channel.65537.used 1", "used 1"},
        {"4294967295 channel.1.used 1", 4294967295u, Event::Channel, 1, "channel.1.used 1", "used 1"},
    };
    for (const auto &c : cases) {
        Event e;
        QVERIFY2(Event::fromStored(QString::fromLatin1(c.stored), &e), c.stored);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5").arg(e.time).arg(e.type).arg(e.number).arg(e.command, e.field),
                 QStringLiteral("%1|%2|%3|%4|%5").arg(c.time).arg(c.type).arg(c.number)
                     .arg(QLatin1String(c.command), QLatin1String(c.field)));
        QCOMPARE(Event::fromStored(e.toStored(), &e), true);
    }
    // A time beyond 32 bits, a sign or junk: no event, nothing changed.
    Event e;
    e.time = 42;
    for (const char *bad : {"abc channel.1.used 1", "", "-5 channel.1.used 1", "+5 x", "4294967296 x.1.y 1"}) {
        QVERIFY2(!Event::fromStored(QString::fromLatin1(bad), &e), bad);
        QCOMPARE(e.time, u32(42));
    }
}

// Equal times replay in key order (10 after 2); malformed entries are skipped; missing options read as repeat
// and nothing expanded.
void TestEventRoll::loadSortsByTimeKeepingKeyOrder()
{
    TempProject file("[board]\ngmin=1\n[events.1]\n0=2000 rds.1.ps NEWS\n1=500 channel.2.freq 99.1\n"
                     "2=500 audio.3.file a.mp3\n10=500 tmc.1.0 1\n3=0 board.band 1\n"
                     "[events.2]\n0=1500\n1=abc channel.1.used 1\nx=100 c.1.u 1\n-1=100 c.1.u 1\n"
                     "2=4294967296 c.1.u 1\n3=  700   channel.1.used 0  \n4=\nrepeat=false\nexpand=105 203 105\n");
    FMSettings project(file.path());
    QSet<int> expanded{7};
    bool repeat = false;
    QCOMPARE(stored(project.loadRoll("events.1", expanded, repeat)),
             (QStringList{"0 board.band 1", "500 channel.2.freq 99.1", "500 audio.3.file a.mp3", "500 tmc.1.0 1",
                          "2000 rds.1.ps NEWS"}));
    QVERIFY(repeat && expanded.isEmpty());
    QCOMPARE(stored(project.loadRoll("events.2", expanded, repeat)), (QStringList{"700   channel.1.used 0", "1500"}));
    QVERIFY(!repeat);
    QCOMPARE(expanded, (QSet<int>{0x105, 0x203}));
}

void TestEventRoll::saveReplacesTheGroup()
{
    TempProject file("[board]\ngmin=1\n"
                     "[events.1]\n0=1 a.1.b 1\n1=2 a.1.b 2\n2=3 a.1.b 3\n3=4 a.1.b 4\nrepeat=false\nextra=x\n"
                     "[channel.1]\nused=1\n");
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    QVERIFY(!project.dirty);

    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll events.1 2");
    project.setRoll("events.1", {rollEvent(1500, "channel.1.freq 95.8"), rollEvent(1500, QString())}, {0x105, 0x203},
                    true);
    QCOMPARE(file.fileGroup(project, "events.1"),
             (QMap<QString, QString>{
                 {"0", "1500 channel.1.freq 95.8"}, {"1", "1500"}, {"expand", "105 203"}, {"repeat", "true"}}));
    QVERIFY(project.dirty);

    QSet<int> expanded;
    bool repeat = false;
    const QList<Event> events = project.loadRoll("events.1", expanded, repeat);

    // Numbers of a hand-edited roll that are negative keep their sign.
    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll events.1 2");
    project.setRoll("events.1", events, {-0x5219, -1, INT_MIN, 0x105}, true);
    QCOMPARE(file.fileGroup(project, "events.1").value("expand"), QStringLiteral("-80000000 -5219 -1 105"));
    project.loadRoll("events.1", expanded, repeat);
    QCOMPARE(expanded, (QSet<int>{-0x5219, -1, INT_MIN, 0x105}));

    // No group name: nothing is written, least of all a whole-file removal.
    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll  1");
    project.setRoll(QString(), {rollEvent(1, "x")}, {}, true);
    QCOMPARE(file.fileGroup(project, "channel.1").value("used"), QStringLiteral("1"));
    // The roll is the editor's own: no observer is told of any of it.
    QCOMPARE(all.take(), QStringList());
}

void TestEventRoll::singleEventAndOptions()
{
    TempProject file("[board]\ngmin=1\n[events.1]\n0=100 channel.1.used 1\n1=200 channel.1.used 0\n");
    FMSettings project(file.path());
    KeyWatch all(project, "*");

    QTest::ignoreMessage(QtDebugMsg, "Evt: set event 1 250 channel.1.used 0");
    project.setEvent(1, "events.1", rollEvent(250, "channel.1.used 0"));
    QVERIFY(project.dirty);
    QCOMPARE(file.fileGroup(project, "events.1"),
             (QMap<QString, QString>{{"0", "100 channel.1.used 1"}, {"1", "250 channel.1.used 0"}}));

    // The same entry again changes nothing.
    project.dirty = false;
    QTest::ignoreMessage(QtDebugMsg, "Evt: set event 1 250 channel.1.used 0");
    project.setEvent(1, "events.1", rollEvent(250, "channel.1.used 0"));
    QVERIFY(!project.dirty);
    project.setRollOptions("events.1", {0x203, 0x105}, false);
    QVERIFY(project.dirty);
    QCOMPARE(file.fileGroup(project, "events.1").value("expand"), QStringLiteral("105 203"));
    project.dirty = false;
    project.setRollOptions("events.1", {0x105, 0x203}, false);
    QVERIFY(!project.dirty);
    QCOMPARE(all.take(), QStringList());
}

QTEST_GUILESS_MAIN(TestEventRoll)
#include "tst_eventroll.moc"
