// The screen objects of the system screens: one object per screen, created by CGameMain when its scene
// becomes current, stepped once per frame with Dispatch and deleted as soon as the scene changes.
// Screens that are not built yet step as empty functions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "screens/credit_scene.h"
#include "screens/gallery_scene.h"
#include "screens/load_scene.h"
#include "screens/movie_scene.h"
#include "screens/music_scene.h"
#include "screens/note_scene.h"
#include "screens/replay_scene.h"
#include "screens/save_scene.h"
#include "screens/title_menu_scene.h"
#include "screens/title_scene.h"

// Backlog (scene 6). The scroll fields come first; the window procedure's wheel handling reads them.
class CBacklogScene {
public:
    int32_t position = 0;    // first line shown
    int32_t maxPosition = 0; // largest position
    int32_t reserved = 0;
    int32_t lineCount = 0; // lines in the backlog; the wheel scrolls only when above 4
    uint8_t state = 0;     // 2 = browsing
    uint8_t hovered = 0;   // redraw bytes set to 1 and 0 after a wheel scroll
    uint8_t prevHovered = 0;
    bool Dispatch(HWND hwnd);
};

// Quit confirmation (scene 8).
class CExitScene {
public:
    uint8_t state = 0;
    bool Dispatch(HWND hwnd);
};

// Configuration (scene 9); state 3 is its main state.
class CConfigScene {
public:
    uint8_t state = 0;
    bool Dispatch(HWND hwnd);
};

// In-game system menu (scene 54).
class CSystemMenuScene {
public:
    uint8_t state = 0;
    bool Dispatch(HWND hwnd);
};

extern CTitleScene* g_pTitleScene;
extern CTitleMenuScene* g_pTitleMenuScene;
extern CConfigScene* g_pConfigScene;
extern CExitScene* g_pExitScene;
extern CSystemMenuScene* g_pSystemMenuScene;
extern CSaveLoadScene* g_pSaveLoadScene;
extern CLoadScene* g_pLoadScene;
extern CBacklogScene* g_pBacklogScene;
extern CReplayScene* g_pReplayScene;
extern CGalleryScene* g_pGalleryScene;
extern CMusicScene* g_pMusicScene;
extern CCreditTScene* g_pCreditTScene;
extern CCreditNScene* g_pCreditNScene;
extern CCreditBScene* g_pCreditBScene;
extern CMovieScene* g_pOpeningMovieScene;
extern CMovieScene* g_pStaffRollMovieScene;
extern CNoteScene* g_pNoteScene;
