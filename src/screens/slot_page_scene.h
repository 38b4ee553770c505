// The page of save slots that the save screen (scene 10) and the load screen (scene 11) share: ten
// slots a page over ten pages, each with its number, thumbnail, date, game day, clock, place and the
// caption of the message on screen; the page buttons, the back button and the Yes / No box that
// confirms the chosen slot. The two screens differ in their pictures, their page byte of the system
// data and what Yes does (write or load); those parts live in save_scene.cpp and load_scene.cpp.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/types.h"
#include "screens/save_data.h"
#include "screens/screen_object.h"

class CDIB32;

class CSlotPageScene {
public:
    enum class Kind : uint8_t { kSave, kLoad };

    static constexpr int kSlotsPerPage = 10;
    static constexpr int kPageCount = 10;
    static constexpr uint32_t kFadeMs = 500;   // fade-in, fade-out and the back button
    static constexpr uint32_t kBoxMs = 400;    // the box opening and closing
    static constexpr uint32_t kGlideMs = 200;  // the cursor glide onto Yes
    static constexpr uint32_t kToGameMs = 800; // the load's cross-dissolve into the game
    static constexpr uint8_t kBackButton = 11; // hovered page-button value of the back button
    static constexpr uint8_t kAnswerYes = 1;
    static constexpr uint8_t kAnswerNo = 2;

    // Surface slots of g_Layers.
    static constexpr int kSlotPage = 20;     // the composed page
    static constexpr int kSlotBase = 21;     // the empty page
    static constexpr int kSlotParts = 22;    // frames, page numbers, back button, box
    static constexpr int kSlotFadeFrom = 23; // the picture the fades start from
    static constexpr int kSlotChosen = 30;   // the page as it was when a slot was chosen
    static constexpr int kSlotTinted = 31;   // slot 30 tinted, with the box once it is open
    static constexpr int kSlotTintedBare = 40;
    static constexpr int kSlotDigits = 32; // "system\data_no.bmp"
    static constexpr int kSlotTime = 33;   // "system\time_03.bmp"
    static constexpr int kSlotPlace = 34;  // "system\place.bmp"
    static constexpr int kSlotStock = 35;  // "system\s_sam.bmp"
    static constexpr int kSlotDay = 36;    // "system\day.bmp"

    // Sub-states. 9, 12 and 13 are the load screen's only.
    enum State : uint8_t {
        kStart = 0,
        kFadeIn = 1,
        kInput = 3,
        kFadeOut = 4,
        kLeave = 5,
        kOpenBox = 6,
        kBoxInput = 7,
        kCloseBox = 8,
        kBoxResult = 9,
        kAct = 10,
        kBack = 11,
        kFadeToGame = 12,
        kResume = 13,
        kGlide = 14,
    };

    // The layout, read by the screen and by the sample generator. Rectangles as PtInRect tests them.
    static constexpr RECT SlotRect(int position) {
        const int32_t c = position / 5, r = position % 5;
        return RECT{10 + 511 * c, 86 + 97 * r, 502 + 511 * c, 178 + 97 * r};
    }
    static constexpr RECT PageButtonRect(int p) { return RECT{747 + 19 * p, 45, 765 + 19 * p, 63}; }
    static constexpr RECT kBackRect{954, 32, 1018, 68};
    static constexpr RECT kYesRect{398, 295, 503, 339};
    static constexpr RECT kNoRect{519, 295, 624, 339};
    // Pictures of the parts atlas (x, y, w, h); the lit page number p is at (19p, 184), 19 × 18 as
    // the current-page marker and 18 × 18 as the hover picture.
    struct Cell {
        int32_t x, y, w, h;
    };
    static constexpr Cell kFrameNormal{0, 0, 492, 92};
    static constexpr Cell kFrameLit{0, 92, 492, 92};
    static constexpr int32_t kPageNumberY = 184;
    static constexpr Cell kBackLit{0, 202, 64, 36};
    static constexpr Cell kBackGlow{64, 202, 64, 36};
    static constexpr Cell kBox{0, 238, 396, 134};
    static constexpr int32_t kBoxX = 314; // the box's place once open
    static constexpr int32_t kBoxY = 223;
    static constexpr Cell kBoxLit[2] = {{396, 238, 105, 44}, {396, 282, 105, 44}};
    static constexpr Cell kBoxGlow[2] = {{396, 326, 105, 44}, {396, 370, 105, 44}};
    // Within a slot at (X, Y) = (511 c, 97 r): the thumbnail at the slot's corner + (343, 6), 143 × 80.
    static constexpr int32_t kThumbX = 343, kThumbY = 6;

    explicit CSlotPageScene(Kind kind);
    ~CSlotPageScene();
    CSlotPageScene(const CSlotPageScene&) = delete;
    CSlotPageScene& operator=(const CSlotPageScene&) = delete;

    // The per-frame step. Returns true.
    bool Dispatch(HWND hwnd);

    // The slot number (0..99) shown at position `position` (0..9) of the current page.
    int SlotAt(int position) const { return page * kSlotsPerPage + position; }
    // Reads the file of position `position` into its preview; false (the preview zeroed) for a slot
    // with no usable file.
    bool ReadSlot(int position);

    uint8_t state = kStart;
    uint8_t hoveredSlot = 0; // 1..10 on the current page, 0 none
    uint8_t hoveredPage = 0; // 1..10 page buttons, 11 the back button, 0 none
    uint8_t answer = 0;      // kAnswerYes, kAnswerNo, 0 none (also the hovered box button)
    uint8_t page = 0;        // 0..9
    uint8_t chosen = 0;      // position of the chosen slot, 0..9
    screens::FadeTimer timer;
    RECT slotRects[kSlotsPerPage];
    RECT pageRects[kPageCount + 1]; // page buttons, then the back button
    RECT boxRects[2];               // Yes, No
    POINT glideFrom{};              // cursor glide, game coordinates
    POINT glideTo{};
    Kind kind;
    HWND window = nullptr; // the main window, as the last Dispatch received it
    // The ten records of the current page as last read (zero for an empty slot).
    std::unique_ptr<SaveData[]> previews;

private:
    void Start(HWND hwnd);
    void FadeIn();
    void Input(HWND hwnd);
    void FadeOut();
    void Leave();
    void ChooseSlot(HWND hwnd);
    void OpenBox(HWND hwnd);
    void Glide(HWND hwnd);
    void BoxInput();
    void CloseBox();
    void BoxResult();
    void BackButton();
    void ChangePage(HWND hwnd, uint8_t newPage);
    void ComposePage(HWND hwnd);
    // Save: the write of sub-state 10 (save_scene.cpp).
    void WriteSave(HWND hwnd);
    // Load: sub-states 10, 12 and 13 (load_scene.cpp).
    void LoadFromSlot(HWND hwnd);
    void FadeToGame();
    void ResumeScene();

    // Drawing.
    void DrawSlot(HWND hwnd, CDIB32* target, int position, bool highlighted);
    void DrawSlotNumber(CDIB32* target, int position);
    void DrawThumbnail(HWND hwnd, CDIB32* target, int position);
    void DrawSlotInfo(CDIB32* target, int position);
    void DrawCaption(CDIB32* target, int32_t x, int32_t y, const char* text);
    uint8_t& PageByte() const;
    bool FromGame() const;
};

// The index of `name` in the 91 stock thumbnail names ("ev34a.bmp" ...), or -1.
int StockThumbnailIndex(const char* name);
