#pragma once

#include "Types.h"

#include <QString>

#include <cstdio>
#include <memory>

struct mpg123_handle_struct;

// MPEG layer 3 decoding over libmpg123: 16-bit signed output at the file's
// own sample rate and channel count, the exact length in samples from a scan
// of the whole file, rewind by seeking to sample 0. Files of another MPEG
// layer are refused. One object per decoder thread; not shared.
class Mp3Stream
{
public:
    Mp3Stream();
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream &) = delete;
    Mp3Stream &operator=(const Mp3Stream &) = delete;

    // Opens and scans the file. False with errorText() when it is no MPEG
    // layer 3 stream or cannot be read.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_open; }

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }
    qint64 samples() const { return m_samples; }
    QString errorText() const { return m_error; }

    enum class Status { More, End, Error };
    // Decodes up to max bytes (whole frames) into dst and returns the bytes
    // written. status tells whether more follows, the stream ended, or
    // decoding failed (errorText() says why).
    int read(u8 *dst, int max, Status &status);
    bool rewind();

private:
    bool fail(const QString &what);

    mpg123_handle_struct *m_handle = nullptr;
    FILE *m_file = nullptr; // libmpg123 reads it through our callbacks
    std::unique_ptr<char[]> m_fileBuffer; // m_file's buffer, made at the first open
    bool m_open = false;
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_samples = 0;
    QString m_error;
};
