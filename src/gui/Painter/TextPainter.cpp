#include "src/gui/Painter/TextPainter.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "src/gui/graphics/image.h"

#undef DrawText

namespace gs {

namespace {

const char* Text(const char* t) { return t ? t : ""; }
const wchar_t* Text(const wchar_t* t) { return t ? t : L""; }

int SysDrawText(HDC dc, const char* text, RECT* rect, unsigned format)
{
    return ::DrawTextA(dc, Text(text), -1, rect, format);
}
int SysDrawText(HDC dc, const wchar_t* text, RECT* rect, unsigned format)
{
    return ::DrawTextW(dc, Text(text), -1, rect, format);
}

TPoint ViewportOrigin(TBitmap* bitmap)
{
    POINT p{0, 0};
    GetViewportOrgEx(bitmap->Canvas()->Handle(), &p);
    return TPoint(p);
}

// The part of a logical rectangle that lies on the bitmap, as row and column ranges of
// the rectangle (i in [i0, i1), j in [j0, j1)) and the device position of its corner.
struct PixelSpan {
    int x0, y0;
    int i0, i1, j0, j1;
    bool Empty() const { return i0 >= i1 || j0 >= j1; }
};

PixelSpan SpanOf(TBitmap* bitmap, const TRect& rect)
{
    const TPoint o = ViewportOrigin(bitmap);
    PixelSpan s;
    s.x0 = rect.left + o.x;
    s.y0 = rect.top + o.y;
    s.j0 = std::max(0, -s.x0);
    s.j1 = std::min(int(rect.Width()), bitmap->Width() - s.x0);
    s.i0 = std::max(0, -s.y0);
    s.i1 = std::min(int(rect.Height()), bitmap->Height() - s.y0);
    return s;
}

uint8_t* Pixel32(TBitmap* bitmap, int x, int y) { return static_cast<uint8_t*>(bitmap->ScanLine(y)) + 4 * x; }

TRect Inset(const TRect& r, int d) { return TRect(r.left + d, r.top + d, r.right - d, r.bottom - d); }

// A bitmap freed at the end of the scope.
using BitmapPtr = std::unique_ptr<TBitmap>;

} // namespace

// ---- matrices -----------------------------------------------------------------------------

int** AllocMatrix(int rows, int columns)
{
    if (rows <= 0 || columns <= 0)
        return nullptr;
    int** m = new int*[rows];
    for (int i = 0; i < rows; ++i)
        m[i] = new int[columns];
    return m;
}

void FreeMatrix(int** matrix, int rows)
{
    if (!matrix)
        return;
    for (int i = 0; i < rows; ++i)
        delete[] matrix[i];
    delete[] matrix;
}

// ---- filters ------------------------------------------------------------------------------

NeighborWeightedFilter::NeighborWeightedFilter(int** kernel, int rowRadius, int columnRadius, int divisor)
    : m_kernel(kernel), m_divisor(divisor), m_rowRadius(rowRadius), m_columnRadius(columnRadius)
{
}

NeighborWeightedFilter::~NeighborWeightedFilter() { FreeMatrix(m_kernel, 2 * m_rowRadius + 1); }

int NeighborWeightedFilter::Apply(int** in, int rowOffset, int columnOffset, int rows, int columns, int row,
                                  int column) const
{
    int best = 0;
    for (int di = -m_rowRadius; di <= m_rowRadius; ++di) {
        const int r = row + di;
        if (r < 0 || r >= rows)
            continue;
        const int* inRow = in[r + rowOffset] + columnOffset;
        const int* kRow = m_kernel[m_rowRadius + di] + m_columnRadius;
        for (int dj = -m_columnRadius; dj <= m_columnRadius; ++dj) {
            const int c = column + dj;
            if (c < 0 || c >= columns)
                continue;
            const int v = inRow[c] * kRow[dj];
            if (v > best)
                best = v;
        }
    }
    return best / m_divisor;
}

OuterGlowFilterFactory::~OuterGlowFilterFactory() { DropFilter(); }

Filter* OuterGlowFilterFactory::GetFilter(int rowRadius, int columnRadius)
{
    FORMS_ASSERT_TEXT(rowRadius == columnRadius, "r == c");
    if (m_filter && m_filter->RowRadius() == rowRadius)
        return m_filter;
    DropFilter();
    m_filter = BuildFilter(rowRadius);
    return m_filter;
}

void OuterGlowFilterFactory::ReleaseFilter(Filter* filter)
{
    if (filter && filter != m_filter)
        delete filter;
}

void OuterGlowFilterFactory::SetSpread(float value)
{
    if (value != m_spread || value != value) {
        m_spread = value;
        DropFilter();
    }
}

void OuterGlowFilterFactory::SetOpacity(float value)
{
    if (value != m_opacity || value != value) {
        m_opacity = value;
        DropFilter();
    }
}

void OuterGlowFilterFactory::DropFilter()
{
    delete m_filter;
    m_filter = nullptr;
}

NeighborWeightedFilter* OuterGlowFilterFactory::BuildFilter(int radius) const
{
    radius = std::clamp(radius, 0, TRadiateTextPainter::MaxRadius);
    const int size = 2 * radius + 1;
    int** kernel = AllocMatrix(size, size);
    if (radius == 0)
        kernel[0][0] = static_cast<int>(256 * m_opacity);
    else
        BuildKernel(kernel, size, radius, m_spread, m_opacity, 256);
    return new NeighborWeightedFilter(kernel, radius, radius, 256);
}

void BuildKernel(int** kernel, int size, int radius, float spread, float opacity, int scale)
{
    const double inner = radius * static_cast<double>(spread);
    const double falloff = radius - inner + 1;
    for (int i = 0; i < size; ++i)
        for (int j = 0; j < size; ++j) {
            const int di = i - radius, dj = j - radius;
            const double dist = std::sqrt(static_cast<double>(di * di + dj * dj));
            if (dist <= inner) {
                kernel[i][j] = static_cast<int>(scale * opacity);
            } else {
                double g = std::exp(-(dist - inner) * (dist - inner) / (2 * falloff));
                if (g > 1)
                    g = 1;
                kernel[i][j] = static_cast<int>(scale * g * opacity);
            }
        }
}

void ApplyFilter(const Filter* filter, int** in, int rowOffset, int columnOffset, int rows, int columns,
                 int** out, int outputRowOffset, int outputColumnOffset)
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j)
            out[outputRowOffset + i][outputColumnOffset + j] =
                filter->Apply(in, rowOffset, columnOffset, rows, columns, i, j);
}

int** ReadLuminance(TBitmap* bitmap, const TRect& rect)
{
    const int h = rect.Height(), w = rect.Width();
    int** m = AllocMatrix(h, w);
    if (!m)
        return nullptr;
    if (bitmap->PixelFormat() != pf24bit && bitmap->PixelFormat() != pf32bit)
        bitmap->SetPixelFormat(pf24bit);
    const int bpp = bitmap->PixelFormat() == pf32bit ? 4 : 3;
    const PixelSpan s = SpanOf(bitmap, rect);
    for (int i = 0; i < h; ++i) {
        const bool rowInside = i >= s.i0 && i < s.i1;
        const uint8_t* row = rowInside ? static_cast<const uint8_t*>(bitmap->ScanLine(s.y0 + i)) : nullptr;
        for (int j = 0; j < w; ++j) {
            if (!rowInside || j < s.j0 || j >= s.j1) {
                m[i][j] = 0;
                continue;
            }
            const uint8_t* p = row + bpp * (s.x0 + j);
            m[i][j] = static_cast<int>(p[2] * 0.299 + p[1] * 0.587 + p[0] * 0.114 + 0.5f);
        }
    }
    return m;
}

void WriteAlpha(TBitmap* bitmap, const TRect& rect, int** matrix)
{
    FORMS_ASSERT_TEXT(bitmap->PixelFormat() == pf32bit, "bitmap->PixelFormat == pf32bit");
    const PixelSpan s = SpanOf(bitmap, rect);
    for (int i = s.i0; i < s.i1; ++i)
        for (int j = s.j0; j < s.j1; ++j) {
            int& m = matrix[i][j];
            if (m > 255)
                m = 255;
            Pixel32(bitmap, s.x0 + j, s.y0 + i)[3] = static_cast<uint8_t>(m);
        }
}

void WritePremultipliedAlpha(TBitmap* bitmap, const TRect& rect, int** matrix)
{
    FORMS_ASSERT_TEXT(bitmap->PixelFormat() == pf32bit, "bitmap->PixelFormat == pf32bit");
    const PixelSpan s = SpanOf(bitmap, rect);
    for (int i = s.i0; i < s.i1; ++i)
        for (int j = s.j0; j < s.j1; ++j) {
            int& m = matrix[i][j];
            if (m > 255)
                m = 255;
            uint8_t* p = Pixel32(bitmap, s.x0 + j, s.y0 + i);
            const double x = m / 255.0;
            p[3] = static_cast<uint8_t>(m);
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(static_cast<int>(p[c] * x + 0.5));
        }
}

// ---- TTextPainter -------------------------------------------------------------------------

namespace {

template <class Ch>
int PlainText(TCanvas* canvas, const Ch* text, const TRect& rect, unsigned format)
{
    if (rect.IsEmpty())
        return 0;
    HDC dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    RECT r = rect;
    return SysDrawText(dc, text, &r, format);
}

template <class Ch>
void AlphaText(TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format)
{
    if (rect.IsEmpty())
        return;
    // A 32-bit image is written: a target of another format would be overrun.
    if (bitmap->PixelFormat() != pf32bit)
        bitmap->SetPixelFormat(pf32bit);
    BitmapPtr mask(TTextPainter::CreateTextBitmap(bitmap->Canvas(), rect));
    TCanvas* canvas = bitmap->Canvas();
    const TColor color = ColorToRGB(canvas->Font()->Color());
    canvas->Brush()->SetColor(color);
    canvas->FillRect(rect);

    TCanvas* m = mask->Canvas();
    m->Font()->SetColor(clWhite);
    m->Brush()->SetColor(clBlack);
    m->FillRect(TRect(0, 0, mask->Width(), mask->Height()));
    PlainText(m, text, TRect(0, 0, rect.Width(), rect.Height()), format);

    const unsigned r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    const PixelSpan s = SpanOf(bitmap, rect);
    for (int i = s.i0; i < s.i1; ++i) {
        const uint8_t* mrow = static_cast<const uint8_t*>(mask->ScanLine(i));
        for (int j = s.j0; j < s.j1; ++j) {
            const unsigned a = mrow[4 * j];
            uint8_t* p = Pixel32(bitmap, s.x0 + j, s.y0 + i);
            p[0] = static_cast<uint8_t>(b * a / 255);
            p[1] = static_cast<uint8_t>(g * a / 255);
            p[2] = static_cast<uint8_t>(r * a / 255);
            p[3] = static_cast<uint8_t>(a);
        }
    }
}

template <class Ch>
void PlainDraw(TCanvas* canvas, const Ch* text, const TRect& rect, unsigned format, int alpha,
               bool premultiplied)
{
    if (rect.IsEmpty())
        return;
    if (!alpha && !premultiplied) {
        PlainText(canvas, text, rect, format);
        return;
    }
    BitmapPtr temp(TTextPainter::CreateTextBitmap(canvas, rect));
    AlphaText(temp.get(), text, TRect(0, 0, rect.Width(), rect.Height()), format);
    if (alpha)
        CopyBitmapToCanvas(canvas, rect, temp.get(), TPoint(0, 0));
    else
        AlphaBlendToCanvas(canvas, rect, temp.get(), TPoint(0, 0), 255);
}

template <class Ch>
void PlainDraw(TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format, int alpha,
               bool premultiplied)
{
    if (rect.IsEmpty())
        return;
    if (alpha) {
        AlphaText(bitmap, text, rect, format);
    } else if (premultiplied) {
        BitmapPtr temp(TTextPainter::CreateTextBitmap(bitmap->Canvas(), rect));
        AlphaText(temp.get(), text, TRect(0, 0, rect.Width(), rect.Height()), format);
        AlphaBlendBitmap(bitmap, rect, temp.get(), TPoint(0, 0), 255);
    } else {
        PlainText(bitmap->Canvas(), text, rect, format);
    }
}

template <class Ch>
int Measure(TCanvas* canvas, const Ch* text, TRect& rect, unsigned format)
{
    RECT r = rect;
    const int height = SysDrawText(canvas->Handle(), text, &r, format | DT_CALCRECT);
    rect = TRect(r);
    return height;
}

} // namespace

void TTextPainter::DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format, int alpha,
                            bool premultiplied)
{
    PlainDraw(canvas, text, rect, format, alpha, premultiplied);
}

void TTextPainter::DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format,
                            int alpha, bool premultiplied)
{
    PlainDraw(canvas, text, rect, format, alpha, premultiplied);
}

void TTextPainter::DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, int alpha,
                            bool premultiplied)
{
    PlainDraw(bitmap, text, rect, format, alpha, premultiplied);
}

void TTextPainter::DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format,
                            int alpha, bool premultiplied)
{
    PlainDraw(bitmap, text, rect, format, alpha, premultiplied);
}

int TTextPainter::CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format)
{
    return Measure(canvas, text, rect, format);
}

int TTextPainter::CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format)
{
    return Measure(canvas, text, rect, format);
}

void TTextPainter::Release() {}

int TTextPainter::DrawPlainText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format)
{
    return PlainText(canvas, text, rect, format);
}

int TTextPainter::DrawPlainText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format)
{
    return PlainText(canvas, text, rect, format);
}

void TTextPainter::DrawAlphaText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, bool)
{
    AlphaText(bitmap, text, rect, format);
}

void TTextPainter::DrawAlphaText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format,
                                 bool)
{
    AlphaText(bitmap, text, rect, format);
}

TBitmap* TTextPainter::CreateTextBitmap(TCanvas* canvas, const TRect& rect)
{
    auto* b = new TBitmap();
    b->SetPixelFormat(pf32bit);
    b->SetSize(std::max(0, int(rect.Width())), std::max(0, int(rect.Height())));
    b->Canvas()->Font()->Assign(canvas->Font());
    return b;
}

TBitmap* TTextPainter::CreateGlowBitmap(TCanvas* canvas, const TRect& rect)
{
    TBitmap* b = CreateTextBitmap(canvas, rect);
    b->Canvas()->Brush()->SetColor(clBlack);
    b->Canvas()->FillRect(TRect(0, 0, b->Width(), b->Height()));
    b->Canvas()->Font()->SetColor(clWhite);
    return b;
}

TBitmap* TTextPainter::CreateBlackBitmap(int width, int height)
{
    auto* b = new TBitmap();
    b->SetPixelFormat(pf32bit);
    b->Canvas()->Brush()->SetColor(clBlack);
    b->SetSize(std::max(0, width), std::max(0, height));
    return b;
}

TTextPainter* GetSharedTextPainter()
{
    static TTextPainter* shared = new TTextPainter();
    return shared;
}

// ---- TRadiateTextPainter ------------------------------------------------------------------

TRadiateTextPainter::TRadiateTextPainter() : m_factory(new OuterGlowFilterFactory()) {}

TRadiateTextPainter::~TRadiateTextPainter() { delete m_factory; }

void TRadiateTextPainter::SetRadius(int value) { m_radius = std::clamp(value, 0, MaxRadius); }

void TRadiateTextPainter::Release() { delete this; }

int** TRadiateTextPainter::BuildGlowMatrix(TBitmap* bitmap, const TRect& rect)
{
    const int h = rect.Height(), w = rect.Width();
    int** lum = ReadLuminance(bitmap, rect);
    int** out = AllocMatrix(h, w);
    if (!lum || !out) {
        FreeMatrix(lum, h);
        FreeMatrix(out, h);
        return nullptr;
    }
    auto* factory = static_cast<OuterGlowFilterFactory*>(m_factory);
    // Worked in extended precision, kept as float: equal settings keep the cached kernel.
    factory->SetSpread(static_cast<float>(m_spread / 255.0L));
    factory->SetOpacity(static_cast<float>(m_opacity / 255.0L));
    Filter* filter = factory->GetFilter(m_radius, m_radius);
    ApplyFilter(filter, lum, 0, 0, h, w, out, 0, 0);
    FreeMatrix(lum, h);
    factory->ReleaseFilter(filter);
    return out;
}

void TRadiateTextPainter::FillGlow(TBitmap* bitmap, const TRect& rect, bool premultiplied, TColor color)
{
    if (rect.IsEmpty())
        return;
    int** matrix = BuildGlowMatrix(bitmap, rect);
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(rect);
    if (premultiplied)
        WritePremultipliedAlpha(bitmap, rect, matrix);
    else
        WriteAlpha(bitmap, rect, matrix);
    FreeMatrix(matrix, rect.Height());
}

template <class Ch>
void TRadiateTextPainter::DrawGlow(TCanvas* canvas, TBitmap* bitmap, const Ch* text, const TRect& rect,
                                   unsigned format, int alpha, bool premultiplied)
{
    if (rect.IsEmpty())
        return;
    TCanvas* target = bitmap ? bitmap->Canvas() : canvas;
    const int w = rect.Width(), h = rect.Height();
    BitmapPtr g(CreateGlowBitmap(target, rect));
    DrawPlainText(g->Canvas(), text, TRect(m_radius, m_radius, w - m_radius, h - m_radius), format);
    FillGlow(g.get(), TRect(0, 0, w, h), premultiplied, target->Font()->Color());
    if (bitmap) {
        if (premultiplied)
            AlphaBlendBitmap(bitmap, rect, g.get(), TPoint(0, 0), 255);
        else
            BlendBitmap(bitmap, rect, g.get(), TPoint(0, 0), 255);
    } else if (alpha) {
        CopyBitmapToCanvas(canvas, rect, g.get(), TPoint(0, 0));
    } else if (premultiplied) {
        AlphaBlendToCanvas(canvas, rect, g.get(), TPoint(0, 0), 255);
    } else {
        BlendToCanvas(canvas, rect, g.get(), TPoint(0, 0), 255);
    }
}

template <class Ch>
void TRadiateTextPainter::DrawGlowInPlace(TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format,
                                          bool premultiplied)
{
    if (rect.IsEmpty())
        return;
    if (bitmap->PixelFormat() != pf32bit)
        bitmap->SetPixelFormat(pf32bit); // a 32-bit image is written
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(clBlack);
    c->FillRect(rect);
    const TColor remembered = c->Font()->Color();
    c->Font()->SetColor(clWhite);
    DrawPlainText(c, text, Inset(rect, m_radius), format);
    FillGlow(bitmap, rect, premultiplied, remembered);
    c->Font()->SetColor(remembered);
}

void TRadiateTextPainter::DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format,
                                   int alpha, bool premultiplied)
{
    DrawGlow(canvas, nullptr, text, rect, format, alpha, premultiplied);
}

void TRadiateTextPainter::DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format,
                                   int alpha, bool premultiplied)
{
    DrawGlow(canvas, nullptr, text, rect, format, alpha, premultiplied);
}

void TRadiateTextPainter::DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format,
                                   int alpha, bool premultiplied)
{
    if (alpha)
        DrawGlowInPlace(bitmap, text, rect, format, premultiplied);
    else
        DrawGlow(nullptr, bitmap, text, rect, format, alpha, premultiplied);
}

void TRadiateTextPainter::DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format,
                                   int alpha, bool premultiplied)
{
    if (alpha)
        DrawGlowInPlace(bitmap, text, rect, format, premultiplied);
    else
        DrawGlow(nullptr, bitmap, text, rect, format, alpha, premultiplied);
}

int TRadiateTextPainter::CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format)
{
    const int height = TTextPainter::CalcRect(canvas, text, rect, format);
    if (rect.Width() > 0 && rect.Height() > 0) {
        rect.right += 2 * m_radius;
        rect.bottom += 2 * m_radius;
    }
    return height;
}

int TRadiateTextPainter::CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format)
{
    const int height = TTextPainter::CalcRect(canvas, text, rect, format);
    if (rect.Width() > 0 && rect.Height() > 0) {
        rect.right += 2 * m_radius;
        rect.bottom += 2 * m_radius;
    }
    return height;
}

// ---- TOuterGlowTextPainter ----------------------------------------------------------------

template <class Ch>
void TOuterGlowTextPainter::DrawOuter(TCanvas* canvas, TBitmap* bitmap, const Ch* text, const TRect& rect,
                                      unsigned format, int alpha, bool premultiplied)
{
    TCanvas* target = bitmap ? bitmap->Canvas() : canvas;
    const int radius = Radius();
    const int L = rect.left, T0 = rect.top, Rt = rect.right, B0 = rect.bottom;
    const int w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0)
        return;

    if (!alpha) {
        const TColor f = target->Font()->Color();
        target->Font()->SetColor(m_color);
        TRect textRect(L + radius, T0 + radius, Rt - m_x - radius, B0 - m_y - radius);
        if (!bitmap) {
            if (textRect.right < textRect.left)
                textRect.right = textRect.left;
            if (textRect.bottom < textRect.top)
                textRect.bottom = textRect.top;
        }
        if (radius != 0) {
            const TRect glowRect(L + m_x, T0 + m_y, Rt, B0);
            if (bitmap)
                TRadiateTextPainter::DrawText(bitmap, text, glowRect, format, 0, premultiplied);
            else
                TRadiateTextPainter::DrawText(canvas, text, glowRect, format, 0, premultiplied);
        }
        target->Font()->SetColor(f);
        if (bitmap)
            TTextPainter::DrawText(bitmap, text, textRect, format, 0, premultiplied);
        else
            TTextPainter::DrawText(canvas, text, textRect, format, 0, premultiplied);
        return;
    }

    // Image forms: the layers are laid out from the rectangle's own corner.
    if (radius == 0) {
        const TRect textRect(L, T0, Rt - m_x, B0 - m_y);
        if (bitmap)
            DrawAlphaText(bitmap, text, textRect, format);
        else
            TTextPainter::DrawText(canvas, text, textRect, format, 1, false);
        return;
    }
    BitmapPtr textLayer(CreateBlackBitmap(w, h));
    textLayer->Canvas()->Font()->Assign(target->Font());
    DrawAlphaText(textLayer.get(), text, TRect(radius, radius, w - m_x - radius, h - m_y - radius), format);

    if (!bitmap) {
        BitmapPtr glow(CreateBlackBitmap(w, h));
        glow->Canvas()->Font()->Assign(target->Font());
        glow->Canvas()->Font()->SetColor(m_color);
        DrawGlowInPlace(glow.get(), text, TRect(m_x, m_y, w, h), format, premultiplied);
        if (!premultiplied)
            PremultiplyAlpha(glow.get());
        AlphaBlendBitmap(glow.get(), TRect(0, 0, w, h), textLayer.get(), TPoint(0, 0), 255);
        CopyBitmapToCanvas(canvas, rect, glow.get(), TPoint(0, 0));
        return;
    }
    const TColor remembered = target->Font()->Color();
    target->Font()->SetColor(m_color);
    DrawGlowInPlace(bitmap, text, TRect(L + m_x, T0 + m_y, Rt, B0), format, premultiplied);
    target->Font()->SetColor(remembered);
    AlphaBlendBitmap(bitmap, TRect(L, T0, Rt - m_x, B0 - m_y), textLayer.get(), TPoint(0, 0), 255);
}

void TOuterGlowTextPainter::DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format,
                                     int alpha, bool premultiplied)
{
    DrawOuter(canvas, nullptr, text, rect, format, alpha, premultiplied);
}

void TOuterGlowTextPainter::DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format,
                                     int alpha, bool premultiplied)
{
    DrawOuter(canvas, nullptr, text, rect, format, alpha, premultiplied);
}

void TOuterGlowTextPainter::DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format,
                                     int alpha, bool premultiplied)
{
    DrawOuter(nullptr, bitmap, text, rect, format, alpha, premultiplied);
}

void TOuterGlowTextPainter::DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format,
                                     int alpha, bool premultiplied)
{
    DrawOuter(nullptr, bitmap, text, rect, format, alpha, premultiplied);
}

int TOuterGlowTextPainter::CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format)
{
    const int height = TRadiateTextPainter::CalcRect(canvas, text, rect, format);
    if (rect.Width() != 0 && rect.Height() != 0) {
        rect.right += m_x;
        rect.bottom += m_y;
    }
    return height;
}

int TOuterGlowTextPainter::CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format)
{
    const int height = TRadiateTextPainter::CalcRect(canvas, text, rect, format);
    if (rect.Width() != 0 && rect.Height() != 0) {
        rect.right += m_x;
        rect.bottom += m_y;
    }
    return height;
}

TOuterGlowTextPainter* CreateOuterGlowTextPainter() { return new TOuterGlowTextPainter(); }

} // namespace gs
