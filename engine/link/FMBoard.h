#pragma once

#include "BoardIP.h"
#include "BoardLiveness.h"
#include "BoardInfo.h"
#include "DatagramBatch.h"
#include "ChannelStatus.h"
#include "LockInfo.h"
#include "RepeatedLog.h"
#include "Types.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QSharedPointer>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>
#include <random>

class FMProgram;
class FMSettings;
class QTimer;
class QUdpSocket;
class RunDelay;

// The link to one modulator board (board index 0..3) in a thread of its own.
// It owns the board's UDP socket and the 24 channel programs of channels
// board*24+1 .. board*24+24, runs the link's state machine (connect, board
// information, lock, online, time-out, disconnect), applies band,
// attenuation and on-air state, sends acknowledged commands and tracks their
// acknowledgements, turns channel status packets into ChannelStatus records
// and pumps PCM and RDS from the programs to the board every millisecond.
//
// Threads: the object lives in its own thread (moved there at construction),
// so its slots and timers run there. The main window calls connectTo,
// setSettings, setConfig, releaseRdsPorts, setRdsPort and lockInfo directly;
// everything else runs in the board thread. The board mutex guards the
// settings reference and the lock record; the board thread only try-locks
// it. setSettings hands the project to the board thread and waits until the
// programs have loaded it there, so no program state is shared between
// threads.
//
// Shutdown: quit() the thread, wait() for it without limit, then delete.
// The board thread itself takes the board off air and unlocks it when the
// board is ours (we hold its lock, or it has no lock handshake), and deletes
// its programs before it ends.
//
// Take-over question: userUnlock asks it (state 4, board held by another
// client), takeOverWithdrawn withdraws it when the link leaves state 4; an
// answer through unlock() counts only while the link is still in state 4.
//
// On air: setOnAir is taken in every state and applied with the band
// configuration when the link is (or next goes) online.
//
// A board that restarts: "port unreachable" from the board while online
// (its program is not listening: it restarted or is restarting) is taken
// like a time-out, at once: the link connects again, reads the board's
// information anew and goes online, so band and channels are configured
// again. After a time-out or a restart the lock is unknown (nothing is
// switched off or unlocked) until a lock status names us again; our own
// identity stays for the re-lock.
//
// A board that goes silent a while and answers again (BoardLiveness): with
// the lock handshake its lock is asked for; "not locked" means it rebooted,
// and it is locked and configured again in place (band and every channel,
// as going online does) while the pump runs on; our own lock means nothing
// happened. Without the handshake, four status requests in a row left
// unanswered are taken as a reboot and configured again the same way.
//
// A board whose lock status changes or which goes away while the take-over
// question is open is read again (information request) before it goes
// online. At quit a board whose lock is in question is asked, shortly and
// again while no answer comes, and switched off and unlocked when it names
// us, or when it does not answer and we held it before its silence with
// no other client seen since.
class FMBoard : public QThread
{
    Q_OBJECT
public:
    // Link states.
    enum State {
        NotConnected = 0,
        ConnectRequested = 1,
        InfoRequested = 2,
        LockQueried = 3,
        ForeignLock = 4,
        Online = 5,
        DisconnectRequested = 6,
    };

    static constexpr int channels = 24;
    // Bytes a pump tick may send.
    static constexpr int tickBudget = 9696;
    // Unacknowledged commands are purged this long after the last
    // acknowledged send.
    static constexpr int ackTimeoutMs = 1666;
    // How long a board whose lock is in question is waited for before the
    // link leaves it.
    static constexpr int lockAnswerWaitMs = 300;
    // Within it, the board is asked again this often while no answer comes.
    static constexpr int lockAskAgainMs = 50;
    // A board held by another client that has said nothing this long while
    // the take-over question is open is read again.
    static constexpr int foreignSilenceMs = 2000;
    // How long after going online an answer to a lock query sent before
    // our SET LOCK may still come, late, from a board slow to answer.
    static constexpr int staleLockMs = 1000;
    static constexpr int sendBufferSize = 0x80000;
    // Larger than any datagram a board sends.
    static constexpr int maxReadSize = 2048;

    // Starts the thread and returns once the socket, the programs and the
    // timers exist. rdsPort is the RDS data port of channel 1 (0: none yet),
    // refOscMHz the reference oscillator of "zQTX" boards.
    FMBoard(u8 board, u16 rdsPort, int refOscMHz = 52, QObject *parent = nullptr);
    // Only after the thread has finished (quit, wait).
    ~FMBoard() override;

    int boardIndex() const { return m_board; }

    // ---- Main window's thread
    // Targets a board; the next status tick connects. A link connected to
    // another board takes that one off air and unlocks it first. Always false.
    bool connectTo(const BoardIP &target);
    // Takes the project (may be null) and lets the 24 programs load it in
    // the board thread; returns when they have.
    void setSettings(const QSharedPointer<FMSettings> &settings);
    // Band (0 Europe, 1 Japan, 2 wide) and attenuation (dB, 0..-31), applied
    // by the next status tick while online.
    void setConfig(int band, int attnDb);
    // RDS data port of channel 1; the next status tick moves the servers
    // (the same port again: those that could not take their port try again).
    void setRdsPort(u16 port);
    // Before a new RDS data port: closes the servers of another port and
    // gives them the new one without listening; returns when done. Called
    // on every board before setRdsPort on any, it keeps a board's server
    // from binding a port that another board's server still holds (a
    // board's last channel gets the next board's first channel's port).
    void releaseRdsPorts(u16 port);
    // A copy of the lock status of a board another client holds.
    LockInfo lockInfo() const;
    // The link state and the last board information (any thread).
    int linkState() const { return m_state.load(); }
    BoardInfo info() const;

    // The identity text of SET LOCK: user "@" computer, at most 15 bytes.
    static QByteArray lockIdentityText();
    // The most bytes one pump tick has sent since the last call (any thread).
    int takeMaxTickBytes() { return m_maxTickBytes.exchange(0); }
    // Intervals between pump ticks since the last call (any thread).
    struct PumpStats
    {
        quint64 ticks = 0;
        quint64 missed = 0; // 1 ms ticks that did not happen
        double p50Ms = 0, p99Ms = 0, maxMs = 0;
        // The longest interval with the time the machine kept the board
        // thread waiting for a processor in it taken out: how long the
        // thread held the pump up itself (its work, its sleeps and waits).
        // The delay is read only once the statistics have been taken: the
        // first call's figure, and any figure where the kernel does not
        // tell it, is the whole interval.
        double ownMaxMs = 0;
    };
    PumpStats takePumpStats();

    // ---- Board thread (channel programs)
    // Stamps and sends an acknowledged command and records it as pending;
    // the bytes written, -1 without a connected socket.
    int sendAcked(QByteArray &command);
    // One datagram; the bytes written. During a pump tick the datagram joins
    // the tick's batch (owner: the program's index) and counts as written.
    int sendRaw(const char *data, int length, int owner = -1);
    // PCM datagrams of program `index` the kernel refused, waiting to go
    // first at the next pump tick.
    int pcmWaiting(int index) const { return m_batch.queued(index); }
    // The RDS datagram of `length` bytes per stream: stream 0 alone or all
    // four, by firmware and stream bits.
    int sendRDS(u8 channelIndex, const u8 *const streams[4], int length, u8 streamBits);
    // Channel program i (0..23); board thread, or tests after setSettings.
    FMProgram *program(int index) const;
    // The board information as the board thread holds it (board thread).
    const BoardInfo &boardInfoRef() const { return m_info; }
    // The project as the programs hold it (board thread).
    QSharedPointer<FMSettings> settingsRef() const { return m_loaded; }

public slots:
    void toggleOnAir();
    void setOnAir(bool on);
    void disconnectRequest();
    // The answer to the take-over question: true takes the board over at
    // the next tick, false gives up (disconnect). Only while the board is
    // held by another client (state 4); any other time it changes nothing.
    void unlock(bool takeOver);
    void timeReadStatus();
    void timeFillBuffer();
    void readUdp();
    void error(QAbstractSocket::SocketError socketError);
    void state(QAbstractSocket::SocketState socketState);

signals:
    void boardInfo(BoardInfo info, int board);
    void online(BoardIP target, int board);
    void offline(BoardIP target, int board);
    void onair(bool on);
    void userUnlock(int board);
    // The link left state 4: the take-over question no longer applies.
    void takeOverWithdrawn(int board);
    // A channel's RDS data server could not listen on its port (error:
    // why), or (error empty) it listens, or was closed, after that.
    void rdsPortState(int channel, int port, QString error);

protected:
    void run() override;

private:
    void loadPrograms(const QSharedPointer<FMSettings> &settings, int band);
    void setState(int state);
    void open();
    void disconnectBoard();
    void reconnect();
    void forgetLock();
    bool lockedByUs() const;
    void noteUnreachable();
    void checkRestart();
    void readAgain(const char *why);
    void heard(int type);
    void askLock(const char *why);
    void askHandshakeLock();
    void configureAgain();
    bool lockHandshake() const { return m_info.version >= 25; }
    void settleLock();
    void takeHolder(const LockInfo &parsed);
    qint64 sendNow(const char *data, int length);
    qint64 sendNow(const QByteArray &datagram) { return sendNow(datagram.constData(), datagram.size()); }
    void handleDatagram(const QByteArray &datagram);
    void logSendFailure(RepeatedLog &run, const char *what, qint64 result);
    void endSendFailures();
    void goOnline();
    void sendSetLock();
    void sendUnlock();
    bool sendBandConfig();
    void checkPurge();
    void infoReply(const QByteArray &datagram);
    void lockStatus(const QByteArray &datagram);
    void channelStatus(const QByteArray &datagram);
    qint64 nowMs() const;
    void setRealTimePriority();
    void letInRdsClients();
    void closeRdsServers(int port);
    void reportRdsPorts();
    qint64 writeDatagram(const char *data, int length, int owner = -1);
    void startPump();

    const u8 m_board;
    const u32 m_refOsc;
    QThread *m_home = nullptr; // the thread the object goes back to at the end of run

    QSharedPointer<FMSettings> m_settings; // board mutex
    QSharedPointer<FMSettings> m_loaded;   // board thread: the programs' project
    QHash<u32, QByteArray> m_pending;      // command id -> command
    qint64 m_lastAckedSend = 0;            // monotonic ms
    double m_lastStatus = 0;               // monotonic s
    mutable QMutex m_mutex;                // board mutex
    LockInfo m_lock;                       // board mutex
    u8 m_ownIdentity[LockInfo::identitySize];
    u8 m_statusTicks = 0;
    BoardInfo m_info;
    BoardInfo m_knownInfo; // of the same target, from before a time-out or restart made it unknown
    mutable QMutex m_infoMutex;            // the copy info() hands out
    BoardInfo m_infoCopy;
    BoardIP m_target;                      // board thread only
    std::atomic<bool> m_takeOver{false};
    QUdpSocket *m_socket = nullptr;
    ChannelStatus m_status[channels];
    std::atomic<int> m_state{NotConnected};
    qint64 m_lastReceived = 0;             // monotonic ms
    std::atomic<int> m_pendingRdsPort{0};
    int m_rdsPort = 0; // the port of channel 1 the servers hold (board thread)
    // What rdsPortState last told of each channel (board thread).
    struct RdsPortState
    {
        int port = 0;
        QString error;
    };
    RdsPortState m_rdsPortStates[channels];
    std::atomic<int> m_reqAttn{0};
    int m_attn = -31;
    std::atomic<int> m_reqBand{0};
    int m_band = -1;
    std::atomic<bool> m_reqOnAir{true};
    bool m_onAir = false;
    // "Port unreachable" seen since the last check (checkRestart).
    bool m_unreachable = false;
    // Signs of life while online.
    BoardLiveness m_live;
    int m_bytesSent = 0;
    // The pump tick's datagrams, sent with one system call at its end.
    DatagramBatch m_batch;
    bool m_batching = false;
    std::atomic<int> m_maxTickBytes{0};
    // Pump intervals in 50 us bins up to 50 ms, the last bin holds the rest.
    static constexpr int pumpBins = 1000;
    std::atomic<quint32> m_pumpBins[pumpBins] = {};
    std::atomic<quint64> m_pumpMissed{0};
    std::atomic<int> m_pumpMaxUs{0};
    std::atomic<int> m_pumpOwnMaxUs{0};
    double m_lastPump = 0;
    // The board thread's run delay, read at every pump tick once the
    // statistics are taken (-1: not read at the last tick).
    std::unique_ptr<RunDelay> m_runDelay;
    std::atomic<bool> m_pumpWatched{false};
    double m_lastHeld = -1;
    // The RDS servers' listening sockets are polled every this many pump
    // ticks instead of at every turn of the event loop.
    static constexpr int listenCheckTicks = 20;
    int m_listenTicks = 0;
    FMProgram *m_programs[channels] = {};
    QTimer *m_statusTimer = nullptr;
    QTimer *m_pumpTimer = nullptr;
    std::minstd_rand m_random;
    QMutex m_startMutex;
    QWaitCondition m_started;
    std::atomic<bool> m_running{false};
    // Conditions logged once and once more with their count when they end.
    RepeatedLog m_sendFailures; // until the board is heard again
    RepeatedLog m_rdsFailures;
    RepeatedLog m_batchRefusals; // ticks whose batch the kernel did not take whole
    RepeatedLog m_socketErrors;
    RepeatedLog m_infoRequests; // until the board answers
    RepeatedLog m_lockQueries;  // until the lock status comes
    RepeatedLog m_foreignLock;  // lock replies naming the same other client
    RepeatedLog m_silences;     // lock queries after the board went silent
    QByteArray m_foreignHolder; // identity, address and port of that client
    // Lock queries of the handshake not answered yet; once online, the
    // answers still to come to those sent before our SET LOCK (until
    // m_staleUntil, monotonic ms).
    int m_handshakeQueries = 0;
    int m_staleLockAnswers = 0;
    qint64 m_staleUntil = 0;
};
