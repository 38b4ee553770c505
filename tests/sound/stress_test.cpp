// Start, stop, replace and destroy players from this thread while the mixer runs on another and the
// fade timers on a third; run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sound_fixture.h"

using sndtest::SoundFixture;

namespace {

class PlayerStress : public SoundFixture {
protected:
    void StartMixer() {
        mixer_ = std::thread([this] {
            std::vector<int16_t> out(512 * 2);
            while (!stop_.load()) {
                g_DSound.device->mixer().Mix(out.data(), 512);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
        });
    }
    void StopMixer() {
        stop_ = true;
        mixer_.join();
    }

    std::atomic<bool> stop_{false};
    std::thread mixer_;
};

} // namespace

TEST_F(PlayerStress, StartStopReplaceAndDestroyInALoop) {
    Write("bgm/m.ogg", kestrel::test::MakeToneOgg(440.0, 0.6));
    Write("se/s.ogg", kestrel::test::MakeToneOgg(880.0, 0.2, 1, 22050));
    Write("voice/v.ogg", kestrel::test::MakeToneOgg(660.0, 0.15));
    StartMixer();
    int opened = 0;
    for (int i = 0; i < 120; ++i) {
        if (g_BgmPlayer) {
            g_BgmPlayer->KillFadeTimer();
            delete g_BgmPlayer;
        }
        g_BgmPlayer = new CBgmplay;
        opened += g_BgmPlayer->OpenMusic("m.ogg");
        g_BgmPlayer->Play(i % 2);
        if (i % 3 == 0)
            g_BgmPlayer->FadeIn(200 + i);
        else
            g_BgmPlayer->FadeOut(150);

        CSeplay*& se = g_SePlayers[1 + i % 9];
        if (se) {
            se->KillTimer();
            delete se;
        }
        se = new CSeplay;
        se->FadeIn(100); // fade steps may run before the sound is open
        opened += se->Open("se\\s.ogg");
        se->Play(i % 4 == 0);

        CVoiceplay*& v = g_VoicePlayers[i % 4];
        if (v && !v->IsStopped())
            v->Stop();
        delete v;
        v = new CVoiceplay;
        opened += v->OpenVoice("v.ogg");
        v->Play(0);
        EXPECT_GE(g_BgmPlayer->GetPlayTime(), 0.0);
        EXPECT_GT(g_BgmPlayer->GetTotalTime(), 0.5);
        v->SetVolume(static_cast<uint32_t>(i % 101));
        CSeplay* other = g_SePlayers[1 + (i + 4) % 9];
        if (i % 5 == 0 && other)
            other->Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 3));
    }
    StopMixer();
    DeleteAllPlayers();
    EXPECT_EQ(opened, 360);
}

TEST_F(PlayerStress, StreamsEndWhileTheWindowThreadPolls) {
    Write("voice/v.ogg", kestrel::test::MakeToneOgg(660.0, 0.05));
    StartMixer();
    for (int i = 0; i < 40; ++i) {
        auto* v = new CVoiceplay;
        ASSERT_TRUE(v->OpenVoice("v.ogg"));
        ASSERT_TRUE(v->Play(0));
        auto start = std::chrono::steady_clock::now();
        while (!v->IsStopped() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(v->IsStopped());
        delete v;
    }
    StopMixer();
}
