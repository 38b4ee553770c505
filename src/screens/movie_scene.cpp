#include "screens/movie_scene.h"

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "platform/file_system.h"
#include "platform/movie_player.h"
#include "platform/window.h"
#include "screens/screen_object.h"
#include "sound/dsound.h"

using namespace screens;

CMovieScene::CMovieScene(HWND hwnd, HINSTANCE hinstance, const char* name, int start)
    : fileName(name ? name : ""), hWnd(hwnd), hInstance(hinstance), startPosition(start) {}

CMovieScene::~CMovieScene() {
    Close();
}

bool CMovieScene::Dispatch(HWND) {
    if (g_pMouse && (g_pMouse->GetState()->right != 0 || (g_pKeyboard && g_pKeyboard->ctrl != 0))) {
        Finish();
        return true;
    }
    switch (state) {
        case 0:
            Open();
            Play();
            Poll();
            break;
        case 1:
            Play();
            Poll();
            break;
        case 2:
            Poll();
            break;
        default:
            break;
    }
    return true;
}

void CMovieScene::Close() {
    if (player) {
        player->Stop();
        player.reset();
    }
}

void CMovieScene::Open() {
    Close();
    std::string realPath;
    std::string error;
    if (kestrel::fs::FindRealPath(fileName, &realPath))
        player = plat::MoviePlayer::Open(realPath, g_DSound.device, &error);
    if (!player)
        plat::MessageBox(hWnd, "MOVIE", "Error", plat::BoxButtons::Ok);
    length = player ? static_cast<int32_t>(player->DurationMs()) : 0;
    // The movie owns the picture now: the frame no longer repaints the game's rectangle over it.
    if (g_pGameMain)
        g_pGameMain->fullRect = RECT{0, 0, 0, 0};
    state = 1;
}

void CMovieScene::Play() {
    if (player)
        player->Start();
    state = 2;
}

void CMovieScene::Poll() {
    CDIB32* screen = g_ScreenSurface;
    if (!player || !screen) {
        Finish();
        return;
    }
    auto* pixels = reinterpret_cast<uint32_t*>(screen->GetPixelAddress(0, 0));
    switch (player->Update(pixels, screen->GetWidth(), screen->GetHeight(), screen->GetPitch())) {
        case plat::MoviePlayer::Result::NewPicture:
            // The post-frame pass of the opening movie does not repaint: the movie asks for it.
            plat::InvalidateWindow(hWnd);
            break;
        case plat::MoviePlayer::Result::Ended:
            Finish();
            break;
        case plat::MoviePlayer::Result::Waiting:
            break;
    }
}

void CMovieScene::Finish() {
    if (g_ScreenSurface)
        g_ScreenSurface->FillRect(0, 0, kWidth, kHeight, 0);
    if (g_pGameMain)
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    plat::InvalidateWindow(hWnd);
    Close();
    state = 0;
    if (g_pMouse) {
        g_pMouse->GetState()->right = 0;
        g_pMouse->GetState()->left = 0;
    }
    if (g_pKeyboard)
        g_pKeyboard->ctrl = 0;
    SetScene(kSceneTitleMenu);
}
