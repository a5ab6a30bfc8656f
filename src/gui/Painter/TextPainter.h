#pragma once
// Text painters: plain, anti-aliased with alpha, and with a soft glow ("radiation").
//
// The glow is a grey-scale dilation: the text is drawn white on black, its luminance
// becomes an integer matrix, a weighted-maximum filter with a Gaussian-shaped kernel
// spreads it, and the result becomes the alpha of a rectangle filled with the glow
// colour. The kernel is cached per painter while Spread, Opacity and Radius stay.
//
// DrawText arguments: rect in the target's logical coordinates (not modified); format
// the DT_ flags; alpha false composes over the target, true writes a 32-bit image
// (colour and alpha) into the rectangle; premultiplied true makes premultiplied images
// composed by AlphaBlend, false straight ones composed per pixel (or plain GDI text).
// The text colour is the target canvas's font colour, the font its font.
// Inverted or empty rectangles draw nothing.
#include "forms/Graphics.h"

#undef DrawText

namespace gs {

// ---- matrices ---------------------------------------------------------------------------

// rows x columns of int, row by row; cells are not initialised. Null for an empty size.
int** AllocMatrix(int rows, int columns);
void FreeMatrix(int** matrix, int rows);

// ---- filters ----------------------------------------------------------------------------

class Filter {
public:
    virtual ~Filter() = default;
    // The output at (row, column) of a rows x columns area of in starting at the offsets.
    virtual int Apply(int** in, int rowOffset, int columnOffset, int rows, int columns, int row,
                      int column) const = 0;
};

// Weighted maximum: max over the kernel's taps inside the area of in * weight, divided by
// the divisor. A single bright cell yields the kernel's shape scaled by its value.
class NeighborWeightedFilter : public Filter {
public:
    // Takes ownership of the (2 rowRadius + 1) x (2 columnRadius + 1) kernel.
    NeighborWeightedFilter(int** kernel, int rowRadius, int columnRadius, int divisor);
    ~NeighborWeightedFilter() override;
    int Apply(int** in, int rowOffset, int columnOffset, int rows, int columns, int row,
              int column) const override;

    int** Kernel() const { return m_kernel; }
    int Divisor() const { return m_divisor; }
    int RowRadius() const { return m_rowRadius; }
    int ColumnRadius() const { return m_columnRadius; }

private:
    int** m_kernel;
    int m_divisor;
    int m_rowRadius;
    int m_columnRadius;
};

class FilterFactory {
public:
    virtual ~FilterFactory() = default;
    // The factory keeps ownership; hand the filter back through ReleaseFilter.
    virtual Filter* GetFilter(int rowRadius, int columnRadius) = 0;
    virtual void ReleaseFilter(Filter* filter) = 0;
};

// Builds the glow kernel: weights 0..256 (256 = 1.0), full weight Opacity within
// Radius * Spread, Gaussian-shaped fall-off beyond. Caches the last filter.
class OuterGlowFilterFactory : public FilterFactory {
public:
    OuterGlowFilterFactory() = default;
    ~OuterGlowFilterFactory() override;

    // Only square kernels: rowRadius must equal columnRadius.
    Filter* GetFilter(int rowRadius, int columnRadius) override;
    // Deletes a filter that is not the cached one.
    void ReleaseFilter(Filter* filter) override;

    float Spread() const { return m_spread; }
    float Opacity() const { return m_opacity; }
    // A different value (any inequality) drops the cached filter.
    void SetSpread(float value);
    void SetOpacity(float value);
    void DropFilter();
    NeighborWeightedFilter* BuildFilter(int radius) const;
    NeighborWeightedFilter* CachedFilter() const { return m_filter; }

private:
    float m_spread = 0.0f;
    float m_opacity = 1.0f;
    NeighborWeightedFilter* m_filter = nullptr;
};

// Fills a size x size kernel (size = 2 radius + 1).
void BuildKernel(int** kernel, int size, int radius, float spread, float opacity, int scale);
// out[outRow + i][outColumn + j] = filter.Apply(in, ..., i, j) over rows x columns.
void ApplyFilter(const Filter* filter, int** in, int rowOffset, int columnOffset, int rows, int columns,
                 int** out, int outputRowOffset, int outputColumnOffset);

// Luminance (0.299 R + 0.587 G + 0.114 B, rounded) of rect, height x width; a bitmap that
// is neither 24- nor 32-bit becomes 24-bit. Cells of pixels outside the bitmap are 0.
int** ReadLuminance(TBitmap* bitmap, const TRect& rect);
// The matrix (clamped to 255) into the alpha bytes of rect of a pf32bit bitmap; colour
// bytes stay (WriteAlpha) or are premultiplied by it (WritePremultipliedAlpha).
void WriteAlpha(TBitmap* bitmap, const TRect& rect, int** matrix);
void WritePremultipliedAlpha(TBitmap* bitmap, const TRect& rect, int** matrix);

// ---- painters ---------------------------------------------------------------------------

// Plain text, or anti-aliased text with alpha.
class TTextPainter {
public:
    TTextPainter() = default;
    TTextPainter(const TTextPainter&) = delete;
    TTextPainter& operator=(const TTextPainter&) = delete;

    virtual void DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format, int alpha,
                          bool premultiplied);
    virtual void DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                          bool premultiplied);
    virtual void DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, int alpha,
                          bool premultiplied);
    virtual void DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                          bool premultiplied);
    // Measures with DT_CALCRECT into rect; returns the text height.
    virtual int CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format);
    virtual int CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format);
    // Ends the caller's use: nothing for the shared painter, deletes an owned glow painter.
    virtual void Release();
    virtual ~TTextPainter() = default;

    // Transparent background mode, DrawText on a copy of rect; the height DrawText returns.
    static int DrawPlainText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format);
    static int DrawPlainText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format);
    // Anti-aliased text in the bitmap's font colour as a premultiplied 32-bit image over
    // rect (alpha 0 and colour 0 where there is no text).
    static void DrawAlphaText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format,
                              bool premultiplied = true);
    static void DrawAlphaText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format,
                              bool premultiplied = true);
    // New pf32bit bitmaps the caller frees: rect's size with the canvas's font; the same
    // filled black with a white font; a black one with alpha 0.
    static TBitmap* CreateTextBitmap(TCanvas* canvas, const TRect& rect);
    static TBitmap* CreateGlowBitmap(TCanvas* canvas, const TRect& rect);
    static TBitmap* CreateBlackBitmap(int width, int height);
};

// The glow of the text alone, in the target's font colour.
class TRadiateTextPainter : public TTextPainter {
public:
    // Radius is bounded to 0..MaxRadius: the kernel has (2r + 1)^2 cells per paint.
    static constexpr int MaxRadius = 255;

    TRadiateTextPainter();
    ~TRadiateTextPainter() override;

    void DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    // The text's extent grown by 2 Radius on the right and at the bottom.
    int CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format) override;
    int CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format) override;
    void Release() override;

    unsigned char Opacity() const { return m_opacity; }
    void SetOpacity(unsigned char value) { m_opacity = value; }
    int Radius() const { return m_radius; }
    // Negative counts as 0, above MaxRadius as MaxRadius.
    void SetRadius(int value);
    unsigned char Spread() const { return m_spread; }
    void SetSpread(unsigned char value) { m_spread = value; }
    FilterFactory* Factory() const { return m_factory; }

    // The filtered luminance of rect (caller frees it, height rows).
    int** BuildGlowMatrix(TBitmap* bitmap, const TRect& rect);
    // rect holds white text on black: it becomes colour with the glow as alpha.
    void FillGlow(TBitmap* bitmap, const TRect& rect, bool premultiplied, TColor color);

protected:
    // The blend and image forms of the glow.
    template <class Ch>
    void DrawGlow(TCanvas* canvas, TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format,
                  int alpha, bool premultiplied);
    // The in-place form on a bitmap (alpha true): rect is overwritten with the glow image.
    template <class Ch>
    void DrawGlowInPlace(TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format,
                         bool premultiplied);

private:
    unsigned char m_opacity = 255;
    int m_radius = 0;
    unsigned char m_spread = 0;
    FilterFactory* m_factory;
};

// The glow moved by (X, Y) in Color, with the text over it. Radius 0 draws the text only.
class TOuterGlowTextPainter : public TRadiateTextPainter {
public:
    TOuterGlowTextPainter() = default;

    void DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    // The glow painter's extent grown by X and Y.
    int CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format) override;
    int CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format) override;

    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    int X() const { return m_x; }
    void SetX(int value) { m_x = value; }
    int Y() const { return m_y; }
    void SetY(int value) { m_y = value; }

private:
    template <class Ch>
    void DrawOuter(TCanvas* canvas, TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format,
                   int alpha, bool premultiplied);

    TColor m_color = TColor(0xBFFFFF);
    int m_x = 0;
    int m_y = 0;
};

// A new outer-glow painter for an owner that keeps one (free it with Release).
TOuterGlowTextPainter* CreateOuterGlowTextPainter();

// The process-wide plain painter; Release on it does nothing.
TTextPainter* GetSharedTextPainter();

} // namespace gs
