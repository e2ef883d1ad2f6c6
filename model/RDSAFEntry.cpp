#include "RDSAFEntry.h"

#include "RecordText.h"

#include <QStringList>

#include <climits>

QString afListText(const QList<RDSAFEntry> &list)
{
    QStringList parts;
    parts.reserve(list.size());
    for (const RDSAFEntry &e : list)
        parts.append(QString::number(e.mark == RDSAFEntry::listStart ? -qint64(e.freq) : qint64(e.freq)));
    return parts.join(QLatin1Char(' '));
}

QList<RDSAFEntry> parseAfList(const QString &text, const QList<qint32> &afr)
{
    QList<RDSAFEntry> list;
    for (const QString &part : RecordText::splitDrop(text)) {
        bool ok = false;
        const int n = part.toInt(&ok, 10);
        if (!ok)
            continue;
        RDSAFEntry e;
        // -n of the smallest int does not fit: keep its magnitude as far as it goes.
        e.freq = n < 0 ? (n == INT_MIN ? INT_MAX : -n) : n;
        e.mark = n < 0 ? RDSAFEntry::listStart : 0;
        e.regional = afr.contains(e.freq) ? 1 : 0;
        list.append(e);
    }
    return list;
}

QString afrText(const QList<qint32> &afr)
{
    QStringList parts;
    parts.reserve(afr.size());
    for (qint32 f : afr)
        parts.append(QString::number(f));
    return parts.join(QLatin1Char(' '));
}

QList<qint32> parseAfr(const QString &text)
{
    QList<qint32> afr;
    for (const QString &part : RecordText::splitDrop(text)) {
        bool ok = false;
        const int n = part.toInt(&ok, 10);
        if (ok)
            afr.append(n);
    }
    return afr;
}

bool sameAfFrequencies(const QList<RDSAFEntry> &a, const QList<RDSAFEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).freq != b.at(i).freq)
            return false;
    }
    return true;
}
