// The game's own sample voices are named nowhere that this program can read, so these are names
// of our own: each speaker's three-letter voice prefix followed by "9000", so that a game folder can
// supply them and the volume of the row they stand for applies. A missing file plays nothing.
#include "screens/sample_voices.h"

const char kSampleVoiceFiles[kSampleVoiceCount][12] = {
    "tak9000.ogg", "kyo9000.ogg", "mis9000.ogg", "yuk9000.ogg", "ari9000.ogg", "sat9000.ogg",
    "kei9000.ogg", "nao9000.ogg", "ren9000.ogg", "hin9000.ogg", "jun9000.ogg", "etc9000.ogg",
};
