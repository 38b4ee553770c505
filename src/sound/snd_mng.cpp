#include "sound/snd_mng.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "archive/paths.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "sound/dsound.h"
#include "sound/ogg_reader.h"
#include "sound/stream_buffer.h"

std::atomic<uint32_t> g_BgmVolume{50};
std::atomic<uint32_t> g_BgmFadeTarget{50};
std::atomic<uint32_t> g_BgmEnabled{1};
std::atomic<uint32_t> g_SeVolume{50};
std::atomic<uint32_t> g_SeFadeTarget{50};
std::atomic<uint32_t> g_SeEnabled{1};
std::atomic<uint32_t> g_VoiceVolume{50};
std::atomic<uint32_t> g_VoiceEnabled{1};

CBgmplay* g_BgmPlayer = nullptr;
CSeplay* g_SePlayers[kSePlayerSlots] = {};
CVoiceplay* g_VoicePlayers[kVoicePlayerSlots] = {};

namespace {

// Resolution asked of the fade timers, in milliseconds.
constexpr uint32_t kFadeResolution = 20;

uint32_t ClampPercent(uint32_t percent) {
    return std::min<uint32_t>(percent, 100);
}

COggReader* Ogg(CWaveReader* reader) {
    return static_cast<COggReader*>(reader);
}

} // namespace

int32_t PercentToHundredthsOfDb(uint32_t percent) {
    percent = ClampPercent(percent);
    if (percent == 0)
        return DSBVOLUME_MIN;
    // log10(p) - 2 rather than log10(p / 100): 10 % and 1 % come out exactly as -2000 and -4000.
    return static_cast<int32_t>(2000.0 * (std::log10(static_cast<double>(percent)) - 2.0));
}

// ---- CSndMng --------------------------------------------------------------------------------------

CSndMng::CSndMng() : reader(new COggReader) {}

CSndMng::~CSndMng() {
    if (buffer && buffer->IsValid() && buffer->IsPlaying())
        buffer->Stop();
    delete buffer;
    buffer = nullptr;
    delete reader;
    reader = nullptr;
}

bool CSndMng::Stop() {
    if (!buffer || !buffer->IsValid() || !buffer->IsPlaying())
        return true;
    return buffer->Stop();
}

bool CSndMng::Play(int32_t loopCount) {
    if (!buffer || !buffer->IsValid() || !reader->IsOpen())
        return false;
    Ogg(reader)->SetLoopCount(loopCount);
    return buffer->Play();
}

bool CSndMng::SetVolume(uint32_t percent) {
    // Also called by fade steps on the timer thread, which may run before Open made the buffer.
    if (CStreamSoundBuffer* b = std::atomic_ref<CStreamSoundBuffer*>(buffer).load())
        b->SetVolume(PercentToHundredthsOfDb(percent));
    return true;
}

bool CSndMng::Open(const char* path) {
    if (!path || !Ogg(reader)->Open(path))
        return false;
    if (!g_DSound.device)
        return false;
    if (!buffer)
        std::atomic_ref<CStreamSoundBuffer*>(buffer).store(new CStreamSoundBuffer);
    if (!buffer->Create(g_DSound.device, reader)) {
        std::string text = "\"" + text_codec::GameTextToUtf8Lossy(path) + "\"のSoundBufferを作れなかった";
        plat::MessageBox(g_SoundWnd, text, "Error:OggOpen", plat::BoxButtons::Ok);
        return false;
    }
    return true;
}

double CSndMng::GetTotalTime() {
    std::unique_lock<std::recursive_mutex> g;
    if (buffer)
        g = buffer->LockReader();
    return Ogg(reader)->GetTotalTime();
}

double CSndMng::GetPlayTime() {
    std::unique_lock<std::recursive_mutex> g;
    if (buffer)
        g = buffer->LockReader();
    return Ogg(reader)->GetCurrentTime();
}

bool CSndMng::IsStoppedChannel() {
    return !buffer || !buffer->IsValid() || !buffer->IsPlaying();
}

// ---- Fades ----------------------------------------------------------------------------------------

CFadingPlayer::~CFadingPlayer() {
    StopFadeTimer();
}

void CFadingPlayer::TimerProc(uint32_t id, uintptr_t user) {
    auto* player = reinterpret_cast<CFadingPlayer*>(user);
    if (id == player->timerId.load())
        player->OnTimer();
}

void CFadingPlayer::StopFadeTimer() {
    timerId.store(0);
    if (ownedTimer != 0) {
        timeKillEvent(ownedTimer);
        ownedTimer = 0;
    }
}

void CFadingPlayer::OnTimer() {
    const uint64_t elapsed = timeGetTime() - fadeStart.load();
    const uint64_t length = fadeLength.load();
    if (fadingIn.load()) {
        uint32_t target = ClampPercent(kind.fadeTarget.load());
        uint32_t v;
        if (elapsed >= length) {
            v = target;
            kind.volume.store(target);
            fadingIn.store(0);
        } else {
            v = static_cast<uint32_t>(elapsed * target / length);
        }
        CSndMng::SetVolume(v);
    } else if (fadingOut.load()) {
        uint32_t c = ClampPercent(kind.volume.load());
        uint32_t d;
        if (elapsed >= length) {
            d = c;
            fadingOut.store(0);
        } else {
            d = static_cast<uint32_t>(elapsed * c / length);
        }
        CSndMng::SetVolume(c - d);
    } else {
        uint32_t id = timerId.exchange(0);
        if (id != 0)
            timeKillEvent(id);
    }
}

int CFadingPlayer::StartTimer(uint32_t resolution) {
    fadeStart.store(timeGetTime());
    OnTimer();
    uint32_t id = timeSetEvent(fadeLength.load() / 100, resolution, TimerProc,
                               reinterpret_cast<uintptr_t>(this), TIME_PERIODIC);
    ownedTimer = id;
    timerId.store(id);
    return id != 0 ? 0 : 1;
}

int CFadingPlayer::StartFade(uint32_t ms, bool in) {
    if (!kind.enabled.load())
        return -1;
    StopFadeTimer();
    fadeLength.store(ms);
    fadingIn.store(in ? 1 : 0);
    fadingOut.store(in ? 0 : 1);
    if (ms / 100 == 0) {
        // Too short for the timer: the fade ends at once at its target.
        fadeStart.store(timeGetTime() - ms);
        OnTimer();
        return 0;
    }
    return StartTimer(kFadeResolution);
}

// ---- Players --------------------------------------------------------------------------------------

CBgmplay::CBgmplay() : CFadingPlayer({g_BgmVolume, g_BgmFadeTarget, g_BgmEnabled}) {}

CBgmplay::~CBgmplay() {
    // Before the object stops being a CBgmplay, so that no step runs on it.
    StopFadeTimer();
}

bool CBgmplay::Play(uint8_t loop) {
    if (!g_BgmEnabled.load())
        return true;
    SetVolume(g_BgmVolume.load());
    return CSndMng::Play(loop != 0 ? -1 : 0);
}

bool CBgmplay::SetVolume(uint32_t percent) {
    g_BgmVolume.store(ClampPercent(percent));
    return CSndMng::SetVolume(percent);
}

bool CBgmplay::OpenMusic(const char* name) {
    if (!name)
        return false;
    std::string path = GetResourceDir(kResourceBgm) + GetFilePart(name);
    return CSndMng::Open(path.c_str());
}

CSeplay::CSeplay() : CFadingPlayer({g_SeVolume, g_SeFadeTarget, g_SeEnabled}) {}

CSeplay::~CSeplay() {
    StopFadeTimer();
}

bool CSeplay::Play(uint8_t loop) {
    if (!g_SeEnabled.load())
        return true;
    SetVolume(g_SeVolume.load());
    return CSndMng::Play(loop != 0 ? -1 : 0);
}

bool CSeplay::SetVolume(uint32_t percent) {
    g_SeVolume.store(ClampPercent(percent));
    return CSndMng::SetVolume(percent);
}

bool CSeplay::Open(const char* name) {
    if (!name)
        return false;
    std::string path = GetResourceDir(kResourceSe) + GetFilePart(name);
    return CSndMng::Open(path.c_str());
}

CVoiceplay::CVoiceplay() = default;
CVoiceplay::~CVoiceplay() = default;

bool CVoiceplay::Play(uint8_t loop) {
    if (!g_VoiceEnabled.load())
        return true;
    SetVolume(g_VoiceVolume.load());
    return CSndMng::Play(loop != 0 ? -1 : 0);
}

bool CVoiceplay::SetVolume(uint32_t percent) {
    g_VoiceVolume.store(ClampPercent(percent));
    return CSndMng::SetVolume(percent);
}

bool CVoiceplay::OpenVoice(const char* name) {
    if (!name)
        return false;
    std::string path = GetResourceDir(kResourceVoice) + GetFilePart(name);
    return CSndMng::Open(path.c_str());
}

// ---- Kind settings and slots ----------------------------------------------------------------------

void SetBgmVolume(uint32_t percent) {
    g_BgmVolume.store(ClampPercent(percent));
}
void SetSeVolume(uint32_t percent) {
    g_SeVolume.store(ClampPercent(percent));
}
void SetVoiceVolume(uint32_t percent) {
    g_VoiceVolume.store(ClampPercent(percent));
}
void SetBgmMute(bool mute) {
    g_BgmEnabled.store(mute ? 0 : 1);
}
void SetSeMute(bool mute) {
    g_SeEnabled.store(mute ? 0 : 1);
}
void SetVoiceMute(bool mute) {
    g_VoiceEnabled.store(mute ? 0 : 1);
}

void DeleteAllPlayers() {
    if (g_BgmPlayer) {
        g_BgmPlayer->KillFadeTimer();
        delete g_BgmPlayer;
        g_BgmPlayer = nullptr;
    }
    for (CSeplay*& p : g_SePlayers) {
        if (p) {
            p->KillTimer();
            delete p;
            p = nullptr;
        }
    }
    for (CVoiceplay*& p : g_VoicePlayers) {
        delete p;
        p = nullptr;
    }
}
