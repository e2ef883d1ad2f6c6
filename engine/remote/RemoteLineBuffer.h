#pragma once

#include <QByteArray>
#include <QList>

// Splits the byte stream of a remote-control connection into request lines.
// A line ends at CR, LF or NUL; a run of such bytes ends one line, so empty
// lines never come out. A line may hold up to maxLine bytes before its end;
// a longer one is reported once as too long and its bytes are dropped up to
// the next line end. Pure and without sockets; one buffer per connection.
class RemoteLineBuffer
{
public:
    // The bytes a line may hold: the 512-byte buffer less its line end.
    static constexpr int maxLine = 511;

    struct Line

    {
        QByteArray bytes; // without the line end; empty when tooLong
        bool tooLong = false;
    };

    // Takes the next bytes and returns every line they complete, in order.
    QList<Line> feed(const QByteArray &data);
    // Forgets an incomplete line (a new connection starts clean).
    void clear();

private:
    QByteArray m_pending;
    bool m_discarding = false;
};
