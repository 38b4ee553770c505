// The button bar: what each button does in the message window and on the interactive screens, the
// scenes and return scenes it leaves for, SKIP and AUTO, voice replay, hiding the window, and the
// right click.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script/script_fixture.h"
#include "sound/snd_mng.h"

using kestrel::test::ScriptTest;

namespace {

std::vector<uint8_t> Pixels(CDIB32* s) {
    std::vector<uint8_t> out;
    for (int y = 0; y < s->GetHeight(); ++y) {
        const uint8_t* row = s->GetPixelAddress(0, y);
        out.insert(out.end(), row, row + s->GetWidth() * 4);
    }
    return out;
}

class ButtonBar : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        mouse_ = new CMouse();
        keyboard_ = new CKeyboard();
        g_pMouse = mouse_;
        g_pKeyboard = keyboard_;
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0], &g_Layers[66]}) {
            ReplaceSurface(*slot, new CDIB32(SurfaceImpl::Plain));
            (*slot)->Create(nullptr, 1024, 576, 24);
        }
        // Layer 0: the picture; the screen: the picture with a window band over it.
        g_Layers[0]->FillRect(0, 0, 1024, 576, 0x224466);
        g_Layers[66]->FillRect(0, 0, 1024, 576, 0x113355);
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x224466);
        g_ScreenSurface->FillRect(0, 448, 1024, 128, 0x808080);
        g_ScreenSurface->FillRect(300, 100, 50, 50, 0xFF0000);
        game().scene = kSceneMessage;
        engine().m_msgStep = 3;
    }
    void TearDown() override {
        g_pMouse = nullptr;
        g_pKeyboard = nullptr;
        delete mouse_;
        delete keyboard_;
        DeleteAllPlayers();
        for (CDIB32** slot : {&g_ScreenSurface, &g_Layers[0], &g_Layers[66]})
            ReplaceSurface(*slot, nullptr);
        for (CDIB32*& s : g_pScriptUiSurfaces)
            ReplaceSurface(s, nullptr);
        ScriptTest::TearDown();
    }

    // Presses button `b` in the message window and runs its action.
    void ClickMsg(uint8_t b) {
        mouse_->state.left = 1;
        engine().MsgWndButtonInput(b, 0);
        engine().MsgWndButtonAction(b);
    }
    void ClickScreen(uint8_t b) {
        mouse_->state.left = 1;
        engine().ScreenButtonInput(b);
        engine().ScreenButtonAction(b);
    }

    CMouse* mouse_ = nullptr;
    CKeyboard* keyboard_ = nullptr;
};

} // namespace

TEST_F(ButtonBar, EachOverlayButtonLeavesWithTheMessageSceneToReturnTo) {
    struct Case {
        uint8_t button;
        uint8_t style;
        SceneId scene;
        bool fromGame;
        bool snapshot;
    };
    const Case cases[] = {
        {3, 0, kSceneSave, true, true},    {4, 0, kSceneLoad, true, true},
        {5, 0, kSceneConfig, true, true},  {6, 0, kSceneExit, false, false},
        {7, 0, kSceneNote, false, true},   {10, 0, kSceneBacklog, true, true},
        {9, 1, kSceneBacklog, true, true}, {10, 1, kSceneBacklog, true, true},
        {3, 2, kSceneSave, true, true},    {7, 2, kSceneNote, false, true},
    };
    for (const Case& c : cases) {
        game().scene = kSceneMessage;
        game().returnScene = 0;
        engine().m_windowStyle = c.style;
        engine().m_fromGame = 0;
        engine().m_hoverButton = c.button;
        ReplaceSurface(g_pScriptUiSurfaces[kUiSnapshot], nullptr);
        ClickMsg(c.button);
        EXPECT_EQ(game().scene, c.scene) << int(c.button) << " style " << int(c.style);
        EXPECT_EQ(game().returnScene, kSceneMessage) << int(c.button);
        EXPECT_EQ(engine().m_fromGame, c.fromGame ? 1 : 0) << int(c.button);
        EXPECT_EQ(g_pScriptUiSurfaces[kUiSnapshot] != nullptr, c.snapshot) << int(c.button);
        EXPECT_EQ(engine().m_btnHeld, 0);
        EXPECT_EQ(engine().m_hoverButton, 0);
        EXPECT_EQ(mouse_->state.left, 0);
    }
}

TEST_F(ButtonBar, SaveTakesASecondSnapshotAndTheFirstLosesTheWindow) {
    ReplaceSurface(g_pScriptUiSurfaces[kUiWindow], new CDIB32(SurfaceImpl::Plain));
    g_pScriptUiSurfaces[kUiWindow]->Create(nullptr, 1024, 128, 24);
    const std::vector<uint8_t> screen = Pixels(g_ScreenSurface);
    ClickMsg(3);
    ASSERT_NE(g_pScriptUiSurfaces[kUiSnapshot2], nullptr);
    EXPECT_EQ(Pixels(g_pScriptUiSurfaces[kUiSnapshot2]), screen);
    CDIB32* snap = g_pScriptUiSurfaces[kUiSnapshot];
    ASSERT_NE(snap, nullptr);
    EXPECT_EQ(std::memcmp(snap->GetPixelAddress(0, 500), g_Layers[0]->GetPixelAddress(0, 500), 4096), 0);
    EXPECT_EQ(std::memcmp(snap->GetPixelAddress(0, 120), g_ScreenSurface->GetPixelAddress(0, 120), 4096), 0);
}

TEST_F(ButtonBar, QuitWhileTypingOnlyConsumesTheClick) {
    engine().m_msgStep = 1;
    ClickMsg(6);
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(mouse_->state.left, 0);
    EXPECT_EQ(engine().m_btnHeld, 0);
}

TEST_F(ButtonBar, SkipAndAutoStayHeldUntilARightClick) {
    ClickMsg(1);
    EXPECT_EQ(engine().m_skipRead, 1);
    EXPECT_EQ(engine().m_btnHeld, 1);
    engine().MsgWndButtonAction(0);
    EXPECT_EQ(engine().m_btnHeldNo, 1);
    mouse_->state.left = 1;
    engine().MsgWndButtonInput(2, 0);
    EXPECT_EQ(engine().m_btnHeldNo, 1) << "no second press while one is held";
    mouse_->state.right = 1;
    engine().MsgWndButtonInput(0, 0);
    EXPECT_EQ(engine().m_skipRead, 0);
    EXPECT_EQ(engine().m_btnHeld, 0);
    EXPECT_EQ(mouse_->state.right, 0);

    ClickMsg(2);
    EXPECT_EQ(engine().m_autoMode, 1);
    // Any click while AUTO runs only stops it.
    engine().m_windowFrame = 1;
    mouse_->state.left = 1;
    engine().MsgWndRightClick();
    EXPECT_EQ(engine().m_autoMode, 0);
    EXPECT_EQ(mouse_->state.left, 0);
}

TEST_F(ButtonBar, ScreenBarTogglesSkipAndAuto) {
    game().scene = kSceneChoice;
    ClickScreen(1);
    EXPECT_EQ(engine().m_skipRead, 1);
    EXPECT_EQ(engine().m_btnHeld, 1);
    ClickScreen(1);
    EXPECT_EQ(engine().m_skipRead, 0);
    EXPECT_EQ(engine().m_btnHeld, 0);
    ClickScreen(2);
    EXPECT_EQ(engine().m_autoMode, 1);
    ClickScreen(2);
    EXPECT_EQ(engine().m_autoMode, 0);
    EXPECT_EQ(game().scene, kSceneChoice);
    // The screen bar's 7 and 9 do not depend on the window style.
    engine().m_windowStyle = 1;
    ClickScreen(7);
    EXPECT_EQ(game().scene, kSceneNote);
    EXPECT_EQ(game().returnScene, kSceneChoice);
}

TEST_F(ButtonBar, VoiceReplayPlaysTheNewestVoiceAtItsSpeakersVolume) {
    for (int i = 0; i < 18; ++i)
        g_SystemData.voiceVolumes[i] = static_cast<uint8_t>(30 + i);
    game().PushBacklog("a", "", "kyo001.ogg");
    ClickMsg(8);
    EXPECT_EQ(game().scene, kSceneMessage);
    ASSERT_NE(g_VoicePlayers[0], nullptr);
    EXPECT_EQ(g_VoiceVolume.load(), 31u);
    game().PushBacklog("b", "", "zzz001.ogg");
    engine().m_windowStyle = 1;
    engine().m_hoverButton = 7;
    ClickMsg(7);
    EXPECT_EQ(game().scene, kSceneMessage) << "style 1: button 7 is voice replay";
    EXPECT_EQ(g_VoiceVolume.load(), 41u) << "a speaker in no table plays at entry 11";
    EXPECT_EQ(engine().m_hoverButton, 7);
    // Nothing to replay: the button is only released.
    DeleteAllPlayers();
    game().PushBacklog("c", "", "");
    ClickMsg(7);
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
    EXPECT_EQ(engine().m_btnHeld, 0);
}

TEST_F(ButtonBar, HidingAndShowingTheWindowRestoresTheScreen) {
    // The choice scene's bar hides the window; the next click shows it again.
    Start("BeginChoice\nAddChoice a, \"x\"\nAddChoice a, \"y\"\nChoice 0\nExitToMenu\na: ExitToMenu\n");
    ASSERT_EQ(RunUntilWait(), kSceneChoice);
    engine().m_msgStep = 0;
    engine().ModeChoice();
    const std::vector<uint8_t> before = Pixels(g_ScreenSurface);
    ClickScreen(9);
    EXPECT_EQ(engine().m_windowHidden, 1);
    EXPECT_EQ(Pixels(g_ScreenSurface), Pixels(g_Layers[0]));
    EXPECT_EQ(game().scene, kSceneChoice);
    mouse_->state.left = 1;
    engine().ModeChoice();
    EXPECT_EQ(engine().m_windowHidden, 0);
    EXPECT_EQ(Pixels(g_ScreenSurface), before);
    EXPECT_EQ(engine().m_msgStep, 1);
}

TEST_F(ButtonBar, HidingWithTheButtonKeepsTheMarksOnThePicture) {
    // A white mark stands at (300, 200) on the shown window; the bar's button hides the window.
    auto* sheet = new CDIB32(SurfaceImpl::Plain);
    sheet->Create(nullptr, 58, 58, 32);
    for (int32_t y = 0; y < 58; ++y)
        for (int32_t x = 0; x < 58; ++x)
            std::memset(sheet->GetPixelAddress(x, y), 0xFF, 4);
    PlaceMark(0, sheet, 1, 300, 200, 58);
    engine().m_redrawWindow = 1;
    ClickMsg(9);
    ASSERT_EQ(engine().m_windowHidden, 1);
    for (int frame = 0; frame < 2; ++frame) {
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
        engine().ComposeMsgScene();
        uint32_t centre, window;
        std::memcpy(&centre, g_ScreenSurface->GetPixelAddress(329, 229), 4);
        std::memcpy(&window, g_ScreenSurface->GetPixelAddress(500, 500), 4);
        EXPECT_GE(centre & 0xFF, 0xF0u) << "the mark, frame " << frame;
        EXPECT_EQ(window & 0xFFFFFF, 0x224466u) << "the picture, no window, frame " << frame;
    }
}

TEST_F(ButtonBar, VerticalStyleHidesOverThePictureWithoutText) {
    engine().m_windowStyle = 1;
    keyboard_->space = 1;
    engine().m_clickWaitShown = 1;
    ClickMsg(8);
    EXPECT_EQ(engine().m_windowHidden, 1);
    EXPECT_EQ(engine().m_clickWaitShown, 0);
    EXPECT_EQ(keyboard_->space, 0);
    EXPECT_EQ(Pixels(g_ScreenSurface), Pixels(g_Layers[66]));
    ASSERT_NE(g_pScriptUiSurfaces[kUiSnapshot], nullptr);
    EXPECT_EQ(Pixels(g_pScriptUiSurfaces[kUiSnapshot]), Pixels(g_Layers[0]));
}

TEST_F(ButtonBar, RightClickOpensTheNotebookOnlyWhenTheOptionsAllow) {
    engine().m_windowFrame = 1;
    mouse_->state.right = 1;
    engine().MsgWndRightClick(); // option byte at its default 1
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(mouse_->state.right, 1) << "left for other handlers";

    g_SystemData.rightClickMode = 0;
    engine().m_windowStyle = 1;
    engine().MsgWndRightClick();
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(mouse_->state.right, 0) << "consumed without the notebook";

    engine().m_windowStyle = 0;
    mouse_->state.right = 1;
    engine().MsgWndRightClick();
    EXPECT_EQ(game().scene, kSceneNote);
    EXPECT_EQ(game().returnScene, kSceneMessage);
    EXPECT_NE(g_pScriptUiSurfaces[kUiSnapshot], nullptr);
    g_SystemData.rightClickMode = 1;
}
