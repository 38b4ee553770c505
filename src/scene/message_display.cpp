// Scene 3: a message revealed glyph by glyph in window style 0 (bottom window, name plate), style 1
// (vertical columns over the picture) or style 2 (a caption band drawn at once), its click wait
// with AUTO, SKIP and hiding, and the small story waits around it.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/glyph_font.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "platform/clock.h"
#include "scene/choice_window.h"
#include "scene/message_text.h"
#include "scene/transition.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

namespace {

constexpr int32_t kStyle0LineX = 146;
constexpr int32_t kStyle0TopY = 500;
constexpr int32_t kLineStep = 40;
constexpr int32_t kColumnStep = 42;
constexpr int32_t kColumnTopY = 2;
constexpr int32_t kStyle2LineX = 72;
constexpr int kLineLimit[3] = {63, 45, 69}; // half-width units after which a line breaks
constexpr int32_t kCaptionLineStep = 24;
constexpr uint32_t kWhite = 0xFFFFFF;

// The x of a caption line centred on its first `bytes` bytes, at most a full line (70 bytes), so it
// never starts left of the screen.
uint16_t CaptionLineX(size_t bytes) {
    const size_t line = std::min<size_t>(bytes, kLineLimit[2] + 1);
    return static_cast<uint16_t>(400 - static_cast<int32_t>(line / 2) * 11);
}

uint8_t Scene() {
    return g_pGameMain ? g_pGameMain->scene : 0;
}
void SetSceneOf(uint8_t scene) {
    if (g_pGameMain != nullptr)
        g_pGameMain->scene = scene;
}
bool LeftClick() {
    return g_pMouse != nullptr && g_pMouse->state.left != 0;
}
bool RightClick() {
    return g_pMouse != nullptr && g_pMouse->state.right != 0;
}
bool HideKey() {
    return g_pKeyboard != nullptr && g_pKeyboard->space != 0;
}
void ClearLeft() {
    if (g_pMouse != nullptr)
        g_pMouse->state.left = 0;
}
// The page is drawn: the click wait begins, its icon animation and the AUTO delay start now.
void PageDone(CScriptMng& s, uint32_t now) {
    s.m_msgStep = 3;
    s.m_textDoneTime = now;
    s.m_clickWaitFrame = 0;
    s.m_clickWaitTime = now;
    ClearLeft();
}
bool Ctrl() {
    return g_pKeyboard != nullptr && g_pKeyboard->ctrl != 0;
}
void SetFullRect() {
    if (g_pGameMain != nullptr)
        g_pGameMain->fullRect = RECT{0, 0, 1024, 576};
}
template <typename P>
void DeletePlayer(P*& player) {
    if (player != nullptr) {
        player->Stop();
        delete player;
        player = nullptr;
    }
}
void FreeText(char*& text) {
    delete[] text;
    text = nullptr;
}
char* HeapCopy(const char* src, size_t length) {
    char* copy = new char[length + 1]();
    std::memcpy(copy, src, length);
    return copy;
}
uint32_t AutoDelay() {
    const uint32_t speed = g_SystemData.autoSpeed > 100 ? 100 : g_SystemData.autoSpeed;
    return (100 - speed) * 30;
}
void RaiseBacklogCount() {
    if (g_pGameMain != nullptr && g_pGameMain->backlogCount < kBacklogMax)
        ++g_pGameMain->backlogCount;
}
void LoadClickWaitIcon(const char* name) {
    auto* icon = new CDIB32();
    if (!icon->Load(name)) {
        delete icon;
        return;
    }
    ReplaceSurface(g_pScriptUiSurfaces[kUiClickWait], icon);
}
int StyleIndex(uint8_t style) {
    return style == 1 || style == 2 ? style : 0;
}
const std::string& HeroMarkName() {
    static const std::string name = msgtext::SystemText("主人公");
    return name;
}
// The plate of a speaker given as the hero word shows the hero's given name.
void PlateShowsGivenName(CScriptMng& s) {
    FreeText(s.m_pNamePlateText);
    s.m_pNamePlateText = HeapCopy(s.m_heroNames[1], strnlen(s.m_heroNames[1], sizeof s.m_heroNames[1]));
}
// The bottom window's page begins at its first line.
void StartBottomWindowLayout(CScriptMng& s) {
    s.m_lineCount = 0;
    s.m_textX = kStyle0LineX;
    s.m_textY = kStyle0TopY;
}
// The layout of a message begins at its first byte, with no hero name or ruby open.
void StartLayout(CScriptMng& s) {
    s.m_textIndex = 0;
    s.m_lineUnits = 0;
    s.m_nameSlot = 0;
    s.m_nameCharIndex = 0;
    s.m_rubyOpen = 0;
}
// The speaker's name on the name plate: centred on x 64 at y 12, glyph by glyph.
void DrawNamePlate(const char* name, uint32_t colour) {
    if (name == nullptr || g_GlyphFont == nullptr || g_NamePlateSurface == nullptr)
        return;
    const int32_t n = static_cast<int32_t>(strnlen(name, kMsgTextSize));
    int32_t x = 64 - ((n - 2) / 2) * 12;
    for (int32_t i = 0; i < n; i += 2) {
        char glyph[3] = {name[i], i + 1 < n ? name[i + 1] : '\0', '\0'};
        x += g_GlyphFont->DrawString(g_NamePlateSurface, x, 12, glyph, colour);
    }
}

} // namespace

// One layout step: consumes markup without cost and draws the next character (or two bytes of a
// hero name). Returns 0 when a character was drawn and more text follows, 1 when the text is
// finished (its last character drawn, or nothing left to draw), 2 when the message handed over to
// another scene (voice wait, in-page click wait).
int CScriptMng::RevealStep(const char* text) {
    const int style = StyleIndex(m_windowStyle);
    const size_t length = strnlen(text, kMsgTextSize - 1);
    auto lineBreak = [&] {
        m_lineUnits = 0;
        if (style == 1) {
            // A vertical page counts its messages, not its columns: the page redraw takes that many
            // rows of the backlog.
            m_textX = static_cast<uint16_t>(m_textX - kColumnStep);
            m_textY = kColumnTopY;
        } else {
            // A caption wraps 24 px down, as after its forced break, so its second line stays on the
            // screen.
            ++m_lineCount;
            m_textX = static_cast<uint16_t>(style == 0 ? kStyle0LineX : kStyle2LineX);
            m_textY = static_cast<int16_t>(m_textY + (style == 0 ? kLineStep : kCaptionLineStep));
        }
    };
    auto drawGlyph = [&](const char* p) {
        char glyph[3] = {p[0], msgtext::CharBytes(p) == 2 ? p[1] : '\0', '\0'};
        int16_t advance = 0;
        if (g_GlyphFont == nullptr) {
            advance = static_cast<int16_t>(msgtext::CharBytes(p) * 12);
        } else if (style == 0) {
            advance = g_GlyphFont->DrawString(g_TextSurface, m_textX, m_textY - 448, glyph, m_textColour);
        } else if (style == 1) {
            advance = g_GlyphFont->DrawStringGray4(g_Layers[0], m_textX, m_textY, glyph, kWhite);
        } else {
            advance = g_GlyphFont->DrawString(g_ScreenSurface, m_textX, m_textY, glyph, kWhite);
        }
        if (style == 1)
            m_textY = static_cast<int16_t>(m_textY + advance);
        else
            m_textX = static_cast<uint16_t>(m_textX + advance);
    };
    // A forced break (its mark stepped over). The caption's next line is centred on the rest of the
    // text and counts its width afresh.
    auto forcedBreak = [&] {
        if (style != 2) {
            lineBreak();
            return;
        }
        m_lineUnits = 0;
        ++m_lineCount;
        m_textY = static_cast<int16_t>(m_textY + kCaptionLineStep);
        m_textX = CaptionLineX(length - m_textIndex);
    };
    // A full line after a character: a line-start character that follows in `next` stays on it (and
    // `index` steps over it), then the line breaks.
    auto wrapIfFull = [&](const char* next, uint8_t& index) {
        if (m_lineUnits <= kLineLimit[style])
            return;
        if (next[0] != '\0' && IsKinsokuChar(next)) {
            drawGlyph(next);
            index = static_cast<uint8_t>(index + msgtext::CharBytes(next));
        }
        if (style != 1)
            lineBreak();
    };
    // A full vertical column breaks when the next character, ruby base or in-page wait comes: a
    // message that ends there, or has only markup behind it, leaves no empty column before the next.
    auto breakFullColumn = [&] {
        if (style == 1 && m_lineUnits > kLineLimit[1])
            lineBreak();
    };
    // After a drawn character: inline icon, forced break, and the full line with the line-start rule.
    auto afterChar = [&] {
        const char* p = text + m_textIndex;
        if (const int icon = InlineIconAt(p); icon >= 0) {
            if (style == 1) {
                DrawInlineIcon(g_Layers[0], icon, m_textX - 2, m_textY + 22, true);
                m_textY = static_cast<int16_t>(m_textY + 24);
            } else {
                if (style == 0)
                    DrawInlineIcon(g_TextSurface, icon, m_textX + 2, m_textY - 448, false);
                else
                    DrawInlineIcon(g_ScreenSurface, icon, m_textX + 2, m_textY, false);
                m_textX = static_cast<uint16_t>(m_textX + 26);
            }
            m_lineUnits = static_cast<uint8_t>(m_lineUnits + 4);
            m_textIndex = static_cast<uint8_t>(m_textIndex + 4);
            p = text + m_textIndex;
        }
        if (IsMarkCodeA(p)) {
            m_textIndex = static_cast<uint8_t>(m_textIndex + 2);
            forcedBreak();
            return;
        }
        wrapIfFull(p, m_textIndex);
    };

    auto finished = [&] { return m_nameSlot == 0 && m_textIndex >= length ? 1 : 0; };

    for (;;) {
        if (m_nameSlot != 0) {
            const char* name = m_heroNames[(m_nameSlot - 1) & 1];
            const size_t nameLength = strnlen(name, sizeof m_heroNames[0]);
            const bool drawn = m_nameCharIndex < nameLength;
            if (drawn) {
                const int bytes = msgtext::CharBytes(name + m_nameCharIndex);
                drawGlyph(name + m_nameCharIndex);
                m_nameCharIndex = static_cast<uint8_t>(m_nameCharIndex + bytes);
                m_lineUnits = static_cast<uint8_t>(m_lineUnits + bytes);
                // Inside the name only the line's width counts; the marks behind its tag follow the
                // whole name.
                if (m_nameCharIndex < nameLength)
                    wrapIfFull(name + m_nameCharIndex, m_nameCharIndex);
                if (m_nameCharIndex < nameLength)
                    return 0;
            }
            m_nameSlot = 0;
            m_nameCharIndex = 0;
            if (!drawn)
                continue;
            afterChar();
            return finished();
        }
        if (m_textIndex >= length)
            return 1;
        const char* p = text + m_textIndex;
        if (*p == '#') {
            const uint8_t before = Scene();
            const uint32_t next = ParseTextTag(p, m_textIndex);
            m_textIndex = static_cast<uint8_t>(next > length ? length : next);
            if (Scene() != before)
                return 2;
            continue;
        }
        if (*p == '(' && style == 0) {
            m_nameSlot = 0;
            m_nameCharIndex = 0;
            const uint32_t next = ParseNameTag(p, m_textIndex);
            m_textIndex = static_cast<uint8_t>(next > length ? length : next);
            continue;
        }
        if (*p == '<') {
            if (m_rubyOpen == 0) {
                breakFullColumn();
                if (style == 1) {
                    m_rubyY = static_cast<int16_t>(m_textX + 24);
                    m_rubyStartX = static_cast<int16_t>(m_textY + 22);
                } else {
                    m_rubyStartX = static_cast<int16_t>(m_textX);
                    m_rubyY = static_cast<int16_t>(m_textY - 12);
                }
                m_rubyOpen = 1;
                ++m_textIndex;
            } else {
                m_rubyEndX = static_cast<int16_t>(style == 1 ? m_textY : m_textX);
                const uint32_t next = DrawRubyText(p, m_textIndex);
                m_textIndex = static_cast<uint8_t>(next > length ? length : next);
                m_rubyOpen = 0;
            }
            continue;
        }
        if (style == 1 && IsMarkCodeB(p)) {
            breakFullColumn();
            m_textIndex = static_cast<uint8_t>(m_textIndex + 2);
            // Laid out again, a wait the reveal has passed or stands at is a step that draws nothing.
            if (m_relayout != 0)
                return 0;
            m_clickWaitFrame = 0;
            m_clickWaitTime = timeGetTime();
            m_msgStep = 3;
            LoadClickWaitIcon("system\\click_wait02.bmp");
            SetSceneOf(kSceneClickWait);
            ClearLeft();
            return 2;
        }
        if (IsMarkCodeA(p)) {
            // A break with no character before it.
            m_textIndex = static_cast<uint8_t>(m_textIndex + 2);
            forcedBreak();
            continue;
        }
        breakFullColumn();
        const int bytes = msgtext::CharBytes(p);
        const uint32_t code = msgtext::CodeAt(p);
        if (code != 0xA1A1 || g_GlyphFont == nullptr)
            drawGlyph(p);
        else if (style == 1)
            m_textY = static_cast<int16_t>(m_textY + g_GlyphFont->GetHeight());
        else
            m_textX = static_cast<uint16_t>(m_textX + g_GlyphFont->GetHeight());
        m_textIndex = static_cast<uint8_t>(m_textIndex + bytes);
        m_lineUnits = static_cast<uint8_t>(m_lineUnits + bytes);
        afterChar();
        return finished();
    }
}

// Step 3 of every style: hiding, advancing by click, Ctrl, SKIP or AUTO. Returns once it acted.
void CScriptMng::MessageClickWait() {
    const int style = StyleIndex(m_windowStyle);
    if (m_windowHidden != 0) {
        if (LeftClick() || RightClick() || HideKey()) {
            if (g_pMouse != nullptr)
                g_pMouse->state.left = g_pMouse->state.right = 0;
            if (g_pKeyboard != nullptr)
                g_pKeyboard->space = 0;
            if (g_SavedScreenSurface != nullptr && g_ScreenSurface != nullptr) {
                CDIB32::Blt(g_ScreenSurface, 0, 0, g_SavedScreenSurface, 0, 0, 1024, 576);
                if (style == 1 && g_Layers[0] != nullptr)
                    CDIB32::Blt(g_Layers[0], 0, 0, g_SavedScreenSurface, 0, 0, 1024, 576);
            }
            ReplaceSurface(g_SavedScreenSurface, nullptr);
            SetFullRect();
            m_windowHidden = 0;
            m_redrawWindow = 1;
        }
        return;
    }
    if (style == 0)
        m_textColour = kWhite;
    const bool rightHides = style != 2 && RightClick() && g_SystemData.rightClickMode != 0;
    if (HideKey() || rightHides) {
        if (rightHides) {
            g_pMouse->state.right = 0;
            PlayWindowClick();
        }
        if (g_pKeyboard != nullptr)
            g_pKeyboard->space = 0;
        auto* saved = new CDIB32();
        if (saved->Create(m_hWnd, 1024, 576, 24)) {
            if (g_ScreenSurface != nullptr)
                CDIB32::Blt(saved, 0, 0, g_ScreenSurface, 0, 0, 1024, 576);
            ReplaceSurface(g_SavedScreenSurface, saved);
        } else {
            delete saved;
        }
        if (g_ScreenSurface != nullptr && g_Layers[0] != nullptr)
            CDIB32::Blt(g_ScreenSurface, 0, 0, g_Layers[0], 0, 0, 1024, 576);
        SetFullRect();
        m_windowHidden = 1;
        m_redrawWindow = 0;
        return;
    }
    const bool read = MessageRead();
    const uint8_t passUnread = g_SystemData.skipUnread;
    const bool advance = (LeftClick() && m_btnHeld == 0 && m_hoverButton == 0) ||
                         (Ctrl() && ((passUnread == 0 && read) || passUnread == 1)) || m_skipAll != 0 ||
                         (m_skipRead != 0 && (read || passUnread == 1));
    auto finish = [&] {
        ClearLeft();
        MarkMessageRead();
        m_msgStep = 0;
        FreeText(m_pNamePlateText);
        if (style == 1)
            m_param63 = 0;
        SetSceneOf(kSceneScript);
    };
    if (advance) {
        if (style == 2 || g_SystemData.voiceCutOnClick != 0)
            DeletePlayer(g_VoicePlayers[0]);
        DeletePlayer(g_pSeChannels[0]);
        finish();
        return;
    }
    if (m_autoMode != 0) {
        if (CVoiceplay* voice = g_VoicePlayers[0]) {
            if (voice->IsStopped()) {
                DeletePlayer(g_VoicePlayers[0]);
                finish();
            }
            return;
        }
        if (timeGetTime() - m_textDoneTime > AutoDelay())
            finish();
    }
}

// Step 0 for styles 0 and 1. Returns true when the message was a speaker-name line (it ended).
bool CScriptMng::MessageStart(const char* text) {
    // SKIP stops at the first unread message, its held button with it: a held SKIP button would turn
    // it on again in the same frame.
    if (m_skipRead != 0 && g_SystemData.skipUnread == 0 && !MessageRead()) {
        m_skipRead = 0;
        m_btnHeld = 0;
        m_btnHeldNo = 0;
    }
    if (msgtext::CodeAt(text) == msgtext::kSpeakerMark) {
        const size_t n = strnlen(text + 2, kMsgTextSize - 3);
        FreeText(m_pNamePlateText);
        m_pNamePlateText = HeapCopy(text + 2, n);
        // Every style here but the vertical one is laid out as the bottom window, with its plate.
        if (m_windowStyle != 1) {
            FreeText(m_pExtraText);
            m_pExtraText = HeapCopy(text + 2, n);
            if (HeroMarkName() == m_pNamePlateText)
                PlateShowsGivenName(*this);
        }
        ClearLeft();
        m_msgStep = 0;
        SetSceneOf(kSceneScript);
        return true;
    }
    return false;
}

void ResetWindowTextSurface(HWND hWnd) {
    CDIB32* window = g_MsgWindowSurface;
    if (window == nullptr)
        return;
    if (g_TextSurface == nullptr || g_TextSurface->GetWidth() != window->GetWidth() ||
        g_TextSurface->GetHeight() != window->GetHeight()) {
        auto* surface = new CDIB32();
        if (!surface->Create(hWnd, static_cast<uint16_t>(window->GetWidth()),
                             static_cast<uint16_t>(window->GetHeight()), 32)) {
            delete surface;
            return;
        }
        ReplaceSurface(g_TextSurface, surface);
    }
    BltCopyLevel(g_TextSurface, 0, 0, window, 0, 0, static_cast<int16_t>(window->GetWidth()),
                 static_cast<int16_t>(window->GetHeight()), MsgWindowBlendLevel());
}

void CScriptMng::PrepareStyle0Window() {
    // The vertical style keeps its panel and its button bar in these surfaces; the caption band has
    // no window.
    if (!HasBottomWindow())
        return;
    ResetWindowTextSurface(m_hWnd);
    CDIB32* clean = g_pScriptUiSurfaces[kUiFrameWork];
    if (g_NamePlateSurface != nullptr && clean != nullptr)
        CDIB32::Blt(g_NamePlateSurface, 0, 0, clean, 0, 0, clean->GetWidth(), clean->GetHeight());
}

bool CScriptMng::ModeMessageStyle0(const char* text) {
    return ModeMessageWindow(text != nullptr ? text : "");
}
bool CScriptMng::ModeMessageStyle1(const char* text) {
    return ModeMessageWindow(text != nullptr ? text : "");
}

bool CScriptMng::ModeMessageWindow(const char* text) {
    const bool vertical = m_windowStyle == 1;
    MsgWndRightClick();
    m_prevHoverButton = m_hoverButton;
    m_hoverButton = GetMsgButtonAt();
    const uint32_t now = timeGetTime();
    const int8_t speed = g_SystemData.messageSpeed;
    switch (m_msgStep) {
        case 0:
            if (MessageStart(text))
                return true;
            PrepareStyle0Window();
            m_redrawWindow = 1;
            m_msgStep = 1;
            return true;
        case 1:
            if (!vertical) {
                DrawNamePlate(m_pNamePlateText, m_textColour);
                StartBottomWindowLayout(*this);
            } else {
                FreeText(m_pNamePlateText);
                m_textY = kColumnTopY;
                m_hoverButton = m_prevHoverButton = 0;
                ++m_lineCount;
                m_msgStartX = m_textX;
            }
            StartLayout(*this);
            RaiseBacklogCount();
            m_msgStep = 2;
            return true;
        case 2: {
            const bool read = MessageRead();
            const uint8_t passUnread = g_SystemData.skipUnread;
            const bool all = (Ctrl() && passUnread == 0 && read) || m_skipAll != 0 ||
                             (Ctrl() && passUnread == 1) || (m_skipRead != 0 && (read || passUnread == 1)) ||
                             (LeftClick() && m_btnHeld == 0) || speed == 100;
            int result = 0;
            if (all) {
                // Bounded by the text length: every step consumes at least one byte.
                for (int guard = 0; guard < 2 * kMsgTextSize && (result = RevealStep(text)) == 0; ++guard) {
                }
            } else {
                result = RevealStep(text);
            }
            if (result == 2)
                return true;
            if (result == 0 && speed >= 0 && speed <= 99) {
                m_charTime = now;
                m_msgStep = 4;
                return true;
            }
            if (result == 0)
                return true;
            if (vertical) {
                m_textX = static_cast<uint16_t>(m_textX - kColumnStep);
                SetFullRect();
            }
            PageDone(*this, now);
            return true;
        }
        case 4:
            if (now - m_charTime > static_cast<uint32_t>(100 - speed) || LeftClick() || Ctrl())
                m_msgStep = 2;
            return true;
        case 3:
            MessageClickWait();
            return true;
        default:
            m_msgStep = 0;
            return true;
    }
}

bool CScriptMng::ModeMessageStyle2(const char* text) {
    if (text == nullptr)
        text = "";
    const uint32_t now = timeGetTime();
    switch (m_msgStep) {
        case 0:
            FreeText(m_pNamePlateText);
            m_redrawWindow = 1;
            m_msgStep = 1;
            return true;
        case 1: {
            if (g_ScreenSurface != nullptr)
                g_ScreenSurface->FillRect(0, 490, 1024, 110, 0);
            const size_t length = strnlen(text, kMsgTextSize - 1);
            // The first forced break, searched character by character (tags and one-byte characters
            // may stand before it); the text's end when there is none.
            size_t i = 0;
            while (i < length && !IsMarkCodeA(text + i))
                i += static_cast<size_t>(msgtext::CharBytes(text + i));
            // One line at y 530, centred on the whole text; a caption of two lines starts at 518,
            // where its second one still fits above the screen's bottom edge, centred on its first.
            if (length <= 70 && i >= length) {
                m_textY = 530;
                m_textX = CaptionLineX(length);
            } else {
                m_textX = CaptionLineX(i);
                m_textY = 518;
            }
            m_textIndex = 0;
            m_lineUnits = 0;
            m_lineCount = 0;
            m_nameSlot = 0;
            m_rubyOpen = 0;
            m_msgStep = 2;
            return true;
        }
        case 2: {
            int result = 0;
            for (int guard = 0; guard < 2 * kMsgTextSize && (result = RevealStep(text)) == 0; ++guard) {
            }
            if (result == 2)
                return true;
            // The AUTO delay counts from this page.
            PageDone(*this, now);
            return true;
        }
        case 3:
            MessageClickWait();
            return true;
        default:
            m_msgStep = 0;
            return true;
    }
}

// ---- Story waits -------------------------------------------------------------------------------------

bool CScriptMng::ModeSpeakerLine(const char* text) {
    if (text == nullptr)
        text = "";
    switch (m_msgStep) {
        case 0:
            if (msgtext::CodeAt(text) == msgtext::kSpeakerMark) {
                FreeText(m_pNamePlateText);
                m_pNamePlateText = HeapCopy(text + 2, strnlen(text + 2, kMsgTextSize - 3));
                ClearLeft();
                SetSceneOf(kSceneScript);
                return true;
            }
            m_msgStep = 1;
            return true;
        case 1:
            RaiseBacklogCount();
            m_msgStep = 2;
            return true;
        default:
            m_msgStep = 0;
            FreeText(m_pNamePlateText);
            MarkMessageRead();
            SetSceneOf(kSceneScript);
            return true;
    }
}

bool CScriptMng::ModeWaitClick() {
    switch (m_msgStep) {
        case 0:
            m_msgStep = 1;
            return true;
        case 1:
            if (LeftClick()) {
                ClearLeft();
                m_msgStep = 2;
            }
            return true;
        default:
            m_msgStep = 0;
            SetSceneOf(kSceneScript);
            return true;
    }
}

bool CScriptMng::ModeWaitVoice() {
    const int channel = m_voiceChannel < kVoicePlayerSlots ? m_voiceChannel : -1;
    switch (m_msgStep) {
        case 0:
            m_msgStep = 1;
            return true;
        case 1:
            if (Ctrl() || m_skipRead != 0 || m_skipEffects != 0)
                m_msgStep = 2;
            if (channel < 0 || g_VoicePlayers[channel] == nullptr || g_VoicePlayers[channel]->IsStopped())
                m_msgStep = 2;
            return true;
        default:
            for (CVoiceplay*& player : g_VoicePlayers)
                DeletePlayer(player);
            SetSceneOf(kSceneScript);
            m_msgStep = 0;
            m_voiceChannel = 0;
            return true;
    }
}

bool CScriptMng::ModeStopVoice() {
    if (m_msgStep == 0) {
        m_msgStep = 2;
        return true;
    }
    if (m_voiceChannel < kVoicePlayerSlots)
        DeletePlayer(g_VoicePlayers[m_voiceChannel]);
    SetSceneOf(kSceneScript);
    m_msgStep = 0;
    m_voiceChannel = 0;
    return true;
}

bool CScriptMng::ModeVoiceWait() {
    switch (m_msgStep) {
        case 0:
            if (LeftClick()) {
                ClearLeft();
                DeletePlayer(g_VoicePlayers[0]);
                m_msgStep = 1;
            }
            if (CVoiceplay* voice = g_VoicePlayers[0]) {
                if (voice->IsStopped()) {
                    DeletePlayer(g_VoicePlayers[0]);
                    ClearLeft();
                    m_msgStep = 1;
                }
            } else if (m_msgStep == 0 && timeGetTime() - m_textDoneTime > AutoDelay()) {
                ClearLeft();
                m_msgStep = 1;
            }
            return true;
        case 1: {
            DeletePlayer(g_VoicePlayers[0]);
            auto* voice = new CVoiceplay();
            g_VoicePlayers[0] = voice;
            if (voice->OpenVoice(m_voiceFile))
                voice->Play(static_cast<uint8_t>(0));
            m_msgStep = 2;
            return true;
        }
        default:
            ClearLeft();
            m_voicePending = 0;
            SetSceneOf(kSceneMessage);
            m_msgStep = 2;
            return true;
    }
}

bool CScriptMng::ModeClickWait() {
    m_prevHoverButton = m_hoverButton;
    MsgWndRightClick();
    m_hoverButton = GetMsgButtonAt();
    if (m_msgStep != 3 || m_hoverButton != 0)
        return true;
    if (LeftClick() || Ctrl() || m_skipRead != 0 || m_autoMode != 0) {
        if (g_ScreenSurface != nullptr && g_Layers[0] != nullptr)
            CDIB32::Blt(g_ScreenSurface, m_textX - 5, m_textY + 20, g_Layers[0], m_textX - 5, m_textY + 20,
                        28, 28);
        ClearLeft();
        if (g_pKeyboard != nullptr)
            g_pKeyboard->ctrl = 0;
        m_msgStep = 2;
        SetSceneOf(kSceneMessage);
        LoadClickWaitIcon("system\\click_wait00.bmp");
    }
    return true;
}

// ---- Page redraw and standing characters ------------------------------------------------------------

namespace {

// The vertical page drawn again on layer 0: the picture that the pages of the style start from, the
// panel remade at the configured opacity with its button bar, and the page's messages but the newest
// `leaveOut`, in the vertical font. False, with nothing drawn, without that picture or layer 0.
bool RedrawVerticalPage(CScriptMng& s, uint32_t leaveOut) {
    CDIB32* base = g_Layer1Backup[1];
    CDIB32* page = g_Layers[0];
    if (base == nullptr || page == nullptr)
        return false;
    ResetWindowTextSurface(s.m_hWnd);
    kestrel::fx::CopyClipped(page, 0, 0, base, 0, 0, 1024, 576);
    kestrel::transition::DrawVerticalWindow(page);
    if (g_GlyphFont != nullptr)
        g_GlyphFont->SetFont(22, 1);
    s.RedrawMessagePage(page, leaveOut);
    return true;
}

} // namespace

void CScriptMng::RelayoutMessageWindow(bool afterMessage) {
    const bool vertical = m_windowStyle == 1;
    if (m_windowStyle == 2 || (vertical && m_windowHidden != 0))
        return;
    const char* text = m_pMsgText != nullptr ? m_pMsgText : "";
    // The message has drawn from step 2 on; before, its page is not set up yet.
    const bool begun = afterMessage || (m_msgStep >= 2 && m_msgStep <= 4);
    // How far the reveal had come: the text byte, and the character of a hero name inside it.
    const uint8_t index = m_textIndex, nameSlot = m_nameSlot, nameChar = m_nameCharIndex;
    auto reached = [&] {
        if (m_textIndex != index)
            return m_textIndex > index;
        return nameSlot == 0 ? m_nameSlot == 0 : m_nameCharIndex >= nameChar;
    };
    // A finished vertical message has moved its pen on to the column where the next one begins.
    const uint16_t penX = m_textX;
    const int16_t penY = m_textY;
    if (vertical) {
        if (!RedrawVerticalPage(*this, begun ? 1 : 0))
            return;
        m_textX = m_msgStartX;
        m_textY = kColumnTopY;
    } else {
        PrepareStyle0Window();
        if (m_pNamePlateText != nullptr && m_pExtraText != nullptr && HeroMarkName() == m_pExtraText)
            PlateShowsGivenName(*this);
        if (!begun)
            return;
        DrawNamePlate(m_pNamePlateText, m_textColour);
        if (g_GlyphFont != nullptr)
            g_GlyphFont->SetFont(24, 0);
        StartBottomWindowLayout(*this);
    }
    if (begun) {
        StartLayout(*this);
        m_relayout = 1;
        // Bounded by the text length: every step consumes at least one byte.
        for (int guard = 0; guard < 2 * kMsgTextSize && !reached(); ++guard)
            if (RevealStep(text) != 0)
                break;
        m_relayout = 0;
    }
    if (vertical) {
        m_textX = penX;
        m_textY = penY;
    }
}

void CScriptMng::RedrawMessagePage(CDIB32* surface, uint32_t leaveOutNewest) {
    if (g_pGameMain == nullptr)
        return;
    const uint32_t all = g_pGameMain->backlogCount > kBacklogMax ? kBacklogMax : g_pGameMain->backlogCount;
    const uint32_t count = all > leaveOutNewest ? all - leaveOutNewest : 0;
    const uint32_t rows = m_lineCount > leaveOutNewest ? m_lineCount - leaveOutNewest : 0;
    const uint32_t lines = rows < count ? rows : count;
    int32_t x = 920, y = kColumnTopY;
    const uint8_t style = m_windowStyle;
    m_windowStyle = 1; // the ruby painter draws the vertical form
    auto draw = [&](const char* p) {
        char glyph[3] = {p[0], msgtext::CharBytes(p) == 2 ? p[1] : '\0', '\0'};
        if (g_GlyphFont == nullptr)
            return static_cast<int32_t>(22 * msgtext::CharBytes(p) / 2);
        const int16_t advance = surface ? g_GlyphFont->DrawStringGray4(surface, x, y, glyph, kWhite) : 0;
        return advance != 0 ? static_cast<int32_t>(advance) : g_GlyphFont->GetHeight();
    };
    for (uint32_t k = 0; k < lines; ++k) {
        const char* text = g_pGameMain->backlogText[count - lines + k];
        const size_t length = strnlen(text, kBacklogRowSize - 1);
        int units = 0;
        bool rubyOpen = false;
        y = kColumnTopY;
        auto newColumn = [&] {
            x -= kColumnStep;
            y = kColumnTopY;
            units = 0;
        };
        // As on the live page, a full column breaks when the next character, ruby base or wait comes.
        auto breakFullColumn = [&] {
            if (units >= 46)
                newColumn();
        };
        for (size_t i = 0; i < length;) {
            const char* p = text + i;
            if (*p == '#') {
                const char* end = static_cast<const char*>(std::memchr(p + 1, '#', length - i - 1));
                i = end ? static_cast<size_t>(end - text) + 1 : length;
                continue;
            }
            if (*p == '<') {
                if (!rubyOpen) {
                    breakFullColumn();
                    m_rubyY = static_cast<int16_t>(x + 24);
                    m_rubyStartX = static_cast<int16_t>(y + 22);
                    rubyOpen = true;
                    ++i;
                } else {
                    m_rubyEndX = static_cast<int16_t>(y);
                    const uint32_t next = DrawRubyTextAt(surface, p, static_cast<uint8_t>(i));
                    i = next > length ? length : next;
                    rubyOpen = false;
                }
                continue;
            }
            if (IsMarkCodeB(p)) {
                breakFullColumn();
                i += 2;
                continue;
            }
            if (IsMarkCodeA(p)) {
                newColumn();
                i += 2;
                continue;
            }
            breakFullColumn();
            const int bytes = msgtext::CharBytes(p);
            y += draw(p);
            units += bytes;
            i += static_cast<size_t>(bytes);
            const char* q = text + i;
            if (const int icon = bytes == 2 ? InlineIconAt(q) : -1; icon >= 0) {
                DrawInlineIcon(surface, icon, x - 2, y + 22, true);
                y += 24;
                units += 4;
                i += 4;
                q = text + i;
            }
            if (IsMarkCodeA(q)) {
                newColumn();
                i += 2;
            } else if (units >= 46 && i < length && IsKinsokuChar(q)) {
                y += draw(q);
                i += static_cast<size_t>(msgtext::CharBytes(q));
            }
        }
        if (y != kColumnTopY)
            x -= kColumnStep;
    }
    m_windowStyle = style;
    m_textX = static_cast<uint16_t>(x);
    m_textY = kColumnTopY;
}

void CScriptMng::RestoreScrCharSet(CDIB32* surface) {
    if (g_pGameMain == nullptr)
        return;
    for (int slot = 0; slot < kScriptCharSlots; ++slot) {
        const char* name = g_pGameMain->charBasePictureNames[slot];
        if (name[0] == '\0')
            continue;
        ReplaceSurface(g_pCharBaseSurfaces[slot], nullptr);
        const std::string path = std::string("chara\\") + std::string(name, strnlen(name, kNameLength));
        auto* base = new CDIB32();
        base->Load(path.c_str());
        // The face sheet comes back with its character, as the load command gave it.
        ReplaceSurface(g_FaceSurfaces[slot], LoadFaceSheet(m_hWnd, path));
        g_pCharBaseSurfaces[slot] = base;
        if (surface != nullptr && g_pGameMain->charSlotShown[slot] != 0)
            CDIB32::BltAlpha(surface,
                             static_cast<int16_t>(g_pGameMain->charSlotX[slot]) - base->GetWidth() / 2, 0,
                             base, 0, 0, base->GetWidth(), base->GetHeight());
    }
}

// Scene 59: the window is drawn once, then the story waits for the sound effect of table entry
// m_waitSeChannel. Ctrl, the skip-effects option, SKIP or a click cut the waited effect.
bool CScriptMng::ModeWaitSe() {
    CSeplay** player = m_waitSeChannel < kSePlayerSlots ? &g_SePlayers[m_waitSeChannel] : nullptr;
    switch (m_msgStep) {
        case 0: {
            m_msgStep = 1;
            m_redrawWindow = 0;
            CDIB32* screen = g_ScreenSurface;
            if (screen == nullptr)
                return true;
            if (g_NamePlateSurface != nullptr && g_Layers[0] != nullptr)
                CDIB32::Blt(screen, 0, 448, g_Layers[0], 0, 448, g_NamePlateSurface->GetWidth(),
                            g_NamePlateSurface->GetHeight());
            // The bottom window: its picture at its opacity (the name plate keeps the last speaker's
            // name) and its button strip. The vertical page and the caption band have none.
            if (HasBottomWindow()) {
                ResetWindowTextSurface(m_hWnd);
                DrawMsgWindowBand(screen);
                if (CDIB32* buttons = g_pScriptUiSurfaces[kUiWindowButtons]) {
                    CDIB32::BltAlpha(screen, 348, 570, buttons, 0, 0, buttons->GetWidth(), 24);
                    // SKIP and AUTO in their second state: the cell 24 pixels lower.
                    if (m_skipRead != 0)
                        CDIB32::BltAlpha(screen, 760, 455, buttons, 0, 24, 24, 30);
                    if (m_autoMode != 0)
                        CDIB32::BltAlpha(screen, 792, 455, buttons, 24, 24, 30, 30);
                }
            }
            DrawMsgButton(m_hoverButton);
            if (m_btnHeld != 0)
                MsgWndButtonAction(m_hoverButton);
            return true;
        }
        case 1:
            if (player != nullptr && *player != nullptr && (*player)->IsStopped()) {
                DeletePlayer(*player);
                m_msgStep = 2;
            } else if (!(Ctrl() || m_skipEffects != 0 || m_skipRead != 0 || LeftClick())) {
                if (player == nullptr || *player == nullptr)
                    m_msgStep = 2;
            } else {
                if (player != nullptr)
                    DeletePlayer(*player);
                ClearLeft();
                m_msgStep = 2;
            }
            return true;
        default:
            m_msgStep = 0;
            SetSceneOf(kSceneScript);
            return true;
    }
}
