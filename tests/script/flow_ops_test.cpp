// The commands of the story flow: variables and jumps, script and scene changes, messages and
// the backlog, choices and the story flags of the system data.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script_fixture.h"

using kestrel::test::ScriptTest;

using ScriptVariables = ScriptTest;
using ScriptMessages = ScriptTest;
using ScriptFlow = ScriptTest;
using ScriptChoices = ScriptTest;
using ScriptStoryFlags = ScriptTest;

TEST_F(ScriptVariables, SignedComparisonsJumpAsTheirNamesSay) {
    struct Case {
        const char* op;
        int32_t var;
        int32_t value;
        bool jumps;
    };
    const Case cases[] = {
        {"JumpIfEq", 5, 5, true},    {"JumpIfEq", 5, 6, false},  {"JumpIfNe", 5, 6, true},
        {"JumpIfNe", -1, -1, false}, {"JumpIfGt", 0, -1, true},  {"JumpIfGt", -1, 0, false},
        {"JumpIfLt", -1, 0, true},   {"JumpIfLt", 0, 0, false},  {"JumpIfGe", 0, 0, true},
        {"JumpIfGe", -2, -1, false}, {"JumpIfLe", -2, -1, true}, {"JumpIfLe", 1, 0, false},
    };
    for (const Case& c : cases) {
        Start("SetVar 5, " + std::to_string(c.var) + "\n" + c.op + " 5, " + std::to_string(c.value) +
              ", taken\nSetVar 7, 1\nExitToMenu\ntaken: SetVar 7, 2\nExitToMenu\n");
        engine().m_vars[7] = 0;
        RunUntilWait();
        EXPECT_EQ(engine().m_vars[7], c.jumps ? 2 : 1) << c.op << " " << c.var << " " << c.value;
    }
}

TEST_F(ScriptVariables, MinusOneIsLessThanZeroAndNotGreater) {
    Start("SetVar 5, -1\nJumpIfGt 5, 0, gt\nJumpIfLt 5, 0, lt\nExitToMenu\n"
          "gt: SetVar 6, 1\nExitToMenu\nlt: SetVar 6, 2\nExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[5], -1);
    EXPECT_EQ(engine().m_vars[6], 2);
}

TEST_F(ScriptVariables, AdditionWrapsAtThirtyTwoBits) {
    Start("SetVar 1, 0x7FFFFFFF\nAddVar 1, 1\nSetVar 2, 5\nAddVar 2, -7\nExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[1], INT32_MIN);
    EXPECT_EQ(engine().m_vars[2], -2);
}

TEST_F(ScriptVariables, MessageIdAndParameterBytesAreStored) {
    Start("SetMessageId 59999\nSetParam58 7\nSetParam73 9\nNop55 1, 2\nNop56 3\nNop57 4\nExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_msgId, 59999u);
    EXPECT_EQ(engine().m_param58, 7);
    EXPECT_EQ(engine().m_param73, 9);
    EXPECT_EQ(engine().LastFault(), ScriptFault::kNone);
}

TEST_F(ScriptMessages, MessageStoresItsTextsAndTheResumePoint) {
    Start("Message \"\xE4\xBD\xA0<ab<cd>x#n\"\nExitToMenu\n");
    game().backlogCount = 2;
    engine().m_pNamePlateText = new char[4]{'N', 'a', 'm', 0};
    std::strcpy(engine().m_lineVoiceName, "v001.ogg");
    Frame();
    EXPECT_EQ(game().scene, kSceneMessage);
    const std::string raw = "\xC4\xE3<ab<cd>x#n";
    EXPECT_EQ(std::string(engine().m_pMsgText), raw);
    EXPECT_EQ(std::string(engine().m_rawText), raw);
    // The plain copy keeps the ruby base and drops the reading and its brackets.
    EXPECT_EQ(std::string(engine().m_plainText), "\xC4\xE3"
                                                 "abx#n");
    EXPECT_EQ(engine().SaveOffset(), engine().ScriptOffset());
    EXPECT_EQ(engine().ScriptOffset(), 4u + raw.size());
    // Backlog row 2: text, name plate and voice; the voice name is used up.
    EXPECT_EQ(std::string(game().backlogText[2]), raw);
    EXPECT_STREQ(game().backlogSpeaker[2], "Nam");
    EXPECT_STREQ(game().backlogVoice[2], "v001.ogg");
    EXPECT_EQ(engine().m_lineVoiceName[0], '\0');
    // The display raises the count when it has shown the message.
    EXPECT_EQ(game().backlogCount, 2u);
}

TEST_F(ScriptMessages, EmptyMessageIsAnEmptyText) {
    Start("Message \"\"\nExitToMenu\n");
    Frame();
    ASSERT_NE(engine().m_pMsgText, nullptr);
    EXPECT_STREQ(engine().m_pMsgText, "");
    EXPECT_EQ(engine().ScriptOffset(), 4u);
}

TEST_F(ScriptMessages, FullBacklogDropsTheOldestRow) {
    Start("Message \"abc\"\nExitToMenu\n");
    for (int i = 0; i < 250; ++i)
        std::snprintf(game().backlogText[i], 256, "row%d", i);
    game().backlogCount = 250;
    Frame();
    EXPECT_STREQ(game().backlogText[0], "row1");
    EXPECT_STREQ(game().backlogText[248], "row249");
    EXPECT_STREQ(game().backlogText[249], "abc");
    EXPECT_EQ(game().backlogCount, 249u);
}

TEST_F(ScriptMessages, CaptionStyleWritesNoBacklogRow) {
    Start("Message \"abc\"\nExitToMenu\n");
    engine().m_windowStyle = 2;
    std::strcpy(game().backlogText[0], "old");
    std::strcpy(engine().m_lineVoiceName, "v.ogg");
    Frame();
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_STREQ(game().backlogText[0], "old");
    EXPECT_STREQ(engine().m_lineVoiceName, "v.ogg");
    EXPECT_STREQ(engine().m_plainText, "abc");
}

TEST_F(ScriptMessages, SpeakerLineKeepsOnlyDoubleByteCharacters) {
    Start("SetVar 1, 1\nMessageEx 0, \"\xE4\xBD\xA0"
          "a\\x80b\xE5\xA5\xBD!\"\nExitToMenu\n");
    engine().m_windowStyle = 2;
    Frame();
    const uint32_t resume = engine().SaveOffset();
    Frame();
    EXPECT_EQ(game().scene, kSceneSpeakerLine);
    EXPECT_STREQ(engine().m_plainText, "\xC4\xE3\xBA\xC3");
    EXPECT_STREQ(engine().m_rawText, "\xC4\xE3\xBA\xC3");
    EXPECT_STREQ(engine().m_pMsgText, "\xC4\xE3"
                                      "a\x80"
                                      "b\xBA\xC3!");
    // The resume point stays; the backlog row is written in every window style.
    EXPECT_EQ(engine().SaveOffset(), resume);
    EXPECT_STREQ(game().backlogText[0], "\xC4\xE3"
                                        "a\x80"
                                        "b\xBA\xC3!");
    EXPECT_EQ(engine().ScriptOffset(), 8u + 12u + 8u);
}

TEST_F(ScriptMessages, ALeadByteThatEndsTheTextIsCopiedAlone) {
    struct Case {
        const char* source;
        const char* text; // the message and its backlog row
        const char* raw;  // the saved copy (for op 62 the double-byte copy, as its plain text)
    };
    const Case cases[] = {
        {"Message \"ab\\xC4\"", "ab\xC4", "ab\xC4"},
        {"MessageEx 0, \"a\xE4\xBD\xA0\\xBA\"", "a\xC4\xE3\xBA", "\xC4\xE3\xBA"},
    };
    for (const Case& c : cases) {
        Start(std::string(c.source) + "\nExitToMenu\n");
        game().backlogCount = 0;
        Frame();
        EXPECT_STREQ(engine().m_pMsgText, c.text) << c.source;
        EXPECT_STREQ(game().backlogText[0], c.text) << c.source;
        EXPECT_STREQ(engine().m_rawText, c.raw) << c.source;
    }
    EXPECT_STREQ(engine().m_plainText, "\xC4\xE3\xBA");
}

TEST_F(ScriptFlow, ExitGoesToTheTitleOrBackToTheReplay) {
    Start("ExitToMenu\n");
    game().fullRect = RECT{5, 5, 5, 5};
    Frame();
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(game().fullRect, (RECT{0, 0, 1024, 576}));

    Start("ExitToMenu\n");
    engine().m_inReplay = 1;
    Frame();
    EXPECT_EQ(game().scene, kSceneReplay);
    EXPECT_EQ(engine().m_inReplay, 1);
}

TEST_F(ScriptFlow, SetModeHandsOverToAnySceneWithAStep) {
    for (int scene : {26, 27, 42, 46, 50, 54, 64}) {
        Start("SetMode " + std::to_string(scene) + "\nExitToMenu\n");
        Frame();
        EXPECT_EQ(game().scene, scene);
        EXPECT_EQ(engine().ScriptOffset(), 4u);
    }
}

TEST_F(ScriptFlow, SetModeStaysInTheInterpreterDuringAReplay) {
    Start("SetMode 26\nExitToMenu\n");
    engine().m_inReplay = 1;
    Frame();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().ScriptOffset(), 4u);
}

TEST_F(ScriptFlow, SetModeToASceneWithoutAStepIsReportedAndSkipped) {
    for (int scene : {7, 57, 71, 255}) {
        boxes().clear();
        Start("SetMode " + std::to_string(scene) + "\nSetVar 1, 1\nExitToMenu\n");
        Frame();
        EXPECT_EQ(game().scene, kSceneScript) << scene;
        Frame();
        EXPECT_EQ(engine().m_vars[1], 1) << scene;
        EXPECT_EQ(boxes().size(), 1u) << scene;
    }
}

TEST_F(ScriptFlow, EachBadCommandInALoopIsReportedOnceForItsPosition) {
    const struct {
        const char* what;
        const char* loop;
    } cases[] = {
        {"two scenes without a step", "a: SetMode 7\nSetMode 12\nJump a\n"},
        {"a fourth choice and a scene without a step",
         "a: BeginChoice\nAddChoice a, \"1\"\nAddChoice a, \"2\"\nAddChoice a, \"3\"\nAddChoice a, \"4\"\n"
         "SetMode 7\nJump a\n"},
    };
    for (const auto& c : cases) {
        boxes().clear();
        Start(c.loop);
        for (int i = 0; i < 60; ++i)
            Frame();
        EXPECT_EQ(boxes().size(), 2u) << c.what;
    }
}

TEST_F(ScriptFlow, JumpScriptLoadsTheOtherScriptAndClearsThePictureRecords) {
    WriteScript("second.s", "SetVar 2, 22\nExitToMenu\n");
    Start("SetVar 1, 11\nJumpScript \"second.s\"\nSetVar 3, 33\n");
    std::strcpy(game().layerPictureNames[0], "bmp\\x.bmp");
    std::strcpy(game().layerPictureNames[1], "bmp\\bg.bmp");
    std::strcpy(game().layerPictureNames[4], "bmp\\x.bmp");
    std::strcpy(game().charBasePictureNames[14], "chara\\c.bmp");
    game().charSlotX[14] = 300;
    game().charSlotShown[14] = 1;
    game().charSlotPicture[14] = 3;
    g_Layers[2] = new CDIB32();
    g_Layers[9] = new CDIB32();
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[1], 11);
    EXPECT_EQ(engine().m_vars[2], 22);
    EXPECT_EQ(engine().m_vars[3], 0);
    EXPECT_STREQ(game().scriptName, "second.s");
    EXPECT_EQ(game().layerPictureNames[0][0], '\0');
    EXPECT_STREQ(game().layerPictureNames[1], "bmp\\bg.bmp") << "its picture is still shown";
    EXPECT_EQ(game().layerPictureNames[4][0], '\0');
    EXPECT_EQ(game().charBasePictureNames[14][0], '\0');
    EXPECT_EQ(game().charSlotX[14], 0);
    EXPECT_EQ(game().charSlotShown[14], 0);
    EXPECT_EQ(game().charSlotPicture[14], 0);
    EXPECT_EQ(g_Layers[2], nullptr);
    EXPECT_EQ(g_Layers[9], nullptr);
}

TEST_F(ScriptFlow, JumpScriptInAReplayLoadsNothingAndGoesOn) {
    Start("JumpScript \"second.s\"\nSetVar 3, 33\nExitToMenu\n");
    engine().m_inReplay = 1;
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[3], 33);
    EXPECT_STREQ(game().scriptName, "test.s");
    EXPECT_EQ(game().scene, kSceneReplay);
}

TEST_F(ScriptFlow, JumpScriptToAMissingFileEndsTheStoryWithOneMessage) {
    Start("JumpScript \"missing.s\"\nSetVar 3, 33\n");
    for (int i = 0; i < 5; ++i)
        Frame();
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(engine().m_vars[3], 0);
}

TEST_F(ScriptChoices, BuildsTheListAndHandsOverToTheChoiceScene) {
    Start("SetVar 1, 1\n"
          "BeginChoice\n"
          "AddChoice yes, \"Yes\"\n"
          "AddChoice no, \"\xE5\x90\xA6\"\n"
          "Choice 5\n"
          "yes: ExitToMenu\n"
          "no: ExitToMenu\n");
    Frame();
    Frame();
    EXPECT_EQ(engine().SaveOffset(), 8u); // the resume point is the start of the list
    EXPECT_EQ(RunUntilWait(), kSceneChoice);
    EXPECT_EQ(engine().m_choiceCount, 2);
    EXPECT_STREQ(engine().m_choiceText[0], "Yes");
    EXPECT_STREQ(engine().m_choiceText[1], "\xB7\xF1");
    EXPECT_EQ(engine().m_choiceLen[0], 3);
    EXPECT_EQ(engine().m_choiceLen[1], 2);
    EXPECT_EQ(engine().m_choiceJump[0], engine().ScriptOffset());
    EXPECT_EQ(engine().m_choiceJump[1], engine().ScriptOffset() + 4);
    EXPECT_EQ(engine().m_choiceSet, 5);
}

TEST_F(ScriptChoices, ANewListClearsTheOldOne) {
    Start("BeginChoice\nAddChoice end, \"a\"\nAddChoice end, \"b\"\nBeginChoice\nAddChoice end, \"c\"\n"
          "end: ExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_choiceCount, 1);
    EXPECT_STREQ(engine().m_choiceText[0], "c");
    EXPECT_EQ(engine().m_choiceText[1], nullptr);
    EXPECT_EQ(engine().m_choiceLen[1], 0);
}

TEST_F(ScriptChoices, AFourthChoiceIsDroppedAndReported) {
    Start("BeginChoice\nAddChoice end, \"a\"\nAddChoice end, \"b\"\nAddChoice end, \"c\"\n"
          "AddChoice end, \"d\"\nSetVar 1, 1\nend: ExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_choiceCount, 3);
    EXPECT_STREQ(engine().m_choiceText[2], "c");
    EXPECT_EQ(engine().m_vars[1], 1);
    EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(ScriptStoryFlags, SetsReplayAndEndingFlagsWithinTheirSets) {
    Start("SetFlagA 4\nSetFlagB 3\nSetFlagA 20\nSetFlagB -1\nSetFlagB 28\n"
          "JumpIfFlagB 3, yes\nExitToMenu\nyes: SetVar 1, 1\nJumpIfFlagB 4, no\nExitToMenu\n"
          "no: SetVar 2, 1\nExitToMenu\n");
    SystemData before = g_SystemData;
    RunUntilWait();
    const auto* bytes = reinterpret_cast<const uint8_t*>(&g_SystemData);
    EXPECT_EQ(bytes[0x3CC], 1);
    EXPECT_EQ(bytes[0x3DF], 1);
    EXPECT_EQ(engine().m_vars[1], 1);
    EXPECT_EQ(engine().m_vars[2], 0);
    // Nothing else of the block changed (the out-of-range indices were dropped).
    const auto* old = reinterpret_cast<const uint8_t*>(&before);
    int changed = 0;
    for (size_t i = 0; i < sizeof(SystemData); ++i)
        changed += bytes[i] != old[i];
    EXPECT_EQ(changed, 2);
}

TEST_F(ScriptStoryFlags, ApplySettingWritesTheByteAndSavesAtOnce) {
    Start("ApplySetting 7\nExitToMenu\n");
    std::filesystem::remove(kestrel::test::ScriptTestFolder() / "save" / "Config.dat");
    Frame();
    EXPECT_EQ(g_SystemData.scriptSetting, 7);
    std::ifstream in(kestrel::test::ScriptTestFolder() / "save" / "Config.dat", std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), kSystemDataSize);
    EXPECT_EQ(file[0x1A], 7);
    EXPECT_EQ(std::memcmp(file.data(), &g_SystemData, kSystemDataSize), 0);
}

TEST_F(ScriptStoryFlags, WaitClickHandsOverToTheClickWait) {
    Start("WaitClick\nExitToMenu\n");
    Frame();
    EXPECT_EQ(game().scene, kSceneWaitClick);
    EXPECT_EQ(engine().ScriptOffset(), 4u);
}
