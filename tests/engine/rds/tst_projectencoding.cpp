// From the project file to the air: a project written as INI text is loaded by FMSettings, its records go
// into an RDSEncoder, and the groups that come out are decoded field by field against the values in the file.
// The exact blocks of each builder are checked in tst_rdsbuilders; here the point is that every key of the
// file reaches its field.

#include "FMSettings.h"
#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "TempProject.h"

#include <QtTest>

#include <memory>

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
    QString cd() const { return QString::asprintf("%02X %04X %04X", low(), c, d); }
    QString all() const { return QString::asprintf("%04X %04X %04X %04X", a, b, c, d); }
};

Group decode(const u8 *out)
{
    const RDSBlocks blocks = unpackGroup(out);
    Group g{blocks.info[0], blocks.info[1], blocks.info[2], blocks.info[3], true};
    for (int k = 0; k < 4; ++k)
        g.valid = g.valid && rdsBlockValid(blocks, k);
    return g;
}

// n slots; streams 1..3 only when asked for.
QList<Group> run(RDSEncoder &enc, int n, QList<Group> *s1 = nullptr, QList<Group> *s3 = nullptr)
{
    QList<Group> groups;
    u8 g0[13], g1[13], g2[13], g3[13];
    for (int i = 0; i < n; ++i) {
        enc.generate(g0, s1 ? g1 : nullptr, s3 ? g2 : nullptr, s3 ? g3 : nullptr);
        groups.append(decode(g0));
        if (s1)
            s1->append(decode(g1));
        if (s3)
            s3->append(decode(g3));
    }
    return groups;
}

// "low C D" of the first n groups of a type.
QStringList ofType(const QList<Group> &groups, int type, int n = 1000, bool versionB = false)
{
    QStringList out;
    for (const Group &g : groups) {
        if (g.type() == type && g.versionB() == versionB && out.size() < n)
            out.append(g.cd());
    }
    return out;
}

// What a receiver reads from the 0A groups of one AF method-A list: the announced number of frequencies, the
// tuning frequency and the frequencies (100 kHz, tuning one included) in the order first received.
struct ReceivedAf
{
    int count = 0, tuning = 0;
    QList<int> freqs;
};

ReceivedAf receivedAf(const QList<Group> &groups)
{
    ReceivedAf r;
    for (const Group &g : groups) {
        if (!g.valid || g.type() != 0 || g.versionB())
            continue;
        const int hi = g.c >> 8, lo = g.c & 0xFF;
        if (hi >= 225 && hi <= 249) { // count code, then the tuning frequency (IEC 62106 AF codes)
            r.count = hi - 224;
            r.tuning = lo >= 1 && lo <= 204 ? lo + 875 : 0;
        }
        for (int code : {hi, lo}) {
            if (code >= 1 && code <= 204 && !r.freqs.contains(code + 875))
                r.freqs.append(code + 875);
        }
    }
    return r;
}

// The bytes a receiver of one stream assembles from the segments of a text group: block C and D of segment a at
// 4a (after block B's `mask`), from the first segment 0 to the next restart; empty when a segment skips an address.
QByteArray segmentedText(const QList<Group> &groups, int type, int mask, bool versionB = false)
{
    QByteArray text;
    int last = -1;
    for (const Group &g : groups) {
        if (!g.valid || g.type() != type || g.versionB() != versionB)
            continue;
        const int a = g.low() & mask;
        if (last < 0 && a != 0)
            continue;
        if (last >= 0 && a == 0)
            return text;
        if (last >= 0 && a != last + 1)
            return QByteArray();
        for (u16 w : {g.c, g.d})
            text += char(w >> 8), text += char(w & 0xFF);
        last = a;
    }
    return QByteArray();
}

u16 chars(const char *two)
{
    return u16((u8(two[0]) << 8) | u8(two[1]));
}

// A project with three channels and sources: source 1 on channel 1 shares its PI with source 2 on channel 5
// (automatic AF list), source 3 on channel 9 is the other network of EON entry 1. Numbers are decimal, PI and
// EON words hexadecimal, as the project file keeps them.
const char *const kProject =
    "[board]\ngmin=1\n"
    "[channel.1]\nused=1\nfreq=95.8\nidrds=1\n"
    "[channel.5]\nused=1\nfreq=101.1\nidrds=2\n"
    "[channel.9]\nused=1\nfreq=99.0\nidrds=3\n"
    "[rds.1]\nname=Eins\nps=TROVINA\nlps=Trovina lang\npi=d3a1\npty=5\ntp=1\nta=1\nms=0\ndec=1\nafu=7\n"
    "afs=1034\ncrt=E.1\nclps=UTF-8\nenc=UTF-8\nrta=Jetzt: $0\nrtb=\nendx=1\nenda=13\nrtxt=192\nrtxg=0\n"
    "rtgrp=11\nrtbit=0\nrtitm=1\nrttag\\0=1 Song\nertg=12\nertb=1\neaid=25938\npaid=19415\npn1=ABCDEFGH\n"
    "pn2=IJKLMNOP\npage=3\nslow=224\npin=4660\nzone=-2\nmins=0\ndate=1\ndays=42003\ntmcsi=1\nmode=1\n"
    "gmin\\0=1 120 0 0 0\ngmin\\1=1 10 0 0 0\ngmin\\2=1 60 0 0 0\ngmin\\3=1 20 0 0 0\ngmin\\4=1 0 0 0 0\n"
    "gmin\\8=1 30 0 0 0\ngmin\\10=1 10 0 0 0\ngmin\\11=1 20 0 0 0\ngmin\\12=1 20 0 0 0\ngmin\\14=1 30 0 0 0\n"
    "gmin\\15=1 10 0 0 0\neon\\0=0 d3b2 7 1 0 ab\neon\\0\\ps=ANDERE\neon\\0\\af=958 1011\neon\\1=9 0 0 0 0 0\n"
    "oda\\0=e123 4567 89ab cdef 400 400 400 400 10 0 0 0 1\n"
    "[rds.2]\nname=Zwei\nps=ZWEI\npi=d3a1\n"
    "[rds.3]\nname=Drei\nps=DREI\npi=d3c3\npty=9\ntp=0\nta=1\n"
    "[tmc.1]\nname=Verkehr\nspn=VERKEHR1\nflag=9\nrate=10\naid=52550\nva0=71\nva1=16397\nva2=32992\nva3=49152\n"
    "rpt=1\n0=1 8 101 200 1\n";

// The project with keys changed, loaded as the program loads it; rtc (with umlauts) is written by the
// settings layer, which escapes what is not Latin-1. With channels, the used channels are entered with their
// frequencies and the automatic AF lists computed, as the main window does.
struct Loaded
{
    TempProject p;
    std::unique_ptr<FMSettings> fms;

    explicit Loaded(const QVariantMap &keys = {}, bool channels = true, const QByteArray &text = kProject)
        : p(text)
    {
        {
            QSettings ini(p.path(), QSettings::IniFormat);
            if (text == kProject)
                ini.setValue(QStringLiteral("rds.1/rtc"), QStringLiteral("Gr\u00fc\u00dfe"));
            for (auto it = keys.begin(); it != keys.end(); ++it)
                ini.setValue(it.key(), it.value());
        }
        fms = std::make_unique<FMSettings>(p.path());
        if (channels)
            startChannels(*fms);
    }

    static void startChannels(FMSettings &fms)
    {
        for (int ch : {1, 5, 9}) {
            const ChannelRecord c = fms.channelInfo(ch);
            fms.setChannelFreq(ch, c.freq, c.used);
        }
        fms.updateAF(true);
    }

    // An encoder fed as a channel program feeds it: the channel's source, its TMC source and the channel
    // frequency.
    void feed(RDSEncoder &enc, int source = 1) const
    {
        const RDSSource src = fms->rds(source);
        enc.setRDS(src, 95.8);
        enc.setTMC(fms->tmc(src.tmcsi));
    }

    // What source 1 sends, against the same source of the project file at path loaded anew (with its
    // channels): empty when slot after slot is the same, else the first slot that differs. sent gets this
    // project's groups.
    QString differsWhenLoadedFrom(const QString &path, QList<Group> *sent = nullptr) const
    {
        FMSettings again(path);
        startChannels(again);
        RDSEncoder a(1), b(1);
        feed(a);
        b.setRDS(again.rds(1), 95.8);
        b.setTMC(again.tmc(1));
        const QList<Group> ga = run(a, 3000), gb = run(b, 3000);
        if (sent)
            *sent = ga;
        for (int i = 0; i < ga.size(); ++i)
            if (!(ga[i].all() == gb[i].all()))
                return QString("slot %1: %2 != %3").arg(i).arg(ga[i].all(), gb[i].all());
        return QString();
    }
};

} // namespace

class TestProjectEncoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void basicFieldsFromTheFile()
    {
        Loaded l;
        RDSEncoder enc(1);
        enc.seedRandom(1);
        l.feed(enc);
        enc.setCT(QDateTime(QDate(2024, 5, 17), QTime(13, 45), Qt::UTC));
        const QList<Group> groups = run(enc, 2000);

        // 4A in the first slot: the fixed date 1 March 2015 (MJD 57082), 13:45 UTC, offset -2 half hours.
        QCOMPARE(groups[0].all(), QString::asprintf("D3A1 44A1 %04X %04X", (57082 & 0x7FFF) << 1,
                                                    (13 << 12) | (45 << 6) | 0x20 | 2));
        for (const Group &g : groups) {
            QVERIFY(g.valid);
            if (g.a == 0xE123)
                continue;
            QCOMPARE(g.a, u16(0xD3A1));
            QCOMPARE(g.b & 0x07E0, 0x04A0); // TP 1, PTY 5
        }
        // 0A: TA 1, MS 0, DI bit d0 (stereo) in segment 3 only; AF method A tuned to 95.8 MHz: the automatic
        // list (95.8 of channel 1 and 101.1 of channel 5, same PI) and the manual 103.4 MHz.
        QVERIFY(ofType(groups, 0, 1, true).isEmpty());
        QCOMPARE(ofType(groups, 0, 4), (QStringList{"10 E353 5452", "11 889F 4F56", "12 E353 494E", "17 889F 4120"}));
        // 1A: paging code 3, slow labelling code 224, programme item 4660.
        QCOMPARE(ofType(groups, 1, 1), QStringList{"03 00E0 1234"});
        // 2A: "Jetzt: Song" with the end character 13.
        QVERIFY(ofType(groups, 2, 1, true).isEmpty());
        QCOMPARE(ofType(groups, 2, 4), (QStringList{"00 4A65 747A", "01 743A 2053", "02 6F6E 670D", "00 4A65 747A"}));
        QCOMPARE(ofType(groups, 10, 2), (QStringList{"00 494A 4B4C", "01 4D4E 4F50"})); // PTYN 2 first
        // 15A: long PS in UTF-8, TA in bit 4; 12A: eRT in UTF-8.
        QCOMPARE(ofType(groups, 15, 3), (QStringList{"10 5472 6F76", "11 696E 6120", "12 6C61 6E67"}));
        QCOMPARE(ofType(groups, 12, 2), (QStringList{"00 4772 C3BC", "01 C39F 6500"}));
        // RT+ in 11A: item running, toggle 0, "Song" (type 1) at 7, length 4.
        QCOMPARE(ofType(groups, 11, 1), QStringList{"08 2386 0000"});
        // 3A: TMC variants 0 and 1 (flag 9) with the AID 52550, eRT in 12A and RT+ in 11A (rtxt 192) with
        // their decimal AIDs.
        const QStringList announced = ofType(groups, 3);
        QCOMPARE(QSet<QString>(announced.begin(), announced.end()),
                 (QSet<QString>{"10 0047 CD46", "10 400D CD46", "18 0001 6552", "16 0000 4BD7"}));
        // TA is on: the source's arrival arms the 15B burst of buc1 (8) groups.
        QCOMPARE(ofType(groups, 15, 1000, true).size(), 8);

        // Shares of the rate table (groups per minute) on a filled stream.
        const int rates[16] = {120, 10, 60, 20, 0, 0, 0, 0, 30, 0, 10, 20, 20, 0, 30, 10};
        const double total = 330 + 10; // the raw row at 10 a minute
        for (int t = 0; t < 16; ++t) {
            int n = 0;
            for (const Group &g : groups)
                n += g.type() == t && g.a != 0xE123 && !(t == 15 && g.versionB()) ? 1 : 0;
            const double want = groups.size() * rates[t] / total;
            QVERIFY2(qAbs(n - want) <= 2 + want * 0.02,
                     qPrintable(QStringLiteral("type %1: %2 groups, %3 wanted").arg(t).arg(n).arg(want)));
        }
    }

    void eonEntriesAndTheirTaChange()
    {
        // 14B burst on EON TA off: 4 groups in 1 s.
        Loaded l({{"rds.1/eoc2", 4}, {"rds.1/eot2", 10}});
        RDSEncoder enc(1);
        l.feed(enc);
        const QStringList eon = ofType(run(enc, 2000), 14, 15);
        // Entry 0 as stored: PS, linkage ab, PTY 7 / TA 0, AF 95.8 and 101.1 as a method-A list; TP(ON) in
        // bit 4, PI(ON) in D. Entry 1 names channel 9: PI, PS, PTY, TP and TA of source 3, and its automatic
        // AF list (99.0 MHz).
        QCOMPARE(eon, (QStringList{"10 414E D3B2", "11 4445 D3B2", "12 5245 D3B2", "13 2020 D3B2", "1C 00AB D3B2",
                                   "1D 3800 D3B2", "14 E253 D3B2", "14 88CD D3B2", "00 4452 D3C3", "01 4549 D3C3",
                                   "02 2020 D3C3", "03 2020 D3C3", "0D 4801 D3C3", "0D 4801 D3C3", "04 E173 D3C3"}));

        // Source 3 (the programme of channel 9) ends its announcement: the project refreshes EON entry 1 of
        // source 1, the channel program hands the list over with the entry that changed.
        RDSSource three = l.fms->rds(3);
        three.ta = 0;
        l.fms->setRds(3, three);
        QCOMPARE(int(l.fms->rds(1).eon[1].ta), 0);
        enc.setEON(l.fms->rds(1).eon, 1);
        QStringList burst;
        for (const Group &g : run(enc, 30))
            if (g.type() == 14 && g.versionB())
                burst << g.all();
        // Type 14 version B, TP 1, PTY 5, TP(ON) 0, TA(ON) 0; own PI in C, PI(ON) in D.
        const QString b14 = QStringLiteral("D3A1 ECA0 D3A1 D3C3");
        QCOMPARE(burst, (QStringList{b14, b14, b14, b14}));
    }

    void tmcFromTheTmcSource()
    {
        Loaded l;
        RDSEncoder enc(1);
        l.feed(enc);
        // Provider name "VERKEHR1" (variants 4 and 5), then message 0: duration 1, direction (flags 8), event
        // 101, location 200; then the provider name again after the list.
        QCOMPARE(ofType(run(enc, 1000), 8, 6), (QStringList{"14 5645 524B", "15 4548 5231", "09 4065 00C8",
                                                              "14 5645 524B", "15 4548 5231", "09 4065 00C8"}));

        TempProject p(QByteArray(kProject) +
            "[tmc.2]\nspn=TMC-ZWEI\nflag=15\nrate=60\nenc=2\nskt=0 0 3205\nva0=71\nva1=16397\nrpt=1\n"
            "0=2 0 1500 200 1 65541 458759\n");
        QSettings(p.path(), QSettings::IniFormat).setValue(QStringLiteral("rds.1/tmcsi"), 2);
        FMSettings fms(p.path());
        RDSEncoder enc2(1);
        enc2.setTimeSource([]() -> qint64 { return 1000000; });
        enc2.setRDS(fms.rds(1), 95.8);
        enc2.setTMC(fms.tmc(2));
        const QList<Group> groups = run(enc2, 1500);
        // Provider name; encryption administration (service identifier of va1, ENCID 2; table number of va0);
        // the first group with the location 200 encrypted by service key 2 (rotate 3, start 2, XOR 5):
        // 0x000D; the second group with labels 1 (value 5) and 7 (value 7).
        QCOMPARE(ofType(groups, 8, 7), (QStringList{"14 544D 432D", "15 5A57 4549", "00 1802 0400", "01 85DC 000D",
                                                     "01 41AE 0E00", "14 544D 432D", "15 5A57 4549"}));
        // 3A of variant 0 without the location table number while encrypting.
        QVERIFY(ofType(groups, 3).contains("10 0007 CD46"));
    }

    // A TMC source added by the editor goes on air after a save and reload as it did when added.
    void addedTmcSourceAfterReload()
    {
        TempProject p("[board]\ngmin=1\n[rds.1]\npi=1234\nmode=1\ngmin\\3=1 60 0 0 0\n");
        TMCSource added;
        {
            FMSettings fms(p.path());
            QCOMPARE(fms.addTmc(), 1);
            QCOMPARE(fms.set(QStringLiteral("rds.1.tmcsi"), 1, true), 0);
            added = fms.tmc(1);
            fms.sync();
        }
        FMSettings again(p.path());
        const TMCSource loaded = again.tmc(1);
        QCOMPARE(loaded.scalarValues(), added.scalarValues());
        QCOMPARE(loaded.name + loaded.spn + QString::number(loaded.used), QStringLiteral("TMC-1SPN-11"));
        RDSEncoder enc(1);
        enc.setRDS(again.rds(1), 95.8);
        enc.setTMC(loaded);
        // 3A of variants 0 (location table 1) and 1, AID CD46.
        const QStringList announced = ofType(run(enc, 20), 3);
        QCOMPARE(QSet<QString>(announced.begin(), announced.end()), (QSet<QString>{"10 0047 CD46", "10 400D CD46"}));
    }

    // The clock time's local offset counts half hours: a source without the key sends UTC+1, a stored value
    // stands.
    void clockTimeOffset()
    {
        QCOMPARE(int(RDSSource().zone), 2);
        for (const auto &c : {qMakePair(QByteArray(), 2), qMakePair(QByteArray("zone=1\n"), 1)}) {
            Loaded l({}, false, "[board]\ngmin=1\n[rds.1]\npi=1234\nmode=1\ngmin\\4=1 0 0 0 0\n" + c.first);
            RDSEncoder enc(1);
            l.feed(enc);
            enc.setCT(QDateTime(QDate(2024, 5, 17), QTime(13, 45), Qt::UTC));
            const Group ct = run(enc, 1).first();
            QCOMPARE(ct.type(), 4);
            QCOMPARE(ct.d & 0x3F, c.second);
        }
    }

    void rds2StreamsAndErrorsFromTheFile()
    {
        // Keys left out take their defaults: TP 1, PTY 10, MS 1, DI 9, no AF (0B), the RDS character set.
        Loaded l({}, false,
            "[board]\ngmin=1\n"
            "[rds.1]\npi=1234\nps=ZWEI\nmode=27\ngmin\\0=1 60 0 0 30\ngmin\\2=1 0 0 0 -10\n"
            "[rds.2]\npi=1234\nps=FEHLER\nerr=128\nber=100\nfix=1\ngmin\\0=1 60 0 0 0\n");
        RDSEncoder enc(1);
        l.feed(enc);
        u8 g[4][13];
        enc.generate(g[0], g[1], g[2], g[3]);
        // Stream 2 is off: zero bytes.
        QCOMPARE(QByteArray(reinterpret_cast<char *>(g[2]), 13), QByteArray(13, '\0'));
        QCOMPARE(decode(g[0]).all(), QString::asprintf("1234 0D4C 1234 %04X", chars("ZW")));
        // Stream 1 (mode 0x02 + 0x10) copies stream 0 with block A 0; stream 3 (0x08) sends its own groups
        // with block A 0: type 0 at 30 a minute, RadioText fills the rest.
        QList<Group> s1, s3;
        const QList<Group> s0 = run(enc, 685, &s1, &s3);
        QCOMPARE(s1[5].all(), QStringLiteral("0000") + s0[5].all().mid(4));
        int stream3Type0 = 0;
        for (const Group &g : s3) {
            QVERIFY(g.valid && g.a == 0 && (g.type() == 0 || g.type() == 2));
            stream3Type0 += g.type() == 0 ? 1 : 0;
        }
        QVERIFY2(qAbs(stream3Type0 - 30) <= 2, qPrintable(QString::number(stream3Type0)));

        // Source 2 inverts every bit and then recomputes the checkwords.
        RDSEncoder bad(2);
        l.feed(bad, 2);
        const Group e = run(bad, 1).first();
        QVERIFY(e.valid);
        QCOMPARE(e.all(), QString::asprintf("%04X %04X %04X %04X", u16(~0x1234), u16(~0x0D4C), u16(~0x1234),
                                            u16(~chars("FE"))));
    }

    // Each RDS2 stream runs its own long PS, PTYN, eRT and 15B cycles: a receiver of stream 0 gets every segment
    // in order, whatever streams 1 to 3 send beside it.
    void rds2StreamsKeepStreamZeroTextsWhole()
    {
        Loaded l({}, false,
            "[board]\ngmin=1\n"
            "[rds.1]\npi=1234\nps=VIER\nlps=Vier Stroeme lang\npn1=PTYNEINS\npn2=PTYNZWEI\nrtc=Erweiterter Text\nrpd=0\n"
            "endx=0\nertg=12\nmode=15\ngmin\\5=1 20 20 20 20\ngmin\\10=1 20 20 20 20\ngmin\\12=1 20 20 20 20\n"
            "gmin\\15=1 20 20 20 20\n");
        RDSEncoder enc(1);
        l.feed(enc);
        QList<Group> s0;
        u8 g[4][13];
        QSet<int> rds2Types;
        for (int i = 0; i < 400; ++i) {
            enc.generate(g[0], g[1], g[2], g[3]);
            s0 << decode(g[0]);
            for (int s = 1; s < 4; ++s)
                rds2Types << decode(g[s]).type();
        }
        QCOMPARE(rds2Types, (QSet<int>{10, 12, 15}));
        QCOMPARE(segmentedText(s0, 15, 7), QByteArray("Vier Stroeme lang\0\0\0", 20));
        QCOMPARE(segmentedText(s0, 10, 1), QByteArray("PTYNZWEI"));
        QCOMPARE(segmentedText(s0, 12, 0x1F), QByteArray("Erweiterter Text"));
        QCOMPARE(segmentedText(s0, 15, 3, true).size(), 16); // 15B: segments 0..3 in order
    }

    // A project as the main window loads it with a single board: the automatic AF list of channel 1 holds every
    // used channel of the board whose source has its PI.
    void automaticListOfOneBoard()
    {
        QByteArray text = "[board]\ngmin=1\n[rds.1]\npi=d311\nafu=3\nmode=1\ngmin\\0=1 60 0 0 0\n"
                          "[rds.2]\npi=d311\n[rds.3]\npi=d399\n";
        QList<int> expected;
        for (int ch = 1; ch <= 24; ++ch) {
            const int source = ch == 24 ? 3 : 2 - ch % 2; // channel 24 has a PI of its own
            text += "[channel." + QByteArray::number(ch) + "]\nused=1\nidrds=" + QByteArray::number(source) +
                    "\nfreq=" + QByteArray::number(88.0 + ch * 0.5, 'f', 1) + "\n";
            if (ch < 24)
                expected << 880 + 5 * ch;
        }
        TempProject p(text);
        FMSettings fms(p.path());
        fms.setBoardCount(1);
        fms.updateAF(true);
        RDSEncoder enc(1);
        enc.setRDS(fms.rds(1), fms.channelInfo(1).freq);
        const ReceivedAf af = receivedAf(run(enc, 100));
        QCOMPARE(af.count, 23);
        QCOMPARE(af.tuning, 885);
        QCOMPARE(af.freqs, expected);
    }

    void writersAndLoaderAgreeOnWhatGoesOnAir()
    {
        // The editors' writers store a project's sources anew; loaded again, the encoder sends exactly what
        // it sent from the original.
        Loaded orig;
        TempProject copy(QByteArray(kProject).left(QByteArray(kProject).indexOf("[rds.1]")));
        {
            FMSettings w(copy.path());
            for (int id : {2, 3, 1}) {
                const RDSSource src = orig.fms->rds(id);
                w.setRdsName(id, src.name);
                w.setRds(id, src);
                QList<RDSAFEntry> afs = src.afs;
                w.setAfs(id, afs);
                w.setOda(id, src.oda);
                w.setGroupRates(id, src.gmin);
                QList<EON> eon = src.eon;
                w.setEon(id, eon);
            }
            const TMCSource t = orig.fms->tmc(1);
            w.setTmcName(1, t.name);
            w.setTmc(1, t);
            w.sync();
        }
        const QString differs = orig.differsWhenLoadedFrom(copy.path());
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }

    // Linked EON entries follow every store at once: a store of the entry's own source keeps the PTY and TA
    // of the linked one, a manual AF of the linked source reaches the entry's list, an added entry has its
    // programme and list; saved and loaded again, the air is the same.
    void linkedEonEntriesFollowEveryStore()
    {
        Loaded l;
        FMSettings &fms = *l.fms;
        // The editor's store of another PI: channel 9 joins source 1's programme at once.
        RDSSource three = fms.rds(3);
        three.pi = 0xD3A1;
        fms.setRds(3, three);
        QCOMPARE(afListText(fms.rds(1).af), QStringLiteral("958 1011 990"));
        three.pi = 0xD3C3;
        fms.setRds(3, three);
        QCOMPARE(fms.add(QStringLiteral("rds.3.afs"), QStringLiteral("1012")), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.ps"), QStringLiteral("NEU"), true), 0);
        // An added linked entry carries its programme's PI, PTY, TP and TA; it gets the PS and AF list.
        QCOMPARE(fms.add(QStringLiteral("rds.1.eon"), QStringLiteral("5 0 0 0 0 0")), 9);
        QCOMPARE(fms.add(QStringLiteral("rds.1.eon"), QStringLiteral("5 d3a1 10 1 0 0")), 0);
        const EON added = fms.rds(1).eon[2];
        QCOMPARE(added.ps + ' ' + afListText(added.af), QStringLiteral("ZWEI 958 1011"));
        fms.sync();
        QList<Group> sent;
        const QString differs = l.differsWhenLoadedFrom(l.p.path(), &sent);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        // Entry 1 (PI D3C3): PTY 9, TA 1; AF 99.0 and 101.2 MHz.
        const QStringList eon = ofType(sent, 14);
        for (const char *g : {"0D 4801 D3C3", "04 E273 D3C3", "04 89CD D3C3"})
            QVERIFY2(eon.contains(g), g);
    }

    void groupFilesReplayedFromTheFileList()
    {
        TempProject dir;
        // A comma in the name must survive the file list.
        const QString file = dir.dirPath() + QStringLiteral("/log, eins.txt");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("# Kanal 1\n12:00:00.000 ABCD 1234 5678 9abc def0\n");
        }
        Loaded l({{"rds.1/fused", true}, {"rds.1/files", QStringList{file}}}, false);
        QCOMPARE(l.fms->rds(1).files, QStringList{file});
        RDSEncoder enc(1);
        l.feed(enc);
        QCOMPARE(run(enc, 1).first().all(), QStringLiteral("1234 5678 9ABC DEF0"));
        QCOMPARE(enc.replayFileName(), file);
    }

    void remoteStoresOfBitsAndNumbersReachTheAir()
    {
        // The key table reads TP, TA, MS, the TMC gap and the date flag as booleans and numbers as decimal
        // numbers: what a validated store accepts (and keeps as given) must reach the encoder as meant.
        Loaded l({}, false);
        FMSettings &fms = *l.fms;
        const QList<QPair<QString, QString>> stores{{"rds.1.ms", "true"}, {"rds.1.ta", "false"}, {"rds.1.tp", "yes"},
                                                    {"rds.1.pty", "7.0"},  {"rds.1.date", "FALSE"}};
        for (const auto &s : stores)
            QCOMPARE(fms.set(s.first, s.second, true), 0);
        QCOMPARE(l.p.fileValue(fms, QStringLiteral("rds.1/ms")).toString(), QStringLiteral("true"));
        for (const RDSSource &src : {fms.rds(1), FMSettings(l.p.path()).rds(1)}) {
            QCOMPARE(int(src.ms), 1);
            QCOMPARE(int(src.ta), 0);
            QCOMPARE(int(src.tp), 1);
            QCOMPARE(int(src.pty), 7);
            QCOMPARE(int(src.date), 0);
        }
        RDSEncoder enc(1);
        l.feed(enc);
        // TP 1, PTY 7, TA 0, MS 1.
        QCOMPARE(ofType(run(enc, 20), 0, 1).first().left(2), QStringLiteral("08"));
        QCOMPARE(run(enc, 1).first().b & 0x07E0, 0x04E0);

        // A rate list with fractions: group 1 at 10 a minute is switched off.
        QCOMPARE(fms.set(QStringLiteral("rds.1.gmin.1"), QStringLiteral("0.0 10.0 0 0 0"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("rds.1.gmin.2"), QStringLiteral("1 60.4 0 0 0"), true), 0);
        QCOMPARE(int(fms.rds(1).gmin[1].on), 0);
        QCOMPARE(fms.rds(1).gmin[1].rate[0], 10);
        QCOMPARE(fms.rds(1).gmin[2].rate[0], 60);

        // The TMC source likewise: each group twice.
        QCOMPARE(fms.set(QStringLiteral("tmc.1.rpt"), QStringLiteral("2.0"), true), 0);
        QCOMPARE(int(fms.tmc(1).rpt), 2);
    }

    void channelLinksStoredAsDecimalFractions()
    {
        // A validated store keeps "2.0" for a channel's RDS source: the channel record, the automatic AF
        // lists and the EON writer all read it as source 2.
        Loaded l({}, false);
        FMSettings &fms = *l.fms;
        QCOMPARE(fms.set(QStringLiteral("channel.5.idrds"), QStringLiteral("2.0"), true), 0);
        QCOMPARE(fms.set(QStringLiteral("channel.9.idrds"), QStringLiteral("3.0"), true), 0);
        QCOMPARE(fms.channelInfo(5).idrds, 2);
        Loaded::startChannels(fms);
        QCOMPARE(afListText(fms.rds(1).af), QStringLiteral("958 1011"));
        QCOMPARE(afListText(fms.rds(1).eon[1].af), QStringLiteral("990"));
        QCOMPARE(l.p.fileValue(fms, QStringLiteral("rds.1/eon/1/af")).toString(), QStringLiteral("990"));

        QList<EON> eon = fms.rds(1).eon;
        eon[1] = EON();
        eon[1].channel = 9;
        fms.setEon(1, eon);
        QCOMPARE(eon[1].ps, QStringLiteral("DREI"));
    }
};

QTEST_GUILESS_MAIN(TestProjectEncoding)
#include "tst_projectencoding.moc"
