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
};

QTEST_GUILESS_MAIN(TestRdsGroupsEncoder)
#include "tst_rdsgroupsencoder.moc"
