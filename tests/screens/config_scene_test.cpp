// The configuration screen and the name-entry dialog through the running game: each control's byte
// reaches "save\Config.dat" (written when the title menu is entered after the screen closes).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/display.h"
#include "graphics/glyph_font.h"
#include "graphics/pixel_effects.h"
#include "scene/message_text.h"
#include "screens/config_scene.h"
#include "screens/name_dialog.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_menu_scene.h"
#include "screens/system_screens_fixture.h"
#include "script/script_asm.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"
#include "writers/bitmap_writer.h"

using namespace screentest;

namespace {

constexpr int kOkX = 937, kOkY = 445;
constexpr int kCancelX = 937, kCancelY = 503;
constexpr int kDefaultsX = 934, kDefaultsY = 160;
constexpr int kVoicesX = 250, kVoicesY = 507;
constexpr int kNameX = 664, kNameY = 507;

using plat::HeadlessBackend;

class ConfigFlow : public SystemScreensGame {
protected:
    // Opens the screen from the title and waits for its input.
    void OpenFromTitle() {
        Open(kSceneConfig, kSceneTitleMenu, false);
        ASSERT_TRUE(RunUntil([] { return g_pConfigScene && g_pConfigScene->state == 3; }));
    }
    // Presses a button of the main page and waits until the screen has left for the title menu,
    // whose entry writes the system data.
    void LeaveBy(int x, int y) {
        ClickAt(x, y);
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneTitleMenu; }));
        game.StepFrames(2);
    }
};

struct ControlCase {
    const char* control;
    int x, y;
    size_t offset;
    uint8_t value;
};

TEST_F(ConfigFlow, EachControlWritesItsByte) {
    const ControlCase cases[] = {
        {"music slider", 231 + 69, 185, 0x04, 45},
        {"sound-effect slider at its end", 376, 213, 0x05, 100},
        {"text speed slider at its start", 231, 320, 0x01, 0},
        {"AUTO speed slider", 231 + 35, 348, 0x22, 25},
        {"window transparency slider", 586 + 70, 348, 0x26, 50},
        {"skip unread: on", 330, 373, 0x02, 1},
        {"first voice group muted", 230, 465, 0x07, 1},
        {"second voice group muted", 369, 465, 0x06, 1},
        {"voice goes on after a click", 298, 483, 0x25, 0},
        {"effects off", 757, 192, 0x1C, 1},
        {"fades cut", 757, 227, 0x1B, 1},
        {"keyboard mode", 754, 445, 0x21, 1},
        {"right click opens the notebook", 642, 473, 0x24, 0},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.control);
        SetSystemDataDefaults();
        g_pScriptMng->m_skipEffects = 1;
        OpenFromTitle();
        ClickAt(c.x, c.y);
        LeaveBy(kOkX, kOkY);
        const std::vector<uint8_t> file = ConfigFile();
        ASSERT_EQ(file.size(), kSystemDataSize);
        EXPECT_EQ(file[c.offset], c.value);
        if (c.offset == 0x1B) {
            EXPECT_EQ(g_pScriptMng->m_skipEffects, 1);
        }
    }
}

TEST_F(ConfigFlow, DisplayChoiceSwitchesAtOnceAndWritesByteZero) {
    OpenFromTitle();
    ClickAt(772, 310); // full screen
    EXPECT_TRUE(game.backend().fullScreen);
    EXPECT_EQ(g_pDisplay->fullScreen, 1);
    ClickAt(619, 310); // the window again, then full screen once more
    EXPECT_FALSE(game.backend().fullScreen);
    ClickAt(772, 310);
    LeaveBy(kOkX, kOkY);
    EXPECT_EQ(ConfigFile()[0x00], 1);
    EXPECT_TRUE(game.backend().fullScreen);
}

TEST_F(ConfigFlow, CancelRestoresEverythingButTheDisplayMode) {
    // A right click is cancel, also with the pointer on a slider's band.
    for (const POINT right : {POINT{500, 100}, POINT{231 + 70, 213}}) {
        SCOPED_TRACE(right.x);
        SetSystemDataDefaults();
        g_SystemData.bgmVolume = 35;
        g_SystemData.keyboardMode = 0;
        OpenFromTitle();
        ClickAt(231 + 140, 185); // music 100
        ClickAt(754, 445);       // keyboard mode
        ClickAt(619, 310);       // the window, then full screen
        ClickAt(772, 310);
        ASSERT_EQ(g_SystemData.bgmVolume, 100);
        ClickAt(right.x, right.y, plat::MouseButton::Right);
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneTitleMenu; }));
        game.StepFrames(2);
        const std::vector<uint8_t> file = ConfigFile();
        EXPECT_EQ(file[0x04], 35);
        EXPECT_EQ(file[0x21], 0);
        EXPECT_EQ(file[0x00], 1);
    }
}

TEST_F(ConfigFlow, DefaultsResetTheOptionsButNotTheModeOrTheNames) {
    SystemData& d = g_SystemData;
    d.messageSpeed = 7;
    d.bgmVolume = d.seVolume = d.autoSpeed = 90;
    d.skipUnread = d.reserved03 = d.keyboardMode = d.muteVoiceGroupA = d.muteVoiceGroupB = 1;
    d.fadeCut = d.effectsOff = d.reserved1D = d.bgmOff = d.seOff = d.voiceOff = d.autoAtStart = 1;
    d.rightClickMode = d.voiceCutOnClick = 0;
    d.windowTransparency = 80;
    std::memset(d.voiceVolumes, 5, sizeof d.voiceVolumes);
    std::strcpy(d.familyName, "\xD5\xC5"); // 张
    d.fullScreen = 0;
    OpenFromTitle();
    ClickAt(kDefaultsX, kDefaultsY);
    ASSERT_TRUE(RunUntil([] { return g_pConfigScene && g_pConfigScene->state == 3; }));
    EXPECT_EQ(g_pScriptMng->m_skipEffects, 0);
    g_pScriptMng->m_skipEffects = 1;
    LeaveBy(kOkX, kOkY);
    const std::vector<uint8_t> file = ConfigFile();
    const std::pair<size_t, uint8_t> expected[] = {{0x01, 50}, {0x02, 0}, {0x03, 0}, {0x04, 50}, {0x05, 50},
                                                   {0x06, 0},  {0x07, 0}, {0x1B, 0}, {0x1C, 0},  {0x1D, 0},
                                                   {0x1E, 0},  {0x1F, 0}, {0x20, 0}, {0x21, 0},  {0x22, 50},
                                                   {0x23, 0},  {0x24, 1}, {0x25, 1}, {0x26, 30}};
    for (const auto& [offset, value] : expected) {
        EXPECT_EQ(file[offset], value) << "byte 0x" << std::hex << offset;
    }
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(file[0x08 + i], 50) << "voice volume " << i;
    }
    EXPECT_EQ(file[0x00], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[0xF204])), "\xD5\xC5");
}

TEST_F(ConfigFlow, CharacterPageSetsAVoiceVolumeAndItsCancelRestoresIt) {
    struct Case {
        int buttonX, buttonY; // OK or cancel of the character page
        uint8_t expected;
    };
    for (const Case c : {Case{kOkX, kOkY, 70}, Case{kCancelX, kCancelY, 50}}) {
        SetSystemDataDefaults();
        g_pScriptMng->m_skipEffects = 1;
        OpenFromTitle();
        ClickAt(kVoicesX, kVoicesY);
        ASSERT_TRUE(RunUntil([] { return g_pConfigScene->state == 12; }));
        const RECT slider = CConfigScene::CharSliderRect(5);
        ClickAt(slider.left + 100, slider.top + 5);
        EXPECT_EQ(g_SystemData.voiceVolumes[5], 70);
        ClickAt(CConfigScene::SampleRect(2).left + 3,
                CConfigScene::SampleRect(2).top + 3); // no file: silence
        ClickAt(c.buttonX, c.buttonY);
        ASSERT_TRUE(RunUntil([] { return g_pConfigScene->state == 3; }));
        LeaveBy(kOkX, kOkY);
        EXPECT_EQ(ConfigFile()[0x08 + 5], c.expected);
    }
}

// A sound-effect player that remembers the last volume it was given.
struct VolumeProbe : CSeplay {
    int32_t volume = -1;
    bool SetVolume(uint32_t percent) override {
        volume = static_cast<int32_t>(percent);
        return CSeplay::SetVolume(percent);
    }
};

TEST_F(ConfigFlow, LeavingSetsTheFirstScriptChannelsVolumeOnly) {
    // Script channels 0, 1 and 3 (slots 1, 2 and 4); the click slot 0 is the OK button's own.
    VolumeProbe* channels[3] = {new VolumeProbe, new VolumeProbe, new VolumeProbe};
    for (int i = 0; i < 3; ++i) {
        delete g_pSeChannels[i == 2 ? 3 : i];
        g_pSeChannels[i == 2 ? 3 : i] = channels[i];
    }
    g_SystemData.seVolume = 70;
    OpenFromTitle();
    ClickAt(kOkX, kOkY);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneTitleMenu; }));
    EXPECT_EQ(channels[0]->volume, 70);
    EXPECT_EQ(channels[1]->volume, -1);
    EXPECT_EQ(channels[2]->volume, -1);
}

TEST_F(ConfigFlow, OpenedFromAChoiceReturnsToItsMessageStep) {
    Open(kSceneConfig, kSceneChoice, true);
    ASSERT_TRUE(RunUntil([] { return g_pConfigScene && g_pConfigScene->state == 3; }));
    g_pScriptMng->m_msgStep = 4;
    ClickAt(kOkX, kOkY);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kSceneChoice; }));
    EXPECT_EQ(g_pScriptMng->m_msgStep, 1);
}

// ---- The name-entry dialog ----------------------------------------------------------------------

HeadlessBackend::DialogScript::Step Type(int id, const char* utf8) {
    return {id, true, utf8};
}
HeadlessBackend::DialogScript::Step Press(int id) {
    return {id, false, ""};
}

TEST_F(ConfigFlow, NameDialogStoresTheNamesAsGameTextAfterRefusingHalfWidthInput) {
    HeadlessBackend::DialogScript script;
    script.steps = {Type(kIdFamilyName, "ab"), Press(plat::kIdOk), Type(kIdFamilyName, "张"),
                    Type(kIdGivenName, "小明"), Press(plat::kIdOk)};
    game.backend().dialogAnswers.push_back(script);
    OpenFromTitle();
    ClickAt(kNameX, kNameY);
    ASSERT_TRUE(RunUntil([] { return g_pConfigScene->state == 3; }));
    ASSERT_EQ(game.backend().boxes.size(), 1u);
    EXPECT_EQ(game.backend().boxes[0].text, kNameHalfWidthWarning);
    EXPECT_EQ(game.backend().boxes[0].caption, kNameWarningCaption);
    EXPECT_TRUE(game.backend().boxes[0].owned);
    EXPECT_STREQ(g_pScriptMng->m_nameSlots[0], "\xD5\xC5");
    EXPECT_STREQ(g_pScriptMng->m_nameSlots[1], "\xD0\xA1\xC3\xF7");
    // A message spoken by the hero shows the given name on the plate.
    g_pScriptMng->MessageStart(msgtext::SystemText("＃主人公").c_str());
    ASSERT_NE(g_pScriptMng->m_pNamePlateText, nullptr);
    EXPECT_STREQ(g_pScriptMng->m_pNamePlateText, "\xD0\xA1\xC3\xF7");
    LeaveBy(kOkX, kOkY);
    const std::vector<uint8_t> file = ConfigFile();
    const uint8_t family[11] = {0xD5, 0xC5};
    const uint8_t given[11] = {0xD0, 0xA1, 0xC3, 0xF7};
    EXPECT_EQ(std::memcmp(&file[0xF204], family, 11), 0);
    EXPECT_EQ(std::memcmp(&file[0xF20F], given, 11), 0);
}

TEST_F(ConfigFlow, NameDialogDefaultsButtonRefillsTheDefaultNames) {
    std::strcpy(g_SystemData.familyName, "\xD5\xC5");
    std::strcpy(g_pScriptMng->m_nameSlots[0], "\xD5\xC5");
    HeadlessBackend::DialogScript script;
    script.steps = {Type(kIdFamilyName, "李"), Press(kIdNameDefaults)};
    script.clicks = {plat::kIdOk};
    game.backend().dialogAnswers.push_back(script);
    OpenFromTitle();
    ClickAt(kNameX, kNameY);
    ASSERT_TRUE(RunUntil([] { return g_pConfigScene->state == 3; }));
    EXPECT_TRUE(game.backend().boxes.empty());
    EXPECT_STREQ(g_SystemData.familyName, kDefaultFamilyName);
    EXPECT_STREQ(g_SystemData.givenName, kDefaultGivenName);
}

TEST_F(ConfigFlow, NameDialogThatCannotBeShownLeavesTheScreenUsable) {
    HeadlessBackend::DialogScript script;
    script.fail = true;
    game.backend().dialogAnswers.push_back(script);
    OpenFromTitle();
    ClickAt(kNameX, kNameY);
    ASSERT_TRUE(RunUntil([] { return g_pConfigScene->state == 3; }, 20));
    LeaveBy(kOkX, kOkY);
    EXPECT_EQ(g_pGameMain->scene, kSceneTitleMenu);
}

} // namespace

namespace {

TEST_F(ConfigFlow, AltEnterOnThePageMovesTheDisplayChoiceToo) {
    // Parts whose radio mark is opaque white, so that the page shows where the mark stands.
    std::vector<uint32_t> parts(255 * 486, 0);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 28; ++x)
            parts[static_cast<size_t>(y) * 255 + x] = 0xFFFFFFFFu;
    game.WriteFile("system/config_p.bmp", kestrel::test::WriteBitmapPixels(255, 486, parts, 32));
    OpenFromTitle();
    game.PostKey(plat::Key::Return, true, true);
    game.PostKey(plat::Key::Return, false, true);
    game.StepFrames(2);
    ASSERT_EQ(g_SystemData.fullScreen, 1);
    // The page the screen restores from has the mark on "full screen", no longer on "window".
    CDIB32* page = g_Layers[CConfigScene::kSlotPage];
    auto marked = [page](const RECT& r) {
        const uint8_t* p = page->GetPixelAddress(r.left, r.top);
        return p && p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF;
    };
    EXPECT_TRUE(marked(CConfigScene::kRadioRects[13]));
    EXPECT_FALSE(marked(CConfigScene::kRadioRects[12]));
}

} // namespace

// ---- Pressing a button, and the return to the game ----------------------------------------------

namespace {

// Frames 20 ms apart until `done`; false after 300 frames.
template <typename Done>
bool FramesUntil(ScreenRuntime& rt, Done done) {
    for (int i = 0; i < 300; ++i) {
        if (done())
            return true;
        rt.clock().Advance(20);
        g_pGameMain->Frame();
    }
    return done();
}

bool ConfigWaits() {
    return g_pConfigScene && g_pConfigScene->state == 3;
}

// A frame with the pointer at (x, y), the left button pressed.
void ClickOnce(ScreenRuntime& rt, int32_t x, int32_t y) {
    rt.MoveMouse(x, y);
    rt.PressLeft();
    g_pGameMain->Frame();
    g_pMouse->GetState()->left = 0;
}

// The pixel at (1000, 548) of one window picture at opacity 51 (80 % transparency) over a plain
// background, where no glyph lies.
uint32_t OneWindowOver(ScreenRuntime& rt, CDIB32* window, uint32_t background) {
    CDIB32 band, expected;
    band.Create(rt.hwnd(), 1024, 128, 32);
    BltCopyLevel(&band, 0, 0, window, 0, 0, 1024, 128, 51);
    expected.Create(rt.hwnd(), 1024, 576, 24);
    expected.FillRect(0, 0, 1024, 576, background);
    CDIB32::BltAlpha(&expected, 0, 448, &band, 0, 0, 1024, 128);
    return PixelOf(&expected, 1000, 548);
}

TEST(ConfigPress, TheButtonActsAfterItsPictureFadesOutAgain) {
    ScreenRuntime rt;
    constexpr uint32_t kBase = 0x00204060, kPressed = 0xFFE0C0A0;
    rt.folder().WriteFlatBitmap("system/config_base.bmp", 1024, 576, kBase);
    std::vector<uint32_t> parts(255 * 486, 0);
    for (int32_t y = 40; y < 85; ++y)
        for (int32_t x = 105; x < 210; ++x)
            parts[static_cast<size_t>(y) * 255 + x] = kPressed; // the OK button's picture
    rt.folder().WriteBitmap32("system/config_p.bmp", 255, 486, parts);
    g_pGameMain->scene = kSceneConfig;
    ASSERT_TRUE(FramesUntil(rt, ConfigWaits));
    rt.MoveMouse(kOkX, kOkY);
    rt.PressLeft();
    g_pGameMain->Frame();
    ASSERT_EQ(g_pConfigScene->state, 8);
    const uint32_t pressed = g_pConfigScene->timer.start;
    // The picture fades in over 200 ms (level ms × 255 / 200), then out over 200 ms more; the act
    // (OK: the fade-out of the screen, sub-state 4) comes after both.
    struct Step {
        uint32_t ms;   // since the press
        uint8_t state; // sub-state after this frame
        int level;     // the opacity of the OK button's picture on the screen, -1 unchecked
    };
    const Step steps[] = {{100, 8, 127}, {199, 8, -1}, {200, 9, -1},
                          {300, 9, 128}, {399, 9, -1}, {400, 4, -1}};
    for (const Step& step : steps) {
        rt.clock().Set(pressed + step.ms);
        g_pGameMain->Frame();
        EXPECT_EQ(g_pConfigScene->state, step.state) << step.ms << " ms";
        if (step.level >= 0) {
            EXPECT_LE(
                ChannelDistance(PixelOf(g_ScreenSurface, kOkX, kOkY), Blend(kBase, kPressed, step.level)), 1)
                << step.ms << " ms";
        }
    }
}

TEST(ConfigReturn, TheMessageWindowComesBackWithTheNewTransparencyAndNames) {
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    constexpr uint32_t kWindow = 0xFF604020, kPlate = 0xFF8090A0;
    rt.folder().WriteBitmap32("system/window.bmp", 1024, 128, std::vector<uint32_t>(1024 * 128, kWindow));
    rt.folder().WriteBitmap32("system/window_w_2.bmp", 160, 40, std::vector<uint32_t>(160 * 40, kPlate));
    for (const auto& [index, name] :
         {std::pair{kUiWindow, "system\\window.bmp"}, std::pair{kUiFrame, "system\\window_w_2.bmp"},
          std::pair{kUiFrameWork, "system\\window_w_2.bmp"}}) {
        auto* picture = new CDIB32();
        picture->Load(rt.hwnd(), name);
        ReplaceSurface(g_pScriptUiSurfaces[index], picture);
    }
    // The hero speaks a line with his own given name in it.
    const kestrel::sasm::AsmResult script = kestrel::sasm::Assemble("    Message \"＃主人公\"\n"
                                                                    "    Message \"(name02)好。\"\n"
                                                                    "    Message \"完。\"\n");
    ASSERT_TRUE(script.ok()) << kestrel::sasm::FormatErrors(script.errors);
    rt.folder().WriteFile("script/hero.s", kestrel::sasm::InvertBytes(script.bytes));
    g_SystemData.messageSpeed = 100;
    ASSERT_NE(g_pScriptMng->LoadScript("hero.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    ASSERT_TRUE(
        FramesUntil(rt, [] { return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3; }));

    // Over the waiting page: a new given name, and the window at 80 % transparency.
    g_pScriptMng->m_skipEffects = 1;
    g_pScriptMng->m_menuFromGame = 1;
    g_pGameMain->returnScene = kSceneMessage;
    g_pGameMain->scene = kSceneConfig;
    ASSERT_TRUE(FramesUntil(rt, ConfigWaits));
    plat::HeadlessBackend::DialogScript names;
    names.steps = {{kIdGivenName, true, "小明"}, {plat::kIdOk, false, ""}};
    rt.backend().dialogAnswers.push_back(names);
    ClickOnce(rt, kNameX, kNameY);
    ASSERT_TRUE(FramesUntil(rt, ConfigWaits));
    ClickOnce(rt, 586 + 7 * 16, 348);
    ASSERT_EQ(g_SystemData.windowTransparency, 80);
    ClickOnce(rt, kOkX, kOkY);
    ASSERT_TRUE(FramesUntil(rt, [] { return g_pGameMain->scene == kSceneMessage; }));

    // The window picture at opacity 255 - 80 × 255 / 100 = 51: each byte of the picture × 51 / 256,
    // (0x20, 0x40, 0x60, 0xFF) to (6, 12, 19, 50) where no glyph lies.
    const char given[] = "\xD0\xA1\xC3\xF7"; // 小明
    EXPECT_EQ(PixelOf(g_TextSurface, 1000, 100), 0x32130C06u);
    ASSERT_NE(g_pScriptMng->m_pNamePlateText, nullptr);
    EXPECT_STREQ(g_pScriptMng->m_pNamePlateText, given);
    // The page and the plate as the layout rule puts them: the message from (146, 52) of the window,
    // the plate's four bytes from x = 64 - (4 - 2) / 2 × 12 = 52 at y 12, each glyph after the last.
    auto glyphs = [](CDIB32* surface, int32_t x, int32_t y, const std::string& text) {
        for (size_t i = 0; i < text.size(); i += 2)
            x += g_GlyphFont->DrawString(surface, x, y, text.substr(i, 2).c_str(), 0xFFFFFF);
    };
    CDIB32 page;
    page.Create(rt.hwnd(), 1024, 128, 32);
    BltCopyLevel(&page, 0, 0, g_MsgWindowSurface, 0, 0, 1024, 128, 51);
    glyphs(&page, 146, 52, std::string(given) + "\xBA\xC3\xA1\xA3"); // 小明好。
    EXPECT_TRUE(SurfaceWords(*g_TextSurface) == SurfaceWords(page));
    CDIB32 plate;
    plate.Load(rt.hwnd(), "system\\window_w_2.bmp");
    glyphs(&plate, 52, 12, given);
    EXPECT_TRUE(SurfaceWords(*g_NamePlateSurface) == SurfaceWords(plate));
}

TEST(ConfigReturn, AnyOtherSceneComesBackWholeWithTheWindowAtTheNewOpacity) {
    // The command screen's column, or a choice's panel, stands in the opener's snapshot only.
    constexpr uint32_t kBackground = 0x00336699, kPanel = 0x00303030, kWindow = 0xFF604020;
    for (const SceneId back : {SceneId{kSceneCommand}, SceneId{kSceneChoice}}) {
        SCOPED_TRACE(static_cast<int>(back));
        ScreenRuntime rt;
        ScopedGlyphFont font(rt.hwnd());
        rt.folder().WriteBitmap32("system/window.bmp", 1024, 128, std::vector<uint32_t>(1024 * 128, kWindow));
        auto* window = new CDIB32();
        window->Load(rt.hwnd(), "system\\window.bmp");
        ReplaceSurface(g_pScriptUiSurfaces[kUiWindow], window);
        g_SystemData.windowTransparency = 0;
        g_pScriptMng->PrepareStyle0Window();
        screens::MakeFilledSlot(0, rt.hwnd(), kBackground);
        auto* snapshot = new CDIB32();
        snapshot->Create(rt.hwnd(), 1024, 576, 24);
        snapshot->FillRect(0, 0, 1024, 576, kBackground);
        snapshot->FillRect(100, 100, 200, 200, kPanel);
        ReplaceSurface(g_pScriptUiSurfaces[kUiSnapshot], snapshot);
        g_pScriptMng->m_skipEffects = 1;
        g_pScriptMng->m_menuFromGame = 1;
        g_pGameMain->returnScene = back;
        g_pGameMain->scene = kSceneConfig;
        ASSERT_TRUE(FramesUntil(rt, ConfigWaits));
        ClickOnce(rt, 586 + 7 * 16, 348); // 80 % transparency: opacity 51
        ClickOnce(rt, kOkX, kOkY);
        ASSERT_TRUE(FramesUntil(rt, [back] { return g_pGameMain->scene == back; }));
        EXPECT_EQ(PixelOf(g_ScreenSurface, 200, 200) & 0xFFFFFF, kPanel);
        EXPECT_EQ(PixelOf(g_ScreenSurface, 1000, 548), OneWindowOver(rt, window, kBackground));
    }
}

TEST(ConfigReturn, FromTheSystemMenuTheWindowComesBackOnce) {
    // A message, then the system menu; its configuration sets the window to 80 % transparency.
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    constexpr uint32_t kBackground = 0x00336699, kWindow = 0xFF604020;
    rt.folder().WriteBitmap32("system/window.bmp", 1024, 128, std::vector<uint32_t>(1024 * 128, kWindow));
    auto* window = new CDIB32();
    window->Load(rt.hwnd(), "system\\window.bmp");
    ReplaceSurface(g_pScriptUiSurfaces[kUiWindow], window);
    g_SystemData.windowTransparency = 0;
    g_SystemData.messageSpeed = 100;
    g_pScriptMng->PrepareStyle0Window();
    screens::MakeFilledSlot(0, rt.hwnd(), kBackground);
    const kestrel::sasm::AsmResult script =
        kestrel::sasm::Assemble("    Message \"甲乙。\"\n    SetMode 54\n    Message \"完。\"\n");
    ASSERT_TRUE(script.ok()) << kestrel::sasm::FormatErrors(script.errors);
    rt.folder().WriteFile("script/menu.s", kestrel::sasm::InvertBytes(script.bytes));
    ASSERT_NE(g_pScriptMng->LoadScript("menu.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    ASSERT_TRUE(
        FramesUntil(rt, [] { return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3; }));
    g_pScriptMng->m_skipEffects = 1;
    ClickOnce(rt, 500, 300);
    ASSERT_TRUE(FramesUntil(rt, [] { return g_pSystemMenuScene && g_pSystemMenuScene->state == 4; }));
    ClickOnce(rt, 729, 330);
    ASSERT_TRUE(FramesUntil(rt, ConfigWaits));
    ClickOnce(rt, 586 + 7 * 16, 348);
    ClickOnce(rt, kOkX, kOkY);
    ASSERT_TRUE(FramesUntil(rt, [] { return g_pConfigScene && g_pConfigScene->state == 5; }));
    EXPECT_EQ(PixelOf(g_ScreenSurface, 1000, 548), OneWindowOver(rt, window, kBackground));
}

// A vertical page as layer 0 holds it, and the text cursor.
struct VerticalPage {
    std::vector<uint32_t> words;
    uint16_t x = 0;
    int16_t y = 0;
};

// A vertical page over a plain picture, at window transparency `transparency`: an earlier
// message of two columns, then one with an in-page click wait, which is followed until the page
// waits in `waitScene` (at that click wait, or past it at the message's end). With
// `throughConfig`, the configuration screen is then opened over the page, its window transparency
// set to 80 and OK pressed. A backlog row before the page must not come onto it.
VerticalPage RunVerticalPage(uint8_t transparency, SceneId waitScene, bool throughConfig) {
    ScreenRuntime rt;
    ScopedGlyphFont font(rt.hwnd());
    rt.folder().WriteBitmap32("system/window2.bmp", 1024, 576,
                              std::vector<uint32_t>(1024 * 576, 0xA0102080u));
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x406080);
    std::strcpy(g_pGameMain->backlogText[0], "\xC9\xCF\xC9\xCF");
    g_pGameMain->backlogCount = 1;
    std::string earlier; // 48 units: 46 in the first column, 2 in the second
    for (int i = 0; i < 24; ++i)
        earlier += "\\xD2\\xBB";
    const kestrel::sasm::AsmResult script =
        kestrel::sasm::Assemble("    WindowStyle 1\n    Message \"" + earlier +
                                "\"\n    Message \"\\xD2\\xBB\\x81\\xAB\\xD2\\xBB\"\n    ExitToMenu\n");
    EXPECT_TRUE(script.ok()) << kestrel::sasm::FormatErrors(script.errors);
    rt.folder().WriteFile("script/page.s", kestrel::sasm::InvertBytes(script.bytes));
    g_SystemData.messageSpeed = 100;
    g_SystemData.windowTransparency = transparency;
    EXPECT_NE(g_pScriptMng->LoadScript("page.s"), nullptr);
    g_pGameMain->scene = kSceneScript;
    rt.MoveMouse(100, 100); // on no button of the window
    EXPECT_TRUE(
        FramesUntil(rt, [] { return g_pGameMain->scene == kSceneMessage && g_pScriptMng->m_msgStep == 3; }));
    ClickOnce(rt, 100, 100);
    EXPECT_TRUE(FramesUntil(rt, [waitScene] {
        if (g_pGameMain->scene == kSceneClickWait && waitScene != kSceneClickWait)
            g_pMouse->GetState()->left = 1; // on past an in-page click wait
        return g_pGameMain->backlogCount == 3 && g_pGameMain->scene == waitScene &&
               g_pScriptMng->m_msgStep == 3;
    }));
    if (throughConfig) {
        g_pScriptMng->m_menuFromGame = 1;
        g_pGameMain->returnScene = waitScene;
        g_pGameMain->scene = kSceneConfig;
        EXPECT_TRUE(FramesUntil(rt, ConfigWaits));
        ClickOnce(rt, 586 + 7 * 16, 348);
        EXPECT_EQ(g_SystemData.windowTransparency, 80);
        ClickOnce(rt, kOkX, kOkY);
        EXPECT_TRUE(FramesUntil(rt, [waitScene] { return g_pGameMain->scene == waitScene; }));
    }
    return {SurfaceWords(*g_Layers[0]), g_pScriptMng->m_textX, g_pScriptMng->m_textY};
}

// Back to a vertical page, the page comes back as it would stand had the new transparency been set
// from the start: its earlier message, and the last one as far as it had come.
TEST(ConfigReturn, TheVerticalPageComesBackAtTheNewTransparency) {
    struct Case {
        SceneId waitScene;
        uint16_t x; // the text cursor: where the next message begins, or the column of the wait
    };
    for (const Case c : {Case{kSceneMessage, 920 - 3 * 42}, Case{kSceneClickWait, 920 - 2 * 42}}) {
        SCOPED_TRACE(static_cast<int>(c.waitScene));
        const VerticalPage wanted = RunVerticalPage(80, c.waitScene, false);
        const VerticalPage shown = RunVerticalPage(30, c.waitScene, true);
        EXPECT_EQ(wanted.x, c.x);
        EXPECT_EQ(shown.x, wanted.x);
        EXPECT_EQ(shown.y, wanted.y);
        EXPECT_TRUE(shown.words == wanted.words);
    }
}

} // namespace
