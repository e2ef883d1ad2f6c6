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

    // Group 3 with nothing to announce and group 14 without EON entries are switched off.
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
        QVERIFY(!enc.scheduler().table()[3].on && !enc.scheduler().table()[14].on);
        // Group 14 comes and goes with the EON list.
        enc.setEON({EON()}, 0);
        QVERIFY(enc.scheduler().table()[14].on);
        QTest::ignoreMessage(QtDebugMsg, "enc: remove EON 14A (10)");
        enc.setEON({}, 0);
        QVERIFY(!enc.scheduler().table()[14].on);
        // A new source keeps the counters while the rates stay; a new TMC gap or raw row list restarts them.
        s.gmin[3].on = 0; // switched off by the encoder, it would restart the counters each time
        rate(s, 0, 60);
        enc.setRDS(s, 95.8);
        run(enc, 5);
        s.ps = "OTHER";
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().total(0), quint64(5));
        s.tmgap = 1;
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().total(0), quint64(0));
        run(enc, 5);
        s.oda = {RDSCustomGroup()};
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.scheduler().total(0), quint64(0));
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
        // No entries: 15B instead of 14A.
        enc.setEON({}, 0);
        QCOMPARE(build(enc, &RDSEncoder::eonGroup).mid(5, 1), QString("F"));
    }

    // Raw rows go out as stored, a given checkword kept, and share their stream by rate.
    void rawGroups()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.oda = {RDSCustomGroup::parse("1111 5222 3333 4444 155 400 400 400 60 0 60 0 1"),
                 RDSCustomGroup::parse("1111 6000 3333 4444 400 400 400 400 600 0 0 0 1")};
        s.mode = 0x05;
        enc.setRDS(s, 95.8);
        u8 g0[13];
        enc.generate(g0, nullptr, nullptr, nullptr);
        QCOMPARE(unpackGroup(g0).check[0], u16(0x0155));
        int second = 0;
        for (const QString &x : run(enc, 109)) // 110 slots: 10 of the first row, 100 of the second
            second += x.mid(5, 4) == "6000";
        QCOMPARE(second, 100);
    }
};

QTEST_GUILESS_MAIN(TestRDSBuilders)
#include "tst_rdsbuilders.moc"
