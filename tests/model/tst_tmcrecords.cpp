#include "SettingsGroupReader.h"
#include "TMCMessage.h"
#include "TMCSource.h"
#include "TempProject.h"

#include <QSettings>
#include <QtTest>

namespace {

TMCSource loadFrom(const QByteArray &ini, int n, TMCSource start = TMCSource())
{
    testsupport::TempProject project(ini);
    QSettings s(project.path(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("tmc.%1").arg(n));
    start.readFrom(n, SettingsGroupReader(s));
    s.endGroup();
    return start;
}

QMap<QString, QString> valueMap(const TMCSource &t)
{
    QMap<QString, QString> m;
    for (const auto &kv : t.scalarValues())
        m.insert(kv.first, kv.second.toString());
    return m;
}

} // namespace

class TestTmcRecords : public QObject
{
    Q_OBJECT

private slots:
    void messageText()
    {
        TMCMessage m;
        m.duration = 1;
        m.flags = 8;
        m.event = 101;
        m.location = 200;
        m.send = 1;
        m.labels = {5, 7};
        QCOMPARE(m.toText(), QStringLiteral("1 8 101 200 1 5 7"));
        QCOMPARE(TMCMessage::fromText(m.toText()), m);
        QCOMPARE(TMCMessage::fromText(QString()), TMCMessage());
        QCOMPARE(TMCMessage().toText(), QStringLiteral("0 0 0 0 0"));
        // Blanks between parts do not count; junk, signs and overlong numbers
        // read 0 or are cut to the field's width.
        const QList<QPair<const char *, const char *>> cases{
            {"2  0 1500 77", "2 0 1500 77 0"},
            {"x -1 70000 65536 258 4294967296 12", "0 0 4464 0 2 0 12"}};
        for (const auto &c : cases)
            QCOMPARE(TMCMessage::fromText(QString::fromLatin1(c.first)).toText(), QLatin1String(c.second));
    }

    void constructedDefaults()
    {
        const TMCSource t;
        QVERIFY(!t.used);
        QCOMPARE((QList<int>{t.flag, t.rate, t.rpt, t.enc}), (QList<int>{9, 15, 3, 31}));
        QCOMPARE(int(t.aid), 0xCD46);
        QCOMPARE(int(t.va0), 0x0047);
        QCOMPARE(int(t.va1), 0x400D);
        QCOMPARE(int(t.va2), 0x80E0);
        QCOMPARE(int(t.va3), 0xC000);
        QCOMPARE(t.skt, decltype(t.skt){});
    }

    void missingKeyDefaults()
    {
        const TMCSource t = loadFrom("[tmc.3]\nname=Traffic\n", 3);
        QVERIFY(t.used);
        QCOMPARE(t.name, QStringLiteral("Traffic"));
        QCOMPARE(t.spn, QStringLiteral("Traffic"));
        QCOMPARE(int(t.rate), 10);
        QCOMPARE(int(t.flag), 9);
        QCOMPARE(int(t.va0), 0);
        QCOMPARE(int(t.va1), 0);
        QCOMPARE(int(t.va2), 0);
        QCOMPARE(int(t.va3), 0);
        QVERIFY(t.messages.isEmpty());
        QCOMPARE(loadFrom("[tmc.2]\nused=0\n", 2).name, QStringLiteral("TMC-2"));
        QVERIFY(!loadFrom("[tmc.2]\nused=0\n", 2).used);
    }

    void messagesStopAtFirstGap()
    {
        const TMCSource t = loadFrom("[tmc.1]\nused=true\n0=1 8 101 200 1\n1=2 0 1500 77\n3=9 9 9 9 9\n", 1);
        QCOMPARE(t.messages.size(), 2);
        QCOMPARE(t.messages.at(1).event, u16(1500));
    }

    void serviceKeys()
    {
        TMCSource t;
        t.skt[2] = 0xA5;
        QCOMPARE(t.sktText(), QStringLiteral("0 0 a5") + QStringLiteral(" 0").repeated(29));

        // Missing parts keep the cached entries; junk reads 0; extra parts are ignored.
        TMCSource cached;
        cached.skt.fill(7);
        cached.readSkt(QStringLiteral("1  zz"));
        QCOMPARE(int(cached.skt[0]), 1);
        QCOMPARE(int(cached.skt[1]), 0);
        QCOMPARE(int(cached.skt[2]), 0);
        QCOMPARE(int(cached.skt[3]), 7);
        TMCSource many;
        many.readSkt(QStringLiteral("1 ").repeated(40) + QStringLiteral("1"));
        QCOMPARE(int(many.skt[31]), 1);

        // A loaded record takes the table of the file, as a reload of the
        // saved project would: entries the text lacks, or a missing "skt"
        // key, read 0 rather than keeping the cached table.
        const TMCSource kept = loadFrom("[tmc.1]\nused=true\n", 1, cached);
        QCOMPARE(int(kept.skt[3]), 0);
        const TMCSource fromFile = loadFrom("[tmc.1]\nskt=0 0 a5\n", 1, cached);
        QCOMPARE(int(fromFile.skt[2]), 0xA5);
        QCOMPARE(int(fromFile.skt[3]), 0);
    }

    void derivedKeys()
    {
        TMCSource t;
        QMap<QString, QString> v = valueMap(t);
        QCOMPARE(v.value("ltn"), QStringLiteral("1"));
        QCOMPARE(v.value("sid"), QStringLiteral("0"));
        QCOMPARE(v.value("ltcc"), QStringLiteral("d"));
        QCOMPARE(v.value("ltecc"), QStringLiteral("e0"));
        t.va0 = 0x0057;
        t.va2 = 0x8005;
        v = valueMap(t);
        QVERIFY(!v.contains("ltcc"));
        QCOMPARE(v.value("ltecc"), QStringLiteral("05"));

        QStringList order;
        for (const auto &kv : TMCSource().scalarValues())
            order << kv.first;
        QCOMPARE(order, (QStringList{"flag", "rate", "spn", "aid", "va0", "va1", "va2", "va3", "ltn", "sid",
                                     "ltcc", "ltecc", "rpt", "enc"}));
    }
};

QTEST_GUILESS_MAIN(TestTmcRecords)
#include "tst_tmcrecords.moc"
