// The keyword and evidence list: which lines of which file are listed (file names in CP932 bytes,
// found also under their UTF-8 names), the pick into variable 255, scrolling, and the list that
// cannot be shown.
#include <fstream>

#include "graphics/glyph_font.h"
#include "investigation/invest_screen_fixture.h"

using namespace kestrel::test;

namespace {

constexpr uint32_t kListPanel = 0x707070;
constexpr uint32_t kListMark = 0x00C0C0;
constexpr uint32_t kLitArrow = 0xC0C000;

class KeywordList : public InvestScreenTest {
protected:
    void SetUp() override {
        InvestScreenTest::SetUp();
        // The panel as the command screen draws it, with the sheet's lit arrows under its frame.
        WriteSystemPicture("keyword.bmp", 280, 470,
                           {{0, 0, 240, 415, kListPanel},
                            {220, 420, 19, 18, kLitArrow},
                            {220, 438, 19, 18, kLitArrow},
                            {0, 443, 180, 24, kListMark}});
        game().scene = kSceneKeywordList;
    }
    void WriteList(const std::string& name, const std::string& bytes) {
        std::ofstream out(ScriptTestFolder() / name, std::ios::binary);
        out << bytes;
    }
    // Lines "L1", "L2"... up to `count`.
    static std::string Lines(int count) {
        std::string s;
        for (int i = 1; i <= count; ++i)
            s += "L" + std::to_string(i) + "\n";
        return s;
    }
    void Open(int category) {
        engine().m_listCategory = static_cast<uint8_t>(category);
        engine().m_msgStep = 0;
        engine().ModeKeywordList();
    }
    void ClickRow(int row) {
        MouseOn(engine().m_listRowRects[row - 1]);
        engine().ModeKeywordList();
        g_pMouse->state.left = 1;
        engine().ModeKeywordList();
    }
    std::vector<int> Ids() { return {engine().m_listIds, engine().m_listIds + engine().m_listCount}; }
};

TEST_F(KeywordList, ListsTheKnownLinesOfEachCategoryFile) {
    struct Case {
        const char* what;
        int category;
        std::string file; // the name on disk
        std::string content;
        std::vector<int> known;
        std::vector<int> ids;
        std::vector<std::string> texts;
    };
    const std::string longLine(130, 'a');
    const std::vector<Case> cases = {
        {"gossip, CP932 byte name with a backslash trail byte",
         4,
         "Key_\x89\x5C.txt",
         "A\nBB\nCCC\n",
         {1, 3},
         {1, 3},
         {"A", "CCC"}},
        {"gossip, unpacked with a UTF-8 name", 4, "Key_\xE5\x99\x82.txt", "A\nBB\nCCC\n", {2}, {2}, {"BB"}},
        {"articles, UTF-8 name", 2, "Key_\xE7\x89\xA9\xE5\x93\x81.txt", "x\ny", {2}, {2}, {"y"}},
        {"case, CP932 name", 3, "Key_\x8E\x96\x8C\x8F.txt", "p\nq\n", {1}, {1}, {"p"}},
        {"other, UTF-8 name", 5, "Key_\xE4\xBB\x96.txt", "p\nq\n", {1, 2}, {1, 2}, {"p", "q"}},
        {"evidence, no extension, UTF-8 name",
         1,
         "lis_\xE8\xA8\xBC\xE6\x8B\xA0",
         "e1\n\ne3\n",
         {2, 3},
         {2, 3},
         {"", "e3"}},
        {"an id past the file lists nothing", 2, "Key_\x95\xA8\x95\x69.txt", "x\n", {1, 5}, {1}, {"x"}},
        {"a long line goes on as the next id",
         10,
         "SEARCH01.txt",
         longLine + "\nz\n",
         {},
         {1, 2, 3},
         {longLine.substr(0, 127), "aaa", "z"}},
        {"a search list lists every line", 25, "SEARCH16.txt", "s\nt\n", {}, {1, 2}, {"s", "t"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(ScriptTestFolder() / c.file);
        WriteList(c.file, c.content);
        std::memset(engine().m_keywordKnown, 0, sizeof engine().m_keywordKnown);
        std::memset(engine().m_legworkEvidence, 0, sizeof engine().m_legworkEvidence);
        for (int id : c.known)
            (c.category == 1 ? engine().m_legworkEvidence : engine().m_keywordKnown[c.category - 1])[id] = 1;
        game().scene = kSceneKeywordList;
        Open(c.category);
        EXPECT_EQ(Ids(), c.ids);
        ASSERT_EQ(engine().m_listCount, c.texts.size());
        for (size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(std::string(engine().m_listTexts[i]), c.texts[i]);
        EXPECT_EQ(engine().m_msgStep, 1);
        EXPECT_EQ(game().scene, kSceneKeywordList);
        std::filesystem::remove(ScriptTestFolder() / c.file);
    }
}

TEST_F(KeywordList, CategoryListsStopAtId63AndSearchListsAt64Entries) {
    WriteList("Key_\xE5\x99\x82.txt", Lines(80));
    for (int id = 1; id < 64; ++id)
        engine().m_keywordKnown[3][id] = 1;
    Open(4);
    EXPECT_EQ(engine().m_listCount, 63);
    WriteList("SEARCH02.txt", Lines(80));
    Open(11);
    ASSERT_EQ(engine().m_listCount, 64);
    EXPECT_EQ(engine().m_listIds[63], 64);
}

TEST_F(KeywordList, ThePanelIsDrawnWithoutTheArrowsUnderItsFrameOverItsRestoredArea) {
    // (546, 5): 415 rows of the panel drawn, 443 restored from layer 0 over what the screen held.
    WriteList("SEARCH03.txt", Lines(5));
    g_ScreenSurface->FillRect(0, 0, 1024, 576, 0x123456);
    Open(12);
    const struct {
        int32_t x, y;
        uint32_t colour;
    } points[] = {{550, 6, kListPanel},    {780, 419, kListPanel},  {775, 436, kBackground},
                  {775, 446, kBackground}, {550, 447, kBackground}, {550, 448, 0x123456},
                  {545, 100, 0x123456},    {786, 100, 0x123456}};
    for (const auto& p : points)
        EXPECT_EQ(PixelAt(g_ScreenSurface, p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(KeywordList, PickedRowSetsVariable255AndReturnsToTheScript) {
    WriteList("SEARCH03.txt", Lines(5));
    Open(12);
    ClickRow(3);
    EXPECT_EQ(engine().m_vars[255], 3);
    EXPECT_EQ(game().scene, kSceneScript);
    EXPECT_EQ(engine().m_msgStep, 0);
    EXPECT_EQ(g_pMouse->state.left, 0);
}

TEST_F(KeywordList, HoveredRowIsMarkedAndAClickOffTheRowsPicksNothing) {
    WriteList("SEARCH03.txt", Lines(5));
    Open(12);
    const RECT row2 = engine().m_listRowRects[1];
    MouseOn(row2);
    engine().ModeKeywordList();
    EXPECT_EQ(PixelAt(g_ScreenSurface, 570 + 175, row2.top + 2), kListMark);
    // Row 7 holds no entry in a list of five.
    MouseOn(engine().m_listRowRects[6]);
    g_pMouse->state.left = 1;
    engine().m_vars[255] = 77;
    engine().ModeKeywordList();
    EXPECT_EQ(engine().m_vars[255], 77);
    EXPECT_EQ(game().scene, kSceneKeywordList);
    EXPECT_EQ(g_pMouse->state.left, 0);
}

TEST_F(KeywordList, TheEntriesMoveTheMessageTextCursor) {
    g_GlyphFont = new CGlyphFont(nullptr);
    g_GlyphFont->SetFont(24, 0);
    CDIB32 scratch;
    scratch.Create(nullptr, 64, 64, 24);
    const int16_t advance = g_GlyphFont->DrawString(&scratch, 0, 0, "\xD2\xBB", 0xFFFFFF);
    ASSERT_GT(advance, 0);
    WriteList("SEARCH03.txt", "\xD2\xBB\xD2\xBB\xD2\xBB\n\xD2\xBB\n");
    engine().m_textX = 900; // where the last message left it
    engine().m_textY = 500;
    Open(12);
    // After the last entry drawn, in row 2 of two bytes: from x (55 − 1) × 12 by one character's
    // advance, at y 32 + 28.
    EXPECT_EQ(engine().m_textX, 648 + advance);
    EXPECT_EQ(engine().m_textY, 60);
    delete g_GlyphFont;
    g_GlyphFont = nullptr;
}

TEST_F(KeywordList, ShortListWalksAndWrapsWithKeysAndPutsTheCursorOnTheRow) {
    WriteList("SEARCH03.txt", Lines(4));
    Open(12);
    // Up from no row takes row 1, then wraps to the last; Down from the last wraps to row 1.
    struct Walk {
        bool up;
        int row;
    };
    for (const Walk& w :
         {Walk{true, 1}, Walk{true, 4}, Walk{true, 3}, Walk{false, 4}, Walk{false, 1}, Walk{false, 2}}) {
        (w.up ? g_pKeyboard->up : g_pKeyboard->down) = 1;
        engine().ModeKeywordList();
        EXPECT_EQ(engine().m_hoverRow, w.row);
        FollowCursor();
    }
    g_pMouse->state.left = 1;
    engine().ModeKeywordList();
    EXPECT_EQ(engine().m_vars[255], 2);
}

TEST_F(KeywordList, ScrollingPastTheVisibleRowsPicksTheRightId) {
    WriteList("SEARCH01.txt", Lines(20));
    Open(10);
    struct Move {
        bool wheel;
        int dir;
        int scroll;
    };
    const Move moves[] = {{false, -1, 0}, {false, 1, 1}, {true, 1, 2},  {true, 1, 3}, {false, 1, 4},
                          {false, 1, 5},  {false, 1, 6}, {false, 1, 6}, {true, -1, 5}};
    for (const Move& m : moves) {
        if (m.wheel)
            g_pMouse->wheel = m.dir > 0 ? 1 : 0xFF;
        else
            (m.dir > 0 ? g_pKeyboard->down : g_pKeyboard->up) = 1;
        engine().ModeKeywordList();
        EXPECT_EQ(engine().m_listScroll, m.scroll);
    }
    ClickRow(14);
    EXPECT_EQ(engine().m_vars[255], 5 + 14);
    EXPECT_EQ(game().scene, kSceneScript);
}

TEST_F(KeywordList, ListThatCannotBeShownAnswersZeroAtOnce) {
    struct Case {
        const char* what;
        int category;
        bool writeFile;
    };
    const Case cases[] = {{"no file", 4, false},
                          {"category outside the table", 7, false},
                          {"nothing known", 4, true},
                          {"an empty search list", 15, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(engine().m_keywordKnown, 0, sizeof engine().m_keywordKnown);
        if (c.writeFile)
            WriteList(c.category == 4 ? "Key_\x89\x5C.txt" : "SEARCH06.txt", c.category == 4 ? "a\nb\n" : "");
        game().scene = kSceneKeywordList;
        engine().m_vars[255] = 42;
        Open(c.category);
        EXPECT_EQ(engine().m_vars[255], 0);
        EXPECT_EQ(game().scene, kSceneScript);
        EXPECT_EQ(engine().m_msgStep, 0);
    }
}

} // namespace
