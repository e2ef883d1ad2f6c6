// Validated set, add and delete of text commands, key listing and the
// re-reading of the records a command touched.
#include "FMSettings.h"

#include "KeyCheck.h"
#include "RecordText.h"

#include <QDebug>

using namespace KeyCheck;

namespace {

// The index text of a normalised key: between its first '.' and first '/'.
QString indexText(const QString &key)
{
    const int dot = key.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const int slash = key.indexOf(QLatin1Char('/'), dot);
    return key.mid(dot + 1, slash < 0 ? -1 : slash - dot - 1);
}

// A single record index that lies outside its section ("channel.0",
// "rds.0"); patterns are checked index by index when they are stored. A
// missing index ("tmc.", "playlist/") counts as 0, as in a key pattern.
bool singleIndexOutOfRange(const QString &normalisedKey)
{
    const QString idx = indexText(normalisedKey);
    const QString section = normalisedKey.left(normalisedKey.indexOf(QLatin1Char('.')) + 1);
    if (idx.isEmpty())
        return !section.isEmpty() && !indexInRange(section, 0);
    if (!RecordText::isWholeNumber(idx) && !(idx.startsWith(QLatin1Char('-')) && RecordText::isWholeNumber(idx.mid(1))))
        return false;
    bool ok = false;
    const int n = idx.toInt(&ok);
    return !ok || !indexInRange(section, n);
}

// The normalised key with its record index in the one form the file and the
// record loaders know: "tmc.01" names "tmc.1", as it does in a key pattern.
// Without this, ADD "tmc.01" would report success for an item of a group
// "[tmc.01]" that no record reads.
QString recordKey(const QString &key)
{
    const QString norm = Settings::normalizeKey(key);
    const QString idx = indexText(norm);
    if (idx.size() < 2 || !idx.startsWith(QLatin1Char('0')) || !RecordText::isWholeNumber(idx))
        return norm;
    bool ok = false;
    const int n = idx.toInt(&ok);
    if (!ok)
        return norm;
    const int start = norm.indexOf(QLatin1Char('.')) + 1;
    return norm.left(start) + QString::number(n) + norm.mid(start + idx.size());
}

// Items a list family may hold: the rate table has its 32 entries, other
// lists up to maxItems.
int itemLimit(const QString &generic)
{
    return generic == QLatin1String("rds.gmin.") ? RDSGroupRate::count : maxItems;
}

// The rate table "rds.N/gmin/G" has a fixed place for each group type: DEL
// removes an entry in its place (nothing moves down), and "*" removes every
// entry of the table, also after a gap.
bool isFixedTable(const QString &generic)
{
    return generic == QLatin1String("rds.gmin.");
}

// The entry a key names in a fixed table ("rds.1/gmin/15" names 15): -1
// when it names the table itself ("rds.1/gmin"), -2 when its entry is no
// number 0..count-1 written plainly.
int tableEntry(const QString &norm, int count = RDSGroupRate::count)
{
    const int slash = norm.indexOf(QLatin1Char('/'));
    const int sub = slash < 0 ? -1 : norm.indexOf(QLatin1Char('/'), slash + 1);
    if (sub < 0 || sub == norm.size() - 1)
        return -1;
    const QString g = norm.mid(sub + 1);
    bool ok = false;
    const int n = g.toInt(&ok);
    if (!RecordText::isWholeNumber(g) || !ok || QString::number(n) != g || n >= count)
        return -2;
    return n;
}

// Ok when a rate-table key names one entry 0..31; EntryNeeded for the table
// itself, UnknownKey for any other entry.
int checkTableEntry(const QString &norm)
{
    const int entry = tableEntry(norm);
    if (entry == -1)
        return EntryNeeded;
    return entry < 0 ? UnknownKey : Ok;
}

// The service key table "tmc.N/skt" is described as a family, but its items
// are the values of the one key: ADD appends to that key as to a whole list.
bool isItemFamily(const QString &generic)
{
    return generic.endsWith(QLatin1Char('.')) && generic != QLatin1String("tmc.skt.");
}

// A key naming an entry of the service key table ("tmc.1/skt/5"), which is
// a value of the one key "tmc.1/skt" that the encoder reads.
bool isKeyTableEntry(const QString &generic, const QString &norm)
{
    return generic == QLatin1String("tmc.skt.") && tableEntry(norm, TMCSource::keyCount) != -1;
}

// Channel fields that place a channel in the distances and AF lists.
bool isChannelPlacement(const QString &field)
{
    return field == QLatin1String("/freq") || field == QLatin1String("/used") || field == QLatin1String("/idrds");
}

bool isBoardKey(const QString &key)
{
    return key == QLatin1String("board.band") || key == QLatin1String("board.attn");
}

// The list item a key is a field of ("rds.1/eon/2" for "rds.1/eon/2/ps");
// empty for any other key.
QString parentItem(const QString &norm)
{
    const int slash = norm.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    const QString item = norm.left(slash);
    const int itemSlash = item.lastIndexOf(QLatin1Char('/'));
    if (itemSlash < 0 || !RecordText::isWholeNumber(item.mid(itemSlash + 1)))
        return QString();
    return isItemFamily(FMSettings::genericKey(item)) ? item : QString();
}

} // namespace

bool FMSettings::eonFollowsLink(const QString &item)
{
    EON e = EON::fromText(RecordText::text(Settings::value(item)));
    return linkedEon(e);
}

int FMSettings::checkEonLink(const QString &text, EON *linked) const
{
    const EON given = EON::fromText(text);
    EON e = given;
    if (!linkedEon(e))
        return Ok;
    if (linked)
        *linked = e;
    const bool same = given.pi == e.pi && given.pty == e.pty && given.tp == e.tp && given.ta == e.ta;
    return same ? Ok : FollowsLink;
}

int FMSettings::checkItemField(const QString &normalisedKey)
{
    const QString item = parentItem(normalisedKey);
    if (item.isEmpty())
        return Ok;
    // A field stored before its item would be taken over by the item added
    // later under that number.
    if (!Settings::contains(item))
        return UseAdd;
    // The link stores the programme's PS and AF list over whatever is
    // written here.
    if (genericKey(item) == QLatin1String("rds.eon.") && eonFollowsLink(item))
        return FollowsLink;
    return Ok;
}

int FMSettings::setChecked(const QString &key, const QVariant &value, bool notify, QObject *source)
{
    return validatedStore(key, value, true, notify, source);
}

int FMSettings::validatedStore(const QString &key, const QVariant &value, bool store, bool notify, QObject *source)
{
    const QString norm = recordKey(key);
    const QString generic = genericKey(norm);
    if (!selectKeyDesc(generic))
        return UnknownKey;
    if (singleIndexOutOfRange(norm))
        return UnknownKey;
    const KeyDesc &desc = currentKeyDesc();
    if (isKeyTableEntry(generic, norm)) {
        QString tableKey;
        QString tableText;
        const int entry = keyTableWrite(norm, value, tableKey, tableText);
        if (entry != Ok || !store)
            return entry;
        return Settings::setValue(tableKey, tableText, notify, source) ? Ok : Unchanged;
    }
    if (isFixedTable(generic)) {
        // Every entry of the rate table has its place; one missing from the
        // file is off, and a store gives it its rates.
        const int entry = checkTableEntry(norm);
        if (entry != Ok)
            return entry;
    } else if (desc.isList() && generic.endsWith(QLatin1Char('.')) && !Settings::contains(norm)) {
        return UseAdd;
    }
    const int field = checkItemField(norm);
    if (field != Ok)
        return field;
    const int check = checkItemValue(generic, value);
    if (check != Ok)
        return check;
    // A linked EON entry sends its programme's PI, PTY, TP and TA.
    const bool eonEntry = generic == QLatin1String("rds.eon.");
    EON linked;
    if (eonEntry && checkEonLink(RecordText::text(value), &linked) != Ok)
        return FollowsLink;
    if (!store)
        return Ok;
    if (isBoardKey(norm))
        return setBoardKey(norm, value);
    // An entry whose new text names no channel with a source ends its link:
    // it goes on sending the PS and AF list it last sent, as when its
    // channel leaves the programme.
    EON sent;
    const bool endsLink = eonEntry && linked.channel == 0 && linkedEonSent(norm, sent);
    if (!Settings::setValue(norm, value, notify, source))
        return Unchanged;
    if (endsLink)
        keepSentFields(norm, sent, notify, source);
    return Ok;
}

int FMSettings::checkItemValue(const QString &generic, const QVariant &value)
{
    const QString text = RecordText::text(value);
    if (generic == QLatin1String("tmc.")) {
        const int bad = TMCMessage::badPart(text);
        if (bad < 0)
            return Ok;
        currentDesc.min = 0.0;
        currentDesc.max = TMCMessage::partMax(bad);
        return OutOfRange;
    }
    const int check = checkValue(currentDesc, value);
    if (check != Ok || generic != QLatin1String("rds.eon."))
        return check;
    // Each field of an EON entry as group 14A carries it, which the loader
    // would otherwise cut.
    const int bad = EON::badPart(text);
    if (bad < 0)
        return Ok;
    currentDesc.type = KeyDesc::List | (EON::isHexPart(bad) ? KeyDesc::Hex : KeyDesc::Integer);
    currentDesc.min = 0.0;
    currentDesc.max = EON::partMax(bad);
    return OutOfRange;
}

int FMSettings::keyTableWrite(const QString &norm, const QVariant &value, QString &tableKey, QString &tableText)
{
    const int entry = tableEntry(norm, TMCSource::keyCount);
    if (entry < 0)
        return UnknownKey;
    const QStringList parts = RecordText::splitDrop(RecordText::text(value));
    if (parts.size() != 1) {
        currentDesc.step = 1.0;
        return WrongCount;
    }
    const int check = checkValue(currentDesc, value);
    if (check != Ok)
        return check;
    tableKey = norm.left(norm.lastIndexOf(QLatin1Char('/')));
    // The table as the loader reads it, entries the text lacks being 0.
    TMCSource table;
    table.readSkt(RecordText::text(Settings::value(tableKey)));
    table.skt[size_t(entry)] = static_cast<u16>(RecordText::hex(parts.first()));
    tableText = table.sktText();
    return Ok;
}

QVariant FMSettings::keyTableEntry(const QString &normalisedKey)
{
    if (!isKeyTableEntry(genericKey(normalisedKey), normalisedKey))
        return QVariant();
    const int entry = tableEntry(normalisedKey, TMCSource::keyCount);
    const QString tableKey = normalisedKey.left(normalisedKey.lastIndexOf(QLatin1Char('/')));
    const QVariant text = Settings::value(tableKey);
    if (entry < 0 || !text.isValid())
        return QVariant();
    TMCSource table;
    table.readSkt(RecordText::text(text));
    return RecordText::hexText(table.skt[size_t(entry)]);
}

int FMSettings::delKeyTableEntry(const QString &norm)
{
    const int entry = tableEntry(norm, TMCSource::keyCount);
    const bool all = norm.endsWith(QLatin1String("/*"));
    if (entry < 0 && !all)
        return UnknownKey;
    const QString tableKey = norm.left(norm.lastIndexOf(QLatin1Char('/')));
    if (!Settings::contains(tableKey))
        return NotSet;
    QVariant now;
    if (all) {
        // Every entry: the table goes, which reads as 32 zeros.
        qDebug("FMS: del %s", qPrintable(norm));
        remove(tableKey, true);
    } else {
        // An entry keeps its place; a zero one holds no key.
        TMCSource table;
        table.readSkt(RecordText::text(Settings::value(tableKey)));
        if (table.skt[size_t(entry)] == 0)
            return NotSet;
        table.skt[size_t(entry)] = 0;
        Settings::setValue(tableKey, table.sktText(), false);
        now = QStringLiteral("0");
    }
    QString section;
    QString field;
    reloadGroups(norm, parseKeyPattern(norm, section, field));
    notify(norm, now);
    return Ok;
}

int FMSettings::setBoardKey(const QString &key, const QVariant &value)
{
    int newBand = band();
    int newAttn = attn();
    const int v = static_cast<int>(RecordText::text(value).toDouble());
    if (key == QLatin1String("board.band"))
        newBand = v;
    else
        newAttn = v;
    const int oldBand = band();
    const int oldAttn = attn();
    setBoard(newBand, newAttn);
    return newBand != oldBand || newAttn != oldAttn ? Ok : Unchanged;
}

int FMSettings::set(const QString &key, const QVariant &value, bool notify, QObject *source, QString *refused)
{
    if (refused)
        refused->clear();
    const QString norm = normalizeKey(key);
    QString section;
    QString field;
    const QList<int> indices = parseKeyPattern(norm, section, field);
    // "board.band" would read as index 0 of "board."; it goes to setBoard.
    // Any other index text that is no number reads 0 and so names no record.
    if (indices.isEmpty() || isBoardKey(norm))
        return setChecked(norm, value, notify, source);

    const auto indexKey = [&](int index) { return section + QString::number(index) + field; };
    const auto refuse = [&](int index, int code) {
        if (refused && indices.size() > 1)
            *refused = indexKey(index);
        return code;
    };
    // All or nothing: every index is checked before the first is stored, so
    // a refused pattern leaves the file, the records and the observers as
    // they were. Each check and each store takes the locks for itself.
    for (int index : indices) {
        const int check = validatedStore(indexKey(index), value, false, false, nullptr);
        if (check != Ok)
            return refuse(index, check);
    }
    // Nothing runs in this thread between the checks and the stores; only a
    // writer in another thread could change the file in between, and an
    // index that it makes refuse ends the loop there, the indices stored
    // before it being read again and announced as always.
    QList<int> changed;
    int code = Ok;
    int failed = 0;
    for (int index : indices) {
        code = setChecked(indexKey(index), value, false, nullptr);
        if (code == Ok) {
            changed.append(index);
        } else if (code != Unchanged) {
            failed = index;
            break;
        }
    }
    reloadGroups(section, changed);
    if (section == QLatin1String("channel.") && isChannelPlacement(field))
        followChannels(changed);
    if (section == QLatin1String("tmc.") && field == QLatin1String("/used"))
        unlinkRemovedTmc(changed);
    if (notify && !changed.isEmpty())
        notifyPattern(key, value, changed, source);
    return code == Ok || code == Unchanged ? code : refuse(failed, code);
}

void FMSettings::reloadGroups(const QString &section, const QList<int> &indices)
{
    for (int n : indices) {
        if (section.startsWith(QLatin1String("playlist.")))
            loadPlaylist(n);
        else if (section.startsWith(QLatin1String("audio.")))
            loadAudio(n);
        else if (section.startsWith(QLatin1String("rds.")))
            loadRds(n);
        else if (section.startsWith(QLatin1String("tmc.")))
            readTmc(n);
    }
}

int FMSettings::add(const QString &key, const QVariant &value, QString *written)
{
    if (written)
        *written = key;
    const QString norm = recordKey(key);
    const QString generic = genericKey(norm);
    if (!selectKeyDesc(generic))
        return UnknownKey;
    if (singleIndexOutOfRange(norm))
        return UnknownKey;
    const KeyDesc &desc = currentKeyDesc();
    if (!desc.isList())
        return NotAList;
    const int fieldCheck = checkItemField(norm);
    if (fieldCheck != Ok)
        return fieldCheck;
    // Nothing to add: an empty TMC message or list value would only be
    // stored as a message of zeros or a trailing blank.
    if (RecordText::splitDrop(RecordText::text(value)).isEmpty()) {
        // A key-table entry, or one appended to the table, is one value.
        const double needed = generic == QLatin1String("tmc.")       ? TMCMessage::fieldCount
                              : generic == QLatin1String("tmc.skt.") ? 1.0
                                                                     : desc.step;
        currentDesc.step = qMax(1.0, needed);
        return WrongCount;
    }

    QString newKey;
    QString newValue;
    if (isKeyTableEntry(generic, norm)) {
        // An entry of the service key table is written in its place.
        const int entry = keyTableWrite(norm, value, newKey, newValue);
        if (entry != Ok)
            return entry;
    } else if (isFixedTable(generic)) {
        // The rate table has an entry for each group type: ADD writes the
        // one named, never another.
        const int entry = checkTableEntry(norm);
        if (entry != Ok)
            return entry;
        newKey = norm;
        newValue = RecordText::text(value);
    } else if (isItemFamily(generic)) {
        // A list family: "rds.1/eon" with "rds.eon." gives items "rds.1.eon.<i>".
        const int slash = norm.indexOf(QLatin1Char('/'));
        QString target = (slash < 0 ? norm : norm.left(slash)) + generic.mid(generic.indexOf(QLatin1Char('.')));
        if (!target.endsWith(QLatin1Char('.')))
            target += QLatin1Char('.');
        int free = -1;
        for (int i = 0; i < itemLimit(generic) && free < 0; ++i) {
            if (!Settings::contains(target + QString::number(i)))
                free = i;
        }
        if (free < 0)
            return OutOfRange;
        newKey = target + QString::number(free);
        newValue = RecordText::text(value);
        // "tmc.1.9" names an item: the reply names the one stored.
        const QString dotted = QString(norm).replace(QLatin1Char('/'), QLatin1Char('.'));
        if (written && dotted != target && dotted != target.chopped(1))
            *written = normalizeKey(newKey);
    } else {
        QStringList parts = RecordText::splitDrop(RecordText::text(Settings::value(norm)));
        parts.append(RecordText::text(value));
        newKey = norm;
        newValue = parts.join(QLatin1Char(' '));
        // The service key table has 32 entries; one appended past them is
        // read by nothing.
        if (generic == QLatin1String("tmc.skt.") && RecordText::splitDrop(newValue).size() > TMCSource::keyCount)
            return EntryNeeded;
    }
    qDebug("FMS: add [%s] [%s]", qPrintable(newKey), qPrintable(newValue));

    const int check = checkItemValue(generic, newValue);
    if (check != Ok)
        return check;
    EON linked;
    if (generic == QLatin1String("rds.eon.") && checkEonLink(newValue, &linked) != Ok)
        return FollowsLink;
    if (!Settings::setValue(newKey, newValue, false))
        return Unchanged;
    // A linked entry gets the PS and AF list of its programme, as the
    // editor's writer gives them, so that each of its keys reads back.
    if (linked.channel != 0) {
        Settings::setValue(newKey + QLatin1String("/ps"), linked.ps, false);
        Settings::setValue(newKey + QLatin1String("/af"), afListText(linked.af), false);
    }

    QString section;
    QString field;
    const QList<int> indices = parseKeyPattern(normalizeKey(newKey), section, field);
    reloadGroups(newKey, indices);
    notify(newKey, newValue);
    return Ok;
}

int FMSettings::del(const QString &key)
{
    const QString norm = recordKey(key);
    if (!norm.contains(QLatin1Char('/')))
        return UnknownKey;
    QString generic = genericKey(norm);
    if (generic.endsWith(QLatin1Char('*')))
        generic.chop(1);
    if (!selectKeyDesc(generic))
        return UnknownKey;
    if (!currentKeyDesc().isList())
        return NotAList;
    if (singleIndexOutOfRange(norm))
        return UnknownKey;
    if (checkItemField(norm) == FollowsLink)
        return FollowsLink;
    if (isKeyTableEntry(generic, norm))
        return delKeyTableEntry(norm);

    const int lastSlash = norm.lastIndexOf(QLatin1Char('/'));
    const QString base = norm.left(lastSlash + 1);
    const QString last = norm.mid(lastSlash + 1);
    if (Settings::contains(norm)) {
        bool ok = false;
        const int n = last.toInt(&ok);
        if (RecordText::isWholeNumber(last) && ok && isFixedTable(generic)) {
            remove(norm, true);
        } else if (RecordText::isWholeNumber(last) && ok && QString::number(n) == last) {
            shiftItemsDown(base, n);
        } else if (RecordText::isWholeNumber(last)) {
            // An item number beyond int range, or one written with leading
            // zeros by hand ("07", which no loader reads), has no next item
            // to move down: it goes alone.
            removeRaw(norm);
            dirty = true;
        } else {
            remove(norm, true);
        }
    } else if (norm.endsWith(QLatin1Char('*'))) {
        qDebug("FMS: del %s", qPrintable(norm));
        int removed = 0;
        const bool fixed = isFixedTable(generic);
        for (int i = 0; fixed ? i < itemLimit(generic) : Settings::contains(base + QString::number(i)); ++i) {
            if (!Settings::contains(base + QString::number(i)))
                continue;
            remove(base + QString::number(i), true);
            ++removed;
        }
        if (removed == 0)
            return NotSet;
    } else {
        return NotSet;
    }

    QString section;
    QString field;
    const QList<int> indices = parseKeyPattern(norm, section, field);
    reloadGroups(norm, indices);
    notify(norm, QVariant());
    return Ok;
}

void FMSettings::shiftItemsDown(const QString &base, int n)
{
    withWriteLock([&](QSettings &ini) {
        for (qint64 i = n;; ++i) {
            const QString cur = base + QString::number(i);
            const QString next = base + QString::number(i + 1);
            // Removing an item removes its sub-keys too.
            ini.remove(cur);
            if (!ini.contains(next))
                break;
            ini.setValue(cur, ini.value(next));
            ini.beginGroup(next);
            const QStringList subKeys = ini.allKeys();
            QList<QVariant> values;
            for (const QString &k : subKeys)
                values.append(ini.value(k));
            ini.endGroup();
            for (int k = 0; k < subKeys.size(); ++k)
                ini.setValue(cur + QLatin1Char('/') + subKeys.at(k), values.at(k));
        }
    });
    dirty = true;
}

QStringList FMSettings::listKeys(const QString &prefix, std::optional<QStringList> *groups)
{
    if (!prefix.isEmpty()) {
        const QString group = normalizeKey(prefix);
        QStringList keys = withWriteLock([&](QSettings &ini) {
            ini.beginGroup(group);
            return ini.allKeys();
        });
        addLinkedEonFields(group, keys);
        const QStringList listed = orderGroupKeys(prefix, keys);
        if (!listed.isEmpty())
            return listed;
    }
    // A top-level group's name holds no '/'.
    if (prefix.contains(QLatin1Char('/')))
        return QStringList();
    if (!groups)
        return orderTopGroups(prefix, topGroups());
    if (!groups->has_value())
        *groups = topGroups();
    return orderTopGroups(prefix, **groups);
}
