#include "BoundedWait.h"
#include "Dynamic.h"
#include "FMSettings.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::TempProject;
using testsupport::waitUntil;

// The event roll against a project file whose roll keys are not in time order.
class TestDynamic : public QObject
{
    Q_OBJECT

private slots:
    void editKeepsOtherEntriesAndReplayStores()
    {
        TempProject file("[channel.1]\nused=1\ngain=-6\n[events.1]\nrepeat=false\n"
                         "0=5000 channel.1.gain -20\n1=0 channel.1.gain -10\n2=100 channel.1.mute 1\n");
        auto project = QSharedPointer<FMSettings>::create(file.path());
        Dynamic roll;
        roll.setSettings(project);
        QCOMPARE(roll.events().size(), 3);
        QCOMPARE(roll.events().at(0).command, QString("channel.1.gain -10"));
        QVERIFY(!roll.repeat());

        // Entry 0 of the list is key 1 of the file: the whole roll is stored
        // in list order instead of overwriting key 0.
        QVERIFY(roll.changeEvent(0, 50, "channel.1.gain -12"));
        const QStringList stored = {"50 channel.1.gain -12", "100 channel.1.mute 1", "5000 channel.1.gain -20"};
        for (int i = 0; i < stored.size(); ++i)
            QCOMPARE(project->value(QString("events.1/%1").arg(i)).toString(), stored.at(i));
        // Now keys and list agree: one entry is written by its position.
        QVERIFY(roll.changeEvent(1, 200, "channel.1.mute 0"));
        QCOMPARE(project->value("events.1/1").toString(), QString("200 channel.1.mute 0"));
        QCOMPARE(project->value("events.1/2").toString(), stored.at(2));

        roll.play();
        QVERIFY(roll.isPlaying());
        QVERIFY(waitUntil([&] { return project->value("channel.1/mute").toString() == "0"; }, 3000));
        QCOMPARE(project->value("channel.1/gain").toString(), QString("-12"));
        roll.stop();
        QVERIFY(!roll.isPlaying());
    }

    // An entry moved past the next one: the roll is in time order again, in
    // the list, in the file and in the replay.
    void editThatMovesAnEntryKeepsTimeOrder()
    {
        TempProject file("[channel.1]\nused=1\ngain=0\n[events.1]\nrepeat=false\n"
                         "0=10 channel.1.gain -10\n1=40 channel.1.gain -20\n2=60 channel.1.mute 1\n");
        auto project = QSharedPointer<FMSettings>::create(file.path());
        Dynamic roll;
        roll.setSettings(project);
        QVERIFY(roll.changeEvent(0, 50, "channel.1.gain -30"));
        QStringList listed;
        for (const Event &e : roll.events())
            listed << e.toStored();
        const QStringList inOrder = {"40 channel.1.gain -20", "50 channel.1.gain -30", "60 channel.1.mute 1"};
        QCOMPARE(listed, inOrder);
        for (int i = 0; i < inOrder.size(); ++i)
            QCOMPARE(project->value(QString("events.1/%1").arg(i)).toString(), inOrder.at(i));

        roll.play();
        QVERIFY(waitUntil([&] { return project->value("channel.1/mute").toString() == "1"; }, 3000));
        QCOMPARE(project->value("channel.1/gain").toString(), QString("-30"));
    }
};

QTEST_MAIN(TestDynamic)
#include "tst_dynamic.moc"
