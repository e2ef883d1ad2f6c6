#include "RadioTextExpander.h"

#include <QTest>

static RTag tag(int type, const QString &text)
{
    RTag t;
    t.type = type;
    t.text = text;
    return t;
}

static QMap<QString, QString> song()
{
    return {{"Title", "Song#1"}, {"Artist", "Band"}, {"Album", ""}};
}

class TestRadioTextExpander : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestRadioTextExpander)
#include "tst_radiotextexpander.moc"
