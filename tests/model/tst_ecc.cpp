#include "ECC.h"

#include <QtTest>

class TestEcc : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { langGerman = true; }

    void lookups()
    {
        struct Case
        {
            char digit;
            u16 code;
            const char *german; // UTF-8
            const char *english;
        };
        const Case cases[] = {
            {'D', 0xE0, "Deutschland", "Germany"},
            {'1', 0xE0, "Deutschland", "Germany"},
            // Several rows in table order; Brazil's "3BCD" shares C with Bermuda.
            {'9', 0xE1, "Dänemark\nFäröer", "Denmark\nFaroe (Denmark)"},
            {'8', 0xE4, "Azoren\nMadeira (Portugal)\nPortugal", nullptr},
            {'1', 0xA0, "Puerto Rico\nUSA\nAmerikanische Jungferninseln",
             "Puerto Rico\nUnited States of America\nVirgin Islands (USA)"},
            {'C', 0xA2, "Bermuda\nBrasilien", "Bermuda\nBrazil"},
            // The English name serves where there is no German one.
            {'3', 0xE0, "Andorra", "Andorra"},
            {'F', 0xA5, "Mexiko\nBritische Jungferninseln", "Mexico\nBritische Jungferninseln"},
            {'8', 0xD2, "Niger", nullptr},
            // Not found.
            {'d', 0xE0, "", nullptr},
            {'D', 0, "", nullptr},
            {'D', 0x1E0, "", nullptr},
            {'0', 0xE0, nullptr, ""},
            {'\0', 0xE0, nullptr, ""},
        };
        for (const Case &c : cases) {
            const QString id = QStringLiteral("%1 %2: ").arg(QLatin1Char(c.digit)).arg(c.code, 0, 16);
            for (const bool german : {true, false}) {
                const char *want = german ? c.german : c.english;
                if (!want)
                    continue;
                langGerman = german;
                QCOMPARE(id + countryNames(c.digit, c.code), id + QString::fromUtf8(want));
            }
        }
    }

    void tableShape()
    {
        const QList<ECC> &list = countryList();
        QCOMPARE(list.size(), 231);
        QCOMPARE(list.first().nameEN, QStringLiteral("Andorra"));
        QCOMPARE(list.last().nameDE, QStringLiteral("Simbabwe"));
        // Rows that are out of alphabetical order stay where the table puts them.
        const std::pair<int, const char *> rows[] = {{0, "AD"},   {41, "CF"},  {42, "CD"}, {145, "MU"},
                                                     {146, "MS"}, {192, "SV"}, {193, "SN"}, {230, "ZW"}};
        for (const auto &r : rows)
            QCOMPARE(list.at(r.first).iso, QByteArray(r.second));
        // Multi-area masks and non-ASCII names survive as written.
        const ECC &egypt = list.at(66);
        QCOMPARE(egypt.iso, QByteArray("EG"));
        QCOMPARE(egypt.area, u8(ECC::Africa | ECC::NearEast));
        QCOMPARE(egypt.nameDE, QString::fromUtf8("Ägypten"));
        QCOMPARE(list.at(197).nameDE, QString::fromUtf8("São Tomé und Príncipe"));
        QVERIFY(egypt.inAreas(ECC::Africa));
        QVERIFY(egypt.inAreas(0));
        QVERIFY(!egypt.inAreas(ECC::Africa | ECC::Europe));
        // The name follows the language flag at call time.
        langGerman = false;
        QCOMPARE(list.at(11).name(), QStringLiteral("Austria"));
        langGerman = true;
        QCOMPARE(list.at(11).name(), QString::fromUtf8("Österreich"));

        // A second build gives the same rows again.
        QList<ECC> again;
        buildCountryList(again);
        QCOMPARE(again.size(), 231);
        QCOMPARE(again.at(57).ci, QByteArray("D1"));
    }

    void everyRowWellFormed()
    {
        int multiDigit = 0;
        const QRegularExpression iso("^[A-Z]{2}$"), ci("^[0-9A-F]+$");
        for (const ECC &row : countryList()) {
            const QByteArray id = row.iso + ' ' + row.nameEN.toUtf8();
            const bool eccOk = (row.ecc >= 0xA0 && row.ecc <= 0xA6) || (row.ecc >= 0xD0 && row.ecc <= 0xD4) ||
                               (row.ecc >= 0xE0 && row.ecc <= 0xE5) || (row.ecc >= 0xF0 && row.ecc <= 0xF4);
            QVERIFY2(iso.match(row.iso).hasMatch() && ci.match(row.ci).hasMatch() && eccOk, id.constData());
            QVERIFY2(row.area != 0 && (row.area & 0x80) == 0, id.constData());
            QVERIFY2(!row.nameEN.isEmpty() && row.nameEN == row.nameEN.trimmed() && row.nameDE == row.nameDE.trimmed(),
                     id.constData());
            multiDigit += row.ci.size() > 1;
        }
        QCOMPARE(multiDigit, 7);
    }
};

QTEST_GUILESS_MAIN(TestEcc)
#include "tst_ecc.moc"
