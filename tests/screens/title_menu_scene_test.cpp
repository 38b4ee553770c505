#include "screens/title_menu_scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/window.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_asm.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"
#include "writers/bitmap_writer.h"

using namespace screentest;

namespace {

constexpr RECT kButtons[5] = {
    {259, 491, 334, 515}, {372, 491, 437, 515}, {468, 491, 555, 515},
    {586, 491, 692, 515}, {726, 491, 778, 515},
};

// The first script, as stored (every byte inverted).
const std::vector<uint8_t> kStartScript = {0x01, 0x04, 0x00, 0x00, 0x0D, 0x06, 0x10, 0x20};

std::vector<uint8_t> Inverted(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    for (uint8_t b : bytes) {
        out.push_back(static_cast<uint8_t>(~b));
    }
    return out;
}

// A runtime with the title pictures and the first script in the game folder, in scene 1.
struct MenuRuntime : ScreenRuntime {
    explicit MenuRuntime(uint8_t level = 0) {
        WriteTitlePictures(folder());
        folder().WriteFile("script/start.s", Inverted(kStartScript));
        if (level == 1) {
            g_SystemData.endingFlags[3] = 1;
        } else if (level == 2) {
            g_SystemData.endingFlags[15] = 1;
        }
        g_pGameMain->scene = kSceneTitleMenu;
    }

    CTitleMenuScene* menu() const { return g_pTitleMenuScene; }

    // Frames until the menu takes input; false when it never does.
    bool RunToInput() {
        for (int i = 0; i < 200; ++i) {
            g_pGameMain->Frame();
            if (menu() && menu()->state == 2) {
                return true;
            }
            clock().Advance(50);
        }
        return false;
    }

    // One frame with the mouse on button n's centre.
    void Hover(int n) {
        const RECT& r = kButtons[n - 1];
        MoveMouse((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        g_pGameMain->Frame();
    }

    // One frame with a key or wheel step; the platform then reports the cursor move.
    template <typename Fn>
    void Step(Fn press) {
        press();
        g_pGameMain->Frame();
        FollowWarp();
    }

    // Frames until the scene changes, the menu is quitting, or `limit` frames have run.
    int RunUntilSceneChanges(uint32_t frameMs, int limit = 1000) {
        int frames = 0;
        const uint8_t scene = g_pGameMain->scene;
        while (g_pGameMain->scene == scene && frames < limit && !(menu() && menu()->state == 10)) {
            g_pGameMain->Frame();
            clock().Advance(frameMs);
            ++frames;
        }
        return frames;
    }
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string StoredMusicName() {
    return g_pScriptMng->m_pBgmName ? g_pScriptMng->m_pBgmName : "";
}

// The scene each button leads to.
uint8_t TargetOf(int button) {
    switch (button) {
        case 1:
            return kSceneScript;
        case 2:
            return kSceneLoad;
        case 3:
            return kSceneConfig;
        case 4:
            return kSceneGallery;
        default:
            return kSceneTitleMenu; // quit keeps the scene; the window goes
    }
}

// After the act of `button`: the state each entry must leave.
void ExpectActed(MenuRuntime& rt, int button) {
    if (button == 5) {
        EXPECT_EQ(rt.menu()->state, 10);
        EXPECT_EQ(g_BgmPlayer, nullptr);
        // The window is destroyed by the pump after the frame, never inside it.
        EXPECT_TRUE(plat::IsWindow(rt.hwnd()));
        plat::Message msg;
        bool destroyed = false;
        while (plat::PeekMessage(msg)) {
            destroyed = destroyed || msg.msg == plat::Msg::Destroy;
            plat::DispatchMessage(msg);
        }
        EXPECT_TRUE(destroyed);
        EXPECT_FALSE(plat::IsWindow(rt.hwnd()));
        return;
    }
    EXPECT_EQ(g_pGameMain->scene, TargetOf(button)) << "button " << button;
    EXPECT_EQ(g_pScriptMng->m_menuFromGame, 0);
    EXPECT_EQ(g_pScriptMng->m_inReplay, button == 4 ? 1 : 0);
    EXPECT_EQ(g_pTitleMenuScene, nullptr); // deleted with the scene change
    for (int slot = 1; slot <= 10; ++slot) {
        EXPECT_EQ(g_Layers[slot], nullptr) << slot;
    }
    EXPECT_EQ(g_SePlayers[0], nullptr);
    if (button == 1) {
        EXPECT_STREQ(g_pGameMain->scriptName, "start.s");
        ASSERT_NE(g_pScriptMng->m_pScriptBase, nullptr);
        ASSERT_EQ(g_pScriptMng->m_scriptSize, kStartScript.size());
        EXPECT_EQ(std::memcmp(g_pScriptMng->m_pScriptBase, kStartScript.data(), kStartScript.size()), 0);
        EXPECT_EQ(g_pScriptMng->ScriptOffset(), 0u);
        EXPECT_EQ(g_BgmPlayer, nullptr);
        EXPECT_EQ(g_pScriptMng->m_pBgmName, nullptr);
        EXPECT_EQ(g_pMouse->GetState()->left, 0);
        EXPECT_EQ(g_pKeyboard->ctrl, 0);
    } else {
        EXPECT_NE(g_BgmPlayer, nullptr); // the title music goes on into the next screen
    }
}

} // namespace

TEST(TitleMenu, EnteringSavesTheSystemDataAndStartsTheTitleMusic) {
    MenuRuntime rt;
    g_SystemData.bgmVolume = 70;
    g_SystemData.windowTransparency = 45;
    g_pGameMain->Frame();
    const std::vector<uint8_t> saved = ReadFile(rt.folder().path() + "/save/Config.dat");
    ASSERT_EQ(saved.size(), kSystemDataSize);
    EXPECT_EQ(std::memcmp(saved.data(), &g_SystemData, kSystemDataSize), 0);
    EXPECT_EQ(saved[0x26], 45);
    EXPECT_NE(g_BgmPlayer, nullptr);
    EXPECT_EQ(g_BgmVolume.load(), 70u);
    EXPECT_EQ(StoredMusicName(), "bgm09.ogg");
    EXPECT_EQ(g_pGameMain->progressLevel, 0);
    EXPECT_EQ(PixelOf(g_Layers[1], 700, 100) & 0xFFFFFF, TitleBackgroundPixel(700, 100, 0));
    EXPECT_EQ(PixelOf(g_Layers[10], 700, 100) & 0xFFFFFF, TitleBackgroundPixel(700, 100, 0));
    EXPECT_EQ(g_Layers[2]->GetWidth(), 128);
}

TEST(TitleMenu, ProgressLevelPicksThePicturesAndTheMusic) {
    for (uint8_t level = 0; level <= 2; ++level) {
        MenuRuntime rt(level);
        g_pGameMain->Frame();
        EXPECT_EQ(g_pGameMain->progressLevel, level);
        EXPECT_EQ(PixelOf(g_Layers[1], 40, 500) & 0xFFFFFF, TitleBackgroundPixel(40, 500, level)) << +level;
        EXPECT_EQ(StoredMusicName(), level == 2 ? "op_arr01.ogg" : "bgm09.ogg") << +level;
    }
    EXPECT_STREQ(CTitleMenuScene::PartsFor(2), "system\\title_p02.bmp");
    EXPECT_STREQ(CTitleMenuScene::PartsFor(1), "system\\title_p.bmp");
}

TEST(TitleMenu, TitleMusicPlaysAndFadesOutForNewGame) {
    MenuRuntime rt;
    ASSERT_TRUE(rt.EnableSound());
    ASSERT_TRUE(rt.RunToInput());
    ASSERT_NE(g_BgmPlayer, nullptr);
    EXPECT_FALSE(g_BgmPlayer->IsStoppedChannel());
    EXPECT_FALSE(g_BgmPlayer->IsFading());
    EXPECT_EQ(g_pScriptMng->m_bgmStarted, 1);
    rt.Hover(1);
    rt.PressLeft();
    g_pGameMain->Frame();
    ASSERT_EQ(rt.menu()->state, 4);
    EXPECT_FALSE(g_SePlayers[0]->IsStopped()); // the click
    EXPECT_TRUE(g_BgmPlayer->IsFading());
    EXPECT_EQ(g_pScriptMng->m_bgmStarted, 0);
    rt.RunUntilSceneChanges(200);
    EXPECT_EQ(g_pGameMain->scene, kSceneScript);
    EXPECT_EQ(g_BgmPlayer, nullptr);
}

TEST(TitleMenu, LoadKeepsTheTitleMusicWithoutAFade) {
    MenuRuntime rt;
    ASSERT_TRUE(rt.EnableSound());
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(2);
    rt.PressLeft();
    g_pGameMain->Frame();
    ASSERT_NE(g_BgmPlayer, nullptr);
    EXPECT_FALSE(g_BgmPlayer->IsFading());
    EXPECT_EQ(g_pScriptMng->m_bgmStarted, 1);
}

TEST(TitleMenu, MusicOffStartsNoMusic) {
    MenuRuntime rt;
    g_SystemData.bgmOff = 1;
    g_BgmPlayer = new CBgmplay(); // music of the game that ended
    g_pGameMain->Frame();
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(g_pScriptMng->m_pBgmName, nullptr);
}

TEST(TitleMenu, EnteringRestartsTheMusicThatWasPlaying) {
    MenuRuntime rt;
    CBgmplay* old = new CBgmplay();
    g_BgmPlayer = old;
    g_pGameMain->Frame();
    ASSERT_NE(g_BgmPlayer, nullptr);
    EXPECT_EQ(StoredMusicName(), "bgm09.ogg");
}

TEST(TitleMenu, EnteringReturnsTheGameStateToAFreshStart) {
    MenuRuntime rt;
    CScriptMng& s = *g_pScriptMng;
    s.m_vars[17] = 5;
    s.m_windowFrame = 1;
    s.m_windowStyle = 2;
    s.m_inReplay = 1;
    s.m_autoMode = 1;
    s.m_skipRead = 1;
    s.m_skipAll = 1;
    s.m_msgStep = 4;
    s.m_clockHour = 13;
    s.m_clockMinute = 40;
    s.m_timeGauge = 7;
    s.m_mapPage = 1;
    s.m_bgRestored = 1;
    s.m_transFlag = 1;
    s.m_list2.count = 3;
    s.m_keywordKnown[2][5] = 1;
    s.m_noteMarks[100] = 1;
    s.m_valueTable[3] = 9;
    s.m_chapterTable[2][4] = 1;
    s.m_bgmStarted = 0;
    s.m_hoverButton = 3; // the pointer was on a window button when the story ended
    s.m_prevHoverButton = 3;
    std::strcpy(s.m_plainText, "text");
    g_pGameMain->PushBacklog("line", "who", "v001.ogg");
    std::strcpy(g_pGameMain->seName, "se\\rain.ogg");
    for (int slot = 0; slot <= 4; ++slot) {
        g_SePlayers[slot] = new CSeplay();
    }
    g_pGameMain->Frame();
    EXPECT_EQ(s.m_vars[17], 0);
    EXPECT_EQ(s.m_windowFrame, 0);
    EXPECT_EQ(s.m_windowStyle, 0);
    EXPECT_EQ(s.m_inReplay, 0);
    EXPECT_EQ(s.m_autoMode, 0);
    EXPECT_EQ(s.m_skipRead, 0);
    EXPECT_EQ(s.m_skipAll, 0);
    EXPECT_EQ(s.m_msgStep, 0);
    EXPECT_EQ(s.m_hoverButton, 0);
    EXPECT_EQ(s.m_prevHoverButton, 0);
    EXPECT_EQ(s.m_clockHour, 0);
    EXPECT_EQ(s.m_clockMinute, 0);
    EXPECT_EQ(s.m_timeGauge, 0);
    EXPECT_EQ(s.m_mapPage, 0);
    EXPECT_EQ(s.m_bgRestored, 0);
    EXPECT_EQ(s.m_transFlag, 0);
    EXPECT_EQ(s.m_list2.count, 0);
    EXPECT_EQ(s.m_keywordKnown[2][5], 0);
    EXPECT_EQ(s.m_noteMarks[100], 0);
    EXPECT_EQ(s.m_valueTable[3], 0);
    EXPECT_EQ(s.m_chapterTable[2][4], 0);
    EXPECT_EQ(s.m_plainText[0], '\0');
    EXPECT_EQ(s.m_bgmStarted, 1);
    EXPECT_EQ(s.m_noteFlowChart, 1);
    EXPECT_EQ(g_pGameMain->backlogCount, 0u);
    EXPECT_EQ(g_pGameMain->backlogText[0][0], '\0');
    EXPECT_EQ(g_pGameMain->seName[0], '\0');
    for (int slot = 0; slot <= 3; ++slot) {
        EXPECT_EQ(g_SePlayers[slot], nullptr) << slot;
    }
    EXPECT_NE(g_SePlayers[4], nullptr); // the script's other channels are left alone
}

TEST(TitleMenu, ANewGameStartsWithNoSpeakerOnThePlainPlate) {
    // Back at the title during a named line in the framed window; the next game opens on narration.
    MenuRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    rt.folder().WriteBitmap32("system/window.bmp", 1024, 128, std::vector<uint32_t>(1024 * 128, 0xFF604020));
    rt.folder().WriteBitmap32("system/window_w.bmp", 160, 40, std::vector<uint32_t>(160 * 40, 0xFF801020));
    rt.folder().WriteBitmap32("system/window_w_2.bmp", 160, 40, std::vector<uint32_t>(160 * 40, 0xFF203080));
    for (int index : {kUiWindow, kUiFrame, kUiFrameWork}) {
        auto* picture = new CDIB32();
        picture->Load(rt.hwnd(), index == kUiWindow ? "system\\window.bmp" : "system\\window_w_2.bmp");
        ReplaceSurface(g_pScriptUiSurfaces[index], picture);
    }
    auto write = [&rt](const char* name, const char* text) {
        const kestrel::sasm::AsmResult script = kestrel::sasm::Assemble(text);
        ASSERT_TRUE(script.ok()) << kestrel::sasm::FormatErrors(script.errors);
        rt.folder().WriteFile(name, kestrel::sasm::InvertBytes(script.bytes));
    };
    write("script/named.s", "    WindowFrame 1\n    Message \"＃美咲\"\n    Message \"你好。\"\n");
    write("script/start.s", "    Message \"天亮了。\"\n    Message \"完。\"\n");
    g_SystemData.messageSpeed = 100;
    auto waiting = [&rt] {
        for (int i = 0; i < 300 && !(g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3);
             ++i) {
            rt.clock().Advance(20);
            g_pGameMain->Frame();
        }
        return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3;
    };
    ASSERT_NE(g_pScriptMng->LoadScript("named.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    ASSERT_TRUE(waiting());
    ASSERT_NE(g_pScriptMng->m_pNamePlateText, nullptr);

    g_pGameMain->scene = kSceneTitleMenu;
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(1);
    rt.PressLeft();
    g_pGameMain->Frame();
    rt.RunUntilSceneChanges(200);
    ASSERT_TRUE(waiting());
    CDIB32 plain;
    plain.Load(rt.hwnd(), "system\\window_w_2.bmp");
    EXPECT_TRUE(SurfaceWords(*g_NamePlateSurface) == SurfaceWords(plain));
}

TEST(TitleMenu, FadeInTakesHalfASecond) {
    MenuRuntime rt;
    g_pGameMain->Frame();
    ASSERT_EQ(rt.menu()->state, 1);
    const uint32_t start = rt.menu()->timer.start;
    rt.clock().Set(start + 250);
    g_pGameMain->Frame();
    EXPECT_EQ(rt.menu()->state, 1);
    EXPECT_EQ(rt.menu()->fadeLevel, 127);
    const uint32_t title = TitleBackgroundPixel(600, 300, 0);
    EXPECT_LE(ChannelDistance(PixelOf(g_ScreenSurface, 600, 300), Blend(0, title, 127)), 2);
    rt.clock().Set(start + 499);
    g_pGameMain->Frame();
    EXPECT_EQ(rt.menu()->state, 1);
    rt.clock().Set(start + 500);
    g_pGameMain->Frame();
    EXPECT_EQ(rt.menu()->state, 2);
    EXPECT_EQ(PixelOf(g_ScreenSurface, 600, 300) & 0xFFFFFF, title);
}

TEST(TitleMenu, ClickCtrlOrFadeCutEndsTheFadeIn) {
    for (int way = 0; way < 3; ++way) {
        MenuRuntime rt;
        g_pGameMain->Frame();
        rt.clock().Advance(10);
        if (way == 0) {
            rt.PressLeft();
        } else if (way == 1) {
            rt.SetCtrl(true);
        } else {
            g_pScriptMng->m_skipEffects = 1;
        }
        g_pGameMain->Frame();
        EXPECT_EQ(rt.menu()->state, 2) << way;
        EXPECT_EQ(g_pMouse->GetState()->left, 0) << way; // the click is taken by the fade
    }
}

TEST(TitleMenu, EveryEntryIsReachedByTheMouse) {
    for (int button = 1; button <= 5; ++button) {
        MenuRuntime rt(1); // the extras are open
        ASSERT_TRUE(rt.RunToInput());
        rt.Hover(button);
        EXPECT_EQ(rt.menu()->hovered, button);
        rt.PressLeft();
        g_pGameMain->Frame();
        ASSERT_EQ(rt.menu()->state, 4) << button;
        EXPECT_EQ(g_pMouse->GetState()->left, 0);
        EXPECT_NE(g_SePlayers[0], nullptr);          // the click sound
        EXPECT_EQ(PixelOf(g_Layers[0], 10, 10), 0u); // faded to black
        rt.RunUntilSceneChanges(200);
        ExpectActed(rt, button);
    }
}

TEST(TitleMenu, EveryEntryIsReachedByTheKeyboard) {
    for (int button = 1; button <= 5; ++button) {
        MenuRuntime rt(1);
        ASSERT_TRUE(rt.RunToInput());
        rt.MoveMouse(10, 10); // away from the buttons
        // Down from nothing selects quit, then wraps to new game and walks on.
        const int downs = button == 5 ? 1 : button + 1;
        for (int i = 0; i < downs; ++i) {
            rt.Step([&] { rt.PressDown(); });
        }
        EXPECT_EQ(rt.menu()->hovered, button);
        EXPECT_EQ(rt.backend().warpY, 491 + 15);
        g_pMouse->GetState()->left = 1; // Return
        rt.RunUntilSceneChanges(200);
        ExpectActed(rt, button);
    }
}

TEST(TitleMenu, EveryEntryIsReachedByTheWheel) {
    for (int button = 1; button <= 5; ++button) {
        MenuRuntime rt(1);
        ASSERT_TRUE(rt.RunToInput());
        rt.MoveMouse(10, 10);
        // Up from nothing selects new game, then wraps to quit and walks back.
        const int ups = button == 1 ? 1 : 1 + (6 - button);
        for (int i = 0; i < ups; ++i) {
            rt.Step([&] { rt.WheelUp(); });
        }
        EXPECT_EQ(rt.menu()->hovered, button);
        rt.PressLeft();
        rt.RunUntilSceneChanges(200);
        ExpectActed(rt, button);
    }
}

TEST(TitleMenu, KeysWrapAtBothEnds) {
    MenuRuntime rt(1);
    ASSERT_TRUE(rt.RunToInput());
    rt.MoveMouse(10, 10);
    rt.Step([&] { rt.PressUp(); });
    EXPECT_EQ(rt.menu()->hovered, 1);
    rt.Step([&] { rt.PressUp(); });
    EXPECT_EQ(rt.menu()->hovered, 5);
    rt.Step([&] { rt.PressDown(); });
    EXPECT_EQ(rt.menu()->hovered, 1);
    EXPECT_EQ(rt.backend().warpX, 259 + (334 - 259) / 2);
    EXPECT_EQ(g_pKeyboard->up, 0);
    EXPECT_EQ(g_pKeyboard->down, 0);
}

TEST(TitleMenu, WheelStepMovesOneButtonAndPauses) {
    MenuRuntime rt(1);
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(2);
    rt.WheelDown();
    uint32_t before = rt.clock().Now();
    rt.menu()->Dispatch(rt.hwnd());
    EXPECT_EQ(rt.clock().Now() - before, 200u);
    EXPECT_EQ(rt.menu()->hovered, 3);
    EXPECT_EQ(g_pMouse->wheel, 0);
    // A key step does not pause.
    rt.FollowWarp();
    rt.PressDown();
    before = rt.clock().Now();
    rt.menu()->Dispatch(rt.hwnd());
    EXPECT_EQ(rt.clock().Now() - before, 0u);
    EXPECT_EQ(rt.menu()->hovered, 4);
}

TEST(TitleMenu, ExtrasCannotBeChosenBeforeAnEnding) {
    MenuRuntime rt(0);
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(4);
    EXPECT_EQ(rt.menu()->hovered, 0);
    rt.PressLeft();
    g_pGameMain->Frame();
    EXPECT_EQ(rt.menu()->state, 2); // a click there does nothing
    EXPECT_EQ(g_SePlayers[0], nullptr);
    g_pMouse->GetState()->left = 0; // released

    rt.Hover(3);
    EXPECT_EQ(rt.menu()->hovered, 3);
    rt.Step([&] { rt.PressDown(); });
    EXPECT_EQ(rt.menu()->hovered, 0); // onto the extras: nothing
    rt.Step([&] { rt.PressDown(); });
    EXPECT_EQ(rt.menu()->hovered, 5);
}

TEST(TitleMenu, NewGameAndQuitFadeForThreeSecondsTheOthersForOne) {
    const struct {
        int button;
        uint32_t ms;
    } cases[] = {{1, 3000}, {2, 1000}, {3, 1000}, {5, 3000}};
    for (const auto& c : cases) {
        MenuRuntime rt(1);
        ASSERT_TRUE(rt.RunToInput());
        rt.Hover(c.button);
        rt.PressLeft();
        g_pGameMain->Frame();
        ASSERT_EQ(rt.menu()->state, 4);
        const uint32_t start = rt.menu()->timer.start;
        rt.clock().Set(start + c.ms / 2);
        g_pGameMain->Frame();
        EXPECT_EQ(rt.menu()->fadeLevel, 127) << c.button;
        const uint32_t title = TitleBackgroundPixel(600, 300, 1);
        EXPECT_LE(ChannelDistance(PixelOf(g_ScreenSurface, 600, 300), Blend(title, 0, 127)), 2);
        rt.clock().Set(start + c.ms - 1);
        g_pGameMain->Frame();
        EXPECT_EQ(rt.menu()->state, 4) << c.button;
        rt.clock().Set(start + c.ms);
        g_pGameMain->Frame();
        EXPECT_EQ(rt.menu()->state, 5) << c.button;
        EXPECT_EQ(PixelOf(g_ScreenSurface, 600, 300) & 0xFFFFFF, 0u);
    }
}

TEST(TitleMenu, ClickEndsTheFadeOutAtOnce) {
    MenuRuntime rt;
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(1);
    rt.PressLeft();
    g_pGameMain->Frame();
    ASSERT_EQ(rt.menu()->state, 4);
    rt.clock().Advance(100);
    rt.SetCtrl(false);
    rt.PressLeft();
    g_pGameMain->Frame();
    EXPECT_EQ(rt.menu()->state, 5);
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
    g_pGameMain->Frame();
    EXPECT_EQ(g_pGameMain->scene, kSceneScript);
}

TEST(TitleMenu, MissingFirstScriptStillEntersTheInterpreter) {
    MenuRuntime rt;
    std::filesystem::remove(rt.folder().path() + "/script/start.s");
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(1);
    rt.PressLeft();
    rt.SetCtrl(true);
    rt.RunUntilSceneChanges(10);
    EXPECT_EQ(g_pGameMain->scene, kSceneScript);
    EXPECT_EQ(g_pScriptMng->m_pScriptBase, nullptr);
    EXPECT_EQ(g_pScriptMng->LastFault(), ScriptFault::kNoScript);
}

// The composed picture of the input sub-state with "configuration" hovered, held against a checked-in
// reference of the button bar; the rest of the picture must be the title background untouched.
TEST(TitleMenu, HoveredEntryMatchesTheReferencePicture) {
    MenuRuntime rt;
    ASSERT_TRUE(rt.RunToInput());
    rt.Hover(3);
    ASSERT_EQ(rt.menu()->hovered, 3);

    constexpr int32_t kTop = 480, kRows = 48;
    const std::string reference = std::string(KESTREL_TEST_DATA) + "/screens/title_menu_hover_bar.bmp";
    if (std::getenv("KESTREL_WRITE_REFERENCE")) {
        std::vector<uint32_t> bar;
        for (int32_t y = kTop; y < kTop + kRows; ++y) {
            for (int32_t x = 0; x < 1024; ++x) {
                bar.push_back(PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF);
            }
        }
        std::ofstream out(reference, std::ios::binary | std::ios::trunc);
        const std::vector<uint8_t> bytes = kestrel::test::WriteBitmapPixels(1024, kRows, bar, 24);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    const std::vector<uint8_t> file = ReadFile(reference);
    ASSERT_FALSE(file.empty()) << reference;
    CDIB32 expected;
    ASSERT_EQ(expected.LoadFromMemory(file.data(), file.size()), 0);
    ASSERT_EQ(expected.GetWidth(), 1024);
    ASSERT_EQ(expected.GetHeight(), kRows);
    int mismatches = 0;
    for (int32_t y = 0; y < 576; ++y) {
        for (int32_t x = 0; x < 1024; ++x) {
            const uint32_t got = PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF;
            const uint32_t want = (y >= kTop && y < kTop + kRows) ? PixelOf(&expected, x, y - kTop) & 0xFFFFFF
                                                                  : TitleBackgroundPixel(x, y, 0);
            if (got != want && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << got << " != " << want;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);

    // The reference itself: the highlight is the parts picture blended over the background by its
    // own alpha, at the button's top-left, and nothing else of the bar changed.
    const RECT& button = kButtons[2];
    for (int32_t dx : {0, 20, 50, 86}) {
        for (int32_t dy : {1, 12, 22}) {
            const uint32_t part = TitlePartsPixel(dx, 48 + dy);
            const uint32_t under = TitleBackgroundPixel(button.left + dx, button.top + dy, 0);
            const uint32_t blended = Blend(under, part & 0xFFFFFF, part >> 24);
            EXPECT_LE(ChannelDistance(PixelOf(g_ScreenSurface, button.left + dx, button.top + dy), blended),
                      2)
                << dx << ", " << dy;
        }
    }
    EXPECT_EQ(PixelOf(g_ScreenSurface, kButtons[0].left + 20, 500) & 0xFFFFFF,
              TitleBackgroundPixel(kButtons[0].left + 20, 500, 0));
}
