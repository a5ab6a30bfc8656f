#include "ButtonArt.h"

#include <algorithm>
#include <cmath>

namespace widgets_test {

namespace {
unsigned char Byte(double v) { return static_cast<unsigned char>(std::max(0.0, std::min(255.0, v + 0.5))); }
} // namespace

TBitmap* GlossyButtonImage(int w, int h, int r, TColor colour)
{
    auto* b = new TBitmap;
    Fill(*b, w, h, clBlack);
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<unsigned char*>(b->ScanLine(y));
        double t = (y + 0.5) / h;
        // Bright gloss on the top half, the base colour deepening below.
        double light = t < 0.5 ? 1.45 - 0.5 * t : 0.95 - 0.35 * (t - 0.5);
        double gloss = t < 0.48 ? 70.0 * (1.0 - t / 0.48) : 0.0;
        for (int x = 0; x < w; ++x, p += 4) {
            double cx = std::max<double>(r, std::min<double>(w - r, x + 0.5));
            double cy = std::max<double>(r, std::min<double>(h - r, y + 0.5));
            double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r; // negative inside
            double coverage = std::max(0.0, std::min(1.0, 0.5 - d));
            double rim = d > -1.6 ? 0.55 : 1.0;
            for (int c = 0; c < 3; ++c) {
                double base = (colour >> (16 - 8 * c)) & 0xFF;
                p[c] = Byte(std::min(255.0, (base * light + gloss) * rim) * coverage);
            }
            p[3] = Byte(255.0 * coverage);
        }
    }
    return b;
}

TBitmap* SolidImage(int w, int h, TColor colour, BYTE alpha)
{
    auto* b = new TBitmap;
    Fill(*b, w, h, clBlack);
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<unsigned char*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x, p += 4) {
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(((colour >> (16 - 8 * c)) & 0xFF) * alpha / 255);
            p[3] = alpha;
        }
    }
    return b;
}

TBitmap* BackgroundPicture(int w, int h)
{
    auto* b = new TBitmap;
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<unsigned char*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x, p += 3) {
            double t = double(x + y) / (w + h), stripe = 8.0 * std::sin((x - y) * 0.06);
            p[0] = Byte(120 + 80 * t + stripe);
            p[1] = Byte(60 + 50 * t + stripe);
            p[2] = Byte(30 + 20 * t);
        }
    }
    return b;
}

void Fill(TBitmap& b, int w, int h, TColor colour)
{
    b.SetPixelFormat(pf32bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(colour);
    b.Canvas()->FillRect(TRect(0, 0, w, h));
    GdiFlush();
}

TColor PixelAt(TBitmap* bitmap, int x, int y)
{
    GdiFlush();
    const unsigned char* p = static_cast<const unsigned char*>(bitmap->ScanLine(y)) +
                             x * (bitmap->PixelFormat() == pf24bit ? 3 : 4);
    return TColor(p[2] | (p[1] << 8) | (p[0] << 16));
}

} // namespace widgets_test
