// Full 1024 × 576 frames through the basic blits of both surface implementations, beside a memcpy of
// one frame and pixman's OVER composite of the same data. Prints Mpixel/s and, at the end, each
// blit's speed relative to pixman and its time relative to the memcpy.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "summary_reporter.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 576;
constexpr int64_t kPixels = int64_t{kW} * kH;

// Pictures with a mix of transparent, opaque and partly transparent pixels, and some keyed ones.
std::vector<uint32_t> Frame(uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint32_t> px(static_cast<size_t>(kPixels));
    for (auto& p : px) {
        const uint32_t r = gen();
        switch (r % 8) {
            case 0:
                p = 0x0000FF00;
                break;
            case 1:
                p = r & 0x00FFFFFF;
                break;
            case 2:
                p = r | 0xFF000000;
                break;
            default:
                p = r;
                break;
        }
    }
    return px;
}

void Fill(CDIB32& s, const std::vector<uint32_t>& px) {
    s.Create(nullptr, kW, kH, 24);
    for (int y = 0; y < kH; ++y) {
        std::memcpy(s.GetPixelAddress(0, y), &px[static_cast<size_t>(y) * kW], 4 * kW);
    }
}

struct Surfaces {
    CDIB32 src, dst;
    explicit Surfaces(SurfaceImpl impl) : src(impl), dst(impl) {
        Fill(src, Frame(1));
        Fill(dst, Frame(2));
    }
};

enum class Kind { ColorKey, Fade128, Alpha, AlphaFade128 };

void BM_Blit(benchmark::State& state, SurfaceImpl impl, Kind kind) {
    Surfaces s(impl);
    for (auto _ : state) {
        switch (kind) {
            case Kind::ColorKey:
                s.dst.BltColorKeyRaw(&s.src, 0, 0, nullptr, nullptr, nullptr);
                break;
            case Kind::Fade128:
                CDIB32::BltFade(&s.dst, 0, 0, kW, kH, &s.src, 0, 0, 0, kW, kH, 128);
                break;
            case Kind::Alpha:
                CDIB32::BltAlpha(&s.dst, 0, 0, &s.src, 0, 0, kW, kH);
                break;
            case Kind::AlphaFade128:
                CDIB32::BltAlphaFade(&s.dst, 0, 0, &s.src, 0, 0, kW, kH, 128);
                break;
        }
        benchmark::DoNotOptimize(s.dst.GetPixelAddress(0, 0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint32_t> a = Frame(1), b = Frame(2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), static_cast<size_t>(kPixels) * 4);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_PixmanOver(benchmark::State& state) {
    std::vector<uint32_t> a = Frame(1), b = Frame(2);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, a.data(), kW * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, b.data(), kW * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kPixels);
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanOver)->Unit(benchmark::kMicrosecond);
// The fast blits run before the plain ones: an AVX function that returned with the upper register
// halves dirty would slow every SSE instruction after it, and the plain blits would show it.
BENCHMARK_CAPTURE(BM_Blit, Fast_ColorKey, SurfaceImpl::Fast, Kind::ColorKey)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Fast_Fade128, SurfaceImpl::Fast, Kind::Fade128)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Fast_Alpha, SurfaceImpl::Fast, Kind::Alpha)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Fast_AlphaFade128, SurfaceImpl::Fast, Kind::AlphaFade128)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Plain_ColorKey, SurfaceImpl::Plain, Kind::ColorKey)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Plain_Fade128, SurfaceImpl::Plain, Kind::Fade128)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Plain_Alpha, SurfaceImpl::Plain, Kind::Alpha)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Blit, Plain_AlphaFade128, SurfaceImpl::Plain, Kind::AlphaFade128)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double memcpyUs = reporter.Time("BM_Memcpy");
    const double pixmanUs = reporter.Time("BM_PixmanOver");
    std::printf("\n%-32s %10s %10s %14s %14s\n", "frame 1024x576", "us/frame", "Mpixel/s", "speed/pixman",
                "time/memcpy");
    for (const auto& [name, us] : reporter.times) {
        if (us <= 0) {
            continue;
        }
        std::printf("%-32s %10.1f %10.1f %14.2f %14.2f\n", name.c_str(), us, kPixels / us,
                    pixmanUs > 0 ? pixmanUs / us : 0.0, memcpyUs > 0 ? us / memcpyUs : 0.0);
    }
    std::printf("\nlimits: fast Alpha, AlphaFade128 and Fade128 at speed/pixman >= 1 and time/memcpy <= 3\n");
    return 0;
}
