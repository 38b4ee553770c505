// The command screen: its column of commands, the category panel and the keyword list with its
// scroll bar, the keyword pick that starts a script and the way back after it, the end command's
// dialog, the hidden panels, and talk start and legwork end.
#include <algorithm>

#include "investigation/invest_list.h"
#include "investigation/invest_screen.h"
#include "investigation/invest_screen_fixture.h"

using namespace kestrel::test;
using kestrel::invest::PlaceThumb;
using kestrel::invest::WalkHover;

namespace {

constexpr uint32_t kColumn = 0x303030;
constexpr uint32_t kRowOff = 0x400000;
constexpr uint32_t kRowOn = 0x004000;
constexpr uint32_t kLabel = 0x000040;
constexpr uint32_t kRowMark = 0xC0C000;
constexpr uint32_t kTalkPanel = 0x505050;
constexpr uint32_t kCategoryEmpty = 0x600000;
constexpr uint32_t kCategoryKnown = 0x006000;
constexpr uint32_t kCategoryMark = 0xC000C0;
constexpr uint32_t kListPanel = 0x707070;
constexpr uint32_t kListMark = 0x00C0C0;
constexpr uint32_t kThumb = 0x808000;
constexpr uint32_t kThumbHover = 0x80FF00;
constexpr uint32_t kBox = 0x909090;
constexpr uint32_t kBackdrop = 0x000010;
constexpr uint32_t kPressedYes = 0xC04000;
constexpr uint32_t kPressedNo = 0x00C040;

// The strip of keyword id n carries n in its blue byte.
uint32_t StripColour(int id) {
    return 0x200000u | static_cast<uint32_t>(id);
}

class CommandScreen : public InvestScreenTest {
protected:
    void SetUp() override {
        InvestScreenTest::SetUp();
        WriteSystemPicture("command.bmp", 270, 270,
                           {{0, 0, 116, 260, kColumn},
                            {116, 0, 48, 48, kRowOff},
                            {164, 0, 48, 48, kRowOn},
                            {212, 0, 54, 264, kLabel},
                            {116, 72, 50, 30, kRowMark}});
        WriteSystemPicture("talk.bmp", 200, 220,
                           {{0, 0, 112, 213, kTalkPanel},
                            {112, 0, 40, 100, kCategoryEmpty},
                            {152, 0, 40, 100, kCategoryKnown},
                            {112, 100, 49, 27, kCategoryMark}});
        WriteSystemPicture("keyword.bmp", 280, 470,
                           {{0, 0, 240, 415, kListPanel},
                            {0, 443, 180, 24, kListMark},
                            {241, 0, 17, 361, kThumb},
                            {258, 0, 17, 361, kThumbHover}});
        std::vector<Block> strips;
        for (int id = 1; id <= 63; ++id)
            strips.push_back({0, 24 * (id - 1), 200, 24, StripColour(id)});
        WriteSystemPicture("key_matter.bmp", 200, 24 * 63, strips);
        WriteSystemPicture(
            "free_exit.bmp", 400, 230,
            {{0, 0, 396, 134, kBox}, {0, 179, 105, 45, kPressedYes}, {105, 179, 105, 45, kPressedNo}});
        WriteSystemPicture("freame_base.bmp", 1024, 576, {}, kBackdrop, true);
        engine().m_investArea = 3;
        engine().m_investActive = 1;
        engine().m_timeGauge = 10;
        SetVariants({1, 1, 2, 0, 13});
        game().scene = kSceneCommand;
        g_SystemData.rightClickMode = 0;
        Step();
        Step();
        ASSERT_EQ(engine().m_investStep, 2);
    }
    void SetVariants(std::initializer_list<uint8_t> v) {
        int i = 1;
        for (uint8_t x : v)
            engine().m_commandParams[i++] = x;
    }
    void Step(uint32_t ms = 0) {
        engine().ModeCommand();
        clock_.clock().Advance(ms);
    }
    void Click(const RECT& r) {
        MouseOn(r);
        Step();
        g_pMouse->state.left = 1;
        Step();
    }
    void KnowKeywords(int category, std::initializer_list<int> ids) {
        for (int id : ids)
            engine().m_keywordKnown[category - 1][id] = 1;
    }
    // Opens the list of `category` through command row 3.
    void OpenList(int category) {
        Click(engine().m_commandRects[2]);
        Step(); // category panel
        Click(engine().m_categoryRects[category - 1]);
        Step(); // the list
        ASSERT_EQ(engine().m_investStep, 11);
    }
    uint32_t RowStrip(int row) {
        const RECT& r = engine().m_listRowRects[row - 1];
        return PixelAt(g_ScreenSurface, r.left + 190, r.top + 12);
    }
};

} // namespace

TEST_F(CommandScreen, TheColumnShowsEnabledDisabledAndAbsentRows) {
    SetVariants({0, 1, 0, 3, 0});
    engine().m_investStep = 1;
    Step();
    EXPECT_EQ(engine().m_commandCount, 3);
    const struct {
        int row;
        uint32_t colour;
    } rows[] = {{1, kRowOff}, {2, kRowOn}, {3, kColumn}, {4, kLabel}, {5, kColumn}};
    for (const auto& r : rows) {
        const RECT& rect = engine().m_commandRects[r.row - 1];
        EXPECT_EQ(PixelAt(g_ScreenSurface, rect.left + 10, rect.top + 10), r.colour) << r.row;
    }
    for (int row : {1, 3, 5}) {
        MouseOn(engine().m_commandRects[row - 1]);
        Step();
        EXPECT_EQ(engine().m_hoverRow, 0) << row;
    }
    MouseOn(engine().m_commandRects[3]);
    Step();
    EXPECT_EQ(engine().m_hoverRow, 4) << "a row below an absent one can still be chosen";
    const RECT& r4 = engine().m_commandRects[3];
    EXPECT_EQ(PixelAt(g_ScreenSurface, r4.left + 2, r4.top + 27), kRowMark);
}

TEST_F(CommandScreen, MapAndSearchRowsLeaveForTheirScreens) {
    const struct {
        int row;
        SceneId scene;
    } cases[] = {{1, kSceneMap}, {2, kSceneSearch}};
    for (const auto& c : cases) {
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x445566);
        engine().m_investStep = 1;
        game().scene = kSceneCommand;
        Step();
        Click(engine().m_commandRects[c.row - 1]);
        EXPECT_EQ(engine().m_investStep, 3);
        Step();
        EXPECT_EQ(game().scene, c.scene) << c.row;
        EXPECT_EQ(engine().m_investStep, 0);
        if (c.scene == kSceneSearch) {
            EXPECT_EQ(PixelAt(g_ScreenSurface, 300, 200), kBackground)
                << "the search starts from the picture";
        }
    }
}

TEST_F(CommandScreen, AKeywordPickLoadsItsScriptAndTheClockCommandBringsTheListBack) {
    KnowKeywords(2, {5, 9});
    OpenList(2);
    EXPECT_EQ(engine().m_listCount, 2);
    EXPECT_EQ(RowStrip(1), StripColour(5));
    EXPECT_EQ(RowStrip(2), StripColour(9));
    EXPECT_EQ(RowStrip(3), kListPanel);
    WritePlainScript("f03_i009.s");
    Click(engine().m_listRowRects[1]);
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(LoadedScript(), "f03_i009.s");
    EXPECT_EQ(engine().m_investStep, 11);
    EXPECT_EQ(engine().m_pickedEntry, 2);
    EXPECT_EQ(engine().m_pickedKind, 2);
    EXPECT_EQ(engine().m_pickedCommand, 3);

    // The keyword script ends with the clock command, which spends a minute and a unit. The clock
    // panel is shown, and the translucent gauge frame at (4, 4) is drawn once over the background.
    constexpr uint32_t kTimer = 0xC0FFEE;
    UseTranslucentGauge(kTimer);
    engine().m_clockShown = 1;
    Start("AdvanceClock\nExitToMenu\n");
    engine().m_clockHour = 10;
    engine().m_clockMinute = 59;
    RunUntilWait();
    EXPECT_EQ(game().scene, kSceneCommand);
    EXPECT_EQ(engine().m_clockHour, 11);
    EXPECT_EQ(engine().m_clockMinute, 0);
    EXPECT_EQ(engine().m_timeGauge, 9);
    EXPECT_EQ(engine().m_investStep, 11);
    // The screen as the pick left it, drawn over the background: the picked command and category
    // marked, the list at its first entry.
    const RECT& row3 = engine().m_commandRects[2];
    EXPECT_EQ(PixelAt(g_ScreenSurface, row3.left + 2, row3.top + 27), kRowMark);
    const RECT& cat2 = engine().m_categoryRects[1];
    EXPECT_EQ(PixelAt(g_ScreenSurface, cat2.left - 3, cat2.top + 24), kCategoryMark);
    EXPECT_EQ(PixelAt(g_ScreenSurface, cat2.left + 20, cat2.top + 10), kCategoryKnown);
    EXPECT_EQ(RowStrip(1), StripColour(5));
    EXPECT_EQ(RowStrip(2), StripColour(9));
    EXPECT_EQ(RowStrip(3), kListPanel);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 770, 40), kThumb);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 300, 300), kBackground);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 20, 100), GaugeOver(kTimer, kBackground));
    // And the list works on from there.
    WritePlainScript("f03_i005.s");
    game().scene = kSceneCommand;
    Click(engine().m_listRowRects[0]);
    EXPECT_EQ(LoadedScript(), "f03_i005.s");
}

TEST_F(CommandScreen, CategoriesWithoutKeywordsCannotBeChosen) {
    KnowKeywords(4, {1});
    engine().m_keywordKnown[1][0] = 1; // id 0 counts too: the category is open, its list empty
    Click(engine().m_commandRects[2]);
    Step();
    const struct {
        int category;
        uint32_t look;
        uint8_t hover;
    } cases[] = {
        {1, kCategoryEmpty, 0}, {2, kCategoryKnown, 2}, {3, kCategoryEmpty, 0}, {4, kCategoryKnown, 4}};
    for (const auto& c : cases) {
        const RECT& r = engine().m_categoryRects[c.category - 1];
        MouseOn(r);
        Step();
        EXPECT_EQ(engine().m_hoverRow, c.hover) << c.category;
        EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 20, r.top + 10), c.look) << c.category;
    }
    // The keys walk over the known categories only, and the cursor follows.
    MouseAt(5, 5);
    Step();
    g_pKeyboard->down = 1;
    Step();
    EXPECT_EQ(engine().m_hoverRow, 4);
    const RECT& r4 = engine().m_categoryRects[3];
    EXPECT_EQ(headless_.backend().warpX, (r4.left + r4.right) / 2);
    EXPECT_EQ(headless_.backend().warpY, (r4.top + r4.bottom) / 2);
    // A right click steps back to the column.
    g_pMouse->state.right = 1;
    Step();
    EXPECT_EQ(engine().m_investStep, 1);
}

TEST_F(CommandScreen, ALongListScrollsByKeysArrowsAndThumbDrag) {
    std::initializer_list<int> ids = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    KnowKeywords(2, ids);
    OpenList(2);
    MouseAt(5, 5);
    Step();
    EXPECT_EQ(engine().m_scrollRects[2].bottom - engine().m_scrollRects[2].top, 361 - 60);
    for (int press = 1; press <= 21; ++press) {
        g_pKeyboard->down = 1;
        Step();
        FollowCursor();
    }
    EXPECT_EQ(engine().m_listScroll, 6);
    EXPECT_EQ(engine().m_hoverRow, 14);
    EXPECT_EQ(engine().m_scrollRects[2].top, 92);
    EXPECT_EQ(RowStrip(1), StripColour(7));
    EXPECT_EQ(RowStrip(14), StripColour(20));
    // Up scrolls first, even with the mark low in the view.
    g_pKeyboard->up = 1;
    Step();
    FollowCursor();
    EXPECT_EQ(engine().m_listScroll, 5);
    EXPECT_EQ(engine().m_hoverRow, 14);
    // A wheel step away from the player is Up too, and pauses 100 ms.
    const uint32_t before = timeGetTime();
    g_pMouse->wheel = 0xFF;
    Step();
    EXPECT_EQ(engine().m_listScroll, 4);
    EXPECT_EQ(timeGetTime() - before, 100u);
    // The down arrow scrolls one entry.
    Click(engine().m_scrollRects[1]);
    EXPECT_EQ(engine().m_listScroll, 5);
    // Dragging the thumb: one entry for each move of more than 10 pixels.
    g_pMouse->state.left = 0;
    MouseOn(engine().m_scrollRects[2]);
    Step();
    EXPECT_EQ(engine().m_scrollHover, 3);
    g_pMouse->state.left = 1;
    Step();
    g_pMouse->state.y -= 11;
    Step();
    EXPECT_EQ(engine().m_listScroll, 4);
    g_pMouse->state.y -= 5;
    Step();
    EXPECT_EQ(engine().m_listScroll, 4);
    g_pMouse->state.y -= 200;
    for (int i = 0; i < 10; ++i) {
        g_pMouse->state.y -= 11;
        Step();
    }
    EXPECT_EQ(engine().m_listScroll, 0);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 770, 40), kThumbHover);
}

TEST_F(CommandScreen, ALongListMarksNoRowWhileThePointerIsOnItsScrollBar) {
    // Strips half a row wide, so that the row mark shows beside them.
    std::vector<Block> strips;
    for (int id = 1; id <= 20; ++id)
        strips.push_back({0, 24 * (id - 1), 100, 24, StripColour(id)});
    WriteSystemPicture("key_matter.bmp", 200, 24 * 63, strips);
    KnowKeywords(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
    OpenList(2);
    const auto mark = [&](int row) {
        return PixelAt(g_ScreenSurface, 720, engine().m_listRowRects[row - 1].top + 12);
    };
    for (int part : {3, 2}) {
        MouseOn(engine().m_listRowRects[2]);
        Step();
        EXPECT_EQ(mark(3), kListMark) << part;
        MouseOn(engine().m_scrollRects[part - 1]);
        Step();
        EXPECT_EQ(mark(3), kListPanel) << part;
        g_pKeyboard->down = 1;
        Step();
        EXPECT_EQ(mark(1), kListMark) << "Down from no row, " << part;
        EXPECT_EQ(mark(4), kListPanel) << part;
    }
}

TEST_F(CommandScreen, ATranslucentListSheetIsBlendedOverThePictureOnTheScrollBarToo) {
    constexpr uint32_t kAlpha = 0x80;
    WriteSystemPicture("keyword.bmp", 280, 470,
                       {{0, 0, 240, 415, kAlpha << 24 | kListPanel}, {241, 0, 17, 361, kThumb}});
    uint32_t blend = 0;
    for (int c = 0; c < 24; c += 8)
        blend |=
            (((kListPanel >> c & 0xFF) * kAlpha >> 8) + ((kBackground >> c & 0xFF) * (256 - kAlpha) >> 8))
            << c;
    engine().m_investStep = 0; // the sheet loaded again
    Step();
    Step();
    KnowKeywords(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
    OpenList(2);
    // The track below the thumb (32..333) and the down arrow: as opened, and after the pointer left.
    const struct {
        const char* what;
        int part; // the scroll part hovered and left first, 0 none
        int x, y;
    } cases[] = {{"opened", 0, 775, 380}, {"thumb left", 3, 775, 380}, {"arrow left", 2, 775, 400}};
    for (const auto& c : cases) {
        if (c.part != 0) {
            MouseOn(engine().m_scrollRects[c.part - 1]);
            Step();
        }
        MouseAt(5, 5);
        Step();
        EXPECT_EQ(PixelAt(g_ScreenSurface, c.x, c.y), blend) << c.what;
    }
}

TEST_F(CommandScreen, TheThumbStaysInItsTrackForEveryListLength) {
    for (int count = 0; count <= 63; ++count) {
        const int maxScroll = std::max(0, count - 14);
        for (int scroll : {0, maxScroll / 2, maxScroll}) {
            const auto t = PlaceThumb(count, scroll);
            EXPECT_GE(t.top, 32) << count;
            EXPECT_GE(t.height, 11) << count;
            EXPECT_LE(t.top + t.height, 32 + 361) << count << "/" << scroll;
        }
        if (count > 14 && count <= 49) {
            EXPECT_EQ(PlaceThumb(count, 1).top, 42) << count;
        }
    }
    EXPECT_EQ(PlaceThumb(14, 0).height, 361);
    EXPECT_EQ(PlaceThumb(15, 0).height, 351);
    EXPECT_EQ(PlaceThumb(63, 49).top + PlaceThumb(63, 49).height, 393);
}

TEST(InvestWalk, StepsOverDisabledEntriesWrapsAndEndsAfterOneLap) {
    const struct {
        uint8_t hover;
        int step;
        unsigned enabledMask; // bit i-1 for entry i
        uint8_t want;
    } cases[] = {
        {0, -1, 0x1F, 1}, {0, 1, 0x1F, 5}, {5, 1, 0x1F, 1}, {1, -1, 0x1F, 5}, {0, 1, 0x03, 2},
        {0, -1, 0x1C, 3}, {2, 1, 0x05, 3}, {0, 1, 0x00, 0}, {3, -1, 0x00, 0}, {2, 0, 0x1F, 2},
    };
    for (const auto& c : cases) {
        const uint8_t got =
            WalkHover(c.hover, 5, c.step, [&](int i) { return (c.enabledMask >> (i - 1) & 1u) != 0; });
        EXPECT_EQ(got, c.want) << int(c.hover) << " " << c.step << " " << c.enabledMask;
    }
}

TEST_F(CommandScreen, TheEndCommandAsksAndYesStartsTheRoomScript) {
    WritePlainScript("f03_room.s");
    for (bool yes : {false, true}) {
        engine().m_investStep = 1;
        Step();
        Click(engine().m_commandRects[4]);
        EXPECT_EQ(engine().m_investStep, 20);
        Step(150);
        Step();
        EXPECT_EQ(engine().m_investStep, 20) << "the box is still coming in";
        Step(200);
        Step();
        EXPECT_EQ(engine().m_investStep, 21);
        EXPECT_EQ(PixelAt(g_ScreenSurface, 320, 230), kBox);
        if (yes) {
            Click(RECT{398, 295, 503, 340});
        } else {
            g_pMouse->state.right = 1; // Escape
            Step();
        }
        EXPECT_EQ(engine().m_investStep, 22);
        Step(300);
        Step();
        Step();
        if (yes) {
            EXPECT_EQ(game().scene, kSceneScript);
            EXPECT_EQ(LoadedScript(), "f03_room.s");
            EXPECT_EQ(engine().m_investActive, 0);
            for (int slot : {2, 3, 4, 5, 6, 9})
                EXPECT_EQ(g_Layers[slot], nullptr) << slot;
        } else {
            EXPECT_EQ(engine().m_hoverFlag, 2);
            EXPECT_EQ(engine().m_investStep, 1);
            EXPECT_EQ(game().scene, kSceneCommand);
        }
    }
}

// An overlay screen opened from the window bar while the end dialog comes in takes its own
// snapshot of that half-drawn screen; the dialog goes on from the screen it found, and No gives
// that screen back whole.
TEST_F(CommandScreen, ABarButtonPressedAsTheEndDialogComesInLeavesNoGhostAfterNo) {
    const std::vector<uint32_t> before = Picture(g_ScreenSurface);
    Click(engine().m_commandRects[4]);
    Step(150);
    Step();            // half in
    MouseAt(920, 470); // the configuration button
    g_pMouse->state.left = 1;
    Step();
    ASSERT_EQ(game().scene, kSceneConfig);
    game().scene = kSceneCommand; // the configuration screen gives the scene back
    g_pKeyboard->ctrl = 1;
    Step();
    ASSERT_EQ(engine().m_investStep, 21);
    g_pMouse->state.right = 1; // No
    Step();
    Step();
    Step();
    ASSERT_EQ(engine().m_investStep, 1);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 320, 230), before[230 * 1024 + 320]) << "the box";
    EXPECT_EQ(PixelAt(g_ScreenSurface, 100, 100), before[100 * 1024 + 100]) << "the backdrop";
}

// While the end dialog closes (level = elapsed × 255 / 300), the chosen button's pressed look sinks
// with the box, 295 + level × 36 / 256, at opacity trunc(sin(elapsed × 180 / 300°) × 255) over the
// box, both blended as (s × L >> 8) + (d × (255 − L) >> 8): the backdrop 0x000010 and the box 0x909090
// at 255 − level over the background 0x336699.
TEST_F(CommandScreen, TheEndDialogPressesTheChosenButtonAsItCloses) {
    Click(engine().m_commandRects[4]);
    g_pKeyboard->ctrl = 1;
    Step();
    g_pKeyboard->ctrl = 0;
    ASSERT_EQ(engine().m_investStep, 21);
    const struct {
        uint32_t elapsed;
        uint8_t chosen;
        bool ctrl;
        int top;
        uint32_t box, pressed;
        uint8_t step;
    } cases[] = {
        {0, 1, false, 295, kBox, kBox, 22},
        {40, 2, false, 299, 0x7C7D80, 0x499765, 22},  // level 34, opacity 103
        {100, 1, false, 306, 0x646972, 0xB2450F, 22}, // level 85, opacity 220 (220.8 truncated)
        {160, 2, false, 314, 0x505E70, 0x00BD3F, 22}, // level 136, opacity 253
        {230, 1, false, 322, 0x3D5B7B, 0x934828, 22}, // level 195, opacity 170
        {299, 2, false, 330, 0x316495, 0x306593, 22}, // level 254, opacity 4
        {300, 1, false, 295, kBackground, kBackground, 23},
        {100, 2, true, 295, kBackground, kBackground, 23},
    };
    for (const auto& c : cases) {
        g_pKeyboard->ctrl = c.ctrl ? 1 : 0;
        engine().m_hoverFlag = c.chosen;
        engine().m_investStep = 22;
        engine().m_stepTime = timeGetTime() - c.elapsed;
        Step();
        const int x = c.chosen == 1 ? 398 : 519;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x + 4, c.top - 1), c.box) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x + 4, c.top), c.pressed) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x + 104, c.top + 44), c.pressed) << c.elapsed;
        EXPECT_EQ(PixelAt(g_ScreenSurface, x + 105, c.top + 44), c.box) << c.elapsed;
        EXPECT_EQ(engine().m_investStep, c.step) << c.elapsed;
    }
}

// The end dialog keeps its screen copy in a surface of its own, and both ways out of the
// investigation (talk start, and op 166 of a script) free it: no copy of the dialog's screen is left
// behind, neither there nor in the save screen's second snapshot.
TEST_F(CommandScreen, LeavingTheInvestigationFreesTheEndDialogsScreenCopy) {
    WritePlainScript("f03_talk.s");
    WriteScript("free.s", "    FreeLayers\n");
    for (bool byScript : {false, true}) {
        // Entered afresh: the first frames load the pictures that the last way out freed.
        engine().m_investActive = 1;
        engine().m_investStep = 0;
        game().scene = kSceneCommand;
        Step();
        Step();
        Click(engine().m_commandRects[4]);
        ASSERT_EQ(engine().m_investStep, 20);
        ASSERT_NE(g_pScriptUiSurfaces[kUiDialogSnapshot], nullptr) << "the dialog's screen copy";
        EXPECT_EQ(g_pScriptUiSurfaces[kUiSnapshot2], nullptr) << "the save screen's snapshot is not used";
        ReplaceSurface(g_OverlaySurface, new CDIB32());
        if (byScript) {
            ASSERT_NE(engine().LoadScript("free.s"), nullptr);
            engine().RunScript();
        } else {
            engine().ModeTalkStart();
        }
        EXPECT_EQ(g_pScriptUiSurfaces[kUiDialogSnapshot], nullptr) << byScript;
        EXPECT_EQ(g_pScriptUiSurfaces[kUiSnapshot2], nullptr) << byScript;
        EXPECT_EQ(engine().m_investActive, 0) << byScript;
        if (byScript) {
            EXPECT_EQ(g_OverlaySurface, nullptr) << "op 166 frees the overlay picture too";
        }
        ReplaceSurface(g_OverlaySurface, nullptr);
    }
}

TEST_F(CommandScreen, TheHideOptionShowsThePictureUntilAClick) {
    g_SystemData.rightClickMode = 1;
    const std::vector<uint32_t> shown = Picture(g_ScreenSurface);
    g_pMouse->state.right = 1;
    Step();
    EXPECT_EQ(engine().m_panelsHidden, 1);
    const RECT& r = engine().m_commandRects[0];
    EXPECT_EQ(PixelAt(g_ScreenSurface, r.left + 10, r.top + 10), kBackground);
    Step();
    EXPECT_EQ(engine().m_panelsHidden, 1);
    g_pKeyboard->space = 1;
    Step();
    EXPECT_EQ(engine().m_panelsHidden, 0);
    EXPECT_EQ(Picture(g_ScreenSurface), shown);
}

TEST_F(CommandScreen, TalkStartAndLegworkEndStartTheirClosingScripts) {
    const struct {
        SceneId scene;
        int number;
        const char* script;
        int active;
        std::initializer_list<int> freed;
    } cases[] = {{kSceneTalkStart, 7, "f07_talk.s", 0, {2, 3, 4, 5, 6, 9}},
                 {kSceneLegworkEnd, 12, "l12_end.s", 1, {2, 3, 4, 9}},
                 {kSceneLegworkEnd, 123, "l123_end.s", 1, {2, 3, 4, 9}}};
    for (const auto& c : cases) {
        WritePlainScript(c.script);
        engine().m_investActive = 1;
        engine().m_investStep = 11;
        engine().m_msgStep = 4;
        engine().m_investArea = static_cast<uint8_t>(c.number);
        engine().m_legworkNo = static_cast<uint8_t>(c.number);
        g_pKeyboard->ctrl = 1;
        g_pMouse->state.left = 1;
        for (int slot : {2, 3, 4, 5, 6, 9}) {
            ReplaceSurface(g_Layers[slot], new CDIB32());
            g_Layers[slot]->Create(nullptr, 8, 8, 24);
        }
        game().scene = c.scene;
        if (c.scene == kSceneTalkStart)
            engine().ModeTalkStart();
        else
            engine().ModeLegworkEnd();
        EXPECT_EQ(LoadedScript(), c.script);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_investStep, 0);
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(engine().m_investActive, c.active) << c.script;
        EXPECT_EQ(g_pKeyboard->ctrl, 0);
        EXPECT_EQ(g_pMouse->state.left, 0);
        for (int slot : c.freed)
            EXPECT_EQ(g_Layers[slot], nullptr) << c.script << " " << slot;
    }
}

TEST(InvestScriptName, ANameTooLongForItsBufferIsRefused) {
    ScopedFakeClock clock{0};
    plat::ScopedHeadlessBackend headless;
    CScriptMng engine(nullptr);
    const std::string format(300, 'a');
    EXPECT_FALSE(kestrel::invest::LoadScriptNamed(engine, format.c_str(), 1));
    ASSERT_EQ(headless.backend().boxes.size(), 1u);
    EXPECT_NE(headless.backend().boxes[0].text.find("Not Found Script"), std::string::npos);
}

TEST_F(CommandScreen, InKeyboardModeTheCursorGlidesOntoYes) {
    g_SystemData.keyboardMode = 1;
    Click(engine().m_commandRects[4]);
    MouseAt(100, 100);
    Step(300);
    Step(); // the box stands
    EXPECT_EQ(engine().m_investStep, 26);
    const RECT yes{398, 295, 503, 340};
    const int tx = (yes.left + yes.right) / 2;
    const int ty = (yes.top + yes.bottom) / 2;
    // Start, part way (slow at first), and the target once 150 ms are over.
    const struct {
        uint32_t at;
        bool arrived;
    } samples[] = {{0, false}, {75, false}, {150, true}};
    uint32_t now = 0;
    for (const auto& s : samples) {
        clock_.clock().Advance(s.at - now);
        now = s.at;
        Step();
        const int x = headless_.backend().warpX;
        const int y = headless_.backend().warpY;
        if (s.arrived) {
            EXPECT_EQ(x, tx);
            EXPECT_EQ(y, ty);
            EXPECT_EQ(engine().m_investStep, 21);
        } else {
            EXPECT_GE(x, 100) << s.at;
            EXPECT_LT(x, tx) << s.at;
            EXPECT_GE(y, 100) << s.at;
            EXPECT_LT(y, ty) << s.at;
            if (s.at == 75) {
                EXPECT_LT(x, 100 + (tx - 100) / 2) << "short of half way at half time: it starts slowly";
            }
        }
    }
}
