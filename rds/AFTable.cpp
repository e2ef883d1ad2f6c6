#include "AFTable.h"

#include "RDSAFEntry.h"
#include "RDSTexts.h"

#include <QSignalBlocker>

AFTable::AFTable(QWidget *parent) : QTableWidget(parent) {}

void AFTable::setRow(int row, qint32 freq, u16 marker, u8 regional)
{
    if (row < 0)
        return;
    const QSignalBlocker blocker(this);
    if (columnCount() < 2)
        setColumnCount(2);
    if (rowCount() <= row)
        setRowCount(row + 1);
    const bool start = marker == RDSAFEntry::listStart;
    auto *mark = new QTableWidgetItem(start      ? QStringLiteral("Start")
                                      : regional ? QStringLiteral("regional")
                                                 : QString());
    mark->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (regional && !start)
        mark->setBackground(groupHighlightColour());
    setItem(row, 0, mark);
    auto *value = new QTableWidgetItem(afFrequencyText(freq, true));
    value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setItem(row, 1, value);
}
