// The notebook on a fake clock: the fades from and back to the game picture, the list pages of the
// second tab, an entry's detail and text, the wrapping of page texts (overlong, odd, missing), and
// the flow chart's percentages and tabs, compared as pictures.
#include "screens/note_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/text_codec.h"
#include "screens/scene_objects.h"
#include "screens/screen_object.h"
#include "screens/screen_test_env.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screentest;

namespace {

constexpr uint32_t kGame = 0x00102030;  // the game picture under the notebook
constexpr uint32_t kPaper = 0x00E0E8F0; // every page background
constexpr uint32_t kStripColour = 0x00406080;

// The digit d of the parts sheet is a flat colour of its own.
uint32_t DigitColour(int d) {
    return 0x00300000u | static_cast<uint32_t>(d * 20) << 8 | 0x11u;
}

// Page backgrounds, an opaque parts sheet with coloured digits, name sheets, and flow sheets.
void WriteNotebookPictures(const TempGameFolder& folder) {
    for (int t = 1; t <= 5; ++t)
        folder.WriteFlatBitmap("system/note_base0" + std::to_string(t) + ".bmp", 1024, 576, kPaper);
    std::vector<uint32_t> parts(400 * 560, 0xFF808080u);
    for (int d = 0; d < 10; ++d)
        for (int y = 118; y < 139; ++y)
            for (int x = 190 + 11 * d; x < 201 + 11 * d; ++x)
                parts[static_cast<size_t>(y) * 400 + x] = 0xFF000000u | DigitColour(d);
    folder.WriteBitmap32("system/note_p.bmp", 400, 560, parts);
    std::vector<uint32_t> names(642 * 27 * 60, 0xFF000000u | kStripColour);
    for (const char* sheet : {"find_charar", "find_matter", "find_article", "find_gossip", "find_another"})
        folder.WriteBitmap32(std::string("system/") + sheet + ".bmp", 642, 27 * 60, names);
    for (int f = 1; f <= 11; ++f) {
        char name[40];
        std::snprintf(name, sizeof name, "system/flow_base%02d.bmp", f);
        folder.WriteFlatBitmap(name, 1024, 576, kPaper);
        std::snprintf(name, sizeof name, "system/flow_p%02d.bmp", f);
        folder.WriteBitmap32(name, 600, 300, std::vector<uint32_t>(600 * 300, 0xFF00FF00u));
    }
}

struct Notebook : ::testing::Test {
    ScreenRuntime rt;
    void SetUp() override {
        WriteNotebookPictures(rt.folder());
        g_pScriptUiSurfaces[kUiSnapshot] = new CDIB32();
        g_pScriptUiSurfaces[kUiSnapshot]->Create(rt.hwnd(), 1024, 576, 24);
        g_pScriptUiSurfaces[kUiSnapshot]->FillRect(0, 0, 1024, 576, kGame);
        g_pGameMain->returnScene = kSceneMessage;
        g_GlyphFont = new CGlyphFont(rt.hwnd());
        g_GlyphFont->SetFont(24, 0);
    }
    void TearDown() override {
        delete g_GlyphFont;
        g_GlyphFont = nullptr;
        delete g_pScriptUiSurfaces[kUiSnapshot];
        g_pScriptUiSurfaces[kUiSnapshot] = nullptr;
    }
    // Opens the notebook and runs it to its input sub-state.
    void Open() {
        g_pGameMain->scene = kSceneNote;
        for (int i = 0; i < 100 && (!g_pNoteScene || g_pNoteScene->state != 2); ++i)
            g_pGameMain->Frame();
        ASSERT_NE(g_pNoteScene, nullptr);
        ASSERT_EQ(g_pNoteScene->state, 2);
    }
    void ClickAt(int x, int y) {
        rt.MoveMouse(x, y);
        g_pGameMain->Frame(); // the hover
        rt.PressLeft();
        g_pGameMain->Frame();
    }
    static uint32_t At(int x, int y) { return PixelOf(g_ScreenSurface, x, y) & 0xFFFFFF; }
};

TEST_F(Notebook, FadesInFromTheGamePictureAndOutBackToItsScene) {
    g_pScriptMng->m_notePage = 0;
    g_pGameMain->scene = kSceneNote;
    const uint32_t start = rt.clock().Now();
    g_pGameMain->Frame(); // start: the page is drawn, the fade begins
    ASSERT_NE(g_pNoteScene, nullptr);
    for (uint32_t at : {100u, 200u}) {
        rt.clock().Set(start + at);
        g_pGameMain->Frame();
        const uint32_t level = at * 255 / CNoteScene::kFadeMs;
        EXPECT_LE(ChannelDistance(At(600, 300), Blend(kGame, kPaper, level)), 2) << at;
    }
    rt.clock().Set(start + 300);
    g_pGameMain->Frame();
    EXPECT_EQ(g_pNoteScene->state, 2);
    EXPECT_EQ(At(600, 300), kPaper);
    // A right click anywhere closes: the page byte is kept, the fade goes back to the game picture.
    g_pNoteScene->page = 1;
    g_pMouse->GetState()->right = 1;
    g_pGameMain->Frame();
    EXPECT_EQ(g_pMouse->GetState()->right, 0);
    EXPECT_EQ(g_pNoteScene->state, 3);
    EXPECT_EQ(g_pScriptMng->m_notePage, 1);
    const uint32_t closing = g_pNoteScene->timer.start;
    rt.clock().Set(closing + 150);
    g_pGameMain->Frame();
    EXPECT_LE(ChannelDistance(At(600, 300), Blend(kPaper, kGame, 127)), 2);
    rt.clock().Set(closing + 300);
    g_pGameMain->Frame();
    g_pGameMain->Frame();
    EXPECT_EQ(g_pGameMain->scene, kSceneMessage);
    EXPECT_EQ(At(600, 300), kGame);
    EXPECT_EQ(g_Layers[CNoteScene::kSlotPage], nullptr);
}

TEST_F(Notebook, AClickEndsTheFadeInAndHoveredTabsShowTheirFace) {
    g_pScriptMng->m_notePage = 0;
    g_pGameMain->scene = kSceneNote;
    g_pGameMain->Frame();
    g_pMouse->GetState()->left = 1;
    g_pGameMain->Frame();
    ASSERT_EQ(g_pNoteScene->state, 2);
    EXPECT_EQ(g_pMouse->GetState()->left, 0);
    EXPECT_EQ(At(60, 250), kPaper);
    struct Case {
        int x, y;         // the mouse
        uint32_t at6050;  // the pixel at (60, 250): page tab 2
        uint32_t at60130; // and at (60, 130): page tab 1, the current page's, which never lights
    };
    const Case cases[] = {{60, 250, 0x808080, kPaper}, {500, 300, kPaper, kPaper}, {60, 130, kPaper, kPaper}};
    for (const Case& c : cases) {
        rt.MoveMouse(c.x, c.y);
        g_pGameMain->Frame();
        EXPECT_EQ(At(60, 250), c.at6050) << c.x << "," << c.y;
        EXPECT_EQ(At(60, 130), c.at60130) << c.x << "," << c.y;
    }
}

TEST_F(Notebook, OutOfRangePageAndChartFromASaveAreBroughtIntoRange) {
    struct Case {
        uint8_t page, chart, wantPage, wantChart;
    };
    for (const Case& c : {Case{9, 0, 2, 1}, Case{2, 200, 2, 11}, Case{1, 5, 1, 5}}) {
        g_pScriptMng->m_notePage = c.page;
        g_pScriptMng->m_noteFlowChart = c.chart;
        CNoteScene note;
        EXPECT_EQ(note.page, c.wantPage);
        EXPECT_EQ(note.chart, c.wantChart);
    }
}

TEST_F(Notebook, SecondListTabPagesThirtyEntries) {
    struct Case {
        uint8_t count;
        uint8_t lastPage;
        uint8_t shownOnSecondPage;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{30, 0, 30}, Case{31, 1, 1}, Case{60, 1, 30}}) {
        g_pScriptMng->m_list2 = ItemList2{};
        g_pScriptMng->m_list2.count = c.count;
        for (int i = 0; i < c.count; ++i)
            g_pScriptMng->m_list2.order[i] = static_cast<uint8_t>(i + 1);
        g_pScriptMng->m_notePage = 0;
        Open();
        ClickAt(85 + 83 + 10, 90); // list tab 2
        CNoteScene& note = *g_pNoteScene;
        EXPECT_EQ(note.listTab, 1) << int(c.count);
        EXPECT_EQ(note.lastPage, c.lastPage) << int(c.count);
        EXPECT_EQ(note.tabs[1].count, std::min<int>(c.count, 30));
        screens::DeleteSePlayer(0);
        ClickAt(140, 560); // next page: live only with a second page, and silent
        EXPECT_EQ(note.currentPage, c.lastPage) << int(c.count);
        g_pGameMain->Frame(); // the pointer rests on the button: the turned page keeps it unlit
        g_pGameMain->Frame();
        EXPECT_EQ(At(140, 560), kPaper) << int(c.count);
        EXPECT_EQ(g_SePlayers[0], nullptr) << int(c.count);
        EXPECT_EQ(note.tabs[1].count, c.lastPage ? c.shownOnSecondPage : std::min<int>(c.count, 30));
        ClickAt(140, 560); // from the last page round to the first
        EXPECT_EQ(note.currentPage, 0);
        g_pMouse->GetState()->right = 1;
        for (int i = 0; i < 100 && g_pGameMain->scene == kSceneNote; ++i) {
            g_pGameMain->Frame();
            rt.clock().Advance(50);
        }
    }
}

TEST_F(Notebook, PickingAnEntryDrawsItsStripAndItsText) {
    const std::string text = text_codec::Utf8ToGameTextLossy("这是一段关于她的笔记。\r\n第二行。");
    rt.folder().WriteFile("script/nt005_02.tx", std::vector<uint8_t>(text.begin(), text.end()));
    g_pScriptMng->m_list3.count = 2;
    g_pScriptMng->m_list3.order[0] = 3;
    g_pScriptMng->m_list3.order[1] = 5;
    g_pScriptMng->m_list3.state[5] = 2;
    Open();
    ClickAt(85 + 2 * 83 + 10, 90); // list tab 3: articles
    ASSERT_EQ(g_pNoteScene->listTab, 2);
    EXPECT_EQ(At(200, 128 + 28 + 5), kStripColour); // entry 2's name strip
    EXPECT_EQ(At(200, 128 + 2 * 28 + 5), kPaper);   // nothing below the list
    ClickAt(200, 128 + 28 + 5);
    EXPECT_EQ(g_pNoteScene->tabs[2].selectedId, 5);
    EXPECT_EQ(g_pNoteScene->tabs[2].selectedPos, 2);
    EXPECT_EQ(g_pNoteScene->text, text);
    // Dark text on the two lines from y 175 on.
    int dark[2] = {};
    for (int line = 0; line < 2; ++line)
        for (int y = 175 + 27 * line; y < 175 + 27 * line + 20; ++y)
            for (int x = 627; x < 972; ++x)
                dark[line] += (At(x, y) & 0xFF) < 0x80;
    EXPECT_GT(dark[0], 40);
    EXPECT_GT(dark[1], 20);
}

// Lines of a page text that hold glyphs, drawn on a white surface from y 100.
std::vector<int> LinesDrawn(CNoteScene& note, const std::string& utf8OrBytes, bool bytes = false) {
    note.text = bytes ? utf8OrBytes : text_codec::Utf8ToGameTextLossy(utf8OrBytes);
    CDIB32 surface;
    surface.Create(nullptr, 1024, 576, 24);
    surface.FillRect(0, 0, 1024, 576, 0x00FFFFFF);
    note.DrawWrappedText(&surface, 100);
    std::vector<int> lines;
    for (int line = 0; line < 10; ++line) {
        int dark = 0;
        for (int y = 100 + 27 * line; y < 100 + 27 * line + 20; ++y)
            for (int x = 600; x < 1024; ++x)
                dark += (PixelOf(&surface, x, y) & 0xFF) < 0x80;
        if (dark > 5)
            lines.push_back(line);
    }
    return lines;
}

TEST_F(Notebook, PageTextsWrapAndBreakByTheirRules) {
    ASSERT_NE(g_GlyphFont, nullptr);
    CNoteScene note;
    std::string nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += "字";
    std::string long40;
    for (int i = 0; i < 40; ++i)
        long40 += "长";
    struct Case {
        const char* what;
        std::string text;
        bool bytes;
        std::vector<int> lines;
    };
    const Case cases[] = {
        {"one break", "一二三\r\n四", false, {0, 1}},
        // Nineteen 18-pixel glyphs fill a line; the break after them adds no empty line.
        {"a break after 38 bytes adds no line", nineteen + "\r\n一", false, {0, 1}},
        {"nor a blank line after it", nineteen + "\r\n\r\n一", false, {0, 1}},
        {"an empty line adds no line", "一\r\n\r\n二", false, {0, 1}},
        {"an overlong line wraps", long40, false, {0, 1, 2}},
        {"a lone byte at the end is taken alone", std::string("\xD2\xBB\xB0", 3), true, {0}},
        {"nothing", "", false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinesDrawn(note, c.text, c.bytes), c.lines) << c.what;
    // A missing file gives an empty text.
    note.LoadText("nothere.tx");
    EXPECT_TRUE(note.text.empty());
}

TEST_F(Notebook, FlowChartShowsThePercentagesSeen) {
    // 311 of 621 nodes seen in some game: 50 %; 9 of the 18 ending slots: 50 %.
    for (int n = 0; n < 311; ++n)
        g_SystemData.noteMarks[n] = 1;
    EXPECT_EQ(CNoteScene::SeenNodePercent(), 50u);
    for (int b : {0, 1, 9, 11, 13, 14, 15, 16, 27})
        g_SystemData.endingFlags[b] = 1;
    struct Case {
        uint8_t chart;
        int x, y; // the hundreds digit's place
    };
    for (const Case& c : {Case{1, 927, 536}, Case{11, 209, 219}}) {
        g_pScriptMng->m_notePage = 2;
        g_pScriptMng->m_noteFlowChart = c.chart;
        Open();
        EXPECT_EQ(g_pNoteScene->chart, c.chart);
        EXPECT_EQ(At(c.x + 5, c.y + 10), kPaper) << "no hundreds digit";
        EXPECT_EQ(At(c.x + 12 + 5, c.y + 10), DigitColour(5));
        EXPECT_EQ(At(c.x + 24 + 5, c.y + 10), DigitColour(0));
        g_pMouse->GetState()->right = 1;
        for (int i = 0; i < 100 && g_pGameMain->scene == kSceneNote; ++i) {
            g_pGameMain->Frame();
            rt.clock().Advance(50);
        }
        g_pGameMain->scene = kSceneNote;
    }
    EXPECT_EQ(g_pScriptMng->m_noteFlowChart, 11);
}

TEST_F(Notebook, ChapterTabsReactOnlyForReachedChapters) {
    g_SystemData.noteMarks[0] = 1;  // chapter 1
    g_SystemData.noteMarks[40] = 1; // chapter 3 (nodes 36..66)
    g_pScriptMng->m_notePage = 2;
    g_pScriptMng->m_noteFlowChart = 1;
    Open();
    ClickAt(250, 100); // chapter 2: not reached
    EXPECT_EQ(g_pNoteScene->chart, 1);
    ClickAt(350, 100); // chapter 3
    EXPECT_EQ(g_pNoteScene->chart, 3);
    EXPECT_EQ(g_pScriptMng->m_noteFlowChart, 3);
    ClickAt(850, 100); // the endings: none seen
    EXPECT_EQ(g_pNoteScene->chart, 3);
}

} // namespace
