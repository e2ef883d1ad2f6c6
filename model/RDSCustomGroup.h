#pragma once

#include "Types.h"

#include <QString>

// One user-defined raw group of an RDS source (an ODA row), stored as
// "rds.N/oda/M" = "A B C D cwA cwB cwC cwD r0 r1 r2 r3 active".
struct RDSCustomGroup
{
    // A checkword of this value or more is computed by the encoder from its
    // offset word (IEC 62106 checkword and offset); a lower value is sent as
    // the given 10-bit checkword.
    static constexpr u16 computedCheck = 0x0400;

    u16 block[4] = {0, 0, 0, 0};                                          // information words A..D
    u16 check[4] = {computedCheck, computedCheck, computedCheck, computedCheck}; // checkwords A..D
    u8 active = 0;
    qint32 rate[4] = {0, 0, 0, 0}; // groups per minute on streams 0..3; 0 = not sent there

    // Blocks and checkwords in lower-case hexadecimal, then the rates and
    // active in decimal. The defaults give "0 0 0 0 400 400 400 400 0 0 0 0 0".
    QString toText() const;
    // Split at single blanks keeping empty parts; a field changes only when
    // its part exists. Words are hexadecimal cut to 16 bits, rates decimal.
    void fromText(const QString &text);
    static RDSCustomGroup parse(const QString &text)
    {
        RDSCustomGroup g;
        g.fromText(text);
        return g;
    }

    bool operator==(const RDSCustomGroup &o) const;
    bool operator!=(const RDSCustomGroup &o) const { return !(*this == o); }
};
