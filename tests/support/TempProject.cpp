#include "TempProject.h"

#include "Settings.h"

#include <QFile>
#include <QSettings>

namespace testsupport {

QByteArray toneProject(int used)
{
    QByteArray text = "[board]\nband=0\nattn=-5\n[audio.1]\ntype=0\nfrq1=1000\nfrq2=1000\nvol1=50\nvol2=50\n";
    for (int ch = 1; ch <= used; ++ch)
        text += "[channel." + QByteArray::number(ch) + "]\nused=1\nidaudio=1\nrate=48000\nfreq="
                + QByteArray::number(88.0 + ch * 0.4) + "\n";
    return text;
}

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

QVariant TempProject::fileValue(const QString &key) const
{
    QSettings ini(filePath, QSettings::IniFormat);
    return ini.value(key);
}

QStringList TempProject::fileKeys(const QString &group) const
{
    QSettings ini(filePath, QSettings::IniFormat);
    ini.beginGroup(group);
    return ini.allKeys();
}

QMap<QString, QString> TempProject::fileGroup(const QString &group) const
{
    QSettings ini(filePath, QSettings::IniFormat);
    ini.beginGroup(group);
    QMap<QString, QString> out;
    const QStringList keys = ini.allKeys();
    for (const QString &k : keys)
        out.insert(k, ini.value(k).toString());
    return out;
}

QStringList TempProject::fileGroups() const
{
    QSettings ini(filePath, QSettings::IniFormat);
    return ini.childGroups();
}

QVariant TempProject::fileValue(Settings &project, const QString &key) const
{
    project.sync();
    return fileValue(key);
}

QStringList TempProject::fileKeys(Settings &project, const QString &group) const
{
    project.sync();
    return fileKeys(group);
}

QMap<QString, QString> TempProject::fileGroup(Settings &project, const QString &group) const
{
    project.sync();
    return fileGroup(group);
}

QStringList TempProject::fileGroups(Settings &project) const
{
    project.sync();
    return fileGroups();
}

} // namespace testsupport
