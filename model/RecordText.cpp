#include "RecordText.h"

#include <algorithm>
#include <cmath>

namespace RecordText {

QString text(const QVariant &v)
{
    // A list whose elements are not all texts ("a, @ByteArray(b)") comes as
    // a variant list, whose toString() is empty.
    if (v.userType() == QMetaType::QStringList || v.userType() == QMetaType::QVariantList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

bool isWholeNumber(const QString &t)
{
    return !t.isEmpty() &&
           std::all_of(t.cbegin(), t.cend(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

qint64 dec(const QString &t)
{
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, 10);
    return ok ? v : 0;
}

quint64 udec(const QString &t)
{
    if (t.trimmed().startsWith(QLatin1Char('-')))
        return 0;
    bool ok = false;
    const quint64 v = t.toULongLong(&ok, 10);
    return ok ? v : 0;
}

qint64 number(const QString &t)
{
    bool ok = false;
    const qint64 v = t.trimmed().toLongLong(&ok, 10);
    if (ok)
        return v;
    const double d = t.toDouble(&ok);
    return ok && std::fabs(d) < 9.0e18 ? static_cast<qint64>(std::floor(d + 0.5)) : 0;
}

quint64 hex(const QString &t)
{
    if (t.trimmed().startsWith(QLatin1Char('-')))
        return 0;
    bool ok = false;
    const quint64 v = t.toULongLong(&ok, 16);
    return ok ? v : 0;
}

bool boolean(const QVariant &v)
{
    if (v.userType() == QMetaType::Bool)
        return v.toBool();
    const QString t = text(v);
    return !(t.isEmpty() || t == QLatin1String("0") || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
}

QStringList splitKeep(const QString &t)
{
    return t.split(QLatin1Char(' '), Qt::KeepEmptyParts);
}

QStringList splitDrop(const QString &t)
{
    return t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QList<QPair<int, QString>> numberedKeys(const QStringList &keys)
{
    QList<QPair<int, QString>> out;
    for (const QString &k : keys) {
        bool ok = false;
        const int n = k.toInt(&ok, 10);
        if (ok)
            out.append({n, k});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) { return a.first < b.first; });
    return out;
}

} // namespace RecordText
