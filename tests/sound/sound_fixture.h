// Shared by the sound tests: a game folder of its own with the sound folders, a manual sound device
// whose mixer the test drives, and the analysis of what it mixed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "archive/paths.h"
#include "platform/file_system.h"
#include "sound/dsound.h"
#include "sound/snd_mng.h"
#include "sound/stream_buffer.h"
#include "support/scratch_folder.h"
#include "writers/ogg_writer.h"

namespace sndtest {

// A player with its buffer and reader in reach.
template <class Player>
struct Exposed : Player {
    CStreamSoundBuffer* Buffer() { return this->buffer; }
    CWaveReader* Reader() { return this->reader; }
};

class SoundFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* sub : {"bgm", "se", "voice"})
            std::filesystem::create_directories(dir_ / sub);
        ASSERT_TRUE(g_DSound.CreateWithOutput(SoundDevice::Output::Manual));
        saved_ = {g_BgmVolume.load(), g_SeVolume.load(), g_VoiceVolume.load(), g_BgmFadeTarget.load(),
                  g_SeFadeTarget.load()};
        g_BgmVolume = g_SeVolume = g_VoiceVolume = 100;
    }

    void TearDown() override {
        DeleteAllPlayers();
        g_DSound.Release();
        g_BgmVolume = saved_[0];
        g_SeVolume = saved_[1];
        g_VoiceVolume = saved_[2];
        g_BgmFadeTarget = saved_[3];
        g_SeFadeTarget = saved_[4];
        g_BgmEnabled = g_SeEnabled = g_VoiceEnabled = 1;
    }

    std::string Path(const std::string& rel) const { return (dir_ / rel).string(); }
    void Write(const std::string& rel, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(kestrel::test::WriteBytes(Path(rel), bytes)) << rel;
    }

    // Mixes `frames` frames in steps shorter than a block, letting the refill threads keep up.
    std::vector<int16_t> Drive(const std::vector<CStreamSoundBuffer*>& buffers, uint32_t frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
        constexpr uint32_t kStep = 1024;
        for (uint32_t done = 0; done < frames;) {
            uint32_t n = std::min(kStep, frames - done);
            g_DSound.device->mixer().Mix(out.data() + static_cast<size_t>(done) * 2, n);
            for (CStreamSoundBuffer* b : buffers)
                if (b)
                    b->WaitForWorkerIdle();
            done += n;
        }
        return out;
    }

    testing_support::ScratchGameFolder folder_{"sound"};
    const std::filesystem::path& dir_ = folder_.path();
    std::vector<uint32_t> saved_;
};

// One channel of interleaved stereo.
inline std::vector<int16_t> Channel(const std::vector<int16_t>& stereo, int c) {
    std::vector<int16_t> out(stereo.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = stereo[i * 2 + c];
    return out;
}

// Frames from the first to the last sample louder than `threshold` (0 when none is).
inline size_t SoundingFrames(const std::vector<int16_t>& mono, int threshold) {
    size_t first = mono.size(), last = 0;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) > threshold) {
            first = std::min(first, i);
            last = i;
        }
    }
    return first > last ? 0 : last - first + 1;
}

// Relative power of `hz` in the samples (Goertzel), normalised by the total power: close to 0.5 for
// a pure tone at that frequency, close to 0 for other content.
inline double ToneShare(const std::vector<int16_t>& mono, size_t from, size_t count, double hz,
                        double rate = 44100.0) {
    double w = 2.0 * M_PI * hz / rate, k = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0, energy = 0;
    for (size_t i = from; i < from + count && i < mono.size(); ++i) {
        double x = mono[i];
        double s0 = x + k * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += x * x;
    }
    double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return energy > 0 ? power / (energy * static_cast<double>(count)) : 0.0;
}

// Amplitude of the `hz` component of the samples (Goertzel); exact for a window of whole cycles.
inline double ToneAmplitude(const std::vector<int16_t>& mono, size_t from, size_t count, double hz,
                            double rate = 44100.0) {
    double k = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < from + count && i < mono.size(); ++i) {
        double s0 = mono[i] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2.0 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - k * s1 * s2)) / static_cast<double>(count);
}

inline double Peak(const std::vector<int16_t>& mono, size_t from, size_t count) {
    int peak = 0;
    for (size_t i = from; i < from + count && i < mono.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(mono[i])));
    return peak;
}

} // namespace sndtest
