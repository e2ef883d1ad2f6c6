#include "RDSScheduler.h"

#include <QTest>



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
};

QTEST_GUILESS_MAIN(TestRDSScheduler)
#include "tst_rdsscheduler.moc"
