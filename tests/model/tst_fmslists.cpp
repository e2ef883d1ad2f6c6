#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {

EON eonEntry(int channel, u16 pi, const QString &ps)
{
    EON e;
    e.channel = static_cast<u8>(channel);
    e.pi = pi;
    e.ps = ps;
    e.af = parseAfList(QStringLiteral("958 -1012"));
    return e;
}

} // namespace

class TestFmsLists : public QObject
{
    Q_OBJECT

private slots:
    // 12 EON entries and 11 ODA rows come back in their order (10 after 9).
    void eonAndOdaRoundTrip()
    {
        TempProject p("[board]\ngmin=1\n[rds.2]\nname=Two\n");
        QList<EON> list;
        for (int i = 0; i < 12; ++i)
            list.append(eonEntry(0, static_cast<u16>(0x1000 + i), QStringLiteral("PS%1").arg(i)));
        list[0].channel = 3;
        list[0].pi = 0x1234;
        list[0].link = 0x00ab;
        RDSCustomGroup row;
        row.block[0] = 0xD311;
        row.block[1] = 0x3410;
        row.block[3] = 0xCD46;
        row.check[1] = 0x12A;
        row.rate[0] = 60;
        row.rate[2] = -3;
        row.active = 1;
        QList<RDSCustomGroup> rows;
        for (int i = 0; i < 11; ++i) {
            rows.append(row);
            row.block[2] = static_cast<u16>(i + 1);
        }
        {
            FMSettings fms(p.path());
            QVERIFY(!fms.setEon(0, list));
            QVERIFY(fms.setEon(2, list));
            QVERIFY(fms.setOda(2, rows));
        }
        QCOMPARE(p.fileValue("rds.2/eon/0").toString(), QStringLiteral("3 1234 10 1 0 ab"));
        QCOMPARE(p.fileValue("rds.2/eon/11/ps").toString(), QStringLiteral("PS11"));
        QCOMPARE(p.fileValue("rds.2/eon/11/af").toString(), QStringLiteral("958 -1012"));
        QCOMPARE(p.fileValue("rds.2/oda/0").toString(), QStringLiteral("d311 3410 0 cd46 400 12a 400 400 60 0 -3 0 1"));
        FMSettings fms(p.path());
        QCOMPARE(fms.rds(2).eon, list);
        QCOMPARE(fms.rds(2).oda, rows);
    }

    void shrinkingLeavesNoStaleKeys()
    {
        QByteArray ini = "[board]\ngmin=1\n[rds.1]\nname=One\n";
        for (int i = 0; i < 14; ++i) {
            const QByteArray m = QByteArray::number(i);
            ini += "eon\\" + m + "=0 " + m + " 10 1 0 0\neon\\" + m + "\\ps=P\neon\\" + m + "\\af=958\n";
            ini += "oda\\" + m + "=" + m + "\n";
        }
        ini += "oda\\07=1\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        QCOMPARE(fms.rds(1).eon.size(), 14);
        QList<EON> two{eonEntry(0, 1, "A"), eonEntry(0, 2, "B")};
        QVERIFY(fms.setEon(1, two));
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/af", "0/ps", "1", "1/af", "1/ps"}));
        QVERIFY(fms.setOda(1, {RDSCustomGroup::parse("2000"), RDSCustomGroup()}));
        QCOMPARE(p.fileKeys("rds.1/oda"), (QStringList{"0", "1"}));
        QCOMPARE(p.fileValue("rds.1/oda/1").toString(), QStringLiteral("0 0 0 0 400 400 400 400 0 0 0 0 0"));
        QVERIFY(fms.setOda(1, {}));
        QVERIFY(p.fileKeys("rds.1/oda").isEmpty());
        QVERIFY(!fms.setOda(-1, {}));

        FMSettings again(p.path());
        QCOMPARE(again.rds(1).eon, two);
        QVERIFY(again.rds(1).oda.isEmpty());
    }

    void groupRates()
    {
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=One\ngmin\\4=1 5 0 0 0\ngmin4=1 5 0 0 0\n4=5\n");
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds.1"));
        std::array<RDSGroupRate, RDSGroupRate::count> table = fms.rds(1).gmin;
        table[2].on = 1;                // on, all rates 0
        table[3].rate[0] = 10;          // off with a rate
        table[4] = RDSGroupRate();      // cleared
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.gmin/4");
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.4");
        fms.setGroupRates(1, table);
        // On with all rates 0 keeps its text, so that it loads as on again.
        QCOMPARE(p.fileValue("rds.1/gmin/2").toString(), QStringLiteral("1 0 0 0 0"));
        QCOMPARE(p.fileValue("rds.1/2").toString(), QStringLiteral("0"));
        QCOMPARE(p.fileValue("rds.1/gmin/3").toString(), QStringLiteral("0 10 0 0 0"));
        QVERIFY(!p.fileValue("rds.1/3").isValid());
        QVERIFY(!p.fileValue("rds.1/gmin/4").isValid());
        QVERIFY(!p.fileValue("rds.1/gmin4").isValid());
        QVERIFY(!p.fileValue("rds.1/4").isValid());
        QCOMPARE(watch.take(), (QStringList{"rds.1/gmin/2=1 0 0 0 0", "rds.1/gmin/3=0 10 0 0 0", "rds.1/gmin/4=<null>"}));
        QCOMPARE(fms.rds(1).gmin, table);
        QCOMPARE(FMSettings(p.path()).rds(1).gmin, table);

        // Switching that entry off removes its keys and tells.
        table[2] = RDSGroupRate();
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.gmin/2");
        QTest::ignoreMessage(QtDebugMsg, "FMS: remove rds.1.2");
        fms.setGroupRates(1, table);
        QVERIFY(!p.fileValue("rds.1/gmin/2").isValid());
        QVERIFY(!p.fileValue("rds.1/2").isValid());
        QCOMPARE(watch.take(), QStringList{"rds.1/gmin/2=<null>"});

        // Clearing entries that were off with all rates 0 already: no events, no log.
        fms.setGroupRates(1, table);
        QVERIFY(watch.take().isEmpty());
        fms.setGroupRates(0, table);

        FMSettings again(p.path());
        QCOMPARE(again.rds(1).gmin, table);
    }
};

QTEST_GUILESS_MAIN(TestFmsLists)
#include "tst_fmslists.moc"
