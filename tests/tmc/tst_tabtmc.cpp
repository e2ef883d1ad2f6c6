#include "../engine/rds/EncoderFixtures.h"
#include "ECCSearch.h"
#include "FMSettings.h"
#include "TMCLabel.h"
#include "TMCMsgModel.h"
#include "TMCTable.h"
#include "TabRDS.h"
#include "TabTMC.h"
#include "TabTmcProbe.h"
#include "TempProject.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

// The TMC page on a temporary project: every edit must be in the project at
// once, and key changes from elsewhere must reach the page.
class TestTabTmc : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::TempProject> file;
    QSharedPointer<FMSettings> fms;
    std::unique_ptr<TabTMC> page;
    QStringList asked;
    bool answer = false;

    template <typename T> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }
    void settle() { QCoreApplication::processEvents(), QCoreApplication::processEvents(); }
    QString key(const QString &k) { return fms->value(QStringLiteral("tmc.1/") + k).toString(); }
    void click(const char *name) { w<QAbstractButton>(name)->click(), settle(); }
    TMCMsgModel *messages() { return w<TMCTable>("messages")->msgModel(); }
    void selectMessages(const QList<int> &rows)
    {
        auto *view = w<TMCTable>("messages");
        view->setCurrentIndex(messages()->index(rows.first(), 0));
        for (int r : rows)
            view->selectionModel()->select(messages()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Sets a control the way the operator would: click, value, item or text.
    void apply(const QString &name, const QString &input)
    {
        QWidget *c = page->findChild<QWidget *>(name);
        QVERIFY2(c, qPrintable(name));
        if (auto *box = qobject_cast<QGroupBox *>(c))
            box->setChecked(!box->isChecked());
        else if (auto *button = qobject_cast<QAbstractButton *>(c))
            button->click();
        else if (auto *spin = qobject_cast<QSpinBox *>(c))
            spin->setValue(input.toInt(nullptr, 0));
        else if (auto *combo = qobject_cast<QComboBox *>(c)) {
            if (!input.startsWith('#') && combo->findText(input) < 0)
                combo->addItem(input);
            combo->setCurrentIndex(input.startsWith('#') ? input.mid(1).toInt() : combo->findText(input));
        } else if (auto *edit = qobject_cast<QLineEdit *>(c)) {
            edit->setText(input);
            emit edit->editingFinished();
        }
        settle();
    }

private slots:
    void init()
    {
        file.reset(new testsupport::TempProject(
            "[tmc.1]\nused=true\nname=Eins\nva0=71\nva1=16397\nva2=32992\nva3=49152\n"));
        fms.reset(new FMSettings(file->path()));
        page.reset(new TabTMC);
        page->setDeleteQuestion(
            [this](const QString &, const QString &text) { return asked << text, answer; });
        page->setSettings(fms);
        settle();
    }
    void cleanup() { page.reset(), fms.reset(), file.reset(), asked.clear(), answer = false; }

    void sources()
    {
        auto *list = w<QTableWidget>("sources");
        click("Badd");
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->currentItem()->data(Qt::UserRole).toInt(), 2);
        list->currentItem()->setText("Zwei");
        QCOMPARE(fms->value("tmc.2/name").toString(), QString("Zwei"));
        list->clearSelection();
        click("Bdel");
        QCOMPARE(fms->tmcNames().size(), 2);
        list->setCurrentCell(0, 0);
        click("Bdel");
        QCOMPARE(fms->tmcNames(), (QMap<int, QString>{{2, "Zwei"}}));
        QCOMPARE(list->rowCount(), 1);
    }

    void controlsWriteKeys()
    {
        // The controls applied in turn with their inputs (';'-separated), then the key's value.
        const auto row = [this](const char *tag, const char *c, const char *in, const char *key, const QString &v) {
            cleanup(), init();
            const QStringList names = QString(c).split(';'), values = QString(in).split(';');
            for (int i = 0; i < names.size(); ++i)
                apply(names.at(i), values.value(i));
            QCOMPARE(tag + (": " + this->key(key)), tag + (": " + v));
        };
        // clang-format off
        row("variant 0", "variant0", "", "flag", "8"); row("encryption", "gEnc", "", "flag", "11");
        row("key table", "gEnc;key", ";", "flag", "15"); row("spn", "SPN", "Verkehr", "spn", "Verkehr");
        row("aid typed", "AID", "1234", "aid", "4660"); row("aid malformed", "AID", "XYZ", "aid", "52550");
        row("ltn in va0", "LTN", "5", "va0", "327"); row("afi", "AFI", "", "va0", "103");
        row("mode", "M", "", "va0", "87"); row("sid in va1", "SID", "7", "va1", "16845");
        row("gap", "GAP", "#2", "va1", "24589"); row("ltcc in va1", "LTCC", "10", "va1", "16394");
        row("no ltcc in time-wheel mode", "M;LTCC", ";3", "ltcc", "");
        row("time wheel", "M;ta;tw;td", ";#1;#2;#3", "va1", "16411");
        row("ltecc in va2", "LTECC", "208", "va2", "32976"); row("repeat", "repeat", "5", "rpt", "5");
        row("encid", "gEnc;encid", ";4", "enc", "4");
        row("service key", "gEnc;key;rotate;shift;xor", ";;1;2;255", "skt", QString("0 ").repeated(31) + "12ff");
        row("var0 masked", "var0", "FFFF", "va0", "16383"); row("var0 ltn", "var0", "0FC0", "ltn", "63");
        // clang-format on
    }

    void remoteChanges()
    {
        fms->setValue("tmc.1/ltn", "70", true); // masked to 6 bits
        settle();
        QCOMPARE(key("va0"), QString::number(0x0187));
        QCOMPARE(w<QSpinBox>("LTN")->value(), 6);
        fms->setValue("tmc.1/ltcc", "3", true);
        settle();
        QCOMPARE(key("va1"), QString::number(0x4003));
        QCOMPARE(fms->addTmc(), 2);
        QCOMPARE(fms->set("tmc.1,2.sid", "9", true), 0);
        settle();
        QCOMPARE(fms->tmc(1).va1 >> 6 & 63, 9);
        QCOMPARE(fms->tmc(2).va1 >> 6 & 63, 9);
        QVERIFY(!fms->contains("tmc.0/va1"));
        page->selectSource(1);
        fms->setValue("tmc.1/va0", QString::number(0x0057), true); // time-wheel mode
        fms->setValue("tmc.1/ltcc", "5", true);
        settle();
        QCOMPARE(fms->tmc(1).va1 & 15, 3);
        QVERIFY(!w<QSpinBox>("LTCC")->isEnabled());
    }

    void countryAndNoSource()
    {
        ECC country{"DE", 0xE1, 0, "D1", {}, {}};
        emit page->findChild<ECCSearch *>()->saveECC(country);
        settle();
        QCOMPARE(key("va1"), QString::number(0x400D)); // "d" is among "D1"
        QCOMPARE(key("ltecc"), QString("e1"));
        country.ci = "A";
        emit page->findChild<ECCSearch *>()->saveECC(country);
        settle();
        QCOMPARE(key("ltcc"), QString("a"));
        fms->setTmcUsed(1);
        settle();
        QMetaObject::invokeMethod(page.get(), "addMessage");
        QCOMPARE(messages()->rowCount() + fms->tmc(1).messages.size(), 0);
    }

    void messagesAndLabels()
    {
        for (int i = 0; i < 5; ++i)
            click("BaddMsg");
        QCOMPARE(fms->tmc(1).messages.size(), 5);
        for (int r = 0; r < 5; ++r)
            messages()->setData(messages()->index(r, 1), 100 + r);
        settle();
        selectMessages({2});
        click("BaddInfo"); // stored at once
        click("BaddInfo");
        QCOMPARE(fms->tmc(1).messages.at(2).labels, (QList<u32>{0, 0}));
        QVERIFY(!w<QSpinBox>("duration")->isEnabled());
        w<TMCLabel>("labels")->setCurrentIndex(w<TMCLabel>("labels")->model()->index(1, 0));
        click("BdelInfo");
        QCOMPARE(fms->tmc(1).messages.at(2).labels, (QList<u32>{0}));
        selectMessages({0, 1, 3});
        click("BdelMsg");
        QCOMPARE(asked, QStringList{"3 Meldungen löschen?"});
        QCOMPARE(fms->tmc(1).messages.size(), 5);
        answer = true;
        click("BdelMsg");
        fms->sync();
        const QList<TMCMessage> fresh = FMSettings(file->path()).tmc(1).messages;
        QCOMPARE(fresh, (QList<TMCMessage>{messages()->get(0), messages()->get(1)}));
        QCOMPARE(QList<int>({fresh.at(0).event, fresh.at(1).event}), QList<int>({102, 104}));
        QCOMPARE(fresh.at(0).labels, (QList<u32>{0}));
    }

    void messageAddedElsewhereSurvives()
    {
        click("BaddMsg");
        fms->setTmcMessage(1, 1, TMCMessage{0, 0, 777, 0, 0, {}}); // the page has not heard of it yet
        w<QSpinBox>("LTN")->setValue(9);
        w<QAbstractButton>("BaddMsg")->click();
        settle();
        const QList<TMCMessage> list = fms->tmc(1).messages;
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(1).event, u16(777));
        QCOMPARE(messages()->rowCount(), 3);
    }

    void editsLandOnTheCurrentMessage()
    {
        // Messages with the events 100, 101, ..., message i holding the label word i; the rows deleted (the
        // first made current), then a label added on the row that is current then; the stored messages as
        // "event:labels".
        // clang-format off
        const struct { int count; QList<int> rows; const char *stored; } deletes[] = {
            {3, {0}, "101:1,0 102:2"}, {5, {0, 1, 3}, "102:2,0 104:4"}, {2, {0}, "101:1,0"},
            {3, {2}, "100:0 101:1,0"}};
        // clang-format on
        for (const auto &c : deletes) {
            cleanup(), init();
            for (int i = 0; i < c.count; ++i)
                fms->setTmcMessage(1, i, TMCMessage{0, 0, u16(100 + i), 0, 0, {u32(i)}});
            settle();
            answer = true;
            selectMessages(c.rows);
            click("BdelMsg");
            QCOMPARE(testsupport::tmcPageMismatch(*page, *fms), QString());
            click("BaddInfo");
            QStringList stored;
            for (const TMCMessage &m : fms->tmc(1).messages) {
                QStringList words;
                for (u32 word : m.labels)
                    words << QString::number(word);
                stored << QString::number(m.event) + ':' + words.join(',');
            }
            QCOMPARE(stored.join(' '), QString(c.stored));
            QCOMPARE(testsupport::tmcPageMismatch(*page, *fms), QString());
        }
        // A code dropped on a row that is not current: that row is edited and becomes current.
        cleanup(), init();
        for (int i = 0; i < 3; ++i)
            fms->setTmcMessage(1, i, TMCMessage{u8(i + 1), u8(i), u16(100 + i), 0, 0, {}});
        settle();
        page->show();
        selectMessages({0});
        testsupport::dropCodes(*w<TMCTable>("messages"), messages()->index(2, 1), {777});
        settle();
        QCOMPARE(testsupport::tmcPageMismatch(*page, *fms), QString());
        w<QSpinBox>("duration")->setValue(5);
        settle();
        const QList<TMCMessage> after = fms->tmc(1).messages;
        QCOMPARE(after.at(0).toText() + " / " + after.at(1).toText() + " / " + after.at(2).toText(),
                 QString("1 0 100 0 0 / 2 1 101 0 0 / 5 2 777 0 0"));
    }

    void deleteKeepsAMessageAddedElsewhere()
    {
        for (int i = 0; i < 2; ++i)
            fms->setTmcMessage(1, i, TMCMessage{0, 0, u16(100 + i), 0, 0, {}});
        settle();
        fms->setTmcMessage(1, 2, TMCMessage{0, 0, 777, 0, 0, {}}); // not yet heard of
        selectMessages({0});
        click("BdelMsg");
        QCOMPARE(fms->tmc(1).messages, (QList<TMCMessage>{{0, 0, 101, 0, 0, {}}, {0, 0, 777, 0, 0, {}}}));
        QCOMPARE(testsupport::tmcPageMismatch(*page, *fms), QString());
    }

    void storesOnlyWhatWasEdited()
    {
        // The rate box ends at 180, the key at 255.
        QCOMPARE(fms->set("tmc.1.rate", "240", true), 0);
        settle();
        apply("SPN", "Verkehr");
        QCOMPARE(key("rate") + ' ' + key("spn"), QString("240 Verkehr"));
        apply("rate", "20");
        QCOMPARE(key("rate"), QString("20"));
    }

    void variantFieldsShowFourDigits()
    {
        page->resize(1100, 720); // the main window's first size
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        for (const char *name : {"var0", "var1", "var2", "var3"}) {
            auto *field = w<QLineEdit>(name);
            field->end(false);
            page->grab(); // lays out and paints, which scrolls a text that does not fit
            const int y = field->height() / 2;
            QCOMPARE(QString(name) + ' ' + field->text() + ' ' +
                         QString::number(field->cursorPositionAt({0, y})),
                     QString(name) + ' ' + field->text() + " 0");
        }
    }

    void serviceFromScratchGoesOnAir()
    {
        // A TMC source and an RDS source made on the pages, the RDS source sending it in 8A: on air are 8A
        // groups and the 3A announcement of the TMC application (AID CD46).
        click("Badd");
        TabRDS rds;
        rds.setSettings(fms);
        rds.findChild<QPushButton *>("Badd")->click();
        settle();
        rds.findChild<QGroupBox *>("group08")->setChecked(true);
        rds.findChild<QComboBox *>("tmcSI")->setCurrentIndex(2);
        settle();
        RDSEncoder enc(1);
        enc.setTMC(fms->tmc(fms->rds(1).tmcsi));
        enc.setRDS(fms->rds(1), 95.8);
        const QStringList groups = encfix::run(enc, 200);
        QVERIFY(!groups.filter(QRegularExpression("^D311 8")).isEmpty());
        QVERIFY(!groups.filter(QRegularExpression("^D311 3550 .... CD46$")).isEmpty());
    }

    void encoderSendsEditedEvent()
    {
        click("BaddMsg");
        for (const auto &cell : {QPoint(1, 101), QPoint(2, 4321), QPoint(0, 1)})
            messages()->setData(messages()->index(0, cell.x()), cell.y());
        settle();
        RDSSource s = encfix::source();
        encfix::rate(s, 8, 60);
        encfix::rate(s, 3, 1);
        s.tmcsi = 1;
        RDSEncoder enc(1);
        enc.setTMC(fms->tmc(1));
        enc.setRDS(s, 95.8);
        const QStringList groups = encfix::run(enc, 12);
        QVERIFY2(!groups.filter(QRegularExpression("^1234 8... 0065 10E1$")).isEmpty(),
                 qPrintable(groups.join('\n')));
    }
};

QTEST_MAIN(TestTabTmc)
#include "tst_tabtmc.moc"
