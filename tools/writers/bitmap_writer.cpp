#include "writers/bitmap_writer.h"

#include <fstream>

namespace kestrel::test {

void PutU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    if (bytes.size() < at + 2) {
        bytes.resize(at + 2);
    }
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    if (bytes.size() < at + 4) {
        bytes.resize(at + 4);
    }
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

std::vector<uint8_t> WriteBitmap(const BitmapSpec& spec) {
    const uint32_t bits = spec.bitCount;
    const size_t rowBytes = ((static_cast<size_t>(bits) * static_cast<size_t>(spec.width) + 31) / 32) * 4;
    size_t tableEntries = 0;
    if (bits <= 8) {
        tableEntries = spec.clrUsed != 0 ? spec.clrUsed : (size_t{1} << bits);
    }
    const size_t masks = spec.bitFields && spec.infoSize == 40 ? 12 : 0;
    const size_t offBits = 14 + spec.infoSize + masks + 4 * tableEntries;
    const size_t height = static_cast<size_t>(spec.height < 0 ? -spec.height : spec.height);
    std::vector<uint8_t> out(offBits + rowBytes * height, 0);

    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, bmp::kFileSize, static_cast<uint32_t>(out.size()));
    PutU32(out, bmp::kOffBits, static_cast<uint32_t>(offBits));
    PutU32(out, bmp::kInfoSize, spec.infoSize);
    PutU32(out, bmp::kWidth, static_cast<uint32_t>(spec.width));
    PutU32(out, bmp::kHeight, static_cast<uint32_t>(spec.topDown ? -spec.height : spec.height));
    PutU16(out, 26, 1);
    PutU16(out, bmp::kBitCount, spec.bitCount);
    PutU32(out, bmp::kCompression, spec.bitFields ? 3 : 0);
    PutU32(out, 34, static_cast<uint32_t>(rowBytes * height));
    PutU32(out, bmp::kClrUsed, spec.clrUsed);
    if (spec.bitFields) {
        // The masks lie right behind the first 40 header bytes, inside a longer header or not.
        const bool is16 = bits == 16;
        PutU32(out, 54, is16 ? 0x7C00 : 0x00FF0000);
        PutU32(out, 58, is16 ? 0x03E0 : 0x0000FF00);
        PutU32(out, 62, is16 ? 0x001F : 0x000000FF);
    }
    const size_t tableAt = 14 + spec.infoSize + masks;
    for (size_t i = 0; i < tableEntries && i < spec.palette.size(); ++i) {
        PutU32(out, tableAt + 4 * i, spec.palette[i] & 0x00FFFFFF);
    }

    for (size_t y = 0; y < height; ++y) {
        const size_t fileRow = spec.topDown ? y : height - 1 - y;
        uint8_t* row = out.data() + offBits + fileRow * rowBytes;
        for (size_t x = 0; x < static_cast<size_t>(spec.width); ++x) {
            const size_t i = y * static_cast<size_t>(spec.width) + x;
            const uint32_t v = i < spec.pixels.size() ? spec.pixels[i] : 0;
            switch (bits) {
                case 1:
                case 2:
                case 4:
                case 8: {
                    const size_t bit = x * bits;
                    const uint32_t shift = 8 - bits - static_cast<uint32_t>(bit % 8);
                    row[bit / 8] |= static_cast<uint8_t>((v & ((1u << bits) - 1)) << shift);
                    break;
                }
                case 16:
                    row[2 * x] = static_cast<uint8_t>(v);
                    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                    break;
                case 24:
                    row[3 * x] = static_cast<uint8_t>(v);
                    row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
                    row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
                    break;
                case 32:
                    for (int b = 0; b < 4; ++b) {
                        row[4 * x + b] = static_cast<uint8_t>(v >> (8 * b));
                    }
                    break;
                default:
                    break;
            }
        }
    }
    return out;
}

bool SaveBitmap(const std::string& path, const BitmapSpec& spec) {
    const std::vector<uint8_t> bytes = WriteBitmap(spec);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

std::vector<uint8_t> WriteBitmapPixels(int32_t width, int32_t height, const std::vector<uint32_t>& pixels,
                                       uint16_t bitCount) {
    BitmapSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = bitCount;
    spec.pixels = pixels;
    return WriteBitmap(spec);
}

} // namespace kestrel::test
