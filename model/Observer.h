#pragma once

class SetValue;

// Interface of every component that reacts to key changes. The component
// derives from a QObject class and from Observer; the QObject is what it
// registers with the key store, and it installs a SetHandler on itself so
// that the events reach setValueEvent in its own thread's event loop.
class Observer
{
public:
    virtual ~Observer() = default;

    // Called in the observer's thread for each SetValue posted to it. The
    // event is owned by the event loop and deleted after this returns.
    virtual void setValueEvent(SetValue *event) = 0;
};
