#pragma once

#include "Types.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QTextCodec;

// Text preparation for the RDS encoder: escapes in the operator's texts and
// the conversion to the RDS basic character set (IEC 62106 annex E,
// table E.1) or to a named text codec.
//
// No state; called from the board threads and the GUI thread alike.

// Decodes escapes in place: "##" stands for one '#'; '#' followed by up to
// maxDigits (2..4) hex digits, blanks around them tolerated, becomes the
// character with that code. Returns the positions (after decoding) of the
// characters that escapes produced. A '#' without a valid number stays.
QList<int> rdsUnescape(QString &text, int maxDigits);

// The Unicode character of an E.1 code; U+FFFD for 0xFF, which has none.
QChar rdsCharToUnicode(u8 code);

// The E.1 code of one character; '?' when the table has none.
u8 rdsCharFromUnicode(QChar c);

// E.1 conversion; characters at positions in keep (made by escapes) are
// sent as their Latin-1 byte.
QByteArray rdsE1Bytes(const QString &text, const QList<int> &keep);

// Encodes with the codec, or as UTF-8 without one. *ok (when given) tells
// whether the codec can encode every character. Without bom a leading
// byte-order mark that the codec writes is removed; with bom a codec that
// writes none gets its encoding of U+FEFF in front (none without a codec).
QByteArray encodeRdsText(const QString &text, bool *ok, bool bom, QTextCodec *codec);

// True when a character-set setting names the RDS character set: empty,
// "0" or beginning with "E.1".
bool rdsCharsetIsE1(const QByteArray &charset);

// Converts with a character-set setting: E.1 (see rdsCharsetIsE1), else the
// codec of that name (UTF-8 when there is none).
QByteArray rdsTextBytes(const QString &text, const QList<int> &keep, bool bom,
                        const QByteArray &charset);
