#include "src/gui/graphics/image.h"

#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

#include "forms/Forms.h"

#undef LoadImage

namespace gs {

namespace {

TPoint ViewportOrigin(TCanvas* canvas)
{
    POINT p{0, 0};
    GetViewportOrgEx(canvas->Handle(), &p);
    return TPoint(p);
}

uint8_t* Row(TBitmap* bitmap, int y) { return static_cast<uint8_t*>(bitmap->ScanLine(y)); }

} // namespace

void PremultiplyAlpha(TBitmap* bitmap)
{
    if (!bitmap || bitmap->PixelFormat() != pf32bit)
        return;
    const int width = bitmap->Width();
    for (int y = 0; y < bitmap->Height(); ++y) {
        uint8_t* p = Row(bitmap, y);
        for (int x = 0; x < width; ++x, p += 4) {
            const unsigned a = p[3];
            p[0] = static_cast<uint8_t>(p[0] * a / 255);
            p[1] = static_cast<uint8_t>(p[1] * a / 255);
            p[2] = static_cast<uint8_t>(p[2] * a / 255);
        }
    }
}

void CopyCanvasToBitmap(TCanvas* canvas, TBitmap* bitmap, const TRect& rect)
{
    const int w = std::max(0, int(rect.Width()));
    const int h = std::max(0, int(rect.Height()));
    bitmap->SetSize(w, h);
    if (w == 0 || h == 0)
        return;
    bitmap->Canvas()->SetCopyMode(cmSrcCopy);
    bitmap->Canvas()->CopyRect(TRect(0, 0, w, h), canvas, rect);
}

void CopyBitmapToCanvas(TCanvas* canvas, const TRect& rect, TBitmap* bitmap, const TPoint& point)
{
    canvas->SetCopyMode(cmSrcCopy);
    if (rect.IsEmpty() || IsBitmapEmpty(bitmap))
        return;
    canvas->CopyRect(rect, bitmap->Canvas(),
                     TRect(point.x, point.y, point.x + rect.Width(), point.y + rect.Height()));
}

TRect ClipBlendArea(TBitmap* target, const TRect& rect, TBitmap* source, TPoint& point)
{
    const TPoint ot = ViewportOrigin(target->Canvas());
    const TPoint os = ViewportOrigin(source->Canvas());
    TRect r = rect;
    r.Offset(ot.x, ot.y);
    TPoint p(point.x + os.x, point.y + os.y);

    if (r.left < 0) {
        p.x -= r.left;
        r.left = 0;
    }
    if (p.x < 0) {
        r.left -= p.x;
        p.x = 0;
    }
    if (r.top < 0) {
        p.y -= r.top;
        r.top = 0;
    }
    if (p.y < 0) {
        r.top -= p.y;
        p.y = 0;
    }

    const long availableWidth = std::max(0L, long(source->Width() - p.x));
    const long availableHeight = std::max(0L, long(source->Height() - p.y));
    r.right = std::min(r.right, long(target->Width()));
    r.bottom = std::min(r.bottom, long(target->Height()));
    if (r.right - r.left > availableWidth)
        r.right = r.left + availableWidth;
    if (r.bottom - r.top > availableHeight)
        r.bottom = r.top + availableHeight;

    r.Offset(-ot.x, -ot.y);
    point = TPoint(p.x - os.x, p.y - os.y);
    return r;
}

void BlendPixels(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                 unsigned char opacity)
{
    FORMS_ASSERT_TEXT(source && source->PixelFormat() == pf32bit, "src->PixelFormat == pf32bit");
    if (target->PixelFormat() != pf24bit)
        target->SetPixelFormat(pf24bit);
    if (rect.IsEmpty())
        return;

    const TPoint ot = ViewportOrigin(target->Canvas());
    const TPoint os = ViewportOrigin(source->Canvas());
    // Device rows and columns, cut to both bitmaps: nothing outside either is read or written.
    const int tx0 = rect.left + ot.x, ty0 = rect.top + ot.y;
    const int sx0 = point.x + os.x, sy0 = point.y + os.y;
    const int jBegin = std::max({0, -tx0, -sx0});
    const int jEnd = std::min({int(rect.Width()), target->Width() - tx0, source->Width() - sx0});
    const int iBegin = std::max({0, -ty0, -sy0});
    const int iEnd = std::min({int(rect.Height()), target->Height() - ty0, source->Height() - sy0});
    if (jBegin >= jEnd || iBegin >= iEnd)
        return;

    // The weights are doubles (each rounded once, through memory), the products and sums
    // long double: mingw's long double is the 80-bit x87 format on both targets, so the
    // shipped 32-bit build and the 64-bit one truncate alike (128/255 over 255 gives 127).
    double alphaWeight[256];
    for (int a = 0; a < 256; ++a)
        alphaWeight[a] = a / 255.0;
    const long double wa = alphaWeight[opacity];
    long double weight[256], rest[256];
    for (int a = 0; a < 256; ++a) {
        weight[a] = wa * alphaWeight[a];
        rest[a] = 1.0L - weight[a];
    }
    for (int i = iBegin; i < iEnd; ++i) {
        const uint8_t* s = Row(source, sy0 + i) + 4 * (sx0 + jBegin);
        uint8_t* d = Row(target, ty0 + i) + 3 * (tx0 + jBegin);
        for (int j = jBegin; j < jEnd; ++j, s += 4, d += 3) {
            const long double w = weight[s[3]], v = rest[s[3]];
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<uint8_t>(static_cast<int>(s[c] * w + d[c] * v));
        }
    }
}

bool AlphaBlendRect(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                    unsigned char opacity)
{
    if (rect.IsEmpty())
        return false;
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.BlendFlags = 0;
    blend.SourceConstantAlpha = opacity;
    blend.AlphaFormat = source->PixelFormat() == pf32bit ? AC_SRC_ALPHA : 0;
    HDC dst = target->Canvas()->Handle();
    HDC src = source->Canvas()->Handle();
    return ::AlphaBlend(dst, rect.left, rect.top, rect.Width(), rect.Height(), src, point.x, point.y,
                        rect.Width(), rect.Height(), blend) != FALSE;
}

void BlendBitmap(TBitmap* target, const TRect& rect, TBitmap* source, const TPoint& point,
                 unsigned char opacity)
{
    FORMS_ASSERT_TEXT(source && source->PixelFormat() == pf32bit, "src->PixelFormat == pf32bit");
    TPoint p = point;
    const TRect r = ClipBlendArea(target, rect, source, p);
    BlendPixels(target, r, source, p, opacity);
}

bool AlphaBlendBitmap(TBitmap* target, const TRect& rect, TGraphic* source, const TPoint& point,
                      unsigned char opacity)
{
    auto* bitmap = dynamic_cast<TBitmap*>(source);
    if (!bitmap)
        return false;
    TPoint p = point;
    const TRect r = ClipBlendArea(target, rect, bitmap, p);
    return AlphaBlendRect(target, r, bitmap, p, opacity);
}

void BlendToCanvas(TCanvas* canvas, const TRect& rect, TGraphic* source, const TPoint& point,
                   unsigned char opacity)
{
    auto* bitmap = dynamic_cast<TBitmap*>(source);
    FORMS_ASSERT_TEXT(bitmap && bitmap->PixelFormat() == pf32bit, "src->PixelFormat == pf32bit");
    if (rect.IsEmpty())
        return;
    TBitmap temp;
    temp.SetPixelFormat(pf24bit);
    CopyCanvasToBitmap(canvas, &temp, rect);
    BlendBitmap(&temp, TRect(0, 0, rect.Width(), rect.Height()), bitmap, point, opacity);
    CopyBitmapToCanvas(canvas, rect, &temp, TPoint(0, 0));
}

void AlphaBlendToCanvas(TCanvas* canvas, const TRect& rect, TGraphic* source, const TPoint& point,
                        unsigned char opacity)
{
    if (rect.IsEmpty())
        return;
    TBitmap temp;
    temp.SetPixelFormat(pf32bit);
    CopyCanvasToBitmap(canvas, &temp, rect);
    AlphaBlendBitmap(&temp, TRect(0, 0, rect.Width(), rect.Height()), source, point, opacity);
    CopyBitmapToCanvas(canvas, rect, &temp, TPoint(0, 0));
}

bool IsBitmapEmpty(const TBitmap* bitmap) { return !bitmap || bitmap->Width() == 0 || bitmap->Height() == 0; }

void LoadImage(const std::wstring& fileName, TBitmap* bitmap)
{
    using namespace Gdiplus;
    GpBitmap* image = nullptr;
    GpStatus status = DllExports::GdipCreateBitmapFromFile(fileName.c_str(), &image);
    HBITMAP handle = nullptr;
    if (status == Ok && image) {
        // Convert before touching the target, so a failure leaves it as it was.
        status = DllExports::GdipCreateHBITMAPFromBitmap(image, &handle, 0xFF000000);
    }
    if (image)
        DllExports::GdipDisposeImage(image);
    if (status != Ok || !handle) {
        if (handle)
            DeleteObject(handle);
        FormsMessageBox(nullptr, String(L"Can not load image ") + String(fileName), L"LoadImage", MB_OK);
        return;
    }
    bitmap->SetSize(0, 0);
    bitmap->SetHandle(handle);
    bitmap->SetPixelFormat(pf32bit);
}

} // namespace gs
