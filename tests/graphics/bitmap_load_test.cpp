// Bitmap reading and conversion into 32-bit surfaces.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "support/scratch_folder.h"
#include "writers/bitmap_writer.h"

using kestrel::test::BitmapSpec;
using kestrel::test::PutU16;
using kestrel::test::PutU32;
using kestrel::test::WriteBitmap;
namespace bmp = kestrel::test::bmp;

namespace {

std::vector<uint32_t> SurfacePixels(const CDIB32& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y) {
        for (int32_t x = 0; x < s.GetWidth(); ++x) {
            uint32_t v;
            std::memcpy(&v, s.GetPixelAddress(x, y), 4);
            out.push_back(v);
        }
    }
    return out;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string Fixture(const std::string& name) {
    return std::string(KESTREL_TEST_DATA) + "/bmp/" + name;
}

// Pixels as ImageMagick reads them back ("x,y: (r,g,b[,a])" lines), as 0xAARRGGBB words with
// alpha 0 where the list has none.
std::vector<uint32_t> ReferencePixels(const std::string& name, int32_t& width, int32_t& height) {
    std::ifstream f(Fixture(name));
    std::string line;
    std::getline(f, line);
    width = height = 0;
    std::sscanf(line.c_str(), "# ImageMagick pixel enumeration: %d,%d", &width, &height);
    std::vector<uint32_t> out(static_cast<size_t>(width) * static_cast<size_t>(height));
    while (std::getline(f, line)) {
        int x, y, r, g, b, a = 0;
        if (std::sscanf(line.c_str(), "%d,%d: (%d,%d,%d,%d", &x, &y, &r, &g, &b, &a) >= 5) {
            out[static_cast<size_t>(y) * width + x] = static_cast<uint32_t>(a) << 24 | r << 16 | g << 8 | b;
        }
    }
    return out;
}

int LoadBytes(CDIB32& s, const std::vector<uint8_t>& bytes) {
    return s.LoadFromMemory(bytes.data(), bytes.size());
}

} // namespace

TEST(BitmapLoad, EveryDepthGivesExactPixels) {
    // 2 × 3 pictures with odd widths where it matters for the row padding.
    const std::vector<uint32_t> palette = {0x00000000, 0x00FF0000, 0x0000FF00, 0x000000FF,
                                           0x00123456, 0x00ABCDEF, 0x00FFFFFF, 0x00808080};
    struct Case {
        uint16_t bits;
        std::vector<uint32_t> values;
        std::vector<uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {1, {1, 0, 1, 0, 0, 1}, {0x00FF0000, 0, 0x00FF0000, 0, 0, 0x00FF0000}},
        {4, {7, 6, 5, 4, 3, 2}, {0x00808080, 0x00FFFFFF, 0x00ABCDEF, 0x00123456, 0x000000FF, 0x0000FF00}},
        {8, {2, 3, 4, 5, 6, 7}, {0x0000FF00, 0x000000FF, 0x00123456, 0x00ABCDEF, 0x00FFFFFF, 0x00808080}},
        // 5-5-5: the top bits of each channel, no replication; bit 15 ignored.
        {16,
         {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000, 0x4210},
         {0x00F8F8F8, 0x000000F8, 0x0000F800, 0x00F80000, 0, 0x00808080}},
        {24,
         {0x00FF00, 0x123456, 0xFFFFFF, 0, 0x010203, 0xFEDCBA},
         {0x0000FF00, 0x00123456, 0x00FFFFFF, 0, 0x00010203, 0x00FEDCBA}},
        {32,
         {0xFF00FF00, 0x80123456, 0, 0x01FFFFFF, 0x7F000001, 0xFFFFFFFF},
         {0xFF00FF00, 0x80123456, 0, 0x01FFFFFF, 0x7F000001, 0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        for (bool topDown : {false, true}) {
            BitmapSpec spec;
            spec.width = 3;
            spec.height = 2;
            spec.bitCount = c.bits;
            spec.topDown = topDown;
            spec.palette = palette;
            spec.pixels = c.values;
            CDIB32 s;
            ASSERT_EQ(LoadBytes(s, WriteBitmap(spec)), 0) << c.bits << " bits";
            EXPECT_EQ(s.GetLoadState(), CDIB32::kLoaded);
            EXPECT_EQ(s.GetMember2(), c.bits);
            ASSERT_EQ(s.GetWidth(), 3);
            ASSERT_EQ(s.GetHeight(), 2);
            EXPECT_EQ(SurfacePixels(s), c.expected) << c.bits << " bits, top-down " << topDown;
        }
    }
}

TEST(BitmapLoad, RowPaddingOfNarrowAndOddWidths) {
    // 40 pixels at 1 bit: rows of 8 bytes (5 used); 5 pixels at 4 bits: rows of 4 bytes (3 used).
    for (auto [bits, width] : {std::pair<uint16_t, int32_t>{1, 40}, {4, 5}, {8, 7}, {16, 3}, {24, 5}}) {
        BitmapSpec spec;
        spec.width = width;
        spec.height = 3;
        spec.bitCount = bits;
        for (int i = 0; i < 16; ++i) {
            spec.palette.push_back(0x00010101u * (i * 16 + 1));
        }
        std::vector<uint32_t> expected;
        for (int32_t i = 0; i < width * 3; ++i) {
            const uint32_t index = (i * 7 + 3) % (bits == 1 ? 2 : 16);
            spec.pixels.push_back(bits <= 8 ? index : (bits == 16 ? index << 10 : index << 16));
            expected.push_back(bits <= 8 ? spec.palette[index]
                                         : (bits == 16 ? (index << 3) << 16 : index << 16));
        }
        std::vector<uint8_t> file = WriteBitmap(spec);
        // Bytes in the padding of every row must not show.
        const size_t rowBytes = ((bits * static_cast<size_t>(width) + 31) / 32) * 4;
        const size_t used = (bits * static_cast<size_t>(width) + 7) / 8;
        const size_t off = file[bmp::kOffBits] | file[bmp::kOffBits + 1] << 8;
        for (size_t r = 0; r < 3; ++r) {
            for (size_t b = used; b < rowBytes; ++b) {
                file[off + r * rowBytes + b] = 0xFF;
            }
        }
        CDIB32 s;
        ASSERT_EQ(LoadBytes(s, file), 0) << bits;
        EXPECT_EQ(SurfacePixels(s), expected) << bits << " bits, width " << width;
    }
}

TEST(BitmapLoad, PaletteEntriesLoseTheirFourthByteAndShortTablesWork) {
    BitmapSpec spec;
    spec.width = 4;
    spec.height = 1;
    spec.bitCount = 8;
    spec.clrUsed = 3;
    spec.palette = {0xFF112233, 0xAA445566, 0x01778899};
    spec.pixels = {0, 1, 2, 200}; // 200 lies beyond the stored entries: black
    std::vector<uint8_t> file = WriteBitmap(spec);
    // The writer clears the fourth byte; put it back to see that the loader drops it.
    file[14 + 40 + 3] = 0xFF;
    CDIB32 s;
    ASSERT_EQ(LoadBytes(s, file), 0);
    EXPECT_EQ(SurfacePixels(s), (std::vector<uint32_t>{0x00112233, 0x00445566, 0x00778899, 0}));
}

TEST(BitmapLoad, BitFieldMasksAreSkippedNotApplied) {
    for (uint32_t infoSize : {40u, 108u, 124u}) {
        BitmapSpec spec;
        spec.width = 2;
        spec.height = 1;
        spec.bitCount = 16;
        spec.bitFields = true;
        spec.infoSize = infoSize;
        spec.pixels = {0x7C00, 0x001F};
        std::vector<uint8_t> file = WriteBitmap(spec);
        // 5-6-5 masks: still read as 5-5-5.
        PutU32(file, 54, 0xF800);
        PutU32(file, 58, 0x07E0);
        PutU32(file, 62, 0x001F);
        CDIB32 s;
        ASSERT_EQ(LoadBytes(s, file), 0) << infoSize;
        EXPECT_EQ(SurfacePixels(s), (std::vector<uint32_t>{0x00F80000, 0x000000F8})) << infoSize;
    }
}

TEST(BitmapLoad, LongerHeadersTakeThePaletteBehindThem) {
    BitmapSpec spec;
    spec.width = 2;
    spec.height = 1;
    spec.bitCount = 4;
    spec.infoSize = 124;
    spec.palette = {0x00102030, 0x00405060};
    spec.pixels = {1, 0};
    CDIB32 s;
    ASSERT_EQ(LoadBytes(s, WriteBitmap(spec)), 0);
    EXPECT_EQ(SurfacePixels(s), (std::vector<uint32_t>{0x00405060, 0x00102030}));
}

TEST(BitmapLoad, FilesWrittenByImageMagickMatchItsOwnReading) {
    struct Case {
        const char* name;
        uint32_t bits;
        bool alpha;
        bool fiveBits;
        const char* reference = nullptr; // pixel list of another file of the same picture
    };
    for (const Case& c : {Case{"im_1", 1, false, false}, Case{"im_4", 4, false, false},
                          Case{"im_8", 8, false, false}, Case{"im_16", 16, false, true, "im_16_v5"},
                          Case{"im_16_v5", 16, false, true}, Case{"im_24", 24, false, false},
                          Case{"im_32", 32, true, false}, Case{"im_32_v5", 32, true, false}}) {
        int32_t w = 0, h = 0;
        std::vector<uint32_t> expected =
            ReferencePixels(std::string(c.reference ? c.reference : c.name) + ".txt", w, h);
        ASSERT_GT(w, 0) << c.name;
        for (uint32_t& v : expected) {
            if (!c.alpha) {
                v &= 0x00FFFFFF; // pictures of 24 bits and fewer get alpha 0
            }
            if (c.fiveBits) {
                // ImageMagick widens 5 bits to 8 by scaling; the loader keeps the top bits.
                uint32_t out = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const uint32_t v8 = (v >> (8 * ch)) & 0xFF;
                    out |= ((v8 * 31 + 127) / 255) << 3 << (8 * ch);
                }
                v = out;
            }
        }
        CDIB32 s;
        const std::vector<uint8_t> file = ReadFile(Fixture(std::string(c.name) + ".bmp"));
        ASSERT_EQ(LoadBytes(s, file), 0) << c.name;
        EXPECT_EQ(s.GetMember2(), c.bits) << c.name;
        ASSERT_EQ(s.GetWidth(), w) << c.name;
        ASSERT_EQ(s.GetHeight(), h) << c.name;
        EXPECT_EQ(SurfacePixels(s), expected) << c.name;
    }
}

TEST(BitmapLoad, TwoBitPicturesAreRefusedByTheConversion) {
    BitmapSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.bitCount = 2;
    const std::vector<uint8_t> file = WriteBitmap(spec);
    uint32_t depth = 0;
    DibBlock block = kestrel::gfx::ParseBitmapFile(file.data(), file.size(), depth);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(depth, 2u);
    CDIB32 s;
    EXPECT_EQ(s.CreateFromDIB(std::move(block), 0), 2);
    EXPECT_EQ(LoadBytes(s, file), 1);
    EXPECT_EQ(s.GetLoadState(), CDIB32::kLoadFailed);
    EXPECT_EQ(s.GetWidth(), 0);
}

TEST(BitmapLoad, NoBlockIsResultOne) {
    CDIB32 s;
    EXPECT_EQ(s.CreateFromDIB(DibBlock{}, 0), 1);
}

TEST(BitmapLoad, SameSizeReloadKeepsThePixelStore) {
    BitmapSpec spec;
    spec.width = 4;
    spec.height = 4;
    spec.pixels.assign(16, 0x123456);
    CDIB32 s;
    ASSERT_EQ(LoadBytes(s, WriteBitmap(spec)), 0);
    const uint8_t* before = s.GetPixelAddress(0, 0);
    spec.pixels.assign(16, 0x654321);
    ASSERT_EQ(LoadBytes(s, WriteBitmap(spec)), 0);
    EXPECT_EQ(s.GetPixelAddress(0, 0), before);
    EXPECT_EQ(SurfacePixels(s)[15], 0x00654321u);
}

// Every malformed file fails (result 1, loadState 4) and leaves an empty surface, also when the
// handle held a picture before.
TEST(BitmapLoad, MalformedFilesFailWithAnEmptySurface) {
    BitmapSpec good;
    good.width = 3;
    good.height = 2;
    good.bitCount = 8;
    good.pixels = {1, 2, 3, 4, 5, 6};
    const std::vector<uint8_t> base = WriteBitmap(good);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto patched = [&](const char* what, auto edit) {
        std::vector<uint8_t> b = base;
        edit(b);
        cases.push_back({what, b});
    };
    patched("not BM", [](auto& b) { b[0] = 'M'; });
    patched("truncated header", [](auto& b) { b.resize(40); });
    patched("zero width", [](auto& b) { PutU32(b, bmp::kWidth, 0); });
    patched("negative width", [](auto& b) { PutU32(b, bmp::kWidth, static_cast<uint32_t>(-3)); });
    patched("zero height", [](auto& b) { PutU32(b, bmp::kHeight, 0); });
    patched("most negative height", [](auto& b) { PutU32(b, bmp::kHeight, 0x80000000u); });
    patched("overflowing product", [](auto& b) {
        PutU32(b, bmp::kWidth, 0x10000);
        PutU32(b, bmp::kHeight, 0x10001);
    });
    patched("huge width", [](auto& b) { PutU32(b, bmp::kWidth, 0x7FFFFFFF); });
    patched("cut short, claiming 16384 x 16384", [](auto& b) {
        PutU32(b, bmp::kWidth, 16384);
        PutU32(b, bmp::kHeight, 16384);
    });
    patched("run-length compression", [](auto& b) { PutU32(b, bmp::kCompression, 1); });
    patched("unknown compression", [](auto& b) { PutU32(b, bmp::kCompression, 77); });
    patched("bit fields at 8 bits", [](auto& b) { PutU32(b, bmp::kCompression, 3); });
    patched("12-byte header", [](auto& b) { PutU32(b, bmp::kInfoSize, 12); });
    patched("header beyond the file", [](auto& b) { PutU32(b, bmp::kInfoSize, 0x7FFFFFF0); });
    patched("pixels inside the header", [](auto& b) { PutU32(b, bmp::kOffBits, 0); });
    patched("64 bits per pixel", [](auto& b) { PutU16(b, bmp::kBitCount, 64); });
    patched("zero bits per pixel", [](auto& b) { PutU16(b, bmp::kBitCount, 0); });
    patched("3 bits per pixel", [](auto& b) { PutU16(b, bmp::kBitCount, 3); });
    cases.push_back({"empty file", {}});
    cases.push_back({"run-length file from ImageMagick", ReadFile(Fixture("im_8_rle.bmp"))});
    // Zero bits per pixel claim no pixel bytes at all: this one once sized a 16384 × 16384 surface.
    cases.push_back({"zero depth, huge size", ReadFile(Fixture("bad_zero_depth_huge.bmp"))});

    for (const Case& c : cases) {
        CDIB32 s;
        ASSERT_EQ(LoadBytes(s, base), 0);
        EXPECT_EQ(LoadBytes(s, c.bytes), 1) << c.what;
        EXPECT_EQ(s.GetLoadState(), CDIB32::kLoadFailed) << c.what;
        EXPECT_EQ(s.GetWidth(), 0) << c.what;
        EXPECT_EQ(s.GetHeight(), 0) << c.what;
        EXPECT_EQ(s.GetPixelAddress(0, 0), nullptr) << c.what;
    }
}

TEST(BitmapLoad, ConversionChecksTheBlockItIsGiven) {
    // A packed bitmap whose rows run past its end, and one whose header is cut short.
    BitmapSpec spec;
    spec.width = 8;
    spec.height = 8;
    const std::vector<uint8_t> file = WriteBitmap(spec);
    uint32_t depth = 0;
    DibBlock block = kestrel::gfx::ParseBitmapFile(file.data(), file.size(), depth);
    ASSERT_FALSE(block.empty());
    DibBlock cut(block.begin(), block.begin() + 100);
    CDIB32 s;
    EXPECT_NE(s.CreateFromDIB(std::move(cut), 0), 0);
    EXPECT_EQ(s.GetWidth(), 0);
    DibBlock tiny(block.begin(), block.begin() + 20);
    EXPECT_NE(s.CreateFromDIB(std::move(tiny), 0), 0);
    EXPECT_EQ(s.CreateFromDIB(std::move(block), 0), 0);
    EXPECT_EQ(s.GetWidth(), 8);
}

TEST(BitmapLoad, AFileCutShortLoadsWithTheBytesItLacksZero) {
    // 24 bits, 1 x 2: rows of 4 bytes, the top row stored last (03 02 01 and padding).
    BitmapSpec rgb;
    rgb.width = 1;
    rgb.height = 2;
    rgb.pixels = {0x010203, 0x040506};
    // 8 bits, 2 x 1: two palette entries (30 20 10 00, 60 50 40 00), then the row 01 00 and padding.
    BitmapSpec indexed;
    indexed.width = 2;
    indexed.height = 1;
    indexed.bitCount = 8;
    indexed.clrUsed = 2;
    indexed.palette = {0x102030, 0x405060};
    indexed.pixels = {1, 0};
    const struct {
        const BitmapSpec& spec;
        size_t cut; // bytes taken off the end of the file
        std::vector<uint32_t> pixels;
    } cases[] = {
        {rgb, 1, {0x010203, 0x040506}}, // the top row without its padding
        {rgb, 2, {0x000203, 0x040506}},
        {rgb, 4, {0, 0x040506}},
        {rgb, 8, {0, 0}},
        {indexed, 2, {0x405060, 0x102030}},
        {indexed, 4, {0x102030, 0x102030}},  // all pixels entry 0
        {indexed, 11, {0x000030, 0x000030}}, // one palette byte left
        {indexed, 12, {0, 0}},               // the header alone
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> file = WriteBitmap(c.spec);
        file.resize(file.size() - c.cut);
        CDIB32 s;
        ASSERT_EQ(LoadBytes(s, file), 0) << c.spec.bitCount << " bits cut by " << c.cut;
        EXPECT_EQ(SurfacePixels(s), c.pixels) << c.spec.bitCount << " bits cut by " << c.cut;
    }
}

TEST(BitmapLoad, LoadByNameThroughTheFileLayer) {
    testing_support::ScratchGameFolder game("bitmap-load");
    std::filesystem::create_directories(game / "bmp");
    BitmapSpec spec;
    spec.width = 2;
    spec.height = 1;
    spec.pixels = {0x00FF00, 0xABCDEF};
    ASSERT_TRUE(kestrel::test::SaveBitmap((game / "bmp" / "pic.bmp").string(), spec));
    CDIB32 s;
    const bool loaded = s.Load("bmp\\pic.bmp");
    CDIB32 missing;
    const bool missingLoaded = missing.Load("bmp\\nothing.bmp");
    CDIB32 empty;
    const bool emptyLoaded = empty.Load("");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(SurfacePixels(s), (std::vector<uint32_t>{0x0000FF00, 0x00ABCDEF}));
    EXPECT_FALSE(missingLoaded);
    EXPECT_EQ(missing.GetLoadState(), CDIB32::kLoadFailed);
    EXPECT_FALSE(emptyLoaded);
}
