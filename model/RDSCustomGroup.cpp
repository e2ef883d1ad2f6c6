#include "RDSCustomGroup.h"

#include "RecordText.h"

#include <QStringList>

QString RDSCustomGroup::toText() const
{
    QStringList p;
    for (u16 b : block)
        p.append(RecordText::hexText(b));
    for (u16 c : check)
        p.append(RecordText::hexText(c));
    for (qint32 r : rate)
        p.append(QString::number(r));
    p.append(QString::number(active));
    return p.join(QLatin1Char(' '));
}

void RDSCustomGroup::fromText(const QString &text)
{
    const QStringList p = RecordText::splitKeep(text);
    for (int i = 0; i < 4 && i < p.size(); ++i)
        block[i] = static_cast<u16>(RecordText::hex(p.at(i)));
    for (int i = 0; i < 4 && 4 + i < p.size(); ++i)
        check[i] = static_cast<u16>(RecordText::hex(p.at(4 + i)));
    for (int i = 0; i < 4 && 8 + i < p.size(); ++i)
        rate[i] = static_cast<qint32>(RecordText::dec(p.at(8 + i)));
    if (p.size() > 12)
        active = static_cast<u8>(RecordText::dec(p.at(12)));
}

bool RDSCustomGroup::operator==(const RDSCustomGroup &o) const
{
    for (int i = 0; i < 4; ++i) {
        if (block[i] != o.block[i] || check[i] != o.check[i] || rate[i] != o.rate[i])
            return false;
    }
    return active == o.active;
}
