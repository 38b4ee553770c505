#include "archive/paths.h"

#include "platform/file_system.h"

std::string g_ResourceDirs[8];
std::string g_ArcBasePath;

namespace {

// Folder names of the kinds, by bit position.
const char* const kKindFolders[7] = {"script", "bmp", "chara", "voice", "bgm", "se", "system"};

// Index of a kind bit, 7 for any value that is not exactly one of the seven bits.
int KindIndex(uint32_t kindBit) {
    for (int i = 0; i < 7; ++i) {
        if (kindBit == (1u << i)) {
            return i;
        }
    }
    return 7;
}

bool IsLead(char c) {
    return kestrel::fs::IsLeadByte(static_cast<uint8_t>(c));
}

// Position of the last separator, scanning double-byte characters as units; npos when none.
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLead(path[i])) {
            ++i; // the trail byte, when there is one, is part of the character
            continue;
        }
        if (kestrel::paths::IsSeparator(path[i])) {
            last = i;
        }
    }
    return last;
}

// Position of the last '.', double-byte aware; npos when none.
size_t LastDot(const std::string& s) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsLead(s[i])) {
            ++i;
            continue;
        }
        if (s[i] == '.') {
            last = i;
        }
    }
    return last;
}

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && kestrel::paths::IsSeparator(s.back()) &&
           // a trailing '\' can be the second byte of a double-byte character
           LastSeparator(s) == s.size() - 1;
}

std::string GameFolderWithSeparator() {
    std::string folder = kestrel::fs::GameFolder();
    if (!EndsWithSeparator(folder)) {
        folder.push_back('/');
    }
    return folder;
}

// Removes the last component of a folder path that ends with a separator, keeping its root: "a/b/c/"
// becomes "a/b/", "/" stays.
void RemoveLastFolder(std::string& base) {
    std::string b = base;
    if (EndsWithSeparator(b)) {
        b.pop_back();
    }
    if (LastSeparator(b) == std::string::npos) {
        return; // the root (or a bare drive) is reached
    }
    StripLastPathPart(b);
    base = b;
}

} // namespace

void ResolveResourceDirs() {
    for (int i = 0; i < 7; ++i) {
        FillResourceDir(1u << i, kestrel::fs::GameFolder());
    }
}

std::string GetResourceDir(uint32_t kindBit) {
    int index = KindIndex(kindBit);
    if (index < 7 && g_ResourceDirs[index].empty()) {
        FillResourceDir(kindBit, kestrel::fs::GameFolder());
    }
    return g_ResourceDirs[index];
}

void FillResourceDir(uint32_t kindBit, const std::string& folder) {
    int index = KindIndex(kindBit);
    if (index == 7) {
        return;
    }
    std::string dir = folder;
    if (!dir.empty() && dir[0] == '"') {
        dir.erase(0, 1);
    }
    if (!kestrel::fs::IsFolder(dir)) {
        StripLastPathPart(dir);
    }
    if (!EndsWithSeparator(dir)) {
        dir.push_back('/');
    }
    dir += kKindFolders[index];
    dir.push_back('/');
    g_ResourceDirs[index] = dir;
}

void SetBasePath(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p[0] == '"') {
        p.erase(0, 1);
        size_t sep = LastSeparator(p);
        std::string last = sep == std::string::npos ? p : p.substr(sep + 1);
        if (LastDot(last) != std::string::npos) {
            p.erase(sep == std::string::npos ? 0 : sep + 1);
        }
    }
    if (p.empty()) {
        g_ArcBasePath.clear();
        return;
    }
    if (!EndsWithSeparator(p)) {
        p.push_back('/');
    }
    g_ArcBasePath = p;
}

std::string GetBasePath() {
    if (g_ArcBasePath.empty()) {
        SetBasePath(GameFolderWithSeparator());
    }
    return g_ArcBasePath;
}

void ResetBasePath() {
    SetBasePath(GameFolderWithSeparator());
}

std::string CanonicalPath(const std::string& name) {
    std::string full = kestrel::paths::AbsolutePath(name);
    StrToLowerSJIS(full);
    return full;
}

void StrToLowerSJIS(std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsLead(s[i])) {
            ++i;
            continue;
        }
        if (s[i] >= 'A' && s[i] <= 'Z') {
            s[i] = static_cast<char>(s[i] + ('a' - 'A'));
        }
    }
}

void StripLastPathPart(std::string& path) {
    size_t sep = LastSeparator(path);
    if (sep != std::string::npos) {
        path.erase(sep + 1);
    }
}

std::string GetFilePart(const std::string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string GetExtPart(const std::string& path) {
    std::string file = GetFilePart(path);
    size_t dot = LastDot(file);
    if (dot != std::string::npos) {
        file.erase(dot);
    }
    return file;
}

std::string GetExtension(const std::string& path) {
    std::string file = GetFilePart(path);
    size_t dot = LastDot(file);
    return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

namespace kestrel::paths {

std::string AbsolutePath(const std::string& name) {
    if (name.empty()) {
        return GetBasePath();
    }
    if (IsSeparator(name[0]) && name[0] != '/') {
        return name; // a network path
    }
    if (name[0] == '/') {
        return name;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLead(name[i])) {
            ++i;
        } else if (name[i] == ':') {
            return name;
        }
    }
    std::string base = GetBasePath();
    size_t at = 0;
    auto startsWith = [&](const char* a, const char* b) {
        return name.compare(at, 3, a) == 0 || name.compare(at, 3, b) == 0;
    };
    while (startsWith("../", "..\\")) {
        at += 3;
        RemoveLastFolder(base);
    }
    while (name.compare(at, 2, "./") == 0 || name.compare(at, 2, ".\\") == 0) {
        at += 2;
    }
    if (at < name.size() && IsSeparator(name[at])) {
        ++at;
    }
    return base + name.substr(at);
}

std::string ArchiveKey(const std::string& name) {
    std::string key = name;
    for (size_t i = 0; i < key.size(); ++i) {
        if (IsLead(key[i])) {
            ++i;
        } else if (key[i] == '/') {
            key[i] = '\\';
        } else if (key[i] >= 'A' && key[i] <= 'Z') {
            key[i] = static_cast<char>(key[i] + ('a' - 'A'));
        }
    }
    return key;
}

} // namespace kestrel::paths
