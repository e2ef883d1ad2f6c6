#include "FMSettings.h"
#include "TMCLabel.h"
#include "TMCMsgModel.h"
#include "TMCTable.h"
#include "TabTMC.h"
#include "TabTmcProbe.h"
#include "TempProject.h"
#include "TmcCatalog.h"
#include "TmcTestLists.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include <functional>

namespace {

constexpr int sourceCount = 3;
constexpr int stepCount = 300;

QString joined(const QList<int> &rows)
{
    QStringList list;
    for (int r : rows)
        list << QString::number(r);
    return list.join(QLatin1Char(','));
}

// Removes the listed rows (distinct, any order) from a list.
template <typename T> void removeRows(QList<int> rows, QList<T> &from)
{
    std::sort(rows.begin(), rows.end());
    for (int i = rows.size() - 1; i >= 0; --i)
        from.removeAt(rows.at(i));
}

QString text(const QList<TMCMessage> &list)
{
    QStringList lines;
    for (const TMCMessage &m : list)
        lines << QLatin1Char('"') + m.toText() + QLatin1Char('"');
    return QLatin1Char('[') + lines.join(QLatin1String(", ")) + QLatin1Char(']');
}

// One seeded walk over the page. The steps do what an operator and another
// writer do; `stored` is what the project must hold after each of them.
class Walk
{
public:
    explicit Walk(quint32 seed) : rng(seed)
    {
        QByteArray ini;
        for (int s = 1; s <= sourceCount; ++s) {
            // Source 3 has a rate beyond what the rate box shows.
            ini += QStringLiteral("[tmc.%1]\nused=true\nname=S%1\nrate=%2\n").arg(s).arg(s * 70).toUtf8();
            for (int i = 0; i < s; ++i)
                ini += QStringLiteral("%1=%2\n").arg(i).arg(randomMessage().toText()).toUtf8();
        }
        file.reset(new testsupport::TempProject(ini));
        fms.reset(new FMSettings(file->path()));
        for (int s = 1; s <= sourceCount; ++s) {
            stored[s] = fms->tmc(s).messages;
            rate[s] = fms->tmc(s).rate;
        }
        page.reset(new TabTMC);
        page->setDeleteQuestion([this](const QString &, const QString &text) {
            answer = rng.bounded(3) != 0;
            log << QStringLiteral("  \"%1\" answered %2").arg(text, answer ? "Ok" : "Abbrechen");
            return answer;
        });
        page->setSettings(fms);
        page->resize(1100, 720);
        page->show();
        settle();
    }

    // Empty when every step kept the page and the project right; else the
    // first difference and the steps that led to it.
    QString run(int steps)
    {
        const std::function<void()> actions[] = {
            [this] { clickRow(); },       [this] { cycleSend(); },   [this] { editCode(); },
            [this] { editField(); },      [this] { addLabel(); },    [this] { editLabel(); },
            [this] { deleteLabels(); },   [this] { dropCode(); },    [this] { addMessage(); },
            [this] { deleteMessages(); }, [this] { otherWriter(); }, [this] { switchSource(); },
            [this] { editSource(); }};
        const int count = int(sizeof actions / sizeof actions[0]);
        for (int step = 0; step < steps; ++step) {
            pending = false;
            actions[rng.bounded(count)]();
            if (pending && problem.isEmpty())
                continue; // another writer's change the page has not heard of yet
            settle();
            const QString wrong = problem.isEmpty() ? check() : problem;
            if (!wrong.isEmpty())
                return QStringLiteral("step %1: %2\nlast steps:\n%3")
                    .arg(step)
                    .arg(wrong, log.mid(log.size() - 12).join('\n'));
        }
        settle();
        fms->sync();
        FMSettings reread(file->path());
        for (int s = 1; s <= sourceCount; ++s)
            if (reread.tmc(s).messages != stored[s])
                return QStringLiteral("source %1 read back from the file: %2")
                    .arg(s)
                    .arg(text(reread.tmc(s).messages));
        return check();
    }

private:
    template <typename T> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }
    TMCTable *table() { return w<TMCTable>("messages"); }
    TMCMsgModel *model() { return table()->msgModel(); }
    TMCLabel *labelTable() { return w<TMCLabel>("labels"); }
    int shown() { return w<QTableWidget>("sources")->currentItem()->data(Qt::UserRole).toInt(); }
    int currentRow() { return table()->currentIndex().row(); }
    QList<TMCMessage> &messages() { return stored[shown()]; }

    void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    QString check()
    {
        for (int s = 1; s <= sourceCount; ++s) {
            const TMCSource now = fms->tmc(s);
            if (now.messages != stored[s])
                return QStringLiteral("source %1 stores %2, expected %3")
                    .arg(s)
                    .arg(text(now.messages), text(stored[s]));
            if (now.rate != rate[s])
                return QStringLiteral("source %1 has rate %2, expected %3").arg(s).arg(now.rate).arg(rate[s]);
        }
        return testsupport::tmcPageMismatch(*page, *fms);
    }

    TMCMessage randomMessage()
    {
        TMCMessage m{u8(rng.bounded(8)),      u8(rng.bounded(32)), u16(rng.bounded(2048)),
                     u16(rng.bounded(65536)), u8(rng.bounded(3)),  {}};
        for (int n = int(rng.bounded(3)); n > 0; --n)
            m.labels << (rng.bounded(16) << 16 | rng.bounded(256));
        return m;
    }

    // A left click on a cell of a view, with Ctrl to add to the selection.
    void click(QAbstractItemView *view, const QModelIndex &index, bool add = false)
    {
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, add ? Qt::ControlModifier : Qt::NoModifier,
                          view->visualRect(index).center());
    }

    // Opens the view's editor of a cell as a double click does; null when none opened.
    QWidget *openEditor(QAbstractItemView *view, const QModelIndex &index)
    {
        click(view, index);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                           view->visualRect(index).center());
        for (QWidget *editor : view->viewport()->findChildren<QWidget *>())
            if (editor->isVisible() &&
                (qobject_cast<QSpinBox *>(editor) || qobject_cast<QComboBox *>(editor)))
                return editor;
        return nullptr;
    }

    // Distinct rows of a list of n rows, at most max of them, the first one first.
    QList<int> someRows(int n, int max)
    {
        QList<int> rows;
        for (int k = 1 + int(rng.bounded(quint32(qMin(n, max)))); rows.size() < k;) {
            const int r = int(rng.bounded(quint32(n)));
            if (!rows.contains(r))
                rows << r;
        }
        return rows;
    }

    void clickRow()
    {
        if (model()->rowCount() == 0)
            return;
        const int r = int(rng.bounded(quint32(model()->rowCount())));
        log << QStringLiteral("click row %1").arg(r);
        click(table(), model()->index(r, 1 + int(rng.bounded(2))));
    }

    void cycleSend()
    {
        if (model()->rowCount() == 0)
            return;
        const int r = int(rng.bounded(quint32(model()->rowCount())));
        log << QStringLiteral("double click on \"Senden\" of row %1").arg(r);
        openEditor(table(), model()->index(r, 0));
        messages()[r].send = u8((messages()[r].send + 1) % 3);
    }

    void editCode()
    {
        if (model()->rowCount() == 0)
            return;
        const int r = int(rng.bounded(quint32(model()->rowCount())));
        const int column = 1 + int(rng.bounded(2));
        const int value = int(rng.bounded(column == 1 ? 2048 : 65536));
        log << QStringLiteral("row %1 column %2 edited to %3").arg(r).arg(column).arg(value);
        auto *editor = qobject_cast<QSpinBox *>(openEditor(table(), model()->index(r, column)));
        if (!editor)
            return void(problem = QStringLiteral("a double click opened no editor"));
        editor->setValue(value);
        QTest::keyClick(editor, Qt::Key_Return);
        (column == 1 ? messages()[r].event : messages()[r].location) = u16(value);
    }

    void editField()
    {
        const int r = currentRow();
        if (r < 0 || !w<QGroupBox>("gEdit")->isEnabled())
            return;
        TMCMessage &m = messages()[r];
        const int field = int(rng.bounded(4));
        QWidget *control =
            w<QWidget>(QList<const char *>{"duration", "extent", "direction", "diversion"}.at(field));
        if (!control->isEnabled())
            return;
        log << QStringLiteral("editor field %1 of row %2").arg(control->objectName()).arg(r);
        const u8 before = m.flags & 0x1F;
        const int value = int(rng.bounded(8));
        if (field == 0 && value != m.duration)
            static_cast<QSpinBox *>(control)->setValue(value), m.duration = u8(value), m.flags = before;
        else if (field == 1 && value != (m.flags & 7))
            static_cast<QSpinBox *>(control)->setValue(value), m.flags = u8((before & ~7) | value);
        else if (field >= 2)
            static_cast<QAbstractButton *>(control)->click(), m.flags = before ^ (field == 2 ? 0x08 : 0x10);
    }

    void addLabel()
    {
        if (currentRow() < 0 || messages()[currentRow()].labels.size() >= 6)
            return;
        log << QStringLiteral("label added to row %1").arg(currentRow());
        w<QAbstractButton>("BaddInfo")->click();
        messages()[currentRow()].labels << 0;
    }

    void editLabel()
    {
        const int r = currentRow();
        if (r < 0 || messages()[r].labels.isEmpty())
            return;
        QList<u32> &words = messages()[r].labels;
        const int i = int(rng.bounded(quint32(words.size())));
        const int column = int(rng.bounded(2));
        const int value = int(rng.bounded(column == 0 ? 16 : 65536));
        log << QStringLiteral("label %1 column %2 of row %3 edited to %4")
                   .arg(i)
                   .arg(column)
                   .arg(r)
                   .arg(value);
        QWidget *editor = openEditor(labelTable(), labelTable()->model()->index(i, column));
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            combo->setCurrentIndex(value);
        else if (auto *spin = qobject_cast<QSpinBox *>(editor))
            spin->setValue(value);
        else
            return void(problem = QStringLiteral("a double click opened no editor"));
        QTest::keyClick(editor, Qt::Key_Return);
        words[i] =
            column == 0 ? (words[i] & 0xFFFF) | u32(value) << 16 : (words[i] & 0xFFFF0000) | u32(value);
    }

    void deleteLabels()
    {
        const int r = currentRow();
        if (r < 0 || messages()[r].labels.isEmpty())
            return;
        const QList<int> rows = someRows(messages()[r].labels.size(), 3);
        log << QStringLiteral("labels %1 of row %2 deleted").arg(joined(rows)).arg(r);
        for (int k = 0; k < rows.size(); ++k)
            click(labelTable(), labelTable()->model()->index(rows.at(k), 1), k > 0);
        answer = true; // no question for one row
        w<QAbstractButton>("BdelInfo")->click();
        if (answer)
            removeRows(rows, messages()[r].labels);
    }

    void dropCode()
    {
        if (model()->rowCount() == 0)
            return;
        const int r = int(rng.bounded(quint32(model()->rowCount())));
        const int column = 1 + int(rng.bounded(2));
        // One or two codes: events from the catalogue, any event code, or a
        // location code (too big for an event); a code below the last row is lost.
        const QList<int> events = tmcEventMap.keys();
        QList<int> codes;
        for (int n = 1 + int(rng.bounded(2)); codes.size() < n;)
            codes << (rng.bounded(2) ? events.at(int(rng.bounded(quint32(events.size()))))
                                     : int(rng.bounded(column == 1 && rng.bounded(2) ? 2048 : 65536)));
        log << QStringLiteral("codes %1 dropped on row %2 column %3").arg(joined(codes)).arg(r).arg(column);
        testsupport::dropCodes(*table(), model()->index(r, column), codes);
        for (int i = 0; i < codes.size() && r + i < model()->rowCount(); ++i) {
            if (column == 2)
                messages()[r + i].location = u16(codes.at(i));
            else if (codes.at(i) < 2048)
                messages()[r + i].event = u16(codes.at(i));
        }
    }

    void addMessage()
    {
        if (messages().size() >= 8)
            return deleteMessages();
        log << QStringLiteral("message added");
        w<QAbstractButton>("BaddMsg")->click();
        messages() << TMCMessage();
    }

    void deleteMessages()
    {
        if (model()->rowCount() == 0)
            return;
        const QList<int> rows = someRows(model()->rowCount(), 4);
        log << QStringLiteral("rows %1 deleted").arg(joined(rows));
        for (int k = 0; k < rows.size(); ++k)
            click(table(), model()->index(rows.at(k), 1 + int(rng.bounded(2))), k > 0);
        answer = true;
        w<QAbstractButton>("BdelMsg")->click();
        if (answer)
            removeRows(rows, messages());
    }

    void otherWriter()
    {
        const int s = 1 + int(rng.bounded(sourceCount));
        QList<TMCMessage> &list = stored[s];
        switch (rng.bounded(4)) {
        case 0: { // replaces or appends a message
            const int i = int(rng.bounded(quint32(list.size() + 1)));
            const TMCMessage m = randomMessage();
            log << QStringLiteral("another writer stores message %1 of source %2").arg(i).arg(s);
            fms->setTmcMessage(s, i, m);
            i < list.size() ? void(list[i] = m) : list.append(m);
            break;
        }
        case 1: { // appends, and the operator goes on before the page hears of it
            const TMCMessage m = randomMessage();
            log << QStringLiteral("another writer appends to source %1, not yet heard").arg(s);
            fms->setTmcMessage(s, list.size(), m);
            list.append(m);
            pending = true;
            break;
        }
        case 2: // drops the tail
            if (list.isEmpty())
                return;
            log << QStringLiteral("another writer keeps %1 messages of source %2")
                       .arg(list.size() - 1)
                       .arg(s);
            fms->removeTmcMessage(s, list.size() - 1);
            list.removeLast();
            break;
        default: // a rate beyond what the page's box shows
            rate[s] = int(rng.bounded(256));
            log << QStringLiteral("another writer sets the rate of source %1 to %2").arg(s).arg(rate[s]);
            fms->set(QStringLiteral("tmc.%1.rate").arg(s), rate[s], true);
        }
    }

    void switchSource()
    {
        auto *list = w<QTableWidget>("sources");
        const int row = int(rng.bounded(quint32(list->rowCount())));
        log << QStringLiteral("source row %1 clicked").arg(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row, 0)).center());
    }

    void editSource()
    {
        log << QStringLiteral("provider name and LTN of source %1 edited").arg(shown());
        auto *spn = w<QLineEdit>("SPN");
        spn->setText(QStringLiteral("SPN %1").arg(rng.bounded(100)));
        emit spn->editingFinished();
        w<QSpinBox>("LTN")->setValue(int(rng.bounded(64)));
    }

    QRandomGenerator rng;
    std::unique_ptr<testsupport::TempProject> file;
    QSharedPointer<FMSettings> fms;
    std::unique_ptr<TabTMC> page;
    QMap<int, QList<TMCMessage>> stored;
    QMap<int, int> rate;
    QStringList log;
    bool answer = true;   // the last answer to a delete question
    bool pending = false; // the step leaves the page unsettled
    QString problem;      // a step that could not be done
};

} // namespace

// A seeded random sequence of what an operator does on the TMC page, with
// another writer in between. After every step the editor, the green row and
// the label table must show the stored message of the table's current row,
// and the project must hold exactly the messages the steps made. Seeds come
// from TMC_SEQUENCE_SEED (one number or several, comma-separated); without
// it a few fixed seeds run. A failure names its seed.
class TestTabTmcSequence : public QObject
{
    Q_OBJECT
    QTemporaryDir lists;

private slots:
    void initTestCase()
    {
        QVERIFY(testsupport::writeTmcTestLists(lists.path()));
        QVERIFY(tmcLoadCatalogues(lists.path()));
    }

    void randomSequence()
    {
        QList<quint32> seeds = {1, 2, 3};
        const QByteArray given = qgetenv("TMC_SEQUENCE_SEED");
        if (!given.isEmpty()) {
            seeds.clear();
            for (const QByteArray &part : given.split(','))
                seeds << part.trimmed().toUInt();
        }
        for (quint32 seed : seeds) {
            const QString failure = Walk(seed).run(stepCount);
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1, %2").arg(seed).arg(failure)));
        }
    }
};

QTEST_MAIN(TestTabTmcSequence)
#include "tst_tabtmcsequence.moc"
