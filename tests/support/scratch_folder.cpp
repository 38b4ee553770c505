#include "support/scratch_folder.h"

#include <cerrno>
#include <system_error>

#include <stdlib.h>

namespace testing_support {

ScratchFolder::ScratchFolder(const std::string& tag) {
    std::string name = (std::filesystem::temp_directory_path() / ("kestrel-" + tag + "-XXXXXX")).string();
    if (mkdtemp(name.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "scratch folder " + name);
    path_ = name;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace testing_support
