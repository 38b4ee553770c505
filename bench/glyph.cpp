// Glyphs per second for one 24-pixel message page, with the glyph cache warm and cold; the peer is
// a copy of the text surface's bytes (what composing the page costs anyway), the limit the
// 16.7 ms of a frame at 60 Hz in which a whole page must be drawn when a page is redrawn at once.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "platform/text_codec.h"

namespace {

// Three lines of a message window: Chinese with punctuation, a little kana and ASCII.
const char kPageUtf8[] = "昨天晚上，我在图书馆的角落里发现了一本旧日记。封面已经褪色，"
                         "上面写着一个陌生的名字：“高木”。日记的最后一页只有一句话——"
                         "「真相就在钟楼里」。Time 23:45。我决定明天一早就去看看。";

struct Page {
    std::string text = text_codec::Utf8ToGameTextLossy(kPageUtf8);
    std::vector<int> starts;
    Page() {
        for (size_t i = 0; i < text.size();) {
            int length = 0;
            text_codec::ReadCharCode(text.c_str() + i, &length);
            starts.push_back(static_cast<int>(i));
            i += static_cast<size_t>(length);
        }
    }
};

const Page& ThePage() {
    static const Page page;
    return page;
}

// Lays the page out as the message window does: 30 full-width cells a line, 32 pixels apart.
int DrawPage(CGlyphFont& font, CDIB32& surface) {
    const Page& page = ThePage();
    int x = 146;
    int y = 4;
    int drawn = 0;
    for (int start : page.starts) {
        if (x > 146 + 29 * 24) {
            x = 146;
            y += 32;
        }
        x += font.DrawString(&surface, x, y, page.text.c_str() + start, 0xFFFFFF);
        ++drawn;
    }
    return drawn;
}

void BM_MessagePageCached(benchmark::State& state) {
    CGlyphFont font(nullptr);
    font.SetFont(24, 0);
    CDIB32 surface;
    surface.Create(nullptr, 1024, 128, 24);
    DrawPage(font, surface); // fills the cache
    int64_t glyphs = 0;
    for (auto _ : state) {
        glyphs += DrawPage(font, surface);
        benchmark::ClobberMemory();
    }
    state.counters["glyphs/s"] = benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
    state.counters["frame_limit_us"] = 16667;
}
BENCHMARK(BM_MessagePageCached)->Unit(benchmark::kMicrosecond);

void BM_MessagePageUncached(benchmark::State& state) {
    CDIB32 surface;
    surface.Create(nullptr, 1024, 128, 24);
    int64_t glyphs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh font has an empty cache; matching the face is not part of drawing a page.
        auto font = std::make_unique<CGlyphFont>(nullptr);
        font->SetFont(24, 0);
        state.ResumeTiming();
        glyphs += DrawPage(*font, surface);
        benchmark::ClobberMemory();
        state.PauseTiming();
        font.reset();
        state.ResumeTiming();
    }
    state.counters["glyphs/s"] = benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
    state.counters["frame_limit_us"] = 16667;
}
BENCHMARK(BM_MessagePageUncached)->Unit(benchmark::kMicrosecond)->Iterations(20);

// Peer: copying the text surface once, as the composition does every frame.
void BM_PeerCopyTextSurface(benchmark::State& state) {
    std::vector<uint32_t> src(1024 * 128, 0x01020304);
    std::vector<uint32_t> dst(1024 * 128);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(src.size() * 4));
}
BENCHMARK(BM_PeerCopyTextSurface)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
