#include "EON.h"

#include "RecordText.h"

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
