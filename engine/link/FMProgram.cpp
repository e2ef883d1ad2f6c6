#include "FMProgram.h"

#include "BoardCommand.h"
#include "BoardProtocol.h"
#include "FMBoard.h"
#include "FMSettings.h"
#include "HiResClock.h"
#include "PCMDecoder.h"
#include "RDSEncoder.h"
#include "RDSServer.h"
#include "SetHandler.h"
#include "SetValue.h"

#include <QDateTime>
#include <QHash>
#include <QTime>
#include <QMutexLocker>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr double twoPi = 6.283185307179586;
// Bytes of RDS per second at 1187.5 bit/s, as the monitor times its groups.
constexpr double rdsBytesPerSecond = 148.4375;
constexpr double msPerRdsByte = 6.7368421052631575;
const QString playlistPrefix = QStringLiteral("playlist.");

// A tone sample at `volume` %; a hand-written volume above 100 plays at
// full scale instead of overflowing the 16-bit sample.
qint16 sample(double s, double volume)
{
    return qint16(std::floor(s * qBound(0.0, volume, 100.0) * 327.67));
}

// The samples of a sine tone at `rate` Hz and `volume` %, indexed by the
// phase in 1/rate turns: the values toneFrame computes, made once per rate
// and volume and shared by every channel playing them (any board thread).
std::shared_ptr<const std::vector<qint16>> sineTable(int rate, int volume)
{
    static QMutex mutex;
    static QHash<quint64, std::weak_ptr<const std::vector<qint16>>> tables;
    const quint64 key = quint64(quint32(rate)) << 32 | quint32(volume);
    QMutexLocker lock(&mutex);
    if (auto table = tables.value(key).lock())
        return table;
    auto table = std::make_shared<std::vector<qint16>>(size_t(rate));
    for (int p = 0; p < rate; ++p)
        (*table)[size_t(p)] = sample(std::sin(twoPi * double(p) / rate), volume);
    tables.insert(key, table);
    return table;
}

} // namespace

FMProgram::FMProgram(int channel, const QSharedPointer<FMSettings> &settings, FMBoard *board,
                     ChannelStatus *status)
    : m_board(board), m_index((channel - 1) % BoardProtocol::channelsPerBoard),
      m_record(ChannelRecord::defaults(channel)), m_status(status)
{
    m_pcm = QByteArray(BoardProtocol::pcmDatagramSize, '\0');
    m_playposKey = QStringLiteral("chinfo.%1.playpos").arg(channel);
    m_decoder = new PCMDecoder(channel);
    m_encoder = new RDSEncoder(channel);
    m_server = new RDSServer(channel, this);
    installEventFilter(new SetHandler(this));
    loadSettings(settings, settings ? settings->band() : 0);
}

FMProgram::~FMProgram()
{
    if (m_settings)
        m_settings->unregisterObserver(this);
    delete m_server;
    m_server = nullptr;
    PCMDecoder::dispose(m_decoder);
    delete m_encoder;
}

// ---- Settings ------------------------------------------------------------------------

void FMProgram::setBandFrequencies(int band)
{
    m_plan = BoardWords::synthPlan(band);
}

void FMProgram::registerKey(const QString &key)
{
    if (m_settings)
        m_settings->registerKey(key, this);
}

void FMProgram::unregisterKey(const QString &key)
{
    if (m_settings)
        m_settings->unregisterKey(key, this);
}

void FMProgram::loadSettings(const QSharedPointer<FMSettings> &settings, int band)
{
    // The pump reads everything loaded here: only the board thread may load.
    Q_ASSERT_X(QThread::currentThread() == thread(), "FMProgram::loadSettings", "not in the board thread");
    QMutexLocker lock(&m_mutex);
    setBandFrequencies(band);
    m_server->setSettings(settings);
    if (m_settings)
        m_settings->unregisterObserver(this);
    m_settings = settings;
    m_playlistKey.clear();
    if (!m_settings)
        return;
    m_groupNumber = 0;
    m_pcmNumber = 0;
    m_heldNumber = -1;
    m_silence = false;
    m_record = m_settings->channelInfo(channel());
    m_rdsId = m_record.idrds;
    m_audioId = m_record.idaudio;
    const RDSSource rds = m_settings->rds(m_rdsId);
    applyRds(rds);
    m_tmcId = rds.tmcsi;
    m_encoder->setTMC(m_settings->tmc(m_tmcId));
    m_audio = m_settings->audio(m_audioId);
    m_playText.clear();
    play(m_audio.file);
    m_playText = m_audio.file;
    registerKey(QStringLiteral("play"));
    registerKey(QStringLiteral("channel.%1").arg(channel()));
    if (m_audioId)
        registerKey(QStringLiteral("audio.%1").arg(m_audioId));
    if (m_rdsId)
        registerKey(QStringLiteral("rds.%1").arg(m_rdsId));
    if (m_tmcId)
        registerKey(QStringLiteral("tmc.%1").arg(m_tmcId));
    m_configRepeats = 3;
}

void FMProgram::applyRds(const RDSSource &source)
{
    const u8 bits = m_rdsId ? u8(source.mode & 0x0F) : 0;
    if ((m_encoder->source().mode & 0x0F) != (source.mode & 0x0F) || bits != m_rdsStreamBits)
        m_configRepeats = 3;
    m_rdsStreamBits = bits;
    m_encoder->setRDS(source, m_record.freq);
}

void FMProgram::setValueEvent(SetValue *event)
{
    const QString k = event->key;
    const QVariant v = event->value;
    if (k.startsWith(QLatin1String("rds.")) && k.endsWith(QLatin1String("/name")))
        return;
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        return;
    const bool idrds = k.endsWith(QLatin1String("/idrds"));
    if (idrds) {
        unregisterKey(QStringLiteral("rds.%1").arg(m_rdsId));
        m_rdsId = v.toInt();
        m_record.idrds = m_rdsId;
        if (m_rdsId)
            registerKey(QStringLiteral("rds.%1").arg(m_rdsId));
        m_configRepeats = 2;
    }
    if (idrds || k.startsWith(QLatin1String("rds."))) {
        const RDSSource rds = m_settings->rds(m_rdsId);
        const int eon = k.indexOf(QLatin1String("/eon/"));
        if (eon >= 0) {
            // "rds.N/eon/M", or one of its fields ("rds.N/eon/M/af").
            bool ok = false;
            const uint e = k.mid(eon + 5).section(QLatin1Char('/'), 0, 0).toUInt(&ok);
            if (ok)
                m_encoder->setEON(rds.eon, int(e));
            return;
        }
        if (rds.tmcsi != m_tmcId) {
            unregisterKey(QStringLiteral("tmc.%1").arg(m_tmcId));
            m_tmcId = rds.tmcsi;
            if (m_tmcId)
                registerKey(QStringLiteral("tmc.%1").arg(m_tmcId));
            m_encoder->setTMC(m_settings->tmc(m_tmcId));
        }
        if (channel() == 1)
            qDebug("pr%02d setRDS from [%s] [%s]", channel(), qPrintable(v.toString()), qPrintable(k));
        applyRds(rds);
        return;
    }
    if (k.startsWith(QLatin1String("tmc."))) {
        m_encoder->setTMC(m_settings->tmc(m_settings->rds(m_rdsId).tmcsi));
        return;
    }
    const bool idaudio = k.endsWith(QLatin1String("/idaudio"));
    if (idaudio) {
        unregisterKey(QStringLiteral("audio.%1").arg(m_audioId));
        m_audioId = v.toInt();
        m_record.idaudio = m_audioId;
        if (m_audioId)
            registerKey(QStringLiteral("audio.%1").arg(m_audioId));
    }
    if (k.startsWith(QLatin1String("audio")) || idaudio) {
        if (k.endsWith(QLatin1String("/name")))
            return;
        m_audio = m_settings->audio(m_audioId);
        if (m_audio.file != m_playText) {
            m_playText = m_audio.file;
            play(m_playText);
        }
        return;
    }
    if (k.startsWith(QLatin1String("play."))) {
        const int dot = k.indexOf(QLatin1Char('.'));
        if (k.mid(dot + 1).toInt() == m_playlistId) {
            qDebug("pr%02d %s %d", channel(), qPrintable(k), v.toInt());
            m_decoder->setSong(v.toInt());
        }
        return;
    }
    if (k.startsWith(playlistPrefix)) {
        play(m_playText);
        return;
    }
    if (k.startsWith(QLatin1String("channel"))) {
        m_record = m_settings->channelInfo(channel());
        if (k.endsWith(QLatin1String("/aof")) || k.endsWith(QLatin1String("/att"))
            || k.endsWith(QLatin1String("auto")))
            return;
        if (k.endsWith(QLatin1String("mute")) || k.endsWith(QLatin1String("volm")))
            sendCommand(channelCommand(1));
        else if (k.endsWith(QLatin1String("gain")))
            sendCommand(channelCommand(2));
        else if (k.endsWith(QLatin1String("rate")))
            sendCommand(channelCommand(3));
        else if (k.endsWith(QLatin1String("freq")))
            sendFrequency();
        else
            sendCommand(channelCommand(0));
        return;
    }
    qDebug("pr%02d skip set [%s]", channel(), qPrintable(k));
}

QByteArray FMProgram::channelCommand(int which) const
{
    BoardCommand::ChannelSetup c;
    c.channel = channel();
    c.used = m_record.used;
    c.mono = m_record.mono;
    c.muted = m_record.mute;
    c.rdsStreams = m_rdsId ? m_rdsStreamBits : 0;
    c.emphasis = m_record.emph;
    c.frequency = m_record.freq;
    c.gain = m_record.gain;
    c.deviation = m_record.devi;
    c.volume = qint8(m_record.volm);
    c.sampleRate = sampleRate();
    switch (which) {
    case 1:
        return BoardCommand::volumeCommand(c);
    case 2:
        return BoardCommand::gainCommand(c);
    case 3:
        return BoardCommand::rateCommand(c);
    case 4:
        return BoardCommand::frequencyCommand(c, m_info.boardType, m_plan);
    default:
        return BoardCommand::fullChannelConfig(c, m_info.boardType, m_plan);
    }
}

void FMProgram::sendCommand(QByteArray command)
{
    if (!command.isEmpty())
        m_board->sendAcked(command);
}

void FMProgram::sendFrequency()
{
    sendCommand(channelCommand(4));
    // The AF lists start with the tuning frequency.
    if (m_rdsId)
        applyRds(m_settings->rds(m_rdsId));
}

void FMProgram::sendChannelConfig()
{
    sendCommand(channelCommand(0));
}

void FMProgram::resendConfiguration()
{
    m_configRepeats = qMax(m_configRepeats, 1);
}

void FMProgram::setBand(int band)
{
    setBandFrequencies(band);
    sendChannelConfig();
}

void FMProgram::setBoardInfo(const BoardInfo &info)
{
    m_info = info;
    m_configRepeats = 3;
    if (!m_server->isListening())
        m_server->listen();
}

void FMProgram::setRdsPort(u16 port)
{
    // The board link has given the server this port already (closed): it
    // listens now; the same port again lets one that could not take it try
    // again and leaves a listening one and its client alone.
    m_server->setPort(int(port) - 1);
}

void FMProgram::stopRdsServer()
{
    m_server->stop();
}

bool FMProgram::stop(bool kill)
{
    m_server->stop();
    m_decoder->stop(kill);
    return m_decoder->hasFinished();
}

int FMProgram::sampleRate() const
{
    return m_record.rate == 32000 || m_record.rate == 48000 ? m_record.rate : 44100;
}

// ---- RDS -------------------------------------------------------------------------------

int FMProgram::rdsLevel() const
{
    QMutexLocker lock(&m_mutex);
    return m_status->rdsFill * 2 / 13 + (m_ringCount & ~1);
}

bool FMProgram::addRemoteRds(QByteArray &line, int &level)
{
    QMutexLocker lock(&m_mutex);
    m_remote = !line.isEmpty();
    level = m_status->rdsFill * 2 / 13 + m_ringCount;
    if (line.isEmpty())
        return false;
    if (m_ringCount >= ringSize) {
        line = "full";
        return false;
    }
    if (!m_record.used) {
        line = "offline";
        return false;
    }
    if (m_encoder->parseGroupLine(m_ring[m_ringWrite], line) != 13) {
        line = "noRDS";
        return false;
    }
    m_ringWrite = (m_ringWrite + 1) % ringSize;
    ++m_ringCount;
    return true;
}

void FMProgram::fillRDS()
{
    if (m_configRepeats > 0) {
        --m_configRepeats;
        sendChannelConfig();
        return;
    }
    sendGroups();
}

void FMProgram::sendGroups()
{
    QMutexLocker lock(&m_mutex);
    if (m_settings && m_decoder->hasNewSongs())
        m_settings->setSongInfo(m_decoder->takeSongs());
    if (!m_record.used || (m_ringCount <= 1 && !m_rdsId) || (m_remote && m_ringCount <= 1))
        return;

    int level = m_status->rdsFill * 2;
    const int limit = qMin<int>(2 * int(m_info.rdsSize), streamBytes);
    if (level + 26 > limit)
        return; // no room for a group pair: most ticks end here, before the clocks are read
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QTime t = now.time();
    HiResClock::restart();

    const bool four = BoardProtocol::useFourStreams(m_info.version, m_rdsStreamBits);
    struct Sent
    {
        int slot;
        int level;
    };
    Sent sent[maxGroupsPerTurn];
    int g = 0;
    int fromRing = 0;
    bool failed = false;
    while ((g & 1) || (g < maxGroupsPerTurn && level + 26 <= limit)) {
        if (m_remote && !(g & 1) && m_ringCount < 2)
            break;
        level += 13;
        const double s = t.second() + level / rdsBytesPerSecond + t.msec() * 0.001;
        if (m_ringCount == 0 && s >= 59.9 && s < 60.08) {
            const qint64 mono = qint64(HiResClock::now() * 1000.0);
            if (m_lastCTms == qint64(-1) || mono - m_lastCTms >= 43000) {
                m_lastCTms = mono;
                m_encoder->setCT(now.addSecs(6));
            }
        }
        u8 *slot0 = m_streams[0] + 13 * g;
        if (m_ringCount > 0) {
            const int index = (m_ringWrite - m_ringCount + ringSize) % ringSize;
            std::memcpy(slot0, m_ring[index], 13);
            --m_ringCount;
            ++fromRing;
            qDebug("pr%02d remote rds out %d", channel(), index);
            // Streams 1 to 3 carry the encoder's own RDS2 groups meanwhile.
            if (four) {
                u8 scratch[13];
                if (m_encoder->generate(scratch, m_streams[1] + 13 * g, m_streams[2] + 13 * g,
                                        m_streams[3] + 13 * g) != 13) {
                    failed = true;
                    break;
                }
            }
        } else {
            const bool ok = four ? m_encoder->generate(slot0, m_streams[1] + 13 * g, m_streams[2] + 13 * g,
                                                       m_streams[3] + 13 * g) == 13
                                 : m_encoder->generate(slot0, nullptr, nullptr, nullptr) == 13;
            if (!ok) {
                failed = true;
                break;
            }
            publishReplay();
        }
        sent[g] = {g, level};
        ++g;
    }
    if (!failed && g > 0) {
        const u8 *const streams[4] = {m_streams[0], m_streams[1], m_streams[2], m_streams[3]};
        failed = m_board->sendRDS(u8(m_index), streams, g * 13, m_rdsStreamBits) <= 0;
    }
    if (failed) {
        // The remote groups wait for the next turn.
        m_ringCount += fromRing;
        return;
    }
    if ((g & 1) || (level & 1))
        qDebug("boom");
    m_status->rdsFill = u16(level / 2);
    for (int i = 0; i < g; ++i) {
        ++m_groupNumber;
        if (m_settings)
            m_settings->notifyRdsLog(channel(), m_rdsId, int(m_groupNumber), 0,
                                     t.addMSecs(int(sent[i].level * msPerRdsByte)),
                                     m_streams[0] + 13 * sent[i].slot);
    }
}

void FMProgram::publishReplay()
{
    if (!m_settings)
        return;
    const QString replay = m_encoder->replayFileName();
    if (m_encoder->takeGroupFileOpened())
        m_settings->notify(QStringLiteral("chinfo.%1.rdslog.%2").arg(channel()).arg(m_rdsId),
                           QStringLiteral("# Kanal %1 -").arg(channel()) + replay);
    if (replay != m_lastReplay) {
        m_lastReplay = replay;
        m_settings->notify(QStringLiteral("channel.%1.rds").arg(channel()), replay);
    }
}

// ---- PCM -------------------------------------------------------------------------------

void FMProgram::toneFrame(const AudioSource &source, qint64 n, int rate, qint16 *left, qint16 *right)
{
    if (rate <= 0)
        rate = 44100;
    if (source.type == AudioSource::Ramp) {
        const qint64 period = qint64(source.time ? source.time : 1) * rate;
        const qint64 p = ((n % period) + period) % period;
        const double a = double(p) / double(period);
        const double f = source.frq1 + (double(source.frq2) - source.frq1) * a;
        const double v = source.vol1 + (double(source.vol2) - source.vol1) * a;
        // f * p / rate turns, reduced to the fraction of one turn.
        const double turns = f * double(p) / rate;
        const qint16 s = sample(std::sin(twoPi * (turns - std::floor(turns))), v);
        *left = *right = s;
        return;
    }
    // Whole turns dropped exactly: n * f mod rate counts the phase in 1/rate turns.
    const qint64 p1 = (n % rate) * source.frq1 % rate;
    const qint64 p2 = (n % rate) * source.frq2 % rate;
    *left = sample(std::sin(twoPi * double(p1) / rate), source.vol1);
    *right = sample(std::sin(twoPi * double(p2) / rate), source.vol2);
}

// toneFrame's sine for `frames` frames from frame n, from the tables: the
// phase of frame n + 1 is that of frame n plus the frequency, modulo the rate.
void FMProgram::sineFrames(qint64 n, int rate, qint16 *samples, int frames)
{
    const int volumes[2] = {m_audio.vol1, m_audio.vol2};
    for (int c = 0; c < 2; ++c) {
        if (m_sineRate[c] != rate || m_sineVolume[c] != volumes[c] || !m_sine[c]) {
            m_sine[c] = sineTable(rate, volumes[c]);
            m_sineRate[c] = rate;
            m_sineVolume[c] = volumes[c];
        }
    }
    const qint16 *left = m_sine[0]->data();
    const qint16 *right = m_sine[1]->data();
    const int step1 = m_audio.frq1 % rate;
    const int step2 = m_audio.frq2 % rate;
    int p1 = int((n % rate) * m_audio.frq1 % rate);
    int p2 = int((n % rate) * m_audio.frq2 % rate);
    for (int i = 0; i < frames; ++i) {
        samples[2 * i] = left[p1];
        samples[2 * i + 1] = right[p2];
        p1 += step1;
        p1 -= p1 >= rate ? rate : 0;
        p2 += step2;
        p2 -= p2 >= rate ? rate : 0;
    }
}

int FMProgram::buildPcm()
{
    char *data = m_pcm.data();
    qint16 *samples = reinterpret_cast<qint16 *>(data + BoardProtocol::dataHeaderSize);
    const int frames = BoardProtocol::pcmFramesPerDatagram;
    if (!m_record.used || !m_audioId) {
        std::memset(samples, 0, BoardProtocol::silenceFrames * 4);
        BoardProtocol::writeDataHeader(data, BoardProtocol::PcmData, u16(m_index), BoardProtocol::formatStereo,
                                       BoardProtocol::silenceFrames);
        m_silence = true;
        m_heldFrames = BoardProtocol::silenceFrames;
        return BoardProtocol::silenceFrames * 4;
    }
    if (m_audio.type == AudioSource::Sine || m_audio.type == AudioSource::Ramp) {
        const qint64 n = m_pcmNumber * frames;
        const int rate = sampleRate();
        if (m_audio.type == AudioSource::Sine)
            sineFrames(n, rate, samples, frames);
        else
            for (int i = 0; i < frames; ++i)
                toneFrame(m_audio, n + i, rate, &samples[2 * i], &samples[2 * i + 1]);
        for (int i = 0; i < 2 * frames; ++i)
            samples[i] = qToLittleEndian(samples[i]);
        BoardProtocol::writeDataHeader(data, BoardProtocol::PcmData, u16(m_index), BoardProtocol::formatStereo,
                                       u16(frames));
        m_silence = false;
        m_heldFrames = frames;
        return frames * 4;
    }
    u8 silence = m_silence ? 1 : 0;
    int bytes = m_decoder->readSamples(samples, 1024, &silence);
    if (bytes <= 0)
        return 0;
    if (bytes <= 512)
        bytes += qMax(0, m_decoder->readSamples(samples + bytes / 2, 1024 - bytes, &silence));
    m_silence = silence != 0;
    takeSong();
    const bool mono = m_song.channels == 1;
    m_heldFrames = mono ? bytes / 2 : bytes / 4;
    BoardProtocol::writeDataHeader(data, BoardProtocol::PcmData, u16(m_index),
                                   mono ? BoardProtocol::formatMono : BoardProtocol::formatStereo,
                                   u16(m_heldFrames));
    return mono ? m_heldFrames * 2 : m_heldFrames * 4;
}

void FMProgram::takeSong()
{
    // Between changes of the song only its play position moves: nothing is
    // copied, and the position is broadcast when it changes.
    const quint32 version = m_decoder->songVersion();
    const int lastPosition = m_song.position;
    if (version != m_songVersion || m_songStale) {
        m_songVersion = version;
        m_songStale = false;
        const SongInfo song = m_decoder->songInfo();
        if ((song.file != m_song.file || song.decoder != m_song.decoder || song.sampleRate != m_song.sampleRate)
            && m_settings)
            m_settings->setPlayInfo(channel(), song);
        if (song.tags != m_song.tags)
            m_encoder->setSongInfo(song.tags);
        m_song = song;
    } else {
        m_song.position = m_decoder->playPosition(m_song);
    }
    if (m_song.position != lastPosition && m_settings)
        m_settings->notify(m_playposKey, m_song.position);
}

void FMProgram::fillPCM()
{
    // Datagrams of this program the kernel refused go first at this tick and
    // count among its four.
    pcmLoop(4 - m_board->pcmWaiting(m_index));
}

void FMProgram::pcmLoop(int maxDatagrams)
{
    if (maxDatagrams <= 0 || (m_silence && !(m_record.used && m_audioId)))
        return;
    int sent = 0;
    while (int(m_status->pcmFill) + 2 * 256 < int(m_info.pcmSize)) {
        if (m_heldNumber != m_pcmNumber) {
            const int bytes = buildPcm();
            if (bytes == 0)
                return;
            m_pcmBytes = bytes;
            m_heldNumber = m_pcmNumber;
        }
        if (m_board->sendRaw(m_pcm.constData(), m_pcmBytes + BoardProtocol::dataHeaderSize, m_index) <= 0)
            return;
        m_status->pcmFill = u16(qMin(0xFFFF, m_status->pcmFill + m_heldFrames));
        ++m_pcmNumber;
        if (m_silence || ++sent >= maxDatagrams)
            return;
    }
}

void FMProgram::play(const QString &text)
{
    QStringList list;
    int number = -1;
    // Only "playlist." and a number names a playlist; any other text is a file.
    if (text.startsWith(playlistPrefix)) {
        bool ok = false;
        number = text.mid(playlistPrefix.size()).toInt(&ok);
        if (ok && m_settings)
            list = m_settings->playlistFiles(number);
    }
    if (!text.isEmpty())
        qDebug("pr%02d play [%s] %d", channel(), qPrintable(text), int(list.size()));
    if (!list.isEmpty()) {
        m_playlistId = number;
        if (!m_playlistKey.isEmpty())
            unregisterKey(m_playlistKey);
        m_playlistKey = text;
        registerKey(m_playlistKey);
    } else {
        m_playlistId = -1;
        // A playlist emptied for now stays watched; one the channel no longer
        // plays does not.
        if (!m_playlistKey.isEmpty() && m_playlistKey != text) {
            unregisterKey(m_playlistKey);
            m_playlistKey.clear();
        }
        if (!text.isEmpty())
            list << text;
    }
    m_decoder->setPlaylist(list);
    if (m_settings) {
        // Cleared here, the play information comes back with the next datagram,
        // also when the list was the same and the decoder publishes nothing new.
        m_song.file.clear();
        m_songStale = true;
        m_settings->setPlayInfo(channel(), SongInfo());
        m_settings->notify(QStringLiteral("songinfo"), QString());
    }
}

void FMProgram::testPCM()
{
    m_info.pcmSize = 65535;
    m_status->pcmFill = m_status->pcmFill > 5512 ? u16(m_status->pcmFill - 5512) : 0;
    pcmLoop(4);
}
