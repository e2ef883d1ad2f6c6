#pragma once

#include "BoardProtocol.h"
#include "RDSGroup.h"
#include "Types.h"

#include <QVector>

// One of the 24 channels of the simulated board: the words its commands set,
// its PCM and RDS FIFOs, its counters and, on request, what it received.
//
// The FIFOs fill with what arrives and drain in real time: PCM at the
// channel's sample rate, RDS at 1187.5 bit/s (74.21875 16-bit words per
// second). Time is passed in by the owner (seconds on any monotonic scale),
// so the model can also be driven by hand.
//
// A plain value object, used from the thread of its SimBoard.
class SimChannel
{
public:
    static constexpr double rdsWordsPerSecond = 1187.5 / 16.0;
    // Captures stop growing here: about 23 s of 44.1 kHz stereo, and
    // 100000 groups (some 20 minutes of one stream).
    static constexpr int pcmCaptureLimit = 4096;    // datagrams
    static constexpr int rdsCaptureLimit = 100000; // groups

    // The words of the last commands, as the board holds them.
    struct Config
    {
        bool used = false;
        bool stereo = true;
        u8 rdsStreams = 0;
        u8 emphasis = 0;
        u32 frequencyWord = 0;
        u8 synth = 0;
        u16 gainWord = 0;
        u16 deviationWord = 0;
        u16 volumeWord = 0;
        u8 rateCode = 1;
    };

    struct PcmCapture
    {
        double at = 0;   // arrival time, seconds
        bool stereo = true;
        QVector<qint16> samples;
    };

    struct GroupCapture
    {
        double at = 0;
        int stream = 0;
        RDSGroup group;
    };

    // Empties the FIFOs (start at `now`), clears configuration, counters and captures.
    void reset(double now);
    void setCapacity(int pcmFrames, int rdsWords);
    // Zeroes the data counters, overflow and underrun counts and captures.
    void clearCounters();

    Config config;
    int commands = 0; // commands applied to this channel

    int sampleRate() const;

    // Drains the FIFOs up to `now`.
    void advanceTo(double now);
    void receivePcm(double now, int frames);
    void receiveRds(double now, int wordsPerStream);

    double pcmFill() const { return m_pcmFill; }
    double rdsFill() const { return m_rdsFill; }
    int pcmOverflows() const { return m_pcmOverflows; }
    int pcmUnderruns() const { return m_pcmUnderruns; }
    int rdsOverflows() const { return m_rdsOverflows; }
    int rdsUnderruns() const { return m_rdsUnderruns; }

    // Counters of accepted data.
    int pcmDatagrams = 0;
    qint64 pcmFrames = 0;
    int silentDatagrams = 0; // PCM datagrams of nothing but zeros
    int rdsDatagrams = 0;
    int fourStreamDatagrams = 0;
    qint64 groups[BoardProtocol::rdsStreams] = {};
    int rejected = 0;        // datagrams for this channel that failed the checks

    // Status word and level reported for the channel. Without an override
    // the level follows the gain word while the channel is used.
    u16 flags = 0;
    void overrideLevel(u32 raw);
    void clearLevelOverride();
    u32 rawLevel() const;
    BoardProtocol::StatusEntry statusEntry() const;

    // Captures, filled only while the board captures.
    QVector<PcmCapture> pcm;
    QVector<GroupCapture> rds;
    void capturePcm(double at, bool stereo, const QVector<qint16> &samples);
    void captureGroups(double at, const QVector<QByteArray> &streams);
    // The captured groups of one stream, in arrival order.
    QVector<RDSGroup> capturedGroups(int stream) const;

private:
    double m_last = 0;
    double m_pcmFill = 0;
    double m_rdsFill = 0;
    int m_pcmCapacity = 0;
    int m_rdsCapacity = 0;
    int m_pcmOverflows = 0;
    int m_pcmUnderruns = 0;
    int m_rdsOverflows = 0;
    int m_rdsUnderruns = 0;
    bool m_levelOverride = false;
    u32 m_rawLevel = 0;
};
