#pragma once

// How long the machine has kept one thread from running: the time it was
// ready to run but waited for a processor while others ran (the kernel's
// run delay, /proc/<tid>/schedstat). The thread's own work, its sleeps and
// its waits for a lock, a timer or data do not count. A measurement that
// must tell a machine too busy to run a thread from a thread that held
// itself up takes it out of the time it measured.
class RunDelay
{
public:
    // Of the calling thread; then read from any thread.
    RunDelay();
    ~RunDelay();
    RunDelay(const RunDelay &) = delete;
    RunDelay &operator=(const RunDelay &) = delete;

    // Whether the kernel tells it; without, seconds() stays 0.
    bool available() const { return m_fd >= 0; }
    // Seconds the thread has waited for a processor since it started.
    double seconds() const;

private:
    int m_fd = -1;
};
