#include "BoardCommand.h"

#include "BoardInfo.h"

#include <QtEndian>

#include <atomic>

namespace BoardCommand {

namespace {

std::atomic<u32> counter{0};

QByteArray u16Bytes(u16 v)
{
    QByteArray b(2, '\0');
    qToBigEndian(v, b.data());
    return b;
}

bool validChannel(int channel)
{
    return channel >= 1 && channel <= maxChannel;
}

// Header and the channel index item every channel command starts with.
QByteArray channelStart(const ChannelSetup &c)
{
    QByteArray cmd = header(u8(c.channel));
    appendU8Item(cmd, ItemChannelIndex, u8((c.channel - 1) % channelsPerBoard));
    return cmd;
}

void appendChannelFlags(QByteArray &cmd, const ChannelSetup &c)
{
    QByteArray d(4, '\0');
    d[0] = char(c.used ? 1 : 0);
    d[1] = char(c.mono ? 0 : 1);
    d[2] = char(c.rdsStreams & 0x0F);
    d[3] = char(BoardWords::emphasisCode(c.emphasis));
    appendItem(cmd, ItemChannelFlags, d);
}

void appendFrequency(QByteArray &cmd, const ChannelSetup &c, u32 boardType,
                     const BoardWords::SynthPlan &plan)
{
    const BoardWords::FrequencyWord f = BoardWords::frequencyWord(boardType, c.frequency, plan);
    QByteArray d(5, '\0');
    qToBigEndian(f.word, d.data());
    d[4] = char(f.synth);
    appendItem(cmd, ItemFrequency, d);
}

void appendGain(QByteArray &cmd, const ChannelSetup &c)
{
    appendU16Item(cmd, ItemGain, BoardWords::gainWord(c.gain));
}

void appendVolume(QByteArray &cmd, const ChannelSetup &c)
{
    appendU16Item(cmd, ItemVolume, BoardWords::volumeWord(c.volume, c.muted));
}

void appendRate(QByteArray &cmd, const ChannelSetup &c)
{
    QByteArray d(5, '\0');
    d[0] = char(BoardWords::rateCode(c.sampleRate));
    appendItem(cmd, ItemSampleRate, d);
}

} // namespace

int itemLength(u8 id)
{
    switch (id) {
    case ItemCarrier:
    case ItemSynthSelect:
    case ItemAttenuationSynth:
    case ItemAttenuationZQX4:
    case ItemChannelIndex:
        return 1;
    case ItemSynthWords:
        return 14;
    case ItemChannelFlags:
        return 4;
    case ItemGain:
    case ItemVolume:
    case ItemDeviation:
        return 2;
    case ItemFrequency:
    case ItemSampleRate:
        return 5;
    default:
        return -1;
    }
}

QByteArray header(u8 target)
{
    QByteArray cmd(headerSize, '\0');
    qToBigEndian(packetType, cmd.data());
    cmd[5] = char(target);
    return cmd;
}

void appendItem(QByteArray &command, u8 id, const QByteArray &data)
{
    command.append(char(id));
    command.append(char(u8(data.size())));
    command.append(data);
}

void appendU8Item(QByteArray &command, u8 id, u8 value)
{
    appendItem(command, id, QByteArray(1, char(value)));
}

void appendU16Item(QByteArray &command, u8 id, u16 value)
{
    appendItem(command, id, u16Bytes(value));
}

QByteArray bandConfigZQX4(bool on, int attnDb)
{
    QByteArray cmd = header(boardTarget);
    appendU8Item(cmd, ItemCarrier, on ? 1 : 0);
    appendU8Item(cmd, ItemAttenuationZQX4, BoardWords::attenuationByte(BoardInfo::typeZQX4, attnDb, on));
    return cmd;
}

QByteArray bandConfigSynth(u32 boardType, bool on, int attnDb, u8 select,
                           const BoardWords::SynthWords &words)
{
    QByteArray cmd = header(boardTarget);
    appendU8Item(cmd, ItemCarrier, on ? 1 : 0);
    appendU8Item(cmd, ItemAttenuationSynth, BoardWords::attenuationByte(boardType, attnDb, on));
    appendU8Item(cmd, ItemSynthSelect, select);
    QByteArray w;
    for (u16 word : words)
        w.append(u16Bytes(word));
    appendItem(cmd, ItemSynthWords, w);
    return cmd;
}

QList<QByteArray> bandConfiguration(u32 boardType, int band, bool on, int attnDb, u32 refOscMHz)
{
    if (boardType == BoardInfo::typeZQX4)
        return {bandConfigZQX4(on, attnDb)};
    const BoardWords::SynthPlan plan = BoardWords::synthPlan(band);
    return {bandConfigSynth(boardType, on, attnDb, 0, BoardWords::synthWords(boardType, plan.lower, refOscMHz)),
            bandConfigSynth(boardType, on, attnDb, 1, BoardWords::synthWords(boardType, plan.upper, refOscMHz))};
}

QByteArray fullChannelConfig(const ChannelSetup &c, u32 boardType, const BoardWords::SynthPlan &plan)
{
    if (!validChannel(c.channel))
        return {};
    QByteArray cmd = channelStart(c);
    appendChannelFlags(cmd, c);
    appendFrequency(cmd, c, boardType, plan);
    appendGain(cmd, c);
    appendU16Item(cmd, ItemDeviation, BoardWords::deviationWord(boardType, c.deviation));
    appendVolume(cmd, c);
    appendRate(cmd, c);
    return cmd;
}

QByteArray frequencyCommand(const ChannelSetup &c, u32 boardType, const BoardWords::SynthPlan &plan)
{
    if (!validChannel(c.channel))
        return {};
    QByteArray cmd = channelStart(c);
    appendFrequency(cmd, c, boardType, plan);
    appendGain(cmd, c);
    return cmd;
}

QByteArray gainCommand(const ChannelSetup &c)
{
    if (!validChannel(c.channel))
        return {};
    QByteArray cmd = channelStart(c);
    appendGain(cmd, c);
    return cmd;
}

QByteArray volumeCommand(const ChannelSetup &c)
{
    if (!validChannel(c.channel))
        return {};
    QByteArray cmd = channelStart(c);
    appendVolume(cmd, c);
    return cmd;
}

QByteArray rateCommand(const ChannelSetup &c)
{
    if (!validChannel(c.channel))
        return {};
    QByteArray cmd = channelStart(c);
    appendRate(cmd, c);
    return cmd;
}

u32 nextCounter()
{
    return (counter.fetch_add(1, std::memory_order_relaxed) + 1) & 0xFFFFFFu;
}

u32 stamp(QByteArray &command, u32 value)
{
    if (command.size() < headerSize)
        return 0;
    command[2] = char(value & 0xFF);
    command[3] = char((value >> 8) & 0xFF);
    command[4] = char((value >> 16) & 0xFF);
    return commandId(command);
}

u32 commandId(const QByteArray &datagram)
{
    if (datagram.size() < headerSize)
        return 0;
    return qFromLittleEndian<u32>(datagram.constData() + 2);
}

bool isCommand(const QByteArray &datagram)
{
    return datagram.size() >= headerSize && qFromBigEndian<u16>(datagram.constData()) == packetType;
}

bool parse(const QByteArray &datagram, Parsed *out, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (datagram.size() < headerSize)
        return fail(QStringLiteral("short"));
    if (!isCommand(datagram))
        return fail(QStringLiteral("not a command"));
    Parsed p;
    p.id = commandId(datagram);
    p.counter = p.id & 0xFFFFFFu;
    p.target = u8(datagram[5]);
    int pos = headerSize;
    while (pos < datagram.size()) {
        if (datagram.size() - pos < 2)
            return fail(QStringLiteral("truncated item at %1").arg(pos));
        const int len = u8(datagram[pos + 1]);
        if (datagram.size() - pos - 2 < len)
            return fail(QStringLiteral("truncated item at %1").arg(pos));
        p.items.append({u8(datagram[pos]), datagram.mid(pos + 2, len)});
        pos += 2 + len;
    }
    if (out)
        *out = p;
    return true;
}

} // namespace BoardCommand
