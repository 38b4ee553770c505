#include "screens/gallery_scene.h"

#include <cstdio>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/event_cg.h"
#include "script/script_mng.h"

using namespace screens;
using namespace screens::extras;

namespace {

constexpr char kBase[] = "system\\cg_base.bmp";
constexpr char kParts[] = "system\\cg_p.bmp";

std::string SampleSheet(int page) {
    char name[40];
    std::snprintf(name, sizeof name, "system\\cg_sam%02d.bmp", page + 1);
    return name;
}

// One axis of the placement: a picture that fits is centred; a larger one shows its first screen's
// worth and can be scrolled.
void Place(int32_t size, int32_t screen, int32_t* dest, int32_t* shown, bool* scrolls) {
    if (size <= screen) {
        *dest = screen / 2 - size / 2;
        *shown = size;
    } else {
        *dest = 0;
        *shown = screen;
        *scrolls = true;
    }
}

int32_t Limit(int32_t value, int32_t high) {
    if (value > high)
        value = high;
    return value < 0 ? 0 : value;
}

} // namespace

CGalleryScene::CGalleryScene() : page(static_cast<int8_t>(ClampPage(g_SystemData.galleryPage, kPageCount))) {}

GridPage CGalleryScene::Grid() const {
    GridPage grid;
    grid.page = page;
    grid.pageSize = kPageSizes[page];
    grid.sampleSlot = kSlotSample;
    grid.ownTab = kTabGallery;
    for (int i = 0; i < kGridSlots; ++i)
        grid.unlocked[i] = seen[i] != 0;
    return grid;
}

void CGalleryScene::SumSeen() {
    for (int i = 0; i < kGridSlots; ++i) {
        seen[i] = 0;
        const uint32_t picture = static_cast<uint32_t>(PictureAt(i));
        if (i >= kPageSizes[page])
            continue;
        for (uint32_t v = 0; v < kVariantsShown; ++v)
            seen[i] += g_SystemData.cgSeen[picture * 10 + v];
    }
}

bool CGalleryScene::Dispatch(HWND hwnd) {
    if (SharedStep(state, timer, kLastSlot, 8))
        return true;
    switch (state) {
        case 0:
            Init(hwnd);
            break;
        case 2:
            Input(hwnd);
            break;
        case 3:
            Hold();
            break;
        case 5:
            ViewFadeIn();
            break;
        case 6:
            View(hwnd);
            break;
        case 7:
            ViewFadeOut();
            break;
        default:
            break;
    }
    return true;
}

void CGalleryScene::Init(HWND hwnd) {
    Enter(hwnd, kBase, kParts);
    LoadSlot(kSlotSample, hwnd, SampleSheet(page).c_str());
    SumSeen();
    DrawGrid(Grid());
    StartTitleMusic();
    timer.Restart();
    state = 1;
}

void CGalleryScene::Input(HWND hwnd) {
    switch (TakeGridInput(hover, Grid(), kPageCount, timer)) {
        case GridInput::kPage:
            page = static_cast<int8_t>(hover.page - 1);
            g_SystemData.galleryPage = static_cast<uint8_t>(page);
            SumSeen();
            ShowNewPage(hwnd, kBase, SampleSheet(page).c_str(), Grid(), hover);
            break;
        case GridInput::kSlot:
            OpenView(hwnd);
            break;
        case GridInput::kReturn:
            state = 8;
            break;
        case GridInput::kRightClick:
            timer.Restart();
            state = 3;
            break;
        case GridInput::kNone:
            break;
    }
}

void CGalleryScene::OpenView(HWND hwnd) {
    PlayClickSound(kOpenSound);
    TakeLeft();
    variantCursor = 0;
    shownCount = 0;
    examinedCount = 0;
    if (!ShowNextVariant(hwnd, true)) {
        // Not reached for a slot that counts as seen; the gallery stays as it is.
        examinedCount = 0;
    }
}

bool CGalleryScene::ShowNextVariant(HWND hwnd, bool opening) {
    const int picture = PictureAt(hover.slot - 1);
    while (variantCursor < kVariantsShown && g_SystemData.cgSeen[picture * 10 + variantCursor] == 0) {
        ++variantCursor;
        ++examinedCount;
    }
    if (variantCursor >= kVariantsShown)
        return false;

    // A picture that cannot be read shows as the black canvas alone.
    const char* file = EventCgName(picture, variantCursor);
    const std::string name = std::string("bmp\\") + (file ? file : "");
    CDIB32* loaded = MakeBlankSlot(kSlotPicture, hwnd);
    const bool ok = loaded && name.size() > 4 && loaded->Load(hwnd, name.c_str());
    pictureWidth = ok ? loaded->GetWidth() : 0;
    pictureHeight = ok ? loaded->GetHeight() : 0;

    CopyToSlot(kSlotFadeFrom, hwnd, g_ScreenSurface);
    if (opening)
        CopyToSlot(kSlotGallery, hwnd, g_ScreenSurface);
    MakeFilledSlot(kSlotCanvas, hwnd, 0);
    scrollable = 0;
    anchorX = anchorY = 0;
    scrollX = scrollY = 0;
    bool scrolls = false;
    Place(pictureWidth, kWidth, &destX, &viewWidth, &scrolls);
    Place(pictureHeight, kHeight, &destY, &viewHeight, &scrolls);
    srcX = srcY = 0;
    scrollable = scrolls ? 1 : 0;
    CDIB32::Blt(Slot(kSlotCanvas), destX, destY, Slot(kSlotPicture), srcX, srcY, viewWidth, viewHeight);

    timer.Restart();
    ++variantCursor;
    ++shownCount;
    ++examinedCount;
    state = 5;
    return true;
}

void CGalleryScene::ViewFadeIn() {
    uint16_t level = 0;
    if (timer.Running(kViewFadeMs, &level)) {
        DrawCrossDissolve(Slot(kSlotCanvas), Slot(kSlotFadeFrom), level);
        return;
    }
    TakeLeft();
    state = 6;
    DrawWhole(Slot(kSlotCanvas));
}

void CGalleryScene::CloseView(HWND hwnd) {
    if (!Slot(kSlotCanvas))
        MakeBlankSlot(kSlotCanvas, hwnd);
    CopyToSlot(kSlotCanvas, hwnd, g_ScreenSurface);
    timer.Restart();
    state = 7;
}

void CGalleryScene::View(HWND hwnd) {
    if (!g_pMouse)
        return;
    MouseState* mouse = g_pMouse->GetState();
    if (!scrollable) {
        const bool left = mouse->left != 0;
        TakeLeft();
        if (!left) {
            if (RightClicked()) {
                TakeRight();
                CloseView(hwnd);
            }
            return;
        }
        variantCursor = examinedCount;
        if (!ShowNextVariant(hwnd, false))
            CloseView(hwnd);
        return;
    }
    // The picture follows the hand while the left button is held (the platform keeps reporting the
    // mouse while a button is held outside the window).
    if (mouse->left) {
        if (anchorX == 0 && anchorY == 0) {
            anchorX = mouse->x;
            anchorY = mouse->y;
        }
        scrollX += anchorX - mouse->x;
        scrollY += anchorY - mouse->y;
        anchorX = mouse->x;
        anchorY = mouse->y;
    } else {
        scrollX = srcX;
        scrollY = srcY;
        anchorX = anchorY = 0;
        if (RightClicked()) {
            TakeRight();
            CloseView(hwnd);
            return;
        }
    }
    srcX = Limit(scrollX, pictureWidth - kWidth);
    srcY = Limit(scrollY, pictureHeight - kHeight);
    CDIB32::Blt(g_ScreenSurface, destX, destY, Slot(kSlotPicture), srcX, srcY, viewWidth, viewHeight);
}

void CGalleryScene::ViewFadeOut() {
    uint16_t level = 0;
    if (timer.Running(kViewFadeMs, &level)) {
        DrawCrossDissolve(Slot(kSlotGallery), Slot(kSlotCanvas), level);
        return;
    }
    TakeLeft();
    state = 2;
    DrawWhole(Slot(kSlotGallery));
}

void CGalleryScene::Hold() {
    uint16_t level = 0;
    const bool running = timer.Running(kHoldMs, &level);
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = level;
    DrawWhole(Slot(kSlotPage));
    if (running)
        return;
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = 255;
    g_SystemData.galleryPage = static_cast<uint8_t>(page);
    state = 4;
}
