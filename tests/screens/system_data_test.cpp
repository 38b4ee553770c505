#include "screens/system_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "app/game_main.h"
#include "platform/file_system.h"
#include "script/script_mng.h"
#include "support/headless_game.h"

namespace {

using testing_support::HeadlessGame;

std::vector<uint8_t> DefaultImage() {
    std::vector<uint8_t> b(kSystemDataSize, 0);
    b[0x01] = 50;
    b[0x04] = 50;
    b[0x05] = 50;
    for (int i = 0x08; i <= 0x19; ++i)
        b[i] = 50;
    b[0x22] = 50;
    b[0x24] = 1;
    b[0x25] = 1;
    b[0x26] = 30;
    std::memcpy(&b[0xF204], kDefaultFamilyName, std::strlen(kDefaultFamilyName));
    std::memcpy(&b[0xF20F], kDefaultGivenName, std::strlen(kDefaultGivenName));
    return b;
}

// A folder with "save" in it, as the game has it when the system data is read.
struct SystemDataFolder : ::testing::Test {
    HeadlessGame game;
    void SetUp() override { game.WriteFile("save/.keep", {}); }
    void Load(const std::vector<uint8_t>& file) {
        game.WriteFile("save/Config.dat", file);
        ASSERT_TRUE(LoadSystemData());
    }
};

TEST_F(SystemDataFolder, MissingFileGivesDefaultsAndSavesThemByteForByte) {
    std::memset(&g_SystemData, 0xAB, sizeof g_SystemData);
    EXPECT_FALSE(LoadSystemData());
    ASSERT_TRUE(SaveSystemData());
    EXPECT_EQ(game.ReadFile("save/Config.dat"), DefaultImage());
}

TEST_F(SystemDataFolder, ValidFileRoundTripsUnchanged) {
    std::mt19937 rng(7);
    std::vector<uint8_t> file(kSystemDataSize);
    for (auto& b : file)
        b = static_cast<uint8_t>(rng());
    // Values a valid file can hold: percentages within 0..100, names terminated.
    for (int off : {0x01, 0x04, 0x05, 0x22, 0x26})
        file[off] %= 101;
    for (int i = 0x08; i < 0x1A; ++i)
        file[i] %= 101;
    file[0xF204 + 10] = 0;
    file[0xF20F + 10] = 0;
    Load(file);
    ASSERT_TRUE(SaveSystemData());
    EXPECT_EQ(game.ReadFile("save/Config.dat"), file);
}

// An empty file is what a crash or a full disk often leaves.
TEST_F(SystemDataFolder, ShortFileKeepsDefaultsBeyondItsEnd) {
    for (size_t size : {0, 1, 100}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> file(size, 7);
        Load(file);
        ASSERT_TRUE(SaveSystemData());
        auto expected = DefaultImage();
        std::copy(file.begin(), file.end(), expected.begin());
        EXPECT_EQ(game.ReadFile("save/Config.dat"), expected);
    }
}

TEST_F(SystemDataFolder, OversizedFileGivesItsFirstBlock) {
    std::vector<uint8_t> file = DefaultImage();
    file[0x21] = 1;
    file.resize(kSystemDataSize + 5000, 0x55);
    Load(file);
    EXPECT_EQ(g_SystemData.keyboardMode, 1);
    EXPECT_EQ(g_SystemData.reservedF21A[279], 0);
    ASSERT_TRUE(SaveSystemData());
    EXPECT_EQ(game.ReadFile("save/Config.dat").size(), kSystemDataSize);
}

TEST_F(SystemDataFolder, OutOfRangePercentagesAndUnterminatedNamesAreMended) {
    std::vector<uint8_t> file = DefaultImage();
    file[0x01] = 0xF0; // -16 as the signed text speed
    file[0x04] = 200;
    file[0x13] = 255;
    file[0x22] = 101;
    file[0x26] = 250;
    std::memset(&file[0xF204], 0xB0, 22); // both names without a terminator
    Load(file);
    EXPECT_EQ(g_SystemData.messageSpeed, 0);
    EXPECT_EQ(g_SystemData.bgmVolume, 100);
    EXPECT_EQ(g_SystemData.voiceVolumes[11], 100);
    EXPECT_EQ(g_SystemData.autoSpeed, 100);
    EXPECT_EQ(g_SystemData.windowTransparency, 100);
    EXPECT_EQ(g_SystemData.familyName[10], '\0');
    EXPECT_EQ(g_SystemData.givenName[10], '\0');
}

TEST_F(SystemDataFolder, FailedSaveIsReportedAndLeavesWhatStands) {
    LoadSystemData();
    // A folder where the file should be: the write cannot replace it.
    game.WriteFile("save/Config.dat/inner", {1});
    EXPECT_FALSE(SaveSystemData());
    EXPECT_EQ(game.ReadFile("save/Config.dat/inner"), std::vector<uint8_t>{1});
}

bool FailSystemDataReads(const std::string& realPath) {
    return realPath.ends_with("/save/Config.dat");
}

TEST_F(SystemDataFolder, FileThatIsThereButUnreadableIsNeverWrittenOver) {
    std::vector<uint8_t> file = DefaultImage();
    file[0x07A4 + 5] = 1; // a read flag, an unlock and a setting of the player's
    file[0x03C8] = 1;
    file[0x21] = 1;
    struct Case {
        const char* what;
        bool folderInPlace; // else an injected read error on the file
    } cases[] = {{"read error", false}, {"folder in place of the file", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        std::filesystem::remove_all(game.folder() + "/save/Config.dat", ec);
        if (c.folderInPlace)
            game.WriteFile("save/Config.dat/inner", {7});
        else
            game.WriteFile("save/Config.dat", file);
        kestrel::fs::SetReadFault(c.folderInPlace ? nullptr : FailSystemDataReads);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadSystemData());
        EXPECT_FALSE(SaveSystemData()); // the title menu's save, a script's save, the shutdown's
        EXPECT_FALSE(SaveSystemData());
        std::string said = ::testing::internal::GetCapturedStderr();
        kestrel::fs::SetReadFault(nullptr);
        // Said once, and the run has the defaults.
        EXPECT_EQ(said.find("Config.dat"), said.rfind("Config.dat")) << said;
        EXPECT_NE(said.find("cannot be read"), std::string::npos) << said;
        EXPECT_EQ(g_SystemData.keyboardMode, 0);
        if (c.folderInPlace)
            EXPECT_EQ(game.ReadFile("save/Config.dat/inner"), std::vector<uint8_t>{7});
        else
            EXPECT_EQ(game.ReadFile("save/Config.dat"), file);
    }
    // Once the file reads again, the next run saves as usual.
    std::filesystem::remove_all(game.folder() + "/save/Config.dat");
    game.WriteFile("save/Config.dat", file);
    ASSERT_TRUE(LoadSystemData());
    g_SystemData.keyboardMode = 0;
    ASSERT_TRUE(SaveSystemData());
    EXPECT_EQ(game.ReadFile("save/Config.dat").at(0x21), 0);
}

TEST_F(SystemDataFolder, LoadPushesCopiesIntoTheScriptEngine) {
    game.backend().dialogAnswers.push_back({{1}});
    std::vector<uint8_t> file = DefaultImage();
    file[0x1B] = 1;
    file[0x23] = 1;
    const char family[] = "\xC0\xEE";            // 李
    const char given[] = "\xB0\xA1\xB0\xA1\xB0"; // two characters and a stray lead byte
    std::memcpy(&file[0xF204], family, sizeof family);
    std::memcpy(&file[0xF20F], given, sizeof given);
    game.WriteFile("save/Config.dat", file);
    ASSERT_EQ(game.Start(), StartupResult::Running); // the window's creation reads the block
    ASSERT_NE(g_pScriptMng, nullptr);
    EXPECT_EQ(g_pScriptMng->m_skipEffects, 1);
    EXPECT_EQ(g_pScriptMng->m_autoMode, 1);
    EXPECT_STREQ(g_pScriptMng->m_heroNames[0], family);
    EXPECT_STREQ(g_pScriptMng->m_heroNames[1], "\xB0\xA1\xB0\xA1"); // never half a character
}

TEST(SystemDataFlags, OutOfRangeIndexesAreDroppedAndReadAsZero) {
    SetSystemDataDefaults();
    MarkMessageRead(59999);
    EXPECT_TRUE(IsMessageRead(59999));
    MarkMessageRead(60000);
    EXPECT_FALSE(IsMessageRead(60000));
    EXPECT_EQ(g_SystemData.familyName[0], kDefaultFamilyName[0]); // the byte after the table
    SetNoteMark(0);
    EXPECT_EQ(g_SystemData.replayPage, 0); // mark 0 would be the byte before the marks
    SetNoteMark(1);
    SetNoteMark(624);
    SetNoteMark(625);
    EXPECT_EQ(g_SystemData.noteMarks[0], 1);
    EXPECT_EQ(g_SystemData.noteMarks[623], 1);
    EXPECT_EQ(g_SystemData.reserved29B, 0);
    EXPECT_TRUE(GetNoteMark(624));
    EXPECT_FALSE(GetNoteMark(625));
    SetChoiceTaken(99, 2);
    SetChoiceTaken(100, 0);
    SetChoiceTaken(0, 3);
    EXPECT_TRUE(IsChoiceTaken(99, 2));
    EXPECT_EQ(g_SystemData.takenChoices[3], 0);
    EXPECT_EQ(g_SystemData.replayUnlocks[0], 0);
    SetReplayUnlocked(20);
    SetEndingFlag(28);
    SetCgSeen(94, 0);
    SetCgSeen(0, 10);
    EXPECT_EQ(g_SystemData.endingFlags[0], 0);
    EXPECT_EQ(g_SystemData.cgSeen[0], 0);
    EXPECT_EQ(g_SystemData.cgSeen[10], 0);
    SetCgSeen(93, 9);
    EXPECT_TRUE(IsCgSeen(93, 9));
    EXPECT_EQ(g_SystemData.cgSeen[939], 1);
}

} // namespace
