#pragma once

#include "Types.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

// What a receiver makes of the groups of one programme (IEC 62106): PI, PTY,
// TP, TA, music/speech, the decoder-information bits, PS, PTYN, long PS,
// RadioText, enhanced RadioText and RadioText+ items (found through their
// 3A announcements) and the last complete AF list of group 0A. The RDS page feeds it the
// monitored groups of the shown channel and shows its state in the decoded
// panel. Only groups with valid checkwords in the blocks concerned are
// taken; groups with block A 0 (the RDS2 streams) are not a programme's
// groups and are left out. GUI thread; a plain object.
class RDSReceiver
{
public:
    static constexpr u16 aidERT = 0x6552;    // enhanced RadioText
    static constexpr u16 aidRTPlus = 0x4BD7; // RadioText+

    struct RTPlusItem {
        int type = 0;
        int start = 0;
        int length = 0; // characters
    };

    RDSReceiver() { reset(); }
    // Forgets everything received.
    void reset();
    // Takes one group: the four information words and the error flags
    // (bit k: block k failed its checkword). False when the group was left out.
    bool take(const u16 block[4], u8 errors);

    int pi = -1;  // -1 until received
    int pty = -1;
    bool tp = false, ta = false, music = false;
    bool seenTA = false;
    int di = 0;     // d0..d3 as bits 0..3
    int diSeen = 0; // which DI bits were received
    QByteArray ps, ptyn, rt, lps, ert; // 8, 8, 64, 32, 128 bytes
    int rtFlag = -1, ptynFlag = -1;    // A/B flags, -1 not yet seen
    int rtPlusToggle = -1;
    int ertGroup = -1, rtPlusGroup = -1; // group codes (type x 2 + version) from 3A
    bool rtPlusOnERT = false;            // RT+ items refer to eRT (3A message bit 13)
    QList<RTPlusItem> rtPlus;            // the last items, newest first replaces same type
    int ertBits = -1;                    // eRT message bits of the 3A announcement, -1 not yet seen

    // The last complete AF list of group 0A, as a receiver keeps it: the
    // codes from one count code (224 + n) until n frequencies arrived, a
    // code that followed the LF/MF marker 250 with 0x100. A list whose code
    // pairs all hold its first frequency is a method-B list: that frequency
    // is the tuning frequency and a pair in descending order marks a
    // regional variant.
    struct AFList {
        // n of the count code; -1 no complete list yet.
        int count = -1;
        bool methodB = false;
        int tuning = 0;       // method B: the tuning frequency's code
        QList<int> codes;     // method A: all codes; method B: the alternatives
        QList<bool> regional; // per code (method B only)
    };
    AFList afList;
    // The last complete method-B list of each tuning frequency (code): a
    // receiver uses the one of the frequency it is tuned to.
    QMap<int, AFList> methodBLists;

    // True when the group carries another programme's PI than the one
    // received so far: what was received belongs to the old programme.
    bool isNewProgramme(const u16 block[4], u8 errors) const;

private:
    void basic(const u16 block[4], u8 errors, int type, bool versionB);
    void radioText(const u16 block[4], u8 errors, bool versionB);
    void takeAf(u8 code);
    void finishAfList();
    bool lfMfNext = false;
    bool afCollecting = false; // between a count code and its last frequency, nothing lost
    int afExpected = 0;
    QList<int> afPending;
    void announce(const u16 block[4], u8 errors);
    void enhancedText(const u16 block[4], u8 errors);
    void rtPlusItems(const u16 block[4], u8 errors);
    static void put(QByteArray &buffer, int pos, u16 word);
};
