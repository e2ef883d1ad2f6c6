#include <QCoreApplication>
#include <QEvent>
#include <QMutex>
#include <QProcess>
#include <QReadWriteLock>
#include <QSemaphore>
#include <QThread>
#include <QWaitCondition>
#include <QtTest>

#include <functional>

// The ThreadSanitizer build with tools/tsanqt preloaded: each case runs in a
// child process of this test and shares one field between the main thread
// and a QThread. Hand-overs through Qt's locks, wait conditions, semaphores,
// events, queued calls and the thread's end are no race; the same field
// without them is.
struct Payload
{
    int values[4] = {};
};
Q_DECLARE_METATYPE(Payload)

namespace {

int shared = 0; // the field both threads touch
int seen = 0;   // what a reader found (kept, so the read stays)

class Worker : public QThread
{
public:
    std::function<void()> body;
    void run() override
    {
        if (body)
            body();
        else
            exec();
    }
};

class Receiver : public QObject
{
public:
    std::function<void()> onEvent;
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        onEvent();
        return true;
    }
};

class Sender : public QObject
{
    Q_OBJECT
signals:
    void payload(const Payload &p);
};

// Runs one case; the process exits with the sanitizer's code on a report.
int runCase(const QString &name)
{
    Worker worker;
    QMutex mutex;
    if (name == "unguarded") {
        worker.body = [] { shared = 1; };
        worker.start();
        shared = 2;
        worker.wait();
    } else if (name == "mutex") {
        worker.body = [&] {
            QMutexLocker lock(&mutex);
            shared = 1;
        };
        worker.start();
        {
            QMutexLocker lock(&mutex);
            shared = 2;
        }
        worker.wait();
    } else if (name == "readwrite") {
        QReadWriteLock lock;
        worker.body = [&] {
            QWriteLocker w(&lock);
            shared = 1;
        };
        worker.start();
        {
            QReadLocker r(&lock);
            seen = shared;
        }
        {
            QWriteLocker w(&lock);
            shared = 2;
        }
        worker.wait();
    } else if (name == "semaphore") {
        QSemaphore done;
        worker.body = [&] {
            shared = 1;
            done.release();
            QThread::msleep(50);
        };
        worker.start();
        done.acquire();
        shared = 2;
        worker.wait();
    } else if (name == "waitcondition") {
        QWaitCondition ready;
        bool set = false;
        worker.body = [&] {
            shared = 1;
            QMutexLocker lock(&mutex);
            set = true;
            ready.wakeAll();
        };
        QMutexLocker lock(&mutex);
        worker.start();
        while (!set)
            ready.wait(&mutex);
        shared = 2;
        lock.unlock();
        worker.wait();
    } else if (name == "threadend") {
        worker.body = [] { shared = 1; };
        worker.start();
        worker.wait();
        shared = 2;
    } else if (name == "postevent" || name == "postedthenwritten") {
        Receiver receiver;
        QSemaphore handled;
        receiver.onEvent = [&] {
            seen = shared;
            handled.release();
        };
        worker.start();
        receiver.moveToThread(&worker);
        shared = 1;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        if (name == "postedthenwritten")
            shared = 2; // after the post: nothing orders it before the handler
        handled.acquire();
        worker.quit();
        worker.wait();
    } else if (name == "queuedsignal") {
        qRegisterMetaType<Payload>();
        Sender sender;
        Payload got;
        QObject::connect(&sender, &Sender::payload, qApp, [&](const Payload &p) {
            got = p;
            shared = got.values[3];
            qApp->quit();
        }, Qt::QueuedConnection);
        worker.body = [&] {
            shared = 1;
            Payload p;
            p.values[3] = 3;
            emit sender.payload(p);
        };
        sender.moveToThread(&worker);
        worker.start();
        QCoreApplication::exec();
        worker.wait();
    } else if (name == "blockingcall") {
        QObject target;
        worker.start();
        target.moveToThread(&worker);
        shared = 1;
        QMetaObject::invokeMethod(&target, [] { shared += 1; }, Qt::BlockingQueuedConnection);
        shared = 3;
        QMetaObject::invokeMethod(&target, [&] { target.moveToThread(qApp->thread()); },
                                  Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    } else {
        return 2;
    }
    return seen < 0 ? 1 : 0;
}

} // namespace

class TestTsanQt : public QObject
{
    Q_OBJECT

private slots:
    void handOvers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("race");
        QTest::newRow("no hand-over") << "unguarded" << true;
        QTest::newRow("posted, then written") << "postedthenwritten" << true;
        for (const char *name : {"mutex", "readwrite", "semaphore", "waitcondition", "threadend", "postevent",
                                 "queuedsignal", "blockingcall"})
            QTest::newRow(name) << QString(name) << false;
    }

    void handOvers()
    {
        QFETCH(QString, name);
        QFETCH(bool, race);
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"--case", name});
        QVERIFY(child.waitForFinished(30000));
        const QByteArray out = child.readAll();
        const bool reported = out.contains("WARNING: ThreadSanitizer: data race");
        QVERIFY2(reported == race, out.constData());
        if (!race)
            QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--case") {
        QCoreApplication app(argc, argv);
        return runCase(QString::fromUtf8(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestTsanQt test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tsanqt.moc"
