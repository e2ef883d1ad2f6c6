#include "DatagramBatch.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <netinet/in.h>
#include <netinet/udp.h>
#include <unistd.h>

#ifndef UDP_SEGMENT
#define UDP_SEGMENT 103
#endif
#ifndef SOL_UDP
#define SOL_UDP 17
#endif

namespace {

constexpr int noForcedMode = -1;
std::atomic<int> forcedMode{noForcedMode};
std::atomic<DatagramBatch::SendFunction> replacedSend{nullptr};

int systemSend(int fd, mmsghdr *messages, unsigned count, int flags)
{
    return ::sendmmsg(fd, messages, count, flags);
}

DatagramBatch::Mode probeMode()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int segment = 1032;
    const bool ok = fd >= 0 && ::setsockopt(fd, SOL_UDP, UDP_SEGMENT, &segment, sizeof segment) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    const DatagramBatch::Mode mode = ok ? DatagramBatch::Mode::Segmented : DatagramBatch::Mode::Batched;
    if (ok)
        qDebug("udp: one sendmmsg per board and tick, runs of equal size segmented by the kernel");
    else
        qDebug("udp: one sendmmsg per board and tick, no segmentation offload (%d)", error);
    return mode;
}

// A segmented message the kernel or the route cannot take; plain messages
// of the same datagrams can go.
bool segmentationRefused(int error)
{
    return error == EIO || error == EINVAL || error == EMSGSIZE || error == ENOPROTOOPT || error == EOPNOTSUPP;
}

} // namespace

DatagramBatch::Mode DatagramBatch::mode()
{
    static const Mode probed = probeMode();
    const int forced = forcedMode.load();
    return forced == noForcedMode ? probed : Mode(forced);
}

void DatagramBatch::setMode(Mode mode)
{
    forcedMode.store(int(mode));
}

const char *DatagramBatch::modeName(Mode mode)
{
    switch (mode) {
    case Mode::Direct:
        return "direct";
    case Mode::Batched:
        return "sendmmsg";
    case Mode::Segmented:
        return "sendmmsg+gso";
    }
    return "?";
}

void DatagramBatch::setSendFunction(SendFunction send)
{
    replacedSend.store(send);
}

DatagramBatch::DatagramBatch(int board) : m_board(board), m_mode(mode())
{
    m_data.resize(16384);
}

void DatagramBatch::add(const char *data, int length, int owner)
{
    if (length <= 0)
        return;
    if (m_bytes + length > int(m_data.size()))
        m_data.resize(std::max(2 * m_data.size(), size_t(m_bytes + length)));
    std::memcpy(m_data.data() + m_bytes, data, size_t(length));
    m_entries.push_back({m_bytes, length, owner});
    m_bytes += length;
    if (owner >= 0 && owner < maxOwners)
        ++m_owners[owner];
}

int DatagramBatch::queued(int owner) const
{
    return owner >= 0 && owner < maxOwners ? m_owners[owner] : 0;
}

void DatagramBatch::clear()
{
    m_entries.clear();
    m_bytes = 0;
    std::fill(std::begin(m_owners), std::end(m_owners), 0);
    m_error = 0;
}

int DatagramBatch::buildMessages(bool segmented)
{
    const size_t n = m_entries.size();
    constexpr size_t controlSize = CMSG_SPACE(sizeof(std::uint16_t));
    if (m_messages.size() < n) {
        m_messages.resize(n);
        m_iov.resize(n);
        m_messageEntries.resize(n);
        m_control.resize(n * controlSize);
    }
    int count = 0;
    for (size_t i = 0; i < n;) {
        const int length = m_entries[i].length;
        size_t run = 1;
        int bytes = length;
        while (segmented && i + run < n && m_entries[i + run].length == length && int(run) < maxSegments
               && bytes + length <= maxSegmentedBytes) {
            bytes += length;
            ++run;
        }
        iovec &v = m_iov[size_t(count)];
        v.iov_base = m_data.data() + m_entries[i].offset;
        v.iov_len = size_t(bytes);
        mmsghdr &m = m_messages[size_t(count)];
        std::memset(&m, 0, sizeof m);
        m.msg_hdr.msg_iov = &v;
        m.msg_hdr.msg_iovlen = 1;
        if (run > 1) {
            char *control = m_control.data() + size_t(count) * controlSize;
            std::memset(control, 0, controlSize);
            m.msg_hdr.msg_control = control;
            m.msg_hdr.msg_controllen = controlSize;
            cmsghdr *c = CMSG_FIRSTHDR(&m.msg_hdr);
            c->cmsg_level = SOL_UDP;
            c->cmsg_type = UDP_SEGMENT;
            c->cmsg_len = CMSG_LEN(sizeof(std::uint16_t));
            const std::uint16_t segment = std::uint16_t(length);
            std::memcpy(CMSG_DATA(c), &segment, sizeof segment);
        }
        m_messageEntries[size_t(count)] = int(run);
        ++count;
        i += run;
    }
    return count;
}

void DatagramBatch::dropSent(int entries)
{
    if (entries <= 0)
        return;
    if (entries >= int(m_entries.size())) {
        clear();
        return;
    }
    const int bytes = m_entries[size_t(entries)].offset;
    for (int i = 0; i < entries; ++i) {
        const int owner = m_entries[size_t(i)].owner;
        if (owner >= 0 && owner < maxOwners)
            --m_owners[owner];
    }
    m_entries.erase(m_entries.begin(), m_entries.begin() + entries);
    for (Entry &e : m_entries)
        e.offset -= bytes;
    std::memmove(m_data.data(), m_data.data() + bytes, size_t(m_bytes - bytes));
    m_bytes -= bytes;
}

int DatagramBatch::flush(int fd)
{
    if (m_entries.empty())
        return 0;
    const SendFunction replaced = replacedSend.load();
    const SendFunction send = replaced ? replaced : systemSend;
    bool segmented = m_mode == Mode::Segmented;
    int messages = buildMessages(segmented);
    int result = send(fd, m_messages.data(), unsigned(messages), MSG_DONTWAIT);
    int error = result < 0 ? errno : 0;
    if (result < 0 && segmented && m_messageEntries[0] > 1 && segmentationRefused(error)) {
        qDebug("mo%d: udp segmentation refused (%d), one message per datagram from now on", m_board, error);
        m_mode = Mode::Batched;
        segmented = false;
        messages = buildMessages(false);
        result = send(fd, m_messages.data(), unsigned(messages), MSG_DONTWAIT);
        error = result < 0 ? errno : 0;
    }
    int sent = 0;
    for (int i = 0; i < std::min(result, messages); ++i)
        sent += m_messageEntries[size_t(i)];
    int dropped = 0;
    if (result < 0 && (error == EMSGSIZE || error == EINVAL) && m_messageEntries[0] == 1) {
        // A datagram no kernel will take would hold up every one after it.
        qDebug("mo%d: udp datagram of %d bytes refused for good (%d)", m_board, m_entries[0].length, error);
        dropped = 1;
    }
    dropSent(sent + dropped);
    // Partly taken, the kernel does not say why (error 0); the next flush may.
    m_error = m_entries.empty() ? 0 : error;
    return sent;
}
