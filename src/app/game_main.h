// The application object: the current scene, the names and slot tables that a save record keeps, the
// backlog, and the frame that steps the current scene.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// Scene numbers 0..70; the scene switch of CGameMain::Frame selects the step by this number. Numbers
// without a step (7, 12, 13, 20..22, 30..34, 43, 45, 47..49, 57) run empty frames.
using SceneId = uint8_t;

enum : SceneId {
    kSceneLogo = 0,
    kSceneTitleMenu = 1,
    kSceneScript = 2,
    kSceneMessage = 3,
    kSceneTransition = 4,
    kSceneQuake = 5,
    kSceneBacklog = 6,
    kSceneExit = 8,
    kSceneConfig = 9,
    kSceneSave = 10,
    kSceneLoad = 11,
    kSceneReplay = 14,
    kSceneGallery = 15,
    kSceneMusic = 16,
    kSceneChoice = 17,
    kSceneWindowFade = 18,
    kSceneEyeScreen = 19,
    kSceneVoiceWait = 23,
    kSceneOpeningMovie = 24,
    kSceneScreenEffect = 25,
    kScenePictureSequence = 26,
    kSceneCreditT = 27,
    kSceneCreditN = 28,
    kSceneCreditB = 29,
    kSceneColorTransition = 35,
    kSceneSpeakerLine = 36,
    kSceneTransition37 = 37,
    kSceneSpriteAnim = 38,
    kSceneTransition39 = 39,
    kSceneNop40 = 40,
    kSceneTransition41 = 41,
    kSceneNop42 = 42,
    kSceneEyeSequence = 44,
    kSceneAnnScreen = 46,
    kSceneStaffRollMovie = 50,
    kSceneWaitClick = 51,
    kSceneWaitVoice = 52,
    kSceneStopVoice = 53,
    kSceneSystemMenu = 54,
    kSceneClickWait = 55,
    kSceneFrameZoom = 56,
    kSceneFlash = 58,
    kSceneWaitSe = 59,
    kSceneMap = 60,
    kSceneCommand = 61,
    kSceneLegwork = 62,
    kSceneTalkStart = 63,
    kSceneLegworkEnd = 64,
    kSceneCharSelect = 65,
    kSceneKeywordList = 66,
    kSceneSearch = 67,
    kSceneNote = 68,
    kSceneItemSelect = 69,
    kSceneSearchInventory = 70,
};

// Sizes of the tables below.
constexpr int kLayerNameCount = 10;
constexpr int kCharSlotCount = 15;
constexpr int kSpriteSlotCount = 10;
constexpr int kNameLength = 128;
constexpr uint32_t kBacklogMax = 250; // entries kept; the tables have 256 rows of 256 bytes
constexpr int kBacklogRows = 256;
constexpr int kBacklogRowSize = 256;

// The one application object (g_pGameMain). Fields in the order the game keeps them; every field is
// zero-initialised, so nothing undefined reaches a save record.
class CGameMain {
public:
    SceneId scene = 0;       // current scene
    SceneId returnScene = 0; // scene to return to when an overlay scene ends (one level only)
    char layerPictureNames[kLayerNameCount][kNameLength] = {};   // pictures of the script image layers
    char charBasePictureNames[kCharSlotCount][kNameLength] = {}; // standing-character base pictures
    char spritePictureNames[kSpriteSlotCount][kNameLength] = {}; // pictures of the 10 sprite slots
    char bgmName[kNameLength] = {};    // music in use, so that a loaded game can restart it
    char scriptName[kNameLength] = {}; // loaded script file
    char seName[kNameLength] = {};     // looping sound effect in use
    uint32_t backlogCount = 0;         // entries 0..backlogCount-1; the last is the newest
    char backlogText[kBacklogRows][kBacklogRowSize] = {};    // message text as the command received it
    char backlogSpeaker[kBacklogRows][kBacklogRowSize] = {}; // speaker name on the name plate, or empty
    char backlogVoice[kBacklogRows][kBacklogRowSize] = {};   // voice file name without folder, or empty
    uint8_t charSlotPicture[16] = {}; // picture number shown in each standing-character slot
    uint16_t charSlotX[kCharSlotCount] = {};
    // The record's second value: cleared with the record; no command gives it another (op 19 stores
    // the x, the shown flag and the picture id), so a save keeps 0 there.
    uint16_t charSlotY[kCharSlotCount] = {};
    uint8_t charSlotShown[16] = {};
    // Per sprite slot drawing values mirrored for the save record: destination x, y, width, height,
    // source x, y, width, height (signed) and opacity (unsigned).
    uint16_t spriteMotion[9][kSpriteSlotCount] = {};
    uint32_t spriteValueA[kSpriteSlotCount] = {};
    uint32_t spriteValueB[kSpriteSlotCount] = {};
    uint32_t spriteStartTime[kSpriteSlotCount] = {}; // ms, start of the sine motion
    RECT fullRect{0, 0, 1024, 576};                  // the screen rectangle
    uint8_t progressLevel = 0;                       // 0, 1 or 2; the extras open when non-zero
    HWND hWnd = nullptr;
    HINSTANCE hInstance = nullptr;

    CGameMain(HWND hwnd, HINSTANCE hinstance);
    // Deletes g_pScriptMng and every scene object.
    ~CGameMain();
    CGameMain(const CGameMain&) = delete;
    CGameMain& operator=(const CGameMain&) = delete;

    // One frame: create the current scene's object, run its step, drop the wheel report when the step
    // left the scene, delete the objects of the other scenes, then the post-frame pass. Returns true.
    bool Frame();
    // Creates the object of the current scene when it is missing (table order).
    bool CreateScene();
    // Deletes the objects of every scene other than the current one.
    bool DeleteInactiveScenes();
    // Deletes every scene object.
    void DeleteScenes();
    // Composition, the pacing sleep of the scene and the repaint request.
    void PostFrame();
    // Clears the picture name and every table entry of the 10 sprite slots.
    void ClearSpriteRecords();

    // Makes room for a new backlog entry and returns its row: with 250 entries the oldest is dropped
    // (rows 1..249 move to 0..248 and the count drops by one); the returned row is cleared. The writer
    // fills the row and raises backlogCount when the entry is complete.
    uint32_t PrepareBacklogRow();
    // PrepareBacklogRow, copies the three texts (each cut at 255 bytes without splitting a double-byte
    // character; null is empty) and raises the count.
    void PushBacklog(const char* text, const char* speaker, const char* voice);
};

extern CGameMain* g_pGameMain;

// Copies `src` into a field of `size` bytes: at most size - 1 bytes, never splitting a double-byte
// character (lead byte 0x81..0xFE), always terminated. A null source gives an empty string.
void CopyGameText(char* dst, size_t size, const char* src);
// CopyGameText for a message's text: a lead byte that ends the text is copied alone, as the
// message holds it, where it fits.
void CopyMessageText(char* dst, size_t size, const char* src);
