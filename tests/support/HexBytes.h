#pragma once

#include <QByteArray>

namespace testsupport {

// Bytes written as hexadecimal digits, blanks between groups ignored: hex("0010 000000FF") gives the six
// bytes 00 10 00 00 00 FF.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace testsupport
