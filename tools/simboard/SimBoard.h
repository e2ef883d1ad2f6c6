#pragma once

#include "BoardIP.h"
#include "BoardInfo.h"
#include "BoardWords.h"
#include "LockInfo.h"
#include "RunDelay.h"
#include "SimChannel.h"
#include "Types.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QVector>

#include <array>
#include <functional>
#include <memory>

class QTimer;
class QUdpSocket;
class SimReceiver;

// What a simulated board is when it starts.
struct SimBoardConfig
{
    u32 boardType = BoardInfo::typeZQTX;
    u32 firmware = 29;
    u32 pcmBufferSize = 16384; // sample frames
    u32 rdsBufferSize = 512;   // 16-bit words
    u8 mac[6] = {0x00, 0x50, 0xC2, 0x5B, 0x00, 0x01};
    QHostAddress address = QHostAddress(QHostAddress::LocalHost); // loopback only
    u16 port = 0; // 0: any free port
};

// A simulated modulator board on a loopback address and port of its own,
// for the tests of the board link, the channel programs and the remote
// control, and for manual runs (tools/simboard). It answers like a board:
//
// - information requests, with the configured board type, firmware version,
//   buffer sizes and MAC (26-byte reply, 20 bytes without MAC, or too short);
// - the lock handshake (firmware 25 and later; older boards ignore it): lock
//   query, SET LOCK, UNLOCK; unlocked, held by a client, or held by a
//   foreign client; the long form lists the four clients heard from last.
//   SET LOCK takes a free board or renews the holder's lock (same address
//   and port, or the holder's identity) and is refused while another client
//   holds it; UNLOCK frees the board whoever sends it,
//   which is how a client takes a board over;
// - acknowledged commands: every item is checked and applied to the board
//   model (carrier, attenuation, synthesizer words) and the channel models,
//   then acknowledged; faults drop all or every Nth acknowledgement, delay
//   them or acknowledge a wrong id. A malformed command is not acknowledged;
// - status requests, from the channels' FIFO models (24, 30 or 33 entries,
//   or cut short);
// - PCM and RDS data, checked (channel, format, length, stream mask, even
//   group count) and counted per channel, optionally captured;
// - discovery requests and network configuration on a second socket
//   (port 21519 or another, loopback broadcast only);
// - going silent and coming back;
// - faults a lab meets: the port closed for a while (not listening yet, or
//   a restart, after which the board comes back empty with a new box
//   number), a reboot (silent for a while with the port open, then back
//   empty with the same box number), requests left unanswered by type, lost
//   status replies, replies lost a while, a per-command delay, a lock handshake answered
//   whatever the firmware, and malformed or short datagrams sent to the
//   client.
//
// It replies only to loopback addresses, from the socket it received on.
// Lives in the thread that creates it; every call from that thread. Its
// data socket is read by a thread of its own (SimReceiver), so a busy test
// thread loses nothing; the datagrams are handled here, in order, never
// from within the handling of another. The waits run a local event loop,
// so the board keeps answering while a test waits, and are always bounded.
class SimBoard : public QObject
{
    Q_OBJECT

public:
    enum class InfoForm { WithMac, WithoutMac, TooShort };
    enum class StatusForm { Normal, Thirty, ThirtyThree, Truncated, Tiny };
    enum class LockForm { WithClients, WithoutClients, TooShort };
    enum class DiscoverForm { Normal, WrongSize };

    // One received datagram.
    struct Datagram
    {
        double at = 0; // arrival, seconds of HiResClock::now()
        int type = -1; // -1 when shorter than 2 bytes
        QByteArray bytes;
        QHostAddress from;
        u16 fromPort = 0;
    };
    // The log keeps at least the last logLimit datagrams.
    static constexpr int logLimit = 4096;

    explicit SimBoard(const SimBoardConfig &config = SimBoardConfig(), QObject *parent = nullptr);
    ~SimBoard() override;

    // True for addresses in 127.0.0.0/8, the only ones the board talks to.
    static bool isLoopback(const QHostAddress &address);

    bool isListening() const;
    QString errorString() const { return m_error; }
    QHostAddress address() const;
    u16 port() const;
    // Address, port and MAC, as discovery reports the board.
    BoardIP boardIP() const;
    const SimBoardConfig &config() const { return m_config; }

    // Identity and reply forms.
    void setBoardType(u32 type) { m_config.boardType = type; }
    void setFirmware(u32 version) { m_config.firmware = version; }
    void setBufferSizes(u32 pcmFrames, u32 rdsWords);
    void setMac(const u8 mac[6]);
    void setInfoForm(InfoForm form) { m_infoForm = form; }
    void setStatusForm(StatusForm form) { m_statusForm = form; }
    void setLockForm(LockForm form) { m_lockForm = form; }

    // Lock.
    // The board is held by another client (never sent to).
    void lockForeign(u32 ip, u16 port, const QByteArray &identity);
    void clearLock();
    bool isLocked() const { return m_lock.ip != 0; }
    // Locker ip, port, identity and the recent clients the board reports.
    LockInfo lockState() const;
    // Adds a client to the recent clients, last heard `tenthsAgo` ago.
    void addRecentClient(u32 ip, u16 port, int tenthsAgo);
    int refusedLocks() const { return m_refusedLocks; }

    // Acknowledgement faults.
    void setDropAcks(bool drop) { m_dropAcks = drop; }
    void setDropEveryNthAck(int n) { m_dropEveryNth = qMax(0, n); }
    void setAckDelay(int ms) { m_ackDelayMs = qMax(0, ms); }
    void setAckWrongId(bool wrong) { m_ackWrongId = wrong; }

    // A board slow to apply commands (a synthesizer or EEPROM written per
    // command): each acknowledged command keeps it busy this long before it
    // is applied and acknowledged; whatever arrives meanwhile waits its
    // turn, in order.
    void setCommandDelay(int ms) { m_commandDelayMs = qMax(0, ms); }
    // The next n status requests are left unanswered (replies lost).
    void loseStatusReplies(int n) { m_loseStatus = qMax(0, n); }

    // Silent: every datagram is dropped unanswered (counted apart).
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }
    // Silent for ms milliseconds from now, then answering again.
    void silenceFor(int ms);
    // Its replies lost for ms milliseconds from now (a return path down, a
    // congested switch): it still hears and acts on everything meanwhile.
    void muteFor(int ms);

    // The data port closed: datagrams to it get "port unreachable". open()
    // binds the same address and port again.
    void closePort();
    bool openPort();
    // Switched off for downMs (port closed), then back as a new board:
    // reset(), box number `box` (the last two MAC bytes), port open again.
    void restart(int downMs, u16 box);
    // A reboot as a watchdog or a short power dip makes it: reset(), then
    // nothing is answered for downMs, with the port open (no "port
    // unreachable": the board's network is down); the box number stays.
    void reboot(int downMs);
    int restarts() const { return m_restarts; }

    // Datagrams of this type are recorded but not answered or acted on.
    void setIgnored(int type, bool ignored);
    // The lock handshake is answered even below firmware 25.
    void setLockHandshakeAlways(bool always) { m_lockAlways = always; }
    // Sends a fixed set of malformed and short datagrams to the client heard
    // from last; the number sent (0 without a client).
    int sendMalformed();
    // Power cycle: lock, recent clients, board model and channel models
    // (with their counters and captures) back to their start; the board's
    // counters and log stay.
    void reset();
    // Clears the counters and log of the board and the counters, FIFO
    // fault counts and captures of its channels.
    void clearCounters();

    // Board model.
    bool carrier() const { return m_carrier; }
    int attenuationByte() const { return m_attenuation; }
    BoardWords::SynthWords synth(int index) const { return m_synth[index & 1]; }
    int boardCommands() const { return m_boardCommands; }

    // Channel models, index 0..23. The FIFO levels are brought up to date first.
    const SimChannel &channel(int index);
    void setChannelFlags(int index, u16 flags);
    void overrideChannelLevel(int index, u32 raw);

    // Capture of PCM samples and RDS groups per channel.
    void setCapture(bool on) { m_capture = on; }

    // Counters.
    int received(int type) const { return m_counts.value(type); }
    int receivedTotal() const { return m_total; }
    int receivedWhileSilent() const { return m_whileSilent; }
    // The longest a datagram waited to be handled after it arrived (ms),
    // since the counters were cleared: how late the board's replies were.
    int handlingLagMs() const { return int(m_maxLag * 1000.0); }
    // The same as it would have been had the machine never kept the
    // board's thread waiting for a processor (RunDelay): how late the board
    // was by its own work, a turn's work counted as done at the turn's end.
    // Where the kernel does not tell, the whole time of each turn counts.
    int ownHandlingLagMs() const { return int(m_maxOwnLag * 1000.0); }
    // Datagrams lost before the board could handle them (no room left in
    // its socket's buffer or its queue), since the port was opened.
    int lostDatagrams() const;
    int acksSent() const { return m_acksSent; }
    int acksDropped() const { return m_acksDropped; }
    int rejected() const { return m_rejected; }
    QString lastRejection() const { return m_lastRejection; }
    int unknownPackets() const { return m_unknown; }
    QByteArray lastDatagram(int type) const { return m_last.value(type); }
    const QVector<Datagram> &log() const { return m_log; }

    // Bounded waits; they run the event loop until the condition holds or
    // the time is up, and return whether the condition holds. The condition
    // is checked after each turn of handling and every 5 ms.
    bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    bool waitForCount(int type, int count, int timeoutMs);
    // The next datagram of this type that arrives within the time, or an
    // empty array.
    QByteArray waitForDatagram(int type, int timeoutMs);

    // Sends a datagram to the client heard from last (e.g. a board message
    // 0x0002 or a foreign type); false without a client.
    bool sendToClient(const QByteArray &datagram);

    // Discovery and network configuration: binds `bindAddress`:`port` (shared)
    // and sends replies to `replyTo`:`port`. Both must be loopback.
    bool enableDiscovery(u16 port = 21519,
                         const QHostAddress &bindAddress = QHostAddress(QStringLiteral("127.255.255.255")),
                         const QHostAddress &replyTo = QHostAddress(QStringLiteral("127.255.255.255")));
    void setDiscoverForm(DiscoverForm form) { m_discoverForm = form; }
    int discoverRequests() const { return m_discoverRequests; }
    int netConfigs() const { return m_netConfigs; }

    // One line describing a datagram sent to a board, for logs.
    static QString describe(const QByteArray &datagram);

signals:
    // The data port is open again (after closePort or a restart).
    void portOpened(u16 port);
    // A silence (or a time of lost replies) ended: the board answers again.
    void silenceEnded();
    // After each datagram was handled; `note` says what the board made of it
    // (empty when all went well).
    void datagramHandled(int type, const QByteArray &datagram, const QString &note);
    // After a turn that handled one datagram or more (a handler runs within
    // the turn): the waits check their conditions here, once a turn.
    void turnHandled();
    void discoveryHandled(int type, const QByteArray &datagram, const QString &note);

private:
    bool bindData(const QHostAddress &address, u16 port);
    void readData();
    void readDiscovery();
    BoardInfo ownInfo() const; // what the info reply tells
    QString handle(const Datagram &d);
    QString handleCommand(const Datagram &d);
    QString handlePcm(const Datagram &d);
    QString handleRds(const Datagram &d);
    QString handleLockDatagram(const Datagram &d);
    QString handleDiscovery(const QByteArray &d);
    void acknowledge(u32 id, const QHostAddress &to, u16 port);
    void reply(QUdpSocket *socket, const QByteArray &datagram, const QHostAddress &to, u16 port);
    void noteClient(const QHostAddress &from, u16 port, double now);
    QByteArray statusReply(double now); // fill levels as of now (the request's arrival)
    QByteArray lockReply();
    QString reject(const QString &why);
    void record(const Datagram &d);
    void process(Datagram &d);
    void answerAgainAfter(bool *fault, int *generation, int ms);
    void drainQueue();
    void drainWaiting();
    void noteOwnWork(double first, double own);
    void endTurn();

    SimBoardConfig m_config;
    QUdpSocket *m_socket = nullptr;
    std::unique_ptr<SimReceiver> m_receiver; // reads m_socket; goes before it
    QUdpSocket *m_discovery = nullptr;
    QHostAddress m_discoveryReplyTo;
    u16 m_discoveryPort = 0;
    QString m_error;

    InfoForm m_infoForm = InfoForm::WithMac;
    StatusForm m_statusForm = StatusForm::Normal;
    LockForm m_lockForm = LockForm::WithClients;
    DiscoverForm m_discoverForm = DiscoverForm::Normal;

    // Lock and recent clients (time in seconds of HiResClock::now()).
    LockInfo m_lock;
    struct Client
    {
        u32 ip = 0;
        u16 port = 0;
        double seen = 0;
    };
    QVector<Client> m_clients; // most recent first, at most four
    int m_refusedLocks = 0;
    QHostAddress m_lastClient;
    u16 m_lastClientPort = 0;

    bool m_dropAcks = false;
    int m_dropEveryNth = 0;
    int m_ackDelayMs = 0;
    bool m_ackWrongId = false;
    int m_ackCandidates = 0;
    bool m_silent = false;
    bool m_muted = false;
    bool m_capture = false;
    bool m_lockAlways = false;
    QSet<int> m_ignored;
    int m_commandDelayMs = 0;
    int m_loseStatus = 0;
    QVector<Datagram> m_queue;  // waiting while a command is applied
    double m_busyUntil = 0;     // HiResClock seconds
    double m_lastArrival = 0;   // of the datagram handled last, HiResClock seconds
    bool m_headStarted = false; // the command at the queue's head is being applied
    bool m_handling = false;    // reading or draining: neither is entered again meanwhile
    bool m_behind = false;      // the last read left datagrams that came before it
    int m_handledInTurn = 0;
    // The longest stretch of handling before the event loop runs again.
    static constexpr double handlingSlice = 0.005; // s
    QTimer *m_drainTimer = nullptr;
    int m_restarts = 0;
    int m_silenceGeneration = 0;
    int m_muteGeneration = 0;

    bool m_carrier = false;
    int m_attenuation = 0;
    int m_synthSelect = 0;
    std::array<BoardWords::SynthWords, 2> m_synth{};
    int m_boardCommands = 0;
    std::array<SimChannel, BoardProtocol::channelsPerBoard> m_channels;

    QHash<int, int> m_counts;
    QHash<int, QByteArray> m_last;
    QVector<Datagram> m_log;
    int m_total = 0;
    int m_whileSilent = 0;
    double m_maxLag = 0;    // s
    double m_maxOwnLag = 0; // s
    double m_ownDone = 0;   // HiResClock s: when the turns so far would have ended (noteOwnWork)
    RunDelay m_runDelay;    // of the board's thread
    int m_acksSent = 0;
    int m_acksDropped = 0;
    int m_rejected = 0;
    QString m_lastRejection;
    int m_unknown = 0;
    int m_discoverRequests = 0;
    int m_netConfigs = 0;
};
