#include "FMManager.h"
#include "BoundedWait.h"
#include "SimBoardProcess.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::waitUntil;

namespace {

// A port base P such that P+1 .. P+count are free TCP ports now.
int freePortBase(int count)
{
    // Below the kernel's ephemeral range (32768 up), where the client
    // sockets of tests running beside this one could take a port.
    for (int base = 30000 + int(QCoreApplication::applicationPid() % 27) * 100; base < 32700; base += 100) {
        bool free = true;
        for (int p = base + 1; free && p <= base + count; ++p) {
            QTcpServer probe;
            free = probe.listen(QHostAddress::LocalHost, quint16(p));
        }
        if (free)
            return base;
    }
    return 0;
}

} // namespace

// The take-over question of the main window against a simulated board in
// its own process that another user holds.
class TestTakeOver : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // The take-over question on screen, if any.
    QMessageBox *question(FMManager &window)
    {
        for (QMessageBox *box : window.findChildren<QMessageBox *>())
            if (box->isVisible())
                return box;
        return nullptr;
    }

    // The main window with board 1 at the simulated board.
    void setUpIni(QSettings &ini, quint16 boardPort)
    {
        const int base = freePortBase(25);
        ini.setValue("Board/addr1", QString("127.0.0.1:%1").arg(boardPort));
        ini.setValue("Remote/portControl", base + 25);
        ini.setValue("Remote/portRDSData", base + 1);
        ini.sync();
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
        setUpIni(ini, sim.port());
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
};

QTEST_MAIN(TestTakeOver)
#include "tst_takeover.moc"
