#include "screens/scene_objects.h"

CTitleScene* g_pTitleScene = nullptr;
CTitleMenuScene* g_pTitleMenuScene = nullptr;
CConfigScene* g_pConfigScene = nullptr;
CExitScene* g_pExitScene = nullptr;
CSystemMenuScene* g_pSystemMenuScene = nullptr;
CSaveLoadScene* g_pSaveLoadScene = nullptr;
CLoadScene* g_pLoadScene = nullptr;
CBacklogScene* g_pBacklogScene = nullptr;
CReplayScene* g_pReplayScene = nullptr;
CGalleryScene* g_pGalleryScene = nullptr;
CMusicScene* g_pMusicScene = nullptr;
CCreditTScene* g_pCreditTScene = nullptr;
CCreditNScene* g_pCreditNScene = nullptr;
CCreditBScene* g_pCreditBScene = nullptr;
CMovieScene* g_pOpeningMovieScene = nullptr;
CMovieScene* g_pStaffRollMovieScene = nullptr;
CNoteScene* g_pNoteScene = nullptr;
