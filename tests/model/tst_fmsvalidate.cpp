#include "ECC.h"
#include "FMSettings.h"
#include "KeyCheck.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QtTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {

// A remote command: 'S' set, 'C' setChecked (one concrete key), 'A' add, 'D' del; its code, and where given
// its error text, its log line and, for a pattern SET, the key of the index that refused (none when not
// given). 'G' reads the key as GET does: the value given (none when not stored); an EON entry, its PS and AF
// list also as the encoders have them, and as the watch, when given, was last told.
struct Cmd
{
    char op;
    const char *key;
    QVariant value;
    int code = 0;
    const char *text = nullptr;
    const char *log = nullptr;
    const char *refused = "";
};

// An EON entry, its PS or AF list as the encoders have it; null for other keys.
QString inRecord(FMSettings &fms, const QString &key)
{
    const QStringList p = Settings::normalizeKey(key).split('/');
    const QList<EON> eon = fms.rds(p[0].section('.', 1).toInt()).eon;
    if (p.size() < 3 || p[1] != "eon" || p[2].toInt() >= eon.size())
        return QString();
    const EON &e = eon[p[2].toInt()];
    return p.size() == 3 ? e.toText() : p[3] == "ps" ? e.ps : afListText(e.af);
}

void run(FMSettings &fms, std::initializer_list<Cmd> cmds, KeyWatch *watch = nullptr)
{
    QMap<QString, QString> told;
    for (const Cmd &c : cmds) {
        const QString key = QString::fromUtf8(c.key);
        if (c.op == 'G') {
            const QString want = key + ' ' + c.value.toString(), record = inRecord(fms, key);
            for (const QString &t : watch ? watch->take() : QStringList())
                told.insert(t.section('=', 0, 0), t.section('=', 1));
            QCOMPARE(QString(key + ' ' + fms.valueOnAir(key).toString()), want);
            QCOMPARE(key + ' ' + (record.isNull() || !c.value.isValid() ? c.value.toString() : record), want);
            QCOMPARE(key + ' ' + told.value(Settings::normalizeKey(key), c.value.toString()), want);
            continue;
        }
        if (c.log)
            QTest::ignoreMessage(QtDebugMsg, c.log);
        QString refused;
        const int code = c.op == 'S'   ? fms.set(key, c.value, true, nullptr, &refused)
                         : c.op == 'C' ? fms.setChecked(key, c.value, true)
                         : c.op == 'A' ? fms.add(key, c.value)
                                       : fms.del(key);
        const QString what = QStringLiteral("%1 [%2] [%3]").arg(QLatin1Char(c.op)).arg(key, c.value.toString());
        QVERIFY2(code == c.code, qPrintable(what + QStringLiteral(" gave %1").arg(code)));
        QCOMPARE(what + ' ' + refused, what + ' ' + c.refused);
        if (c.text)
            QVERIFY2(fms.errorText(code) == QLatin1String(c.text), 
                     qPrintable(what + ": " + fms.errorText(code)));
    }
}

const QByteArray kProject = "[board]\ngmin=1\nband=0\n"
                            "[channel.1]\nused=1\nfreq=90\nidrds=1\n"
                            "[rds.1]\nname=One\npi=d311\nafs=1011\n"
                            "eon\\0=1 d311 10 1 0 0\neon\\0\\ps=ZERO\neon\\0\\af=958\n"
                            "eon\\1=2 d312 10 1 0 0\neon\\1\\ps=ONE\n"
                            "eon\\2=3 d313 10 1 0 0\neon\\2\\ps=TWO\neon\\2\\af=1011\n"
                            "[tmc.1]\nname=T\n0=1 0 100 1 1\n1=1 0 101 1 1\n2=1 0 102 1 1\n3=1 0 103 1 1\n"
                            "4=1 0 104 1 1\nskt=0 0 a5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ff\n";

} // namespace

// The key descriptor table, value checks, the country table and the validated SET, ADD, DEL and listing.
class TestFmsValidate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FMSettings::buildKeyTable(); }

    void rowsAndGenericKeys()
    {
        QCOMPARE(FMSettings::keyTableKeys().size(), 147);
        KeyDesc d;
        // Half hours, not hours.
        QVERIFY(FMSettings::keyDesc("rds.zone", d));
        QCOMPARE(d.min, -31.0);
        QCOMPARE(d.max, 31.0);
        QVERIFY(!FMSettings::keyDesc("channel.", d));
        const char *const cases[][2] = {
            {"Channel.12/FREQ", "channel.freq"}, {"rds.3/eon/2/ps", "rds.eon.ps"}, {"rds.3.eon", "rds.eon."},
            {"tmc.1/5", "tmc."},                 {"tmc.1/skt", "tmc.skt."},        {"rds.1/gmin/4", "rds.gmin."},
            {"rds.1/4", "rds.4"},                {"board.band", "board.band"},     {"channel.1", "channel.1"}};
        for (const auto &c : cases)
            QCOMPARE(QString(c[0]) + " -> " + FMSettings::genericKey(c[0]), QString(c[0]) + " -> " + c[1]);
    }

    // Refused commands: the exact code and text, nothing written, no event, no record made.
    void refusedCommands()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        KeyWatch w(fms, "*");
        fms.sync();
        const QByteArray before = p.read();
        fms.dirty = false;
        run(fms, {
                     {'C', "channel.1.nothing", 1, 1, "key is unknown"},
                     {'S', "rds.1.eon.2", "1 2 3 4 5", 4, "expecting 6 values"},
                     {'S', "tmc.1.5", "1 0 105 1 1", 7, "use ADD to insert list items"},
                     {'S', "rds.1.pi", "10000", 2, "data out of range [0..ffff]"},
                     // Out of range at the first index of a pattern: nothing stored.
                     {'S', "channel.1,2,3.gain", 5, 2, "data out of range [-60..0]", nullptr, "channel.1/gain"},
                     // Refused at the second index (or, written the other way round, the first): nothing stored.
                     {'S', "tmc.1,2.0", "1 2 3 4 1", 7, "use ADD to insert list items", nullptr, "tmc.2/0"},
                     {'S', "tmc.2,1.0", "1 2 3 4 1", 7, nullptr, nullptr, "tmc.2/0"},
                     {'S', "rds.1,2.eon.1", "0 abcd 1 0 0 0", 7, nullptr, nullptr, "rds.2/eon/1"},
                     {'S', "rds.2,1.eon.1", "0 abcd 1 0 0 0", 7, nullptr, nullptr, "rds.2/eon/1"},
                     {'S', "rds.1-2.eon.0", "0 abcd 1 0 0 0", 7, nullptr, nullptr, "rds.2/eon/0"},
                     // A record number outside its section.
                     {'S', "channel.97.used", 1, 1}, {'S', "rds.0.ps", "X", 1}, {'C', "rds.-1/ps", "X", 1},
                     {'A', "tmc.0", "1 0 1 1 1", 1}, {'D', "rds.0.eon.1", {}, 1},
                     // A generic or informational key names no stored value: it is an unknown key, not an
                     // unchanged one (the server would answer "ok").
                     {'S', "channel.freq", 95, 1, "key is unknown"}, {'S', "board.gmin", 0, 1},
                     // No number, or a zero one, is no record either.
                     {'A', "tmc.00", "1 0 105 1 1", 1}, {'A', "tmc/", "1 0 105 1 1", 1},
                     {'A', "playlist.", "/a.wav", 1},
                     {'A', "channel.1.freq", 95, 5, "is not a list or list item"},
                     {'A', "rds.1.eon", "1 2", 4, "expecting 6 values", "FMS: add [rds.1.eon.3] [1 2]"},
                     {'D', "tmc.1.7", {}, 6, "is not set"}, {'D', "tmc.1.rate", {}, 5},
                     // A record number with a leading zero names its record: item 4 of source 1 holds this.
                     {'C', "tmc.01.4", "1 0 104 1 1", 3, "data did not change"},
                     // TMC messages: each part within its field (duration, flags, event, location, send,
                     // labels).
                     {'A', "tmc.1", "99999999999 99999999999 99999999999 99999999999 99999999999", 2,
                      "data out of range [0..7]"},
                     {'S', "tmc.1.0", "1 32 101 200 1", 2, "data out of range [0..31]"},
                     {'S', "tmc.1.0", "1 0 2048 200 1", 2, "data out of range [0..2047]"},
                     {'A', "tmc.1", "1 0 1.0 200 1", 2, "data out of range [0..2047]"},
                     {'A', "tmc.1", "1 0 101 65536 1", 2, "data out of range [0..65535]"},
                     {'A', "tmc.1", "1 0 101 200 3", 2, "data out of range [0..2]"},
                     {'A', "tmc.1", "1 0 101 200 1 5 1048576", 2, "data out of range [0..1048575]"},
                     {'S', "channel.1.idrds", "x", 2, "data out of range [-2147483648..2147483647]"},
                     // Nothing to add.
                     {'A', "tmc.1", "", 4, "expecting 5 values"}, {'A', "rds.1.afs", " ", 4, "expecting 1 values"},
                     // Fields of an EON entry that does not exist, which a later ADD of it would take over.
                     {'S', "rds.1.eon.3.ps", "ORPHAN", 7, "use ADD to insert list items"},
                     {'A', "rds.1.eon.3.af", 958, 7},
                     // Entry 0 names channel 1, whose programme overwrites its PS and AF list.
                     {'S', "rds.1.eon.0.af", 1011, 9, "is taken from the linked channel"},
                     {'A', "rds.1.eon.0.af", 1011, 9}, {'D', "rds.1.eon.0.af", {}, 9}, {'S', "rds.1.eon.0.ps", "X", 9},
                     // The rate table has entries 0..31, each named.
                     {'S', "rds.1.gmin", "1 180 0 0 0", 8, "needs an entry number 0..31"},
                     {'A', "rds.1.gmin", "1 180 0 0 0", 8}, {'S', "rds.1.gmin.32", "1 180 0 0 0", 1},
                     {'A', "rds.1.gmin.015", "1 180 0 0 0", 1},
                     // Entry 0 sends channel 1's PI d311, PTY 10, TP 1 and TA 0, also when the file says otherwise.
                     {'S', "rds.1.eon.0", "1 beef 10 1 0 0", 9, "is taken from the linked channel"},
                     {'A', "rds.1.eon", "1 d311 7 1 0 0", 9}, {'S', "rds.1.eon.0", "1 d311 10 0 1 0", 9},
                     // EON fields as group 14A carries them: channel 0..96, PI and link 0..ffff, PTY 0..31, TP
                     // and TA 0..1; a double blank would shift the fields on loading.
                     {'A', "rds.1.eon", "0 10000 33 1 1 0", 2, "data out of range [0..ffff]"},
                     {'S', "rds.1.eon.1", "2 d312 40 1 0 0", 2, "data out of range [0..31]"},
                     {'A', "rds.1.eon", "-1 -5 -3 7 8 9", 2, "data out of range [0..96]"},
                     {'S', "rds.1.eon.1", "2 d312 3 2 0 0", 2, "data out of range [0..1]"},
                     {'S', "rds.1.eon.1", "99 d312 3 1 0 0", 2}, {'S', "rds.1.eon.1", "2 d312 3 1 7 0", 2},
                     {'S', "rds.1.eon.1", "2 d312 3 1 0 10000", 2}, {'S', "rds.1.eon.1", "2 x 3 1 0 0", 2},
                     {'S', "rds.1.eon.1", "2.0 d312 3 1 0 0", 2}, {'A', "rds.1.eon", "0  d312 3 1 0 0", 2},
                     // The service key table has entries 0..31, each one hexadecimal word.
                     {'A', "tmc.1.skt.32", "abcd", 1, "key is unknown"}, {'S', "tmc.1.skt.05", "abcd", 1},
                     {'A', "tmc.1.skt.5", "10000", 2}, {'A', "tmc.1.skt.5", "1 2", 4, "expecting 1 values"},
                     {'A', "tmc.1.skt", "abcd", 8, "needs an entry number 0..31"},
                     {'A', "tmc.1.skt.1", "", 4, "expecting 1 values"}, {'D', "tmc.1.skt.0", {}, 6, "is not set"},
                     {'D', "tmc.1.skt.32", {}, 1},
                 });
        fms.sync();
        QCOMPARE(p.read(), before);
        QVERIFY(!fms.dirty);
        QVERIFY(w.take().isEmpty());
    }

    // Accepted at the ends of the ranges: the lowest gain, the last channel, a pattern range up to it and not
    // beyond; a board key that changes band or attenuation alone is a change.
    void acceptedAtTheBounds()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        run(fms, {{'S', "channel.1.gain", -60, 0}, {'S', "channel.96.mute", 1, 0}, {'S', "board.band", 1, 0},
                  {'S', "board.band", 1, 3}, {'S', "board.attn", -10, 0}, {'S', "channel.90-97.used", 1, 0},
                  {'S', "channel.96.used", 1, 3}, {'S', "tmc.1.0", "0 0 0 0 0", 0},
                  // Every index of a pattern can be stored: all are.
                  {'A', "tmc.2", "1 0 5 6 1", 0, nullptr, "FMS: add [tmc.2.0] [1 0 5 6 1]"},
                  {'S', "tmc.2,1.0", "1 2 3 4 1", 0}, {'S', "tmc.1,2.0", "1 2 3 4 1", 3},
                  {'A', "tmc.1", "7 31 2047 65535 2 1048575", 0}, {'S', "rds.1.eon.1.ps", "LINKLESS", 0}});
    }

    // A linked EON entry reads as it goes on air: its programme's PI, PS, PTY, TP and TA (not the file's stale
    // ones), also after the programme changes and for an entry ADD made; writes that keep them are taken.
    void linkedEonEntries()
    {
        TempProject p("[channel.2]\nused=1\nfreq=90\nidrds=2\n[rds.1]\nname=One\neon\\0=2 beef 10 0 1 0\n"
                      "eon\\0\\ps=OLD\n[rds.2]\nname=Two\npi=d312\nps=TROVINA2\npty=3\nafs=899\n"
                      "[tmc.1]\nname=T\nskt=1 2\n");
        FMSettings fms(p.path());
        fms.sync();
        QVERIFY(!fms.dirty);
        const QByteArray loaded = p.read();
        run(fms, {{'G', "rds.1.eon.0", "2 d312 3 1 0 0", 0}, {'G', "rds.1.eon.0.ps", "TROVINA2", 0},
                  {'G', "rds.1.eon.0.af", QVariant(), 0}});
        QCOMPARE(p.read(), loaded);
        KeyWatch w(fms, "rds.1");
        run(fms, {{'S', "rds.1.eon.0", "2 D312 3 1 0 ab", 0}});
        w.take();
        // What the programme's change pushes agrees with GET.
        run(fms, {{'S', "rds.2.ps", "NEUNAME", 0}, {'S', "rds.2.pty", 5, 0}, {'G', "rds.1.eon.0", "2 d312 5 1 0 ab", 0},
                  {'G', "rds.1.eon.0.ps", "NEUNAME", 0}});
        QCOMPARE(w.take(), QStringList({"rds.1/eon/0=2 d312 3 1 0 ab", "rds.1/eon/0/ps=NEUNAME",
                                        "rds.1/eon/0=2 d312 5 1 0 ab"}));
        run(fms, {{'A', "rds.1.eon", "2 d312 5 1 0 0", 0, nullptr, "FMS: add [rds.1.eon.1] [2 d312 5 1 0 0]"},
                  {'G', "rds.1.eon.1.ps", "NEUNAME", 0}, {'G', "rds.1.eon.1.af", "899", 0},
                  {'S', "rds.1.eon.1", "0 beef 10 0 1 0", 0}, {'G', "rds.1.eon.1", "0 beef 10 0 1 0", 0},
                  // Entry E of the service key table, in its place in the one key.
                  {'A', "tmc.1.skt.5", "abcd", 0}, {'S', "tmc.1.skt.31", "ff", 0}, {'A', "tmc.1.skt.5", "abcd", 3},
                  {'S', "tmc.1.skt.30", "ee", 0}, {'G', "tmc.1.skt.5", "abcd"}, {'D', "tmc.1.skt.30", {}, 0},
                  {'G', "tmc.1.skt.30", "0"}, {'D', "tmc.1.skt.30", {}, 6, "is not set"}});
        fms.sync();
        QCOMPARE(p.fileKeys("tmc.1"), QStringList({"name", "skt"}));
        QCOMPARE(fms.tmc(1).sktText(), "1 2 0 0 0 abcd" + QString(" 0").repeated(25) + " ff");
        FMSettings again(p.path());
        run(again, {{'G', "rds.1.eon.0", "2 d312 5 1 0 ab", 0}, {'G', "rds.1.eon.0.ps", "NEUNAME", 0},
                    {'G', "tmc.1.skt.31", "ff"}, {'D', "tmc.1.skt.*", {}, 0, nullptr, "FMS: del tmc.1/skt/*"},
                    {'G', "tmc.1.skt.5", {}}, {'D', "tmc.1.skt.5", {}, 6}});
    }

    // Entries linked by SET of the entry or of a channel's source (also beyond the boards), links that end,
    // programmes that come to share a PI or stop: GET, what observers are told and the encoders' records agree
    // at once, and a save and load changes none of them.
    void linksMadeAndEndedOtherwise()
    {
        TempProject p("[channel.2]\nused=1\nfreq=89.9\nidrds=2\n[channel.3]\nused=1\nfreq=93.1\nidrds=3\n"
                      "[channel.4]\nused=1\nfreq=104.2\nidrds=2\n[channel.6]\nidrds=4\n[rds.1]\nname=One\npi=d311\n"
                      "eon\\0=2 d312 10 1 0 0\neon\\0\\ps=TROVINA2\n[rds.2]\nname=Two\npi=d312\nps=TROVINA2\npty=3\n"
                      "afs=899 1004\n[rds.3]\nname=Three\npi=d313\nps=VERKEHR\npty=1\nta=1\n[rds.4]\nafs=958\n");
        FMSettings fms(p.path());
        fms.updateAF(true);
        KeyWatch w(fms, "rds.1");
        run(fms, {{'A', "rds.1.eon", "0 abcd 1 0 0 0"}, {'S', "rds.1.eon.1", "3 d313 1 1 1 0"},
                  {'A', "rds.1.eon", "30 abcd 1 0 0 0"}, {'S', "channel.30.idrds", 3}, {'G', "rds.1.eon.1.ps", "VERKEHR"},
                  {'G', "rds.1.eon.2", "30 d313 1 1 1 0"}, {'G', "rds.1.eon.2.ps", "VERKEHR"},
                  // Channel 3 joins source 2's programme and back.
                  {'S', "rds.3.pi", "d312"}, {'G', "rds.1.eon.0.af", "899 931 1042 899 1004"},
                  {'G', "rds.1.eon.2.af", "899 931 1042"}, {'S', "rds.3.pi", "d313"}, {'G', "rds.1.eon.1.af", "931"},
                  // Entry 1 leaves channel 3 by its own SET: it keeps the PS and AF list it sent, the PS being
                  // one the file did not hold.
                  {'S', "rds.1.eon.1", "0 d313 1 1 1 0"},
                  // Channel 2 leaves its programme, source 4 goes with its last key: the entries keep sending
                  // what they last sent.
                  {'S', "rds.2.ps", "NEUNAME"}, {'S', "rds.2.pty", 5}, {'S', "channel.2.idrds", 0},
                  {'A', "rds.1.eon", "0 0 1 0 0 0"}, {'S', "rds.1.eon.3", "6 d314 10 1 0 0"}, {'D', "rds.4.afs", {}}},
            &w);
        const std::initializer_list<Cmd> after{{'G', "rds.1.eon.0", "2 d312 5 1 0 0"}, {'G', "rds.1.eon.0.ps", "NEUNAME"},
                                               {'G', "rds.1.eon.0.af", "899 1042 899 1004"},
                                               {'G', "rds.1.eon.3.ps", "RDS-4"}, {'G', "rds.1.eon.1.ps", "VERKEHR"},
                                               {'G', "rds.1.eon.1", "0 d313 1 1 1 0"}, {'G', "rds.1.eon.1.af", "931"}};
        run(fms, after, &w);
        fms.sync();
        FMSettings again(p.path());
        again.updateAF(true);
        run(again, after);
        // GET of the list names the PS of entry 2, which the file does not hold, in its place.
        QCOMPARE(again.listKeys("rds.1.eon").filter("/ps").mid(1, 2), QStringList({"rds.1.eon.1/ps", "rds.1.eon.2/ps"}));
    }

    // The rate table: SET and ADD write the entry they name, also one missing from the file (off, rates 0),
    // and no other.
    void rateEntriesMissingFromTheFile()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        run(fms, {{'S', "rds.1.gmin.15", "1 180 0 0 0", 0}, {'A', "rds.1.gmin.14", "1 60 0 0 0", 0},
                  {'A', "rds.1.gmin.14", "1 60 0 0 0", 3, "data did not change"}});
        QCOMPARE(p.fileGroup(fms, "rds.1/gmin"),
                 (QMap<QString, QString>{{"14", "1 60 0 0 0"}, {"15", "1 180 0 0 0"}}));
        QCOMPARE(fms.rds(1).gmin[15].rate[0], 180);
        QCOMPARE(fms.rds(1).gmin[0], RDSGroupRate());
    }

    // Countries by PI digit and ECC, several in table order; by area, a row lies in every area asked for.
    void countryTable()
    {
        QCOMPARE(countryNames('D', 0xE0) + '|' + countryNames('C', 0xA2), QString("Deutschland|Bermuda\nBrasilien"));
        QCOMPARE(countryNames('d', 0xE0) + countryNames('D', 0x1E0), QString());
        const ECC &egypt = countryList().at(66);
        QVERIFY(egypt.inAreas(ECC::Africa | ECC::NearEast) && egypt.inAreas(0) && !egypt.inAreas(ECC::Africa | ECC::Europe));
    }

    // An item number beyond the int range names only itself; listings go by number; ADD to a full rate table
    // without an entry number stores no "gmin/32".
    void oddItemNumbersListingAndFullTable()
    {
        QByteArray ini = "[board]\ngmin=1\n[tmc.1]\nname=T\n0=1 0 1 1 1\n10=1 0 1 1 1\n2=1 0 1 1 1\n"
                         "99999999999=1 0 102 1 1\n[rds.1]\nname=R\n";
        for (int g = 0; g < 32; ++g)
            ini += "gmin\\" + QByteArray::number(g) + "=1 1 0 0 0\n";
        TempProject p(ini);
        FMSettings fms(p.path());
        run(fms, {{'D', "tmc.1.99999999999", {}, 0}, {'A', "rds.1.gmin", "1 1 0 0 0", 8}});
        QVERIFY(fms.dirty && !p.fileValue(fms, "rds.1/gmin/32").isValid());
        QCOMPARE(fms.listKeys(QStringLiteral("tmc.1")), (QStringList{"tmc.1.0", "tmc.1.2", "tmc.1.10", "tmc.1.name"}));
        QCOMPARE(fms.errorText(-1), QStringLiteral("unknown error"));
        // Help lines name the element type, "bool" only for an integer of 0..1.
        const std::pair<const char *, const char *> types[] = {
            {"channel.1.freq", "MHz (double)"}, {"channel.1.used", "[0..1] (bool)"},
            {"board.band", "[0..2] (integer)"}};
        for (const auto &[key, type] : types)
            QVERIFY2(FMSettings::describeKey(key).endsWith(QLatin1String(type)), key);
    }

    void deleteRateEntries()
    {
        // Entry G of the rate table belongs to group type G: DEL removes it in its place, and "*" removes all
        // 32 entries, gaps or not.
        TempProject p("[board]\ngmin=1\n[rds.1]\nname=R\ngmin\\0=1 60 0 0 0\ngmin\\2=1 20 0 0 0\n"
                      "gmin\\3=0 5 5 5 5\ngmin\\31=1 1 0 0 0\n");
        FMSettings fms(p.path());
        run(fms, {{'D', "rds.1.gmin.2", {}, 0}});
        QCOMPARE(p.fileGroup(fms, "rds.1/gmin"),
                 (QMap<QString, QString>{{"0", "1 60 0 0 0"}, {"3", "0 5 5 5 5"}, {"31", "1 1 0 0 0"}}));
        QCOMPARE(fms.rds(1).gmin[2], RDSGroupRate());
        QCOMPARE(fms.rds(1).gmin[3].rate[1], 5);
        run(fms, {{'D', "rds.1.gmin.*", {}, 0, nullptr, "FMS: del rds.1/gmin/*"},
                  {'D', "rds.1.gmin.*", {}, 6, nullptr, "FMS: del rds.1/gmin/*"}});
        QCOMPARE(p.fileGroup(fms, "rds.1").keys(), QStringList{"name"});
        QCOMPARE(fms.rds(1).gmin[31], RDSGroupRate());
        // A stray key past the table is no entry of it.
        fms.setValue("rds.1/gmin/32", "1 1 0 0 0", false);
        run(fms, {{'D', "rds.1.gmin.*", {}, 6, nullptr, "FMS: del rds.1/gmin/*"}});
    }

    // DEL of a list item moves the later ones down with their sub-keys; ADD takes the first free number.
    void deleteAndAddItems()
    {
        TempProject p(kProject);
        FMSettings fms(p.path());
        run(fms, {{'D', "rds.1.eon.0", {}, 0},
                  {'A', "rds.1/eon", "9 abcd 1 0 0 ff", 0, nullptr, "FMS: add [rds.1.eon.2] [9 abcd 1 0 0 ff]"}});
        QCOMPARE(p.fileGroup(fms, "rds.1/eon"),
                 (QMap<QString, QString>{{"0", "2 d312 10 1 0 0"}, {"0/ps", "ONE"}, {"1", "3 d313 10 1 0 0"},
                                         {"1/af", "1011"}, {"1/ps", "TWO"}, {"2", "9 abcd 1 0 0 ff"}}));
        QCOMPARE(fms.rds(1).eon.size(), 3);
        // An item written by hand as "07" is removed itself; the items 0..4 stay.
        fms.setValue("tmc.1/07", "1 0 107 1 1", false);
        run(fms, {{'D', "tmc.1.07", {}, 0}});
        QVERIFY(!p.fileValue(fms, "tmc.1/07").isValid());
        QCOMPARE(fms.tmc(1).messages.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestFmsValidate)
#include "tst_fmsvalidate.moc"
