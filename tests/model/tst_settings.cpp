#include "BoundedWait.h"
#include "FileSizeLimit.h"
#include "FullDisk.h"
#include "OwnTmpfs.h"
#include "IniText.h"
#include "Pace.h"
#include "RecordingObserver.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "Settings.h"
#include "TempProject.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::ownTmpfs;
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
    using Settings::withReadLock;
    using Settings::withWriteLock;
    using Settings::writeRaw;

};

// Every key with its value.
QMap<QString, QVariant> keysOf(const QSettings &ini)
{
    QMap<QString, QVariant> all;
    for (const QString &key : ini.allKeys())
        all.insert(key, ini.value(key));
    return all;
}

// Every key of an INI file with its value, as another reader sees it.
QMap<QString, QVariant> fileKeys(const QString &file)
{
    return keysOf(QSettings(file, QSettings::IniFormat));
}

// A project of many groups, about `bytes` long.
QByteArray bigProject(int bytes)
{
    QByteArray ini;
    for (int i = 0; ini.size() < bytes; ++i)
        ini += QStringLiteral("[s%1]\nkey=value value value\nother=1\n\n").arg(i).toLatin1();
    return ini;
}

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

// A second writer in a process of its own: this test program run as a store peer (storePeer) on the file, driven
// line by line. Every command is answered before the next one is sent.
class PeerStore
{
public:
    explicit PeerStore(const QString &file)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TROVINA_STORE_PEER", file);
        peer.setProcessEnvironment(env);
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start(QCoreApplication::applicationFilePath(), QStringList());
    }
    ~PeerStore()
    {
        if (peer.state() != QProcess::NotRunning) {
            peer.kill();
            peer.waitForFinished(5000);
        }
    }
    // Sends a command ("set key value", "remove key", "sync", "quit") and returns the peer's answer.
    QByteArray command(const QByteArray &line)
    {
        peer.write(line + '\n');
        QElapsedTimer clock;
        clock.start();
        while (!peer.canReadLine() && clock.elapsed() < 20000)
            peer.waitForReadyRead(100);
        return peer.readLine().trimmed();
    }
    bool quit()
    {
        return command("quit") == "bye" && peer.waitForFinished(20000) && peer.exitCode() == 0;
    }

private:
    QProcess peer;
};

// The store peer: opens a store on the file and follows the commands on its input, one answer a line. Writes
// happen at "sync" and at "quit" (the store's end), as in a program whose event loop does not turn meanwhile.
int storePeer(const QString &file)
{
    auto store = std::make_unique<Settings>(file);
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    const auto answer = [&out](const QByteArray &text) {
        out.write(text + '\n');
        out.flush();
    };
    for (QByteArray line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        const QString key = QString::fromUtf8(words.value(1));
        if (words.at(0) == "set" && words.size() == 3) {
            answer(store->setValue(key, QString::fromUtf8(words.at(2)), false) ? "set" : "unchanged");
        } else if (words.at(0) == "remove" && words.size() == 2) {
            store->remove(key, false);
            answer("removed");
        } else if (words.at(0) == "sync") {
            answer(store->sync() ? "synced" : "not synced");
        } else if (words.at(0) == "quit") {
            store.reset();
            answer("bye");
            return 0;
        } else {
            answer("what?");
        }
    }
    return 1;
}

// The keys of a file as the store reads them.
QMap<QString, QVariant> keysIn(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? IniText::toKeys(f.readAll()) : QMap<QString, QVariant>();
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

    // While the disk holds a write of the file, another thread stores, reads, broadcasts and registers without
    // waiting for it (the board threads do that all the time), and what it stored reaches the file next.
    void aWriteHoldsUpNobody()
    {
        TempProject project;
        RawStore s(project.path());
        QSemaphore inWrite, release;
        std::atomic<bool> first{true};
        WholeFile::setWriteCall([&](const QString &, int fd, const char *data, qint64 size) -> qint64 {
            if (first.exchange(false)) {
                inWrite.release();
                release.tryAcquire(1, 20000);
            }
            return ::write(fd, data, size_t(size));
        });
        QVERIFY(s.setValue("channel.1.freq", "95.8", false));
        std::thread writer([&] { s.sync(); });
        std::atomic<bool> done{false};
        QVERIFY(inWrite.tryAcquire(1, 10000));
        QObject observer;
        std::thread other([&] {
            s.setValue("channel.2.freq", "99.9", false);
            s.value("channel.1.freq");
            s.notify("chinfo.1.playpos", 1);
            s.registerKey("chinfo", &observer);
            done = true;
        });
        // Without turning the event loop: the delayed write posted by the stores above would wait for the
        // write in progress, as it should.
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 10000)
            QThread::msleep(1);
        const bool wentOn = done;
        release.release();
        other.join();
        writer.join();
        WholeFile::setWriteCall(nullptr);
        QVERIFY(wentOn);
        QVERIFY(s.sync());
        QCOMPARE(fileKeys(project.path()).value("channel.2/freq").toString(), QString("99.9"));
        s.unregisterObserver(&observer);
    }

    // Two stores on one file write at the same moment, each from a thread of its own, again and again: a write
    // whose turn at the directory another one holds is tried again, never merged onto what the other is
    // replacing, so every key either stored is in the file.
    void twoStoresWritingAtOnceKeepEveryKey()
    {
        TempProject project;
        RawStore a(project.path()), b(project.path());
        // A write that meets the other's turn says so; the count of such lines is the machine's.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.startsWith("Settings: "))
                previous(type, context, text);
        });
        std::atomic<int> lost{0};
        const auto writer = [&lost](RawStore &s, const QString &name) {
            for (int i = 0; i < 60; ++i) {
                s.setValue(QString("%1.1/k%2").arg(name).arg(i), i, false);
                int tries = 0;
                while (!s.sync())
                    if (++tries == 1000000) {
                        ++lost;
                        break;
                    }
            }
        };
        std::thread ta(writer, std::ref(a), QString("a")), tb(writer, std::ref(b), QString("b"));
        ta.join();
        tb.join();
        qInstallMessageHandler(previous);
        QCOMPARE(lost.load(), 0);
        const QMap<QString, QVariant> keys = fileKeys(project.path());
        QStringList missing;
        for (const QString name : {"a", "b"})
            for (int i = 0; i < 60; ++i)
                if (!keys.contains(QString("%1.1/k%2").arg(name).arg(i)))
                    missing << QString("%1.1/k%2").arg(name).arg(i);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
    }

    // The file cannot take a stored change (a full disk) and nobody stores or saves afterwards: the file
    // stays as it was, no side file is left, every key stays in memory, a write is tried again once every
    // retryMs while the disk stays full, and the change reaches the file by itself once the disk takes it;
    // a disk with room for it gets it whole at once. disk: "limit" (a file size limit stands in for the
    // disk; "cut in the last write": the framework's writer took a write cut there for a whole one), "seam"
    // (the data write fails with ENOSPC past `room` bytes) or "tmpfs" (a real one with `room` bytes free,
    // in a mount namespace of the test's own where the system allows one).
    void pendingChangesReachTheFileOnceItCanBeWritten_data()
    {
        QTest::addColumn<QString>("disk");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("room");
        const QByteArray one = "[rds.1]\nps=BEFORE\nused=1\n", two = bigProject(5000) + one;
        const QByteArray cut = bigProject(1600) + "[rds.1]\nps=BEFORE\nrta=Durchsage laeuft\nused=1\n";
        QTest::newRow("one section") << "limit" << one << qint64(0);
        QTest::newRow("cut in the last write") << "limit" << cut << qint64(0);
        QTest::newRow("full disk") << "seam" << one << qint64(0);
        QTest::newRow("one free block, two needed") << "seam" << two << qint64(4096);
        QTest::newRow("tmpfs, one free block") << "tmpfs" << one << qint64(4096);
        QTest::newRow("tmpfs, one free block, two needed") << "tmpfs" << two << qint64(4096);
        QTest::newRow("tmpfs, full") << "tmpfs" << one << qint64(0);
    }
    void pendingChangesReachTheFileOnceItCanBeWritten()
    {
        QFETCH(QString, disk);
        QFETCH(QByteArray, content);
        QFETCH(qint64, room);
        QTemporaryDir temporary;
        const QString dir = disk == "tmpfs" ? ownTmpfs() : temporary.path();
        if (dir.isEmpty())
            return;
        const QString path = dir + "/test.fm";
        const auto onDisk = [&path] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.flush());
        }
        // On the tmpfs every block but `room` bytes taken.
        QFile fill(dir + "/fill");
        if (disk == "tmpfs") {
            QVERIFY(testsupport::fillAllBut(fill, room));
        }
        const bool fits = content.size() + 64 < room;
        RawStore s(path);
        QMap<QString, QVariant> expected = fileKeys(path);
        expected.insert("rds.1/ps", "LONGER THAN THE DISK TAKES");
        if (!fits) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*test.fm$"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*test.fm written again$"));
        }
        std::optional<testsupport::FileSizeLimit> limit;
        std::optional<testsupport::FullDisk> seam;
        if (disk == "limit")
            limit.emplace(content.size() + 8);
        if (disk == "seam")
            seam.emplace(dir, room);
        QVERIFY(s.setValue("rds.1.ps", "LONGER THAN THE DISK TAKES", false));
        QCoreApplication::sendPostedEvents(&s, QEvent::UpdateRequest); // the delayed write
        QCOMPARE(s.sync(), fits);
        QCOMPARE(s.withReadLock(keysOf), expected);
        QCOMPARE(QDir(dir).entryList({"test.fm*"}, QDir::Files), QStringList{"test.fm"});
        if (fits)
            QCOMPARE(fileKeys(path), expected);
        else
            QCOMPARE(onDisk(), content);
        if (seam) {
            // Once every retryMs, also when the wait is long: never once per turn of the event loop.
            QElapsedTimer clock;
            clock.start();
            const int before = seam->attempts();
            const auto tried = [&] { return seam->attempts() - before; };
            QVERIFY(testsupport::waitUntil([&] { return tried() >= 2; }, 5 * Settings::retryMs));
            QVERIFY2(tried() <= clock.elapsed() / Settings::retryMs + 1,
                     qPrintable(QString("%1 writes in %2 ms").arg(tried()).arg(clock.elapsed())));
            QCOMPARE(s.withReadLock(keysOf), expected);
        }
        // Room again.
        limit.reset();
        seam.reset();
        if (fill.isOpen())
            QVERIFY(fill.resize(fill.size() - 3 * 4096));
        QVERIFY(testsupport::waitUntil([&] { return fileKeys(path) == expected; }, 5 * Settings::retryMs));
        QCOMPARE(QDir(dir).entryList({"test.fm*"}, QDir::Files), QStringList{"test.fm"});
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

    // The store writes its files itself, byte for byte as the framework's settings writer does, so that
    // files stay the same to both and to every other reader.
    void iniTextAsTheFrameworkWritesIt_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::newRow("texts") << QVariantMap{
            {"rds.1/lead", " x"}, {"rds.1/trail", "x "}, {"rds.1/marks", "a,b;c=d"}, {"rds.1/empty", ""},
            {"rds.1/quotes", "say \"hi\" \\ back"}, {"rds.1/at", "@Variant(x)"},
            {"rds.1/controls", QString::fromUtf8("t\tn\nr\ra\ab\bf\fv\v\x01" "1\x7f" "f", 17)},
            {"rds.1/nul", QString::fromLatin1("a\0" "1b", 4)}, {"rds.1/wide", QString::fromUtf8("Grüße € \xF0\x9F\x98\x80 beef")}};
        QTest::newRow("numbers and lists") << QVariantMap{
            {"channel.1/freq", 95.8}, {"channel.1/used", true}, {"channel.1/gain", -6},
            {"channel.1/big", qlonglong(1) << 40}, {"b/bytes", QByteArray("\0\x01\xff" "A", 4)},
            {"b/list", QStringList{"a", "b c", "d,e"}}, {"b/one", QStringList{"x"}}, {"b/none", QStringList{}},
            {"b/variants", QVariantList{1, "two"}}};
        QTest::newRow("names") << QVariantMap{
            {"top", 1}, {"General/x", 2}, {"grp/sub/key", 3}, {QString::fromUtf8("Grp Ü/k%y"), 4}, {"tmc.1/5", "m"},
            {QString::fromUtf8("rds.1/\u4e2d"), 5}, {"A/b", 6}, {"a/B", 7}};
    }
    void iniTextAsTheFrameworkWritesIt()
    {
        QFETCH(QVariantMap, keys);
        QTemporaryDir dir;
        const QString file = dir.filePath("framework.ini");
        {
            QSettings ini(file, QSettings::IniFormat);
            for (auto it = keys.cbegin(); it != keys.cend(); ++it)
                ini.setValue(it.key(), it.value());
        }
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(IniText::fromKeys(keys)), QString::fromLatin1(written.readAll()));
    }

    // The store reads its files itself, key for key and value for value as the framework's settings reader
    // does (after escaping serialised variants, which it never reads): hand-written rows and seeded random
    // texts of the characters that shape an INI file, each compared with what the framework reads from a
    // file of the same bytes.
    void iniTextReadAsTheFrameworkReadsIt()
    {
        QList<QByteArray> texts = {
            "[rds.1]\nps=ONE\nlist=a, b ,\"c, d\"\n",
            "top=1\n[General]\nx=2\n[%General]\ny=3\n[general]\nz=4\n",
            "[a%20b\\c]\nk%U00FCy=\\x41\\102\\n\\q end  \n",
            "[s]\nv = \"  quoted  \" \t\nw=  blanks  \\\nnext line\nc=x;comment\n; whole\n=no key\nnoequals\n",
            "\xef\xbb\xbf[s]\nu=Gr\xc3\xbc\xc3\x9f""e\nl=\xc3\xa4, b\n",
            "[s]\nl=\xe4\xf6\n[s]\nl=again\nm=@ByteArray(\\0\\xff)\nn=@Invalid()\no=@@at\np=@Rect(1 2 3 4)\n",
            "[s]\nq=\"open\nstill=quoted\"\nr=a,@Size(3 4)\nt=@String(x\\0y)\nu=a,\n",
            "[s]\r\nwin=1\r\n\r\n[t]\rmac=2\rv=\"\\\r\n\"\n",
            "[unclosed\nk=1\n[x]] trailing\nk=2\n",
            "[s]\nv=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\nw=x, \"@Variant(\\0\\0\\0\\xb\\x7f\\xff\\xff\\xff)\"\n",
            "[s]\nr=@Rect(1 2 3 4))\nz=@Size(1 2)\\x@Invalid()\n;c\n  [t]\n",
        };
        // Serialised values that escaping does not catch are never read either.
        QCOMPARE(IniText::toKeys("v=\\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n").value("v").toString(),
                 QStringLiteral("@Variant(") + QString(3, QChar(0)) + QStringLiteral("\t\x7f\xff\xff\xff)"));
        QCOMPARE(IniText::toKeys("d=@DateTime(\\0\\0\\0\\t\\0\\x7f\\xff\\xff\\xff)\n").value("d").userType(),
                 int(QMetaType::QString));
        // Random texts: the pieces an INI file is shaped of, the serialised markers left out.
        static const char *const pieces[] = {
            "[", "]", "[s]", "[t.1]", "[General]", "[%general]", "=", "==", ",", ", ", "\"", ";", "\\", "\\\\",
            "\\\n", "\\\r\n", "\n", "\r\n", "\r", " ", "\t", "%", "%4", "%41", "%U00e4", "%Uzz", "\\x", "\\x4",
            "\\x41g", "\\0", "\\101", "\\8", "\\n", "\\\"", "\\?", "\\'", "\\z", "@", "@@", "@ByteArray(",
            "@Invalid()", "@Rect(1 2 3 4)", "@Size(1 2)", "@Point(5 6)", "@String(", ")", "k", "key", "v",
            "value", "A", "Z", "7", "f", "\xe4", "\xc3\xa4", "\xff", "\xef\xbb\xbf", "\x01", "\x7f"};
        QRandomGenerator rng(20261207);
        for (int i = 0; i < 2500; ++i) {
            QByteArray text = rng.bounded(8) == 0 ? QByteArray("\xef\xbb\xbf") : QByteArray();
            for (int n = 1 + int(rng.bounded(40)); n > 0; --n)
                text += pieces[rng.bounded(int(sizeof pieces / sizeof *pieces))];
            texts << text;
        }
        QTemporaryDir dir;
        for (int i = 0; i < texts.size(); ++i) {
            // A file of its own each time, which no framework reader has seen yet.
            const QString file = dir.filePath(QString("read%1.ini").arg(i));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(IniText::escapeVariants(texts.at(i)));
            f.close();
            // Names the framework keeps but cannot give a value for ("", "a//b", "a/") are left out.
            QMap<QString, QVariant> expected = fileKeys(file);
            for (const QString &key : expected.keys())
                if (key.isEmpty() || key.startsWith('/') || key.endsWith('/') || key.contains("//"))
                    expected.remove(key);
            const QMap<QString, QVariant> read = IniText::toKeys(texts.at(i));
            bool same = expected.keys() == read.keys();
            for (auto it = expected.cbegin(); same && it != expected.cend(); ++it) {
                const QVariant &ours = read.value(it.key());
                same = ours.userType() == it->userType() && ours == *it;
            }
            if (!same) {
                QString shown;
                for (const auto &[name, keys] : {std::pair{"framework", expected}, std::pair{"ours", read}}) {
                    shown += QString("\n%1:").arg(name);
                    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
                        shown += QString(" [%1]=%2(%3)")
                                     .arg(QString(it.key().toUtf8().toPercentEncoding()),
                                          QString(it->toString().toUtf8().toPercentEncoding()), it->typeName());
                }
                QFAIL(qPrintable(QString("text %1: %2%3").arg(i).arg(QString(texts.at(i).toPercentEncoding()), shown)));
            }
        }
    }

    // Two stores on one file, in two processes, and a hand edit between them: each write puts only its own
    // changes onto the file as it stands, so every key either stored is in the file at the end, every key either
    // removed is gone and the hand-written key stays, also when a write of this process fails in between (disk:
    // "seam", ENOSPC for this process's writes for a while) or both meet a real nearly full disk ("tmpfs" with
    // `room` bytes free, where the system allows a mount namespace of the test's own). api: "store" writes through
    // the store's own operations and sync, "ini" as the program keeps its application ini: through QSettings&, the
    // file written on the store's delayed write request.
    void twoWritersKeepEachOthersKeys_data()
    {
        QTest::addColumn<QString>("api");
        QTest::addColumn<QString>("disk");
        QTest::addColumn<qint64>("room");
        QTest::newRow("store") << "store" << "" << qint64(0);
        QTest::newRow("store, this one's write fails between") << "store" << "seam" << qint64(0);
        QTest::newRow("store, tmpfs, one free block") << "store" << "tmpfs" << qint64(4096);
        QTest::newRow("store, tmpfs, full") << "store" << "tmpfs" << qint64(0);
        QTest::newRow("ini") << "ini" << "" << qint64(0);
        QTest::newRow("ini, this one's write fails between") << "ini" << "seam" << qint64(0);
        QTest::newRow("ini, tmpfs, full") << "ini" << "tmpfs" << qint64(0);
    }
    void twoWritersKeepEachOthersKeys()
    {
        QFETCH(QString, api);
        QFETCH(QString, disk);
        QFETCH(qint64, room);
        QTemporaryDir temporary;
        const QString dir = disk == "tmpfs" ? ownTmpfs() : temporary.path();
        if (dir.isEmpty())
            return;
        const QString path = dir + "/shared.ini";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[base.1]\nkeep=1\nra=1\nrb=1\n");
        }
        if (disk == "seam" || (disk == "tmpfs" && room == 0)) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*shared.ini$"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*shared.ini written again$"));
        }
        RawStore a(path);
        PeerStore b(path);
        QSettings &ini = a;
        const auto set = [&](const QString &key, const QString &value) {
            if (api == "ini")
                ini.setValue(key, value);
            else
                QVERIFY(a.setValue(key, value, false));
        };
        const auto write = [&] {
            if (api == "ini")
                QCoreApplication::sendPostedEvents(&a, QEvent::UpdateRequest);
            else
                a.sync();
        };
        set("a.1/k1", "A1");
        write();
        QCOMPARE(b.command("set b.1/k1 B1"), QByteArray("set"));
        QCOMPARE(b.command("sync"), QByteArray("synced"));
        QCOMPARE(keysIn(path).value("a.1/k1").toString(), QString("A1"));

        // This process's writes fail for a while; the disk fills up for both.
        std::optional<testsupport::FullDisk> seam;
        QFile fill(dir + "/fill");
        if (disk == "seam")
            seam.emplace(dir);
        if (disk == "tmpfs") {
            QVERIFY(testsupport::fillAllBut(fill, room));
        }
        if (api == "ini")
            ini.remove("base.1/ra");
        else
            a.remove("base.1/ra", false);
        set("a.1/k2", "A2");
        write();
        QCOMPARE(b.command("remove base.1/rb"), QByteArray("removed"));
        QCOMPARE(b.command("set b.1/k2 B2"), QByteArray("set"));
        b.command("sync");
        // Room again, and a key written by hand (as an editor writes, to the file's place).
        seam.reset();
        fill.remove();
        QByteArray edited;
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            edited = f.readAll() + "\n[hand.1]\nh=1\n";
        }
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(edited) == edited.size());
        }
        set("a.1/k1", "A1b");
        write();
        if (api != "ini")
            QVERIFY(a.sync());
        QCOMPARE(keysIn(path).value("hand.1/h").toString(), QString("1"));
        QCOMPARE(keysIn(path).value("a.1/k1").toString(), QString("A1b"));
        QCOMPARE(b.command("set b.1/k3 B3"), QByteArray("set"));
        QVERIFY(b.quit());
        const QMap<QString, QVariant> expected{{"base.1/keep", "1"}, {"a.1/k1", "A1b"}, {"a.1/k2", "A2"}, {"b.1/k1", "B1"},
                                               {"b.1/k2", "B2"}, {"b.1/k3", "B3"}, {"hand.1/h", "1"}};
        QCOMPARE(keysIn(path), expected);
        // The quit of this one keeps them all, and what it holds in memory is its own.
        QVERIFY(!a.withReadLock(keysOf).contains("b.1/k1"));
        a.~RawStore();
        new (&a) RawStore(path);
        QCOMPARE(keysIn(path), expected);
        QCOMPARE(a.withReadLock(keysOf), expected);
        QCOMPARE(QDir(dir).entryList({"shared.ini*"}, QDir::Files), QStringList{"shared.ini"});
    }

    // A file that is a symbolic link (a chain of them) stays one: the file it leads to gets the keys, whole.
    void linksStayLinks()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("shared") && QDir(dir.path()).mkpath("data"));
        const QString real = dir.filePath("shared/Trovina.ini");
        QFile f(real);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Board]\naddr1=127.0.0.1:21520\n");
        f.close();
        QVERIFY(QFile::link("../shared/Trovina.ini", dir.filePath("data/middle.ini")));
        QVERIFY(QFile::link("middle.ini", dir.filePath("data/Trovina.ini")));
        {
            Settings s(dir.filePath("data/Trovina.ini"));
            QSettings &ini = s;
            QCOMPARE(ini.value("Board/addr1").toString(), QString("127.0.0.1:21520"));
            ini.setValue("Last/file", "a.fm");
            QVERIFY(s.sync());
            ini.setValue("Last/dirty", "true");
        }
        QCOMPARE(QFileInfo(dir.filePath("data/Trovina.ini")).symLinkTarget(), dir.filePath("data/middle.ini"));
        QCOMPARE(QFileInfo(dir.filePath("data/middle.ini")).symLinkTarget(), real);
        QCOMPARE(keysIn(real), (QMap<QString, QVariant>{{"Board/addr1", "127.0.0.1:21520"}, {"Last/file", "a.fm"},
                                                       {"Last/dirty", "true"}}));
        QCOMPARE(QDir(dir.filePath("shared")).entryList(QDir::Files), QStringList{"Trovina.ini"});
        QCOMPARE(QDir(dir.filePath("data")).entryList(QDir::Files | QDir::System), (QStringList{"middle.ini", "Trovina.ini"}));
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TROVINA_STORE_PEER"))
        return storePeer(qEnvironmentVariable("TROVINA_STORE_PEER"));
    TestSettings test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settings.moc"
