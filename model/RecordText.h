#pragma once

#include "Types.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// Reading and writing the plain value texts of the project file: decimal
// and hexadecimal numbers, booleans and blank-separated lists. Pure
// functions, safe from every thread.
namespace RecordText {

// The text of a stored value. A value that the settings layer read as a
// list (an unquoted comma in a hand-edited file) is joined again.
QString text(const QVariant &v);

// True when the text is a whole number written with the digits 0-9 only:
// not empty, no sign, no blanks.
bool isWholeNumber(const QString &t);

// Decimal integer; 0 when the text is not a number.
qint64 dec(const QString &t);
// Unsigned decimal integer; 0 when the text is not one (a sign included).
quint64 udec(const QString &t);
// A number as a validated store accepts it for a number key: a decimal
// integer, or a decimal number with a fraction ("10.0", "1e1") rounded half
// up; 0 when the text is no number or out of the 64-bit range.
qint64 number(const QString &t);
// Unsigned hexadecimal integer, without "0x"; 0 when the text is not one.
quint64 hex(const QString &t);
// A stored boolean: false for an empty text, "0" and "false" (any case).
bool boolean(const QVariant &v);

// Lower-case hexadecimal without leading zeros (0x0abc gives "abc").
inline QString hexText(quint64 v) { return QString::number(v, 16); }
inline QString boolText(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }

// Split at every single blank, keeping empty parts ("a  b" gives a, "", b).
QStringList splitKeep(const QString &t);
// Split at blanks, dropping empty parts.
QStringList splitDrop(const QString &t);

// Keys of a numbered list as (index, key), in rising index order; equal
// indices keep the order in which they were listed. Keys that are not
// decimal numbers are dropped.
QList<QPair<int, QString>> numberedKeys(const QStringList &keys);

} // namespace RecordText
