// The decoders of archive entries: word scrambling, recency-list code, range code, LZSS and the inverse
// block sort. Each works on a whole buffer in one call with a model of its own, reset at every call,
// so calls on different threads do not interfere.
//
// The recency-list, range and LZSS streams begin with their output length as a big-endian u32; the
// block-sort input ends with its primary index as a big-endian u32. A stream that would produce more
// or fewer bytes than it declares, or that refers outside its model, is malformed: its output is
// never partly undefined.
#pragma once

#include <cstdint>
#include <memory>

namespace kestrel::arc {

enum class DecodeResult {
    Ok,
    Malformed, // the stream breaks its format (the archive's read error)
    NoMemory,  // the output cannot be allocated or exceeds the caller's limit
};

// A transform's output: `length` bytes followed by one 0 byte.
struct ArcBuffer {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t length = 0;

    // Allocates length + 1 bytes with the last one 0; false when the allocation fails.
    bool Allocate(uint32_t n);
};

// Largest block-sort input the decoder takes, in bytes of output.
constexpr uint32_t kMaxBlockSortLength = 8u << 20;

// Word scrambling, undone in place: whole little-endian 32-bit words are XORed with a key made from
// the word count, which turns after each word by the word's decoded value. The last length mod 4
// bytes are left; nothing changes below 4 bytes.
void UnscrambleWords(uint8_t* data, uint32_t length);

// The decoders proper. `maxOutput` limits the declared output length (larger gives NoMemory).
DecodeResult DecodeRecencyList(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out);
DecodeResult DecodeRange(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out);
DecodeResult DecodeLzss(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out);
DecodeResult InverseBlockSort(const uint8_t* in, uint32_t length, uint32_t maxOutput, ArcBuffer* out);

// Undoes the transforms named by the low 24 bits of `flags` (see `ArcFlags`) in their fixed order,
// each output replacing `buffer` (whose bytes the first step may change in place). On failure
// `buffer` holds the last good stage.
DecodeResult ApplyArcTransforms(uint32_t flags, ArcBuffer* buffer, uint32_t maxOutput);

} // namespace kestrel::arc
