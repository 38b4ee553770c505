#include "mksample/sample_assets.h"

#include <filesystem>
#include <system_error>

#include "mksample/canvas.h"
#include "writers/ogg_writer.h"

namespace kestrel::sample {

const std::vector<std::string>& SampleFolders() {
    static const std::vector<std::string> folders = {"system", "bmp",   "chara", "bgm",
                                                     "se",     "voice", "script"};
    return folders;
}

std::string OutputPath(const std::string& outDir, const char* name) {
    std::string path = outDir;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    for (const char* p = name; *p != '\0'; ++p) {
        path += *p == '\\' ? '/' : *p;
    }
    return path;
}

std::vector<uint8_t> MakePicture(const PictureAsset& asset, LabelFont& font) {
    if (!font.Ready()) {
        return {};
    }
    Canvas canvas(asset.width, asset.height, 0);
    if (!canvas.Valid()) {
        return {};
    }
    asset.paint(canvas, font);
    return canvas.Encode(asset.bitCount);
}

std::vector<uint8_t> MakeSound(const SoundAsset& asset) {
    const std::vector<int16_t> pcm = asset.make(asset);
    if (pcm.size() != static_cast<size_t>(asset.frames) * static_cast<size_t>(asset.channels)) {
        return {};
    }
    return test::EncodeOggVorbis(pcm, asset.channels, asset.rate);
}

bool WriteSample(const std::string& outDir, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error != nullptr) {
            *error = message;
        }
        return false;
    };
    for (const std::string& folder : SampleFolders()) {
        const std::string path = OutputPath(outDir, folder.c_str());
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        if (!std::filesystem::is_directory(path, ec)) {
            return fail("cannot make the folder " + path + (ec ? ": " + ec.message() : ""));
        }
    }
    LabelFont font;
    if (!font.Ready()) {
        return fail("no font for the labels: the CJK fonts (fonts-wqy-zenhei) are not installed");
    }
    for (const PictureAsset& asset : SamplePictures()) {
        const std::string path = OutputPath(outDir, asset.name);
        const std::vector<uint8_t> bytes = MakePicture(asset, font);
        if (bytes.empty()) {
            return fail("cannot draw " + path);
        }
        if (!test::WriteBytes(path, bytes)) {
            return fail("cannot write " + path);
        }
    }
    for (const SoundAsset& asset : SampleSounds()) {
        const std::string path = OutputPath(outDir, asset.name);
        const std::vector<uint8_t> bytes = MakeSound(asset);
        if (bytes.empty()) {
            return fail("cannot encode " + path);
        }
        if (!test::WriteBytes(path, bytes)) {
            return fail("cannot write " + path);
        }
    }
    for (const auto& [name, bytes] : NotebookTexts()) {
        const std::string path = OutputPath(outDir, name.c_str());
        if (!test::WriteBytes(path, bytes)) {
            return fail("cannot write " + path);
        }
    }
    if (!WriteGameFolderFiles(outDir, error))
        return false;
    for (const MovieAsset& asset : SampleMovies()) {
        const std::string path = OutputPath(outDir, asset.name);
        const std::vector<uint8_t> bytes = MakeMovie(asset);
        if (bytes.empty()) {
            return fail("cannot encode " + path);
        }
        if (!test::WriteBytes(path, bytes)) {
            return fail("cannot write " + path);
        }
    }
    return true;
}

} // namespace kestrel::sample
