#include "FMBoard.h"

#include "BoardCommand.h"
#include "BoardProtocol.h"
#include "BoardWords.h"
#include "FMProgram.h"
#include "FMSettings.h"
#include "HiResClock.h"
#include "RDSServer.h"
#include "RunDelay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QMutexLocker>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The scheduling a board thread got, logged by the first thread only.
std::atomic<bool> priorityLogged{false};

// What "port unreachable" (ECONNREFUSED on a UDP socket) means here.
const char unreachableText[] = "port unreachable: the board's port did not answer";

bool allFF(const u8 *bytes, int n)
{
    for (int i = 0; i < n; ++i)
        if (bytes[i] != 0xFF)
            return false;
    return true;
}

// Runs f in the board thread and waits for it; directly when called there or
// when the board thread no longer runs its event loop.
template <typename F>
void inBoardThread(FMBoard *board, bool running, F f)
{
    if (QThread::currentThread() == board || !running)
        f();
    else
        QMetaObject::invokeMethod(board, f, Qt::BlockingQueuedConnection);
}

} // namespace

FMBoard::FMBoard(u8 board, u16 rdsPort, int refOscMHz, QObject *parent)
    : QThread(parent), m_board(board), m_refOsc(refOscMHz > 0 ? u32(refOscMHz) : 52), m_batch(board)
{
    BoardInfo::registerMetaType();
    BoardIP::registerMetaType();
    std::memset(m_ownIdentity, 0xFF, sizeof m_ownIdentity);
    m_pendingRdsPort = rdsPort;
    m_home = thread();
    moveToThread(this);
    QMutexLocker start(&m_startMutex);
    QThread::start(QThread::TimeCriticalPriority);
    while (!m_running)
        m_started.wait(&m_startMutex);
}

FMBoard::~FMBoard()
{
    qDebug("~mo%d", m_board);
    for (FMProgram *&p : m_programs) {
        delete p;
        p = nullptr;
    }
}

// ---- Thread ------------------------------------------------------------------

void FMBoard::setRealTimePriority()
{
    // QThread's priorities do nothing to a normal Linux thread: ask for
    // real-time scheduling, else the best nice value this user may take.
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR) + 1;
    QString got;
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) {
        got = QStringLiteral("real-time priority %1").arg(param.sched_priority);
    } else {
        rlimit lim{};
        int best = 0;
        if (getrlimit(RLIMIT_NICE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
            best = 20 - int(lim.rlim_cur);
        else if (lim.rlim_cur == RLIM_INFINITY)
            best = -20;
        const pid_t tid = pid_t(syscall(SYS_gettid));
        const int current = getpriority(PRIO_PROCESS, id_t(tid));
        if (best < current && setpriority(PRIO_PROCESS, id_t(tid), best) == 0)
            got = QStringLiteral("nice %1").arg(best);
        else
            got = QStringLiteral("nice %1").arg(current);
    }
    if (!priorityLogged.exchange(true))
        qDebug("mo%d: board thread %s", m_board, qPrintable(got));
}

void FMBoard::run()
{
    setRealTimePriority();
    m_runDelay = std::make_unique<RunDelay>();
    m_socket = new QUdpSocket;
    connect(m_socket, &QUdpSocket::readyRead, this, &FMBoard::readUdp);
    connect(m_socket, &QAbstractSocket::errorOccurred, this,
            &FMBoard::error);
    connect(m_socket, &QAbstractSocket::stateChanged, this, &FMBoard::state);
    for (int i = 0; i < channels; ++i)
        m_programs[i] = new FMProgram(m_board * channels + i + 1, QSharedPointer<FMSettings>(), this,
                                      &m_status[i]);
    m_statusTimer = new QTimer;
    m_statusTimer->setTimerType(Qt::PreciseTimer);
    connect(m_statusTimer, &QTimer::timeout, this, &FMBoard::timeReadStatus);
    m_statusTimer->start(200);
    m_pumpTimer = new QTimer;
    m_pumpTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pumpTimer, &QTimer::timeout, this, &FMBoard::timeFillBuffer);
    {
        QMutexLocker start(&m_startMutex);
        m_running = true;
        m_started.wakeAll();
    }
    const QDateTime now = QDateTime::currentDateTime();
    m_random.seed(u32(now.time().msec()) ^ u32(now.toSecsSinceEpoch()) ^ u32(now.date().toJulianDay()));

    exec();

    qDebug("mo%d: exit thread", m_board);
    m_statusTimer->stop();
    m_pumpTimer->stop();
    disconnect(m_statusTimer, nullptr, this, nullptr);
    disconnect(m_pumpTimer, nullptr, this, nullptr);
    disconnect(m_socket, nullptr, this, nullptr);
    settleLock();
    disconnectBoard();
    qDebug("mo%d: stop all decoders", m_board);
    for (FMProgram *p : m_programs)
        p->stop(true);
    for (FMProgram *p : m_programs) {
        int waited = 0;
        while (!p->stop(true) && waited < 216 * 10) {
            QThread::msleep(10);
            waited += 10;
        }
        if (waited > 0)
            qDebug("mo%d: decoder %2d done after %3d ms", m_board, p->channel(), waited);
    }
    // Everything of this thread goes in this thread: programs (with their
    // servers and decoders), timers and the socket.
    for (FMProgram *&p : m_programs) {
        delete p;
        p = nullptr;
    }
    delete m_statusTimer;
    delete m_pumpTimer;
    delete m_socket;
    m_statusTimer = m_pumpTimer = nullptr;
    m_socket = nullptr;
    m_runDelay.reset();
    m_loaded.clear();
    {
        QMutexLocker lock(&m_startMutex);
        m_running = false;
    }
    moveToThread(m_home);
    qDebug("mo%d: exit done", m_board);
}

// ---- Main window's thread -----------------------------------------------------

bool FMBoard::connectTo(const BoardIP &target)
{
    // The target belongs to the board thread: it is set there, after a
    // board the link is leaving has been taken off air and unlocked.
    inBoardThread(this, m_running.load(), [this, target] {
        // Also right after a time-out (not connected, the lock unknown):
        // settleLock then asks the board before it is left.
        if (m_socket && target != m_target && m_target.ip != 0) {
            const bool wasConnected = m_socket->state() == QAbstractSocket::ConnectedState;
            settleLock();
            if (m_socket->state() == QAbstractSocket::ConnectedState
                && (m_state.load() != NotConnected || !wasConnected))
                disconnectBoard();
        }
        QMutexLocker lock(&m_mutex);
        qDebug("mo%d: #%03d connectTo %s", m_board, target.boxNumber(), qPrintable(target.addressText()));
        m_target = target;
        m_info = BoardInfo();
        m_knownInfo = BoardInfo();
        {
            QMutexLocker info(&m_infoMutex);
            m_infoCopy = BoardInfo();
        }
        setState(ConnectRequested);
    });
    return false;
}

void FMBoard::setSettings(const QSharedPointer<FMSettings> &settings)
{
    int band = 0;
    {
        QMutexLocker lock(&m_mutex);
        m_settings = settings;
        if (settings) {
            band = settings->band();
            m_reqBand = band;
            m_reqAttn = settings->attn();
        }
    }
    // The programs load in the board thread: the pump reads them there.
    inBoardThread(this, m_running.load(), [this, settings, band] { loadPrograms(settings, band); });
}

void FMBoard::loadPrograms(const QSharedPointer<FMSettings> &settings, int band)
{
    m_loaded = settings;
    for (FMProgram *p : m_programs)
        if (p)
            p->loadSettings(settings, band);
}

void FMBoard::setConfig(int band, int attnDb)
{
    m_reqBand = band;
    m_reqAttn = attnDb;
}

void FMBoard::setRdsPort(u16 port)
{
    m_pendingRdsPort = port;
}

void FMBoard::releaseRdsPorts(u16 port)
{
    inBoardThread(this, m_running.load(), [this, port] { closeRdsServers(port); });
}

LockInfo FMBoard::lockInfo() const
{
    QMutexLocker lock(&m_mutex);
    return m_lock;
}

BoardInfo FMBoard::info() const
{
    QMutexLocker lock(&m_infoMutex);
    return m_infoCopy;
}

QByteArray FMBoard::lockIdentityText()
{
    return BoardProtocol::localIdentityText();
}

FMProgram *FMBoard::program(int index) const
{
    return index >= 0 && index < channels ? m_programs[index] : nullptr;
}

qint64 FMBoard::nowMs() const
{
    return qint64(HiResClock::now() * 1000.0);
}

// ---- Slots ---------------------------------------------------------------------

void FMBoard::toggleOnAir()
{
    if (m_state.load() == Online)
        m_reqOnAir = !m_reqOnAir.load();
}

void FMBoard::setOnAir(bool on)
{
    // Taken in every state: the status tick applies it when the link is
    // online, and going online sends the band configuration with it.
    m_reqOnAir = on;
}

void FMBoard::disconnectRequest()
{
    setState(DisconnectRequested);
}

void FMBoard::unlock(bool takeOver)
{
    // The question may have been asked about a lock that has gone since:
    // its answer must neither switch our own board off nor take the next
    // foreign lock over unasked.
    const int st = m_state.load();
    if (st != ForeignLock) {
        qDebug("mo%d: take-over answer %d dropped in state %d", m_board, int(takeOver), st);
        return;
    }
    m_takeOver = takeOver;
    if (!takeOver)
        setState(DisconnectRequested);
}

void FMBoard::error(QAbstractSocket::SocketError socketError)
{
    if (socketError == QAbstractSocket::ConnectionRefusedError) {
        noteUnreachable();
        return;
    }
    // A board that is away makes every read and write fail: the first
    // error is logged, the rest are counted until the board is heard again.
    if (m_socketErrors.begin())
        qDebug("mo%d: socket error %d [%s]", m_board, int(socketError),
               m_socket ? qPrintable(m_socket->errorString()) : "NULL");
}

void FMBoard::state(QAbstractSocket::SocketState socketState)
{
    qDebug("mo%d: socket state %d", m_board, int(socketState));
}

// ---- Status tick ------------------------------------------------------------------

void FMBoard::timeReadStatus()
{
    // While the pump rests, waiting RDS clients are let in from here.
    if (!m_pumpTimer->isActive())
        letInRdsClients();
    int st = m_state.load();
    if (st == NotConnected || st == ConnectRequested) {
        if (m_mutex.tryLock()) {
            open();
            m_mutex.unlock();
        } else if (st == ConnectRequested) {
            qDebug("mo%d: timer not locked for open", m_board);
        }
    } else if (st == Online
               && (m_attn != m_reqAttn.load() || m_band != m_reqBand.load() || m_onAir != m_reqOnAir.load())) {
        if (m_mutex.tryLock()) {
            m_band = m_reqBand.load();
            m_attn = m_reqAttn.load();
            m_onAir = m_reqOnAir.load();
            sendBandConfig();
            emit onair(m_onAir);
            for (FMProgram *p : m_programs)
                p->setBand(m_band);
            m_mutex.unlock();
            // The tick goes on to the status request: without it the next
            // fill report would come 400 ms after the last, longer than a
            // board's PCM buffer lasts, and the channels would run dry.
        } else {
            qDebug("mo%d: timer not locked for band", m_board);
        }
    }

    // A new port: the servers of the old one close first (on every board
    // before any binds, when the main window released them). A port asked
    // for again keeps the servers that listen, and with them their
    // clients; those that could not take their port try again.
    const int port = m_pendingRdsPort.exchange(0);
    if (port != 0) {
        closeRdsServers(port);
        for (FMProgram *p : m_programs)
            p->setRdsPort(u16(port));
        reportRdsPorts();
    }

    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        // A disconnect asked for while not connected (a time-out just
        // before) ends at once, after a board whose lock is in question was
        // asked for it.
        if (m_state.load() == DisconnectRequested) {
            settleLock();
            disconnectBoard();
        }
        return;
    }

    // What the board sent meanwhile counts before this tick: a thread that
    // ran late must not take a reply waiting in its socket for a silence.
    if (m_socket->hasPendingDatagrams()) {
        readUdp();
        if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
    }

    qint64 written = 0;
    st = m_state.load();
    switch (st) {
    case NotConnected:
    case ConnectRequested:
        qDebug("mo%d: state %d", m_board, st);
        break;
    case InfoRequested:
        if (m_infoRequests.begin())
            qDebug("mo%d: request info %s", m_board, qPrintable(m_socket->peerName()));
        written = sendNow(BoardProtocol::infoRequest());
        break;
    case LockQueried:
        if (m_lockQueries.begin())
            qDebug("mo%d: get lock", m_board);
        askHandshakeLock();
        break;
    case ForeignLock:
        if (nowMs() - m_lastReceived >= foreignSilenceMs) {
            // Gone while the question is open: what answers next may be
            // another board, so a "yes" given meanwhile does not reach it.
            m_takeOver = false;
            readAgain("went silent while held by another client");
        } else if (m_takeOver.exchange(false)) {
            sendUnlock();
            sendSetLock();
            goOnline();
            m_lastReceived = nowMs();
        } else if (nowMs() - m_lastReceived >= 1000) {
            askHandshakeLock();
        }
        break;
    case Online: {
        const bool askAgain = m_live.tick(lockHandshake());
        written = sendNow(BoardProtocol::statusRequest());
        if (written > 0)
            m_live.requestSent(nowMs());
        if (askAgain)
            askLock("its lock status did not come");
        // Firmware before 25 has no lock handshake: nothing to look after.
        if ((++m_statusTicks & 0x1F) == 0 && lockHandshake())
            sendNow(BoardProtocol::lockQuery());
        break;
    }
    case DisconnectRequested:
        qDebug("mo%d: force disconnect", m_board);
        settleLock();
        disconnectBoard();
        break;
    }

    checkRestart();
    if (m_state.load() == Online && (written == -1 || (nowMs() - m_lastReceived) / 1000 > 1)) {
        qDebug("mo%d: timeout", m_board);
        reconnect();
    }
}

void FMBoard::open()
{
    if (m_state.load() != NotConnected)
        disconnectBoard();
    if (m_target.ip == 0 || m_target.port == 0 || !m_socket)
        return;
    m_socket->connectToHost(QHostAddress(m_target.ip), m_target.port, QIODevice::ReadWrite);
    setState(InfoRequested);
    m_lastReceived = nowMs();
    qDebug("mo%d: connect #%03d %s", m_board, m_target.boxNumber(), qPrintable(m_target.addressText()));
    const qintptr fd = m_socket->socketDescriptor();
    int size = sendBufferSize;
    if (fd < 0 || setsockopt(int(fd), SOL_SOCKET, SO_SNDBUF, &size, sizeof size) != 0) {
        qDebug("mo%d: set udp send buffer failed %d", m_board, errno);
        return;
    }
    int got = 0;
    socklen_t len = sizeof got;
    if (getsockopt(int(fd), SOL_SOCKET, SO_SNDBUF, &got, &len) == 0)
        qDebug("mo%d: udp send buffer %d", m_board, got);
}

void FMBoard::setState(int state)
{
    const int old = m_state.exchange(state);
    if (state == InfoRequested || state == NotConnected)
        m_handshakeQueries = 0; // a handshake of its own follows
    if (old == InfoRequested && state != InfoRequested) {
        const int n = m_infoRequests.end();
        if (n > 1)
            qDebug("mo%d: info requested %d times", m_board, n);
    }
    if (old == LockQueried && state != LockQueried) {
        const int n = m_lockQueries.end();
        if (n > 1)
            qDebug("mo%d: lock queried %d times", m_board, n);
    }
    if (old == ForeignLock && state != ForeignLock) {
        m_takeOver = false;
        if (const int n = m_foreignLock.end())
            qDebug("mo%d: lock of another client seen in %d replies", m_board, n);
        m_foreignHolder.clear();
        emit takeOverWithdrawn(m_board);
    }
}

// A time-out or a restart: connect again at the next tick, without
// switching off or unlocking a board that may no longer be ours.
void FMBoard::reconnect()
{
    setState(ConnectRequested);
    disconnectBoard();
    forgetLock();
}

// Who holds the board is unknown until a lock status names a holder again
// (or, without lock handshake, until the board has gone online with us once
// more): the board may have restarted, and another client may hold it now.
// Our own identity stays, so that our lock is renewed under it.
void FMBoard::forgetLock()
{
    if (m_info.boardType != 0)
        m_knownInfo = m_info;
    m_info = BoardInfo();
    QMutexLocker lock(&m_mutex);
    m_lock = LockInfo();
}

// The board is ours to switch off: we set its lock and the board reports
// our identity, or it has no lock handshake at all (firmware before 25)
// and we went online with it. Before the first lock status both identities
// are all 0xFF: that says nothing about who holds the board.
bool FMBoard::lockedByUs() const
{
    // It went silent since: it may have rebooted and lost our lock.
    if (m_live.lockInQuestion())
        return false;
    if (!allFF(m_ownIdentity, LockInfo::identitySize))
        return m_lock.sameIdentity(m_ownIdentity);
    return m_info.boardType != 0 && m_info.version < 25;
}

// Before the link leaves a board (quit, a disconnect request, another
// board): a board we locked whose lock is in question (it went silent,
// restarted or timed out since) is asked, for at most lockAnswerWaitMs and
// again every lockAskAgainMs while no answer comes (a lost question or
// answer is not the board's last word), so that a board that still names
// us is switched off and unlocked by the disconnect that follows. The
// answer is read here, past the socket's signals, so that it changes
// nothing but the lock record. Without an answer, a board we held before
// its silence, that no other client was seen to hold since, is still
// ours: its replies may be held up while it hears, and it is switched off
// and unlocked all the same. After a time-out or a restart nothing is
// known of its lock, and one that does not answer is left alone.
void FMBoard::settleLock()
{
    if (allFF(m_ownIdentity, LockInfo::identitySize) || !m_socket || m_target.ip == 0 || m_target.port == 0)
        return;
    if (m_info.boardType != 0 && !lockHandshake())
        return;
    if (!m_live.lockInQuestion() && !allFF(m_lock.identity, LockInfo::identitySize))
        return;
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        m_socket->connectToHost(QHostAddress(m_target.ip), m_target.port, QIODevice::ReadWrite);
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    qDebug("mo%d: lock in question, asking the board before leaving it", m_board);
    const QSignalBlocker quiet(m_socket);
    QElapsedTimer waited;
    waited.start();
    qint64 nextAsk = 0;
    int asked = 0;
    bool answered = false;
    for (;;) {
        if (waited.elapsed() >= nextAsk) {
            if (m_info.boardType == 0)
                sendNow(BoardProtocol::infoRequest());
            if (!answered)
                sendNow(BoardProtocol::lockQuery());
            ++asked;
            nextAsk = waited.elapsed() + lockAskAgainMs;
        }
        while (m_socket->hasPendingDatagrams()) {
            const QByteArray d = m_socket->receiveDatagram(maxReadSize).data();
            if (d.size() < 2)
                continue;
            const int type = BoardProtocol::packetType(d);
            BoardInfo info;
            LockInfo parsed = m_lock;
            if (type == BoardProtocol::InfoReply && m_info.boardType == 0 && BoardProtocol::parseInfoReply(d, &info)) {
                m_info = info;
            } else if (type == BoardProtocol::LockStatus
                       && BoardProtocol::parseLockStatus(d, &parsed) != BoardProtocol::LockReply::Invalid) {
                m_live.lockAnswered();
                QMutexLocker lock(&m_mutex);
                takeHolder(parsed);
                answered = true;
            }
        }
        const qint64 left = qMin<qint64>(lockAnswerWaitMs, nextAsk) - waited.elapsed();
        if ((answered && m_info.boardType != 0) || waited.elapsed() >= lockAnswerWaitMs)
            break;
        // A pending error (the board's port closed) ends the wait at once: no spinning on it.
        if (left > 0 && !m_socket->waitForReadyRead(int(left)))
            QThread::msleep(1);
    }
    // A board that names us is the one we locked: when its information
    // did not come again, the last one known builds its carrier-off.
    if (answered && m_info.boardType == 0 && m_knownInfo.boardType != 0 && lockedByUs())
        m_info = m_knownInfo;
    const bool heldBefore = !answered && m_live.lockInQuestion() && m_lock.sameIdentity(m_ownIdentity);
    if (heldBefore)
        m_live.lockAnswered(); // the question is closed: ours
    qDebug("mo%d: lock before leaving %s (asked %d times)", m_board,
           heldBefore  ? "not answered, ours before its silence"
           : !answered ? "not answered"
           : lockedByUs() ? "ours"
                          : "not ours",
           asked);
}

// The holder a lock status names; the board mutex is held.
void FMBoard::takeHolder(const LockInfo &parsed)
{
    m_lock.ip = parsed.ip;
    m_lock.port = parsed.port;
    std::memcpy(m_lock.identity, parsed.identity, LockInfo::identitySize);
}

void FMBoard::disconnectBoard()
{
    const int st = m_state.load();
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        qDebug("mo%d: disconnect %d", m_board, st);
        if (st != ConnectRequested) {
            if (lockedByUs()) {
                if (m_info.boardType != 0) {
                    m_onAir = false;
                    sendBandConfig();
                    emit onair(false);
                }
                // A board whose lock status names us has the handshake,
                // whatever is known of its information.
                if (m_info.version >= 25
                    || (!allFF(m_ownIdentity, LockInfo::identitySize) && m_lock.sameIdentity(m_ownIdentity)))
                    sendUnlock();
            } else {
                qDebug("mo%d: disconnect w/o unlock %02X != %02X", m_board, m_ownIdentity[0],
                       m_lock.identity[0]);
            }
            m_target = BoardIP();
            std::memset(m_ownIdentity, 0xFF, sizeof m_ownIdentity);
        }
        m_socket->disconnectFromHost();
    }
    endSendFailures();
    if (const int n = m_silences.end())
        qDebug("mo%d: lock asked for %d times after silences", m_board, n);
    setState(NotConnected);
    emit offline(m_target, m_board);
}

void FMBoard::goOnline()
{
    qDebug("mo%d: online, force set band", m_board);
    setState(Online);
    m_band = -1;
    m_live.reset();
    // The answers to lock queries sent before our SET LOCK are still to
    // come from a board slow to answer: they tell the lock as it was.
    m_staleLockAnswers = m_handshakeQueries;
    m_handshakeQueries = 0;
    m_staleUntil = nowMs() + staleLockMs;
    // Nothing was pumped while the link was not online: the levels the
    // board reported last are gone, and with them it would wait for its
    // next status while the board runs dry. Its first status tells.
    for (ChannelStatus &s : m_status)
        s.pcmFill = s.rdsFill = 0;
    startPump();
    emit online(m_target, m_board);
}

// A lock query of the handshake (states 3 and 4), counted until answered.
void FMBoard::askHandshakeLock()
{
    if (sendNow(BoardProtocol::lockQuery()) > 0)
        ++m_handshakeQueries;
}

void FMBoard::sendSetLock()
{
    // Our own lock is renewed with the identity it has (the socket may have
    // a new port after a time-out); a new lock gets a new token.
    const bool renew = !allFF(m_ownIdentity, LockInfo::identitySize);
    const u8 token = renew ? m_ownIdentity[0] : u8(m_random() & 0xFF);
    const QByteArray text = lockIdentityText();
    const QByteArray datagram = BoardProtocol::setLock(token, text);
    std::memcpy(m_ownIdentity, datagram.constData() + 2, LockInfo::identitySize);
    {
        QMutexLocker lock(&m_mutex);
        std::memcpy(m_lock.identity, m_ownIdentity, LockInfo::identitySize);
    }
    qDebug("mo%d: SET LOCK %02X [%s]", m_board, token, text.left(BoardProtocol::identityTextSize).constData());
    sendNow(datagram);
}

void FMBoard::sendUnlock()
{
    qDebug("mo%d: * UNLOCK %02X", m_board, m_lock.identity[0]);
    sendNow(BoardProtocol::unlockRequest());
}

bool FMBoard::sendBandConfig()
{
    const int attn = m_onAir ? m_attn : -31;
    qDebug("mo%d: CFG on=%d band=%d attn=%ddB", m_board, int(m_onAir), m_band, attn);
    if (!m_pending.isEmpty()) {
        qDebug("mo%d: CF- %d", m_board, m_pending.size());
        m_pending.clear();
    }
    const QList<QByteArray> commands =
        BoardCommand::bandConfiguration(m_info.boardType, m_band, m_onAir, m_attn, m_refOsc);
    QVector<int> results;
    for (QByteArray c : commands)
        results << sendAcked(c);
    if (m_info.isZQX4())
        return results.value(0) == BoardCommand::bandConfigZQX4Size;
    if (results.size() == 2 && results[0] == BoardCommand::bandConfigSynthSize
        && results[1] == BoardCommand::bandConfigSynthSize)
        return true;
    qDebug("mo%d: band %d failed %d,%d != 31", m_board, m_band, results.value(0), results.value(1));
    return false;
}

// ---- Sending ------------------------------------------------------------------------

int FMBoard::sendAcked(QByteArray &command)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    if (!BoardCommand::isCommand(command)) {
        qDebug("mo%d: ??? %2d [%s] %d", m_board, command.size(),
               qPrintable(BoardProtocol::hexText(command, 42)), m_pending.size());
    } else {
        const u32 id = BoardCommand::stamp(command, BoardCommand::nextCounter());
        m_pending.insert(id, command);
    }
    m_lastAckedSend = nowMs();
    const qint64 n = writeDatagram(command.constData(), command.size());
    if (n > 0)
        m_bytesSent += int(n);
    else
        logSendFailure(m_sendFailures, "sendRaw", n);
    return int(n);
}

int FMBoard::sendRaw(const char *data, int length, int owner)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    const qint64 n = writeDatagram(data, length, owner);
    if (n > 0)
        m_bytesSent += int(n);
    else
        logSendFailure(m_sendFailures, "sendRaw", n);
    return int(n);
}

int FMBoard::sendRDS(u8 channelIndex, const u8 *const streams[4], int length, u8 streamBits)
{
    if (length % 26 != 0)
        qDebug("mo%d: bad length! %d", m_board, length);
    const bool four = BoardProtocol::useFourStreams(m_info.version, streamBits);
    const QByteArray datagram = BoardProtocol::rdsData(channelIndex, streams, length, four);
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    const qint64 n = writeDatagram(datagram.constData(), datagram.size());
    if (n > 0)
        m_bytesSent += int(n);
    if (n < 0)
        logSendFailure(m_rdsFailures, "sendRDS", n);
    else if (n != datagram.size())
        qDebug("mo%d: sendRDS %d != %d", m_board, datagram.size(), int(n));
    return int(n);
}

qint64 FMBoard::writeDatagram(const char *data, int length, int owner)
{
    if (!m_batching)
        return sendNow(data, length);
    m_batch.add(data, length, owner);
    return length;
}

// One datagram to the board now, on the socket's own descriptor, so that
// the reason of a failure is ours to see: "port unreachable" says that the
// board's program does not listen (it restarts or is switched off).
// Returns the bytes written, 0 when the send buffer is full, -1 on failure.
qint64 FMBoard::sendNow(const char *data, int length)
{
    const qintptr fd = m_socket ? m_socket->socketDescriptor() : -1;
    if (fd < 0)
        return -1;
    ssize_t n;
    do
        n = ::send(int(fd), data, size_t(length), MSG_DONTWAIT | MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    if (n >= 0)
        return n;
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK)
        return 0;
    if (error == ECONNREFUSED)
        noteUnreachable();
    else if (m_socketErrors.begin())
        qDebug("mo%d: socket error %d [%s]", m_board, int(QAbstractSocket::UnknownSocketError),
               strerror(error));
    return -1;
}

// "Port unreachable" from the board: logged as a socket error (once per
// run, with the others), and kept for checkRestart.
void FMBoard::noteUnreachable()
{
    if (m_socketErrors.begin())
        qDebug("mo%d: socket error %d [%s]", m_board, int(QAbstractSocket::ConnectionRefusedError),
               unreachableText);
    m_unreachable = true;
}

// Called where the link's own reads and writes end (status tick, pump tick,
// reading): "port unreachable" while online means that the board's program
// stopped listening: it restarted (or is restarting) and has forgotten its
// configuration, whether it is back already or not. The link reads the
// board again as after a time-out. In any other state the board is not
// there yet or being read anyway: the note is dropped.
void FMBoard::checkRestart()
{
    if (!m_unreachable)
        return;
    m_unreachable = false;
    const int st = m_state.load();
    if (st == LockQueried || st == ForeignLock) {
        // The information we hold may be another board's by now.
        readAgain("restarted (its port did not answer)");
        return;
    }
    if (st != Online)
        return;
    qDebug("mo%d: board restarted (its port did not answer), reading it again", m_board);
    reconnect();
}

// A board that may have been replaced before it went online: its
// information is asked for again, on the same connection; the lock
// handshake follows. Leaving state 4 withdraws the take-over question.
void FMBoard::readAgain(const char *why)
{
    qDebug("mo%d: board %s, reading it again", m_board, why);
    forgetLock();
    setState(InfoRequested);
    m_lastReceived = nowMs();
}

// A lossy board goes silent now and then: the first silence is logged,
// the others counted until the link disconnects.
void FMBoard::askLock(const char *why)
{
    if (m_silences.begin())
        qDebug("mo%d: asking for the lock, %s", m_board, why);
    sendNow(BoardProtocol::lockQuery());
}

// The board lost its state (it rebooted): band and channels are configured
// again as going online does (the band configuration at the next tick, the
// channel configuration four times), while the pump runs on.
void FMBoard::configureAgain()
{
    qDebug("mo%d: configuring the board again", m_board);
    m_live.reset();
    m_band = -1;
    for (FMProgram *p : m_programs)
        p->setBoardInfo(m_info);
    reportRdsPorts();
}

// While the board is away every write fails: the first failure is logged,
// the others are counted until the board is heard again or the link
// disconnects.
void FMBoard::logSendFailure(RepeatedLog &run, const char *what, qint64 result)
{
    if (run.begin())
        qDebug("mo%d: %s failed %d", m_board, what, int(result));
}

void FMBoard::endSendFailures()
{
    if (const int n = m_sendFailures.end())
        qDebug("mo%d: sendRaw failed %d times in all", m_board, n);
    if (const int n = m_rdsFailures.end())
        qDebug("mo%d: sendRDS failed %d times in all", m_board, n);
    if (const int n = m_batchRefusals.end())
        qDebug("mo%d: udp send refused %d times in all", m_board, n);
    if (const int n = m_socketErrors.end())
        qDebug("mo%d: %d socket errors in all", m_board, n);
}

// ---- Pump ---------------------------------------------------------------------------

// The pump runs only while the link is online: an idle link does not wake
// every millisecond. It stops itself at its first tick after going offline.
void FMBoard::startPump()
{
    if (m_pumpTimer->isActive())
        return;
    m_batch.clear();
    m_lastPump = 0;
    m_pumpTimer->start(1);
}

void FMBoard::timeFillBuffer()
{
    const double now = HiResClock::now();
    // What of the interval the machine took (the thread ready, another
    // running), read only while someone takes the statistics.
    const double held = m_pumpWatched.load(std::memory_order_relaxed) ? m_runDelay->seconds() : -1;
    if (m_lastPump > 0) {
        const double ms = (now - m_lastPump) * 1000.0;
        m_pumpBins[qBound(0, int(ms * 20), pumpBins - 1)].fetch_add(1, std::memory_order_relaxed);
        if (ms >= 1.5)
            m_pumpMissed.fetch_add(quint64(ms + 0.5) - 1, std::memory_order_relaxed);
        if (int(ms * 1000) > m_pumpMaxUs.load(std::memory_order_relaxed))
            m_pumpMaxUs.store(int(ms * 1000), std::memory_order_relaxed);
        const double ownMs = held >= 0 && m_lastHeld >= 0 ? ms - (held - m_lastHeld) * 1000.0 : ms;
        if (int(ownMs * 1000) > m_pumpOwnMaxUs.load(std::memory_order_relaxed))
            m_pumpOwnMaxUs.store(int(ownMs * 1000), std::memory_order_relaxed);
    }
    m_lastPump = now;
    m_lastHeld = held;
    if (m_state.load() == Online) {
        // Datagrams the kernel refused last time go first and count in this tick.
        m_bytesSent += m_batch.queuedBytes();
        m_batching = m_batch.isBatching();
        for (FMProgram *p : m_programs) {
            if (m_bytesSent + FMProgram::maxRdsDatagram > tickBudget)
                break;
            p->fillRDS();
        }
        for (FMProgram *p : m_programs) {
            if (m_bytesSent + FMProgram::maxPcmPerTurn > tickBudget)
                break;
            p->fillPCM();
        }
        m_batching = false;
        m_batch.flush(int(m_socket->socketDescriptor()));
        // A board silent since a status request is asked again, so that it
        // is heard soon when it is back and its silence is measured. A
        // reply waiting in the socket (a thread that ran late) is no
        // silence; the socket is looked at only when a probe is due.
        const qint64 ms = qint64(now * 1000.0);
        if (m_live.probeDue(ms) && !m_socket->hasPendingDatagrams()) {
            m_live.silence(lockHandshake());
            if (sendNow(BoardProtocol::statusRequest()) > 0)
                m_live.requestSent(ms);
        }
        if (m_batch.lastError() == ECONNREFUSED)
            noteUnreachable();
        else if (m_batch.queued() > 0 && m_batchRefusals.begin())
            qDebug("mo%d: udp send refused (%d), %d datagrams wait for the next tick", m_board,
                   m_batch.lastError(), m_batch.queued());
        if (m_bytesSent > m_maxTickBytes.load(std::memory_order_relaxed))
            m_maxTickBytes.store(m_bytesSent, std::memory_order_relaxed);
    } else {
        m_pumpTimer->stop();
        m_batch.clear();
    }
    m_bytesSent = 0;
    checkRestart();
    if (++m_listenTicks >= listenCheckTicks) {
        m_listenTicks = 0;
        letInRdsClients();
    }
}

// The servers of another port than `port` (of channel 1) close and take
// the new one without listening yet.
void FMBoard::closeRdsServers(int port)
{
    if (port == 0 || port == m_rdsPort)
        return;
    m_rdsPort = port;
    for (FMProgram *p : m_programs)
        if (p)
            p->rdsServer()->movePort(port - 1);
}

// Tells the main window of each channel whose server could not take its
// port, and of one that listens (or was closed) after that.
void FMBoard::reportRdsPorts()
{
    for (int i = 0; i < channels; ++i) {
        const RDSServer *server = m_programs[i] ? m_programs[i]->rdsServer() : nullptr;
        if (!server)
            continue;
        RdsPortState now;
        now.error = server->listenError();
        if (!now.error.isEmpty())
            now.port = server->port();
        RdsPortState &told = m_rdsPortStates[i];
        if (now.port == told.port && now.error == told.error)
            continue;
        told = now;
        emit rdsPortState(m_board * channels + i + 1, now.port, now.error);
    }
}

// The 24 listening sockets in the event loop's poll set would cost more at
// every 1 ms turn than an idle channel's whole pump: one poll of them every
// 20 ticks lets a waiting client in; the socket accepts in the next turn of
// the event loop and is held again at the next check.
void FMBoard::letInRdsClients()
{
    pollfd fds[channels];
    RDSServer *waiting[channels];
    nfds_t n = 0;
    for (FMProgram *p : m_programs) {
        RDSServer *server = p ? p->rdsServer() : nullptr;
        if (!server)
            continue;
        server->setAccepting(false);
        const qintptr fd = server->waitingDescriptor();
        if (fd < 0)
            continue;
        fds[n] = {int(fd), POLLIN, 0};
        waiting[n++] = server;
    }
    if (n == 0 || ::poll(fds, n, 0) <= 0)
        return;
    for (nfds_t i = 0; i < n; ++i)
        if (fds[i].revents != 0)
            waiting[i]->setAccepting(true);
}

FMBoard::PumpStats FMBoard::takePumpStats()
{
    PumpStats st;
    quint32 counts[pumpBins];
    for (int i = 0; i < pumpBins; ++i) {
        counts[i] = m_pumpBins[i].exchange(0, std::memory_order_relaxed);
        st.ticks += counts[i];
    }
    st.missed = m_pumpMissed.exchange(0);
    st.maxMs = m_pumpMaxUs.exchange(0) / 1000.0;
    st.ownMaxMs = m_pumpOwnMaxUs.exchange(0) / 1000.0;
    m_pumpWatched = true;
    quint64 seen = 0;
    for (int i = 0; i < pumpBins; ++i) {
        seen += counts[i];
        if (st.p50Ms == 0 && seen * 2 >= st.ticks && st.ticks)
            st.p50Ms = (i + 1) * 0.05;
        if (st.p99Ms == 0 && seen * 100 >= st.ticks * 99 && st.ticks)
            st.p99Ms = (i + 1) * 0.05;
    }
    return st;
}

// ---- Receiving ----------------------------------------------------------------------

void FMBoard::readUdp()
{
    // A "port unreachable" reply sets the socket's pending error, which the
    // next read would take without a word: it is taken here first, and a
    // board that went away while online is read again before any datagram
    // that arrived after it counts.
    if (const qintptr fd = m_socket ? m_socket->socketDescriptor() : -1; fd >= 0) {
        int pending = 0;
        socklen_t len = sizeof pending;
        if (getsockopt(int(fd), SOL_SOCKET, SO_ERROR, &pending, &len) == 0 && pending == ECONNREFUSED)
            noteUnreachable();
        checkRestart();
    }
    const auto connected = [this] {
        return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
    };
    int read = 0;
    while (connected() && m_socket->hasPendingDatagrams()) {
        handleDatagram(m_socket->receiveDatagram().data());
        ++read;
    }
    // A "port unreachable" reply (the board is not listening yet, restarts
    // or is switched off) wakes the socket without a datagram. The socket
    // reports nothing more until it has been read: one read, which fails or
    // finds a datagram that has just come in, keeps the board audible.
    if (read == 0 && connected()) {
        const QNetworkDatagram d = m_socket->receiveDatagram(maxReadSize);
        if (d.isValid())
            handleDatagram(d.data());
    }
    checkRestart();
}

void FMBoard::handleDatagram(const QByteArray &d)
{
    if (d.size() < 2)
        return;
    const int type = BoardProtocol::packetType(d);
    m_lastReceived = nowMs();
    endSendFailures();
    heard(type);
    switch (type) {
    case BoardProtocol::InfoReply:
        infoReply(d);
        break;
    case BoardProtocol::BoardMessage:
        qDebug("mo%d: packet %.4x %d", m_board, type, d.size());
        break;
    case BoardProtocol::Ack: {
        const u32 id = BoardCommand::commandId(d);
        if (m_pending.remove(id) == 0)
            qDebug("mo%d: ack %.08x unknown", m_board, id);
        break;
    }
    case BoardProtocol::ChannelStatus:
        channelStatus(d);
        break;
    case BoardProtocol::LockStatus:
        lockStatus(d);
        break;
    default:
        qDebug("mo%d: unknown packet (0x%04X len=%i)", m_board, type, d.size());
        break;
    }
    checkPurge();
}

// Any datagram is a sign of life. Heard again after a silence, a board
// with the lock handshake is asked for its lock (the answer tells whether
// it rebooted); one without it that left enough status requests unanswered
// is taken as rebooted.
void FMBoard::heard(int type)
{
    using Kind = BoardLiveness::Datagram;
    const Kind kind = type == BoardProtocol::ChannelStatus ? Kind::StatusReply
                      : type == BoardProtocol::LockStatus  ? Kind::LockStatus
                                                           : Kind::Other;
    const BoardLiveness::Sign sign = m_live.heard(kind, lockHandshake());
    if (m_state.load() != Online)
        return;
    if (sign == BoardLiveness::Sign::AskLock) {
        askLock("the board answers again after a silence");
    } else if (sign == BoardLiveness::Sign::Rebooted) {
        qDebug("mo%d: board answers again after %d or more unanswered status requests: taken as rebooted",
               m_board, BoardLiveness::rebootRequests);
        configureAgain();
    }
}

void FMBoard::checkPurge()
{
    if (m_pending.isEmpty() || nowMs() - m_lastAckedSend <= ackTimeoutMs)
        return;
    qDebug("mo%d: CF! %d", m_board, m_pending.size());
    // The board may have missed any of them: the programs concerned send
    // their whole configuration again, the band configuration goes again.
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        const u8 target = u8(it.value().at(5));
        if (target == BoardCommand::boardTarget) {
            m_band = -1;
            continue;
        }
        const int index = int(target) - m_board * channels - 1;
        if (FMProgram *p = program(index))
            p->resendConfiguration();
    }
    m_pending.clear();
    m_lastAckedSend = nowMs();
}

void FMBoard::infoReply(const QByteArray &d)
{
    BoardInfo info;
    if (!BoardProtocol::parseInfoReply(d, &info))
        return;
    qDebug("mo%d: #%03d %8X info v%d pcm:%d rds:%d [%s]", m_board, info.boxNumber(), info.boardType,
           info.version, info.pcmSize, info.rdsSize, qPrintable(BoardProtocol::hexText(d.mid(20))));
    // Only an answer to our request moves the link; a late copy does not
    // undo a lock handshake or a disconnect.
    if (m_state.load() != InfoRequested)
        return;
    // Another box at the address: whatever we knew of its lock is void.
    if (info.boxNumber() != m_lock.box)
        forgetLock();
    m_info = info;
    {
        QMutexLocker lock(&m_infoMutex);
        m_infoCopy = info;
    }
    if (info.version < 25)
        goOnline();
    else
        setState(LockQueried);
    emit boardInfo(info, m_board);
    for (FMProgram *p : m_programs)
        p->setBoardInfo(info);
    reportRdsPorts();
}

void FMBoard::lockStatus(const QByteArray &d)
{
    const int st = m_state.load();
    const bool handshaking = st == LockQueried || st == ForeignLock;
    // A late lock status never undoes a disconnect asked for, nor changes
    // what the disconnect knows of the lock.
    if (!handshaking && st != Online)
        return;
    if (handshaking && m_handshakeQueries > 0)
        --m_handshakeQueries;
    // The answer to a query sent before our SET LOCK, come late (the board
    // answers in order): "not locked yet" or the holder we took the board
    // from is no news of a reboot or of another client.
    if (st == Online && m_staleLockAnswers > 0 && nowMs() < m_staleUntil) {
        --m_staleLockAnswers;
        qDebug("mo%d: lock status from before our SET LOCK dropped", m_board);
        return;
    }
    // The answer to the question a silence raised, if one is open.
    if (st == Online)
        m_live.lockAnswered();
    if (d.size() < BoardProtocol::lockStatusMinSize) {
        qDebug("mo%d: unknown lock %d", m_board, d.size());
        if (handshaking) {
            sendSetLock();
            goOnline();
        }
        return;
    }
    LockInfo parsed;
    bool withClients = false;
    {
        QMutexLocker lock(&m_mutex);
        m_lock.box = u16(m_info.boxNumber());
        parsed = m_lock;
        withClients = BoardProtocol::parseLockStatus(d, &parsed) == BoardProtocol::LockReply::WithClients;
        takeHolder(parsed);
    }
    const bool ours = parsed.sameIdentity(m_ownIdentity) && !allFF(m_ownIdentity, LockInfo::identitySize);
    QByteArray holder(reinterpret_cast<const char *>(parsed.identity), LockInfo::identitySize);
    holder += QByteArray::number(parsed.ip) + ':' + QByteArray::number(parsed.port);
    // The lock changed while the take-over question was open: the board
    // may have been replaced, and it is read again before it goes online.
    if (st == ForeignLock && holder != m_foreignHolder) {
        readAgain(parsed.ip == 0 ? "let go by the other client" : "held by yet another client");
        return;
    }
    if (ours) {
        if (handshaking) {
            sendSetLock();
            goOnline();
        }
        return;
    }
    if (parsed.ip == 0) {
        if (st == Online) {
            // It rebooted and forgot our lock and its configuration.
            qDebug("mo%d: board lost our lock, locking and configuring it again", m_board);
            sendSetLock();
            configureAgain();
            return;
        }
        qDebug("mo%d: not locked yet", m_board);
        sendSetLock();
        goOnline();
        return;
    }
    // While the question is open the board is asked again every second or
    // so: the holder and the recent clients are logged when the holder is
    // new, its further replies only counted.
    m_foreignHolder = holder;
    const bool logIt = m_foreignLock.begin();
    if (logIt) {
        // The identity text ends at its first NUL, at most 15 bytes.
        const char *text = reinterpret_cast<const char *>(parsed.identity + 1);
        const QByteArray who(text, int(strnlen(text, BoardProtocol::identityTextSize)));
        qDebug("mo%d: is locked from %d.%d.%d.%d : %d [%s]", m_board, parsed.ip >> 24, (parsed.ip >> 16) & 0xFF,
               (parsed.ip >> 8) & 0xFF, parsed.ip & 0xFF, parsed.port, who.constData());
    }
    setState(ForeignLock);
    emit userUnlock(m_board);
    if (!withClients)
        return;
    {
        QMutexLocker lock(&m_mutex);
        std::memcpy(m_lock.clients, parsed.clients, sizeof m_lock.clients);
    }
    if (!logIt)
        return;
    for (const LockClient &c : parsed.clients)
        if (c.ip != 0)
            qDebug("mo%d: %d.%d.%d.%d : %d last seen %d ds ago", m_board, c.ip >> 24, (c.ip >> 16) & 0xFF,
                   (c.ip >> 8) & 0xFF, c.ip & 0xFF, c.port, c.lastSeen);
}

void FMBoard::channelStatus(const QByteArray &d)
{
    QVector<BoardProtocol::StatusEntry> entries;
    if (!BoardProtocol::parseChannelStatus(d, &entries))
        return;
    const double t = HiResClock::now();
    const double dt = t - m_lastStatus;
    // Rates only from intervals long enough to mean something.
    const bool rates = dt >= 0.05 && std::isfinite(dt);
    if (rates)
        m_lastStatus = t;
    const QSharedPointer<FMSettings> project = m_loaded;
    for (int i = 0; i < entries.size() && i < channels; ++i) {
        ChannelStatus &s = m_status[i];
        const BoardProtocol::StatusEntry &e = entries[i];
        const u16 oldPcm = s.pcmFill;
        const u16 oldRds = s.rdsFill;
        s.pcmFill = e.pcmFill;
        s.rdsFill = e.rdsFill;
        s.flags = e.flags;
        s.level = BoardWords::levelDb(qMax<u32>(e.rawLevel, 1));
        if (rates) {
            s.pcmRate = (double(u16(oldPcm - e.pcmFill)) / dt + 3 * s.pcmRate) * 0.25;
            s.rdsRate = (double(u16(oldRds - e.rdsFill)) / dt + 3 * s.rdsRate) * 0.25;
        }
        if (std::fabs(s.pcmRate - m_programs[i]->sampleRate()) > 1024)
            s.flags |= ChannelStatus::PcmRateOff;
        if (std::fabs(s.rdsRate - 74) > 4)
            s.flags |= ChannelStatus::RdsRateOff;
        if (project)
            project->setChannelStatus(m_board * channels + i + 1, s);
    }
}
