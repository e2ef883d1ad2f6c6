#include "BoundedWait.h"
#include "FMServer.h"
#include "FMSettings.h"
#include "ProjectFiles.h"
#include "RDSCoding.h"
#include "TempProject.h"

#include <QTcpSocket>
#include <QTranslator>
#include <QtTest>

using testsupport::waitUntil;

// Stands in for the main window: its slots, connected directly as the main
// window connects them. A project it opens is its own working copy.
class MainWindowDouble : public QObject
{
    Q_OBJECT
public:
    explicit MainWindowDouble(FMServer &s) : server(s)
    {
        connect(&s, &FMServer::newFile, this, &MainWindowDouble::newFile);
        connect(&s, &FMServer::loadFile, this, &MainWindowDouble::openFile);
        connect(&s, &FMServer::saveFile, this, &MainWindowDouble::saveFile);
        connect(&s, &FMServer::onRemote, this, [this](uint p, const QString &peer) { state = {p, peer}; });
        connect(&s, &FMServer::onBand, this, [this] { ++bands; });
        connect(&s, &FMServer::setOnAir, this, [this](bool on) { onAir << on; });
    }
    QString newFile(const QString &path)
    {
        if (QFileInfo::exists(path))
            return QCoreApplication::translate("FMManager", "Datei existiert bereits");
        QFile(path).open(QIODevice::WriteOnly);
        return openFile(path);
    }
    QString openFile(const QString &path)
    {
        if (!QFileInfo::exists(path))
            return QCoreApplication::translate("FMManager", "Datei nicht gefunden");
        project.reset(new FMSettings(path));
        server.setSettings(project, path);
        return QString();
    }
    bool saveFile(const QString &path)
    {
        project->sync();
        return ProjectFiles::saveCopy(project->fileName(), path) && !(project->dirty = false);
    }
    FMServer &server;
    QSharedPointer<FMSettings> project;
    QPair<uint, QString> state;
    QList<bool> onAir;
    int bands = 0;
};

// A client of the control port on 127.0.0.1 and the lines it received.
struct Client
{
    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            buffer += socket.readAll();
            for (int end; (end = buffer.indexOf("\r\n")) >= 0; buffer.remove(0, end + 2))
                lines << QString::fromUtf8(buffer.left(end));
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    QStringList take(int n)
    {
        waitUntil([&] { return lines.size() >= n; });
        const QStringList got = lines.mid(0, n);
        lines = lines.mid(n);
        return got;
    }
    // Sends the requests ('|' ends one) and a VER; returns the lines before VER's answer.
    QStringList ask(const QByteArray &requests)
    {
        socket.write(QByteArray(requests).replace('|', '\n') + "\nVER\n");
        waitUntil([&] { return lines.contains(info); }, 20000);
        const QStringList got = take(lines.indexOf(info));
        return take(1), got;
    }
    static inline const QString info = QStringLiteral("modul.info Trovina Generator v4.51");
    QTcpSocket socket;
    QByteArray buffer;
    QStringList lines;
};

// A project, the server on a free port, the double and a client past its greeting.
struct Session
{
    explicit Session(bool withProject = true,
                     const QByteArray &content = "[channel.1]\nfreq=95.8\nused=1\n[tmc.1]\nused=1\n")
        : project(content)
    {
        server.setPort(0);
        if (withProject)
            main.openFile(project.path());
        client = std::make_unique<Client>(server.listeningPort());
        client->take(withProject ? 11 : 1);
    }
    testsupport::TempProject project;
    FMServer server;
    MainWindowDouble main{server};
    std::unique_ptr<Client> client;
};

class TestFMServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("APPDATA", QDir::tempPath().toUtf8()); }

    void greetingAndReplacedClient()
    {
        Session s(false);
        s.main.openFile(s.project.path());
        QCOMPARE(s.client->take(1), QStringList{"LOAD ok: " + s.project.path()});
        Client second(s.server.listeningPort());
        QCOMPARE(second.take(11).mid(1, 3), QStringList({Client::info, "REG ok: audio", "REG ok: board"}));
        QVERIFY(waitUntil([&] { return s.client->socket.state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(s.main.state, qMakePair(uint(s.server.listeningPort()), QStringLiteral("127.0.0.1")));
        second.socket.disconnectFromHost();
        QVERIFY(waitUntil([&] { return s.main.state.second.isEmpty(); }));
    }

    void replies_data()
    {
        QTest::addColumn<QString>("requests");
        QTest::addColumn<QString>("replies");
        // clang-format off
        QTest::newRow("set") << "SET channel.1.freq 95.8|set Channel.1.Freq 95.8|SET channel.1.mute TRUE|"
            "SET channel.1.freq 200|SET nokey.1.x 5|SET channel.1.freq|SET"
            << "SET ok: channel.1.freq = 95.8|SET ok: channel.1.freq = 95.8|SET ok: channel.1.mute = 1|"
            "SET error: data out of range [87.5..108]|SET error: key is unknown|SET error: missing data value|"
            "set key data example: SET channel.1.freq 95.8";
        QTest::newRow("board") << "SET board.band x|SET board.band 1.5|SET board.attn -10|SET board.attn -99|"
            "GET attn|GET band|SET board.band 2|GET board.band|SET modul.onair|SET modul.off"
            << "SET error: data out of range [0..2]|SET error: data out of range [0..2]|SET ok: board.attn = -10|"
            "SET ok: board.attn = -31|board.attn -31|board.band 0|SET ok: board.band = 2|board.band 2|"
            "SET modul.onair|SET modul.offline";
        QTest::newRow("get") << "GET channel.1.freq|GET channel.1|GET channel.1,2.freq|GET channel.9.*|GET modul|AIR|GET"
            << "channel.1.freq 95.8|channel.1.freq 95.8|channel.1.used 1|channel.1.freq 95.8|"
            "GET error: no key channel.2.freq|GET error: no key channel.9|modul.unknown|modul.unknown|"
            "get key example: GET channel.1.freq";
        QTest::newRow("reg and lists") << "REG channel.1|REG Channel.1|UNR channel.1|UNREG channel.1|"
            "ADD tmc.1 4 5 6 7|ADD tmc.1.9 1 0 5 6 1|ADD tmc.1|ADD channel.1.freq 5|DEL tmc.1.0|DEL tmc.1.*|DEL tmc.1.*|HELP foo|FOO|REG|UNR|ADD|DEL|HELP"
            << "REG ok: channel.1|REG error: key is already registerd|UNR ok: channel.1|"
            "UNR error: key is not registerd|ADD ok: tmc.1|ADD ok: tmc.1.1|ADD error: tmc.1 expecting 5 values|"
            "ADD error: channel.1.freq is not a list or list item|DEL ok: tmc.1.0|DEL ok: tmc.1.*|DEL error: tmc.1.* is not set|HELP: no info about foo|"
            "commands: REG UNR GET SET ADD DEL NEW LOAD SAVE CD DIR LIST HELP VER|register key example: REG channel.1|"
            "unregister key example: UNR channel.1|add list item example: ADD tmc.1 4 5 6 7]|"
            "delete list.item example: DEL rds.1.eon.1 DEL tmc.1.*|usage: HELP key (get info about key) example: HELP rds.1.tp";
        QTest::newRow("patterns") << "ADD tmc.1 1 0 101 12345 1|SET tmc.1,2.0 1 2 3 4 1|SET tmc.2,1.0 1 2 3 4 1|"
            "SET channel.1,2.gain 5|GET tmc.1.0|ADD tmc.2 0 0 5 6 1|SET tmc.1,2.0 1 2 3 4 1|GET tmc.1-2.0"
            << "ADD ok: tmc.1|SET error: use ADD to insert list items (tmc.2.0)|"
            "SET error: use ADD to insert list items (tmc.2.0)|SET error: data out of range [-60..0] (channel.1.gain)|"
            "tmc.1.0 1 0 101 12345 1|ADD ok: tmc.2|SET ok: tmc.1,2.0 = 1 2 3 4 1|tmc.1.0 1 2 3 4 1|tmc.2.0 1 2 3 4 1";
        QTest::newRow("files") << "CD %D|NEW \"my project.fm\"|NEW \"my project.fm\"|NEW a.txt|LOAD missing.fm|"
            "LOAD test.fm|SAVE b.fm|SAVE b.fm|SAVE b.txt|SAVE test.fm|SAVE"
            << "path %D|LOAD ok: %D/my project.fm|NEW ok: my project.fm|NEW error: Datei existiert bereits|"
            "NEW error: Dateiname muss auf .fm enden|LOAD error: Datei nicht gefunden|LOAD ok: %D/test.fm|"
            "SAVE ok: b.fm|SAVE ok: b.fm|SAVE error: b.txt|SAVE error: test.fm|usage: SAVE filename";
        QTest::newRow("dirs") << "CD %D|LIST|LIST *.txt|DIR sub *.wav|CD sub|CD nowhere"
            << "path %D|path %D|dir sub|file test.fm|path %D|dir sub|file notes.txt|path %D/sub|file x.wav|"
            "path %D/sub|path invalid, current: %D/sub";
        QTest::newRow("no project") << "SET channel.1.freq 95.8|GET band|GET channel.1|REG rds|ADD tmc.1 1|"
            "SAVE x.fm|GET modul|SET rdslog raw TIME"
            << "SET error: no project loaded|GET error: no project loaded|GET error: no project loaded|"
            "REG error: no project loaded|ADD error: no project loaded|SAVE error: no project loaded|"
            "modul.unknown|SET ok: rdslog = raw TIME";
        QTest::newRow("en") << "NEW a.txt|NEW %D/test.fm"
            << "NEW error: File name must end in .fm|NEW error: File already exists";
        // clang-format on
    }
    void replies()
    {
        QFETCH(QString, requests);
        QFETCH(QString, replies);
        const QByteArray tag = QTest::currentDataTag();
        QTranslator english;
        if (tag == "en")
            QVERIFY(english.load(":/lang/trovina_en.qm") && QCoreApplication::installTranslator(&english));
        Session s(tag != "no project");
        if (s.main.project)
            s.main.project->unregisterObserver(&s.server);
        QDir dir(s.project.dirPath());
        dir.mkdir("sub");
        for (const char *name : {"notes.txt", "sub/x.wav"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        requests.replace("%D", dir.path());
        QCOMPARE(s.client->ask(requests.toUtf8()), replies.replace("%D", dir.path()).split('|'));
        QCOMPARE(s.main.bands, tag == "board" ? 3 : 0);
        QCOMPARE(s.main.onAir, tag == "board" ? QList<bool>({true, false}) : QList<bool>());
        QCOMPARE(QFileInfo::exists(dir.filePath("b.fbk")), requests.contains("SAVE b.fm"));
    }

    // GET answers what goes on air: a linked EON entry its programme's values, not the file's, also a PS the
    // file does not hold, and the PS it last sent once its own SET ends the link; an entry of the service key
    // table is written, and read, in its place. A pattern over entries stores all of them or none.
    void linkedEonAndKeyTable()
    {
        Session s(true, "[channel.2]\nidrds=2\n[rds.1]\nname=One\neon\\0=2 beef 10 0 1 0\neon\\0\\ps=OLD\n"
                        "[rds.2]\npi=d312\nps=TWO\npty=3\n[tmc.1]\nused=1\n");
        s.main.project->unregisterObserver(&s.server);
        QCOMPARE(s.client->ask("GET rds.1.eon|SET rds.1.eon.0 2 beef 10 0 1 0|SET rds.2.pty 5|GET rds.1.eon.0|"
                               "ADD tmc.1.skt.5 abcd|ADD tmc.1.skt.32 1|GET tmc.1.skt|GET tmc.1.skt.5|"
                               "ADD rds.1.eon 0 abcd 1 0 0 0|SET rds.1.eon.1 2 d312 5 1 0 0|GET rds.1.eon.1.ps|"
                               "SET rds.2.ps NEUNAME|SET rds.1,2.eon.0 0 d312 5 1 0 0|SET rds.2,1.eon.0 0 d312 5 1 0 0|"
                               "GET rds.1.eon.0|SET rds.1.eon.0 0 d312 5 1 0 0|GET rds.1.eon.0.ps|"
                               "SET channel.2.idrds 0|GET rds.1.eon.1|ADD rds.2.eon 0 abcd 1 0 0 0|"
                               "SET rds.1,2.eon.0 0 beef 1 0 0 0|GET rds.1-2.eon.0"),
                 QStringList({"rds.1.eon.0 2 d312 3 1 0 0", "rds.1.eon.0.af", "rds.1.eon.0.ps TWO",
                              "SET error: is taken from the linked channel", "SET ok: rds.2.pty = 5",
                              "rds.1.eon.0 2 d312 5 1 0 0", "ADD ok: tmc.1.skt.5",
                              "ADD error: tmc.1.skt.32 key is unknown",
                              "tmc.1.skt 0 0 0 0 0 abcd" + QString(" 0").repeated(26), "tmc.1.skt.5 abcd",
                              "ADD ok: rds.1.eon", "SET ok: rds.1.eon.1 = 2 d312 5 1 0 0", "rds.1.eon.1.ps TWO",
                              "SET ok: rds.2.ps = NEUNAME", "SET error: use ADD to insert list items (rds.2.eon.0)",
                              "SET error: use ADD to insert list items (rds.2.eon.0)", "rds.1.eon.0 2 d312 5 1 0 0",
                              "SET ok: rds.1.eon.0 = 0 d312 5 1 0 0", "rds.1.eon.0.ps NEUNAME",
                              "SET ok: channel.2.idrds = 0", "rds.1.eon.1 2 d312 5 1 0 0", "ADD ok: rds.2.eon",
                              "SET ok: rds.1,2.eon.0 = 0 beef 1 0 0 0", "rds.1.eon.0 0 beef 1 0 0 0",
                              "rds.2.eon.0 0 beef 1 0 0 0"}));
    }

    void rdslog()
    {
        RDSBlocks b;
        b.info[0] = 0xd3c2, b.info[1] = 0x2c08, b.info[2] = 0xe0cd, b.info[3] = 0x4142;
        addCheckwords(b);
        QByteArray raw(13, '\0');
        packGroup(reinterpret_cast<u8 *>(raw.data()), b);
        const QByteArray value = raw + QByteArray::fromHex("952cb302"); // 12:34:56.789
        const struct { QByteArray words, value; QString line; } cases[] = {
            {"", value, "d3c2 2c08 e0cd 4142 2B"}, {"raw TIME", value, raw.toHex() + " 12:34:56.789"},
            {"group x data", value, "2B d3c2 2c08 e0cd 4142"}, {"raw", "0123456789abcdef", "0123456789abcdef"}};
        for (const auto &c : cases) {
            Session s;
            s.client->ask((c.words.isEmpty() ? "" : "SET rdslog " + c.words + "|") + "REG chinfo.1.rdslog.2");
            s.main.project->notify("chinfo.1.rdslog.2", c.value);
            QCOMPARE(s.client->take(1), QStringList{"chinfo.1.rdslog.2 " + c.line});
        }
    }

    // Registered keys are pushed, others not.
    void pushes()
    {
        Session s;
        s.main.project->notify("songinfo", "not registered");
        s.main.project->notify("modul.onair", QVariant());
        QCOMPARE(s.client->ask("AIR"), QStringList({"modul.onair ", "modul.onair"}));
    }

    void longSplitAndPipelinedLines()
    {
        Session s;
        const QByteArray longest = "HELP " + QByteArray(506, 'x');
        QCOMPARE(s.client->ask(longest + "x\n" + longest),
                 QStringList({"error: line too long", "HELP: no info about " + longest.mid(5)}));
        s.client->socket.write("GET chan");
        QTest::qWait(20);
        QCOMPARE(s.client->ask(QByteArray("nel.1.used\r\n\r\nGET channel.1.freq") + '\0' + "AIR\r").join('|'),
                 "channel.1.used 1|channel.1.freq 95.8|modul.unknown");
        // More replies than a client may leave unread at once, all in order.
        QCOMPARE(s.client->ask(QByteArray("HELP rds.1.zone\n").repeated(40000) + "GET band").mid(40000),
                 QStringList{"board.band 0"});
    }

    // A backlog of pipelined requests runs a few at a time: a timer queued by
    // the first request fires before the last has run, and every reply comes,
    // in order.
    void backlogLeavesTheEventLoopRunning()
    {
        Session s;
        s.main.project->unregisterObserver(&s.server);
        const auto executed = [&] {
            const QVariant freq = s.main.project->value("channel.2/freq");
            return freq.isValid() ? qRound((freq.toDouble() - 88.0) * 10) + 1 : 0;
        };
        int executedAtTimer = -1;
        QObject::connect(&s.server, &FMServer::onCD, &s.main,
                         [&] { QTimer::singleShot(0, &s.main, [&] { executedAtTimer = executed(); }); });
        QByteArray requests = "CD .";
        QStringList replies = {"path " + QDir(s.server.currentDir()).absolutePath()};
        for (int i = 0; i < 200; ++i) {
            const QString freq = QString::number(88.0 + i / 10.0, 'f', 1);
            requests += "|SET channel.2.freq " + freq.toUtf8();
            replies << "SET ok: channel.2.freq = " + freq;
        }
        QCOMPARE(s.client->ask(requests), replies);
        QCOMPARE(executed(), 200);
        QVERIFY2(executedAtTimer >= 0 && executedAtTimer < 200, qPrintable(QString::number(executedAtTimer)));
    }

    // A GET over many indices reads the project's list of groups at most
    // once, and not at all for a key inside a group.
    void getOverIndicesReadsTheGroupsOnce()
    {
        struct CountingProject : FMSettings
        {
            using FMSettings::FMSettings;
            QStringList topGroups() const override { return ++reads, FMSettings::topGroups(); }
            mutable int reads = 0;
        };
        Session s;
        auto project = QSharedPointer<CountingProject>::create(s.project.path());
        s.server.setSettings(project, s.project.path(), false);
        project->unregisterObserver(&s.server);
        project->reads = 0;
        QStringList replies;
        for (int i = 1; i <= 96; ++i)
            replies << QString("GET error: no key rds.%1.nosuch").arg(i);
        QCOMPARE(s.client->ask("GET rds.1-96.nosuch"), replies);
        QCOMPARE(project->reads, 0);
        QCOMPARE(s.client->ask("GET rds.2-96|GET tmc.1-3").join('|'),
                 replies.join('|').remove(".nosuch").remove("GET error: no key rds.1|") +
                     "|tmc.1.used 1|GET error: no key tmc.2|GET error: no key tmc.3");
        QCOMPARE(project->reads, 2);
    }

    void clientThatDoesNotRead()
    {
        Session s;
        QObject::disconnect(&s.client->socket, nullptr, nullptr, nullptr);
        s.client->socket.setReadBufferSize(1);
        const QString big(1000, 'x');
        for (int i = 0; i < 40000 && !s.main.state.second.isEmpty(); ++i) {
            s.main.project->notify("chinfo.1.playing", big);
            QCoreApplication::processEvents();
        }
        QCOMPARE(s.main.state.second, QString());
        Client next(s.server.listeningPort());
        QCOMPARE(next.take(2).last(), Client::info);
    }
};

QTEST_GUILESS_MAIN(TestFMServer)
#include "tst_fmserver.moc"
