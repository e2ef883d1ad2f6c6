#pragma once

#include "SongInfo.h"
#include "Types.h"

#include <QList>
#include <QMap>
#include <QSemaphore>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <shared_mutex>

class FlacReader;
class Mp3Reader;
class OggReader;
class WavReader;

// The decoder thread of one FM channel: walks the channel's playlist file by
// file and keeps two PCM buffers (3 s of 44100 Hz stereo each) decoded ahead.
//
// Threads: the decoder thread runs run() and owns the readers and the private
// copy of the playlist. Every other operation is called by the board thread
// (the channel program). Playlist, current song, song cache and new songs are
// guarded by m_lock. The two buffers are not locked: a buffer belongs to the
// decoder while its stamp is 0 and to the board thread while it is not; the
// decoder publishes a fill by setting the stamp (release), the board thread
// hands a buffer back by setting it to 0 (release), after it has read or
// faded it. Stamps only grow, so the smaller stamp is always the older buffer,
// and buffers filled before a playlist change are recognised as stale.
// The decoder sleeps on a semaphore that stop(), setPlaylist() and every
// hand-back post, so it neither polls nor misses a buffer handed back.
class PCMDecoder : public QThread
{
public:
    static constexpr int kBufferBytes = 529200;

    // Starts the thread at low priority.
    explicit PCMDecoder(int channel);
    // Stops the thread and waits for it; never frees a running thread.
    ~PCMDecoder() override;

    // The way to get rid of a decoder: stop (with kill), wait a bounded time,
    // delete. A decoder still running then is logged and deleted when its
    // thread ends (through the event loop of the calling thread).
    static void dispose(PCMDecoder *decoder, int waitMs = 2000);

    int channel() const { return m_channel; }

    // A new list of file paths; a list equal to the current one changes nothing.
    void setPlaylist(const QStringList &files);
    // Asks for the playlist entry `index` (0-based) after the buffered audio.
    void setSong(int index);
    // The current song with its play position in per mille.
    SongInfo songInfo() const;
    // Grows whenever the current song changes (not with its play position),
    // so a caller holding songInfo() copies it again only after a change.
    quint32 songVersion() const { return m_songVersion.load(std::memory_order_acquire); }
    // The play position in per mille, for `song` as songInfo() returned it.
    int playPosition(const SongInfo &song) const;
    // The songs published since the last call (oldest first).
    QList<SongInfo> takeSongs();
    bool hasNewSongs() const { return m_newSong.load(std::memory_order_acquire); }

    // Copies up to `bytes` bytes (whole sample frames) of decoded PCM to dst.
    // Both buffers empty: `bytes` zero bytes and *silence = 1. A buffer used
    // up: returns 0 and hands it back (ask again). After a playlist change the
    // buffered audio fades to silence over one request. Never blocks.
    int readSamples(qint16 *dst, int bytes, u8 *silence);
    // Hands both buffers back to the decoder, discarding their audio.
    void killBuffers();
    // Asks the thread to end; with kill the buffers are discarded too.
    void stop(bool kill);
    // True once the thread has ended.
    bool hasFinished() const { return m_finished.load(std::memory_order_acquire); }

protected:
    void run() override;

private:
    struct Buffer {
        std::atomic<int> stamp{0}; // 0: the decoder's; else the fill number, the board thread's
        int readPos = 0;
        int fill = 0;
        int frameBytes = 4;
    };

    // Decoder thread, one step each.
    void lowerPriority();
    void takeOverPlaylist();
    void takeRequestedSong();
    void takeUpEntry();
    void skipEntry();
    void openCandidate();
    void publishIfChanged();
    void publish();
    void fill();
    void nextEntry();
    // Sleeps on m_wake; ends early on stop, a new playlist (or a buffer handed back).
    void nap(int ms, bool untilHandedBack = false);
    bool openWith(int kind, SongInfo &song);
    int readWith(int kind, u8 *dst, int max, u8 &eof);
    void rewindWith(int kind);

    // Board thread.
    void release(int buffer);
    void fadeOut(u8 *dst, const u8 *src, int n, int bytes) const;
    bool traced() const { return m_channel == 24; }

    const int m_channel;
    mutable std::shared_mutex m_lock; // a pthread read/write lock, visible to ThreadSanitizer
    QStringList m_playlist;             // m_lock
    SongInfo m_current;                 // m_lock; written only by the decoder thread
    QMap<QString, SongInfo> m_cache;    // m_lock; written only by the decoder thread
    QList<SongInfo> m_newSongs;         // m_lock
    std::atomic<bool> m_newSong{false};
    std::atomic<quint32> m_songVersion{0}; // grows with every change of m_current
    std::atomic<int> m_requested{-1};
    std::atomic<bool> m_loading{false};
    std::atomic<quint64> m_played{0};   // bytes handed out since the entry was taken up
    std::atomic<int> m_killStamp{0};    // buffers with a stamp up to this are stale
    std::atomic<bool> m_faded{false};   // board thread: the last playlist change has been faded out
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    QSemaphore m_wake;                  // posted on stop, a new playlist and a buffer handed back

    // Decoder thread only.
    int m_stampCounter = 0;
    QStringList m_list;
    int m_entry = 0;
    int m_takenUp = -1;
    SongInfo m_candidate;
    std::unique_ptr<OggReader> m_ogg;
    std::unique_ptr<Mp3Reader> m_mp3;
    std::unique_ptr<WavReader> m_wav;
    std::unique_ptr<FlacReader> m_flac;

    Buffer m_buffers[2];
    alignas(16) u8 m_data[2][kBufferBytes];
};
