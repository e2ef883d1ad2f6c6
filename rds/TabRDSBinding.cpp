// TabRDS: binding to the project, the source table and the lists that follow
// the key store (sources, channels of the monitor, TMC sources).
#include "TabRDS.h"

#include "FMSettings.h"
#include "SetValue.h"

#include "ui_TabRDS0.h"
#include "ui_TabRDS2.h"
#include "ui_TabRDSAF.h"
#include "ui_TabRDSRT.h"
#include "ui_TabRDSUI.h"

#include <QDebug>
#include <QSignalBlocker>

namespace {

constexpr int maxChannel = 96;

// The number of a key between its first '.' and its first '/' (the whole
// rest without '/'); 0 when it is not a number.
int keyNumber(const QString &key)
{
    const int dot = key.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return 0;
    const int slash = key.indexOf(QLatin1Char('/'), dot + 1);
    return key.midRef(dot + 1, slash < 0 ? -1 : slash - dot - 1).toInt();
}

} // namespace

void TabRDS::setSettings(const QSharedPointer<FMSettings> &settings)
{
    project = settings;
    if (!project)
        return;
    for (const char *section : {"tmc", "rds", "rdsin", "chinfo", "channel"})
        project->registerKey(QLatin1String(section), this);
    updateEnabled();
    fillChannelList(maxChannel);
    updateSources(0);
}

void TabRDS::setValueEvent(SetValue *event)
{
    const QString key = event->key.toLower();
    const int n = keyNumber(key);
    const QVariant &value = event->value;
    if (key.startsWith(QLatin1String("chinfo"))) {
        if (n != 0 && key.contains(QLatin1String("/rdslog")))
            logRdsGroup(n, value.toByteArray());
    } else if (key.startsWith(QLatin1String("channel"))) {
        const bool source = key.endsWith(QLatin1String("idrds")), file = key.endsWith(QLatin1String("/rds"));
        if (source)
            setChannelEntry(n, QString());
        else if (file)
            setChannelEntry(n, value.toString().isEmpty() ? QString() : tr("aus Log Datei"));
        // The shown channel sends another programme now.
        if ((source || file) && n > 0 && n == shownChannel())
            resetDecodedPanel();
    } else if (key.startsWith(QLatin1String("rdsin"))) {
        setChannelEntry(n, value.toString().isEmpty() ? QString() : tr("Fernzugriff"));
        if (n > 0 && n == shownChannel())
            resetDecodedPanel();
    } else if (key.startsWith(QLatin1String("rds"))) {
        rdsKeyChanged(key, n, value);
    } else if (key.startsWith(QLatin1String("tmc"))) {
        tmcKeyChanged(key, n, value);
    }
}

void TabRDS::rdsKeyChanged(const QString &key, int n, const QVariant &value)
{
    if ((key.endsWith(QLatin1String("/af")) && !key.contains(QLatin1String("eon"))) ||
        key.endsWith(QLatin1String("/pi"))) {
        updateAFs(false);
        // A PI set elsewhere must reach the form too, or the next store
        // would write the old one back.
        QTableWidgetItem *item = ui->sources->currentItem();
        if (key.endsWith(QLatin1String("/pi")) && item && n == item->data(Qt::UserRole).toInt() &&
            project && ui0->PI->text().compare(QStringLiteral("%1").arg(project->rds(n).pi, 4, 16, QLatin1Char('0')),
                                               Qt::CaseInsensitive) != 0)
            itemChanged(item);
    } else if (key.endsWith(QLatin1String("/used"))) {
        if (value.toBool())
            updateSources(n);
        else
            updateSources(n == current ? 0 : current);
    } else if (!key.contains(QLatin1Char('/'))) {
        updateSources(current);
    } else if (key.endsWith(QLatin1String("/name")) && n != current) {
        // A rename from elsewhere of a source not shown: its row follows.
        renameRow(n, value.toString());
    } else if (QTableWidgetItem *item = ui->sources->currentItem()) {
        if (key.endsWith(QLatin1String("/name")))
            renameRow(n, value.toString());
        if (n == 0 || n == item->data(Qt::UserRole).toInt())
            itemChanged(item);
    }
}

void TabRDS::renameRow(int id, const QString &name)
{
    const QSignalBlocker blocker(ui->sources);
    for (int row = 0; row < ui->sources->rowCount(); ++row) {
        QTableWidgetItem *item = ui->sources->item(row, 0);
        if (item && item->data(Qt::UserRole).toInt() == id && item->text() != name)
            item->setText(name);
    }
}

void TabRDS::tmcKeyChanged(const QString &key, int n, const QVariant &value)
{
    const bool wasLoading = loading;
    loading = true;
    QComboBox *list = ui0->tmcSI;
    const int index = n > 0 ? list->findData(n) : -1; // never "<keine>"
    if (index < 0) {
        fillTmcList(project ? project->rds(current).tmcsi : 0);
    } else if (key.endsWith(QLatin1String("/name"))) {
        list->setItemText(index, value.toString());
    } else if (key.endsWith(QLatin1String("/used")) && !value.toBool() && index > 0) {
        // The link of a source that is gone shows "<keine>", never the next source.
        if (list->currentIndex() == index)
            list->setCurrentIndex(0);
        list->removeItem(index);
    }
    loading = wasLoading;
}

void TabRDS::selectSource(int rdsSource, int tab)
{
    for (int row = 0; row < ui->sources->rowCount(); ++row) {
        QTableWidgetItem *item = ui->sources->item(row, 0);
        if (!item || item->data(Qt::UserRole).toInt() != rdsSource)
            continue;
        ui->sources->setCurrentItem(item);
        if (tab >= 0)
            ui->tabs->setCurrentIndex(tab);
    }
}

void TabRDS::updateSources(int id)
{
    QTableWidget *table = ui->sources;
    int row = -1;
    {
        const QSignalBlocker blocker(table);
        table->setRowCount(0);
        table->setColumnCount(1);
        if (project) {
            const QMap<int, RDSSource> all = project->rdsMap();
            for (auto it = all.cbegin(); it != all.cend(); ++it) {
                if (it.key() <= 0 || !it->used)
                    continue;
                const int r = table->rowCount();
                table->insertRow(r);
                auto *item = new QTableWidgetItem(it->name);
                item->setData(Qt::UserRole, it.key());
                item->setToolTip(tr("Name der %1. RDS Quelle").arg(it.key()));
                table->setItem(r, 0, item);
                if (it.key() == id)
                    row = r;
            }
        }
        if (row < 0)
            row = table->rowCount() - 1;
        if (row >= 0)
            table->setCurrentCell(row, 0);
    }
    // Loaded once after every rebuild, also when the same row stays current.
    itemChanged(row >= 0 ? table->item(row, 0) : nullptr);
    updateEnabled();
}

void TabRDS::updateEnabled()
{
    const bool has = ui->sources->rowCount() > 0;
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui0->group00, ui0->group01, ui0->group03, ui0->group04, ui0->group08, ui0->group10, ui0->group14,
             ui0->group15, ui0->gBasic, ui0->TAburst, uiRT->gRT, uiRT->eRT, uiRT->g3ert, uiRT->g3rtp,
             uiRT->gRTplus, uiAF->AFused, ui->gLog, ui->tabODA, ui0->gError})
        w->setEnabled(has);
    ui->gCount->setEnabled(true);
}

void TabRDS::fillChannelList(int count)
{
    qDebug("rds: statistics %d", count);
    const QString remembered = ui->stat->currentText();
    ui->stat->clear();
    ui->stat->addItem(tr("<Kanal wählen>"));
    for (int ch = 1; ch <= count; ++ch)
        setChannelEntry(ch, QString());
    const int index = ui->stat->findText(remembered, Qt::MatchExactly);
    if (index >= 0)
        ui->stat->setCurrentIndex(index);
}

void TabRDS::setChannelEntry(int channel, const QString &note)
{
    if (channel < 1 || channel > maxChannel)
        return;
    while (ui->stat->count() <= channel)
        ui->stat->addItem(QString());
    QString text = tr("Kanal %1").arg(channel);
    if (!note.isEmpty()) {
        text += QStringLiteral(" (") + note + QLatin1Char(')');
    } else if (project) {
        const int source = project->channelInfo(channel).idrds;
        if (source != 0)
            text += tr(" (RDS-Quelle %1)").arg(source);
    }
    ui->stat->setItemText(channel, text);
}

void TabRDS::fillTmcList(int tmcId)
{
    QComboBox *list = ui0->tmcSI;
    list->clear();
    list->addItem(tr("<keine>"), 0);
    if (project) {
        const QMap<int, QString> names = project->tmcNames();
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            list->addItem(it.value(), it.key());
    }
    // A link to a source that is gone shows "<keine>".
    list->setCurrentIndex(qMax(0, list->findData(tmcId)));
}

void TabRDS::addSource()
{
    if (project)
        added = project->addRds();
}

void TabRDS::delSource()
{
    if (!project)
        return;
    for (QTableWidgetItem *item : ui->sources->selectedItems())
        if (item->column() == 0)
            project->setRdsUsed(item->data(Qt::UserRole).toInt());
    added = 0;
}

void TabRDS::nameChanged(QTableWidgetItem *item)
{
    if (project && item)
        project->setRdsName(item->data(Qt::UserRole).toInt(), item->text());
}
