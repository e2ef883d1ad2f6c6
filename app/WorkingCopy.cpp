#include "WorkingCopy.h"

#include "ProjectFiles.h"
#include "UserDataDir.h"
#include "WholeFile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A directory's path with every link on its way followed, or cleaned when
// it does not exist.
QString realDir(const QString &dir)
{
    const QString real = QFileInfo(dir).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(QFileInfo(dir).absoluteFilePath()) : real;
}

// The file the ini really is: every link on its way followed (its own and
// those of the directories above it), so that one file reached by two
// paths has one name. An ini that does not exist yet is named by its
// directory's real path and its own name.
QString realIni(const QString &ini)
{
    const QFileInfo file(WholeFile::target(QFileInfo(ini).absoluteFilePath()));
    return realDir(file.path()) + QLatin1Char('/') + file.fileName();
}

bool letterAnywhere(QChar c)
{
    return (c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('-') || c == QLatin1Char('_');
}

} // namespace

QString WorkingCopy::path(const QString &ini)
{
    const QString dir = userDataDir();
    if (ini.isEmpty())
        return dir + QStringLiteral("working.fm");
    const QString real = realIni(ini);
    if (real == realIni(dir + QStringLiteral("Trovina.ini")))
        return dir + QStringLiteral("working.fm");
    // "lab.ini" in the data directory is "working-lab.fm". Every other ini
    // (elsewhere, not ending in ".ini", or with a letter a file name does
    // not take anywhere, which is replaced) also carries 8 hex digits of
    // its real path, so that two inis never share a name: a plain name
    // never ends in "-" and 8 hex digits.
    const QFileInfo info(real);
    QString name = info.fileName();
    bool plain = name.endsWith(QLatin1String(".ini")) && name.size() > 4
                 && info.path() == realDir(dir);
    name = plain ? name.left(name.size() - 4) : info.completeBaseName();
    for (QChar &c : name) {
        if (!letterAnywhere(c)) {
            c = QLatin1Char('_');
            plain = false;
        }
    }
    static const QRegularExpression hashed(QStringLiteral("-[0-9a-f]{8}$"));
    if (!plain || hashed.match(name).hasMatch()) {
        const QByteArray hash = QCryptographicHash::hash(real.toUtf8(), QCryptographicHash::Sha1).toHex();
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
