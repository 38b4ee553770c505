// The global surface table through which the screens share surfaces. Every entry is owned by the
// table: whoever replaces an entry deletes the old handle first (ReplaceSurface does both).
#pragma once

#include <cstdint>

class CDIB32;

inline constexpr int kLayerCount = 64;
inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 576;
inline constexpr int kFrameSurfaceSide = 1024;

// The 64 layer slots, directly followed by the back buffer and the two copies of layer 1, as one
// table so that the order is fixed.
extern CDIB32* g_SurfaceTable[kLayerCount + 3];

// Layer slots 0 to 63, each a handle or null. Layer 0 is the picture on display (made at window
// creation), layer 1 the background as the script loaded it.
inline CDIB32** const g_Layers = g_SurfaceTable;
// The 1024 × 576 back buffer into which every frame is composed and which is presented.
inline CDIB32*& g_ScreenSurface = g_SurfaceTable[kLayerCount];
// Two copies of layer 1 taken when a background is loaded.
inline CDIB32** const g_Layer1Backup = g_SurfaceTable + kLayerCount + 1;
// The 1024 × 1024 frame surface of the paint path and the frame zoom (apart from the table).
extern CDIB32* g_FrameSurface;
// The current rule mask (its blue byte is read).
extern CDIB32* g_RuleMaskSurface;

// Deletes the handle in slot and puts surface (may be null) in its place.
void ReplaceSurface(CDIB32*& slot, CDIB32* surface);

// Window creation: the back buffer (presented), layer 0 (1024 × 576, black) and the frame surface
// (presented, 1024 × 1024). False when one of them could not be made; what was made stays.
bool CreateScreenSurfaces();
// Window destruction: deletes every surface of the table, the frame surface and the rule mask.
void DeleteAllSurfaces();
