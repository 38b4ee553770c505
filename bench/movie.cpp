// Movie playback: time per picture to decode a movie picture and convert it into the 1024 × 576
// back buffer, and the same followed by the window's present (an SDL window when a display or SDL's
// dummy driver can be used), beside the limit they must stay well under: the frame interval of a
// 30-pictures-a-second movie (33.3 ms) on one core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/movie_player.h"
#include "platform/sdl_backend.h"
#include "platform/sound_device.h"
#include "platform/window.h"
#include "writers/mpeg_writer.h"
#include "writers/ogg_writer.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 576;
constexpr int kMovieFps = 30;
constexpr uint32_t kSoundPerPicture = 44100 / kMovieFps;

// A folder of the run's own under the temporary folder, removed when the run ends.
struct RunFolder {
    std::filesystem::path path;
    RunFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "kestrel-bench-movie-XXXXXX").string();
        if (mkdtemp(name.data()) != nullptr)
            path = name;
    }
    ~RunFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

// A four-second 800 × 450 movie with sound at a DVD-like bit rate, made once per run.
const std::string& MoviePath() {
    static const RunFolder folder;
    static const std::string path = [] {
        std::string p = (folder.path / "movie.mpg").string();
        kestrel::test::MovieSpec spec;
        spec.width = 800;
        spec.height = 450;
        spec.frames = 4 * kMovieFps;
        spec.bitRate = 4000000;
        spec.paint = [](int i, std::vector<uint32_t>& px) {
            kestrel::test::PaintMovingPattern(i, 800, 450, px);
        };
        kestrel::test::WriteBytes(p, kestrel::test::EncodeMpegMovie(spec));
        return p;
    }();
    return path;
}

// Plays the movie in a loop, one picture per iteration: the sound device is mixed by one picture's
// worth of sound, so that each Update has exactly one new picture to give.
void RunPictures(benchmark::State& state, HWND window) {
    ScopedFakeClock clock; // only the mixed sound moves the movie
    auto device = SoundDevice::Open(SoundDevice::Output::Manual);
    std::vector<uint32_t> backBuffer(static_cast<size_t>(kWidth) * kHeight);
    std::vector<int16_t> mix(kSoundPerPicture * 2);
    std::unique_ptr<plat::MoviePlayer> player;
    const RECT dest{0, 0, kWidth, kHeight};
    uint32_t pictures = 0;
    for (auto _ : state) {
        if (!player) {
            state.PauseTiming();
            player = plat::MoviePlayer::Open(MoviePath(), device.get(), nullptr);
            if (!player) {
                state.SkipWithError("the benchmark movie cannot be opened");
                return;
            }
            player->Start();
            state.ResumeTiming();
        }
        device->mixer().Mix(mix.data(), kSoundPerPicture);
        auto r = player->Update(backBuffer.data(), kWidth, kHeight, kWidth * 4);
        if (r == plat::MoviePlayer::Result::NewPicture) {
            ++pictures;
            if (window)
                plat::Present(window, backBuffer.data(), kWidth, kHeight, kWidth * 4, dest);
        } else if (r == plat::MoviePlayer::Result::Ended) {
            player.reset();
        }
        benchmark::DoNotOptimize(backBuffer.data());
    }
    // About one picture per iteration, so the time per iteration is the time per picture.
    state.counters["pictures_per_iteration"] =
        static_cast<double>(pictures) /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["limit_ms"] = 1000.0 / kMovieFps;
}

void BM_MovieDecodeAndConvert(benchmark::State& state) {
    RunPictures(state, nullptr);
}
BENCHMARK(BM_MovieDecodeAndConvert)->Unit(benchmark::kMillisecond);

void BM_MovieDecodeConvertAndPresent(benchmark::State& state) {
    auto backend = plat::CreateSdlBackend();
    if (!backend) {
        state.SkipWithError("no display for the window");
        return;
    }
    plat::SetBackend(backend.get());
    plat::WindowDesc desc;
    desc.title = "bench";
    HWND window = plat::CreateMainWindow(desc, [](HWND, const plat::Message&) -> intptr_t { return 0; });
    if (window)
        RunPictures(state, window);
    else
        state.SkipWithError("no window");
    if (window) {
        plat::DestroyWindow(window);
        plat::Message m;
        while (plat::PeekMessage(m))
            plat::DispatchMessage(m);
    }
    plat::SetBackend(nullptr);
}
BENCHMARK(BM_MovieDecodeConvertAndPresent)->Unit(benchmark::kMillisecond);

// The limit itself, as a line of the report: one frame interval of a 30-pictures-a-second movie.
void BM_FrameIntervalAt30PerSecond(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(state.iterations());
    state.counters["limit_ms"] = 1000.0 / kMovieFps;
}
BENCHMARK(BM_FrameIntervalAt30PerSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
