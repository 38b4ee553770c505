// The pictures and sounds of the sample game: what each file is and the code that makes it.
// Every file is made the same, byte for byte, on every run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
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

// One movie: MPEG-1 video with an MPEG audio tone, written below the output folder by its name.
struct MovieAsset {
    const char* name;
    int width;
    int height;
    int framesPerSecond;
    int frames;
    double toneHz;
    void (*paint)(int index, std::vector<uint32_t>& pixels);
};

// Every picture and every sound; the lists of the screens and sequences below are among them.
const std::vector<PictureAsset>& SamplePictures();
// The pictures of the investigation part (part of SamplePictures).
const std::vector<PictureAsset>& InvestigationPictures();
// The event picture and the standing character with her face sheet.
const std::vector<PictureAsset>& StoryPictures();
// The icon strip of the inline icon mark.
const std::vector<PictureAsset>& InlineIconPictures();
// The rule masks of the screen transitions.
const std::vector<PictureAsset>& TransitionPictures();
const std::vector<SoundAsset>& SampleSounds();
const std::vector<MovieAsset>& SampleMovies();
// The save and load screens' pictures.
const std::vector<PictureAsset>& SaveLoadPictures();
// The staff rolls' pictures and music.
const std::vector<PictureAsset>& SampleCreditPictures();
const std::vector<SoundAsset>& SampleCreditSounds();
// The notebook's pages, parts and flow-chart pieces.
const std::vector<PictureAsset>& SampleNotebookPictures();
// The notebook's page texts: each file's game name and its bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> NotebookTexts();
// The endings' pictures and music (besides the staff rolls).
const std::vector<PictureAsset>& EndingPictures();
const std::vector<SoundAsset>& EndingSounds();
// The extras' pictures and sounds.
const std::vector<PictureAsset>& SampleExtrasPictures();
const std::vector<SoundAsset>& SampleExtrasSounds();
// The full-screen sequences' pictures and music.
const std::vector<PictureAsset>& SequencePictures();
const std::vector<SoundAsset>& SequenceSounds();

// The search screen's pictures and the hit mask of the street.
const std::vector<PictureAsset>& SearchPictures();
// A yes / no dialog of the investigation screens asking `question`: the box (396 × 134) with both
// answers at rest in it (105 × 45 at (yesX, 72) and 121 to the right, where the screen's buttons lie
// once the box stands), and below it the buttons lit (y 134) and pressed (y 179).
void PaintDialog(Canvas& c, LabelFont& f, const char* question, int32_t yesX);

// The folder below the output folder whose files go into the game folder itself.
inline constexpr char kGameFolderFiles[] = "folder";
// Writes those files (the search cursor, the keyword list files). False with a message on failure.
bool WriteGameFolderFiles(const std::string& outDir, std::string* error);

// Those of the system screens (quit confirmation, system menu, backlog, configuration).
const std::vector<PictureAsset>& SystemScreenPictures();
const std::vector<SoundAsset>& SystemScreenSounds();

// The entries of a followed by those of b.
template <typename T>
std::vector<T> Joined(const std::vector<T>& a, const std::vector<T>& b) {
    std::vector<T> out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// The folders made below the output folder.
const std::vector<std::string>& SampleFolders();

// The file's bytes; empty when it cannot be made (no face for the labels, an encoder failure).
std::vector<uint8_t> MakePicture(const PictureAsset& asset, LabelFont& font);
std::vector<uint8_t> MakeSound(const SoundAsset& asset);
std::vector<uint8_t> MakeMovie(const MovieAsset& asset);

// Writes every file below `outDir`, making the folders. False on the first failure, with a message
// naming the file in *error.
bool WriteSample(const std::string& outDir, std::string* error);

// The path of a game name below `outDir` ('\' becomes '/').
std::string OutputPath(const std::string& outDir, const char* name);

} // namespace kestrel::sample
