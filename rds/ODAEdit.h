#pragma once

#include <QStyledItemDelegate>

// The editors of the ODA table's cells: four hexadecimal digits for a block,
// up to three for a checkword (empty: computed), a spin box of -685..685 for a
// stream rate. The send switch is a check box of the model. GUI thread.
class ODAEdit : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ODAEdit(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};
