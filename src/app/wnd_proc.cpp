#include "app/wnd_proc.h"

#include <new>
#include <vector>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "screens/scene_objects.h"
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

// The picture painted while a screen effect runs (game coordinates, scaled afterwards like any other).
std::vector<uint32_t>& ShakenPicture() {
    static std::vector<uint32_t> picture;
    return picture;
}

// The back buffer as it was last presented (its change stamp then), so that a repaint hands over
// only the rows written since; none after another picture was presented.
struct PresentedBackBuffer {
    HWND hwnd = nullptr;
    const CDIB32Base* surface = nullptr;
    uint64_t stamp = 0;
};
PresentedBackBuffer& LastPresented() {
    static PresentedBackBuffer last;
    return last;
}

void OnPaint(HWND hwnd) {
    if (!g_ScreenSurface || !g_pDisplay)
        return;
    const uint8_t* pixels = g_ScreenSurface->ReadPixelAddress(0, 0);
    int width = g_ScreenSurface->GetWidth(), height = g_ScreenSurface->GetHeight();
    if (!pixels || width <= 0 || height <= 0)
        return;
    const RECT& dest = *g_pDisplay->GetDestRect();
    if (g_pScriptMng && g_pScriptMng->m_screenFxOn) {
        CScriptMng& mng = *g_pScriptMng;
        auto& picture = ShakenPicture();
        bool painted = ComposeShakenPicture(
            reinterpret_cast<const uint32_t*>(pixels), width, height, g_ScreenSurface->GetPitch(),
            mng.m_screenFxKind, mng.m_screenFxPhase,
            [&mng](int32_t axis) { return mng.CalcShakeOffset(axis); }, picture);
        if (painted) { // an unknown kind paints nothing: the window keeps its last picture
            plat::Present(hwnd, picture.data(), width, height, width * 4, dest);
            LastPresented() = {};
        }
        return;
    }
    const CDIB32Base* back = g_ScreenSurface->Impl();
    PresentedBackBuffer& last = LastPresented();
    plat::ChangedRows changed;
    if (last.hwnd == hwnd && last.surface == back)
        back->RowsChangedSince(last.stamp, changed.top, changed.bottom);
    plat::Present(hwnd, reinterpret_cast<const uint32_t*>(pixels), width, height, g_ScreenSurface->GetPitch(),
                  dest, changed);
    last = {hwnd, back, back->Stamp()};
}

// The configuration screen's full-screen radio buttons, redrawn on the back buffer: the background
// strip from layer 19, the mark from layer 24 on "window" or "full screen".
void RedrawConfigScreenModeRadio(bool fullScreen) {
    CDIB32* strip = g_Layers[19];
    CDIB32* mark = g_Layers[24];
    if (!g_ScreenSurface || !strip || !mark)
        return;
    CDIB32::Blt(g_ScreenSurface, 604, 298, strip, 604, 298, 184, 24);
    CDIB32::BltAlpha(g_ScreenSurface, fullScreen ? 761 : 608, 298, mark, 0, 0, 28, 18);
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
        // Keys with a flag of their own poll as well, so that F1, F2 and the keypad arrows are seen
        // when they are the only key pressed.
        case Key::Numpad2:
        case Key::Numpad4:
        case Key::Numpad6:
        case Key::Numpad8:
        case Key::F1:
        case Key::F2:
            return true;
        default:
            return false;
    }
}

// The backlog screen's redraw for its new position, through the operations it offers.
template <typename Backlog>
void RedrawBacklog(Backlog& backlog, HWND hwnd) {
    int32_t position = backlog.position;
    if constexpr (requires { backlog.CopyScreen(g_ScreenSurface, position); })
        backlog.CopyScreen(g_ScreenSurface, position);
    if constexpr (requires { backlog.LayoutLines(g_ScreenSurface, position); })
        backlog.LayoutLines(g_ScreenSurface, position);
    if constexpr (requires { backlog.DrawLine(hwnd, g_ScreenSurface, position); })
        backlog.DrawLine(hwnd, g_ScreenSurface, position);
}

void ScrollBacklog(HWND hwnd, bool towardsUser) {
    CBacklogScene* backlog = g_pBacklogScene;
    if (!backlog || backlog->state != 2 || backlog->lineCount <= 4)
        return;
    if (towardsUser)
        backlog->position =
            backlog->position < backlog->maxPosition ? backlog->position + 1 : backlog->maxPosition;
    else
        backlog->position = backlog->position > 0 ? backlog->position - 1 : 0;
    RedrawBacklog(*backlog, hwnd);
    backlog->hovered = 1;
    backlog->prevHovered = 0;
}

// From the message scene, away from the user: the backlog opens over a snapshot of the screen. When
// the snapshot cannot be made the scene stays, so the backlog never shows without its background.
void OpenBacklogFromMessage(HWND hwnd) {
    if (!g_ScreenSurface || g_pGameMain->backlogCount <= 1)
        return;
    auto* snapshot = new (std::nothrow) CDIB32();
    if (!snapshot)
        return;
    if (!snapshot->Create(hwnd, kScreenWidth, kScreenHeight, 24) || snapshot->GetWidth() != kScreenWidth ||
        snapshot->GetHeight() != kScreenHeight) {
        delete snapshot;
        return;
    }
    CDIB32::Blt(snapshot, 0, 0, g_ScreenSurface, 0, 0, kScreenWidth, kScreenHeight);
    delete g_pScriptUiSurfaces[kUiSnapshot];
    g_pScriptUiSurfaces[kUiSnapshot] = snapshot;
    g_pGameMain->returnScene = kSceneMessage;
    g_pGameMain->scene = kSceneBacklog;
}

// The wheel: a scroll in the backlog, a click or the backlog in the message scene, a click in the
// click wait, and a report in the wheel byte for every other screen (the menus and lists step their
// selection with it and clear it; the frame drops a report that its scene left untaken).
void OnWheel(HWND hwnd, const plat::Message& msg) {
    if (!g_pGameMain || msg.wheel == 0)
        return;
    bool towardsUser = msg.wheel < 0;
    switch (g_pGameMain->scene) {
        case kSceneBacklog:
            ScrollBacklog(hwnd, towardsUser);
            break;
        case kSceneMessage:
            if (!g_pScriptMng || g_pScriptMng->m_msgStep < 2)
                break;
            if (towardsUser) {
                if (g_pMouse)
                    g_pMouse->state.left = 1; // one click: the message goes on
            } else {
                OpenBacklogFromMessage(hwnd);
            }
            break;
        case kSceneClickWait:
            if (towardsUser && g_pMouse)
                g_pMouse->state.left = 1;
            break;
        default:
            if (g_pMouse)
                g_pMouse->wheel = towardsUser ? 1 : 0xFF;
            break;
    }
}

} // namespace

// Alt+Enter: the other display mode. The system data's byte always follows the display, so that a
// failed switch or a switch from a configuration screen that is not in its main state cannot leave
// them apart; the configuration screen in its main state also shows the new choice.
void ToggleDisplay(HWND hwnd) {
    if (!g_pDisplay || (g_pGameMain && g_pGameMain->scene == kSceneOpeningMovie))
        return;
    g_pDisplay->ToggleScreenMode(hwnd);
    g_SystemData.fullScreen = g_pDisplay->fullScreen;
    if (g_pGameMain && g_pGameMain->scene == kSceneConfig && g_pConfigScene && g_pConfigScene->state == 3)
        RedrawConfigScreenModeRadio(g_pDisplay->fullScreen != 0);
    GiveMouseDisplayRects();
    if (g_FrameSurface)
        g_FrameSurface->Fill(0xFFFFFFFFu, nullptr);
    plat::InvalidateWindow(hwnd);
}

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
            if (msg.key == plat::Key::Return || msg.key == plat::Key::NumpadEnter)
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
            OnWheel(hwnd, msg);
            return 0;
        default:
            return 0;
    }
}
