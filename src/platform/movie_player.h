// Movie playback: a movie file decoded in step with a clock, its pictures converted to the game's
// 32-bit surface format at the size the caller asks for, its sound resampled to the sound device's
// 44,100 Hz stereo and heard through a stream of the device's mixer.
//
// The picture follows the sound: the position is the sound the device has played (so a silent
// device, which consumes its streams at the device rate, gives the same timing), and the millisecond
// clock where the file has no sound, no sound device is given, or the device stops consuming.
//
// Everything runs on the caller's thread: Update decodes what the position asks for, keeps the sound
// about half a second ahead, and hands over at most one picture per call. MPEG-1 and MPEG-2 program
// streams are the movies of the game; any file the FFmpeg libraries open plays the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SoundDevice;

namespace plat {

class MoviePlayer {
public:
    enum class Result : uint8_t {
        Waiting,    // nothing new to show yet
        NewPicture, // the picture due now was written to the caller's pixels
        Ended,      // every picture was shown and the sound heard, or the file could not go on
    };

    // Opens a movie file (a real path). Returns nullptr, with the reason in *error, when the file is
    // missing, unreadable, not a movie, or has no video stream that can be decoded. `device` may be
    // null (the movie then plays without sound, on the millisecond clock).
    static std::unique_ptr<MoviePlayer> Open(const std::string& path, SoundDevice* device,
                                             std::string* error);
    ~MoviePlayer();
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // The video's own size in pixels.
    int Width() const;
    int Height() const;
    // True when a sound stream is decoded and played through the device.
    bool HasSound() const;
    // The container's length in ms; 0 when unknown.
    uint32_t DurationMs() const;

    // Starts the position at 0 and the sound. Idempotent.
    void Start();
    // The playback position in ms (0 before Start).
    uint32_t PositionMs();
    // Decodes what the position asks for. When a picture is due that was not handed over yet, the
    // latest one due is converted, scaled to `width` × `height`, into `pixels` (B, G, R, A bytes,
    // `pitch` bytes a row) and NewPicture is returned; pictures already late are dropped unconverted.
    // With null pixels the pictures are decoded but not converted. A file that ends early or stops
    // decoding ends the movie at the last picture and sound it gave.
    Result Update(uint32_t* pixels, int width, int height, int pitch);
    // Stops the sound at once; Update then reports Ended.
    void Stop();

    // Pictures handed over, and pictures decoded but dropped as late (for the benchmarks).
    uint32_t PicturesShown() const;
    uint32_t PicturesDropped() const;

    struct Impl;

private:
    explicit MoviePlayer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace plat
