#pragma once

#include "Types.h"

#include <QString>
#include <QVariant>

// One entry of the 32-entry group-rate table of an RDS source: whether the
// group is sent and its rate on each of the four streams (RDS2, IEC 62106).
// Entry G is stored as "rds.N.gmin/G" = "on r0 r1 r2 r3".
struct RDSGroupRate
{
    static constexpr int count = 32;   // entries per source
    static constexpr int maxRate = 685; // rates lie in -maxRate..maxRate

    u8 on = 0;
    qint32 rate[4] = {0, 0, 0, 0}; // groups per minute; negative marks a filler group

    // "on r0 r1 r2 r3" in decimal.
    QString toText() const;
    // Split at single blanks keeping empty parts: part 0 sets on (a number
    // other than 0), parts 1..4 the rates (not a number reads 0, a fraction
    // is rounded). A field without a part keeps its value.
    void fromText(const QString &text);
    bool allRatesZero() const { return !rate[0] && !rate[1] && !rate[2] && !rate[3]; }

    bool operator==(const RDSGroupRate &o) const
    {
        return on == o.on && rate[0] == o.rate[0] && rate[1] == o.rate[1] && rate[2] == o.rate[2] &&
               rate[3] == o.rate[3];
    }
    bool operator!=(const RDSGroupRate &o) const { return !(*this == o); }

    // Older projects kept a group spacing in 0.1 s under the bare key G;
    // the rate in groups per minute is 600 / spacing, the fraction dropped.
    static qint32 spacingToRate(qint32 spacing);

    // Entry G as the loader builds it from the three key forms.
    struct Loaded;
    // bare: value of the bare key "G" (null when missing); slashText: value of
    // "gmin/G"; oldText: value of "gmin G" without the slash. converted: the
    // project's "board/gmin" mark; while false a bare value is a spacing.
    static Loaded load(int g, const QVariant &bare, const QString &slashText, const QString &oldText,
                       bool converted);
};

struct RDSGroupRate::Loaded
{
    RDSGroupRate entry;
    bool rewriteBare = false; // the bare key must be written back as bareRate
    qint32 bareRate = 0;      // the bare key's rate after conversion (0: none)
};
