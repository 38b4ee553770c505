// Archive files of any content through the loader (index, lookup, entry transforms), and the bytes
// through every entry decoder. Run with the corpus of tests/data/fuzz/archive/:
//   fuzz_archive -max_total_time=60 tests/data/fuzz/archive
#include <cstddef>
#include <cstdint>

#include "../tests/archive/archive_fuzz_harness.h"
#include "scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrel::archive_fuzz::RunInput(data, size, kestrel::fuzz::ScratchFolder("archive"));
    return 0;
}
