#include "UserDataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestUserDataDir : public QObject
{
    Q_OBJECT

private:
    QByteArray savedAppData;
    QByteArray savedHome;
    bool hadAppData = false;

private slots:
    void initTestCase()
    {
        hadAppData = qEnvironmentVariableIsSet("APPDATA");
        savedAppData = qgetenv("APPDATA");
        savedHome = qgetenv("HOME");
    }

    void cleanup()
    {
        if (hadAppData)
            qputenv("APPDATA", savedAppData);
        else
            qunsetenv("APPDATA");
        qputenv("HOME", savedHome);
    }

    void appDataNamesExistingDirectory()
    {
        QTemporaryDir base;
        QVERIFY(base.isValid());
        qputenv("APPDATA", base.path().toUtf8() + "/");
        const QString dir = userDataDir();
        QCOMPARE(dir, QFileInfo(base.path()).absoluteFilePath() + QStringLiteral("/Pellrock/"));
        QVERIFY(QFileInfo(dir).isDir());
        // A second call gives the same path and leaves the directory as it is.
        QCOMPARE(userDataDir(), dir);
        QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Pellrock")});
    }

    void appDataUnsetOrEmptyFallsBackToHome_data()
    {
        QTest::addColumn<QByteArray>("appData");
        QTest::addColumn<bool>("set");
        QTest::newRow("unset") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("missing path") << QByteArray("/nonexistent/trovina/appdata") << true;
    }

    void appDataUnsetOrEmptyFallsBackToHome()
    {
        QFETCH(QByteArray, appData);
        QFETCH(bool, set);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        if (set)
            qputenv("APPDATA", appData);
        else
            qunsetenv("APPDATA");
        const QString dir = userDataDir();
        QCOMPARE(dir, QDir::homePath() + QStringLiteral("/Pellrock/"));
        QVERIFY(dir.startsWith(home.path()));
        QVERIFY(QFileInfo(dir).isDir());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/nonexistent/trovina")));
    }

    void uncreatableBaseStillYieldsPath()
    {
        QTemporaryDir base;
        QVERIFY(base.isValid());
        // A plain file where the directory would go: it cannot be made.
        QFile blocker(base.filePath(QStringLiteral("Pellrock")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("APPDATA", base.path().toUtf8());
        const QString dir = userDataDir();
        QCOMPARE(dir, QFileInfo(base.path()).absoluteFilePath() + QStringLiteral("/Pellrock/"));
        QVERIFY(!QFileInfo(dir).isDir());
    }
};

QTEST_GUILESS_MAIN(TestUserDataDir)
#include "tst_userdatadir.moc"
