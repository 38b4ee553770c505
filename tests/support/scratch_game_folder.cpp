// Apart from scratch_folder.cpp, so that tests without the archive layer can use a plain scratch
// folder.
#include "archive/paths.h"
#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace testing_support {

ScratchGameFolder::ScratchGameFolder(const std::string& tag)
    : ScratchFolder(tag), previous_(kestrel::fs::GameFolder()) {
    kestrel::fs::SetGameFolder(string());
    ResolveResourceDirs();
    ResetBasePath();
}

ScratchGameFolder::~ScratchGameFolder() {
    kestrel::fs::SetGameFolder(previous_);
    for (std::string& dir : g_ResourceDirs)
        dir.clear();
    SetBasePath("");
}

} // namespace testing_support
