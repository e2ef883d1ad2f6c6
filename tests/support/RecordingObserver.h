#pragma once

#include "Observer.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QWaitCondition>

#include <functional>

class QThread;

namespace testsupport {

// An observer that lives in a thread of its own (started by the constructor) and records every SetValue it
// receives, with the thread that handled it. Every wait is bounded. Unregister it from the store before
// destroying it; the destructor stops its thread (bounded) first.
class RecordingObserver : public QObject, public Observer
{
    Q_OBJECT

public:
    struct Record
    {
        QString key;
        QVariant value;
        QThread *thread = nullptr;
    };

    explicit RecordingObserver(const QString &name = QString());
    ~RecordingObserver() override;

    QThread *workerThread() const { return worker; }

    QList<Record> records() const;
    QStringList keys() const;
    int count() const;
    void clear();
    // The records as "key=value" texts; a null value (a removal) reads "key=<null>", so that it differs from
    // an empty text.
    QStringList texts() const;
    // Waits for everything the calling thread caused (flush), then hands out texts() and clears them in one
    // step.
    QStringList take();

    // Waits until at least n events were recorded.
    bool waitForCount(int n, int timeoutMs = 5000) const;
    // Waits until an event of this key was recorded.
    bool waitForKey(const QString &key, int timeoutMs = 5000) const;
    // Waits until every event posted to this observer before the call (from the calling thread) has been
    // handled. Afterwards records() is complete for everything the calling thread caused.
    bool flush(int timeoutMs = 5000);

    void setValueEvent(SetValue *event) override;

protected:
    bool event(QEvent *event) override;

private:
    bool waitFor(const std::function<bool()> &condition, int timeoutMs) const;

    QThread *worker;
    mutable QMutex mutex;
    mutable QWaitCondition changed;
    QList<Record> recorded;
    int flushesPosted = 0;
    int flushesSeen = 0;
};

} // namespace testsupport
