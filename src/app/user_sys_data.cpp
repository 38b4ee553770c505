#include "app/user_sys_data.h"

#include <vector>

#include "platform/file_system.h"

UserSysData g_UserSysData;

UserSysData ReadUserSysData(const uint8_t* bytes, size_t size) {
    UserSysData d;
    if (size >= 1)
        d.stretchFullScreen = bytes[0] ? 1 : 0;
    if (size >= 2)
        d.skipOpeningMovie = bytes[1] ? 1 : 0;
    return d;
}

bool LoadUserSysData() {
    ClearUserSysData();
    std::vector<uint8_t> bytes;
    if (!kestrel::fs::ReadWholeFile(kUserSysDataPath, &bytes))
        return false;
    g_UserSysData = ReadUserSysData(bytes.data(), bytes.size());
    return true;
}

bool SaveUserSysData() {
    const uint8_t bytes[2] = {g_UserSysData.stretchFullScreen, g_UserSysData.skipOpeningMovie};
    return kestrel::fs::WriteWholeFile(kUserSysDataPath, bytes, sizeof bytes);
}

void ClearUserSysData() {
    g_UserSysData = UserSysData{};
}
