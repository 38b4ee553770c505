#include "screens/title_scene.h"

#include "app/game_main.h"
#include "app/user_sys_data.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "screens/system_data.h"

using namespace screens;

void UpdateProgressLevel() {
    if (!g_pGameMain) {
        return;
    }
    const uint8_t* flags = g_SystemData.endingFlags;
    constexpr int kCount = sizeof(g_SystemData.endingFlags);
    for (int i = 0; i < kCount; ++i) {
        if (i != 14 && i != 15 && flags[i] != 0) {
            g_pGameMain->progressLevel = 1;
            break;
        }
    }
    if (flags[14] != 0 || flags[15] != 0) {
        g_pGameMain->progressLevel = 2;
    }
}

CTitleScene::CTitleScene() {
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
}

bool CTitleScene::Dispatch(HWND hwnd) {
    switch (state) {
        case 0:
            Start(hwnd);
            break;
        case 1:
            FirstLogo();
            break;
        case 2:
            SecondLogo();
            break;
        case 4:
            state = 6;
            break;
        case 6:
            Leave();
            break;
        default:
            break;
    }
    return true;
}

void CTitleScene::NextPhase() {
    timer.Restart();
    stamp = timer.start;
}

bool CTitleScene::Dissolve(int from, int to) {
    uint16_t level = 0;
    if (timer.Running(kPhaseMs, &level)) {
        DrawCrossDissolve(Slot(to), Slot(from), level);
        return false;
    }
    DrawWhole(Slot(to));
    NextPhase();
    return true;
}

bool CTitleScene::Hold(int slot) {
    DrawWhole(Slot(slot));
    if (timer.Running(kPhaseMs, nullptr)) {
        return false;
    }
    NextPhase();
    return true;
}

void CTitleScene::Start(HWND hwnd) {
    CopyToSlot(kSlotPrevious, hwnd, g_ScreenSurface);
    LoadSlot(kSlotLogo, hwnd, "system\\logo.bmp");
    MakeFilledSlot(kSlotWhite, hwnd, 0xFFFFFF);
    LoadSlot(kSlotLogo2, hwnd, "system\\logo01.bmp");
    UpdateProgressLevel();
    NextPhase();
    step = 0;
    state = 1;
}

void CTitleScene::FirstLogo() {
    switch (step) {
        case 0:
            if (Dissolve(kSlotPrevious, kSlotLogo)) {
                step = 1;
            }
            break;
        case 1:
            if (Hold(kSlotLogo)) {
                DeleteVoicePlayer(0);
                step = 2;
            }
            break;
        case 2:
            if (Dissolve(kSlotLogo, kSlotWhite)) {
                state = 2;
                step = 0;
            }
            break;
        default:
            break;
    }
}

void CTitleScene::SecondLogo() {
    switch (step) {
        case 0:
            if (Dissolve(kSlotWhite, kSlotLogo2)) {
                step = 1;
            }
            break;
        case 1:
            if (Hold(kSlotLogo2)) {
                step = 2;
            }
            break;
        case 2:
            if (Dissolve(kSlotLogo2, kSlotWhite)) {
                step = 3;
            }
            break;
        case 3:
            DrawWhole(Slot(kSlotWhite));
            state = 4;
            step = 0;
            break;
        default:
            break;
    }
}

void CTitleScene::Leave() {
    FreeSlots(1, 6);
    state = 0;
    SetScene(g_UserSysData.skipOpeningMovie ? kSceneTitleMenu : kSceneOpeningMovie);
}
