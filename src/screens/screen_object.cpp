#include "screens/screen_object.h"

#include <cstring>
#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/glyph_font.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace screens {

uint16_t FadeLevel(uint32_t elapsedMs, uint32_t durationMs) {
    if (durationMs == 0) {
        return 255;
    }
    const uint64_t level = uint64_t{elapsedMs} * 255u / durationMs;
    return static_cast<uint16_t>(level > 255 ? 255 : level);
}

bool FadeCut() {
    if (g_pKeyboard && g_pKeyboard->ctrl) {
        return true;
    }
    return g_pScriptMng && g_pScriptMng->m_skipEffects;
}

void FadeTimer::Restart() {
    start = timeGetTime();
    elapsed = 0;
}

uint16_t FadeTimer::Level(uint32_t durationMs) {
    elapsed = timeGetTime() - start;
    return FadeLevel(elapsed, durationMs);
}

bool FadeTimer::Running(uint32_t durationMs, uint16_t* level) {
    const uint16_t l = Level(durationMs);
    if (level) {
        *level = l;
    }
    return l < 255 && !FadeCut();
}

uint16_t PulseLevel(uint32_t elapsedMs, uint32_t periodMs) {
    if (periodMs == 0) {
        return 0;
    }
    uint64_t degrees = uint64_t{elapsedMs} * 180u / periodMs;
    if (degrees > 180) {
        degrees = 180;
    }
    const double s = SinDeg(static_cast<int32_t>(degrees));
    const double level = 255.0 * s;
    return static_cast<uint16_t>(level < 0 ? 0 : level);
}

void HoverTimer::Update(uint8_t previous, uint8_t current) {
    if (current != 0 && current != previous) {
        start = timeGetTime();
    }
}

uint16_t HoverTimer::Level(uint32_t periodMs) const {
    return PulseLevel(timeGetTime() - start, periodMs);
}

bool PointInRect(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

uint8_t HitTest(const RECT* rects, int count, POINT point) {
    if (!rects) {
        return 0;
    }
    for (int i = 0; i < count && i < 255; ++i) {
        if (PointInRect(rects[i], point)) {
            return static_cast<uint8_t>(i + 1);
        }
    }
    return 0;
}

uint8_t HitTestMouse(const RECT* rects, int count) {
    if (!g_pMouse) {
        return 0;
    }
    const MouseState* state = g_pMouse->GetState();
    return HitTest(rects, count, POINT{state->x, state->y});
}

SelectionStep TakeSelectionStep() {
    SelectionStep step;
    if (g_pKeyboard && g_pKeyboard->up) {
        g_pKeyboard->up = 0;
        step.delta = -1;
    } else if (g_pKeyboard && g_pKeyboard->down) {
        g_pKeyboard->down = 0;
        step.delta = 1;
    } else if (g_pMouse && g_pMouse->wheel == 0xFF) {
        g_pMouse->wheel = 0;
        step.delta = -1;
        step.wheel = true;
    } else if (g_pMouse && g_pMouse->wheel == 1) {
        g_pMouse->wheel = 0;
        step.delta = 1;
        step.wheel = true;
    }
    return step;
}

uint8_t StepSelection(uint8_t current, uint8_t count, int delta) {
    if (count == 0 || delta == 0) {
        return current > count ? 0 : current;
    }
    if (current == 0 || current > count) {
        return delta < 0 ? 1 : count;
    }
    if (delta < 0) {
        return current == 1 ? count : static_cast<uint8_t>(current - 1);
    }
    return current == count ? 1 : static_cast<uint8_t>(current + 1);
}

void MoveCursorToButton(HWND window, const RECT& rect) {
    const int32_t x = rect.left + ((rect.right - rect.left) >> 1);
    const int32_t y = rect.top + 15;
    CursorToWindowPoint(window, ScaleToScreenX(x), ScaleToScreenY(y));
}

void DeleteSePlayer(int slot) {
    if (slot < 0 || slot >= kSePlayerSlots || !g_SePlayers[slot]) {
        return;
    }
    CSeplay* player = g_SePlayers[slot];
    g_SePlayers[slot] = nullptr;
    player->KillTimer();
    player->Stop();
    delete player;
}

void DeleteVoicePlayer(int slot) {
    if (slot < 0 || slot >= kVoicePlayerSlots || !g_VoicePlayers[slot]) {
        return;
    }
    CVoiceplay* player = g_VoicePlayers[slot];
    g_VoicePlayers[slot] = nullptr;
    player->Stop();
    delete player;
}

void DeleteBgmPlayer() {
    if (!g_BgmPlayer) {
        return;
    }
    CBgmplay* player = g_BgmPlayer;
    g_BgmPlayer = nullptr;
    player->KillFadeTimer();
    player->Stop();
    delete player;
}

void FreeStoredMusicName() {
    if (g_pScriptMng) {
        delete[] g_pScriptMng->m_pBgmName;
        g_pScriptMng->m_pBgmName = nullptr;
    }
}

void StoreMusicName(const char* name) {
    FreeStoredMusicName();
    if (!g_pScriptMng || !name) {
        return;
    }
    const size_t length = std::strlen(name);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy) {
        std::memcpy(copy, name, length + 1);
    }
    g_pScriptMng->m_pBgmName = copy;
}

void PlayClickSound(const char* name) {
    DeleteSePlayer(0);
    CSeplay* player = new (std::nothrow) CSeplay();
    g_SePlayers[0] = player;
    if (!player || !name) {
        return;
    }
    player->Open(name);
    player->Reserved3();
    player->SetVolume(g_SystemData.seVolume);
    player->Play(0);
}

CDIB32* Slot(int slot) {
    if (slot < 0 || slot >= kLayerCount) {
        return nullptr;
    }
    return g_Layers[slot];
}

namespace {

// Replaces the slot with a new handle, blank at 1024 × 576; null when it could not be made.
CDIB32* NewBlank(int slot, HWND window) {
    if (slot < 0 || slot >= kLayerCount) {
        return nullptr;
    }
    ReplaceSurface(g_Layers[slot], nullptr);
    CDIB32* surface = new (std::nothrow) CDIB32();
    if (!surface) {
        return nullptr;
    }
    if (!surface->Create(window, kWidth, kHeight, 24)) {
        delete surface;
        return nullptr;
    }
    g_Layers[slot] = surface;
    return surface;
}

} // namespace

CDIB32* MakeBlankSlot(int slot, HWND window) {
    return NewBlank(slot, window);
}

CDIB32* MakeFilledSlot(int slot, HWND window, uint32_t colour) {
    CDIB32* surface = NewBlank(slot, window);
    if (surface) {
        surface->FillRect(0, 0, kWidth, kHeight, colour & 0xFFFFFFu);
    }
    return surface;
}

CDIB32* LoadSlot(int slot, HWND window, const char* name) {
    CDIB32* surface = NewBlank(slot, window);
    if (surface && name) {
        surface->Load(window, name);
    }
    return surface;
}

CDIB32* CopyToSlot(int slot, HWND window, CDIB32* source) {
    if (source && source == Slot(slot)) {
        return source; // a copy of itself: nothing to do
    }
    CDIB32* surface = NewBlank(slot, window);
    if (surface && source) {
        CDIB32::Blt(surface, 0, 0, source, 0, 0, kWidth, kHeight);
    }
    return surface;
}

void FreeSlots(int first, int last) {
    if (first < 0) {
        first = 0;
    }
    if (last >= kLayerCount) {
        last = kLayerCount - 1;
    }
    for (int i = first; i <= last; ++i) {
        ReplaceSurface(g_Layers[i], nullptr);
    }
}

void DrawCrossDissolve(CDIB32* target, CDIB32* source, int32_t level) {
    if (!g_ScreenSurface || !target) {
        return;
    }
    // Effect 0: the source picture whole, then the target over it at constant opacity `level`;
    // below 0 nothing, 256 and above the target alone.
    DrawEffect(0, g_ScreenSurface, target, source, 0, 0, 0, 0, kWidth, kHeight, level, 0);
}

void DrawWhole(CDIB32* picture) {
    if (g_ScreenSurface && picture) {
        CDIB32::Blt(g_ScreenSurface, 0, 0, picture, 0, 0, kWidth, kHeight);
    }
}

void SetScene(uint8_t scene) {
    if (g_pGameMain) {
        g_pGameMain->scene = scene;
    }
}

void SetMessageWindowFont(bool vertical) {
    if (g_GlyphFont) {
        g_GlyphFont->SetFont(vertical ? 22 : 24, vertical ? 1 : 0);
    }
}

} // namespace screens
