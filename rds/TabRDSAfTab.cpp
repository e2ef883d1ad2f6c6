// TabRDS: the AF tab.
#include "TabRDS.h"

#include "AFTable.h"
#include "AFTableAuto.h"
#include "AFTableSend.h"
#include "FMSettings.h"
#include "RDSTexts.h"

#include "ui_TabRDSAF.h"

#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>

namespace {

constexpr int methodAWarnLimit = 25;

} // namespace

void TabRDS::updateAFs(bool warn)
{
    if (!project || current <= 0)
        return;
    RDSSource rec = project->rds(current);
    for (RDSAFEntry &e : rec.af)
        e.regional = rec.afr.contains(e.freq) ? 1 : 0;
    const QModelIndex at = uiAF->AFatab->currentIndex();
    const int tune = at.isValid() ? afAuto->frequencyAt(at.row()) : 0;
    const int count = rec.compileAF(tune);
    afAuto->setList(rec.af);
    if (at.isValid() && at.row() < afAuto->rowCount())
        uiAF->AFatab->setCurrentIndex(afAuto->index(at.row(), at.column()));
    afSend->setCodes(rec.afCodes, rec.afu & 8);
    {
        AFTable *table = uiAF->AFmtab;
        const QSignalBlocker blocker(table);
        table->setRowCount(rec.afs.size());
        for (int i = 0; i < rec.afs.size(); ++i)
            table->setRow(i, rec.afs.at(i).freq, rec.afs.at(i).mark, rec.afs.at(i).regional);
    }
    if (warn && !(rec.afu & 8) && count > methodAWarnLimit)
        QTimer::singleShot(150, this, &TabRDS::useVariant);
}

void TabRDS::useVariant()
{
    QToolTip::showText(uiAF->AFA->mapToGlobal(QPoint(0, 0)),
                       tr("bei >25 Frequenzen sollte Verfahren B eingesetzt werden"), uiAF->AFA);
}

void TabRDS::regionalAuto(const QModelIndex &index)
{
    if (!project || index.column() != 1)
        return;
    const int freq = afAuto->frequencyAt(index.row());
    if (freq != 0)
        project->setAfr(current, freq);
}

void TabRDS::regionalManu(const QModelIndex &index)
{
    if (!project || index.column() != 0)
        return;
    const RDSAFEntry e = afRowValue(index.row());
    if (e.freq != 0 && e.mark != RDSAFEntry::listStart)
        project->setAfr(current, e.freq);
}

void TabRDS::showBytes(bool bytes)
{
    afSend->setShowBytes(bytes);
}

RDSAFEntry TabRDS::afRowValue(int row) const
{
    RDSAFEntry e;
    const QTableWidgetItem *mark = uiAF->AFmtab->item(row, 0);
    const QTableWidgetItem *value = uiAF->AFmtab->item(row, 1);
    const qint32 freq = value ? typedAfFrequency(value->text()) : 0;
    if (freq == 0)
        return e;
    // A negative frequency is how the stored text marks a list start: it
    // starts a list with its absolute value.
    e.freq = qAbs(freq);
    if ((mark && mark->text().startsWith(QLatin1String("Start"))) || freq < 0)
        e.mark = RDSAFEntry::listStart;
    return e;
}

QList<RDSAFEntry> TabRDS::saveManualAFs(const QList<QTableWidgetItem *> &skip)
{
    QList<RDSAFEntry> list;
    if (!project || loading || current <= 0)
        return list;
    // The rows are the stored list in order, then rows added since.
    const QList<RDSAFEntry> stored = project->rds(current).afs;
    for (int row = 0; row < uiAF->AFmtab->rowCount(); ++row) {
        QTableWidgetItem *item = uiAF->AFmtab->item(row, 1);
        if (item && skip.contains(item))
            continue;
        const QString text = item ? item->text().trimmed() : QString();
        if (!text.isEmpty() && typedAfFrequency(text) == 0) {
            // Not a frequency a receiver can tune: marked, and the row keeps
            // what it stored.
            const QSignalBlocker blocker(uiAF->AFmtab);
            item->setBackground(warnColour());
            item->setToolTip(tr("keine Frequenz: nicht gespeichert"));
            if (row < stored.size())
                list.append(stored.at(row));
            continue;
        }
        if (item && item->background().color() == warnColour()) {
            const QSignalBlocker blocker(uiAF->AFmtab);
            item->setBackground(QBrush());
            item->setToolTip(QString());
        }
        const RDSAFEntry e = afRowValue(row);
        if (e.freq != 0)
            list.append(e);
    }
    project->setAfs(current, list);
    return list;
}

void TabRDS::addAF()
{
    appendManualRow(false);
}

void TabRDS::addList()
{
    appendManualRow(true);
}

void TabRDS::appendManualRow(bool listStart)
{
    if (loading || current <= 0)
        return;
    AFTable *table = uiAF->AFmtab;
    const int row = table->rowCount();
    {
        const QSignalBlocker blocker(table);
        table->insertRow(row);
        auto *mark = new QTableWidgetItem(listStart ? QStringLiteral("Start") : QString());
        mark->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        table->setItem(row, 0, mark);
        auto *value = new QTableWidgetItem;
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, 1, value);
    }
    table->setCurrentCell(row, 1);
    if (table->isVisible())
        table->editItem(table->item(row, 1));
}

void TabRDS::delAF()
{
    QList<QTableWidgetItem *> skip;
    for (QTableWidgetItem *item : uiAF->AFmtab->selectedItems())
        if (QTableWidgetItem *value = uiAF->AFmtab->item(item->row(), 1))
            if (!skip.contains(value))
                skip.append(value);
    if (!skip.isEmpty())
        saveManualAFs(skip);
}

void TabRDS::freqChanged(QTableWidgetItem *item)
{
    if (item && item->column() == 1)
        saveManualAFs({});
}
