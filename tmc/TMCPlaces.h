#pragma once

#include <QWidget>

namespace Ui {
class TMCPlacesUI;
}
class TMCLocModel;

// The location search window "TMC Orte suchen": finds locations by words
// or code; the user drags a code from the result into the message table.
// A top-level window, hidden until shown; its owner (not its Qt parent)
// deletes it when the owner is destroyed. Building it loads the catalogues
// if nobody did yet.
class TMCPlaces : public QWidget
{
    Q_OBJECT
public:
    explicit TMCPlaces(QWidget *owner);
    ~TMCPlaces() override;

    TMCLocModel *model() const { return m_model; }

public slots:
    void findPlaces();

private:
    Ui::TMCPlacesUI *m_ui;
    TMCLocModel *m_model;
};
