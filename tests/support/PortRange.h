#pragma once

namespace testsupport {

// A run of TCP ports that is a test's own while the object lives: `count` ports in a row, below the
// kernel's ephemeral ports (32768 up, where the client sockets of tests running beside this one take
// theirs), each free for a server to listen on when the range was taken. Tests that take their ports here,
// in this process or another, never get ports of the same range at once: each range is locked in a file they
// share while its object lives. A program that takes its ports some other way may still take one
// meanwhile; taken() tells such a port.
class PortRange
{
public:
    explicit PortRange(int count);
    ~PortRange();
    PortRange(const PortRange &) = delete;
    PortRange &operator=(const PortRange &) = delete;

    // The first port of the range; 0 when no free range was found.
    int first() const { return m_first; }
    int count() const { return m_count; }

    // Whether a server cannot listen on port now, as the program's servers listen (on every address).
    static bool taken(int port);

private:
    int m_first = 0;
    int m_count = 0;
    int m_lock = -1; // the open lock file whose lock keeps the range
};

} // namespace testsupport
