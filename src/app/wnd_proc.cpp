#include "app/wnd_proc.h"

#include <new>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/dsound.h"
#include "sound/snd_mng.h"

HINSTANCE g_hInstance = nullptr;
uint32_t g_uWheelMsg = 0;
RuntimeTrace g_RuntimeTrace = nullptr;
void (*g_OnRuntimeDestroyed)() = nullptr;

namespace {

// Exists while the resource folders are in use.
struct ResourceDirsOwner {
    uint8_t unused = 0;
};
ResourceDirsOwner* g_pResourceDirsOwner = nullptr;

constexpr uint32_t kSectionFlag = 0x80000000u;

void Trace(const char* step) {
    if (g_RuntimeTrace)
        g_RuntimeTrace(step);
}

template <typename T>
void DeleteAndNull(T*& p) {
    T* doomed = p;
    p = nullptr;
    delete doomed;
}

CDIB32* MakeSurface(HWND hwnd, uint16_t width, uint16_t height, bool section) {
    auto* surface = new (std::nothrow) CDIB32();
    if (!surface)
        return nullptr;
    if (section)
        surface->SetFlags(kSectionFlag);
    surface->Create(hwnd, width, height, 24);
    surface->Fill(0, nullptr);
    return surface;
}

void GiveMouseDisplayRects() {
    if (g_pMouse && g_pDisplay) {
        g_pMouse->SetScreenRect(g_pDisplay->GetScreenRect());
        g_pMouse->SetDestRect(g_pDisplay->GetDestRect());
    }
}

void TearDownRuntime() {
    Trace("game main");
    DeleteAndNull(g_pGameMain);  // deletes the script engine and every scene object
    DeleteAndNull(g_pScriptMng); // when the application object was never made
    Trace("music player");
    if (g_BgmPlayer) {
        g_BgmPlayer->KillFadeTimer();
        DeleteAndNull(g_BgmPlayer);
    }
    Trace("voice players");
    for (auto*& player : g_VoicePlayers) {
        if (player) {
            player->Stop();
            DeleteAndNull(player);
        }
    }
    Trace("sound-effect players");
    for (auto*& player : g_SePlayers) {
        if (player) {
            player->KillTimer();
            DeleteAndNull(player);
        }
    }
    Trace("glyph font");
    DeleteAndNull(g_GlyphFont);
    Trace("input");
    DeleteAndNull(g_pMouse);
    DeleteAndNull(g_pKeyboard);
    DeleteAndNull(g_pResourceDirsOwner);
    Trace("display");
    DeleteAndNull(g_pDisplay);
    Trace("surfaces");
    DeleteAndNull(g_ScreenSurface);
    for (int i = 0; i < kLayerCount; ++i)
        DeleteAndNull(g_Layers[i]);
    DeleteAllSurfaces(); // the frame surface and the rest of the table
}

// Builds the runtime in its fixed order. False when an object the game cannot run without is missing.
bool OnCreate(HWND hwnd) {
    Trace("display");
    g_pDisplay = new (std::nothrow) CDisplay();
    for (int i = 0; i < kLayerCount; ++i)
        g_Layers[i] = nullptr;
    Trace("screen surface");
    g_ScreenSurface = MakeSurface(hwnd, kScreenWidth, kScreenHeight, true);
    Trace("layer 0");
    g_Layers[0] = MakeSurface(hwnd, kScreenWidth, kScreenHeight, false);
    Trace("resource folders");
    g_pResourceDirsOwner = new (std::nothrow) ResourceDirsOwner();
    ResolveResourceDirs();
    Trace("input");
    g_pMouse = new (std::nothrow) CMouse();
    g_pKeyboard = new (std::nothrow) CKeyboard();
    Trace("glyph font");
    g_GlyphFont = new (std::nothrow) CGlyphFont(hwnd);
    if (g_GlyphFont)
        g_GlyphFont->SetFont(24, 0);
    Trace("sound");
    InitSound(hwnd);
    for (auto*& player : g_SePlayers)
        player = nullptr;
    for (auto*& player : g_VoicePlayers)
        player = nullptr;
    Trace("game main");
    g_pGameMain = new (std::nothrow) CGameMain(hwnd, g_hInstance);
    Trace("script engine");
    g_pScriptMng = new (std::nothrow) CScriptMng(hwnd);
    if (g_pGameMain)
        g_pGameMain->scene = kSceneLogo;
    Trace("system data");
    LoadSystemData();
    Trace("frame surface");
    ReplaceSurface(g_FrameSurface, MakeSurface(hwnd, kFrameSurfaceSide, kFrameSurfaceSide, true));
    if (!g_pDisplay || !g_ScreenSurface || !g_pMouse || !g_pKeyboard || !g_pGameMain || !g_pScriptMng)
        return false;
    if (g_SystemData.fullScreen != 0) {
        Trace("full screen");
        g_pDisplay->ToggleScreenMode(hwnd);
        g_SystemData.fullScreen = g_pDisplay->fullScreen; // stays 0 when the switch failed
    }
    GiveMouseDisplayRects();
    return true;
}

void OnDestroy() {
    if (g_pDisplay && g_pDisplay->fullScreen) {
        Trace("window mode");
        // Back to the desktop: the display is switched back, the window goes anyway.
        g_pDisplay->fullScreen = 0;
    }
    Trace("save system data");
    SaveSystemData();
    TearDownRuntime();
    Trace("guard");
    if (g_OnRuntimeDestroyed)
        g_OnRuntimeDestroyed();
    plat::PostQuitMessage(0);
}

void OnPaint(HWND hwnd) {
    if (!g_ScreenSurface || !g_pDisplay)
        return;
    const uint8_t* pixels = g_ScreenSurface->GetPixelAddress(0, 0);
    if (!pixels)
        return;
    plat::Present(hwnd, reinterpret_cast<const uint32_t*>(pixels), g_ScreenSurface->GetWidth(),
                  g_ScreenSurface->GetHeight(), g_ScreenSurface->GetPitch(), *g_pDisplay->GetDestRect());
}

// Alt+Enter: the other display mode; the system data's byte follows the display.
void ToggleDisplay(HWND hwnd) {
    if (!g_pDisplay || (g_pGameMain && g_pGameMain->scene == kSceneOpeningMovie))
        return;
    g_pDisplay->ToggleScreenMode(hwnd);
    g_SystemData.fullScreen = g_pDisplay->fullScreen;
    GiveMouseDisplayRects();
    if (g_FrameSurface)
        g_FrameSurface->Fill(0xFFFFFFFFu, nullptr);
    plat::InvalidateWindow(hwnd);
}

bool IsPolledKey(plat::Key key) {
    using plat::Key;
    switch (key) {
        case Key::Return:
        case Key::NumpadEnter:
        case Key::Ctrl:
        case Key::Escape:
        case Key::Space:
        case Key::PageUp:
        case Key::PageDown:
        case Key::Left:
        case Key::Right:
        case Key::Up:
        case Key::Down:
        case Key::Numpad0:
            return true;
        default:
            return false;
    }
}

void OnWheel(const plat::Message& msg) {
    if (!g_pGameMain || !g_pMouse || msg.wheel == 0)
        return;
    bool towardsUser = msg.wheel < 0;
    switch (g_pGameMain->scene) {
        case kSceneClickWait:
            if (towardsUser)
                g_pMouse->state.left = 1;
            break;
        case kSceneCommand:
        case kSceneLegwork:
            g_pMouse->wheel = towardsUser ? 1 : 0xFF;
            break;
        default:
            break;
    }
}

} // namespace

intptr_t WndProc(HWND hwnd, const plat::Message& msg) {
    using plat::Msg;
    switch (msg.msg) {
        case Msg::Create:
            if (!OnCreate(hwnd)) {
                TearDownRuntime();
                return -1;
            }
            return 0;
        case Msg::Destroy:
            OnDestroy();
            return 0;
        case Msg::Activate:
            return 0;
        case Msg::Paint:
            OnPaint(hwnd);
            return 0;
        case Msg::Close:
            if (plat::MessageBox(hwnd, kQuitQuestion, kGameTitle, plat::BoxButtons::OkCancel,
                                 plat::BoxIcon::Question) == plat::kIdOk)
                plat::DestroyWindow(hwnd);
            return 0;
        case Msg::KeyDown:
        case Msg::KeyUp:
            if (g_pKeyboard && IsPolledKey(msg.key))
                g_pKeyboard->Poll();
            return 0;
        case Msg::SysKeyDown:
            if (msg.key == plat::Key::Return)
                ToggleDisplay(hwnd);
            else if (msg.key == plat::Key::F4) {
                plat::Message close;
                close.msg = Msg::Close;
                plat::SendMessage(hwnd, close);
            }
            return 0;
        case Msg::SysKeyUp:
            return 0;
        case Msg::MouseMove:
            if (g_pMouse)
                g_pMouse->OnMove(hwnd, msg.x, msg.y);
            return 0;
        case Msg::ButtonDown:
        case Msg::ButtonUp:
            if (g_pMouse)
                g_pMouse->OnButton();
            return 0;
        case Msg::MouseWheel:
            OnWheel(msg);
            return 0;
        default:
            return 0;
    }
}
