#include "AFCodes.h"
#include "EON.h"
#include "FMSettings.h"
#include "KeyWatch.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RDSSource.h"
#include "RTag.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {

RTag tag(int type, const QString &text)
{
    RTag t;
    t.type = type;
    t.text = text;
    return t;
}

EON eonEntry(int channel, u16 pi, const QString &ps)
{
    EON e;
    e.channel = static_cast<u8>(channel);
    e.pi = pi;
    e.ps = ps;
    e.af = parseAfList(QStringLiteral("958 -1012"));
    return e;
}

TMCMessage message(int event)
{
    TMCMessage m;
    m.duration = 1;
    m.event = static_cast<u16>(event);
    m.location = 200;
    m.send = 1;
    return m;
}

RDSAFEntry af(qint32 freq, u16 mark = 0, u8 regional = 0)
{
    RDSAFEntry e;
    e.freq = freq;
    e.mark = mark;
    e.regional = regional;
    return e;
}

QList<RDSAFEntry> entries(std::initializer_list<int> freqs)
{
    QList<RDSAFEntry> l;
    for (int f : freqs)
        l << (f < 0 ? af(-f, RDSAFEntry::listStart) : af(f));
    return l;
}

} // namespace

// RDS and TMC records: old rate forms, the writers and their lists, guards of unknown TMC ids, AF codes.
class TestFmsRds : public QObject
{
    Q_OBJECT

private slots:
    // Old bare spacings are converted once and written back at load, which is no change of the project.
    void oldRateFormsConverted()
    {
        TempProject p("[rds.1]\nname=One\n2=50\n[rds.2]\nname=Two\ngmin3=1 20 0 0 0\n");
        for (int load = 0; load < 2; ++load) {
            QTest::ignoreMessage(QtDebugMsg, "found only old deprecated gmin3");
            FMSettings fms(p.path());
            QCOMPARE(fms.rds(1).gmin[2].toText(), QStringLiteral("1 12 0 0 0"));
            QCOMPARE(fms.rds(2).gmin[3].rate[0], 20);
            QVERIFY(!fms.dirty);
            QCOMPARE(p.fileValue(fms, "rds.1/2").toString(), QStringLiteral("12"));
        }
    }

    // Numbered lists come back in numeric order (10 after 9); a shorter list leaves no stale keys, odd forms
    // included; only a change of the tags marks the project and is told, as an empty value ("fetch the
    // record").
    void writersAndNumberedLists()
    {
        QByteArray ini = "[board]\ngmin=1\n[rds.1]\nname=One\n";
        for (int i = 0; i < 14; ++i) {
            const QByteArray m = QByteArray::number(i);
            ini += "rttag\\" + m + "=1 t\neon\\" + m + "=0 " + m + " 10 1 0 0\neon\\" + m + "\\ps=P\noda\\" + m + "=" + m + "\n";
        }
        ini += "rttag\\01=1 stray\nrttag\\x=1 junk\noda\\07=1\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds.1"));
        RDSSource rec = fms.rds(1);
        rec.rttag.clear();
        for (int i = 0; i < 12; ++i)
            rec.rttag.append(tag(i + 1, QStringLiteral("tag %1").arg(i)));
        QList<EON> eon;
        QList<RDSCustomGroup> oda;
        for (int i = 0; i < 11; ++i) {
            eon << eonEntry(0, u16(0x1000 + i), QStringLiteral("PS%1").arg(i));
            oda << RDSCustomGroup::parse(QStringLiteral("d311 %1 0 cd46 12a 400 400 400 60 0 -3 0 1").arg(i));
        }
        QVERIFY(fms.setRds(1, rec));
        QVERIFY(fms.setEon(1, eon));
        QVERIFY(fms.setOda(1, oda));
        QVERIFY(!fms.setEon(0, eon));
        QCOMPARE(p.fileValue(fms, "rds.1/oda/10").toString(), QStringLiteral("d311 10 0 cd46 12a 400 400 400 60 0 -3 0 1"));
        QCOMPARE(p.fileValue(fms, "rds.1/eon/10/af").toString(), QStringLiteral("958 -1012"));
        // Every field of a raw group; a line of 8 or 12 fields keeps the defaults of the others.
        const char *const raws[][2] = {
            {"d311 1 2 cd46 12a 3ff 400 401 60 -1 -3 685 1", "d311 1 2 cd46 12a 3ff 400 401 60 -1 -3 685 1"},
            {"d311 1 2 cd46 12a 3ff 400 401", "d311 1 2 cd46 12a 3ff 400 401 0 0 0 0 0"},
            {"1 2 3 4 5 6 7 8 60 -1 -3 9", "1 2 3 4 5 6 7 8 60 -1 -3 9 0"}};
        for (const auto &r : raws)
            QCOMPARE(RDSCustomGroup::parse(r[0]).toText(), QString(r[1]));
        FMSettings again(p.path());
        QCOMPARE(again.rds(1).rttag, rec.rttag);
        QCOMPARE(again.rds(1).eon, eon);
        QCOMPARE(again.rds(1).oda, oda);
        QList<EON> two = eon.mid(0, 2);
        QVERIFY(fms.setEon(1, two));
        QVERIFY(fms.setOda(1, {}));
        rec.rttag = rec.rttag.mid(0, 3);
        fms.dirty = false;
        watch.take();
        QVERIFY(fms.setRds(1, rec));
        QCOMPARE(watch.take(), QStringList{"rds.1/rttag="});
        QVERIFY(fms.dirty);
        QCOMPARE(p.fileKeys(fms, "rds.1/rttag"), (QStringList{"0", "1", "2"}));
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/af", "0/ps", "1", "1/af", "1/ps"}));
        QVERIFY(p.fileKeys("rds.1/oda").isEmpty());
        fms.dirty = false;
        QVERIFY(fms.setRds(1, rec));
        QVERIFY(watch.take().isEmpty());
        QVERIFY(!fms.dirty);
    }

    // An entry switched on with all rates 0 keeps its text so that it loads as on again; switched off, its
    // keys go (the old bare key too).
    void groupRates()
    {
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=One\ngmin\\4=1 5 0 0 0\n4=5\n");
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds.1"));
        std::array<RDSGroupRate, RDSGroupRate::count> table = fms.rds(1).gmin;
        table[2].on = 1;
        table[4] = RDSGroupRate();
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.gmin/4");
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.4");
        fms.setGroupRates(1, table);
        QCOMPARE(watch.take(), (QStringList{"rds.1/gmin/2=1 0 0 0 0", "rds.1/gmin/4=<null>"}));
        QVERIFY(!p.fileValue(fms, "rds.1/4").isValid());
        QCOMPARE(FMSettings(p.path()).rds(1).gmin, table);
        fms.setGroupRates(1, table);
        QVERIFY(watch.take().isEmpty());
    }

    // Unknown ids and indices past the end change nothing; writers refuse them, and say so when they store.
    void unknownTmcIds()
    {
        TempProject p("[tmc.3]\nname=Traffic\n0=1 0 100 1 1\n[tmc.4]\n");
        FMSettings fms(p.path());
        QCOMPARE(int(fms.tmc(9).rate) + int(fms.readTmc(0).rate), 30);
        QVERIFY(!fms.tmcMap().contains(4) && !fms.tmcMap().contains(9));
        QVERIFY(!fms.setTmc(0, TMCSource()) && !fms.setTmcKey(0, 2, 1) && !fms.setTmcKey(3, 32, 1) && !fms.setTmcUsed(5) && !fms.setTmcName(0, "x"));
        QVERIFY(!fms.setRds(0, RDSSource()) && !fms.setRdsName(0, "x") && !fms.setOda(0, {}));
        fms.setTmcMessage(3, 5, message(999));
        fms.setTmcMessage(7, 0, message(999));
        fms.removeTmcMessage(7, 0);
        QVERIFY(!fms.dirty && !fms.tmcMap().contains(7));
        QCOMPARE(fms.tmc(3).messages.size(), 1);
        QVERIFY(fms.setRdsName(2, "Two") && fms.setTmcKey(3, 31, 0xA5));
        QCOMPARE(p.fileValue(fms, "rds.2/name").toString() + ' ' + p.fileValue(fms, "tmc.3/skt").toString(),
                 "Two " + QString("0 ").repeated(31) + "a5");
    }

    // A removed TMC source is no longer sent: the RDS sources that named it store link 0 and tell it, so that
    // the next new source, which takes its id again, is sent by none of them.
    void removedTmcSourceUnlinked()
    {
        TempProject p("[board]\ngmin=1\n[rds.1]\ntmcsi=2\n[rds.2]\ntmcsi=1\n[rds.3]\ntmcsi=2\n"
                      "[tmc.1]\nname=A\n[tmc.2]\nname=B\n");
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds"));
        QVERIFY(fms.setTmcUsed(2));
        QCOMPARE(watch.take(), (QStringList{"rds.1/tmcsi=0", "rds.3/tmcsi=0"}));
        QCOMPARE(fms.addTmc(), 2);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(fms.rds(1).tmcsi).arg(fms.rds(2).tmcsi).arg(fms.rds(3).tmcsi),
                 QStringLiteral("0 1 0"));
        QCOMPARE(p.fileValue(fms, QStringLiteral("rds.3/tmcsi")).toString(), QStringLiteral("0"));
        QCOMPARE(FMSettings(p.path()).rds(1).tmcsi, 0);

        // The remote's and the roll's way of removing it unlinks the same way.
        QCOMPARE(fms.set(QStringLiteral("tmc.1.used"), 0, true), 0);
        QCOMPARE(watch.take(), (QStringList{"rds.2/tmcsi=0"}));
        QCOMPARE(fms.rds(2).tmcsi, 0);
    }

    // An EON entry that names a channel takes the PS and AF of that channel's source when it is written.
    void eonOfALinkedChannel()
    {
        TempProject p("[board]\ngmin=1\n[channel.2]\nidrds=2\n[rds.1]\nname=One\n[rds.2]\nname=Two\nps=TWO\nafs=958\n");
        FMSettings fms(p.path());
        QList<EON> eon{eonEntry(2, 0x1000, "X"), eonEntry(0, 0x1001, "Y")};
        QVERIFY(fms.setEon(1, eon));
        QCOMPARE(p.fileGroup(fms, "rds.1/eon").values().join('|'),
                 QString("2 d312 10 1 0 0|958|TWO|0 1001 10 1 0 0|958 -1012|Y"));
    }

    void frequencyCodes()
    {
        // FM 87.6..107.9 MHz as 1..204, LF 153..279 kHz and MF 531..1602 kHz after the filler code 250 (IEC
        // 62106 AF codes); 161.9 kHz still rounds down to 153 kHz, but only the 9 kHz steps are exact.
        const int cases[][3] = {{876, 1, 1},          {1079, 204, 1},    {1080, afNoFrequency, 0},
                                {1530, 0xFA01, 1},    {1619, 0xFA01, 0}, {2791, afNoFrequency, 0},
                                {5310, 0xFA10, 1},    {16020, 0xFA87, 1}, {-958, afNoFrequency, 0},
                                {1200, afNoFrequency, 0}};
        for (const auto &c : cases)
            QVERIFY2(freqToAF(c[0]) == u16(c[1]) && isAfFrequency(c[0]) == bool(c[2]),
                     qPrintable(QString::number(c[0])));
    }

    // At most 25 frequencies in an EON list, duplicates and codes that are no frequency dropped, LF/MF codes
    // with their marker in one word; method A opens a new list with the same tuning code after 24.
    void listLimits()
    {
        // A negative number opens a new list; frequencies of the regional list are marked; numbers are
        // decimal, leading zeros too.
        QCOMPARE(parseAfList("958 -01011 x 0880", {1011}),
                 (QList<RDSAFEntry>{af(958), af(1011, RDSAFEntry::listStart, 1), af(880)}));
        QCOMPARE(parseAfr("0958 1011"), (QList<qint32>{958, 1011}));
        QVERIFY(eonAFWords(entries({1080, 0})).isEmpty());
        QCOMPARE(eonAFWords(entries({880, 881, 880})), (QList<u16>{0xE205, 0x06CD}));
        QCOMPARE(eonAFWords(entries({880, 1530, 881})), (QList<u16>{0xE305, 0xFA01, 0x06CD}));
        QCOMPARE(eonAFWords(entries({1530, 880})), (QList<u16>{0xE2CD, 0xFA01, 0x05CD}));
        RDSSource src;
        src.afu = 0x05;
        QList<RDSAFEntry> many;
        for (int f = 880; f < 910; ++f)
            many << af(f);
        QCOMPARE(eonAFWords(many).size(), 13);
        src.afs = many;
        QCOMPARE(src.compileAF(876), 31);
        QCOMPARE(src.afCodes.mid(12), (QList<u16>{0x1B1C, 0xE701, 0x1D1E, 0x1F20, 0x2122})); // 904..909 plus tuning
    }

    void lists_data()
    {
        QTest::addColumn<int>("afu");
        QTest::addColumn<QList<int>>("manual"); // negative: a list start; above 100000: regional
        QTest::addColumn<QList<int>>("automatic");
        QTest::addColumn<int>("tuned");
        QTest::addColumn<QList<u16>>("codes");
        QTest::addColumn<int>("count"); // what compileAF returns
        const QList<int> none;
        QTest::newRow("A") << 0x05 << QList<int>{880, 881} << none << 876 << QList<u16>{0xE301, 0x0506} << 3;
        // LF/MF codes flush the waiting FM code and go as their own word.
        QTest::newRow("A LF/MF") << 0x05 << QList<int>{880, 1530, 1011} << none << 958
                                 << QList<u16>{0xE453, 0x05CD, 0xFA01, 0x88CD} << 4;
        // A marked entry starts a new list with itself as the tuning frequency.
        QTest::newRow("A list start") << 0x05 << QList<int>{880, -900, 901} << none << 876
                                      << QList<u16>{0xE201, 0x05CD, 0xE219, 0x1ACD} << 4;
        // Pairs with the tuning code, ascending; a regional pair (1011) descending.
        QTest::newRow("B regional") << 0x0D << QList<int>{880, 101011, 1530} << none << 958
                                    << QList<u16>{0xE653, 0x0553, 0x8853, 0xFA01} << 4;
        // Automatic list only: the own frequency, out-of-band and duplicates dropped.
        QTest::newRow("automatic") << 0x03 << QList<int>{1011} << QList<int>{958, 880, 1080, 880} << 958
                                   << QList<u16>{0xE253, 0x05CD} << 2;
        // Both lists, automatic first; a manual duplicate of an automatic code is dropped.
        QTest::newRow("both") << 0x07 << QList<int>{1011, 880} << QList<int>{958, 880, 1080, 880} << 958
                              << QList<u16>{0xE353, 0x0588} << 3;
        // Tuned to 87.5 or 108.0 MHz (no AF code): only the frequencies sent are counted, method A, the first in
        // the tuning frequency's place.
        QTest::newRow("A at 87.5") << 0x05 << QList<int>{958, 1012, 1045} << none << 875
                                   << QList<u16>{0xE353, 0x89AA} << 3;
        QTest::newRow("B at 108.0") << 0x0D << QList<int>{958, 1530, 1012} << none << 1080
                                    << QList<u16>{0xE353, 0xFA01, 0x89CD} << 3;
        QTest::newRow("off") << 0x06 << QList<int>{1011} << QList<int>{880} << 958 << QList<u16>{} << 0;
    }

    void lists()
    {
        QFETCH(int, afu);
        QFETCH(QList<int>, manual);
        QFETCH(QList<int>, automatic);
        QFETCH(int, tuned);
        QFETCH(QList<u16>, codes);
        QFETCH(int, count);
        RDSSource src;
        src.afu = u8(afu);
        for (int f : manual)
            src.afs << (f < 0 ? af(-f, RDSAFEntry::listStart) : f > 100000 ? af(f - 100000, 0, 1) : af(f));
        for (int f : automatic)
            src.af << af(f);
        QCOMPARE(src.compileAF(tuned), count);
        QCOMPARE(src.afCodes, codes);
    }
};

QTEST_GUILESS_MAIN(TestFmsRds)
#include "tst_fmsrds.moc"
