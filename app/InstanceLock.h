#pragma once

#include <QString>

// One running instance of the program per application ini: while an
// InstanceLock lives, it holds an advisory lock (flock) on a file beside
// the ini's working copy ("working.lock" beside "working.fm"), which a
// second start on the same ini finds taken. The file is made once and never
// removed (removing it would let a third start lock a new one); it is empty,
// so a full disk does not keep it from being made. The system lets go of
// the lock when the process ends, however it ends. GUI thread.
class InstanceLock
{
public:
    // Tries the lock of the instance whose working copy is workingCopy.
    explicit InstanceLock(const QString &workingCopy);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Whether another running instance holds it. A lock file that cannot be
    // made or locked (a read-only directory) says nothing of the others:
    // false, and the reason logged.
    bool heldElsewhere() const { return elsewhere; }
    // The lock file.
    static QString lockFile(const QString &workingCopy);

private:
    int fd = -1;
    bool elsewhere = false;
};
