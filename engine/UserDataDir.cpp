#include "UserDataDir.h"

#include <QDir>
#include <QFileInfo>

QString userDataDir()
{
    const QByteArray env = qgetenv("APPDATA");
    QString base;
    if (!env.isEmpty()) {
        const QString candidate = QString::fromUtf8(env);
        if (QFileInfo::exists(candidate))
            base = QFileInfo(candidate).absoluteFilePath();
    }
    if (base.isEmpty())
        base = QDir::homePath();
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString dir = base + QStringLiteral("/Pellrock/");
    QDir().mkpath(dir);
    return dir;
}
