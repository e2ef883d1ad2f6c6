#include "FMSettings.h"
#include "KeyWatch.h"
#include "RecordingObserver.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include <memory>

using testsupport::KeyWatch;
using testsupport::RecordingObserver;
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

QByteArray channel(int ch, const char *freq, const char *idrds)
{
    return QByteArray("[channel.") + QByteArray::number(ch) + "]\nused=1\nfreq=" + freq + "\nidrds=" + idrds + "\n";
}

QByteArray source(int id, const char *pi, const char *extra = "")
{
    return QByteArray("[rds.") + QByteArray::number(id) + "]\nname=S\npi=" + pi + "\n" + extra;
}

// The project with every used channel of all four boards and the automatic AF lists.
std::unique_ptr<FMSettings> computed(const TempProject &p)
{
    auto fms = std::make_unique<FMSettings>(p.path());
    fms->setBoardCount(4);
    fms->updateAF(true);
    return fms;
}

QString freqs(const QList<RDSAFEntry> &list)
{
    QStringList parts;
    for (const RDSAFEntry &e : list)
        parts << QStringLiteral("%1/%2/%3").arg(e.freq).arg(e.mark).arg(e.regional);
    return parts.join(QLatin1Char(' '));
}

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

// The RDS and TMC source writers, their lists and the automatic AF lists.
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
            QCOMPARE(p.fileValue("rds.1/2").toString(), QStringLiteral("12"));
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
        QCOMPARE(p.fileValue("rds.1/oda/10").toString(), QStringLiteral("d311 10 0 cd46 12a 400 400 400 60 0 -3 0 1"));
        QCOMPARE(p.fileValue("rds.1/eon/10/af").toString(), QStringLiteral("958 -1012"));
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
        QCOMPARE(p.fileKeys("rds.1/rttag"), (QStringList{"0", "1", "2"}));
        QCOMPARE(p.fileKeys("rds.1/eon"), (QStringList{"0", "0/af", "0/ps", "1", "1/af", "1/ps"}));
        QVERIFY(p.fileKeys("rds.1/oda").isEmpty());
        fms.dirty = false;
        QVERIFY(fms.setRds(1, rec));
        QVERIFY(watch.take().isEmpty());
        QVERIFY(!fms.dirty);
    }

    // An EON entry naming a channel takes PI, PS, PTY, TP and TA of that channel's source, also when the
    // source changes.
    void eonFollowsLinkedSource()
    {
        TempProject p("[board]\ngmin=1\n[channel.4]\nidrds=2\n[rds.1]\nname=One\neon\\0=4 0 0 0 0 ab\n"
                      "[rds.2]\nname=Two\npi=d312\nps=TWO\n");
        FMSettings fms(p.path());
        KeyWatch watch(fms, QStringLiteral("rds.1"));
        RDSSource two = fms.rds(2);
        two.pi = 0x1234;
        two.ta = 1;
        QVERIFY(fms.setRds(2, two));
        QVERIFY(watch.take().contains(QStringLiteral("rds.1/eon/0=4 1234 10 1 1 ab")));
        QCOMPARE(fms.rds(1).eon.at(0).ps, QStringLiteral("TWO"));
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
        QVERIFY(!p.fileValue("rds.1/4").isValid());
        QCOMPARE(FMSettings(p.path()).rds(1).gmin, table);
        fms.setGroupRates(1, table);
        QVERIFY(watch.take().isEmpty());
    }

    // One entry per frequency with the channel met first, shared by the sources of one PI; a link to a
    // missing source (or no number) counts as unlinked; a huge frequency is held instead of overflowing.
    void automaticLists()
    {
        const QByteArray board = "[board]\ngmin=1\n";
        const struct
        {
            QByteArray ini;
            QMap<int, QString> af;
        } cases[] = {
            {board + channel(1, "95.8", "1") + channel(5, "101.1", "2") + channel(7, "90.05", "3") +
                 source(1, "d311", "afs=1034\n") + source(2, "d311") + source(3, "d399"),
             {{1, "958/1/0 1011/5/0"}, {2, "958/1/0 1011/5/0"}, {3, "901/7/0"}}},
            {board + channel(1, "95.8", "1") + channel(2, "96.0", "0") + channel(3, "97.0", "42") +
                 channel(4, "98.0", "1") + channel(5, "99", "x") + source(1, "d311"),
             {{1, "958/1/0 980/4/0"}}},
            {board + channel(1, "1e300", "1") + channel(2, "-1e300", "2") + channel(3, "95.8", "2") +
                 source(1, "d311") + source(2, "d311"),
             {{1, "2147483647/1/0 958/3/0"}, {2, "2147483647/1/0 958/3/0"}}},
        };
        for (const auto &c : cases) {
            TempProject p(c.ini);
            const auto fms = computed(p);
            QCOMPARE(fms->rdsMap().keys(), c.af.keys());
            for (auto it = c.af.cbegin(); it != c.af.cend(); ++it)
                QCOMPARE(QStringLiteral("rds.%1 ").arg(it.key()) + freqs(fms->rds(it.key()).af),
                         QStringLiteral("rds.%1 ").arg(it.key()) + it.value());
        }
    }

    // Entries numbered -1, 2 and 07 by hand are the list positions 0, 1 and 2: the loader renumbers their
    // keys, so that the automatic AF list of position 1 is stored with the entry at position 1.
    void eonListsOfHandNumberedEntries()
    {
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", "2") + channel(5, "101.1", "3") +
                      source(1, "d311",
                             "eon\\-1=0 0 10 1 0 0\neon\\-1\\af=999\neon\\2=1 0 10 1 0 0\neon\\2\\ps=TWO\n"
                             "eon\\07=0 0 10 1 0 7\neon\\4\\af=444\n") +
                      source(2, "d312", "afs=1034\n") + source(3, "d312"));
        const auto fms = computed(p);
        QCOMPARE(p.fileGroup(*fms, "rds.1/eon"),
                 (QMap<QString, QString>{{"0", "0 0 10 1 0 0"}, {"0/af", "999"}, {"1", "1 0 10 1 0 0"},
                                         {"1/af", "958 1011 1034"}, {"1/ps", "TWO"}, {"2", "0 0 10 1 0 7"}}));
        const auto lists = [](const QList<EON> &eon) {
            QStringList out;
            for (const EON &e : eon)
                out << QStringLiteral("%1 %2").arg(afListText(e.af)).arg(e.link);
            return out;
        };
        QCOMPARE(lists(FMSettings(p.path()).rds(1).eon), lists(fms->rds(1).eon));
    }

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

QTEST_GUILESS_MAIN(TestFmsRds)
#include "tst_fmsrds.moc"
