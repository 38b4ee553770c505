// The start-up dialog (dialog 103): full-screen picture setting and the opening movie, OK and Cancel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"

// Control ids of the dialog.
constexpr int kIdStartupLetterbox = 1001; // "不全屏显示": keep the proportions in full screen
constexpr int kIdStartupStretch = 1002;   // "全屏显示": stretch over the whole screen
constexpr int kIdStartupPlayMovie = 1004; // "播放"
constexpr int kIdStartupSkipMovie = 1005; // "不播放"

// The value with which the dialog ends: 0 or 1 as the full-screen radio buttons set it, then the
// dialog's result.
extern int32_t g_StartupDlgResult;

// The dialog's template, its picture included.
const plat::DialogTemplate& StartupDialogTemplate();
bool StartupDlgProc(plat::Dialog& dialog, plat::DialogMsg msg, int id);

// The picture shown in the dialog and the window icon, drawn by the program (B,G,R,A, top-down).
std::vector<uint32_t> MakeStartupPicture(int width, int height);
std::vector<uint32_t> MakeWindowIcon(int size);
