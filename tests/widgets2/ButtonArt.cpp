#include "ButtonArt.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "forms/PngImage.h"

namespace widgets_test {

namespace {

unsigned char Clamp(double v)
{
    return static_cast<unsigned char>(std::max(0.0, std::min(255.0, v + 0.5)));
}

// Distance from (px, py) to the rounded rectangle's edge, negative inside.
double RoundedDistance(double px, double py, double w, double h, double r)
{
    double cx = std::max(r, std::min(w - r, px));
    double cy = std::max(r, std::min(h - r, py));
    return std::hypot(px - cx, py - cy) - r;
}

} // namespace

TBitmap* GlossyButtonImage(int w, int h, int r, TColor colour)
{
    auto* b = new TBitmap;
    b->SetPixelFormat(pf32bit);
    b->SetSize(w, h);
    double base[3] = {double((colour >> 16) & 0xFF), double((colour >> 8) & 0xFF), double(colour & 0xFF)};
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<unsigned char*>(b->ScanLine(y));
        double t = (y + 0.5) / h;
        // Top half bright gloss, bottom half the base colour deepening towards the edge.
        double light = t < 0.5 ? 1.45 - 0.5 * t : 0.95 - 0.35 * (t - 0.5);
        double gloss = t < 0.48 ? 70.0 * (1.0 - t / 0.48) : 0.0;
        for (int x = 0; x < w; ++x, p += 4) {
            double d = RoundedDistance(x + 0.5, y + 0.5, w, h, r);
            double coverage = std::max(0.0, std::min(1.0, 0.5 - d));
            double rim = d > -1.6 ? 0.55 : 1.0; // a darker rim one pixel wide
            double a = 255.0 * coverage;
            for (int c = 0; c < 3; ++c) {
                double v = std::min(255.0, base[c] * light * rim + gloss * rim);
                p[c] = Clamp(v * coverage);
            }
            p[3] = Clamp(a);
        }
    }
    return b;
}

TBitmap* SolidImage(int w, int h, TColor colour, BYTE alpha)
{
    auto* b = new TBitmap;
    b->SetPixelFormat(pf32bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<unsigned char*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = static_cast<unsigned char>(((colour >> 16) & 0xFF) * alpha / 255);
            p[1] = static_cast<unsigned char>(((colour >> 8) & 0xFF) * alpha / 255);
            p[2] = static_cast<unsigned char>((colour & 0xFF) * alpha / 255);
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
            double t = double(x + y) / (w + h);
            double stripe = 8.0 * std::sin((x - y) * 0.06);
            p[0] = Clamp(120 + 80 * t + stripe);
            p[1] = Clamp(60 + 50 * t + stripe);
            p[2] = Clamp(30 + 20 * t);
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
}

TColor PixelAt(TBitmap* bitmap, int x, int y)
{
    GdiFlush();
    auto* row = static_cast<const unsigned char*>(bitmap->ScanLine(y));
    int step = bitmap->PixelFormat() == pf24bit ? 3 : 4;
    const unsigned char* p = row + x * step;
    return TColor(p[2] | (p[1] << 8) | (p[0] << 16));
}

bool SavePng(TBitmap* bitmap, const wchar_t* path)
{
    GdiFlush();
    int w = bitmap->Width(), h = bitmap->Height();
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            TColor c = PixelAt(bitmap, x, y);
            uint8_t* d = &rows[(static_cast<size_t>(y) * w + x) * 4];
            d[0] = static_cast<uint8_t>((c >> 16) & 0xFF);
            d[1] = static_cast<uint8_t>((c >> 8) & 0xFF);
            d[2] = static_cast<uint8_t>(c & 0xFF);
            d[3] = 255;
        }
    std::vector<uint8_t> png = EncodePng(w, h, rows.data(), static_cast<size_t>(w) * 4);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == png.size();
}

} // namespace widgets_test
