// Surface handles: creation, fills, accessors, the level thresholds of the blit entry points and the
// surface table.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/cpu.h"

namespace {

uint32_t Px(const CDIB32& s, int32_t x, int32_t y) {
    uint32_t v;
    std::memcpy(&v, s.GetPixelAddress(x, y), 4);
    return v;
}

void Set(CDIB32& s, int32_t x, int32_t y, uint32_t v) {
    std::memcpy(s.GetPixelAddress(x, y), &v, 4);
}

void FillAll(CDIB32& s, uint32_t v) {
    s.FillRect(0, 0, s.GetWidth(), s.GetHeight(), v);
}

const SurfaceImpl kImpls[] = {SurfaceImpl::Plain, SurfaceImpl::Fast};

} // namespace

TEST(Surface, ProcessorTestChoosesTheFastImplementation) {
#if defined(__x86_64__)
    EXPECT_EQ(IsMMXAvailable(), 4);
    CDIB32 s;
    EXPECT_NE(dynamic_cast<CDIB32PMMX*>(s.Impl()), nullptr);
#endif
    ForcePlainSurfaces(true);
    CDIB32 plain;
    ForcePlainSurfaces(false);
    EXPECT_EQ(dynamic_cast<CDIB32PMMX*>(plain.Impl()), nullptr);
    EXPECT_NE(dynamic_cast<CDIB32Nomal*>(plain.Impl()), nullptr);
}

TEST(Surface, CreateMakesZeroPixelsAndTheGreenKey) {
    CDIB32 s;
    EXPECT_EQ(s.GetLoadState(), CDIB32::kConstructed);
    ASSERT_TRUE(s.Create(nullptr, 7, 5, 24));
    EXPECT_EQ(s.GetWidth(), 7);
    EXPECT_EQ(s.GetHeight(), 5);
    EXPECT_EQ(s.GetPitch(), 28);
    EXPECT_EQ(s.Impl()->GetColorKey(), 0x00FF00u);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(Px(s, x, y), 0u);
        }
    }
    // Rows follow each other without padding.
    EXPECT_EQ(s.GetPixelAddress(0, 1) - s.GetPixelAddress(0, 0), 28);
}

TEST(Surface, ZeroSizeCreateIsEmptyButTrue) {
    CDIB32 s;
    ASSERT_TRUE(s.Create(nullptr, 4, 4, 24));
    EXPECT_TRUE(s.Create(nullptr, 0, 10, 24));
    EXPECT_EQ(s.GetWidth(), 0);
    EXPECT_EQ(s.GetHeight(), 0);
    EXPECT_EQ(s.GetPixelAddress(0, 0), nullptr);
    EXPECT_EQ(s.Fill(0, nullptr), 1);
    EXPECT_FALSE(s.FillRect(0, 0, 1, 1, 0));
}

TEST(Surface, OversizedCreateFailsAndIsEmpty) {
    CDIB32 s;
    EXPECT_FALSE(s.Impl()->Create(kMaxBitmapSide + 1, 1));
    EXPECT_EQ(s.GetWidth(), 0);
}

TEST(Surface, PixelAddressBounds) {
    CDIB32 s;
    ASSERT_TRUE(s.Create(nullptr, 6, 4, 24));
    EXPECT_EQ(s.GetPixelAddress(6, 0), nullptr);
    EXPECT_EQ(s.GetPixelAddress(0, 4), nullptr);
    EXPECT_EQ(s.GetPixelAddress(-1, 0), nullptr);
    EXPECT_EQ(s.GetPixelAddress(0, -1), nullptr);
    EXPECT_EQ(s.GetPixelAddress(5, 3) - s.GetPixelAddress(0, 0), (3 * 6 + 5) * 4);
}

TEST(Surface, FillsUseTheDefaultForMinusOneAndClipToTheSurface) {
    CDIB32 s;
    ASSERT_TRUE(s.Create(nullptr, 4, 3, 24));
    FillAll(s, 0x11223344);
    EXPECT_TRUE(s.FillRect(0, 0, 4, 3, 0xFFFFFFFF));
    EXPECT_EQ(Px(s, 3, 2), 0u);

    FillAll(s, 0);
    // Partly outside on every side: only the inside changes.
    EXPECT_TRUE(s.FillRect(-5, -5, 7, 6, 0xAABBCCDD));
    EXPECT_EQ(Px(s, 0, 0), 0xAABBCCDDu);
    EXPECT_EQ(Px(s, 1, 0), 0xAABBCCDDu);
    EXPECT_EQ(Px(s, 2, 0), 0u);
    EXPECT_EQ(Px(s, 0, 1), 0u);
    EXPECT_TRUE(s.FillRect(3, 2, 100, 100, 0x01020304));
    EXPECT_EQ(Px(s, 3, 2), 0x01020304u);
    EXPECT_EQ(Px(s, 2, 2), 0u);
    // Entirely outside, and rectangles whose far edge overflows.
    EXPECT_TRUE(s.FillRect(10, 10, 5, 5, 0x55));
    EXPECT_TRUE(s.FillRect(0x7FFFFFF0, 0, 0x7FFFFFF0, 1, 0x55));
    const RECT inverted{3, 2, 1, 0};
    EXPECT_EQ(s.Fill(0x55, &inverted), 0);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_NE(Px(s, x, y), 0x55u);
        }
    }
}

TEST(Surface, ColorKeyFromRgb) {
    CDIB32 s;
    s.Impl()->SetColorKeyRGB(0x12, 0x34, 0x56);
    EXPECT_EQ(s.Impl()->GetColorKey(), 0x123456u);
    s.Impl()->SetColorKeyRGB(0x1FF, 0, 0);
    EXPECT_EQ(s.Impl()->GetColorKey(), 0xFF0000u);
}

TEST(Surface, PresentedSurfacesReportTheirPixels) {
    CDIB32 heap;
    ASSERT_TRUE(heap.Create(nullptr, 2, 2, 24));
    EXPECT_EQ(heap.GetDC(), nullptr);
    CDIB32 shown;
    shown.SetFlags(CDIB32Base::kDibSectionFlag);
    ASSERT_TRUE(shown.Create(nullptr, 2, 2, 24));
    EXPECT_EQ(shown.GetDC(), shown.Impl());
}

// Level thresholds of the entry points, for both implementations: 0 draws nothing, BltFade blends
// up to 255 and copies from 256, BltAlphaFade switches to plain per-pixel alpha at 255.
TEST(SurfaceBlit, FadeLevelThresholds) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 src(impl), dst(impl);
        ASSERT_TRUE(src.Create(nullptr, 2, 1, 24));
        ASSERT_TRUE(dst.Create(nullptr, 2, 1, 24));
        Set(src, 0, 0, 0x80FFFFFF);
        Set(src, 1, 0, 0xFF204060);

        FillAll(dst, 0x10101010);
        EXPECT_TRUE(CDIB32::BltFade(&dst, 0, 0, 2, 1, &src, 0, 0, 0, 2, 1, 0));
        EXPECT_EQ(Px(dst, 0, 0), 0x10101010u);

        FillAll(dst, 0);
        CDIB32::BltFade(&dst, 0, 0, 2, 1, &src, 0, 0, 0, 2, 1, 1);
        EXPECT_EQ(Px(dst, 0, 0), 0x00000000u); // 255 × 1 >> 8 = 0
        FillAll(dst, 0);
        CDIB32::BltFade(&dst, 0, 0, 2, 1, &src, 0, 0, 0, 2, 1, 255);
        EXPECT_EQ(Px(dst, 0, 0), 0x00FEFEFEu);
        FillAll(dst, 0x00FFFFFF);
        CDIB32::BltFade(&dst, 0, 0, 2, 1, &src, 0, 0, 0, 2, 1, 128);
        EXPECT_EQ(Px(dst, 0, 0), 0x00FDFDFDu); // 127 + 126: the weights add up to 255
        for (uint16_t level : {256, 300, 65535}) {
            FillAll(dst, 0);
            CDIB32::BltFade(&dst, 0, 0, 2, 1, &src, 0, 0, 0, 2, 1, level);
            EXPECT_EQ(Px(dst, 0, 0), 0x80FFFFFFu) << level;
            EXPECT_EQ(Px(dst, 1, 0), 0xFF204060u) << level;
        }

        FillAll(dst, 0x33333333);
        EXPECT_TRUE(CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, 2, 1, 0));
        EXPECT_EQ(Px(dst, 0, 0), 0x33333333u);
        for (uint16_t level : {255, 256, 1000}) {
            CDIB32 viaAlpha(impl);
            ASSERT_TRUE(viaAlpha.Create(nullptr, 2, 1, 24));
            FillAll(dst, 0x33333333);
            FillAll(viaAlpha, 0x33333333);
            CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, 2, 1, level);
            CDIB32::BltAlpha(&viaAlpha, 0, 0, &src, 0, 0, 2, 1);
            EXPECT_EQ(Px(dst, 0, 0), Px(viaAlpha, 0, 0)) << level;
            EXPECT_EQ(Px(dst, 1, 0), Px(viaAlpha, 1, 0)) << level;
        }
        // 254 still goes through the level: alpha 255 with level 254 weighs (256 × 254) >> 8.
        FillAll(dst, 0);
        CDIB32::BltAlphaFade(&dst, 0, 0, &src, 0, 0, 2, 1, 254);
        EXPECT_EQ(Px(dst, 1, 0), 0x001F3F5Fu);
    }
}

TEST(SurfaceBlit, CrossFadeAndFadeOver) {
    for (SurfaceImpl impl : kImpls) {
        CDIB32 back(impl), src(impl), dst(impl);
        ASSERT_TRUE(back.Create(nullptr, 2, 2, 24));
        ASSERT_TRUE(src.Create(nullptr, 2, 2, 24));
        ASSERT_TRUE(dst.Create(nullptr, 2, 2, 24));
        FillAll(back, 0x00000000);
        FillAll(src, 0x00FFFFFF);

        FillAll(dst, 0x44444444);
        EXPECT_TRUE(dst.BltCrossFade(&back, 0, 0, &src, 0, 0, 2, 2, 0, 0));
        EXPECT_EQ(Px(dst, 0, 0), 0x44444444u);
        dst.BltCrossFade(&back, 0, 0, &src, 0, 0, 2, 2, 128, 0);
        EXPECT_EQ(Px(dst, 1, 1), 0x007F7F7Fu);
        dst.BltCrossFade(&back, 0, 0, &src, 0, 0, 2, 2, 256, 0);
        EXPECT_EQ(Px(dst, 1, 1), 0x00FFFFFFu);

        // Fade-over blends onto whatever the destination holds after the background copy.
        FillAll(dst, 0x00FFFFFF);
        EXPECT_TRUE(CDIB32::BltFadeOver(&dst, 0, 0, &src, &back, 0, 0, 2, 2, 128));
        EXPECT_EQ(Px(dst, 0, 1), 0x007F7F7Fu);
        FillAll(dst, 0x00000000);
        CDIB32::BltFadeOver(&dst, 0, 0, &src, nullptr, 0, 0, 2, 2, 128);
        EXPECT_EQ(Px(dst, 0, 1), 0x007F7F7Fu);
    }
}

TEST(SurfaceBlit, OntoScaledAndOpaqueCopyAllFourBytes) {
    CDIB32 src, dst;
    ASSERT_TRUE(src.Create(nullptr, 2, 1, 24));
    ASSERT_TRUE(dst.Create(nullptr, 4, 2, 24));
    Set(src, 0, 0, 0x01020304);
    Set(src, 1, 0, 0xF0E0D0C0);
    EXPECT_TRUE(src.BltOnto(&dst, 1, 1, 0, 0, 2, 1));
    EXPECT_EQ(Px(dst, 1, 1), 0x01020304u);
    EXPECT_EQ(Px(dst, 2, 1), 0xF0E0D0C0u);
    EXPECT_TRUE(CDIB32::BltScaled(&dst, 0, 0, 4, 1, &src, 0, 0, 2, 1));
    EXPECT_EQ(Px(dst, 0, 0), 0x01020304u);
    EXPECT_EQ(Px(dst, 1, 0), 0x01020304u);
    EXPECT_EQ(Px(dst, 2, 0), 0x01020304u); // the stretch walk reads columns 0, 0, 0, 1
    EXPECT_EQ(Px(dst, 3, 0), 0xF0E0D0C0u);
    FillAll(dst, 0);
    EXPECT_TRUE(CDIB32::BltOpaque(&dst, 3, 0, &src, 0, 0, 2, 1));
    EXPECT_EQ(Px(dst, 3, 0), 0x01020304u);
    EXPECT_EQ(Px(dst, 2, 0), 0u);
}

TEST(SurfaceBlit, InvertAndSetAlphaClipToBothSurfacesAndKeepTheSource) {
    CDIB32 src, dst;
    ASSERT_TRUE(src.Create(nullptr, 3, 2, 24));
    ASSERT_TRUE(dst.Create(nullptr, 3, 2, 24));
    Set(src, 0, 0, 0x80102030);
    Set(src, 1, 0, 0x00FFFFFF);
    Set(src, 2, 0, 0xFF000000);
    EXPECT_TRUE(CDIB32::BltInvert(&dst, 0, 0, &src, 0, 0, 3, 1));
    EXPECT_EQ(Px(dst, 0, 0), 0x00EFDFCFu);
    EXPECT_EQ(Px(dst, 1, 0), 0x00000000u);
    EXPECT_EQ(Px(dst, 2, 0), 0x00FFFFFFu);
    EXPECT_EQ(Px(src, 0, 0), 0x80102030u);

    EXPECT_TRUE(CDIB32::BltSetAlpha(&dst, 0, 1, &src, 0, 0, 3, 1, 0x1C8));
    EXPECT_EQ(Px(dst, 0, 1), 0xC8102030u);
    EXPECT_EQ(Px(dst, 1, 1), 0x00FFFFFFu);
    EXPECT_EQ(Px(dst, 2, 1), 0xC8000000u);

    // Rectangles reaching out of either surface are cut, keeping the pixels paired.
    FillAll(dst, 0x11111111);
    EXPECT_TRUE(CDIB32::BltInvert(&dst, -1, 1, &src, 0, 0, 10, 10));
    EXPECT_EQ(Px(dst, 0, 1), 0x00000000u); // src (1, 0) inverted
    EXPECT_EQ(Px(dst, 1, 1), 0x00FFFFFFu); // src (2, 0)
    EXPECT_EQ(Px(dst, 0, 0), 0x11111111u);
    EXPECT_TRUE(CDIB32::BltSetAlpha(&dst, 0, 0, &src, 2, 1, 5, 5, 255));
    EXPECT_TRUE(CDIB32::BltInvert(&dst, 0, 0, &src, -100, -100, 50, 50));
    EXPECT_TRUE(CDIB32::BltInvert(nullptr, 0, 0, &src, 0, 0, 1, 1));
    EXPECT_TRUE(CDIB32::BltNop(&dst, 0, 0, &src, 0, 0, 3, 2));
}

TEST(SurfaceBlit, NullAndEmptySurfacesDrawNothing) {
    CDIB32 empty, dst;
    ASSERT_TRUE(dst.Create(nullptr, 2, 2, 24));
    FillAll(dst, 0x12345678);
    EXPECT_TRUE(CDIB32::Blt(&dst, 0, 0, nullptr, 0, 0, 2, 2));
    EXPECT_TRUE(CDIB32::Blt(&dst, 0, 0, &empty, 0, 0, 2, 2));
    EXPECT_TRUE(CDIB32::BltAlpha(nullptr, 0, 0, &dst, 0, 0, 2, 2));
    EXPECT_TRUE(CDIB32::BltFade(&empty, 0, 0, 2, 2, &dst, 0, 0, 0, 2, 2, 128));
    EXPECT_TRUE(CDIB32::BltAlphaFade(&dst, 0, 0, nullptr, 0, 0, 2, 2, 100));
    EXPECT_TRUE(CDIB32::BltFadeOver(nullptr, 0, 0, &dst, &dst, 0, 0, 2, 2, 100));
    EXPECT_TRUE(dst.BltCrossFade(nullptr, 0, 0, nullptr, 0, 0, 2, 2, 100, 0));
    EXPECT_EQ(Px(dst, 1, 1), 0x12345678u);
}

TEST(SurfaceTable, ScreenSurfacesAndOrder) {
    EXPECT_EQ(&g_ScreenSurface, &g_SurfaceTable[64]);
    EXPECT_EQ(g_Layer1Backup, &g_SurfaceTable[65]);
    ASSERT_TRUE(CreateScreenSurfaces());
    ASSERT_NE(g_ScreenSurface, nullptr);
    EXPECT_EQ(g_ScreenSurface->GetWidth(), 1024);
    EXPECT_EQ(g_ScreenSurface->GetHeight(), 576);
    EXPECT_NE(g_ScreenSurface->GetDC(), nullptr);
    ASSERT_NE(g_Layers[0], nullptr);
    EXPECT_EQ(g_Layers[0]->GetWidth(), 1024);
    EXPECT_EQ(g_Layers[0]->GetDC(), nullptr);
    ASSERT_NE(g_FrameSurface, nullptr);
    EXPECT_EQ(g_FrameSurface->GetHeight(), 1024);
    ReplaceSurface(g_Layers[5], new CDIB32());
    ReplaceSurface(g_Layer1Backup[1], new CDIB32());
    ReplaceSurface(g_RuleMaskSurface, new CDIB32());
    DeleteAllSurfaces();
    for (CDIB32* s : g_SurfaceTable) {
        EXPECT_EQ(s, nullptr);
    }
    EXPECT_EQ(g_FrameSurface, nullptr);
    EXPECT_EQ(g_RuleMaskSurface, nullptr);
}
