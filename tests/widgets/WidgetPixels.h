#pragma once
// Pixel access and picture files for the widget tests.
#include <cstdint>
#include <string>

#include "forms/Graphics.h"

namespace widgets_test {

// A bitmap of the format, every pixel set to bgra (for 24-bit the low three bytes).
TBitmap* MakeBitmap(int width, int height, TPixelFormat format, uint32_t bgra);
uint32_t Px32(TBitmap* b, int x, int y);
uint32_t Px24(TBitmap* b, int x, int y);
void SetPx32(TBitmap* b, int x, int y, uint32_t bgra);
inline uint8_t Alpha(uint32_t px) { return uint8_t(px >> 24); }
// Counts pixels whose alpha (32-bit) is above limit.
int CountAlphaAbove(TBitmap* b, const TRect& r, int limit);
// Writes the bitmap as <name>.png into the build tree (beside the bin folder),
// taking a 32-bit bitmap's alpha as premultiplied when asked; returns the path.
std::wstring SavePicture(TBitmap* b, const std::wstring& name, bool premultiplied);

} // namespace widgets_test
