// The message scene driven frame by frame with the fake clock: reveal speed, clicks, AUTO, SKIP,
// read flags, the tags and the line-start rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "scene/message_fixture.h"
#include "scene/message_text.h"
#include "sound/snd_mng.h"
#include "support/surface_words.h"

namespace {

class MessageScene : public kestrel::test::MessageSceneTest {};

// A strip of `count` cells of `size` pixels (square unless a height is given), cell n opaque in
// IconColour(n).
uint32_t IconColour(int n) {
    return 0x2040E0u + 0x100000u * static_cast<uint32_t>(n);
}
CDIB32* IconStrip(int32_t size, int count, int32_t height = 0) {
    height = height != 0 ? height : size;
    auto* strip = new CDIB32();
    strip->Create(nullptr, static_cast<uint16_t>(size * count), static_cast<uint16_t>(height), 32);
    for (int n = 0; n < count; ++n)
        strip->FillRect(size * n, 0, size, height, 0xFF000000u | IconColour(n));
    return strip;
}
// Twenty two-byte characters (GBK "一").
const std::string kTwenty = [] {
    std::string s;
    for (int i = 0; i < 20; ++i)
        s += "\\xD2\\xBB";
    return s;
}();

TEST_F(MessageScene, RevealsOneGlyphPerDelayAtEachTextSpeed) {
    for (uint8_t style : {0, 1, 2}) {
        for (int8_t speed : {0, 50, 100}) {
            SCOPED_TRACE(testing::Message() << "style " << int(style) << " speed " << int(speed));
            g_SystemData.messageSpeed = speed;
            engine().m_windowStyle = style;
            engine().m_textX = 920;
            engine().m_msgStep = 0;
            Start("SetMessageId 1\nMessage \"" + kTwenty + "\"\nExitToMenu\n");
            Step(); // message id
            Step(); // message command
            ASSERT_EQ(game().scene, kSceneMessage);
            Step(); // start
            Step(); // page set-up
            if (style == 2 || speed == 100) {
                Step();
                EXPECT_EQ(engine().m_textIndex, 40);
                EXPECT_EQ(engine().m_msgStep, 3);
                continue;
            }
            // 1 ms frames for 300 ms: a glyph needs more than (100 - speed) ms of delay.
            for (int i = 0; i < 300; ++i)
                Step(1);
            const int delay = 100 - speed;
            const int glyphs = engine().m_textIndex / 2;
            EXPECT_GE(glyphs, 300 / (delay + 3));
            EXPECT_LE(glyphs, 300 / (delay + 1) + 1);
            EXPECT_NE(engine().m_msgStep, 3);
        }
    }
}

TEST_F(MessageScene, AClickCompletesThePageAndASecondGoesOn) {
    Start("SetMessageId 7\nMessage \"" + kTwenty + "\"\nSetVar 1, 9\nExitToMenu\n");
    for (int i = 0; i < 5; ++i)
        Step(1);
    ASSERT_EQ(game().scene, kSceneMessage);
    ASSERT_LT(engine().m_textIndex, 40);
    Click(); // ends the character delay, and the next step draws the rest
    Step();
    Step();
    EXPECT_EQ(engine().m_textIndex, 40);
    EXPECT_EQ(engine().m_msgStep, 3);
    EXPECT_EQ(g_pMouse->state.left, 0);
    EXPECT_EQ(g_SystemData.readFlags[7], 0);
    Step(5000); // without a click it waits
    EXPECT_EQ(game().scene, kSceneMessage);
    Click();
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(g_SystemData.readFlags[7], 1);
    EXPECT_EQ(game().backlogCount, 1u);
}

// The page is finished with its last glyph: a click right after it goes on.
TEST_F(MessageScene, AClickRightAfterTheLastGlyphGoesOn) {
    for (uint8_t style : {0, 1}) {
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        engine().m_textX = 920;
        Start("SetMessageId 5\nMessage \"ab\"\nExitToMenu\n");
        auto lastGlyphDrawn = [&] { return engine().m_msgStep >= 2 && engine().m_textIndex == 2; };
        for (int i = 0; i < 200 && !lastGlyphDrawn(); ++i)
            Step(1);
        Click();
        Step();
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(g_SystemData.readFlags[5], 1);
        g_SystemData.readFlags[5] = 0;
    }
}

TEST_F(MessageScene, AClickOnAWindowButtonDoesNotAdvance) {
    Start("SetMessageId 3\nMessage \"ab\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    EXPECT_EQ(StepUntilClickWait(20, 1), 5);
    g_pMouse->state.x = 880; // button 4 (load)
    g_pMouse->state.y = 470;
    Click();
    Step();
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(engine().m_hoverButton, 4);
}

TEST_F(MessageScene, AutoGoesOnAfterItsDelayWithoutAVoice) {
    Start("SetMessageId 2\nMessage \"ab\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    g_SystemData.autoSpeed = 50;
    engine().m_autoMode = 1;
    StepUntilClickWait(20, 0);
    ASSERT_EQ(engine().m_msgStep, 3);
    Step(1500);
    EXPECT_EQ(game().scene, kSceneMessage); // exactly 1500 ms is not more than the delay
    Step(1);
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(g_SystemData.readFlags[2], 1);
}

// SKIP pressed on the bar passes the read message and stops at the first unread one: the SKIP
// indicator stops, the click-wait icon shows and one click goes on.
TEST_F(MessageScene, SkipFromTheBarPassesReadMessagesAndStopsAtTheFirstUnread) {
    ReplaceSurface(g_pScriptUiSurfaces[kUiClickWait], IconStrip(40, 8));
    Start("SetMessageId 10\nMessage \"ab\"\nSetMessageId 11\nMessage \"cd\"\nSetMessageId 12\nMessage "
          "\"ef\"\nExitToMenu\n");
    g_SystemData.readFlags[10] = 1;
    g_SystemData.messageSpeed = 100;
    auto frames = [&](int n) {
        for (int i = 0; i < n; ++i)
            game().Frame();
    };
    frames(6);
    ASSERT_STREQ(engine().m_pMsgText, "ab");
    g_pMouse->state.x = 770; // SKIP
    g_pMouse->state.y = 470;
    Click();
    frames(40);
    EXPECT_STREQ(engine().m_pMsgText, "cd");
    EXPECT_EQ(PixelAt(g_ScreenSurface, 960, 524) & 0x0FFFFF, 0x0040E0u); // a cell of the icon
    g_pMouse->state.x = 100;
    Click();
    frames(6);
    EXPECT_EQ(g_SystemData.readFlags[11], 1);
    EXPECT_STREQ(engine().m_pMsgText, "ef");
}

TEST_F(MessageScene, ReadFlagsReachTheSystemDataFileAndIdsBeyondTheTableAreIgnored) {
    Start("SetMessageId 59999\nMessage \"a\"\nSetMessageId 4000000000\nMessage \"b\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    for (int i = 0; i < 40 && game().scene != kSceneTitleMenu; ++i) {
        Click();
        Step();
    }
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(g_SystemData.readFlags[59999], 1);
    ASSERT_TRUE(SaveSystemData());
    g_SystemData.readFlags[59999] = 0;
    ASSERT_TRUE(LoadSystemData());
    EXPECT_EQ(g_SystemData.readFlags[59999], 1);
}

TEST_F(MessageScene, ASpeakerLineNamesTheNextPlateOnly) {
    std::strcpy(engine().m_heroNames[1], "\xD3\xEE"); // given name
    const std::string hero = msgtext::SystemText("主人公");
    std::string esc;
    for (unsigned char c : hero) {
        char b[5];
        std::snprintf(b, sizeof b, "\\x%02X", c);
        esc += b;
    }
    for (uint8_t style : {0, 3}) { // every style but the vertical one and the caption band
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        Start("Message \"\\xA3\\xA3" + esc + "\"\nMessage \"ab\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        Step();
        Step(); // the name line ends in its first step
        EXPECT_EQ(game().scene, kSceneScript);
        ASSERT_NE(engine().m_pNamePlateText, nullptr);
        EXPECT_STREQ(engine().m_pNamePlateText, "\xD3\xEE");
        StepUntilClickWait(10, 0);
        Click();
        Step();
        EXPECT_EQ(engine().m_pNamePlateText, nullptr);
    }
}

TEST_F(MessageScene, ASpeakerLineCommandOfOnlyTheMarkEndsAtOnce) {
    Start("MessageEx 0, \"\\xA3\\xA3\"\nExitToMenu\n");
    Step();
    ASSERT_EQ(game().scene, kSceneSpeakerLine);
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    ASSERT_NE(engine().m_pNamePlateText, nullptr);
    EXPECT_STREQ(engine().m_pNamePlateText, "");
}

TEST_F(MessageScene, ASpeakerLineCommandWithoutTheMarkTakesThreeFramesAndCountsInTheBacklog) {
    Start("SetMessageId 5\nMessageEx 0, \"ab\"\nExitToMenu\n");
    Step();
    Step();
    const uint32_t before = game().backlogCount;
    Step();
    Step();
    EXPECT_EQ(game().scene, kSceneSpeakerLine);
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(game().backlogCount, before + 1);
    EXPECT_EQ(g_SystemData.readFlags[5], 1);
}

TEST(MessageText, LineStartTableHoldsTheTwentySevenCodesOnly) {
    int found = 0;
    for (uint32_t code = 0x8000; code <= 0xFFFF; ++code) {
        const char p[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF), 0};
        found += IsKinsokuChar(p);
    }
    EXPECT_EQ(found, 27);
    EXPECT_TRUE(IsKinsokuChar("\x81\x42"));
    EXPECT_FALSE(IsKinsokuChar("\x81"));
    EXPECT_TRUE(IsMarkCodeA("\xA1\xE7"));
    EXPECT_TRUE(IsMarkCodeB("\x81\xAB"));
    EXPECT_FALSE(IsMarkCodeB("\x81"));
    EXPECT_EQ(msgtext::CharBytes("\x81"), 1); // a lead byte at the end
}

TEST_F(MessageScene, ALineStartCharacterStaysOnTheFullLine) {
    // 32 two-byte characters fill a style-0 line past 63 units; the 33rd is 0x8142.
    std::string text;
    for (int i = 0; i < 32; ++i)
        text += "\\xD2\\xBB";
    text += "\\x81\\x42\\xD2\\xBB";
    Start("Message \"" + text + "\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    StepUntilClickWait(10, 0);
    // The break came after the 0x8142, so the last character is alone on line two.
    EXPECT_EQ(engine().m_lineCount, 1);
    EXPECT_EQ(engine().m_lineUnits, 2);
}

TEST_F(MessageScene, TagsWithMissingOrOversizedFieldsEndAtTheText) {
    engine().m_windowStyle = 0;
    EXPECT_EQ(engine().ParseTextTag("#s16#abc", 0), 5u);
    EXPECT_EQ(engine().ParseTextTag("#s", 10), 12u);        // unterminated: the end of the text
    EXPECT_EQ(engine().ParseTextTag("#q(1)#", 3), 5u);      // other letters: two bytes
    EXPECT_EQ(engine().ParseTextTag("x", 3), 4u);           // not a tag, one byte before the end
    EXPECT_EQ(engine().ParseTextTag("#f(99)[7]#", 0), 10u); // slot 9 (last digit), no sheet
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(engine().ParseTextTag("#b(9)x.wav#", 0), 11u); // channel outside the table: no effect
    std::string huge = "#v(0)" + std::string(300, 'a');
    EXPECT_EQ(engine().ParseTextTag(huge.c_str(), 0), 255u);
    EXPECT_EQ(engine().ParseNameTag("(name02)xy", 4), 12u);
    EXPECT_EQ(engine().m_nameSlot, 2);
    engine().m_nameSlot = 0;
    EXPECT_EQ(engine().ParseNameTag("(other)", 0), 7u);
    EXPECT_EQ(engine().m_nameSlot, 0);
    EXPECT_EQ(engine().ParseNameTag("(name01", 0), 7u);
    EXPECT_EQ(engine().m_nameSlot, 1);
    // The characters tag's picture is its group's last digit, its x every digit.
    EXPECT_EQ(engine().ParseTextTag("#p(1)[12]500:(3)[4]20#", 0), 22u);
    EXPECT_EQ(game().charSlotPicture[1], 2);
    EXPECT_EQ(game().charSlotX[1], 500);
    EXPECT_EQ(game().charSlotPicture[3], 4);
    EXPECT_EQ(game().charSlotX[3], 20);
}

// The hero's name is laid out as ordinary text: a break or a line-start character behind its tag
// comes after the whole name.
TEST_F(MessageScene, HeroNameIsLaidOutAsOrdinaryTextAndUnknownParenthesesPrintNothing) {
    std::strcpy(engine().m_heroNames[1], "\xD3\xEE\xD3\xEE");
    struct Case {
        int before; // two-byte characters before the name
        const char* after;
        int lines, units; // lines broken, units on the last line
    };
    for (const Case& c : {Case{0, "(zz)\\xD2\\xBB", 0, 6}, Case{0, "\\xA1\\xE7\\xD2\\xBB", 1, 2},
                          Case{31, "\\x81\\x41\\xD2\\xBB", 1, 6}}) {
        SCOPED_TRACE(c.after);
        std::string text;
        for (int i = 0; i < c.before; ++i)
            text += "\\xD2\\xBB";
        Start("Message \"" + text + "(name02)" + c.after + "\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        StepUntilClickWait(10, 0);
        EXPECT_EQ(engine().m_lineCount, c.lines);
        EXPECT_EQ(engine().m_lineUnits, c.units);
        Click();
        Step();
    }
}

TEST_F(MessageScene, AVoiceTagHandsOverToTheVoiceWaitAndComesBack) {
    Start("Message \"\\xD2\\xBB#v(0)se\\\\a01.wav#\\xD2\\xBB\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    for (int i = 0; i < 4 && game().scene != kSceneVoiceWait; ++i)
        Step();
    ASSERT_EQ(game().scene, kSceneVoiceWait);
    EXPECT_STREQ(engine().m_voiceFile, "a01.ogg");
    Click(); // ends the wait for the previous voice at once
    Step();
    Step();
    Step();
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(engine().m_msgStep, 2);
    StepUntilClickWait(5, 0);
    EXPECT_EQ(engine().m_textIndex, std::strlen(engine().m_pMsgText));
}

TEST_F(MessageScene, ButtonHitTestsFollowTheEnableRules) {
    auto at = [&](int x, int y) {
        g_pMouse->state.x = x;
        g_pMouse->state.y = y;
        return engine().GetMsgButtonAt();
    };
    game().scene = kSceneMessage;
    g_SystemData.skipUnread = 0;
    engine().m_msgId = 1;
    EXPECT_EQ(at(770, 470), 0); // SKIP on an unread message
    g_SystemData.readFlags[1] = 1;
    EXPECT_EQ(at(770, 470), 1);
    EXPECT_EQ(at(781, 470), 0); // the right edge is outside
    engine().m_inReplay = 1;
    EXPECT_EQ(at(840, 470), 0); // save in a replay
    EXPECT_EQ(at(880, 470), 0); // load in a replay
    engine().m_inReplay = 0;
    engine().m_skipRead = 1;
    EXPECT_EQ(at(840, 470), 0); // no hover while SKIP runs
}

TEST_F(MessageScene, OverlongTextsAndATrailingLeadByteRenderInEveryStyle) {
    std::string text(200, 'a');
    text += "\\xD2\\xBB\\xA1\\xE7\\x81\\xE8\\x30#s\\xD2";
    for (uint8_t style : {0, 1, 2}) {
        SCOPED_TRACE(int(style));
        engine().m_windowStyle = style;
        engine().m_msgStep = 0;
        engine().m_textX = 920;
        Start("Message \"" + text + "\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        EXPECT_LE(StepUntilClickWait(10, 0), 9);
        EXPECT_EQ(engine().m_msgStep, 3);
        EXPECT_EQ(engine().m_textIndex, std::strlen(engine().m_pMsgText));
        EXPECT_TRUE(engine().ComposeMsgScene());
    }
}

// The inline icon mark draws its cell of the icon strip where each layout puts it: copied into the
// bottom window (style 0) or onto the screen (style 2) 2 pixels right of the pen, blended into the
// vertical page (live, redrawn or rebuilt by the text-page command) 2 pixels left of the column and
// 22 below the pen. Without a glyph font a two-byte character advances 24 pixels (22 down a redrawn
// page).
TEST_F(MessageScene, InlineIconsAreDrawnWhereEachLayoutPutsThem) {
    ReplaceSurface(g_pScriptUiSurfaces[kUiInlineIcons], IconStrip(24, 3));
    // Top-left corner of the cell-1 pixels on `s`, or (-1, -1).
    auto corner = [&](CDIB32* s) {
        for (int32_t y = 0; y < s->GetHeight(); ++y)
            for (int32_t x = 0; x < s->GetWidth(); ++x)
                if (PixelAt(s, x, y) == IconColour(1))
                    return std::make_pair(x, y);
        return std::make_pair(-1, -1);
    };
    const std::string text = "\\xD2\\xBB\\x81\\xE801\\xD2\\xBB"; // as the assembler reads it
    struct Case {
        int style;
        std::pair<int32_t, int32_t> at;
    };
    // Style 0: pen (146, 500) + 24, the window at y 448. Style 1: column x 920, pen y 2 + 24. Style 2:
    // the text of 8 bytes starts at x 400 - 4 * 11, y 530.
    for (const Case& c : {Case{0, {172, 500}}, Case{1, {918, 48}}, Case{2, {382, 530}}}) {
        SCOPED_TRACE(c.style);
        engine().m_windowStyle = static_cast<uint8_t>(c.style);
        engine().m_msgStep = 0;
        engine().m_textX = 920;
        Start("Message \"" + text + "\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        StepUntilClickWait(10, 0);
        engine().ComposeMsgScene();
        EXPECT_EQ(corner(g_ScreenSurface), c.at);
        g_Layers[0]->FillRect(0, 0, 1024, 576, 0);
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
    }
    // The vertical page redraw and the text-page command: column x 920, pen y 2 + 22.
    std::strcpy(game().backlogText[0], "\xD2\xBB\x81\xE8"
                                       "01\xD2\xBB");
    game().backlogCount = 1;
    engine().m_lineCount = 1;
    CDIB32 page;
    page.Create(nullptr, 1024, 576, 24);
    engine().RedrawMessagePage(&page);
    EXPECT_EQ(corner(&page), std::make_pair(918, 46));
    ReplaceSurface(g_Layers[1], BlankScreen(nullptr, 0));
    Start("TextPage\nExitToMenu\n");
    Step();
    EXPECT_EQ(corner(g_Layers[1]), std::make_pair(918, 46));
    ReplaceSurface(g_Layers[1], nullptr);
    ReplaceSurface(g_Layer1Backup[1], nullptr);
    ReplaceSurface(g_pScriptUiSurfaces[kUiInlineIcons], nullptr);
}

// A caption of two lines shows its second line whole, 24 pixels below the first and centred alike,
// however long it is and whatever markup or one-byte characters stand before the break; a caption
// too long for one line and without a break shows every character, its second line 24 pixels down;
// a ruby reading shows above its base.
TEST_F(MessageScene, TheCaptionBandShowsBothLinesAndItsReadings) {
    g_GlyphFont = new CGlyphFont(nullptr);
    g_GlyphFont->SetFont(24, 0);
    engine().m_windowStyle = 2;
    auto ink = [&](int32_t x, int32_t y) { return PixelAt(g_ScreenSurface, x, y) != 0; };
    auto inkInRows = [&](int32_t top, int32_t bottom) {
        int n = 0;
        for (int32_t y = top; y < bottom; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                n += ink(x, y);
        return n;
    };
    auto show = [&](const std::string& text) {
        g_ScreenSurface->FillRect(0, 0, 1024, 576, 0);
        Start("Message \"" + text + "\"\nExitToMenu\n");
        StepUntilClickWait(10, 0);
        Click();
        Step();
    };
    auto run = [](int n, const char* before = "") {
        std::string s = before;
        for (int i = 0; i < n; ++i)
            s += "\\xCC\\xEF";
        return s;
    };
    show(run(1));
    const int glyphInk = inkInRows(490, 576);
    struct Case {
        std::string text;
        int glyphs;
        bool twinLines; // the second line the same as the first
    };
    // The glyphs' ink lies in rows y + 4 to y + 25 of their line.
    for (const Case& c :
         {Case{run(20) + "\\xA1\\xE7" + run(20), 40, true}, Case{run(5) + "\\xA1\\xE7" + run(5), 10, true},
          Case{run(20) + "#s024#\\xA1\\xE7" + run(20) + "#s024#", 40, true},
          Case{run(5) + "#s24#\\xA1\\xE7" + run(5) + "#s24#", 10, true},
          Case{run(5, " ") + "\\xA1\\xE7" + run(5, " "), 10, true}, Case{run(40), 40, false}}) {
        SCOPED_TRACE(c.text);
        show(c.text);
        EXPECT_GT(inkInRows(520, 544), 0);
        EXPECT_GT(inkInRows(544, 568), 0);
        EXPECT_EQ(inkInRows(568, 576), 0);
        EXPECT_EQ(inkInRows(490, 576), c.glyphs * glyphInk); // every glyph whole on the screen
        int differ = 0;
        for (int32_t y = 520; y < 544; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                differ += ink(x, y) != ink(x, y + 24);
        EXPECT_EQ(differ == 0, c.twinLines);
    }
    show("<\\xCC\\xEF\\xCC\\xEF<\\xCC\\xEF>"); // one line at y 530: its base's ink begins at row 534
    EXPECT_GT(inkInRows(519, 534), 0);
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

TEST_F(MessageScene, VerticalMessagesStartInTheNextColumnAndAutoPassesTheInlineClickWait) {
    engine().m_windowStyle = 1;
    engine().m_textX = 920;
    Start("Message \"\\xD2\\xBB\\x81\\xAB\\xD2\\xBB\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    for (int i = 0; i < 6 && game().scene != kSceneClickWait; ++i)
        Step();
    ASSERT_EQ(game().scene, kSceneClickWait);
    engine().ModeClickWait(); // no input: it waits
    EXPECT_EQ(game().scene, kSceneClickWait);
    engine().m_autoMode = 1;
    engine().ModeClickWait();
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(engine().m_msgStep, 2);
    StepUntilClickWait(5, 0);
    EXPECT_EQ(engine().m_textX, 920 - 42); // the next message begins one column left
}

// The click-wait icon is drawn where its window puts it, and no frame of its animation stays on
// the screen above it.
TEST_F(MessageScene, TheClickWaitIconIsDrawnWhereItsWindowPutsIt) {
    auto icon = [&](int32_t x, int32_t y) {
        return (PixelAt(g_ScreenSurface, x, y) & 0x0FFFFF) == 0x0040E0u;
    };
    struct Case {
        uint8_t style;
        const char* text;
        int32_t x, y;
    };
    // The bottom window's corner; the caption band's black corner; the vertical style's small strip
    // of 28 x 18 cells below the column that waits inside its page (pen at x 920, y 2 + 24: the
    // place (898, 27) moved by (16, 18)).
    for (const Case& c : {Case{0, "ab", 960, 524}, Case{2, "ab", 740, 552},
                          Case{1, "\\xD2\\xBB\\x81\\xAB\\xD2\\xBB", 914, 45}}) {
        SCOPED_TRACE(int(c.style));
        ReplaceSurface(g_pScriptUiSurfaces[kUiClickWait],
                       c.style == 1 ? IconStrip(28, 6, 18) : IconStrip(40, 8));
        engine().m_windowStyle = c.style;
        engine().m_textX = 920;
        Start(std::string("Message \"") + c.text + "\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        for (int i = 0; i < 10 && engine().m_msgStep != 3; ++i)
            Step();
        for (int frame = 0; frame < 8; ++frame) {
            engine().ComposeMsgScene();
            clock_.clock().Advance(121);
        }
        EXPECT_TRUE(icon(c.x, c.y));
        EXPECT_FALSE(icon(c.x, c.y - 1));
        Click();
        Step();
    }
}

// The vertical style's 28 x 18 strip steps through six frames, once more than 80 ms have passed; the
// 40 x 40 cells through eight, once more than 120 ms have passed. Drawn every millisecond, frame n
// shows from n x 81 (or n x 121) ms on.
TEST_F(MessageScene, TheClickWaitIconStepsThroughItsFramesAtItsPeriod) {
    const struct {
        uint8_t style;
        int32_t cell, dx, dy;
        uint32_t frames, period;
    } cases[] = {{1, 28, 16, 18, 6, 80}, {0, 40, 0, 0, 8, 120}};
    game().scene = kSceneMessage;
    engine().m_msgStep = 3;
    for (const auto& c : cases) {
        ReplaceSurface(g_pScriptUiSurfaces[kUiClickWait], IconStrip(c.cell, static_cast<int>(c.frames)));
        engine().m_windowStyle = c.style;
        engine().m_clickWaitFrame = 0;
        engine().m_clickWaitTime = clock_.clock().Now();
        int wrong = -1; // the first millisecond that shows another frame
        for (uint32_t e = 0; e < 2 * c.frames * (c.period + 1) && wrong < 0; ++e) {
            engine().DrawClickWait(500, 300);
            const uint32_t shown = PixelAt(g_ScreenSurface, 500 + c.dx, 300 + c.dy);
            if (shown != IconColour(static_cast<int>(e / (c.period + 1) % c.frames)))
                wrong = static_cast<int>(e);
            clock_.clock().Advance(1);
        }
        EXPECT_EQ(wrong, -1) << "style " << int(c.style);
    }
}

// A vertical column filled exactly breaks when the next character, ruby base or wait comes, live
// as in the page redraw and the text-page command: whatever markup, forced break or message end
// lies between, the next character stands at the top of the next column (x 878), none in the one
// after it, and a ruby whose base ends the column keeps its reading (right of column 920).
TEST_F(MessageScene, AFullVerticalColumnBreaksAlikeLiveAndInBothRedraws) {
    g_GlyphFont = new CGlyphFont(nullptr);
    g_GlyphFont->SetFont(22, 1);
    ReplaceSurface(g_Layers[1], BlankScreen(nullptr, 0));
    const std::string one = "\\xD2\\xBB";
    std::string column; // 23 two-byte characters: 46 units, one more than a column holds
    for (int i = 0; i < 23; ++i)
        column += one;
    auto ink = [](CDIB32* s, int32_t left, int32_t right, int32_t bottom) {
        int n = 0;
        for (int32_t y = 0; y < bottom; ++y)
            for (int32_t x = left; x < right; ++x)
                n += PixelAt(s, x, y) != 0;
        return n;
    };
    struct Case {
        std::vector<std::string> messages;
        bool reading;
    };
    engine().m_windowStyle = 1;
    g_SystemData.messageSpeed = 100;
    for (const Case& c : {Case{{column, one}, false}, Case{{column + "#s22#", one}, false},
                          Case{{column + "#s22#\\xA1\\xE7" + one}, false},
                          Case{{"<" + column + "<" + one + ">" + one}, true}}) {
        SCOPED_TRACE(c.messages[0].substr(c.messages[0].size() - 12));
        std::string script;
        for (const std::string& m : c.messages)
            script += "Message \"" + m + "\"\n";
        engine().m_textX = 920;
        engine().m_lineCount = 0;
        game().backlogCount = 0;
        g_Layers[0]->FillRect(0, 0, 1024, 576, 0);
        g_Layers[1]->FillRect(0, 0, 1024, 576, 0);
        Start(script + "TextPage\nExitToMenu\n");
        for (size_t m = 0; m < c.messages.size(); ++m) {
            StepUntilClickWait(5, 0);
            Click();
            Step();
        }
        CDIB32 redrawn;
        redrawn.Create(nullptr, 1024, 576, 24);
        engine().RedrawMessagePage(&redrawn);
        Step(); // the text page onto layer 1
        for (CDIB32* page : {g_Layers[0], &redrawn, g_Layers[1]}) {
            EXPECT_GT(ink(page, 878, 900, 30), 0);
            EXPECT_EQ(ink(page, 836, 858, 30), 0);
            EXPECT_EQ(ink(page, 944, 970, 576) > 0, c.reading);
        }
    }
    ReplaceSurface(g_Layers[1], nullptr);
    ReplaceSurface(g_Layer1Backup[1], nullptr);
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

TEST_F(MessageScene, WaitVoiceOnAnEmptyChannelEndsInTheSecondFrame) {
    game().scene = kSceneWaitVoice;
    engine().m_voiceChannel = 3;
    engine().ModeWaitVoice();
    EXPECT_EQ(game().scene, kSceneWaitVoice);
    engine().ModeWaitVoice();
    engine().ModeWaitVoice();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_voiceChannel, 0);
    engine().m_voiceChannel = 200; // beyond the table
    game().scene = kSceneStopVoice;
    engine().ModeStopVoice();
    engine().ModeStopVoice();
    EXPECT_EQ(game().scene, kSceneScript);
}

TEST_F(MessageScene, WaitClickNeedsAClick) {
    game().scene = kSceneWaitClick;
    for (int i = 0; i < 5; ++i)
        engine().ModeWaitClick();
    EXPECT_EQ(game().scene, kSceneWaitClick);
    Click();
    engine().ModeWaitClick();
    engine().ModeWaitClick();
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(g_pMouse->state.left, 0);
}

TEST_F(MessageScene, PageRedrawDrawsTheLastRowsInColumnsAndStepsOverTags) {
    g_GlyphFont = new CGlyphFont(nullptr);
    g_GlyphFont->SetFont(22, 1);
    std::strcpy(game().backlogText[0], "\xD2\xBB");
    std::strcpy(game().backlogText[1], "\xD2\xBB#b(0)x#<\xD2\xBB<\xD2\xBB>");
    std::strcpy(game().backlogText[2], "#s");
    game().backlogCount = 3;
    engine().m_lineCount = 3;
    auto* page = new CDIB32();
    page->Create(nullptr, 1024, 576, 24);
    engine().RedrawMessagePage(page);
    auto inkIn = [&](int32_t x0) {
        int ink = 0;
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = x0; x < x0 + 40; ++x) {
                uint32_t px;
                std::memcpy(&px, page->GetPixelAddress(x, y), 4);
                ink += (px & 0xFFFFFF) != 0;
            }
        return ink;
    };
    EXPECT_GT(inkIn(920), 0);
    EXPECT_GT(inkIn(878), 0);
    EXPECT_EQ(inkIn(836), 0); // the tag-only row draws nothing
    EXPECT_EQ(engine().m_textX, 920 - 2 * 42);
    EXPECT_EQ(g_pSeChannels[0], nullptr); // the sound-effect tag is not replayed
    delete page;
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

TEST_F(MessageScene, AScriptOfManyMessagesPlaysToItsEndThroughTheFrameLoop) {
    std::string script;
    for (int i = 0; i < 30; ++i)
        script += "SetMessageId " + std::to_string(100 + i) +
                  "\nMessage \"\\xD2\\xBB#s20#<\\xD2\\xBB<ab>(name01)\"\n";
    Start(script + "ExitToMenu\n");
    int frames = 0;
    for (; frames < 5000 && game().scene != kSceneTitleMenu; ++frames) {
        if (frames % 7 == 0)
            Click();
        game().Frame();
    }
    EXPECT_EQ(game().scene, kSceneTitleMenu);
    EXPECT_EQ(game().backlogCount, 30u);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(g_SystemData.readFlags[100 + i], 1) << i;
}

TEST_F(MessageScene, TheTextPageDrawsRubyReadingsBesideTheirBase) {
    g_GlyphFont = new CGlyphFont(nullptr);
    g_GlyphFont->SetFont(22, 1);
    auto* background = new CDIB32();
    background->Create(nullptr, 1024, 576, 24);
    ReplaceSurface(g_Layers[1], background);
    auto readingInk = [&](const char* row) {
        std::strcpy(game().backlogText[0], row);
        game().backlogCount = 1;
        engine().m_lineCount = 1;
        g_Layers[1]->FillRect(0, 0, 1024, 576, 0);
        Start("TextPage\nExitToMenu\n");
        engine().RunScript();
        int ink = 0; // the reading column right of the 22-pixel base column at x 920
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 944; x < 958; ++x) {
                uint32_t px;
                std::memcpy(&px, g_Layers[1]->GetPixelAddress(x, y), 4);
                ink += (px & 0xFFFFFF) != 0;
            }
        return ink;
    };
    const int without = readingInk("\xD2\xBB\xD2\xBB");
    const int with = readingInk("<\xD2\xBB\xD2\xBB<\xD2\xBB>");
    EXPECT_GT(with, without);
    ReplaceSurface(g_Layers[1], nullptr);
    ReplaceSurface(g_Layer1Backup[1], nullptr);
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

// The wait draws the window once, its name plate still naming the last speaker (the plate's clean
// frame is not put back), and ends in its first waiting frame on an empty channel.
TEST_F(MessageScene, SoundEffectWaitOnAnEmptyChannelEndsInItsFirstWaitingFrame) {
    for (auto [ui, colour] : {std::pair{kUiFrame, 0xFF112233u}, {kUiFrameWork, 0xFF445566u}}) {
        auto* plate = new CDIB32();
        plate->Create(nullptr, 160, 40, 32);
        plate->FillRect(0, 0, 160, 40, colour);
        ReplaceSurface(g_pScriptUiSurfaces[ui], plate);
    }
    game().scene = kSceneWaitSe;
    engine().m_waitSeChannel = 3;
    engine().ModeWaitSe(); // draws the window
    uint32_t named;
    std::memcpy(&named, g_ScreenSurface->GetPixelAddress(20, 460), 4);
    EXPECT_EQ(named & 0xFFFFFF, 0x112233u) << "the speaker's plate";
    EXPECT_EQ(engine().m_msgStep, 1);
    engine().ModeWaitSe();
    EXPECT_EQ(engine().m_msgStep, 2);
    engine().ModeWaitSe();
    EXPECT_EQ(game().scene, kSceneScript);
    engine().m_waitSeChannel = 250; // beyond the table
    game().scene = kSceneWaitSe;
    for (int i = 0; i < 3; ++i)
        engine().ModeWaitSe();
    EXPECT_EQ(game().scene, kSceneScript);
}

TEST_F(MessageScene, AFaceTagDrawsItsCellFiveToARowAndReadsTheLastDigitOfTheSlot) {
    auto* sheet = new CDIB32();
    sheet->Create(nullptr, 200, 172, 32);
    for (int32_t y = 0; y < 172; ++y)
        for (int32_t x = 0; x < 200; ++x) {
            const uint32_t px = 0xFF000000u | static_cast<uint32_t>((x / 40) << 16 | (y / 43) << 8 | 0x11);
            std::memcpy(sheet->GetPixelAddress(x, y), &px, 4);
        }
    g_FaceSurfaces[2] = sheet;
    auto* base = new CDIB32();
    base->Create(nullptr, 400, 576, 32);
    g_pCharBaseSurfaces[2] = base;
    game().charSlotX[2] = 512;
    auto cellAt = [&] {
        uint32_t px;
        std::memcpy(&px, g_ScreenSurface->GetPixelAddress(312 + 174 + 5, 146 + 5), 4);
        return px & 0xFFFFFF;
    };
    EXPECT_EQ(engine().ParseTextTag("#f(2)[7]#", 0), 9u);
    EXPECT_EQ(cellAt(), 0x020111u); // cell (2, 1)
    EXPECT_EQ(game().charSlotPicture[2], 7);
    engine().ParseTextTag("#f(12)[12]#", 0);
    EXPECT_EQ(cellAt(), 0x020211u); // slot 2 again, cell (2, 2)
    EXPECT_TRUE(boxes().empty());
    delete sheet;
    g_FaceSurfaces[2] = nullptr;
    delete base;
    g_pCharBaseSurfaces[2] = nullptr;
}

TEST_F(MessageScene, TheEndOfAVerticalMessageClearsTheWindowOptionByte) {
    for (uint8_t style : {0, 1}) {
        engine().m_windowStyle = style;
        engine().m_textX = 920;
        Start("SetParam63 7\nMessage \"ab\"\nExitToMenu\n");
        g_SystemData.messageSpeed = 100;
        StepUntilClickWait(20, 1);
        EXPECT_EQ(engine().m_param63, 7);
        Click();
        Step();
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_param63, style == 1 ? 0 : 7) << int{style};
    }
}

TEST_F(MessageScene, TheHideKeyAndTheRightClickHideTheWindowAndTheNextInputShowsIt) {
    Start("SetMessageId 4\nMessage \"ab\"\nExitToMenu\n");
    g_SystemData.messageSpeed = 100;
    StepUntilClickWait(20, 1);
    ASSERT_EQ(engine().m_msgStep, 3);
    g_Layers[0]->Fill(0x222222, nullptr);
    g_ScreenSurface->Fill(0x111111, nullptr);
    delete g_SePlayers[0];
    g_SePlayers[0] = nullptr;

    // The hide key: the screen shows layer 0, the window is kept for later; nothing advances.
    g_pKeyboard->space = 1;
    Step();
    EXPECT_EQ(engine().m_windowHidden, 1);
    EXPECT_EQ(g_pKeyboard->space, 0);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 500, 500), 0x222222u);
    ASSERT_NE(g_SavedScreenSurface, nullptr);
    EXPECT_EQ(PixelAt(g_SavedScreenSurface, 500, 500), 0x111111u);
    EXPECT_EQ(g_SePlayers[0], nullptr) << "the key hides without a click";
    Step(5000);
    EXPECT_EQ(engine().m_windowHidden, 1);
    EXPECT_EQ(game().scene, kSceneMessage);

    // The key again shows the window, the screen as it was.
    g_pKeyboard->space = 1;
    Step();
    EXPECT_EQ(engine().m_windowHidden, 0);
    EXPECT_EQ(g_pKeyboard->space, 0);
    EXPECT_EQ(engine().m_redrawWindow, 1);
    EXPECT_EQ(PixelAt(g_ScreenSurface, 500, 500), 0x111111u);
    EXPECT_EQ(g_SavedScreenSurface, nullptr);

    // The right click (when the options let it hide) clicks; a left click then only shows the window.
    g_SystemData.rightClickMode = 1;
    g_pMouse->state.right = 1;
    Step();
    EXPECT_EQ(engine().m_windowHidden, 1);
    EXPECT_EQ(g_pMouse->state.right, 0);
    EXPECT_NE(g_SePlayers[0], nullptr);
    Click();
    Step();
    EXPECT_EQ(engine().m_windowHidden, 0);
    EXPECT_EQ(game().scene, kSceneMessage);
    EXPECT_EQ(engine().m_msgStep, 3);
    Click();
    Step();
    EXPECT_EQ(game().scene, kSceneScript);
}

} // namespace
