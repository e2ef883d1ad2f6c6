#include "WorkingCopy.h"

#include "ProjectFiles.h"
#include "UserDataDir.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

QString WorkingCopy::path()
{
    return userDataDir() + QStringLiteral("working.fm");
}

QString WorkingCopy::defaultTemplate()
{
    const QString path = userDataDir() + QStringLiteral("default.fm");
    if (!QFileInfo::exists(path) && QFile::copy(QStringLiteral(":/default.fm"), path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

bool WorkingCopy::copyToSide(const QString &source, const QString &target, QString *side)
{
    if (ProjectFiles::copyToSide(source, target, side))
        return true;
    qWarning().noquote() << "MAN: copy failed" << source << "->" << target;
    return false;
}

bool WorkingCopy::replaceWith(const QString &side, const QString &target)
{
    return ProjectFiles::renameOver(side, target);
}
