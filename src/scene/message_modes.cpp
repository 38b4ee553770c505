// The message scene: the three window styles' reveal and click wait, the speaker-name line, the
// small waits of the story (click, voice, voice stop, in-page click, voice before a message), the
// window buttons' hit tests and highlight, the click-wait icon and the composition of a message
// frame into the back buffer.
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/message_text.h"
#include "scene/msg_button_layout.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace {

uint8_t Scene() {
    return g_pGameMain ? g_pGameMain->scene : 0;
}
bool Ctrl() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}
bool InRect(const RECT& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
// The newest backlog row carries a voice.
bool NewestRowHasVoice() {
    if (g_pGameMain == nullptr || g_pGameMain->backlogCount == 0)
        return false;
    const uint32_t row =
        (g_pGameMain->backlogCount > kBacklogMax ? kBacklogMax : g_pGameMain->backlogCount) - 1;
    return g_pGameMain->backlogVoice[row][0] != '\0';
}
} // namespace

// ---- Buttons --------------------------------------------------------------------------------------

uint8_t CScriptMng::GetMsgButtonAt() {
    if (m_skipRead != 0 || m_autoMode != 0 || g_pMouse == nullptr)
        return 0;
    const bool vertical = m_windowStyle == 1;
    const MsgButton* table = vertical ? kVerticalButtons : kHorizontalButtons;
    const int count = vertical ? kVerticalButtonCount : kHorizontalButtonCount;
    const int32_t x = g_pMouse->state.x, y = g_pMouse->state.y;
    uint8_t n = 0;
    for (int i = 0; i < count && n == 0; ++i)
        if (InRect(table[i].hit, x, y))
            n = static_cast<uint8_t>(i + 1);
    if (n == 0)
        return 0;
    bool enabled = true;
    const uint8_t scene = Scene();
    if (m_inReplay == 0) {
        if (!vertical) {
            if (n == 9)
                enabled = scene == kSceneMessage  ? m_msgStep == 3
                          : scene == kSceneChoice ? m_msgStep == 1
                                                  : true;
            else if (n == 7)
                enabled = m_windowFrame != 0;
            else if (n == 8)
                enabled = NewestRowHasVoice();
        } else {
            if (n == 9)
                enabled = m_msgStep == 3;
            else if (n == 7)
                enabled = NewestRowHasVoice();
        }
        if (n == 1)
            enabled = g_SystemData.skipUnread != 0 || MessageRead();
    } else if (!vertical) {
        if (n == 9)
            enabled = m_msgStep == 3;
        else if (n == 8)
            enabled = NewestRowHasVoice();
        else if (n == 3 || n == 4 || n == 7)
            enabled = false;
    } else {
        if (n == 8)
            enabled = m_msgStep == 3;
        else if (n == 7)
            enabled = NewestRowHasVoice();
        else if (n == 3 || n == 4)
            enabled = false;
    }
    return enabled ? n : 0;
}

uint8_t CScriptMng::GetWindowButtonAt() {
    if (g_pMouse == nullptr)
        return 0;
    uint8_t n = 0;
    for (int i = 0; i < kHorizontalButtonCount && n == 0; ++i)
        if (InRect(kHorizontalButtons[i].hit, g_pMouse->state.x, g_pMouse->state.y))
            n = static_cast<uint8_t>(i + 1);
    bool enabled = true;
    const uint8_t scene = Scene();
    if (m_inReplay == 0) {
        if (n == 9)
            enabled = scene == kSceneMessage ? m_msgStep == 3 : scene == kSceneChoice ? m_msgStep == 1 : true;
        else if (n == 7)
            enabled = m_windowFrame != 0;
        else if (n == 8)
            enabled = false;
        else if (n == 1)
            enabled = g_SystemData.skipUnread != 0 || MessageRead();
    } else {
        if (n == 9)
            enabled = m_msgStep == 3;
        else if (n == 3 || n == 4 || n == 7 || n == 8)
            enabled = false;
    }
    return enabled ? n : 0;
}

namespace {
bool DrawButtonFrom(const MsgButton* table, int count, uint8_t button) {
    CDIB32* picture = g_pScriptUiSurfaces[kUiWindowButtons];
    if (button == 0 || button > count || picture == nullptr || g_ScreenSurface == nullptr)
        return true;
    const MsgButton& b = table[button - 1];
    CDIB32::BltAlpha(g_ScreenSurface, b.x, b.y, picture, b.sx, b.sy, b.sw, b.sh);
    return true;
}
} // namespace

bool CScriptMng::DrawMsgButton(uint8_t button) {
    return m_windowStyle == 1 ? DrawButtonFrom(kVerticalButtons, kVerticalButtonCount, button)
                              : DrawButtonFrom(kHorizontalButtons, kHorizontalButtonCount, button);
}

bool DrawIcon(uint8_t button) {
    return DrawButtonFrom(kHorizontalButtons, kHorizontalButtonCount, button);
}

// A click while SKIP or AUTO runs only stops them; the press of the bar goes with them.
bool CScriptMng::CancelAutoSkipOnClick() {
    if (g_pMouse == nullptr)
        return true;
    MouseState& m = g_pMouse->state;
    auto release = [&] {
        m_btnHeld = 0;
        m_btnHeldNo = 0;
        m_hoverButton = 0;
    };
    if (m_skipRead != 0 && (m.left != 0 || m.right != 0)) {
        m.left = m.right = 0;
        m_skipRead = 0;
        release();
    }
    if (m_autoMode != 0 && (m.left != 0 || m.right != 0)) {
        m.right = 0;
        m.left = 0;
        m_autoMode = 0;
        release();
    }
    return true;
}

// ---- Click-wait icon and indicators ----------------------------------------------------------------

// The click-wait icon at the place its window gives: the vertical page's small strip below and
// right of (x, y) in the message scene and its in-page wait (the 40 x 40 cell does not fit that
// style's strip), else the 40 x 40 cell with its top-left corner at (x, y).
bool CScriptMng::DrawClickWait(int32_t x, int32_t y) {
    if (m_msgStep != 3 || m_autoMode != 0 || m_skipRead != 0 || Ctrl())
        return true;
    CDIB32* icon = g_pScriptUiSurfaces[kUiClickWait];
    const uint32_t now = timeGetTime();
    if (m_windowStyle == 1 && (Scene() == kSceneMessage || Scene() == kSceneClickWait)) {
        if (now - m_clickWaitTime > 80) {
            m_clickWaitFrame = m_clickWaitFrame >= 5 ? 0 : m_clickWaitFrame + 1;
            m_clickWaitTime = now;
        }
        if (icon != nullptr && g_ScreenSurface != nullptr)
            CDIB32::BltAlpha(g_ScreenSurface, x + 16, y + 18, icon,
                             static_cast<int32_t>(28 * m_clickWaitFrame), 0, 28, 18);
        return true;
    }
    if (now - m_clickWaitTime > 120) {
        m_clickWaitFrame = m_clickWaitFrame >= 7 ? 0 : m_clickWaitFrame + 1;
        m_clickWaitTime = now;
    }
    if (m_clickWaitFrame > 7)
        m_clickWaitFrame = 0;
    if (icon != nullptr && g_ScreenSurface != nullptr)
        CDIB32::BltAlpha(g_ScreenSurface, x, y, icon, static_cast<int32_t>(40 * m_clickWaitFrame), 0, 40, 40);
    return true;
}

// The SKIP indicator moves through 39 positions: x from the first motion table, y from the second,
// opacity from the first 39 entries of the opacity table. The AUTO indicator moves through 34: its
// y rows are the 15 row values followed by their last position's neighbour 455, its opacity the
// last 34 entries of the opacity table. Each keeps its index within its own table.
namespace {
constexpr int kSkipFrames = 39;
constexpr int kAutoFrames = 34;
constexpr int kOpacityEntries = 72;
int16_t AutoRowAt(const uint16_t (&rows)[15], int frame) {
    return static_cast<int16_t>(frame < 15 ? rows[frame] : 455);
}
} // namespace

bool CScriptMng::DrawAutoSkipIndicator() {
    if (m_windowStyle > 1)
        return true;
    CDIB32* picture = g_pScriptUiSurfaces[kUiWindowButtons];
    const uint32_t now = timeGetTime();
    const bool vertical = m_windowStyle == 1;
    const int32_t sx = vertical ? 324 : 270;
    if (m_skipRead != 0) {
        if (now - m_indicatorTime > 33) {
            m_indicatorFrame = static_cast<uint8_t>((m_indicatorFrame + 1) % kSkipFrames);
            m_indicatorTime = now;
        }
        const int f = m_indicatorFrame % kSkipFrames;
        const int32_t x = static_cast<int16_t>(m_indicatorY1[f]) + (vertical ? 465 : 243);
        const int32_t y = static_cast<int16_t>(m_indicatorY2[f]) + (vertical ? -74 : 8);
        if (picture != nullptr && g_ScreenSurface != nullptr)
            CDIB32::BltAlphaFade(g_ScreenSurface, x, y, picture, sx, 0, 32, 34, m_indicatorAlpha[f]);
    }
    if (m_autoMode != 0) {
        if (now - m_indicatorTime > 33) {
            m_indicatorFrame = static_cast<uint8_t>((m_indicatorFrame + 1) % kAutoFrames);
            m_indicatorTime = now;
        }
        const int f = m_indicatorFrame % kAutoFrames;
        const int32_t x = f + (vertical ? 963 : 775);
        const int32_t y = AutoRowAt(m_indicatorRows, f) + (vertical ? -47 : -1);
        const uint8_t alpha = m_indicatorAlpha[kOpacityEntries - 2 - kAutoFrames + f];
        if (picture != nullptr && g_ScreenSurface != nullptr)
            CDIB32::BltAlphaFade(g_ScreenSurface, x, y, picture, sx, 0, 32, 34, alpha);
    }
    return true;
}

void DrawMsgWindowBand(CDIB32* screen) {
    if (screen == nullptr)
        return;
    for (CDIB32* band : {g_TextSurface, g_NamePlateSurface})
        if (band != nullptr)
            CDIB32::BltAlpha(screen, 0, 448, band, 0, 0, band->GetWidth(), band->GetHeight());
}

// ---- Composition -----------------------------------------------------------------------------------

bool CScriptMng::ComposeMsgScene() {
    const uint8_t scene = Scene();
    if (scene != kSceneMessage && scene != kSceneClickWait && scene != kSceneWindowFade)
        return false;
    CDIB32* screen = g_ScreenSurface;
    CDIB32* layer0 = g_Layers[0];
    if (screen == nullptr)
        return false;
    auto copyLayer0 = [&] {
        if (layer0 != nullptr)
            CDIB32::Blt(screen, 0, 0, layer0, 0, 0, 1024, 576);
    };
    if (m_redrawWindow == 0) {
        bool charactersMoving = false;
        for (const MotionSlot& slot : m_motionSlots)
            charactersMoving = charactersMoving || slot.flags == 1;
        if (scene == kSceneWindowFade && charactersMoving) {
            copyLayer0();
            AnimateCharSlots();
            DrawMsgWindowBand(screen);
            DrawAutoSkipIndicator();
            AnimateMarkSlots();
        } else if (scene == kSceneMessage && m_windowStyle != 1 && m_windowStyle != 2 &&
                   m_windowHidden != 0) {
            copyLayer0();
            AnimateMarkSlots();
        }
        return true;
    }
    if (m_windowStyle == 2) {
        screen->FillRect(740, 544, 60, 56, 0);
        DrawClickWait(740, 552);
        return true;
    }
    if (m_windowStyle == 1) {
        if (m_windowHidden != 0)
            return true;
        copyLayer0();
        DrawMsgButton(m_hoverButton);
        if (scene == kSceneClickWait)
            DrawClickWait(m_textX - 22, m_textY + 1);
        else
            DrawClickWait(m_textX + 20, m_textY + 1);
        if (m_btnHeld != 0)
            MsgWndButtonAction(m_hoverButton);
        DrawAutoSkipIndicator();
        return true;
    }
    if (m_windowHidden != 0) {
        // Hidden by the bar's button, which leaves the window marked for drawing: the picture and
        // its marks as the hide key shows them, and not the window, which would come back at once.
        copyLayer0();
        AnimateMarkSlots();
        return true;
    }
    copyLayer0();
    AnimateCharSlots();
    AnimateMarkSlots();
    if (m_clockShown != 0)
        DrawClockHud();
    DrawMsgWindowBand(screen);
    DrawMsgButton(m_hoverButton);
    if (m_btnHeld != 0)
        MsgWndButtonAction(m_hoverButton);
    DrawAutoSkipIndicator();
    DrawClickWait(960, 524);
    return true;
}

void CScriptMng::DrawClockHud(CDIB32* target, bool withGauge) {
    CDIB32* screen = target != nullptr ? target : g_ScreenSurface;
    auto cell = [&](int ui, int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t w, int32_t h) {
        if (CDIB32* s = g_pScriptUiSurfaces[ui])
            CDIB32::BltAlpha(screen, dx, dy, s, sx, sy, w, h);
    };
    if (CDIB32* base = g_pScriptUiSurfaces[kUiTimeBase])
        CDIB32::BltAlpha(screen, 0, 0, base, 0, 0, base->GetWidth(), base->GetHeight());
    cell(kUiParts2, 134, 15, 0, m_hudDateRow * 28, 62, 28);
    cell(kUiParts4, 134, 46, 0, static_cast<int32_t>(m_hudInfoRow % 1024) * 32, 140, 32);
    int32_t labelY = 14, row = 42;
    if (m_clockHour <= 5) {
        labelY = 28;
        row = 84;
    } else if (m_clockHour <= 11) {
        labelY = 0;
        row = 0;
    }
    cell(kUiParts3, 134, 1, 0, labelY, 62, 14);
    cell(kUiParts3, 196, 1, 62, row, 78, 42);
    // The hands, turned about their centres: the minute hand 6 degrees a minute, the hour hand 30
    // degrees an hour and half a degree a minute.
    RotateBlit(screen, 20, 0, g_pScriptUiSurfaces[kUiTimeLong], m_clockMinute * 6);
    RotateBlit(screen, 20, 0, g_pScriptUiSurfaces[kUiTimeShort], m_clockMinute / 2 + (m_clockHour % 12) * 30);
    if (withGauge && m_investActive != 0)
        DrawTimeGauge(screen);
}

void CScriptMng::DrawTimeGauge(CDIB32* target) const {
    CDIB32* timer = g_pScriptUiSurfaces[kUiTimerBase];
    if (timer == nullptr)
        return;
    CDIB32::BltAlpha(target, 4, 4, timer, 0, 0, 29, 247);
    if (m_timeGauge >= 0)
        CDIB32::BltAlpha(target, 7, 247 - m_timeGauge * 4, timer, 32, 0, 10, m_timeGauge * 4);
}
