#include "Settings.h"

#include "DirectoryLock.h"
#include "IniText.h"
#include "SetValue.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace {

QString groupOf(const QString &key)
{
    const int slash = key.indexOf(QLatin1Char('/'));
    return slash < 0 ? key : key.left(slash);
}

// The section of a normalised key, or an empty text when it holds no '.'.
QString sectionOf(const QString &key)
{
    const int dot = key.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : key.left(dot);
}

// The wildcard form of a normalised key: "chinfo.12/rdslog/2" gives
// "chinfo.*/rdslog/2"; empty when the key has no '/' after its first letter.
QString wildcardOf(const QString &key)
{
    const int slash = key.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return QString();
    const int dot = key.indexOf(QLatin1Char('.'));
    const QString head = dot < 0 ? QString() : key.left(dot + 1);
    return head + QLatin1Char('*') + key.mid(slash);
}

// Position of the n-th '/' counted from the right (n = 1 is the last one).
int slashFromRight(const QString &text, int n)
{
    int pos = text.size();
    for (int i = 0; i < n; ++i) {
        pos = pos == 0 ? -1 : text.lastIndexOf(QLatin1Char('/'), pos - 1);
        if (pos < 0)
            return -1;
    }
    return pos;
}

// Adds the values a..b of a pattern range, bounded to the channel numbers.
void addRange(const QString &part, QList<int> &indices)
{
    const QStringList ends = part.split(QLatin1Char('-'), Qt::KeepEmptyParts);
    if (ends.size() < 2)
        return;
    const int a = ends.at(0).toInt();
    const int b = ends.at(1).toInt();
    if (a > b || a > 96)
        return;
    for (int v = qMax(a, 1); v <= qMin(b, 96); ++v)
        indices.append(v);
}

// Whether a and b hold the same value of the same type: a key whose value
// took another type was stored anew.
bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.userType() == b.userType() && a == b;
}

bool sameKeys(const QMap<QString, QVariant> &a, const QMap<QString, QVariant> &b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.cbegin(), j = b.cbegin(); i != a.cend(); ++i, ++j) {
        if (i.key() != j.key() || !sameValue(*i, *j))
            return false;
    }
    return true;
}

// The file's bytes; false when it exists but cannot be read.
bool readFile(const QString &path, QByteArray *bytes, bool *exists)
{
    QFile in(path);
    *exists = in.exists();
    bytes->clear();
    if (!*exists)
        return true;
    if (!in.open(QIODevice::ReadOnly))
        return false;
    *bytes = in.readAll();
    return in.error() == QFileDevice::NoError;
}

// The name under which QSettings keeps a store's keys: one of its own per
// store, so that no other QSettings object shares them, and one below
// /dev/null, where no file can ever be made, so that QSettings' own writes
// (on its update request, at its end) fail at once and touch nothing.
QString memoryName()
{
    static std::atomic<int> stores{0};
    return QStringLiteral("/dev/null/settings-%1.ini").arg(++stores);
}

} // namespace

Settings::Settings(const QString &fileName, QObject *parent)
    : QSettings(memoryName(), QSettings::IniFormat, parent), file(QFileInfo(fileName).absoluteFilePath()),
      retry(new QTimer(this))
{
    bool exists = false;
    if (!readFile(file, &fileBytes, &exists))
        qWarning("Settings: cannot read %s", qPrintable(file));
    fileKeys = IniText::toKeys(fileBytes);
    for (auto it = fileKeys.cbegin(); it != fileKeys.cend(); ++it)
        QSettings::setValue(it.key(), *it);
    stored = keysOf(*this);
    retry->setSingleShot(true);
    retry->setInterval(retryMs);
    QObject::connect(retry, &QTimer::timeout, this, [this] { writeOut(); });
}

Settings::~Settings()
{
    {
        std::unique_lock locker(accessLock);
        for (const QMetaObject::Connection &c : qAsConst(watched))
            QObject::disconnect(c);
        watched.clear();
    }
    writeOut();
}

QString Settings::normalizeKey(const QString &key)
{
    QString k = key;
    k.replace(QLatin1Char('.'), QLatin1Char('/'));
    const int first = k.indexOf(QLatin1Char('/'));
    if (first >= 0) {
        k[first] = QLatin1Char('.');
        if (k.indexOf(QLatin1Char('/'), first + 1) < 0) {
            bool ok = false;
            const int n = k.leftRef(first).toInt(&ok);
            if (ok && n != 0)
                k[first] = QLatin1Char('/');
        }
    }
    return k.toLower();
}

QList<int> Settings::parseKeyPattern(const QString &key, QString &section, QString &field)
{
    const int dot = key.indexOf(QLatin1Char('.'));
    const int slash = key.indexOf(QLatin1Char('/'));
    const int p = dot + 1;
    section = dot < 0 ? QString() : key.left(dot + 1).toLower();
    field = slash >= p ? key.mid(slash).toLower() : QString();
    const QString indexText = slash >= p ? key.mid(p, slash - p) : key.mid(p);

    QList<int> indices;
    if (dot < 0 || indexText.isEmpty())
        return indices;
    const QStringList parts = indexText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part.contains(QLatin1Char('-')))
            addRange(part, indices);
        else
            indices.append(part.toInt());
    }
    return indices;
}

QString Settings::registryKey(const QString &key)
{
    QString k = normalizeKey(key);
    while (k.endsWith(QLatin1String("/*")))
        k.chop(2);
    return k;
}

void Settings::post(const QString &regKey, const QString &key, const QVariant &value,
                    QSet<QObject *> &served) const
{
    if (regKey.isEmpty())
        return;
    // values() lists the newest registration first.
    const QList<QObject *> observers = registry.values(regKey);
    for (QObject *observer : observers) {
        if (served.contains(observer))
            continue;
        served.insert(observer);
        QCoreApplication::postEvent(observer, new SetValue(key, value), Qt::NormalEventPriority);
    }
}

QVariant Settings::value(const QString &key, const QVariant &defaultValue) const
{
    const QString k = normalizeKey(key);
    std::shared_lock locker(accessLock);
    return QSettings::value(k, defaultValue);
}

bool Settings::contains(const QString &key) const
{
    const QString k = normalizeKey(key);
    std::shared_lock locker(accessLock);
    return QSettings::contains(k);
}

namespace {

// A null text reaches observers as a null value, which means "removed"; what
// was stored or broadcast is an empty text.
QVariant emptyForNullText(const QVariant &value)
{
    if (value.type() == QVariant::String && value.isNull())
        return QVariant(QStringLiteral(""));
    return value;
}

} // namespace

bool Settings::setValue(const QString &key, const QVariant &given, bool notify, QObject *source)
{
    const QString k = normalizeKey(key);
    const QVariant value = emptyForNullText(given);
    std::unique_lock locker(accessLock);
    if (!k.contains(QLatin1Char('/')))
        return false;
    if (QSettings::value(k) == value)
        return false;
    QSettings::setValue(k, value);
    dirty = true;
    if (!notify)
        return true;

    QSet<QObject *> served;
    if (source)
        served.insert(source);
    post(QStringLiteral("*"), k, value, served);
    post(k, k, value, served);
    post(groupOf(k), k, value, served);
    post(sectionOf(k), k, value, served);
    return true;
}

void Settings::remove(const QString &key, bool notify)
{
    const QString k = normalizeKey(key);
    // An empty key would name the whole file.
    if (k.isEmpty())
        return;
    std::unique_lock locker(accessLock);
    bool present = QSettings::contains(k);
    if (!present) {
        QSettings::beginGroup(k);
        present = !QSettings::allKeys().isEmpty();
        QSettings::endGroup();
    }
    if (present) {
        QSettings::remove(k);
        dirty = true;
    }
    if (!notify)
        return;

    QSet<QObject *> served;
    const QVariant null;
    post(QStringLiteral("*"), k, null, served);
    post(k, k, null, served);
    post(groupOf(k), k, null, served);
    post(sectionOf(k), k, null, served);
}

void Settings::notify(const QString &key, const QVariant &given)
{
    const QVariant value = emptyForNullText(given);
    const QString k = normalizeKey(key);
    const QString wild = wildcardOf(k);
    std::shared_lock locker(accessLock);

    QSet<QObject *> served;
    post(QStringLiteral("*"), k, value, served);
    post(wild, k, value, served);
    post(k, k, value, served);
    const int slashes = k.count(QLatin1Char('/'));
    for (int rank = 1; rank <= slashes; ++rank) {
        const int w = slashFromRight(wild, rank);
        if (w >= 0)
            post(wild.left(w), k, value, served);
        post(k.left(slashFromRight(k, rank)), k, value, served);
    }
    post(sectionOf(k), k, value, served);
}

void Settings::notifyPattern(const QString &pattern, const QVariant &value, const QList<int> &changed,
                             QObject *source)
{
    const QString k = normalizeKey(pattern);
    QString section;
    QString field;
    parseKeyPattern(k, section, field);
    std::shared_lock locker(accessLock);

    QSet<QObject *> served;
    if (source)
        served.insert(source);
    post(QStringLiteral("*"), k, value, served);
    if (section.isEmpty())
        return;
    section.chop(1);

    // Entries of the section itself, then those of its groups and keys
    // ("channel.3", "channel.3/freq"): a plain prefix test would also match
    // other sections that begin alike ("rdsin.1" for "rds").
    post(section, k, value, served);
    const QString head = section + QLatin1Char('.');
    // Const access only: this runs under the read lock, in parallel with others.
    const QMultiMap<QString, QObject *> &reg = registry;
    for (auto it = reg.lowerBound(head); it != reg.cend() && it.key().startsWith(head); ++it) {
        if (served.contains(it.value()))
            continue;
        const QString &entry = it.key();
        const int slash = entry.indexOf(QLatin1Char('/'));
        const int end = slash < 0 ? entry.size() : slash;
        const int index = entry.midRef(head.size(), end - head.size()).toInt();
        if (!changed.contains(index))
            continue;
        served.insert(it.value());
        const QString concrete = head + QString::number(index) + field;
        QCoreApplication::postEvent(it.value(), new SetValue(concrete, value), Qt::NormalEventPriority);
    }
}

bool Settings::registerKey(const QString &key, QObject *observer)
{
    if (key.isEmpty() || !observer)
        return false;
    const QString k = registryKey(key);
    if (k.isEmpty())
        return false;
    std::unique_lock locker(accessLock);
    if (registry.contains(k, observer))
        return false;
    registry.insert(k, observer);
    watch(observer);
    return true;
}

bool Settings::unregisterKey(const QString &key, QObject *observer)
{
    const QString k = registryKey(key);
    std::unique_lock locker(accessLock);
    const bool removed = registry.remove(k, observer) > 0;
    if (removed)
        unwatchIfGone(observer);
    return removed;
}

bool Settings::unregisterObserver(QObject *observer)
{
    std::unique_lock locker(accessLock);
    bool removed = false;
    for (auto it = registry.begin(); it != registry.end();) {
        if (it.value() == observer) {
            it = registry.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        unwatchIfGone(observer);
    return removed;
}

QStringList Settings::observedKeys(QObject *observer) const
{
    std::shared_lock locker(accessLock);
    QStringList keys;
    for (auto it = registry.cbegin(); it != registry.cend(); ++it) {
        if (it.value() == observer)
            keys.append(it.key());
    }
    return keys;
}

void Settings::watch(QObject *observer)
{
    if (watched.contains(observer))
        return;
    // Direct: runs in the destroying thread while the QObject part still
    // exists, before any event can be posted to the freed address.
    watched.insert(observer, QObject::connect(observer, &QObject::destroyed, this,
                                              [this, observer] { forget(observer); },
                                              Qt::DirectConnection));
}

void Settings::unwatchIfGone(QObject *observer)
{
    for (auto it = registry.cbegin(); it != registry.cend(); ++it) {
        if (it.value() == observer)
            return;
    }
    QObject::disconnect(watched.take(observer));
}

void Settings::forget(QObject *observer)
{
    std::unique_lock locker(accessLock);
    for (auto it = registry.begin(); it != registry.end();) {
        if (it.value() == observer)
            it = registry.erase(it);
        else
            ++it;
    }
    watched.remove(observer);
}

bool Settings::sync(int turnWaitMs)
{
    return writeOut(turnWaitMs);
}

void Settings::dropFile()
{
    std::lock_guard fileLocker(fileLock);
    if (fileDropped)
        return;
    fileDropped = true;
    qWarning("Settings: %s is written no more", qPrintable(file));
}

bool Settings::writeOut(int turnWaitMs)
{
    // One writer of the file at a time; the keys are read under the access
    // lock and written without it, so that nobody who stores, reads or
    // broadcasts waits for the disk.
    std::lock_guard fileLocker(fileLock);
    if (fileDropped)
        return false;
    QMap<QString, QVariant> current;
    {
        std::shared_lock locker(accessLock);
        current = keysOf(*this);
    }
    // The file is written whole when it does not hold the keys yet; a write
    // that fails leaves it as it was, and the keys in memory stay as they are.
    const bool written = sameKeys(current, stored) || merge(current, turnWaitMs);
    if (written != fileWritten) {
        if (written)
            qWarning("Settings: %s written again", qPrintable(file));
        else
            qWarning("Settings: cannot write %s", qPrintable(file));
        fileWritten = written;
    }
    // Nobody may store or save for a long while: what is pending reaches
    // the file as soon as it takes it, so a crash loses no more than it must.
    if (!written)
        QMetaObject::invokeMethod(retry, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    return written;
}

bool Settings::merge(const QMap<QString, QVariant> &current, int turnWaitMs)
{
    const QString target = WholeFile::target(file);
    // The turn is taken when it is free, not waited for (but by the last
    // writes at a quit): a writer of another process that keeps it (a hung
    // one) leaves this write to the retry, and whoever waits for this store
    // goes on.
    const DirectoryLock turn(QFileInfo(target).path(), turnWaitMs);
    if (!turn.isHeld())
        return false;
    // The file as it stands now: as this store left it, or with what
    // another writer put there since. A file someone removed holds nothing
    // of anyone else's: it gets what this store knew of it.
    QByteArray bytes;
    bool exists = false;
    if (!readFile(target, &bytes, &exists))
        return false;
    QMap<QString, QVariant> keys = !exists || bytes == fileBytes ? fileKeys : IniText::toKeys(bytes);
    // This store's changes since the file last took its keys.
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        const auto before = stored.constFind(it.key());
        if (before == stored.cend() || !sameValue(*before, *it))
            keys.insert(it.key(), *it);
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (!current.contains(it.key()))
            keys.remove(it.key());
    }
    const QByteArray text = IniText::fromKeys(keys);
    if ((!exists || text != bytes) && !WholeFile::write(target, text))
        return false;
    stored = current;
    fileKeys = keys;
    fileBytes = text;
    return true;
}

QMap<QString, QVariant> Settings::keysOf(const QSettings &ini)
{
    QMap<QString, QVariant> keys;
    const QStringList names = ini.allKeys();
    for (const QString &name : names)
        keys.insert(name, ini.value(name));
    return keys;
}

bool Settings::writeCopy(const QString &path) const
{
    return WholeFile::write(path,
                            withReadLock([](const QSettings &ini) { return IniText::fromKeys(keysOf(ini)); }));
}

bool Settings::event(QEvent *event)
{
    if (event->type() == QEvent::UpdateRequest) {
        // Changes were made. QSettings clears its request (its own write
        // fails at once, see memoryName), then the file is written.
        {
            std::unique_lock locker(accessLock);
            QSettings::event(event);
        }
        writeOut();
        return true;
    }
    return QSettings::event(event);
}

QMap<QString, QVariant> Settings::readGroup(const QString &group)
{
    return withWriteLock([&group](QSettings &ini) {
        QMap<QString, QVariant> values;
        ini.beginGroup(group);
        const QStringList keys = ini.allKeys();
        for (const QString &key : keys)
            values.insert(key, ini.value(key));
        ini.endGroup();
        return values;
    });
}

QStringList Settings::topGroups() const
{
    return withReadLock([](const QSettings &ini) { return ini.childGroups(); });
}

QVariant Settings::rawValue(const QString &key, const QVariant &defaultValue) const
{
    return withReadLock([&](const QSettings &ini) { return ini.value(key, defaultValue); });
}

void Settings::writeRaw(const QString &key, const QVariant &value)
{
    withWriteLock([&](QSettings &ini) { ini.setValue(key, value); });
}

void Settings::removeRaw(const QString &key)
{
    if (key.isEmpty())
        return;
    withWriteLock([&](QSettings &ini) { ini.remove(key); });
}
