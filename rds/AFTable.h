#pragma once

#include "Types.h"

#include <QTableWidget>

// The manual AF table of the AF tab (`AFmtab`): column 0 "Regional" shows
// "Start" for a row that begins a new list (marker 6666) and "regional" for a
// regional frequency; column 1 "Frequenz" holds the frequency as "87.6 MHz"
// (FM, 100 kHz units) or "153.0 kHz" (LF/MF, 0.1 kHz units), the only cell the
// user edits. GUI thread.
class AFTable : public QTableWidget
{
    Q_OBJECT

public:
    explicit AFTable(QWidget *parent = nullptr);

    // Sets row i (the table grows when needed) without emitting itemChanged.
    void setRow(int row, qint32 freq, u16 marker, u8 regional);
};
