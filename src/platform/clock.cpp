#include "platform/clock.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class SystemClock : public ClockSource {
public:
    uint32_t Now() override {
        using namespace std::chrono;
        auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        return static_cast<uint32_t>(ms);
    }
    void SleepFor(uint32_t ms) override {
        if (ms == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

// Never destroyed: sound and timer threads may still read the clock while the process exits.
ClockSource& TheSystemClock() {
    static SystemClock* clock = new SystemClock();
    return *clock;
}
std::atomic<ClockSource*> g_clockSource{nullptr}; // null: the system clock

ClockSource& Current() {
    ClockSource* source = g_clockSource.load();
    return source ? *source : TheSystemClock();
}

} // namespace

uint32_t timeGetTime() {
    return Current().Now();
}

void Sleep(uint32_t ms) {
    Current().SleepFor(ms);
}

ScopedFakeClock::ScopedFakeClock(uint32_t start) {
    // Kept reachable for the life of the process, so leak checkers see no leak.
    static std::mutex retiredLock;
    static auto* retired = new std::vector<std::unique_ptr<FakeClock>>();
    std::lock_guard<std::mutex> hold(retiredLock);
    retired->push_back(std::make_unique<FakeClock>(start));
    clock_ = retired->back().get();
    SetClockSource(clock_);
}

void SetClockSource(ClockSource* source) {
    g_clockSource.store(source);
}
