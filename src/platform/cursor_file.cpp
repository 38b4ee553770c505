#include "platform/cursor_file.h"

#include <algorithm>

namespace plat {

namespace {

constexpr size_t kDirSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kMinInfoSize = 40;
constexpr uint16_t kTypeCursor = 2;
constexpr uint32_t kCompressionNone = 0;
// Windows writes a cursor's 32-bit image with compression 3 too (bit fields in the usual order).
constexpr uint32_t kCompressionBitFields = 3;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Bytes of one row of `width` pixels of `bits` each, padded to 4 bytes.
size_t RowBytes(int width, int bits) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
}

// The colour index (1, 4 or 8 bits) or the pixel word (32 bits) of pixel x of a row.
uint32_t ReadPixel(const uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1u;
        case 4:
            return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xFu;
        case 8:
            return row[x];
        default:
            return U32(row + 4 * static_cast<size_t>(x));
    }
}

// One DIB image of `size` bytes; false when it is not one this reader takes.
bool ParseImage(const uint8_t* p, size_t size, CursorImage* out) {
    if (size < kMinInfoSize)
        return false;
    if (size >= 8 && p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G')
        return false; // a PNG entry
    const uint32_t infoSize = U32(p);
    const auto width = static_cast<int32_t>(U32(p + 4));
    const auto doubleHeight = static_cast<int32_t>(U32(p + 8));
    const uint16_t planes = U16(p + 12);
    const uint16_t bits = U16(p + 14);
    const uint32_t compression = U32(p + 16);
    const uint32_t clrUsed = U32(p + 32);
    if (infoSize < kMinInfoSize || infoSize > size || planes > 1)
        return false;
    if (width < 1 || width > kMaxCursorSide || doubleHeight < 2 || doubleHeight > 2 * kMaxCursorSide ||
        doubleHeight % 2 != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    if (compression != kCompressionNone && !(bits == 32 && compression == kCompressionBitFields))
        return false;
    const int height = doubleHeight / 2;
    size_t at = infoSize;
    if (compression == kCompressionBitFields && infoSize == kMinInfoSize)
        at += 12; // the three masks follow the short header
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        const size_t full = size_t{1} << bits;
        const size_t count = clrUsed == 0 ? full : std::min<size_t>(clrUsed, full);
        if (at > size || (size - at) / 4 < count)
            return false;
        for (size_t i = 0; i < count; ++i)
            palette.push_back(0xFF000000u | (U32(p + at + 4 * i) & 0xFFFFFFu));
        palette.resize(full, 0xFF000000u);
        at += 4 * count;
    }
    const size_t colourRow = RowBytes(width, bits);
    const size_t maskRow = RowBytes(width, 1);
    const size_t colourBytes = colourRow * static_cast<size_t>(height);
    const size_t maskBytes = maskRow * static_cast<size_t>(height);
    if (at > size || size - at < colourBytes)
        return false;
    const uint8_t* colour = p + at;
    const bool hasMask = size - at - colourBytes >= maskBytes;
    const uint8_t* mask = hasMask ? colour + colourBytes : nullptr;

    std::vector<uint32_t> px(static_cast<size_t>(width) * static_cast<size_t>(height));
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const uint8_t* row = colour + colourRow * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            if (bits <= 8) {
                v = palette[ReadPixel(row, x, bits)];
            } else if (bits == 24) {
                const uint8_t* c = row + 3 * static_cast<size_t>(x);
                v = 0xFF000000u | static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[0];
            } else {
                v = ReadPixel(row, x, 32);
                anyAlpha = anyAlpha || (v >> 24) != 0;
            }
            px[static_cast<size_t>(y) * width + x] = v;
        }
    }
    if (bits == 32 && anyAlpha) {
        // The alpha bytes hold the transparency; the mask, if any, is left alone.
    } else {
        if (mask == nullptr)
            return false;
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = mask + maskRow * static_cast<size_t>(height - 1 - y);
            for (int x = 0; x < width; ++x) {
                uint32_t& v = px[static_cast<size_t>(y) * width + x];
                v = ReadPixel(row, x, 1) != 0 ? 0 : (v | 0xFF000000u);
            }
        }
    }
    out->width = width;
    out->height = height;
    out->pixels = std::move(px);
    return true;
}

} // namespace

bool ParseCursorFile(const uint8_t* data, size_t size, CursorImage* out) {
    if (data == nullptr || out == nullptr || size < kDirSize)
        return false;
    if (U16(data) != 0 || U16(data + 2) != kTypeCursor)
        return false;
    const size_t count = U16(data + 4);
    if (count == 0 || (size - kDirSize) / kEntrySize < count)
        return false;
    CursorImage best;
    int bestBits = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kDirSize + kEntrySize * i;
        const uint32_t bytes = U32(entry + 8);
        const uint32_t offset = U32(entry + 12);
        if (offset > size || size - offset < bytes)
            continue;
        CursorImage image;
        if (!ParseImage(data + offset, bytes, &image))
            continue;
        const int bits = U16(data + offset + 14);
        const long area = static_cast<long>(image.width) * image.height;
        const long bestArea = static_cast<long>(best.width) * best.height;
        if (area < bestArea || (area == bestArea && bits <= bestBits))
            continue;
        image.hotX = std::min<int>(U16(entry + 4), image.width - 1);
        image.hotY = std::min<int>(U16(entry + 6), image.height - 1);
        best = std::move(image);
        bestBits = bits;
    }
    if (best.width == 0)
        return false;
    *out = std::move(best);
    return true;
}

} // namespace plat
