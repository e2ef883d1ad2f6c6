#pragma once

#include "Types.h"

#include <QByteArray>

// One entry of the TMC event catalogue (ISO 14819-2 event list). A plain
// value; texts are UTF-8.
struct TMCEvent
{
    u16 code = 0;
    u16 line = 0;            // row in the standard's event list
    u8 nature = 0;           // 'F' forecast, 'S' silent; 0 or ' ' information
    u8 quantifier = 255;     // quantifier type 0..12; 255 none
    u8 durationType = 0;     // 'D' dynamic, 'L' longer lasting; 'd'/'l' written in brackets; 0 none
    u8 directionality = 0;   // 1 one direction, 2 both, 0 not given
    u8 urgency = 0;          // 'U' urgent, 'X' extremely urgent; 0 or ' ' normal
    u8 eventClass = 0;       // column "C"
    QByteArray english;
    QByteArray german;
    QByteArray references;
};
