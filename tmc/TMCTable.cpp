#include "TMCTable.h"

#include "TMCEdit.h"
#include "TMCEvents.h"
#include "TMCMsgModel.h"
#include "TMCPlaces.h"
#include "TmcCatalog.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDebug>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>

TMCTable::TMCTable(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new TMCEdit(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_events = new TMCEvents(this);
    m_places = new TMCPlaces(this);
    m_model = new TMCMsgModel(this);
    setModel(m_model);
    connect(this, &QAbstractItemView::doubleClicked, this, &TMCTable::doubleClicked);
    m_menu = new QMenu(tr("Daten"), this);
    const QIcon find(QStringLiteral(":/icons/find.png"));
    if (!tmcEventMap.isEmpty())
        m_menu->addAction(find, tr("Ereignis suchen"), this, &TMCTable::findEvent);
    if (!tmcLocationMap.isEmpty())
        m_menu->addAction(find, tr("Ort suchen"), this, &TMCTable::findPlace);
    m_menu->addSeparator();
}

TMCTable::~TMCTable()
{
    qDebug("~TMC message view");
}

void TMCTable::findEvent()
{
    m_events->show();
    m_events->raise();
}

void TMCTable::findPlace()
{
    m_places->show();
    m_places->raise();
}

void TMCTable::doubleClicked(const QModelIndex &index)
{
    if (index.isValid() && index.column() == 0)
        m_model->cycleSend(index.row());
}

void TMCTable::contextMenuEvent(QContextMenuEvent *)
{
    if (tmcEventMap.isEmpty() && tmcLocationMap.isEmpty())
        return;
    m_menu->exec(QCursor::pos());
}
