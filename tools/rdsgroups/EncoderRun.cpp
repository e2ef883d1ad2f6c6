#include "EncoderRun.h"

#include "ChannelRecord.h"
#include "RDSEncoder.h"
#include "RDSGroupText.h"
#include "SettingsGroupReader.h"

#include <QFileInfo>
#include <QSettings>

#include <cmath>

namespace {

// The simulated wall clock of the run, read by the TMC sender.
qint64 g_nowMs = 0;
qint64 simulatedNow()
{
    return g_nowMs;
}

// Opens the record group `name` (any case) and runs read on it.
template <typename F>
bool readGroup(QSettings &ini, const QString &name, F read)
{
    const QString group = SettingsGroupReader::findGroup(ini, name);
    if (!ini.childGroups().contains(group))
        return false;
    ini.beginGroup(group);
    SettingsGroupReader reader(ini);
    read(reader);
    ini.endGroup();
    return true;
}

} // namespace

bool EncoderRun::run(QIODevice &out, QString *error) const
{
    if (!QFileInfo(project).isFile()) {
        *error = QStringLiteral("cannot open project %1").arg(project);
        return false;
    }
    QSettings ini(project, QSettings::IniFormat);
    int id = source;
    double tune = tuneMHz;
    if (channel > 0) {
        const QString group = SettingsGroupReader::findGroup(ini, QStringLiteral("channel.%1").arg(channel));
        if (id == 0)
            id = ini.value(group + QStringLiteral("/idrds"), 0).toInt();
        if (tune == 0)
            tune = ini.value(group + QStringLiteral("/freq"), ChannelRecord::defaultFreq(channel)).toDouble();
    }
    if (tune == 0)
        tune = 87.6;
    if (id < 1) {
        *error = QStringLiteral("no RDS source given (use --source or a channel with an RDS source)");
        return false;
    }
    const bool gminConverted = ini.value(QStringLiteral("board/gmin"), 0).toInt() != 0;
    RDSSource src;
    if (!readGroup(ini, QStringLiteral("rds.%1").arg(id),
                   [&](const SettingsGroupReader &r) { src.readFrom(id, r, gminConverted); })) {
        *error = QStringLiteral("project has no RDS source %1").arg(id);
        return false;
    }
    TMCSource tmc;
    if (src.tmcsi > 0) {
        const int tmcId = src.tmcsi;
        readGroup(ini, QStringLiteral("tmc.%1").arg(tmcId), [&](const SettingsGroupReader &r) { tmc.readFrom(tmcId, r); });
    }

    const qint64 startMs = (start.isValid() ? start : QDateTime::currentDateTimeUtc()).toMSecsSinceEpoch();
    g_nowMs = startMs;
    RDSEncoder enc(channel > 0 ? channel : 1);
    enc.seedRandom(seed);
    enc.setTimeSource(&simulatedNow);
    enc.setTMC(tmc);
    enc.setRDS(src, tune);

    // One slot every 104 bits at 1187.5 bit/s (IEC 62106); the clock time
    // goes out in the first slot of every minute.
    const double slotMs = 104.0 * 1000.0 / 1187.5;
    const qint64 slotCount = qint64(std::ceil(seconds * 1000.0 / slotMs));
    qint64 lastMinute = startMs / 60000;
    u8 g[4][13];
    for (qint64 i = 0; i < slotCount; ++i) {
        g_nowMs = startMs + qint64(std::llround(double(i) * slotMs));
        const qint64 minute = g_nowMs / 60000;
        if (minute != lastMinute) {
            lastMinute = minute;
            enc.setCT(QDateTime::fromMSecsSinceEpoch(minute * 60000, Qt::UTC));
        }
        enc.generate(g[0], rds2 ? g[1] : nullptr, rds2 ? g[2] : nullptr, rds2 ? g[3] : nullptr);
        for (int s = 0; s < (rds2 ? 4 : 1); ++s)
            out.write(rdsGroupHexLine(g[s], s) + '\n');
    }
    return true;
}
