#pragma once

#include "Types.h"

#include <random>

// Coding of one RDS group: checkwords with offset words, packing into the
// 13-byte RDSGroup layout and bit-error injection for receiver tests
// (IEC 62106 error protection: checkword generator and offset words).
//
// All functions are pure apart from the random generator passed in; they run
// in the board thread of a channel (encoder) and in the GUI thread (monitor
// decoder, rdsCheckword only). They hold no state of their own.

// The four information words of a group and their checkword fields, as the
// group builders fill them. A checkword field holds 10 significant bits with
// the offset word already added; rdsCheckPending marks a field not computed yet.
struct RDSBlocks
{
    enum Block { A = 0, B = 1, C = 2, D = 3 };
    u16 info[4] = {0, 0, 0, 0};
    u16 check[4] = {0x0400, 0x0400, 0x0400, 0x0400};
};

// Offset words (IEC 62106, table of offset words): C' replaces C when block B
// carries the version B flag (bit 11).
namespace rdsOffset {
constexpr u16 A = 0x0FC;
constexpr u16 B = 0x198;
constexpr u16 C = 0x168;
constexpr u16 Cprime = 0x350;
constexpr u16 D = 0x1B4;
}

constexpr u16 rdsCheckPending = 0x0400;
constexpr u16 rdsVersionBFlag = 0x0800;

// Error-injection settings of a source: err bit 7 switches injection on, bits
// 6..0 select the mode (0 flip, 1 clear, 2 set); ber is the share of the 104
// bits in percent; fix bit 0 recomputes the checkwords afterwards, bit 1 keeps
// the group type and version, bit 2 keeps block A (and C of version B groups),
// bit 7 affects an exact number of bits.
struct RDSErrorSettings
{
    u8 err = 0;
    u8 ber = 2;
    u8 fix = 0;
};

namespace rdsFix {
constexpr u8 recomputeChecks = 0x01;
constexpr u8 keepType = 0x02;
constexpr u8 keepPI = 0x04;
constexpr u8 exactCount = 0x80;
}

// The 10-bit checkword of one information word, without offset word: the
// remainder of the word times x^10 divided by the generator
// x^10+x^8+x^7+x^5+x^4+x^3+1 (IEC 62106).
u16 rdsCheckword(u16 block);

// The offset word of block k (0..3) of a group whose block B is blockB.
u16 rdsOffsetWord(int k, u16 blockB);

// Fills all four checkword fields from the information words.
void addCheckwords(RDSBlocks &blocks);

// Fills only the fields that hold rdsCheckPending or more; a lower value is a
// given checkword and is kept, cut to 10 bits.
void completeCheckwords(RDSBlocks &blocks);

// Writes the 104 bits of the group, most significant bit first, no gaps.
void packGroup(u8 out[13], const RDSBlocks &blocks);

// The inverse of packGroup.
RDSBlocks unpackGroup(const u8 in[13]);

// True when the checkword of block k carries the right checkword and offset
// word; block C is checked against C or C' by the version flag of block B.
bool rdsBlockValid(const RDSBlocks &blocks, int k);

// Block B of a group: type (4 bits), version flag, TP (1 bit), PTY (5 bits)
// and the group-specific bits 4..0. Each field is cut to its width so that an
// out-of-range value never spills into its neighbour.
u16 rdsBlockB(unsigned groupType, bool versionB, unsigned tp, unsigned pty, unsigned low5);

// A uniform draw 0..32767 from the generator.
int rdsRandom15(std::minstd_rand &gen);

// Injects bit errors into the block set as the settings say (nothing when
// err bit 7 is clear, ber is 0 or the mode is above 2). Returns whether
// injection ran (err bit 7 set and ber not 0).
bool injectBitErrors(RDSBlocks &blocks, u8 err, u8 ber, u8 fix, std::minstd_rand &gen);

// Error injection, the fix bits (in the order keep type, keep PI, recompute
// checkwords) and packing: the last step of every coded group.
void finishRdsGroup(u8 out[13], RDSBlocks &blocks, const RDSErrorSettings &settings,
                    std::minstd_rand &gen);
