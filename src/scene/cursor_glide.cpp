#include "scene/cursor_glide.h"

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/sin_table.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

namespace kestrel::sequence {

namespace {

constexpr uint32_t kGlideMs = 150;

} // namespace

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
    const HWND window = g_pGameMain != nullptr ? g_pGameMain->hWnd : nullptr;
    const uint32_t angle = Level(now - e.m_stepTime, 90, kGlideMs);
    if (angle < 90 && !CtrlHeld()) {
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

} // namespace kestrel::sequence
