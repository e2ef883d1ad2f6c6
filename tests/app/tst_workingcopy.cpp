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
        QCOMPARE(WorkingCopy::path(data + "my_lab-2.ini"), data + "working-my_lab-2.fm");
        const QString hashed = "^" + QRegularExpression::escape(data) + "working-%1-[0-9a-f]{8}\\.fm$";
        const QString elsewhere = WorkingCopy::path("/etc/trovina/lab.ini");
        QVERIFY2(QRegularExpression(hashed.arg("lab")).match(elsewhere).hasMatch(), qPrintable(elsewhere));
        QVERIFY(WorkingCopy::path("/etc/other/lab.ini") != elsewhere);
        QCOMPARE(WorkingCopy::path("/etc/trovina/../trovina/lab.ini"), elsewhere);
        // Two inis never share a name: a letter replaced, a name without ".ini", or one that looks hashed.
        const QList<QPair<QString, QString>> pairs{{"läb.ini", "lüb.ini"},     {"my lab.ini", "my_lab.ini"},
                                                   {"lab.x.ini", "lab_x.ini"}, {"lab", "lab.ini"},
                                                   {"Lab Ü.x.ini", "Lab___x.ini"}, {"x-0123abcd.ini", "x.ini"}};
        for (const auto &pair : pairs) {
            const QString a = WorkingCopy::path(data + pair.first), b = WorkingCopy::path(data + pair.second);
            QVERIFY2(a != b && a != data + "working.fm", qPrintable(a));
        }
        QVERIFY2(QRegularExpression(hashed.arg("l_b")).match(WorkingCopy::path(data + "läb.ini")).hasMatch(),
                 qPrintable(WorkingCopy::path(data + "läb.ini")));
        QVERIFY(QRegularExpression(hashed.arg("x-0123abcd")).match(WorkingCopy::path(data + "x-0123abcd.ini")).hasMatch());
        // One ini by several paths has one name: links to it (a chain, a relative one), a link to its directory,
        // one to the default ini, and the names of an ini that does not exist yet.
        QVERIFY(QDir(dir.path()).mkpath("cfg") && QDir(dir.path()).mkpath("Pellrock/sub"));
        write(dir.path() + "/cfg/real.ini", "[Board]\n");
        QVERIFY(QFile::link("../../cfg/real.ini", data + "sub/one.ini") && QFile::link("sub/one.ini", data + "two.ini"));
        QVERIFY(QFile::link(dir.path() + "/cfg", data + "cfglink"));
        QVERIFY(QFile::link("../Trovina.ini", data + "sub/deflink.ini"));
        const QString real = WorkingCopy::path(dir.path() + "/cfg/real.ini");
        QVERIFY(QRegularExpression(hashed.arg("real")).match(real).hasMatch());
        for (const QString &alias : {data + "sub/one.ini", data + "two.ini", data + "cfglink/real.ini",
                                     data + "cfglink/../cfglink/real.ini"})
            QCOMPARE(WorkingCopy::path(alias), real);
        QCOMPARE(WorkingCopy::path(data + "sub/deflink.ini"), data + "working.fm");
        QCOMPARE(WorkingCopy::path(data + "cfglink/new.ini"), WorkingCopy::path(dir.path() + "/cfg/new.ini"));

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
