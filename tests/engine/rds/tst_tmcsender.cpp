#include "TMCSender.h"

#include <QTest>

using Group = TMCSender::Group;

static TMCMessage message(u8 duration, u8 flags, u16 event, u16 location, u8 send, QList<u32> labels = {})
{
    TMCMessage m;
    m.duration = duration;
    m.flags = flags;
    m.event = event;
    m.location = location;
    m.send = send;
    m.labels = labels;
    return m;
}

static u32 label(int number, u32 value)
{
    return (u32(number) << 16) | value;
}

static QList<Group> run(TMCSender &s, int n, qint64 now = 1000000)
{
    QList<Group> l;
    for (int i = 0; i < n; ++i)
        l << s.nextGroup(now);
    return l;
}

static QString show(const Group &g)
{
    return QString::asprintf("%02X %04X %04X", g.low, g.c, g.d);
}

static QStringList shows(const QList<Group> &l)
{
    QStringList r;
    for (const Group &g : l)
        r << show(g);
    return r;
}

static u16 cancelLookup(u16 event)
{
    return event == 101 ? 401 : 128;
}

class TestTMCSender : public QObject
{
    Q_OBJECT

private slots:

    void fieldsMaskedAndStatesSkipped()
    {
        TMCSource src;
        src.rpt = 0; // counts as 1
        src.messages << message(0xFF, 0xFF, 0xFFFF, 0x1234, 1) << message(1, 0, 5, 6, 0)
                     << message(1, 0, 7, 8, 3) << message(1, 0, 9, 10, 1);
        TMCSender s;
        s.setSource(src);
        const QStringList groups = shows(run(s, 6));
        QCOMPARE(groups.mid(2), (QStringList{"0F FFFF 1234", "09 0009 000A", "14 0000 0000", "15 0000 0000"}));
    }

    void cancellation()
    {
        TMCSource src;
        src.rpt = 2;
        src.messages << message(3, 0x10, 101, 300, 2) << message(3, 0x10, 102, 301, 2);
        TMCSender s;
        s.setSource(src);
        s.setCancelLookup(&cancelLookup);
        // Event 101 has a catalogue entry (401), 102 none (128).
        QCOMPARE(shows(run(s, 6)).mid(2),
                 (QStringList{"0B 8191 012C", "0B 8191 012C", "0B 8080 012D", "0B 8080 012D"}));
        s.setCancelLookup(nullptr);
        s.setSource(src);
        QCOMPARE(shows(run(s, 3)).last(), QString("0B 8080 012C"));
    }

    void labelPacking()
    {
        const TMCSender::KeyRow key{};
        // Four content words at most: five 20-bit labels fit (100 bits), the sixth does not and ends the
        // packing, with everything after it.
        QList<u32> labels;
        for (int i = 0; i < 6; ++i)
            labels << label(11, 0x1000 + i);
        labels << label(0, 1);
        const QList<u32> words = TMCSender::packLabels(labels, false, key);
        QCOMPARE(words.size(), 4);
        QCOMPARE(words[0], u32(0xB1000B1) );
        QCOMPARE(words[3], u32(0x1004) << 12);
        // Nine 12-bit labels (label 5) take 108 bits.
        QList<u32> fit;
        for (int i = 0; i < 9; ++i)
            fit << label(5, 0xA5);
        fit << label(1, 7);  // 7 bits: 108 + 7 > 112, dropped whole
        fit << label(14, 0); // would fit, but the packing has ended
        const QList<u32> fw = TMCSender::packLabels(fit, false, key);
        QCOMPARE(fw.size(), 4);
        QCOMPARE(fw[3] & 0xF, u32(0)); // the last word: 24 bits and 4 zero bits
        QCOMPARE(fw[3], u32(0x5A55A50));
        // Values are cut to their label's width.
        QCOMPARE(TMCSender::packLabels({label(0, 0xFFFF)}, false, key), (QList<u32>{u32(0x7) << 21}));
        QVERIFY(TMCSender::packLabels({}, false, key).isEmpty());
        QCOMPARE(TMCSender::labelWidth(9), 11);
        QCOMPARE(TMCSender::labelWidth(14), 0);
    }

    void maxFourWordsOnAir()
    {
        TMCSource src;
        src.rpt = 1;
        QList<u32> labels;
        for (int i = 0; i < 8; ++i)
            labels << label(10, 0x2000 + i);
        src.messages << message(1, 0, 100, 7, 1, labels);
        TMCSender s;
        s.setSource(src);
        // First group, then GSI 3 (with the second-group bit), 2, 1, 0; then the names.
        QList<int> gsi;
        for (const Group &g : run(s, 7).mid(2))
            gsi << (g.c >> 12);
        QCOMPARE(gsi, (QList<int>{0x8, 0x4 | 3, 2, 1, 0}));
        QCOMPARE(show(s.nextGroup(0)), QString("14 0000 0000"));
    }

    void encryption()
    {
        TMCSource src;
        src.rpt = 2;
        src.flag = 0x01 | 0x02 | 0x04; // announce, encrypt, key table
        src.enc = 2;
        src.skt[2] = 0x35A5; // rotate 3, start 5, XOR 0xA5
        src.rate = 15;
        src.va0 = 0x0047;
        src.va1 = 0x400D;
        src.messages << message(1, 0, 100, 200, 1, {label(11, 0x1234)});
        TMCSender s;
        s.setSource(src);
        const TMCSender::KeyRow key = s.keyRow();
        QCOMPARE((QList<int>{key.rotate, key.start, key.xorValue}), (QList<int>{3, 5, 0xA5}));
        // Location 200 rotated right by 3 and XORed with 0xA5 << 5.
        QCOMPARE(TMCSender::encryptLocation(200, key), u16(0x14B9));
        const qint64 now = 100000;
        // Administration group twice: SID 0 with the marker bits, ENCID 2; LTN 1. Then the message twice;
        // label 11 encrypted: value rotated right by 3, XOR (11 << 5), 20 bits left-aligned.
        const QString admin = "00 1802 0400";
        QCOMPARE(shows(run(s, 8, now)).mid(2), (QStringList{admin, admin, "01 8064 14B9", "01 8064 14B9",
                                                             "01 4B83 2600", "01 4B83 2600"}));
        // Within the rate no new administration group; after it, one again.
        QVERIFY(!shows(run(s, 6, now + 5000)).contains(admin));
        QVERIFY(shows(run(s, 3, now + 15000)).contains(admin));
        // enc 32 or more, or no key table: the built-in row.
        src.flag = 0x02;
        s.setSource(src);
        QCOMPARE(s.keyRow().rotate, TMCSender::defaultKeyRow.rotate);
        src.flag = 0x06;
        src.enc = 40;
        s.setSource(src);
        QCOMPARE(s.keyRow().xorValue, TMCSender::defaultKeyRow.xorValue);
    }

};

QTEST_GUILESS_MAIN(TestTMCSender)
#include "tst_tmcsender.moc"
