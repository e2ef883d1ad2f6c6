#pragma once

#include "Types.h"

#include <QByteArray>
#include <QList>

// One entry of the TMC location table: the file's line, split into its
// fields only when the entry is first shown (see tmcParseLocation).
struct TMCLocation
{
    u16 code = 0;
    QByteArray line;          // the whole line, without its line end
    QByteArray other;         // fields 9.. joined with blanks, simplified; empty until parsed
    QList<QByteArray> fields; // fields 0..8; empty until parsed
};
