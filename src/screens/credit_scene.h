// The three ending staff rolls, scenes 27, 28 and 29: a credits strip scrolls up over a still
// background while the roll's music plays once, the end holds, the picture fades to white and the
// script goes on (scene 2). Once one of the roll's endings was seen, a click or Ctrl skips it.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/screen_object.h"

// What makes one roll differ from the others.
struct CreditRollSpec {
    const char* background; // still picture behind the strip
    const char* strip;      // the credits, kStripWidth × kStripHeight with alpha
    const char* music;      // a file of the music folder, played once
    int32_t stripX;         // left edge of the strip on the screen
    uint32_t scrollMs;      // time the strip takes from entering at the bottom to its end
    uint32_t skipFlags;     // bit n: ending flag n of the system data lets the roll be skipped
};

// The machine the three rolls share.
class CCreditRoll {
public:
    static constexpr int32_t kStripWidth = 304;
    static constexpr int32_t kStripHeight = 4840;
    // Strip and screen heights together: the scroll distance in pixels.
    static constexpr uint32_t kScrollDistance = kStripHeight + screens::kHeight;
    // From this scroll position on, the strip's last 80 rows stay where they are.
    static constexpr uint32_t kFreezeAt = 5090;
    static constexpr uint32_t kPauseMs = 1000;
    static constexpr uint32_t kFadeInMs = 2000;
    static constexpr uint32_t kMusicFadeMs = 3500;
    static constexpr uint32_t kHoldMs = 3500;
    static constexpr uint32_t kWhiteMs = 1500;

    // Surface slots of g_Layers.
    static constexpr int kSlotScreen = 0;     // the picture at the start; later the end picture
    static constexpr int kSlotBackground = 1; // the background; later white
    static constexpr int kSlotStrip = 2;
    static constexpr int kSlotFadeTarget = 5; // a copy of the background

    uint8_t state = 0; // 0 start, 6 pause, 1 fade in, 2 scroll, 3 hold, 4 fade to white, 5 skip
    screens::FadeTimer timer;

    explicit CCreditRoll(const CreditRollSpec& spec) : spec_(spec) {}
    bool Dispatch(HWND hwnd);
    const CreditRollSpec& Spec() const { return spec_; }
    // True when one of the roll's ending flags is set in the system data.
    bool Skippable() const;
    // The scroll position after `elapsedMs` of the scroll, in pixels (0 .. beyond kScrollDistance).
    uint32_t ScrollPosition(uint32_t elapsedMs) const;

private:
    void Start(HWND hwnd);
    void Pause();
    void FadeIn();
    void Scroll();
    void Hold(HWND hwnd);
    void FadeToWhite(HWND hwnd);
    void Skip();
    // Draws the background column and the strip for scroll position p.
    void DrawStrip(uint32_t p);

    const CreditRollSpec& spec_;
};

class CCreditTScene : public CCreditRoll {
public:
    static const CreditRollSpec kSpec;
    CCreditTScene() : CCreditRoll(kSpec) {}
};

class CCreditNScene : public CCreditRoll {
public:
    static const CreditRollSpec kSpec;
    CCreditNScene() : CCreditRoll(kSpec) {}
};

class CCreditBScene : public CCreditRoll {
public:
    static const CreditRollSpec kSpec;
    CCreditBScene() : CCreditRoll(kSpec) {}
};
