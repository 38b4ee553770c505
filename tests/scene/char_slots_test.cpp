// Standing characters in motion and the mark slots, on the fake clock: where each motion kind draws
// the character and at which opacity, how a motion ends in the background, and the marks' growth.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"

using kestrel::test::ScriptTest;

namespace {

constexpr uint32_t kBackup = 0x102030;
constexpr int32_t kCharW = 100;
constexpr int32_t kCharH = 200;

CDIB32* Blank(int32_t w, int32_t h, uint32_t bpp, uint32_t colour) {
    auto* s = new CDIB32();
    s->Create(nullptr, static_cast<uint16_t>(w), static_cast<uint16_t>(h), bpp);
    s->FillRect(0, 0, w, h, colour);
    return s;
}

// An opaque character whose rows differ (so that a picture drawn from a lower source row shows).
CDIB32* Character() {
    CDIB32* s = Blank(kCharW, kCharH, 32, 0);
    for (int32_t y = 0; y < kCharH; ++y)
        for (int32_t x = 0; x < kCharW; ++x) {
            const uint32_t px =
                0xFF000000u | (static_cast<uint32_t>(y) << 16) | 0x8000u | static_cast<uint32_t>(x);
            std::memcpy(s->GetPixelAddress(x, y), &px, 4);
        }
    return s;
}

bool SamePixels(CDIB32* a, CDIB32* b) {
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 1024; ++x) {
            uint32_t pa, pb;
            std::memcpy(&pa, a->GetPixelAddress(x, y), 4);
            std::memcpy(&pb, b->GetPixelAddress(x, y), 4);
            if ((pa & 0xFFFFFF) != (pb & 0xFFFFFF))
                return false;
        }
    return true;
}

class CharSlots : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        ReplaceSurface(g_ScreenSurface, Blank(1024, 576, 24, 0));
        ReplaceSurface(g_Layers[0], Blank(1024, 576, 24, 0x777777));
        ReplaceSurface(g_Layer1Backup[0], Blank(1024, 576, 24, kBackup));
        ReplaceSurface(g_pCharBaseSurfaces[0], Character());
    }
    void TearDown() override {
        for (CDIB32** s :
             {&g_ScreenSurface, &g_Layers[0], &g_Layer1Backup[0], &g_pCharBaseSurfaces[0], &g_Layers[60]})
            ReplaceSurface(*s, nullptr);
        ScriptTest::TearDown();
    }
    // Fills slot 0 as the motion command does.
    void StartMotion(uint8_t kind, int16_t sx, int16_t sy, int16_t ex, int16_t ey, int16_t so, int16_t eo,
                     uint32_t ms) {
        MotionSlot& s = engine().m_motionSlots[0];
        s = MotionSlot{};
        s.param = kind;
        const int16_t coords[6] = {sx, sy, ex, ey, so, eo};
        std::memcpy(s.coords, coords, sizeof coords);
        s.paramWord = ms;
        s.flags = 1;
        s.state = 0;
    }
    // One composed frame: layer 0 onto the screen, then the characters.
    void Compose() {
        CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, 1024, 576);
        engine().AnimateCharSlots();
    }
    // The screen expected: the backup with the character's source rows from `row` drawn with its
    // top-left at (x, y) at `opacity`.
    std::unique_ptr<CDIB32> Expected(int32_t x, int32_t y, uint16_t opacity, int32_t row = 0,
                                     int32_t rows = kCharH) {
        std::unique_ptr<CDIB32> s(Blank(1024, 576, 24, kBackup));
        CDIB32::BltAlphaFade(s.get(), x, y, g_pCharBaseSurfaces[0], 0, row, kCharW, rows, opacity);
        return s;
    }
    void ExpectScreen(const std::unique_ptr<CDIB32>& expected, const std::string& what) {
        EXPECT_TRUE(SamePixels(g_ScreenSurface, expected.get())) << what;
    }
};

} // namespace

TEST_F(CharSlots, EachMotionKindFollowsItsCurve) {
    // From x 200 to 600 over 1000 ms, fading in; the vertical kinds from 0 to 100 (5) or 0 to 50 (6).
    // Eased values: log10(1 + 9 sin 45°) = 0.8671, so 200 + 400 * 0.8671 = 546.
    struct Case {
        uint8_t kind;
        uint32_t at;
        int32_t centre, y;
        uint16_t opacity;
        int32_t row;
    };
    const Case cases[] = {
        {0, 250, 300, 0, 63, 0},   {0, 500, 400, 0, 127, 0},  {1, 500, 546, 0, 127, 0},
        {2, 500, 400, 12, 127, 0}, {2, 250, 300, 8, 63, 0},   {3, 250, 600, 16, 63, 0},
        {3, 500, 600, 0, 127, 0},  {4, 500, 600, 16, 127, 0}, {4, 250, 600, 11, 63, 0},
        {5, 500, 600, 86, 127, 0}, {6, 250, 600, 0, 63, 43},  {6, 500, 600, 0, 127, 50},
    };
    for (const Case& c : cases) {
        const std::string what = "kind " + std::to_string(c.kind) + " at " + std::to_string(c.at) + " ms";
        const int16_t ey = c.kind == 5 ? 100 : c.kind == 6 ? 50 : 0;
        StartMotion(c.kind, 200, 0, 600, ey, 0, 255, 1000);
        Compose(); // start: the background comes back from the backup
        clock_.clock().Advance(c.at);
        Compose();
        EXPECT_EQ(engine().m_motionSlots[0].state, 1) << what;
        const int32_t rows = c.kind == 5 ? kCharH - c.y : kCharH - c.row;
        ExpectScreen(Expected(c.centre - kCharW / 2, c.y, c.opacity, c.row, rows), what);
    }
}

TEST_F(CharSlots, AMotionEndsBakedIntoTheBackground) {
    StartMotion(0, 200, 0, 600, 0, 0, 255, 1000);
    Compose();
    EXPECT_EQ(game().charSlotX[0], 600);
    EXPECT_EQ(game().charSlotShown[0], 1);
    // A save taken now shows the character in place.
    CDIB32* thumb = g_pScriptUiSurfaces[kUiCharThumb];
    ASSERT_NE(thumb, nullptr);
    EXPECT_TRUE(SamePixels(thumb, Expected(550, 0, 255).get()));
    clock_.clock().Advance(1000);
    Compose(); // the motion is over: drawn in place at the end opacity
    EXPECT_EQ(engine().m_motionSlots[0].state, 2);
    ExpectScreen(Expected(550, 0, 255), "last moving frame");
    Compose(); // finish
    EXPECT_EQ(engine().m_motionSlots[0].flags, 0);
    EXPECT_EQ(engine().m_motionSlots[0].state, 0);
    EXPECT_TRUE(SamePixels(g_Layers[0], Expected(550, 0, 255).get())) << "layer 0 holds the character";
    Compose(); // the slot rests; the composition shows layer 0
    ExpectScreen(Expected(550, 0, 255), "after the motion");
}

TEST_F(CharSlots, StartingAMotionDropsCharactersBakedEarlier) {
    ReplaceSurface(g_Layers[0], Blank(1024, 576, 24, 0xABCDEF));
    StartMotion(4, 0, 0, 300, 0, 255, 255, 500);
    Compose();
    clock_.clock().Advance(250);
    Compose();
    ExpectScreen(Expected(250, 16, 255), "the dip on the backup");

    // Without a backup, layer 0 stays.
    ReplaceSurface(g_Layer1Backup[0], nullptr);
    ReplaceSurface(g_Layers[0], Blank(1024, 576, 24, 0xABCDEF));
    StartMotion(0, 0, 0, 300, 0, 255, 255, 500);
    Compose();
    uint32_t px;
    std::memcpy(&px, g_Layers[0]->GetPixelAddress(900, 500), 4);
    EXPECT_EQ(px & 0xFFFFFF, 0xABCDEFu);
}

TEST_F(CharSlots, AnEndOpacityOfZeroRemovesTheCharacter) {
    game().charSlotPicture[0] = 3;
    StartMotion(0, 600, 0, 600, 0, 255, 0, 400);
    Compose();
    clock_.clock().Advance(200);
    Compose();
    ExpectScreen(Expected(550, 0, 128), "half faded");
    clock_.clock().Advance(200);
    Compose();
    Compose();
    EXPECT_EQ(game().charSlotX[0], 0);
    EXPECT_EQ(game().charSlotShown[0], 0);
    EXPECT_EQ(game().charSlotPicture[0], 0);
    EXPECT_TRUE(SamePixels(g_Layers[0], Expected(0, 0, 0).get())) << "nothing is left in the background";
}

TEST_F(CharSlots, TheHopBobsUntilTheSlotIsEnded) {
    StartMotion(2, 200, 0, 600, 0, 0, 255, 1000);
    Compose();
    clock_.clock().Advance(1000);
    Compose();
    EXPECT_EQ(engine().m_motionSlots[0].state, 3);
    const struct {
        uint32_t after;
        int32_t y;
    } bobs[] = {{500, 12}, {250, 8}, {250, 0}, {500, 12}};
    for (const auto& b : bobs) {
        clock_.clock().Advance(b.after);
        Compose();
        ExpectScreen(Expected(550, b.y, 255), "bobbing y " + std::to_string(b.y));
        EXPECT_EQ(engine().m_motionSlots[0].state, 3);
    }
    // Raised to the finishing state, the slot is baked at y 0 on its next frame.
    engine().m_motionSlots[0].state = 2;
    Compose();
    EXPECT_TRUE(SamePixels(g_Layers[0], Expected(550, 0, 255).get()));
    EXPECT_EQ(engine().m_motionSlots[0].flags, 0);
}

TEST_F(CharSlots, ADurationOfZeroEndsAtOnceAndTheVerticalEaseHasNoFinalDrawOfItsOwn) {
    for (uint8_t kind : {0, 1, 3, 4, 5, 6, 9}) {
        ReplaceSurface(g_Layers[0], Blank(1024, 576, 24, 0));
        StartMotion(kind, 100, 0, 400, 60, 0, 255, 0);
        Compose();
        Compose();
        EXPECT_EQ(engine().m_motionSlots[0].state, 2) << int(kind);
        const bool drawn = kind != 5;
        ExpectScreen(drawn ? Expected(350, 0, 255) : std::unique_ptr<CDIB32>(Blank(1024, 576, 24, kBackup)),
                     "kind " + std::to_string(kind));
        Compose();
        EXPECT_TRUE(SamePixels(g_Layers[0], Expected(350, 0, 255).get())) << int(kind);
    }
}

TEST_F(CharSlots, MarksGrowIntoPlaceAndPulse) {
    // A sheet whose 58 x 58 cell is opaque white.
    auto* sheet = Blank(58, 58, 32, 0);
    for (int32_t y = 0; y < 58; ++y)
        for (int32_t x = 0; x < 58; ++x) {
            const uint32_t px = 0xFFFFFFFF;
            std::memcpy(sheet->GetPixelAddress(x, y), &px, 4);
        }
    PositionSlot& m = PlaceMark(1, sheet, 1, 300, 200, 58);
    m.paramWord = 400;
    m.startTime = timeGetTime();

    auto drawn = [&](int32_t x, int32_t y, int32_t w, int32_t h, uint16_t level) {
        CDIB32* want = Blank(1024, 576, 24, 0);
        CDIB32::BltAlphaFadeEx(want, x, y, w, h, sheet, 0, 0, 58, 58, level);
        const bool same = SamePixels(g_ScreenSurface, want);
        delete want;
        return same;
    };
    clock_.clock().Advance(200);
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
    engine().AnimateMarkSlots();
    EXPECT_EQ(m.level, 127);
    EXPECT_TRUE(drawn(300 + 29 - 14, 200 + 29 - 14, 29, 29, 127)) << "half grown at half opacity";
    clock_.clock().Advance(200);
    engine().AnimateMarkSlots();
    EXPECT_EQ(m.done, 1);
    EXPECT_EQ(m.level, 255);
    // Holding, the mark pulses by 12 pixels: p = 12 sin(90°) half way through the period.
    clock_.clock().Advance(200);
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
    engine().AnimateMarkSlots();
    EXPECT_TRUE(drawn(300, 200, 58, 58, 255));

    // Ending: the slot is freed with the work layer.
    ReplaceSurface(g_Layers[60], Blank(8, 8, 32, 0));
    m.state = 2;
    engine().AnimateMarkSlots();
    EXPECT_EQ(m.state, 0);
    EXPECT_EQ(g_Layers[60], nullptr);
}

TEST_F(CharSlots, TheTurningMarkTurnsHalfATurnEvery1400MsThroughItsWorkLayer) {
    // The sheet's large cell is red in its top-left quarter and transparent elsewhere, so a turn of
    // the mark about its centre moves the red quarter round. The mark stands at (300, 200): its
    // centre is (358, 258); the still marks cover (300..357, 200..257) and (329..386, 229..286).
    auto* sheet = Blank(116, 116, 32, 0);
    for (int32_t y = 0; y < 58; ++y)
        for (int32_t x = 0; x < 58; ++x) {
            const uint32_t px = 0xFFFF0000u;
            std::memcpy(sheet->GetPixelAddress(x, y), &px, 4);
        }
    PositionSlot& m = PlaceMark(0, sheet, 30, 300, 200, 116);
    m.paramWord = 0; // appears at once
    engine().AnimateMarkSlots();
    EXPECT_EQ(m.done, 1);
    ASSERT_NE(g_Layers[60], nullptr);
    EXPECT_EQ(g_Layers[60]->GetWidth(), 800);
    EXPECT_EQ(g_Layers[60]->GetHeight(), 600);

    // The angle is elapsed × 180 / 1400 degrees, clockwise on the screen, restarting at 180. Each
    // point lies well inside or outside the turned red quarter: (358, 198) is reached at 45 degrees,
    // (400, 216) at 90 and (399, 258) at 135. Red at full opacity is 255 × 255 >> 8 = 254.
    constexpr uint32_t kRed = 0xFE0000;
    const struct {
        uint32_t at;
        int32_t x, y;
        uint32_t colour;
    } samples[] = {
        {0, 358, 198, 0},       {0, 400, 216, 0},      {0, 399, 258, 0},    {350, 358, 198, kRed},
        {350, 399, 258, 0},     {700, 400, 216, kRed}, {700, 330, 300, 0},  {1050, 399, 258, kRed},
        {1050, 358, 198, 0},    {1400, 358, 198, 0},   {1400, 400, 216, 0}, {1400, 399, 258, 0},
        {1400, 310, 210, kRed}, // the still mark
    };
    uint32_t now = 0;
    for (const auto& p : samples) {
        clock_.clock().Advance(p.at - now);
        now = p.at;
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
        engine().AnimateMarkSlots();
        uint32_t px;
        std::memcpy(&px, g_ScreenSurface->GetPixelAddress(p.x, p.y), 4);
        EXPECT_EQ(px & 0xFFFFFF, p.colour) << p.at << " ms at " << p.x << "," << p.y;
    }
}

TEST_F(CharSlots, TheMessageCompositionRunsTheMotion) {
    const struct {
        SceneId scene;
        uint8_t redraw;
        bool runs;
    } cases[] = {{kSceneMessage, 1, true},
                 {kSceneWindowFade, 0, true},
                 {kSceneMessage, 0, false},
                 {kSceneChoice, 1, false}};
    for (const auto& c : cases) {
        game().scene = c.scene;
        engine().m_redrawWindow = c.redraw;
        engine().m_windowStyle = 0;
        StartMotion(0, 200, 0, 600, 0, 0, 255, 1000);
        engine().ComposeMsgScene();
        EXPECT_EQ(engine().m_motionSlots[0].state, c.runs ? 1 : 0) << int(c.scene) << " " << int(c.redraw);
    }
}
