#pragma once

#include <QTableView>

class QMenu;
class TMCEvents;
class TMCMsgModel;
class TMCPlaces;

// The message table of the TMC page: shows and edits the messages of the
// selected source through its TMCMsgModel, cycles the send state on a
// double click in column 0 and offers the event and location search
// windows in its context menu "Daten". Building it builds the search
// windows, which load the catalogues; the windows are deleted with the
// table.
class TMCTable : public QTableView
{
    Q_OBJECT
public:
    explicit TMCTable(QWidget *parent = nullptr);
    ~TMCTable() override;

    TMCMsgModel *msgModel() const { return m_model; }
    TMCEvents *eventWindow() const { return m_events; }
    TMCPlaces *placeWindow() const { return m_places; }

public slots:
    void findEvent();
    void findPlace();

protected slots:
    void doubleClicked(const QModelIndex &index);
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QMenu *m_menu;
    TMCMsgModel *m_model;
    TMCEvents *m_events;
    TMCPlaces *m_places;
};
