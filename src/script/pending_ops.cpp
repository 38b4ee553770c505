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

// Eye screen and eye sequence.
uint8_t* CScriptMng::OpEyeScreen(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEyeSequence(uint8_t* cmd) {
    return SkipCommand(cmd);
}

// Sound: see ops_sound.cpp; the window style and frame: ops_window.cpp; pictures, layers and
// sprites: ops_picture.cpp.

// Item lists and investigation state.
uint8_t* CScriptMng::OpSetHudDate(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetClock(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterMap(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterSearch(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpClearTables(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfT1(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAddList1(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetList1b(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpNop98(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAddList5(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetList2b(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetList3b(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAddList3(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAddList2(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetListState120(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAddList4(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterCommand(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetKeyword1(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetKeyword2(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetKeyword3(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetKeyword4(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetKeyword5(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpAdvanceClock(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterLegwork(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetTable136(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetTable137(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetTable138(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpClearTable139(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfClockReached(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSwitch12(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpClearT2(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetT2(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfT2(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetThresholdIndex(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfDay(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpDrawLegworkPanel(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetTimeGauge(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpCharSelect(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterKeywords(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSwitch20b(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetT1(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetDay(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetHudInfo(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpItemSelect(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfParam156(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetTable157(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetNoteMark(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpEnterSearchInventory(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpClearV(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSwitch20(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetV(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpJumpIfV(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpSetParam164(uint8_t* cmd) {
    return SkipCommand(cmd);
}
uint8_t* CScriptMng::OpFreeLayers(uint8_t* cmd) {
    return SkipCommand(cmd);
}
