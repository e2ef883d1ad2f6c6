#include "FMSettings.h"
#include "TempProject.h"

#include <QThread>
#include <QtTest>

#include <atomic>

using testsupport::TempProject;

// Board threads read whole RDS and TMC sources while the GUI thread stores, reloads and rewrites them: every
// copy a reader gets is one consistent record.
class TestFmsRecordThreads : public QObject
{
    Q_OBJECT

private slots:
    void readersSeeWholeRecords()
    {
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=A\nps=P0\nrta=P0\n[tmc.1]\nname=T\n0=1 0 0 1 1\n");
        FMSettings fms(p.path());
        std::atomic<bool> stop{false};
        std::atomic<int> torn{0};
        std::atomic<int> reads{0};
        QThread *reader = QThread::create([&] {
            while (!stop.load()) {
                const RDSSource r = fms.rds(1);
                if (r.ps != r.rta)
                    ++torn;
                const TMCSource t = fms.tmc(1);
                for (const TMCMessage &m : t.messages) {
                    if (m.event != t.messages.first().event)
                        ++torn;
                }
                fms.rdsNames();
                fms.tmcMap();
                ++reads;
            }
        });
        reader->start();
        for (int i = 0; i < 200; ++i) {
            const QString text = QStringLiteral("P%1").arg(i);
            RDSSource r = fms.rds(1);
            r.ps = text;
            r.rta = text;
            fms.setRds(1, r);
            if (i % 10 == 0) {
                fms.set(QStringLiteral("rds.1.pty"), i % 32, true);
                fms.loadRds(1);
            }
            TMCSource t = fms.tmc(1);
            t.messages.clear();
            for (int m = 0; m < 1 + i % 5; ++m) {
                TMCMessage msg;
                msg.event = static_cast<u16>(i);
                t.messages.append(msg);
            }
            fms.setTmc(1, t);
            fms.updateAF(true);
        }
        stop = true;
        QVERIFY(reader->wait(10000));
        delete reader;
        QCOMPARE(torn.load(), 0);
        QVERIFY(reads.load() > 0);
    }
};

QTEST_GUILESS_MAIN(TestFmsRecordThreads)
#include "tst_fmsrecordthreads.moc"
