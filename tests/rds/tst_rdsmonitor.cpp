// The RDS page's monitor: line formats, statistics and rate titles, saved
// logs that replay, and the decoded panel of a source the engine encodes.
#include "BoundedWait.h"
#include "FMSettings.h"
#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSGroupLine.h"
#include "RDSLogFiles.h"
#include "RDSTexts.h"
#include "TabRDS.h"
#include "TempProject.h"

#include <QtTest>
#include <QtWidgets>

using namespace testsupport;

namespace
{

QByteArray group(u16 a, u16 b, u16 c, u16 d, u8 badBlocks = 0)
{
    RDSBlocks blocks;
    blocks.info[0] = a, blocks.info[1] = b, blocks.info[2] = c, blocks.info[3] = d;
    addCheckwords(blocks);
    for (int k = 0; k < 4; ++k)
        if (badBlocks & (1 << k))
            blocks.check[k] ^= 1;
    QByteArray out(13, '\0');
    packGroup(reinterpret_cast<u8 *>(out.data()), blocks);
    return out;
}

} // namespace

class TstRdsMonitor : public QObject
{
    Q_OBJECT

    TempProject file{"[channel.1]\nused=1\nfreq=95.0\nidrds=1\n[rds.1]\nname=One\npi=d123\nps=TROVINA\n"
                     "rta=Hello RDS\nafu=5\nafs=-950 881 1021\ngmin\\0=1 300 0 0 0\ngmin\\2=1 300 0 0 0\n"};
    QSharedPointer<FMSettings> project;
    TabRDS *page = nullptr;
    template <class T = QWidget> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }
    void send(const QByteArray &g, const QTime &t = QTime(12, 0))
    {
        project->notifyRdsLog(1, 1, 0, 0, t, reinterpret_cast<const u8 *>(g.constData()));
    }
    int lines() { return w<QPlainTextEdit>("pLog")->blockCount(); }
    // Sends n groups the engine encodes from the project's source 1.
    QList<QByteArray> sendEncoded(int n)
    {
        RDSEncoder encoder(1);
        encoder.setRDS(project->rds(1), 95.0);
        QList<QByteArray> sent;
        for (QByteArray g(13, '\0'); sent.size() < n; sent << g)
            encoder.generate(reinterpret_cast<u8 *>(g.data()), nullptr, nullptr, nullptr), send(g);
        return sent;
    }

private slots:
    void init()
    {
        project.reset(new FMSettings(file.path()));
        page = new TabRDS;
        page->setSettings(project);
        w<QComboBox>("stat")->setCurrentIndex(1); // "# Kanal 1" is line 1
    }
    void cleanup()
    {
        delete page;
        project.reset();
    }

    void lineFormats()
    {
        const QByteArray g0A = group(0xD123, 0x0540, 0x1234, 0xABCD);
        const struct {
            const char *boxes;
            QByteArray grp;
            QString line;
        } cases[] = {{"sTime sGroup sTP", g0A, "12:00:01.250 D123 0540 1234 ABCD  0A 10"},
                     {"sRaw", g0A, QString::fromLatin1(g0A.toHex())},
                     {"sPTY sDI", g0A, "D123 0540 1234 ABCD 10 DI 011"},
                     {"sGroup sTP", group(0xD123, 0x2C00, 0, 0), "D123 2C00 0000 0000  2B 1_"},
                     {"sCRC", group(1, 0x2000, 2, 3, 12), "0001 2000 0002 0003 *12"}};
        for (const auto &c : cases) {
            for (const char *name : {"sTime", "sRaw", "sGroup", "sTP", "sPTY", "sDI", "sCRC"})
                w<QCheckBox>(name)->setChecked(QByteArray(c.boxes).split(' ').contains(name));
            const int before = lines();
            send(c.grp, QTime(12, 0, 1, 250));
            QVERIFY(waitUntil([&] { return lines() == before + 1; }));
            QCOMPARE(w<QPlainTextEdit>("pLog")->document()->lastBlock().text(), c.line);
        }
    }

    void badInputIgnored()
    {
        project->notify(QStringLiteral("chinfo.1.rdslog.1"), QByteArray(16, '\1'));
        project->notify(QStringLiteral("chinfo.97.rdslog.1"), QByteArray(17, '\1'));
        project->notify(QStringLiteral("chinfo.1.rdslog.1"), QByteArray("# comment"));
        QVERIFY(waitUntil([&] { return lines() == 2; }));
        QCOMPARE(w<QTableView>("pTable")->model()->rowCount(), 0);
    }

    void statisticsAndTitles()
    {
        for (u16 b : {0x2000, 0x2000, 0x2800})
            send(group(0xD123, b, 0, 0));
        auto *table = w<QTableView>("pTable");
        QVERIFY(waitUntil([&] { return lines() == 4; }));
        QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("2A"));
        QCOMPARE(table->model()->index(0, 1).data().toInt(), 2);
        QVERIFY(QMetaObject::invokeMethod(page, "timeout"));
        QCOMPARE(w<QGroupBox>("gRT")->title(), QStringLiteral("RadioText (A 343/min + B 171/min = ~75.0%)"));
        // Selected rows of pTable filter the lines to their groups.
        table->selectRow(1);
        send(group(0xD123, 0x2000, 0, 0));
        send(group(0xD123, 0x2800, 0, 0));
        QVERIFY(waitUntil([&] { return lines() == 5; }));
        QVERIFY(w<QPlainTextEdit>("pLog")->document()->lastBlock().text().endsWith(QLatin1String(" 2B")));
        // A group type seen for the first time keeps the filter.
        send(group(0xD123, 0x0000, 0, 0));
        send(group(0xD123, 0x2000, 0, 0));
        send(group(0xD123, 0x2800, 0, 0));
        QVERIFY(waitUntil([&] { return lines() == 6; }));
        QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("0A"));
        QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 2);
        // A title with its rate fits its label whole in the 9-point font X11 gives Qt, ")" included.
        send(group(0xD123, 0xE000, 0, 0));
        QVERIFY(waitUntil([&] { return table->model()->rowCount() == 4; }));
        QVERIFY(QMetaObject::invokeMethod(page, "timeout"));
        auto *eon = w<QGroupBox>("group14");
        eon->setFont(QFont(eon->font().family(), 9));
        QStyleOptionGroupBox box;
        box.initFrom(eon);
        box.text = eon->title();
        box.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxCheckBox;
        const QRect label =
            eon->style()->subControlRect(QStyle::CC_GroupBox, &box, QStyle::SC_GroupBoxLabel, eon);
        QVERIFY(label.width() >= eon->fontMetrics().horizontalAdvance(eon->title()));
        w<QComboBox>("stat")->setCurrentIndex(2);
        QCOMPARE(w<QGroupBox>("gRT")->title(), QStringLiteral("RadioText"));
    }

    void savedLogReplays()
    {
        const QList<QByteArray> sent = sendEncoded(20);
        QVERIFY(waitUntil([&] { return lines() == 21; }));
        const QString path = QDir(file.dirPath()).filePath(QStringLiteral("log.txt"));
        QString error;
        QVERIFY(TabRDS::writeLogText(path, w<QPlainTextEdit>("pLog")->toPlainText(), &error));
        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QList<QByteArray> replayed;
        std::minstd_rand gen;
        for (const QByteArray &line : log.readAll().split('\n')) {
            QByteArray g(13, '\0');
            if (parseRdsGroupLine(reinterpret_cast<u8 *>(g.data()), line, RDSErrorSettings(), gen) == 13)
                replayed << g;
        }
        QCOMPARE(replayed, sent);
        // A file that cannot be written is reported and the old one stays.
        QVERIFY(!TabRDS::writeLogText(QDir(path).filePath(QStringLiteral("x")), QStringLiteral("x"), &error));
        QVERIFY(!error.isEmpty());
    }

    void decodedPanel()
    {
        RDSSource r = project->rds(1);
        r.pty = 29;
        r.ta = 1;
        r.pn1 = QStringLiteral("FEATURE");
        r.rp2 = 0; // the second name is never sent, so the A/B flag stays
        r.lps = QStringLiteral("Trovina – Eins");
        project->setRds(1, r);
        std::array<RDSGroupRate, RDSGroupRate::count> rates = r.gmin;
        rates[10].fromText(QStringLiteral("1 60 0 0 0"));
        rates[15].fromText(QStringLiteral("1 60 0 0 0"));
        project->setGroupRates(1, rates);
        sendEncoded(400);
        QVERIFY(waitUntil([&] { return lines() == 401; }));
        QCOMPARE(w<QLabel>("lPI")->text(), QStringLiteral("D123"));
        QCOMPARE(w<QLabel>("lPS")->text(), QStringLiteral("TROVINA "));
        QCOMPARE(w<QLabel>("lPTY")->text(), ptyNames().at(29));
        QVERIFY(w<QCheckBox>("cbTP")->isChecked() && w<QCheckBox>("cbTA")->isChecked());
        QCOMPARE(w<QLabel>("lPTYN")->text(), QStringLiteral("FEATURE "));
        QCOMPARE(w<QLabel>("lLPS")->text(), QStringLiteral("Trovina – Eins"));
        QCOMPARE(w<QTextEdit>("tRT")->toPlainText(), QStringLiteral("Hello RDS"));
        const QString af = w<QLabel>("lAF")->text();
        for (const char *f : {"95.0", "88.1", "102.1"})
            QVERIFY2(af.contains(QLatin1String(f)), qPrintable(af));
    }

    void enhancedTextInUtf16()
    {
        RDSSource r = project->rds(1);
        r.enc = "UTF-16LE";
        r.ertb = 0; // announced as UCS-2
        r.rtc = QStringLiteral("Ωmega");
        r.rtxt |= 64;
        project->setRds(1, r);
        std::array<RDSGroupRate, RDSGroupRate::count> rates = r.gmin;
        rates[3].fromText(QStringLiteral("1 60 0 0 0"));
        rates[9].fromText(QStringLiteral("1 300 0 0 0"));
        project->setGroupRates(1, rates);
        sendEncoded(400);
        QVERIFY(waitUntil([&] { return lines() == 401; }));
        w<QPushButton>("BeRT")->click();
        QCOMPARE(w<QTextEdit>("tRT")->toPlainText(), QStringLiteral("Ωmega"));
    }

    void anotherProgrammeResetsThePanel()
    {
        const auto shown = [this] {
            QStringList t;
            for (const char *name : {"lPI", "lPTYN", "lAF"})
                t << w<QLabel>(name)->text();
            return t;
        };
        // PTYN "FEATURE" and the AF list #2 87.6 87.7 of programme D123, then a group of D999.
        send(group(0xD123, 0xA000, 0x4645, 0x4154)), send(group(0xD123, 0xA001, 0x5552, 0x4520));
        send(group(0xD123, 0x0000, 0xE201, 0x5452)), send(group(0xD123, 0x0001, 0x02CD, 0x4F56));
        QVERIFY(waitUntil([&] { return shown().at(1) == QLatin1String("FEATURE "); }));
        QVERIFY2(shown().at(2).endsWith(QLatin1String(" 87.6 87.7")), qPrintable(shown().at(2)));
        send(group(0xD999, 0x2000, 0x4142, 0x4344));
        QVERIFY(waitUntil([&] { return shown().at(0) == QLatin1String("D999"); }));
        QCOMPARE(shown(), (QStringList{"D999", "        ", ""}));
        // The shown channel links another source: nothing of the old one stays.
        QCOMPARE(project->set(QStringLiteral("channel.1.idrds"), 0, true), 0);
        QVERIFY(waitUntil([&] { return shown().at(0).isEmpty(); }));
    }

    void afListAsReceived()
    {
        const auto af = [this] { return w<QLabel>("lAF")->text(); };
        // Method A, four frequencies, then the list cut to two: the panel shows two.
        for (u16 c : {0xE401, 0x0203, 0x04CD})
            send(group(0xD123, 0x0000, c, 0));
        QVERIFY(waitUntil([&] { return af().endsWith(QLatin1String(" 87.6 87.7 87.8 87.9")); }));
        for (u16 c : {0xE201, 0x05CD})
            send(group(0xD123, 0x0000, c, 0));
        QVERIFY(waitUntil([&] { return af().endsWith(QLatin1String("#2:</b> 87.6 88.0")); }));
        // Method B around 87.6: 88.0 same programme, 87.8 a regional variant (descending pair).
        for (u16 c : {0xE501, 0x0105, 0x0301})
            send(group(0xD123, 0x0000, c, 0));
        QVERIFY(waitUntil([&] { return af().contains(QLatin1String("AF #5 B 87.6:")); }));
        QVERIFY2(af().endsWith(QStringLiteral(" 88.0 <span style=\"background-color:%1\">87.8</span>")
                                   .arg(groupHighlightColour().name())),
                 qPrintable(af()));
        // Lists of several transmitters: the one of the channel's own 95.0 MHz, whichever came last.
        for (u16 c : {0xE34B, 0x054B, 0xE301, 0x0105})
            send(group(0xD123, 0x0000, c, 0));
        QVERIFY(waitUntil([&] { return lines() == 13; }));
        QVERIFY2(af().contains(QLatin1String("AF #3 B 95.0:</b> 88.0")), qPrintable(af()));
    }

    void logPreview()
    {
        // 100 lines of 100 bytes: 7776 bytes, the rest of that line, "...".
        QByteArray text;
        for (int i = 0; i < 100; ++i)
            text += QByteArray(99, char('a' + i % 26)) + '\n';
        const QString path = QDir(file.dirPath()).filePath(QStringLiteral("big.txt"));
        QVERIFY(TabRDS::writeLogText(path, QString::fromLatin1(text), nullptr));
        auto *files = qobject_cast<RDSLogFiles *>(w<QListView>("Log")->model());
        files->setFiles({path});
        w<QListView>("Log")->setCurrentIndex(files->index(0));
        QCOMPARE(w<QPlainTextEdit>("LogView")->toPlainText(), QString::fromLatin1(text.left(7800) + "..."));
    }
};

QTEST_MAIN(TstRdsMonitor)
#include "tst_rdsmonitor.moc"
