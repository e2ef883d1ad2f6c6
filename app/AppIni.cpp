#include "AppIni.h"

#include "UserDataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QSettings>

QString AppIni::path(const QStringList &arguments)
{
    QString name = QStringLiteral("Trovina.ini");
    const int at = arguments.indexOf(QStringLiteral("-i"));
    if (at >= 0 && at + 1 < arguments.size() && !arguments.at(at + 1).isEmpty())
        name = arguments.at(at + 1);
    if (!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')))
        return userDataDir() + name;
    return QFileInfo(name).absoluteFilePath();
}

QString AppIni::project(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("-i"))
            ++i;
        else if (!arguments.at(i).startsWith(QLatin1Char('-')))
            return arguments.at(i);
    }
    return QString();
}

BoardIP AppIni::boardAddress(const QSettings &ini, int board)
{
    BoardIP ip;
    const QString n = QString::number(board + 1);
    if (!parseBoardAddress(ini.value(QStringLiteral("Board/addr") + n).toString(),
                           ini.value(QStringLiteral("Board/mac") + n).toString(), &ip))
        return BoardIP();
    return ip;
}

bool AppIni::parseBoardAddress(const QString &address, const QString &mac, BoardIP *out)
{
    const QStringList parts = address.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    const QHostAddress host(parts.at(0).trimmed());
    bool portOk = false;
    const uint port = parts.at(1).trimmed().toUInt(&portOk);
    if (host.protocol() != QAbstractSocket::IPv4Protocol || !portOk || port == 0 || port > 0xFFFF)
        return false;

    BoardIP ip;
    ip.ip = host.toIPv4Address();
    ip.port = u16(port);
    const QStringList bytes = mac.trimmed().split(QLatin1Char(':'));
    if (bytes.size() == 6) {
        for (int i = 0; i < 6; ++i) {
            bool ok = false;
            const uint b = bytes.at(i).toUInt(&ok, 16);
            if (!ok || b > 0xFF)
                return false;
            ip.mac[i] = u8(b);
        }
    } else if (!mac.trimmed().isEmpty()) {
        return false;
    }
    *out = ip;
    return true;
}
