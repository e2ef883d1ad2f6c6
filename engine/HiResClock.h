#pragma once

#include <stdexcept>

// A process-wide stopwatch in seconds. The board threads lap it between
// status packets and the channel programs restart it before each RDS turn.
// Lock-free and safe from every thread: a restart by one thread moves the
// stamps for all of them, which only shifts the interval the others see next.
class HiResClock
{
public:
    // Start and lap stamp = now.
    static void restart();
    // Seconds since the last lap (or restart, or start); then lap stamp = now.
    static double lap();
    // Seconds on the monotonic clock (absolute).
    static double now();
    // Seconds since start or the last restart.
    static double sinceStart();
};

// Thrown when the monotonic clock cannot be read.
class TimeNotSupported : public std::runtime_error
{
public:
    TimeNotSupported() : std::runtime_error("Time not supported") {}
};
