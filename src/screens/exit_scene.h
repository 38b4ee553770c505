// The quit confirmation of scene 8: opened over the story by the message window's quit button, it
// asks whether to go back to the title or to quit, and for either asks again.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/quit_dialog.h"

class CExitScene {
public:
    QuitDialog dialog{kExitDialogLayout};
    uint8_t& state = dialog.step; // the dialog's steps are the screen's sub-states

    // The panel bitmaps: the replay's own while a scene replay runs.
    static constexpr char kPanels[] = "system\\EXIT_P.bmp";
    static constexpr char kReplayPanels[] = "system\\EXIT_P01.bmp";

    // The per-frame step. Returns true.
    bool Dispatch(HWND hwnd);
};

// What the title choice of a quit dialog leaves behind: the slots of the screens freed, the script's
// looping sound effect stopped and forgotten.
void ClearForTitle(int firstSlot, int lastSlot);
