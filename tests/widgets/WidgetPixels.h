#pragma once
// Pixel access and picture files for the widget tests.
#include <cstdint>
#include <string>

#include "forms/Graphics.h"

namespace widgets_test {

// A new bitmap of the format with every pixel bgra (24-bit: its low three bytes).
TBitmap* MakeBitmap(int width, int height, TPixelFormat format, uint32_t bgra);
inline uint32_t Px32(TBitmap* b, int x, int y) { return static_cast<const uint32_t*>(b->ScanLine(y))[x]; }
inline void SetPx32(TBitmap* b, int x, int y, uint32_t bgra)
{
    static_cast<uint32_t*>(b->ScanLine(y))[x] = bgra;
}
uint32_t Px24(TBitmap* b, int x, int y);
inline uint8_t Alpha(uint32_t px) { return uint8_t(px >> 24); }
// Pixels of a 32-bit bitmap in r whose alpha is above limit.
int CountAlphaAbove(TBitmap* b, const TRect& r, int limit);
// Writes the bitmap, opaque, as <name>.png into the build tree (beside the bin folder).
void SavePicture(TBitmap* b, const std::wstring& name);

} // namespace widgets_test
