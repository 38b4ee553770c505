// Cursor files: the picture, transparency and hot spot of each colour depth, the choice among several
// entries, and files that are not cursors or are cut short.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/cursor_file.h"
#include "writers/bitmap_writer.h"
#include "writers/cursor_writer.h"

using kestrel::test::CursorSpec;
using kestrel::test::PutU16;
using kestrel::test::PutU32;
using kestrel::test::WriteCursor;
using kestrel::test::WriteCursorEntries;
namespace cur = kestrel::test::cur;

namespace {

// A width × height cursor of `bits` whose pixel (x, y) has palette index or colour `value(x, y)`, the
// left column masked out.
CursorSpec Patterned(int w, int h, uint16_t bits, const std::function<uint32_t(int, int)>& value) {
    CursorSpec s;
    s.width = w;
    s.height = h;
    s.bitCount = bits;
    s.hotX = 3;
    s.hotY = 5;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s.pixels.push_back(value(x, y));
            s.mask.push_back(x == 0 ? 1 : 0);
        }
    return s;
}

bool Parse(const std::vector<uint8_t>& bytes, plat::CursorImage* out) {
    return plat::ParseCursorFile(bytes.data(), bytes.size(), out);
}

} // namespace

TEST(CursorFile, ReadsEveryColourDepthWithItsTransparencyAndHotSpot) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF};
    struct Case {
        uint16_t bits;
        int width;                                  // odd widths test the row padding
        std::function<uint32_t(int, int)> stored;   // what the file holds
        std::function<uint32_t(int, int)> expected; // the colour read (alpha aside)
    };
    const Case cases[] = {
        {1, 13, [](int x, int y) { return static_cast<uint32_t>((x + y) % 2); },
         [&](int x, int y) { return palette[(x + y) % 2]; }},
        {4, 7, [](int x, int y) { return static_cast<uint32_t>((x + 2 * y) % 6); },
         [&](int x, int y) { return palette[(x + 2 * y) % 6]; }},
        {8, 5, [](int x, int y) { return static_cast<uint32_t>((x * y) % 6); },
         [&](int x, int y) { return palette[(x * y) % 6]; }},
        {24, 9, [](int x, int y) { return static_cast<uint32_t>(x * 0x10203 + y * 0x30201); },
         [](int x, int y) { return static_cast<uint32_t>(x * 0x10203 + y * 0x30201); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits));
        CursorSpec spec = Patterned(c.width, 6, c.bits, c.stored);
        spec.palette = palette;
        plat::CursorImage image;
        ASSERT_TRUE(Parse(WriteCursor(spec), &image));
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, 6);
        EXPECT_EQ(image.hotX, 3);
        EXPECT_EQ(image.hotY, 5);
        ASSERT_EQ(image.pixels.size(), static_cast<size_t>(c.width) * 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint32_t px = image.pixels[static_cast<size_t>(y) * c.width + x];
                if (x == 0) {
                    EXPECT_EQ(px >> 24, 0u) << "masked out at y " << y;
                } else {
                    EXPECT_EQ(px, 0xFF000000u | c.expected(x, y)) << x << "," << y;
                }
            }
    }
}

TEST(CursorFile, ThirtyTwoBitsTakeTheirAlphaAndFallBackToTheMaskWhenItIsAllZero) {
    // With alpha: the bytes as stored, whatever the mask says; the mask may even be left out.
    CursorSpec alpha = Patterned(4, 3, 32, [](int x, int y) { return (0x40u * x) << 24 | 0x0A0B0Cu * y; });
    alpha.writeMask = false;
    plat::CursorImage image;
    ASSERT_TRUE(Parse(WriteCursor(alpha), &image));
    EXPECT_EQ(image.pixels[2 * 4 + 3], 0xC0141618u);
    EXPECT_EQ(image.pixels[0], 0x00000000u);

    // Without alpha: opaque, and transparent where the mask says so.
    CursorSpec plain = Patterned(4, 3, 32, [](int x, int) { return 0x112233u * x; });
    ASSERT_TRUE(Parse(WriteCursor(plain), &image));
    EXPECT_EQ(image.pixels[1], 0xFF112233u);
    EXPECT_EQ(image.pixels[4] >> 24, 0u);
    // ... and without a mask it cannot say which pixels show.
    plain.writeMask = false;
    EXPECT_FALSE(Parse(WriteCursor(plain), &image));
}

TEST(CursorFile, TakesTheLargestEntryAndKeepsTheHotSpotInsideThePicture) {
    CursorSpec small = Patterned(16, 16, 32, [](int, int) { return 0xFF0000FFu; });
    CursorSpec large = Patterned(32, 32, 8, [](int, int) { return 1u; });
    large.palette = {0, 0x00FF00};
    large.hotX = 40; // beyond the right edge
    large.hotY = 31;
    plat::CursorImage image;
    ASSERT_TRUE(Parse(WriteCursorEntries({small, large}), &image));
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.pixels[5], 0xFF00FF00u);
    EXPECT_EQ(image.hotX, 31);
    EXPECT_EQ(image.hotY, 31);

    // An entry that cannot be read is passed over for one that can.
    std::vector<uint8_t> bytes = WriteCursorEntries({large, small});
    PutU16(bytes, cur::kImage + 16 + cur::kImageBitCount, 16);
    ASSERT_TRUE(Parse(bytes, &image));
    EXPECT_EQ(image.width, 16);
}

TEST(CursorFile, RefusesFilesThatAreNotCursorsOrAreCutShort) {
    const std::vector<uint8_t> good = WriteCursor(Patterned(8, 8, 24, [](int, int) { return 0x808080u; }));
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    };
    const Case cases[] = {
        {"an icon", [](auto& b) { PutU16(b, cur::kType, 1); }},
        {"no entries", [](auto& b) { PutU16(b, cur::kCount, 0); }},
        {"more entries than the file holds", [](auto& b) { PutU16(b, cur::kCount, 200); }},
        {"image beyond the file", [](auto& b) { PutU32(b, cur::kEntry + cur::kEntryOffset, 0xFFFFFFF0u); }},
        {"image longer than the file",
         [](auto& b) { PutU32(b, cur::kEntry + cur::kEntryBytes, 0x7FFFFFFFu); }},
        {"sixteen bits", [](auto& b) { PutU16(b, cur::kImage + cur::kImageBitCount, 16); }},
        {"no width", [](auto& b) { PutU32(b, cur::kImage + 4, 0); }},
        {"too wide", [](auto& b) { PutU32(b, cur::kImage + 4, 257); }},
        {"negative width", [](auto& b) { PutU32(b, cur::kImage + 4, 0xFFFFFFF8u); }},
        {"odd doubled height", [](auto& b) { PutU32(b, cur::kImage + 8, 15); }},
        {"negative height", [](auto& b) { PutU32(b, cur::kImage + 8, 0xFFFFFFF0u); }},
        {"compressed", [](auto& b) { PutU32(b, cur::kImage + 16, 1); }},
        {"short info header", [](auto& b) { PutU32(b, cur::kImage, 12); }},
        {"info header beyond the image", [](auto& b) { PutU32(b, cur::kImage, 0x10000); }},
        {"a PNG entry", [](auto& b) { std::memcpy(b.data() + cur::kImage, "\x89PNG\r\n\x1a\n", 8); }},
    };
    plat::CursorImage image;
    image.width = 77;
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.spoil(bytes);
        EXPECT_FALSE(Parse(bytes, &image)) << c.what;
    }
    // Every cut of the file short of its end (the colour rows are needed whole, and the mask).
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(plat::ParseCursorFile(good.data(), n, &image)) << "cut at " << n;
    EXPECT_FALSE(plat::ParseCursorFile(nullptr, 0, &image));
    EXPECT_EQ(image.width, 77) << "a refused file leaves the image alone";
}
