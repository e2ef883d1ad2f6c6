#pragma once

#include <QItemDelegate>

// Editors of the label table: the label names in a combo box for column 0,
// a spin box 0..65535 for the value.
class TMCLblEdit : public QItemDelegate
{
    Q_OBJECT
public:
    explicit TMCLblEdit(QObject *parent = nullptr);
    ~TMCLblEdit() override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};
