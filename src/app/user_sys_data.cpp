#include "app/user_sys_data.h"

#include <vector>

#include "platform/file_system.h"

UserSysData g_UserSysData;

bool LoadUserSysData() {
    ClearUserSysData();
    std::vector<uint8_t> bytes;
    if (!kestrel::fs::ReadWholeFile(kUserSysDataPath, &bytes))
        return false;
    if (bytes.size() >= 1)
        g_UserSysData.stretchFullScreen = bytes[0] ? 1 : 0;
    if (bytes.size() >= 2)
        g_UserSysData.skipOpeningMovie = bytes[1] ? 1 : 0;
    return true;
}

bool SaveUserSysData() {
    const uint8_t bytes[2] = {g_UserSysData.stretchFullScreen, g_UserSysData.skipOpeningMovie};
    return kestrel::fs::WriteWholeFile(kUserSysDataPath, bytes, sizeof bytes);
}

void ClearUserSysData() {
    g_UserSysData = UserSysData{};
}
