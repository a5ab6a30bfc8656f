// The text painters: plain, alpha and glow forms on canvases and bitmaps.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"

#undef DrawText

using namespace widgets_test;
using std::unique_ptr;

namespace {

TBitmap* Target(int w, int h, uint32_t fill = 0xFF000000u)
{
    TBitmap* b = MakeBitmap(w, h, pf32bit, fill);
    b->Canvas()->Font()->SetHeight(-16);
    b->Canvas()->Font()->SetColor(clRed);
    return b;
}

// First column (from the left) holding a pixel that passes the test; -1 when none.
template <class Pred>
int FirstColumn(TBitmap* b, Pred pred)
{
    for (int x = 0; x < b->Width(); ++x)
        for (int y = 0; y < b->Height(); ++y)
            if (pred(Px32(b, x, y))) return x;
    return -1;
}

int Red(uint32_t px) { return (px >> 16) & 0xFF; }
int Green(uint32_t px) { return (px >> 8) & 0xFF; }

bool SamePixels(TBitmap* a, TBitmap* b)
{
    for (int y = 0; y < a->Height(); ++y)
        for (int x = 0; x < a->Width(); ++x)
            if (Px32(a, x, y) != Px32(b, x, y)) return false;
    return true;
}

} // namespace

TEST(TextPainter, PlainTextLeavesTheBackgroundBetweenGlyphs)
{
    unique_ptr<TBitmap> b(Target(80, 24, 0xFF123456u));
    gs::GetSharedTextPainter()->DrawText(b->Canvas(), L"Hi there", TRect(0, 0, 80, 24), DT_LEFT, 0, false);
    int untouched = 0, changed = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 80; ++x) (Px32(b.get(), x, y) & 0xFFFFFF) == 0x123456 ? ++untouched : ++changed;
    EXPECT_GT(changed, 20);
    EXPECT_GT(untouched, 80 * 24 / 2);
    EXPECT_EQ(0x123456u, Px32(b.get(), 79, 23) & 0xFFFFFF);
}

TEST(TextPainter, AlphaTextWritesAlphaOverItsWholeRectangle)
{
    unique_ptr<TBitmap> b(Target(60, 28, 0xFFFFFFFFu));
    const TRect r(4, 4, 56, 24);
    gs::TTextPainter::DrawAlphaText(b.get(), L"Wg", r, DT_LEFT);
    int covered = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 60; ++x) {
            uint32_t px = Px32(b.get(), x, y);
            if (!r.Contains(TPoint(x, y))) {
                ASSERT_EQ(0xFFFFFFFFu, px) << x << "," << y;
            } else if (Alpha(px) == 0) {
                ASSERT_EQ(0u, px) << x << "," << y;
            } else {
                ++covered;
                ASSERT_LE(Red(px), int(Alpha(px))); // premultiplied red
                ASSERT_EQ(0, Green(px));
            }
        }
    EXPECT_GT(covered, 10);
    EXPECT_EQ(0u, Px32(b.get(), 55, 23)); // no text in the far corner
}

TEST(TextPainter, RadiusZeroOuterGlowIsTheTextAlone)
{
    // In every form the outer-glow painter with Radius 0 draws what the plain one draws.
    for (int alpha = 0; alpha <= 1; ++alpha)
        for (int premultiplied = 0; premultiplied <= 1; ++premultiplied) {
            unique_ptr<TBitmap> a(Target(50, 20)), b(Target(50, 20));
            gs::TOuterGlowTextPainter glow;
            glow.SetSpread(255);
            gs::GetSharedTextPainter()->DrawText(a.get(), L"Ok", TRect(0, 0, 50, 20), 0, alpha, premultiplied);
            glow.DrawText(b.get(), L"Ok", TRect(0, 0, 50, 20), 0, alpha, premultiplied);
            EXPECT_TRUE(SamePixels(a.get(), b.get())) << alpha << premultiplied;
        }
    // The radiate painter with Radius 0 still draws the text's shape, as glow.
    unique_ptr<TBitmap> c(Target(50, 20));
    gs::TRadiateTextPainter radiate;
    radiate.DrawText(c.get(), L"Ok", TRect(0, 0, 50, 20), 0, 1, true);
    EXPECT_GT(CountAlphaAbove(c.get(), TRect(0, 0, 50, 20), 200), 5);
}

TEST(TextPainter, GlowOffsetMovesTheGlowOnly)
{
    // Text red, glow green, full spread: the glow's left edge against the text's, with
    // offset 3 and without, in both direct forms (canvas and bitmap).
    for (int onCanvas = 0; onCanvas <= 1; ++onCanvas) {
        int gap[2];
        for (int k = 0; k < 2; ++k) {
            unique_ptr<TBitmap> b(Target(90, 30));
            gs::TOuterGlowTextPainter p;
            p.SetRadius(2);
            p.SetSpread(255);
            p.SetColor(clLime);
            p.SetX(k == 0 ? 0 : 3);
            if (onCanvas) p.DrawText(b->Canvas(), L"Ilk", TRect(0, 0, 90, 30), DT_LEFT, 0, true);
            else p.DrawText(b.get(), L"Ilk", TRect(0, 0, 90, 30), DT_LEFT, 0, true);
            int text = FirstColumn(b.get(), [](uint32_t px) { return Red(px) > 128 && Green(px) < 64; });
            int glowLeft = FirstColumn(b.get(), [](uint32_t px) { return Green(px) > 64; });
            ASSERT_GE(text, 0);
            ASSERT_GE(glowLeft, 0);
            gap[k] = glowLeft - text;
            EXPECT_EQ(0xFF000000u, Px32(b.get(), 89, 29)); // the glow ends inside the rectangle
        }
        EXPECT_EQ(3, gap[1] - gap[0]) << (onCanvas ? "canvas" : "bitmap");
    }
}

TEST(TextPainter, NarrowAndInvertedRectanglesDrawNothing)
{
    gs::TOuterGlowTextPainter p;
    p.SetRadius(2);
    p.SetX(3);
    unique_ptr<TBitmap> before(Target(40, 20)), b(Target(40, 20));
    // Narrower than X + 2 Radius: an empty text rectangle on a canvas, no glow room.
    p.DrawText(b->Canvas(), L"Wide text", TRect(10, 0, 15, 20), 0, 0, true);
    EXPECT_TRUE(SamePixels(before.get(), b.get()));
    const TRect inverted[] = {TRect(30, 0, 10, 20), TRect(0, 15, 40, 5), TRect(10, 0, 12, 20)};
    for (const TRect& r : inverted)
        for (int alpha = 0; alpha <= 1; ++alpha)
            for (int pre = 0; pre <= 1; ++pre) {
                unique_ptr<TBitmap> t(Target(40, 20));
                EXPECT_NO_THROW(p.DrawText(t.get(), L"Wide text", r, 0, alpha, pre));
                EXPECT_NO_THROW(p.DrawText(t->Canvas(), L"Wide text", r, 0, alpha, pre));
                if (r.IsEmpty()) {
                    EXPECT_TRUE(SamePixels(before.get(), t.get()));
                }
            }
}

TEST(TextPainter, GlowStaysInsideABitmapWithAViewportOrigin)
{
    // The painters write only inside the bitmap, whatever rectangle and origin they get.
    gs::TOuterGlowTextPainter p;
    p.SetRadius(3);
    p.SetSpread(128);
    for (int alpha = 0; alpha <= 1; ++alpha) {
        unique_ptr<TBitmap> b(Target(30, 16));
        SetViewportOrgEx(b->Canvas()->Handle(), 20, 10, nullptr);
        EXPECT_NO_THROW(p.DrawText(b.get(), L"Edge", TRect(-30, -20, 40, 30), 0, alpha, true));
        EXPECT_NO_THROW(gs::TTextPainter::DrawAlphaText(b.get(), L"Edge", TRect(-25, -15, 30, 20), 0));
    }
}

TEST(TextPainter, CalcRectGrowsByTheGlow)
{
    unique_ptr<TBitmap> b(Target(10, 10));
    TRect plain(0, 0, 0, 0);
    gs::GetSharedTextPainter()->CalcRect(b->Canvas(), L"Caption", plain, DT_LEFT);
    ASSERT_GT(plain.Width(), 0);
    gs::TOuterGlowTextPainter p;
    p.SetRadius(2);
    p.SetX(1);
    p.SetY(1);
    TRect glow(0, 0, 0, 0);
    const int height = p.CalcRect(b->Canvas(), L"Caption", glow, DT_LEFT);
    EXPECT_EQ(plain.Height(), height);
    EXPECT_EQ(plain.Width() + 5, glow.Width());
    EXPECT_EQ(plain.Height() + 5, glow.Height());
    TRect empty(0, 0, 0, 0);
    p.CalcRect(b->Canvas(), L"", empty, DT_LEFT);
    EXPECT_EQ(0, empty.Width());
}

TEST(TextPainter, KernelReusedWhileSettingsStay)
{
    gs::TOuterGlowTextPainter p;
    p.SetRadius(2);
    p.SetOpacity(200);
    auto* f = static_cast<gs::OuterGlowFilterFactory*>(p.Factory());
    unique_ptr<TBitmap> b(Target(40, 20));
    p.DrawText(b.get(), L"A", TRect(0, 0, 40, 20), 0, 0, true);
    ASSERT_NE(nullptr, f->CachedFilter());
    f->CachedFilter()->Kernel()[0][0] = -3; // a mark a rebuilt kernel would not carry
    p.DrawText(b.get(), L"A", TRect(0, 0, 40, 20), 0, 0, true);
    EXPECT_EQ(-3, f->CachedFilter()->Kernel()[0][0]);
    p.SetSpread(10);
    p.DrawText(b.get(), L"A", TRect(0, 0, 40, 20), 0, 0, true);
    EXPECT_NE(-3, f->CachedFilter()->Kernel()[0][0]);
    p.SetRadius(4);
    p.DrawText(b.get(), L"A", TRect(0, 0, 40, 20), 0, 0, true);
    EXPECT_EQ(4, f->CachedFilter()->RowRadius());
}

TEST(TextPainter, RadiusBoundsAndOwnership)
{
    auto* p = gs::CreateOuterGlowTextPainter();
    EXPECT_EQ(255, p->Opacity());
    EXPECT_EQ(0, p->Radius());
    EXPECT_EQ(0, p->Spread());
    EXPECT_EQ(TColor(0xBFFFFF), p->Color());
    p->SetRadius(-4);
    EXPECT_EQ(0, p->Radius());
    p->SetRadius(1 << 30);
    EXPECT_EQ(gs::TRadiateTextPainter::MaxRadius, p->Radius());
    p->Release(); // deletes it

    gs::TTextPainter* shared = gs::GetSharedTextPainter();
    shared->Release();
    EXPECT_EQ(shared, gs::GetSharedTextPainter());
    unique_ptr<TBitmap> b(Target(30, 16));
    EXPECT_NO_THROW(shared->DrawText(b.get(), "ansi", TRect(0, 0, 30, 16), 0, 0, true));

    // The straight blend form needs a 24-bit target.
    gs::TRadiateTextPainter radiate;
    radiate.DrawText(b.get(), L"x", TRect(0, 0, 30, 16), 0, 0, false);
    EXPECT_EQ(pf24bit, b->PixelFormat());
}
