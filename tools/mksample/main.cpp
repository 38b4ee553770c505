// mksample: writes the pictures and sounds of the sample game.
//
//   mksample OUTDIR
//       Makes OUTDIR/system, bmp, chara, bgm, se, voice and script (the notebook's page texts; the
//       assembled scripts join them there) and writes every file into them, the files of
//       the game folder itself (the search cursor, the keyword lists) into OUTDIR/folder, the movies
//       into OUTDIR itself. The same files, byte for byte, on every run.
#include <cstdio>
#include <string>

#include "mksample/sample_assets.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: mksample OUTDIR\n");
        return 2;
    }
    std::string error;
    if (!kestrel::sample::WriteSample(argv[1], &error)) {
        std::fprintf(stderr, "mksample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
