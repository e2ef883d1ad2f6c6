#include "TMCPlaces.h"

#include "TMCLocModel.h"
#include "TmcCatalog.h"
#include "TmcSearchTitle.h"
#include "ui_TMCPlacesUI.h"

#include <QDebug>

TMCPlaces::TMCPlaces(QWidget *owner) : QWidget(nullptr), m_ui(new Ui::TMCPlacesUI)
{
    m_ui->setupUi(this);
    m_model = new TMCLocModel(this);
    m_ui->list->setModel(m_model);
    m_ui->list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_ui->list->horizontalHeader()->setStretchLastSection(true);
    tmcLoadCatalogues();
    m_model->setHeaders(tmcLocationHeaders);
    connect(m_ui->search, &QPushButton::clicked, this, &TMCPlaces::findPlaces);
    connect(m_ui->text, &QLineEdit::returnPressed, this, &TMCPlaces::findPlaces);
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
}

TMCPlaces::~TMCPlaces()
{
    delete m_ui;
    qDebug("~TMC places");
}

void TMCPlaces::findPlaces()
{
    m_model->find(m_ui->text->text().toUtf8(), tmcLocationMap);
    const int rows = m_model->rowCount();
    setWindowTitle(tmcSearchTitle(windowTitle(), rows >= TMCLocModel::maxRows ? QStringLiteral(">9999")
                                                                             : QString::number(rows)));
    m_ui->list->resizeColumnsToContents();
}
