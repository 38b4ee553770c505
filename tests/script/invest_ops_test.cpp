// The commands of the investigation part: item lists, the keyword, chapter, visit, value and legwork
// tables, the notebook marks, the clock and gauge, the computed jumps and the hand-over to the
// investigation screens. Out-of-range ids and indices from a script leave every table as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "script_fixture.h"
#include "support/surface_words.h"

using kestrel::test::ScriptTest;

namespace {

class InvestOps : public ScriptTest {
protected:
    void TearDown() override {
        ReplaceSurface(g_Layers[0], nullptr);
        ReplaceSurface(g_ScreenSurface, nullptr);
        ScriptTest::TearDown();
    }
    // Runs `source` (followed by an exit) until the interpreter waits; returns the scene it waits in.
    SceneId Run(const std::string& source) {
        Start(source + "\nExitToMenu\n");
        return RunUntilWait();
    }
};

// One item list seen through the same five arrays.
struct ListView {
    uint8_t* state;
    uint8_t* order;
    uint8_t* count;
    uint8_t* isNew;
    int size;
};

struct ListCase {
    const char* add;
    std::function<ListView(CScriptMng&)> view;
};

std::vector<ListCase> ListCases() {
    return {
        {"AddList1",
         [](CScriptMng& e) {
             return ListView{e.m_list1.state[0], e.m_list1.order, &e.m_list1.count, e.m_list1.isNew, 45};
         }},
        {"AddList2",
         [](CScriptMng& e) {
             return ListView{e.m_list2.state, e.m_list2.order, &e.m_list2.count, e.m_list2.isNew, 60};
         }},
        {"AddList3",
         [](CScriptMng& e) {
             return ListView{e.m_list3.state, e.m_list3.order, &e.m_list3.count, e.m_list3.isNew, 60};
         }},
        {"AddList4",
         [](CScriptMng& e) {
             return ListView{e.m_list4.state, e.m_list4.order, &e.m_list4.count, e.m_list4.isNew, 60};
         }},
        {"AddList5",
         [](CScriptMng& e) {
             return ListView{e.m_list5.state, e.m_list5.order, &e.m_list5.count, e.m_list5.isNew, 60};
         }},
    };
}

std::string Op(const std::string& name, int a, int b) {
    return name + " " + std::to_string(a) + ", " + std::to_string(b) + "\n";
}

} // namespace

TEST_F(InvestOps, AddingKeepsFirstAcquisitionOrderWithoutDuplicates) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.add);
        TearDown();
        SetUp();
        Run(Op(c.add, 7, 3) + Op(c.add, 12, 1) + Op(c.add, 7, 5) + Op(c.add, 0, 9));
        ListView v = c.view(engine());
        EXPECT_EQ(*v.count, 3);
        EXPECT_EQ(v.order[0], 7);
        EXPECT_EQ(v.order[1], 12);
        EXPECT_EQ(v.order[2], 0) << "id 0 is appended like any other id";
        EXPECT_EQ(v.state[7], 5) << "the state takes the second value";
        EXPECT_EQ(v.state[12], 1);
        EXPECT_EQ(v.state[0], 9);
        for (int id : {0, 7, 12})
            EXPECT_EQ(v.isNew[id], 1) << id;
        EXPECT_EQ(v.isNew[1], 0);
    }
}

TEST_F(InvestOps, IdsBeyondAListAndAFullOrderChangeNothing) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.add);
        TearDown();
        SetUp();
        ListView v = c.view(engine());
        std::string source;
        for (int id = 0; id < v.size; ++id)
            source += Op(c.add, id, 1);
        source += Op(c.add, v.size, 4) + Op(c.add, 255, 4);
        Run(source);
        EXPECT_EQ(*v.count, v.size);
        for (int id = 0; id < v.size; ++id)
            EXPECT_EQ(v.order[id], id);
        EXPECT_EQ(engine().LastFault(), ScriptFault::kNone);

        // A count beyond the list (a damaged save) neither overruns the order nor grows.
        *v.count = 250;
        std::memset(v.order, 0, v.size);
        Run(Op(c.add, 5, 2));
        EXPECT_EQ(*v.count, 250);
        EXPECT_EQ(v.state[5], 2);
    }
}

TEST_F(InvestOps, ListOneRowsAndListTwoSecondState) {
    Run(Op("SetList1b", 4, 11) + Op("SetList2b", 5, 12) + Op("SetList3b", 44, 13) + Op("SetList1b", 45, 99) +
        Op("SetListState120", 59, 14) + Op("SetListState120", 60, 99));
    const ItemList1& l1 = engine().m_list1;
    EXPECT_EQ(l1.state[1][4], 11);
    EXPECT_EQ(l1.state[4][5], 12);
    EXPECT_EQ(l1.state[5][44], 13);
    EXPECT_EQ(l1.isNew[4] + l1.isNew[5] + l1.isNew[44], 3);
    EXPECT_EQ(l1.count, 0) << "the rows do not add to the order";
    EXPECT_EQ(engine().m_list2.state2[59], 14);
    EXPECT_EQ(engine().m_list2.isNew[59], 0) << "the second state marks nothing new";
    EXPECT_EQ(engine().m_list2.state[59], 0);
}

TEST_F(InvestOps, KeywordLegworkValueAndItemTablesTakeInRangeEntriesOnly) {
    struct Case {
        const char* op;
        std::function<const uint8_t*(CScriptMng&)> table;
        int size;
        int firstIndex; // entry number that names index 0
    };
    const Case cases[] = {
        {"SetKeyword1", [](CScriptMng& e) { return e.m_keywordKnown[0]; }, 64, 0},
        {"SetKeyword2", [](CScriptMng& e) { return e.m_keywordKnown[1]; }, 64, 0},
        {"SetKeyword3", [](CScriptMng& e) { return e.m_keywordKnown[2]; }, 64, 0},
        {"SetKeyword4", [](CScriptMng& e) { return e.m_keywordKnown[3]; }, 64, 0},
        {"SetKeyword5", [](CScriptMng& e) { return e.m_keywordKnown[4]; }, 64, 0},
        {"SetTable136", [](CScriptMng& e) { return e.m_legworkChars; }, 15, 0},
        {"SetTable137", [](CScriptMng& e) { return e.m_legworkCharTopics; }, 64, 0},
        {"SetTable138", [](CScriptMng& e) { return e.m_legworkEvidence; }, 64, 0},
        {"SetV", [](CScriptMng& e) { return e.m_valueTable; }, 20, 0},
        {"SetTable157", [](CScriptMng& e) { return e.m_table157; }, 24, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        TearDown();
        SetUp();
        const std::vector<uint8_t> before(c.table(engine()), c.table(engine()) + c.size);
        Run(Op(c.op, c.firstIndex, 7) + Op(c.op, c.firstIndex + c.size - 1, 8) +
            Op(c.op, c.firstIndex + c.size, 9) + Op(c.op, 255, 9) +
            (c.firstIndex == 1 ? Op(c.op, 0, 9) : ""));
        const uint8_t* t = c.table(engine());
        EXPECT_EQ(t[0], 7);
        EXPECT_EQ(t[c.size - 1], 8);
        for (int i = 1; i < c.size - 1; ++i)
            EXPECT_EQ(t[i], before[i]) << i;
        EXPECT_EQ(engine().LastFault(), ScriptFault::kNone);
    }
    EXPECT_EQ(&engine().m_charAvailable[0], &engine().m_legworkChars[0]) << "one table for both names";
}

TEST_F(InvestOps, ClearingCommandsEmptyTheirTables) {
    Run("SetDay 1, 3\n" + Op("SetT1", 2, 5) + Op("SetT2", 4, 6) + Op("SetV", 1, 1) + Op("SetTable136", 1, 1) +
        Op("SetTable137", 1, 1) + Op("SetTable138", 1, 1) + "ClearTables\nClearV\nClearTable139\n");
    EXPECT_EQ(engine().m_chapterTable[3][2], 0);
    EXPECT_EQ(engine().m_visitTable[4][6], 0);
    EXPECT_EQ(engine().m_valueTable[1], 0);
    EXPECT_EQ(engine().m_legworkChars[1] + engine().m_legworkCharTopics[1] + engine().m_legworkEvidence[1],
              0);

    engine().m_investArea = 4;
    engine().m_thresholdIndex = 2;
    engine().m_investStep = 11;
    Run("SetDay 2, 7\n" + Op("SetT2", 59, 19) + Op("SetT1", 0, 3) + "ClearT2\n");
    EXPECT_EQ(engine().m_visitTable[59][19], 0);
    EXPECT_EQ(engine().m_chapterTable[7][0], 3) << "the visit reset keeps the chapter table";
    EXPECT_EQ(engine().m_investArea, 0);
    EXPECT_EQ(engine().m_chapter, 0);
    EXPECT_EQ(engine().m_thresholdIndex, 0);
    EXPECT_EQ(engine().m_investStep, 0);
    EXPECT_EQ(engine().m_day, 1) << "the day stays";
}

TEST_F(InvestOps, TableTestsJumpOnlyOnAMatchInsideTheTable) {
    struct Case {
        const char* setup;
        const char* test;
        bool jumps;
    };
    const Case cases[] = {
        {"SetDay 1, 3\nSetT1 2, 5", "JumpIfT1 2, 5, hit", true},
        {"SetDay 1, 3\nSetT1 2, 5\nSetDay 1, 4", "JumpIfT1 2, 5, hit", false}, // another chapter's row
        {"SetDay 1, 3\nSetT1 19, -1", "JumpIfT1 19, -1, hit", true},
        {"SetDay 1, 3", "JumpIfT1 -1, 0, hit", false},
        {"SetDay 1, 3", "JumpIfT1 20, 0, hit", false},
        {"SetDay 1, 60", "JumpIfT1 0, 0, hit", false}, // a chapter beyond the table has no row
        {"SetT2 4, 6", "JumpIfT2 4, 6, hit", true},
        {"SetT2 4, 6", "JumpIfT2 6, 4, hit", false},
        {"SetT2 60, 0", "JumpIfT2 60, 0, hit", false},
        {"SetV 3, 200", "JumpIfV 3, -56, hit", true},
        {"SetV 3, 200", "JumpIfV 3, 199, hit", false},
        {"SetV 0, 0", "JumpIfV -1, 0, hit", false},
        {"SetV 0, 0", "JumpIfV 20, 0, hit", false},
        {"SetDay 3, 0", "JumpIfDay 3, hit", true},
        {"SetDay 3, 0", "JumpIfDay 2, hit", false},
        {"SetDay 0, 0", "JumpIfDay 0, hit", true},
    };
    for (const Case& c : cases) {
        Run(std::string(c.setup) + "\nSetVar 9, 1\n" + c.test +
            "\nSetVar 9, 2\nExitToMenu\nhit: SetVar 9, 3\n");
        EXPECT_EQ(engine().m_vars[9], c.jumps ? 3 : 2) << c.setup << " / " << c.test;
    }
    engine().m_itemSelResult = 4;
    Run("JumpIfParam156 4, hit\nSetVar 9, 2\nExitToMenu\nhit: SetVar 9, 3\n");
    EXPECT_EQ(engine().m_vars[9], 3);
    Run("JumpIfParam156 5, hit\nSetVar 9, 2\nExitToMenu\nhit: SetVar 9, 3\n");
    EXPECT_EQ(engine().m_vars[9], 2);
}

TEST_F(InvestOps, NotebookMarksAreSetInTheGameAndTheSystemData) {
    Run("SetNoteMark 1\nSetNoteMark 624\nSetNoteMark 0\nSetNoteMark 625\nSetNoteMark 0xFFFFFFFF\nSetParam164 "
        "3\n");
    EXPECT_EQ(engine().m_noteMarks[0], 1);
    EXPECT_EQ(engine().m_noteMarks[623], 1);
    EXPECT_EQ(g_SystemData.noteMarks[0], 1);
    EXPECT_EQ(g_SystemData.noteMarks[623], 1);
    int marks = 0;
    for (int i = 0; i < kNoteMarkCount; ++i)
        marks += engine().m_noteMarks[i] + g_SystemData.noteMarks[i];
    EXPECT_EQ(marks, 4);
    EXPECT_EQ(g_SystemData.replayPage, 0) << "entry 0 does not reach the byte before the marks";
    EXPECT_EQ(engine().m_noteSketch, 3);
}

TEST_F(InvestOps, ClockAndStripCommandsStoreTheirOperands) {
    Run("SetClock 9, 58\nSetTimeGauge 30\nSetThresholdIndex 4\nSetHudInfo 0x12345\nSetDay 2, 7\nSetHudDate "
        "5\n");
    EXPECT_EQ(engine().m_clockHour, 9);
    EXPECT_EQ(engine().m_clockMinute, 58);
    EXPECT_EQ(engine().m_timeGauge, 30);
    EXPECT_EQ(engine().m_thresholdIndex, 4);
    EXPECT_EQ(engine().m_hudInfoRow, 0x12345u);
    EXPECT_EQ(engine().m_day, 1);
    EXPECT_EQ(engine().m_mapPage, 1);
    EXPECT_EQ(engine().m_chapter, 7);
    EXPECT_EQ(engine().m_hudDateRow, 5);
    const struct { int operand, want; } dates[] = {{0, 0}, {-1, 0}, {3, 3}, {-128, 3}, {127, 127}};
    for (const auto& d : dates) {
        Run("SetHudDate " + std::to_string(d.operand));
        EXPECT_EQ(engine().m_hudDateRow, d.want) << d.operand;
    }
}

TEST_F(InvestOps, ClockReachedComparesHourAndMinuteOneByOne) {
    // The game's scripts were written against this test: 11:00 has not "reached" 10:30.
    const struct {
        int hour, minute;
        bool jumps;
    } cases[] = {{10, 45, true}, {10, 30, true}, {10, 15, false},
                 {11, 0, false}, {11, 30, true}, {9, 59, false}};
    for (const auto& c : cases) {
        engine().m_clockHour = static_cast<uint8_t>(c.hour);
        engine().m_clockMinute = static_cast<uint8_t>(c.minute);
        Run("SetVar 9, 1\nJumpIfClockReached 10, 30, hit\nSetVar 9, 2\nExitToMenu\nhit: SetVar 9, 3\n");
        EXPECT_EQ(engine().m_vars[9], c.jumps ? 3 : 2) << c.hour << ":" << c.minute;
    }
}

TEST_F(InvestOps, AdvanceClockSpendsAMinuteAndAGaugeUnit) {
    struct Case {
        uint8_t hour, minute;
        int8_t gauge;
        uint8_t wantHour, wantMinute;
        int8_t wantGauge;
        SceneId wantScene;
    };
    const Case cases[] = {
        {10, 15, 5, 10, 16, 4, kSceneCommand},  {23, 59, 5, 0, 0, 4, kSceneCommand},
        {9, 59, 2, 10, 0, 1, kSceneCommand},    {23, 59, 1, 0, 0, 0, kSceneTalkStart},
        {12, 0, 0, 12, 1, -1, kSceneTalkStart}, {12, 0, -128, 12, 1, -128, kSceneTalkStart},
    };
    auto* layer0 = new CDIB32();
    layer0->Create(nullptr, 1024, 576, 24);
    layer0->FillRect(0, 0, 1024, 576, 0x123456);
    ReplaceSurface(g_Layers[0], layer0);
    for (const Case& c : cases) {
        auto* screen = new CDIB32();
        screen->Create(nullptr, 1024, 576, 24);
        screen->FillRect(0, 0, 1024, 576, 0x00FF00);
        ReplaceSurface(g_ScreenSurface, screen);
        engine().m_clockHour = c.hour;
        engine().m_clockMinute = c.minute;
        engine().m_timeGauge = c.gauge;
        engine().m_investActive = 1;
        engine().m_investStep = 3;
        engine().m_hoverItem = 4;
        engine().m_keywordCounts[1] = 0;
        engine().m_keywordKnown[1][0] = 1;
        engine().m_keywordKnown[1][5] = 1;
        engine().m_keywordKnown[1][6] = 255;
        Start("AdvanceClock\nExitToMenu\n");
        Frame();
        const std::string at =
            std::to_string(c.hour) + ":" + std::to_string(c.minute) + " gauge " + std::to_string(c.gauge);
        EXPECT_EQ(game().scene, c.wantScene) << at;
        EXPECT_EQ(engine().m_clockHour, c.wantHour) << at;
        EXPECT_EQ(engine().m_clockMinute, c.wantMinute) << at;
        EXPECT_EQ(engine().m_timeGauge, c.wantGauge) << at;
        const bool ended = c.wantScene == kSceneTalkStart;
        EXPECT_EQ(engine().m_investActive, ended ? 0 : 1) << at;
        EXPECT_EQ(engine().m_investStep, ended ? 3 : 11) << at;
        EXPECT_EQ(engine().m_hoverItem, ended ? 4 : 0) << at;
        // The redraw starts from layer 0; a spent gauge draws nothing.
        EXPECT_EQ(PixelAt(g_ScreenSurface, 500, 100), ended ? 0x00FF00u : 0x123456u) << at;
        EXPECT_EQ(engine().m_keywordCounts[1], ended ? 0 : 255) << at << ": 1 + 1 + 255, held at 255";
        // The next frame (the interim screen) hands back, and the script goes on after the command.
        Frame();
        EXPECT_EQ(game().scene, kSceneScript);
        Frame();
        EXPECT_EQ(game().scene, kSceneTitleMenu);
    }
}

TEST_F(InvestOps, ComputedJumpsTakeTheSelectedOffsetOrGoOn) {
    std::string table12 = "Switch12";
    for (int k = 1; k <= 12; ++k)
        table12 += std::string(k == 1 ? " " : ", ") + "k" + std::to_string(k);
    std::string table20 = "Switch20";
    std::string table20b = "Switch20b";
    for (int s = 0; s < 20; ++s) {
        table20 += std::string(s == 0 ? " " : ", ") + "s" + std::to_string(s);
        table20b += std::string(s == 0 ? " " : ", ") + "s" + std::to_string(s);
    }
    std::string targets = "SetVar 9, 99\nExitToMenu\n";
    for (int k = 1; k <= 12; ++k)
        targets += "k" + std::to_string(k) + ": SetVar 9, " + std::to_string(k) + "\nExitToMenu\n";
    for (int s = 0; s < 20; ++s)
        targets += "s" + std::to_string(s) + ": SetVar 9, " + std::to_string(100 + s) + "\nExitToMenu\n";

    const struct {
        const std::string* table;
        int selector;
        int want;
    } cases[] = {
        {&table12, 1, 1},    {&table12, 3, 3},     {&table12, 12, 12},  {&table12, 0, 99},
        {&table12, 13, 99},  {&table20, 0, 100},   {&table20, 19, 119}, {&table20, 20, 99},
        {&table20b, 7, 107}, {&table20b, 255, 99},
    };
    for (const auto& c : cases) {
        const bool twelve = c.table == &table12;
        if (twelve)
            engine().m_pickedEntry = static_cast<uint8_t>(c.selector);
        else
            engine().m_searchSpot = static_cast<uint8_t>(c.selector);
        engine().m_msgStep = 4;
        boxes().clear();
        Run(*c.table + "\n" + targets);
        EXPECT_EQ(engine().m_vars[9], c.want) << *c.table << " " << c.selector;
        EXPECT_EQ(boxes().size(), c.want == 99 ? 1u : 0u) << "an unknown selector is reported once";
        if (!twelve) {
            EXPECT_EQ(engine().m_msgStep, 0);
        }
        EXPECT_EQ(engine().LastFault(), ScriptFault::kNone);
    }
}

TEST_F(InvestOps, ScreenCommandsHandOverWithTheirOperands) {
    struct Case {
        const char* source;
        SceneId scene;
        std::function<void(CScriptMng&)> check;
    };
    const Case cases[] = {
        {"EnterMap 4, 5", kSceneMap,
         [](CScriptMng& e) {
             EXPECT_EQ(e.m_mapParams[0], 4);
             EXPECT_EQ(e.m_mapParams[1], 5);
         }},
        {"EnterSearch", kSceneSearch, [](CScriptMng& e) { EXPECT_EQ(e.m_msgStep, 0); }},
        {"EnterSearchInventory 3", kSceneSearchInventory,
         [](CScriptMng& e) {
             EXPECT_EQ(e.m_searchSceneNo, 3);
             EXPECT_EQ(e.m_msgStep, 0);
         }},
        {"EnterCommand 7, 1, 2, 3, 4, 5", kSceneCommand,
         [](CScriptMng& e) {
             const uint8_t want[6] = {7, 1, 2, 3, 4, 5};
             EXPECT_EQ(std::memcmp(e.m_commandParams, want, 6), 0);
             EXPECT_EQ(e.m_investArea, 7);
             EXPECT_EQ(e.m_investActive, 1);
             EXPECT_EQ(e.m_hoverItem, 0);
             EXPECT_EQ(e.m_prevHoverItem, 0);
         }},
        {"EnterLegwork 9", kSceneLegwork, [](CScriptMng& e) { EXPECT_EQ(e.m_legworkNo, 9); }},
        {"DrawLegworkPanel", kSceneLegwork,
         [](CScriptMng& e) {
             EXPECT_EQ(e.m_investStep, 11);
             EXPECT_EQ(e.m_hoverItem, 0);
         }},
        {"CharSelect", kSceneCharSelect, [](CScriptMng&) {}},
        {"EnterKeywords 4", kSceneKeywordList, [](CScriptMng& e) { EXPECT_EQ(e.m_listCategory, 4); }},
        {"ItemSelect", kSceneItemSelect, [](CScriptMng& e) { EXPECT_EQ(e.m_msgStep, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        engine().m_msgStep = 5;
        engine().m_hoverItem = 3;
        engine().m_prevHoverItem = 2;
        Start(std::string(c.source) + "\nSetVar 9, 1\nExitToMenu\n");
        engine().m_vars[9] = 0;
        Frame();
        EXPECT_EQ(game().scene, c.scene);
        c.check(engine());
        EXPECT_EQ(engine().m_vars[9], 0) << "the script waits for the screen";
        Frame(); // the screen hands back
        Frame();
        EXPECT_EQ(engine().m_vars[9], 1);
    }
}

TEST_F(InvestOps, FreeLayersEndsTheInvestigationAndItsSurfaces) {
    auto blank = [] {
        auto* s = new CDIB32();
        s->Create(nullptr, 16, 16, 24);
        return s;
    };
    for (int layer : {2, 3, 4, 5, 6, 7, 9})
        ReplaceSurface(g_Layers[layer], blank());
    ReplaceSurface(g_SavedScreenSurface, blank());
    ReplaceSurface(g_PageSavedScreen, blank());
    engine().m_investActive = 1;
    engine().m_investStep = 11;
    Run("FreeLayers\nNop98\n");
    for (int layer : {2, 3, 4, 5, 6, 9})
        EXPECT_EQ(g_Layers[layer], nullptr) << layer;
    EXPECT_NE(g_Layers[7], nullptr) << "layer 7 is not the investigation's";
    EXPECT_EQ(g_SavedScreenSurface, nullptr);
    EXPECT_EQ(g_PageSavedScreen, nullptr);
    EXPECT_EQ(engine().m_investActive, 0);
    EXPECT_EQ(engine().m_investStep, 0);
    ReplaceSurface(g_Layers[7], nullptr);
}
