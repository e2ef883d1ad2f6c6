#include "SimChannel.h"

#include "BoardWords.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Drains `fill` by `amount`; true when it ran empty in doing so.
bool drain(double &fill, double amount)
{
    if (fill <= 0.0)
        return false;
    fill -= amount;
    if (fill > 0.0)
        return false;
    fill = 0.0;
    return true;
}

// Adds `amount`; true when the FIFO overflowed (the excess is lost).
bool fillUp(double &fill, double amount, int capacity)
{
    fill += amount;
    if (fill <= capacity)
        return false;
    fill = capacity;
    return true;
}

u16 reportFill(double fill)
{
    return u16(qBound(0.0, std::floor(fill), 65535.0));
}

} // namespace

void SimChannel::reset(double now)
{
    const int pcmCapacity = m_pcmCapacity, rdsCapacity = m_rdsCapacity;
    *this = SimChannel();
    m_pcmCapacity = pcmCapacity;
    m_rdsCapacity = rdsCapacity;
    m_last = now;
}

void SimChannel::setCapacity(int pcmFrames, int rdsWords)
{
    m_pcmCapacity = qMax(0, pcmFrames);
    m_rdsCapacity = qMax(0, rdsWords);
}

void SimChannel::clearCounters()
{
    pcmDatagrams = 0;
    pcmFrames = 0;
    silentDatagrams = 0;
    rdsDatagrams = 0;
    fourStreamDatagrams = 0;
    std::fill(std::begin(groups), std::end(groups), 0);
    rejected = 0;
    m_pcmOverflows = m_pcmUnderruns = m_rdsOverflows = m_rdsUnderruns = 0;
    pcm.clear();
    rds.clear();
}

int SimChannel::sampleRate() const
{
    return BoardWords::sampleRateOfCode(config.rateCode);
}

void SimChannel::advanceTo(double now)
{
    const double dt = now - m_last;
    if (dt <= 0.0)
        return;
    m_last = now;
    if (drain(m_pcmFill, dt * sampleRate()))
        ++m_pcmUnderruns;
    if (drain(m_rdsFill, dt * rdsWordsPerSecond))
        ++m_rdsUnderruns;
}

void SimChannel::receivePcm(double now, int frames)
{
    advanceTo(now);
    if (fillUp(m_pcmFill, frames, m_pcmCapacity))
        ++m_pcmOverflows;
}

void SimChannel::receiveRds(double now, int wordsPerStream)
{
    advanceTo(now);
    if (fillUp(m_rdsFill, wordsPerStream, m_rdsCapacity))
        ++m_rdsOverflows;
}

void SimChannel::overrideLevel(u32 raw)
{
    m_levelOverride = true;
    m_rawLevel = raw;
}

void SimChannel::clearLevelOverride()
{
    m_levelOverride = false;
}

u32 SimChannel::rawLevel() const
{
    if (m_levelOverride)
        return m_rawLevel;
    if (!config.used)
        return 0;
    // Full scale (0 dB) is 29967428.267; the level follows the gain.
    const double g = config.gainWord / 65535.0;
    return u32(std::lround(29967428.267 * g * g));
}

BoardProtocol::StatusEntry SimChannel::statusEntry() const
{
    return {reportFill(m_pcmFill), reportFill(m_rdsFill), flags, rawLevel()};
}

void SimChannel::capturePcm(double at, bool stereo, const QVector<qint16> &samples)
{
    if (pcm.size() < pcmCaptureLimit)
        pcm.append({at, stereo, samples});
}

void SimChannel::captureGroups(double at, const QVector<QByteArray> &streams)
{
    for (int s = 0; s < streams.size(); ++s) {
        const QByteArray &bytes = streams[s];
        for (int o = 0; o + RDSGroup::size <= bytes.size() && rds.size() < rdsCaptureLimit; o += RDSGroup::size) {
            GroupCapture c;
            c.at = at;
            c.stream = s;
            std::memcpy(c.group.bytes, bytes.constData() + o, RDSGroup::size);
            rds.append(c);
        }
    }
}

QVector<RDSGroup> SimChannel::capturedGroups(int stream) const
{
    QVector<RDSGroup> out;
    for (const GroupCapture &c : rds)
        if (c.stream == stream)
            out.append(c.group);
    return out;
}
