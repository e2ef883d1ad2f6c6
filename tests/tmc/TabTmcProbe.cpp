#include "TabTmcProbe.h"

#include "FMSettings.h"
#include "TMCLabel.h"
#include "TMCMsgModel.h"
#include "TMCTable.h"
#include "TmcCatalog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableWidget>

#include <memory>

namespace testsupport {

namespace {

template <typename T> T *child(const QWidget &page, const char *name)
{
    return page.findChild<T *>(QLatin1String(name));
}

QString words(const QList<u32> &labels)
{
    QStringList list;
    for (u32 w : labels)
        list << QString::number(w, 16);
    return QLatin1Char('[') + list.join(QLatin1Char(' ')) + QLatin1Char(']');
}

} // namespace

QString tmcPageMismatch(const QWidget &page, const FMSettings &project)
{
    const QTableWidgetItem *item = child<QTableWidget>(page, "sources")->currentItem();
    const int id = item ? item->data(Qt::UserRole).toInt() : 0;
    const QList<TMCMessage> stored = project.tmc(id).messages;
    const TMCTable *table = child<TMCTable>(page, "messages");
    const TMCMsgModel *model = table->msgModel();
    if (model->rowCount() != stored.size())
        return QStringLiteral("source %1: the table has %2 rows, the project %3 messages")
            .arg(id)
            .arg(model->rowCount())
            .arg(stored.size());
    for (int r = 0; r < stored.size(); ++r)
        if (model->get(r) != stored.at(r))
            return QStringLiteral("source %1 row %2: the table shows \"%3\", the project holds \"%4\"")
                .arg(id)
                .arg(r)
                .arg(model->get(r).toText(), stored.at(r).toText());
    const int row = table->currentIndex().row();
    if (model->currentRow() != row)
        return QStringLiteral("the model's current row is %1, the table's %2")
            .arg(model->currentRow())
            .arg(row);
    for (int r = 0; r < stored.size(); ++r)
        if (model->index(r, 1).data(Qt::BackgroundRole).isValid() != (r == row))
            return QStringLiteral("row %1 is %2green, the current row is %3")
                .arg(r)
                .arg(r == row ? QStringLiteral("not ") : QString())
                .arg(row);
    const QList<u32> shown = child<TMCLabel>(page, "labels")->labelModel()->labels();
    if (child<QGroupBox>(page, "gEdit")->isEnabled() != (row >= 0))
        return QStringLiteral("the editor is %1 with current row %2")
            .arg(row >= 0 ? QStringLiteral("disabled") : QStringLiteral("enabled"))
            .arg(row);
    if (row < 0)
        return shown.isEmpty() ? QString() : QStringLiteral("labels %1 without a message").arg(words(shown));
    const TMCMessage m = stored.at(row);
    if (shown != m.labels)
        return QStringLiteral("row %1: the label table shows %2, the message holds %3")
            .arg(row)
            .arg(words(shown), words(m.labels));
    const int editor[] = {
        child<QSpinBox>(page, "duration")->value(), child<QSpinBox>(page, "extent")->value(),
        child<QCheckBox>(page, "direction")->isChecked(), child<QCheckBox>(page, "diversion")->isChecked()};
    const int message[] = {m.duration, m.flags & 7, (m.flags >> 3) & 1, (m.flags >> 4) & 1};
    for (int f = 0; f < 4; ++f)
        if (editor[f] != message[f])
            return QStringLiteral("row %1: editor field %2 shows %3, the message holds %4")
                .arg(row)
                .arg(QStringList{"duration", "extent", "direction", "diversion"}.at(f))
                .arg(editor[f])
                .arg(message[f]);
    if (child<QPlainTextEdit>(page, "text2")->toPlainText() != tmcLocationText(m.location))
        return QStringLiteral("row %1: the location text is not that of %2").arg(row).arg(m.location);
    if (child<QSpinBox>(page, "duration")->isEnabled() != m.labels.isEmpty())
        return QStringLiteral("row %1: duration enabled with %2 labels").arg(row).arg(m.labels.size());
    return QString();
}

void dropCodes(QAbstractItemView &view, const QModelIndex &target, const QList<int> &codes)
{
    QStandardItemModel from(codes.size(), 1);
    QModelIndexList cells;
    for (int i = 0; i < codes.size(); ++i) {
        from.setData(from.index(i, 0), codes.at(i));
        cells << from.index(i, 0);
    }
    const std::unique_ptr<QMimeData> mime(from.mimeData(cells));
    view.scrollTo(target);
    const QPoint at = view.visualRect(target).center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
}

} // namespace testsupport
