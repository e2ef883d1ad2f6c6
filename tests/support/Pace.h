#pragma once

#include <condition_variable>
#include <mutex>

// Keeps a thread that loops on shared code from running away from the thread whose bounded work it races.
// Locks need not be fair: a thread that lets go of a lock and takes it again at once may keep it from a
// waiting thread for as long as it loops (glibc's read/write lock lets readers and a re-locking writer pass
// a waiting writer). Paced, each looping thread takes at most `passesPerStep` passes per step of the bounded
// side, so the bounded side gets its lock within a bounded number of passes on any machine, while the two
// still overlap all the time. The pace waits on a lock of its own, never while the looping thread holds one
// of the code under test, and the bounded side never waits for it.
namespace testsupport {

class Pace
{
public:
    explicit Pace(long passesPerStep) : perStep(passesPerStep), allowed(passesPerStep) {}

    // The looping side, before each pass; `taken` is the thread's own count, starting at 0. Waits until the
    // bounded side has moved on far enough, or has let the loops go.
    void wait(long &taken)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return released || taken < allowed; });
        ++taken;
    }

    // The bounded side, after each step of its work.
    void step()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            allowed += perStep;
        }
        changed.notify_all();
    }

    // The bounded side is done (or the run stops): the loops run freely from now on.
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            released = true;
        }
        changed.notify_all();
    }

private:
    const long perStep;
    std::mutex mutex;
    std::condition_variable changed;
    long allowed;
    bool released = false;
};

} // namespace testsupport
