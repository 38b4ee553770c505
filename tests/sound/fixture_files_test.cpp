// The Ogg files kept under tests/data/sound (read by the sound benchmark, which cannot encode):
// checked here against their recipe, and rewritten from it when KESTREL_WRITE_SOUND_FIXTURES=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sound/ogg_reader.h"
#include "writers/ogg_writer.h"

namespace {

struct Recipe {
    const char* name;
    double hz;
    double seconds;
    int channels;
    int rate;
};

// Music, sound effect and voice: a tone with noise, which encodes like real material rather than
// like a pure sine.
const Recipe kRecipes[] = {
    {"bench_music.ogg", 440.0, 6.0, 2, 44100},
    {"bench_se.ogg", 1200.0, 1.5, 2, 44100},
    {"bench_voice.ogg", 300.0, 2.5, 1, 22050},
};

std::vector<int16_t> Material(const Recipe& r) {
    uint32_t frames = static_cast<uint32_t>(r.seconds * r.rate);
    auto pcm = kestrel::test::MakeTone(r.hz, frames, r.channels, r.rate, 9000.0);
    uint32_t seed = 12345;
    for (auto& s : pcm) {
        seed = seed * 1664525u + 1013904223u;
        s = static_cast<int16_t>(s + static_cast<int16_t>((seed >> 16) % 6001) - 3000);
    }
    return pcm;
}

std::string DataPath(const char* name) {
    return std::string(KESTREL_TEST_DATA) + "/sound/" + name;
}

} // namespace

TEST(SoundFixtureFiles, MatchTheirRecipe) {
    const char* write = std::getenv("KESTREL_WRITE_SOUND_FIXTURES");
    for (const Recipe& r : kRecipes) {
        if (write && std::string(write) == "1") {
            auto ogg = kestrel::test::EncodeOggVorbis(Material(r), r.channels, r.rate, 0.5f);
            ASSERT_TRUE(kestrel::test::WriteBytes(DataPath(r.name), ogg));
        }
        COggReader reader;
        ASSERT_TRUE(reader.Open(DataPath(r.name).c_str())) << r.name;
        WaveFormat f{};
        reader.GetFormat(&f);
        EXPECT_EQ(f.channels, r.channels) << r.name;
        EXPECT_EQ(f.samplesPerSec, static_cast<uint32_t>(r.rate)) << r.name;
        EXPECT_EQ(reader.GetTotalSamples(), static_cast<uint32_t>(r.seconds * r.rate)) << r.name;
    }
}
