#include "AFCodes.h"
#include "EON.h"
#include "FMSettings.h"
#include "KeyWatch.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RDSSource.h"
#include "RTag.h"
#include "RecordText.h"
#include "RecordingObserver.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QRegularExpression>
#include <QSet>
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

// Loads source n from an INI text the way the project model does: the group opened on a settings object over
// a real file.
struct Loaded
{
    RDSSource rec;
    bool ownKeys = false;
    QList<QPair<QString, QVariant>> rewrites;
};

Loaded loadFrom(const QByteArray &ini, int n, bool gminConverted, RDSSource start = RDSSource())
{
    testsupport::TempProject project(ini);
    QSettings s(project.path(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("rds.%1").arg(n));
    SettingsGroupReader in(s);
    Loaded out;
    out.rec = start;
    out.ownKeys = RDSSource::hasOwnKeys(in);
    if (out.ownKeys)
        out.rec.readFrom(n, in, gminConverted, &out.rewrites);
    return out;
}

RDSAFEntry af(qint32 freq, u16 mark = 0, u8 regional = 0)
{
    RDSAFEntry e;
    e.freq = freq;
    e.mark = mark;
    e.regional = regional;
    return e;
}

QString opt(const char *text) { return text ? QString::fromUtf8(text) : QString(); }

// f(input) as text for every (input, expected) case, naming a failing case.
template <typename F>
void compareTexts(F f, std::initializer_list<std::pair<const char *, const char *>> cases)
{
    for (const auto &c : cases) {
        const QString got = f(QString::fromUtf8(c.first));
        QVERIFY2(got == QString::fromUtf8(c.second),
                 qPrintable(QStringLiteral("[%1] gave [%2]").arg(QString::fromUtf8(c.first), got)));
    }
}

QList<RDSAFEntry> entries(std::initializer_list<int> freqs)
{
    QList<RDSAFEntry> l;
    for (int f : freqs)
        l << (f < 0 ? af(-f, RDSAFEntry::listStart) : af(f));
    return l;
}

} // namespace

// RDS and TMC records: their loaders and text forms, the writers and their lists, AF codes and the automatic
// AF lists.
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

    void numberTexts()
    {
        // Numbers as a validated store accepts them for number keys.
        compareTexts([](const QString &t) { return QString::number(RecordText::number(t)); },
                     {{" 12", "12"}, {"10.0", "10"}, {"1.5", "2"}, {"-2.5", "-2"}, {"1e1", "10"},
                      {"abc", "0"}, {"1e30", "0"}, {"nan", "0"}});
        QCOMPARE(RDSSource::defaultPi(INT_MAX), u16(0xD30F)); // wraps, no overflow
        for (const char *no : {"", "0", "FaLsE"})
            QVERIFY2(!RecordText::boolean(QString::fromLatin1(no)), no);
        QVERIFY(RecordText::boolean(QStringLiteral("yes")));
        // A list with an element that is no text comes as a variant list.
        testsupport::TempProject p("[g]\nv=a, @ByteArray(b)\n");
        const QVariant list = QSettings(p.path(), QSettings::IniFormat).value("g/v");
        QCOMPARE(list.userType(), int(QMetaType::QVariantList));
        QCOMPARE(RecordText::text(list), QStringLiteral("a, b"));
    }

    void gminConversions()
    {
        compareTexts([](const QString &t) { return QString::number(RDSGroupRate::spacingToRate(t.toInt())); },
                     {{"50", "12"}, {"7", "85"} /* 85.7 drops the fraction */, {"-7", "-85"}, {"0", "0"},
                      {"1000", "0"}});
        struct Case
        {
            int g;
            const char *bare, *slashed, *old;
            bool converted;
            const char *message;
            bool rewrite;
            qint32 bareRate; // checked when rewritten
            const char *entry;
        };
        const Case cases[] = {
            // Old project: a bare spacing is converted and must be written back.
            {2, "50", nullptr, nullptr, false, nullptr, true, 12, "1 12 0 0 0"},
            // Converted project: the bare value is already a rate.
            {2, "12", nullptr, nullptr, true, nullptr, false, 0, "1 12 0 0 0"},
            {2, nullptr, nullptr, "1 20 0 0 0", true, "found only old deprecated gmin2", false, 0,
             "1 20 0 0 0"},
            {2, "12", "1 30", nullptr, true, "FMS: stream0 group 2 rate 12 != 30", false, 0, "1 30 0 0 0"},
            // The slashed form wins over the older one; a lone "on" keeps the bare rate.
            {3, "9", "1", "0 99", true, nullptr, false, 0, "1 9 0 0 0"},
            {3, "junk", nullptr, nullptr, false, nullptr, false, 0, "0 0 0 0 0"},
            // A spacing that gives no rate is written back as 0 and so loads as off now and later alike.
            {3, "1000", nullptr, nullptr, false, nullptr, true, 0, "0 0 0 0 0"},
            {3, "0", nullptr, nullptr, true, nullptr, false, 0, "0 0 0 0 0"},
            // Numbers beyond 32 bits are held to the field, not cut to their low bits (4294967346 would read
            // as a spacing of 50).
            {3, "4294967346", nullptr, nullptr, false, nullptr, true, 0, "0 0 0 0 0"},
            {3, "-2147483649", nullptr, nullptr, true, nullptr, false, 0, "1 -2147483648 0 0 0"},
        };
        for (const Case &c : cases) {
            if (c.message)
                QTest::ignoreMessage(QtDebugMsg, c.message);
            const QVariant bare = c.bare ? QVariant(opt(c.bare)) : QVariant();
            const auto l = RDSGroupRate::load(c.g, bare, opt(c.slashed), opt(c.old), c.converted);
            const QByteArray name = QByteArray(c.bare ? c.bare : "-") + " / " + (c.old ? c.old : "-");
            QVERIFY2(l.rewriteBare == c.rewrite, name);
            QVERIFY2(!c.rewrite || l.bareRate == c.bareRate, name);
            QVERIFY2(l.entry.toText() == QLatin1String(c.entry), name + " gave " + l.entry.toText().toUtf8());
        }
    }

    void loadStoredValues()
    {
        const QByteArray ini = "[rds.4]\n"
                               "name=Four\npi=abc\nzone=-2\ndays=4294967295\ntp=257\nslow=70000\n"
                               "mins=-30\npty=x\nfused=true\nenc=@ByteArray(UTF-8)\ncrt=ISO-8859-1\n"
                               "files=a.grp, b.grp\nrta=\"Hello, world\"\n"
                               "afr=1034\nafs=958 -1012  abc 1034\n"
                               "rttag\\2=2 two\nrttag\\10=10 ten\nrttag\\x=0 zero\n";
        RDSSource start;
        start.af = {af(958, 1)};
        start.afCodes = {0x1234};
        const RDSSource r = loadFrom(ini, 4, true, start).rec;
        QCOMPARE(int(r.zone), -2);
        QCOMPARE(r.days, 4294967295u);
        QCOMPARE(int(r.tp), 1);          // a bit key: any number but 0 is on
        QCOMPARE(int(r.slow), 70000 & 0xFFFF);
        QCOMPARE(int(r.pty), 0);         // not a number
        QCOMPARE(r.enc, QByteArray("UTF-8"));
        QCOMPARE(r.files, (QStringList{QStringLiteral("a.grp"), QStringLiteral("b.grp")}));
        QCOMPARE(r.rta, QStringLiteral("Hello, world"));
        QCOMPARE(afListText(r.afs), QStringLiteral("958 -1012 1034"));
        QCOMPARE(int(r.afs.at(2).regional), 1);
        QCOMPARE(r.rttag.size(), 3); // numeric order, a key that is no number first
        QCOMPARE(r.rttag.at(0).text + r.rttag.at(1).text + r.rttag.at(2).text, QStringLiteral("zerotwoten"));
        // The loader leaves the computed lists alone.
        QCOMPARE(r.af, start.af);
        QCOMPARE(r.afCodes, start.afCodes);
    }


    void frequencyCodes()
    {
        // FM 87.6..107.9 MHz as 1..204, LF 153..279 kHz and MF 531..1602 kHz after the filler code 250 (IEC
        // 62106 AF codes); 161.9 kHz still rounds down to 153 kHz.
        const int cases[][2] = {{876, 1},     {1079, 204},     {1080, afNoFrequency}, {1530, 0xFA01},
                                {1619, 0xFA01}, {2791, afNoFrequency}, {5310, 0xFA10}, {16020, 0xFA87},
                                {-958, afNoFrequency}};
        for (const auto &c : cases)
            QVERIFY2(freqToAF(c[0]) == u16(c[1]), qPrintable(QString::number(c[0])));
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

    void methodAListLimit()
    {
        RDSSource src;
        src.afu = 0x05;
        for (int f = 880; f < 880 + 30; ++f)
            src.afs << af(f);
        QCOMPARE(src.compileAF(876), 31);
        // 24 alternatives fill the first list (25 with the tuning frequency); the 25th opens a new list with
        // the same tuning code, so all 30 go out.
        QCOMPARE(src.afCodes.first(), u16(0xF901));
        QCOMPARE(src.afCodes.mid(12), (QList<u16>{0x1B1C, 0xE701, 0x1D1E, 0x1F20, 0x2122})); // 904..909 plus tuning
        // Every frequency of the lists stands in exactly one word.
        QSet<int> sent;
        for (u16 word : src.afCodes)
            if (word >> 8 < 224)
                sent << (word >> 8) << (word & 0xFF);
        for (int code = 5; code < 5 + 30; ++code)
            QVERIFY2(sent.contains(code), qPrintable(QString::number(code)));
    }

    void methodBListLimit()
    {
        RDSSource src;
        src.afu = 0x0D;
        for (int f = 880; f < 880 + 14; ++f)
            src.afs << af(f);
        QCOMPARE(src.compileAF(958), 15);
        // Twelve pairs fill the first list (count 25); the 13th and 14th alternatives go into a second list
        // with the same tuning code.
        QCOMPARE(src.afCodes.size(), 16);
        QCOMPARE(src.afCodes[0], u16(0xF953));
        QCOMPARE(src.afCodes[12], u16(0x1053)); // 891: code 16
        QCOMPARE(src.afCodes.mid(13), (QList<u16>{0xE553, 0x1153, 0x1253}));
    }

    void eonWords()
    {
        QVERIFY(eonAFWords(entries({1080, 0})).isEmpty());
        QCOMPARE(eonAFWords(entries({880, 881, 880})), (QList<u16>{0xE205, 0x06CD}));
        // LF/MF codes keep marker and code in one word.
        QCOMPARE(eonAFWords(entries({880, 1530, 881})), (QList<u16>{0xE305, 0xFA01, 0x06CD}));
        QCOMPARE(eonAFWords(entries({1530, 880})), (QList<u16>{0xE2CD, 0xFA01, 0x05CD}));
        // At most 25 frequencies.
        QList<RDSAFEntry> many;
        for (int f = 880; f < 910; ++f)
            many << af(f);
        const QList<u16> w = eonAFWords(many);
        QCOMPARE(w.size(), 13);
        QCOMPARE(w.first(), u16(0xF905));
        QCOMPARE(w.last(), u16(0x1C1D));
    }
};

QTEST_GUILESS_MAIN(TestFmsRds)
#include "tst_fmsrds.moc"
