#include "AudioFixtures.h"
#include "FlacReader.h"
#include "Mp3Reader.h"
#include "OggReader.h"
#include "WavReader.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/resource.h>

namespace {

// The readers share no base class; the tests drive them through this one.
struct AnyReader {
    virtual ~AnyReader() = default;
    virtual bool open(SongInfo &song) = 0;
    virtual int read(u8 *dst, int max, u8 &eof) = 0;
    virtual void rewind() = 0;
};

template <class R> struct ReaderOf : AnyReader {
    R r;
    bool open(SongInfo &song) override { return r.open(song); }
    int read(u8 *dst, int max, u8 &eof) override { return r.read(dst, max, eof); }
    void rewind() override { r.rewind(); }
};

std::unique_ptr<AnyReader> readerFor(int kind)
{
    switch (kind) {
    case SongInfo::Ogg:
        return std::make_unique<ReaderOf<OggReader>>();
    case SongInfo::Mp3:
        return std::make_unique<ReaderOf<Mp3Reader>>();
    case SongInfo::Flac:
        return std::make_unique<ReaderOf<FlacReader>>();
    default:
        return std::make_unique<ReaderOf<WavReader>>();
    }
}

SongInfo songOf(const QString &path)
{
    SongInfo s;
    s.file = path;
    return s;
}

constexpr int kBlock = 529200; // the decoder's buffer size

// Reads until end of file; at most `limit` reads so that no reader can hang the test.
QByteArray readToEnd(AnyReader &r, int block = kBlock, int limit = 1000)
{
    QByteArray all;
    QByteArray buf(block, '\0');
    for (int i = 0; i < limit; ++i) {
        u8 eof = 0;
        const int n = r.read(reinterpret_cast<u8 *>(buf.data()), block, eof);
        if (n < 0 || n > block)
            return QByteArray("overrun");
        all.append(buf.constData(), n);
        if (eof)
            return all;
        if (n == 0)
            return all + "stuck";
    }
    return all + "endless";
}

QVector<qint16> to16(const QVector<qint32> &s, int shift = 0)
{
    QVector<qint16> out(s.size());
    for (int i = 0; i < s.size(); ++i)
        out[i] = qint16(s[i] >> shift);
    return out;
}

QVector<qint16> firstTwo(const QVector<qint16> &s, int channels)
{
    QVector<qint16> out;
    for (int i = 0; i + channels <= s.size(); i += channels)
        out << s[i] << s[i + 1];
    return out;
}

} // namespace

class TestAudioReaders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<qint16> m_stereo; // 20000 frames of the test signal

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Makes the reference file of each kind; returns its path.
    QString make(const QString &kind)
    {
        if (kind == "wav") {
            fixtures::writeFile(path("a.wav"), fixtures::wav(m_stereo, 2));
            return path("a.wav");
        }
        if (kind == "raw") {
            fixtures::writeFile(path("a.pcm"), fixtures::pcmBytes(m_stereo));
            return path("a.pcm");
        }
        if (kind == "flac") {
            fixtures::writeFlac(path("a.flac"), fixtures::signal(20000, 2), 2, 16);
            return path("a.flac");
        }
        return path("tone." + kind); // made by encodeFiles()
    }

    // The OGG Vorbis and MP3 files, encoded from pure tones so that the tests
    // can check the decoded signal against them:
    //   tone.ogg / tone.mp3  44100 Hz stereo, 44100 frames, left 440 Hz, right 1000 Hz, tagged
    //   tone3.ogg            44100 Hz, 3 channels, 22050 frames: 440, 1000, 3000 Hz
    //   mono.mp3             22050 Hz mono, 11025 frames, 440 Hz, ID3v1 tag only
    // Empty when all were made, otherwise what went wrong.
    QString encodeFiles()
    {
        const QString tone = path("src-tone.wav");
        const QString tone3 = path("src-tone3.wav");
        const QString mono = path("src-mono.wav");
        if (!fixtures::writeFile(tone, fixtures::wav(fixtures::tones(44100, 44100, {440, 1000}), 2)) ||
            !fixtures::writeFile(tone3, fixtures::wav(fixtures::tones(22050, 44100, {440, 1000, 3000}), 3)) ||
            !fixtures::writeFile(mono, fixtures::wav(fixtures::tones(11025, 22050, {440}), 1, 22050)))
            return QStringLiteral("cannot write the source WAV files to %1").arg(m_dir.path());
        QString error = fixtures::oggenc(tone, path("tone.ogg"),
                                         {"-q", "2", "-t", "Ogg Title", "-a", "Ogg Artist", "-l", "Ogg Album",
                                          "-N", "5", "-G", "Jazz", "-c", "mood=calm"});
        if (error.isEmpty())
            error = fixtures::oggenc(tone3, path("tone3.ogg"), {"-q", "2"});
        if (error.isEmpty()) {
            error = fixtures::lame(tone, path("tone.mp3"),
                                   {"-b", "128", "--id3v2-only", "--tt", "Mp3 Title", "--ta", "Mp3 Artist",
                                    "--tl", "Mp3 Album", "--ty", "2024", "--tn", "3"});
        }
        if (error.isEmpty()) {
            error = fixtures::lame(mono, path("mono.mp3"),
                                   {"-b", "64", "--id3v1-only", "--tt", "Mono Title", "--ta", "Mono Artist",
                                    "--tg", "Rock", "--tn", "7"});
        }
        return error;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stereo = fixtures::signal16(20000, 2);
        const QString error = encodeFiles();
        if (!error.isEmpty())
            QFAIL(qPrintable(error));
    }

    // Every format: opens with the right format, an empty file fails cleanly,
    // a truncated file neither hangs nor overruns, the end of file rewinds,
    // and reading after a rewind gives what a fresh read gives.
    void everyFormat_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("decoder");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<qlonglong>("samples");
        QTest::newRow("wav") << "wav" << int(SongInfo::Wav) << 44100 << 2 << 20000LL;
        QTest::newRow("raw") << "raw" << int(SongInfo::Wav) << 44100 << 2 << 20000LL;
        QTest::newRow("flac") << "flac" << int(SongInfo::Flac) << 44100 << 2 << 20000LL;
        QTest::newRow("ogg") << "ogg" << int(SongInfo::Ogg) << 44100 << 2 << 44100LL;
        QTest::newRow("mp3") << "mp3" << int(SongInfo::Mp3) << 44100 << 2 << 44100LL;
    }

    void everyFormat()
    {
        QFETCH(QString, kind);
        QFETCH(int, decoder);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(qlonglong, samples);
        const QString file = make(kind);
        auto reader = readerFor(decoder);

        SongInfo song = songOf(file);
        QVERIFY(reader->open(song));
        QCOMPARE(song.decoder, decoder);
        QCOMPARE(int(song.sampleRate), rate);
        QCOMPARE(int(song.channels), channels);
        QCOMPARE(qlonglong(song.samples), samples);

        // The whole file in one read, end of file raised with the last block.
        const QByteArray whole = readToEnd(*reader);
        QCOMPARE(whole.size(), int(samples) * channels * 2);
        // After the end it starts again from the first sample.
        const QByteArray again = readToEnd(*reader, 65536);
        QCOMPARE(again, whole);

        // Read a little, rewind, then read on in odd-sized pieces: equals the continuous read.
        QByteArray head(3001, '\0');
        u8 eof = 0;
        const int n = reader->read(reinterpret_cast<u8 *>(head.data()), head.size(), eof);
        QVERIFY(n > 0);
        QCOMPARE(n % (2 * channels), 0); // whole frames only
        QCOMPARE(head.left(n), whole.left(n));
        reader->rewind();
        QCOMPARE(readToEnd(*reader, 10006), whole);

        // An empty file with the same ending fails cleanly.
        const QString empty = path("empty." + QFileInfo(file).suffix());
        QVERIFY(fixtures::writeFile(empty, QByteArray()));
        auto emptyReader = readerFor(decoder);
        SongInfo none = songOf(empty);
        QVERIFY(!emptyReader->open(none));
        QCOMPARE(none.decoder, int(SongInfo::Unplayable));
        u8 noEof = 0;
        QByteArray buf(4096, '\0');
        QVERIFY(emptyReader->read(reinterpret_cast<u8 *>(buf.data()), buf.size(), noEof) == 0);

        // A file cut at 60 %: either refused or played to an end, never hung.
        const QByteArray bytes = fixtures::readFile(file);
        const QString cut = path("cut." + QFileInfo(file).suffix());
        QVERIFY(fixtures::writeFile(cut, bytes.left(bytes.size() * 6 / 10)));
        auto cutReader = readerFor(decoder);
        SongInfo cutSong = songOf(cut);
        if (cutReader->open(cutSong)) {
            const QByteArray part = readToEnd(*cutReader);
            QVERIFY(!part.endsWith("endless") && !part.endsWith("stuck") && part != "overrun");
            QVERIFY(part.size() <= whole.size());
            QCOMPARE(part.size() % (2 * channels), 0);
        }

        // The same reader opens another file after this one.
        SongInfo second = songOf(file);
        QVERIFY(reader->open(second));
        QCOMPARE(readToEnd(*reader), whole);
    }

    void wavAndRawAreBitExact()
    {
        for (const QString kind : {"wav", "raw"}) {
            WavReader r;
            SongInfo song = songOf(make(kind));
            QVERIFY(r.open(song));
            QByteArray buf(kBlock, '\0');
            u8 eof = 0;
            const int n = r.read(reinterpret_cast<u8 *>(buf.data()), buf.size(), eof);
            QCOMPARE(eof, u8(1));
            QCOMPARE(fixtures::fromBytes(buf.left(n)), m_stereo);
        }
    }

    void wavErrorTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray data = fixtures::chunk("data", fixtures::pcmBytes(m_stereo.mid(0, 400)));
        QTest::newRow("no riff") << "x.wav" << QByteArray(100, 'x') << "hat keinen RIFF Header";
        QTest::newRow("not wave") << "x.wav"
                                  << QByteArray("RIFF") + fixtures::le32(4) + "AVI " << "ist kein [WAVE] Format";
        QTest::newRow("fmt 18") << "x.wav"
                                << fixtures::riff(fixtures::chunk("fmt ", QByteArray(18, '\1')) + data)
                                << "Format Länge 18 != 16";
        QTest::newRow("float") << "x.wav" << fixtures::riff(fixtures::fmtChunk(3, 2, 44100, 32) + data)
                               << "kein PCM Format 3";
        QTest::newRow("8 bit") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 8) + data)
                               << "bits pro Sample 8 != 16";
        QTest::newRow("24 bit") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 24) + data)
                                << "bits pro Sample 24 != 16";
        QTest::newRow("32 bit") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 32) + data)
                                << "bits pro Sample 32 != 16";
        QTest::newRow("extensible") << "x.wav"
                                    << fixtures::riff(fixtures::chunk("fmt ", QByteArray(40, '\0')) + data)
                                    << "Format Länge 40 != 16";
        QTest::newRow("extensible 16") << "x.wav" << fixtures::riff(fixtures::fmtChunk(0xfffe, 2, 44100, 16) + data)
                                       << "kein PCM Format 65534";
        QTest::newRow("no channels") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 0, 44100, 16) + data)
                                     << "Kanalanzahl 0 ungültig";
        QTest::newRow("no rate") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 2, 0, 16) + data)
                                 << "Abtastrate 0 ungültig";
        QTest::newRow("no data") << "x.wav" << fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16))
                                 << "Audio Datenblock nicht gefunden";
        QTest::newRow("no fmt") << "x.wav" << fixtures::riff(data) << "Format Info nicht gefunden";
        QTest::newRow("empty raw") << "x.raw" << QByteArray() << "Audio Datenblock nicht gefunden";
    }

    void wavErrorTexts()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QVERIFY(fixtures::writeFile(path(name), bytes));
        WavReader r;
        SongInfo song = songOf(path(name));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("wav: error [%1]").arg(error)));
        QVERIFY(!r.open(song));
        QCOMPARE(song.decoder, int(SongInfo::Unplayable));
        SongInfo missing = songOf(path("missing.wav"));
        QCOMPARE(r.parse(missing), QString("Kann nicht geöffnet werden"));
    }

    void wavOddLayouts()
    {
        const QVector<qint16> pcm = m_stereo.mid(0, 2000);
        // A wrong RIFF size is logged and the file still plays.
        QByteArray bad = fixtures::wav(pcm, 2);
        bad.replace(4, 4, fixtures::le32(1000));
        QVERIFY(fixtures::writeFile(path("size.wav"), bad));
        WavReader r;
        SongInfo s1 = songOf(path("size.wav"));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("wav: wrong file size 1008 != %1").arg(bad.size())));
        QVERIFY(r.open(s1));
        QCOMPARE(s1.samples, quint64(1000));

        // INFO tags before and after the data chunk; the data chunk alone is played.
        const QByteArray info = "INFO" + fixtures::chunk("INAM", QByteArray("Name\0", 5)) + fixtures::chunk("IART", "Who\0") +
                                fixtures::chunk("ICMT", "odd") + fixtures::chunk("IXYZ", QByteArray("misc\0", 5));
        const QByteArray before = fixtures::riff(fixtures::chunk("LIST", info) + fixtures::fmtChunk(1, 2, 44100, 16) +
                                                 fixtures::chunk("data", fixtures::pcmBytes(pcm)));
        const QByteArray after = fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16) +
                                                fixtures::chunk("data", fixtures::pcmBytes(pcm)) +
                                                fixtures::chunk("LIST", info));
        for (const QByteArray &file : {before, after}) {
            QVERIFY(fixtures::writeFile(path("list.wav"), file));
            SongInfo s = songOf(path("list.wav"));
            QTest::ignoreMessage(QtDebugMsg, QString("WAV: %1 %2 [misc]")
                                                 .arg(0x5a595849, 8, 16)
                                                 .arg(5, 8, 16)
                                                 .toLatin1()
                                                 .constData());
            QVERIFY(r.open(s));
            QCOMPARE(s.tags.value("Title"), QString("Name"));
            QCOMPARE(s.tags.value("Artist"), QString("Who"));
            QCOMPARE(s.tags.value("Comment"), QString("odd"));
            QByteArray buf(kBlock, '\0');
            u8 eof = 0;
            QCOMPARE(r.read(reinterpret_cast<u8 *>(buf.data()), buf.size(), eof), pcm.size() * 2);
            QCOMPARE(fixtures::fromBytes(buf.left(pcm.size() * 2)), pcm);
        }

        // An "id3 " chunk gives ID3v2 tags.
        const QByteArray id3 = QByteArray("ID3\3\0\0", 6) + fixtures::syncsafe(16) + "TIT2" + fixtures::be32(6) +
                               QByteArray(2, '\0') + QByteArray("\0Named", 6);
        QVERIFY(fixtures::writeFile(path("id3.wav"), fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16) +
                                                                    fixtures::chunk("id3 ", id3) +
                                                                    fixtures::chunk("data", fixtures::pcmBytes(pcm)))));
        SongInfo tagged = songOf(path("id3.wav"));
        QVERIFY(r.open(tagged));
        QCOMPARE(tagged.tags.value("Title"), QString("Named"));

        // An absurd LIST size is skipped unread; the next data chunk replaces the first.
        const QByteArray absurd = fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16) +
                                                 fixtures::chunk("data", fixtures::pcmBytes(pcm.mid(0, 8))) +
                                                 QByteArray("LIST") + fixtures::le32(0x7ffffff0));
        QVERIFY(fixtures::writeFile(path("absurd.wav"), absurd));
        SongInfo s2 = songOf(path("absurd.wav"));
        QTest::ignoreMessage(QtDebugMsg, "wav: [LIST] block with len 2147483632 skipped");
        QVERIFY(r.open(s2));
        QCOMPARE(s2.samples, quint64(4));
        const QByteArray twoData = fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16) +
                                                  fixtures::chunk("data", fixtures::pcmBytes(pcm.mid(0, 8))) +
                                                  fixtures::chunk("data", fixtures::pcmBytes(pcm.mid(0, 40))));
        QVERIFY(fixtures::writeFile(path("two.wav"), twoData));
        SongInfo s3 = songOf(path("two.wav"));
        QTest::ignoreMessage(QtDebugMsg, "wav: new [data] block with len 80, was 16");
        QVERIFY(r.open(s3));
        QCOMPARE(s3.samples, quint64(20));

        // Mono and six channels: one channel as it is, six give their first two.
        QVERIFY(fixtures::writeFile(path("mono.wav"), fixtures::wav(pcm, 1, 22050)));
        SongInfo mono = songOf(path("mono.wav"));
        QVERIFY(r.open(mono));
        QCOMPARE(mono.channels, 1u);
        QCOMPARE(mono.sampleRate, 22050u);
        QCOMPARE(mono.samples, quint64(pcm.size()));
        const QVector<qint16> six = fixtures::signal16(3000, 6);
        QVERIFY(fixtures::writeFile(path("six.wav"), fixtures::wav(six, 6)));
        SongInfo s6 = songOf(path("six.wav"));
        QVERIFY(r.open(s6));
        QCOMPARE(s6.channels, 2u);
        QCOMPARE(s6.samples, quint64(3000));
        auto six2 = std::make_unique<ReaderOf<WavReader>>();
        QVERIFY(six2->open(s6));
        QCOMPARE(fixtures::fromBytes(readToEnd(*six2, 1000)), firstTwo(six, 6));
    }

    // The most channels a fmt chunk can name: the first two of each frame are
    // handed out, read through a small piece of memory (not 4096 frames of
    // 128 KB each).
    void wavWithMostChannels()
    {
        const int channels = 65535;
        QVector<qint16> frames(3 * channels);
        for (int f = 0; f < 3; ++f) {
            for (int c = 0; c < channels; ++c)
                frames[f * channels + c] = qint16(f * 1000 + c % 1000);
        }
        QVERIFY(fixtures::writeFile(path("many.wav"), fixtures::wav(frames, channels)));
        WavReader r;
        SongInfo s = songOf(path("many.wav"));
        QVERIFY(r.open(s));
        QCOMPARE(s.channels, 2u);
        QCOMPARE(s.samples, quint64(3));
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QByteArray buf(kBlock, '\0');
        u8 eof = 0;
        QCOMPARE(r.read(reinterpret_cast<u8 *>(buf.data()), buf.size(), eof), 12);
        QCOMPARE(eof, u8(1));
        QCOMPARE(fixtures::fromBytes(buf.left(12)), (QVector<qint16>{0, 1, 1000, 1001, 2000, 2001}));
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024,
                 qPrintable(QString("%1 KB more memory").arg(after.ru_maxrss - before.ru_maxrss)));
    }

    // A crafted file of very many chunks: only the first 4 LIST chunks are
    // read, and the walk ends after 65536 chunks.
    void wavChunkBounds()
    {
        const QByteArray fmt = fixtures::fmtChunk(1, 2, 44100, 16);
        const QByteArray data = fixtures::chunk("data", fixtures::pcmBytes(m_stereo.mid(0, 40)));
        QByteArray lists;
        for (int i = 1; i <= 9; ++i)
            lists += fixtures::chunk("LIST", "INFO" + fixtures::chunk("INAM", QByteArray::number(i)));
        QVERIFY(fixtures::writeFile(path("lists.wav"), fixtures::riff(lists + fmt + data)));
        WavReader r;
        SongInfo s = songOf(path("lists.wav"));
        QVERIFY(r.open(s));
        QCOMPARE(s.tags.value("Title"), QString("4"));

        const QByteArray junk = fixtures::chunk("junk", QByteArray());
        QVERIFY(fixtures::writeFile(path("junk.wav"), fixtures::riff(junk.repeated(60000) + fmt + data)));
        SongInfo some = songOf(path("junk.wav"));
        QVERIFY(r.open(some));
        QCOMPARE(some.samples, quint64(20));
        QVERIFY(fixtures::writeFile(path("junk.wav"), fixtures::riff(junk.repeated(70000) + fmt + data)));
        SongInfo many = songOf(path("junk.wav"));
        QCOMPARE(r.parse(many), QString("Audio Datenblock nicht gefunden"));
    }

    // A data chunk claiming more than the file holds: clamped at open, plays
    // what is there and starts again.
    void truncatedWav()
    {
        const QVector<qint16> pcm = m_stereo.mid(0, 4000);
        QByteArray file = fixtures::riff(fixtures::fmtChunk(1, 2, 44100, 16) +
                                         fixtures::chunk("data", fixtures::pcmBytes(pcm), 1000000));
        file.chop(3); // and a partial frame at the end
        QVERIFY(fixtures::writeFile(path("trunc.wav"), file));
        WavReader r;
        SongInfo s = songOf(path("trunc.wav"));
        QTest::ignoreMessage(QtDebugMsg, "wav: [data] block with len 1000000 beyond end of file, clamped to 7997");
        QVERIFY(r.open(s));
        QCOMPARE(s.samples, quint64(1999));
        QByteArray buf(kBlock, '\0');
        for (int round = 0; round < 2; ++round) {
            u8 eof = 0;
            const int n = r.read(reinterpret_cast<u8 *>(buf.data()), buf.size(), eof);
            QCOMPARE(eof, u8(1));
            QCOMPARE(n, 1999 * 4);
            QCOMPARE(fixtures::fromBytes(buf.left(n)), pcm.mid(0, 1999 * 2));
        }
    }

    // Data that ends exactly with a read: that read raises end of file and
    // the next one starts from the first sample.
    void wavEndsWithTheLastBlock()
    {
        for (const QString kind : {"wav", "raw"}) {
            WavReader r;
            SongInfo song = songOf(make(kind));
            QVERIFY(r.open(song));
            const int bytes = m_stereo.size() * 2;
            QByteArray buf(bytes, '\0');
            for (int round = 0; round < 2; ++round) {
                u8 eof = 0;
                QCOMPARE(r.read(reinterpret_cast<u8 *>(buf.data()), bytes / 2, eof), bytes / 2);
                QCOMPARE(eof, u8(0));
                QCOMPARE(r.read(reinterpret_cast<u8 *>(buf.data()) + bytes / 2, bytes / 2, eof), bytes / 2);
                QCOMPARE(eof, u8(1));
                QCOMPARE(fixtures::fromBytes(buf), m_stereo);
            }
        }
    }

    void flacLayouts_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("blocksize");
        QTest::addColumn<int>("readSize");
        QTest::newRow("stereo 16") << 2 << 16 << 4096 << kBlock;
        QTest::newRow("mono 16") << 1 << 16 << 4096 << kBlock;
        QTest::newRow("stereo 24") << 2 << 24 << 4096 << kBlock;
        QTest::newRow("three channels") << 3 << 16 << 4096 << kBlock;
        QTest::newRow("4608 block, small reads") << 2 << 16 << 4608 << 10002;
        QTest::newRow("8 bit") << 2 << 8 << 1152 << 7000;
    }

    // Bit-exact against the samples that made the file.
    void flacLayouts()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(int, blocksize);
        QFETCH(int, readSize);
        const int frames = 30011;
        const QVector<qint32> source = fixtures::signal(frames, channels, bits);
        QVERIFY(fixtures::writeFlac(path("l.flac"), source, channels, bits, 48000, unsigned(blocksize),
                                    {{"TITLE", "Flac Title"}, {"artist", "Flac Artist"}, {"X", "y=z"}}));
        FlacReader r;
        SongInfo s = songOf(path("l.flac"));
        QVERIFY(r.open(s));
        QCOMPARE(s.decoder, int(SongInfo::Flac));
        QCOMPARE(s.sampleRate, 48000u);
        QCOMPARE(int(s.channels), qMin(channels, 2));
        QCOMPARE(s.samples, quint64(frames));
        QCOMPARE(s.tags.value("Title"), QString("Flac Title"));
        QCOMPARE(s.tags.value("Artist"), QString("Flac Artist"));
        QCOMPARE(s.tags.value("X"), QString("y=z"));

        QVector<qint16> expected = to16(source, qMax(0, bits - 16));
        if (bits < 16) {
            for (int i = 0; i < expected.size(); ++i)
                expected[i] = qint16(source[i] * (1 << (16 - bits)));
        }
        if (channels > 2)
            expected = firstTwo(expected, channels);
        ReaderOf<FlacReader> any;
        QVERIFY(any.open(s));
        const QByteArray out = readToEnd(any, readSize);
        QCOMPARE(fixtures::fromBytes(out), expected);
        // The first frame after the wrap is not lost.
        QCOMPARE(fixtures::fromBytes(readToEnd(any, readSize)), expected);
    }

    // A stream info with a sample rate of 0 names no playable stream.
    void flacWithoutRate()
    {
        QVERIFY(fixtures::writeFlac(path("norate.flac"), fixtures::signal(3000, 2), 2, 16));
        QByteArray bytes = fixtures::readFile(path("norate.flac"));
        // STREAMINFO after "fLaC" and its block header: the rate is the 20 bits from byte 18.
        bytes[18] = 0;
        bytes[19] = 0;
        bytes[20] = char(uchar(bytes[20]) & 0x0f);
        QVERIFY(fixtures::writeFile(path("norate.flac"), bytes));
        FlacReader r;
        SongInfo s = songOf(path("norate.flac"));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("flac ERROR no stream info [%1]").arg(s.file)));
        QVERIFY(!r.open(s));
        QCOMPARE(s.decoder, int(SongInfo::Unplayable));
    }

    void oggSignal()
    {
        OggReader r;
        SongInfo s = songOf(path("tone.ogg"));
        QVERIFY(r.open(s));
        QCOMPARE(s.tags.value("Title"), QString("Ogg Title"));
        QCOMPARE(s.tags.value("Artist"), QString("Ogg Artist"));
        QCOMPARE(s.tags.value("Album"), QString("Ogg Album"));
        QCOMPARE(s.tags.value("Tracknumber"), QString("5"));
        QCOMPARE(s.tags.value("Genre"), QString("Jazz"));
        QCOMPARE(s.tags.value("Mood"), QString("calm"));
        ReaderOf<OggReader> any;
        QVERIFY(any.open(s));
        const QVector<qint16> pcm = fixtures::fromBytes(readToEnd(any));
        QCOMPARE(pcm.size(), 2 * 44100);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 0, 440, 44100, 2000, 42000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 1, 1000, 44100, 2000, 42000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 0, 1000, 44100, 2000, 42000) < 0.05);

        // Three channels (Vorbis order left, centre, right): front left and right are handed out.
        SongInfo s3 = songOf(path("tone3.ogg"));
        QVERIFY(any.open(s3));
        QCOMPARE(s3.channels, 2u);
        QCOMPARE(s3.samples, quint64(22050));
        const QVector<qint16> two = fixtures::fromBytes(readToEnd(any));
        QCOMPARE(two.size(), 2 * 22050);
        QVERIFY(fixtures::toneCorrelation(two, 2, 0, 440, 44100, 1000, 21000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(two, 2, 1, 1000, 44100, 1000, 21000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(two, 2, 1, 3000, 44100, 1000, 21000) < 0.05);

        // Not an OGG stream.
        QVERIFY(fixtures::writeFile(path("text.ogg"), QByteArray(5000, 'a')));
        SongInfo bad = songOf(path("text.ogg"));
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QString("ogg: bad bitstream [%1]").arg(path("text.ogg"))));
        QVERIFY(!r.open(bad));
        QCOMPARE(bad.decoder, int(SongInfo::Unplayable));
    }

    void mp3Signal()
    {
        Mp3Reader r;
        const QString file = path("tone.mp3");
        SongInfo s = songOf(file);
        QVERIFY(r.open(s));
        QCOMPARE(s.tags.value("Title"), QString("Mp3 Title")); // UTF-16 with byte order mark
        QCOMPARE(s.tags.value("Artist"), QString("Mp3 Artist"));
        QCOMPARE(s.tags.value("Album"), QString("Mp3 Album"));
        QCOMPARE(s.tags.value("Tracknumber"), QString("3"));
        QVERIFY(!s.tags.contains("Genre")); // no ID3v1 looked at after an ID3v2 tag
        ReaderOf<Mp3Reader> any;
        QVERIFY(any.open(s));
        const QVector<qint16> pcm = fixtures::fromBytes(readToEnd(any));
        QCOMPARE(pcm.size(), 2 * 44100);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 0, 440, 44100, 2000, 42000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 1, 1000, 44100, 2000, 42000) > 0.98);
        QVERIFY(fixtures::toneCorrelation(pcm, 2, 1, 440, 44100, 2000, 42000) < 0.05);

        // Mono 22050 Hz with an ID3v1 tag only.
        SongInfo mono = songOf(path("mono.mp3"));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("mp3: 1 channels, 22050 Hz,    11025 samples [%1]")
                                                        .arg(mono.file)));
        QVERIFY(any.open(mono));
        QCOMPARE(mono.channels, 1u);
        QCOMPARE(mono.sampleRate, 22050u);
        QCOMPARE(mono.samples, quint64(11025));
        QCOMPARE(mono.tags.value("Title"), QString("Mono Title"));
        QCOMPARE(mono.tags.value("Genre"), QString("Rock"));
        QCOMPARE(mono.tags.value("Tracknumber"), QString("7"));
        const QVector<qint16> m = fixtures::fromBytes(readToEnd(any));
        QCOMPARE(m.size(), 11025);
        QVERIFY(fixtures::toneCorrelation(m, 1, 0, 440, 22050, 1000, 10000) > 0.98);

        // Opened again with its record (as a file played before is): the
        // ID3v2 tags stay, an ID3v1 tag at the end is not looked at.
        const QString both = path("both.mp3");
        QByteArray v1(128, '\0');
        v1.replace(0, 13, "TAGOther Song");
        v1[127] = char(17);
        QVERIFY(fixtures::writeFile(both, fixtures::readFile(file) + v1));
        SongInfo again = songOf(both);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(r.open(again));
            QCOMPARE(again.tags.value("Title"), QString("Mp3 Title"));
            QVERIFY(!again.tags.contains("Genre"));
        }

        // MPEG layer II and plain text are refused; a reader without a file raises eof.
        QVERIFY(fixtures::writeFile(path("layer2.mp3"), fixtures::mpegLayer2(40)));
        SongInfo l2 = songOf(path("layer2.mp3"));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("mp3: MPEG layer 2, not layer 3 [%1]").arg(l2.file)));
        QVERIFY(!r.open(l2));
        QCOMPARE(l2.decoder, int(SongInfo::Unplayable));
        QByteArray buf(4096, '\0');
        u8 eof = 0;
        QCOMPARE(r.read(reinterpret_cast<u8 *>(buf.data()), buf.size(), eof), 0);
        QCOMPARE(eof, u8(1));
        QVERIFY(fixtures::writeFile(path("text.mp3"), QByteArray(3000, 'a')));
        SongInfo text = songOf(path("text.mp3"));
        QVERIFY(!r.open(text));
    }
};

QTEST_GUILESS_MAIN(TestAudioReaders)
#include "tst_audioreaders.moc"
