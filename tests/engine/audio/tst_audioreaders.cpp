#include "AudioFixtures.h"
#include "AudioTags.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace fixtures;

using AudioTags::TagMap;

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

// An ID3v2 frame: id, size (big-endian in 2.3, syncsafe in 2.4), two flag bytes, payload.
QByteArray frame(int major, const char *id, const QByteArray &payload)
{
    const QByteArray size = major == 3 ? fixtures::be32(quint32(payload.size()))
                                       : fixtures::syncsafe(quint32(payload.size()));
    return QByteArray(id, 4) + size + QByteArray(2, '\0') + payload;
}

QByteArray tag(int major, const QByteArray &frames, char flags = 0, int padding = 0)
{
    return QByteArray("ID3") + char(major) + char(0) + flags +
           fixtures::syncsafe(quint32(frames.size() + padding)) + frames + QByteArray(padding, '\0');
}

QByteArray utf16(const QString &s, bool bigEndian, bool bom)
{
    QByteArray out;
    if (bom)
        out += bigEndian ? QByteArray("\xfe\xff", 2) : QByteArray("\xff\xfe", 2);
    for (const QChar c : s) {
        const ushort u = c.unicode();
        out += bigEndian ? char(u >> 8) : char(u & 0xff);
        out += bigEndian ? char(u & 0xff) : char(u >> 8);
    }
    return out;
}

// The whole map as "Name=value|..." in name order.
QString text(const TagMap &tags)
{
    QStringList out;
    for (auto it = tags.begin(); it != tags.end(); ++it)
        out << it.key() + '=' + it.value();
    return out.join('|');
}

int parse(const QByteArray &bytes, TagMap &tags)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    return AudioTags::parseId3v2(buf, tags);
}

} // namespace

class TestAudioReaders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<qint16> m_stereo = signal16(20000, 2);
    ReaderOf<WavReader> m_wav;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString put(const QString &name, const QByteArray &bytes)
    {
        return writeFile(path(name), bytes) ? path(name) : QString();
    }

    // Opens `bytes` as a WAV file with the shared reader; the song it gave.
    SongInfo openWav(const QByteArray &bytes)
    {
        SongInfo s = songOf(put("t.wav", bytes));
        if (!m_wav.open(s))
            QTest::qFail("the WAV file does not open", __FILE__, __LINE__);
        return s;
    }

private slots:
    // tone.ogg and tone.mp3: 44100 frames of 440 Hz left and 1000 Hz right, the MP3 with an ID3v2 title;
    // tone3.ogg: 3 channels 440, 1000, 3000 Hz.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString tone = put("src-tone.wav", wav(tones(44100, 44100, {440, 1000}), 2));
        const QString tone3 = put("src-tone3.wav", wav(tones(22050, 44100, {440, 1000, 3000}), 3));
        QString error = oggenc(tone, path("tone.ogg"), {"-q", "2"});
        if (error.isEmpty())
            error = oggenc(tone3, path("tone3.ogg"), {"-q", "2"});
        if (error.isEmpty())
            error = lame(tone, path("tone.mp3"), {"-b", "128", "--id3v2-only", "--tt", "Mp3 Title"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(writeFlac(path("a.flac"), signal(20000, 2), 2, 16));
        put("a.wav", wav(m_stereo, 2));
        put("a.pcm", pcmBytes(m_stereo));
    }

    // Every format: the format and length at open, whole frames in any piece, end of file with the last block
    // and the first sample after it, the same after a rewind and after opening the file again.
    void everyFormat()
    {
        const std::tuple<const char *, int, qlonglong> files[] = {
            {"a.wav", SongInfo::Wav, 20000},  {"a.pcm", SongInfo::Wav, 20000}, {"a.flac", SongInfo::Flac, 20000},
            {"tone.ogg", SongInfo::Ogg, 44100}, {"tone.mp3", SongInfo::Mp3, 44100}};
        for (const auto &[name, decoder, samples] : files) {
            auto reader = readerFor(path(name));
            SongInfo song = songOf(path(name));
            QVERIFY2(reader->open(song), name);
            QCOMPARE(QString::asprintf("%s %d %u %u %lld", name, song.decoder, song.sampleRate, song.channels,
                                       qlonglong(song.samples)),
                     QString::asprintf("%s %d 44100 2 %lld", name, decoder, samples));
            const QByteArray whole = readToEnd(*reader);
            QCOMPARE(whole.size(), int(samples) * 4);
            u8 eof = 0;
            const QByteArray head = reader->readOnce(3001, eof);
            QVERIFY(!head.isEmpty() && head.size() % 4 == 0);
            QCOMPARE(head, whole.left(head.size()));
            reader->rewind();
            QCOMPARE(readToEnd(*reader, 10006), whole);
            QVERIFY(reader->open(song));
            QCOMPARE(readToEnd(*reader), whole);
        }
    }

    void wavOddLayouts()
    {
        const QVector<qint16> pcm = m_stereo.mid(0, 2000);
        // INFO tags after the data chunk; the data chunk alone is played.
        const QByteArray info = "INFO" + chunk("INAM", QByteArray("Name\0", 5)) + chunk("ICMT", "odd");
        const SongInfo tagged = openWav(riff(fmt16() + chunk("data", pcmBytes(pcm)) + chunk("LIST", info)));
        QCOMPARE(tagged.tags.value("Title") + tagged.tags.value("Comment"), QString("Nameodd"));
        u8 eof = 0;
        QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), pcm);
        // An absurd LIST size is skipped unread; the next data chunk replaces the first.
        const QByteArray eight = chunk("data", pcmBytes(pcm.mid(0, 8)));
        QTest::ignoreMessage(QtDebugMsg, "wav: [LIST] block with len 2147483632 skipped");
        QCOMPARE(openWav(riff(fmt16() + eight + QByteArray("LIST") + le32(0x7ffffff0))).samples, quint64(4));
        QTest::ignoreMessage(QtDebugMsg, "wav: new [data] block with len 80, was 16");
        QCOMPARE(openWav(riff(fmt16() + eight + chunk("data", pcmBytes(pcm.mid(0, 40))))).samples, quint64(20));
        // No channels: refused.
        SongInfo none = songOf(put("x.wav", riff(fmt16(0) + chunk("data", pcmBytes(pcm)))));
        QTest::ignoreMessage(QtDebugMsg, "wav: error [Kanalanzahl 0 ungültig]");
        QVERIFY(!m_wav.open(none));
        // Mono as it is; six channels give their first two.
        const SongInfo mono = openWav(wav(pcm, 1, 22050));
        QCOMPARE(QString::asprintf("%u %u %llu", mono.channels, mono.sampleRate, qulonglong(mono.samples)),
                 QString("1 22050 2000"));
        const QVector<qint16> six = signal16(3000, 6);
        QCOMPARE(openWav(wav(six, 6)).channels, 2u);
        QCOMPARE(fromBytes(readToEnd(m_wav, 1000)), firstTwo(six, 6));
    }

    // The most channels a fmt chunk can name: read through a small piece of memory, not 4096 frames of 128 KB
    // each.
    void wavWithMostChannels()
    {
        const int channels = 65535;
        QVector<qint16> frames(3 * channels);
        for (int i = 0; i < frames.size(); ++i)
            frames[i] = qint16(i / channels * 1000 + i % channels % 1000);
        QCOMPARE(openWav(wav(frames, channels)).channels, 2u);
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        u8 eof = 0;
        QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), (QVector<qint16>{0, 1, 1000, 1001, 2000, 2001}));
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024,
                 qPrintable(QString("%1 KB more memory").arg(after.ru_maxrss - before.ru_maxrss)));
    }

    // Only the first 4 LIST chunks are read, and the chunk walk ends after 65536 chunks; a data chunk
    // claiming more than the file holds is clamped, plays what is there and starts again.
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

        const QVector<qint16> pcm = m_stereo.mid(0, 4000);
        QByteArray file = riff(fmt16() + chunk("data", pcmBytes(pcm), 1000000));
        file.chop(3); // and a partial frame at the end
        QTest::ignoreMessage(QtDebugMsg, "wav: [data] block with len 1000000 beyond end of file, clamped to 7997");
        QCOMPARE(openWav(file).samples, quint64(1999));
        for (int round = 0; round < 2; ++round) {
            u8 eof = 0;
            QCOMPARE(fromBytes(m_wav.readOnce(kBlock, eof)), pcm.mid(0, 1999 * 2));
        }
    }

    // Bit-exact against the samples that made the file: mono as one channel, 8 and 24 bits scaled to 16,
    // three channels give their first two, a frame larger than the space left kept for the next read, the
    // first frame after the wrap not lost. A stream info with rate 0 is refused.
    void flacLayouts()
    {
        const int layouts[][4] = {{1, 16, 4096, kBlock}, {2, 24, 4096, kBlock}, {3, 16, 4096, kBlock},
                                  {2, 16, 4608, 10002}, {2, 8, 1152, 7000}};
        for (const auto &[channels, bits, blocksize, readSize] : layouts) {
            const QVector<qint32> source = signal(30011, channels, bits);
            QVERIFY(writeFlac(path("l.flac"), source, channels, bits, 48000, unsigned(blocksize),
                              {{"TITLE", "Flac Title"}}));
            ReaderOf<FlacReader> r;
            SongInfo s = songOf(path("l.flac"));
            QVERIFY(r.open(s));
            QCOMPARE(QString::asprintf("%u %u %s", s.sampleRate, s.channels, qPrintable(s.tags.value("Title"))),
                     QString::asprintf("48000 %d Flac Title", qMin(channels, 2)));
            QVector<qint16> expected(source.size());
            for (int i = 0; i < source.size(); ++i)
                expected[i] = qint16(bits < 16 ? source[i] * (1 << (16 - bits)) : source[i] >> (bits - 16));
            if (channels > 2)
                expected = firstTwo(expected, channels);
            QCOMPARE(fromBytes(readToEnd(r, readSize)), expected);
            QCOMPARE(fromBytes(readToEnd(r, readSize)), expected);
        }
        QByteArray bytes = readFile(path("a.flac"));
        bytes[18] = bytes[19] = 0; // the rate: the 20 bits from byte 18 of the stream info
        bytes[20] = char(uchar(bytes[20]) & 0x0f);
        FlacReader r;
        SongInfo s = songOf(put("norate.flac", bytes));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("flac ERROR no stream info [%1]").arg(s.file)));
        QVERIFY(!r.open(s));
    }

    // OGG and MP3 decode to the very samples of Debian's reference decoders.
    // (Not mono.mp3: after the scan at open libmpg123 starts from a seek to
    // sample 0, which rounds two of its samples one step off a fresh decode.)
    void sameAsReferenceDecoder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("command"); // program, its package, arguments (%o: raw output)
        QTest::newRow("ogg") << "tone.ogg" << QStringList{"oggdec", "vorbis-tools", "-Q", "-R", "-o", "%o"};
        QTest::newRow("mp3") << "tone.mp3" << QStringList{"mpg123", "mpg123", "-q", "-e", "s16", "-O", "%o"};
    }

    void sameAsReferenceDecoder()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, command);
        const QString raw = path(file + ".raw");
        const QString error =
            runEncoder(command[0], command[1], command.mid(2).replaceInStrings("%o", raw) << path(file));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        auto reader = readerFor(path(file));
        SongInfo song = songOf(path(file));
        QVERIFY(reader->open(song));
        QCOMPARE(readToEnd(*reader), readFile(raw));
    }

    // The decoded tones; an MP3 opened again with its record keeps its ID3v2 tags, an ID3v1 tag at the end is
    // not looked at. Layer II is refused.
    void mp3Signal()
    {
        ReaderOf<Mp3Reader> r;
        SongInfo s = songOf(path("tone.mp3"));
        QVERIFY(r.open(s));
        const QVector<qint16> pcm = fromBytes(readToEnd(r));
        QVERIFY(toneCorrelation(pcm, 2, 0, 440, 44100, 2000, 42000) > 0.98);
        QVERIFY(toneCorrelation(pcm, 2, 1, 1000, 44100, 2000, 42000) > 0.98);
        QByteArray v1(128, '\0');
        v1.replace(0, 13, "TAGOther Song");
        v1[127] = char(17);
        SongInfo again = songOf(put("both.mp3", readFile(s.file) + v1));
        for (int round = 0; round < 2; ++round) {
            QVERIFY(r.open(again));
            QCOMPARE(again.tags.value("Title"), QString("Mp3 Title"));
            QVERIFY(!again.tags.contains("Genre"));
        }
        TagMap v1tags; // only 128 bytes that begin with "TAG" are an ID3v1 tag
        QVERIFY(AudioTags::parseId3v1(v1, v1tags) && !AudioTags::parseId3v1(QByteArray(128, 'x'), v1tags));
        QCOMPARE(v1tags.value("Title") + '|' + v1tags.value("Genre"), QString("Other Song|Rock"));
        SongInfo l2 = songOf(put("layer2.mp3", mpegLayer2(40)));
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("mp3: MPEG layer 2, not layer 3 [%1]").arg(l2.file)));
        QVERIFY(!r.open(l2));
    }

    // Three channels (left, centre, right in Vorbis order) play as left and right, the centre left out.
    void oggOfThreeChannels()
    {
        ReaderOf<OggReader> r;
        SongInfo s = songOf(path("tone3.ogg"));
        QVERIFY(r.open(s));
        QCOMPARE(QString::asprintf("%u %llu", s.channels, qulonglong(s.samples)), QString("2 22050"));
        const QVector<qint16> two = fromBytes(readToEnd(r));
        QCOMPARE(two.size(), 2 * 22050);
        QVERIFY(toneCorrelation(two, 2, 0, 440, 44100, 1000, 21000) > 0.98);
        QVERIFY(toneCorrelation(two, 2, 1, 1000, 44100, 1000, 21000) > 0.98);
    }

    // Millions of tiny tags in a crafted file must not take gigabytes: at most kMaxTags names, and an ID3v2
    // tag is walked for at most kMaxTags frames.
    void tagCounts()
    {
        TagMap tags;
        for (int i = 0; i < 1500; ++i)
            AudioTags::addVorbisComment(QStringLiteral("N%1=x").arg(i).toUtf8(), tags);
        QCOMPARE(tags.size(), AudioTags::kMaxTags);
        AudioTags::addVorbisComment("N0=replaced", tags); // a known name still changes
        QCOMPARE(tags.value("N0"), QString("replaced"));
        QVERIFY(!tags.contains("N1499"));

        QByteArray frames = frame(3, "TIT2", QByteArray("\0Title", 6));
        for (int i = 0; i < 3000; ++i)
            frames += frame(3, QByteArray::number(1000 + i).constData(), QByteArray("\0v", 2));
        TagMap id3;
        QCOMPARE(parse(tag(3, frames), id3), AudioTags::kMaxTags);
        QCOMPARE(id3.value("Title"), QString("Title"));
        QVERIFY(id3.contains("2022") && !id3.contains("2023"));

        // A LIST chunk is walked for at most kMaxTags entries, each may be logged.
        QByteArray list = "INFO";
        for (int i = 0; i < AudioTags::kMaxTags; ++i)
            list += fixtures::chunk("IART", "a");
        TagMap info;
        AudioTags::parseListInfo(list + fixtures::chunk("INAM", "late"), info);
        QCOMPARE(info.value("Artist"), QString("a"));
        QVERIFY(!info.contains("Title"));
    }

    // UTF-16 and UTF-8 texts, a COMM frame with its description; frames of size 0 or only a group id byte
    // are skipped.
    void id3v2Encodings()
    {
        QByteArray grouped = frame(3, "TCON", QByteArray(1, '\x07'));
        grouped[9] = 0x20;
        const QString umlauts = QString::fromUtf8("K\xc3\xb6nig \xe2\x82\xac");
        const QByteArray frames =
            frame(3, "TPE1", QByteArray(1, '\1') + utf16(umlauts, false, true)) +
            frame(3, "COMM", QByteArray(1, '\1') + "eng" + utf16("desc", false, true) + QByteArray(2, '\0') +
                                 utf16("Kommentar", false, true)) +
            QByteArray("TPE3") + QByteArray(6, '\0') + grouped + frame(3, "TALB", QByteArray(1, '\3') + umlauts.toUtf8());
        TagMap tags;
        QCOMPARE(parse(tag(3, frames), tags), 3);
        QCOMPARE(text(tags), QString("Album=%1|Artist=%1|Comment=Kommentar").arg(umlauts));
    }

    void id3v2Malformed()
    {
        const QByteArray title = frame(3, "TIT2", QByteArray(1, '\0') + "T");
        TagMap tags;
        // Not a tag: wrong version, size byte with its top bit set.
        QCOMPARE(parse(tag(2, title), tags), 0);
        QByteArray top = tag(3, title);
        top[9] = char(0x80 | top[9]);
        QCOMPARE(parse(top, tags), 0);

        // A frame claiming more than the tag holds ends the parse.
        const QByteArray liar = QByteArray("TALB") + fixtures::be32(5000) + QByteArray(2, '\0') + "\0Album";
        QCOMPARE(parse(tag(3, title + liar + frame(3, "TPE1", "\0Who")), tags), 1);
        QCOMPARE(text(tags), QString("Title=T"));

        // Extended headers: 2.3 counts the bytes after its size word, 2.4 the whole header.
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 6");
        QCOMPARE(parse(tag(3, fixtures::be32(6) + QByteArray(6, '\0') + title, 0x40), tags), 1);
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 6");
        QCOMPARE(parse(tag(4, fixtures::syncsafe(6) + QByteArray(2, '\1') + frame(4, "TIT2", "\3T"), 0x40), tags),
                 1);
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 3");
        QCOMPARE(parse(tag(3, fixtures::be32(3) + title, 0x40), tags), -1);
        // An absurd extended header size stops inside the tag.
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 268435455");
        QCOMPARE(parse(tag(4, fixtures::syncsafe(0x0fffffff) + title, 0x40), tags), 0);
    }

    // Unsynchronisation: 2.3 over the whole tag (frame headers included), 2.4 per frame, with and without a
    // data length indicator.
    void id3v2Unsynchronised()
    {
        const auto unsync = [](const QByteArray &b) {
            QByteArray out;
            for (const char c : b) {
                out += c;
                if (uchar(c) == 0xff)
                    out += '\0';
            }
            return out;
        };
        const QString title = QString::fromUtf8("\xc3\xbf\xc3\xbf T\xc3\xaftel"); // U+00FF gives 0xff bytes
        const QByteArray v23 = frame(3, "TIT2", QByteArray(1, '\1') + utf16(title, false, true)) +
                               frame(3, "TPE1", QByteArray(1, '\0') + "Art\xff");
        QByteArray tag23 = tag(3, unsync(v23), char(0x80));
        TagMap tags;
        QCOMPARE(parse(tag23, tags), 2);
        QCOMPARE(tags.value("Title"), title);
        QCOMPARE(tags.value("Artist"), QString::fromLatin1("Art\xff"));

        const QByteArray payload = QByteArray(1, '\1') + utf16(title, true, true);
        QByteArray f1 = frame(4, "TIT2", unsync(payload));
        f1[9] = 0x02;
        QByteArray f2 = frame(4, "TALB", fixtures::syncsafe(quint32(payload.size())) + unsync(payload));
        f2[9] = 0x03;
        QByteArray f3 = frame(4, "TPE1", fixtures::syncsafe(4) + QByteArray("\0Who", 4));
        f3[9] = 0x01;
        TagMap v24;
        QCOMPARE(parse(tag(4, f1 + f2 + f3), v24), 3);
        QCOMPARE(text(v24), QString("Album=%1|Artist=Who|Title=%1").arg(title));
        // The tag's flag alone marks every 2.4 frame as unsynchronised.
        TagMap all;
        QCOMPARE(parse(tag(4, frame(4, "TIT2", unsync(payload)), char(0x80)), all), 1);
        QCOMPARE(all.value("Title"), title);
    }
};

QTEST_GUILESS_MAIN(TestAudioReaders)
#include "tst_audioreaders.moc"
