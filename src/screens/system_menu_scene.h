// The in-game system menu of scene 54, opened by a script: a column of five buttons at the right of
// the picture (save, load, backlog, configuration, quit) and, for quit, the quit dialog inside.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/quit_dialog.h"
#include "screens/screen_object.h"

class CSystemMenuScene {
public:
    enum Button : uint8_t { kNone = 0, kSave = 1, kLoad = 2, kBacklog = 3, kConfig = 4, kQuit = 5 };
    static constexpr int kButtonCount = 5;
    static constexpr int kLineCount = 4;

    static constexpr uint32_t kFadeInMs = 300;
    static constexpr uint32_t kSideMs = 200;
    static constexpr uint32_t kLabelsMs = 300;
    static constexpr uint32_t kLineMs = 100;
    static constexpr uint32_t kHoverMs = 150;
    static constexpr uint32_t kFadeOutMs = 500;

    // Surface slots of g_Layers.
    static constexpr int kSlotMenu = 20;   // the picture with the menu drawn on it
    static constexpr int kSlotBase = 21;   // "system\sys_m_base.bmp"
    static constexpr int kSlotText = 22;   // "system\sys_m_moji.bmp"
    static constexpr int kSlotEntry = 23;  // the picture at entry
    static constexpr int kSlotSide = 24;   // "system\sys_m_p01.bmp"
    static constexpr int kSlotLabels = 25; // "system\sys_m_p02.bmp": labels, hovered labels, glows, line

    static constexpr RECT kButtonRects[kButtonCount] = {{738, 200, 788, 228},
                                                        {738, 238, 788, 266},
                                                        {708, 276, 788, 304},
                                                        {670, 316, 788, 344},
                                                        {750, 352, 788, 380}};
    static constexpr int32_t kLineY[kLineCount] = {230, 269, 308, 347};

    uint8_t state = 0;        // sub-state: 0..6 the menu, 10..22 and 30 the quit dialog
    uint8_t glideNext = 0;    // the sub-state after a cursor glide
    uint8_t selected = 0;     // 1..5, 0 none
    uint8_t prevSelected = 0; // the previous frame's value
    screens::FadeTimer timer;
    uint32_t lineStart[kLineCount] = {}; // ms when each separator line began to slide
    uint8_t lineStarted[kLineCount] = {};
    uint8_t hoverPhase = 0; // 0 none, 1 the hovered label slides in, 2 it stays lit
    uint32_t hoverStart = 0;
    int16_t glideTarget[2] = {};
    int16_t glideStart[2] = {};
    QuitDialog dialog{kSystemMenuDialogLayout};

    // The per-frame step. Returns true.
    bool Dispatch(HWND hwnd);

private:
    void SetUp(HWND hwnd);
    void FadeIn();
    void SidePictures();
    void LabelsAndLines();
    void Input(HWND hwnd);
    void FadeOut();
    void Leave();
    void QuitDialogStep(HWND hwnd);
    void Glide(HWND hwnd);
    void DrawLabels(CDIB32* surface, int32_t x, uint16_t level);
    void DrawLines(CDIB32* surface, uint32_t now, uint16_t level, bool final);
};
