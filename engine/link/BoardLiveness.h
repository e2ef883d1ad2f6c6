#pragma once

#include <QtGlobal>

// What the board link makes of the board's signs of life while it is
// online: whether the board went silent, and whether it came back from a
// reboot that cost it its configuration. A plain value of one link, used in
// the board thread only.
//
// Any datagram from the board is a sign of life: status and lock replies,
// and the acknowledgements a board that is slow to apply commands keeps
// sending while its status replies wait. A status request that nothing at
// all has followed for probeMs makes the board silent: the link asks for
// its status every probeMs until it is heard again (the pump's tick looks,
// so an answering board costs nothing).
//
// When it is heard again:
// - a board with the lock handshake (firmware 25 and later) keeps its lock
//   in memory and loses it when it reboots: it is the witness. Its lock is
//   asked for (again at the next ticks while the answer stays away, lockAsks
//   times at most); our own
//   lock means that nothing happened, "not locked" that it lost its state;
// - a board without it cannot tell: it is taken as rebooted when at least
//   rebootRequests status requests in a row went unanswered. Lost replies,
//   up to three in a row, leave fewer.
//
// Status requests that were not written (the send buffer full, a failed
// send) are not counted as unanswered.
class BoardLiveness
{
public:
    // Status requests left unanswered in a row by a board without lock
    // handshake before it is taken as rebooted. A silence of 0.5 s leaves at
    // least four: requests go every probeMs once one is unanswered.
    static constexpr int rebootRequests = 4;
    // A status request unanswered this long: the board is silent, and is
    // asked again this often.
    static constexpr int probeMs = 100;
    // Lock queries for one silence at most: the one when the board is heard
    // again and the ones at the ticks after it while the answer stays away.
    static constexpr int lockAsks = 3;

    enum class Datagram { StatusReply, LockStatus, Other };
    enum class Sign {
        None,
        AskLock,  // ask the board for its lock now
        Rebooted, // the board (no lock handshake) lost its configuration
    };

    // Going online or configuring the board again: nothing is in question.
    void reset();
    // A status request went out at nowMs (only written ones count).
    void requestSent(qint64 nowMs);
    // Whether the last status request went unanswered for probeMs: the
    // board is silent (unless a reply waits unread) and is asked again.
    bool probeDue(qint64 nowMs) const { return m_unanswered > 0 && nowMs - m_lastRequest >= probeMs; }
    // The board is silent. lockHandshake: firmware 25 or later.
    void silence(bool lockHandshake);
    // The status tick, before its request. Returns whether the lock is to
    // be asked for again now (the board is heard, the answer to the lock
    // query after a silence is not).
    bool tick(bool lockHandshake);
    // Something came from the board: what it tells.
    Sign heard(Datagram kind, bool lockHandshake);
    // A lock status came: it answers a silence's question, if one is open.
    void lockAnswered() { m_witness = false; }

    bool silent() const { return m_silent; }
    // A silence happened and no lock status came since: whether the board
    // still holds our lock is not known.
    bool lockInQuestion() const { return m_witness; }

private:
    int m_unanswered = 0;     // status requests written since the last datagram
    qint64 m_lastRequest = 0; // ms
    bool m_silent = false;
    bool m_witness = false;
    bool m_asked = false; // the lock asked for since the last tick
    int m_lockAsks = 0;   // lock queries of this silence's question
};
