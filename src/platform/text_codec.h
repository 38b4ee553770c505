// Conversion of game text between its stored double-byte form and Unicode.
//
// Game text is carried as bytes everywhere (GBK, code page 936, unless a name says otherwise);
// it is converted only where a glyph is drawn or a platform text (message box, window caption,
// file name) is shown, and through these functions only. Texts of the system kept in the source
// as UTF-8 literals are turned into game text with Utf8ToGameText.
//
// All functions are safe to call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace text_codec {

enum class CodePage : uint8_t {
    Gbk,      // code page 936: lead bytes 0x81 to 0xFE, the game's text
    ShiftJis, // code page 932: lead bytes 0x81 to 0x9F and 0xE0 to 0xFC, names on some discs
};

// True when `byte` begins a two-byte character in `page`.
bool IsLeadByte(uint8_t byte, CodePage page = CodePage::Gbk);

// The code of the character that starts at text[0] of a NUL-terminated string: lead × 256 +
// trail for a two-byte character, the byte alone otherwise. A lead byte followed by the
// terminator counts as a single byte. `length` (when given) receives 1 or 2; an empty string
// gives code 0 and length 0.
uint32_t ReadCharCode(const char* text, int* length = nullptr, CodePage page = CodePage::Gbk);

// The same over a byte range: the character starting at text[0], never reading past `size`.
uint32_t ReadCharCode(std::string_view text, int* length = nullptr, CodePage page = CodePage::Gbk);

// The Unicode scalar of one character code as ReadCharCode forms it; 0 when the code stands for
// no character of the page (an unassigned code, a bad trail byte, a lone lead byte).
char32_t CharCodeToUnicode(uint32_t code, CodePage page = CodePage::Gbk);

// Whole texts to Unicode. The strict forms give nothing when any byte sequence is invalid; the
// lossy forms put U+FFFD in place of each invalid character (one per lead byte with its trail,
// or per lone byte) and never fail.
std::optional<std::string> GameTextToUtf8(std::string_view text, CodePage page = CodePage::Gbk);
std::string GameTextToUtf8Lossy(std::string_view text, CodePage page = CodePage::Gbk);
std::optional<std::u32string> GameTextToUtf32(std::string_view text, CodePage page = CodePage::Gbk);

// Unicode to game text. The strict forms give nothing when the input is not valid UTF-8/UTF-32 or
// holds a character the page cannot store (the name-entry dialog refuses such input); the lossy
// form stores '?' for each such character.
std::optional<std::string> Utf8ToGameText(std::string_view utf8, CodePage page = CodePage::Gbk);
std::string Utf8ToGameTextLossy(std::string_view utf8, CodePage page = CodePage::Gbk);
std::optional<std::string> Utf32ToGameText(std::u32string_view text, CodePage page = CodePage::Gbk);

// UTF-8 encoding of one scalar (nothing for a surrogate or a value above U+10FFFF).
std::string EncodeUtf8(char32_t c);

} // namespace text_codec
