// Hostile input for the audio readers and tag parsers: small valid files of every format, made here, cut at
// every offset of their headers and mutated with a fixed seed; each result is opened and read to its end
// twice. The readers must neither crash, hang, nor write past the buffer they are given (the buffers are
// exactly as large as asked, so AddressSanitizer sees any overrun), and must hand out whole sample frames of
// one or two channels.

#include "AudioFixtures.h"
#include "BoundedWait.h"
#include "PCMDecoder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace
{

// Log lines are swallowed, not printed (thousands of broken files say a lot); the decoder's reads ("de24
// buffer[%d] filled") are counted.
std::atomic<int> g_fills{0};
QtMessageHandler g_previous = nullptr;

void countOnly(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg && g_previous)
        g_previous(type, context, text);
    if (text.startsWith(QLatin1String("de24 buffer[")) && text.contains(QLatin1String("filled")))
        g_fills.fetch_add(1, std::memory_order_relaxed);
}

// Counts the log lines instead of printing them while it lives.
struct CountedLog {
    CountedLog() { g_previous = qInstallMessageHandler(countOnly); }
    ~CountedLog() { qInstallMessageHandler(g_previous); }
};

// A small linear congruential generator: the same files on every run.
struct Lcg {
    quint32 state;
    quint32 next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint32(n)); }
};

constexpr quint32 kInteresting[] = {0,          1,          2,      3,         4,          7,
                                    8,          16,         0x7f,   0x80,      0xff,       0x100,
                                    0x7fff,     0x8000,     0xffff, 0x10000,   0x7fffffff, 0x80000000,
                                    0xfffffffe, 0xffffffff, 44100,  0x40000000};

// One mutation of a valid file, chosen by round. The first rounds cut the file at every offset of its first
// `headerCut` bytes, then at spread offsets; the rest overwrite bytes, 16- and 32-bit fields (mostly in the
// headers) with values that break size arithmetic, cut and splice.
QByteArray mutate(const QByteArray &valid, int round, int headerCut, Lcg &rng)
{
    const int size = valid.size();
    if (round < headerCut)
        return valid.left(qMin(round, size));
    if (round < headerCut + 100)
        return valid.left(size * (round - headerCut) / 100);
    QByteArray b = valid;
    const int kinds = 1 + rng.below(3);
    for (int k = 0; k < kinds; ++k) {
        const int near = rng.below(2) ? qMin(size, 160) : size; // headers get half of the hits
        const int kind = rng.below(6);
        switch (kind) {
        case 0:
            for (int i = 1 + rng.below(4); i > 0 && !b.isEmpty(); --i)
                b[rng.below(qMin(near, b.size()))] = char(rng.next());
            break;
        case 1:
        case 2: { // a 32-bit (either order) or 16-bit field
            const int width = kind == 1 ? 4 : 2;
            const int at = rng.below(qMin(near, b.size()) - (width - 1));
            if (at + width <= b.size()) {
                const quint32 v = kInteresting[rng.below(int(std::size(kInteresting)))];
                b.replace(at, width, width == 2 ? le16(quint16(v)) : rng.below(2) ? le32(v) : be32(v));
            }
            break;
        }
        case 3:
            b.truncate(rng.below(b.size() + 1));
            break;
        case 4: { // a slice copied elsewhere
            const int from = rng.below(b.size());
            const int len = rng.below(qMin(64, b.size() - from) + 1);
            b.insert(rng.below(b.size() + 1), b.mid(from, len));
            break;
        }
        default: // a slice removed
            b.remove(rng.below(b.size()), 1 + rng.below(64));
            break;
        }
    }
    return b;
}

// CRC of an OGG page: polynomial 0x04c11db7, not reflected, start 0.
quint32 oggCrc(const char *data, int size)
{
    quint32 crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= quint32(uchar(data[i])) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// Gives every complete OGG page its right checksum again, so that mutated pages reach the Vorbis decoder
// instead of being dropped by the page layer.
void fixOggPages(QByteArray &b)
{
    int at = b.indexOf("OggS");
    while (at >= 0 && at + 27 <= b.size()) {
        const int segments = uchar(b[at + 26]);
        int end = at + 27 + segments;
        if (end > b.size())
            break;
        for (int i = 0; i < segments; ++i)
            end += uchar(b[at + 27 + i]);
        if (end > b.size())
            break;
        b.replace(at + 22, 4, QByteArray(4, '\0'));
        const quint32 crc = oggCrc(b.constData() + at, end - at);
        b.replace(at + 22, 4, le32(crc));
        at = b.indexOf("OggS", end);
    }
}

constexpr int kReadSizes[] = {PCMDecoder::kBufferBytes, 65536, 10006, 4100, 998};
constexpr int kMaxReads = 4000; // per pass; the files here decode to far less
constexpr qint64 kMaxPassBytes = 64 << 20;

// Files that opened in the current run of mutations, and their bytes.
int g_opened = 0;
qint64 g_decoded = 0;

// Reads an open reader to its end twice, whole frames of `frame` bytes in every read; `rewinds` rewinds
// after the first pass (which changes nothing at the end). Empty when all went well.
QString readTwice(AnyReader &reader, int frame, int readSize, int rewinds = 0)
{
    for (int pass = 0; pass < 2; ++pass) {
        qint64 total = 0;
        for (int reads = 0;; ++reads) {
            if (reads == kMaxReads)
                return QStringLiteral("no end after %1 reads (pass %2)").arg(kMaxReads).arg(pass);
            u8 eof = 0;
            const QByteArray got = reader.readOnce(readSize, eof);
            if (got == "overrun" || got.size() % frame != 0)
                return QStringLiteral("read %1 of %2 bytes, frames of %3")
                    .arg(got.size())
                    .arg(readSize)
                    .arg(frame);
            total += got.size();
            g_decoded += got.size();
            if (total > kMaxPassBytes)
                return QStringLiteral("more than %1 bytes in one pass").arg(kMaxPassBytes);
            if (eof || got.isEmpty())
                break; // a read of nothing ends the entry in the decoder too
        }
        for (int i = 0; pass == 0 && i < rewinds; ++i)
            reader.rewind();
    }
    return QString();
}

// Opens path and reads it to its end twice (see readTwice). Empty when all went well, else what went wrong.
QString exercise(const QString &path, int readSize, int rewinds = 0)
{
    auto reader = readerFor(path);
    SongInfo song = songOf(path);
    u8 eof = 0;
    if (!reader->open(song)) {
        if (song.decoder != SongInfo::Unplayable)
            return QStringLiteral("failed open left kind %1").arg(song.decoder);
        const int n = reader->readOnce(readSize, eof).size();
        return n == 0 ? QString() : QStringLiteral("read %1 bytes without a file").arg(n);
    }
    if (song.channels < 1 || song.channels > 2 || song.sampleRate == 0)
        return QStringLiteral("opened with %1 channels at %2 Hz").arg(song.channels).arg(song.sampleRate);
    ++g_opened;
    return readTwice(*reader, 2 * int(song.channels), readSize, rewinds);
}

} // namespace

class TestAudioFuzz : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QMap<QString, QByteArray> m_valid; // file name -> bytes of a valid small file

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Runs `rounds` mutations of the valid file `name`; fails on the first fault. TROVINA_FUZZ_SCALE
    // multiplies the rounds and TROVINA_FUZZ_SEED moves the seeds, for a longer hunt by hand; the defaults
    // keep the test short.
    void fuzz(const QString &name, int rounds, int headerCut, quint32 seed)
    {
        rounds *= qMax(1, qEnvironmentVariableIntValue("TROVINA_FUZZ_SCALE"));
        seed += quint32(qEnvironmentVariableIntValue("TROVINA_FUZZ_SEED"));
        const bool ogg = name.endsWith(".ogg");
        QVERIFY2(m_valid.contains(name), qPrintable(name));
        const QByteArray valid = m_valid.value(name);
        const QString file = path("m-" + name);
        Lcg rng{seed};
        QString failure;
        g_opened = 0;
        g_decoded = 0;
        int round = 0;
        for (CountedLog counted; round < rounds && failure.isEmpty(); ++round) {
            QByteArray bytes = mutate(valid, round, headerCut, rng);
            if (ogg && round % 2)
                fixOggPages(bytes);
            if (!writeFile(file, bytes)) {
                failure = QStringLiteral("cannot write %1").arg(file);
                break;
            }
            failure = exercise(file, kReadSizes[round % int(std::size(kReadSizes))], round % 3);
            if (!failure.isEmpty())
                writeFile(path("failed-" + name), bytes); // kept for a look at it
        }
        QVERIFY2(failure.isEmpty(),
                 qPrintable(QStringLiteral("%1 round %2: %3").arg(name).arg(round - 1).arg(failure)));
        qInfo("%s: %d of %d opened, %lld bytes decoded", qPrintable(name), g_opened, rounds,
              static_cast<long long>(g_decoded));
        QVERIFY(g_opened > rounds / 10); // the mutations reach the decoding, not only the headers
    }

    // a.ogg with a codebook of its setup header overwritten and the page checksums made right again; empty
    // when a.ogg has no setup header.
    QString brokenBookOgg()
    {
        QByteArray bytes = m_valid.value("a.ogg");
        const int setup = bytes.indexOf("\x05vorbis");
        if (setup < 0)
            return QString();
        bytes.replace(setup + 86, 4, le32(7));
        fixOggPages(bytes);
        const QString file = path("broken-book.ogg");
        return writeFile(file, bytes) ? file : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QVector<qint16> stereo = signal16(700, 2);
        const QByteArray info =
            "INFO" + chunk("INAM", QByteArray("Name\0", 5)) + chunk("IART", "Odd") + chunk("IXYZ", "x");
        const QByteArray id3 = QByteArray("ID3\3\0\0", 6) + syncsafe(16) + "TIT2" + be32(6) +
                               QByteArray(2, '\0') + QByteArray("\0Named", 6);
        // Chunks of odd size with their pad bytes, tags before and after the data.
        m_valid["a.wav"] = riff(chunk("LIST", info) + chunk("junk", "abc") + fmtChunk(1, 2, 44100, 16) +
                                chunk("id3 ", id3) + chunk("data", pcmBytes(stereo)) + chunk("LIST", info));
        m_valid["a.pcm"] = pcmBytes(stereo.mid(0, 402));

        QVERIFY(writeFlac(path("a.flac"), signal(1500, 2), 2, 16, 44100, 192,
                          {{"TITLE", "Flac"}, {"ARTIST", "Someone"}}));

        const QString src = path("src.wav");
        const QString src11 = path("src11.wav");
        QVERIFY(writeFile(src, fixtures::wav(tones(4410, 44100, {440, 1000}), 2)));
        QVERIFY(writeFile(src11, fixtures::wav(tones(11025, 11025, {440, 1000}), 2, 11025)));
        QString error = oggenc(src11, path("a.ogg"), {"-q", "0", "-s", "1", "-t", "T", "-c", "mood=calm"});
        if (error.isEmpty())
            error = lame(src, path("a.mp3"), {"-b", "32", "--id3v2-only", "--tt", "Title", "--ta", "A"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const QString name : {"a.flac", "a.ogg", "a.mp3"})
            m_valid[name] = readFile(path(name));
        // An MP3 with an unsynchronised ID3v2.4 tag in front and an ID3v1 tag behind.
        const QByteArray frame = QByteArray("\3\xff\x00tex", 6);
        const QByteArray tag24 = QByteArray("ID3\4\0\x80", 6) + syncsafe(2 * 16) + "TIT2" + syncsafe(6) +
                                 QByteArray("\0\x03", 2) + frame + "TPE1" + syncsafe(6) +
                                 QByteArray("\0\x02", 2) + frame;
        QByteArray v1(128, '\0');
        v1.replace(0, 8, "TAGTitle");
        v1[126] = 3;
        v1[127] = 17;
        m_valid["t.mp3"] = tag24 + m_valid["a.mp3"] + v1;
        for (auto it = m_valid.cbegin(); it != m_valid.cend(); ++it) {
            QVERIFY(writeFile(path(it.key()), it.value()));
            QCOMPARE(it.key() + exercise(path(it.key()), 4100, 1), it.key()); // the unmutated files play
        }
    }

    void wav() { fuzz("a.wav", 2000, 200, 11); }
    void flac() { fuzz("a.flac", 2000, 200, 21); }
    void ogg() { fuzz("a.ogg", 2000, 200, 31); }
    // A codebook broken inside a setup header with right checksums: libvorbis opens the file, fails the first
    // packet with an error and would divide by zero on the next one. The reader gives the file up after the
    // error.
    void oggErrorGivesTheFileUp()
    {
        const QString file = brokenBookOgg();
        QVERIFY(!file.isEmpty());
        ReaderOf<OggReader> r;
        SongInfo song = songOf(file);
        QVERIFY(r.open(song));
        u8 eof = 0;
        QTest::ignoreMessage(QtDebugMsg, "ogg: error in stream 0");
        QVERIFY(r.readOnce(PCMDecoder::kBufferBytes, eof).isEmpty());
        QCOMPARE(eof, u8(1));
        QVERIFY(r.readOnce(PCMDecoder::kBufferBytes, eof).isEmpty());
        QCOMPARE(eof, u8(0)); // no file open any more
        r.rewind();
        QVERIFY(r.readOnce(PCMDecoder::kBufferBytes, eof).isEmpty());
        // The same reader opens a good file afterwards.
        SongInfo good = songOf(path("a.ogg"));
        QVERIFY(r.open(good));
        QCOMPARE(r.readOnce(PCMDecoder::kBufferBytes, eof).size(), 11025 * 4);
    }

    // Directories, empty files, files without read permission and missing files with every ending: refused
    // cleanly (or, for root, played).
    void oddPaths()
    {
        QStringList failures;
        CountedLog counted;
        for (const QString ending : {"wav", "raw", "pcm", "ogg", "flac", "mp3"}) {
            QDir(m_dir.path()).mkdir("dir." + ending);
            writeFile(path("empty." + ending), QByteArray());
            writeFile(path("locked." + ending), m_valid.value("a.wav"));
            QFile::setPermissions(path("locked." + ending), QFileDevice::Permissions());
            for (const QString name : {"dir.", "empty.", "locked.", "missing."}) {
                const QString failure = exercise(path(name + ending), 10006, 1);
                if (!failure.isEmpty())
                    failures << name + ending + ": " + failure;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }

    // A file rewritten in place, cut, emptied or removed while a reader plays it: the reader goes on in the
    // layout it opened, ends, and never hangs.
    void filesChangeWhilePlaying()
    {
        const QStringList names = {"a.wav", "a.pcm", "a.flac", "a.ogg", "a.mp3"};
        QStringList failures;
        CountedLog counted;
        for (const QString &name : names) {
            const QByteArray original = m_valid.value(name);
            QList<QByteArray> replacements = {QByteArray(), original.left(original.size() / 2),
                                              original.left(60), QByteArray(3000, 'x')};
            for (const QString &other : names)
                replacements << m_valid.value(other);
            for (int r = 0; r <= replacements.size(); ++r) {
                const QString file = path("change-" + name);
                writeFile(file, original);
                auto reader = readerFor(file);
                SongInfo song = songOf(file);
                if (!reader->open(song)) {
                    failures << name + " does not open";
                    continue;
                }
                u8 eof = 0;
                reader->readOnce(4100, eof);
                if (r == replacements.size())
                    QFile::remove(file);
                else
                    writeFile(file, replacements[r]); // the same file, truncated and written anew
                const QString failure = readTwice(*reader, 2 * int(song.channels), 10006);
                if (!failure.isEmpty())
                    failures << QStringLiteral("%1, change %2: %3").arg(name).arg(r).arg(failure);
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }
    // A playlist of files that open but give nothing (or fail at once), and one of mutated files of every
    // kind: the decoder thread neither spins nor hangs, the board side gets sound or silence, and stop ends
    // it.
    void decoderOnHostilePlaylists()
    {
        QDir(m_dir.path()).mkdir("dir.wav");
        QByteArray flacHead = m_valid.value("a.flac");
        flacHead.truncate(flacHead.indexOf(QByteArray::fromHex("fff8"), 42)); // the metadata only
        QByteArray oggHead = m_valid.value("a.ogg");
        oggHead.truncate(oggHead.indexOf("OggS", oggHead.indexOf("\x05vorbis"))); // the headers only
        writeFile(path("head.flac"), flacHead);
        writeFile(path("head.ogg"), oggHead);
        writeFile(path("empty.raw"), QByteArray(3, '\0'));
        // Named pipes: opening one for reading waits for a writer, for ever.
        QStringList fifos;
        for (const QString name : {"fifo.wav", "fifo.ogg", "fifo.flac", "fifo.mp3"}) {
            QVERIFY(::mkfifo(QFile::encodeName(path(name)).constData(), 0600) == 0);
            fifos << path(name);
        }
        const QStringList nothing =
            fifos + QStringList{path("dir.wav"), path("head.flac"), path("head.ogg"),
                                brokenBookOgg(), path("empty.raw"), path("missing.mp3")};
        QStringList mutated;
        Lcg rng{77};
        for (const QString name : {"a.wav", "a.flac", "a.ogg", "a.mp3", "t.mp3"}) {
            for (int i = 0; i < 6; ++i) {
                const QString file = path(QStringLiteral("pl%1-%2").arg(i).arg(name));
                writeFile(file, mutate(m_valid.value(name), 300 + rng.below(1000), 0, rng));
                mutated << file;
            }
        }
        mutated << path("a.flac") << path("a.ogg") << path("a.mp3") << path("a.pcm");
        QString failure;
        QStringList summary;
        for (const QStringList &list : {nothing, mutated + nothing, fifos}) {
            CountedLog counted;
            g_fills = 0;
            auto *d = new PCMDecoder(24);
            d->setPlaylist(list);
            QElapsedTimer clock;
            clock.start();
            qint16 buf[516];
            while (clock.elapsed() < 1500 && failure.isEmpty()) {
                u8 silence = 0;
                const int n = d->readSamples(buf, 1032, &silence);
                if (n < 0 || n > 1032 || n % 2 != 0)
                    failure = QStringLiteral("readSamples gave %1 of 1032").arg(n);
                if (n != 0)
                    QThread::usleep(500);
            }
            const int fills = g_fills.load();
            summary << QStringLiteral("%1 entries: %2 reads in 1.5 s").arg(list.size()).arg(fills);
            d->stop(false);
            const bool ended = testsupport::waitUntil([&] { return d->hasFinished(); }, 3000);
            for (const QString &fifo : fifos) { // frees a thread that waits in an open
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            PCMDecoder::dispose(d);
            if (failure.isEmpty() && list != mutated + nothing && fills > 25)
                failure = QStringLiteral("%1 reads in 1.5 s of files that give nothing").arg(fills);
            if (failure.isEmpty() && !ended)
                failure = QStringLiteral("no end within 3 s of stop");
        }
        qInfo("%s", qPrintable(summary.join(", ")));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    void mp3() { fuzz("a.mp3", 2000, 200, 41); }
    void mp3Tags() { fuzz("t.mp3", 700, 120, 42); }
};

QTEST_GUILESS_MAIN(TestAudioFuzz)
#include "tst_audiofuzz.moc"
