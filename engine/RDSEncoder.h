#pragma once

#include "RDSCoding.h"
#include "RDSGroup.h"
#include "RDSGroupFileReplay.h"
#include "RDSSource.h"
#include "Types.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <random>

// The RDS/RDS2 group encoder of one channel.
//
// Threads: owned by the channel program and used in its board thread only
// (generate, setters, group-file replay). parseGroupLine is also called by the
// channel program for the RDS data input, in the same board thread.
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

    // 13 when the line held a group (written to out), else 0.
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

    // The encoder's copy of the source.
    const RDSSource &source() const { return m_src; }

    // ---------------------------------------------------------------------
    // Scheduling, setters and group builders
    // ---------------------------------------------------------------------

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
};
