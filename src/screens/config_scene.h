// The configuration screen of scene 9: a main page of five sliders, nine two-way choices and five
// buttons over the options of the system data, and a character page with a volume and a sample
// voice per speaker; its name button opens the name-entry dialog. Changes act at once in memory;
// OK keeps them, cancel restores what was there when the screen opened (the display mode excepted).
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

class CDIB32;

class CConfigScene {
public:
    enum Button : uint8_t { kNone = 0, kOk = 1, kCancel = 2, kDefaults = 3, kVoices = 4, kName = 5 };
    static constexpr int kButtonCount = 5;
    static constexpr int kSliderCount = 5;
    static constexpr int kRadioCount = 18;
    static constexpr int kCharRows = 12;
    static constexpr int kCharButtonCount = 3;

    static constexpr uint32_t kFadeInMs = 500;
    static constexpr uint32_t kPressMs = 200; // the press, and again its fade before the act
    static constexpr uint32_t kFadeOutMs = 750;
    static constexpr uint32_t kCharFadeInMs = 300;
    static constexpr uint32_t kCharPressMs = 300;
    static constexpr uint32_t kCharFadeOutMs = 500;

    // Surface slots of g_Layers.
    static constexpr int kSlotPlain = 19; // the base picture without values
    static constexpr int kSlotPage = 20;  // the page with its values; at leaving the picture returned to
    static constexpr int kSlotBase = 21;  // "system\config_base.bmp"
    static constexpr int kSlotUnder = 23; // the picture at entry; at leaving the page
    static constexpr int kSlotParts = 24; // "system\config_p.bmp"
    static constexpr int kSlotBaseCopy = 26;
    static constexpr int kSlotCharUnder = 30; // the picture when the character page opened
    static constexpr int kSlotCharBase = 31;  // "system\config_chara.bmp"
    static constexpr int kSlotCharPage = 32;  // the character page with its values
    static constexpr int kSlotCharCopy = 33;

    static constexpr RECT kButtonRects[kButtonCount] = {{885, 423, 990, 468},
                                                        {885, 481, 990, 526},
                                                        {859, 139, 1009, 183},
                                                        {183, 496, 317, 518},
                                                        {597, 496, 731, 518}};
    static constexpr RECT kSliderRects[kSliderCount] = {{231, 180, 377, 191},
                                                        {231, 208, 377, 219},
                                                        {231, 315, 377, 326},
                                                        {231, 343, 377, 354},
                                                        {586, 343, 732, 354}};
    static constexpr RECT kRadioRects[kRadioCount] = {
        {212, 367, 224, 379}, {324, 367, 336, 379}, {153, 459, 165, 471}, {224, 459, 236, 471},
        {292, 459, 304, 471}, {363, 459, 375, 471}, {292, 477, 304, 489}, {363, 477, 375, 489},
        {670, 186, 682, 198}, {751, 186, 763, 198}, {670, 221, 682, 233}, {751, 221, 763, 233},
        {613, 304, 625, 316}, {766, 304, 778, 316}, {636, 439, 648, 451}, {748, 439, 760, 451},
        {636, 467, 648, 479}, {781, 467, 793, 479}};
    static constexpr RECT kCharButtonRects[kCharButtonCount] = {
        {885, 423, 990, 468}, {885, 481, 990, 526}, {859, 138, 1009, 182}};

    // The system data byte of slider i (0..4) and of radio pair p (0..8).
    static uint8_t* SliderByte(int slider);
    static uint8_t* RadioByte(int pair);
    // Slider value of a pointer at x over a slider that starts at `left`: whole steps of 7 pixels,
    // 5 per step, 0..100.
    static uint8_t SliderValue(int32_t x, int32_t left);
    // The character page's rectangles of row i (0..11).
    static RECT SampleRect(int row);
    static RECT CharSliderRect(int row);

    uint8_t state = 0; // sub-state: 0 start, 1 fade-in, 3 input, 8 press, 9 act, 4 fade-out, 5 leave,
                       // 10..16 the character page
    uint8_t hovered = 0;
    uint8_t prevHovered = 0;
    uint8_t hoveredSlider = 0;
    uint8_t prevHoveredSlider = 0;
    uint8_t hoveredRadio = 0;
    uint8_t prevHoveredRadio = 0;
    uint8_t pressed = 0;
    screens::FadeTimer timer;
    uint32_t textColour = 0xFFFFFF;
    // What cancel restores: bytes 0x01..0x07, the voice volumes, 0x1B..0x21, 0x22..0x26, the names.
    uint8_t backupOptions[7] = {};
    uint8_t backupVoices[18] = {};
    uint8_t backupFlags[7] = {};
    uint8_t backupPlay[5] = {};
    char backupNames[2][11] = {};
    uint8_t charBackup[kCharRows] = {}; // the character page's own backup
    int8_t playingSample = -1;          // the row whose sample plays on voice slot 0, -1 none
    uint8_t shownFullScreen = 0;        // the display choice drawn on the page (Alt+Enter changes it)

    // Backs up the options and opens the screen's sound-effect player (not played).
    CConfigScene();

    bool Dispatch(HWND hwnd);

private:
    void Start(HWND hwnd);
    void FadeIn();
    void Input(HWND hwnd);
    void Press();
    // The pressed button over the page at `level` (0..255): its picture, at half the level for
    // buttons 4 and 5, or its glow for button 3.
    void DrawPressed(uint16_t level);
    void Act(HWND hwnd);
    void FadeOut();
    void Leave();
    void CharStart(HWND hwnd);
    void CharFadeIn();
    void CharInput();
    void CharPress();
    void CharFadeOut();

    void Restore();
    void Defaults();
    void DrawValues(CDIB32* surface);
    void DrawSlider(CDIB32* surface, int slider, bool hover);
    void DrawRadioPair(CDIB32* surface, int pair);
    void DrawCharSlider(CDIB32* surface, int row);
    void ChooseRadio(HWND hwnd, uint8_t radio);
    void ApplySlider(int slider);
    void BuildReturnPicture(HWND hwnd);
};
