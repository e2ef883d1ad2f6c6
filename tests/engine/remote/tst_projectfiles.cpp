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
    void saveCopy()
    {
        QVERIFY(save("first") && read("t.fbk") == "-" && save("second") && save("third"));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("thirdsecond"));
        // The working copy itself, under another spelling of its path, is refused.
        QVERIFY(!save("fourth", "work.fm", "./work.fm"));
        QCOMPARE(read("work.fm") + read("work.fbk"), QByteArray("fourth-"));
        // A copy that fails (no source, a source that is no file) keeps the
        // target and its older backup, and leaves no side file.
        QVERIFY(!save("fifth", "gone.fm"));
        QVERIFY(!save("fifth", "."));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("thirdsecond"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"t.fbk", "t.fm", "work.fm"}));
    }

    void sideFilesAndRenames()
    {
        QFile mine(path("t.fm.part"));
        QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write("mine") && (mine.close(), true));
        QString first, second;
        QVERIFY(save("a") && ProjectFiles::copyToSide(path("work.fm"), path("t.fm"), &first) &&
                ProjectFiles::copyToSide(path("work.fm"), path("t.fm"), &second));
        QVERIFY(first != second && first.startsWith(path("t.fm.")) && first.endsWith(".part"));
        QCOMPARE(read("t.fm.part"), QByteArray("mine"));
        QString side;
        QVERIFY(!ProjectFiles::copyToSide(path("gone.fm"), path("t.fm"), &side) && side.isEmpty());

        // Over an existing file in one step; a failed rename leaves both.
        QVERIFY(ProjectFiles::renameOver(first, path("t.fm")));
        QCOMPARE(read("t.fm"), QByteArray("a"));
        QVERIFY(!ProjectFiles::renameOver(path("gone.fm"), path("t.fm")));
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        QVERIFY(!ProjectFiles::renameOver(second, path("sub")));
        QCOMPARE(read("t.fm"), QByteArray("a"));
        QCOMPARE(QFileInfo(second).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestProjectFiles)
#include "tst_projectfiles.moc"
