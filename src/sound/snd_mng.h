// Sound channels and the music, sound-effect and voice players.
//
// A channel plays one Ogg Vorbis file through its own streaming buffer; to play another file, delete
// the player in its slot and make a new one (a second Open on the same player fails). Volumes are
// percentages 0..100, kept per kind in the global settings below, and converted to hundredths of a
// decibel for the buffer. Music and sound-effect players fade on a periodic timer.
#pragma once

#include <atomic>
#include <cstdint>

class CWaveReader;
class CStreamSoundBuffer;

// Kind volumes (percent, 0..100), fade-in targets and enabled flags; read and written from any thread.
extern std::atomic<uint32_t> g_BgmVolume;     // 50
extern std::atomic<uint32_t> g_BgmFadeTarget; // 50
extern std::atomic<uint32_t> g_BgmEnabled;    // 1
extern std::atomic<uint32_t> g_SeVolume;      // 50
extern std::atomic<uint32_t> g_SeFadeTarget;  // 50
extern std::atomic<uint32_t> g_SeEnabled;     // 1
extern std::atomic<uint32_t> g_VoiceVolume;   // 50
extern std::atomic<uint32_t> g_VoiceEnabled;  // 1

// Hundredths of a decibel for a percentage: 0 → -10000 (silence), else 2000 × log10(p / 100)
// truncated towards zero (100 → 0, 50 → -602, 25 → -1204, 1 → -4000). Above 100 counts as 100.
int32_t PercentToHundredthsOfDb(uint32_t percent);

class CSndMng {
public:
    CSndMng();
    // Stops a playing sound, then deletes the buffer and the reader.
    virtual ~CSndMng();
    CSndMng(const CSndMng&) = delete;
    CSndMng& operator=(const CSndMng&) = delete;

    // True when there is nothing to stop; otherwise whether the buffer stopped.
    virtual bool Stop();
    // Plays from the start: loopCount -1 endless, 0 once, n further repeats. False without an open
    // sound.
    virtual bool Play(int32_t loopCount);
    // Sets the buffer's volume from a percentage (PercentToHundredthsOfDb); true.
    virtual bool SetVolume(uint32_t percent);
    virtual bool Reserved3() { return true; }
    // Opens the file and makes the stream buffer. A missing file, a file that is not a seekable Ogg
    // Vorbis stream or a missing sound device give false silently; a stream buffer that cannot be
    // made shows "\"<path>\"のSoundBufferを作れなかった" (caption "Error:OggOpen") and gives false.
    virtual bool Open(const char* path);
    virtual int Reserved5(int, int) { return 0; }
    // Seconds; 0 without an open sound.
    virtual double GetTotalTime();
    virtual double GetPlayTime();

    // True when nothing plays: no buffer, a buffer that is not valid, or one that is not playing.
    bool IsStoppedChannel();

protected:
    CWaveReader* reader = nullptr;
    CStreamSoundBuffer* buffer = nullptr;
};

// Shared by the music and sound-effect players: the fade state and its timer.
class CFadingPlayer : public CSndMng {
public:
    ~CFadingPlayer() override;

    // One fade step (the timer's callback); sets the buffer volume from the elapsed time.
    virtual void OnTimer();
    bool IsFading() const { return fadingIn.load() || fadingOut.load(); }

protected:
    struct KindSettings {
        std::atomic<uint32_t>& volume;
        std::atomic<uint32_t>& fadeTarget;
        std::atomic<uint32_t>& enabled;
    };
    explicit CFadingPlayer(KindSettings kind) : kind(kind) {}

    // Kills a running fade timer; waits for a running step to end.
    void StopFadeTimer();
    // -1 when the kind is disabled; 0 when the fade runs or has already reached its end (a fade
    // shorter than 100 ms ends at once at its target); 1 when the timer could not be started.
    int StartFade(uint32_t ms, bool in);
    // Starts the timer of the current fade with the given resolution; 1 when it did not start.
    int StartTimer(uint32_t resolution);

    KindSettings kind;
    std::atomic<uint32_t> timerId{0}; // 0 when no fade timer runs
    std::atomic<uint32_t> fadeStart{0};
    std::atomic<uint32_t> fadeLength{0};
    std::atomic<uint8_t> fadingIn{0};
    std::atomic<uint8_t> fadingOut{0};

private:
    static void TimerProc(uint32_t id, uintptr_t user);
    // The id of the last timer started, kept by the owning thread until it is killed, so that a kill
    // waits for a step that is still running even after the step ended its own timer.
    uint32_t ownedTimer = 0;
};

class CBgmplay : public CFadingPlayer {
public:
    CBgmplay();
    ~CBgmplay() override;

    // When music is disabled, 1 and nothing happens; else sets the music volume and plays, endless
    // when `loop` is non-zero, once otherwise; the result of the play.
    bool Play(uint8_t loop);
    // Stores the music volume and sets the buffer's.
    bool SetVolume(uint32_t percent) override;
    // Opens the file-name part of `name` in the music folder.
    bool OpenMusic(const char* name);
    void KillFadeTimer() { StopFadeTimer(); }
    // From 0 to the music fade-in target, which becomes the music volume at the end.
    int FadeIn(uint32_t ms) { return StartFade(ms, true); }
    // From the music volume to 0; the music volume is left unchanged and the sound keeps playing.
    int FadeOut(uint32_t ms) { return StartFade(ms, false); }
};

class CSeplay : public CFadingPlayer {
public:
    CSeplay();
    ~CSeplay() override;

    bool Play(uint8_t loop);
    bool SetVolume(uint32_t percent) override;
    // Opens the file-name part of `name` in the sound-effect folder ("se\a.ogg" and "a.ogg" are the
    // same file).
    bool Open(const char* name) override;
    bool IsStopped() { return IsStoppedChannel(); }
    void KillTimer() { StopFadeTimer(); }
    int FadeIn(uint32_t ms) { return StartFade(ms, true); }
    int FadeOut(uint32_t ms) { return StartFade(ms, false); }
};

class CVoiceplay : public CSndMng {
public:
    CVoiceplay();
    ~CVoiceplay() override;

    bool Play(uint8_t loop);
    bool SetVolume(uint32_t percent) override;
    // Opens the file-name part of `name` in the voice folder.
    virtual bool OpenVoice(const char* name);
    bool IsStopped() { return IsStoppedChannel(); }
};

// The kind volumes alone (no player needed); percentages above 100 are stored as 100.
void SetBgmVolume(uint32_t percent);
void SetSeVolume(uint32_t percent);
void SetVoiceVolume(uint32_t percent);
// Enabled = !mute.
void SetBgmMute(bool mute);
void SetSeMute(bool mute);
void SetVoiceMute(bool mute);

// Player slots, null when empty. Sound-effect slot 0 is the click channel of the user interface;
// slots 1..9 are the script's channels 0..8 (g_pSeChannels). Voice slot 0 plays the current message.
constexpr int kSePlayerSlots = 10;
constexpr int kVoicePlayerSlots = 20;
extern CBgmplay* g_BgmPlayer;
extern CSeplay* g_SePlayers[kSePlayerSlots];
extern CVoiceplay* g_VoicePlayers[kVoicePlayerSlots];
inline CSeplay** const g_pSeChannels = g_SePlayers + 1;

// Kills the fade timers of every player and deletes every player, emptying the slots (window
// destruction).
void DeleteAllPlayers();
