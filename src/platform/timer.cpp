#include "platform/timer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace {

// Periods fired in a row for one timer before the missed ones are dropped.
constexpr int kMaxCatchUp = 100;

struct Timer {
    uint32_t period;
    uint32_t due; // clock time of the next firing
    TimerProc proc;
    uintptr_t user;
    bool periodic;
};

class TimerService {
public:
    ~TimerService() {
        {
            std::lock_guard<std::mutex> g(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    uint32_t Add(uint32_t period, TimerProc proc, uintptr_t user, bool periodic) {
        std::lock_guard<std::mutex> g(mutex_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { Run(); });
        uint32_t id = nextId_++;
        if (nextId_ == 0)
            nextId_ = 1;
        timers_[id] = Timer{period, timeGetTime() + period, proc, user, periodic};
        return id;
    }

    bool Kill(uint32_t id) {
        std::unique_lock<std::mutex> g(mutex_);
        bool found = timers_.erase(id) != 0;
        // Wait for a running callback of this id unless it is the caller itself.
        idle_.wait(g, [&] { return runningId_ != id || runner_ == std::this_thread::get_id(); });
        return found;
    }

    // Fires every due period; returns when none is due. One dispatcher at a time.
    void Dispatch() {
        std::lock_guard<std::mutex> d(dispatchMutex_);
        std::unique_lock<std::mutex> g(mutex_);
        std::map<uint32_t, int> fired;
        for (;;) {
            // No clock read once the last timer is gone: a test's clock may be destroyed right after
            // its timers are killed.
            if (timers_.empty())
                return;
            uint32_t now = timeGetTime();
            auto it = timers_.begin();
            for (; it != timers_.end(); ++it) {
                if (static_cast<int32_t>(now - it->second.due) >= 0)
                    break;
            }
            if (it == timers_.end())
                return;
            uint32_t id = it->first;
            Timer& t = it->second;
            TimerProc proc = t.proc;
            uintptr_t user = t.user;
            if (!t.periodic) {
                timers_.erase(it);
            } else if (++fired[id] >= kMaxCatchUp) {
                t.due = now + t.period;
            } else {
                t.due += t.period;
            }
            runningId_ = id;
            runner_ = std::this_thread::get_id();
            g.unlock();
            proc(id, user);
            g.lock();
            runningId_ = 0;
            runner_ = std::thread::id();
            idle_.notify_all();
        }
    }

private:
    void Run() {
        std::unique_lock<std::mutex> g(mutex_);
        while (!quit_) {
            bool any = !timers_.empty();
            g.unlock();
            if (any)
                Dispatch();
            g.lock();
            // Wakes every millisecond of real time while timers exist, so that any clock source
            // (the system's or a test's) is followed closely.
            wake_.wait_for(g, std::chrono::milliseconds(timers_.empty() ? 20 : 1));
        }
    }

    std::mutex dispatchMutex_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::condition_variable wake_;
    std::map<uint32_t, Timer> timers_;
    uint32_t nextId_ = 1;
    uint32_t runningId_ = 0;
    std::thread::id runner_;
    bool quit_ = false;
    std::thread thread_;
};

TimerService& Service() {
    static TimerService service;
    return service;
}

std::atomic<uint32_t> g_periodRequests{0};

} // namespace

uint32_t timeSetEvent(uint32_t periodMs, uint32_t /*resolutionMs*/, TimerProc proc, uintptr_t user,
                      uint32_t flags) {
    if (periodMs == 0 || !proc)
        return 0;
    return Service().Add(periodMs, proc, user, (flags & TIME_PERIODIC) != 0);
}

bool timeKillEvent(uint32_t id) {
    if (id == 0)
        return false;
    return Service().Kill(id);
}

uint32_t timeBeginPeriod(uint32_t) {
    g_periodRequests.fetch_add(1);
    return 0;
}

uint32_t timeEndPeriod(uint32_t) {
    g_periodRequests.fetch_sub(1);
    return 0;
}

void PumpTimersForTest() {
    Service().Dispatch();
}
