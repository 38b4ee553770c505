#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

std::string UniqueName(const char* what) {
    return std::string("kestrel-guard-test-") + what + "-" + std::to_string(getpid());
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    std::string name = UniqueName("hold");
    plat::SingleInstance first, second;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_TRUE(second.Acquire(name));
}

TEST(SingleInstance, RaiseRequestsArriveOnceEach) {
    std::string name = UniqueName("raise");
    plat::SingleInstance holder;
    ASSERT_TRUE(holder.Acquire(name));
    EXPECT_FALSE(holder.TakeRaiseRequest());
    EXPECT_TRUE(plat::SingleInstance::AskHolderToRaise(name));
    EXPECT_TRUE(holder.TakeRaiseRequest());
    EXPECT_FALSE(holder.TakeRaiseRequest());
}

TEST(SingleInstance, AskingWithNoHolderFails) {
    EXPECT_FALSE(plat::SingleInstance::AskHolderToRaise(UniqueName("nobody")));
}

TEST(SingleInstance, NamesDoNotCollide) {
    plat::SingleInstance a, b;
    EXPECT_TRUE(a.Acquire(UniqueName("a")));
    EXPECT_TRUE(b.Acquire(UniqueName("ab")));
}

} // namespace
