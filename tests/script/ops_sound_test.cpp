// The sound commands against real players on a device that only the test drives: which file plays
// on which channel (told apart by length), whether it plays and loops, and the volume each kind
// received from the system data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input.h"
#include "archive/paths.h"
#include "script/ops_sound.h"
#include "script_fixture.h"
#include "sound/dsound.h"
#include "sound/snd_mng.h"
#include "writers/ogg_writer.h"

using kestrel::test::ScriptTest;

namespace {

// Every test file and its length in seconds, so that a player shows which file it opened.
struct SoundFile {
    const char* path;
    double seconds;
};
const SoundFile kFiles[] = {
    {"bgm/bgm01.ogg", 0.20},    {"bgm/bgm02.ogg", 0.30},    {"se/hit.ogg", 0.40},
    {"se/rain.ogg", 0.50},      {"voice/kyo001.ogg", 0.60}, {"voice/etc001.ogg", 0.70},
    {"voice/zzz001.ogg", 0.80}, {"voice/ren001.ogg", 0.90}, {"voice/tak001.ogg", 1.00},
};

double Length(const char* path) {
    for (const SoundFile& f : kFiles)
        if (std::strcmp(f.path, path) == 0)
            return f.seconds;
    return -1;
}

class SoundCommands : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        // Encoded once; written into each test's own folder.
        static const std::vector<std::vector<uint8_t>> tones = [] {
            std::vector<std::vector<uint8_t>> out;
            for (const SoundFile& f : kFiles)
                out.push_back(kestrel::test::MakeToneOgg(440.0, f.seconds, 2, 44100));
            return out;
        }();
        const auto dir = kestrel::test::ScriptTestFolder();
        for (const char* sub : {"bgm", "se", "voice"})
            std::filesystem::create_directories(dir / sub);
        for (size_t i = 0; i < std::size(kFiles); ++i)
            ASSERT_TRUE(kestrel::test::WriteBytes((dir / kFiles[i].path).string(), tones[i]));
        if (g_DSound.device != nullptr) {
            DeleteAllPlayers();
            g_DSound.Release();
        }
        ASSERT_TRUE(g_DSound.CreateWithOutput(SoundDevice::Output::Manual));
        g_DSound.SetPrimaryFormat(2, 44100, 16);
        keyboard_ = new CKeyboard();
        g_pKeyboard = keyboard_;
        for (int i = 0; i < 18; ++i)
            g_SystemData.voiceVolumes[i] = static_cast<uint8_t>(10 + i);
        g_SystemData.bgmVolume = 80;
        g_SystemData.seVolume = 60;
    }
    void TearDown() override {
        DeleteAllPlayers();
        g_DSound.Release();
        g_pKeyboard = nullptr;
        delete keyboard_;
        ScriptTest::TearDown();
    }

    void Run(const std::string& source) {
        Start(source + "ExitToMenu\n");
        RunUntilWait();
    }

    static bool Playing(CSndMng* p) { return p != nullptr && !p->IsStoppedChannel(); }
    static bool Holds(CSndMng* p, const char* path) {
        return p != nullptr && std::fabs(p->GetTotalTime() - Length(path)) < 0.02;
    }

    CKeyboard* keyboard_ = nullptr;
};

} // namespace

TEST_F(SoundCommands, MusicStartsOnceForTheSameNameAndAgainAfterAStop) {
    Run("PlayBgm 1, \"bgm01\"\n");
    CBgmplay* first = g_BgmPlayer;
    ASSERT_TRUE(Holds(first, "bgm/bgm01.ogg"));
    EXPECT_TRUE(Playing(first));
    EXPECT_EQ(g_BgmVolume.load(), 80u);
    EXPECT_STREQ(game().bgmName, "bgm01.ogg");
    EXPECT_EQ(engine().m_bgmStarted, 1);

    Run("PlayBgm 1, \"bgm01\"\n");
    EXPECT_EQ(g_BgmPlayer, first) << "the same name restarted the music";

    Run("StopBgm\n");
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(game().bgmName[0], '\0');
    EXPECT_EQ(engine().m_pBgmName, nullptr);
    EXPECT_EQ(engine().m_bgmStarted, 0);

    Run("PlayBgm 0, \"bgm01\"\nPlayBgm 0, \"bgm02\"\n");
    EXPECT_TRUE(Holds(g_BgmPlayer, "bgm/bgm02.ogg"));
    EXPECT_STREQ(engine().m_pBgmName, "bgm02.ogg");
}

TEST_F(SoundCommands, LoweringHalvesTheMusicVolume) {
    g_SystemData.bgmVolume = 75;
    Run("PlayBgm 1, \"bgm01\"\nBgmFade\n");
    EXPECT_EQ(g_BgmVolume.load(), 37u);
    EXPECT_EQ(engine().m_bgmLowered, 1);
}

TEST_F(SoundCommands, FadeOutWithMusicSilencedOnlyClearsTheName) {
    Run("PlayBgm 1, \"bgm01\"\n");
    g_SystemData.bgmVolume = 0;
    g_SystemData.bgmOff = 1;
    Run("FadeOutBgm 0, 1000\n");
    EXPECT_NE(g_BgmPlayer, nullptr);
    EXPECT_FALSE(g_BgmPlayer->IsFading());
    EXPECT_EQ(game().bgmName[0], '\0');

    g_SystemData.bgmVolume = 80;
    g_SystemData.bgmOff = 0;
    Run("PlayBgm 1, \"bgm02\"\nFadeOutBgm 0, 1000\n");
    EXPECT_TRUE(g_BgmPlayer->IsFading());
    EXPECT_EQ(engine().m_pBgmName, nullptr);
    EXPECT_EQ(engine().m_bgmFadeValue, 1u);
}

TEST_F(SoundCommands, FadedInMusicAimsAtTheMusicVolumeAndPlaysAtOnceWhileSkipping) {
    Run("PlayBgmEx 1, 1000, \"bgm01\"\n");
    ASSERT_TRUE(Holds(g_BgmPlayer, "bgm/bgm01.ogg"));
    EXPECT_TRUE(g_BgmPlayer->IsFading());
    EXPECT_EQ(g_BgmFadeTarget.load(), 80u);
    EXPECT_EQ(g_BgmVolume.load(), 0u);

    g_SystemData.skipUnread = 1;
    keyboard_->ctrl = 1;
    Run("PlayBgmEx 1, 1000, \"bgm02\"\n");
    ASSERT_TRUE(Holds(g_BgmPlayer, "bgm/bgm02.ogg"));
    EXPECT_FALSE(g_BgmPlayer->IsFading());
    EXPECT_EQ(g_BgmVolume.load(), 80u);
    EXPECT_TRUE(Playing(g_BgmPlayer));
}

TEST_F(SoundCommands, EffectsPlayOnTheirChannelAndKeepTheLoopingName) {
    Run("PlaySeEx 1, 1, \"rain\"\nPlaySeEx 3, 0, \"hit\"\n");
    EXPECT_TRUE(Holds(g_pSeChannels[1], "se/rain.ogg"));
    EXPECT_TRUE(Holds(g_pSeChannels[3], "se/hit.ogg"));
    EXPECT_TRUE(Playing(g_pSeChannels[3]));
    EXPECT_EQ(g_SePlayers[0], nullptr) << "the click channel is not the script's";
    EXPECT_EQ(g_SeVolume.load(), 60u);
    EXPECT_STREQ(game().seName, "rain.ogg");
    EXPECT_EQ(engine().m_seStarted, 1);

    Run("StopSeChannel 1\n");
    EXPECT_EQ(g_pSeChannels[1], nullptr);
    EXPECT_EQ(game().seName[0], '\0');
    EXPECT_EQ(engine().m_seStarted, 0);
    EXPECT_NE(g_pSeChannels[3], nullptr);
}

TEST_F(SoundCommands, LoopedEffectWithoutTheLoopFlagStartsNothing) {
    Run("PlaySe 2, 0, 500, \"rain\"\n");
    EXPECT_EQ(g_pSeChannels[2], nullptr);
    Run("PlaySe 2, 1, 500, \"rain\"\n");
    ASSERT_TRUE(Holds(g_pSeChannels[2], "se/rain.ogg"));
    EXPECT_TRUE(g_pSeChannels[2]->IsFading());
    EXPECT_EQ(g_SeFadeTarget.load(), 60u);
    EXPECT_STREQ(game().seName, "rain.ogg");
}

TEST_F(SoundCommands, SkippingRestartsOnlyTheLoopedEffectOfChannelOne) {
    g_SystemData.skipUnread = 1;
    keyboard_->ctrl = 1;
    Run("PlaySeEx 2, 0, \"hit\"\nPlaySeEx 1, 1, \"rain\"\n");
    EXPECT_EQ(g_pSeChannels[2], nullptr);
    EXPECT_TRUE(Holds(g_pSeChannels[1], "se/rain.ogg"));
}

TEST_F(SoundCommands, EffectsOffLeavesAFadeOutUndone) {
    Run("PlaySeEx 4, 1, \"rain\"\n");
    g_SystemData.seVolume = 0;
    g_SystemData.seOff = 1;
    Run("FadeOutSe 4, 0, 1000\n");
    ASSERT_NE(g_pSeChannels[4], nullptr);
    EXPECT_FALSE(g_pSeChannels[4]->IsFading());
    EXPECT_EQ(game().seName[0], '\0');
}

TEST_F(SoundCommands, VoiceVolumeComesFromTheSpeakersGroup) {
    struct Case {
        const char* name;
        const char* path;
        uint8_t volume;
    };
    // kyo is entry 1 and ren entry 8 of the first table; etc (entry 11) and an unknown prefix both
    // play at byte 0x13.
    const Case cases[] = {
        {"kyo001", "voice/kyo001.ogg", 11},
        {"ren001", "voice/ren001.ogg", 18},
        {"etc001", "voice/etc001.ogg", 21},
        {"zzz001", "voice/zzz001.ogg", 21},
    };
    for (const Case& c : cases) {
        Run(std::string("PlayVoice 0, \"") + c.name + "\"\n");
        ASSERT_TRUE(Holds(g_VoicePlayers[0], c.path)) << c.name;
        EXPECT_TRUE(Playing(g_VoicePlayers[0])) << c.name;
        EXPECT_EQ(g_VoiceVolume.load(), c.volume) << c.name;
        EXPECT_EQ(std::string(engine().m_lineVoiceName), std::string(c.name) + ".ogg");
    }
}

TEST_F(SoundCommands, VoiceOptionsSilenceTheirGroups) {
    g_SystemData.muteVoiceGroupA = 1; // groups 0..6
    Run("PlayVoice 0, \"kyo001\"\n");
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
    EXPECT_STREQ(engine().m_lineVoiceName, "kyo001.ogg") << "the backlog keeps the voice";
    Run("PlayVoice 0, \"ren001\"\n");
    EXPECT_NE(g_VoicePlayers[0], nullptr);

    g_SystemData.muteVoiceGroupA = 0;
    g_SystemData.muteVoiceGroupB = 1; // groups 7..10
    DeleteAllPlayers();
    Run("PlayVoice 0, \"ren001\"\n");
    EXPECT_EQ(g_VoicePlayers[0], nullptr);

    g_SystemData.muteVoiceGroupB = 0;
    g_SystemData.voiceOff = 1;
    Run("PlayVoice 0, \"tak001\"\n");
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
}

TEST_F(SoundCommands, SkippingReadMessagesPlaysNoVoice) {
    engine().m_msgId = 5;
    g_SystemData.readFlags[5] = 1;
    engine().m_skipRead = 1;
    Run("PlayVoice 0, \"tak001\"\n");
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
    g_SystemData.readFlags[5] = 0;
    Run("PlayVoice 0, \"tak001\"\n");
    EXPECT_NE(g_VoicePlayers[0], nullptr);
    g_SystemData.readFlags[5] = 0;
    engine().m_msgId = 70000; // beyond the table: unread, never read out of bounds
    keyboard_->ctrl = 1;
    DeleteAllPlayers();
    Run("PlayVoice 0, \"tak001\"\n");
    EXPECT_NE(g_VoicePlayers[0], nullptr) << "Ctrl passes unread messages only with the skip option";
}

TEST_F(SoundCommands, LoadedVoicePlaysAtItsGroupVolumeUnlessMuted) {
    Run("LoadVoiceSlotNoCheck 4, \"kyo001\"\nPlayVoiceEx 4, 3\n");
    ASSERT_TRUE(Holds(g_VoicePlayers[4], "voice/kyo001.ogg"));
    EXPECT_TRUE(Playing(g_VoicePlayers[4]));
    EXPECT_EQ(g_VoiceVolume.load(), 13u);

    DeleteAllPlayers();
    g_SystemData.muteVoiceGroupA = 1;
    Run("LoadVoiceSlotNoCheck 4, \"kyo001\"\nPlayVoiceEx 4, 14\n");
    ASSERT_NE(g_VoicePlayers[4], nullptr);
    EXPECT_FALSE(Playing(g_VoicePlayers[4]));

    // A group beyond the volume bytes plays at the unlisted speakers' volume.
    g_SystemData.muteVoiceGroupA = 0;
    Run("PlayVoiceEx 4, 200\n");
    EXPECT_TRUE(Playing(g_VoicePlayers[4]));
    EXPECT_EQ(g_VoiceVolume.load(), 21u);
}

TEST_F(SoundCommands, AFailedLoadEmptiesTheSlot) {
    Run("LoadVoiceSlotNoCheck 2, \"missing\"\nLoadSeSlot 5, \"missing\"\n");
    EXPECT_EQ(g_VoicePlayers[2], nullptr);
    EXPECT_EQ(g_pSeChannels[5], nullptr);
    Run("LoadSeSlot 5, \"hit\"\nRestartSeChannel 5, 0\n");
    EXPECT_TRUE(Playing(g_pSeChannels[5]));
}

TEST_F(SoundCommands, OutOfRangeChannelsAndLongNamesAreIgnored) {
    const std::string longName(126, 'a');
    Run("PlaySeEx 9, 1, \"hit\"\nPlaySeEx 255, 0, \"hit\"\nLoadVoiceSlot -1, \"kyo001\"\n"
        "LoadVoiceSlotNoCheck 20, \"kyo001\"\nStopSeChannel 200\nPlayVoiceEx -3, 0\n"
        "PlayBgm 1, \"" +
        longName + "\"\nSetVar 1, 7\n");
    EXPECT_EQ(engine().m_vars[1], 7) << "the script went on";
    EXPECT_EQ(g_BgmPlayer, nullptr);
    EXPECT_EQ(game().bgmName[0], '\0');
    for (int i = 0; i < kSePlayerSlots; ++i)
        EXPECT_EQ(g_SePlayers[i], nullptr);
    for (int i = 0; i < kVoicePlayerSlots; ++i)
        EXPECT_EQ(g_VoicePlayers[i], nullptr);
}

TEST_F(SoundCommands, WaitCommandsEnterTheirScenes) {
    Start("WaitVoice 3\nStopVoice 4\nWaitSe 2\nExitToMenu\n");
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneWaitVoice);
    EXPECT_EQ(engine().m_voiceChannel, 3);
    game().scene = kSceneScript;
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneStopVoice);
    EXPECT_EQ(engine().m_voiceChannel, 4);
    game().scene = kSceneScript;
    engine().m_msgStep = 5;
    engine().RunScript();
    EXPECT_EQ(game().scene, kSceneWaitSe);
    EXPECT_EQ(engine().m_waitSeChannel, 3);
    EXPECT_EQ(engine().m_msgStep, 0);
}
