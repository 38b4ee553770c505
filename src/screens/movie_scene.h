// The movie scenes: the opening movie (scene 24, "op.mpg") and the staff-roll movie (scene 50,
// "staffroll.mpg"), played from the game folder into the game's picture with their sound, then the
// title menu. A right click or Ctrl skips them; a movie that cannot be played says so and goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/types.h"

namespace plat {
class MoviePlayer;
}

class CMovieScene {
public:
    uint8_t state = 0;    // sub-state: 0 open, 1 play, 2 poll
    std::string fileName; // the movie file, in the game folder
    HWND hWnd = nullptr;
    HINSTANCE hInstance = nullptr;
    std::unique_ptr<plat::MoviePlayer> player; // null while no movie is open
    int32_t length = 0;                        // ms, 0 when unknown or nothing is open
    int32_t startPosition = 0;                 // ms; 0 for both movies, which play from their start

    CMovieScene(HWND hwnd, HINSTANCE hinstance, const char* fileName, int startPosition);
    // Stops and closes a movie still open.
    ~CMovieScene();
    CMovieScene(const CMovieScene&) = delete;
    CMovieScene& operator=(const CMovieScene&) = delete;

    // The per-frame step: the skip test, then the sub-state. Returns true.
    bool Dispatch(HWND hwnd);

private:
    void Open();
    void Play();
    void Poll();
    // Black picture, the screen rectangle back, the movie closed, the input bytes cleared, scene 1.
    void Finish();
    void Close();
};
