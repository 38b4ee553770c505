// Character codes of the message text, and the inline tags, hero-name tags and ruby readings that
// the message layout meets.
#include "scene/message_text.h"

#include <cstdlib>
#include <cstring>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "platform/text_codec.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace msgtext {

// Shown in the Shift-JIS code page: 、。！）」』☆♪？ぁぃぅぇぉゃゅょっァィゥェォャュョッ.
const uint16_t kKinsokuCodes[kKinsokuCount] = {0x8141, 0x8142, 0x8149, 0x816A, 0x8176, 0x8178, 0x8199,
                                               0x81F4, 0x8148, 0x829F, 0x82A1, 0x82A3, 0x82A5, 0x82A7,
                                               0x82E1, 0x82E3, 0x82E5, 0x82C1, 0x8340, 0x8342, 0x8344,
                                               0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362};

uint32_t CodeAt(const char* p) {
    const auto b = static_cast<uint8_t>(p[0]);
    if (b >= 0x80 && p[1] != '\0')
        return b * 256u + static_cast<uint8_t>(p[1]);
    return b;
}

int CharBytes(const char* p) {
    return (static_cast<uint8_t>(p[0]) >= 0x80 && p[1] != '\0') ? 2 : 1;
}

std::string SystemText(const char* utf8) {
    return text_codec::Utf8ToGameTextLossy(utf8);
}

} // namespace msgtext

bool IsLeadByte(const char* p) {
    return static_cast<uint8_t>(*p) >= 0x80;
}

bool IsKinsokuChar(const char* p) {
    const uint32_t code = msgtext::CodeAt(p);
    for (uint16_t c : msgtext::kKinsokuCodes)
        if (c == code)
            return true;
    return false;
}

bool IsMarkCodeA(const char* p) {
    return msgtext::CodeAt(p) == msgtext::kBreakCode;
}

bool IsMarkCodeB(const char* p) {
    return msgtext::CodeAt(p) == msgtext::kClickWaitCode;
}

int InlineIconAt(const char* p) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (static_cast<uint8_t>(p[0]) != 0x81 || static_cast<uint8_t>(p[1]) != 0xE8 || !digit(p[2]) ||
        !digit(p[3]))
        return -1;
    return (p[2] - '0') * 10 + (p[3] - '0');
}

void DrawInlineIcon(CDIB32* target, int n, int32_t x, int32_t y, bool alpha) {
    CDIB32* strip = g_pScriptUiSurfaces[kUiInlineIcons];
    if (strip == nullptr || target == nullptr || n < 0)
        return;
    constexpr int16_t kIcon = 24;
    const auto sx = static_cast<int16_t>(kIcon * n);
    if (alpha)
        CDIB32::BltAlpha(target, x, y, strip, sx, 0, kIcon, kIcon);
    else
        CDIB32::Blt(target, x, y, strip, sx, 0, kIcon, kIcon);
}

namespace {

constexpr int kWorkSize = 256;
constexpr int32_t kTextSurfaceTop = 448; // the screen row where the bottom window's text surface lies
constexpr int kFieldSize = 128;
constexpr int kScriptSeChannels = kSePlayerSlots - 1;
// Face rectangle inside a character picture (layout index 0, the only one in use).
constexpr int16_t kFaceRect[4] = {174, 146, 40, 43};

// The tag's bytes from `text` on, zero-padded to the work size.
struct WorkArea {
    char b[kWorkSize] = {};
    int length = 0;
    explicit WorkArea(const char* text) {
        length = static_cast<int>(strnlen(text, kWorkSize - 1));
        std::memcpy(b, text, static_cast<size_t>(length));
    }
};

// A bracketed group of digits at p: each character overwrites the first byte of the field, so only
// the last one counts (a single digit). p ends past the closing bracket (or at the end).
int ReadDigitGroup(const WorkArea& w, int& p, char open, char close) {
    char field[kFieldSize] = {};
    if (w.b[p] == open)
        ++p;
    while (p < w.length && w.b[p] != close && w.b[p] != '#')
        field[0] = w.b[p++];
    if (w.b[p] == close)
        ++p;
    return static_cast<int>(std::strtol(field, nullptr, 10));
}

// Collects characters into `field` until one of the stop characters (or the end).
void Collect(const WorkArea& w, int& p, const char* stops, char (&field)[kFieldSize]) {
    int n = 0;
    while (p < w.length && std::strchr(stops, w.b[p]) == nullptr) {
        if (n < kFieldSize - 1)
            field[n++] = w.b[p];
        ++p;
    }
    field[n] = '\0';
}

// The file part of `name` (after the last '\' or '/') with its extension replaced by ".ogg".
void OggFileName(const char* name, char* out, size_t outSize) {
    const char* file = name;
    for (const char* q = name; *q != '\0'; ++q)
        if (*q == '\\' || *q == '/')
            file = q + 1;
    size_t n = std::strlen(file);
    if (const char* dot = std::strrchr(file, '.'))
        n = static_cast<size_t>(dot - file);
    if (n + 5 > outSize)
        n = outSize - 5;
    std::memcpy(out, file, n);
    std::memcpy(out + n, ".ogg", 5);
}

bool CtrlHeld() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}

void ClearLeftClick() {
    if (g_pMouse != nullptr)
        g_pMouse->state.left = 0;
}

void InvalidateFull() {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
}

} // namespace

bool CScriptMng::MessageRead() const {
    return m_msgId < sizeof g_SystemData.readFlags && g_SystemData.readFlags[m_msgId] != 0;
}

void CScriptMng::MarkMessageRead() {
    if (m_msgId < sizeof g_SystemData.readFlags)
        g_SystemData.readFlags[m_msgId] = 1;
}

uint32_t CScriptMng::ParseTextTag(const char* tagText, uint8_t index) {
    if (tagText == nullptr || tagText[0] != '#' || tagText[1] == '\0')
        return index + (tagText != nullptr && tagText[0] != '\0' && tagText[1] != '\0' ? 2u : 1u);
    const WorkArea w(tagText);
    int p = 2;
    // The index past the closing '#' at p, or the end of the text for an unterminated tag.
    auto close = [&](int at) -> uint32_t {
        while (at < w.length && w.b[at] != '#')
            ++at;
        return index + static_cast<uint32_t>(at) + (at < w.length ? 1u : 0u);
    };
    // A message laid out again keeps its font sizes; its faces, sounds, voice and pictures have
    // acted already. Every tag's fields end at its closing '#'.
    if (m_relayout != 0 && w.b[1] != 's') {
        const char known[] = "fbvp";
        return w.b[1] != '\0' && std::strchr(known, w.b[1]) != nullptr ? close(p) : index + 2u;
    }
    const bool read = MessageRead();
    const bool ctrlSkips = CtrlHeld() && (g_SystemData.skipUnread == 0 || read);

    switch (w.b[1]) {
        case 's': {
            char field[kFieldSize] = {};
            Collect(w, p, "#", field);
            const long height = std::strtol(field, nullptr, 10);
            // A size of 0 or a huge one would leave no readable text: such a tag keeps the font.
            if (g_GlyphFont != nullptr && height > 0 && height <= 128)
                g_GlyphFont->SetFont(static_cast<int32_t>(height), 0);
            return close(p);
        }
        case 'f': {
            const int slot = ReadDigitGroup(w, p, '(', ')');
            char field[kFieldSize] = {};
            if (w.b[p] == '[')
                ++p;
            Collect(w, p, "]#", field);
            const int frame = static_cast<int>(std::strtol(field, nullptr, 10));
            const uint32_t result = close(p);
            if (slot < 0 || slot >= kScriptCharSlots || frame < 0 || frame > 255)
                return result;
            if (g_pGameMain != nullptr)
                g_pGameMain->charSlotPicture[slot] = static_cast<uint8_t>(frame);
            CDIB32* base = g_pCharBaseSurfaces[slot];
            const int32_t slotX = g_pGameMain ? static_cast<int16_t>(g_pGameMain->charSlotX[slot]) : 0;
            const int32_t left = slotX - (base ? base->GetWidth() : 0) / 2;
            const int32_t fx = left + kFaceRect[0], fy = kFaceRect[1];
            const int32_t fw = kFaceRect[2], fh = kFaceRect[3];
            CDIB32* backup = g_Layer1Backup[0];
            if (g_FaceSurfaces[slot] == nullptr) {
                ShowMessage("Not FaceFrame", "Error:SetScrCharSet");
                return result;
            }
            const int32_t sx = frame % 5 * fw, sy = frame / 5 * fh;
            for (CDIB32* dst : {g_ScreenSurface, g_Layers[0]}) {
                if (dst == nullptr)
                    continue;
                if (backup != nullptr)
                    CDIB32::Blt(dst, fx, fy, backup, fx, fy, fw, fh);
                CDIB32::BltAlpha(dst, fx, fy, g_FaceSurfaces[slot], sx, sy, fw, fh);
            }
            InvalidateFull();
            return result;
        }
        case 'b': {
            const int channel = ReadDigitGroup(w, p, '(', ')');
            char name[kFieldSize] = {};
            Collect(w, p, "#", name);
            const uint32_t result = close(p);
            if (channel < 0 || channel >= kScriptSeChannels)
                return result;
            char file[kFieldSize + 8] = {};
            OggFileName(name, file, sizeof file);
            if (channel == 2 && g_pGameMain != nullptr) {
                std::memset(g_pGameMain->seName, 0, sizeof g_pGameMain->seName);
                std::strncpy(g_pGameMain->seName, file, sizeof g_pGameMain->seName - 1);
            }
            if (ctrlSkips || g_SystemData.seOff != 0)
                return result;
            CSeplay*& slotPlayer = g_pSeChannels[channel];
            if (slotPlayer != nullptr) {
                slotPlayer->Stop();
                delete slotPlayer;
            }
            slotPlayer = new CSeplay();
            if (slotPlayer->Open(file)) {
                slotPlayer->SetVolume(g_SystemData.seVolume);
                slotPlayer->Play(static_cast<uint8_t>(0));
            }
            return result;
        }
        case 'v': {
            ReadDigitGroup(w, p, '(', ')');
            char name[kFieldSize] = {};
            Collect(w, p, "#", name);
            const uint32_t result = close(p);
            std::memset(m_voiceFile, 0, sizeof m_voiceFile);
            OggFileName(name, m_voiceFile, sizeof m_voiceFile);
            const bool skipPasses = m_skipRead == 0 || (!read && g_SystemData.skipUnread != 0);
            if (!ctrlSkips && g_SystemData.seOff == 0 && skipPasses) {
                if (g_pGameMain != nullptr)
                    g_pGameMain->scene = kSceneVoiceWait;
                m_voicePending = 1;
                m_msgStep = 0;
            }
            ClearLeftClick();
            return result;
        }
        case 'p': {
            int slots[3] = {}, pictures[3] = {}, xs[3] = {};
            int groups = 0;
            p = 2;
            while (groups < 3 && p < w.length) {
                slots[groups] = ReadDigitGroup(w, p, '(', ')');
                pictures[groups] = ReadDigitGroup(w, p, '[', ']');
                char field[kFieldSize] = {};
                Collect(w, p, ":#", field);
                xs[groups] = static_cast<int>(std::strtol(field, nullptr, 10));
                ++groups;
                if (w.b[p] != ':')
                    break;
                ++p;
            }
            const uint32_t result = close(p);
            CDIB32* backup = g_Layer1Backup[0];
            if (backup == nullptr) {
                ShowMessage("Not BackUp", "error");
            } else {
                if (g_ScreenSurface != nullptr)
                    CDIB32::Blt(g_ScreenSurface, 0, 0, backup, 0, 0, 1024, 576);
                if (g_Layers[0] != nullptr)
                    CDIB32::Blt(g_Layers[0], 0, 0, backup, 0, 0, 1024, 576);
            }
            for (int k = 0; k < groups; ++k) {
                const int slot = slots[k];
                if (slot < 0 || slot >= kScriptCharSlots || g_pGameMain == nullptr)
                    continue;
                g_pGameMain->charSlotX[slot] = static_cast<uint16_t>(xs[k]);
                g_pGameMain->charSlotShown[slot] = 1;
                g_pGameMain->charSlotPicture[slot] = static_cast<uint8_t>(pictures[k]);
                CDIB32* base = g_pCharBaseSurfaces[slot];
                if (base == nullptr || backup == nullptr)
                    continue;
                const int32_t left = static_cast<int16_t>(xs[k]) - base->GetWidth() / 2;
                for (CDIB32* dst : {g_ScreenSurface, g_Layers[0]})
                    if (dst != nullptr)
                        CDIB32::BltAlpha(dst, left, 0, base, 0, 0, base->GetWidth(), base->GetHeight());
            }
            InvalidateFull();
            return result;
        }
        default:
            return index + 2u;
    }
}

uint32_t CScriptMng::ParseNameTag(const char* tagText, uint8_t index) {
    const WorkArea w(tagText);
    char name[kWorkSize] = {};
    int n = 0;
    for (int p = 1; p < w.length && w.b[p] != ')'; ++p)
        name[n++] = w.b[p];
    if (std::strcmp(name, "name01") == 0)
        m_nameSlot = 1;
    else if (std::strcmp(name, "name02") == 0)
        m_nameSlot = 2;
    // Unterminated: the tag runs to the end of the text.
    const bool closed = 1 + n < w.length;
    return index + static_cast<uint32_t>(n) + (closed ? 2u : 1u);
}

namespace {

// The reading between the second '<' at text and its '>' (at most 127 bytes); its byte count in
// the text (without the brackets) goes to `consumed`.
int ReadRuby(const char* text, char (&reading)[128], int& consumed, bool& closed) {
    const WorkArea w(text);
    int n = 0, p = 1;
    while (p < w.length && w.b[p] != '>') {
        if (n < 127)
            reading[n++] = w.b[p];
        ++p;
    }
    reading[n] = '\0';
    consumed = p - 1;
    closed = p < w.length;
    return n;
}

} // namespace

namespace {

// The reading of a ruby tag centred over the base text between m_rubyStartX and m_rubyEndX, in the
// 12-pixel font: down the column on `vertical` (style 1), else on the text surface at m_rubyY less
// `windowTop`, or in the caption band (style 2), whose text is drawn on the screen itself, at the
// same place on the screen. The font of the style is set again afterwards. Returns the index past
// the tag.
uint32_t DrawRuby(CScriptMng& s, CDIB32* vertical, int32_t windowTop, bool needsSurface, const char* tagText,
                  uint8_t index) {
    char reading[128] = {};
    int consumed = 0;
    bool closed = false;
    const int length = ReadRuby(tagText, reading, consumed, closed);
    const uint32_t result = index + static_cast<uint32_t>(consumed) + (closed ? 2u : 1u);
    if (s.m_rubyEndX < s.m_rubyStartX || g_GlyphFont == nullptr)
        return result;
    const bool columns = s.m_windowStyle == 1;
    if (columns && needsSurface && vertical == nullptr)
        return result;
    g_GlyphFont->SetFont(12, columns ? 1 : 0);
    const bool band = s.m_windowStyle == 2;
    CDIB32* horizontal = band ? g_ScreenSurface : g_TextSurface;
    const int32_t y = s.m_rubyY - windowTop + (band ? kTextSurfaceTop : 0);
    int32_t start = s.m_rubyStartX + (s.m_rubyEndX - s.m_rubyStartX) / 2 - (length / 2) * 6;
    for (int i = 0; i < length; i += 2) {
        char glyph[3] = {reading[i], i + 1 < length ? reading[i + 1] : '\0', '\0'};
        if (columns)
            start += g_GlyphFont->DrawStringGray4(vertical, s.m_rubyY, start, glyph, 0xFFFFFF);
        else
            start += g_GlyphFont->DrawString(horizontal, start, y, glyph, 0xFFFFFF);
    }
    g_GlyphFont->SetFont(columns ? 22 : 24, columns ? 1 : 0);
    return result;
}

} // namespace

uint32_t CScriptMng::DrawRubyText(const char* tagText, uint8_t index) {
    return DrawRuby(*this, g_Layers[0], 447, false, tagText, index);
}

uint32_t CScriptMng::DrawRubyTextAt(CDIB32* surface, const char* tagText, uint8_t index) {
    return DrawRuby(*this, surface, 448, true, tagText, index);
}

int16_t CScriptMng::DrawTextLine(const char* message) {
    const char* p = message + m_textIndex;
    char glyph[3] = {p[0], static_cast<char>(msgtext::CharBytes(p) == 2 ? p[1] : '\0'), '\0'};
    if (g_GlyphFont == nullptr || g_TextSurface == nullptr)
        return static_cast<int16_t>(msgtext::CharBytes(p) * 12);
    return g_GlyphFont->DrawString(g_TextSurface, m_textX, m_textY - 448, glyph, m_textColour);
}
