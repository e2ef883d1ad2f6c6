#pragma once

#include "BoardIP.h"
#include "BoardInfo.h"
#include "LockInfo.h"
#include "Types.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The datagrams a modulator board exchanges with the program, other than the
// acknowledged commands (BoardCommand): fixed requests, information reply,
// acknowledgement, channel status, lock status and SET LOCK, PCM and RDS
// data, and the discovery and network configuration datagrams of port 21519.
// Every datagram starts with its type as a big-endian u16; all fields are
// big-endian except the PCM samples (little-endian).
//
// Builders for both directions, so that the simulated board speaks the same
// codec. Parsers check the length before every read and never read past the
// end. Pure functions, safe from every thread.
namespace BoardProtocol {

enum PacketType : u16 {
    InfoRequest = 0x0000,
    InfoReply = 0x0001,
    BoardMessage = 0x0002, // logged and otherwise ignored
    Command = 0x0010,
    Ack = 0x0011,
    StatusRequest = 0x0020,
    ChannelStatus = 0x0021,
    PcmData = 0x0030,
    RdsData = 0x0031,
    DiscoverRequest = 0x0050,
    DiscoverReply = 0x0051,
    NetConfig = 0x0052,
    NetConfigAck = 0x0053,
    LockQuery = 0x0060,
    LockStatus = 0x0061,
    SetLock = 0x0062,
    Unlock = 0x0063,
};

constexpr u16 discoveryPort = 21519;
constexpr int channelsPerBoard = 24;

constexpr int infoReplyMinSize = 20;
constexpr int infoReplySize = 26; // with MAC
constexpr int ackSize = 6;
constexpr int statusHeaderSize = 4;
constexpr int statusEntrySize = 10;
constexpr int maxStatusChannels = 32;
constexpr int lockStatusMinSize = 24;
constexpr int lockStatusSize = 56; // with the recent clients
constexpr int setLockSize = 18;
constexpr int identityTextSize = 15;

constexpr int dataHeaderSize = 8;
constexpr int pcmFramesPerDatagram = 256;
constexpr int pcmDatagramSize = dataHeaderSize + 4 * pcmFramesPerDatagram; // 1032
constexpr int silenceFrames = 128;
constexpr int silenceSize = dataHeaderSize + 4 * silenceFrames;           // 520
constexpr u16 formatMono = 0;
constexpr u16 formatStereo = 2;

constexpr int rdsGroupSize = 13;
constexpr int rdsStreamBytes = 260; // 20 groups per stream
constexpr int rdsStreams = 4;
constexpr int rdsDatagramMaxSize = dataHeaderSize + rdsStreams * rdsStreamBytes; // 1048
constexpr u16 rdsMaskStream0 = 0x0001;
constexpr u16 rdsMaskAllStreams = 0x000F;

constexpr int discoverRequestSize = 6;
constexpr int discoverReplySize = 14;
constexpr int netConfigSize = 14;

// Packet type of a datagram, -1 when it has fewer than 2 bytes.
int packetType(const QByteArray &datagram);

// Two-byte requests.
QByteArray infoRequest();
QByteArray statusRequest();
QByteArray lockQuery();
QByteArray unlockRequest();

// SET LOCK: 0x00 0x62, token byte, identity text cut or zero-padded to 15
// bytes. Bytes 2-17 are the client's lock identity.
QByteArray setLock(u8 token, const QByteArray &identityText);
// "user@computer" from USER (USERNAME when USER is empty; else the login
// name) and COMPUTERNAME (else the host name), in the local 8-bit encoding,
// cut to the 15 bytes a SET LOCK holds.
QByteArray localIdentityText();
// The 16 identity bytes of a SET LOCK; false unless it is exactly 18 bytes of
// type 0x0062.
bool parseSetLock(const QByteArray &datagram, u8 identity[LockInfo::identitySize]);

// Information reply: 26 bytes with the MAC, 20 without.
QByteArray infoReply(const BoardInfo &info, bool withMac);
// Accepts at least 20 bytes of type 0x0001 with a known board type (ZQX4,
// ZQTX, zQTX). The MAC is zero when the reply is shorter than 26 bytes.
bool parseInfoReply(const QByteArray &datagram, BoardInfo *info);

// Acknowledgement of the command with this id (the id's four bytes as the
// command carried them, see BoardCommand::commandId).
QByteArray ack(u32 commandId);
// Id of an acknowledgement; false when shorter than 6 bytes or no 0x0011.
bool parseAck(const QByteArray &datagram, u32 *commandId);

// One channel entry of the channel status.
struct StatusEntry
{
    u16 pcmFill = 0;  // sample frames
    u16 rdsFill = 0;  // 16-bit words
    u16 flags = 0;
    u32 rawLevel = 0; // 10 * log10(raw / 29967428.267) dB

    bool operator==(const StatusEntry &o) const
    {
        return pcmFill == o.pcmFill && rdsFill == o.rdsFill && flags == o.flags && rawLevel == o.rawLevel;
    }
};

// Channel status with the given entries; the count field says entries.size()
// unless countField is 0 or more (the board may claim more than it carries).
QByteArray channelStatus(const QVector<StatusEntry> &entries, int countField = -1);
// Accepts type 0x0021 with a channel count n <= 32 and 10*n <= length - 4;
// yields the first min(n, 24) entries.
bool parseChannelStatus(const QByteArray &datagram, QVector<StatusEntry> *entries);

// Lock status of a board: 56 bytes with the four recent clients, 24 without.
// Uses ip, port, identity and clients of `lock`.
QByteArray lockStatus(const LockInfo &lock, bool withClients);
enum class LockReply {
    Invalid,        // not a lock status, or shorter than 24 bytes
    WithoutClients, // 24..55 bytes: locker and identity only
    WithClients,    // 56 bytes or more
};
// Fills ip, port and identity of `lock`, and its clients only for a reply
// with clients; the box number is left alone.
LockReply parseLockStatus(const QByteArray &datagram, LockInfo *lock);

// PCM data: header (channel index, format, frames or samples) and signed
// 16-bit little-endian samples. `samples` holds frames * 2 values in stereo,
// frames values in mono. At most 1024 data bytes (256 stereo frames, 512
// mono samples) go into one datagram.
QByteArray pcmData(u8 channelIndex, bool stereo, const qint16 *samples, int frames);
// Writes the 8-byte header in place (for a preallocated datagram buffer).
void writeDataHeader(char *buffer, u16 type, u16 channelIndex, u16 field, u16 count);
// 128 stereo frames of zeros, 520 bytes.
QByteArray silence(u8 channelIndex);

struct PcmHeader
{
    u8 channel = 0;
    bool stereo = true;
    int count = 0; // frames (stereo) or samples (mono)
};
// Board-side check of a PCM datagram: type 0x0030, channel 0..23, format 0
// or 2, 1 to 1024 data bytes, length exactly 8 + 4*frames (2*samples in mono).
bool parsePcm(const QByteArray &datagram, PcmHeader *header, QString *error);
// The samples of a checked PCM datagram, interleaved as sent.
QVector<qint16> pcmSamples(const QByteArray &datagram);

// Four-stream RDS is used from firmware 29 on when any RDS2 stream (bits 1-3)
// is wanted.
bool useFourStreams(u32 firmware, u8 streamBits);
// RDS data from `length` bytes (at most 260) of each stream buffer: stream 0
// alone with mask 0x0001, or the four streams interleaved word by word with
// mask 0x000F. An odd length is padded with one zero byte per stream so that
// the word count stays true; the buffers are never read beyond `length`.
QByteArray rdsData(u8 channelIndex, const u8 *const streams[rdsStreams], int length, bool fourStreams);

struct RdsPayload
{
    u8 channel = 0;
    u16 mask = 0;
    int words = 0;
    QVector<QByteArray> streams; // one (mask 0x0001) or four byte arrays
};
// Board-side check of an RDS datagram: type 0x0031, channel 0..23, mask
// 0x0001 or 0x000F, length exactly 8 + 2*words, each stream an even number of
// 13-byte groups and at most 260 bytes.
bool parseRds(const QByteArray &datagram, RdsPayload *payload, QString *error);

// Discovery request: type and the broadcast address it is sent to.
QByteArray discoverRequest(u32 broadcastIp);
bool parseDiscoverRequest(const QByteArray &datagram, u32 *broadcastIp);
// Discovery reply: MAC, IPv4 and port of the board's data link.
QByteArray discoverReply(const BoardIP &board);
enum class DiscoverResult {
    Other,   // not a discovery reply
    BadSize, // type 0x0051 with a length other than 14
    Valid,
};
DiscoverResult parseDiscoverReply(const QByteArray &datagram, BoardIP *board);
// Network configuration: MAC of the board, its new IPv4 and port.
QByteArray netConfig(const u8 mac[6], u32 ip, u16 port);
bool parseNetConfig(const QByteArray &datagram, BoardIP *config);
// The board's acknowledgement of a network configuration: type and its MAC.
QByteArray netConfigAck(const u8 mac[6]);

// "00 01 5A 51 ..." for log lines, at most `maxBytes` bytes.
QString hexText(const QByteArray &bytes, int maxBytes = 64);

} // namespace BoardProtocol
