// The table of event pictures: 91 rows of up to 10 variants, each the file name "evNNx.bmp" of one
// variant of a story picture. Showing a variant marks byte row × 10 + column of the seen flags of the
// system data (the gallery reads them).
#pragma once

#include <cstdint>

inline constexpr int kEventCgRows = 91;
inline constexpr int kEventCgCols = 10;

// The name in row `row`, column `col` ("ev01a.bmp"); null for an empty entry or an index out of range.
const char* EventCgName(int row, int col);
// The index row × 10 + column of the entry whose name equals the file part of `name` (ASCII case
// ignored, folders before a '\' or '/' dropped); -1 when no entry has that name.
int FindEventCg(const char* name);
