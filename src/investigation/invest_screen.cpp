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

void DropInput() {
    sequence::ClearCtrl();
    sequence::ClearLeftButton();
    sequence::ClearRightButton();
}

void RestoreArea(int x, int y, int w, int h) {
    CDIB32::Blt(g_ScreenSurface, x, y, g_Layers[0], x, y, w, h);
}

void StepBack(CScriptMng& e, MouseState& mouse, int x, int y, int w, int h, uint8_t step, const char* click) {
    if (click != nullptr)
        Click(click);
    RestoreArea(x, y, w, h);
    e.m_hoverRow = e.m_prevHoverRow = 0;
    mouse.right = 0;
    e.m_investStep = step;
}

bool DialogGlideStep(CScriptMng& e, uint32_t now) {
    if (!GlideStep(e, now))
        return false;
    e.m_stepTime = now;
    sequence::ClearLeftButton();
    return true;
}

bool DialogHover(CScriptMng& e, const MouseState* mouse, const RECT (&buttons)[2]) {
    e.m_prevHoverFlag = e.m_hoverFlag;
    e.m_hoverFlag = 0;
    for (int b = 0; b < 2; ++b)
        if (PointIn(mouse, buttons[b]))
            e.m_hoverFlag = static_cast<uint8_t>(b + 1);
    return e.m_hoverFlag != e.m_prevHoverFlag;
}

bool DialogAnswered(CScriptMng& e, MouseState* mouse, uint32_t now, const char* rightClick) {
    if (mouse == nullptr)
        return false;
    if (e.m_hoverFlag != 0 && mouse->left != 0) {
        Click("sys_a002.ogg");
        mouse->left = 0;
    } else if (mouse->right != 0) {
        Click(rightClick);
        e.m_hoverFlag = 2;
        // A left press that came with it would act on the screen behind the dialog.
        mouse->left = 0;
        mouse->right = 0;
    } else {
        return false;
    }
    e.m_stepTime = now;
    return true;
}

void DrawPressedButton(CDIB32* sheet, const RECT (&buttons)[2], uint8_t answer, int32_t drop,
                       uint32_t elapsed) {
    const auto angle = static_cast<int32_t>(sequence::AtMost(sequence::Level(elapsed, 180, kDialogMs), 180));
    const auto opacity = static_cast<uint16_t>(SinDeg(angle) * 255);
    const int b = answer == 1 ? 0 : 1;
    CDIB32::BltAlphaFade(g_ScreenSurface, buttons[b].left, buttons[b].top + drop, sheet, kButtonW * b,
                         kPressedLookY, kButtonW, kButtonH, opacity);
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

void RedrawInvestigationBackground(CScriptMng& e, bool withGauge) {
    CDIB32* screen = g_ScreenSurface;
    if (screen == nullptr)
        return;
    if (g_Layers[0] != nullptr)
        CDIB32::Blt(screen, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    if (e.m_clockShown != 0)
        e.DrawClockHud(nullptr, withGauge);
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
