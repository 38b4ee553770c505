// The music room (scene 16): the game's 26 music tracks in three columns, played by a click on a
// track or by the previous, play/stop and next controls. Every track is always available.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "screens/extras_frame.h"
#include "screens/screen_object.h"

class CMusicScene {
public:
    static constexpr int kTrackCount = 26;
    // Files of the music folder, in list order.
    static constexpr const char* kTracks[kTrackCount] = {
        "bgm01.ogg",    "bgm01a.ogg",   "bgm02.ogg",  "bgm02a.ogg",   "bgm03.ogg",    "bgm03a.ogg",
        "bgm04.ogg",    "bgm04a.ogg",   "bgm04b.ogg", "bgm05.ogg",    "bgm05a.ogg",   "bgm06.ogg",
        "bgm07.ogg",    "bgm08.ogg",    "bgm09.ogg",  "bgm10.ogg",    "bgm11.ogg",    "bgm12.ogg",
        "bgm13.ogg",    "bgm14.ogg",    "bgm15.ogg",  "op_arr01.ogg", "op_arr02.ogg", "ed_arr01.ogg",
        "ed_arr02.ogg", "ed_arr04.ogg",
    };

    enum Control : uint8_t { kNoControl = 0, kPrevious = 1, kPlayStop = 2, kNext = 3 };
    static constexpr int kControlCount = 3;

    static constexpr int kSlotLabels = 4;        // hover look of a label; the current one while stopped
    static constexpr int kSlotPlayingLabels = 5; // the current track's label while playing
    static constexpr int kLastSlot = 6;

    uint8_t state = 0;        // 0 init, 1 fade-in, 2 input, 3 hold, 4 leave, 5 return flash
    uint8_t hoveredTrack = 0; // 1-based, 0 none
    uint8_t prevHoveredTrack = 0;
    uint8_t hoveredButton = 0;
    uint8_t prevHoveredButton = 0;
    uint8_t hoveredControl = 0;
    uint8_t prevHoveredControl = 0;
    uint8_t playing = 0;
    screens::FadeTimer timer;
    RECT tracks[kTrackCount];
    RECT controls[kControlCount];
    int8_t current = 14; // current track: that of the title music, so the list opens on it

    CMusicScene();
    bool Dispatch(HWND hwnd);

    // Track i: column i div 9, row i mod 9. Control k (1..3): previous, play/stop, next.
    static constexpr RECT TrackRect(int track) {
        const int32_t c = track / 9;
        const int32_t r = track % 9;
        return RECT{50 + 315 * c, 131 + 31 * r, 341 + 315 * c, 157 + 31 * r};
    }
    static constexpr RECT ControlRect(int control) {
        const int32_t left = 358 + 110 * (control - 1);
        return RECT{left, 446, left + 95, 481};
    }

private:
    void Init(HWND hwnd);
    void Input();
    void DrawList();
    void DrawControlFace(uint8_t control);
    void StopMusic();
    void Hold();
};
