// Where the full-screen sequences take the parts of their pictures and where they place them: read
// by the sequences and by the sample game's generator, which draws its stand-in pictures to fit.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kestrel::sequence {

// ---- Eye screen ------------------------------------------------------------------------------------

// The eye picture's rectangle (0, 0, 370, 216), resting at (20, 372) over the eye base.
inline constexpr int32_t kEyePictureW = 370;
inline constexpr int32_t kEyePictureH = 216;

// ---- Eye sequence ----------------------------------------------------------------------------------

// A rectangle of the sheet picture and where it lands on the screen.
struct SheetCut {
    int16_t sx, sy, w, h;
    int16_t x, y;
};

// The sheet reaches at least to (800, 540): its top line is (0, 0, 800, 2), its divider (12, 4, 5, 536).
inline constexpr int32_t kEyeSheetW = 800;
inline constexpr int32_t kEyeSheetH = 540;

// The parts fixed on the white screen at the ends of the phases: two vertical lines, two horizontal
// lines, a panel with two captions, and the eye panel.
inline constexpr SheetCut kEyeVerticalLines[] = {{0, 4, 6, 315, 46, 0}, {6, 4, 6, 290, 776, 310}};
inline constexpr SheetCut kEyeHorizontalLines[] = {{0, 2, 562, 2, 0, 265}, {0, 0, 800, 2, 0, 550}};
inline constexpr SheetCut kEyePanels[] = {
    {17, 4, 232, 230, 68, 24}, {249, 4, 420, 32, 52, 278}, {249, 36, 260, 30, 304, 231}};
inline constexpr SheetCut kEyePanel[] = {{249, 66, 222, 172, 68, 362}};
// The divider strip drawn beside the background window.
inline constexpr SheetCut kEyeDivider = {12, 4, 5, 536, 742, 0};

// ---- Announcement screen -----------------------------------------------------------------------

// The text picture, drawn at (140, 56).
inline constexpr int32_t kAnnTextX = 140;
inline constexpr int32_t kAnnTextY = 56;
inline constexpr int32_t kAnnTextW = 510;
inline constexpr int32_t kAnnTextH = 484;

// ---- Picture sequence --------------------------------------------------------------------------

// A card: its panel (PX, PY, PW, PH) on the screen, the pan of its picture's window from start to
// end, its rule line at (LX, LY), LW wide and 6 high, over a cleared strip CW wide, and its captions
// CW2 × CH at x CX, the upper one ending above the line, the lower one starting below it.
struct SequenceCard {
    char letter;
    char lineLetter; // the card whose line picture it uses
    int16_t px, py, pw, ph;
    int16_t sx0, sy0, sx1, sy1;
    int16_t lx, ly, lw, cw;
    int16_t cx, cw2, ch;
};
inline constexpr int32_t kCardLineH = 6;
inline constexpr SequenceCard kSequenceCards[] = {
    {'a', 'a', 40, 50, 720, 250, 0, 615, 348, 50, 140, 430, 520, 560, 336, 128, 44},
    {'b', 'b', 90, 10, 300, 580, 340, 0, 0, 0, 380, 313, 420, 420, 530, 138, 45},
    {'c', 'b', 410, 10, 300, 580, 434, 0, 0, 0, 0, 313, 420, 420, 146, 110, 43},
    {'d', 'd', 90, 10, 300, 580, 0, 10, 394, 10, 380, 313, 420, 420, 534, 126, 45},
    {'e', 'e', 40, 260, 720, 250, 0, 280, 0, 0, 140, 159, 520, 560, 340, 120, 43},
    {'f', 'f', 420, 10, 300, 580, 314, 0, 0, 0, 0, 313, 420, 420, 146, 108, 43},
    {'g', 'g', 90, 10, 300, 580, 0, 0, 262, 0, 380, 313, 420, 420, 532, 128, 43},
    {'h', 'h', 420, 10, 300, 580, 0, 0, 264, 0, 0, 313, 420, 420, 140, 120, 43},
};

// The least size of a card's picture: its panel window never leaves it along the pan.
constexpr int32_t CardPictureWidth(const SequenceCard& c) {
    return std::max(c.sx0, c.sx1) + c.pw;
}
constexpr int32_t CardPictureHeight(const SequenceCard& c) {
    return std::max(c.sy0, c.sy1) + c.ph;
}

} // namespace kestrel::sequence
