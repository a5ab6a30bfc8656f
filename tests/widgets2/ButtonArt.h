#pragma once
// Button artwork made in code for the tests, the sample window and the benchmark: glossy
// rounded images with anti-aliased, premultiplied alpha, plain solid images and a
// background picture.
#include "forms/Graphics.h"

namespace widgets_test {

// A w x h pf32bit premultiplied image: a rounded rectangle (corner radius r) in colour
// (0x00BBGGRR), lit from the top with a gloss band and a darker rim, transparent outside.
TBitmap* GlossyButtonImage(int w, int h, int r, TColor colour);
// A w x h pf32bit image of one colour and one alpha (premultiplied).
TBitmap* SolidImage(int w, int h, TColor colour, BYTE alpha = 255);
// A w x h pf24bit diagonal gradient with a soft stripe pattern.
TBitmap* BackgroundPicture(int w, int h);
// Makes b a w x h pf32bit bitmap filled with one colour (alpha 0).
void Fill(TBitmap& b, int w, int h, TColor colour);
// The colour (0x00BBGGRR) of pixel (x, y).
TColor PixelAt(TBitmap* bitmap, int x, int y);

} // namespace widgets_test
