#include "platform/glyph_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

FontRequest Request(int32_t height, bool vertical = false, int32_t weight = 400, std::string face = "黑体") {
    FontRequest r;
    r.height = height;
    r.width = height / 2;
    r.escapement = vertical ? 2700 : 0;
    r.weight = weight;
    r.charset = 134;
    r.face = vertical ? "@" + face : face;
    return r;
}

struct Copy {
    GlyphBitmap m;
    std::vector<uint8_t> bits;
    int maxLevel = 0;
    long sum = 0;
};

Copy Take(GlyphSource& source, uint32_t code, GlyphFormat format) {
    Copy c;
    EXPECT_TRUE(source.GetGlyph(code, format, &c.m)) << std::hex << code;
    if (c.m.bits != nullptr) {
        c.bits.assign(c.m.bits, c.m.bits + static_cast<size_t>(c.m.pitch) * c.m.height);
    }
    for (uint8_t b : c.bits) {
        c.maxLevel = std::max<int>(c.maxLevel, b);
        c.sum += b;
    }
    return c;
}

class SystemGlyphSourceTest : public ::testing::Test {
protected:
    std::unique_ptr<GlyphSource> source = CreateSystemGlyphSource();
};

} // namespace

TEST_F(SystemGlyphSourceTest, MapsTheHeiFaceToAnInstalledCjkFace) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const MatchedFace face = DescribeCurrentFace(*source);
    EXPECT_NE(face.family.find("WenQuanYi Zen Hei"), std::string::npos) << face.family;
    EXPECT_TRUE(std::filesystem::exists(face.file)) << face.file;
    EXPECT_FALSE(face.vertical);
    EXPECT_EQ(face.pixelsPerEm, 24);
    // The ascent places the baseline inside the cell.
    EXPECT_GE(source->GetAscent(), 18);
    EXPECT_LE(source->GetAscent(), 24);
}

TEST_F(SystemGlyphSourceTest, AtSignSelectsTheVerticalKindOfTheSameFace) {
    ASSERT_TRUE(source->CreateFont(Request(22)));
    const MatchedFace horizontal = DescribeCurrentFace(*source);
    ASSERT_TRUE(source->CreateFont(Request(22, true)));
    const MatchedFace vertical = DescribeCurrentFace(*source);
    EXPECT_TRUE(vertical.vertical);
    EXPECT_EQ(vertical.family, horizontal.family);
    EXPECT_EQ(vertical.file, horizontal.file);
}

TEST_F(SystemGlyphSourceTest, MapsTheSongFaceToUming) {
    ASSERT_TRUE(source->CreateFont(Request(24, false, 400, "宋体")));
    EXPECT_NE(DescribeCurrentFace(*source).family.find("AR PL UMing"), std::string::npos);
}

TEST_F(SystemGlyphSourceTest, UnknownFaceFallsBackToAFaceWithChineseGlyphs) {
    ASSERT_TRUE(source->CreateFont(Request(24, false, 400, "NoSuchFaceAnywhere")));
    GlyphBitmap g;
    EXPECT_TRUE(source->GetGlyph(0xB0A1, GlyphFormat::Gray8, &g));
    EXPECT_GT(g.width, 0);
}

TEST_F(SystemGlyphSourceTest, RefusedRequestsKeepThePreviousFont) {
    GlyphBitmap g;
    EXPECT_FALSE(source->GetGlyph(0xB0A1, GlyphFormat::Gray8, &g)); // no font yet
    EXPECT_EQ(source->GetAscent(), 0);
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const int32_t ascent = source->GetAscent();
    for (int32_t height : {0, -24, kMaxFontHeight + 1, 1 << 30}) {
        EXPECT_FALSE(source->CreateFont(Request(height))) << height;
    }
    FontRequest noFace = Request(12);
    noFace.face = "";
    EXPECT_FALSE(source->CreateFont(noFace));
    noFace.face = "@";
    EXPECT_FALSE(source->CreateFont(noFace));
    EXPECT_EQ(source->GetAscent(), ascent);
    EXPECT_EQ(DescribeCurrentFace(*source).pixelsPerEm, 24);
}

TEST_F(SystemGlyphSourceTest, IdeographAndLatinHaveTheCellMetricsOfTheHeight) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const int32_t ascent = source->GetAscent();
    const Copy ah = Take(*source, 0xB0A1, GlyphFormat::Gray8); // 啊
    EXPECT_NEAR(ah.m.advance, 24, 1);
    EXPECT_EQ(ah.m.pitch, (ah.m.width + 3) & ~3);
    EXPECT_EQ(ah.maxLevel, 64);
    EXPECT_GE(ah.m.originX, 0);
    EXPECT_LE(ah.m.originX + ah.m.width, 26);
    EXPECT_GE(ascent - ah.m.originY, 0);
    EXPECT_LE(ascent - ah.m.originY + ah.m.height, 30);
    EXPECT_GE(ah.m.height, 18);

    const Copy a = Take(*source, 'A', GlyphFormat::Gray8);
    EXPECT_NEAR(a.m.advance, 12, 1);
    EXPECT_GE(a.m.originX, -1);
    EXPECT_LE(a.m.originX + a.m.width, 14);
    EXPECT_GE(ascent - a.m.originY, 0);

    // Fixed pitch: every half-width character advances alike.
    EXPECT_EQ(Take(*source, 'i', GlyphFormat::Gray8).m.advance, a.m.advance);
    EXPECT_EQ(Take(*source, 'W', GlyphFormat::Gray8).m.advance, a.m.advance);

    const Copy space = Take(*source, ' ', GlyphFormat::Gray8);
    EXPECT_EQ(space.m.width, 0);
    EXPECT_EQ(space.m.height, 0);
    EXPECT_NEAR(space.m.advance, 12, 1);
}

TEST_F(SystemGlyphSourceTest, SmallSizesUseOutlinesNotEmbeddedBitmaps) {
    // UMing carries one-bit strikes at these sizes; the glyphs must stay anti-aliased.
    ASSERT_TRUE(source->CreateFont(Request(15, false, 400, "宋体")));
    const Copy g = Take(*source, 0xB0A1, GlyphFormat::Gray8);
    int partial = 0;
    for (uint8_t b : g.bits) {
        partial += b > 0 && b < 64 ? 1 : 0;
    }
    EXPECT_GT(partial, 5);
    EXPECT_LE(g.m.height, 16);
}

TEST_F(SystemGlyphSourceTest, SeventeenLevelGlyphsMatchTheSixtyFiveLevelOnes) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const Copy g8 = Take(*source, 0xBFDA, GlyphFormat::Gray8); // 口
    const Copy g4 = Take(*source, 0xBFDA, GlyphFormat::Gray4);
    ASSERT_EQ(g8.m.width, g4.m.width);
    ASSERT_EQ(g8.m.height, g4.m.height);
    EXPECT_EQ(g8.m.originX, g4.m.originX);
    EXPECT_EQ(g8.m.originY, g4.m.originY);
    EXPECT_EQ(g8.m.advance, g4.m.advance);
    EXPECT_EQ(g4.maxLevel, 16);
    for (size_t i = 0; i < g8.bits.size(); ++i) {
        EXPECT_LE(std::abs(g4.bits[i] * 4 - g8.bits[i]), 2) << i;
        EXPECT_EQ(g4.bits[i] == 0, g8.bits[i] == 0 || g8.bits[i] == 1) << i;
    }
}

TEST_F(SystemGlyphSourceTest, CodesWithoutACharacterGiveNoGlyph) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    for (uint32_t code : {0xB020u, 0xFFu, 0xB0u, 0xA2A0u}) {
        GlyphBitmap g;
        g.advance = 77;
        EXPECT_FALSE(source->GetGlyph(code, GlyphFormat::Gray8, &g)) << std::hex << code;
        EXPECT_EQ(g.advance, 77); // left as it was
    }
}

TEST_F(SystemGlyphSourceTest, CachedGlyphsSurviveSizeChanges) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const Copy first = Take(*source, 0xB0A1, GlyphFormat::Gray8);
    ASSERT_TRUE(source->CreateFont(Request(12)));
    const Copy small = Take(*source, 0xB0A1, GlyphFormat::Gray8);
    EXPECT_LT(small.m.width, first.m.width);
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const Copy again = Take(*source, 0xB0A1, GlyphFormat::Gray8);
    EXPECT_EQ(again.m.width, first.m.width);
    EXPECT_EQ(again.m.height, first.m.height);
    EXPECT_EQ(again.bits, first.bits);
}

TEST_F(SystemGlyphSourceTest, HeavyWeightEmboldensByAPixel) {
    ASSERT_TRUE(source->CreateFont(Request(24, false, 400)));
    const Copy regular = Take(*source, 0xBFDA, GlyphFormat::Gray8);
    ASSERT_TRUE(source->CreateFont(Request(24, false, 600)));
    const Copy bold = Take(*source, 0xBFDA, GlyphFormat::Gray8);
    EXPECT_EQ(bold.m.advance, regular.m.advance + 1);
    EXPECT_GE(bold.m.width, regular.m.width);
    EXPECT_GT(bold.sum, regular.sum + regular.sum / 10);
}

TEST_F(SystemGlyphSourceTest, FullWidthCharactersAreTwiceTheRequestedWidthAcross) {
    // Width height / 2 truncates at odd heights: a full-width character is 2w wide, not h.
    struct Case {
        int32_t height, weight, ideograph, latin;
    } cases[] = {{15, 400, 14, 7}, {15, 600, 15, 8}, {21, 400, 20, 10}, {24, 400, 24, 12}, {24, 600, 25, 13}};
    for (const Case& c : cases) {
        ASSERT_TRUE(source->CreateFont(Request(c.height, false, c.weight)));
        const Copy ah = Take(*source, 0xB0A1, GlyphFormat::Gray8); // 啊
        EXPECT_EQ(ah.m.advance, c.ideograph) << c.height << " " << c.weight;
        EXPECT_LE(ah.m.originX + ah.m.width, c.ideograph + 1) << c.height << " " << c.weight;
        EXPECT_EQ(Take(*source, 'A', GlyphFormat::Gray8).m.advance, c.latin) << c.height << " " << c.weight;
    }
}

TEST_F(SystemGlyphSourceTest, VerticalIdeographsStayUpright) {
    ASSERT_TRUE(source->CreateFont(Request(22)));
    const Copy horizontal = Take(*source, 0xB0A1, GlyphFormat::Gray4);
    ASSERT_TRUE(source->CreateFont(Request(22, true)));
    const Copy vertical = Take(*source, 0xB0A1, GlyphFormat::Gray4);
    EXPECT_EQ(vertical.m.width, horizontal.m.width);
    EXPECT_EQ(vertical.m.height, horizontal.m.height);
    EXPECT_EQ(vertical.bits, horizontal.bits);
}

TEST_F(SystemGlyphSourceTest, VerticalHalfWidthCharactersLieOnTheirSide) {
    ASSERT_TRUE(source->CreateFont(Request(22)));
    const int32_t ascent = source->GetAscent();
    const Copy upright = Take(*source, 'L', GlyphFormat::Gray4);
    ASSERT_TRUE(source->CreateFont(Request(22, true)));
    const Copy turned = Take(*source, 'L', GlyphFormat::Gray4);
    EXPECT_NEAR(turned.m.width, upright.m.height, 1);
    EXPECT_NEAR(turned.m.height, upright.m.width, 1);
    // Inside the 22-pixel cell of its column.
    EXPECT_GE(turned.m.originX, 0);
    EXPECT_LE(turned.m.originX + turned.m.width, 22);
    EXPECT_GE(ascent - turned.m.originY, 0);
    EXPECT_LE(ascent - turned.m.originY + turned.m.height, 22);
    // A quarter turn clockwise: the foot of the L (its bottom row) becomes the left column, and
    // the stem (its left column) the top row.
    auto at = [&](const Copy& c, int x, int y) { return c.bits[static_cast<size_t>(y) * c.m.pitch + x]; };
    int footLeft = 0;
    int stemTop = 0;
    for (int y = 0; y < turned.m.height; ++y) {
        footLeft += at(turned, 0, y) + at(turned, 1, y);
    }
    for (int x = 0; x < turned.m.width; ++x) {
        stemTop += at(turned, x, 0) + at(turned, x, 1);
    }
    EXPECT_GT(footLeft, 16);
    EXPECT_GT(stemTop, 16 * (turned.m.width / 2));
}

TEST_F(SystemGlyphSourceTest, VerticalPunctuationMovesToItsColumnPlace) {
    ASSERT_TRUE(source->CreateFont(Request(24)));
    const int32_t ascent = source->GetAscent();
    const Copy stop = Take(*source, 0xA1A3, GlyphFormat::Gray8);    // 。
    const Copy bracket = Take(*source, 0xA1B8, GlyphFormat::Gray8); // 「
    ASSERT_TRUE(source->CreateFont(Request(24, true)));
    const Copy vStop = Take(*source, 0xA1A3, GlyphFormat::Gray8);
    const Copy vBracket = Take(*source, 0xA1B8, GlyphFormat::Gray8);
    // The full stop goes from the lower left to the upper right of the cell.
    EXPECT_GT(vStop.m.originX, stop.m.originX + 6);
    EXPECT_LT(ascent - vStop.m.originY, ascent - stop.m.originY - 6);
    // The bracket turns: its box changes shape and it stays inside the column.
    EXPECT_NEAR(vBracket.m.width, bracket.m.height, 2); // hinted across, then turned
    EXPECT_NEAR(vBracket.m.height, bracket.m.width, 2);
    EXPECT_GE(vBracket.m.originX, -1);
    EXPECT_LE(vBracket.m.originX + vBracket.m.width, 25);
}
