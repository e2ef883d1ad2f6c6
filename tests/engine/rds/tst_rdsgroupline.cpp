#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSGroupLine.h"
#include "RDSGroupText.h"
#include "RDSLineReader.h"

#include "BoundedWait.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray bytes(const u8 *p) { return QByteArray(reinterpret_cast<const char *>(p), 13); }

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

} // namespace

class TestRdsGroupLine : public QObject
{
    Q_OBJECT

private:
    const QByteArray g1234 = coded(0x1234, 0x5678, 0x9ABC, 0xDEF0);

private slots:
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
        row("raw of the group", g.toHex(), g, g);
        row("status", "ABCD 1234 5678 9abc def0", g, g);
        // Without four more blocks of four digits it is a plain block.
        row("status too short", "ABCD 1234 5678 9abc de", coded(0xABCD, 0x1234, 0x5678, 0x9ABC), none);
        // Bad hex reads as zero; a byte token longer than two digits is cut to its low byte.
        row("bad block", "1234 zzzz 9abc def0", coded(0x1234, 0, 0x9ABC, 0xDEF0), none);
        row("0x prefix", "0x12 5678 9abc def0", coded(0, 0x5678, 0x9ABC, 0xDEF0), none);
        row("bad raw", "0123456789abcdef012345678g", QByteArray(13, '\0'), none);
        // No group.
        row("empty", "", none, none);
        row("comment", "# comment 1234 5678 9abc def0", none, none);
        row("stream prefix", "#S1 1234 5678 9abc def0", none, none);
        row("three blocks", "1234 5678 9abc", none, none);
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

    void overlongLines()
    {
        QByteArray line = "1234 5678 9abc def0";
        line += QByteArray(rdsMaxLineBytes - line.size(), ' ');
        QCOMPARE(line.size(), rdsMaxLineBytes);
        QCOMPARE(parse(line), g1234);
        line += ' ';
        QCOMPARE(parse(line), QByteArray());
    }

    void hexLines()
    {
        auto line = [](const QByteArray &group, int stream) {
            return rdsGroupHexLine(reinterpret_cast<const u8 *>(group.constData()), stream);
        };
        QCOMPARE(line(g1234, 0), QByteArray("1234 5678 9ABC DEF0"));
        QCOMPARE(line(g1234, 3), QByteArray("#S3 1234 5678 9ABC DEF0"));
        QCOMPARE(line(parse("ABCE 1234 5678 9abc def0"), 2), QByteArray("#S2 1234 5678 9ABC ----"));
        QCOMPARE(line(parse("0BC0 1234 5678 9abc def0"), 0), QByteArray("---- 5678 9ABC ----"));
        // Version B: block C is checked with offset C'.
        QCOMPARE(line(coded(0xD311, 0x0800, 0xD311, 0x4142), 0), QByteArray("D311 0800 D311 4142"));
        QByteArray in = "#S1 1234 5678 9abc def0";
        QCOMPARE(takeRdsStreamPrefix(in), 1);
        QCOMPARE(in, QByteArray("1234 5678 9abc def0"));
        for (const QByteArray &other : {QByteArray("#S4 1234"), QByteArray("# S1 1234")}) {
            in = other;
            QCOMPARE(takeRdsStreamPrefix(in), 0);
            QCOMPARE(in, other);
        }
    }

    void lineReaderBounds()
    {
        QByteArray data;
        data += QByteArray(rdsMaxLineBytes, 'x') + "\n";              // longest line
        data += QByteArray(rdsMaxLineBytes + 1, 'y') + "\n";          // one too long
        data += QByteArray(20000, 'z') + " 1111 2222 3333 4444\n";    // long, with a tail
        data += "short\r\n";
        data += "last";
        QBuffer buf(&data);
        QVERIFY(buf.open(QIODevice::ReadOnly));
        RDSLineReader reader;
        QByteArray line;
        qint64 budget = 1000000;
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::Line);
        QCOMPARE(line, QByteArray(rdsMaxLineBytes, 'x'));
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::TooLong);
        QVERIFY(!reader.skipping());
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::TooLong);
        QVERIFY(reader.skipping());
        // The tail of the long line is skipped, not read as a line.
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::Line);
        QCOMPARE(line, QByteArray("short"));
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::Line);
        QCOMPARE(line, QByteArray("last"));
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::End);
        QCOMPARE(budget, qint64(1000000 - data.size()));
    }

    void lineReaderBudget()
    {
        QByteArray data = QByteArray(50000, 'q') + "\nnext\n";
        QBuffer buf(&data);
        QVERIFY(buf.open(QIODevice::ReadOnly));
        RDSLineReader reader;
        QByteArray line;
        qint64 budget = 10000;
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::TooLong);
        QCOMPARE(reader.readLine(buf, line, budget), RDSLineReader::Status::OutOfBudget);
        QVERIFY(budget <= 0 && budget > -(rdsMaxLineBytes + 3));
        QVERIFY(buf.pos() < 20000);
        int turns = 0;
        RDSLineReader::Status st = RDSLineReader::Status::OutOfBudget;
        while (st == RDSLineReader::Status::OutOfBudget && turns < 20) {
            budget = 10000;
            st = reader.readLine(buf, line, budget);
            ++turns;
        }
        QCOMPARE(st, RDSLineReader::Status::Line);
        QCOMPARE(line, QByteArray("next"));
        QVERIFY(turns >= 4);
    }

    void replayCyclesThroughFiles()
    {
        QTemporaryDir dir;
        const QString f1 = dir.filePath("one.txt"), f2 = dir.filePath("two.txt"), f3 = dir.filePath("only.txt");
        QVERIFY(writeFile(f1, "# Kanal 1 - recorded\n12:00:00.000 ABCD 1111 0000 0000 0001\n"
                              "\n12:00:00.088 ABCD 1111 0000 0000 0002\n"));
        QVERIFY(writeFile(f2, "2222 0000 0000 0001\r\n# end\n"));
        QVERIFY(writeFile(f3, "3333 0000 0000 0001\n3333 0000 0000 0002"));
        RDSEncoder enc(5);
        RDSSource src;
        src.fused = true;
        src.files = QStringList{f1, f2};
        enc.setRDS(src, 95.8);
        QVERIFY(!enc.takeGroupFileOpened());
        // The comment after the last group of file two ends its slot without a group; that slot is encoded
        // normally. "+": the slot opened the file.
        QCOMPARE(replaySlots(enc, 8), (QStringList{"1111 0000 0000 0001 one.txt+", "1111 0000 0000 0002 one.txt",
                                                   "2222 0000 0000 0001 two.txt+", "- two.txt",
                                                   "1111 0000 0000 0001 one.txt+", "1111 0000 0000 0002 one.txt",
                                                   "2222 0000 0000 0001 two.txt+", "- two.txt"}));
        // A new source closes the file and forgets it: replay starts again at file one.
        enc.setRDS(src, 95.8);
        QCOMPARE(enc.replayFileName(), QString());
        QCOMPARE(replaySlots(enc, 1), QStringList{"1111 0000 0000 0001 one.txt+"});
        // A single file rewinds without opening it again.
        src.files = QStringList{f3};
        enc.setRDS(src, 95.8);
        QCOMPARE(replaySlots(enc, 4), (QStringList{"3333 0000 0000 0001 only.txt+", "3333 0000 0000 0002 only.txt",
                                                   "3333 0000 0000 0001 only.txt", "3333 0000 0000 0002 only.txt"}));
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
};

QTEST_GUILESS_MAIN(TestRdsGroupLine)
#include "tst_rdsgroupline.moc"
