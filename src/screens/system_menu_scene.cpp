#include "screens/system_menu_scene.h"

#include <algorithm>
#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "screens/exit_scene.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

using namespace screens;

namespace {

constexpr int32_t kIrisEffect = 39;
constexpr char kClickSound[] = "se\\sys_010.ogg";
// The quit dialog's panels: a picture of our own first, laid out for this dialog's regions, which
// overlap the quit confirmation's in the shared "system\EXIT_P.bmp" so that no one picture can serve
// both; the shared one when ours is missing.
constexpr char kPanels[] = "system\\sys_m_exit.bmp";
constexpr char kSharedPanels[] = "system\\EXIT_P.bmp";
constexpr int kFirstDialogState = 10;
constexpr int kGlideState = 30;

// Label column and rows.
constexpr int32_t kLabelX = 630;
constexpr int32_t kLabelSlide = 26;
constexpr int32_t kLabelTop = 195;
constexpr int32_t kLabelW = 160;
constexpr int32_t kRowH = 38;
constexpr int32_t kColumnX = 440;
constexpr int32_t kColumnW = 359;
constexpr int32_t kLineSrcX = 150;
constexpr int32_t kLineSrcY = 224;
constexpr int32_t kLineW = 360;
constexpr int32_t kLineH = 4;
constexpr int32_t kLineTravel = 200;
constexpr int32_t kHoverW = 190;
constexpr int32_t kGlowSrcX = 350;
constexpr int32_t kGlowW = 159;

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

CDIB32* Snapshot() {
    return g_pScriptUiSurfaces[kUiSnapshot];
}

// The snapshot surface := a copy of the back buffer (made when missing).
void TakeSnapshot(HWND hwnd) {
    CDIB32*& snapshot = g_pScriptUiSurfaces[kUiSnapshot];
    if (!snapshot || snapshot->GetWidth() != kWidth || snapshot->GetHeight() != kHeight) {
        CDIB32* made = new (std::nothrow) CDIB32();
        if (made && !made->Create(hwnd, kWidth, kHeight, 24)) {
            delete made;
            made = nullptr;
        }
        ReplaceSurface(snapshot, made);
    }
    CDIB32::Blt(snapshot, 0, 0, g_ScreenSurface, 0, 0, kWidth, kHeight);
}

} // namespace

bool CSystemMenuScene::Dispatch(HWND hwnd) {
    if (state >= kFirstDialogState &&
        (state <= 22 || (state == kGlideState && dialog.step == QuitDialog::kGlide))) {
        QuitDialogStep(hwnd);
        return true;
    }
    switch (state) {
        case 0:
            SetUp(hwnd);
            break;
        case 1:
            FadeIn();
            break;
        case 2:
            SidePictures();
            break;
        case 3:
            LabelsAndLines();
            break;
        case 4:
            Input(hwnd);
            break;
        case 5:
            FadeOut();
            break;
        case 6:
            Leave();
            break;
        case kGlideState:
            Glide(hwnd);
            break;
        default:
            break;
    }
    return true;
}

void CSystemMenuScene::SetUp(HWND hwnd) {
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
        // A script opens the menu and goes on with its next command when the menu closes: the menu
        // returns to the interpreter, and the snapshot its fade-out (and the backlog's) returns to
        // is the picture on which it opened.
        g_pGameMain->returnScene = kSceneScript;
    }
    CopyToSlot(kSlotEntry, hwnd, g_ScreenSurface);
    CopyToSlot(kSlotMenu, hwnd, g_ScreenSurface);
    TakeSnapshot(hwnd);
    CDIB32* base = LoadSlot(kSlotBase, hwnd, "system\\sys_m_base.bmp");
    CDIB32::BltAlpha(Slot(kSlotMenu), 0, 0, base, 0, 0, kWidth, kHeight);
    LoadSlot(kSlotText, hwnd, "system\\sys_m_moji.bmp");
    LoadSlot(kSlotSide, hwnd, "system\\sys_m_p01.bmp");
    LoadSlot(kSlotLabels, hwnd, "system\\sys_m_p02.bmp");
    if (MouseState* mouse = Mouse()) {
        mouse->right = 0;
    }
    hoverPhase = 0;
    selected = prevSelected = 0;
    timer.Restart();
    state = 1;
}

void CSystemMenuScene::FadeIn() {
    uint16_t level = 0;
    if (timer.Running(kFadeInMs, &level)) {
        DrawEffect(kIrisEffect, g_ScreenSurface, Slot(kSlotMenu), Slot(kSlotEntry), 0, 0, 0, 0, kWidth,
                   kHeight, level, 0);
        return;
    }
    DrawWhole(Slot(kSlotMenu));
    timer.Restart();
    state = 2;
}

void CSystemMenuScene::SidePictures() {
    // b runs to 254, not 255.
    const uint32_t b =
        std::min<uint32_t>(timer.Level(kSideMs) >= 255 ? 254 : timer.elapsed * 254 / kSideMs, 254);
    CDIB32* menu = Slot(kSlotMenu);
    if (b < 254 && !FadeCut()) {
        CDIB32::Blt(g_ScreenSurface, 0, 0, menu, 0, 0, 134, 600);
        CDIB32::Blt(g_ScreenSurface, 524, 330, menu, 524, 330, 276, 270);
        const int32_t w = static_cast<int32_t>(b * 134 / 256);
        CDIB32::BltAlphaFade(g_ScreenSurface, 0, 0, Slot(kSlotText), 140 - w, 0, w, 600,
                             static_cast<uint16_t>(b * b / 256));
        const int32_t shift = static_cast<int32_t>(b * 38 / 256);
        CDIB32::BltAlphaFade(g_ScreenSurface, 562 - shift, 368 - shift, Slot(kSlotSide), 0, 0, 276, 270,
                             static_cast<uint16_t>(b));
        return;
    }
    CDIB32::BltAlpha(menu, 0, 0, Slot(kSlotText), 0, 0, 140, 600);
    CDIB32::BltAlpha(menu, 524, 330, Slot(kSlotSide), 0, 0, 276, 270);
    DrawWhole(menu);
    timer.Restart();
    lineStart[0] = timer.start;
    lineStarted[0] = 1;
    for (int i = 1; i < kLineCount; ++i) {
        lineStarted[i] = 0;
    }
    state = 3;
}

void CSystemMenuScene::DrawLabels(CDIB32* surface, int32_t x, uint16_t level) {
    for (int i = 0; i < kButtonCount; ++i) {
        CDIB32::BltAlphaFade(surface, x, kLabelTop + kRowH * i, Slot(kSlotLabels), 190, kRowH * i, kLabelW,
                             kRowH, level);
    }
}

void CSystemMenuScene::DrawLines(CDIB32* surface, uint32_t now, uint16_t level, bool final) {
    for (int i = 0; i < kLineCount; ++i) {
        int32_t travel = kLineTravel;
        if (!final) {
            if (!lineStarted[i]) {
                continue;
            }
            const uint64_t t = uint64_t{now - lineStart[i]} * 255 / kLineMs;
            travel = static_cast<int32_t>(std::min<uint64_t>(kLineTravel, t * kLineTravel / 256));
            if (travel > 127 && i + 1 < kLineCount && !lineStarted[i + 1]) {
                lineStarted[i + 1] = 1;
                lineStart[i + 1] = now;
            }
        }
        CDIB32::BltAlphaFade(surface, 640 - travel, kLineY[i], Slot(kSlotLabels), kLineSrcX, kLineSrcY,
                             kLineW, kLineH, level);
    }
}

void CSystemMenuScene::LabelsAndLines() {
    uint16_t level = 0;
    if (timer.Running(kLabelsMs, &level)) {
        DrawWhole(Slot(kSlotMenu));
        DrawLabels(g_ScreenSurface, kLabelX + kLabelSlide - level * kLabelSlide / 256, level);
        DrawLines(g_ScreenSurface, timeGetTime(), level, false);
        return;
    }
    CDIB32* menu = Slot(kSlotMenu);
    DrawLines(menu, 0, 255, true);
    DrawLabels(menu, kLabelX, 255);
    DrawWhole(menu);
    if (MouseState* mouse = Mouse()) {
        mouse->right = 0;
    }
    selected = prevSelected = 0;
    timer.Restart();
    if (g_SystemData.keyboardMode) {
        const RECT& r = kButtonRects[0];
        glideTarget[0] = static_cast<int16_t>(r.left + ((r.right - r.left) >> 1));
        glideTarget[1] = static_cast<int16_t>(r.top + ((r.bottom - r.top) >> 1));
        const MouseState* mouse = Mouse();
        glideStart[0] = static_cast<int16_t>(mouse ? mouse->x : glideTarget[0]);
        glideStart[1] = static_cast<int16_t>(mouse ? mouse->y : glideTarget[1]);
        glideNext = 4;
        state = kGlideState;
    } else {
        state = 4;
    }
}

void CSystemMenuScene::Glide(HWND hwnd) {
    timer.Level(QuitDialog::kGlideMs);
    if (!GlideCursor(hwnd, glideTarget, glideStart, timer.elapsed, QuitDialog::kGlideMs)) {
        return;
    }
    if (MouseState* mouse = Mouse()) {
        mouse->left = 0;
    }
    timer.Restart();
    state = glideNext;
}

void CSystemMenuScene::Input(HWND hwnd) {
    prevSelected = selected;
    selected = HitTestMouse(kButtonRects, kButtonCount);

    const SelectionStep move = TakeSelectionStep();
    if (move.delta != 0) {
        selected = StepSelection(prevSelected, kButtonCount, move.delta);
        const RECT& r = kButtonRects[selected - 1];
        CursorToWindowPoint(hwnd, ScaleToScreenX(r.right - 20), ScaleToScreenY(r.top + 11));
        if (move.wheel) {
            Sleep(kWheelPauseMs);
        }
    }

    CDIB32* menu = Slot(kSlotMenu);
    if (selected != prevSelected) {
        CDIB32::Blt(g_ScreenSurface, kColumnX, kLabelTop, menu, kColumnX, kLabelTop, kColumnW,
                    kRowH * kButtonCount);
        hoverPhase = selected != 0 ? 1 : 0;
        hoverStart = timeGetTime();
    }
    if (selected != 0 && hoverPhase != 0) {
        const int32_t rowY = 157 + kRowH * selected;
        const int32_t srcY = kRowH * (selected - 1);
        const uint32_t elapsed = timeGetTime() - hoverStart;
        const uint32_t k = elapsed * 12 / kHoverMs;
        if (hoverPhase == 1 && k < 12 && !FadeCut()) {
            const uint16_t level = static_cast<uint16_t>(std::min<uint32_t>(elapsed * 254 / kHoverMs, 254));
            CDIB32::Blt(g_ScreenSurface, kColumnX, rowY, menu, kColumnX, rowY, kColumnW, kRowH);
            CDIB32::BltAlphaFade(g_ScreenSurface, 452 - static_cast<int32_t>(k), rowY, Slot(kSlotLabels), 0,
                                 srcY, kHoverW, kRowH, level);
            BltAddAlpha(g_ScreenSurface, kLabelX, static_cast<int16_t>(rowY), Slot(kSlotLabels), kGlowSrcX,
                        static_cast<int16_t>(srcY), kGlowW, kRowH, level);
        } else {
            hoverPhase = 2;
            CDIB32::Blt(g_ScreenSurface, kColumnX, rowY, menu, kColumnX, rowY, kColumnW, kRowH);
            CDIB32::BltAlpha(g_ScreenSurface, kColumnX, rowY, Slot(kSlotLabels), 0, srcY, kHoverW, kRowH);
            BltAddAlpha(g_ScreenSurface, kLabelX, static_cast<int16_t>(rowY), Slot(kSlotLabels), kGlowSrcX,
                        static_cast<int16_t>(srcY), kGlowW, kRowH, 254);
        }
    }

    MouseState* mouse = Mouse();
    if (!mouse) {
        return;
    }
    if (mouse->left && selected != 0) {
        PlayClickSound(kClickSound);
        mouse->left = 0;
        state = 6;
    } else if (mouse->right) {
        mouse->right = 0;
        selected = 0;
        timer.Restart();
        state = 5;
    }
}

void CSystemMenuScene::FadeOut() {
    uint16_t level = 0;
    if (timer.Running(kFadeOutMs, &level)) {
        DrawEffect(kIrisEffect, g_ScreenSurface, Snapshot(), Slot(kSlotMenu), 0, 0, 0, 0, kWidth, kHeight,
                   level, 0);
        return;
    }
    DrawWhole(Snapshot() ? Snapshot() : Slot(kSlotEntry));
    state = 6;
}

void CSystemMenuScene::Leave() {
    if (selected == kQuit) {
        dialog.step = QuitDialog::kSetUp;
        state = kFirstDialogState;
        return;
    }
    state = 0;
    FreeSlots(kSlotMenu, kSlotLabels);
    static constexpr SceneId kTargets[kButtonCount] = {kSceneSave, kSceneLoad, kSceneBacklog, kSceneConfig};
    if (selected >= kSave && selected <= kConfig) {
        if (g_pScriptMng) {
            g_pScriptMng->m_menuFromGame = 1;
        }
        SetScene(kTargets[selected - 1]);
    } else {
        SetScene(g_pGameMain ? g_pGameMain->returnScene : static_cast<SceneId>(kSceneScript));
    }
}

void CSystemMenuScene::QuitDialogStep(HWND hwnd) {
    switch (dialog.Step(hwnd, kPanels, kSharedPanels)) {
        case QuitDialog::Outcome::kRunning:
            state = dialog.step == QuitDialog::kGlide ? kGlideState : static_cast<uint8_t>(dialog.step + 10);
            break;
        case QuitDialog::Outcome::kCancelled:
            FreeSlots(QuitDialog::kSlotEntry, 34);
            dialog.step = QuitDialog::kSetUp;
            // The quit button stays the selection: the first frame of the input finds the pointer
            // elsewhere and puts the quit label back to its plain look.
            state = 4;
            break;
        case QuitDialog::Outcome::kTitle:
            state = 0;
            ClearForTitle(20, 62);
            SetScene(kSceneTitleMenu);
            break;
        case QuitDialog::Outcome::kQuit:
            state = 0xFF;
            plat::DestroyWindow(hwnd);
            break;
    }
}
