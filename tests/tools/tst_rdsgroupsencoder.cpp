#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// rdsgroups --project: the encoder's groups of a project's RDS source as
// hex lines, with the clock time at the full minute.
class TestRdsGroupsEncoder : public QObject
{
    Q_OBJECT

    QString tool() const { return QStringLiteral(QT_TESTCASE_BUILDDIR "/tools/rdsgroups/rdsgroups"); }

    QStringList runTool(const QStringList &args, int *exitCode)
    {
        QProcess p;
        p.start(tool(), args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished(2000);
            *exitCode = -1;
            return {};
        }
        *exitCode = p.exitCode();
        return QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void printsTheEncodersGroups()
    {
        if (!QFile::exists(tool()))
            QSKIP("rdsgroups is not built");
        QTemporaryDir dir;
        const QString project = dir.filePath("p.fm");
        {
            QSettings ini(project, QSettings::IniFormat);
            ini.setValue("board/gmin", 1);
            ini.setValue("channel.7/freq", "95.8");
            ini.setValue("channel.7/idrds", 2);
            ini.setValue("rds.2/ps", "TEST");
            ini.setValue("rds.2/pi", "abcd");
            ini.setValue("rds.2/zone", 2);
            ini.setValue("rds.2/gmin/0", "1 60 0 0 0");
            ini.setValue("rds.2/gmin/4", "1 1 0 0 0");
        }
        int rc = 0;
        const QStringList args{"--project", project, "--source", "2", "--seconds", "0.3",
                               "--start", "2024-05-17T13:44:59.900Z"};
        // Four slots of 87.6 ms; the third starts in the new minute and carries
        // the clock time 13:45 UTC with the offset of one hour.
        QCOMPARE(runTool(args, &rc),
                 (QStringList{"ABCD 0D4C ABCD 5445", "ABCD 0D49 ABCD 5354", "ABCD 4541 D83E DB42",
                              "ABCD 0D4A ABCD 2020"}));
        QCOMPARE(rc, 0);
        // The channel names its source; with --rds2 the silent streams print
        // 13 zero bytes, whose checkwords are wrong.
        const QStringList all = runTool({"--project", project, "--channel", "7", "--seconds", "0.05",
                                         "--start", "2024-05-17T13:00:00Z", "--rds2"},
                                        &rc);
        QCOMPARE(all, (QStringList{"ABCD 0D4C ABCD 5445", "#S1 ---- ---- ---- ----", "#S2 ---- ---- ---- ----",
                                   "#S3 ---- ---- ---- ----"}));
        // A missing source and a bad start time fail with a message.
        QVERIFY(runTool({"--project", project, "--source", "9"}, &rc).isEmpty());
        QCOMPARE(rc, 1);
        runTool({"--project", project, "--source", "2", "--start", "yesterday"}, &rc);
        QCOMPARE(rc, 2);
        runTool({"--project", dir.filePath("none.fm"), "--source", "2"}, &rc);
        QCOMPARE(rc, 1);
    }

    void printsWhatTheProjectModelMakesOfTheSource()
    {
        if (!QFile::exists(tool()))
            QSKIP("rdsgroups is not built");
        QTemporaryDir dir;
        const QString project = dir.filePath("p.fm");
        {
            // No "board/gmin" mark: loading would mark the file.
            QFile f(project);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[channel.1]\nused=1\nfreq=95.8\nidrds=1\n\n"
                    "[channel.2]\nused=1\nfreq=101.1\nidrds=2\n\n"
                    "[channel.3]\nused=1\nfreq=99.0\nidrds=3\n\n"
                    "[rds.1]\npi=d311\nps=EINS\nafu=3\ngmin\\0=1 60 0 0 0\ngmin\\14=1 60 0 0 0\n"
                    "eon\\0=3 0 0 0 0 0\n\n"
                    "[rds.2]\npi=d311\nps=ZWEI\n\n"
                    "[rds.3]\npi=d333\nps=DREI\n");
        }
        QFile f(project);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();

        int rc = 0;
        const QStringList lines = runTool({"--project", project, "--channel", "1", "--seconds", "0.7", "--start",
                                           "2024-05-17T13:00:00Z"},
                                          &rc);
        QCOMPARE(rc, 0);
        // 0A carries the automatic AF list of the channels whose sources share
        // the PI (95.8 tuned, 101.1); the EON entry naming channel 3 carries
        // PI and PS of that channel's source.
        QCOMPARE(lines, (QStringList{"D311 054C E253 4549", "D311 E550 4452 D333", "D311 0549 88CD 4E53",
                                     "D311 E551 4549 D333", "D311 054A E253 2020", "D311 E552 2020 D333",
                                     "D311 054F 88CD 2020", "D311 E553 2020 D333"}));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
};

QTEST_GUILESS_MAIN(TestRdsGroupsEncoder)
#include "tst_rdsgroupsencoder.moc"
