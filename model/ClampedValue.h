#pragma once

#include <QVariant>

// Numbers read from project-file values for record fields of a fixed size:
// a value outside the field's range is held to it, never wrapped. Pure
// functions, safe from every thread.
namespace ClampedValue {

// The value as an integer in lo..hi: a decimal integer, or a decimal
// number rounded half up ("44100.0"); fallback (also held to lo..hi) when
// the text is empty or no number.
qint64 toInt(const QVariant &value, qint64 fallback, qint64 lo, qint64 hi);
// The value as a finite decimal number; fallback when it is none.
double toDouble(const QVariant &value, double fallback);

} // namespace ClampedValue
