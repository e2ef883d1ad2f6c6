#include "EncoderRun.h"

#include "FMSettings.h"
#include "RDSEncoder.h"
#include "RDSGroupText.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

namespace {

// The simulated wall clock of the run, read by the TMC sender.
qint64 g_nowMs = 0;
qint64 simulatedNow()
{
    return g_nowMs;
}

// Boards of the largest generator: every channel of the file takes part in
// the automatic AF lists.
constexpr int allBoards = 4;

} // namespace

bool EncoderRun::run(QIODevice &out, QString *error) const
{
    if (!QFileInfo(project).isFile()) {
        *error = QStringLiteral("cannot open project %1").arg(project);
        return false;
    }
    // The project model reads a copy: loading corrects old rate forms and
    // marks the file, and the operator's project stays as it is.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("project.fm"));
    if (!dir.isValid() || !QFile::copy(project, copy)) {
        *error = QStringLiteral("cannot copy project %1").arg(project);
        return false;
    }
    FMSettings fms(copy);
    // What the main window does after loading: the used channels with their
    // frequencies, then the automatic AF lists (and the EON AF lists that
    // follow them).
    fms.setBoardCount(allBoards);
    fms.updateAF(true);

    int id = source;
    double tune = tuneMHz;
    if (channel > 0) {
        const ChannelRecord ch = fms.channelInfo(channel);
        if (id == 0)
            id = ch.idrds;
        if (tune == 0)
            tune = ch.freq;
    }
    if (tune == 0)
        tune = 87.6;
    if (id < 1) {
        *error = QStringLiteral("no RDS source given (use --source or a channel with an RDS source)");
        return false;
    }
    if (!fms.rdsMap().contains(id)) {
        *error = QStringLiteral("project has no RDS source %1").arg(id);
        return false;
    }
    const RDSSource src = fms.rds(id);
    const TMCSource tmc = fms.tmc(src.tmcsi);

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
