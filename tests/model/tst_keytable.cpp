#include "FMSettings.h"
#include "TempProject.h"

#include <QTest>

using testsupport::TempProject;

class TestKeyTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FMSettings::buildKeyTable(); }

    void everyRowOnce()
    {
        const QStringList keys = FMSettings::keyTableKeys();
        QCOMPARE(keys.size(), 147);
        for (const char *k : {"channel.freq", "channel.idaudio", "audio.time", "playlist.", "rds.rttag.",
                              "rds.gmin.", "rds.0", "rds.15", "rds.eon.", "rds.eon.af", "rds.oda.", "rds.mode",
                              "tmc.skt.", "tmc.", "get", "list", "rdslog", "modul", "board.band", "board.gmin"})
            QVERIFY2(keys.contains(k), k);
        KeyDesc d;
        QVERIFY(FMSettings::keyDesc("rds.zone", d));
        QCOMPARE(d.min, -31.0);
        QCOMPARE(d.max, 31.0);
        QVERIFY(FMSettings::keyDesc("channel.idrds", d));
        QCOMPARE(d.type, int(KeyDesc::IdLink));
        QCOMPARE(d.min, -2147483648.0);
        QCOMPARE(d.unit, QString("rds"));
        QVERIFY(FMSettings::keyDesc("tmc.skt.", d));
        QCOMPARE(d.type, KeyDesc::Hex | KeyDesc::List);
        QCOMPARE(d.step, 32.0);
        QVERIFY(!FMSettings::keyDesc("channel.", d));
    }

    void genericKey()
    {
        const char *const cases[][2] = {
            {"channel.12.freq", "channel.freq"}, {"channel.12/freq", "channel.freq"},
            {"Channel.12/FREQ", "channel.freq"}, {"rds.3/eon/2/ps", "rds.eon.ps"}, {"rds.3/eon/2", "rds.eon."},
            {"rds.3.eon", "rds.eon."},           {"tmc.1/5", "tmc."},              {"tmc.1", "tmc."},
            {"tmc.1.", "tmc."},                  {"tmc.1/skt", "tmc.skt."},        {"playlist.2/7", "playlist."},
            {"rds.1/gmin/11", "rds.gmin."},      {"rds.1/gmin/4", "rds.gmin."},    {"rds.1/4", "rds.4"},
            {"board.band", "board.band"},        {"get", "get"},                   {"channel.1", "channel.1"},
            {"rds.eon.x", "rds.eon.x"},          {"Foo.3/Bar", "foo.bar"},         {"", ""}};
        for (const auto &c : cases)
            QCOMPARE(QString(c[0]) + " -> " + FMSettings::genericKey(c[0]), QString(c[0]) + " -> " + c[1]);
    }

    void helpLines_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("line");
        QTest::newRow("used") << "channel.3.used" << "toggle channel (on/off) [0..1] (bool)";
        QTest::newRow("pi") << "rds.1.pi" << "rds program identifier [0..ffff] (hexadecimal)";
        QTest::newRow("eon") << "rds.1.eon.2" << "rds eon channel PI PTY TP TA link (list of 6 hexadecimal)";
        QTest::newRow("afs") << "rds.1.afs"
                             << "rds manual AF list (* 0.1 = MHz/kHz) [-16100..16100] (list of integer)";
        QTest::newRow("idrds") << "channel.3.idrds"
                               << "channel rds source id [-2.14748e+09..2.14748e+09] rds (id link)";
        QTest::newRow("rttag") << "rds.1.rttag.3" << "rds radio text tag (list of 2 )";
        QTest::newRow("get") << "get" << "usage: GET key (get value for key) example: GET rds.1.ps";
        QTest::newRow("emph") << "channel.1.emph"
                              << QString::fromUtf8("channel preemphasis 0=none 1=50us 2=75us [0..2] µs (integer)");
        QTest::newRow("zone") << "rds.2.zone"
                              << "rds group 4A local time offset in half hours (UTC+1 = 2) [-31..31] x 30 min (integer)";
        QTest::newRow("fix") << "rds.1.fix"
                             << "rds error gen fix 1=checkword | 2=group | 4=PI | &128=exact ber bits per group "
                                "[0..255] (integer)";
        QTest::newRow("gmin") << "rds.1/gmin/3"
                              << "rds group stream rates [0=off|1=on] S1 S2 S3 S4 [-685..685] G/min "
                                 "(list of integer)";
        QTest::newRow("skt") << "tmc.2.skt" << "tmc service key table [0..ffff] (list of hexadecimal)";
        QTest::newRow("ltecc") << "tmc.2.ltecc"
                               << "tmc location table extended country code (in va2) [0..ff] (hexadecimal)";
        QTest::newRow("tmc message") << "tmc.1/0" << "tmc duration extent event place send labels (list of integer)";
        QTest::newRow("oda") << "rds.1.oda.0"
                             << "rds2 ODA data: A B C D cwA cwB cwC cwD G0min G1min G2min G3min active "
                                "(list of 13 hexadecimal)";
        QTest::newRow("playlist") << "playlist.1.4" << "playlist file (list of 1 string)";
        QTest::newRow("af") << "rds.1.af" << "rds automatic AF list (* 0.1 = MHz/kHz) (list of integer)";
        QTest::newRow("eon af") << "rds.1.eon.0.af"
                                << "rds eon alternative frequencies * 10 (958 -> 95.8 MHz) [876..16100] MHz "
                                   "(list of integer)";
        QTest::newRow("pn1") << "rds.1.pn1" << "rds program type name 1 [0..8] (string)";
        QTest::newRow("name") << "rds.1.name" << "rds source name (string)";
        QTest::newRow("days") << "rds.1.days" << "rds group 4 fix date in days since 1.3.1900 [0..73048] d (integer)";
        QTest::newRow("aof") << "channel.9.aof" << "channel attenuation offset [-1000..1000] (double)";
        QTest::newRow("rate") << "channel.9.rate"
                              << "channel sample rate (32000, 44100, 48000) [32000..48000] Hz (integer)";
        QTest::newRow("old rate") << "rds.1/4"
                                  << "rds group 4A rate for stream1 only (deprecated, use gmin) [-685..685] G/min "
                                     "(integer)";
        QTest::newRow("rtxt") << "rds.1.rtxt"
                              << "rds &1=use radio text, &2=use enhanced radio text, &4=use BOM (if supported by "
                                 "encoding), &16 toggle AB-Bit; &64 send group 3 for eRT, &128 send group 3 for RT+ "
                                 "[0..255] (integer)";
        QTest::newRow("tmcsi") << "rds.1.tmcsi" << "rds tmc source id [0..50] tmc (id link)";
        QTest::newRow("attn") << "board.attn" << "attenuate HF signal [-31..0] dB (integer)";
        QTest::newRow("band") << "board.band" << "0=EU, 1=Japan, 2=Brazil [0..2] (integer)";
        QTest::newRow("board gmin") << "board.gmin"
                                    << "rds transmission rates are give in groups per mintue (old: dsec if key is "
                                       "not present)";
        QTest::newRow("modul") << "modul" << "modulator state: onair (transmitting) or offline (string)";
        QTest::newRow("unr") << "UNR" << "usage: UNR key (unregister key, dont get change notification)";
        QTest::newRow("dir") << "dir" << "usage: DIR path mask (list files in path) example: DIR . *.fm";
        QTest::newRow("no row") << "channel.1" << "";
        QTest::newRow("unknown") << "foo.bar" << "";
    }
    void helpLines()
    {
        QFETCH(QString, key);
        QFETCH(QString, line);
        QCOMPARE(FMSettings::describeKey(key), line);
    }

    void frequencyRangeFollowsTheBand()
    {
        // The band writer narrows the range (the texts per band are checked
        // with the board writer); rebuilding the table, as every new project
        // does, restores the widest one.
        FMSettings::setFreqRange(1);
        KeyDesc d;
        QVERIFY(FMSettings::keyDesc("channel.freq", d));
        QCOMPARE(d.max, 95.0);
        FMSettings::buildKeyTable();
        QVERIFY(FMSettings::keyDesc("channel.freq", d));
        QCOMPARE(d.min, 76.0);
        QCOMPARE(d.max, 108.0);
    }

    void errorTexts()
    {
        TempProject project;
        FMSettings s(project.path());
        const char *const fixed[] = {"no error occurred", nullptr, nullptr, "data did not change", nullptr,
                                     "is not a list or list item", "is not set", "use ADD to insert list items",
                                     "unknown error"};
        for (int code = 0; code <= 8; ++code) {
            if (fixed[code])
                QCOMPARE(s.errorText(code), QString(fixed[code]));
        }
        QCOMPARE(s.errorText(1), QString("key is unknown"));
        QCOMPARE(s.errorText(-1), QString("unknown error"));
        // Before any look-up the current descriptor is empty.
        QCOMPARE(s.errorText(2), QString("data out of range [0..0]"));

        QVERIFY(s.selectKeyDesc(FMSettings::genericKey("rds.1.pi")));
        QCOMPARE(s.errorText(2), QString("data out of range [0..ffff]"));
        QVERIFY(s.selectKeyDesc(FMSettings::genericKey("rds.1.eon.2")));
        QCOMPARE(s.errorText(4), QString("expecting 6 values"));
        QVERIFY(s.selectKeyDesc("channel.idrds"));
        QCOMPARE(s.errorText(2), QString("data out of range [-2.14748e+09..2.14748e+09]"));
        FMSettings::setFreqRange(1);
        QVERIFY(s.selectKeyDesc("channel.freq"));
        QCOMPARE(s.errorText(2), QString("data out of range [76..95]"));
        QCOMPARE(s.errorText(4), QString("expecting 0.05 values"));
        // A failed look-up leaves the current descriptor as it was.
        QVERIFY(!s.selectKeyDesc("channel.1"));
        QCOMPARE(s.currentKeyDesc().description, QString("channel transmission frequency"));
        QCOMPARE(s.errorText(2), QString("data out of range [76..95]"));
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
