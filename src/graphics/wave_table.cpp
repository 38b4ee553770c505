#include "graphics/wave_table.h"

#include <cmath>
#include <memory>
#include <numbers>

namespace {

uint32_t g_randState = 1;
std::unique_ptr<CWaveTable> g_waveTable;

} // namespace

int32_t GameRand() {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int32_t>((g_randState >> 16) & 0x7FFF);
}

void GameSeedRand(uint32_t seed) {
    g_randState = seed;
}

CWaveTable::CWaveTable() {
    GameSeedRand(0);
    for (int i = 0; i < 256; ++i) {
        m_random[i] = static_cast<uint8_t>(GameRand() & 0xFF);
    }
    for (int i = 0; i < kCosineCount; ++i) {
        m_cosine[i] = static_cast<int32_t>(std::cos(i * std::numbers::pi / 256.0) * 65536.0);
    }
    for (int y = 0; y < kDistanceRows; ++y) {
        for (int x = 0; x < kDistanceCols; ++x) {
            m_distance[y][x] = static_cast<int32_t>(std::sqrt(static_cast<double>(x * x + y * y)) * 65536.0);
        }
    }
}

int32_t CWaveTable::Distance(int32_t y, int32_t x) const {
    if (y < 0) {
        y = -y;
    }
    if (x < 0) {
        x = -x;
    }
    if (y < kDistanceRows && x < kDistanceCols) {
        return m_distance[y][x];
    }
    const double d = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y) * 65536.0;
    return d >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(d);
}

CWaveTable& GetWaveTable() {
    if (!g_waveTable) {
        g_waveTable = std::make_unique<CWaveTable>();
    }
    return *g_waveTable;
}

bool WaveTableExists() {
    return g_waveTable != nullptr;
}
