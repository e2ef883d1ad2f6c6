// From the project file to the air: a project written as INI text is loaded
// by FMSettings, its records go into an RDSEncoder, and the groups that come
// out are decoded field by field against the values in the file.

#include "FMSettings.h"
#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::TempProject;

namespace {

// One decoded group (IEC 62106 block layout).
struct Group
{
    u16 a = 0, b = 0, c = 0, d = 0;
    bool valid = false; // all four checkwords right

    int type() const { return b >> 12; }
    bool versionB() const { return b & 0x0800; }
    int low() const { return b & 0x1F; }
    int tp() const { return (b >> 10) & 1; }
    int pty() const { return (b >> 5) & 0x1F; }
};

Group decode(const u8 *out)
{
    const RDSBlocks blocks = unpackGroup(out);
    Group g;
    g.a = blocks.info[0];
    g.b = blocks.info[1];
    g.c = blocks.info[2];
    g.d = blocks.info[3];
    g.valid = true;
    for (int k = 0; k < 4; ++k)
        g.valid = g.valid && rdsBlockValid(blocks, k);
    return g;
}

// n slots; streams 1..3 only when asked for.
QList<Group> run(RDSEncoder &enc, int n, QList<Group> *s1 = nullptr, QList<Group> *s2 = nullptr)
{
    QList<Group> groups;
    u8 g0[13], g1[13], g2[13], g3[13];
    for (int i = 0; i < n; ++i) {
        enc.generate(g0, s1 ? g1 : nullptr, s2 ? g2 : nullptr, s2 ? g3 : nullptr);
        groups.append(decode(g0));
        if (s1)
            s1->append(decode(g1));
        if (s2)
            s2->append(decode(g2));
    }
    return groups;
}

QList<Group> ofType(const QList<Group> &groups, int type, bool versionB = false)
{
    QList<Group> out;
    for (const Group &g : groups) {
        if (g.type() == type && g.versionB() == versionB)
            out.append(g);
    }
    return out;
}

u16 chars(const char *two)
{
    return u16((u8(two[0]) << 8) | u8(two[1]));
}

// A project with three channels and sources: source 1 on channel 1 shares
// its PI with source 2 on channel 5 (automatic AF list), source 3 on channel
// 9 is the other network of EON entry 1. Numbers are decimal, PI and EON
// words hexadecimal, as the project file keeps them.
const char *const kProject = R"([board]
gmin=1

[channel.1]
used=1
freq=95.8
idrds=1

[channel.5]
used=1
freq=101.1
idrds=2

[channel.9]
used=1
freq=99.0
idrds=3

[rds.1]
name=Eins
ps=TROVINA
lps=Trovina lang
pi=d3a1
pty=5
tp=1
ta=1
ms=0
dec=1
afu=7
afs=1034
crt=E.1
clps=UTF-8
enc=UTF-8
rta=Jetzt: $0
rtb=
endx=1
enda=13
rtxt=192
rtxg=0
rtgrp=11
rtbit=0
rtitm=1
rttag\0=1 Song
ertg=12
ertb=1
eaid=25938
paid=19415
pn1=ABCDEFGH
pn2=IJKLMNOP
page=3
slow=224
pin=4660
zone=-2
mins=0
date=1
days=42003
tmcsi=1
mode=1
gmin\0=1 120 0 0 0
gmin\1=1 10 0 0 0
gmin\2=1 60 0 0 0
gmin\3=1 20 0 0 0
gmin\4=1 0 0 0 0
gmin\8=1 30 0 0 0
gmin\10=1 10 0 0 0
gmin\11=1 20 0 0 0
gmin\12=1 20 0 0 0
gmin\14=1 30 0 0 0
gmin\15=1 10 0 0 0
eon\0=0 d3b2 7 1 0 ab
eon\0\ps=ANDERE
eon\0\af=958 1011
eon\1=9 0 0 0 0 0
oda\0=e123 4567 89ab cdef 400 400 400 400 10 0 0 0 1

[rds.2]
name=Zwei
ps=ZWEI
pi=d3a1

[rds.3]
name=Drei
ps=DREI
pi=d3c3
pty=9
tp=0
ta=1

[tmc.1]
name=Verkehr
spn=VERKEHR1
flag=9
rate=10
aid=52550
va0=71
va1=16397
va2=32992
va3=49152
rpt=1
0=1 8 101 200 1
)";

// The project file; rtc (with umlauts) is written by the settings layer,
// which escapes what is not Latin-1.
void writeProject(const TempProject &p)
{
    QSettings ini(p.path(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("rds.1/rtc"), QStringLiteral("Gr\u00fc\u00dfe"));
}

// What the main window and its channel strips do after loading: enter the
// used channels with their frequencies and compute the automatic AF lists.
void startChannels(FMSettings &fms)
{
    for (int ch : {1, 5, 9}) {
        const ChannelRecord c = fms.channelInfo(ch);
        fms.setChannelFreq(ch, c.freq, c.used);
    }
    fms.updateAF(true);
}

// An encoder fed as a channel program feeds it: the channel's source, its
// TMC source and the channel frequency.
void feed(RDSEncoder &enc, FMSettings &fms, int source, double mhz)
{
    const RDSSource src = fms.rds(source);
    enc.setRDS(src, mhz);
    enc.setTMC(fms.tmc(src.tmcsi));
}

} // namespace

class TestProjectEncoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void basicFieldsFromTheFile()
    {
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        startChannels(fms);
        RDSEncoder enc(1);
        enc.seedRandom(1);
        feed(enc, fms, 1, 95.8);
        const QList<Group> groups = run(enc, 2000);

        for (const Group &g : groups) {
            QVERIFY(g.valid);
            if (g.a == 0xE123)
                continue;
            QCOMPARE(g.a, u16(0xD3A1));
            QCOMPARE(g.tp(), 1);
            QCOMPARE(g.pty(), 5);
        }

        // 0A: TA 1, MS 0, DI bit d0 (stereo) in segment 3 only; PS in D.
        const QList<Group> basic = ofType(groups, 0);
        QVERIFY(basic.size() > 100);
        QVERIFY(ofType(groups, 0, true).isEmpty());
        const u16 psWords[4] = {chars("TR"), chars("OV"), chars("IN"), chars("A ")};
        QList<u16> afWords;
        for (const Group &g : basic) {
            const int seg = g.low() & 3;
            QCOMPARE(g.low() & 0x10, 0x10);        // TA
            QCOMPARE(g.low() & 0x08, 0);           // MS
            QCOMPARE((g.low() >> 2) & 1, seg == 3 ? 1 : 0);
            QCOMPARE(g.d, psWords[seg]);
            if (afWords.size() < 4)
                afWords.append(g.c);
        }
        // AF method A, tuned to 95.8 MHz: the automatic list (95.8 of channel
        // 1 and 101.1 of channel 5, same PI) and the manual 103.4 MHz.
        QCOMPARE(afWords, (QList<u16>{0xE353, 0x889F, 0xE353, 0x889F}));

        // 1A: paging code, slow labelling code 224, programme item 4660.
        const QList<Group> g1 = ofType(groups, 1);
        QVERIFY(!g1.isEmpty());
        QCOMPARE(g1.first().low(), 3);
        QCOMPARE(g1.first().c, u16(0x00E0));
        QCOMPARE(g1.first().d, u16(0x1234));

        // 2A: "Jetzt: Song" with the end character 13.
        const QList<Group> rt = ofType(groups, 2);
        QVERIFY(rt.size() >= 3);
        QVERIFY(ofType(groups, 2, true).isEmpty());
        QCOMPARE(rt[0].low() & 0xF, 0);
        QCOMPARE(rt[0].c, chars("Je"));
        QCOMPARE(rt[0].d, chars("tz"));
        QCOMPARE(rt[1].c, chars("t:"));
        QCOMPARE(rt[1].d, chars(" S"));
        QCOMPARE(rt[2].low() & 0xF, 2);
        QCOMPARE(rt[2].c, chars("on"));
        QCOMPARE(rt[2].d, u16((chars("g ") & 0xFF00) | 13));
        QCOMPARE(rt[3].low() & 0xF, 0);

        // 10A: PTYN 2 first, then PTYN 1 after its repeats.
        const QList<Group> ptyn = ofType(groups, 10);
        QVERIFY(ptyn.size() > 40);
        QCOMPARE(ptyn[0].low(), 0);
        QCOMPARE(ptyn[0].c, chars("IJ"));
        QCOMPARE(ptyn[1].low(), 1);
        QCOMPARE(ptyn[1].d, chars("OP"));
        bool sawPn1 = false;
        for (const Group &g : ptyn)
            sawPn1 = sawPn1 || (g.low() == 0x10 && g.c == chars("AB"));
        QVERIFY(sawPn1);

        // 15A: long PS in UTF-8, TA in bit 4.
        const QList<Group> lps = ofType(groups, 15);
        QVERIFY(lps.size() >= 4);
        QCOMPARE(lps[0].low(), 0x10);
        QCOMPARE(lps[0].c, chars("Tr"));
        QCOMPARE(lps[1].d, chars("a "));
        QCOMPARE(lps[2].c, chars("la"));

        // eRT in 12A: UTF-8 bytes of the text C.
        const QList<Group> ert = ofType(groups, 12);
        QVERIFY(ert.size() >= 2);
        QCOMPARE(ert[0].low(), 0);
        QCOMPARE(ert[0].c, u16(0x4772));
        QCOMPARE(ert[0].d, u16(0xC3BC));
        QCOMPARE(ert[1].low(), 1);
        QCOMPARE(ert[1].c, u16(0xC39F));
        QCOMPARE(ert[1].d, u16(0x6500));

        // RT+ in 11A: item running, toggle 0, "Song" (type 1) at 7, length 4.
        const QList<Group> rtp = ofType(groups, 11);
        QVERIFY(!rtp.isEmpty());
        QCOMPARE(rtp[0].low(), 0x08);
        QCOMPARE(rtp[0].c, u16((1 << 13) | (7 << 7) | (3 << 1)));
        QCOMPARE(rtp[0].d, u16(0));

        // 3A: TMC variants 0 and 1 (flag 9) with the AID 52550, eRT in 12A
        // and RT+ in 11A (rtxt 192) with their decimal AIDs.
        QSet<QString> announced;
        for (const Group &g : ofType(groups, 3))
            announced.insert(QString::asprintf("%02X %04X %04X", g.low(), g.c, g.d));
        QCOMPARE(announced, (QSet<QString>{"10 0047 CD46", "10 400D CD46", "18 0001 6552", "16 0000 4BD7"}));

        // Raw group: blocks as stored, checkwords computed.
        bool raw = false;
        for (const Group &g : groups)
            raw = raw || (g.a == 0xE123 && g.b == 0x4567 && g.c == 0x89AB && g.d == 0xCDEF);
        QVERIFY(raw);

        // TA is on: the source's arrival arms the 15B burst of buc1 (8) groups.
        QCOMPARE(ofType(groups, 15, true).size(), 8);

        // Shares of the rate table (groups per minute) on a filled stream.
        const double total = 120 + 10 + 60 + 20 + 30 + 10 + 20 + 20 + 30 + 10 + 10;
        const int rates[16] = {120, 10, 60, 20, 0, 0, 0, 0, 30, 0, 10, 20, 20, 0, 30, 10};
        for (int t = 0; t < 16; ++t) {
            int n = 0;
            for (const Group &g : groups)
                n += g.type() == t && g.a != 0xE123 && !(t == 15 && g.versionB()) ? 1 : 0;
            const double want = groups.size() * rates[t] / total;
            QVERIFY2(qAbs(n - want) <= 2 + want * 0.02, qPrintable(QStringLiteral("type %1: %2 groups, %3 wanted")
                                                                       .arg(t).arg(n).arg(want)));
        }
    }

    void eonEntriesFromTheFileAndTheLinkedChannel()
    {
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        startChannels(fms);
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        const QList<Group> eon = ofType(run(enc, 2000), 14);
        QVERIFY(eon.size() >= 17);

        // Entry 0 as stored: PS, linkage ab, PTY 7 / TA 0, AF 95.8 and 101.1
        // as a method-A list; TP(ON) in bit 4, PI(ON) in D.
        const QStringList entry0{"10 414E D3B2", "11 4445 D3B2", "12 5245 D3B2", "13 2020 D3B2",
                                 "1C 00AB D3B2", "1D 3800 D3B2", "14 E253 D3B2", "14 88CD D3B2"};
        // Entry 1 names channel 9: PI, PS, PTY, TP and TA of source 3, and
        // its automatic AF list (99.0 MHz).
        const QStringList entry1{"00 4452 D3C3", "01 4549 D3C3", "02 2020 D3C3", "03 2020 D3C3",
                                 "0D 4801 D3C3", "0D 4801 D3C3", "04 E173 D3C3"};
        QStringList got;
        for (int i = 0; i < entry0.size() + entry1.size(); ++i)
            got << QString::asprintf("%02X %04X %04X", eon[i].low(), eon[i].c, eon[i].d);
        QCOMPARE(got, entry0 + entry1);
    }

    void tmcFromTheTmcSource()
    {
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        const QList<Group> tmc = ofType(run(enc, 1000), 8);
        QVERIFY(tmc.size() >= 6);
        QStringList got;
        for (int i = 0; i < 6; ++i)
            got << QString::asprintf("%02X %04X %04X", tmc[i].low(), tmc[i].c, tmc[i].d);
        // Provider name "VERKEHR1" (variants 4 and 5), then message 0:
        // duration 1, direction (flags 8), event 101, location 200; then
        // the provider name again after the list.
        QCOMPARE(got, (QStringList{"14 5645 524B", "15 4548 5231", "09 4065 00C8", "14 5645 524B",
                                   "15 4548 5231", "09 4065 00C8"}));
    }

    void clockTimeFromZoneAndFixedDate()
    {
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        enc.setCT(QDateTime(QDate(2024, 5, 17), QTime(13, 45), Qt::UTC));
        const QList<Group> g = run(enc, 1);
        // 1 March 2015 (MJD 57082), 13:45 UTC, offset -2 half hours.
        QCOMPARE(g[0].type(), 4);
        QCOMPARE(g[0].low() & 3, 1);
        QCOMPARE(g[0].c, u16(((57082 & 0x7FFF) << 1) | 0));
        QCOMPARE(g[0].d, u16((13 << 12) | (45 << 6) | 0x20 | 2));
    }

    void eonTaChangeFromTheLinkedSourceStartsThe14BBurst()
    {
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        startChannels(fms);
        {
            // 14B burst on EON TA off: 4 groups in 1 s.
            RDSSource one = fms.rds(1);
            one.eoc2 = 4;
            one.eot2 = 10;
            fms.setRds(1, one);
        }
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        run(enc, 40); // past the 15B burst of TA on

        // Source 3 (the programme of channel 9) ends its announcement: the
        // project refreshes EON entry 1 of source 1, the channel program
        // hands the list over with the entry that changed.
        RDSSource three = fms.rds(3);
        three.ta = 0;
        fms.setRds(3, three);
        QCOMPARE(int(fms.rds(1).eon[1].ta), 0);
        enc.setEON(fms.rds(1).eon, 1);
        QStringList burst;
        for (const Group &g : ofType(run(enc, 30), 14, true))
            burst << QString::asprintf("%04X %04X %04X %04X", g.a, g.b, g.c, g.d);
        // Type 14 version B, TP 1, PTY 5, TP(ON) 0, TA(ON) 0; own PI in C,
        // PI(ON) in D.
        const QString b14 = QStringLiteral("D3A1 ECA0 D3A1 D3C3");
        QCOMPARE(burst, (QStringList{b14, b14, b14, b14}));
    }

    void tmcEncryptionAndContentFromTheFile()
    {
        TempProject p(QByteArray(kProject) + R"(
[tmc.2]
spn=TMC-ZWEI
flag=15
rate=60
enc=2
skt=0 0 3205
va0=71
va1=16397
rpt=1
0=2 0 1500 200 1 65541 458759
)");
        QSettings(p.path(), QSettings::IniFormat).setValue(QStringLiteral("rds.1/tmcsi"), 2);
        FMSettings fms(p.path());
        RDSEncoder enc(1);
        enc.setTimeSource([]() -> qint64 { return 1000000; });
        feed(enc, fms, 1, 95.8);
        const QList<Group> groups = run(enc, 1500);

        QStringList tmc;
        for (const Group &g : ofType(groups, 8).mid(0, 7))
            tmc << QString::asprintf("%02X %04X %04X", g.low(), g.c, g.d);
        // Provider name; encryption administration (service identifier of
        // va1, ENCID 2; table number of va0); the first group with the
        // location 200 encrypted by service key 2 (rotate 3, start 2, XOR 5):
        // 0x000D; the second group with labels 1 (value 5) and 7 (value 7).
        QCOMPARE(tmc, (QStringList{"14 544D 432D", "15 5A57 4549", "00 1802 0400", "01 85DC 000D",
                                   "01 41AE 0E00", "14 544D 432D", "15 5A57 4549"}));

        // 3A of variant 0 without the location table number while encrypting.
        QSet<QString> announced;
        for (const Group &g : ofType(groups, 3))
            announced.insert(QString::asprintf("%02X %04X %04X", g.low(), g.c, g.d));
        QVERIFY(announced.contains("10 0007 CD46"));
        QVERIFY(announced.contains("10 400D CD46"));
    }

    void rds2StreamsAndErrorsFromTheFile()
    {
        // Keys left out take their defaults: TP 1, PTY 10, MS 1, DI 9, no AF
        // (0B), the RDS character set.
        TempProject p(R"([board]
gmin=1

[rds.1]
pi=1234
ps=ZWEI
mode=27
gmin\0=1 60 0 0 30
gmin\2=1 0 0 0 -10

[rds.2]
pi=1234
ps=FEHLER
err=128
ber=100
fix=1
gmin\0=1 60 0 0 0
)");
        FMSettings fms(p.path());
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        QList<Group> s1, s23;
        const QList<Group> s0 = run(enc, 685, &s1, &s23);
        QCOMPARE(s0[0].b, u16(0x0D4C));
        QCOMPARE(s0[0].d, chars("ZW"));
        int stream3Type0 = 0;
        for (int i = 0; i < s0.size(); ++i) {
            QCOMPARE(s0[i].type(), 0);
            QVERIFY(s0[i].versionB());
            // Stream 1 (mode 0x02 + 0x10) copies stream 0 with block A 0.
            QVERIFY(s1[i].valid);
            QCOMPARE(s1[i].a, u16(0));
            QCOMPARE(s1[i].b, s0[i].b);
            QCOMPARE(s1[i].d, s0[i].d);
        }
        // Stream 2 is off: zero bytes. Stream 3 (0x08) sends its own groups
        // with block A 0: type 0 at 30 a minute, RadioText fills the rest.
        u8 g0[13], g1[13], g2[13], g3[13];
        enc.generate(g0, g1, g2, g3);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(g2), 13), QByteArray(13, '\0'));
        QList<Group> s3;
        for (int i = 0; i < 685; ++i) {
            enc.generate(g0, g1, g2, g3);
            s3.append(decode(g3));
        }
        for (const Group &g : s3) {
            QVERIFY(g.valid);
            QCOMPARE(g.a, u16(0));
            QVERIFY(g.type() == 0 || g.type() == 2);
            stream3Type0 += g.type() == 0 ? 1 : 0;
        }
        QVERIFY2(qAbs(stream3Type0 - 30) <= 2, qPrintable(QString::number(stream3Type0)));

        // Source 2 inverts every bit and then recomputes the checkwords.
        RDSEncoder bad(2);
        feed(bad, fms, 2, 95.8);
        const Group g = run(bad, 1).first();
        QVERIFY(g.valid);
        QCOMPARE(g.a, u16(~0x1234));
        QCOMPARE(g.b, u16(~0x0D4C));
        QCOMPARE(g.c, u16(~0x1234));
        QCOMPARE(g.d, u16(~chars("FE")));
    }

    void writersAndLoaderAgreeOnWhatGoesOnAir()
    {
        // The editors' writers store a project's sources anew; loaded again,
        // the encoder sends exactly what it sent from the original.
        TempProject p(kProject);
        writeProject(p);
        FMSettings orig(p.path());
        startChannels(orig);

        TempProject copy(QByteArray(kProject).left(QByteArray(kProject).indexOf("[rds.1]")));
        {
            FMSettings w(copy.path());
            for (int id : {2, 3, 1}) {
                const RDSSource src = orig.rds(id);
                w.setRdsName(id, src.name);
                w.setRds(id, src);
                QList<RDSAFEntry> afs = src.afs;
                w.setAfs(id, afs);
                w.setOda(id, src.oda);
                w.setGroupRates(id, src.gmin);
                QList<EON> eon = src.eon;
                w.setEon(id, eon);
            }
            const TMCSource t = orig.tmc(1);
            w.setTmcName(1, t.name);
            w.setTmc(1, t);
            w.sync();
        }
        FMSettings again(copy.path());
        startChannels(again);

        RDSEncoder a(1), b(1);
        feed(a, orig, 1, 95.8);
        feed(b, again, 1, 95.8);
        const QList<Group> ga = run(a, 3000), gb = run(b, 3000);
        for (int i = 0; i < ga.size(); ++i) {
            QVERIFY2(ga[i].a == gb[i].a && ga[i].b == gb[i].b && ga[i].c == gb[i].c && ga[i].d == gb[i].d,
                     qPrintable(QString::asprintf("slot %d: %04X %04X %04X %04X != %04X %04X %04X %04X", i, ga[i].a,
                                                  ga[i].b, ga[i].c, ga[i].d, gb[i].a, gb[i].b, gb[i].c, gb[i].d)));
        }
    }

    void songTagsFillRadioTextPlusItems()
    {
        TempProject p(kProject);
        writeProject(p);
        {
            // Items from the song (rtitm bit 3), toggle flipped by song
            // changes (bit 1), item running (bit 0).
            QSettings ini(p.path(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("rds.1/rtitm"), 11);
            ini.setValue(QStringLiteral("rds.1/rta"), QStringLiteral("Jetzt: $0 von $1"));
            ini.setValue(QStringLiteral("rds.1/rttag/1"), QStringLiteral("4 Wer"));
        }
        FMSettings fms(p.path());
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);

        // The decoder's song as the channel program hands it over.
        SongInfo song;
        song.file = QStringLiteral("/music/lied.ogg");
        song.decoder = SongInfo::Ogg;
        song.tags.insert(QStringLiteral("Title"), QStringLiteral("Lied"));
        song.tags.insert(QStringLiteral("Artist"), QStringLiteral("Band"));
        fms.setPlayInfo(1, song);
        enc.setSongInfo(fms.songInfo(1).tags);

        const QList<Group> groups = run(enc, 1500);
        QString text;
        for (const Group &g : ofType(groups, 2).mid(0, 5))
            for (u16 w : {g.c, g.d})
                text.append(QChar(w >> 8)).append(QChar(w & 0xFF));
        QCOMPARE(text.left(20), QStringLiteral("Jetzt: Lied von Band"));
        const QList<Group> rtp = ofType(groups, 11);
        QVERIFY(!rtp.isEmpty());
        // Toggle 1 (one song change), running; Title at 7 and Artist at 16,
        // both 4 characters long.
        QCOMPARE(rtp[0].low(), 0x18);
        QCOMPARE(rtp[0].c, u16((1 << 13) | (7 << 7) | (3 << 1) | 0));
        QCOMPARE(rtp[0].d, u16((4 << 11) | (16 << 5) | 3));
    }

    void afMethodBWithRegionalListFromTheFile()
    {
        TempProject p(kProject);
        writeProject(p);
        {
            QSettings ini(p.path(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("rds.1/afu"), 15);
            ini.setValue(QStringLiteral("rds.1/afr"), QStringLiteral("1034"));
        }
        FMSettings fms(p.path());
        startChannels(fms);
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        QList<u16> words;
        for (const Group &g : ofType(run(enc, 100), 0).mid(0, 3))
            words << g.c;
        // Method B around 95.8 MHz: 101.1 as a pair in ascending order, the
        // regional 103.4 in descending order; five codes in the list.
        QCOMPARE(words, (QList<u16>{0xE553, 0x5388, 0x9F53}));
    }

    void groupFilesReplayedFromTheFileList()
    {
        TempProject p(kProject);
        const QString file = p.dirPath() + QStringLiteral("/log, eins.txt");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("# Kanal 1\n12:00:00.000 ABCD 1234 5678 9abc def0\n2345 6789 abcd ef01\n");
        }
        {
            QSettings ini(p.path(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("rds.1/fused"), true);
            ini.setValue(QStringLiteral("rds.1/files"), QStringList{file});
        }
        FMSettings fms(p.path());
        QCOMPARE(fms.rds(1).files, QStringList{file});
        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        QStringList got;
        for (const Group &g : run(enc, 3))
            got << QString::asprintf("%04X %04X %04X %04X", g.a, g.b, g.c, g.d);
        QCOMPARE(got, (QStringList{"1234 5678 9ABC DEF0", "2345 6789 ABCD EF01", "1234 5678 9ABC DEF0"}));
        QCOMPARE(enc.replayFileName(), file);
    }

    void remoteStoresOfBitsAndNumbersReachTheAir()
    {
        // The key table reads TP, TA, MS, the TMC gap and the date flag as
        // booleans and numbers as decimal numbers: what a validated store
        // accepts (and keeps as given) must reach the encoder as meant.
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        QCOMPARE(fms.set(QStringLiteral("rds.1.ms"), QStringLiteral("true"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.ta"), QStringLiteral("false"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.tp"), QStringLiteral("yes"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.pty"), QStringLiteral("7.0"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.date"), QStringLiteral("FALSE"), true), 0);
        QCOMPARE(p.fileValue(fms, QStringLiteral("rds.1/ms")).toString(), QStringLiteral("true"));
        const RDSSource src = fms.rds(1);
        QCOMPARE(int(src.ms), 1);
        QCOMPARE(int(src.ta), 0);
        QCOMPARE(int(src.tp), 1);
        QCOMPARE(int(src.pty), 7);
        QCOMPARE(int(src.date), 0);

        RDSEncoder enc(1);
        feed(enc, fms, 1, 95.8);
        const Group g = ofType(run(enc, 20), 0).first();
        QCOMPARE(g.tp(), 1);
        QCOMPARE(g.pty(), 7);
        QCOMPARE(g.low() & 0x18, 0x08); // TA 0, MS 1
        // A loaded file holding such texts reads the same.
        FMSettings again(p.path());
        QCOMPARE(int(again.rds(1).ms), 1);
        QCOMPARE(int(again.rds(1).pty), 7);

        // A rate list with fractions: group 1 at 10 a minute is switched off.
        QCOMPARE(fms.set(QStringLiteral("rds.1.gmin.1"), QStringLiteral("0.0 10.0 0 0 0"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.gmin.2"), QStringLiteral("1 60.4 0 0 0"), true), 0);
        QCOMPARE(int(fms.rds(1).gmin[1].on), 0);
        QCOMPARE(fms.rds(1).gmin[1].rate[0], 10);
        QCOMPARE(fms.rds(1).gmin[2].rate[0], 60);

        // The TMC source likewise: each group twice.
        QCOMPARE(fms.set(QStringLiteral("tmc.1.rpt"), QStringLiteral("2.0"), true), 0);
        QCOMPARE(int(fms.tmc(1).rpt), 2);
        enc.setTMC(fms.tmc(1));
        QStringList tmc;
        for (const Group &t : ofType(run(enc, 1000), 8).mid(2, 4))
            tmc << QString::asprintf("%02X %04X %04X", t.low(), t.c, t.d);
        QCOMPARE(tmc, (QStringList{"09 4065 00C8", "09 4065 00C8", "14 5645 524B", "15 4548 5231"}));
    }

    void channelLinksStoredAsDecimalFractions()
    {
        // A validated store keeps "2.0" for a channel's RDS source: the
        // channel record, the automatic AF lists and the EON writer all read
        // it as source 2.
        TempProject p(kProject);
        writeProject(p);
        FMSettings fms(p.path());
        QCOMPARE(fms.set(QStringLiteral("channel.5.idrds"), QStringLiteral("2.0"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("channel.9.idrds"), QStringLiteral("3.0"), true), 0);
        QCOMPARE(fms.channelInfo(5).idrds, 2);
        startChannels(fms);
        QCOMPARE(afListText(fms.rds(1).af), QStringLiteral("958 1011"));
        QCOMPARE(afListText(fms.rds(1).eon[1].af), QStringLiteral("990"));
        QCOMPARE(p.fileValue(fms, QStringLiteral("rds.1/eon/1/af")).toString(), QStringLiteral("990"));

        QList<EON> eon = fms.rds(1).eon;
        eon[1] = EON();
        eon[1].channel = 9;
        fms.setEon(1, eon);
        QCOMPARE(int(eon[1].pi), 0xD3C3);
        QCOMPARE(eon[1].ps, QStringLiteral("DREI"));
        QCOMPARE(afListText(eon[1].af), QStringLiteral("990"));
    }
};

QTEST_GUILESS_MAIN(TestProjectEncoding)
#include "tst_projectencoding.moc"
