#include "TmcCatalog.h"
#include "TmcTestLists.h"

#include <QtTest>

// Loads the test lists once for the whole process, as the program does.
class TestTmcCatalog : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(testsupport::writeTmcTestLists(dir.path()));
        QTest::ignoreMessage(QtDebugMsg, "TMC: skip 7 [1234567;too long]");
        QTest::ignoreMessage(QtDebugMsg, "TMC: skip 5 [70000;too big]");
        QVERIFY(tmcLoadCatalogues(dir.path()));
        QVERIFY(!tmcLoadCatalogues(QStringLiteral("/nonexistent"))); // a second load changes nothing
    }

    void events()
    {
        // line nature q type dir urgency class | english | references
        const QList<QPair<int, QString>> cases = {
            {101, "1 0 0 D 1 0 1|queue|R1"}, {102, "2 S 255 0 2 X 1|closed|"}, // CRLF; blank fields empty
            {104, "4 F 5 l 2 U 2|fog|"}, {106, "20 F 7 L 0 0 3|new|fc"}, {108, "9 0 12 D 0 0 5|last|end"}};
        const auto ch = [](u8 c) { return c ? QString(QLatin1Char(char(c))) : QStringLiteral("0"); };
        for (const auto &c : cases) {
            QVERIFY(tmcEventMap.contains(c.first));
            const TMCEvent e = tmcEventEntry(u16(c.first));
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7|%8|%9")
                         .arg(e.line).arg(ch(e.nature)).arg(e.quantifier).arg(ch(e.durationType))
                         .arg(e.directionality).arg(ch(e.urgency)).arg(e.eventClass)
                         .arg(QString::fromUtf8(e.english), QString::fromUtf8(e.references)),
                     c.second);
        }
    }

    void skippedLines()
    {
        // Heading, short line and a code beyond 11 bits (never cut to 101).
        QCOMPARE(tmcEventMap.keys(), (QList<int>{101, 102, 103, 104, 106, 107, 108}));
        QCOMPARE(tmcEventEntry(107).german, QString::fromUtf8("Glätte").toUtf8());
        QCOMPARE(tmcLocationMap.keys(), (QList<int>{12, 13, 99, 64835, 65533}));
        QCOMPARE(tmcLocationHeaders.size(), 12);
    }

    void cancelEvent()
    {
        const QList<QPair<int, int>> cases = {{101, 103}, {102, 103}, {103, 103}, {104, 128},
                                              {107, 128}, {999, 128}, {0, 128}};
        for (const auto &c : cases)
            QCOMPARE(int(tmcCancelEvent(u16(c.first))), c.second);
    }

    void eventTexts()
    {
        QCOMPARE(tmcEventText(101), QStringLiteral("Stau\nqueue\nZeile: 1 / C: 1 / Q: 0 (5-bits)\nReferenz: R1\n"
                                                   "Aufheben: 103"));
        QCOMPARE(tmcEventText(999), QStringLiteral("Code nicht gefunden"));
    }

    void durationAndQuantifier()
    {
        // clang-format off
        const struct { bool duration; int code, value; const char *text; } cases[] = {
            {true, 101, 9, "für min. 15 Minuten"}, {true, 104, 3, "Morgen"}, {true, 106, 7, "nächste Woche"},
            {true, 999, 1, ""}, {false, 104, 25, "30 hours"}, {false, 106, 0, "23:50"}, {false, 108, 16, "531 kHz"},
            {false, 102, 3, ""}};
        // clang-format on
        for (const auto &c : cases)
            QCOMPARE(c.duration ? tmcDurationText(u16(c.code), u8(c.value)) : tmcQuantifierText(u16(c.code), u8(c.value)),
                     QString::fromUtf8(c.text));
    }

    void suppInfoFollowsLanguage()
    {
        QCOMPARE(tmcSuppInfoText(55), QStringLiteral("schwer"));
        QCOMPARE(tmcSuppInfoText(56), QStringLiteral("nur4"));
        uiLanguageIndex = 0;
        QCOMPARE(tmcSuppInfoText(55), QStringLiteral("heavy"));
        uiLanguageIndex = 1;
        QCOMPARE(tmcSuppInfoText(57), QString());
    }

    void locationTexts()
    {
        const QList<QPair<int, QString>> cases = {{12, "e f\nc d a b\nLoc: 12\nRef: g h\n\nX Y Z"}, {13, "\n"},
                                                  {64835, "Interroad CC=5 LTN=3"}, {4464, "Code nicht gefunden"}};
        for (const auto &c : cases)
            QCOMPARE(tmcLocationText(u16(c.first)), c.second);
    }
};

QTEST_GUILESS_MAIN(TestTmcCatalog)
#include "tst_tmccatalog.moc"
