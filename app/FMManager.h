#pragma once

#include "BoardIP.h"
#include "BoardInfo.h"

#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QSharedPointer>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

class Dynamic;
class FMBoard;
class FMServer;
class FMSettings;
class QAction;
class QSettings;
class QTabWidget;
class TabRDS;
class TabTMC;

// The main window: builds the program's parts in order, owns the four board
// links and the control server, loads and saves projects and shows the
// state of boards and remote control.
//
// Build order: band strip, menus and toolbar, the event roll dock, the
// pages (a tab widget; the RDS and TMC pages join it here, before any board
// thread exists), the status bar, the control server, the four board links,
// then the first project and the 1296 ms timer that shows unsaved changes.
//
// Projects: the program edits a working copy in the per-user data
// directory (WorkingCopy). Loading copies a file over it and opens it as
// the one shared FMSettings, which then goes to the boards, the server, the
// pages and the event roll. Saving copies the working copy to the target and
// keeps the target's old content as ".fbk".
//
// Unsaved changes: File > New and File > Open ask first whether a changed
// project is saved, dropped or kept (the remote's NEW and LOAD do not ask);
// what is being typed in a field counts as a change. Closing the window
// asks when the working copy cannot take the latest changes (a full disk):
// save them elsewhere (the next start opens that file), quit anyway or
// stay. Every question and file dialog goes through a replaceable function,
// so tests answer them.
//
// Shutdown (destructor): every board thread is asked to quit, then each is
// waited for and deleted (the board thread takes its board off air and
// unlocks it on the way out), then the project is released.
//
// Threads: GUI thread only. Board signals arrive queued; on-air and unlock
// requests go to the boards queued, so they run in the board threads.
class FMManager : public QMainWindow
{
    Q_OBJECT

public:
    // appIni stays owned by the caller and must outlive the window. project:
    // a file to load at start; empty resumes the working copy of the last run.
    FMManager(QSettings &appIni, const QString &project = QString(), QWidget *parent = nullptr);
    ~FMManager() override;

    QSharedPointer<FMSettings> settings() const { return m_project; }
    QString projectName() const { return m_name; }
    // The working copy of this window's application ini (WorkingCopy::path).
    QString workingCopy() const { return m_working; }

    // A message box with the buttons named, in order; the answer is the
    // index of the one chosen. The last button also answers Escape and the
    // box's close button.
    using Question = std::function<int(QMessageBox::Icon icon, const QString &title, const QString &text,
                                       const QStringList &buttons)>;
    // A project file to open (save false) or to write; empty when cancelled.
    using FileQuestion = std::function<QString(const QString &title, const QString &dir, bool save)>;
    // Replace the message boxes and the file dialogs (tests answer them).
    void setQuestion(Question question);
    void setFileQuestion(FileQuestion question);

public slots:
    // Slots of the control server's signals (and of the File menu).
    QString newFile(const QString &path);
    QString openFile(const QString &path);
    bool saveFile(const QString &path);
    bool onRemoteCD(const QString &dir);
    void onRemote(uint port, const QString &peer);
    // The remote-port dialog.
    void onRemote();
    void updateBand();
    // Bring a source to the front on the RDS or TMC page.
    void showRDS(int id, int tab = -1);
    void showTMC(int id);

    // Copies path over the working copy and makes it the project; false
    // (the current project kept) when the file cannot be copied or the
    // working copy cannot be replaced.
    bool loadFile(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void initLang();
    void buildBandStrip();
    void buildMenus();
    void buildDocks();
    void buildPages();
    void buildStatus();
    void createServer();
    void createBoards();
    // The first project: the one named, else the working copy, else the
    // file "Last/file" names, else a new one. A project that cannot be
    // opened is named in the window (noteNotOpened); when "Last/file" is
    // that project, a new one stands in for it (m_standIn) and the name
    // stays for the next start.
    void startProject(const QString &project);
    void startProjectOpen(const QString &project);
    void noteNotOpened(const QString &path);
    // The working copy of a stand-in (the ini's "Last/standin") is renamed
    // to "<working copy>.standin-<its time>.fm" beside it, so that neither
    // the project it stood in for nor another replaces it; the kept file,
    // empty when there was none. One that cannot be renamed is taken up
    // again as the stand-in.
    QString keepStandInAside();
    void noteStandInKept(const QString &kept);
    // The user opened, made or saved another project: the note goes, and a
    // stand-in's name becomes the project's in "Last/file".
    void takeUpAnotherProject();

    // Hands the working copy, opened as a new project called name, to
    // everyone; dirty is the unsaved-changes flag it starts with. announce:
    // whether the control server tells its client "LOAD ok: " (not when the
    // current project is taken up again after a failed load).
    void attachProject(const QString &name, bool dirty, bool announce = true);
    // Takes the project from everyone and releases it, its file written.
    void detachProject();
    // Copies source over the working copy and attaches it as name. False
    // when source cannot be copied or the working copy cannot be replaced;
    // then the current project stays, under its name.
    bool replaceProject(const QString &source, const QString &name);

    void boardInfo(const BoardInfo &info, int board);
    void boardOnline(const BoardIP &target, int board);
    void boardOffline(const BoardIP &target, int board);
    void boardOnAir(bool on);
    void boardLocked(int board);
    void takeOverWithdrawn(int board);
    // Shows the channels whose RDS data port could not be taken.
    void rdsPortState(int channel, int port, const QString &error);
    void setOnAir(bool on);
    void showDirty();
    void saveWindowState();
    // Writes the application ini now; false when its file cannot take it.
    // Called at a quit only.
    bool writeIni();
    // How long a write at a quit may still wait for another process's turn
    // at the directory (the window is closing, and the boards never wait for
    // it): the last writes wait, for 5 s in all, and not again once that is
    // spent.
    int quitTurn();
    // What the next start opens, as the files stand (the ini's file, not
    // the ini in memory, unless it was just written), in words for the log
    // and the window.
    QString nextStart(bool iniWritten);
    void shutdown();

    int ask(QMessageBox::Icon icon, const QString &title, const QString &text, const QStringList &buttons);
    QString askFile(const QString &title, const QString &dir, bool save);
    void warn(const QString &title, const QString &text);
    // What is being typed in a field of the window is stored as leaving the
    // field stores it, before anything decides on unsaved changes or saves.
    void storeTyping();
    // Before File > New or Open replaces the project: a changed project is
    // saved or dropped as the user answers; false when they cancel or the
    // save fails.
    bool mayReplaceProject(const QString &title);
    // Before the window closes: true when the working copy holds every
    // change, the project's file holds them (saved while the working copy
    // could not take them), or the user saved them elsewhere or chose to
    // lose them. A project saved elsewhere here becomes that file,
    // unchanged; a working copy still behind it is removed, so that the next
    // start opens the file.
    bool mayQuit();
    // At a quit, with the project's file holding every change: a working
    // copy behind it is removed and written no more, and the ini is written
    // (the window says what the next start opens when it cannot be).
    void leaveWorkingCopy(const QString &title);
    // Whether the project's file holds every change (saved, also while the
    // working copy could not take it).
    bool savedInItsFile() const;
    // Removes the working copy behind the project's file; nothing writes it
    // again.
    void dropWorkingCopy();
    // Writes the project as it stands in memory (changes the working copy
    // could not take included) to path, keeping an existing file as its
    // ".fbk". The project's name and unsaved-changes flag stay.
    bool saveElsewhere(const QString &path);

    void menuNew();
    void menuOpen();
    bool menuSave();
    bool menuSaveAs();

    QSettings &m_ini;
    const QString m_iniFile;
    // This ini's working copy: no other instance writes it.
    const QString m_working;
    QSharedPointer<FMSettings> m_project;
    QString m_name; // the project's file, empty for an unnamed project
    FMServer *m_server = nullptr;
    FMBoard *m_boards[4] = {};
    // The open take-over question of each board, closed when the link
    // leaves the state it asks about.
    QPointer<QMessageBox> m_questions[4];

    QLabel *m_bandStrip = nullptr;
    QLabel *m_projectLabel = nullptr;
    // Names the project the start could not open, until another is taken up.
    QLabel *m_startNote = nullptr;
    QAction *m_startNoteAction = nullptr;
    // The project stands in for the one "Last/file" names, which the start
    // could not open.
    bool m_standIn = false;
    // Set in the ini while the working copy holds a stand-in.
    static constexpr const char *standInKey = "Last/standin";
    // The working copy was removed behind the project's file (dropWorkingCopy).
    bool m_workingDropped = false;
    // Started by the first write at a quit (quitTurn).
    static constexpr int quitTurnMs = 5000;
    QElapsedTimer m_quitTurns;
    QTabWidget *m_pages = nullptr;
    static constexpr int rdsPageIndex = 0;
    static constexpr int tmcPageIndex = 1;
    TabRDS *m_rdsPage = nullptr;
    TabTMC *m_tmcPage = nullptr;
    Dynamic *m_roll = nullptr;
    QAction *m_onAirAction = nullptr;
    QLabel *m_boardLabels[4] = {};
    QLabel *m_remoteLamp = nullptr;
    QLabel *m_remoteText = nullptr;
    QLabel *m_rdsPortLamp = nullptr;
    QLabel *m_rdsPortText = nullptr;
    QMap<int, QPair<int, QString>> m_rdsPortFailures; // channel -> port, why
    QTimer m_dirtyTimer;
    Question m_question;
    FileQuestion m_fileQuestion;
    bool m_onAir = false; // as the boards reported last
    bool m_shutDown = false;
};
