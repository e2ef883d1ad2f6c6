#pragma once

#include <QString>

// A search window's title with the row count: the part before the first
// " (" (the whole title when there is none), then " (count)".
QString tmcSearchTitle(const QString &title, const QString &count);
