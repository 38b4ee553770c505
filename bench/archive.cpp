// Decode throughput of each archive entry transform, and of the common scrambled-LZSS combination, on
// a 4 MB picture-like input (a 1024 x 1024 32-bit picture: gradients, flat shapes, some noise), beside
// memcpy of the same 4 MB and lz4's decompression of the same picture in the same run. The MB/s
// counter is decoded output per second; the summary gives each decoder's speed relative to lz4
// decoding into a new buffer, as every decoder here does.
#include <benchmark/benchmark.h>
#include <lz4.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "archive/arc_file.h"
#include "archive/arc_transforms.h"
#include "packdat_lib.h"
#include "summary_reporter.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kestrel::arc::ArcBuffer;
using kestrel::arc::DecodeResult;

constexpr int kSide = 1024;

const Bytes& Picture() {
    static const Bytes picture = [] {
        Bytes p(size_t{kSide} * kSide * 4);
        std::mt19937 rng(11);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                uint8_t* px = &p[(size_t{static_cast<size_t>(y)} * kSide + x) * 4];
                uint8_t b = static_cast<uint8_t>(x / 4);
                uint8_t g = static_cast<uint8_t>(y / 4);
                uint8_t r = static_cast<uint8_t>((x + y) / 8);
                if ((x / 128 + y / 96) % 3 == 0) { // flat shapes
                    b = 0x20;
                    g = 0x90;
                    r = 0xD0;
                }
                if ((rng() & 7) == 0) { // sensor-like noise
                    b = static_cast<uint8_t>(b + (rng() & 3));
                }
                px[0] = b;
                px[1] = g;
                px[2] = r;
                px[3] = 0xFF;
            }
        }
        return p;
    }();
    return picture;
}

void SetRate(benchmark::State& state) {
    double bytes = static_cast<double>(Picture().size()) * static_cast<double>(state.iterations());
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state) {
    const Bytes& in = Picture();
    Bytes out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

void BM_Unscramble(benchmark::State& state) {
    Bytes data = Picture();
    kestrel::packdat::ScrambleWords(data);
    for (auto _ : state) {
        kestrel::arc::UnscrambleWords(data.data(), static_cast<uint32_t>(data.size()));
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

// A decoder over a stream that the archive tool's encoder made from the picture.
template <Bytes (*Encode)(const Bytes&),
          DecodeResult (*Decode)(const uint8_t*, uint32_t, uint32_t, ArcBuffer*)>
void BM_Decoder(benchmark::State& state) {
    static const Bytes coded = Encode(Picture());
    for (auto _ : state) {
        ArcBuffer out;
        if (Decode(coded.data(), static_cast<uint32_t>(coded.size()), kArcMaxFileSize, &out) !=
                DecodeResult::Ok ||
            out.length != Picture().size()) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(out.bytes.get());
    }
    state.counters["ratio"] = static_cast<double>(coded.size()) / static_cast<double>(Picture().size());
    SetRate(state);
}

// The whole entry path of the common combination: unscramble, then LZSS, as `CArcFile::Open` runs it.
void BM_ScrambledLzss(benchmark::State& state) {
    uint32_t used = 0;
    static const Bytes stored = kestrel::packdat::EncodeEntry(Picture(), kArcWordScramble | kArcLzss, &used);
    for (auto _ : state) {
        ArcBuffer buf;
        buf.Allocate(static_cast<uint32_t>(stored.size()));
        std::memcpy(buf.bytes.get(), stored.data(), stored.size());
        if (kestrel::arc::ApplyArcTransforms(kArcWordScramble | kArcLzss, &buf, kArcMaxFileSize) !=
                DecodeResult::Ok ||
            buf.length != Picture().size()) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(buf.bytes.get());
    }
    state.counters["ratio"] = static_cast<double>(stored.size()) / static_cast<double>(Picture().size());
    SetRate(state);
}

// The peer: lz4 (a byte-oriented LZ77 coder built for decoding speed) on the same picture. With
// `fresh`, each decode writes a newly allocated buffer, as the entry decoders do (ArcBuffer); else one
// buffer serves every decode.
const Bytes& Lz4Coded() {
    static const Bytes coded = [] {
        const Bytes& in = Picture();
        Bytes c(static_cast<size_t>(LZ4_compressBound(static_cast<int>(in.size()))));
        const int n =
            LZ4_compress_default(reinterpret_cast<const char*>(in.data()), reinterpret_cast<char*>(c.data()),
                                 static_cast<int>(in.size()), static_cast<int>(c.size()));
        c.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return c;
    }();
    return coded;
}

void BM_Lz4(benchmark::State& state, bool fresh) {
    const Bytes& coded = Lz4Coded();
    const auto size = static_cast<uint32_t>(Picture().size());
    ArcBuffer reused;
    reused.Allocate(size);
    for (auto _ : state) {
        ArcBuffer out;
        if (fresh) {
            out.Allocate(size);
        }
        ArcBuffer& target = fresh ? out : reused;
        const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(coded.data()),
                                          reinterpret_cast<char*>(target.bytes.get()),
                                          static_cast<int>(coded.size()), static_cast<int>(size));
        if (n != static_cast<int>(size)) {
            state.SkipWithError("lz4 decode failed");
            break;
        }
        benchmark::DoNotOptimize(target.bytes.get());
        benchmark::ClobberMemory();
    }
    state.counters["ratio"] = static_cast<double>(coded.size()) / static_cast<double>(size);
    SetRate(state);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Lz4, NewBuffer, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Lz4, ReusedBuffer, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unscramble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decoder<kestrel::packdat::EncodeRecencyList, kestrel::arc::DecodeRecencyList>)
    ->Name("BM_RecencyList")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decoder<kestrel::packdat::EncodeRange, kestrel::arc::DecodeRange>)
    ->Name("BM_Range")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decoder<kestrel::packdat::EncodeLzss, kestrel::arc::DecodeLzss>)
    ->Name("BM_Lzss")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decoder<kestrel::packdat::BlockSort, kestrel::arc::InverseBlockSort>)
    ->Name("BM_InverseBlockSort")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrambledLzss)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The peer does the decoders' whole job: a new output buffer per decode.
    const double lz4 = reporter.Time("BM_Lz4/NewBuffer");
    std::printf("\n%-24s %12s %12s\n", "4 MB picture", "ms", "speed/lz4");
    for (const auto& [name, t] : reporter.times) {
        std::printf("%-24s %12.3f %12.2f\n", name.c_str(), t, lz4 > 0 && t > 0 ? lz4 / t : 0.0);
    }
    std::printf("\nlimits: BM_Lzss at speed/lz4 >= 0.5, BM_ScrambledLzss at speed/lz4 >= 0.4\n");
    return 0;
}
