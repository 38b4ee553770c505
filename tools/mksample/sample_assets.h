// The pictures and sounds of the sample game: what each file is and the code that makes it.
// Every file is made the same, byte for byte, on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::sample {

class Canvas;
class LabelFont;

// One picture: its game name (folder '\' file), size and bits per pixel (24 where the engine
// copies it opaquely, 32 with a real alpha channel where it blends it).
struct PictureAsset {
    const char* name;
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    void (*paint)(Canvas& canvas, LabelFont& font);
};

// One sound: Ogg Vorbis, 16-bit samples.
struct SoundAsset {
    const char* name;
    int channels;
    int rate;
    uint32_t frames;
    // Interleaved samples, `frames` × `channels`.
    std::vector<int16_t> (*make)(const SoundAsset& asset);
};

const std::vector<PictureAsset>& SamplePictures();
const std::vector<SoundAsset>& SampleSounds();
// Those of the system screens (quit confirmation, system menu, backlog, configuration), part of the
// two lists above.
const std::vector<PictureAsset>& SystemScreenPictures();
const std::vector<SoundAsset>& SystemScreenSounds();

// `list` with `more` after it.
template <typename T>
std::vector<T> Joined(std::vector<T> list, const std::vector<T>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

// The folders made below the output folder.
const std::vector<std::string>& SampleFolders();

// The file's bytes; empty when it cannot be made (no face for the labels, an encoder failure).
std::vector<uint8_t> MakePicture(const PictureAsset& asset, LabelFont& font);
std::vector<uint8_t> MakeSound(const SoundAsset& asset);

// Writes every file below `outDir`, making the folders. False on the first failure, with a message
// naming the file in *error.
bool WriteSample(const std::string& outDir, std::string* error);

// The path of a game name below `outDir` ('\' becomes '/').
std::string OutputPath(const std::string& outDir, const char* name);

} // namespace kestrel::sample
