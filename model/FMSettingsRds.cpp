// RDS sources: loading a source from its group, the RDS editor's writers and
// the readers of the encoders and pages.
#include "FMSettings.h"

#include "RecordText.h"
#include "SettingsGroupReader.h"

#include <QCoreApplication>

namespace {

QString rdsGroup(int n)
{
    return QStringLiteral("rds.%1").arg(n);
}

// The empty (not null) value of a broadcast that tells observers to fetch the
// record; a null value would read as a removal.
QVariant fetchRecord()
{
    return QString(QLatin1String(""));
}

// The fields that the RDS editor's save writes; everything else keeps the
// cached value.
RDSSource withEditorFields(const RDSSource &cached, const RDSSource &rec)
{
    RDSSource next = rec;
    next.used = cached.used;
    next.name = cached.name;
    next.eon = cached.eon;
    next.oda = cached.oda;
    next.af = cached.af;
    next.afs = cached.afs;
    next.afCodes = cached.afCodes;
    next.afr = cached.afr;
    next.gmin = cached.gmin;
    return next;
}

// EON entries are addressed by their position in the list: the automatic AF
// lists are stored under "eon/<position>/af" and broadcasts name the
// position. A hand-edited list numbered otherwise ("eon\-1", "eon\01",
// gaps) is renumbered 0, 1, ... in the order in which it was read, with the
// sub-keys of each entry; numbered sub-groups of no entry are dropped, so
// that no entry takes them over. A correction of loading: no events, no
// dirty mark. The caller has the source's group open under the store's lock.
void renumberEonKeys(QSettings &ini)
{
    ini.beginGroup(QStringLiteral("eon"));
    const auto numbered = RecordText::numberedKeys(ini.childKeys());
    bool canonical = true;
    for (int i = 0; i < numbered.size() && canonical; ++i)
        canonical = numbered.at(i).second == QString::number(i);
    if (canonical) {
        ini.endGroup();
        return;
    }
    struct Entry
    {
        QVariant value;
        QList<QPair<QString, QVariant>> subKeys;
    };
    QList<Entry> entries;
    for (const auto &nk : numbered) {
        Entry e;
        e.value = ini.value(nk.second);
        ini.beginGroup(nk.second);
        for (const QString &k : ini.allKeys())
            e.subKeys.append({k, ini.value(k)});
        ini.endGroup();
        entries.append(e);
    }
    for (const QString &k : ini.childKeys() + ini.childGroups()) {
        bool ok = false;
        k.toInt(&ok);
        if (ok)
            ini.remove(k);
    }
    for (int i = 0; i < entries.size(); ++i) {
        const QString key = QString::number(i);
        ini.setValue(key, entries.at(i).value);
        for (const auto &sub : entries.at(i).subKeys)
            ini.setValue(key + QLatin1Char('/') + sub.first, sub.second);
    }
    ini.endGroup();
}

} // namespace

RDSSource FMSettings::loadRds(int n)
{
    if (n < 1)
        return RDSSource();
    WriteLock lock(recordLock);
    return loadRdsLocked(n);
}

RDSSource FMSettings::loadRdsLocked(int n)
{
    const auto cached = rdsSources.constFind(n);
    const bool wasCached = cached != rdsSources.cend();
    const u16 oldPi = wasCached ? cached->pi : 0;
    RDSSource rec = rdsSources.value(n);
    const bool converted = gminFlag != 0;
    const bool present = withWriteLock([&](QSettings &ini) {
        ini.beginGroup(rdsGroup(n));
        SettingsGroupReader in(ini);
        if (!RDSSource::hasOwnKeys(in))
            return false;
        QList<QPair<QString, QVariant>> rewrites;
        rec.readFrom(n, in, converted, &rewrites);
        // Old group spacings converted to rates: corrections of the loader,
        // written back without events and without the dirty mark.
        for (const auto &kv : rewrites)
            ini.setValue(kv.first, kv.second);
        renumberEonKeys(ini);
        return true;
    });
    if (!present) {
        // Its channels leave the automatic AF lists, and EON entries that
        // named them their link.
        if (rdsSources.remove(n) > 0 && afDirty)
            computeAF();
        else if (wasCached)
            followEonLinks();
        return RDSSource();
    }
    rdsSources.insert(n, rec);
    // The entries read from the file take their linked programmes again, and
    // the entries of other sources that name this one follow it.
    followEonLinks(n);
    refreshEon(n, rec);
    // Programmes that share a PI are each other's alternative frequencies:
    // once the automatic lists exist they follow a new PI at once, as a load
    // would make them.
    if (afDirty && (!wasCached || oldPi != rec.pi))
        computeAF();
    return rdsSources.value(n);
}

bool FMSettings::setRds(int n, const RDSSource &rec)
{
    if (n < 1)
        return false;
    WriteLock lock(recordLock);
    const QString p = rdsGroup(n) + QLatin1Char('.');
    RDSSource &cached = rdsSources[n];
    const u16 oldPi = cached.pi;
    RDSSource next = withEditorFields(cached, rec);
    next.files = cached.files;
    next.rttag = cached.rttag;
    cached = next;
    for (const auto &kv : rec.scalarValues())
        Settings::setValue(p + kv.first, kv.second, true);

    if (rec.files != cached.files) {
        cached.files = rec.files;
        Settings::setValue(p + QLatin1String("files"), rec.files, true);
    }

    // RadioText+ tags are rewritten every time, without events; one
    // broadcast tells the observers when the list changed.
    const QString tagBase = rdsGroup(n) + QLatin1String("/rttag/");
    for (int i = 0; i < rec.rttag.size(); ++i)
        writeRaw(tagBase + QString::number(i), rec.rttag.at(i).toText());
    removeStaleItems(rdsGroup(n) + QLatin1String("/rttag"), rec.rttag.size());
    // The loader reads every key of "rttag", one that is no number or too
    // large for one as a tag too ("rttag\x", "rttag\99999999999"): such
    // keys go as well, or the tags the editor removed would come back.
    const bool junkTags = withWriteLock([&](QSettings &ini) {
        ini.beginGroup(rdsGroup(n) + QLatin1String("/rttag"));
        bool any = false;
        for (const QString &k : ini.childKeys() + ini.childGroups()) {
            bool ok = false;
            k.toInt(&ok);
            if (!ok) {
                ini.remove(k);
                any = true;
            }
        }
        return any;
    });
    if (junkTags)
        dirty = true;
    if (rec.rttag != cached.rttag) {
        cached.rttag = rec.rttag;
        dirty = true; // the tag keys were written without the store's mark
        notify(rdsGroup(n) + QLatin1String("/rttag"), fetchRecord());
    }

    refreshEon(n, cached);
    if (afDirty && cached.pi != oldPi)
        computeAF();
    return true;
}

bool FMSettings::setRdsName(int n, const QString &name)
{
    if (n < 1)
        return false;
    WriteLock lock(recordLock);
    rdsSources[n].name = name;
    Settings::setValue(rdsGroup(n) + QLatin1String(".name"), name, true);
    return true;
}

RDSSource FMSettings::rds(int n) const
{
    ReadLock lock(recordLock);
    return rdsSources.value(n);
}

QMap<int, RDSSource> FMSettings::rdsMap() const
{
    ReadLock lock(recordLock);
    return rdsSources;
}

QMap<int, QString> FMSettings::rdsNames() const
{
    QMap<int, QString> names;
    names.insert(0, QCoreApplication::translate("FMSettings", "<kein>"));
    ReadLock lock(recordLock);
    for (auto it = rdsSources.cbegin(); it != rdsSources.cend(); ++it) {
        if (it.key() >= 1 && it->used)
            names.insert(it.key(), it->name);
    }
    return names;
}

void FMSettings::removeStaleItems(const QString &listGroup, int count)
{
    const bool removed = withWriteLock([&](QSettings &ini) {
        ini.beginGroup(listGroup);
        QStringList names = ini.childKeys() + ini.childGroups();
        names.removeDuplicates();
        bool any = false;
        for (const QString &k : names) {
            bool ok = false;
            const int i = k.toInt(&ok);
            // Only the canonical indices 0..count-1 stay ("01" or "-1" would
            // load as a second item).
            if (ok && (i < 0 || i >= count || k != QString::number(i))) {
                ini.remove(k);
                any = true;
            }
        }
        return any;
    });
    if (removed)
        dirty = true;
}
