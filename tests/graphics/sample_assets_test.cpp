// The sample game's generator: the tool writes every file, the engine loads each picture at its size
// and depth and decodes each sound, the cells the engine reads hold something, and the output is the
// same byte for byte on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/paths.h"
#include "graphics/dib32.h"
#include "mksample/sample_assets.h"
#include "platform/file_system.h"
#include "sound/ogg_reader.h"
#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;
using kestrel::sample::OutputPath;
using kestrel::sample::PictureAsset;
using kestrel::sample::SamplePictures;
using kestrel::sample::SampleSounds;
using kestrel::sample::SoundAsset;

std::vector<char> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    std::vector<char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

int RunTool(const std::string& args, const stdfs::path& log) {
    const std::string cmd = std::string(KESTREL_MKSAMPLE) + " " + args + " >" + log.string() + " 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

const PictureAsset& Picture(const std::string& name) {
    for (const PictureAsset& p : SamplePictures()) {
        if (name == p.name) {
            return p;
        }
    }
    ADD_FAILURE() << "no picture " << name;
    return SamplePictures().front();
}

uint32_t Alpha(const CDIB32& s, int32_t x, int32_t y) {
    return s.GetPixelAddress(x, y)[3];
}

// The share of pixels of the rectangle whose alpha is at least `level`.
double CoveredShare(const CDIB32& s, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t level) {
    int covered = 0;
    for (int32_t j = y; j < y + h; ++j) {
        for (int32_t i = x; i < x + w; ++i) {
            covered += Alpha(s, i, j) >= level ? 1 : 0;
        }
    }
    return static_cast<double>(covered) / (w * h);
}

// The tool's output, written for each test into a folder of its own (the tests may run side by
// side); each test loads from it as the game folder.
class SampleAssets : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunTool(Game().string(), m_dir / "tool.log"), 0) << Log();
        m_savedFolder = kestrel::fs::GameFolder();
        kestrel::fs::SetGameFolder(Game().string());
        for (std::string& d : g_ResourceDirs) {
            d.clear();
        }
        SetBasePath("");
    }
    void TearDown() override {
        for (std::string& d : g_ResourceDirs) {
            d.clear();
        }
        if (!m_savedFolder.empty()) {
            kestrel::fs::SetGameFolder(m_savedFolder);
        }
        SetBasePath("");
    }

    stdfs::path Game() const { return m_dir / "game"; }
    std::string Log() const {
        const std::vector<char> log = Slurp((m_dir / "tool.log").string());
        return std::string(log.begin(), log.end());
    }

    // Loads a picture through the engine's loader, as the game does.
    static void Load(CDIB32& s, const char* name) { ASSERT_TRUE(s.Load(name)) << name; }

    testing_support::ScratchFolder m_folder{"sample-assets"};
    const stdfs::path& m_dir = m_folder.path();
    std::string m_savedFolder;
};

TEST_F(SampleAssets, ToolMakesTheFiveFolders) {
    for (const std::string& folder : kestrel::sample::SampleFolders()) {
        EXPECT_TRUE(stdfs::is_directory(Game() / folder)) << folder;
    }
}

TEST_F(SampleAssets, EveryPictureLoadsAtItsSizeAndDepth) {
    ASSERT_FALSE(SamplePictures().empty());
    for (const PictureAsset& p : SamplePictures()) {
        CDIB32 s;
        Load(s, p.name);
        EXPECT_EQ(s.GetWidth(), p.width) << p.name;
        EXPECT_EQ(s.GetHeight(), p.height) << p.name;
        EXPECT_EQ(s.GetMember2(), p.bitCount) << p.name;
    }
}

TEST_F(SampleAssets, ScreenPicturesAreOpaqueAndFillTheScreen) {
    for (const char* name :
         {"system\\logo.bmp", "system\\logo01.bmp", "system\\title_bg.bmp", "system\\title_bg01.bmp",
          "system\\title_bg02.bmp", "bmp\\bg01.bmp", "bmp\\bg02.bmp"}) {
        const PictureAsset& p = Picture(name);
        EXPECT_EQ(p.bitCount, 24) << name;
        EXPECT_EQ(p.width, 1024) << name;
        EXPECT_EQ(p.height, 576) << name;
    }
}

TEST_F(SampleAssets, BlendedPicturesHaveTransparentAndVisiblePixels) {
    for (const PictureAsset& p : SamplePictures()) {
        if (p.bitCount != 32) {
            continue;
        }
        CDIB32 s;
        Load(s, p.name);
        bool seeThrough = false;
        bool visible = false;
        for (int32_t y = 0; y < s.GetHeight(); ++y) {
            for (int32_t x = 0; x < s.GetWidth(); ++x) {
                const uint32_t a = Alpha(s, x, y);
                seeThrough = seeThrough || a < 255;
                visible = visible || a > 0;
            }
        }
        EXPECT_TRUE(seeThrough) << p.name;
        EXPECT_TRUE(visible) << p.name;
    }
}

TEST_F(SampleAssets, TitleHighlightCellsCoverTheirButtonsOnly) {
    // The title menu's highlight cells: (0, 24 i), as wide as the button rectangles.
    constexpr int32_t kWidths[5] = {75, 65, 87, 106, 52};
    for (const char* name : {"system\\title_p.bmp", "system\\title_p02.bmp"}) {
        CDIB32 s;
        Load(s, name);
        for (int i = 0; i < 5; ++i) {
            EXPECT_GT(CoveredShare(s, 0, 24 * i, kWidths[i], 24, 128), 0.9) << name << " cell " << i;
            if (kWidths[i] < s.GetWidth()) {
                EXPECT_EQ(CoveredShare(s, kWidths[i], 24 * i, s.GetWidth() - kWidths[i], 24, 1), 0.0)
                    << name << " beside cell " << i;
            }
        }
    }
}

TEST_F(SampleAssets, WindowButtonCellsAndIndicatorsAreDrawn) {
    struct Cell {
        const char* name;
        int32_t x, y, w, h;
    };
    // Highlight cells of both bars and the AUTO/SKIP indicator of each style.
    const Cell cells[] = {
        {"system\\window_p.bmp", 0, 0, 24, 30},    {"system\\window_p.bmp", 151, 0, 23, 30},
        {"system\\window_p.bmp", 248, 0, 22, 30},  {"system\\window_p.bmp", 270, 0, 32, 34},
        {"system\\window_p2.bmp", 0, 0, 36, 32},   {"system\\window_p2.bmp", 252, 0, 36, 20},
        {"system\\window_p2.bmp", 288, 0, 36, 19}, {"system\\window_p2.bmp", 324, 0, 32, 34},
    };
    for (const Cell& c : cells) {
        CDIB32 s;
        Load(s, c.name);
        EXPECT_GT(CoveredShare(s, c.x, c.y, c.w, c.h, 128), 0.3) << c.name << " at " << c.x;
    }
}

TEST_F(SampleAssets, NamePlateLeavesTheTextAreaClear) {
    // The speaker's name is drawn near (64, 12); the message text starts at x 146 of the same band.
    for (const char* name : {"system\\window_w_2.bmp", "system\\window_w.bmp"}) {
        CDIB32 s;
        Load(s, name);
        EXPECT_GT(CoveredShare(s, 40, 12, 48, 24, 128), 0.9) << name;
        EXPECT_EQ(CoveredShare(s, 160, 0, s.GetWidth() - 160, s.GetHeight(), 1), 0.0) << name;
        EXPECT_EQ(CoveredShare(s, 0, 48, s.GetWidth(), s.GetHeight() - 48, 1), 0.0) << name;
    }
}

TEST_F(SampleAssets, MessageWindowIsTranslucent) {
    CDIB32 s;
    Load(s, "system\\window.bmp");
    const uint32_t a = Alpha(s, 400, 60);
    EXPECT_GT(a, 0u);
    EXPECT_LT(a, 255u);
}

TEST_F(SampleAssets, SoundsDecodeToTheirFormatAndLength) {
    ASSERT_FALSE(SampleSounds().empty());
    for (const SoundAsset& a : SampleSounds()) {
        COggReader reader;
        ASSERT_TRUE(reader.Open(a.name)) << a.name;
        WaveFormat format;
        reader.GetFormat(&format);
        EXPECT_EQ(format.channels, a.channels) << a.name;
        EXPECT_EQ(format.samplesPerSec, static_cast<uint32_t>(a.rate)) << a.name;
        EXPECT_EQ(format.bitsPerSample, 16) << a.name;
        EXPECT_EQ(reader.GetTotalSamples(), a.frames) << a.name;
    }
}

TEST_F(SampleAssets, SoundsAreHeardAndShort) {
    for (const SoundAsset& a : SampleSounds()) {
        const std::vector<int16_t> pcm = a.make(a);
        int16_t peak = 0;
        for (int16_t v : pcm) {
            peak = std::max<int16_t>(peak, static_cast<int16_t>(v < 0 ? -v : v));
        }
        EXPECT_GT(peak, 1000) << a.name;
        EXPECT_LE(a.frames, static_cast<uint32_t>(a.rate) * 5) << a.name;
    }
}

TEST_F(SampleAssets, SameBytesOnEveryRun) {
    const stdfs::path again = m_dir / "again";
    std::string error;
    ASSERT_TRUE(kestrel::sample::WriteSample(again.string(), &error)) << error;
    for (const PictureAsset& p : SamplePictures()) {
        EXPECT_EQ(Slurp(OutputPath(Game().string(), p.name)), Slurp(OutputPath(again.string(), p.name)))
            << p.name;
    }
    for (const SoundAsset& a : SampleSounds()) {
        EXPECT_EQ(Slurp(OutputPath(Game().string(), a.name)), Slurp(OutputPath(again.string(), a.name)))
            << a.name;
    }
}

TEST_F(SampleAssets, UnwritableFolderIsReported) {
    const stdfs::path blocker = m_dir / "blocker";
    std::ofstream(blocker) << "a file, not a folder";
    std::string error;
    EXPECT_FALSE(kestrel::sample::WriteSample((blocker / "out").string(), &error));
    EXPECT_NE(error.find("blocker"), std::string::npos) << error;

    EXPECT_NE(RunTool((blocker / "out").string(), m_dir / "fail.log"), 0);
    const std::vector<char> log = Slurp((m_dir / "fail.log").string());
    EXPECT_NE(std::string(log.begin(), log.end()).find("mksample:"), std::string::npos);
    EXPECT_NE(RunTool("", m_dir / "usage.log"), 0);
}

} // namespace
