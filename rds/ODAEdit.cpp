#include "ODAEdit.h"

#include "ODAModel.h"
#include "RDSGroupRate.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>

ODAEdit::ODAEdit(QObject *parent) : QStyledItemDelegate(parent) {}

QWidget *ODAEdit::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const int col = index.column();
    if (col >= ODAModel::BlockA && col < ODAModel::CheckA) {
        auto *line = new QLineEdit(parent);
        line->setInputMask(QStringLiteral(">HHHH"));
        return line;
    }
    if (col >= ODAModel::CheckA && col < ODAModel::Rate0) {
        // A 10-bit checkword: up to three hex digits, the first 0..3.
        auto *line = new QLineEdit(parent);
        line->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("([0-3]?[0-9A-Fa-f]{0,2})")), line));
        return line;
    }
    if (col >= ODAModel::Rate0 && col < ODAModel::ColumnCount) {
        auto *spin = new QSpinBox(parent);
        spin->setRange(-RDSGroupRate::maxRate, RDSGroupRate::maxRate);
        return spin;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void ODAEdit::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QVariant v = index.data(Qt::EditRole);
    if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(v.toInt());
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(v.toString());
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void ODAEdit::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        spin->interpretText();
        model->setData(index, spin->value());
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        model->setData(index, line->text());
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
    }
}
