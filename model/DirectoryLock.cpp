#include "DirectoryLock.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

DirectoryLock::DirectoryLock(const QString &directory, int timeoutMs)
{
    fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        held = true;
        return;
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held = true;
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            // A file system without such locks: nobody to take turns with.
            held = true;
            return;
        }
        if (clock.elapsed() >= timeoutMs)
            return;
        // Holders keep it for one file's write: a few milliseconds.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

DirectoryLock::~DirectoryLock()
{
    if (fd >= 0)
        ::close(fd); // lets go of the lock
}
