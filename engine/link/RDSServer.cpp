#include "RDSServer.h"

#include "FMProgram.h"
#include "FMSettings.h"
#include "HiResClock.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>

namespace {

const char greeting[] = "--\nmodul.info Trovina Generator v4.51\n";

qint64 nowMs()
{
    return qint64(HiResClock::now() * 1000.0);
}

bool isSeparator(char c)
{
    return c == '\0' || c == '\r' || c == '\n';
}

} // namespace

RDSServer::RDSServer(int channel, FMProgram *program)
    : QObject(program), m_channel(channel), m_server(new QTcpServer(this)), m_timer(new QTimer(this)),
      m_rest(new QTimer(this)), m_program(program)
{
    m_rest->setSingleShot(true);
    connect(m_rest, &QTimer::timeout, this, &RDSServer::readLine);
    connect(m_server, &QTcpServer::newConnection, this, &RDSServer::onConnection);
    connect(m_timer, &QTimer::timeout, this, &RDSServer::timeout);
}

RDSServer::~RDSServer()
{
    if (m_client)
        m_client->disconnect(this);
}

bool RDSServer::listenOn(int port)
{
    if (port < 1 || port > 65535) {
        m_listenError = QStringLiteral("port out of range");
        qDebug("sv%2d listen port %d: %d: %s", m_channel, port, int(QAbstractSocket::UnsupportedSocketOperationError),
               qPrintable(m_listenError));
        return false;
    }
    if (!m_server->listen(QHostAddress::Any, quint16(port))) {
        m_listenError = m_server->errorString();
        qDebug("sv%2d listen port %d: %d: %s", m_channel, port, int(m_server->serverError()),
               qPrintable(m_listenError));
        return false;
    }
    m_listenError.clear();
    // A new listening socket accepts by itself: held until the board link lets a client in.
    m_server->pauseAccepting();
    m_accepting = false;
    if (m_channel % 24 == 0)
        qDebug("sv%2d listen port %d", m_channel, port);
    return true;
}

void RDSServer::setPort(int portBase)
{
    if (portBase != m_base) {
        m_base = portBase;
        stop();
        listenOn(m_base + m_channel);
    } else if (!m_server->isListening()) {
        listenOn(m_base + m_channel);
    }
}

void RDSServer::movePort(int portBase)
{
    if (portBase != m_base) {
        m_base = portBase;
        stop();
    }
}

void RDSServer::listen()
{
    if (!m_server->isListening())
        listenOn(m_base + m_channel);
}

bool RDSServer::isListening() const
{
    return m_server->isListening();
}

qintptr RDSServer::waitingDescriptor() const
{
    return m_server->isListening() && !m_accepting ? m_server->socketDescriptor() : -1;
}

void RDSServer::setAccepting(bool on)
{
    if (on == m_accepting || !m_server->isListening())
        return;
    m_accepting = on;
    if (on)
        m_server->resumeAccepting();
    else
        m_server->pauseAccepting();
}

qint64 RDSServer::bufferedInput() const
{
    return m_fill + (m_client ? m_client->bytesAvailable() : 0);
}

void RDSServer::stop()
{
    m_listenError.clear();
    if (m_server->isListening()) {
        if (m_channel % 24 == 0)
            qDebug("sv%2d stop", m_channel);
        m_server->close();
    }
    if (m_client) {
        QTcpSocket *old = m_client;
        m_client = nullptr;
        old->disconnect(this);
        old->close();
        old->deleteLater();
        m_timer->stop();
        // The channel's own RDS takes over again.
        QByteArray empty;
        int level = 0;
        m_program->addRemoteRds(empty, level);
        broadcast(QString());
    }
}

void RDSServer::setSettings(const QSharedPointer<FMSettings> &settings)
{
    m_settings = settings;
}

void RDSServer::broadcast(const QString &value)
{
    if (m_settings)
        m_settings->notify(QStringLiteral("rdsin.%1").arg(m_channel), value);
}

void RDSServer::onConnection()
{
    while (QTcpSocket *next = m_server->nextPendingConnection()) {
        if (m_client) {
            // The replaced client's late signals must not reach us.
            QTcpSocket *old = m_client;
            old->disconnect(this);
            old->close();
            old->deleteLater();
        }
        m_client = next;
        next->setReadBufferSize(readBufferSize);
        m_lines = 0;
        m_fill = 0;
        m_skipping = false;
        m_rest->stop();
        m_turnStart = -restMs;
        // An IPv4 client of the dual-stack server reads as IPv4.
        bool v4 = false;
        const quint32 ip = next->peerAddress().toIPv4Address(&v4);
        const QString peer = v4 ? QHostAddress(ip).toString() : next->peerAddress().toString();
        qDebug("sv%2d new connection [%s]", m_channel, qPrintable(peer));
        connect(next, &QTcpSocket::readyRead, this, &RDSServer::readLine);
        connect(next, &QTcpSocket::disconnected, this, &RDSServer::onDisconnect);
        next->write(greeting);
        m_lastWrite = nowMs();
        m_timer->start(350);
        broadcast(peer);
    }
}

void RDSServer::readLine()
{
    if (m_rest->isActive())
        return;
    // The budget holds for restMs from the first read of a turn.
    const qint64 now = nowMs();
    if (now - m_turnStart >= restMs) {
        m_turnStart = now;
        m_turnLines = 0;
        m_turnBytes = 0;
    }
    int &handled = m_turnLines;
    qint64 &taken = m_turnBytes;
    const auto turnDone = [&] { return handled >= linesPerTurn || taken >= bytesPerTurn; };
    while (m_client && !turnDone()) {
        // Complete lines already in the buffer first.
        int start = 0;
        int i = 0;
        for (; i < m_fill && handled < linesPerTurn; ++i) {
            if (!isSeparator(m_buffer[i]))
                continue;
            if (m_skipping) {
                m_skipping = false; // the tail of an over-long line ends here
            } else if (i > start) {
                handleLine(QByteArray(m_buffer + start, i - start));
                ++handled;
            }
            start = i + 1;
        }
        if (start > 0) {
            m_fill -= start;
            memmove(m_buffer, m_buffer + start, size_t(m_fill));
        }
        if (turnDone() || !m_client)
            break;
        if (m_fill > 1000 || m_skipping) {
            // No line end in sight: drop it and skip to the next line end.
            m_fill = 0;
            m_skipping = true;
        }
        if (m_client->bytesAvailable() <= 0)
            break;
        const qint64 n = m_client->read(m_buffer + m_fill, bufferSize - m_fill);
        if (n <= 0)
            break;
        m_fill += int(n);
        taken += n;
    }
    if (m_client && m_client->bytesToWrite() > maxPendingOutput) {
        qDebug("sv%2d client does not read, disconnected", m_channel);
        m_client->abort();
        return;
    }
    // More to do: after a rest, so the pump keeps its pace.
    if (m_client && turnDone())
        m_rest->start(int(qMax<qint64>(1, m_turnStart + restMs - now)));
}

void RDSServer::handleLine(QByteArray line)
{
    ++m_lines;
    line = line.trimmed();
    int level = 0;
    QByteArray reply;
    if (m_program->addRemoteRds(line, level)) {
        reply = QByteArray::number(m_lines) + ' ' + QByteArray::number(level) + '\n';
    } else {
        reply = QByteArray::number(m_lines) + " -1 " + QByteArray::number(level) + ' ' + line + '\n';
    }
    m_lastLevel = level;
    sendLine(reply);
}

void RDSServer::sendLine(const QByteArray &text)
{
    if (!m_client)
        return;
    m_client->write(text);
    m_lastWrite = nowMs();
}

void RDSServer::timeout()
{
    if (!m_client || nowMs() - m_lastWrite < 500)
        return;
    const int level = m_program->rdsLevel();
    if (level == m_lastLevel)
        return;
    m_lastLevel = level;
    sendLine(QByteArray::number(m_lines) + ' ' + QByteArray::number(level) + '\n');
}

void RDSServer::onDisconnect()
{
    QTcpSocket *gone = qobject_cast<QTcpSocket *>(sender());
    if (gone && gone != m_client)
        return; // a replaced client: the current one keeps its state
    m_timer->stop();
    QByteArray empty;
    int level = 0;
    m_program->addRemoteRds(empty, level);
    broadcast(QString());
    qDebug("sv%2d disconnected", m_channel);
    if (m_client) {
        m_client->deleteLater();
        m_client = nullptr;
    }
}
