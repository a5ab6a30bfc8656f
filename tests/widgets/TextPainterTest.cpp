// The text painters: plain, alpha and glow forms on canvases and bitmaps.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"

#undef DrawText

using namespace widgets_test;
using Bmp = std::unique_ptr<TBitmap>;

namespace {

TBitmap* Target(int w, int h, uint32_t fill = 0xFF000000u)
{
    TBitmap* b = MakeBitmap(w, h, pf32bit, fill);
    b->Canvas()->Font()->SetHeight(-16);
    b->Canvas()->Font()->SetColor(clRed);
    return b;
}

int Red(uint32_t px) { return (px >> 16) & 0xFF; }
int Green(uint32_t px) { return (px >> 8) & 0xFF; }

// The first column holding a pixel that passes the test; -1 when none.
template <class Pred>
int FirstColumn(TBitmap* b, Pred pred)
{
    for (int x = 0; x < b->Width(); ++x)
        for (int y = 0; y < b->Height(); ++y)
            if (pred(Px32(b, x, y)))
                return x;
    return -1;
}

bool Same(TBitmap* a, TBitmap* b)
{
    for (int y = 0; y < a->Height(); ++y)
        if (memcmp(a->ScanLine(y), b->ScanLine(y), 4 * a->Width()) != 0)
            return false;
    return true;
}

} // namespace

TEST(TextPainter, PlainAndAlphaText)
{
    // Plain text keeps the background between the glyphs.
    Bmp b(Target(80, 24, 0xFF123456u));
    gs::GetSharedTextPainter()->DrawText(b->Canvas(), L"Hi there", TRect(0, 0, 80, 24), 0, 0, false);
    EXPECT_GT(CountAlphaAbove(b.get(), TRect(0, 0, 80, 24), 254), 80 * 24 / 2);
    EXPECT_EQ(0xFF123456u, Px32(b.get(), 79, 23));
    // Alpha text writes alpha (and colour 0 where there is no text) over its rectangle only.
    Bmp a(Target(60, 28, 0xFFFFFFFFu));
    const TRect r(4, 4, 56, 24);
    gs::TTextPainter::DrawAlphaText(a.get(), L"Wg", r, 0);
    int covered = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 60; ++x) {
            const uint32_t px = Px32(a.get(), x, y);
            if (!r.Contains(TPoint(x, y)))
                ASSERT_EQ(0xFFFFFFFFu, px) << x << "," << y;
            else if (!Alpha(px))
                ASSERT_EQ(0u, px) << x << "," << y;
            else {
                ASSERT_TRUE(Red(px) <= Alpha(px) && Green(px) == 0) << x << "," << y;
                ++covered;
            }
        }
    EXPECT_GT(covered, 10);
}

TEST(TextPainter, RadiusZeroOuterGlowIsTheTextAlone)
{
    for (int form = 0; form < 4; ++form) {
        Bmp a(Target(50, 20)), b(Target(50, 20));
        gs::TOuterGlowTextPainter glow;
        glow.SetSpread(255);
        gs::GetSharedTextPainter()->DrawText(a.get(), L"Ok", TRect(0, 0, 50, 20), 0, form & 1, form & 2);
        glow.DrawText(b.get(), L"Ok", TRect(0, 0, 50, 20), 0, form & 1, form & 2);
        EXPECT_TRUE(Same(a.get(), b.get())) << form;
    }
    // The radiate painter with Radius 0 still draws the text's shape as glow.
    Bmp c(Target(50, 20));
    gs::TRadiateTextPainter().DrawText(c.get(), L"Ok", TRect(0, 0, 50, 20), 0, 1, true);
    EXPECT_GT(CountAlphaAbove(c.get(), TRect(0, 0, 50, 20), 200), 5);
}

TEST(TextPainter, GlowOffsetMovesTheGlowOnly)
{
    // Red text, green full-spread glow: the glow's left edge against the text's moves by
    // the offset, in both direct forms.
    for (int onCanvas = 0; onCanvas <= 1; ++onCanvas) {
        int gap[2];
        for (int k = 0; k < 2; ++k) {
            Bmp b(Target(90, 30));
            gs::TOuterGlowTextPainter p;
            p.SetRadius(2);
            p.SetSpread(255);
            p.SetColor(clLime);
            p.SetX(3 * k);
            if (onCanvas)
                p.DrawText(b->Canvas(), L"Ilk", TRect(0, 0, 90, 30), DT_LEFT, 0, true);
            else
                p.DrawText(b.get(), L"Ilk", TRect(0, 0, 90, 30), DT_LEFT, 0, true);
            gap[k] = FirstColumn(b.get(), [](uint32_t px) { return Green(px) > 64; }) -
                     FirstColumn(b.get(), [](uint32_t px) { return Red(px) > 128 && Green(px) < 64; });
        }
        EXPECT_EQ(3, gap[1] - gap[0]) << onCanvas;
    }
}

TEST(TextPainter, NarrowAndInvertedRectanglesDrawNothing)
{
    gs::TOuterGlowTextPainter p;
    p.SetRadius(2);
    p.SetX(3);
    Bmp before(Target(40, 20)), b(Target(40, 20));
    p.DrawText(b->Canvas(), L"Wide text", TRect(10, 0, 15, 20), 0, 0, true); // narrower than X + 2 Radius
    EXPECT_TRUE(Same(before.get(), b.get()));
    for (const TRect& r : {TRect(30, 0, 10, 20), TRect(0, 15, 40, 5)})
        for (int form = 0; form < 4; ++form) {
            EXPECT_NO_THROW(p.DrawText(b.get(), L"Wide text", r, 0, form & 1, form & 2));
            EXPECT_NO_THROW(p.DrawText(b->Canvas(), L"Wide text", r, 0, form & 1, form & 2));
        }
    EXPECT_TRUE(Same(before.get(), b.get()));
    // The image forms write 32-bit pixels: a 24-bit target is converted, never overrun.
    for (int form = 0; form < 2; ++form) {
        Bmp t(MakeBitmap(5, 3, pf24bit, 0));
        if (form)
            p.DrawText(t.get(), L"W", TRect(0, 0, 5, 3), 0, 1, true);
        else
            gs::TTextPainter::DrawAlphaText(t.get(), L"W", TRect(0, 0, 5, 3), 0);
        EXPECT_EQ(pf32bit, t->PixelFormat());
    }
}

TEST(TextPainter, CalcRectGrowsByTheGlowAndTheSharedPainterOutlivesRelease)
{
    Bmp b(Target(40, 20));
    TRect plain, glow, empty;
    gs::GetSharedTextPainter()->CalcRect(b->Canvas(), L"Caption", plain, 0);
    gs::TOuterGlowTextPainter p;
    p.SetRadius(2);
    p.SetX(1);
    p.SetY(1);
    EXPECT_EQ(plain.Height(), p.CalcRect(b->Canvas(), L"Caption", glow, 0));
    EXPECT_EQ(TRect(0, 0, plain.Width() + 5, plain.Height() + 5), glow);
    p.CalcRect(b->Canvas(), L"", empty, 0);
    EXPECT_EQ(0, empty.Width());
    p.SetRadius(-4);
    EXPECT_EQ(0, p.Radius());
    gs::TTextPainter* shared = gs::GetSharedTextPainter();
    shared->Release();
    EXPECT_EQ(shared, gs::GetSharedTextPainter());
    gs::TRadiateTextPainter().DrawText(b.get(), "x", TRect(0, 0, 40, 20), 0, 0, false);
    EXPECT_EQ(pf24bit, b->PixelFormat()); // the straight blend needs a 24-bit target
}
