#include "FMServer.h"

#include "FMSettings.h"
#include "KeyCheck.h"
#include "ProjectFiles.h"
#include "RemoteRequest.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "UserDataDir.h"

#include <QDebug>
#include <QDir>
#include <QHash>
#include <QHostAddress>
#include <QMetaMethod>
#include <QTcpServer>
#include <QTcpSocket>

const char *const FMServer::infoText = "Trovina Generator v";
const char *const FMServer::version = "4.51";

namespace {

const char *const commandList = "commands: REG UNR GET SET ADD DEL NEW LOAD SAVE CD DIR LIST HELP VER";

QString dotted(const QString &key)
{
    return QString(key).replace(QLatin1Char('/'), QLatin1Char('.'));
}

// A reply or pushed line never carries a line end of its own, so that a
// value cannot split into lines a client would read as replies.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    }
    return text;
}

// The peer as people write it: an IPv4 client of the dual-stack server
// without the "::ffff:" form.
QString peerText(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

} // namespace

FMServer::FMServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_currentDir(userDataDir())
{
    m_watch = QStringList{QStringLiteral("chinfo.*.playing"),
                          QStringLiteral("modul"),
                          QStringLiteral("playlist"),
                          QStringLiteral("play"),
                          QStringLiteral("board"),
                          QStringLiteral("channel"),
                          QStringLiteral("audio"),
                          QStringLiteral("rds"),
                          QStringLiteral("tmc")};
    installEventFilter(new SetHandler(this));
    connect(m_server, &QTcpServer::newConnection, this, &FMServer::onConnection);
}

FMServer::~FMServer()
{
    qDebug("~network server");
    if (m_project)
        m_project->unregisterObserver(this);
    dropClient();
}

quint16 FMServer::listeningPort() const
{
    return m_server->isListening() ? m_server->serverPort() : 0;
}

void FMServer::setPort(int port)
{
    if (port == m_port)
        return;
    m_port = port;
    if (m_server->isListening()) {
        m_server->close();
        dropClient();
        emit onRemote(0, QString());
    }
    listen();
}

void FMServer::listen()
{
    if (m_server->isListening())
        return;
    if (m_port < 0 || m_port > 0xFFFF) {
        qDebug("net: no port %d", m_port);
        emit onRemote(uint(QAbstractSocket::SocketAddressNotAvailableError + 2),
                      QStringLiteral("invalid port"));
        return;
    }
    if (m_server->listen(QHostAddress::Any, quint16(m_port))) {
        qDebug("net: listening on port %d", int(listeningPort()));
        emit onRemote(listeningPort(), QString());
    } else {
        qDebug("net: listen failed: %s", qPrintable(m_server->errorString()));
        emit onRemote(uint(m_server->serverError() + 2), m_server->errorString());
    }
}

void FMServer::setSettings(const QSharedPointer<FMSettings> &settings, const QString &fileName, bool announce)
{
    if (m_project)
        m_project->unregisterObserver(this);
    m_project = settings;
    if (!m_project)
        return;
    listen();
    m_watch.removeDuplicates();
    for (const QString &key : qAsConst(m_watch))
        m_project->registerKey(key, this);
    if (announce)
        sendLine(QStringLiteral("LOAD ok: ") + fileName);
}

// ---- Connection

void FMServer::onConnection()
{
    while (QTcpSocket *next = m_server->nextPendingConnection()) {
        dropClient();
        m_client = next;
        next->setReadBufferSize(readBufferSize);
        const QString peer = peerText(next->peerAddress());
        emit onRemote(listeningPort(), peer);
        qDebug("net: connection [%s]", qPrintable(peer));
        connect(next, &QTcpSocket::readyRead, this, &FMServer::readLine);
        connect(next, &QTcpSocket::bytesWritten, this, &FMServer::readLine);
        connect(next, &QTcpSocket::disconnected, this, &FMServer::onDisconnect);

        // The greeting is the one line with a line feed of its own.
        writeLine("--\n");
        sendInfo();
        if (m_project) {
            const QStringList keys = m_project->observedKeys(this);
            for (const QString &key : keys)
                sendLine(QStringLiteral("REG ok: ") + dotted(key));
        }
    }
}

void FMServer::onDisconnect()
{
    // A replaced client has been cut off from this server before it was
    // closed; only the current client's end changes the state shown.
    if (!m_client || sender() != m_client.data())
        return;
    qDebug("net: disconnect");
    emit onRemote(listeningPort(), QString());
}

void FMServer::dropClient()
{
    QTcpSocket *old = m_client;
    m_client = nullptr;
    m_lines.clear();
    m_ready.clear();
    if (!old)
        return;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

// ---- Lines in and out

void FMServer::readLine()
{
    // Not again from inside a request (a main-window slot may run an event
    // loop of its own): requests stay in order.
    if (m_executing)
        return;
    QTcpSocket *socket = m_client;
    int executed = 0;
    while (socket && m_client == socket) {
        // Replies waiting for a slow reader hold back the next requests; the
        // socket's small read buffer then holds back the client by TCP.
        if (socket->bytesToWrite() > pauseUnsent)
            return;
        if (m_ready.isEmpty()) {
            if (socket->bytesAvailable() <= 0)
                return;
            m_ready = m_lines.feed(socket->read(4096));
            continue;
        }
        if (executed == requestsPerTurn) {
            // The rest after whatever else waits in the event loop.
            queueResume();
            return;
        }
        ++executed;
        const RemoteLineBuffer::Line line = m_ready.takeFirst();
        if (line.tooLong) {
            qDebug("net: line too long");
            sendLine(QStringLiteral("error: line too long"));
        } else {
            m_executing = true;
            execute(QString::fromUtf8(line.bytes).trimmed());
            m_executing = false;
        }
    }
}

void FMServer::queueResume()
{
    if (m_resumeQueued)
        return;
    m_resumeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_resumeQueued = false;
            readLine();
        },
        Qt::QueuedConnection);
}

void FMServer::sendLine(const QString &text)
{
    writeLine(oneLine(text).toUtf8());
}

void FMServer::writeLine(const QByteArray &bytes)
{
    if (!m_client || m_client->state() != QAbstractSocket::ConnectedState)
        return;
    m_client->write(bytes + "\r\n");
    if (m_client->bytesToWrite() > maxUnsent) {
        qDebug("net: client does not read its replies, disconnected");
        dropClient();
        emit onRemote(listeningPort(), QString());
    }
}

void FMServer::sendLine(const QString &key, const QVariant &value)
{
    QString line = dotted(key).toLower();
    const QString text = value.toString();
    if (value.isValid() && !text.isEmpty())
        line += QLatin1Char(' ') + text;
    sendLine(line);
}

void FMServer::sendInfo()
{
    if (m_project)
        sendLine(QStringLiteral("modul.info ") + QLatin1String(infoText) + QLatin1String(version));
}

void FMServer::setValueEvent(SetValue *event)
{
    const QString &key = event->key;
    if (key.startsWith(QLatin1String("modul")))
        m_status = key;
    const QString shown = dotted(key);
    if (key.startsWith(QLatin1String("chinfo")) && shown.contains(QLatin1String(".rdslog")))
        sendLine(m_logFormat.line(shown, event->value));
    else
        sendLine(shown + QLatin1Char(' ') + event->value.toString());
}

// ---- Commands

FMServer::Handler FMServer::handler(const QString &command)
{
    static const QHash<QString, Handler> table = {
        {QStringLiteral("SET"), &FMServer::cmdSet},   {QStringLiteral("GET"), &FMServer::cmdGet},
        {QStringLiteral("VER"), &FMServer::cmdVer},   {QStringLiteral("AIR"), &FMServer::cmdAir},
        {QStringLiteral("REG"), &FMServer::cmdReg},   {QStringLiteral("UNR"), &FMServer::cmdUnr},
        {QStringLiteral("UNREG"), &FMServer::cmdUnr}, {QStringLiteral("ADD"), &FMServer::cmdAdd},
        {QStringLiteral("DEL"), &FMServer::cmdDel},   {QStringLiteral("HELP"), &FMServer::cmdHelp},
        {QStringLiteral("?"), &FMServer::cmdHelp},    {QStringLiteral("NEW"), &FMServer::cmdNew},
        {QStringLiteral("LOAD"), &FMServer::cmdLoad}, {QStringLiteral("SAVE"), &FMServer::cmdSave},
        {QStringLiteral("CD"), &FMServer::cmdCd},     {QStringLiteral("LIST"), &FMServer::cmdList},
        {QStringLiteral("LS"), &FMServer::cmdList},   {QStringLiteral("DIR"), &FMServer::cmdList},
    };
    return table.value(command, nullptr);
}

void FMServer::execute(const QString &line)
{
    const RemoteRequest r = RemoteRequest::parse(line);
    if (r.command.isEmpty())
        return;
    if (const Handler h = handler(r.command))
        (this->*h)(r);
    else
        sendLine(QLatin1String(commandList));
}

bool FMServer::needProject(const RemoteRequest &r)
{
    if (m_project)
        return true;
    sendLine(r.command + QStringLiteral(" error: no project loaded"));
    return false;
}

QString FMServer::filePath(const QString &name) const
{
    return QDir(m_currentDir).absoluteFilePath(name);
}

bool FMServer::handled(const char *command, const QMetaMethod &signal)
{
    if (isSignalConnected(signal))
        return true;
    sendLine(QLatin1String(command) + QStringLiteral(" error: not available"));
    return false;
}

void FMServer::cmdSet(const RemoteRequest &r)
{
    if (r.key == QLatin1String("rdslog")) {
        m_logFormat.setWords(r.value);
        sendLine(QStringLiteral("SET ok: rdslog = ") + r.value);
    } else if (r.key == QLatin1String("board.band") || r.key == QLatin1String("board.attn")) {
        setBoardKey(r);
    } else if (r.key.startsWith(QLatin1String("modul.off"))) {
        emit setOnAir(false);
        sendLine(QStringLiteral("SET modul.offline"));
    } else if (r.key.startsWith(QLatin1String("modul.on"))) {
        emit setOnAir(true);
        sendLine(QStringLiteral("SET modul.onair"));
    } else if (r.key.isEmpty()) {
        sendLine(QStringLiteral("set key data example: SET channel.1.freq 95.8"));
    } else if (r.value.isEmpty()) {
        sendLine(QStringLiteral("SET error: missing data value"));
    } else if (needProject(r)) {
        QString refused;
        const int code = m_project->set(r.key, r.value, true, nullptr, &refused);
        if (code == KeyCheck::Ok || code == KeyCheck::Unchanged)
            sendLine(QStringLiteral("SET ok: %1 = %2").arg(r.displayKey, r.value));
        else if (refused.isEmpty())
            sendLine(QStringLiteral("SET error: ") + m_project->errorText(code));
        else // a pattern: the index that refused
            sendLine(QStringLiteral("SET error: %1 (%2)")
                         .arg(m_project->errorText(code), refused.replace(QLatin1Char('/'), QLatin1Char('.'))));
    }
}

void FMServer::setBoardKey(const RemoteRequest &r)
{
    if (!needProject(r))
        return;
    const bool isBand = r.key == QLatin1String("board.band");
    bool ok = false;
    const int v = r.value.toInt(&ok);
    if (!ok) {
        m_project->selectKeyDesc(r.key);
        sendLine(QStringLiteral("SET error: ") + m_project->errorText(KeyCheck::OutOfRange));
        return;
    }
    // The other value from the project, never from a copy of it: the
    // main window and the event roll change them too.
    int band = isBand ? v : m_project->band();
    int attn = isBand ? m_project->attn() : v;
    m_project->setBoard(band, attn);
    emit onBand();
    sendLine(QStringLiteral("SET ok: %1 = %2").arg(r.displayKey).arg(isBand ? band : attn));
}

void FMServer::cmdGet(const RemoteRequest &r)
{
    const QString &key = r.key;
    if (key == QLatin1String("modul")) {
        sendLine(m_status);
    } else if (key.startsWith(QLatin1String("modul.inf")) || key.startsWith(QLatin1String("modul.ver"))) {
        cmdVer(r);
    } else if (key == QLatin1String("board.band") || key == QLatin1String("band")) {
        if (needProject(r))
            sendLine(QStringLiteral("board.band %1").arg(m_project->band()));
    } else if (key == QLatin1String("board.attn") || key == QLatin1String("attn")) {
        if (needProject(r))
            sendLine(QStringLiteral("board.attn %1").arg(m_project->attn()));
    } else if (key.isEmpty()) {
        sendLine(QStringLiteral("get key example: GET channel.1.freq"));
    } else if (needProject(r)) {
        getKeys(key);
    }
}

void FMServer::getKeys(const QString &key)
{
    QString k = key;
    while (k.endsWith(QLatin1Char('*')) || k.endsWith(QLatin1Char('.')) || k.endsWith(QLatin1Char('/')))
        k.chop(1);
    qDebug("net: get [%s]", qPrintable(k));
    QString prefix;
    QString suffix;
    const QList<int> indices = Settings::parseKeyPattern(k, prefix, suffix);
    QStringList lookups;
    for (int index : indices)
        lookups.append(prefix + QString::number(index) + suffix);
    if (indices.isEmpty())
        lookups.append(k);

    // The project's top-level groups, read once for all indices of this
    // request and only when a lookup needs them.
    std::optional<QStringList> groups;
    // Values as the generator uses them: a linked EON entry answers its
    // programme's, as it goes on air, also for a PS or AF list the file does
    // not hold; an entry of the service key table answers that entry.
    for (const QString &lookup : qAsConst(lookups)) {
        const QVariant value = lookup.isEmpty() ? QVariant() : m_project->valueOnAir(lookup);
        if (value.isValid()) {
            sendLine(lookup, value);
            continue;
        }
        const QStringList keys = m_project->listKeys(lookup, &groups);
        if (keys.isEmpty())
            sendLine(QStringLiteral("GET error: no key ") + dotted(lookup));
        for (const QString &found : keys)
            sendLine(found, m_project->valueOnAir(found));
    }
}

void FMServer::cmdVer(const RemoteRequest &)
{
    // Answered with or without a project, so that a client always gets a reply.
    sendLine(QStringLiteral("modul.info ") + QLatin1String(infoText) + QLatin1String(version));
}

void FMServer::cmdAir(const RemoteRequest &)
{
    sendLine(m_status);
}

void FMServer::cmdReg(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("register key example: REG channel.1"));
    } else if (needProject(r)) {
        if (m_project->registerKey(r.key, this)) {
            m_watch.append(r.displayKey);
            sendLine(QStringLiteral("REG ok: ") + r.displayKey);
        } else {
            sendLine(QStringLiteral("REG error: key is already registerd"));
        }
    }
}

void FMServer::cmdUnr(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("unregister key example: UNR channel.1"));
    } else if (needProject(r)) {
        if (m_project->unregisterKey(r.key, this)) {
            m_watch.removeAll(r.displayKey);
            sendLine(QStringLiteral("UNR ok: ") + r.displayKey);
        } else {
            sendLine(QStringLiteral("UNR error: key is not registerd"));
        }
    }
}

void FMServer::cmdAdd(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("add list item example: ADD tmc.1 4 5 6 7]"));
    } else if (needProject(r)) {
        QString written;
        const int code = m_project->add(r.key, r.value, &written);
        // "ADD tmc.1.9" adds the first free item: the reply names that one.
        if (code == KeyCheck::Ok)
            sendLine(QStringLiteral("ADD ok: ") + written.replace(QLatin1Char('/'), QLatin1Char('.')));
        else
            sendLine(QStringLiteral("ADD error: %1 %2").arg(r.displayKey, m_project->errorText(code)));
    }
}

void FMServer::cmdDel(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("delete list.item example: DEL rds.1.eon.1 DEL tmc.1.*"));
    } else if (needProject(r)) {
        const int code = m_project->del(r.key);
        if (code == KeyCheck::Ok)
            sendLine(QStringLiteral("DEL ok: ") + r.displayKey);
        else
            sendLine(QStringLiteral("DEL error: %1 %2").arg(r.displayKey, m_project->errorText(code)));
    }
}

void FMServer::cmdHelp(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("usage: HELP key (get info about key) example: HELP rds.1.tp"));
        return;
    }
    const QString text = FMSettings::describeKey(r.key);
    if (text.isEmpty())
        sendLine(QStringLiteral("HELP: no info about ") + r.displayKey);
    else
        sendLine(r.displayKey + QStringLiteral(": ") + text);
}

void FMServer::cmdNew(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("usage: NEW filename"));
    } else if (!ProjectFiles::isProjectName(r.key)) {
        sendLine(QStringLiteral("NEW error: ") + tr("Dateiname muss auf .fm enden"));
    } else if (handled("NEW", QMetaMethod::fromSignal(&FMServer::newFile))) {
        const QString error = emit newFile(filePath(r.key));
        sendLine(error.isEmpty() ? QStringLiteral("NEW ok: ") + r.key
                                 : QStringLiteral("NEW error: ") + error);
    }
}

void FMServer::cmdLoad(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("usage: LOAD filename"));
    } else if (handled("LOAD", QMetaMethod::fromSignal(&FMServer::loadFile))) {
        // On success the main window attaches the project, and setSettings
        // answers "LOAD ok: ".
        const QString error = emit loadFile(filePath(r.key));
        if (!error.isEmpty())
            sendLine(QStringLiteral("LOAD error: ") + error);
    }
}

void FMServer::cmdSave(const RemoteRequest &r)
{
    if (r.key.isEmpty()) {
        sendLine(QStringLiteral("usage: SAVE filename"));
        return;
    }
    if (!needProject(r))
        return;
    const QString path = filePath(r.key);
    // Only project files are written, and never the file the program edits.
    if (!ProjectFiles::isProjectName(path) || ProjectFiles::sameFile(path, m_project->fileName())) {
        qDebug("net: save refused [%s]", qPrintable(path));
        sendLine(QStringLiteral("SAVE error: ") + r.key);
        return;
    }
    if (!handled("SAVE", QMetaMethod::fromSignal(&FMServer::saveFile)))
        return;
    const bool saved = emit saveFile(path);
    if (saved && !m_project->dirty)
        sendLine(QStringLiteral("SAVE ok: ") + r.key);
    else
        sendLine(QStringLiteral("SAVE error: ") + r.key);
}

void FMServer::cmdCd(const RemoteRequest &r)
{
    QDir dir(m_currentDir);
    if (!dir.cd(r.key.isEmpty() ? QStringLiteral(".") : r.key)) {
        sendLine(QStringLiteral("path invalid, current: ") + m_currentDir);
        return;
    }
    m_currentDir = dir.absolutePath();
    sendLine(QStringLiteral("path ") + m_currentDir);
    emit onCD(m_currentDir);
}

void FMServer::cmdList(const RemoteRequest &r)
{
    const QString name = r.key.isEmpty() ? QStringLiteral(".") : r.key;
    QDir dir(m_currentDir);
    const bool changed = dir.cd(name);
    sendLine(QStringLiteral("path ") + dir.absolutePath());
    const QString filter = !changed ? name : r.value.isEmpty() ? QStringLiteral("*.fm") : r.value;
    const QStringList dirs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &d : dirs)
        sendLine(QStringLiteral("dir ") + d);
    const QStringList files = dir.entryList(QStringList{filter}, QDir::Files, QDir::Name);
    for (const QString &f : files)
        sendLine(QStringLiteral("file ") + f);
}
