#include "BoardInfo.h"
#include "BoardWords.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace BoardWords;

namespace {
constexpr u32 ZQX4 = BoardInfo::typeZQX4;
constexpr u32 ZQTX = BoardInfo::typeZQTX;
constexpr u32 zQTX = BoardInfo::typeZQTXLower;

QString words(const SynthWords &w)
{
    QStringList s;
    for (u16 x : w)
        s << QString::asprintf("%04X", x);
    return s.join(' ');
}
} // namespace

class TestBoardWords : public QObject
{
    Q_OBJECT

private slots:
    void frequencyWordsOfTheSynthesizerBoards()
    {
        const SynthPlan europe = synthPlan(0);
        FrequencyWord w = frequencyWord(ZQTX, 95.8, europe);
        QCOMPARE(w.word, 0x153D10u);
        QCOMPARE(int(w.synth), 0);
        // The threshold belongs to the upper synthesizer.
        w = frequencyWord(ZQTX, 98.0, europe);
        QCOMPARE(w.word, 0xDA12F7u);
        QCOMPARE(int(w.synth), 1);
        // Below the centre: two's complement in 24 bits, top byte zero.
        w = frequencyWord(ZQTX, 92.9, europe);
        QCOMPARE(w.word, 0xFF3DD2u);
        QCOMPARE(int(w.synth), 0);
        QCOMPARE(signedFrequencyOffset(w.word), -49710);
        w = frequencyWord(zQTX, 108.0, europe);
        QCOMPARE(w.word, 0x25ED09u);
        QCOMPARE(int(w.synth), 1);
        // The plans of the other bands.
        const SynthPlan japan = synthPlan(1);
        QCOMPARE(japan.lower, 80.0);
        QCOMPARE(japan.upper, 90.0);
        QCOMPARE(japan.threshold, 85.0);
        QCOMPARE(int(frequencyWord(ZQTX, 85.0, japan).synth), 1);
        QCOMPARE(frequencyWord(ZQTX, 85.0, japan).word, 0xDA12F7u); // 85 - 90 = 93 - 98
        const SynthPlan wide = synthPlan(2);
        QCOMPARE(wide.lower, 85.0);
        QCOMPARE(wide.upper, 101.0);
        QCOMPARE(wide.threshold, 92.0);
        QCOMPARE(synthPlan(7).threshold, 98.0);
    }

    void frequencyWordsOfZQX4()
    {
        const SynthPlan plan = synthPlan(0); // ignored by ZQX4
        FrequencyWord w = frequencyWord(ZQX4, 84.0, plan);
        QCOMPARE(w.word, 0xC962FDu);
        QCOMPARE(int(w.synth), 1);
        w = frequencyWord(ZQX4, 83.9, plan);
        QCOMPARE(w.word, 0x353F7Du);
        QCOMPARE(int(w.synth), 0);
        w = frequencyWord(ZQX4, 95.8, plan);
        QCOMPARE(w.word, 0xFD44F3u);
        QCOMPARE(int(w.synth), 2);
        w = frequencyWord(ZQX4, 107.9, plan);
        QCOMPARE(w.word, 0x353F7Du);
        QCOMPARE(int(w.synth), 3);
        w = frequencyWord(ZQX4, 76.0, plan);
        QCOMPARE(w.word, 0xC962FDu);
        QCOMPARE(int(w.synth), 0);
    }

    void outOfRangeFrequenciesAreHeldNotWrapped()
    {
        const SynthPlan europe = synthPlan(0);
        QCOMPARE(frequencyWord(ZQTX, 200.0, europe).word, frequencyWord(ZQTX, 108.0, europe).word);
        QCOMPARE(frequencyWord(ZQTX, -5.0, europe).word, frequencyWord(ZQTX, 76.0, europe).word);
        QCOMPARE(frequencyWord(ZQTX, std::nan(""), europe).word, frequencyWord(ZQTX, 76.0, europe).word);
        // 108 MHz on the Japan plan lies 18 MHz above the upper centre, more
        // than 24 bits hold: the word stops at the largest positive offset.
        QCOMPARE(frequencyWord(ZQTX, 108.0, synthPlan(1)).word, 0x7FFFFFu);
        QCOMPARE(frequencyWord(ZQTX, 76.0, synthPlan(0)).word, 0x800000u);
    }

    void gainDeviationVolumeAndRate()
    {
        QCOMPARE(gainWord(0), u16(65535));
        QCOMPARE(gainWord(-6), u16(32845));
        QCOMPARE(gainWord(-60), u16(66));
        QCOMPARE(deviationWord(ZQTX, 75), u16(37283));
        QCOMPARE(deviationWord(zQTX, 75), u16(37283));
        QCOMPARE(deviationWord(ZQX4, 75), u16(16777));
        QCOMPARE(deviationWord(ZQTX, 0), u16(0));
        QCOMPARE(deviationWord(ZQTX, 130), u16(64623));
        QCOMPARE(volumeWord(100, false), u16(65535));
        QCOMPARE(volumeWord(50, false), u16(32768));
        QCOMPARE(volumeWord(100, true), u16(0));
        QCOMPARE(int(rateCode(32000)), 0);
        QCOMPARE(int(rateCode(44100)), 1);
        QCOMPARE(int(rateCode(48000)), 2);
        QCOMPARE(int(rateCode(22050)), 1);
        QCOMPARE(sampleRateOfCode(0), 32000);
        QCOMPARE(sampleRateOfCode(2), 48000);
        QCOMPARE(sampleRateOfCode(9), 44100);
    }

    void outOfRangeValuesAreClampedToTheKeyRanges()
    {
        // A gain above 0 dB would overflow 16 bits; it is held at full power.
        QCOMPARE(gainWord(3), u16(65535));
        QCOMPARE(gainWord(-100), u16(66));
        QCOMPARE(gainWord(std::numeric_limits<double>::infinity()), u16(65535));
        QCOMPARE(gainWord(std::nan("")), u16(66));
        QCOMPARE(deviationWord(ZQTX, 500), u16(64623));
        QCOMPARE(deviationWord(ZQX4, 500), deviationWord(ZQX4, 130));
        QCOMPARE(deviationWord(ZQTX, -10), u16(0));
        // 200 read as a signed byte would be negative; it is 100 %.
        QCOMPARE(volumeWord(200, false), u16(65535));
        QCOMPARE(volumeWord(-5, false), u16(0));
        QCOMPARE(int(emphasisCode(7)), 2);
        QCOMPARE(int(emphasisCode(-1)), 0);
    }

    void attenuationBytes()
    {
        QCOMPARE(int(attenuationByte(ZQX4, -10, true)), 0x28);
        QCOMPARE(int(attenuationByte(ZQX4, -31, true)), 0x7C);
        QCOMPARE(int(attenuationByte(ZQX4, 0, false)), 0x7F);
        QCOMPARE(int(attenuationByte(ZQTX, -10, true)), 0x0A);
        QCOMPARE(int(attenuationByte(zQTX, -31, true)), 0x1F);
        QCOMPARE(int(attenuationByte(ZQTX, 0, false)), 0x1F);
        // Held to -31..0 dB.
        QCOMPARE(int(attenuationByte(ZQX4, 5, true)), 0x00);
        QCOMPARE(int(attenuationByte(ZQX4, -40, true)), 0x7C);
        QCOMPARE(int(attenuationByte(ZQTX, -40, true)), 0x1F);
    }

    void synthesizerWordsOfZQTX()
    {
        QCOMPARE(words(synthWords(ZQTX, 93, 52)), QStringLiteral("B03F 7627 627E 1902 0000 0000 0000"));
        QCOMPARE(words(synthWords(ZQTX, 103, 52)), QStringLiteral("B03F D89D 897E 1902 0000 0000 0000"));
        QCOMPARE(words(synthWords(ZQTX, 80, 52)), QStringLiteral("B03F F627 627E 1882 0000 0000 0000"));
        QCOMPARE(words(synthWords(ZQTX, 101, 52)), QStringLiteral("B03F C4EC 4E7E 1902 0000 0000 0000"));
    }

    void synthesizerWordsOfLowerCaseZQTX()
    {
        QCOMPARE(words(synthWords(zQTX, 93, 52)), QStringLiteral("BEFB 0CA8 3627 6200 1924 6C4E C400"));
        QCOMPARE(words(synthWords(zQTX, 103, 52)), QStringLiteral("BEFB 0CA8 6762 7600 1924 CEC4 EC00"));
        QCOMPARE(words(synthWords(zQTX, 80, 52)), QStringLiteral("BEFB 0C28 F627 6200 18A4 EC4E C400"));
        QCOMPARE(words(synthWords(zQTX, 85, 52)), QStringLiteral("BEFB 0CA8 0EC4 EC00 1924 1D89 D800"));
        // No reference oscillator configured: the default 52 MHz, no division by zero.
        QCOMPARE(synthWords(zQTX, 93, 0), synthWords(zQTX, 93, 52));
        QVERIFY(synthWords(zQTX, 93, 50) != synthWords(zQTX, 93, 52));
        // Nonsense frequencies end, and ZQX4 has no synthesizer words.
        QCOMPARE(synthWords(zQTX, -5000, 52)[0], u16(0xBEFA));
        QCOMPARE(synthWords(zQTX, std::nan(""), 52)[0], u16(0xBEFA));
        QCOMPARE(synthWords(ZQX4, 93, 52), SynthWords{});
    }

    void levelOfRawWord()
    {
        QVERIFY(std::fabs(levelDb(29967428)) < 1e-6);
        QVERIFY(std::fabs(levelDb(2996743) + 10.0) < 1e-5);
    }
};

QTEST_GUILESS_MAIN(TestBoardWords)
#include "tst_boardwords.moc"
