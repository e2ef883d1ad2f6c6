#include "AppIni.h"
#include "WorkingCopy.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The working copy, the new-project template and the application ini helpers, on files in a
// temporary directory.
class TestWorkingCopy : public QObject
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

    void copies()
    {
        const QString work = path("work.fm"), source = path("p.fm");
        write(work, "old");
        write(source, "new");
        QString side;
        // An unreadable source leaves the target and no side file.
        QVERIFY(!WorkingCopy::copyToSide(path("gone.fm"), work, &side));
        QVERIFY(!WorkingCopy::copyToSide(dir.path(), work, &side));
        QCOMPARE(read(work), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList({"work.fm*"}, QDir::Files), QStringList{"work.fm"});

        // The side file is a new one beside the target, never "<target>.part".
        write(work + ".part", "someone else's");
        QFile::setPermissions(source, QFile::ReadOwner);
        QVERIFY(WorkingCopy::copyToSide(source, work, &side));
        QCOMPARE(QFileInfo(side).dir(), QFileInfo(work).dir());
        QVERIFY(side != work + ".part");
        QCOMPARE(read(work), QByteArray("old"));
        QVERIFY(WorkingCopy::replaceWith(side, work));
        QCOMPARE(read(work), QByteArray("new"));
        QVERIFY(QFile::permissions(work) & QFile::WriteOwner);
        QVERIFY(!QFile::exists(side));
        QCOMPARE(read(work + ".part"), QByteArray("someone else's"));

        // A replacement that fails leaves the working copy.
        QVERIFY(!WorkingCopy::replaceWith(side, work));
        QCOMPARE(read(work), QByteArray("new"));

        // A working copy that is a symbolic link stays one: the file it leads to is replaced.
        write(path("real.fm"), "old");
        QVERIFY(QFile::link("real.fm", path("link.fm")));
        QVERIFY(WorkingCopy::copyToSide(work, path("link.fm"), &side));
        QVERIFY(WorkingCopy::replaceWith(side, path("link.fm")));
        QCOMPARE(QFileInfo(path("link.fm")).symLinkTarget(), path("real.fm"));
        QCOMPARE(read(path("real.fm")), QByteArray("new"));
    }

    void templateAndIni()
    {
        QSettings tpl(WorkingCopy::defaultTemplate(), QSettings::IniFormat);
        QCOMPARE(tpl.value("board/gmin").toString(), QString("1"));
        // Every ini has a working copy of its own; the default one keeps "working.fm".
        const QString data = dir.path() + "/Pellrock/";
        QCOMPARE(WorkingCopy::path(AppIni::path({"trovina"})), data + "working.fm");
        QCOMPARE(WorkingCopy::path(data + "lab.ini"), data + "working-lab.fm");
        QCOMPARE(WorkingCopy::path(data + "Lab Ü.x.ini"), data + "working-Lab___x.fm");
        const QString elsewhere = WorkingCopy::path("/etc/trovina/lab.ini");
        QVERIFY2(QRegularExpression("^" + data + "working-lab-[0-9a-f]{8}\\.fm$").match(elsewhere).hasMatch(),
                 qPrintable(elsewhere));
        QVERIFY(WorkingCopy::path("/etc/other/lab.ini") != elsewhere);
        QCOMPARE(WorkingCopy::path("/etc/trovina/../trovina/lab.ini"), elsewhere);

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

QTEST_GUILESS_MAIN(TestWorkingCopy)
#include "tst_workingcopy.moc"
