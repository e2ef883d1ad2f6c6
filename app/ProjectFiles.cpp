#include "ProjectFiles.h"

#include "UserDataDir.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ProjectFiles::workingCopy()
{
    return userDataDir() + QStringLiteral("working.fm");
}

QString ProjectFiles::defaultTemplate()
{
    const QString path = userDataDir() + QStringLiteral("default.fm");
    if (!QFileInfo::exists(path) && QFile::copy(QStringLiteral(":/default.fm"), path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

bool ProjectFiles::isProjectName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.size() > 3 && name.endsWith(QStringLiteral(".fm"), Qt::CaseInsensitive);
}

QString ProjectFiles::backupName(const QString &path)
{
    if (path.endsWith(QStringLiteral(".fm"), Qt::CaseInsensitive))
        return path.left(path.size() - 3) + QStringLiteral(".fbk");
    return path + QStringLiteral(".fbk");
}

bool ProjectFiles::samePath(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

bool ProjectFiles::copyToSide(const QString &source, const QString &target, QString *side)
{
    *side = target + QStringLiteral(".part");
    QFile::remove(*side);
    if (!QFileInfo(source).isFile() || !QFile::copy(source, *side)
        || QFileInfo(*side).size() != QFileInfo(source).size()) {
        qWarning().noquote() << "MAN: copy failed" << source << "->" << *side;
        QFile::remove(*side);
        return false;
    }
    // A copy keeps the source's permissions; the copy is ours to write.
    QFile::setPermissions(*side, QFile::permissions(*side) | QFile::WriteOwner);
    return true;
}

bool ProjectFiles::replaceWith(const QString &side, const QString &target)
{
    if (QFileInfo::exists(target) && !QFile::remove(target))
        return false;
    return QFile::rename(side, target);
}

bool ProjectFiles::save(const QString &source, const QString &target, const QString &workingCopy)
{
    if (samePath(target, workingCopy) || samePath(target, source) || !isProjectName(target))
        return false;
    QString side;
    if (!copyToSide(source, target, &side))
        return false;

    const QString backup = backupName(target);
    const bool hadTarget = QFileInfo::exists(target);
    if (hadTarget) {
        QFile::remove(backup);
        if (!QFile::rename(target, backup)) {
            qWarning().noquote() << "MAN: no backup" << backup;
            QFile::remove(side);
            return false;
        }
    }
    if (QFile::rename(side, target))
        return true;
    qWarning().noquote() << "MAN: save failed" << target;
    QFile::remove(side);
    if (hadTarget)
        QFile::rename(backup, target);
    return false;
}
