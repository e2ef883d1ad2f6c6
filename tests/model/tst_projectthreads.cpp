#include "FMSettings.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QTest>

#include <atomic>
#include <thread>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

// A project with four boards' worth of channels and a few sources.
QByteArray threadProject()
{
    QByteArray ini = "[board]\ngmin=1\nband=0\nattn=0\n";
    for (int ch = 1; ch <= 24; ++ch)
        ini += QStringLiteral("[channel.%1]\nused=1\nfreq=%2\nvolm=40\n").arg(ch).arg(87.5 + ch * 0.3, 0, 'f', 3).toLatin1();
    ini += "[audio.1]\ntype=0\nfrq1=1\nfrq2=1\nvol1=1\nvol2=1\ntime=1\n";
    ini += "[playlist.1]\n0=/gen/0\n1=/gen/0\n2=/gen/0\n";
    return ini;
}

// What the board threads check on every pass: records are whole, never
// half old and half new.
struct ReaderResult
{
    std::atomic<int> passes{0};
    std::atomic<int> tornPlaylists{0};
    std::atomic<int> tornTones{0};
    std::atomic<int> badChannels{0};
    std::atomic<int> badBoard{0};
};

void readRecords(FMSettings &project, const std::atomic<bool> &stop, ReaderResult &r)
{
    while (!stop.load()) {
        const QStringList files = project.playlistFiles(1);
        for (const QString &f : files) {
            if (f != files.first())
                ++r.tornPlaylists;
        }
        const AudioSource a = project.audio(1);
        if (a.frq1 != a.frq2 || a.frq1 != a.vol1 || a.frq1 != a.vol2 || a.frq1 != a.time)
            ++r.tornTones;
        for (int ch = 1; ch <= 24; ++ch) {
            const ChannelRecord c = project.channelInfo(ch);
            if (c.ch != ch || c.freq < 87.0 || c.freq > 108.0 || (c.devi != 75 && c.devi != 50))
                ++r.badChannels;
        }
        const int band = project.band();
        const int attn = project.attn();
        if (band < 0 || band > 2 || attn < -31 || attn > 0)
            ++r.badBoard;
        project.audioMap();
        project.audioNames();
        project.channelStatus(3);
        project.songInfo(3);
        ++r.passes;
    }
}

// A board thread's writes: channel status and play information.
void writeStatus(FMSettings &project, const std::atomic<bool> &stop)
{
    int n = 0;
    while (!stop.load()) {
        ChannelStatus s;
        s.pcmFill = u16(n);
        project.setChannelStatus(1 + n % 24, s);
        SongInfo song;
        song.file = QStringLiteral("/song/%1.mp3").arg(n % 3);
        song.sampleRate = n % 2 ? 44100 : 48000;
        project.setPlayInfo(1 + n % 24, song);
        project.setSongInfo({song});
        ++n;
    }
}

} // namespace

class TestProjectThreads : public QObject
{
    Q_OBJECT

private slots:
    void boardThreadsReadWhileGuiWrites();
};

void TestProjectThreads::boardThreadsReadWhileGuiWrites()
{
    TempProject file(threadProject());
    FMSettings project(file.path());
    RecordingObserver observer("observer");
    project.registerKey("chinfo", &observer);
    project.registerKey("playlist.1", &observer);

    std::atomic<bool> stop{false};
    ReaderResult result;
    std::thread reader1([&] { readRecords(project, stop, result); });
    std::thread reader2([&] { readRecords(project, stop, result); });
    std::thread board([&] { writeStatus(project, stop); });

    // The GUI thread: playlists, tones, channel settings, band, reloads.
    for (int round = 1; round <= 150; ++round) {
        const QString gen = QStringLiteral("/gen/%1").arg(round);
        project.setPlaylistFiles(1, {gen, gen, gen, gen});
        project.insertPlaylistFiles(1, 0, {gen});
        project.setAudioTone(1, round, round, round, round, round);
        project.loadAudio(1); // the file holds the same tone values
        project.loadPlaylist(1);
        ChannelRecord c = project.channelInfo(1 + round % 24);
        c.devi = round % 2 ? 50 : 75;
        project.setChannelConfig(c.ch, c);
        project.setChannelFreq(c.ch, 88.0 + (round % 190) * 0.1, round % 5 != 0);
        int band = round % 3;
        int attn = -(round % 32);
        project.setBoard(band, attn);
        if (round % 10 == 0) {
            const int pl = project.addPlaylist();
            project.setPlaylistName(pl, QStringLiteral("P%1").arg(pl));
            project.removePlaylist(pl);
        }
    }
    // Let the readers overlap the writers for a few passes at least.
    QVERIFY(QTest::qWaitFor([&] { return result.passes.load() >= 20; }, 20000));
    stop = true;
    reader1.join();
    reader2.join();
    board.join();

    QCOMPARE(result.tornPlaylists.load(), 0);
    QCOMPARE(result.tornTones.load(), 0);
    QCOMPARE(result.badChannels.load(), 0);
    QCOMPARE(result.badBoard.load(), 0);
    QCOMPARE(project.playlistFiles(1).size(), 5);
    QCOMPARE(project.playlistFiles(1).first(), QStringLiteral("/gen/150"));
    QCOMPARE(project.audio(1).frq1, u16(150));
    QVERIFY(observer.flush());
    QVERIFY(observer.count() > 0);
    project.unregisterObserver(&observer);
}

QTEST_GUILESS_MAIN(TestProjectThreads)
#include "tst_projectthreads.moc"
