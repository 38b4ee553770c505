// The start-up settings "save\User_Sys.dat": two bytes chosen in the start-up dialog.
#pragma once

#include <cstddef>
#include <cstdint>

struct UserSysData {
    uint8_t stretchFullScreen = 0; // full screen: 1 stretches the picture over the screen, 0 letterboxes
    uint8_t skipOpeningMovie = 0;  // 1 skips the opening movie
};
static_assert(sizeof(UserSysData) == 2);

extern UserSysData g_UserSysData;

inline constexpr char kUserSysDataPath[] = "save\\User_Sys.dat";

// The settings in a file of `size` bytes: a byte the file lacks reads as 0, any value but 0 as 1;
// bytes after the second are not read.
UserSysData ReadUserSysData(const uint8_t* bytes, size_t size);
// Both bytes 0, then the file's (ReadUserSysData); a missing file leaves 0. Returns true when the
// file was read.
bool LoadUserSysData();
// Writes both bytes through a temporary file and a rename. False (the old file kept) when it failed.
bool SaveUserSysData();
// Both bytes 0.
void ClearUserSysData();
