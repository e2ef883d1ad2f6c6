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

    void startStates()
    {
        // The hidden ODA tab, the free-standing search window, and the limits and
        // enabling the forms start with.
        auto *tabs = w<QTabWidget>("tabs");
        QCOMPARE(tabs->count(), 5);
        QWidget *oda = w("tabODA");
        QVERIFY(oda && !oda->isEnabled() && tabs->indexOf(oda) < 0 && oda->isAncestorOf(w("ODA")));
        QVERIFY(page->findChild<ECCSearch *>()->isWindow());
        // clang-format off
        const struct { const char *object, *property, *value; } table[] = {
            {"PI", "inputMask", ">HHHH"}, {"C_ECC", "maximum", "32767"}, {"D_PIN", "singleStep", "16"},
            {"zone", "minimum", "-31"}, {"zone", "text", "0 x 30 min"}, {"mins", "minimum", "-960"},
            {"psrepeat", "enabled", "false"}, {"date", "enabled", "false"}, {"CPS", "enabled", "false"},
            {"PS", "maxLength", "80"}, {"PTYN2", "maxLength", "42"}, {"RTD", "maxLength", "444"},
            {"endA", "maximum", "255"}, {"g0", "maximum", "685"}, {"itemTog", "tristate", "true"},
            {"AFmtab", "enabled", "false"}, {"pLog", "readOnly", "true"},
        };
        // clang-format on
        for (const auto &row : table)
            QVERIFY2(w<QObject>(row.object)->property(row.property).toString() ==
                         QString::fromUtf8(row.value),
                     qPrintable(QStringLiteral("%1.%2").arg(row.object, row.property)));
    }

    void enablingRules()
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
        for (bool on : {true, false}) {
            w<QAbstractButton>("AFman")->setChecked(on);
            for (const char *name : {"AFmtab", "BaddList", "BaddAF", "BdelAF"})
                QCOMPARE(w(name)->isEnabled(), on);
        }
        w<QGroupBox>("g3ert")->setChecked(false);
        QVERIFY(!w("eRTaid")->isEnabled() && !w("eRTL")->isEnabled());
        w<QAbstractButton>("AFauto")->setChecked(true);
        QVERIFY(w("AFatab")->isEnabled());
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

    void fillings()
    {
        QCOMPARE(w<QComboBox>("PTY")->count(), 32);
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

    void monitorKeepsLastLines()
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
        // clang-format off
        const struct { const char *object, *property, *value; } table[] = {
            {"Badd", "text", "Source"}, {"gCount", "title", "Packet counter"}, {"Btake", "text", "Take"},
            {"gError", "title", "Fehler Generator"}, {"s0", "text", "Stream0"}, // without English entries: German
        };
        // clang-format on
        for (const auto &row : table)
            QVERIFY2(en.findChild<QObject *>(QLatin1String(row.object))->property(row.property).toString() ==
                         QString::fromUtf8(row.value),
                     row.object);
        QCOMPARE(en.findChild<QTabWidget *>(QStringLiteral("tabs"))->tabText(4),
                 QStringLiteral("Packet Statistics"));
    }
};

QTEST_MAIN(TstTabRDS)
#include "tst_tabrds.moc"
