// AUTO on a voiced message, with a real voice player on a sound device that only the test mixes:
// the page holds for as long as the voice plays, however long that is, and goes on in the first
// frame after the voice has ended.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/message_fixture.h"
#include "sound/snd_mng.h"
#include "support/manual_sound.h"
#include "writers/ogg_writer.h"

namespace {

constexpr double kVoiceSeconds = 0.5;
constexpr uint32_t kVoiceFrames = 22050; // kVoiceSeconds at 44,100 Hz

class MessageAutoVoice : public kestrel::test::MessageSceneTest {
protected:
    void SetUp() override {
        MessageSceneTest::SetUp();
        static const std::vector<uint8_t> voice = kestrel::test::MakeToneOgg(440.0, kVoiceSeconds, 2, 44100);
        const auto dir = kestrel::test::ScriptTestFolder() / "voice";
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(kestrel::test::WriteBytes((dir / "auto001.ogg").string(), voice));
        ASSERT_TRUE(kestrel::test::OpenManualSound());
        g_SystemData.messageSpeed = 100;
        g_SystemData.autoSpeed = 50; // 1500 ms without a voice
        engine().m_autoMode = 1;
    }
    void TearDown() override {
        kestrel::test::CloseManualSound();
        MessageSceneTest::TearDown();
    }
};

TEST_F(MessageAutoVoice, WaitsForTheVoiceToEndThenGoesOnAtOnce) {
    Start("SetMessageId 3\nMessage \"#v(0)auto001#ab\"\nSetVar 1, 9\nExitToMenu\n");
    // The voice tag hands the page to the voice wait; with the slot empty that waits out the AUTO
    // limit from the last finished page, then starts the voice and returns to the reveal.
    for (int i = 0; i < 10 && game().scene != kSceneVoiceWait; ++i)
        Step();
    ASSERT_EQ(game().scene, kSceneVoiceWait);
    for (int i = 0; i < 10 && game().scene == kSceneVoiceWait; ++i)
        Step(1000);
    ASSERT_EQ(game().scene, kSceneMessage);
    CVoiceplay* voice = g_VoicePlayers[0];
    ASSERT_NE(voice, nullptr);
    ASSERT_NEAR(voice->GetTotalTime(), kVoiceSeconds, 0.02) << "the tag's file was opened";
    ASSERT_FALSE(voice->IsStopped());

    StepUntilClickWait(10, 0);
    ASSERT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(engine().m_textIndex, std::strlen(engine().m_pMsgText)) << "the page is fully drawn";

    // Twenty seconds of frames, far past the 1500 ms limit of a page without a voice: nothing has
    // mixed the voice, so it still plays and the page holds.
    for (int i = 0; i < 200; ++i)
        Step(100);
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(g_VoicePlayers[0], voice);
    EXPECT_EQ(g_SystemData.readFlags[3], 0);

    // Play the voice out, a frame of the scene between mixing steps: the page holds until the
    // player reports its end.
    uint32_t mixed = 0;
    while (mixed < 4 * kVoiceFrames && !voice->IsStopped()) {
        Step(20);
        ASSERT_EQ(game().scene, kSceneMessage) << "went on after " << mixed << " frames of the voice";
        mixed += kestrel::test::MixFrames(voice, 1024);
    }
    ASSERT_TRUE(voice->IsStopped()) << "the voice did not end after " << mixed << " frames";
    EXPECT_GE(mixed, kVoiceFrames) << "the voice ended before its length was played";
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(g_SystemData.readFlags[3], 0);

    // No further delay once it has ended: the next frame goes on, without the clock moving.
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(g_VoicePlayers[0], nullptr) << "the ended voice is deleted";
    EXPECT_EQ(g_SystemData.readFlags[3], 1);
    Step();
    EXPECT_EQ(engine().m_vars[1], 9) << "the script went on after the message";
}

} // namespace
