#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Touch(const stdfs::path& p, const std::string& content) {
    stdfs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

std::string Slurp(const stdfs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = kestrel::fs::GameFolder();
        kestrel::fs::SetGameFolder(m_game.string());
    }
    void TearDown() override { kestrel::fs::SetGameFolder(m_saved); }
    std::string Real(const std::string& gamePath) {
        std::string real;
        return kestrel::fs::FindRealPath(gamePath, &real) ? real : std::string("(not found)");
    }
    testing_support::ScratchFolder m_folder{"fs"};
    const stdfs::path m_game = m_folder.path();

private:
    std::string m_saved;
};

TEST(GameFolder, IsTheStartUpDirectory) {
    EXPECT_EQ(kestrel::fs::GameFolder(), stdfs::current_path().string());
}

TEST_F(FileSystemTest, MapsBackslashesAndIgnoresAsciiCase) {
    Touch(m_game / "Save" / "Config.DAT", "x");
    EXPECT_EQ(Real("save\\config.dat"), (m_game / "Save" / "Config.DAT").string());
    EXPECT_EQ(Real("SAVE/CONFIG.dat"), (m_game / "Save" / "Config.DAT").string());
    EXPECT_EQ(Real(m_game.string() + "\\save\\\\config.dat"), (m_game / "Save" / "Config.DAT").string());
    EXPECT_EQ(Real("save\\missing.dat"), "(not found)");
    EXPECT_EQ(Real(""), "(not found)");
}

TEST_F(FileSystemTest, ExactCaseWinsOverOtherCases) {
    Touch(m_game / "a.txt", "lower");
    Touch(m_game / "A.TXT", "upper");
    Touch(m_game / "B.txt", "b1");
    Touch(m_game / "b.TXT", "b2");
    EXPECT_EQ(Real("A.TXT"), (m_game / "A.TXT").string());
    EXPECT_EQ(Real("a.txt"), (m_game / "a.txt").string());
    // No exact match: the choice among the others does not depend on directory order.
    EXPECT_EQ(Real("b.txt"), (m_game / "B.txt").string());
}

TEST_F(FileSystemTest, DoubleByteNamesFoundAsStoredOrConvertedToUtf8) {
    // "画像.bmp" stored on disk in UTF-8, asked for in CP932 and in GBK.
    Touch(m_game / "bmp" / "\xE7\x94\xBB\xE5\x83\x8F.bmp", "picture");
    std::string expect = (m_game / "bmp" / "\xE7\x94\xBB\xE5\x83\x8F.bmp").string();
    EXPECT_EQ(Real("bmp\\\x89\xE6\x91\x9C.bmp"), expect);
    EXPECT_EQ(Real("BMP\\\xBB\xAD\xCF\xF1.BMP"), expect);
    // A name stored with its CP932 bytes, whose second byte is '\': not a separator.
    Touch(m_game / "txt" / "\x95\x5C.txt", "table");
    EXPECT_EQ(Real("txt\\\x95\x5C.TXT"), (m_game / "txt" / "\x95\x5C.txt").string());
    std::vector<uint8_t> data;
    ASSERT_TRUE(kestrel::fs::ReadWholeFile("txt\\\x95\x5C.txt", &data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "table");
}

TEST_F(FileSystemTest, NormalizeGamePath) {
    std::string g = m_game.string();
    EXPECT_EQ(kestrel::fs::NormalizeGamePath("bmp\\x.bmp"), g + "/bmp/x.bmp");
    EXPECT_EQ(kestrel::fs::NormalizeGamePath("a\\\\b//c"), g + "/a/b/c");
    EXPECT_EQ(kestrel::fs::NormalizeGamePath("/abs\\x"), "/abs/x");
    EXPECT_EQ(kestrel::fs::NormalizeGamePath("\x95\\x"), g + "/\x95\\x");
}

TEST_F(FileSystemTest, FileAndFolderTests) {
    Touch(m_game / "Data" / "f.bin", "1");
    EXPECT_TRUE(kestrel::fs::IsFile("data\\F.BIN"));
    EXPECT_FALSE(kestrel::fs::IsFolder("data\\F.BIN"));
    EXPECT_TRUE(kestrel::fs::IsFolder("DATA"));
    EXPECT_FALSE(kestrel::fs::IsFile("DATA"));
    EXPECT_FALSE(kestrel::fs::IsFile("nothing"));
    EXPECT_FALSE(kestrel::fs::IsFolder("nothing"));
    EXPECT_EQ(kestrel::fs::InputFile::Open("data"), nullptr); // a folder is not a file to read
}

TEST_F(FileSystemTest, ReadWholeFileAndLimit) {
    Touch(m_game / "t.txt", "hello");
    std::vector<uint8_t> data{1, 2};
    ASSERT_TRUE(kestrel::fs::ReadWholeFile("T.TXT", &data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "hello");
    EXPECT_FALSE(kestrel::fs::ReadWholeFile("t.txt", &data, 4));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(kestrel::fs::ReadWholeFile("none.txt", &data));
    Touch(m_game / "empty", "");
    EXPECT_TRUE(kestrel::fs::ReadWholeFile("empty", &data));
    EXPECT_TRUE(data.empty());
}

bool FailConfigReads(const std::string& realPath) {
    return realPath.ends_with("/Config.dat");
}

TEST_F(FileSystemTest, ReadFileTellsMissingFromThereButUnreadable) {
    Touch(m_game / "save" / "Config.dat", "abc");
    Touch(m_game / "save" / "big.dat", std::string(64, 'x'));
    stdfs::create_directories(m_game / "save" / "folder.dat");
    struct Case {
        const char* path;
        size_t limit;
        bool fault;
        kestrel::fs::ReadStatus status;
        size_t size;
    } cases[] = {
        {"save\\Config.dat", kestrel::fs::kMaxWholeFileSize, false, kestrel::fs::ReadStatus::Ok, 3},
        {"save\\missing.dat", kestrel::fs::kMaxWholeFileSize, false, kestrel::fs::ReadStatus::Missing, 0},
        {"nofolder\\Config.dat", kestrel::fs::kMaxWholeFileSize, false, kestrel::fs::ReadStatus::Missing, 0},
        {"save\\folder.dat", kestrel::fs::kMaxWholeFileSize, false, kestrel::fs::ReadStatus::Failed, 0},
        {"save\\big.dat", 63, false, kestrel::fs::ReadStatus::Failed, 0},
        {"save\\Config.dat", kestrel::fs::kMaxWholeFileSize, true, kestrel::fs::ReadStatus::Failed, 0},
        {"save\\missing.dat", kestrel::fs::kMaxWholeFileSize, true, kestrel::fs::ReadStatus::Missing, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + (c.fault ? " with a read fault" : ""));
        kestrel::fs::SetReadFault(c.fault ? FailConfigReads : nullptr);
        Bytes out{1, 2};
        EXPECT_EQ(kestrel::fs::ReadFile(c.path, &out, c.limit), c.status);
        EXPECT_EQ(out.size(), c.size);
        EXPECT_EQ(kestrel::fs::ReadWholeFile(c.path, &out, c.limit), c.status == kestrel::fs::ReadStatus::Ok);
    }
    kestrel::fs::SetReadFault(nullptr);
}

// File times are set, not waited for: a temporary file goes once no write can own it any more.
TEST_F(FileSystemTest, LeftoverTemporaryFilesOfOurNamingAreRemovedOnceNoWriteCanOwnThem) {
    using std::chrono::seconds;
    const seconds limit(kestrel::fs::kLeftoverTempFileAgeSeconds);
    const seconds old = limit + seconds(60);
    struct Case {
        const char* name;
        seconds age;
        bool removed;
    } cases[] = {
        // Left by writes that were killed.
        {"Config.dat.tmpA1b2C3", old, true},
        {"savefile01.sav.tmpzzzzzz", seconds(86400), true},
        {"User_Sys.dat.tmp000000", old, true},
        // Another player's saves being written: now, a while ago, with a time ahead of the clock.
        {"savefile02.sav.tmpQ1w2E3", seconds(0), false},
        {"savefile03.sav.tmpR4t5Y6", limit - seconds(60), false},
        {"savefile04.sav.tmpU7i8O9", seconds(-3600), false},
        // Not of the writes' naming, however old.
        {"Config.dat", old, false},
        {"Config.dat.tmp", old, false},
        {"Config.dat.tmpABCDE", old, false},
        {"Config.dat.tmpABCDEFG", old, false},
        {"Config.dat.tmpABC-EF", old, false},
        {"notes.txt", old, false},
        {".tmpABCDEF", old, false},
        {"dir.tmpABCDEF", old, false}, // a folder
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        const stdfs::path p = m_game / "save" / c.name;
        if (std::string(c.name).starts_with("dir"))
            stdfs::create_directories(p);
        else
            Touch(p, "partial");
        stdfs::last_write_time(p, stdfs::file_time_type::clock::now() - c.age);
        if (!c.removed)
            expected.push_back(c.name);
    }
    EXPECT_EQ(kestrel::fs::RemoveLeftoverTempFiles("SAVE"), 3);
    std::vector<std::string> left;
    for (const auto& e : stdfs::directory_iterator(m_game / "save"))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(kestrel::fs::RemoveLeftoverTempFiles("missing"), 0);
    // Once as old, the ones kept go as well: a killed write's file goes at the next start after that.
    for (const auto& e : stdfs::directory_iterator(m_game / "save"))
        stdfs::last_write_time(e.path(), stdfs::file_time_type::clock::now() - old);
    EXPECT_EQ(kestrel::fs::RemoveLeftoverTempFiles("save"), 3);
}

TEST_F(FileSystemTest, WriteReplacesThroughTemporaryFile) {
    Touch(m_game / "Save" / "Config.dat", "old contents");
    const std::string fresh = "new";
    ASSERT_TRUE(kestrel::fs::WriteWholeFile("save\\config.dat", fresh.data(), fresh.size()));
    // The existing file (found without case) is the one replaced.
    EXPECT_EQ(Slurp(m_game / "Save" / "Config.dat"), "new");
    EXPECT_FALSE(stdfs::exists(m_game / "save"));
    size_t files = 0;
    for (auto& e : stdfs::directory_iterator(m_game / "Save")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
    // A new file takes its name as written.
    ASSERT_TRUE(kestrel::fs::WriteWholeFile("save\\User_Sys.dat", fresh.data(), fresh.size()));
    EXPECT_EQ(Slurp(m_game / "Save" / "User_Sys.dat"), "new");
}

TEST_F(FileSystemTest, FailedWriteKeepsOldFile) {
    // The target is a non-empty folder: the rename fails.
    Touch(m_game / "slot" / "inside", "x");
    const std::string bytes = "data";
    EXPECT_FALSE(kestrel::fs::WriteWholeFile("slot", bytes.data(), bytes.size()));
    EXPECT_TRUE(stdfs::is_directory(m_game / "slot"));
    size_t entries = 0;
    for (auto& e : stdfs::directory_iterator(m_game)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
    // A folder that does not exist.
    EXPECT_FALSE(kestrel::fs::WriteWholeFile("nofolder\\a.dat", bytes.data(), bytes.size()));
    // A read-only folder.
    Touch(m_game / "ro" / "a.dat", "old");
    stdfs::permissions(m_game / "ro", stdfs::perms::owner_read | stdfs::perms::owner_exec);
    bool wrote = kestrel::fs::WriteWholeFile("ro\\a.dat", bytes.data(), bytes.size());
    stdfs::permissions(m_game / "ro", stdfs::perms::owner_all);
    if (!wrote) { // root may write anyway
        EXPECT_EQ(Slurp(m_game / "ro" / "a.dat"), "old");
    }
}

TEST_F(FileSystemTest, CreateFoldersMakesMissingParents) {
    stdfs::create_directories(m_game / "Save");
    EXPECT_TRUE(kestrel::fs::CreateFolders("save\\a\\b"));
    EXPECT_TRUE(stdfs::is_directory(m_game / "Save" / "a" / "b"));
    EXPECT_TRUE(kestrel::fs::CreateFolders("save"));
    Touch(m_game / "file", "x");
    EXPECT_FALSE(kestrel::fs::CreateFolders("file\\sub"));
    EXPECT_FALSE(kestrel::fs::CreateFolders("file"));
}

TEST_F(FileSystemTest, InputFileReadsSeeksAndCloses) {
    Touch(m_game / "r.bin", "0123456789");
    auto f = kestrel::fs::InputFile::Open("R.BIN");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Size(), 10u);
    char buf[16];
    EXPECT_EQ(f->Read(buf, 4), 4u);
    EXPECT_EQ(f->Tell(), 4u);
    ASSERT_TRUE(f->Seek(8));
    EXPECT_EQ(f->Read(buf, 16), 2u);
    EXPECT_EQ(std::string(buf, 2), "89");
    ASSERT_TRUE(f->Seek(100));
    EXPECT_EQ(f->Read(buf, 1), 0u);
    EXPECT_TRUE(f->Close());
    EXPECT_EQ(f->Read(buf, 1), 0u);
    EXPECT_FALSE(f->Seek(0));
}

TEST_F(FileSystemTest, RelativeGameFolderIsMadeAbsolute) {
    kestrel::fs::SetGameFolder("some/where/");
    EXPECT_EQ(kestrel::fs::GameFolder(), (stdfs::current_path() / "some" / "where").string());
}

} // namespace
