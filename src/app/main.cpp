// The game's entry: the current folder is the game folder.
#include <cstdio>

#include "app/win_main.h"
#include "platform/sdl_backend.h"
#include "platform/window.h"

int main() {
    auto backend = plat::CreateSdlBackend();
    if (!backend)
        return 1;
    plat::SetBackend(backend.get());
    int code = RunGame(EntryOptions{});
    plat::SetBackend(nullptr);
    return code;
}
