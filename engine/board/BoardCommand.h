#pragma once

#include "BoardWords.h"
#include "Types.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

// Acknowledged commands (packet type 0x0010): builders for the board and
// channel commands, the process-wide command counter, and the parser a board
// (or the simulated board) uses to take a command apart.
//
// Layout: type 0x0010 (big-endian), bytes 2-4 the 24-bit command counter
// least significant byte first, byte 5 the target (0xFF the board, else the
// channel number 1..96), then items of {u8 id, u8 length, data}. The builders
// leave the counter 0; the sender stamps it. The command id is the u32 of
// bytes 2-5 read little-endian: counter in the low 24 bits, target in the top
// 8, and the acknowledgement repeats these four bytes.
//
// Pure functions, safe from every thread; nextCounter is atomic.
namespace BoardCommand {

constexpr u16 packetType = 0x0010;
constexpr int headerSize = 6;
constexpr u8 boardTarget = 0xFF;
constexpr int channelsPerBoard = 24;
constexpr int maxChannel = 96;

// Item ids.
enum Item : u8 {
    ItemCarrier = 0x00,          // board, 1 byte: carrier on (1) or off (0)
    ItemSynthSelect = 0x80,      // board, 1 byte: synthesizer 0 or 1
    ItemSynthWords = 0x84,       // board, 14 bytes: seven u16 words
    ItemAttenuationSynth = 0x85, // board, 1 byte: attenuation of ZQTX boards
    ItemAttenuationZQX4 = 0x87,  // board, 1 byte: attenuation of ZQX4 boards
    ItemChannelIndex = 0x20,     // channel, 1 byte: index on the board, always first
    ItemChannelFlags = 0x21,     // channel, 4 bytes: used, stereo, RDS streams, pre-emphasis
    ItemGain = 0x22,             // channel, u16
    ItemFrequency = 0x23,        // channel, u32 frequency word, u8 synthesizer
    ItemVolume = 0x25,           // channel, u16
    ItemSampleRate = 0x26,       // channel, u8 rate code, u32 0
    ItemDeviation = 0x27,        // channel, u16
};

// Data length of an item id, -1 for ids no board knows.
int itemLength(u8 id);

// Sizes of the commands.
constexpr int bandConfigZQX4Size = 12;
constexpr int bandConfigSynthSize = 31;
constexpr int fullChannelConfigSize = 41;
constexpr int frequencyCommandSize = 20;
constexpr int gainCommandSize = 13;
constexpr int volumeCommandSize = 13;
constexpr int rateCommandSize = 16;

// The six header bytes: 00 10 00 00 00 target.
QByteArray header(u8 target);
void appendItem(QByteArray &command, u8 id, const QByteArray &data);
void appendU8Item(QByteArray &command, u8 id, u8 value);
void appendU16Item(QByteArray &command, u8 id, u16 value);

// Band configuration of a ZQX4 board: carrier and attenuation, 12 bytes.
QByteArray bandConfigZQX4(bool on, int attnDb);
// Band configuration of one synthesizer of a ZQTX board, 31 bytes.
QByteArray bandConfigSynth(u32 boardType, bool on, int attnDb, u8 select,
                           const BoardWords::SynthWords &words);
// The whole band configuration in sending order: one command for ZQX4,
// two (synthesizer 0 at the lower centre, 1 at the upper) for the others.
QList<QByteArray> bandConfiguration(u32 boardType, int band, bool on, int attnDb, u32 refOscMHz);

// A channel's settings in the units of the project.
struct ChannelSetup
{
    int channel = 1;       // 1..96
    bool used = false;
    bool mono = false;
    bool muted = false;
    u8 rdsStreams = 0;     // bits 0-3: RDS stream 0 and RDS2 streams 1-3
    int emphasis = 0;      // 0 none, 1 50 us, 2 75 us
    double frequency = 87.5; // MHz
    double gain = 0;       // dB
    double deviation = 75; // kHz
    int volume = 100;      // %
    int sampleRate = 44100;
};

// Channel commands. Each returns an empty array for a channel number outside
// 1..96. The frequency depends on the board type and, for ZQTX boards, on the
// synthesizer plan of the band.
QByteArray fullChannelConfig(const ChannelSetup &c, u32 boardType, const BoardWords::SynthPlan &plan);
QByteArray frequencyCommand(const ChannelSetup &c, u32 boardType, const BoardWords::SynthPlan &plan);
QByteArray gainCommand(const ChannelSetup &c);
QByteArray volumeCommand(const ChannelSetup &c);
QByteArray rateCommand(const ChannelSetup &c);

// The next value of the process-wide 24-bit command counter (1, 2, ...,
// 0xFFFFFF, 0, 1, ...), shared by all board links.
u32 nextCounter();
// Writes the counter into bytes 2-4 and returns the command id. The command
// must be at least 6 bytes long.
u32 stamp(QByteArray &command, u32 counter);
// Command id of a command or acknowledgement: bytes 2-5 read little-endian;
// 0 when shorter than 6 bytes.
u32 commandId(const QByteArray &datagram);
// At least 6 bytes and of type 0x0010.
bool isCommand(const QByteArray &datagram);

struct ParsedItem
{
    u8 id = 0;
    QByteArray data;
};

struct Parsed
{
    u32 id = 0;
    u32 counter = 0;
    u8 target = 0;
    QVector<ParsedItem> items;
};

// Takes a command apart: header, then items that must exactly fill the
// datagram. Fails with a short reason ("short", "not a command",
// "truncated item at N") without reading past the end. Item ids and lengths
// are not judged here; that is the board's business.
bool parse(const QByteArray &datagram, Parsed *out, QString *error);

} // namespace BoardCommand
