// audiodecode: decodes one audio file once through the reader the decoder
// thread would pick for it, in the decoder thread's buffer size.
//
//   audiodecode --decode FILE > out.raw
//
// Writes interleaved 16-bit little-endian PCM (at most two channels) to
// standard output and the format to standard error. Exit status 1 when the
// file cannot be opened or decoding fails on the way, 2 on bad arguments.

#include "FlacReader.h"
#include "Mp3Reader.h"
#include "OggReader.h"
#include "PCMDecoder.h"
#include "WavReader.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

bool writeAll(const u8 *data, int size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(size));
        if (n <= 0)
            return false;
        data += n;
        size -= int(n);
    }
    return true;
}

// Reads until the reader raises eof (it rewinds there); a short read before
// the length the file announced is a failure.
template <class Reader> int decode(const QString &path)
{
    Reader reader;
    SongInfo song;
    song.file = path;
    if (!reader.open(song)) {
        std::fprintf(stderr, "audiodecode: cannot open %s\n", qUtf8Printable(path));
        return 1;
    }
    std::fprintf(stderr, "%u Hz, %u channels, %llu samples\n", song.sampleRate, song.channels,
                 static_cast<unsigned long long>(song.samples));
    std::vector<u8> buffer(PCMDecoder::kBufferBytes);
    quint64 bytes = 0;
    for (u8 eof = 0; !eof;) {
        const int n = reader.read(buffer.data(), int(buffer.size()), eof);
        if (n == 0 && !eof)
            break; // the reader closed the file
        if (!writeAll(buffer.data(), n))
            return 1;
        bytes += quint64(n);
    }
    const quint64 frames = bytes / (2 * qMax(song.channels, 1u));
    if (song.samples && frames < song.samples) {
        std::fprintf(stderr, "audiodecode: %llu of %llu samples\n", static_cast<unsigned long long>(frames),
                     static_cast<unsigned long long>(song.samples));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || std::strcmp(argv[1], "--decode") != 0) {
        std::fprintf(stderr, "usage: audiodecode --decode FILE > out.raw\n");
        return 2;
    }
    // The readers log through qDebug; only warnings and worse are shown.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    });
    const QString path = QFile::decodeName(argv[2]);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "flac")
        return decode<FlacReader>(path);
    if (suffix == "ogg")
        return decode<OggReader>(path);
    if (suffix == "mp3")
        return decode<Mp3Reader>(path);
    if (suffix == "wav" || suffix == "raw" || suffix == "pcm")
        return decode<WavReader>(path);
    std::fprintf(stderr, "audiodecode: no reader for %s\n", qUtf8Printable(path));
    return 1;
}
