// The per-frame steps of the presentation modes and the investigation screens that are not built yet.
// Until their own code is written, each mode ends at once: it resets the sub-state and hands back
// to the interpreter (scene 2), so a script that enters one simply goes on.
#include "app/game_main.h"
#include "script/script_mng.h"

namespace {

void ReturnToScript(CScriptMng& engine) {
    engine.m_msgStep = 0;
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = kSceneScript;
}

} // namespace

bool CScriptMng::ModeNop42() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeSearch() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeSearchInventory() {
    ReturnToScript(*this);
    return true;
}
