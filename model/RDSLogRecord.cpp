#include "RDSLogRecord.h"

#include <QtEndian>

#include <cstring>

QByteArray RDSLogRecord::toBytes() const
{
    QByteArray bytes(size, '\0');
    std::memcpy(bytes.data(), group, groupSize);
    qToLittleEndian<quint32>(ms, bytes.data() + groupSize);
    return bytes;
}

bool RDSLogRecord::fromBytes(const QByteArray &bytes, RDSLogRecord *out)
{
    if (bytes.size() != size)
        return false;
    std::memcpy(out->group, bytes.constData(), groupSize);
    out->ms = qFromLittleEndian<quint32>(bytes.constData() + groupSize);
    return true;
}

u32 RDSLogRecord::msOfDay(const QTime &timeOfDay)
{
    if (!timeOfDay.isValid())
        return 0;
    return u32(QTime(0, 0).msecsTo(timeOfDay));
}
