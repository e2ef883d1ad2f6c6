#include "ProjectFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class TestProjectFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(name); }
    QByteArray read(const char *name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("-");
    }
    bool save(const QByteArray &working, const char *source = "work.fm", const char *target = "t.fm")
    {
        QFile f(path("work.fm"));
        return f.open(QIODevice::WriteOnly) && f.write(working) && (f.close(), true) &&
               ProjectFiles::saveCopy(path(source), path(target));
    }

private slots:
    void names()
    {
        // name, is a project name, backup name
        const char *const rows[][3] = {{"/a/b.fm", "1", "/a/b.fbk"}, {"/a/b.fm.fm", "1", "/a/b.fm.fbk"},
                                       {"B.FM", "1", "B.fbk"},       {"/a.fm/b.fmx", "0", "/a.fm/b.fmx.fbk"},
                                       {".fm", "0", ".fbk"},         {"/u/.profile", "0", "/u/.profile.fbk"}};
        for (const auto &r : rows)
            QCOMPARE(ProjectFiles::backupName(r[0]) + (ProjectFiles::isProjectName(r[0]) ? " 1" : " 0"),
                     QString(r[2]) + ' ' + r[1]);
    }

    void saveCopy()
    {
        QVERIFY(save("first") && read("t.fbk") == "-" && save("second") && save("third"));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("thirdsecond"));
        // The working copy itself, under another spelling of its path, is refused.
        QVERIFY(!save("fourth", "work.fm", "./work.fm"));
        QCOMPARE(read("work.fm") + read("work.fbk"), QByteArray("fourth-"));
        // A failed copy puts the target back from its backup.
        QVERIFY(!save("fifth", "gone.fm"));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("third-"));
    }
};

QTEST_GUILESS_MAIN(TestProjectFiles)
#include "tst_projectfiles.moc"
