// The legwork screen: characters that may be questioned, the topic kinds, the topic list and the
// script a topic starts, the way back through the panel command, and the end confirmation.
#include "investigation/invest_screen.h"
#include "investigation/invest_screen_fixture.h"
#include "support/manual_sound.h"
#include "writers/ogg_writer.h"

using namespace kestrel::test;

namespace {

constexpr uint32_t kPanel = 0x303030;
constexpr uint32_t kRowClosed = 0x400000;
constexpr uint32_t kRowOpen = 0x004000;
constexpr uint32_t kRowMark = 0xC0C000;
constexpr uint32_t kEnd = 0x505000;
constexpr uint32_t kEndHover = 0x50F000;
constexpr uint32_t kTalkPanel = 0x505050;
constexpr uint32_t kKind = 0x006000;
constexpr uint32_t kListPanel = 0x707070;
constexpr uint32_t kDialog = 0x909090;
constexpr uint32_t kGlowYes = 0x408020;
constexpr uint32_t kGlowNo = 0x204080;
// The tint 0x3E75DD blended over the background 0x336699 at 154: (s × 154 >> 8) + (d × 101 >> 8).
constexpr uint32_t kTinted = 0x396EC0;
constexpr RECT kEndButton{834, 400, 979, 430};

uint32_t TopicColour(int id) {
    return 0x300000u | static_cast<uint32_t>(id);
}
uint32_t EvidenceColour(int id) {
    return 0x310000u | static_cast<uint32_t>(id);
}

class LegworkScreen : public InvestScreenTest {
protected:
    void SetUp() override {
        InvestScreenTest::SetUp();
        WriteSystemPicture("legwork.bmp", 260, 310,
                           {{0, 0, 112, 328, kPanel},
                            {112, 0, 54, 220, kRowClosed},
                            {166, 0, 54, 220, kRowOpen},
                            {112, 220, 52, 24, kRowMark},
                            {112, 244, 145, 30, kEnd},
                            {112, 274, 145, 30, kEndHover}});
        WriteSystemPicture("talk.bmp", 290, 220, {{0, 0, 112, 213, kTalkPanel}, {242, 0, 40, 40, kKind}});
        WriteSystemPicture("keyword.bmp", 280, 470, {{0, 0, 240, 415, kListPanel}});
        std::vector<Block> topics;
        std::vector<Block> evidence;
        for (int id = 1; id <= 63; ++id) {
            topics.push_back({0, 24 * (id - 1), 200, 24, TopicColour(id)});
            evidence.push_back({0, 24 * (id - 1), 200, 24, EvidenceColour(id)});
        }
        WriteSystemPicture("key_l_chara.bmp", 200, 24 * 63, topics);
        WriteSystemPicture("key_l_evi.bmp", 200, 24 * 63, evidence);
        WriteSystemPicture(
            "legwork_p.bmp", 400, 230,
            {{0, 0, 396, 134, kDialog}, {0, 179, 105, 45, kGlowYes}, {105, 179, 105, 45, kGlowNo}});
        engine().m_legworkNo = 3;
        engine().m_legworkChars[2] = 1;
        engine().m_legworkChars[7] = 1;
        engine().m_legworkCharTopics[12] = 1;
        engine().m_legworkCharTopics[30] = 1;
        game().scene = kSceneLegwork;
        g_SystemData.rightClickMode = 0;
        Step();
        Step();
        ASSERT_EQ(engine().m_investStep, 2);
    }
    void Step(uint32_t ms = 0) {
        engine().ModeLegwork();
        clock_.clock().Advance(ms);
    }
    RECT Row(int row) { return RECT{936, 37 + 27 * (row - 1), 990, 59 + 27 * (row - 1)}; }
    void Click(const RECT& r) {
        MouseOn(r);
        Step();
        g_pMouse->state.left = 1;
        Step();
    }
    // Character `row`, then topic kind `kind`, then the list.
    void OpenList(int row, int kind) {
        Click(Row(row));
        Step();
        Click(kind == 1 ? RECT{832, 119, 872, 139} : RECT{832, 154, 872, 174});
        Step();
        ASSERT_EQ(engine().m_investStep, 11);
    }
    uint32_t ListRow(int row) { return PixelAt(g_ScreenSurface, 563 + 190, 26 + 27 * (row - 1) + 12); }
    // The end button pressed: the confirmation set up and its tint fade begun.
    void OpenConfirmation() {
        Click(kEndButton);
        ASSERT_EQ(engine().m_investStep, 20);
        Step();
        ASSERT_EQ(engine().m_investStep, 21);
    }
    // Through the tint fade and the dialog drop at once, to `step`.
    void SkipTo(int step) {
        g_pKeyboard->ctrl = 1;
        while (engine().m_investStep != step && engine().m_investStep < 24)
            Step();
        g_pKeyboard->ctrl = 0;
        ASSERT_EQ(engine().m_investStep, step);
    }
    // One frame of the confirmation's timed `step`, `elapsed` ms after the step began.
    void FrameOfStep(uint8_t step, uint32_t elapsed) {
        engine().m_investStep = step;
        engine().m_stepTime = timeGetTime() - elapsed;
        Step();
    }
};

} // namespace

TEST_F(LegworkScreen, OnlyCharactersThatMayBeQuestionedAreHoveredOrReachedByKeys) {
    for (int row = 1; row <= 10; ++row) {
        const RECT r = Row(row);
        const bool open = row == 2 || row == 7;
        EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 20, r.top + 10), open ? kRowOpen : kRowClosed) << row;
        MouseOn(r);
        Step();
        EXPECT_EQ(engine().m_hoverRow, open ? row : 0) << row;
    }
    MouseAt(5, 5);
    Step();
    const struct {
        uint8_t up, down;
        int want;
    } keys[] = {{0, 1, 7}, {0, 1, 2}, {1, 0, 7}, {1, 0, 2}};
    for (const auto& k : keys) {
        g_pKeyboard->up = k.up;
        g_pKeyboard->down = k.down;
        Step();
        EXPECT_EQ(engine().m_hoverRow, k.want);
        FollowCursor();
    }
    // No character to question: the keys find no row.
    std::memset(engine().m_legworkChars, 0, sizeof engine().m_legworkChars);
    MouseAt(5, 5);
    Step();
    g_pKeyboard->down = 1;
    Step();
    EXPECT_EQ(engine().m_hoverRow, 0);
}

TEST_F(LegworkScreen, AKeyStepsFromTheCharacterUnderThePointerEvenOneThatCannotBeQuestioned) {
    engine().m_legworkChars[5] = 1; // 2, 5 and 7 may be questioned
    const struct {
        int under;
        uint8_t up, down;
        int want;
    } keys[] = {{3, 0, 1, 5}, {3, 1, 0, 2}, {8, 1, 0, 7}, {8, 0, 1, 2}, {6, 0, 1, 7}};
    for (const auto& k : keys) {
        MouseOn(Row(k.under));
        Step();
        g_pKeyboard->up = k.up;
        g_pKeyboard->down = k.down;
        Step();
        const RECT r = Row(k.want);
        EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 2, r.top + 23), kRowMark)
            << k.under << " " << int(k.down);
        EXPECT_EQ(headless_.backend().warpY, (r.top + r.bottom) / 2) << k.under << " " << int(k.down);
    }
}

TEST_F(LegworkScreen, ATopicPickLoadsItsScriptByKind) {
    engine().m_legworkEvidence[5] = 1;
    WritePlainScript("l03_p030.s");
    WritePlainScript("l03_e005.s");
    const struct {
        int kind, row;
        uint32_t firstStrip;
        const char* script;
    } cases[] = {{1, 2, TopicColour(12), "l03_p030.s"}, {2, 1, EvidenceColour(5), "l03_e005.s"}};
    for (const auto& c : cases) {
        engine().m_investStep = 1;
        game().scene = kSceneLegwork;
        Step();
        OpenList(7, c.kind);
        EXPECT_EQ(ListRow(1), c.firstStrip) << c.script;
        Click(RECT{563, 26 + 27 * (c.row - 1), 743, 50 + 27 * (c.row - 1)});
        EXPECT_EQ(LoadedScript(), c.script);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_investStep, 0);
        EXPECT_EQ(engine().m_pickedEntry, 7);
        EXPECT_EQ(engine().m_pickedKind, c.kind);
    }
}

TEST_F(LegworkScreen, TheDialogsRightClickNoSoundsTheChoiceClickAndStepsBackAreSilent) {
    ASSERT_TRUE(OpenManualSound());
    const std::filesystem::path se = ScriptTestFolder() / "se";
    std::filesystem::create_directories(se);
    for (const char* name : {"sys_a002.ogg", "sys_g004.ogg"})
        WriteBytes((se / name).string(), MakeToneOgg(440.0, 0.2));
    const auto rightClick = [&](int step, bool sound) {
        DeleteAllPlayers();
        g_pMouse->state.right = 1;
        Step();
        EXPECT_EQ(engine().m_investStep, step);
        EXPECT_EQ(PlayerBuffer::Of(g_SePlayers[0]) != nullptr, sound) << step;
    };
    OpenList(2, 1);
    rightClick(5, false); // the list back to the topic kinds
    Step();
    rightClick(1, false); // the topic kinds back to the characters
    Step();
    OpenConfirmation();
    SkipTo(23);
    // Only "sys_a002.ogg" left: the click channel holds a sound only after that click.
    std::filesystem::remove(se / "sys_g004.ogg");
    rightClick(24, true); // No
    CloseManualSound();
    std::filesystem::remove_all(se);
}

TEST_F(LegworkScreen, WithoutEvidenceOnlyTheTopicKindIsOffered) {
    Click(Row(2));
    Step();
    EXPECT_EQ(engine().m_talkButtonCount, 1);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 850, 128), kKind);
    EXPECT_NE(PixelAt(g_ScreenSurface, 850, 163), kKind);
    MouseOn(RECT{832, 154, 872, 174});
    Step();
    EXPECT_EQ(engine().m_hoverRow, 0);
}

TEST_F(LegworkScreen, ThePanelCommandRedrawsTheListStateAfterATopicScript) {
    OpenList(2, 1);
    const std::vector<uint32_t> list = Picture(g_ScreenSurface);
    // The topic script ends with the panel command over a fresh picture.
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
    Start("DrawLegworkPanel\nExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(game().scene, kSceneLegwork);
    EXPECT_EQ(engine().m_investStep, 11);
    EXPECT_EQ(engine().m_listCount, 2);
    EXPECT_EQ(ListRow(1), TopicColour(12));
    EXPECT_EQ(ListRow(2), TopicColour(30));
    // As the pick left it, but for the mark on the picked character, which stays.
    const RECT r = Row(2);
    EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 2, r.top + 23), kRowMark);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 600, 300), list[300 * 1024 + 600]);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 300, 300), list[300 * 1024 + 300]);
}

TEST_F(LegworkScreen, TheEndButtonConfirmsAndStartsTheClosingScript) {
    WritePlainScript("l03_end.s");
    for (bool yes : {false, true}) {
        MouseOn(kEndButton);
        Step();
        EXPECT_EQ(PixelAt(g_ScreenSurface, 840, 410), kEndHover);
        const std::vector<uint32_t> before = Picture(g_ScreenSurface);
        g_pMouse->state.left = 1;
        Step();
        EXPECT_EQ(engine().m_investStep, 20);
        g_pKeyboard->ctrl = 1; // the fades end at once
        for (int i = 0; i < 3; ++i)
            Step();
        EXPECT_EQ(engine().m_investStep, 23);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 320, 230), kDialog);
        if (yes) {
            Click(RECT{402, 298, 498, 334});
        } else {
            g_pMouse->state.right = 1;
            Step();
        }
        g_pKeyboard->ctrl = 1;
        Step();
        Step();
        if (yes) {
            EXPECT_EQ(LoadedScript(), "l03_end.s");
            EXPECT_EQ(game().scene, kSceneScript);
            for (int slot : {2, 3, 4, 9, 30, 31, 32})
                EXPECT_EQ(g_Layers[slot], nullptr) << slot;
            EXPECT_EQ(Picture(g_Layers[0]), Picture(g_ScreenSurface));
        } else {
            EXPECT_EQ(engine().m_investStep, 2);
            std::vector<uint32_t> now = Picture(g_ScreenSurface);
            EXPECT_EQ(now[300 * 1024 + 300], before[300 * 1024 + 300]) << "the screen as it was";
        }
    }
}

// Expected pictures below are worked out from the blends: a constant-opacity blend at L gives
// (s × L >> 8) + (d × (255 − L) >> 8) per channel; the screen is probed where only the background
// 0x336699 lies under the panels.
TEST_F(LegworkScreen, TheConfirmationTintsTheScreenOver300Ms) {
    OpenConfirmation();
    const struct {
        uint32_t elapsed;
        bool ctrl, skipEffects;
        uint32_t screen; // at (300, 100)
        uint8_t step;
    } cases[] = {
        {0, false, false, 0x336699, 21},   {100, false, false, 0x3367A4, 21}, // level 85
        {150, false, false, 0x3569AB, 21}, {299, false, false, 0x386DBE, 21}, // levels 127, 254
        {300, false, false, kTinted, 22},  {0, true, false, kTinted, 22},     {0, false, true, kTinted, 22},
    };
    for (const auto& c : cases) {
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_skipEffects = c.skipEffects ? 1 : 0;
        FrameOfStep(21, c.elapsed);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 300, 100), c.screen)
            << c.elapsed << " " << c.ctrl << c.skipEffects;
        EXPECT_EQ(engine().m_investStep, c.step) << c.elapsed << " " << c.ctrl << c.skipEffects;
    }
}

TEST_F(LegworkScreen, TheTintFadeIsTimedFromTheEndButtonsClick) {
    MouseOn(kEndButton);
    Step();
    g_pMouse->state.left = 1;
    Step(100); // the click; its set-up frame comes 100 ms later
    Step();
    ASSERT_EQ(engine().m_investStep, 21);
    Step();
    EXPECT_EQ(PixelAt(g_ScreenSurface, 300, 100), 0x3367A4u) << "level 85, 100 ms after the click";
}

TEST_F(LegworkScreen, TheDialogDropsInAsItsOpacityGrows) {
    OpenConfirmation();
    SkipTo(22);
    // a = elapsed × 255 / 300; the dialog's top at 187 + 36a / 256, its opacity a² / 256 over the
    // tinted screen (nothing drawn at opacity 0).
    const struct {
        uint32_t elapsed;
        bool ctrl, keyboardMode;
        int top;
        uint32_t dialog;
        uint8_t step;
    } cases[] = {
        {0, false, false, 187, kTinted, 22},    {100, false, false, 198, 0x4170B9, 22}, // a 85, opacity 28
        {200, false, false, 210, 0x5E7CAA, 22}, {299, false, false, 222, 0x8D8E8F, 22}, // 112; 252
        {300, false, false, 223, kDialog, 23},  {0, true, false, 223, kDialog, 23},
        {300, false, true, 223, kDialog, 26},
    };
    for (const auto& c : cases) {
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        g_SystemData.keyboardMode = c.keyboardMode ? 1 : 0;
        FrameOfStep(22, c.elapsed);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 320, c.top - 1), kTinted) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, 320, c.top), c.dialog) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, 700, c.top + 133), c.dialog) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, 700, c.top + 134), kTinted) << c.elapsed;
        EXPECT_EQ(engine().m_investStep, c.step) << c.elapsed;
    }
}

TEST_F(LegworkScreen, InKeyboardModeTheCursorGlidesOntoYes) {
    g_SystemData.keyboardMode = 1;
    OpenConfirmation();
    MouseAt(100, 100);
    SkipTo(26);
    // From (100, 100) to the centre of yes (450, 316): target + trunc((start − target) × sin(angle +
    // 90°)), angle = elapsed × 90 / 150 degrees; the fade cut does not shorten it, Ctrl does.
    const struct {
        uint32_t elapsed;
        bool ctrl, skipEffects;
        int x, y;
        bool arrived;
    } cases[] = {
        {0, false, false, 100, 100, false},   {50, false, false, 147, 129, false}, // sin 120° = 0.866
        {120, false, false, 342, 250, false}, {149, false, false, 444, 313, false},
        {150, false, false, 450, 316, true},  {0, true, false, 450, 316, true},
        {50, false, true, 147, 129, false},
    };
    for (const auto& c : cases) {
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_skipEffects = c.skipEffects ? 1 : 0;
        g_pMouse->state.left = 1;
        FrameOfStep(26, c.elapsed);
        EXPECT_EQ(headless_.backend().warpX, c.x) << c.elapsed;
        EXPECT_EQ(headless_.backend().warpY, c.y) << c.elapsed;
        EXPECT_EQ(engine().m_investStep, c.arrived ? 23 : 26) << c.elapsed;
        EXPECT_EQ(g_pMouse->state.left, c.arrived ? 0 : 1)
            << "the press is dropped on arrival, " << c.elapsed;
    }
}

TEST_F(LegworkScreen, TheChosenButtonsLightIsAddedAsTheDialogCloses) {
    OpenConfirmation();
    SkipTo(23);
    // a = elapsed × 255 / 500: the tinted screen fades back to the screen at a, the dialog sinks by
    // trunc(sin((elapsed × 90 / 300 / 2)°) × 36) at opacity 255 − a, and the chosen button's light
    // (0x408020 yes, 0x204080 no) is added at round(sin(min(elapsed × 180 / 300, 180)°) × 255):
    // d + ((s × 255 >> 8) × level >> 8), each channel at most 255.
    const struct {
        uint32_t elapsed;
        uint8_t chosen;
        int drop;
        uint32_t dialog, lit;
        bool ctrl;
        uint8_t step;
    } cases[] = {
        {0, 1, 0, kDialog, kDialog, false, 24},
        {40, 2, 3, 0x888C92, 0x94A5C5, false, 24},   // a 20, light 104 (103.7 rounded up)
        {130, 1, 11, 0x788598, 0xB5FFB6, false, 24}, // a 66, light 249, green held at 255
        {230, 2, 20, 0x657C9B, 0x79A6EF, false, 24}, // a 117, light 171
        {280, 1, 24, 0x5C789C, 0x6992A2, false, 24}, // a 142, light 53
        {370, 2, 29, 0x4A6F9B, 0x4A6F9B, false, 24}, // the light is out after 300 ms
        {499, 1, 34, 0x316495, 0x316495, false, 24},
        {500, 1, 0, kBackground, kBackground, false, 25},
        {40, 1, 0, kBackground, kBackground, true, 25},
    };
    for (const auto& c : cases) {
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_hoverFlag = c.chosen;
        FrameOfStep(24, c.elapsed);
        const int x = c.chosen == 1 ? 399 + 4 : 520 + 4;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x, 295 + c.drop - 1), c.dialog) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x, 295 + c.drop), c.lit) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x + 100, 295 + c.drop + 44), c.lit) << c.elapsed;
        EXPECT_EQ(engine().m_investStep, c.step) << c.elapsed;
    }
}
