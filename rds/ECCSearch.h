#pragma once

#include "ECC.h"

#include <QWidget>

#include <memory>

class Ui_ECCSearchUI;
class QCheckBox;

// The country search window of the RDS and TMC pages: the RDS country table
// with ISO code, ECC, PI country digits and name, filtered by a search text
// and by world areas. Picking a row (double click or "Übernehmen") sends
// saveECC and hides the window. Always a top-level window; the owner given
// to the constructor deletes it (none: the creator does). GUI thread.
class ECCSearch : public QWidget
{
    Q_OBJECT

public:
    explicit ECCSearch(QWidget *owner = nullptr);
    ~ECCSearch() override;

    // Rows shown after filtering.
    int shownRows() const;

public slots:
    // Shows the window (names in the language of langGerman) and raises it to
    // the front.
    void showECC();

signals:
    void saveECC(const ECC &country);

private:
    void fillTable();
    void refreshNames();
    void applyFilter();
    void pickRow(int row);
    u8 areaFilter() const;

    std::unique_ptr<Ui_ECCSearchUI> ui;
    QList<QCheckBox *> areaBoxes; // in the order of the ECC::Area bits
};
