#pragma once

#include "Observer.h"
#include "RDSLogFormat.h"
#include "RemoteLineBuffer.h"

#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class FMSettings;
class QTcpServer;
class QTcpSocket;
struct RemoteRequest;

// The remote-control server: one TCP client at a time drives the project
// with text lines (SET, GET, ADD, DEL, REG, UNR, HELP, NEW, LOAD, SAVE, CD,
// LIST, VER, AIR; docs/remote-control.md). The newest connection replaces
// the connected one. As an Observer of the project it pushes every change
// of a key it is registered under to the client as a line.
//
// Threads: lives in the GUI thread and does everything there: socket
// notifications, the project's validated operations (which take the
// project's own locks), and the change events, which the key store posts
// from any thread and which reach setValueEvent through the SetHandler.
//
// Wiring by the main window (FMManager::createServer): newFile, loadFile,
// saveFile, onCD, onRemote and onBand are connected directly (same thread);
// the server emits newFile, loadFile and saveFile and uses what the slot
// returns at once, so they must stay direct connections. setOnAir is
// connected to FMBoard::setOnAir of every board link with a queued
// connection, so the switch runs in each board's own thread; the server
// itself knows nothing of the boards.
//
// Guards: requests that need a project answer "<command> error: no project
// loaded" while none is attached. NEW and SAVE write only names ending in
// ".fm", and SAVE never onto the project's own file (the working copy);
// both are refused before the main window is asked.
//
// Input: complete lines are executed as they arrive, in order; a line of
// more than RemoteLineBuffer::maxLine bytes is dropped (log "net: line too
// long", reply "error: line too long") and the connection stays. At most
// requestsPerTurn requests run in one turn of the event loop; the rest
// continue in a queued call, so that a client's backlog of pipelined
// requests never holds up the window, the timers or a new connection.
// While more than pauseUnsent bytes of replies wait to be sent, no further
// request is executed (the rest waits in the socket, whose read buffer is
// small, so TCP holds the client back); so pipelined requests of any number
// are answered in order. A client whose unsent lines (replies and pushed
// changes) pass maxUnsent bytes does not read and is disconnected.
class FMServer : public QObject, public Observer
{
    Q_OBJECT

public:
    static constexpr int defaultPort = 1248;
    static constexpr qint64 maxUnsent = 4 * 1024 * 1024;
    static constexpr qint64 pauseUnsent = 256 * 1024;
    static constexpr qint64 readBufferSize = 64 * 1024;
    static constexpr int requestsPerTurn = 16;
    // "modul.info " and this text, then the version, is the information line.
    static const char *const infoText;
    static const char *const version;

    explicit FMServer(QObject *parent = nullptr);
    ~FMServer() override;

    // The control port ("Remote/portControl"). Nothing when unchanged;
    // otherwise a listening server closes (with its client) and listens on
    // the new port. 0 picks a free port (tests).
    void setPort(int port);
    int port() const { return m_port; }
    // The port listened on, 0 while not listening.
    quint16 listeningPort() const;

    // Attaches the project the main window loaded or created (null: none):
    // leaves the old one, registers the watch list with the new one, starts
    // listening and answers "LOAD ok: " and fileName. Without announce the
    // line is left out: the main window takes up its current project again
    // after a load that failed, and the failure is the answer.
    void setSettings(const QSharedPointer<FMSettings> &settings, const QString &fileName,
                     bool announce = true);

    QString currentDir() const { return m_currentDir; }
    QStringList watchList() const { return m_watch; }

    void setValueEvent(SetValue *event) override;

signals:
    // Each returns the main window's error text, empty when done.
    QString newFile(const QString &path);
    QString loadFile(const QString &path);
    // Whether the working copy was saved to path.
    bool saveFile(const QString &path);
    // The new current directory (result not used).
    bool onCD(const QString &dir);
    // Listening and connection state: 0 inactive; below 1024 a socket error
    // code + 2 with its text; else the port, and the client's address or an
    // empty text. Slots with fewer arguments connect to it as well.
    void onRemote(uint port, const QString &peer);
    // After SET board.band or board.attn stored a value.
    void onBand();
    void setOnAir(bool on);

public slots:
    void onConnection();
    void onDisconnect();
    void readLine();
    // The information line (only while a project is attached).
    void sendInfo();
    // One line to the client (dropped without one).
    void sendLine(const QString &text);
    // The key with "/" shown as ".", then a blank and the value unless it is
    // empty.
    void sendLine(const QString &key, const QVariant &value);

private:
    using Handler = void (FMServer::*)(const RemoteRequest &);
    static Handler handler(const QString &command);

    void listen();
    // Writes bytes and the line end; drops a client that does not read.
    void writeLine(const QByteArray &bytes);
    void dropClient();
    // Runs readLine again from the event loop (once, however often asked).
    void queueResume();
    void execute(const QString &line);
    // Answers "<command> error: no project loaded" when none is attached.
    bool needProject(const RemoteRequest &r);
    // The absolute path of a file name relative to the current directory.
    QString filePath(const QString &name) const;
    // False (after the reply) when nobody handles the signal.
    bool handled(const char *command, const QMetaMethod &signal);

    void cmdSet(const RemoteRequest &r);
    void cmdGet(const RemoteRequest &r);
    void cmdVer(const RemoteRequest &r);
    void cmdAir(const RemoteRequest &r);
    void cmdReg(const RemoteRequest &r);
    void cmdUnr(const RemoteRequest &r);
    void cmdAdd(const RemoteRequest &r);
    void cmdDel(const RemoteRequest &r);
    void cmdHelp(const RemoteRequest &r);
    void cmdNew(const RemoteRequest &r);
    void cmdLoad(const RemoteRequest &r);
    void cmdSave(const RemoteRequest &r);
    void cmdCd(const RemoteRequest &r);
    void cmdList(const RemoteRequest &r);
    void setBoardKey(const RemoteRequest &r);
    void getKeys(const QString &key);

    QSharedPointer<FMSettings> m_project;
    QTcpServer *m_server;
    QPointer<QTcpSocket> m_client;
    QStringList m_watch;
    int m_port = defaultPort;
    QString m_currentDir;
    QString m_status = QStringLiteral("modul.unknown");
    RemoteLineBuffer m_lines;
    QList<RemoteLineBuffer::Line> m_ready; // complete lines not yet executed
    bool m_executing = false;
    bool m_resumeQueued = false; // a queued readLine will take the next requests
    RDSLogFormat m_logFormat;
};
