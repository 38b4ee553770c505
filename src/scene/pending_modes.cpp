// The per-frame steps of the presentation modes and the investigation screens that are not built yet.
// Until their own code is written, each mode ends at once: it resets the sub-state and hands back
// to the interpreter (scene 2), so a script that enters one simply goes on.
#include "app/game_main.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "script/script_mng.h"

namespace {

void ReturnToScript(CScriptMng& engine) {
    engine.m_msgStep = 0;
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = kSceneScript;
}

} // namespace

// The transition lands its end picture at once, as it does with the effects turned off: layer 1
// (the incoming picture) becomes layer 0 and the screen, and is freed; kind 3 keeps layer 0.
bool CScriptMng::ModeTransition(uint8_t kind, uint32_t /*ms*/) {
    if (kind != 3 && g_Layers[1] != nullptr) {
        kestrel::fx::CopyClipped(g_Layers[0], 0, 0, g_Layers[1], 0, 0, kScreenWidth, kScreenHeight);
        kestrel::fx::CopyClipped(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, kScreenWidth, kScreenHeight);
    }
    ReplaceSurface(g_RuleMaskSurface, nullptr);
    ReplaceSurface(g_Layers[1], nullptr);
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeQuake(uint8_t /*kind*/, uint32_t /*ms*/) {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeWindowFade() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeScreenEffect() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeColorTransition() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeTransition37() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeTransition39() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeNop40() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeTransition41() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeNop42() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeFrameZoom() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeFlash() {
    ReturnToScript(*this);
    return true;
}

bool CScriptMng::ModeKeywordList() {
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
