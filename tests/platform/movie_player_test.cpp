// The movie player: what it refuses, the picture it hands over at each position (against an
// independent decode of the same file), its clocks (the sound played, the millisecond clock without
// sound or with a device that plays nothing), its sound in the mix, and damaged files that must end.
#include "platform/movie_player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound_device.h"
#include "support/reference_movie.h"
#include "support/scratch_folder.h"
#include "writers/mpeg_writer.h"
#include "writers/ogg_writer.h"

namespace {

namespace stdfs = std::filesystem;
using plat::MoviePlayer;
using testing_support::DecodeReferenceMovie;
using testing_support::PictureDueAt;

constexpr int kW = 256; // the size pictures are asked for
constexpr int kH = 144;

class MovieFiles : public ::testing::Test {
protected:
    // A movie of `frames` pictures at 30 per second, 320 × 240, with a tone unless `toneHz` is 0.
    std::string Write(const std::string& name, int frames, double toneHz) {
        kestrel::test::MovieSpec spec;
        spec.frames = frames;
        spec.toneHz = toneHz;
        spec.paint = [](int i, std::vector<uint32_t>& px) {
            kestrel::test::PaintMovingPattern(i, 320, 240, px);
        };
        return WriteBytes(name, kestrel::test::EncodeMpegMovie(spec));
    }
    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (dir_ / name).string();
        EXPECT_TRUE(kestrel::test::WriteBytes(path, bytes));
        return path;
    }
    static std::vector<uint8_t> Read(const std::string& path) {
        std::vector<uint8_t> bytes(stdfs::file_size(path));
        FILE* f = std::fopen(path.c_str(), "rb");
        EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
        return bytes;
    }

    testing_support::ScratchFolder folder_{"movie"};
    const stdfs::path& dir_ = folder_.path();
};

// Largest difference of the colour bytes between two pictures.
int PictureDistance(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            worst = std::max(worst, std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)));
    return a.size() == b.size() ? worst : 256;
}

TEST_F(MovieFiles, OpenRefusesWhatIsNotAPlayableMovie) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool write;
    };
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    const Case cases[] = {
        {"missing", {}, false},
        {"empty", {}, true},
        {"text", std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'}, true},
        {"noise", garbage, true},
        {"sound only", kestrel::test::MakeToneOgg(440.0, 0.5), true},
    };
    for (const Case& c : cases) {
        std::string path = (dir_ / (std::string(c.what) + ".mpg")).string();
        if (c.write)
            WriteBytes(std::string(c.what) + ".mpg", c.bytes);
        std::string error;
        EXPECT_EQ(MoviePlayer::Open(path, nullptr, &error), nullptr) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST_F(MovieFiles, PicturesFollowTheSoundTheDevicePlayed) {
    ScopedFakeClock clock(5000); // stands still: only the mixed sound moves the position
    std::string path = Write("a.mpg", 60, 440.0);
    auto device = SoundDevice::Open(SoundDevice::Output::Manual);
    auto player = MoviePlayer::Open(path, device.get(), nullptr);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->HasSound());
    EXPECT_EQ(player->Width(), 320);
    EXPECT_EQ(player->Height(), 240);
    EXPECT_NEAR(static_cast<double>(player->DurationMs()), 2000.0, 120.0);
    const auto reference = DecodeReferenceMovie(path, kW, kH);
    ASSERT_EQ(reference.size(), 60u);

    std::vector<uint32_t> shown(kW * kH, 0);
    std::vector<int16_t> mixed;
    std::vector<int16_t> out(441 * 2);
    player->Start();
    uint32_t played = 0;
    for (uint32_t at : {40u, 290u, 700u, 1000u, 1530u, 1900u}) {
        while (played * 1000 / 44100 < at) {
            device->mixer().Mix(out.data(), 441);
            mixed.insert(mixed.end(), out.begin(), out.end());
            played += 441;
            player->Update(shown.data(), kW, kH, kW * 4);
        }
        player->Update(shown.data(), kW, kH, kW * 4);
        EXPECT_EQ(player->PositionMs(), played * 1000 / 44100) << at;
        const auto* due = PictureDueAt(reference, player->PositionMs());
        ASSERT_NE(due, nullptr) << at;
        EXPECT_LE(PictureDistance(shown, due->pixels), 1) << "picture at " << at << " ms";
    }
    // The tone is in the mix: about 440 rising zero crossings a second on the left channel.
    int crossings = 0;
    for (size_t i = 2; i + 1 < mixed.size(); i += 2)
        crossings += mixed[i - 2] < 0 && mixed[i] >= 0;
    double seconds = static_cast<double>(mixed.size() / 2) / 44100.0;
    EXPECT_NEAR(crossings / seconds, 440.0, 30.0);
    EXPECT_GT(player->PicturesShown(), 5u);
}

TEST_F(MovieFiles, EndsByTheClockWithoutSoundOrWhenTheDevicePlaysNothing) {
    struct Case {
        const char* what;
        double toneHz;
        bool device;
        uint32_t latestEndMs; // the movie lasts 2000 ms
    };
    const Case cases[] = {
        {"no sound stream", 0.0, true, 2150},
        {"no device", 440.0, false, 2150},
        {"a device that plays nothing", 440.0, true, 2000 + 1000 + 150},
    };
    for (const Case& c : cases) {
        ScopedFakeClock clock(100);
        std::string path = Write("b.mpg", 60, c.toneHz);
        auto device = c.device ? SoundDevice::Open(SoundDevice::Output::Manual) : nullptr;
        auto player = MoviePlayer::Open(path, device.get(), nullptr);
        ASSERT_NE(player, nullptr) << c.what;
        std::vector<uint32_t> shown(kW * kH, 0);
        player->Start();
        uint32_t pictures = 0;
        uint32_t endedAt = 0;
        for (uint32_t t = 0; t <= 10000; t += 10) {
            auto r = player->Update(shown.data(), kW, kH, kW * 4);
            pictures += r == MoviePlayer::Result::NewPicture;
            if (r == MoviePlayer::Result::Ended) {
                endedAt = t;
                break;
            }
            clock.clock().Advance(10);
        }
        EXPECT_GE(endedAt, 1900u) << c.what;
        EXPECT_LE(endedAt, c.latestEndMs) << c.what;
        EXPECT_EQ(pictures + player->PicturesDropped(), 60u) << c.what;
        EXPECT_EQ(player->Update(shown.data(), kW, kH, kW * 4), MoviePlayer::Result::Ended) << c.what;
    }
}

TEST_F(MovieFiles, DamagedMoviesEndAtWhatTheyHold) {
    std::string whole = Write("whole.mpg", 60, 440.0);
    const std::vector<uint8_t> bytes = Read(whole);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> half(bytes.begin(), bytes.begin() + bytes.size() / 2);
    std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 6000);
    std::vector<uint8_t> scrambled = bytes;
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 20000 && i < bytes.size(); ++i)
        scrambled[i] = static_cast<uint8_t>(i * 131);
    const Case cases[] = {{"half", half}, {"first 6000 bytes", head}, {"scrambled middle", scrambled}};
    for (const Case& c : cases) {
        ScopedFakeClock clock(100);
        std::string path = WriteBytes("damaged.mpg", c.bytes);
        auto device = SoundDevice::Open(SoundDevice::Output::Manual);
        auto player = MoviePlayer::Open(path, device.get(), nullptr);
        if (!player)
            continue; // refused at the door is as good as ended
        std::vector<uint32_t> shown(kW * kH, 0);
        std::vector<int16_t> out(441 * 2);
        bool ended = false;
        for (int step = 0; step < 1000 && !ended; ++step) {
            device->mixer().Mix(out.data(), 441);
            clock.clock().Advance(10);
            ended = player->Update(shown.data(), kW, kH, kW * 4) == MoviePlayer::Result::Ended;
        }
        EXPECT_TRUE(ended) << c.what;
    }
}

} // namespace
