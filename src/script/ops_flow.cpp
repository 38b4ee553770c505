// Command handlers of the story flow: jumps and variables, the hand-over to another script or to
// any scene, the end of the story, the message commands, choices and the story flags kept in the
// system data.
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/plain_text.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

namespace {

// Scenes that have a step; a mode change to any other number would leave the story in a scene
// that never hands back.
bool SceneHasStep(unsigned scene) {
    static constexpr uint8_t kNoStep[] = {7, 12, 13, 20, 21, 22, 30, 31, 32, 33, 34, 43, 45, 47, 48, 49, 57};
    if (scene > 70)
        return false;
    for (uint8_t s : kNoStep)
        if (s == scene)
            return false;
    return true;
}

// A zeroed heap copy of `length` bytes of `text`, terminated.
char* HeapText(const char* text, size_t length) {
    char* p = new char[length + 1]();
    std::memcpy(p, text, length);
    return p;
}

} // namespace

uint8_t* CScriptMng::OpMessage(uint8_t* cmd) {
    const uint8_t textLength = B3(cmd);
    delete[] m_pMsgText;
    m_pMsgText = HeapText(TrailingText(cmd), textLength);

    BuildPlainText(m_pMsgText, m_plainText, sizeof m_plainText);
    CopyMessageText(m_rawText, sizeof m_rawText, m_pMsgText);

    uint8_t* next = Next(cmd, textLength);
    m_pScriptSave = next;
    if (m_windowStyle != 2)
        WriteBacklogRow(m_pMsgText, m_lineVoiceName);
    SetScene(kSceneMessage);
    return next;
}

uint8_t* CScriptMng::OpMessageEx(uint8_t* cmd) {
    const uint8_t textLength = cmd[8];
    delete[] m_pMsgText;
    m_pMsgText = HeapText(TrailingText(cmd), textLength);

    // Only the double-byte characters of the text reach the two copies: a byte above 128 with the
    // byte that follows it, which for a lead byte that ends the text is the terminator.
    std::memset(m_plainText, 0, sizeof m_plainText);
    size_t n = 0;
    for (size_t i = 0; i < textLength && m_pMsgText[i] != '\0';) {
        const uint8_t b = static_cast<uint8_t>(m_pMsgText[i]);
        if (b > 0x80) {
            const size_t bytes = m_pMsgText[i + 1] != '\0' ? 2 : 1;
            if (n + bytes < sizeof m_plainText) {
                std::memcpy(m_plainText + n, m_pMsgText + i, bytes);
                n += bytes;
            }
            i += bytes;
        } else {
            ++i;
        }
    }
    std::memcpy(m_rawText, m_plainText, sizeof m_rawText);

    WriteBacklogRow(m_pMsgText, m_lineVoiceName);
    SetScene(kSceneSpeakerLine);
    return Next(cmd, textLength);
}

void CScriptMng::WriteBacklogRow(const char* text, const char* voice) {
    if (g_pGameMain != nullptr) {
        CGameMain& game = *g_pGameMain;
        const uint32_t row = game.PrepareBacklogRow();
        CopyMessageText(game.backlogText[row], sizeof game.backlogText[row], text);
        CopyGameText(game.backlogSpeaker[row], sizeof game.backlogSpeaker[row], m_pNamePlateText);
        CopyGameText(game.backlogVoice[row], sizeof game.backlogVoice[row], voice);
    }
    std::memset(m_lineVoiceName, 0, sizeof m_lineVoiceName);
}

uint8_t* CScriptMng::OpExitToMenu(uint8_t* cmd) {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
    SetScene(m_inReplay ? kSceneReplay : kSceneTitleMenu);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpScript(uint8_t* cmd) {
    for (int layer = 2; layer <= 9; ++layer)
        ReplaceSurface(g_Layers[layer], nullptr);
    if (g_pGameMain != nullptr) {
        CGameMain& game = *g_pGameMain;
        // Layer 1's picture stays on the screen through the jump, and so does its name: a save made
        // before the next background is loaded names the picture it shows.
        for (int layer = 0; layer < kLayerNameCount; ++layer)
            if (layer != 1)
                std::memset(game.layerPictureNames[layer], 0, sizeof game.layerPictureNames[layer]);
        for (int slot = 0; slot < kScriptCharSlots; ++slot) {
            std::memset(game.charBasePictureNames[slot], 0, sizeof game.charBasePictureNames[slot]);
            game.charSlotX[slot] = 0;
            game.charSlotShown[slot] = 0;
            game.charSlotPicture[slot] = 0;
        }
    }
    const uint8_t nameLength = B3(cmd);
    if (m_inReplay) {
        SetScene(kSceneScript);
        return Next(cmd, nameLength);
    }
    char name[260] = {};
    std::memcpy(name, TrailingText(cmd), nameLength);
    // The old buffer (and this command with it) is gone once the new script is loaded.
    uint8_t* start = LoadScript(name);
    SetScene(kSceneScript);
    return start;
}

uint8_t* CScriptMng::OpSetMode(uint8_t* cmd) {
    const uint8_t scene = B2(cmd);
    if (m_inReplay) {
        SetScene(kSceneScript);
    } else if (!SceneHasStep(scene)) {
        // Reported once per position; the story goes on with the next command.
        const uint32_t at = static_cast<uint32_t>(cmd - m_pScriptBase);
        if (FirstReportAt(at)) {
            std::string text = "Not Found Scene\n[" + std::to_string(scene) + "]";
            ShowMessage(text.c_str(), "Error:SetMode");
        }
        SetScene(kSceneScript);
    } else {
        SetScene(scene);
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetVar(uint8_t* cmd) {
    SetVar(ReadU16(cmd + 2), static_cast<int32_t>(D(cmd, 4)));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddVar(uint8_t* cmd) {
    const uint16_t index = ReadU16(cmd + 2);
    // Wrapping 32-bit addition.
    SetVar(index, static_cast<int32_t>(static_cast<uint32_t>(GetVar(index)) + D(cmd, 4)));
    SetScene(kSceneScript);
    return Next(cmd);
}

namespace {
enum class Compare { Eq, Ne, Gt, Lt, Ge, Le };
bool Holds(Compare c, int32_t a, int32_t b) {
    switch (c) {
        case Compare::Eq:
            return a == b;
        case Compare::Ne:
            return a != b;
        case Compare::Gt:
            return a > b;
        case Compare::Lt:
            return a < b;
        case Compare::Ge:
            return a >= b;
        case Compare::Le:
            return a <= b;
    }
    return false;
}
} // namespace

#define KESTREL_CONDITIONAL_JUMP(handler, compare)                                                           \
    uint8_t* CScriptMng::handler(uint8_t* cmd) {                                                             \
        SetScene(kSceneScript);                                                                              \
        if (Holds(compare, GetVar(D(cmd, 4)), static_cast<int32_t>(D(cmd, 8))))                              \
            return JumpTo(cmd, D(cmd, 12));                                                                  \
        return Next(cmd);                                                                                    \
    }
KESTREL_CONDITIONAL_JUMP(OpJumpIfEq, Compare::Eq)
KESTREL_CONDITIONAL_JUMP(OpJumpIfNe, Compare::Ne)
KESTREL_CONDITIONAL_JUMP(OpJumpIfGt, Compare::Gt)
KESTREL_CONDITIONAL_JUMP(OpJumpIfLt, Compare::Lt)
KESTREL_CONDITIONAL_JUMP(OpJumpIfGe, Compare::Ge)
KESTREL_CONDITIONAL_JUMP(OpJumpIfLe, Compare::Le)
#undef KESTREL_CONDITIONAL_JUMP

uint8_t* CScriptMng::OpSetMessageId(uint8_t* cmd) {
    m_msgId = D(cmd, 4);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJump(uint8_t* cmd) {
    SetScene(kSceneScript);
    return JumpTo(cmd, D(cmd, 4));
}

uint8_t* CScriptMng::OpChoice(uint8_t* cmd) {
    m_choiceSet = B2(cmd);
    SetScene(kSceneChoice);
    return Next(cmd);
}

uint8_t* CScriptMng::OpBeginChoice(uint8_t* cmd) {
    m_pScriptSave = cmd;
    for (int i = 0; i < kChoiceMax; ++i) {
        delete[] m_choiceText[i];
        m_choiceText[i] = nullptr;
        m_choiceJump[i] = 0;
        m_choiceLen[i] = 0;
    }
    m_choiceCount = 0;
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddChoice(uint8_t* cmd) {
    const uint8_t textLength = B2(cmd);
    const uint32_t target = D(cmd, 4);
    SetScene(kSceneScript);
    if (target >= m_scriptSize) {
        // The choice display would jump outside the script.
        m_fault = ScriptFault::kJumpOutside;
        return cmd;
    }
    if (m_choiceCount < kChoiceMax) {
        const int i = m_choiceCount;
        m_choiceJump[i] = target;
        delete[] m_choiceText[i];
        m_choiceText[i] = HeapText(TrailingText(cmd), textLength);
        m_choiceLen[i] = textLength;
        ++m_choiceCount;
    } else {
        // A fourth choice has no place; it is dropped, once reported.
        const uint32_t at = static_cast<uint32_t>(cmd - m_pScriptBase);
        if (FirstReportAt(at))
            ShowMessage("Too many choices: only three are shown", "Error:AddChoice");
    }
    return Next(cmd, textLength);
}

uint8_t* CScriptMng::OpSetFlagA(uint8_t* cmd) {
    SetReplayUnlocked(B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetFlagB(uint8_t* cmd) {
    // A negative index lies outside the set: the accessor drops it.
    const int8_t index = SignedB2(cmd);
    if (index >= 0)
        SetEndingFlag(static_cast<uint32_t>(index));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfFlagB(uint8_t* cmd) {
    const int8_t index = SignedB2(cmd);
    SetScene(kSceneScript);
    if (index >= 0 && static_cast<uint32_t>(index) < sizeof g_SystemData.endingFlags &&
        g_SystemData.endingFlags[index] == 1)
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

uint8_t* CScriptMng::OpNop55(uint8_t* cmd) {
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpNop56(uint8_t* cmd) {
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpNop57(uint8_t* cmd) {
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetParam58(uint8_t* cmd) {
    m_param58 = B2(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetParam73(uint8_t* cmd) {
    m_param73 = B3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpWaitClick(uint8_t* cmd) {
    SetScene(kSceneWaitClick);
    return Next(cmd);
}

uint8_t* CScriptMng::OpApplySetting(uint8_t* cmd) {
    g_SystemData.scriptSetting = B2(cmd);
    SaveSystemData();
    SetScene(kSceneScript);
    return Next(cmd);
}
