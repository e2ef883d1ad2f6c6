#include "EON.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RDSSource.h"
#include "RTag.h"
#include "RecordText.h"
#include "SettingsGroupReader.h"
#include "TempProject.h"

#include <QSettings>
#include <QtTest>

namespace {

// Loads source n from an INI text the way the project model does: the
// group opened on a settings object over a real file.
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
    s.endGroup();
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

} // namespace

class TestRdsRecords : public QObject
{
    Q_OBJECT

private slots:
    void numberTexts()
    {
        QCOMPARE(RecordText::dec(QStringLiteral("-12")), qint64(-12));
        QCOMPARE(RecordText::dec(QStringLiteral("abc")), qint64(0));
        QCOMPARE(RecordText::dec(QStringLiteral("1.5")), qint64(0));
        QCOMPARE(RecordText::udec(QStringLiteral("-1")), quint64(0));
        // Numbers as a validated store accepts them for number keys.
        QCOMPARE(RecordText::number(QStringLiteral(" 12")), qint64(12));
        QCOMPARE(RecordText::number(QStringLiteral("10.0")), qint64(10));
        QCOMPARE(RecordText::number(QStringLiteral("1.5")), qint64(2));
        QCOMPARE(RecordText::number(QStringLiteral("-2.5")), qint64(-2));
        QCOMPARE(RecordText::number(QStringLiteral("1e1")), qint64(10));
        QCOMPARE(RecordText::number(QStringLiteral("abc")), qint64(0));
        QCOMPARE(RecordText::number(QStringLiteral("1e30")), qint64(0));
        QCOMPARE(RecordText::number(QStringLiteral("nan")), qint64(0));
        QCOMPARE(RecordText::hex(QStringLiteral("cafe")), quint64(0xCAFE));
        QCOMPARE(RecordText::hex(QStringLiteral("CAFE")), quint64(0xCAFE));
        QCOMPARE(RecordText::hex(QStringLiteral("xyz")), quint64(0));
        QCOMPARE(RecordText::hexText(0x0ABC), QStringLiteral("abc"));
        QVERIFY(!RecordText::boolean(QStringLiteral("")));
        QVERIFY(!RecordText::boolean(QStringLiteral("0")));
        QVERIFY(!RecordText::boolean(QStringLiteral("FaLsE")));
        QVERIFY(RecordText::boolean(QStringLiteral("yes")));
        QVERIFY(RecordText::boolean(true));
        QCOMPARE(RecordText::text(QStringList{QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("a, b"));
        // A list with an element that is no text comes as a variant list.
        testsupport::TempProject p("[g]\nv=a, @ByteArray(b)\n");
        const QVariant list = QSettings(p.path(), QSettings::IniFormat).value("g/v");
        QCOMPARE(list.userType(), int(QMetaType::QVariantList));
        QCOMPARE(RecordText::text(list), QStringLiteral("a, b"));
    }

    void numberedKeysInNumericOrder()
    {
        QStringList keys;
        for (int i = 1; i <= 12; ++i)
            keys << QString::number(i);
        keys.sort(); // the settings layer lists keys as text: 1, 10, 11, 12, 2, ...
        keys << QStringLiteral("ps") << QStringLiteral("0");
        const auto ordered = RecordText::numberedKeys(keys);
        QCOMPARE(ordered.size(), 13);
        for (int i = 0; i < ordered.size(); ++i) {
            QCOMPARE(ordered.at(i).first, i);
            QCOMPARE(ordered.at(i).second, QString::number(i));
        }
    }

    void afListTexts()
    {
        const QList<qint32> afr{1034};
        const QList<RDSAFEntry> list =
            parseAfList(QStringLiteral("958 -1012  abc 1034"), afr);
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0), af(958));
        QCOMPARE(list.at(1), af(1012, RDSAFEntry::listStart));
        QCOMPARE(list.at(2), af(1034, 0, 1));
        QCOMPARE(afListText(list), QStringLiteral("958 -1012 1034"));
        QCOMPARE(afListText({}), QString());
        QVERIFY(parseAfList(QString()).isEmpty());
        QVERIFY(parseAfList(QStringLiteral("-2147483648")).at(0).freq > 0);

        QCOMPARE(parseAfr(QStringLiteral(" 958  x 1012 ")), (QList<qint32>{958, 1012}));
        QCOMPARE(afrText({958, 1012}), QStringLiteral("958 1012"));
        QCOMPARE(afrText({}), QString());

        QVERIFY(sameAfFrequencies({af(958, 1)}, {af(958, 5, 1)}));
        QVERIFY(!sameAfFrequencies({af(958)}, {af(958), af(1011)}));
        QVERIFY(!sameAfFrequencies({af(958), af(1011)}, {af(1011), af(958)}));
    }

    void eonText()
    {
        EON e;
        e.channel = 3;
        e.pi = 0x1234;
        e.pty = 10;
        e.tp = 1;
        e.ta = 0;
        e.link = 0x00ab;
        QCOMPARE(e.toText(), QStringLiteral("3 1234 10 1 0 ab"));
        QCOMPARE(EON::fromText(e.toText()), e);

        const EON two = EON::fromText(QStringLiteral("5 d311"));
        QCOMPARE(int(two.channel), 5);
        QCOMPARE(int(two.pi), 0xD311);
        QCOMPARE(int(two.pty), 10);
        QCOMPARE(int(two.tp), 1);
        QCOMPARE(int(two.ta), 0);
        QCOMPARE(int(two.link), 0);

        // A double blank is an empty part: the fields shift.
        const EON shifted = EON::fromText(QStringLiteral("5  d311"));
        QCOMPARE(int(shifted.pi), 0);
        QCOMPARE(int(shifted.pty), 0);

        // Numbers are cut to the field's width; junk reads 0.
        const EON cut = EON::fromText(QStringLiteral("300 1cafe x 1 1 fffff"));
        QCOMPARE(int(cut.channel), 300 & 0xFF);
        QCOMPARE(int(cut.pi), 0xCAFE);
        QCOMPARE(int(cut.pty), 0);
        QCOMPARE(int(cut.link), 0xFFFF);
        QCOMPARE(EON::fromText(QString()), EON());
    }

    void rtagText()
    {
        RTag t = RTag::fromText(QStringLiteral("3 Title of the song"));
        QCOMPARE(t.type, 3);
        QCOMPARE(t.text, QStringLiteral("Title of the song"));
        QCOMPARE(t.toText(), QStringLiteral("3 Title of the song"));
        t = RTag::fromText(QStringLiteral("7"));
        QCOMPARE(t.type, 7);
        QCOMPARE(t.text, QStringLiteral("7"));
        t = RTag::fromText(QStringLiteral("x text"));
        QCOMPARE(t.type, 0);
        QCOMPARE(t.text, QStringLiteral("text"));
        t = RTag::fromText(QStringLiteral("4 "));
        QCOMPARE(t.type, 4);
        QCOMPARE(t.text, QString());
    }

    void customGroupText()
    {
        RDSCustomGroup g;
        QCOMPARE(g.toText(), QStringLiteral("0 0 0 0 400 400 400 400 0 0 0 0 0"));
        QCOMPARE(RDSCustomGroup::parse(g.toText()), g);

        const RDSCustomGroup a = RDSCustomGroup::parse(QStringLiteral("2000"));
        QCOMPARE(int(a.block[0]), 0x2000);
        QCOMPARE(int(a.block[1]), 0);
        for (u16 c : a.check)
            QCOMPARE(int(c), 1024);

        RDSCustomGroup full;
        full.block[0] = 0xD311;
        full.block[1] = 0x3410;
        full.block[2] = 0x0001;
        full.block[3] = 0xFFFF;
        full.check[2] = 0x3FF;
        full.rate[0] = 60;
        full.rate[3] = -5;
        full.active = 1;
        QCOMPARE(full.toText(), QStringLiteral("d311 3410 1 ffff 400 400 3ff 400 60 0 0 -5 1"));
        QCOMPARE(RDSCustomGroup::parse(full.toText()), full);

        // Hex words are cut to 16 bits, junk reads 0, an empty part counts.
        const RDSCustomGroup odd = RDSCustomGroup::parse(QStringLiteral("12345 zz  1"));
        QCOMPARE(int(odd.block[0]), 0x2345);
        QCOMPARE(int(odd.block[1]), 0);
        QCOMPARE(int(odd.block[2]), 0);
        QCOMPARE(int(odd.block[3]), 1);
        QCOMPARE(int(odd.check[0]), 1024);
    }

    void groupRateText()
    {
        RDSGroupRate r;
        r.fromText(QStringLiteral("1 20 -3 0 685"));
        QCOMPARE(int(r.on), 1);
        QCOMPARE(r.rate[0], 20);
        QCOMPARE(r.rate[1], -3);
        QCOMPARE(r.rate[3], 685);
        QCOMPARE(r.toText(), QStringLiteral("1 20 -3 0 685"));

        // A short text leaves the fields without a part alone.
        RDSGroupRate keep;
        keep.rate[0] = 12;
        keep.rate[2] = 7;
        keep.fromText(QStringLiteral("5"));
        QCOMPARE(int(keep.on), 1);
        QCOMPARE(keep.rate[0], 12);
        QCOMPARE(keep.rate[2], 7);
        keep.fromText(QStringLiteral("0 x"));
        QCOMPARE(int(keep.on), 0);
        QCOMPARE(keep.rate[0], 0);
        QCOMPARE(keep.rate[2], 7);
        QVERIFY(!keep.allRatesZero());
        QVERIFY(RDSGroupRate().allRatesZero());
    }

    void gminConversions()
    {
        QCOMPARE(RDSGroupRate::spacingToRate(50), 12);
        QCOMPARE(RDSGroupRate::spacingToRate(7), 85); // 85.7 drops the fraction
        QCOMPARE(RDSGroupRate::spacingToRate(-7), -85);
        QCOMPARE(RDSGroupRate::spacingToRate(0), 0);
        QCOMPARE(RDSGroupRate::spacingToRate(1000), 0);

        // Old project: a bare spacing is converted and must be written back.
        auto l = RDSGroupRate::load(2, QStringLiteral("50"), QString(), QString(), false);
        QVERIFY(l.rewriteBare);
        QCOMPARE(l.bareRate, 12);
        QCOMPARE(int(l.entry.on), 1);
        QCOMPARE(l.entry.rate[0], 12);
        // Converted project: the bare value is already a rate.
        l = RDSGroupRate::load(2, QStringLiteral("12"), QString(), QString(), true);
        QVERIFY(!l.rewriteBare);
        QCOMPARE(l.entry.rate[0], 12);

        QTest::ignoreMessage(QtDebugMsg, "found only old deprecated gmin2");
        l = RDSGroupRate::load(2, QVariant(), QString(), QStringLiteral("1 20 0 0 0"), true);
        QCOMPARE(int(l.entry.on), 1);
        QCOMPARE(l.entry.rate[0], 20);

        QTest::ignoreMessage(QtDebugMsg, "FMS: stream0 group 2 rate 12 != 30");
        l = RDSGroupRate::load(2, QStringLiteral("12"), QStringLiteral("1 30"), QString(), true);
        QCOMPARE(int(l.entry.on), 1);
        QCOMPARE(l.entry.rate[0], 30);
        QCOMPARE(l.entry.rate[1], 0);

        // The slashed form wins over the older one; a lone "on" keeps the bare rate.
        l = RDSGroupRate::load(3, QStringLiteral("9"), QStringLiteral("1"), QStringLiteral("0 99"), true);
        QCOMPARE(int(l.entry.on), 1);
        QCOMPARE(l.entry.rate[0], 9);
        l = RDSGroupRate::load(3, QStringLiteral("junk"), QString(), QString(), false);
        QVERIFY(!l.rewriteBare);
        QCOMPARE(l.entry, RDSGroupRate());

        // A spacing that gives no rate is written back as 0 and so loads as
        // off now and later alike.
        l = RDSGroupRate::load(3, QStringLiteral("1000"), QString(), QString(), false);
        QVERIFY(l.rewriteBare);
        QCOMPARE(l.bareRate, 0);
        QCOMPARE(l.entry, RDSGroupRate());
        QCOMPARE(RDSGroupRate::load(3, QStringLiteral("0"), QString(), QString(), true).entry, l.entry);
        // Numbers beyond 32 bits are held to the field, not cut to their low
        // bits (4294967346 would read as a spacing of 50).
        l = RDSGroupRate::load(3, QStringLiteral("4294967346"), QString(), QString(), false);
        QCOMPARE(l.bareRate, 0);
        QCOMPARE(int(l.entry.on), 0);
        l = RDSGroupRate::load(3, QStringLiteral("-2147483649"), QString(), QString(), true);
        QCOMPARE(l.entry.rate[0], std::numeric_limits<qint32>::min());
    }

    void testTexts()
    {
        const int chars[4] = {66, 70, 69, 81};
        const int bytes[4] = {78, 136, 125, 90};
        for (int i = 0; i < 4; ++i) {
            const QString t = RDSSource::testText(i);
            QCOMPARE(t.size(), chars[i]);
            if (bytes[i] > 0)
                QCOMPARE(t.toUtf8().size(), bytes[i]);
        }
        QVERIFY(RDSSource::testText(0).contains(QLatin1String("#0A")));
        QCOMPARE(RDSSource::testText(1).at(0), QChar(0xFEFF));
        QVERIFY(RDSSource::testText(2).endsWith(QString::fromUtf8("выпей чаю")));
        QVERIFY(RDSSource::testText(3).startsWith(QLatin1String("#03A9 #2260")));
        QVERIFY(RDSSource::testText(4).isEmpty());
        QCOMPARE(RDSSource::daysSince1900(QDate(2015, 3, 1)), u32(42003));
        QCOMPARE(RDSSource::defaultPi(1), u16(0xD311));
        QCOMPARE(RDSSource::defaultPi(INT_MAX), u16((0xD310u + 0x7FFFFFFFu) & 0xFFFF));
    }

    void constructedDefaults()
    {
        const RDSSource r;
        QVERIFY(r.used);
        QCOMPARE(int(r.pi), 0xCAFE);
        QCOMPARE(int(r.mode), 0x71);
        QCOMPARE(int(r.afu), 0);
        QCOMPARE(int(r.endx), 15);
        QCOMPARE(r.days, u32(42003));
        QVERIFY(r.name.isEmpty() && r.rta.isEmpty() && r.enc.isEmpty());
        for (const RDSGroupRate &g : r.gmin)
            QCOMPARE(g, RDSGroupRate());
        // Copies are deep, lists included.
        RDSSource a;
        a.eon.append(EON());
        a.gmin[5].on = 1;
        RDSSource b = a;
        b.eon[0].channel = 9;
        b.gmin[5].rate[0] = 3;
        QCOMPARE(int(a.eon.at(0).channel), 0);
        QCOMPARE(a.gmin[5].rate[0], 0);
    }

    void missingKeyDefaults()
    {
        const Loaded l = loadFrom("[rds.1]\nused=false\n", 1, true);
        QVERIFY(l.ownKeys);
        const RDSSource &r = l.rec;
        QVERIFY(!r.used);
        QCOMPARE(r.name, QStringLiteral("RDS-1"));
        QCOMPARE(r.ps, QStringLiteral("RDS-1"));
        QCOMPARE(r.lps, QStringLiteral("RDS-1"));
        QCOMPARE(int(r.pi), 0xD311);
        for (int i = 0; i < 4; ++i)
            QCOMPARE((QStringList{r.rta, r.rtb, r.rtc, r.rtd}).at(i), RDSSource::testText(i));
        QCOMPARE(int(r.mode), 1);
        QCOMPARE(int(r.afu), 10);
        QCOMPARE(int(r.endx), 31);
        QCOMPARE(r.days, RDSSource::daysSince1900(QDate::currentDate()));
        QCOMPARE(r.enc, QByteArray("0"));
        QCOMPARE(r.crt, QByteArray("0"));
        QCOMPARE(r.clps, QByteArray("0"));
        QVERIFY(r.files.isEmpty());
        QVERIFY(!r.fused);
        QVERIFY(l.rewrites.isEmpty());
    }

    void groupFoundInAnyCase()
    {
        testsupport::TempProject project("[RDS.4]\nname=Upper\n[rds.5]\nname=Lower\n");
        QSettings s(project.path(), QSettings::IniFormat);
        QCOMPARE(SettingsGroupReader::findGroup(s, QStringLiteral("rds.4")), QStringLiteral("RDS.4"));
        QCOMPARE(SettingsGroupReader::findGroup(s, QStringLiteral("rds.5")), QStringLiteral("rds.5"));
        QCOMPARE(SettingsGroupReader::findGroup(s, QStringLiteral("rds.6")), QStringLiteral("rds.6"));
    }

    void onlySubgroupsIsNoSource()
    {
        const Loaded l = loadFrom("[rds.2]\neon\\0=1 d311 10 1 0 0\neon\\0\\ps=X\n", 2, true);
        QVERIFY(!l.ownKeys);
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
        QCOMPARE(r.name, QStringLiteral("Four"));
        QCOMPARE(int(r.pi), 0x0ABC);
        QCOMPARE(int(r.zone), -2);
        QCOMPARE(r.days, 4294967295u);
        QCOMPARE(int(r.tp), 1);          // cut to 8 bits
        QCOMPARE(int(r.slow), 70000 & 0xFFFF);
        QCOMPARE(r.mins, -30);
        QCOMPARE(int(r.pty), 0);         // not a number
        QVERIFY(r.fused);
        QCOMPARE(r.enc, QByteArray("UTF-8"));
        QCOMPARE(r.crt, QByteArray("ISO-8859-1"));
        QCOMPARE(r.files, (QStringList{QStringLiteral("a.grp"), QStringLiteral("b.grp")}));
        QCOMPARE(r.rta, QStringLiteral("Hello, world"));
        QCOMPARE(r.afr, QList<qint32>{1034});
        QCOMPARE(r.afs, (QList<RDSAFEntry>{af(958), af(1012, RDSAFEntry::listStart), af(1034, 0, 1)}));
        QCOMPARE(r.rttag.size(), 3);
        QCOMPARE(r.rttag.at(0).text, QStringLiteral("zero"));
        QCOMPARE(r.rttag.at(1).text, QStringLiteral("two"));
        QCOMPARE(r.rttag.at(2).text, QStringLiteral("ten"));
        // The loader leaves the computed lists alone.
        QCOMPARE(r.af, start.af);
        QCOMPARE(r.afCodes, start.afCodes);
    }

    void eonAndOdaLoadInNumericOrder()
    {
        QByteArray ini = "[rds.1]\nused=true\n";
        for (int m = 0; m < 12; ++m) {
            ini += QStringLiteral("eon\\%1=%2 d3%3 10 1 0 0\neon\\%1\\ps=PS%1\neon\\%1\\af=958 -10%1\n")
                       .arg(m)
                       .arg(m + 1)
                       .arg(m, 2, 10, QLatin1Char('0'))
                       .toLatin1();
            ini += QStringLiteral("oda\\%1=%1\n").arg(m).toLatin1();
        }
        ini += "eon\\ps=stray\noda\\x=1\n";
        const RDSSource r = loadFrom(ini, 1, true).rec;
        QCOMPARE(r.eon.size(), 12);
        QCOMPARE(r.oda.size(), 12);
        for (int m = 0; m < 12; ++m) {
            QCOMPARE(int(r.eon.at(m).channel), m + 1);
            QCOMPARE(r.eon.at(m).ps, QStringLiteral("PS%1").arg(m));
            QCOMPARE(afListText(r.eon.at(m).af), QStringLiteral("958 -10%1").arg(m));
            QCOMPARE(int(r.oda.at(m).block[0]), QString::number(m).toInt(nullptr, 16));
        }
        QCOMPARE(int(r.eon.at(11).pi), 0xD311);
    }

    void groupRatesFromFile()
    {
        // Old project without the conversion mark: bare spacing 50 gives rate 12.
        Loaded l = loadFrom("[rds.1]\nused=true\n2=50\n", 1, false);
        QCOMPARE(int(l.rec.gmin[2].on), 1);
        QCOMPARE(l.rec.gmin[2].rate[0], 12);
        QCOMPARE(l.rewrites.size(), 1);
        QCOMPARE(l.rewrites.at(0).first, QStringLiteral("2"));
        QCOMPARE(l.rewrites.at(0).second.toString(), QStringLiteral("12"));
        // Once converted the value stays.
        l = loadFrom("[rds.1]\nused=true\n2=12\n", 1, true);
        QCOMPARE(l.rec.gmin[2].rate[0], 12);
        QVERIFY(l.rewrites.isEmpty());

        QTest::ignoreMessage(QtDebugMsg, "found only old deprecated gmin2");
        l = loadFrom("[rds.1]\nused=true\ngmin2=1 20 0 0 0\ngmin\\5=0 1 2 3 4\n", 1, true);
        QCOMPARE(int(l.rec.gmin[2].on), 1);
        QCOMPARE(l.rec.gmin[2].rate[0], 20);
        QCOMPARE(l.rec.gmin[5].toText(), QStringLiteral("0 1 2 3 4"));
        for (int g = 0; g < RDSGroupRate::count; ++g) {
            if (g != 2 && g != 5)
                QCOMPARE(l.rec.gmin[g], RDSGroupRate());
        }
    }

    void scalarValuesRoundTrip()
    {
        RDSSource r;
        r.used = false;
        r.name = QStringLiteral("N");
        r.ps = QStringLiteral("PS, with comma");
        r.pi = 0x0ABC;
        r.zone = -2;
        r.days = 4000000000u;
        r.mins = -7;
        r.enc = "UTF-8";
        r.fused = true;
        r.rtd = RDSSource::testText(3);
        const auto values = r.scalarValues();
        QCOMPARE(values.size(), 63);
        QCOMPARE(values.first().first, QStringLiteral("lps"));
        QCOMPARE(values.last().first, QStringLiteral("fused"));
        QMap<QString, QVariant> byKey;
        for (const auto &kv : values)
            byKey.insert(kv.first, kv.second);
        QCOMPARE(byKey.size(), values.size());
        QCOMPARE(byKey.value("pi").toString(), QStringLiteral("abc"));
        QCOMPARE(byKey.value("zone").toString(), QStringLiteral("-2"));
        QCOMPARE(byKey.value("days").toString(), QStringLiteral("4000000000"));
        QCOMPARE(byKey.value("fused").toString(), QStringLiteral("true"));
        QCOMPARE(byKey.value("enc").userType(), int(QMetaType::QByteArray));

        // Written through a real INI file and loaded again, every field survives.
        testsupport::TempProject project;
        {
            QSettings s(project.path(), QSettings::IniFormat);
            s.beginGroup(QStringLiteral("rds.3"));
            s.setValue(QStringLiteral("used"), false);
            s.setValue(QStringLiteral("name"), r.name);
            for (const auto &kv : values)
                s.setValue(kv.first, kv.second);
            s.endGroup();
        }
        QSettings s(project.path(), QSettings::IniFormat);
        s.beginGroup(QStringLiteral("rds.3"));
        RDSSource back;
        back.readFrom(3, SettingsGroupReader(s), true);
        QCOMPARE(back.scalarValues(), values);
        QVERIFY(!back.used);
        QCOMPARE(back.name, r.name);
    }
};

QTEST_GUILESS_MAIN(TestRdsRecords)
#include "tst_rdsrecords.moc"
