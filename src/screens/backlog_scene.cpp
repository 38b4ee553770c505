#include "screens/backlog_scene.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "app/game_main.h"
#include "app/input.h"
#include "graphics/dib32.h"
#include "graphics/effect_table.h"
#include "graphics/glyph_font.h"
#include "graphics/surfaces.h"
#include "scene/message_text.h"
#include "screens/system_data.h"
#include "script/ops_sound.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kMarkerColour = 0xF000FF; // red 240, green 0, blue 255
constexpr char kClickSound[] = "sys_a002.ogg";
constexpr int32_t kLineBytes = 64; // bytes on a line of text before it breaks
constexpr int32_t kLineStep = 40;
constexpr int32_t kTextX = 98;
constexpr int32_t kVoiceIconX = 128;
constexpr int kSpeakerPrefixes = 11;

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

CDIB32* Snapshot() {
    return g_pScriptUiSurfaces[kUiSnapshot];
}

int32_t EntryCount() {
    if (!g_pGameMain) {
        return 0;
    }
    return static_cast<int32_t>(std::min<uint32_t>(g_pGameMain->backlogCount, kBacklogMax));
}

// A row of one of the three tables as a terminated string, whatever the row holds.
struct Row {
    char text[kBacklogRowSize + 1] = {};
    uint32_t length = 0;
    explicit Row(const char* row) {
        std::memcpy(text, row, kBacklogRowSize);
        length = static_cast<uint32_t>(std::strlen(text));
    }
};

int16_t DrawGlyph(CDIB32* target, int32_t x, int32_t y, const char* p, uint32_t colour) {
    if (!g_GlyphFont) {
        return 0;
    }
    return g_GlyphFont->DrawString(target, x, y, p, colour);
}

// Skips to the byte after the next `stop` from i (or to the end).
uint32_t SkipPast(const char* text, uint32_t length, uint32_t i, char stop) {
    while (i < length && text[i] != stop) {
        ++i;
    }
    return i < length ? i + 1 : length;
}

} // namespace

int CBacklogScene::SpeakerIndex(const char* voice) {
    if (!voice || std::strlen(voice) < 3) {
        return 11;
    }
    for (int i = 0; i < kSpeakerPrefixes; ++i) {
        bool same = true;
        for (int k = 0; k < 3; ++k) {
            const auto a = static_cast<unsigned char>(voice[k]);
            const auto b = static_cast<unsigned char>(VoicePrefixTable[i][k]);
            if (std::tolower(a) != std::tolower(b)) {
                same = false;
                break;
            }
        }
        if (same) {
            return i;
        }
    }
    return 11;
}

bool CBacklogScene::Dispatch(HWND hwnd) {
    hWnd = hwnd;
    switch (state) {
        case 0:
            Draw(hwnd);
            break;
        case 1:
            FadeIn();
            break;
        case 2:
            Input();
            break;
        case 3:
            FadeOut();
            break;
        case 4:
            Leave();
            break;
        default:
            break;
    }
    return true;
}

bool CBacklogScene::Shown(int32_t entry) const {
    return entry >= 0 && entry < kBacklogRows;
}

void CBacklogScene::Draw(HWND hwnd) {
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
    CDIB32* page = CopyToSlot(kSlotPage, hwnd, Slot(0));
    CDIB32* base = LoadSlot(kSlotBase, hwnd, "system\\backlog_base.bmp");
    CDIB32::BltAlpha(page, 0, 0, base, 0, 0, kWidth, kHeight);
    CopyToSlot(kSlotClean, hwnd, page);
    LoadSlot(kSlotParts, hwnd, "system\\backlog_p.bmp");
    const int32_t count = EntryCount();
    buttonCount = count - 1;
    lineCount = count - 1;
    if (g_GlyphFont) {
        g_GlyphFont->SetFont(24, 0);
    }
    maxPosition = count - 5;
    position = std::max(count - 5, 0);
    LayoutLines(page, position);
    DrawLine(hwnd, page, position);
    timer.Restart();
    state = 1;
}

void CBacklogScene::FadeIn() {
    const uint16_t level = timer.Level(kFadeInMs);
    if (FadeCut() || !Snapshot()) {
        if (g_pKeyboard) {
            g_pKeyboard->ctrl = 0;
        }
        DrawWhole(Slot(kSlotPage));
        state = 2;
        return;
    }
    if (level < 255) {
        DrawEffect(4, g_ScreenSurface, Slot(kSlotPage), Snapshot(), 0, 0, 0, 0, kWidth, kHeight, level, 0);
        return;
    }
    state = 2;
}

void CBacklogScene::Redraw(CDIB32* target) {
    CopyScreen(target, position);
    LayoutLines(target, position);
    DrawLine(hWnd, target, position);
}

void CBacklogScene::Input() {
    prevHovered = hovered;
    MouseState* mouse = Mouse();
    if (!mouse) {
        return;
    }
    hovered = HitTest(kButtonRects, kButtonCount, POINT{mouse->x, mouse->y});
    if (hovered != prevHovered) {
        if (prevHovered >= 1 && prevHovered <= kRows) {
            Redraw(g_ScreenSurface);
        } else if (prevHovered > kRows) {
            CDIB32::Blt(g_ScreenSurface, 950, 0, Slot(kSlotClean), 950, 0, 74, kHeight);
        }
        if (hovered >= 1 && hovered <= kRows) {
            Redraw(g_ScreenSurface);
            const int32_t row = hovered - 1;
            if (g_pGameMain && Shown(position + row) &&
                g_pGameMain->backlogVoice[position + row][0] != '\0') {
                CDIB32::BltAlpha(g_ScreenSurface, kVoiceIconX, 8 + kRowHeight * row, Slot(kSlotParts), 50,
                                 112, 34, 28);
            }
            return;
        }
        if (hovered > kRows) {
            const RECT& src = kHoverSources[hovered - kRows - 1];
            const POINT& at = kHoverPoints[hovered - kRows - 1];
            CDIB32::BltAlpha(g_ScreenSurface, at.x, at.y, Slot(kSlotParts), src.left, src.top, src.right,
                             src.bottom);
            DrawLine(hWnd, g_ScreenSurface, position);
        }
    }

    if (mouse->left && hovered != 0) {
        mouse->left = 0;
        if (hovered <= kRows) {
            ReplayVoice(position + hovered - 1);
        } else if (hovered <= 8) {
            if (buttonCount >= 4) {
                static constexpr int32_t kSteps[4] = {-1, 1, -4, 4};
                const int32_t step = kSteps[hovered - kRows - 1];
                const int32_t last = std::max(maxPosition, 0);
                if ((step < 0 && position > 0) || (step > 0 && position < maxPosition)) {
                    PlayClickSound("se\\sys_a002.ogg");
                }
                position = std::clamp(position + step, 0, last);
                CopyScreen(g_ScreenSurface, position);
                LayoutLines(g_ScreenSurface, position);
                hovered = 0;
            }
        } else {
            PlayClickSound(kClickSound);
            CopyToSlot(kSlotPage, hWnd, g_ScreenSurface);
            timer.Restart();
            state = 3;
        }
        return;
    }
    if (mouse->right) {
        PlayClickSound(kClickSound);
        DeleteVoicePlayer(0);
        CopyToSlot(kSlotPage, hWnd, g_ScreenSurface);
        mouse->right = 0;
        timer.Restart();
        state = 3;
    }
}

void CBacklogScene::ReplayVoice(int32_t entry) {
    if (!g_pGameMain || !Shown(entry) || g_SystemData.voiceOff != 0) {
        return;
    }
    const Row voice(g_pGameMain->backlogVoice[entry]);
    if (voice.length == 0) {
        return;
    }
    const int speaker = SpeakerIndex(voice.text);
    DeleteVoicePlayer(0);
    CVoiceplay* player = new (std::nothrow) CVoiceplay();
    g_VoicePlayers[0] = player;
    if (player) {
        player->OpenVoice(voice.text);
        player->SetVolume(g_SystemData.voiceVolumes[speaker]);
        player->Play(0);
    }
    // The entry's font-height tags and ruby readings leave the glyph font as drawing it would.
    measureOnly = 1;
    const Row text(g_pGameMain->backlogText[entry]);
    LayoutText(nullptr, text.text, 0);
    measureOnly = 0;
}

void CBacklogScene::FadeOut() {
    const uint16_t level = timer.Level(kFadeOutMs);
    if (!FadeCut() && level < 255 && Snapshot()) {
        DrawEffect(0, g_ScreenSurface, Snapshot(), Slot(kSlotPage), 0, 0, 0, 0, kWidth, kHeight, level, 0);
        return;
    }
    if (FadeCut() && g_pKeyboard) {
        g_pKeyboard->ctrl = 0;
    }
    DrawWhole(Snapshot() ? Snapshot() : Slot(kSlotPage));
    state = 4;
}

void CBacklogScene::Leave() {
    state = 0;
    // The font the window style's own command sets: the caption band of style 2 shares the
    // bottom window's.
    SetMessageWindowFont(g_pScriptMng && g_pScriptMng->m_windowStyle == 1);
    FreeSlots(10, 47);
    SetScene(g_pGameMain ? g_pGameMain->returnScene : static_cast<SceneId>(kSceneScript));
}

void CBacklogScene::CopyScreen(CDIB32* target, int32_t) {
    CDIB32::Blt(target, 0, 0, Slot(kSlotClean), 0, 0, kWidth, kHeight);
}

void CBacklogScene::DrawLine(HWND, CDIB32* target, int32_t first) {
    if (!g_pGameMain) {
        return;
    }
    for (int32_t row = 0; row < kRows; ++row) {
        const int32_t entry = first + row;
        if (Shown(entry) && g_pGameMain->backlogVoice[entry][0] != '\0') {
            CDIB32::BltAlpha(target, kVoiceIconX, 8 + kRowHeight * row, Slot(kSlotParts), 50, 84, 34, 28);
        }
    }
}

void CBacklogScene::LayoutLines(CDIB32* target, int32_t first) {
    if (!g_pGameMain) {
        return;
    }
    for (int32_t row = 0; row < kRows; ++row) {
        const int32_t entry = first + row;
        if (!Shown(entry)) {
            continue;
        }
        const Row speaker(g_pGameMain->backlogSpeaker[entry]);
        if (speaker.length > 0) {
            int32_t x = 54 - ((static_cast<int32_t>(speaker.length) - 2) / 2) * 12;
            for (uint32_t i = 0; i < speaker.length; i += msgtext::CharBytes(speaker.text + i)) {
                x += DrawGlyph(target, x, kRowHeight * row + 6, speaker.text + i, kWhite);
            }
            if (MouseState* mouse = Mouse()) {
                mouse->left = 0;
            }
        }
        const Row text(g_pGameMain->backlogText[entry]);
        LayoutText(target, text.text, row);
    }
}

void CBacklogScene::LayoutText(CDIB32* target, const char* text, int32_t row) {
    const uint32_t length = static_cast<uint32_t>(std::strlen(text));
    const bool draw = target && !measureOnly;
    auto glyph = [&](int32_t x, int32_t y, const char* p, uint32_t colour) -> int32_t {
        return draw ? DrawGlyph(target, x, y, p, colour) : 0;
    };
    if (length >= 2 && static_cast<uint8_t>(text[0]) == 0x81 && static_cast<uint8_t>(text[1]) == 0xA6) {
        int32_t x = 470 - ((static_cast<int32_t>(length) - 2) / 2) * 13;
        for (uint32_t i = 0; i < length; i += msgtext::CharBytes(text + i)) {
            x += glyph(x - 8, kRowHeight * row + 66, text + i, kMarkerColour);
        }
        return;
    }
    int32_t x = kTextX;
    int32_t y = kRowHeight * row + 42;
    int32_t c = 0;
    auto newLine = [&] {
        y += kLineStep;
        x = kTextX;
        c = 0;
    };
    rubyOpen = 0;
    uint32_t i = 0;
    while (i < length) {
        const char* p = text + i;
        const auto b = static_cast<uint8_t>(*p);
        if (b >= 0x80) {
            if (IsMarkCodeB(p)) {
                i += 2;
                continue;
            }
            x += glyph(x, y, p, kWhite);
            i += static_cast<uint32_t>(msgtext::CharBytes(p));
            c += 2;
            const char* q = text + i;
            if (const int icon = i + 4 <= length ? InlineIconAt(q) : -1; icon >= 0) {
                if (draw)
                    DrawInlineIcon(target, icon, x - 6, y, true);
                x += 26;
                c += 4;
                i += 4;
                q = text + i;
            }
            if (i < length && IsMarkCodeA(q)) {
                i += 2;
                newLine();
            } else if (c >= kLineBytes) {
                if (i < length && IsKinsokuChar(q)) {
                    glyph(x, y, q, kWhite);
                    i += static_cast<uint32_t>(msgtext::CharBytes(q));
                }
                newLine();
            }
            continue;
        }
        switch (b) {
            case '#':
                i = SkipTextTag(text, length, i);
                break;
            case '(': {
                uint8_t slot = 0;
                if (g_pScriptMng) {
                    const uint8_t saved = g_pScriptMng->m_nameSlot;
                    g_pScriptMng->m_nameSlot = 0;
                    i = g_pScriptMng->ParseNameTag(p, static_cast<uint8_t>(i));
                    slot = g_pScriptMng->m_nameSlot;
                    g_pScriptMng->m_nameSlot = saved;
                } else {
                    i = SkipPast(text, length, i, ')');
                }
                if (slot == 1 || slot == 2) {
                    const char* name = g_pScriptMng->m_nameSlots[slot - 1];
                    const size_t nameLength = strnlen(name, sizeof g_pScriptMng->m_nameSlots[0]);
                    for (size_t n = 0; n < nameLength; n += 2) {
                        char pair[3] = {name[n], n + 1 < nameLength ? name[n + 1] : '\0', '\0'};
                        x += glyph(x, y, pair, kWhite);
                        c += 2;
                        if (c >= kLineBytes) {
                            newLine();
                        }
                    }
                }
                break;
            }
            case '<':
                if (!rubyOpen) {
                    rubyStartX = static_cast<int16_t>(x);
                    rubyY = static_cast<int16_t>(y - 12);
                    rubyOpen = 1;
                    ++i;
                } else {
                    rubyEndX = static_cast<int16_t>(x);
                    i = DrawRubyReading(target, text, length, i);
                    rubyOpen = 0;
                }
                break;
            default:
                x += glyph(x, y, p, kWhite);
                ++i;
                ++c;
                if (c >= kLineBytes) {
                    newLine();
                }
                break;
        }
    }
    rubyOpen = 0; // a ruby left open by a damaged row ends with it
}

uint32_t CBacklogScene::SkipTextTag(const char* text, uint32_t length, uint32_t i) {
    if (i + 1 >= length) {
        return length;
    }
    const char kind = text[i + 1];
    uint32_t p = i + 2;
    switch (kind) {
        case 's': {
            int32_t height = 0;
            while (p < length && std::isdigit(static_cast<unsigned char>(text[p]))) {
                height = std::min(height * 10 + (text[p] - '0'), 1000);
                ++p;
            }
            if (g_GlyphFont && height > 0) {
                g_GlyphFont->SetFont(height, 0);
            }
            return SkipPast(text, length, p, '#');
        }
        case 'f':
            p = SkipPast(text, length, p, ')');
            p = SkipPast(text, length, p, ']');
            return SkipPast(text, length, p, '#');
        case 'b':
        case 'v':
            p = SkipPast(text, length, p, ')');
            return SkipPast(text, length, p, '#');
        case 'p':
            for (;;) {
                p = SkipPast(text, length, p, ')');
                p = SkipPast(text, length, p, ']');
                if (p < length && text[p] == ':') {
                    ++p;
                    continue;
                }
                return SkipPast(text, length, p, '#');
            }
        default:
            return i + 2;
    }
}

uint32_t CBacklogScene::DrawRubyReading(CDIB32* target, const char* text, uint32_t length, uint32_t i) {
    const uint32_t begin = i + 1;
    uint32_t end = begin;
    while (end < length && text[end] != '>') {
        ++end;
    }
    const int32_t readingLength = static_cast<int32_t>(end - begin);
    if (g_GlyphFont) {
        g_GlyphFont->SetFont(12, 0);
    }
    auto x = static_cast<int16_t>(rubyStartX + ((rubyEndX - rubyStartX) >> 1) - (readingLength / 2) * 6);
    if (!measureOnly && target && g_GlyphFont) {
        char glyph[3] = {};
        for (uint32_t k = begin; k < end;) {
            const int bytes = k + 1 < end ? msgtext::CharBytes(text + k) : 1;
            glyph[0] = text[k];
            glyph[1] = bytes == 2 ? text[k + 1] : '\0';
            g_GlyphFont->DrawCharGray4(target, x, rubyY + 2, glyph, kWhite);
            const int16_t advance = g_GlyphFont->DrawCharGray4(target, x, rubyY + 2, glyph, kWhite);
            x = static_cast<int16_t>(x + advance);
            k += static_cast<uint32_t>(bytes);
        }
    }
    if (g_GlyphFont) {
        g_GlyphFont->SetFont(24, 0);
    }
    return end < length ? end + 1 : length;
}
