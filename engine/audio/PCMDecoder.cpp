#include "PCMDecoder.h"

#include "FlacReader.h"
#include "Mp3Reader.h"
#include "OggReader.h"
#include "WavReader.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

constexpr int kIdleMs = 500;     // nothing to play, or the playlist wrapped
// An empty playlist changes only through setPlaylist() or stop(), and both
// post the wake-up: a channel without a file sleeps until then.
constexpr int kEmptyMs = 60000;
constexpr int kSkipMs = 200;     // an unplayable entry skipped, or a fill gave nothing
constexpr int kFullMs = 300;     // both buffers full
constexpr int kMaxNewSongs = 256; // song records kept for a channel program that does not take them
constexpr int kDecoderNice = 10;  // below the board threads, which keep the default 0

int kindForPath(const QString &path)
{
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String("ogg")))
        return SongInfo::Ogg;
    if (lower.endsWith(QLatin1String("mp3")))
        return SongInfo::Mp3;
    if (lower.endsWith(QLatin1String("wav")) || lower.endsWith(QLatin1String("raw")) ||
        lower.endsWith(QLatin1String("pcm")))
        return SongInfo::Wav;
    if (lower.endsWith(QLatin1String("flac")))
        return SongInfo::Flac;
    return SongInfo::None;
}

} // namespace

PCMDecoder::PCMDecoder(int channel) : m_channel(channel)
{
    if (traced())
        qDebug("de%2d buffer[s] killed", m_channel);
    start(QThread::LowPriority);
}

PCMDecoder::~PCMDecoder()
{
    stop(false);
    if (!wait(5000)) {
        qWarning("de%2d thread still running, waiting for it", m_channel);
        wait();
    }
    // Setting the finished flag (release) is the thread's last act: reading it
    // orders everything run() did before the members go, also for
    // ThreadSanitizer, which does not see the lock inside QThread::wait.
    (void)m_finished.load(std::memory_order_acquire);
    if (m_channel < 5)
        qDebug("~de%2d", m_channel);
}

void PCMDecoder::dispose(PCMDecoder *decoder, int waitMs)
{
    if (!decoder)
        return;
    decoder->stop(true);
    if (!decoder->wait(waitMs)) {
        qWarning("de%2d thread still running after %d ms, deleted when it ends", decoder->m_channel, waitMs);
        connect(decoder, &QThread::finished, decoder, &QObject::deleteLater, Qt::QueuedConnection);
        if (!decoder->isFinished())
            return;
    }
    delete decoder; // removes a deleteLater posted meanwhile
}

// ---------------------------------------------------------------- board thread

void PCMDecoder::setPlaylist(const QStringList &files)
{
    std::unique_lock lock(m_lock);
    if (files == m_playlist)
        return;
    m_playlist = files;
    m_faded.store(false, std::memory_order_relaxed);
    m_loading.store(true, std::memory_order_release);
    m_wake.release();
}

void PCMDecoder::setSong(int index)
{
    m_requested.store(index, std::memory_order_release);
}

SongInfo PCMDecoder::songInfo() const
{
    std::shared_lock lock(m_lock);
    SongInfo s = m_current;
    s.position = playPosition(s);
    return s;
}

int PCMDecoder::playPosition(const SongInfo &song) const
{
    const double divisor = 2.0 * double(song.channels) * double(song.samples);
    const double played = double(m_played.load(std::memory_order_relaxed));
    return divisor > 0 ? int(std::min(1000.0, played * 1000.0 / divisor)) : 0;
}

QList<SongInfo> PCMDecoder::takeSongs()
{
    std::unique_lock lock(m_lock);
    QList<SongInfo> songs;
    songs.swap(m_newSongs);
    m_newSong.store(false, std::memory_order_release);
    return songs;
}

void PCMDecoder::release(int buffer)
{
    Buffer &b = m_buffers[buffer];
    b.fill = 0;
    b.readPos = 0;
    b.stamp.store(0, std::memory_order_release);
    m_wake.release(); // a sleeping decoder fills it now
}

// Fades the n bytes at src into dst: with s = n / 2 samples and m = s - 8,
// the pair (i, i + 1) is scaled by (m - i) / m; from the first pair at or
// beyond m on, and up to `bytes`, dst is silent.
void PCMDecoder::fadeOut(u8 *dst, const u8 *src, int n, int bytes) const
{
    const int s = n / 2;
    const int m = s - 8;
    qint16 pair[2];
    int i = 0;
    for (; i < m; i += 2) {
        std::memcpy(pair, src + 2 * i, sizeof pair);
        pair[0] = qint16(qint64(pair[0]) * (m - i) / m); // 64 bit: a large request overflows int
        pair[1] = qint16(qint64(pair[1]) * (m - i) / m);
        std::memcpy(dst + 2 * i, pair, sizeof pair);
    }
    const int faded = std::min(std::max(i, 0) * 2, bytes);
    std::memset(dst + faded, 0, size_t(bytes - faded));
}

int PCMDecoder::readSamples(qint16 *dst, int bytes, u8 *silence)
{
    if (bytes <= 0)
        return 0; // nothing asked for: no silence written, no fade used up
    auto *out = reinterpret_cast<u8 *>(dst);
    // Stamps first: a buffer filled after a playlist change carries a stamp
    // that is only visible once the change has been taken over.
    const int stamps[2] = {m_buffers[0].stamp.load(std::memory_order_acquire),
                           m_buffers[1].stamp.load(std::memory_order_acquire)};
    if (stamps[0] == 0 && stamps[1] == 0) {
        std::memset(out, 0, size_t(bytes));
        *silence = 1;
        return bytes;
    }
    const int c = stamps[0] == 0 ? 1 : stamps[1] == 0 ? 0 : (stamps[0] < stamps[1] ? 0 : 1);
    Buffer &b = m_buffers[c];
    const bool loading = m_loading.load(std::memory_order_acquire);
    const int killStamp = m_killStamp.load(std::memory_order_acquire);
    const auto stale = [&](int i) { return stamps[i] != 0 && (loading || stamps[i] <= killStamp); };
    const int available = b.fill - b.readPos;
    int n = std::max(0, std::min(bytes, available));
    // Whole frames, unless less than one frame is asked for: 0 would tell the
    // caller that the buffer is used up, and it would ask again for ever.
    if (n >= b.frameBytes)
        n -= n % b.frameBytes;

    if (stale(c)) {
        // One fade per change: a buffer the decoder finished while the new
        // list was waiting follows the fade as silence, not as old audio.
        if (!m_faded.exchange(true, std::memory_order_relaxed)) {
            if (traced())
                qDebug("de%2d is loading, discard buffers @pos %d, return last %d as fade to silence", m_channel,
                       b.readPos, bytes);
            fadeOut(out, m_data[c] + b.readPos, n, bytes);
        } else {
            std::memset(out, 0, size_t(bytes));
            *silence = 1; // nothing to hand out, as with both buffers empty
        }
        for (int i = 0; i < 2; ++i) {
            if (stale(i))
                release(i);
        }
        return bytes;
    }
    if (n > 0) {
        std::memcpy(out, m_data[c] + b.readPos, size_t(n));
        b.readPos += n;
        m_played.fetch_add(quint64(n), std::memory_order_relaxed);
        *silence = 0;
        return n;
    }
    if (available <= 0) {
        if (traced())
            qDebug("de%2d buffer[%d] played %3d %d", m_channel, c, stamps[c], available);
        release(c);
    }
    return 0;
}

void PCMDecoder::killBuffers()
{
    // Only buffers handed to this thread are touched; one the decoder is
    // filling shows stamp 0 and is left to it.
    for (int i = 0; i < 2; ++i) {
        if (m_buffers[i].stamp.load(std::memory_order_acquire) != 0)
            release(i);
    }
    if (traced())
        qDebug("de%2d buffer[s] killed", m_channel);
}

void PCMDecoder::stop(bool kill)
{
    m_stop.store(true, std::memory_order_release);
    m_wake.release();
    if (kill)
        killBuffers();
}

// -------------------------------------------------------------- decoder thread

// QThread::LowPriority leaves a normal (SCHED_OTHER) Linux thread as it is;
// a nice value of its own lowers it, for this thread only.
void PCMDecoder::lowerPriority()
{
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), kDecoderNice); // raising nice needs no rights
#endif
}

void PCMDecoder::run()
{
    lowerPriority();
    while (!m_stop.load(std::memory_order_acquire)) {
        if (m_loading.load(std::memory_order_acquire))
            takeOverPlaylist();
        takeRequestedSong();
        takeUpEntry();
        if (m_candidate.file.isEmpty() || m_candidate.decoder == SongInfo::Unplayable) {
            skipEntry();
            continue;
        }
        if (m_candidate.file != m_current.file)
            openCandidate();
        publishIfChanged();
        if (m_stop.load(std::memory_order_acquire))
            break;
        fill();
    }
    if (m_channel % 12 == 0)
        qDebug("de%2d exit thread", m_channel);
    m_ogg.reset();
    m_mp3.reset();
    m_wav.reset();
    m_flac.reset();
    m_finished.store(true, std::memory_order_release);
}

void PCMDecoder::nap(int ms, bool untilHandedBack)
{
    // Every change that ends a nap is stored before the wake-up is posted,
    // so a post between the checks and the wait ends the wait at once.
    QDeadlineTimer deadline(ms);
    for (;;) {
        if (m_stop.load(std::memory_order_acquire) || m_loading.load(std::memory_order_acquire))
            return;
        if (untilHandedBack && (m_buffers[0].stamp.load(std::memory_order_acquire) == 0 ||
                                m_buffers[1].stamp.load(std::memory_order_acquire) == 0))
            return;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return;
        m_wake.tryAcquire(1, int(left));
        // Posts of changes seen by the checks above are used up with this one.
        const int more = m_wake.available();
        if (more > 0)
            m_wake.tryAcquire(more);
    }
}

void PCMDecoder::takeOverPlaylist()
{
    // The rewind (a seek, for FLAC a decode) runs after the lock is released,
    // so the board thread's songInfo()/setPlaylist()/takeSongs() never wait
    // for file work. Only this thread touches the readers.
    int rewindKind = SongInfo::None;
    bool rewind = false;
    {
        std::unique_lock lock(m_lock);
        const QStringList &fresh = m_playlist;
        if (m_entry < fresh.size() && m_entry < m_list.size() && fresh[m_entry] == m_list[m_entry]) {
            qDebug("de%2d keep playing song %d", m_channel, m_entry);
        } else {
            // Everything filled so far belongs to the old list; the board thread
            // fades it out and hands it back.
            m_killStamp.store(m_stampCounter, std::memory_order_release);
            m_entry = 0;
            m_takenUp = -1;
            if (traced())
                qDebug("de%2d buffer[s] killed", m_channel);
            rewind = true;
            rewindKind = m_current.decoder;
            if (fresh.isEmpty()) {
                m_current = SongInfo(); // an empty list is silence
                m_songVersion.fetch_add(1, std::memory_order_release);
                m_candidate = SongInfo();
            }
        }
        m_list = fresh;
        m_loading.store(false, std::memory_order_release);
    }
    if (rewind)
        rewindWith(rewindKind);
}

void PCMDecoder::takeRequestedSong()
{
    const int requested = m_requested.exchange(-1, std::memory_order_acq_rel);
    if (requested >= 0 && requested < m_list.size())
        m_entry = requested;
}

void PCMDecoder::takeUpEntry()
{
    if (m_entry == m_takenUp || m_entry >= m_list.size())
        return;
    m_played.store(0, std::memory_order_relaxed);
    m_takenUp = m_entry;
    const QString &path = m_list[m_entry];
    const auto cached = m_cache.constFind(path); // only this thread writes the cache
    if (cached != m_cache.constEnd()) {
        m_candidate = *cached;
    } else {
        m_candidate = SongInfo();
        m_candidate.file = path;
    }
}

void PCMDecoder::skipEntry()
{
    const int old = m_entry;
    m_entry = m_list.isEmpty() ? 0 : (m_entry + 1) % m_list.size();
    m_takenUp = old;
    nap(m_list.isEmpty() ? kEmptyMs : m_entry == old || m_entry == 0 ? kIdleMs : kSkipMs);
}

void PCMDecoder::openCandidate()
{
    m_candidate.decoder = SongInfo::None;
    const int kind = kindForPath(m_candidate.file);
    // Only regular files (or links to them): opening a named pipe waits for a
    // writer for ever, and a device or directory holds no song.
    const bool ok = kind != SongInfo::None && QFileInfo(m_candidate.file).isFile() && openWith(kind, m_candidate);
    if (!ok) {
        qDebug("de%2d bad! [%s] %d", m_channel, qUtf8Printable(m_candidate.file), m_candidate.decoder);
        m_candidate.decoder = SongInfo::Unplayable;
    }
}

void PCMDecoder::publishIfChanged()
{
    const SongInfo cached = m_cache.value(m_current.file);
    if (m_candidate.file != cached.file || m_candidate.decoder != cached.decoder ||
        m_candidate.sampleRate != cached.sampleRate)
        publish();
}

void PCMDecoder::publish()
{
    std::unique_lock lock(m_lock);
    m_cache.insert(m_candidate.file, m_candidate);
    m_current = m_candidate;
    m_songVersion.fetch_add(1, std::memory_order_release);
    m_newSongs.append(m_current);
    if (m_newSongs.size() > kMaxNewSongs)
        m_newSongs.removeFirst();
    m_newSong.store(true, std::memory_order_release);
}

void PCMDecoder::nextEntry()
{
    m_entry = m_list.isEmpty() ? 0 : (m_entry + 1) % m_list.size();
    m_takenUp = -1; // taken up again even when it is the same file
}

void PCMDecoder::fill()
{
    const int kind = m_current.decoder;
    if (kind < 1) {
        nap(kIdleMs);
        return;
    }
    const int target = m_buffers[0].stamp.load(std::memory_order_acquire) != 0 ? 1 : 0;
    Buffer &b = m_buffers[target];
    if (b.stamp.load(std::memory_order_acquire) != 0) {
        // Until a buffer comes back: a file shorter than the nap (a test tone
        // loop of 100 ms) plays through both buffers before the nap is over.
        nap(kFullMs, true);
        return;
    }
    if (m_stop.load(std::memory_order_acquire) || m_loading.load(std::memory_order_acquire))
        return; // a new playlist is taken over before anything more is decoded
    if (m_requested.load(std::memory_order_acquire) >= 0)
        return; // a song asked for while the next one was opening goes first
    u8 eof = 0;
    const int frameBytes = 2 * int(std::clamp(m_current.channels, 1u, 2u));
    int n = readWith(kind, m_data[target], kBufferBytes, eof);
    n -= n % frameBytes; // a stray part of a frame would never be handed out
    b.readPos = 0;
    b.fill = n;
    b.frameBytes = frameBytes;
    if (n > 0)
        b.stamp.store(++m_stampCounter, std::memory_order_release);
    if (traced())
        qDebug("de%2d buffer[%d] filled %3d", m_channel, target, m_stampCounter);
    if (eof || n == 0)
        nextEntry();
    if (n == 0)
        nap(kSkipMs); // a file that gives nothing must neither spin the thread nor hold the playlist
}

bool PCMDecoder::openWith(int kind, SongInfo &song)
{
    switch (kind) {
    case SongInfo::Ogg:
        if (!m_ogg)
            m_ogg = std::make_unique<OggReader>();
        return m_ogg->open(song);
    case SongInfo::Mp3:
        if (!m_mp3)
            m_mp3 = std::make_unique<Mp3Reader>();
        return m_mp3->open(song);
    case SongInfo::Wav:
        if (!m_wav)
            m_wav = std::make_unique<WavReader>();
        return m_wav->open(song);
    case SongInfo::Flac:
        if (!m_flac)
            m_flac = std::make_unique<FlacReader>();
        return m_flac->open(song);
    default:
        return false;
    }
}

int PCMDecoder::readWith(int kind, u8 *dst, int max, u8 &eof)
{
    switch (kind) {
    case SongInfo::Ogg:
        return m_ogg ? m_ogg->read(dst, max, eof) : 0;
    case SongInfo::Mp3:
        return m_mp3 ? m_mp3->read(dst, max, eof) : 0;
    case SongInfo::Wav:
        return m_wav ? m_wav->read(dst, max, eof) : 0;
    case SongInfo::Flac:
        return m_flac ? m_flac->read(dst, max, eof) : 0;
    default:
        return 0;
    }
}

void PCMDecoder::rewindWith(int kind)
{
    switch (kind) {
    case SongInfo::Ogg:
        if (m_ogg)
            m_ogg->rewind();
        break;
    case SongInfo::Mp3:
        if (m_mp3)
            m_mp3->rewind();
        break;
    case SongInfo::Wav:
        if (m_wav)
            m_wav->rewind();
        break;
    case SongInfo::Flac:
        if (m_flac)
            m_flac->rewind();
        break;
    default:
        break;
    }
}
