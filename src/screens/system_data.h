// The system data block: settings and lifetime progress of the installation, stored byte for byte as
// "save\Config.dat" below the game folder.
#pragma once

#include <cstddef>
#include <cstdint>

// Memory image of "save\Config.dat": 62,258 bytes, no header, version or checksum. Percentages and
// speeds are 0 to 100. Every field is a byte or a byte array, so the struct has no padding.
struct SystemData {
    uint8_t fullScreen;         // 0 window, 1 full screen
    int8_t messageSpeed;        // text speed 0..100: (100 - value) ms per glyph; 100 shows a page at once
    uint8_t skipUnread;         // 1: skipping also passes unread messages
    uint8_t reserved03;         // no reader; the configuration screen backs it up and clears it
    uint8_t bgmVolume;          // music volume, percent
    uint8_t seVolume;           // sound-effect volume, percent (every click and script sound effect)
    uint8_t muteVoiceGroupB;    // 1: speakers 7..10 of the first table and 1..2 of the second are silent
    uint8_t muteVoiceGroupA;    // 1: speakers 0..6 of the first table and 0 of the second are silent
    uint8_t voiceVolumes[18];   // percent per speaker prefix index; 11 = every other speaker
    uint8_t scriptSetting;      // written by script command 87 and the announcement screen; never read
    uint8_t fadeCut;            // 1: timed fades end at once (copied into CScriptMng::m_skipEffects)
    uint8_t effectsOff;         // 1: shakes, layer fade, sprite animation and flashes end at once
    uint8_t reserved1D;         // like reserved03
    uint8_t bgmOff;             // music off (no control sets it)
    uint8_t seOff;              // sound effects off (no control sets it)
    uint8_t voiceOff;           // voices off (no control sets it)
    uint8_t keyboardMode;       // 1: keyboard-driven screens glide the cursor onto the chosen button
    uint8_t autoSpeed;          // AUTO: waits 30 * (100 - value) ms after a page
    uint8_t autoAtStart;        // copied into CScriptMng::m_autoMode at load
    uint8_t rightClickMode;     // 0: a right click in the message scene opens the notebook
    uint8_t voiceCutOnClick;    // 1: advancing a page stops the playing voice
    uint8_t windowTransparency; // message-window transparency, percent: opacity 255 - value * 255 / 100
    uint8_t savePage;           // page last shown by the save screen
    uint8_t loadPage;           // page last shown by the load screen
    uint8_t galleryPage;        // page last shown by the picture gallery
    uint8_t replayPage;         // page last shown by the scene replay
    uint8_t noteMarks[624];     // notebook mark n (1..624) is noteMarks[n - 1], file offset 0x2A + n
    uint8_t reserved29B;
    uint8_t takenChoices[300]; // byte 3 * set + i: choice i (0..2) of set (0..99) was taken
    uint8_t replayUnlocks[20]; // scene-replay unlocks (script command 30)
    uint8_t endingFlags[28];   // ending and progress flags (script commands 33 and 59)
    uint8_t cgSeen[940];       // event picture n, variant v seen: byte 10 * n + v
    uint8_t readFlags[60000];  // already-read flag per message id (CScriptMng::m_msgId)
    char familyName[11];       // hero's family name: double-byte text, NUL-terminated, <= 5 characters
    char givenName[11];        // hero's given name, same form
    uint8_t reservedF21A[280];
};

constexpr size_t kSystemDataSize = 62258;

static_assert(sizeof(SystemData) == kSystemDataSize);
static_assert(offsetof(SystemData, fullScreen) == 0x0000);
static_assert(offsetof(SystemData, messageSpeed) == 0x0001);
static_assert(offsetof(SystemData, skipUnread) == 0x0002);
static_assert(offsetof(SystemData, reserved03) == 0x0003);
static_assert(offsetof(SystemData, bgmVolume) == 0x0004);
static_assert(offsetof(SystemData, seVolume) == 0x0005);
static_assert(offsetof(SystemData, muteVoiceGroupB) == 0x0006);
static_assert(offsetof(SystemData, muteVoiceGroupA) == 0x0007);
static_assert(offsetof(SystemData, voiceVolumes) == 0x0008);
static_assert(offsetof(SystemData, scriptSetting) == 0x001A);
static_assert(offsetof(SystemData, fadeCut) == 0x001B);
static_assert(offsetof(SystemData, effectsOff) == 0x001C);
static_assert(offsetof(SystemData, reserved1D) == 0x001D);
static_assert(offsetof(SystemData, bgmOff) == 0x001E);
static_assert(offsetof(SystemData, seOff) == 0x001F);
static_assert(offsetof(SystemData, voiceOff) == 0x0020);
static_assert(offsetof(SystemData, keyboardMode) == 0x0021);
static_assert(offsetof(SystemData, autoSpeed) == 0x0022);
static_assert(offsetof(SystemData, autoAtStart) == 0x0023);
static_assert(offsetof(SystemData, rightClickMode) == 0x0024);
static_assert(offsetof(SystemData, voiceCutOnClick) == 0x0025);
static_assert(offsetof(SystemData, windowTransparency) == 0x0026);
static_assert(offsetof(SystemData, savePage) == 0x0027);
static_assert(offsetof(SystemData, loadPage) == 0x0028);
static_assert(offsetof(SystemData, galleryPage) == 0x0029);
static_assert(offsetof(SystemData, replayPage) == 0x002A);
static_assert(offsetof(SystemData, noteMarks) == 0x002B);
static_assert(offsetof(SystemData, reserved29B) == 0x029B);
static_assert(offsetof(SystemData, takenChoices) == 0x029C);
static_assert(offsetof(SystemData, replayUnlocks) == 0x03C8);
static_assert(offsetof(SystemData, endingFlags) == 0x03DC);
static_assert(offsetof(SystemData, cgSeen) == 0x03F8);
static_assert(offsetof(SystemData, readFlags) == 0x07A4);
static_assert(offsetof(SystemData, familyName) == 0xF204);
static_assert(offsetof(SystemData, givenName) == 0xF20F);
static_assert(offsetof(SystemData, reservedF21A) == 0xF21A);

extern SystemData g_SystemData;

// The default hero names, double-byte game text (GBK), two characters each: 高木 and 健一.
inline constexpr char kDefaultFamilyName[] = "\xB8\xDF\xC4\xBE";
inline constexpr char kDefaultGivenName[] = "\xBD\xA1\xD2\xBB";

// The file below the game folder, as the game names it.
inline constexpr char kSystemDataPath[] = "save\\Config.dat";

// Writes every field's default into g_SystemData and sets the music, sound-effect and voice volume
// levels of the sound players to 50.
void SetSystemDataDefaults();

// Lays the bytes of a "save\Config.dat" over `block`, which holds the defaults: a short file (an
// empty one too, as a crash or a full disk leaves it) keeps the block's bytes beyond its end, an
// oversized one gives its first kSystemDataSize bytes. Then percentages and speeds are clamped to
// 0..100 and the names terminated. The one reading of the file's bytes.
void ReadSystemDataImage(const uint8_t* bytes, size_t size, SystemData* block);

// Defaults, then reads "save\Config.dat" over the block (ReadSystemDataImage). Then pushes into the
// game (whether or not a file was read): the music volume level, CScriptMng::m_skipEffects,
// CScriptMng::m_autoMode and the hero names. Returns true when a file was read. A file that is
// there but cannot be read (a read error, no permission, a folder in its place) is said once on
// stderr and protected: the run goes on with the defaults and SaveSystemData writes nothing until
// the next load.
bool LoadSystemData();

// Writes the whole block to "save\Config.dat" through a temporary file and a rename, so a failed
// write keeps the old file. Returns false when nothing was written: the file could not be written
// (reported on stderr) or it is protected (see LoadSystemData).
bool SaveSystemData();

// Bounds-checked access to the flag tables: an out-of-range read gives 0, an out-of-range write is
// dropped.
bool IsMessageRead(uint32_t msgId);
void MarkMessageRead(uint32_t msgId);
// Notebook mark n, 1..624.
bool GetNoteMark(uint32_t n);
void SetNoteMark(uint32_t n);
// Taken choice i (0..2) of set s (0..99).
bool IsChoiceTaken(uint32_t set, uint32_t choice);
void SetChoiceTaken(uint32_t set, uint32_t choice);
bool IsReplayUnlocked(uint32_t index);
void SetReplayUnlocked(uint32_t index);
bool GetEndingFlag(uint32_t index);
void SetEndingFlag(uint32_t index);
// Variant v (0..9) of event picture n (0..93).
bool IsCgSeen(uint32_t picture, uint32_t variant);
void SetCgSeen(uint32_t picture, uint32_t variant);
