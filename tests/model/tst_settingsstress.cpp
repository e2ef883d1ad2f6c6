#include "RecordingObserver.h"
#include "Settings.h"
#include "TempProject.h"

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

class RawStore : public Settings
{
public:
    using Settings::Settings;
    using Settings::readGroup;
    using Settings::topGroups;
    using Settings::withWriteLock;
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

class TestSettingsStress : public QObject
{
    Q_OBJECT

private slots:
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

        // A board thread reads channel records by full key.
        std::thread reader([&] {
            for (int ch = 1; !stop; ch = ch % 96 + 1, ++reads) {
                if (s.value(QStringLiteral("channel.%1/used").arg(ch), "missing").toString() != QString::number(ch % 2))
                    ++wrong;
            }
        });
        // Another one stores frequencies meanwhile.
        std::thread writer([&] {
            int i = 0;
            while (!stop) {
                s.setValue(QStringLiteral("channel.%1.freq").arg(i % 96 + 1), 88.0 + (i % 200) * 0.1, false);
                ++i;
            }
        });

        for (int loop = 0; loop < 40; ++loop) {
            for (int id = 1; id <= 32; ++id) {
                const QMap<QString, QVariant> group = s.readGroup(QStringLiteral("rds.%1").arg(id));
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
        stop = true;
        reader.join();
        writer.join();
        QVERIFY(reads > 0);
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStress)
#include "tst_settingsstress.moc"
