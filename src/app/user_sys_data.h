// The start-up settings "save\User_Sys.dat": two bytes chosen in the start-up dialog.
#pragma once

#include <cstdint>

struct UserSysData {
    uint8_t stretchFullScreen = 0; // full screen: 1 stretches the picture over the screen, 0 letterboxes
    uint8_t skipOpeningMovie = 0;  // 1 skips the opening movie
};
static_assert(sizeof(UserSysData) == 2);

extern UserSysData g_UserSysData;

inline constexpr char kUserSysDataPath[] = "save\\User_Sys.dat";

// Both bytes 0, then up to 2 bytes from the file; a missing file leaves 0, a short one 0 for the bytes
// it lacks. Values other than 0 and 1 read as 1. Returns true when the file was read.
bool LoadUserSysData();
// Writes both bytes through a temporary file and a rename. False (the old file kept) when it failed.
bool SaveUserSysData();
// Both bytes 0.
void ClearUserSysData();
