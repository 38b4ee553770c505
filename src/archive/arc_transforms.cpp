#include "archive/arc_transforms.h"

#include <cstring>
#include <new>
#include <vector>

#include "archive/arc_file.h"

namespace kestrel::arc {
namespace {

uint32_t LoadBE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t RotateLeft(uint32_t v, uint32_t n) {
    n &= 31;
    return n == 0 ? v : (v << n) | (v >> (32 - n));
}

// Reads the declared output length and allocates the output for it.
DecodeResult BeginOutput(const uint8_t* in, uint32_t length, uint32_t maxOutput, uint64_t largestPossible,
                         ArcBuffer* out, uint32_t* declared) {
    if (length < 4) {
        return DecodeResult::Malformed;
    }
    *declared = LoadBE32(in);
    if (*declared > maxOutput) {
        return DecodeResult::NoMemory;
    }
    // A length that the rest of the stream cannot produce is rejected before anything is allocated.
    if (*declared > largestPossible) {
        return DecodeResult::Malformed;
    }
    return out->Allocate(*declared) ? DecodeResult::Ok : DecodeResult::NoMemory;
}

// Bits most significant first; reading past the end fails.
class BitReader {
public:
    BitReader(const uint8_t* p, uint32_t n) : m_p(p), m_n(n) {}
    bool Bit(uint32_t* bit) {
        if (m_bitPos >= uint64_t{m_n} * 8) {
            return false;
        }
        *bit = (m_p[m_bitPos >> 3] >> (7 - (m_bitPos & 7))) & 1u;
        ++m_bitPos;
        return true;
    }
    bool Bits(uint32_t count, uint32_t* value) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t b;
            if (!Bit(&b)) {
                return false;
            }
            v = (v << 1) | b;
        }
        *value = v;
        return true;
    }

private:
    const uint8_t* m_p;
    uint32_t m_n;
    uint64_t m_bitPos = 0;
};

} // namespace

bool ArcBuffer::Allocate(uint32_t n) {
    bytes.reset(new (std::nothrow) uint8_t[size_t{n} + 1]);
    if (!bytes) {
        length = 0;
        return false;
    }
    bytes[n] = 0;
    length = n;
    return true;
}

void UnscrambleWords(uint8_t* data, uint32_t length) {
    uint32_t n = length / 4;
    if (n == 0) {
        return;
    }
    uint32_t key = (n << ((n % 8) + 8)) ^ n;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* p = data + size_t{i} * 4;
        uint32_t w = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
        w ^= key;
        p[0] = static_cast<uint8_t>(w);
        p[1] = static_cast<uint8_t>(w >> 8);
        p[2] = static_cast<uint8_t>(w >> 16);
        p[3] = static_cast<uint8_t>(w >> 24);
        key = RotateLeft(key, w % 24);
    }
}

DecodeResult DecodeRecencyList(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out) {
    uint32_t declared = 0;
    // Every value takes at least two bits.
    uint64_t largest = length >= 4 ? (uint64_t{length} - 4) * 4 : 0;
    DecodeResult r = BeginOutput(in, length, maxOutput, largest, out, &declared);
    if (r != DecodeResult::Ok) {
        return r;
    }
    BitReader bits(in + 4, length - 4);
    // The recent values, least recent first; at most 15 (a value pushed to rank 16 drops out).
    uint8_t list[16];
    uint32_t count = 0;
    uint8_t* dst = out->bytes.get();
    for (uint32_t k = 0; k < declared; ++k) {
        uint32_t flag;
        if (!bits.Bit(&flag)) {
            return DecodeResult::Malformed;
        }
        uint32_t value;
        if (flag) {
            // Elias gamma rank: z zero bits, a 1, then z bits. Ranks above 15 never exist.
            uint32_t zeros = 0;
            uint32_t b;
            for (;;) {
                if (!bits.Bit(&b)) {
                    return DecodeResult::Malformed;
                }
                if (b) {
                    break;
                }
                if (++zeros > 3) {
                    return DecodeResult::Malformed;
                }
            }
            uint32_t tail;
            if (!bits.Bits(zeros, &tail)) {
                return DecodeResult::Malformed;
            }
            uint32_t rank = (1u << zeros) | tail;
            if (rank > count) {
                return DecodeResult::Malformed;
            }
            value = list[count - rank];
        } else if (!bits.Bits(8, &value)) {
            return DecodeResult::Malformed;
        }
        dst[k] = static_cast<uint8_t>(value);
        // Move (or add) the value to the most recent end.
        uint32_t at = count;
        for (uint32_t i = 0; i < count; ++i) {
            if (list[i] == value) {
                at = i;
                break;
            }
        }
        if (at == count) {
            list[count++] = static_cast<uint8_t>(value);
            if (count == 16) {
                std::memmove(list, list + 1, 15);
                count = 15;
            }
        } else {
            std::memmove(list + at, list + at + 1, count - at - 1);
            list[count - 1] = static_cast<uint8_t>(value);
        }
    }
    return DecodeResult::Ok;
}

DecodeResult DecodeRange(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out) {
    uint32_t declared = 0;
    DecodeResult r = BeginOutput(in, length, maxOutput, UINT32_MAX, out, &declared);
    if (r != DecodeResult::Ok) {
        return r;
    }
    if (length < 8) {
        return DecodeResult::Malformed;
    }
    constexpr uint32_t kSymbols = 257; // bytes 0..255 and the end symbol 256
    constexpr uint32_t kEnd = 256;
    // The coder may look a few bytes past the end of a stream whose writer flushed less than four
    // bytes; those read as 0, and a stream that needs more than that is malformed.
    constexpr uint32_t kSlack = 4;
    uint32_t freq[kSymbols];
    uint32_t cum[kSymbols + 1];
    for (uint32_t s = 0; s < kSymbols; ++s) {
        freq[s] = 1;
        cum[s] = s;
    }
    cum[kSymbols] = kSymbols;
    uint32_t code = LoadBE32(in + 4);
    uint32_t low = 0;
    uint32_t range = 0xFFFFFFFFu;
    uint32_t pos = 8;
    uint32_t past = 0;
    bool overrun = false;
    auto next = [&]() -> uint32_t {
        if (pos < length) {
            return in[pos++];
        }
        if (++past > kSlack) {
            overrun = true;
        }
        return 0;
    };
    uint8_t* dst = out->bytes.get();
    uint32_t written = 0;
    for (;;) {
        uint32_t total = cum[kSymbols];
        uint32_t step = range / total;
        if (step == 0) {
            return DecodeResult::Malformed;
        }
        uint32_t v = (code - low) / step;
        if (v >= total) {
            return DecodeResult::Malformed;
        }
        uint32_t s = 0;
        while (cum[s + 1] <= v) {
            ++s;
        }
        if (s == kEnd) {
            break;
        }
        if (written == declared) {
            return DecodeResult::Malformed; // more symbols than declared
        }
        dst[written++] = static_cast<uint8_t>(s);
        low += cum[s] * step;
        range = freq[s] * step;
        ++freq[s];
        for (uint32_t t = s + 1; t <= kSymbols; ++t) {
            ++cum[t];
        }
        if (cum[kSymbols] >= 0x10000) {
            cum[0] = 0;
            for (uint32_t t = 0; t < kSymbols; ++t) {
                freq[t] = (freq[t] | 2) >> 1;
                cum[t + 1] = cum[t] + freq[t];
            }
        }
        while (((low + range) ^ low) < 0x1000000u) {
            if (range == 0) {
                return DecodeResult::Malformed; // no coder state leads here; kept as a guard
            }
            low <<= 8;
            range <<= 8;
            code = (code << 8) | next();
        }
        while (range < 0x10000u) {
            range = (0x10000u - (low & 0xFFFFu)) << 8;
            code = (code << 8) | next();
            low <<= 8;
        }
        if (overrun) {
            return DecodeResult::Malformed;
        }
    }
    return written == declared ? DecodeResult::Ok : DecodeResult::Malformed;
}

DecodeResult DecodeLzss(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out) {
    uint32_t declared = 0;
    // Two bytes of reference give at most 18 bytes.
    uint64_t largest = length >= 4 ? (uint64_t{length} - 4) * 9 : 0;
    DecodeResult r = BeginOutput(in, length, maxOutput, largest, out, &declared);
    if (r != DecodeResult::Ok) {
        return r;
    }
    // The whole ring starts at 0, so that a reference into its never-written end reads zeros.
    uint8_t ring[4096] = {};
    uint32_t ringPos = 4078;
    uint32_t pos = 4;
    uint8_t* dst = out->bytes.get();
    uint32_t written = 0;
    uint32_t flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0x100) == 0) {
            if (pos >= length) {
                break;
            }
            flags = in[pos++] | 0xFF00u;
        }
        if (flags & 1) {
            if (pos >= length) {
                break;
            }
            if (written == declared) {
                return DecodeResult::Malformed;
            }
            uint8_t c = in[pos++];
            dst[written++] = c;
            ring[ringPos] = c;
            ringPos = (ringPos + 1) & 0xFFF;
        } else {
            if (length - pos < 2) {
                break;
            }
            uint32_t i = in[pos];
            uint32_t j = in[pos + 1];
            pos += 2;
            uint32_t from = i | ((j & 0xF0) << 4);
            uint32_t count = (j & 0x0F) + 3;
            if (declared - written < count) {
                return DecodeResult::Malformed;
            }
            for (uint32_t k = 0; k < count; ++k) {
                uint8_t b = ring[(from + k) & 0xFFF];
                dst[written++] = b;
                ring[ringPos] = b;
                ringPos = (ringPos + 1) & 0xFFF;
            }
        }
    }
    return written == declared ? DecodeResult::Ok : DecodeResult::Malformed;
}

DecodeResult InverseBlockSort(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out) {
    if (length < 4) {
        return DecodeResult::Malformed;
    }
    uint32_t n = length - 4;
    uint32_t primary = LoadBE32(in + n);
    if (n > maxOutput) {
        return DecodeResult::NoMemory;
    }
    if (n > kMaxBlockSortLength || (n > 0 ? primary >= n : primary != 0)) {
        return DecodeResult::Malformed;
    }
    if (!out->Allocate(n)) {
        return DecodeResult::NoMemory;
    }
    if (n == 0) {
        return DecodeResult::Ok;
    }
    std::vector<uint32_t> next;
    try {
        next.resize(n);
    } catch (const std::bad_alloc&) {
        return DecodeResult::NoMemory;
    }
    uint32_t count[256] = {};
    for (uint32_t i = 0; i < n; ++i) {
        ++count[in[i]];
    }
    for (uint32_t c = 1; c < 256; ++c) {
        count[c] += count[c - 1];
    }
    for (uint32_t i = n; i-- > 0;) {
        next[--count[in[i]]] = i;
    }
    uint8_t* dst = out->bytes.get();
    uint32_t p = next[primary];
    for (uint32_t k = 0; k < n; ++k) {
        dst[k] = in[p];
        p = next[p];
    }
    return DecodeResult::Ok;
}

DecodeResult ApplyArcTransforms(uint32_t flags, ArcBuffer* buffer, uint32_t maxOutput) {
    using Decoder = DecodeResult (*)(const uint8_t*, uint32_t, uint32_t, ArcBuffer*);
    struct Step {
        uint32_t bit;
        Decoder decode;
    };
    static constexpr Step kSteps[] = {
        {kArcRecencyCode, DecodeRecencyList},
        {kArcRangeCode, DecodeRange},
        {kArcLzss, DecodeLzss},
        {kArcBlockSort, InverseBlockSort},
    };
    if (flags & kArcWordScramble) {
        UnscrambleWords(buffer->bytes.get(), buffer->length);
    }
    for (const Step& step : kSteps) {
        if ((flags & step.bit) == 0) {
            continue;
        }
        ArcBuffer output;
        DecodeResult r = step.decode(buffer->bytes.get(), buffer->length, maxOutput, &output);
        if (r != DecodeResult::Ok) {
            return r;
        }
        *buffer = std::move(output); // the input is released as soon as its output exists
    }
    return DecodeResult::Ok;
}

} // namespace kestrel::arc
