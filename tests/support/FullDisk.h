#pragma once

#include "WholeFile.h"

#include <QDir>
#include <QHash>
#include <QStringList>

#include <algorithm>

#include <cerrno>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace testsupport {

// While it lives, the files written whole (WholeFile) in directory dir (or in any of dirs, each a disk of its
// own) meet a disk with room bytes free: a write past them fails with ENOSPC, as the disk's own does, after the
// bytes that fit; making, renaming and removing files go on as on a full disk.
class FullDisk
{
public:
    explicit FullDisk(const QString &dir, qint64 room = 0) : FullDisk(QStringList{dir}, room) {}
    explicit FullDisk(QStringList dirs, qint64 room = 0) : files(std::make_shared<Files>())
    {
        for (QString &dir : dirs)
            dir = QDir(dir).absolutePath() + '/';
        WholeFile::setWriteCall([files = files, dirs,
                                 room](const QString &file, int fd, const char *data, qint64 size) -> qint64 {
            const auto inside = [&file](const QString &dir) { return file.startsWith(dir); };
            if (std::none_of(dirs.cbegin(), dirs.cend(), inside))
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
