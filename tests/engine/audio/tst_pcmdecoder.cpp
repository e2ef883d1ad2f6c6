#include "AudioFixtures.h"
#include "BoundedWait.h"
#include "PCMDecoder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// Every debug line, kept so that the tests can wait for the decoder's steps.
std::mutex g_logMutex; // a pthread mutex, visible to ThreadSanitizer
QStringList g_log;
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // QtTest's own handler is not safe to enter from two threads at once
    // (the decoder threads log while the test thread does): one at a time.
    std::lock_guard lock(g_logMutex);
    g_log << text;
    if (g_previous)
        g_previous(type, context, text);
}

// How often `line` was logged; with `prefix`, lines starting with it.
int loggedCount(const QString &line, bool prefix = false)
{
    std::lock_guard lock(g_logMutex);
    return int(std::count_if(g_log.begin(), g_log.end(),
                             [&](const QString &l) { return prefix ? l.startsWith(line) : l == line; }));
}

bool logged(const QString &line) { return loggedCount(line) > 0; }

void clearLog()
{
    std::lock_guard lock(g_logMutex);
    g_log.clear();
}

// A stereo file whose left channel counts frames (modulo 32000) and whose right channel names the file.
QVector<qint16> ramp(int frames, qint16 id)
{
    QVector<qint16> s(frames * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = qint16(i % 32000);
        s[2 * i + 1] = id;
    }
    return s;
}

struct Frame {
    qint16 left, right;
};

// Pulls like a channel program: 1024-byte requests, a 0 answer is asked again. Keeps only samples (no
// silence) until `frames` frames came or time is up.
QVector<Frame> pull(PCMDecoder &d, int frames, int timeoutMs = 10000)
{
    QVector<Frame> got;
    qint16 buf[512];
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < frames && !deadline.hasExpired()) {
        const int want = std::min(1024, (frames - got.size()) * 4);
        u8 silence = 0;
        const int n = d.readSamples(buf, want, &silence);
        if (silence) {
            QThread::msleep(1);
            continue;
        }
        for (int i = 0; i + 1 < n / 2; i += 2)
            got.append({buf[i], buf[i + 1]});
    }
    return got;
}

// Checks that frames continue the files of `lengths` (ids 1, 2, ...) in playlist order from
// `entry`/`position`; returns a description of the first break.
QString checkSequence(const QVector<Frame> &frames, const QVector<int> &lengths, int entry, int position)
{
    for (int i = 0; i < frames.size(); ++i) {
        const Frame expected{qint16(position % 32000), qint16(entry + 1)};
        if (frames[i].left != expected.left || frames[i].right != expected.right)
            return QString("frame %1: %2/%3, expected %4/%5")
                .arg(i)
                .arg(frames[i].left)
                .arg(frames[i].right)
                .arg(expected.left)
                .arg(expected.right);
        if (++position == lengths[entry]) {
            position = 0;
            entry = (entry + 1) % lengths.size();
        }
    }
    return QString();
}

} // namespace

class TestPCMDecoder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString wavFile(const QString &name, int frames, qint16 id)
    {
        const QString path = m_dir.filePath(name);
        fixtures::writeFile(path, fixtures::wav(ramp(frames, id), 2));
        return path;
    }

    static bool bothFilled() { return logged("de24 buffer[1] filled   2"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_previous = qInstallMessageHandler(capture);
    }

    void cleanupTestCase() { qInstallMessageHandler(g_previous); }

    void init() { clearLog(); }

    // A file shorter than the decoder's nap (a test tone loop of 100 ms, say) pulled at the pace of playback:
    // the decoder refills a buffer as soon as it is handed back, so the loop plays on without a silent gap.
    void shortFileRepeatsWithoutGap()
    {
        const QString a = wavFile("short.wav", 4410, 1);
        PCMDecoder d(5);
        d.setPlaylist({a});
        QVERIFY(testsupport::waitUntil([&] { return d.songInfo().file == a; }));
        QTest::qWait(50); // both buffers filled
        qint16 buf[88];
        int silent = 0, frames = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1200) { // 44 frames a millisecond, about the pace of playback
            u8 silence = 0;
            const int n = d.readSamples(buf, 176, &silence);
            if (n == 0)
                continue; // a buffer handed back: the rest comes from the other
            if (silence)
                ++silent;
            else
                frames += n / 4;
            QThread::usleep(1000);
        }
        QCOMPARE(silent, 0);
        QVERIFY(frames > 4410);
    }

    // A board-like thread pulls while the decoder thread fills: two files of which one needs two fills, three
    // rounds, every sample in order.
    void handOverAcrossThreads()
    {
        const QString a = wavFile("ha.wav", 100000, 1);
        const QString b = wavFile("hb.wav", 150000, 2);
        PCMDecoder d(9);
        d.setPlaylist({a, b});
        std::atomic<bool> done{false};
        QVector<Frame> frames;
        std::thread board([&] {
            frames = pull(d, 3 * 250000 + 1234, 60000);
            done = true;
        });
        const bool finished = testsupport::waitUntil([&] { return done.load(); }, 60000);
        board.join();
        QVERIFY(finished);
        QCOMPARE(frames.size(), 3 * 250000 + 1234);
        QCOMPARE(checkSequence(frames, {100000, 150000}, 0, 0), QString());
    }

    // A new playlist: the buffered audio fades to silence over one request (a large one too: the factor (m -
    // i) / m must not overflow), then the new list plays from its start, nothing of the old one after.
    // Requests of no bytes leave the one fade of the change to the next real request.
    void playlistChangeFades()
    {
        const QString c = m_dir.filePath("loud.wav");
        fixtures::writeFile(c, fixtures::wav(QVector<qint16>(2 * 100000, 32000), 2));
        const QString b = wavFile("fb.wav", 3000, 2);
        PCMDecoder d(24);
        d.setPlaylist({c});
        QVERIFY(testsupport::waitUntil(bothFilled));
        QVector<qint16> buf(200000, -1);
        u8 silence = 0;
        d.setPlaylist({b});
        QCOMPARE(d.readSamples(buf.data(), 0, &silence), 0);
        QCOMPARE(d.readSamples(buf.data(), -2, &silence), 0);
        QTest::ignoreMessage(QtDebugMsg,
                             "de24 is loading, discard buffers @pos 0, return last 400000 as fade to silence");
        QCOMPARE(d.readSamples(buf.data(), 400000, &silence), 400000);
        QCOMPARE(silence, u8(0)); // the flag keeps the caller's value
        const qint64 m = 200000 - 8;
        for (const int i : {0, 2, 1000, 100000, 150001, 199990, 199992, 199999}) {
            const int pair = i - i % 2;
            QCOMPARE(buf[i], pair < m ? qint16(32000 * (m - pair) / m) : qint16(0));
        }
        QCOMPARE(checkSequence(pull(d, 3000), {1, 3000}, 1, 0), QString());
    }

    // The decoder took the new list over before the next request: the fade drops both buffers of the old list,
    // the one filled last too.
    void changeTakenOverBeforeTheNextRequest()
    {
        const QString a = wavFile("ta.wav", 200000, 1);
        const QString b = wavFile("tb.wav", 3000, 2);
        PCMDecoder d(24);
        d.setPlaylist({a});
        QVERIFY(testsupport::waitUntil(bothFilled));
        d.setPlaylist({b});
        QVERIFY(testsupport::waitUntil([&] { return d.songInfo().file == b; }));
        qint16 buf[512];
        u8 silence = 0;
        QCOMPARE(d.readSamples(buf, 1024, &silence), 1024);
        QCOMPARE(checkSequence(pull(d, 3000), {1, 3000}, 1, 0), QString());
    }

    // Playlist changes while the board thread drains the buffers as fast as it can, so that the decoder is
    // mostly in the middle of a fill: each change fades out once, then only the new song follows.
    void oneFadePerChange()
    {
        const QString a = wavFile("oa.wav", 300000, 1);
        const QString b = wavFile("ob.wav", 300000, 2);
        PCMDecoder d(24);
        qint16 buf[512];
        for (int round = 0; round < 40; ++round) {
            const qint16 id = qint16(round % 2 + 1);
            const qint16 old = qint16(3 - id);
            const int fades = loggedCount("de24 is loading", true);
            d.setPlaylist({id == 1 ? a : b});
            int fresh = 0;
            int oldRequests = 0; // requests that still carry audio of the old file
            QDeadlineTimer deadline(5000);
            while (fresh < 3000 && !deadline.hasExpired()) {
                u8 silence = 0;
                const int n = d.readSamples(buf, 1024, &silence);
                bool hasOld = false;
                for (int i = 1; i < n / 2 && !silence; i += 2) {
                    fresh += buf[i] == id ? 1 : 0;
                    hasOld = hasOld || (round > 0 && buf[i] == old);
                }
                oldRequests += hasOld ? 1 : 0;
            }
            QVERIFY(fresh >= 3000);
            const QString where = QString("round %1").arg(round);
            QVERIFY2(oldRequests <= 1, qPrintable(where));
            QVERIFY2(loggedCount("de24 is loading", true) <= fades + 1, qPrintable(where));
            QTest::qWait(round % 7); // the next change at another point of the fill
        }
    }

    // Entries without a reader or that fail to open are published once with kind -1 and skipped; the cache
    // keeps them from being tried again.
    void unplayableEntries()
    {
        const QString text = m_dir.filePath("notes.txt");
        fixtures::writeFile(text, "just text");
        const QString broken = m_dir.filePath("broken.wav");
        fixtures::writeFile(broken, QByteArray(100, 'x'));
        const QString a = wavFile("ua.wav", 3000, 1);
        PCMDecoder d(3);
        d.setPlaylist({text, broken, a});
        const QVector<Frame> frames = pull(d, 3 * 3000);
        QCOMPARE(checkSequence(frames, {3000}, 0, 0), QString());
        QVERIFY(logged(QString("de 3 bad! [%1] 0").arg(text)));
        QVERIFY(logged(QString("de 3 bad! [%1] -1").arg(broken)));
        QStringList songs;
        for (const SongInfo &s : d.takeSongs())
            songs << s.file + ' ' + QString::number(s.decoder);
        QCOMPARE(songs, QStringList({text + " -1", broken + " -1", a + ' ' + QString::number(SongInfo::Wav)}));
        QCOMPARE(loggedCount(QString("de 3 bad! [%1] 0").arg(text)), 1);
    }

    void playPosition()
    {
        const QString f = wavFile("pos.wav", 150000, 1);
        PCMDecoder d(24);
        d.setPlaylist({f});
        QVERIFY(testsupport::waitUntil(bothFilled));
        QTest::qWait(300); // the entry is taken up again right after its end was decoded
        QCOMPARE(pull(d, 75000).size(), 75000);
        QCOMPARE(d.songInfo().position, 500);
        QCOMPARE(d.playPosition(d.songInfo()), 500);

        // Only whole frames: 1023 bytes asked, 255 frames given, the rest follows.
        qint16 buf[512];
        u8 silence = 1;
        QCOMPARE(d.readSamples(buf, 1023, &silence), 1020);
        QCOMPARE(silence, u8(0));
        QCOMPARE(buf[508], qint16((75000 + 254) % 32000));
        QCOMPARE(d.readSamples(buf, 5, &silence), 4);
        QCOMPARE(buf[0], qint16((75000 + 255) % 32000));
        // Less than one frame asked for: served, never 0 (which would send the caller asking again for ever
        // while the buffer still holds audio).
        QCOMPARE(d.readSamples(buf, 2, &silence), 2);
        QCOMPARE(buf[0], qint16((75000 + 256) % 32000));
        QCOMPARE(d.readSamples(buf + 1, 2, &silence), 2);
        QCOMPARE(d.readSamples(buf + 2, 4, &silence), 4);
        QCOMPARE(buf[2], qint16((75000 + 257) % 32000));
    }

    void emptyPlaylistGoesSilent()
    {
        PCMDecoder d(24);
        d.setPlaylist({wavFile("ea.wav", 50000, 1)});
        QVERIFY(!pull(d, 100).isEmpty());
        const quint32 version = d.songVersion();
        QVERIFY(version > 0);
        d.setPlaylist({});
        QVERIFY(testsupport::waitUntil([&] { return d.songInfo().file.isEmpty(); }));
        QVERIFY(d.songVersion() > version); // the song changed: holders copy it again
    }

    // The same file at the current index keeps playing where it is; setSong plays the asked entry after the
    // buffered audio (an index beyond the list is ignored).
    void keepPlayingAndRequestedSong()
    {
        const QString a = wavFile("ka.wav", 4000, 1);
        const QString b = wavFile("kb.wav", 4000, 2);
        PCMDecoder d(24);
        d.setPlaylist({a, b});
        QVERIFY(testsupport::waitUntil(bothFilled));
        d.setPlaylist({a, b, a});
        QVERIFY(testsupport::waitUntil([] { return logged("de24 keep playing song 0"); }));
        d.setSong(7);
        d.setSong(0); // a and b are buffered; a follows instead of the third entry
        const QVector<Frame> frames = pull(d, 3 * 4000);
        QCOMPARE(checkSequence(frames.mid(0, 8000), {4000, 4000}, 0, 0), QString());
        QCOMPARE(checkSequence(frames.mid(8000), {4000}, 0, 0), QString());

        // The first entry asked for while the third one waits: it follows the buffered two.
        clearLog();
        PCMDecoder e(24);
        e.setPlaylist({a, b, wavFile("kc.wav", 4000, 3)});
        QVERIFY(testsupport::waitUntil(bothFilled));
        e.setSong(0);
        QCOMPARE(checkSequence(pull(e, 3 * 4000), {4000, 4000}, 0, 0), QString());
    }

    void killAndDispose()
    {
        const QString a = wavFile("da.wav", 50000, 1);
        auto *d = new PCMDecoder(24);
        d->setPlaylist({a});
        QVERIFY(testsupport::waitUntil(bothFilled));
        d->stop(true);
        qint16 buf[512];
        u8 silence = 0;
        QCOMPARE(d->readSamples(buf, 1024, &silence), 1024);
        QCOMPARE(silence, u8(1));
        QVERIFY(testsupport::waitUntil([&] { return d->hasFinished(); }, 1000));
        QVERIFY(logged("de24 exit thread"));
        PCMDecoder::dispose(d);
        auto *e = new PCMDecoder(2);
        e->setPlaylist({a});
        QTest::ignoreMessage(QtDebugMsg, "~de 2");
        PCMDecoder::dispose(e);

        // Not ended within the wait: deleted later, once its thread has ended.
        auto *f = new PCMDecoder(1);
        f->setPlaylist({a});
        PCMDecoder::dispose(f, 0);
        QVERIFY(testsupport::waitUntil([] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return logged("~de 1");
        }, 3000));
    }
};

QTEST_GUILESS_MAIN(TestPCMDecoder)
#include "tst_pcmdecoder.moc"
