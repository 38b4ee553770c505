// Sound: CPU time per second of audio for the game's busiest mix (1 music, 9 sound-effect and
// 4 voice streams, decoded by their refill threads and mixed), beside the decoding of the same
// streams alone and the mixing alone, in the same run. Process CPU time counts every thread.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sound/dsound.h"
#include "sound/ogg_reader.h"
#include "sound/snd_mng.h"
#include "sound/stream_buffer.h"

namespace {

const std::string kData =
    (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/sound/").string();
constexpr uint32_t kFramesPerSecond = 44100;
constexpr uint32_t kStep = 1024;

struct StreamSet {
    const char* file;
    int count;
};
const StreamSet kMix[] = {{"bench_music.ogg", 1}, {"bench_se.ogg", 9}, {"bench_voice.ogg", 4}};

class Channel : public CSndMng {
public:
    CStreamSoundBuffer* Buffer() { return buffer; }
};

void BM_MixAndDecode(benchmark::State& state) {
    if (!g_DSound.CreateWithOutput(SoundDevice::Output::Manual)) {
        state.SkipWithError("no sound device");
        return;
    }
    std::vector<std::unique_ptr<Channel>> channels;
    for (const StreamSet& s : kMix) {
        for (int i = 0; i < s.count; ++i) {
            auto c = std::make_unique<Channel>();
            if (!c->Open((kData + s.file).c_str())) {
                state.SkipWithError("fixture missing");
                return;
            }
            c->SetVolume(60);
            c->Play(-1);
            channels.push_back(std::move(c));
        }
    }
    std::vector<int16_t> out(kStep * 2);
    for (auto _ : state) {
        for (uint32_t done = 0; done < kFramesPerSecond; done += kStep) {
            g_DSound.device->mixer().Mix(out.data(), kStep);
            for (auto& c : channels)
                c->Buffer()->WaitForWorkerIdle();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["streams"] = static_cast<double>(channels.size());
    state.SetLabel("per second of audio");
    channels.clear();
    g_DSound.Release();
}
BENCHMARK(BM_MixAndDecode)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The peer: decoding the same fourteen streams for one second each, on this thread, nothing mixed.
void BM_DecodeOnly(benchmark::State& state) {
    std::vector<std::unique_ptr<COggReader>> readers;
    for (const StreamSet& s : kMix) {
        for (int i = 0; i < s.count; ++i) {
            auto r = std::make_unique<COggReader>();
            if (!r->Open((kData + s.file).c_str())) {
                state.SkipWithError("fixture missing");
                return;
            }
            readers.push_back(std::move(r));
        }
    }
    std::vector<uint8_t> buf(64 * 1024);
    for (auto _ : state) {
        for (auto& r : readers) {
            WaveFormat f{};
            r->GetFormat(&f);
            uint32_t left = f.samplesPerSec * f.blockAlign;
            while (left > 0) {
                uint32_t got = 0;
                r->Read(buf.data(), std::min<uint32_t>(left, static_cast<uint32_t>(buf.size())), &got);
                left -= got;
                if (r->IsEnd())
                    r->Seek(0);
            }
        }
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetLabel("per second of audio");
}
BENCHMARK(BM_DecodeOnly)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The mixer alone: fourteen looping rings of the same formats, already filled.
void BM_MixOnly(benchmark::State& state) {
    audio::AudioMixer mixer;
    std::vector<std::shared_ptr<audio::MixerStream>> streams;
    for (const StreamSet& s : kMix) {
        COggReader r;
        if (!r.Open((kData + s.file).c_str())) {
            state.SkipWithError("fixture missing");
            return;
        }
        WaveFormat f{};
        r.GetFormat(&f);
        uint32_t bytes = CStreamSoundBuffer::BlockBytesFor(f) * CStreamSoundBuffer::kBlocks;
        std::vector<uint8_t> pcm(bytes);
        uint32_t got = 0;
        r.Read(pcm.data(), bytes, &got);
        for (int i = 0; i < s.count; ++i) {
            auto st = mixer.CreateStream(f, bytes);
            st->Write(0, pcm.data(), bytes);
            st->SetVolume(-600);
            st->Play(true);
            streams.push_back(st);
        }
    }
    std::vector<int16_t> out(kStep * 2);
    for (auto _ : state) {
        for (uint32_t done = 0; done < kFramesPerSecond; done += kStep)
            mixer.Mix(out.data(), kStep);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel("per second of audio");
}
BENCHMARK(BM_MixOnly)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
