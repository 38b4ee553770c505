#include "graphics/sin_table.h"

#include <atomic>
#include <cmath>
#include <numbers>

double SinTableDeg[180];

namespace {
std::atomic<bool> g_built{false};
} // namespace

void BuildTrigTables() {
    for (int i = 0; i < 180; ++i) {
        SinTableDeg[i] = std::sin(i * std::numbers::pi / 180.0);
    }
    g_built.store(true, std::memory_order_release);
}

double SinDeg(int32_t degrees) {
    if (!g_built.load(std::memory_order_acquire)) {
        BuildTrigTables();
    }
    const int32_t i = ((degrees % 180) + 180) % 180;
    return SinTableDeg[i];
}
