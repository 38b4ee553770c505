#include "sound/stream_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sound/ogg_reader.h"
#include "sound_fixture.h"

using sndtest::SoundFixture;

namespace {

// A reader of `frames` frames of 16-bit stereo whose samples count up (frame i holds i + 1 on both
// channels, wrapping below 32768), or 8-bit mono of a constant value. It can be made to break.
class FakeReader : public CWaveReader {
public:
    explicit FakeReader(uint32_t frames, bool eightBit = false) : frames_(frames), eightBit_(eightBit) {}

    void Close() override {}
    bool IsOpen() const override { return true; }
    bool Read(void* dst, uint32_t bytes, uint32_t* got) override {
        const uint32_t align = eightBit_ ? 1 : 4;
        uint32_t want = bytes / align;
        uint32_t limit = std::min(frames_, breakAt_);
        uint32_t n = pos_ < limit ? std::min(want, limit - pos_) : 0;
        if (stall_)
            n = 0;
        auto* out = static_cast<uint8_t*>(dst);
        for (uint32_t i = 0; i < n; ++i) {
            if (eightBit_) {
                out[i] = 0xC0;
            } else {
                int16_t v = static_cast<int16_t>((pos_ + i) % 32767 + 1);
                std::memcpy(out + i * 4, &v, 2);
                std::memcpy(out + i * 4 + 2, &v, 2);
            }
        }
        pos_ += n;
        if (n < want && !stall_)
            atEnd_ = true;
        if (got)
            *got = n * align;
        return true;
    }
    bool Seek(uint32_t sample) override {
        ++seeks_;
        if (sample > frames_)
            return false;
        pos_ = sample;
        atEnd_ = false;
        return true;
    }
    int64_t Tell() override { return pos_; }
    bool IsEnd() const override { return atEnd_; }
    void GetFormat(WaveFormat* f) const override {
        f->formatTag = WAVE_FORMAT_PCM;
        f->channels = eightBit_ ? 1 : 2;
        f->samplesPerSec = 44100;
        f->bitsPerSample = eightBit_ ? 8 : 16;
        f->blockAlign = eightBit_ ? 1 : 4;
        f->avgBytesPerSec = 44100 * f->blockAlign;
    }
    uint32_t GetTotalSamples() const override { return claimedTotal_ ? claimedTotal_ : frames_; }
    uint32_t GetLoopStart() const override { return 0; }
    uint32_t GetLoopEnd() const override { return GetTotalSamples(); }
    int32_t GetLoopCount() const override { return loopCount_; }
    bool IsLong() const override { return frames_ > 44100; }

    int32_t loopCount_ = 0;
    uint32_t breakAt_ = UINT32_MAX; // reads stop here, as at a corrupt page
    uint32_t claimedTotal_ = 0;     // a length other than what reads give
    bool stall_ = false;            // reads give nothing and report no end
    int seeks_ = 0;

private:
    uint32_t frames_;
    bool eightBit_;
    uint32_t pos_ = 0;
    bool atEnd_ = false;
};

class StreamBuffer : public SoundFixture {
protected:
    std::vector<int16_t> PlayOut(FakeReader& reader, uint32_t frames, CStreamSoundBuffer** keep = nullptr) {
        auto* b = new CStreamSoundBuffer;
        EXPECT_TRUE(b->Create(g_DSound.device, &reader));
        EXPECT_TRUE(b->Play());
        auto out = Drive({b}, frames);
        if (keep) {
            *keep = b;
        } else {
            delete b;
        }
        return out;
    }
};

std::vector<int16_t> Ramp(uint32_t frames, uint32_t times) {
    std::vector<int16_t> v;
    for (uint32_t t = 0; t < times; ++t)
        for (uint32_t i = 0; i < frames; ++i) {
            int16_t s = static_cast<int16_t>(i % 32767 + 1);
            v.push_back(s);
            v.push_back(s);
        }
    return v;
}

} // namespace

TEST(StreamBufferSize, BlocksAreThreeSixteenthsOfASecondInWholeFrames) {
    WaveFormat f{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16};
    EXPECT_EQ(CStreamSoundBuffer::BlockBytesFor(f), 33076u);
    EXPECT_EQ(CStreamSoundBuffer::BlockBytesFor(f) * CStreamSoundBuffer::kBlocks, 529216u);
    WaveFormat m{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16};
    EXPECT_EQ(CStreamSoundBuffer::BlockBytesFor(m), 8268u);
    EXPECT_EQ(CStreamSoundBuffer::BlockBytesFor(m) * CStreamSoundBuffer::kBlocks, 132288u);
    WaveFormat none{};
    EXPECT_EQ(CStreamSoundBuffer::BlockBytesFor(none), 0u);
}

TEST_F(StreamBuffer, CreateNeedsADeviceAndHappensOnce) {
    FakeReader r(1000);
    CStreamSoundBuffer b;
    EXPECT_FALSE(b.IsValid());
    EXPECT_FALSE(b.Play());
    EXPECT_FALSE(b.Create(nullptr, &r));
    ASSERT_TRUE(b.Create(g_DSound.device, &r));
    EXPECT_TRUE(b.IsValid());
    EXPECT_FALSE(b.Create(g_DSound.device, &r));
    EXPECT_EQ(b.GetBufferBytes(), 529216u);
}

TEST_F(StreamBuffer, OneShotGivesTheSamplesThenSilenceAndStops) {
    FakeReader r(30000);
    CStreamSoundBuffer* b = nullptr;
    auto out = PlayOut(r, 60000, &b);
    auto expected = Ramp(30000, 1);
    expected.resize(out.size(), 0);
    EXPECT_EQ(out, expected);
    EXPECT_FALSE(b->IsPlaying());
    delete b;
}

TEST_F(StreamBuffer, LoopsAreSampleExactAcrossBlocks) {
    // 1000 frames: each loop wraps inside a block.
    FakeReader r(1000);
    r.loopCount_ = 2;
    CStreamSoundBuffer* b = nullptr;
    auto out = PlayOut(r, 20000, &b);
    auto expected = Ramp(1000, 3);
    expected.resize(out.size(), 0);
    EXPECT_EQ(out, expected);
    EXPECT_FALSE(b->IsPlaying());
    delete b;
}

TEST_F(StreamBuffer, LongSoundStreamsThroughManyRefills) {
    // Longer than the ring (3 s) several times over, mixed in uneven steps, some of them several
    // blocks long: every notification is counted, so no block is skipped or replayed.
    FakeReader r(44100 * 8);
    auto* b = new CStreamSoundBuffer;
    ASSERT_TRUE(b->Create(g_DSound.device, &r));
    ASSERT_TRUE(b->Play());
    std::vector<int16_t> out;
    const uint32_t steps[] = {700, 8269 * 3, 5000, 8269 * 4 + 17, 1};
    uint32_t total = 44100 * 9, done = 0;
    for (int i = 0; done < total; ++i) {
        uint32_t n = std::min(steps[i % 5], total - done);
        std::vector<int16_t> chunk(n * 2);
        g_DSound.device->mixer().Mix(chunk.data(), n);
        b->WaitForWorkerIdle();
        out.insert(out.end(), chunk.begin(), chunk.end());
        done += n;
    }
    auto expected = Ramp(44100 * 8, 1);
    expected.resize(out.size(), 0);
    EXPECT_EQ(out, expected);
    EXPECT_FALSE(b->IsPlaying());
    delete b;
}

TEST_F(StreamBuffer, EightBitSoundIsPaddedWithItsSilence) {
    FakeReader r(500, true);
    auto out = PlayOut(r, 3000);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], i < 1000 ? 16384 : 0) << i; // 0xC0 is +64 of 8 bits; 0x80 padding is 0
}

TEST_F(StreamBuffer, ReaderBreakingBeforeItsLengthEndsTheSound) {
    FakeReader r(44100 * 4);
    r.breakAt_ = 10000;
    CStreamSoundBuffer* b = nullptr;
    PlayOut(r, 44100, &b);
    EXPECT_FALSE(b->IsPlaying());
    delete b;
}

TEST_F(StreamBuffer, EndlessLoopOverNothingEndsInsteadOfSpinning) {
    FakeReader r(44100);
    r.breakAt_ = 0; // every read gives nothing
    r.loopCount_ = -1;
    CStreamSoundBuffer* b = nullptr;
    PlayOut(r, 20000, &b);
    EXPECT_FALSE(b->IsPlaying());
    EXPECT_LE(r.seeks_, 3);
    delete b;
}

TEST_F(StreamBuffer, StalledReaderNeverSpinsUnderTheLock) {
    FakeReader r(44100);
    r.stall_ = true;
    r.loopCount_ = 3;
    CStreamSoundBuffer* b = nullptr;
    PlayOut(r, 20000, &b);
    EXPECT_FALSE(b->IsPlaying());
    delete b;
}

TEST_F(StreamBuffer, StopIsImmediateAndPlayRestartsAtTheFirstSample) {
    FakeReader r(44100 * 5);
    r.loopCount_ = -1;
    auto* b = new CStreamSoundBuffer;
    ASSERT_TRUE(b->Create(g_DSound.device, &r));
    ASSERT_TRUE(b->Play());
    Drive({b}, 44100 * 2);
    EXPECT_TRUE(b->Stop());
    EXPECT_FALSE(b->IsPlaying());
    auto silent = Drive({b}, 2048);
    EXPECT_EQ(silent, std::vector<int16_t>(4096, 0));
    ASSERT_TRUE(b->Play());
    auto again = Drive({b}, 20000);
    EXPECT_EQ(again, Ramp(20000, 1));
    EXPECT_TRUE(b->SetVolume(-10000));
    EXPECT_FALSE(b->SetVolume(1));
    EXPECT_FALSE(b->SetVolume(-10001));
    int32_t v = 0;
    EXPECT_TRUE(b->GetVolume(&v));
    EXPECT_EQ(v, -10000);
    delete b;
}
