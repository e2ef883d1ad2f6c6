#include "SimBoardProcess.h"

#include "BoundedWait.h"

#include <QRegularExpression>

SimBoardProcess::SimBoardProcess(const QString &program, const QStringList &extra)
{
    m_process.setProgram(program);
    m_process.setArguments(QStringList{"--boards", "1", "--port", "0", "--control", "--quiet"} + extra);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return;
    // "sb1 #001 ZQTX v29 listening on 127.0.0.1 : 40000" (or "closed, opens later on").
    const int at = waitLine(QStringLiteral("sb1 #"), 0, 10000);
    if (at < 0)
        return;
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(": (\\d+)$")).match(m_lines[at]);
    if (m.hasMatch())
        m_port = quint16(m.captured(1).toUInt());
}

SimBoardProcess::~SimBoardProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel(); // end of input ends the program
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void SimBoardProcess::readOutput()
{
    m_partial += m_process.readAllStandardOutput();
    int end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromLocal8Bit(m_partial.left(end));
        m_partial.remove(0, end + 1);
    }
}

QStringList SimBoardProcess::lines()
{
    readOutput();
    return m_lines;
}

int SimBoardProcess::waitLine(const QString &prefix, int from, int timeoutMs)
{
    int found = -1;
    testsupport::waitUntil([&] {
        readOutput();
        for (int i = qMax(0, from); i < m_lines.size(); ++i) {
            if (m_lines[i].startsWith(prefix)) {
                found = i;
                return true;
            }
        }
        return false;
    }, timeoutMs);
    return found;
}

bool SimBoardProcess::command(const QString &line, int timeoutMs)
{
    readOutput();
    const int from = m_lines.size();
    m_process.write(line.toLocal8Bit() + '\n');
    int done = -1;
    testsupport::waitUntil([&] {
        readOutput();
        for (int i = from; i < m_lines.size(); ++i) {
            if (m_lines[i] == QLatin1String("ok ") + line || m_lines[i].startsWith(QLatin1String("error "))) {
                done = i;
                return true;
            }
        }
        return false;
    }, timeoutMs);
    return done >= 0 && m_lines[done].startsWith(QLatin1String("ok "));
}

QMap<QString, QString> SimBoardProcess::status()
{
    const int from = lines().size();
    QMap<QString, QString> values;
    if (!command(QStringLiteral("status")))
        return values;
    const int at = waitLine(QStringLiteral("status sb1 "), from, 1000);
    if (at < 0)
        return values;
    for (const QString &pair : m_lines[at].split(QLatin1Char(' '))) {
        const int eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return values;
}

QVector<int> SimBoardProcess::pcmUnderruns()
{
    const int from = lines().size();
    QVector<int> counts;
    if (!command(QStringLiteral("underruns")))
        return counts;
    const int at = waitLine(QStringLiteral("underruns sb1 pcm "), from, 1000);
    if (at < 0)
        return counts;
    for (const QString &n : m_lines[at].section(QLatin1Char(' '), 3, 3).split(QLatin1Char(',')))
        counts << n.toInt();
    return counts;
}
