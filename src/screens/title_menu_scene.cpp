#include "screens/title_menu_scene.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "screens/system_data.h"
#include "screens/title_scene.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;

namespace {

constexpr char kClickSound[] = "se\\sys_010.ogg";
constexpr char kFirstScript[] = "start.s";

// Loads a picture again into a message-scene surface that exists.
void ReloadUiSurface(HWND hwnd, int index, const char* name) {
    if (CDIB32* surface = g_pScriptUiSurfaces[index]) {
        surface->Load(hwnd, name);
    }
}

void ClearMouseLeft() {
    if (g_pMouse) {
        g_pMouse->GetState()->left = 0;
    }
}

bool MouseLeft() {
    return g_pMouse && g_pMouse->GetState()->left;
}

void ClearCtrl() {
    if (g_pKeyboard) {
        g_pKeyboard->ctrl = 0;
    }
}

} // namespace

CTitleMenuScene::CTitleMenuScene() {
    std::copy(std::begin(kButtonRects), std::end(kButtonRects), buttons);
    std::copy(std::begin(kSourceRects), std::end(kSourceRects), sources);
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
}

const char* CTitleMenuScene::BackgroundFor(uint8_t level) {
    switch (level) {
        case 0:
            return "system\\title_bg.bmp";
        case 1:
            return "system\\title_bg01.bmp";
        default:
            return "system\\title_bg02.bmp";
    }
}

const char* CTitleMenuScene::PartsFor(uint8_t level) {
    return level == 2 ? "system\\title_p02.bmp" : "system\\title_p.bmp";
}

const char* CTitleMenuScene::MusicFor(uint8_t level) {
    return level == 2 ? "op_arr01.ogg" : "bgm09.ogg";
}

bool CTitleMenuScene::Dispatch(HWND hwnd) {
    switch (state) {
        case 0:
            Start(hwnd);
            break;
        case 1:
            FadeIn();
            break;
        case 2:
            Input(hwnd);
            break;
        case 4:
            FadeOut();
            break;
        case 5:
            Act(hwnd);
            break;
        default:
            break;
    }
    return true;
}

void CTitleMenuScene::DrawHighlight(CDIB32* surface, uint8_t button) {
    if (button < 1 || button > kButtonCount) {
        return;
    }
    const RECT& at = buttons[button - 1];
    const RECT& src = sources[button - 1];
    CDIB32::BltAlpha(surface, at.left, at.top, Slot(kSlotParts), src.left, src.top, src.right - src.left,
                     src.bottom - src.top);
}

void CTitleMenuScene::Start(HWND hwnd) {
    for (int slot = 0; slot <= 3; ++slot) {
        DeleteSePlayer(slot);
    }
    if (g_pGameMain) {
        std::memset(g_pGameMain->seName, 0, sizeof(g_pGameMain->seName));
    }
    FreeStoredMusicName();

    SaveSystemData();
    ResetGameStateForTitle();

    ReloadUiSurface(hwnd, kUiWindow, "system\\window.bmp");
    ReloadUiSurface(hwnd, kUiWindowButtons, "system\\window_p.bmp");
    const bool frame = g_pScriptMng && g_pScriptMng->m_windowFrame != 0;
    ReloadUiSurface(hwnd, kUiFrame, frame ? "system\\window_w.bmp" : "system\\window_w_2.bmp");
    // A fresh start has no speaker: kept, the next game's first lines would show the last game's
    // name on the last game's plate.
    if (g_pScriptMng) {
        g_pScriptMng->ResetNamePlate();
    }
    if (g_GlyphFont) {
        g_GlyphFont->SetFont(24, 0);
    }

    UpdateProgressLevel();
    const uint8_t level = g_pGameMain ? g_pGameMain->progressLevel : 0;
    LoadSlot(kSlotTitle, hwnd, BackgroundFor(level));
    LoadSlot(kSlotParts, hwnd, PartsFor(level));
    CopyToSlot(kSlotPrevious, hwnd, g_ScreenSurface);
    CopyToSlot(kSlotTitleCopy, hwnd, Slot(kSlotTitle));

    DeleteBgmPlayer();
    if (g_SystemData.bgmOff != 1) {
        const char* music = MusicFor(level);
        if (CBgmplay* player = new (std::nothrow) CBgmplay()) {
            g_BgmPlayer = player;
            player->OpenMusic(music);
            player->SetVolume(g_SystemData.bgmVolume);
            player->Play(1);
        }
        StoreMusicName(music);
    }

    timer.Restart();
    step = 0;
    state = 1;
}

void CTitleMenuScene::FadeIn() {
    uint16_t level = 0;
    if (timer.Running(kFadeInMs, &level) && !MouseLeft()) {
        fadeLevel = level;
        DrawCrossDissolve(Slot(kSlotTitle), Slot(kSlotPrevious), level);
        return;
    }
    ClearMouseLeft();
    fadeLevel = 255;
    DrawWhole(Slot(kSlotTitle));
    timer.Restart();
    state = 2;
}

void CTitleMenuScene::Input(HWND hwnd) {
    prevHovered = hovered;
    hovered = HitTestMouse(buttons, kButtonCount);

    const SelectionStep move = TakeSelectionStep();
    if (move.delta != 0) {
        hovered = StepSelection(hovered, kButtonCount, move.delta);
        MoveCursorToButton(hwnd, buttons[hovered - 1]);
        if (move.wheel) {
            Sleep(kWheelPauseMs);
        }
    }

    const uint8_t level = g_pGameMain ? g_pGameMain->progressLevel : 0;
    if (level == 0 && hovered == kExtras) {
        hovered = kNone;
    }

    DrawWhole(Slot(kSlotTitle));
    if (hovered != kNone) {
        DrawHighlight(g_ScreenSurface, hovered);
    }

    if (hovered == kNone || !MouseLeft()) {
        return;
    }
    PlayClickSound(kClickSound);
    Sleep(kClickPauseMs);
    MakeFilledSlot(kSlotPrevious, hwnd, 0);
    DrawHighlight(Slot(kSlotTitle), hovered);
    timer.Restart();
    if ((hovered == kNewGame || hovered == kQuit) && g_BgmPlayer && !g_BgmPlayer->IsStoppedChannel()) {
        g_BgmPlayer->FadeOut(kMusicFadeMs);
        if (g_pScriptMng) {
            g_pScriptMng->m_bgmStarted = 0;
        }
    }
    ClearMouseLeft();
    state = 4;
}

void CTitleMenuScene::FadeOut() {
    const uint32_t duration = (hovered == kNewGame || hovered == kQuit) ? kFadeOutLongMs : kFadeOutMs;
    uint16_t level = 0;
    if (timer.Running(duration, &level) && !MouseLeft()) {
        fadeLevel = level;
        DrawCrossDissolve(Slot(kSlotPrevious), Slot(kSlotTitle), level);
        return;
    }
    fadeLevel = 255;
    DrawWhole(Slot(kSlotPrevious));
    ClearMouseLeft();
    ClearCtrl();
    state = 5;
}

void CTitleMenuScene::Act(HWND hwnd) {
    DeleteVoicePlayer(0);
    FreeSlots(1, 10);
    DeleteSePlayer(0);
    if (hovered >= kNewGame && hovered <= kExtras) {
        state = 0;
        if (g_pScriptMng) {
            g_pScriptMng->m_menuFromGame = 0;
        }
    }
    switch (hovered) {
        case kNewGame:
            DeleteBgmPlayer();
            FreeStoredMusicName();
            if (g_pScriptMng) {
                g_pScriptMng->m_inReplay = 0;
                g_pScriptMng->LoadScript(kFirstScript);
            }
            SetScene(kSceneScript);
            if (g_pScriptMng)
                g_pScriptMng->m_param63 = 0;
            ClearMouseLeft();
            ClearCtrl();
            break;
        case kLoad:
            if (g_pScriptMng) {
                g_pScriptMng->m_inReplay = 0;
                g_pScriptMng->m_param63 = 0;
            }
            SetScene(kSceneLoad);
            break;
        case kConfig:
            SetScene(kSceneConfig);
            break;
        case kExtras:
            if (g_pScriptMng) {
                g_pScriptMng->m_inReplay = 1;
            }
            SetScene(kSceneGallery);
            break;
        case kQuit:
            state = 10;
            DeleteBgmPlayer();
            plat::DestroyWindow(hwnd);
            break;
        default:
            // Not reached: the act sub-state follows a click on a button. Back to the input.
            state = 2;
            break;
    }
}

void ResetGameStateForTitle() {
    if (g_pGameMain) {
        CGameMain& game = *g_pGameMain;
        game.backlogCount = 0;
        std::memset(game.backlogText, 0, sizeof(game.backlogText));
        std::memset(game.backlogSpeaker, 0, sizeof(game.backlogSpeaker));
        std::memset(game.backlogVoice, 0, sizeof(game.backlogVoice));
        std::memset(game.layerPictureNames, 0, sizeof(game.layerPictureNames));
        std::memset(game.charBasePictureNames, 0, sizeof(game.charBasePictureNames));
        std::memset(game.charSlotPicture, 0, sizeof(game.charSlotPicture));
        std::memset(game.charSlotX, 0, sizeof(game.charSlotX));
        std::memset(game.charSlotY, 0, sizeof(game.charSlotY));
        std::memset(game.charSlotShown, 0, sizeof(game.charSlotShown));
        game.ClearSpriteRecords();
    }
    if (!g_pScriptMng) {
        return;
    }
    CScriptMng& s = *g_pScriptMng;
    std::memset(s.m_vars, 0, sizeof(s.m_vars));
    std::memset(s.m_plainText, 0, sizeof(s.m_plainText));
    std::memset(s.m_lineVoiceName, 0, sizeof(s.m_lineVoiceName));
    std::memset(s.m_rawText, 0, sizeof(s.m_rawText));
    for (PositionSlot& slot : s.m_posSlots) {
        slot = PositionSlot{};
    }
    for (MotionSlot& slot : s.m_motionSlots) {
        slot = MotionSlot{};
    }
    for (SpriteSlot& slot : s.m_sprites) {
        slot = SpriteSlot{};
    }
    s.m_list1 = ItemList1{};
    s.m_list2 = ItemList2{};
    s.m_list3 = ItemList{};
    s.m_list4 = ItemList{};
    s.m_list5 = ItemList{};
    std::memset(s.m_noteMarks, 0, sizeof(s.m_noteMarks));
    std::memset(s.m_commandParams, 0, sizeof(s.m_commandParams));
    s.m_commandCount = 0;
    std::memset(s.m_keywordCounts, 0, sizeof(s.m_keywordCounts));
    std::memset(s.m_keywordKnown, 0, sizeof(s.m_keywordKnown));
    std::memset(s.m_visitTable, 0, sizeof(s.m_visitTable));
    // The chapter and value tables are cleared as well, so that a new game never branches on what
    // the previous game left there.
    std::memset(s.m_chapterTable, 0, sizeof(s.m_chapterTable));
    std::memset(s.m_valueTable, 0, sizeof(s.m_valueTable));
    std::memset(s.m_legworkChars, 0, sizeof(s.m_legworkChars));
    std::memset(s.m_legworkCharTopics, 0, sizeof(s.m_legworkCharTopics));
    std::memset(s.m_legworkEvidence, 0, sizeof(s.m_legworkEvidence));
    s.m_legworkNo = 0;
    s.m_searchSpot = 0;
    s.m_searchSceneNo = 0;
    s.m_pickedEntry = 0;
    s.m_thresholdIndex = 0;
    s.m_chapter = 0;
    s.m_listCategory = 0;
    s.m_investStep = 0;
    s.m_investActive = 0;
    s.m_clockHour = 0;
    s.m_clockMinute = 0;
    s.m_timeGauge = 0;
    s.m_mapPage = 0;
    s.m_bgRestored = 0;
    s.m_transFlag = 0;
    s.m_hudDateRow = 1;
    s.m_hudInfoRow = 0;
    s.m_clockShown = 0;
    s.m_windowFrame = 0;
    s.m_windowStyle = 0;
    s.m_msgStep = 0;
    s.m_inReplay = 0;
    s.m_autoMode = 0;
    s.m_skipAll = 0;
    s.m_skipRead = 0;
    s.m_hoverItem = 0;
    s.m_prevHoverItem = 0;
    // A button left hovered would be pressed by the next game's first click, wherever it lands.
    s.m_hoverButton = 0;
    s.m_prevHoverButton = 0;
    s.m_bgmStarted = 1;
    s.m_noteFlowChart = 1;
}
