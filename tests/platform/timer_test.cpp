#include "platform/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace {

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<uint32_t> lastId{0};
};

void Count(uint32_t id, uintptr_t user) {
    auto* c = reinterpret_cast<Counter*>(user);
    c->lastId = id;
    c->calls.fetch_add(1);
}

uintptr_t U(void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

} // namespace

TEST(PeriodicTimer, RefusesZeroPeriodAndNullProc) {
    Counter c;
    EXPECT_EQ(timeSetEvent(0, 20, Count, U(&c), TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(20, 20, nullptr, U(&c), TIME_PERIODIC), 0u);
    EXPECT_FALSE(timeKillEvent(0));
}

TEST(PeriodicTimer, FakeClockFiresEachDuePeriodOnce) {
    ScopedFakeClock fake(1000);
    Counter c;
    uint32_t id = timeSetEvent(20, 20, Count, U(&c), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 0); // the first firing is one period away
    fake.clock().Advance(19);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 0);
    fake.clock().Advance(1);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 1);
    EXPECT_EQ(c.lastId.load(), id);
    fake.clock().Advance(100); // five periods behind: each fires
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 6);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 6);
    EXPECT_TRUE(timeKillEvent(id));
    EXPECT_FALSE(timeKillEvent(id));
    fake.clock().Advance(100);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 6);
}

TEST(PeriodicTimer, LargeClockJumpIsNotCaughtUpForever) {
    ScopedFakeClock fake(0);
    Counter c;
    uint32_t id = timeSetEvent(1, 1, Count, U(&c), TIME_PERIODIC);
    fake.clock().Advance(1000000);
    PumpTimersForTest();
    EXPECT_GE(c.calls.load(), 1);
    EXPECT_LE(c.calls.load(), 100);
    timeKillEvent(id);
}

TEST(PeriodicTimer, OneShotFiresOnce) {
    ScopedFakeClock fake(0);
    Counter c;
    uint32_t id = timeSetEvent(5, 1, Count, U(&c), TIME_ONESHOT);
    fake.clock().Advance(50);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 1);
    EXPECT_FALSE(timeKillEvent(id)); // already gone
}

TEST(PeriodicTimer, ClockWrapAroundKeepsFiring) {
    ScopedFakeClock fake(0xFFFFFFF0u);
    Counter c;
    uint32_t id = timeSetEvent(10, 1, Count, U(&c), TIME_PERIODIC);
    fake.clock().Advance(10); // due time wrapped past 0
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 1);
    fake.clock().Advance(10);
    PumpTimersForTest();
    EXPECT_EQ(c.calls.load(), 2);
    timeKillEvent(id);
}

namespace {

struct SlowState {
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
};

void Slow(uint32_t, uintptr_t user) {
    auto* s = reinterpret_cast<SlowState*>(user);
    s->inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    s->finished = true;
}

struct SelfKill {
    std::atomic<uint32_t> id{0};
    std::atomic<int> calls{0};
};

void KillSelf(uint32_t id, uintptr_t user) {
    auto* s = reinterpret_cast<SelfKill*>(user);
    s->calls.fetch_add(1);
    timeKillEvent(id);
}

} // namespace

TEST(PeriodicTimer, KillWaitsForRunningCallback) {
    // Real clock: the service thread runs the callback while this thread kills the timer.
    SlowState s;
    uint32_t id = timeSetEvent(1, 1, Slow, U(&s), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    auto start = std::chrono::steady_clock::now();
    while (!s.inside && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    ASSERT_TRUE(s.inside);
    timeKillEvent(id);
    EXPECT_TRUE(s.finished.load());
}

TEST(PeriodicTimer, CallbackMayKillItsOwnTimer) {
    ScopedFakeClock fake(0);
    SelfKill s;
    s.id = timeSetEvent(10, 1, KillSelf, U(&s), TIME_PERIODIC);
    fake.clock().Advance(100);
    PumpTimersForTest();
    EXPECT_EQ(s.calls.load(), 1);
    EXPECT_FALSE(timeKillEvent(s.id)); // gone, and the kill returns at once
}
