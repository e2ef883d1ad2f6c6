#include "WavReader.h"

#include "AudioTags.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 fourcc(const char (&s)[5])
{
    return quint32(uchar(s[0])) | quint32(uchar(s[1])) << 8 | quint32(uchar(s[2])) << 16 |
           quint32(uchar(s[3])) << 24;
}

// A LIST chunk above this size is no tag list; it is skipped unread.
constexpr qint64 kMaxListBytes = 1 << 20;
// Of more LIST chunks than this only the first are read (each may log an
// entry per 8 bytes).
constexpr int kMaxLists = 4;
// The walk gives up after this many chunks: real files have a handful, and a
// crafted file of millions of empty chunks would hold the open for minutes.
constexpr int kMaxChunks = 65536;
// Frames of a file with more than two channels are read in pieces of about
// this many bytes (at least one frame; a frame of 65535 channels is 128 KB).
constexpr qint64 kScratchBytes = 64 * 1024;

QString tr(const char *text)
{
    return QCoreApplication::translate("WavReader", text);
}

bool readWord(QFile &f, quint32 &word)
{
    uchar b[4];
    if (f.read(reinterpret_cast<char *>(b), 4) != 4)
        return false;
    word = qFromLittleEndian<quint32>(b);
    return true;
}

} // namespace

WavReader::~WavReader()
{
    m_open = false;
    qDebug("~WAV decoder");
}

void WavReader::close()
{
    m_open = false;
    if (m_file.isOpen())
        m_file.close();
}

bool WavReader::open(SongInfo &song)
{
    song.decoder = SongInfo::Unplayable;
    const QString error = parse(song);
    if (!error.isEmpty()) {
        qDebug("wav: error [%s]", qUtf8Printable(error));
        close();
        return false;
    }
    m_open = true;
    m_position = 0;
    song.channels = outChannels();
    song.sampleRate = m_sampleRate;
    song.samples = m_dataLength / 2 / m_channels;
    qDebug("wav: %d channels, %d Hz, %8lld samples %s", int(m_channels), int(m_sampleRate),
           static_cast<long long>(song.samples), qUtf8Printable(song.file));
    song.decoder = SongInfo::Wav;
    return true;
}

QString WavReader::parse(SongInfo &song)
{
    close();
    m_file.setFileName(song.file);
    if (!m_file.exists() || !m_file.open(QIODevice::ReadOnly))
        return tr("Kann nicht geöffnet werden");
    const qint64 fileSize = m_file.size();
    quint32 id = 0, size = 0;
    const bool header = readWord(m_file, id) && readWord(m_file, size);
    if (header && id == fourcc("RIFF"))
        return parseRiff(song, fileSize);
    if (QFileInfo(song.file).fileName().toLower().endsWith(QLatin1String("wav")))
        return tr("hat keinen RIFF Header");
    // Raw PCM: the whole file is 44100 Hz stereo 16-bit.
    m_dataStart = 0;
    m_dataLength = quint64(fileSize);
    m_channels = 2;
    m_blockAlign = 0;
    m_formatTag = 1;
    m_bits = 16;
    m_sampleRate = 44100;
    m_byteRate = 88200;
    if (m_dataLength < quint64(inFrameBytes()))
        return tr("Audio Datenblock nicht gefunden");
    m_file.seek(0);
    return QString();
}

QString WavReader::parseRiff(SongInfo &song, qint64 fileSize)
{
    quint32 size = 0;
    m_file.seek(4);
    readWord(m_file, size);
    if (qint64(size) + 8 != fileSize)
        qDebug("wav: wrong file size %d != %lld", int(size + 8), static_cast<long long>(fileSize));
    quint32 wave = 0;
    if (!readWord(m_file, wave) || wave != fourcc("WAVE"))
        return tr("ist kein [WAVE] Format");

    m_dataLength = 0;
    m_formatTag = 0;
    m_channels = 1;
    bool haveData = false;
    int lists = 0;
    qint64 pos = m_file.pos();
    for (int chunks = 0; chunks < kMaxChunks && pos + 8 <= fileSize; ++chunks) {
        quint32 id = 0, chunkSize = 0;
        if (!m_file.seek(pos) || !readWord(m_file, id) || !readWord(m_file, chunkSize))
            break;
        const qint64 body = pos + 8;
        const qint64 next = body + chunkSize + (chunkSize & 1);
        if (id == fourcc("LIST")) {
            if (++lists <= kMaxLists)
                parseList(chunkSize, fileSize - body, song);
        } else if (id == fourcc("id3 ")) {
            AudioTags::parseId3v2(m_file, song.tags);
        } else if (id == fourcc("fmt ")) {
            if (chunkSize != 16)
                return tr("Format Länge %1 != 16").arg(chunkSize);
            const QString error = parseFormat();
            if (!error.isEmpty())
                return error;
        } else if (id == fourcc("data")) {
            if (haveData)
                qDebug("wav: new [data] block with len %d, was %lld", int(chunkSize),
                       static_cast<long long>(m_dataLength));
            haveData = true;
            takeData(body, chunkSize, fileSize);
        }
        pos = next;
    }
    if (m_dataLength < quint64(qMax(2, inFrameBytes())))
        return tr("Audio Datenblock nicht gefunden");
    if (m_formatTag == 0)
        return tr("Format Info nicht gefunden");
    m_file.seek(qint64(m_dataStart));
    return QString();
}

QString WavReader::parseFormat()
{
    uchar f[16];
    if (m_file.read(reinterpret_cast<char *>(f), 16) != 16)
        return tr("Format Info nicht gefunden");
    m_formatTag = qFromLittleEndian<quint16>(f);
    m_channels = qFromLittleEndian<quint16>(f + 2);
    m_sampleRate = qFromLittleEndian<quint32>(f + 4);
    m_byteRate = qFromLittleEndian<quint32>(f + 8);
    m_blockAlign = qFromLittleEndian<quint16>(f + 12);
    m_bits = qFromLittleEndian<quint16>(f + 14);
    if (m_formatTag != 1)
        return tr("kein PCM Format %1").arg(m_formatTag);
    if (m_bits != 16)
        return tr("bits pro Sample %1 != 16").arg(m_bits);
    if (m_channels == 0)
        return tr("Kanalanzahl %1 ungültig").arg(m_channels);
    if (m_sampleRate == 0)
        return tr("Abtastrate %1 ungültig").arg(m_sampleRate);
    return QString();
}

void WavReader::parseList(quint32 size, qint64 remaining, SongInfo &song)
{
    if (qint64(size) > remaining || qint64(size) > kMaxListBytes) {
        qDebug("wav: [LIST] block with len %u skipped", size);
        return;
    }
    AudioTags::parseListInfo(m_file.read(size), song.tags);
}

void WavReader::takeData(qint64 start, quint32 size, qint64 fileSize)
{
    m_dataStart = quint64(start);
    m_dataLength = size;
    const qint64 held = qMax<qint64>(0, fileSize - start);
    if (qint64(size) > held) {
        qDebug("wav: [data] block with len %u beyond end of file, clamped to %lld", size,
               static_cast<long long>(held));
        m_dataLength = quint64(held);
    }
}

int WavReader::read(u8 *dst, int max, u8 &eof)
{
    if (!m_open)
        return 0;
    const int outFrame = 2 * outChannels();
    const qint64 maxFrames = max / outFrame;
    qint64 frames = 0;
    while (frames < maxFrames) {
        const qint64 left = qint64(m_dataLength - m_position) / inFrameBytes();
        if (left == 0) {
            rewind();
            eof = 1;
            break;
        }
        const qint64 want = std::min(maxFrames - frames, left);
        u8 *out = dst + frames * outFrame;
        const int got = m_channels > 2 ? readFirstTwo(out, want) : readDirect(out, want);
        if (got < 0) {
            qDebug("wav: error in stream %d", int(frames * outFrame));
            eof = 1;
            break;
        }
        if (got == 0) {
            // The file ended before its data chunk did.
            rewind();
            eof = 1;
            break;
        }
        frames += got;
    }
    if (frames == maxFrames && qint64(m_dataLength - m_position) < inFrameBytes()) {
        // The last block ends exactly at the end of the data.
        rewind();
        eof = 1;
    }
    return int(frames * outFrame);
}

// Reads up to `frames` frames of one or two channels straight into dst.
// Returns whole frames read; a partial frame is left in the file.
int WavReader::readDirect(u8 *dst, qint64 frames)
{
    const qint64 n = m_file.read(reinterpret_cast<char *>(dst), frames * inFrameBytes());
    if (n < 0)
        return -1;
    const qint64 whole = n - n % inFrameBytes();
    if (whole != n)
        m_file.seek(m_file.pos() - (n - whole));
    m_position += quint64(whole);
    return int(whole / inFrameBytes());
}

// Reads up to `frames` frames of a file with more than two channels and keeps
// the first two channels of each.
int WavReader::readFirstTwo(u8 *dst, qint64 frames)
{
    const qint64 piece = std::min(frames, std::max<qint64>(1, kScratchBytes / inFrameBytes()));
    m_scratch.resize(size_t(piece * inFrameBytes()));
    const qint64 n = m_file.read(reinterpret_cast<char *>(m_scratch.data()), piece * inFrameBytes());
    if (n < 0)
        return -1;
    const qint64 got = n / inFrameBytes();
    if (got * inFrameBytes() != n)
        m_file.seek(m_file.pos() - (n - got * inFrameBytes()));
    for (qint64 i = 0; i < got; ++i)
        std::memcpy(dst + 4 * i, m_scratch.data() + i * inFrameBytes(), 4);
    m_position += quint64(got * inFrameBytes());
    return int(got);
}

void WavReader::rewind()
{
    m_position = 0;
    if (m_file.isOpen())
        m_file.seek(qint64(m_dataStart));
}
