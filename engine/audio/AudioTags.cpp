#include "AudioTags.h"

#include <QBuffer>
#include <QDebug>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <array>

namespace AudioTags {

namespace {

// clang-format off
// ID3v1 genre codes 0..191: the 80 codes of the ID3v1 definition followed by
// the extensions 80..191 that players added later.
constexpr std::array<const char *, 192> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop",
    "Jazz", "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap",
    "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska", "Death Metal", "Pranks",
    "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance",
    "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "Alternative Rock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Psychedelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebop", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam",
    "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle",
    "Duet", "Punk Rock", "Drum Solo", "A Cappella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass",
    "Club-House", "Hardcore Techno", "Terror", "Indie", "BritPop", "Afro-Punk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop", "Abstract", "Art Rock", "Baroque", "Bhangra",
    "Big Beat", "Breakbeat", "Chillout", "Downtempo", "Dub", "EBM", "Eclectic", "Electro",
    "Electroclash", "Emo", "Experimental", "Garage", "Global", "IDM", "Illbient", "Industro-Goth",
    "Jam Band", "Krautrock", "Leftfield", "Lounge", "Math Rock", "New Romantic", "Nu-Breakz", "Post-Punk",
    "Post-Rock", "Psytrance", "Shoegaze", "Space Rock", "Trop Rock", "World Music", "Neoclassical", "Audiobook",
    "Audio Theatre", "Neue Deutsche Welle", "Podcast", "Indie Rock", "G-Funk", "Dubstep", "Garage Rock", "Psybient",
};

// ID3v2 frame ids with a fixed tag name; any other frame keeps its id.
struct FrameName { const char *id; const char *name; };
constexpr std::array<FrameName, 7> kId3Names = {{
    {"TIT2", "Title"}, {"TPE1", "Artist"}, {"TALB", "Album"}, {"TYER", "Date"},
    {"TRCK", "Tracknumber"}, {"TCON", "Genre"}, {"COMM", "Comment"},
}};

// RIFF INFO list entry ids with their tag names.
constexpr std::array<FrameName, 7> kInfoNames = {{
    {"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Album"}, {"ICRD", "Date"},
    {"ITRK", "Tracknumber"}, {"IGNR", "Genre"}, {"ICMT", "Comment"},
}};
// clang-format on

constexpr int kId3HeaderBytes = 10;
constexpr qint64 kId3MaxFrameRead = 256; // larger frames are skipped unread
constexpr qint64 kId3MaxUnsyncTag = 1 << 20; // of an unsynchronised 2.3 tag only this much is read

// ID3v2 flags: tag header byte 5, and in 2.4 the frame's second flag byte.
constexpr uchar kTagUnsync = 0x80;
constexpr uchar kTagExtendedHeader = 0x40;
constexpr uchar kFrameUnsync = 0x02;         // 2.4
constexpr uchar kFrameDataLength = 0x01;     // 2.4: a 4-byte data length precedes the data
// Frame format flags (the frame's second flag byte) that change the data:
// compressed or encrypted data is no text; a grouped frame starts with its
// 1-byte group id.
constexpr uchar kFrame23Hidden = 0x80 | 0x40; // 2.3: compression, encryption
constexpr uchar kFrame23Grouped = 0x20;
constexpr uchar kFrame24Hidden = 0x08 | 0x04; // 2.4: compression, encryption
constexpr uchar kFrame24Grouped = 0x40;

quint32 syncsafe(const uchar *b)
{
    return (quint32(b[0] & 0x7f) << 21) | (quint32(b[1] & 0x7f) << 14) | (quint32(b[2] & 0x7f) << 7) |
           quint32(b[3] & 0x7f);
}

QString upToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

QString decodeUtf16(const QByteArray &bytes, bool bigEndian)
{
    const int n = bytes.size() / 2;
    QString out;
    out.reserve(n);
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < n; ++i) {
        const ushort c = bigEndian ? qFromBigEndian<quint16>(p + 2 * i) : qFromLittleEndian<quint16>(p + 2 * i);
        out.append(QChar(c));
    }
    return out;
}

// Text of an encoded ID3v2 string (the bytes after the encoding byte).
QString decodeText(int encoding, const QByteArray &bytes)
{
    switch (encoding) {
    case 0:
        return QString::fromLatin1(bytes);
    case 1: {
        if (bytes.size() >= 2) {
            const auto b0 = uchar(bytes[0]), b1 = uchar(bytes[1]);
            if (b0 == 0xfe && b1 == 0xff)
                return decodeUtf16(bytes.mid(2), true);
            if (b0 == 0xff && b1 == 0xfe)
                return decodeUtf16(bytes.mid(2), false);
        }
        return decodeUtf16(bytes, false);
    }
    case 2:
        return decodeUtf16(bytes, true);
    default:
        return QString::fromUtf8(bytes);
    }
}

// Offset just after the zero terminator of the string at `from`; -1 when
// there is none. UTF-16 terminators are two zero bytes on an even offset.
int afterTerminator(int encoding, const QByteArray &bytes, int from)
{
    if (encoding == 1 || encoding == 2) {
        for (int i = from; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == '\0' && bytes[i + 1] == '\0')
                return i + 2;
        }
        return -1;
    }
    const int zero = bytes.indexOf('\0', from);
    return zero < 0 ? -1 : zero + 1;
}

// Text of an ID3v2 frame payload. COMM carries language (3 bytes) and a
// description before the text; the comment is the text after them.
QString frameText(const QByteArray &id, const QByteArray &frame)
{
    const int encoding = uchar(frame[0]);
    if (encoding > 3) {
        if (encoding < 0x20)
            return QString();
        const int zero = frame.indexOf('\0');
        return QString::fromLatin1(zero < 0 ? frame : frame.left(zero));
    }
    QByteArray body = frame.mid(1);
    if (id == "COMM" && body.size() >= 3) {
        const int text = afterTerminator(encoding, body, 3);
        body = text < 0 ? body.mid(3) : body.mid(text);
    }
    QString s = decodeText(encoding, body);
    while (!s.isEmpty() && s.back() == QChar(0))
        s.chop(1);
    return s;
}

QString id3Name(const QByteArray &id)
{
    for (const auto &f : kId3Names) {
        if (id == f.id)
            return QString::fromLatin1(f.name);
    }
    return QString::fromLatin1(id);
}

bool skip(QIODevice &in, qint64 bytes)
{
    if (!in.isSequential())
        return in.seek(in.pos() + bytes);
    return in.skip(bytes) == bytes;
}

// Undoes unsynchronisation: every 0xff 0x00 pair stands for 0xff.
QByteArray resync(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (int i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (uchar(bytes[i]) == 0xff && i + 1 < bytes.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return out;
}

// Extended header and frames of an ID3v2 tag; `remaining` counts the bytes
// after the tag header.
int parseId3Body(QIODevice &in, int major, uchar tagFlags, qint64 remaining, TagMap &tags)
{
    if (tagFlags & kTagExtendedHeader) {
        uchar e[4];
        if (in.read(reinterpret_cast<char *>(e), 4) != 4)
            return int(tags.size());
        // 2.3 counts the bytes after the size word, 2.4 the whole header.
        const qint64 size = major == 3 ? qFromBigEndian<quint32>(e) : syncsafe(e);
        qDebug("ID3: extended header size %d", int(size));
        if (size < 6)
            return -1;
        const qint64 rest = major == 3 ? size : size - 4;
        if (rest + 4 > remaining || !skip(in, rest))
            return int(tags.size());
        remaining -= rest + 4;
    }

    for (int frames = 0; frames < kMaxTags && remaining >= kId3HeaderBytes + 1 && !in.atEnd(); ++frames) {
        uchar f[kId3HeaderBytes];
        if (in.read(reinterpret_cast<char *>(f), kId3HeaderBytes) != kId3HeaderBytes)
            break;
        remaining -= kId3HeaderBytes;
        if ((f[0] | f[1] | f[2] | f[3]) == 0)
            break; // padding
        const qint64 size = major == 3 ? qint64(qFromBigEndian<quint32>(f + 4)) : qint64(syncsafe(f + 4));
        if (size == 0)
            continue;
        if (size > remaining)
            break;
        remaining -= size;
        const QByteArray id(reinterpret_cast<const char *>(f), 4);
        if (size > kId3MaxFrameRead) {
            if (!skip(in, size))
                break;
            continue;
        }
        QByteArray frame = in.read(size);
        if (frame.size() != size)
            break;
        if (f[9] & (major == 3 ? kFrame23Hidden : kFrame24Hidden))
            continue;
        if (f[9] & (major == 3 ? kFrame23Grouped : kFrame24Grouped))
            frame = frame.mid(1);
        if (major == 4) {
            if ((f[9] & kFrameUnsync) || (tagFlags & kTagUnsync))
                frame = resync(frame);
            if (f[9] & kFrameDataLength)
                frame = frame.mid(4);
        }
        if (frame.isEmpty())
            continue;
        const QString text = frameText(id, frame);
        if (!text.isEmpty())
            tags.insert(id3Name(id), text);
    }
    return int(tags.size());
}

} // namespace

QString vorbisName(const QString &field)
{
    if (field.isEmpty())
        return field;
    return field.left(1).toUpper() + field.mid(1).toLower();
}

void addVorbisComment(const QByteArray &comment, TagMap &tags)
{
    const int eq = comment.indexOf('=');
    if (eq < 1)
        return;
    const QString name = vorbisName(QString::fromUtf8(comment.left(eq)));
    if (tags.size() >= kMaxTags && !tags.contains(name))
        return;
    tags.insert(name, QString::fromUtf8(comment.mid(eq + 1)));
}

int parseId3v2(QIODevice &in, TagMap &tags)
{
    uchar h[kId3HeaderBytes];
    if (in.read(reinterpret_cast<char *>(h), kId3HeaderBytes) != kId3HeaderBytes)
        return 0;
    const int major = h[3];
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || (major != 3 && major != 4) || h[4] == 0xff ||
        ((h[6] | h[7] | h[8] | h[9]) & 0x80))
        return 0;
    const qint64 remaining = syncsafe(h + 6);
    if (major == 3 && (h[5] & kTagUnsync)) {
        // 2.3 unsynchronises everything after the tag header, frame headers included.
        QBuffer body;
        body.setData(resync(in.read(std::min(remaining, kId3MaxUnsyncTag))));
        body.open(QIODevice::ReadOnly);
        return parseId3Body(body, major, h[5], body.size(), tags);
    }
    return parseId3Body(in, major, h[5], remaining, tags);
}

QString id3v1Genre(int code)
{
    if (code >= 0 && code < int(kGenres.size()))
        return QString::fromLatin1(kGenres[size_t(code)]);
    return QString::number(code);
}

bool parseId3v1(const QByteArray &last128, TagMap &tags)
{
    if (last128.size() != 128 || !last128.startsWith("TAG"))
        return false;
    const auto field = [&](const char *name, int from, int to) {
        const QString text = upToZero(last128.mid(from, to - from + 1));
        if (!text.isEmpty())
            tags.insert(QString::fromLatin1(name), text);
    };
    field("Title", 3, 32);
    field("Artist", 33, 62);
    field("Album", 63, 92);
    field("Date", 93, 96);
    field("Comment", 97, 126);
    if (last128[125] == '\0' && last128[126] != '\0')
        tags.insert(QStringLiteral("Tracknumber"), QString::number(qint8(last128[126])));
    tags.insert(QStringLiteral("Genre"), id3v1Genre(uchar(last128[127])));
    return true;
}

void parseListInfo(const QByteArray &list, TagMap &tags)
{
    if (!list.startsWith("INFO"))
        return;
    const qint64 length = list.size();
    const auto *p = reinterpret_cast<const uchar *>(list.constData());
    qint64 offset = 4;
    for (int entries = 0; entries < kMaxTags && offset + 8 < length; ++entries) {
        const quint32 id = qFromLittleEndian<quint32>(p + offset);
        const quint32 size = qFromLittleEndian<quint32>(p + offset + 4);
        const qint64 start = offset + 8;
        if (start + qint64(size) > length)
            break;
        const QString text = upToZero(list.mid(int(start), int(size)));
        const QByteArray name = list.mid(int(offset), 4);
        QString tag;
        for (const auto &f : kInfoNames) {
            if (name == f.id)
                tag = QString::fromLatin1(f.name);
        }
        if (tag.isEmpty())
            qDebug("WAV: %8x %8x [%s]", id, size, qUtf8Printable(text));
        else
            tags.insert(tag, text);
        offset = start + size + (size & 1);
    }
}

} // namespace AudioTags
