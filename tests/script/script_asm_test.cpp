#include "script/script_asm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/opcode_table.h"

using kestrel::sasm::Assemble;
using kestrel::sasm::Disassemble;
using kestrel::sasm::FormatErrors;
using kestrel::sasm::InvertBytes;
namespace script = kestrel::script;

namespace {

std::vector<uint8_t> Bytes(const std::string& source) {
    auto r = Assemble(source);
    EXPECT_TRUE(r.ok()) << FormatErrors(r.errors);
    return r.bytes;
}

// A sample operand for a field, so that every command can be written.
std::string SampleOperand(script::FieldKind kind, int n) {
    switch (kind) {
        case script::FieldKind::kByte:
            return std::to_string(n * 7 % 256);
        case script::FieldKind::kHalf:
            return std::to_string((n * 1000 + 5) % 65536);
        case script::FieldKind::kWord:
            return std::to_string(-n * 100001);
        case script::FieldKind::kPair:
            return std::to_string(n) + ":" + std::to_string(-n * 3);
        case script::FieldKind::kJump:
            return "top";
        case script::FieldKind::kText:
            return "\"\xE4\xBD\xA0\xE5\xA5\xBD #n" + std::to_string(n) + "\"";
    }
    return "";
}

} // namespace

TEST(ScriptAssembler, EncodesHeaderFieldsAndLength) {
    EXPECT_EQ(Bytes("SetVar 5, -1"), (std::vector<uint8_t>{4, 8, 5, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes("ExitToMenu"), (std::vector<uint8_t>{1, 4, 0, 0}));
    EXPECT_EQ(Bytes("SetMode 26"), (std::vector<uint8_t>{3, 4, 26, 0}));
    // Opcode by number.
    EXPECT_EQ(Bytes("3 26"), Bytes("SetMode 26"));
    // Names ignore case.
    EXPECT_EQ(Bytes("setmode 26"), Bytes("SetMode 26"));
}

TEST(ScriptAssembler, WritesPairsLowHalfFirstAndWordsLittleEndian) {
    EXPECT_EQ(Bytes("SetScrCharSet 2, 3, 512:-1"),
              (std::vector<uint8_t>{19, 8, 2, 3, 0x00, 0x02, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes("SetMessageId 0x12345678"), (std::vector<uint8_t>{12, 8, 0, 0, 0x78, 0x56, 0x34, 0x12}));
}

TEST(ScriptAssembler, PlacesTextLengthWhereEachCommandKeepsIt) {
    // Byte 3 (message), byte 2 (choice), byte 7 (music), byte 8 (second message form).
    EXPECT_EQ(Bytes("Message \"abc\""), (std::vector<uint8_t>{0, 4, 0, 3, 'a', 'b', 'c'}));
    EXPECT_EQ(Bytes("AddChoice 9, \"xy\""), (std::vector<uint8_t>{29, 8, 2, 0, 9, 0, 0, 0, 'x', 'y'}));
    EXPECT_EQ(Bytes("PlayBgm 1, \"m1\""), (std::vector<uint8_t>{34, 8, 0, 1, 0, 0, 0, 2, 'm', '1'}));
    auto ex = Bytes("MessageEx 0, \"q\"");
    ASSERT_EQ(ex.size(), 13u);
    EXPECT_EQ(ex[1], 12);
    EXPECT_EQ(ex[8], 1);
    EXPECT_EQ(ex[12], 'q');
}

TEST(ScriptAssembler, StoresUtf8TextAsGbkAndRawEscapesUnchanged) {
    // 你好 is C4 E3 BA C3 in GBK; \x81\xAB passes through as the marker code.
    auto b = Bytes("Message \"\xE4\xBD\xA0\xE5\xA5\xBD\\x81\\xab\\\"\"");
    EXPECT_EQ(b, (std::vector<uint8_t>{0, 4, 0, 7, 0xC4, 0xE3, 0xBA, 0xC3, 0x81, 0xAB, '"'}));
}

TEST(ScriptAssembler, ResolvesForwardAndBackwardLabels) {
    auto b = Bytes("top: Jump end\n"
                   "    Jump top ; back\n"
                   "end:\n"
                   "    JumpIfEq 1, 2, top\n");
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(b[4], 16); // end = 16
    EXPECT_EQ(b[12], 0); // top = 0
    EXPECT_EQ(b[16 + 12], 0);
}

TEST(ScriptAssembler, LenOverrideZeroFillsTheFixedPart) {
    EXPECT_EQ(Bytes("Nop56 7 len=12"), (std::vector<uint8_t>{56, 12, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(".byte 31, 4, 0, -1\n.text \"a\""), (std::vector<uint8_t>{31, 4, 0, 0xFF, 'a'}));
}

TEST(ScriptAssembler, ReportsErrorsWithTheirLine) {
    struct Case {
        std::string source;
        const char* fragment;
    };
    const Case cases[] = {
        {"Frobnicate 1", "unknown command"},
        {"31", "unknown command"},
        {"SetVar 5", "takes 2 operands"},
        {"SetMode 300", "bad byte"},
        {"Jump nowhere", "undefined label"},
        {"a: ExitToMenu\na: ExitToMenu", "defined twice"},
        {"SetScrCharSet 0, 0, 12", "expected x:y"},
        {"Message abc", "string literal"},
        {"Message \"\\q\"", "unknown escape"},
        {"Nop56 1 len=4", "len must"},
        {"Message \"" + std::string(300, 'a') + "\"", "longer than 255"},
    };
    for (const Case& c : cases) {
        std::string source = "ExitToMenu\n" + c.source;
        auto r = Assemble(source);
        ASSERT_FALSE(r.ok()) << c.source;
        EXPECT_NE(r.errors[0].message.find(c.fragment), std::string::npos)
            << c.source << ": " << r.errors[0].message;
        EXPECT_GE(r.errors[0].line, 2) << c.source;
    }
}

TEST(ScriptAssembler, InvertIsItsOwnInverse) {
    std::vector<uint8_t> b = {0, 1, 0x7F, 0x80, 0xFF};
    EXPECT_EQ(InvertBytes(b), (std::vector<uint8_t>{0xFF, 0xFE, 0x80, 0x7F, 0x00}));
    EXPECT_EQ(InvertBytes(InvertBytes(b)), b);
}

TEST(ScriptDisassembler, EveryCommandRoundTrips) {
    std::string source = "top:\n";
    for (int op = 0; op < script::kOpcodeCount; ++op) {
        const auto& info = script::GetOpcodeInfo(op);
        if (!info.used)
            continue;
        std::string line = "    " + std::string(info.name);
        for (size_t i = 0; i < info.fields.size(); ++i)
            line += (i ? ", " : " ") + SampleOperand(info.fields[i].kind, op + static_cast<int>(i));
        source += line + "\n";
    }
    auto first = Assemble(source);
    ASSERT_TRUE(first.ok()) << FormatErrors(first.errors);
    std::string text = Disassemble(first.bytes);
    auto second = Assemble(text);
    ASSERT_TRUE(second.ok()) << FormatErrors(second.errors) << text;
    EXPECT_EQ(second.bytes, first.bytes);
    // The disassembly is stable: the same commands come back as the same text.
    EXPECT_EQ(Disassemble(second.bytes), text);
    // Every command came back by name, none as raw bytes.
    EXPECT_EQ(text.find(".byte"), std::string::npos);
    EXPECT_NE(text.find("Message \"\xE4\xBD\xA0\xE5\xA5\xBD #n0\""), std::string::npos);
}

TEST(ScriptDisassembler, WritesWhatNamesCannotExpressAsBytes) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {31, 4, 0, 0},                   // unused code
        {4, 4, 0, 0},                    // too short for its operands
        {0, 4, 0, 9, 'a'},               // text runs past the end
        {1, 4, 7, 0},                    // a stray byte where nothing is read
        {13, 8, 0, 0, 0xFF, 0, 0, 0, 1}, // a trailing byte
        {0},                             // a lone opcode byte
    };
    for (const auto& in : inputs) {
        std::string text = Disassemble(in);
        auto r = Assemble(text);
        ASSERT_TRUE(r.ok()) << FormatErrors(r.errors) << text;
        EXPECT_EQ(r.bytes, in) << text;
    }
}

TEST(ScriptDisassembler, GoesOnByNameAfterACommandItCannotExpress) {
    auto b = Bytes("top: SetVar 1, 2\n.byte 31, 4, 9, 9\nSetVar 3, 4\nJump top\n");
    std::string text = Disassemble(b);
    EXPECT_NE(text.find(".byte 0x1f, 0x04, 0x09, 0x09\n    SetVar 3, 4\n    Jump L0"), std::string::npos)
        << text;
    EXPECT_EQ(Assemble(text).bytes, b);
}

TEST(ScriptDisassembler, LabelsJumpTargetsOnCommandStarts) {
    auto b = Bytes("SetVar 1, 0\nloop: AddVar 1, 1\nJumpIfLt 1, 10, loop\nJump 3\n");
    std::string text = Disassemble(b);
    EXPECT_NE(text.find("L8:\n"), std::string::npos) << text;
    EXPECT_NE(text.find("JumpIfLt 1, 10, L8"), std::string::npos) << text;
    // Offset 3 is inside a command: it stays a number.
    EXPECT_NE(text.find("Jump 3"), std::string::npos) << text;
    EXPECT_EQ(Assemble(text).bytes, b);
}
