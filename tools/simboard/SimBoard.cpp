#include "SimBoard.h"

#include "BoardCommand.h"
#include "BoardProtocol.h"
#include "HiResClock.h"
#include "SimReceiver.h"

#include <QEventLoop>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <cstring>

namespace {

using BoardCommand::ParsedItem;

QString hex2(int v)
{
    return QString::asprintf("%02X", v);
}

// Checks the items of a board command (target 0xFF) for this board type.
QString checkBoardItems(const QVector<ParsedItem> &items, u32 boardType)
{
    if (items.isEmpty())
        return QStringLiteral("board command without items");
    const bool zqx4 = boardType == BoardInfo::typeZQX4;
    for (const ParsedItem &item : items) {
        if (BoardCommand::itemLength(item.id) < 0)
            return QStringLiteral("item %1 is no board item").arg(hex2(item.id));
        if (item.data.size() != BoardCommand::itemLength(item.id))
            return QStringLiteral("item %1 length %2").arg(hex2(item.id)).arg(item.data.size());
        const int v = u8(item.data[0]);
        switch (item.id) {
        case BoardCommand::ItemCarrier:
            if (v > 1)
                return QStringLiteral("carrier %1").arg(v);
            break;
        case BoardCommand::ItemAttenuationZQX4:
            if (!zqx4)
                return QStringLiteral("item 87 on a ZQTX board");
            if (v > 0x7F)
                return QStringLiteral("attenuation %1").arg(hex2(v));
            break;
        case BoardCommand::ItemAttenuationSynth:
        case BoardCommand::ItemSynthSelect:
        case BoardCommand::ItemSynthWords:
            if (zqx4)
                return QStringLiteral("item %1 on a ZQX4 board").arg(hex2(item.id));
            if (item.id == BoardCommand::ItemAttenuationSynth && v > 0x1F)
                return QStringLiteral("attenuation %1").arg(hex2(v));
            if (item.id == BoardCommand::ItemSynthSelect && v > 1)
                return QStringLiteral("synthesizer %1").arg(v);
            break;
        default:
            return QStringLiteral("item %1 is no board item").arg(hex2(item.id));
        }
    }
    return {};
}

QString checkChannelItem(const ParsedItem &item, u32 boardType)
{
    if (BoardCommand::itemLength(item.id) < 0)
        return QStringLiteral("item %1 is no channel item").arg(hex2(item.id));
    if (item.data.size() != BoardCommand::itemLength(item.id))
        return QStringLiteral("item %1 length %2").arg(hex2(item.id)).arg(item.data.size());
    const auto byte = [&item](int i) { return int(u8(item.data[i])); };
    switch (item.id) {
    case BoardCommand::ItemChannelFlags:
        if (byte(0) > 1 || byte(1) > 1 || byte(2) > 0x0F || byte(3) > 2)
            return QStringLiteral("channel flags %1").arg(BoardProtocol::hexText(item.data));
        return {};
    case BoardCommand::ItemFrequency:
        if (byte(0) != 0)
            return QStringLiteral("frequency word %1").arg(BoardProtocol::hexText(item.data.left(4)));
        if (byte(4) > (boardType == BoardInfo::typeZQX4 ? 3 : 1))
            return QStringLiteral("synthesizer %1").arg(byte(4));
        return {};
    case BoardCommand::ItemSampleRate:
        if (byte(0) > 2 || item.data.mid(1) != QByteArray(4, '\0'))
            return QStringLiteral("sample rate %1").arg(BoardProtocol::hexText(item.data));
        return {};
    case BoardCommand::ItemGain:
    case BoardCommand::ItemDeviation:
    case BoardCommand::ItemVolume:
        return {};
    default:
        return QStringLiteral("item %1 is no channel item").arg(hex2(item.id));
    }
}

// Checks a channel command: channel index first and matching the target,
// then known channel items with sound values.
QString checkChannelItems(int target, const QVector<ParsedItem> &items, u32 boardType)
{
    if (target < 1 || target > BoardCommand::maxChannel)
        return QStringLiteral("target %1").arg(target);
    if (items.isEmpty() || items[0].id != BoardCommand::ItemChannelIndex || items[0].data.size() != 1)
        return QStringLiteral("channel command without channel index first");
    const int index = u8(items[0].data[0]);
    if (index != (target - 1) % BoardProtocol::channelsPerBoard)
        return QStringLiteral("channel index %1 for channel %2").arg(index).arg(target);
    for (int i = 1; i < items.size(); ++i) {
        const QString why = checkChannelItem(items[i], boardType);
        if (!why.isEmpty())
            return why;
    }
    return {};
}

u16 itemU16(const ParsedItem &item)
{
    return u16((u8(item.data[0]) << 8) | u8(item.data[1]));
}

void applyChannelItem(SimChannel::Config &c, const ParsedItem &item)
{
    const QByteArray &d = item.data;
    switch (item.id) {
    case BoardCommand::ItemChannelFlags:
        c.used = d[0] != 0;
        c.stereo = d[1] != 0;
        c.rdsStreams = u8(d[2]);
        c.emphasis = u8(d[3]);
        break;
    case BoardCommand::ItemFrequency:
        c.frequencyWord = (u32(u8(d[1])) << 16) | (u32(u8(d[2])) << 8) | u8(d[3]);
        c.synth = u8(d[4]);
        break;
    case BoardCommand::ItemGain:
        c.gainWord = itemU16(item);
        break;
    case BoardCommand::ItemDeviation:
        c.deviationWord = itemU16(item);
        break;
    case BoardCommand::ItemVolume:
        c.volumeWord = itemU16(item);
        break;
    case BoardCommand::ItemSampleRate:
        c.rateCode = u8(d[0]);
        break;
    default:
        break;
    }
}

bool allZero(const QByteArray &bytes, int from)
{
    for (int i = from; i < bytes.size(); ++i)
        if (bytes[i] != '\0')
            return false;
    return true;
}

// Channel field of a PCM or RDS header when it names a channel, else -1.
int headerChannel(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return -1;
    const int ch = (u8(bytes[2]) << 8) | u8(bytes[3]);
    return ch < BoardProtocol::channelsPerBoard ? ch : -1;
}

} // namespace

SimBoard::SimBoard(const SimBoardConfig &config, QObject *parent) : QObject(parent), m_config(config)
{
    const double now = HiResClock::now();
    for (SimChannel &c : m_channels) {
        c.setCapacity(int(qMin<u32>(config.pcmBufferSize, 1u << 30)), int(qMin<u32>(config.rdsBufferSize, 1u << 30)));
        c.reset(now);
    }
    clearLock();
    m_drainTimer = new QTimer(this);
    m_drainTimer->setSingleShot(true);
    m_drainTimer->setTimerType(Qt::PreciseTimer);
    connect(m_drainTimer, &QTimer::timeout, this, &SimBoard::drainQueue);
    bindData(config.address, config.port);
}

SimBoard::~SimBoard() = default;

bool SimBoard::isLoopback(const QHostAddress &address)
{
    bool ok = false;
    const u32 ip = address.toIPv4Address(&ok);
    return ok && (ip >> 24) == 127;
}

bool SimBoard::bindData(const QHostAddress &address, u16 port)
{
    if (!isLoopback(address)) {
        m_error = QStringLiteral("not a loopback address: %1").arg(address.toString());
        return false;
    }
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(address, port)) {
        m_error = socket->errorString();
        delete socket;
        return false;
    }
    // Room for the bursts of a data pump while the receiver waits for a core.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 << 20);
    m_receiver.reset();
    delete m_socket;
    m_socket = socket;
    // The receiver takes the datagrams in; this thread handles them.
    m_receiver = std::make_unique<SimReceiver>(int(m_socket->socketDescriptor()), [this] {
        QMetaObject::invokeMethod(this, &SimBoard::readData, Qt::QueuedConnection);
    });
    m_config.address = address;
    m_config.port = m_socket->localPort();
    m_error.clear();
    return true;
}

void SimBoard::silenceFor(int ms)
{
    answerAgainAfter(&m_silent, &m_silenceGeneration, ms);
}

void SimBoard::muteFor(int ms)
{
    answerAgainAfter(&m_muted, &m_muteGeneration, ms);
}

// Sets the fault now and clears it after ms milliseconds. A later one of the
// same kind replaces an earlier one: only the newest ends it.
void SimBoard::answerAgainAfter(bool *fault, int *generation, int ms)
{
    *fault = true;
    const int newest = ++*generation;
    QTimer::singleShot(qMax(0, ms), this, [this, fault, generation, newest] {
        if (newest != *generation)
            return;
        *fault = false;
        emit silenceEnded();
    });
}

void SimBoard::reboot(int downMs)
{
    reset();
    silenceFor(downMs);
}

void SimBoard::closePort()
{
    m_receiver.reset();
    delete m_socket;
    m_socket = nullptr;
}

bool SimBoard::openPort()
{
    if (isListening())
        return true;
    if (!bindData(m_config.address, m_config.port))
        return false;
    emit portOpened(port());
    return true;
}

void SimBoard::restart(int downMs, u16 box)
{
    closePort();
    reset();
    m_config.mac[4] = u8(box >> 8);
    m_config.mac[5] = u8(box & 0xFF);
    // A later restart replaces an earlier one: only the newest opens the port.
    const int restart = ++m_restarts;
    QTimer::singleShot(qMax(0, downMs), this, [this, restart] {
        if (restart == m_restarts)
            openPort();
    });
}

void SimBoard::setIgnored(int type, bool ignored)
{
    if (ignored)
        m_ignored.insert(type);
    else
        m_ignored.remove(type);
}

BoardInfo SimBoard::ownInfo() const
{
    BoardInfo info;
    info.boardType = m_config.boardType;
    info.version = m_config.firmware;
    info.pcmSize = m_config.pcmBufferSize;
    info.rdsSize = m_config.rdsBufferSize;
    std::memcpy(info.mac, m_config.mac, 6);
    return info;
}

int SimBoard::sendMalformed()
{
    const QByteArray goodInfo = BoardProtocol::infoReply(ownInfo(), true);
    QByteArray wrongType = goodInfo;
    wrongType[2] = 'X';
    QVector<BoardProtocol::StatusEntry> entries(24, BoardProtocol::StatusEntry{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF});
    QByteArray statusTooMany = BoardProtocol::channelStatus(entries);
    statusTooMany[2] = '\0';
    statusTooMany[3] = char(33);
    QByteArray statusLies = BoardProtocol::channelStatus(entries);
    statusLies[3] = char(30); // 30 entries announced, 24 present
    const QList<QByteArray> bad = {
        QByteArray(),                                     // empty
        QByteArray(1, '\0'),                              // one byte
        goodInfo.left(BoardProtocol::infoReplyMinSize - 1), // information reply cut short
        wrongType,                                        // unknown board type
        QByteArray::fromHex("0011"),                      // acknowledgement without id
        QByteArray::fromHex("00110000"),                  // acknowledgement cut short
        QByteArray::fromHex("0021"),                      // channel status without count
        QByteArray::fromHex("002100"),                    // channel status cut in its count
        statusTooMany,
        statusLies,
        QByteArray::fromHex("0061"),                      // lock status without body
        BoardProtocol::lockStatus(lockState(), true).left(23),
        QByteArray::fromHex("0002"),                      // board message
        QByteArray::fromHex("7777deadbeef"),              // unknown type
        QByteArray(2000, char(0xFF)),                     // long garbage
    };
    int sent = 0;
    for (const QByteArray &d : bad)
        sent += sendToClient(d) ? 1 : 0;
    return sent;
}

bool SimBoard::isListening() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState;
}

QHostAddress SimBoard::address() const
{
    return m_config.address;
}

u16 SimBoard::port() const
{
    return isListening() ? m_socket->localPort() : 0;
}

BoardIP SimBoard::boardIP() const
{
    BoardIP b;
    b.ip = m_config.address.toIPv4Address();
    b.port = port();
    std::memcpy(b.mac, m_config.mac, 6);
    return b;
}

void SimBoard::setBufferSizes(u32 pcmFrames, u32 rdsWords)
{
    m_config.pcmBufferSize = pcmFrames;
    m_config.rdsBufferSize = rdsWords;
    for (SimChannel &c : m_channels)
        c.setCapacity(int(qMin<u32>(pcmFrames, 1u << 30)), int(qMin<u32>(rdsWords, 1u << 30)));
}

void SimBoard::setMac(const u8 mac[6])
{
    std::memcpy(m_config.mac, mac, 6);
}

void SimBoard::lockForeign(u32 ip, u16 port, const QByteArray &identity)
{
    m_lock.ip = ip;
    m_lock.port = port;
    std::memset(m_lock.identity, 0, sizeof m_lock.identity);
    std::memcpy(m_lock.identity, identity.constData(), size_t(qMin(identity.size(), LockInfo::identitySize)));
    addRecentClient(ip, port, 0);
}

void SimBoard::clearLock()
{
    m_lock = LockInfo();
    std::memset(m_lock.identity, 0, sizeof m_lock.identity);
}

LockInfo SimBoard::lockState() const
{
    LockInfo l = m_lock;
    l.box = u16(boardIP().boxNumber());
    const double now = HiResClock::now();
    for (int k = 0; k < m_clients.size() && k < LockInfo::clientCount; ++k) {
        const double tenths = (now - m_clients[k].seen) * 10.0;
        l.clients[k] = {m_clients[k].ip, m_clients[k].port, u16(qBound(0.0, tenths, 65535.0))};
    }
    return l;
}

void SimBoard::addRecentClient(u32 ip, u16 port, int tenthsAgo)
{
    for (int k = 0; k < m_clients.size(); ++k) {
        if (m_clients[k].ip == ip && m_clients[k].port == port) {
            m_clients.remove(k);
            break;
        }
    }
    const double seen = HiResClock::now() - tenthsAgo / 10.0;
    int at = 0;
    while (at < m_clients.size() && m_clients[at].seen >= seen)
        ++at;
    m_clients.insert(at, {ip, port, seen});
    if (m_clients.size() > LockInfo::clientCount)
        m_clients.resize(LockInfo::clientCount);
}

void SimBoard::noteClient(const QHostAddress &from, u16 port, double now)
{
    m_lastClient = from;
    m_lastClientPort = port;
    const u32 ip = from.toIPv4Address();
    for (int k = 0; k < m_clients.size(); ++k) {
        if (m_clients[k].ip == ip && m_clients[k].port == port) {
            m_clients.remove(k);
            break;
        }
    }
    m_clients.prepend({ip, port, now});
    if (m_clients.size() > LockInfo::clientCount)
        m_clients.resize(LockInfo::clientCount);
}

void SimBoard::reset()
{
    const double now = HiResClock::now();
    clearLock();
    m_clients.clear();
    m_carrier = false;
    m_attenuation = 0;
    m_synthSelect = 0;
    m_synth = {};
    m_boardCommands = 0;
    for (SimChannel &c : m_channels)
        c.reset(now);
    // What was waiting for a command to be applied is gone with the power.
    m_queue.clear();
    m_busyUntil = 0;
    m_lastArrival = now;
    m_headStarted = false;
}

void SimBoard::clearCounters()
{
    m_counts.clear();
    m_last.clear();
    m_log.clear();
    m_total = m_whileSilent = m_acksSent = m_acksDropped = m_rejected = m_unknown = 0;
    m_maxLag = m_maxOwnLag = 0;
    m_ackCandidates = m_refusedLocks = m_discoverRequests = m_netConfigs = 0;
    m_lastRejection.clear();
    for (SimChannel &c : m_channels)
        c.clearCounters();
}

const SimChannel &SimBoard::channel(int index)
{
    // What has arrived by now counts before the buffers run on to now.
    // Asked while a datagram is being handled (a handler of datagramHandled),
    // or while datagrams that came before still wait (the board is behind),
    // the board stands at the datagram handled last.
    readData();
    SimChannel &c = m_channels[size_t(qBound(0, index, BoardProtocol::channelsPerBoard - 1))];
    c.advanceTo(m_handling || m_behind ? m_lastArrival : HiResClock::now());
    return c;
}

int SimBoard::lostDatagrams() const
{
    return m_receiver ? m_receiver->lost() : 0;
}

void SimBoard::setChannelFlags(int index, u16 flags)
{
    m_channels[size_t(qBound(0, index, BoardProtocol::channelsPerBoard - 1))].flags = flags;
}

void SimBoard::overrideChannelLevel(int index, u32 raw)
{
    m_channels[size_t(qBound(0, index, BoardProtocol::channelsPerBoard - 1))].overrideLevel(raw);
}

// Handles what has arrived by the time of the call, in order. Never from
// within the handling of a datagram: a handler that asks the board (a wait's
// condition calling channel()) would otherwise handle the next datagram one
// level deeper, and so on for every datagram waiting, until the stack ran
// out. The handling in progress goes on with them when the handler returns.
// Datagrams that arrive meanwhile are left to the next turn, and a board far
// behind lets the event loop run between slices of its work: a sender faster
// than the board cannot keep it here, and the waits keep their time.
void SimBoard::readData()
{
    if (m_handling || !m_receiver)
        return;
    m_handling = true;
    const double began = HiResClock::now();
    const double heldBefore = m_runDelay.seconds();
    double first = -1; // arrival of the turn's first datagram
    SimReceiver::Arrival a;
    bool caughtUp = false;
    m_behind = false;
    while (!caughtUp && !m_behind && m_receiver && m_receiver->takeNext(&a)) {
        caughtUp = a.at >= began;
        m_behind = !caughtUp && HiResClock::now() - began >= handlingSlice;
        if (m_silent) {
            ++m_whileSilent;
            continue;
        }
        Datagram d;
        // When the datagram arrived, not when this thread came round to it:
        // a simulated board starved by a loaded machine must not count
        // underruns that a board with its own processor never had.
        d.at = m_lastArrival = qMax(m_lastArrival, a.at);
        if (first < 0)
            first = d.at;
        d.bytes = a.bytes;
        d.type = BoardProtocol::packetType(d.bytes);
        d.from = a.from;
        d.fromPort = a.fromPort;
        if (m_commandDelayMs > 0 || !m_queue.isEmpty())
            m_queue.append(d);
        else
            process(d);
    }
    if ((caughtUp || m_behind) && m_receiver)
        m_receiver->wakeAgain();
    if (first >= 0)
        noteOwnWork(first, HiResClock::now() - began - (m_runDelay.seconds() - heldBefore));
    drainWaiting();
    endTurn();
}

// How late the board would have been had the machine never kept its
// thread from a processor: a turn of its own work `own` (seconds) starts
// when its first datagram came or when the turns before ended on that
// clock, whichever is later. So a backlog that a hold-up left is the
// machine's, one that the board's own work (a flood) builds is the board's.
void SimBoard::noteOwnWork(double first, double own)
{
    m_ownDone = qMax(m_ownDone, first) + qMax(0.0, own);
    m_maxOwnLag = qMax(m_maxOwnLag, m_ownDone - first);
}

// The turn's datagrams are handled: the waits look at the board, still
// within the turn, so that a condition that asks for a channel starts no
// other.
void SimBoard::endTurn()
{
    if (m_handledInTurn > 0) {
        m_handledInTurn = 0;
        emit turnHandled();
    }
    m_handling = false;
}

void SimBoard::process(Datagram &d)
{
    ++m_handledInTurn;
    m_maxLag = qMax(m_maxLag, HiResClock::now() - d.at);
    record(d);
    const QString note = m_ignored.contains(d.type) ? QStringLiteral("ignored") : handle(d);
    emit datagramHandled(d.type, d.bytes, note);
}

// Datagrams wait while a command is being applied; a command at the head
// of the queue keeps the board busy for the command delay, then it is
// applied and acknowledged.
void SimBoard::drainQueue()
{
    // The handling in progress drains the queue when it is done.
    if (m_handling)
        return;
    m_handling = true;
    drainWaiting();
    endTurn();
}

void SimBoard::drainWaiting()
{
    while (!m_queue.isEmpty()) {
        const double now = HiResClock::now();
        if (now < m_busyUntil) {
            if (!m_drainTimer->isActive())
                m_drainTimer->start(qMax(1, int((m_busyUntil - now) * 1000.0 + 0.999)));
            break;
        }
        if (m_queue.first().type == BoardProtocol::Command && m_commandDelayMs > 0 && !m_headStarted) {
            m_headStarted = true;
            m_busyUntil = now + m_commandDelayMs / 1000.0;
            continue;
        }
        m_headStarted = false;
        Datagram d = m_queue.takeFirst();
        d.at = m_lastArrival = qMax(m_lastArrival, now);
        process(d);
    }
}

void SimBoard::record(const Datagram &d)
{
    ++m_total;
    ++m_counts[d.type];
    m_last[d.type] = d.bytes;
    if (m_log.size() >= 2 * logLimit)
        m_log.remove(0, logLimit);
    m_log.append(d);
}

QString SimBoard::reject(const QString &why)
{
    ++m_rejected;
    m_lastRejection = why;
    return why;
}

QString SimBoard::handle(const Datagram &d)
{
    noteClient(d.from, d.fromPort, d.at);
    switch (d.type) {
    case BoardProtocol::InfoRequest: {
        if (d.bytes.size() != 2)
            return reject(QStringLiteral("info request of %1 bytes").arg(d.bytes.size()));
        QByteArray r = BoardProtocol::infoReply(ownInfo(), m_infoForm != InfoForm::WithoutMac);
        if (m_infoForm == InfoForm::TooShort)
            r.truncate(BoardProtocol::infoReplyMinSize - 1);
        reply(m_socket, r, d.from, d.fromPort);
        return {};
    }
    case BoardProtocol::StatusRequest:
        if (d.bytes.size() != 2)
            return reject(QStringLiteral("status request of %1 bytes").arg(d.bytes.size()));
        if (m_loseStatus > 0) {
            --m_loseStatus;
            return QStringLiteral("reply lost");
        }
        reply(m_socket, statusReply(d.at), d.from, d.fromPort);
        return {};
    case BoardProtocol::Command:
        return handleCommand(d);
    case BoardProtocol::PcmData:
        return handlePcm(d);
    case BoardProtocol::RdsData:
        return handleRds(d);
    case BoardProtocol::LockQuery:
    case BoardProtocol::SetLock:
    case BoardProtocol::Unlock:
        if (m_config.firmware >= 25 || m_lockAlways)
            return handleLockDatagram(d);
        break;
    default:
        break;
    }
    ++m_unknown;
    return QStringLiteral("unknown packet");
}

QString SimBoard::handleCommand(const Datagram &d)
{
    BoardCommand::Parsed p;
    QString why;
    if (!BoardCommand::parse(d.bytes, &p, &why))
        return reject(QStringLiteral("command: ") + why);
    if (p.target == BoardCommand::boardTarget) {
        why = checkBoardItems(p.items, m_config.boardType);
        if (!why.isEmpty())
            return reject(QStringLiteral("command: ") + why);
        for (const ParsedItem &item : qAsConst(p.items)) {
            const int v = u8(item.data[0]);
            if (item.id == BoardCommand::ItemCarrier)
                m_carrier = v != 0;
            else if (item.id == BoardCommand::ItemAttenuationZQX4 || item.id == BoardCommand::ItemAttenuationSynth)
                m_attenuation = v;
            else if (item.id == BoardCommand::ItemSynthSelect)
                m_synthSelect = v;
            else if (item.id == BoardCommand::ItemSynthWords)
                for (int w = 0; w < 7; ++w)
                    m_synth[size_t(m_synthSelect)][size_t(w)] = u16((u8(item.data[2 * w]) << 8) | u8(item.data[2 * w + 1]));
        }
        ++m_boardCommands;
    } else {
        why = checkChannelItems(p.target, p.items, m_config.boardType);
        if (!why.isEmpty())
            return reject(QStringLiteral("command: ") + why);
        SimChannel &c = m_channels[size_t(u8(p.items[0].data[0]))];
        c.advanceTo(d.at); // a rate change applies from now on
        for (int i = 1; i < p.items.size(); ++i)
            applyChannelItem(c.config, p.items[i]);
        ++c.commands;
    }
    acknowledge(p.id, d.from, d.fromPort);
    return {};
}

void SimBoard::acknowledge(u32 id, const QHostAddress &to, u16 port)
{
    ++m_ackCandidates;
    if (m_dropAcks || (m_dropEveryNth > 0 && m_ackCandidates % m_dropEveryNth == 0)) {
        ++m_acksDropped;
        return;
    }
    const QByteArray a = BoardProtocol::ack(m_ackWrongId ? id ^ 0x00800000u : id);
    if (m_ackDelayMs == 0) {
        reply(m_socket, a, to, port);
        ++m_acksSent;
        return;
    }
    QTimer::singleShot(m_ackDelayMs, this, [this, a, to, port] {
        if (m_silent || m_muted) {
            ++m_acksDropped;
            return;
        }
        reply(m_socket, a, to, port);
        ++m_acksSent;
    });
}

QString SimBoard::handlePcm(const Datagram &d)
{
    BoardProtocol::PcmHeader h;
    QString why;
    if (!BoardProtocol::parsePcm(d.bytes, &h, &why)) {
        const int ch = headerChannel(d.bytes);
        if (ch >= 0 && d.type == BoardProtocol::PcmData)
            ++m_channels[size_t(ch)].rejected;
        return reject(QStringLiteral("pcm: ") + why);
    }
    SimChannel &c = m_channels[h.channel];
    c.receivePcm(d.at, h.count);
    ++c.pcmDatagrams;
    c.pcmFrames += h.count;
    if (allZero(d.bytes, BoardProtocol::dataHeaderSize))
        ++c.silentDatagrams;
    if (m_capture)
        c.capturePcm(d.at, h.stereo, BoardProtocol::pcmSamples(d.bytes));
    return {};
}

QString SimBoard::handleRds(const Datagram &d)
{
    BoardProtocol::RdsPayload p;
    QString why;
    const bool ok = BoardProtocol::parseRds(d.bytes, &p, &why);
    if (ok && p.mask == BoardProtocol::rdsMaskAllStreams && m_config.firmware < 29)
        why = QStringLiteral("four streams need firmware 29, this board has %1").arg(m_config.firmware);
    if (!ok || !why.isEmpty()) {
        const int ch = headerChannel(d.bytes);
        if (ch >= 0)
            ++m_channels[size_t(ch)].rejected;
        return reject(QStringLiteral("rds: ") + why);
    }
    SimChannel &c = m_channels[p.channel];
    c.receiveRds(d.at, p.streams[0].size() / 2);
    ++c.rdsDatagrams;
    if (p.streams.size() > 1)
        ++c.fourStreamDatagrams;
    for (int s = 0; s < p.streams.size(); ++s)
        c.groups[s] += p.streams[s].size() / RDSGroup::size;
    if (m_capture)
        c.captureGroups(d.at, p.streams);
    return {};
}

QString SimBoard::handleLockDatagram(const Datagram &d)
{
    if (d.type == BoardProtocol::SetLock) {
        u8 identity[LockInfo::identitySize];
        if (!BoardProtocol::parseSetLock(d.bytes, identity))
            return reject(QStringLiteral("SET LOCK of %1 bytes").arg(d.bytes.size()));
        const u32 ip = d.from.toIPv4Address();
        // The holder may come back from another port: its identity renews the lock.
        if (isLocked() && (m_lock.ip != ip || m_lock.port != d.fromPort) && !m_lock.sameIdentity(identity)) {
            ++m_refusedLocks;
            return QStringLiteral("lock held by another client");
        }
        m_lock.ip = ip;
        m_lock.port = d.fromPort;
        std::memcpy(m_lock.identity, identity, sizeof identity);
        return {};
    }
    if (d.bytes.size() != 2)
        return reject(QStringLiteral("lock request of %1 bytes").arg(d.bytes.size()));
    if (d.type == BoardProtocol::Unlock) {
        clearLock(); // from anyone: this is how a client takes a board over
        return {};
    }
    reply(m_socket, lockReply(), d.from, d.fromPort);
    return {};
}

QByteArray SimBoard::statusReply(double now)
{
    QVector<BoardProtocol::StatusEntry> entries;
    for (SimChannel &c : m_channels) {
        c.advanceTo(now);
        entries.append(c.statusEntry());
    }
    switch (m_statusForm) {
    case StatusForm::Thirty:
        entries.resize(30);
        break;
    case StatusForm::ThirtyThree:
        entries.resize(33);
        break;
    case StatusForm::Truncated:
        return BoardProtocol::channelStatus(entries).left(100);
    case StatusForm::Tiny:
        return BoardProtocol::channelStatus(entries).left(3);
    case StatusForm::Normal:
        break;
    }
    return BoardProtocol::channelStatus(entries);
}

QByteArray SimBoard::lockReply()
{
    const LockInfo l = lockState();
    switch (m_lockForm) {
    case LockForm::WithoutClients:
        return BoardProtocol::lockStatus(l, false);
    case LockForm::TooShort:
        return BoardProtocol::lockStatus(l, false).left(20);
    case LockForm::WithClients:
        break;
    }
    return BoardProtocol::lockStatus(l, true);
}

void SimBoard::reply(QUdpSocket *socket, const QByteArray &datagram, const QHostAddress &to, u16 port)
{
    if (!socket || !isLoopback(to))
        return; // never anything but loopback
    // A board with its network down answers nothing, also what it was
    // still applying when the silence began.
    if ((m_silent || m_muted) && socket == m_socket)
        return;
    socket->writeDatagram(datagram, to, port);
}

bool SimBoard::sendToClient(const QByteArray &datagram)
{
    if (m_lastClientPort == 0 || !isLoopback(m_lastClient) || !m_socket)
        return false;
    // What a test hands over goes out whatever the board's state.
    m_socket->writeDatagram(datagram, m_lastClient, m_lastClientPort);
    return true;
}

bool SimBoard::enableDiscovery(u16 port, const QHostAddress &bindAddress, const QHostAddress &replyTo)
{
    if (!isLoopback(bindAddress) || !isLoopback(replyTo)) {
        m_error = QStringLiteral("discovery needs loopback addresses");
        return false;
    }
    delete m_discovery;
    m_discovery = new QUdpSocket(this);
    if (!m_discovery->bind(bindAddress, port, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        m_error = m_discovery->errorString();
        delete m_discovery;
        m_discovery = nullptr;
        return false;
    }
    m_discoveryPort = port;
    m_discoveryReplyTo = replyTo;
    connect(m_discovery, &QUdpSocket::readyRead, this, &SimBoard::readDiscovery);
    return true;
}

void SimBoard::readDiscovery()
{
    while (m_discovery && m_discovery->hasPendingDatagrams()) {
        const QNetworkDatagram nd = m_discovery->receiveDatagram();
        if (!nd.isValid())
            break;
        if (m_silent) {
            ++m_whileSilent;
            continue;
        }
        const QByteArray d = nd.data();
        const QString note = handleDiscovery(d);
        emit discoveryHandled(BoardProtocol::packetType(d), d, note);
    }
}

QString SimBoard::handleDiscovery(const QByteArray &d)
{
    const int type = BoardProtocol::packetType(d);
    if (type == BoardProtocol::DiscoverRequest) {
        if (!BoardProtocol::parseDiscoverRequest(d, nullptr))
            return QStringLiteral("discovery request of %1 bytes").arg(d.size());
        ++m_discoverRequests;
        QByteArray r = BoardProtocol::discoverReply(boardIP());
        if (m_discoverForm == DiscoverForm::WrongSize)
            r.chop(1);
        reply(m_discovery, r, m_discoveryReplyTo, m_discoveryPort);
        return {};
    }
    if (type != BoardProtocol::NetConfig)
        return QStringLiteral("ignored"); // replies of boards, other programs' requests
    BoardIP cfg;
    if (!BoardProtocol::parseNetConfig(d, &cfg))
        return QStringLiteral("network configuration of %1 bytes").arg(d.size());
    if (std::memcmp(cfg.mac, m_config.mac, 6) != 0)
        return QStringLiteral("network configuration for %1").arg(cfg.macText());
    ++m_netConfigs;
    QString note;
    const QHostAddress newAddress(cfg.ip);
    if (!isLoopback(newAddress) || cfg.port == 0)
        note = QStringLiteral("kept %1, %2 is no loopback address").arg(boardIP().addressText(), cfg.addressText());
    else if (newAddress != m_config.address || cfg.port != port())
        if (!bindData(newAddress, cfg.port))
            note = QStringLiteral("cannot move to %1: %2").arg(cfg.addressText(), m_error);
    reply(m_discovery, BoardProtocol::netConfigAck(m_config.mac), m_discoveryReplyTo, m_discoveryPort);
    return note;
}

bool SimBoard::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    const auto check = [&] {
        if (condition())
            loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer); // never before the time is up
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll; // for conditions on time or on other objects
    connect(&poll, &QTimer::timeout, &loop, check);
    connect(this, &SimBoard::turnHandled, &loop, check);
    connect(this, &SimBoard::discoveryHandled, &loop, check);
    deadline.start(qMax(0, timeoutMs));
    poll.start(5);
    loop.exec();
    return condition();
}

bool SimBoard::waitForCount(int type, int count, int timeoutMs)
{
    return waitFor([this, type, count] { return received(type) >= count; }, timeoutMs);
}

QByteArray SimBoard::waitForDatagram(int type, int timeoutMs)
{
    QByteArray next;
    bool got = false;
    const QMetaObject::Connection c = connect(this, &SimBoard::datagramHandled, this,
                                              [&](int t, const QByteArray &d) {
                                                  if (!got && t == type) {
                                                      next = d;
                                                      got = true;
                                                  }
                                              });
    waitFor([&got] { return got; }, timeoutMs);
    disconnect(c);
    return next;
}

QString SimBoard::describe(const QByteArray &d)
{
    const int type = BoardProtocol::packetType(d);
    switch (type) {
    case BoardProtocol::InfoRequest:
        return QStringLiteral("info request");
    case BoardProtocol::StatusRequest:
        return QStringLiteral("status request");
    case BoardProtocol::LockQuery:
        return QStringLiteral("lock query");
    case BoardProtocol::Unlock:
        return QStringLiteral("UNLOCK");
    case BoardProtocol::SetLock:
        return QStringLiteral("SET LOCK %1 [%2]")
            .arg(d.size() > 2 ? hex2(u8(d[2])) : QString(), QString::fromLocal8Bit(d.mid(3)).remove(QChar(0)));
    case BoardProtocol::Command: {
        BoardCommand::Parsed p;
        if (!BoardCommand::parse(d, &p, nullptr))
            return QStringLiteral("malformed command [%1]").arg(BoardProtocol::hexText(d));
        QStringList items;
        for (const ParsedItem &item : qAsConst(p.items))
            items << hex2(item.id) + QLatin1Char(':') + QString::fromLatin1(item.data.toHex());
        const QString target = p.target == BoardCommand::boardTarget ? QStringLiteral("board")
                                                                     : QStringLiteral("ch%1").arg(p.target);
        return QStringLiteral("command %1 %2 %3").arg(p.id, 8, 16, QLatin1Char('0')).arg(target, items.join(' '));
    }
    case BoardProtocol::PcmData:
    case BoardProtocol::RdsData:
        if (d.size() >= 8)
            return QStringLiteral("%1 index %2 field %3 count %4 (%5 bytes)")
                .arg(type == BoardProtocol::PcmData ? "pcm" : "rds")
                .arg((u8(d[2]) << 8) | u8(d[3]))
                .arg((u8(d[4]) << 8) | u8(d[5]))
                .arg((u8(d[6]) << 8) | u8(d[7]))
                .arg(d.size());
        break;
    default:
        break;
    }
    return QStringLiteral("packet %1 of %2 bytes").arg(type, 4, 16, QLatin1Char('0')).arg(d.size());
}
