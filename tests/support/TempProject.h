#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A temporary directory holding a project file; both vanish with the object.
class TempProject
{
public:
    // Creates the directory and, when content is not empty, the file with that content.
    explicit TempProject(const QByteArray &content = QByteArray(),
                         const QString &name = QStringLiteral("test.fm"));

    bool isValid() const { return dir.isValid(); }
    QString path() const { return filePath; }
    QString dirPath() const { return dir.path(); }
    // The file's bytes as they are on disk now.
    QByteArray read() const;
    // Replaces the file's content.
    bool write(const QByteArray &content) const;

private:
    QTemporaryDir dir;
    QString filePath;
};

} // namespace testsupport
