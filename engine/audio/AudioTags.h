#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class QIODevice;

// Tag parsers of the audio file readers: ID3v2 (2.3 and 2.4), ID3v1, the
// LIST/INFO chunk of RIFF files and the field-name rule of Vorbis comments.
// Pure functions; they never read more than the data they are given allows
// and never allocate more than one frame of at most 256 bytes at a time.
namespace AudioTags {

using TagMap = QMap<QString, QString>;

// Most tags a file gives: Vorbis comments beyond it are dropped, and an ID3v2
// tag is walked for at most this many frames. A crafted file of millions of
// tiny tags would otherwise take gigabytes (a tag map holds every name).
constexpr int kMaxTags = 1024;

// A tag name from a Vorbis comment field name: first character upper case,
// the rest lower case ("TITLE" and "title" give "Title").
QString vorbisName(const QString &field);

// Adds every "NAME=text" comment (name at least one character) to tags; a new
// name is dropped once tags holds kMaxTags names.
void addVorbisComment(const QByteArray &comment, TagMap &tags);

// Parses an ID3v2 tag at the current position of in. Returns the number of
// tags in the map afterwards, 0 when there is no ID3v2 tag there, -1 when the
// extended header is malformed. The device is left somewhere inside the tag.
int parseId3v2(QIODevice &in, TagMap &tags);

// Parses the last 128 bytes of an MP3 file as ID3v1. False when they are no
// ID3v1 tag.
bool parseId3v1(const QByteArray &last128, TagMap &tags);

// Name of an ID3v1 genre code (extended list, 0..191), else the code in decimal.
QString id3v1Genre(int code);

// Parses the payload of a RIFF LIST chunk; only "INFO" lists give tags. At
// most kMaxTags entries are read (each unknown one is logged).
void parseListInfo(const QByteArray &list, TagMap &tags);

} // namespace AudioTags
