#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

// The raw text of a project file (INI) before the settings layer reads it
// and after the key store wrote it. Pure functions, safe from every thread.
namespace IniText {

// The settings layer turns every "@Variant(...)" of an INI file (a whole
// value, a list element, quoted or not) into the variant serialised in it,
// and for a list or map it first reserves room for as many elements as the
// stored count says: a hand-edited "@Variant(\0\0\0\t\x7f\xff\xff\xff)"
// asks for 16 GB. Project files hold texts, numbers and byte arrays only,
// so every "@Variant(" that begins a value or list element is made a text
// by one more '@' ("@@Variant(" is the settings layer's own escape). The
// marker written with escapes ("\x40Variant(") is not found. Returns the
// bytes unchanged when there is nothing to escape.
QByteArray escapeVariants(const QByteArray &ini);

// The INI text of keys ("group/key", "group/sub/key", or "key" of the
// general section) with their values, byte for byte as the settings layer
// writes it on this platform without a text codec: groups and keys in the
// order of their names, "[General]" for keys without a group, names escaped
// with '%', values with '\' and quotes, characters outside printable ASCII
// as "\x" escapes, lists as ", "-separated elements, byte arrays as
// "@ByteArray(...)", other types as the settings layer marks them. A file
// of this text reads back to the same values, and the key store writes
// files that any settings reader takes, as before.
QByteArray fromKeys(const QMap<QString, QVariant> &keys);

// The keys of an INI text with their values, as the settings layer of this
// platform reads them from a file of these bytes (names and values
// unescaped, blanks around them dropped, lines continued with '\', ';'
// comments skipped, "[General]" for the keys without a group, a later key
// or section of the same name adding to or replacing an earlier one, a
// UTF-8 byte order mark making the values UTF-8, lists, "@ByteArray(...)"
// and the other marked types), except that a serialised variant is never
// read: what escapeVariants escapes reads as its text, and so does one
// written with escapes ("\x40Variant(...)"), or a "@DateTime(...)" that
// holds anything but a time.
QMap<QString, QVariant> toKeys(const QByteArray &ini);

} // namespace IniText
