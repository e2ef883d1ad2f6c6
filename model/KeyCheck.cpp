#include "KeyCheck.h"

#include "RecordText.h"

#include <QMap>
#include <QPair>

#include <cmath>

namespace KeyCheck {

namespace {

bool isBoolRange(const KeyDesc &d)
{
    return d.min == 0.0 && d.max == 1.0;
}

// Reads one value as the row's element type; false when it cannot be read.
bool readNumber(const KeyDesc &d, const QString &text, double &out)
{
    if (isBoolRange(d)) {
        out = RecordText::boolean(text) ? 1.0 : 0.0;
        return true;
    }
    bool ok = false;
    if (d.elementType() == KeyDesc::Hex) {
        const QString t = text.trimmed();
        // One sign at most; the magnitude is negated as a double, since the
        // smallest 64-bit number has no positive counterpart.
        const bool negative = t.startsWith(QLatin1Char('-'));
        const QString digits = negative ? t.mid(1) : t;
        if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+')))
            return false;
        const double magnitude = double(digits.toLongLong(&ok, 16));
        out = negative ? -magnitude : magnitude;
        return ok;
    }
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

bool inRange(const KeyDesc &d, const QString &text)
{
    double v = 0.0;
    return readNumber(d, text, v) && v >= d.min && v <= d.max;
}

int checkList(const KeyDesc &d, const QString &text)
{
    const QStringList parts = RecordText::splitDrop(text);
    if (!d.hasRange()) {
        const int count = qRound(d.step);
        if (count > 1 && parts.size() != count)
            return WrongCount;
        return Ok;
    }
    for (const QString &p : parts) {
        if (!inRange(d, p))
            return OutOfRange;
    }
    return Ok;
}

int checkScalar(const KeyDesc &d, const QString &text)
{
    if (!d.hasRange())
        return Ok;
    if (d.elementType() == KeyDesc::String) {
        const int len = text.size();
        return len >= d.min && len <= d.max ? Ok : OutOfRange;
    }
    return inRange(d, text) ? Ok : OutOfRange;
}

// Rank of a numbered top-level group in listings; -1 for other groups.
int sectionRank(const QString &name)
{
    static const char *const sections[] = {"channel.", "audio.", "playlist.", "rds.", "tmc."};
    for (int i = 0; i < 5; ++i) {
        if (name.startsWith(QLatin1String(sections[i])))
            return i;
    }
    return -1;
}

} // namespace

int checkValue(const KeyDesc &desc, const QVariant &value)
{
    const QString text = RecordText::text(value);
    return desc.isList() ? checkList(desc, text) : checkScalar(desc, text);
}

bool indexInRange(const QString &section, int index)
{
    if (section == QLatin1String("channel."))
        return index >= 1 && index <= maxChannel;
    if (section == QLatin1String("audio.") || section == QLatin1String("playlist.") ||
        section == QLatin1String("rds.") || section == QLatin1String("tmc."))
        return index >= 1;
    return true;
}

QStringList orderGroupKeys(const QString &prefix, const QStringList &keys)
{
    QMap<qint64, QString> numbered;
    QStringList others;
    for (const QString &k : keys) {
        const QString entry = prefix + QLatin1Char('.') + k;
        bool ok = false;
        const qint64 n = k.toLongLong(&ok);
        if (RecordText::isWholeNumber(k) && ok)
            numbered.insert(n, entry);
        else
            others.append(entry);
    }
    return numbered.values() + others;
}

QStringList orderTopGroups(const QString &prefix, const QStringList &groups)
{
    // Filed by (section rank, number): numbers of different sections never
    // collide, whatever their size.
    QMap<QPair<int, qint64>, QString> numbered;
    QStringList others;
    for (const QString &g : groups) {
        if (!g.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const int dot = g.indexOf(QLatin1Char('.'));
        const QString tail = dot < 0 ? QString() : g.mid(dot + 1);
        bool ok = false;
        const qint64 n = tail.toLongLong(&ok);
        const int rank = sectionRank(g);
        if (rank >= 0 && RecordText::isWholeNumber(tail) && ok)
            numbered.insert(qMakePair(rank, n), g);
        else
            others.append(g);
    }
    return numbered.values() + others;
}

} // namespace KeyCheck
