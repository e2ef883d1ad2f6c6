#include "SetHandler.h"

#include "Observer.h"
#include "SetValue.h"

SetHandler::SetHandler(QObject *parent) : QObject(parent) {}

bool SetHandler::eventFilter(QObject *target, QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(SetValue::EventType)) {
        if (auto *observer = dynamic_cast<Observer *>(target)) {
            observer->setValueEvent(static_cast<SetValue *>(event));
            return true;
        }
    }
    return QObject::eventFilter(target, event);
}
