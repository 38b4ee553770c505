#include "screens/system_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/game_main.h"
#include "platform/file_system.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

SystemData g_SystemData{};

namespace {

// Set when the file was there but could not be read: nothing is written over it in this run.
bool g_systemDataUnreadable = false;

void ClampPercent(uint8_t& v) {
    v = std::min<uint8_t>(v, 100);
}

// Bytes a damaged file may hold out of range: percentages and speeds become 0..100 and the names are
// terminated, so no wait turns negative and no copy runs past a name field.
void SanitizeSystemData(SystemData& d) {
    if (d.messageSpeed < 0)
        d.messageSpeed = 0;
    if (d.messageSpeed > 100)
        d.messageSpeed = 100;
    ClampPercent(d.bgmVolume);
    ClampPercent(d.seVolume);
    for (auto& v : d.voiceVolumes)
        ClampPercent(v);
    ClampPercent(d.autoSpeed);
    ClampPercent(d.windowTransparency);
    d.familyName[sizeof d.familyName - 1] = '\0';
    d.givenName[sizeof d.givenName - 1] = '\0';
}

bool GetFlag(const uint8_t* table, size_t size, size_t index) {
    return index < size && table[index] != 0;
}

void SetFlag(uint8_t* table, size_t size, size_t index) {
    if (index < size)
        table[index] = 1;
}

// The volume levels with which the three kinds of player start.
void SetDefaultSoundLevels() {
    SetBgmVolume(50);
    SetSeVolume(50);
    SetVoiceVolume(50);
}

// What the game keeps from the block beside it: the music level, the fade-cut and AUTO copies and the
// hero names.
void PushSystemDataIntoGame() {
    SetBgmVolume(g_SystemData.bgmVolume);
    if (CScriptMng* s = g_pScriptMng) {
        s->m_skipEffects = g_SystemData.fadeCut;
        s->m_autoMode = g_SystemData.autoAtStart;
        CopyGameText(s->m_heroNames[0], sizeof s->m_heroNames[0], g_SystemData.familyName);
        CopyGameText(s->m_heroNames[1], sizeof s->m_heroNames[1], g_SystemData.givenName);
    }
}

} // namespace

void SetSystemDataDefaults() {
    SystemData& d = g_SystemData;
    std::memset(&d, 0, sizeof d);
    d.messageSpeed = 50;
    d.bgmVolume = 50;
    d.seVolume = 50;
    std::fill(std::begin(d.voiceVolumes), std::end(d.voiceVolumes), uint8_t{50});
    d.autoSpeed = 50;
    d.rightClickMode = 1;
    d.voiceCutOnClick = 1;
    d.windowTransparency = 30;
    std::snprintf(d.familyName, sizeof d.familyName, "%s", kDefaultFamilyName);
    std::snprintf(d.givenName, sizeof d.givenName, "%s", kDefaultGivenName);
    SetDefaultSoundLevels();
}

void ReadSystemDataImage(const uint8_t* bytes, size_t size, SystemData* block) {
    // An empty file may come with no buffer at all.
    if (size > 0)
        std::memcpy(block, bytes, std::min(size, sizeof(SystemData)));
    SanitizeSystemData(*block);
}

bool LoadSystemData() {
    SetSystemDataDefaults();
    std::vector<uint8_t> bytes;
    kestrel::fs::ReadStatus status = kestrel::fs::ReadFile(kSystemDataPath, &bytes);
    g_systemDataUnreadable = status == kestrel::fs::ReadStatus::Failed;
    if (g_systemDataUnreadable)
        std::fprintf(stderr,
                     "kestrel: %s is there but cannot be read; this run uses the default settings and "
                     "leaves the file as it is\n",
                     kSystemDataPath);
    bool read = status == kestrel::fs::ReadStatus::Ok;
    if (read)
        ReadSystemDataImage(bytes.data(), bytes.size(), &g_SystemData);
    // The defaults are pushed as well, so that a first start has the same names and levels as one
    // that read them from the file.
    PushSystemDataIntoGame();
    return read;
}

bool SaveSystemData() {
    // The defaults of this run must not replace the player's settings, read flags and unlocks.
    if (g_systemDataUnreadable)
        return false;
    if (kestrel::fs::WriteWholeFile(kSystemDataPath, &g_SystemData, sizeof(SystemData)))
        return true;
    std::fprintf(stderr, "kestrel: could not write %s; the previous file is kept\n", kSystemDataPath);
    return false;
}

bool IsMessageRead(uint32_t msgId) {
    return GetFlag(g_SystemData.readFlags, sizeof g_SystemData.readFlags, msgId);
}

void MarkMessageRead(uint32_t msgId) {
    SetFlag(g_SystemData.readFlags, sizeof g_SystemData.readFlags, msgId);
}

bool GetNoteMark(uint32_t n) {
    return n >= 1 && GetFlag(g_SystemData.noteMarks, sizeof g_SystemData.noteMarks, n - 1);
}

void SetNoteMark(uint32_t n) {
    if (n >= 1)
        SetFlag(g_SystemData.noteMarks, sizeof g_SystemData.noteMarks, n - 1);
}

bool IsChoiceTaken(uint32_t set, uint32_t choice) {
    return set < 100 && choice < 3 &&
           GetFlag(g_SystemData.takenChoices, sizeof g_SystemData.takenChoices, set * 3 + choice);
}

void SetChoiceTaken(uint32_t set, uint32_t choice) {
    if (set < 100 && choice < 3)
        SetFlag(g_SystemData.takenChoices, sizeof g_SystemData.takenChoices, set * 3 + choice);
}

bool IsReplayUnlocked(uint32_t index) {
    return GetFlag(g_SystemData.replayUnlocks, sizeof g_SystemData.replayUnlocks, index);
}

void SetReplayUnlocked(uint32_t index) {
    SetFlag(g_SystemData.replayUnlocks, sizeof g_SystemData.replayUnlocks, index);
}

bool GetEndingFlag(uint32_t index) {
    return GetFlag(g_SystemData.endingFlags, sizeof g_SystemData.endingFlags, index);
}

void SetEndingFlag(uint32_t index) {
    SetFlag(g_SystemData.endingFlags, sizeof g_SystemData.endingFlags, index);
}

bool IsCgSeen(uint32_t picture, uint32_t variant) {
    return picture < 94 && variant < 10 &&
           GetFlag(g_SystemData.cgSeen, sizeof g_SystemData.cgSeen, picture * 10 + variant);
}

void SetCgSeen(uint32_t picture, uint32_t variant) {
    if (picture < 94 && variant < 10)
        SetFlag(g_SystemData.cgSeen, sizeof g_SystemData.cgSeen, picture * 10 + variant);
}
