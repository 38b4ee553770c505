// The texts of the keyword and evidence list: a plain text file of the game folder whose line n is
// the entry with id n.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::invest {

// At most this many entries are listed.
inline constexpr int kListMaxEntries = 64;
// Each line is read into a buffer of this size: at most 127 bytes of text an entry.
inline constexpr size_t kListLineBuffer = 128;

// Reads the entries of a list file into `ids` (ascending) and `texts` (NUL-terminated) and returns
// their count. Lines are taken as a 128-byte line read takes them: up to 127 bytes or through the
// line feed, which is dropped; a longer line goes on as the next entry with the next id. With a
// `known` table (64 flags) only the ids 1..63 whose flag is non-zero are listed; without one every
// line is, up to 64 entries. Entries beyond the count are left as they are.
int ReadListEntries(const uint8_t* bytes, size_t size, const uint8_t* known, uint8_t (&ids)[kListMaxEntries],
                    char (&texts)[kListMaxEntries][kListLineBuffer]);

} // namespace kestrel::invest
