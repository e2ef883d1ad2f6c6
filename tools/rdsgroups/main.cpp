// rdsgroups: reads RDS groups and prints one line per group.
//
//   rdsgroups [options] [file ...]      (no file or "-": standard input)
//
// Input is text lines in any form the group text-line parser accepts, each
// optionally prefixed "#S1 ".."#S3 " for the RDS2 streams, or with --binary
// 13-byte coded groups back to back. Output: "AAAA BBBB CCCC DDDD" in
// upper-case hex, "----" for a block with a wrong checkword, RDS2 streams
// prefixed "#S1 ".."#S3 ". --err/--ber/--fix inject bit errors into the lines
// that get checkwords, as an encoder with these source settings would.
//
//   rdsgroups --project file.fm (--source N | --channel N) [--seconds S]
//             [--start 2024-05-17T13:45:00Z] [--freq MHz] [--rds2] [--seed N]
//
// prints instead what the encoder makes of that RDS source (or of the
// channel's source at the channel's frequency) in S seconds of air time from
// the given start (UTC), the clock time at every full minute, with --rds2 the
// lines of all four streams.

#include "EncoderRun.h"
#include "RDSCoding.h"
#include "RDSGroup.h"
#include "RDSGroupLine.h"
#include "RDSGroupText.h"
#include "RDSLineReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

struct Options
{
    bool binary = false;
    RDSErrorSettings errors{0, 2, 0};
    std::minstd_rand gen;
};

void printGroup(QFile &out, const u8 group[13], int stream)
{
    out.write(rdsGroupHexLine(group, stream) + '\n');
}

// Reads coded 13-byte records; false when a partial record is left over.
bool printBinary(QFile &in, QFile &out)
{
    u8 group[RDSGroup::size];
    for (;;) {
        const qint64 n = in.read(reinterpret_cast<char *>(group), RDSGroup::size);
        if (n == RDSGroup::size) {
            printGroup(out, group, 0);
            continue;
        }
        return n <= 0;
    }
}

void printText(QFile &in, QFile &out, Options &opt)
{
    RDSLineReader reader;
    QByteArray line;
    for (;;) {
        qint64 budget = rdsMaxLineBytes + 3;
        const RDSLineReader::Status st = reader.readLine(in, line, budget);
        if (st == RDSLineReader::Status::End)
            return;
        if (st != RDSLineReader::Status::Line)
            continue;  // over-long line or its tail: no group
        const int stream = takeRdsStreamPrefix(line);
        u8 group[RDSGroup::size];
        if (parseRdsGroupLine(group, line, opt.errors, opt.gen) == RDSGroup::size)
            printGroup(out, group, stream);
    }
}

bool openInput(QFile &in, const QString &name)
{
    if (name == QLatin1String("-"))
        return in.open(stdin, QIODevice::ReadOnly);
    in.setFileName(name);
    return in.open(QIODevice::ReadOnly);
}

bool byteOption(const QCommandLineParser &p, const QCommandLineOption &o, u8 &value)
{
    if (!p.isSet(o))
        return true;
    bool ok = false;
    const uint v = p.value(o).toUInt(&ok, 0);
    if (!ok || v > 255)
        return false;
    value = static_cast<u8>(v);
    return true;
}

// --project: the encoder's groups. Options in the order project, source,
// channel, seconds, start, freq, rds2, seed.
int runEncoder(const QCommandLineParser &p, const QList<QCommandLineOption> &o, QFile &out)
{
    EncoderRun run;
    run.project = p.value(o[0]);
    bool ok = true;
    const auto number = [&](const QCommandLineOption &opt, double def) {
        if (!p.isSet(opt))
            return def;
        bool good = false;
        const double v = p.value(opt).toDouble(&good);
        ok = ok && good && v >= 0;
        return v;
    };
    run.source = int(number(o[1], 0));
    run.channel = int(number(o[2], 0));
    run.seconds = number(o[3], 10);
    run.tuneMHz = number(o[5], 0);
    run.seed = quint32(number(o[7], 1));
    run.rds2 = p.isSet(o[6]);
    if (p.isSet(o[4])) {
        run.start = QDateTime::fromString(p.value(o[4]), Qt::ISODate);
        ok = ok && run.start.isValid();
    } else {
        run.start = QDateTime::currentDateTimeUtc();
    }
    if (!ok) {
        std::fprintf(stderr, "rdsgroups: --source, --channel, --seconds, --freq and --seed take "
                             "numbers, --start an ISO 8601 time\n");
        return 2;
    }
    QString error;
    if (!run.run(out, &error)) {
        std::fprintf(stderr, "rdsgroups: %s\n", qPrintable(error));
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rdsgroups"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Prints RDS groups as \"AAAA BBBB CCCC DDDD\" lines (\"----\" = wrong checkword)."));
    p.addHelpOption();
    const QCommandLineOption binary(QStringLiteral("binary"), QStringLiteral("Input is 13-byte coded groups."));
    const QCommandLineOption err(QStringLiteral("err"), QStringLiteral("Error injection switch and mode (0x80 | mode)."), QStringLiteral("byte"));
    const QCommandLineOption ber(QStringLiteral("ber"), QStringLiteral("Bit error rate in percent."), QStringLiteral("byte"));
    const QCommandLineOption fix(QStringLiteral("fix"), QStringLiteral("Error injection exceptions."), QStringLiteral("byte"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the error generator."), QStringLiteral("number"));
    p.addOptions({binary, err, ber, fix, seed});
    const QCommandLineOption project(QStringLiteral("project"), QStringLiteral("Print what the encoder makes of this project."), QStringLiteral("file"));
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("RDS source id (with --project)."), QStringLiteral("id"));
    const QCommandLineOption channel(QStringLiteral("channel"), QStringLiteral("Channel: its RDS source and frequency (with --project)."), QStringLiteral("number"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Air time to print (default 10)."), QStringLiteral("seconds"));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("UTC time of the first group, ISO 8601 (default now)."), QStringLiteral("time"));
    const QCommandLineOption freq(QStringLiteral("freq"), QStringLiteral("Tuning frequency in MHz for the AF lists."), QStringLiteral("MHz"));
    const QCommandLineOption rds2(QStringLiteral("rds2"), QStringLiteral("Also print the RDS2 streams 1 to 3."));
    p.addOptions({project, source, channel, seconds, start, freq, rds2});
    p.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Input files; none or - for standard input."));
    p.process(app);

    Options opt;
    opt.binary = p.isSet(binary);
    if (!byteOption(p, err, opt.errors.err) || !byteOption(p, ber, opt.errors.ber)
        || !byteOption(p, fix, opt.errors.fix)) {
        std::fprintf(stderr, "rdsgroups: --err, --ber and --fix take a number 0..255\n");
        return 2;
    }
    opt.gen.seed(p.isSet(seed) ? p.value(seed).toUInt() : 1U);

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;

    if (p.isSet(project))
        return runEncoder(p, {project, source, channel, seconds, start, freq, rds2, seed}, out);

    QStringList files = p.positionalArguments();
    if (files.isEmpty())
        files << QStringLiteral("-");
    int status = 0;
    for (const QString &name : files) {
        QFile in;
        if (!openInput(in, name)) {
            std::fprintf(stderr, "rdsgroups: cannot open %s: %s\n", qPrintable(name),
                         qPrintable(in.errorString()));
            status = 1;
            continue;
        }
        if (opt.binary) {
            if (!printBinary(in, out)) {
                std::fprintf(stderr, "rdsgroups: %s ends with a partial group\n", qPrintable(name));
                status = 1;
            }
        } else {
            printText(in, out, opt);
        }
        out.flush();
    }
    return status;
}
