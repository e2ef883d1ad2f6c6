#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

// A 400 KiB tmpfs of the current test function's own (of its current row, when it has rows): the function
// runs again in a process with a mount namespace of its own (unshare) that mounts one, and gets its
// directory; what it starts shares the namespace. Empty in the test's own process, after checking that run,
// which is skipped where the system allows no such namespace or mount.
inline QString ownTmpfs()
{
    if (qEnvironmentVariableIsSet("TROVINA_TMPFS"))
        return qEnvironmentVariable("TROVINA_TMPFS");
    QTemporaryDir dir;
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TROVINA_TMPFS", dir.path());
    child.setProcessEnvironment(env);
    const char *tag = QTest::currentDataTag();
    child.start("unshare", {"--mount", "sh", "-c",
                            "mount -t tmpfs -o size=400k tmpfs \"$TROVINA_TMPFS\" && exec \"$0\" \"$1\"",
                            QCoreApplication::applicationFilePath(),
                            QString(QTest::currentTestFunction()) + (tag ? ':' + QString(tag) : QString())});
    const bool ended = child.waitForFinished(120000);
    const QString out = QString::fromLocal8Bit(child.readAll());
    if (child.error() == QProcess::FailedToStart || out.contains("unshare failed") || out.contains("mount:"))
        QTest::qSkip(qPrintable("no tmpfs of its own here: " + out.simplified()), __FILE__, __LINE__);
    else if (!ended || child.exitCode() != 0)
        QTest::qFail(qPrintable(out), __FILE__, __LINE__);
    return QString();
}

// Takes every block of the tmpfs but `room` bytes with the file fill (open for writing); false when it could not.
inline bool fillAllBut(QFile &fill, qint64 room)
{
    return fill.open(QIODevice::WriteOnly) && fill.write(QByteArray(1 << 20, 'x')) < (1 << 20)
           && fill.resize(fill.size() - room);
}

} // namespace testsupport
