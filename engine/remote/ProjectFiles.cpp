#include "ProjectFiles.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace ProjectFiles {

namespace {

const QLatin1String projectSuffix(".fm");
constexpr qint64 copyChunk = 64 * 1024;

// Copies every byte of from into the open file to; false on any short read
// or write.
bool copyBytes(QFile &from, QFile &to)
{
    QByteArray chunk;
    while (!from.atEnd()) {
        chunk = from.read(copyChunk);
        if (chunk.isEmpty() || to.write(chunk) != chunk.size())
            return false;
    }
    return from.error() == QFileDevice::NoError && to.flush();
}

} // namespace

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

bool copyToSide(const QString &source, const QString &target, QString *side)
{
    side->clear();
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly)) {
        qDebug("MAN: cannot read %s", qPrintable(source));
        return false;
    }
    // Created exclusively under a fresh name: no other file is touched,
    // "<target>.part" of someone else included.
    QTemporaryFile out(target + QStringLiteral(".XXXXXX.part"));
    out.setAutoRemove(false);
    if (!out.open()) {
        qDebug("MAN: cannot create a file beside %s", qPrintable(target));
        return false;
    }
    const bool copied = copyBytes(in, out) && out.size() == in.size();
    out.close();
    if (!copied || out.error() != QFileDevice::NoError) {
        qDebug("MAN: copy failed %s -> %s", qPrintable(source), qPrintable(out.fileName()));
        out.remove();
        return false;
    }
    // Made private by its creation; it takes the source's permissions, and
    // its owner may write it (the working copy of a read-only example too).
    out.setPermissions(in.permissions() | QFileDevice::WriteOwner);
    *side = out.fileName();
    return true;
}

bool renameOver(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool saveCopy(const QString &workingCopy, const QString &target)
{
    if (sameFile(workingCopy, target)) {
        qDebug("MAN: save onto the working copy refused: %s", qPrintable(target));
        return false;
    }
    if (QFileInfo(target).isDir())
        return false;
    QString side;
    if (!copyToSide(workingCopy, target, &side))
        return false;
    const QString backup = backupName(target);
    const bool hadTarget = QFileInfo::exists(target);
    if (hadTarget && !renameOver(target, backup)) {
        qDebug("MAN: cannot keep %s as %s", qPrintable(target), qPrintable(backup));
        QFile::remove(side);
        return false;
    }
    if (renameOver(side, target))
        return true;
    qDebug("MAN: cannot put the copy in place of %s", qPrintable(target));
    QFile::remove(side);
    if (hadTarget && !renameOver(backup, target))
        qDebug("MAN: backup %s could not be put back", qPrintable(backup));
    return false;
}

} // namespace ProjectFiles
