#include "BoundedWait.h"
#include "FMManager.h"
#include "FMServer.h"
#include "FMSettings.h"
#include "WorkingCopy.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using testsupport::waitUntil;

// The main window's project files, in a per-user data directory of its own,
// with the control server's client on loopback. A directory where a file is
// expected stands in for a disk that refuses a write (root may write
// anything else).
class TestFMManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> ini;
    std::unique_ptr<FMManager> window;
    QTcpSocket client;
    QByteArray received;

    QString path(const QString &name) const { return dir.filePath(name); }
    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Sends a request and then VER; returns the reply lines before VER's.
    QStringList ask(const QByteArray &request)
    {
        received.clear();
        client.write(request + "\nVER\n");
        const QByteArray info = "modul.info Trovina Generator v4.51\r\n";
        waitUntil([&] { return (received += client.readAll()).contains(info); }, 10000);
        const QByteArray replies = received.left(received.indexOf(info));
        return QString::fromUtf8(replies).split("\r\n", Qt::SkipEmptyParts);
    }
    QString frequency() const { return window->settings()->value("channel.1/freq").toString(); }

private slots:
    void initTestCase()
    {
        qputenv("APPDATA", dir.path().toUtf8());
        ini = std::make_unique<QSettings>(path("app.ini"), QSettings::IniFormat);
        ini->setValue("Remote/portControl", 0);
        ini->setValue("Remote/portRDSData", 20000 + QRandomGenerator::global()->bounded(30000));
        window = std::make_unique<FMManager>(*ini);
        auto *server = window->findChild<FMServer *>();
        QVERIFY(server && server->listeningPort());
        client.connectToHost(QHostAddress::LocalHost, server->listeningPort());
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(waitUntil([&] { return (received += client.readAll()).contains("REG ok: tmc"); }));
        write(path("a.fm"), "[channel.1]\nused=1\nfreq=91.5\n");
        write(path("b.fm"), "[channel.1]\nused=1\nfreq=99.5\n");
        QCOMPARE(ask("LOAD " + path("a.fm").toUtf8()), QStringList{"LOAD ok: " + path("a.fm")});
    }

    // The working copy cannot be replaced: the project stays, under its name.
    void loadThatCannotReplaceTheWorkingCopy()
    {
        const QString working = WorkingCopy::path();
        QVERIFY(QFile::rename(working, path("kept.fm")));
        QVERIFY(QDir().mkdir(working));
        QCOMPARE(ask("LOAD " + path("b.fm").toUtf8()),
                 QStringList{"LOAD error: Projekt kann nicht geladen werden"});
        QCOMPARE(window->projectName(), path("a.fm"));
        QVERIFY(window->settings());
        QCOMPARE(QFileInfo(working).dir().entryList({"working.fm.*"}, QDir::Files), QStringList());

        QVERIFY(QDir().rmdir(working));
        QVERIFY(QFile::rename(path("kept.fm"), working));
        QCOMPARE(ask("LOAD " + path("b.fm").toUtf8()), QStringList{"LOAD ok: " + path("b.fm")});
        QCOMPARE(frequency(), QString("99.5"));
    }

    // A template that cannot be copied makes no project, and another
    // program's "<name>.part" is none of ours.
    void newProjects()
    {
        QCOMPARE(ask("LOAD " + path("a.fm").toUtf8()), QStringList{"LOAD ok: " + path("a.fm")});
        const QString tpl = WorkingCopy::defaultTemplate();
        QVERIFY(QFile::rename(tpl, path("template.fm")));
        QVERIFY(QDir().mkdir(tpl));
        QCOMPARE(ask("NEW " + path("v1.fm").toUtf8()),
                 QStringList{"NEW error: Datei kann nicht angelegt werden"});
        QVERIFY(!QFileInfo::exists(path("v1.fm")));
        QCOMPARE(window->projectName(), path("a.fm"));
        QCOMPARE(frequency(), QString("91.5"));
        QVERIFY(QDir().rmdir(tpl));
        QVERIFY(QFile::rename(path("template.fm"), tpl));

        write(path("v2.fm.part"), "someone else's");
        QCOMPARE(ask("NEW " + path("v2.fm").toUtf8()),
                 QStringList({"LOAD ok: " + path("v2.fm"), "NEW ok: " + path("v2.fm")}));
        QCOMPARE(read(path("v2.fm.part")), QByteArray("someone else's"));
        QCOMPARE(read(path("v2.fm")), read(tpl));
        QCOMPARE(window->projectName(), path("v2.fm"));
        QCOMPARE(QDir(dir.path()).entryList({"v2.fm*"}, QDir::Files), QStringList({"v2.fm", "v2.fm.part"}));
    }

    // The working copy's disk is full (a file size limit stands in for it): SAVE answers its error, the
    // target and the unsaved-changes mark stay, the failed write is logged; once the disk takes it, SAVE
    // saves it all.
    void saveWhenTheWorkingCopyCannotBeWritten()
    {
        QCOMPARE(ask("LOAD " + path("a.fm").toUtf8()), QStringList{"LOAD ok: " + path("a.fm")});
        QVERIFY(window->settings()->sync());
        const QByteArray target = read(path("b.fm"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*working.fm$"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^MAN: cannot write the working copy, not saved "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*working.fm written again$"));
        rlimit old{}, full{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        full = old;
        full.rlim_cur = rlim_t(QFileInfo(WorkingCopy::path()).size() + 8);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        const QStringList replies = ask("SET rds.1.ps AFTERFUL\nSAVE " + path("b.fm").toUtf8());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        QCOMPARE(replies, QStringList({"SET ok: rds.1.ps = AFTERFUL", "SAVE error: " + path("b.fm")}));
        QCOMPARE(read(path("b.fm")), target);
        QVERIFY(window->settings()->dirty);
        QCOMPARE(ask("SAVE " + path("b.fm").toUtf8()), QStringList{"SAVE ok: " + path("b.fm")});
        QVERIFY(read(path("b.fm")).contains("ps=AFTERFUL"));
    }

    void cleanupTestCase()
    {
        client.abort();
        window.reset();
    }
};

QTEST_MAIN(TestFMManager)
#include "tst_fmmanager.moc"
