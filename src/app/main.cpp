// The game's entry: the current folder is the game folder.
#include "app/win_main.h"
#include "platform/sdl_backend.h"

int main() {
    EntryOptions options;
    options.makeBackend = [] { return plat::CreateSdlBackend(); };
    return RunGame(options);
}
