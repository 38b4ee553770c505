// The town map: the fade from the screen it was entered over, hover and pick of places by mouse and
// Return, the places that cannot be taken, the page tabs and marker, the clock and gauge spent by a
// move and the script it starts, and the way back to the command screen.
#include "investigation/invest_screen_fixture.h"

using namespace kestrel::test;

namespace {

constexpr uint32_t kMap1 = 0x101010;
constexpr uint32_t kHover1 = 0xF0F0F0;
constexpr uint32_t kMap2 = 0x202020;
constexpr uint32_t kHover2 = 0xE0E0E0;
constexpr uint32_t kTab1 = 0x00AA00;
constexpr uint32_t kTab2 = 0x00BB00;
constexpr uint32_t kExitLook = 0xAA0000;
constexpr uint32_t kMarker = 0x0000AA;

class MapScreen : public InvestScreenTest {
protected:
    void SetUp() override {
        InvestScreenTest::SetUp();
        WriteSystemPicture("map_01.bmp", 1024, 576, {}, kMap1, true);
        WriteSystemPicture("map_01_m.bmp", 1024, 576, {}, kHover1, true);
        WriteSystemPicture("map_02.bmp", 1024, 576, {}, kMap2, true);
        WriteSystemPicture("map_02_m.bmp", 1024, 576, {}, kHover2, true);
        WriteSystemPicture("map_p.bmp", 128, 200,
                           {{0, 0, 55, 32, kTab1},
                            {0, 32, 55, 32, kTab2},
                            {55, 0, 64, 38, kExitLook},
                            {0, 78, 50, 50, kMarker},
                            {0, 128, 50, 50, kMarker}});
        engine().m_investArea = 2;
        engine().m_clockHour = 9;
        engine().m_clockMinute = 58;
        engine().m_timeGauge = 10;
        engine().m_investActive = 1;
        game().scene = kSceneMap;
    }
    void Step(uint32_t ms = 0) {
        engine().ModeMap();
        clock_.clock().Advance(ms);
    }
    // Enters the map and lets the fade run out.
    void Enter() {
        Step();
        Step(500);
        Step();
        ASSERT_EQ(engine().m_msgStep, 2);
    }
    const RECT& Place(int page, int index) { return engine().m_mapPlaceRects[page][index - 1]; }
    uint32_t Centre(const RECT& r) {
        return PixelAt(g_ScreenSurface, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void ClickOn(const RECT& r) {
        MouseOn(r);
        Step();
        g_pMouse->state.left = 1;
        Step();
        Step();
    }
};

} // namespace

TEST_F(MapScreen, FadesInFromTheEntryPictureAndShowsTheMapWhenTheFadeEnds) {
    Step();
    EXPECT_EQ(engine().m_msgStep, 1);
    Step(250);
    Step();
    const uint32_t mid = PixelAt(g_ScreenSurface, 10, 300);
    EXPECT_NE(mid, kBackground);
    EXPECT_NE(mid, kMap1) << "half way the two pictures are mixed";
    Step(250);
    Step();
    EXPECT_EQ(engine().m_msgStep, 2);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 10, 300), kMap1);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 900, 140), kTab1) << "the tab of the page shown";
}

TEST_F(MapScreen, EachCutShowsTheMapAtOnce) {
    const struct {
        const char* what;
        uint8_t ctrl, skipEffects, left, skipRead;
    } cases[] = {{"Ctrl", 1, 0, 0, 0}, {"fade cut", 0, 1, 0, 0}, {"click", 0, 0, 1, 0}, {"SKIP", 0, 0, 0, 1}};
    for (const auto& c : cases) {
        engine().m_msgStep = 0;
        g_pKeyboard->ctrl = c.ctrl;
        engine().m_skipEffects = c.skipEffects;
        g_pMouse->state.left = c.left;
        engine().m_skipRead = c.skipRead;
        Step();
        Step();
        EXPECT_EQ(engine().m_msgStep, 2) << c.what;
        EXPECT_EQ(PixelAt(g_ScreenSurface, 10, 300), kMap1) << c.what;
        EXPECT_EQ(g_pKeyboard->ctrl, 0) << c.what;
        EXPECT_EQ(g_pMouse->state.left, 0) << c.what;
    }
}

TEST_F(MapScreen, HoverHighlightsOnlyPlacesThatCanBeTaken) {
    engine().m_investArea = 1;
    engine().m_place = 3;
    const struct {
        int page, index, var140;
        bool taken;
    } cases[] = {{0, 1, 0, true},   {0, 3, 0, false}, {0, 18, 0, false}, {1, 18, 0, false},
                 {1, 16, 0, false}, {1, 16, 1, true}, {1, 3, 0, true},   {1, 17, 0, false}};
    for (const auto& c : cases) {
        engine().m_mapPage = static_cast<uint8_t>(c.page);
        engine().m_vars[140] = c.var140;
        engine().m_msgStep = 0;
        g_pKeyboard->ctrl = 1;
        MouseAt(5, 5);
        Step();
        Step();
        MouseOn(Place(c.page, c.index));
        Step();
        const uint32_t lit = c.page == 0 ? kHover1 : kHover2;
        const RECT& r = Place(c.page, c.index);
        EXPECT_EQ(engine().m_hoverFlag, c.taken ? c.index : 0) << c.page << "/" << c.index;
        if (r.right > r.left) {
            EXPECT_EQ(Centre(r) == lit, c.taken) << c.page << "/" << c.index;
            EXPECT_NE(PixelAt(g_ScreenSurface, r.right, r.bottom), lit)
                << "only the place's rectangle is lit";
        }
    }
}

TEST_F(MapScreen, AMoveSpendsTwoMinutesAndTwoUnitsAndStartsItsScript) {
    WritePlainScript("f02_01.s");
    WritePlainScript("f02_map.s");
    WritePlainScript("f02_20.s");
    const struct {
        int gauge, hour, minute, page, index;
        const char* script;
        int wantGauge, wantHour, wantMinute, wantPlace, wantActive;
    } cases[] = {
        {10, 9, 58, 0, 1, "f02_01.s", 8, 10, 0, 1, 1}, {3, 9, 0, 0, 1, "f02_01.s", 1, 9, 2, 1, 1},
        {2, 9, 0, 0, 1, "f02_map.s", 0, 9, 2, 1, 0},   {1, 9, 0, 0, 1, "f02_map.s", -1, 9, 2, 1, 0},
        {10, 23, 59, 0, 1, "f02_01.s", 8, 0, 1, 1, 1}, {10, 12, 30, 1, 2, "f02_20.s", 8, 12, 32, 20, 1},
    };
    for (const auto& c : cases) {
        engine().m_timeGauge = static_cast<int8_t>(c.gauge);
        engine().m_clockHour = static_cast<uint8_t>(c.hour);
        engine().m_clockMinute = static_cast<uint8_t>(c.minute);
        engine().m_mapPage = static_cast<uint8_t>(c.page);
        engine().m_place = 0;
        engine().m_investActive = 1;
        engine().m_msgStep = 0;
        game().scene = kSceneMap;
        Enter();
        ClickOn(Place(c.page, c.index));
        EXPECT_EQ(game().scene, kSceneScript) << c.script;
        EXPECT_EQ(LoadedScript(), c.script);
        EXPECT_EQ(engine().m_timeGauge, c.wantGauge) << c.script;
        EXPECT_EQ(engine().m_clockHour, c.wantHour) << c.script;
        EXPECT_EQ(engine().m_clockMinute, c.wantMinute) << c.script;
        EXPECT_EQ(engine().m_place, c.wantPlace) << c.script;
        EXPECT_EQ(engine().m_investActive, c.wantActive) << c.script;
        EXPECT_EQ(engine().m_msgStep, 0);
        for (int slot : {1, 2, 3, 10})
            EXPECT_EQ(g_Layers[slot], nullptr) << slot;
        // The place script starts over the map as it was left, the picked place lit.
        EXPECT_EQ(Picture(g_Layers[0]), Picture(g_ScreenSurface));
        EXPECT_EQ(Centre(Place(c.page, c.index)), c.page == 0 ? kHover1 : kHover2);
    }
}

TEST_F(MapScreen, ReturnPicksThePlaceUnderTheCursor) {
    WritePlainScript("f02_05.s");
    Enter();
    MouseOn(Place(0, 5));
    Step();
    g_pMouse->state.left = 1; // what Return sets
    Step();
    Step();
    EXPECT_EQ(LoadedScript(), "f02_05.s");
    EXPECT_EQ(game().scene, kSceneScript);
}

TEST_F(MapScreen, AMissingPlaceScriptSpendsNothingAndGoesBack) {
    Enter();
    ClickOn(Place(0, 7));
    EXPECT_EQ(game().scene, kSceneCommand);
    EXPECT_EQ(engine().m_timeGauge, 10);
    EXPECT_EQ(engine().m_clockMinute, 58);
    EXPECT_EQ(engine().m_place, 0);
    EXPECT_FALSE(boxes().empty()) << "the missing script is reported";
}

TEST_F(MapScreen, RightClickOrExitGoesBackToTheCommandScreenWithTheEntryPicture) {
    WritePlainScript("f02_01.s");
    g_ScreenSurface->FillRect(100, 100, 50, 50, 0x123456);
    const std::vector<uint32_t> entry = Picture(g_ScreenSurface);
    // A right press (what Escape sets) wins over a left press (Return) in the same frame.
    const struct {
        const char* what;
        int left; // 0 none, 1 on place 1, 2 on the exit button
        bool right;
    } cases[] = {
        {"right", 0, true}, {"exit", 2, false}, {"place and right", 1, true}, {"exit and right", 2, true}};
    for (const auto& c : cases) {
        engine().m_msgStep = 0;
        game().scene = kSceneMap;
        Enter();
        MouseOn(c.left == 1 ? Place(0, 1) : engine().m_mapButtonRects[2]);
        if (c.left == 0)
            MouseAt(5, 5);
        Step();
        g_pMouse->state.left = c.left != 0 ? 1 : 0;
        g_pMouse->state.right = c.right ? 1 : 0;
        Step();
        Step();
        EXPECT_EQ(game().scene, kSceneCommand) << c.what;
        EXPECT_EQ(engine().m_msgStep, 0);
        EXPECT_EQ(engine().m_timeGauge, 10) << c.what;
        EXPECT_EQ(engine().m_clockMinute, 58) << c.what;
        EXPECT_EQ(engine().m_place, 0) << c.what;
        EXPECT_EQ(g_pMouse->state.right, 0);
        EXPECT_EQ(Picture(g_ScreenSurface), entry) << c.what;
        EXPECT_EQ(g_Layers[10], nullptr);
    }
}

TEST_F(MapScreen, TheTabsSwitchPagesAndTheMarkerFollowsItsPage) {
    engine().m_place = 19; // place 1 of page 2
    Enter();
    const RECT p2 = Place(1, 1);
    const int mx = (p2.left + p2.right) / 2;
    const int my = (p2.top + p2.bottom) / 2;
    EXPECT_NE(PixelAt(g_ScreenSurface, mx, my), kMarker) << "the marker waits for its page";
    MouseOn(engine().m_mapButtonRects[0]);
    Step();
    EXPECT_EQ(engine().m_hoverRow, 0) << "the tab of the page shown is not a button";
    ClickOn(engine().m_mapButtonRects[1]);
    EXPECT_EQ(engine().m_mapPage, 1);
    EXPECT_EQ(game().scene, kSceneMap);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 10, 300), kMap2);
    EXPECT_EQ(PixelAt(g_ScreenSurface, mx, my), kMarker);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 900, 105), kTab2);
    MouseOn(p2);
    Step();
    EXPECT_EQ(engine().m_hoverFlag, 0) << "the current place is not taken";
    MouseOn(engine().m_mapButtonRects[2]);
    Step();
    EXPECT_EQ(PixelAt(g_ScreenSurface, 960, 35), kExitLook);
}
