#include "BoardLiveness.h"

void BoardLiveness::reset()
{
    m_unanswered = 0;
    m_silent = false;
    m_witness = false;
    m_asked = false;
    m_lockAsks = 0;
}

void BoardLiveness::requestSent(qint64 nowMs)
{
    ++m_unanswered;
    m_lastRequest = nowMs;
}

void BoardLiveness::silence(bool lockHandshake)
{
    if (!m_silent)
        m_lockAsks = 0; // a new silence, a new question
    m_silent = true;
    m_witness = m_witness || lockHandshake;
}


bool BoardLiveness::tick(bool lockHandshake)
{
    const bool heardSinceLastTick = m_unanswered == 0;
    if (!heardSinceLastTick)
        silence(lockHandshake);
    // The lock query sent when the board was heard again, or its answer,
    // went missing: one more, at most one a tick and lockAsks in all; a
    // board that never answers is left to the regular lock query.
    const bool again = m_witness && heardSinceLastTick && !m_asked && m_lockAsks < lockAsks;
    m_asked = false;
    if (again)
        ++m_lockAsks;
    return again;
}

BoardLiveness::Sign BoardLiveness::heard(Datagram kind, bool lockHandshake)
{
    // A status reply answers one of the requests; the ones before it went
    // unanswered.
    const int lost = m_unanswered - (kind == Datagram::StatusReply && m_unanswered > 0 ? 1 : 0);
    m_unanswered = 0;
    if (!m_silent)
        return Sign::None;
    m_silent = false;
    if (lockHandshake) {
        if (!m_witness || kind == Datagram::LockStatus)
            return Sign::None;
        m_asked = true;
        ++m_lockAsks;
        return Sign::AskLock;
    }
    return lost >= rebootRequests ? Sign::Rebooted : Sign::None;
}
