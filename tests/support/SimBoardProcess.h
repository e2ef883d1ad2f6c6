#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVector>

// The simulated board program (tools/simboard) in a process of its own on
// loopback, driven through its control commands. One board; it picks a
// free port unless given one. Every wait processes events and is bounded.
class SimBoardProcess
{
public:
    // program: the simboard executable; extra: further options
    // ("--firmware", "24", "--late", "3", ...).
    explicit SimBoardProcess(const QString &program, const QStringList &extra = {});
    ~SimBoardProcess();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }

    // Sends a command and waits for its "ok" line; false on "error" or time-out.
    bool command(const QString &line, int timeoutMs = 5000);
    // The key=value pairs of the board's status line.
    QMap<QString, QString> status();
    int statusValue(const QString &key) { return status().value(key).toInt(); }
    // Per-channel PCM underruns since the last "clear".
    QVector<int> pcmUnderruns();
    // Waits for an output line starting with prefix after line number `from`;
    // its index, -1 on time-out.
    int waitLine(const QString &prefix, int from = 0, int timeoutMs = 5000);
    QStringList lines();

private:
    void readOutput();

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    quint16 m_port = 0;
};
