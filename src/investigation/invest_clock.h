// The investigation clock and its time gauge: the minutes and units that the investigation part
// spends (one of each per keyword script, two per move on the map, five for leaving a search), the
// day wrap, and the story's time limits that end an investigation period early. One helper for the
// script commands and the map, search and command screens.
#pragma once

#include <cstdint>

class CScriptMng;

namespace kestrel::invest {

// Clock time of day: hour 0..23, minute 0..59.
struct ClockTime {
    uint8_t hour = 0;
    uint8_t minute = 0;
};

// `time` advanced by `minutes`: minutes beyond 59 carry into the hour and hours beyond 23 wrap to the
// next day (23:59 + 1 gives 0:00). Values a script stored outside their range wrap the same way.
ClockTime AdvanceTime(ClockTime time, uint32_t minutes);

// The gauge after spending `units`; it stops at -128 instead of wrapping round to positive values.
int8_t SpendGauge(int8_t gauge, uint32_t units);

// Spends investigation time on the engine's clock: `minutes` on the clock and `units` of the time gauge.
void SpendTime(CScriptMng& engine, uint32_t minutes, uint32_t units);

// The gauge value at which the story ends the current investigation period for this area, chapter
// and threshold column; 0 (no limit: a running gauge is at least 1) outside the table.
int8_t TimeGaugeThreshold(uint32_t area, uint32_t chapter, int32_t column);
// True when the engine's gauge has reached the threshold of its area, chapter and threshold column.
bool AtTimeLimit(const CScriptMng& engine);

// The count of one keyword category: the sum of its 64 entries (ids 0..63), held at 255 so that a
// large sum cannot wrap round to an empty category.
uint8_t KnownKeywordCount(const uint8_t (&known)[64]);

} // namespace kestrel::invest
