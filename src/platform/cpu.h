// Processor test that chooses the surface implementation.
#pragma once

// 1: no CPUID; 2: no MMX; 3: MMX without conditional moves; 4: MMX and conditional moves (every
// x86-64 processor). Processors of other architectures report 2. Computed once and cached.
int IsMMXAvailable();

// True when the processor runs AVX2 instructions (the fast blits then take eight pixels a step).
bool HasAvx2();
