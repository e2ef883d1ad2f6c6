#include "RDSLineReader.h"

#include "RDSGroupLine.h"

#include <QIODevice>

namespace {

// Room for the longest accepted line, one more byte to see that it is longer,
// its line end and the terminating zero of QIODevice::readLine.
constexpr qint64 chunkSize = rdsMaxLineBytes + 3;

} // namespace

bool RDSLineReader::skipTail(QIODevice &device, qint64 &budget)
{
    char buf[chunkSize];
    while (m_skipping) {
        if (budget <= 0)
            return false;
        const qint64 n = device.readLine(buf, chunkSize);
        if (n <= 0)
            return false;
        budget -= n;
        if (buf[n - 1] == '\n')
            m_skipping = false;
    }
    return true;
}

RDSLineReader::Status RDSLineReader::readLine(QIODevice &device, QByteArray &line, qint64 &budget)
{
    line.clear();
    if (m_skipping && !skipTail(device, budget))
        return budget <= 0 ? Status::OutOfBudget : Status::End;
    if (budget <= 0)
        return Status::OutOfBudget;

    char buf[chunkSize];
    const qint64 n = device.readLine(buf, chunkSize);
    if (n <= 0)
        return Status::End;
    budget -= n;
    const bool ended = buf[n - 1] == '\n';
    const qint64 length = ended ? n - 1 : n;
    if (length > rdsMaxLineBytes) {
        // Without its line end the rest of this line is still to come.
        m_skipping = !ended;
        return Status::TooLong;
    }
    line = QByteArray(buf, static_cast<int>(length));
    if (line.endsWith('\r'))
        line.chop(1);
    return Status::Line;
}
