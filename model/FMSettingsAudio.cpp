#include "FMSettings.h"

#include "ClampedValue.h"
#include "RecordText.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

namespace {

constexpr qint64 u16Max = 0xFFFF;
constexpr qint64 u32Max = 0xFFFFFFFFLL;

QString audioGroup(int id)
{
    return QStringLiteral("audio.%1").arg(id);
}

QString playlistGroup(int id)
{
    return QStringLiteral("playlist.%1").arg(id);
}

u16 readU16(const QMap<QString, QVariant> &keys, const char *key, u16 fallback)
{
    return u16(ClampedValue::toInt(keys.value(QLatin1String(key)), fallback, 0, u16Max));
}

// The files of a playlist group: the values of its numeric keys in rising
// key order; gaps close up, "name" and other keys are no files.
QStringList filesOfGroup(const QMap<QString, QVariant> &keys)
{
    QStringList files;
    const auto numbered = RecordText::numberedKeys(keys.keys());
    for (const auto &entry : numbered)
        files.append(RecordText::text(keys.value(entry.second)));
    return files;
}

// Reads the direct keys of the open group of ini.
QMap<QString, QVariant> directKeys(const QSettings &ini)
{
    QMap<QString, QVariant> keys;
    const QStringList names = ini.childKeys();
    for (const QString &k : names)
        keys.insert(k, ini.value(k));
    return keys;
}

} // namespace

// ---- Readers -------------------------------------------------------------

AudioSource FMSettings::audio(int id) const
{
    ReadLock locker(recordLock);
    return audios.value(id);
}

QMap<int, AudioSource> FMSettings::audioMap() const
{
    ReadLock locker(recordLock);
    return audios;
}

QMap<int, QString> FMSettings::audioNames() const
{
    QMap<int, QString> names;
    names.insert(0, QCoreApplication::translate("FMSettings", "<kein>"));
    ReadLock locker(recordLock);
    for (auto it = audios.cbegin(); it != audios.cend(); ++it) {
        if (it.key() != 0 && it->used)
            names.insert(it.key(), it->name);
    }
    return names;
}

QStringList FMSettings::audioTypeNames()
{
    return {QCoreApplication::translate("FMSettings", "Sinus"),
            QCoreApplication::translate("FMSettings", "Rampe"),
            QCoreApplication::translate("FMSettings", "Datei")};
}

QStringList FMSettings::playlistFiles(int id) const
{
    ReadLock locker(recordLock);
    return playlists.value(id).files;
}

// ---- Loaders -------------------------------------------------------------

AudioSource FMSettings::loadAudio(int id)
{
    if (id < 1)
        return AudioSource();
    WriteLock locker(recordLock);
    const QMap<QString, QVariant> keys = readGroup(audioGroup(id));
    if (keys.isEmpty()) {
        audios.remove(id);
        return AudioSource();
    }
    // Fallbacks of a group that lacks a key; they differ from the defaults
    // of a new record (volumes 100, time 10).
    AudioSource &a = audios[id];
    const QVariant used = keys.value(QStringLiteral("used"));
    a.used = used.isValid() ? RecordText::boolean(used) : true;
    a.type = u32(ClampedValue::toInt(keys.value(QStringLiteral("type")), 0, 0, u32Max));
    const QVariant name = keys.value(QStringLiteral("name"));
    a.name = name.isValid() ? RecordText::text(name) : QStringLiteral("Audio-%1").arg(id);
    a.file = RecordText::text(keys.value(QStringLiteral("file")));
    a.frq1 = readU16(keys, "frq1", 440);
    a.frq2 = readU16(keys, "frq2", 880);
    a.vol1 = readU16(keys, "vol1", 100);
    a.vol2 = readU16(keys, "vol2", 100);
    a.time = readU16(keys, "time", 10);
    return a;
}

Playlist FMSettings::loadPlaylist(int id)
{
    if (id < 1)
        return Playlist();
    const QString group = playlistGroup(id);
    WriteLock locker(recordLock);
    const QMap<QString, QVariant> keys = withWriteLock([&group](QSettings &ini) {
        ini.beginGroup(group);
        return directKeys(ini);
    });
    if (keys.isEmpty()) {
        playlists.remove(id);
        return Playlist();
    }
    Playlist &p = playlists[id];
    const QVariant name = keys.value(QStringLiteral("name"));
    // "playlist.3" without a name is called "Playlist.3".
    p.name = name.isValid() ? RecordText::text(name) : QLatin1Char('P') + group.mid(1);
    p.files = filesOfGroup(keys);
    return p;
}

// ---- Audio writers -------------------------------------------------------

void FMSettings::setAudioTone(int id, int frq1, int frq2, int vol1, int vol2, int time)
{
    if (id < 1)
        return;
    WriteLock locker(recordLock);
    AudioSource &a = audios[id];
    const QString group = audioGroup(id);
    const struct
    {
        int value;
        u16 *field;
        const char *key;
    } tones[] = {{frq1, &a.frq1, "/frq1"}, {frq2, &a.frq2, "/frq2"}, {vol1, &a.vol1, "/vol1"},
                 {vol2, &a.vol2, "/vol2"}, {time, &a.time, "/time"}};
    for (const auto &t : tones) {
        if (t.value < 0)
            continue;
        *t.field = u16(qMin<qint64>(t.value, u16Max));
        setValue(group + QLatin1String(t.key), QString::number(*t.field), true);
    }
}

void FMSettings::setAudioFile(int id, const QString &file)
{
    if (id < 1)
        return;
    WriteLock locker(recordLock);
    audios[id].file = file;
    const QString key = audioGroup(id) + QStringLiteral("/file");
    if (!file.isEmpty()) {
        setValue(key, file, true);
        return;
    }
    const bool removed = withWriteLock([&key](QSettings &ini) {
        if (!ini.contains(key))
            return false;
        ini.remove(key);
        return true;
    });
    if (removed)
        dirty = true; // an operator's change, though written without event
}

void FMSettings::setAudioName(int id, const QString &name)
{
    if (id < 1)
        return;
    WriteLock locker(recordLock);
    audios[id].name = name;
    setValue(audioGroup(id) + QStringLiteral("/name"), name, true);
}

void FMSettings::setAudioType(int id, u32 type)
{
    if (id < 1)
        return;
    WriteLock locker(recordLock);
    audios[id].type = type;
    setValue(audioGroup(id) + QStringLiteral("/type"), QString::number(type), true);
}

void FMSettings::setAudioUsed(int id)
{
    WriteLock locker(recordLock);
    const auto it = audios.find(id);
    if (it == audios.end())
        return;
    it->used = 0;
    setValue(audioGroup(id) + QStringLiteral("/used"), QStringLiteral("0"), true);
}

// ---- Playlist writers ----------------------------------------------------

bool FMSettings::setPlaylistName(int id, const QString &name)
{
    WriteLock locker(recordLock);
    const auto it = playlists.find(id);
    if (it == playlists.end())
        return false;
    it->name = name;
    setValue(playlistGroup(id) + QStringLiteral("/name"), name, true);
    return true;
}

void FMSettings::setPlaylistFiles(int id, const QStringList &files)
{
    if (id < 1)
        return;
    WriteLock locker(recordLock);
    writePlaylist(id, files);
    playlists[id].files = files;
}

QStringList FMSettings::insertPlaylistFiles(int id, int pos, const QStringList &files)
{
    if (id < 1)
        return QStringList();
    WriteLock locker(recordLock);
    QStringList list = playlists.value(id).files;
    if (pos < 0 || pos >= list.size()) {
        list += files;
    } else {
        for (int i = 0; i < files.size(); ++i)
            list.insert(pos + i, files.at(i));
    }
    for (QString &path : list)
        path = QFileInfo(path).absoluteFilePath();
    writePlaylist(id, list);
    playlists[id].files = list;
    return list;
}

bool FMSettings::removePlaylist(int id)
{
    WriteLock locker(recordLock);
    if (!playlists.contains(id))
        return false;
    playlists.remove(id);
    const QString group = playlistGroup(id);
    removeRaw(group);
    dirty = true; // an operator's change, though written without event
    for (auto it = audios.begin(); it != audios.end(); ++it) {
        if (it->file.compare(group, Qt::CaseInsensitive) != 0)
            continue;
        it->file.clear();
        setValue(audioGroup(it.key()) + QStringLiteral("/file"), QString(QLatin1String("")), true);
        qDebug("FMS: audio.%d lost its playlist", it.key());
    }
    return true;
}

void FMSettings::writePlaylist(int id, const QStringList &files)
{
    const QString group = normalizeKey(playlistGroup(id));
    // Rewrite the group straight in the file; collect the entries that
    // changed, which are then stored with change events.
    const QStringList oldFiles = withWriteLock([&](QSettings &ini) {
        ini.beginGroup(group);
        const QMap<QString, QVariant> keys = directKeys(ini);
        ini.endGroup();
        const QVariant name = keys.value(QStringLiteral("name"));
        const QStringList old = filesOfGroup(keys);
        ini.remove(group);
        if (name.isValid() && !RecordText::text(name).isEmpty())
            ini.setValue(group + QStringLiteral("/name"), name);
        for (int i = 0; i < files.size() && i < old.size(); ++i) {
            if (old.at(i) == files.at(i))
                ini.setValue(group + QLatin1Char('/') + QString::number(i), files.at(i));
        }
        return old;
    });
    for (int i = 0; i < files.size(); ++i) {
        if (i >= oldFiles.size() || oldFiles.at(i) != files.at(i))
            setValue(group + QLatin1Char('/') + QString::number(i), files.at(i), true);
    }
    if (oldFiles != files)
        dirty = true; // also when the list only got shorter
    notify(group + QLatin1Char('/') + QString::number(files.size()), QString(QLatin1String("")));
}
