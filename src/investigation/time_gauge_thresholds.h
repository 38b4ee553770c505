// The story's time limits of the investigation periods: for each area, chapter and threshold column
// the gauge value at which the period ends (0: no limit). Story data of the game.
#pragma once

#include <cstdint>

namespace kestrel::invest {

inline constexpr int kThresholdAreas = 16;
inline constexpr int kThresholdChapters = 34;
inline constexpr int kThresholdColumns = 5;

// Indexed by (area * 34 + chapter) * 5 + column.
extern const int8_t TimeGaugeThresholds[kThresholdAreas * kThresholdChapters * kThresholdColumns];

} // namespace kestrel::invest
