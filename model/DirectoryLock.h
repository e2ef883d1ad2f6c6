#pragma once

#include <QString>

// Turns for the writers of the files of one directory, across threads and
// processes: while a DirectoryLock lives it holds an advisory lock (flock)
// on the directory, which every other DirectoryLock of that directory finds
// taken. The key stores hold it from reading a file to putting its new
// content in place, so that two of them never merge their changes onto the
// same old content; they try it once and leave a write whose turn is not
// free to their retry. Taken from an open directory, it needs no room on the
// disk, and the system lets go of it when its process ends, however it
// ends. Any thread.
class DirectoryLock
{
public:
    // Waits at most timeoutMs for the directory's lock (0: one try). A directory that
    // cannot be opened (no read permission), or a file system without such
    // locks, counts as locked: there is no one to take turns with through it.
    DirectoryLock(const QString &directory, int timeoutMs);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock &) = delete;
    DirectoryLock &operator=(const DirectoryLock &) = delete;

    // False when another holder kept it for the whole wait.
    bool isHeld() const { return held; }

private:
    int fd = -1;
    bool held = false;
};
