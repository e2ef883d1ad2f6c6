#include "BoardProtocol.h"
#include "BoardWords.h"
#include "BoundedWait.h"
#include "PortRange.h"
#include "RemoteReply.h"
#include "SimBoard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using testsupport::waitUntil;

// The real program, offscreen, with an application ini and a project of its
// own, one simulated board on loopback and the remote control as its user.
class TestProgram : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    testsupport::PortRange ports{1 + 96}; // the program's control port, then its RDS ports
    SimBoard board;
    QProcess program;
    QTcpSocket client;
    QByteArray received;

    // Sends a request and returns the first reply line that starts with `reply`.
    QByteArray request(const QByteArray &line, const QByteArray &reply)
    {
        return testsupport::remoteReply(client, received, line, reply);
    }
    QByteArray fileBytes(const QString &name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(board.isListening());
        QVERIFY(ports.first());
        QVERIFY(QDir(dir.path()).mkpath("Pellrock"));
        QSettings ini(dir.filePath("Pellrock/app.ini"), QSettings::IniFormat);
        ini.setValue("Board/addr1", QString("127.0.0.1:%1").arg(board.port()));
        ini.setValue("Remote/portControl", ports.first());
        ini.setValue("Remote/portRDSData", ports.first() + 1);
        ini.sync();
        QFile project(dir.filePath("start.fm"));
        QVERIFY(project.open(QIODevice::WriteOnly));
        project.write("[board]\ngmin=1\n[channel.1]\nused=1\nfreq=88.000\n");
        project.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("APPDATA", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(TROVINA_PROGRAM, {"-i", "app.ini", dir.filePath("start.fm")});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(waitUntil([&] {
            if (client.state() == QAbstractSocket::UnconnectedState)
                client.connectToHost(QHostAddress::LocalHost, quint16(ports.first()));
            return client.waitForConnected(100);
        }, 20000));
        QVERIFY(board.waitFor([&] { return board.isLocked() && board.carrier(); }, 20000));
    }

    void onAirAndFrequency()
    {
        QCOMPARE(request("SET modul.offline", "SET modul."), QByteArray("SET modul.offline"));
        QVERIFY(board.waitFor([&] { return !board.carrier(); }, 5000));
        QCOMPARE(request("SET modul.onair", "SET modul."), QByteArray("SET modul.onair"));
        QVERIFY(board.waitFor([&] { return board.carrier(); }, 5000));

        const u32 word = BoardWords::frequencyWord(board.config().boardType, 95.8, BoardWords::synthPlan(0)).word;
        QVERIFY(board.channel(0).config.frequencyWord != word);
        QCOMPARE(request("SET channel.1.freq 95.8", "SET "), QByteArray("SET ok: channel.1.freq = 95.8"));
        QVERIFY(board.waitFor([&] { return board.channel(0).config.frequencyWord == word; }, 5000));
    }

    void saveTwiceKeepsBackup()
    {
        const QByteArray name = dir.filePath("out.fm").toUtf8();
        QCOMPARE(request("SAVE " + name, "SAVE"), "SAVE ok: " + name);
        const QByteArray first = fileBytes("out.fm");
        QVERIFY(first.contains("95.8"));
        QCOMPARE(request("SET channel.1.freq 99.9", "SET "), QByteArray("SET ok: channel.1.freq = 99.9"));
        QCOMPARE(request("SAVE " + name, "SAVE"), "SAVE ok: " + name);
        QCOMPARE(fileBytes("out.fbk"), first);
        QVERIFY(fileBytes("out.fm").contains("99.9"));
        // The working copy of this ini ("-i app.ini").
        QCOMPARE(request("SAVE " + dir.filePath("Pellrock/working-app.fm").toUtf8(), "SAVE"),
                 "SAVE error: " + dir.filePath("Pellrock/working-app.fm").toUtf8());
    }

    // Another process holds the data directory's turn at writing (a writer that hangs): remote SETs are answered
    // at once, the board is fed on (no underrun, no new lock or information request: the link never timed out),
    // and the working copy gets the changes from the store's retry once the turn is free.
    void aDataDirectoryHeldElsewhereHoldsUpNothing()
    {
        const QByteArray data = QFile::encodeName(dir.filePath("Pellrock"));
        const int held = ::open(data.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
        const int pcm = board.channel(0).pcmUnderruns(), locks = board.received(BoardProtocol::SetLock);
        const int infos = board.received(BoardProtocol::InfoRequest);
        const QByteArray working = fileBytes("Pellrock/working-app.fm");
        for (int i = 1; i <= 4; ++i) {
            const QByteArray gain = QByteArray::number(-i);
            QCOMPARE(request("SET channel.1.gain " + gain, "SET "), "SET ok: channel.1.gain = " + gain);
            // Some status ticks of the link: the write tried on the change and a retry meet the held turn.
            const int status = board.received(BoardProtocol::StatusRequest);
            QVERIFY(board.waitFor([&] { return board.received(BoardProtocol::StatusRequest) >= status + 6; }, 10000));
        }
        QCOMPARE(fileBytes("Pellrock/working-app.fm"), working);
        QCOMPARE(board.channel(0).pcmUnderruns(), pcm);
        QCOMPARE(board.received(BoardProtocol::SetLock), locks);
        QCOMPARE(board.received(BoardProtocol::InfoRequest), infos);
        QVERIFY(board.carrier());
        ::close(held);
        QVERIFY(waitUntil([&] { return fileBytes("Pellrock/working-app.fm").contains("gain=-4"); }, 10000));
    }

    // A change the working copy has not taken yet, because another process holds the data directory's turn,
    // reaches it at the quit once the turn is free: the last writes wait for it a while, the boards gone.
    void shutdownTakesBoardOffAirAndUnlocks()
    {
        const int held = ::open(QFile::encodeName(dir.filePath("Pellrock")).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        QCOMPARE(request("SET channel.1.gain -7", "SET "), QByteArray("SET ok: channel.1.gain = -7"));
        const int unlocks = board.received(BoardProtocol::Unlock);
        program.terminate();
        QVERIFY(board.waitFor([&] {
            return !board.carrier() && board.received(BoardProtocol::Unlock) > unlocks;
        }, 10000));
        // The turn is let go a while after the boards: time for the program to meet it held. A slow machine
        // only makes the write come later, when the turn is free anyway.
        QTest::qWait(1000);
        ::close(held);
        QVERIFY(!board.isLocked());
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The application ini keeps what it held, the program's own keys with it.
        QSettings ini(dir.filePath("Pellrock/app.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("Board/addr1").toString(), QString("127.0.0.1:%1").arg(board.port()));
        QCOMPARE(ini.value("Last/file").toString(), dir.filePath("out.fm"));
        QVERIFY(!ini.value("Main/geometry").toByteArray().isEmpty());
        QVERIFY(fileBytes("Pellrock/working-app.fm").contains("gain=-7"));
    }

    void cleanupTestCase()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
