#include "WidgetPixels.h"

#include <algorithm>

#include "forms/PngImage.h"

namespace widgets_test {

TBitmap* MakeBitmap(int width, int height, TPixelFormat format, uint32_t bgra)
{
    auto* b = new TBitmap();
    b->SetPixelFormat(format);
    b->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == pf32bit) {
                SetPx32(b, x, y, bgra);
            } else {
                auto* p = static_cast<uint8_t*>(b->ScanLine(y)) + 3 * x;
                p[0] = uint8_t(bgra);
                p[1] = uint8_t(bgra >> 8);
                p[2] = uint8_t(bgra >> 16);
            }
        }
    return b;
}

uint32_t Px32(TBitmap* b, int x, int y) { return static_cast<const uint32_t*>(b->ScanLine(y))[x]; }

uint32_t Px24(TBitmap* b, int x, int y)
{
    const auto* p = static_cast<const uint8_t*>(b->ScanLine(y)) + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

void SetPx32(TBitmap* b, int x, int y, uint32_t bgra) { static_cast<uint32_t*>(b->ScanLine(y))[x] = bgra; }

int CountAlphaAbove(TBitmap* b, const TRect& r, int limit)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (Alpha(Px32(b, x, y)) > limit) ++n;
    return n;
}

std::wstring SavePicture(TBitmap* b, const std::wstring& name, bool premultiplied)
{
    TPngImage png;
    png.SetSize(b->Width(), b->Height());
    for (int y = 0; y < b->Height(); ++y) {
        uint8_t* out = png.ScanLine(y);
        for (int x = 0; x < b->Width(); ++x, out += 4) {
            uint32_t px = b->PixelFormat() == pf32bit ? Px32(b, x, y) : (Px24(b, x, y) | 0xFF000000u);
            uint8_t a = Alpha(px);
            for (int c = 0; c < 3; ++c) {
                unsigned v = (px >> (8 * c)) & 0xFF;
                if (premultiplied && a > 0 && a < 255) v = std::min(255u, v * 255 / a);
                out[c] = uint8_t(v);
            }
            out[3] = a;
        }
    }
    // The tests run in the bin folder: the picture goes beside it, in the build tree.
    std::wstring path = L"..\\" + name + L".png";
    png.SaveToFile(path);
    return path;
}

} // namespace widgets_test
