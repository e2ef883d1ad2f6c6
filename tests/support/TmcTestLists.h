#pragma once

#include <QString>

namespace testsupport {

// Writes small TMC catalogue files (ECL401.csv, forecast.csv, suppinfo.csv,
// two LCL files of which LCL2.csv counts) into dir, with the odd lines the
// readers must survive; extraLocations more locations 20000, 20001, ...
// with the line "code;gen". Returns false when a file cannot be written.
// The events and locations are listed in TmcTestLists.cpp.
bool writeTmcTestLists(const QString &dir, int extraLocations = 0);

} // namespace testsupport
