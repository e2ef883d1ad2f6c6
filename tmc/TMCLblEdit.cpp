#include "TMCLblEdit.h"

#include "TmcLabelTexts.h"

#include <QComboBox>
#include <QDebug>
#include <QSpinBox>

TMCLblEdit::TMCLblEdit(QObject *parent) : QItemDelegate(parent) {}

TMCLblEdit::~TMCLblEdit()
{
    qDebug("~TMC label edit");
}

QWidget *TMCLblEdit::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (index.column() == 0) {
        auto *box = new QComboBox(parent);
        box->addItems(tmcLabelNames());
        box->setMaxVisibleItems(20);
        return box;
    }
    auto *spin = new QSpinBox(parent);
    spin->setRange(0, 0xFFFF);
    return spin;
}

void TMCLblEdit::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const int value = index.data(Qt::EditRole).toInt();
    if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(value);
    else if (auto *box = qobject_cast<QComboBox *>(editor))
        box->setCurrentIndex(value);
}

void TMCLblEdit::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor))
        model->setData(index, box->currentIndex(), Qt::EditRole);
    else
        QItemDelegate::setModelData(editor, model, index);
}
