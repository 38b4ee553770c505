// The sample game's generator: the tool writes every file, the engine loads each picture at its size
// and depth and decodes each sound, the cells the engine reads hold something, and the output is the
// same byte for byte on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/paths.h"
#include "graphics/dib32.h"
#include "mksample/sample_assets.h"
#include "platform/cursor_file.h"
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

uint32_t Pixel(const CDIB32& s, int32_t x, int32_t y) {
    uint32_t v = 0;
    std::memcpy(&v, s.GetPixelAddress(x, y), sizeof v);
    return v;
}

// The share of pixels of the rectangle whose colour differs from `colour`.
double ChangedShare(const CDIB32& s, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    int changed = 0;
    for (int32_t j = y; j < y + h; ++j) {
        for (int32_t i = x; i < x + w; ++i) {
            changed += Pixel(s, i, j) != colour ? 1 : 0;
        }
    }
    return static_cast<double>(changed) / (w * h);
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

TEST_F(SampleAssets, InvestigationDialogsShowBothAnswersAtRest) {
    // The box stands at (314, 223); its buttons are 105 × 45 at box (x, 72) and (x + 121, 72), where
    // only the hovered one gets its lit cell over the box.
    const struct {
        const char* name;
        int32_t yesX;
    } dialogs[] = {{"system\\free_exit.bmp", 84},
                   {"system\\search_p.bmp", 84},
                   {"system\\inv_p.bmp", 84},
                   {"system\\legwork_p.bmp", 85}};
    for (const auto& d : dialogs) {
        CDIB32 s;
        Load(s, d.name);
        const uint32_t box = Pixel(s, 20, 100);
        for (int b = 0; b < 2; ++b) {
            EXPECT_GT(ChangedShare(s, d.yesX + 121 * b, 72, 105, 45, box), 0.95) << d.name << " button " << b;
        }
        EXPECT_EQ(ChangedShare(s, 4, 72, d.yesX - 6, 45, box), 0.0) << d.name << " left of the answers";
    }
}

TEST_F(SampleAssets, MapHoverPicturesLightTheirPlacesOpaque) {
    // The hover picture's place rectangle is copied with its own alpha over the map (glyphs leave
    // their pixels at 254).
    const struct {
        const char* map;
        const char* lit;
        int32_t l, t, r, b;
    } places[] = {{"system\\map_01.bmp", "system\\map_01_m.bmp", 466, 455, 623, 540},
                  {"system\\map_01.bmp", "system\\map_01_m.bmp", 451, 256, 528, 313},
                  {"system\\map_02.bmp", "system\\map_02_m.bmp", 369, 414, 448, 478}};
    for (const auto& p : places) {
        CDIB32 map;
        CDIB32 lit;
        Load(map, p.map);
        Load(lit, p.lit);
        EXPECT_EQ(CoveredShare(lit, p.l, p.t, p.r - p.l, p.b - p.t, 250), 1.0) << p.lit << " at " << p.l;
        EXPECT_NE(Pixel(lit, p.l + 4, p.b - 4) & 0xFFFFFFu, Pixel(map, p.l + 4, p.b - 4) & 0xFFFFFFu)
            << p.lit << " at " << p.l;
    }
}

TEST_F(SampleAssets, RumourStripsNameEveryLineOfTheList) {
    // The rumour category's list shows strip n (200 × 24 at y 24 (n − 1)) for line n of "Key_噂.txt".
    const std::vector<char> list = Slurp((Game() / kestrel::sample::kGameFolderFiles / "Key_\x89\x5C.txt").string());
    const auto lines = static_cast<int32_t>(std::count(list.begin(), list.end(), '\n'));
    ASSERT_GT(lines, 0);
    CDIB32 s;
    Load(s, "system\\key_gossip.bmp");
    ASSERT_EQ(s.GetHeight(), 24 * lines);
    for (int32_t n = 0; n < lines; ++n) {
        EXPECT_GT(CoveredShare(s, 0, 24 * n, 200, 24, 128), 0.03) << "strip " << n + 1;
    }
}

TEST_F(SampleAssets, BackgroundsLeaveTheInterfacesPlacesBare) {
    // Flat fills only where the command column (top right) and the message window (foot) stand over
    // the story's backgrounds: a label's glyphs would bring their shades of grey.
    const struct {
        const char* name;
        int32_t x, y, w, h;
    } areas[] = {{"bmp\\bg01.bmp", 784, 0, 240, 70},
                 {"bmp\\bg02.bmp", 784, 0, 240, 70},
                 {"bmp\\bg03.bmp", 0, 500, 120, 60}};
    for (const auto& a : areas) {
        CDIB32 s;
        Load(s, a.name);
        std::set<uint32_t> colours;
        for (int32_t y = a.y; y < a.y + a.h; ++y) {
            for (int32_t x = a.x; x < a.x + a.w; ++x) {
                colours.insert(Pixel(s, x, y));
            }
        }
        EXPECT_LE(colours.size(), 4u) << a.name;
    }
}

TEST_F(SampleAssets, TimeGaugeFrameMarksTheUnits) {
    // The bar rises 4 pixels a unit from frame row 243, left of x 14: the scale right of it has a
    // tick at the top of every unit, a longer one every five.
    CDIB32 s;
    Load(s, "system\\timer_base.bmp");
    const uint32_t ground = Pixel(s, 20, 241);
    for (int32_t unit = 1; unit <= 50; ++unit) {
        const int32_t y = 243 - 4 * unit;
        EXPECT_NE(Pixel(s, 16, y), ground) << "unit " << unit;
        EXPECT_EQ(Pixel(s, 16, y + 2), ground) << "unit " << unit;
        EXPECT_EQ(Pixel(s, 22, y) != ground, unit % 5 == 0) << "unit " << unit;
    }
}

TEST_F(SampleAssets, SearchPointersAimWithTheirCorner) {
    // The search draws its pointer pictures with their top-left at the mouse point, and the game
    // folder's cursor stands with its hot spot there: each shows that point.
    CDIB32 sheet;
    Load(sheet, "system\\search.bmp");
    for (int32_t x : {128, 188}) {
        EXPECT_EQ(Alpha(sheet, x, 78), 255u) << "pointer at " << x;
    }
    const std::vector<char> bytes =
        Slurp((Game() / kestrel::sample::kGameFolderFiles / "cursor1.cur").string());
    plat::CursorImage cursor;
    ASSERT_TRUE(plat::ParseCursorFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &cursor));
    EXPECT_EQ(cursor.pixels[static_cast<size_t>(cursor.hotY * cursor.width + cursor.hotX)] >> 24, 255u);
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
