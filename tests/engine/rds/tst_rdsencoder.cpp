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

QByteArray bytes(const u8 *g)
{
    return QByteArray(reinterpret_cast<const char *>(g), 13);
}

} // namespace

// The encoder's scheduling roads: rates, bursts, streams, raw groups, replay, TMC and the setters. The
// builders' blocks are in tst_rdsbuilders, the setters against a generating board thread in
// tst_encoderthreads.
class TestRDSEncoder : public QObject
{
    Q_OBJECT

private slots:
    void sequenceByRates()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        rate(s, 2, 30);
        s.rta = "RT";
        enc.setRDS(s, 95.8);
        // Tie keeps the lower type; 2 of 3 slots are type 0.
        const QString k = kinds(run(enc, 3000), -1);
        QVERIFY(k.startsWith("02"));
        QCOMPARE(k.count('0') + k.count('2'), 3000);
        QVERIFY2(qAbs(k.count('0') - 2000) <= 2, qPrintable(QString::number(k.count('0'))));
        QCOMPARE(enc.scheduler().total(0), quint64(3000));
        // Types without a builder of their own send 15B; no type in a stream: zeros.
        s = source();
        rate(s, 6, 60);
        enc.setRDS(s, 95.8);
        QCOMPARE(kinds(run(enc, 1), 15), QString("B"));
        enc.setRDS(source(), 95.8);
        u8 out[13];
        std::memset(out, 0xAA, 13);
        enc.generate(out, nullptr, nullptr, nullptr);
        QCOMPARE(bytes(out), QByteArray(13, '\0'));
        // A negative rate clears the fill flag and fills: 600 s of air time.
        s = source();
        rate(s, 0, 120);
        rate(s, 10, -1);
        s.pn2 = "PTYN";
        enc.setRDS(s, 95.8);
        QVERIFY(!enc.scheduler().fill(0));
        const QString f = kinds(run(enc, 6851), -1);
        QVERIFY2(qAbs(f.count('0') - 1202) <= 2, qPrintable(QString::number(f.count('0'))));
        QCOMPARE(f.count('a'), 6851 - f.count('0'));
    }

    void clockTimeReplacesOneSlot()
    {
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        s.zone = 2;
        const QDateTime t(QDate(2024, 5, 17), QTime(13, 45), Qt::UTC);
        const QString minute = QString::asprintf("%04X", (13 << 12) | (45 << 6) | 2);
        // Group 4 off: no clock time.
        enc.setRDS(s, 95.8);
        enc.setCT(t);
        QCOMPARE(kinds(run(enc, 1), -1), QString("0"));
        rate(s, 4, 1);
        enc.setRDS(s, 95.8);
        enc.setCT(t);
        const QStringList g = run(enc, 3);
        QCOMPARE(kinds(g, -1), QString("400"));
        QCOMPARE(g[0].right(4), minute);
        // The clock time is not counted by the scheduler.
        QCOMPARE(enc.scheduler().total(0), quint64(2));
        // A local time (not UTC) is converted.
        enc.setCT(QDateTime(QDate(2024, 5, 17), QTime(15, 45), Qt::OffsetFromUTC, 7200));
        QCOMPARE(run(enc, 1).first().right(4), minute);
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

    void errorInjectionOnEveryRoad()
    {
        // ber 100 with mode 0 inverts every bit: built groups, clock time and raw groups alike.
        RDSEncoder enc(1), ref(1);
        RDSSource s = source();
        rate(s, 0, 60);
        rate(s, 4, 1);
        ref.setRDS(s, 95.8);
        s.err = 0x80;
        s.ber = 100;
        enc.setRDS(s, 95.8);
        const QDateTime t(QDate(2024, 5, 17), QTime(13, 45), Qt::UTC);
        for (int i = 0; i < 3; ++i) {
            if (i == 1) {
                enc.setCT(t);
                ref.setCT(t);
            }
            u8 a[13], b[13];
            enc.generate(a, nullptr, nullptr, nullptr);
            ref.generate(b, nullptr, nullptr, nullptr);
            for (int k = 0; k < 13; ++k)
                QCOMPARE(int(a[k]), int(u8(~b[k])));
        }
    }

};

QTEST_GUILESS_MAIN(TestRDSEncoder)
#include "tst_rdsencoder.moc"
