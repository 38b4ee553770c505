// packdat: "PACKDAT." archives for tests and sample data.
//
//   packdat pack [-f FLAGS] [-e NAME=FLAGS]... FOLDER ARCHIVE.dat
//       Packs every file below FOLDER under its relative name ('\' between folders), in name order.
//       FLAGS (hex, for example 10200) are the transforms of every entry; -e sets them for one entry
//       (NAME compared without case). A coder that would make an entry larger is dropped.
//   packdat list ARCHIVE.dat
//       Prints name, offset, flags, size and stored length of each record.
//   packdat unpack ARCHIVE.dat FOLDER
//       Loads each record through the engine's own loader and writes it below FOLDER.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "archive/arc_file.h"
#include "archive/paths.h"
#include "packdat_lib.h"
#include "platform/file_system.h"

namespace {

namespace stdfs = std::filesystem;
using kestrel::packdat::Bytes;

int Usage() {
    std::fprintf(stderr, "usage: packdat pack [-f FLAGS] [-e NAME=FLAGS]... FOLDER ARCHIVE.dat\n"
                         "       packdat list ARCHIVE.dat\n"
                         "       packdat unpack ARCHIVE.dat FOLDER\n");
    return 2;
}

bool ReadFile(const stdfs::path& p, Bytes* out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const stdfs::path& p, const Bytes& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

bool ParseFlags(const std::string& text, uint32_t* flags) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || v > 0xFFFFFFFFul) {
        return false;
    }
    *flags = static_cast<uint32_t>(v);
    return true;
}

std::string Lower(std::string s) {
    StrToLowerSJIS(s);
    return s;
}

void PrintRecords(const std::vector<kestrel::packdat::PackedRecord>& records) {
    for (const auto& r : records) {
        std::printf("%-31s offset %10u flags %06x size %10u stored %10u\n", r.name.c_str(), r.offset, r.flags,
                    r.size, r.storedLength);
    }
}

int Pack(int argc, char** argv) {
    uint32_t defaultFlags = 0;
    std::map<std::string, uint32_t> perEntry;
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-f" || a == "-e") && i + 1 < argc) {
            std::string v = argv[++i];
            if (a == "-f") {
                if (!ParseFlags(v, &defaultFlags)) {
                    return Usage();
                }
            } else {
                size_t eq = v.rfind('=');
                uint32_t f = 0;
                if (eq == std::string::npos || !ParseFlags(v.substr(eq + 1), &f)) {
                    return Usage();
                }
                perEntry[Lower(v.substr(0, eq))] = f;
            }
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        return Usage();
    }
    stdfs::path folder = positional[0];
    std::error_code ec;
    if (!stdfs::is_directory(folder, ec)) {
        std::fprintf(stderr, "packdat: %s is not a folder\n", folder.c_str());
        return 1;
    }
    std::vector<kestrel::packdat::PackEntry> entries;
    for (auto it = stdfs::recursive_directory_iterator(folder, ec); !ec && it != stdfs::end(it);
         it.increment(ec)) {
        if (!it->is_regular_file()) {
            continue;
        }
        std::string name = stdfs::relative(it->path(), folder).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        kestrel::packdat::PackEntry e{name, {}, defaultFlags};
        if (auto f = perEntry.find(Lower(name)); f != perEntry.end()) {
            e.flags = f->second;
            perEntry.erase(f);
        }
        if (!ReadFile(it->path(), &e.data)) {
            std::fprintf(stderr, "packdat: cannot read %s\n", it->path().c_str());
            return 1;
        }
        entries.push_back(std::move(e));
    }
    if (ec) {
        std::fprintf(stderr, "packdat: cannot list %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    for (const auto& [name, flags] : perEntry) {
        std::fprintf(stderr, "packdat: no file %s for -e\n", name.c_str());
        return 1;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    Bytes archive;
    std::vector<kestrel::packdat::PackedRecord> records;
    std::string error;
    if (!kestrel::packdat::BuildArchive(entries, &archive, &records, &error)) {
        std::fprintf(stderr, "packdat: %s\n", error.c_str());
        return 1;
    }
    if (!WriteFile(positional[1], archive)) {
        std::fprintf(stderr, "packdat: cannot write %s\n", positional[1].c_str());
        return 1;
    }
    PrintRecords(records);
    return 0;
}

int List(const std::string& archivePath) {
    Bytes archive;
    std::vector<kestrel::packdat::PackedRecord> records;
    std::string error;
    if (!ReadFile(archivePath, &archive)) {
        std::fprintf(stderr, "packdat: cannot read %s\n", archivePath.c_str());
        return 1;
    }
    if (!kestrel::packdat::ReadIndex(archive, &records, &error)) {
        std::fprintf(stderr, "packdat: %s: %s\n", archivePath.c_str(), error.c_str());
        return 1;
    }
    PrintRecords(records);
    return 0;
}

int Unpack(const std::string& archivePath, const std::string& outFolder) {
    Bytes archive;
    std::vector<kestrel::packdat::PackedRecord> records;
    std::string error;
    if (!ReadFile(archivePath, &archive) || !kestrel::packdat::ReadIndex(archive, &records, &error)) {
        std::fprintf(stderr, "packdat: %s: %s\n", archivePath.c_str(),
                     error.empty() ? "unreadable" : error.c_str());
        return 1;
    }
    std::string abs = stdfs::absolute(archivePath).lexically_normal().string();
    if (abs.size() < 5 || Lower(abs.substr(abs.size() - 4)) != ".dat") {
        std::fprintf(stderr, "packdat: the engine finds archives only by the name FOLDER.dat\n");
        return 1;
    }
    // The archive holds the files of the folder it is named after: make that folder the game folder
    // and load each record by its name below it.
    std::string folder = abs.substr(0, abs.size() - 4);
    kestrel::fs::SetGameFolder(folder);
    ResetBasePath();
    int failures = 0;
    for (const auto& r : records) {
        std::string name = folder + "/" + r.name;
        CArcEntry entry{};
        auto file = FindArcEntry(name, &entry);
        if (file && (entry.offset != r.offset || entry.flags != r.flags)) {
            std::fprintf(stderr, "packdat: %s is shadowed by a loose file or an earlier record\n",
                         r.name.c_str());
            ++failures;
            continue;
        }
        file.reset();
        CArcFile arc;
        int result = arc.Open(name);
        if (result != kArcOk) {
            std::fprintf(stderr, "packdat: %s: load result %d\n", r.name.c_str(), result);
            ++failures;
            continue;
        }
        std::string rel = r.name; // '\\' between folders, but not inside a double-byte character
        for (size_t i = 0; i < rel.size(); ++i) {
            if (kestrel::fs::IsLeadByte(static_cast<uint8_t>(rel[i]))) {
                ++i;
            } else if (rel[i] == '\\') {
                rel[i] = '/';
            }
        }
        stdfs::path out = stdfs::path(outFolder) / rel;
        std::error_code ec;
        stdfs::create_directories(out.parent_path(), ec);
        if (!WriteFile(out, Bytes(arc.GetData(), arc.GetData() + arc.GetSize()))) {
            std::fprintf(stderr, "packdat: cannot write %s\n", out.c_str());
            ++failures;
            continue;
        }
        std::printf("%s\n", r.name.c_str());
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    std::string cmd = argv[1];
    if (cmd == "pack") {
        return Pack(argc, argv);
    }
    if (cmd == "list" && argc == 3) {
        return List(argv[2]);
    }
    if (cmd == "unpack" && argc == 4) {
        return Unpack(argv[2], argv[3]);
    }
    return Usage();
}
