// The picture sequence (scene 26): a fixed show of 144 seconds with its own music. Six full-screen
// pictures fade in and out, and eight cards each pan a picture in a framed panel, draw a rule line
// and slide two captions out of it. A right click or Ctrl ends it at once; the effects-off option does
// not shorten it. It records the pictures and messages it showed as seen in the system data.
//
// The show is a table of numbered steps, each of one kind with a duration. A timed step animates in
// every frame in which e < duration and does its final work in the first frame in which e >= duration;
// every step then stores the clock and names the next step, which runs from the next frame on.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/sequence_layouts.h"
#include "scene/sequence_surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace kestrel::sequence;

namespace {

constexpr char kSequenceMusic[] = "bgm046b.ogg";
// The music named (not played) after the show.
constexpr char kAfterMusic[] = "bgm046.ogg";
// Messages whose read flags the show sets: 230, 240, ..., 300.
constexpr uint32_t kFirstShownMessage = 230;
constexpr uint32_t kShownMessageStep = 10;
constexpr uint32_t kShownMessageCount = 8;

enum class StepKind : uint8_t {
    kNone,        // a step number without code
    kStart,       // layers cleared, the music started
    kPause,       // nothing drawn
    kPictureLoad, // layer 0 black, layer 1 the picture
    kCardLoad,    // layer 1 the card's picture, layer 2 its frame
    kCrossFade,   // layer 1 laid over layer 0 at a rising level
    kHold,        // layer 0 shown; at the end layer 1 black
    kPanel,       // the card's picture pans into its panel
    kLine,        // the rule line grows
    kCaptions,    // the captions slide out of the line
    kEnd,         // the show ends, also on a skip
};

struct Step {
    StepKind kind = StepKind::kNone;
    uint32_t ms = 0;
    uint8_t item = 0; // picture or card index
    uint8_t next = 0;
    uint32_t musicFadeMs = 0; // a hold whose end starts the music's fade-out over this time
};

// A full-screen picture: load, fade-in, hold, fade-out.
struct PictureRun {
    uint8_t first; // step number of its load
    const char* name;
    uint32_t fadeInMs, holdMs, fadeOutMs;
    uint8_t next;
    bool marksSeen;       // its load marks the first event picture seen
    uint32_t musicFadeMs; // the end of its hold starts the music's fade-out (0: none)
};
constexpr PictureRun kPictureRuns[] = {
    {1, "bmp\\e001a.bmp", 1000, 4200, 1000, 5, true, 0},
    {5, "bmp\\f002n.bmp", 1500, 4500, 1500, 10, false, 0},
    {22, "bmp\\f002j.bmp", 1000, 5000, 1000, 26, false, 0},
    {38, "bmp\\f002k.bmp", 1000, 5000, 1000, 42, false, 0},
    {54, "bmp\\f002l.bmp", 1000, 5000, 1000, 58, false, 0},
    {70, "bmp\\f002m.bmp", 1000, 4500, 3000, 74, false, 3000},
};

// Step number of each card's load; its six steps follow.
constexpr uint8_t kCardFirstSteps[] = {10, 16, 26, 32, 42, 48, 58, 64};
static_assert(std::size(kSequenceCards) == std::size(kCardFirstSteps));
constexpr uint32_t kPanelMs = 6000;
constexpr uint32_t kPanelFadeMs = 2000;
constexpr uint32_t kLineMs = 300;
constexpr uint32_t kLineFadeMs = 150;
constexpr uint32_t kCaptionsMs = 550;
constexpr uint32_t kCaptionsFadeMs = 300;
constexpr int32_t kCaptionsClearH = 100;
constexpr uint32_t kCardHoldMs = 4500;
constexpr uint32_t kCardFadeOutMs = 1000;

constexpr uint8_t kStartStep = 0;
constexpr uint8_t kPauseStep = 100;
constexpr uint32_t kPauseMs = 2000;
constexpr uint8_t kEndStep = 74;
constexpr int kStepCount = 101;

constexpr std::array<Step, kStepCount> BuildSteps() {
    std::array<Step, kStepCount> steps{};
    steps[kStartStep] = {StepKind::kStart, 0, 0, kPauseStep};
    steps[kPauseStep] = {StepKind::kPause, kPauseMs, 0, kPictureRuns[0].first};
    for (uint8_t i = 0; i < std::size(kPictureRuns); ++i) {
        const PictureRun& r = kPictureRuns[i];
        const auto s = r.first;
        steps[s] = {StepKind::kPictureLoad, 0, i, static_cast<uint8_t>(s + 1)};
        steps[s + 1] = {StepKind::kCrossFade, r.fadeInMs, i, static_cast<uint8_t>(s + 2)};
        steps[s + 2] = {StepKind::kHold, r.holdMs, i, static_cast<uint8_t>(s + 3), r.musicFadeMs};
        steps[s + 3] = {StepKind::kCrossFade, r.fadeOutMs, i, r.next};
    }
    for (uint8_t i = 0; i < std::size(kCardFirstSteps); ++i) {
        const auto s = kCardFirstSteps[i];
        steps[s] = {StepKind::kCardLoad, 0, i, static_cast<uint8_t>(s + 1)};
        steps[s + 1] = {StepKind::kPanel, kPanelMs, i, static_cast<uint8_t>(s + 2)};
        steps[s + 2] = {StepKind::kLine, kLineMs, i, static_cast<uint8_t>(s + 3)};
        steps[s + 3] = {StepKind::kCaptions, kCaptionsMs, i, static_cast<uint8_t>(s + 4)};
        steps[s + 4] = {StepKind::kHold, kCardHoldMs, i, static_cast<uint8_t>(s + 5)};
        steps[s + 5] = {StepKind::kCrossFade, kCardFadeOutMs, i, static_cast<uint8_t>(s + 6)};
    }
    steps[kEndStep] = {StepKind::kEnd, 0, 0, 0};
    return steps;
}
constexpr std::array<Step, kStepCount> kSteps = BuildSteps();

// The card's pictures: "bmp\f002a.bmp" for its picture, with "_1" its frame, "_2" its line, "_3" and
// "_4" its upper and lower caption.
std::string CardPicture(char letter, const char* suffix) {
    char name[32];
    std::snprintf(name, sizeof name, "bmp\\f002%c%s.bmp", letter, suffix);
    return name;
}

void LoadLayer(int index, const std::string& name) {
    SetLayer(index, NewPicture(name.c_str()));
}

void BlackLayer0AndShow() {
    SetLayer(0, NewFilled(kBlack));
    Show(g_Layers[0]);
}

void DeleteMusic() {
    if (g_BgmPlayer != nullptr) {
        // The fade timer is killed before the player goes, so that no step runs on a deleted player.
        g_BgmPlayer->KillFadeTimer();
        g_BgmPlayer->Stop();
        delete g_BgmPlayer;
        g_BgmPlayer = nullptr;
    }
}

// The application object's music name: the music in use, which a save records and a load starts
// again; empty while none plays.
void SetAppBgmName(const char* name) {
    if (g_pGameMain == nullptr)
        return;
    std::memset(g_pGameMain->bgmName, 0, sizeof g_pGameMain->bgmName);
    std::strncpy(g_pGameMain->bgmName, name, sizeof g_pGameMain->bgmName - 1);
}

void SetBgmName(char*& stored, const char* name) {
    delete[] stored;
    const size_t n = std::strlen(name) + 1;
    stored = new char[n];
    std::memcpy(stored, name, n);
}

uint16_t Opacity(uint32_t e, uint32_t fadeMs) {
    return static_cast<uint16_t>(AtMost(Level(e, 255, fadeMs), 255));
}

// a + (b − a) × e / d, truncated toward zero.
int32_t Along(int32_t a, int32_t b, uint32_t e, uint32_t d) {
    return a + static_cast<int32_t>(static_cast<int64_t>(b - a) * e / d);
}

// Per-pixel alpha times `level`, the same size at both ends.
void AlphaFade(CDIB32* dst, int32_t x, int32_t y, CDIB32* src, int32_t sx, int32_t sy, int32_t w, int32_t h,
               uint16_t level) {
    CDIB32::BltAlphaFadeEx(dst, x, y, w, h, src, sx, sy, w, h, level);
}

// The panned picture and the frame over the panel of `dst`.
void DrawPanel(CDIB32* dst, const SequenceCard& c, int32_t sx, int32_t sy, uint16_t level) {
    CDIB32::BltFade(dst, c.px, c.py, c.pw, c.ph, g_Layers[1], 0, sx, sy, c.pw, c.ph, level);
    AlphaFade(dst, c.px, c.py, g_Layers[2], 0, 0, c.pw, c.ph, 255);
}

void DrawCaptions(CDIB32* dst, const SequenceCard& c, int32_t h, uint16_t level) {
    AlphaFade(dst, c.cx, c.ly - h, g_Layers[1], 0, 0, c.cw2, h, level);
    AlphaFade(dst, c.cx, c.ly + kCardLineH, g_Layers[2], 0, c.ch - h, c.cw2, h, level);
}

} // namespace

bool CScriptMng::ModePictureSequence() {
    if (RightButton() || CtrlHeld()) {
        ClearRightButton();
        ClearCtrl();
        m_msgStep = kEndStep;
    }
    const uint32_t now = timeGetTime();
    static constexpr Step kNoStep{};
    const Step& step = m_msgStep < kStepCount ? kSteps[m_msgStep] : kNoStep;
    const uint32_t e = now - m_modeClock;
    const bool running = e < step.ms;
    CDIB32* screen = g_ScreenSurface;
    switch (step.kind) {
        case StepKind::kNone:
            return true;
        case StepKind::kStart:
            DeleteLayers(0, kLayerCount - 1);
            // Layer 0 is never left null: a black picture stands until the first load.
            SetLayer(0, NewFilled(kBlack));
            if (g_pGameMain != nullptr)
                g_pGameMain->fullRect = RECT{0, 0, kScreenWidth, kScreenHeight};
            DeleteMusic();
            if (g_SystemData.bgmOff != 1) {
                g_BgmPlayer = new CBgmplay();
                g_BgmPlayer->OpenMusic(kSequenceMusic);
                g_BgmPlayer->SetVolume(AtMost(g_SystemData.bgmVolume, 100));
                g_BgmPlayer->Play(0);
            }
            SetBgmName(m_pBgmName, kSequenceMusic);
            SetAppBgmName(kSequenceMusic);
            break;
        case StepKind::kPause:
            if (running)
                return true;
            break;
        case StepKind::kPictureLoad: {
            const PictureRun& run = kPictureRuns[step.item];
            BlackLayer0AndShow();
            LoadLayer(1, run.name);
            if (run.marksSeen)
                SetCgSeen(0, 0);
            break;
        }
        case StepKind::kCardLoad: {
            const SequenceCard& card = kSequenceCards[step.item];
            if (step.item == 0)
                BlackLayer0AndShow();
            LoadLayer(1, CardPicture(card.letter, ""));
            LoadLayer(2, CardPicture(card.letter, "_1"));
            break;
        }
        case StepKind::kCrossFade:
            if (running) {
                CrossFade(g_Layers[1], g_Layers[0], Opacity(e, step.ms));
                return true;
            }
            CopyWhole(g_Layers[0], g_Layers[1]);
            Show(g_Layers[0]);
            break;
        case StepKind::kHold:
            if (running) {
                Show(g_Layers[0]);
                return true;
            }
            SetLayer(1, NewFilled(kBlack));
            if (step.musicFadeMs != 0 && g_BgmPlayer != nullptr) {
                g_BgmPlayer->FadeOut(step.musicFadeMs);
                m_bgmStarted = 0;
            }
            break;
        case StepKind::kPanel: {
            const SequenceCard& c = kSequenceCards[step.item];
            if (running) {
                // The restore is cut to layer 0 as well: the tall panels reach below the screen.
                kestrel::fx::CopyClipped(screen, c.px, c.py, g_Layers[0], c.px, c.py, c.pw, c.ph);
                DrawPanel(screen, c, Along(c.sx0, c.sx1, e, step.ms), Along(c.sy0, c.sy1, e, step.ms),
                          Opacity(e, kPanelFadeMs));
                return true;
            }
            DrawPanel(g_Layers[0], c, c.sx1, c.sy1, 255);
            Show(g_Layers[0]);
            LoadLayer(1, CardPicture(c.lineLetter, "_2"));
            break;
        }
        case StepKind::kLine: {
            const SequenceCard& c = kSequenceCards[step.item];
            if (running) {
                kestrel::fx::CopyClipped(screen, c.lx, c.ly, g_Layers[0], c.lx, c.ly, c.cw, kCardLineH);
                const int32_t w = Along(0, c.lw, e, step.ms);
                AlphaFade(screen, c.lx, c.ly, g_Layers[1], 0, 0, w, kCardLineH, Opacity(e, kLineFadeMs));
                return true;
            }
            AlphaFade(g_Layers[0], c.lx, c.ly, g_Layers[1], 0, 0, c.lw, kCardLineH, 255);
            Show(g_Layers[0]);
            LoadLayer(1, CardPicture(c.letter, "_3"));
            LoadLayer(2, CardPicture(c.letter, "_4"));
            break;
        }
        case StepKind::kCaptions: {
            const SequenceCard& c = kSequenceCards[step.item];
            if (running) {
                kestrel::fx::CopyClipped(screen, c.cx, c.ly - c.ch, g_Layers[0], c.cx, c.ly - c.ch, c.cw2,
                                         kCaptionsClearH);
                DrawCaptions(screen, c, Along(0, c.ch, e, step.ms), Opacity(e, kCaptionsFadeMs));
                return true;
            }
            DrawCaptions(g_Layers[0], c, c.ch, 255);
            Show(g_Layers[0]);
            break;
        }
        case StepKind::kEnd:
            DeleteLayers(1, kLayerCount - 1);
            SetCgSeen(0, 0);
            for (uint32_t k = 0; k < kShownMessageCount; ++k)
                ::MarkMessageRead(kFirstShownMessage + kShownMessageStep * k);
            // The screen keeps its last frame; only layer 0 turns black.
            SetLayer(0, NewFilled(kBlack));
            DeleteMusic();
            // The engine's name is the one the next music command compares with; no music plays,
            // so a save made from here on records none.
            SetBgmName(m_pBgmName, kAfterMusic);
            SetAppBgmName("");
            ReturnToScript(*this);
            return true;
    }
    m_modeClock = timeGetTime();
    m_msgStep = step.next;
    return true;
}
