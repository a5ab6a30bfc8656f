#pragma once
// Moving pixels between bitmaps and canvases: premultiplying, copies, the two blends
// (straight alpha per pixel into a 24-bit target, premultiplied through the system
// AlphaBlend) and loading an image file into a 32-bit bitmap.
//
// Rectangles and points are logical coordinates of their canvas; a canvas may carry a
// viewport origin (device = logical + origin). Every per-pixel loop stays inside the
// bitmaps it touches in device coordinates, and an empty or inverted rectangle draws
// nothing. 32-bit pixels are blue, green, red, alpha.
#include <string>

#include "forms/Graphics.h"

#undef LoadImage

namespace gs {

// c = c * a / 255 (truncating) for every pixel of a pf32bit bitmap; other formats are left alone.
void PremultiplyAlpha(TBitmap* bitmap);

// The bitmap takes the rectangle's size and receives the canvas area (SRCCOPY); its
// pixel format stays as the caller set it.
void CopyCanvasToBitmap(TCanvas* canvas, TBitmap* bitmap, const TRect& rect);

// Copies the bitmap area starting at point, of rect's size, onto rect of the canvas
// (SRCCOPY; alpha travels when both sides are 32-bit).
void CopyBitmapToCanvas(TCanvas* canvas, const TRect& rect, TBitmap* bitmap, const TPoint& point);

// Clips a blend of source (from point) into rect of target against both bitmaps; returns
// the clipped rectangle and moves point with it. Both in logical coordinates.
TRect ClipBlendArea(TBitmap* target, const TRect& rect, TBitmap* source, TPoint& point);

// Per-pixel blend of a straight-alpha pf32bit source into target, weight
// (opacity / 255) * (alpha / 255); a target that is not pf24bit becomes pf24bit first.
// The weights are worked in long double so every build truncates alike.
void BlendPixels(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                 unsigned char opacity);

// One AlphaBlend call; a pf32bit source is taken as premultiplied (AC_SRC_ALPHA), any
// other with the constant opacity alone. Returns AlphaBlend's result.
bool AlphaBlendRect(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                    unsigned char opacity);

// Clip, then BlendPixels.
void BlendBitmap(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                 unsigned char opacity);
// Clip, then AlphaBlendRect. The source must be a TBitmap (anything else: false).
bool AlphaBlendBitmap(TBitmap* target, const TRect& rect, TGraphic* source, const TPoint& point,
                      unsigned char opacity);

// The two blends onto a canvas through a temporary copy of the canvas area
// (24-bit for BlendToCanvas, 32-bit for AlphaBlendToCanvas).
void BlendToCanvas(TCanvas* canvas, const TRect& rect, TGraphic* source, const TPoint& point,
                   unsigned char opacity);
void AlphaBlendToCanvas(TCanvas* canvas, const TRect& rect, TGraphic* source, const TPoint& point,
                        unsigned char opacity);

// Absent, or a side of 0.
bool IsBitmapEmpty(const TBitmap* bitmap);

// Decodes an image file through GDI+ (which the program has started) into a pf32bit
// bitmap. A file that cannot be decoded or converted shows "Can not load image <name>"
// (through the forms library's message-box hook) and leaves the bitmap as it was.
void LoadImage(const std::wstring& fileName, TBitmap* bitmap);

} // namespace gs
