// The text form of script bytecode, and its assembler and disassembler (used by the sasm tool,
// the tests and the sample game).
//
// One command a line; ';' starts a comment (outside a string):
//
//     start:                          ; a label: the offset of the next command
//         SetVar 5, -1                ; command name (or opcode number), then its operands
//         JumpIfLt 5, 0, start        ; jump operands take a label or a byte offset
//         SetScrCharSet 0, 1, 512:400 ; x:y is a pair of signed 16-bit halves (x low)
//         Message "你好#n"            ; texts are UTF-8 here and stored as GBK; \xHH is a raw byte
//         Nop56 7 len=12              ; len= writes a longer fixed part (zero-filled)
//         .byte 31, 4, 0, 0           ; raw bytes, for commands the names cannot express
//
// Operands follow the command's fields in order (see opcode_table.h): bytes and words take
// decimal or 0x hex numbers, negative ones stored as two's complement; the text field takes a
// string literal. The length byte and the text-length byte are filled in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sasm {

struct Diagnostic {
    int line = 0; // 1-based
    std::string message;
};

struct AsmResult {
    std::vector<uint8_t> bytes; // the commands as the interpreter reads them (not inverted)
    std::vector<Diagnostic> errors;
    bool ok() const { return errors.empty(); }
};

// Assembles a whole source text.
AsmResult Assemble(std::string_view source);

// The file form: every byte inverted (the loader inverts it back). Its own inverse.
std::vector<uint8_t> InvertBytes(const std::vector<uint8_t>& bytes);

// Disassembles commands (not inverted) into the text form. Reassembling the result gives the
// same bytes: commands that the names cannot express exactly (unused codes, lengths too short
// or running past the end, stray bytes in unused operand places) come out as .byte lines, and
// the walk goes on after them where their length byte says.
std::string Disassemble(const std::vector<uint8_t>& bytes);

// Formats the diagnostics as "line N: message" lines.
std::string FormatErrors(const std::vector<Diagnostic>& errors);

} // namespace kestrel::sasm
