// Malformed archives kept as files, and the fuzz corpus replayed through the fuzz target's checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/arc_file.h"
#include "archive/paths.h"
#include "archive_fuzz_harness.h"
#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;

class ArchiveFixtures : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = kestrel::fs::GameFolder();
        stdfs::create_directories(m_dir / "data");
    }
    void TearDown() override {
        kestrel::fs::SetGameFolder(m_saved);
        g_ArcBasePath.clear();
    }
    static std::vector<uint8_t> Read(const stdfs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    testing_support::ScratchFolder m_folder{"archive-fixtures"};
    const stdfs::path& m_dir = m_folder.path();

private:
    std::string m_saved;
};

// Each file is named <what>_<result>.dat and holds the record "x".
TEST_F(ArchiveFixtures, MalformedArchivesGiveTheirResult) {
    int seen = 0;
    for (const auto& e : stdfs::directory_iterator(stdfs::path(KESTREL_TEST_DATA) / "archive")) {
        if (e.path().extension() != ".dat") {
            continue;
        }
        std::string stem = e.path().stem().string();
        int expected = std::stoi(stem.substr(stem.rfind('_') + 1));
        stdfs::copy_file(e.path(), m_dir / "data.dat", stdfs::copy_options::overwrite_existing);
        kestrel::fs::SetGameFolder((m_dir / "data").string());
        ResetBasePath();
        CArcFile f;
        EXPECT_EQ(f.Open("x"), expected) << stem;
        EXPECT_EQ(f.GetData(), nullptr) << stem;
        EXPECT_EQ(f.GetSize(), 0u) << stem;
        ++seen;
    }
    EXPECT_GE(seen, 10);
}

TEST_F(ArchiveFixtures, FuzzCorpusRunsClean) {
    int seen = 0;
    for (const char* folder : {"fuzz/archive", "archive"}) {
        for (const auto& e : stdfs::directory_iterator(stdfs::path(KESTREL_TEST_DATA) / folder)) {
            std::vector<uint8_t> bytes = Read(e.path());
            kestrel::archive_fuzz::RunInput(bytes.data(), bytes.size(), m_dir.string());
            ++seen;
        }
    }
    EXPECT_GE(seen, 20);
}

TEST_F(ArchiveFixtures, CorpusArchivesLoadTheirEntries) {
    // The packed seeds are well-formed: every record loads.
    int loaded = 0;
    for (const auto& e : stdfs::directory_iterator(stdfs::path(KESTREL_TEST_DATA) / "fuzz" / "archive")) {
        if (e.path().extension() != ".dat") {
            continue;
        }
        stdfs::copy_file(e.path(), m_dir / "data.dat", stdfs::copy_options::overwrite_existing);
        kestrel::fs::SetGameFolder((m_dir / "data").string());
        ResetBasePath();
        for (const char* name : {"a.txt", "b.bin", "c", "sub\\d.txt"}) {
            CArcFile f;
            EXPECT_EQ(f.Open(name), kArcOk) << e.path().filename() << " " << name;
            loaded += f.GetSize() > 0;
        }
    }
    EXPECT_GE(loaded, 40);
}

} // namespace
