#pragma once

#include <QByteArray>

class QIODevice;

// Bounded line reading for group files and group text input: a line holds at
// most rdsMaxLineBytes bytes (line end excluded); a longer line is reported as
// TooLong and its tail is skipped, never read as a line of its own. Every read
// draws on a byte budget, so one call never reads more than the budget plus
// one line, however long the lines of the device are.
//
// Not thread-safe; one reader per device, used in the thread that owns it.
class RDSLineReader
{
public:
    enum class Status {
        Line,      // line holds one line without its line end
        TooLong,   // a line over the limit was dropped (its tail may follow later)
        End,       // no more data now (end of device or read error)
        OutOfBudget
    };

    // Reads the next line. budget is reduced by the bytes read.
    Status readLine(QIODevice &device, QByteArray &line, qint64 &budget);

    // Forgets a tail being skipped (after seeking or opening another device).
    void reset() { m_skipping = false; }

    bool skipping() const { return m_skipping; }

private:
    bool skipTail(QIODevice &device, qint64 &budget);

    bool m_skipping = false;
};
