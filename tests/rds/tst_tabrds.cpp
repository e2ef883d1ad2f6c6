// The RDS page as built: its forms, start states, enabling rules, models and
// translations.
#include "ECCSearch.h"
#include "TabRDS.h"

#include <QTextCodec>
#include <QtTest>
#include <QtWidgets>

class TstTabRDS : public QObject
{
    Q_OBJECT

    TabRDS *page = nullptr;
    template <class T = QWidget> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }

private slots:
    void init() { page = new TabRDS; }
    void cleanup() { delete page; }

    void controls()
    {
        // Every control of the five forms under its object name and class: the names are what the page's
        // code and the key mapping find the controls by.
        // clang-format off
        const struct { const char *cls, *names; } table[] = {
            {"QTableWidget", "sources tags"},
            {"QPushButton", "Badd Bdel BaddLog BdelLog saveLog BRT BeRT BRTp BaddEON BdelEON addTag delTag BaddList BaddAF "
                            "BdelAF BaddODA BdelODA"},
            {"QTabWidget", "tabs"},
            {"QWidget", "tab0 tabAF tabRT tabODA tabLog tabInfo"},
            {"QGroupBox", "gLog gCount gBasic group01 group08 group03 group00 group15 group10 group14 TAburst group04 "
                          "gError gRT eRT g3ert g3rtp gRTplus AFused gStreams groups gODA"},
            {"QListView", "Log"},
            {"QPlainTextEdit", "LogView pLog plainA plainB plainC plainD"},
            {"QComboBox", "stat cbDecode PTY tmcSI LPScode Error RTgroup RTcode eRTgroup eRTcode pRTgroup"},
            {"QToolButton", "Brestart BECC hexrt hexer A0 B0 A1 B1 A2 B2 A3 B3 A4 B4 A5 B5 A6 B6 A7 B7 A8 B8 A9 B9 A10 "
                            "B10 A11 B11 A12 B12 A13 B13 A14 B14 A15 B15"},
            {"QCheckBox", "s0 s1 s2 s3 sNum sTime sRaw sGroup sTP sPTY sDI sCRC cbTP cbTA TP d3 d0 d2 TA d1 C_LA forceGAP "
                          "fill8 psscroll fill0 LPSBOM forceL fill15 fill14 setdate perGrp fixGrp fixPI fixCRC flagAB RTBOM "
                          "sendRT fill2 forceA forceB eRTBOM sendRTe fillERT forceC forceD eRTL eRTflag readID3 itemTog "
                          "itemRun AFauto AFman AFbytes cbRun1 cbRun2 cbRun3 cbDup1 cbDup2 cbDup3 on f0 f1 f2 f3"},
            {"QTableView", "pTable EON AFatab AFsend ODA"},
            {"QLabel", "lPTY lPS lPI lPTYN lLPS lDB lAF PIlabel lrate1 lPager lPIN lTMC PSlabel LPSlabel lrate10 "
                       "lzone utc lBER l0 l1 l2 l3"},
            {"QTextEdit", "tRT"},
            {"QRadioButton", "Music Speech AFA AFB"},
            {"QLineEdit", "PI PS LPS PTYN1 PTYN2 RTA RTB RTC RTD eRTaid eRTbits pRTaid pRTbits"},
            {"HexSpinBox", "C_ECC B_PAG D_PIN endL endA endB endC endD"},
            {"QSpinBox", "rate1 rate8 rate3 CPS psrepeat psrate rate0 CLPS rate15 rpty1 rpty2 rate10 rate14 burstn1 burstn3 "
                         "burstn2 burstn4 mins BER rateRT rpA rpB CtextA CtextB rateRTe rpC rpD CtextC CtextD rateRTp g0 g1 "
                         "g2 g3"},
            {"QDoubleSpinBox", "bursttime1 bursttime3 bursttime2 bursttime4 zone"},
            {"QDateEdit", "date"},
            {"AFTable", "AFmtab"},
        };
        // clang-format on
        for (const auto &row : table)
            for (const QString &name : QString::fromLatin1(row.names).split(QLatin1Char(' '))) {
                const QList<QWidget *> found = page->findChildren<QWidget *>(name);
                QVERIFY2(found.size() == 1 && QLatin1String(found.first()->metaObject()->className()) ==
                                                  QLatin1String(row.cls),
                         qPrintable(name));
            }
    }

    void startStates()
    {
        // The hidden ODA tab, the free-standing search window, and the limits and
        // enabling the forms start with.
        auto *tabs = w<QTabWidget>("tabs");
        QVERIFY(tabs->count() == 5 && tabs->widget(3) == w("tabLog")); // the log files at 3
        QWidget *oda = w("tabODA");
        QVERIFY(oda && !oda->isEnabled() && tabs->indexOf(oda) < 0 && oda->isAncestorOf(w("ODA")));
        QVERIFY(page->findChild<ECCSearch *>()->isWindow());
        // clang-format off
        const struct { const char *object, *property, *value; } table[] = {
            {"PI", "inputMask", ">HHHH"}, {"C_ECC", "maximum", "32767"}, {"D_PIN", "singleStep", "16"},
            {"zone", "minimum", "-31"}, {"zone", "maximum", "31"}, {"zone", "text", "0 x 30 min"},
            {"mins", "minimum", "-960"}, {"psrepeat", "enabled", "false"}, {"date", "enabled", "false"},
            {"CPS", "enabled", "false"}, {"PS", "maxLength", "80"}, {"PTYN2", "maxLength", "42"},
            {"RTD", "maxLength", "444"}, {"endA", "maximum", "255"}, {"g0", "maximum", "685"},
            {"itemTog", "tristate", "true"}, {"AFmtab", "enabled", "false"}, {"pLog", "readOnly", "true"},
            {"pLog", "maximumBlockCount", "46656"},
        };
        // clang-format on
        for (const auto &row : table)
            QVERIFY2(w<QObject>(row.object)->property(row.property).toString() ==
                         QString::fromUtf8(row.value),
                     qPrintable(QStringLiteral("%1.%2").arg(row.object, row.property)));
    }

    void enablingRules()
    {
        // clang-format off
        const struct { const char *box; bool on; const char *enabled, *disabled; } steps[] = {
            {"psscroll", true, "psrepeat psrate", ""}, {"psscroll", false, "", "psrepeat psrate"},
            {"setdate", true, "date", ""}, {"group00", true, "PS", "CPS"},
            {"AFman", true, "AFmtab BaddList BaddAF BdelAF", ""}, {"AFman", false, "", "AFmtab BaddList BaddAF BdelAF"},
            {"g3ert", false, "", "eRTaid eRTL"}, {"AFauto", true, "AFatab", ""}};
        // clang-format on
        for (const auto &s : steps) {
            w<QObject>(s.box)->setProperty("checked", s.on);
            for (const QByteArray &name :
                 QByteArray(s.enabled).split(' ') + QByteArray(s.disabled).split(' '))
                QVERIFY2(name.isEmpty() || w(name.constData())->isEnabled() ==
                                               QByteArray(s.enabled).split(' ').contains(name),
                         name);
        }
    }

    void typedInput()
    {
        auto *pi = w<QLineEdit>("PI");
        pi->clear();
        QTest::keyClicks(pi, "c1z9f");
        QCOMPARE(pi->text(), QStringLiteral("C19F"));
        w<QGroupBox>("group01")->setChecked(true);
        auto *ecc = w<QSpinBox>("C_ECC");
        ecc->selectAll();
        QTest::keyClicks(ecc, "abcd"); // 0xABCD would pass 0x7FFF
        QCOMPARE(ecc->value(), 0xABC);
        QCOMPARE(ecc->text(), QStringLiteral("ABC"));
    }

    void exclusiveTextButtons()
    {
        QSignalSpy clicked(w<QAbstractButton>("BRT"), &QAbstractButton::clicked);
        for (const char *name : {"BRT", "BeRT", "BRTp"}) {
            w<QAbstractButton>(name)->click();
            for (const char *other : {"BRT", "BeRT", "BRTp"})
                QCOMPARE(w<QAbstractButton>(other)->isChecked(), qstrcmp(name, other) == 0);
        }
        QCOMPARE(clicked.count(), 1);
    }

    void fillings()
    {
        QCOMPARE(w<QComboBox>("PTY")->count(), 32);
        // eRTcode: "UTF-8", then the other UTF names, then the rest, each sorted.
        auto *codes = w<QComboBox>("eRTcode");
        QStringList names;
        for (int i = 0; i < codes->count(); ++i)
            names << codes->itemText(i);
        const int utf = names.filter(QRegularExpression("^UTF")).size();
        QVERIFY(utf > 2 && names.first() == "UTF-8" && names.indexOf(QRegularExpression("(?!UTF).*")) == utf);
        QVERIFY(std::is_sorted(names.begin() + 1, names.begin() + utf));
        QVERIFY(std::is_sorted(names.begin() + utf, names.end()));
        const QList<QByteArray> platform = QTextCodec::availableCodecs();
        QCOMPARE(names.size(), QSet<QByteArray>(platform.begin(), platform.end()).size());
    }

    void encodeText()
    {
        bool ok = true;
        QVERIFY(TabRDS::encodeText(nullptr, QStringLiteral("abc"), &ok, false).isEmpty());
        QVERIFY(!ok);
        QCOMPARE(TabRDS::encodeText(QTextCodec::codecForName("UTF-8"), QStringLiteral("ä"), &ok, false),
                 QByteArray("\xC3\xA4"));
        QVERIFY(ok);
        TabRDS::encodeText(QTextCodec::codecForName("ISO-8859-1"), QStringLiteral("Ω"), &ok, false);
        QVERIFY(!ok);
    }

    void english()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/lang/trovina_en.qm")));
        QCoreApplication::installTranslator(&english);
        TabRDS en;
        QCoreApplication::removeTranslator(&english);
        QCOMPARE(en.findChild<QPushButton *>(QStringLiteral("Badd"))->text(), QStringLiteral("Source"));
        QCOMPARE(en.findChild<QGroupBox *>(QStringLiteral("gCount"))->title(),
                 QStringLiteral("Packet counter"));
        // Without an English entry: German.
        QCOMPARE(en.findChild<QGroupBox *>(QStringLiteral("gError"))->title(),
                 QStringLiteral("Fehler Generator"));
        QCOMPARE(en.findChild<QTabWidget *>(QStringLiteral("tabs"))->tabText(4),
                 QStringLiteral("Packet Statistics"));
    }
};

QTEST_MAIN(TstTabRDS)
#include "tst_tabrds.moc"
