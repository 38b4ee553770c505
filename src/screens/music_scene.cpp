#include "screens/music_scene.h"

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/surfaces.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;
using namespace screens::extras;

namespace {

constexpr char kBase[] = "system\\music_base.bmp";
constexpr char kParts[] = "system\\music_p.bmp";
constexpr char kLabels[] = "system\\music_p2.bmp";
constexpr char kPlayingLabels[] = "system\\music_p3.bmp";

constexpr RECT kListArea{50, 131, 978, 409};
constexpr int32_t kControlWidth = 95;
constexpr int32_t kControlHeight = 35;
constexpr int32_t kFaceY = 43;
constexpr int32_t kStoppedFaceX = 285;
constexpr int32_t kStoppedHoverY = 78;
constexpr int32_t kHoldX = 190;
constexpr int32_t kHoldY = 198;

void Restore(const RECT& r) {
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, Slot(kSlotClean), r.left, r.top, r.right - r.left,
                r.bottom - r.top);
}

} // namespace

CMusicScene::CMusicScene() {
    current = static_cast<int8_t>(g_pGameMain && g_pGameMain->progressLevel == 2 ? 21 : 14);
    for (int i = 0; i < kTrackCount; ++i)
        tracks[i] = TrackRect(i);
    for (int k = 1; k <= kControlCount; ++k)
        controls[k - 1] = ControlRect(k);
}

bool CMusicScene::Dispatch(HWND hwnd) {
    if (SharedStep(state, timer, kLastSlot, 5))
        return true;
    if (state == 0)
        Init(hwnd);
    else if (state == 2)
        Input();
    else if (state == 3)
        Hold();
    return true;
}

void CMusicScene::Init(HWND hwnd) {
    Enter(hwnd, kBase, kParts);
    LoadSlot(kSlotLabels, hwnd, kLabels);
    LoadSlot(kSlotPlayingLabels, hwnd, kPlayingLabels);
    DrawTabFace(Slot(kSlotPage), kTabMusic);
    StartTitleMusic();
    const RECT r = tracks[current];
    CDIB32::BltAlpha(Slot(kSlotPage), r.left, r.top, Slot(kSlotPlayingLabels), 315 * (current / 9),
                     31 * (current % 9), r.right - r.left, r.bottom - r.top);
    playing = 1;
    timer.Restart();
    state = 1;
}

void CMusicScene::DrawList() {
    CDIB32::Blt(g_ScreenSurface, kListArea.left, kListArea.top, Slot(kSlotClean), kListArea.left,
                kListArea.top, kListArea.right - kListArea.left, kListArea.bottom - kListArea.top);
    const RECT r = tracks[current];
    CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(playing ? kSlotPlayingLabels : kSlotLabels),
                     315 * (current / 9), 31 * (current % 9), r.right - r.left, r.bottom - r.top);
    if (!playing) {
        const RECT& c = controls[kPlayStop - 1];
        CDIB32::BltAlpha(g_ScreenSurface, c.left, c.top, Slot(kSlotParts), kStoppedFaceX, kFaceY,
                         kControlWidth, kControlHeight);
    }
}

// The hover face of a control; play/stop shows the face of the playing flag.
void CMusicScene::DrawControlFace(uint8_t control) {
    if (control < kPrevious || control > kNext)
        return;
    const RECT& c = controls[control - 1];
    int32_t x = 95 * (control - 1);
    int32_t y = kFaceY;
    if (control == kPlayStop && !playing) {
        x = kStoppedFaceX;
        y = kStoppedHoverY;
    }
    CDIB32::BltAlpha(g_ScreenSurface, c.left, c.top, Slot(kSlotParts), x, y, kControlWidth, kControlHeight);
}

void CMusicScene::StopMusic() {
    if (g_BgmPlayer) {
        DeleteBgmPlayer();
        FreeStoredMusicName();
    }
}

void CMusicScene::Input() {
    prevHoveredTrack = hoveredTrack;
    prevHoveredButton = hoveredButton;
    prevHoveredControl = hoveredControl;
    if (!g_pMouse)
        return;
    hoveredTrack = HitTestMouse(tracks, kTrackCount);
    hoveredButton = HitButtons(kTabMusic);
    hoveredControl = HitTestMouse(controls, kControlCount);

    if (hoveredTrack != prevHoveredTrack) {
        if (prevHoveredTrack != 0 && prevHoveredTrack - 1 != current)
            Restore(tracks[prevHoveredTrack - 1]);
        if (hoveredTrack != 0 && hoveredTrack - 1 != current) {
            const int t = hoveredTrack - 1;
            const RECT& r = tracks[t];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotLabels), 315 * (t / 9), 31 * (t % 9),
                             r.right - r.left, r.bottom - r.top);
        }
    }
    DrawButtonHover(prevHoveredButton, hoveredButton);
    if (hoveredControl != prevHoveredControl) {
        if (hoveredControl != 0) {
            Restore(controls[hoveredControl - 1]);
            DrawControlFace(hoveredControl);
        }
        if (prevHoveredControl != 0) {
            Restore(controls[prevHoveredControl - 1]);
            if (prevHoveredControl == kPlayStop && !playing) {
                const RECT& c = controls[kPlayStop - 1];
                CDIB32::BltAlpha(g_ScreenSurface, c.left, c.top, Slot(kSlotParts), kStoppedFaceX, kFaceY,
                                 kControlWidth, kControlHeight);
            }
        }
    }

    if (LeftClicked() && hoveredButton != 0) {
        TakeLeft();
        if (ClickButton(hoveredButton, timer) == ButtonAction::kReturn)
            state = 5;
        return;
    }
    if (LeftClicked() && hoveredControl != 0) {
        TakeLeft();
        if (hoveredControl == kPlayStop) {
            PlayClickSound(kTabSound);
            if (!playing) {
                playing = 1;
                StartTrack(kTracks[current]);
            } else {
                StopMusic();
                playing = 0;
            }
            DrawList();
            Restore(controls[kPlayStop - 1]);
            DrawControlFace(kPlayStop);
            return;
        }
        current =
            static_cast<int8_t>(hoveredControl == kPrevious ? (current == 0 ? kTrackCount - 1 : current - 1)
                                                            : (current == kTrackCount - 1 ? 0 : current + 1));
        if (playing)
            StartTrack(kTracks[current]);
        else
            PlayClickSound(kTabSound);
        DrawList();
        hoveredControl = 0;
        return;
    }
    if (LeftClicked() && hoveredTrack != 0) {
        TakeLeft();
        current = static_cast<int8_t>(hoveredTrack - 1);
        StartTrack(kTracks[current]);
        playing = 1;
        DrawList();
        Restore(controls[kPlayStop - 1]);
        return;
    }
    if (RightClicked()) {
        TakeRight();
        timer.Restart();
        state = 3;
    }
}

void CMusicScene::Hold() {
    uint16_t level = 0;
    const bool running = timer.Running(kHoldMs, &level);
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = level;
    DrawWhole(Slot(kSlotPage));
    if (running) {
        CDIB32* parts = Slot(kSlotParts);
        if (parts)
            CDIB32::BltAlphaFade(g_ScreenSurface, kHoldX, kHoldY, parts, 0, 0, parts->GetWidth(),
                                 parts->GetHeight(), static_cast<uint16_t>(255 - level));
        return;
    }
    if (g_pScriptMng)
        g_pScriptMng->m_hoverIndex = 255;
    state = 4;
}
