#include "investigation/invest_screen.h"

#include <cstdio>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "investigation/invest_redraw.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "scene/message_text.h"
#include "scene/sequence_surfaces.h"
#include "screens/screen_object.h"
#include "script/script_mng.h"

namespace kestrel::invest {

namespace {

constexpr uint32_t kWheelPauseMs = 100;

} // namespace

bool LoadScriptNamed(CScriptMng& engine, const char* format, int a, int b) {
    char name[kScriptNameSize] = {};
    const int n = std::snprintf(name, sizeof name, format, a, b);
    if (n < 0 || n >= kScriptNameSize) {
        const std::string text = "Not Found Script\n[" + text_codec::GameTextToUtf8Lossy(name) + "]";
        engine.ShowMessage(text.c_str(), "Error:LoadScript");
        return false;
    }
    return engine.LoadScript(name) != nullptr;
}

bool PointIn(const MouseState* mouse, const RECT& r) {
    return mouse != nullptr && mouse->x >= r.left && mouse->x < r.right && mouse->y >= r.top &&
           mouse->y < r.bottom;
}

int TakeWalkStep(bool* wheel) {
    int step = 0;
    bool byWheel = false;
    if (g_pKeyboard != nullptr) {
        if (g_pKeyboard->up != 0)
            step = -1;
        else if (g_pKeyboard->down != 0)
            step = 1;
        g_pKeyboard->up = 0;
        g_pKeyboard->down = 0;
    }
    if (step == 0 && g_pMouse != nullptr && g_pMouse->wheel != 0) {
        step = g_pMouse->wheel == 1 ? 1 : -1;
        byWheel = true;
    }
    if (g_pMouse != nullptr)
        g_pMouse->wheel = 0;
    if (wheel != nullptr)
        *wheel = byWheel;
    return step;
}

void PauseAfterWheel() {
    ::Sleep(kWheelPauseMs);
}

void CursorToCentre(const RECT& r) {
    const int32_t x = r.left + (r.right - r.left) / 2;
    const int32_t y = r.top + (r.bottom - r.top) / 2;
    CursorToWindowPoint(g_pGameMain != nullptr ? g_pGameMain->hWnd : nullptr, ScaleToScreenX(x),
                        ScaleToScreenY(y));
}

void StartGlide(CScriptMng& e, const RECT& r, uint32_t now) {
    e.m_cursorTarget[0] = static_cast<int16_t>(ScaleToScreenX(r.left + (r.right - r.left) / 2));
    e.m_cursorTarget[1] = static_cast<int16_t>(ScaleToScreenY(r.top + (r.bottom - r.top) / 2));
    const MouseState* mouse = g_pMouse != nullptr ? g_pMouse->GetState() : nullptr;
    e.m_cursorStart[0] =
        static_cast<int16_t>(mouse != nullptr ? ScaleToScreenX(mouse->x) : e.m_cursorTarget[0]);
    e.m_cursorStart[1] =
        static_cast<int16_t>(mouse != nullptr ? ScaleToScreenY(mouse->y) : e.m_cursorTarget[1]);
    e.m_stepTime = now;
}

bool GlideStep(CScriptMng& e, uint32_t now) {
    constexpr uint32_t kGlideMs = 150;
    const HWND window = g_pGameMain != nullptr ? g_pGameMain->hWnd : nullptr;
    const uint32_t angle = sequence::Level(now - e.m_stepTime, 90, kGlideMs);
    if (angle < 90 && !sequence::CtrlHeld()) {
        const double f = SinDeg(static_cast<int32_t>(angle) + 90);
        int32_t at[2];
        for (int axis = 0; axis < 2; ++axis)
            at[axis] = e.m_cursorTarget[axis] +
                       static_cast<int32_t>((e.m_cursorStart[axis] - e.m_cursorTarget[axis]) * f);
        CursorToWindowPoint(window, at[0], at[1]);
        return false;
    }
    CursorToWindowPoint(window, e.m_cursorTarget[0], e.m_cursorTarget[1]);
    return true;
}

void Click(const char* name) {
    screens::PlayClickSound(name);
}

void RedrawWindowStrip() {
    constexpr int kStripY = 430;
    CDIB32::Blt(g_ScreenSurface, 0, kStripY, g_Layers[0], 0, kStripY, kScreenWidth, kScreenHeight - kStripY);
    DrawMsgWindowBand(g_ScreenSurface);
}

bool ServeWindowBar(CScriptMng& e, bool rightClick, uint8_t own) {
    RedrawWindowStrip();
    if (rightClick)
        e.ScreenRightClick();
    e.m_prevHoverButton = e.m_hoverButton;
    e.m_hoverButton = e.GetWindowButtonAt();
    e.ScreenButtonInput(e.m_hoverButton);
    DrawIcon(e.m_hoverButton);
    e.ScreenButtonAction(e.m_hoverButton);
    e.DrawAutoSkipIndicator();
    return g_pGameMain == nullptr || g_pGameMain->scene == own;
}

void RedrawInvestigationBackground(CScriptMng& e) {
    CDIB32* screen = g_ScreenSurface;
    if (screen == nullptr)
        return;
    if (g_Layers[0] != nullptr)
        CDIB32::Blt(screen, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    if (e.m_clockShown != 0)
        e.DrawClockHud();
    DrawMsgWindowBand(screen);
}

void HidePanels(CScriptMng& e) {
    Click("sys_a002.ogg");
    sequence::ClearRightButton();
    ReplaceSurface(g_SavedScreenSurface, sequence::NewScreenCopy());
    sequence::Show(g_Layers[0]);
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
    e.m_panelsHidden = 1;
    e.m_msgWindowShown = 0;
    if (g_pKeyboard != nullptr)
        g_pKeyboard->space = 0;
}

bool HiddenPanelsStep(CScriptMng& e) {
    if (e.m_panelsHidden == 0)
        return false;
    const bool space = g_pKeyboard != nullptr && g_pKeyboard->space != 0;
    if (sequence::LeftButton() || sequence::RightButton() || space) {
        sequence::ClearLeftButton();
        sequence::ClearRightButton();
        if (g_pKeyboard != nullptr)
            g_pKeyboard->space = 0;
        sequence::Show(g_SavedScreenSurface);
        ReplaceSurface(g_SavedScreenSurface, nullptr);
        if (g_pGameMain != nullptr)
            g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
        e.m_panelsHidden = 0;
    }
    return true;
}

} // namespace kestrel::invest
