#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "graphics/sin_table.h"

TEST(SinTable, WholeDegreesModulo180) {
    BuildTrigTables();
    EXPECT_EQ(SinDeg(90), 1.0);
    EXPECT_EQ(SinDeg(0), 0.0);
    EXPECT_EQ(SinDeg(180), 0.0);
    EXPECT_EQ(SinDeg(270), 1.0);
    EXPECT_EQ(SinDeg(190), SinDeg(10));
    EXPECT_GT(SinDeg(190), 0.0);
    EXPECT_EQ(SinDeg(360 + 45), SinDeg(45));
    // The table is built as sin(i · π / 180) in that order of operations.
    for (int i = 0; i < 180; ++i) {
        EXPECT_EQ(SinTableDeg[i], std::sin(i * std::numbers::pi / 180.0)) << i;
    }
}

TEST(SinTable, NegativeAnglesWrapIntoTheTable) {
    EXPECT_EQ(SinDeg(-10), SinDeg(170));
    EXPECT_EQ(SinDeg(-180), 0.0);
    EXPECT_EQ(SinDeg(INT32_MIN), SinDeg(((INT32_MIN % 180) + 180) % 180));
    EXPECT_GE(SinDeg(-1), 0.0);
}
