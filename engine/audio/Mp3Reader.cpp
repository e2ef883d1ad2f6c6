#include "Mp3Reader.h"

#include "AudioTags.h"
#include "LogOnce.h"

#include <QDebug>
#include <QFile>

namespace {

// Stream info: a file played again and again is logged once. Shared by all
// MP3 readers.
LogOnce g_logged;

constexpr qint64 kId3v1Bytes = 128;

} // namespace

Mp3Reader::~Mp3Reader()
{
    m_stream.close();
}

void Mp3Reader::readTags(SongInfo &song)
{
    QFile file(song.file);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // ID3v1 only when the ID3v2 tag yields nothing; a record that already
    // holds this file's tags (played before) keeps them.
    if (AudioTags::parseId3v2(file, song.tags) > 0 || file.size() < kId3v1Bytes)
        return;
    if (file.seek(file.size() - kId3v1Bytes))
        AudioTags::parseId3v1(file.read(kId3v1Bytes), song.tags);
}

bool Mp3Reader::open(SongInfo &song)
{
    m_stream.close();
    song.decoder = SongInfo::Unplayable;
    readTags(song);
    if (!m_stream.open(song.file)) {
        qDebug("mp3: %s [%s]", qUtf8Printable(m_stream.errorText()), qUtf8Printable(song.file));
        return false;
    }
    m_path = song.file;
    m_decoded = 0;
    song.sampleRate = quint32(m_stream.sampleRate());
    song.channels = quint32(m_stream.channels());
    song.samples = quint64(m_stream.samples());
    song.decoder = SongInfo::Mp3;
    if (g_logged.isNew(song.file))
        qDebug("mp3: %d channels, %d Hz, %8lld samples [%s]", m_stream.channels(), m_stream.sampleRate(),
               static_cast<long long>(m_stream.samples()), qUtf8Printable(song.file));
    return true;
}

int Mp3Reader::read(u8 *dst, int max, u8 &eof)
{
    if (!m_stream.isOpen()) {
        eof = 1;
        return 0;
    }
    Mp3Stream::Status status = Mp3Stream::Status::More;
    const int got = m_stream.read(dst, max, status);
    m_decoded += quint64(got);
    if (status == Mp3Stream::Status::Error) {
        qDebug("mp3: %s [%s]", qUtf8Printable(m_stream.errorText()), qUtf8Printable(m_path));
        m_stream.rewind();
        eof = 1;
    } else if (status == Mp3Stream::Status::End) {
        m_stream.rewind();
        eof = 1;
    }
    return got;
}

void Mp3Reader::rewind()
{
    m_stream.rewind();
}
