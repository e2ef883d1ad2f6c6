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

namespace {

// ---- Reading

// Characters the line reader stops at: blanks between lines, and those that
// end or shape a line ('=', quotes, comments, escapes).
bool isBlankOrLineEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool shapesLine(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

// One logical line from pos on: its start (blanks and empty lines skipped),
// its length and the position of its first '=' outside quotes (-1: none).
// Quotes span line ends, '\' takes the next character (a line end too), and
// ';' starts a comment: at the line's start it is skipped with the rest of
// the line and the blanks after it, elsewhere outside quotes it ends the
// line. False at the end.
bool readLine(const QByteArray &data, int &pos, int &start, int &length, int &equals)
{
    const int n = data.size();
    bool quoted = false;
    equals = -1;
    start = pos;
    while (start < n && isBlankOrLineEnd(data.at(start)))
        ++start;
    int i = start;
    while (i < n) {
        while (!shapesLine(data.at(i))) {
            if (++i == n)
                goto done;
        }
        const char c = data.at(i++);
        if (c == '=') {
            if (!quoted && equals == -1)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!quoted) {
                --i;
                goto done;
            }
        } else if (c == '\\') {
            if (i < n) {
                const char next = data.at(i++);
                if (i < n) {
                    const char after = data.at(i);
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else { // ';'
            if (i == start + 1) {
                while (i < n && data.at(i) != '\n' && data.at(i) != '\r')
                    ++i;
                while (i < n && isBlankOrLineEnd(data.at(i)))
                    ++i;
                start = i;
            } else if (!quoted) {
                --i;
                goto done;
            }
        }
    }
done:
    pos = i;
    length = i - start;
    return length > 0;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A group or key name from..to: '\' is a level below ('/'), "%XX" and
// "%UXXXX" a character; anything else stands for itself (Latin-1).
void appendUnescapedName(const QByteArray &data, int from, int to, QString &out)
{
    int i = from;
    while (i < to) {
        const char c = data.at(i);
        if (c == '\\') {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != '%' || i == to - 1) {
            out += QLatin1Char(c);
            ++i;
            continue;
        }
        int digits = 2;
        int first = i + 1;
        if (data.at(first) == 'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= to;
        const int code = ok ? data.mid(first, digits).toInt(&ok, 16) : 0;
        if (!ok) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        out += QChar(code);
        i = first + digits;
    }
}

// Drops the blanks at the end of text, not before position limit.
void chopBlanks(QString &text, int limit)
{
    int n = text.size() - 1;
    while (n >= limit && (text.at(n) == QLatin1Char(' ') || text.at(n) == QLatin1Char('\t')))
        text.truncate(n--);
}

// A value from..to: escapes ("\n", "\x41", "\101", a line continued),
// quotes (which keep blanks and commas) and, outside quotes, commas between
// the elements of a list. True when it is a list (its elements in *list).
bool unescapeValue(const QByteArray &data, int from, int to, bool utf8, QString &text, QStringList &list)
{
    static const char letters[] = "abfnrtv\"?'\\";
    static const char meanings[] = "\a\b\f\n\r\t\v\"?'\\";
    bool isList = false;
    bool inQuotes = false;
    bool elementQuoted = false;
    int i = from;
    int chopLimit = 0;
    const auto skipBlanks = [&] {
        while (i < to && (data.at(i) == ' ' || data.at(i) == '\t'))
            ++i;
    };
    // The code point of a "\x" or octal escape: its digits up to the first
    // one that does not belong, the low 16 bits of their value.
    const auto number = [&](uint base, uint value) {
        while (i < to) {
            const int digit = hexValue(data.at(i));
            if (digit < 0 || uint(digit) >= base)
                break;
            value = value * base + uint(digit);
            ++i;
        }
        text += QChar(ushort(value & 0xffff));
    };

    // A value that ends in a lone '\\' or in "\\x" keeps its blanks.
    bool keepBlanks = false;
    skipBlanks();
    chopLimit = text.size();
    while (i < to) {
        const char c = data.at(i);
        if (c == '\\') {
            if (++i >= to) {
                keepBlanks = true;
                break;
            }
            const char e = data.at(i++);
            const char *letter = e ? std::strchr(letters, e) : nullptr;
            if (letter) {
                text += QLatin1Char(meanings[letter - letters]);
                chopLimit = text.size();
                continue;
            }
            if (e == 'x') {
                if (i >= to) {
                    keepBlanks = true;
                    break;
                }
                if (hexValue(data.at(i)) >= 0) {
                    number(16, 0);
                    chopLimit = text.size();
                    continue;
                }
            } else if (e >= '0' && e <= '7') {
                number(8, e - '0');
                chopLimit = text.size();
                continue;
            } else if (e == '\n' || e == '\r') {
                if (i < to) {
                    const char e2 = data.at(i);
                    if ((e2 == '\n' || e2 == '\r') && e2 != e)
                        ++i;
                }
            }
            // Any other escaped character is dropped.
            chopLimit = text.size();
        } else if (c == '"') {
            ++i;
            elementQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = text.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!elementQuoted)
                chopBlanks(text, chopLimit);
            if (!isList) {
                isList = true;
                list.clear();
            }
            list.append(text);
            text.clear();
            elementQuoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            int j = i + 1;
            while (j < to && data.at(j) != '\\' && data.at(j) != '"' && data.at(j) != ',')
                ++j;
            text += utf8 ? QString::fromUtf8(data.constData() + i, j - i)
                         : QString::fromLatin1(data.constData() + i, j - i);
            i = j;
        }
    }
    if (!keepBlanks && !elementQuoted)
        chopBlanks(text, chopLimit);
    if (isList)
        list.append(text);
    return isList;
}

// "@DateTime(...)": a time only; anything else serialised in it stays text.
QVariant dateTimeOf(const QString &text)
{
    QByteArray bytes = text.midRef(10, text.size() - 11).toLatin1();
    QDataStream peek(bytes);
    peek.setVersion(QDataStream::Qt_5_6);
    quint32 type = 0;
    peek >> type;
    if (peek.status() != QDataStream::Ok || type != QMetaType::QDateTime)
        return text;
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(QDataStream::Qt_5_6);
    QVariant value;
    stream >> value;
    return stream.status() == QDataStream::Ok ? value : QVariant(text);
}

// "@Rect(1 2 3 4)" and the like: the numbers after the parenthesis at open,
// split at blanks; every ')' ends one more (so "@Size(1 2))" has three).
QStringList arguments(const QString &text, int open)
{
    QStringList args;
    QString item;
    for (int i = open + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(')')) {
            args.append(item);
        } else if (c == QLatin1Char(' ')) {
            args.append(item);
            item.clear();
        } else {
            item.append(c);
        }
    }
    return args;
}

QVariant valueOf(const QString &text)
{
    if (!text.startsWith(QLatin1Char('@')))
        return text;
    if (text.endsWith(QLatin1Char(')'))) {
        if (text.startsWith(QLatin1String("@ByteArray(")))
            return text.midRef(11, text.size() - 12).toLatin1();
        if (text.startsWith(QLatin1String("@String(")))
            return text.mid(8, text.size() - 9);
        if (text.startsWith(QLatin1String("@Variant(")))
            return text;
        if (text.startsWith(QLatin1String("@DateTime(")))
            return dateTimeOf(text);
        if (text.startsWith(QLatin1String("@Rect("))) {
            const QStringList a = arguments(text, 5);
            if (a.size() == 4)
                return QRect(a.at(0).toInt(), a.at(1).toInt(), a.at(2).toInt(), a.at(3).toInt());
        } else if (text.startsWith(QLatin1String("@Size("))) {
            const QStringList a = arguments(text, 5);
            if (a.size() == 2)
                return QSize(a.at(0).toInt(), a.at(1).toInt());
        } else if (text.startsWith(QLatin1String("@Point("))) {
            const QStringList a = arguments(text, 6);
            if (a.size() == 2)
                return QPoint(a.at(0).toInt(), a.at(1).toInt());
        } else if (text == QLatin1String("@Invalid()")) {
            return QVariant();
        }
    }
    if (text.startsWith(QLatin1String("@@")))
        return text.mid(1);
    return text;
}

// A list: texts, or, when an element is marked ("@..." but not "@@"),
// every element read as a value.
QVariant listOf(const QStringList &elements)
{
    QStringList texts = elements;
    for (QString &element : texts) {
        if (!element.startsWith(QLatin1Char('@')))
            continue;
        if (element.startsWith(QLatin1String("@@"))) {
            element.remove(0, 1);
            continue;
        }
        QVariantList values;
        values.reserve(elements.size());
        for (const QString &e : elements)
            values.append(valueOf(e));
        return values;
    }
    return texts;
}

} // namespace

namespace {

// The keys of one section's lines, each under group ("" or "name/").
void readSection(const QByteArray &data, const QString &group, bool utf8, QMap<QString, QVariant> &keys)
{
    int pos = 0;
    int start = 0;
    int length = 0;
    int equals = -1;
    while (readLine(data, pos, start, length, equals)) {
        if (equals == -1)
            continue;
        int keyEnd = equals;
        while (keyEnd > start && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
            --keyEnd;
        QString key = group;
        appendUnescapedName(data, start, keyEnd, key);
        // A name no reader can ask for ("", "a//b", "a/"): the settings
        // layer keeps it but never gives its value.
        if (key.isEmpty() || key.startsWith(QLatin1Char('/')) || key.endsWith(QLatin1Char('/'))
            || key.contains(QLatin1String("//")))
            continue;
        QString text;
        QStringList list;
        const bool isList = unescapeValue(data, equals + 1, start + length, utf8, text, list);
        keys.insert(key, isList ? listOf(list) : valueOf(text));
    }
}

// "[name]" of a section line (what follows ']' does not count; without one
// the rest of the line is the name) as a group: "" for "General".
QString groupOf(const QByteArray &data, int start, int length)
{
    const int close = data.indexOf(']', start);
    QByteArray name = close == -1 || close >= start + length ? data.mid(start + 1, length - 1)
                                                              : data.mid(start + 1, close - start - 1);
    name = name.trimmed();
    QString group;
    if (qstricmp(name.constData(), "general") == 0)
        return group;
    if (qstricmp(name.constData(), "%general") == 0)
        group = QLatin1String(name.constData() + 1);
    else
        appendUnescapedName(name, 0, name.size(), group);
    return group + QLatin1Char('/');
}

} // namespace

QMap<QString, QVariant> toKeys(const QByteArray &bytes)
{
    const QByteArray data = escapeVariants(bytes);
    // The sections first, then the lines of each: the lines before the
    // first section begin with the file, byte order mark and all (the
    // settings layer reads them so).
    const bool utf8 = data.startsWith("\xef\xbb\xbf");
    QMap<QString, QVariant> keys;
    QString group;
    int sectionStart = 0;
    int pos = utf8 ? 3 : 0;
    int start = 0;
    int length = 0;
    int equals = -1;
    while (readLine(data, pos, start, length, equals)) {
        if (data.at(start) != '[')
            continue;
        readSection(data.mid(sectionStart, start - sectionStart), group, utf8, keys);
        group = groupOf(data, start, length);
        sectionStart = pos;
    }
    readSection(data.mid(sectionStart), group, utf8, keys);
    return keys;
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
