#include "BoardInfo.h"
#include "BoardWords.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <tuple>

using namespace BoardWords;

namespace
{
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
    // Both families: the synthesizer boards around the centres of a band plan
    // (the threshold belongs to the upper synthesizer; below a centre the
    // offset is two's complement in 24 bits, top byte zero), ZQX4 with its
    // four synthesizers and no plan.
    void frequencyWords()
    {
        const struct {
            u32 type;
            int band;
            double mhz;
            u32 word;
            int synth;
        } cases[] = {
            {ZQTX, 0, 95.8, 0x153D10, 0},  {ZQTX, 0, 98.0, 0xDA12F7, 1}, {ZQTX, 0, 92.9, 0xFF3DD2, 0},
            {zQTX, 0, 108.0, 0x25ED09, 1}, {ZQTX, 1, 85.0, 0xDA12F7, 1}, // 85 - 90 = 93 - 98
            {ZQX4, 0, 84.0, 0xC962FD, 1},  {ZQX4, 0, 83.9, 0x353F7D, 0}, {ZQX4, 0, 95.8, 0xFD44F3, 2},
            {ZQX4, 0, 107.9, 0x353F7D, 3}, {ZQX4, 0, 76.0, 0xC962FD, 0},
        };
        for (const auto &c : cases) {
            const FrequencyWord w = frequencyWord(c.type, c.mhz, synthPlan(c.band));
            const QByteArray where = QByteArray::number(c.mhz) + " MHz on " + QByteArray::number(c.type, 16);
            QVERIFY2(w.word == c.word, where.constData());
            QVERIFY2(int(w.synth) == c.synth, where.constData());
        }
        QCOMPARE(signedFrequencyOffset(0xFF3DD2), -49710);
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

    // In range, and out of range clamped to the key ranges: a gain above 0 dB
    // would overflow 16 bits, a volume of 200 read as a signed byte would be
    // negative; both are held at full power.
    void gainDeviationVolumeAndRate()
    {
        const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
        const std::pair<double, u16> gains[] = {{0, 65535}, {-6, 32845},  {-60, 66}, {3, 65535},
                                                {-100, 66}, {inf, 65535}, {nan, 66}};
        for (const auto &[db, word] : gains)
            QVERIFY2(gainWord(db) == word, qPrintable(QString::number(db)));
        const std::tuple<u32, double, u16> deviations[] = {
            {ZQTX, 75, 37283},  {zQTX, 75, 37283},  {ZQX4, 75, 16777}, {ZQTX, 0, 0},
            {ZQTX, 130, 64623}, {ZQTX, 500, 64623}, {ZQTX, -10, 0}};
        for (const auto &[type, khz, word] : deviations)
            QVERIFY2(deviationWord(type, khz) == word, qPrintable(QString::number(khz)));
        QCOMPARE(deviationWord(ZQX4, 500), deviationWord(ZQX4, 130));
        const std::tuple<int, bool, u16> volumes[] = {
            {100, false, 65535}, {50, false, 32768}, {100, true, 0}, {200, false, 65535}, {-5, false, 0}};
        for (const auto &[percent, muted, word] : volumes)
            QVERIFY2(volumeWord(percent, muted) == word, qPrintable(QString::number(percent)));
    }

    // -31..0 dB; out of range held there, the carrier off sends the largest attenuation.
    void attenuationBytes()
    {
        const std::tuple<u32, int, bool, int> cases[] = {
            {ZQX4, -10, true, 0x28}, {ZQX4, -31, true, 0x7C}, {ZQX4, 0, false, 0x7F},
            {ZQTX, -10, true, 0x0A}, {zQTX, -31, true, 0x1F}, {ZQTX, 0, false, 0x1F},
            {ZQX4, 5, true, 0x00},   {ZQX4, -40, true, 0x7C}, {ZQTX, -40, true, 0x1F}};
        for (const auto &[type, db, on, byte] : cases)
            QVERIFY2(int(attenuationByte(type, db, on)) == byte, qPrintable(QString::number(db)));
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

};

QTEST_GUILESS_MAIN(TestBoardWords)
#include "tst_boardwords.moc"
