#include "HiResClock.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;
static_assert(Clock::is_steady, "the stopwatch needs a monotonic clock");

// Tick period of the clock in seconds; zero would mean no usable clock.
constexpr double tickPeriod = double(Clock::period::num) / double(Clock::period::den);

std::int64_t ticks()
{
    const std::int64_t t = Clock::now().time_since_epoch().count();
    if (tickPeriod <= 0.0)
        throw TimeNotSupported();
    return t;
}

// Set during static initialisation, before main.
std::atomic<std::int64_t> startStamp{ticks()};
std::atomic<std::int64_t> lapStamp{startStamp.load()};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "stamps must be lock-free");

} // namespace

void HiResClock::restart()
{
    const std::int64_t t = ticks();
    startStamp.store(t, std::memory_order_relaxed);
    lapStamp.store(t, std::memory_order_relaxed);
}

double HiResClock::lap()
{
    const std::int64_t t = ticks();
    const std::int64_t last = lapStamp.exchange(t, std::memory_order_relaxed);
    // Another thread may have moved the stamp past our reading: no negative spans.
    return t > last ? double(t - last) * tickPeriod : 0.0;
}

double HiResClock::now()
{
    return double(ticks()) * tickPeriod;
}

double HiResClock::sinceStart()
{
    const std::int64_t t = ticks();
    const std::int64_t start = startStamp.load(std::memory_order_relaxed);
    return t > start ? double(t - start) * tickPeriod : 0.0;
}
