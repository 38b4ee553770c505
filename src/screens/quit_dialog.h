// The quit dialog over the game picture: a tinted backdrop, a first panel with three choices (back
// to the title, quit the game, cancel) and, for the first two, a yes/no panel. The quit
// confirmation screen (scene 8) is this dialog alone; the system menu (scene 54) carries it inside,
// with a picture, backdrop and rectangles of its own. Each host gives its values in a layout and
// decides what the outcomes lead to.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

// A region of the panel bitmap: its top-left corner; the size is that of the button it belongs to.
struct PanelSource {
    int32_t x;
    int32_t y;
};

struct QuitDialogLayout {
    uint32_t backdropColour;    // pixel word blended over the picture at entry
    uint16_t backdropLevel;     // its constant opacity
    int32_t tintEffect;         // effect of the tint and untint (0 cross-dissolve, 39 iris)
    int32_t panelX;             // where the panels rest
    int32_t panelY;             //
    int32_t panelW;             // size of a panel in the bitmap
    int32_t panelH;             //
    int32_t firstSlide;         // every panel slides in from panelY - firstSlide, by level × slide / 256
    int32_t secondSlide[2];     // the slide of the second panel after choice 1 and 2
    int32_t restoreTop;         // top of the area restored while a panel slides in
    int32_t restoreH;           // its height (it is panelW wide)
    PanelSource firstPanel;     // the first panel in the bitmap
    PanelSource secondPanel[2]; // the second panel after choice 1 and 2
    RECT firstButtons[3];       // title, quit, cancel
    RECT secondButtons[2];      // yes, no
    PanelSource firstHover[3];
    PanelSource firstGlow[3];
    PanelSource secondHover[2];
    PanelSource secondGlow[2];
    // The second panel's button area unhovered: where it is drawn, and its picture, which is the
    // same for both second panels (the one after choice 1 holds it).
    RECT secondIdleArea;
    PanelSource secondIdleSource;
    int32_t sink;    // the panel sinks by sink × sine while it closes
    int32_t glowMax; // the chosen button's glow peaks at this level
};

// The dialog's steps; the numbers are those of the quit confirmation screen (the system menu adds
// 10 and glides in its step 30).
class QuitDialog {
public:
    enum Step : uint8_t {
        kSetUp = 0,
        kTint = 1,
        kFirstIn = 2,
        kFirstChoice = 3,
        kFirstClose = 4,
        kSecondInOrUntint = 5,
        kCancelled = 6, // the untint has ended: the host leaves
        kSecondChoice = 10,
        kSecondClose = 11,
        kAct = 12,
        kGlide = 22,
    };
    enum class Outcome : uint8_t { kRunning, kCancelled, kTitle, kQuit };

    // Surface slots of g_Layers.
    static constexpr int kSlotEntry = 30;    // the picture at entry
    static constexpr int kSlotPanels = 31;   // the panel bitmap
    static constexpr int kSlotBackdrop = 32; // the tinted picture

    static constexpr uint32_t kTintMs = 300;
    static constexpr uint32_t kSlideMs = 300;
    static constexpr uint32_t kCloseMs = 500;
    static constexpr uint32_t kGlideMs = 150;
    static constexpr char kClickSound[] = "sys_a002.ogg";

    explicit QuitDialog(const QuitDialogLayout& layout) : m_layout(layout) {}

    uint8_t step = kSetUp;
    uint8_t glideNext = 0; // the step after a cursor glide
    uint8_t second = 0;    // 1 yes, 2 no, 0 none
    uint8_t prevSecond = 0;
    uint8_t first = 0; // 1 title, 2 quit, 3 cancel, 0 none
    uint8_t prevFirst = 0;
    screens::FadeTimer timer;
    int16_t glideTarget[2] = {}; // game coordinates
    int16_t glideStart[2] = {};

    // One frame of the dialog. `panelBitmap` is loaded at set-up, `fallbackBitmap` (when given) in
    // its place when it is missing. Returns what the dialog came to; kRunning while it goes on.
    Outcome Step(HWND hwnd, const char* panelBitmap, const char* fallbackBitmap = nullptr);

private:
    void SetUp(HWND hwnd, const char* panelBitmap, const char* fallbackBitmap);
    void Tint();
    void SlideIn(bool secondPanel);
    void Choose(bool secondPanel);
    void Close(bool secondPanel);
    void Untint();
    Outcome Act();
    void Glide(HWND hwnd);
    void StartGlide(const RECT& target, uint8_t next);

    PanelSource PanelOf(bool secondPanel) const;
    void DrawPanel(int32_t y, uint16_t level, bool secondPanel);
    void DrawIdle(bool secondPanel);
    void DrawHover(bool secondPanel, uint8_t button);

    const QuitDialogLayout& m_layout;
};

// One frame of a cursor glide of `durationMs` from `start` to `target` (game coordinates, mapped onto
// the window as every cursor move is): the cursor eases in onto the target. True once it is there
// (the time is up or a fade cut applies); the cursor is then on the target.
bool GlideCursor(HWND hwnd, const int16_t target[2], const int16_t start[2], uint32_t elapsedMs,
                 uint32_t durationMs);

// The layouts of the quit confirmation screen and of the system menu's dialog.
extern const QuitDialogLayout kExitDialogLayout;
extern const QuitDialogLayout kSystemMenuDialogLayout;
