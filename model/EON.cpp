#include "EON.h"

#include "KeyCheck.h"
#include "RecordText.h"

#include <algorithm>

namespace {

bool isDigitOf(QChar c, bool hex)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (hex && ((u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')));
}

} // namespace

QString EON::toText() const
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(channel)
        .arg(RecordText::hexText(pi))
        .arg(pty)
        .arg(tp)
        .arg(ta)
        .arg(RecordText::hexText(link));
}

EON EON::fromText(const QString &text)
{
    EON e;
    const QStringList p = RecordText::splitKeep(text);
    const auto byte = [&p](int i, u8 &field) {
        if (p.size() > i)
            field = static_cast<u8>(RecordText::udec(p.at(i)));
    };
    const auto word = [&p](int i, u16 &field) {
        if (p.size() > i)
            field = static_cast<u16>(RecordText::hex(p.at(i)));
    };
    byte(0, e.channel);
    word(1, e.pi);
    byte(2, e.pty);
    byte(3, e.tp);
    byte(4, e.ta);
    word(5, e.link);
    return e;
}

u32 EON::partMax(int i)
{
    static constexpr u32 fields[] = {KeyCheck::maxChannel, 0xFFFF, 31, 1, 1, 0xFFFF};
    return i >= 0 && i < 6 ? fields[i] : 0;
}

bool EON::isHexPart(int i)
{
    return i == 1 || i == 5;
}

int EON::badPart(const QString &text)
{
    const QStringList p = RecordText::splitKeep(text);
    for (int i = 0; i < 6; ++i) {
        const QString part = p.value(i);
        const bool hex = isHexPart(i);
        const bool digits = std::all_of(part.cbegin(), part.cend(), [hex](QChar c) { return isDigitOf(c, hex); });
        bool ok = false;
        const qulonglong v = part.toULongLong(&ok, hex ? 16 : 10);
        if (part.isEmpty() || !digits || !ok || v > partMax(i))
            return i;
    }
    return -1;
}
