// The script loader and the interpreter loop: file inversion, dispatch, one command per frame,
// and the way malformed scripts are stopped.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "script/opcode_table.h"
#include "script_fixture.h"

using kestrel::test::ScriptTest;

using ScriptLoad = ScriptTest;
using ScriptRun = ScriptTest;
using ScriptBounds = ScriptTest;

TEST_F(ScriptLoad, InvertsEveryByteAndAddsAZeroByte) {
    WriteScriptFile("raw.s", {0xFF, 0x00, 0x5A});
    uint8_t* start = engine().LoadScript("raw.s");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(engine().m_scriptSize, 3u);
    EXPECT_EQ(start[0], 0x00);
    EXPECT_EQ(start[1], 0xFF);
    EXPECT_EQ(start[2], 0xA5);
    EXPECT_EQ(start[3], 0x00);
    EXPECT_EQ(engine().m_pScriptBase, start);
    EXPECT_EQ(engine().m_pScriptPtr, start);
    EXPECT_EQ(engine().m_pScriptSave, start);
    EXPECT_STREQ(game().scriptName, "raw.s");
}

TEST_F(ScriptLoad, LeavesTheBasePathOfOtherLoadersAlone) {
    const std::string before = GetBasePath();
    WriteScript("a.s", "ExitToMenu\n");
    ASSERT_NE(engine().LoadScript("a.s"), nullptr);
    EXPECT_EQ(GetBasePath(), before);
    engine().LoadScript("missing.s");
    EXPECT_EQ(GetBasePath(), before);
}

TEST_F(ScriptLoad, ResetsTheScreenRectangleAndTheResumePoint) {
    Start("Message \"a\"\nExitToMenu\n");
    Frame();
    EXPECT_NE(engine().SaveOffset(), 0u);
    engine().m_screenRect = RECT{1, 2, 3, 4};
    ASSERT_NE(engine().LoadScript("test.s"), nullptr);
    EXPECT_EQ(engine().m_screenRect, (RECT{0, 0, 1024, 576}));
    EXPECT_EQ(engine().SaveOffset(), 0u);
    EXPECT_EQ(engine().ScriptOffset(), 0u);
}

TEST_F(ScriptLoad, MissingFileIsReportedOnceAndEndsTheStory) {
    EXPECT_EQ(engine().LoadScript("nothere.s"), nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].text.find("nothere.s"), std::string::npos);
    EXPECT_EQ(engine().LastFault(), ScriptFault::kNoScript);
    game().scene = kSceneScript;
    for (int i = 0; i < 5; ++i)
        Frame();
    // No endless empty message: the story goes back to the title menu, and no further box.
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(game().backlogText[0][0], '\0');
}

TEST_F(ScriptLoad, MissingFileInReplayReturnsToTheReplayScreen) {
    engine().m_inReplay = 0;
    engine().LoadScript("nothere.s");
    engine().m_inReplay = 1;
    game().scene = kSceneScript;
    Frame();
    EXPECT_EQ(game().scene, kSceneReplay);
}

TEST_F(ScriptRun, ExecutesOneCommandPerFrame) {
    Start("SetVar 1, 10\nSetVar 2, 20\nAddVar 1, 5\nExitToMenu\n");
    Frame();
    EXPECT_EQ(engine().m_vars[1], 10);
    EXPECT_EQ(engine().m_vars[2], 0);
    EXPECT_EQ(engine().ScriptOffset(), 8u);
    EXPECT_EQ(game().scene, kSceneScript);
    Frame();
    EXPECT_EQ(engine().m_vars[2], 20);
    Frame();
    EXPECT_EQ(engine().m_vars[1], 15);
    Frame();
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(engine().ScriptOffset(), 28u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ScriptRun, ReportsAnUnknownCommandOnceAndStaysOnIt) {
    for (int op : {31, 89, 125, 167, 255}) {
        boxes().clear();
        Start("SetVar 1, 1\n.byte " + std::to_string(op) + ", 4, 0, 0\nExitToMenu\n");
        Frame();
        for (int i = 0; i < 3; ++i) {
            Frame();
            EXPECT_EQ(engine().ScriptOffset(), 8u) << op;
            EXPECT_EQ(game().scene, kSceneScript) << op;
        }
        ASSERT_EQ(boxes().size(), 1u) << op;
        char expected[64];
        std::snprintf(expected, sizeof expected, "Not Found ScrNo\n[%8d][%#08x]", op, 8);
        EXPECT_EQ(boxes()[0].text, expected);
        EXPECT_EQ(boxes()[0].caption, "Erorr");
    }
}

TEST_F(ScriptRun, FileByteZeroIsAnUnknownCommand) {
    // 0x00 in the file reads as 255.
    WriteScriptFile("zero.s", {0x00, 0xFB, 0xFF, 0xFF});
    ASSERT_NE(engine().LoadScript("zero.s"), nullptr);
    Frame();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].text.find("[     255]"), std::string::npos);
}

TEST_F(ScriptRun, JumpToOffsetZeroRestartsTheScript) {
    Start("AddVar 3, 1\nJump 0\n");
    for (int i = 0; i < 6; ++i)
        Frame();
    EXPECT_EQ(engine().m_vars[3], 3);
    EXPECT_EQ(engine().ScriptOffset(), 0u);
}

TEST_F(ScriptRun, MessageWithLengthFourAndThreeTextBytesContinuesSevenOn) {
    Start("Message \"abc\"\nSetVar 1, 1\n");
    Frame();
    EXPECT_EQ(engine().ScriptOffset(), 7u);
    EXPECT_EQ(game().scene, kSceneMessage);
}

TEST_F(ScriptRun, WaitingScenesHandBackAndTheScriptResumesAfterTheCommand) {
    Start("SetVar 4, -1\n"
          "JumpIfLt 4, 0, less\n"
          "SetVar 9, 1\n"
          "less: Message \"abc\"\n"
          "WaitClick\n"
          "ExitToMenu\n");
    struct Step {
        SceneId scene;
        uint32_t offset;
    };
    const Step expected[] = {
        {kSceneScript, 8},     // SetVar
        {kSceneScript, 32},    // jump taken
        {kSceneMessage, 39},   // message waits
        {kSceneScript, 39},    // the message scene hands back
        {kSceneWaitClick, 43}, // click wait
        {kSceneScript, 43},    {kSceneTitleMenu, 47},
    };
    for (const Step& s : expected) {
        Frame();
        EXPECT_EQ(game().scene, s.scene);
        EXPECT_EQ(engine().ScriptOffset(), s.offset);
    }
    EXPECT_EQ(engine().m_vars[9], 0);
}

TEST_F(ScriptBounds, MalformedCommandsEndTheScriptWithOneMessage) {
    struct Case {
        const char* name;
        std::string source;
        ScriptFault fault;
    };
    const Case cases[] = {
        {"zero length", "SetVar 1, 1\n.byte 4, 0, 0, 0", ScriptFault::kZeroLength},
        {"too short", "SetVar 1, 1\n.byte 6, 8, 0, 0, 0, 0, 0, 0", ScriptFault::kTooShort},
        {"past the end", "SetVar 1, 1\n.byte 4, 8, 1, 0, 1", ScriptFault::kTruncated},
        {"text past the end", "SetVar 1, 1\n.byte 0, 4, 0, 10\n.text \"abc\"", ScriptFault::kTruncated},
        {"lone opcode", "SetVar 1, 1\n.byte 4", ScriptFault::kTruncated},
        {"jump outside", "SetVar 1, 1\nJump 4096", ScriptFault::kJumpOutside},
        {"conditional jump outside", "SetVar 1, 1\nJumpIfEq 1, 1, 0xFFFFFFFF", ScriptFault::kJumpOutside},
        {"choice target outside", "SetVar 1, 1\nAddChoice 999, \"x\"", ScriptFault::kJumpOutside},
        {"runs off the end", "SetVar 1, 1\nSetVar 2, 2", ScriptFault::kPastEnd},
    };
    for (const Case& c : cases) {
        boxes().clear();
        Start(c.source);
        EXPECT_EQ(RunUntilWait(), kSceneTitleMenu) << c.name;
        EXPECT_EQ(engine().m_vars[1], 1) << c.name;
        EXPECT_EQ(engine().LastFault(), c.fault) << c.name;
        EXPECT_EQ(engine().m_pScriptBase, nullptr) << c.name;
        // Entering the interpreter again shows nothing more and ends again.
        for (int i = 0; i < 5; ++i)
            Frame();
        EXPECT_EQ(boxes().size(), 1u) << c.name;
        EXPECT_EQ(engine().LastFault(), c.fault) << c.name;
    }
}

TEST_F(ScriptBounds, ACommandRunsWhenItHoldsTheBytesItsHandlerReads) {
    // Fixed parts that are not whole words: the length byte covers every operand its handler
    // reads (texts of length 0), or falls one byte short of them. Ops 55, 56, 57 and 81 read none
    // of the words the assembler writes for them.
    struct Case {
        uint8_t op, length;
        bool runs;
    };
    const Case cases[] = {{37, 9, true},  {37, 8, false}, {45, 9, true},  {45, 11, true},
                          {62, 10, true}, {62, 11, true}, {85, 10, true}, {85, 11, true},
                          {85, 9, false}, {4, 8, true},   {4, 7, false},  {55, 4, true},
                          {56, 4, true},  {57, 4, true},  {81, 4, true},  {81, 3, false}};
    for (const Case& c : cases) {
        std::string source = ".byte " + std::to_string(c.op) + ", " + std::to_string(c.length);
        for (int i = 2; i < c.length; ++i)
            source += ", 0";
        Start(source + "\nExitToMenu\n");
        Frame();
        EXPECT_EQ(engine().LastFault(), c.runs ? ScriptFault::kNone : ScriptFault::kTooShort)
            << int(c.op) << " of length " << int(c.length);
        if (c.runs) {
            EXPECT_EQ(engine().ScriptOffset(), c.length) << int(c.op);
        }
    }
}

TEST_F(ScriptBounds, EmptyFileEndsAtOnce) {
    WriteScriptFile("empty.s", {});
    ASSERT_NE(engine().LoadScript("empty.s"), nullptr);
    Frame();
    EXPECT_EQ(engine().LastFault(), ScriptFault::kPastEnd);
    EXPECT_EQ(game().scene, kSceneTitleMenu);
}

TEST_F(ScriptBounds, OutOfRangeVariablesAreIgnoredAndReadZero) {
    Start("SetVar 256, 7\n"
          "SetVar 65535, 7\n"
          "AddVar 300, 1\n"
          "SetVar 255, 9\n"
          "JumpIfEq 256, 0, zero\n"
          "SetVar 1, 1\n"
          "zero: JumpIfNe 0xFFFFFFFF, 0, nonzero\n"
          "SetVar 2, 2\n"
          "nonzero: ExitToMenu\n");
    RunUntilWait();
    EXPECT_EQ(engine().m_vars[255], 9);
    EXPECT_EQ(engine().m_vars[1], 0); // the jump on variable 256 (reads 0) was taken
    EXPECT_EQ(engine().m_vars[2], 2); // variable 0xFFFFFFFF reads 0: not taken
    EXPECT_EQ(engine().GetVar(256), 0);
    EXPECT_EQ(engine().LastFault(), ScriptFault::kNone);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ScriptBounds, SetScriptOffsetRejectsOffsetsOutsideTheScript) {
    Start("SetVar 1, 1\nExitToMenu\n");
    EXPECT_TRUE(engine().SetScriptOffset(8));
    EXPECT_EQ(engine().ScriptOffset(), 8u);
    EXPECT_FALSE(engine().SetScriptOffset(12));
    EXPECT_EQ(engine().ScriptOffset(), 8u);
}

TEST_F(ScriptLoad, DataLargerThanTheLimitLoadsNothing) {
    std::vector<uint8_t> big(kScriptMaxSize + 1, 0xFF);
    EXPECT_EQ(engine().LoadScriptData(big.data(), static_cast<uint32_t>(big.size())), nullptr);
    EXPECT_EQ(engine().m_scriptSize, 0u);
    EXPECT_EQ(engine().LastFault(), ScriptFault::kNoScript);
    big.pop_back();
    EXPECT_NE(engine().LoadScriptData(big.data(), static_cast<uint32_t>(big.size())), nullptr);
    EXPECT_EQ(engine().m_scriptSize, kScriptMaxSize);
}

TEST_F(ScriptBounds, KeptMalformedFilesStopWithTheirFault) {
    struct Case {
        const char* file;
        ScriptFault fault;
    };
    const Case cases[] = {
        {"truncated_text.s", ScriptFault::kTruncated},
        {"zero_length.s", ScriptFault::kZeroLength},
        {"jump_outside.s", ScriptFault::kJumpOutside},
        {"cut_in_command.s", ScriptFault::kTruncated},
    };
    for (const Case& c : cases) {
        boxes().clear();
        std::filesystem::copy_file(std::filesystem::path(KESTREL_TEST_DATA) / "script" / c.file,
                                   kestrel::test::ScriptTestFolder() / "script" / c.file,
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_NE(engine().LoadScript(c.file), nullptr) << c.file;
        game().scene = kSceneScript;
        EXPECT_EQ(RunUntilWait(), kSceneTitleMenu) << c.file;
        EXPECT_EQ(engine().m_vars[1], 1) << c.file;
        EXPECT_EQ(engine().LastFault(), c.fault) << c.file;
        ASSERT_EQ(boxes().size(), 1u) << c.file;
        EXPECT_NE(boxes()[0].text.find(c.file), std::string::npos) << boxes()[0].text;
        engine().m_vars[1] = 0;
    }
}

TEST_F(ScriptRun, EveryUsedCodeReachesItsHandlerAndContinuesPastItsText) {
    namespace script = kestrel::script;
    for (int op = 0; op < script::kOpcodeCount; ++op) {
        const auto& info = script::GetOpcodeInfo(op);
        if (!info.used || op == 2) // op 2 loads another script (tested on its own)
            continue;
        std::string line = std::string(info.name);
        for (size_t i = 0; i < info.fields.size(); ++i) {
            std::string operand = "0";
            if (info.fields[i].kind == script::FieldKind::kJump)
                operand = "after";
            else if (info.fields[i].kind == script::FieldKind::kText)
                operand = "\"xyz\"";
            else if (info.fields[i].kind == script::FieldKind::kPair)
                operand = "0:0";
            line += (i ? ", " : " ") + operand;
        }
        boxes().clear();
        engine().m_windowStyle = 0;
        engine().m_pickedEntry = 1; // a selection that the 12-way jump has
        const auto bytes = WriteScript("op.s", line + "\nafter: ExitToMenu\n");
        ASSERT_NE(engine().LoadScript("op.s"), nullptr);
        game().scene = kSceneScript;
        engine().RunScript();
        // Three picture commands report the missing picture or backup they need (with nothing
        // loaded, every one of them misses it); the others show nothing.
        const bool reportsMissing =
            info.name == "RestoreBg" || info.name == "SetScrCharSet" || info.name == "SetFaceFrame";
        EXPECT_EQ(boxes().size(), reportsMissing ? 1u : 0u)
            << info.name << ": " << (boxes().empty() ? "" : boxes()[0].text);
        EXPECT_EQ(engine().LastFault(), ScriptFault::kNone) << info.name;
        EXPECT_EQ(engine().ScriptOffset(), bytes.size() - 4) << info.name;
    }
}
