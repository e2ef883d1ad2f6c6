#include "FMSettings.h"
#include "KeyWatch.h"
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

} // namespace

class TestFmsRds : public QObject
{
    Q_OBJECT

private slots:

    void oldRateFormsConverted()
    {
        TempProject p("[rds.1]\nname=One\n2=50\n[rds.2]\nname=Two\ngmin3=1 20 0 0 0\n");
        {
            QTest::ignoreMessage(QtDebugMsg, "found only old deprecated gmin3");
            FMSettings fms(p.path());
            const RDSSource one = fms.rds(1);
            QCOMPARE(int(one.gmin[2].on), 1);
            QCOMPARE(one.gmin[2].rate[0], 12);
            QCOMPARE(fms.rds(2).gmin[3].rate[0], 20);
            QVERIFY(!fms.dirty);
        }
        QCOMPARE(p.fileValue("rds.1/2").toString(), QStringLiteral("12"));
        QCOMPARE(p.fileValue("board/gmin").toInt(), 1);
        // Loading again does not convert twice.
        QTest::ignoreMessage(QtDebugMsg, "found only old deprecated gmin3");
        FMSettings again(p.path());
        QCOMPARE(again.rds(1).gmin[2].rate[0], 12);
        QCOMPARE(p.fileValue("rds.1/2").toString(), QStringLiteral("12"));
    }

    void setRdsRoundTrip()
    {
        TempProject p("[board]\ngmin=1\n");
        RDSSource rec;
        rec.ps = QStringLiteral("Radio, 1");
        rec.lps = QStringLiteral("Long name \u00e4\u00f6\u00fc");
        rec.pi = 0x0ABC;
        rec.zone = -2;
        rec.mins = -30;
        rec.days = 4000000000u;
        rec.date = 1;
        rec.rta = RDSSource::testText(1);
        rec.enc = "UTF-8";
        rec.fused = true;
        rec.files = QStringList{QStringLiteral("a.grp"), QStringLiteral("b, c.grp")};
        for (int i = 0; i < 12; ++i)
            rec.rttag.append(tag(i + 1, QStringLiteral("tag %1").arg(i)));
        {
            FMSettings fms(p.path());
            QVERIFY(!fms.setRds(0, rec));
            QVERIFY(fms.setRds(3, rec));
            QVERIFY(fms.setRdsName(3, QStringLiteral("Three")));
            QVERIFY(fms.dirty);
        }
        QCOMPARE(p.fileValue("rds.3/pi").toString(), QStringLiteral("abc"));
        QCOMPARE(p.fileValue("rds.3/zone").toString(), QStringLiteral("-2"));
        QCOMPARE(p.fileValue("rds.3/rttag/10").toString(), QStringLiteral("11 tag 10"));
        FMSettings fms(p.path());
        const RDSSource back = fms.rds(3);
        QCOMPARE(back.name, QStringLiteral("Three"));
        QCOMPARE(back.scalarValues(), rec.scalarValues());
        QCOMPARE(back.files, rec.files);
        QCOMPARE(back.rttag, rec.rttag); // numeric order: 10 and 11 after 9
    }

    void setRdsShrinksTagsAndTellsOnce()
    {
        QByteArray ini = "[board]\ngmin=1\n[rds.1]\nname=One\n";
        for (int i = 0; i < 20; ++i)
            ini += QByteArray("rttag\\") + QByteArray::number(i) + "=1 t\n";
        // Keys that are no number, or too large for one, load as tags too.
        ini += "rttag\\01=1 stray\nrttag\\x=1 junk\nrttag\\99999999999=1 big\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        QCOMPARE(fms.rds(1).rttag.size(), 21);

        // The first save stores every scalar key the file lacks.
        RDSSource rec = fms.rds(1);
        QVERIFY(fms.setRds(1, rec));
        QCOMPARE(p.fileValue("rds.1/ps").toString(), QStringLiteral("RDS-1"));

        KeyWatch watch(fms, QStringLiteral("rds.1"));
        rec.rttag = {tag(1, "a"), tag(2, "b"), tag(3, "c")};
        fms.dirty = false;
        QVERIFY(fms.setRds(1, rec));
        QCOMPARE(p.fileKeys("rds.1/rttag"), (QStringList{"0", "1", "2"}));
        QCOMPARE(FMSettings(p.path()).rds(1).rttag, rec.rttag);
        // An empty value (fetch the record), not the null value of a removal.
        QCOMPARE(watch.take(), QStringList{"rds.1/rttag="});
        QVERIFY(fms.dirty);

        // Nothing changed: no event for any scalar key, no tag broadcast.
        fms.dirty = false;
        QVERIFY(fms.setRds(1, rec));
        QVERIFY(watch.take().isEmpty());
        QVERIFY(!fms.dirty);

        // One scalar change tells its key only.
        rec.pty = 5;
        QVERIFY(fms.setRds(1, rec));
        QCOMPARE(watch.take(), QStringList{"rds.1/pty=5"});
        QCOMPARE(int(fms.rds(1).pty), 5);
    }

    void eonFollowsLinkedSource()
    {
        TempProject p("[board]\ngmin=1\n[channel.4]\nidrds=2\n"
                      "[rds.1]\nname=One\neon\\0=4 0 0 0 0 ab\n"
                      "[rds.2]\nname=Two\npi=d312\nps=TWO\n");
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds.1"));
        RDSSource two = fms.rds(2);
        two.pi = 0x1234;
        two.ta = 1;
        QVERIFY(fms.setRds(2, two));
        QVERIFY(watch.take().contains(QStringLiteral("rds.1/eon/0=4 1234 10 1 1 ab")));
        const EON e = fms.rds(1).eon.at(0);
        QCOMPARE(e.ps, QStringLiteral("TWO"));
        QCOMPARE(e.toText(), QStringLiteral("4 1234 10 1 1 ab"));
    }
};

QTEST_GUILESS_MAIN(TestFmsRds)
#include "tst_fmsrds.moc"
