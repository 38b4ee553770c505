// Command handlers of the two eye modes: each stores its operand and hands over to its mode step
// (the eye screen, scene 19; the eye sequence, scene 44), which gives control back to the
// interpreter when it is done.
#include "app/game_main.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

uint8_t* CScriptMng::OpEyeScreen(uint8_t* cmd) {
    m_modeKind = B3(cmd);
    SetScene(kSceneEyeScreen);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEyeSequence(uint8_t* cmd) {
    m_msgStep = 0;
    m_eyeIndex = B2(cmd);
    SetScene(kSceneEyeSequence);
    return Next(cmd);
}
