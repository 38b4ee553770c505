// Data files loaded whole by name, from a loose file or from an entry of a "PACKDAT." archive.
//
// A name is looked up first as a loose file and then in the archives of the folders above it: x.bmp of
// the folder bmp may come from bmp.dat beside that folder (entry "x.bmp") or from the archive of the
// game folder itself, beside it (entry "bmp\x.bmp"). The walk goes no higher than that.
//
// Archive format, little-endian: "PACKDAT." (8 bytes, no terminator), a u32 that nothing reads, a
// signed u32 record count (0 or less: no records), then `count` 48-byte `CArcEntry` records, searched
// in file order (the first match wins, names compared without ASCII case and with '\' and '/' alike);
// the stored bytes of each entry lie at its absolute offset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

// Transform bits of an entry's `flags`; only bits 0 to 23 count. They are undone in this order:
// word scrambling, recency-list code, range code, LZSS, inverse block sort.
enum ArcFlags : uint32_t {
    kArcWordScramble = 0x10000,
    kArcRecencyCode = 0x1,
    kArcRangeCode = 0x2,
    kArcLzss = 0x200,
    kArcBlockSort = 0x100,
    kArcFlagMask = 0xFFFFFF,
};

// Results of `CArcFile::Open`.
enum ArcResult : int {
    kArcOk = 0,
    kArcNotFound = 1,
    kArcBadSize = 2,    // the entry's size is 0xFFFFFFFF
    kArcNoMemory = 3,   // the data (or a transform's output) cannot be allocated, or exceeds the limit
    kArcReadError = 4,  // short or failed read, or a malformed entry or coded stream
    kArcCloseError = 5, // the file cannot be closed
    kArcEmptyName = -1,
};

// Largest file that `CArcFile` loads, and largest output of any entry transform, in bytes.
constexpr uint32_t kArcMaxFileSize = 256u << 20;

// An index record of an archive, and the result of `FindArcEntry`.
struct CArcEntry {
    char name[32];         // relative name inside the archive, zero-terminated, may contain '\'
    uint32_t offset;       // absolute file offset of the stored bytes
    uint32_t flags;        // `ArcFlags`
    uint32_t size;         // size of the decoded data
    uint32_t storedLength; // number of stored bytes
};
static_assert(sizeof(CArcEntry) == 48);

// The abstract file interface of the data loaders.
class IFile {
public:
    virtual int Open(const std::string& name) = 0;
    virtual std::string GetPath() const = 0;
    virtual std::string GetFileName() const = 0;
    virtual std::string GetExtension() const = 0;
    virtual uint8_t* GetData() const = 0;
    virtual uint32_t GetSize() const = 0;
    virtual void Close() = 0;
    virtual int Read(void* dst, uint32_t n, uint32_t* got) = 0;
    virtual uint32_t Seek(int32_t offset, uint32_t origin) = 0;
    virtual ~IFile() = default;
};

// A file loaded whole into one block, followed by one 0 byte. Empty after construction, after
// `Close`, after a failed `Open` and after destruction.
class CArcFile : public IFile {
public:
    CArcFile() = default;
    CArcFile(const CArcFile&) = delete;
    CArcFile& operator=(const CArcFile&) = delete;
    ~CArcFile() override;

    // Loads the named file whole, its entry transforms undone. The size is the record's for a plain
    // entry, and the length of the transforms' complete result for a transformed one (at most the
    // record's). Returns an `ArcResult`; on any failure the object is empty and no file is left open.
    int Open(const std::string& name) override;
    // The name given to `Open`, its file-name part, and its extension without the dot.
    std::string GetPath() const override;
    std::string GetFileName() const override;
    std::string GetExtension() const override;
    // The loaded bytes (null when empty); `GetData()[GetSize()]` is 0.
    uint8_t* GetData() const override;
    uint32_t GetSize() const override;
    // Releases the data and clears the path; the read position is left.
    void Close() override;
    // Copies min(n, size - position) bytes to dst and advances the position; stores the count in
    // *got when given. Returns 1, or 0 when dst is null.
    int Read(void* dst, uint32_t n, uint32_t* got) override;
    // Moves the read position and returns it. Origin 0: a positive offset sets it (an offset of 0 or
    // less leaves it). Origin 1: a non-negative offset adds; a negative one subtracts only when the
    // position is greater than -offset. Origin 2: from the end, offset 0 or less. Any other origin
    // leaves it. The position is always limited to the size.
    uint32_t Seek(int32_t offset, uint32_t origin) override;

    // The read position.
    uint32_t GetPosition() const { return position; }

private:
    uint8_t* data = nullptr; // size + 1 bytes, the last one 0
    uint32_t size = 0;
    uint32_t position = 0;
    std::string path;
};

// Looks a name up as a loose file, then in the archives above it. On success returns the open file
// positioned at the entry's stored bytes and fills *entry (a loose file: offset 0, flags 0, size and
// stored length = the file size); null when it is not found. Entries are returned as recorded: the
// caller checks that the stored bytes lie within the file.
std::unique_ptr<kestrel::fs::InputFile> FindArcEntry(const std::string& name, CArcEntry* entry);
