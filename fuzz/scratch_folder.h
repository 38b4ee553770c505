// The scratch folder of a fuzz run: "kestrel-fuzz-<tag>-XXXXXX" below the temporary folder ($TMPDIR,
// else /tmp), of this run alone, made on first use and removed when the run ends normally.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kestrel::fuzz {

inline std::string& ScratchFolderPath() {
    static std::string path;
    return path;
}

inline const std::string& ScratchFolder(const char* tag) {
    std::string& path = ScratchFolderPath();
    if (path.empty()) {
        std::string name =
            (std::filesystem::temp_directory_path() / (std::string("kestrel-fuzz-") + tag + "-XXXXXX"))
                .string();
        if (mkdtemp(name.data()) == nullptr) {
            std::perror("fuzz: no scratch folder");
            std::abort();
        }
        path = name;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolderPath(), ec);
        });
    }
    return path;
}

} // namespace kestrel::fuzz
