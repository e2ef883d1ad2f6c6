#pragma once

#include "Types.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QSharedPointer>

class FMProgram;
class FMSettings;
class QTcpServer;
class QTimer;

// The RDS data input of one channel: a TCP server on port base + channel
// number (channel 1 on 4001 by default) that takes text lines of RDS groups
// into the channel program's input ring, answers each line with the ring's
// level and reports level changes every 350 ms. One client at a time; a new
// client replaces the old one. Broadcasts "rdsin.N" with the client's
// address while one is connected.
//
// Lives in the board thread with its channel program (its parent).
class RDSServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int defaultPortBase = 4000;
    static constexpr int bufferSize = 1024;
    // Input held by the client socket; what does not fit stays in the
    // kernel, so TCP holds back a client that sends faster than its lines
    // are handled.
    static constexpr qint64 readBufferSize = 4 * bufferSize;
    // Lines and bytes handled in a turn of restMs; the rest wait for the
    // next turn, in the socket and then in the kernel, so a flooding client
    // cannot take the board thread from the pump (at most 6400 lines or
    // 800 kB per second and channel).
    static constexpr int linesPerTurn = 64;
    static constexpr qint64 bytesPerTurn = 8 * bufferSize;
    static constexpr int restMs = 10;
    // A client whose unsent replies pass this is disconnected.
    static constexpr qint64 maxPendingOutput = 64 * 1024;

    RDSServer(int channel, FMProgram *program);
    ~RDSServer() override;

    // A new port base; listens on base + channel.
    void setPort(int portBase);
    // A new port base without listening yet: closes the server and its
    // client when the base changes.
    void movePort(int portBase);
    int portBase() const { return m_base; }
    int port() const { return m_base + m_channel; }
    // Why the server could not listen on its port; empty while it listens
    // and once it is stopped or moved.
    QString listenError() const { return m_listenError; }
    // Listens on base + channel when not listening.
    void listen();
    bool isListening() const;
    // Closes the server and a connected client.
    void stop();
    void setSettings(const QSharedPointer<FMSettings> &settings);
    bool hasClient() const { return m_client != nullptr; }
    // Bytes of the client's input read from the kernel and not yet handled.
    qint64 bufferedInput() const;
    // The listening socket is kept out of the event loop's poll set: the
    // board link watches it every few pump ticks and lets a waiting client in.
    // The descriptor to watch (-1: none; not listening or letting in).
    qintptr waitingDescriptor() const;
    // Accepts (true: from the next turn of the event loop) or holds clients.
    void setAccepting(bool on);

public slots:
    void onDisconnect();
    void onConnection();
    void readLine();
    void sendLine(const QByteArray &text);
    void timeout();

private:
    bool listenOn(int port);
    void handleLine(QByteArray line);
    void broadcast(const QString &value);

    QSharedPointer<FMSettings> m_settings;
    const int m_channel;
    int m_base = defaultPortBase;
    QTcpServer *m_server;
    QPointer<QTcpSocket> m_client;
    QString m_listenError;
    int m_lines = 0;
    int m_lastLevel = 0;
    qint64 m_lastWrite = 0;          // monotonic ms
    char m_buffer[bufferSize];
    int m_fill = 0;
    bool m_skipping = false;         // dropping the tail of an over-long line
    bool m_accepting = false;        // the listening socket is in the event loop's poll set
    QTimer *m_timer;
    QTimer *m_rest;                  // running: input waits for the next turn
    qint64 m_turnStart = -restMs;    // monotonic ms
    int m_turnLines = 0;             // handled in this turn
    qint64 m_turnBytes = 0;          // read in this turn
    FMProgram *m_program;
};
