#include "FMManager.h"

#include "AppIni.h"
#include "Dynamic.h"
#include "ECC.h"
#include "FMBoard.h"
#include "FMServer.h"
#include "FMSettings.h"
#include "IniText.h"
#include "ProjectFiles.h"
#include "RecordText.h"
#include "Settings.h"
#include "TabRDS.h"
#include "TabTMC.h"
#include "TmcCatalog.h"
#include "WorkingCopy.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHostAddress>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QSettings>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QToolBar>

namespace {

constexpr int dirtyWatchMs = 1296;
constexpr int defaultControlPort = 1248;
constexpr int defaultRdsPort = 4001;
constexpr int defaultOsci = 52;

const char *const bandNames[] = {"87,5 - 108 MHz", "76 - 95 MHz", "76 - 108 MHz"};

// The file of the application ini: a key store's own file, or the
// framework's settings file.
QString iniFileOf(const QSettings &ini)
{
    if (const auto *store = dynamic_cast<const Settings *>(&ini))
        return store->fileName();
    return ini.fileName();
}

QString lampStyle(const char *colour)
{
    return QStringLiteral("background:%1; border:1px solid #555; border-radius:6px;").arg(QLatin1String(colour));
}

} // namespace

FMManager::FMManager(QSettings &appIni, const QString &project, QWidget *parent)
    : QMainWindow(parent), m_ini(appIni), m_iniFile(iniFileOf(appIni)), m_working(WorkingCopy::path(m_iniFile))
{
    setObjectName(QStringLiteral("FMManager"));
    BoardIP::registerMetaType();
    BoardInfo::registerMetaType();
    initLang();
    buildBandStrip();
    buildMenus();
    buildDocks();
    buildPages();
    buildStatus();
    createServer();
    createBoards();
    startProject(project);

    if (!restoreGeometry(m_ini.value(QStringLiteral("Main/geometry")).toByteArray()))
        resize(1100, 720);
    restoreState(m_ini.value(QStringLiteral("Main/state")).toByteArray());
    connect(&m_dirtyTimer, &QTimer::timeout, this, &FMManager::showDirty);
    m_dirtyTimer.start(dirtyWatchMs);
}

FMManager::~FMManager()
{
    saveWindowState();
    shutdown();
}

void FMManager::initLang()
{
    const QString lang = m_ini.value(QStringLiteral("Board/lang"), QStringLiteral("en")).toString().toLower();
    langGerman = lang != QLatin1String("en");
    uiLanguageIndex = lang == QLatin1String("en") ? 0 : 1;
}

// ---- Building the window

void FMManager::buildBandStrip()
{
    m_bandStrip = new QLabel(this);
    m_bandStrip->setObjectName(QStringLiteral("bandStrip"));
    m_bandStrip->setMargin(4);
}

void FMManager::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&Datei"));
    file->addAction(tr("&Neu..."), this, &FMManager::menuNew, QKeySequence::New)
        ->setObjectName(QStringLiteral("fileNew"));
    file->addAction(tr("Ö&ffnen..."), this, &FMManager::menuOpen, QKeySequence::Open)
        ->setObjectName(QStringLiteral("fileOpen"));
    file->addAction(tr("&Speichern"), this, &FMManager::menuSave, QKeySequence::Save)
        ->setObjectName(QStringLiteral("fileSave"));
    file->addAction(tr("Speichern &unter..."), this, &FMManager::menuSaveAs, QKeySequence::SaveAs)
        ->setObjectName(QStringLiteral("fileSaveAs"));
    file->addSeparator();
    file->addAction(tr("&Beenden"), this, &QWidget::close, QKeySequence::Quit)
        ->setObjectName(QStringLiteral("fileQuit"));
    QMenu *remote = menuBar()->addMenu(tr("&Fernsteuerung"));
    remote->addAction(tr("&Ports..."), this, qOverload<>(&FMManager::onRemote));

    QToolBar *bar = addToolBar(tr("Sender"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    m_onAirAction = bar->addAction(tr("On Air"));
    m_onAirAction->setObjectName(QStringLiteral("onAir"));
    m_onAirAction->setCheckable(true);
    bar->widgetForAction(m_onAirAction)->setStyleSheet(
        QStringLiteral("QToolButton { padding: 2px 10px; font-weight: bold; }"
                       "QToolButton:checked { background: #c62828; color: white; border-radius: 3px; }"));
    m_onAirAction->setToolTip(tr("Alle Modulatoren ein- oder ausschalten"));
    connect(m_onAirAction, &QAction::triggered, this, &FMManager::setOnAir);
    bar->addSeparator();
    bar->addWidget(m_bandStrip);
    bar->addSeparator();
    m_projectLabel = new QLabel(this);
    m_projectLabel->setMargin(4);
    bar->addWidget(m_projectLabel);
    m_startNote = new QLabel(this);
    m_startNote->setObjectName(QStringLiteral("startNote"));
    m_startNote->setMargin(4);
    m_startNote->setStyleSheet(QStringLiteral("color: #c62828; font-weight: bold;"));
    m_startNoteAction = bar->addWidget(m_startNote);
    m_startNoteAction->setObjectName(QStringLiteral("startNoteAction"));
    m_startNoteAction->setVisible(false);
}

void FMManager::buildDocks()
{
    m_roll = new Dynamic(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_roll);
}

void FMManager::buildPages()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setDocumentMode(true);
    // Built before the board threads: the TMC page's message table loads the
    // TMC catalogues (tmcLoadCatalogues), which the encoders then read
    // without a lock.
    // Each page scrolls, so the window fits a laptop screen.
    const auto scrolled = [this](QWidget *page) {
        auto *area = new QScrollArea(m_pages);
        area->setWidget(page);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        return area;
    };
    m_rdsPage = new TabRDS;
    m_pages->addTab(scrolled(m_rdsPage), QStringLiteral("RDS"));
    m_tmcPage = new TabTMC;
    m_pages->addTab(scrolled(m_tmcPage), QStringLiteral("TMC"));
    setCentralWidget(m_pages);
}

void FMManager::buildStatus()
{
    for (int b = 0; b < AppIni::boardCount; ++b) {
        m_boardLabels[b] = new QLabel(tr("Modulator %1: -").arg(b + 1), this);
        m_boardLabels[b]->setMinimumWidth(150);
        statusBar()->addWidget(m_boardLabels[b]);
    }
    m_remoteLamp = new QLabel(this);
    m_remoteLamp->setFixedSize(12, 12);
    m_remoteLamp->setStyleSheet(lampStyle("#888"));
    m_remoteText = new QLabel(tr("Fernsteuerung inaktiv"), this);
    statusBar()->addPermanentWidget(m_remoteLamp);
    statusBar()->addPermanentWidget(m_remoteText);
    // Shown only while a channel's RDS data port cannot be taken.
    m_rdsPortLamp = new QLabel(this);
    m_rdsPortLamp->setFixedSize(12, 12);
    m_rdsPortLamp->setStyleSheet(lampStyle("#d22"));
    m_rdsPortText = new QLabel(this);
    m_rdsPortText->setObjectName(QStringLiteral("rdsPortText"));
    statusBar()->addPermanentWidget(m_rdsPortLamp);
    statusBar()->addPermanentWidget(m_rdsPortText);
    m_rdsPortLamp->hide();
    m_rdsPortText->hide();
}

void FMManager::createServer()
{
    m_server = new FMServer(this);
    connect(m_server, &FMServer::newFile, this, &FMManager::newFile);
    connect(m_server, &FMServer::loadFile, this, &FMManager::openFile);
    connect(m_server, &FMServer::saveFile, this, &FMManager::saveFile);
    connect(m_server, &FMServer::onCD, this, &FMManager::onRemoteCD);
    connect(m_server, qOverload<uint, const QString &>(&FMServer::onRemote), this,
            qOverload<uint, const QString &>(&FMManager::onRemote));
    connect(m_server, &FMServer::onBand, this, &FMManager::updateBand);
    m_server->setPort(m_ini.value(QStringLiteral("Remote/portControl"), defaultControlPort).toInt());
}

void FMManager::createBoards()
{
    const u16 rdsPort = u16(m_ini.value(QStringLiteral("Remote/portRDSData"), defaultRdsPort).toUInt());
    const int osci = m_ini.value(QStringLiteral("Board/osci"), defaultOsci).toInt();
    for (int b = 0; b < AppIni::boardCount; ++b) {
        FMBoard *board = new FMBoard(u8(b), rdsPort, osci);
        m_boards[b] = board;
        connect(board, &FMBoard::boardInfo, this, &FMManager::boardInfo);
        connect(board, &FMBoard::online, this, &FMManager::boardOnline);
        connect(board, &FMBoard::offline, this, &FMManager::boardOffline);
        connect(board, &FMBoard::onair, this, &FMManager::boardOnAir);
        connect(board, &FMBoard::userUnlock, this, &FMManager::boardLocked);
        connect(board, &FMBoard::takeOverWithdrawn, this, &FMManager::takeOverWithdrawn);
        connect(board, &FMBoard::rdsPortState, this, &FMManager::rdsPortState);
        connect(m_server, &FMServer::setOnAir, board, &FMBoard::setOnAir, Qt::QueuedConnection);
    }
    for (int b = 0; b < AppIni::boardCount; ++b) {
        const BoardIP target = AppIni::boardAddress(m_ini, b);
        if (target.isNull()) {
            m_boardLabels[b]->setText(tr("Modulator %1: nicht konfiguriert").arg(b + 1));
            continue;
        }
        m_boards[b]->connectTo(target);
        m_boardLabels[b]->setText(tr("Modulator %1: verbinde").arg(b + 1));
        m_boardLabels[b]->setToolTip(target.addressText());
    }
}

// ---- Projects

void FMManager::startProject(const QString &project)
{
    // What was stored into a stand-in is no part of the project it stood
    // in for: it goes to a file of its own before anything replaces it.
    const QString kept = keepStandInAside();
    startProjectOpen(project);
    if (!kept.isEmpty())
        noteStandInKept(kept);
}

QString FMManager::keepStandInAside()
{
    if (!m_ini.value(standInKey, false).toBool() || !QFileInfo(m_working).isFile())
        return QString();
    const QFileInfo working(m_working);
    const QString stem = working.path() + QLatin1Char('/') + working.completeBaseName() + QStringLiteral(".standin-")
                         + working.lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 100; ++n) {
        const QString kept = stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".fm");
        // QFile::rename never replaces a file that exists.
        if (QFile::rename(m_working, kept)) {
            qWarning().noquote() << "MAN: what was stored into the stand-in is kept in" << kept;
            return kept;
        }
    }
    // It stays where it is and is taken up again as the stand-in it was,
    // rather than replaced by the project.
    qWarning().noquote() << "MAN: cannot keep the stand-in aside, it is taken up again" << m_working;
    m_standIn = true;
    return QString();
}

void FMManager::noteStandInKept(const QString &kept)
{
    const QString note = tr("Änderungen am Ersatzprojekt gesichert in %1").arg(QFileInfo(kept).fileName());
    const bool shown = m_startNoteAction->isVisible();
    m_startNote->setText(shown ? m_startNote->text() + QStringLiteral("; ") + note : note);
    m_startNote->setToolTip(shown ? m_startNote->toolTip() + QLatin1Char('\n') + QDir::toNativeSeparators(kept)
                                  : QDir::toNativeSeparators(kept));
    m_startNoteAction->setVisible(true);
}

void FMManager::startProjectOpen(const QString &project)
{
    if (!project.isEmpty()) {
        const QString path = QFileInfo(project).absoluteFilePath();
        if (replaceProject(path, path))
            return;
        qWarning().noquote() << "MAN: cannot open" << path;
        noteNotOpened(path);
    }
    const QString last = m_ini.value(QStringLiteral("Last/file")).toString();
    if (QFileInfo(m_working).isFile()) {
        // A stand-in that could not be kept aside goes on as one.
        attachProject(m_standIn ? QString() : last, m_ini.value(QStringLiteral("Last/dirty"), false).toBool());
        return;
    }
    // No working copy: the last run saved its project at quit to a file while
    // the working copy was behind it (or someone removed it): that file.
    if (!last.isEmpty()) {
        if (QFileInfo(last).isFile() && replaceProject(last, last))
            return;
        qWarning().noquote() << "MAN: cannot open" << last;
        noteNotOpened(last);
        // A new project stands in for it; "Last/file" keeps its name until
        // the user opens or makes another project.
        m_standIn = true;
    }
    if (!replaceProject(WorkingCopy::defaultTemplate(), QString())) {
        // Not even the template could be copied: start from an empty file.
        QFile(m_working).open(QIODevice::WriteOnly);
        attachProject(QString(), false);
    }
}

void FMManager::noteNotOpened(const QString &path)
{
    const QString reason = QFileInfo(path).isFile() ? tr("nicht in die Arbeitskopie kopiert (Datenträger voll?)")
                                                    : tr("Datei nicht gefunden");
    const QString note = tr("%1 nicht geöffnet: %2").arg(QFileInfo(path).fileName(), reason);
    // The first project that could not be opened is the one the user asked for.
    if (m_startNoteAction->isVisible())
        return;
    m_startNote->setText(note);
    m_startNote->setToolTip(QDir::toNativeSeparators(path));
    m_startNoteAction->setVisible(true);
}

void FMManager::takeUpAnotherProject()
{
    m_startNoteAction->setVisible(false);
    m_startNote->clear();
    if (!m_standIn)
        return;
    m_standIn = false;
    m_ini.setValue(QStringLiteral("Last/file"), m_name);
    m_ini.remove(standInKey);
}

void FMManager::detachProject()
{
    if (!m_project)
        return;
    m_roll->setSettings(nullptr);
    m_server->setSettings(nullptr, QString());
    for (FMBoard *board : m_boards)
        board->setSettings(nullptr);
    m_rdsPage->setSettings(nullptr);
    m_tmcPage->setSettings(nullptr);
    m_project->sync();
    m_project.reset();
}

bool FMManager::replaceProject(const QString &source, const QString &name)
{
    const QString &working = m_working;
    if (ProjectFiles::sameFile(source, working)) {
        // The working copy itself: opened again as it is, changes and all.
        const bool dirty = m_project && m_project->dirty.load();
        detachProject();
        attachProject(name, dirty);
        return true;
    }
    QString side;
    if (!WorkingCopy::copyToSide(source, working, &side))
        return false;
    const bool hadProject = m_project;
    const QString oldName = m_name;
    const bool oldDirty = hadProject && m_project->dirty.load();
    detachProject();
    if (WorkingCopy::replaceWith(side, working)) {
        attachProject(name, false);
        return true;
    }
    // The working copy is as it was (written out by the detach): the
    // project goes on under its old name, with nothing announced.
    qWarning().noquote() << "MAN: cannot replace the working copy" << working;
    QFile::remove(side);
    if (hadProject)
        attachProject(oldName, oldDirty, false);
    return false;
}

void FMManager::attachProject(const QString &name, bool dirty, bool announce)
{
    m_name = name;
    m_project = QSharedPointer<FMSettings>::create(m_working);
    m_workingDropped = false;
    int boards = 1;
    for (int b = 0; b < AppIni::boardCount; ++b)
        if (!AppIni::boardAddress(m_ini, b).isNull())
            boards = b + 1;
    m_project->setBoardCount(boards);
    // The automatic AF lists exist only after this.
    m_project->updateAF(true);
    for (FMBoard *board : m_boards)
        board->setSettings(m_project);
    m_server->setSettings(m_project, m_name, announce);
    m_rdsPage->setSettings(m_project);
    m_tmcPage->setSettings(m_project);
    m_roll->setSettings(m_project);
    updateBand();
    // What the steps above derive (automatic AF lists, EON entries, a band
    // brought into range) is no change of the user's.
    m_project->dirty = dirty;
    // A project that stands in for one the start could not open leaves
    // that one's name for the next start, which keeps what was stored into
    // the stand-in aside (keepStandInAside).
    if (!m_standIn) {
        m_ini.setValue(QStringLiteral("Last/file"), m_name);
        m_ini.remove(standInKey);
    } else {
        m_ini.setValue(standInKey, true);
    }
    qDebug().noquote() << "MAN: project" << (m_name.isEmpty() ? QStringLiteral("(new)") : m_name);
    showDirty();
}

bool FMManager::loadFile(const QString &path)
{
    if (!replaceProject(path, path))
        return false;
    takeUpAnotherProject();
    return true;
}

QString FMManager::newFile(const QString &path)
{
    if (QFileInfo::exists(path))
        return tr("Datei existiert bereits");
    if (!ProjectFiles::isProjectName(path))
        return tr("Projektdateien enden auf .fm");
    // A new project is a copy of the template or nothing: never an empty
    // file passed off as one.
    QString side;
    if (!WorkingCopy::copyToSide(WorkingCopy::defaultTemplate(), path, &side))
        return tr("Datei kann nicht angelegt werden");
    // QFile::rename never replaces: a file made meanwhile under that name stays.
    if (!QFile::rename(side, path)) {
        QFile::remove(side);
        return tr("Datei kann nicht angelegt werden");
    }
    if (!loadFile(path)) {
        QFile::remove(path);
        return tr("Datei kann nicht angelegt werden");
    }
    return QString();
}

QString FMManager::openFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return tr("Datei nicht gefunden");
    if (!loadFile(path))
        return tr("Projekt kann nicht geladen werden");
    return QString();
}

bool FMManager::saveFile(const QString &path)
{
    if (!m_project)
        return false;
    if (!ProjectFiles::isProjectName(path) || ProjectFiles::sameFile(path, m_working)) {
        qWarning().noquote() << "MAN: save refused or failed" << path;
        return false;
    }
    // A working copy without the latest changes must not pass for the
    // project: when it cannot take them now (another process writing in its
    // directory, a full disk), the project is written from memory.
    const bool behind = !m_project->sync();
    if (behind)
        qWarning().noquote() << "MAN: cannot write the working copy, saving the project from memory" << path;
    if (behind ? !saveElsewhere(path) : !ProjectFiles::saveCopy(m_working, path)) {
        qWarning().noquote() << "MAN: save failed" << path;
        return false;
    }
    m_project->dirty = false;
    m_name = QFileInfo(path).absoluteFilePath();
    m_ini.setValue(QStringLiteral("Last/file"), m_name);
    takeUpAnotherProject();
    qDebug().noquote() << "MAN: saved" << m_name;
    showDirty();
    return true;
}

bool FMManager::onRemoteCD(const QString &dir)
{
    m_ini.setValue(QStringLiteral("Remote/path"), dir);
    return false;
}

// ---- Remote control

void FMManager::onRemote(uint port, const QString &peer)
{
    if (port == 0) {
        m_remoteLamp->setStyleSheet(lampStyle("#888"));
        m_remoteText->setText(tr("Fernsteuerung inaktiv"));
    } else if (port < 1024) {
        m_remoteLamp->setStyleSheet(lampStyle("#d22"));
        m_remoteText->setText(tr("Port Fehler"));
        m_remoteText->setToolTip(peer);
    } else {
        m_remoteLamp->setStyleSheet(lampStyle("#2b2"));
        m_remoteText->setToolTip(QString());
        m_remoteText->setText(peer.isEmpty()
                                  ? tr("keine Fernsteuerung verbunden") + QStringLiteral(", ")
                                        + tr("Port %1").arg(port)
                                  : tr("Ferngesteuert von: ") + peer);
    }
}

void FMManager::onRemote()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("RemoteUI"));
    dialog.setWindowTitle(tr("Fernsteuerung"));
    auto *form = new QFormLayout(&dialog);
    auto *control = new QSpinBox(&dialog);
    auto *rds = new QSpinBox(&dialog);
    control->setRange(1024, 65535);
    rds->setRange(1024, 65535 - 96);
    control->setValue(m_ini.value(QStringLiteral("Remote/portControl"), defaultControlPort).toInt());
    rds->setValue(m_ini.value(QStringLiteral("Remote/portRDSData"), defaultRdsPort).toInt());
    form->addRow(tr("Steuerport (TCP)"), control);
    form->addRow(tr("RDS-Daten ab Port (TCP)"), rds);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The server and the board links move a port only when it changed:
    // moving one closes its servers and with them every connected client.
    // The same RDS port again lets the channels that could not take theirs
    // try again. Every board closes its servers of the old port before any
    // binds the new one: a board's last channel may get the port of the next
    // board's first channel, and the boards move in their own threads.
    m_ini.setValue(QStringLiteral("Remote/portControl"), control->value());
    m_ini.setValue(QStringLiteral("Remote/portRDSData"), rds->value());
    m_server->setPort(control->value());
    const u16 rdsPort = u16(rds->value());
    for (FMBoard *board : m_boards)
        board->releaseRdsPorts(rdsPort);
    for (FMBoard *board : m_boards)
        board->setRdsPort(rdsPort);
}

void FMManager::rdsPortState(int channel, int port, const QString &error)
{
    if (error.isEmpty())
        m_rdsPortFailures.remove(channel);
    else
        m_rdsPortFailures.insert(channel, qMakePair(port, error));
    const bool failed = !m_rdsPortFailures.isEmpty();
    m_rdsPortLamp->setVisible(failed);
    m_rdsPortText->setVisible(failed);
    if (!failed)
        return;
    QStringList lines;
    for (auto it = m_rdsPortFailures.cbegin(); it != m_rdsPortFailures.cend(); ++it)
        lines << tr("Kanal %1 (Port %2): %3").arg(it.key()).arg(it->first).arg(it->second);
    const auto first = m_rdsPortFailures.cbegin();
    QString text = tr("RDS-Port Fehler: Kanal %1 (Port %2)").arg(first.key()).arg(first->first);
    if (m_rdsPortFailures.size() > 1)
        text += tr(" und %1 weitere").arg(m_rdsPortFailures.size() - 1);
    m_rdsPortText->setText(text);
    m_rdsPortText->setToolTip(lines.join(QLatin1Char('\n')));
}

// ---- Band, boards, on air

void FMManager::updateBand()
{
    if (!m_project)
        return;
    int band = m_project->band();
    int attn = m_project->attn();
    m_project->setBoard(band, attn);
    m_bandStrip->setText(tr("Band %1   Dämpfung %2 dB").arg(QLatin1String(bandNames[band])).arg(attn));
    for (FMBoard *board : m_boards)
        board->setConfig(band, attn);
}

void FMManager::setOnAir(bool on)
{
    for (FMBoard *board : m_boards)
        QMetaObject::invokeMethod(board, [board, on] { board->setOnAir(on); }, Qt::QueuedConnection);
    // The switch shows what the boards report, not what was asked for.
    m_onAirAction->setChecked(m_onAir);
}

void FMManager::boardInfo(const BoardInfo &info, int board)
{
    const char chars[4] = {char(info.boardType >> 24), char(info.boardType >> 16), char(info.boardType >> 8),
                           char(info.boardType)};
    statusBar()->showMessage(tr("Modulator %1: #%2 %3 Firmware v%4")
                                 .arg(board + 1)
                                 .arg(info.boxNumber(), 3, 10, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(chars, 4))
                                 .arg(info.version),
                             5000);
}

void FMManager::boardOnline(const BoardIP &target, int board)
{
    if (board < 0 || board >= AppIni::boardCount)
        return;
    m_boardLabels[board]->setText(tr("Modulator %1: online").arg(board + 1));
    m_boardLabels[board]->setToolTip(target.addressText());
}

void FMManager::boardOffline(const BoardIP &, int board)
{
    if (board >= 0 && board < AppIni::boardCount)
        m_boardLabels[board]->setText(tr("Modulator %1: offline").arg(board + 1));
}

void FMManager::boardOnAir(bool on)
{
    m_onAir = on;
    m_onAirAction->setChecked(on);
    if (m_project)
        m_project->notify(on ? QStringLiteral("modul.onair") : QStringLiteral("modul.offline"), QVariant());
}

void FMManager::boardLocked(int board)
{
    if (board < 0 || board >= AppIni::boardCount || m_questions[board])
        return;
    const LockInfo lock = m_boards[board]->lockInfo();
    const QString who = QString::fromLatin1(reinterpret_cast<const char *>(lock.identity + 1),
                                            int(qstrnlen(reinterpret_cast<const char *>(lock.identity + 1),
                                                         LockInfo::identitySize - 1)));
    auto *box = new QMessageBox(QMessageBox::Question, tr("Modulator belegt"),
                                tr("Modulator %1 wird von %2 (%3 : %4) benutzt.\nÜbernehmen?")
                                    .arg(board + 1)
                                    .arg(who)
                                    .arg(QHostAddress(lock.ip).toString())
                                    .arg(lock.port),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_questions[board] = box;
    connect(box, &QMessageBox::finished, this, [this, board, box](int) {
        if (m_questions[board] != box)
            return; // withdrawn: the answer no longer applies
        m_questions[board] = nullptr;
        const bool takeOver = box->clickedButton() == box->button(QMessageBox::Yes);
        FMBoard *link = m_boards[board];
        if (link)
            QMetaObject::invokeMethod(link, [link, takeOver] { link->unlock(takeOver); }, Qt::QueuedConnection);
    });
    box->open();
}

void FMManager::takeOverWithdrawn(int board)
{
    if (board < 0 || board >= AppIni::boardCount || !m_questions[board])
        return;
    QMessageBox *box = m_questions[board];
    m_questions[board] = nullptr;
    box->close();
}

// ---- Pages

void FMManager::showRDS(int id, int tab)
{
    if (!m_rdsPage)
        return;
    m_pages->setCurrentIndex(rdsPageIndex);
    m_rdsPage->selectSource(id, tab);
}

void FMManager::showTMC(int id)
{
    if (!m_tmcPage)
        return;
    m_pages->setCurrentIndex(tmcPageIndex);
    m_tmcPage->selectSource(id);
}

// ---- Questions

void FMManager::setQuestion(Question question)
{
    m_question = std::move(question);
}

void FMManager::setFileQuestion(FileQuestion question)
{
    m_fileQuestion = std::move(question);
}

int FMManager::ask(QMessageBox::Icon icon, const QString &title, const QString &text, const QStringList &buttons)
{
    if (m_question)
        return m_question(icon, title, text, buttons);
    QMessageBox box(icon, title, text, QMessageBox::NoButton, this);
    QList<QPushButton *> added;
    for (int i = 0; i < buttons.size(); ++i) {
        const bool last = i == buttons.size() - 1;
        added << box.addButton(buttons.at(i), last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        if (i == 0)
            box.setDefaultButton(added.last());
    }
    box.setEscapeButton(added.isEmpty() ? nullptr : added.last());
    box.exec();
    const int chosen = added.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return chosen < 0 ? buttons.size() - 1 : chosen;
}

QString FMManager::askFile(const QString &title, const QString &dir, bool save)
{
    if (m_fileQuestion)
        return m_fileQuestion(title, dir, save);
    return save ? QFileDialog::getSaveFileName(this, title, dir, tr("Projekte (*.fm)"))
                : QFileDialog::getOpenFileName(this, title, dir, tr("Projekte (*.fm)"));
}

void FMManager::warn(const QString &title, const QString &text)
{
    ask(QMessageBox::Warning, title, text, {tr("Ok")});
}

bool FMManager::mayReplaceProject(const QString &title)
{
    storeTyping();
    if (!m_project || !m_project->dirty.load())
        return true;
    const QString text = m_name.isEmpty()
                             ? tr("Das neue Projekt hat ungespeicherte Änderungen.\nSollen sie gespeichert werden?")
                             : tr("Das Projekt %1 hat ungespeicherte Änderungen.\nSollen sie gespeichert werden?")
                                   .arg(QFileInfo(m_name).fileName());
    switch (ask(QMessageBox::Question, title, text, {tr("Speichern"), tr("Verwerfen"), tr("Abbrechen")})) {
    case 0:
        return menuSave();
    case 1:
        qDebug().noquote() << "MAN: changes dropped" << m_name;
        return true;
    default:
        return false;
    }
}

bool FMManager::mayQuit()
{
    storeTyping();
    // Quitting keeps the project in the working copy for the next start:
    // what the working copy cannot take would be lost without a word.
    if (!m_project || m_project->sync(quitTurn()))
        return true;
    const QString title = tr("Beenden");
    if (savedInItsFile()) {
        leaveWorkingCopy(title);
        return true;
    }
    const int answer = ask(QMessageBox::Warning, title,
                           tr("Die letzten Änderungen lassen sich nicht in die Arbeitskopie schreiben "
                              "(Datenträger voll?):\n%1\n\nBeim Beenden gehen sie verloren.")
                               .arg(QDir::toNativeSeparators(m_working)),
                           {tr("Speichern unter..."), tr("Trotzdem beenden"), tr("Abbrechen")});
    if (answer == 1) {
        qWarning("MAN: quit without the latest changes");
        return true;
    }
    if (answer != 0)
        return false;
    QString path = askFile(tr("Projekt speichern"), QFileInfo(m_name).path(), true);
    if (path.isEmpty())
        return false;
    if (!ProjectFiles::isProjectName(path))
        path += QStringLiteral(".fm");
    if (!saveElsewhere(path)) {
        warn(title, tr("Projekt nicht gespeichert"));
        return false;
    }
    // The file just saved is the project now, unchanged.
    m_name = QFileInfo(path).absoluteFilePath();
    m_project->dirty = false;
    m_ini.setValue(QStringLiteral("Last/file"), m_name);
    takeUpAnotherProject();
    leaveWorkingCopy(title);
    return true;
}

void FMManager::leaveWorkingCopy(const QString &title)
{
    // The working copy behind the project's file must not come back in its
    // place at the next start, which opens that file when the working copy
    // is gone; nothing writes it again (the store's retry would, into the
    // room its removal frees). One that takes every change now stays.
    if (!m_project->sync(quitTurn()))
        dropWorkingCopy();
    // The ini names the project for the next start; one that cannot take
    // the name (the same full disk) leaves the next start another one.
    if (!writeIni()) {
        warn(title, tr("Die Einstellungsdatei nimmt den Projektnamen nicht an (Datenträger voll?):\n%1\n\n"
                       "Der nächste Start öffnet %2.")
                        .arg(QDir::toNativeSeparators(m_iniFile), nextStart(false)));
    }
}

void FMManager::storeTyping()
{
    // Leaving a field stores what was typed into it (Return does too); so it
    // is left, and taken up again.
    const QPointer<QWidget> field = QApplication::focusWidget();
    if (!field || field->window() != this)
        return;
    field->clearFocus();
    if (field && field->isVisible())
        field->setFocus(Qt::OtherFocusReason);
}

bool FMManager::saveElsewhere(const QString &path)
{
    const QString &working = m_working;
    if (!m_project || ProjectFiles::sameFile(path, working) || QFileInfo(path).isDir())
        return false;
    // Written beside the target, then put in its place as a save does.
    QTemporaryFile side(path + QStringLiteral(".XXXXXX.part"));
    if (!side.open())
        return false;
    side.close();
    side.setPermissions(QFile::permissions(working) | QFile::WriteOwner | QFile::ReadOwner);
    if (!m_project->writeCopy(side.fileName()) || !ProjectFiles::saveCopy(side.fileName(), path)) {
        qWarning().noquote() << "MAN: cannot save the project as" << path;
        return false;
    }
    qDebug().noquote() << "MAN: saved" << path << "(the working copy is behind it)";
    return true;
}

// ---- File menu

void FMManager::menuNew()
{
    const QString title = tr("Neues Projekt");
    if (!mayReplaceProject(title))
        return;
    const QString path = askFile(title, QFileInfo(m_name).path(), true);
    if (path.isEmpty())
        return;
    const QString error = newFile(path);
    if (!error.isEmpty())
        warn(title, error);
}

void FMManager::menuOpen()
{
    const QString title = tr("Projekt öffnen");
    if (!mayReplaceProject(title))
        return;
    const QString path = askFile(title, QFileInfo(m_name).path(), false);
    if (path.isEmpty())
        return;
    const QString error = openFile(path);
    if (!error.isEmpty())
        warn(title, error);
}

bool FMManager::menuSave()
{
    storeTyping();
    if (m_name.isEmpty())
        return menuSaveAs();
    if (saveFile(m_name))
        return true;
    warn(tr("Speichern"), tr("Projekt nicht gespeichert"));
    return false;
}

bool FMManager::menuSaveAs()
{
    storeTyping();
    QString path = askFile(tr("Projekt speichern"), m_name, true);
    if (path.isEmpty())
        return false;
    if (!ProjectFiles::isProjectName(path))
        path += QStringLiteral(".fm");
    if (saveFile(path))
        return true;
    warn(tr("Speichern"), tr("Projekt nicht gespeichert"));
    return false;
}

// ---- State and shutdown

void FMManager::showDirty()
{
    const QString name = m_name.isEmpty() ? tr("(neu)") : QFileInfo(m_name).fileName();
    const bool dirty = m_project && m_project->dirty.load();
    setWindowTitle(QStringLiteral("Trovina - %1%2").arg(name, dirty ? QStringLiteral(" *") : QString()));
    m_projectLabel->setText(tr("Projekt: %1%2").arg(name, dirty ? tr(" (geändert)") : QString()));
    m_projectLabel->setToolTip(m_name);
}

void FMManager::closeEvent(QCloseEvent *event)
{
    if (!mayQuit()) {
        event->ignore();
        return;
    }
    saveWindowState();
    QMainWindow::closeEvent(event);
}

void FMManager::saveWindowState()
{
    m_ini.setValue(QStringLiteral("Main/geometry"), saveGeometry());
    m_ini.setValue(QStringLiteral("Main/state"), saveState());
    m_ini.setValue(QStringLiteral("Last/dirty"), m_project && m_project->dirty.load());
    // Written by shutdown(), once the boards are gone.
}

bool FMManager::savedInItsFile() const
{
    return !m_project->dirty.load() && !m_name.isEmpty();
}

void FMManager::dropWorkingCopy()
{
    m_project->dropFile();
    m_workingDropped = true;
    if (QFile::remove(m_working))
        qWarning().noquote() << "MAN: working copy removed, it was behind" << m_name;
}

int FMManager::quitTurn()
{
    if (!m_quitTurns.isValid())
        m_quitTurns.start();
    return int(qMax<qint64>(0, quitTurnMs - m_quitTurns.elapsed()));
}

bool FMManager::writeIni()
{
    if (auto *store = dynamic_cast<Settings *>(&m_ini))
        return store->sync(quitTurn());
    m_ini.sync();
    return m_ini.status() == QSettings::NoError;
}

QString FMManager::nextStart(bool iniWritten)
{
    // "Last/file" as the ini's file holds it, whatever the ini holds in memory.
    QString last = m_ini.value(QStringLiteral("Last/file")).toString();
    bool standIn = m_ini.value(standInKey, false).toBool();
    if (!iniWritten) {
        QFile file(m_iniFile);
        const QMap<QString, QVariant> keys = file.open(QIODevice::ReadOnly) ? IniText::toKeys(file.readAll())
                                                                            : QMap<QString, QVariant>();
        last = keys.value(QStringLiteral("Last/file")).toString();
        standIn = RecordText::boolean(keys.value(QLatin1String(standInKey)));
    }
    const QString project = last.isEmpty() ? tr("ein neues Projekt") : QDir::toNativeSeparators(last);
    if (!QFileInfo(m_working).isFile())
        return project;
    if (standIn)
        return tr("%1 (die Änderungen am Ersatzprojekt legt er in einer eigenen Datei ab)").arg(project);
    return last.isEmpty() ? tr("die Arbeitskopie (neues Projekt)")
                          : tr("die Arbeitskopie von %1").arg(QDir::toNativeSeparators(last));
}

void FMManager::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_dirtyTimer.stop();
    m_roll->stop();
    for (FMBoard *board : m_boards)
        if (board)
            board->quit();
    for (FMBoard *&board : m_boards) {
        if (!board)
            continue;
        board->wait();
        delete board;
        board = nullptr;
    }
    m_roll->setSettings(nullptr);
    m_server->setSettings(nullptr, QString());
    m_rdsPage->setSettings(nullptr);
    m_tmcPage->setSettings(nullptr);
    // A stand-in nobody changed goes with its working copy, so that the
    // next start tries the project it stood in for again.
    const bool dropStandIn = m_standIn && m_project && !m_project->dirty.load();
    if (m_project && !m_workingDropped && !m_project->sync(quitTurn())) {
        // The next start opens the project's file instead.
        if (savedInItsFile())
            dropWorkingCopy();
        else
            qWarning().noquote() << "MAN: the working copy cannot take the latest changes, they are lost" << m_working;
    }
    m_project.reset();
    if (dropStandIn && QFile::remove(m_working))
        qDebug().noquote() << "MAN: working copy of the stand-in removed" << m_working;
    qDebug().noquote() << "MAN: the next start opens" << nextStart(writeIni());
    qDebug("MAN: shutdown done");
}
