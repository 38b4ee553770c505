#include "screens/credit_scene.h"

#include <algorithm>
#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;

namespace {

constexpr uint32_t Flags(std::initializer_list<int> bits) {
    uint32_t mask = 0;
    for (int b : bits)
        mask |= 1u << b;
    return mask;
}

constexpr uint32_t kWhite = 0x00FFFFFF;

} // namespace

const CreditRollSpec CCreditTScene::kSpec = {
    "system\\credit_t.bmp", "system\\credit01.bmp", "ed_full.ogg", 683, 159000, Flags({13})};
const CreditRollSpec CCreditNScene::kSpec = {"system\\credit_n.bmp",
                                             "system\\credit01.bmp",
                                             "op_short.ogg",
                                             56,
                                             117000,
                                             Flags({0, 1, 2, 3, 4, 5, 6, 7, 8, 16, 22, 24, 25, 26, 27})};
const CreditRollSpec CCreditBScene::kSpec = {
    "system\\credit_b.bmp", "system\\credit02.bmp", "bgm08.ogg", 360, 120000, Flags({9, 10, 11, 12})};

bool CCreditRoll::Skippable() const {
    constexpr int kFlags = sizeof g_SystemData.endingFlags;
    for (int i = 0; i < kFlags && i < 32; ++i)
        if ((spec_.skipFlags >> i & 1) != 0 && g_SystemData.endingFlags[i] != 0)
            return true;
    return false;
}

uint32_t CCreditRoll::ScrollPosition(uint32_t elapsedMs) const {
    if (spec_.scrollMs == 0)
        return kScrollDistance;
    // 64 bits: a roll left standing does not wrap around to its start.
    uint64_t p = static_cast<uint64_t>(elapsedMs) * kScrollDistance / spec_.scrollMs;
    return static_cast<uint32_t>(std::min<uint64_t>(p, UINT32_MAX));
}

bool CCreditRoll::Dispatch(HWND hwnd) {
    if (Skippable() && g_pMouse && g_pKeyboard) {
        MouseState* mouse = g_pMouse->GetState();
        if (mouse->right != 0 || g_pKeyboard->ctrl != 0 || mouse->left != 0) {
            mouse->right = 0;
            mouse->left = 0;
            g_pKeyboard->ctrl = 0;
            state = 5;
        }
    }
    switch (state) {
        case 0:
            Start(hwnd);
            break;
        case 6:
            Pause();
            break;
        case 1:
            FadeIn();
            break;
        case 2:
            Scroll();
            break;
        case 3:
            Hold(hwnd);
            break;
        case 4:
            FadeToWhite(hwnd);
            break;
        case 5:
            Skip();
            break;
        default:
            break;
    }
    return true;
}

void CCreditRoll::Start(HWND hwnd) {
    if (g_pGameMain)
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    CopyToSlot(kSlotScreen, hwnd, g_ScreenSurface);
    LoadSlot(kSlotBackground, hwnd, spec_.background);
    CopyToSlot(kSlotFadeTarget, hwnd, Slot(kSlotBackground));
    LoadSlot(kSlotStrip, hwnd, spec_.strip);
    timer.Restart();
    state = 6;
}

void CCreditRoll::Pause() {
    if (timer.Level(kPauseMs) < 255)
        return;
    timer.Restart();
    state = 1;
}

void CCreditRoll::FadeIn() {
    // Not cut short by Ctrl or the fade-cut option: the music starts at its end.
    uint16_t level = timer.Level(kFadeInMs);
    if (level < 255) {
        DrawCrossDissolve(Slot(kSlotFadeTarget), Slot(kSlotScreen), level);
        return;
    }
    if (g_pKeyboard)
        g_pKeyboard->ctrl = 0;
    DrawWhole(Slot(kSlotFadeTarget));
    DeleteBgmPlayer();
    if (g_SystemData.bgmOff != 1) {
        if (CBgmplay* player = new (std::nothrow) CBgmplay()) {
            g_BgmPlayer = player;
            player->OpenMusic(spec_.music);
            player->SetVolume(g_SystemData.bgmVolume);
            player->Play(0);
        }
    }
    StoreMusicName(spec_.music);
    timer.Restart();
    state = 2;
}

void CCreditRoll::DrawStrip(uint32_t p) {
    CDIB32* screen = g_ScreenSurface;
    CDIB32* strip = Slot(kSlotStrip);
    const int32_t x = spec_.stripX;
    const auto pos = static_cast<int32_t>(p);
    constexpr auto kScreenRows = static_cast<int32_t>(kHeight);
    constexpr auto kStripEnd = static_cast<int32_t>(kScrollDistance);
    constexpr auto kFreeze = static_cast<int32_t>(kFreezeAt);
    // Rows of the screen redrawn from the background: all, or from the freeze on only those above
    // the strip's last 80 rows (which then stay where they are).
    const int32_t rows = pos >= kFreeze ? std::max(0, kStripEnd - 80 - pos) : kScreenRows;
    CDIB32::Blt(screen, x, 0, Slot(kSlotBackground), x, 0, kStripWidth, rows);
    if (pos < kScreenRows)
        CDIB32::BltAlpha(screen, x, kScreenRows - pos, strip, 0, 0, kStripWidth, pos);
    else if (pos <= kStripHeight)
        CDIB32::BltAlpha(screen, x, 0, strip, 0, pos - kScreenRows, kStripWidth, kScreenRows);
    else if (pos < kFreeze)
        CDIB32::BltAlpha(screen, x, 0, strip, 0, pos - kScreenRows, kStripWidth, kStripEnd - pos);
    else
        CDIB32::BltAlpha(screen, x, 0, strip, 0, pos - kScreenRows, kStripWidth, rows);
}

void CCreditRoll::Scroll() {
    timer.elapsed = timeGetTime() - timer.start;
    const uint32_t p = ScrollPosition(timer.elapsed);
    if (p < kScrollDistance) {
        DrawStrip(p);
        return;
    }
    if (g_BgmPlayer) {
        if (!(g_SystemData.bgmVolume == 0 && g_SystemData.bgmOff != 0))
            g_BgmPlayer->FadeOut(kMusicFadeMs);
        if (g_pScriptMng)
            g_pScriptMng->m_bgmStarted = 0;
    }
    timer.Restart();
    state = 3;
}

void CCreditRoll::Hold(HWND hwnd) {
    MouseState* mouse = g_pMouse ? g_pMouse->GetState() : nullptr;
    if (timer.Level(kHoldMs) < 255 && !(mouse && mouse->left != 0))
        return;
    DeleteBgmPlayer();
    FreeStoredMusicName();
    CopyToSlot(kSlotScreen, hwnd, g_ScreenSurface);
    MakeFilledSlot(kSlotBackground, hwnd, kWhite);
    if (mouse)
        mouse->left = 0;
    timer.Restart();
    state = 4;
}

void CCreditRoll::FadeToWhite(HWND hwnd) {
    uint16_t level = 0;
    if (timer.Running(kWhiteMs, &level)) {
        DrawCrossDissolve(Slot(kSlotBackground), Slot(kSlotScreen), level);
        return;
    }
    if (g_pKeyboard)
        g_pKeyboard->ctrl = 0;
    DrawWhole(Slot(kSlotBackground));
    CopyToSlot(kSlotScreen, hwnd, g_ScreenSurface);
    // The roll's pictures are not needed any more (slot 0 keeps the white picture).
    FreeSlots(kSlotBackground, kSlotFadeTarget);
    state = 0;
    SetScene(kSceneScript);
}

void CCreditRoll::Skip() {
    FreeSlots(kSlotBackground, kSlotFadeTarget);
    DeleteBgmPlayer();
    FreeStoredMusicName();
    if (g_ScreenSurface)
        g_ScreenSurface->FillRect(0, 0, kWidth, kHeight, kWhite);
    state = 0;
    SetScene(kSceneScript);
}
