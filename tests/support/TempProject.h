#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

class Settings;

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

    // The file as another reader sees it: each call reads with a fresh QSettings object. A store writes its
    // changes when its event loop turns or when it is synced, not before.
    QVariant fileValue(const QString &key) const;
    // Every key below group, keys of subgroups as "sub/key".
    QStringList fileKeys(const QString &group) const;
    // Every key below group with its value as text.
    QMap<QString, QString> fileGroup(const QString &group) const;
    // The top-level groups.
    QStringList fileGroups() const;

    // The same after the project first wrote its changes out (sync).
    QVariant fileValue(Settings &project, const QString &key) const;
    QStringList fileKeys(Settings &project, const QString &group) const;
    QMap<QString, QString> fileGroup(Settings &project, const QString &group) const;
    QStringList fileGroups(Settings &project) const;

private:
    QTemporaryDir dir;
    QString filePath;
};

// A project text: band 0, attenuation -5 dB, `used` channels from 1 with a
// 1 kHz tone at 48 kHz and no RDS.
QByteArray toneProject(int used);

} // namespace testsupport
