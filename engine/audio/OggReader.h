#pragma once

#include "SongInfo.h"
#include "Types.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <memory>

// Reader of OGG Vorbis files through libvorbisfile. Used only by the decoder
// thread that created it. Hands out interleaved 16-bit little-endian samples
// in whole frames; streams with more than two channels give their front left
// and front right channels.
class OggReader
{
public:
    OggReader() = default;
    ~OggReader();
    OggReader(const OggReader &) = delete;
    OggReader &operator=(const OggReader &) = delete;

    // Opens song.file and fills format, length and tags (Vorbis comments);
    // song.decoder becomes SongInfo::Ogg, or SongInfo::Unplayable on failure.
    bool open(SongInfo &song);
    // Up to max bytes of PCM into dst; at the end of the stream it rewinds and
    // raises eof, on a stream error it raises eof and closes the file (later
    // reads give 0 until the next open). 0 when no file is open.
    int read(u8 *dst, int max, u8 &eof);
    void rewind();

private:
    void close();
    static size_t readCallback(void *ptr, size_t size, size_t count, void *source);
    static int seekCallback(void *source, ogg_int64_t offset, int whence);
    static int closeCallback(void *source);
    static long tellCallback(void *source);

    OggVorbis_File m_vf{};
    std::unique_ptr<char[]> m_fileBuffer; // the open file's stream buffer, made at the first open
    bool m_open = false;
    quint64 m_decoded = 0;
    int m_channels = 2; // channels handed out: the stream's, at most two
};
