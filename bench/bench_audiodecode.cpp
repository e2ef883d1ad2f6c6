// Decoding speed of the four audio readers against Debian's reference
// decoders on the same file, and the memory of 96 decoder threads.
//
// Each format row reports, in seconds of audio per CPU second:
//   ours       our reader filling 529200-byte buffers, thread CPU time
//   reference  the command-line decoder (flac -d, oggdec, mpg123, sox) to
//              /dev/null, CPU time of the child process
//   ratio      ours / reference (1 or more: no slower than the reference)
// The OGG and MP3 files are made with oggenc and lame; a row whose tools are
// missing is skipped with a message.

#include "FlacReader.h"
#include "Mp3Reader.h"
#include "OggReader.h"
#include "PCMDecoder.h"
#include "WavReader.h"

#include <benchmark/benchmark.h>

#include <FLAC/stream_encoder.h>

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 30;
constexpr int kFrames = kRate * kSeconds;

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

bool writeFlac(const QString &path, const std::vector<qint16> &s)
{
    std::vector<FLAC__int32> wide(s.begin(), s.end());
    FLAC__StreamEncoder *enc = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(enc, 2);
    FLAC__stream_encoder_set_bits_per_sample(enc, 16);
    FLAC__stream_encoder_set_sample_rate(enc, kRate);
    FLAC__stream_encoder_set_compression_level(enc, 5);
    bool ok = FLAC__stream_encoder_init_file(enc, QFile::encodeName(path).constData(), nullptr, nullptr) ==
              FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    ok = ok && FLAC__stream_encoder_process_interleaved(enc, wide.data(), kFrames);
    ok = FLAC__stream_encoder_finish(enc) && ok;
    FLAC__stream_encoder_delete(enc);
    return ok;
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

double threadCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Files {
    QTemporaryDir dir;
    QString wav, flac, ogg, mp3;
    Files()
    {
        const std::vector<qint16> s = musicLike();
        wav = dir.filePath("bench.wav");
        flac = dir.filePath("bench.flac");
        writeWav(wav, s);
        writeFlac(flac, s);
        const QString o = dir.filePath("bench.ogg");
        if (runChild({"oggenc", "-Q", "-q", "5", "-o", o.toStdString(), wav.toStdString()}) >= 0)
            ogg = o;
        const QString m = dir.filePath("bench.mp3");
        if (runChild({"lame", "--quiet", "-b", "192", wav.toStdString(), m.toStdString()}) >= 0)
            mp3 = m;
    }
};

Files &files()
{
    static Files f;
    return f;
}

// Seconds of CPU time our reader needs for the whole file.
template <class Reader> double decodeFile(const QString &path, quint64 &frames)
{
    static std::vector<u8> buffer(PCMDecoder::kBufferBytes);
    Reader reader;
    SongInfo song;
    song.file = path;
    const double start = threadCpu();
    if (!reader.open(song))
        return -1;
    quint64 bytes = 0;
    for (;;) {
        u8 eof = 0;
        bytes += quint64(reader.read(buffer.data(), PCMDecoder::kBufferBytes, eof));
        if (eof)
            break;
    }
    frames = bytes / (2 * song.channels);
    return threadCpu() - start;
}

template <class Reader>
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
    double ours = 0, theirs = 0, audio = 0;
    bool haveReference = true;
    for (auto _ : state) {
        quint64 frames = 0;
        const double cpu = decodeFile<Reader>(path, frames);
        if (cpu < 0) {
            state.SkipWithError("open failed");
            return;
        }
        state.SetIterationTime(cpu);
        ours += cpu;
        audio += double(frames) / kRate;
        const double child = runChild(reference);
        haveReference = haveReference && child > 0;
        theirs += child;
    }
    state.counters["ours_x_realtime"] = audio / ours;
    if (haveReference) {
        state.counters["reference_x_realtime"] = audio / theirs;
        state.counters["ratio"] = theirs / ours;
    } else {
        state.SetLabel("reference decoder " + reference.front() + " not installed");
    }
}

void BM_Wav(benchmark::State &state)
{
    decodeAgainstReference<WavReader>(state, files().wav, {"sox", "-q", "%f", "-t", "raw", "/dev/null"});
}

void BM_Flac(benchmark::State &state)
{
    decodeAgainstReference<FlacReader>(state, files().flac, {"flac", "-d", "-s", "-c", "%f"});
}

void BM_Ogg(benchmark::State &state)
{
    decodeAgainstReference<OggReader>(state, files().ogg, {"oggdec", "-Q", "-R", "-o", "/dev/null", "%f"});
}

void BM_Mp3(benchmark::State &state)
{
    decodeAgainstReference<Mp3Reader>(state, files().mp3, {"mpg123", "-q", "-s", "%f"});
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

BENCHMARK(BM_Wav)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flac)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ogg)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
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
