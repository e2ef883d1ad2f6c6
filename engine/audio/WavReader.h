#pragma once

#include "SongInfo.h"
#include "Types.h"

#include <QFile>
#include <QString>

#include <vector>

// Reader of RIFF WAV files (16-bit PCM) and of headerless raw PCM
// (44100 Hz stereo 16-bit). Used only by the decoder thread that created it.
// Hands out interleaved 16-bit little-endian samples in whole frames; files
// with more than two channels give their first two.
class WavReader
{
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader &) = delete;
    WavReader &operator=(const WavReader &) = delete;

    // Opens song.file and fills format, length and tags; song.decoder becomes
    // SongInfo::Wav on success and SongInfo::Unplayable on failure.
    bool open(SongInfo &song);
    // Up to max bytes of PCM into dst. At the end of the data (or of the file,
    // whichever comes first) it rewinds and raises eof; a read error raises
    // eof too. Returns 0 without touching eof when no file is open.
    int read(u8 *dst, int max, u8 &eof);
    // Back to the first sample.
    void rewind();

    // The RIFF parser: empty on success, else the reason (German, translatable).
    QString parse(SongInfo &song);

private:
    void close();
    QString parseRiff(SongInfo &song, qint64 fileSize);
    QString parseFormat();
    void parseList(quint32 size, qint64 remaining, SongInfo &song);
    void takeData(qint64 start, quint32 size, qint64 fileSize);
    int readDirect(u8 *dst, qint64 frames);
    int readFirstTwo(u8 *dst, qint64 frames);
    int inFrameBytes() const { return 2 * m_channels; }
    int outChannels() const { return m_channels > 2 ? 2 : m_channels; }

    bool m_open = false;
    QFile m_file;
    quint64 m_dataStart = 0;
    quint64 m_dataLength = 0;
    quint64 m_position = 0; // bytes of the data consumed
    quint16 m_channels = 1;
    quint16 m_blockAlign = 0;
    quint16 m_formatTag = 1;
    quint16 m_bits = 16;
    quint32 m_sampleRate = 44100;
    quint32 m_byteRate = 88200;
    std::vector<u8> m_scratch; // frames of files with more than two channels
};
