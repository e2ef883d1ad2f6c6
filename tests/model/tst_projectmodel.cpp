#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QRegularExpression>
#include <QTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

class TestProjectModel : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"
