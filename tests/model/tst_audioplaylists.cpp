#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QDir>
#include <QTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

class TestAudioPlaylists : public QObject
{
    Q_OBJECT

private slots:
    void playlistLoadAndRewrite();
    void removePlaylist();
    void audioWriters();
    void reloadDropsEmptyGroups();
};

void TestAudioPlaylists::playlistLoadAndRewrite()
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

void TestAudioPlaylists::removePlaylist()
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

void TestAudioPlaylists::audioWriters()
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
void TestAudioPlaylists::reloadDropsEmptyGroups()
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

QTEST_GUILESS_MAIN(TestAudioPlaylists)
#include "tst_audioplaylists.moc"
