#include "ProjectFiles.h"

#include <QFile>
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
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    void write(const char *name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("project");
        QTest::addColumn<QString>("backup");
        QTest::newRow("fm") << "/a/b.fm" << true << "/a/b.fbk";
        QTest::newRow("only the last") << "/a/b.fm.fm" << true << "/a/b.fm.fbk";
        QTest::newRow("case") << "B.FM" << true << "B.fbk";
        QTest::newRow("inside") << "/a.fm/b.fmx" << false << "/a.fm/b.fmx.fbk";
        QTest::newRow("bare suffix") << ".fm" << false << ".fbk";
        QTest::newRow("profile") << "/home/u/.profile" << false << "/home/u/.profile.fbk";
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(bool, project);
        QFETCH(QString, backup);
        QCOMPARE(ProjectFiles::isProjectName(name), project);
        QCOMPARE(ProjectFiles::backupName(name), backup);
    }

    void saveCopy()
    {
        write("work.fm", "first");
        QVERIFY(ProjectFiles::saveCopy(path("work.fm"), path("t.fm")));
        QCOMPARE(read("t.fbk"), QByteArray("<none>"));
        write("work.fm", "second");
        QVERIFY(ProjectFiles::saveCopy(path("work.fm"), path("t.fm")));
        write("work.fm", "third");
        QVERIFY(ProjectFiles::saveCopy(path("work.fm"), path("t.fm")));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("thirdsecond"));
        // The working copy itself is refused through another spelling of its path.
        QVERIFY(!ProjectFiles::saveCopy(path("work.fm"), dir.path() + "/./work.fm"));
        QCOMPARE(read("work.fm") + read("work.fbk"), QByteArray("third<none>"));
        // A failed copy puts the target back from its backup.
        QVERIFY(!ProjectFiles::saveCopy(path("gone.fm"), path("t.fm")));
        QCOMPARE(read("t.fm") + read("t.fbk"), QByteArray("third<none>"));
    }
};

QTEST_GUILESS_MAIN(TestProjectFiles)
#include "tst_projectfiles.moc"
