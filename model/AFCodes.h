#pragma once

#include "RDSAFEntry.h"
#include "Types.h"

#include <QList>

// Alternative-frequency codes (IEC 62106, AF code tables and methods A and
// B). Pure functions, called from the board threads (encoders) and the GUI
// thread (RDS editor).

// Two filler codes: no valid frequency.
constexpr u16 afNoFrequency = 0xCDCD;
// The LF/MF marker code 250 in the high byte of a word.
constexpr u16 afLfMfMarker = 0xFA00;
// The filler code 205.
constexpr u8 afFiller = 0xCD;

// The AF code of one frequency (FM in 100 kHz, LF/MF in 0.1 kHz): an FM code
// 1..204 (high byte 0), 0xFA00 | code for LF (1..15) and MF (16..135), or
// afNoFrequency outside the bands.
u16 freqToAF(int value);

// True when value is a frequency that an AF code names exactly: FM 87.6 to
// 107.9 MHz, LF 153 to 279 kHz and MF 531 to 1602 kHz in their 9 kHz steps.
bool isAfFrequency(int value);

// True when code (as freqToAF gives it) is an LF/MF word.
inline bool afIsLfMf(u16 code) { return (code & 0xFF00) == afLfMfMarker; }

// The AF words of an EON entry (group 14A variant 4): one method-A list that
// starts with the count code 224 + N, then the codes in pairs, an LF/MF code
// as its own 0xFAxx word, the filler 205 where a pair is short. Codes outside
// the bands and repeated codes are dropped; at most 25 frequencies. Empty for
// an empty list.
QList<u16> eonAFWords(const QList<RDSAFEntry> &af);
