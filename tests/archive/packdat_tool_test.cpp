// The archive tool end to end: pack a folder, list the archive, unpack it through the engine's loader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;

void Touch(const stdfs::path& p, const std::string& content) {
    stdfs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

std::string Slurp(const stdfs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunTool(const std::string& args, const stdfs::path& output) {
    std::string cmd = std::string(KESTREL_PACKDAT) + " " + args + " >" + output.string() + " 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

class PackdatTool : public ::testing::Test {
protected:
    testing_support::ScratchFolder m_folder{"packdat-tool"};
    const stdfs::path& m_dir = m_folder.path();
};

TEST_F(PackdatTool, PackListUnpackRoundTrip) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += "message " + std::to_string(i % 13) + " of the script\n";
    }
    std::mt19937 rng(3);
    std::string noise(5000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(rng());
    }
    stdfs::path src = m_dir / "src";
    Touch(src / "a.txt", text);
    Touch(src / "Sub" / "B.txt", text + "second");
    Touch(src / "noise.bin", noise);
    Touch(src / "empty", "");
    stdfs::path archive = m_dir / "pack" / "bmp.dat";
    stdfs::create_directories(archive.parent_path());
    ASSERT_EQ(RunTool("pack -f 10200 -e sub\\\\b.txt=103 " + src.string() + " " + archive.string(),
                      m_dir / "pack.log"),
              0)
        << Slurp(m_dir / "pack.log");
    ASSERT_EQ(RunTool("list " + archive.string(), m_dir / "list.log"), 0);
    std::string listing = Slurp(m_dir / "list.log");
    EXPECT_NE(listing.find("Sub\\B.txt"), std::string::npos) << listing;
    EXPECT_NE(listing.find("flags 010200"), std::string::npos) << listing;
    EXPECT_NE(listing.find("flags 000103"), std::string::npos) << listing;
    // Noise does not shrink: only its scrambling is kept.
    EXPECT_NE(listing.find("flags 010000"), std::string::npos) << listing;

    stdfs::path out = m_dir / "out";
    ASSERT_EQ(RunTool("unpack " + archive.string() + " " + out.string(), m_dir / "unpack.log"), 0)
        << Slurp(m_dir / "unpack.log");
    EXPECT_EQ(Slurp(out / "a.txt"), text);
    EXPECT_EQ(Slurp(out / "Sub" / "B.txt"), text + "second");
    EXPECT_EQ(Slurp(out / "noise.bin"), noise);
    EXPECT_TRUE(stdfs::exists(out / "empty"));
    EXPECT_EQ(Slurp(out / "empty"), "");
}

TEST_F(PackdatTool, UnpackReportsEntriesShadowedByLooseFiles) {
    stdfs::path src = m_dir / "se";
    Touch(src / "a.ogg", "sound bytes");
    stdfs::path archive = m_dir / "se.dat";
    ASSERT_EQ(RunTool("pack " + src.string() + " " + archive.string(), m_dir / "pack.log"), 0);
    // The folder the archive is named after still holds the loose file.
    EXPECT_EQ(RunTool("unpack " + archive.string() + " " + (m_dir / "out").string(), m_dir / "unpack.log"),
              1);
    EXPECT_NE(Slurp(m_dir / "unpack.log").find("shadowed"), std::string::npos);
}

TEST_F(PackdatTool, RejectsBadInput) {
    Touch(m_dir / "long" / std::string(40, 'n'), "x");
    EXPECT_EQ(
        RunTool("pack " + (m_dir / "long").string() + " " + (m_dir / "long.dat").string(), m_dir / "a.log"),
        1);
    Touch(m_dir / "junk.dat", std::string("PACKDAT.\0\0\0\0\xff\xff\x00\x00", 16)); // 65535 records
    EXPECT_EQ(RunTool("list " + (m_dir / "junk.dat").string(), m_dir / "b.log"), 1);
    EXPECT_EQ(RunTool("frobnicate", m_dir / "c.log"), 2);
    EXPECT_EQ(RunTool("pack -f zz a b", m_dir / "d.log"), 2);
}

} // namespace
