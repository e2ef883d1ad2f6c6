#include "RDSEncoder.h"

#include "RDSCharset.h"
#include "RDSGroupLine.h"

#include <QDateTime>
#include <QTextCodec>

RDSEncoder::RDSEncoder(int channel)
    : m_channel(channel)
    , m_random(static_cast<std::minstd_rand::result_type>(
          QDateTime::currentMSecsSinceEpoch() ^ (static_cast<qint64>(channel) << 20)))
{
    // eRT starts with the UTF-8 codec; a source with an empty "enc" keeps it.
    m_ertCodec = QTextCodec::codecForName("UTF-8");
}

// ---------------------------------------------------------------------------
// Group coding
// ---------------------------------------------------------------------------

void RDSEncoder::assembleGroup(u8 out[13], u16 b, u16 c, u16 d, bool noPI)
{
    RDSBlocks blocks;
    blocks.info[RDSBlocks::A] = noPI ? 0 : m_src.pi;
    blocks.info[RDSBlocks::B] = b;
    blocks.info[RDSBlocks::C] = c;
    blocks.info[RDSBlocks::D] = d;
    addCheckwords(blocks);
    finishGroup(out, blocks);
}

void RDSEncoder::finishGroup(u8 out[13], RDSBlocks &blocks)
{
    finishRdsGroup(out, blocks, errorSettings(), m_random);
}

RDSErrorSettings RDSEncoder::errorSettings() const
{
    return RDSErrorSettings{m_src.err, m_src.ber, m_src.fix};
}

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

QByteArray RDSEncoder::toRdsBytes(const QString &text, const QList<int> &keep, bool bom) const
{
    return rdsTextBytes(text, keep, bom, m_src.crt);
}

// ---------------------------------------------------------------------------
// Group text lines and group-file replay
// ---------------------------------------------------------------------------

int RDSEncoder::parseGroupLine(u8 out[13], const QByteArray &line)
{
    ReadLock lock(m_lock);
    return parseGroupLineLocked(out, line);
}

int RDSEncoder::parseGroupLineLocked(u8 out[13], const QByteArray &line)
{
    return parseRdsGroupLine(out, line, errorSettings(), m_random);
}

void RDSEncoder::openNextGroupFile()
{
    m_replay.openNext(m_src.files);
}

bool RDSEncoder::replayGroup(u8 out[13])
{
    if (!m_src.fused)
        return false;
    if (!m_replay.hasData())
        openNextGroupFile();
    m_replay.beginTurn();
    QByteArray line;
    for (int n = 0; n < RDSGroupFileReplay::linesPerTurn && m_replay.nextLine(line); ++n) {
        if (parseGroupLineLocked(out, line) == RDSGroup::size)
            return true;
    }
    return false;
}

QString RDSEncoder::replayFileName() const
{
    return m_src.fused ? m_replay.fileName() : QString();
}

RDSSource RDSEncoder::source() const
{
    ReadLock lock(m_lock);
    return m_src;
}

// setRDS and the other setters: RDSEncoderSchedule.cpp.
