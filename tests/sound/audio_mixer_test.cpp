#include "platform/audio_mixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/clock.h"
#include "platform/sound_device.h"
#include "sound_fixture.h"

using audio::AudioMixer;
using audio::MixerStream;

namespace {

WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat f;
    f.formatTag = WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.blockAlign * rate;
    return f;
}

std::shared_ptr<MixerStream> Constant(AudioMixer& m, int16_t value, uint32_t frames) {
    auto s = m.CreateStream(Pcm(2, 44100, 16), frames * 4);
    std::vector<int16_t> data(frames * 2, value);
    s->Write(0, data.data(), frames * 4);
    return s;
}

} // namespace

TEST(MixerGain, HundredthsOfDecibelToGain) {
    EXPECT_EQ(audio::VolumeToGain(0), 65536u);
    EXPECT_EQ(audio::VolumeToGain(-10000), 0u);
    EXPECT_EQ(audio::VolumeToGain(-20000), 0u);
    EXPECT_NEAR(audio::VolumeToGain(-602), 32768.0, 20.0);
    EXPECT_NEAR(audio::VolumeToGain(-2000), 6554.0, 1.0);
    EXPECT_NEAR(audio::VolumeToGain(-9999), 0.0, 1.0);
}

TEST(MixerFormats, OnlyConsistentPcmIsAccepted) {
    AudioMixer m;
    EXPECT_TRUE(m.CreateStream(Pcm(1, 8000, 8), 100));
    EXPECT_TRUE(m.CreateStream(Pcm(2, 192000, 16), 400));
    EXPECT_TRUE(m.CreateStream(Pcm(2, 3000000, 16), 400)); // a rate is bounded only by the ring
    EXPECT_FALSE(m.CreateStream(Pcm(3, 44100, 16), 600));
    EXPECT_FALSE(m.CreateStream(Pcm(2, 44100, 24), 600));
    EXPECT_FALSE(m.CreateStream(Pcm(2, 0, 16), 400));
    WaveFormat bad = Pcm(2, 44100, 16);
    bad.blockAlign = 2;
    EXPECT_FALSE(m.CreateStream(bad, 400));
    bad = Pcm(2, 44100, 16);
    bad.formatTag = 3;
    EXPECT_FALSE(m.CreateStream(bad, 400));
    EXPECT_FALSE(m.CreateStream(Pcm(2, 44100, 16), 0));
    EXPECT_FALSE(m.CreateStream(Pcm(2, 44100, 16), 402)); // not whole frames
    EXPECT_EQ(m.StreamCount(), 3u);
}

TEST(MixerSum, SaturatesInsteadOfWrapping) {
    AudioMixer m;
    auto a = Constant(m, 30000, 64);
    auto b = Constant(m, 30000, 64);
    auto c = Constant(m, -20000, 64);
    a->Play(true);
    b->Play(true);
    std::vector<int16_t> out(128);
    m.Mix(out.data(), 64);
    EXPECT_EQ(out, std::vector<int16_t>(128, 32767));
    c->Play(true);
    m.Mix(out.data(), 64);
    EXPECT_EQ(out, std::vector<int16_t>(128, 32767)); // 40,000 saturates
    a->Stop();
    b->Stop();
    auto d = Constant(m, -30000, 64);
    d->Play(true);
    m.Mix(out.data(), 64);
    EXPECT_EQ(out, std::vector<int16_t>(128, -32768));
    m.RemoveStream(c);
    m.RemoveStream(d);
    m.Mix(out.data(), 64);
    EXPECT_EQ(out, std::vector<int16_t>(128, 0));
    EXPECT_EQ(m.FramesMixed(), 256u);
}

TEST(MixerStreams, VolumeAndStopAndOneShotEnd) {
    AudioMixer m;
    auto s = Constant(m, 10000, 100);
    EXPECT_FALSE(s->SetVolume(1));
    EXPECT_FALSE(s->SetVolume(-10001));
    EXPECT_TRUE(s->SetVolume(-602));
    EXPECT_EQ(s->Volume(), -602);
    s->Play(false);
    std::vector<int16_t> out(300);
    m.Mix(out.data(), 150);
    for (size_t i = 0; i < 200; ++i)
        ASSERT_NEAR(out[i], 5000, 3) << i;
    for (size_t i = 200; i < 300; ++i)
        ASSERT_EQ(out[i], 0) << i; // a one-shot stops at the ring's end
    EXPECT_FALSE(s->IsPlaying());
}

TEST(MixerStreams, OtherRatesAndMonoAreConverted) {
    AudioMixer m;
    auto tone = kestrel::test::MakeTone(1000.0, 22050, 1, 22050, 16000.0);
    auto s = m.CreateStream(Pcm(1, 22050, 16), 22050 * 2);
    ASSERT_TRUE(s);
    s->Write(0, tone.data(), 22050 * 2);
    s->Play(false);
    std::vector<int16_t> out(44100 * 2 * 2);
    m.Mix(out.data(), 44100 * 2);
    auto left = sndtest::Channel(out, 0);
    auto right = sndtest::Channel(out, 1);
    EXPECT_EQ(left, right);
    EXPECT_NEAR(static_cast<double>(sndtest::SoundingFrames(left, 1000)), 44100.0, 30.0);
    EXPECT_GT(sndtest::ToneShare(left, 1000, 40000, 1000.0), 0.45);

    // 8-bit at 11,025 Hz: four output frames per source frame.
    auto e = m.CreateStream(Pcm(1, 11025, 8), 4);
    const uint8_t bytes[4] = {0x80, 0xC0, 0xC0, 0x80};
    e->Write(0, bytes, 4);
    e->Play(false);
    std::vector<int16_t> o(64);
    m.Mix(o.data(), 32);
    EXPECT_EQ(o[0], 0);
    EXPECT_EQ(o[8], 16384); // frame 1 (output frame 4)
    EXPECT_GT(o[4], 0);     // interpolated on the way
    EXPECT_LT(o[4], 16384);
}

TEST(MixerNotifications, EveryPositionCrossedCountsOnce) {
    AudioMixer m;
    auto s = Constant(m, 1, 1000);
    audio::NotifyEvent ev;
    std::vector<audio::NotifyPosition> pos;
    for (uint32_t i = 1; i <= 4; ++i)
        pos.push_back({i * 1000 - (i == 4 ? 1 : 0), &ev});
    EXPECT_FALSE(s->SetNotifications({{4000, &ev}})); // outside the ring
    ASSERT_TRUE(s->SetNotifications(pos));
    s->Play(true);
    std::vector<int16_t> out(2 * 2000);
    m.Mix(out.data(), 600); // 2400 bytes: positions 1000 and 2000
    EXPECT_EQ(ev.Pending(), 2u);
    m.Mix(out.data(), 2000); // 8000 bytes more: twice round the ring
    EXPECT_EQ(ev.Take(), 10u);
    EXPECT_EQ(ev.Pending(), 0u);
    ev.Quit();
    EXPECT_EQ(ev.Wait(), audio::NotifyEvent::Wake::Quit);
}

TEST(SoundDeviceBuffers, LockUnlockPlayAndStatus) {
    auto dev = SoundDevice::Open(SoundDevice::Output::Manual);
    ASSERT_TRUE(dev);
    WaveFormat f = Pcm(2, 44100, 16);
    EXPECT_FALSE(dev->CreateSoundBuffer({0, 0, &f}));
    EXPECT_FALSE(dev->CreateSoundBuffer({0, 400, nullptr}));
    EXPECT_FALSE(dev->CreateSoundBuffer({0, kMaxSoundBufferBytes + 4, &f}));
    auto primary = dev->CreateSoundBuffer({DSBCAPS_PRIMARYBUFFER, 0, nullptr});
    ASSERT_TRUE(primary);
    EXPECT_TRUE(primary->SetFormat(f));
    EXPECT_FALSE(primary->Play(0));

    auto b = dev->CreateSoundBuffer({DSBCAPS_CTRLVOLUME, 400, &f});
    ASSERT_TRUE(b);
    EXPECT_EQ(dev->mixer().StreamCount(), 1u);
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_TRUE(b->Lock(300, 200, &p1, &n1, &p2, &n2)); // wraps: 100 + 100 bytes
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 100u);
    EXPECT_FALSE(b->Lock(0, 4, &p1, &n1, &p2, &n2)); // one lock at a time
    std::vector<int16_t> ones(50, 7);
    std::memcpy(p1, ones.data(), 100);
    std::memcpy(p2, ones.data(), 100);
    ASSERT_TRUE(b->Unlock(p1, n1, p2, n2));
    EXPECT_FALSE(b->Lock(400, 4, &p1, &n1, &p2, &n2));

    uint32_t status = 99;
    ASSERT_TRUE(b->GetStatus(&status));
    EXPECT_EQ(status, 0u);
    ASSERT_TRUE(b->Play(DSBPLAY_LOOPING));
    ASSERT_TRUE(b->GetStatus(&status));
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    audio::NotifyPosition np{100, nullptr};
    EXPECT_FALSE(b->SetNotificationPositions(1, &np)); // not while playing
    std::vector<int16_t> out(200);
    dev->mixer().Mix(out.data(), 100);
    for (size_t i = 0; i < 200; ++i)
        ASSERT_EQ(out[i], (i < 50 || i >= 150) ? 7 : 0) << i;
    uint32_t play = 1;
    ASSERT_TRUE(b->GetCurrentPosition(&play, nullptr));
    EXPECT_EQ(play, 0u); // exactly once round the 100-frame ring
    EXPECT_TRUE(b->SetCurrentPosition(396));
    EXPECT_FALSE(b->SetCurrentPosition(400));
    b.reset();
    EXPECT_EQ(dev->mixer().StreamCount(), 0u);
}

TEST(SoundDeviceOutput, SilentDeviceConsumesAtTheDeviceRate) {
    ScopedFakeClock fake(0);
    auto dev = SoundDevice::Open(SoundDevice::Output::Silent);
    ASSERT_TRUE(dev);
    EXPECT_EQ(dev->output(), SoundDevice::Output::Silent);
    fake.clock().Advance(100);
    auto start = std::chrono::steady_clock::now();
    while (dev->mixer().FramesMixed() < 4410 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(dev->mixer().FramesMixed(), 4410u);
}

TEST(SoundDeviceOutput, SystemOutputOpensWithTheDummyDriver) {
    // SDL's dummy driver (the tests' environment) is a device that consumes in real time.
    auto dev = SoundDevice::Open(SoundDevice::Output::System);
    ASSERT_TRUE(dev);
    auto start = std::chrono::steady_clock::now();
    while (dev->mixer().FramesMixed() == 0 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GT(dev->mixer().FramesMixed(), 0u);
}
