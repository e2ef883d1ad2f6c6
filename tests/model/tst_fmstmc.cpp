#include "FMSettings.h"
#include "RecordingObserver.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QRegularExpression>
#include <QSettings>
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

// Source n loaded from an INI text over the record `start`, as a reload does.
TMCSource loadFrom(const QByteArray &ini, int n, TMCSource start)
{
    TempProject project(ini);
    QSettings s(project.path(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("tmc.%1").arg(n));
    start.readFrom(n, SettingsGroupReader(s));
    return start;
}

} // namespace

class TestFmsTmc : public QObject
{
    Q_OBJECT

private slots:
    void recordTexts()
    {
        // Blanks between parts do not count; junk, signs and overlong numbers read 0 or are cut to the
        // field's width.
        const QList<QPair<const char *, const char *>> cases{
            {"1 8 101 200 1 5 7", "1 8 101 200 1 5 7"}, {"2  0 1500 77", "2 0 1500 77 0"},
            {"x -1 70000 65536 258 4294967296 12", "0 0 4464 0 2 0 12"}};
        for (const auto &c : cases)
            QCOMPARE(TMCMessage::fromText(QString::fromLatin1(c.first)).toText(), QLatin1String(c.second));

        // The key table: missing parts keep their entries, junk reads 0, extra parts are ignored.
        TMCSource cached;
        cached.skt.fill(7);
        cached.readSkt(QStringLiteral("1  zz"));
        QCOMPARE(cached.sktText(), QStringLiteral("1 0 0") + QStringLiteral(" 7").repeated(29));
        // A loaded record takes the table of the file, as a reload of the saved project would: entries the
        // text lacks, or a missing key, read 0.
        QCOMPARE(int(loadFrom("[tmc.1]\nused=true\n", 1, cached).skt[3]), 0);
        const TMCSource fromFile = loadFrom("[tmc.1]\nskt=0 0 a5\n", 1, cached);
        QCOMPARE(int(fromFile.skt[2]), 0xA5);
        QCOMPARE(int(fromFile.skt[3]), 0);
    }

    // Unknown ids give a new record and add nothing; writers refuse them.
    void unknownIds()
    {
        TempProject p("[tmc.3]\nname=Traffic\n[tmc.4]\n");
        FMSettings fms(p.path());
        QCOMPARE(int(fms.tmc(9).rate) + int(fms.readTmc(0).rate), 30);
        QVERIFY(!fms.tmcMap().contains(4) && !fms.tmcMap().contains(9));
        QVERIFY(!fms.setTmcKey(0, 2, 1) && !fms.setTmcKey(3, 32, 1) && !fms.setTmcUsed(5) && !fms.setTmcName(0, "x"));
        QVERIFY(fms.setTmcKey(3, 2, 0xA5) && fms.setTmcUsed(3) && fms.setTmcName(3, "T"));
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

};

QTEST_GUILESS_MAIN(TestFmsTmc)
#include "tst_fmstmc.moc"
