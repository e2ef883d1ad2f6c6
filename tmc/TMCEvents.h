#pragma once

#include <QWidget>

namespace Ui {
class TMCEventsUI;
}
class TMCEvtModel;

// The event search window "TMC Ereignis suchen": filters the event
// catalogue by text or code and by the letter and number columns; the user
// drags a code from the result into the message table. A top-level window,
// hidden until shown; its owner (not its Qt parent) deletes it when the
// owner is destroyed. Building it loads the catalogues if nobody did yet.
class TMCEvents : public QWidget
{
    Q_OBJECT
public:
    explicit TMCEvents(QWidget *owner);
    ~TMCEvents() override;

    TMCEvtModel *model() const { return m_model; }

public slots:
    void findEvents();

private:
    Ui::TMCEventsUI *m_ui;
    TMCEvtModel *m_model;
};
