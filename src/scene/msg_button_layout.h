// The layout of the message window's button bars: for each button its hit rectangle, where its
// highlighted picture is drawn and the cell of the button picture that holds it. The horizontal bar
// serves the bottom window and the caption band, the vertical bar the full-screen vertical text.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct MsgButton {
    RECT hit;               // left, top, right, bottom (the right and bottom edges are outside)
    int16_t x, y;           // drawing position on the screen
    int16_t sx, sy, sw, sh; // cell in the button picture
};

inline constexpr int kHorizontalButtonCount = 10;
inline constexpr int kVerticalButtonCount = 9;

inline constexpr MsgButton kHorizontalButtons[kHorizontalButtonCount] = {
    {{763, 457, 781, 482}, 760, 455, 0, 0, 24, 30},    {{795, 457, 820, 482}, 792, 455, 24, 0, 30, 30},
    {{837, 457, 861, 482}, 832, 455, 54, 0, 32, 30},   {{877, 457, 902, 482}, 874, 455, 86, 0, 30, 30},
    {{911, 457, 939, 482}, 907, 455, 116, 0, 35, 30},  {{949, 457, 968, 482}, 947, 455, 151, 0, 23, 30},
    {{978, 457, 1000, 482}, 975, 455, 174, 0, 27, 30}, {{676, 464, 690, 473}, 671, 455, 201, 0, 24, 30},
    {{699, 464, 713, 473}, 695, 455, 225, 0, 23, 30},  {{722, 464, 736, 473}, 718, 455, 248, 0, 22, 30}};
inline constexpr MsgButton kVerticalButtons[kVerticalButtonCount] = {
    {{985, 376, 1003, 400}, 976, 372, 0, 0, 36, 32},   {{981, 415, 1008, 432}, 976, 411, 36, 0, 36, 26},
    {{983, 445, 1007, 464}, 976, 441, 72, 0, 36, 27},  {{983, 478, 1007, 496}, 976, 473, 108, 0, 36, 27},
    {{980, 506, 1008, 529}, 976, 502, 144, 0, 36, 31}, {{985, 536, 1003, 560}, 976, 535, 180, 0, 36, 32},
    {{985, 351, 1001, 362}, 976, 347, 216, 0, 36, 19}, {{985, 303, 1001, 314}, 976, 298, 252, 0, 36, 20},
    {{985, 327, 1001, 338}, 976, 323, 288, 0, 36, 19}};
