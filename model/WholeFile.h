#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Writing a file whole or not at all. The bytes go to a new file beside it
// ("<name>.XXXXXX.part", never a file someone else made) with the old
// file's permissions; every write, the flush to the disk and a read-back of
// the new file are checked, and only then does it take the old file's place
// in one rename. A full disk, a short write or a failing device leave the
// old file as it was and no new one behind. A path that is a symbolic link
// (or a chain of them) stays one: the file it leads to is written, beside
// it. Any thread.
namespace WholeFile {

// The file that path leads to through symbolic links (path itself when it
// is none, or when they go round in a circle); it need not exist.
QString target(const QString &path);

// Writes bytes as the file path leads to; false, with it as it was, when
// any step fails.
bool write(const QString &path, const QByteArray &bytes);

// The system call that writes data to the open file fd, named file (POSIX
// write(2): bytes taken or -1 with errno). Tests put a full disk in its
// place.
using WriteCall = std::function<qint64(const QString &file, int fd, const char *data, qint64 size)>;
// Replaces the write call of every later write; an empty one restores
// write(2).
void setWriteCall(WriteCall call);

} // namespace WholeFile
