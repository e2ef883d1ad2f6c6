#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

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
    void audioWriters();
    void audioIds();
    void removePlaylist();
    void loadSortsByTimeKeepingKeyOrder();
    void guards();
    void valuesHeldNotWrapped();
    void distances();
    void afListsFollowChannelStores();
    void frequencyZeroKeepsStoredFrequency();
    void channelConfigWriter();
    void playlistFileEvents();
};

// Tone values held to their fields, not wrapped; an empty file removes the key instead of storing an empty value.
void TestProjectModel::audioWriters()
{
    TempProject file("[board]\ngmin=1\n[audio.1]\ntype=2\nfile=/a.mp3\n[audio.2]\nname=B\n");
    FMSettings project(file.path());
    KeyWatch audio(project, "audio.1");
    const AudioSource b = project.audio(2); // a group without tone keys
    QCOMPARE((QList<int>{b.frq1, b.frq2, b.vol1, b.vol2, b.time}), (QList<int>{440, 880, 100, 100, 10}));
    project.setAudioTone(1, 1000, -1, 70, -1, 70000);
    QCOMPARE(audio.take(), (QStringList{"audio.1/frq1=1000", "audio.1/vol1=70", "audio.1/time=65535"}));
    project.setAudioFile(1, QString());
    QVERIFY(!project.contains("audio.1/file") && project.dirty);
    project.dirty = false;
    project.setAudioFile(1, QString());
    QVERIFY(!project.dirty);
    project.setAudioFile(1, "/b.mp3");
    QCOMPARE(audio.take(), (QStringList{"audio.1/file=/b.mp3"}));
}

// A new source follows the highest id, or takes the smallest free one after the largest int; with a file it is
// a file source.
void TestProjectModel::audioIds()
{
    TempProject last("[board]\ngmin=1\n[audio.1]\nname=One\n[audio.2147483647]\nname=Last\n");
    FMSettings full(last.path());
    const AudioSource a = full.addAudio("/x/c.mp3");
    QCOMPARE(a.name + ' ' + QString::number(a.type), QStringLiteral("Audio-2 2"));
    QCOMPARE(full.audioMap().keys(), (QList<int>{1, 2, 2147483647}));
    TempProject empty;
    QCOMPARE(FMSettings(empty.path()).addAudio(QString()).name, QStringLiteral("Audio-1"));
}

// Sources playing a removed playlist (in any case of its name) lose it.
void TestProjectModel::removePlaylist()
{
    TempProject file("[board]\ngmin=1\n[playlist.3]\nname=Three\n0=/a.mp3\n[audio.1]\ntype=2\nfile=Playlist.3\n"
                     "[audio.2]\ntype=2\nfile=/song.mp3\n");
    FMSettings project(file.path());
    KeyWatch audio(project, "audio");
    QVERIFY(!project.removePlaylist(9));
    QTest::ignoreMessage(QtDebugMsg, "FMS: audio.1 lost its playlist");
    QVERIFY(project.removePlaylist(3));
    QCOMPARE(audio.take(), (QStringList{"audio.1/file="}));
    QCOMPARE(project.audio(1).file + project.audio(2).file, QStringLiteral("/song.mp3"));
}

// Channel 0, a roll without a group name, an empty key, the same board count: nothing is told or changed.
// A stopped song is told once.
void TestProjectModel::guards()
{
    TempProject file(projectText);
    FMSettings project(file.path());
    KeyWatch all(project, "*");
    project.setBoardCount(1);
    QTest::ignoreMessage(QtDebugMsg, "Evt: set roll  1");
    project.setRoll(QString(), {rollEvent(1, "x")}, {}, true);
    project.remove(QString(), false);
    project.setPlayInfo(0, song("/m/a.mp3", 44100));
    project.notifyRdsLog(12, 2, 0, 0, QTime(1, 0), nullptr);
    QVERIFY(!project.dirty);
    project.setPlayInfo(3, song("/m/a.mp3", 44100));
    project.setPlayInfo(3, SongInfo());
    QCOMPARE(all.take(), (QStringList{"chinfo.3/playrate=44100", "chinfo.3/playing=/m/a.mp3", "chinfo.3/playrate=0",
                                      "chinfo.3/playing="}));
    project.sync();
    QCOMPARE(file.read(), projectText);
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

// Values beyond their field are held at its ends, never wrapped to their low bits; no channel number reads
// outside the table of default frequencies; a stored band that is no whole number is written back as one.
void TestProjectModel::valuesHeldNotWrapped()
{
    TempProject file("[board]\nband=0.4\n[channel.2]\ngain=-200\nvolm=300\nidaudio=99999999999\n");
    FMSettings project(file.path());
    QCOMPARE(file.fileValue(project, "board/band").toString(), QStringLiteral("0"));
    const ChannelRecord c = project.channelInfo(2);
    QCOMPARE(QStringLiteral("%1 %2 %3").arg(c.gain).arg(c.volm).arg(c.idaudio), QStringLiteral("-128 255 2147483647"));
    QCOMPARE((QList<qint32>{ChannelRecord::aofToStored(1e12), ChannelRecord::aofToStored(-1e12),
                            ChannelRecord::aofToStored(qQNaN())}),
             (QList<qint32>{INT_MAX, INT_MIN, 0}));
    QCOMPARE((QList<int>{ChannelRecord::defaultFreqTenths(-7), ChannelRecord::defaultFreqTenths(97),
                         ChannelRecord::defaultFreqTenths(INT_MAX)}),
             (QList<int>{875, 887, 1080}));
    QCOMPARE(RDSGroupRate::load(3, QStringLiteral("4294967346"), {}, {}, false).entry.toText(), QStringLiteral("0 0 0 0 0"));
    QCOMPARE(RDSGroupRate::load(3, QStringLiteral("-2147483649"), {}, {}, true).entry.toText(),
             QStringLiteral("1 -2147483648 0 0 0"));
    Event e;
    QVERIFY(Event::fromStored(QStringLiteral("1 channel.65537.used 1"), &e) && e.number == 0);
    QVERIFY(!Event::fromStored(QStringLiteral("4294967296 x.1.y 1"), &e));
    int band = 5, attn = -40;
    project.setBoard(band, attn);
    QCOMPARE(QStringLiteral("%1 %2").arg(band).arg(attn), QStringLiteral("2 -31"));
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

// The automatic AF lists follow each store of a channel's frequency, used flag or RDS source (remote control and
// event roll, single keys and patterns); the lists that changed are told.
void TestProjectModel::afListsFollowChannelStores()
{
    TempProject file("[board]\ngmin=1\n[rds.1]\npi=d311\n[rds.2]\npi=d311\n[rds.3]\npi=d399\n"
                     "[channel.1]\nused=1\nfreq=88.4\nidrds=1\n[channel.2]\nused=1\nfreq=88.8\nidrds=2\n"
                     "[channel.3]\nused=1\nfreq=89.2\nidrds=1\n");
    FMSettings project(file.path());
    project.setBoardCount(1);
    project.updateAF(true);
    KeyWatch told(project, "rds.*/af");
    const auto lists = [&] {
        return afListText(project.rds(1).af) + '|' + afListText(project.rds(2).af) + '|' + afListText(project.rds(3).af);
    };
    QCOMPARE(lists(), QStringLiteral("884 888 892|884 888 892|"));
    told.take();
    const struct
    {
        const char *key, *value, *lists, *told;
    } steps[] = {
        {"channel.3.freq", "90.1", "884 888 901|884 888 901|", "rds.1/af=884 888 901 rds.2/af=884 888 901"},
        {"channel.2.used", "0", "884 901||", "rds.1/af=884 901"},
        {"channel.3.idrds", "3", "884||901", "rds.1/af=884 rds.3/af=901"},
        {"channel.1,2.used", "1", "884 888|884 888|901", "rds.1/af=884 888 rds.2/af=884 888"},
    };
    for (const auto &st : steps) {
        QCOMPARE(project.set(st.key, st.value, true), 0);
        QCOMPARE(lists(), QString::fromLatin1(st.lists));
        QCOMPARE(told.take().join(' '), QString::fromLatin1(st.told));
    }
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

// The channel writer: the fields without keys of their own, the offset in hundredths; no channel past 96.
void TestProjectModel::channelConfigWriter()
{
    TempProject file;
    FMSettings project(file.path());
    KeyWatch channel(project, "channel");
    ChannelRecord r = ChannelRecord::defaults(4);
    r.mono = 1;
    r.devi = 50;
    r.emph = 2;
    r.rate = 32000;
    r.autoRate = 1;
    r.aof = 1.5;
    r.att = "dB";
    project.setChannelConfig(4, r);
    project.setChannelConfig(97, r);
    QCOMPARE(channel.take(), (QStringList{"channel.4/mono=1", "channel.4/devi=50", "channel.4/emph=2",
                                          "channel.4/rate=32000", "channel.4/auto=1", "channel.4/aof=150",
                                          "channel.4/att=dB"}));
    QCOMPARE(project.channelInfo(4), r);
}

// A new file list stores the entries that changed with events, then tells the first number past its end; a
// shorter list changes the project, the same list again does not.
void TestProjectModel::playlistFileEvents()
{
    TempProject file("[board]\ngmin=1\n[playlist.1]\nname=One\n0=/a.mp3\n1=/b.mp3\n");
    FMSettings project(file.path());
    KeyWatch list(project, "playlist.1");
    project.setPlaylistFiles(1, {"/a.mp3", "/c.mp3", "/d.mp3"});
    QCOMPARE(list.take(), (QStringList{"playlist.1/1=/c.mp3", "playlist.1/2=/d.mp3", "playlist.1/3="}));
    for (const bool changes : {true, false}) {
        project.dirty = false;
        project.setPlaylistFiles(1, {"/a.mp3"});
        QCOMPARE(list.take(), (QStringList{"playlist.1/1="}));
        QCOMPARE(project.dirty, changes);
    }
    QCOMPARE(file.fileGroup(project, "playlist.1"), (QMap<QString, QString>{{"0", "/a.mp3"}, {"name", "One"}}));
}

QTEST_GUILESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"
