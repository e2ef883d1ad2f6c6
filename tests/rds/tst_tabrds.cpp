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
