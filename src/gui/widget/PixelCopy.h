#pragma once
// Copying and comparing pixels. Copying one bitmap into another without making a new image when the target already has
// the source's size and pixel format: making a DIB section is by far the dearest part of
// a button repaint, and a hovered button repaints often.
#include "forms/Graphics.h"

namespace gs {

// Afterwards target holds a copy of source (size, format, alpha format, pixels).
void CopyPixels(TBitmap* target, TBitmap* source);

// True when both have the same size, pixel format, alpha format and pixels.
bool SamePixels(const TBitmap* a, const TBitmap* b);

} // namespace gs
