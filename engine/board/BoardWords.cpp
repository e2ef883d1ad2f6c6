#include "BoardWords.h"

#include "BoardInfo.h"

#include <cmath>

namespace BoardWords {

namespace {

constexpr double twoPow24 = 16777216.0;
constexpr double maxOffset = 8388607.0;  // 2^23 - 1
constexpr double minOffset = -8388608.0; // -2^23

// Holds x to [lo, hi]; a value that is no number at all takes lo.
double clampFinite(double x, double lo, double hi)
{
    if (!std::isfinite(x))
        return std::isinf(x) && x > 0 ? hi : lo;
    return x < lo ? lo : (x > hi ? hi : x);
}

int clampInt(int x, int lo, int hi)
{
    return x < lo ? lo : (x > hi ? hi : x);
}

// floor(x + 0.5)
double nearest(double x)
{
    return std::floor(x + 0.5);
}

u32 offsetWord(double offset)
{
    const long w = long(clampFinite(nearest(offset), minOffset, maxOffset));
    return u32(w) & 0xFFFFFFu;
}

// "ZQTX" as written: integer MHz of the VCO, divided by 26.
SynthWords synthWordsUpper(double mhz)
{
    SynthWords w{};
    const u32 n = u32(clampFinite(mhz + 1219.5, 0.0, 65535.0));
    w[0] = n < 1556 ? 0xB03F : (n < 1972 ? 0x703F : 0x303F);
    const u32 q = n / 26;
    const u32 r = n % 26;
    const u32 f = (r << 24) / 26;
    w[1] = u16(f >> 8);
    w[2] = u16(((f & 0xFF) << 8) | 0x7E);
    w[3] = u16((q * 128 + 2) & 0xFFFF);
    return w;
}

// One half of the "zQTX" words: integer and fractional divider for s halvings.
void dividerWords(u32 n, u32 k, u32 s, u32 ref, u16 *out)
{
    const u32 q = (n / ref) >> s;
    const u32 rem = n - (q << s) * ref;
    const u32 f = (rem << (24 - s)) / ref; // 32-bit unsigned, as the board computes it
    out[0] = u16((((q * 8 + k) * 4 + s) * 4) & 0xFFFF);
    out[1] = u16((f >> 8) & 0xFFFF);
    out[2] = u16((f << 8) & 0xFFFF);
}

// "zQTX": the VCO is doubled up above 2700 MHz, then divided from the
// reference oscillator with two halving counts.
SynthWords synthWordsLower(double mhz, u32 ref)
{
    SynthWords w{};
    if (ref == 0)
        ref = defaultReferenceOscillator;
    double d = clampFinite(mhz + 1218.0, 1.0, 4.0e9);
    u32 k = 0;
    while (d < 2700.0) { // at most 12 doublings from d >= 1
        d *= 2.0;
        ++k;
    }
    const u32 n = u32(d);
    w[0] = n <= 4100 ? 0xBEFA : 0xBEFB;
    u32 s1 = 0;
    while (s1 < 24 && double(n) > 2050.0 * double(1u << s1))
        ++s1;
    const u32 s2 = n > 2050 ? 1 : 0;
    dividerWords(n, k, s1, ref, &w[1]);
    dividerWords(n, k, s2, ref, &w[4]);
    return w;
}

} // namespace

SynthPlan synthPlan(int band)
{
    switch (band) {
    case 1:
        return {80.0, 90.0, 85.0};
    case 2:
        return {85.0, 101.0, 92.0};
    default:
        return {93.0, 103.0, 98.0};
    }
}

FrequencyWord frequencyWord(u32 boardType, double mhz, const SynthPlan &plan)
{
    const double f = clampFinite(mhz, minFrequency, maxFrequency);
    FrequencyWord r;
    if (boardType == BoardInfo::typeZQX4) {
        double centre = 104.0;
        r.synth = 3;
        if (f < 84.0) {
            centre = 80.0;
            r.synth = 0;
        } else if (f < 92.0) {
            centre = 88.0;
            r.synth = 1;
        } else if (f < 100.0) {
            centre = 96.0;
            r.synth = 2;
        }
        r.word = offsetWord((f - centre) / 18.75 * twoPow24);
        return r;
    }
    const bool upper = f >= plan.threshold;
    const double centre = upper ? plan.upper : plan.lower;
    r.synth = upper ? 1 : 0;
    r.word = offsetWord((f - centre) * twoPow24 / 33.75);
    return r;
}

u16 gainWord(double gainDb)
{
    const double g = clampFinite(gainDb, minGain, maxGain);
    return u16(std::trunc(std::pow(10.0, g / 20.0) * 65535.0 + 0.5));
}

u16 deviationWord(u32 boardType, double kHz)
{
    const double d = clampFinite(kHz, minDeviation, maxDeviation);
    const double full = boardType == BoardInfo::typeZQX4 ? 75000.0 : 33750.0;
    return u16(u32(nearest(d * twoPow24 / full)) & 0xFFFF);
}

u16 volumeWord(int volume, bool muted)
{
    if (muted)
        return 0;
    const int v = clampInt(volume, minVolume, maxVolume);
    return u16(u32(std::trunc(v * 655.35 + 0.5)) & 0xFFFF);
}

u8 rateCode(int sampleRate)
{
    if (sampleRate == 32000)
        return 0;
    if (sampleRate == 48000)
        return 2;
    return 1;
}

int sampleRateOfCode(u8 code)
{
    return code == 0 ? 32000 : (code == 2 ? 48000 : 44100);
}

u8 emphasisCode(int emphasis)
{
    return u8(clampInt(emphasis, minEmphasis, maxEmphasis));
}

u8 attenuationByte(u32 boardType, int attnDb, bool on)
{
    const int a = clampInt(attnDb, minAttenuation, maxAttenuation);
    if (boardType == BoardInfo::typeZQX4)
        return on ? u8((-a * 4) & 0x7F) : 0x7F;
    return on ? u8((-a) & 0x1F) : 0x1F;
}

SynthWords synthWords(u32 boardType, double mhz, u32 refOscMHz)
{
    if (boardType == BoardInfo::typeZQTX)
        return synthWordsUpper(mhz);
    if (boardType == BoardInfo::typeZQTXLower)
        return synthWordsLower(mhz, refOscMHz);
    return SynthWords{};
}

double levelDb(u32 raw)
{
    return 10.0 * std::log10(double(raw) / 29967428.267);
}

int signedFrequencyOffset(u32 word)
{
    const int w = int(word & 0xFFFFFFu);
    return (w & 0x800000) ? w - 0x1000000 : w;
}

} // namespace BoardWords
