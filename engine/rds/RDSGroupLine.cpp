#include "RDSGroupLine.h"

#include <QList>

namespace {

constexpr int groupBytes = 13;
constexpr int rawChars = 2 * groupBytes;
constexpr int blockChars = 4;
constexpr int byteChars = 2;
constexpr int longTokenChars = 16;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

u16 blockOf(const QByteArray &token)
{
    return static_cast<u16>(rdsHexToken(token) & 0xFFFFU);
}

u16 byteOf(const QByteArray &token)
{
    return static_cast<u16>(rdsHexToken(token) & 0xFFU);
}

int rawGroup(u8 out[13], const QByteArray &token)
{
    u8 bytes[groupBytes] = {};
    for (int i = 0; i < groupBytes; ++i) {
        const int hi = hexDigit(token.at(2 * i));
        const int lo = hexDigit(token.at(2 * i + 1));
        if (hi < 0 || lo < 0) {
            // A token that is not valid hex reads as 0.
            for (u8 &b : bytes)
                b = 0;
            break;
        }
        bytes[i] = static_cast<u8>(hi << 4 | lo);
    }
    for (int i = 0; i < groupBytes; ++i)
        out[i] = bytes[i];
    return groupBytes;
}

// Status word: nibbles 15..12, 11..8, 7..4, 3..0 are A, B, C, D when the
// receiver saw the block as correct; any other value marks its checkword wrong.
int statusGroup(u8 out[13], const QList<QByteArray> &tokens, int i)
{
    const quint32 status = rdsHexToken(tokens.at(i));
    RDSBlocks blocks;
    for (int k = 0; k < 4; ++k)
        blocks.info[k] = blockOf(tokens.at(i + 1 + k));
    addCheckwords(blocks);
    for (int k = 0; k < 4; ++k) {
        const quint32 nibble = (status >> (12 - 4 * k)) & 0xFU;
        if (nibble != 0xAU + static_cast<quint32>(k))
            blocks.check[k] ^= 0x3FF;
    }
    packGroup(out, blocks);
    return groupBytes;
}

int codedGroup(u8 out[13], RDSBlocks &blocks, const RDSErrorSettings &settings,
               std::minstd_rand &gen)
{
    addCheckwords(blocks);
    finishRdsGroup(out, blocks, settings, gen);
    return groupBytes;
}

bool allOfLength(const QList<QByteArray> &tokens, int from, int count, int length)
{
    for (int j = from; j < from + count; ++j) {
        if (tokens.at(j).size() != length)
            return false;
    }
    return true;
}

} // namespace

quint32 rdsHexToken(const QByteArray &token)
{
    if (token.isEmpty())
        return 0;
    quint32 v = 0;
    for (char c : token) {
        const int d = hexDigit(c);
        if (d < 0)
            return 0;
        v = (v << 4) | static_cast<quint32>(d);
    }
    return v;
}

int parseRdsGroupLine(u8 out[13], const QByteArray &line, const RDSErrorSettings &settings,
                      std::minstd_rand &gen)
{
    if (line.size() > rdsMaxLineBytes)
        return 0;
    const QByteArray simple = line.simplified();
    if (simple.isEmpty())
        return 0;
    const QList<QByteArray> tokens = simple.split(' ');
    if (tokens.first().startsWith('#'))
        return 0;

    const int count = tokens.size();
    for (int i = 0; i < count; ++i) {
        const QByteArray &t = tokens.at(i);
        const int left = count - i;
        if (t.size() == rawChars)
            return rawGroup(out, t);
        if (t.size() == blockChars && left >= 5 && allOfLength(tokens, i + 1, 4, blockChars))
            return statusGroup(out, tokens, i);
        if (t.size() == blockChars && left >= 4) {
            RDSBlocks blocks;
            for (int k = 0; k < 4; ++k)
                blocks.info[k] = blockOf(tokens.at(i + k));
            return codedGroup(out, blocks, settings, gen);
        }
        if (t.size() == byteChars && left >= 8) {
            RDSBlocks blocks;
            for (int k = 0; k < 4; ++k)
                blocks.info[k] = static_cast<u16>(byteOf(tokens.at(i + 2 * k)) << 8
                                                  | byteOf(tokens.at(i + 2 * k + 1)));
            return codedGroup(out, blocks, settings, gen);
        }
        if (t.size() >= longTokenChars) {
            RDSBlocks blocks;
            for (int k = 0; k < 4; ++k)
                blocks.info[k] = blockOf(t.mid(4 * k, blockChars));
            return codedGroup(out, blocks, settings, gen);
        }
    }
    return 0;
}
