#pragma once

#include <QString>

namespace testsupport {

// Writes small TMC catalogue files (ECL401.csv, forecast.csv, suppinfo.csv,
// two LCL files of which LCL2.csv counts) into dir, with the odd lines the
// readers must survive; extraLocations more locations 20000, 20001, ...
// with the line "code;gen". Returns false when a file cannot be written.
//
// Events (code: class, nature, quantifier, duration type, directionality, urgency):
//   101: 1, -, 0, D, 1, -    102: 1, S, -, -, 2, X    103: 1, S, -, -, -, -
//   104: 2, F, 5, l, 2, U    106: 3, F, 7, L (forecast file wins)
//   107: 4, S, -, L          108: 5, -, 12, D (last line, no line end)
// Supplementary information 55 "heavy"/"schwer", 56 "only4"/"nur4".
// Locations 12 (all fields), 13 "Köln Süd", 64835, 65533, 99 (no line end).
bool writeTmcTestLists(const QString &dir, int extraLocations = 0);

} // namespace testsupport
