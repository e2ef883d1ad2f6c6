#include "EncoderFixtures.h"

#include <QTest>

using namespace encfix;

class TestRDSBuilders : public QObject
{
    Q_OBJECT

private slots:
    void psSegmentsWithDI()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        enc.setRDS(s, 95.8);
        // 0B: TA 0, MS 1, DI 9 = d3 in segment 0 and d0 in segment 3.
        QCOMPARE(run(enc, 5),
                 (QStringList{w(0x1234, 0x0800 | tpPty | 0x08 | 0x04 | 0, 0x1234, chars("TR")),
                              w(0x1234, 0x0800 | tpPty | 0x08 | 1, 0x1234, chars("OV")),
                              w(0x1234, 0x0800 | tpPty | 0x08 | 2, 0x1234, chars("IN")),
                              w(0x1234, 0x0800 | tpPty | 0x08 | 0x04 | 3, 0x1234, chars("A1")),
                              w(0x1234, 0x0800 | tpPty | 0x08 | 0x04 | 0, 0x1234, chars("TR"))}));
        // A short PS is filled with spaces; escapes give their byte; fields are masked.
        s.ps = "AB#0D";
        s.ms = 0;
        s.ta = 3;   // only bit 0 counts
        s.pty = 33; // 5 bits: 1
        s.buc1 = 0; // no 15B burst for the TA change
        enc.setRDS(s, 95.8);
        QCOMPARE(run(enc, 3), (QStringList{w(0x1234, 0x0C00 | 0x20 | 0x10 | 0x04, 0x1234, 0x4142),
                                           w(0x1234, 0x0C00 | 0x20 | 0x10 | 1, 0x1234, 0x0D20),
                                           w(0x1234, 0x0C00 | 0x20 | 0x10 | 2, 0x1234, 0x2020)}));
    }

    void scrollingPS()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        s.ps = "ABCDEFGHIJKL";
        s.pss = 0x39; // scroll by 2 every 4 cycles
        enc.setRDS(s, 95.8);
        QStringList d;
        for (const QString &g : run(enc, 52))
            d << g.mid(15);
        QCOMPARE(d[0], QString("4142"));
        QCOMPARE(d[15], QString("4748"));
        QCOMPARE(d[16], QString("4344")); // window 2
        QCOMPARE(d[31], QString("494A"));
        QCOMPARE(d[32], QString("4546")); // window 4
        QCOMPARE(d[47], QString("4B4C")); // last segment shows K L
        QCOMPARE(d[48], QString("4142")); // window 6 is past the end: back to 0
        // Bit 3 clear: the window never moves.
        s.pss = 0x31;
        enc.setRDS(s, 95.8);
        const QStringList fixed = run(enc, 40);
        QCOMPARE(fixed[16].mid(15), QString("4142"));
        QCOMPARE(fixed[39].mid(15), QString("4748"));
    }

    void alternativeFrequencies()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        s.afu = 0x05; // method A, manual list
        RDSAFEntry a, b;
        a.freq = 880;
        b.freq = 881;
        s.afs = {a, b};
        enc.setRDS(s, 87.6);
        QCOMPARE(enc.source().afCodes, (QList<u16>{0xE301, 0x0506}));
        const QStringList g = run(enc, 3);
        QCOMPARE(g[0], w(0x1234, tpPty | 0x08 | 0x04, 0xE301, chars("TR")));
        QCOMPARE(g[1], w(0x1234, tpPty | 0x08 | 1, 0x0506, chars("OV")));
        QCOMPARE(g[2], w(0x1234, tpPty | 0x08 | 2, 0xE301, chars("IN")));
        // Method B with a regional pair, tuned to 95.8 MHz (code 83).
        s.afu = 0x0D;
        s.afs[1].regional = 1;
        s.afs[1].freq = 1011;
        enc.setRDS(s, 95.8);
        QCOMPARE(enc.source().afCodes, (QList<u16>{0xE553, 0x0553, 0x8853}));
        const QStringList gb = run(enc, 4);
        QCOMPARE(gb[0].mid(10, 4), QString("E553"));
        QCOMPARE(gb[1].mid(10, 4), QString("0553"));
        QCOMPARE(gb[2].mid(10, 4), QString("8853"));
        QCOMPARE(gb[3].mid(10, 4), QString("E553"));
    }

    void slowLabellingAndFastInfo()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.page = 0x3F;
        s.slow = 0x2345;
        s.pin = 0xABCD;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *g) { enc.slowLabelling(g, 0); }), w(0x1234, 0x1000 | tpPty | 0x1F, 0x2345, 0xABCD));
        // 15B carries block B twice and PI in block C (offset C').
        const u16 b0 = 0xF800 | tpPty | 0x08 | 0x04;
        QCOMPARE(build([&](u8 *g) { enc.fastBasicInfo(g, 0); }), w(0x1234, b0, 0x1234, b0));
        QCOMPARE(build([&](u8 *g) { enc.fastBasicInfo(g, 0); }),
                 w(0x1234, 0xF800 | tpPty | 0x08 | 1, 0x1234, 0xF800 | tpPty | 0x08 | 1));
        // On an RDS2 stream block A is 0.
        QCOMPARE(build([&](u8 *g) { enc.slowLabelling(g, 2); }), w(0, 0x1000 | tpPty | 0x1F, 0x2345, 0xABCD));
    }

    void radioText2A()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.rta = "ABCDEFGH";
        s.endx = 0x01;
        s.enda = 0x0D;
        s.rtxt = 0x10; // toggle A/B on change
        s.rpa = 4;
        s.rpb = 0;
        enc.setRDS(s, 95.8);
        QStringList g;
        for (int i = 0; i < 4; ++i)
            g << build([&](u8 *o) { enc.radioText(o, 0); });
        // Three segments: the text ends on a segment border, so one more of end characters.
        QCOMPARE(g, (QStringList{w(0x1234, 0x2000 | tpPty | 0x10 | 0, chars("AB"), chars("CD")),
                                 w(0x1234, 0x2000 | tpPty | 0x10 | 1, chars("EF"), chars("GH")),
                                 w(0x1234, 0x2000 | tpPty | 0x10 | 2, 0x0D0D, 0x0D0D),
                                 w(0x1234, 0x2000 | tpPty | 0x10 | 0, chars("AB"), chars("CD"))}));
        // Without the end flag two segments; a short text pads with the end character.
        s.endx = 0;
        s.rta = "HELLO";
        enc.setRDS(s, 95.8);
        g.clear();
        for (int i = 0; i < 3; ++i)
            g << build([&](u8 *o) { enc.radioText(o, 0); });
        // The text changed: the A/B flag toggled back to 0.
        QCOMPARE(g, (QStringList{w(0x1234, 0x2000 | tpPty | 0, chars("HE"), chars("LL")),
                                 w(0x1234, 0x2000 | tpPty | 1, 0x4F0D, 0x0D0D),
                                 w(0x1234, 0x2000 | tpPty | 0, chars("HE"), chars("LL"))}));
    }

    void radioText2BAndAlternation()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.rtxg = 1;
        s.rta = "WXYZ";
        s.rtb = "abcd";
        s.endx = 0;
        s.rpa = 1;
        s.rpb = 1;
        s.rtxt = 0x10;
        enc.setRDS(s, 95.8);
        QStringList g;
        for (int i = 0; i < 6; ++i)
            g << build([&](u8 *o) { enc.radioText(o, 0); });
        // One cycle of A (two 2B segments), one of B, A again; the flag toggles with each text.
        QCOMPARE(g, (QStringList{w(0x1234, 0x2800 | tpPty | 0x10 | 0, 0x1234, chars("WX")),
                                 w(0x1234, 0x2800 | tpPty | 0x10 | 1, 0x1234, chars("YZ")),
                                 w(0x1234, 0x2800 | tpPty | 0x00 | 0, 0x1234, chars("ab")),
                                 w(0x1234, 0x2800 | tpPty | 0x00 | 1, 0x1234, chars("cd")),
                                 w(0x1234, 0x2800 | tpPty | 0x10 | 0, 0x1234, chars("WX")),
                                 w(0x1234, 0x2800 | tpPty | 0x10 | 1, 0x1234, chars("YZ"))}));
        // Mode 2: 2A of A and 2B of B in turn, each with its own segments; the
        // A/B flag keeps its state without the toggle bit.
        s.rtxg = 2;
        s.rtxt = 0;
        s.rta = "ABCDEFG";
        enc.setRDS(s, 95.8);
        g.clear();
        for (int i = 0; i < 5; ++i)
            g << build([&](u8 *o) { enc.radioText(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0x2000 | tpPty | 0x10 | 0, chars("AB"), chars("CD")),
                                 w(0x1234, 0x2800 | tpPty | 0x10 | 0, 0x1234, chars("ab")),
                                 w(0x1234, 0x2000 | tpPty | 0x10 | 1, chars("EF"), 0x470D),
                                 w(0x1234, 0x2800 | tpPty | 0x10 | 1, 0x1234, chars("cd")),
                                 w(0x1234, 0x2000 | tpPty | 0x10 | 0, chars("AB"), chars("CD"))}));
    }

    void radioTextLimitsAndSongTags()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.rta = QString(70, QLatin1Char('x'));
        s.endx = 0;
        enc.setRDS(s, 95.8);
        // At most 16 segments per cycle.
        for (int i = 0; i < 16; ++i)
            QCOMPARE(build([&](u8 *o) { enc.radioText(o, 0); }).mid(5, 4),
                     QString::asprintf("%04X", 0x2000 | tpPty | i));
        QCOMPARE(build([&](u8 *o) { enc.radioText(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0x2000 | tpPty));
        // A '#' from a song tag stays a '#'.
        RTag t;
        t.type = 1;
        t.text = "none";
        s.rttag = {t};
        s.rtitm = 11;
        s.rta = "$0";
        enc.setRDS(s, 95.8);
        enc.setSongInfo({{"Title", "A#41"}});
        QCOMPARE(build([&](u8 *o) { enc.radioText(o, 0); }), w(0x1234, 0x2000 | tpPty, chars("A#"), chars("41")));
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
        QStringList g;
        for (int i = 0; i < 5; ++i)
            g << build([&](u8 *o) { enc.odaAnnouncement(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0x3000 | tpPty | 0x10, 0x0047 & 0xF03F, 0xCD46),
                                 w(0x1234, 0x3000 | tpPty | 0x10, 0x400D, 0xCD46),
                                 w(0x1234, 0x3000 | tpPty | 24, 0x0001, 0x6552),
                                 w(0x1234, 0x3000 | tpPty | 22, 0x2000, 0x4BD7),
                                 w(0x1234, 0x3000 | tpPty | 0x10, 0x0007, 0xCD46)}));
        // Unused TMC source: no TMC announcements.
        tmc.used = false;
        enc.setTMC(tmc);
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.odaAnnouncement(o, 0); }), w(0x1234, 0x3000 | tpPty | 24, 0x0001, 0x6552));
        // Nothing to announce: "AID: unknown" and an empty 8A announcement.
        s.rtxt = 0;
        enc.setRDS(s, 95.8);
        QTest::ignoreMessage(QtDebugMsg, "AID: unknown");
        QCOMPARE(build([&](u8 *o) { enc.odaAnnouncement(o, 0); }), w(0x1234, 0x3000 | tpPty | 0x10, 0, 0));
    }

    void clockTime()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.zone = 2; // one hour in half hours
        enc.setRDS(s, 95.8);
        const QDateTime t(QDate(2024, 5, 17), QTime(13, 45, 10), Qt::UTC);
        const int mjd = 60447;
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, t); }),
                 w(0x1234, 0x4000 | tpPty | (mjd >> 15), u16((mjd & 0x7FFF) << 1), (13 << 12) | (45 << 6) | 2));
        // Negative offset, minutes added across midnight, hour bit 4 in block C.
        s.zone = -3;
        s.mins = 30;
        enc.setRDS(s, 95.8);
        const QDateTime late(QDate(2024, 5, 17), QTime(23, 50), Qt::UTC);
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, late); }),
                 w(0x1234, 0x4000 | tpPty | 1, u16(((mjd + 1) & 0x7FFF) << 1), (0 << 12) | (20 << 6) | 0x23));
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, t.addSecs(3 * 3600)); }),
                 w(0x1234, 0x4000 | tpPty | 1, u16(((mjd & 0x7FFF) << 1) | 1), (1 << 12) | (15 << 6) | 0x23));
        // The magnitude is clamped to 31 half hours.
        s.zone = 100;
        s.mins = 0;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, t); }).right(4), QString::asprintf("%04X", (13 << 12) | (45 << 6) | 31));
        // Fixed date: 42003 days after 1 March 1900 is 1 March 2015 (MJD 57082);
        // a day count of 0 keeps today's date.
        s.zone = 0;
        s.date = 1;
        s.days = 42003;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, t); }),
                 w(0x1234, 0x4000 | tpPty | 1, u16((57082 & 0x7FFF) << 1), (13 << 12) | (45 << 6)));
        s.days = 0;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.clockTime(o, t); }).mid(10, 4), QString::asprintf("%04X", (mjd & 0x7FFF) << 1));
    }

    void ptyNames()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.pn2 = "POP";
        s.pn1 = "ROCKMUSI";
        s.rp2 = 1;
        s.rp1 = 1;
        enc.setRDS(s, 95.8);
        QStringList g;
        for (int i = 0; i < 5; ++i)
            g << build([&](u8 *o) { enc.ptyName(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0xA000 | tpPty | 0x00 | 0, chars("PO"), chars("P ")),
                                 w(0x1234, 0xA000 | tpPty | 0x00 | 1, 0x2020, 0x2020),
                                 w(0x1234, 0xA000 | tpPty | 0x10 | 0, chars("RO"), chars("CK")),
                                 w(0x1234, 0xA000 | tpPty | 0x10 | 1, chars("MU"), chars("SI")),
                                 w(0x1234, 0xA000 | tpPty | 0x00 | 0, chars("PO"), chars("P "))}));
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
        QStringList g;
        for (int i = 0; i < 10; ++i)
            g << build([&](u8 *o) { enc.eonGroup(o, 0); });
        const u16 b0 = 0xE000 | tpPty | 0x10;
        const u16 ptyTa = (5 << 11) | 1;
        QCOMPARE(g, (QStringList{w(0x1234, b0 | 0, chars("OT"), 0x5678), w(0x1234, b0 | 1, chars("HE"), 0x5678),
                                 w(0x1234, b0 | 2, chars("R "), 0x5678), w(0x1234, b0 | 3, 0x2020, 0x5678),
                                 w(0x1234, b0 | 13, ptyTa, 0x5678), w(0x1234, b0 | 13, ptyTa, 0x5678),
                                 // AF(ON) as a method-A list: count code first, LF/MF as 250 + code.
                                 w(0x1234, b0 | 4, 0xE205, 0x5678), w(0x1234, b0 | 4, 0xFA01, 0x5678),
                                 w(0x1234, b0 | 0, chars("OT"), 0x5678), w(0x1234, b0 | 1, chars("HE"), 0x5678)}));
        // Linkage information in variant 12; a second entry follows the first.
        EON f = e;
        f.pi = 0x9ABC;
        f.link = 0x4321;
        f.tp = 0;
        f.af.clear();
        enc.setEON({e, f}, 1);
        g.clear();
        for (int i = 0; i < 7; ++i)
            g << build([&](u8 *o) { enc.eonGroup(o, 0); });
        QCOMPARE(g[4], w(0x1234, 0xE000 | tpPty | 12, 0x4321, 0x9ABC));
        QCOMPARE(g[6], w(0x1234, b0 | 0, chars("OT"), 0x5678));
        // No entries: 15B instead.
        enc.setEON({}, 0);
        QCOMPARE(build([&](u8 *o) { enc.eonGroup(o, 0); }).mid(5, 1), QString("F"));
    }

    void longPS()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.lps = QString::fromUtf8("Trovina \xC3\x9C");
        s.clps = "UTF-8";
        s.endx = 0;
        enc.setRDS(s, 95.8);
        QStringList g;
        for (int i = 0; i < 4; ++i)
            g << build([&](u8 *o) { enc.longPS(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0xF000 | tpPty | 0, chars("Tr"), chars("ov")),
                                 w(0x1234, 0xF000 | tpPty | 1, chars("in"), chars("a ")),
                                 w(0x1234, 0xF000 | tpPty | 2, 0xC39C, 0x0000),
                                 w(0x1234, 0xF000 | tpPty | 0, chars("Tr"), chars("ov"))}));
        // End character, byte-order mark, TA bit; 8 bytes end with a segment of zeros.
        s.lps = "ABCD#41";
        s.endx = 0x10;
        s.endl = 0x0D;
        s.boml = 1;
        s.ta = 1;
        s.buc1 = 0;
        enc.setRDS(s, 95.8);
        g.clear();
        for (int i = 0; i < 4; ++i)
            g << build([&](u8 *o) { enc.longPS(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0xF000 | tpPty | 0x10 | 0, 0xEFBB, 0xBF41),
                                 w(0x1234, 0xF000 | tpPty | 0x10 | 1, 0x4243, 0x4441),
                                 w(0x1234, 0xF000 | tpPty | 0x10 | 2, 0x0D00, 0x0000),
                                 w(0x1234, 0xF000 | tpPty | 0x10 | 0, 0xEFBB, 0xBF41)}));
        s.lps = "ABCDEFGH";
        s.endx = 0;
        s.boml = 0;
        enc.setRDS(s, 95.8);
        g.clear();
        for (int i = 0; i < 4; ++i)
            g << build([&](u8 *o) { enc.longPS(o, 0); });
        QCOMPARE(g[2], w(0x1234, 0xF000 | tpPty | 0x10 | 2, 0, 0));
        QCOMPARE(g[3].mid(10, 4), QString("4142"));
    }

    void enhancedRadioText()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        s.ertg = 12;
        s.enc = "UTF-8";
        s.rtc = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e");
        s.endx = 0x04;
        s.endc = 0x0D;
        s.rpc = 4;
        s.rpd = 0;
        enc.setRDS(s, 95.8);
        QStringList g;
        for (int i = 0; i < 3; ++i)
            g << build([&](u8 *o) { enc.enhancedRadioText(o, 0); });
        QCOMPARE(g, (QStringList{w(0x1234, 0xC000 | tpPty | 0, chars("Gr"), 0xC3BC),
                                 w(0x1234, 0xC000 | tpPty | 1, 0xC39F, 0x650D),
                                 w(0x1234, 0xC000 | tpPty | 0, chars("Gr"), 0xC3BC)}));
        // Byte-order mark (rtxt bit 2) and a four-digit escape.
        s.rtxt = 0x04;
        s.rtc = "#03A9";
        s.endx = 0;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty, 0xEFBB, 0xBFCE));
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty | 1, 0xA900, 0));
        // 128 bytes fill 32 segments; a longer text is cut at 32 per cycle.
        s.rtxt = 0;
        s.rtc = QString(128, QLatin1Char('e'));
        enc.setRDS(s, 95.8);
        for (int i = 0; i < 32; ++i)
            QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }).mid(5, 4),
                     QString::asprintf("%04X", 0xC000 | tpPty | i));
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xC000 | tpPty));
        s.rtc = QString(200, QLatin1Char('e'));
        enc.setRDS(s, 95.8);
        for (int i = 0; i < 32; ++i)
            build([&](u8 *o) { enc.enhancedRadioText(o, 0); });
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xC000 | tpPty));
    }

    void enhancedRadioTextCodec()
    {
        // A new encoder codes eRT with UTF-8, so an empty "enc" still gets
        // the UTF-8 byte-order mark.
        RDSEncoder enc(1);
        RDSSource s = source();
        s.ertg = 12;
        s.enc = "";
        s.rtxt = 0x04;
        s.rtc = "Ab";
        s.endx = 0;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty, 0xEFBB, 0xBF41));
        // A name without a codec: UTF-8 without a mark, and an empty "enc"
        // afterwards keeps that.
        s.enc = "0";
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty, chars("Ab"), 0));
        s.enc = "";
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty, chars("Ab"), 0));
        // A named codec replaces it: UTF-16BE with its mark.
        s.enc = "UTF-16BE";
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.enhancedRadioText(o, 0); }), w(0x1234, 0xC000 | tpPty, 0xFEFF, 0x0041));
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
        // Without song information the tags' own texts: "Now: t by a".
        const u16 c1 = (1 << 13) | (5 << 7) | (0 << 1);
        const u16 d1 = (4 << 11) | (10 << 5) | 0;
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }), w(0x1234, 0xB000 | tpPty | 0x08, c1, d1));
        enc.setSongInfo({{"Title", "Song"}, {"Artist", "Band"}});
        // "Now: Song by Band": the artist starts after the inserted title; the toggle flipped.
        const u16 c2 = (1 << 13) | (5 << 7) | (3 << 1);
        const u16 d2 = (4 << 11) | (13 << 5) | 3;
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }), w(0x1234, 0xB000 | tpPty | 0x18, c2, d2));
        // The same song again changes nothing; another song flips the toggle back.
        enc.setSongInfo({{"Title", "Song"}, {"Artist", "Band"}});
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xB000 | tpPty | 0x18));
        enc.setSongInfo({{"Title", "Other"}, {"Artist", "Band"}});
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xB000 | tpPty | 0x08));
        // rtitm bit 1 clear: the toggle is rtitm bit 2, whatever the songs do.
        s.rtitm = 0x0C | 0x01;
        enc.setRDS(s, 95.8);
        enc.setSongInfo({{"Title", "X"}});
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xB000 | tpPty | 0x18));
        enc.setSongInfo({{"Title", "Y"}});
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }).mid(5, 4), QString::asprintf("%04X", 0xB000 | tpPty | 0x18));
        // Content types above 7 put their top bits in block B, bit 5 in block C.
        RTag big;
        big.type = 0x2B; // 43
        big.text = "x";
        s.rttag = {big, big};
        s.rta = "$0$1";
        s.rtitm = 0x01;
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }),
                 w(0x1234, 0xB000 | tpPty | 0x08 | 5, (3 << 13) | (0 << 7) | 1, (0xB << 11) | (1 << 5)));
        // From the eRT text with rtbit bit 13; no tags: C and D 0.
        s.rtbit = 0x2000;
        s.rtc = "#24 $1";
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }),
                 w(0x1234, 0xB000 | tpPty | 0x08 | 5, (3 << 13) | (2 << 7) | 0, 0));
        s.rttag.clear();
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }), w(0x1234, 0xB000 | tpPty | 0x08, 0, 0));
    }

    void radioTextPlusPairs()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        QList<RTag> tags;
        for (int i = 0; i < 3; ++i) {
            RTag t;
            t.type = i + 1;
            t.text = i == 1 ? QString(40, QLatin1Char('L')) : QString("ab");
            tags << t;
        }
        s.rttag = tags;
        s.rtitm = 0x01;
        s.rta = "$0 $1 $2";
        enc.setRDS(s, 95.8);
        // First pair: item 1 (length 2) and item 2 (length 40): the long one
        // goes first, where the length field has 6 bits.
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }),
                 w(0x1234, 0x7000 | tpPty | 0x08, (2 << 13) | (3 << 7) | (39 << 1), (1 << 11) | (0 << 5) | 1));
        // Second pair: item 3 and an empty one; then from the start again.
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }),
                 w(0x1234, 0x7000 | tpPty | 0x08, (3 << 13) | (44 << 7) | (1 << 1), 0));
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }).mid(10, 4),
                 QString::asprintf("%04X", (2 << 13) | (3 << 7) | (39 << 1)));
        // Two long items: the second length is cut to 31.
        tags[0].text = QString(40, QLatin1Char('L'));
        s.rttag = tags;
        s.rta = "$0 $1";
        enc.setRDS(s, 95.8);
        QCOMPARE(build([&](u8 *o) { enc.radioTextPlus(o, 0); }),
                 w(0x1234, 0x7000 | tpPty | 0x08, (1 << 13) | (0 << 7) | (39 << 1), (2 << 11) | (41 << 5) | 31));
    }
};

QTEST_GUILESS_MAIN(TestRDSBuilders)
#include "tst_rdsbuilders.moc"
