// The name-entry dialog: a modal dialog in which the player changes the hero's family and given
// name (each at most five full-width characters). The names fill the "(name01)" and "(name02)" tags
// of the messages and are kept in the system data.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/window.h"

// Control ids.
constexpr int kIdNameDefaults = 2;  // "默认": the default names (Escape as well)
constexpr int kIdFamilyName = 1000; // edit field of the family name
constexpr int kIdGivenName = 1005;  // edit field of the given name
constexpr int kNameFieldBytes = 10; // a name as game text, without its terminator

// The warnings, all captioned "警告！！".
inline constexpr char kNameWarningCaption[] = "警告！！";
inline constexpr char kNameEmptyWarning[] = "请输入文字！";
inline constexpr char kNameHalfWidthWarning[] = "存在半角字符！";
inline constexpr char kNameFullWidthWarning[] = "请输入全角字符！";

const plat::DialogTemplate& NameDialogTemplate();
bool NameDlgProc(plat::Dialog& dialog, plat::DialogMsg msg, int id);

// Checks one name as typed (game text) and gives it as it is stored: every character must be
// double-byte, full-width spaces are dropped. Returns 0 with the name in *out (terminated, at most
// kNameFieldBytes bytes), or the warning text that refuses it.
const char* CheckName(const std::string& typed, char (&out)[kNameFieldBytes + 1]);

// Shows the dialog over the main window until the names are accepted. Returns 1 then, or -1 when the
// dialog cannot be shown.
int ShowNameDialog();
