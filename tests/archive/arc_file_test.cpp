#include "archive/arc_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "archive/paths.h"
#include "packdat_lib.h"
#include "platform/file_system.h"
#include "support/scratch_folder.h"

namespace {

namespace stdfs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using kestrel::packdat::PackEntry;

Bytes Str(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

void WriteBytes(const stdfs::path& p, const Bytes& b) {
    stdfs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes Archive(const std::vector<PackEntry>& entries) {
    Bytes a;
    std::string error;
    EXPECT_TRUE(kestrel::packdat::BuildArchive(entries, &a, nullptr, &error)) << error;
    return a;
}

void PutLE32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

int OpenDescriptors() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    while (dirent* e = readdir(d)) {
        n += e->d_name[0] != '.';
    }
    closedir(d);
    return n;
}

// A game folder of its own per test: <scratch folder>/game, with its parent for the game folder's archive.
class ArcFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = kestrel::fs::GameFolder();
        stdfs::create_directories(m_game);
        kestrel::fs::SetGameFolder(m_game.string());
        ResetBasePath();
    }
    void TearDown() override {
        kestrel::fs::SetGameFolder(m_saved);
        g_ArcBasePath.clear();
    }
    // Loads a name and returns its bytes; fails the test on any result but 0.
    Bytes Load(const std::string& name) {
        CArcFile f;
        int r = f.Open(name);
        EXPECT_EQ(r, kArcOk) << name;
        if (r != kArcOk) {
            return {};
        }
        EXPECT_EQ(f.GetData()[f.GetSize()], 0) << "data lacks its terminating 0";
        return Bytes(f.GetData(), f.GetData() + f.GetSize());
    }
    void ExpectEmpty(const CArcFile& f) {
        EXPECT_EQ(f.GetData(), nullptr);
        EXPECT_EQ(f.GetSize(), 0u);
        EXPECT_EQ(f.GetPath(), "");
    }

    testing_support::ScratchFolder m_folder{"arcfile"};
    const stdfs::path m_root = m_folder.path();
    const stdfs::path m_game = m_root / "game";

private:
    std::string m_saved;
};

TEST_F(ArcFileTest, PrefersLooseFile) {
    WriteBytes(m_game / "bmp" / "x.bmp", Str("loose"));
    WriteBytes(m_game / "bmp.dat", Archive({{"x.bmp", Str("packed"), 0}}));
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("loose"));
    stdfs::remove(m_game / "bmp" / "x.bmp");
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("packed"));
}

TEST_F(ArcFileTest, FindsTheGameFoldersArchiveOneLevelUp) {
    WriteBytes(m_game / "bmp.dat", Archive({{"y.bmp", Str("other"), 0}}));
    WriteBytes(m_root / "game.dat", Archive({{"bmp\\x.bmp", Str("from above"), kArcLzss}}));
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("from above"));
    EXPECT_EQ(Load(GetResourceDir(kResourceBmp) + "x.bmp"), Str("from above"));
}

TEST_F(ArcFileTest, WalkStopsAtTheGameFolder) {
    // An archive above the game folder's own one is never read.
    WriteBytes(m_root.parent_path() / (m_root.filename().string() + ".dat"),
               Archive({{"game\\bmp\\x.bmp", Str("too high"), 0}}));
    CArcFile f;
    EXPECT_EQ(f.Open("bmp\\x.bmp"), kArcNotFound);
    stdfs::remove(m_root.parent_path() / (m_root.filename().string() + ".dat"));
    // And a name outside the game folder is only a loose file.
    WriteBytes(m_root / "elsewhere.dat", Archive({{"x.bmp", Str("outside"), 0}}));
    EXPECT_EQ(f.Open((m_root / "elsewhere" / "x.bmp").string()), kArcNotFound);
}

TEST_F(ArcFileTest, RecordNamesMatchWithoutCase) {
    WriteBytes(m_game / "bmp.dat", Archive({{"X.BMP", Str("upper"), 0}, {"Sub\\Y.Bmp", Str("sub"), 0}}));
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("upper"));
    EXPECT_EQ(Load("BMP/SUB/y.bmp"), Str("sub"));
}

TEST_F(ArcFileTest, FirstMatchingRecordWins) {
    WriteBytes(m_game / "se.dat", Archive({{"a.ogg", Str("first"), 0}, {"A.OGG", Str("second"), 0}}));
    EXPECT_EQ(Load("se\\a.ogg"), Str("first"));
}

TEST_F(ArcFileTest, SkipsEmptyAndForeignArchives) {
    WriteBytes(m_root / "game.dat", Archive({{"bmp\\x.bmp", Str("found"), 0}}));
    // Count 0.
    Bytes empty = Archive({{"x.bmp", Str("hidden"), 0}});
    PutLE32(empty, 12, 0);
    WriteBytes(m_game / "bmp.dat", empty);
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("found"));
    // Another magic.
    Bytes foreign = Archive({{"x.bmp", Str("hidden"), 0}});
    foreign[7] = '!';
    WriteBytes(m_game / "bmp.dat", foreign);
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("found"));
    // A negative count.
    Bytes negative = Archive({{"x.bmp", Str("hidden"), 0}});
    PutLE32(negative, 12, 0xFFFFFFFF);
    WriteBytes(m_game / "bmp.dat", negative);
    EXPECT_EQ(Load("bmp\\x.bmp"), Str("found"));
}

TEST_F(ArcFileTest, ReadPastTheEndAndSeek) {
    WriteBytes(m_game / "t.txt", Str("0123456789"));
    CArcFile f;
    ASSERT_EQ(f.Open("t.txt"), kArcOk);
    char buf[16] = {};
    uint32_t got = 99;
    EXPECT_EQ(f.Read(buf, 4, &got), 1);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(f.Read(buf, 16, &got), 1);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::string(buf, 6), "456789");
    EXPECT_EQ(f.Read(buf, 16, &got), 1);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(f.Read(nullptr, 1, &got), 0);
    // From the start: 0 does not rewind; a positive offset sets; beyond the end clamps.
    EXPECT_EQ(f.Seek(0, 0), 10u);
    EXPECT_EQ(f.Seek(3, 0), 3u);
    EXPECT_EQ(f.Seek(0, 0), 3u);
    EXPECT_EQ(f.Seek(-2, 0), 3u);
    EXPECT_EQ(f.Seek(50, 0), 10u);
    // From the current position: a negative offset applies only while the position stays above 0.
    EXPECT_EQ(f.Seek(-4, 1), 6u);
    EXPECT_EQ(f.Seek(-6, 1), 6u);
    EXPECT_EQ(f.Seek(-5, 1), 1u);
    EXPECT_EQ(f.Seek(100, 1), 10u);
    EXPECT_EQ(f.Seek(0x7FFFFFFF, 1), 10u);
    // From the end, and an unknown origin.
    EXPECT_EQ(f.Seek(-3, 2), 7u);
    EXPECT_EQ(f.Seek(-30, 2), 0u);
    EXPECT_EQ(f.Seek(5, 3), 0u);
    EXPECT_EQ(f.Read(buf, 3, nullptr), 1);
    EXPECT_EQ(std::string(buf, 3), "012");
    EXPECT_EQ(f.GetFileName(), "t.txt");
    EXPECT_EQ(f.GetExtension(), "txt");
    // After Close the position is left but nothing can be read.
    f.Close();
    ExpectEmpty(f);
    EXPECT_EQ(f.Read(buf, 3, &got), 1);
    EXPECT_EQ(got, 0u);
}

TEST_F(ArcFileTest, FailedOpenLeavesObjectEmptyAndNoFileOpen) {
    WriteBytes(m_game / "a.s", Str("script"));
    CArcFile f;
    ASSERT_EQ(f.Open("a.s"), kArcOk);
    int before = OpenDescriptors();
    EXPECT_EQ(f.Open("missing.s"), kArcNotFound);
    ExpectEmpty(f);
    ASSERT_EQ(f.Open("a.s"), kArcOk);
    EXPECT_EQ(f.Open(""), kArcEmptyName);
    ExpectEmpty(f);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ArcFileTest, BadSizeAndLimits) {
    Bytes a = Archive({{"x.bmp", Str("abc"), 0}});
    PutLE32(a, 16 + 40, 0xFFFFFFFF);
    WriteBytes(m_game / "bmp.dat", a);
    CArcFile f;
    EXPECT_EQ(f.Open("bmp\\x.bmp"), kArcBadSize);
    ExpectEmpty(f);
    PutLE32(a, 16 + 40, kArcMaxFileSize + 1);
    WriteBytes(m_game / "bmp.dat", a);
    EXPECT_EQ(f.Open("bmp\\x.bmp"), kArcNoMemory);
    ExpectEmpty(f);
}

TEST_F(ArcFileTest, MalformedEntriesAreReadErrors) {
    const Bytes text = Str("The quick brown fox jumps over the lazy dog, again and again and again.");
    struct Case {
        const char* what;
        void (*spoil)(Bytes&);
    };
    const Case cases[] = {
        {"stored length above size + 1", [](Bytes& a) { PutLE32(a, 16 + 44, 200); }},
        {"stored bytes beyond the file", [](Bytes& a) { a.resize(a.size() - 80); }},
        {"offset beyond the file", [](Bytes& a) { PutLE32(a, 16 + 32, 0x7FFFFFF0); }},
        {"count beyond the file", [](Bytes& a) { PutLE32(a, 12, 1000); }},
        {"name without terminator", [](Bytes& a) { std::memset(a.data() + 16, 'n', 32); }},
        {"coded stream cut short", [](Bytes& a) { PutLE32(a, 16 + 44, 10); }},
    };
    for (const Case& c : cases) {
        // The record looked for comes first; the plain one after it is cut by the truncation case.
        Bytes a = Archive({{"x.txt", text, kArcLzss}, {"y.txt", text, 0}});
        c.spoil(a);
        WriteBytes(m_game / "doc.dat", a);
        CArcFile f;
        EXPECT_EQ(f.Open("doc\\x.txt"), kArcReadError) << c.what;
        ExpectEmpty(f);
    }
}

TEST_F(ArcFileTest, PlainEntryMayStoreOneByteMore) {
    Bytes a = Archive({{"x.txt", Str("abcd"), 0}});
    PutLE32(a, 16 + 40, 3); // size 3, stored length 4: the fourth byte lands on the terminator
    WriteBytes(m_game / "doc.dat", a);
    EXPECT_EQ(Load("doc\\x.txt"), Str("abc"));
    PutLE32(a, 16 + 40, 5); // stored bytes short of the size
    WriteBytes(m_game / "doc.dat", a);
    CArcFile f;
    EXPECT_EQ(f.Open("doc\\x.txt"), kArcReadError);
}

// A transformed entry is as long as its transforms' result; the record's size only bounds it.
TEST_F(ArcFileTest, TransformedEntryTakesTheLengthOfItsResult) {
    std::string s;
    while (s.size() < 600) {
        s += "again and again, ";
    }
    const Bytes text = Str(s);
    const uint32_t size = static_cast<uint32_t>(text.size());
    const struct {
        uint32_t recordSize;
        bool loads;
    } sizes[] = {{size + 100, true}, {size, true}, {size - 1, false}};
    const uint32_t combinations[] = {kArcWordScramble, kArcLzss, kArcWordScramble | kArcLzss, kArcRecencyCode,
                                     kArcRangeCode | kArcBlockSort};
    for (uint32_t flags : combinations) {
        std::vector<kestrel::packdat::PackedRecord> records;
        Bytes a;
        std::string error;
        ASSERT_TRUE(kestrel::packdat::BuildArchive({{"x.txt", text, flags}}, &a, &records, &error)) << error;
        ASSERT_EQ(records[0].flags, flags);
        for (const auto& c : sizes) {
            PutLE32(a, 16 + 40, c.recordSize);
            WriteBytes(m_game / "doc.dat", a);
            if (c.loads) {
                EXPECT_EQ(Load("doc\\x.txt"), text) << flags << " " << c.recordSize;
            } else {
                CArcFile f;
                EXPECT_EQ(f.Open("doc\\x.txt"), kArcReadError) << flags << " " << c.recordSize;
                ExpectEmpty(f);
            }
        }
    }
}

TEST_F(ArcFileTest, ScrambledLzssEntryIsUnscrambledFirst) {
    Bytes text = Str(std::string(300, 'k') + "tail of the text");
    std::vector<kestrel::packdat::PackedRecord> records;
    Bytes a;
    std::string error;
    ASSERT_TRUE(
        kestrel::packdat::BuildArchive({{"x.txt", text, kArcWordScramble | kArcLzss}}, &a, &records, &error));
    ASSERT_EQ(records[0].flags, kArcWordScramble | kArcLzss);
    WriteBytes(m_game / "doc.dat", a);
    EXPECT_EQ(Load("doc\\x.txt"), text);
    // Scrambling of a 3-byte entry changes nothing.
    WriteBytes(m_game / "doc.dat", Archive({{"x.txt", Str("abc"), kArcWordScramble}}));
    EXPECT_EQ(Load("doc\\x.txt"), Str("abc"));
    // Bits above 23 are not transforms.
    Bytes high = Archive({{"x.txt", Str("plain"), 0}});
    PutLE32(high, 16 + 36, 0x7F000000);
    WriteBytes(m_game / "doc.dat", high);
    EXPECT_EQ(Load("doc\\x.txt"), Str("plain"));
}

TEST_F(ArcFileTest, FindArcEntryReturnsHandleAtStoredBytes) {
    Bytes a = Archive({{"a.ogg", Str("first"), 0}, {"b.ogg", Str("second"), 0}});
    WriteBytes(m_game / "voice.dat", a);
    CArcEntry e{};
    auto file = FindArcEntry(GetResourceDir(kResourceVoice) + "B.OGG", &e);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(e.size, 6u);
    EXPECT_EQ(e.storedLength, 6u);
    EXPECT_EQ(e.flags, 0u);
    EXPECT_EQ(file->Tell(), e.offset);
    char buf[6];
    ASSERT_EQ(file->Read(buf, 6), 6u);
    EXPECT_EQ(std::string(buf, 6), "second");
    // A loose file: offset 0, its size, no flags.
    WriteBytes(m_game / "voice" / "c.ogg", Str("loose!!"));
    CArcEntry loose{};
    file = FindArcEntry("voice\\c.ogg", &loose);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(loose.offset, 0u);
    EXPECT_EQ(loose.size, 7u);
    EXPECT_EQ(loose.storedLength, 7u);
    CArcEntry none{};
    EXPECT_EQ(FindArcEntry("", &none), nullptr);
    EXPECT_EQ(FindArcEntry("voice\\zzz.ogg", &none), nullptr);
}

TEST_F(ArcFileTest, FoldersAndNamesFoundWithoutCase) {
    WriteBytes(m_game / "BMP" / "Ev01A.BMP", Str("mixed case on disk"));
    EXPECT_EQ(Load("bmp\\ev01a.bmp"), Str("mixed case on disk"));
    WriteBytes(m_game / "Script.DAT", Archive({{"start.s", Str("archived"), 0}}));
    EXPECT_EQ(Load("script\\START.S"), Str("archived"));
}

TEST_F(ArcFileTest, LoadsByBasePath) {
    WriteBytes(m_game / "bgm.dat", Archive({{"track01.ogg", Str("music"), 0}}));
    SetBasePath(GetResourceDir(kResourceBgm));
    EXPECT_EQ(Load("track01.ogg"), Str("music"));
    EXPECT_EQ(Load(GetResourceDir(kResourceBgm) + GetFilePart("bgm\\track01.ogg")), Str("music"));
}

// Every combination of the five transforms, packed by the archive tool and loaded through CArcFile.
TEST_F(ArcFileTest, AllTransformCombinationsRoundTrip) {
    std::mt19937 rng(42);
    Bytes random(4096);
    for (auto& b : random) {
        b = static_cast<uint8_t>(rng());
    }
    std::string text;
    while (text.size() < 6000) {
        text += "Line " + std::to_string(text.size() % 97) + ": the evidence list grows.\r\n";
    }
    // A megabyte of picture-like rows: smooth gradients with some noise.
    Bytes picture(1 << 20);
    for (size_t i = 0; i < picture.size(); ++i) {
        picture[i] = static_cast<uint8_t>((i % 4096) / 16 + ((rng() & 7) == 0 ? rng() & 3 : 0));
    }
    const std::vector<Bytes> inputs = {Bytes{}, Bytes{0x5A}, Bytes{1, 2, 3}, Str(text), random, picture};
    const uint32_t bits[5] = {kArcWordScramble, kArcRecencyCode, kArcRangeCode, kArcLzss, kArcBlockSort};
    std::vector<PackEntry> entries;
    std::vector<size_t> inputOf;
    for (uint32_t combo = 0; combo < 32; ++combo) {
        uint32_t flags = 0;
        for (int i = 0; i < 5; ++i) {
            if (combo & (1u << i)) {
                flags |= bits[i];
            }
        }
        for (size_t k = 0; k < inputs.size(); ++k) {
            // The megabyte goes through the common combinations only, to keep the test quick.
            if (k == 5 && flags != kArcLzss && flags != (kArcLzss | kArcWordScramble) &&
                flags != (kArcBlockSort | kArcRangeCode) && flags != kArcWordScramble) {
                continue;
            }
            entries.push_back({"c" + std::to_string(combo) + "_" + std::to_string(k), inputs[k], flags});
            inputOf.push_back(k);
        }
    }
    Bytes archive;
    std::vector<kestrel::packdat::PackedRecord> records;
    std::string error;
    ASSERT_TRUE(kestrel::packdat::BuildArchive(entries, &archive, &records, &error)) << error;
    WriteBytes(m_game / "data.dat", archive);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(Load("data\\" + entries[i].name) == entries[i].data) << entries[i].name;
        // The tool drops the coders only where they would not fit the block of the decoded size; the
        // length-keeping scrambling always stays.
        uint32_t requested = entries[i].flags;
        if (records[i].flags != requested) {
            EXPECT_EQ(records[i].flags, requested & kArcWordScramble) << entries[i].name;
            EXPECT_EQ(records[i].storedLength, records[i].size) << entries[i].name;
        }
        // Text keeps every combination but the block sort alone (which adds its 4-byte index).
        if (inputOf[i] == 3 && (entries[i].flags & ~kArcWordScramble) != kArcBlockSort) {
            EXPECT_EQ(records[i].flags, entries[i].flags) << entries[i].name;
        }
    }
}

} // namespace
