#include "PortRange.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTcpServer>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr int lowest = 10000, end = 32768; // the ports a range is taken from

// The lock file of the ranges, the same for every test of this user whatever its temporary directory; -1 when
// it cannot be opened (the ranges are then only checked free).
int openLockFile()
{
    const QByteArray path = "/tmp/trovina-test-ports-" + QByteArray::number(uint(getuid()));
    return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// Locks the bytes first .. first + count - 1 of the file (its ports) for this open file: false when another
// open file, of this process or another, holds one of them (true without a lock where the system has none).
bool lockRange(int fd, int first, int count)
{
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = first;
    range.l_len = count;
    return fd < 0 || ::fcntl(fd, F_OFD_SETLK, &range) == 0 || (errno != EAGAIN && errno != EACCES);
}

} // namespace

PortRange::PortRange(int count) : m_count(count)
{
    if (count < 1 || count > end - lowest)
        return;
    // From a random port up past each port found taken, from a new random one when another test has a
    // range there.
    int first = 0;
    for (int tries = 0; tries < 1000 && m_first == 0; ++tries) {
        if (first == 0 || first + count > end)
            first = lowest + int(QRandomGenerator::global()->bounded(end - count - lowest + 1));
        m_lock = openLockFile();
        if (!lockRange(m_lock, first, count)) {
            ::close(m_lock);
            first = 0;
            continue;
        }
        int port = first;
        while (port < first + count && !taken(port))
            ++port;
        if (port == first + count)
            m_first = first;
        else if (m_lock >= 0)
            ::close(m_lock); // the lock goes with the file
        first = port + 1;
    }
    if (m_first == 0)
        m_lock = -1;
}

PortRange::~PortRange()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

bool PortRange::taken(int port)
{
    QTcpServer probe;
    return !probe.listen(QHostAddress::Any, quint16(port));
}

} // namespace testsupport
