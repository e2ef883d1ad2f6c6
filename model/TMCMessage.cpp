#include "TMCMessage.h"

#include "RecordText.h"

#include <QStringList>

QString TMCMessage::toText() const
{
    QString t = QStringLiteral("%1 %2 %3 %4 %5").arg(duration).arg(flags).arg(event).arg(location).arg(send);
    for (u32 l : labels) {
        t += QLatin1Char(' ');
        t += QString::number(l);
    }
    return t;
}

TMCMessage TMCMessage::fromText(const QString &text)
{
    const QStringList p = RecordText::splitDrop(text);
    const auto part = [&p](int i) -> quint64 { return i < p.size() ? RecordText::udec(p.at(i)) : 0; };
    TMCMessage m;
    m.duration = static_cast<u8>(part(0));
    m.flags = static_cast<u8>(part(1));
    m.event = static_cast<u16>(part(2));
    m.location = static_cast<u16>(part(3));
    m.send = static_cast<u8>(part(4));
    for (int i = 5; i < p.size(); ++i)
        m.labels.append(static_cast<u32>(part(i)));
    return m;
}

u32 TMCMessage::partMax(int i)
{
    static constexpr u32 fields[] = {0x7, 0x1F, 0x7FF, 0xFFFF, 2};
    return i < 5 ? fields[i] : 0xFFFFF;
}

int TMCMessage::badPart(const QString &text)
{
    const QStringList p = RecordText::splitDrop(text);
    for (int i = 0; i < p.size(); ++i) {
        bool ok = false;
        const qulonglong v = p.at(i).toULongLong(&ok);
        if (!RecordText::isWholeNumber(p.at(i)) || !ok || v > partMax(i))
            return i;
    }
    return -1;
}
