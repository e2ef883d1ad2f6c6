#pragma once

#include "Types.h"

#include <QByteArray>
#include <QHostAddress>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The receiving side of a simulated board's data socket. A board has a
// processor of its own: whatever the machine that runs the simulation does,
// nothing a link sends it is lost. A thread of its own (at a real-time
// priority above the board links' where it may) takes every datagram out of
// the kernel as it arrives, with the time the kernel took it, and queues it
// for the board, which handles it in its own thread when it comes round to
// it. A busy or starved board thread only handles later; the socket's buffer
// never runs over. A board thread so far behind that queueLimit bytes wait
// loses what comes on top, as a board's full input buffer would: lost()
// counts it.
//
// The socket stays the owner's (it writes its replies on it); the receiver
// only reads it, and is destroyed before the socket is closed.
class SimReceiver
{
public:
    struct Arrival
    {
        double at = 0; // when the kernel took it, seconds of HiResClock::now()
        QByteArray bytes;
        QHostAddress from;
        u16 fromPort = 0;
    };

    // Starts reading fd. `wake` runs in the receiver's thread when
    // datagrams come to an empty queue: the owner is to take them.
    SimReceiver(int fd, std::function<void()> wake);
    // Stops the thread and waits for it.
    ~SimReceiver();
    SimReceiver(const SimReceiver &) = delete;
    SimReceiver &operator=(const SimReceiver &) = delete;

    // The oldest datagram waiting, if any.
    bool takeNext(Arrival *out);
    // The owner leaves datagrams waiting: it is woken for them again.
    void wakeAgain() { m_wake(); }
    static constexpr qint64 queueLimit = qint64(64) << 20;

    // Datagrams dropped for want of room: by the kernel before they were
    // read, or on top of a full queue.
    int lost() const { return m_kernelLost.load() + m_overLimit.load(); }

private:
    void run();
    void receive(char *room);

    const int m_fd;
    const std::function<void()> m_wake;
    int m_stop = -1; // eventfd that wakes the thread to end it
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::deque<Arrival> m_queue; // guarded by m_mutex
    qint64 m_queued = 0;         // bytes in m_queue, guarded by m_mutex
    std::atomic<int> m_kernelLost{0};
    std::atomic<int> m_overLimit{0};
    std::thread m_thread;
};
