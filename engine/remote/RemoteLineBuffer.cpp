#include "RemoteLineBuffer.h"

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

} // namespace

QList<RemoteLineBuffer::Line> RemoteLineBuffer::feed(const QByteArray &data)
{
    QList<Line> lines;
    for (const char c : data) {
        if (isLineEnd(c)) {
            if (!m_discarding && !m_pending.isEmpty())
                lines.append(Line{m_pending, false});
            m_pending.clear();
            m_discarding = false;
        } else if (m_discarding) {
            continue;
        } else if (m_pending.size() >= maxLine) {
            lines.append(Line{QByteArray(), true});
            m_pending.clear();
            m_discarding = true;
        } else {
            m_pending.append(c);
        }
    }
    return lines;
}

void RemoteLineBuffer::clear()
{
    m_pending.clear();
    m_discarding = false;
}
