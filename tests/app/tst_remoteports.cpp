#include "BoundedWait.h"
#include "FMManager.h"
#include "PortRange.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <vector>

using testsupport::PortRange;
using testsupport::waitUntil;

namespace {

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
    static constexpr int maxTries = 5;
    QTemporaryDir dir;
    int attempt = 0;    // of the current row
    bool again = false; // the row runs again on other ports

    // Runs a row on `count` ports of its own, a new range each time, until no other program took one of them
    // meanwhile (takenMeanwhile); at the last try only the row's checks decide.
    void withOwnPorts(int count, const std::function<void(int first)> &row)
    {
        for (attempt = 1, again = true; again && attempt <= maxTries; ++attempt) {
            PortRange ports(count);
            QVERIFY(ports.first());
            again = false;
            row(ports.first());
        }
    }

    // Whether a port of `ports` (but `except`), which the program's servers do not serve, is held by another
    // program now: the row then ends and runs again, unless it is the last try.
    bool takenMeanwhile(const QList<int> &ports, const QList<int> &except = {})
    {
        for (int port : ports)
            if (attempt < maxTries && !except.contains(port) && PortRange::taken(port)) {
                qInfo("port %d is another program's: the row runs again on other ports", port);
                return again = true;
            }
        return false;
    }

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
    }

    // OK with both ports as they were keeps the RDS and control clients
    // connected; a changed RDS port moves the servers and is stored.
    void okAppliesOnlyChanges()
    {
        // The control port, the RDS ports of the four boards, those after the move.
        withOwnPorts(1 + 96 + 96, [&](int from) {
            const int control = from, rds = from + 1, moved = from + 1 + 96;
            QSettings ini(dir.filePath("app.ini"), QSettings::IniFormat);
            ini.setValue("Remote/portControl", control);
            ini.setValue("Remote/portRDSData", rds);
            FMManager window(ini);

            LineClient data, remote;
            const bool served = data.open(rds) && data.waitFor("modul.info ");
            if (!served && takenMeanwhile({rds}))
                return;
            QVERIFY(served);
            const bool controlled = remote.open(control) && remote.waitFor("--");
            if (!controlled && takenMeanwhile({control}))
                return;
            QVERIFY(controlled);

            runDialog(window, [](QSpinBox *, QSpinBox *) {});
            QVERIFY(!data.dropped(700)); // the board applies a new port at its next 200 ms tick
            QCOMPARE(remote.socket.state(), QAbstractSocket::ConnectedState);
            data.socket.write("1234 5678 9abc def0\n");
            QVERIFY2(data.waitFor("1 "), data.lines.join('|').constData());

            runDialog(window, [&](QSpinBox *, QSpinBox *r) { r->setValue(moved); });
            QVERIFY(data.dropped(3000));
            QCOMPARE(remote.socket.state(), QAbstractSocket::ConnectedState);
            QCOMPARE(ini.value("Remote/portRDSData").toInt(), moved);
            LineClient later;
            const bool movedServed = later.open(moved) && later.waitFor("modul.info ");
            if (!movedServed && takenMeanwhile({moved}))
                return;
            QVERIFY(movedServed);
        });
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
        // The control port, then the RDS ports of the four boards from one below where they start to a board
        // above.
        withOwnPorts(1 + 1 + 96 + 24, [&](int from) {
            const int control = from, base = from + 2, moved = base + shift;
            QSettings ini(dir.filePath("app.ini"), QSettings::IniFormat);
            ini.setValue("Remote/portControl", control);
            ini.setValue("Remote/portRDSData", base);
            FMManager window(ini);
            QList<int> deaf = deafPorts(base, 96);
            if (takenMeanwhile(deaf))
                return;
            QCOMPARE(deaf, QList<int>{});
            // Once the clients of the boards' first channels are dropped, every
            // board has closed its servers of the old port.
            LineClient first[4];
            for (int b = 0; b < 4; ++b)
                QVERIFY(first[b].open(base + 24 * b) && first[b].waitFor("modul.info "));
            QTcpServer holder;
            const bool holding = held && holder.listen(QHostAddress::Any, quint16(moved + 95));
            if (held && !holding && takenMeanwhile({moved + 95}))
                return;
            QVERIFY(holding == held);
            runDialog(window, [&](QSpinBox *, QSpinBox *r) { r->setValue(moved); });
            for (LineClient &c : first)
                QVERIFY(c.dropped(3000));
            const QList<int> expected = held ? QList<int>{moved + 95} : QList<int>{};
            deaf = deafPorts(moved, 96);
            if (takenMeanwhile(deaf, expected))
                return;
            QCOMPARE(deaf, expected);
            auto *text = window.findChild<QLabel *>("rdsPortText");
            QVERIFY(text && waitUntil([&] { return text->isHidden() != held; }, 3000));
            if (!held)
                return;
            const QString port = QString::number(moved + 95);
            QCOMPARE(text->text(), "RDS-Port Fehler: Kanal 96 (Port " + port + ")");
            QCOMPARE(text->toolTip(), "Kanal 96 (Port " + port + "): The bound address is already in use");
            holder.close();
            runDialog(window, [](QSpinBox *, QSpinBox *) {});
            deaf = deafPorts(moved, 96);
            if (takenMeanwhile(deaf))
                return;
            QCOMPARE(deaf, QList<int>{});
            QVERIFY(waitUntil([&] { return text->isHidden(); }, 3000));
        });
    }
};

QTEST_MAIN(TestRemotePorts)
#include "tst_remoteports.moc"
