#include "TMCEdit.h"

#include <QDebug>
#include <QSpinBox>

TMCEdit::TMCEdit(QObject *parent) : QItemDelegate(parent) {}

TMCEdit::~TMCEdit()
{
    qDebug("~TMC edit");
}

QWidget *TMCEdit::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *spin = new QSpinBox(parent);
    static const int maxima[] = {2, 2047, 65535};
    if (index.column() >= 0 && index.column() < 3)
        spin->setRange(0, maxima[index.column()]);
    return spin;
}

void TMCEdit::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(index.data(Qt::DisplayRole).toInt());
}
