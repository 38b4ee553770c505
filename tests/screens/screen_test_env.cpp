#include "screens/screen_test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "app/user_sys_data.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/window.h"
#include "screens/scene_objects.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/dsound.h"
#include "sound/snd_mng.h"
#include "writers/bitmap_writer.h"
#include "writers/ogg_writer.h"

namespace fs = std::filesystem;

namespace screentest {

TempGameFolder::TempGameFolder() : m_folder("screens"), m_path(m_folder.string()) {
    fs::create_directories(m_folder / "save");
}

void TempGameFolder::WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    const fs::path path = fs::path(m_path) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

void TempGameFolder::WriteFlatBitmap(const std::string& relative, int32_t width, int32_t height,
                                     uint32_t colour) const {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, colour & 0xFFFFFFu);
    WriteFile(relative, kestrel::test::WriteBitmapPixels(width, height, pixels, 24));
}

void TempGameFolder::WriteBitmap32(const std::string& relative, int32_t width, int32_t height,
                                   const std::vector<uint32_t>& pixels) const {
    WriteFile(relative, kestrel::test::WriteBitmapPixels(width, height, pixels, 32));
}

bool TempGameFolder::Exists(const std::string& relative) const {
    return fs::exists(fs::path(m_path) / relative);
}

uint32_t TitleBackgroundPixel(int32_t x, int32_t y, int level) {
    // A gradient with a level-dependent tint, so that every pixel of the composed picture tells where
    // it came from.
    const uint32_t b = static_cast<uint32_t>(x * 255 / 1023);
    const uint32_t g = static_cast<uint32_t>(y * 255 / 575);
    const uint32_t r = static_cast<uint32_t>(40 + 60 * level);
    return b | (g << 8) | (r << 16);
}

uint32_t TitlePartsPixel(int32_t x, int32_t y) {
    // Five highlight rows of 24 pixels: a warm colour with alpha graded along x, transparent rim.
    const int32_t row = y / 24;
    const int32_t inRow = y % 24;
    if (inRow == 0 || inRow == 23) {
        return 0x00000000;
    }
    const uint32_t alpha = static_cast<uint32_t>((x * 2 + 31) & 0xFF);
    const uint32_t r = 0xF0;
    const uint32_t g = static_cast<uint32_t>(0x40 + row * 0x20);
    const uint32_t b = static_cast<uint32_t>(inRow * 8);
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

void WriteTitlePictures(const TempGameFolder& folder) {
    folder.WriteFlatBitmap("system/logo.bmp", 1024, 576, kLogoColour);
    folder.WriteFlatBitmap("system/logo01.bmp", 1024, 576, kLogo2Colour);
    const char* backgrounds[3] = {"system/title_bg.bmp", "system/title_bg01.bmp", "system/title_bg02.bmp"};
    for (int level = 0; level < 3; ++level) {
        std::vector<uint32_t> pixels(1024 * 576);
        for (int32_t y = 0; y < 576; ++y) {
            for (int32_t x = 0; x < 1024; ++x) {
                pixels[static_cast<size_t>(y) * 1024 + x] = TitleBackgroundPixel(x, y, level);
            }
        }
        folder.WriteFile(backgrounds[level], kestrel::test::WriteBitmapPixels(1024, 576, pixels, 24));
    }
    std::vector<uint32_t> parts(128 * 120);
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 128; ++x) {
            parts[static_cast<size_t>(y) * 128 + x] = TitlePartsPixel(x, y);
        }
    }
    folder.WriteBitmap32("system/title_p.bmp", 128, 120, parts);
    folder.WriteBitmap32("system/title_p02.bmp", 128, 120, parts);
}

ScreenRuntime::ScreenRuntime() {
    plat::WindowDesc desc;
    desc.title = "screens";
    m_hwnd = plat::CreateMainWindow(desc, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    EXPECT_NE(m_hwnd, nullptr);

    g_pDisplay = new CDisplay();
    for (int i = 0; i < kLayerCount; ++i) {
        g_Layers[i] = nullptr;
    }
    g_ScreenSurface = new CDIB32();
    g_ScreenSurface->Create(m_hwnd, 1024, 576, 24);
    g_Layers[0] = new CDIB32();
    g_Layers[0]->Create(m_hwnd, 1024, 576, 24);
    g_pMouse = new CMouse();
    g_pMouse->SetScreenRect(g_pDisplay->GetScreenRect());
    g_pMouse->SetDestRect(g_pDisplay->GetDestRect());
    g_pKeyboard = new CKeyboard();
    g_pGameMain = new CGameMain(m_hwnd, nullptr);
    g_pScriptMng = new CScriptMng(m_hwnd);
    g_pGameMain->scene = kSceneLogo;
    SetSystemDataDefaults();
    g_UserSysData = UserSysData{};
}

ScreenRuntime::~ScreenRuntime() {
    CGameMain* game = g_pGameMain;
    g_pGameMain = nullptr;
    delete game; // the script engine and every scene object with it
    delete g_pScriptMng;
    g_pScriptMng = nullptr;
    DeleteAllPlayers();
    if (m_sound) {
        g_DSound.Release();
    }
    delete g_pMouse;
    g_pMouse = nullptr;
    delete g_pKeyboard;
    g_pKeyboard = nullptr;
    delete g_pDisplay;
    g_pDisplay = nullptr;
    DeleteAllSurfaces();
    if (m_hwnd && plat::IsWindow(m_hwnd)) {
        plat::DestroyWindow(m_hwnd);
        plat::Message msg;
        while (plat::PeekMessage(msg)) {
            if (msg.msg == plat::Msg::Quit) {
                break;
            }
            plat::DispatchMessage(msg);
        }
    }
}

bool ScreenRuntime::EnableSound() {
    if (g_DSound.device) {
        // A device left by an earlier start-up in this process: replace it by one that only the test
        // drives. No player may hold a stream on it while it goes.
        DeleteAllPlayers();
        g_DSound.Release();
    }
    if (!g_DSound.CreateWithOutput(SoundDevice::Output::Manual)) {
        return false;
    }
    m_sound = true;
    g_DSound.SetPrimaryFormat(2, 44100, 16);
    const std::vector<uint8_t> tone = kestrel::test::MakeToneOgg(440.0, 0.5);
    m_folder.WriteFile("se/sys_010.ogg", tone);
    m_folder.WriteFile("bgm/bgm09.ogg", tone);
    m_folder.WriteFile("bgm/op_arr01.ogg", tone);
    return true;
}

void ScreenRuntime::MoveMouse(int32_t x, int32_t y) {
    g_pMouse->OnMove(m_hwnd, x, y);
}

void ScreenRuntime::PressLeft() {
    g_pMouse->GetState()->left = 1;
}

void ScreenRuntime::SetCtrl(bool held) {
    g_pKeyboard->ctrl = held ? 1 : 0;
}

void ScreenRuntime::PressUp() {
    g_pKeyboard->up = 1;
}

void ScreenRuntime::PressDown() {
    g_pKeyboard->down = 1;
}

void ScreenRuntime::WheelUp() {
    g_pMouse->wheel = 0xFF;
}

void ScreenRuntime::WheelDown() {
    g_pMouse->wheel = 1;
}

void ScreenRuntime::FollowWarp() {
    MoveMouse(backend().warpX, backend().warpY);
}

ScopedGlyphFont::ScopedGlyphFont(HWND hwnd) {
    g_GlyphFont = new CGlyphFont(hwnd);
    g_GlyphFont->SetFont(24, 0);
}

ScopedGlyphFont::~ScopedGlyphFont() {
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

uint32_t PixelOf(CDIB32* surface, int32_t x, int32_t y) {
    if (!surface) {
        return 0;
    }
    const uint8_t* p = surface->GetPixelAddress(x, y);
    if (!p) {
        return 0;
    }
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

uint32_t Blend(uint32_t under, uint32_t over, uint32_t level) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t u = (under >> shift) & 0xFF;
        const uint32_t o = (over >> shift) & 0xFF;
        out |= ((u * (255 - level) + o * level) / 255) << shift;
    }
    return out;
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
    }
    return worst;
}

} // namespace screentest
