#include "FMSettings.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QtTest>

#include <memory>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

QByteArray channel(int ch, const char *freq, int idrds)
{
    return QByteArray("[channel.") + QByteArray::number(ch) + "]\nused=1\nfreq=" + freq + "\nidrds=" +
           QByteArray::number(idrds) + "\n";
}

QByteArray source(int id, const char *pi, const char *extra = "")
{
    return QByteArray("[rds.") + QByteArray::number(id) + "]\nname=S" + QByteArray::number(id) + "\npi=" + pi +
           "\n" + extra;
}

// The project loaded with every used channel of all four boards taken in and
// the automatic AF lists computed.
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

// The values the observer received for one key.
QStringList valuesOf(const RecordingObserver &obs, const QString &key)
{
    QStringList values;
    for (const auto &r : obs.records()) {
        if (r.key == key)
            values << r.value.toString();
    }
    return values;
}

} // namespace

class TestFmsAf : public QObject
{
    Q_OBJECT

private slots:
    // The automatic AF list of every source: one entry per frequency with the
    // channel met first, shared by the sources of one PI; regional by the
    // contributing channel's own source; sources only for existing records.
    void automaticLists()
    {
        const QByteArray board = "[board]\ngmin=1\n";
        const struct
        {
            const char *name;
            QByteArray ini;
            QMap<int, QString> af;
        } cases[] = {
            {"shared PI both ways; a PI of its own gets only its channel (90.05 rounds half up)",
             board + channel(1, "95.8", 1) + channel(5, "101.1", 2) + channel(7, "90.05", 3) +
                 source(1, "d311", "afs=1034\n") + source(2, "d311") + source(3, "d399"),
             {{1, "958/1/0 1011/5/0"}, {2, "958/1/0 1011/5/0"}, {3, "901/7/0"}}},
            {"equal frequencies",
             board + channel(2, "95.8", 1) + channel(3, "95.8", 2) + channel(9, "98.4", 2) +
                 source(1, "d311", "afr=984\n") + source(2, "d311"),
             {{1, "958/2/0 984/9/0"}, {2, "958/2/0 984/9/0"}}},
            // A link to a source that does not exist makes no record.
            {"unlinked and missing sources",
             board + channel(1, "95.8", 1) + channel(2, "96.0", 0) + channel(3, "97.0", 42) +
                 channel(4, "98.0", 1) + "[channel.5]\nused=1\nfreq=99\nidrds=x\n" + source(1, "d311"),
             {{1, "958/1/0 980/4/0"}}},
            // A frequency far outside any band gives no AF code; it is held
            // to the largest value instead of overflowing the conversion.
            {"hand-edited huge frequency",
             board + channel(1, "1e300", 1) + channel(2, "-1e300", 2) + channel(3, "95.8", 2) +
                 source(1, "d311") + source(2, "d311"),
             {{1, "2147483647/1/0 958/3/0"}, {2, "2147483647/1/0 958/3/0"}}},
        };
        for (const auto &c : cases) {
            TempProject p(c.ini);
            const auto fms = computed(p);
            QVERIFY2(fms->rdsMap().keys() == c.af.keys(), c.name);
            for (auto it = c.af.cbegin(); it != c.af.cend(); ++it) {
                const QString got = freqs(fms->rds(it.key()).af);
                QVERIFY2(got == it.value(),
                         qPrintable(QStringLiteral("%1: rds.%2 %3").arg(c.name).arg(it.key()).arg(got)));
            }
            if (c.ini.contains("afr=984")) {
                fms->setAfr(2, 984);
                QCOMPARE(freqs(fms->rds(2).af), QStringLiteral("958/2/0 984/9/1"));
            }
        }
    }

    void eonListsOfHandNumberedEntries()
    {
        // Entries numbered -1, 2 and 07 by hand are the list positions 0, 1
        // and 2: the loader renumbers their keys, so that the automatic AF
        // list of position 1 is stored with the entry at position 1 and a
        // reload finds every list where it was.
        TempProject p("[board]\ngmin=1\n" + channel(1, "95.8", 2) + channel(5, "101.1", 3) +
                      source(1, "d311",
                             "eon\\-1=0 0 10 1 0 0\neon\\-1\\af=999\neon\\-1\\ps=MINUS\n"
                             "eon\\2=1 0 10 1 0 0\neon\\2\\ps=TWO\n"
                             "eon\\07=0 0 10 1 0 7\neon\\07\\af=777\n"
                             "eon\\4\\af=444\n") +
                      source(2, "d312", "afs=1034\n") + source(3, "d312"));
        QList<EON> loaded;
        {
            const auto fms = computed(p);
            loaded = fms->rds(1).eon;
            QCOMPARE(loaded.size(), 3);
            QCOMPARE(afListText(loaded.at(1).af), QStringLiteral("958 1011 1034")); // channel 1 -> rds.2
            QCOMPARE(p.fileGroup(*fms, "rds.1/eon"),
                     (QMap<QString, QString>{{"0", "0 0 10 1 0 0"}, {"0/af", "999"}, {"0/ps", "MINUS"},
                                             {"1", "1 0 10 1 0 0"}, {"1/af", "958 1011 1034"}, {"1/ps", "TWO"},
                                             {"2", "0 0 10 1 0 7"}, {"2/af", "777"}}));
        }
        FMSettings again(p.path());
        QCOMPARE(again.rds(1).eon.size(), 3);
        for (int m = 0; m < 3; ++m) {
            QCOMPARE(afListText(again.rds(1).eon.at(m).af), afListText(loaded.at(m).af));
            QCOMPARE(again.rds(1).eon.at(m).link, loaded.at(m).link);
        }
    }
};

QTEST_GUILESS_MAIN(TestFmsAf)
#include "tst_fmsaf.moc"
