#include "AudioFixtures.h"
#include "AudioTags.h"

#include <QBuffer>
#include <QTest>

using AudioTags::TagMap;

namespace {

// An ID3v2 frame: id, size (big-endian in 2.3, syncsafe in 2.4), two flag bytes, payload.
QByteArray frame(int major, const char *id, const QByteArray &payload)
{
    const QByteArray size = major == 3 ? fixtures::be32(quint32(payload.size()))
                                       : fixtures::syncsafe(quint32(payload.size()));
    return QByteArray(id, 4) + size + QByteArray(2, '\0') + payload;
}

QByteArray tag(int major, const QByteArray &frames, char flags = 0, int padding = 0)
{
    return QByteArray("ID3") + char(major) + char(0) + flags +
           fixtures::syncsafe(quint32(frames.size() + padding)) + frames + QByteArray(padding, '\0');
}

QByteArray utf16(const QString &s, bool bigEndian, bool bom)
{
    QByteArray out;
    if (bom)
        out += bigEndian ? QByteArray("\xfe\xff", 2) : QByteArray("\xff\xfe", 2);
    for (const QChar c : s) {
        const ushort u = c.unicode();
        out += bigEndian ? char(u >> 8) : char(u & 0xff);
        out += bigEndian ? char(u & 0xff) : char(u >> 8);
    }
    return out;
}

// The whole map as "Name=value|..." in name order.
QString text(const TagMap &tags)
{
    QStringList out;
    for (auto it = tags.begin(); it != tags.end(); ++it)
        out << it.key() + '=' + it.value();
    return out.join('|');
}

int parse(const QByteArray &bytes, TagMap &tags)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    return AudioTags::parseId3v2(buf, tags);
}

} // namespace

class TestAudioTags : public QObject
{
    Q_OBJECT

private slots:

    // Millions of tiny tags in a crafted file must not take gigabytes: at most kMaxTags names, and an ID3v2
    // tag is walked for at most kMaxTags frames.
    void tagCounts()
    {
        TagMap tags;
        for (int i = 0; i < 1500; ++i)
            AudioTags::addVorbisComment(QStringLiteral("N%1=x").arg(i).toUtf8(), tags);
        QCOMPARE(tags.size(), AudioTags::kMaxTags);
        AudioTags::addVorbisComment("N0=replaced", tags); // a known name still changes
        QCOMPARE(tags.value("N0"), QString("replaced"));
        QVERIFY(!tags.contains("N1499"));

        QByteArray frames = frame(3, "TIT2", QByteArray("\0Title", 6));
        for (int i = 0; i < 3000; ++i)
            frames += frame(3, QByteArray::number(1000 + i).constData(), QByteArray("\0v", 2));
        TagMap id3;
        QCOMPARE(parse(tag(3, frames), id3), AudioTags::kMaxTags);
        QCOMPARE(id3.value("Title"), QString("Title"));
        QVERIFY(id3.contains("2022") && !id3.contains("2023"));

        // A LIST chunk is walked for at most kMaxTags entries, each may be logged.
        QByteArray list = "INFO";
        for (int i = 0; i < AudioTags::kMaxTags; ++i)
            list += fixtures::chunk("IART", "a");
        TagMap info;
        AudioTags::parseListInfo(list + fixtures::chunk("INAM", "late"), info);
        QCOMPARE(info.value("Artist"), QString("a"));
        QVERIFY(!info.contains("Title"));
    }

    // The four text encodings in both versions, COMM, unknown frames, plain Latin-1 frames without an
    // encoding byte, trailing zeros and empty texts.
    void id3v2Encodings()
    {
        for (const int major : {3, 4}) {
            const QString umlauts = QString::fromUtf8("K\xc3\xb6nig \xe2\x82\xac");
            QByteArray frames;
            frames += frame(major, "TIT2", QByteArray(1, '\0') + "Caf\xe9" + QByteArray(2, '\0'));
            frames += frame(major, "TPE1", QByteArray(1, '\1') + utf16(umlauts, false, true));
            frames += frame(major, "TALB", QByteArray(1, '\1') + utf16(umlauts, true, true));
            frames += frame(major, "TRCK", QByteArray(1, '\2') + utf16("4/9", true, false) + QByteArray(2, '\0'));
            frames += frame(major, "TCON", QByteArray(1, '\3') + umlauts.toUtf8());
            frames += frame(major, "COMM", QByteArray(1, '\1') + "eng" + utf16("desc", false, true) +
                                               QByteArray(2, '\0') + utf16("Kommentar", false, true));
            frames += frame(major, "WXYZ", "Plain text\0junk");
            frames += frame(major, "PRIV", QByteArray("\x05\x01\x02", 3));
            frames += frame(major, "TPE2", QByteArray(3, '\0'));
            frames += QByteArray("TPE3") + QByteArray(6, '\0'); // size 0: skipped
            frames += frame(major, "TBIG", QByteArray(200, 'b')); // size has bit 7 set: 2.4 is syncsafe
            frames += frame(major, "APIC", QByteArray(300, 'p')); // over 256 bytes: skipped unread
            frames += frame(major, "TPE4", QByteArray(1, '\0') + "after");
            TagMap tags;
            QCOMPARE(parse(tag(major, frames, 0, 40), tags), 9);
            // TBIG has no encoding byte: all Latin-1. No PRIV, TPE2 or APIC.
            QCOMPARE(text(tags), QString("Album=%1|Artist=%1|Comment=Kommentar|Genre=%1|TBIG=%2|TPE4=after|"
                                         "Title=Caf\u00e9|Tracknumber=4/9|WXYZ=Plain text")
                                     .arg(umlauts, QString(200, 'b')));
        }
    }

    void id3v2Malformed()
    {
        const QByteArray title = frame(3, "TIT2", QByteArray(1, '\0') + "T");
        TagMap tags;
        // Not a tag: wrong version, size byte with its top bit set.
        QCOMPARE(parse(tag(2, title), tags), 0);
        QByteArray top = tag(3, title);
        top[9] = char(0x80 | top[9]);
        QCOMPARE(parse(top, tags), 0);

        // A frame claiming more than the tag holds ends the parse.
        const QByteArray liar = QByteArray("TALB") + fixtures::be32(5000) + QByteArray(2, '\0') + "\0Album";
        QCOMPARE(parse(tag(3, title + liar + frame(3, "TPE1", "\0Who")), tags), 1);
        QCOMPARE(text(tags), QString("Title=T"));

        // Extended headers: 2.3 counts the bytes after its size word, 2.4 the whole header.
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 6");
        QCOMPARE(parse(tag(3, fixtures::be32(6) + QByteArray(6, '\0') + title, 0x40), tags), 1);
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 6");
        QCOMPARE(parse(tag(4, fixtures::syncsafe(6) + QByteArray(2, '\1') + frame(4, "TIT2", "\3T"), 0x40), tags),
                 1);
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 3");
        QCOMPARE(parse(tag(3, fixtures::be32(3) + title, 0x40), tags), -1);
        // An absurd extended header size stops inside the tag.
        tags.clear();
        QTest::ignoreMessage(QtDebugMsg, "ID3: extended header size 268435455");
        QCOMPARE(parse(tag(4, fixtures::syncsafe(0x0fffffff) + title, 0x40), tags), 0);
    }

    // Unsynchronisation: 2.3 over the whole tag (frame headers included), 2.4 per frame, with and without a
    // data length indicator.
    void id3v2Unsynchronised()
    {
        const auto unsync = [](const QByteArray &b) {
            QByteArray out;
            for (const char c : b) {
                out += c;
                if (uchar(c) == 0xff)
                    out += '\0';
            }
            return out;
        };
        const QString title = QString::fromUtf8("\xc3\xbf\xc3\xbf T\xc3\xaftel"); // U+00FF gives 0xff bytes
        const QByteArray v23 = frame(3, "TIT2", QByteArray(1, '\1') + utf16(title, false, true)) +
                               frame(3, "TPE1", QByteArray(1, '\0') + "Art\xff");
        QByteArray tag23 = tag(3, unsync(v23), char(0x80));
        TagMap tags;
        QCOMPARE(parse(tag23, tags), 2);
        QCOMPARE(tags.value("Title"), title);
        QCOMPARE(tags.value("Artist"), QString::fromLatin1("Art\xff"));

        const QByteArray payload = QByteArray(1, '\1') + utf16(title, true, true);
        QByteArray f1 = frame(4, "TIT2", unsync(payload));
        f1[9] = 0x02;
        QByteArray f2 = frame(4, "TALB", fixtures::syncsafe(quint32(payload.size())) + unsync(payload));
        f2[9] = 0x03;
        QByteArray f3 = frame(4, "TPE1", fixtures::syncsafe(4) + QByteArray("\0Who", 4));
        f3[9] = 0x01;
        TagMap v24;
        QCOMPARE(parse(tag(4, f1 + f2 + f3), v24), 3);
        QCOMPARE(text(v24), QString("Album=%1|Artist=Who|Title=%1").arg(title));
        // The tag's flag alone marks every 2.4 frame as unsynchronised.
        TagMap all;
        QCOMPARE(parse(tag(4, frame(4, "TIT2", unsync(payload)), char(0x80)), all), 1);
        QCOMPARE(all.value("Title"), title);
    }

    // Frame format flags: compressed and encrypted frames hold no text and are skipped; a grouped frame's
    // group id byte is not part of its text.
    void id3v2FrameFlags()
    {
        const auto flagged = [](int major, const char *id, const QByteArray &payload, char flags) {
            QByteArray f = frame(major, id, payload);
            f[9] = flags;
            return f;
        };
        const QByteArray zlib = QByteArray::fromHex("0000000b789c2b492d2e01000452020e"); // size + deflate
        const QByteArray album("\x01\0Alb", 5);
        TagMap v23;
        QCOMPARE(parse(tag(3, flagged(3, "TIT2", zlib, char(0x80)) + flagged(3, "TALB", album, 0x40) +
                                  flagged(3, "TPE1", QByteArray("\x07\0Who", 5), 0x20)),
                       v23),
                 1);
        QCOMPARE(v23.value("Artist"), QString("Who"));
        TagMap v24;
        const QByteArray grouped = QByteArray(1, '\x07') + fixtures::syncsafe(4) + QByteArray("\0Who", 4);
        QCOMPARE(parse(tag(4, flagged(4, "TIT2", fixtures::syncsafe(11) + zlib.mid(4), 0x09) +
                                  flagged(4, "TALB", album, 0x04) + flagged(4, "TPE1", grouped, 0x41) +
                                  flagged(4, "TCON", QByteArray(1, '\x07'), 0x40)),
                       v24),
                 1);
        QCOMPARE(v24.value("Artist"), QString("Who"));
    }

};

QTEST_GUILESS_MAIN(TestAudioTags)
#include "tst_audiotags.moc"
