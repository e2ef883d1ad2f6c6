#pragma once

#include "Types.h"

#include <QByteArray>

// The plain text form of coded groups that common RDS decoders read: one line
// per group, "AAAA BBBB CCCC DDDD" in upper-case hex, a block whose checkword
// (with its offset word, C or C' by the version flag of block B) is wrong
// written as "----"; groups of the RDS2 streams 1 to 3 are prefixed
// "#S1 ", "#S2 ", "#S3 ". No state; any thread.

// The line of one group (without line end) of stream 0..3.
QByteArray rdsGroupHexLine(const u8 group[13], int stream);

// Removes a leading stream prefix "#S1 " .. "#S3 " from line and returns the
// stream (0 without a prefix).
int takeRdsStreamPrefix(QByteArray &line);
