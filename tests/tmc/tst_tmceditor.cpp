#include "TMCEdit.h"
#include "TMCEvents.h"
#include "TMCEvtModel.h"
#include "TMCLabel.h"
#include "TMCLocModel.h"
#include "TMCMsgModel.h"
#include "TMCPlaces.h"
#include "TMCSender.h"
#include "TMCTable.h"
#include "TmcTestLists.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

Q_DECLARE_METATYPE(TMCMessage)

namespace {

QString codes(const QAbstractItemModel *model, int column = 0)
{
    QStringList list;
    for (int r = 0; r < model->rowCount(); ++r)
        list << model->index(r, column).data().toString();
    return list.join(' ');
}

u32 label(int number, int value)
{
    return u32(number) << 16 | u32(value);
}

// "L:V L:V ..." as label words.
QList<u32> labels(const QString &text)
{
    QList<u32> words;
    for (const QString &l : text.split(' '))
        words << label(l.section(':', 0, 0).toInt(), l.section(':', 1).toInt());
    return words;
}

TMCMessage message(u16 event, u16 location = 0, u8 send = 0)
{
    return TMCMessage{0, 0, event, location, send, {}};
}

TMCSource source(const QList<u16> &events)
{
    TMCSource s;
    for (u16 e : events)
        s.messages.append(message(e));
    return s;
}

} // namespace

// Search windows, label table and message table over loaded catalogues.
class TestTmcEditor : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(testsupport::writeTmcTestLists(dir.path(), TMCLocModel::maxRows));
        QVERIFY(tmcLoadCatalogues(dir.path()));
        qRegisterMetaType<TMCMessage>();
    }

    void findEvents()
    {
        // Text, then the filters N T U Q D C; a code beats the filters.
        const QList<QPair<QString, QString>> cases = {
            {" 0 0 0 -1 0 0", "101 102 103 104 106 107 108"}, {"STAU 0 0 0 -1 0 0", "101"},
            {"104 3 0 0 -1 0 0", "104"}, {" 1 0 0 -1 0 0", "101 108"}, {" 0 3 0 -1 0 0", "104 106 107"},
            {" 0 0 3 -1 2 1", "102"}, {" 0 0 0 0 0 0", "101"}};
        for (const auto &c : cases) {
            const QStringList f = c.first.split(' ');
            QWidget owner;
            auto *window = new TMCEvents(&owner); // deleted with its owner
            window->findChild<QLineEdit *>("text")->setText(f.first());
            for (int i = 0; i < 6; ++i)
                i < 3 ? window->findChild<QComboBox *>(QString("NTU").at(i))->setCurrentIndex(f.at(i + 1).toInt())
                      : window->findChild<QSpinBox *>(QString("QDC").at(i - 3))->setValue(f.at(i + 1).toInt());
            window->findEvents();
            window->findEvents();
            QCOMPARE(codes(window->model()), c.second);
            QCOMPARE(window->windowTitle(), QStringLiteral("TMC Ereignis suchen (%1)").arg(c.second.count(' ') + 1));
        }
    }

    void findPlaces()
    {
        // clang-format off
        const struct { const char *text, *found, *count; } cases[] = {
            {"köln SÜD", "13", "1"}, {"y x", "12", "1"}, {"gen 20005", "20005", "1"}, {"131069", "", "0"},
            {"", "12 13 99 20000", ">9999"}}; // empty: capped
        // clang-format on
        for (const auto &c : cases) {
            QWidget owner;
            auto *window = new TMCPlaces(&owner);
            window->findChild<QLineEdit *>("text")->setText(QString::fromUtf8(c.text));
            window->findPlaces();
            QCOMPARE(window->windowTitle(), QStringLiteral("TMC Orte suchen (%1)").arg(c.count));
            const QString got = codes(window->model());
            QCOMPARE(*c.text ? got : got.left(int(qstrlen(c.found))), QString(c.found));
            QVERIFY(*c.text || window->model()->rowCount() == TMCLocModel::maxRows);
        }
    }

    void tableMenuAndDrops()
    {
        TMCTable table;
        TMCMsgModel *messages = table.msgModel();
        messages->add(TMCMessage());
        table.eventWindow()->findEvents();
        table.placeWindow()->findPlaces();
        const auto drop = [&](QAbstractItemModel *from, int row, int column) {
            QScopedPointer<QMimeData> data(from->mimeData({from->index(row, 0)}));
            messages->dropMimeData(data.data(), Qt::CopyAction, -1, -1, messages->index(0, column));
        };
        drop(table.eventWindow()->model(), 3, 1); // event 104
        drop(table.placeWindow()->model(), 1, 2); // location 13
        drop(table.placeWindow()->model(), 3, 1); // 20000 is no event code
        QVERIFY(messages->get(0).event == 104 && messages->get(0).location == 13);
    }

    void labelPackingAndLimit()
    {
        TMCLblModel model;
        QCOMPARE(model.limitRow(), TMCLblModel::noLimit);
        model.setLabels(labels("0:3 1:2 3:10"), 0);
        QCOMPARE(model.groups(), (QList<u32>{0x628D40})); // 23 bits, left-aligned
        // Five 20-bit labels fill the sender's four content words; it drops the sixth.
        const QList<u32> diversions = labels("10:43981 10:1 10:2 10:3 10:4 10:5");
        model.setLabels(diversions, 0);
        QCOMPARE(model.groups(), TMCSender::packLabels(diversions.mid(0, 5), false, TMCSender::defaultKeyRow));
        QCOMPARE(model.limitRow(), 4);
        QVERIFY(model.index(5, 1).data(Qt::BackgroundRole).isValid() && !model.index(4, 1).data(Qt::BackgroundRole).isValid());
        model.setLabels(QVector<u32>(28, label(15, 0)).toList(), 0);
        QVERIFY(model.limitRow() == TMCLblModel::noLimit && model.groups().size() == 4);
    }

    void labelErrors()
    {
        // clang-format off
        const struct { const char *words; int event; const char *errors; } cases[] = {
            {"0:1 0:2 0:0", 0, "|Label nur einmal erlaubt|Dauer 0 unzulässig"},
            {"2:1 2:1 14:0 2:1", 0, "|Separator erforderlich||"}, {"1:2 1:10", 0, "|Jeder Code nur einmal erlaubt"},
            {"5:1 4:1", 101, "Quantifier hat falsche Bitbreite|"}, {"4:1", 102, "Ereignis hat keinen Quantifier"},
            {"9:103 5:1", 106, "Stille Meldung unzulässig|Ereignis hat keinen Quantifier"}};
        // clang-format on
        for (const auto &c : cases) {
            TMCLblModel model;
            model.setLabels(labels(c.words), u16(c.event));
            QStringList found;
            for (int row = 0; row < model.rowCount(); ++row)
                found << model.errorText(row);
            QCOMPARE(found.join('|'), QString::fromUtf8(c.errors));
        }
    }

    void labelValueTexts()
    {
        const QList<QPair<QString, QString>> cases = {{"8:200", "200: Wednesday 08:00"}, {"7:231", "231: 31. January"},
                                                      {"7:229", "229"}, {"8:255", "255: Ende December 2026"}};
        for (const auto &c : cases) {
            TMCLblModel model;
            model.setToday(QDate(2026, 1, 30)); // a Friday; no 29 February
            model.setLabels(labels(c.first), 101);
            QCOMPARE(model.index(0, 1).data().toString(), c.second);
        }
    }

    void labelEditing()
    {
        TMCLabel table;
        TMCLblModel &model = *table.labelModel();
        model.add(label(0, 1));
        model.add(label(3, 2));
        QSignalSpy changed(&model, &TMCLblModel::labelChanged);
        QVERIFY(!model.setData(model.index(0, 0), 16) && !model.setData(model.index(0, 1), 65536));
        QVERIFY(!model.setData(model.index(2, 1), 5));
        QScopedPointer<QWidget> box(table.itemDelegate()->createEditor(&table, {}, model.index(0, 0)));
        qobject_cast<QComboBox *>(box.data())->setCurrentIndex(5);
        table.itemDelegate()->setModelData(box.data(), &model, model.index(0, 0));
        QVERIFY(model.setData(model.index(0, 1), 65535));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last(), (QList<QVariant>{0, QVariant::fromValue(label(5, 65535))}));
        QCOMPARE(model.index(0, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Ereignis hat keinen Quantifier\nOut of range [0..255]\n65535"));
        QCOMPARE(model.remove({7}), 0);
        QCOMPARE(model.remove({1, 0, 1}), 2);
        QVERIFY(changed.count() == 3 && model.rowCount() == 0);
    }

    void editingAndDropsKeepTheCellRange()
    {
        TMCMsgModel model;
        model.add(message(1, 1));
        QSignalSpy changed(&model, &TMCMsgModel::messageChanged);
        struct Case { int column; int role; QVariant value; bool stored; };
        const QList<Case> cases = {
            {1, Qt::DisplayRole, 2047, true}, {1, Qt::DisplayRole, 2048, false}, {1, Qt::DisplayRole, -1, false},
            {2, Qt::DisplayRole, 65535, true}, {2, Qt::EditRole, 65536, false}, {0, Qt::DisplayRole, 1, false},
            {0, Qt::EditRole, 2, true}, {0, Qt::EditRole, 3, false}, {1, Qt::EditRole, "abc", false},
            {1, Qt::ToolTipRole, 5, false}};
        for (const Case &c : cases)
            QCOMPARE(model.setData(model.index(0, c.column), c.value, c.role), c.stored);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.last().at(1).value<TMCMessage>(), message(2047, 65535, 2));
        QVERIFY(!model.setData(model.index(1, 1), 3, Qt::EditRole));
        TMCEdit edit;
        QWidget parent;
        for (int column : {0, 1, 2})
            QCOMPARE(qobject_cast<QSpinBox *>(edit.createEditor(&parent, {}, model.index(0, column)))->maximum(),
                     QList<int>({2, 2047, 65535}).at(column));
    }

    void setSourceAnnouncesOnlyDifferences()
    {
        TMCMsgModel model;
        model.setSource(source({1, 2}));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        for (const QList<u16> &list : {QList<u16>{1, 2}, {1, 2, 3}, {1, 9, 3}, {1}})
            model.setSource(source(list));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().mid(1), (QList<QVariant>{2, 2}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toModelIndex().row(), 1);
        QCOMPARE(removed.first().mid(1), (QList<QVariant>{1, 2}));
        QCOMPARE(codes(&model, 1), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestTmcEditor)
#include "tst_tmceditor.moc"
