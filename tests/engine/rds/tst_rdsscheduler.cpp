#include "RDSScheduler.h"
#include "TMCSender.h"

#include <QTest>

using Group = TMCSender::Group;

static RDSScheduler::RateTable table(std::initializer_list<std::pair<int, RDSScheduler::Rate>> entries)
{
    RDSScheduler::RateTable t{};
    for (const auto &e : entries)
        t[e.first] = e.second;
    return t;
}
static RDSScheduler::Rate rate(int s0, int s1 = 0, int s2 = 0, int s3 = 0, bool on = true)
{
    RDSScheduler::Rate r;
    r.on = on;
    r.rate[0] = s0;
    r.rate[1] = s1;
    r.rate[2] = s2;
    r.rate[3] = s3;
    return r;
}
static QVector<int> run(RDSScheduler &sch, int s, int nSlots, int gap = 0)
{
    QVector<int> seq;
    for (int i = 0; i < nSlots; ++i)
        seq << sch.next(s, gap, nullptr);
    return seq;
}

TMCMessage message(u8 duration, u8 flags, u16 event, u16 location, u8 send, QList<u32> labels = {})
{
    TMCMessage m;
    m.duration = duration;
    m.flags = flags;
    m.event = event;
    m.location = location;
    m.send = send;
    m.labels = labels;
    return m;
}

u32 label(int number, u32 value)
{
    return (u32(number) << 16) | value;
}

QList<Group> sendGroups(TMCSender &s, int n, qint64 now = 1000000)
{
    QList<Group> l;
    for (int i = 0; i < n; ++i)
        l << s.nextGroup(now);
    return l;
}

QString show(const Group &g)
{
    return QString::asprintf("%02X %04X %04X", g.low, g.c, g.d);
}

QStringList shows(const QList<Group> &l)
{
    QStringList r;
    for (const Group &g : l)
        r << show(g);
    return r;
}

u16 cancelLookup(u16 event)
{
    return event == 101 ? 401 : 128;
}

class TestRDSScheduler : public QObject
{
    Q_OBJECT

private slots:
    void fillFlags()
    {
        // A negative rate on a stream clears that stream's fill flag only; disabled entries (21 here) leave
        // it alone; an entry beyond the 16 types still clears it; with tmgap entry 8 does not count.
        RDSScheduler sch;
        sch.setTable(table({{0, rate(60, 60)}, {5, rate(0, -2)}, {5 + 16, rate(-5, 0, 0, 0, false)}}), {},
                     false, true);
        QCOMPARE((QList<bool>{sch.fill(0), sch.fill(1), sch.fill(2), sch.fill(3)}),
                 (QList<bool>{true, false, true, true}));
        // Without fill a positive type sends only while behind, the filler takes the rest.
        const QVector<int> seq = run(sch, 1, 685);
        QVERIFY(qAbs(seq.count(0) - 60) <= 1);
        QCOMPARE(seq.count(5), 685 - seq.count(0));
        sch.setTable(table({{0, rate(60)}, {8, rate(-5)}}), {}, true, true);
        QVERIFY(sch.fill(0));
        sch.setTable(table({{0, rate(60)}, {8, rate(-5)}}), {}, false, false);
        QVERIFY(!sch.fill(0));

        // Nothing fills: a positive type that is ahead leaves its slot empty.
        sch.setTable(table({{0, rate(300)}, {31, rate(-1)}}), {}, false, true);
        QVERIFY(!sch.fill(0));
        const QVector<int> ahead = run(sch, 0, 6851);
        // 6851 slots are 600 s, plus the one second the schedule starts with; empty slots count nothing.
        QVERIFY2(qAbs(ahead.count(0) - 3005) <= 1, qPrintable(QString::number(ahead.count(0))));
        QCOMPARE(ahead.count(RDSScheduler::noGroup), 6851 - ahead.count(0));
        QCOMPARE(sch.total(0), quint64(ahead.count(0)));
    }

    // Without fill a positive type or raw row exactly on its rate is not behind: the filler takes the slot. After
    // an 8A group `gap` other groups go before the next.
    void onRateAndTmcGap()
    {
        RDSScheduler sch;
        std::array<quint64, RDSScheduler::types> counts{};
        counts[0] = 1;
        counts[5] = 10;
        sch.setTable(table({{0, rate(60)}, {5, rate(-1)}}), {{{60, 0, 0, 0}}}, false, true);
        sch.presetCounters(0, 0, counts);
        QCOMPARE(sch.next(0, 0, nullptr), int(RDSScheduler::rawGroup));
        sch.presetCounters(0, 0, counts); // one second of air time: type 0 and the row exactly on their rates
        QCOMPARE(sch.next(0, 0, nullptr), 5);
        RDSScheduler tmc;
        tmc.setTable(table({{0, rate(60)}, {8, rate(600)}}), {}, false, true);
        QCOMPARE(run(tmc, 0, 9, 3), (QVector<int>{0, 0, 0, 8, 0, 0, 0, 8, 0}));
    }

    void rawGroups()
    {
        RDSScheduler sch;
        QVector<RDSScheduler::RawRates> raw{{{60, 0, 0, 0}}, {{0, 30, 0, 0}}};
        sch.setTable(table({{0, rate(60, 60)}}), raw, false, true);
        int idx = -1;
        // Equal ratios (both 0): the type wins; a raw row only when strictly lower.
        QCOMPARE(sch.next(0, 0, &idx), 0);
        QCOMPARE(sch.next(0, 0, &idx), int(RDSScheduler::rawGroup));
        QCOMPARE(idx, 0);
        QCOMPARE(sch.rawCount(0, 0), quint64(1));
        QCOMPARE(sch.total(0), quint64(2));
        // Stream 1: row 1 at 30 against type 0 at 60.
        const QVector<int> s1 = run(sch, 1, 3000);
        QVERIFY(qAbs(s1.count(RDSScheduler::rawGroup) - 1000) <= 2);
        QCOMPARE(sch.rawCount(1, 1), quint64(s1.count(RDSScheduler::rawGroup)));
        // Raw groups leave the 8A gap counter alone.
        const quint64 since = sch.sinceLast8A();
        sch.setTable(table({}), raw.mid(0, 1), false, true);
        QCOMPARE(sch.next(0, 0, &idx), int(RDSScheduler::rawGroup));
        QCOMPARE(sch.sinceLast8A(), since);

        // The list grows without a restart: the new rows get counters at once.
        raw = {{{60, 0, 0, 0}}, {{0, 0, 0, 60}}, {{0, 0, 60, 0}}};
        sch.setTable(table({}), raw, false, false);
        QCOMPARE(sch.rawSize(), 3);
        QCOMPARE(sch.rawCount(0, 0), quint64(1));
        QCOMPARE(sch.next(3, 0, &idx), int(RDSScheduler::rawGroup));
        QCOMPARE(idx, 1);
        QCOMPARE(sch.next(2, 0, &idx), int(RDSScheduler::rawGroup));
        QCOMPARE(idx, 2);
        // And shrinks: no index runs past the list.
        raw.resize(1);
        sch.setTable(table({}), raw, false, false);
        QCOMPARE(sch.rawSize(), 1);
        QCOMPARE(sch.next(3, 0, &idx), int(RDSScheduler::noGroup));
        QCOMPARE(sch.next(0, 0, &idx), int(RDSScheduler::rawGroup));
        QCOMPARE(idx, 0);
    }

    void noWrapAfterLongRuns()
    {
        // 2^33 groups are about 24 years of air time; a 32-bit counter or a 32-bit count x 60 product would
        // have wrapped long before.
        RDSScheduler sch;
        sch.setTable(table({{0, rate(60)}, {2, rate(30)}}), {}, false, true);
        const quint64 total = (quint64(1) << 33) + 12345;
        std::array<quint64, RDSScheduler::types> counts{};
        counts[0] = total / 3 * 2;
        counts[2] = total - counts[0];
        sch.presetCounters(0, total, counts);
        const QVector<int> seq = run(sch, 0, 30000);
        QVERIFY2(qAbs(seq.count(0) - 20000) <= 3, qPrintable(QString::number(seq.count(0))));
        QCOMPARE(sch.total(0), total + 30000);
        QCOMPARE(sch.count(0, 0) + sch.count(2, 0), total + 30000);
        // Restart zeroes everything.
        sch.setTable(sch.table(), {}, false, true);
        QCOMPARE(sch.total(0), quint64(0));
        QCOMPARE(sch.count(2, 0), quint64(0));
    }

    void fieldsMaskedAndStatesSkipped()
    {
        TMCSource src;
        src.rpt = 0; // counts as 1
        src.messages << message(0xFF, 0xFF, 0xFFFF, 0x1234, 1) << message(1, 0, 5, 6, 0)
                     << message(1, 0, 7, 8, 3) << message(1, 0, 9, 10, 1);
        TMCSender s;
        s.setSource(src);
        const QStringList groups = shows(sendGroups(s, 6));
        QCOMPARE(groups.mid(2), (QStringList{"0F FFFF 1234", "09 0009 000A", "14 0000 0000", "15 0000 0000"}));
    }

    void cancellation()
    {
        TMCSource src;
        src.rpt = 2;
        src.messages << message(3, 0x10, 101, 300, 2) << message(3, 0x10, 102, 301, 2);
        TMCSender s;
        s.setSource(src);
        s.setCancelLookup(&cancelLookup);
        // Event 101 has a catalogue entry (401), 102 none (128).
        QCOMPARE(shows(sendGroups(s, 6)).mid(2),
                 (QStringList{"0B 8191 012C", "0B 8191 012C", "0B 8080 012D", "0B 8080 012D"}));
        s.setCancelLookup(nullptr);
        s.setSource(src);
        QCOMPARE(shows(sendGroups(s, 3)).last(), QString("0B 8080 012C"));
    }

    void maxFourWordsOnAir()
    {
        TMCSource src;
        src.rpt = 1;
        QList<u32> labels;
        for (int i = 0; i < 8; ++i)
            labels << label(10, 0x2000 + i);
        src.messages << message(1, 0, 100, 7, 1, labels);
        TMCSender s;
        s.setSource(src);
        // First group, then GSI 3 (with the second-group bit), 2, 1, 0; then the names.
        QList<int> gsi;
        for (const Group &g : sendGroups(s, 7).mid(2))
            gsi << (g.c >> 12);
        QCOMPARE(gsi, (QList<int>{0x8, 0x4 | 3, 2, 1, 0}));
        QCOMPARE(show(s.nextGroup(0)), QString("14 0000 0000"));
    }

    // At most four 28-bit words: sixteen 7-bit labels fill them exactly; the first label that does not fit ends
    // the packing, a smaller one after it included.
    void labelPacking()
    {
        const TMCSender::KeyRow key{};
        QCOMPARE(TMCSender::packLabels(QVector<u32>(16, label(0, 5)).toList(), false, key),
                 QVector<u32>(4, 0xA14285).toList());
        const QList<u32> labels = QVector<u32>(9, label(5, 0xA5)).toList() << label(1, 7) << label(14, 0);
        QCOMPARE(TMCSender::packLabels(labels, false, key), (QList<u32>{0x5A55A55, 0xA55A55A, 0x55A55A5, 0x5A55A50}));
    }

    void encryption()
    {
        TMCSource src;
        src.rpt = 2;
        src.flag = 0x01 | 0x02 | 0x04; // announce, encrypt, key table
        src.enc = 2;
        src.skt[2] = 0x35A5; // rotate 3, start 5, XOR 0xA5
        src.rate = 15;
        src.va0 = 0x0047;
        src.va1 = 0x400D;
        src.messages << message(1, 0, 100, 200, 1, {label(11, 0x1234)});
        TMCSender s;
        s.setSource(src);
        const TMCSender::KeyRow key = s.keyRow();
        QCOMPARE((QList<int>{key.rotate, key.start, key.xorValue}), (QList<int>{3, 5, 0xA5}));
        // Location 200 rotated right by 3 and XORed with 0xA5 << 5.
        QCOMPARE(TMCSender::encryptLocation(200, key), u16(0x14B9));
        const qint64 now = 100000;
        // Administration group twice: SID 0 with the marker bits, ENCID 2; LTN 1. Then the message twice;
        // label 11 encrypted: value rotated right by 3, XOR (11 << 5), 20 bits left-aligned.
        const QString admin = "00 1802 0400";
        QCOMPARE(shows(sendGroups(s, 8, now)).mid(2), (QStringList{admin, admin, "01 8064 14B9", "01 8064 14B9",
                                                             "01 4B83 2600", "01 4B83 2600"}));
        // Within the rate no new administration group; after it, one again.
        QVERIFY(!shows(sendGroups(s, 6, now + 5000)).contains(admin));
        QVERIFY(shows(sendGroups(s, 3, now + 15000)).contains(admin));
        // enc 32 or more, or no key table: the built-in row.
        src.flag = 0x02;
        s.setSource(src);
        QCOMPARE(s.keyRow().rotate, TMCSender::defaultKeyRow.rotate);
        src.flag = 0x06;
        src.enc = 40;
        s.setSource(src);
        QCOMPARE(s.keyRow().xorValue, TMCSender::defaultKeyRow.xorValue);
    }
};

QTEST_GUILESS_MAIN(TestRDSScheduler)
#include "tst_rdsscheduler.moc"
