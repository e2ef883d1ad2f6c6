#pragma once

#include <QStringList>

// Names of the 16 optional-content labels (ISO 14819-1), index = label
// number, as the label table shows them.
const QStringList &tmcLabelNames();

// Texts of the eight control codes (label 1), index = code.
const QStringList &tmcControlCodeTexts();
