// The main window's procedure: builds the runtime when the window is created, tears it down when it
// is destroyed, and turns the window's messages into the input state that the scenes poll.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/window.h"

// The caption of the main window and of the quit question.
inline constexpr char kGameTitle[] = "Kestrel";
// The quit question asked when the window is closed.
inline constexpr char kQuitQuestion[] = "确定要退出游戏吗？";

intptr_t WndProc(HWND hwnd, const plat::Message& msg);

// Alt+Enter, and the configuration screen's display choice: switches between the window and full
// screen; the system data's byte follows the display.
void ToggleDisplay(HWND hwnd);

// The instance handle stored by InitInstance.
extern HINSTANCE g_hInstance;
// The registered wheel message; no platform here needs one, so it stays 0.
extern uint32_t g_uWheelMsg;

// Observes the steps of the runtime's construction and teardown, in order (tests); null by default.
using RuntimeTrace = void (*)(const char* step);
extern RuntimeTrace g_RuntimeTrace;

// Called when the window is destroyed, after the teardown and before the quit message: the entry
// releases its single-instance guard here.
extern void (*g_OnRuntimeDestroyed)();
