#pragma once

#include <QString>

class FMSettings;
class QWidget;

namespace testsupport {

// Compares what a TMC page shows with the project: the message table holds
// the stored messages of the selected source, exactly the table's current
// row is green, and the message editor and the label table show the stored
// message of that row. Returns the first difference in words, empty when
// the page agrees with the project.
QString tmcPageMismatch(const QWidget &page, const FMSettings &project);

} // namespace testsupport

class QAbstractItemView;
class QModelIndex;
template <typename T> class QList;

namespace testsupport {

// Drops cells holding codes, one above the other, onto target as a drag
// from another view would: drag-enter, drag-move and drop events at the
// middle of the cell. The first code lands on target, the next one below.
void dropCodes(QAbstractItemView &view, const QModelIndex &target, const QList<int> &codes);

} // namespace testsupport
