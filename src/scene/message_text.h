// The message text format: character codes, the line-start rule and the mark codes that the
// message layout, the page redraw and the backlog share. Text is zero-terminated game text of
// one- and two-byte characters; a byte of 0x80 or more leads a two-byte character.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

// True when the byte at p leads a two-byte character (>= 0x80).
bool IsLeadByte(const char* p);
// The characters that must not begin a line or column: 27 codes, compared as lead * 256 + trail
// (whether the first byte really leads a character is not looked at).
bool IsKinsokuChar(const char* p);
bool IsMarkCodeA(const char* p); // 0xA1E7: forced line or column break
bool IsMarkCodeB(const char* p); // 0x81AB: inline click wait (vertical style)

// The icon number (0 to 99) of an inline icon mark at p: the bytes 0x81 0xE8 and two decimal digits;
// -1 when p holds no such mark (also when the text ends inside it).
int InlineIconAt(const char* p);
// Draws icon `n` of `InlineIconStrip` (the 24 x 24 cell at (24n, 0)) onto `target` at (x, y), with
// per-pixel alpha or copied opaque; nothing without the strip or a target.
void DrawInlineIcon(class CDIB32* target, int n, int32_t x, int32_t y, bool alpha);

// Draws window button `button` (1..10) highlighted from the horizontal bar, whatever the style.
bool DrawIcon(uint8_t button);
// Draws the bottom window band onto `screen` at y 448: the text surface (window picture and glyphs),
// then the name plate, each with its alpha; a missing surface is left out.
void DrawMsgWindowBand(class CDIB32* screen);
// The window picture copied into the text surface at the configured opacity (the surface remade
// at the picture's size when it has another): the window of the current style emptied of its text.
void ResetWindowTextSurface(HWND hWnd);

namespace msgtext {

inline constexpr int kKinsokuCount = 27;
extern const uint16_t kKinsokuCodes[kKinsokuCount];

inline constexpr uint16_t kSpeakerMark = 0xA3A3;
inline constexpr uint16_t kBreakCode = 0xA1E7;
inline constexpr uint16_t kClickWaitCode = 0x81AB;

// The code of the character at p: lead * 256 + trail, a one-byte character's byte, or the lead
// alone when the text ends after it.
uint32_t CodeAt(const char* p);
// Bytes the layout steps over the character at p: 2 for a lead byte followed by a byte, else 1
// (a lead byte at the end of the text is one byte, so no step passes the terminator).
int CharBytes(const char* p);
// A system text given as UTF-8, as game text (GBK); converted once per call site.
std::string SystemText(const char* utf8);

} // namespace msgtext
