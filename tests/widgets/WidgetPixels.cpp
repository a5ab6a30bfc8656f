#include "WidgetPixels.h"

#include <cstring>

#include "forms/PngImage.h"

namespace widgets_test {

TBitmap* MakeBitmap(int width, int height, TPixelFormat format, uint32_t bgra)
{
    auto* b = new TBitmap();
    b->SetPixelFormat(format);
    b->SetSize(width, height);
    const int bpp = format == pf32bit ? 4 : 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            memcpy(static_cast<uint8_t*>(b->ScanLine(y)) + bpp * x, &bgra, bpp);
    return b;
}

uint32_t Px24(TBitmap* b, int x, int y)
{
    uint32_t px = 0;
    memcpy(&px, static_cast<const uint8_t*>(b->ScanLine(y)) + 3 * x, 3);
    return px;
}

int CountAlphaAbove(TBitmap* b, const TRect& r, int limit)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += Alpha(Px32(b, x, y)) > limit;
    return n;
}

void SavePicture(TBitmap* b, const std::wstring& name)
{
    TPngImage png;
    png.SetSize(b->Width(), b->Height());
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) {
            const uint32_t px = (b->PixelFormat() == pf32bit ? Px32(b, x, y) : Px24(b, x, y)) | 0xFF000000u;
            memcpy(png.ScanLine(y) + 4 * x, &px, 4);
        }
    png.SaveToFile(L"..\\" + name + L".png"); // the tests run in the bin folder
}

} // namespace widgets_test
