// AF lists: the operator's manual and regional lists, and the automatic
// lists computed from the channels of the generator.
#include "FMSettings.h"

#include "ClampedValue.h"

#include <QDebug>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

// A channel frequency in MHz as AF value in 100 kHz, halves rounded up. A
// hand-edited frequency too large for the value (1e300) is held to the
// largest one, which no AF code takes.
qint32 afCode(double mhz)
{
    const double code = std::fabs(std::floor(mhz * 10.0 + 0.5));
    if (!(code < double(std::numeric_limits<qint32>::max())))
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(code);
}

// The RDS source id of a channel as the channel record reads it ("2.0" is
// source 2, a text that is no number 0).
int rdsLink(const Settings &keys, int ch)
{
    return int(ClampedValue::toInt(keys.value(QStringLiteral("channel.%1.idrds").arg(ch)), 0, INT_MIN, INT_MAX));
}

bool hasFreq(const QList<RDSAFEntry> &list, qint32 freq)
{
    return std::any_of(list.cbegin(), list.cend(), [freq](const RDSAFEntry &e) { return e.freq == freq; });
}

void setRegionalFlags(QList<RDSAFEntry> &list, const QList<qint32> &afr)
{
    for (RDSAFEntry &e : list)
        e.regional = afr.contains(e.freq) ? 1 : 0;
}

} // namespace

bool FMSettings::setAfs(int id, QList<RDSAFEntry> &list)
{
    if (id < 1)
        return false;
    WriteLock lock(recordLock);
    RDSSource &src = rdsSources[id];
    setRegionalFlags(list, src.afr);
    src.afs = list;
    const QString text = afListText(list);
    if (Settings::setValue(QStringLiteral("rds.%1.afs").arg(id), text, true))
        qDebug("FMS: set rds.%d.afs %s", id, qPrintable(text));
    followEonLinks();
    return true;
}

void FMSettings::setAfr(int id, int freq)
{
    if (id < 1)
        return;
    WriteLock lock(recordLock);
    RDSSource &src = rdsSources[id];
    if (src.afr.contains(freq))
        src.afr.removeAll(freq);
    else
        src.afr.append(freq);
    setRegionalFlags(src.af, src.afr);
    setRegionalFlags(src.afs, src.afr);
    const QString text = afrText(src.afr);
    if (Settings::setValue(QStringLiteral("rds.%1.afr").arg(id), text, true))
        qDebug("FMS: set rds.%d.afr %s", id, qPrintable(text));
}

void FMSettings::updateAF(bool force)
{
    // afDirty is read by the distance update under the record lock too.
    WriteLock lock(recordLock);
    if (force)
        afDirty = true;
    if (!afDirty)
        return;
    computeAF();
}

void FMSettings::computeAF()
{
    for (RDSSource &src : rdsSources)
        src.af.clear();

    // Channels whose RDS source exists take part; a link to a missing source
    // counts as no link and creates no record.
    QMap<int, int> link;
    for (auto it = channelFreqs.cbegin(); it != channelFreqs.cend(); ++it) {
        const int id = rdsLink(*this, it.key());
        if (id > 0 && rdsSources.contains(id))
            link.insert(it.key(), id);
    }

    const auto entryOf = [this](int ch, int owner) {
        RDSAFEntry e;
        e.freq = afCode(channelFreqs.value(ch));
        e.mark = static_cast<u16>(ch);
        e.regional = rdsSources[owner].afr.contains(e.freq) ? 1 : 0;
        return e;
    };

    for (auto a = link.cbegin(); a != link.cend(); ++a) {
        const int s = a.value();
        const RDSAFEntry entryA = entryOf(a.key(), s);
        RDSSource &S = rdsSources[s];
        if (!hasFreq(S.af, entryA.freq))
            S.af.append(entryA);
        for (auto b = link.cbegin(); b != link.cend(); ++b) {
            if (b.key() == a.key())
                continue;
            const int t = b.value();
            RDSSource &T = rdsSources[t];
            if (T.pi != S.pi)
                continue;
            if (!hasFreq(T.af, entryA.freq))
                T.af.append(entryA);
            const RDSAFEntry entryB = entryOf(b.key(), t);
            if (!hasFreq(S.af, entryB.freq))
                S.af.append(entryB);
        }
        std::stable_sort(S.af.begin(), S.af.end(),
                         [](const RDSAFEntry &x, const RDSAFEntry &y) { return x.mark < y.mark; });
        if (sameAfFrequencies(S.af, autoAfs.value(s)))
            continue;
        autoAfs.insert(s, S.af);
        notify(QStringLiteral("rds.%1.af").arg(s), afListText(S.af + S.afs));
    }

    // EON entries that name a channel follow the lists of that channel's
    // source, and its programme when the channel took another source.
    followEonLinks();
}
