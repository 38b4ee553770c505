#include "archive/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;

// Keeps the process-wide path state of one test from the next.
class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedGame = kestrel::fs::GameFolder();
        m_savedBase = g_ArcBasePath;
        for (auto& d : g_ResourceDirs) {
            d.clear();
        }
        g_ArcBasePath.clear();
    }
    void TearDown() override {
        kestrel::fs::SetGameFolder(m_savedGame);
        g_ArcBasePath = m_savedBase;
        for (auto& d : g_ResourceDirs) {
            d.clear();
        }
    }

private:
    std::string m_savedGame;
    std::string m_savedBase;
};

TEST_F(PathsTest, CanonicalPathLowerCasesAndKeepsSeparators) {
    SetBasePath("D:\\game\\");
    EXPECT_EQ(CanonicalPath("./BMP/X.BMP"), "d:\\game\\bmp/x.bmp");
    EXPECT_EQ(CanonicalPath(".\\.\\a.S"), "d:\\game\\a.s");
    EXPECT_EQ(CanonicalPath("\\bmp\\x.bmp"), "\\bmp\\x.bmp"); // a network path stays as it is
    EXPECT_EQ(CanonicalPath("E:\\Other\\Y.bmp"), "e:\\other\\y.bmp");
}

TEST_F(PathsTest, CanonicalPathClimbsTheBase) {
    SetBasePath("D:\\game\\script\\");
    EXPECT_EQ(CanonicalPath("..\\a.s"), "d:\\game\\a.s");
    EXPECT_EQ(CanonicalPath("../../a.s"), "d:\\a.s");
    // More steps up than the base has folders stop at its root.
    EXPECT_EQ(CanonicalPath("..\\..\\..\\..\\a.s"), "d:\\a.s");
    SetBasePath("/srv/game/");
    EXPECT_EQ(CanonicalPath("../../../x"), "/x");
}

TEST_F(PathsTest, LinuxAbsolutePathsStayAndRelativeOnesJoinTheGameFolder) {
    kestrel::fs::SetGameFolder("/srv/Game");
    EXPECT_EQ(GetBasePath(), "/srv/Game/");
    EXPECT_EQ(kestrel::paths::AbsolutePath("bmp\\X.bmp"), "/srv/Game/bmp\\X.bmp");
    EXPECT_EQ(CanonicalPath("bmp\\X.bmp"), "/srv/game/bmp\\x.bmp");
    EXPECT_EQ(kestrel::paths::AbsolutePath("/opt/a.bmp"), "/opt/a.bmp");
}

TEST_F(PathsTest, SetBasePathRules) {
    SetBasePath("/srv/game");
    EXPECT_EQ(g_ArcBasePath, "/srv/game/");
    SetBasePath("/srv/game\\");
    EXPECT_EQ(g_ArcBasePath, "/srv/game\\");
    // A quoted path names a file when its last component holds a dot.
    SetBasePath("\"/srv/game/kestrel.exe");
    EXPECT_EQ(g_ArcBasePath, "/srv/game/");
    // A dot in a folder name further up does not count, and the result still ends with a separator.
    SetBasePath("\"/srv/my.games/game");
    EXPECT_EQ(g_ArcBasePath, "/srv/my.games/game/");
    kestrel::fs::SetGameFolder("/srv/other");
    SetBasePath("");
    EXPECT_EQ(GetBasePath(), "/srv/other/");
    SetBasePath("/x/");
    ResetBasePath();
    EXPECT_EQ(g_ArcBasePath, "/srv/other/");
}

TEST_F(PathsTest, ResourceDirsFollowTheGameFolder) {
    testing_support::ScratchFolder game("paths-game");
    kestrel::fs::SetGameFolder(game.string());
    EXPECT_EQ(GetResourceDir(kResourceSe), game.string() + "/se/");
    EXPECT_EQ(GetResourceDir(kResourceScript), game.string() + "/script/");
    EXPECT_EQ(GetResourceDir(3), "");   // not a single kind bit
    EXPECT_EQ(GetResourceDir(128), ""); // no kind
    // Filled once: a later change of the game folder does not move them.
    testing_support::ScratchFolder other("paths-other");
    kestrel::fs::SetGameFolder(other.string());
    EXPECT_EQ(GetResourceDir(kResourceSe), game.string() + "/se/");
    ResolveResourceDirs();
    EXPECT_EQ(GetResourceDir(kResourceSystem), other.string() + "/system/");
}

TEST_F(PathsTest, FillResourceDirDropsAFileName) {
    testing_support::ScratchFolder game("paths-fill");
    FillResourceDir(kResourceBgm, "\"" + game.string() + "/kestrel.exe");
    EXPECT_EQ(g_ResourceDirs[4], game.string() + "/bgm/");
    FillResourceDir(kResourceVoice, game.string() + "/");
    EXPECT_EQ(g_ResourceDirs[3], game.string() + "/voice/");
}

TEST(PathParts, FileExtensionAndStrip) {
    EXPECT_EQ(GetFilePart("bmp\\ev01a.bmp"), "ev01a.bmp");
    EXPECT_EQ(GetFilePart("a/b\\c"), "c");
    EXPECT_EQ(GetFilePart("plain"), "plain");
    EXPECT_EQ(GetExtPart("bmp\\ev01a.bmp"), "ev01a");
    EXPECT_EQ(GetExtension("bmp\\ev01a.bmp"), "bmp");
    EXPECT_EQ(GetExtension("a"), "");
    EXPECT_EQ(GetExtension("dir.d\\file"), "");
    EXPECT_EQ(GetExtPart("dir.d\\file"), "file");
    EXPECT_EQ(GetExtPart("a.tar.gz"), "a.tar");
    std::string p = "d:\\game\\bmp\\x.bmp";
    StripLastPathPart(p);
    EXPECT_EQ(p, "d:\\game\\bmp\\");
    StripLastPathPart(p);
    EXPECT_EQ(p, "d:\\game\\bmp\\");
    std::string none = "x.bmp";
    StripLastPathPart(none);
    EXPECT_EQ(none, "x.bmp");
}

TEST(PathParts, DoubleByteCharactersAreUnits) {
    // 0x95 0x5C is one character whose second byte is '\'.
    const std::string name = "bmp\\\x95\x5C"
                             "x.bmp";
    EXPECT_EQ(GetFilePart(name), "\x95\x5C"
                                 "x.bmp");
    std::string folder = name;
    StripLastPathPart(folder);
    EXPECT_EQ(folder, "bmp\\");
    // A dot and letters after a lead byte are second bytes too.
    EXPECT_EQ(GetExtension("a\x81.b"), "");
    std::string s = "\x82"
                    "AB";
    StrToLowerSJIS(s);
    EXPECT_EQ(s, "\x82"
                 "Ab");
    // A lead byte at the very end stops the scan.
    std::string tail = "AB\x82";
    StrToLowerSJIS(tail);
    EXPECT_EQ(tail, "ab\x82");
    EXPECT_EQ(GetFilePart("a\\\x82"), "\x82");
}

TEST(PathParts, ArchiveKeyFoldsCaseAndSeparators) {
    EXPECT_EQ(kestrel::paths::ArchiveKey("BMP/X.Bmp"), "bmp\\x.bmp");
    EXPECT_EQ(kestrel::paths::ArchiveKey("\x95/A"), "\x95/a");
}

} // namespace
