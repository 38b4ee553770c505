// Inputs for the readers of fixed-size files: a short input laid over a whole file at an offset of
// its choosing, so that the fuzzer reaches every field without making inputs of the file's size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel::fuzz {

// Makes `file` (its size fixed by the caller, the buffer kept from input to input so that no input
// pays for fresh pages) all byte 0 of the input, then copies the input from byte 4 on into it from
// the offset that bytes 1 to 3 give (little-endian, modulo the size), cut at the file's end. False,
// `file` untouched, for an input of fewer than 4 bytes.
inline bool LayOver(const uint8_t* data, size_t size, std::vector<uint8_t>* file) {
    if (size < 4 || file->empty())
        return false;
    std::fill(file->begin(), file->end(), data[0]);
    const size_t at = (data[1] | (data[2] << 8) | (static_cast<size_t>(data[3]) << 16)) % file->size();
    std::copy_n(data + 4, std::min(size - 4, file->size() - at), file->begin() + static_cast<ptrdiff_t>(at));
    return true;
}

} // namespace kestrel::fuzz
