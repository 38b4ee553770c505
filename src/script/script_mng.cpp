#include "script/script_mng.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "archive/arc_file.h"
#include "archive/paths.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "platform/window.h"
#include "screens/system_data.h"
#include "script/opcode_table.h"
#include "script/script_command.h"

using namespace kestrel::script;

CScriptMng* g_pScriptMng = nullptr;

CDIB32* g_pScriptUiSurfaces[kScriptUiSurfaceCount] = {};
CDIB32*& g_MsgWindowSurface = g_pScriptUiSurfaces[kUiWindow];
CDIB32*& g_TextSurface = g_pScriptUiSurfaces[kUiWindowWork];
CDIB32*& g_NamePlateSurface = g_pScriptUiSurfaces[kUiFrame];
CDIB32*& g_SavedScreenSurface = g_pScriptUiSurfaces[kUiSnapshot];
CDIB32*& g_PageSavedScreen = g_pScriptUiSurfaces[kUiPageSnapshot];
CDIB32* g_pSpriteSurfaces[kScriptSpriteSlots + 1] = {};
CDIB32* g_pCharBaseSurfaces[kScriptCharSlots] = {};
CDIB32* g_FaceSurfaces[kScriptCharSlots] = {};

namespace {

// Indicator tables of the AUTO and SKIP running marks of the message window.
constexpr uint16_t kIndicatorY1[39] = {513, 513, 514, 514, 515, 516, 517, 517, 518, 519, 519, 519, 519,
                                       519, 518, 518, 517, 516, 515, 514, 513, 512, 511, 510, 509, 508,
                                       507, 507, 507, 507, 507, 507, 507, 508, 509, 510, 511, 512, 513};
constexpr uint16_t kIndicatorY2[39] = {445, 444, 443, 442, 441, 441, 441, 441, 442, 443, 444, 445, 446,
                                       447, 448, 448, 449, 449, 449, 449, 449, 449, 449, 448, 447, 447,
                                       446, 445, 444, 443, 442, 441, 440, 439, 438, 437, 436, 436, 435};

void FillIndicatorAlpha(uint8_t (&table)[72]) {
    // 70 listed values; the last two entries stay 0 (fully transparent).
    static constexpr uint8_t head[] = {0, 32, 64, 128, 196};
    static constexpr uint8_t middle[] = {224, 196, 160, 98, 64, 32, 0, 0, 32, 64, 96, 128, 196, 224};
    static constexpr uint8_t tail[] = {224, 198, 128, 96, 64, 32, 0};
    int n = 0;
    for (uint8_t v : head)
        table[n++] = v;
    for (int i = 0; i < 28; ++i)
        table[n++] = 255;
    for (uint8_t v : middle)
        table[n++] = v;
    for (int i = 0; i < 16; ++i)
        table[n++] = 255;
    for (uint8_t v : tail)
        table[n++] = v;
    while (n < 72)
        table[n++] = 0;
}

constexpr MsgWndButtonRects kButtonRects = {
    {{760, 455, 784, 475},
     {792, 455, 822, 475},
     {832, 455, 864, 475},
     {874, 455, 904, 475},
     {907, 455, 942, 475},
     {947, 455, 970, 475},
     {975, 455, 1002, 475},
     {671, 455, 695, 475},
     {695, 455, 718, 475},
     {718, 455, 740, 475}},
    {{763, 457, 781, 482},
     {795, 457, 820, 482},
     {837, 457, 861, 482},
     {877, 457, 902, 482},
     {911, 457, 939, 482},
     {949, 457, 968, 482},
     {978, 457, 1000, 482},
     {676, 464, 690, 473},
     {699, 464, 713, 473},
     {722, 464, 736, 473}},
    {{0, 0, 24, 30},
     {24, 0, 30, 30},
     {54, 0, 32, 30},
     {86, 0, 30, 30},
     {116, 0, 35, 30},
     {151, 0, 23, 30},
     {174, 0, 27, 30},
     {201, 0, 24, 30},
     {225, 0, 23, 30},
     {248, 0, 22, 30}},
    {{976, 372, 1012, 404},
     {976, 411, 1012, 437},
     {976, 441, 1012, 468},
     {976, 473, 1012, 500},
     {976, 502, 1012, 533},
     {976, 535, 1012, 567},
     {976, 347, 1012, 366},
     {976, 298, 1012, 318},
     {976, 323, 1012, 342},
     {0, 0, 0, 0}},
    {{0, 0, 36, 32},
     {36, 0, 36, 26},
     {72, 0, 36, 27},
     {108, 0, 36, 27},
     {144, 0, 36, 31},
     {180, 0, 36, 32},
     {216, 0, 36, 19},
     {252, 0, 36, 20},
     {288, 0, 36, 19},
     {0, 0, 0, 0}},
    {{985, 376, 1003, 400},
     {981, 415, 1008, 432},
     {983, 445, 1007, 464},
     {983, 478, 1007, 496},
     {980, 506, 1008, 529},
     {985, 536, 1003, 560},
     {985, 351, 1001, 362},
     {985, 303, 1001, 314},
     {985, 327, 1001, 338},
     {0, 0, 0, 0}},
};

// Loading order of the interface pictures (the index each one goes to).
struct UiPicture {
    ScriptUiSurface slot;
    const char* name;
};
constexpr UiPicture kUiPictures[] = {
    {kUiWindow, "system\\window.bmp"},         {kUiFrame, "system\\window_w_2.bmp"},
    {kUiSelectPanels, "system\\select_p.bmp"}, {kUiClickWait, "system\\click_wait01.bmp"},
    {kUiTimeBase, "system\\time_base.bmp"},    {kUiParts3, "system\\m_parts_3.bmp"},
    {kUiParts4, "system\\m_parts_4.bmp"},      {kUiParts2, "system\\m_parts_2.bmp"},
    {kUiTimerBase, "system\\timer_base.bmp"},
};
constexpr UiPicture kUiPicturesAfterCopies[] = {
    {kUiWindowButtons, "system\\window_p.bmp"},
    {kUiSelectBase, "system\\select_base.bmp"},
    {kUiTimeLong, "system\\time_long.bmp"},
    {kUiTimeShort, "system\\time_short.bmp"},
    // The icons of the inline icon mark; a game without the picture shows the icons' room empty.
    {kUiInlineIcons, "system\\inline_icon.bmp"},
};

void DeleteSurface(CDIB32*& slot) {
    delete slot;
    slot = nullptr;
}

void FreeText(char*& p) {
    delete[] p;
    p = nullptr;
}

const char* FaultText(ScriptFault fault) {
    switch (fault) {
        case ScriptFault::kNone:
            return "no fault";
        case ScriptFault::kNoScript:
            return "no script is loaded";
        case ScriptFault::kPastEnd:
            return "the script ran past its last command";
        case ScriptFault::kZeroLength:
            return "a command has length 0";
        case ScriptFault::kTooShort:
            return "a command is shorter than its operands";
        case ScriptFault::kTruncated:
            return "a command runs past the end of the file";
        case ScriptFault::kJumpOutside:
            return "a jump leads outside the script";
    }
    return "unknown fault";
}

using Handler = uint8_t* (CScriptMng::*)(uint8_t*);

struct HandlerTable {
    Handler h[kScriptOpcodeCount] = {};
    HandlerTable() {
        h[0] = &CScriptMng::OpMessage;
        h[1] = &CScriptMng::OpExitToMenu;
        h[2] = &CScriptMng::OpJumpScript;
        h[3] = &CScriptMng::OpSetMode;
        h[4] = &CScriptMng::OpSetVar;
        h[5] = &CScriptMng::OpAddVar;
        h[6] = &CScriptMng::OpJumpIfEq;
        h[7] = &CScriptMng::OpJumpIfNe;
        h[8] = &CScriptMng::OpJumpIfGt;
        h[9] = &CScriptMng::OpJumpIfLt;
        h[10] = &CScriptMng::OpJumpIfGe;
        h[11] = &CScriptMng::OpJumpIfLe;
        h[12] = &CScriptMng::OpSetMessageId;
        h[13] = &CScriptMng::OpJump;
        h[14] = &CScriptMng::OpWindowFade;
        h[15] = &CScriptMng::OpLoadBg;
        h[16] = &CScriptMng::OpLoadLayer;
        h[17] = &CScriptMng::OpRestoreBg;
        h[18] = &CScriptMng::OpLoadCharBase;
        h[19] = &CScriptMng::OpSetScrCharSet;
        h[20] = &CScriptMng::OpTransition;
        h[21] = &CScriptMng::OpQuake;
        h[22] = &CScriptMng::OpBlankLayer;
        h[23] = &CScriptMng::OpFillLayer;
        h[24] = &CScriptMng::OpScreenEffect;
        h[25] = &CScriptMng::OpBlitLayer;
        h[26] = &CScriptMng::OpCreateLayer;
        h[27] = &CScriptMng::OpChoice;
        h[28] = &CScriptMng::OpBeginChoice;
        h[29] = &CScriptMng::OpAddChoice;
        h[30] = &CScriptMng::OpSetFlagA;
        h[33] = &CScriptMng::OpSetFlagB;
        h[34] = &CScriptMng::OpPlayBgm;
        h[35] = &CScriptMng::OpStopBgm;
        h[36] = &CScriptMng::OpFadeOutBgm;
        h[37] = &CScriptMng::OpPlayBgmEx;
        h[38] = &CScriptMng::OpBgmFade;
        h[39] = &CScriptMng::OpPlayVoice;
        h[40] = &CScriptMng::OpPlaySeEx;
        h[41] = &CScriptMng::OpStopSeChannel;
        h[42] = &CScriptMng::OpWaitVoice;
        h[43] = &CScriptMng::OpStopVoice;
        h[44] = &CScriptMng::OpFadeOutSe;
        h[45] = &CScriptMng::OpPlaySe;
        h[46] = &CScriptMng::OpLoadVoiceSlot;
        h[47] = &CScriptMng::OpLoadVoiceSlotNoCheck;
        h[48] = &CScriptMng::OpLoadSeSlot;
        h[49] = &CScriptMng::OpPlayVoiceEx;
        h[50] = &CScriptMng::OpRestartSeChannel;
        h[51] = &CScriptMng::OpSetHudDate;
        h[52] = &CScriptMng::OpSetClock;
        h[53] = &CScriptMng::OpEyeScreen;
        h[54] = &CScriptMng::OpResetLayer;
        h[55] = &CScriptMng::OpNop55;
        h[56] = &CScriptMng::OpNop56;
        h[57] = &CScriptMng::OpNop57;
        h[58] = &CScriptMng::OpSetParam58;
        h[59] = &CScriptMng::OpJumpIfFlagB;
        h[60] = &CScriptMng::OpLoadSprite;
        h[61] = &CScriptMng::OpSpriteMotion;
        h[62] = &CScriptMng::OpMessageEx;
        h[63] = &CScriptMng::OpSetParam63;
        h[64] = &CScriptMng::OpWindowStyle;
        h[65] = &CScriptMng::OpTextPage;
        h[66] = &CScriptMng::OpMaskTransition;
        h[67] = &CScriptMng::OpSpriteSine;
        h[68] = &CScriptMng::OpColorTransition;
        h[69] = &CScriptMng::OpSpriteAnim;
        h[70] = &CScriptMng::OpSpriteImage;
        h[71] = &CScriptMng::OpSpriteRestart;
        h[72] = &CScriptMng::OpStampSprites;
        h[73] = &CScriptMng::OpSetParam73;
        h[74] = &CScriptMng::OpSetFaceFrame;
        h[75] = &CScriptMng::OpTransition40;
        h[76] = &CScriptMng::OpRedrawWindow;
        h[77] = &CScriptMng::OpTransition41;
        h[78] = &CScriptMng::OpEyeSequence;
        h[79] = &CScriptMng::OpClearMessageArea;
        h[80] = &CScriptMng::OpScreenEffectSwitch;
        h[81] = &CScriptMng::OpStopEffect;
        h[82] = &CScriptMng::OpOverlayEffect;
        h[83] = &CScriptMng::OpEndOverlay;
        h[84] = &CScriptMng::OpWaitClick;
        h[85] = &CScriptMng::OpSpriteRange;
        h[86] = &CScriptMng::OpSpriteReset;
        h[87] = &CScriptMng::OpApplySetting;
        h[88] = &CScriptMng::OpLoadSpriteNoName;
        h[90] = &CScriptMng::OpEnterMap;
        h[92] = &CScriptMng::OpEnterSearch;
        h[93] = &CScriptMng::OpClearTables;
        h[94] = &CScriptMng::OpJumpIfT1;
        h[96] = &CScriptMng::OpAddList1;
        h[97] = &CScriptMng::OpSetList1b;
        h[98] = &CScriptMng::OpNop98;
        h[99] = &CScriptMng::OpAddList5;
        h[100] = &CScriptMng::OpSetList2b;
        h[101] = &CScriptMng::OpSetList3b;
        h[102] = &CScriptMng::OpAddList3;
        h[104] = &CScriptMng::OpAddList2;
        h[106] = &CScriptMng::OpSetSlot;
        h[107] = &CScriptMng::OpSetSlotState107;
        h[110] = &CScriptMng::OpSetSlotMotion;
        h[111] = &CScriptMng::OpSetSlotState111;
        h[120] = &CScriptMng::OpSetListState120;
        h[121] = &CScriptMng::OpAddList4;
        h[123] = &CScriptMng::OpRebuildLayers;
        h[124] = &CScriptMng::OpFrameZoom;
        h[126] = &CScriptMng::OpFlash;
        h[127] = &CScriptMng::OpWaitSe;
        h[128] = &CScriptMng::OpEnterCommand;
        h[129] = &CScriptMng::OpSetKeyword1;
        h[130] = &CScriptMng::OpSetKeyword2;
        h[131] = &CScriptMng::OpSetKeyword3;
        h[132] = &CScriptMng::OpSetKeyword4;
        h[133] = &CScriptMng::OpSetKeyword5;
        h[134] = &CScriptMng::OpAdvanceClock;
        h[135] = &CScriptMng::OpEnterLegwork;
        h[136] = &CScriptMng::OpSetTable136;
        h[137] = &CScriptMng::OpSetTable137;
        h[138] = &CScriptMng::OpSetTable138;
        h[139] = &CScriptMng::OpClearTable139;
        h[140] = &CScriptMng::OpJumpIfClockReached;
        h[141] = &CScriptMng::OpSwitch12;
        h[142] = &CScriptMng::OpClearT2;
        h[143] = &CScriptMng::OpSetT2;
        h[144] = &CScriptMng::OpJumpIfT2;
        h[145] = &CScriptMng::OpSetThresholdIndex;
        h[146] = &CScriptMng::OpJumpIfDay;
        h[147] = &CScriptMng::OpDrawLegworkPanel;
        h[148] = &CScriptMng::OpSetTimeGauge;
        h[149] = &CScriptMng::OpCharSelect;
        h[150] = &CScriptMng::OpEnterKeywords;
        h[151] = &CScriptMng::OpSwitch20b;
        h[152] = &CScriptMng::OpSetT1;
        h[153] = &CScriptMng::OpSetDay;
        h[154] = &CScriptMng::OpSetHudInfo;
        h[155] = &CScriptMng::OpItemSelect;
        h[156] = &CScriptMng::OpJumpIfParam156;
        h[157] = &CScriptMng::OpSetTable157;
        h[158] = &CScriptMng::OpSetNoteMark;
        h[159] = &CScriptMng::OpEnterSearchInventory;
        h[160] = &CScriptMng::OpClearV;
        h[161] = &CScriptMng::OpSwitch20;
        h[162] = &CScriptMng::OpSetV;
        h[163] = &CScriptMng::OpJumpIfV;
        h[164] = &CScriptMng::OpSetParam164;
        h[165] = &CScriptMng::OpWindowFrame;
        h[166] = &CScriptMng::OpFreeLayers;
    }
};

const HandlerTable& Handlers() {
    static const HandlerTable table;
    return table;
}

} // namespace

CDIB32* MakeWorkingCopy(HWND hWnd, CDIB32* src) {
    auto* copy = new CDIB32();
    int32_t w = src ? src->GetWidth() : 0;
    int32_t h = src ? src->GetHeight() : 0;
    copy->Create(hWnd, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 32);
    if (src != nullptr && w > 0 && h > 0)
        CDIB32::Blt(copy, 0, 0, src, 0, 0, w, h);
    return copy;
}

CDIB32* ScreenCopy(HWND hWnd, CDIB32* src) {
    auto* copy = new CDIB32();
    copy->Create(hWnd, 1024, 576, 24);
    if (src != nullptr)
        CDIB32::Blt(copy, 0, 0, src, 0, 0, 1024, 576);
    return copy;
}

uint16_t MsgWindowBlendLevel() {
    const uint32_t opacity = g_SystemData.windowTransparency > 100 ? 100 : g_SystemData.windowTransparency;
    return static_cast<uint16_t>(255 - opacity * 255 / 100);
}

CScriptMng::CScriptMng(HWND hWnd) {
    // 1-2. The window handle; every other field starts from its declared default (cleared tables,
    // text colour 0xFFFFFF, date row 1, option byte 1, flow-chart byte 1).
    m_hWnd = hWnd;

    // 3. Built-in hero names.
    CopyGameText(m_heroNames[0], sizeof m_heroNames[0], kDefaultFamilyName);
    CopyGameText(m_heroNames[1], sizeof m_heroNames[1], kDefaultGivenName);

    // 4. Indicator tables.
    std::memcpy(m_indicatorY1, kIndicatorY1, sizeof m_indicatorY1);
    std::memcpy(m_indicatorY2, kIndicatorY2, sizeof m_indicatorY2);
    FillIndicatorAlpha(m_indicatorAlpha);
    for (uint32_t& v : m_indicatorX224)
        v = 224;
    for (uint32_t& v : m_indicatorX455)
        v = 455;
    static constexpr uint16_t kRows[15] = {450, 449, 448, 448, 449, 450, 451, 452,
                                           453, 454, 455, 455, 454, 453, 452};
    std::memcpy(m_indicatorRows, kRows, sizeof m_indicatorRows);

    // 5. Interface pictures, in their loading order, with the two working copies after the frame
    // pictures.
    for (const UiPicture& p : kUiPictures) {
        DeleteSurface(g_pScriptUiSurfaces[p.slot]);
        g_pScriptUiSurfaces[p.slot] = new CDIB32();
        g_pScriptUiSurfaces[p.slot]->Load(m_hWnd, p.name);
    }
    DeleteSurface(g_pScriptUiSurfaces[kUiWindowWork]);
    g_pScriptUiSurfaces[kUiWindowWork] = MakeWorkingCopy(m_hWnd, g_pScriptUiSurfaces[kUiWindow]);
    DeleteSurface(g_pScriptUiSurfaces[kUiFrameWork]);
    g_pScriptUiSurfaces[kUiFrameWork] = MakeWorkingCopy(m_hWnd, g_pScriptUiSurfaces[kUiFrame]);
    for (const UiPicture& p : kUiPicturesAfterCopies) {
        DeleteSurface(g_pScriptUiSurfaces[p.slot]);
        g_pScriptUiSurfaces[p.slot] = new CDIB32();
        g_pScriptUiSurfaces[p.slot]->Load(m_hWnd, p.name);
    }
    for (CDIB32*& s : g_pSpriteSurfaces)
        DeleteSurface(s);
    g_pSpriteSurfaces[kScriptSpriteSlots] = new CDIB32();
    g_pSpriteSurfaces[kScriptSpriteSlots]->Create(m_hWnd, 100, 100, 24);
    g_pSpriteSurfaces[kScriptSpriteSlots]->Fill(0x000000, nullptr);

    // 6-7. The button rectangles and the trig tables.
    m_msgWndButtonRects = kButtonRects;
    BuildTrigTables();

    // 8. Particles. Unsigned arithmetic keeps every value inside its range.
    static constexpr uint32_t kSpeedMod[kParticleSets] = {2, 3, 3};
    static constexpr uint32_t kSpeedBase[kParticleSets] = {2, 2, 3};
    for (int set = 0; set < kParticleSets; ++set) {
        for (int i = 0; i < kParticlesPerSet; ++i) {
            auto fresh = [] { return timeGetTime() * static_cast<uint32_t>(std::rand()); };
            Particle& p = m_particles[set][i];
            p.x = static_cast<int32_t>((fresh() * static_cast<uint32_t>(i)) % 800);
            p.y = static_cast<int32_t>((fresh() * static_cast<uint32_t>(i)) % 600);
            p.drift = static_cast<int32_t>(fresh() % 3) - 1;
            p.speed = static_cast<int32_t>(fresh() % kSpeedMod[set] + kSpeedBase[set]);
            p.zero = 0;
        }
    }

    // 9.
    m_screenRect = RECT{0, 0, 1024, 576};
    m_pEffect = new CDIB32Effect();
}

void CScriptMng::ResetNamePlate() {
    FreeText(m_pNamePlateText);
    FreeText(m_pExtraText);
    if (g_NamePlateSurface != nullptr)
        ReplaceSurface(g_pScriptUiSurfaces[kUiFrameWork], MakeWorkingCopy(m_hWnd, g_NamePlateSurface));
}

CScriptMng::~CScriptMng() {
    delete[] m_pScriptBuf;
    m_pScriptBuf = m_pScriptBase = m_pScriptPtr = m_pScriptSave = nullptr;
    FreeText(m_pMsgText);
    FreeText(m_pNamePlateText);
    FreeText(m_pExtraText);
    FreeText(m_pBgmName);
    for (char*& t : m_choiceText)
        FreeText(t);
    for (CDIB32*& s : g_pScriptUiSurfaces)
        DeleteSurface(s);
    ReplaceSurface(g_Layer1Backup[0], nullptr);
    ReplaceSurface(g_Layer1Backup[1], nullptr);
    for (CDIB32*& s : g_pSpriteSurfaces)
        DeleteSurface(s);
    for (CDIB32*& s : g_pCharBaseSurfaces)
        DeleteSurface(s);
    for (CDIB32*& s : g_FaceSurfaces)
        DeleteSurface(s);
    DeleteSurface(g_OverlaySurface);
    delete m_pEffect;
    m_pEffect = nullptr;
    if (g_pScriptMng == this)
        g_pScriptMng = nullptr;
}

// ---- Script file ---------------------------------------------------------------------------------

uint8_t* CScriptMng::LoadScript(const char* name) {
    m_screenRect = RECT{0, 0, 1024, 576};
    delete[] m_pScriptBuf;
    m_pScriptBuf = m_pScriptBase = m_pScriptPtr = m_pScriptSave = nullptr;
    m_scriptSize = 0;
    m_fault = ScriptFault::kNone;
    m_reportedOffsets.clear();

    std::string fileName = name ? name : "";
    if (g_pGameMain != nullptr)
        CopyGameText(g_pGameMain->scriptName, sizeof g_pGameMain->scriptName, fileName.c_str());

    // The bare name is looked up in the script folder. The base path is the archive layer's one
    // global: it is restored at once, so that the relative names of every other loader (pictures,
    // sounds) still resolve against the folder they expect.
    const std::string previousBase = GetBasePath();
    SetBasePath(GetResourceDir(kResourceScript));
    CArcFile file;
    int result = fileName.empty() ? kArcEmptyName : file.Open(fileName);
    SetBasePath(previousBase);
    if (result != kArcOk || file.GetSize() > kScriptMaxSize) {
        std::string text = "Not Found Script\n[" + text_codec::GameTextToUtf8Lossy(fileName) + "]";
        ShowMessage(text.c_str(), "Error:LoadScript");
        m_fault = ScriptFault::kNoScript;
        return nullptr;
    }
    uint8_t* start = LoadScriptData(file.GetData(), file.GetSize());
    file.Close();
    return start;
}

uint8_t* CScriptMng::LoadScriptData(const uint8_t* fileBytes, uint32_t size) {
    delete[] m_pScriptBuf;
    m_pScriptBuf = m_pScriptBase = m_pScriptPtr = m_pScriptSave = nullptr;
    m_scriptSize = 0;
    m_fault = ScriptFault::kNone;
    m_reportedOffsets.clear();
    if (size > kScriptMaxSize || (size > 0 && fileBytes == nullptr)) {
        m_fault = ScriptFault::kNoScript;
        return nullptr;
    }
    // size + 1 bytes: the last one stays 0.
    m_scriptSize = size;
    m_pScriptBuf = new uint8_t[m_scriptSize + 1]();
    for (uint32_t i = 0; i < m_scriptSize; ++i)
        m_pScriptBuf[i] = static_cast<uint8_t>(~fileBytes[i]);
    m_pScriptBase = m_pScriptPtr = m_pScriptSave = m_pScriptBuf;
    return m_pScriptBuf;
}

uint32_t CScriptMng::ScriptOffset() const {
    return m_pScriptBase && m_pScriptPtr ? static_cast<uint32_t>(m_pScriptPtr - m_pScriptBase) : 0;
}

uint32_t CScriptMng::SaveOffset() const {
    return m_pScriptBase && m_pScriptSave ? static_cast<uint32_t>(m_pScriptSave - m_pScriptBase) : 0;
}

bool CScriptMng::SetScriptOffset(uint32_t offset) {
    if (m_pScriptBase == nullptr || offset >= m_scriptSize)
        return false;
    m_pScriptPtr = m_pScriptSave = m_pScriptBase + offset;
    m_reportedOffsets.clear();
    return true;
}

// ---- Interpreter -----------------------------------------------------------------------------------

void CScriptMng::RunScript() {
    if (m_pScriptBase == nullptr || m_pScriptPtr == nullptr) {
        // Nothing to run (the load failed and said so, or the script was ended): end the story
        // quietly rather than spin in an empty interpreter.
        EndScript(ScriptFault::kNoScript, nullptr);
        return;
    }
    const uint32_t pc = ScriptOffset();
    if (pc >= m_scriptSize) {
        EndScript(ScriptFault::kPastEnd, m_pScriptPtr);
        return;
    }
    uint8_t* cmd = m_pScriptPtr;
    const uint8_t op = cmd[0];
    const OpcodeInfo& info = GetOpcodeInfo(op);
    if (!info.used || Handlers().h[op] == nullptr) {
        // The pointer stays; the box is shown once for this position, not on every frame.
        if (FirstReportAt(pc)) {
            // The command's offset in the script stands for its address: a 64-bit address does not fit
            // the box's eight-character field, and the offset is what finds the command again.
            char text[64];
            std::snprintf(text, sizeof text, "Not Found ScrNo\n[%8d][%#08x]", op, pc);
            ShowMessage(text, "Erorr");
        }
        SetScene(kSceneScript);
        return;
    }
    const uint32_t left = m_scriptSize - pc;
    const uint32_t length = left >= 2 ? cmd[1] : 0;
    if (left < 2 || (length != 0 && length > left)) {
        EndScript(ScriptFault::kTruncated, cmd);
        return;
    }
    if (length == 0) {
        EndScript(ScriptFault::kZeroLength, cmd);
        return;
    }
    if (length < info.operandEnd) {
        EndScript(ScriptFault::kTooShort, cmd);
        return;
    }
    if (info.textLengthAt >= 0 && length + cmd[info.textLengthAt] > left) {
        EndScript(ScriptFault::kTruncated, cmd);
        return;
    }
    uint8_t* next = (this->*Handlers().h[op])(cmd);
    if (m_fault != ScriptFault::kNone) {
        EndScript(m_fault, cmd);
        return;
    }
    m_pScriptPtr = next;
}

uint8_t* CScriptMng::Next(uint8_t* cmd, uint32_t extra) {
    return cmd + CmdLength(cmd) + extra;
}

uint8_t* CScriptMng::JumpTo(uint8_t* cmd, uint32_t offset) {
    if (m_pScriptBase == nullptr || offset >= m_scriptSize) {
        m_fault = ScriptFault::kJumpOutside;
        return cmd;
    }
    return m_pScriptBase + offset;
}

uint8_t* CScriptMng::EndScript(ScriptFault fault, uint8_t* cmd) {
    // A script already stopped, or one that never loaded, was reported when that happened.
    bool report = m_pScriptBase != nullptr;
    if (report) {
        uint32_t at = cmd ? static_cast<uint32_t>(cmd - m_pScriptBase) : 0;
        const char* scriptName = g_pGameMain ? g_pGameMain->scriptName : "";
        char text[512];
        std::snprintf(text, sizeof text, "Script %s stopped at offset %u:\n%s",
                      text_codec::GameTextToUtf8Lossy(scriptName).c_str(), at, FaultText(fault));
        ShowMessage(text, "Error:RunScript");
        delete[] m_pScriptBuf;
        m_pScriptBuf = m_pScriptBase = m_pScriptPtr = m_pScriptSave = nullptr;
        m_scriptSize = 0;
    }
    if (report || m_fault == ScriptFault::kNone)
        m_fault = fault;
    // The story ends as the exit command ends it: title menu, or the replay screen in a replay.
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
    SetScene(m_inReplay ? kSceneReplay : kSceneTitleMenu);
    return nullptr;
}

void CScriptMng::SetScene(uint8_t scene) {
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = scene;
}

void CScriptMng::ShowMessage(const char* text, const char* caption) {
    plat::MessageBox(m_hWnd, text ? text : "", caption ? caption : "", plat::BoxButtons::Ok);
}

int32_t CScriptMng::GetVar(uint32_t index) const {
    return index < static_cast<uint32_t>(kScriptVarCount) ? m_vars[index] : 0;
}

void CScriptMng::SetVar(uint32_t index, int32_t value) {
    if (index < static_cast<uint32_t>(kScriptVarCount))
        m_vars[index] = value;
}
