// The numbered screen effects through which every transition, fade, wipe and wave is drawn.
//
// An effect draws into dst from two pictures: `pic`, the picture it brings in, and `old`, the one it
// replaces (null: the destination itself stands for it). Callers pass x = y = 0, sx = sy = 0 (effect
// 68 takes a picture offset in sx, sy), w = 1024, h = 576, extra = 0 and a level that rises from 0 to
// 255 or 256 over the transition. Many effects work in screen coordinates of the 1024 × 576 picture.
//
// Unless an effect says otherwise, a level below 1 draws nothing and 256 and above copies the new
// picture. Levels are clamped to 0 to 256 before an effect sees them (effect 0 alone sees the level
// as given). Everything is cut to the surfaces; a null or empty destination or new picture draws
// nothing. Numbers outside 0 to 79 draw nothing and return 0. Effects 4 and 37 blend every second
// row, starting at the new picture's interlace row (CDIB32::GetInterlaceRow), which each call flips.
#pragma once

#include <cstdint>

class CDIB32;

using EffectFn = int32_t (*)(CDIB32* dst, CDIB32* pic, CDIB32* old, int32_t x, int32_t y, int32_t sx,
                             int32_t sy, int32_t w, int32_t h, int32_t level, int32_t extra);

inline constexpr int32_t kEffectCount = 80;

// Entries 0 to 79; 40 to 59, 69 and 70 are the same soft rule-mask wipe.
extern const EffectFn EffectTable[kEffectCount];

// Runs effect `number`. Every effect returns 0 except effect 0 (the cross-fade), which returns 1 when
// the level is below 0 (nothing drawn) or 256 and above (the new picture copied): the fade is over.
int32_t DrawEffect(int32_t number, CDIB32* dst, CDIB32* pic, CDIB32* old, int32_t x, int32_t y, int32_t sx,
                   int32_t sy, int32_t w, int32_t h, int32_t level, int32_t extra);
