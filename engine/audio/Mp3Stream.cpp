#include "Mp3Stream.h"

#include <QFile>

#include <mpg123.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::once_flag g_initOnce;

// Reads that return no bytes and no end before the stream is given up.
constexpr int kMaxEmptyReads = 64;

// libmpg123 reads a frame header and then its body, two small reads per
// frame (and all of them twice, with the scan at open). Through a buffered
// stream they are copies from memory instead of system calls.
constexpr size_t kFileBufferBytes = 64 * 1024;

mpg123_ssize_t readFile(void *handle, void *dst, size_t bytes)
{
    FILE *file = static_cast<FILE *>(handle);
    const size_t got = std::fread(dst, 1, bytes, file);
    return got == 0 && std::ferror(file) ? -1 : mpg123_ssize_t(got);
}

off_t seekFile(void *handle, off_t offset, int whence)
{
    FILE *file = static_cast<FILE *>(handle);
    return fseeko(file, offset, whence) == 0 ? ftello(file) : off_t(-1);
}

} // namespace

Mp3Stream::Mp3Stream()
{
    std::call_once(g_initOnce, [] { mpg123_init(); });
    int error = MPG123_OK;
    m_handle = mpg123_new(nullptr, &error);
    if (!m_handle) {
        m_error = QString::fromUtf8(mpg123_plain_strerror(error));
        return;
    }
    mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.);
    mpg123_replace_reader_handle(m_handle, &readFile, &seekFile, nullptr);
}

Mp3Stream::~Mp3Stream()
{
    close();
    if (m_handle)
        mpg123_delete(m_handle);
}

void Mp3Stream::close()
{
    if (m_open)
        mpg123_close(m_handle);
    if (m_file)
        std::fclose(m_file); // before its buffer goes
    m_file = nullptr;
    m_open = false;
    m_rate = 0;
    m_channels = 0;
    m_samples = 0;
}

bool Mp3Stream::fail(const QString &what)
{
    m_error = what;
    close();
    return false;
}

bool Mp3Stream::open(const QString &path)
{
    close();
    m_error.clear();
    if (!m_handle)
        return fail(QStringLiteral("no decoder"));
    // Any rate, the file's own channel count, 16-bit signed.
    mpg123_format_none(m_handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    m_file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!m_file)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!m_fileBuffer)
        m_fileBuffer = std::make_unique<char[]>(kFileBufferBytes);
    std::setvbuf(m_file, m_fileBuffer.get(), _IOFBF, kFileBufferBytes); // before the first read
    if (mpg123_open_handle(m_handle, m_file) != MPG123_OK)
        return fail(QString::fromUtf8(mpg123_strerror(m_handle)));
    m_open = true;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK)
        return fail(QString::fromUtf8(mpg123_strerror(m_handle)));
    mpg123_frameinfo info{};
    if (mpg123_info(m_handle, &info) != MPG123_OK)
        return fail(QString::fromUtf8(mpg123_strerror(m_handle)));
    if (info.layer != 3)
        return fail(QStringLiteral("MPEG layer %1, not layer 3").arg(info.layer));
    // Keep this format for the whole file, whatever later frames say.
    mpg123_format_none(m_handle);
    mpg123_format(m_handle, rate, channels, MPG123_ENC_SIGNED_16);
    if (mpg123_scan(m_handle) != MPG123_OK)
        return fail(QString::fromUtf8(mpg123_strerror(m_handle)));
    const off_t length = mpg123_length(m_handle);
    if (length < 0 || mpg123_seek(m_handle, 0, SEEK_SET) < 0)
        return fail(QString::fromUtf8(mpg123_strerror(m_handle)));
    m_rate = int(rate);
    m_channels = channels;
    m_samples = qint64(length);
    return true;
}

int Mp3Stream::read(u8 *dst, int max, Status &status)
{
    status = Status::More;
    if (!m_open) {
        status = Status::End;
        return 0;
    }
    const int frame = 2 * m_channels;
    max -= max % frame;
    int got = 0;
    int empty = 0;
    while (got < max) {
        size_t done = 0;
        const int r = mpg123_read(m_handle, dst + got, size_t(max - got), &done);
        got += int(done);
        if (r == MPG123_DONE) {
            status = Status::End;
            break;
        }
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT) {
            m_error = QString::fromUtf8(mpg123_strerror(m_handle));
            status = Status::Error;
            break;
        }
        if (done == 0 && ++empty >= kMaxEmptyReads) {
            m_error = QStringLiteral("no samples from the stream");
            status = Status::Error;
            break;
        }
    }
    return got - got % frame;
}

bool Mp3Stream::rewind()
{
    return m_open && mpg123_seek(m_handle, 0, SEEK_SET) >= 0;
}
