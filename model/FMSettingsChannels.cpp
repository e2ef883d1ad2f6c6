#include "FMSettings.h"

#include "ClampedValue.h"
#include "RecordText.h"


#include <climits>
#include <cmath>

namespace {

constexpr int channelsPerBoard = 24;
constexpr int maxChannel = 96;
// Distance of a channel that is alone on the band, MHz.
constexpr double loneDistance = 100.0;

// Keys of a channel group, in the order they are read.
constexpr const char *channelKeys[] = {"used", "mute", "mono", "freq", "gain", "volm", "devi",
                                       "emph", "rate", "auto", "aof", "att", "idaudio", "idrds"};
constexpr int channelKeyCount = int(sizeof(channelKeys) / sizeof(channelKeys[0]));

QString channelKey(int ch, const char *key)
{
    return QStringLiteral("channel.%1/").arg(ch) + QLatin1String(key);
}

bool readBool(const QVariant &v, bool fallback)
{
    return v.isValid() ? RecordText::boolean(v) : fallback;
}

int readInt(const QVariant &v, int fallback, int lo = INT_MIN, int hi = INT_MAX)
{
    return int(ClampedValue::toInt(v, fallback, lo, hi));
}

QString boolText(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

QString mhzText(double mhz)
{
    return QString::number(mhz, 'f', 3);
}

// True when the stored value reads as exactly this integer.
bool storedAs(const QVariant &stored, int expected)
{
    if (!stored.isValid())
        return false;
    bool ok = false;
    const int n = RecordText::text(stored).trimmed().toInt(&ok);
    return ok && n == expected;
}

} // namespace

ChannelRecord FMSettings::channelInfo(int ch) const
{
    ChannelRecord r = ChannelRecord::defaults(ch);
    // One span under the store's read lock, so that a record is never half
    // old and half new.
    const QList<QVariant> v = withReadLock([ch](const QSettings &ini) {
        QList<QVariant> values;
        for (const char *key : channelKeys)
            values.append(ini.value(channelKey(ch, key)));
        return values;
    });
    Q_ASSERT(v.size() == channelKeyCount);
    r.used = readBool(v[0], r.used);
    r.mute = readBool(v[1], r.mute);
    r.mono = readBool(v[2], r.mono);
    r.freq = ClampedValue::toDouble(v[3], r.freq);
    r.gain = qint8(readInt(v[4], r.gain, -128, 127));
    r.volm = u8(readInt(v[5], r.volm, 0, 255));
    r.devi = readInt(v[6], r.devi);
    r.emph = readInt(v[7], r.emph);
    r.rate = readInt(v[8], r.rate);
    r.autoRate = readBool(v[9], r.autoRate);
    r.aof = ClampedValue::toDouble(v[10], 0.0) / 100.0;
    r.att = RecordText::text(v[11]);
    r.idaudio = readInt(v[12], 0);
    r.idrds = readInt(v[13], 0);
    return r;
}

void FMSettings::setChannelConfig(int ch, const ChannelRecord &record)
{
    if (ch < 1 || ch > maxChannel)
        return;
    setValue(channelKey(ch, "mono"), boolText(record.mono), true);
    setValue(channelKey(ch, "devi"), QString::number(record.devi), true);
    setValue(channelKey(ch, "emph"), QString::number(record.emph), true);
    setValue(channelKey(ch, "rate"), QString::number(record.rate), true);
    setValue(channelKey(ch, "auto"), boolText(record.autoRate), true);
    setValue(channelKey(ch, "aof"), QString::number(ChannelRecord::aofToStored(record.aof)), true);
    setValue(channelKey(ch, "att"), record.att, true);
}

void FMSettings::setChannelFreq(int ch, double freq, bool used)
{
    if (ch < 1 || ch > boards.load() * channelsPerBoard)
        return;
    if (freq == 0.0 || !std::isfinite(freq)) {
        // No frequency given: the channel keeps the one it has, and the
        // distances use that instead of 0 MHz.
        freq = channelInfo(ch).freq;
    } else {
        setValue(channelKey(ch, "freq"), mhzText(freq), true);
    }

    WriteLock locker(recordLock);
    if (!used) {
        if (channelFreqs.remove(ch) > 0)
            updateDistances();
        return;
    }
    const auto it = channelFreqs.constFind(ch);
    if (it != channelFreqs.cend() && *it == freq)
        return;
    channelFreqs.insert(ch, freq);
    updateDistances();
}

void FMSettings::setBoard(int &band, int &attn)
{
    applyBoard(band, attn, true);
}

void FMSettings::applyBoard(int &band, int &attn, bool markDirty)
{
    WriteLock locker(recordLock);
    band = qBound(0, band, 2);
    attn = qBound(-31, attn, 0);
    curBand = band;
    curAttn = attn;

    bool fileChanged = false;
    if (!storedAs(rawValue(QStringLiteral("board/attn")), attn)) {
        writeRaw(QStringLiteral("board/attn"), QString::number(attn));
        notify(QStringLiteral("board.attn"), attn);
        fileChanged = true;
    }
    if (!storedAs(rawValue(QStringLiteral("board/band")), band)) {
        writeRaw(QStringLiteral("board/band"), QString::number(band));
        notify(QStringLiteral("board.band"), band);
        fileChanged = true;
    }
    if (fileChanged && markDirty)
        dirty = true;
    setFreqRange(band);
}

void FMSettings::broadcastDistances()
{
    QMap<int, double> dists;
    {
        ReadLock locker(recordLock);
        dists = channelDists;
    }
    for (auto it = dists.cbegin(); it != dists.cend(); ++it)
        notify(QStringLiteral("chinfo.%1.dist").arg(it.key()), mhzText(it.value()));
}

void FMSettings::refreshChannelFreqs()
{
    const int last = boards.load() * channelsPerBoard;
    QMap<int, double> used;
    for (int ch = 1; ch <= last; ++ch) {
        const ChannelRecord r = channelInfo(ch);
        if (r.used)
            used.insert(ch, r.freq);
    }

    WriteLock locker(recordLock);
    bool added = false;
    for (auto it = used.cbegin(); it != used.cend(); ++it) {
        if (!channelFreqs.contains(it.key())) {
            channelFreqs.insert(it.key(), it.value());
            added = true;
        }
    }
    if (added)
        updateDistances();
}

void FMSettings::followChannels(const QList<int> &channels)
{
    const int last = boards.load() * channelsPerBoard;
    QList<ChannelRecord> records;
    for (int ch : channels) {
        if (ch >= 1 && ch <= last)
            records.append(channelInfo(ch));
    }
    // A channel beyond the boards takes no part in the distances and AF
    // lists, but EON entries may name it.
    if (channels.isEmpty())
        return;

    WriteLock locker(recordLock);
    bool moved = false;
    for (const ChannelRecord &r : qAsConst(records)) {
        if (!r.used) {
            moved = channelFreqs.remove(r.ch) > 0 || moved;
            continue;
        }
        const auto it = channelFreqs.constFind(r.ch);
        if (it != channelFreqs.cend() && *it == r.freq)
            continue;
        channelFreqs.insert(r.ch, r.freq);
        moved = true;
    }
    if (moved)
        updateDistances(); // recomputes the AF lists too while afDirty is set
    else if (afDirty)
        recomputeAutoAfLocked(); // a channel took another RDS source
    // The AF computation brings the EON entries along; without it, entries
    // that name a channel which took another RDS source (or none) follow here.
    if (!afDirty)
        followEonLinks();
}

void FMSettings::updateDistances()
{
    for (auto a = channelFreqs.cbegin(); a != channelFreqs.cend(); ++a) {
        double d = loneDistance;
        for (auto b = channelFreqs.cbegin(); b != channelFreqs.cend(); ++b) {
            if (b.key() != a.key())
                d = std::min(d, std::fabs(b.value() - a.value()));
        }
        // Kept in whole kHz, halves upward.
        const double dist = std::floor(d * 1000.0 + 0.5 + 1e-9) / 1000.0;
        const auto old = channelDists.constFind(a.key());
        if (old != channelDists.cend() && *old == dist)
            continue;
        channelDists.insert(a.key(), dist);
        notify(QStringLiteral("chinfo.%1.dist").arg(a.key()), mhzText(dist));
    }
    if (afDirty)
        recomputeAutoAfLocked();
}
