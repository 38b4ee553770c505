// The millisecond clock and sleep that every timed part of the game uses.
#pragma once

#include <atomic>
#include <cstdint>

// Milliseconds since an arbitrary start; wraps around at 2^32, so compare by difference.
uint32_t timeGetTime();
// Suspends the calling thread for at least `ms` milliseconds (0 yields).
void Sleep(uint32_t ms);

// Where the time comes from. The real source is the system's monotonic clock; tests install a
// FakeClock so that every step is deterministic.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual uint32_t Now() = 0;
    virtual void SleepFor(uint32_t ms) = 0;
};

// Installs `source` for every thread (nullptr restores the real clock). The source must outlive
// its installation.
void SetClockSource(ClockSource* source);

// A clock that stands still until the test moves it; a sleep moves it by the time slept.
class FakeClock : public ClockSource {
public:
    explicit FakeClock(uint32_t start = 0) : now_(start) {}
    uint32_t Now() override { return now_.load(); }
    void SleepFor(uint32_t ms) override { now_.fetch_add(ms); }
    void Advance(uint32_t ms) { now_.fetch_add(ms); }
    void Set(uint32_t ms) { now_.store(ms); }

private:
    std::atomic<uint32_t> now_;
};

// Installs a FakeClock for the lifetime of the guard. The clock itself is never freed: another
// thread (a timer or a sound worker) may still be reading it while the guard uninstalls it.
class ScopedFakeClock {
public:
    explicit ScopedFakeClock(uint32_t start = 0);
    ~ScopedFakeClock() { SetClockSource(nullptr); }
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;
    FakeClock& clock() { return *clock_; }

private:
    FakeClock* clock_;
};
