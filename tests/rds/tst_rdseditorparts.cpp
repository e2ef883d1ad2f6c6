// The RDS page's helpers, models and country search window on their own.
#include "AFTable.h"
#include "AFTableSend.h"
#include "ECCSearch.h"
#include "EONModel.h"
#include "ODAModel.h"
#include "RDSCoding.h"
#include "RDSDecoder.h"
#include "RDSLogFiles.h"
#include "RDSLogRecord.h"
#include "RDSTexts.h"

#include <QCheckBox>
#include <QColor>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTest>

namespace
{

// A log record of one correctly coded group; bad: blocks (bits 0..3) whose
// checkword is spoiled.
QByteArray record(u16 a, u16 b, u16 c, u16 d, int bad = 0)
{
    RDSBlocks blocks;
    blocks.info[0] = a, blocks.info[1] = b, blocks.info[2] = c, blocks.info[3] = d;
    addCheckwords(blocks);
    for (int k = 0; k < 4; ++k)
        if (bad & (1 << k))
            blocks.check[k] ^= 1;
    RDSLogRecord rec;
    packGroup(rec.group, blocks);
    rec.ms = 43201250;
    return rec.toBytes();
}

} // namespace

class TstRdsEditorParts : public QObject
{
    Q_OBJECT

private slots:
    void textLists()
    {
        const QStringList pty = ptyNames(), types = rtPlusContentTypes();
        QVERIFY(pty.size() == 32 && types.size() == 64);
        for (int i = 0; i < 64; ++i) // numbered in order
            QVERIFY(types.at(i).startsWith(QString::number(i) + ' ') &&
                    (i >= 32 || pty.at(i).startsWith(QString::number(i) + ' ')));
    }

    void rdsCharset()
    {
        // Kept as bytes or shown; "#hh" escapes a byte, "##" the sign.
        const struct {
            const char *text;
            bool keep;
            QString expected;
        } cases[] = {{"Radio 1", true, "Radio 1"}, {"ä€", true, QString::fromLatin1("\x91\xA9")},
                     {"ä€", false, "ä€"},          {"Ω", false, "?"},
                     {"#21x##", true, "!x#"},      {"#91", false, "ä"}};
        for (const auto &c : cases) {
            QString text = QString::fromUtf8(c.text);
            convertRdsCharset(text, c.keep);
            QCOMPARE(text, c.expected);
        }
        QCOMPARE(hexWithSeparator(QByteArray("\x01\xab\x0d", 3), QChar(0x2009)),
                 QString::fromUtf8("01\u2009AB\u20090D"));
        QCOMPARE(hexWithSeparator(QByteArray(), QLatin1Char(' ')), QString());
    }

    void decoder()
    {
        RDSDecoder d;
        QVERIFY(!d.decode(97, record(0xD310, 0x0400, 0, 0)));
        QVERIFY(!d.decode(5, record(0xD310, 0x0400, 0, 0).left(16)));
        d.setLog(5);
        QVERIFY(d.decode(5, record(0xD310, 0x0400, 0xE0CD, 0x5241))); // 0A
        QVERIFY(d.decode(5, record(0xD310, 0x0400, 0xE0CD, 0x5241)));
        QVERIFY(d.decode(5, record(0xD310, 0xF800, 0xD310, 0x0000, 12))); // 15B, C' and D spoiled
        QVERIFY(d.decode(6, record(0xD311, 0x2000, 0, 0)));
        const RDSDecoder::Stats s = d.lastGroup(5);
        QCOMPARE(s.block[0], u16(0xD310));
        QCOMPARE(s.errors, u8(12));
        QCOMPARE(s.ms, u32(43201250));
        QCOMPARE(s.count.value(0), 2);
        QCOMPARE(s.count.value(31), 1);
        QCOMPARE(s.count.value(RDSDecoder::totalKey), 3);
        QCOMPARE(d.rowCount(), 2);
        QCOMPARE(d.index(1, RDSDecoder::Group).data().toString(), QStringLiteral("15B"));
        QCOMPARE(d.index(0, RDSDecoder::Percent).data().toString(), QStringLiteral("66.7"));
        QCOMPARE(d.index(0, RDSDecoder::PerMinute).data().toInt(), 457);
        d.resetSource(5);
        QCOMPARE(d.rowCount(), 0);
        QCOMPARE(d.lastGroup(6).count.value(RDSDecoder::totalKey), 1);
    }

    void logFiles()
    {
        QTemporaryFile existing;
        QVERIFY(existing.open());
        RDSLogFiles m;
        m.setFiles({existing.fileName(), QStringLiteral("/nonexistent/a.txt")});
        m.addFiles({QStringLiteral("b.log")});
        QCOMPARE(m.rowCount(), 3);
        QVERIFY(!m.index(0).data(Qt::BackgroundRole).isValid());
        QCOMPARE(m.index(1).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 192, 192));
        QCOMPARE(m.fileAt(3), QString());
        QVERIFY(m.removeRows(0, 2));
        QCOMPARE(m.files(), QStringList({"b.log"}));
    }

    void afCodes()
    {
        // clang-format off
        const struct { int word; bool methodB; const char *decoded, *bytes; bool regional; } cases[] = {
            {0xE301, false, "#3 87.6", "E3 01", false}, {0xCCCD, false, "107.9 -", "CC CD", false}, // count, filler
            {0xFA01, false, "LF/MF 153.0", "FA 01", false}, {0xFA10, false, "LF/MF 531.0", "FA 10", false},
            {0x0105, true, "87.6 88.0", "01 05", false}, {0x0501, true, "88.0 87.6", "05 01", true}};
        // clang-format on
        for (const auto &c : cases) {
            AFTableSend m;
            m.setCodes({u16(c.word)}, c.methodB);
            auto row = [&] {
                return m.index(0, 0).data().toString() + ' ' + m.index(0, 1).data().toString();
            };
            QCOMPARE(row(), QString(c.decoded));
            QCOMPARE(m.index(0, 1).data(Qt::BackgroundRole).isValid(), c.regional);
            m.setShowBytes(true);
            QCOMPARE(row(), QString(c.bytes));
        }
    }

    void afTableRows()
    {
        AFTable t;
        int changed = 0;
        connect(&t, &QTableWidget::itemChanged, this, [&] { ++changed; });
        t.setRow(1, 1043, 6666, 0);
        t.setRow(0, 1530, 0, 1);
        QCOMPARE(t.rowCount(), 2);
        QCOMPARE(QStringList({t.item(1, 0)->text(), t.item(1, 1)->text(), t.item(0, 0)->text(),
                              t.item(0, 1)->text()}),
                 QStringList({"Start", "104.3 MHz", "regional", "153.0 kHz"}));
        QCOMPARE(changed, 0);
    }

    void eonEdits()
    {
        EONModel m;
        QSignalSpy saved(&m, &EONModel::saveEON);
        m.setList({EON()});
        QVERIFY(m.setData(m.index(0, EONModel::PI), QStringLiteral("d3a1")));
        // A list with a part that is no frequency is shown marked and not stored; a decimal comma is a point.
        QVERIFY(!m.setData(m.index(0, EONModel::AF), QStringLiteral("87.6  x 104.3")));
        QCOMPARE(m.index(0, EONModel::AF).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 192, 192));
        QVERIFY(m.setData(m.index(0, EONModel::AF), QStringLiteral("87.6  104,3")));
        QVERIFY(m.setData(m.index(0, EONModel::TA), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!m.setData(m.index(0, EONModel::Channel), 97));
        QVERIFY(!m.setData(m.index(0, EONModel::PTY), 32));
        QCOMPARE(saved.count(), 3);
        const EON e = m.list().first();
        QCOMPARE(e.pi, u16(0xD3A1));
        QCOMPARE(e.ta, u8(1));
        QCOMPARE(e.af.size(), 2);
        QCOMPARE(e.af.at(1).freq, 1043);
        QCOMPARE(m.index(0, EONModel::PI).data().toString(), QStringLiteral("D3A1"));
        QCOMPARE(m.index(0, EONModel::AF).data().toString(), QStringLiteral("87.6 104.3"));
        QVERIFY(!m.index(0, EONModel::AF).data(Qt::BackgroundRole).isValid());
        QVERIFY(m.insertRows(1, 2) && m.removeRows(0, 1));
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(saved.count(), 3);
    }

    void odaEdits()
    {
        ODAModel m;
        QSignalSpy saved(&m, &ODAModel::saveODA);
        m.setList({RDSCustomGroup()});
        QCOMPARE(m.index(0, ODAModel::CheckA).data().toString(), QStringLiteral("auto"));
        QVERIFY(m.setData(m.index(0, ODAModel::BlockA + 1), QStringLiteral("3a0f")));
        QVERIFY(m.setData(m.index(0, ODAModel::CheckA + 2), QStringLiteral("3FF")));
        QVERIFY(m.setData(m.index(0, ODAModel::Rate0 + 3), -685));
        QVERIFY(!m.setData(m.index(0, ODAModel::Rate0), 686));
        QVERIFY(!m.setData(m.index(0, ODAModel::CheckA), QStringLiteral("401")));
        QVERIFY(m.setData(m.index(0, ODAModel::Active), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(saved.count(), 4);
        QCOMPARE(m.list().first().toText(), QStringLiteral("0 3a0f 0 0 400 400 3ff 400 0 0 0 -685 1"));
        QVERIFY(m.setData(m.index(0, ODAModel::CheckA + 2), QString()));
        QCOMPARE(m.list().first().check[2], RDSCustomGroup::computedCheck);
    }

    void countrySearch()
    {
        ECCSearch search; // usable without an owner
        QVERIFY(search.isWindow());
        auto *text = search.findChild<QLineEdit *>(QStringLiteral("search"));
        auto *table = search.findChild<QTableWidget *>(QStringLiteral("countries"));
        QCOMPARE(search.shownRows(), countryList().size());
        text->setText(QStringLiteral("deutschland"));
        QCOMPARE(search.shownRows(), 1);
        text->setText(QStringLiteral("australia"));
        search.findChild<QCheckBox *>(QStringLiteral("aEurope"))->setChecked(true);
        QCOMPARE(search.shownRows(), 0); // the Australian rows lie outside Europe
        search.findChild<QCheckBox *>(QStringLiteral("aEurope"))->setChecked(false);
        QCOMPARE(search.shownRows(), 8);
        text->setText(QStringLiteral("Germany"));
        int row = 0;
        while (table->isRowHidden(row))
            ++row;
        QSignalSpy picked(&search, &ECCSearch::saveECC);
        search.showECC();
        emit table->cellDoubleClicked(row, 3);
        QVERIFY(picked.count() == 1 && !search.isVisible());
        const ECC country = picked.first().first().value<ECC>();
        QVERIFY(country.ecc == 0xE0 && country.ci == "D1");
    }
};

QTEST_MAIN(TstRdsEditorParts)
#include "tst_rdseditorparts.moc"
