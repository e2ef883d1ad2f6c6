#include "ProjectFiles.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace ProjectFiles {

namespace {
const QLatin1String projectSuffix(".fm");
}

bool isProjectName(const QString &path)
{
    return path.size() > projectSuffix.size() && path.endsWith(projectSuffix, Qt::CaseInsensitive);
}

QString backupName(const QString &path)
{
    const QString base =
        path.endsWith(projectSuffix, Qt::CaseInsensitive) ? path.left(path.size() - 3) : path;
    return base + QStringLiteral(".fbk");
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.absoluteFilePath() == fb.absoluteFilePath())
        return true;
    const QString ca = fa.canonicalFilePath();
    return !ca.isEmpty() && ca == fb.canonicalFilePath();
}

bool saveCopy(const QString &workingCopy, const QString &target)
{
    if (sameFile(workingCopy, target)) {
        qDebug("MAN: save onto the working copy refused: %s", qPrintable(target));
        return false;
    }
    if (QFileInfo(target).isDir())
        return false;
    const QString backup = backupName(target);
    const bool hadTarget = QFileInfo::exists(target);
    if (hadTarget) {
        if (QFileInfo::exists(backup) && !QFile::remove(backup))
            return false;
        if (!QFile::rename(target, backup))
            return false;
    }
    if (QFile::copy(workingCopy, target))
        return true;
    QFile::remove(target);
    if (hadTarget && !QFile::rename(backup, target))
        qDebug("MAN: backup %s could not be put back", qPrintable(backup));
    return false;
}

} // namespace ProjectFiles
