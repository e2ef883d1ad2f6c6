// tsanqt: tells ThreadSanitizer how Qt Core hands data between threads.
//
// Debian's Qt is not instrumented: QMutex, QReadWriteLock and QSemaphore
// lock through futexes and atomics inside libQt5Core, and the posted-event
// queue is guarded by such a QMutex, so ThreadSanitizer sees none of these
// hand-overs and would call every one a race. This library, preloaded into
// the TSan test runs (LD_PRELOAD), stands in front of Qt's exported
// functions that our code calls, forwards each call to Qt and describes it
// through the sanitizer's annotation interface:
//
// - QMutex (and QRecursiveMutex, which is one), QReadWriteLock: lock and
//   unlock annotations (__tsan_mutex_*), so lock-order checks work too;
// - QWaitCondition: the mutex is released for the wait and taken again;
//   a wake happens before the return of a wait;
// - QSemaphore: a release happens before a successful acquire;
// - events: posting (postEvent, deleteLater, invokeMethod, a signal's
//   emission through Qt's signal-spy hook) happens before the delivery of
//   events to the receiver (Qt's event-notify callback), and a blocking
//   queued call's slot happens before the caller's return;
// - QThread: the thread's end (its finished signal, its last deferred
//   deletions) happens before a successful wait, a quit before the return
//   of exec.
//
// Qt's calls from inside libQt5Core to these functions are bound inside the
// library and cannot be seen here; only hand-overs that start or end in our
// code matter for reports in our code, and those are covered above.
//
// The library links neither Qt nor the sanitizer runtime: both are found in
// the process at run time, and in a process without them (a tool a test
// starts) it does nothing.

#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

class QSemaphore;

// The sanitizer's annotation interface (sanitizer/tsan_interface.h and the
// dynamic annotations), weak so that the library loads without it.
extern "C" {
void __tsan_mutex_pre_lock(void *addr, unsigned flags) __attribute__((weak));
void __tsan_mutex_post_lock(void *addr, unsigned flags, int recursion) __attribute__((weak));
int __tsan_mutex_pre_unlock(void *addr, unsigned flags) __attribute__((weak));
void __tsan_mutex_post_unlock(void *addr, unsigned flags) __attribute__((weak));
void __tsan_mutex_destroy(void *addr, unsigned flags) __attribute__((weak));
void AnnotateHappensBefore(const char *file, int line, const volatile void *addr) __attribute__((weak));
void AnnotateHappensAfter(const char *file, int line, const volatile void *addr) __attribute__((weak));
}

namespace {

constexpr unsigned readLock = 1 << 3;      // __tsan_mutex_read_lock
constexpr unsigned tryLock = 1 << 4;       // __tsan_mutex_try_lock
constexpr unsigned tryLockFailed = 1 << 5; // __tsan_mutex_try_lock_failed

bool active()
{
    static const bool on = &__tsan_mutex_pre_lock != nullptr && &AnnotateHappensBefore != nullptr;
    return on;
}

void *real(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f)
        abort();
    return f;
}

// The function of that name behind this library, looked up once.
#define REAL(type, name) static const auto realFn = reinterpret_cast<type>(real(name))

void before(const void *key)
{
    if (active() && key)
        AnnotateHappensBefore(__FILE__, __LINE__, key);
}

void after(const void *key)
{
    if (active() && key)
        AnnotateHappensAfter(__FILE__, __LINE__, key);
}

// Distinct keys of one object: the object itself for what reaches it, one
// byte further for the end of a blocking call from it or of its thread's
// event loop.
const void *doneKey(const void *object)
{
    return object ? static_cast<const char *>(object) + 1 : nullptr;
}

void lockStart(void *m, unsigned flags)
{
    if (active())
        __tsan_mutex_pre_lock(m, flags);
}

void lockDone(void *m, unsigned flags, bool ok = true)
{
    if (active())
        __tsan_mutex_post_lock(m, ok ? flags : flags | tryLockFailed, 0);
}

void unlockStart(void *m, unsigned flags)
{
    if (active())
        __tsan_mutex_pre_unlock(m, flags);
}

void unlockDone(void *m, unsigned flags)
{
    if (active())
        __tsan_mutex_post_unlock(m, flags);
}

// The read/write locks this thread holds, to unlock them in the right mode.
struct Held
{
    void *lock;
    bool read;
};
thread_local std::vector<Held> heldLocks;

void noteHeld(void *lock, bool read)
{
    heldLocks.push_back({lock, read});
}

bool takeHeld(void *lock)
{
    for (auto it = heldLocks.rbegin(); it != heldLocks.rend(); ++it) {
        if (it->lock == lock) {
            const bool read = it->read;
            heldLocks.erase(std::next(it).base());
            return read;
        }
    }
    return false;
}

bool holdsForRead(void *lock)
{
    for (auto it = heldLocks.rbegin(); it != heldLocks.rend(); ++it)
        if (it->lock == lock)
            return it->read;
    return false;
}

// Mirror of QAbstractMetaCallEvent's members (Qt 5.15), to read the sender
// and the semaphore of a blocking call from a MetaCall event.
struct MetaCallLayout : QEvent
{
    MetaCallLayout() = delete;
    int signalId;
    const QObject *sender;
    QSemaphore *semaphore;
};

void ensureSpy();
void awaitEmissionEnd(const void *sender);

// Qt's event-notify hook runs before an event reaches its receiver. It
// delivers MetaCall and DeferredDelete events itself, so that the end of
// the slot or of the deletion is seen as well.
thread_local QEvent *deliverNow = nullptr;

bool notifyHook(void **data)
{
    auto *receiver = static_cast<QObject *>(data[0]);
    auto *event = static_cast<QEvent *>(data[1]);
    ensureSpy();
    if (!event || event == deliverNow) {
        deliverNow = nullptr;
        return false;
    }
    after(receiver);
    const bool metaCall = event->type() == QEvent::MetaCall;
    const MetaCallLayout *call = metaCall ? reinterpret_cast<const MetaCallLayout *>(event) : nullptr;
    if (call && call->sender) {
        if (!call->semaphore)
            awaitEmissionEnd(call->sender);
        after(call->sender);
    }
    if (!(call && call->semaphore) && event->type() != QEvent::DeferredDelete)
        return false;

    using Notify = bool (*)(QObject *, QEvent *);
    using CurrentThread = QObject *(*)();
    static const auto notify = reinterpret_cast<Notify>(real("_ZN16QCoreApplication15notifyInternal2EP7QObjectP6QEvent"));
    static const auto currentThread = reinterpret_cast<CurrentThread>(real("_ZN7QThread13currentThreadEv"));
    const QObject *sender = call ? call->sender : nullptr;
    deliverNow = event;
    *static_cast<bool *>(data[2]) = notify(receiver, event);
    deliverNow = nullptr;
    if (metaCall) {
        // Blocking queued signal: the emitter returns after this.
        before(doneKey(sender));
    } else {
        // A thread's last deletions run after its finished signal.
        before(currentThread());
    }
    return true;
}

// A functor for a queued call, wrapped: its call happens before the
// destruction, which may come in the calling thread after the call ran in
// the receiver's, and before the return of a blocking call.
class CallWrapper : public QtPrivate::QSlotObjectBase
{
public:
    explicit CallWrapper(QtPrivate::QSlotObjectBase *inner) : QSlotObjectBase(&impl), m_inner(inner) {}

private:
    static void impl(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *ret)
    {
        auto *w = static_cast<CallWrapper *>(self);
        switch (which) {
        case Destroy:
            after(w);
            w->m_inner->destroyIfLastRef();
            delete w;
            break;
        case Call:
            w->m_inner->call(receiver, args);
            before(w);
            break;
        default:
            if (ret)
                *ret = w->m_inner->compare(args);
            break;
        }
    }
    QtPrivate::QSlotObjectBase *m_inner;
};

// Qt's signal-spy hook: a signal's emission (also one from inside Qt, such
// as QThread::finished) happens before its queued deliveries.
struct SpyCallbacks
{
    void (*signalBegin)(QObject *, int, void **);
    void (*slotBegin)(QObject *, int, void **);
    void (*signalEnd)(QObject *, int);
    void (*slotEnd)(QObject *, int);
};

// A queued emission copies its arguments after the spy's begin and posts
// the event before its end, so a receiver may start before the emission has
// ended: the receiver of a call from a sender that is still emitting waits
// (a little, bounded) for the end, which happens before the delivery.
// Emissions in flight are counted per sender hash, outside the sanitizer's
// view; a thread's own emissions do not count.
constexpr int emitSlots = 4096;
std::atomic<int> emitting[emitSlots];
thread_local std::vector<int> ownEmissions;

int slotOf(const void *sender)
{
    return int((std::uintptr_t(sender) >> 4) * 2654435761u % emitSlots);
}

void signalBegin(QObject *sender, int, void **)
{
    before(sender);
    const int slot = slotOf(sender);
    emitting[slot].fetch_add(1);
    ownEmissions.push_back(slot);
}

void signalEnd(QObject *sender, int)
{
    before(sender);
    const int slot = slotOf(sender);
    for (auto it = ownEmissions.rbegin(); it != ownEmissions.rend(); ++it) {
        if (*it == slot) {
            ownEmissions.erase(std::next(it).base());
            emitting[slot].fetch_sub(1);
            break;
        }
    }
    // After a blocking queued emission, the slot's work is visible.
    after(doneKey(sender));
}

void awaitEmissionEnd(const void *sender)
{
    const int slot = slotOf(sender);
    int own = 0;
    for (int s : ownEmissions)
        own += s == slot;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (emitting[slot].load() > own && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
}

SpyCallbacks spy = {signalBegin, nullptr, signalEnd, nullptr};

// Qt Test replaces the spy callbacks when a test run ends, before the test
// object's members (board threads among them) are torn down: they are put
// back whenever a thread is told to end or waited for, and on each event.
void ensureSpy()
{
    using RegisterSpy = void (*)(SpyCallbacks *);
    static const auto spyReg = reinterpret_cast<RegisterSpy>(
        dlsym(RTLD_DEFAULT, "_Z32qt_register_signal_spy_callbacksP21QSignalSpyCallbackSet"));
    static const auto current = static_cast<std::atomic<SpyCallbacks *> *>(
        dlsym(RTLD_DEFAULT, "qt_signal_spy_callback_set"));
    if (active() && spyReg && current && current->load(std::memory_order_relaxed) != &spy)
        spyReg(&spy);
}

__attribute__((constructor)) void install()
{
    if (!active())
        return;
    using Register = void (*)(int, bool (*)(void **));
    auto reg = reinterpret_cast<Register>(dlsym(RTLD_DEFAULT, "_ZN9QInternal16registerCallbackENS_8CallbackEPFbPPvE"));
    if (reg)
        reg(0 /* QInternal::EventNotifyCallback */, notifyHook);
    ensureSpy();
}

// A wait releases its lock, sleeps, takes the lock again and then sees
// what the waker did before its wake.
template <class Wait>
bool waitReleasing(void *c, void *lock, unsigned flags, Wait wait)
{
    unlockStart(lock, flags);
    unlockDone(lock, flags);
    const bool woken = wait();
    lockStart(lock, flags);
    lockDone(lock, flags);
    after(c);
    return woken;
}

} // namespace

extern "C" {

// ---- QMutex, QRecursiveMutex

void _ZN6QMutex4lockEv(void *m)
{
    REAL(void (*)(void *), "_ZN6QMutex4lockEv");
    lockStart(m, 0);
    realFn(m);
    lockDone(m, 0);
}

bool _ZN6QMutex7tryLockEi(void *m, int timeout)
{
    REAL(bool (*)(void *, int), "_ZN6QMutex7tryLockEi");
    lockStart(m, tryLock);
    const bool ok = realFn(m, timeout);
    lockDone(m, tryLock, ok);
    return ok;
}

void _ZN6QMutex6unlockEv(void *m)
{
    REAL(void (*)(void *), "_ZN6QMutex6unlockEv");
    unlockStart(m, 0);
    realFn(m);
    unlockDone(m, 0);
}

void _ZN6QMutexD1Ev(void *m)
{
    REAL(void (*)(void *), "_ZN6QMutexD1Ev");
    if (active())
        __tsan_mutex_destroy(m, 0);
    realFn(m);
}

void _ZN6QMutexD2Ev(void *m)
{
    _ZN6QMutexD1Ev(m);
}

// ---- QReadWriteLock

void _ZN14QReadWriteLock11lockForReadEv(void *l)
{
    REAL(void (*)(void *), "_ZN14QReadWriteLock11lockForReadEv");
    lockStart(l, readLock);
    realFn(l);
    lockDone(l, readLock);
    noteHeld(l, true);
}

void _ZN14QReadWriteLock12lockForWriteEv(void *l)
{
    REAL(void (*)(void *), "_ZN14QReadWriteLock12lockForWriteEv");
    lockStart(l, 0);
    realFn(l);
    lockDone(l, 0);
    noteHeld(l, false);
}

bool _ZN14QReadWriteLock14tryLockForReadEi(void *l, int timeout)
{
    REAL(bool (*)(void *, int), "_ZN14QReadWriteLock14tryLockForReadEi");
    lockStart(l, readLock | tryLock);
    const bool ok = realFn(l, timeout);
    lockDone(l, readLock | tryLock, ok);
    if (ok)
        noteHeld(l, true);
    return ok;
}

bool _ZN14QReadWriteLock14tryLockForReadEv(void *l)
{
    return _ZN14QReadWriteLock14tryLockForReadEi(l, 0);
}

bool _ZN14QReadWriteLock15tryLockForWriteEi(void *l, int timeout)
{
    REAL(bool (*)(void *, int), "_ZN14QReadWriteLock15tryLockForWriteEi");
    lockStart(l, tryLock);
    const bool ok = realFn(l, timeout);
    lockDone(l, tryLock, ok);
    if (ok)
        noteHeld(l, false);
    return ok;
}

bool _ZN14QReadWriteLock15tryLockForWriteEv(void *l)
{
    return _ZN14QReadWriteLock15tryLockForWriteEi(l, 0);
}

void _ZN14QReadWriteLock6unlockEv(void *l)
{
    REAL(void (*)(void *), "_ZN14QReadWriteLock6unlockEv");
    const unsigned flags = takeHeld(l) ? readLock : 0;
    unlockStart(l, flags);
    realFn(l);
    unlockDone(l, flags);
}

// ---- QWaitCondition

void _ZN14QWaitCondition7wakeOneEv(void *c)
{
    REAL(void (*)(void *), "_ZN14QWaitCondition7wakeOneEv");
    before(c);
    realFn(c);
}

void _ZN14QWaitCondition7wakeAllEv(void *c)
{
    REAL(void (*)(void *), "_ZN14QWaitCondition7wakeAllEv");
    before(c);
    realFn(c);
}

bool _ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer(void *c, void *m, QDeadlineTimer deadline)
{
    REAL(bool (*)(void *, void *, QDeadlineTimer), "_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    return waitReleasing(c, m, 0, [&] { return realFn(c, m, deadline); });
}

bool _ZN14QWaitCondition4waitEP6QMutexm(void *c, void *m, unsigned long ms)
{
    REAL(bool (*)(void *, void *, unsigned long), "_ZN14QWaitCondition4waitEP6QMutexm");
    return waitReleasing(c, m, 0, [&] { return realFn(c, m, ms); });
}

bool _ZN14QWaitCondition4waitEP14QReadWriteLock14QDeadlineTimer(void *c, void *l, QDeadlineTimer deadline)
{
    REAL(bool (*)(void *, void *, QDeadlineTimer), "_ZN14QWaitCondition4waitEP14QReadWriteLock14QDeadlineTimer");
    return waitReleasing(c, l, holdsForRead(l) ? readLock : 0, [&] { return realFn(c, l, deadline); });
}

bool _ZN14QWaitCondition4waitEP14QReadWriteLockm(void *c, void *l, unsigned long ms)
{
    REAL(bool (*)(void *, void *, unsigned long), "_ZN14QWaitCondition4waitEP14QReadWriteLockm");
    return waitReleasing(c, l, holdsForRead(l) ? readLock : 0, [&] { return realFn(c, l, ms); });
}

// ---- QSemaphore

void _ZN10QSemaphore7releaseEi(void *s, int n)
{
    REAL(void (*)(void *, int), "_ZN10QSemaphore7releaseEi");
    before(s);
    realFn(s, n);
}

void _ZN10QSemaphore7acquireEi(void *s, int n)
{
    REAL(void (*)(void *, int), "_ZN10QSemaphore7acquireEi");
    realFn(s, n);
    after(s);
}

bool _ZN10QSemaphore10tryAcquireEi(void *s, int n)
{
    REAL(bool (*)(void *, int), "_ZN10QSemaphore10tryAcquireEi");
    const bool ok = realFn(s, n);
    if (ok)
        after(s);
    return ok;
}

bool _ZN10QSemaphore10tryAcquireEii(void *s, int n, int timeout)
{
    REAL(bool (*)(void *, int, int), "_ZN10QSemaphore10tryAcquireEii");
    const bool ok = realFn(s, n, timeout);
    if (ok)
        after(s);
    return ok;
}

// ---- Events and queued calls

void _ZN16QCoreApplication9postEventEP7QObjectP6QEventi(QObject *receiver, QEvent *event, int priority)
{
    REAL(void (*)(QObject *, QEvent *, int), "_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    before(receiver);
    realFn(receiver, event, priority);
}

void _ZN7QObject11deleteLaterEv(QObject *object)
{
    REAL(void (*)(QObject *), "_ZN7QObject11deleteLaterEv");
    before(object);
    realFn(object);
}

bool _ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    QObject *object, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type, void *ret)
{
    REAL(bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *),
         "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    if (!active())
        return realFn(object, slot, type, ret);
    before(object);
    auto *wrapped = new CallWrapper(slot); // takes over the caller's reference
    wrapped->ref();                        // and holds one until the return
    const bool ok = realFn(object, wrapped, type, ret);
    if (type == Qt::BlockingQueuedConnection)
        after(wrapped);
    wrapped->destroyIfLastRef();
    return ok;
}

// ---- QThread

bool _ZN7QThread4waitE14QDeadlineTimer(QObject *thread, QDeadlineTimer deadline)
{
    REAL(bool (*)(QObject *, QDeadlineTimer), "_ZN7QThread4waitE14QDeadlineTimer");
    ensureSpy();
    const bool ended = realFn(thread, deadline);
    if (ended)
        after(thread);
    return ended;
}

bool _ZN7QThread4waitEm(QObject *thread, unsigned long ms)
{
    REAL(bool (*)(QObject *, unsigned long), "_ZN7QThread4waitEm");
    ensureSpy();
    const bool ended = realFn(thread, ms);
    if (ended)
        after(thread);
    return ended;
}

void _ZN7QThread4exitEi(QObject *thread, int code)
{
    REAL(void (*)(QObject *, int), "_ZN7QThread4exitEi");
    ensureSpy();
    before(doneKey(thread));
    realFn(thread, code);
}

void _ZN7QThread4quitEv(QObject *thread)
{
    REAL(void (*)(QObject *), "_ZN7QThread4quitEv");
    ensureSpy();
    before(doneKey(thread));
    realFn(thread);
}

int _ZN7QThread4execEv(QObject *thread)
{
    REAL(int (*)(QObject *), "_ZN7QThread4execEv");
    const int code = realFn(thread);
    after(doneKey(thread));
    return code;
}

} // extern "C"
