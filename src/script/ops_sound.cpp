// Command handlers of music, sound effects and voices. They play through the global players of the
// sound layer and keep the names a saved game needs to restart its sound: the current music and the
// looping sound effect in CGameMain, and m_pBgmName here, which keeps a play command from
// restarting music that already plays.
//
// Channel and slot operands come from the script unchecked; a number beyond the player tables is
// ignored (the command does nothing but continue). A file name that, with ".ogg" appended, does not
// fit the 128-byte name fields (or the 256-byte voice name) is refused the same way, so that a saved
// game never holds a cut name.
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "screens/system_data.h"
#include "script/ops_sound.h"
#include "script/script_command.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace kestrel::script;

// Three-letter voice-file prefixes, one per speaking character. The first table gives the character
// group 0..11 (the voice volume at system data byte 0x08 + group); the second refines group 11.
const char VoicePrefixTable[kVoicePrefixCount][4] = {
    "tak", "kyo", "mis", "yuk", "ari", "sat", "kei", "nao", "ren", "hin", "jun", "etc",
};
const char VoicePrefixTable2[kVoicePrefix2Count][4] = {"eta", "etb", "etc"};

namespace {

constexpr int kSeChannelCount = kSePlayerSlots - 1;
constexpr int kUnlistedVoiceVolume = 11; // index of the volume of every speaker in no table

// Index of the first entry of `table` equal to the first three characters of `name`, or `count`.
int FindPrefix(const char (*table)[4], int count, const char* name) {
    if (name == nullptr)
        return count;
    for (int i = 0; i < count; ++i)
        if (std::strncmp(table[i], name, 3) == 0 && std::strlen(name) >= 3)
            return i;
    return count;
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}

uint32_t Percent(uint8_t value) {
    return value > 100 ? 100u : value;
}

// The name operand of a command with ".ogg" appended; false when it would not fit `limit` bytes
// with its terminator.
bool SoundName(const uint8_t* cmd, uint8_t length, size_t limit, std::string& out) {
    const char* text = TrailingText(cmd);
    size_t n = 0;
    while (n < length && text[n] != '\0')
        ++n;
    out.assign(text, n);
    out += ".ogg";
    return out.size() < limit;
}

void SetGameName(char (&field)[kNameLength], const std::string& name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), name.size() < sizeof field ? name.size() : sizeof field - 1);
}

void ClearGameName(char (&field)[kNameLength]) {
    std::memset(field, 0, sizeof field);
}

void DeleteBgm() {
    if (g_BgmPlayer != nullptr) {
        g_BgmPlayer->KillFadeTimer();
        g_BgmPlayer->Stop();
        delete g_BgmPlayer;
        g_BgmPlayer = nullptr;
    }
}

CBgmplay* NewBgm(const std::string& name) {
    DeleteBgm();
    g_BgmPlayer = new CBgmplay();
    g_BgmPlayer->OpenMusic(name.c_str());
    return g_BgmPlayer;
}

void DeleteSe(int channel) {
    CSeplay*& slot = g_pSeChannels[channel];
    if (slot != nullptr) {
        slot->KillTimer();
        slot->Stop();
        delete slot;
        slot = nullptr;
    }
}

// Replaces the player of a script channel and opens `name`; the result of the open.
bool NewSe(int channel, const std::string& name) {
    DeleteSe(channel);
    g_pSeChannels[channel] = new CSeplay();
    return g_pSeChannels[channel]->Open(name.c_str());
}

void DeleteVoice(int slot) {
    if (g_VoicePlayers[slot] != nullptr) {
        g_VoicePlayers[slot]->Stop();
        delete g_VoicePlayers[slot];
        g_VoicePlayers[slot] = nullptr;
    }
}

bool NewVoice(int slot, const std::string& name) {
    DeleteVoice(slot);
    g_VoicePlayers[slot] = new CVoiceplay();
    return g_VoicePlayers[slot]->OpenVoice(name.c_str());
}

bool ValidSeChannel(int channel) {
    return channel >= 0 && channel < kSeChannelCount;
}
bool ValidVoiceSlot(int slot) {
    return slot >= 0 && slot < kVoicePlayerSlots;
}

} // namespace

int kestrel::sound_cmd::VoicePrefixGroup(const char* name) {
    return FindPrefix(VoicePrefixTable, kVoicePrefixCount, name);
}

int kestrel::sound_cmd::VoiceVolumeIndex(const char* name) {
    const int g = VoicePrefixGroup(name);
    return g < kVoicePrefixCount ? g : kUnlistedVoiceVolume;
}

namespace kestrel::sound_cmd {

bool CurrentMessageRead(const CScriptMng& engine) {
    return engine.m_msgId < sizeof g_SystemData.readFlags && g_SystemData.readFlags[engine.m_msgId] != 0;
}

bool FastForwarding(const CScriptMng& engine) {
    if (!CtrlHeld())
        return false;
    return g_SystemData.skipUnread == 1 || (g_SystemData.skipUnread == 0 && CurrentMessageRead(engine));
}

bool VoiceAllowed(const CScriptMng& engine) {
    if (FastForwarding(engine) || g_SystemData.voiceOff != 0)
        return false;
    return engine.m_skipRead == 0 || (!CurrentMessageRead(engine) && g_SystemData.skipUnread != 1);
}

} // namespace kestrel::sound_cmd

using kestrel::sound_cmd::FastForwarding;
using kestrel::sound_cmd::VoiceAllowed;

// Keeps `name` as the music in use; false when that music is already the one in use, so that
// a play command repeated by the script does not restart it.
static bool RememberBgmName(char*& stored, const std::string& name) {
    if (stored != nullptr && name == stored)
        return false;
    delete[] stored;
    stored = new char[name.size() + 1];
    std::memcpy(stored, name.c_str(), name.size() + 1);
    return true;
}

uint8_t* CScriptMng::OpPlayBgm(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    std::string name;
    if (!SoundName(cmd, cmd[7], kNameLength, name))
        return next;
    SetGameName(g_pGameMain->bgmName, name);
    if (!RememberBgmName(m_pBgmName, name))
        return next;
    CBgmplay* bgm = NewBgm(name);
    bgm->SetVolume(Percent(g_SystemData.bgmVolume));
    bgm->Play(B3(cmd) == 1);
    m_bgmStarted = 1;
    return next;
}

uint8_t* CScriptMng::OpStopBgm(uint8_t* cmd) {
    SetScene(kSceneScript);
    DeleteBgm();
    m_bgmStarted = 0;
    delete[] m_pBgmName;
    m_pBgmName = nullptr;
    ClearGameName(g_pGameMain->bgmName);
    return Next(cmd);
}

uint8_t* CScriptMng::OpFadeOutBgm(uint8_t* cmd) {
    SetScene(kSceneScript);
    m_bgmFadeTime = D(cmd, 4);
    m_bgmFadeValue = B3(cmd) + 1u;
    if (g_BgmPlayer != nullptr && !(g_SystemData.bgmVolume == 0 && g_SystemData.bgmOff != 0)) {
        g_BgmPlayer->FadeOut(m_bgmFadeTime);
        m_bgmStarted = 0;
        delete[] m_pBgmName;
        m_pBgmName = nullptr;
    }
    ClearGameName(g_pGameMain->bgmName);
    return Next(cmd);
}

uint8_t* CScriptMng::OpPlayBgmEx(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[8]);
    m_bgmFadeInTime = D(cmd, 4);
    m_bgmLoopValue = B2(cmd) + 1u;
    std::string name;
    if (!SoundName(cmd, cmd[8], kNameLength, name))
        return next;
    SetGameName(g_pGameMain->bgmName, name);
    if (!RememberBgmName(m_pBgmName, name))
        return next;
    m_bgmStarted = 1;
    const uint32_t volume = Percent(g_SystemData.bgmVolume);
    CBgmplay* bgm = NewBgm(name);
    // The loop flag holds on both paths: fast-forwarding must not turn a one-shot tune into an
    // endless one.
    if (FastForwarding(*this) || volume == 0) {
        bgm->SetVolume(volume);
        bgm->Play(B2(cmd) == 1);
    } else {
        g_BgmFadeTarget.store(volume);
        bgm->SetVolume(0);
        bgm->FadeIn(m_bgmFadeInTime);
        bgm->Play(B2(cmd) == 1);
    }
    return next;
}

uint8_t* CScriptMng::OpBgmFade(uint8_t* cmd) {
    SetScene(kSceneScript);
    if (g_BgmPlayer != nullptr)
        g_BgmPlayer->SetVolume(Percent(g_SystemData.bgmVolume) / 2);
    m_bgmLowered = 1;
    return Next(cmd);
}

uint8_t* CScriptMng::OpPlayVoice(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    std::memset(m_lineVoiceName, 0, sizeof m_lineVoiceName);
    std::string name;
    if (!SoundName(cmd, cmd[7], sizeof m_lineVoiceName, name))
        return next;
    std::memcpy(m_lineVoiceName, name.c_str(), name.size() + 1);

    if (VoiceAllowed(*this)) {
        const int g = kestrel::sound_cmd::VoicePrefixGroup(name.c_str());
        bool refused = (g_SystemData.muteVoiceGroupA == 1 && g <= 6) ||
                       (g_SystemData.muteVoiceGroupB == 1 && g >= 7 && g <= 10);
        int volumeIndex = g < kVoicePrefixCount ? g : kUnlistedVoiceVolume;
        if (g == kVoicePrefixCount - 1) {
            const int h = FindPrefix(VoicePrefixTable2, kVoicePrefix2Count, name.c_str());
            refused = refused || (g_SystemData.muteVoiceGroupA == 1 && h == 0) ||
                      (g_SystemData.muteVoiceGroupB == 1 && (h == 1 || h == 2));
            volumeIndex = kVoicePrefixCount - 1;
        }
        if (!refused && NewVoice(0, name)) {
            g_VoicePlayers[0]->SetVolume(Percent(g_SystemData.voiceVolumes[volumeIndex]));
            g_VoicePlayers[0]->Play(B3(cmd) == 1);
        }
    }
    if (m_windowStyle == 2)
        std::memset(m_lineVoiceName, 0, sizeof m_lineVoiceName);
    return next;
}

uint8_t* CScriptMng::OpPlaySeEx(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    const int channel = B2(cmd);
    const bool loop = B3(cmd) == 1;
    std::string name;
    if (!ValidSeChannel(channel) || !SoundName(cmd, cmd[7], kNameLength, name))
        return next;
    if (loop)
        SetGameName(g_pGameMain->seName, name);
    if (channel == 1)
        m_seStarted = 1;
    if (FastForwarding(*this) && !(loop && channel == 1))
        return next;
    NewSe(channel, name);
    g_pSeChannels[channel]->SetVolume(Percent(g_SystemData.seVolume));
    g_pSeChannels[channel]->Play(loop);
    return next;
}

uint8_t* CScriptMng::OpStopSeChannel(uint8_t* cmd) {
    SetScene(kSceneScript);
    const int channel = B2(cmd);
    if (ValidSeChannel(channel)) {
        DeleteSe(channel);
        if (channel == 1)
            ClearGameName(g_pGameMain->seName);
        m_seStarted = 0;
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpWaitVoice(uint8_t* cmd) {
    m_voiceChannel = B2(cmd);
    SetScene(kSceneWaitVoice);
    return Next(cmd);
}

uint8_t* CScriptMng::OpStopVoice(uint8_t* cmd) {
    m_voiceChannel = B2(cmd);
    SetScene(kSceneStopVoice);
    return Next(cmd);
}

uint8_t* CScriptMng::OpFadeOutSe(uint8_t* cmd) {
    SetScene(kSceneScript);
    const int channel = B2(cmd);
    m_seFadeTime = D(cmd, 4);
    m_seFadeValue = B3(cmd);
    ClearGameName(g_pGameMain->seName);
    if (ValidSeChannel(channel) && g_pSeChannels[channel] != nullptr &&
        !(g_SystemData.seVolume == 0 && g_SystemData.seOff != 0))
        g_pSeChannels[channel]->FadeOut(m_seFadeTime);
    m_seStarted = 0;
    return Next(cmd);
}

uint8_t* CScriptMng::OpPlaySe(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[8]);
    const int channel = B2(cmd);
    m_seFadeTime = D(cmd, 4);
    m_seFadeValue = B3(cmd);
    std::string name;
    if (B3(cmd) != 1 || !ValidSeChannel(channel) || !SoundName(cmd, cmd[8], kNameLength, name))
        return next;
    SetGameName(g_pGameMain->seName, name);
    m_seStarted = 1;
    NewSe(channel, name);
    CSeplay* se = g_pSeChannels[channel];
    const uint32_t volume = Percent(g_SystemData.seVolume);
    if (FastForwarding(*this) || volume == 0) {
        se->SetVolume(volume);
    } else {
        g_SeFadeTarget.store(volume);
        se->SetVolume(0);
        se->FadeIn(m_seFadeTime);
    }
    se->Play(1);
    return next;
}

uint8_t* CScriptMng::OpLoadVoiceSlot(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    const int slot = SignedB2(cmd);
    std::string name;
    if (!SoundName(cmd, cmd[7], sizeof m_lineVoiceName, name))
        return next;
    if (g_pGameMain->backlogCount != 0)
        std::memcpy(m_lineVoiceName, name.c_str(), name.size() + 1);
    if (ValidVoiceSlot(slot) && VoiceAllowed(*this) && !NewVoice(slot, name))
        DeleteVoice(slot);
    return next;
}

uint8_t* CScriptMng::OpLoadVoiceSlotNoCheck(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    const int slot = SignedB2(cmd);
    std::string name;
    if (ValidVoiceSlot(slot) && SoundName(cmd, cmd[7], sizeof m_lineVoiceName, name) && !NewVoice(slot, name))
        DeleteVoice(slot);
    return next;
}

uint8_t* CScriptMng::OpLoadSeSlot(uint8_t* cmd) {
    SetScene(kSceneScript);
    uint8_t* next = Next(cmd, cmd[7]);
    const int channel = B2(cmd);
    std::string name;
    if (ValidSeChannel(channel) && SoundName(cmd, cmd[7], kNameLength, name) && !NewSe(channel, name))
        DeleteSe(channel);
    return next;
}

uint8_t* CScriptMng::OpPlayVoiceEx(uint8_t* cmd) {
    SetScene(kSceneScript);
    const int slot = SignedB2(cmd);
    const uint8_t group = B3(cmd);
    const bool muted = (g_SystemData.muteVoiceGroupB == 1 && group == 1) ||
                       (g_SystemData.muteVoiceGroupA == 1 && (group == 0 || group == 14));
    if (ValidVoiceSlot(slot) && g_VoicePlayers[slot] != nullptr && VoiceAllowed(*this) && !muted) {
        // A group beyond the volume bytes plays at the volume of the unlisted speakers.
        const int index = group < sizeof g_SystemData.voiceVolumes ? group : kUnlistedVoiceVolume;
        g_VoicePlayers[slot]->SetVolume(Percent(g_SystemData.voiceVolumes[index]));
        g_VoicePlayers[slot]->Play(0);
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpRestartSeChannel(uint8_t* cmd) {
    SetScene(kSceneScript);
    const int channel = B2(cmd);
    if (ValidSeChannel(channel) && g_pSeChannels[channel] != nullptr) {
        g_pSeChannels[channel]->SetVolume(Percent(g_SystemData.seVolume));
        g_pSeChannels[channel]->Play(B3(cmd) == 1);
    }
    return Next(cmd);
}

uint8_t* CScriptMng::OpWaitSe(uint8_t* cmd) {
    m_waitSeChannel = static_cast<uint8_t>(B2(cmd) + 1);
    m_msgStep = 0;
    SetScene(kSceneWaitSe);
    return Next(cmd);
}
