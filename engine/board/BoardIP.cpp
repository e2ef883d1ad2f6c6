#include "BoardIP.h"

#include <QDebug>
#include <QHostAddress>

#include <cstring>

QString BoardIP::addressText() const
{
    return QStringLiteral("%1 : %2").arg(QHostAddress(ip).toString()).arg(port);
}

QString BoardIP::macText() const
{
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X",
                             mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

bool BoardIP::operator==(const BoardIP &o) const
{
    return ip == o.ip && port == o.port && std::memcmp(mac, o.mac, sizeof mac) == 0;
}

void BoardIP::registerMetaType()
{
    qRegisterMetaType<BoardIP>("BoardIP");
}

QDebug operator<<(QDebug dbg, const BoardIP &board)
{
    QDebugStateSaver saver(dbg);
    dbg.noquote() << board.macText() << QHostAddress(board.ip).toString() << ":" << board.port;
    return dbg;
}
