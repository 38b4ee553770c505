#include "investigation/invest_clock.h"

#include <algorithm>

#include "investigation/time_gauge_thresholds.h"
#include "script/script_mng.h"

namespace kestrel::invest {

ClockTime AdvanceTime(ClockTime time, uint32_t minutes) {
    const uint64_t total = static_cast<uint64_t>(time.minute) + minutes;
    const uint64_t hours = static_cast<uint64_t>(time.hour) + total / 60;
    return ClockTime{static_cast<uint8_t>(hours % 24), static_cast<uint8_t>(total % 60)};
}

int8_t SpendGauge(int8_t gauge, uint32_t units) {
    const int64_t left = static_cast<int64_t>(gauge) - units;
    return static_cast<int8_t>(left < INT8_MIN ? INT8_MIN : left);
}

void SpendTime(CScriptMng& engine, uint32_t minutes, uint32_t units) {
    const ClockTime t = AdvanceTime(ClockTime{engine.m_clockHour, engine.m_clockMinute}, minutes);
    engine.m_clockHour = t.hour;
    engine.m_clockMinute = t.minute;
    engine.m_timeGauge = SpendGauge(engine.m_timeGauge, units);
}

int8_t TimeGaugeThreshold(uint32_t area, uint32_t chapter, int32_t column) {
    if (area >= static_cast<uint32_t>(kThresholdAreas) ||
        chapter >= static_cast<uint32_t>(kThresholdChapters) || column < 0 || column >= kThresholdColumns)
        return 0;
    return TimeGaugeThresholds[(area * kThresholdChapters + chapter) * kThresholdColumns + column];
}

bool AtTimeLimit(const CScriptMng& engine) {
    const int8_t limit = TimeGaugeThreshold(engine.m_investArea, engine.m_chapter, engine.m_thresholdIndex);
    return limit != 0 && limit == engine.m_timeGauge;
}

uint8_t KnownKeywordCount(const uint8_t (&known)[64]) {
    uint32_t sum = 0;
    for (const uint8_t value : known)
        sum += value;
    return static_cast<uint8_t>(std::min<uint32_t>(sum, 255));
}

} // namespace kestrel::invest
