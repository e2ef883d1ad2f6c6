#include "AudioFixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace fixtures;

namespace
{

constexpr int kBlock = 529200; // the decoder's buffer size

// Reads until end of file; at most `limit` reads so that no reader can hang the test.
QByteArray readToEnd(AnyReader &r, int block = kBlock, int limit = 1000)
{
    QByteArray all;
    for (int i = 0; i < limit; ++i) {
        u8 eof = 0;
        const QByteArray got = r.readOnce(block, eof);
        if (got == "overrun")
            return got;
        all += got;
        if (eof)
            return all;
        if (got.isEmpty())
            return all + "stuck";
    }
    return all + "endless";
}

QVector<qint16> firstTwo(const QVector<qint16> &s, int channels)
{
    QVector<qint16> out;
    for (int i = 0; i + channels <= s.size(); i += channels)
        out << s[i] << s[i + 1];
    return out;
}

QByteArray fmt16(quint16 channels = 2, quint32 rate = 44100)
{
    return fmtChunk(1, channels, rate, 16);
}

} // namespace

class TestAudioReaders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<qint16> m_stereo; // 20000 frames of the test signal
    ReaderOf<WavReader> m_wav;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString put(const QString &name, const QByteArray &bytes)
    {
        return writeFile(path(name), bytes) ? path(name) : QString();
    }

    // The reference file of each kind; tone.ogg and tone.mp3 come from encodeFiles().
    QString make(const QString &kind)
    {
        if (kind == "wav")
            return put("a.wav", wav(m_stereo, 2));
        if (kind == "raw")
            return put("a.pcm", pcmBytes(m_stereo));
        if (kind == "flac")
            return writeFlac(path("a.flac"), signal(20000, 2), 2, 16) ? path("a.flac") : QString();
        return path("tone." + kind);
    }

    // The OGG Vorbis and MP3 files, encoded from pure tones:
    //   tone.ogg / tone.mp3  44100 Hz stereo, 44100 frames, left 440 Hz, right 1000 Hz, tagged
    //   tone3.ogg            44100 Hz, 3 channels, 22050 frames: 440, 1000, 3000 Hz
    //   mono.mp3             22050 Hz mono, 11025 frames, 440 Hz, ID3v1 tag only
    // Empty when all were made, otherwise what went wrong.
    QString encodeFiles()
    {
        const QString tone = put("src-tone.wav", wav(tones(44100, 44100, {440, 1000}), 2));
        const QString tone3 = put("src-tone3.wav", wav(tones(22050, 44100, {440, 1000, 3000}), 3));
        const QString mono = put("src-mono.wav", wav(tones(11025, 22050, {440}), 1, 22050));
        if (tone.isEmpty() || tone3.isEmpty() || mono.isEmpty())
            return QStringLiteral("cannot write the source WAV files to %1").arg(m_dir.path());
        QString error = oggenc(tone, path("tone.ogg"),
                               {"-q", "2", "-t", "Ogg Title", "-a", "Ogg Artist", "-l", "Ogg Album", "-N",
                                "5", "-G", "Jazz", "-c", "mood=calm"});
        if (error.isEmpty())
            error = oggenc(tone3, path("tone3.ogg"), {"-q", "2"});
        if (error.isEmpty())
            error = lame(tone, path("tone.mp3"),
                         {"-b", "128", "--id3v2-only", "--tt", "Mp3 Title", "--ta", "Mp3 Artist", "--tl",
                          "Mp3 Album", "--ty", "2024", "--tn", "3"});
        if (error.isEmpty())
            error = lame(mono, path("mono.mp3"),
                         {"-b", "64", "--id3v1-only", "--tt", "Mono Title", "--ta", "Mono Artist", "--tg",
                          "Rock", "--tn", "7"});
        return error;
    }

    // Opens `bytes` as a WAV file with the shared reader (a failure fails the
    // test); the song it gave.
    SongInfo openWav(const QByteArray &bytes)
    {
        SongInfo s = songOf(put("t.wav", bytes));
        if (!m_wav.open(s))
            QTest::qFail("the WAV file does not open", __FILE__, __LINE__);
        return s;
    }

    static void compareTags(const SongInfo &s, const QList<QPair<const char *, const char *>> &expected)
    {
        for (const auto &[name, value] : expected)
            QCOMPARE(s.tags.value(name), QString::fromUtf8(value));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stereo = signal16(20000, 2);
        const QString error = encodeFiles();
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Every format: opens with the right format, the end of file rewinds, and
    // reading after a rewind gives what a fresh read gives. (Empty, cut and
    // damaged files of every format: tst_audiofuzz.)
    void everyFormat_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("decoder");
        QTest::addColumn<qlonglong>("samples");
        QTest::newRow("wav") << "wav" << int(SongInfo::Wav) << 20000LL;
        QTest::newRow("raw") << "raw" << int(SongInfo::Wav) << 20000LL;
        QTest::newRow("flac") << "flac" << int(SongInfo::Flac) << 20000LL;
        QTest::newRow("ogg") << "ogg" << int(SongInfo::Ogg) << 44100LL;
        QTest::newRow("mp3") << "mp3" << int(SongInfo::Mp3) << 44100LL;
    }

    void everyFormat()
    {
        QFETCH(QString, kind);
        QFETCH(int, decoder);
        QFETCH(qlonglong, samples);
        const QString file = make(kind);
        auto reader = readerFor(file);
        SongInfo song = songOf(file);
        QVERIFY(reader->open(song));
        QCOMPARE(song.decoder, decoder);
        QCOMPARE(int(song.sampleRate), 44100);
        QCOMPARE(int(song.channels), 2);
        QCOMPARE(qlonglong(song.samples), samples);

        // The whole file in one read, end of file raised with the last block;
        // after the end it starts again from the first sample.
        const QByteArray whole = readToEnd(*reader);
        QCOMPARE(whole.size(), int(samples) * 4);
        QCOMPARE(readToEnd(*reader, 65536), whole);

        // Read a little, rewind, then read on in odd-sized pieces: equals the continuous read.
        u8 eof = 0;
        const QByteArray head = reader->readOnce(3001, eof);
        QVERIFY(!head.isEmpty());
        QCOMPARE(head.size() % 4, 0); // whole frames only
        QCOMPARE(head, whole.left(head.size()));
        reader->rewind();
        QCOMPARE(readToEnd(*reader, 10006), whole);

        // The same reader opens another file after this one.
        SongInfo second = songOf(file);
        QVERIFY(reader->open(second));
        QCOMPARE(readToEnd(*reader), whole);
    }

    // Bit-exact; data that ends exactly with a read raises end of file with
    // that read and the next one starts from the first sample.
    void wavAndRawAreBitExact()
    {
        for (const QString kind : {"wav", "raw"}) {
            SongInfo song = songOf(make(kind));
            QVERIFY(m_wav.open(song));
            u8 eof = 0;
            QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), m_stereo);
            QCOMPARE(eof, u8(1));
            const int half = m_stereo.size();
            for (int round = 0; round < 2; ++round) {
                QByteArray both = m_wav.readOnce(half, eof);
                QCOMPARE(eof, u8(0));
                both += m_wav.readOnce(half, eof);
                QCOMPARE(eof, u8(1));
                QCOMPARE(fromBytes(both), m_stereo);
            }
        }
    }

    void wavErrorTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray data = chunk("data", pcmBytes(m_stereo.mid(0, 400)));
        const auto row = [](const char *tag, const QByteArray &bytes, const char *error) {
            QTest::newRow(tag) << "x.wav" << bytes << QString::fromUtf8(error);
        };
        row("no riff", QByteArray(100, 'x'), "hat keinen RIFF Header");
        row("no channels", riff(fmt16(0) + data), "Kanalanzahl 0 ungültig");
        row("no rate", riff(fmt16(2, 0) + data), "Abtastrate 0 ungültig");
        row("no data", riff(fmt16()), "Audio Datenblock nicht gefunden");
        QTest::newRow("empty raw") << "x.raw" << QByteArray() << "Audio Datenblock nicht gefunden";
    }

    void wavErrorTexts()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        SongInfo song = songOf(put(name, bytes));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("wav: error [%1]").arg(error)));
        QVERIFY(!m_wav.open(song));
        QCOMPARE(song.decoder, int(SongInfo::Unplayable));
        SongInfo missing = songOf(path("missing.wav"));
        QCOMPARE(m_wav.r.parse(missing), QString("Kann nicht geöffnet werden"));
    }

    void wavOddLayouts()
    {
        const QVector<qint16> pcm = m_stereo.mid(0, 2000);
        const QByteArray data = chunk("data", pcmBytes(pcm));
        // INFO tags before and after the data chunk; the data chunk alone is played.
        const QByteArray info = "INFO" + chunk("INAM", QByteArray("Name\0", 5)) + chunk("IART", "Who\0") +
                                chunk("ICMT", "odd") + chunk("IXYZ", QByteArray("misc\0", 5));
        for (const QByteArray &file :
             {riff(chunk("LIST", info) + fmt16() + data), riff(fmt16() + data + chunk("LIST", info))}) {
            QTest::ignoreMessage(QtDebugMsg, "WAV: 5a595849        5 [misc]");
            const SongInfo s = openWav(file);
            compareTags(s, {{"Title", "Name"}, {"Artist", "Who"}, {"Comment", "odd"}});
            u8 eof = 0;
            QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), pcm);
        }

        // An absurd LIST size is skipped unread; the next data chunk replaces the first.
        const QByteArray eight = chunk("data", pcmBytes(pcm.mid(0, 8)));
        QTest::ignoreMessage(QtDebugMsg, "wav: [LIST] block with len 2147483632 skipped");
        QCOMPARE(openWav(riff(fmt16() + eight + QByteArray("LIST") + le32(0x7ffffff0))).samples, quint64(4));
        QTest::ignoreMessage(QtDebugMsg, "wav: new [data] block with len 80, was 16");
        QCOMPARE(openWav(riff(fmt16() + eight + chunk("data", pcmBytes(pcm.mid(0, 40))))).samples,
                 quint64(20));

        // Mono and six channels: one channel as it is, six give their first two.
        const SongInfo mono = openWav(wav(pcm, 1, 22050));
        QCOMPARE(mono.channels, 1u);
        QCOMPARE(mono.sampleRate, 22050u);
        QCOMPARE(mono.samples, quint64(pcm.size()));
        const QVector<qint16> six = signal16(3000, 6);
        const SongInfo s6 = openWav(wav(six, 6));
        QCOMPARE(s6.channels, 2u);
        QCOMPARE(s6.samples, quint64(3000));
        QCOMPARE(fromBytes(readToEnd(m_wav, 1000)), firstTwo(six, 6));
    }

    // The most channels a fmt chunk can name: the first two of each frame are
    // handed out, read through a small piece of memory (not 4096 frames of
    // 128 KB each).
    void wavWithMostChannels()
    {
        const int channels = 65535;
        QVector<qint16> frames(3 * channels);
        for (int i = 0; i < frames.size(); ++i)
            frames[i] = qint16(i / channels * 1000 + i % channels % 1000);
        const SongInfo s = openWav(wav(frames, channels));
        QCOMPARE(s.channels, 2u);
        QCOMPARE(s.samples, quint64(3));
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        u8 eof = 0;
        QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), (QVector<qint16>{0, 1, 1000, 1001, 2000, 2001}));
        QCOMPARE(eof, u8(1));
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024,
                 qPrintable(QString("%1 KB more memory").arg(after.ru_maxrss - before.ru_maxrss)));
    }

    // A crafted file of very many chunks: only the first 4 LIST chunks are
    // read, and the walk ends after 65536 chunks.
    void wavChunkBounds()
    {
        const QByteArray data = chunk("data", pcmBytes(m_stereo.mid(0, 40)));
        QByteArray lists;
        for (int i = 1; i <= 9; ++i)
            lists += chunk("LIST", "INFO" + chunk("INAM", QByteArray::number(i)));
        QCOMPARE(openWav(riff(lists + fmt16() + data)).tags.value("Title"), QString("4"));
        const QByteArray junk = chunk("junk", QByteArray());
        QCOMPARE(openWav(riff(junk.repeated(60000) + fmt16() + data)).samples, quint64(20));
        SongInfo many = songOf(put("junk.wav", riff(junk.repeated(70000) + fmt16() + data)));
        QCOMPARE(m_wav.r.parse(many), QString("Audio Datenblock nicht gefunden"));
    }

    // A data chunk claiming more than the file holds: clamped at open, plays
    // what is there and starts again.
    void truncatedWav()
    {
        const QVector<qint16> pcm = m_stereo.mid(0, 4000);
        QByteArray file = riff(fmt16() + chunk("data", pcmBytes(pcm), 1000000));
        file.chop(3); // and a partial frame at the end
        QTest::ignoreMessage(QtDebugMsg,
                             "wav: [data] block with len 1000000 beyond end of file, clamped to 7997");
        QCOMPARE(openWav(file).samples, quint64(1999));
        for (int round = 0; round < 2; ++round) {
            u8 eof = 0;
            QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), pcm.mid(0, 1999 * 2));
            QCOMPARE(eof, u8(1));
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
        const QVector<qint32> source = signal(frames, channels, bits);
        QVERIFY(writeFlac(path("l.flac"), source, channels, bits, 48000, unsigned(blocksize),
                          {{"TITLE", "Flac Title"}, {"artist", "Flac Artist"}, {"X", "y=z"}}));
        ReaderOf<FlacReader> r;
        SongInfo s = songOf(path("l.flac"));
        QVERIFY(r.open(s));
        QCOMPARE(s.decoder, int(SongInfo::Flac));
        QCOMPARE(s.sampleRate, 48000u);
        QCOMPARE(int(s.channels), qMin(channels, 2));
        QCOMPARE(s.samples, quint64(frames));
        compareTags(s, {{"Title", "Flac Title"}, {"Artist", "Flac Artist"}, {"X", "y=z"}});

        QVector<qint16> expected(source.size());
        for (int i = 0; i < source.size(); ++i)
            expected[i] = qint16(bits < 16 ? source[i] * (1 << (16 - bits)) : source[i] >> (bits - 16));
        if (channels > 2)
            expected = firstTwo(expected, channels);
        QCOMPARE(fromBytes(readToEnd(r, readSize)), expected);
        // The first frame after the wrap is not lost.
        QCOMPARE(fromBytes(readToEnd(r, readSize)), expected);
    }

    // A stream info with a sample rate of 0 names no playable stream.
    void flacWithoutRate()
    {
        QVERIFY(writeFlac(path("norate.flac"), signal(3000, 2), 2, 16));
        QByteArray bytes = readFile(path("norate.flac"));
        // STREAMINFO after "fLaC" and its block header: the rate is the 20 bits from byte 18.
        bytes[18] = 0;
        bytes[19] = 0;
        bytes[20] = char(uchar(bytes[20]) & 0x0f);
        FlacReader r;
        SongInfo s = songOf(put("norate.flac", bytes));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("flac ERROR no stream info [%1]").arg(s.file)));
        QVERIFY(!r.open(s));
        QCOMPARE(s.decoder, int(SongInfo::Unplayable));
    }

    void oggSignal()
    {
        ReaderOf<OggReader> r;
        SongInfo s = songOf(path("tone.ogg"));
        QVERIFY(r.open(s));
        const QVector<qint16> pcm = fromBytes(readToEnd(r));
        QCOMPARE(pcm.size(), 2 * 44100);
        QVERIFY(toneCorrelation(pcm, 2, 0, 440, 44100, 2000, 42000) > 0.98);
        QVERIFY(toneCorrelation(pcm, 2, 1, 1000, 44100, 2000, 42000) > 0.98);

        // Three channels (Vorbis order left, centre, right): front left and right are handed out.
        SongInfo s3 = songOf(path("tone3.ogg"));
        QVERIFY(r.open(s3));
        QCOMPARE(s3.channels, 2u);
        QCOMPARE(s3.samples, quint64(22050));
        const QVector<qint16> two = fromBytes(readToEnd(r));
        QCOMPARE(two.size(), 2 * 22050);
        QVERIFY(toneCorrelation(two, 2, 0, 440, 44100, 1000, 21000) > 0.98);
        QVERIFY(toneCorrelation(two, 2, 1, 1000, 44100, 1000, 21000) > 0.98);
        QVERIFY(toneCorrelation(two, 2, 1, 3000, 44100, 1000, 21000) < 0.05);

    }

    void mp3Signal()
    {
        ReaderOf<Mp3Reader> r;
        SongInfo s = songOf(path("tone.mp3"));
        QVERIFY(r.open(s));
        // The title is UTF-16 with a byte order mark; no ID3v1 looked at after an ID3v2 tag.
        compareTags(
            s,
            {{"Title", "Mp3 Title"}, {"Artist", "Mp3 Artist"}, {"Album", "Mp3 Album"}, {"Tracknumber", "3"}});
        QVERIFY(!s.tags.contains("Genre"));
        const QVector<qint16> pcm = fromBytes(readToEnd(r));
        QCOMPARE(pcm.size(), 2 * 44100);
        QVERIFY(toneCorrelation(pcm, 2, 0, 440, 44100, 2000, 42000) > 0.98);
        QVERIFY(toneCorrelation(pcm, 2, 1, 1000, 44100, 2000, 42000) > 0.98);

        // Mono 22050 Hz with an ID3v1 tag only.
        SongInfo mono = songOf(path("mono.mp3"));
        QTest::ignoreMessage(
            QtDebugMsg,
            qPrintable(QString("mp3: 1 channels, 22050 Hz,    11025 samples [%1]").arg(mono.file)));
        QVERIFY(r.open(mono));
        QCOMPARE(mono.channels, 1u);
        QCOMPARE(mono.sampleRate, 22050u);
        QCOMPARE(mono.samples, quint64(11025));
        compareTags(mono, {{"Title", "Mono Title"}, {"Genre", "Rock"}, {"Tracknumber", "7"}});

        // Opened again with its record (as a file played before is): the
        // ID3v2 tags stay, an ID3v1 tag at the end is not looked at.
        QByteArray v1(128, '\0');
        v1.replace(0, 13, "TAGOther Song");
        v1[127] = char(17);
        SongInfo again = songOf(put("both.mp3", readFile(s.file) + v1));
        for (int round = 0; round < 2; ++round) {
            QVERIFY(r.open(again));
            QCOMPARE(again.tags.value("Title"), QString("Mp3 Title"));
            QVERIFY(!again.tags.contains("Genre"));
        }

        // MPEG layer II is refused.
        SongInfo l2 = songOf(put("layer2.mp3", mpegLayer2(40)));
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable(QString("mp3: MPEG layer 2, not layer 3 [%1]").arg(l2.file)));
        QVERIFY(!r.open(l2));
        QCOMPARE(l2.decoder, int(SongInfo::Unplayable));
    }
};

QTEST_GUILESS_MAIN(TestAudioReaders)
#include "tst_audioreaders.moc"
