// The sample game's generator: the tool writes every file, the engine loads each picture at its size
// and depth and decodes each sound, the cells the engine reads hold something, and the output is the
// same byte for byte on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "archive/paths.h"
#include "graphics/dib32.h"
#include "mksample/sample_assets.h"
#include "platform/cursor_file.h"
#include "platform/file_system.h"
#include "scene/msg_button_layout.h"
#include "scene/sequence_layouts.h"
#include "screens/music_scene.h"
#include "screens/quit_dialog.h"
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

// The pixel word 0xAARRGGBB.
uint32_t Word(const CDIB32& s, int32_t x, int32_t y) {
    const uint8_t* p = s.GetPixelAddress(x, y);
    return static_cast<uint32_t>(p[0]) | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t Channel(uint32_t word, int shift) {
    return static_cast<int32_t>((word >> shift) & 0xFF);
}

// The bounding box (left, top, right, bottom; right and bottom outside) of the pixels of the
// rectangle for which `ink` holds; all zero when none does.
template <typename Ink>
std::array<int32_t, 4> InkBox(const CDIB32& s, int32_t x, int32_t y, int32_t w, int32_t h, Ink ink) {
    std::array<int32_t, 4> box{x + w, y + h, x, y};
    for (int32_t j = y; j < y + h; ++j) {
        for (int32_t i = x; i < x + w; ++i) {
            if (ink(Word(s, i, j))) {
                box = {std::min(box[0], i), std::min(box[1], j), std::max(box[2], i + 1),
                       std::max(box[3], j + 1)};
            }
        }
    }
    return box[0] < box[2] ? box : std::array<int32_t, 4>{};
}

// Whether two pictures hold the same pixels in the rectangle.
bool SamePixels(const CDIB32& a, const CDIB32& b, int32_t x, int32_t y, int32_t w, int32_t h) {
    for (int32_t j = y; j < y + h; ++j) {
        for (int32_t i = x; i < x + w; ++i) {
            if (Word(a, i, j) != Word(b, i, j)) {
                return false;
            }
        }
    }
    return true;
}

// The mean of one channel over the rectangle.
double Mean(const CDIB32& s, int32_t x, int32_t y, int32_t w, int32_t h, int shift) {
    double sum = 0;
    for (int32_t j = y; j < y + h; ++j) {
        for (int32_t i = x; i < x + w; ++i) {
            sum += Channel(Word(s, i, j), shift);
        }
    }
    return sum / (w * h);
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
    // Highlight cells of both bars, and the AUTO/SKIP indicator of each style: a mark that lets the
    // AUTO button it stands over show through.
    const Cell cells[] = {
        {"system\\window_p.bmp", 0, 0, 24, 30},    {"system\\window_p.bmp", 151, 0, 23, 30},
        {"system\\window_p.bmp", 248, 0, 22, 30},  {"system\\window_p2.bmp", 0, 0, 36, 32},
        {"system\\window_p2.bmp", 252, 0, 36, 20}, {"system\\window_p2.bmp", 288, 0, 36, 19},
    };
    for (const Cell& c : cells) {
        CDIB32 s;
        Load(s, c.name);
        EXPECT_GT(CoveredShare(s, c.x, c.y, c.w, c.h, 128), 0.3) << c.name << " at " << c.x;
    }
    for (const Cell& c :
         {Cell{"system\\window_p.bmp", 270, 0, 32, 34}, Cell{"system\\window_p2.bmp", 324, 0, 32, 34}}) {
        CDIB32 s;
        Load(s, c.name);
        const double share = CoveredShare(s, c.x, c.y, c.w, c.h, 128);
        EXPECT_GT(share, 0.03) << c.name;
        EXPECT_LT(share, 0.3) << c.name;
    }
    // A white border stays opaque white (0xFFFFFFFF is no "default colour" here).
    CDIB32 s;
    Load(s, "system\\window_p.bmp");
    EXPECT_EQ(Word(s, 1, 15), 0xFFFFFFFFu);
}

TEST_F(SampleAssets, LabelsStandOnOneLineAtOneHeightPerScreen) {
    auto dark = [](uint32_t p) {
        return (p >> 24) >= 0x80 && std::max({Channel(p, 0), Channel(p, 8), Channel(p, 16)}) < 0x50;
    };
    auto pale = [](uint32_t p) {
        return (p >> 24) >= 0x80 && std::min({Channel(p, 0), Channel(p, 8), Channel(p, 16)}) > 0xC0;
    };
    struct Screen {
        const char* name;
        std::vector<std::array<int32_t, 4>> cells; // x, y, w, h
        bool paleInk;
        int32_t tallest; // ink rows of one line at the screen's label height
    };
    std::vector<Screen> screens = {
        {"system\\title_p.bmp",
         {{0, 0, 75, 24}, {0, 24, 65, 24}, {0, 48, 87, 24}, {0, 72, 106, 24}, {0, 96, 52, 24}},
         false,
         19},
        {"system\\window_p.bmp", {}, false, 13},
        {"system\\sys_m_p02.bmp", {}, true, 23},
    };
    for (int i = 0; i < kHorizontalButtonCount; ++i) {
        const MsgButton& b = kHorizontalButtons[i];
        screens[1].cells.push_back({b.sx + 3, b.sy + 3, b.sw - 6, b.sh - 6});
    }
    for (int i = 0; i < 5; ++i) {
        screens[2].cells.push_back({190, 38 * i, 160, 38});
    }
    for (const Screen& screen : screens) {
        CDIB32 s;
        Load(s, screen.name);
        std::vector<std::array<int32_t, 4>> boxes;
        for (const auto& c : screen.cells) {
            boxes.push_back(screen.paleInk ? InkBox(s, c[0], c[1], c[2], c[3], pale)
                                           : InkBox(s, c[0], c[1], c[2], c[3], dark));
            EXPECT_GT(boxes.back()[3] - boxes.back()[1], 0)
                << screen.name << " cell at " << c[0] << "," << c[1];
            EXPECT_LE(boxes.back()[3] - boxes.back()[1], screen.tallest)
                << screen.name << " cell at " << c[0] << "," << c[1];
        }
        for (const auto& box : boxes) {
            EXPECT_NEAR(box[3] - box[1], boxes[0][3] - boxes[0][1], 2) << screen.name;
            if (screen.paleInk) { // the system menu's labels end where their buttons do
                EXPECT_NEAR(box[2], 348, 2) << screen.name;
            }
        }
    }
}

TEST_F(SampleAssets, PicturesFitWhereTheScreensShowThem) {
    // The page mark keeps to the top 24 rows of its 40 × 40 cell: the caption band shows no more.
    CDIB32 wait;
    Load(wait, "system\\click_wait01.bmp");
    for (int frame = 0; frame < 8; ++frame) {
        EXPECT_GT(CoveredShare(wait, 40 * frame, 0, 40, 24, 128), 0.05) << "frame " << frame;
        EXPECT_EQ(CoveredShare(wait, 40 * frame, 24, 40, 16, 1), 0.0) << "frame " << frame;
    }
    // The eye sequence's background has no caption at its foot (it is shown 536 rows tall).
    CDIB32 eye;
    Load(eye, "bmp\\bg01d.bmp");
    auto cream = [](uint32_t p) {
        return Channel(p, 16) > 0xF0 && Channel(p, 8) > 0xE8 && Channel(p, 0) > 0xD8;
    };
    EXPECT_EQ(InkBox(eye, 0, 480, eye.GetWidth(), eye.GetHeight() - 480, cream)[2], 0);
    // The eye screen's panel stands at y 372: it ends, frame and all, within the 204 rows shown.
    CDIB32 panel;
    Load(panel, "system\\eye_p.bmp");
    bool lowerEdge = false;
    for (int32_t y = 150; y < 204; ++y) {
        lowerEdge = lowerEdge || CoveredShare(panel, 24, y, 338, 1, 255) == 1.0;
    }
    EXPECT_TRUE(lowerEdge);
    EXPECT_EQ(CoveredShare(panel, 0, 204, panel.GetWidth(), panel.GetHeight() - 204, 1), 0.0);
    // The eye sequence's captions stand on the white screen itself: a transparent ground.
    CDIB32 sheet;
    Load(sheet, "system\\EYE_P01.bmp");
    for (const kestrel::sequence::SheetCut& c :
         {kestrel::sequence::kEyePanels[1], kestrel::sequence::kEyePanels[2]}) {
        EXPECT_EQ(Alpha(sheet, c.sx, c.sy), 0u);
        EXPECT_EQ(Alpha(sheet, c.sx + c.w - 1, c.sy + c.h - 1), 0u);
    }
    // The picture sequence's captions stand on a transparent ground; its rule lines are opaque.
    for (const PictureAsset& p : SamplePictures()) {
        const std::string name = p.name;
        if (name.rfind("bmp\\f002", 0) != 0 || name.size() < 7) {
            continue;
        }
        CDIB32 card;
        Load(card, p.name);
        const std::string suffix = name.substr(name.size() - 6);
        if (suffix == "_3.bmp" || suffix == "_4.bmp") {
            EXPECT_EQ(Alpha(card, 0, 0), 0u) << name;
        } else if (suffix == "_2.bmp") {
            EXPECT_EQ(CoveredShare(card, 8, 0, card.GetWidth() - 16, card.GetHeight(), 255), 1.0) << name;
        }
    }
    // The spotlight mask changes smoothly away from its centre: no seam where an angle wraps.
    CDIB32 mask;
    Load(mask, "bmp\\mask01.bmp");
    int32_t steepest = 0;
    for (int32_t y = 1; y < mask.GetHeight(); ++y) {
        for (int32_t x = 1; x < mask.GetWidth(); ++x) {
            if (std::hypot(x - 512, y - 288) > 50) {
                steepest = std::max(
                    {steepest, std::abs(Channel(Word(mask, x, y), 0) - Channel(Word(mask, x, y - 1), 0)),
                     std::abs(Channel(Word(mask, x, y), 0) - Channel(Word(mask, x - 1, y), 0))});
            }
        }
    }
    EXPECT_LE(steepest, 3);
}

TEST_F(SampleAssets, TextsAreReadableOnTheirGround) {
    // A hovered choice: its cell drawn over black with its alpha, then screen-blended with itself. The
    // white of a new choice and the deep blue of a taken one (0x0044FF) must both stand out.
    auto luminance = [](double r, double g, double b) {
        auto lin = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
    };
    CDIB32 choice;
    Load(choice, "system\\select_base.bmp");
    const uint32_t cell = Word(choice, 250, 67 + 40);
    double rgb[3];
    for (int k = 0; k < 3; ++k) {
        const double c = Channel(cell, 16 - 8 * k) / 255.0;
        rgb[k] = 1 - (1 - c * (cell >> 24) / 255.0) * (1 - c);
    }
    const double ground = luminance(rgb[0], rgb[1], rgb[2]) + 0.05;
    EXPECT_GE((luminance(0, 0x44 / 255.0, 1) + 0.05) / ground, 2.0);
    EXPECT_GE(1.05 / ground, 7.0);
    // The legwork names keep their colour to the anti-aliased edges, the closed ones a light grey.
    CDIB32 legwork;
    Load(legwork, "system\\legwork.bmp");
    for (const int32_t column : {112, 166}) {
        const uint32_t ink = Word(legwork, column, 0) & 0x00FFFFFFu;
        EXPECT_GE((Channel(ink, 0) + Channel(ink, 8) + Channel(ink, 16)) / 3, 0x90) << column;
        for (int32_t y = 0; y < 220; ++y) {
            for (int32_t x = column; x < column + 54; ++x) {
                const uint32_t p = Word(legwork, x, y);
                if (p >> 24 != 0) {
                    for (const int shift : {0, 8, 16}) {
                        ASSERT_NEAR(Channel(p, shift), Channel(ink, shift), 2) << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST_F(SampleAssets, ExtrasShowWhatTheSampleHas) {
    // Thumbnails are their pictures scaled down: the same mean colour.
    const struct {
        const char* sheet;
        int slot;
        const char* picture;
    } thumbs[] = {{"system\\cg_sam01.bmp", 0, "bmp\\ev01a.bmp"},
                  {"system\\cg_sam01.bmp", 1, "bmp\\ev02a.bmp"},
                  {"system\\scene_sam01.bmp", 0, "bmp\\bg02.bmp"},
                  {"system\\scene_sam01.bmp", 1, "bmp\\bg03.bmp"}};
    for (const auto& t : thumbs) {
        CDIB32 sheet, picture;
        Load(sheet, t.sheet);
        Load(picture, t.picture);
        for (const int shift : {0, 8, 16}) {
            EXPECT_NEAR(Mean(sheet, 248 * t.slot, 0, 248, 140, shift), Mean(picture, 0, 0, 1024, 576, shift),
                        2.0)
                << t.sheet << " slot " << t.slot;
        }
    }
    // The music room names the tracks the sample has; the others share one "absent" label.
    CDIB32 music;
    Load(music, "system\\music_base.bmp");
    std::vector<bool> has;
    for (const char* track : CMusicScene::kTracks) {
        const std::string file = std::string("bgm\\") + track;
        has.push_back(std::any_of(SampleSounds().begin(), SampleSounds().end(),
                                  [&](const SoundAsset& a) { return file == a.name; }));
    }
    EXPECT_EQ(std::count(has.begin(), has.end(), true), 5);
    const RECT absent =
        CMusicScene::TrackRect(static_cast<int>(std::find(has.begin(), has.end(), false) - has.begin()));
    for (int t = 0; t < CMusicScene::kTrackCount; ++t) {
        const RECT r = CMusicScene::TrackRect(t);
        bool same = true;
        for (int32_t y = 0; y < 26 && same; ++y) {
            for (int32_t x = 0; x < 291 && same; ++x) {
                same = Word(music, r.left + x, r.top + y) == Word(music, absent.left + x, absent.top + y);
            }
        }
        EXPECT_EQ(same, !has[t]) << CMusicScene::kTracks[t];
    }
    // During a replay the quit panel's first button says where it goes; the others are the same.
    CDIB32 quit, replay;
    Load(quit, "system\\EXIT_P.bmp");
    Load(replay, "system\\EXIT_P01.bmp");
    const QuitDialogLayout& l = kExitDialogLayout;
    for (int i = 0; i < 3; ++i) {
        const RECT& b = l.firstButtons[i];
        EXPECT_EQ(SamePixels(quit, replay, l.firstHover[i].x, l.firstHover[i].y, b.right - b.left,
                             b.bottom - b.top),
                  i != 0)
            << "button " << i;
    }
}

TEST_F(SampleAssets, NotebookPartsLieWhereTheScreenReadsThem) {
    auto dark = [](uint32_t p) { return Channel(p, 16) < 0x80 && Channel(p, 8) < 0x80; };
    auto ink = [](uint32_t p) { return (p >> 24) >= 0x80 && Channel(p, 16) < 0x80 && Channel(p, 8) < 0x80; };
    auto lit = [](uint32_t p) { return (p & 0x00FFFFFFu) == 0xFADC8Cu; };
    auto paper = [](uint32_t p) { return (p & 0x00FFFFFFu) != 0xF8F2E2u; };
    const struct {
        const char* name;
        int32_t x, y, w, h;
        bool (*look)(uint32_t);
        bool found;
    } cells[] = {
        {"system\\note_base01.bmp", 993, 107, 5, 440, +paper, false}, // the paper under the detail panel
        {"system\\flow_base01.bmp", 964, 536, 24, 20, +dark, true},   // "%" after the digits
        {"system\\flow_base01.bmp", 820, 530, 100, 26, +dark, false},
        {"system\\flow_base11.bmp", 245, 219, 24, 20, +dark, true},
        {"system\\sketch01_0.bmp", 898, 171, 55, 32, +paper, false}, // no first button without the variant
        {"system\\sketch01_1.bmp", 898, 171, 55, 32, +paper, true},
        {"system\\note_p.bmp", 176, 140, 44, 128, +lit, false},      // group headers are no buttons
        {"system\\find_article.bmp", 214, 162, 214, 27, +ink, true}, // article 7's name strip and title
        {"system\\d_article.bmp", 0, 150, 180, 25, +ink, true},
    };
    for (const auto& c : cells) {
        CDIB32 s;
        Load(s, c.name);
        EXPECT_EQ(InkBox(s, c.x, c.y, c.w, c.h, c.look)[2] != 0, c.found)
            << c.name << " at " << c.x << "," << c.y;
    }
    // Its text: double-byte characters and line ends only.
    const std::vector<char> text = Slurp((Game() / "script" / "nt007_01.tx").string());
    ASSERT_GT(text.size(), 40u);
    for (size_t i = 0; i < text.size(); i += 2) {
        EXPECT_TRUE(static_cast<uint8_t>(text[i]) >= 0x81 || (text[i] == '\r' && text[i + 1] == '\n')) << i;
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
    // Each button's face (inside its 1-pixel border) is no fainter than the window: over a white page
    // the pale labels keep a dark ground.
    for (const MsgButton& b : kHorizontalButtons) {
        EXPECT_GE(Alpha(s, b.x + 2, b.y - 448 + 2), a) << b.x;
    }
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
    const std::vector<char> list =
        Slurp((Game() / kestrel::sample::kGameFolderFiles / "Key_\x89\x5C.txt").string());
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
    // The staff rolls' credits scroll over columns 360 to 664: one colour a row there, no moon or sun.
    for (const char* name : {"system\\credit_n.bmp", "system\\credit_b.bmp"}) {
        CDIB32 s;
        Load(s, name);
        for (int32_t y = 0; y < s.GetHeight(); ++y) {
            ASSERT_EQ(ChangedShare(s, 360, y, 304, 1, Pixel(s, 360, y)), 0.0) << name << " row " << y;
        }
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
