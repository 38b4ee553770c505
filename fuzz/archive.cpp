// Archive files of any content through the loader (index, lookup, entry transforms), and the bytes
// through every entry decoder. Run with the corpus of tests/data/fuzz/archive/:
//   fuzz_archive -max_total_time=60 tests/data/fuzz/archive
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/archive/archive_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/fuzz_archive_XXXXXX";
        const char* made = mkdtemp(tmpl);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    kestrel::archive_fuzz::RunInput(data, size, folder);
    return 0;
}
