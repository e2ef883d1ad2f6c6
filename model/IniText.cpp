#include "IniText.h"

namespace IniText {

namespace {

const QByteArray variantMarker("@Variant(");

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// Index just past the line end that starts at i (also "\r\n").
int pastLineEnd(const QByteArray &ini, int i)
{
    if (ini.at(i) == '\r' && i + 1 < ini.size() && ini.at(i + 1) == '\n')
        return i + 2;
    return i + 1;
}

} // namespace

QByteArray escapeVariants(const QByteArray &ini)
{
    if (!ini.contains(variantMarker))
        return ini;
    // Walks the lines as the settings layer reads "key=value": a value is
    // split into elements at commas outside quotes, blanks outside quotes
    // are dropped, and a '\' escapes the next character or continues the
    // line. Headers and comments are read like values too: an extra '@'
    // there changes nothing that counts, a missed one could.
    QByteArray out;
    out.reserve(ini.size() + 16);
    int i = 0;
    const int n = ini.size();
    while (i < n) {
        // The key, up to '=' (a line without one holds no value).
        while (i < n && !isLineEnd(ini.at(i)) && ini.at(i) != '=') {
            out += ini.at(i);
            ++i;
        }
        if (i < n && ini.at(i) == '=') {
            out += '=';
            ++i;
            bool elementStart = true;
            bool quoted = false;
            while (i < n && !isLineEnd(ini.at(i))) {
                const char c = ini.at(i);
                if (c == '\\' && i + 1 < n) {
                    out += c;
                    ++i;
                    if (isLineEnd(ini.at(i))) {
                        const int next = pastLineEnd(ini, i);
                        out += ini.mid(i, next - i);
                        i = next;
                    } else {
                        out += ini.at(i);
                        ++i;
                        elementStart = false;
                    }
                    continue;
                }
                if (c == '"') {
                    quoted = !quoted;
                } else if (c == ',' && !quoted) {
                    elementStart = true;
                } else if ((c == ' ' || c == '\t') && !quoted) {
                    // blanks around an element are not part of it
                } else {
                    if (elementStart && ini.mid(i, variantMarker.size()) == variantMarker)
                        out += '@';
                    elementStart = false;
                }
                out += c;
                ++i;
            }
        }
        if (i < n) {
            const int next = pastLineEnd(ini, i);
            out += ini.mid(i, next - i);
            i = next;
        }
    }
    return out;
}

} // namespace IniText
