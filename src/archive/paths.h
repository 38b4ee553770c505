// Resource folders, the base path of the archive lookup, and the path utilities.
//
// Paths are 8-bit double-byte text: a byte from 0x80 to 0xFE begins a two-byte character and the
// byte after it is never taken for a separator, a dot or a letter. Both '\' and '/' separate
// components. The folders that the engine builds itself use '/'; names that come from data keep
// their '\' (the file layer maps them).
#pragma once

#include <cstdint>
#include <string>

// One bit per kind of resource; the bit's position indexes `g_ResourceDirs`.
enum ResourceKind : uint32_t {
    kResourceScript = 1,  // "script"
    kResourceBmp = 2,     // "bmp"
    kResourceChara = 4,   // "chara"
    kResourceVoice = 8,   // "voice"
    kResourceBgm = 16,    // "bgm"
    kResourceSe = 32,     // "se"
    kResourceSystem = 64, // "system"
};

// One folder per kind (index = bit position); index 7, for a value that is not one of the bits, stays
// empty. Each entry ends with a separator once filled.
extern std::string g_ResourceDirs[8];
// The folder against which `CanonicalPath` resolves relative names; empty until first set, and ends
// with a separator once set.
extern std::string g_ArcBasePath;

// Fills every kind's folder from the game folder.
void ResolveResourceDirs();
// The folder of one kind, for example the game folder + "/se/" for kind 32; filled first when empty.
// Empty for a value that is not one of the kind bits.
std::string GetResourceDir(uint32_t kindBit);
// Sets the kind's folder below `folder`: a leading '"' is dropped; when the rest is not an existing
// folder, its last component is removed (it names a file); a separator is appended unless it ends
// with one; then the kind's folder name and a separator.
void FillResourceDir(uint32_t kindBit, const std::string& folder);

// Sets `g_ArcBasePath`. A path that begins with '"' loses it and, when its last component holds a
// '.', that component (it names a file). A separator is appended unless the path ends with one. An
// empty path clears the base, so that `GetBasePath` takes the game folder again.
void SetBasePath(const std::string& path);
// The base path; set to the game folder first when empty.
std::string GetBasePath();
// Sets the base path back to the game folder.
void ResetBasePath();

// The absolute, lower-cased form of a name, as the archive lookup compares it. A name beginning with
// '/' or '\' or holding a ':' is absolute and used unchanged; any other name is resolved against
// `GetBasePath`(): leading "../" or "..\" remove one component of the base each (never past its
// root), leading "./" or ".\" are dropped, then one leading separator.
std::string CanonicalPath(const std::string& name);
// Lower-cases ASCII letters in place, leaving the second byte of every double-byte character alone.
void StrToLowerSJIS(std::string& s);
// Removes everything after the last separator, which stays; a path without one is unchanged.
void StripLastPathPart(std::string& path);
// The part after the last separator (the whole path when there is none).
std::string GetFilePart(const std::string& path);
// The file-name part without its extension (from the last '.' on); unchanged when it has no '.'.
std::string GetExtPart(const std::string& path);
// The part after the last '.' of the file-name part, without the dot; empty when there is none.
std::string GetExtension(const std::string& path);

namespace kestrel::paths {

// True for '\' or '/'.
constexpr bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}
// `CanonicalPath` without the lower-casing: the absolute name in the case it was written in, which
// the file layer looks up.
std::string AbsolutePath(const std::string& name);
// The name with every separator turned into '\' and ASCII letters lower-cased, double-byte aware:
// the key under which archive records are compared.
std::string ArchiveKey(const std::string& name);

} // namespace kestrel::paths
