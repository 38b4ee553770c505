#include "screens/exit_scene.h"

#include <cstring>

#include "app/game_main.h"
#include "platform/window.h"
#include "script/script_mng.h"

using namespace screens;

void ClearForTitle(int firstSlot, int lastSlot) {
    FreeSlots(firstSlot, lastSlot);
    DeleteSePlayer(1); // the script's sound-effect channel 0
    if (g_pGameMain) {
        std::memset(g_pGameMain->seName, 0, sizeof g_pGameMain->seName);
    }
}

bool CExitScene::Dispatch(HWND hwnd) {
    const bool replay = g_pScriptMng && g_pScriptMng->m_inReplay;
    switch (dialog.Step(hwnd, replay ? kReplayPanels : kPanels)) {
        case QuitDialog::Outcome::kRunning:
            break;
        case QuitDialog::Outcome::kCancelled:
            DrawWhole(Slot(QuitDialog::kSlotEntry));
            FreeSlots(30, 34);
            state = 0;
            SetScene(g_pGameMain ? g_pGameMain->returnScene : static_cast<SceneId>(kSceneScript));
            break;
        case QuitDialog::Outcome::kTitle:
            state = 0;
            ClearForTitle(30, 62);
            SetScene(replay ? kSceneReplay : kSceneTitleMenu);
            break;
        case QuitDialog::Outcome::kQuit:
            // The window goes after this frame (the pump delivers its destruction), which saves the
            // system data and shuts down.
            state = 0xFF;
            plat::DestroyWindow(hwnd);
            break;
    }
    return true;
}
