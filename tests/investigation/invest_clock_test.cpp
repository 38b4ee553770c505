// The investigation clock: minutes carry into hours and wrap at midnight, the gauge never wraps to
// positive values, and the time limits and keyword counts read their tables within bounds.
#include <gtest/gtest.h>

#include "investigation/invest_clock.h"
#include "investigation/time_gauge_thresholds.h"

using namespace kestrel::invest;

TEST(InvestigationClock, MinutesCarryIntoHoursAndHoursWrapAtMidnight) {
    struct Case {
        uint8_t hour, minute;
        uint32_t add;
        uint8_t wantHour, wantMinute;
    };
    const Case cases[] =
        {
            {10, 0, 1, 10, 1},   {10, 59, 1, 11, 0}, {23, 59, 1, 0, 0},   {9, 58, 2, 10, 0},
            {23, 58, 5, 0, 3},   {0, 0, 0, 0, 0},    {12, 30, 90, 14, 0}, {22, 0, 1440, 22, 0},
            {10, 75, 1, 11, 16}, // a minute stored out of range by a script carries like any other
            {30, 0, 0, 6, 0},    // and so does an hour
        };
    for (const Case& c : cases) {
        const ClockTime t = AdvanceTime(ClockTime{c.hour, c.minute}, c.add);
        EXPECT_EQ(t.hour, c.wantHour) << int(c.hour) << ":" << int(c.minute) << " + " << c.add;
        EXPECT_EQ(t.minute, c.wantMinute) << int(c.hour) << ":" << int(c.minute) << " + " << c.add;
    }
}

TEST(InvestigationClock, GaugeIsSpentDownToMinus128WithoutWrapping) {
    struct Case {
        int8_t gauge;
        uint32_t units;
        int8_t want;
    };
    const Case cases[] = {{5, 1, 4},       {1, 1, 0},       {2, 5, -3},
                          {-127, 5, -128}, {-128, 1, -128}, {127, 300, -128}};
    for (const Case& c : cases)
        EXPECT_EQ(SpendGauge(c.gauge, c.units), c.want) << int(c.gauge) << " - " << c.units;
}

TEST(InvestigationClock, ThresholdLookupStaysInsideTheTable) {
    // Every placeholder entry is 0 (no limit); indices outside any dimension read 0 as well.
    const struct {
        uint32_t area, chapter;
        int32_t column;
    } cases[] = {{0, 0, 0},
                 {kThresholdAreas - 1, kThresholdChapters - 1, kThresholdColumns - 1},
                 {kThresholdAreas, 0, 0},
                 {0, kThresholdChapters, 0},
                 {0, 0, kThresholdColumns},
                 {0, 0, -1},
                 {255, 255, 127}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeGaugeThreshold(c.area, c.chapter, c.column), 0)
            << c.area << " " << c.chapter << " " << c.column;
}

TEST(InvestigationClock, KeywordCountsAreTheEntriesSumsHeldAt255) {
    uint8_t known[64] = {};
    EXPECT_EQ(KnownKeywordCount(known), 0);
    known[0] = 1; // id 0 counts as any other
    EXPECT_EQ(KnownKeywordCount(known), 1);
    known[5] = 3;
    known[63] = 2;
    EXPECT_EQ(KnownKeywordCount(known), 6);
    known[6] = 250; // 256: held at 255 rather than wrapped to 0
    EXPECT_EQ(KnownKeywordCount(known), 255);
    for (uint8_t& k : known)
        k = 200;
    EXPECT_EQ(KnownKeywordCount(known), 255);
}
