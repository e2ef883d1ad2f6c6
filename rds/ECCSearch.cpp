#include "ECCSearch.h"

#include "ui_ECCSearchUI.h"

ECCSearch::ECCSearch(QWidget *owner) : QWidget(owner, Qt::Window), ui(new Ui_ECCSearchUI)
{
    ui->setupUi(this);
    areaBoxes = {ui->aEurope, ui->aAfrica,    ui->aAmerica, ui->aNearEast,
                 ui->aAsia,   ui->aAustralia, ui->aIslands};
    fillTable();
    connect(ui->search, &QLineEdit::textChanged, this, &ECCSearch::applyFilter);
    for (QCheckBox *box : qAsConst(areaBoxes))
        connect(box, &QCheckBox::toggled, this, &ECCSearch::applyFilter);
    connect(ui->countries, &QTableWidget::cellDoubleClicked, this, &ECCSearch::pickRow);
    connect(ui->Btake, &QPushButton::clicked, this, [this] { pickRow(ui->countries->currentRow()); });
    connect(ui->Bclose, &QPushButton::clicked, this, &QWidget::close);
    applyFilter();
}

ECCSearch::~ECCSearch() = default;

void ECCSearch::showECC()
{
    refreshNames();
    applyFilter();
    show();
    raise();
    activateWindow();
}

int ECCSearch::shownRows() const
{
    int n = 0;
    for (int r = 0; r < ui->countries->rowCount(); ++r)
        n += ui->countries->isRowHidden(r) ? 0 : 1;
    return n;
}

void ECCSearch::fillTable()
{
    const QList<ECC> &list = countryList();
    QTableWidget *t = ui->countries;
    t->setSortingEnabled(false);
    t->setRowCount(list.size());
    for (int r = 0; r < list.size(); ++r) {
        const ECC &c = list.at(r);
        auto *iso = new QTableWidgetItem(QString::fromLatin1(c.iso));
        iso->setData(Qt::UserRole, r); // the row of the country table, kept through sorting
        t->setItem(r, 0, iso);
        t->setItem(r, 1,
                   new QTableWidgetItem(QStringLiteral("%1").arg(c.ecc, 2, 16, QLatin1Char('0')).toUpper()));
        t->setItem(r, 2, new QTableWidgetItem(QString::fromLatin1(c.ci)));
        t->setItem(r, 3, new QTableWidgetItem);
    }
    refreshNames();
    t->resizeColumnsToContents();
}

void ECCSearch::refreshNames()
{
    // The language may change after the window is built (langGerman).
    QTableWidget *t = ui->countries;
    const QList<ECC> &list = countryList();
    t->setSortingEnabled(false);
    for (int r = 0; r < t->rowCount(); ++r)
        t->item(r, 3)->setText(list.at(t->item(r, 0)->data(Qt::UserRole).toInt()).name());
    t->setSortingEnabled(true);
    t->sortByColumn(3, Qt::AscendingOrder);
}

u8 ECCSearch::areaFilter() const
{
    u8 mask = 0;
    for (int i = 0; i < areaBoxes.size(); ++i)
        if (areaBoxes.at(i)->isChecked())
            mask |= u8(1u << i);
    return mask;
}

void ECCSearch::applyFilter()
{
    const QString text = ui->search->text().trimmed();
    const QString upper = text.toUpper();
    const u8 areas = areaFilter();
    const QList<ECC> &list = countryList();
    QTableWidget *t = ui->countries;
    for (int r = 0; r < t->rowCount(); ++r) {
        const ECC &c = list.at(t->item(r, 0)->data(Qt::UserRole).toInt());
        bool match = text.isEmpty() || c.nameEN.contains(text, Qt::CaseInsensitive) ||
                     c.nameDE.contains(text, Qt::CaseInsensitive) || QString::fromLatin1(c.iso) == upper ||
                     t->item(r, 1)->text() == upper || (upper.size() == 1 && c.ci.contains(upper.toLatin1()));
        t->setRowHidden(r, !(match && c.inAreas(areas)));
    }
    ui->count->setText(tr("%1 von %2 Ländern").arg(shownRows()).arg(list.size()));
}

void ECCSearch::pickRow(int row)
{
    QTableWidgetItem *item = ui->countries->item(row, 0);
    if (!item || ui->countries->isRowHidden(row))
        return;
    const ECC country = countryList().at(item->data(Qt::UserRole).toInt());
    hide();
    emit saveECC(country);
}
