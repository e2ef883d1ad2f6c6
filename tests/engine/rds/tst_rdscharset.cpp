#include "RDSCharset.h"
#include "RDSEncoder.h"
#include "RadioTextExpander.h"

#include <QTest>
#include <QTextCodec>

namespace {

QString u(ushort c) { return QString(QChar(c)); }

RTag tag(int type, const QString &text)
{
    RTag t;
    t.type = type;
    t.text = text;
    return t;
}

QMap<QString, QString> song()
{
    return {{"Title", "Song#1"}, {"Artist", "Band"}, {"Album", ""}};
}

} // namespace

// The RDS character set, escapes and the RadioText expansion of tags.
class TestRdsCharset : public QObject
{
    Q_OBJECT

private slots:
    // Escapes: positions in the decoded text, at most four digits.
    void unescape()
    {
        const struct
        {
            const char *in;
            int maxDigits;
            QString out;
            QList<int> positions;
        } cases[] = {
            {"x#41y##z#42", 2, "xAy#zB", {1, 5}},  {"#41 B", 4, "A B", {0}},
            {"#03A9", 4, u(0x03A9), {0}},          {"#03A9", 2, u(0x0003) + "A9", {0}},
            {"#41Gx", 4, "AGx", {0}},              {"###41", 2, "#A", {1}},
            {"#G1", 2, "#G1", {}},                 {"ab#", 4, "ab#", {}},
            {"#004142", 6, "A42", {0}}, // at most four digits
        };
        for (const auto &c : cases) {
            QString text = QString::fromLatin1(c.in);
            QCOMPARE(rdsUnescape(text, c.maxDigits), c.positions);
            QCOMPARE(text, c.out);
        }
    }

    void tableRoundTrip()
    {
        for (int code = 0x20; code <= 0xFE; ++code)
            QCOMPARE(int(rdsCharFromUnicode(rdsCharToUnicode(static_cast<u8>(code)))), code);
        QCOMPARE(rdsCharToUnicode(0xFF), QChar(QChar::ReplacementCharacter));
        QCOMPARE(rdsCharToUnicode(0xAB), QChar('$'));
        QCOMPARE(rdsCharToUnicode(0xE3), QChar(0x0152));
    }

    void byteOrderMarks()
    {
        QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
        QTextCodec *utf16 = QTextCodec::codecForName("UTF-16");
        QTextCodec *latin1 = QTextCodec::codecForName("ISO-8859-1");
        bool ok = false;
        // No second mark when the text begins with one.
        QCOMPARE(encodeRdsText(u(0xFEFF) + "Ab", &ok, true, utf8), QByteArray("\xEF\xBB\xBF" "Ab"));
        QCOMPARE(encodeRdsText("Ab", &ok, true, nullptr), QByteArray("Ab"));
        // UTF-16 writes its own mark: kept with bom, removed without.
        QCOMPARE(encodeRdsText("A", &ok, true, utf16).size(), 4);
        QCOMPARE(encodeRdsText("A", &ok, false, utf16).size(), 2);
        // A codec that cannot encode the mark gets none, and reports lost characters.
        QCOMPARE(encodeRdsText("A", &ok, true, latin1), QByteArray("A"));
        QVERIFY(ok);
        encodeRdsText(u(0x03A9), &ok, false, latin1);
        QVERIFY(!ok);
    }

    // "", "0" and "E.1..." name the RDS character set; an unknown codec name encodes as UTF-8 without a mark.
    void charsetNames()
    {
        QVERIFY(rdsCharsetIsE1("E.1 RDS"));
        QVERIFY(!rdsCharsetIsE1("E1"));
        const QString text = u(0x00E9) + "$";
        const QList<QPair<QPair<QByteArray, bool>, QByteArray>> cases{
            {{"", false}, "\x82\xAB"},
            {{"0", false}, "\x82\xAB"},
            {{"UTF-8", true}, "\xEF\xBB\xBF" + text.toUtf8()},
            {{"no-such-codec", true}, text.toUtf8()},
            {{"ISO-8859-1", false}, "\xE9$"}};
        for (const auto &c : cases)
            QCOMPARE(rdsTextBytes(text, {}, c.first.second, c.first.first), c.second);
    }

    void songTagsBecomeItems()
    {
        RadioTextExpander x;
        x.setTags({tag(1, "title"), tag(4, "artist")}, 11);
        QVERIFY(x.setSongInfo(song()));
        QVERIFY(!x.setSongInfo(song()));
        const ExpandedText e = x.expand("Now: $0 by $1", 2);
        // The '#' of the song tag stays a '#'.
        QCOMPARE(e.text, QString("Now: Song#1 by Band"));
        QVERIFY(e.escapes.isEmpty());
        QCOMPARE(e.tags.size(), 2);
        QCOMPARE(e.tags[0], (RTPlusTag{1, 5, 5}));
        QCOMPARE(e.tags[1], (RTPlusTag{4, 15, 3}));
    }

    void escapesShiftPositions()
    {
        RadioTextExpander x;
        x.setTags({tag(1, "title")}, 11);
        x.setSongInfo(song());
        const ExpandedText e = x.expand("#41#42 $0 #0A", 2);
        QCOMPARE(e.text, QString("AB Song#1 \n"));
        QCOMPARE(e.escapes, (QList<int>{0, 1, 10}));
        QCOMPARE(e.tags, (QList<RTPlusTag>{{1, 3, 5}}));
        // Four digits make one character of #03A9.
        const ExpandedText f = x.expand("#03A9 $0", 4);
        QCOMPARE(f.text, QString(QChar(0x03A9)) + " Song#1");
        QCOMPARE(f.tags, (QList<RTPlusTag>{{1, 2, 5}}));
        // "##" is one '#', and a '$' made by an escape is no placeholder.
        QCOMPARE(x.expand("a##b#24 0", 2).text, QString("a#b$ 0"));
        QVERIFY(x.expand("a##b#24 0", 2).tags.isEmpty());
    }


    // Song tags by content type ($a: lower-case digits are replaced); an item must start at position 63 or
    // before; a '$' at the end stays.
    void typesAndPlaceholders()
    {
        RadioTextExpander x;
        x.setTags({tag(2, "a"), tag(3, "b"), tag(10, "c"), tag(11, "d"), tag(12, "e"), tag(1, "f"), tag(1, "g"),
                   tag(1, "h"), tag(1, "i"), tag(1, "j"), tag(1, "k")},
                  11);
        x.setSongInfo({{"Album", "Al"}, {"Tracknumber", "7"}, {"Comment", "Co"}, {"Genre", "Ge"}});
        QCOMPARE(x.expand("$0 $1 $2 $3 $4$a", 2).text, QString("Al 7 Co Ge e")); // no title in the song
        const QString pad(62, QLatin1Char('x'));
        QCOMPARE(x.expand(pad + "$0$1", 2).tags, (QList<RTPlusTag>{{2, 62, 1}}));
        QCOMPARE(x.expand("cost $", 2).text, QString("cost $"));
    }
};

QTEST_GUILESS_MAIN(TestRdsCharset)
#include "tst_rdscharset.moc"
