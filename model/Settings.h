#pragma once

#include <QHash>
#include <QList>
#include <QMultiMap>
#include <QSet>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <utility>

// The key store: the project file (INI) as normalised keys, and the registry
// of observers that are told about changes by posted SetValue events.
//
// Keys: "Channel.1.Freq" is normalised to "channel.1/freq", which is the key
// "freq" of the INI group [channel.1]. Group = the normalised key up to its
// first '/', section = up to its first '.'.
//
// Three ways of telling, each posting at most one SetValue per observer:
//  - setValue(..., notify = true): stored change; observers of "*", the key,
//    its group and its section; never the source (writer).
//  - notify(): broadcast of a value that is not stored; observers of "*", of
//    the wildcard key ("chinfo.*/playpos"), of the key, of every shorter
//    prefix of both and of the section; nobody excluded.
//  - notifyPattern(): once after a validated store of a key pattern
//    ("channel.1,3-5/freq"); observers of "*" and of the section get the
//    pattern, observers of a group or key of a changed index get that
//    index's concrete key; never the source.
//
// The file: QSettings holds the keys in memory only, under a name of their
// own that no other QSettings object shares and that names no file (its own
// writes fail at once and touch nothing). The store reads the project file
// once, when it opens it (IniText::toKeys), and writes it itself, whole
// (IniText::fromKeys, WholeFile): the new text goes to a file beside it and
// takes its place only when every byte reached the disk, so a write that
// fails (a full disk) leaves the file as it was, and nothing read back from
// a file ever replaces the keys in memory. A write puts this store's own
// changes (the keys it stored or removed since the file last took its keys)
// onto the file as it stands then: what another writer (another store, a
// hand edit) put there meanwhile stays, and the stores of all processes
// take turns at it (DirectoryLock). A write takes its turn only when it is
// free: when another writer holds it, the write is left to the retry. A
// file that is a symbolic link stays one: the file it leads to is written.
//
// Threads and locks: every operation may be called from any thread. One
// non-recursive read/write lock (accessLock, a std::shared_mutex, which
// ThreadSanitizer can follow) guards
//  - all QSettings state of this object: the values, the open-group stack
//    and the pending-write flag;
//  - the observer registry and the table of watched observers.
// The file is written (the delayed write on QSettings' UpdateRequest event,
// sync(), the retry, the destructor) under a mutex of its own (fileLock),
// which also guards what the store knows of the file; a write reads the
// keys under the read lock and goes to the disk without the access lock, so
// no reader, writer or broadcaster of keys (the board threads among them)
// ever waits for the disk or for another process. fileLock is taken before
// the access lock, never while holding it.
// Write lock: setValue, remove, registerKey, unregisterKey,
// unregisterObserver, withWriteLock (and so every group access).
// Read lock: value, contains, notify, notifyPattern, observedKeys,
// withReadLock. Events are posted while a lock is held; no observer code runs
// under it (observers handle their events later in their own threads).
// No QSettings group is ever open outside the write lock: the group calls of
// QSettings are hidden here, and code that reads or writes a whole group does
// so inside withWriteLock, which closes any group left open.
// `dirty` is an atomic flag and needs no lock.
//
// A derived class that has a lock of its own (the record lock of the project
// model) always takes that lock first and this one second.
//
// Observers must unregister (unregisterObserver) before they are destroyed;
// as a safety net an observer that is destroyed while still registered is
// removed from the registry when its QObject part goes away.
class Settings : public QSettings
{
public:
    // Opens the INI file and reads its keys (IniText::toKeys: a serialised
    // value of a hand-edited file, "@Variant(...)", reads as its text; the
    // file is not touched).
    Settings(const QString &fileName, QObject *parent = nullptr);
    // Writes what the file does not hold yet.
    ~Settings() override;

    // The project file (absolute path).
    QString fileName() const { return file; }

    // The stored value of the (normalised) key, or defaultValue.
    virtual QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    // Stores value under the normalised key when it changed and sets dirty;
    // with notify tells the observers (not source). False when the key names
    // no value inside a group (no '/') or the value is unchanged; then nobody
    // is told.
    virtual bool setValue(const QString &key, const QVariant &value, bool notify, QObject *source = nullptr);
    virtual bool contains(const QString &key) const;

    // Removes the key, or a whole group with all its keys; sets dirty when
    // something was removed. With notify posts a null value to the observers
    // of "*", the key, its group and its section (nobody excluded).
    void remove(const QString &key, bool notify);
    // Broadcast of a value that is not stored.
    void notify(const QString &key, const QVariant &value);
    // Pattern broadcast after the indices `changed` of `pattern` were stored.
    void notifyPattern(const QString &pattern, const QVariant &value, const QList<int> &changed,
                       QObject *source);

    bool registerKey(const QString &key, QObject *observer);
    bool unregisterKey(const QString &key, QObject *observer);
    bool unregisterObserver(QObject *observer);
    // Registry keys of the observer, in registry order.
    QStringList observedKeys(QObject *observer) const;

    // Writes the keys to the file now when it does not hold them yet. False
    // when the file cannot take them (a full disk, a file that cannot be
    // replaced or read, one that reads back otherwise, another writer of its
    // directory holding its turn: never waited for): the file stays as it
    // was, the keys in memory stay as they are, and a write is tried again
    // once every retryMs in this object's thread until the file takes them.
    // turnWaitMs: how long to wait for another writer's turn; only for the
    // last writes at a quit, when nothing waits for this thread any more.
    bool sync(int turnWaitMs = 0);
    static constexpr int retryMs = 2000;
    // The file is no longer this store's: nothing writes it again (sync, the
    // retry, the delayed write, the destructor), so that a file its owner
    // removed stays removed. The keys stay in memory; sync answers false.
    void dropFile();

    // Writes every key with its value, changes the file could not take
    // included, as the INI file path (a file of another name than this
    // one's), whole or not at all. False when that file cannot take them.
    bool writeCopy(const QString &path) const;

    static QString normalizeKey(const QString &key);
    // Splits a normalised key pattern ("channel.1,3,5-7/gain") into section
    // ("channel."), indices and field ("/gain"); ranges are bounded to 1..96.
    static QList<int> parseKeyPattern(const QString &key, QString &section, QString &field);

    // Set by every change stored through setValue or remove; read and cleared
    // by the owner of the project (after a successful save). Changes written
    // straight to the file (writeRaw, withWriteLock) leave it alone.
    std::atomic<bool> dirty{false};

protected:
    // --- Raw access for derived classes (loaders, list writers) -----------
    // None of these normalises keys, tells observers or sets dirty. The
    // callbacks of withWriteLock/withReadLock run with the lock held and must
    // not call any public operation of this class (the lock is not recursive)
    // nor post-process anything slow.

    // Runs fn(QSettings &ini) under the write lock: raw reads and writes,
    // groups may be opened; any group left open is closed before the lock is
    // released. Returns what fn returns.
    template <typename Fn>
    auto withWriteLock(Fn &&fn) -> decltype(fn(std::declval<QSettings &>()));
    // Runs fn(const QSettings &ini) under the read lock: raw reads by full
    // key, childGroups() of the top level. Groups cannot be opened here.
    template <typename Fn>
    auto withReadLock(Fn &&fn) const -> decltype(fn(std::declval<const QSettings &>()));

    // Every key of the group at all levels, relative to it ("eon/2/ps"), with
    // its value; read in one span under the write lock.
    QMap<QString, QVariant> readGroup(const QString &group);
    // The top-level INI groups of the file: a walk over every key of the
    // project, so callers read them once per request.
    virtual QStringList topGroups() const;
    // Reads a key as given (no normalisation), under the read lock.
    QVariant rawValue(const QString &key, const QVariant &defaultValue = QVariant()) const;
    // Writes / removes a key as given straight to the file, under the write
    // lock, without events and without touching dirty.
    void writeRaw(const QString &key, const QVariant &value);
    void removeRaw(const QString &key);

    // Writes the file after changes (QSettings' delayed write request), under
    // the write lock; a write that fails is logged.
    bool event(QEvent *event) override;

private:
    // Group and array state of QSettings is shared by every thread using
    // this object: not reachable from outside (see withWriteLock).
    using QSettings::allKeys;
    using QSettings::beginGroup;
    using QSettings::beginReadArray;
    using QSettings::beginWriteArray;
    using QSettings::childGroups;
    using QSettings::childKeys;
    using QSettings::clear;
    using QSettings::endArray;
    using QSettings::endGroup;
    using QSettings::group;
    using QSettings::setArrayIndex;
    // The file is written by this class alone (writeOut).
    using QSettings::status;

    class GroupCloser;

    // Writes the keys when the file does not hold them yet and tells whether
    // it holds them now; logs when that changes, and arms the retry when it
    // does not. The caller holds no lock of this store.
    bool writeOut(int turnWaitMs = 0);
    // Puts the changes from `stored` to `current` onto the file as it
    // stands now, in turn with the other writers of its directory; true
    // when the file holds them. The caller holds fileLock.
    bool merge(const QMap<QString, QVariant> &current, int turnWaitMs);
    // Every key of ini with its value (no group open).
    static QMap<QString, QVariant> keysOf(const QSettings &ini);

    static QString registryKey(const QString &key);
    // Posts key/value to every observer of registry key regKey not yet in
    // served, and adds them to served. Caller holds a lock.
    void post(const QString &regKey, const QString &key, const QVariant &value,
              QSet<QObject *> &served) const;
    void watch(QObject *observer);
    void unwatchIfGone(QObject *observer);
    void forget(QObject *observer);

    mutable std::shared_mutex accessLock;
    QMultiMap<QString, QObject *> registry;
    // Observers with a live destroyed() hook, so that a destroyed observer
    // leaves the registry.
    QHash<QObject *, QMetaObject::Connection> watched;
    const QString file;
    // Guarded by fileLock: the keys in memory as the file last took them
    // (what differs from them is this store's change), and the file's keys
    // and bytes as they were read or last written.
    QMap<QString, QVariant> stored;
    QMap<QString, QVariant> fileKeys;
    QByteArray fileBytes;
    // Whether the last write reached the file, and whether the file was
    // dropped (guarded by fileLock).
    bool fileWritten = true;
    bool fileDropped = false;
    std::mutex fileLock;
    // Writes again after a failed write; single shot, lives in this object's
    // thread (started there through a queued call).
    QTimer *retry = nullptr;
};

// Closes every group that a callback left open.
class Settings::GroupCloser
{
public:
    explicit GroupCloser(Settings &s) : settings(s) {}
    ~GroupCloser()
    {
        while (!settings.QSettings::group().isEmpty())
            settings.QSettings::endGroup();
    }
    GroupCloser(const GroupCloser &) = delete;
    GroupCloser &operator=(const GroupCloser &) = delete;

private:
    Settings &settings;
};

template <typename Fn>
auto Settings::withWriteLock(Fn &&fn) -> decltype(fn(std::declval<QSettings &>()))
{
    std::unique_lock locker(accessLock);
    GroupCloser closer(*this);
    return fn(static_cast<QSettings &>(*this));
}

template <typename Fn>
auto Settings::withReadLock(Fn &&fn) const -> decltype(fn(std::declval<const QSettings &>()))
{
    std::shared_lock locker(accessLock);
    return fn(static_cast<const QSettings &>(*this));
}
