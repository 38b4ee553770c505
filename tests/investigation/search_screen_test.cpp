// The search screens: hot spots read from the hit mask (and the points that count as none), the pointer
// pictures and the window's cursor picture, the leave dialog with its fades, the time that leaving
// spends, and the tabled form's masks, scripts and dialog pictures.
#include "investigation/invest_screen_fixture.h"
#include "platform/cursor_file.h"
#include "support/manual_sound.h"
#include "writers/cursor_writer.h"
#include "writers/ogg_writer.h"

using namespace kestrel::test;

namespace {

constexpr uint32_t kStrip = 0x00AA00;
constexpr uint32_t kLeaveLook = 0xAA0000;
constexpr uint32_t kPointer = 0x0000AA;
constexpr uint32_t kSpotPointer = 0xAA00AA;
constexpr uint32_t kSearchBox = 0x884400;
constexpr uint32_t kItemsBox = 0x448800;
constexpr uint32_t kFrame = 0xFFFF00;
constexpr uint32_t kGlow = 0x00FFFF;
constexpr RECT kLeave{954, 31, 1018, 71};
constexpr RECT kYes{398, 295, 503, 340};
constexpr RECT kNo{519, 295, 624, 340};

// A dialog sheet: the box in `box`, the button frames and glows below it.
void WriteDialog(const char* name, uint32_t box) {
    WriteSystemPicture(name, 396, 224,
                       {{0, 0, 396, 134, box}, {0, 134, 210, 45, kFrame}, {0, 179, 210, 45, kGlow}});
}

class SearchScreen : public InvestScreenTest {
protected:
    void SetUp() override {
        InvestScreenTest::SetUp();
        WriteSystemPicture("search.bmp", 1024, 126,
                           {{0, 0, 1024, 78, kStrip},
                            {0, 78, 64, 40, kLeaveLook},
                            {128, 78, 60, 48, kPointer},
                            {188, 78, 60, 48, kSpotPointer}});
        WriteDialog("search_p.bmp", kSearchBox);
        WriteDialog("inv_p.bmp", kItemsBox);
        WriteSystemPicture("freame_base.bmp", 1024, 576, {}, 0, false);
        // Spots 1 (touching the left edge), 20 and 21 (not a spot) on the place's mask; spot 5 over
        // the whole of a mask smaller than the screen.
        for (const char* mask : {"bg02_mask.bmp", "bg40_02_mask.bmp", "bg14_01_mask.bmp"})
            WriteSystemPicture(mask, 1024, 576,
                               {{0, 100, 200, 100, 1}, {300, 100, 100, 100, 20}, {500, 100, 100, 100, 21}});
        WriteSystemPicture("bg03_mask.bmp", 200, 200, {{0, 0, 200, 200, 5}});
        CursorSpec cursor;
        cursor.width = cursor.height = 8;
        cursor.hotX = 2;
        cursor.pixels.assign(64, 0xFF112233u);
        WriteBytes((ScriptTestFolder() / "cursor1.cur").string(), WriteCursor(cursor));
        ForgetCursorFiles();
        WritePlainScript("f02_09s.s");
        engine().m_investArea = 2;
        engine().m_place = 9;
        engine().m_hudInfoRow = 2;
        engine().m_investActive = 1;
        game().scene = kSceneSearch;
    }
    void TearDown() override {
        ForgetCursorFiles();
        InvestScreenTest::TearDown();
    }
    void Step(uint32_t ms = 0) {
        if (game().scene == kSceneSearch)
            engine().ModeSearch();
        else if (game().scene == kSceneSearchInventory)
            engine().ModeSearchInventory();
        clock_.clock().Advance(ms);
    }
    // Enters the screen and looks once from (x, y).
    void Enter(int32_t x = 700, int32_t y = 300) {
        MouseAt(x, y);
        Step();
        Step();
        ASSERT_EQ(engine().m_msgStep, 1);
    }
    void ClickAt(int32_t x, int32_t y) {
        MouseAt(x, y);
        Step();
        g_pMouse->state.left = 1;
        Step();
    }
    // From looking: the leave button, the dialog faded in; then `answer` (or a right click) and the
    // fade-out run to the result.
    void Leave(const RECT* answer) {
        ClickAt(kLeave.left + 5, kLeave.top + 5);
        ASSERT_EQ(engine().m_msgStep, 2);
        Step(300);
        Step();
        ASSERT_EQ(engine().m_msgStep, 3);
        if (answer != nullptr) {
            MouseOn(*answer);
            Step();
            g_pMouse->state.left = 1;
        } else {
            g_pMouse->state.right = 1;
        }
        Step();
        ASSERT_EQ(engine().m_msgStep, 4);
        Step(300);
        Step();
        ASSERT_EQ(engine().m_msgStep, 5);
        Step();
    }
    const plat::CursorImage* Cursor() { return headless_.backend().cursorImage; }
    uint32_t Screen(int32_t x, int32_t y) { return PixelAt(g_ScreenSurface, x, y); }
};

} // namespace

TEST_F(SearchScreen, AClickOnASpotStartsThePlacesSearchScriptWithTheSpotNumber) {
    struct Case {
        const char* what;
        uint32_t maskRow;
        int32_t x, y;
        int spot; // -1: nothing starts
    } const cases[] = {
        {"value 1", 2, 150, 150, 0},           {"value 20", 2, 350, 150, 19},
        {"value 21", 2, 550, 150, -1},         {"value 0", 2, 700, 300, -1},
        {"screen's left edge", 2, 0, 150, -1}, {"top edge", 2, 150, 0, -1},
        {"small mask", 3, 100, 100, 4},        {"outside a small mask", 3, 300, 300, -1},
        {"no mask", 7, 150, 150, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine().m_hudInfoRow = c.maskRow;
        engine().m_msgStep = 0;
        engine().m_searchSpot = 77;
        engine().m_pScriptBase = nullptr;
        g_pMouse->state.left = 0;
        game().scene = kSceneSearch;
        Enter();
        ClickAt(c.x, c.y);
        const bool edge = c.x == 0 || c.y == 0;
        if (c.spot < 0) {
            EXPECT_EQ(game().scene, kSceneSearch);
            EXPECT_EQ(engine().m_msgStep, 1);
            EXPECT_EQ(LoadedScript(), "");
            if (edge) {
                EXPECT_EQ(g_pMouse->state.left, 0) << "a click on the edge is dropped";
                EXPECT_EQ(Screen(c.x + 30, c.y + 24), c.y == 0 ? kStrip : kBackground) << "no pointer";
            } else {
                EXPECT_EQ(Screen(c.x + 30, c.y + 24), kPointer);
                EXPECT_EQ(g_pMouse->state.left, 1) << "a click off a spot is not taken";
                EXPECT_NE(Cursor(), nullptr) << "the cursor file's picture while looking";
            }
            continue;
        }
        EXPECT_EQ(LoadedScript(), "f02_09s.s");
        EXPECT_EQ(engine().m_searchSpot, c.spot);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(Cursor(), nullptr) << "the arrow again";
        EXPECT_EQ(Screen(c.x + 30, c.y + 24), kBackground) << "the bare picture under the script";
    }
}

TEST_F(SearchScreen, ThePointerAndTheLeaveButtonFollowTheMouse) {
    Enter();
    EXPECT_EQ(Screen(10, 10), kStrip);
    EXPECT_EQ(Screen(730, 324), kPointer);
    ASSERT_NE(Cursor(), nullptr);
    EXPECT_EQ(Cursor()->hotX, 2);
    MouseAt(150, 150);
    Step();
    EXPECT_EQ(Screen(180, 174), kSpotPointer);
    EXPECT_EQ(Screen(730, 324), kBackground) << "the old pointer is gone";
    MouseOn(kLeave);
    Step();
    EXPECT_EQ(Screen(kLeave.left + 2, kLeave.top + 2), kLeaveLook);
    EXPECT_EQ(engine().m_hoverFlag, 1);
}

TEST_F(SearchScreen, LeavingSpendsTimeAndEndsTheInvestigationWhenTheGaugeRunsOut) {
    WritePlainScript("f02_search.s");
    // The clock panel is shown; the gauge frame (4, 4) 29×247, translucent, is drawn once by the
    // command screen that follows, never by the search as it leaves.
    constexpr uint32_t kTimer = 0xC0FFEE;
    engine().m_clockShown = 1;
    UseTranslucentGauge(kTimer);
    struct Case {
        int8_t gauge;
        uint8_t hour, minute;
        SceneId scene;
        const char* script;
        int8_t gaugeAfter;
        uint8_t hourAfter, minuteAfter, activeAfter;
    } const cases[] = {
        {5, 9, 58, kSceneScript, "f02_search.s", 0, 9, 58, 0},
        {-3, 9, 58, kSceneScript, "f02_search.s", 0, 9, 58, 0},
        {6, 23, 58, kSceneCommand, "", 1, 0, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.gauge));
        engine().m_timeGauge = c.gauge;
        engine().m_clockHour = c.hour;
        engine().m_clockMinute = c.minute;
        engine().m_investActive = 1;
        engine().m_pScriptBase = nullptr;
        engine().m_msgStep = 0;
        game().scene = kSceneSearch;
        Enter();
        Leave(&kYes);
        EXPECT_EQ(game().scene, c.scene);
        EXPECT_EQ(LoadedScript(), c.script);
        EXPECT_EQ(engine().m_timeGauge, c.gaugeAfter);
        EXPECT_EQ(engine().m_clockHour, c.hourAfter);
        EXPECT_EQ(engine().m_clockMinute, c.minuteAfter);
        EXPECT_EQ(engine().m_investActive, c.activeAfter);
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(Cursor(), nullptr);
        for (int slot = 1; slot <= 5; ++slot)
            EXPECT_EQ(g_Layers[slot], nullptr) << slot;
        EXPECT_EQ(Screen(500, 10), kBackground) << "the strip is gone";
        EXPECT_EQ(Screen(20, 100), kBackground) << "no gauge frame yet";
        if (c.scene == kSceneCommand) {
            engine().ModeCommand();
            EXPECT_EQ(Screen(20, 100), GaugeOver(kTimer, kBackground)) << "the gauge frame, drawn once";
        }
    }
}

TEST_F(SearchScreen, NoOrARightClickInTheDialogGoesBackToLooking) {
    const bool sound = OpenManualSound();
    const std::filesystem::path se = ScriptTestFolder() / "se";
    std::filesystem::create_directories(se);
    WriteBytes((se / "sys_g004.ogg").string(), MakeToneOgg(440.0, 0.2));
    for (const RECT* answer : {&kNo, static_cast<const RECT*>(nullptr)}) {
        SCOPED_TRACE(answer != nullptr ? "no" : "right click");
        engine().m_timeGauge = 9;
        engine().m_msgStep = 0;
        Enter();
        Leave(answer);
        EXPECT_EQ(engine().m_msgStep, 1);
        EXPECT_EQ(game().scene, kSceneSearch);
        EXPECT_EQ(engine().m_timeGauge, 9) << "nothing spent";
        EXPECT_NE(Cursor(), nullptr) << "the cursor file's picture again";
        EXPECT_EQ(g_pMouse->state.right, 0);
        if (sound) {
            // Only "sys_g004.ogg" exists: the click channel holds a sound only after a right click.
            EXPECT_EQ(PlayerBuffer::Of(g_SePlayers[0]) != nullptr, answer == nullptr);
        }
        Step();
        EXPECT_EQ(Screen(10, 10), kStrip) << "looking again";
    }
    if (sound)
        CloseManualSound();
    std::filesystem::remove_all(se);
}

TEST_F(SearchScreen, TheDialogFadesUnlessCtrlOrTheFadeCutCutsThem) {
    struct Case {
        const char* what;
        uint8_t ctrl, skip;
    } const cases[] = {{"timed", 0, 0}, {"Ctrl", 1, 0}, {"fade cut", 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool cut = c.ctrl != 0 || c.skip != 0;
        engine().m_msgStep = 0;
        engine().m_skipEffects = c.skip;
        Enter();
        ClickAt(kLeave.left + 5, kLeave.top + 5);
        g_pKeyboard->ctrl = c.ctrl;
        Step(150);
        EXPECT_EQ(engine().m_msgStep, cut ? 3 : 2);
        if (!cut) {
            EXPECT_NE(Screen(330, 260), kSearchBox) << "half faded in";
            Step(150);
            Step();
        }
        EXPECT_EQ(Screen(330, 260), kSearchBox) << "the dialog at rest";
        MouseOn(kYes);
        Step();
        EXPECT_EQ(Screen(kYes.left + 2, kYes.top + 2), kFrame) << "the hovered button's frame";
        g_pMouse->state.left = 1;
        g_pKeyboard->ctrl = c.ctrl;
        Step();
        Step(150);
        EXPECT_EQ(engine().m_msgStep, cut ? 5 : 4);
        if (!cut) {
            // Half-way out (level 127) the box has come down 17 rows and the glow on "yes" with it, at
            // the top of its rise and fall.
            Step();
            EXPECT_EQ(Screen(330, 239), PixelAt(g_Layers[1], 330, 239)) << "above the lowered box";
            EXPECT_NE(Screen(330, 240), PixelAt(g_Layers[1], 330, 240)) << "the lowered box";
            EXPECT_EQ(Screen(kYes.left + 2, kYes.top + 17), kGlow);
            EXPECT_NE(Screen(kYes.left + 2, kYes.top + 16), kGlow);
            EXPECT_NE(Screen(kNo.left + 2, kNo.top + 17), kGlow);
        }
        g_pKeyboard->ctrl = 0;
        engine().m_skipEffects = 0;
        engine().m_hoverFlag = 2; // "no": back to looking for the next case
        while (engine().m_msgStep != 1)
            Step(150);
    }
}

TEST_F(SearchScreen, KeyboardModeGlidesTheCursorOntoYes) {
    g_SystemData.keyboardMode = 1;
    Enter();
    ClickAt(kLeave.left + 5, kLeave.top + 5);
    Step(300);
    Step();
    EXPECT_EQ(engine().m_msgStep, 10);
    Step(150);
    Step();
    EXPECT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(headless_.backend().warpX, (kYes.left + kYes.right) / 2);
    EXPECT_EQ(headless_.backend().warpY, (kYes.top + kYes.bottom) / 2);
    g_SystemData.keyboardMode = 0;
}

TEST_F(SearchScreen, TheTabledFormTakesMaskScriptsAndDialogFromItsEntry) {
    for (const char* name : {"02b_1210s.s", "02b1_1245s.s", "02_0930s.s", "02_0930z.s"})
        WritePlainScript(name);
    // Entries 3 and 4 share a mask but start different scripts for the same spot.
    for (const auto& [entry, script] : {std::pair{3, "02b_1210s.s"}, std::pair{4, "02b1_1245s.s"}}) {
        engine().m_searchSceneNo = static_cast<uint8_t>(entry);
        engine().m_msgStep = 0;
        engine().m_hudInfoRow = 3; // not used by the tabled form
        game().scene = kSceneSearchInventory;
        Enter();
        ClickAt(350, 150);
        EXPECT_EQ(LoadedScript(), script);
        EXPECT_EQ(engine().m_searchSpot, 19);
        EXPECT_EQ(game().scene, kSceneScript);
    }
    // The dialog picture: the search's own from entry 13 on, the items' before.
    for (const auto& [entry, box] : {std::pair{12, kItemsBox}, std::pair{13, kSearchBox}}) {
        engine().m_searchSceneNo = static_cast<uint8_t>(entry);
        engine().m_msgStep = 0;
        game().scene = kSceneSearchInventory;
        Enter();
        ClickAt(kLeave.left + 5, kLeave.top + 5);
        Step(300);
        Step();
        EXPECT_EQ(Screen(330, 260), box) << entry;
    }
    // Leaving entry 1 spends nothing and starts its leave script.
    engine().m_searchSceneNo = 1;
    engine().m_msgStep = 0;
    engine().m_timeGauge = 3;
    engine().m_clockHour = 9;
    engine().m_clockMinute = 30;
    engine().m_investActive = 1;
    game().scene = kSceneSearchInventory;
    Enter();
    Leave(&kYes);
    EXPECT_EQ(LoadedScript(), "02_0930z.s");
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_timeGauge, 3);
    EXPECT_EQ(engine().m_clockHour, 9);
    EXPECT_EQ(engine().m_clockMinute, 30);
    EXPECT_EQ(engine().m_investActive, 0);
    EXPECT_EQ(g_Layers[1], nullptr);
}

TEST_F(SearchScreen, ATabledSceneOutsideTheTableGoesBackToTheScriptAtOnce) {
    for (uint8_t entry : {0, 17, 255}) {
        engine().m_searchSceneNo = entry;
        engine().m_msgStep = 0;
        game().scene = kSceneSearchInventory;
        Step();
        EXPECT_EQ(game().scene, kSceneScript) << static_cast<int>(entry);
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(g_Layers[1], nullptr) << "nothing loaded";
    }
}

TEST_F(SearchScreen, TheArrowComesBackWhenAnythingElseTakesTheSceneFromTheSearch) {
    Enter();
    ASSERT_NE(Cursor(), nullptr);
    // A frame of the search keeps the cursor picture; a frame of another scene puts the arrow back.
    game().Frame();
    EXPECT_NE(Cursor(), nullptr);
    game().scene = kSceneNop42;
    game().Frame();
    EXPECT_EQ(Cursor(), nullptr);
    EXPECT_EQ(game().scene, kSceneScript);
}
