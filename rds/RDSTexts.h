#pragma once

#include "Types.h"

#include <QByteArray>
#include <QChar>
#include <QColor>
#include <QString>
#include <QStringList>

// Texts and conversions shared by the RDS editor page and its models.
// GUI thread (the translated lists depend on the installed translator).

// The 32 programme-type names (IEC 62106 PTY table, European names), index =
// PTY code, each beginning with its code and a blank; context "TabRDS".
QStringList ptyNames();

// The 64 RadioText+ content-type names, index = content-type code, each
// beginning with its code and a blank ("1 ITEM.TITLE").
QStringList rtPlusContentTypes();

// Resolves the escapes of an RDS text (up to two hex digits, as the encoder
// does for PS and RadioText) and maps every character to its byte in the RDS
// character set (IEC 62106 table E.1). With keepRdsBytes the text then holds
// one Latin-1 character per RDS byte; without, the character that a receiver
// shows for that byte (so characters outside the set turn into '?').
void convertRdsCharset(QString &text, bool keepRdsBytes);

// Upper-case hexadecimal bytes with the separator between them ("41 42").
QString hexWithSeparator(const QByteArray &bytes, QChar separator);

// An AF or EON frequency as the editor shows it: FM values (100 kHz units)
// as "87.6", LF/MF values (0.1 kHz units) as "153.0", with " MHz" or " kHz"
// when withUnit. The number part reads back with a factor of 10.
QString afFrequencyText(qint32 value, bool withUnit);

// A typed AF or EON frequency, as afFrequencyText shows it: MHz for FM, kHz
// for LF and MF, a decimal comma read as a point, what follows a blank (the
// unit) ignored. The value in 100 kHz or 0.1 kHz units, negative when the
// number is; 0 when the text names no frequency an AF code carries
// (isAfFrequency).
qint32 typedAfFrequency(const QString &text);

// The light red of a field or cell whose text does not fit or is not stored.
QColor warnColour();

// The program-wide group highlight colour: the RDS page sets it once when it
// is built (its source list's highlight colour, 150 % lighter); the group
// buttons, AF tables, monitor panel and the connect dialog's board list use it.
QColor groupHighlightColour();
void setGroupHighlightColour(const QColor &colour);
