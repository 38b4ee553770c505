// Command handlers whose work is done by the picture, sound and investigation code. Until that
// code replaces them one by one, each keeps the interpreter in scene 2 and continues with the next
// command (past its file name when it carries one); nothing else happens.
#include "app/game_main.h"
#include "script/opcode_table.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

uint8_t* CScriptMng::SkipCommand(uint8_t* cmd) {
    SetScene(kSceneScript);
    const OpcodeInfo& info = GetOpcodeInfo(cmd[0]);
    return Next(cmd, info.textLengthAt >= 0 ? cmd[info.textLengthAt] : 0u);
}

// Layers, pictures, characters, sprites and screen effects.
uint8_t* CScriptMng::OpWindowFade(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpLoadBg(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpLoadLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpRestoreBg(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpLoadCharBase(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetScrCharSet(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpTransition(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpQuake(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpBlankLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpFillLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpScreenEffect(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpBlitLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpCreateLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpResetLayer(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpLoadSprite(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteMotion(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetParam63(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpMaskTransition(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteSine(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpColorTransition(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteAnim(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteImage(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteRestart(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpStampSprites(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetFaceFrame(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpTransition40(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpRedrawWindow(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpTransition41(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpClearMessageArea(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpScreenEffectSwitch(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpStopEffect(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpOverlayEffect(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEndOverlay(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteRange(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSpriteReset(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpLoadSpriteNoName(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetSlot(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetSlotState107(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetSlotMotion(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetSlotState111(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpRebuildLayers(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpFrameZoom(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpFlash(uint8_t* cmd) {
    return SkipCommand(cmd);
}

// Sound: see ops_sound.cpp; the window style and frame: ops_window.cpp.
