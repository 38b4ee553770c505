#include "archive/arc_file.h"

#include <cstring>
#include <new>

#include "archive/arc_transforms.h"
#include "archive/paths.h"

namespace {

using kestrel::fs::InputFile;

constexpr char kArcMagic[8] = {'P', 'A', 'C', 'K', 'D', 'A', 'T', '.'};
constexpr uint64_t kArcHeaderSize = 16;

uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Outcome of looking in one archive.
enum class ArchiveScan { NotThere, Found, Malformed };

// Looks for `key` (an `ArchiveKey`) among the records of one archive; on a match leaves the file at the
// entry's stored bytes.
ArchiveScan ScanArchive(InputFile& file, const std::string& key, CArcEntry* entry) {
    uint8_t header[kArcHeaderSize];
    if (file.Read(header, sizeof header) != sizeof header) {
        return ArchiveScan::NotThere; // too short to be an archive
    }
    if (std::memcmp(header, kArcMagic, sizeof kArcMagic) != 0) {
        return ArchiveScan::NotThere; // some other ".dat" file
    }
    int32_t count = static_cast<int32_t>(LoadLE32(header + 12));
    if (count <= 0) {
        return ArchiveScan::NotThere;
    }
    if (kArcHeaderSize + uint64_t{sizeof(CArcEntry)} * static_cast<uint64_t>(count) > file.Size()) {
        return ArchiveScan::Malformed; // the index runs past the end of the file
    }
    for (int32_t i = 0; i < count; ++i) {
        uint8_t raw[sizeof(CArcEntry)];
        if (file.Read(raw, sizeof raw) != sizeof raw) {
            return ArchiveScan::Malformed;
        }
        const char* name = reinterpret_cast<const char*>(raw);
        size_t nameLength = strnlen(name, sizeof(CArcEntry::name));
        if (nameLength == sizeof(CArcEntry::name)) {
            return ArchiveScan::Malformed; // a name without its terminator
        }
        if (kestrel::paths::ArchiveKey(std::string(name, nameLength)) != key) {
            continue;
        }
        entry->offset = LoadLE32(raw + 32);
        entry->flags = LoadLE32(raw + 36);
        entry->size = LoadLE32(raw + 40);
        entry->storedLength = LoadLE32(raw + 44);
        if (!file.Seek(entry->offset)) {
            return ArchiveScan::Malformed;
        }
        return ArchiveScan::Found;
    }
    return ArchiveScan::NotThere;
}

// Tries one archive file; null when it does not hold the key.
std::unique_ptr<InputFile> TryArchive(const std::string& archive, const std::string& key, CArcEntry* entry,
                                      bool* sawMalformed) {
    std::unique_ptr<InputFile> file = InputFile::Open(archive);
    if (!file) {
        return nullptr;
    }
    switch (ScanArchive(*file, key, entry)) {
        case ArchiveScan::Found:
            return file;
        case ArchiveScan::Malformed:
            *sawMalformed = true;
            break;
        case ArchiveScan::NotThere:
            break;
    }
    return nullptr;
}

// The lookup; *sawMalformed tells a caller that a broken archive was passed over on the way.
std::unique_ptr<InputFile> FindEntry(const std::string& name, CArcEntry* entry, bool* sawMalformed) {
    *sawMalformed = false;
    if (name.empty()) {
        return nullptr;
    }
    std::string full = kestrel::fs::NormalizeGamePath(kestrel::paths::AbsolutePath(name));
    if (std::unique_ptr<InputFile> loose = InputFile::Open(full)) {
        entry->offset = 0;
        entry->flags = 0;
        uint64_t size = loose->Size();
        entry->size = entry->storedLength = size >= 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
        return loose;
    }
    // The walk covers the folders from the file's own up to the game folder, whose archive lies
    // beside it; a name outside the game folder is only looked for as a loose file. The game folder's
    // own name is not scanned as double-byte text (it came from the system, not from the data).
    const std::string& game = kestrel::fs::GameFolder();
    if (game == "/" || full.size() <= game.size() + 1 || full.compare(0, game.size(), game) != 0 ||
        full[game.size()] != '/') {
        return nullptr;
    }
    const std::string rel = full.substr(game.size() + 1);
    std::string dir = rel; // the folder part still to walk, relative to the game folder
    for (;;) {
        std::string folder = dir;
        StripLastPathPart(folder); // keeps the separator; unchanged when there is none
        bool atGameFolder = folder.empty() || folder == dir;
        std::string archive;
        std::string inside;
        if (atGameFolder) {
            archive = game + ".dat";
            inside = rel;
        } else {
            folder.pop_back();
            archive = game + "/" + folder + ".dat";
            inside = rel.substr(folder.size() + 1);
        }
        if (std::unique_ptr<InputFile> file =
                TryArchive(archive, kestrel::paths::ArchiveKey(inside), entry, sawMalformed)) {
            return file;
        }
        if (atGameFolder) {
            return nullptr;
        }
        dir = folder;
    }
}

} // namespace

std::unique_ptr<kestrel::fs::InputFile> FindArcEntry(const std::string& name, CArcEntry* entry) {
    bool sawMalformed = false;
    return FindEntry(name, entry, &sawMalformed);
}

CArcFile::~CArcFile() {
    Close();
}

int CArcFile::Open(const std::string& name) {
    // Any failed open leaves the object empty, an empty name included.
    Close();
    if (name.empty()) {
        return kArcEmptyName;
    }
    CArcEntry entry{};
    bool sawMalformed = false;
    std::unique_ptr<InputFile> file = FindEntry(name, &entry, &sawMalformed);
    if (!file) {
        return sawMalformed ? kArcReadError : kArcNotFound;
    }
    if (entry.size == 0xFFFFFFFFu) {
        return kArcBadSize;
    }
    if (entry.size > kArcMaxFileSize) {
        return kArcNoMemory;
    }
    const bool transformed = (entry.flags & kArcFlagMask) != 0;
    // The stored bytes are read into the block of the decoded size (+ 1), and must lie in the file;
    // plain bytes must fill the data entirely.
    if (entry.storedLength > uint64_t{entry.size} + 1 ||
        uint64_t{entry.offset} + entry.storedLength > file->Size() ||
        (!transformed && entry.storedLength < entry.size)) {
        return kArcReadError;
    }
    kestrel::arc::ArcBuffer block;
    if (!block.Allocate(entry.size)) {
        return kArcNoMemory;
    }
    if (file->Read(block.bytes.get(), entry.storedLength) != entry.storedLength) {
        return kArcReadError;
    }
    block.bytes[entry.size] = 0; // a plain entry may store one byte more than its size
    if (transformed) {
        block.length = entry.storedLength;
        kestrel::arc::DecodeResult r = kestrel::arc::ApplyArcTransforms(entry.flags, &block, kArcMaxFileSize);
        if (r == kestrel::arc::DecodeResult::NoMemory) {
            return kArcNoMemory;
        }
        // Each decoder fails unless it produced its whole declared output, and the scrambling and
        // the block sort keep every byte, so the result is complete: its own length is the size,
        // whatever the record says. The record's size remains the bound: a longer result (a
        // scrambled entry stored one byte past its size, say) is refused.
        if (r != kestrel::arc::DecodeResult::Ok || block.length > entry.size) {
            return kArcReadError;
        }
        block.bytes[block.length] = 0;
    }
    if (!file->Close()) {
        return kArcCloseError;
    }
    size = block.length;
    data = block.bytes.release();
    path = name;
    position = 0;
    return kArcOk;
}

std::string CArcFile::GetPath() const {
    return path;
}

std::string CArcFile::GetFileName() const {
    return GetFilePart(path);
}

std::string CArcFile::GetExtension() const {
    return ::GetExtension(path);
}

uint8_t* CArcFile::GetData() const {
    return data;
}

uint32_t CArcFile::GetSize() const {
    return size;
}

void CArcFile::Close() {
    delete[] data;
    data = nullptr;
    size = 0;
    path.clear();
}

int CArcFile::Read(void* dst, uint32_t n, uint32_t* got) {
    if (dst == nullptr) {
        return 0;
    }
    uint32_t available = position < size ? size - position : 0;
    uint32_t count = n < available ? n : available;
    if (count > 0) {
        std::memcpy(dst, data + position, count);
        position += count;
    }
    if (got != nullptr) {
        *got = count;
    }
    return 1;
}

uint32_t CArcFile::Seek(int32_t offset, uint32_t origin) {
    int64_t p = position;
    switch (origin) {
        case 0:
            if (offset > 0) {
                p = offset;
            }
            break;
        case 1:
            if (offset >= 0) {
                p += offset;
            } else if (p > -int64_t{offset}) {
                p += offset;
            }
            break;
        case 2:
            p = offset >= 0 ? int64_t{size} : int64_t{size} + offset;
            if (p < 0) {
                p = 0;
            }
            break;
        default:
            break;
    }
    if (p > int64_t{size}) {
        p = size;
    }
    position = static_cast<uint32_t>(p);
    return position;
}
