#pragma once

#include <QEvent>
#include <QString>
#include <QVariant>

// The change event of the key store. One is posted (with new) to every
// observer that is told of a change; the receiver's event loop owns and
// deletes it after delivery.
class SetValue : public QEvent
{
public:
    // Event type number of every key-change event.
    static constexpr int EventType = 1234;

    SetValue(const QString &key, const QVariant &value)
        : QEvent(static_cast<QEvent::Type>(EventType)), key(key), value(value)
    {
    }

    // The normalised key, or the normalised pattern text of a pattern broadcast.
    QString key;
    // The new value; a null variant for a removal.
    QVariant value;
};
