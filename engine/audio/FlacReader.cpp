#include "FlacReader.h"

#include "AudioTags.h"
#include "LogOnce.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// Stream info: a file played again and again is logged once. Shared by all
// FLAC readers.
LogOnce g_logged;

inline qint16 to16(FLAC__int32 s, int shift)
{
    return qint16(shift >= 0 ? s >> shift : s * (1 << -shift));
}

} // namespace

FlacReader::FlacReader()
{
    m_decoder = FLAC__stream_decoder_new();
    if (!m_decoder)
        qDebug("flac ERROR allocating decoder\n");
}

FlacReader::~FlacReader()
{
    if (m_decoder)
        FLAC__stream_decoder_delete(m_decoder);
    m_decoder = nullptr;
    m_open = false;
    qDebug("~FLAC decoder");
}

bool FlacReader::open(SongInfo &song)
{
    song.decoder = SongInfo::Unplayable;
    m_open = false;
    if (!m_decoder)
        return false;
    m_song = &song;
    FLAC__stream_decoder_finish(m_decoder);
    m_carry.clear();
    m_carryPos = 0;
    m_channels = 0;
    m_dst = nullptr;
    FLAC__stream_decoder_set_metadata_respond(m_decoder, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    const FLAC__StreamDecoderInitStatus status =
        FLAC__stream_decoder_init_file(m_decoder, QFile::encodeName(song.file).constData(), &writeCallback,
                                       &metadataCallback, &errorCallback, this);
    if (status != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        qDebug("flac ERROR initializing decoder: %s", FLAC__StreamDecoderInitStatusString[status]);
        m_song = nullptr;
        return false;
    }
    // Read the metadata now, so that the song knows its format when open returns.
    const bool ok = FLAC__stream_decoder_process_until_end_of_metadata(m_decoder);
    m_song = nullptr;
    // The stream info set the channels and the rate; a rate of 0 is no stream.
    if (!ok || m_channels == 0 || song.sampleRate == 0) {
        qDebug("flac ERROR no stream info [%s]", qUtf8Printable(song.file));
        FLAC__stream_decoder_finish(m_decoder);
        return false;
    }
    m_decoded = 0;
    m_open = true;
    song.decoder = SongInfo::Flac;
    return true;
}

void FlacReader::metadataCallback(const FLAC__StreamDecoder *, const FLAC__StreamMetadata *metadata, void *client)
{
    static_cast<FlacReader *>(client)->onMetadata(metadata);
}

void FlacReader::onMetadata(const FLAC__StreamMetadata *metadata)
{
    if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO) {
        // Only the open decides the layout handed out: the stream info read
        // again after a reset (of a file changed meanwhile, say) must not turn
        // a stereo song into a mono one half way.
        if (!m_song)
            return;
        const FLAC__StreamMetadata_StreamInfo &info = metadata->data.stream_info;
        m_channels = std::min<int>(int(info.channels), 2);
        m_bits = int(info.bits_per_sample);
        m_carry.reserve(size_t(std::max(info.max_blocksize, 4096u)) * 2);
        m_song->channels = quint32(m_channels);
        m_song->sampleRate = info.sample_rate;
        m_song->samples = info.total_samples;
        if (g_logged.isNew(m_song->file))
            qDebug("flac %llu samples, %u Hz, %u channels, %u bits [%s]",
                   static_cast<unsigned long long>(info.total_samples), info.sample_rate, info.channels,
                   info.bits_per_sample, qUtf8Printable(m_song->file));
    } else if (metadata->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
        const FLAC__StreamMetadata_VorbisComment &vc = metadata->data.vorbis_comment;
        qDebug("flac vorbis comment count = %d", int(vc.num_comments));
        if (!m_song)
            return;
        for (FLAC__uint32 i = 0; i < vc.num_comments; ++i) {
            const FLAC__StreamMetadata_VorbisComment_Entry &e = vc.comments[i];
            AudioTags::addVorbisComment(QByteArray(reinterpret_cast<const char *>(e.entry), int(e.length)),
                                        m_song->tags);
        }
    } else {
        qDebug("flac metadata type %d", int(metadata->type));
    }
}

FLAC__StreamDecoderWriteStatus FlacReader::writeCallback(const FLAC__StreamDecoder *, const FLAC__Frame *frame,
                                                         const FLAC__int32 *const buffer[], void *client)
{
    static_cast<FlacReader *>(client)->onWrite(frame, buffer);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

// Converts the frame to interleaved 16-bit samples: as many frames as fit go
// to the destination, the rest to the carry for the next read.
void FlacReader::onWrite(const FLAC__Frame *frame, const FLAC__int32 *const buffer[])
{
    const int n = int(frame->header.blocksize);
    const int bits = frame->header.bits_per_sample ? int(frame->header.bits_per_sample) : m_bits;
    const int shift = bits - 16;
    const FLAC__int32 *left = buffer[0];
    const FLAC__int32 *right = frame->header.channels > 1 ? buffer[1] : buffer[0];
    const int outChannels = std::max(m_channels, 1);
    const int room = m_dst ? (m_max - m_writeOffset) / (2 * outChannels) : 0;
    const int direct = std::clamp(room, 0, n);
    auto *out = m_dst ? reinterpret_cast<qint16 *>(m_dst + m_writeOffset) : nullptr;
    if (outChannels == 1) {
        for (int i = 0; i < direct; ++i)
            out[i] = to16(left[i], shift);
        for (int i = direct; i < n; ++i)
            m_carry.push_back(to16(left[i], shift));
    } else {
        for (int i = 0; i < direct; ++i) {
            out[2 * i] = to16(left[i], shift);
            out[2 * i + 1] = to16(right[i], shift);
        }
        for (int i = direct; i < n; ++i) {
            m_carry.push_back(to16(left[i], shift));
            m_carry.push_back(to16(right[i], shift));
        }
    }
    m_writeOffset += direct * 2 * outChannels;
}

void FlacReader::errorCallback(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus status, void *)
{
    qDebug("flac error callback: %s", FLAC__StreamDecoderErrorStatusString[status]);
}

// Hands out carried samples first; returns the bytes written to m_dst.
int FlacReader::drainCarry()
{
    const size_t left = m_carry.size() - m_carryPos;
    const size_t n = std::min(left, size_t(m_max - m_writeOffset) / 2);
    std::memcpy(m_dst + m_writeOffset, m_carry.data() + m_carryPos, n * 2);
    m_carryPos += n;
    if (m_carryPos == m_carry.size()) {
        m_carry.clear();
        m_carryPos = 0;
    }
    m_writeOffset += int(n * 2);
    return int(n * 2);
}

int FlacReader::read(u8 *dst, int max, u8 &eof)
{
    if (!m_open)
        return 0;
    m_dst = dst;
    m_max = max - max % (2 * m_channels);
    m_writeOffset = 0;
    drainCarry();
    while (m_writeOffset < m_max) {
        if (!FLAC__stream_decoder_process_single(m_decoder)) {
            qDebug("flac ERROR in stream %d", m_writeOffset);
            eof = 1;
            m_dst = nullptr;
            seekToStart();
            break;
        }
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(m_decoder);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM) {
            m_dst = nullptr; // the first frame after the rewind goes to the carry
            seekToStart();
            eof = 1;
            break;
        }
        if (state == FLAC__STREAM_DECODER_SEARCH_FOR_METADATA || state == FLAC__STREAM_DECODER_READ_METADATA ||
            state == FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC || state == FLAC__STREAM_DECODER_READ_FRAME)
            continue;
        qDebug("flac %s", FLAC__StreamDecoderStateString[state]);
        eof = 1;
        m_dst = nullptr;
        seekToStart();
        break;
    }
    m_dst = nullptr;
    m_decoded += quint64(m_writeOffset);
    return m_writeOffset;
}

// Back to sample 0; when the decoder cannot seek it starts over from the
// beginning of the file. The file is closed when neither works.
bool FlacReader::seekToStart()
{
    m_carry.clear();
    m_carryPos = 0;
    if (FLAC__stream_decoder_seek_absolute(m_decoder, 0))
        return true;
    if (FLAC__stream_decoder_reset(m_decoder))
        return true;
    qDebug("flac %s", FLAC__StreamDecoderStateString[FLAC__stream_decoder_get_state(m_decoder)]);
    m_open = false;
    return false;
}

void FlacReader::rewind()
{
    if (!m_open)
        return;
    m_decoded = 0;
    m_writeOffset = 0;
    m_dst = nullptr;
    seekToStart();
}
