#include "RDSCharset.h"
#include "RDSEncoder.h"

#include <QTest>
#include <QTextCodec>

namespace {

QString u(ushort c) { return QString(QChar(c)); }

} // namespace

class TestRdsCharset : public QObject
{
    Q_OBJECT

private slots:
    void unescape_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<int>("maxDigits");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QList<int>>("positions");

        QTest::newRow("pair") << QString("A##B") << 2 << QString("A#B") << QList<int>{};
        QTest::newRow("two escapes") << QString("#41#42") << 2 << QString("AB") << QList<int>{0, 1};
        QTest::newRow("blank ends the number") << QString("#41 B") << 4 << QString("A B") << QList<int>{0};
        QTest::newRow("four digits") << QString("#03A9") << 4 << u(0x03A9) << QList<int>{0};
        QTest::newRow("four digits in a PS") << QString("#03A9") << 2 << u(0x0003) + "A9" << QList<int>{0};
        QTest::newRow("three digits") << QString("#0412") << 3 << QString("A2") << QList<int>{0};
        QTest::newRow("one digit and a blank") << QString("#9 x") << 2 << u(0x0009) + "x" << QList<int>{0};
        QTest::newRow("leading blank") << QString("# 41") << 4 << QString("A") << QList<int>{0};
        QTest::newRow("lower case") << QString("#e9") << 2 << u(0x00E9) << QList<int>{0};
        QTest::newRow("line feed") << QString("a#0Ab") << 2 << QString("a\nb") << QList<int>{1};
        QTest::newRow("shorter try wins") << QString("#41Gx") << 4 << QString("AGx") << QList<int>{0};
        QTest::newRow("positions after decoding") << QString("x#41y##z#42") << 2 << QString("xAy#zB") << QList<int>{1, 5};
        QTest::newRow("triple hash") << QString("###41") << 2 << QString("#A") << QList<int>{1};
        QTest::newRow("four hashes") << QString("####") << 2 << QString("##") << QList<int>{};
        QTest::newRow("not hex") << QString("#G1") << 2 << QString("#G1") << QList<int>{};
        QTest::newRow("one char left") << QString("ab#1") << 2 << QString("ab#1") << QList<int>{};
        QTest::newRow("hash at end") << QString("ab#") << 4 << QString("ab#") << QList<int>{};
        QTest::newRow("only blanks") << QString("#  x") << 2 << QString("#  x") << QList<int>{};
        QTest::newRow("max digits capped") << QString("#004142") << 6 << QString("A42") << QList<int>{0};
        QTest::newRow("empty") << QString("") << 4 << QString("") << QList<int>{};
    }

    void unescape()
    {
        QFETCH(QString, in);
        QFETCH(int, maxDigits);
        QFETCH(QString, out);
        QFETCH(QList<int>, positions);
        QString text = in;
        QCOMPARE(rdsUnescape(text, maxDigits), positions);
        QCOMPARE(text, out);
    }

    void tableRoundTrip()
    {
        for (int code = 0x20; code <= 0xFE; ++code) {
            const QChar c = rdsCharToUnicode(static_cast<u8>(code));
            QCOMPARE(int(rdsCharFromUnicode(c)), code);
        }
        QCOMPARE(rdsCharToUnicode(0xFF), QChar(QChar::ReplacementCharacter));
        QCOMPARE(rdsCharToUnicode(0x24), QChar(0x00A4));
        QCOMPARE(rdsCharToUnicode(0xAB), QChar('$'));
        QCOMPARE(rdsCharToUnicode(0x41), QChar('A'));
        QCOMPARE(rdsCharToUnicode(0x82), QChar(0x00E9));
        QCOMPARE(rdsCharToUnicode(0xE3), QChar(0x0152));
    }

    void byteOrderMarks()
    {
        QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
        QTextCodec *utf16 = QTextCodec::codecForName("UTF-16");
        QTextCodec *latin1 = QTextCodec::codecForName("ISO-8859-1");
        QVERIFY(utf8 && utf16 && latin1);
        bool ok = false;
        QCOMPARE(encodeRdsText("Ab", &ok, true, utf8), QByteArray("\xEF\xBB\xBF" "Ab"));
        QVERIFY(ok);
        // No second mark when the text begins with one.
        QCOMPARE(encodeRdsText(u(0xFEFF) + "Ab", &ok, true, utf8), QByteArray("\xEF\xBB\xBF" "Ab"));
        QCOMPARE(encodeRdsText("Ab", &ok, false, utf8), QByteArray("Ab"));
        // Without a codec: UTF-8, never a mark added.
        QCOMPARE(encodeRdsText("Ab", &ok, true, nullptr), QByteArray("Ab"));
        QVERIFY(ok);
        // UTF-16 writes its own mark: kept with bom, removed without.
        const QByteArray with = encodeRdsText("A", &ok, true, utf16);
        const QByteArray without = encodeRdsText("A", &ok, false, utf16);
        QCOMPARE(with.size(), 4);
        QCOMPARE(without.size(), 2);
        QVERIFY(with.endsWith(without));
        QVERIFY(with.startsWith("\xFF\xFE") || with.startsWith("\xFE\xFF"));
        // A codec that cannot encode the mark gets none, and reports lost characters.
        QCOMPARE(encodeRdsText("A", &ok, true, latin1), QByteArray("A"));
        QVERIFY(ok);
        encodeRdsText(u(0x03A9), &ok, false, latin1);
        QVERIFY(!ok);
        encodeRdsText(u(0x03A9), &ok, false, nullptr);
        QVERIFY(ok);
    }

    void charsetNames()
    {
        for (const char *e1 : {"", "0", "E.1", "E.1 RDS"})
            QVERIFY2(rdsCharsetIsE1(e1), e1);
        for (const char *other : {"UTF-8", "E1", "00"})
            QVERIFY2(!rdsCharsetIsE1(other), other);
        // An unknown codec name encodes as UTF-8 without a mark.
        const QString text = u(0x00E9) + "$";
        const QList<QPair<QPair<QByteArray, bool>, QByteArray>> cases{
            {{"", false}, "\x82\xAB"},
            {{"0", false}, "\x82\xAB"},
            {{"UTF-8", false}, text.toUtf8()},
            {{"UTF-8", true}, "\xEF\xBB\xBF" + text.toUtf8()},
            {{"no-such-codec", true}, text.toUtf8()},
            {{"ISO-8859-1", false}, "\xE9$"}};
        for (const auto &c : cases)
            QCOMPARE(rdsTextBytes(text, {}, c.first.second, c.first.first), c.second);
    }

};

QTEST_GUILESS_MAIN(TestRdsCharset)
#include "tst_rdscharset.moc"
