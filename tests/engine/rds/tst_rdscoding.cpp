#include "BoundedWait.h"
#include "RDSCharset.h"
#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSGroup.h"
#include "RDSGroupLine.h"
#include "RDSGroupText.h"
#include "RDSLineReader.h"
#include "RadioTextExpander.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <bitset>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Remainder of value * x^10 divided by x^10+x^8+x^7+x^5+x^4+x^3+1, by plain long division over GF(2);
// independent of the shift register under test.
u16 remainderByDivision(u16 value)
{
    quint32 r = static_cast<quint32>(value) << 10;
    for (int bit = 25; bit >= 10; --bit) {
        if (r & (1U << bit))
            r ^= 0x5B9U << (bit - 10);
    }
    return static_cast<u16>(r);
}

QByteArray bytes(const u8 *p) { return QByteArray(reinterpret_cast<const char *>(p), 13); }

int bitsChanged(const RDSBlocks &a, const RDSBlocks &b)
{
    int n = 0;
    for (int k = 0; k < 4; ++k) {
        n += static_cast<int>(std::bitset<16>(a.info[k] ^ b.info[k]).count());
        n += static_cast<int>(std::bitset<10>((a.check[k] ^ b.check[k]) & 0x3FF).count());
    }
    return n;
}

RDSBlocks sampleBlocks(u16 b = 0x2410)
{
    RDSBlocks blocks;
    blocks.info[0] = 0xD311;
    blocks.info[1] = b;
    blocks.info[2] = 0x4142;
    blocks.info[3] = 0x4344;
    addCheckwords(blocks);
    return blocks;
}

// The coded group of four information words with correct checkwords.
QByteArray coded(u16 a, u16 b, u16 c, u16 d)
{
    RDSBlocks blocks;
    blocks.info[0] = a;
    blocks.info[1] = b;
    blocks.info[2] = c;
    blocks.info[3] = d;
    addCheckwords(blocks);
    u8 out[13];
    packGroup(out, blocks);
    return bytes(out);
}

// Parses with injection off; the 13 bytes, or an empty array for no group.
QByteArray parse(const QByteArray &line, RDSErrorSettings settings = RDSErrorSettings{})
{
    std::minstd_rand gen(1);
    u8 out[13] = {};
    const int n = parseRdsGroupLine(out, line, settings, gen);
    if (n == 0)
        return QByteArray();
    return n == 13 ? bytes(out) : QByteArray("bad size");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// n replay slots: the group's hex line or "-", the file's name, "+" when the slot opened it.
QStringList replaySlots(RDSEncoder &enc, int n)
{
    QStringList l;
    u8 out[13];
    for (int i = 0; i < n; ++i) {
        const bool got = enc.replayGroup(out);
        l << QString("%1 %2%3")
                 .arg(got ? QString::fromLatin1(rdsGroupHexLine(out, 0)) : QString("-"))
                 .arg(QFileInfo(enc.replayFileName()).fileName())
                 .arg(enc.takeGroupFileOpened() ? "+" : "");
    }
    return l;
}

const QByteArray g1234 = coded(0x1234, 0x5678, 0x9ABC, 0xDEF0);

QString u(ushort c) { return QString(QChar(c)); }

RTag tag(int type, const QString &text)
{
    RTag t;
    t.type = type;
    t.text = text;
    return t;
}

QMap<QString, QString> song()
{
    return {{"Title", "Song#1"}, {"Artist", "Band"}, {"Album", ""}};
}

} // namespace

// RDS group coding and error injection, group lines and their files, the character set and the RadioText
// expansion of tags.
class TestRdsCoding : public QObject
{
    Q_OBJECT

private slots:
    void checkwordsAndPacking()
    {
        std::minstd_rand gen(7);
        for (int n = 0; n < 200; ++n) {
            const u16 w = static_cast<u16>(gen());
            QCOMPARE(rdsCheckword(w), remainderByDivision(w));
        }
        // The all-zero group: the checkwords are the offset words A, B, C, D; only the low ten bits of a
        // checkword field are sent.
        RDSBlocks blocks;
        addCheckwords(blocks);
        blocks.check[0] |= 0x0400;
        u8 out[13];
        packGroup(out, blocks);
        QCOMPARE(bytes(out), QByteArray::fromHex("00003F000019800005A00001B4"));
        // Version B: block C carries offset C'.
        RDSBlocks vb;
        vb.info[RDSBlocks::B] = rdsVersionBFlag;
        addCheckwords(vb);
        QCOMPARE(vb.check[2], u16(0x350));
        vb.check[2] = 0x168;
        QVERIFY(!rdsBlockValid(vb, 2));
        // Fields are masked to their width in block B.
        QCOMPARE(rdsBlockB(0x12, false, 2, 0x25, 0x3F), u16(0x20BF));
    }

    // Off without "err" bit 7 or with ber 0; at 100 % (or more) flip, clear and set change every bit,
    // checkwords within their ten bits.
    void fullRateModes()
    {
        std::minstd_rand gen(5);
        const RDSBlocks built = sampleBlocks();
        RDSBlocks b = built;
        QVERIFY(!injectBitErrors(b, 0x7F, 100, 0x87, gen));
        QVERIFY(!injectBitErrors(b, 0x80, 0, 0x87, gen));
        QCOMPARE(bitsChanged(b, built), 0);
        RDSBlocks flip = built, clear = built, set = built;
        QVERIFY(injectBitErrors(flip, 0x80, 250, 0, gen));
        injectBitErrors(clear, 0x81, 100, 0, gen);
        injectBitErrors(set, 0x82, 100, 0, gen);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(flip.check[k], u16(built.check[k] ^ 0x3FF));
            QCOMPARE(clear.info[k] | clear.check[k], 0);
            QCOMPARE(set.info[k] & set.check[k], 0x3FF);
        }
        QCOMPARE(bitsChanged(flip, built), 104);
    }

    // ber percent of the 104 bits, rounded: 10.4, 93.6, 52, 1.04, 38.48.
    void exactCount()
    {
        const RDSBlocks built = sampleBlocks();
        const int cases[][2] = {{10, 10}, {90, 94}, {50, 52}, {1, 1}, {37, 38}};
        for (u32 seed = 1; seed <= 50; ++seed) {
            std::minstd_rand gen(seed);
            for (const auto &c : cases) {
                RDSBlocks b = built;
                injectBitErrors(b, 0x80, c[0], rdsFix::exactCount, gen);
                QVERIFY2(bitsChanged(b, built) == c[1], qPrintable(QString("seed %1 ber %2").arg(seed).arg(c[0])));
            }
        }
    }

    // Every bit flipped, then the fix bits in the order keep type, keep PI, recompute checkwords. Blocks as
    // "info" and "!" when the checkword is wrong; the sample's PI is D311, C 4142, D 4344.
    void fixKeepsTypeAndPI()
    {
        const struct { u16 b; u8 fix; const char *want; } cases[] = {
            {0x2410, rdsFix::keepType, "2CEE! 23EF! BEBD! BCBB!"},
            {0x0C10, rdsFix::keepType | rdsFix::keepPI, "D311! 0BEF! D311! BCBB!"},
            // Without keep type the damaged block B decides whether C carries the PI.
            {0x2C10, rdsFix::keepPI, "D311! D3EF! BEBD! BCBB!"},
            {0x2410, rdsFix::keepPI, "D311! DBEF! D311! BCBB!"},
            {0x0800, 0x07, "D311 0FFF D311 BCBB"},
            {0x2410, 0, "2CEE! DBEF! BEBD! BCBB!"},
        };
        std::minstd_rand gen(21);
        for (const auto &c : cases) {
            RDSBlocks b = sampleBlocks(c.b);
            u8 out[13];
            finishRdsGroup(out, b, RDSErrorSettings{0x80, 100, c.fix}, gen);
            const RDSBlocks got = unpackGroup(out);
            QStringList blocks;
            for (int k = 0; k < 4; ++k)
                blocks << QString::asprintf("%04X", got.info[k]) + (rdsBlockValid(got, k) ? "" : "!");
            QCOMPARE(blocks.join(' '), QString(c.want));
        }
    }

    void lineForms_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("group"); // empty: no group
        QTest::addColumn<QByteArray>("flipped"); // with every bit flipped by injection
        const QByteArray g = g1234;
        QByteArray inv = g;
        for (char &c : inv)
            c = static_cast<char>(~c);
        const QByteArray raw = QByteArray::fromHex("0123456789abcdef0123456789");
        const QByteArray none;
        const auto row = [](const char *name, const QByteArray &line, const QByteArray &group,
                            const QByteArray &flipped) { QTest::newRow(name) << line << group << flipped; };
        row("blocks", "1234 5678 9abc def0", g, inv);
        row("bytes", "12 34 56 78 9a bc de f0", g, inv);
        row("one token", "123456789abcdef0", g, inv);
        // Leading tokens such as time stamps are skipped.
        row("time stamp and status", "12:00:01.250 ABCD 1234 5678 9abc def0", g, g);
        // Raw form: 13 bytes unchanged, wrong checkwords included; raw and status forms are taken as given,
        // without injection.
        row("raw", "0123456789ABCDEF0123456789", raw, raw);
        row("status", "ABCD 1234 5678 9abc def0", g, g);
        // Without four more blocks of four digits it is a plain block.
        row("status too short", "ABCD 1234 5678 9abc de", coded(0xABCD, 0x1234, 0x5678, 0x9ABC), none);
        // Bad hex reads as zero; a byte token longer than two digits is cut to its low byte.
        row("bad block", "1234 zzzz 9abc def0", coded(0x1234, 0, 0x9ABC, 0xDEF0), none);
        row("0x prefix", "0x12 5678 9abc def0", coded(0, 0x5678, 0x9ABC, 0xDEF0), none);
        // No group.
        row("empty", "", none, none);
        row("comment", "# comment 1234 5678 9abc def0", none, none);
        row("stream prefix", "#S1 1234 5678 9abc def0", none, none);
    }

    void lineForms()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, flipped);
        QCOMPARE(parse(line), group);
        if (!flipped.isNull() || group.isEmpty())
            QCOMPARE(parse(line, RDSErrorSettings{0x80, 100, 0}), flipped);
    }

    // Monitor lines: "----" for a block with a wrong checkword (here from the status word); stream prefixes.
    void hexLines()
    {
        const QByteArray status = parse("ABCE 1234 5678 9abc def0");
        QCOMPARE(rdsGroupHexLine(reinterpret_cast<const u8 *>(status.constData()), 2),
                 QByteArray("#S2 1234 5678 9ABC ----"));
        QByteArray in = "#S1 1234 5678 9abc def0";
        QCOMPARE(takeRdsStreamPrefix(in), 1);
        QCOMPARE(in, QByteArray("1234 5678 9abc def0"));
        in = "#S4 1234";
        QCOMPARE(takeRdsStreamPrefix(in), 0);
        QCOMPARE(in, QByteArray("#S4 1234"));
    }

    // Lines over 4096 bytes give no line, and their tail is skipped, never read as a new line; each call reads
    // within its byte budget, so a huge line takes several turns.
    void lineReaderBounds()
    {
        QByteArray data = QByteArray(rdsMaxLineBytes, 'x') + "\n" + QByteArray(rdsMaxLineBytes + 1, 'y') + "\n" +
                          QByteArray(50000, 'z') + " 1111 2222 3333 4444\nshort\r\nlast";
        QBuffer buf(&data);
        QVERIFY(buf.open(QIODevice::ReadOnly));
        RDSLineReader reader;
        QByteArray line;
        QStringList got;
        for (int turn = 0; turn < 40; ++turn) {
            qint64 budget = 10000;
            const RDSLineReader::Status st = reader.readLine(buf, line, budget);
            if (st == RDSLineReader::Status::End)
                break;
            QVERIFY(budget > -(rdsMaxLineBytes + 3));
            got << (st == RDSLineReader::Status::Line ? QString::fromLatin1(line.left(5))
                    : st == RDSLineReader::Status::TooLong ? QStringLiteral("long") : QStringLiteral("more"));
        }
        got.removeDuplicates();
        QCOMPARE(got, (QStringList{"xxxxx", "long", "more", "short", "last"}));
    }

    void replayLimits()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("missing.txt");
        const QString comments = dir.filePath("comments.txt");
        const QString longLine = dir.filePath("long.txt");
        QVERIFY(writeFile(comments, QByteArray("# comment\n").repeated(70) + "4444 0000 0000 0001\n"));
        // A long line whose tail holds a group: the tail must not count.
        QVERIFY(writeFile(longLine, QByteArray(60000, ' ') + "ffff ffff ffff ffff\n5555 0000 0000 0001\n"));
        RDSEncoder enc(7);
        RDSSource src;
        src.fused = true;
        // A missing file gives no group, the next slot moves on; 66 lines per slot: the group after 70
        // comments comes in the second slot.
        src.files = QStringList{missing, comments};
        enc.setRDS(src, 95.8);
        QCOMPARE(replaySlots(enc, 3), (QStringList{"- missing.txt", "- comments.txt+",
                                                   "4444 0000 0000 0001 comments.txt"}));
        // The bytes per slot are bounded: the long line takes several slots.
        src.files = QStringList{longLine};
        enc.setRDS(src, 95.8);
        const QStringList turns = replaySlots(enc, 20);
        const int first = turns.indexOf("5555 0000 0000 0001 long.txt");
        QVERIFY2(first >= 2, qPrintable(turns.join(", ")));
        QVERIFY(turns.mid(0, first).filter("FFFF").isEmpty());
    }

    void replayPassesOverPipes()
    {
        QTemporaryDir dir;
        const QByteArray pipe = QFile::encodeName(dir.filePath("pipe"));
        const QString good = dir.filePath("good.txt");
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        QVERIFY(writeFile(good, "6666 0000 0000 0001\n"));
        RDSEncoder enc(8);
        RDSSource src;
        src.fused = true;
        src.files = QStringList{QFile::decodeName(pipe), good};
        enc.setRDS(src, 95.8);

        u8 out[13];
        bool got[2] = {true, false};
        std::atomic<bool> done{false};
        std::thread worker([&] {
            got[0] = enc.replayGroup(out);
            got[1] = enc.replayGroup(out);
            done = true;
        });
        const bool finished = testsupport::waitUntil([&] { return done.load(); }, 5000);
        // A replay stuck in opening the pipe is let go by a writer.
        for (int i = 0; i < 500 && !done; ++i) {
            const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            QThread::msleep(10);
        }
        worker.join();
        QVERIFY2(finished, "opening a named pipe blocked the replay");
        // The pipe is passed over (that slot is encoded normally), then the next file plays.
        QVERIFY(!got[0]);
        QVERIFY(got[1]);
        QCOMPARE(unpackGroup(out).info[0], u16(0x6666));
    }

    void tableRoundTrip()
    {
        for (int code = 0x20; code <= 0xFE; ++code)
            QCOMPARE(int(rdsCharFromUnicode(rdsCharToUnicode(static_cast<u8>(code)))), code);
        QCOMPARE(rdsCharToUnicode(0xFF), QChar(QChar::ReplacementCharacter));
        QCOMPARE(rdsCharToUnicode(0xAB), QChar('$'));
        QCOMPARE(rdsCharToUnicode(0xE3), QChar(0x0152));
    }

    // "", "0" and "E.1..." name the RDS character set; an unknown codec name encodes as UTF-8 without a mark.
    void charsetNames()
    {
        QVERIFY(rdsCharsetIsE1("E.1 RDS"));
        QVERIFY(!rdsCharsetIsE1("E1"));
        const QString text = u(0x00E9) + "$";
        const QList<QPair<QPair<QByteArray, bool>, QByteArray>> cases{
            {{"", false}, "\x82\xAB"},
            {{"0", false}, "\x82\xAB"},
            {{"UTF-8", true}, "\xEF\xBB\xBF" + text.toUtf8()},
            {{"no-such-codec", true}, text.toUtf8()},
            {{"ISO-8859-1", false}, "\xE9$"}};
        for (const auto &c : cases)
            QCOMPARE(rdsTextBytes(text, {}, c.first.second, c.first.first), c.second);
    }

    void escapesShiftPositions()
    {
        RadioTextExpander x;
        x.setTags({tag(1, "title")}, 11);
        x.setSongInfo(song());
        const ExpandedText e = x.expand("#41#42 $0 #0A", 2);
        QCOMPARE(e.text, QString("AB Song#1 \n"));
        QCOMPARE(e.escapes, (QList<int>{0, 1, 10}));
        QCOMPARE(e.tags, (QList<RTPlusTag>{{1, 3, 5}}));
        // Four digits make one character of #03A9.
        const ExpandedText f = x.expand("#03A9 $0", 4);
        QCOMPARE(f.text, QString(QChar(0x03A9)) + " Song#1");
        QCOMPARE(f.tags, (QList<RTPlusTag>{{1, 2, 5}}));
        // "##" is one '#', and a '$' made by an escape is no placeholder.
        QCOMPARE(x.expand("a##b#24 0", 2).text, QString("a#b$ 0"));
        QVERIFY(x.expand("a##b#24 0", 2).tags.isEmpty());
    }

    // Song tags by content type ($a: lower-case digits are replaced); an item must start at position 63 or
    // before; a '$' at the end stays.
    void typesAndPlaceholders()
    {
        RadioTextExpander x;
        x.setTags({tag(2, "a"), tag(3, "b"), tag(10, "c"), tag(11, "d"), tag(12, "e"), tag(1, "f"), tag(1, "g"),
                   tag(1, "h"), tag(1, "i"), tag(1, "j"), tag(1, "k")},
                  11);
        x.setSongInfo({{"Album", "Al"}, {"Tracknumber", "7"}, {"Comment", "Co"}, {"Genre", "Ge"}});
        QCOMPARE(x.expand("$0 $1 $2 $3 $4$a", 2).text, QString("Al 7 Co Ge e")); // no title in the song
        const QString pad(62, QLatin1Char('x'));
        QCOMPARE(x.expand(pad + "$0$1", 2).tags, (QList<RTPlusTag>{{2, 62, 1}}));
        QCOMPARE(x.expand("cost $", 2).text, QString("cost $"));
    }
};

QTEST_GUILESS_MAIN(TestRdsCoding)
#include "tst_rdscoding.moc"
