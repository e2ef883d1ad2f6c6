#pragma once

#include <QStyledItemDelegate>

// The editors of the EON table's cells: a channel spin box (0 none, 1..96),
// four hexadecimal digits for PI and linkage, a line of at most 8 characters
// for PS, the programme types for PTY and a line of frequencies for AF. TP
// and TA are check boxes of the model and need no editor. GUI thread.
class EONEdit : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit EONEdit(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};
