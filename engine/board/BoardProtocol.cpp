#include "BoardProtocol.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include <QtEndian>

#include <cstring>

namespace BoardProtocol {

namespace {

u16 readU16(const QByteArray &d, int offset)
{
    return qFromBigEndian<u16>(d.constData() + offset);
}

u32 readU32(const QByteArray &d, int offset)
{
    return qFromBigEndian<u32>(d.constData() + offset);
}

void putU16(QByteArray &d, int offset, u16 v)
{
    qToBigEndian(v, d.data() + offset);
}

void putU32(QByteArray &d, int offset, u32 v)
{
    qToBigEndian(v, d.data() + offset);
}

QByteArray typeOnly(u16 type)
{
    QByteArray d(2, '\0');
    putU16(d, 0, type);
    return d;
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// The common checks of PCM and RDS data headers.
bool checkDataHeader(const QByteArray &d, u16 type, QString *error)
{
    if (d.size() < dataHeaderSize)
        return fail(error, QStringLiteral("short datagram %1").arg(d.size()));
    if (readU16(d, 0) != type)
        return fail(error, QStringLiteral("type %1").arg(readU16(d, 0), 4, 16, QLatin1Char('0')));
    if (readU16(d, 2) >= channelsPerBoard)
        return fail(error, QStringLiteral("channel %1").arg(readU16(d, 2)));
    return true;
}

QByteArray macDatagram(u16 type, int size, const u8 mac[6])
{
    QByteArray d(size, '\0');
    putU16(d, 0, type);
    std::memcpy(d.data() + 2, mac, 6);
    return d;
}

} // namespace

int packetType(const QByteArray &datagram)
{
    return datagram.size() < 2 ? -1 : readU16(datagram, 0);
}

QByteArray infoRequest() { return typeOnly(InfoRequest); }
QByteArray statusRequest() { return typeOnly(StatusRequest); }
QByteArray lockQuery() { return typeOnly(LockQuery); }
QByteArray unlockRequest() { return typeOnly(Unlock); }

QByteArray setLock(u8 token, const QByteArray &identityText)
{
    QByteArray d(setLockSize, '\0');
    putU16(d, 0, SetLock);
    d[2] = char(token);
    const int n = qMin(identityText.size(), identityTextSize);
    std::memcpy(d.data() + 3, identityText.constData(), size_t(n));
    return d;
}

QByteArray localIdentityText()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty()) {
        if (const passwd *pw = getpwuid(getuid()))
            user = QString::fromLocal8Bit(pw->pw_name);
    }
    QString computer = qEnvironmentVariable("COMPUTERNAME");
    if (computer.isEmpty())
        computer = QSysInfo::machineHostName();
    return (user + QLatin1Char('@') + computer).toLocal8Bit().left(identityTextSize);
}

bool parseSetLock(const QByteArray &datagram, u8 identity[LockInfo::identitySize])
{
    if (datagram.size() != setLockSize || packetType(datagram) != SetLock)
        return false;
    std::memcpy(identity, datagram.constData() + 2, LockInfo::identitySize);
    return true;
}

QByteArray infoReply(const BoardInfo &info, bool withMac)
{
    QByteArray d(withMac ? infoReplySize : infoReplyMinSize, '\0');
    putU16(d, 0, InfoReply);
    putU32(d, 2, info.boardType);
    putU32(d, 6, info.version);
    putU32(d, 12, info.pcmSize);
    putU32(d, 16, info.rdsSize);
    if (withMac)
        std::memcpy(d.data() + 20, info.mac, 6);
    return d;
}

bool parseInfoReply(const QByteArray &datagram, BoardInfo *info)
{
    if (datagram.size() < infoReplyMinSize || readU16(datagram, 0) != InfoReply)
        return false;
    BoardInfo i;
    i.boardType = readU32(datagram, 2);
    if (!BoardInfo::isAcceptedType(i.boardType))
        return false;
    i.version = readU32(datagram, 6);
    i.pcmSize = readU32(datagram, 12);
    i.rdsSize = readU32(datagram, 16);
    if (datagram.size() >= infoReplySize)
        std::memcpy(i.mac, datagram.constData() + 20, 6);
    if (info)
        *info = i;
    return true;
}

QByteArray ack(u32 commandId)
{
    QByteArray d(ackSize, '\0');
    putU16(d, 0, Ack);
    qToLittleEndian(commandId, d.data() + 2);
    return d;
}

bool parseAck(const QByteArray &datagram, u32 *commandId)
{
    if (datagram.size() < ackSize || readU16(datagram, 0) != Ack)
        return false;
    if (commandId)
        *commandId = qFromLittleEndian<u32>(datagram.constData() + 2);
    return true;
}

QByteArray channelStatus(const QVector<StatusEntry> &entries, int countField)
{
    QByteArray d(statusHeaderSize + statusEntrySize * entries.size(), '\0');
    putU16(d, 0, ChannelStatus);
    putU16(d, 2, u16(countField >= 0 ? countField : entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const int o = statusHeaderSize + statusEntrySize * i;
        putU16(d, o, entries[i].pcmFill);
        putU16(d, o + 2, entries[i].rdsFill);
        putU16(d, o + 4, entries[i].flags);
        putU32(d, o + 6, entries[i].rawLevel);
    }
    return d;
}

bool parseChannelStatus(const QByteArray &datagram, QVector<StatusEntry> *entries)
{
    if (datagram.size() < statusHeaderSize || readU16(datagram, 0) != ChannelStatus)
        return false;
    const int n = readU16(datagram, 2);
    if (n > maxStatusChannels || statusEntrySize * n > datagram.size() - statusHeaderSize)
        return false;
    QVector<StatusEntry> out;
    out.reserve(qMin(n, channelsPerBoard));
    for (int i = 0; i < qMin(n, channelsPerBoard); ++i) {
        const int o = statusHeaderSize + statusEntrySize * i;
        out.append({readU16(datagram, o), readU16(datagram, o + 2), readU16(datagram, o + 4),
                    readU32(datagram, o + 6)});
    }
    if (entries)
        *entries = out;
    return true;
}

QByteArray lockStatus(const LockInfo &lock, bool withClients)
{
    QByteArray d(withClients ? lockStatusSize : lockStatusMinSize, '\0');
    putU16(d, 0, LockStatus);
    putU32(d, 2, lock.ip);
    putU16(d, 6, lock.port);
    std::memcpy(d.data() + 8, lock.identity, LockInfo::identitySize);
    if (withClients) {
        for (int k = 0; k < LockInfo::clientCount; ++k) {
            const int o = lockStatusMinSize + 8 * k;
            putU32(d, o, lock.clients[k].ip);
            putU16(d, o + 4, lock.clients[k].port);
            putU16(d, o + 6, lock.clients[k].lastSeen);
        }
    }
    return d;
}

LockReply parseLockStatus(const QByteArray &datagram, LockInfo *lock)
{
    if (datagram.size() < lockStatusMinSize || readU16(datagram, 0) != LockStatus)
        return LockReply::Invalid;
    const bool withClients = datagram.size() >= lockStatusSize;
    if (!lock)
        return withClients ? LockReply::WithClients : LockReply::WithoutClients;
    lock->ip = readU32(datagram, 2);
    lock->port = readU16(datagram, 6);
    std::memcpy(lock->identity, datagram.constData() + 8, LockInfo::identitySize);
    if (!withClients)
        return LockReply::WithoutClients;
    for (int k = 0; k < LockInfo::clientCount; ++k) {
        const int o = lockStatusMinSize + 8 * k;
        lock->clients[k] = {readU32(datagram, o), readU16(datagram, o + 4), readU16(datagram, o + 6)};
    }
    return LockReply::WithClients;
}

void writeDataHeader(char *buffer, u16 type, u16 channelIndex, u16 field, u16 count)
{
    qToBigEndian(type, buffer);
    qToBigEndian(channelIndex, buffer + 2);
    qToBigEndian(field, buffer + 4);
    qToBigEndian(count, buffer + 6);
}

QByteArray pcmData(u8 channelIndex, bool stereo, const qint16 *samples, int frames)
{
    // At most 1024 data bytes: 256 stereo frames or 512 mono samples.
    frames = qBound(0, frames, stereo ? pcmFramesPerDatagram : 2 * pcmFramesPerDatagram);
    const int values = stereo ? 2 * frames : frames;
    QByteArray d(dataHeaderSize + 2 * values, '\0');
    writeDataHeader(d.data(), PcmData, channelIndex, stereo ? formatStereo : formatMono, u16(frames));
    for (int i = 0; i < values; ++i)
        qToLittleEndian(samples[i], d.data() + dataHeaderSize + 2 * i);
    return d;
}

QByteArray silence(u8 channelIndex)
{
    QByteArray d(silenceSize, '\0');
    writeDataHeader(d.data(), PcmData, channelIndex, formatStereo, silenceFrames);
    return d;
}

bool parsePcm(const QByteArray &datagram, PcmHeader *header, QString *error)
{
    if (!checkDataHeader(datagram, PcmData, error))
        return false;
    const u16 format = readU16(datagram, 4);
    if (format != formatMono && format != formatStereo)
        return fail(error, QStringLiteral("format %1").arg(format));
    const int count = readU16(datagram, 6);
    const bool stereo = format == formatStereo;
    const int dataBytes = count * (stereo ? 4 : 2);
    if (count == 0 || dataBytes > pcmDatagramSize - dataHeaderSize)
        return fail(error, QStringLiteral("count %1").arg(count));
    const int expected = dataHeaderSize + dataBytes;
    if (datagram.size() != expected)
        return fail(error, QStringLiteral("length %1 != %2").arg(datagram.size()).arg(expected));
    if (header)
        *header = {u8(readU16(datagram, 2)), stereo, count};
    return true;
}

QVector<qint16> pcmSamples(const QByteArray &datagram)
{
    QVector<qint16> out;
    if (datagram.size() <= dataHeaderSize)
        return out;
    const int values = (datagram.size() - dataHeaderSize) / 2;
    out.resize(values);
    qFromLittleEndian<qint16>(datagram.constData() + dataHeaderSize, values, out.data());
    return out;
}

bool useFourStreams(u32 firmware, u8 streamBits)
{
    return firmware >= 29 && (streamBits & 0x0E) != 0;
}

QByteArray rdsData(u8 channelIndex, const u8 *const streams[rdsStreams], int length, bool fourStreams)
{
    length = qBound(0, length, rdsStreamBytes);
    const int padded = length + (length & 1);
    const int streamCount = fourStreams ? rdsStreams : 1;
    QByteArray d(dataHeaderSize + streamCount * padded, '\0');
    writeDataHeader(d.data(), RdsData, channelIndex, fourStreams ? rdsMaskAllStreams : rdsMaskStream0,
                    u16(streamCount * padded / 2));
    char *out = d.data() + dataHeaderSize;
    for (int j = 0; j < padded; j += 2) {
        for (int s = 0; s < streamCount; ++s) {
            *out++ = char(streams[s][j]);
            *out++ = j + 1 < length ? char(streams[s][j + 1]) : '\0';
        }
    }
    return d;
}

bool parseRds(const QByteArray &datagram, RdsPayload *payload, QString *error)
{
    if (!checkDataHeader(datagram, RdsData, error))
        return false;
    const u16 mask = readU16(datagram, 4);
    if (mask != rdsMaskStream0 && mask != rdsMaskAllStreams)
        return fail(error, QStringLiteral("stream mask %1").arg(mask, 4, 16, QLatin1Char('0')));
    const int words = readU16(datagram, 6);
    if (datagram.size() != dataHeaderSize + 2 * words)
        return fail(error, QStringLiteral("length %1 != %2").arg(datagram.size()).arg(dataHeaderSize + 2 * words));
    const int streamCount = mask == rdsMaskAllStreams ? rdsStreams : 1;
    const int dataBytes = 2 * words;
    if (dataBytes % (2 * streamCount) != 0)
        return fail(error, QStringLiteral("words %1 not shared by %2 streams").arg(words).arg(streamCount));
    const int perStream = dataBytes / streamCount;
    if (perStream == 0 || perStream % (2 * rdsGroupSize) != 0)
        return fail(error, QStringLiteral("odd group count: %1 bytes per stream").arg(perStream));
    if (perStream > rdsStreamBytes)
        return fail(error, QStringLiteral("too long: %1 bytes per stream").arg(perStream));
    RdsPayload p;
    p.channel = u8(readU16(datagram, 2));
    p.mask = mask;
    p.words = words;
    p.streams = QVector<QByteArray>(streamCount, QByteArray(perStream, '\0'));
    const char *in = datagram.constData() + dataHeaderSize;
    for (int j = 0; j < perStream; j += 2) {
        for (int s = 0; s < streamCount; ++s) {
            p.streams[s][j] = *in++;
            p.streams[s][j + 1] = *in++;
        }
    }
    if (payload)
        *payload = p;
    return true;
}

QByteArray discoverRequest(u32 broadcastIp)
{
    QByteArray d(discoverRequestSize, '\0');
    putU16(d, 0, DiscoverRequest);
    putU32(d, 2, broadcastIp);
    return d;
}

bool parseDiscoverRequest(const QByteArray &datagram, u32 *broadcastIp)
{
    if (datagram.size() != discoverRequestSize || readU16(datagram, 0) != DiscoverRequest)
        return false;
    if (broadcastIp)
        *broadcastIp = readU32(datagram, 2);
    return true;
}

QByteArray discoverReply(const BoardIP &board)
{
    QByteArray d = macDatagram(DiscoverReply, discoverReplySize, board.mac);
    putU32(d, 8, board.ip);
    putU16(d, 12, board.port);
    return d;
}

DiscoverResult parseDiscoverReply(const QByteArray &datagram, BoardIP *board)
{
    if (packetType(datagram) != DiscoverReply)
        return DiscoverResult::Other;
    if (datagram.size() != discoverReplySize)
        return DiscoverResult::BadSize;
    if (board) {
        std::memcpy(board->mac, datagram.constData() + 2, 6);
        board->ip = readU32(datagram, 8);
        board->port = readU16(datagram, 12);
    }
    return DiscoverResult::Valid;
}

QByteArray netConfig(const u8 mac[6], u32 ip, u16 port)
{
    QByteArray d = macDatagram(NetConfig, netConfigSize, mac);
    putU32(d, 8, ip);
    putU16(d, 12, port);
    return d;
}

bool parseNetConfig(const QByteArray &datagram, BoardIP *config)
{
    if (datagram.size() != netConfigSize || readU16(datagram, 0) != NetConfig)
        return false;
    if (config) {
        std::memcpy(config->mac, datagram.constData() + 2, 6);
        config->ip = readU32(datagram, 8);
        config->port = readU16(datagram, 12);
    }
    return true;
}

QByteArray netConfigAck(const u8 mac[6])
{
    return macDatagram(NetConfigAck, 8, mac);
}

QString hexText(const QByteArray &bytes, int maxBytes)
{
    return QString::fromLatin1(bytes.left(qMax(0, maxBytes)).toHex(' ')).toUpper();
}

} // namespace BoardProtocol
