#pragma once

#include <vector>

#include <sys/socket.h>
#include <sys/uio.h>

// The datagrams of one pump tick of a board link, sent with one sendmmsg.
//
// add() copies a datagram into the batch; flush() hands everything queued to
// the kernel in one call. Consecutive datagrams of equal size go as one
// message with UDP segmentation offload (UDP_SEGMENT) when the kernel has it:
// the kernel cuts the message into exactly those datagrams again, so the
// board receives the same datagrams in the same order either way.
//
// A datagram the kernel refuses is not lost: the kernel takes messages
// strictly from the first, so flush() keeps the refused message and every one
// after it, in their order, and they go first at the next flush. Whatever a
// program adds later goes after them, so the order per program holds.
//
// Not thread-safe: one batch belongs to one board thread. The way of sending
// is chosen once per process (mode()) and logged; refusals are the caller's
// to log (queued(), lastError()).
class DatagramBatch
{
public:
    enum class Mode {
        Direct,    // no batch: every datagram is written on its own
        Batched,   // one sendmmsg per tick, one message per datagram
        Segmented, // one sendmmsg per tick, runs of equal size as one segmented message
    };

    // The kernel's own limits of one segmented message.
    static constexpr int maxSegments = 64;
    static constexpr int maxSegmentedBytes = 65000;
    // Owners 0 .. maxOwners-1 are counted (the channel programs of a board).
    static constexpr int maxOwners = 32;

    // The way of sending of this process: Segmented when the kernel takes
    // UDP_SEGMENT, else Batched; probed and logged on the first call.
    static Mode mode();
    // Replaces the probed way of sending (tests, benchmarks); batches made
    // afterwards use it.
    static void setMode(Mode mode);
    static const char *modeName(Mode mode);

    // The system call, replaceable to test refusals; nullptr restores sendmmsg.
    using SendFunction = int (*)(int fd, mmsghdr *messages, unsigned count, int flags);
    static void setSendFunction(SendFunction send);

    // `board` names the batch in log lines ("mo%d: ").
    explicit DatagramBatch(int board);

    // False in Direct mode: datagrams are not to be added then.
    bool isBatching() const { return m_mode != Mode::Direct; }
    Mode batchMode() const { return m_mode; }

    // Queues a copy of the datagram; owner 0..maxOwners-1 is counted by queued().
    void add(const char *data, int length, int owner = -1);
    // Sends the queue on the socket descriptor with one call (two when the
    // segmented message is refused and segmentation is turned off). Returns
    // the datagrams the kernel took; the rest stays queued, in order.
    int flush(int fd);
    // Drops everything queued.
    void clear();

    int queued() const { return int(m_entries.size()); }
    // Datagrams of this owner still queued.
    int queued(int owner) const;
    int queuedBytes() const { return m_bytes; }
    // The error of the last flush that left datagrams behind (0 when the
    // kernel took part of the batch without saying why); 0 after a full one.
    int lastError() const { return m_error; }

private:
    struct Entry
    {
        int offset;
        int length;
        int owner;
    };
    // One message per entry, or per run of equal size when segmented.
    int buildMessages(bool segmented);
    void dropSent(int entries);

    const int m_board;
    Mode m_mode;
    int m_error = 0;
    std::vector<char> m_data;
    std::vector<Entry> m_entries;
    int m_bytes = 0;
    int m_owners[maxOwners] = {};
    // Per message: the entries it carries; the kernel structures.
    std::vector<int> m_messageEntries;
    std::vector<mmsghdr> m_messages;
    std::vector<iovec> m_iov;
    std::vector<char> m_control;
};
