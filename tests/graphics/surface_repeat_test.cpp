// Frames composed again and again into the same surfaces, as the game composes its back buffer: a
// copy over the whole surface, then blits of parts of other pictures, with the pictures changing,
// going and coming back, and with reads and raw writes in between. The surfaces that skip repeated
// work (a presented one, which only counts a repeated frame, and a plain fast one, which copies only
// the rows written since the same copy) must hold, whenever anyone looks, the pixels that a new
// surface gets from the same blits; and their row stamps must show every row that changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/dib32.h"
#include "support/surface_words.h"

namespace {

constexpr int32_t kW = 37, kH = 23;

// One blit of a frame: which picture, where, how.
struct Step {
    int kind; // 0 colour key, 1 copy, 2 alpha, 3 alpha fade, 4 fade, 5 stretched alpha
    int picture;
    int32_t x, y, sx, sy, w, h;
    uint16_t level;
};

void Draw(CDIB32* dst, CDIB32* src, const Step& s) {
    switch (s.kind) {
        case 0: {
            RECT r{s.sx, s.sy, s.sx + s.w, s.sy + s.h};
            dst->BltColorKeyRaw(src, s.x, s.y, &r, nullptr, nullptr);
            break;
        }
        case 1:
            CDIB32::Blt(dst, s.x, s.y, src, s.sx, s.sy, s.w, s.h);
            break;
        case 2:
            CDIB32::BltAlpha(dst, s.x, s.y, src, s.sx, s.sy, s.w, s.h);
            break;
        case 3:
            CDIB32::BltAlphaFade(dst, s.x, s.y, src, s.sx, s.sy, s.w, s.h, s.level);
            break;
        case 4:
            CDIB32::BltFade(dst, s.x, s.y, s.w, s.h, src, 0, s.sx, s.sy, s.w, s.h, s.level);
            break;
        default:
            CDIB32::BltAlphaFadeEx(dst, s.x, s.y, s.w + 3, s.h / 2 + 1, src, s.sx, s.sy, s.w, s.h, 255);
            break;
    }
}

class World {
public:
    explicit World(uint32_t seed) : rnd_(seed) {
        for (auto& p : pictures_) {
            p = NewPicture();
        }
    }

    uint32_t Pixel() {
        const uint32_t colour = rnd_() & 0x00FFFFFF;
        switch (Range(0, 5)) {
            case 0:
                return colour;
            case 1:
                return colour | 0xFF000000;
            case 2:
                return 0x0000FF00;
            default:
                return rnd_();
        }
    }
    int32_t Range(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rnd_); }
    bool Chance(int percent) { return Range(0, 99) < percent; }

    std::unique_ptr<CDIB32> NewPicture() {
        auto p = std::make_unique<CDIB32>(SurfaceImpl::Fast);
        p->Create(nullptr, kW, kH, 32);
        for (int32_t y = 0; y < kH; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(p->GetPixelAddress(0, y));
            for (int32_t x = 0; x < kW; ++x) {
                row[x] = Pixel();
            }
        }
        return p;
    }

    // A change to one picture: a few pixels written, a fill, a new picture in its place, or a
    // picture replaced and the old one freed.
    void ChangeAPicture() {
        auto& p = pictures_[static_cast<size_t>(Range(0, 3))];
        switch (Range(0, 3)) {
            case 0:
                reinterpret_cast<uint32_t*>(p->GetPixelAddress(Range(0, kW - 1), Range(0, kH - 1)))[0] =
                    Pixel();
                break;
            case 1:
                p->FillRect(Range(0, kW - 1), Range(0, kH - 1), 5, 3, Pixel());
                break;
            case 2:
                p->Impl()->Row(Range(0, kH - 1))[Range(0, kW - 1)] = Pixel();
                break;
            default:
                p = NewPicture();
                break;
        }
    }

    std::vector<Step> NewFrame() {
        std::vector<Step> frame;
        const int n = Range(0, 6);
        for (int i = 0; i < n; ++i) {
            frame.push_back(Step{Range(0, 5), Range(0, 3), Range(-5, kW - 3), Range(-5, kH - 3), Range(0, 8),
                                 Range(0, 8), Range(1, 30), Range(1, 20),
                                 static_cast<uint16_t>(Range(1, 300))});
        }
        return frame;
    }

    CDIB32* Picture(int i) { return pictures_[static_cast<size_t>(i)].get(); }
    CDIB32* Background() { return pictures_[0].get(); }

private:
    std::mt19937 rnd_;
    std::unique_ptr<CDIB32> pictures_[4];
};

} // namespace

TEST(SurfaceRepeat, RepeatedFramesGiveThePixelsOfAFreshSurface) {
    for (bool sse2Only : {false, true}) {
        LimitFastSurfacesToSse2(sse2Only);
        World world(0xC0FFEEu + sse2Only);
        CDIB32 presented(SurfaceImpl::Fast), copied(SurfaceImpl::Fast);
        presented.Create(nullptr, kW, kH, 32);
        presented.SetFlags(CDIB32Base::kDibSectionFlag);
        copied.Create(nullptr, kW, kH, 32);
        std::vector<uint32_t> lastShown = SurfaceWords(presented);
        uint64_t lastStamp = presented.Impl()->Stamp();
        std::vector<Step> frame = world.NewFrame();
        int repeated = 0;
        for (int f = 0; f < 3000; ++f) {
            SCOPED_TRACE(f);
            // Mostly the same frame again; sometimes one step more, one less or another.
            if (world.Chance(25)) {
                frame = world.NewFrame();
            } else if (world.Chance(10) && !frame.empty()) {
                frame.pop_back();
            } else if (world.Chance(10)) {
                const std::vector<Step> more = world.NewFrame();
                frame.insert(frame.end(), more.begin(), more.begin() + std::min<size_t>(more.size(), 1));
            } else {
                ++repeated;
            }
            // Step by step on the three surfaces alike; pictures change, and the surfaces are looked
            // at, before, between and after the steps.
            const int changeAt = world.Chance(15) ? world.Range(0, static_cast<int>(frame.size())) : -1;
            const int readAt = world.Chance(15) ? world.Range(0, static_cast<int>(frame.size())) : -1;
            CDIB32 fresh(SurfaceImpl::Fast);
            fresh.Create(nullptr, kW, kH, 32);
            CDIB32* const all[] = {&presented, &copied, &fresh};
            for (CDIB32* dst : all) {
                CDIB32::Blt(dst, 0, 0, world.Background(), 0, 0, kW, kH);
            }
            for (size_t i = 0; i <= frame.size(); ++i) {
                if (static_cast<int>(i) == changeAt) {
                    world.ChangeAPicture();
                }
                if (static_cast<int>(i) == readAt) {
                    const std::vector<uint32_t> sofar = SurfaceWords(fresh);
                    ASSERT_EQ(SurfaceWords(presented), sofar) << "mid-frame, step " << i;
                    ASSERT_EQ(SurfaceWords(copied), sofar) << "mid-frame, step " << i;
                }
                if (i < frame.size()) {
                    for (CDIB32* dst : all) {
                        Draw(dst, world.Picture(frame[i].picture), frame[i]);
                    }
                }
            }
            if (world.Chance(5)) {
                // A raw write into the finished frame, as a movie or a glyph does.
                for (CDIB32* dst : {&presented, &copied, &fresh}) {
                    reinterpret_cast<uint32_t*>(dst->GetPixelAddress(3, 4))[0] = 0x123456;
                }
            }
            const std::vector<uint32_t> want = SurfaceWords(fresh);
            ASSERT_EQ(SurfaceWords(copied), want);
            // The presentation's view: the rows stamped since the last look span every changed row.
            int32_t top = 0, bottom = 0;
            presented.Impl()->RowsChangedSince(lastStamp, top, bottom);
            const std::vector<uint32_t> now = SurfaceWords(presented);
            ASSERT_EQ(now, want);
            for (int32_t y = 0; y < kH; ++y) {
                if (y < top || y >= bottom) {
                    ASSERT_TRUE(std::equal(&now[static_cast<size_t>(y) * kW],
                                           &now[static_cast<size_t>(y + 1) * kW],
                                           &lastShown[static_cast<size_t>(y) * kW]))
                        << "row " << y << " changed unstamped";
                }
            }
            lastShown = now;
            lastStamp = presented.Impl()->Stamp();
        }
        EXPECT_GT(repeated, 1000) << "the repeated frames must be common";
        LimitFastSurfacesToSse2(false);
    }
}

// A picture that a presented surface's counted frame was drawn from goes: the surface still shows
// the frame drawn from it.
TEST(SurfaceRepeat, APictureFreedAfterACountedFrameStillShows) {
    CDIB32 presented(SurfaceImpl::Fast);
    presented.Create(nullptr, 8, 4, 32);
    presented.SetFlags(CDIB32Base::kDibSectionFlag);
    auto background = std::make_unique<CDIB32>(SurfaceImpl::Fast);
    auto sprite = std::make_unique<CDIB32>(SurfaceImpl::Fast);
    background->Create(nullptr, 8, 4, 32);
    sprite->Create(nullptr, 2, 2, 32);
    background->Fill(0x000011, nullptr);
    sprite->Fill(0xFF0000AA, nullptr);
    auto frame = [&](bool withSprite) {
        CDIB32::Blt(&presented, 0, 0, background.get(), 0, 0, 8, 4);
        if (withSprite) {
            CDIB32::BltAlpha(&presented, 1, 1, sprite.get(), 0, 0, 2, 2);
        }
    };
    frame(true);
    frame(false);
    frame(true);
    // Counted up to the copy only: the surface is ahead of the frame, which has no sprite.
    frame(false);
    sprite.reset();
    background.reset();
    const std::vector<uint32_t> shown = SurfaceWords(presented);
    EXPECT_EQ(shown[1 * 8 + 1], 0x000011u) << "the sprite was not part of the last frame";
    EXPECT_EQ(shown[0], 0x000011u);
}
