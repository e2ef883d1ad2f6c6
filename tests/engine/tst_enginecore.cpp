#include "CommandLine.h"
#include "HiResClock.h"
#include "RunDelay.h"
#include "UserDataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sched.h>
#include <time.h>

// The stopwatch, the run delay and the user data directory of engine_core.
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

    // The run delay counts only the time a thread was ready and waited for a processor: not its own work,
    // not a sleep (a thread runs, waits or sleeps: the delay is at most the time beyond both), but all the
    // time another thread ran on the one processor both spin on (the one to finish last waited at least
    // the other's 50 ms).
    void runDelay()
    {
        RunDelay self;
        if (!self.available())
            QSKIP("the kernel does not tell run delays");
        const auto cpuTime = [] {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
        };
        const auto work = [&](double seconds) {
            for (const double from = cpuTime(); cpuTime() - from < seconds;) {
            }
        };
        const double began = HiResClock::now(), before = self.seconds();
        work(0.05);
        QThread::msleep(200);
        const double delay = self.seconds() - before, took = HiResClock::now() - began;
        QVERIFY2(delay <= took - 0.25, qPrintable(QString("%1 s in %2 s").arg(delay).arg(took)));

        cpu_set_t cpus;
        QCOMPARE(sched_getaffinity(0, sizeof cpus, &cpus), 0);
        int cpu = 0;
        while (!CPU_ISSET(cpu, &cpus))
            ++cpu;
        std::atomic<int> ready{0};
        double waited[2] = {};
        bool pinned[2] = {};
        const auto spin = [&](int i) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            pinned[i] = pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0;
            RunDelay mine;
            const double start = mine.seconds();
            for (++ready; ready < 2;) {
            }
            work(0.05);
            waited[i] = mine.seconds() - start;
        };
        std::thread a(spin, 0), b(spin, 1);
        a.join();
        b.join();
        QVERIFY(pinned[0] && pinned[1]);
        const QString both = QString("%1 s, %2 s").arg(waited[0]).arg(waited[1]);
        QVERIFY2(qMax(waited[0], waited[1]) >= 0.05, qPrintable(both));
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

    // trovina's command line: -i with its value, one project; help wins wherever it stands, the first
    // thing refused is named.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("said");
        const int run = int(CommandLine::Outcome::Run), help = int(CommandLine::Outcome::Help),
                  refused = int(CommandLine::Outcome::Refused);
        QTest::newRow("nothing") << QStringList() << run << "ini= plain=";
        QTest::newRow("ini and project") << QStringList{"-i", "x.ini", "a.fm"} << run << "ini=x.ini plain=a.fm";
        QTest::newRow("ini named like an option") << QStringList{"-i", "--help"} << run << "ini=--help plain=";
        QTest::newRow("help") << QStringList{"--help"} << help << "";
        QTest::newRow("-h after a project") << QStringList{"a.fm", "-h"} << help << "";
        QTest::newRow("help after an unknown option") << QStringList{"--nosuch", "--help"} << help << "";
        QTest::newRow("unknown") << QStringList{"a.fm", "--nosuch", "-x"} << refused << "unknown option '--nosuch'";
        QTest::newRow("value missing") << QStringList{"-i"} << refused << "option '-i' needs a value";
        QTest::newRow("two projects") << QStringList{"a.fm", "b.fm"} << refused << "unexpected argument 'b.fm'";
        QTest::newRow("a lone dash is a name") << QStringList{"-"} << run << "ini= plain=-";
        // Before the application object: the framework's own options pass, nothing else does.
        QTest::newRow("early: framework options") << QStringList{"early", "-platform", "offscreen", "--style=fusion",
                                                                 "-reverse", "--qwindowtitle", "T", "a.fm"}
                                                  << run << "ini= plain=a.fm";
        QTest::newRow("early: unknown") << QStringList{"early", "-reverse", "--nosuch"} << refused
                                        << "unknown option '--nosuch'";
        // Qt 5 reads a value after '=' only for its style options.
        QTest::newRow("early: value after '='") << QStringList{"early", "--style=fusion", "-qwindowtitle=T"} << refused
                                                << "option '-qwindowtitle=T' takes its value as the next argument: "
                                                   "-qwindowtitle T";
        QTest::newRow("early: framework value missing") << QStringList{"early", "-platform"} << refused
                                                        << "option '-platform' needs a value";
        QTest::newRow("late: framework option unknown") << QStringList{"-reverse"} << refused
                                                        << "unknown option '-reverse'";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, outcome);
        QFETCH(QString, said);
        CommandLine line(QStringLiteral("trovina"), QStringLiteral("Usage: trovina [-i ini] [project.fm]"));
        line.addValue(QStringLiteral("-i"));
        line.setMaxPlain(1);
        const bool early = args.value(0) == QLatin1String("early");
        QByteArrayList bytes{"trovina"};
        for (const QString &a : args.mid(early ? 1 : 0))
            bytes << a.toLocal8Bit();
        std::vector<char *> argv;
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        const CommandLine::Outcome got = early ? line.parseEarly(int(argv.size()), argv.data())
                                               : line.parse(QStringList{"trovina"} + args);
        QCOMPARE(int(got), outcome);
        if (outcome == int(CommandLine::Outcome::Run))
            QCOMPARE(QString("ini=%1 plain=%2").arg(line.value("-i"), line.plain().join(',')), said);
        else if (outcome == int(CommandLine::Outcome::Refused))
            QCOMPARE(line.error(), said);
    }
};

QTEST_GUILESS_MAIN(TestEngineCore)
#include "tst_enginecore.moc"
