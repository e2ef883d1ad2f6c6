#pragma once

#include "BoundedWait.h"
#include "FMServer.h"
#include "FMSettings.h"
#include "ProjectFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpSocket>

// Stands in for the main window: the slots the server's signals reach,
// connected directly as the main window connects them. A project it opens
// is its own working copy.
class MainWindowDouble : public QObject
{
    Q_OBJECT
public:
    explicit MainWindowDouble(FMServer &s) : server(s)
    {
        connect(&s, &FMServer::newFile, this, &MainWindowDouble::newFile);
        connect(&s, &FMServer::loadFile, this, &MainWindowDouble::openFile);
        connect(&s, &FMServer::saveFile, this, &MainWindowDouble::saveFile);
        connect(&s, &FMServer::onCD, this, [this](const QString &dir) {
            cds << dir;
            return false;
        });
        connect(&s, &FMServer::onRemote, this, [this](uint port, const QString &peer) {
            state = {port, peer};
        });
        connect(&s, &FMServer::onBand, this, [this] { ++bands; });
        connect(&s, &FMServer::setOnAir, this, [this](bool on) { onAir << on; });
    }
    QString newFile(const QString &path)
    {
        if (QFileInfo::exists(path))
            return QCoreApplication::translate("FMManager", "Datei existiert bereits");
        QFile(path).open(QIODevice::WriteOnly);
        return openFile(path);
    }
    QString openFile(const QString &path)
    {
        if (!QFileInfo::exists(path))
            return QCoreApplication::translate("FMManager", "Datei nicht gefunden");
        attach(path);
        return QString();
    }
    bool saveFile(const QString &path)
    {
        project->sync();
        const bool ok = ProjectFiles::saveCopy(project->fileName(), path);
        if (ok)
            project->dirty = false;
        return ok;
    }
    void attach(const QString &path)
    {
        project.reset(new FMSettings(path));
        server.setSettings(project, path);
    }

    FMServer &server;
    QSharedPointer<FMSettings> project;
    QPair<uint, QString> state;
    QStringList cds;
    QList<bool> onAir;
    int bands = 0;
};

// A client of the control port on 127.0.0.1; every wait is bounded.
class RemoteClient : public QObject
{
public:
    explicit RemoteClient(quint16 port)
    {
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            buffer += socket.readAll();
            for (int end; (end = buffer.indexOf("\r\n")) >= 0; buffer.remove(0, end + 2))
                lines << QString::fromUtf8(buffer.left(end));
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    // Waits until n lines have arrived and takes them.
    QStringList take(int n)
    {
        testsupport::waitUntil([&] { return lines.size() >= n; });
        QStringList got = lines.mid(0, n);
        lines = lines.mid(n);
        return got;
    }
    // Sends the request lines ('|' ends a line) with a VER after them and returns every line
    // that came before the information line VER answers.
    QStringList ask(const QByteArray &requests)
    {
        socket.write(QByteArray(requests).replace('|', '\n') + "\nVER\n");
        testsupport::waitUntil([&] { return lines.contains(info); }, 20000);
        const QStringList got = lines.mid(0, lines.indexOf(info));
        lines = lines.mid(got.size() + 1);
        return got;
    }

    static inline const QString info = QStringLiteral("modul.info Trovina Generator v4.51");
    QTcpSocket socket;
    QByteArray buffer;
    QStringList lines;
};
