#include "screens/save_scene.h"

#include <string>

#include "platform/local_time.h"
#include "screens/save_data.h"
#include "script/script_mng.h"

// Sub-state 10 of the save screen: on Yes, the local date into the engine, the record built from the
// running game and written into the chosen slot. A failed write keeps the slot's old file and is
// reported; the box closes either way.
void CSlotPageScene::WriteSave(HWND hwnd) {
    if (answer == kAnswerYes) {
        const LocalDateTime now = GetLocalDateTime();
        if (g_pScriptMng) {
            uint16_t* date = g_pScriptMng->m_saveTime;
            date[0] = now.year;
            date[1] = now.month;
            date[2] = now.day;
            date[3] = now.hour;
            date[4] = now.minute;
        }
        BuildSaveRecord(hwnd);
        const int slot = SlotAt(chosen);
        if (!WriteSaveSlot(slot, g_SaveData) && g_pScriptMng)
            g_pScriptMng->ShowMessage(("The game could not be saved in " + SaveSlotPath(slot) + ".").c_str(),
                                      "Error:Save");
    }
    timer.Restart();
    state = kCloseBox;
}
