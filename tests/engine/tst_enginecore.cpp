#include "HiResClock.h"
#include "UserDataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

// The stopwatch and the user data directory of engine_core.
class TestEngineCore : public QObject
{
    Q_OBJECT

private slots:
    // Four board threads restart and lap concurrently: a lap never goes negative when another thread restarts
    // the clock meanwhile.
    void lapsFromManyThreads()
    {
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

    // APPDATA names the base when it exists, else the home directory; a directory that cannot be made still
    // gives its path.
    void userDataDirectory()
    {
        const QByteArray savedHome = qgetenv("HOME");
        QTemporaryDir base, home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("APPDATA", base.path().toUtf8() + "/");
        const QString dir = userDataDir();
        QCOMPARE(dir, QFileInfo(base.path()).absoluteFilePath() + QStringLiteral("/Pellrock/"));
        QVERIFY(QFileInfo(dir).isDir());
        qputenv("APPDATA", "/nonexistent/trovina/appdata");
        QCOMPARE(userDataDir(), QDir::homePath() + QStringLiteral("/Pellrock/"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/nonexistent/trovina")));
        QTemporaryDir blocked;
        QFile blocker(blocked.filePath(QStringLiteral("Pellrock"))); // a plain file where the directory would go
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("APPDATA", blocked.path().toUtf8());
        QVERIFY(!QFileInfo(userDataDir()).isDir());
        qunsetenv("APPDATA");
        qputenv("HOME", savedHome);
    }
};

QTEST_GUILESS_MAIN(TestEngineCore)
#include "tst_enginecore.moc"
