#pragma once

#include "Types.h"

#include <QList>
#include <QString>

// One RDS-TMC traffic message (ISO 14819-1), stored as "tmc.N/M" =
// "duration flags event location send label...".
struct TMCMessage
{
    u8 duration = 0;   // duration code
    u8 flags = 0;      // bits 0..2 extent, bit 3 direction, bit 4 diversion
    u16 event = 0;     // event code (11 bits)
    u16 location = 0;  // location code
    u8 send = 0;       // 0 not sent, 1 send, 2 send the cancelling event
    QList<u32> labels; // optional content: value in bits 15..0, label in bits 19..16

    // Duration, flags, event, location and send: the fields of the text
    // form before the label words.
    static constexpr int fieldCount = 5;

    // The five fields in decimal, then each label word, single blanks.
    QString toText() const;
    // Split at blanks dropping empty parts; parts 0..4 are the fields
    // (unsigned decimal, 0 when not a number or missing, cut to the field's
    // width), every further part a label word.
    static TMCMessage fromText(const QString &text);

    // The largest value of part i of the text form: duration (3 bits),
    // flags (5), event (11) and location (16) as group 8A carries them, the
    // send state (0..2), and from part 5 on a label word (label number in
    // bits 19..16, value in bits 15..0).
    static u32 partMax(int i);
    // The first part of a text form that is no whole decimal number up to
    // its partMax; -1 when every part is one.
    static int badPart(const QString &text);

    bool operator==(const TMCMessage &o) const
    {
        return duration == o.duration && flags == o.flags && event == o.event && location == o.location &&
               send == o.send && labels == o.labels;
    }
    bool operator!=(const TMCMessage &o) const { return !(*this == o); }
};
