#include "screens/quit_dialog.h"

#include <algorithm>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"

using namespace screens;

const QuitDialogLayout kExitDialogLayout = {
    0x003E75DDu, // red 62, green 117, blue 221
    154,
    0,
    314,
    223,
    396,
    134,
    36,
    {36, 34},
    187,
    170,
    {396, 0},
    {{0, 0}, {0, 134}},
    {{389, 244, 581, 287}, {389, 292, 581, 335}, {598, 308, 670, 334}},
    {{398, 295, 503, 340}, {519, 295, 624, 340}},
    {{396, 134}, {396, 177}, {588, 224}},
    {{396, 220}, {396, 263}, {588, 250}},
    {{588, 134}, {693, 134}},
    {{588, 179}, {693, 179}},
    {398, 295, 624, 340},
    {84, 72},
    36,
    255,
};

const QuitDialogLayout kSystemMenuDialogLayout = {
    0x00000000u,
    128,
    39,
    234,
    233,
    332,
    181,
    34,
    {34, 34},
    199,
    215,
    {332, 0},
    {{0, 0}, {0, 181}},
    {{295, 262, 508, 296}, {306, 330, 496, 366}, {475, 381, 545, 411}},
    {{294, 309, 396, 354}, {422, 309, 516, 354}},
    {{332, 181}, {332, 215}, {545, 181}},
    {{332, 251}, {332, 285}, {545, 215}},
    {{332, 321}, {434, 321}},
    {{332, 321}, {432, 321}},
    {289, 303, 524, 358},
    {55, 70},
    34,
    128,
};

namespace {

constexpr int kSlotFill = 33; // the backdrop colour, blended over the picture at set-up

int32_t Width(const RECT& r) {
    return r.right - r.left;
}

int32_t Height(const RECT& r) {
    return r.bottom - r.top;
}

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

void ResetFullRect() {
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
}

} // namespace

PanelSource QuitDialog::PanelOf(bool secondPanel) const {
    if (!secondPanel) {
        return m_layout.firstPanel;
    }
    return m_layout.secondPanel[first == 2 ? 1 : 0];
}

void QuitDialog::DrawPanel(int32_t y, uint16_t level, bool secondPanel) {
    const PanelSource src = PanelOf(secondPanel);
    CDIB32::BltAlphaFade(g_ScreenSurface, m_layout.panelX, y, Slot(kSlotPanels), src.x, src.y,
                         m_layout.panelW, m_layout.panelH, level);
}

void QuitDialog::DrawIdle(bool secondPanel) {
    CDIB32* backdrop = Slot(kSlotBackdrop);
    CDIB32* panels = Slot(kSlotPanels);
    if (!secondPanel) {
        const PanelSource src = PanelOf(false);
        CDIB32::Blt(g_ScreenSurface, m_layout.panelX, m_layout.panelY, backdrop, m_layout.panelX,
                    m_layout.panelY, m_layout.panelW, m_layout.panelH);
        CDIB32::BltAlpha(g_ScreenSurface, m_layout.panelX, m_layout.panelY, panels, src.x, src.y,
                         m_layout.panelW, m_layout.panelH);
        return;
    }
    const RECT& area = m_layout.secondIdleArea;
    CDIB32::Blt(g_ScreenSurface, area.left, area.top, backdrop, area.left, area.top, Width(area),
                Height(area));
    CDIB32::BltAlpha(g_ScreenSurface, area.left, area.top, panels, m_layout.secondIdleSource.x,
                     m_layout.secondIdleSource.y, Width(area), Height(area));
}

void QuitDialog::DrawHover(bool secondPanel, uint8_t button) {
    const RECT* rects = secondPanel ? m_layout.secondButtons : m_layout.firstButtons;
    const PanelSource* sources = secondPanel ? m_layout.secondHover : m_layout.firstHover;
    const int count = secondPanel ? 2 : 3;
    if (button < 1 || button > count) {
        return;
    }
    const RECT& at = rects[button - 1];
    const PanelSource src = sources[button - 1];
    CDIB32::BltAlpha(g_ScreenSurface, at.left, at.top, Slot(kSlotPanels), src.x, src.y, Width(at),
                     Height(at));
}

QuitDialog::Outcome QuitDialog::Step(HWND hwnd, const char* panelBitmap, const char* fallbackBitmap) {
    switch (step) {
        case kSetUp:
            SetUp(hwnd, panelBitmap, fallbackBitmap);
            break;
        case kTint:
            Tint();
            break;
        case kFirstIn:
            SlideIn(false);
            break;
        case kFirstChoice:
            Choose(false);
            break;
        case kFirstClose:
            Close(false);
            break;
        case kSecondInOrUntint:
            if (first == 3) {
                Untint();
            } else {
                SlideIn(true);
            }
            break;
        case kCancelled:
            return Outcome::kCancelled;
        case kSecondChoice:
            Choose(true);
            break;
        case kSecondClose:
            Close(true);
            break;
        case kAct:
            return Act();
        case kGlide:
            Glide(hwnd);
            break;
        default:
            break;
    }
    return step == kCancelled ? Outcome::kCancelled : Outcome::kRunning;
}

void QuitDialog::SetUp(HWND hwnd, const char* panelBitmap, const char* fallbackBitmap) {
    ResetFullRect();
    CopyToSlot(kSlotEntry, hwnd, g_ScreenSurface);
    CDIB32* panels = LoadSlot(kSlotPanels, hwnd, panelBitmap);
    if (panels && fallbackBitmap && panels->GetLoadState() != CDIB32::kLoaded) {
        panels->Load(hwnd, fallbackBitmap);
    }
    CDIB32* backdrop = CopyToSlot(kSlotBackdrop, hwnd, g_ScreenSurface);
    CDIB32* fill = MakeFilledSlot(kSlotFill, hwnd, m_layout.backdropColour);
    CDIB32::BltFade(backdrop, 0, 0, kWidth, kHeight, fill, 0, 0, 0, kWidth, kHeight, m_layout.backdropLevel);
    timer.Restart();
    step = kTint;
}

void QuitDialog::Tint() {
    uint16_t level = 0;
    if (timer.Running(kTintMs, &level)) {
        DrawEffect(m_layout.tintEffect, g_ScreenSurface, Slot(kSlotBackdrop), Slot(kSlotEntry), 0, 0, 0, 0,
                   kWidth, kHeight, level, 0);
        return;
    }
    DrawWhole(Slot(kSlotBackdrop));
    timer.Restart();
    step = kFirstIn;
}

void QuitDialog::SlideIn(bool secondPanel) {
    const int32_t slide = secondPanel ? m_layout.secondSlide[first == 2 ? 1 : 0] : m_layout.firstSlide;
    uint16_t level = 0;
    if (timer.Running(kSlideMs, &level)) {
        CDIB32::Blt(g_ScreenSurface, m_layout.panelX, m_layout.restoreTop, Slot(kSlotBackdrop),
                    m_layout.panelX, m_layout.restoreTop, m_layout.panelW, m_layout.restoreH);
        DrawPanel(m_layout.panelY - m_layout.firstSlide + level * slide / 256,
                  static_cast<uint16_t>(level * level / 256), secondPanel);
        return;
    }
    DrawWhole(Slot(kSlotBackdrop));
    DrawPanel(m_layout.panelY, 255, secondPanel);
    timer.Restart();
    const uint8_t next = secondPanel ? kSecondChoice : kFirstChoice;
    if (g_SystemData.keyboardMode) {
        StartGlide(secondPanel ? m_layout.secondButtons[0] : m_layout.firstButtons[0], next);
    } else {
        step = next;
    }
}

void QuitDialog::Choose(bool secondPanel) {
    uint8_t& choice = secondPanel ? second : first;
    uint8_t& previous = secondPanel ? prevSecond : prevFirst;
    MouseState* mouse = Mouse();
    if (!mouse) {
        return;
    }
    previous = choice;
    choice = HitTest(secondPanel ? m_layout.secondButtons : m_layout.firstButtons, secondPanel ? 2 : 3,
                     POINT{mouse->x, mouse->y});
    if (choice != previous) {
        if (previous != 0) {
            DrawIdle(secondPanel);
        }
        DrawHover(secondPanel, choice);
    }
    const uint8_t next = secondPanel ? kSecondClose : kFirstClose;
    if (mouse->left && choice != 0) {
        PlayClickSound(kClickSound);
        mouse->left = 0;
        timer.Restart();
        step = next;
    } else if (mouse->right) {
        PlayClickSound(kClickSound);
        choice = secondPanel ? 2 : 3;
        mouse->right = 0;
        timer.Restart();
        step = next;
    }
}

void QuitDialog::Close(bool secondPanel) {
    uint16_t level = 0;
    if (timer.Running(kCloseMs, &level)) {
        const uint32_t e = timer.elapsed;
        const int32_t sink =
            static_cast<int32_t>(m_layout.sink * SinDeg(static_cast<int32_t>(e * 90 / 300 / 2)));
        const int32_t degrees = static_cast<int32_t>(std::min<uint32_t>(e * 180 / 150, 180));
        const int32_t glow = static_cast<int32_t>(m_layout.glowMax * SinDeg(degrees));
        CDIB32::Blt(g_ScreenSurface, m_layout.panelX, m_layout.panelY, Slot(kSlotBackdrop), m_layout.panelX,
                    m_layout.panelY, m_layout.panelW, m_layout.panelH + m_layout.sink);
        DrawPanel(m_layout.panelY + sink, static_cast<uint16_t>(255 - level), secondPanel);
        const uint8_t choice = secondPanel ? second : first;
        const int count = secondPanel ? 2 : 3;
        if (choice >= 1 && choice <= count && glow > 0) {
            const RECT& at = (secondPanel ? m_layout.secondButtons : m_layout.firstButtons)[choice - 1];
            const PanelSource src = (secondPanel ? m_layout.secondGlow : m_layout.firstGlow)[choice - 1];
            BltAddAlpha(g_ScreenSurface, static_cast<int16_t>(at.left), static_cast<int16_t>(at.top + sink),
                        Slot(kSlotPanels), static_cast<int16_t>(src.x), static_cast<int16_t>(src.y),
                        static_cast<int16_t>(Width(at)), static_cast<int16_t>(Height(at)),
                        static_cast<uint16_t>(glow));
        }
        return;
    }
    DrawWhole(Slot(kSlotBackdrop));
    timer.Restart();
    step = secondPanel ? kAct : kSecondInOrUntint;
}

void QuitDialog::Untint() {
    uint16_t level = 0;
    if (timer.Running(kTintMs, &level)) {
        DrawEffect(m_layout.tintEffect, g_ScreenSurface, Slot(kSlotEntry), Slot(kSlotBackdrop), 0, 0, 0, 0,
                   kWidth, kHeight, level, 0);
        return;
    }
    ResetFullRect();
    DrawWhole(Slot(kSlotEntry));
    step = kCancelled;
}

QuitDialog::Outcome QuitDialog::Act() {
    if (second != 1) {
        // No: the first panel comes back. The yes/no choice is kept, so a pointer resting on "no"
        // when that panel returns lights nothing until it moves.
        DrawWhole(Slot(kSlotBackdrop));
        timer.Restart();
        first = 0;
        step = kFirstIn;
        return Outcome::kRunning;
    }
    return first == 2 ? Outcome::kQuit : Outcome::kTitle;
}

void QuitDialog::StartGlide(const RECT& target, uint8_t next) {
    const MouseState* mouse = Mouse();
    glideTarget[0] = static_cast<int16_t>(target.left + (Width(target) >> 1));
    glideTarget[1] = static_cast<int16_t>(target.top + (Height(target) >> 1));
    glideStart[0] = static_cast<int16_t>(mouse ? mouse->x : glideTarget[0]);
    glideStart[1] = static_cast<int16_t>(mouse ? mouse->y : glideTarget[1]);
    glideNext = next;
    timer.Restart();
    step = kGlide;
}

bool GlideCursor(HWND hwnd, const int16_t target[2], const int16_t start[2], uint32_t elapsedMs,
                 uint32_t durationMs) {
    const uint64_t angle = durationMs == 0 ? 90 : uint64_t{elapsedMs} * 90 / durationMs;
    if (angle >= 90 || FadeCut()) {
        CursorToWindowPoint(hwnd, ScaleToScreenX(target[0]), ScaleToScreenY(target[1]));
        return true;
    }
    // sin(angle + 90°) falls from 1 to 0: the cursor leaves the start quickly and settles.
    const double s = SinDeg(static_cast<int32_t>(angle) + 90);
    const int32_t x = static_cast<int32_t>(target[0] + (start[0] - target[0]) * s);
    const int32_t y = static_cast<int32_t>(target[1] + (start[1] - target[1]) * s);
    CursorToWindowPoint(hwnd, ScaleToScreenX(x), ScaleToScreenY(y));
    return false;
}

void QuitDialog::Glide(HWND hwnd) {
    timer.Level(kGlideMs);
    if (!GlideCursor(hwnd, glideTarget, glideStart, timer.elapsed, kGlideMs)) {
        return;
    }
    if (MouseState* mouse = Mouse()) {
        mouse->left = 0;
    }
    step = glideNext;
    timer.Restart();
}
