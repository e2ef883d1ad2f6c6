// EON entries, ODA rows and group rates of an RDS source: each writer
// replaces the list in the cached record, writes one key per element and
// removes what a longer earlier list left behind.
#include "FMSettings.h"

#include "ClampedValue.h"

#include <QDebug>

#include <climits>

bool FMSettings::setEon(int id, QList<EON> &list)
{
    if (id < 1)
        return false;
    WriteLock lock(recordLock);
    for (int m = 0; m < list.size(); ++m) {
        EON &e = list[m];
        if (e.channel != 0) {
            // Read as the channel record reads it ("2.0" is source 2).
            const int s = int(ClampedValue::toInt(rawValue(QStringLiteral("channel.%1/idrds").arg(e.channel)), 0,
                                                  INT_MIN, INT_MAX));
            const auto src = rdsSources.constFind(s);
            if (src != rdsSources.cend()) {
                e.pi = src->pi;
                e.ps = src->ps;
                e.pty = src->pty;
                e.tp = src->tp;
                e.ta = src->ta;
                e.af = src->af + src->afs;
            }
        }
        const QString key = QStringLiteral("rds.%1/eon/%2").arg(id).arg(m);
        Settings::setValue(key, e.toText(), true);
        Settings::setValue(key + QLatin1String("/ps"), e.ps, true);
        Settings::setValue(key + QLatin1String("/af"), afListText(e.af), true);
    }
    removeStaleItems(QStringLiteral("rds.%1/eon").arg(id), list.size());
    // Removed entries change no key that is left: one announcement of the
    // list tells the observers.
    const bool shorter = list.size() < rdsSources[id].eon.size();
    rdsSources[id].eon = list;
    if (shorter)
        notify(QStringLiteral("rds.%1/eon").arg(id), QVariant());
    return true;
}

bool FMSettings::setOda(int id, const QList<RDSCustomGroup> &list)
{
    if (id < 1)
        return false;
    WriteLock lock(recordLock);
    for (int m = 0; m < list.size(); ++m)
        Settings::setValue(QStringLiteral("rds.%1/oda/%2").arg(id).arg(m), list.at(m).toText(), true);
    removeStaleItems(QStringLiteral("rds.%1/oda").arg(id), list.size());
    const bool shorter = list.size() < rdsSources[id].oda.size();
    rdsSources[id].oda = list;
    if (shorter)
        notify(QStringLiteral("rds.%1/oda").arg(id), QVariant());
    return true;
}

void FMSettings::setGroupRates(int id, const std::array<RDSGroupRate, RDSGroupRate::count> &table)
{
    if (id < 1)
        return;
    WriteLock lock(recordLock);
    RDSSource &src = rdsSources[id];
    for (int g = 0; g < RDSGroupRate::count; ++g) {
        const RDSGroupRate &next = table[g];
        const RDSGroupRate old = src.gmin[g];
        const QString key = QStringLiteral("rds.%1.gmin/%2").arg(id).arg(g);
        // The text keeps an entry that is on with all rates 0 (the clock
        // time, sent at the minute change): the bare key alone, holding 0,
        // loads as off.
        if (next.allRatesZero() && next.on == 0) {
            const bool had = old.on != 0 || !old.allRatesZero();
            remove(key, had);
            remove(QStringLiteral("rds.%1.gmin%2").arg(id).arg(g), false);
            if (had)
                qDebug("FMS: remove %s", qPrintable(key));
        } else {
            Settings::setValue(key, next.toText(), true);
        }
        const QString bare = QStringLiteral("rds.%1.%2").arg(id).arg(g);
        if (next.on == 0) {
            if (old.on != 0)
                qDebug("FMS: remove %s", qPrintable(bare));
            remove(bare, false);
        } else {
            Settings::setValue(bare, QString::number(next.rate[0]), false);
        }
        src.gmin[g] = next;
    }
}
