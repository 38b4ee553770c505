// Sines of whole degrees from a table of 180 entries.
#pragma once

#include <cstdint>

// Entry i = sin(i · π / 180), i = 0 to 179.
extern double SinTableDeg[180];

// Fills SinTableDeg; the script engine's construction calls it. Calling it again is harmless.
void BuildTrigTables();

// SinTableDeg[degrees mod 180]: the angle is reduced modulo 180, not 360, so SinDeg(190) equals
// SinDeg(10) and is positive. A negative angle wraps into 0 to 179 the same way. Builds the table
// first if nothing has.
double SinDeg(int32_t degrees);
