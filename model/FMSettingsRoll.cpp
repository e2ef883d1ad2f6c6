#include "FMSettings.h"

#include "RecordText.h"

#include <QDebug>

#include <algorithm>
#include <limits>

namespace {

const QString repeatKey = QStringLiteral("repeat");
const QString expandKey = QStringLiteral("expand");

// A roll group must name a group: an empty name would be the whole file.
bool isRollGroup(const QString &group)
{
    return !group.trimmed().isEmpty();
}

// "expand": lower-case hexadecimal line numbers separated by single spaces,
// in rising order.
QString expandText(const QSet<int> &expanded)
{
    QList<int> lines = expanded.values();
    std::sort(lines.begin(), lines.end());
    QStringList parts;
    // With a sign: QString::number writes a negative number in base 16 as
    // its unsigned 32-bit form ("ffffffff"), which reads back as no number.
    for (int line : qAsConst(lines))
        parts.append(line < 0 ? QLatin1Char('-') + QString::number(-qint64(line), 16) : QString::number(line, 16));
    return parts.join(QLatin1Char(' '));
}

QSet<int> expandSet(const QString &text)
{
    QSet<int> lines;
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int line = part.toInt(&ok, 16);
        lines.insert(ok ? line : 0);
    }
    return lines;
}

// Writes "expand" and "repeat" of the group; true when either changed its meaning.
bool writeRollOptions(QSettings &ini, const QString &group, const QSet<int> &expanded, bool repeat)
{
    const QString expandPath = group + QLatin1Char('/') + expandKey;
    const QString repeatPath = group + QLatin1Char('/') + repeatKey;
    const QString expand = expandText(expanded);
    const QVariant oldExpand = ini.value(expandPath);
    const QVariant oldRepeat = ini.value(repeatPath);
    const bool changed = !oldExpand.isValid() || expandSet(RecordText::text(oldExpand)) != expanded ||
                         !oldRepeat.isValid() || RecordText::boolean(oldRepeat) != repeat;
    ini.setValue(expandPath, expand);
    ini.setValue(repeatPath, RecordText::boolText(repeat));
    return changed;
}

struct NumberedEvent
{
    qulonglong key;
    Event event;
};

} // namespace

QList<Event> FMSettings::loadRoll(const QString &group, QSet<int> &expanded, bool &repeat)
{
    expanded.clear();
    repeat = true;
    if (!isRollGroup(group))
        return QList<Event>();

    struct Stored
    {
        QVariant repeat;
        QString expand;
        QList<QPair<QString, QString>> entries;
    };
    const Stored stored = withWriteLock([&group](QSettings &ini) {
        Stored s;
        ini.beginGroup(group);
        s.repeat = ini.value(repeatKey);
        s.expand = RecordText::text(ini.value(expandKey));
        const QStringList keys = ini.childKeys();
        for (const QString &key : keys)
            s.entries.append({key, RecordText::text(ini.value(key))});
        return s;
    });

    if (stored.repeat.isValid())
        repeat = RecordText::boolean(stored.repeat);
    expanded = expandSet(stored.expand);

    // "repeat", "expand" and entries whose key or time is no decimal number
    // are skipped.
    QList<NumberedEvent> numbered;
    for (const auto &entry : stored.entries) {
        bool ok = false;
        const qulonglong key = entry.first.toULongLong(&ok);
        Event event;
        if (!ok || !RecordText::isWholeNumber(entry.first) || !Event::fromStored(entry.second, &event))
            continue;
        numbered.append({key, event});
    }
    // Key order first, so that events of equal times replay in the order
    // they were recorded (key 10 after key 2), then by time.
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const NumberedEvent &a, const NumberedEvent &b) { return a.key < b.key; });
    std::stable_sort(numbered.begin(), numbered.end(), [](const NumberedEvent &a, const NumberedEvent &b) {
        return a.event.time < b.event.time;
    });

    QList<Event> events;
    events.reserve(numbered.size());
    for (const NumberedEvent &n : qAsConst(numbered))
        events.append(n.event);
    return events;
}

void FMSettings::setRoll(const QString &group, const QList<Event> &events, const QSet<int> &expanded,
                         bool repeat)
{
    qDebug("Evt: set roll %s %d", qPrintable(group), int(events.size()));
    if (!isRollGroup(group))
        return;
    withWriteLock([&](QSettings &ini) {
        ini.remove(group);
        for (int i = 0; i < events.size(); ++i)
            ini.setValue(group + QLatin1Char('/') + QString::number(i), events.at(i).toStored());
        writeRollOptions(ini, group, expanded, repeat);
    });
    dirty = true;
}

void FMSettings::setEvent(int index, const QString &group, const Event &event)
{
    qDebug("Evt: set event %d %u %s", index, event.time, qPrintable(event.command));
    if (index < 0 || !isRollGroup(group))
        return;
    const QString key = group + QLatin1Char('/') + QString::number(index);
    const QString value = event.toStored();
    const bool changed = withWriteLock([&](QSettings &ini) {
        const QVariant old = ini.value(key);
        if (old.isValid() && RecordText::text(old) == value)
            return false;
        ini.setValue(key, value);
        return true;
    });
    if (changed)
        dirty = true;
}

void FMSettings::setRollOptions(const QString &group, const QSet<int> &expanded, bool repeat)
{
    if (!isRollGroup(group))
        return;
    const bool changed =
        withWriteLock([&](QSettings &ini) { return writeRollOptions(ini, group, expanded, repeat); });
    if (changed)
        dirty = true;
}
