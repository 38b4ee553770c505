// The command codes of the script format: for each of the 167 codes its name, the operand fields
// its handler reads and where its trailing text (if any) keeps its length. The interpreter takes
// the bounds of a command from here; the assembler and disassembler take the text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrel::script {

enum class FieldKind : uint8_t {
    kByte, // u8 at the offset (written signed or unsigned)
    kHalf, // u16 at the offset
    kWord, // u32 at the offset (written signed or unsigned)
    kPair, // two i16 in the u32 at the offset, low half first (written x:y)
    kJump, // u32 offset from the script base (written as a label or a number)
    kText, // trailing text after the fixed part; its length is the u8 at the offset
};

struct OperandField {
    FieldKind kind;
    uint8_t offset;
};

struct OpcodeInfo {
    bool used = false;
    std::string_view name;            // our name of the command (handler name without "Op")
    std::vector<OperandField> fields; // in the order of the text form
    uint8_t minLength = 4;            // fixed part the assembler writes: every field, in whole words
    uint8_t operandEnd = 4;           // smallest fixed part the interpreter runs: the bytes read
    int textLengthAt = -1;            // offset of the text-length byte, -1 when no text
};

inline constexpr int kOpcodeCount = 167;

// The entry of `opcode`; an entry with used == false for unused codes and codes above 166.
const OpcodeInfo& GetOpcodeInfo(unsigned opcode);
// Finds a command by name (ASCII case ignored).
std::optional<uint8_t> FindOpcode(std::string_view name);

} // namespace kestrel::script
