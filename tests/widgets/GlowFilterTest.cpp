// The glow filter: kernel weights, the weighted maximum, luminance and alpha writing.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"

using namespace widgets_test;
using std::unique_ptr;

namespace {

// An owned matrix filled from rows of values.
struct Matrix {
    int rows, columns;
    int** m;
    Matrix(int r, int c, int fill = 0) : rows(r), columns(c), m(gs::AllocMatrix(r, c))
    {
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j) m[i][j] = fill;
    }
    ~Matrix() { gs::FreeMatrix(m, rows); }
};

unique_ptr<gs::NeighborWeightedFilter> Filter(int radius, float spread, float opacity)
{
    gs::OuterGlowFilterFactory f;
    f.SetSpread(spread);
    f.SetOpacity(opacity);
    return unique_ptr<gs::NeighborWeightedFilter>(f.BuildFilter(radius));
}

} // namespace

TEST(GlowFilter, KernelWeights)
{
    struct Case {
        int radius;
        float spread, opacity;
        int di, dj, expected;
    } cases[] = {
        {0, 0.0f, 1.0f, 0, 0, 256},
        {0, 0.0f, float(128 / 255.0L), 0, 0, 128},
        {2, 0.0f, 1.0f, 0, 0, 256}, // distance 0 is inside an inner radius of 0
        {2, 0.0f, 1.0f, 0, 1, 216}, // 256 e^(-1/6)
        {2, 0.0f, 1.0f, 2, 0, 131}, // 256 e^(-4/6)
        {2, 0.0f, 1.0f, 2, 2, 67},  // 256 e^(-8/6)
        {4, 0.0f, 1.0f, 0, 4, 51},  // denominator 2 (r - inner + 1), not a square
        {3, 1.0f, 1.0f, 3, 0, 256}, // full spread: the disc has full weight
        {3, 1.0f, 1.0f, 2, 2, 256},
        {3, 1.0f, 1.0f, 3, 3, 118}, // the corners fall off from the disc's edge
        {2, 0.0f, 0.5f, 0, 1, 108}, // scale by g, then by opacity
    };
    for (const Case& c : cases) {
        auto f = Filter(c.radius, c.spread, c.opacity);
        EXPECT_EQ(256, f->Divisor());
        EXPECT_EQ(c.expected, f->Kernel()[c.radius + c.di][c.radius + c.dj])
            << "r " << c.radius << " spread " << c.spread << " at " << c.di << "," << c.dj;
    }
}

TEST(GlowFilter, WeightedMaximumKeepsTheKernelShape)
{
    auto f = Filter(2, 0.0f, 1.0f);
    Matrix in(7, 9), out(7, 9, -1);
    in.m[3][3] = 255;
    gs::ApplyFilter(f.get(), in.m, 0, 0, 7, 9, out.m, 0, 0);
    EXPECT_EQ(255, out.m[3][3]);
    EXPECT_EQ(255 * 216 / 256, out.m[3][4]);
    EXPECT_EQ(255 * 216 / 256, out.m[2][3]);
    EXPECT_EQ(255 * 67 / 256, out.m[1][1]);
    EXPECT_EQ(0, out.m[3][6]); // beyond the radius
    // A second pixel two cells away: overlapping glows take the maximum, they do not add.
    in.m[3][5] = 255;
    gs::ApplyFilter(f.get(), in.m, 0, 0, 7, 9, out.m, 0, 0);
    EXPECT_EQ(255 * 216 / 256, out.m[3][4]);
    EXPECT_EQ(255, out.m[3][5]);
    // Taps outside the area are ignored: a pixel on the edge glows inwards only.
    Matrix edge(3, 3), edgeOut(3, 3);
    edge.m[0][0] = 200;
    gs::ApplyFilter(f.get(), edge.m, 0, 0, 3, 3, edgeOut.m, 0, 0);
    EXPECT_EQ(200, edgeOut.m[0][0]);
    EXPECT_EQ(200 * 216 / 256, edgeOut.m[0][1]);
}

TEST(GlowFilter, RadiusZeroScalesByOpacity)
{
    auto full = Filter(0, 0.0f, 1.0f);
    auto half = Filter(0, 0.0f, float(128 / 255.0L));
    Matrix in(1, 4), out(1, 4);
    const int values[4] = {0, 1, 100, 255};
    for (int j = 0; j < 4; ++j) in.m[0][j] = values[j];
    gs::ApplyFilter(full.get(), in.m, 0, 0, 1, 4, out.m, 0, 0);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(values[j], out.m[0][j]);
    gs::ApplyFilter(half.get(), in.m, 0, 0, 1, 4, out.m, 0, 0);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(values[j] * 128 / 256, out.m[0][j]);
}

TEST(GlowFilter, FactoryCachesUntilASettingChanges)
{
    gs::OuterGlowFilterFactory f;
    gs::Filter* a = f.GetFilter(2, 2);
    // Mark the cached kernel: a rebuilt filter would not carry the mark.
    f.CachedFilter()->Kernel()[0][0] = -7;
    f.ReleaseFilter(a);
    f.SetSpread(0.0f);
    f.SetOpacity(1.0f);
    EXPECT_EQ(a, f.GetFilter(2, 2));
    EXPECT_EQ(-7, f.CachedFilter()->Kernel()[0][0]);

    f.SetSpread(0.5f);
    EXPECT_EQ(nullptr, f.CachedFilter());
    EXPECT_NE(-7, static_cast<gs::NeighborWeightedFilter*>(f.GetFilter(2, 2))->Kernel()[0][0]);
    EXPECT_EQ(3, static_cast<gs::NeighborWeightedFilter*>(f.GetFilter(3, 3))->RowRadius());

    // A filter that is not the cached one is deleted by ReleaseFilter (the leak checker
    // would see it otherwise); the cached one stays.
    f.ReleaseFilter(f.BuildFilter(1));
    f.ReleaseFilter(f.CachedFilter());
    EXPECT_NE(nullptr, f.CachedFilter());
    EXPECT_THROW(f.GetFilter(1, 2), EAssertionFailed);
    // Radii past the documented maximum are bounded.
    unique_ptr<gs::NeighborWeightedFilter> big(f.BuildFilter(100000));
    EXPECT_EQ(gs::TRadiateTextPainter::MaxRadius, big->RowRadius());
}

TEST(GlowFilter, LuminanceRoundsAndStaysInsideTheBitmap)
{
    unique_ptr<TBitmap> b(MakeBitmap(4, 2, pf32bit, 0));
    SetPx32(b.get(), 0, 0, 0x00FF0000u); // red
    SetPx32(b.get(), 1, 0, 0x00FFFFFFu); // white
    SetPx32(b.get(), 2, 0, 0x0000FF00u); // green
    SetPx32(b.get(), 3, 0, 0x000000FFu); // blue
    int** m = gs::ReadLuminance(b.get(), TRect(0, 0, 4, 1));
    EXPECT_EQ(76, m[0][0]);
    EXPECT_EQ(255, m[0][1]);
    EXPECT_EQ(150, m[0][2]);
    EXPECT_EQ(29, m[0][3]);
    gs::FreeMatrix(m, 1);

    // A rectangle past the edges and a viewport origin: cells off the bitmap read 0.
    SetViewportOrgEx(b->Canvas()->Handle(), 1, 0, nullptr);
    m = gs::ReadLuminance(b.get(), TRect(-2, -1, 4, 1));
    EXPECT_EQ(0, m[0][0]);
    EXPECT_EQ(0, m[1][0]);
    EXPECT_EQ(76, m[1][1]); // logical -1 is device 0
    EXPECT_EQ(0, m[1][5]);  // device 4 is past the right edge
    gs::FreeMatrix(m, 2);

    unique_ptr<TBitmap> b16(new TBitmap());
    b16->SetPixelFormat(pf16bit);
    b16->SetSize(2, 2);
    m = gs::ReadLuminance(b16.get(), TRect(0, 0, 2, 2));
    EXPECT_EQ(pf24bit, b16->PixelFormat());
    gs::FreeMatrix(m, 2);
    EXPECT_EQ(nullptr, gs::ReadLuminance(b.get(), TRect(3, 0, 1, 1)));
}

TEST(GlowFilter, WritingAlphaStraightAndPremultiplied)
{
    unique_ptr<TBitmap> b(MakeBitmap(3, 1, pf32bit, 0x00FFFFFFu));
    Matrix m(1, 3);
    m.m[0][0] = 128;
    m.m[0][1] = 300;
    m.m[0][2] = 0;
    gs::WriteAlpha(b.get(), TRect(0, 0, 3, 1), m.m);
    EXPECT_EQ(0x80FFFFFFu, Px32(b.get(), 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, Px32(b.get(), 1, 0));
    EXPECT_EQ(255, m.m[0][1]); // clamped in the matrix itself
    EXPECT_EQ(0x00FFFFFFu, Px32(b.get(), 2, 0));

    m.m[0][1] = 64;
    gs::WritePremultipliedAlpha(b.get(), TRect(0, 0, 3, 1), m.m);
    EXPECT_EQ(0x80808080u, Px32(b.get(), 0, 0));
    EXPECT_EQ(0x40404040u, Px32(b.get(), 1, 0));
    EXPECT_EQ(0u, Px32(b.get(), 2, 0));

    // Past the bitmap nothing is written; a 24-bit bitmap is a caller's error.
    Matrix wide(3, 6, 255);
    EXPECT_NO_THROW(gs::WriteAlpha(b.get(), TRect(-1, -1, 5, 2), wide.m));
    EXPECT_EQ(0xFF808080u, Px32(b.get(), 0, 0));
    unique_ptr<TBitmap> b24(MakeBitmap(1, 1, pf24bit, 0));
    EXPECT_THROW(gs::WriteAlpha(b24.get(), TRect(0, 0, 1, 1), m.m), EAssertionFailed);
    EXPECT_THROW(gs::WritePremultipliedAlpha(b24.get(), TRect(0, 0, 1, 1), m.m), EAssertionFailed);
}
