// Archive files of any content through the loader (index, lookup, entry transforms), and the bytes
// through every entry decoder. Run with the corpus of tests/data/fuzz/archive/:
//   fuzz_archive -max_total_time=60 tests/data/fuzz/archive
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../tests/archive/archive_fuzz_harness.h"

namespace {

// The folder the inputs are written to, made on the first input and removed when the run ends.
std::string g_folder;

void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_folder.empty()) {
        char tmpl[] = "/tmp/fuzz_archive_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) {
            std::perror("fuzz_archive: no temporary folder");
            std::abort();
        }
        g_folder = tmpl;
        std::atexit(RemoveFolder);
    }
    kestrel::archive_fuzz::RunInput(data, size, g_folder);
    return 0;
}
