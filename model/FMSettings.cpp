#include "FMSettings.h"

#include "ClampedValue.h"
#include "RecordText.h"

#include <QDebug>

#include <algorithm>
#include <climits>

namespace {

// Record groups of the file, dispatched by the loader.
enum class RecordKind { None, Playlist, Audio, Rds, Tmc };

struct RecordPrefix
{
    const char *prefix;
    RecordKind kind;
};
constexpr RecordPrefix recordPrefixes[] = {
    {"playlist.", RecordKind::Playlist},
    {"audio.", RecordKind::Audio},
    {"rds.", RecordKind::Rds},
    {"tmc.", RecordKind::Tmc},
};

RecordKind kindOfGroup(const QString &lowerName)
{
    for (const RecordPrefix &p : recordPrefixes) {
        if (lowerName.startsWith(QLatin1String(p.prefix)))
            return p.kind;
    }
    return RecordKind::None;
}

// The record number of a group name: the decimal number after the first
// '.'; 0 when there is none or it is no number.
int groupNumber(const QString &name)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    bool ok = false;
    const int n = name.mid(dot + 1).toInt(&ok);
    return ok ? n : 0;
}

// The name of a new source: the group name with its section turned into
// the display form ("audio.3" -> "Audio-3", "rds.3" -> "RDS-3").
QString audioName(int id)
{
    return QStringLiteral("Audio-%1").arg(id);
}

QString upperName(const QString &group)
{
    QString name = group;
    name.replace(QLatin1Char('.'), QLatin1Char('-'));
    return name.toUpper();
}

constexpr int maxBoards = 4;

// The id of a new record: the highest id + 1 (1 for an empty map). When the
// highest id is the largest int (a hand-edited file), the smallest free id
// is taken instead of wrapping to a negative one.
template <typename Map>
int nextId(const Map &records)
{
    if (records.isEmpty())
        return 1;
    const int last = records.lastKey();
    if (last < INT_MAX)
        return std::max(last + 1, 1);
    int id = 1;
    while (records.contains(id))
        ++id;
    return id;
}

} // namespace

FMSettings::FMSettings(const QString &fileName, QObject *parent) : Settings(fileName, parent)
{
    buildKeyTable();
    readFile();
    // The used channels take part in the distances and the automatic AF
    // lists from the start, whatever board count the owner sets later.
    refreshChannelFreqs();
}

FMSettings::~FMSettings() = default;

// ---- Loading -------------------------------------------------------------

void FMSettings::readFile()
{
    {
        WriteLock locker(recordLock);
        audios.clear();
        playlists.clear();
    }
    foldKeyCase();

    const int gmin = int(ClampedValue::toInt(rawValue(QStringLiteral("board/gmin")), 0, INT_MIN, INT_MAX));
    int loadedBand = int(ClampedValue::toInt(rawValue(QStringLiteral("board/band")), 0, INT_MIN, INT_MAX));
    int loadedAttn = int(ClampedValue::toInt(rawValue(QStringLiteral("board/attn")), 0, INT_MIN, INT_MAX));
    {
        WriteLock locker(recordLock);
        gminFlag = gmin;
    }
    applyBoard(loadedBand, loadedAttn, false);

    const QStringList groups = topGroups();
    for (const QString &name : groups) {
        const int id = groupNumber(name);
        if (id < 1)
            continue;
        switch (kindOfGroup(name.toLower())) {
        case RecordKind::Playlist:
            loadPlaylist(id);
            break;
        case RecordKind::Audio:
            loadAudio(id);
            break;
        case RecordKind::Rds:
            loadRdsSource(id);
            break;
        case RecordKind::Tmc:
            loadTmcSource(id);
            break;
        case RecordKind::None:
            break;
        }
    }

    if (gmin == 0) {
        // The group rates of the RDS sources above were read in the older
        // form and converted; mark the file so that they are not again.
        {
            WriteLock locker(recordLock);
            gminFlag = 1;
        }
        writeRaw(QStringLiteral("board/gmin"), 1);
    }
}

void FMSettings::foldKeyCase()
{
    withWriteLock([](QSettings &ini) {
        const QStringList keys = ini.allKeys();
        QList<QPair<QString, QVariant>> renamed;
        for (const QString &key : keys) {
            const QString lower = key.toLower();
            if (lower == key)
                continue;
            if (!keys.contains(lower))
                renamed.append({lower, ini.value(key)});
        }
        for (const QString &key : keys) {
            if (key != key.toLower())
                ini.remove(key);
        }
        for (const auto &entry : qAsConst(renamed))
            ini.setValue(entry.first, entry.second);
    });
}

// ---- Board count ---------------------------------------------------------

int FMSettings::band() const
{
    ReadLock locker(recordLock);
    return curBand;
}

int FMSettings::attn() const
{
    ReadLock locker(recordLock);
    return curAttn;
}

void FMSettings::setBoardCount(int n)
{
    n = qBound(1, n, maxBoards);
    if (n == boards.load())
        return;
    boards.store(n);
    {
        WriteLock locker(recordLock);
        channelFreqs.clear();
        channelDists.clear();
    }
    refreshChannelFreqs();
}

// ---- New sources ---------------------------------------------------------

AudioSource FMSettings::addAudio(const QString &file)
{
    WriteLock locker(recordLock);
    int reuse = 0;
    for (auto it = audios.cbegin(); it != audios.cend(); ++it) {
        if (!reuse && !it->used)
            reuse = it.key();
    }
    const int id = reuse ? reuse : nextId(audios);
    const QString group = QStringLiteral("audio.%1").arg(id);
    AudioSource &source = audios[id];
    if (reuse) {
        source.used = 1;
        setValue(group + QStringLiteral("/used"), QStringLiteral("1"), true);
    } else {
        source = AudioSource();
        source.name = audioName(id);
        setValue(group + QStringLiteral("/name"), source.name, true);
        setValue(group + QStringLiteral("/used"), QStringLiteral("1"), true);
    }
    if (!file.isEmpty()) {
        source.type = AudioSource::File;
        source.file = file;
        setValue(group + QStringLiteral("/type"), QString::number(AudioSource::File), true);
        setValue(group + QStringLiteral("/file"), file, true);
    }
    return source;
}

int FMSettings::addPlaylist()
{
    WriteLock locker(recordLock);
    int id = 1;
    while (playlists.contains(id))
        ++id;
    playlists.insert(id, Playlist());
    return id;
}

int FMSettings::addRds()
{
    WriteLock locker(recordLock);
    for (auto it = rdsSources.begin(); it != rdsSources.end(); ++it) {
        if (!it->used) {
            it->used = true;
            setValue(QStringLiteral("rds.%1/used").arg(it.key()), QStringLiteral("1"), true);
            return it.key();
        }
    }
    const int id = nextId(rdsSources);
    const QString group = QStringLiteral("rds.%1").arg(id);
    RDSSource source;
    source.used = true;
    source.name = upperName(group);
    source.ps = source.name;
    source.lps = source.name;
    source.pi = RDSSource::defaultPi(id & 0xFFFF); // 0xD310 + id, 16 bits
    const char *const textKeys[] = {"rta", "rtb", "rtc", "rtd"};
    QString *const texts[] = {&source.rta, &source.rtb, &source.rtc, &source.rtd};
    for (int i = 0; i < 4; ++i)
        *texts[i] = RecordText::text(value(QLatin1String(textKeys[i]), RDSSource::testText(i)));
    rdsSources.insert(id, source);
    setValue(group + QStringLiteral("/name"), source.name, true);
    setValue(group + QStringLiteral("/used"), QStringLiteral("true"), true);
    return id;
}

int FMSettings::addTmc()
{
    WriteLock locker(recordLock);
    for (auto it = tmcSources.begin(); it != tmcSources.end(); ++it) {
        if (!it->used) {
            it->used = true;
            setValue(QStringLiteral("tmc.%1/used").arg(it.key()), QStringLiteral("1"), true);
            return it.key();
        }
    }
    const int id = nextId(tmcSources);
    const QString group = QStringLiteral("tmc.%1").arg(id);
    TMCSource source;
    source.used = true;
    source.name = upperName(group);
    source.spn = source.name;
    source.spn.replace(QStringLiteral("TMC"), QStringLiteral("SPN"));
    qDebug("TMC: new source [%s]", qPrintable(source.name));
    tmcSources.insert(id, source);
    setValue(group + QStringLiteral("/used"), QStringLiteral("true"), true);
    setValue(group + QStringLiteral("/name"), source.name, true);
    // A missing key loads with the value older projects were written with,
    // not that of a new record: every field is stored, so that the source
    // reads back (and goes on air) as it was added.
    for (const auto &kv : source.scalarValues())
        setValue(group + QLatin1Char('/') + kv.first, kv.second, true);
    return id;
}

void FMSettings::setRdsUsed(int id)
{
    WriteLock locker(recordLock);
    const auto it = rdsSources.find(id);
    if (it == rdsSources.end())
        return;
    it->used = false;
    setValue(QStringLiteral("rds.%1/used").arg(id), QStringLiteral("0"), true);
}

// ---- EON links -----------------------------------------------------------
//
// An EON entry that names a channel describes the programme of that
// channel's RDS source: its PI, PS, PTY, TP and TA, and, once the automatic
// AF lists exist, its AF list (the source's automatic list followed by its
// manual one). Every writer of either side brings the entries up to date at
// once, so that what goes on air never changes with a save and reload.

namespace {

// Takes the programme fields of source into e; true when one changed.
bool takeProgramme(EON &e, const RDSSource &source)
{
    const bool same = e.pi == source.pi && e.ps == source.ps && e.pty == source.pty && e.tp == source.tp &&
                      e.ta == source.ta;
    e.pi = source.pi;
    e.ps = source.ps;
    e.pty = source.pty;
    e.tp = source.tp;
    e.ta = source.ta;
    return !same;
}

QString eonKey(int owner, int m)
{
    return QStringLiteral("rds.%1.eon.%2").arg(owner).arg(m);
}

} // namespace

int FMSettings::eonSource(const EON &e) const
{
    if (e.channel == 0)
        return 0;
    const QVariant link = rawValue(QStringLiteral("channel.%1/idrds").arg(e.channel));
    return int(ClampedValue::toInt(link, 0, INT_MIN, INT_MAX));
}

void FMSettings::followEonAf(int owner, int m, EON &e, const RDSSource &source)
{
    // Before the automatic lists are computed the entry keeps what it has;
    // their computation brings it up to date.
    if (!afDirty)
        return;
    const QList<RDSAFEntry> list = source.af + source.afs;
    if (sameAfFrequencies(list, e.af))
        return;
    e.af = list;
    Settings::setValue(eonKey(owner, m) + QLatin1String(".af"), afListText(list), true);
}

void FMSettings::followProgramme(int owner, int m, EON &e, const RDSSource &source, bool announce)
{
    const bool psChanged = e.ps != source.ps;
    if (takeProgramme(e, source) || announce)
        notify(eonKey(owner, m), e.toText());
    // Remote clients and pages read the PS of an entry under its own key.
    if (psChanged)
        notify(eonKey(owner, m) + QLatin1String(".ps"), e.ps);
    followEonAf(owner, m, e, source);
}

void FMSettings::refreshEon(int id, const RDSSource &source)
{
    for (auto it = rdsSources.begin(); it != rdsSources.end(); ++it) {
        QList<EON> &entries = it->eon;
        for (int i = 0; i < entries.size(); ++i) {
            if (eonSource(entries.at(i)) == id)
                followProgramme(it.key(), i, entries[i], source, true);
        }
    }
}

void FMSettings::followEonLinks(int owner)
{
    for (auto it = rdsSources.begin(); it != rdsSources.end(); ++it) {
        if (owner != 0 && it.key() != owner)
            continue;
        QList<EON> &entries = it->eon;
        for (int i = 0; i < entries.size(); ++i) {
            EON &e = entries[i];
            if (e.channel == 0)
                continue;
            const auto linked = rdsSources.constFind(eonSource(e));
            if (linked != rdsSources.cend())
                followProgramme(it.key(), i, e, *linked, false);
            else
                keepEndedLink(it.key(), i, e);
        }
    }
}

void FMSettings::keepEndedLink(int owner, int m, const EON &e)
{
    // An entry that follows no link sends what the file holds, except right
    // after its link ended (its channel took another source or none): then
    // it still sends its last programme, which the file takes, so that GET,
    // the air and the next load agree.
    const QString key = QStringLiteral("rds.%1/eon/%2").arg(owner).arg(m);
    const EON stored = EON::fromText(RecordText::text(Settings::value(key)));
    if (stored.toText() != e.toText())
        Settings::setValue(key, e.toText(), true);
    keepSentFields(key, e, true, nullptr);
}

void FMSettings::keepSentFields(const QString &item, const EON &e, bool notify, QObject *source)
{
    if (RecordText::text(Settings::value(item + QLatin1String("/ps"))) != e.ps)
        Settings::setValue(item + QLatin1String("/ps"), e.ps, notify, source);
    const QString af = afListText(e.af);
    if (afListText(parseAfList(RecordText::text(Settings::value(item + QLatin1String("/af"))))) != af)
        Settings::setValue(item + QLatin1String("/af"), af, notify, source);
}

bool FMSettings::linkedEon(EON &e) const
{
    // The channel's link is read from the file before the record lock is
    // taken, never under it.
    const int source = eonSource(e);
    ReadLock lock(recordLock);
    const auto linked = rdsSources.constFind(source);
    if (e.channel == 0 || linked == rdsSources.cend())
        return false;
    takeProgramme(e, *linked);
    e.af = linked->af + linked->afs;
    return true;
}

bool FMSettings::linkedEonSent(const QString &item, EON &sent) const
{
    // "rds.N/eon/M", M written plainly.
    const QStringList parts = item.split(QLatin1Char('/'));
    if (parts.size() != 3 || parts.at(1) != QLatin1String("eon") || !parts.at(0).startsWith(QLatin1String("rds.")) ||
        !RecordText::isWholeNumber(parts.at(2)))
        return false;
    bool idOk = false;
    bool mOk = false;
    const int id = parts.at(0).mid(4).toInt(&idOk);
    const int m = parts.at(2).toInt(&mOk);
    ReadLock lock(recordLock);
    const auto src = rdsSources.constFind(id);
    if (!idOk || !mOk || QString::number(m) != parts.at(2) || src == rdsSources.cend() || m >= src->eon.size())
        return false;
    // The cached entry is what the encoders send; it follows its link only
    // while the channel's RDS source exists, also when the file holds no PS
    // or AF list for it (an entry linked by a SET of it or of its channel's
    // source).
    const EON &e = src->eon.at(m);
    if (e.channel == 0 || !rdsSources.contains(eonSource(e)))
        return false;
    sent = e;
    return true;
}

QVariant FMSettings::valueOnAir(const QString &key)
{
    const QString norm = normalizeKey(key);
    const QVariant entry = keyTableEntry(norm);
    if (entry.isValid())
        return entry;
    const QVariant stored = Settings::value(norm);
    // "rds.N/eon/M", "rds.N/eon/M/ps" and "rds.N/eon/M/af".
    const QStringList parts = norm.split(QLatin1Char('/'));
    if (parts.size() < 3 || parts.size() > 4)
        return stored;
    const QString field = parts.value(3);
    if (!field.isEmpty() && field != QLatin1String("ps") && field != QLatin1String("af"))
        return stored;
    EON e;
    if (!linkedEonSent(parts.mid(0, 3).join(QLatin1Char('/')), e))
        return stored;
    return field.isEmpty() ? e.toText() : field == QLatin1String("ps") ? e.ps : afListText(e.af);
}

void FMSettings::addLinkedEonFields(const QString &group, QStringList &keys)
{
    // "rds.N" lists its entries as "eon/M", "rds.N/eon" as "M".
    const QStringList parts = group.split(QLatin1Char('/'));
    if (!group.startsWith(QLatin1String("rds.")) || parts.size() > 2 ||
        (parts.size() == 2 && parts.at(1) != QLatin1String("eon")))
        return;
    const QString base = parts.size() == 1 ? QStringLiteral("eon/") : QString();
    bool idOk = false;
    const int id = parts.at(0).mid(4).toInt(&idOk);
    ReadLock lock(recordLock);
    const auto src = rdsSources.constFind(id);
    if (!idOk || src == rdsSources.cend())
        return;
    for (int m = 0; m < src->eon.size(); ++m) {
        const QString entry = base + QString::number(m);
        const EON &e = src->eon.at(m);
        if (!keys.contains(entry) || e.channel == 0 || !rdsSources.contains(eonSource(e)))
            continue;
        for (const char *field : {"/af", "/ps"}) {
            const QString k = entry + QLatin1String(field);
            if (keys.contains(k))
                continue;
            // In the listing's order, after the keys that sort before it.
            auto at = keys.begin();
            while (at != keys.end() && at->compare(k, Qt::CaseInsensitive) < 0)
                ++at;
            keys.insert(at, k);
        }
    }
}
