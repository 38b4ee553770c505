#include "investigation/time_gauge_thresholds.h"

namespace kestrel::invest {

// Placeholder: no period ends before its gauge runs out. The game's own limits (values such as 15,
// 20, 25, 30, 40 or 45 at the story's deadlines) are story data that belongs here.
const int8_t TimeGaugeThresholds[kThresholdAreas * kThresholdChapters * kThresholdColumns] = {};

} // namespace kestrel::invest
