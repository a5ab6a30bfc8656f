// The glow filter: kernel weights, the weighted maximum, luminance and alpha writing.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"

using namespace widgets_test;

namespace {

struct Matrix {
    int rows;
    int** m;
    Matrix(int r, int c, int fill = 0) : rows(r), m(gs::AllocMatrix(r, c))
    {
        for (int i = 0; i < r; ++i)
            std::fill(m[i], m[i] + c, fill);
    }
    ~Matrix() { gs::FreeMatrix(m, rows); }
};

std::unique_ptr<gs::NeighborWeightedFilter> Filter(int radius, float spread, float opacity)
{
    gs::OuterGlowFilterFactory f;
    f.SetSpread(spread);
    f.SetOpacity(opacity);
    return std::unique_ptr<gs::NeighborWeightedFilter>(f.BuildFilter(radius));
}

} // namespace

TEST(GlowFilter, KernelWeights)
{
    struct {
        int radius;
        float spread, opacity;
        int di, dj, expected;
    } cases[] = {
        {0, 0.0f, 1.0f, 0, 0, 256},
        {0, 0.0f, float(128 / 255.0L), 0, 0, 128},
        {2, 0.0f, 1.0f, 0, 0, 256}, // distance 0 lies inside an inner radius of 0
        {2, 0.0f, 1.0f, 0, 1, 216},
        {2, 0.0f, 1.0f, 2, 0, 131},
        {2, 0.0f, 1.0f, 2, 2, 67},
        {4, 0.0f, 1.0f, 0, 4, 51}, // the denominator is 2 (r - inner + 1), not a square
        {3, 1.0f, 1.0f, 2, 2, 256},
        {3, 1.0f, 1.0f, 3, 3, 118}, // full spread: a disc, then fall-off
        {2, 0.0f, 0.5f, 0, 1, 108}, // scale by g, then by opacity
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected,
                  Filter(c.radius, c.spread, c.opacity)->Kernel()[c.radius + c.di][c.radius + c.dj])
            << c.radius << " " << c.spread << " " << c.di << "," << c.dj;
}

TEST(GlowFilter, WeightedMaximumKeepsTheKernelShape)
{
    auto f = Filter(2, 0.0f, 1.0f);
    Matrix in(5, 9), out(5, 9, -1);
    in.m[2][3] = 255;
    in.m[2][5] = 255; // overlapping glows take the maximum, they do not add
    in.m[0][8] = 200; // on the edge: taps outside are ignored
    gs::ApplyFilter(f.get(), in.m, 0, 0, 5, 9, out.m, 0, 0);
    const int expected[5][9] = {{0, 66, 110, 130, 110, 130, 110, 168, 200},
                                {0, 110, 182, 215, 182, 215, 182, 142, 168},
                                {0, 130, 215, 255, 215, 255, 215, 130, 102},
                                {0, 110, 182, 215, 182, 215, 182, 110, 0},
                                {0, 66, 110, 130, 110, 130, 110, 66, 0}};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 9; ++j)
            EXPECT_EQ(expected[i][j], out.m[i][j]) << i << "," << j;
}

TEST(GlowFilter, FactoryCachesUntilASettingChanges)
{
    gs::OuterGlowFilterFactory f;
    gs::Filter* a = f.GetFilter(2, 2);
    f.CachedFilter()->Kernel()[0][0] = -7; // a rebuilt filter would not carry the mark
    f.ReleaseFilter(a);
    f.SetSpread(0.0f);
    f.SetOpacity(1.0f);
    EXPECT_EQ(a, f.GetFilter(2, 2));
    EXPECT_EQ(-7, f.CachedFilter()->Kernel()[0][0]);
    f.SetSpread(0.5f);
    EXPECT_EQ(nullptr, f.CachedFilter());
    EXPECT_EQ(3, static_cast<gs::NeighborWeightedFilter*>(f.GetFilter(3, 3))->RowRadius());
    f.ReleaseFilter(f.BuildFilter(1)); // not the cached one: deleted
    EXPECT_NE(nullptr, f.CachedFilter());
    EXPECT_THROW(f.GetFilter(1, 2), EAssertionFailed);
    std::unique_ptr<gs::NeighborWeightedFilter> big(f.BuildFilter(100000));
    EXPECT_EQ(gs::TRadiateTextPainter::MaxRadius, big->RowRadius());
}

TEST(GlowFilter, LuminanceAndAlphaStayInsideTheBitmap)
{
    std::unique_ptr<TBitmap> b(MakeBitmap(4, 2, pf32bit, 0x00FFFFFFu));
    SetPx32(b.get(), 0, 1, 0x00FF0000u); // pure red
    SetViewportOrgEx(b->Canvas()->Handle(), 1, 0, nullptr);
    int** m = gs::ReadLuminance(b.get(), TRect(-2, -1, 4, 2)); // 3 x 6, past every edge
    EXPECT_EQ(0, m[0][0]);                                     // above the bitmap
    EXPECT_EQ(76, m[2][1]);                                    // device (0, 1)
    EXPECT_EQ(255, m[2][2]);
    EXPECT_EQ(0, m[2][5]); // past the right edge
    m[2][1] = 300;         // clamped to 255
    m[2][2] = 128;
    gs::WriteAlpha(b.get(), TRect(-2, -1, 4, 2), m);
    EXPECT_EQ(255, m[2][1]);
    EXPECT_EQ(0xFFFF0000u, Px32(b.get(), 0, 1));
    EXPECT_EQ(0x80FFFFFFu, Px32(b.get(), 1, 1)); // colour kept
    gs::WritePremultipliedAlpha(b.get(), TRect(-2, -1, 4, 2), m);
    EXPECT_EQ(0x80808080u, Px32(b.get(), 1, 1));
    gs::FreeMatrix(m, 3);
    EXPECT_EQ(nullptr, gs::ReadLuminance(b.get(), TRect(3, 0, 1, 1)));
    std::unique_ptr<TBitmap> b24(MakeBitmap(1, 1, pf24bit, 0));
    EXPECT_THROW(gs::WriteAlpha(b24.get(), TRect(0, 0, 1, 1), nullptr), EAssertionFailed);
}
