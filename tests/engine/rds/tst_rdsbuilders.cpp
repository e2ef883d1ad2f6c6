#include "EncoderFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace encfix;

namespace {

int typeOf(const QString &group)
{
    return group.mid(5, 1).toInt(nullptr, 16);
}

// One character per group: its type in hex, "B" for a version B group of the given type.
QString kinds(const QStringList &groups, int burstType)
{
    QString k;
    for (const QString &x : groups)
        k += (typeOf(x) == burstType && (x.mid(5, 4).toUInt(nullptr, 16) & 0x0800)) ? QString("B")
                                                                                    : QString::number(typeOf(x), 16);
    return k;
}

} // namespace

// The exact blocks of each group builder for known sources, and the encoder's scheduling roads.
class TestRDSBuilders : public QObject
{
    Q_OBJECT

private slots:
    // Mode 2: 2A of A and 2B of B in turn; eRT alternates C and D with their own end characters.
    void textAlternation()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.rtxg = 2;
        s.rta = "ABCDEFG";
        s.rtb = "abcd";
        s.endx = 0;
        s.ertg = 12;
        s.rtc = "Cc";
        s.rtd = "Dd";
        s.endx = 0x0C;
        s.endc = 0x0D;
        s.endd = 0x0A;
        s.rpc = s.rpd = 1;
        enc.setRDS(s, 95.8);
        QCOMPARE(build(enc, &RDSEncoder::radioText, 3),
                 (QStringList{grp(0x2000, chars("AB"), chars("CD")), grp(0x2800, 0x1234, chars("ab")),
                              grp(0x2000 | 1, chars("EF"), 0x470D)}));
        QCOMPARE(build(enc, &RDSEncoder::enhancedRadioText, 2),
                 (QStringList{grp(0xC000, chars("Cc"), 0x0D00), grp(0xC000, chars("Dd"), 0x0A00)}));
    }

    void odaAnnouncements()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.tmcsi = 1;
        s.rtxt = 0xC0;
        s.ertg = 12;
        s.rtgrp = 11;
        s.ertb = 0x0001;
        s.rtbit = 0x2000;
        enc.setRDS(s, 95.8);
        TMCSource tmc;
        tmc.used = true;
        tmc.flag = 0x09 | 0x02; // variants 0 and 1, encryption
        enc.setTMC(tmc);
        QCOMPARE(build(enc, &RDSEncoder::odaAnnouncement, 5),
                 (QStringList{grp(0x3000 | 0x10, 0x0047 & 0xF03F, 0xCD46), grp(0x3000 | 0x10, 0x400D, 0xCD46),
                              grp(0x3000 | 24, 0x0001, 0x6552), grp(0x3000 | 22, 0x2000, 0x4BD7),
                              grp(0x3000 | 0x10, 0x0007, 0xCD46)}));
        // Unused TMC source: no TMC announcements.
        tmc.used = false;
        enc.setTMC(tmc);
        enc.setRDS(s, 95.8);
        QCOMPARE(build(enc, &RDSEncoder::odaAnnouncement), grp(0x3000 | 24, 0x0001, 0x6552));
        // Nothing to announce: "AID: unknown" and an empty 8A announcement.
        s.rtxt = 0;
        enc.setRDS(s, 95.8);
        QTest::ignoreMessage(QtDebugMsg, "AID: unknown");
        QCOMPARE(build(enc, &RDSEncoder::odaAnnouncement), grp(0x3000 | 0x10, 0, 0));
    }

    void clockTime()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        const auto ct = [&](const QDateTime &t) {
            enc.setRDS(s, 95.8);
            u8 o[13];
            enc.clockTime(o, t);
            return hex(o);
        };
        const QDateTime t(QDate(2024, 5, 17), QTime(13, 45, 10), Qt::UTC);
        const int mjd = 60447;
        s.zone = 2; // one hour in half hours
        QCOMPARE(ct(t), grp(0x4000 | (mjd >> 15), u16((mjd & 0x7FFF) << 1), (13 << 12) | (45 << 6) | 2));
        // Negative offset, minutes added across midnight, hour bit 4 in block C.
        s.zone = -3;
        s.mins = 30;
        QCOMPARE(ct(QDateTime(QDate(2024, 5, 17), QTime(23, 50), Qt::UTC)),
                 grp(0x4000 | 1, u16(((mjd + 1) & 0x7FFF) << 1), (0 << 12) | (20 << 6) | 0x23));
        QCOMPARE(ct(t.addSecs(3 * 3600)), grp(0x4000 | 1, u16(((mjd & 0x7FFF) << 1) | 1), (1 << 12) | (15 << 6) | 0x23));
        // The magnitude is clamped to 31 half hours.
        s.zone = 100;
        s.mins = 0;
        QCOMPARE(ct(t).right(4), QString::asprintf("%04X", (13 << 12) | (45 << 6) | 31));
        // A fixed date with a day count of 0 keeps today's date.
        s.zone = 0;
        s.date = 1;
        s.days = 0;
        QCOMPARE(ct(t).mid(10, 4), QString::asprintf("%04X", (mjd & 0x7FFF) << 1));
    }

    void eon14A()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        EON e;
        e.pi = 0x5678;
        e.ps = "OTHER";
        e.pty = 5;
        e.tp = 1;
        e.ta = 1;
        RDSAFEntry a, b;
        a.freq = 880;
        b.freq = 1530;
        e.af = {a, b};
        s.eon = {e};
        enc.setRDS(s, 95.8);
        const u16 b0 = 0xE000 | 0x10;
        const u16 ptyTa = (5 << 11) | 1;
        QCOMPARE(build(enc, &RDSEncoder::eonGroup, 10),
                 (QStringList{grp(b0 | 0, chars("OT"), 0x5678), grp(b0 | 1, chars("HE"), 0x5678),
                              grp(b0 | 2, chars("R "), 0x5678), grp(b0 | 3, 0x2020, 0x5678),
                              grp(b0 | 13, ptyTa, 0x5678), grp(b0 | 13, ptyTa, 0x5678),
                              // AF(ON) as a method-A list: count code first, LF/MF as 250 + code.
                              grp(b0 | 4, 0xE205, 0x5678), grp(b0 | 4, 0xFA01, 0x5678),
                              grp(b0 | 0, chars("OT"), 0x5678), grp(b0 | 1, chars("HE"), 0x5678)}));
        // No entries: 15B instead.
        enc.setEON({}, 0);
        QCOMPARE(build(enc, &RDSEncoder::eonGroup).mid(5, 1), QString("F"));
    }

    void enhancedRadioTextCodec()
    {
        // A new encoder codes eRT with UTF-8, so an empty "enc" still gets the UTF-8 byte-order mark.
        RDSEncoder enc(1);
        RDSSource s = source();
        s.ertg = 12;
        s.rtxt = 0x04;
        s.rtc = "Ab";
        s.endx = 0;
        // A name without a codec: UTF-8 without a mark, and an empty "enc" afterwards keeps that; a named
        // codec replaces it: UTF-16BE with its mark.
        const QList<QPair<QByteArray, QString>> cases{{"", grp(0xC000, 0xEFBB, 0xBF41)},
                                                   {"0", grp(0xC000, chars("Ab"), 0)},
                                                   {"", grp(0xC000, chars("Ab"), 0)},
                                                   {"UTF-16BE", grp(0xC000, 0xFEFF, 0x0041)}};
        for (const auto &c : cases) {
            s.enc = c.first;
            enc.setRDS(s, 95.8);
            QCOMPARE(build(enc, &RDSEncoder::enhancedRadioText), c.second);
        }
    }

    void radioTextPlus()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.rtgrp = 11;
        RTag title, artist;
        title.type = 1;
        title.text = "t";
        artist.type = 4;
        artist.text = "a";
        s.rttag = {title, artist};
        s.rtitm = 11; // running, toggle by song, song information
        s.rta = "Now: $0 by $1";
        enc.setRDS(s, 95.8);
        const auto blockB = [&] { return build(enc, &RDSEncoder::radioTextPlus).mid(5, 4); };
        // Without song information the tags' own texts: "Now: t by a".
        QCOMPARE(build(enc, &RDSEncoder::radioTextPlus),
                 grp(0xB000 | 0x08, (1 << 13) | (5 << 7) | (0 << 1), (4 << 11) | (10 << 5) | 0));
        // "Now: Song by Band": the artist starts after the inserted title; the toggle flipped.
        enc.setSongInfo({{"Title", "Song"}, {"Artist", "Band"}});
        QCOMPARE(build(enc, &RDSEncoder::radioTextPlus),
                 grp(0xB000 | 0x18, (1 << 13) | (5 << 7) | (3 << 1), (4 << 11) | (13 << 5) | 3));
        // The same song again changes nothing; another song flips the toggle back.
        enc.setSongInfo({{"Title", "Song"}, {"Artist", "Band"}});
        QCOMPARE(blockB(), bx(0xB000 | 0x18));
        enc.setSongInfo({{"Title", "Other"}, {"Artist", "Band"}});
        QCOMPARE(blockB(), bx(0xB000 | 0x08));
        // Content types above 7 put their top bits in block B, bit 5 in block C.
        RTag big;
        big.type = 0x2B; // 43
        big.text = "x";
        s.rttag = {big, big};
        s.rta = "$0$1";
        s.rtitm = 0x01;
        enc.setRDS(s, 95.8);
        QCOMPARE(build(enc, &RDSEncoder::radioTextPlus),
                 grp(0xB000 | 0x08 | 5, (3 << 13) | (0 << 7) | 1, (0xB << 11) | (1 << 5)));
        s.rttag.clear();
        enc.setRDS(s, 95.8);
        QCOMPARE(build(enc, &RDSEncoder::radioTextPlus), grp(0xB000 | 0x08, 0, 0));
    }


    void burst14B()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        rate(s, 14, 1);
        s.eoc1 = 4;
        s.eot1 = 10;
        EON a, b;
        a.pi = 0x5001;
        b.pi = 0x5002;
        b.tp = 1;
        s.eon = {a, b};
        enc.setRDS(s, 95.8);
        QVERIFY(enc.scheduler().table()[14].on);
        b.ta = 1;
        enc.setEON({a, b}, 1);
        const QStringList g = run(enc, 12);
        QCOMPARE(g[0], grp(0xE800 | 0x10 | 0x08, 0x1234, 0x5002));
        // The 14A group in slot 2 is the regular one (group 14 at 1 a minute).
        QCOMPARE(kinds(g, 14), QString("B0eB00B00B00"));
        QCOMPARE(g.count(g[0]), 4);
        // No burst without a TA change.
        enc.setEON({a, b}, 1);
        QCOMPARE(kinds(run(enc, 1), 14), QString("0"));
    }

    void rawGroups()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        RDSCustomGroup row;
        row.block[0] = 0x1111;
        row.block[1] = 0x5222;
        row.block[2] = 0x3333;
        row.block[3] = 0x4444;
        row.check[0] = 0x0155; // given checkword
        row.rate[0] = 60;
        row.rate[2] = 60;
        s.oda = {row};
        s.mode = 0x05;
        enc.setRDS(s, 95.8);
        u8 g0[13], g2[13];
        enc.generate(g0, nullptr, g2, nullptr);
        QCOMPARE(unpackGroup(g0).info[0], u16(0x1111));
        QCOMPARE(unpackGroup(g0).check[0], u16(0x0155));
        QCOMPARE(hex(g0).mid(5), QString("5222 3333 4444"));
        // Stream 2 sends the row as stored, block A included.
        QCOMPARE(unpackGroup(g2).info[0], u16(0x1111));
        // The list grows and shrinks: the counters follow it.
        RDSCustomGroup second = row;
        second.block[1] = 0x6000;
        second.rate[0] = 600;
        s.oda = {row, second};
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().rawSize(), 2);
        QCOMPARE(enc.scheduler().rawCount(0, 0), quint64(0)); // restarted with the list
        int seconds = 0;
        for (const QString &x : run(enc, 110))
            seconds += x.mid(5, 4) == "6000";
        QCOMPARE(seconds, 100);
        s.oda = {};
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().rawSize(), 0);
        // Nothing scheduled: 13 zero bytes, whose checkwords are all wrong.
        QCOMPARE(run(enc, 1).first(), QString("---- ---- ---- ----"));
    }

    void setRatesRules()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 3, 10);
        rate(s, 14, 10);
        QTest::ignoreMessage(QtDebugMsg, "enc: remove ODA group 3 (10)");
        QTest::ignoreMessage(QtDebugMsg, "enc: remove EON 14A (10)");
        QTest::ignoreMessage(QtDebugMsg, "enc: restart counters 0 == 0");
        enc.setRDS(s, 95.8);
        QVERIFY(!enc.scheduler().table()[3].on);
        QVERIFY(!enc.scheduler().table()[14].on);
        // An EON list brings group 14 back; RT+ announcements bring group 3 back.
        EON e;
        e.pi = 0x4444;
        enc.setEON({e}, 0);
        QVERIFY(enc.scheduler().table()[14].on);
        s.rtxt = 0x80;
        s.eon = {e};
        enc.setRDS(s, 95.8);
        QVERIFY(enc.scheduler().table()[3].on);
        // Unchanged rates keep the counters; changed rates restart them.
        run(enc, 5);
        s.ps = "OTHER";
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().total(0), quint64(5));
        rate(s, 0, 30);
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().total(0), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestRDSBuilders)
#include "tst_rdsbuilders.moc"
