// Scratch folders of the tests: each one of its own, unique per process and per use, below the
// temporary folder ($TMPDIR, else /tmp), and removed with everything in it when its object goes,
// whether the test passed or failed.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// An empty folder "kestrel-<tag>-XXXXXX" (mkdtemp's six characters). Throws std::system_error when it
// cannot be made.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// A scratch folder made the game folder for the object's lifetime. The resource folders and the
// archive base path are taken from it afresh (a previous test may have left them on its own folder);
// afterwards the previous game folder comes back and both are emptied again, to be derived from it
// when next used, as at the start of a process.
class ScratchGameFolder : public ScratchFolder {
public:
    explicit ScratchGameFolder(const std::string& tag = "game");
    ~ScratchGameFolder();

private:
    std::string previous_;
};

} // namespace testing_support
