// Keyword, evidence and search list files through the reader. Byte 0 chooses the list: odd, a
// category list whose known ids are the bits of bytes 1 to 8 (bit k of byte j is id 8j + k - 8);
// even, a search list, which lists every line. The rest of the input is the file. The entries are
// at most 64, their ids ascending (known ones of 1..63, or 1, 2, 3 ... for a search list), and each
// text is terminated within its buffer and holds no line feed.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "investigation/keyword_list.h"

using kestrel::invest::kListLineBuffer;
using kestrel::invest::kListMaxEntries;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const bool category = (data[0] & 1) != 0;
    const size_t skip = category ? 9 : 1;
    if (size < skip)
        return 0;
    uint8_t known[64] = {};
    for (int id = 0; category && id < 64; ++id)
        known[id] = (data[1 + id / 8] >> (id % 8)) & 1;
    static uint8_t ids[kListMaxEntries];
    static char texts[kListMaxEntries][kListLineBuffer];
    const int count =
        kestrel::invest::ReadListEntries(data + skip, size - skip, category ? known : nullptr, ids, texts);
    if (count < 0 || count > kListMaxEntries)
        __builtin_trap();
    for (int i = 0; i < count; ++i) {
        const int id = ids[i];
        const bool idOk =
            category ? id >= 1 && id < 64 && known[id] != 0 && (i == 0 || id > ids[i - 1]) : id == i + 1;
        const size_t length = strnlen(texts[i], kListLineBuffer);
        if (!idOk || length == kListLineBuffer || std::memchr(texts[i], '\n', length) != nullptr)
            __builtin_trap();
    }
    return 0;
}
