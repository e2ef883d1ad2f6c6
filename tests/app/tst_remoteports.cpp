#include "BoundedWait.h"
#include "FMManager.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <vector>

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

// The ports of first .. first + count - 1 that take no client and greet it
// within 5 s, all tried at once.
QList<int> deafPorts(int first, int count)
{
    std::vector<LineClient> clients(static_cast<size_t>(count));
    auto greeted = [&](int i) {
        QTcpSocket &s = clients[size_t(i)].socket;
        if (s.state() == QAbstractSocket::UnconnectedState)
            s.connectToHost(QHostAddress::LocalHost, quint16(first + i));
        return clients[size_t(i)].waitFor("modul.info ", 0);
    };
    waitUntil([&] { bool all = true; for (int i = 0; i < count; ++i) all = greeted(i) && all; return all; });
    QList<int> deaf;
    for (int i = 0; i < count; ++i)
        if (!greeted(i))
            deaf << first + i;
    return deaf;
}

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

    void rdsPortMoved_data()
    {
        QTest::addColumn<int>("shift");
        QTest::addColumn<bool>("held"); // the new port of channel 96 held by another socket
        // A board's last channel gets the port the next board's first
        // channel has (or the other way round), whichever board moves first.
        QTest::newRow("up by one") << 1 << false;
        QTest::newRow("down by one") << -1 << false;
        QTest::newRow("up by a board") << 24 << false;
        QTest::newRow("new port held") << 1 << true;
    }

    // After the RDS port changes in the dialog every channel of the four
    // boards listens on its new port; a port another program holds is shown
    // with its channel, and taken at the next OK once it is free.
    void rdsPortMoved()
    {
        QFETCH(int, shift);
        QFETCH(bool, held);
        const int base = freeBase(96 + 24 + 1) + 1, moved = base + shift;
        QVERIFY(base > 1);
        QSettings ini(dir.filePath("app.ini"), QSettings::IniFormat);
        ini.setValue("Remote/portControl", control);
        ini.setValue("Remote/portRDSData", base);
        FMManager window(ini);
        QVERIFY(deafPorts(base, 96).isEmpty());
        // Once the clients of the boards' first channels are dropped, every
        // board has closed its servers of the old port.
        LineClient first[4];
        for (int b = 0; b < 4; ++b)
            QVERIFY(first[b].open(base + 24 * b) && first[b].waitFor("modul.info "));
        QTcpServer holder;
        QVERIFY(!held || holder.listen(QHostAddress::Any, quint16(moved + 95)));
        runDialog(window, [&](QSpinBox *, QSpinBox *r) { r->setValue(moved); });
        for (LineClient &c : first)
            QVERIFY(c.dropped(3000));
        QCOMPARE(deafPorts(moved, 96), held ? QList<int>{moved + 95} : QList<int>{});
        auto *text = window.findChild<QLabel *>("rdsPortText");
        QVERIFY(text && waitUntil([&] { return text->isHidden() != held; }, 3000));
        if (!held)
            return;
        const QString port = QString::number(moved + 95);
        QCOMPARE(text->text(), "RDS-Port Fehler: Kanal 96 (Port " + port + ")");
        QCOMPARE(text->toolTip(), "Kanal 96 (Port " + port + "): The bound address is already in use");
        holder.close();
        runDialog(window, [](QSpinBox *, QSpinBox *) {});
        QVERIFY(waitUntil([&] { return text->isHidden(); }, 3000));
        QVERIFY(deafPorts(moved, 96).isEmpty());
    }
};

QTEST_MAIN(TestRemotePorts)
#include "tst_remoteports.moc"
