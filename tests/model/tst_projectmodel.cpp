#include "FMSettings.h"
#include "KeyWatch.h"
#include "RDSLogRecord.h"
#include "TempProject.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <climits>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {
Event rollEvent(u32 time, const QString &command)
{
    Event e;
    e.time = time;
    e.command = command;
    return e;
}

QStringList stored(const QList<Event> &events)
{
    QStringList out;
    for (const Event &e : events)
        out.append(e.toStored());
    return out;
}
SongInfo song(const QString &file, quint32 rate)
{
    SongInfo s;
    s.file = file;
    s.sampleRate = rate;
    return s;
}

const QByteArray projectText = "[board]\ngmin=1\nband=0\nattn=0\n[channel.1]\nused=1\n";

} // namespace

// The project model: loading, ids, channels and their distances, the event roll, audio sources and playlists.
class TestProjectModel : public QObject
{
    Q_OBJECT

private slots:
    void playInfo();
    void rdsMonitorRecord();
    void nothingReachesTheFile();
    void playlistLoadAndRewrite();
    void removePlaylist();
    void audioWriters();
    void reloadDropsEmptyGroups();

    void parseStoredValues();
    void loadSortsByTimeKeepingKeyOrder();
    void saveReplacesTheGroup();
    void singleEventAndOptions();

    void defaultFrequencies();
    void aofStoredForm();
    void recordFromOddValues();
    void bandAndAttenuation();
    void distances();
    void frequencyZeroKeepsStoredFrequency();

    // Group and key names in odd case are folded to lower case at load (a key already in lower case wins),
    // without marking the project changed; stray groups stay; values beyond a 16-bit field are held, not
    // wrapped.
    void loadHandWrittenFile()
    {
        TempProject file("[Audio.3]\nType=2\nfile=/music/a.mp3\n[audio.0]\ntype=1\n[audio.x]\ntype=1\n"
                         "[audio.7]\nfrq1=70000\nvol1=-5\n[PlayList.4]\n0=/m/a.mp3\n2=/m/c.mp3\nx=/m/x.mp3\n"
                         "[Audio.1]\nName=Upper\n[audio.1]\nname=Lower\n[RDS.2]\nName=Upper\nEON\\0\\PS=NEWS\n"
                         "[Tmc.3]\nName=Traffic\n[board]\ngmin=1\n");
        FMSettings project(file.path());
        QCOMPARE(project.audioMap().keys(), (QList<int>{1, 3, 7}));
        QCOMPARE(project.audio(3).file, QStringLiteral("/music/a.mp3"));
        QCOMPARE(project.audio(1).name, QStringLiteral("Lower"));
        QCOMPARE(project.audio(7).frq1 + project.audio(7).vol1, 65535);
        QCOMPARE(project.playlistFiles(4), (QStringList{"/m/a.mp3", "/m/c.mp3"}));
        QCOMPARE(project.rds(2).name + project.tmc(3).name, QStringLiteral("UpperTraffic"));
        QCOMPARE(project.value("rds.2/eon/0/ps").toString(), QStringLiteral("NEWS"));
        const QStringList groups = file.fileGroups(project);
        QCOMPARE(groups.filter(QRegularExpression("^(audio.[013x]|Audio.*|PlayList.*|RDS.*|playlist.4)$")),
                 (QStringList{"audio.0", "audio.1", "audio.3", "audio.x", "playlist.4"}));
        QVERIFY(!project.dirty);
    }

    // The rate mark and band/attenuation corrections go straight to the file at load; a file needing none is
    // left as it is.
    void loadTimeCorrectionsAreNotChanges()
    {
        const char *const cases[][3] = {{"[channel.1]\nused=1\n", "0", "0"},
                                        {"[board]\ngmin=1\nband=5\nattn=-40\n", "2", "-31"},
                                        {"[board]\ngmin=1\nband=1\nattn=-3\n", "1", "-3"}};
        for (const auto &c : cases) {
            TempProject file(c[0]);
            FMSettings project(file.path());
            QCOMPARE(file.fileValue(project, "board/gmin").toInt(), 1);
            QCOMPARE(QStringLiteral("%1 %2").arg(project.band()).arg(project.attn()), QString(c[1]) + ' ' + c[2]);
            if (QByteArray(c[0]).contains("band=5"))
                QCOMPARE(file.fileValue(project, "board/attn").toInt(), -31);
            if (QByteArray(c[0]).contains("band=1"))
                QCOMPARE(file.read(), QByteArray(c[0]));
            QVERIFY(!project.dirty);
        }
    }

    // A given-up source is reused with its old name; a new one follows the highest id, or takes the smallest
    // free one after the largest int.
    void audioIdAllocation()
    {
        TempProject empty;
        FMSettings project(empty.path());
        KeyWatch all(project, "*");
        QCOMPARE(project.addAudio(QString()).name, QStringLiteral("Audio-1"));
        QVERIFY(project.dirty);
        QCOMPARE(all.take(), (QStringList{"audio.1/name=Audio-1", "audio.1/used=1"}));
        project.addAudio(QString());
        QCOMPARE(project.addAudio("/x/c.mp3").type, u32(2));
        project.setAudioName(2, "Morning");
        project.setAudioUsed(2);
        QCOMPARE(project.audioNames(), (QMap<int, QString>{{0, "<kein>"}, {1, "Audio-1"}, {3, "Audio-3"}}));
        QCOMPARE(project.addAudio("/x/b.mp3").name, QStringLiteral("Morning"));
        QCOMPARE(empty.fileValue(project, "audio.2/used").toString(), QStringLiteral("1"));
        QCOMPARE(project.addAudio(QString()).name, QStringLiteral("Audio-4"));
        TempProject last("[board]\ngmin=1\n[audio.1]\nname=One\n[audio.2147483647]\nname=Last\n");
        FMSettings full(last.path());
        QCOMPARE(full.addAudio(QString()).name, QStringLiteral("Audio-2"));
        QCOMPARE(full.audioMap().keys(), (QList<int>{1, 2, 2147483647}));
    }

    // Distances over the boards there are, held to one to four boards.
    void boardCountRebuildsDistances()
    {
        TempProject file("[board]\ngmin=1\n[channel.1]\nused=1\nfreq=95.800\n"
                         "[channel.30]\nused=1\nfreq=96.000\n[channel.31]\nused=0\nfreq=96.100\n");
        FMSettings project(file.path());
        KeyWatch dist(project, "chinfo");
        project.setBoardCount(1); // unchanged: nothing happens
        QCOMPARE(dist.take(), QStringList());
        project.setBoardCount(2);
        QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.200", "chinfo.30/dist=0.200"}));
        project.setBoardCount(1);
        QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=100.000"}));
        project.setBoardCount(9);
        QCOMPARE(project.boardCount(), 4);
        project.setBoardCount(-1);
        QCOMPARE(project.boardCount(), 1);
    }
};

void TestProjectModel::defaultFrequencies()
{
    // {channel, tenths of MHz}: a board boundary shifts the spread by 0.3 MHz, 96 is capped, the fixed
    // channels of the third board; numbers outside any board must not index outside the spread table.
    const int cases[][2] = {{1, 875}, {2, 881}, {24, 1071}, {25, 878}, {96, 1080}, {49, 889},
                            {51, 897}, {0, 875}, {-7, 875}, {97, 887}, {2147483647, 1080}};
    for (const auto &c : cases) {
        const QString name = QStringLiteral("channel %1: ").arg(c[0]);
        QCOMPARE(name + QString::number(ChannelRecord::defaultFreqTenths(c[0])), name + QString::number(c[1]));
    }
}

void TestProjectModel::aofStoredForm()
{
    // Half up, also below zero and for decimal halves; clamped, not wrapped.
    const std::pair<double, int> cases[] = {{-0.125, -12}, {0.125, 13}, {0.285, 29}, {1e12, 2147483647},
                                            {-1e12, int(-2147483647 - 1)}, {qQNaN(), 0}};
    for (const auto &c : cases)
        QCOMPARE(QString::number(ChannelRecord::aofToStored(c.first)) + " for " + QString::number(c.first),
                 QString::number(c.second) + " for " + QString::number(c.first));
}

void TestProjectModel::recordFromOddValues()
{
    TempProject file("[Channel.2]\nUsed=yes\nmute=false\nmono=1\nfreq=95.800\ngain=-200\nvolm=300\ndevi=40\n"
                     "emph=2\nrate=48000.0\nauto=true\naof=150\natt=dBm\nidaudio=3\nidrds=-1\n"
                     "[channel.3]\nfreq=abc\ngain=x\naof=-12\nidaudio=99999999999\n");
    FMSettings project(file.path());
    // Gain and volume held to their fields, not wrapped to +56 and 44; not a number: the default frequency.
    const auto text = [](const ChannelRecord &r) {
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9").arg(r.used).arg(r.mono).arg(r.freq).arg(r.gain)
                   .arg(r.volm).arg(r.rate).arg(r.aof).arg(r.idaudio).arg(r.idrds) + ' ' + r.att;
    };
    QCOMPARE(text(project.channelInfo(2)), QStringLiteral("1 1 95.8 -128 255 48000 1.5 3 -1 dBm"));
    QCOMPARE(text(project.channelInfo(3)), QStringLiteral("0 0 89.1 0 40 44100 -0.12 2147483647 0 "));
    const ChannelRecord two = project.channelInfo(2);

    // Writers make no junk groups for channels that do not exist.
    KeyWatch channel(project, "*");
    for (int ch : {0, 97})
        project.setChannelConfig(ch, two);
    QCOMPARE(channel.take(), QStringList());
    QVERIFY(!project.contains("channel.0/devi"));
}

void TestProjectModel::bandAndAttenuation()
{
    TempProject file("[board]\ngmin=1\nband=0\nattn=0\n");
    FMSettings project(file.path());
    KeyWatch board(project, "board");
    struct Step
    {
        int band, attn;          // given
        int heldBand, heldAttn;  // clamped
        const char *broadcast;   // joined by '|'
        const char *range;       // of "channel.freq"
        bool dirty;
    };
    const Step steps[] = {
        {5, -40, 2, -31, "board.attn=-31|board.band=2", "76..108", true},
        {2, -31, 2, -31, "", "76..108", false}, // the same values: nothing broadcast, nothing changed
        {1, 3, 1, 0, "board.attn=0|board.band=1", "76..95", true},
        {-3, 0, 0, 0, "board.band=0", "87.5..108", true},
    };
    for (const Step &st : steps) {
        project.dirty = false;
        int band = st.band;
        int attn = st.attn;
        project.setBoard(band, attn);
        const QString id = QStringLiteral("band %1 attn %2: ").arg(st.band).arg(st.attn);
        QCOMPARE(id + QStringLiteral("%1 %2 %3 %4").arg(band).arg(attn).arg(project.band()).arg(project.attn()),
                 id + QStringLiteral("%1 %2 %1 %2").arg(st.heldBand).arg(st.heldAttn));
        QCOMPARE(file.fileValue(project, "board/band").toInt(), st.heldBand);
        QCOMPARE(file.fileValue(project, "board/attn").toInt(), st.heldAttn);
        QCOMPARE(id + board.take().join(QLatin1Char('|')), id + QLatin1String(st.broadcast));
        QCOMPARE(FMSettings::describeKey("channel.1.freq"),
                 QStringLiteral("channel transmission frequency [%1] MHz (double)").arg(st.range));
        QCOMPARE(project.dirty, st.dirty);
    }
}

void TestProjectModel::distances()
{
    TempProject file;
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo.*/dist");
    struct Step
    {
        int ch;
        double freq;
        bool on;
        const char *sent; // joined by '|'
    };
    const Step steps[] = {
        {1, 95.8, true, "chinfo.1/dist=100.000"},
        {5, 96.0, true, "chinfo.1/dist=0.200|chinfo.5/dist=0.200"},
        {9, 96.5, true, "chinfo.9/dist=0.500"}, // only the distances that changed
        {5, 96.0, false, "chinfo.1/dist=0.700|chinfo.9/dist=0.700"}, // off: the others' gaps widen
        {9, 95.8, true, "chinfo.1/dist=0.000|chinfo.9/dist=0.000"}, // two on one frequency
        {25, 99.0, true, ""}, // outside the boards: ignored, nothing stored
    };
    for (const Step &st : steps) {
        project.setChannelFreq(st.ch, st.freq, st.on);
        const QString id = QStringLiteral("%1 %2 %3: ").arg(st.ch).arg(st.freq).arg(st.on);
        QCOMPARE(id + dist.take().join(QLatin1Char('|')), id + QLatin1String(st.sent));
    }
    QVERIFY(!project.contains("channel.25/freq"));

    // After loading, the last distances are sent again on request; the channel switched off keeps its last
    // entry.
    project.broadcastDistances();
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.000", "chinfo.5/dist=0.200", "chinfo.9/dist=0.000"}));
}

void TestProjectModel::frequencyZeroKeepsStoredFrequency()
{
    TempProject file("[board]\ngmin=1\n[channel.3]\nfreq=99.000\n");
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo.*/dist");
    project.setChannelFreq(1, 95.8, true);
    dist.take();
    project.dirty = false;

    // Switched on without a new frequency: the stored one counts.
    project.setChannelFreq(3, 0.0, true);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=3.200", "chinfo.3/dist=3.200"}));
    QCOMPARE(file.fileValue(project, "channel.3/freq").toString(), QStringLiteral("99.000"));
    QVERIFY(!project.dirty);

    // A channel without a stored frequency uses its default one (90.2 MHz for channel 4), never 0 MHz.
    project.setChannelFreq(3, 0.0, false);
    project.setChannelFreq(4, 0.0, true);
    QCOMPARE(dist.take(),
             (QStringList{"chinfo.1/dist=100.000", "chinfo.1/dist=5.600", "chinfo.4/dist=5.600"}));
    QVERIFY(!project.contains("channel.4/freq"));
}

void TestProjectModel::parseStoredValues()
{
    const struct
    {
        const char *stored;
        u32 time;
        u8 type;
        u16 number;
        const char *command, *field;
    } cases[] = {
        {"  2000 RDS.1.ps   NEWS  TODAY ", 2000, Event::Rds, 1, "RDS.1.ps   NEWS  TODAY", "ps NEWS TODAY"},
        {"7 tmc.4.0 1 8 101 200 1", 7, Event::Tmc, 4, "tmc.4.0 1 8 101 200 1", "0 1 8 101 200 1"},
        {"9 board.band 1.5", 9, Event::Other, 0, "board.band 1.5", "band 1.5"},
        {"1500", 1500, Event::Other, 0, "", ""},
        // A number that does not fit 16 bits is not wrapped.
        {"1 channel.65537.used 1", 1, Event::Channel, 0, "channel.65537.used 1", "used 1"},
        {"4294967295 channel.1.used 1", 4294967295u, Event::Channel, 1, "channel.1.used 1", "used 1"},
    };
    for (const auto &c : cases) {
        Event e;
        QVERIFY2(Event::fromStored(QString::fromLatin1(c.stored), &e), c.stored);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5").arg(e.time).arg(e.type).arg(e.number).arg(e.command, e.field),
                 QStringLiteral("%1|%2|%3|%4|%5").arg(c.time).arg(c.type).arg(c.number)
                     .arg(QLatin1String(c.command), QLatin1String(c.field)));
        QCOMPARE(Event::fromStored(e.toStored(), &e), true);
    }
    // A time beyond 32 bits, a sign or junk: no event, nothing changed.
    Event e;
    e.time = 42;
    for (const char *bad : {"abc channel.1.used 1", "", "-5 channel.1.used 1", "+5 x", "4294967296 x.1.y 1"}) {
        QVERIFY2(!Event::fromStored(QString::fromLatin1(bad), &e), bad);
        QCOMPARE(e.time, u32(42));
    }
}

// Equal times replay in key order (10 after 2); malformed entries are skipped; missing options read as repeat
// and nothing expanded.
void TestProjectModel::loadSortsByTimeKeepingKeyOrder()
{
    TempProject file("[board]\ngmin=1\n[events.1]\n0=2000 rds.1.ps NEWS\n1=500 channel.2.freq 99.1\n"
                     "2=500 audio.3.file a.mp3\n10=500 tmc.1.0 1\n3=0 board.band 1\n"
                     "[events.2]\n0=1500\n1=abc channel.1.used 1\nx=100 c.1.u 1\n-1=100 c.1.u 1\n"
                     "2=4294967296 c.1.u 1\n3=  700   channel.1.used 0  \n4=\nrepeat=false\nexpand=105 203 105\n");
    FMSettings project(file.path());
    QSet<int> expanded{7};
    bool repeat = false;
    QCOMPARE(stored(project.loadRoll("events.1", expanded, repeat)),
             (QStringList{"0 board.band 1", "500 channel.2.freq 99.1", "500 audio.3.file a.mp3", "500 tmc.1.0 1",
                          "2000 rds.1.ps NEWS"}));
    QVERIFY(repeat && expanded.isEmpty());
    QCOMPARE(stored(project.loadRoll("events.2", expanded, repeat)), (QStringList{"700   channel.1.used 0", "1500"}));
    QVERIFY(!repeat);
    QCOMPARE(expanded, (QSet<int>{0x105, 0x203}));
}

void TestProjectModel::saveReplacesTheGroup()
{
    TempProject file("[board]\ngmin=1\n"
                     "[events.1]\n0=1 a.1.b 1\n1=2 a.1.b 2\n2=3 a.1.b 3\n3=4 a.1.b 4\nrepeat=false\nextra=x\n"
                     "[channel.1]\nused=1\n");
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    QVERIFY(!project.dirty);

    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll events.1 2");
    project.setRoll("events.1", {rollEvent(1500, "channel.1.freq 95.8"), rollEvent(1500, QString())}, {0x105, 0x203},
                    true);
    QCOMPARE(file.fileGroup(project, "events.1"),
             (QMap<QString, QString>{
                 {"0", "1500 channel.1.freq 95.8"}, {"1", "1500"}, {"expand", "105 203"}, {"repeat", "true"}}));
    QVERIFY(project.dirty);

    QSet<int> expanded;
    bool repeat = false;
    const QList<Event> events = project.loadRoll("events.1", expanded, repeat);

    // Numbers of a hand-edited roll that are negative keep their sign.
    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll events.1 2");
    project.setRoll("events.1", events, {-0x5219, -1, INT_MIN, 0x105}, true);
    QCOMPARE(file.fileGroup(project, "events.1").value("expand"), QStringLiteral("-80000000 -5219 -1 105"));
    project.loadRoll("events.1", expanded, repeat);
    QCOMPARE(expanded, (QSet<int>{-0x5219, -1, INT_MIN, 0x105}));

    // No group name: nothing is written, least of all a whole-file removal.
    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll  1");
    project.setRoll(QString(), {rollEvent(1, "x")}, {}, true);
    QCOMPARE(file.fileGroup(project, "channel.1").value("used"), QStringLiteral("1"));
    // The roll is the editor's own: no observer is told of any of it.
    QCOMPARE(all.take(), QStringList());
}

void TestProjectModel::singleEventAndOptions()
{
    TempProject file("[board]\ngmin=1\n[events.1]\n0=100 channel.1.used 1\n1=200 channel.1.used 0\n");
    FMSettings project(file.path());
    KeyWatch all(project, "*");

    QTest::ignoreMessage(QtDebugMsg, "Evt: set event 1 250 channel.1.used 0");
    project.setEvent(1, "events.1", rollEvent(250, "channel.1.used 0"));
    QVERIFY(project.dirty);
    QCOMPARE(file.fileGroup(project, "events.1"),
             (QMap<QString, QString>{{"0", "100 channel.1.used 1"}, {"1", "250 channel.1.used 0"}}));

    // The same entry again changes nothing.
    project.dirty = false;
    QTest::ignoreMessage(QtDebugMsg, "Evt: set event 1 250 channel.1.used 0");
    project.setEvent(1, "events.1", rollEvent(250, "channel.1.used 0"));
    QVERIFY(!project.dirty);
    project.setRollOptions("events.1", {0x203, 0x105}, false);
    QVERIFY(project.dirty);
    QCOMPARE(file.fileGroup(project, "events.1").value("expand"), QStringLiteral("105 203"));
    project.dirty = false;
    project.setRollOptions("events.1", {0x105, 0x203}, false);
    QVERIFY(!project.dirty);
    QCOMPARE(all.take(), QStringList());
}

void TestProjectModel::playlistLoadAndRewrite()
{
    TempProject file("[board]\ngmin=1\n"
                     "[playlist.3]\nname=Mix\n0=/m/a.mp3\n2=/m/c.mp3\nx=/m/x.mp3\n10=/m/k.mp3\n");
    FMSettings project(file.path());
    // Numeric order, gaps closed, non-numeric keys are no files.
    QCOMPARE(project.playlistFiles(3), (QStringList{"/m/a.mp3", "/m/c.mp3", "/m/k.mp3"}));
    QVERIFY(!project.dirty);

    KeyWatch all(project, "*");
    // Entry 0 is unchanged and written without an event; entry 1 is new; the length is announced by the key
    // just past the end. Only shortening is no stored change but still a change of the project; the same list
    // again changes nothing but the length broadcast.
    struct Step
    {
        QStringList files;
        QStringList told;
        bool dirty;
    };
    const Step steps[] = {{{"/m/a.mp3", "/m/k.mp3"}, {"playlist.3/1=/m/k.mp3", "playlist.3/2="}, true},
                          {{"/m/a.mp3"}, {"playlist.3/1="}, true},
                          {{"/m/a.mp3"}, {"playlist.3/1="}, false}};
    for (const Step &st : steps) {
        project.dirty = false;
        project.setPlaylistFiles(3, st.files);
        QCOMPARE(all.take(), st.told);
        QMap<QString, QString> group{{"name", "Mix"}};
        for (int i = 0; i < st.files.size(); ++i)
            group.insert(QString::number(i), st.files.at(i));
        QCOMPARE(file.fileGroup(project, "playlist.3"), group);
        QCOMPARE(project.playlistFiles(3), st.files);
        QCOMPARE(project.dirty, st.dirty);
    }
}

void TestProjectModel::removePlaylist()
{
    TempProject file("[board]\ngmin=1\n"
                     "[playlist.3]\nname=Three\n0=/a.mp3\n"
                     "[audio.1]\ntype=2\nfile=Playlist.3\n"
                     "[audio.2]\ntype=2\nfile=/song.mp3\n"
                     "[audio.4]\ntype=2\nfile=playlist.3\n");
    FMSettings project(file.path());
    KeyWatch audio(project, "audio");
    QVERIFY(!project.removePlaylist(9));
    QVERIFY(!project.dirty);

    QTest::ignoreMessage(QtDebugMsg, "FMS: audio.1 lost its playlist");
    QTest::ignoreMessage(QtDebugMsg, "FMS: audio.4 lost its playlist");
    QVERIFY(project.removePlaylist(3));
    QVERIFY(project.dirty);
    QCOMPARE(audio.take(), (QStringList{"audio.1/file=", "audio.4/file="}));
    QCOMPARE(project.audio(1).file + project.audio(2).file + project.audio(4).file, QStringLiteral("/song.mp3"));
    QVERIFY(file.fileGroup(project, "playlist.3").isEmpty());
}

void TestProjectModel::audioWriters()
{
    TempProject file("[board]\ngmin=1\n[audio.1]\ntype=2\nfile=/a.mp3\n");
    FMSettings project(file.path());
    KeyWatch audio(project, "audio.1");

    project.setAudioTone(1, 1000, -1, 70, -1, 70000);
    QCOMPARE(audio.take(), (QStringList{"audio.1/frq1=1000", "audio.1/vol1=70", "audio.1/time=65535"}));
    // frq2 and vol2 keep the loader's fallbacks; the time is held to its field, not wrapped to 4464.
    const AudioSource a = project.audio(1);
    QCOMPARE(QList<u16>({a.frq1, a.frq2, a.vol1, a.vol2, a.time}), QList<u16>({1000, 880, 70, 100, 65535}));

    // An empty file removes the key instead of storing an empty value; no event, but the project changed.
    project.dirty = false;
    project.setAudioFile(1, QString());
    QCOMPARE(audio.take(), QStringList());
    QVERIFY(!project.contains("audio.1/file"));
    QVERIFY(project.audio(1).file.isEmpty());
    QVERIFY(project.dirty);
    project.dirty = false;
    project.setAudioFile(1, QString());
    QVERIFY(!project.dirty);
    project.setAudioFile(1, "/b.mp3");
    QCOMPARE(audio.take(), (QStringList{"audio.1/file=/b.mp3"}));
}

// A group removed from the file drops its record at the next load; ids out of range give empty records and
// change nothing.
void TestProjectModel::reloadDropsEmptyGroups()
{
    TempProject file("[board]\ngmin=1\n[audio.2]\nname=Two\n[playlist.2]\n0=/x.mp3\n");
    FMSettings project(file.path());
    project.remove("audio.2", false);
    project.remove("playlist.2", false);
    QCOMPARE(project.loadAudio(2), AudioSource());
    QCOMPARE(project.loadPlaylist(2), Playlist());
    QVERIFY(project.audioMap().isEmpty() && project.playlistFiles(2).isEmpty());
    QCOMPARE(project.loadAudio(-1), AudioSource());
    QCOMPARE(project.loadPlaylist(0), Playlist());
    QCOMPARE(project.insertPlaylistFiles(0, 0, {"/q/1.mp3"}), QStringList());
    QCOMPARE(project.insertPlaylistFiles(2, 5, {"/q/1.mp3"}), QStringList{"/q/1.mp3"});
    project.setAudioTone(0, 1, 1, 1, 1, 1);
    project.setAudioName(0, "x");
    project.setAudioType(0, 1);
    QVERIFY(project.audioMap().isEmpty());
    QCOMPARE(FMSettings::audioTypeNames(), (QStringList{"Sinus", "Rampe", "Datei"}));
}

// Every status record is broadcast only, to an observer of "*" here.
void TestProjectModel::playInfo()
{
    TempProject file(projectText);
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    SongInfo moved = song("/m/b.mp3", 48000);
    moved.position = 500;
    const std::pair<SongInfo, QStringList> steps[] = {
        {song("/m/a.mp3", 44100), {"chinfo.3/playrate=44100", "chinfo.3/playing=/m/a.mp3"}},
        {song("/m/b.mp3", 48000), {"chinfo.3/playrate=48000", "chinfo.3/playing=/m/b.mp3"}},
        // The same song again, even with another play position: nothing.
        {moved, {}},
        // Same rate, other file: only the playing key.
        {song("/m/c.mp3", 48000), {"chinfo.3/playing=/m/c.mp3"}},
        // Stopped: the entry goes, the playing key carries an empty text.
        {SongInfo(), {"chinfo.3/playrate=0", "chinfo.3/playing="}},
    };
    for (const auto &st : steps) {
        project.setPlayInfo(3, st.first);
        QCOMPARE(all.take(), st.second);
        QCOMPARE(project.songInfo(3), st.first);
    }
    project.setPlayInfo(0, song("/m/a.mp3", 44100));
    QCOMPARE(all.take(), QStringList());
}

void TestProjectModel::rdsMonitorRecord()
{
    TempProject file(projectText);
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    testsupport::RecordingObserver log("rdslog");
    project.registerKey("chinfo.12/rdslog/2", &log);
    const u8 group[13] = {0xD3, 0x11, 0x2C, 0x05, 0x40, 0x00, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x03, 0xFF};
    project.notifyRdsLog(12, 2, 0, 0, QTime(12, 0, 0, 1), group);
    QVERIFY(log.flush());
    project.unregisterObserver(&log);
    QCOMPARE(log.keys(), QStringList{"chinfo.12/rdslog/2"});
    // The 13 group bytes, then the milliseconds of the day: 43 200 001 ms.
    const QByteArray bytes = log.records().at(0).value.toByteArray();
    QCOMPARE(bytes, QByteArray(reinterpret_cast<const char *>(group), 13) + QByteArray::fromHex("012e9302"));

    RDSLogRecord back;
    QVERIFY(RDSLogRecord::fromBytes(bytes, &back));
    QCOMPARE(back.ms, u32(43200001));
    QVERIFY(!RDSLogRecord::fromBytes(bytes.left(16), &back));

    // No group bytes: nothing to send.
    all.take();
    project.notifyRdsLog(12, 2, 0, 0, QTime(1, 0), nullptr);
    QCOMPARE(all.take(), QStringList());
}

void TestProjectModel::nothingReachesTheFile()
{
    TempProject file(projectText);
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    ChannelStatus s;
    s.flags = 1;
    project.setChannelStatus(1, s);
    project.setPlayInfo(1, song("/m/a.mp3", 44100));
    project.setSongInfo({song("/m/a.mp3", 44100)});
    const u8 group[13] = {};
    project.notifyRdsLog(1, 1, 0, 0, QTime(8, 0), group);
    QCOMPARE(all.take().size(), 5);
    project.sync();
    QCOMPARE(file.read(), projectText);
    QVERIFY(!project.dirty);
    QVERIFY(!project.contains("chstatus.1"));
    QVERIFY(!project.contains("chinfo.1/playing"));
}

QTEST_GUILESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"
