// The event pictures of the story, as the gallery shows them and the seen flags of the system data
// count them: 91 pictures of up to 10 variants, named "ev", a two-digit number, the variant letter
// and ".bmp".
#pragma once

#include <string>

inline constexpr int kEventCgCount = 91;
inline constexpr int kEventCgVariants = 10;

// The file name of variant `variant` of picture `picture` ("ev01a.bmp"); empty where the picture
// has no such variant or either index is out of range.
std::string EventCgName(int picture, int variant);
