#include "WorkingCopy.h"

#include "ProjectFiles.h"
#include "UserDataDir.h"
#include "WholeFile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString WorkingCopy::path(const QString &ini)
{
    const QString dir = userDataDir();
    const QString given = QDir::cleanPath(QFileInfo(ini).absoluteFilePath());
    if (ini.isEmpty() || given == QDir::cleanPath(dir + QStringLiteral("Trovina.ini")))
        return dir + QStringLiteral("working.fm");
    // The ini's name, in letters a file name takes anywhere.
    QString name = QFileInfo(given).completeBaseName();
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    if (QFileInfo(given).path() != QDir::cleanPath(dir)) {
        const QByteArray hash = QCryptographicHash::hash(given.toUtf8(), QCryptographicHash::Sha1).toHex();
        name += QLatin1Char('-') + QString::fromLatin1(hash.left(8));
    }
    return dir + QStringLiteral("working-") + name + QStringLiteral(".fm");
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
    if (ProjectFiles::copyToSide(source, WholeFile::target(target), side))
        return true;
    qWarning().noquote() << "MAN: copy failed" << source << "->" << target;
    return false;
}

bool WorkingCopy::replaceWith(const QString &side, const QString &target)
{
    return ProjectFiles::renameOver(side, WholeFile::target(target));
}
