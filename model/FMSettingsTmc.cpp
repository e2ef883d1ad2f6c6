// TMC sources and their messages: loading a source from its group, the TMC
// editor's writers and the readers of the encoders.
#include "FMSettings.h"

#include "SettingsGroupReader.h"

namespace {

QString tmcGroup(int id)
{
    return QStringLiteral("tmc.%1").arg(id);
}

// The empty (not null) value of a broadcast that tells observers to fetch the
// record; a null value would read as a removal.
QVariant fetchRecord()
{
    return QString(QLatin1String(""));
}

} // namespace

TMCSource FMSettings::readTmc(int id)
{
    if (id < 1)
        return TMCSource();
    WriteLock lock(recordLock);
    TMCSource rec = tmcSources.value(id);
    const bool present = withWriteLock([&](QSettings &ini) {
        ini.beginGroup(tmcGroup(id));
        if (ini.allKeys().isEmpty())
            return false;
        rec.readFrom(id, SettingsGroupReader(ini));
        return true;
    });
    if (!present) {
        tmcSources.remove(id);
        return TMCSource();
    }
    tmcSources.insert(id, rec);
    return rec;
}

TMCSource FMSettings::tmc(int id) const
{
    ReadLock lock(recordLock);
    return tmcSources.value(id);
}

QMap<int, TMCSource> FMSettings::tmcMap() const
{
    ReadLock lock(recordLock);
    return tmcSources;
}

QMap<int, QString> FMSettings::tmcNames() const
{
    QMap<int, QString> names;
    ReadLock lock(recordLock);
    for (auto it = tmcSources.cbegin(); it != tmcSources.cend(); ++it) {
        if (it->used)
            names.insert(it.key(), it->name);
    }
    return names;
}

bool FMSettings::setTmc(int id, const TMCSource &rec)
{
    if (id < 1)
        return false;
    WriteLock lock(recordLock);
    TMCSource &cached = tmcSources[id];
    const TMCSource kept = cached;
    cached = rec;
    cached.used = kept.used;
    cached.name = kept.name;
    cached.skt = kept.skt;
    const QString p = tmcGroup(id) + QLatin1Char('/');
    for (const auto &kv : rec.scalarValues())
        Settings::setValue(p + kv.first, kv.second, true);
    for (int i = 0; i < rec.messages.size(); ++i)
        Settings::setValue(p + QString::number(i), rec.messages.at(i).toText(), true);
    removeStaleItems(tmcGroup(id), rec.messages.size());
    return true;
}

bool FMSettings::setTmcKey(int id, u8 index, u16 key)
{
    if (id < 1 || index >= TMCSource::keyCount)
        return false;
    WriteLock lock(recordLock);
    TMCSource &cached = tmcSources[id];
    cached.skt[index] = key;
    Settings::setValue(tmcGroup(id) + QLatin1String("/skt"), cached.sktText(), true);
    return true;
}

void FMSettings::setTmcMessage(int id, int index, const TMCMessage &msg)
{
    WriteLock lock(recordLock);
    const auto it = tmcSources.find(id);
    if (it == tmcSources.end())
        return;
    QList<TMCMessage> &messages = it->messages;
    // An index past the end would leave a gap that ends the list on loading.
    if (index < 0 || index > messages.size())
        return;
    if (index < messages.size())
        messages[index] = msg;
    else
        messages.append(msg);
    Settings::setValue(QStringLiteral("tmc.%1/%2").arg(id).arg(index), msg.toText(), true);
}

void FMSettings::removeTmcMessage(int id, int index)
{
    WriteLock lock(recordLock);
    const auto it = tmcSources.find(id);
    if (it == tmcSources.end() || index < 0)
        return;
    QList<TMCMessage> &messages = it->messages;
    if (index < messages.size()) {
        messages.erase(messages.begin() + index, messages.end());
        removeStaleItems(tmcGroup(id), index);
    }
    notify(tmcGroup(id), fetchRecord());
}

bool FMSettings::setTmcUsed(int id)
{
    WriteLock lock(recordLock);
    const auto it = tmcSources.find(id);
    if (it == tmcSources.end())
        return false;
    it->used = false;
    Settings::setValue(tmcGroup(id) + QLatin1String(".used"), QStringLiteral("0"), true);
    unlinkTmcLocked(id);
    return true;
}

void FMSettings::unlinkTmcLocked(int id)
{
    // The RDS sources that sent it send none now; otherwise the next new
    // TMC source, which takes this id again, would go on air with them.
    for (auto src = rdsSources.begin(); src != rdsSources.end(); ++src) {
        if (src->tmcsi != id)
            continue;
        src->tmcsi = 0;
        Settings::setValue(QStringLiteral("rds.%1/tmcsi").arg(src.key()), QStringLiteral("0"), true);
    }
}

void FMSettings::unlinkRemovedTmc(const QList<int> &ids)
{
    WriteLock lock(recordLock);
    for (int id : ids) {
        const auto it = tmcSources.constFind(id);
        if (it != tmcSources.cend() && !it->used)
            unlinkTmcLocked(id);
    }
}

bool FMSettings::setTmcName(int id, const QString &name)
{
    if (id < 1)
        return false;
    WriteLock lock(recordLock);
    tmcSources[id].name = name;
    Settings::setValue(tmcGroup(id) + QLatin1String(".name"), name, true);
    return true;
}
