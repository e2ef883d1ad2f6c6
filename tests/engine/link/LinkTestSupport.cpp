#include "LinkTestSupport.h"

#include "BoundedWait.h"

#include <QFile>
#include <QMutex>
#include <QtEndian>

namespace linktest {

namespace {
QMutex logMutex;
QStringList logLines;
QtMessageHandler previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // One at a time into QtTest's handler too: it is not safe to enter
    // from the board threads and the test thread at once.
    QMutexLocker lock(&logMutex);
    logLines << text;
    if (type != QtDebugMsg && previous)
        previous(type, context, text);
}
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&logMutex);
    logLines.clear();
    previous = qInstallMessageHandler(collect);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&logMutex);
    return logLines;
}

bool LogCapture::waitFor(const QString &prefix, int timeoutMs) const
{
    return testsupport::waitUntil([&] {
        const QStringList all = lines();
        return std::any_of(all.begin(), all.end(), [&](const QString &l) { return l.startsWith(prefix); });
    }, timeoutMs);
}

Link::Link(u16 rdsPort, int index)
    : ports(rdsPort ? 0 : 24 * (index + 1)), board(u8(index), rdsPort ? rdsPort : u16(ports.first()))
{
    QObject::connect(&board, &FMBoard::online, [this] { ++online; });
    QObject::connect(&board, &FMBoard::offline, [this] { ++offline; });
    QObject::connect(&board, &FMBoard::userUnlock, [this] { ++unlocks; });
    QObject::connect(&board, &FMBoard::takeOverWithdrawn, [this] { ++withdrawn; });
    QObject::connect(&board, &FMBoard::onair, [this](bool on) {
        ++(on ? onAirOn : onAirOff);
        lastOnAir = on;
    });
}

Link::~Link()
{
    board.quit();
    board.wait();
}

QByteArray projectText(int used, int mode, const QString &file)
{
    QByteArray text = "[board]\nband=0\nattn=-5\n[audio.1]\n";
    text += file.isEmpty() ? "type=0\nfrq1=11025\nfrq2=11025\nvol1=100\nvol2=50\n"
                           : "type=2\nfile=" + file.toUtf8() + "\n";
    text += "[rds.1]\nps=TROVINA\npi=d312\nmode=" + QByteArray::number(mode) + "\n";
    for (int ch = 1; ch <= used; ++ch)
        text += "[channel." + QByteArray::number(ch) + "]\nused=1\nidaudio=1\nidrds=1\nfreq="
                + QByteArray::number(88.0 + ch * 0.4) + "\n";
    return text;
}

void writeWav(const QString &path, int channels, int frames)
{
    QByteArray d;
    auto put = [&](quint32 v, int n) { d.append(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), n); };
    const int bytes = frames * channels * 2;
    d += "RIFF", put(36 + bytes, 4), d += "WAVEfmt ", put(16, 4), put(1, 2), put(channels, 2);
    put(44100, 4), put(44100 * 2 * channels, 4), put(2 * channels, 2), put(16, 2), d += "data", put(bytes, 4);
    for (int i = 0; i < frames * channels; ++i)
        put(i % 30000 + 1, 2);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(d);
}

} // namespace linktest
