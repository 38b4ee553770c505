// The page frame that the three extras screens share (picture gallery, scene replay, music room):
// the base picture composed in layer slot 1 over a clean copy in slot 3, the parts sheet in slot 2,
// the bar of three tabs and the return button, the 500 ms fade-in from a snapshot of the screen
// that was left (slot 0), the title music, the 400 ms flash of the return button and the leave to
// the title menu. The gallery and the replay also share the page grid of twelve thumbnails with
// its page buttons.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

namespace screens::extras {

// Layer slots common to the three screens.
inline constexpr int kSlotSnapshot = 0; // the screen that was left
inline constexpr int kSlotPage = 1;     // the composed page
inline constexpr int kSlotParts = 2;    // the parts sheet
inline constexpr int kSlotClean = 3;    // the base picture as loaded; restores take pixels from it

inline constexpr uint32_t kFadeInMs = 500;
inline constexpr uint32_t kHoldMs = 500;
inline constexpr uint32_t kFlashMs = 400;

// The tab and return buttons, 1-based in this order.
enum Button : uint8_t { kNoButton = 0, kTabGallery = 1, kTabReplay = 2, kTabMusic = 3, kReturn = 4 };
inline constexpr int kButtonCount = 4;
inline constexpr RECT kButtonRects[kButtonCount] = {
    {527, 533, 673, 560}, {693, 533, 839, 560}, {859, 533, 1005, 560}, {954, 32, 1018, 70}};

// Click sounds of the sound-effect folder.
inline constexpr char kTabSound[] = "se\\sys_a002.ogg";
inline constexpr char kReturnSound[] = "se\\sys_010.ogg";
inline constexpr char kOpenSound[] = "se\\sys_g004.ogg";

// Entry steps of every screen: the full-screen rectangle, the snapshot of the screen (slot 0), the
// base picture (slot 1), the parts sheet (slot 2) and the clean copy (slot 3).
void Enter(HWND hwnd, const char* base, const char* parts);
// Draws the face of tab `tab` (1..3) with per-pixel alpha at its rectangle onto `surface`.
void DrawTabFace(class CDIB32* surface, uint8_t tab);
// The title music of the extras: "op_arr01.ogg" at progress level 2, else "bgm09.ogg". The music
// that plays is kept when its recorded name is that track (letters of either case).
const char* TitleTrack();
void StartTitleMusic();
// Starts `track` of the music folder afresh (the old player stopped and deleted) unless music is
// off, in which case nothing plays and nothing is recorded.
void StartTrack(const char* track);

// One frame of the fade-in from slot 0 to slot 1; true when it has ended (slot 1 is then on
// screen and the timer restarted).
bool FadeIn(FadeTimer& timer);
// The hovered button of this frame: the first rectangle holding the mouse, the screen's own tab
// never counting. 0 without a mouse.
uint8_t HitButtons(uint8_t ownTab);
// Redraws the buttons on screen when the hovered button changed: the previous one restored from
// slot 3, the new one's face drawn from the parts sheet.
void DrawButtonHover(uint8_t previous, uint8_t current);
// What a left click on a hovered button leads to; plays its click sound. Tabs set their scene at
// once; the return restarts the timer and the caller moves to its return flash.
enum class ButtonAction { kNone, kScene, kReturn };
ButtonAction ClickButton(uint8_t button, FadeTimer& timer);
// One frame of the return flash; true when it has ended (the timer restarted).
bool ReturnFlash(FadeTimer& timer);
// Frees slots 1..lastSlot and enters the title menu.
void Leave(int lastSlot);

// The states every screen's step shares: 1 the fade-in (then 2, the screen's input), 4 the leave
// (then 0; slots 1..lastSlot freed) and `flashState` the return flash (then 4). Runs the state's
// frame and returns true for those; false for any other state, which is the screen's own.
inline constexpr uint8_t kStateFadeIn = 1;
inline constexpr uint8_t kStateInput = 2;
inline constexpr uint8_t kStateLeave = 4;
bool SharedStep(uint8_t& state, FadeTimer& timer, int lastSlot, uint8_t flashState);

// Mouse input, taken so that a press acts once.
bool LeftClicked();
void TakeLeft();
bool RightClicked();
void TakeRight();

// The page grid of the gallery and the replay: twelve slots in four columns and three rows.
inline constexpr int kGridSlots = 12;
inline constexpr int32_t kThumbWidth = 248;
inline constexpr int32_t kThumbHeight = 140;
constexpr RECT GridSlotRect(int slot) {
    const int32_t c = slot % 4;
    const int32_t r = slot / 4;
    return RECT{6 + 254 * c, 83 + 146 * r, 256 + 254 * c, 225 + 146 * r};
}
constexpr RECT PageButtonRect(int page) {
    return RECT{748 + 19 * page, 46, 764 + 19 * page, 62};
}

// A grid page as it is drawn: which slots exist and which of them are unlocked.
struct GridPage {
    int page = 0;       // current page, 0-based
    int pageSize = 0;   // slots filled on this page (0..12)
    int sampleSlot = 4; // layer slot of the page's thumbnail sheet
    uint8_t ownTab = 0;
    bool unlocked[kGridSlots] = {};
};
// Draws frames, unlocked thumbnails, the current page's digit and the own tab face onto slot 1.
void DrawGrid(const GridPage& grid);
// The hovered grid slot (1-based) among the unlocked slots below the page size; 0 none.
uint8_t HitGridSlots(const GridPage& grid);
// The hovered page button (1-based) among `pageCount`, the current page never counting; 0 none.
uint8_t HitPageButtons(const GridPage& grid, int pageCount);
// Redraws a changed thumbnail hover (restored from slot 1) and page-button hover (from slot 3).
void DrawGridHover(uint8_t previousSlot, uint8_t slot, uint8_t previousPage, uint8_t page);
// The hover bytes of a grid screen (1-based, 0 none), this frame's and the last frame's.
struct GridHover {
    uint8_t slot = 0;
    uint8_t prevSlot = 0;
    uint8_t page = 0;
    uint8_t prevPage = 0;
    uint8_t button = 0;
    uint8_t prevButton = 0;
};
// What one frame of grid input leaves to the screen.
enum class GridInput {
    kNone,       // nothing, or a tab click (its scene is set)
    kPage,       // a page button was clicked: the screen turns to page `hover.page` − 1
    kSlot,       // a thumbnail was clicked: `hover.slot`; the left press is still to be taken
    kReturn,     // the return button was clicked: the timer restarted, the return flash follows
    kRightClick, // a right click (taken)
};
// One frame of a grid screen's input (nothing without a mouse): the thumbnail, page-button and
// button hovers tracked among `pageCount` pages and redrawn where they changed, then the first of a
// left click on a page button, a thumbnail or a button, or else a right click.
GridInput TakeGridInput(GridHover& hover, const GridPage& grid, int pageCount, FadeTimer& timer);
// Rebuilds slot 1 and 3 for a new page whose sample sheet is `sample`, draws the grid and shows it;
// the thumbnail and page-button hovers start afresh.
void ShowNewPage(HWND hwnd, const char* base, const char* sample, const GridPage& grid, GridHover& hover);
// Clamps a page byte from the system data to 0..pageCount − 1.
int ClampPage(uint8_t stored, int pageCount);

} // namespace screens::extras
