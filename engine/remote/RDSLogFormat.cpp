#include "RDSLogFormat.h"

#include "RDSCoding.h"
#include "RDSLogRecord.h"

#include <QStringList>
#include <QTime>

RDSLogFormat::RDSLogFormat() : m_pieces{Data, Group, Nothing, Nothing, Nothing} {}

void RDSLogFormat::setWords(const QString &words)
{
    const QStringList parts = words.split(QLatin1Char(' '));
    for (int i = 0; i < slotCount; ++i) {
        const QString w = i < parts.size() ? parts.at(i).toLower() : QString();
        if (w == QLatin1String("raw"))
            m_pieces[i] = Raw;
        else if (w == QLatin1String("data"))
            m_pieces[i] = Data;
        else if (w == QLatin1String("time"))
            m_pieces[i] = Time;
        else if (w == QLatin1String("group"))
            m_pieces[i] = Group;
        else
            m_pieces[i] = Nothing;
    }
}

QString RDSLogFormat::line(const QString &displayKey, const QVariant &value) const
{
    RDSLogRecord record;
    if (value.userType() != QMetaType::QByteArray || !RDSLogRecord::fromBytes(value.toByteArray(), &record))
        return displayKey + QLatin1Char(' ') + value.toString();

    const RDSBlocks blocks = unpackGroup(record.group);
    QString text = displayKey;
    for (const int piece : m_pieces) {
        switch (piece) {
        case Raw:
            text += QLatin1Char(' ') +
                    QString::fromLatin1(
                        QByteArray(reinterpret_cast<const char *>(record.group), RDSLogRecord::groupSize)
                            .toHex());
            break;
        case Data:
            for (const u16 word : blocks.info)
                text += QStringLiteral(" %1").arg(word, 4, 16, QLatin1Char('0'));
            break;
        case Time:
            text +=
                QTime(0, 0).addMSecs(int(record.ms % 86400000u)).toString(QStringLiteral(" hh:mm:ss.zzz"));
            break;
        case Group:
            text +=
                QStringLiteral(" %1%2")
                    .arg(blocks.info[RDSBlocks::B] >> 12)
                    .arg(blocks.info[RDSBlocks::B] & rdsVersionBFlag ? QLatin1Char('B') : QLatin1Char('A'));
            break;
        default:
            break;
        }
    }
    return text;
}
