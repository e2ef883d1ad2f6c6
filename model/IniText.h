#pragma once

#include <QByteArray>

// The raw text of a project file (INI) before the settings layer reads it.
// Pure functions, safe from every thread.
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

} // namespace IniText
