#include "ECC.h"

#include <QSet>
#include <QtTest>

class TestEcc : public QObject
{
    Q_OBJECT

private:
    static QString names(char digit, u16 code, bool german)
    {
        langGerman = german;
        return countryNames(digit, code);
    }

private slots:
    void cleanup() { langGerman = true; }

    void germanyBothDigits()
    {
        QCOMPARE(names('D', 0xE0, true), QStringLiteral("Deutschland"));
        QCOMPARE(names('1', 0xE0, true), QStringLiteral("Deutschland"));
        QCOMPARE(names('D', 0xE0, false), QStringLiteral("Germany"));
        QCOMPARE(names('1', 0xE0, false), QStringLiteral("Germany"));
    }

    void severalRowsInTableOrder()
    {
        QCOMPARE(names('9', 0xE1, true), QString::fromUtf8("Dänemark\nFäröer"));
        QCOMPARE(names('9', 0xE1, false), QStringLiteral("Denmark\nFaroe (Denmark)"));
        QCOMPARE(names('8', 0xE4, true), QStringLiteral("Azoren\nMadeira (Portugal)\nPortugal"));
        QCOMPARE(names('1', 0xA0, true),
                 QStringLiteral("Puerto Rico\nUSA\nAmerikanische Jungferninseln"));
        QCOMPARE(names('1', 0xA0, false),
                 QStringLiteral("Puerto Rico\nUnited States of America\nVirgin Islands (USA)"));
        // Brazil's "3BCD" shares C with Bermuda.
        QCOMPARE(names('C', 0xA2, false), QStringLiteral("Bermuda\nBrazil"));
        QCOMPARE(names('C', 0xA2, true), QStringLiteral("Bermuda\nBrasilien"));
    }

    void englishNameServesWhenNoGermanOne()
    {
        QCOMPARE(names('3', 0xE0, true), QStringLiteral("Andorra"));
        QCOMPARE(names('3', 0xE0, false), QStringLiteral("Andorra"));
        QCOMPARE(names('F', 0xA5, true), QStringLiteral("Mexiko\nBritische Jungferninseln"));
        QCOMPARE(names('F', 0xA5, false), QStringLiteral("Mexico\nBritische Jungferninseln"));
        QCOMPARE(names('8', 0xD2, true), QStringLiteral("Niger"));
    }

    void notFound()
    {
        QVERIFY(names('d', 0xE0, true).isEmpty());
        QVERIFY(names('D', 0, true).isEmpty());
        QVERIFY(names('D', 0x1E0, true).isEmpty());
        QVERIFY(names('0', 0xE0, false).isEmpty());
        QVERIFY(names('\0', 0xE0, false).isEmpty());
    }

    void tableShape()
    {
        const QList<ECC> &list = countryList();
        QCOMPARE(list.size(), 231);
        QCOMPARE(list.first().iso, QByteArray("AD"));
        QCOMPARE(list.first().nameEN, QStringLiteral("Andorra"));
        QCOMPARE(list.last().iso, QByteArray("ZW"));
        QCOMPARE(list.last().nameDE, QStringLiteral("Simbabwe"));
        // Rows that are out of alphabetical order stay where the table puts them.
        QCOMPARE(list.at(41).iso, QByteArray("CF"));
        QCOMPARE(list.at(42).iso, QByteArray("CD"));
        QCOMPARE(list.at(145).iso, QByteArray("MU"));
        QCOMPARE(list.at(146).iso, QByteArray("MS"));
        QCOMPARE(list.at(192).iso, QByteArray("SV"));
        QCOMPARE(list.at(193).iso, QByteArray("SN"));
        // Multi-area masks and non-ASCII names survive as written.
        const ECC &egypt = list.at(66);
        QCOMPARE(egypt.iso, QByteArray("EG"));
        QCOMPARE(egypt.area, u8(ECC::Africa | ECC::NearEast));
        QCOMPARE(egypt.nameDE, QString::fromUtf8("Ägypten"));
        QCOMPARE(list.at(197).nameDE, QString::fromUtf8("São Tomé und Príncipe"));
        QVERIFY(egypt.inAreas(ECC::Africa));
        QVERIFY(egypt.inAreas(0));
        QVERIFY(!egypt.inAreas(ECC::Africa | ECC::Europe));

        // A second build gives the same rows again.
        QList<ECC> again;
        buildCountryList(again);
        QCOMPARE(again.size(), 231);
        QCOMPARE(again.at(57).ci, QByteArray("D1"));
    }

    void everyRowWellFormed()
    {
        int multiDigit = 0;
        for (const ECC &row : countryList()) {
            const QByteArray id = row.iso + ' ' + row.nameEN.toUtf8();
            QVERIFY2(row.iso.size() == 2, id.constData());
            for (char c : row.iso)
                QVERIFY2(c >= 'A' && c <= 'Z', id.constData());
            QVERIFY2(!row.ci.isEmpty(), id.constData());
            for (char c : row.ci)
                QVERIFY2((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'), id.constData());
            if (row.ci.size() > 1)
                ++multiDigit;
            const bool eccOk = (row.ecc >= 0xA0 && row.ecc <= 0xA6)
                    || (row.ecc >= 0xD0 && row.ecc <= 0xD4)
                    || (row.ecc >= 0xE0 && row.ecc <= 0xE5)
                    || (row.ecc >= 0xF0 && row.ecc <= 0xF4);
            QVERIFY2(eccOk, id.constData());
            QVERIFY2(row.area != 0 && (row.area & 0x80) == 0, id.constData());
            QVERIFY2(!row.nameEN.isEmpty(), id.constData());
            QVERIFY2(row.nameEN == row.nameEN.trimmed(), id.constData());
            QVERIFY2(row.nameDE == row.nameDE.trimmed(), id.constData());
        }
        QCOMPARE(multiDigit, 7);
    }

    void nameFollowsFlagAtCallTime()
    {
        const ECC &austria = countryList().at(11);
        langGerman = true;
        QCOMPARE(austria.name(), QString::fromUtf8("Österreich"));
        langGerman = false;
        QCOMPARE(austria.name(), QStringLiteral("Austria"));
    }
};

QTEST_GUILESS_MAIN(TestEcc)
#include "tst_ecc.moc"
