// The picture gallery (scene 15): the event pictures seen in the story as thumbnails, twelve to a
// page over eight pages, each opened whole on a click, stepping through its seen variants; a
// picture larger than the screen is dragged with the left button instead.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/extras_frame.h"
#include "screens/screen_object.h"

class CGalleryScene {
public:
    static constexpr int kPageCount = 8;
    static constexpr int kPageSizes[kPageCount] = {12, 12, 12, 12, 12, 12, 12, 7};
    static constexpr int kVariantsShown = 8; // variants 0-7 of a picture are looked at

    // Layer slots beyond the frame's.
    static constexpr int kSlotSample = 4;   // thumbnail sheet of the page
    static constexpr int kSlotPicture = 5;  // the full-view picture as loaded
    static constexpr int kSlotCanvas = 6;   // black canvas with the picture placed on it
    static constexpr int kSlotFadeFrom = 7; // what the full view fades from
    static constexpr int kSlotGallery = 8;  // the gallery as it was when the view opened
    static constexpr int kLastSlot = 11;

    static constexpr uint32_t kViewFadeMs = 500;

    uint8_t state = 0; // 0 init, 1 fade-in, 2 input, 3 hold, 4 leave, 5 view fade-in, 6 view,
                       // 7 view fade-out, 8 return flash
    screens::extras::GridHover hover;
    uint8_t scrollable = 0;
    int32_t anchorX = 0; // drag anchor; (0, 0) no drag
    int32_t anchorY = 0;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    screens::FadeTimer timer;
    int8_t page = 0;
    // Where the picture lies on the screen and which part of it shows.
    int32_t destX = 0;
    int32_t destY = 0;
    int32_t srcX = 0;
    int32_t srcY = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    uint32_t seen[screens::extras::kGridSlots] = {}; // sum of the seen bytes of the slot's variants
    int32_t variantCursor = 0;
    int32_t shownCount = 0;
    int32_t examinedCount = 0;

    // Takes the page from the system data (clamped to the eight pages).
    CGalleryScene();
    bool Dispatch(HWND hwnd);

    // The picture number of slot `slot` on the current page.
    int PictureAt(int slot) const { return page * screens::extras::kGridSlots + slot; }

private:
    screens::extras::GridPage Grid() const;
    void SumSeen();
    void Init(HWND hwnd);
    void Input(HWND hwnd);
    void OpenView(HWND hwnd);
    // Shows the next seen variant from the cursor on; false when none is left.
    bool ShowNextVariant(HWND hwnd, bool opening);
    void ViewFadeIn();
    void View(HWND hwnd);
    void CloseView(HWND hwnd);
    void ViewFadeOut();
    void Hold();
};
