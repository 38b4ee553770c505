// Files of the game folder: names as the game writes them, mapped to the real file system.
//
// A game path uses '\' or '/' as separators (a '\' that is the second byte of a double-byte character
// is part of the name, not a separator) and names its files without regard to ASCII case, as the
// game's data was made on a case-insensitive system. Each component is found in its folder exactly
// when it exists so, else by an ASCII-case-insensitive match, and a component holding double-byte
// characters is also tried converted to UTF-8 from CP932 and from GBK, so that data copied from the
// discs or extracted on Linux is found either way.
//
// A relative game path is taken against the game folder (the current directory at start-up), not
// against the process's current directory at the time of the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::fs {

// The game folder: the current directory when the process started, absolute, without a trailing
// separator (except the root "/").
const std::string& GameFolder();
// Replaces the game folder (tests, or an application that changes it once at start-up). A relative
// folder is taken against the process's current directory; a trailing separator is dropped.
void SetGameFolder(const std::string& folder);

// True for a byte that begins a double-byte character (0x80 to 0xFE); the byte after it belongs to
// the same character whatever its value.
constexpr bool IsLeadByte(uint8_t b) {
    return b >= 0x80 && b != 0xFF;
}

// The game path with its separators turned into '/', double-byte aware, and made absolute against
// the game folder. Nothing is looked up. Runs of separators collapse into one.
std::string NormalizeGamePath(const std::string& gamePath);

// Finds an existing file or folder for a game path. Returns false, leaving *realPath alone, when
// some component is not found.
bool FindRealPath(const std::string& gamePath, std::string* realPath);

// The real path to create or replace a game path at: the components that exist are found as by
// `FindRealPath`, the first missing one and those after it are kept as written.
std::string MapGamePath(const std::string& gamePath);

bool IsFile(const std::string& gamePath);   // an existing regular file
bool IsFolder(const std::string& gamePath); // an existing folder

// Largest file `ReadWholeFile` reads by default.
constexpr size_t kMaxWholeFileSize = size_t{256} << 20;

enum class ReadStatus : uint8_t {
    Ok,
    Missing, // no file or folder of that name
    Failed,  // something of that name is there but cannot be read whole: a folder or other kind, no
             // permission, a read error, larger than the limit
};

// Reads a whole regular file; *out is emptied unless the result is Ok.
ReadStatus ReadFile(const std::string& gamePath, std::vector<uint8_t>* out,
                    size_t maxSize = kMaxWholeFileSize);

// Reads a whole regular file. False (and *out emptied) when it is missing, unreadable, or larger
// than maxSize.
bool ReadWholeFile(const std::string& gamePath, std::vector<uint8_t>* out,
                   size_t maxSize = kMaxWholeFileSize);

// Makes ReadFile fail (Failed) for every existing file whose real path `fault` accepts, as a read
// error would; nullptr ends it. For tests, which cannot rely on permissions (they may run as root).
void SetReadFault(bool (*fault)(const std::string& realPath));

// Writes a whole file: the bytes go to a temporary file in the same folder, named after the file
// with ".tmp" and six letters or digits appended, which is flushed to disk and then renamed over
// the old one. False when any step fails; the old file is then unchanged and no temporary file is
// left (unless the process is killed during the write: see RemoveLeftoverTempFiles). The folder
// must exist.
bool WriteWholeFile(const std::string& gamePath, const void* data, size_t size);

// A temporary file of WriteWholeFile not modified for this long belongs to no write any more: a
// write modifies it with every block and renames it away right after the flush. Seconds.
inline constexpr int kLeftoverTempFileAgeSeconds = 5 * 60;

// Removes the temporary files that WriteWholeFile left in a folder when a process was killed during
// a write: regular files named "<name>.tmp" and six letters or digits, last modified at least
// kLeftoverTempFileAgeSeconds ago. Younger ones may be the writes of another process (another
// player's game on the same game folder) and are kept. Returns how many were removed.
int RemoveLeftoverTempFiles(const std::string& folderGamePath);

// Creates the folder and any missing parent folders. True when the folder exists afterwards.
bool CreateFolders(const std::string& gamePath);

// An open regular file, read-only, with a file position (the handle the archive lookup returns).
// Move-only; the destructor closes it.
class InputFile {
public:
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Reads up to n bytes at the file position and advances it; returns the count, which is short
    // only at the end of the file or on a read error.
    size_t Read(void* dst, size_t n);
    // Sets the file position from the start; positions past the end are allowed (reads there give
    // 0 bytes). False when the position cannot be set.
    bool Seek(uint64_t offset);
    uint64_t Tell() const;
    // The size of the file when it was opened.
    uint64_t Size() const { return m_size; }
    // Closes the file; false when the system reports an error. Later reads give 0 bytes.
    bool Close();

    // Opens an existing regular file of the game folder (folders and other kinds are refused).
    static std::unique_ptr<InputFile> Open(const std::string& gamePath);

private:
    InputFile(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    int m_fd = -1;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
};

} // namespace kestrel::fs
