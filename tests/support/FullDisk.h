#pragma once

#include "WholeFile.h"

#include <QDir>
#include <QHash>

#include <cerrno>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace testsupport {

// While it lives, the files written whole (WholeFile) in directory dir meet a disk with room bytes free: a
// write past them fails with ENOSPC, as the disk's own does, after the bytes that fit; making, renaming and
// removing files go on as on a full disk.
class FullDisk
{
public:
    explicit FullDisk(const QString &dir, qint64 room = 0) : files(std::make_shared<Files>())
    {
        WholeFile::setWriteCall([files = files, dir = QDir(dir).absolutePath() + '/',
                                 room](const QString &file, int fd, const char *data, qint64 size) -> qint64 {
            if (!file.startsWith(dir))
                return ::write(fd, data, size_t(size));
            std::lock_guard<std::mutex> locker(files->lock);
            qint64 &taken = files->taken[file];
            const qint64 fits = qMin(size, room - taken);
            if (fits <= 0) {
                errno = ENOSPC;
                return -1;
            }
            const qint64 n = ::write(fd, data, size_t(fits));
            taken += qMax<qint64>(n, 0);
            return n;
        });
    }
    ~FullDisk() { WholeFile::setWriteCall(nullptr); }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // The files in dir it was asked to write so far.
    int attempts() const
    {
        std::lock_guard<std::mutex> locker(files->lock);
        return files->taken.size();
    }

private:
    struct Files {
        std::mutex lock;
        QHash<QString, qint64> taken; // bytes each file got
    };
    std::shared_ptr<Files> files;
};

} // namespace testsupport
