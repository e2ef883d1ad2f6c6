#include "InstanceLock.h"

#include <QDebug>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString InstanceLock::lockFile(const QString &workingCopy)
{
    QString name = workingCopy;
    if (name.endsWith(QLatin1String(".fm")))
        name.chop(3);
    return name + QStringLiteral(".lock");
}

InstanceLock::InstanceLock(const QString &workingCopy)
{
    const QString file = lockFile(workingCopy);
    fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        qWarning("MAN: cannot make %s (%s): another instance on this ini would not be noticed",
                 qPrintable(file), std::strerror(errno));
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return;
    if (errno == EWOULDBLOCK)
        elsewhere = true;
    else
        qWarning("MAN: cannot lock %s (%s)", qPrintable(file), std::strerror(errno));
    ::close(fd);
    fd = -1;
}

InstanceLock::~InstanceLock()
{
    if (fd >= 0)
        ::close(fd);
}
