#include "HiResClock.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

class TestHiResClock : public QObject
{
    Q_OBJECT

private slots:
    void lapMeasuresSleep()
    {
        HiResClock::restart();
        QThread::msleep(30);
        const double lap = HiResClock::lap();
        QVERIFY2(lap >= 0.029 && lap < 5.0, qPrintable(QString::number(lap)));
        // The lap moved the lap stamp but not the start stamp.
        const double second = HiResClock::lap();
        QVERIFY(second < lap);
        QVERIFY(HiResClock::sinceStart() >= lap);
    }

    void restartResetsBothStamps()
    {
        QThread::msleep(20);
        HiResClock::restart();
        QVERIFY(HiResClock::sinceStart() < 0.015);
        QVERIFY(HiResClock::lap() < 0.015);
    }

    void nowIsMonotonic()
    {
        double last = HiResClock::now();
        for (int i = 0; i < 10000; ++i) {
            const double t = HiResClock::now();
            QVERIFY(t >= last);
            last = t;
        }
    }

    void lapsFromManyThreads()
    {
        // Four board threads restart and lap concurrently: every lap stays
        // non-negative and finite, and nothing tears.
        std::atomic<int> bad{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&bad, t] {
                for (int i = 0; i < 20000; ++i) {
                    if (i % 97 == t)
                        HiResClock::restart();
                    const double lap = HiResClock::lap();
                    const double since = HiResClock::sinceStart();
                    if (!(lap >= 0.0 && lap < 60.0) || !(since >= 0.0 && since < 60.0))
                        ++bad;
                }
            });
        }
        for (auto &th : threads)
            th.join();
        QCOMPARE(bad.load(), 0);
    }

    void errorText()
    {
        QCOMPARE(QString::fromLatin1(TimeNotSupported().what()), QStringLiteral("Time not supported"));
    }
};

QTEST_GUILESS_MAIN(TestHiResClock)
#include "tst_hiresclock.moc"
