#include "AppIni.h"
#include "ProjectFiles.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Project file handling and the application ini helpers, on files in a
// temporary directory.
class TestProjectFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void initTestCase() { qputenv("APPDATA", dir.path().toUtf8()); }

    void names()
    {
        QCOMPARE(ProjectFiles::backupName("/d/a.fm"), QString("/d/a.fbk"));
        QCOMPARE(ProjectFiles::backupName("/d/a.FM"), QString("/d/a.fbk"));
        QCOMPARE(ProjectFiles::backupName("/d.fm/a.fm.txt"), QString("/d.fm/a.fm.txt.fbk"));
        QVERIFY(ProjectFiles::isProjectName("/d/a.fm"));
        QVERIFY(!ProjectFiles::isProjectName("/d/.fm"));
        QVERIFY(!ProjectFiles::isProjectName("/home/u/.profile"));
        QVERIFY(!ProjectFiles::isProjectName("/d/a.fm/"));
    }

    void save()
    {
        const QString work = path("work.fm"), target = path("t.fm"), backup = path("t.fbk");
        write(work, "one");
        QVERIFY(ProjectFiles::save(work, target, work));
        QCOMPARE(read(target), QByteArray("one"));
        QVERIFY(!QFile::exists(backup));

        write(backup, "stale");
        write(work, "two");
        QVERIFY(ProjectFiles::save(work, target, work));
        QCOMPARE(read(target), QByteArray("two"));
        QCOMPARE(read(backup), QByteArray("one"));

        // Refused before anything moves: the working copy, other names, a missing source.
        QVERIFY(!ProjectFiles::save(work, work, work));
        QVERIFY(!ProjectFiles::save(work, path("./work.fm"), path("work.fm")));
        QVERIFY(!ProjectFiles::save(work, path("t.txt"), work));
        QVERIFY(!ProjectFiles::save(path("gone.fm"), target, work));
        QCOMPARE(read(work), QByteArray("two"));
        QCOMPARE(read(target), QByteArray("two"));
        QCOMPARE(read(backup), QByteArray("one"));
        QVERIFY(!QFile::exists(path("t.txt")));
        QVERIFY(!QFile::exists(target + ".part"));
    }

    void templateAndIni()
    {
        QSettings tpl(ProjectFiles::defaultTemplate(), QSettings::IniFormat);
        QCOMPARE(tpl.value("board/gmin").toString(), QString("1"));
        QCOMPARE(ProjectFiles::workingCopy(), dir.path() + "/Pellrock/working.fm");

        QCOMPARE(AppIni::path({"trovina"}), dir.path() + "/Pellrock/Trovina.ini");
        QCOMPARE(AppIni::path({"trovina", "-i", "lab.ini", "p.fm"}), dir.path() + "/Pellrock/lab.ini");
        QCOMPARE(AppIni::path({"trovina", "-i", "/etc/x.ini"}), QString("/etc/x.ini"));
        QCOMPARE(AppIni::project({"trovina", "-i", "lab.ini", "p.fm"}), QString("p.fm"));

        BoardIP ip;
        QVERIFY(AppIni::parseBoardAddress(" 127.0.0.1:21520 ", "00:50:C2:5B:01:02", &ip));
        QCOMPARE(ip.ip, 0x7F000001u);
        QCOMPARE(ip.port, u16(21520));
        QCOMPARE(ip.boxNumber(), 258);
        for (const char *bad : {"127.0.0.1", "127.0.0.1:0", "127.0.0.1:70000", "board:21520", "::1:5"})
            QVERIFY2(!AppIni::parseBoardAddress(bad, QString(), &ip), bad);
        QVERIFY(!AppIni::parseBoardAddress("127.0.0.1:5", "00:50", &ip));
    }
};

QTEST_GUILESS_MAIN(TestProjectFiles)
#include "tst_projectfiles.moc"
