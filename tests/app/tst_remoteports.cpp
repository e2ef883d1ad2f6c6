#include "BoundedWait.h"
#include "FMManager.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using testsupport::waitUntil;

namespace {

// A port base whose first `count` ports are free now.
int freeBase(int count)
{
    for (int tries = 0; tries < 50; ++tries) {
        // Below the kernel's ephemeral range (32768 up), where the client
        // sockets of tests running beside this one could take a port.
        const int base = 20000 + int(QRandomGenerator::global()->bounded(12000));
        bool free = true;
        for (int i = 0; i < count && free; ++i) {
            QTcpServer probe;
            free = probe.listen(QHostAddress::Any, quint16(base + i));
        }
        if (free)
            return base;
    }
    return 0;
}

// A connected client of a line server with the lines it received.
struct LineClient
{
    bool open(int port)
    {
        return waitUntil([&] {
            if (socket.state() == QAbstractSocket::UnconnectedState)
                socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            return socket.state() == QAbstractSocket::ConnectedState;
        }, 5000);
    }
    // Waits for a line that starts with prefix.
    bool waitFor(const QByteArray &prefix, int timeoutMs = 3000)
    {
        return waitUntil([&] {
            while (socket.canReadLine())
                lines << socket.readLine().trimmed();
            for (const QByteArray &l : qAsConst(lines))
                if (l.startsWith(prefix))
                    return true;
            return false;
        }, timeoutMs);
    }
    bool dropped(int withinMs)
    {
        return waitUntil([&] { return socket.state() != QAbstractSocket::ConnectedState; }, withinMs);
    }
    QTcpSocket socket;
    QList<QByteArray> lines;
};

} // namespace

// The remote-port dialog of the main window, with the program's servers on
// loopback ports and no board configured.
class TestRemotePorts : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int control = 0, rds = 0;

    // Runs the dialog; `edit` changes its spin boxes (control, RDS) before OK.
    static void runDialog(FMManager &window, const std::function<void(QSpinBox *, QSpinBox *)> &edit)
    {
        QTimer poll;
        int tries = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (++tries > 250 && dialog == nullptr) {
                poll.stop(); // no dialog: the test fails below
                return;
            }
            if (!dialog || dialog->objectName() != "RemoteUI")
                return;
            poll.stop();
            const QList<QSpinBox *> boxes = dialog->findChildren<QSpinBox *>();
            if (boxes.size() == 2)
                edit(boxes[0], boxes[1]);
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        poll.start(20);
        window.onRemote();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("APPDATA", dir.path().toUtf8());
        control = freeBase(1);
        rds = freeBase(24);
        QVERIFY(control && rds);
    }

    // OK with both ports as they were keeps the RDS and control clients
    // connected; a changed RDS port moves the servers and is stored.
    void okAppliesOnlyChanges()
    {
        QSettings ini(dir.filePath("app.ini"), QSettings::IniFormat);
        ini.setValue("Remote/portControl", control);
        ini.setValue("Remote/portRDSData", rds);
        FMManager window(ini);

        LineClient data, remote;
        QVERIFY(data.open(rds));
        QVERIFY(data.waitFor("modul.info "));
        QVERIFY(remote.open(control));
        QVERIFY(remote.waitFor("--"));

        runDialog(window, [](QSpinBox *, QSpinBox *) {});
        QVERIFY(!data.dropped(700)); // the board applies a new port at its next 200 ms tick
        QCOMPARE(remote.socket.state(), QAbstractSocket::ConnectedState);
        data.socket.write("1234 5678 9abc def0\n");
        QVERIFY2(data.waitFor("1 "), data.lines.join('|').constData());

        const int moved = freeBase(24);
        QVERIFY(moved);
        runDialog(window, [&](QSpinBox *, QSpinBox *r) { r->setValue(moved); });
        QVERIFY(data.dropped(3000));
        QCOMPARE(remote.socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(ini.value("Remote/portRDSData").toInt(), moved);
        LineClient again;
        QVERIFY(again.open(moved));
        QVERIFY(again.waitFor("modul.info "));
    }
};

QTEST_MAIN(TestRemotePorts)
#include "tst_remoteports.moc"
