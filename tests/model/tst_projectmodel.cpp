#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

class TestProjectModel : public QObject
{
    Q_OBJECT

private slots:
    void loadHandWrittenFile();
    void gminMarkAndBoardCorrectionsAreNotChanges();
    void caseFoldingKeepsExistingKeys();
    void audioIdAllocation();
    void idAfterTheLargestIdDoesNotWrap();
    void boardCountRebuildsDistances();
};

void TestProjectModel::loadHandWrittenFile()
{
    TempProject file("[Audio.3]\nType=2\nfile=/music/a.mp3\n"
                     "[audio.0]\ntype=1\n[audio.x]\ntype=1\n[rds.x]\nname=bad\n[tmc]\nname=bad\n"
                     "[audio.2]\ntype=2\n"
                     "[audio.7]\nused=false\nname=Seven\nfrq1=70000\nvol1=-5\n"
                     "[PlayList.4]\nname=Mix\n0=/m/a.mp3\n2=/m/c.mp3\nx=/m/x.mp3\n"
                     "[playlist.5]\n0=/m/only.mp3\n"
                     "[events.1]\n0=100 channel.1.used 1\n"
                     "[board]\ngmin=1\nband=0\nattn=0\n");
    FMSettings project(file.path());
    QCOMPARE(project.audioMap().keys(), (QList<int>{2, 3, 7}));

    // Odd case of group and key names.
    const AudioSource three = project.audio(3);
    QCOMPARE(three.type, u32(2));
    QCOMPARE(three.file, QStringLiteral("/music/a.mp3"));

    // Values beyond a 16-bit field are held to it, not wrapped.
    const AudioSource seven = project.audio(7);
    QCOMPARE(seven.frq1, u16(65535));
    QCOMPARE(seven.vol1, u16(0));

    QCOMPARE(project.playlistFiles(4), (QStringList{"/m/a.mp3", "/m/c.mp3"}));

    // The odd-case groups now have the lower-case names every key uses;
    // stray groups stay in the file untouched.
    const QStringList groups = file.fileGroups(project);
    for (const char *g : {"audio.3", "playlist.4", "rds.x", "audio.0"})
        QVERIFY2(groups.contains(g), g);
    QVERIFY(!groups.contains("Audio.3"));
    QVERIFY(!groups.contains("PlayList.4"));
    QVERIFY(!project.dirty);
}

void TestProjectModel::gminMarkAndBoardCorrectionsAreNotChanges()
{
    // {file, band, attn, channel.freq range}
    const char *const cases[][4] = {{"[channel.1]\nused=1\n", "0", "0", "87.5..108"},
                                    {"[board]\ngmin=1\nband=5\nattn=-40\n", "2", "-31", "76..108"},
                                    {"[board]\ngmin=1\nband=1\nattn=-3\n", "1", "-3", "76..95"}};
    for (const auto &c : cases) {
        TempProject file(c[0]);
        FMSettings project(file.path());
        QCOMPARE(file.fileValue(project, "board/gmin").toInt(), 1);
        QCOMPARE(QString::number(project.band()), QString(c[1]));
        QCOMPARE(QString::number(project.attn()), QString(c[2]));
        QCOMPARE(FMSettings::describeKey("channel.1.freq"),
                 QStringLiteral("channel transmission frequency [%1] MHz (double)").arg(c[3]));
        if (QByteArray(c[0]).contains("band=5")) {
            QCOMPARE(file.fileValue(project, "board/band").toInt(), 2);
            QCOMPARE(file.fileValue(project, "board/attn").toInt(), -31);
        }
        if (QByteArray(c[0]).contains("band=1")) // nothing needed correcting
            QCOMPARE(file.read(), QByteArray(c[0]));
        QVERIFY(!project.dirty);
    }
}

void TestProjectModel::caseFoldingKeepsExistingKeys()
{
    TempProject file("[board]\ngmin=1\n"
                     "[Audio.1]\nName=Upper\nType=1\n"
                     "[audio.1]\nname=Lower\n"
                     "[RDS.2]\nName=Upper\nEON\\0\\PS=NEWS\n"
                     "[Tmc.3]\nName=Traffic\n");
    FMSettings project(file.path());
    // The key written in lower case wins; the others move over.
    QCOMPARE(project.audio(1).name, QStringLiteral("Lower"));
    QCOMPARE(project.value("rds.2/eon/0/ps").toString(), QStringLiteral("NEWS"));
    // Records of sources named in another case load under their folded name.
    QCOMPARE(project.rds(2).name, QStringLiteral("Upper"));
    QCOMPARE(project.tmc(3).name, QStringLiteral("Traffic"));
    const QStringList groups = file.fileGroups(project);
    QCOMPARE(groups.count(QStringLiteral("audio.1")), 1);
    QVERIFY(!groups.contains("Audio.1"));
    QVERIFY(!groups.contains("RDS.2"));
    QVERIFY(!project.dirty);
}

void TestProjectModel::audioIdAllocation()
{
    TempProject empty;
    FMSettings project(empty.path());
    KeyWatch all(project, "*");

    QCOMPARE(project.addAudio(QString()).name, QStringLiteral("Audio-1"));
    QVERIFY(project.dirty);
    QCOMPARE(all.take(), (QStringList{"audio.1/name=Audio-1", "audio.1/used=1"}));
    project.addAudio(QString());
    QCOMPARE(project.addAudio("/x/c.mp3").type, u32(2));

    // A given-up source is reused with its old name; the next new one
    // follows the highest id.
    project.setAudioName(2, "Morning");
    project.setAudioUsed(2);
    QCOMPARE(empty.fileValue(project, "audio.2/used").toString(), QStringLiteral("0"));
    QCOMPARE(project.audioNames(), (QMap<int, QString>{{0, "<kein>"}, {1, "Audio-1"}, {3, "Audio-3"}}));
    const AudioSource reused = project.addAudio("/x/b.mp3");
    QCOMPARE(reused.name, QStringLiteral("Morning"));
    QCOMPARE(empty.fileValue(project, "audio.2/used").toString(), QStringLiteral("1"));
    QCOMPARE(project.addAudio(QString()).name, QStringLiteral("Audio-4"));

    // Gaps in the loaded ids: the next id follows the highest one.
    TempProject gaps("[audio.1]\ntype=0\n[audio.5]\ntype=1\n");
    FMSettings gapped(gaps.path());
    QCOMPARE(gapped.addAudio(QString()).name, QStringLiteral("Audio-6"));
    QVERIFY(gapped.audioMap().contains(6));
}

void TestProjectModel::idAfterTheLargestIdDoesNotWrap()
{
    // A hand-edited file holding the largest id an int can hold: the next
    // source takes the smallest free id instead of a negative one.
    TempProject file("[board]\ngmin=1\n[audio.1]\nname=One\n[audio.2147483647]\nname=Last\n");
    FMSettings project(file.path());
    QCOMPARE(project.addAudio(QString()).name, QStringLiteral("Audio-2"));
    QCOMPARE(project.audioMap().keys(), (QList<int>{1, 2, 2147483647}));
    QVERIFY(!file.fileGroups(project).contains("audio.-2147483648"));
}

void TestProjectModel::boardCountRebuildsDistances()
{
    TempProject file("[board]\ngmin=1\n[channel.1]\nused=1\nfreq=95.800\n"
                     "[channel.30]\nused=1\nfreq=96.000\n[channel.31]\nused=0\nfreq=96.100\n");
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo");

    QCOMPARE(project.boardCount(), 1);
    project.setBoardCount(1); // unchanged: nothing happens
    QCOMPARE(dist.take(), QStringList());
    project.setBoardCount(2);
    QCOMPARE(project.boardCount(), 2);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.200", "chinfo.30/dist=0.200"}));
    // Back to one board: channel 30 no longer counts.
    project.setBoardCount(1);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=100.000"}));

    // Held to the four boards a generator can have.
    project.setBoardCount(9);
    QCOMPARE(project.boardCount(), 4);
    project.setBoardCount(-1);
    QCOMPARE(project.boardCount(), 1);
}

QTEST_GUILESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"
