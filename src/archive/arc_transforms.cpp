#include "archive/arc_transforms.h"

#include <bit>
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

// Bits most significant first; reading past the end fails. Whole bytes are taken into a 64-bit
// window ahead of use.
class BitReader {
public:
    BitReader(const uint8_t* p, uint32_t n) : m_p(p), m_end(p + n) {}
    bool Bit(uint32_t* bit) { return Bits(1, bit); }
    // count is 0 to 24.
    bool Bits(uint32_t count, uint32_t* value) {
        if (m_have < count) {
            while (m_have <= 56 && m_p < m_end) {
                m_window |= uint64_t{*m_p++} << (56 - m_have);
                m_have += 8;
            }
            if (m_have < count) {
                return false;
            }
        }
        *value = count == 0 ? 0 : static_cast<uint32_t>(m_window >> (64 - count));
        m_window <<= count;
        m_have -= count;
        return true;
    }
    // Takes whole bytes into the window while they fit; returns the number of bits held.
    uint32_t Fill() {
        while (m_have <= 56 && m_p < m_end) {
            m_window |= uint64_t{*m_p++} << (56 - m_have);
            m_have += 8;
        }
        return m_have;
    }
    // The held bits, left-aligned; Skip drops `count` of them (at most the number held, below 64).
    uint64_t Window() const { return m_window; }
    void Skip(uint32_t count) {
        m_window <<= count;
        m_have -= count;
    }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
    uint64_t m_window = 0; // unread bits, left-aligned
    uint32_t m_have = 0;
};

// The adaptive order-0 model of the range code: 257 symbols (bytes and the end symbol 256), each
// frequency starting at 1; once the total reaches 0x10000 every frequency becomes (f | 2) >> 1. The
// cumulative counts live in a Fenwick tree, which finds and updates a symbol in log time with the
// same results as the plain table of running totals.
class RangeModel {
public:
    static constexpr uint32_t kSymbols = 257;

    RangeModel() {
        for (uint32_t& f : m_freq) {
            f = 1;
        }
        Rebuild();
    }
    uint32_t Total() const { return m_total; }
    uint32_t Freq(uint32_t s) const { return m_freq[s]; }
    // The symbol s with cum(s) <= v < cum(s + 1), for v < Total(); *cum receives cum(s).
    uint32_t Find(uint32_t v, uint32_t* cum) const {
        uint32_t pos = 0;
        uint32_t rest = v;
        for (uint32_t bit = 256; bit != 0; bit >>= 1) {
            uint32_t next = pos + bit;
            if (next <= kSymbols && m_tree[next] <= rest) {
                pos = next;
                rest -= m_tree[next];
            }
        }
        *cum = v - rest;
        return pos;
    }
    void Update(uint32_t s) {
        ++m_freq[s];
        ++m_total;
        for (uint32_t i = s + 1; i <= kSymbols; i += i & (0u - i)) {
            ++m_tree[i];
        }
        if (m_total >= 0x10000) {
            for (uint32_t& f : m_freq) {
                f = (f | 2) >> 1;
            }
            Rebuild();
        }
    }

private:
    void Rebuild() {
        m_total = 0;
        for (uint32_t i = 1; i <= kSymbols; ++i) {
            m_tree[i] = m_freq[i - 1];
            m_total += m_freq[i - 1];
        }
        for (uint32_t i = 1; i <= kSymbols; ++i) {
            uint32_t parent = i + (i & (0u - i));
            if (parent <= kSymbols) {
                m_tree[parent] += m_tree[i];
            }
        }
    }

    uint32_t m_freq[kSymbols];
    uint32_t m_tree[kSymbols + 1] = {};
    uint32_t m_total = 0;
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
        // A turn by w % 24 = w − 24q (q = w / 24) is a turn by w and one by 8q mod 32 (−24q ≡ 8q
        // modulo 32), which is (w / 3) & 0x18: the two start without waiting for each other, which
        // shortens the chain from word to word. 0xAAAAAAAB / 2^33 gives w / 3 exactly for 32 bits.
        const auto third = static_cast<uint32_t>((uint64_t{w} * 0xAAAAAAABu) >> 33);
        key = RotateLeft(RotateLeft(key, w), third & 0x18);
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
        uint32_t value;
        if (bits.Fill() >= 9) {
            // The longest code is 9 bits (a flag and 8 bits, or a flag, 3 zeros, a 1 and 3 bits),
            // and 5 bits show a run of zeros too long: the code is read straight from the window.
            const uint64_t window = bits.Window();
            if ((window >> 63) == 0) {
                value = static_cast<uint32_t>(window >> 55) & 0xFF;
                bits.Skip(9);
            } else {
                const auto zeros =
                    static_cast<uint32_t>(std::countl_zero((window << 1) | (uint64_t{1} << 58)));
                if (zeros > 3) {
                    return DecodeResult::Malformed;
                }
                const uint32_t rank = static_cast<uint32_t>(window >> (62 - 2 * zeros)) & ((2u << zeros) - 1);
                if (rank > count) {
                    return DecodeResult::Malformed;
                }
                value = list[count - rank];
                bits.Skip(2 + 2 * zeros);
            }
        } else {
            uint32_t flag;
            if (!bits.Bit(&flag)) {
                return DecodeResult::Malformed;
            }
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
                for (uint32_t i = 0; i < 15; ++i) {
                    list[i] = list[i + 1];
                }
                count = 15;
            }
        } else {
            for (uint32_t i = at; i + 1 < count; ++i) {
                list[i] = list[i + 1];
            }
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
    constexpr uint32_t kEnd = 256;
    // The coder may look a few bytes past the end of a stream whose writer flushed less than four
    // bytes; those read as 0, and a stream that needs more than that is malformed.
    constexpr uint32_t kSlack = 4;
    RangeModel model;
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
        uint32_t total = model.Total();
        uint32_t step = range / total;
        if (step == 0) {
            return DecodeResult::Malformed;
        }
        uint32_t v = (code - low) / step;
        if (v >= total) {
            return DecodeResult::Malformed;
        }
        uint32_t cum = 0;
        uint32_t s = model.Find(v, &cum);
        if (s == kEnd) {
            break;
        }
        if (written == declared) {
            return DecodeResult::Malformed; // more symbols than declared
        }
        dst[written++] = static_cast<uint8_t>(s);
        low += cum * step;
        range = model.Freq(s) * step;
        model.Update(s);
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
    // The coder's window is a ring of 4096 bytes that starts at 0 with its write position at 4078;
    // every byte decoded is also written there. A reference names a ring position, which lies a
    // fixed distance behind the write position (4096 when it names the write position itself), so
    // the output serves as the window: the byte `distance` back, or 0 before the output's start.
    constexpr uint32_t kRingStart = 4078;
    // A group is a flag byte and eight tokens: at most 17 bytes in, 8 × 18 bytes out.
    constexpr uint32_t kGroupIn = 17, kGroupOut = 8 * 18;
    uint8_t* const dst = out->bytes.get();
    uint32_t pos = 4;
    uint32_t written = 0;
    // Copies the `count` bytes of a reference to ring position `from` and advances `written`. With
    // `slack`, the output has room for the match rounded up to whole 8-byte words: such words are
    // copied where each reads only bytes already written; the bytes past the match are written
    // again after it.
    auto copyMatch = [dst, &written](uint32_t from, uint32_t count, bool slack) {
        const uint32_t distance = ((kRingStart + written - from - 1) & 0xFFF) + 1; // 1 to 4096
        uint8_t* d = dst + written;
        if (slack && distance <= written) {
            // Whole words where each reads only bytes already written: `step` back, a multiple of the
            // distance of at least 8, once the first (step − distance) bytes are in place. A match
            // one, two or four bytes back repeats a word made of them.
            const uint8_t* s = d - distance;
            uint32_t k = 0, step = distance;
            if (distance < 8) {
                if (distance == 1 || distance == 2 || distance == 4) {
                    uint64_t word;
                    if (distance == 1) {
                        word = s[0] * 0x0101010101010101u;
                    } else if (distance == 2) {
                        uint16_t half;
                        std::memcpy(&half, s, 2);
                        word = half * 0x0001000100010001u;
                    } else {
                        uint32_t quarter;
                        std::memcpy(&quarter, s, 4);
                        word = quarter * 0x0000000100000001u;
                    }
                    for (; k < count; k += 8) {
                        std::memcpy(d + k, &word, 8);
                    }
                    written += count;
                    return;
                }
                static constexpr uint8_t kStep[8] = {0, 8, 8, 9, 8, 10, 12, 14};
                step = kStep[distance];
                for (; k < count && k < step - distance; ++k) {
                    d[k] = s[k];
                }
            }
            for (; k < count; k += 8) {
                uint64_t word;
                std::memcpy(&word, d + k - step, 8);
                std::memcpy(d + k, &word, 8);
            }
        } else {
            for (uint32_t k = 0; k < count; ++k) {
                d[k] = distance <= written + k ? dst[written + k - distance] : 0;
            }
        }
        written += count;
    };
    for (;;) {
        if (length - pos >= kGroupIn && declared - written >= kGroupOut + 6) {
            // The whole group fits the input and the output: no test per token.
            uint32_t flags = in[pos++];
            for (int t = 0; t < 8; ++t, flags >>= 1) {
                if (flags & 1) {
                    dst[written++] = in[pos++];
                } else {
                    const uint32_t i = in[pos], j = in[pos + 1];
                    pos += 2;
                    const uint32_t from = i | ((j & 0xF0) << 4), count = (j & 0x0F) + 3;
                    const uint32_t distance = ((kRingStart + written - from - 1) & 0xFFF) + 1;
                    if (distance >= 8 && distance <= written) {
                        // The common case: three words, whatever the count (at most 18).
                        uint8_t* d = dst + written;
                        uint64_t w0, w1, w2;
                        std::memcpy(&w0, d - distance, 8);
                        std::memcpy(d, &w0, 8);
                        std::memcpy(&w1, d - distance + 8, 8);
                        std::memcpy(d + 8, &w1, 8);
                        std::memcpy(&w2, d - distance + 16, 8);
                        std::memcpy(d + 16, &w2, 8);
                        written += count;
                    } else {
                        copyMatch(from, count, true);
                    }
                }
            }
            continue;
        }
        // Near either end: each token is tested; the stream may end after any whole token.
        if (pos >= length) {
            break;
        }
        uint32_t flags = in[pos++];
        int t = 0;
        for (; t < 8; ++t, flags >>= 1) {
            if (flags & 1) {
                if (pos >= length) {
                    break;
                }
                if (written == declared) {
                    return DecodeResult::Malformed;
                }
                dst[written++] = in[pos++];
            } else {
                if (length - pos < 2) {
                    break;
                }
                const uint32_t i = in[pos], j = in[pos + 1];
                pos += 2;
                const uint32_t count = (j & 0x0F) + 3;
                if (declared - written < count) {
                    return DecodeResult::Malformed;
                }
                copyMatch(i | ((j & 0xF0) << 4), count, declared - written >= count + 7);
            }
        }
        if (t < 8) {
            break;
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
    static_assert(kMaxBlockSortLength <= (1u << 24), "an index and a byte share one table entry");
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
    // One random read per byte: each entry holds the next index (n <= 2^23 fits above the low byte)
    // and the byte found there.
    for (uint32_t j = 0; j < n; ++j) {
        next[j] = (next[j] << 8) | in[next[j]];
    }
    uint8_t* dst = out->bytes.get();
    uint32_t p = primary;
    for (uint32_t k = 0; k < n; ++k) {
        uint32_t e = next[p];
        dst[k] = static_cast<uint8_t>(e);
        p = e >> 8;
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
