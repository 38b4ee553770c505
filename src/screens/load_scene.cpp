#include "screens/load_scene.h"

#include <memory>
#include <new>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/save_data.h"

using namespace screens;

// Sub-state 10 of the load screen: on Yes, the chosen slot is read whole and the game restored from
// it. A slot whose file no longer reads, or whose record cannot be resumed, leaves the running game as
// it was and returns to the page.
void CSlotPageScene::LoadFromSlot(HWND hwnd) {
    auto record = std::unique_ptr<SaveData>(new (std::nothrow) SaveData());
    if (answer != kAnswerYes || !record || !ReadSaveSlot(SlotAt(chosen), record.get())) {
        hoveredSlot = 0;
        answer = 0;
        DrawWhole(Slot(kSlotPage));
        state = kInput;
        return;
    }
    g_SaveData = *record;
    if (!RestoreSceneAfterLoad(hwnd)) {
        hoveredSlot = 0;
        answer = 0;
        DrawWhole(Slot(kSlotPage));
        state = kInput;
        return;
    }
    CopyToSlot(kSlotFadeFrom, hwnd, g_ScreenSurface);
    timer.Restart();
    state = kFadeToGame;
}

// Sub-state 12: the page dissolves into the restored background (layer 0, its copy, when the game
// has no layer 1).
void CSlotPageScene::FadeToGame() {
    CDIB32* game = g_Layers[1] ? g_Layers[1] : g_Layers[0];
    uint16_t level = 0;
    if (timer.Running(kToGameMs, &level)) {
        DrawCrossDissolve(game, Slot(kSlotFadeFrom), level);
        return;
    }
    DrawWhole(game);
    FreeSlots(26, 27);
    timer.Restart();
    state = kResume;
}

// Sub-state 13: the game goes on in the scene of the record. The screen's own surfaces are freed.
void CSlotPageScene::ResumeScene() {
    for (int slot : {kSlotPage, kSlotBase, kSlotParts, kSlotFadeFrom})
        FreeSlots(slot, slot);
    FreeSlots(kSlotDigits, kSlotDay);
    state = kStart;
    SetScene(ResumeSceneFor(g_SaveData.resumeScene));
}
