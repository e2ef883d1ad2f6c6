#pragma once

#include "RDSCoding.h"
#include "RDSGroup.h"
#include "RDSGroupFileReplay.h"
#include "RDSScheduler.h"
#include "RDSSource.h"
#include "RadioTextExpander.h"
#include "TMCSender.h"
#include "Types.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <limits>
#include <mutex>
#include <random>
#include <shared_mutex>

class QTextCodec;

// The RDS/RDS2 group encoder of one channel.
//
// Threads: owned by the channel program. generate, makeGroup, nextGroupType,
// parseGroupLine (the channel program's RDS data input) and the group-file
// replay run in its board thread only: they advance the builders' counters,
// the random generator and the replayed file under the read lock. The
// setters take the write lock and may be called from any thread; so may
// source(), setCT, tagText and expandTags. Everything else (the builders,
// the coding helpers, the replay state, scheduler()) belongs to the board
// thread or to a caller that holds the lock.
class RDSEncoder
{
public:
    explicit RDSEncoder(int channel);

    int channel() const { return m_channel; }

    // ---------------------------------------------------------------------
    // Group coding: block A, checkwords, error injection, packing
    // ---------------------------------------------------------------------

    // Codes a group with blocks B, C, D; block A is 0 when noPI (RDS2
    // streams 1 to 3), else the source's PI. Every group builder ends here.
    void assembleGroup(u8 out[13], u16 b, u16 c, u16 d, bool noPI);

    // Injects errors as the source's err/ber/fix say, applies the fix bits
    // and packs the group into out.
    void finishGroup(u8 out[13], RDSBlocks &blocks);

    // The source's error-injection settings.
    RDSErrorSettings errorSettings() const;

    // Seeds the generator behind error injection (tests; the constructor
    // seeds from the clock).
    void seedRandom(u32 seed) { m_random.seed(seed); }

    // ---------------------------------------------------------------------
    // Text: RDS character set or the named codec of the source
    // ---------------------------------------------------------------------

    // Converts a text with the source's character-set setting ("crt"); keep
    // lists the positions produced by escapes, sent as their byte.
    QByteArray toRdsBytes(const QString &text, const QList<int> &keep, bool bom) const;

    // ---------------------------------------------------------------------
    // Group text lines and group-file replay
    // ---------------------------------------------------------------------

    // 13 when the line held a group (written to out), else 0. Board thread;
    // takes the read lock, so that the error settings are those of one source.
    int parseGroupLine(u8 out[13], const QByteArray &line);

    // Opens or rewinds the next file of the source's group-file list.
    void openNextGroupFile();

    // One slot of group-file replay: when the source replays files, reads up
    // to 66 lines of the current file and codes the first group found into
    // out. False when no line held a group or no file could be opened; the
    // slot is then encoded normally.
    bool replayGroup(u8 out[13]);

    // Closes the replayed file and forgets its name (on a new source).
    void resetGroupFileReplay() { m_replay.reset(); }

    // Name of the replayed file; empty when the source replays none.
    QString replayFileName() const;

    // Whether a group file was opened since the last call (consumed).
    bool takeGroupFileOpened() { return m_replay.takeOpenedReport(); }

    // ---------------------------------------------------------------------
    // Source
    // ---------------------------------------------------------------------

    // Takes a new source for the channel tuned to tuneMHz: closes a replayed
    // group file and copies the record.
    void setRDS(const RDSSource &source, double tuneMHz);

    // A copy of the encoder's source, taken under the read lock (a reference
    // would be read while a setter replaces the record).
    RDSSource source() const;

    // ---------------------------------------------------------------------
    // Scheduling, setters and group builders
    // ---------------------------------------------------------------------

    // Locking: generate and makeGroup run under the read lock, the setters
    // under the write lock. generate is called by one thread only (the board
    // thread of the channel), so the builders advance their counters under
    // the read lock; the lock orders a new source against a slot in progress.

    // One group slot: stream 0 into out0 and each non-null RDS2 stream
    // (mode bits of the source: on, copy of stream 0 with block A 0, or 13
    // zero bytes). Returns 13.
    int generate(u8 out0[13], u8 *out1, u8 *out2, u8 *out3);
    // One group of stream s (under the read lock). Returns 13.
    int makeGroup(u8 out[13], int stream);
    // The rate scheduler: the type 0..15 to build, 32 when a raw group was
    // written into out, -1 when nothing is due. Counts what it chooses.
    int nextGroupType(u8 out[13], int stream);

    // Takes an EON list; entry `changed` is the one the change is about: its
    // TA change arms the 14B burst, and the EON cycle restarts there.
    void setEON(const QList<EON> &eon, int changed);
    // Takes the TMC source named by the RDS source and restarts the sender.
    void setTMC(const TMCSource &tmc);
    // Takes a rate table (32 entries); changed restarts the counters.
    void setRates(const std::array<RDSGroupRate, RDSGroupRate::count> &table, bool changed);
    // Song tags of the playing audio (name -> text); a change flips the
    // RadioText+ item toggle.
    void setSongInfo(const QMap<QString, QString> &tags);
    // A clock time (UTC) for the next stream-0 slot, when group 4 is enabled
    // and the source does not replay group files. Safe from any thread.
    void setCT(const QDateTime &utc);

    // The text a RadioText+ tag stands for now.
    QString tagText(const RTag &tag) const;
    // RadioText or eRT with placeholders and escapes expanded, with the
    // positions made by escapes and the RadioText+ items of that text. Takes
    // the write lock: the expansion cache it fills is the one the builders
    // use under the read lock in the board thread.
    ExpandedText expandTags(const QString &text, int maxDigits) const;

    // Whether the TMC source is linked ("tmcsi" not 0) and in use.
    bool tmcActive() const { return m_src.tmcsi != 0 && m_tmcUsed; }
    // The scheduler state (tests and tools; board thread only).
    const RDSScheduler &scheduler() const { return m_sched; }
    // Clock of the TMC administration interval, milliseconds since the
    // epoch; nullptr restores the system clock (tests and tools).
    void setTimeSource(qint64 (*now)());
    // Replaces the TMC catalogue lookup (tests).
    void setTmcCancelLookup(TMCSender::CancelLookup lookup) { m_tmc.setCancelLookup(lookup); }
    // Per-slot debug lines of the RDS2 streams; off by default.
    static void setStreamDebug(bool on) { RDSScheduler::setStreamDebug(on); }

    // Group builders (board thread, read lock held by the caller).
    u16 psBlockB(int segment) const;
    u16 psChars(int stream = 0);
    void basicGroup(u8 out[13], int stream);        // 0A / 0B
    void slowLabelling(u8 out[13], int stream);     // 1A
    void radioText(u8 out[13], int stream);         // 2A / 2B
    void odaAnnouncement(u8 out[13], int stream);   // 3A
    void clockTime(u8 out[13], const QDateTime &utc); // 4A, stream 0
    void tmcGroup(u8 out[13], int stream);          // 8A
    void ptyName(u8 out[13], int stream);           // 10A
    void eonGroup(u8 out[13], int stream);          // 14A
    void longPS(u8 out[13], int stream);            // 15A
    void fastBasicInfo(u8 out[13], int stream);     // 15B
    void enhancedRadioText(u8 out[13], int stream); // eRT in group `ertg`
    void radioTextPlus(u8 out[13], int stream);     // RT+ in group `rtgrp`

private:
    int m_channel;

    // Working copy of the channel's RDS source (whole record).
    RDSSource m_src;

    // Generator of error injection, one per encoder, values 0..32767.
    std::minstd_rand m_random;

    // Group-file replay state.
    RDSGroupFileReplay m_replay;

    // ---------------------------------------------------------------------
    // Scheduling state and builder counters
    // ---------------------------------------------------------------------

    int makeGroupLocked(u8 out[13], int s);
    int parseGroupLineLocked(u8 out[13], const QByteArray &line);
    int nextGroupTypeLocked(u8 out[13], int s);
    void setRatesLocked(const std::array<RDSGroupRate, RDSGroupRate::count> &table, bool changed);
    bool burst15(u8 out[13]);
    bool burst14(u8 out[13]);
    void writeRawGroup(u8 out[13], int row);
    void prepareTexts();
    void prepareEon();
    QByteArray prepareText(const QString &text) const;
    QByteArray rtBytes(const QString &text);
    QString currentRadioText() const;
    QString currentEnhancedText() const;
    int tmcGap() const;

    // A pthread read/write lock (not recursive), visible to ThreadSanitizer.
    using ReadLock = std::shared_lock<std::shared_mutex>;
    using WriteLock = std::unique_lock<std::shared_mutex>;
    mutable std::shared_mutex m_lock;
    RDSScheduler m_sched;
    RadioTextExpander m_tags;
    TMCSender m_tmc;
    bool m_tmcUsed = false;
    QString m_tmcName;
    qint64 (*m_now)() = nullptr;

    // Pending clock time, ms since the epoch; ctNone when none.
    static constexpr qint64 ctNone = std::numeric_limits<qint64>::min();
    std::atomic<qint64> m_ct{ctNone};

    // Texts as they go on air, prepared when the source changes.
    QByteArray m_psBytes;
    QByteArray m_pnBytes[2]; // pn2 (index 0), pn1 (index 1)
    QByteArray m_lpsBytes;
    QList<QByteArray> m_eonPs;
    QList<QList<u16>> m_eonAf;
    QTextCodec *m_ertCodec = nullptr;

    // Builder counters (64 bit: they also count cycles).
    // The segment counters of every text and the AF position are kept per
    // stream: a receiver of stream 0 sees complete texts in order whatever
    // the RDS2 streams carry.
    qint64 m_psSegs[4] = {};    // PS segment
    qint64 m_psWindows[4] = {}; // PS window start
    qint64 m_fbSegs[4] = {};    // 15B segment
    qint64 m_lpsSegs[4] = {};   // long PS segment
    qint64 m_rtAlts[4] = {}; // alternation of mode 2
    u16 m_rtAB = 0;          // A/B flag in bit 4
    qint64 m_rtSegs[4][2] = {};
    int m_rtIndexes[4] = {}; // 0 rta, 1 rtb
    QByteArray m_rtLast[2];  // last bytes sent per slot
    qint64 m_ertSegs[4] = {};
    int m_ertIndexes[4] = {};  // 0 rtc, 1 rtd
    qint64 m_ptynSegs[4] = {};
    int m_ptynIndexes[4] = {}; // 0 pn2, 1 pn1
    int m_afIndexes[4] = {}; // AF list position per stream
    int m_odaStep = 0;
    int m_eonIndex = 0;
    int m_eonStep = 0;

    // Bursts: group counter (0 = off) and slot counter.
    int m_b15Count = 0;
    qint64 m_b15Slot = 0;
    int m_b14Count = 0;
    qint64 m_b14Slot = 0;
    int m_b14Entry = 0;

    // RadioText+.
    int m_rtpPair = 0;
    int m_rtpToggle = 0;
};
