// Talk start (scene 63) and legwork end (scene 64): one frame each that frees the panels of the
// investigation screen that ran last and starts the closing script of the area or the legwork.
#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_screen.h"
#include "scene/sequence_surfaces.h"
#include "script/script_mng.h"

using namespace kestrel::sequence;

namespace {

// The common end of both scenes: the sub-states back to 0, the input bytes taken, scene 2 (also when
// the script did not load: the interpreter then stops at once with its fault).
void HandBack(CScriptMng& e) {
    e.m_investStep = 0;
    kestrel::invest::DropInput();
    ReturnToScript(e);
}

} // namespace

bool CScriptMng::ModeTalkStart() {
    kestrel::invest::LoadScriptNamed(*this, "f%02d_talk.s", m_investArea);
    for (int slot : {2, 3, 4, 5, 6, 9})
        SetLayer(slot, nullptr);
    ReplaceSurface(g_pScriptUiSurfaces[kUiDialogSnapshot], nullptr); // the command screen's screen copy
    m_investActive = 0;
    HandBack(*this);
    return true;
}

bool CScriptMng::ModeLegworkEnd() {
    kestrel::invest::LoadScriptNamed(*this, "l%02d_end.s", m_legworkNo);
    for (int slot : {2, 3, 4, 9})
        SetLayer(slot, nullptr);
    HandBack(*this);
    return true;
}
