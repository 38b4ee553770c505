#include "archive/arc_transforms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archive/arc_file.h"
#include "packdat_lib.h"

namespace {

using kestrel::arc::ArcBuffer;
using kestrel::arc::DecodeResult;
using Bytes = std::vector<uint8_t>;

using Decoder = DecodeResult (*)(const uint8_t*, uint32_t, uint32_t, ArcBuffer*);

DecodeResult Decode(Decoder d, const Bytes& in, Bytes* out, uint32_t maxOutput = kArcMaxFileSize) {
    // The input in a block of its exact size, so that the sanitizers see any read past its end.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[in.size()]);
    std::copy(in.begin(), in.end(), exact.get());
    ArcBuffer buf;
    DecodeResult r = d(exact.get(), static_cast<uint32_t>(in.size()), maxOutput, &buf);
    out->clear();
    if (r == DecodeResult::Ok) {
        EXPECT_EQ(buf.bytes[buf.length], 0) << "output lacks its terminating 0";
        out->assign(buf.bytes.get(), buf.bytes.get() + buf.length);
    }
    return r;
}

Bytes Str(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        x = static_cast<uint8_t>(rng());
    }
    return b;
}

// Text-like and picture-like inputs exercise the coders' models beyond the literal paths.
Bytes Text(size_t n) {
    static const char* words[] = {"the ", "archive ", "holds ", "pictures ", "and ",    "scripts ",
                                  "of ",  "a ",       "story ", "\r\n",      "voices ", "music "};
    std::mt19937 rng(7);
    Bytes b;
    while (b.size() < n) {
        const char* w = words[rng() % 12];
        b.insert(b.end(), w, w + std::char_traits<char>::length(w));
    }
    b.resize(n);
    return b;
}

std::vector<Bytes> Inputs() {
    return {Bytes{},         Bytes{0x41},  Bytes{1, 2, 3}, Text(5000), RandomBytes(3000, 1),
            Bytes(70000, 0), Text(1 << 20)};
}

TEST(WordScrambling, KeyFollowsWordCountAndDecodedWords) {
    Bytes a(8, 0);
    kestrel::arc::UnscrambleWords(a.data(), 8);
    EXPECT_EQ(a, (Bytes{0x02, 0x08, 0x00, 0x00, 0x00, 0x08, 0x20, 0x00}));
    Bytes b(12, 0);
    kestrel::arc::UnscrambleWords(b.data(), 12);
    EXPECT_EQ(b, (Bytes{0x03, 0x18, 0x00, 0x00, 0x18, 0xC0, 0x00, 0x00, 0x18, 0xC0, 0x00, 0x00}));
}

TEST(WordScrambling, LeavesShortDataAndTailBytes) {
    Bytes three{1, 2, 3};
    kestrel::arc::UnscrambleWords(three.data(), 3);
    EXPECT_EQ(three, (Bytes{1, 2, 3}));
    Bytes seven{0, 0, 0, 0, 9, 8, 7};
    kestrel::arc::UnscrambleWords(seven.data(), 7);
    EXPECT_EQ(Bytes(seven.begin() + 4, seven.end()), (Bytes{9, 8, 7}));
    EXPECT_NE(Bytes(seven.begin(), seven.begin() + 4), Bytes(4, 0));
}

TEST(Lzss, DecodesLiteralsAndReferences) {
    Bytes out;
    ASSERT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 6, 0x07, 'a', 'b', 'c', 0xEE, 0xF0}, &out),
              DecodeResult::Ok);
    EXPECT_EQ(out, Str("abcabc"));
}

TEST(Lzss, CountNibbleGivesThreeToEighteenBytes) {
    Bytes out;
    // References into the zero-filled ring: nibble 15 copies 18 bytes, nibble 0 copies 3.
    ASSERT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 18, 0x00, 0x00, 0x0F}, &out), DecodeResult::Ok);
    EXPECT_EQ(out, Bytes(18, 0));
    ASSERT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 3, 0x00, 0x00, 0x00}, &out), DecodeResult::Ok);
    EXPECT_EQ(out, Bytes(3, 0));
}

TEST(Lzss, RingEndReadsAsZeros) {
    Bytes out;
    // Position 0xFF0 lies in the part of the ring that no byte has been written to yet.
    ASSERT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 4, 0x00, 0xF0, 0xF1}, &out), DecodeResult::Ok);
    EXPECT_EQ(out, Bytes(4, 0));
}

TEST(Lzss, RejectsStreamsThatMissTheirLength) {
    Bytes out;
    // Ends after 3 of 6 bytes.
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 6, 0x07, 'a', 'b', 'c'}, &out),
              DecodeResult::Malformed);
    // A reference that would write past the declared 4 bytes.
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 4, 0x07, 'a', 'b', 'c', 0xEE, 0xF0}, &out),
              DecodeResult::Malformed);
    // A literal past the declared length.
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0, 1, 0x03, 'a', 'b'}, &out), DecodeResult::Malformed);
    // No length prefix.
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 0}, &out), DecodeResult::Malformed);
    // A length no stream of this size could produce is refused before allocation.
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0x0F, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x0F}, &out),
              DecodeResult::Malformed);
}

TEST(Lzss, DeclaredLengthAboveLimitIsNoMemory) {
    Bytes out;
    EXPECT_EQ(Decode(kestrel::arc::DecodeLzss, {0, 0, 1, 0, 0x00, 0x00, 0x0F}, &out, 255),
              DecodeResult::NoMemory);
}

// Random streams of literals and references (overlapping, 4096 back, into the ring's unwritten
// zeros, across the ring's wrap), held to a plain model of the coder's ring of 4096 bytes.
TEST(Lzss, RandomStreamsDecodeAsTheRingModel) {
    std::mt19937 rng(4078);
    for (int round = 0; round < 300; ++round) {
        const uint32_t declared = rng() % (round < 100 ? 64 : 20000);
        Bytes in = {static_cast<uint8_t>(declared >> 24), static_cast<uint8_t>(declared >> 16),
                    static_cast<uint8_t>(declared >> 8), static_cast<uint8_t>(declared)};
        const uint32_t literalsIn10 = round % 3 == 0 ? 9 : 3; // some rounds mostly literals
        Bytes want;
        uint8_t ring[4096] = {};
        uint32_t ringPos = 4078;
        while (want.size() < declared) {
            const size_t flagAt = in.size();
            in.push_back(0);
            for (int bit = 0; bit < 8 && want.size() < declared; ++bit) {
                const uint32_t count = 3 + rng() % 16;
                if (rng() % 10 < literalsIn10 || declared - want.size() < count) {
                    in[flagAt] = static_cast<uint8_t>(in[flagAt] | (1u << bit));
                    const uint8_t c = static_cast<uint8_t>(rng() % 7);
                    in.push_back(c);
                    want.push_back(c);
                    ring[ringPos] = c;
                    ringPos = (ringPos + 1) & 0xFFF;
                    continue;
                }
                // Mostly near references, some anywhere in the ring.
                const uint32_t back = rng() % 4 == 0 ? rng() % 4097 : 1 + rng() % 24;
                const uint32_t from = (ringPos - back) & 0xFFF;
                in.push_back(static_cast<uint8_t>(from & 0xFF));
                in.push_back(static_cast<uint8_t>(((from >> 4) & 0xF0) | (count - 3)));
                for (uint32_t k = 0; k < count; ++k) {
                    const uint8_t b = ring[(from + k) & 0xFFF];
                    want.push_back(b);
                    ring[ringPos] = b;
                    ringPos = (ringPos + 1) & 0xFFF;
                }
            }
        }
        Bytes out;
        ASSERT_EQ(Decode(kestrel::arc::DecodeLzss, in, &out), DecodeResult::Ok) << "round " << round;
        ASSERT_EQ(out, want) << "round " << round;
    }
}

TEST(RecencyList, LiteralsAndRanks) {
    Bytes out;
    // The second 'a' is bit 1 followed by the gamma code of rank 1, a single 1 bit.
    ASSERT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 2, 0x30, 0xE0}, &out), DecodeResult::Ok);
    EXPECT_EQ(out, Str("aa"));
    ASSERT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 3, 0x30, 0x98, 0xA8}, &out),
              DecodeResult::Ok);
    EXPECT_EQ(out, Str("aba"));
}

TEST(RecencyList, ListHoldsFifteenValues) {
    // 16 distinct values, then the first again: it has dropped out and must come as a literal; the
    // second value (rank 15) still comes as a rank.
    Bytes in;
    for (uint8_t v = 0; v < 16; ++v) {
        in.push_back(v);
    }
    in.push_back(0);
    in.push_back(2);
    Bytes coded = kestrel::packdat::EncodeRecencyList(in);
    Bytes out;
    ASSERT_EQ(Decode(kestrel::arc::DecodeRecencyList, coded, &out), DecodeResult::Ok);
    EXPECT_EQ(out, in);
    // 4 + 16 literals of 9 bits + a literal of 9 bits + rank 15 (1 + 7 bits) = 161 bits = 21 bytes.
    EXPECT_EQ(coded.size(), 4u + 21u);
}

TEST(RecencyList, RejectsRankBeyondListAndShortInput) {
    Bytes out;
    // Rank 1 with an empty list.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 1, 0xC0}, &out), DecodeResult::Malformed);
    // Rank 2 with one value in the list: 0 01100001, 1 010.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 2, 0x30, 0xD0}, &out),
              DecodeResult::Malformed);
    // A gamma code longer than any rank: 1 then 0000 1.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 2, 0x30, 0x84}, &out),
              DecodeResult::Malformed);
    // Declares 3 values, holds 1.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRecencyList, {0, 0, 0, 3, 0x30, 0x80}, &out),
              DecodeResult::Malformed);
}

// Random bit streams, mostly valid codes and some broken ones (ranks beyond the list, runs of zeros
// too long, streams that end early), held to a bit-by-bit model of the code: the same values, the
// same failures.
TEST(RecencyList, RandomStreamsDecodeAsTheBitModel) {
    std::mt19937 rng(15);
    for (int round = 0; round < 400; ++round) {
        std::vector<int> bits;
        std::vector<uint8_t> list;
        const int codes = static_cast<int>(rng() % 300);
        for (int c = 0; c < codes; ++c) {
            const bool broken = rng() % 100 == 0;
            if (!list.empty() && rng() % 3 != 0) {
                // A broken rank lies just beyond the list (or beyond any list).
                const uint32_t rank = broken ? static_cast<uint32_t>(list.size()) + 1 + rng() % 3
                                             : 1 + rng() % static_cast<uint32_t>(list.size());
                uint32_t zeros = 0;
                while ((rank >> (zeros + 1)) != 0) {
                    ++zeros;
                }
                bits.push_back(1);
                bits.insert(bits.end(), zeros, 0);
                for (int b = static_cast<int>(zeros); b >= 0; --b) {
                    bits.push_back((rank >> b) & 1);
                }
                if (!broken) {
                    const uint8_t v = list[list.size() - rank];
                    list.erase(list.end() - rank);
                    list.push_back(v);
                }
            } else {
                const uint8_t v = static_cast<uint8_t>(rng());
                bits.push_back(0);
                for (int b = 7; b >= 0; --b) {
                    bits.push_back((v >> b) & 1);
                }
                std::erase(list, v);
                list.push_back(v);
                if (list.size() > 15) {
                    list.erase(list.begin());
                }
            }
        }
        if (rng() % 4 == 0 && !bits.empty()) {
            bits.resize(rng() % bits.size()); // ends early
        }
        Bytes in(4 + (bits.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits.size(); ++i) {
            in[4 + i / 8] = static_cast<uint8_t>(in[4 + i / 8] | (bits[i] << (7 - i % 8)));
        }
        const uint32_t declared = std::min<uint32_t>(static_cast<uint32_t>(codes) + rng() % 3,
                                                     static_cast<uint32_t>(in.size() - 4) * 4);
        in[0] = static_cast<uint8_t>(declared >> 24);
        in[1] = static_cast<uint8_t>(declared >> 16);
        in[2] = static_cast<uint8_t>(declared >> 8);
        in[3] = static_cast<uint8_t>(declared);

        // The model: one bit at a time.
        size_t at = 0;
        auto bit = [&](int* b) {
            if (at >= (in.size() - 4) * 8) {
                return false;
            }
            *b = (in[4 + at / 8] >> (7 - at % 8)) & 1;
            ++at;
            return true;
        };
        Bytes want;
        std::vector<uint8_t> recent;
        bool ok = true;
        for (uint32_t k = 0; k < declared && ok; ++k) {
            int flag = 0, b = 0;
            uint32_t value = 0;
            if (!(ok = bit(&flag))) {
                break;
            }
            if (flag) {
                uint32_t zeros = 0;
                while ((ok = bit(&b)) && b == 0 && ++zeros <= 3) {
                }
                ok = ok && b == 1;
                uint32_t rank = 1;
                for (uint32_t z = 0; ok && z < zeros; ++z) {
                    ok = bit(&b);
                    rank = rank << 1 | static_cast<uint32_t>(b);
                }
                ok = ok && rank <= recent.size();
                if (ok) {
                    value = recent[recent.size() - rank];
                }
            } else {
                for (int i = 0; ok && i < 8; ++i) {
                    ok = bit(&b);
                    value = value << 1 | static_cast<uint32_t>(b);
                }
            }
            if (ok) {
                want.push_back(static_cast<uint8_t>(value));
                std::erase(recent, static_cast<uint8_t>(value));
                recent.push_back(static_cast<uint8_t>(value));
                if (recent.size() > 15) {
                    recent.erase(recent.begin());
                }
            }
        }
        Bytes out;
        const DecodeResult r = Decode(kestrel::arc::DecodeRecencyList, in, &out);
        ASSERT_EQ(r, ok ? DecodeResult::Ok : DecodeResult::Malformed) << "round " << round;
        if (ok) {
            ASSERT_EQ(out, want) << "round " << round;
        }
    }
}

TEST(RangeCode, EndSymbolAndOneByte) {
    Bytes out;
    ASSERT_EQ(Decode(kestrel::arc::DecodeRange, {0, 0, 0, 0, 0xFF, 0x00, 0xFF, 0x00}, &out),
              DecodeResult::Ok);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(Decode(kestrel::arc::DecodeRange, {0, 0, 0, 1, 0x41, 0xBD, 0x43, 0xC5}, &out),
              DecodeResult::Ok);
    EXPECT_EQ(out, Str("A"));
}

TEST(RangeCode, RescalesModelOnLongSkewedInput) {
    // 200,000 bytes of one value drive the total past 0x10000 many times.
    Bytes in(200000, 0x7F);
    in[1000] = 3;
    Bytes coded = kestrel::packdat::EncodeRange(in);
    EXPECT_LT(coded.size(), in.size() / 20);
    Bytes out;
    ASSERT_EQ(Decode(kestrel::arc::DecodeRange, coded, &out), DecodeResult::Ok);
    EXPECT_EQ(out, in);
}

TEST(RangeCode, RejectsWrongLengthsAndExhaustedInput) {
    Bytes out;
    // The end symbol comes before the declared byte.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRange, {0, 0, 0, 1, 0xFF, 0x00, 0xFF, 0x00}, &out),
              DecodeResult::Malformed);
    // One byte coded, none declared.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRange, {0, 0, 0, 0, 0x41, 0xBD, 0x43, 0xC5}, &out),
              DecodeResult::Malformed);
    // Too short for the code word.
    EXPECT_EQ(Decode(kestrel::arc::DecodeRange, {0, 0, 0, 0, 0xFF}, &out), DecodeResult::Malformed);
    // A long text cut in half runs out of input before its end symbol.
    Bytes coded = kestrel::packdat::EncodeRange(Text(20000));
    coded.resize(coded.size() / 2);
    EXPECT_EQ(Decode(kestrel::arc::DecodeRange, coded, &out), DecodeResult::Malformed);
}

TEST(InverseBlockSort, RestoresText) {
    Bytes out;
    ASSERT_EQ(Decode(kestrel::arc::InverseBlockSort, {'n', 'n', 'b', 'a', 'a', 'a', 0, 0, 0, 3}, &out),
              DecodeResult::Ok);
    EXPECT_EQ(out, Str("banana"));
    ASSERT_EQ(Decode(kestrel::arc::InverseBlockSort,
                     {'r', 'd', 'a', 'r', 'c', 'a', 'a', 'a', 'a', 'b', 'b', 0, 0, 0, 2}, &out),
              DecodeResult::Ok);
    EXPECT_EQ(out, Str("abracadabra"));
}

TEST(InverseBlockSort, RejectsBadPrimaryAndShortInput) {
    Bytes out;
    EXPECT_EQ(Decode(kestrel::arc::InverseBlockSort, {'n', 'n', 'b', 'a', 'a', 'a', 0, 0, 0, 6}, &out),
              DecodeResult::Malformed);
    EXPECT_EQ(Decode(kestrel::arc::InverseBlockSort, {'n', 'n', 'b', 'a', 'a', 'a', 0xFF, 0, 0, 0}, &out),
              DecodeResult::Malformed);
    EXPECT_EQ(Decode(kestrel::arc::InverseBlockSort, {0, 0, 3}, &out), DecodeResult::Malformed);
    EXPECT_EQ(Decode(kestrel::arc::InverseBlockSort, {0, 0, 0, 1}, &out), DecodeResult::Malformed);
    ASSERT_EQ(Decode(kestrel::arc::InverseBlockSort, {0, 0, 0, 0}, &out), DecodeResult::Ok);
    EXPECT_TRUE(out.empty());
}

TEST(InverseBlockSort, RefusesMoreThanItsTables) {
    Bytes big(kestrel::arc::kMaxBlockSortLength + 5, 0);
    Bytes out;
    EXPECT_EQ(Decode(kestrel::arc::InverseBlockSort, big, &out), DecodeResult::Malformed);
}

// Each coder's encoder in the tool and its decoder here are inverses on every kind of input.
TEST(EntryTransforms, EachCoderRoundTrips) {
    struct Coder {
        const char* name;
        kestrel::packdat::Bytes (*encode)(const kestrel::packdat::Bytes&);
        Decoder decode;
    };
    const Coder coders[] = {
        {"recency", kestrel::packdat::EncodeRecencyList, kestrel::arc::DecodeRecencyList},
        {"range", kestrel::packdat::EncodeRange, kestrel::arc::DecodeRange},
        {"lzss", kestrel::packdat::EncodeLzss, kestrel::arc::DecodeLzss},
        {"blocksort", kestrel::packdat::BlockSort, kestrel::arc::InverseBlockSort},
    };
    for (const Coder& c : coders) {
        for (const Bytes& in : Inputs()) {
            Bytes out;
            ASSERT_EQ(Decode(c.decode, c.encode(in), &out), DecodeResult::Ok)
                << c.name << " size " << in.size();
            EXPECT_TRUE(out == in) << c.name << " size " << in.size();
        }
    }
}

TEST(EntryTransforms, CodersCompressTheirKindOfInput) {
    Bytes text = Text(100000);
    EXPECT_LT(kestrel::packdat::EncodeLzss(text).size(), text.size() / 2);
    EXPECT_LT(kestrel::packdat::EncodeRange(text).size(), text.size() * 3 / 4);
    EXPECT_LT(kestrel::packdat::EncodeRecencyList(text).size(), text.size());
}

TEST(EntryTransforms, AllCombinationsUndoInFixedOrder) {
    const uint32_t bits[5] = {kArcWordScramble, kArcRecencyCode, kArcRangeCode, kArcLzss, kArcBlockSort};
    for (uint32_t combo = 0; combo < 32; ++combo) {
        uint32_t flags = 0;
        for (int i = 0; i < 5; ++i) {
            if (combo & (1u << i)) {
                flags |= bits[i];
            }
        }
        for (const Bytes& in : {Bytes{}, Bytes{9}, Text(3000)}) {
            // Encode in the reverse order of decoding, without the size fallback of the archive tool.
            Bytes s = in;
            if (flags & kArcBlockSort) {
                s = kestrel::packdat::BlockSort(s);
            }
            if (flags & kArcLzss) {
                s = kestrel::packdat::EncodeLzss(s);
            }
            if (flags & kArcRangeCode) {
                s = kestrel::packdat::EncodeRange(s);
            }
            if (flags & kArcRecencyCode) {
                s = kestrel::packdat::EncodeRecencyList(s);
            }
            if (flags & kArcWordScramble) {
                kestrel::packdat::ScrambleWords(s);
            }
            ArcBuffer buf;
            ASSERT_TRUE(buf.Allocate(static_cast<uint32_t>(s.size())));
            std::copy(s.begin(), s.end(), buf.bytes.get());
            ASSERT_EQ(kestrel::arc::ApplyArcTransforms(flags, &buf, kArcMaxFileSize), DecodeResult::Ok)
                << std::hex << flags;
            EXPECT_TRUE(Bytes(buf.bytes.get(), buf.bytes.get() + buf.length) == in) << std::hex << flags;
        }
    }
}

TEST(EntryTransforms, FlagsAboveBit23DoNothing) {
    Bytes in = Str("plain bytes");
    ArcBuffer buf;
    ASSERT_TRUE(buf.Allocate(static_cast<uint32_t>(in.size())));
    std::copy(in.begin(), in.end(), buf.bytes.get());
    ASSERT_EQ(kestrel::arc::ApplyArcTransforms(0x1000000, &buf, kArcMaxFileSize), DecodeResult::Ok);
    EXPECT_EQ(Bytes(buf.bytes.get(), buf.bytes.get() + buf.length), in);
}

} // namespace
