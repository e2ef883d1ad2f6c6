// Decoding speed of our audio readers against Debian's reference decoders,
// and the memory of 96 decoder threads.
//
// Each format row decodes the same file with our `audiodecode --decode FILE`
// and with the reference decoder (flac -d, oggdec, mpg123, sox), both as whole
// processes with their output to /dev/null, start-up included. The two take
// turns, kRounds times, the first of a pair alternating. The label gives our
// CPU time (user + system) divided by the reference's in each round as
// min / median / max: lower is better, 1 or less is no slower than the
// reference. TROVINA_AUDIODECODE in the environment names another build's
// audiodecode, to compare two commits. The files, 3 minutes of music-like
// stereo at 44.1 kHz, are made with flac, oggenc and lame; a row whose tools
// are missing is skipped.

#include "PCMDecoder.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 180;
constexpr int kFrames = kRate * kSeconds;
constexpr int kRounds = 15;

// Something like music: a few tones that wander, with noise.
std::vector<qint16> musicLike()
{
    std::vector<qint16> s(size_t(kFrames) * 2);
    quint32 lcg = 7;
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        for (int c = 0; c < 2; ++c) {
            lcg = lcg * 1664525u + 1013904223u;
            const double noise = (double(lcg >> 16) / 65536.0 - 0.5) * 0.05;
            const double x = 0.3 * std::sin(2 * M_PI * (220 + 30 * std::sin(t) + c * 110) * t) +
                             0.2 * std::sin(2 * M_PI * (880 + 200 * std::sin(0.3 * t)) * t) +
                             0.1 * std::sin(2 * M_PI * 3520 * t) * std::sin(2 * M_PI * 0.5 * t) + noise;
            s[size_t(i) * 2 + size_t(c)] = qint16(std::lround(x * 32000));
        }
    }
    return s;
}

bool writeWav(const QString &path, const std::vector<qint16> &s)
{
    QByteArray data(int(s.size() * 2), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        qToLittleEndian(s[i], data.data() + 2 * i);
    QByteArray h("RIFF");
    auto le32 = [](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return b; };
    auto le16 = [](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); return b; };
    h += le32(quint32(36 + data.size())) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(2) + le32(kRate) +
         le32(kRate * 4) + le16(4) + le16(16) + "data" + le32(quint32(data.size()));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(h + data) == h.size() + data.size();
}

// Runs a command with stdout and stderr to /dev/null; returns its CPU
// seconds (user + system), or -1 when it could not run or failed.
double runChild(const std::vector<std::string> &args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Files {
    QTemporaryDir dir;
    QString wav, flac, ogg, mp3;
    Files()
    {
        const QString w = dir.filePath("bench.wav");
        if (!writeWav(w, musicLike()))
            return;
        wav = w;
        const std::string in = wav.toStdString();
        auto make = [&](const char *name, std::vector<std::string> args) {
            const QString out = dir.filePath(name);
            for (std::string &a : args)
                a = a == "%o" ? out.toStdString() : a == "%i" ? in : a;
            return runChild(args) >= 0 ? out : QString();
        };
        flac = make("bench.flac", {"flac", "-s", "-5", "-o", "%o", "%i"});
        ogg = make("bench.ogg", {"oggenc", "-Q", "-q", "5", "-o", "%o", "%i"});
        mp3 = make("bench.mp3", {"lame", "--quiet", "-b", "192", "%i", "%o"});
    }
};

Files &files()
{
    static Files f;
    return f;
}

// Our decoder and the reference on the same file, taking turns.
void decodeAgainstReference(benchmark::State &state, const QString &path, std::vector<std::string> reference)
{
    if (path.isEmpty()) {
        state.SkipWithError("no test file (encoder missing)");
        return;
    }
    for (std::string &arg : reference) {
        if (arg == "%f")
            arg = path.toStdString();
    }
    const char *tool = std::getenv("TROVINA_AUDIODECODE"); // another build's, to compare two commits
    const std::vector<std::string> ours = {tool && *tool ? tool : TROVINA_AUDIODECODE, "--decode",
                                           path.toStdString()};
    std::vector<double> ratios;
    double oursTotal = 0, theirsTotal = 0;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            const bool oursFirst = round % 2 == 0;
            const double first = runChild(oursFirst ? ours : reference);
            const double second = runChild(oursFirst ? reference : ours);
            const double mine = oursFirst ? first : second;
            const double theirs = oursFirst ? second : first;
            if (mine <= 0 || theirs <= 0) {
                state.SkipWithError(mine <= 0 ? "audiodecode failed" : "reference decoder failed or missing");
                return;
            }
            ratios.push_back(mine / theirs);
            oursTotal += mine;
            theirsTotal += theirs;
        }
        state.SetIterationTime(oursTotal / kRounds);
    }
    std::sort(ratios.begin(), ratios.end());
    char label[160];
    std::snprintf(label, sizeof label, "ours/%s CPU %.3f %.3f %.3f (min med max), %.0fx / %.0fx realtime",
                  reference.front().c_str(), ratios.front(), ratios[ratios.size() / 2], ratios.back(),
                  kSeconds * double(ratios.size()) / oursTotal, kSeconds * double(ratios.size()) / theirsTotal);
    state.SetLabel(label);
}

void BM_Wav(benchmark::State &state)
{
    decodeAgainstReference(state, files().wav, {"sox", "-q", "%f", "-t", "raw", "/dev/null"});
}

void BM_Flac(benchmark::State &state)
{
    decodeAgainstReference(state, files().flac, {"flac", "-d", "-s", "-c", "%f"});
}

void BM_Ogg(benchmark::State &state)
{
    decodeAgainstReference(state, files().ogg, {"oggdec", "-Q", "-R", "-o", "/dev/null", "%f"});
}

void BM_Mp3(benchmark::State &state)
{
    decodeAgainstReference(state, files().mp3, {"mpg123", "-q", "-s", "%f"});
}

double residentMB()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// Resident memory of 96 decoder threads, idle and then each playing a file
// with both buffers filled.
void BM_Memory96Decoders(benchmark::State &state)
{
    const QStringList playable = {files().wav, files().flac, files().ogg, files().mp3};
    for (auto _ : state) {
        const double before = residentMB();
        std::vector<PCMDecoder *> decoders;
        for (int ch = 1; ch <= 96; ++ch)
            decoders.push_back(new PCMDecoder(ch));
        QThread::msleep(300);
        const double idle = residentMB();
        for (size_t i = 0; i < decoders.size(); ++i) {
            const QString file = playable[int(i % 4)].isEmpty() ? files().wav : playable[int(i % 4)];
            decoders[i]->setPlaylist({file});
        }
        QThread::msleep(8000); // 192 fills of 3 s each
        const double playing = residentMB();
        for (PCMDecoder *d : decoders)
            PCMDecoder::dispose(d);
        state.counters["idle_MB"] = idle - before;
        state.counters["playing_MB"] = playing - before;
        state.counters["playing_MB_per_decoder"] = (playing - before) / 96.0;
    }
}

} // namespace

BENCHMARK(BM_Wav)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flac)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ogg)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory96Decoders)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // The readers log one line per file; keep the benchmark table readable.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            fprintf(stderr, "%s\n", qUtf8Printable(text));
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
