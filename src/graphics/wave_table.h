// The program's pseudo-random generator and the fixed-point tables of the wave and swirl effects.
#pragma once

#include <cstdint>

// The one pseudo-random generator the whole program draws from (a linear congruential generator:
// state = state * 214013 + 2531011 modulo 2^32). Its state starts at 1; building CWaveTable reseeds
// it with 0. Results are 0 to 32767.
int32_t GameRand();
void GameSeedRand(uint32_t seed);

// Tables shared by the wave, swirl and block effects of the screen effect table. One instance is
// made on first use (GetWaveTable) and kept to the end of the process.
class CWaveTable {
public:
    static constexpr int kCosineCount = 512;  // a full turn in 512 steps
    static constexpr int kDistanceRows = 450; // y 0..449
    static constexpr int kDistanceCols = 600; // x 0..599

    CWaveTable();

    // cos(i * pi / 256) * 65536, truncated toward zero; i taken modulo 512.
    int32_t Cos(int32_t i) const { return m_cosine[i & 511]; }
    // The same curve a quarter turn later: Sin(128) = 65536.
    int32_t Sin(int32_t i) const { return m_cosine[(i - 128) & 511]; }
    // sqrt(x^2 + y^2) * 65536, truncated, for |x|, |y| inside the table; larger values are computed
    // by the same formula, so callers with other picture sizes stay in bounds.
    int32_t Distance(int32_t y, int32_t x) const;
    // The 256 pseudo-random bytes drawn when the table was built; index taken modulo 256.
    uint8_t Random(int32_t i) const { return m_random[i & 255]; }

    const int32_t* Cosines() const { return m_cosine; }

private:
    uint8_t m_random[256];
    int32_t m_cosine[kCosineCount];
    int32_t m_distance[kDistanceRows][kDistanceCols];
};

// The process-wide table, built (and the generator reseeded with 0) on the first call.
CWaveTable& GetWaveTable();
// Whether the table has been built yet.
bool WaveTableExists();
