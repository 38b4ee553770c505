// The script engine: the loaded script, its interpreter and the whole game state that script
// commands read and write. One instance (g_pScriptMng), created with the main window's handle
// during window creation and deleted by the application object's destructor.
//
// The per-frame steps of the message scene, the presentation modes and the investigation screens
// are methods of this object as well; the scene switch of CGameMain calls them by scene number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "platform/types.h"

class CDIB32;
class CDIB32Effect;

// ---- Limits of the script format ---------------------------------------------------------------
inline constexpr int kScriptVarCount = 256;
inline constexpr int kScriptOpcodeCount = 167;
inline constexpr int kChoiceMax = 3;
inline constexpr int kPositionSlotCount = 5;
inline constexpr int kMotionSlotCount = 5;
inline constexpr int kScriptSpriteSlots = 10;
inline constexpr int kScriptCharSlots = 15;
inline constexpr int kScriptLayerCount = 10;
inline constexpr int kChapterRows = 60;
inline constexpr int kChapterCols = 20;
inline constexpr int kKeywordCategories = 5;
inline constexpr int kKeywordIds = 64;
inline constexpr int kNoteMarkCount = 624;
inline constexpr int kParticleSets = 3;
inline constexpr int kParticlesPerSet = 64;
inline constexpr int kMsgTextSize = 256;
// Largest script file the loader accepts (the game's largest is far below it).
inline constexpr uint32_t kScriptMaxSize = 16u * 1024 * 1024;

// ---- Surfaces the engine creates and owns -------------------------------------------------------
// Index of each picture in g_pScriptUiSurfaces. Entry 0 is the snapshot of the game screen that
// the overlay screens fade from and back to (empty until a screen takes it; the hidden panels of
// the command and legwork screens keep their screen copy there too), entry 2 the second snapshot
// taken before the save screen. The command screen's end dialog keeps the screen it opened over in
// an entry of its own, so that an overlay opened from the window bar while it comes in does not
// replace it.
enum ScriptUiSurface : int {
    kUiSnapshot = 0,      // screen snapshot (also the screen while the message window is hidden)
    kUiWindow = 1,        // "system\window.bmp", message-window picture
    kUiSnapshot2 = 2,     // second snapshot (save screen)
    kUiWindowButtons = 3, // "system\window_p.bmp", window buttons
    kUiFrame = 4,         // "system\window_w_2.bmp" or "system\window_w.bmp", frame variant
    kUiWindowWork = 5,    // 32-bit working copy of the window picture (text is drawn on it)
    kUiFrameWork = 6,     // 32-bit working copy of the frame variant
    kUiSelectPanels = 7,  // "system\select_p.bmp"
    kUiClickWait = 8,     // "system\click_wait01.bmp"
    kUiTimeBase = 9,      // "system\time_base.bmp"
    kUiParts3 = 10,       // "system\m_parts_3.bmp"
    kUiParts4 = 11,       // "system\m_parts_4.bmp"
    kUiParts2 = 12,       // "system\m_parts_2.bmp"
    kUiTimerBase = 13,    // "system\timer_base.bmp"
    kUiSelectBase = 14,   // "system\select_base.bmp"
    kUiTimeLong = 15,     // "system\time_long.bmp"
    kUiTimeShort = 16,    // "system\time_short.bmp"
    kUiCharThumb = 17,    // 1024 x 576: the screen as it will be once the moving characters stand
    kUiMarkSheet = 18,    // sheet of the mark slots (no command loads it)
    kUiInlineIcons = 19,  // "system\inline_icon.bmp", InlineIconStrip: 24 x 24 icons side by side
    // 1024 x 576: the screen under the command screen's end dialog
    kUiDialogSnapshot = 20,
    // 1024 x 576: the background of the vertical page as op 65 found it, from which op 76 starts the
    // next page. It is not entry 0: the overlays and the hidden window replace that one in between.
    kUiPageSnapshot = 21,
    kScriptUiSurfaceCount = 22
};
extern CDIB32* g_pScriptUiSurfaces[kScriptUiSurfaceCount];
// Names the message scene uses for some of the entries above.
extern CDIB32*& g_MsgWindowSurface;   // kUiWindow
extern CDIB32*& g_TextSurface;        // kUiWindowWork
extern CDIB32*& g_NamePlateSurface;   // kUiFrame
extern CDIB32*& g_SavedScreenSurface; // kUiSnapshot
extern CDIB32*& g_PageSavedScreen;    // kUiPageSnapshot

// A blank 32-bit surface of `src`'s size holding a copy of it (0 × 0 when src is null): the working
// copies of the window and frame pictures.
CDIB32* MakeWorkingCopy(HWND hWnd, CDIB32* src);
// A 1024 × 576 24-bit copy of `src` (black where it is smaller or missing).
CDIB32* ScreenCopy(HWND hWnd, CDIB32* src);
// A blank 1024 × 576 24-bit surface filled with the colour bytes of `colour` (0xRRGGBB; the top byte
// is ignored): a colour layer (op 22).
CDIB32* BlankScreen(HWND hWnd, uint32_t colour);
// Tints `layer` (may be null: nothing happens) as op 23 does: `colour` is 0xAARRGGBB, and the
// colour RRGGBB is blended over the whole 1024 × 576 screen area with the strength AA (0 to 255).
void TintLayer(HWND hWnd, CDIB32* layer, uint32_t colour);
// The face sheet of a standing character: "<name>_face.bmp" beside the character's picture `charPath`;
// null for a character without one.
CDIB32* LoadFaceSheet(HWND hWnd, const std::string& charPath);
// The level at which the window picture is blended: 255 minus the window opacity of the system data
// (percent, clamped to 100) scaled to 255.
uint16_t MsgWindowBlendLevel();

// Sprite pictures 0..9 and, at index 10, the work surface of the rotated blits: 100 x 100 and black
// when created; a rotated 32-bit sprite whose bounds are larger makes it larger.
extern CDIB32* g_pSpriteSurfaces[kScriptSpriteSlots + 1];
inline constexpr int kSpriteWorkSurface = kScriptSpriteSlots;
// The picture of the overlay effect (op 82: "bmp\noise.bmp" or "bmp\cloud.bmp"); null without one.
extern CDIB32* g_OverlaySurface;
// Blends `picture` mapped onto the quadrilateral `dst` (the corners of the mapped quad blits; `src` the
// picture's corners) onto `target` by its per-pixel alpha at `level` (0..255), through `work`: the
// quadrilateral's bounding box is cleared at work's top left, the picture mapped into it there, and
// the box blended onto `target` at its place. Nothing is drawn when the box is larger than `work` or
// a surface is missing.
void BlendQuadThrough(CDIB32* target, CDIB32* work, CDIB32* picture, const POINT src[4], const POINT dst[4],
                      uint32_t level);
// Draws `src` rotated by `angleDeg` whole degrees about its centre into `dst`: the picture is turned
// about the point (58, 54) of the sprite work surface, which is then blended whole onto `dst` at
// (x, y) by its per-pixel alpha. Pictures up to about 80 x 80 fit (the clock hands). True.
bool RotateBlit(CDIB32* dst, int32_t x, int32_t y, CDIB32* src, int32_t angleDeg);
// Standing-character base pictures and face sheets, one per character slot.
extern CDIB32* g_pCharBaseSurfaces[kScriptCharSlots];
extern CDIB32* g_FaceSurfaces[kScriptCharSlots];

// ---- Records ------------------------------------------------------------------------------------
// Position slot (ops 106, 107): a mark slot. state is its flag (1 running, 2 ending), param the mark
// kind, coords x, y, width and height, done its phase (0 appearing, 1 holding), paramWord the
// duration in ms.
struct PositionSlot {
    uint8_t state = 0; // 0 free, 1 set by op 106, 2 marked by op 107
    uint8_t param = 0;
    int16_t coords[4] = {};
    uint32_t startTime = 0;
    uint8_t done = 0;
    uint32_t paramWord = 0;
    uint16_t level = 0;   // 0..255
    uint32_t elapsed = 0; // elapsed ms, or the frame counter of the kinds that step frames
};

// Motion slot (ops 110, 111): the motion of standing character slot `slotId`. param is the motion
// kind 0..6; coords start x, start y, end x, end y, start opacity, end opacity; paramWord the
// duration in ms; flags 1 while the slot animates.
struct MotionSlot {
    uint8_t state = 0; // 0 start, 1 moving, 2 finish, 3 bobbing
    uint8_t slotId = 0;
    uint8_t param = 0;
    int16_t coords[6] = {};
    uint32_t paramWord = 0;
    uint32_t startTime = 0;
    uint32_t elapsed = 0;
    uint8_t flags = 0;
    int32_t angle = 0; // degrees, of the hopping and bobbing kinds
};

// Destination and source rectangle of a sprite slot; all signed 16-bit.
struct SpriteRect {
    int16_t x = 0, y = 0, w = 0, h = 0;
    int16_t sx = 0, sy = 0, sw = 0, sh = 0;
};

// One of the 10 sprite slots: start, current and end rectangles, angle, opacity ramp, easing
// curve and delay. Filled by the sprite commands, tweened and drawn while scene 38 runs.
struct SpriteSlot {
    SpriteRect start, cur, end;
    uint32_t angleFixed = 0;
    uint32_t angleStart = 0;
    uint32_t angleEnd = 0;
    uint32_t angle = 0;
    int16_t alpha = 0; // 0..256; below 1 not drawn
    int16_t fadeFrom = 0, fadeTo = 0;
    uint32_t fadeAngleStart = 0, fadeAngleEnd = 0;
    uint32_t fadeMs = 0;
    uint8_t fadeOn = 0;
    uint8_t curve = 0;
    uint32_t curveSpan = 0;
    uint32_t tweenMs = 0;
    uint32_t delayMs = 0;
    uint32_t delayBase = 0;
    uint32_t tweenStart = 0;
    uint32_t fadeStart = 0;
    uint8_t started = 0;
};

// Item lists of the investigation part. state: value set by the script (0 = not held); order:
// ids in the order first added; isNew: set since the list was last viewed.
struct ItemList1 {
    uint8_t state[6][45] = {}; // row 0 the state; rows 1, 4, 5 are set by ops 97, 100, 101
    uint8_t order[45] = {};
    uint8_t count = 0;
    uint8_t isNew[45] = {};
};
struct ItemList2 {
    uint8_t state[60] = {};
    uint8_t order[60] = {};
    uint8_t count = 0;
    uint8_t state2[60] = {}; // op 120
    uint8_t isNew[60] = {};
};
struct ItemList {
    uint8_t state[60] = {};
    uint8_t order[60] = {};
    uint8_t count = 0;
    uint8_t isNew[60] = {};
};

struct Particle {
    int32_t x = 0;     // 0..799
    int32_t y = 0;     // 0..599
    int32_t drift = 0; // -1, 0 or 1
    int32_t speed = 0;
    int32_t zero = 0;
};

// A picture cell: left, top, width and height inside a button sheet.
struct CellRect {
    int16_t x = 0, y = 0, w = 0, h = 0;
};

// Rectangles of the message-window buttons (hit tests and drawing); button rectangles are left,
// top, right, bottom in screen coordinates. The vertical sets have an empty tenth entry.
struct MsgWndButtonRects {
    RECT frameButtons[10];    // window buttons, first frame variant
    RECT frameButtons2[10];   // window buttons, second frame variant
    CellRect frameCells[10];  // their cells in "system\window_p.bmp"
    RECT verticalButtons[10]; // buttons of the vertical window style
    CellRect verticalCells[10];
    RECT verticalButtons2[10]; // second set of the vertical style
};

// Why the interpreter stopped a script (kNone while it runs normally).
enum class ScriptFault : uint8_t {
    kNone,
    kNoScript,    // no script loaded, or the file was missing
    kPastEnd,     // the script ran past its last command
    kZeroLength,  // a command with length byte 0
    kTooShort,    // a command shorter than its operands
    kTruncated,   // a command (or its text) longer than what is left of the file
    kJumpOutside, // a jump or computed target outside the script
};

class CScriptMng {
public:
    explicit CScriptMng(HWND hWnd);
    ~CScriptMng();
    CScriptMng(const CScriptMng&) = delete;
    CScriptMng& operator=(const CScriptMng&) = delete;

    // ---- Script file and interpreter --------------------------------------------------------
    // Loads script `name` (a bare file name, resolved in the script folder) and returns its
    // first command. A missing or unreadable file shows one message and leaves no script; the
    // next RunScript then ends the story (title menu, or the replay screen in a replay).
    uint8_t* LoadScript(const char* name);
    // The same from a script file's bytes held in memory (stored inverted, as in the file); null
    // when the data is larger than kScriptMaxSize (nothing is loaded then).
    uint8_t* LoadScriptData(const uint8_t* fileBytes, uint32_t size);
    // The step of scene 2: executes exactly one command.
    void RunScript();

    // Offset of the next command / of the resume point from the script base.
    uint32_t ScriptOffset() const;
    uint32_t SaveOffset() const;
    // Moves the next command (and the resume point) to `offset`, as a loaded save does. False
    // when the offset lies outside the script.
    bool SetScriptOffset(uint32_t offset);
    ScriptFault LastFault() const { return m_fault; }

    // Shows a message box owned by m_hWnd. Every box of the engine goes through here.
    void ShowMessage(const char* text, const char* caption);

    // Bounds-checked script variables: an index outside 0..255 reads 0 and is not written.
    int32_t GetVar(uint32_t index) const;
    void SetVar(uint32_t index, int32_t value);

    // ---- Command handlers: each takes its command and returns the next one --------------------
    // Flow, variables, messages and choices.
    uint8_t* OpMessage(uint8_t* cmd);      // 0
    uint8_t* OpExitToMenu(uint8_t* cmd);   // 1
    uint8_t* OpJumpScript(uint8_t* cmd);   // 2
    uint8_t* OpSetMode(uint8_t* cmd);      // 3
    uint8_t* OpSetVar(uint8_t* cmd);       // 4
    uint8_t* OpAddVar(uint8_t* cmd);       // 5
    uint8_t* OpJumpIfEq(uint8_t* cmd);     // 6
    uint8_t* OpJumpIfNe(uint8_t* cmd);     // 7
    uint8_t* OpJumpIfGt(uint8_t* cmd);     // 8
    uint8_t* OpJumpIfLt(uint8_t* cmd);     // 9
    uint8_t* OpJumpIfGe(uint8_t* cmd);     // 10
    uint8_t* OpJumpIfLe(uint8_t* cmd);     // 11
    uint8_t* OpSetMessageId(uint8_t* cmd); // 12
    uint8_t* OpJump(uint8_t* cmd);         // 13
    uint8_t* OpChoice(uint8_t* cmd);       // 27
    uint8_t* OpBeginChoice(uint8_t* cmd);  // 28
    uint8_t* OpAddChoice(uint8_t* cmd);    // 29
    uint8_t* OpSetFlagA(uint8_t* cmd);     // 30
    uint8_t* OpSetFlagB(uint8_t* cmd);     // 33
    uint8_t* OpNop55(uint8_t* cmd);
    uint8_t* OpNop56(uint8_t* cmd);
    uint8_t* OpNop57(uint8_t* cmd);
    uint8_t* OpSetParam58(uint8_t* cmd);
    uint8_t* OpJumpIfFlagB(uint8_t* cmd); // 59
    uint8_t* OpMessageEx(uint8_t* cmd);   // 62
    uint8_t* OpTextPage(uint8_t* cmd);    // 65
    uint8_t* OpSetParam73(uint8_t* cmd);
    uint8_t* OpWaitClick(uint8_t* cmd);    // 84
    uint8_t* OpApplySetting(uint8_t* cmd); // 87

    // Layers, pictures, characters, sprites and screen effects.
    uint8_t* OpWindowFade(uint8_t* cmd);         // 14
    uint8_t* OpLoadBg(uint8_t* cmd);             // 15
    uint8_t* OpLoadLayer(uint8_t* cmd);          // 16
    uint8_t* OpRestoreBg(uint8_t* cmd);          // 17
    uint8_t* OpLoadCharBase(uint8_t* cmd);       // 18
    uint8_t* OpSetScrCharSet(uint8_t* cmd);      // 19
    uint8_t* OpTransition(uint8_t* cmd);         // 20
    uint8_t* OpQuake(uint8_t* cmd);              // 21
    uint8_t* OpBlankLayer(uint8_t* cmd);         // 22
    uint8_t* OpFillLayer(uint8_t* cmd);          // 23
    uint8_t* OpScreenEffect(uint8_t* cmd);       // 24
    uint8_t* OpBlitLayer(uint8_t* cmd);          // 25
    uint8_t* OpCreateLayer(uint8_t* cmd);        // 26
    uint8_t* OpEyeScreen(uint8_t* cmd);          // 53
    uint8_t* OpResetLayer(uint8_t* cmd);         // 54
    uint8_t* OpLoadSprite(uint8_t* cmd);         // 60
    uint8_t* OpSpriteMotion(uint8_t* cmd);       // 61
    uint8_t* OpSetParam63(uint8_t* cmd);         // 63
    uint8_t* OpWindowStyle(uint8_t* cmd);        // 64
    uint8_t* OpMaskTransition(uint8_t* cmd);     // 66
    uint8_t* OpSpriteSine(uint8_t* cmd);         // 67
    uint8_t* OpColorTransition(uint8_t* cmd);    // 68
    uint8_t* OpSpriteAnim(uint8_t* cmd);         // 69
    uint8_t* OpSpriteImage(uint8_t* cmd);        // 70
    uint8_t* OpSpriteRestart(uint8_t* cmd);      // 71
    uint8_t* OpStampSprites(uint8_t* cmd);       // 72
    uint8_t* OpSetFaceFrame(uint8_t* cmd);       // 74
    uint8_t* OpTransition40(uint8_t* cmd);       // 75
    uint8_t* OpRedrawWindow(uint8_t* cmd);       // 76
    uint8_t* OpTransition41(uint8_t* cmd);       // 77
    uint8_t* OpEyeSequence(uint8_t* cmd);        // 78
    uint8_t* OpClearMessageArea(uint8_t* cmd);   // 79
    uint8_t* OpScreenEffectSwitch(uint8_t* cmd); // 80
    uint8_t* OpStopEffect(uint8_t* cmd);         // 81
    uint8_t* OpOverlayEffect(uint8_t* cmd);      // 82
    uint8_t* OpEndOverlay(uint8_t* cmd);         // 83
    uint8_t* OpSpriteRange(uint8_t* cmd);        // 85
    uint8_t* OpSpriteReset(uint8_t* cmd);        // 86
    uint8_t* OpLoadSpriteNoName(uint8_t* cmd);   // 88
    uint8_t* OpSetSlot(uint8_t* cmd);            // 106
    uint8_t* OpSetSlotState107(uint8_t* cmd);    // 107
    uint8_t* OpSetSlotMotion(uint8_t* cmd);      // 110
    uint8_t* OpSetSlotState111(uint8_t* cmd);    // 111
    uint8_t* OpRebuildLayers(uint8_t* cmd);      // 123
    uint8_t* OpFrameZoom(uint8_t* cmd);          // 124
    uint8_t* OpFlash(uint8_t* cmd);              // 126
    uint8_t* OpWindowFrame(uint8_t* cmd);        // 165

    // Sound commands.
    uint8_t* OpPlayBgm(uint8_t* cmd);              // 34
    uint8_t* OpStopBgm(uint8_t* cmd);              // 35
    uint8_t* OpFadeOutBgm(uint8_t* cmd);           // 36
    uint8_t* OpPlayBgmEx(uint8_t* cmd);            // 37
    uint8_t* OpBgmFade(uint8_t* cmd);              // 38
    uint8_t* OpPlayVoice(uint8_t* cmd);            // 39
    uint8_t* OpPlaySeEx(uint8_t* cmd);             // 40
    uint8_t* OpStopSeChannel(uint8_t* cmd);        // 41
    uint8_t* OpWaitVoice(uint8_t* cmd);            // 42
    uint8_t* OpStopVoice(uint8_t* cmd);            // 43
    uint8_t* OpFadeOutSe(uint8_t* cmd);            // 44
    uint8_t* OpPlaySe(uint8_t* cmd);               // 45
    uint8_t* OpLoadVoiceSlot(uint8_t* cmd);        // 46
    uint8_t* OpLoadVoiceSlotNoCheck(uint8_t* cmd); // 47
    uint8_t* OpLoadSeSlot(uint8_t* cmd);           // 48
    uint8_t* OpPlayVoiceEx(uint8_t* cmd);          // 49
    uint8_t* OpRestartSeChannel(uint8_t* cmd);     // 50
    uint8_t* OpWaitSe(uint8_t* cmd);               // 127

    // Item lists and investigation state.
    uint8_t* OpSetHudDate(uint8_t* cmd);           // 51
    uint8_t* OpSetClock(uint8_t* cmd);             // 52
    uint8_t* OpEnterMap(uint8_t* cmd);             // 90
    uint8_t* OpEnterSearch(uint8_t* cmd);          // 92
    uint8_t* OpClearTables(uint8_t* cmd);          // 93
    uint8_t* OpJumpIfT1(uint8_t* cmd);             // 94
    uint8_t* OpAddList1(uint8_t* cmd);             // 96
    uint8_t* OpSetList1b(uint8_t* cmd);            // 97
    uint8_t* OpNop98(uint8_t* cmd);                // 98
    uint8_t* OpAddList5(uint8_t* cmd);             // 99
    uint8_t* OpSetList2b(uint8_t* cmd);            // 100
    uint8_t* OpSetList3b(uint8_t* cmd);            // 101
    uint8_t* OpAddList3(uint8_t* cmd);             // 102
    uint8_t* OpAddList2(uint8_t* cmd);             // 104
    uint8_t* OpSetListState120(uint8_t* cmd);      // 120
    uint8_t* OpAddList4(uint8_t* cmd);             // 121
    uint8_t* OpEnterCommand(uint8_t* cmd);         // 128
    uint8_t* OpSetKeyword1(uint8_t* cmd);          // 129
    uint8_t* OpSetKeyword2(uint8_t* cmd);          // 130
    uint8_t* OpSetKeyword3(uint8_t* cmd);          // 131
    uint8_t* OpSetKeyword4(uint8_t* cmd);          // 132
    uint8_t* OpSetKeyword5(uint8_t* cmd);          // 133
    uint8_t* OpAdvanceClock(uint8_t* cmd);         // 134
    uint8_t* OpEnterLegwork(uint8_t* cmd);         // 135
    uint8_t* OpSetTable136(uint8_t* cmd);          // 136
    uint8_t* OpSetTable137(uint8_t* cmd);          // 137
    uint8_t* OpSetTable138(uint8_t* cmd);          // 138
    uint8_t* OpClearTable139(uint8_t* cmd);        // 139
    uint8_t* OpJumpIfClockReached(uint8_t* cmd);   // 140
    uint8_t* OpSwitch12(uint8_t* cmd);             // 141
    uint8_t* OpClearT2(uint8_t* cmd);              // 142
    uint8_t* OpSetT2(uint8_t* cmd);                // 143
    uint8_t* OpJumpIfT2(uint8_t* cmd);             // 144
    uint8_t* OpSetThresholdIndex(uint8_t* cmd);    // 145
    uint8_t* OpJumpIfDay(uint8_t* cmd);            // 146
    uint8_t* OpDrawLegworkPanel(uint8_t* cmd);     // 147
    uint8_t* OpSetTimeGauge(uint8_t* cmd);         // 148
    uint8_t* OpCharSelect(uint8_t* cmd);           // 149
    uint8_t* OpEnterKeywords(uint8_t* cmd);        // 150
    uint8_t* OpSwitch20b(uint8_t* cmd);            // 151
    uint8_t* OpSetT1(uint8_t* cmd);                // 152
    uint8_t* OpSetDay(uint8_t* cmd);               // 153
    uint8_t* OpSetHudInfo(uint8_t* cmd);           // 154
    uint8_t* OpItemSelect(uint8_t* cmd);           // 155
    uint8_t* OpJumpIfParam156(uint8_t* cmd);       // 156
    uint8_t* OpSetTable157(uint8_t* cmd);          // 157
    uint8_t* OpSetNoteMark(uint8_t* cmd);          // 158
    uint8_t* OpEnterSearchInventory(uint8_t* cmd); // 159
    uint8_t* OpClearV(uint8_t* cmd);               // 160
    uint8_t* OpSwitch20(uint8_t* cmd);             // 161
    uint8_t* OpSetV(uint8_t* cmd);                 // 162
    uint8_t* OpJumpIfV(uint8_t* cmd);              // 163
    uint8_t* OpSetParam164(uint8_t* cmd);          // 164
    uint8_t* OpFreeLayers(uint8_t* cmd);           // 166

    // ---- Per-frame steps called by CGameMain::Frame (result true; ignored) ----------------------
    bool ModeMessageStyle0(const char* text);       // scene 3, window style 0
    bool ModeMessageStyle1(const char* text);       // scene 3, window style 1
    bool ModeMessageStyle2(const char* text);       // scene 3, window style 2
    bool ModeTransition(uint8_t kind, uint32_t ms); // scene 4 (m_modeKind, m_modeTime)
    bool ModeQuake(uint8_t kind, uint32_t ms);      // scene 5 (m_modeKind, m_modeTime)
    bool ModeChoice();                              // 17
    bool ModeWindowFade();                          // 18
    bool ModeEyeScreen();                           // 19
    bool ModeVoiceWait();                           // 23
    bool ModeScreenEffect();                        // 25
    bool ModePictureSequence();                     // 26
    bool ModeColorTransition();                     // 35
    bool ModeSpeakerLine(const char* text);         // 36
    bool ModeTransition37();                        // 37
    bool ModeSpriteAnim();                          // 38
    bool ModeTransition39();                        // 39
    bool ModeNop40();                               // 40
    bool ModeTransition41();                        // 41
    bool ModeNop42();                               // 42
    bool ModeEyeSequence();                         // 44
    bool ModeAnnScreen();                           // 46
    bool ModeWaitClick();                           // 51
    bool ModeWaitVoice();                           // 52
    bool ModeStopVoice();                           // 53
    bool ModeClickWait();                           // 55
    bool ModeFrameZoom();                           // 56
    bool ModeFlash();                               // 58
    bool ModeWaitSe();                              // 59
    bool ModeMap();                                 // 60
    bool ModeCommand();                             // 61
    bool ModeLegwork();                             // 62
    bool ModeTalkStart();                           // 63
    bool ModeLegworkEnd();                          // 64
    bool ModeCharSelect();                          // 65
    bool ModeKeywordList();                         // 66
    bool ModeSearch();                              // 67
    bool ModeItemSelect();                          // 69
    bool ModeSearchInventory();                     // 70
    // The offset in pixels of the running screen shake (m_screenFxOn) for `axis`: 0 for the
    // whole-picture kinds, the row for the wave kinds 6 and 7. Switches the shake off after its
    // period unless it repeats.
    int16_t CalcShakeOffset(int32_t axis);

    // ---- Message scene: text layout, tags, buttons and the click-wait icon --------------------
    // Performs the inline tag at `tagText` (a '#' at byte `index` of the message) and returns the
    // index of the byte after its closing '#'; index + 2 for an unknown letter or no '#'. A tag
    // without its closing '#' ends at the end of the text.
    uint32_t ParseTextTag(const char* tagText, uint8_t index);
    // A "(name)" tag at `tagText`: m_nameSlot = 1 for "name01", 2 for "name02", else unchanged.
    // Returns index + name length + 2.
    uint32_t ParseNameTag(const char* tagText, uint8_t index);
    // Draws the ruby reading that starts at the second '<' and returns the index past its '>'.
    uint32_t DrawRubyText(const char* tagText, uint8_t index);
    uint32_t DrawRubyTextAt(CDIB32* surface, const char* tagText, uint8_t index);
    // Draws the one character at message + m_textIndex onto the text surface; returns its advance.
    int16_t DrawTextLine(const char* message);
    uint8_t GetMsgButtonAt();
    uint8_t GetWindowButtonAt();
    bool DrawMsgButton(uint8_t button);
    bool DrawClickWait(int32_t x, int32_t y);
    bool DrawAutoSkipIndicator();
    bool CancelAutoSkipOnClick();
    // The already-read flag of the current message (false for an id beyond the table).
    bool MessageRead() const;
    void MarkMessageRead();
    uint8_t m_indicatorFrame = 0; // frame of the AUTO and SKIP indicators
    uint32_t m_indicatorTime = 0; // ms of its last step
    // Clock face, strips and (while the investigation runs, unless `withGauge` is false) the time
    // gauge of the investigation clock, onto `target` (null: the screen).
    void DrawClockHud(CDIB32* target = nullptr, bool withGauge = true);
    // The time gauge alone: its frame and the time left, onto `target`.
    void DrawTimeGauge(CDIB32* target) const;
    // Message display helpers: one layout step (0 drew, 1 finished, 2 handed over), the click
    // wait of step 3, step 0's speaker-name test, and the shared step of styles 0 and 1.
    int RevealStep(const char* text);
    void MessageClickWait();
    bool MessageStart(const char* text);
    bool ModeMessageWindow(const char* text);
    // Redraws the current vertical page (the last m_lineCount backlog rows, but the newest
    // `leaveOutNewest`) onto `surface`; tags are stepped over, not replayed. Leaves the text cursor
    // after the page.
    void RedrawMessagePage(CDIB32* surface, uint32_t leaveOutNewest = 0);
    // The bottom message window of style 0 (and of any style but 1 and 2) emptied of its text: the
    // window picture at the configured opacity in the text surface, the clean frame in the name
    // plate. Nothing in styles 1 and 2, whose surfaces hold their own pictures.
    void PrepareStyle0Window();
    // A fresh start's plate: no speaker's name or extra text, and the clean copy of the plate made
    // again from the frame picture (each message starts from it).
    void ResetNamePlate();
    // False in styles 1 (the vertical page) and 2 (the caption band), which have no bottom window.
    bool HasBottomWindow() const { return m_windowStyle != 1 && m_windowStyle != 2; }
    // Lays the current message out again, with the window at the configured opacity and the hero
    // names as they now stand, up to where its reveal had come. The bottom window (styles other than
    // 1 and 2): the window picture, the name plate (a speaker given as the hero word "主人公" shows
    // the given name) and the message. The vertical style, unless hidden: the page on layer 0 from
    // the picture its pages start from, with the panel and its bar, the page's earlier messages and
    // the message; the text cursor stays where it was. Of the text's tags only the font sizes act
    // again: nothing is played, drawn on the picture or waited for. For the configuration screen's
    // return to the game. `afterMessage`: the scene is one that runs after the message (a choice, an
    // investigation screen), whose step is not the message's, so the message stands as it ended.
    void RelayoutMessageWindow(bool afterMessage = false);
    // Reloads the standing-character pictures named in the application object and draws the shown
    // ones onto `surface` (null: reload only).
    void RestoreScrCharSet(CDIB32* surface);
    // Post-frame pass.
    bool ComposeMsgScene();                         // compose layers, sprites and window
    bool MsgWndButtonInput(uint8_t hover, int arg); // message-window buttons (hover 0 = none)
    bool DrawSpriteAnimFrame();                     // tween and draw the sprite slots (scene 38)
    // The standing characters in motion and the mark slots, drawn onto the screen surface while the
    // message scene is composed (each visits its five slots in order). True.
    bool AnimateCharSlots();
    bool AnimateMarkSlots();
    // Advances sprite slot `slot` (0..9) to the present clock time. True (false for a bad slot).
    bool UpdateSpriteTween(int slot);
    // Tweens and draws one sprite slot onto the back buffer or layer 1. True.
    bool DrawSpriteSlot(int slot);
    // Draws sprite slot `slot` as it stands onto `target` as a four-corner mapped picture (op 72),
    // placed as the slot is shown (rotated about its centre, or from its top-left corner): by its
    // per-pixel alpha for a 32-bit picture, else at the slot's opacity. True.
    bool StampSpriteSlot(int slot, CDIB32* target);

    // ---- Game state, in the order of the object -------------------------------------------------
    // Position and motion slots.
    PositionSlot m_posSlots[kPositionSlotCount];
    MotionSlot m_motionSlots[kMotionSlotCount];

    // Flags and small state.
    uint8_t m_skipAll = 0;     // skip everything (frame pacing then never sleeps)
    uint8_t m_skipRead = 0;    // SKIP mode: skips messages already read
    uint8_t m_autoMode = 0;    // AUTO mode
    uint8_t m_hudDateRow = 1;  // row of the date strip of the clock display
    uint8_t m_hudOption = 1;   // option byte beside it
    int8_t m_timeGauge = 0;    // time gauge of the investigation part
    uint8_t m_clockHour = 0;   // 0..23
    uint8_t m_clockMinute = 0; // 0..59
    uint32_t m_hudInfoRow = 0; // row of the info strip of the clock display
    uint8_t m_skipEffects = 0; // timed fades and transitions end at once while set
    uint8_t m_choiceSet = 0;   // op 27 byte 2: choice-set number for the choice display
    uint8_t m_inReplay = 0;    // the story runs from the scene-replay screen
    // Screen shake / screen effect (ops 80, 81).
    uint8_t m_screenFxKind = 0;
    uint32_t m_screenFxStart = 0;
    int16_t m_screenFxAmp = 0;
    uint32_t m_screenFxAngle = 0; // for the shake kinds the period in ms
    uint8_t m_screenFxOn = 0;
    // Kinds 2 to 5: the diagonal in use, 1 or 2 (op 80 sets it, each new period turns it); kinds 6
    // and 7: the wave's phase in degrees, 0 to 359.
    uint32_t m_screenFxPhase = 0;
    // Op 80 byte 3: not 0, the shake starts again after each period (until op 81).
    uint8_t m_screenFxRepeat = 0;
    uint8_t m_windowFrame = 0;   // message-window frame variant (op 165); 0 = "window_w_2.bmp"
    uint8_t m_day = 0;           // day number minus 1 (op 153)
    uint8_t& m_mapPage = m_day;  // the same byte, as the map screen reads it
    uint8_t m_mapParams[2] = {}; // op 90
    uint8_t m_valueTable[20] = {};
    uint8_t m_chapterTable[kChapterRows][kChapterCols] = {}; // ChapterTable

    // Search and list state.
    uint8_t m_searchSpot = 0;    // spot index of the search screens (ops 151, 161)
    uint8_t m_bgmStarted = 0;    // music was started by a script
    uint8_t m_notePage = 0;      // notebook page byte (0 keyword lists, 1 sketches, 2 flow chart)
    uint8_t m_noteFlowChart = 1; // notebook flow chart byte (1..11)
    uint8_t m_noteSketch = 0;    // notebook sketch variant (op 164)
    ItemList1 m_list1;
    ItemList2 m_list2;
    ItemList m_list3;
    ItemList m_list4;
    ItemList m_list5;
    char m_heroNames[2][11] = {}; // family and given name, zero-terminated
    char (&m_nameSlots)[2][11] = m_heroNames;
    uint8_t m_itemSelResult = 0; // result of the item selection (op 156)
    uint8_t m_table157[24] = {};

    // Message state.
    uint8_t m_param58 = 0;
    uint8_t m_voiceChannel = 0; // ops 42 and 43
    char m_plainText[kMsgTextSize] = {};
    char m_lineVoiceName[kMsgTextSize] = {};
    char m_rawText[kMsgTextSize] = {};
    uint32_t m_msgId = 0;   // index of the current message's read flag
    uint8_t m_fromGame = 0; // a system screen was opened from the running game
    uint8_t& m_menuFromGame = m_fromGame;
    uint8_t m_param63 = 0;            // message-window option byte of op 63
    uint8_t m_windowStyle = 0;        // 0, 1 or 2
    char* m_pNamePlateText = nullptr; // heap strings (saved as 128 bytes each)
    char*& m_pNamePlate = m_pNamePlateText;
    char* m_pExtraText = nullptr;
    uint32_t m_bgmFadeTime = 0;               // op 36
    uint32_t m_bgmFadeValue = 0;              // op 36: b3 + 1
    uint32_t m_bgmFadeInTime = 0;             // op 37
    uint32_t m_bgmLoopValue = 0;              // op 37: b2 + 1
    uint32_t m_seFadeTime = 0;                // ops 44, 45
    uint8_t m_seFadeValue = 0;                // ops 44, 45
    uint8_t m_waitSeChannel = 0;              // op 127: channel + 1
    uint8_t m_bgmLowered = 0;                 // op 38
    uint8_t m_seStarted = 0;                  // sound-effect-started flag
    uint8_t m_eyeSeqParam = 0;                // op 78
    char* m_pBgmName = nullptr;               // heap copy of the current music file name
    uint8_t m_noteMarks[kNoteMarkCount] = {}; // NoteMarks

    // Investigation screens.
    uint8_t m_commandParams[6] = {}; // op 128: area, byte 3, bytes 4..7
    uint8_t& m_investArea = m_commandParams[0];
    uint8_t m_commandCount = 0;
    uint8_t m_keywordCounts[kKeywordCategories] = {};
    uint8_t m_keywordKnown[kKeywordCategories][kKeywordIds] = {}; // KeywordTable 1..5
    uint8_t m_visitTable[kChapterRows][kChapterCols] = {};        // VisitTable
    int8_t m_thresholdIndex = 0;                                  // threshold column (op 145)
    uint8_t m_pickedEntry = 0;                                    // selection index of op 141 (1..12)
    uint8_t m_chapter = 0;                                        // chapter (op 153): ChapterTable row
    uint8_t& m_place = m_chapter;
    uint8_t m_listCategory = 0; // op 150
    uint8_t m_investStep = 0;   // investigation sub-state
    uint8_t m_investActive = 0; // investigation part runs
    uint8_t m_legworkChars[15] = {};
    uint8_t m_legworkCharTopics[64] = {};
    uint8_t m_legworkEvidence[64] = {};
    uint8_t m_legworkNo = 0;     // op 135
    uint8_t m_searchSceneNo = 0; // op 159
    // The screens' working state (not saved, but for m_pickedKind): picks, hover bytes, the list on
    // show, hit rectangles.
    uint8_t m_pickedCommand = 0; // command row 3..5 of the last keyword pick
    uint8_t m_pickedKind = 0;    // keyword category 1..5 or topic kind 1..2 of the last pick
    uint8_t m_hoverFlag = 0;     // map: hovered place; dialogs: hovered Yes (1) / No (2)
    uint8_t m_prevHoverFlag = 0;
    uint8_t m_listCount = 0;        // entries of m_listIds
    uint8_t m_listIds[64] = {};     // ids listed, ascending
    char m_listTexts[64][128] = {}; // keyword list: the text of each entry, NUL-terminated
    int8_t m_listScroll = 0;        // first visible entry
    uint8_t m_scrollHover = 0;      // 1 up arrow, 2 down arrow, 3 thumb; 0 none
    uint8_t m_prevScrollHover = 0;
    uint8_t m_panelsHidden = 0;      // the panels are hidden to show the picture
    uint8_t m_talkButtonCount = 0;   // legwork: topic kinds offered, 1 or 2
    uint8_t m_confirmReturnStep = 0; // legwork: sub-state resumed when the end is declined
    uint32_t m_stepTime = 0;         // ms clock at the start of a timed step
    RECT m_mapPlaceRects[2][20] = {};
    RECT m_mapButtonRects[3] = {};
    RECT m_commandRects[5] = {};
    RECT m_categoryRects[5] = {};
    RECT m_listRowRects[14] = {};
    RECT m_scrollRects[3] = {};
    Particle m_particles[kParticleSets][kParticlesPerSet];
    uint16_t m_hoverIndex = 255; // hovered button of the title and extras screens (255 none)
    uint8_t m_hoverItem = 0;     // hovered item, 1-based, 0 none
    uint8_t m_prevHoverItem = 0;
    // The investigation screens' hovered row, command, category or map button under their own name.
    uint8_t& m_hoverRow = m_hoverItem;
    uint8_t& m_prevHoverRow = m_prevHoverItem;
    RECT m_screenRect{0, 0, 1024, 576};
    MsgWndButtonRects m_msgWndButtonRects;

    // Message layout and display.
    uint16_t m_textX = 0; // text cursor
    int16_t m_textY = 0;
    uint8_t m_lineCount = 0; // lines (columns) begun on the current page
    uint8_t m_textIndex = 0; // byte index of the next unprocessed byte of the message
    uint8_t m_lineUnits = 0; // half-width units used on the current line
    uint8_t m_nameSlot = 0;  // hero name being inserted: 0 none, 1 family, 2 given
    uint8_t m_nameCharIndex = 0;
    uint8_t m_rubyOpen = 0; // an open ruby base
    uint8_t m_relayout = 0; // set while RelayoutMessageWindow lays the text out again
    int16_t m_rubyStartX = 0;
    int16_t m_rubyEndX = 0;
    int16_t m_rubyY = 0;
    char m_voiceFile[kMsgTextSize] = {}; // voice file set by the voice tag
    uint8_t m_voicePending = 0;
    uint16_t m_msgStartX = 0; // x of the column where the current vertical message began
    uint32_t m_charTime = 0;
    uint32_t m_textDoneTime = 0;
    uint8_t m_windowHidden = 0;
    uint8_t m_hoverButton = 0; // message-window button under the mouse, 0 none
    uint8_t m_prevHoverButton = 0;
    uint32_t m_textColour = 0xFFFFFF;
    uint8_t m_msgWindowShown = 0;
    uint8_t m_nameTagIndex = 0;
    uint16_t m_indicatorY1[39] = {};
    uint16_t m_indicatorY2[39] = {};
    uint8_t m_indicatorAlpha[72] = {};
    uint32_t m_indicatorX224[4] = {};
    uint32_t m_indicatorX455[6] = {};
    uint16_t m_indicatorRows[15] = {};
    uint32_t m_clickWaitTime = 0;
    uint32_t m_clickWaitFrame = 0;
    uint8_t m_msgStep = 0; // sub-state of every mode
    char* m_pMsgText = nullptr;
    char* m_choiceText[kChoiceMax] = {};
    uint32_t m_choiceJump[kChoiceMax] = {}; // offsets from the script base
    uint8_t m_choiceLen[kChoiceMax] = {};
    uint8_t m_choiceCount = 0;

    // ---- Choices, item selection and the button bar of the interactive screens ----------------
    // Draws the choice panels onto the screen surface and their texts onto `surface`; sets
    // m_choiceTop and m_choiceRects. True.
    bool DrawChoiceButtons(CDIB32* surface);
    // The button bar of the message window: the action of the held button (the argument is not
    // used) and the right click that opens the notebook. True.
    bool MsgWndButtonAction(uint8_t hover);
    bool MsgWndRightClick();
    // The same three for the interactive screens (choices, items, character selection, commands).
    bool ScreenButtonInput(uint8_t hover);
    bool ScreenButtonAction(uint8_t hover);
    bool ScreenRightClick();
    int16_t m_choiceTop = 0;             // y of the first panel
    RECT m_choiceRects[kChoiceMax] = {}; // hit rectangles of the panels
    uint8_t m_choiceHover = 0;           // panel under the mouse (1-based, 0 none)
    uint8_t m_choicePrevHover = 0;       // the same last frame
    int16_t m_cursorTarget[2] = {};      // keyboard mode: glide of the cursor, window pixels
    int16_t m_cursorStart[2] = {};
    uint32_t m_choiceStamp = 0; // ms of the last sparkle step
    RECT m_itemRects[24] = {};  // item cells (owned items: m_table157, pick: m_itemSelResult)
    uint32_t m_itemStamp1 = 0;  // ms stamps of the item flash
    uint32_t m_itemStamp2 = 0;
    uint8_t m_btnHeld = 0;        // a bar button is pressed
    uint8_t m_btnHeldNo = 0;      // its number 1..10
    uint8_t m_clickWaitShown = 0; // the click-wait icon is shown

    // Script.
    uint8_t* m_pScriptBuf = nullptr;
    uint8_t* m_pScriptBase = nullptr;
    uint8_t* m_pScriptPtr = nullptr;
    uint8_t* m_pScriptSave = nullptr;
    uint32_t m_scriptSize = 0;
    int32_t m_vars[kScriptVarCount] = {}; // ScriptVars

    // Presentation parameters.
    uint32_t m_modeTime = 0;   // duration in ms of the running transition, or another word
    uint8_t m_modeKind = 0;    // its kind or variant
    uint16_t m_modeLevel = 0;  // running level 0..255
    uint32_t m_modeClock = 0;  // clock at the start of the current step
    uint32_t m_quakeStep = 0;  // step counter of the quake (scene 5), apart from its duration
    uint8_t m_bgEffect = 0;    // 1 after the inverted background of quake kind 11, 2 after kind 13
    uint8_t m_modeSlot = 0;    // slot operand of ops 68, 74, 75
    uint32_t m_transStart = 0; // copied by the transition modes when they begin
    uint32_t m_transTime = 0;
    uint8_t m_transKind = 0;
    uint16_t m_fadeLevel = 0;
    uint8_t m_redrawWindow = 0;
    uint8_t m_panLayer = 0; // op 24
    uint8_t m_panKind = 0;
    int16_t m_panFrom[2] = {};
    int16_t m_panTo[2] = {};
    uint32_t m_panMs = 0;
    SpriteSlot m_sprites[kScriptSpriteSlots];
    uint8_t m_slotMaskNo = 0;     // rule mask of op 66 (1..28), 0 none; slots then draw into layer 1
    RECT m_spriteRect{};          // destination rectangle of the first sprite slot at the last snap
    RECT m_spriteDrawn{};         // area the slots covered in the last frame of scene 38 (restored next)
    uint8_t m_spriteAnimSlot = 0; // op 69
    uint32_t m_spriteAnimMs = 0;
    uint32_t m_spriteAnimStart = 0;
    uint8_t m_spriteAnimActive = 0;
    uint32_t m_flashMs = 0; // op 126
    uint8_t m_zoomMode = 0; // op 124
    uint8_t m_zoomStep = 0;
    int16_t m_zoomFrom[4] = {};
    int16_t m_zoomTo[4] = {};
    int16_t m_zoomCur[4] = {};
    uint32_t m_zoomMs = 0;
    uint32_t m_zoomStart = 0;
    uint32_t m_zoomElapsed = 0;
    uint8_t m_clockShown = 0;    // the clock display is drawn
    uint8_t m_transFlag = 0;     // read by scene 4
    uint8_t m_layerFadeFlag = 0; // read by scene 5
    // Tint of ops 23 and 68 (0xAARRGGBB: the opacity in the top byte), kept for save records.
    uint32_t m_tintColour = 0;
    uint32_t m_tintFlag = 0;
    uint32_t m_blankColour = 0; // op 22, kept for save records
    uint8_t m_overlayKind = 0;  // ops 82, 83
    uint32_t m_overlayFrame = 0;
    uint32_t m_overlayClock = 0;
    uint8_t& m_eyeIndex = m_eyeSeqParam; // op 78's operand, as the eye sequence reads it
    uint8_t m_bgRestored = 0;
    uint32_t m_stepClock = 0;
    // Characters the character selection offers (op 136): the legwork table under its second name.
    uint8_t (&m_charAvailable)[15] = m_legworkChars;
    int16_t m_charSetX = 0; // centre x and top y of the last character placed by op 19 (op 74)
    int16_t m_charSetY = 0;
    uint16_t m_saveTime[5] = {};       // year, month, day, hour, minute
    uint8_t m_param73 = 0;             // op 73; nothing reads it
    CDIB32Effect* m_pEffect = nullptr; // holder of the pixel effects
    HWND m_hWnd = nullptr;

    // Set when the interpreter stops a script; cleared by LoadScript.
    ScriptFault m_fault = ScriptFault::kNone;
    // True the first time a fault is reported for the command at `offset` of this script, so that
    // each bad command shows its box once, however often the story passes it.
    bool FirstReportAt(uint32_t offset) { return m_reportedOffsets.insert(offset).second; }
    // The command offsets already reported (cleared when a script is loaded or resumed).
    std::set<uint32_t> m_reportedOffsets;

private:
    // Helpers for the handlers.
    uint8_t* Next(uint8_t* cmd, uint32_t extra = 0);
    uint8_t* JumpTo(uint8_t* cmd, uint32_t offset);
    uint8_t* EndScript(ScriptFault fault, uint8_t* cmd);
    void SetScene(uint8_t scene);
    void WriteBacklogRow(const char* text, const char* voice);
};

extern CScriptMng* g_pScriptMng;
