#include "EONEdit.h"

#include "EONModel.h"
#include "RDSTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>

EONEdit::EONEdit(QObject *parent) : QStyledItemDelegate(parent) {}

QWidget *EONEdit::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    switch (index.column()) {
    case EONModel::Channel: {
        auto *spin = new QSpinBox(parent);
        spin->setRange(0, 96);
        spin->setSpecialValueText(tr("keiner"));
        return spin;
    }
    case EONModel::PI:
    case EONModel::Link: {
        auto *line = new QLineEdit(parent);
        line->setInputMask(QStringLiteral(">HHHH"));
        return line;
    }
    case EONModel::PS: {
        auto *line = new QLineEdit(parent);
        line->setMaxLength(8);
        return line;
    }
    case EONModel::PTY: {
        auto *box = new QComboBox(parent);
        box->addItems(ptyNames());
        box->setMaxVisibleItems(32);
        return box;
    }
    case EONModel::AF: {
        auto *line = new QLineEdit(parent);
        line->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.,; ]*")), line));
        return line;
    }
    default:
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
}

void EONEdit::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QVariant v = index.data(Qt::EditRole);
    if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(v.toInt());
    else if (auto *box = qobject_cast<QComboBox *>(editor))
        box->setCurrentIndex(v.toInt());
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(v.toString());
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void EONEdit::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        spin->interpretText();
        model->setData(index, spin->value());
    } else if (auto *box = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, box->currentIndex());
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        model->setData(index, line->text());
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
    }
}
