#include "TMCLabel.h"

#include <QDebug>
#include <QHeaderView>

TMCLabel::TMCLabel(QWidget *parent) : QTableView(parent), m_model(this), m_edit(this)
{
    setModel(&m_model);
    setItemDelegate(&m_edit);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

TMCLabel::~TMCLabel()
{
    qDebug("~TMC label table");
}
