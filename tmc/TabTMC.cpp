// TabTMC: construction, binding to the project, the source list and the
// reaction to key changes.
#include "TabTMC.h"

#include "ECCSearch.h"
#include "FMSettings.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "TMCLblModel.h"
#include "TMCMsgModel.h"

#include "ui_TabTMCUI.h"

#include <QDebug>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace
{

// The sources a key names: "tmc.3/ltn" names 3, the pattern "tmc.1,4/ltn"
// 1 and 4. Numbers below 1 (and texts that are no number) name none.
QList<int> sourcesOf(const QString &key)
{
    QString section, field;
    QList<int> ids = Settings::parseKeyPattern(key, section, field);
    ids.erase(std::remove_if(ids.begin(), ids.end(), [](int id) { return id < 1; }), ids.end());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

} // namespace

TabTMC::TabTMC(QWidget *parent) : QWidget(parent), ui(new Ui_TabTMCUI)
{
    ui->setupUi(this);
    installEventFilter(new SetHandler(this));
    eccSearch = new ECCSearch(this);
    connectSources();
    connectSystemInfo();
    connectMessages();
    fitVariantFields();
    ui->gEdit->setEnabled(false);
}

void TabTMC::fitVariantFields()
{
    // The form caps the variant fields' width; without a minimum the grid
    // squeezes them at the window's first size until a digit scrolls out of
    // sight. The minimum holds four of the widest hexadecimal digits with
    // what a line edit keeps around its text: the style's frame, the text
    // margins, 2 px each side and 2 px for the cursor.
    for (QLineEdit *edit : {ui->var0, ui->var1, ui->var2, ui->var3}) {
        edit->ensurePolished();
        const QFontMetrics metrics(edit->font());
        int digit = 0;
        for (const QChar c : QStringLiteral("0123456789ABCDEF"))
            digit = qMax(digit, metrics.horizontalAdvance(c));
        QStyleOptionFrame frame;
        frame.initFrom(edit);
        frame.rect = QRect(0, 0, 100, edit->height());
        frame.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit);
        frame.midLineWidth = 0;
        frame.state |= QStyle::State_Sunken;
        const int around = frame.rect.width() -
                           edit->style()->subElementRect(QStyle::SE_LineEditContents, &frame, edit).width();
        const QMargins text = edit->textMargins();
        const int width = 4 * digit + text.left() + text.right() + 2 * 2 + 2 + around;
        edit->setMinimumWidth(width);
        edit->setMaximumWidth(qMax(width, edit->maximumWidth()));
    }
}

TabTMC::~TabTMC()
{
    if (project)
        project->unregisterObserver(this);
    qDebug("~tmc source view");
}

TMCMsgModel *TabTMC::msgModel() const
{
    return ui->messages->msgModel();
}

TMCLblModel *TabTMC::lblModel() const
{
    return ui->labels->labelModel();
}

void TabTMC::connectSources()
{
    connect(ui->Badd, &QPushButton::clicked, this, &TabTMC::addSource);
    connect(ui->Bdel, &QPushButton::clicked, this, &TabTMC::delSource);
    connect(ui->sources, &QTableWidget::itemChanged, this, &TabTMC::nameChanged);
    connect(ui->sources, &QTableWidget::currentItemChanged, this, &TabTMC::itemChanged);
}

void TabTMC::connectSystemInfo()
{
    for (QAbstractButton *box :
         {static_cast<QAbstractButton *>(ui->variant0), static_cast<QAbstractButton *>(ui->variant1),
          static_cast<QAbstractButton *>(ui->variant2), static_cast<QAbstractButton *>(ui->variant3),
          static_cast<QAbstractButton *>(ui->key)})
        connect(box, &QAbstractButton::toggled, this, &TabTMC::slotChanged);
    connect(ui->gEnc, &QGroupBox::toggled, this, &TabTMC::slotChanged);
    connect(ui->SPN, &QLineEdit::editingFinished, this, &TabTMC::slotChanged);
    for (QComboBox *box : {ui->AID, ui->GAP, ui->ta, ui->tw, ui->td})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabTMC::slotChanged);
    for (QSpinBox *box : {ui->LTN, ui->SID, ui->repeat, ui->rate, ui->LTECC, ui->LTCC})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabTMC::slotChanged);
    for (QCheckBox *box : {ui->AFI, ui->M, ui->I, ui->N, ui->R, ui->U})
        connect(box, &QCheckBox::clicked, this, &TabTMC::slotChanged);
    connect(ui->encid, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabTMC::encChanged);
    for (QSpinBox *box : {ui->rotate, ui->shift, ui->xor })
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabTMC::keyChanged);
    for (QLineEdit *edit : {ui->var0, ui->var1, ui->var2, ui->var3})
        connect(edit, &QLineEdit::editingFinished, this, &TabTMC::varxChanged);
    connect(eccSearch, &ECCSearch::saveECC, this, &TabTMC::saveECC);
    connect(ui->BECC, &QToolButton::clicked, eccSearch, &ECCSearch::showECC);
}

void TabTMC::connectMessages()
{
    connect(ui->BaddMsg, &QPushButton::clicked, this, &TabTMC::addMessage);
    connect(ui->BdelMsg, &QPushButton::clicked, this, &TabTMC::delMessage);
    connect(ui->BaddInfo, &QPushButton::clicked, this, [this] { addInfo(0); });
    connect(ui->BdelInfo, &QPushButton::clicked, this, &TabTMC::delInfo);
    connect(ui->Bevents, &QPushButton::clicked, ui->messages, &TMCTable::findEvent);
    connect(ui->Bplaces, &QPushButton::clicked, ui->messages, &TMCTable::findPlace);
    connect(msgModel(), &TMCMsgModel::messageChanged, this, &TabTMC::setMessage);
    connect(ui->messages->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TabTMC::rowChanged);
    connect(lblModel(), &TMCLblModel::labelChanged, this, &TabTMC::infoChanged);
    connect(ui->direction, &QCheckBox::clicked, this, &TabTMC::dataChanged);
    connect(ui->diversion, &QCheckBox::clicked, this, &TabTMC::dataChanged);
    connect(ui->duration, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabTMC::dataChanged);
    connect(ui->extent, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabTMC::dataChanged);
}

void TabTMC::setSettings(const QSharedPointer<FMSettings> &settings)
{
    if (project && project != settings)
        project->unregisterObserver(this);
    project = settings;
    if (project)
        project->registerKey(QStringLiteral("tmc"), this);
    fillSources(0);
}

void TabTMC::setDeleteQuestion(DeleteQuestion ask)
{
    question = std::move(ask);
}

bool TabTMC::askDelete(const QString &title, const QString &text) const
{
    if (question)
        return question(title, text);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, const_cast<TabTMC *>(this));
    QPushButton *ok = box.addButton(tr("Ok"), QMessageBox::AcceptRole);
    box.addButton(tr("Abbrechen"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == ok;
}

QList<int> TabTMC::selectedRows(const QList<QModelIndex> &indexes)
{
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.row() >= 0 && !rows.contains(index.row()))
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TabTMC::currentItemSource() const
{
    const QTableWidgetItem *item = ui->sources->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void TabTMC::fillSources(int select)
{
    QTableWidget *list = ui->sources;
    int row = -1;
    {
        // Rows are made without signals; the one made current is loaded
        // once at the end.
        const QSignalBlocker blocker(list);
        list->setRowCount(0);
        if (project) {
            const QMap<int, TMCSource> map = project->tmcMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (it.key() < 1 || !it->used)
                    continue;
                const int r = list->rowCount();
                list->insertRow(r);
                auto *item = new QTableWidgetItem(it->name);
                item->setData(Qt::UserRole, it.key());
                item->setToolTip(tr("Name der %1. TMC Quelle").arg(it.key()));
                list->setItem(r, 0, item);
                if (r == 0 || (select != 0 && it.key() == select))
                    row = r;
            }
        }
        if (select == 0 && list->rowCount() > 0)
            row = list->rowCount() - 1;
        list->setCurrentCell(row, 0);
    }
    const bool any = list->rowCount() > 0;
    for (QWidget *w : {static_cast<QWidget *>(ui->gEnc), static_cast<QWidget *>(ui->gMessages),
                       static_cast<QWidget *>(ui->BaddMsg), static_cast<QWidget *>(ui->BdelMsg)})
        w->setEnabled(any);
    if (any) {
        itemChanged(list->item(row, 0));
        return;
    }
    // No source left: nothing of an old one stays on show.
    current = 0;
    source = TMCSource();
    msgModel()->setSource(source);
    showMessage();
}

void TabTMC::selectSource(int id)
{
    for (int r = 0; r < ui->sources->rowCount(); ++r) {
        const QTableWidgetItem *item = ui->sources->item(r, 0);
        if (item && item->data(Qt::UserRole).toInt() == id) {
            ui->sources->setCurrentCell(r, 0);
            return;
        }
    }
}

void TabTMC::addSource()
{
    if (project)
        current = project->addTmc();
}

void TabTMC::delSource()
{
    if (!project)
        return;
    const QList<QTableWidgetItem *> items = ui->sources->selectedItems();
    bool any = false;
    for (const QTableWidgetItem *item : items) {
        if (item->column() != 0)
            continue;
        project->setTmcUsed(item->data(Qt::UserRole).toInt());
        any = true;
    }
    if (any)
        current = 0;
}

void TabTMC::nameChanged(QTableWidgetItem *item)
{
    if (project && item)
        project->setTmcName(item->data(Qt::UserRole).toInt(), item->text());
}

void TabTMC::setValueEvent(SetValue *event)
{
    const QString key = event->key.toLower();
    if (!key.startsWith(QLatin1String("tmc")))
        return;
    const QList<int> ids = sourcesOf(key);
    if (key.endsWith(QLatin1String("/used"))) {
        if (event->value.toBool())
            fillSources(ids.value(0));
        else
            fillSources(ids.contains(current) ? 0 : current);
        return;
    }
    const int slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        fillSources(current);
        return;
    }
    syncVariantKeys(key, event->value);
    bool isIndex = false;
    key.midRef(slash + 1).toInt(&isIndex);
    if (isIndex) {
        // Any message of the list may have changed, the current one included
        // (rows can move up under it), so the editor is shown again.
        if (project && ids.contains(current))
            takeStoredMessages();
    } else if (ids.isEmpty() || ids.contains(currentItemSource())) {
        itemChanged(ui->sources->currentItem());
    }
}

// Keeps the variant words and the keys derived from them ("ltn", "sid",
// "ltcc", "ltecc") in step when either side is written from outside.
// Writes carry the page as writer, so only the other observers hear them.
void TabTMC::syncVariantKeys(const QString &key, const QVariant &value)
{
    if (!project || key.indexOf(QLatin1Char('/')) < 0 || key.contains(QLatin1Char('*')))
        return;
    const QString text = value.toString().trimmed();
    bool ok = false;
    const uint decimal = text.toUInt(&ok);
    const bool isDecimal = ok;
    const uint hex = text.toUInt(&ok, 16);
    const bool isHex = ok;
    for (const int n : sourcesOf(key)) {
        const QString group = QStringLiteral("tmc.%1/").arg(n);
        const TMCSource rec = project->tmc(n);
        auto word = [&](const char *name, u16 fallback) {
            return project->value(group + QLatin1String(name), fallback).toUInt() & 0xFFFF;
        };
        auto write = [&](const char *name, const QString &v) {
            return project->setValue(group + QLatin1String(name), v, true, this);
        };
        const uint va0 = word("va0", rec.va0);
        bool wrote = false;
        if (key.endsWith(QLatin1String("/ltn")) && isDecimal) {
            wrote = write("va0", QString::number((va0 & ~0x0FC0u) | (decimal & 63) << 6));
        } else if (key.endsWith(QLatin1String("/sid")) && isDecimal) {
            wrote = write("va1", QString::number((word("va1", rec.va1) & ~0x0FC0u) | (decimal & 63) << 6));
        } else if (key.endsWith(QLatin1String("/ltcc")) && isHex) {
            // In time-wheel mode bits 3-0 of variant 1 carry Tw and Td.
            if (!(va0 & 0x10))
                wrote = write("va1", QString::number((word("va1", rec.va1) & ~0x000Fu) | (hex & 15)));
        } else if (key.endsWith(QLatin1String("/ltecc")) && isHex) {
            wrote = write("va2", QString::number((word("va2", rec.va2) & ~0x00FFu) | (hex & 255)));
        } else if (key.endsWith(QLatin1String("/va0")) && isDecimal) {
            if (n == current)
                ui->LTCC->setEnabled(!(decimal & 0x10));
            wrote = write("ltn", QString::number((decimal >> 6) & 63));
        } else if (key.endsWith(QLatin1String("/va1")) && isDecimal) {
            wrote = write("sid", QString::number((decimal >> 6) & 63));
            if (!(va0 & 0x10))
                wrote |= write("ltcc", QString::number(decimal & 15, 16));
        } else if (key.endsWith(QLatin1String("/va2")) && isDecimal) {
            wrote = write("ltecc", QStringLiteral("%1").arg(decimal & 255, 2, 16, QLatin1Char('0')));
        }
        if (wrote)
            project->readTmc(n);
    }
}
