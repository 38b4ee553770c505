// The save record: the whole state of one game, stored byte for byte as one slot file
// "save\savefile%02d.sav" (slot numbers 00 to 99) below the game folder. The save screen builds it
// from the running game and writes it; the load screen reads it back and puts the game together
// again from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/types.h"

// Memory image of a slot file: 255,224 bytes, little-endian, no header, version or checksum. Text
// fields are zero-terminated double-byte game text, zero beyond the terminator. Every field is at its
// natural alignment, so the struct has no padding; the reserved fields are written as zero and never
// read.
struct SaveData {
    // 144 × 81 pixels of four bytes (blue, green, red, 0), rows top to bottom; or, for a save made
    // while a standing character moves or on an investigation screen, 100 × 75 pixels in rows of
    // 400 bytes and zeros after them.
    uint8_t thumbnail[144 * 81 * 4];
    uint32_t scriptOffset;            // resume point minus the script base
    uint8_t resumeScene;              // the scene the save screen was opened from
    char layerNames[10][128];         // layer pictures; the one-byte name 0x01 is a colour layer
    char charNames[15][128];          // standing-character base pictures
    char spriteNames[10][128];        // sprite pictures
    uint8_t reserved0C7C5;            //
    uint16_t spriteValues[9][10];     // dx, dy, dw, dh, sx, sy, sw, sh (signed), opacity
    uint8_t reserved0C87A[2];         //
    uint32_t spriteValueA[10];        //
    uint32_t spriteValueB[10];        //
    uint8_t reserved0C8CC[40];        //
    char bgmName[128];                // music in use ("" none)
    char scriptName[128];             // script file to load again
    char seName[128];                 // looping sound effect in use ("" none)
    uint8_t charSlotPicture[15];      //
    uint8_t reserved0CA83;            //
    uint16_t charSlotX[15];           //
    uint16_t charSlotY[15];           //
    uint8_t charSlotShown[15];        //
    uint8_t reserved0CACF;            //
    uint32_t colourLayerColour;       // colour of a colour layer (name 0x01)
    uint32_t layer1FillColour;        // 0 none, else layer 1 is filled with it
    uint32_t layer1Shading;           // non-zero: the shading bands are drawn on layer 1
    char plainText[256];              // the current message without its tags (slot caption)
    char rawText[256];                // the current message as the script gave it
    char namePlate[128];              // name-plate text, at most 127 bytes
    char extraText[128];              // the second heap text, at most 127 bytes
    int32_t vars[256];                // script variables
    uint8_t reserved0D1DC;            //
    uint8_t unusedEngineByte;         // written 0, never read back
    uint8_t hudOption;                //
    uint8_t hudDateRow;               // game day shown by the slot preview (0 none)
    uint8_t layer1Effect;             // 0 none, 1 colour negative, 2 second effect
    uint8_t reserved0D1E1[3];         //
    uint32_t backlogCount;            // 0..250
    uint32_t lineCountMinus2;         // message-page line counter − 2 (32-bit wrap)
    uint8_t textIndex;                // the byte after the line counter
    uint8_t clockShown;               // the investigation clock is drawn on the message scene
    uint8_t param58;                  //
    uint8_t table157[24];             //
    uint8_t param63;                  // message-window option byte
    uint8_t windowStyle;              // 0, 1 or 2
    uint8_t reserved0D209;            //
    uint16_t textX;                   // text cursor
    uint16_t textY;                   //
    uint8_t msgPageByte;              //
    uint8_t clockHour;                // 0..23
    uint8_t clockMinute;              // 0..59
    uint8_t reserved0D211[3];         //
    uint32_t hudInfoRow;              // place shown by the slot preview, 1-based (0 none)
    uint8_t mapPage;                  //
    uint8_t noteByte2;                //
    uint8_t noteByte1;                //
    uint8_t windowFrame;              //
    uint8_t valueTable[20];           //
    uint8_t chapterTable[60][20];     // table T1
    uint8_t commandArea;              // first command-screen parameter
    uint8_t investStep;               // investigation sub-state (0 after a load)
    uint8_t investActive;             //
    uint8_t commandParams[5];         // command-screen parameters 2..6
    uint8_t commandCount;             //
    uint8_t keywordCounts[5];         //
    uint8_t keywordKnown[5][64];      //
    uint8_t visitTable[60][20];       // table T2
    uint8_t keywordListParam1;        //
    int8_t timeGauge;                 //
    uint8_t keywordListParams[3];     // the last pick's entry (script command 141) and kind, the chapter
    uint8_t legworkChars[15];         //
    uint8_t legworkCharTopics[64];    //
    uint8_t legworkEvidence[64];      //
    uint8_t legworkNo;                //
    uint8_t searchPanel;              // inventory panel of the search screen
    uint8_t itemLists[1145];          // the five item lists, one after the other
    uint8_t objState[5];              // mark slots (script commands 106, 107): 0 free, 1 running, 2 ending
    uint8_t objSecond[5];             // mark kind
    uint8_t reserved0E1F7;            //
    uint16_t objWords[4][5];          // x, y, width, height
    uint32_t objStartTime[5];         // clock at the start of the phase, ms
    uint32_t objElapsed[5];           // ms into the appearing phase, or the frame counter
    uint8_t objRunning[5];            // 0 appearing, 1 holding; 1 wherever objState is non-zero
    uint8_t reserved0E24D;            //
    uint16_t objLevel[5];             // opacity 0..255
    uint32_t objDuration[5];          // duration in ms (script command 106's last word)
    uint8_t backlogText[256][256];    // every byte stored inverted
    uint8_t backlogSpeaker[256][256]; // every byte stored inverted
    uint8_t backlogVoice[256][256];   // every byte stored inverted
    uint8_t noteMarks[624];           //
    int32_t screenRect[4];            // left, top, right, bottom
    uint16_t saveTime[5];             // year, month, day, hour, minute (local time)
    uint8_t reserved3E4F6[2];         //
};

constexpr size_t kSaveDataSize = 255224;
constexpr int kSaveSlotCount = 100;
constexpr int kThumbWidth = 144;
constexpr int kThumbHeight = 81;
// The point-sampled thumbnail: every 8th pixel of the first 800 columns and 600 rows.
constexpr int kThumbSampleWidth = 100;
constexpr int kThumbSampleHeight = 75;
constexpr int kThumbSampleStep = 8;

static_assert(sizeof(SaveData) == kSaveDataSize);
static_assert(offsetof(SaveData, thumbnail) == 0x00000);
static_assert(offsetof(SaveData, scriptOffset) == 0x0B640);
static_assert(offsetof(SaveData, resumeScene) == 0x0B644);
static_assert(offsetof(SaveData, layerNames) == 0x0B645);
static_assert(offsetof(SaveData, layerNames[1]) == 0x0B6C5);
static_assert(offsetof(SaveData, charNames) == 0x0BB45);
static_assert(offsetof(SaveData, spriteNames) == 0x0C2C5);
static_assert(offsetof(SaveData, reserved0C7C5) == 0x0C7C5);
static_assert(offsetof(SaveData, spriteValues) == 0x0C7C6);
static_assert(offsetof(SaveData, reserved0C87A) == 0x0C87A);
static_assert(offsetof(SaveData, spriteValueA) == 0x0C87C);
static_assert(offsetof(SaveData, spriteValueB) == 0x0C8A4);
static_assert(offsetof(SaveData, reserved0C8CC) == 0x0C8CC);
static_assert(offsetof(SaveData, bgmName) == 0x0C8F4);
static_assert(offsetof(SaveData, scriptName) == 0x0C974);
static_assert(offsetof(SaveData, seName) == 0x0C9F4);
static_assert(offsetof(SaveData, charSlotPicture) == 0x0CA74);
static_assert(offsetof(SaveData, reserved0CA83) == 0x0CA83);
static_assert(offsetof(SaveData, charSlotX) == 0x0CA84);
static_assert(offsetof(SaveData, charSlotY) == 0x0CAA2);
static_assert(offsetof(SaveData, charSlotShown) == 0x0CAC0);
static_assert(offsetof(SaveData, reserved0CACF) == 0x0CACF);
static_assert(offsetof(SaveData, colourLayerColour) == 0x0CAD0);
static_assert(offsetof(SaveData, layer1FillColour) == 0x0CAD4);
static_assert(offsetof(SaveData, layer1Shading) == 0x0CAD8);
static_assert(offsetof(SaveData, plainText) == 0x0CADC);
static_assert(offsetof(SaveData, rawText) == 0x0CBDC);
static_assert(offsetof(SaveData, namePlate) == 0x0CCDC);
static_assert(offsetof(SaveData, extraText) == 0x0CD5C);
static_assert(offsetof(SaveData, vars) == 0x0CDDC);
static_assert(offsetof(SaveData, reserved0D1DC) == 0x0D1DC);
static_assert(offsetof(SaveData, unusedEngineByte) == 0x0D1DD);
static_assert(offsetof(SaveData, hudOption) == 0x0D1DE);
static_assert(offsetof(SaveData, hudDateRow) == 0x0D1DF);
static_assert(offsetof(SaveData, layer1Effect) == 0x0D1E0);
static_assert(offsetof(SaveData, reserved0D1E1) == 0x0D1E1);
static_assert(offsetof(SaveData, backlogCount) == 0x0D1E4);
static_assert(offsetof(SaveData, lineCountMinus2) == 0x0D1E8);
static_assert(offsetof(SaveData, textIndex) == 0x0D1EC);
static_assert(offsetof(SaveData, clockShown) == 0x0D1ED);
static_assert(offsetof(SaveData, param58) == 0x0D1EE);
static_assert(offsetof(SaveData, table157) == 0x0D1EF);
static_assert(offsetof(SaveData, param63) == 0x0D207);
static_assert(offsetof(SaveData, windowStyle) == 0x0D208);
static_assert(offsetof(SaveData, reserved0D209) == 0x0D209);
static_assert(offsetof(SaveData, textX) == 0x0D20A);
static_assert(offsetof(SaveData, textY) == 0x0D20C);
static_assert(offsetof(SaveData, msgPageByte) == 0x0D20E);
static_assert(offsetof(SaveData, clockHour) == 0x0D20F);
static_assert(offsetof(SaveData, clockMinute) == 0x0D210);
static_assert(offsetof(SaveData, reserved0D211) == 0x0D211);
static_assert(offsetof(SaveData, hudInfoRow) == 0x0D214);
static_assert(offsetof(SaveData, mapPage) == 0x0D218);
static_assert(offsetof(SaveData, noteByte2) == 0x0D219);
static_assert(offsetof(SaveData, noteByte1) == 0x0D21A);
static_assert(offsetof(SaveData, windowFrame) == 0x0D21B);
static_assert(offsetof(SaveData, valueTable) == 0x0D21C);
static_assert(offsetof(SaveData, commandArea) == 0x0D6E0);
static_assert(offsetof(SaveData, investStep) == 0x0D6E1);
static_assert(offsetof(SaveData, investActive) == 0x0D6E2);
static_assert(offsetof(SaveData, commandParams) == 0x0D6E3);
static_assert(offsetof(SaveData, keywordListParam1) == 0x0DCDE);
static_assert(offsetof(SaveData, timeGauge) == 0x0DCDF);
static_assert(offsetof(SaveData, keywordListParams) == 0x0DCE0);
static_assert(offsetof(SaveData, legworkChars) == 0x0DCE3);
static_assert(offsetof(SaveData, searchPanel) == 0x0DD73);
static_assert(offsetof(SaveData, itemLists) == 0x0DD74);
static_assert(offsetof(SaveData, objState) == 0x0E1ED);
static_assert(offsetof(SaveData, objSecond) == 0x0E1F2);
static_assert(offsetof(SaveData, reserved0E1F7) == 0x0E1F7);
static_assert(offsetof(SaveData, objWords) == 0x0E1F8);
static_assert(offsetof(SaveData, objStartTime) == 0x0E220);
static_assert(offsetof(SaveData, objElapsed) == 0x0E234);
static_assert(offsetof(SaveData, objRunning) == 0x0E248);
static_assert(offsetof(SaveData, reserved0E24D) == 0x0E24D);
static_assert(offsetof(SaveData, objLevel) == 0x0E24E);
static_assert(offsetof(SaveData, objDuration) == 0x0E258);
static_assert(offsetof(SaveData, backlogText) == 0x0E26C);
static_assert(offsetof(SaveData, backlogSpeaker) == 0x1E26C);
static_assert(offsetof(SaveData, backlogVoice) == 0x2E26C);
static_assert(offsetof(SaveData, noteMarks) == 0x3E26C);
static_assert(offsetof(SaveData, screenRect) == 0x3E4DC);
static_assert(offsetof(SaveData, saveTime) == 0x3E4EC);
static_assert(offsetof(SaveData, reserved3E4F6) == 0x3E4F6);

// The record the save screen fills and the load screen reads into.
extern SaveData g_SaveData;

// The game path of slot `slot` (0..99): "save\savefileNN.sav". Slots outside 0..99 give "".
std::string SaveSlotPath(int slot);

// Takes the bytes of a slot file into `out`. Only exactly kSaveDataSize bytes are taken; any other
// size returns false and leaves `out` zeroed. A record taken is made safe to use (SanitizeSaveData).
bool ReadSaveRecord(const uint8_t* bytes, size_t size, SaveData* out);

// Reads slot `slot` into `out` (ReadSaveRecord); a file that is missing or unreadable returns false
// and leaves `out` zeroed, as does one of the wrong size.
bool ReadSaveSlot(int slot, SaveData* out);

// Writes `record` as slot `slot` through a temporary file and a rename: a failed write keeps the old
// file whole and returns false (reported on stderr).
bool WriteSaveSlot(int slot, const SaveData& record);

// Makes a record read from a file safe to use: every text field terminated, the backlog count cut to
// 250, the window style to 0..2, the clock to 0..23 and 0..59.
void SanitizeSaveData(SaveData* record);

// The 144 × 81 thumbnail of a 1024 × 576 picture by area averaging: each thumbnail pixel is the mean
// of the source pixels it covers, partly covered pixels weighted by the part covered. `pixels` has
// `pitch` pixel words per row; the fourth byte of every output pixel is 0.
void MakeThumbnail(const uint32_t* pixels, int32_t pitch, uint8_t out[kThumbWidth * kThumbHeight * 4]);

// Whether a save holds the 100 × 75 point-sampled thumbnail rather than the 144 × 81 averaged one:
// outside the vertical window style (1), while a standing character moves or when the save screen was
// opened from an investigation screen (`fromScene`). The builder decides by it and the slot previews
// read records by it, so that the two always agree.
bool TakesSampledThumbnail(uint8_t windowStyle, uint8_t fromScene, bool characterMoving);

// TakesSampledThumbnail read from a stored record: its window style and resume scene as the builder
// saw them. The record does not keep the motion slots; a moving character is recognised instead by
// the thumbnail field being zero from byte 30,000 on, as a sample always leaves it and an averaged
// thumbnail only of a picture black below about row 370.
bool HoldsSampledThumbnail(const SaveData& record);

// Clears g_SaveData and fills it from the running game: the thumbnail, then the application
// object's and the script engine's state. The thumbnail is backup B of layer 1 averaged by area in
// the vertical window style; else, while a standing character moves, the 100 × 75 sample of the
// picture its motion prepared, and on an investigation screen (the scene the save screen was opened
// from) that of the screen snapshot; else layer 0 averaged by area. None when its surface is
// missing. The caller sets CScriptMng::m_saveTime first.
void BuildSaveRecord(HWND hwnd);

// Puts the game back together from g_SaveData after a load: tables and fields, the script and its
// resume point, layers, standing characters, sprites, music, looping sound effect, layer 1's
// finishing, the backlog, the message-window pictures and the message page. Returns false, changing
// nothing but showing the missing script once, when the record cannot be resumed (its script is
// missing or the resume point lies outside it); the caller then stays on its page. On success the
// game's name plate and looping sound effect are dropped first.
bool RestoreSceneAfterLoad(HWND hwnd);

// The scene a loaded game resumes in: the stored scene, except that a choice, a character selection
// or an item selection resumes in the interpreter (they are set up again by their command), a click
// wait inside a message resumes in the message scene (which lays the message out again up to it), and
// a number that is no resumable scene resumes in the interpreter.
uint8_t ResumeSceneFor(uint8_t storedScene);
