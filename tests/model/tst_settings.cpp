#include "BoundedWait.h"
#include "FileSizeLimit.h"
#include "IniText.h"
#include "Pace.h"
#include "RecordingObserver.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "Settings.h"
#include "TempProject.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using testsupport::Pace;
using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// Observer in the test's own thread: appends "name key" to a shared log in the order the events are
// delivered, so the posting order is visible.
class OrderRecorder : public QObject, public Observer
{
public:
    OrderRecorder(const QString &name, QStringList *log) : log(log)
    {
        setObjectName(name);
        installEventFilter(new SetHandler(this));
    }
    void setValueEvent(SetValue *event) override
    {
        log->append(objectName() + QLatin1Char(' ') + event->key + (event->value.isNull() ? " null" : ""));
    }

private:
    QStringList *log;
};

// Opens the raw access of the store to the test.
class RawStore : public Settings
{
public:
    using Settings::Settings;
    using Settings::readGroup;
    using Settings::removeRaw;
    using Settings::topGroups;
    using Settings::withWriteLock;
    using Settings::writeRaw;
};

// Observers registered under the given keys, in reverse so that registry order cannot fake the posting order;
// what a call made them hear, in order.
struct Panel
{
    Panel(Settings &s, const QStringList &keys) : store(s)
    {
        for (int i = keys.size() - 1; i >= 0; --i) {
            recorders.emplace_back(new OrderRecorder(keys.at(i), &log));
            store.registerKey(keys.at(i), recorders.back().get());
        }
    }
    template <typename F>
    QStringList heard(F call)
    {
        log.clear();
        call();
        QCoreApplication::sendPostedEvents();
        return log;
    }
    Settings &store;
    QStringList log;
    std::vector<std::unique_ptr<OrderRecorder>> recorders;
};

// A project with 96 channels and 32 RDS sources. Every RDS group also holds a key "channel.N/used" with a
// wrong value, so that a channel read that resolved relative to an open RDS group would be seen.
QByteArray stressProject()
{
    QByteArray ini;
    for (int ch = 1; ch <= 96; ++ch)
        ini += QStringLiteral("[channel.%1]\nused=%2\nfreq=%3\n").arg(ch).arg(ch % 2).arg(87.5 + ch * 0.2).toLatin1();
    for (int id = 1; id <= 32; ++id) {
        ini += QStringLiteral("[rds.%1]\nname=R%1\nused=1\n").arg(id).toLatin1();
        for (int ch = 1; ch <= 96; ch += 7)
            ini += QStringLiteral("channel.%1\\used=wrong\n").arg(ch).toLatin1();
    }
    return ini;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // A stored change reaches the key, its group and section and "*", each in its own thread, but not the
    // observer that made it; unchanged values and quiet stores reach nobody. Nothing without '/' is stored.
    void storedChangeReachesItsServedSet()
    {
        TempProject project;
        Settings s(project.path());
        std::vector<std::unique_ptr<RecordingObserver>> panel;
        for (const char *k : {"*", "channel.3/gain", "channel.3", "channel", "channel.3/freq", "channel.*", "chan"}) {
            panel.emplace_back(new RecordingObserver(k));
            s.registerKey(k, panel.back().get());
        }
        RecordingObserver writer("writer");
        QVERIFY(s.registerKey("channel.3", &writer));
        QVERIFY(s.setValue("channel.3.gain", -6, true, &writer));
        QVERIFY(s.setValue("channel.3.freq", "95.8", false));
        QVERIFY(!s.setValue("CHANNEL.3/FREQ", 95.8, true));
        QVERIFY(!s.setValue("board.band", 1, false));
        QStringList heard;
        for (auto &o : panel) {
            const QStringList got = o->take();
            heard << o->objectName() + ':' + got.join(',');
        }
        QCOMPARE(heard, QStringList({"*:channel.3/gain=-6", "channel.3/gain:channel.3/gain=-6",
                                     "channel.3:channel.3/gain=-6", "channel:channel.3/gain=-6", "channel.3/freq:",
                                     "channel.*:", "chan:"}));
        QVERIFY(writer.take().isEmpty());
        s.sync();
        QVERIFY(project.read().contains("[channel.3]\nfreq=95.8\ngain=-6\n"));
        for (auto &o : panel)
            s.unregisterObserver(o.get());
        s.unregisterObserver(&writer);
    }

    void registry()
    {
        TempProject project;
        Settings s(project.path());
        RecordingObserver o("o");
        QVERIFY(!s.registerKey("", &o));
        QVERIFY(s.registerKey("channel.1.*", &o));
        QVERIFY(!s.registerKey("channel.1/*/*", &o)); // the same registry key
        QVERIFY(s.registerKey("chinfo.*", &o));        // a wildcard key keeps its star
        QCOMPARE(s.observedKeys(&o), QStringList({"channel.1", "chinfo.*"}));
        // Under several matching keys: one event per change.
        QVERIFY(s.registerKey("channel", &o));
        QVERIFY(s.setValue("channel.1.used", 1, true));
        s.notifyPattern("channel.1.used", 1, {1}, nullptr);
        QCOMPARE(o.take(), QStringList({"channel.1/used=1", "channel.1/used=1"}));
        QVERIFY(s.unregisterKey("channel", &o));
        QVERIFY(!s.unregisterKey("channel", &o));
        QVERIFY(s.unregisterObserver(&o));
        QVERIFY(!s.unregisterObserver(&o));
        // An observer destroyed while registered leaves the registry: no event is posted to freed memory.
        auto *gone = new RecordingObserver("gone");
        QVERIFY(s.registerKey("*", gone));
        delete gone;
        QVERIFY(s.observedKeys(gone).isEmpty());
        QVERIFY(s.setValue("channel.1.used", 0, true));
    }

    // A loader holds the write lock in another thread while the owner's thread runs the delayed file write
    // and an explicit sync: both wait until the loader is done, and the file then holds its work.
    void fileWritesWaitForTheLock()
    {
        TempProject project;
        RawStore s(project.path());
        QVERIFY(s.setValue("channel.1.used", 1, false)); // posts the delayed write
        QSemaphore entered, release;
        std::atomic<bool> inside{false};
        std::thread loader([&] {
            s.withWriteLock([&](QSettings &ini) {
                inside = true;
                entered.release();
                release.tryAcquire(1, 10000);
                ini.setValue("board/gmin", 1);
                inside = false;
            });
        });
        QVERIFY(entered.tryAcquire(1, 10000));
        std::thread releaser([&] {
            QThread::msleep(50);
            release.release();
        });
        QCoreApplication::sendPostedEvents(&s, QEvent::UpdateRequest);
        const bool overlapped = inside;
        s.sync();
        loader.join();
        releaser.join();
        QVERIFY(!overlapped);
        QVERIFY(project.read().contains("[board]\ngmin=1\n"));
        QVERIFY(project.read().contains("[channel.1]\nused=1\n"));
    }

    // The file cannot take a stored change (a full disk; a file size limit stands in for it) and nobody
    // stores or saves afterwards: the change reaches the file by itself once the file can be written again.
    // "cut in the last write": the disk fills up within the framework's last write, which it then takes for
    // a whole one; the short file must count as not written and be written whole later.
    void pendingChangesReachTheFileOnceItCanBeWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray many;
        for (int i = 0; i < 40; ++i)
            many += QStringLiteral("[s%1]\nkey=value value value\nother=1\n\n").arg(i).toLatin1();
        QTest::newRow("one section") << QByteArray("[rds.1]\nps=BEFORE\nused=1\n");
        QTest::newRow("cut in the last write") << many + "[rds.1]\nps=BEFORE\nrta=Durchsage laeuft\nused=1\n";
    }
    void pendingChangesReachTheFileOnceItCanBeWritten()
    {
        QFETCH(QByteArray, content);
        TempProject project(content);
        Settings s(project.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*test.fm$"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*test.fm written again$"));
        {
            const testsupport::FileSizeLimit full(project.read().size() + 8);
            QVERIFY(full.isActive());
            QVERIFY(s.setValue("rds.1.ps", "LONGER THAN THE DISK TAKES", false));
            QCoreApplication::sendPostedEvents(&s, QEvent::UpdateRequest); // the delayed write fails
            QVERIFY(!s.sync());
        }
        QVERIFY(testsupport::waitUntil([&] { return project.read().contains("ps=LONGER THAN THE DISK TAKES"); },
                                       5 * Settings::retryMs));
        QCOMPARE(project.fileValue("rds.1/used").toString(), QString("1"));
        QCOMPARE(project.fileKeys("rds.1").size(), content.count("rta=") ? 3 : 2);
        QCOMPARE(project.fileGroups().size(), content.count('['));
    }

    // A serialised count of 0x7fffffff elements would make the settings layer reserve 16 GB: such values read
    // as text. A file without them is not touched.
    void serialisedVariantsReadAsText()
    {
        QCOMPARE(IniText::escapeVariants("a=@Variant(x)\nb=y, \"@Variant(z)\"\nc=x,\\\n  @Variant(y)\n"),
                 QByteArray("a=@@Variant(x)\nb=y, \"@@Variant(z)\"\nc=x,\\\n  @@Variant(y)\n"));
        const QByteArray plain = "[rds.1]\nname=@@Variant(text)\nlps=\"x, @Variant(y)\"\n@Variant(k)=1\n";
        QCOMPARE(IniText::escapeVariants(plain), plain);
        TempProject p("[rds.1]\nlist=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n");
        QCOMPARE(Settings(p.path()).value("rds.1/list").toString(),
                 QStringLiteral("@Variant(") + QString(3, QChar(0)) + QStringLiteral("\t\x7f\xff\xff\xff)"));
        TempProject q(plain);
        QCOMPARE(Settings(q.path()).value("rds.1/name").toString(), QStringLiteral("@Variant(text)"));
        QCOMPARE(q.read(), plain);
    }

    // A pattern broadcast names only the changed indices of its own section ("rdsin" is no part of "rds").
    void patternBroadcast()
    {
        TempProject project;
        Settings s(project.path());
        Panel p(s, {"*", "rdsin.1", "rdsin", "rds.1", "rds", "rds.2"});
        QStringList heard = p.heard([&] { s.notifyPattern("rds.1-2.ps", "X", {1}, nullptr); });
        heard.sort();
        QCOMPARE(heard, QStringList({"* rds.1-2/ps", "rds rds.1-2/ps", "rds.1 rds.1/ps"}));
    }

    void tellingWhileTheRegistryChanges()
    {
        TempProject project(stressProject());
        RawStore s(project.path());
        RecordingObserver all("*"), channels("channel"), status("chinfo.*");
        for (RecordingObserver *o : {&all, &channels, &status})
            QVERIFY(s.registerKey(o->objectName(), o));

        constexpr int writers = 4;
        constexpr int rounds = 600;
        constexpr int patternEvery = 50;
        std::atomic<int> running{writers};
        std::atomic<int> refused{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < writers; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < rounds; ++i) {
                    const int ch = t * 24 + i % 24 + 1;
                    // Each writer owns its channels, so every store changes a value.
                    if (!s.setValue(QStringLiteral("channel.%1.gain").arg(ch), -(i % 61) - 100 * t - 1000, true))
                        ++refused;
                    s.notify(QStringLiteral("chinfo.%1.playpos").arg(ch), i);
                    if (i % patternEvery == 0)
                        s.notifyPattern(QStringLiteral("channel.%1,%2.mute").arg(ch).arg(ch + 1), i,
                                        {ch, ch + 1}, nullptr);
                    s.value(QStringLiteral("channel.%1.freq").arg(ch));
                }
                --running;
            });
        }

        // The GUI thread meanwhile registers, unregisters, forgets observers by destroying them, and reads
        // whole groups.
        int loops = 0;
        while (running > 0) {
            auto *passer = new QObject;
            auto *dropped = new QObject;
            const int ch = loops % 96 + 1;
            s.registerKey(QStringLiteral("channel.%1").arg(ch), passer);
            s.registerKey(QStringLiteral("chinfo.%1.playpos").arg(ch), passer);
            s.registerKey("*", dropped);
            s.registerKey("channel.1,2.mute", dropped);
            const QMap<QString, QVariant> group = s.readGroup(QStringLiteral("rds.%1").arg(loops % 32 + 1));
            QCOMPARE(group.value("used").toInt(), 1);
            QCOMPARE(s.topGroups().size(), 128);
            s.observedKeys(passer);
            QVERIFY(s.unregisterObserver(passer));
            delete passer;
            delete dropped; // still registered: leaves the registry on destruction
            QCoreApplication::processEvents();
            ++loops;
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(refused.load(), 0);

        const int stores = writers * rounds;
        const int patterns = writers * ((rounds + patternEvery - 1) / patternEvery);
        const std::pair<RecordingObserver *, int> told[] = {
            {&all, stores * 2 + patterns}, {&channels, stores + patterns}, {&status, stores}};
        for (const auto &t : told) {
            QVERIFY(t.first->flush(20000));
            QCOMPARE(t.first->count(), t.second);
            QCOMPARE(s.observedKeys(t.first), QStringList({t.first->objectName()}));
            s.unregisterObserver(t.first);
        }
        QVERIFY(loops > 0);
    }

    void channelReadsWhileGroupsAreRead()
    {
        TempProject project(stressProject());
        RawStore s(project.path());
        std::atomic<bool> stop{false};
        std::atomic<int> wrong{0};
        std::atomic<int> reads{0};

        // The two board threads loop at the pace of this thread's reads, so that an unfair lock cannot keep
        // this thread out for ever.
        Pace pace(8);
        // A board thread reads channel records by full key.
        std::thread reader([&] {
            long taken = 0;
            for (int ch = 1; !stop; ch = ch % 96 + 1, ++reads) {
                pace.wait(taken);
                if (s.value(QStringLiteral("channel.%1/used").arg(ch), "missing").toString() != QString::number(ch % 2))
                    ++wrong;
            }
        });
        // Another one stores frequencies meanwhile.
        std::thread writer([&] {
            int i = 0;
            long taken = 0;
            while (!stop) {
                pace.wait(taken);
                s.setValue(QStringLiteral("channel.%1.freq").arg(i % 96 + 1), 88.0 + (i % 200) * 0.1, false);
                ++i;
            }
        });
        // Whatever way this test leaves, the threads end.
        const auto joinAll = [&] {
            stop = true;
            pace.release();
            if (reader.joinable())
                reader.join();
            if (writer.joinable())
                writer.join();
        };
        struct Finally {
            std::function<void()> f;
            ~Finally() { f(); }
        } finally{joinAll};

        for (int loop = 0; loop < 40; ++loop) {
            for (int id = 1; id <= 32; ++id) {
                const QMap<QString, QVariant> group = s.readGroup(QStringLiteral("rds.%1").arg(id));
                pace.step();
                QCOMPARE(group.value("name").toString(), QStringLiteral("R%1").arg(id));
                QCOMPARE(group.value("channel.8/used").toString(), QString("wrong"));
            }
            // A loader that opens nested groups inside one locked span.
            const int eons = s.withWriteLock([](QSettings &ini) {
                ini.beginGroup("rds.3");
                ini.beginGroup("channel.1");
                const int n = ini.childKeys().size();
                ini.endGroup();
                ini.endGroup();
                return n;
            });
            QCOMPARE(eons, 1);
        }
        // A group a callback leaves open is closed with the lock.
        s.withWriteLock([](QSettings &ini) { ini.beginGroup("rds.3"); });
        QCOMPARE(s.withWriteLock([](QSettings &ini) { return ini.group(); }), QString());
        QCOMPARE(s.readGroup("rds.3").keys().first(), QString("channel.1/used"));
        joinAll();
        QVERIFY(reads > 0);
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
