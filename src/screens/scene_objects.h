// The screen objects of the system screens: one object per screen, created by CGameMain when its scene
// becomes current, stepped once per frame with Dispatch and deleted as soon as the scene changes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "screens/backlog_scene.h"
#include "screens/config_scene.h"
#include "screens/credit_scene.h"
#include "screens/exit_scene.h"
#include "screens/gallery_scene.h"
#include "screens/load_scene.h"
#include "screens/movie_scene.h"
#include "screens/music_scene.h"
#include "screens/note_scene.h"
#include "screens/replay_scene.h"
#include "screens/save_scene.h"
#include "screens/system_menu_scene.h"
#include "screens/title_menu_scene.h"
#include "screens/title_scene.h"

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
