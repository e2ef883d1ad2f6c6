#include "BoundedWait.h"
#include "RemoteReply.h"
#include "IniText.h"
#include "OwnTmpfs.h"
#include "PortRange.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using testsupport::waitUntil;

namespace {

// The keys of an INI file as the program reads them.
QMap<QString, QVariant> keysIn(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? IniText::toKeys(f.readAll()) : QMap<QString, QVariant>();
}

// One running program, offscreen, on an ini of the per-user data directory, driven over its remote control.
class Instance
{
public:
    Instance(const QString &dataDir, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("APPDATA", dataDir);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(TROVINA_PROGRAM, arguments);
    }
    ~Instance()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }
    bool connect(int port)
    {
        return waitUntil([&] {
            if (program.state() == QProcess::NotRunning)
                return false;
            if (client.state() == QAbstractSocket::UnconnectedState)
                client.connectToHost(QHostAddress::LocalHost, quint16(port));
            return client.waitForConnected(100);
        }, 20000);
    }
    // Sends a request and returns the first reply line that starts with `reply`.
    QByteArray request(const QByteArray &line, const QByteArray &reply)
    {
        return testsupport::remoteReply(client, received, line, reply);
    }
    // Whether the program logged a line that starts with text.
    bool logged(const QByteArray &text)
    {
        return waitUntil([&] {
            log += program.readAllStandardError();
            return log.startsWith(text) || log.contains("\n" + text);
        }, 20000);
    }
    // Ends it as a signal does (SIGTERM); its exit code.
    int stop()
    {
        program.terminate();
        if (!program.waitForFinished(20000) || program.exitStatus() != QProcess::NormalExit)
            return -1;
        log += program.readAllStandardError();
        return program.exitCode();
    }
    QByteArray log;

private:
    QProcess program;
    QTcpSocket client;
    QByteArray received;
};

} // namespace

// Several running programs on one per-user data directory, each on an application ini of its own, and the
// application ini as users keep it: edited by hand while the program runs, or a link to a shared one.
class TestInstances : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString data() const { return dir.filePath("Pellrock/"); }

    std::vector<std::unique_ptr<testsupport::PortRange>> ports; // of the inis made, kept for the whole run

    // An ini with ports of its own for the remote control and the RDS data servers; its control port.
    int makeIni(const QString &file)
    {
        ports.push_back(std::make_unique<testsupport::PortRange>(1 + 96));
        const int control = ports.back()->first();
        QFile f(file);
        if (!control || !f.open(QIODevice::WriteOnly))
            return 0;
        f.write(QString("[Remote]\nportControl=%1\nportRDSData=%2\n").arg(control).arg(control + 1).toUtf8());
        return control;
    }
    void makeProject(const QString &name, const QByteArray &ps)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[board]\ngmin=1\n[channel.1]\nused=1\nfreq=88.000\nidrds=1\n[rds.1]\nused=1\nname=R\nps=" + ps + "\n");
    }

private slots:
    void initTestCase() { QVERIFY(QDir(dir.path()).mkpath("Pellrock")); }

    // Two instances on one data directory, each on its ini with a project of its own, edited in turn (the
    // edits answered ok while the other one runs and writes), both ended, each started again with its ini: each
    // shows its own project with its own edits. A second start on an ini whose instance runs says so and
    // ends, taking nothing. Inis whose names differ only in letters a file name does not take anywhere are two
    // inis; one ini reached by two paths (a link to it, or to the default one) is one: the second start is
    // refused, and started later it takes up the first one's project and edits.
    void eachIniItsOwnWorkingCopy_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("linkTo"); // b is made as a link to this ini
        QTest::newRow("two inis") << "a.ini" << "b.ini" << QString();
        QTest::newRow("umlauts") << "läb.ini" << "lüb.ini" << QString();
        QTest::newRow("blank") << "my lab.ini" << "my_lab.ini" << QString();
        QTest::newRow("dot") << "lab.x.ini" << "lab_x.ini" << QString();
        QTest::newRow("no .ini") << "bench" << "bench.ini" << QString();
        QTest::newRow("a link to the ini") << "cfg/real.ini" << "cfg/link.ini" << "real.ini";
        QTest::newRow("a link to the default ini") << "Trovina.ini" << "cfg/default.ini" << "../Trovina.ini";
    }
    void eachIniItsOwnWorkingCopy()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, linkTo);
        const bool oneIni = !linkTo.isEmpty();
        QVERIFY(QDir(data()).mkpath("cfg"));
        const QString iniA = data() + a, iniB = data() + b;
        const int portA = makeIni(iniA), portB = oneIni ? portA : makeIni(iniB);
        QVERIFY(portA && portB);
        if (oneIni)
            QVERIFY(QFile::link(linkTo, iniB));
        const QStringList workingBefore = QDir(data()).entryList({"working*.fm"}, QDir::Files);
        makeProject("pa.fm", "PROJA");
        makeProject("pb.fm", "PROJB");
        {
            Instance first(dir.path(), {"-i", iniA, dir.filePath("pa.fm")});
            QVERIFY(first.connect(portA));
            QCOMPARE(first.request("SET rds.1.ps AAAA", "SET"), QByteArray("SET ok: rds.1.ps = AAAA"));
            Instance second(dir.path(), {"-i", iniB, dir.filePath("pb.fm")});
            if (oneIni) {
                QVERIFY(second.logged("MAN: another instance runs on " + iniB.toUtf8()));
                QCOMPARE(second.stop(), 1);
                QVERIFY(!second.log.contains("MAN: project"));
            } else {
                QVERIFY(second.connect(portB));
                QCOMPARE(second.request("SET channel.1.freq 99.9", "SET"), QByteArray("SET ok: channel.1.freq = 99.9"));
                QCOMPARE(first.request("SET channel.1.freq 95.5", "SET"), QByteArray("SET ok: channel.1.freq = 95.5"));
                QCOMPARE(second.request("SET rds.1.ps BBBB", "SET"), QByteArray("SET ok: rds.1.ps = BBBB"));
            }
            Instance twice(dir.path(), {"-i", iniA});
            QVERIFY(twice.logged("MAN: another instance runs on " + iniA.toUtf8()));
            QCOMPARE(twice.stop(), 1);
            QVERIFY(!twice.log.contains("MAN: project"));
            QCOMPARE(first.request("GET rds.1.ps", "rds.1.ps"), QByteArray("rds.1.ps AAAA"));
            if (!oneIni)
                QCOMPARE(second.stop(), 0);
            QCOMPARE(first.stop(), 0);
        }
        QStringList made = QDir(data()).entryList({"working*.fm"}, QDir::Files);
        for (const QString &name : workingBefore)
            made.removeOne(name);
        QCOMPARE(made.size(), oneIni && workingBefore.contains("working.fm") ? 0 : oneIni ? 1 : 2);
        if (oneIni) {
            // Started on the other path, it is the same instance: the first one's project and edits.
            Instance again(dir.path(), {"-i", iniB});
            QVERIFY(again.connect(portA));
            QCOMPARE(again.request("GET rds.1.ps", "rds.1.ps"), QByteArray("rds.1.ps AAAA"));
            QCOMPARE(again.stop(), 0);
            QCOMPARE(keysIn(iniA).value("Last/file").toString(), dir.filePath("pa.fm"));
            QVERIFY(QFileInfo(iniB).isSymLink());
            return;
        }
        Instance first(dir.path(), {"-i", iniA});
        Instance second(dir.path(), {"-i", iniB});
        QVERIFY(first.connect(portA) && second.connect(portB));
        QCOMPARE(first.request("GET rds.1.ps", "rds.1.ps"), QByteArray("rds.1.ps AAAA"));
        QCOMPARE(first.request("GET channel.1.freq", "channel.1.freq"), QByteArray("channel.1.freq 95.5"));
        QCOMPARE(second.request("GET rds.1.ps", "rds.1.ps"), QByteArray("rds.1.ps BBBB"));
        QCOMPARE(second.request("GET channel.1.freq", "channel.1.freq"), QByteArray("channel.1.freq 99.9"));
        QCOMPARE(keysIn(iniA).value("Last/file").toString(), dir.filePath("pa.fm"));
        QCOMPARE(keysIn(iniB).value("Last/file").toString(), dir.filePath("pb.fm"));
        QCOMPARE(second.stop(), 0);
        QCOMPARE(first.stop(), 0);
    }

    // The ini is edited by hand while the program runs (a board address added, as users set them), and it is
    // a link to a shared ini: the program's own writes (the remote's directory, the window at quit) keep the
    // hand-written line, and the link stays a link to the ini that gets the keys.
    void iniEditedByHandAndLinked()
    {
        QVERIFY(QDir(dir.path()).mkpath("shared"));
        const QString shared = dir.filePath("shared/lab.ini");
        const int port = makeIni(shared);
        QVERIFY(port);
        QVERIFY(QFile::link("../shared/lab.ini", data() + "lab.ini"));
        makeProject("pl.fm", "LAB");
        Instance lab(dir.path(), {"-i", "lab.ini", dir.filePath("pl.fm")});
        QVERIFY(lab.connect(port));
        QVERIFY(waitUntil([&] { return keysIn(shared).value("Last/file") == dir.filePath("pl.fm"); }, 10000));
        {
            QFile f(shared);
            QVERIFY(f.open(QIODevice::Append));
            f.write("\n[Board]\naddr2=127.0.0.1:1234\n");
        }
        QCOMPARE(lab.request("CD " + dir.path().toUtf8(), "path"), "path " + dir.path().toUtf8());
        QVERIFY(waitUntil([&] { return keysIn(shared).value("Remote/path") == dir.path(); }, 10000));
        QCOMPARE(keysIn(shared).value("Board/addr2").toString(), QString("127.0.0.1:1234"));
        QCOMPARE(lab.stop(), 0);
        const QMap<QString, QVariant> keys = keysIn(shared);
        QCOMPARE(keys.value("Board/addr2").toString(), QString("127.0.0.1:1234"));
        QCOMPARE(keys.value("Remote/path").toString(), dir.path());
        QVERIFY(!keys.value("Main/geometry").toByteArray().isEmpty());
        QCOMPARE(QFileInfo(data() + "lab.ini").symLinkTarget(), shared);
        QCOMPARE(QDir(dir.filePath("shared")).entryList(QDir::Files), QStringList{"lab.ini"});
    }

    // The program's application ini on a disk that fills up while it runs (a tmpfs of the test's own), with one
    // free block or none: with one it is written whole at once; with none, what the program stores meanwhile
    // (the remote's directory) leaves the ini as it was, board addresses and all, and reaches it by itself once
    // the disk has room, while the program runs on. The quit writes the rest.
    void iniOnANearlyFullDisk_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::newRow("one free block") << qint64(4096);
        QTest::newRow("full, then room") << qint64(0);
    }
    void iniOnANearlyFullDisk()
    {
        QFETCH(qint64, room);
        const QString root = testsupport::ownTmpfs();
        if (root.isEmpty())
            return;
        QVERIFY(QDir(root).mkpath("Pellrock"));
        const QString ini = root + "/Pellrock/full.ini";
        const int port = makeIni(ini);
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::Append));
            f.write("[Board]\naddr4=127.0.0.1:9\n");
        }
        const auto bytes = [&ini] {
            QFile f(ini);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        Instance program(root, {"-i", "full.ini"});
        QVERIFY(program.connect(port));
        // The start's own write (the project's name) first, then every block but `room` bytes taken.
        QVERIFY(waitUntil([&] { return keysIn(ini).contains("Last/file"); }, 10000));
        const QByteArray written = bytes();
        QVERIFY(written.contains("addr4=127.0.0.1:9"));
        QFile fill(root + "/fill");
        QVERIFY(testsupport::fillAllBut(fill, room));
        QCOMPARE(program.request("CD " + root.toUtf8(), "path"), "path " + root.toUtf8());
        if (room == 0) {
            QVERIFY(program.logged("Settings: cannot write " + ini.toUtf8()));
            QCOMPARE(bytes(), written);
            QVERIFY(fill.resize(0));
        }
        QVERIFY(waitUntil([&] { return keysIn(ini).value("Remote/path") == root; }, 5000));
        QCOMPARE(program.stop(), 0);
        const QMap<QString, QVariant> keys = keysIn(ini);
        QCOMPARE(keys.value("Board/addr4").toString(), QString("127.0.0.1:9"));
        QCOMPARE(keys.value("Remote/path").toString(), root);
        QVERIFY(!keys.value("Main/geometry").toByteArray().isEmpty());
        QCOMPARE(QDir(root + "/Pellrock").entryList({"full.ini*"}, QDir::Files), QStringList{"full.ini"});
    }
};

QTEST_GUILESS_MAIN(TestInstances)
#include "tst_instances.moc"
