#include "FMSettings.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QRegularExpression>
#include <QtTest>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// The message keys of a group in the file.
QStringList numberedKeys(const TempProject &p, const QString &group)
{
    return p.fileKeys(group).filter(QRegularExpression(QStringLiteral("^[0-9]+$")));
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

} // namespace

class TestFmsTmc : public QObject
{
    Q_OBJECT

private slots:
    void loadAndMap()
    {
        TempProject p("[tmc.3]\nname=Traffic\n[tmc.4]\n[tmc.5]\nused=false\n0=1 8 101 200 1 5 7\n1=2 0 1500 77\n3=x\n");
        FMSettings fms(p.path());
        QCOMPARE(fms.tmc(3).spn, QStringLiteral("Traffic"));
        QVERIFY(!fms.tmcMap().contains(4));
        QCOMPARE(fms.tmc(5).messages.size(), 2);
        // Unknown ids give a new record and add nothing.
        QCOMPARE(int(fms.tmc(9).rate), 15);
        QVERIFY(!fms.tmcMap().contains(9));
        QCOMPARE(fms.tmcNames(), (QMap<int, QString>{{3, QStringLiteral("Traffic")}}));
        QCOMPARE(int(fms.readTmc(0).rate), 15);
    }

    void setTmcRoundTripAndShrink()
    {
        TempProject p("[tmc.1]\nname=One, two\nused=true\n");
        TMCSource rec;
        rec.spn = QStringLiteral("Provider");
        rec.flag = 0x3B;
        rec.aid = 0x0D45;
        rec.va0 = 0x0047;
        rec.va2 = 0x8005;
        for (int i = 0; i < 12; ++i)
            rec.messages.append(i == 1 ? TMCMessage() : message(100 + i));
        rec.messages[0].labels = {5, 7};
        {
            FMSettings fms(p.path());
            QVERIFY(!fms.setTmc(0, rec));
            QVERIFY(fms.setTmc(1, rec));
            QCOMPARE(p.fileValue("tmc.1/ltn").toString(), QStringLiteral("1"));
            QCOMPARE(p.fileValue("tmc.1/ltcc").toString(), QStringLiteral("d"));
            QCOMPARE(p.fileValue("tmc.1/ltecc").toString(), QStringLiteral("05"));
            QCOMPARE(numberedKeys(p, "tmc.1").size(), 12);
            QCOMPARE(FMSettings(p.path()).tmc(1).messages, rec.messages); // 10 and 11 after 9
            // Two messages where twelve were: every stale key goes.
            rec.messages = rec.messages.mid(0, 2);
            QVERIFY(fms.setTmc(1, rec));
            QCOMPARE(numberedKeys(p, "tmc.1"), (QStringList{"0", "1"}));
            QCOMPARE(fms.tmc(1).name, QStringLiteral("One, two"));
        }
        FMSettings fms(p.path());
        const TMCSource back = fms.tmc(1);
        QCOMPARE(back.messages, rec.messages);
        QCOMPARE(back.scalarValues(), rec.scalarValues());
        QCOMPARE(back.name, QStringLiteral("One, two"));
    }

    void serviceKeyTable()
    {
        TempProject p("[tmc.1]\nname=One\n");
        FMSettings fms(p.path());
        QVERIFY(!fms.setTmcKey(1, 32, 1));
        QVERIFY(!fms.setTmcKey(0, 2, 1));
        QVERIFY(fms.setTmcKey(1, 2, 0xA5));
        QCOMPARE(p.fileValue("tmc.1/skt").toString(), QStringLiteral("0 0 a5") + QStringLiteral(" 0").repeated(29));
        QCOMPARE(int(FMSettings(p.path()).tmc(1).skt[2]), 0xA5);
    }

    void messagesOneByOne()
    {
        TempProject p("[tmc.1]\nname=One\n0=1 0 100 1 1\n1=1 0 101 1 1\n2=1 0 102 1 1\n3=1 0 103 1 1\n");
        FMSettings fms(p.path());
        RecordingObserver obs;
        fms.registerKey(QStringLiteral("tmc.1"), &obs);

        // Past the end: nothing changes, no gap in the keys.
        fms.setTmcMessage(1, 6, message(999));
        QCOMPARE(fms.tmc(1).messages.size(), 4);
        QCOMPARE(numberedKeys(p, "tmc.1").size(), 4);
        fms.setTmcMessage(7, 0, message(999));
        QVERIFY(!fms.tmcMap().contains(7));
        // At the end: appended; inside: replaced.
        fms.setTmcMessage(1, 4, message(104));
        fms.setTmcMessage(1, 0, message(200));
        QCOMPARE(fms.tmc(1).messages.size(), 5);
        QCOMPARE(int(fms.tmc(1).messages.at(0).event), 200);
        QCOMPARE(p.fileValue("tmc.1/4").toString(), message(104).toText());

        // The editor removed three messages: keeps exactly two, in the record and the file.
        obs.take();
        fms.removeTmcMessage(1, 2);
        QCOMPARE(fms.tmc(1).messages.size(), 2);
        QCOMPARE(numberedKeys(p, "tmc.1"), (QStringList{"0", "1"}));
        // An empty value (fetch the record), not the null value of a removal.
        QCOMPARE(obs.take(), QStringList{"tmc.1="});
        // Beyond the end: nothing removed, still told.
        fms.removeTmcMessage(1, 5);
        QCOMPARE(fms.tmc(1).messages.size(), 2);
        QCOMPARE(obs.take(), QStringList{"tmc.1="});
        fms.removeTmcMessage(1, -1);
        QCOMPARE(fms.tmc(1).messages.size(), 2);
        QCOMPARE(FMSettings(p.path()).tmc(1).messages.size(), 2);
        fms.unregisterObserver(&obs);
    }

    void editorDeletesRows()
    {
        // The TMC editor deletes rows 1 and 3 of five: it stores the remaining
        // messages 0..2 in table order, then removes from index 3.
        TempProject p("[tmc.1]\nname=One\n0=1 0 100 1 1\n1=1 0 101 1 1\n2=1 0 102 1 1\n3=1 0 103 1 1\n"
                      "4=1 0 104 1 1\n");
        FMSettings fms(p.path());
        const QList<TMCMessage> all = fms.tmc(1).messages;
        const QList<TMCMessage> kept{all.at(0), all.at(2), all.at(4)};
        for (int i = 0; i < kept.size(); ++i)
            fms.setTmcMessage(1, i, kept.at(i));
        fms.removeTmcMessage(1, kept.size());
        QCOMPARE(fms.tmc(1).messages, kept);
        QCOMPARE(numberedKeys(p, "tmc.1"), (QStringList{"0", "1", "2"}));
        QCOMPARE(FMSettings(p.path()).tmc(1).messages, kept);
    }

    void usedAndName()
    {
        TempProject p("[tmc.2]\nname=Two\n");
        FMSettings fms(p.path());
        QVERIFY(!fms.setTmcUsed(5));
        QVERIFY(fms.setTmcUsed(2));
        QVERIFY(!fms.tmc(2).used);
        QCOMPARE(p.fileValue("tmc.2/used").toString(), QStringLiteral("0"));
        QVERIFY(fms.tmcNames().isEmpty());
        QVERIFY(!fms.setTmcName(0, "x"));
        QVERIFY(fms.setTmcName(2, QStringLiteral("Renamed")));
        QCOMPARE(FMSettings(p.path()).tmc(2).name, QStringLiteral("Renamed"));
        QVERIFY(!FMSettings(p.path()).tmc(2).used);
    }
};

QTEST_GUILESS_MAIN(TestFmsTmc)
#include "tst_fmstmc.moc"
