#pragma once

#include <QMutex>
#include <QString>

// Keeps a file that is played again and again from filling the log: remembers
// the last path it was asked about. One instance per kind of log line (a
// static of the reader's source file); safe from every thread.
class LogOnce
{
public:
    // True when path differs from the path of the previous call; remembers it.
    bool isNew(const QString &path);

private:
    QMutex m_mutex;
    QString m_lastPath;
};
