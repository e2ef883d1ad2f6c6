#pragma once

#include "Event.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QSharedPointer>
#include <QTimer>

class FMSettings;
class QCheckBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The event roll ("Event Player" dock): the roll "events.1" of the current
// project, shown as one line per channel or source (type x 256 + number)
// with its events below. The user edits one entry in place (time in
// seconds, command), saves the whole roll, switches repeat and expands or
// collapses lines; Play replays the roll at its times through the
// validated store with notify on and this widget as the source, so the
// replayed changes reach every observer but the roll itself.
//
// GUI thread only. Holds the shared project between setSettings calls.
class Dynamic : public QDockWidget
{
    Q_OBJECT

public:
    static const QString rollGroup; // "events.1"

    explicit Dynamic(QWidget *parent = nullptr);
    ~Dynamic() override;

    // Takes the project (may be null): stops a replay and loads its roll.
    void setSettings(const QSharedPointer<FMSettings> &project);

    const QList<Event> &events() const { return m_events; }
    bool repeat() const { return m_repeat; }
    bool isPlaying() const { return m_timer.isActive(); }

    // Replaces entry index (time and command) and stores it in the project.
    bool changeEvent(int index, u32 timeMs, const QString &command);

public slots:
    void play();
    void stop();
    void saveRoll();
    void setRepeat(bool on);

signals:
    void playing(bool on);

private:
    void buildUi();
    void fill();
    void lineExpanded(QTreeWidgetItem *item, bool expanded);
    void itemEdited(QTreeWidgetItem *item, int column);
    void playDue();
    // After the roll was sorted anew during a replay: goes on with the first
    // event after the present moment of the cycle.
    void resumeAtClock();
    // True when the roll's keys 0..n-1 hold the events in list order, so
    // that one entry can be written by its position.
    bool storedInListOrder() const;
    static int lineId(const Event &event) { return event.type * 256 + event.number; }
    static QString lineName(const Event &event);

    QSharedPointer<FMSettings> m_project;
    QList<Event> m_events;
    QSet<int> m_expanded;
    bool m_repeat = true;
    bool m_filling = false;

    QTreeWidget *m_tree = nullptr;
    QCheckBox *m_repeatBox = nullptr;
    QPushButton *m_playButton = nullptr;

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_cycleStart = 0; // ms of m_clock at which the current cycle began
    int m_next = 0;
};
