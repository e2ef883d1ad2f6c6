#include "TMCEvents.h"

#include "TMCEvtModel.h"
#include "TmcCatalog.h"
#include "TmcSearchTitle.h"
#include "ui_TMCEventsUI.h"

#include <QDebug>

namespace {

// Combo index 0 no filter, 1 an empty field, 2 and 3 the two letters.
u8 letterFilter(int index, char second, char third)
{
    switch (index) {
    case 1: return ' ';
    case 2: return u8(second);
    case 3: return u8(third);
    default: return 0;
    }
}

} // namespace

TMCEvents::TMCEvents(QWidget *owner) : QWidget(nullptr), m_ui(new Ui::TMCEventsUI)
{
    m_ui->setupUi(this);
    tmcLoadCatalogues();
    m_model = new TMCEvtModel(this);
    m_ui->list->setModel(m_model);
    m_ui->list->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_ui->search, &QPushButton::clicked, this, &TMCEvents::findEvents);
    connect(m_ui->text, &QLineEdit::returnPressed, this, &TMCEvents::findEvents);
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
}

TMCEvents::~TMCEvents()
{
    delete m_ui;
    qDebug("~TMC events");
}

void TMCEvents::findEvents()
{
    TMCEvent filter;
    filter.english = m_ui->text->text().toUtf8();
    filter.nature = letterFilter(m_ui->N->currentIndex(), 'F', 'S');
    filter.durationType = letterFilter(m_ui->T->currentIndex(), 'D', 'L');
    filter.urgency = letterFilter(m_ui->U->currentIndex(), 'U', 'X');
    filter.quantifier = m_ui->Q->value() < 0 ? 255 : u8(m_ui->Q->value());
    filter.directionality = u8(m_ui->D->value());
    filter.eventClass = u8(m_ui->C->value());
    m_model->setFilter(filter, tmcEventMap);
    setWindowTitle(tmcSearchTitle(windowTitle(), QString::number(m_model->rowCount())));
    m_ui->list->resizeColumnsToContents();
}
