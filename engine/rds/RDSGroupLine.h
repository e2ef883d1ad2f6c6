#pragma once

#include "RDSCoding.h"

#include <QByteArray>

// Parser of one text line of an RDS group, as clients send them to a
// channel's RDS data input and as group (RDS log) files hold them. Accepted
// forms, searched token by token so that leading time stamps are skipped:
//   - one token of 26 hex digits: the 13 coded bytes, taken unchanged;
//   - a status word and four blocks ("ABCD 1234 5678 9abc def0"): checkwords
//     computed, the checkword of every block whose status nibble is not its
//     own letter inverted, no error injection;
//   - four blocks ("1234 5678 9abc def0");
//   - eight bytes ("12 34 56 78 9a bc de f0");
//   - one token of 16 or more hex digits ("123456789abcdef0").
// The last three get checkwords and error injection (finishRdsGroup).
// A line whose first token starts with '#' is a comment. Hex tokens with
// other characters read as 0. Lines longer than rdsMaxLineBytes hold no group.
//
// Pure apart from the generator; runs in the caller's thread.

constexpr int rdsMaxLineBytes = 4096;

// Returns 13 when a group was written to out, 0 when the line holds none.
int parseRdsGroupLine(u8 out[13], const QByteArray &line, const RDSErrorSettings &settings,
                      std::minstd_rand &gen);

// The value of a token of hex digits (any case), 0 when it holds any other
// character or is empty.
quint32 rdsHexToken(const QByteArray &token);
