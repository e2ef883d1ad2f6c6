#pragma once

#include "Types.h"

#include <array>

// The value words of the board commands: frequency, gain, deviation, volume,
// sample rate, attenuation and synthesizer words, for each board family.
// Pure functions, safe from every thread.
//
// Values from a hand-edited project can lie outside the ranges of their keys.
// They are clamped to those ranges before encoding, so that an out-of-range
// value never wraps around into a word that means something else
// (a gain of +3 dB would otherwise become almost silence).
namespace BoardWords {

// Ranges of the project keys the words encode.
constexpr double minFrequency = 76.0;  // channel.freq, MHz
constexpr double maxFrequency = 108.0;
constexpr double minGain = -60.0;      // channel.gain, dB
constexpr double maxGain = 0.0;
constexpr double minDeviation = 0.0;   // channel.devi, kHz
constexpr double maxDeviation = 130.0;
constexpr int minVolume = 0;           // channel.volm, %
constexpr int maxVolume = 100;
constexpr int minEmphasis = 0;         // channel.emph: 0 none, 1 50 us, 2 75 us
constexpr int maxEmphasis = 2;
constexpr int minAttenuation = -31;    // board.attn, dB
constexpr int maxAttenuation = 0;

constexpr u32 defaultReferenceOscillator = 52; // MHz

// Synthesizer centres of the ZQTX family for one FM band: channels below the
// threshold use the lower centre (index 0), the others the upper (index 1).
// The band configuration tunes the two synthesizers to these centres.
struct SynthPlan
{
    double lower;
    double upper;
    double threshold;
};
// Band 1 Japan, band 2 wide, anything else Europe.
SynthPlan synthPlan(int band);

struct FrequencyWord
{
    u32 word = 0; // 24-bit two's complement offset from the centre, top byte 0
    u8 synth = 0; // synthesizer index
};

// Frequency word and synthesizer of a channel at `mhz`. ZQX4 boards have four
// fixed centres (80, 88, 96, 104 MHz, 18.75 MHz per 2^24); the other boards
// the two centres of the plan (33.75 MHz per 2^24). An offset beyond the
// 24-bit range is held at its end instead of wrapping.
FrequencyWord frequencyWord(u32 boardType, double mhz, const SynthPlan &plan);

// 10^(gain/20) * 65535, rounded; 0 dB gives 65535.
u16 gainWord(double gainDb);
// deviation * 2^24 / 33750 (ZQX4: / 75000), rounded; 75 kHz gives 37283 (16777).
u16 deviationWord(u32 boardType, double kHz);
// 0 when muted, else volume * 655.35 rounded; 100 gives 65535.
u16 volumeWord(int volume, bool muted);
// 0: 32000 Hz, 2: 48000 Hz, 1: anything else (44100 Hz).
u8 rateCode(int sampleRate);
// Inverse of rateCode; unknown codes read as 44100.
int sampleRateOfCode(u8 code);
// Pre-emphasis held to 0..2.
u8 emphasisCode(int emphasis);
// Attenuation byte of the band configuration: ZQX4 (-attn*4) & 0x7F, other
// boards (-attn) & 0x1F; the largest value when the carrier is off.
u8 attenuationByte(u32 boardType, int attnDb, bool on);

using SynthWords = std::array<u16, 7>;
// The seven synthesizer words that tune a synthesizer of a ZQTX board ("ZQTX"
// or "zQTX", the latter with the reference oscillator `refOscMHz`, 0 meaning
// the default 52 MHz) to `mhz`. All zero for other board types.
SynthWords synthWords(u32 boardType, double mhz, u32 refOscMHz);

// Output level in dB of a raw level word of the channel status.
double levelDb(u32 raw);

// Signed value of a 24-bit two's complement frequency word.
int signedFrequencyOffset(u32 word);

} // namespace BoardWords
