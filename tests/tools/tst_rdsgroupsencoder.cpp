#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// rdsgroups --project: the encoder's groups of a project's RDS source as hex lines, with the clock time at
// the full minute.
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
        // 0A carries the automatic AF list of the channels whose sources share the PI (95.8 tuned, 101.1);
        // the EON entry naming channel 3 carries PI and PS of that channel's source.
        QCOMPARE(lines, (QStringList{"D311 054C E253 4549", "D311 E550 4452 D333", "D311 0549 88CD 4E53",
                                     "D311 E551 4549 D333", "D311 054A E253 2020", "D311 E552 2020 D333",
                                     "D311 054F 88CD 2020", "D311 E553 2020 D333"}));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
};

QTEST_GUILESS_MAIN(TestRdsGroupsEncoder)
#include "tst_rdsgroupsencoder.moc"
