#include "TempProject.h"

#include <QFile>

namespace testsupport {

TempProject::TempProject(const QByteArray &content, const QString &name)
    : filePath(dir.filePath(name))
{
    if (!content.isEmpty())
        write(content);
}

QByteArray TempProject::read() const
{
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool TempProject::write(const QByteArray &content) const
{
    QFile f(filePath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

} // namespace testsupport
