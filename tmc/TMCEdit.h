#pragma once

#include <QItemDelegate>

// Spin boxes for the message table: send state 0..2, event 0..2047,
// location 0..65535.
class TMCEdit : public QItemDelegate
{
    Q_OBJECT
public:
    explicit TMCEdit(QObject *parent = nullptr);
    ~TMCEdit() override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
};
