#pragma once

#include "Mp3Stream.h"
#include "SongInfo.h"
#include "Types.h"

// Reader of MP3 files: tags from ID3v2 (else ID3v1), samples from the MPEG
// layer 3 decoding of Mp3Stream. Used only by the decoder thread that created
// it. Hands out interleaved 16-bit little-endian samples in whole frames at
// the file's own rate and channel count.
class Mp3Reader
{
public:
    Mp3Reader() = default;
    ~Mp3Reader();
    Mp3Reader(const Mp3Reader &) = delete;
    Mp3Reader &operator=(const Mp3Reader &) = delete;

    // Opens song.file, fills format, length and tags; song.decoder becomes
    // SongInfo::Mp3, or SongInfo::Unplayable on failure.
    bool open(SongInfo &song);
    // Up to max bytes of PCM into dst; at the end of the stream it rewinds and
    // raises eof, on an error it raises eof. Without an open file it raises
    // eof and returns 0.
    int read(u8 *dst, int max, u8 &eof);
    void rewind();

private:
    static void readTags(SongInfo &song);

    Mp3Stream m_stream;
    QString m_path;
    quint64 m_decoded = 0;
};
