#include "WholeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace WholeFile {

namespace {

std::mutex callLock;
WriteCall writeCall; // guarded by callLock; empty: write(2)

qint64 writeSome(const QString &file, int fd, const char *data, qint64 size)
{
    WriteCall call;
    {
        std::lock_guard<std::mutex> locker(callLock);
        call = writeCall;
    }
    return call ? call(file, fd, data, size) : ::write(fd, data, size_t(size));
}

bool writeAll(QTemporaryFile &out, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n =
            writeSome(out.fileName(), out.handle(), bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Whether the file holds exactly bytes, read back from the disk's view.
bool readsBack(int fd, const QByteArray &bytes)
{
    QByteArray back(bytes.size() + 1, '\0');
    qint64 got = 0;
    while (got < back.size()) {
        const ssize_t n = ::pread(fd, back.data() + got, size_t(back.size() - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    return got == bytes.size() && back.left(int(got)) == bytes;
}

// The framework's settings readers know a file they read before by its size
// and modification time (ms), and the file system's clock ticks coarsely: a
// file replaced by one of the same size within one tick would read as the
// old one. The new file is made younger than the old one.
void keepYounger(QTemporaryFile &out, const QFileInfo &old)
{
    if (!old.exists())
        return;
    const QDateTime before = old.lastModified();
    if (QFileInfo(out.fileName()).lastModified() <= before)
        out.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
}

} // namespace

QString target(const QString &path)
{
    QFileInfo file(path);
    // As many links as the system itself follows.
    for (int links = 0; links < 40 && file.isSymLink(); ++links)
        file.setFile(file.symLinkTarget());
    return file.isSymLink() ? path : file.absoluteFilePath();
}

bool write(const QString &link, const QByteArray &bytes)
{
    const QString path = target(link);
    const QFileInfo old(path);
    // Created exclusively under a fresh name; removed again on every failure.
    QTemporaryFile out(path + QStringLiteral(".XXXXXX.part"));
    if (!out.open())
        return false;
    const QFile::Permissions fresh = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                     | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
    out.setPermissions(old.exists() ? old.permissions() : fresh);
    if (!writeAll(out, bytes))
        return false;
    keepYounger(out, old);
    if (::fsync(out.handle()) != 0 || !readsBack(out.handle(), bytes))
        return false;
    out.close();
    if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    return true;
}

void setWriteCall(WriteCall call)
{
    std::lock_guard<std::mutex> locker(callLock);
    writeCall = std::move(call);
}

} // namespace WholeFile
