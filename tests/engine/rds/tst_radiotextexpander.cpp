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

    void ownTextsAndSwitches()
    {
        RadioTextExpander x;
        x.setTags({tag(1, "T#41"), tag(7, "own"), tag(4, "")}, 11);
        // Without song information: the tag's own text, escapes decoded.
        const ExpandedText e = x.expand("$0/$1/$2/$3", 2);
        QCOMPARE(e.text, QString("TA/own//$3"));
        QCOMPARE(e.escapes, (QList<int>{1}));
        // The empty tag gives no item; $3 names no tag and stays.
        QCOMPARE(e.tags, (QList<RTPlusTag>{{1, 0, 1}, {7, 3, 2}}));
        // With song information, type 7 keeps its own text, type 4 takes the artist.
        x.setSongInfo(song());
        QCOMPARE(x.expand("$0/$1/$2", 2).text, QString("Song#1/own/Band"));
        QCOMPARE(x.tagText(tag(2, "album")), QString(""));
        QCOMPARE(x.tagText(tag(3, "track")), QString(""));
        // rtitm bit 3 clear: own texts even with song information.
        x.setTags({tag(1, "T#41"), tag(7, "own"), tag(4, "")}, 3);
        QCOMPARE(x.expand("$0/$1/$2", 2).text, QString("TA/own/"));
        QCOMPARE(x.tagText(tag(1, "mine")), QString("mine"));
    }

    void lowerCaseAndLatePlaceholders()
    {
        RadioTextExpander x;
        QList<RTag> tags;
        for (int i = 0; i < 12; ++i)
            tags << tag(i + 1, QString("t%1").arg(i));
        x.setTags(tags, 3);
        // Lower-case hex digits are replaced but make no item.
        const ExpandedText e = x.expand("$a $B", 2);
        QCOMPARE(e.text, QString("t10 t11"));
        QCOMPARE(e.tags, (QList<RTPlusTag>{{12, 4, 2}}));
        // An item must start at position 63 or before.
        const QString pad(62, QLatin1Char('x'));
        QCOMPARE(x.expand(pad + "$0$1", 2).tags, (QList<RTPlusTag>{{1, 62, 1}}));
        QCOMPARE(x.expand(pad + "$0$1", 2).text, pad + "t0t1");
        // A '$' at the very end stays.
        QCOMPARE(x.expand("cost $", 2).text, QString("cost $"));
    }

    void cacheFollowsChanges()
    {
        RadioTextExpander x;
        x.setTags({tag(1, "a")}, 11);
        QCOMPARE(x.expand("$0", 2).text, QString("a"));
        x.setSongInfo({{"Title", "b"}});
        QCOMPARE(x.expand("$0", 2).text, QString("b"));
        x.clearSongInfo();
        QCOMPARE(x.expand("$0", 2).text, QString("a"));
        x.setTags({tag(1, "c")}, 11);
        QCOMPARE(x.expand("$0", 2).text, QString("c"));
        for (int i = 0; i < 40; ++i)
            QCOMPARE(x.expand(QString("%1$0").arg(i), 2).text, QString("%1c").arg(i));
    }
};

QTEST_GUILESS_MAIN(TestRadioTextExpander)
#include "tst_radiotextexpander.moc"
