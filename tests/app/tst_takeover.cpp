#include "FMManager.h"
#include "BoundedWait.h"
#include "PortRange.h"
#include "SimBoardProcess.h"
#include "TempProject.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::waitUntil;

// The main window against a simulated board in its own process: the
// take-over question when another user holds the board, and faults a lab
// meets, as the board and a remote client see them.
class TestTakeOver : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<testsupport::PortRange> ports; // of the window of the current test

    // The take-over question on screen, if any.
    QMessageBox *question(FMManager &window)
    {
        for (QMessageBox *box : window.findChildren<QMessageBox *>())
            if (box->isVisible())
                return box;
        return nullptr;
    }

    // The main window with board 1 at the simulated board, its servers on ports of their own: the RDS
    // ports of the four boards, then the control port.
    bool setUpIni(QSettings &ini, quint16 boardPort)
    {
        ports = std::make_unique<testsupport::PortRange>(96 + 1);
        ini.setValue("Board/addr1", QString("127.0.0.1:%1").arg(boardPort));
        ini.setValue("Remote/portControl", ports->first() + 96);
        ini.setValue("Remote/portRDSData", ports->first());
        ini.sync();
        return ports->first() != 0;
    }

    // The replies of the control server to a request (and the lines it
    // pushed meanwhile, which end in a blank), up to VER's.
    QStringList ask(QTcpSocket &client, const QByteArray &request)
    {
        const QByteArray info = "modul.info Trovina Generator v4.51\r\n";
        QByteArray got;
        client.write(request + "\nVER\n");
        waitUntil([&] { return (got += client.readAll()).contains(info); }, 5000);
        return QString::fromUtf8(got.left(got.indexOf(info))).split("\r\n", Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() { qputenv("APPDATA", dir.path().toUtf8()); }

    // The other user lets go while the question is open: the link goes
    // online by itself, the question closes and nothing is taken over.
    // "Ja" while the question applies takes the board over.
    void takeOverQuestion_data()
    {
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("unlocks");
        QTest::newRow("withdrawn") << false << "0";
        QTest::newRow("answered") << true << "1";
    }

    void takeOverQuestion()
    {
#ifndef TROVINA_SIMBOARD
        QSKIP("needs the simulated board program");
#else
        QFETCH(bool, answerYes);
        QFETCH(QString, unlocks);
        SimBoardProcess sim(QStringLiteral(TROVINA_SIMBOARD));
        QVERIFY(sim.started());
        QVERIFY(sim.command("lock 10.1.2.3 4000 bob@PC2"));
        QSettings ini(dir.filePath(QString("%1.ini").arg(QTest::currentDataTag())), QSettings::IniFormat);
        QVERIFY(setUpIni(ini, sim.port()));
        FMManager window(ini);
        QVERIFY(waitUntil([&] { return question(window); }, 8000));
        QVERIFY(question(window)->text().contains("bob@PC2"));
        if (answerYes)
            question(window)->button(QMessageBox::Yes)->click();
        else
            QVERIFY(sim.command("unlock"));
        QVERIFY(waitUntil([&] { return !question(window); }, 5000));
        QVERIFY(waitUntil([&] { return sim.statusValue("carrier") == 1; }, 5000));
        const auto st = sim.status();
        QCOMPARE(st.value("lockip").toUInt(), 0x7F000001u);
        QCOMPARE(st.value("unlock"), unlocks);
#endif
    }

    void boardFaults_data()
    {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("before"); // simboard commands before the window starts
        QTest::addColumn<QString>("fault");  // simboard commands once on air
        QTest::addColumn<QString>("expect");
        const QString other = "lock 10.1.2.3 4000 bob@PC2";
        QTest::newRow("fw 24 restarts in 0.3 s") << "24" << "" << "restart 0.3 7" << "configured again";
        QTest::newRow("fw 29 restarts in 0.3 s") << "29" << "" << "restart 0.3 7" << "configured again";
        QTest::newRow("fw 24 restarts in 1.5 s") << "24" << "" << "restart 1.5 7" << "configured again";
        QTest::newRow("fw 29 restarts in 1.5 s") << "29" << "" << "restart 1.5 7" << "configured again";
        QTest::newRow("fw 29 reboots, silent 0.3 s") << "29" << "" << "reboot 0.3" << "configured again";
        QTest::newRow("fw 24 reboots, silent 0.5 s") << "24" << "" << "reboot 0.5" << "configured again";
        QTest::newRow("fw 24 reboots, silent 0.8 s") << "24" << "" << "reboot 0.8" << "configured again";
        QTest::newRow("fw 29 reboots, silent 1.5 s") << "29" << "" << "reboot 1.5" << "configured again";
        QTest::newRow("fw 29 silent 0.7 s") << "29" << "" << "silent 0.7" << "undisturbed";
        QTest::newRow("fw 29 loses 2 status replies") << "29" << "" << "lose-status 2" << "undisturbed";
        QTest::newRow("fw 24 loses 3 status replies") << "24" << "" << "lose-status 3" << "undisturbed";
        QTest::newRow("fw 29 board slow, 15 ms a command") << "29" << "delay 15" << "" << "online once";
        QTest::newRow("fw 24 board slow, 15 ms a command") << "24" << "delay 15" << "" << "online once";
        QTest::newRow("off air in state 2") << "29" << "ignore 0000" << "" << "off air";
        QTest::newRow("off air in state 4") << "29" << other << "" << "off air";
        QTest::newRow("ZQX4 in place of a held ZQTX") << "29" << other << "restart 0.5 9;type ZQX4" << "read again";
        QTest::newRow("ZQX4 restarted in place, lock query open")
            << "29" << "ignore 0060" << "restart 0.5 9;type ZQX4;answer 0060" << "read again";
        QTest::newRow("held ZQTX restarted as ZQX4, held again")
            << "29" << other << "restart 1.5 9;type ZQX4;" + other << "read again";
        QTest::newRow("quit, restarted board held by another")
            << "29" << "" << "restart 3 7;" + other + ";ignore 0060;clear" << "left alone";
        // Its lock status stays away until the quit: the lock is in question then.
        QTest::newRow("quit 0.35 s after silent 0.7 s") << "29" << "" << "ignore 0060;silent 0.7"
                                                        << "off and unlocked";
        // Its replies lost a while, though it hears: "quit S" is the quit S seconds after the fault.
        QTest::newRow("quit 0.5 s before replies come again") << "29" << "" << "mute 1;quit 0.5" << "off and unlocked";
        QTest::newRow("quit 0.1 s before replies come again") << "29" << "" << "mute 0.7;quit 0.6" << "off and unlocked";
        QTest::newRow("quit as replies come again") << "29" << "" << "mute 0.7;quit 0.7" << "off and unlocked";
        QTest::newRow("quit 0.1 s after replies came again") << "29" << "" << "mute 0.7;quit 0.8" << "off and unlocked";
        QTest::newRow("quit without replies, held by another since")
            << "29" << "" << "mute 0.7;" + other + ";quit 0.6" << "left alone";
    }

    // Four channels on air, then the fault. A board that restarts (its port
    // closed a while) or reboots (silent a while, its port open; 0.5 s at
    // least without lock handshake) is configured again once, within a
    // second of answering. A silence that cost the board nothing and lost
    // status replies change nothing: the board is not read or configured
    // again, the audio goes on. A board slow to apply commands goes online
    // once, whether it has the lock handshake or not (its acknowledgements
    // are its signs of life meanwhile). Off air asked for while the link
    // waits for the board information (state 2) or for the take-over answer
    // (state 4) is applied when it goes online. A board put in place of a
    // held one, or restarted, during the take-over question or the lock
    // query is read before it goes online. A quit before the lock status of
    // a restarted board that another user now holds sends that board
    // nothing; a quit just after a silence, or while (or just after) the
    // board's replies are lost, switches our board off and unlocks it,
    // unless the board names another holder when asked.
    void boardFaults()
    {
#ifndef TROVINA_SIMBOARD
        QSKIP("needs the simulated board program");
#else
        QFETCH(QString, firmware);
        QFETCH(QString, before);
        QFETCH(QString, fault);
        QFETCH(QString, expect);
        SimBoardProcess sim(QStringLiteral(TROVINA_SIMBOARD), {"--firmware", firmware});
        for (const QString &c : before.split(';', Qt::SkipEmptyParts))
            QVERIFY(sim.command(c));
        QSettings ini(dir.filePath(QTest::currentDataTag() + QString(".ini")), QSettings::IniFormat);
        QVERIFY(setUpIni(ini, sim.port()));
        testsupport::TempProject project(testsupport::toneProject(4));
        auto window = std::make_unique<FMManager>(ini, project.path());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, quint16(ini.value("Remote/portControl").toUInt()));
        QByteArray greeting;
        QVERIFY(waitUntil([&] { return (greeting += client.readAll()).contains("REG ok: tmc"); }, 8000));
        const auto configured = [&](const QString &locked) {
            const auto st = sim.status();
            return st.value("carrier") == "1" && st.value("locked") == locked
                   && st.value("chcmds").startsWith("4,4,4,4,");
        };
        if (expect == "off air") {
            QVERIFY(waitUntil([&] { return question(*window) || sim.statusValue("info") >= 2; }, 8000));
            QVERIFY(ask(client, "SET modul.offline").contains("SET modul.offline"));
            if (question(*window))
                question(*window)->button(QMessageBox::Yes)->click();
            QVERIFY(sim.command("answer 0000"));
            const QAction *onAir = window->findChild<QAction *>("onAir");
            // The band configuration came, with the carrier off, and the switch shows it.
            QVERIFY(waitUntil([&] { return sim.statusValue("boardcmds") >= 2 && !onAir->isChecked(); },
                              5000));
            QCOMPARE(sim.statusValue("carrier"), 0);
            QVERIFY(ask(client, "AIR").contains("modul.offline"));
            return;
        }
        if (expect == "read again") {
            // The fault right after the board answered a lock query (state 3 or 4).
            QVERIFY(waitUntil([&] { return question(*window) || sim.statusValue("lockq") >= 2; }, 8000));
            const int asked = sim.statusValue("lockq");
            QVERIFY(waitUntil([&] { return sim.statusValue("lockq") > asked; }, 3000));
            for (const QString &c : fault.split(';'))
                QVERIFY(sim.command(c));
            QVERIFY(waitUntil([&] { return sim.statusValue("info") >= 2; }, 5000));
            if (fault.contains("lock ")) { // held again: asked again, and taken over
                QVERIFY(waitUntil([&] { return question(*window); }, 5000));
                question(*window)->button(QMessageBox::Yes)->click();
            } else {
                QVERIFY(waitUntil([&] { return !question(*window); }, 5000));
            }
            QVERIFY(waitUntil([&] { return configured("1"); }, 8000));
            // The band command of a ZQX4, and channel 1 where the project puts it.
            const auto st = sim.status();
            QCOMPARE(st.value("type"), QString("ZQX4"));
            QCOMPARE(st.value("rejected"), QString("0"));
            QCOMPARE(st.value("freq1"), QString("88.400"));
            QCOMPARE(st.value("dev1"), QString("75.0"));
            return;
        }
        const QString locked = firmware == "29" ? "1" : "0";
        QVERIFY(waitUntil([&] { return configured(locked); }, 8000));
        if (expect == "online once") {
            QTest::qWait(20000);
            const auto st = sim.status();
            QCOMPARE(st.value("info"), QString("1"));
            QCOMPARE(st.value("setlock"), locked);
            QCOMPARE(st.value("carrier"), QString("1"));
            // A lost acknowledgement may bring one more configuration, no more.
            QVERIFY2(st.value("chcmds").section(',', 0, 0).toInt() <= 5, qPrintable(st.value("chcmds")));
            return;
        }
        const auto calm = sim.status();
        const int from = sim.lines().size();
        if (fault.contains(";quit ")) {
            QElapsedTimer since; // a loaded machine makes the quit later, never earlier
            for (const QString &c : fault.split(';')) {
                if (c.startsWith("quit "))
                    QTest::qWait(qMax(0, int(c.section(' ', 1).toDouble() * 1000 - since.elapsed())));
                else
                    QVERIFY(sim.command(c));
                if (!since.isValid())
                    since.start();
            }
            window.reset();
            const auto st = sim.status();
            const bool ours = expect == "off and unlocked";
            QCOMPARE(st.value("unlock"), QString(ours ? "1" : "0"));
            QCOMPARE(st.value("lockip").toUInt(), ours ? 0u : 0x0A010203u);
            // Ours goes off air; another's is sent nothing at all.
            QCOMPARE(st.value("carrier"), QString(ours ? "0" : "1"));
            if (!ours)
                QCOMPARE(st.value("boardcmds"), calm.value("boardcmds"));
            return;
        }
        for (const QString &c : fault.split(';'))
            QVERIFY(sim.command(c));
        if (fault.startsWith("lose-status")) {
            const int asked = calm.value("statusreq").toInt();
            QVERIFY(waitUntil([&] { return sim.statusValue("statusreq") >= asked + 8; }, 5000));
        } else {
            const QString back = fault.startsWith("restart") ? "sb1 port open" : "sb1 answering again";
            QVERIFY(sim.waitLine(back, from, 5000) >= 0);
        }
        if (expect == "left alone" || expect == "off and unlocked") {
            if (expect == "left alone") {
                QVERIFY(waitUntil([&] { return sim.statusValue("lockq") >= 1; }, 3000)); // state 3
            } else {
                QTest::qWait(350);
                QVERIFY(sim.command("answer 0060"));
            }
            window.reset();
            const auto st = sim.status();
            const bool ours = expect == "off and unlocked";
            QCOMPARE(st.value("unlock"), QString(ours ? "1" : "0"));
            QCOMPARE(st.value("carrier"), QString("0"));
            QCOMPARE(st.value("lockip").toUInt(), ours ? 0u : 0x0A010203u);
            if (!ours)
                QCOMPARE(st.value("boardcmds"), QString("0"));
            return;
        }
        if (expect == "undisturbed") {
            // The pump never stopped: the audio goes on at once.
            const int pcm = sim.statusValue("pcm");
            QVERIFY(waitUntil([&] { return sim.statusValue("pcm") > pcm; }, 2000));
            QTest::qWait(1000);
            const auto st = sim.status();
            for (const char *key : {"chcmds", "info", "setlock", "boardcmds", "carrier"})
                QVERIFY2(st.value(key) == calm.value(key), key);
            return;
        }
        QElapsedTimer answered;
        answered.start();
        QVERIFY(waitUntil([&] { return configured(locked); }, 3000));
        QVERIFY2(answered.elapsed() < 1000, qPrintable(QString::number(answered.elapsed())));
        QTest::qWait(1000); // and not read again
        QVERIFY(configured(locked));
#endif
    }
};

QTEST_MAIN(TestTakeOver)
#include "tst_takeover.moc"
