#include "writers/cursor_writer.h"

namespace kestrel::test {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

size_t RowBytes(int32_t width, int bits) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
}

// The DIB of one entry: info header, palette, colour rows and mask rows, both bottom-up.
std::vector<uint8_t> Image(const CursorSpec& s) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(s.width));
    Put32(out, static_cast<uint32_t>(s.height * 2));
    Put16(out, 1);
    Put16(out, s.bitCount);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0); // compression, image size, resolutions, colours used and important
    if (s.bitCount <= 8)
        for (size_t i = 0; i < (size_t{1} << s.bitCount); ++i)
            Put32(out, i < s.palette.size() ? s.palette[i] & 0xFFFFFFu : 0);
    auto at = [&](int32_t x, int32_t y) {
        const size_t i = static_cast<size_t>(y) * s.width + x;
        return i < s.pixels.size() ? s.pixels[i] : 0u;
    };
    for (int32_t y = s.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(RowBytes(s.width, s.bitCount), 0);
        for (int32_t x = 0; x < s.width; ++x) {
            const uint32_t v = at(x, y);
            switch (s.bitCount) {
                case 1:
                    row[x / 8] |= static_cast<uint8_t>((v & 1u) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<uint8_t>((v & 0xFu) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    row[x] = static_cast<uint8_t>(v);
                    break;
                case 24:
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = static_cast<uint8_t>(v >> (8 * c));
                    break;
                default:
                    for (int c = 0; c < 4; ++c)
                        row[4 * x + c] = static_cast<uint8_t>(v >> (8 * c));
                    break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    if (s.writeMask) {
        for (int32_t y = s.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(RowBytes(s.width, 1), 0);
            for (int32_t x = 0; x < s.width; ++x) {
                const size_t i = static_cast<size_t>(y) * s.width + x;
                if (i < s.mask.size() && s.mask[i] != 0)
                    row[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
            }
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

} // namespace

std::vector<uint8_t> WriteCursorEntries(const std::vector<CursorSpec>& specs) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 2);
    Put16(out, static_cast<uint32_t>(specs.size()));
    std::vector<std::vector<uint8_t>> images;
    for (const CursorSpec& s : specs)
        images.push_back(Image(s));
    size_t offset = 6 + 16 * specs.size();
    for (size_t i = 0; i < specs.size(); ++i) {
        const CursorSpec& s = specs[i];
        out.push_back(static_cast<uint8_t>(s.width >= 256 ? 0 : s.width));
        out.push_back(static_cast<uint8_t>(s.height >= 256 ? 0 : s.height));
        out.push_back(0);
        out.push_back(0);
        Put16(out, s.hotX);
        Put16(out, s.hotY);
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, static_cast<uint32_t>(offset));
        offset += images[i].size();
    }
    for (const auto& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

std::vector<uint8_t> WriteCursor(const CursorSpec& spec) {
    return WriteCursorEntries({spec});
}

} // namespace kestrel::test
