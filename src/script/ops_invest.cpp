// Command handlers of the investigation part: the five item lists, the keyword, chapter, visit,
// value and legwork tables, the notebook marks, the investigation clock with its time gauge, and
// the commands that hand over to the investigation screens (scenes 60 to 70) with the operands
// those screens read.
//
// Every list id, table index and entry number comes from the script and is checked against its
// table: a write outside is dropped, a test outside is false, and a computed jump whose selector
// lies outside its table goes on with the next command after saying so once.
#include <cstdio>
#include <cstring>

#include "app/game_main.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "investigation/invest_clock.h"
#include "investigation/invest_redraw.h"
#include "scene/message_text.h"
#include "screens/system_data.h"
#include "script/script_command.h"
#include "script/script_mng.h"

using namespace kestrel::script;

namespace {

// The sub-state that ops 134 and 147 leave: the command and legwork screens resume their input
// handling from it after the redraw.
constexpr uint8_t kResumeInvestStep = 11;

// Adds `id` to an item list: its state becomes `value`, it is marked new, and it joins the order of
// first acquisition unless it is already there. A full order drops the new entry rather than
// overrun (the list holds every id at most once, so it fills only with every id held).
template <size_t N>
void AddToList(uint8_t (&state)[N], uint8_t (&order)[N], uint8_t& count, uint8_t (&isNew)[N], uint8_t id,
               uint8_t value) {
    if (id >= N)
        return;
    state[id] = value;
    isNew[id] = 1;
    const size_t n = count < N ? count : N;
    for (size_t i = 0; i < n; ++i)
        if (order[i] == id)
            return;
    if (n < N) {
        order[n] = id;
        count = static_cast<uint8_t>(n + 1);
    }
}

template <size_t N>
void SetEntry(uint8_t (&table)[N], int32_t index, uint8_t value) {
    if (index >= 0 && static_cast<size_t>(index) < N)
        table[index] = value;
}

// Entry `index` of a table; 0 outside it.
template <size_t N>
uint8_t GetEntry(const uint8_t (&table)[N], int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < N ? table[index] : 0;
}

// The hover bytes that the character selection leaves its pick in and that the command and legwork
// screens take over: cleared when those screens are entered or resumed.
void ClearHover(CScriptMng& e) {
    e.m_hoverItem = 0;
    e.m_prevHoverItem = 0;
}

} // namespace

// ---- Clock, date and information strips -------------------------------------------------------------

uint8_t* CScriptMng::OpSetHudDate(uint8_t* cmd) {
    const int8_t row = SignedB3(cmd);
    if (row >= 0)
        m_hudDateRow = static_cast<uint8_t>(row);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetClock(uint8_t* cmd) {
    m_clockHour = B2(cmd);
    m_clockMinute = B3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetHudInfo(uint8_t* cmd) {
    m_hudInfoRow = D(cmd, 4);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetTimeGauge(uint8_t* cmd) {
    m_timeGauge = SignedB3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetThresholdIndex(uint8_t* cmd) {
    m_thresholdIndex = SignedB3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetDay(uint8_t* cmd) {
    m_day = static_cast<uint8_t>(B2(cmd) - 1);
    m_chapter = B3(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfDay(uint8_t* cmd) {
    // Compared as the byte the day was stored from, so that day 0 (stored as 0xFF) matches 0 too.
    SetScene(kSceneScript);
    if (static_cast<uint8_t>(m_day + 1) == B2(cmd))
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfClockReached(uint8_t* cmd) {
    // Hour and minute are tested one by one, as the game's scripts expect: 11:00 has not reached
    // 10:30, because its minute is below 30.
    SetScene(kSceneScript);
    const int hour = SignedB2(cmd);
    const int minute = SignedB3(cmd);
    if (minute > m_clockMinute || hour > m_clockHour)
        return Next(cmd);
    return JumpTo(cmd, D(cmd, 4));
}

uint8_t* CScriptMng::OpAdvanceClock(uint8_t* cmd) {
    kestrel::invest::SpendTime(*this, 1, 1);
    if (m_timeGauge < 1) {
        // The period is over: the talk script of the area starts, nothing is drawn.
        m_investActive = 0;
        SetScene(kSceneTalkStart);
        return Next(cmd);
    }
    kestrel::invest::RedrawInvestigationBackground(*this, false); // the command screen draws the gauge
    kestrel::invest::RedrawCommandScreen(*this);
    ClearHover(*this);
    m_investStep = kResumeInvestStep;
    SetScene(kestrel::invest::AtTimeLimit(*this) ? kSceneTalkStart : kSceneCommand);
    return Next(cmd);
}

// ---- Item lists --------------------------------------------------------------------------------------

uint8_t* CScriptMng::OpAddList1(uint8_t* cmd) {
    AddToList(m_list1.state[0], m_list1.order, m_list1.count, m_list1.isNew, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddList2(uint8_t* cmd) {
    AddToList(m_list2.state, m_list2.order, m_list2.count, m_list2.isNew, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddList3(uint8_t* cmd) {
    AddToList(m_list3.state, m_list3.order, m_list3.count, m_list3.isNew, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddList4(uint8_t* cmd) {
    AddToList(m_list4.state, m_list4.order, m_list4.count, m_list4.isNew, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpAddList5(uint8_t* cmd) {
    AddToList(m_list5.state, m_list5.order, m_list5.count, m_list5.isNew, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

namespace {

// State rows 2, 5 and 6 of list 1 (ops 97, 100, 101); the id is marked new.
void SetList1Row(CScriptMng& e, int row, uint8_t id, uint8_t value) {
    if (id >= sizeof e.m_list1.isNew)
        return;
    e.m_list1.state[row][id] = value;
    e.m_list1.isNew[id] = 1;
}

} // namespace

uint8_t* CScriptMng::OpSetList1b(uint8_t* cmd) {
    SetList1Row(*this, 1, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetList2b(uint8_t* cmd) {
    SetList1Row(*this, 4, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetList3b(uint8_t* cmd) {
    SetList1Row(*this, 5, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetListState120(uint8_t* cmd) {
    SetEntry(m_list2.state2, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpNop98(uint8_t* cmd) {
    SetScene(kSceneScript);
    return Next(cmd);
}

// ---- Keyword, chapter, visit, value and legwork tables -------------------------------------------------

namespace {

// The row of the chapter table of the current chapter; null for a chapter beyond the table.
uint8_t (*ChapterRow(CScriptMng& e))[kChapterCols] {
    return e.m_chapter < kChapterRows ? &e.m_chapterTable[e.m_chapter] : nullptr;
}

} // namespace

uint8_t* CScriptMng::OpSetKeyword1(uint8_t* cmd) {
    SetEntry(m_keywordKnown[0], B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetKeyword2(uint8_t* cmd) {
    SetEntry(m_keywordKnown[1], B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetKeyword3(uint8_t* cmd) {
    SetEntry(m_keywordKnown[2], B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetKeyword4(uint8_t* cmd) {
    SetEntry(m_keywordKnown[3], B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetKeyword5(uint8_t* cmd) {
    SetEntry(m_keywordKnown[4], B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpClearTables(uint8_t* cmd) {
    std::memset(m_chapterTable, 0, sizeof m_chapterTable);
    std::memset(m_visitTable, 0, sizeof m_visitTable);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetT1(uint8_t* cmd) {
    if (auto* row = ChapterRow(*this))
        SetEntry(*row, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfT1(uint8_t* cmd) {
    // The column and value are signed in the command; the entry is compared as the byte that op 152
    // stored, so that a value written as -1 matches a test for -1.
    SetScene(kSceneScript);
    auto* row = ChapterRow(*this);
    const int column = SignedB2(cmd);
    if (row != nullptr && column >= 0 && column < kChapterCols && (*row)[column] == B3(cmd))
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

uint8_t* CScriptMng::OpClearT2(uint8_t* cmd) {
    std::memset(m_visitTable, 0, sizeof m_visitTable);
    m_investArea = 0;
    m_chapter = 0;
    m_thresholdIndex = 0;
    m_investStep = 0;
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetT2(uint8_t* cmd) {
    if (B2(cmd) < kChapterRows)
        SetEntry(m_visitTable[B2(cmd)], B3(cmd), 1);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfT2(uint8_t* cmd) {
    SetScene(kSceneScript);
    if (B2(cmd) < kChapterRows && GetEntry(m_visitTable[B2(cmd)], B3(cmd)) == 1)
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

uint8_t* CScriptMng::OpClearV(uint8_t* cmd) {
    std::memset(m_valueTable, 0, sizeof m_valueTable);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetV(uint8_t* cmd) {
    SetEntry(m_valueTable, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfV(uint8_t* cmd) {
    SetScene(kSceneScript);
    const int index = SignedB2(cmd);
    if (index >= 0 && index < static_cast<int>(sizeof m_valueTable) && m_valueTable[index] == B3(cmd))
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetTable136(uint8_t* cmd) {
    SetEntry(m_legworkChars, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetTable137(uint8_t* cmd) {
    SetEntry(m_legworkCharTopics, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetTable138(uint8_t* cmd) {
    SetEntry(m_legworkEvidence, B2(cmd), B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpClearTable139(uint8_t* cmd) {
    std::memset(m_legworkChars, 0, sizeof m_legworkChars);
    std::memset(m_legworkCharTopics, 0, sizeof m_legworkCharTopics);
    std::memset(m_legworkEvidence, 0, sizeof m_legworkEvidence);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetTable157(uint8_t* cmd) {
    // Entry numbers count from 1.
    SetEntry(m_table157, B2(cmd) - 1, B3(cmd));
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetNoteMark(uint8_t* cmd) {
    const uint32_t n = D(cmd, 4);
    if (n >= 1 && n <= static_cast<uint32_t>(kNoteMarkCount)) {
        m_noteMarks[n - 1] = 1;
        SetNoteMark(n);
    }
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpSetParam164(uint8_t* cmd) {
    m_noteSketch = B2(cmd);
    SetScene(kSceneScript);
    return Next(cmd);
}

uint8_t* CScriptMng::OpJumpIfParam156(uint8_t* cmd) {
    SetScene(kSceneScript);
    if (m_itemSelResult == B2(cmd))
        return JumpTo(cmd, D(cmd, 4));
    return Next(cmd);
}

// ---- Computed jumps ----------------------------------------------------------------------------------

namespace {

// Says once per command position that its selector lies outside the jump table.
void ReportSelector(CScriptMng& e, const uint8_t* cmd, const char* what, int value) {
    const uint32_t at = static_cast<uint32_t>(cmd - e.m_pScriptBase);
    if (!e.FirstReportAt(at))
        return;
    char text[128];
    std::snprintf(text, sizeof text, "%s %d has no jump at offset %u; the script goes on.", what, value, at);
    e.ShowMessage(text, "Error:Switch");
}

} // namespace

uint8_t* CScriptMng::OpSwitch12(uint8_t* cmd) {
    // Selection k (1..12) takes the operand word k of the command: the offset at byte 4 * k.
    SetScene(kSceneScript);
    const int k = m_pickedEntry;
    if (k < 1 || k > 12) {
        ReportSelector(*this, cmd, "Selection", k);
        return Next(cmd);
    }
    return JumpTo(cmd, D(cmd, 4 * k));
}

namespace {

constexpr int kSearchSpots = 20;

} // namespace

uint8_t* CScriptMng::OpSwitch20b(uint8_t* cmd) {
    return OpSwitch20(cmd);
}

uint8_t* CScriptMng::OpSwitch20(uint8_t* cmd) {
    // Spot 0 takes the offset at byte 4.
    SetScene(kSceneScript);
    m_msgStep = 0;
    if (m_searchSpot >= kSearchSpots) {
        ReportSelector(*this, cmd, "Search spot", m_searchSpot);
        return Next(cmd);
    }
    return JumpTo(cmd, D(cmd, 4 + 4 * m_searchSpot));
}

// ---- Hand-over to the investigation screens -------------------------------------------------------------

uint8_t* CScriptMng::OpEnterMap(uint8_t* cmd) {
    m_mapParams[0] = B2(cmd);
    m_mapParams[1] = B3(cmd);
    SetScene(kSceneMap);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEnterSearch(uint8_t* cmd) {
    m_msgStep = 0;
    SetScene(kSceneSearch);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEnterSearchInventory(uint8_t* cmd) {
    m_searchSceneNo = B2(cmd);
    m_msgStep = 0;
    SetScene(kSceneSearchInventory);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEnterCommand(uint8_t* cmd) {
    // Area, byte 3, then the four bytes of the word at 4.
    for (int i = 0; i < 6; ++i)
        m_commandParams[i] = cmd[2 + i];
    m_investActive = 1;
    ClearHover(*this);
    SetScene(kSceneCommand);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEnterLegwork(uint8_t* cmd) {
    m_legworkNo = B3(cmd);
    SetScene(kSceneLegwork);
    return Next(cmd);
}

uint8_t* CScriptMng::OpDrawLegworkPanel(uint8_t* cmd) {
    kestrel::invest::RedrawInvestigationBackground(*this, true);
    kestrel::invest::RedrawLegworkScreen(*this);
    ClearHover(*this);
    m_investStep = kResumeInvestStep;
    SetScene(kSceneLegwork);
    return Next(cmd);
}

uint8_t* CScriptMng::OpCharSelect(uint8_t* cmd) {
    SetScene(kSceneCharSelect);
    return Next(cmd);
}

uint8_t* CScriptMng::OpEnterKeywords(uint8_t* cmd) {
    m_listCategory = B2(cmd);
    SetScene(kSceneKeywordList);
    return Next(cmd);
}

uint8_t* CScriptMng::OpItemSelect(uint8_t* cmd) {
    m_msgStep = 0;
    SetScene(kSceneItemSelect);
    return Next(cmd);
}

uint8_t* CScriptMng::OpFreeLayers(uint8_t* cmd) {
    for (int layer : {2, 3, 4, 5, 6, 9})
        ReplaceSurface(g_Layers[layer], nullptr);
    ReplaceSurface(g_SavedScreenSurface, nullptr);
    ReplaceSurface(g_pScriptUiSurfaces[kUiDialogSnapshot], nullptr); // the command screen's end dialog's
    ReplaceSurface(g_PageSavedScreen, nullptr);
    ReplaceSurface(g_OverlaySurface, nullptr);
    m_investStep = 0;
    m_investActive = 0;
    SetScene(kSceneScript);
    return Next(cmd);
}
