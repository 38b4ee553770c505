// Writer side of "PACKDAT." archives: an encoder for each entry transform (the inverse of the engine's
// decoders) and the archive layout. Test and data-preparation tooling; the game only reads archives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::packdat {

using Bytes = std::vector<uint8_t>;

// The transforms in encoding order (the reverse of the decoding order). The three coders prefix
// their output with the input length as a big-endian u32; the block sort appends its primary index.
Bytes BlockSort(const Bytes& in);         // inverse: 0x100
Bytes EncodeLzss(const Bytes& in);        // inverse: 0x200
Bytes EncodeRange(const Bytes& in);       // inverse: 0x2
Bytes EncodeRecencyList(const Bytes& in); // inverse: 0x1
void ScrambleWords(Bytes& data);          // inverse: 0x10000, in place

// Encodes one entry with the transforms of `flags` (bits outside the five are kept in the flags but
// do nothing). The engine reads the stored bytes into a block of the decoded size + 1, so when the
// coders would make the entry larger than that they are dropped (the scrambling, which keeps the
// length, stays). *usedFlags receives the flags to record.
Bytes EncodeEntry(const Bytes& data, uint32_t flags, uint32_t* usedFlags);

struct PackEntry {
    std::string name; // record name, at most 31 bytes, '\' between folders
    Bytes data;       // plain bytes
    uint32_t flags;   // requested transforms
};

struct PackedRecord {
    std::string name;
    uint32_t offset;
    uint32_t flags; // as recorded (after `EncodeEntry`)
    uint32_t size;
    uint32_t storedLength;
};

// Builds a whole archive. False (with a message in *error) for a name of 32 bytes or more or data
// that does not fit the format's 32-bit offsets. *records (when given) lists what was written.
bool BuildArchive(const std::vector<PackEntry>& entries, Bytes* archive, std::vector<PackedRecord>* records,
                  std::string* error);

// Reads an archive's index; false (with a message) when it is not a well-formed archive.
bool ReadIndex(const Bytes& archive, std::vector<PackedRecord>* records, std::string* error);

} // namespace kestrel::packdat
