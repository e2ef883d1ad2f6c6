#include "BoundedWait.h"
#include "IniText.h"
#include "Observer.h"
#include "RecordingObserver.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "Settings.h"
#include "TempProject.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <memory>
#include <thread>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// Observer in the test's own thread: appends "name key" to a shared log in
// the order the events are delivered, so the posting order is visible.
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
        log->append(objectName() + QLatin1Char(' ') + event->key +
                    (event->value.isNull() ? QStringLiteral(" null") : QString()));
    }

private:
    QStringList *log;
};

// Opens the raw access of the store to the test.
class RawStore : public Settings
{
public:
    using Settings::Settings;
    using Settings::removeRaw;
    using Settings::withWriteLock;
    using Settings::writeRaw;
};

// A set of recording observers, each registered under one key.
struct Panel
{
    Panel(Settings &s, const QStringList &regKeys) : settings(s)
    {
        for (const QString &k : regKeys) {
            observers.emplace_back(new RecordingObserver(k));
            settings.registerKey(k, observers.back().get());
        }
    }
    ~Panel()
    {
        for (auto &o : observers)
            settings.unregisterObserver(o.get());
    }
    // Key list received by each observer since the last call, as "regkey=key1,key2".
    QStringList received()
    {
        QStringList out;
        for (auto &o : observers) {
            o->flush();
            out.append(o->objectName() + QLatin1Char('=') + o->keys().join(QLatin1Char(',')));
            o->clear();
        }
        return out;
    }
    RecordingObserver *at(int i) { return observers.at(size_t(i)).get(); }

    Settings &settings;
    std::vector<std::unique_ptr<RecordingObserver>> observers;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void normalizeKey()
    {
        const char *const cases[][2] = {
            {"Channel.1.Freq", "channel.1/freq"}, {"rds.3.eon.2.ps", "rds.3/eon/2/ps"}, {"board.band", "board.band"},
            {"playlist/2", "playlist.2"}, {"5.x", "5/x"}, {"0.x", "0.x"}, {"chinfo.*.playpos", "chinfo.*/playpos"}};
        for (const auto &c : cases)
            QCOMPARE(Settings::normalizeKey(c[0]), QString(c[1]));
    }

    void parseKeyPattern()
    {
        struct Case
        {
            const char *key, *section;
            QList<int> indices;
            const char *field;
        };
        const Case cases[] = {
            {"channel.1,3,5-7/gain", "channel.", {1, 3, 5, 6, 7}, "/gain"},
            {"channel.90-200/used", "channel.", {90, 91, 92, 93, 94, 95, 96}, "/used"}, // cut at 96
            {"channel.-3/used", "channel.", {1, 2, 3}, "/used"},                          // open start
            {"channel.7-5/used", "channel.", {}, "/used"},                                // falling
            {"rds.2/eon/1/ps", "rds.", {2}, "/eon/1/ps"},
            {"board.band", "board.", {0}, ""},
            {"songinfo", "", {}, ""},
            {"channel.200/x", "channel.", {200}, "/x"}, // a single index beyond 96
            {"channel.5-/x", "channel.", {}, "/x"}, // open end
            {"channel.2-4-1/x", "channel.", {2, 3, 4}, "/x"}, // a third part is ignored
        };
        for (const Case &c : cases) {
            QString s = "unset";
            QString f = "unset";
            const QList<int> indices = Settings::parseKeyPattern(c.key, s, f);
            QVERIFY2(indices == c.indices, c.key);
            const QString id = QString(c.key) + ": ";
            QCOMPARE(id + s + '|' + f, id + c.section + '|' + c.field);
        }
    }

    void storesIntoGroupsOfTheFile()
    {
        TempProject project;
        {
            Settings s(project.path());
            QVERIFY(!s.dirty);
            QVERIFY(s.setValue("channel.3.gain", -6, false));
            QVERIFY(s.setValue("5.x", "five", false));
            QVERIFY(s.setValue("rds.3.eon.2.ps", "ABC", false));
            // No '/' after normalising: names no value inside a group.
            QVERIFY(!s.setValue("board.band", 1, false));
            QVERIFY(!s.setValue("songinfo", "x", false));
            QCOMPARE(s.value("CHANNEL.3/GAIN").toInt(), -6);
            QVERIFY(s.contains("Channel.3.Gain"));
            QVERIFY(!s.contains("channel.3"));
            QCOMPARE(s.value("channel.4.gain", 7).toInt(), 7);
            s.sync();
        }
        const QByteArray ini = project.read();
        QVERIFY2(ini.contains("[channel.3]\ngain=-6\n"), ini.constData());
        QVERIFY2(ini.contains("[5]\nx=five\n"), ini.constData());
        QVERIFY2(ini.contains("[rds.3]\neon\\2\\ps=ABC\n"), ini.constData());
        QVERIFY2(!ini.contains("band"), ini.constData());
        Settings again(project.path());
        QCOMPARE(again.value("rds.3/eon/2/ps").toString(), QString("ABC"));
        QCOMPARE(again.value("5/x").toString(), QString("five"));
    }

    void storedChangeReachesItsServedSet()
    {
        TempProject project;
        Settings s(project.path());
        Panel panel(s, {"*", "channel.3/gain", "channel.3", "channel", "channel.3/freq", "channel.2",
                        "channel.*", "channel.*/gain", "chan", "channels"});
        auto writer = std::make_unique<RecordingObserver>("writer");
        QVERIFY(s.registerKey("*", writer.get()));
        QVERIFY(s.registerKey("channel.3", writer.get()));

        QVERIFY(s.setValue("channel.3.gain", -6, true, writer.get()));
        // Each observer handles its event in its own thread, with the value.
        for (int i = 0; i < 4; ++i) {
            QVERIFY(panel.at(i)->flush());
            const auto records = panel.at(i)->records();
            QCOMPARE(records.size(), 1);
            QCOMPARE(records.first().thread, panel.at(i)->workerThread());
            QCOMPARE(records.first().value.toInt(), -6);
        }
        QCOMPARE(panel.received(),
                 QStringList({"*=channel.3/gain", "channel.3/gain=channel.3/gain", "channel.3=channel.3/gain",
                              "channel=channel.3/gain", "channel.3/freq=", "channel.2=", "channel.*=",
                              "channel.*/gain=", "chan=", "channels="}));
        QVERIFY(writer->flush());
        QCOMPARE(writer->count(), 0);

        // Unchanged (also a number against the text read back) or stored
        // without telling: nobody hears of it.
        QVERIFY(s.setValue("channel.3.freq", "95.8", false));
        QVERIFY(!s.setValue("CHANNEL.3/FREQ", "95.8", true));
        QVERIFY(!s.setValue("channel.3.freq", 95.8, true));
        s.dirty = false;
        QVERIFY(s.setValue("channel.3.gain", -5, false));
        QVERIFY(s.dirty);
        for (auto &o : panel.observers) {
            QVERIFY(o->flush());
            QCOMPARE(o->count(), 0);
        }
        s.unregisterObserver(writer.get());
    }

    void emptyTextIsNoRemoval()
    {
        TempProject project;
        Settings s(project.path());
        RecordingObserver observer;
        QVERIFY(s.registerKey("rds.1", &observer));
        QVERIFY(s.setValue("rds.1.afs", "1 2", true));
        QVERIFY(s.setValue("rds.1.afs", QString(), true));
        // A broadcast of a null text means "fetch the record", not "removed".
        s.notify("rds.1.af", QString());
        QVERIFY(observer.waitForCount(3));
        QCOMPARE(observer.texts(), QStringList({"rds.1/afs=1 2", "rds.1/afs=", "rds.1/af="}));
        QVERIFY(s.contains("rds.1.afs"));
        s.unregisterObserver(&observer);
    }

    void broadcastOrder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("rdslog") << "chinfo.12.rdslog.2"
                                << QStringList{"*", "chinfo.*/rdslog/2", "chinfo.12/rdslog/2", "chinfo.*/rdslog",
                                               "chinfo.12/rdslog", "chinfo.*", "chinfo.12", "chinfo"};
        QTest::newRow("status") << "chstatus.7" << QStringList{"*", "chstatus.7", "chstatus"};
        // No '.' before the '/': the wildcard key would be "*/x", which no
        // registration can name ("*/x" registers as "*.x").
        QTest::newRow("number section") << "5.x" << QStringList{"*", "5/x", "5"};
    }
    void broadcastOrder()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, order);
        TempProject project;
        Settings s(project.path());
        QStringList log;
        std::vector<std::unique_ptr<OrderRecorder>> recorders;
        // Registered in reverse so that registry order cannot fake the posting order.
        QStringList all = order;
        all << "chinfo.12/rdslog/3" << "chinfo.*/playrate" << "chinfo.1" << "chinfo.12/rdslog/2/x"
            << "chstatus.70" << "songinfo/x" << "chinfo.3/playpos/x" << "*/x";
        for (int i = all.size() - 1; i >= 0; --i) {
            recorders.emplace_back(new OrderRecorder(all.at(i), &log));
            s.registerKey(all.at(i), recorders.back().get());
        }
        s.notify(key, 42);
        QCoreApplication::sendPostedEvents();
        QStringList expected;
        for (const QString &k : order)
            expected << k + QLatin1Char(' ') + Settings::normalizeKey(key);
        QCOMPARE(log, expected);
        // Broadcasts are never stored.
        QVERIFY(!s.contains(key));
        QVERIFY(!s.dirty);
    }

    void patternBroadcastReachesChangedIndicesOfItsSection()
    {
        TempProject project;
        Settings s(project.path());
        Panel panel(s, {"*", "channel", "channel.3", "channel.3/freq", "channel.3/gain", "channel.2",
                        "channel.1", "channel.13", "channels", "rdsin.1"});
        auto writer = std::make_unique<RecordingObserver>("writer");
        QVERIFY(s.registerKey("*", writer.get()));
        QVERIFY(s.registerKey("channel.1", writer.get()));
        s.notifyPattern("channel.1,3.freq", 95.8, {1, 3}, writer.get());
        QVERIFY(panel.at(2)->flush());
        QCOMPARE(panel.at(2)->records().first().value.toDouble(), 95.8);
        QCOMPARE(panel.received(),
                 QStringList({"*=channel.1,3/freq", "channel=channel.1,3/freq", "channel.3=channel.3/freq",
                              "channel.3/freq=channel.3/freq", "channel.3/gain=channel.3/freq", "channel.2=",
                              "channel.1=channel.1/freq", "channel.13=", "channels=", "rdsin.1="}));
        QVERIFY(writer->flush());
        QCOMPARE(writer->count(), 0);
        s.unregisterObserver(writer.get());

        // "rdsin.1" and "rdsin" are no part of the section "rds".
        Panel rds(s, {"rdsin.1", "rdsin", "rds.1", "rds", "rds.1/eon/2", "rds.2"});
        s.notifyPattern("rds.1-2.ps", "X", {1}, nullptr);
        QCOMPARE(rds.received(), QStringList({"rdsin.1=", "rdsin=", "rds.1=rds.1/ps", "rds=rds.1-2/ps",
                                              "rds.1/eon/2=rds.1/ps", "rds.2="}));
    }

    void registry()
    {
        TempProject project;
        Settings s(project.path());
        RecordingObserver o("o");
        QObject *none = nullptr;
        QVERIFY(!s.registerKey("", &o));
        QVERIFY(!s.registerKey("channel.1", none));
        QVERIFY(s.registerKey("channel.1.*", &o));
        QVERIFY(!s.registerKey("channel.1/*/*", &o)); // the same registry key
        QVERIFY(s.registerKey("*", &o));
        QVERIFY(s.registerKey("chinfo.*", &o)); // a wildcard key keeps its star
        QCOMPARE(s.observedKeys(&o), QStringList({"*", "channel.1", "chinfo.*"}));

        // An observer under several matching keys gets one event per change,
        // whichever way it is told.
        QVERIFY(s.registerKey("channel", &o));
        QVERIFY(s.registerKey("channel.1/used", &o));
        QVERIFY(s.setValue("channel.1.used", 1, true));
        s.notify("channel.1.used", 1);
        s.notifyPattern("channel.1.used", 1, {1}, nullptr);
        s.remove("channel.1.used", true);
        QVERIFY(o.flush());
        QCOMPARE(o.keys(), QStringList({"channel.1/used", "channel.1/used", "channel.1/used", "channel.1/used"}));
        QVERIFY(s.unregisterObserver(&o));
        QVERIFY(!s.unregisterObserver(&o));

        // An observer destroyed while registered leaves the registry: no
        // event is posted to freed memory.
        auto *gone = new RecordingObserver("gone");
        QVERIFY(s.registerKey("*", gone));
        QVERIFY(s.registerKey("channel.1", gone));
        delete gone;
        QVERIFY(s.observedKeys(gone).isEmpty());
        QVERIFY(s.setValue("channel.1.used", 1, true));
        s.notify("channel.1.used", 1);
    }

    void removal()
    {
        TempProject project("[rds.2]\nname=A\npi=d312\neon\\0\\ps=X\n[rds.20]\nname=B\n[channel.2]\nused=1\n");
        Settings s(project.path());
        QStringList log;
        OrderRecorder star("*", &log), group("rds.2", &log), section("rds", &log), other("rds.20", &log);
        for (OrderRecorder *o : {&star, &group, &section, &other})
            s.registerKey(o->objectName(), o);
        const auto removed = [&](const QString &key) {
            log.clear();
            s.remove(key, true);
            QCoreApplication::sendPostedEvents();
            return log;
        };

        QCOMPARE(removed("RDS.2"), QStringList({"* rds.2 null", "rds.2 rds.2 null", "rds rds.2 null"}));
        QVERIFY(!s.contains("rds.2/name"));
        QVERIFY(!s.contains("rds.2/eon/0/ps"));
        QCOMPARE(s.value("rds.20/name").toString(), QString("B"));
        QVERIFY(s.dirty);

        // A removed key: the key, its group and section are told, nobody excluded.
        s.dirty = false;
        OrderRecorder key("rds.20/name", &log);
        s.registerKey("rds.20/name", &key);
        QCOMPARE(removed("rds.20.name"), QStringList({"* rds.20/name null", "rds.20/name rds.20/name null",
                                                      "rds.20 rds.20/name null", "rds rds.20/name null"}));
        QVERIFY(s.dirty);

        // Nothing there: nothing changes, but the observers are still told.
        s.dirty = false;
        QCOMPARE(removed("rds.7"), QStringList({"* rds.7 null", "rds rds.7 null"}));
        QVERIFY(!s.dirty);

        // An empty key does not wipe the file.
        s.remove("", false);
        QCOMPARE(s.value("channel.2.used").toInt(), 1);
        QVERIFY(!s.dirty);
        s.remove("channel.2", false);
        QVERIFY(!s.contains("channel.2.used"));
        QVERIFY(s.dirty);
    }

    void dirtyFlag()
    {
        TempProject project("[board]\ngmin=0\n");
        RawStore s(project.path());
        // Corrections while loading go straight to the file.
        s.writeRaw("board/gmin", 1);
        s.withWriteLock([](QSettings &ini) {
            ini.beginGroup("rds.1");
            ini.setValue("used", 1);
        });
        s.removeRaw("board/gmin");
        QVERIFY(!s.dirty);
        QCOMPARE(s.value("rds.1/used").toInt(), 1);
        QVERIFY(!s.contains("board/gmin"));

        QVERIFY(!s.setValue("rds.1.used", 1, true)); // unchanged
        QVERIFY(!s.dirty);
        QVERIFY(s.setValue("rds.1.used", 0, false));
        QVERIFY(s.dirty);
        s.dirty = false;
        std::thread worker([&s] { s.setValue("channel.5.used", 1, true); });
        worker.join();
        QVERIFY(s.dirty);
    }

    void fileWritesWaitForTheLock()
    {
        // A loader holds the write lock in another thread while the owner's
        // thread runs the delayed file write and an explicit sync: both wait
        // until the loader is done, and the file then holds its work.
        TempProject project;
        RawStore s(project.path());
        QVERIFY(s.setValue("channel.1.used", 1, false)); // posts the delayed write
        QSemaphore entered;
        QSemaphore release;
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

    void serialisedVariantsReadAsText()
    {
        // A count of 0x7fffffff elements would make the settings layer
        // reserve 16 GB before reading a single one.
        QCOMPARE(IniText::escapeVariants("a=@Variant(x)\nb=y, \"@Variant(z)\"\nc=@@Variant(t)\n"),
                 QByteArray("a=@@Variant(x)\nb=y, \"@@Variant(z)\"\nc=@@Variant(t)\n"));
        QCOMPARE(IniText::escapeVariants("a=x,\\\n  @Variant(y)\r\nb= \"\"@Variant(z)"),
                 QByteArray("a=x,\\\n  @@Variant(y)\r\nb= \"\"@@Variant(z)"));
        // Texts: inside quotes, after other characters, in keys, and the escaped form itself.
        const QByteArray plain = "[rds.1]\nname=@@Variant(text)\nlps=\"x, @Variant(y)\"\n@Variant(k)=1\n";
        QCOMPARE(IniText::escapeVariants(plain), plain);

        TempProject p("[rds.1]\n"
                      "list=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n"
                      "strings=x, @Variant(\\0\\0\\0\\xb\\x7f\\xff\\xff\\xff)\n"
                      "text=@@Variant(kept)\n");
        {
            Settings s(p.path());
            QCOMPARE(s.value("rds.1/list").toString(), QStringLiteral("@Variant(") + QString(3, QChar(0)) +
                                                            QStringLiteral("\t\x7f\xff\xff\xff)"));
            QCOMPARE(s.value("rds.1/strings").toStringList().value(1).left(9), QStringLiteral("@Variant("));
            QCOMPARE(s.value("rds.1/text").toString(), QStringLiteral("@Variant(kept)"));
        }
        // A file without serialised variants is not touched.
        TempProject q(plain);
        {
            Settings s(q.path());
            QCOMPARE(s.value("rds.1/name").toString(), QStringLiteral("@Variant(text)"));
        }
        QCOMPARE(q.read(), plain);
    }

};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
