#include "screens/name_dialog.h"

#include <cstring>

#include "app/game_main.h"
#include "platform/text_codec.h"
#include "screens/system_data.h"
#include "script/script_mng.h"

namespace {

std::string ToUtf8(const char* gameText, size_t size) {
    return text_codec::GameTextToUtf8Lossy(std::string_view(gameText, strnlen(gameText, size)));
}

// The name slots of the engine (the system data's when there is no engine).
char* NameSlot(int index) {
    if (g_pScriptMng) {
        return g_pScriptMng->m_nameSlots[index];
    }
    return index == 0 ? g_SystemData.familyName : g_SystemData.givenName;
}

void ShowNames(plat::Dialog& dialog, const char* family, const char* given) {
    dialog.SetItemText(kIdFamilyName, ToUtf8(family, kNameFieldBytes + 1));
    dialog.SetItemText(kIdGivenName, ToUtf8(given, kNameFieldBytes + 1));
}

void Refuse(plat::Dialog& dialog, const char* warning) {
    // The warning belongs to the dialog: it stands over it, and the dialog has the keys again after.
    plat::MessageBox(dialog, warning, kNameWarningCaption, plat::BoxButtons::Ok, plat::BoxIcon::Warning);
    ShowNames(dialog, NameSlot(0), NameSlot(1));
}

// A typed name as game text, cut to the field at a character (never a lone lead byte); a character
// the code page cannot store becomes '?', which the check then refuses as half-width.
std::string Typed(const plat::Dialog& dialog, int id) {
    const std::string text = text_codec::Utf8ToGameTextLossy(dialog.ItemText(id));
    char field[kNameFieldBytes + 1];
    CopyGameText(field, sizeof field, text.c_str());
    return field;
}

void Accept(plat::Dialog& dialog, const char (&family)[kNameFieldBytes + 1],
            const char (&given)[kNameFieldBytes + 1]) {
    if (g_pScriptMng) {
        CopyGameText(g_pScriptMng->m_nameSlots[0], sizeof g_pScriptMng->m_nameSlots[0], family);
        CopyGameText(g_pScriptMng->m_nameSlots[1], sizeof g_pScriptMng->m_nameSlots[1], given);
    }
    CopyGameText(g_SystemData.familyName, sizeof g_SystemData.familyName, family);
    CopyGameText(g_SystemData.givenName, sizeof g_SystemData.givenName, given);
    dialog.End(1);
}

} // namespace

const char* CheckName(const std::string& typed, char (&out)[kNameFieldBytes + 1]) {
    std::memset(out, 0, sizeof out);
    size_t n = 0;
    const size_t length = typed.size();
    for (size_t i = 0; i < length; i += 2) {
        const auto lead = static_cast<uint8_t>(typed[i]);
        if (lead <= 0x80 || i + 1 >= length) {
            return kNameHalfWidthWarning;
        }
        const auto trail = static_cast<uint8_t>(typed[i + 1]);
        // Full-width spaces do not count as a name: the one of the game's first code page and the
        // one of code page 936 (a name of spaces alone would otherwise pass as blank).
        if ((lead == 0x81 && trail == 0x40) || (lead == 0xA1 && trail == 0xA1)) {
            continue;
        }
        if (n + 2 > kNameFieldBytes) {
            break;
        }
        out[n++] = static_cast<char>(lead);
        out[n++] = static_cast<char>(trail);
    }
    return n == 0 ? kNameFullWidthWarning : nullptr;
}

const plat::DialogTemplate& NameDialogTemplate() {
    static const plat::DialogTemplate tmpl = [] {
        using plat::ControlKind;
        plat::DialogTemplate t;
        t.caption = "更改主人公姓名（最多5个全角字符）";
        t.font = "宋体";
        t.fontPoints = 9;
        t.width = 203;
        t.height = 49;
        auto add = [&t](int id, ControlKind kind, const char* text, int x, int y, int w, int h) {
            plat::DialogControl c;
            c.id = id;
            c.kind = kind;
            c.text = text;
            c.x = x;
            c.y = y;
            c.width = w;
            c.height = h;
            if (kind == ControlKind::Edit) {
                c.textLimit = kNameFieldBytes;
            }
            t.controls.push_back(std::move(c));
        };
        add(plat::kIdOk, ControlKind::DefPushButton, "OK", 150, 28, 50, 14);
        add(kIdNameDefaults, ControlKind::PushButton, "默认", 97, 28, 50, 14);
        add(kIdFamilyName, ControlKind::Edit, "", 27, 5, 56, 14);
        add(kIdGivenName, ControlKind::Edit, "", 118, 5, 56, 14);
        add(-1, ControlKind::Static, "姓", 7, 8, 15, 8);
        add(-1, ControlKind::Static, "名", 99, 8, 15, 8);
        add(-1, ControlKind::Static, "※请输入全角字符", 3, 27, 76, 8);
        add(-1, ControlKind::Static, "", 3, 37, 91, 8);
        return t;
    }();
    return tmpl;
}

bool NameDlgProc(plat::Dialog& dialog, plat::DialogMsg msg, int id) {
    if (msg == plat::DialogMsg::InitDialog) {
        ShowNames(dialog, NameSlot(0), NameSlot(1));
        return false;
    }
    if (id == kIdNameDefaults) {
        ShowNames(dialog, kDefaultFamilyName, kDefaultGivenName);
        return true;
    }
    if (id != plat::kIdOk) {
        return false;
    }
    const std::string family = Typed(dialog, kIdFamilyName);
    const std::string given = Typed(dialog, kIdGivenName);
    if (family.empty() || given.empty()) {
        Refuse(dialog, kNameEmptyWarning);
        return true;
    }
    char familyOut[kNameFieldBytes + 1];
    char givenOut[kNameFieldBytes + 1];
    const char* familyWarning = CheckName(family, familyOut);
    const char* givenWarning = CheckName(given, givenOut);
    // Both names are walked for half-width characters before either is found empty.
    const char* warning = familyWarning == kNameHalfWidthWarning || givenWarning == kNameHalfWidthWarning
                              ? kNameHalfWidthWarning
                              : (familyWarning ? familyWarning : givenWarning);
    if (warning) {
        Refuse(dialog, warning);
        return true;
    }
    Accept(dialog, familyOut, givenOut);
    return true;
}

int ShowNameDialog() {
    return plat::DialogBox(NameDialogTemplate(), NameDlgProc);
}
