#include "sound/dsound.h"

#include <gtest/gtest.h>

#include "platform/headless.h"

namespace {

HWND FakeWindow() {
    static int dummy;
    return reinterpret_cast<HWND>(&dummy);
}

} // namespace

TEST(SoundDeviceInit, NeedsAWindowAndCreatesTheDeviceOnce) {
    plat::ScopedHeadlessBackend headless;
    ASSERT_EQ(g_DSound.device, nullptr);
    EXPECT_FALSE(InitSound(nullptr));
    EXPECT_EQ(g_DSound.device, nullptr);

    // SDL's dummy driver in the tests; a machine without any device runs silent instead.
    ASSERT_TRUE(InitSound(FakeWindow()));
    EXPECT_EQ(g_SoundWnd, FakeWindow());
    ASSERT_NE(g_DSound.device, nullptr);
    ASSERT_NE(g_DSound.primary, nullptr);
    WaveFormat f{};
    ASSERT_TRUE(g_DSound.primary->GetFormat(&f));
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 44100u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.avgBytesPerSec, 176400u);

    SoundDevice* first = g_DSound.device;
    EXPECT_TRUE(InitSound(FakeWindow()));
    EXPECT_EQ(g_DSound.device, first);
    EXPECT_FALSE(g_DSound.CreateWithOutput(SoundDevice::Output::Manual));
    EXPECT_FALSE(g_DSound.SetPrimaryFormat(3, 44100, 16));
    EXPECT_TRUE(headless.backend().boxes.empty());

    g_DSound.Release();
    EXPECT_EQ(g_DSound.device, nullptr);
    EXPECT_EQ(g_DSound.primary, nullptr);
    EXPECT_FALSE(g_DSound.SetPrimaryFormat(2, 44100, 16));
    g_SoundWnd = nullptr;
}
