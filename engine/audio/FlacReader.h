#pragma once

#include "SongInfo.h"
#include "Types.h"

#include <FLAC/stream_decoder.h>

#include <vector>

// Reader of FLAC files through the libFLAC stream decoder. Used only by the
// decoder thread that created it. Hands out interleaved 16-bit little-endian
// samples in whole frames: mono streams as one channel, streams with more
// than two channels as their first two, wider samples shifted to 16 bits.
// Samples of a frame that do not fit into the caller's buffer are kept and
// handed out first by the next read.
class FlacReader
{
public:
    FlacReader();
    ~FlacReader();
    FlacReader(const FlacReader &) = delete;
    FlacReader &operator=(const FlacReader &) = delete;

    // Opens song.file, reads its metadata (format, length, Vorbis comments);
    // song.decoder becomes SongInfo::Flac, or SongInfo::Unplayable on failure.
    bool open(SongInfo &song);
    // Up to max bytes of PCM into dst; at the end of the stream it rewinds and
    // raises eof, on a stream error it raises eof. 0 when no file is open.
    int read(u8 *dst, int max, u8 &eof);
    void rewind();

private:
    static FLAC__StreamDecoderWriteStatus writeCallback(const FLAC__StreamDecoder *, const FLAC__Frame *frame,
                                                        const FLAC__int32 *const buffer[], void *client);
    static void metadataCallback(const FLAC__StreamDecoder *, const FLAC__StreamMetadata *metadata,
                                 void *client);
    static void errorCallback(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus status, void *client);

    void onWrite(const FLAC__Frame *frame, const FLAC__int32 *const buffer[]);
    void onMetadata(const FLAC__StreamMetadata *metadata);
    bool seekToStart();
    int drainCarry();

    quint64 m_decoded = 0;
    int m_writeOffset = 0;
    u8 *m_dst = nullptr; // destination of the running read; null outside read
    int m_max = 0;
    SongInfo *m_song = nullptr; // the song being opened; null outside open
    FLAC__StreamDecoder *m_decoder = nullptr;
    bool m_open = false;
    int m_channels = 0;  // channels handed out: 1 or 2
    int m_bits = 16;     // bits per sample of the stream
    std::vector<qint16> m_carry; // interleaved samples decoded but not yet handed out
    size_t m_carryPos = 0;
};
