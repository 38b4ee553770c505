#include "sound/snd_mng.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/timer.h"
#include "sound/ogg_reader.h"
#include "sound_fixture.h"

using sndtest::Channel;
using sndtest::Exposed;
using sndtest::Peak;
using sndtest::SoundFixture;
using sndtest::SoundingFrames;
using sndtest::ToneShare;

namespace {

int32_t VolumeOf(CStreamSoundBuffer* b) {
    int32_t v = 12345;
    EXPECT_TRUE(b->GetVolume(&v));
    return v;
}

// Longest run of near-silent samples inside [from, to).
size_t LongestQuietRun(const std::vector<int16_t>& mono, size_t from, size_t to, int threshold) {
    size_t run = 0, best = 0;
    for (size_t i = from; i < to && i < mono.size(); ++i) {
        run = std::abs(mono[i]) < threshold ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

} // namespace

TEST(PlayerVolume, PercentBecomesHundredthsOfDecibel) {
    const struct {
        uint32_t percent;
        int32_t expected;
    } cases[] = {{0, -10000}, {1, -4000}, {10, -2000}, {25, -1204}, {50, -602}, {100, 0}, {101, 0}, {255, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(PercentToHundredthsOfDb(c.percent), c.expected) << c.percent;
}

class Players : public SoundFixture {};

TEST_F(Players, ToneOncePlaysTwoSecondsAtItsFrequency) {
    Write("bgm/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 2.0));
    Exposed<CBgmplay> p;
    ASSERT_TRUE(p.OpenMusic("bgm\\tone.ogg"));
    ASSERT_TRUE(p.Play(0));
    auto out = Drive({p.Buffer()}, 44100 * 3);
    auto left = Channel(out, 0);
    size_t sounding = SoundingFrames(left, 2000);
    EXPECT_NEAR(static_cast<double>(sounding), 88200.0, 600.0);
    EXPECT_GT(ToneShare(left, 22050, 44100, 1000.0), 0.45);
    EXPECT_LT(ToneShare(left, 22050, 44100, 1500.0), 0.01);
    EXPECT_TRUE(p.Buffer() && !p.Buffer()->IsPlaying());
    EXPECT_LT(Peak(left, 44100 * 2 + 4410, 44100 - 4410), 50);
}

TEST_F(Players, LoopCountTwoPlaysThreeTimesWithoutGaps) {
    Write("se/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 2.0));
    Exposed<CSeplay> p;
    ASSERT_TRUE(p.Open("tone.ogg"));
    ASSERT_TRUE(p.CSndMng::Play(2));
    auto out = Drive({p.Buffer()}, 44100 * 7);
    auto left = Channel(out, 0);
    EXPECT_NEAR(static_cast<double>(SoundingFrames(left, 2000)), 6.0 * 44100, 600.0);
    // The seams at 2 s and 4 s: a sine never stays near 0 for more than a couple of samples.
    EXPECT_LE(LongestQuietRun(left, 2000, 6 * 44100 - 2000, 800), 3u);
    EXPECT_GT(ToneShare(left, 4 * 44100 + 1000, 44100, 1000.0), 0.45);
    EXPECT_TRUE(p.IsStopped());
}

TEST_F(Players, EndlessLoopPlaysUntilStoppedAndRestartsFromTheStart) {
    Write("bgm/short.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    Exposed<CBgmplay> p;
    ASSERT_TRUE(p.OpenMusic("short.ogg"));
    ASSERT_TRUE(p.Play(1));
    auto out = Drive({p.Buffer()}, 44100 * 4);
    auto left = Channel(out, 0);
    EXPECT_EQ(SoundingFrames(left, 2000) > 44100 * 3.9, true);
    EXPECT_LE(LongestQuietRun(left, 2000, 4 * 44100 - 100, 800), 3u);
    EXPECT_TRUE(p.Buffer()->IsPlaying());
    EXPECT_TRUE(p.Stop());
    EXPECT_FALSE(p.Buffer()->IsPlaying());
    auto quiet = Drive({p.Buffer()}, 4410);
    EXPECT_EQ(Peak(Channel(quiet, 0), 0, 4410), 0);

    ASSERT_TRUE(p.Play(0));
    auto again = Drive({p.Buffer()}, 4410);
    std::vector<int16_t> ref(4410 * 2);
    COggReader r;
    ASSERT_TRUE(r.Open(Path("bgm/short.ogg").c_str()));
    uint32_t got = 0;
    ASSERT_TRUE(r.Read(ref.data(), 4410 * 4, &got));
    EXPECT_EQ(again, ref); // the same samples as the file's first, at full volume
}

TEST_F(Players, VolumeScalesTheAmplitude) {
    Write("voice/v.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    double peaks[2];
    const uint32_t volumes[2] = {100, 50};
    for (int i = 0; i < 2; ++i) {
        Exposed<CVoiceplay> p;
        ASSERT_TRUE(p.OpenVoice("voice\\v.ogg"));
        g_VoiceVolume = volumes[i];
        ASSERT_TRUE(p.Play(0));
        EXPECT_EQ(VolumeOf(p.Buffer()), PercentToHundredthsOfDb(volumes[i]));
        auto out = Drive({p.Buffer()}, 22050);
        peaks[i] = Peak(Channel(out, 0), 2000, 18000);
    }
    EXPECT_NEAR(peaks[1] / peaks[0], std::pow(10.0, -602 / 2000.0), 0.01);
}

TEST_F(Players, StoppedVoiceReportsItsEnd) {
    Write("voice/v.ogg", kestrel::test::MakeToneOgg(700.0, 0.3, 1, 22050));
    Exposed<CVoiceplay> p;
    EXPECT_TRUE(p.IsStopped()); // nothing opened
    ASSERT_TRUE(p.OpenVoice("v.ogg"));
    ASSERT_TRUE(p.Play(0));
    EXPECT_FALSE(p.IsStopped());
    Drive({p.Buffer()}, 4410);
    EXPECT_FALSE(p.IsStopped());
    // 0.3 s of sound, then at most one block of 3/16 s before the buffer stops.
    Drive({p.Buffer()}, 44100 / 2);
    EXPECT_TRUE(p.IsStopped());
}

TEST_F(Players, BrokenFilesEndTheirSound) {
    auto ogg = kestrel::test::MakeToneOgg(1000.0, 10.0);
    std::vector<uint8_t> truncated(ogg.begin(), ogg.begin() + ogg.size() * 6 / 10);
    std::vector<uint8_t> garbled = ogg;
    for (size_t i = garbled.size() / 3; i < garbled.size() * 2 / 3; ++i)
        garbled[i] = static_cast<uint8_t>(i * 37);
    Write("voice/cut.ogg", truncated);
    Write("voice/bad.ogg", garbled);
    for (uint8_t loop : {0, 1}) {
        Exposed<CVoiceplay> p;
        ASSERT_TRUE(p.OpenVoice("cut.ogg"));
        ASSERT_TRUE(p.Play(loop));
        Drive({p.Buffer()}, 44100 * 6);
        // About 5 s decode: played once it has ended; looped it goes on over what decodes.
        EXPECT_EQ(p.IsStopped(), loop == 0) << int(loop);
    }
    Exposed<CVoiceplay> p;
    if (p.OpenVoice("bad.ogg")) {
        ASSERT_TRUE(p.Play(0));
        Drive({p.Buffer()}, 44100 * 11);
        EXPECT_TRUE(p.IsStopped());
    }
}

TEST_F(Players, OpenFailuresAreSilent) {
    plat::ScopedHeadlessBackend headless;
    Write("se/junk.ogg", std::vector<uint8_t>(5000, 0x41));
    Write("se/empty.ogg", {});
    Write("se/ok.ogg", kestrel::test::MakeToneOgg(440.0, 0.2));
    {
        CSeplay p;
        EXPECT_FALSE(p.Open("missing.ogg"));
        EXPECT_FALSE(p.Play(0));
    }
    {
        CSeplay p;
        EXPECT_FALSE(p.Open("junk.ogg"));
        CSeplay q;
        EXPECT_FALSE(q.Open("empty.ogg"));
    }
    {
        CSeplay p;
        EXPECT_TRUE(p.Open("ok.ogg"));
        EXPECT_FALSE(p.Open("ok.ogg")); // one player serves one file
        EXPECT_TRUE(p.Play(0));
    }
    g_DSound.Release();
    {
        CSeplay p;
        EXPECT_FALSE(p.Open("ok.ogg")); // no device: no sound, no message
        EXPECT_TRUE(p.Stop());
    }
    EXPECT_TRUE(headless.backend().boxes.empty());
    ASSERT_TRUE(g_DSound.CreateWithOutput(SoundDevice::Output::Manual));
}

// Streams of more than two channels, or of a rate above the usual ones, play at their pitch for
// their length as the device consumes them.
TEST_F(Players, ManyChannelsAndHighRatesPlayForTheirLength) {
    const struct {
        int channels;
        int rate;
    } cases[] = {{6, 48000}, {4, 44100}, {2, 200000}};
    for (const auto& c : cases) {
        Write("bgm/wide.ogg", kestrel::test::MakeToneOgg(1000.0, 1.0, c.channels, c.rate));
        Exposed<CBgmplay> p;
        ASSERT_TRUE(p.OpenMusic("wide.ogg")) << c.channels << " channels at " << c.rate;
        ASSERT_TRUE(p.Play(0));
        auto left = Channel(Drive({p.Buffer()}, 44100 * 3 / 2), 0);
        EXPECT_NEAR(static_cast<double>(SoundingFrames(left, 2000)), 44100.0, 600.0) << c.rate;
        EXPECT_GT(ToneShare(left, 4410, 22050, 1000.0), 0.45) << c.rate;
        EXPECT_TRUE(p.IsStoppedChannel());
    }
}

// A stream that no sound buffer can hold (3 s of it at its rate exceed any buffer, or its links
// differ in format) is reported by the open error, never left silent without a word.
TEST_F(Players, StreamsNoBufferCanHoldShowTheOpenError) {
    using kestrel::test::EncodeOggVorbis;
    using kestrel::test::MakeTone;
    plat::ScopedHeadlessBackend headless;
    auto fast = kestrel::test::MakeToneOgg(1000.0, 0.1);
    ASSERT_TRUE(kestrel::test::SetOggVorbisRate(fast, 3000000));
    Write("se/fast.ogg", fast);
    auto chain = EncodeOggVorbis(MakeTone(500.0, 4410, 1, 44100), 1, 44100, 0.4f, 1);
    auto stereo = EncodeOggVorbis(MakeTone(500.0, 4410, 2, 44100), 2, 44100, 0.4f, 2);
    chain.insert(chain.end(), stereo.begin(), stereo.end());
    Write("se/chain.ogg", chain);
    for (std::string name : {"fast.ogg", "chain.ogg"}) {
        auto& boxes = headless.backend().boxes;
        boxes.clear();
        CSeplay p;
        EXPECT_FALSE(p.Open(name.c_str())) << name;
        EXPECT_FALSE(p.Play(0)) << name;
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(boxes[0].caption, "Error:OggOpen");
        EXPECT_EQ(boxes[0].text, "\"" + GetResourceDir(kResourceSe) + name + "\"のSoundBufferを作れなかった");
    }
}

TEST_F(Players, DisabledKindPlaysNothingButSucceeds) {
    Write("se/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    Exposed<CSeplay> p;
    ASSERT_TRUE(p.Open("tone.ogg"));
    g_SeEnabled = 0;
    EXPECT_TRUE(p.Play(0));
    EXPECT_EQ(p.FadeIn(1000), -1);
    auto out = Drive({p.Buffer()}, 8820);
    EXPECT_EQ(Peak(Channel(out, 0), 0, 8820), 0);
    EXPECT_TRUE(p.IsStopped());
}

TEST_F(Players, FadeInReachesItsTargetInItsTime) {
    Write("bgm/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 1.0));
    ScopedFakeClock fake(5000);
    Exposed<CBgmplay> p;
    ASSERT_TRUE(p.OpenMusic("tone.ogg"));
    ASSERT_TRUE(p.Play(1));
    g_BgmVolume = 80;
    g_BgmFadeTarget = 50;
    EXPECT_EQ(p.FadeIn(2000), 0);
    EXPECT_TRUE(p.IsFading());
    EXPECT_EQ(VolumeOf(p.Buffer()), -10000);
    fake.clock().Advance(1000);
    PumpTimersForTest();
    EXPECT_EQ(VolumeOf(p.Buffer()), -1204); // 25 %
    EXPECT_EQ(g_BgmVolume.load(), 80u);
    fake.clock().Advance(1000);
    PumpTimersForTest();
    EXPECT_EQ(VolumeOf(p.Buffer()), -602);
    EXPECT_EQ(g_BgmVolume.load(), 50u);
    EXPECT_FALSE(p.IsFading());
    fake.clock().Advance(100);
    PumpTimersForTest(); // the step after the end stops the timer
    p.SetVolume(100);
    fake.clock().Advance(1000);
    PumpTimersForTest();
    EXPECT_EQ(VolumeOf(p.Buffer()), 0);
    p.KillFadeTimer();
}

TEST_F(Players, FadeOutLeavesTheKindVolumeAndKeepsPlaying) {
    Write("se/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 1.0));
    ScopedFakeClock fake(0);
    Exposed<CSeplay> p;
    ASSERT_TRUE(p.Open("tone.ogg"));
    g_SeVolume = 50;
    ASSERT_TRUE(p.Play(1));
    EXPECT_EQ(p.FadeOut(1000), 0);
    EXPECT_EQ(VolumeOf(p.Buffer()), -602);
    fake.clock().Advance(500);
    PumpTimersForTest();
    EXPECT_EQ(VolumeOf(p.Buffer()), -1204);
    fake.clock().Advance(500);
    PumpTimersForTest();
    EXPECT_EQ(VolumeOf(p.Buffer()), -10000);
    EXPECT_EQ(g_SeVolume.load(), 50u);
    EXPECT_FALSE(p.IsFading());
    EXPECT_FALSE(p.IsStopped());
    p.KillTimer();
}

TEST_F(Players, ShortAndZeroFadesEndAtOnceAtTheirTarget) {
    Write("bgm/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    ScopedFakeClock fake(0);
    Exposed<CBgmplay> p;
    ASSERT_TRUE(p.OpenMusic("tone.ogg"));
    ASSERT_TRUE(p.Play(1));
    for (uint32_t ms : {0u, 1u, 99u}) {
        g_BgmVolume = 20;
        g_BgmFadeTarget = 50;
        EXPECT_EQ(p.FadeIn(ms), 0) << ms;
        EXPECT_EQ(VolumeOf(p.Buffer()), -602) << ms;
        EXPECT_EQ(g_BgmVolume.load(), 50u);
        EXPECT_FALSE(p.IsFading());
        EXPECT_EQ(p.FadeOut(ms), 0);
        EXPECT_EQ(VolumeOf(p.Buffer()), -10000) << ms;
        EXPECT_FALSE(p.IsFading());
    }
}

TEST_F(Players, FadeToZeroTargetEnds) {
    Write("bgm/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    ScopedFakeClock fake(0);
    Exposed<CBgmplay> p;
    ASSERT_TRUE(p.OpenMusic("tone.ogg"));
    g_BgmFadeTarget = 0;
    EXPECT_EQ(p.FadeIn(1000), 0);
    fake.clock().Advance(1000);
    PumpTimersForTest();
    EXPECT_FALSE(p.IsFading());
    g_BgmVolume = 0;
    EXPECT_EQ(p.FadeOut(500), 0);
    fake.clock().Advance(500);
    PumpTimersForTest();
    EXPECT_FALSE(p.IsFading());
}

TEST_F(Players, DeletingAFadingPlayerIsSafe) {
    Write("se/tone.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5));
    for (int i = 0; i < 20; ++i) {
        auto* p = new CSeplay;
        ASSERT_TRUE(p->Open("tone.ogg"));
        p->Play(1);
        p->FadeIn(100); // 1 ms period on the real clock
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        delete p; // kills the timer itself
    }
}

TEST_F(Players, ThirtyOneChannelsSaturateWithoutWrapping) {
    Write("bgm/loud.ogg", kestrel::test::MakeToneOgg(1000.0, 0.5, 2, 44100, 32000.0));
    std::filesystem::copy_file(Path("bgm/loud.ogg"), Path("se/loud.ogg"));
    std::filesystem::copy_file(Path("bgm/loud.ogg"), Path("voice/loud.ogg"));
    std::vector<CStreamSoundBuffer*> buffers;
    auto* bgm = new Exposed<CBgmplay>;
    g_BgmPlayer = bgm;
    ASSERT_TRUE(bgm->OpenMusic("loud.ogg"));
    buffers.push_back(bgm->Buffer());
    for (auto& s : g_SePlayers) {
        auto* e = new Exposed<CSeplay>;
        s = e;
        ASSERT_TRUE(e->Open("loud.ogg"));
        buffers.push_back(e->Buffer());
    }
    for (auto& v : g_VoicePlayers) {
        auto* e = new Exposed<CVoiceplay>;
        v = e;
        ASSERT_TRUE(e->OpenVoice("loud.ogg"));
        buffers.push_back(e->Buffer());
    }
    g_BgmPlayer->Play(0);
    for (auto* s : g_SePlayers)
        s->Play(0);
    for (auto* v : g_VoicePlayers)
        v->Play(0);
    auto out = Drive(buffers, 8192);

    std::vector<int16_t> one(8192 * 2);
    COggReader r;
    ASSERT_TRUE(r.Open(Path("bgm/loud.ogg").c_str()));
    uint32_t got = 0;
    r.Read(one.data(), 8192 * 4, &got);
    ASSERT_EQ(got, 8192u * 4);
    int saturated = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        int expected = std::clamp(31 * one[i], -32768, 32767);
        ASSERT_EQ(out[i], expected) << i;
        saturated += std::abs(expected) == 32767 || expected == -32768;
    }
    EXPECT_GT(saturated, 1000);
}
