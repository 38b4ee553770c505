// The backlog through the running game: which entries each scroll position shows, scrolling by
// buttons, keys and wheel within its table, and the voice replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "graphics/glyph_font.h"
#include "screens/backlog_scene.h"
#include "screens/scene_objects.h"
#include "screens/screen_test_env.h"
#include "screens/system_screens_fixture.h"
#include "sound/snd_mng.h"
#include "writers/ogg_writer.h"

using namespace screentest;

namespace {

constexpr SceneId kIdleScene = 7;
constexpr int kPageWidth = 940; // left of the scroll buttons

class Backlog : public SystemScreensGame {
protected:
    // `count` entries "line NN" with speakers; every third has a voice.
    void Fill(uint32_t count) {
        g_pGameMain->backlogCount = 0;
        for (uint32_t i = 0; i < count; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "line %03u", i);
            const char* voice = i % 3 == 0 ? (i % 2 == 0 ? "mis001.ogg" : "TAK002.ogg") : "";
            g_pGameMain->PushBacklog(text, i % 2 ? "B" : "A", voice);
        }
    }
    void OpenBacklog() {
        Open(kSceneBacklog, kIdleScene);
        ASSERT_TRUE(RunUntil([] { return g_pBacklogScene && g_pBacklogScene->state == 2; }));
        MoveTo(600, 570); // on no button
        game.StepFrames(1);
    }
    static std::vector<uint32_t> Row(int row) {
        return Pixels(0, CBacklogScene::kRowHeight * row, kPageWidth, CBacklogScene::kRowHeight);
    }
};

TEST_F(Backlog, EachPositionShowsItsFourEntriesAndNeverTheNewest) {
    Fill(10);
    OpenBacklog();
    EXPECT_EQ(g_pBacklogScene->position, 5); // entries 5..8; entry 9 is the message on screen
    std::vector<std::vector<uint32_t>> page;
    for (int row = 0; row < 4; ++row) {
        page.push_back(Row(row));
    }
    for (int row = 1; row < 4; ++row) {
        EXPECT_NE(page[row], page[row - 1]) << "rows show different entries";
    }
    game.Wheel(1); // away from the user: one entry back
    game.StepFrames(1);
    ASSERT_EQ(g_pBacklogScene->position, 4);
    for (int row = 1; row < 4; ++row) {
        EXPECT_TRUE(Row(row) == page[row - 1])
            << "row " << row << " shows the entry row " << row - 1 << " showed";
    }
    game.Wheel(-1);
    game.StepFrames(1);
    EXPECT_EQ(g_pBacklogScene->position, 5);
    game.Wheel(-1); // at the end: stays
    game.StepFrames(1);
    EXPECT_EQ(g_pBacklogScene->position, 5);
    for (int row = 0; row < 4; ++row) {
        EXPECT_TRUE(Row(row) == page[row]) << row;
    }
}

TEST_F(Backlog, FewerThanFiveEntriesShowRowsZeroToThree) {
    // Each row against the page without text: the rows of the entries, the newest included, are
    // drawn; the rows beyond the count are as the tables hold them (empty here).
    for (const uint32_t count : {1u, 3u, 4u}) {
        SCOPED_TRACE(count);
        Fill(count);
        OpenBacklog();
        EXPECT_EQ(g_pBacklogScene->position, 0);
        CDIB32* clean = g_Layers[CBacklogScene::kSlotClean];
        ASSERT_NE(clean, nullptr);
        for (int row = 0; row < 4; ++row) {
            int differing = 0;
            for (int y = CBacklogScene::kRowHeight * row;
                 y < CBacklogScene::kRowHeight * (row + 1) && y < 576; ++y)
                for (int x = 0; x < kPageWidth; ++x)
                    differing +=
                        (PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF) != (PixelOf(clean, x, y) & 0xFFFFFF);
            EXPECT_EQ(differing > 0, row < static_cast<int>(count)) << "row " << row;
        }
        ClickAt(10, 10, plat::MouseButton::Right);
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
    }
}

TEST_F(Backlog, LeavingSetsTheMessageWindowsFontOfTheWindowStyle) {
    // Height 22 for the vertical window (style 1), 24 for the bottom window and the caption band.
    for (const auto& [style, height] : {std::pair{0, 24}, std::pair{1, 22}, std::pair{2, 24}}) {
        SCOPED_TRACE(style);
        g_pScriptMng->m_windowStyle = static_cast<uint8_t>(style);
        Fill(6);
        OpenBacklog();
        ClickAt(10, 10, plat::MouseButton::Right);
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
        ASSERT_NE(g_GlyphFont, nullptr);
        EXPECT_EQ(g_GlyphFont->GetHeight(), height);
    }
}

TEST_F(Backlog, ScrollButtonsStayWithinTheTable) {
    struct Case {
        uint32_t count;
        int32_t first;     // position on entry
        int32_t afterBack; // after four back
        int32_t afterFwd;  // then one forward, then four forward
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {4, 0, 0, 0}, {6, 1, 0, 1}, {10, 5, 1, 5}, {250, 245, 241, 245},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        Fill(c.count);
        OpenBacklog();
        EXPECT_EQ(g_pBacklogScene->position, c.first);
        ClickAt(977, 336); // four back
        EXPECT_EQ(g_pBacklogScene->position, c.afterBack);
        ClickAt(977, 431); // one forward
        ClickAt(977, 482); // four forward
        EXPECT_EQ(g_pBacklogScene->position, c.afterFwd);
        for (int i = 0; i < 3; ++i) {
            game.Wheel(1);
            game.Wheel(-1);
        }
        game.StepFrames(1);
        EXPECT_GE(g_pBacklogScene->position, 0);
        EXPECT_LE(g_pBacklogScene->position, std::max(g_pBacklogScene->maxPosition, 0));
        ClickAt(980, 545); // return
        ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
    }
}

TEST_F(Backlog, VoiceButtonReplaysTheEntrysVoiceAtItsSpeakersVolume) {
    game.WriteFile("voice/mis001.ogg", kestrel::test::MakeToneOgg(440.0, 1.0));
    game.WriteFile("voice/TAK002.ogg", kestrel::test::MakeToneOgg(660.0, 0.5));
    Fill(10); // entries 6 (mis) and 3 (TAK) have voices
    OpenBacklog();
    ASSERT_EQ(g_pBacklogScene->position, 5);
    const RECT& row1 = CBacklogScene::kButtonRects[1]; // entry 6
    MoveTo(row1.left + 5, row1.top + 5);
    game.StepFrames(1);
    ClickAt(row1.left + 5, row1.top + 5);
    ASSERT_NE(g_VoicePlayers[0], nullptr);
    EXPECT_NEAR(g_VoicePlayers[0]->GetTotalTime(), 1.0, 0.05);
    EXPECT_FALSE(g_VoicePlayers[0]->IsStopped());
    // Four back: entry 3 is in row 2.
    ClickAt(977, 336);
    ASSERT_EQ(g_pBacklogScene->position, 1);
    const RECT& row2 = CBacklogScene::kButtonRects[2];
    ClickAt(row2.left + 5, row2.top + 5);
    ASSERT_NE(g_VoicePlayers[0], nullptr);
    EXPECT_NEAR(g_VoicePlayers[0]->GetTotalTime(), 0.5, 0.05);
    // A row without a voice takes the press silently; the voice playing goes on.
    const RECT& row0 = CBacklogScene::kButtonRects[0]; // entry 1
    ClickAt(row0.left + 5, row0.top + 5);
    ASSERT_NE(g_VoicePlayers[0], nullptr);
    EXPECT_NEAR(g_VoicePlayers[0]->GetTotalTime(), 0.5, 0.05);
    // A right click leaves and stops the voice.
    game.Click(10, 570, plat::MouseButton::Right);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
    EXPECT_EQ(g_VoicePlayers[0], nullptr);
}

TEST(BacklogSpeaker, FirstElevenPrefixesWithoutRegardToCase) {
    struct Case {
        const char* voice;
        int index;
    };
    const Case cases[] = {
        {"tak001.ogg", 0}, {"TAK001.ogg", 0}, {"Mis9.ogg", 2}, {"jun1.ogg", 10},
        {"etc1.ogg", 11},  {"zzz1.ogg", 11},  {"ta", 11},      {"", 11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CBacklogScene::SpeakerIndex(c.voice), c.index) << c.voice;
    }
}

// An inline icon mark after a two-byte character draws its cell of the icon strip at (x - 6, y) of
// the pen after that character; a mark after a one-byte character or with one digit is no icon.
TEST_F(Backlog, InlineIconsComeFromTheStrip) {
    constexpr int kCells = 4;
    auto colour = [](int n) { return 0x0011E0u + 0x100000u * static_cast<uint32_t>(n); };
    auto* strip = new CDIB32();
    ASSERT_TRUE(strip->Create(nullptr, 24 * kCells, 24, 32));
    for (int n = 0; n < kCells; ++n)
        strip->FillRect(24 * n, 0, 24, 24, 0xFF000000u | colour(n));
    ReplaceSurface(g_pScriptUiSurfaces[kUiInlineIcons], strip);
    const struct {
        const char* text;
        int icon; // cell expected on the row, -1 none
    } cases[] = {
        {"\xB0\xA1\x81\xE8"
         "02",
         2},
        {"a\x81\xE8"
         "01",
         -1},
        {"\xB0\xA1\x81\xE8"
         "3",
         -1},
        {"\xB0\xA1\x81\xE8"
         "03\xB0\xA1",
         3},
    };
    Fill(6); // position 1: entries 1 to 4 on rows 0 to 3
    for (int row = 0; row < 4; ++row)
        std::strcpy(g_pGameMain->backlogText[row + 1], cases[row].text);
    OpenBacklog();
    ASSERT_EQ(g_pBacklogScene->position, 1);
    // Where the pen stands after the first character: the icon is drawn 6 pixels left of it.
    CDIB32 scratch;
    ASSERT_TRUE(scratch.Create(nullptr, 64, 64, 32));
    ASSERT_NE(g_GlyphFont, nullptr);
    g_GlyphFont->SetFont(24, 0);
    const int32_t iconLeft = 98 + g_GlyphFont->DrawString(&scratch, 0, 0, "\xB0\xA1", 0xFFFFFF) - 6;
    for (int row = 0; row < 4; ++row) {
        for (int n = 0; n < kCells; ++n) {
            int left = kPageWidth, top = 576, right = -1, bottom = -1;
            const std::vector<uint32_t> pixels = Row(row);
            for (size_t i = 0; i < pixels.size(); ++i) {
                if (pixels[i] != colour(n))
                    continue;
                const int x = static_cast<int>(i % kPageWidth), y = static_cast<int>(i / kPageWidth);
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
            if (n != cases[row].icon) {
                EXPECT_EQ(right, -1) << "row " << row << " shows cell " << n;
                continue;
            }
            EXPECT_EQ(left, iconLeft) << row;
            EXPECT_EQ(top, 42) << row;
            EXPECT_EQ(right - left + 1, 24) << row;
            EXPECT_EQ(bottom - top + 1, 24) << row;
        }
    }
}

TEST_F(Backlog, DamagedRowsAndTagsLayOutWithinTheirRow) {
    Fill(6);
    // A row filled to its last byte without a terminator, open tags, an unterminated ruby and name
    // tag, and a font-height tag that persists.
    std::memset(g_pGameMain->backlogText[1], 'x', sizeof g_pGameMain->backlogText[1]);
    std::strcpy(g_pGameMain->backlogText[2], "#s30#big <base<read");
    std::strcpy(g_pGameMain->backlogText[3], "(name01");
    std::strcpy(g_pGameMain->backlogText[4], "#f(1)[2 #p(1)[2]:(3");
    std::memset(g_pGameMain->backlogSpeaker[1], '\xB0', sizeof g_pGameMain->backlogSpeaker[1]);
    OpenBacklog();
    EXPECT_EQ(g_pBacklogScene->position, 1);
    ClickAt(980, 545);
    ASSERT_TRUE(RunUntil([] { return g_pGameMain->scene == kIdleScene; }));
}

} // namespace
