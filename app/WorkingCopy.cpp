#include "WorkingCopy.h"

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
    *side = target + QStringLiteral(".part");
    QFile::remove(*side);
    if (!QFileInfo(source).isFile() || !QFile::copy(source, *side)
        || QFileInfo(*side).size() != QFileInfo(source).size()) {
        qWarning().noquote() << "MAN: copy failed" << source << "->" << *side;
        QFile::remove(*side);
        return false;
    }
    // A copy keeps the source's permissions (a read-only example too); the
    // working copy must be writable.
    QFile::setPermissions(*side, QFile::permissions(*side) | QFile::WriteOwner);
    return true;
}

bool WorkingCopy::replaceWith(const QString &side, const QString &target)
{
    if (QFileInfo::exists(target) && !QFile::remove(target))
        return false;
    return QFile::rename(side, target);
}
