#pragma once

// Audio test files made in code: RIFF WAV and raw PCM by hand, FLAC with the libFLAC stream encoder, OGG
// Vorbis and MP3 from a WAV written here with Debian's command-line encoders (oggenc, lame; installed by
// scripts/deps.sh). Included only by the audio tests.

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtEndian>

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include "FlacReader.h"
#include "Mp3Reader.h"
#include "OggReader.h"
#include "WavReader.h"

#include <cmath>
#include <memory>

namespace fixtures
{

// The readers share no base class; the tests drive them through this one.
struct AnyReader {
    virtual ~AnyReader() = default;
    virtual bool open(SongInfo &song) = 0;
    virtual int read(u8 *dst, int max, u8 &eof) = 0;
    virtual void rewind() = 0;
    // One read into a buffer of exactly `max` bytes (so that AddressSanitizer sees an overrun); what it gave,
    // or "overrun" for a count out of range.
    QByteArray readOnce(int max, u8 &eof)
    {
        std::unique_ptr<u8[]> buf(new u8[size_t(max)]);
        eof = 0;
        const int n = read(buf.get(), max, eof);
        return n < 0 || n > max ? QByteArray("overrun") : QByteArray(reinterpret_cast<char *>(buf.get()), n);
    }
};

template <class R> struct ReaderOf : AnyReader {
    R r;
    bool open(SongInfo &song) override { return r.open(song); }
    int read(u8 *dst, int max, u8 &eof) override { return r.read(dst, max, eof); }
    void rewind() override { r.rewind(); }
};

// The reader for a file, chosen by its ending as the decoder does.
inline std::unique_ptr<AnyReader> readerFor(const QString &path)
{
    const QString lower = path.toLower();
    if (lower.endsWith("ogg"))
        return std::make_unique<ReaderOf<OggReader>>();
    if (lower.endsWith("mp3"))
        return std::make_unique<ReaderOf<Mp3Reader>>();
    if (lower.endsWith("flac"))
        return std::make_unique<ReaderOf<FlacReader>>();
    return std::make_unique<ReaderOf<WavReader>>();
}

inline SongInfo songOf(const QString &path)
{
    SongInfo s;
    s.file = path;
    return s;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Little- and big-endian fields of a file header.
template <class T> QByteArray le(T v)
{
    QByteArray b(sizeof v, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray le16(quint16 v)
{
    return le(v);
}
inline QByteArray le32(quint32 v)
{
    return le(v);
}
inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

inline QByteArray syncsafe(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (7 * (3 - i))) & 0x7f);
    return b;
}

// One RIFF chunk: id, little-endian size, payload and a pad byte when odd.
inline QByteArray chunk(const char *id, const QByteArray &payload, quint32 claimedSize = 0xffffffffu)
{
    QByteArray c(id, 4);
    c += le32(claimedSize == 0xffffffffu ? quint32(payload.size()) : claimedSize);
    c += payload;
    if (payload.size() & 1)
        c += '\0';
    return c;
}

inline QByteArray fmtChunk(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * bits / 8);
    return chunk("fmt ",
                 le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}

inline QByteArray pcmBytes(const QVector<qint16> &samples)
{
    QByteArray b(samples.size() * 2, '\0');
    for (int i = 0; i < samples.size(); ++i)
        qToLittleEndian(samples[i], b.data() + 2 * i);
    return b;
}

inline QVector<qint16> fromBytes(const QByteArray &b)
{
    QVector<qint16> s(b.size() / 2);
    for (int i = 0; i < s.size(); ++i)
        s[i] = qFromLittleEndian<qint16>(b.constData() + 2 * i);
    return s;
}

// RIFF WAVE file of the given chunks (the RIFF size is right).
inline QByteArray riff(const QByteArray &chunks)
{
    return QByteArray("RIFF") + le32(quint32(chunks.size() + 4)) + "WAVE" + chunks;
}

inline QByteArray wav(const QVector<qint16> &samples, quint16 channels, quint32 rate = 44100)
{
    return riff(fmtChunk(1, channels, rate, 16) + chunk("data", pcmBytes(samples)));
}

// A deterministic test signal: per channel a sine of its own frequency plus a little pseudo-random noise,
// interleaved, amplitude below full scale.
inline QVector<qint32> signal(int frames, int channels, int bits = 16, quint32 seed = 1)
{
    QVector<qint32> s(frames * channels);
    const double full = double((1 << (bits - 1)) - 1);
    quint32 lcg = seed;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            lcg = lcg * 1664525u + 1013904223u;
            const double noise = (double(lcg >> 16) / 65536.0 - 0.5) * 0.02;
            const double x = 0.6 * std::sin(2 * M_PI * (300.0 + 250.0 * c) * i / 44100.0) + noise;
            s[i * channels + c] = qint32(std::lround(x * full));
        }
    }
    return s;
}

inline QVector<qint16> signal16(int frames, int channels, quint32 seed = 1)
{
    const QVector<qint32> s = signal(frames, channels, 16, seed);
    QVector<qint16> out(s.size());
    for (int i = 0; i < s.size(); ++i)
        out[i] = qint16(s[i]);
    return out;
}

// Pure tones at half full scale, interleaved: channel c is a sine of freqs[c].
inline QVector<qint16> tones(int frames, double rate, const QVector<double> &freqs)
{
    const int channels = freqs.size();
    QVector<qint16> s(frames * channels);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = qint16(std::lround(0.5 * 32767 * std::sin(2 * M_PI * freqs[c] * i / rate)));
    }
    return s;
}

// Runs a command-line encoder (or decoder) and waits at most timeoutMs for it. Empty when
// it ran and exited with 0, otherwise a text naming the command, its Debian
// package and what went wrong.
inline QString runEncoder(const QString &program, const QString &package, const QStringList &args,
                          int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs)) {
        return QStringLiteral("%1 could not be started (%2): install Debian's %3 (scripts/deps.sh does)")
            .arg(program, p.errorString(), package);
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("%1 did not finish within %2 ms").arg(program).arg(timeoutMs);
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return QStringLiteral("%1 failed with exit code %2: %3")
            .arg(program)
            .arg(p.exitCode())
            .arg(QString::fromLocal8Bit(p.readAll()).trimmed());
    }
    return {};
}

// OGG Vorbis from a WAV file with vorbis-tools' oggenc; options go before the files.
inline QString oggenc(const QString &wavPath, const QString &oggPath, const QStringList &options)
{
    return runEncoder(QStringLiteral("oggenc"), QStringLiteral("vorbis-tools"),
                      QStringList{QStringLiteral("--quiet")} + options +
                          QStringList{QStringLiteral("-o"), oggPath, wavPath});
}

// MP3 from a WAV file with lame. lame writes its encoder delay and padding into the first frame (the Info
// tag); libmpg123 drops them again, so the decoded length equals the source length.
inline QString lame(const QString &wavPath, const QString &mp3Path, const QStringList &options)
{
    return runEncoder(QStringLiteral("lame"), QStringLiteral("lame"),
                      QStringList{QStringLiteral("--quiet")} + options + QStringList{wavPath, mp3Path});
}

// Encodes interleaved samples into a FLAC file with the libFLAC stream encoder.
inline bool writeFlac(const QString &path, const QVector<qint32> &samples, int channels, int bits,
                      unsigned rate = 44100, unsigned blocksize = 4096,
                      const QMap<QByteArray, QByteArray> &comments = {})
{
    FLAC__StreamEncoder *enc = FLAC__stream_encoder_new();
    if (!enc)
        return false;
    FLAC__stream_encoder_set_channels(enc, unsigned(channels));
    FLAC__stream_encoder_set_bits_per_sample(enc, unsigned(bits));
    FLAC__stream_encoder_set_sample_rate(enc, rate);
    FLAC__stream_encoder_set_compression_level(enc, 5);
    FLAC__stream_encoder_set_blocksize(enc, blocksize);
    FLAC__stream_encoder_set_total_samples_estimate(enc, FLAC__uint64(samples.size() / channels));
    FLAC__StreamMetadata *vc = nullptr;
    if (!comments.isEmpty()) {
        vc = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        for (auto it = comments.begin(); it != comments.end(); ++it) {
            FLAC__StreamMetadata_VorbisComment_Entry e;
            FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&e, it.key().constData(),
                                                                           it.value().constData());
            FLAC__metadata_object_vorbiscomment_append_comment(vc, e, false);
        }
        FLAC__stream_encoder_set_metadata(enc, &vc, 1);
    }
    bool ok = FLAC__stream_encoder_init_file(enc, QFile::encodeName(path).constData(), nullptr, nullptr) ==
              FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    ok = ok && FLAC__stream_encoder_process_interleaved(enc, samples.constData(),
                                                        unsigned(samples.size() / channels));
    ok = FLAC__stream_encoder_finish(enc) && ok;
    FLAC__stream_encoder_delete(enc);
    if (vc)
        FLAC__metadata_object_delete(vc);
    return ok;
}

// Correlation (0..1, phase-independent) of one channel of interleaved samples with a sine of the given
// frequency, over frames [from, to).
inline double toneCorrelation(const QVector<qint16> &s, int channels, int channel, double freq, double rate,
                              int from, int to)
{
    double si = 0, co = 0, energy = 0;
    for (int i = from; i < to; ++i) {
        const double x = s[i * channels + channel];
        const double w = 2 * M_PI * freq * i / rate;
        si += x * std::sin(w);
        co += x * std::cos(w);
        energy += x * x;
    }
    const double n = to - from;
    if (energy <= 0)
        return 0;
    return std::sqrt((si * si + co * co) * 2.0 / n / energy);
}

// Silent MPEG-1 layer II frames (128 kbit/s, 44100 Hz, stereo): a valid MPEG audio stream that is not layer
// 3.
inline QByteArray mpegLayer2(int frames)
{
    QByteArray out;
    for (int i = 0; i < frames; ++i) {
        QByteArray frame(417, '\0');
        frame[0] = char(0xff);
        frame[1] = char(0xfd); // MPEG-1, layer II, no CRC
        frame[2] = char(0x80); // 128 kbit/s, 44100 Hz, no padding
        frame[3] = char(0x04); // stereo, original
        out += frame;
    }
    return out;
}

} // namespace fixtures
