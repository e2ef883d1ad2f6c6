#include "BoundedWait.h"
#include "FMManager.h"
#include "FileSizeLimit.h"
#include "FMServer.h"
#include "FullDisk.h"
#include "PortRange.h"
#include "FMSettings.h"
#include "Settings.h"
#include "WorkingCopy.h"

#include <QAction>
#include <QLabel>
#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using testsupport::FileSizeLimit;
using testsupport::FullDisk;
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
    testsupport::PortRange rdsPorts{96}; // of the window's RDS servers
    // The application ini as the program keeps it: a key store, used through QSettings.
    std::unique_ptr<QSettings> ini;
    std::unique_ptr<FMManager> window;
    QTcpSocket client;
    QByteArray received;
    // The window's questions: what it asked ("title: text [buttons]"), the answers it gets in turn (none
    // left: the last button, cancel) and the file names its file dialogs get (none left: cancelled).
    QStringList questions;
    QList<int> answers;
    QStringList files;
    // A full disk while it holds a value; a file dialog's answer lifts it (the other disk has room).
    std::optional<FileSizeLimit> full;
    // The working copy's disk full (ENOSPC) while it holds a value; only the test lifts it.
    std::optional<FullDisk> fullDisk;

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
    // Loads a.fm afresh over the remote, fills the working copy's disk when asked to (a file size limit
    // stands in for it) and then changes the project when asked to.
    void loadAndChange(bool change, bool diskFull)
    {
        // An RDS source that sends group 0, so that its PS can be typed.
        write(path("a.fm"), "[board]\ngmin=1\n[channel.1]\nused=1\nfreq=91.5\n"
                            "[rds.1]\nused=1\nname=R1\ngmin\\0=1 240 0 0 0\n");
        // Lines the server pushed since the last request (a load from the menu) come first.
        QVERIFY(ask("LOAD " + path("a.fm").toUtf8()).endsWith("LOAD ok: " + path("a.fm")));
        QVERIFY(!window->settings()->dirty);
        if (diskFull) {
            QVERIFY(window->settings()->sync());
            full.emplace(QFileInfo(window->workingCopy()).size() + 8);
            QVERIFY(full->isActive());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*/working[-\\w]*\\.fm$"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*/working[-\\w]*\\.fm written again$"));
        }
        if (change)
            QCOMPARE(window->settings()->set("rds.1.ps", "EDITED", true), 0);
        QVERIFY(window->settings()->dirty == change);
        questions.clear();
    }
    // The window on the application ini, as the program starts it, its questions answered by the test and
    // the remote's client connected.
    bool syncIni() { return static_cast<Settings &>(*ini).sync(); }
    // Whether the window names a project the start could not open.
    bool noteShown() const { return window->findChild<QAction *>("startNoteAction")->isVisible(); }
    void startWindow(const QString &project = QString())
    {
        window = std::make_unique<FMManager>(*ini, project);
        window->setQuestion([this](QMessageBox::Icon, const QString &title, const QString &text,
                                   const QStringList &buttons) {
            questions << QString("%1: %2 [%3]").arg(title, text, buttons.join('|'));
            return answers.isEmpty() ? int(buttons.size()) - 1 : answers.takeFirst();
        });
        window->setFileQuestion([this](const QString &, const QString &, bool) {
            full.reset();
            return files.isEmpty() ? QString() : files.takeFirst();
        });
        auto *server = window->findChild<FMServer *>();
        QVERIFY(server && server->listeningPort());
        client.abort();
        received.clear();
        client.connectToHost(QHostAddress::LocalHost, server->listeningPort());
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(waitUntil([&] { return (received += client.readAll()).contains("REG ok: tmc"); }));
    }

private slots:
    void initTestCase()
    {
        qputenv("APPDATA", dir.path().toUtf8());
        ini = std::make_unique<Settings>(path("app.ini"));
        ini->setValue("Remote/portControl", 0);
        QVERIFY(rdsPorts.first());
        ini->setValue("Remote/portRDSData", rdsPorts.first());
        startWindow();
        write(path("a.fm"), "[channel.1]\nused=1\nfreq=91.5\n");
        write(path("b.fm"), "[channel.1]\nused=1\nfreq=99.5\n");
        QCOMPARE(ask("LOAD " + path("a.fm").toUtf8()), QStringList{"LOAD ok: " + path("a.fm")});
    }

    // The working copy cannot be replaced: the project stays, under its name.
    void loadThatCannotReplaceTheWorkingCopy()
    {
        const QString working = window->workingCopy();
        QVERIFY(QFile::rename(working, path("kept.fm")));
        QVERIFY(QDir().mkdir(working));
        QCOMPARE(ask("LOAD " + path("b.fm").toUtf8()),
                 QStringList{"LOAD error: Projekt kann nicht geladen werden"});
        QCOMPARE(window->projectName(), path("a.fm"));
        QVERIFY(window->settings());
        QCOMPARE(QFileInfo(working).dir().entryList({QFileInfo(working).fileName() + ".*"}, QDir::Files), QStringList());

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

    // The working copy cannot take the changes. A file size limit (room -1) keeps the target from taking them
    // too: SAVE and Ctrl+S answer their errors, nothing is written, neither the target nor the working copy, the
    // project stays whole in memory and marked as changed; once the disk takes it, SAVE saves it all. The working
    // copy's disk full (room 0: bytes it takes before a write fails with ENOSPC), the target's disk with room:
    // SAVE writes the project from memory, and a quit then asks nothing: the working copy behind the saved file
    // goes and is written no more. With one block free the write fits and SAVE saves.
    void saveWhenTheWorkingCopyCannotBeWritten_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::newRow("size limit") << qint64(-1);
        QTest::newRow("full disk") << qint64(0);
        QTest::newRow("full disk, quit by a signal") << qint64(0);
        QTest::newRow("one free block") << qint64(4096);
    }
    void saveWhenTheWorkingCopyCannotBeWritten()
    {
        QFETCH(qint64, room);
        const bool fits = room >= 4096;
        loadAndChange(false, false);
        QVERIFY(window->settings()->sync());
        const QByteArray target = read(path("b.fm"));
        const QByteArray project = read(path("a.fm"));
        const QByteArray working = read(window->workingCopy());
        if (!fits) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*/working[-\\w]*\\.fm$"));
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^MAN: cannot write the working copy, saving the project from memory "));
        }
        if (room < 0) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: save failed "));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*/working[-\\w]*\\.fm written again$"));
        }
        if (room < 0) {
            full.emplace(working.size() + 8);
            QVERIFY(full->isActive());
        } else {
            fullDisk.emplace(QFileInfo(window->workingCopy()).path(), room);
        }
        const QByteArray b = path("b.fm").toUtf8();
        QCOMPARE(ask("SET rds.1.ps AFTERFUL\nSAVE " + b + "\nGET rds.1.ps\nGET channel.1.freq"),
                 QStringList({"SET ok: rds.1.ps = AFTERFUL", (room >= 0 ? "SAVE ok: " : "SAVE error: ") + b,
                              "rds.1.ps AFTERFUL", "channel.1.freq 91.5"}));
        if (room == 0) {
            QVERIFY(read(path("b.fm")).contains("ps=AFTERFUL\nused=1\n"));
            QCOMPARE(read(window->workingCopy()), working);
            QVERIFY(!window->settings()->dirty);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: working copy removed, it was behind "));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*/working[-\\w]*\\.fm is written no more$"));
            if (QByteArray(QTest::currentDataTag()).endsWith("signal")) {
                // The window goes without being closed, its disk still full; the next start opens b.fm.
                window.reset();
                fullDisk.reset();
                startWindow();
                QCOMPARE(window->projectName(), path("b.fm"));
                QCOMPARE(window->settings()->value("rds.1.ps").toString(), QString("AFTERFUL"));
                QVERIFY(!window->settings()->dirty);
                return;
            }
            QVERIFY(window->close());
            QCOMPARE(questions, QStringList());
            fullDisk.reset();
            QVERIFY(!window->settings()->sync());
            QVERIFY(!QFileInfo::exists(window->workingCopy()));
            QVERIFY(syncIni());
            QCOMPARE(ini->value("Last/file").toString(), path("b.fm"));
            return;
        }
        if (room < 0) {
            QCOMPARE(read(path("b.fm")), target);
            QCOMPARE(read(window->workingCopy()), working);
            QVERIFY(window->settings()->dirty);
            QVERIFY(waitUntil([&] { return window->windowTitle() == "Trovina - a.fm *"; }));
            window->findChild<QAction *>("fileSave")->trigger();
            QCOMPARE(questions, QStringList{"Speichern: Projekt nicht gespeichert [Ok]"});
            QCOMPARE(read(path("a.fm")), project);
        }
        full.reset();
        fullDisk.reset();
        QCOMPARE(ask("SAVE " + b), QStringList{"SAVE ok: " + b});
        QVERIFY2(read(path("b.fm")).contains("ps=AFTERFUL\nused=1\n"), read(path("b.fm")).constData());
        QVERIFY(read(path("b.fm")).contains("freq=91.5"));
        QVERIFY(!window->settings()->dirty);
    }

    // File > Open and File > New with the project changed or not, the question answered save (0), discard
    // (1) or cancel (2); -1: no question expected. A full disk makes the save fail: nothing is loaded.
    // "Ctrl+O", "Ctrl+N": the change is being typed in a field of the RDS page (no Return) when the action's
    // shortcut comes.
    void fileMenuAsksBeforeItDropsChanges_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("saved");
        QTest::newRow("open unchanged") << "fileOpen" << false << false << -1 << true << false;
        QTest::newRow("open cancel") << "fileOpen" << true << false << 2 << false << false;
        QTest::newRow("open discard") << "fileOpen" << true << false << 1 << true << false;
        QTest::newRow("open save") << "fileOpen" << true << false << 0 << true << true;
        QTest::newRow("open save, disk full") << "fileOpen" << true << true << 0 << false << false;
        QTest::newRow("new unchanged") << "fileNew" << false << false << -1 << true << false;
        QTest::newRow("new cancel") << "fileNew" << true << false << 2 << false << false;
        QTest::newRow("new discard") << "fileNew" << true << false << 1 << true << false;
        QTest::newRow("new save") << "fileNew" << true << false << 0 << true << true;
        QTest::newRow("Ctrl+O typing, cancel") << "Ctrl+O" << true << false << 2 << false << false;
        QTest::newRow("Ctrl+O typing, save") << "Ctrl+O" << true << false << 0 << true << true;
        QTest::newRow("Ctrl+N typing, cancel") << "Ctrl+N" << true << false << 2 << false << false;
    }
    void fileMenuAsksBeforeItDropsChanges()
    {
        QFETCH(QString, action);
        QFETCH(bool, changed);
        QFETCH(bool, diskFull);
        QFETCH(int, answer);
        QFETCH(bool, loaded);
        QFETCH(bool, saved);
        const bool typing = action.startsWith("Ctrl+");
        if (typing)
            action = action == "Ctrl+O" ? "fileOpen" : "fileNew";
        static int made = 0;
        const QString target = action == "fileOpen" ? path("b.fm") : path(QString("new%1.fm").arg(++made));
        loadAndChange(changed && !typing, diskFull);
        answers = {answer};
        files = QStringList{target};
        if (diskFull) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: cannot write the working copy, saving "));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: save failed "));
        }
        if (typing) {
            window->show();
            QApplication::setActiveWindow(window.get());
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            auto *ps = window->findChild<QLineEdit *>("PS");
            ps->setFocus();
            QVERIFY(waitUntil([&] { return ps->hasFocus(); }));
            ps->selectAll();
            QTest::keyClicks(ps, "EDITED");
            QVERIFY(!window->settings()->dirty);
            QTest::keyClick(ps, action == "fileOpen" ? Qt::Key_O : Qt::Key_N, Qt::ControlModifier);
        } else {
            window->findChild<QAction *>(action)->trigger();
        }
        full.reset();

        QStringList expected;
        if (changed)
            expected << QString("%1: Das Projekt a.fm hat ungespeicherte Änderungen.\nSollen sie gespeichert "
                                "werden? [Speichern|Verwerfen|Abbrechen]")
                            .arg(action == "fileOpen" ? "Projekt öffnen" : "Neues Projekt");
        if (diskFull)
            expected << "Speichern: Projekt nicht gespeichert [Ok]";
        QCOMPARE(questions, expected);
        QCOMPARE(window->projectName(), loaded ? target : path("a.fm"));
        QCOMPARE(read(path("a.fm")).contains("EDITED"), saved);
        if (!loaded) {
            QCOMPARE(window->settings()->value("rds.1.ps").toString(), QString("EDITED"));
            QVERIFY(window->settings()->dirty);
        }
        QVERIFY(window->settings()->sync());
    }

    // Quitting with changes the working copy cannot take (a full disk): the window asks; cancel keeps the
    // window and the edit, which reaches the working copy once the disk has room; "save as" writes the whole
    // project elsewhere, and that file is the project then, unchanged. 0 "save as", 1 quit anyway, 2 cancel;
    // -1: no question expected. Saved as the project's own file, the working copy's disk stays full until the
    // window is gone (a file size limit is lifted by the file dialog), then the program starts again.
    void quitWithAWorkingCopyThatCannotBeWritten_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("closed");
        QTest::newRow("disk has room") << false << -1 << QString() << true;
        QTest::newRow("cancel") << true << 2 << QString() << false;
        QTest::newRow("quit anyway") << true << 1 << QString() << true;
        QTest::newRow("save as") << true << 0 << "elsewhere.fm" << true;
        QTest::newRow("save as, no name given") << true << 0 << QString() << false;
        QTest::newRow("save as, without .fm") << true << 0 << "other" << true;
        QTest::newRow("save as the project, restart") << true << 0 << "a.fm" << true;
    }
    void quitWithAWorkingCopyThatCannotBeWritten()
    {
        QFETCH(bool, diskFull);
        QFETCH(int, answer);
        QFETCH(QString, file);
        QFETCH(bool, closed);
        const bool restart = file == "a.fm";
        loadAndChange(!restart, diskFull && !restart);
        if (restart) {
            fullDisk.emplace(QFileInfo(window->workingCopy()).path());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*/working[-\\w]*\\.fm$"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: working copy removed, it was behind "));
            QCOMPARE(window->settings()->set("rds.1.ps", "EDITED", true), 0);
        }
        const QString saved = file.isEmpty() ? QString() : path(file.endsWith(".fm") ? file : file + ".fm");
        answers = {answer};
        files = QStringList{file.isEmpty() ? QString() : path(file)};
        if (answer == 1)
            QTest::ignoreMessage(QtWarningMsg, "MAN: quit without the latest changes");
        QCOMPARE(window->close(), closed);
        const bool lifted = !full.has_value();
        full.reset();

        QCOMPARE(questions.size(), diskFull ? 1 : 0);
        if (diskFull) {
            QVERIFY2(questions.first().startsWith("Beenden: Die letzten Änderungen lassen sich nicht in die "
                                                  "Arbeitskopie schreiben"), qPrintable(questions.first()));
            QVERIFY(questions.first().endsWith("[Speichern unter...|Trotzdem beenden|Abbrechen]"));
            if (saved.isEmpty())
                QCOMPARE(read(window->workingCopy()).contains("EDITED"), false);
        }
        QCOMPARE(window->settings()->value("rds.1.ps").toString(), QString("EDITED"));
        QCOMPARE(window->projectName(), saved.isEmpty() ? path("a.fm") : saved);
        QCOMPARE(window->settings()->dirty.load(), saved.isEmpty());
        if (!saved.isEmpty()) {
            QVERIFY(lifted);
            const QByteArray bytes = read(saved);
            QVERIFY2(bytes.contains("ps=EDITED") && bytes.contains("freq=91.5"), bytes.constData());
        }
        if (restart) {
            // The disk has room again only after the window is gone.
            window.reset();
            fullDisk.reset();
            startWindow();
            QCOMPARE(window->projectName(), saved);
            QVERIFY(!window->settings()->dirty);
            QCOMPARE(window->settings()->value("rds.1.ps").toString(), QString("EDITED"));
            QCOMPARE(read(window->workingCopy()), read(saved));
        }
        if (!closed)
            QVERIFY(waitUntil([&] { return read(window->workingCopy()).contains("ps=EDITED"); },
                              5 * Settings::retryMs));
        QVERIFY(window->settings()->sync());
    }

    // "Speichern unter..." at quit onto another disk while the per-user disk is full (working copy and ini), or
    // while the data directory's disk and the ini's are both full ("two disks": the ini in a directory of its own):
    // the file saved is whole and the working copy behind it goes, and nothing writes it again, also when its
    // removal gave its disk room; the ini cannot take the new name, so the window and the log say what the next
    // start really opens, which it then does: the project the ini still names, as it is on its disk.
    void quitSavingElsewhereWhileTheIniIsFull_data()
    {
        QTest::addColumn<bool>("twoDisks");
        QTest::newRow("one disk") << false;
        QTest::newRow("two disks") << true;
    }
    void quitSavingElsewhereWhileTheIniIsFull()
    {
        QFETCH(bool, twoDisks);
        const QString iniFile = twoDisks ? path("cfg/t.ini") : path("app.ini");
        if (twoDisks) {
            QVERIFY(QDir(dir.path()).mkpath("cfg"));
            window.reset();
            ini = std::make_unique<Settings>(iniFile);
            ini->setValue("Remote/portControl", 0);
            startWindow();
        }
        loadAndChange(true, false);
        QVERIFY(syncIni());
        const QByteArray project = read(path("a.fm"));
        QTemporaryDir other;
        const QString saved = other.filePath("elsewhere.fm");
        if (twoDisks)
            fullDisk.emplace(QStringList{dir.filePath("Pellrock"), dir.filePath("cfg")});
        else
            fullDisk.emplace(dir.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*/working[-\\w]*\\.fm$"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: cannot write .*/(app|t).ini$"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MAN: working copy removed, it was behind "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings: .*/working[-\\w]*\\.fm is written no more$"));
        answers = {0};
        files = QStringList{saved};
        QVERIFY(window->close());
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions.at(1), "Beenden: Die Einstellungsdatei nimmt den Projektnamen nicht an (Datenträger "
                                  "voll?):\n" + iniFile + "\n\nDer nächste Start öffnet " + path("a.fm") +
                                      ". [Ok]");
        QVERIFY(read(saved).contains("ps=EDITED"));
        QVERIFY(!QFileInfo::exists(window->workingCopy()));
        if (twoDisks) {
            // The removal gave the data directory's disk room; the ini's stays full.
            fullDisk.reset();
            fullDisk.emplace(dir.filePath("cfg"));
            QVERIFY(!window->settings()->sync());
            QVERIFY(!QFileInfo::exists(window->workingCopy()));
        }
        const QString working = window->workingCopy();
        QTest::ignoreMessage(QtDebugMsg, qPrintable("MAN: the next start opens " + path("a.fm")));
        window.reset();
        QVERIFY(!QFileInfo::exists(working));
        // The program ends with the disk still full: the ini's last write fails too. Then it starts again.
        ini.reset();
        fullDisk.reset();
        ini = std::make_unique<Settings>(iniFile);
        startWindow();
        QCOMPARE(window->projectName(), path("a.fm"));
        QVERIFY(!noteShown());
        QCOMPARE(window->windowTitle(), QString("Trovina - a.fm"));
        QCOMPARE(window->settings()->value("rds.1.ps").toString(), QString());
        QVERIFY(window->settings()->sync());
        QVERIFY(!read(window->workingCopy()).contains("EDITED"));
        QCOMPARE(read(path("a.fm")), project);
        if (twoDisks) {
            window.reset();
            ini = std::make_unique<Settings>(path("app.ini"));
            startWindow();
        }
    }

    // A start that cannot open the project it names says so in the window. When that is the project "Last/file"
    // names (there is no working copy), a new project stands in for it and "Last/file" keeps the name until
    // another project is taken up; a stand-in nobody changed goes at quit, so that the next start tries that
    // project again. What was stored into a stand-in is kept: the next start opens the project all the same
    // and names the file that holds the stand-in. how: "gone" (the file is missing), "full" (it cannot be copied
    // into the working copy: a file size limit), "edited" (gone, and the stand-in changed), "edited, still
    // gone" (the project is missing at the next start too), "opened another" (gone, then LOAD), "command line" (a
    // project named on the command line is missing: the working copy of the last run is taken up, under its
    // name).
    void startThatCannotOpenItsProject_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("note");
        for (const char *how : {"gone", "edited", "edited, still gone", "opened another", "command line"})
            QTest::newRow(how) << how << "gone.fm nicht geöffnet: Datei nicht gefunden";
        QTest::newRow("full") << "full" << "a.fm nicht geöffnet: nicht in die Arbeitskopie kopiert (Datenträger voll?)";
    }
    void startThatCannotOpenItsProject()
    {
        QFETCH(QString, how);
        QFETCH(QString, note);
        const QString last = how == "full" ? path("a.fm") : path("gone.fm");
        const QString named = how == "command line" ? path("gone.fm") : last;
        QCOMPARE(ask("LOAD " + path("a.fm").toUtf8()), QStringList{"LOAD ok: " + path("a.fm")});
        const QString working = window->workingCopy();
        window.reset();
        QFile::remove(path("gone.fm"));
        if (how != "command line") {
            // The last run saved its project elsewhere at quit, its working copy behind it.
            ini->setValue("Last/file", last);
            QVERIFY(QFile::remove(working));
        }
        QVERIFY(syncIni());
        if (how == "full")
            full.emplace(16);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("MAN: cannot open " + named));
        startWindow(how == "command line" ? named : QString());
        full.reset();
        auto *label = window->findChild<QLabel *>("startNote");
        QCOMPARE(label->text(), note);
        QCOMPARE(label->toolTip(), named);
        QVERIFY(noteShown());
        QCOMPARE(window->projectName(), how == "command line" ? path("a.fm") : QString());
        QVERIFY(syncIni());
        QCOMPARE(ini->value("Last/file").toString(), how == "command line" ? path("a.fm") : last);
        QVERIFY(QFileInfo::exists(working));

        if (how == "opened another") {
            QCOMPARE(ask("LOAD " + path("b.fm").toUtf8()), QStringList{"LOAD ok: " + path("b.fm")});
            QVERIFY(!noteShown());
            QVERIFY(syncIni());
            QCOMPARE(ini->value("Last/file").toString(), path("b.fm"));
            return;
        }
        const bool edited = how.startsWith("edited");
        if (edited)
            QCOMPARE(window->settings()->set("channel.1.freq", "104.4", true), 0);
        // Quit: what the next start opens is logged, and it opens that.
        const QString next = edited ? last + " (die Änderungen am Ersatzprojekt legt er in einer eigenen Datei ab)"
                             : how == "command line" ? "die Arbeitskopie von " + path("a.fm")
                                                     : last;
        QTest::ignoreMessage(QtDebugMsg, qPrintable("MAN: the next start opens " + next));
        window.reset();
        QCOMPARE(QFileInfo::exists(working), edited || how == "command line");
        QCOMPARE(ini->value("Last/file").toString(), how == "command line" ? path("a.fm") : last);
        if (how != "edited, still gone")
            write(path("gone.fm"), "[channel.1]\nused=1\nfreq=88.8\n");
        else
            QTest::ignoreMessage(QtWarningMsg, qPrintable("MAN: cannot open " + named));
        const QString kept = QFileInfo(working).path() + "/" + QFileInfo(working).completeBaseName() + ".standin-"
                             + QFileInfo(working).lastModified().toString("yyyyMMdd-HHmmss") + ".fm";
        if (edited)
            QTest::ignoreMessage(QtWarningMsg, qPrintable("MAN: what was stored into the stand-in is kept in " + kept));
        startWindow();
        if (edited) {
            const QString keptNote = "Änderungen am Ersatzprojekt gesichert in " + QFileInfo(kept).fileName();
            auto *label = window->findChild<QLabel *>("startNote");
            QCOMPARE(label->text(), how == "edited" ? keptNote : note + "; " + keptNote);
            QCOMPARE(label->toolTip(), how == "edited" ? kept : named + "\n" + kept);
            QVERIFY(read(kept).contains("freq=104.4"));
            QCOMPARE(window->projectName(), how == "edited" ? last : QString());
            // Still gone: a new stand-in, from the template.
            QCOMPARE(frequency(), how == "edited" ? QString("88.8") : QString("87.600"));
            QVERIFY(syncIni());
            QCOMPARE(ini->value("Last/file").toString(), last);
            QVERIFY(QFile::remove(kept));
            return;
        }
        QVERIFY(!noteShown());
        QCOMPARE(window->projectName(), how == "command line" ? path("a.fm") : last);
        QCOMPARE(frequency(), how == "gone" ? QString("88.8") : QString("91.5"));
    }

    // Whatever way a row leaves, the disks have room again.
    void cleanup()
    {
        full.reset();
        fullDisk.reset();
    }

    void cleanupTestCase()
    {
        client.abort();
        window.reset();
    }
};

QTEST_MAIN(TestFMManager)
#include "tst_fmmanager.moc"
