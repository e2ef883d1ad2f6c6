#include "RDSCharset.h"

#include <QTextCodec>

#include <algorithm>

namespace {

// clang-format off
// IEC 62106 annex E, table E.1: upper half of the RDS basic character set,
// code 0x80 + i -> Unicode. 0xFF has no character (0).
constexpr u16 upperHalf[128] = {
    0x00E1, 0x00E0, 0x00E9, 0x00E8, 0x00ED, 0x00EC, 0x00F3, 0x00F2, 0x00FA, 0x00F9, 0x00D1, 0x00C7, 0x015E, 0x00DF, 0x00A1, 0x0132,
    0x00E2, 0x00E4, 0x00EA, 0x00EB, 0x00EE, 0x00EF, 0x00F4, 0x00F6, 0x00FB, 0x00FC, 0x00F1, 0x00E7, 0x015F, 0x011F, 0x0131, 0x0133,
    0x00AA, 0x03B1, 0x00A9, 0x2030, 0x011E, 0x011B, 0x0148, 0x0151, 0x03C0, 0x20AC, 0x00A3, 0x0024, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00BA, 0x00B9, 0x00B2, 0x00B3, 0x00B1, 0x0130, 0x0144, 0x0171, 0x00B5, 0x00BF, 0x00F7, 0x00B0, 0x00BC, 0x00BD, 0x00BE, 0x00A7,
    0x00C1, 0x00C0, 0x00C9, 0x00C8, 0x00CD, 0x00CC, 0x00D3, 0x00D2, 0x00DA, 0x00D9, 0x0158, 0x010C, 0x0160, 0x017D, 0x0110, 0x013F,
    0x00C2, 0x00C4, 0x00CA, 0x00CB, 0x00CE, 0x00CF, 0x00D4, 0x00D6, 0x00DB, 0x00DC, 0x0159, 0x010D, 0x0161, 0x017E, 0x0111, 0x0140,
    0x00C3, 0x00C5, 0x00C6, 0x0152, 0x0177, 0x00DD, 0x00D5, 0x00D8, 0x00DE, 0x014A, 0x0154, 0x0106, 0x015A, 0x0179, 0x0166, 0x00F0,
    0x00E3, 0x00E5, 0x00E6, 0x0153, 0x0175, 0x00FD, 0x00F5, 0x00F8, 0x00FE, 0x014B, 0x0155, 0x0107, 0x015B, 0x017A, 0x0167, 0x0000,
};

// Table E.1 shows these codes of the lower half with other characters than
// ASCII; they map back to the same code.
struct Alias { u16 unicode; u8 code; };
constexpr Alias aliases[] = {
    {0x00A4, 0x24},   // currency sign
    {0x00AF, 0x7E},   // macron
    {0x00D0, 0xCE},   // capital eth, sent as capital D with stroke
    {0x2015, 0x5E},   // horizontal bar
    {0x2016, 0x60},   // double vertical line
    {0x2551, 0x60},   // box drawings double vertical
    {0x203E, 0x7E},   // overline
    {0x03BC, 0xB8},   // small mu, sent as micro sign
};
// clang-format on

constexpr u8 noCharacter = '?';

// First code of the upper half searched for characters outside Latin-1; the
// codes below hold Latin-1 letters only.
constexpr int firstNonLatinSearch = 0x8C;

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads a hex number with blanks around it; false when anything else is in it.
bool readHex(const QString &s, ushort &value)
{
    int from = 0;
    int to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    if (from == to)
        return false;
    unsigned v = 0;
    for (int i = from; i < to; ++i) {
        const int d = hexValue(s.at(i));
        if (d < 0)
            return false;
        v = v << 4 | static_cast<unsigned>(d);
    }
    value = static_cast<ushort>(v);
    return true;
}

// Decodes the escape at i (text[i] is '#', at least two characters follow).
bool decodeEscape(QString &text, int i, int maxDigits)
{
    const int n = std::min(maxDigits, text.size() - i - 1);
    for (int k = n; k >= 2; --k) {
        const QString digits = text.mid(i + 1, k);
        ushort value = 0;
        if (!readHex(digits, value))
            continue;
        // A try ending in a blank leaves the decision to the shorter one.
        if (k > 2 && digits.endsWith(QLatin1Char(' ')))
            continue;
        text[i] = QChar(value);
        text.remove(i + 1, k);
        return true;
    }
    return false;
}

} // namespace

QList<int> rdsUnescape(QString &text, int maxDigits)
{
    maxDigits = std::min(maxDigits, 4);
    QList<int> positions;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('#') || i + 1 >= text.size())
            continue;
        if (text.at(i + 1) == QLatin1Char('#')) {
            text.remove(i, 1);
            continue;
        }
        if (text.size() - i - 1 >= 2 && decodeEscape(text, i, maxDigits))
            positions.append(i);
    }
    return positions;
}

QChar rdsCharToUnicode(u8 code)
{
    if (code >= 0x80)
        return upperHalf[code - 0x80] ? QChar(upperHalf[code - 0x80]) : QChar(QChar::ReplacementCharacter);
    switch (code) {
    case 0x24:
        return QChar(0x00A4);
    case 0x5E:
        return QChar(0x2015);
    case 0x60:
        return QChar(0x2016);
    case 0x7E:
        return QChar(0x203E);
    default:
        return QChar(code);
    }
}

u8 rdsCharFromUnicode(QChar c)
{
    const ushort u = c.unicode();
    if (u == '$')
        return 0xAB;
    if (u < 0x80)
        return static_cast<u8>(u);
    for (const Alias &a : aliases) {
        if (a.unicode == u)
            return a.code;
    }
    const int first = u < 0x100 ? 0x80 : firstNonLatinSearch;
    for (int code = first; code < 0xFF; ++code) {
        if (upperHalf[code - 0x80] == u)
            return static_cast<u8>(code);
    }
    return noCharacter;
}

QByteArray rdsE1Bytes(const QString &text, const QList<int> &keep)
{
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x100 && keep.contains(i))
            out.append(static_cast<char>(c.unicode()));
        else
            out.append(static_cast<char>(rdsCharFromUnicode(c)));
    }
    return out;
}

QByteArray encodeRdsText(const QString &text, bool *ok, bool bom, QTextCodec *codec)
{
    if (!codec) {
        if (ok)
            *ok = true;
        return text.toUtf8();
    }
    if (ok)
        *ok = codec->canEncode(text);
    QByteArray out = codec->fromUnicode(text);
    const QByteArray header = codec->fromUnicode(QString());
    if (!bom) {
        if (!header.isEmpty() && out.startsWith(header))
            out.remove(0, header.size());
        return out;
    }
    const QChar mark(0xFEFF);
    if (header.isEmpty() && codec->canEncode(mark)) {
        const QByteArray markBytes = codec->fromUnicode(QString(mark));
        if (!out.startsWith(markBytes))
            out.prepend(markBytes);
    }
    return out;
}

bool rdsCharsetIsE1(const QByteArray &charset)
{
    return charset.isEmpty() || charset == "0" || charset.startsWith("E.1");
}

QByteArray rdsTextBytes(const QString &text, const QList<int> &keep, bool bom,
                        const QByteArray &charset)
{
    if (rdsCharsetIsE1(charset))
        return rdsE1Bytes(text, keep);
    return encodeRdsText(text, nullptr, bom, QTextCodec::codecForName(charset));
}
