// The RDS page as built: its forms, start states, enabling rules, models and
// translations.
#include "ECCSearch.h"
#include "TabRDS.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextCodec>
#include <QTranslator>

class TstTabRDS : public QObject
{
    Q_OBJECT

    TabRDS *page = nullptr;
    template <class T = QWidget> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }

private slots:
    void init() { page = new TabRDS; }
    void cleanup() { delete page; }
    void controls();
    void tabsAfterConstruction();
    void startStates();
    void enablingRules();
    void typedInput();
    void exclusiveTextButtons();
    void fillings();
    void monitorKeepsLastLines();
    void encodeText();
    void english();
    void icons();
};

void TstTabRDS::controls()
{
    // Every control of the five forms under its object name and class.
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
        {"QFrame", "decodeInfo line_8 line_7 line_10 line_6 line_11 line_4 line_5 lineErr rates line_1"},
        {"QLabel", "lPTY lPS lPI lPTYN lLPS lDB lAF PIlabel lrate1 lPager lPIN lTMC PSlabel LPSlabel lrate10 label_11 "
                   "label_7 lzone label_12 utc lBER label_8 label_10 label_5 label_2 l0 l1 l2 l3"},
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
    for (const auto &row : table) {
        for (const QString &name : QString::fromLatin1(row.names).split(QLatin1Char(' '))) {
            const QList<QWidget *> found = page->findChildren<QWidget *>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()),
                     QString::fromLatin1(row.cls));
        }
    }
}

void TstTabRDS::tabsAfterConstruction()
{
    auto *tabs = w<QTabWidget>("tabs");
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    QCOMPARE(texts, QStringList({"Grundeinstellungen", "Alternative Frequenzen", "RadioText", "Log Dateien",
                                 "Paket Statistik"}));
    QCOMPARE(tabs->widget(3), w("tabLog"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(page->objectName(), QStringLiteral("TabRDSUI"));
    QCOMPARE(w("tab0")->objectName(), QStringLiteral("tab0")); // the forms keep their pages' names
    QWidget *oda = w("tabODA");
    QVERIFY(oda && !oda->isEnabled() && tabs->indexOf(oda) < 0);
    QVERIFY(oda->isAncestorOf(w("ODA")) && oda->isAncestorOf(w("cbDup3")));
    w<QAbstractButton>("cbRun2")->setChecked(true); // keeps what the page writes
    QVERIFY(w<QAbstractButton>("cbRun2")->isChecked());
    QVERIFY(page->findChild<ECCSearch *>()->isWindow());
}

void TstTabRDS::startStates()
{
    // clang-format off
    const struct { const char *object, *property, *value; } table[] = {
        {"PI", "text", "CAFE"}, {"PI", "inputMask", ">HHHH"}, {"C_ECC", "text", "E0"}, {"C_ECC", "maximum", "32767"},
        {"D_PIN", "singleStep", "16"}, {"endL", "text", "0"}, {"Music", "checked", "true"},
        {"zone", "minimum", "-31"}, {"zone", "maximum", "31"}, {"zone", "text", "0 x 30 min"},
        {"mins", "minimum", "-960"}, {"rpty1", "minimum", "1"}, {"rpty2", "minimum", "0"},
        {"psrepeat", "enabled", "false"}, {"psrate", "enabled", "false"}, {"date", "enabled", "false"},
        {"date", "date", "2017-01-31"}, {"date", "specialValueText", "heute"}, {"CPS", "enabled", "false"},
        {"rate8", "singleStep", "10"}, {"rate0", "value", "180"}, {"BER", "value", "10"},
        {"group00", "checked", "false"}, {"gError", "checked", "false"}, {"gBasic", "checkable", "false"},
        {"group00", "title", "Gruppe 0: PS Program Service Name && AF Alternative Frequenzen"},
        {"PS", "maxLength", "80"}, {"PTYN2", "maxLength", "42"}, {"RTA", "maxLength", "333"},
        {"RTD", "maxLength", "444"}, {"rpA", "value", "4"}, {"rpB", "minimum", "0"}, {"endA", "maximum", "255"},
        {"eRTbits", "text", "0000"}, {"pRTbits", "text", ""}, {"eRTaid", "text", "6552"}, {"pRTaid", "text", "4BD7"},
        {"itemTog", "tristate", "true"}, {"readID3", "checked", "true"}, {"flagAB", "checked", "true"},
        {"CtextA", "enabled", "false"}, {"g3ert", "checked", "true"}, {"g0", "maximum", "685"},
        {"g0", "enabled", "false"}, {"cbDup1", "checked", "true"}, {"cbRun1", "checked", "false"},
        {"A3", "checked", "false"}, {"AFused", "checked", "true"}, {"AFA", "checked", "true"},
        {"AFmtab", "enabled", "false"}, {"gLog", "checked", "true"}, {"s3", "checked", "true"},
        {"sNum", "checked", "false"}, {"sRaw", "checked", "false"}, {"BRT", "checked", "true"},
        {"cbDecode", "currentText", "E.1 (Standard)"}, {"stat", "count", "0"}, {"pLog", "readOnly", "true"},
        {"f0", "toolTip", "mit freien Gruppen auffüllen\nes dürfen mehr Gruppen pro Minute gesendet werden"},
        {"d0", "toolTip", "im Standard 2018 entfernt"},
    };
    // clang-format on
    for (const auto &row : table)
        QVERIFY2(w<QObject>(row.object)->property(row.property).toString() == QString::fromUtf8(row.value),
                 qPrintable(QStringLiteral("%1.%2").arg(row.object, row.property)));
    // Withdrawn features in dark red, grey when disabled.
    for (const char *name : {"d0", "d1", "d2", "Music", "Speech", "lPager", "lPIN"}) {
        const QPalette p = w(name)->palette();
        QCOMPARE(p.color(QPalette::Active, QPalette::WindowText), QColor(150, 0, 0));
        QCOMPARE(p.color(QPalette::Disabled, QPalette::WindowText), QColor(120, 120, 120));
    }
}

void TstTabRDS::enablingRules()
{
    auto *scroll = w<QAbstractButton>("psscroll");
    scroll->setChecked(true);
    QVERIFY(w("psrepeat")->isEnabled() && w("psrate")->isEnabled());
    scroll->setChecked(false);
    QVERIFY(!w("psrepeat")->isEnabled() && !w("psrate")->isEnabled());
    w<QAbstractButton>("setdate")->setChecked(true);
    QVERIFY(w("date")->isEnabled());
    w<QGroupBox>("group00")->setChecked(true);
    QVERIFY(w("PS")->isEnabled() && !w("CPS")->isEnabled());
    w<QAbstractButton>("AFman")->setChecked(true);
    for (const char *name : {"AFmtab", "BaddList", "BaddAF", "BdelAF"})
        QVERIFY(w(name)->isEnabled());
    w<QAbstractButton>("AFman")->setChecked(false);
    for (const char *name : {"AFmtab", "BaddList", "BaddAF", "BdelAF"})
        QVERIFY(!w(name)->isEnabled());
    w<QGroupBox>("g3ert")->setChecked(false);
    QVERIFY(!w("eRTaid")->isEnabled() && !w("eRTL")->isEnabled());
    w<QAbstractButton>("AFauto")->setChecked(true);
    QVERIFY(w("AFatab")->isEnabled());
}

void TstTabRDS::typedInput()
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

void TstTabRDS::exclusiveTextButtons()
{
    auto *rt = w<QAbstractButton>("BRT"), *ert = w<QAbstractButton>("BeRT"),
         *plus = w<QAbstractButton>("BRTp");
    QSignalSpy clicked(rt, &QAbstractButton::clicked);
    rt->click();
    QVERIFY(rt->isChecked());
    QCOMPARE(clicked.count(), 1);
    ert->click();
    QVERIFY(ert->isChecked() && !rt->isChecked() && !plus->isChecked());
    plus->click();
    QVERIFY(plus->isChecked() && !ert->isChecked());
}

void TstTabRDS::fillings()
{
    auto *pty = w<QComboBox>("PTY");
    QCOMPARE(pty->count(), 32);
    QCOMPARE(pty->itemText(1), QStringLiteral("1 Nachrichten"));
    QCOMPARE(pty->itemText(31), QStringLiteral("31 Alarm"));
    // eRTcode: "UTF-8", then the other UTF names, then the rest, each sorted.
    auto *codes = w<QComboBox>("eRTcode");
    QStringList names;
    for (int i = 0; i < codes->count(); ++i)
        names << codes->itemText(i);
    QCOMPARE(names.first(), QStringLiteral("UTF-8"));
    int firstOther = 1;
    while (firstOther < names.size() && names.at(firstOther).startsWith(QLatin1String("UTF")))
        ++firstOther;
    QVERIFY(firstOther > 2);
    for (int i = firstOther; i < names.size(); ++i)
        QVERIFY(!names.at(i).startsWith(QLatin1String("UTF")));
    QVERIFY(std::is_sorted(names.begin() + 1, names.begin() + firstOther));
    QVERIFY(std::is_sorted(names.begin() + firstOther, names.end()));
    QSet<QString> platform;
    for (const QByteArray &n : QTextCodec::availableCodecs())
        platform << QString::fromLatin1(n);
    QCOMPARE(names.size(), platform.size());
}

void TstTabRDS::monitorKeepsLastLines()
{
    auto *log = w<QPlainTextEdit>("pLog");
    QStringList lines;
    for (int i = 0; i < 46660; ++i)
        lines << QString::number(i);
    log->setPlainText(lines.join(QLatin1Char('\n')));
    log->appendPlainText(QStringLiteral("last"));
    QCOMPARE(log->document()->blockCount(), 46656);
    QCOMPARE(log->document()->firstBlock().text(), QStringLiteral("5"));
    QCOMPARE(log->document()->lastBlock().text(), QStringLiteral("last"));
}

void TstTabRDS::encodeText()
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

void TstTabRDS::english()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/lang/trovina_en.qm")));
    QCoreApplication::installTranslator(&english);
    TabRDS en;
    QCoreApplication::removeTranslator(&english);
    // clang-format off
    const struct { const char *object, *property, *value; } table[] = {
        {"Badd", "text", "Source"}, {"gCount", "title", "Packet counter"}, {"gLog", "toolTip",
        "play RDS from files\nall other settings have no effect"}, {"g3ert", "title", "Group 3A enhanced RadioText"},
        {"sendRT", "text", "send"}, {"Btake", "text", "Take"}, {"rpB", "toolTip", "send text B n times"}, {"eRT", "title", "enhanced RadioText"},
        // without English entries: German
        {"label_2", "text", "Bits:"}, {"gError", "title", "Fehler Generator"}, {"AFauto", "text", "Kanal-Automatik"},
        {"gODA", "title", "beliebige Daten senden (ODA):"}, {"rpA", "suffix", " x A"}, {"s0", "text", "Stream0"},
    };
    // clang-format on
    for (const auto &row : table)
        QVERIFY2(en.findChild<QObject *>(QLatin1String(row.object))->property(row.property).toString() ==
                     QString::fromUtf8(row.value),
                 row.object);
    auto *tabs = en.findChild<QTabWidget *>(QStringLiteral("tabs"));
    QCOMPARE(tabs->tabText(3), QStringLiteral("Log Files"));
    QCOMPARE(tabs->tabText(4), QStringLiteral("Packet Statistics"));
}

void TstTabRDS::icons()
{
    for (const char *name : {"add", "delete", "find", "refresh-16", "save"})
        QVERIFY2(!QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))).pixmap(16).isNull(), name);
}

QTEST_MAIN(TstTabRDS)
#include "tst_tabrds.moc"
