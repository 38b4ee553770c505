#include "screens/config_scene.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "app/display.h"
#include "app/game_main.h"
#include "app/input.h"
#include "app/wnd_proc.h"
#include "graphics/dib32.h"
#include "graphics/pixel_effects.h"
#include "graphics/surfaces.h"
#include "scene/message_text.h"
#include "screens/name_dialog.h"
#include "screens/sample_voices.h"
#include "screens/system_data.h"
#include "script/script_mng.h"
#include "sound/snd_mng.h"

using namespace screens;

namespace {

constexpr char kRadioSound[] = "se\\sys_f003.ogg";
constexpr char kSoftSound[] = "sys_f003.ogg";
constexpr char kButtonSound[] = "sys_a002.ogg";
constexpr int kSlotEffect = 3;  // the screen's sound-effect player
constexpr int kDisplayPair = 6; // the radio pair of the display mode
constexpr int32_t kFillStep = 7;
constexpr int32_t kFillHeight = 11;
constexpr int32_t kSliderWidth = (100 / 5 + 1) * kFillStep;
constexpr int32_t kWindowTop = 448; // the message window's band, to the foot of the screen

// Sources in the parts bitmap.
constexpr POINT kFillHover{0, 18};
constexpr POINT kFillSet{0, 29};
constexpr RECT kRadioMark{0, 0, 28, 18};
constexpr POINT kRadioHover{28, 0};
constexpr POINT kButtonSources[CConfigScene::kButtonCount] = {
    {105, 40}, {105, 85}, {0, 174}, {0, 240}, {0, 464}};
constexpr POINT kSampleHover{150, 218};

MouseState* Mouse() {
    return g_pMouse ? g_pMouse->GetState() : nullptr;
}

int32_t Width(const RECT& r) {
    return r.right - r.left;
}

int32_t Height(const RECT& r) {
    return r.bottom - r.top;
}

bool FromTitle() {
    return !g_pScriptMng || g_pScriptMng->m_menuFromGame == 0;
}

void PushMusicVolume() {
    if (g_BgmPlayer && !g_BgmPlayer->IsStoppedChannel() && g_pScriptMng && g_pScriptMng->m_bgmStarted) {
        g_BgmPlayer->SetVolume(g_SystemData.bgmVolume);
    }
}

// Leaving reaches the click slot and the first script channel only: a looping sound on another
// channel keeps its loudness until it is started again.
void PushEffectVolume() {
    for (CSeplay* player : {g_SePlayers[0], g_pSeChannels[0]}) {
        if (player) {
            player->SetVolume(g_SystemData.seVolume);
        }
    }
}

} // namespace

uint8_t* CConfigScene::SliderByte(int slider) {
    SystemData& d = g_SystemData;
    switch (slider) {
        case 0:
            return &d.bgmVolume;
        case 1:
            return &d.seVolume;
        case 2:
            return reinterpret_cast<uint8_t*>(&d.messageSpeed);
        case 3:
            return &d.autoSpeed;
        default:
            return &d.windowTransparency;
    }
}

uint8_t* CConfigScene::RadioByte(int pair) {
    SystemData& d = g_SystemData;
    uint8_t* const bytes[9] = {&d.skipUnread,      &d.muteVoiceGroupA, &d.muteVoiceGroupB,
                               &d.voiceCutOnClick, &d.effectsOff,      &d.fadeCut,
                               &d.fullScreen,      &d.keyboardMode,    &d.rightClickMode};
    return bytes[std::clamp(pair, 0, 8)];
}

uint8_t CConfigScene::SliderValue(int32_t x, int32_t left) {
    const int32_t steps = (x - left) / kFillStep;
    return static_cast<uint8_t>(std::clamp(steps * 5, 0, 100));
}

RECT CConfigScene::SampleRect(int row) {
    const int32_t c = row % 2, r = row / 2;
    return RECT{291 + 402 * c, 122 + 76 * r, 317 + 402 * c, 140 + 76 * r};
}

RECT CConfigScene::CharSliderRect(int row) {
    const int32_t c = row % 2, r = row / 2;
    return RECT{284 + 402 * c, 147 + 76 * r, 429 + 402 * c, 158 + 76 * r};
}

CConfigScene::CConfigScene() {
    const SystemData& d = g_SystemData;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&d);
    std::memcpy(backupOptions, bytes + 0x01, sizeof backupOptions);
    std::memcpy(backupVoices, d.voiceVolumes, sizeof backupVoices);
    std::memcpy(backupFlags, bytes + 0x1B, sizeof backupFlags);
    std::memcpy(backupPlay, bytes + 0x22, sizeof backupPlay);
    std::memcpy(backupNames[0], d.familyName, sizeof backupNames[0]);
    std::memcpy(backupNames[1], d.givenName, sizeof backupNames[1]);
    DeleteSePlayer(kSlotEffect);
    if (CSeplay* player = new (std::nothrow) CSeplay()) {
        g_SePlayers[kSlotEffect] = player;
        player->Open("sys_e002.ogg");
    }
}

bool CConfigScene::Dispatch(HWND hwnd) {
    switch (state) {
        case 0:
            Start(hwnd);
            break;
        case 1:
            FadeIn();
            break;
        case 3:
            Input(hwnd);
            break;
        case 8:
            Press();
            break;
        case 9:
            Act(hwnd);
            break;
        case 4:
            FadeOut();
            break;
        case 5:
            Leave();
            break;
        case 10:
            CharStart(hwnd);
            break;
        case 11:
            CharFadeIn();
            break;
        case 12:
            CharInput();
            break;
        case 15:
            CharPress();
            break;
        case 13:
            CharFadeOut();
            break;
        case 14:
            FreeSlots(kSlotCharUnder, 34);
            state = 3;
            break;
        default:
            break;
    }
    return true;
}

void CConfigScene::DrawSlider(CDIB32* surface, int slider, bool hover) {
    const RECT& r = kSliderRects[slider];
    CDIB32::Blt(surface, r.left, r.top, Slot(kSlotPlain), r.left, r.top, kSliderWidth, kFillHeight);
    const int32_t value = std::clamp<int32_t>(*SliderByte(slider), 0, 100);
    const POINT src = hover ? kFillHover : kFillSet;
    CDIB32::BltAlpha(surface, r.left, r.top, Slot(kSlotParts), src.x, src.y, (value / 5 + 1) * kFillStep,
                     kFillHeight);
}

void CConfigScene::DrawRadioPair(CDIB32* surface, int pair) {
    for (int k = 0; k < 2; ++k) {
        const RECT& r = kRadioRects[pair * 2 + k];
        CDIB32::Blt(surface, r.left - 5, r.top - 6, Slot(kSlotPlain), r.left - 5, r.top - 6,
                    Width(kRadioMark), Height(kRadioMark));
    }
    const RECT& chosen = kRadioRects[pair * 2 + (*RadioByte(pair) ? 1 : 0)];
    CDIB32::BltAlpha(surface, chosen.left - 5, chosen.top - 6, Slot(kSlotParts), kRadioMark.left,
                     kRadioMark.top, Width(kRadioMark), Height(kRadioMark));
}

void CConfigScene::DrawValues(CDIB32* surface) {
    for (int i = 0; i < kSliderCount; ++i) {
        DrawSlider(surface, i, false);
    }
    for (int p = 0; p < kRadioCount / 2; ++p) {
        DrawRadioPair(surface, p);
    }
}

void CConfigScene::Start(HWND hwnd) {
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
    CopyToSlot(kSlotUnder, hwnd, g_ScreenSurface);
    CDIB32* base = LoadSlot(kSlotBase, hwnd, "system\\config_base.bmp");
    CopyToSlot(kSlotPlain, hwnd, base);
    CopyToSlot(kSlotBaseCopy, hwnd, base);
    LoadSlot(kSlotParts, hwnd, "system\\config_p.bmp");
    DrawValues(CopyToSlot(kSlotPage, hwnd, base));
    shownFullScreen = g_SystemData.fullScreen;
    timer.Restart();
    state = 1;
}

void CConfigScene::FadeIn() {
    uint16_t level = 0;
    if (timer.Running(kFadeInMs, &level)) {
        DrawCrossDissolve(Slot(kSlotPage), Slot(kSlotUnder), level);
        return;
    }
    DrawWhole(Slot(kSlotPage));
    state = 3;
}

void CConfigScene::ApplySlider(int slider) {
    switch (slider) {
        case 0:
            PushMusicVolume();
            break;
        case 1:
            if (g_pScriptMng && g_pScriptMng->m_seStarted) {
                for (int channel = 0; channel < kSePlayerSlots - 1; ++channel) {
                    if (g_pSeChannels[channel]) {
                        g_pSeChannels[channel]->SetVolume(g_SystemData.seVolume);
                    }
                }
            }
            break;
        default:
            *SliderByte(slider) = std::min<uint8_t>(*SliderByte(slider), 100);
            break;
    }
}

void CConfigScene::ChooseRadio(HWND hwnd, uint8_t radio) {
    const int pair = (radio - 1) / 2;
    const uint8_t value = static_cast<uint8_t>((radio - 1) % 2);
    uint8_t* byte = RadioByte(pair);
    if (byte == &g_SystemData.fullScreen) {
        // The display switches at once, as Alt+Enter does; the byte follows the display.
        const uint8_t current = g_pDisplay ? g_pDisplay->fullScreen : g_SystemData.fullScreen;
        if (value != current) {
            ToggleDisplay(hwnd);
        }
    } else {
        *byte = value;
        if (byte == &g_SystemData.fadeCut && g_pScriptMng) {
            g_pScriptMng->m_skipEffects = value;
        }
    }
    shownFullScreen = g_SystemData.fullScreen;
    DrawRadioPair(Slot(kSlotPage), pair);
    DrawRadioPair(g_ScreenSurface, pair);
    PlayClickSound(kRadioSound);
}

void CConfigScene::Input(HWND hwnd) {
    MouseState* mouse = Mouse();
    if (!mouse) {
        return;
    }
    prevHovered = hovered;
    prevHoveredSlider = hoveredSlider;
    prevHoveredRadio = hoveredRadio;
    if (g_SystemData.fullScreen != shownFullScreen) {
        // Alt+Enter switched the display: the page shows the new choice as the screen does.
        shownFullScreen = g_SystemData.fullScreen;
        DrawRadioPair(Slot(kSlotPage), kDisplayPair);
        DrawRadioPair(g_ScreenSurface, kDisplayPair);
    }
    const POINT point{mouse->x, mouse->y};
    hovered = HitTest(kButtonRects, kButtonCount, point);
    hoveredSlider = HitTest(kSliderRects, kSliderCount, point);
    hoveredRadio = HitTest(kRadioRects, kRadioCount, point);

    CDIB32* page = Slot(kSlotPage);
    if (hovered != prevHovered) {
        if (prevHovered != kNone) {
            const RECT& r = kButtonRects[prevHovered - 1];
            CDIB32::Blt(g_ScreenSurface, r.left, r.top, page, r.left, r.top, Width(r), Height(r));
        }
        if (hovered != kNone) {
            const RECT& r = kButtonRects[hovered - 1];
            const POINT src = kButtonSources[hovered - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), src.x, src.y, Width(r),
                             Height(r));
        }
    }
    if (hoveredRadio != prevHoveredRadio) {
        if (prevHoveredRadio != 0) {
            DrawRadioPair(g_ScreenSurface, (prevHoveredRadio - 1) / 2);
        }
        if (hoveredRadio != 0) {
            const RECT& r = kRadioRects[hoveredRadio - 1];
            CDIB32::BltAlpha(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), kRadioHover.x, kRadioHover.y,
                             Width(r), Height(r));
        }
    }
    if (hoveredSlider != prevHoveredSlider && prevHoveredSlider != 0) {
        DrawSlider(g_ScreenSurface, prevHoveredSlider - 1, false);
    }

    if (hoveredSlider != 0 && !mouse->right) {
        const int slider = hoveredSlider - 1;
        if (mouse->left) {
            *SliderByte(slider) = SliderValue(mouse->x, kSliderRects[slider].left);
            ApplySlider(slider);
            DrawSlider(page, slider, false);
        }
        DrawSlider(g_ScreenSurface, slider, true);
        return;
    }
    if (mouse->left && hoveredRadio != 0) {
        mouse->left = 0;
        ChooseRadio(hwnd, hoveredRadio);
        return;
    }
    if ((mouse->left && hovered != kNone) || mouse->right) {
        pressed = mouse->right ? static_cast<uint8_t>(kCancel) : hovered;
        mouse->left = 0;
        mouse->right = 0;
        if (pressed == kDefaults || pressed == kVoices) {
            PlayClickSound(kSoftSound);
        } else {
            DeleteVoicePlayer(0);
            PlayClickSound(kButtonSound);
        }
        timer.Restart();
        state = 8;
    }
}

void CConfigScene::DrawPressed(uint16_t level) {
    const RECT& r = kButtonRects[pressed - 1];
    const POINT src = kButtonSources[pressed - 1];
    CDIB32::Blt(g_ScreenSurface, r.left, r.top, Slot(kSlotPage), r.left, r.top, Width(r), Height(r));
    if (pressed == kDefaults) {
        BltAddAlpha(g_ScreenSurface, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
                    Slot(kSlotParts), static_cast<int16_t>(src.x), static_cast<int16_t>(src.y),
                    static_cast<int16_t>(Width(r)), static_cast<int16_t>(Height(r)), level);
    } else {
        const uint16_t shown = pressed >= kVoices ? static_cast<uint16_t>(level / 2) : level;
        CDIB32::BltAlphaFade(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), src.x, src.y, Width(r),
                             Height(r), shown);
    }
}

void CConfigScene::Press() {
    uint16_t level = 0;
    if (timer.Running(kPressMs, &level)) {
        DrawPressed(level);
        return;
    }
    timer.Restart();
    state = 9;
}

void CConfigScene::Restore() {
    SystemData& d = g_SystemData;
    auto* bytes = reinterpret_cast<uint8_t*>(&d);
    std::memcpy(bytes + 0x01, backupOptions, sizeof backupOptions);
    std::memcpy(d.voiceVolumes, backupVoices, sizeof backupVoices);
    std::memcpy(bytes + 0x1B, backupFlags, sizeof backupFlags);
    std::memcpy(bytes + 0x22, backupPlay, sizeof backupPlay);
    std::memcpy(d.familyName, backupNames[0], sizeof d.familyName);
    std::memcpy(d.givenName, backupNames[1], sizeof d.givenName);
    if (g_pScriptMng) {
        g_pScriptMng->m_skipEffects = d.fadeCut;
        std::memcpy(g_pScriptMng->m_nameSlots[0], d.familyName, sizeof d.familyName);
        std::memcpy(g_pScriptMng->m_nameSlots[1], d.givenName, sizeof d.givenName);
    }
}

void CConfigScene::Defaults() {
    SystemData& d = g_SystemData;
    d.messageSpeed = 50;
    d.bgmVolume = 50;
    d.seVolume = 50;
    d.autoSpeed = 50;
    d.skipUnread = 0;
    d.reserved03 = 0;
    d.keyboardMode = 0;
    d.muteVoiceGroupA = 0;
    d.muteVoiceGroupB = 0;
    d.fadeCut = d.effectsOff = d.reserved1D = d.bgmOff = d.seOff = d.voiceOff = 0;
    d.autoAtStart = 0;
    d.rightClickMode = 1;
    d.voiceCutOnClick = 1;
    d.windowTransparency = 30;
    std::fill(std::begin(d.voiceVolumes), std::end(d.voiceVolumes), uint8_t{50});
    if (g_pScriptMng) {
        g_pScriptMng->m_skipEffects = 0;
    }
    PushMusicVolume();
}

void CConfigScene::BuildReturnPicture(HWND hwnd) {
    CopyToSlot(kSlotUnder, hwnd, g_ScreenSurface);
    if (FromTitle()) {
        MakeFilledSlot(kSlotPage, hwnd, 0);
        return;
    }
    // The game picture: the scene and, over it, the message window. A message is laid out again (the
    // bottom window, or the vertical page on layer 0, also at one of its in-page click waits), so
    // that the window shows the transparency and the names as they now stand.
    CScriptMng* s = g_pScriptMng;
    const SceneId back = g_pGameMain ? g_pGameMain->returnScene : static_cast<SceneId>(kSceneScript);
    const bool bottomWindow = s && s->HasBottomWindow() && !s->m_windowHidden;
    CDIB32* scene = Slot(0);
    if (s && (back == kSceneMessage || back == kSceneClickWait)) {
        s->RelayoutMessageWindow();
    } else if (CDIB32* snapshot = g_pScriptUiSurfaces[kUiSnapshot]) {
        // Any other scene (an investigation screen, a choice or an item selection) is more than its
        // background: it comes back as the opener left it, from its snapshot taken without the
        // window. The bottom window is made again at the new opacity with the last message laid
        // out as it stood at rest; the scene redraws its band from it later on as well.
        scene = snapshot;
        if (bottomWindow)
            s->RelayoutMessageWindow(true);
    }
    CDIB32* picture = CopyToSlot(kSlotPage, hwnd, scene);
    if (bottomWindow) {
        // The system menu's snapshot of the script scene holds the window: its rows are taken from
        // layer 0 first, so that one window shows, at the new opacity.
        if (scene != Slot(0) && back == kSceneScript) {
            CDIB32::Blt(picture, 0, kWindowTop, Slot(0), 0, kWindowTop, kWidth, kHeight - kWindowTop);
        }
        DrawMsgWindowBand(picture);
    }
}

void CConfigScene::Act(HWND hwnd) {
    // The pressed button's picture fades out again before the button acts.
    if (pressed != kNone) {
        uint16_t level = 0;
        const bool fading = timer.Running(kPressMs, &level);
        DrawPressed(fading ? static_cast<uint16_t>(255 - level) : 0);
        if (fading) {
            return;
        }
    }
    switch (pressed) {
        case kCancel:
            Restore();
            [[fallthrough]];
        case kOk:
            BuildReturnPicture(hwnd);
            timer.Restart();
            state = 4;
            break;
        case kDefaults:
            Defaults();
            DrawValues(Slot(kSlotPage));
            DrawWhole(Slot(kSlotPage));
            state = 3;
            break;
        case kVoices:
            state = 10;
            break;
        case kName:
            // The dialog returns once the names were accepted; one that cannot be shown leaves the
            // screen as it was.
            ShowNameDialog();
            DrawWhole(Slot(kSlotPage));
            if (MouseState* mouse = Mouse()) {
                mouse->left = mouse->right = 0;
            }
            state = 3;
            break;
        default:
            state = 3;
            break;
    }
    pressed = kNone;
    hovered = prevHovered = 0;
}

void CConfigScene::FadeOut() {
    uint16_t level = 0;
    if (timer.Running(kFadeOutMs, &level)) {
        DrawCrossDissolve(Slot(kSlotPage), Slot(kSlotUnder), level);
        return;
    }
    DrawWhole(Slot(kSlotPage));
    if (g_pGameMain) {
        g_pGameMain->fullRect = RECT{0, 0, kWidth, kHeight};
    }
    state = 5;
}

void CConfigScene::Leave() {
    PushEffectVolume();
    PushMusicVolume();
    if (MouseState* mouse = Mouse()) {
        mouse->left = 0;
    }
    FreeSlots(kSlotPlain, 47);
    DeleteSePlayer(kSlotEffect);
    state = 0;
    if (FromTitle()) {
        SetScene(kSceneTitleMenu);
        return;
    }
    const SceneId previous = g_pGameMain ? g_pGameMain->returnScene : static_cast<SceneId>(kSceneScript);
    if ((previous == kSceneChoice || previous == kSceneItemSelect) && g_pScriptMng) {
        g_pScriptMng->m_msgStep = 1;
    }
    SetScene(previous);
}

void CConfigScene::DrawCharSlider(CDIB32* surface, int row) {
    const RECT r = CharSliderRect(row);
    CDIB32::Blt(surface, r.left, r.top, Slot(kSlotCharBase), r.left, r.top, kSliderWidth, kFillHeight);
    const int32_t value = std::clamp<int32_t>(g_SystemData.voiceVolumes[row], 0, 100);
    CDIB32::BltAlpha(surface, r.left, r.top, Slot(kSlotParts), kFillSet.x, kFillSet.y,
                     (value / 5 + 1) * kFillStep, kFillHeight);
}

void CConfigScene::CharStart(HWND hwnd) {
    CopyToSlot(kSlotCharUnder, hwnd, g_ScreenSurface);
    CDIB32* base = LoadSlot(kSlotCharBase, hwnd, "system\\config_chara.bmp");
    CDIB32* page = CopyToSlot(kSlotCharPage, hwnd, base);
    std::memcpy(charBackup, g_SystemData.voiceVolumes, sizeof charBackup);
    for (int row = 0; row < kCharRows; ++row) {
        DrawCharSlider(page, row);
    }
    CopyToSlot(kSlotCharCopy, hwnd, page);
    playingSample = -1;
    timer.Restart();
    state = 11;
}

void CConfigScene::CharFadeIn() {
    uint16_t level = 0;
    if (timer.Running(kCharFadeInMs, &level)) {
        DrawCrossDissolve(Slot(kSlotCharPage), Slot(kSlotCharUnder), level);
        return;
    }
    DrawWhole(Slot(kSlotCharPage));
    hovered = prevHovered = 0;
    state = 12;
}

void CConfigScene::CharInput() {
    MouseState* mouse = Mouse();
    if (!mouse) {
        return;
    }
    const POINT point{mouse->x, mouse->y};
    CDIB32* page = Slot(kSlotCharPage);
    prevHovered = hovered;
    hovered = 0;
    for (int row = 0; row < kCharRows; ++row) {
        if (PointInRect(SampleRect(row), point)) {
            hovered = static_cast<uint8_t>(row + 1);
            break;
        }
    }
    if (hovered != prevHovered) {
        if (prevHovered != 0) {
            const RECT r = SampleRect(prevHovered - 1);
            CDIB32::Blt(g_ScreenSurface, r.left - 4, r.top - 4, page, r.left - 4, r.top - 4, 34, 26);
        }
        if (hovered != 0) {
            const RECT r = SampleRect(hovered - 1);
            CDIB32::BltAlpha(g_ScreenSurface, r.left - 4, r.top - 4, Slot(kSlotParts), kSampleHover.x,
                             kSampleHover.y, 34, 26);
        }
    }
    if (mouse->left && hovered != 0) {
        mouse->left = 0;
        const int row = hovered - 1;
        DeleteVoicePlayer(0);
        playingSample = -1;
        // A sample the game folder lacks plays nothing.
        if (CVoiceplay* player = new (std::nothrow) CVoiceplay()) {
            g_VoicePlayers[0] = player;
            if (player->OpenVoice(kSampleVoiceFiles[row])) {
                player->SetVolume(g_SystemData.voiceVolumes[row]);
                player->Play(0);
                playingSample = static_cast<int8_t>(row);
            }
        }
        return;
    }
    for (int row = 0; row < kCharRows; ++row) {
        const RECT r = CharSliderRect(row);
        if (mouse->left && PointInRect(r, point)) {
            g_SystemData.voiceVolumes[row] = SliderValue(mouse->x, r.left);
            DrawCharSlider(page, row);
            CDIB32::Blt(g_ScreenSurface, r.left, r.top, page, r.left, r.top, kSliderWidth, kFillHeight);
            if (playingSample == row && g_VoicePlayers[0]) {
                g_VoicePlayers[0]->SetVolume(g_SystemData.voiceVolumes[row]);
            }
            return;
        }
    }
    const uint8_t button = HitTest(kCharButtonRects, kCharButtonCount, point);
    if ((mouse->left && button != 0) || mouse->right) {
        pressed = mouse->right ? static_cast<uint8_t>(kCancel) : button;
        mouse->left = mouse->right = 0;
        PlayClickSound(kButtonSound);
        timer.Restart();
        state = 15;
    }
}

void CConfigScene::CharPress() {
    const RECT& r = kCharButtonRects[pressed - 1];
    const POINT src = kButtonSources[pressed - 1];
    uint16_t level = 0;
    if (timer.Running(kCharPressMs, &level)) {
        CDIB32::Blt(g_ScreenSurface, r.left, r.top, Slot(kSlotCharPage), r.left, r.top, Width(r), Height(r));
        CDIB32::BltAlphaFade(g_ScreenSurface, r.left, r.top, Slot(kSlotParts), src.x, src.y, Width(r),
                             Height(r), level);
        return;
    }
    // The act (16).
    CDIB32* page = Slot(kSlotCharPage);
    switch (pressed) {
        case kDefaults:
            std::fill(g_SystemData.voiceVolumes, g_SystemData.voiceVolumes + kCharRows, uint8_t{50});
            for (int row = 0; row < kCharRows; ++row) {
                DrawCharSlider(page, row);
            }
            DrawWhole(page);
            state = 12;
            break;
        case kCancel:
            std::memcpy(g_SystemData.voiceVolumes, charBackup, sizeof charBackup);
            [[fallthrough]];
        default:
            DeleteVoicePlayer(0);
            playingSample = -1;
            CopyToSlot(kSlotCharCopy, g_pGameMain ? g_pGameMain->hWnd : nullptr, g_ScreenSurface);
            timer.Restart();
            state = 13;
            break;
    }
    pressed = kNone;
}

void CConfigScene::CharFadeOut() {
    uint16_t level = 0;
    if (timer.Running(kCharFadeOutMs, &level)) {
        DrawCrossDissolve(Slot(kSlotPage), Slot(kSlotCharCopy), level);
        return;
    }
    DrawWhole(Slot(kSlotPage));
    hovered = prevHovered = hoveredSlider = prevHoveredSlider = hoveredRadio = prevHoveredRadio = 0;
    state = 14;
}
