#include "OggReader.h"

#include "AudioTags.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Gaps in the data that one read steps over before it gives the file up.
constexpr int kMaxHoles = 64;

// libvorbisfile reads 2 kB at a time; a bigger stream buffer saves system calls.
constexpr size_t kFileBufferBytes = 64 * 1024;

// One float sample to 16 bits: scaled by 32768, rounded to nearest (ties to
// even), clipped; NaN gives 0.
inline qint16 toSample(float x)
{
    const float v = x * 32768.f;
    if (v >= 32767.f)
        return 32767;
    if (v <= -32768.f)
        return -32768;
#if defined(__SSE2__)
    return qint16(_mm_cvtss_si32(_mm_set_ss(v))); // lrintf without the call
#else
    return qint16(std::lrint(v));
#endif
}

#if defined(__SSE2__)
// toSample of four floats at once, as 32-bit integers.
inline __m128i toSamples4(const float *x)
{
    __m128 v = _mm_mul_ps(_mm_loadu_ps(x), _mm_set1_ps(32768.f));
    v = _mm_and_ps(v, _mm_cmpord_ps(v, v)); // NaN to 0
    v = _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(-32768.f)), _mm_set1_ps(32767.f));
    return _mm_cvtps_epi32(v); // rounds to nearest even, as lrintf does
}
#endif

// n samples of one channel to out.
void convertMono(const float *in, long n, qint16 *out)
{
    long i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const __m128i s = _mm_packs_epi32(toSamples4(in + i), toSamples4(in + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), s);
    }
#endif
    for (; i < n; ++i)
        out[i] = toSample(in[i]);
}

// n frames of two channels to out, interleaved.
void convertStereo(const float *left, const float *right, long n, qint16 *out)
{
    long i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        const __m128i l = toSamples4(left + i);
        const __m128i r = toSamples4(right + i);
        const __m128i s = _mm_packs_epi32(_mm_unpacklo_epi32(l, r), _mm_unpackhi_epi32(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * i), s);
    }
#endif
    for (; i < n; ++i) {
        out[2 * i] = toSample(left[i]);
        out[2 * i + 1] = toSample(right[i]);
    }
}

// Index of the front right channel in the Vorbis channel order: 3, 5, 6, 7
// and 8 channels have the centre between front left and front right.
int rightChannel(int channels)
{
    if (channels < 2)
        return 0;
    return (channels == 2 || channels == 4) ? 1 : 2;
}

} // namespace

OggReader::~OggReader()
{
    close();
    qDebug("~OGG decoder");
}

void OggReader::close()
{
    if (m_open)
        ov_clear(&m_vf);
    m_open = false;
}

size_t OggReader::readCallback(void *ptr, size_t size, size_t count, void *source)
{
    return std::fread(ptr, size, count, static_cast<FILE *>(source));
}

int OggReader::seekCallback(void *source, ogg_int64_t offset, int whence)
{
    return fseeko(static_cast<FILE *>(source), off_t(offset), whence);
}

int OggReader::closeCallback(void *source)
{
    return std::fclose(static_cast<FILE *>(source));
}

long OggReader::tellCallback(void *source)
{
    return long(ftello(static_cast<FILE *>(source)));
}

bool OggReader::open(SongInfo &song)
{
    song.decoder = SongInfo::Unplayable;
    close();
    FILE *file = std::fopen(QFile::encodeName(song.file).constData(), "rb");
    if (!file) {
        std::perror("ogg: error opening file");
        return false;
    }
    if (!m_fileBuffer)
        m_fileBuffer = std::make_unique<char[]>(kFileBufferBytes);
    std::setvbuf(file, m_fileBuffer.get(), _IOFBF, kFileBufferBytes); // before the first read
    const ov_callbacks callbacks = {&OggReader::readCallback, &OggReader::seekCallback,
                                    &OggReader::closeCallback, &OggReader::tellCallback};
    if (ov_open_callbacks(file, &m_vf, nullptr, 0, callbacks) < 0) {
        qWarning("ogg: bad bitstream [%s]", qUtf8Printable(song.file));
        std::fclose(file); // a failed open leaves the file to us
        return false;
    }
    m_open = true;
    if (const vorbis_comment *vc = ov_comment(&m_vf, -1)) {
        for (int i = 0; i < vc->comments; ++i)
            AudioTags::addVorbisComment(QByteArray(vc->user_comments[i], vc->comment_lengths[i]), song.tags);
    }
    const vorbis_info *vi = ov_info(&m_vf, -1);
    const int channels = vi ? vi->channels : 0;
    m_channels = std::min(channels, 2);
    song.channels = quint32(m_channels);
    song.sampleRate = vi ? quint32(vi->rate) : 0;
    const ogg_int64_t total = ov_pcm_total(&m_vf, -1);
    song.samples = total > 0 ? quint64(total) : 0;
    qDebug("ogg: %d channels, %d Hz, %8lld samples %s", channels, int(song.sampleRate),
           static_cast<long long>(song.samples), qUtf8Printable(song.file));
    if (m_channels < 1) {
        close();
        return false;
    }
    m_decoded = 0;
    song.decoder = SongInfo::Ogg;
    return true;
}

int OggReader::read(u8 *dst, int max, u8 &eof)
{
    if (!m_open)
        return 0;
    auto *out = reinterpret_cast<qint16 *>(dst);
    const int maxFrames = max / (2 * m_channels);
    int frames = 0;
    int holes = 0;
    while (frames < maxFrames) {
        float **pcm = nullptr;
        int link = -1;
        const long got = ov_read_float(&m_vf, &pcm, maxFrames - frames, &link);
        if (got == OV_HOLE && ++holes < kMaxHoles)
            continue; // a gap in the data: decoding goes on after it
        if (got == 0) {
            eof = 1;
            if (ov_raw_seek(&m_vf, 0) != 0)
                close(); // no way back to the start: the file is given up
            break;
        }
        if (got < 0) {
            qDebug("ogg: error in stream %d", frames * 2 * m_channels);
            eof = 1;
            // After an error such as a broken link libvorbis may go on with
            // half-initialised codebooks and divide by zero on the next
            // packet; the file is given up instead of decoded further.
            close();
            break;
        }
        const vorbis_info *vi = ov_info(&m_vf, link);
        const int linkChannels = vi ? vi->channels : 1;
        const float *left = pcm[0];
        const float *right = pcm[rightChannel(linkChannels)];
        qint16 *o = out + frames * m_channels;
        if (m_channels == 1)
            convertMono(left, got, o);
        else
            convertStereo(left, right, got, o);
        frames += int(got);
    }
    const int bytes = frames * 2 * m_channels;
    m_decoded += quint64(bytes);
    return bytes;
}

void OggReader::rewind()
{
    if (m_open && ov_raw_seek(&m_vf, 0) != 0)
        close();
}
