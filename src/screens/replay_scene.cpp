#include "screens/replay_scene.h"

#include <cstdio>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;
using namespace screens::extras;

const char* const CReplayScene::kScripts[kSceneCount] = {
    "01_2145h.s",  "01_2240h.s",  "02_1100h.s",   "02b_1610h.s", "02a_1640h.s", "02a_2000h.s",
    "03a_0830h.s", "03a_1000h.s", "03b_1030h.s",  "03a_1130h.s", "03c_1130h.s", "03a_1740h.s",
    "03b_1745h.s", "03a_2110h.s", "03b1_2600h.s", "03b_2600h.s", "01z_2630h.s",
};

namespace {

constexpr char kBase[] = "system\\scene_base.bmp";
constexpr char kParts[] = "system\\scene_p.bmp";

std::string SampleSheet(int page) {
    char name[40];
    std::snprintf(name, sizeof name, "system\\scene_sam%02d.bmp", page + 1);
    return name;
}

void ReloadIfLoaded(HWND hwnd, int index, const char* name) {
    if (CDIB32* surface = g_pScriptUiSurfaces[index])
        surface->Load(hwnd, name);
}

} // namespace

void ResetMessageSceneForReplay(HWND hwnd) {
    if (g_pGameMain)
        g_pGameMain->ClearSpriteRecords();
    ReloadIfLoaded(hwnd, kUiWindow, "system\\window.bmp");
    ReloadIfLoaded(hwnd, kUiWindowButtons, "system\\window_p.bmp");
    ReloadIfLoaded(hwnd, kUiFrame, "system\\window_w_2.bmp");
    if (g_GlyphFont)
        g_GlyphFont->SetFont(24, 0);
    if (!g_pScriptMng)
        return;
    CScriptMng& s = *g_pScriptMng;
    s.m_windowStyle = 0;
    s.m_windowFrame = 0;
    s.m_bgRestored = 0;
    s.m_transFlag = 0;
    s.m_textX = 0;
    s.m_textY = 0;
    s.m_lineCount = 0;
    s.m_textIndex = 0;
    s.m_lineUnits = 0;
    s.ResetNamePlate();
    s.m_msgStep = 0;
    s.m_autoMode = 0;
    s.m_skipAll = 0;
    s.m_skipRead = 0;
    s.m_hoverButton = 0;
    s.m_prevHoverButton = 0;
    for (PositionSlot& slot : s.m_posSlots)
        slot = PositionSlot{};
    for (MotionSlot& slot : s.m_motionSlots)
        slot = MotionSlot{};
}

CReplayScene::CReplayScene() : page(static_cast<int8_t>(ClampPage(g_SystemData.replayPage, kPageCount))) {}

GridPage CReplayScene::Grid() const {
    GridPage grid;
    grid.page = page;
    grid.pageSize = kPageSizes[page];
    grid.sampleSlot = kSlotSample;
    grid.ownTab = kTabReplay;
    for (int i = 0; i < grid.pageSize; ++i)
        grid.unlocked[i] = g_SystemData.replayUnlocks[page * kGridSlots + i] != 0;
    return grid;
}

bool CReplayScene::Dispatch(HWND hwnd) {
    if (SharedStep(state, timer, kLastSlot, 5))
        return true;
    if (state == 0)
        Init(hwnd);
    else if (state == 2)
        Input(hwnd);
    else if (state == 3)
        StartScene();
    return true;
}

void CReplayScene::Init(HWND hwnd) {
    Enter(hwnd, kBase, kParts);
    LoadSlot(kSlotSample, hwnd, SampleSheet(page).c_str());
    ResetMessageSceneForReplay(hwnd);
    DrawGrid(Grid());
    StartTitleMusic();
    timer.Restart();
    state = 1;
}

void CReplayScene::Input(HWND hwnd) {
    switch (TakeGridInput(hover, Grid(), kPageCount, timer)) {
        case GridInput::kPage:
            page = static_cast<int8_t>(hover.page - 1);
            g_SystemData.replayPage = static_cast<uint8_t>(page);
            ShowNewPage(hwnd, kBase, SampleSheet(page).c_str(), Grid(), hover);
            break;
        case GridInput::kSlot:
            TakeLeft();
            PlayClickSound(kOpenSound);
            MakeFilledSlot(kSlotSnapshot, hwnd, 0);
            CopyToSlot(kSlotPage, hwnd, g_ScreenSurface);
            chosen = hover.slot;
            timer.Restart();
            state = 3;
            break;
        case GridInput::kReturn:
            state = 5;
            break;
        case GridInput::kRightClick:
            state = 4;
            break;
        case GridInput::kNone:
            break;
    }
}

void CReplayScene::StartScene() {
    uint16_t level = 0;
    if (timer.Running(kStartFadeMs, &level)) {
        DrawCrossDissolve(Slot(kSlotSnapshot), Slot(kSlotPage), level);
        return;
    }
    DrawWhole(Slot(kSlotSnapshot));
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = 255;
    if (g_BgmPlayer) {
        DeleteBgmPlayer();
        FreeStoredMusicName();
    }
    state = 0;
    const int scene = page * kGridSlots + chosen - 1;
    if (g_pScriptMng && scene >= 0 && scene < kSceneCount)
        g_pScriptMng->LoadScript(kScripts[scene]);
    SetScene(kSceneScript);
}
