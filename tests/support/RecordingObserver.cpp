#include "RecordingObserver.h"

#include "SetHandler.h"
#include "SetValue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace testsupport {

namespace {

const QEvent::Type FlushEvent = static_cast<QEvent::Type>(QEvent::User + 77);

QStringList textsOf(const QList<RecordingObserver::Record> &records)
{
    QStringList out;
    for (const RecordingObserver::Record &r : records)
        out.append(r.key + QLatin1Char('=') + (r.value.isNull() ? QStringLiteral("<null>") : r.value.toString()));
    return out;
}

} // namespace

RecordingObserver::RecordingObserver(const QString &name) : worker(new QThread)
{
    setObjectName(name);
    worker->setObjectName(name.isEmpty() ? QStringLiteral("observer") : name);
    installEventFilter(new SetHandler(this));
    moveToThread(worker);
    worker->start();
}

RecordingObserver::~RecordingObserver()
{
    worker->quit();
    worker->wait(10000);
    delete worker;
}

void RecordingObserver::setValueEvent(SetValue *event)
{
    QMutexLocker locker(&mutex);
    recorded.append({event->key, event->value, QThread::currentThread()});
    changed.wakeAll();
}

bool RecordingObserver::event(QEvent *event)
{
    if (event->type() == FlushEvent) {
        QMutexLocker locker(&mutex);
        ++flushesSeen;
        changed.wakeAll();
        return true;
    }
    return QObject::event(event);
}

QList<RecordingObserver::Record> RecordingObserver::records() const
{
    QMutexLocker locker(&mutex);
    return recorded;
}

QStringList RecordingObserver::keys() const
{
    QMutexLocker locker(&mutex);
    QStringList result;
    for (const Record &r : recorded)
        result.append(r.key);
    return result;
}

int RecordingObserver::count() const
{
    QMutexLocker locker(&mutex);
    return recorded.size();
}

void RecordingObserver::clear()
{
    QMutexLocker locker(&mutex);
    recorded.clear();
}

QStringList RecordingObserver::texts() const
{
    QMutexLocker locker(&mutex);
    return textsOf(recorded);
}

QStringList RecordingObserver::take()
{
    flush();
    QMutexLocker locker(&mutex);
    const QStringList out = textsOf(recorded);
    recorded.clear();
    return out;
}

bool RecordingObserver::waitFor(const std::function<bool()> &condition, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&mutex);
    while (!condition()) {
        if (!changed.wait(&mutex, deadline))
            return condition();
    }
    return true;
}

bool RecordingObserver::waitForCount(int n, int timeoutMs) const
{
    return waitFor([this, n] { return recorded.size() >= n; }, timeoutMs);
}

bool RecordingObserver::waitForKey(const QString &key, int timeoutMs) const
{
    return waitFor(
        [this, &key] {
            for (const Record &r : recorded) {
                if (r.key == key)
                    return true;
            }
            return false;
        },
        timeoutMs);
}

bool RecordingObserver::flush(int timeoutMs)
{
    int target = 0;
    {
        QMutexLocker locker(&mutex);
        target = ++flushesPosted;
    }
    QCoreApplication::postEvent(this, new QEvent(FlushEvent));
    return waitFor([this, target] { return flushesSeen >= target; }, timeoutMs);
}

} // namespace testsupport
