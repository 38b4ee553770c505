#include "platform/file_system.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace kestrel::fs {
namespace {

// Temporary files of WriteWholeFile: the target's name, this infix and mkstemp's six characters.
constexpr char kTempInfix[] = ".tmp";
constexpr size_t kTempUniqueChars = 6;

bool IsTempFileName(const std::string& name) {
    size_t infix = sizeof kTempInfix - 1;
    if (name.size() <= infix + kTempUniqueChars) {
        return false;
    }
    size_t at = name.size() - kTempUniqueChars - infix;
    if (name.compare(at, infix, kTempInfix) != 0) {
        return false;
    }
    return std::all_of(name.end() - kTempUniqueChars, name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

bool (*g_readFault)(const std::string& realPath) = nullptr;

std::string CurrentDirectory() {
    std::vector<char> buf(4096);
    for (;;) {
        if (getcwd(buf.data(), buf.size()) != nullptr) {
            return std::string(buf.data());
        }
        if (errno != ERANGE || buf.size() > (size_t{1} << 20)) {
            return "/";
        }
        buf.resize(buf.size() * 2);
    }
}

std::string StripTrailingSeparators(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string& GameFolderStorage() {
    // Read at the first use; the game's start-up asks for it before anything changes directory.
    static std::string folder = StripTrailingSeparators(CurrentDirectory());
    return folder;
}

// Captures the start-up directory even when nothing asks for the game folder before main() runs.
[[maybe_unused]] const bool g_gameFolderCaptured = !GameFolderStorage().empty();

bool AsciiEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x + 32);
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y + 32);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool HasHighByte(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Converts a name from a double-byte code page to UTF-8; empty when it is not valid in that code page.
std::string ToUtf8(const std::string& name, const char* codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string in = name;
    std::string out(name.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) {
        return {};
    }
    out.resize(out.size() - outLeft);
    return out;
}

bool Exists(const std::string& realPath) {
    struct stat st;
    return lstat(realPath.c_str(), &st) == 0 || stat(realPath.c_str(), &st) == 0;
}

// Finds one component in an existing folder: exactly, then without ASCII case, then as UTF-8 from
// CP932 and from GBK (each exactly, then without case). Empty when there is no such entry.
std::string FindComponent(const std::string& folder, const std::string& component) {
    std::string prefix = folder == "/" ? folder : folder + "/";
    if (Exists(prefix + component)) {
        return component;
    }
    std::vector<std::string> candidates{component};
    if (HasHighByte(component)) {
        for (const char* cp : {"CP932", "GBK"}) {
            std::string utf8 = ToUtf8(component, cp);
            if (!utf8.empty() && std::find(candidates.begin(), candidates.end(), utf8) == candidates.end()) {
                candidates.push_back(utf8);
            }
        }
    }
    for (size_t i = 1; i < candidates.size(); ++i) {
        if (Exists(prefix + candidates[i])) {
            return candidates[i];
        }
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::vector<std::string> found(candidates.size());
    while (dirent* e = readdir(dir)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") {
            continue;
        }
        for (size_t i = 0; i < candidates.size(); ++i) {
            // The first match in directory order wins when several names differ only in case; sort
            // so that the choice does not depend on the order the file system lists them in.
            if (AsciiEqualNoCase(entry, candidates[i]) && (found[i].empty() || entry < found[i])) {
                found[i] = entry;
            }
        }
    }
    closedir(dir);
    for (const std::string& f : found) {
        if (!f.empty()) {
            return f;
        }
    }
    return {};
}

// Splits a normalised absolute path into its components.
std::vector<std::string> SplitComponents(const std::string& path, size_t from) {
    std::vector<std::string> parts;
    size_t i = from;
    while (i < path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) {
            j = path.size();
        }
        if (j > i) {
            parts.push_back(path.substr(i, j - i));
        }
        i = j + 1;
    }
    return parts;
}

// Resolves as many leading components as exist. Returns the real path of the existing part and the
// index of the first component that was not found (parts.size() when all were).
size_t ResolvePrefix(const std::string& normalized, std::string* real, std::vector<std::string>* parts) {
    const std::string& game = GameFolder();
    size_t from = 1;
    *real = "/";
    // The game folder is taken as it stands: its name came from the system and may hold UTF-8 bytes
    // that the double-byte rules of game names would misread.
    if (game != "/" && normalized.size() >= game.size() && normalized.compare(0, game.size(), game) == 0 &&
        (normalized.size() == game.size() || normalized[game.size()] == '/')) {
        *real = game;
        from = game.size() + 1;
    }
    *parts = SplitComponents(normalized, from);
    for (size_t i = 0; i < parts->size(); ++i) {
        const std::string& part = (*parts)[i];
        if (part == "." || part == "..") {
            std::string next = (*real == "/" ? std::string("/") : *real + "/") + part;
            if (!Exists(next)) {
                return i;
            }
            *real = next;
            continue;
        }
        std::string name = FindComponent(*real, part);
        if (name.empty()) {
            return i;
        }
        *real = (*real == "/" ? std::string("/") : *real + "/") + name;
    }
    return parts->size();
}

bool StatReal(const std::string& gamePath, struct stat* st) {
    std::string real;
    return FindRealPath(gamePath, &real) && stat(real.c_str(), st) == 0;
}

} // namespace

const std::string& GameFolder() {
    return GameFolderStorage();
}

void SetGameFolder(const std::string& folder) {
    std::string f = folder.empty() ? CurrentDirectory() : folder;
    if (f.front() != '/') {
        std::string cwd = CurrentDirectory();
        f = (cwd == "/" ? cwd : cwd + "/") + f;
    }
    GameFolderStorage() = StripTrailingSeparators(f);
}

std::string NormalizeGamePath(const std::string& gamePath) {
    std::string out;
    out.reserve(gamePath.size() + GameFolder().size() + 1);
    bool absolute = !gamePath.empty() && (gamePath[0] == '/' || gamePath[0] == '\\');
    if (!absolute) {
        out = GameFolder();
        if (out != "/") {
            out.push_back('/');
        }
    }
    for (size_t i = 0; i < gamePath.size(); ++i) {
        char c = gamePath[i];
        if (IsLeadByte(static_cast<uint8_t>(c)) && i + 1 < gamePath.size()) {
            out.push_back(c);
            out.push_back(gamePath[++i]);
            continue;
        }
        if (c == '\\') {
            c = '/';
        }
        if (c == '/' && !out.empty() && out.back() == '/') {
            continue;
        }
        out.push_back(c);
    }
    return out;
}

bool FindRealPath(const std::string& gamePath, std::string* realPath) {
    if (gamePath.empty()) {
        return false;
    }
    std::string normalized = NormalizeGamePath(gamePath);
    // Fast path: the name exists as written.
    if (Exists(normalized)) {
        *realPath = normalized;
        return true;
    }
    std::string real;
    std::vector<std::string> parts;
    if (ResolvePrefix(normalized, &real, &parts) != parts.size()) {
        return false;
    }
    *realPath = real;
    return true;
}

std::string MapGamePath(const std::string& gamePath) {
    std::string normalized = NormalizeGamePath(gamePath);
    if (Exists(normalized)) {
        return normalized;
    }
    std::string real;
    std::vector<std::string> parts;
    for (size_t i = ResolvePrefix(normalized, &real, &parts); i < parts.size(); ++i) {
        real = (real == "/" ? std::string("/") : real + "/") + parts[i];
    }
    return real;
}

bool IsFile(const std::string& gamePath) {
    struct stat st;
    return StatReal(gamePath, &st) && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& gamePath) {
    struct stat st;
    return StatReal(gamePath, &st) && S_ISDIR(st.st_mode);
}

ReadStatus ReadFile(const std::string& gamePath, std::vector<uint8_t>* out, size_t maxSize) {
    out->clear();
    std::string real;
    if (!FindRealPath(gamePath, &real)) {
        return ReadStatus::Missing;
    }
    if (g_readFault != nullptr && g_readFault(real)) {
        return ReadStatus::Failed;
    }
    std::unique_ptr<InputFile> file = InputFile::Open(gamePath);
    if (!file || file->Size() > maxSize) {
        return ReadStatus::Failed;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
    if (file->Read(bytes.data(), bytes.size()) != bytes.size()) {
        return ReadStatus::Failed;
    }
    // A file that grew since it was opened is read as it was; one that shrank failed above.
    if (!file->Close()) {
        return ReadStatus::Failed;
    }
    *out = std::move(bytes);
    return ReadStatus::Ok;
}

bool ReadWholeFile(const std::string& gamePath, std::vector<uint8_t>* out, size_t maxSize) {
    return ReadFile(gamePath, out, maxSize) == ReadStatus::Ok;
}

void SetReadFault(bool (*fault)(const std::string& realPath)) {
    g_readFault = fault;
}

bool WriteWholeFile(const std::string& gamePath, const void* data, size_t size) {
    std::string target = MapGamePath(gamePath);
    size_t slash = target.rfind('/');
    if (slash == std::string::npos || slash + 1 == target.size()) {
        return false;
    }
    std::string folder = slash == 0 ? std::string("/") : target.substr(0, slash);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    std::string tmpl = target + kTempInfix + "XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) {
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = size;
    bool ok = true;
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // The file gets the usual permissions of a new file, not mkstemp's owner-only ones.
    mode_t mask = umask(0);
    umask(mask);
    ok = ok && fchmod(fd, 0666 & ~mask) == 0;
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tmpl.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(tmpl.c_str());
        return false;
    }
    int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

int RemoveLeftoverTempFiles(const std::string& folderGamePath) {
    std::string folder;
    if (!FindRealPath(folderGamePath, &folder)) {
        return 0;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    const time_t now = time(nullptr);
    int removed = 0;
    while (dirent* entry = readdir(dir)) {
        std::string path = folder + "/" + entry->d_name;
        struct stat st;
        // A time ahead of the clock is a write of now as far as anyone can tell: kept.
        if (IsTempFileName(entry->d_name) && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            now - st.st_mtime >= kLeftoverTempFileAgeSeconds && unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    closedir(dir);
    return removed;
}

bool CreateFolders(const std::string& gamePath) {
    std::string normalized = NormalizeGamePath(gamePath);
    std::string real;
    std::vector<std::string> parts;
    size_t i = ResolvePrefix(normalized, &real, &parts);
    for (; i < parts.size(); ++i) {
        real = (real == "/" ? std::string("/") : real + "/") + parts[i];
        if (mkdir(real.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st;
    return stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

InputFile::~InputFile() {
    Close();
}

size_t InputFile::Read(void* dst, size_t n) {
    if (m_fd < 0) {
        return 0;
    }
    auto* p = static_cast<uint8_t*>(dst);
    size_t total = 0;
    while (total < n) {
        ssize_t got = read(m_fd, p + total, n - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    m_position += total;
    return total;
}

bool InputFile::Seek(uint64_t offset) {
    if (m_fd < 0 || offset > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    if (lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        return false;
    }
    m_position = offset;
    return true;
}

uint64_t InputFile::Tell() const {
    return m_position;
}

bool InputFile::Close() {
    if (m_fd < 0) {
        return true;
    }
    int fd = m_fd;
    m_fd = -1;
    return close(fd) == 0;
}

std::unique_ptr<InputFile> InputFile::Open(const std::string& gamePath) {
    std::string real;
    if (!FindRealPath(gamePath, &real)) {
        return nullptr;
    }
    int fd = open(real.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::unique_ptr<InputFile>(new InputFile(fd, static_cast<uint64_t>(st.st_size)));
}

} // namespace kestrel::fs
