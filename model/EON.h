#pragma once

#include "RDSAFEntry.h"
#include "Types.h"

#include <QList>
#include <QString>

// One other-network entry of an RDS source (IEC 62106 EON, group 14).
// Stored as "rds.N/eon/M" (the six-field text), "rds.N/eon/M/ps" and
// "rds.N/eon/M/af".
struct EON
{
    u8 channel = 0; // channel 1..96 whose programme the entry describes; 0 = none
    u8 pty = 10;
    u8 tp = 1;
    u8 ta = 0;
    u16 pi = 0;
    u16 link = 0;   // linkage information
    QString ps;
    QList<RDSAFEntry> af;

    // "channel pi pty tp ta link": pi and link in lower-case hexadecimal.
    QString toText() const;
    // Applies the six-field text to the defaults. The text is split at single
    // blanks keeping empty parts, so a double blank shifts the fields; a
    // missing part leaves its default.
    static EON fromText(const QString &text);

    // The largest value of part i of the text form as group 14A carries it:
    // a channel of the generator (0 for none), PI, PTY (5 bits), TP and TA
    // (one bit each) and the linkage word.
    static u32 partMax(int i);
    // Whether part i is written in hexadecimal (PI and link).
    static bool isHexPart(int i);
    // The first of the six parts, split as fromText splits them, that is no
    // number of its base up to its partMax (an empty part included); -1
    // when all six are.
    static int badPart(const QString &text);

    bool operator==(const EON &o) const
    {
        return channel == o.channel && pty == o.pty && tp == o.tp && ta == o.ta && pi == o.pi &&
               link == o.link && ps == o.ps && af == o.af;
    }
    bool operator!=(const EON &o) const { return !(*this == o); }
};
