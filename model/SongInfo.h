#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>

// The record of one song as a decoder plays it: which file, its tags, which
// reader decodes it and its format. A plain value, copied freely between the
// decoder thread, the board threads and the project model.
struct SongInfo {
    // Reader kinds of `decoder`.
    enum Kind : qint32 {
        Unplayable = -1, // no reader for the file name, or the reader failed to open it
        None = 0,        // not opened yet
        Ogg = 1,
        Mp3 = 2,
        Wav = 3,         // RIFF WAV or raw PCM
        Flac = 4,
    };

    QString file;                 // path of the audio file, as the playlist names it
    QMap<QString, QString> tags;  // "Title", "Artist", "Album", "Date", "Comment", "Tracknumber", "Genre", ...
    qint32 decoder = None;        // reader kind, see Kind
    qint32 position = 0;          // play position in per mille (0..1000)
    quint32 sampleRate = 0;       // Hz
    quint32 channels = 0;         // channel count of the file
    quint64 samples = 0;          // length in sample frames (samples per channel)

    bool operator==(const SongInfo &o) const
    {
        return file == o.file && tags == o.tags && decoder == o.decoder && position == o.position &&
               sampleRate == o.sampleRate && channels == o.channels && samples == o.samples;
    }
    bool operator!=(const SongInfo &o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(SongInfo)
