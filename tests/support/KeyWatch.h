#pragma once

#include "RecordingObserver.h"

#include <QStringList>

class Settings;

namespace testsupport {

// Observes one registry key (or pattern) of a store through a RecordingObserver in its own thread, and hands
// out what arrived since the last call. Registers in the constructor, unregisters in the destructor; the
// store must outlive the watch.
class KeyWatch
{
public:
    KeyWatch(Settings &store, const QString &key);
    ~KeyWatch();
    KeyWatch(const KeyWatch &) = delete;
    KeyWatch &operator=(const KeyWatch &) = delete;

    // The "key=value" texts received since the last call (RecordingObserver::take).
    QStringList take() { return observer.take(); }

private:
    Settings &store;
    RecordingObserver observer;
};

} // namespace testsupport
