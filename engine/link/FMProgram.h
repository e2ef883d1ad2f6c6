#pragma once

#include "AudioSource.h"
#include "BoardInfo.h"
#include "BoardWords.h"
#include "ChannelRecord.h"
#include "ChannelStatus.h"
#include "Observer.h"
#include "RDSSource.h"
#include "SongInfo.h"
#include "Types.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <memory>
#include <vector>

class FMBoard;
class FMSettings;
class PCMDecoder;
class RDSEncoder;
class RDSServer;

// The program of one FM channel, living in its board's thread: it reads the
// channel's settings from the project and keeps them current by observing
// keys, sends the channel configuration as acknowledged commands, and makes
// the channel's share of the board stream: PCM from a tone, a sweep or its
// decoder thread, RDS from its encoder or from groups received by its RDS
// data server. What it plays and sends is published as status keys.
//
// Threads: everything runs in the board thread, including loadSettings
// (the board link calls it there) and the RDS data server. The program
// mutex guards the RDS input ring and the settings-driven state. The decoder
// is reached through its own locked operations, the encoder through its
// setters.
class FMProgram : public QObject, public Observer
{
    Q_OBJECT
public:
    static constexpr int ringSize = 128;
    static constexpr int streamBytes = 260;
    // At most this many groups per stream go into one RDS datagram.
    static constexpr int maxGroupsPerTurn = 6;
    // The largest RDS datagram one turn can send: header and six groups on
    // four streams.
    static constexpr int maxRdsDatagram = 8 + 4 * maxGroupsPerTurn * 13;
    static constexpr int maxPcmPerTurn = 4 * 1032;

    FMProgram(int channel, const QSharedPointer<FMSettings> &settings, FMBoard *board,
              ChannelStatus *status);
    ~FMProgram() override;

    int channel() const { return m_record.ch; }

    // Board thread.
    void loadSettings(const QSharedPointer<FMSettings> &settings, int band);
    void setValueEvent(SetValue *event) override;
    void setBand(int band);
    void setBoardInfo(const BoardInfo &info);
    void setRdsPort(u16 port);
    void stopRdsServer();
    // Stops the RDS server and the decoder; true once the decoder thread ended.
    bool stop(bool kill);
    void fillPCM();
    void fillRDS();
    void sendChannelConfig();
    // Commands of this channel were lost: the full configuration goes once more.
    void resendConfiguration();
    int sampleRate() const;
    int rdsLevel() const;
    // One text line of the RDS data input: true when a group went into the
    // ring; otherwise the line is replaced by the reason ("full", "offline",
    // "noRDS"; empty for an empty line, which marks the input idle).
    bool addRemoteRds(QByteArray &line, int &level);
    // A file path, or "playlist." and a playlist number.
    void play(const QString &text);
    // Channel configuration repeats still to send before RDS (tests).
    int configRepeats() const { return m_configRepeats; }
    RDSServer *rdsServer() const { return m_server; }
    RDSEncoder *encoder() const { return m_encoder; }

    // One tone or sweep sample pair for frame `n` (64-bit) of a source at
    // `rate` Hz; exact at any air time.
    static void toneFrame(const AudioSource &source, qint64 n, int rate, qint16 *left,
                          qint16 *right);

public slots:
    void testPCM();

private:
    void setBandFrequencies(int band);
    void applyRds(const RDSSource &source);
    void registerKey(const QString &key);
    void unregisterKey(const QString &key);
    void sendCommand(QByteArray command);
    void sendFrequency();
    void sendGroups();
    void publishReplay();
    int buildPcm();
    void sineFrames(qint64 n, int rate, qint16 *samples, int frames);
    void pcmLoop(int maxDatagrams);
    void takeSong();
    QByteArray channelCommand(int which) const;

    QSharedPointer<FMSettings> m_settings;
    FMBoard *m_board;
    int m_index;                     // place on the board, 0..23
    ChannelRecord m_record;
    AudioSource m_audio;
    PCMDecoder *m_decoder = nullptr;
    RDSEncoder *m_encoder = nullptr;
    RDSServer *m_server = nullptr;
    mutable QMutex m_mutex;          // program mutex
    ChannelStatus *m_status;
    BoardInfo m_info;
    BoardWords::SynthPlan m_plan{93, 103, 98};
    int m_configRepeats = 0;
    QByteArray m_pcm;                // the datagram held for sending
    u8 m_streams[4][streamBytes] = {};
    qint64 m_pcmNumber = 0;          // datagrams sent
    qint64 m_heldNumber = -1;        // number of the datagram in m_pcm
    int m_heldFrames = 0;
    int m_pcmBytes = 0;              // data bytes of the held datagram
    qint64 m_groupNumber = 0;
    bool m_silence = false;
    QString m_playlistKey;
    QString m_playText;
    SongInfo m_song;
    quint32 m_songVersion = 0;  // the decoder's song version m_song was taken at
    bool m_songStale = true;    // m_song is to be taken again whatever the version
    QString m_playposKey;       // "chinfo.N.playpos"
    qint64 m_lastCTms = -1;          // monotonic ms of the last clock-time request
    QString m_lastReplay;
    u8 m_ring[ringSize][13] = {};
    int m_ringWrite = 0;
    int m_ringCount = 0;
    bool m_remote = false;
    int m_playlistId = -1;
    int m_rdsId = 0;
    int m_audioId = 0;
    int m_tmcId = 0;
    u8 m_rdsStreamBits = 0;
    // The sine tables of the left and right tone, with the rate and volume they were made for.
    std::shared_ptr<const std::vector<qint16>> m_sine[2];
    int m_sineRate[2] = {0, 0};
    int m_sineVolume[2] = {-1, -1};
};
