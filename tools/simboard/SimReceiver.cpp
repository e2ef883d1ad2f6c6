#include "SimReceiver.h"

#include "HiResClock.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Datagrams taken from the kernel in one call, and the room for each.
constexpr int batch = 16;
constexpr int roomPerDatagram = 65536;

// The kernel's stamp (wall clock) on HiResClock's scale; `now` when the
// stamp is missing or the wall clock stepped.
double onClock(const timespec *stamp, double now, const timespec &wall)
{
    if (!stamp)
        return now;
    const double age = double(wall.tv_sec - stamp->tv_sec) + double(wall.tv_nsec - stamp->tv_nsec) * 1e-9;
    return age >= 0.0 && age < 10.0 ? now - age : now;
}

} // namespace

SimReceiver::SimReceiver(int fd, std::function<void()> wake) : m_fd(fd), m_wake(std::move(wake))
{
    const int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    setsockopt(m_fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    m_stop = eventfd(0, EFD_CLOEXEC);
    m_thread = std::thread([this] { run(); });
}

SimReceiver::~SimReceiver()
{
    m_stopping = true;
    const quint64 one = 1;
    if (m_stop >= 0 && ::write(m_stop, &one, sizeof one) != ssize_t(sizeof one))
        qWarning("simboard: receiver stop signal failed: %s", strerror(errno));
    m_thread.join();
    if (m_stop >= 0)
        ::close(m_stop);
}

bool SimReceiver::takeNext(Arrival *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_queue.empty())
        return false;
    *out = std::move(m_queue.front());
    m_queue.pop_front();
    m_queued -= out->bytes.size();
    return true;
}

void SimReceiver::run()
{
    // Above the board links (which take the lowest real-time priority but
    // one): the link that feeds the board never keeps it from reading.
    pthread_setname_np(pthread_self(), "SimReceiver");
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR) + 2;
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
    std::vector<char> room(size_t(batch) * roomPerDatagram);
    while (!m_stopping) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
        // Without its stop signal the thread looks at the flag now and then.
        const int n = ::poll(fds, m_stop >= 0 ? 2 : 1, m_stop >= 0 ? -1 : 50);
        if (n < 0 && errno != EINTR)
            return;
        if (n > 0 && (fds[0].revents & POLLNVAL))
            return;
        if (n > 0 && fds[0].revents != 0)
            receive(room.data());
    }
}

// Everything waiting in the kernel, in order, into the queue.
void SimReceiver::receive(char *room)
{
    static constexpr size_t controlRoom = CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(quint32));
    mmsghdr messages[batch];
    iovec vectors[batch];
    sockaddr_storage senders[batch];
    alignas(cmsghdr) char controls[batch][controlRoom];
    for (;;) {
        for (int i = 0; i < batch; ++i) {
            vectors[i] = {room + size_t(i) * roomPerDatagram, roomPerDatagram};
            messages[i] = {};
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_namelen = sizeof senders[i];
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_control = controls[i];
            messages[i].msg_hdr.msg_controllen = controlRoom;
        }
        const int got = ::recvmmsg(m_fd, messages, batch, MSG_DONTWAIT, nullptr);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return; // nothing more now (or an error the next datagram clears)
        const double now = HiResClock::now();
        timespec wall{};
        clock_gettime(CLOCK_REALTIME, &wall);
        std::vector<Arrival> arrived(static_cast<size_t>(got));
        for (int i = 0; i < got; ++i) {
            msghdr &h = messages[i].msg_hdr;
            const timespec *stamp = nullptr;
            for (cmsghdr *c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
                if (c->cmsg_level != SOL_SOCKET)
                    continue;
                if (c->cmsg_type == SCM_TIMESTAMPNS)
                    stamp = reinterpret_cast<const timespec *>(CMSG_DATA(c));
                else if (c->cmsg_type == SO_RXQ_OVFL)
                    m_kernelLost = int(*reinterpret_cast<const quint32 *>(CMSG_DATA(c)));
            }
            Arrival &a = arrived[size_t(i)];
            a.at = onClock(stamp, now, wall);
            a.bytes = QByteArray(static_cast<const char *>(vectors[i].iov_base), int(messages[i].msg_len));
            // The board is bound to an IPv4 loopback address: so are its senders.
            const auto *sender = reinterpret_cast<const sockaddr_in *>(&senders[i]);
            a.from = QHostAddress(ntohl(sender->sin_addr.s_addr));
            a.fromPort = ntohs(sender->sin_port);
        }
        bool wasEmpty;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            wasEmpty = m_queue.empty();
            for (Arrival &a : arrived) {
                if (m_queued + a.bytes.size() > queueLimit) {
                    ++m_overLimit;
                    continue;
                }
                m_queued += a.bytes.size();
                m_queue.push_back(std::move(a));
            }
        }
        if (wasEmpty)
            m_wake();
        if (got < batch)
            return;
    }
}
