// The most common screen transition, a full-frame rule-mask cross-fade, beside the cost of copying one
// 1024 × 576 frame with memcpy (the floor any full-frame effect is measured against).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/surfaces.h"
#include "summary_reporter.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 576;

std::unique_ptr<CDIB32> Frame(uint32_t seed) {
    auto s = std::make_unique<CDIB32>();
    s->Create(nullptr, kW, kH, 32);
    uint32_t v = seed;
    for (int y = 0; y < kH; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(s->GetPixelAddress(0, y));
        for (int x = 0; x < kW; ++x) {
            v = v * 1664525u + 1013904223u;
            row[x] = v;
        }
    }
    return s;
}

void BM_FrameMemcpy(benchmark::State& state) {
    auto a = Frame(1);
    auto b = Frame(2);
    const size_t bytes = size_t{kW} * kH * 4;
    for (auto _ : state) {
        std::memcpy(b->GetPixelAddress(0, 0), a->GetPixelAddress(0, 0), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FrameMemcpy);

// Effect 40 (the soft rule-mask wipe) over the whole screen, at a level in mid-transition.
void BM_RuleMaskCrossFade(benchmark::State& state) {
    auto screen = Frame(3);
    auto incoming = Frame(4);
    auto outgoing = Frame(5);
    auto mask = Frame(6);
    CDIB32* saved = g_RuleMaskSurface;
    g_RuleMaskSurface = mask.get();
    int level = 1;
    for (auto _ : state) {
        DrawEffect(40, screen.get(), incoming.get(), outgoing.get(), 0, 0, 0, 0, kW, kH, level, 0);
        level = level % 255 + 1;
        benchmark::ClobberMemory();
    }
    g_RuleMaskSurface = saved;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_t{kW} * kH * 4));
}
BENCHMARK(BM_RuleMaskCrossFade);

// Effect 0, the plain cross-fade, for comparison.
void BM_CrossFade(benchmark::State& state) {
    auto screen = Frame(3);
    auto incoming = Frame(4);
    auto outgoing = Frame(5);
    for (auto _ : state) {
        DrawEffect(0, screen.get(), incoming.get(), outgoing.get(), 0, 0, 0, 0, kW, kH, 128, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size_t{kW} * kH * 4));
}
BENCHMARK(BM_CrossFade);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double memcpyTime = reporter.Time("BM_FrameMemcpy");
    std::printf("\n%-24s %14s\n", "frame 1024x576", "time/memcpy");
    for (const auto& [name, t] : reporter.times) {
        std::printf("%-24s %14.2f\n", name.c_str(), memcpyTime > 0 ? t / memcpyTime : 0.0);
    }
    std::printf("\nlimit: BM_RuleMaskCrossFade at time/memcpy <= 4\n");
    return 0;
}
