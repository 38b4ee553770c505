#include "screens/extras_frame.h"

#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/sin_table.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace screens::extras {

namespace {

// Places in the parts sheet.
constexpr int32_t kTabFaceWidth = 146;
constexpr int32_t kTabFaceHeight = 27;
constexpr int32_t kReturnFaceX = 438;
constexpr int32_t kFlashFaceX = 502;
constexpr int32_t kReturnWidth = 64;
constexpr int32_t kReturnHeight = 38;
constexpr int32_t kDigitY = 27;
constexpr int32_t kDigitStep = 19;
constexpr int32_t kDigitSize = 16;
constexpr int32_t kFrameY = 43;
constexpr int32_t kFrameWidth = 250;
constexpr int32_t kFrameHeight = 142;
constexpr int32_t kHoverFrameX = 250;
constexpr int32_t kHoverFrameWidth = 254;
constexpr int32_t kHoverFrameHeight = 146;

bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a;
        char y = *b;
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
        if (x == 0)
            return true;
    }
}

void SetHoverIndex(uint16_t value) {
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = value;
}

// A new music player for `track` of the music folder, playing endlessly at the music volume.
void PlayInLoop(const char* track) {
    if (CBgmplay* player = new (std::nothrow) CBgmplay()) {
        g_BgmPlayer = player;
        player->OpenMusic(track);
        player->SetVolume(g_SystemData.bgmVolume);
        player->Play(1);
    }
}

// Draws button `button`'s face (1..4) onto the screen with per-pixel alpha.
void DrawButtonFace(uint8_t button) {
    if (button == kReturn) {
        const RECT& r = kButtonRects[kReturn - 1];
        CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), kReturnFaceX, 0, kReturnWidth,
                         kReturnHeight);
    } else {
        DrawTabFace(g_ScreenSurface, button);
    }
}

// Copies rectangle `r` of the slot onto the screen.
void RestoreFrom(int slot, const RECT& r) {
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, Slot(slot), r.left, r.top, r.right - r.left,
                r.bottom - r.top);
}

} // namespace

void Enter(HWND hwnd, const char* base, const char* parts) {
    if (g_pGameMain)
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    CopyToSlot(kSlotSnapshot, hwnd, g_ScreenSurface);
    LoadSlot(kSlotPage, hwnd, base);
    LoadSlot(kSlotParts, hwnd, parts);
    CopyToSlot(kSlotClean, hwnd, Slot(kSlotPage));
}

void DrawTabFace(CDIB32* surface, uint8_t tab) {
    if (tab < kTabGallery || tab > kTabMusic)
        return;
    const RECT& r = kButtonRects[tab - 1];
    CDIB32::BltAlpha(surface, r.left, r.top, Slot(kSlotParts), kTabFaceWidth * (tab - 1), 0, kTabFaceWidth,
                     kTabFaceHeight);
}

const char* TitleTrack() {
    return g_pGameMain && g_pGameMain->progressLevel == 2 ? "op_arr01.ogg" : "bgm09.ogg";
}

void StartTitleMusic() {
    const char* track = TitleTrack();
    if (g_pScriptMng && g_pScriptMng->m_pBgmName && EqualNoCase(g_pScriptMng->m_pBgmName, track))
        return;
    DeleteBgmPlayer();
    if (g_SystemData.bgmOff != 1)
        PlayInLoop(track);
    StoreMusicName(track);
}

void StartTrack(const char* track) {
    if (g_SystemData.bgmOff != 0 || !track)
        return;
    DeleteBgmPlayer();
    PlayInLoop(track);
    StoreMusicName(track);
}

bool FadeIn(FadeTimer& timer) {
    uint16_t level = 0;
    const bool running = timer.Running(kFadeInMs, &level);
    SetHoverIndex(level);
    if (running) {
        DrawCrossDissolve(Slot(kSlotPage), Slot(kSlotSnapshot), level);
        return false;
    }
    timer.Restart();
    DrawWhole(Slot(kSlotPage));
    return true;
}

uint8_t HitButtons(uint8_t ownTab) {
    const uint8_t hit = HitTestMouse(kButtonRects, kButtonCount);
    return hit == ownTab ? uint8_t{0} : hit;
}

void DrawButtonHover(uint8_t previous, uint8_t current) {
    if (previous == current)
        return;
    if (previous >= 1 && previous <= kButtonCount)
        RestoreFrom(kSlotClean, kButtonRects[previous - 1]);
    if (current >= 1 && current <= kButtonCount)
        DrawButtonFace(current);
}

ButtonAction ClickButton(uint8_t button, FadeTimer& timer) {
    switch (button) {
        case kTabGallery:
        case kTabReplay:
        case kTabMusic: {
            static constexpr uint8_t kScenes[] = {kSceneGallery, kSceneReplay, kSceneMusic};
            PlayClickSound(kTabSound);
            SetScene(kScenes[button - 1]);
            return ButtonAction::kScene;
        }
        case kReturn:
            PlayClickSound(kReturnSound);
            timer.Restart();
            return ButtonAction::kReturn;
        default:
            return ButtonAction::kNone;
    }
}

bool ReturnFlash(FadeTimer& timer) {
    timer.Level(kFlashMs);
    const uint64_t degrees = uint64_t{timer.elapsed} * 180u / kFlashMs;
    if (degrees >= 180 || FadeCut()) {
        timer.Restart();
        return true;
    }
    const int32_t t = static_cast<int32_t>(degrees);
    const auto level = static_cast<uint16_t>(180.0 * SinDeg(t));
    const RECT& r = kButtonRects[kReturn - 1];
    RestoreFrom(kSlotClean, r);
    if (t < 90) {
        DrawButtonFace(kReturn);
        BltAddAlpha(g_ScreenSurface, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
                    Slot(kSlotParts), kFlashFaceX, 0, kReturnWidth, kReturnHeight, level);
    } else {
        CDIB32::BltAlphaFade(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), kFlashFaceX, 0, kReturnWidth,
                             kReturnHeight, level);
    }
    return false;
}

void Leave(int lastSlot) {
    FreeSlots(1, lastSlot);
    SetScene(kSceneTitleMenu);
}

bool SharedStep(uint8_t& state, FadeTimer& timer, int lastSlot, uint8_t flashState) {
    if (state == kStateFadeIn) {
        if (FadeIn(timer))
            state = kStateInput;
    } else if (state == kStateLeave) {
        state = 0;
        Leave(lastSlot);
    } else if (state == flashState) {
        if (ReturnFlash(timer))
            state = kStateLeave;
    } else {
        return false;
    }
    return true;
}

bool LeftClicked() {
    return g_pMouse && g_pMouse->GetState()->left;
}

void TakeLeft() {
    if (g_pMouse)
        g_pMouse->GetState()->left = 0;
}

bool RightClicked() {
    return g_pMouse && g_pMouse->GetState()->right;
}

void TakeRight() {
    if (g_pMouse)
        g_pMouse->GetState()->right = 0;
}

void DrawGrid(const GridPage& grid) {
    CDIB32* page = Slot(kSlotPage);
    for (int i = 0; i < grid.pageSize && i < kGridSlots; ++i) {
        const RECT r = GridSlotRect(i);
        CDIB32::BltAlpha(page, r.left, r.top, Slot(kSlotParts), 0, kFrameY, kFrameWidth, kFrameHeight);
        if (grid.unlocked[i])
            CDIB32::Blt(page, r.left + 1, r.top + 1, Slot(grid.sampleSlot), kThumbWidth * (i % 4),
                        kThumbHeight * (i / 4), kThumbWidth, kThumbHeight);
    }
    const RECT b = PageButtonRect(grid.page);
    CDIB32::BltAlpha(page, b.left, b.top, Slot(kSlotParts), kDigitStep * grid.page, kDigitY, kDigitSize,
                     kDigitSize);
    DrawTabFace(page, grid.ownTab);
}

uint8_t HitGridSlots(const GridPage& grid) {
    RECT rects[kGridSlots];
    for (int i = 0; i < kGridSlots; ++i)
        rects[i] = GridSlotRect(i);
    const uint8_t hit = HitTestMouse(rects, grid.pageSize < kGridSlots ? grid.pageSize : kGridSlots);
    return hit != 0 && grid.unlocked[hit - 1] ? hit : 0;
}

uint8_t HitPageButtons(const GridPage& grid, int pageCount) {
    RECT rects[8];
    if (pageCount > 8)
        pageCount = 8;
    for (int i = 0; i < pageCount; ++i)
        rects[i] = PageButtonRect(i);
    const uint8_t hit = HitTestMouse(rects, pageCount);
    return hit == grid.page + 1 ? 0 : hit;
}

void DrawGridHover(uint8_t previousSlot, uint8_t slot, uint8_t previousPage, uint8_t page) {
    if (previousSlot != slot) {
        if (previousSlot != 0) {
            const RECT r = GridSlotRect(previousSlot - 1);
            CDIB32::Blt(g_ScreenSurface, r.left - 2, r.top - 2, Slot(kSlotPage), r.left - 2, r.top - 2,
                        kHoverFrameWidth, kHoverFrameHeight);
        }
        if (slot != 0) {
            const RECT r = GridSlotRect(slot - 1);
            CDIB32::BltAlpha(g_ScreenSurface, r.left - 2, r.top - 2, Slot(kSlotParts), kHoverFrameX, kFrameY,
                             kHoverFrameWidth, kHoverFrameHeight);
        }
    }
    if (previousPage != page) {
        if (previousPage != 0)
            RestoreFrom(kSlotClean, PageButtonRect(previousPage - 1));
        if (page != 0) {
            const RECT b = PageButtonRect(page - 1);
            CDIB32::BltAlpha(g_ScreenSurface, b.left, b.top, Slot(kSlotParts), kDigitStep * (page - 1),
                             kDigitY, kDigitSize, kDigitSize);
        }
    }
}

GridInput TakeGridInput(GridHover& hover, const GridPage& grid, int pageCount, FadeTimer& timer) {
    hover.prevSlot = hover.slot;
    hover.prevPage = hover.page;
    hover.prevButton = hover.button;
    if (!g_pMouse)
        return GridInput::kNone;
    hover.slot = HitGridSlots(grid);
    hover.page = HitPageButtons(grid, pageCount);
    hover.button = HitButtons(grid.ownTab);
    DrawGridHover(hover.prevSlot, hover.slot, hover.prevPage, hover.page);
    DrawButtonHover(hover.prevButton, hover.button);

    if (LeftClicked() && hover.page != 0)
        return GridInput::kPage;
    if (LeftClicked() && hover.slot != 0)
        return GridInput::kSlot;
    if (LeftClicked() && hover.button != 0) {
        TakeLeft();
        return ClickButton(hover.button, timer) == ButtonAction::kReturn ? GridInput::kReturn
                                                                         : GridInput::kNone;
    }
    if (RightClicked()) {
        TakeRight();
        return GridInput::kRightClick;
    }
    return GridInput::kNone;
}

void ShowNewPage(HWND hwnd, const char* base, const char* sample, const GridPage& grid, GridHover& hover) {
    PlayClickSound(kTabSound);
    LoadSlot(kSlotPage, hwnd, base);
    LoadSlot(grid.sampleSlot, hwnd, sample);
    CopyToSlot(kSlotClean, hwnd, Slot(kSlotPage));
    DrawGrid(grid);
    DrawWhole(Slot(kSlotPage));
    TakeLeft();
    hover.page = hover.prevPage = 0;
    hover.slot = hover.prevSlot = 0;
}

int ClampPage(uint8_t stored, int pageCount) {
    const auto page = static_cast<int8_t>(stored);
    if (page < 0)
        return 0;
    return page >= pageCount ? pageCount - 1 : page;
}

} // namespace screens::extras
