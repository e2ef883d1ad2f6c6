#pragma once

#include <QObject>

// Event filter through which an observer receives key-change events: an
// observer creates one as its child and installs it on itself
// (installEventFilter). For a SetValue sent to an object that is an
// Observer it calls Observer::setValueEvent and consumes the event; every
// other event passes on. Runs in the thread of the filtered object.
class SetHandler : public QObject
{
    Q_OBJECT

public:
    explicit SetHandler(QObject *parent = nullptr);

    bool eventFilter(QObject *target, QEvent *event) override;
};
