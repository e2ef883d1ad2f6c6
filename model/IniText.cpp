#include "IniText.h"

#include <QDataStream>
#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <cstring>

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

bool isHexDigit(uint c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

QByteArray hexEscape(uint c)
{
    return "\\x" + QByteArray::number(c, 16);
}

// A group or key name: letters, digits, '_', '-' and '.' stay, '/' (a
// level below) becomes '\', any other character "%XX" or "%UXXXX".
void appendName(const QString &name, QByteArray &out)
{
    for (const QChar qc : name) {
        const uint c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
                   || c == '-' || c == '.') {
            out += char(c);
        } else if (c <= 0xff) {
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        } else {
            out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
        }
    }
}

// One text value. After a "\0" or "\x" escape a hexadecimal digit is
// escaped too, so that it does not extend the escape; ';', ',' or '=' and a
// blank at either end put the value in quotes.
void appendText(const QString &text, QByteArray &out)
{
    const int start = out.size();
    bool quoted = false;
    bool escapeHexDigit = false;
    for (const QChar qc : text) {
        const uint c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            quoted = true;
        if (escapeHexDigit && isHexDigit(c)) {
            out += hexEscape(c);
            continue;
        }
        escapeHexDigit = false;
        // Control characters with a letter of their own.
        const char *const letters = "\a\b\f\n\r\t\v";
        const char *named = c > 0 && c < 0x20 ? std::strchr(letters, int(c)) : nullptr;
        if (c == 0) {
            out += "\\0";
            escapeHexDigit = true;
        } else if (named) {
            out += '\\';
            out += "abfnrtv"[named - letters];
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7f) {
            out += hexEscape(c);
            escapeHexDigit = true;
        } else {
            out += char(c);
        }
    }
    if (quoted || (out.size() > start && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// A value as the text the settings layer stores for it (before escaping).
QString valueText(const QVariant &v)
{
    switch (v.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        return QLatin1String("@ByteArray(") + QLatin1String(bytes.constData(), bytes.size())
               + QLatin1Char(')');
    }
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::QKeySequence: {
        const QString text = v.toString();
        if (text.contains(QChar::Null))
            return QLatin1String("@String(") + text + QLatin1Char(')');
        return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    }
    case QMetaType::QRect: {
        const QRect r = v.toRect();
        return QString::asprintf("@Rect(%d %d %d %d)", r.x(), r.y(), r.width(), r.height());
    }
    case QMetaType::QSize:
        return QString::asprintf("@Size(%d %d)", v.toSize().width(), v.toSize().height());
    case QMetaType::QPoint:
        return QString::asprintf("@Point(%d %d)", v.toPoint().x(), v.toPoint().y());
    default: {
        const bool dateTime = v.userType() == QMetaType::QDateTime;
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
        stream << v;
        return QLatin1String(dateTime ? "@DateTime(" : "@Variant(")
               + QLatin1String(bytes.constData(), bytes.size()) + QLatin1Char(')');
    }
    }
}

void appendValue(const QVariant &v, QByteArray &out)
{
    // A list of one element is stored as a serialised variant, as the
    // settings layer does; "@Invalid()" stands for the empty list.
    if (v.userType() != QMetaType::QStringList
        && (v.userType() != QMetaType::QVariantList || v.toList().size() == 1)) {
        appendText(valueText(v), out);
        return;
    }
    const QVariantList items = v.toList();
    if (items.isEmpty())
        out += "@Invalid()";
    for (int i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendText(valueText(items.at(i)), out);
    }
}

} // namespace

QByteArray fromKeys(const QMap<QString, QVariant> &keys)
{
    // Groups and their keys, each in the order of their names.
    QMap<QString, QMap<QString, QVariant>> groups;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        groups[slash < 0 ? QString() : it.key().left(slash)].insert(it.key().mid(slash + 1), it.value());
    }
    QByteArray out;
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        QByteArray name;
        appendName(group.key(), name);
        if (!out.isEmpty())
            out += '\n';
        if (name.isEmpty())
            out += "[General]\n";
        else if (qstricmp(name.constData(), "general") == 0)
            out += "[%General]\n";
        else
            out += '[' + name + "]\n";
        for (auto key = group->cbegin(); key != group->cend(); ++key) {
            appendName(key.key(), out);
            out += '=';
            appendValue(key.value(), out);
            out += '\n';
        }
    }
    return out;
}

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
