// Start-up settings files ("save\User_Sys.dat") through the reader: each setting is 1 exactly when
// the file has its byte and that byte is not 0, else 0.
#include <cstddef>
#include <cstdint>

#include "app/user_sys_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const UserSysData d = ReadUserSysData(data, size);
    const uint8_t stretch = size >= 1 && data[0] != 0 ? 1 : 0;
    const uint8_t skip = size >= 2 && data[1] != 0 ? 1 : 0;
    if (d.stretchFullScreen != stretch || d.skipOpeningMovie != skip)
        __builtin_trap();
    return 0;
}
