#pragma once

#include "Types.h"

#include <QList>
#include <QString>

// One alternative frequency of an AF list (IEC 62106 AF methods A and B).
struct RDSAFEntry
{
    // `mark` of an entry that begins a new AF list (its tuning frequency).
    static constexpr u16 listStart = 6666;

    qint32 freq = 0; // FM 876..1079 in 100 kHz; LF 1530..2790, MF 5310..16020 in 0.1 kHz
    u16 mark = 0;    // listStart, or in the automatic list the contributing channel; else 0
    u8 regional = 0; // 1 when freq also stands in the source's regional list

    bool operator==(const RDSAFEntry &o) const
    {
        return freq == o.freq && mark == o.mark && regional == o.regional;
    }
    bool operator!=(const RDSAFEntry &o) const { return !(*this == o); }
};

// The stored text of an AF list: each freq in decimal, negated when the entry
// begins a new list, joined by one blank; empty for an empty list.
QString afListText(const QList<RDSAFEntry> &list);

// Reads an AF list text: blank-separated decimal numbers, empty parts and
// parts that are not numbers skipped; a negative number begins a new list.
// regional is 1 for a frequency that stands in afr.
QList<RDSAFEntry> parseAfList(const QString &text, const QList<qint32> &afr = QList<qint32>());

// The regional list: decimal numbers joined by one blank, and back (parts
// that are not numbers skipped).
QString afrText(const QList<qint32> &afr);
QList<qint32> parseAfr(const QString &text);

// True when both lists hold the same frequencies in the same order.
bool sameAfFrequencies(const QList<RDSAFEntry> &a, const QList<RDSAFEntry> &b);
