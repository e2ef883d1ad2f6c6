#include "FMSettings.h"

#include "RDSLogRecord.h"

#include <cstring>


namespace {

constexpr int maxChannel = 96;

bool isChannel(int ch)
{
    return ch >= 1 && ch <= maxChannel;
}

// The empty value of a status broadcast: observers fetch the record.
QVariant fetchRecord()
{
    return QString(QLatin1String(""));
}

} // namespace

void FMSettings::setChannelStatus(int ch, const ChannelStatus &status)
{
    if (!isChannel(ch))
        return;
    WriteLock locker(recordLock);
    channelStates.insert(ch, status);
    notify(QStringLiteral("chstatus.%1").arg(ch), fetchRecord());
}

ChannelStatus FMSettings::channelStatus(int ch) const
{
    ReadLock locker(recordLock);
    return channelStates.value(ch);
}

void FMSettings::setPlayInfo(int ch, const SongInfo &song)
{
    if (!isChannel(ch))
        return;
    WriteLock locker(recordLock);
    const SongInfo old = playInfo.value(ch);
    if (song.file.isEmpty())
        playInfo.remove(ch);
    else
        playInfo.insert(ch, song);
    if (old.sampleRate != song.sampleRate)
        notify(QStringLiteral("chinfo.%1.playrate").arg(ch), song.sampleRate);
    if (old.file != song.file)
        notify(QStringLiteral("chinfo.%1.playing").arg(ch), song.file);
}

SongInfo FMSettings::songInfo(int ch) const
{
    ReadLock locker(recordLock);
    return playInfo.value(ch);
}

void FMSettings::setSongInfo(const QList<SongInfo> &songs)
{
    WriteLock locker(recordLock);
    for (const SongInfo &s : songs)
        songInfoByFile.insert(s.file, s);
    notify(QStringLiteral("songinfo"), fetchRecord());
}

QMap<QString, SongInfo> FMSettings::songInfos() const
{
    ReadLock locker(recordLock);
    return songInfoByFile;
}

void FMSettings::notifyRdsLog(int ch, int src, int groupNo, int reserved, const QTime &timeOfDay,
                              const u8 *group)
{
    Q_UNUSED(groupNo)
    Q_UNUSED(reserved)
    if (!group)
        return;
    RDSLogRecord record;
    std::memcpy(record.group, group, RDSLogRecord::groupSize);
    record.ms = RDSLogRecord::msOfDay(timeOfDay);
    notify(QStringLiteral("chinfo.%1.rdslog.%2").arg(ch).arg(src), record.toBytes());
}
