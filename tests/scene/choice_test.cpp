// The choice scene driven frame by frame: panels laid out by count, picks by mouse, keys and wheel,
// the backlog row, the taken-choices record and the jump to the chosen target.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"

using kestrel::test::ScriptTest;

namespace {

class ChoiceScene : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        mouse_ = new CMouse();
        keyboard_ = new CKeyboard();
        g_pMouse = mouse_;
        g_pKeyboard = keyboard_;
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0]}) {
            ReplaceSurface(*slot, new CDIB32(SurfaceImpl::Plain));
            (*slot)->Create(nullptr, 1024, 576, 24);
        }
        g_Layers[0]->FillRect(0, 0, 1024, 576, 0x203040);
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x102030);
        std::memset(g_SystemData.takenChoices, 0, sizeof g_SystemData.takenChoices);
    }
    void TearDown() override {
        g_pMouse = nullptr;
        g_pKeyboard = nullptr;
        delete mouse_;
        delete keyboard_;
        ReplaceSurface(g_ScreenSurface, nullptr);
        ReplaceSurface(g_Layers[0], nullptr);
        ScriptTest::TearDown();
    }

    // Three choices (or two) of set `set`; the targets set variable 1 to the choice number.
    void StartChoice(int set, int count = 3) {
        std::string src = "BeginChoice\nAddChoice a, \"\xE7\x94\xB2\"\nAddChoice b, \"\xE4\xB9\x99\"\n";
        if (count == 3)
            src += "AddChoice c, \"\xE4\xB8\x99\"\n";
        src += "Choice " + std::to_string(set) +
               "\nExitToMenu\na: SetVar 1, 1\nExitToMenu\nb: SetVar 1, 2\nExitToMenu\nc: SetVar 1, "
               "3\nExitToMenu\n";
        Start(src);
        ASSERT_EQ(RunUntilWait(), kSceneChoice);
        engine().m_vars[1] = 0;
        engine().m_msgStep = 0; // as a finished scene leaves it
        engine().ModeChoice();  // step 0
        ASSERT_EQ(engine().m_msgStep, 1);
    }
    void Hover(int choice) {
        const RECT& r = engine().m_choiceRects[choice - 1];
        mouse_->state.x = (r.left + r.right) / 2;
        mouse_->state.y = (r.top + r.bottom) / 2;
    }
    // Clicks, then runs the scene out and the script to its next stop; returns variable 1.
    int ClickAndFollow() {
        mouse_->state.left = 1;
        for (int i = 0; i < 5 && game().scene == kSceneChoice; ++i)
            engine().ModeChoice();
        EXPECT_EQ(game().scene, kSceneScript);
        RunUntilWait();
        return engine().m_vars[1];
    }
    std::string NewestBacklogText() { return game().backlogText[(game().backlogCount - 1) % kBacklogRows]; }

    CMouse* mouse_ = nullptr;
    CKeyboard* keyboard_ = nullptr;
};

// "※　" and "　※" around the choice text in the backlog.
std::string Marked(const char* gbk) {
    return std::string("\xA1\xF9\xA1\xA1") + gbk + "\xA1\xA1\xA1\xF9";
}
const char* const kTextsGbk[] = {"\xBC\xD7", "\xD2\xD2", "\xB1\xFB"}; // 甲 乙 丙

uint32_t PixelAt(int32_t x, int32_t y) {
    uint32_t p;
    std::memcpy(&p, g_ScreenSurface->GetPixelAddress(x, y), 4);
    return p & 0xFFFFFF;
}

} // namespace

TEST_F(ChoiceScene, PanelsFollowTheCount) {
    StartChoice(1, 2);
    EXPECT_EQ(engine().m_choiceRects[0].top, 157);
    EXPECT_EQ(engine().m_choiceRects[1].top, 233);
    StartChoice(1, 3);
    EXPECT_EQ(engine().m_choiceRects[0].top, 90);
    EXPECT_EQ(engine().m_choiceRects[1].top, 166);
    EXPECT_EQ(engine().m_choiceRects[2].top, 242);
    EXPECT_EQ(engine().m_choiceRects[2].left, 256);
    EXPECT_EQ(engine().m_choiceRects[2].right, 760);
    EXPECT_EQ(engine().m_choiceRects[2].bottom, 309);
}

TEST_F(ChoiceScene, EachChoiceByMouseJumpsRecordsAndLogs) {
    for (int choice = 1; choice <= 3; ++choice) {
        StartChoice(7);
        const uint32_t count = game().backlogCount;
        Hover(choice);
        engine().ModeChoice();
        EXPECT_EQ(engine().m_choiceHover, choice);
        EXPECT_EQ(ClickAndFollow(), choice);
        EXPECT_EQ(g_SystemData.takenChoices[7 * 3 + choice - 1], 1) << choice;
        EXPECT_EQ(game().backlogCount, count + 1);
        EXPECT_EQ(NewestBacklogText(), Marked(kTextsGbk[choice - 1]));
        EXPECT_EQ(game().backlogVoice[(game().backlogCount - 1) % kBacklogRows][0], '\0');
    }
    int set = 0;
    for (uint8_t b : g_SystemData.takenChoices)
        set += b;
    EXPECT_EQ(set, 3) << "only the three bytes of set 7";
}

TEST_F(ChoiceScene, KeysAndWheelStepThroughThePanels) {
    // Down from no panel selects the last one.
    StartChoice(2);
    mouse_->state.x = mouse_->state.y = 0;
    keyboard_->down = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 3);
    EXPECT_EQ(keyboard_->down, 0);
    // Down past the last wraps to the first; the cursor followed the keys.
    keyboard_->down = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 1);
    EXPECT_EQ(ClickAndFollow(), 1);

    // Up from no panel selects the first, up from the first the last.
    StartChoice(2);
    mouse_->state.x = mouse_->state.y = 0;
    keyboard_->up = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 1);
    keyboard_->up = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 3);
    EXPECT_EQ(ClickAndFollow(), 3);
    EXPECT_EQ(g_SystemData.takenChoices[2 * 3 + 2], 1);

    // The wheel towards the user steps down.
    StartChoice(2);
    mouse_->state.x = mouse_->state.y = 0;
    mouse_->wheel = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 3);
    EXPECT_EQ(mouse_->wheel, 0);
    mouse_->wheel = 1;
    engine().ModeChoice();
    EXPECT_EQ(ClickAndFollow(), 1);
}

TEST_F(ChoiceScene, SetBeyondTheRecordWritesNothing) {
    StartChoice(100);
    Hover(2);
    engine().ModeChoice();
    EXPECT_EQ(ClickAndFollow(), 2);
    for (uint8_t b : g_SystemData.takenChoices)
        EXPECT_EQ(b, 0);
    StartChoice(255);
    Hover(3);
    engine().ModeChoice();
    EXPECT_EQ(ClickAndFollow(), 3);
    EXPECT_EQ(NewestBacklogText(), Marked(kTextsGbk[2]));
}

TEST_F(ChoiceScene, AClickOutsideThePanelsPicksNothing) {
    StartChoice(3);
    mouse_->state.x = 10;
    mouse_->state.y = 10;
    mouse_->state.left = 1;
    engine().ModeChoice();
    EXPECT_EQ(game().scene, kSceneChoice);
    EXPECT_EQ(engine().m_msgStep, 1);
}

TEST_F(ChoiceScene, TheFullBacklogDropsItsOldestRow) {
    for (uint32_t i = 0; i < kBacklogMax; ++i)
        game().PushBacklog(std::to_string(i).c_str(), "", "");
    StartChoice(4);
    Hover(1);
    engine().ModeChoice();
    ClickAndFollow();
    EXPECT_EQ(game().backlogCount, kBacklogMax);
    EXPECT_STREQ(game().backlogText[0], "1");
    EXPECT_EQ(NewestBacklogText(), Marked(kTextsGbk[0]));
}

TEST_F(ChoiceScene, KeyboardModeGlidesOntoTheFirstPanel) {
    g_SystemData.keyboardMode = 1;
    Start("BeginChoice\nAddChoice a, \"x\"\nAddChoice a, \"y\"\nChoice 0\nExitToMenu\na: ExitToMenu\n");
    ASSERT_EQ(RunUntilWait(), kSceneChoice);
    engine().ModeChoice();
    EXPECT_EQ(engine().m_msgStep, 6);
    clock_.clock().Advance(200);
    mouse_->state.left = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_msgStep, 1);
    EXPECT_EQ(mouse_->state.left, 0);
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 1) << "the cursor rests on the first panel";
    g_SystemData.keyboardMode = 0;
}

// A right click hides the window in the bottom and the vertical styles (the screen shows layer 0) and
// the next click brings the same screen back; over the caption band it hides nothing.
TEST_F(ChoiceScene, RightClickHidesTheWindowAndAClickBringsTheSameScreenBack) {
    for (uint8_t style : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "style " << int{style});
        engine().m_windowStyle = style;
        StartChoice(5);
        mouse_->state.x = mouse_->state.y = 0;
        engine().ModeChoice();
        std::vector<uint8_t> before;
        for (int y = 0; y < 576; ++y)
            before.insert(before.end(), g_ScreenSurface->GetPixelAddress(0, y),
                          g_ScreenSurface->GetPixelAddress(0, y) + 4096);
        g_SystemData.rightClickMode = 1;
        mouse_->state.right = 1;
        engine().ModeChoice();
        const bool hides = style != 2;
        EXPECT_EQ(engine().m_windowHidden, hides ? 1 : 0);
        EXPECT_EQ(std::memcmp(g_ScreenSurface->GetPixelAddress(0, 100),
                              (hides ? g_Layers[0]->GetPixelAddress(0, 100) : before.data() + 100 * 4096),
                              4096),
                  0);
        if (hides) {
            mouse_->state.left = 1;
            engine().ModeChoice();
            EXPECT_EQ(engine().m_windowHidden, 0);
            EXPECT_EQ(mouse_->state.left, 0) << "the click only shows the window";
        }
        EXPECT_EQ(game().scene, kSceneChoice);
        for (int y = 0; y < 576; ++y)
            ASSERT_EQ(std::memcmp(g_ScreenSurface->GetPixelAddress(0, y), before.data() + y * 4096, 4096), 0)
                << y;
    }
    engine().m_windowStyle = 0;
}

// The hovered panel lights up on the sparkles' tick, once more than 54 ms have passed: its highlighted
// cell drawn with its alpha and then screen-blended at level 255.
TEST_F(ChoiceScene, TheHoveredPanelLightsOnTheTickScreenBlended) {
    constexpr uint32_t kNormal = 0x405060, kLit = 0xC08040;
    auto* panels = new CDIB32(SurfaceImpl::Plain);
    panels->Create(nullptr, 504, 134, 32);
    panels->FillRect(0, 0, 504, 67, 0xFF000000 | kNormal);
    panels->FillRect(0, 67, 504, 67, 0xFF000000 | kLit);
    ReplaceSurface(g_pScriptUiSurfaces[kUiSelectBase], panels);
    StartChoice(6, 2);
    const RECT r = engine().m_choiceRects[0];
    EXPECT_EQ(PixelAt(r.left + 2, r.top + 2), kNormal);
    Hover(1);
    clock_.clock().Advance(10);
    engine().ModeChoice();
    EXPECT_EQ(engine().m_choiceHover, 1);
    EXPECT_EQ(PixelAt(r.left + 2, r.top + 2), kNormal) << "before the tick";
    clock_.clock().Advance(50);
    engine().ModeChoice();
    uint32_t screened = 0;
    for (int c = 0; c < 24; c += 8) {
        const uint32_t s = (kLit >> c) & 0xFF;
        screened |= (255 - ((255 - s) * (255 - s) >> 8)) << c;
    }
    EXPECT_EQ(PixelAt(r.left + 2, r.top + 2), screened);
}

// The bottom window shows under the panels in the styles that have one; over a vertical page or a
// caption the band shows the picture.
TEST_F(ChoiceScene, TheBottomWindowShowsUnderThePanelsInTheStylesThatHaveOne) {
    constexpr uint32_t kText = 0x777777, kPlate = 0x445566;
    PaintWindowBand(kText, kPlate);
    for (uint8_t style : {0, 1, 2}) {
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        StartChoice(1);
        engine().ModeChoice();
        EXPECT_EQ(PixelAt(100, 500), style == 0 ? kPlate : 0x203040u);
        EXPECT_EQ(PixelAt(500, 500), style == 0 ? kText : 0x203040u);
    }
}
