// The bitmap and image helpers: premultiplying, clipping, both blends, loading files.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "forms/PngImage.h"
#include "forms2/FormsTestSupport.h"
#include "src/gui/graphics/image.h"

using namespace widgets_test;
using std::unique_ptr;

namespace {

void SetOrigin(TBitmap* b, int x, int y) { SetViewportOrgEx(b->Canvas()->Handle(), x, y, nullptr); }

TPoint Origin(TBitmap* b)
{
    POINT p{};
    GetViewportOrgEx(b->Canvas()->Handle(), &p);
    return TPoint(p);
}

} // namespace

TEST(Image, PremultiplyTruncatesAndSkipsOtherFormats)
{
    unique_ptr<TBitmap> b(MakeBitmap(2, 1, pf32bit, 0x80326496u)); // a 128, r 50, g 100, b 150
    SetPx32(b.get(), 1, 0, 0xFF0A141Eu);
    gs::PremultiplyAlpha(b.get());
    EXPECT_EQ(0x8019324Bu, Px32(b.get(), 0, 0));
    EXPECT_EQ(0xFF0A141Eu, Px32(b.get(), 1, 0));

    unique_ptr<TBitmap> c(MakeBitmap(1, 1, pf32bit, 0x803264C8u)); // blue 200, green 100, red 50
    gs::PremultiplyAlpha(c.get());
    EXPECT_EQ(0x80193264u, Px32(c.get(), 0, 0)); // (100, 50, 25, 128)

    unique_ptr<TBitmap> d(MakeBitmap(1, 1, pf24bit, 0x3264C8u));
    gs::PremultiplyAlpha(d.get());
    EXPECT_EQ(0x3264C8u, Px24(d.get(), 0, 0));
}

TEST(Image, BlendPixelsWeightsTruncateAlikeOnBothBuilds)
{
    struct Case {
        unsigned char opacity;
        uint8_t srcAlpha, src, dst, expected;
    } cases[] = {
        {255, 255, 200, 10, 200}, // opaque source copies
        {255, 0, 200, 10, 10},    // transparent source leaves the target
        {128, 255, 255, 0, 127},  // 128/255 * 255 truncates to 127
        {255, 128, 255, 0, 127},
        {0, 255, 255, 40, 40},
    };
    for (const Case& c : cases) {
        uint32_t s = (uint32_t(c.srcAlpha) << 24) | c.src * 0x010101u;
        unique_ptr<TBitmap> src(MakeBitmap(1, 1, pf32bit, s));
        unique_ptr<TBitmap> dst(MakeBitmap(1, 1, pf24bit, c.dst * 0x010101u));
        gs::BlendPixels(dst.get(), TRect(0, 0, 1, 1), src.get(), TPoint(0, 0), c.opacity);
        EXPECT_EQ(c.expected * 0x010101u, Px24(dst.get(), 0, 0))
            << int(c.opacity) << " over alpha " << int(c.srcAlpha);
    }
}

TEST(Image, BlendPixelsStaysInsideBothBitmaps)
{
    // Rectangles reaching past every edge of both bitmaps: no row outside either is
    // touched (ScanLine would raise), the overlap blends.
    unique_ptr<TBitmap> src(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    SetPx32(src.get(), 2, 2, 0xFF00FF00u);
    unique_ptr<TBitmap> dst(MakeBitmap(4, 4, pf24bit, 0));
    EXPECT_NO_THROW(gs::BlendPixels(dst.get(), TRect(-2, -2, 10, 10), src.get(), TPoint(0, 0), 255));
    EXPECT_EQ(0x00FF00u, Px24(dst.get(), 0, 0)); // source (2, 2) lands on (0, 0)
    EXPECT_EQ(0x0000FFu, Px24(dst.get(), 1, 1));
    EXPECT_EQ(0u, Px24(dst.get(), 2, 2)); // source (4, 4) does not exist: the rest stays
    unique_ptr<TBitmap> dst2(MakeBitmap(6, 6, pf24bit, 0));
    EXPECT_NO_THROW(gs::BlendPixels(dst2.get(), TRect(3, 3, 9, 9), src.get(), TPoint(-1, -1), 255));
    EXPECT_EQ(0u, Px24(dst2.get(), 3, 3));        // source (-1, -1) does not exist
    EXPECT_EQ(0x0000FFu, Px24(dst2.get(), 4, 4)); // source (0, 0)
    EXPECT_EQ(0x0000FFu, Px24(dst2.get(), 5, 5));
    // Inverted rectangles draw nothing.
    EXPECT_NO_THROW(gs::BlendPixels(dst2.get(), TRect(5, 5, 1, 1), src.get(), TPoint(0, 0), 255));
    EXPECT_THROW(gs::BlendPixels(dst2.get(), TRect(0, 0, 1, 1), dst.get(), TPoint(0, 0), 255), EAssertionFailed);
}

TEST(Image, ClipBlendAreaTable)
{
    struct Case {
        TRect rect;
        TPoint point;
        TPoint targetOrigin, sourceOrigin;
        int targetWidth, sourceWidth;
        TRect expectedRect;
        TPoint expectedPoint;
    } cases[] = {
        {TRect(0, 0, 10, 10), TPoint(-3, 0), {}, {}, 20, 20, TRect(3, 0, 10, 10), TPoint(0, 0)},
        {TRect(-3, 0, 10, 10), TPoint(5, 0), {}, {}, 20, 20, TRect(0, 0, 10, 10), TPoint(8, 0)},
        {TRect(0, 0, 30, 5), TPoint(15, 0), {}, {}, 40, 20, TRect(0, 0, 5, 5), TPoint(15, 0)},
        {TRect(15, 0, 30, 5), TPoint(0, 0), {}, {}, 20, 40, TRect(15, 0, 20, 5), TPoint(0, 0)},
        {TRect(0, 0, 4, 4), TPoint(0, 0), TPoint(10, 5), {}, 20, 20, TRect(0, 0, 4, 4), TPoint(0, 0)},
        {TRect(0, 0, 4, 4), TPoint(0, 0), TPoint(10, 5), {}, 12, 20, TRect(0, 0, 2, 4), TPoint(0, 0)},
        {TRect(0, 0, 4, 4), TPoint(0, 0), TPoint(-2, -1), {}, 20, 20, TRect(2, 1, 4, 4), TPoint(2, 1)},
        {TRect(0, 0, 8, 4), TPoint(0, 0), {}, TPoint(15, 0), 20, 20, TRect(0, 0, 5, 4), TPoint(0, 0)},
        {TRect(0, 0, 8, 4), TPoint(30, 0), {}, {}, 20, 20, TRect(0, 0, 0, 4), TPoint(30, 0)},
    };
    for (const Case& c : cases) {
        unique_ptr<TBitmap> t(MakeBitmap(c.targetWidth, 20, pf32bit, 0));
        unique_ptr<TBitmap> s(MakeBitmap(c.sourceWidth, 20, pf32bit, 0));
        SetOrigin(t.get(), c.targetOrigin.x, c.targetOrigin.y);
        SetOrigin(s.get(), c.sourceOrigin.x, c.sourceOrigin.y);
        TPoint p = c.point;
        TRect r = gs::ClipBlendArea(t.get(), c.rect, s.get(), p);
        EXPECT_EQ(c.expectedRect, r) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_EQ(c.expectedPoint, p) << p.x << "," << p.y;
        EXPECT_EQ(c.targetOrigin, Origin(t.get()));
        EXPECT_EQ(c.sourceOrigin, Origin(s.get()));
    }
}

TEST(Image, BothBlendsPlacePixelsAtTheViewportOrigin)
{
    unique_ptr<TBitmap> src(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    unique_ptr<TBitmap> straight(MakeBitmap(20, 20, pf32bit, 0));
    SetOrigin(straight.get(), 10, 5);
    gs::BlendBitmap(straight.get(), TRect(0, 0, 4, 4), src.get(), TPoint(0, 0), 255);
    EXPECT_EQ(pf24bit, straight->PixelFormat()); // a 32-bit target becomes 24-bit
    EXPECT_EQ(TPoint(10, 5), Origin(straight.get()));
    EXPECT_EQ(0x0000FFu, Px24(straight.get(), 10, 5));
    EXPECT_EQ(0x0000FFu, Px24(straight.get(), 13, 8));
    EXPECT_EQ(0u, Px24(straight.get(), 9, 5));
    EXPECT_EQ(0u, Px24(straight.get(), 14, 8));

    unique_ptr<TBitmap> pre(MakeBitmap(20, 20, pf32bit, 0));
    SetOrigin(pre.get(), 10, 5);
    EXPECT_TRUE(gs::AlphaBlendBitmap(pre.get(), TRect(0, 0, 4, 4), src.get(), TPoint(0, 0), 255));
    EXPECT_EQ(0xFF0000FFu, Px32(pre.get(), 10, 5));
    EXPECT_EQ(0xFF0000FFu, Px32(pre.get(), 13, 8));
    EXPECT_EQ(0u, Px32(pre.get(), 9, 5));
    EXPECT_EQ(0u, Px32(pre.get(), 14, 8));
    // Clipped to nothing: AlphaBlend's failure comes back.
    EXPECT_FALSE(gs::AlphaBlendBitmap(pre.get(), TRect(0, 0, 4, 4), src.get(), TPoint(4, 0), 255));
}

TEST(Image, AlphaBlendRectSourceFormats)
{
    // A 32-bit source is premultiplied: alpha 0 and colour 0 leaves the target.
    unique_ptr<TBitmap> clear(MakeBitmap(2, 2, pf32bit, 0));
    unique_ptr<TBitmap> t(MakeBitmap(2, 2, pf32bit, 0xFF336699u));
    gs::AlphaBlendRect(t.get(), TRect(0, 0, 2, 2), clear.get(), TPoint(0, 0), 255);
    EXPECT_EQ(0xFF336699u, Px32(t.get(), 1, 1));
    // A 24-bit source blends by the constant opacity only.
    unique_ptr<TBitmap> solid(MakeBitmap(2, 2, pf24bit, 0x0000FFu));
    EXPECT_TRUE(gs::AlphaBlendRect(t.get(), TRect(0, 0, 2, 2), solid.get(), TPoint(0, 0), 255));
    EXPECT_EQ(0x0000FFu, Px32(t.get(), 0, 0) & 0xFFFFFFu);
}

TEST(Image, CanvasCopiesAndBlends)
{
    unique_ptr<TBitmap> canvasBitmap(MakeBitmap(10, 10, pf32bit, 0xFF102030u));
    SetPx32(canvasBitmap.get(), 3, 2, 0x80AABBCCu);
    TBitmap copy;
    copy.SetPixelFormat(pf32bit);
    gs::CopyCanvasToBitmap(canvasBitmap->Canvas(), &copy, TRect(3, 2, 7, 5));
    EXPECT_EQ(4, copy.Width());
    EXPECT_EQ(3, copy.Height());
    EXPECT_EQ(pf32bit, copy.PixelFormat());
    EXPECT_EQ(0x80AABBCCu, Px32(&copy, 0, 0));

    unique_ptr<TBitmap> back(MakeBitmap(10, 10, pf32bit, 0));
    gs::CopyBitmapToCanvas(back->Canvas(), TRect(5, 5, 8, 8), &copy, TPoint(0, 0));
    EXPECT_EQ(0x80AABBCCu, Px32(back.get(), 5, 5));
    EXPECT_EQ(0xFF102030u, Px32(back.get(), 7, 7));
    EXPECT_EQ(0u, Px32(back.get(), 8, 8));
    EXPECT_EQ(0u, Px32(back.get(), 4, 5));

    // Straight half-transparent red over blue through a 24-bit copy; premultiplied half
    // red through AlphaBlend.
    unique_ptr<TBitmap> red(MakeBitmap(2, 2, pf32bit, 0x80FF0000u));
    unique_ptr<TBitmap> target(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    gs::BlendToCanvas(target->Canvas(), TRect(1, 1, 3, 3), red.get(), TPoint(0, 0), 255);
    const uint32_t mixed = Px32(target.get(), 1, 1);
    EXPECT_EQ(127, int((mixed >> 16) & 0xFF));
    EXPECT_NEAR(127, int(mixed & 0xFF), 1);
    EXPECT_EQ(0xFF0000FFu, Px32(target.get(), 0, 0));
    unique_ptr<TBitmap> halfRed(MakeBitmap(2, 2, pf32bit, 0x80800000u));
    unique_ptr<TBitmap> target2(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    gs::AlphaBlendToCanvas(target2->Canvas(), TRect(1, 1, 3, 3), halfRed.get(), TPoint(0, 0), 255);
    uint32_t px = Px32(target2.get(), 2, 2);
    EXPECT_NEAR(0x80, int((px >> 16) & 0xFF), 1);
    EXPECT_NEAR(0x7F, int(px & 0xFF), 1);
}

TEST(Image, EmptyBitmaps)
{
    EXPECT_TRUE(gs::IsBitmapEmpty(nullptr));
    TBitmap b;
    EXPECT_TRUE(gs::IsBitmapEmpty(&b));
    b.SetSize(0, 10);
    EXPECT_TRUE(gs::IsBitmapEmpty(&b));
    b.SetSize(10, 0);
    EXPECT_TRUE(gs::IsBitmapEmpty(&b));
    b.SetSize(1, 1);
    EXPECT_FALSE(gs::IsBitmapEmpty(&b));
}

TEST(Image, LoadImageKeepsTheBitmapOnFailureAndLoads32Bit)
{
    forms_test::SetUpApplication(); // GDI+ and the answered message boxes
    forms_test::MessageBoxTexts().clear();
    unique_ptr<TBitmap> b(MakeBitmap(3, 2, pf24bit, 0x112233u));
    const std::wstring missing = L"C:\\no such folder\\absent.png";
    gs::LoadImage(missing, b.get());
    ASSERT_EQ(1u, forms_test::MessageBoxTexts().size());
    EXPECT_EQ(L"Can not load image " + missing, forms_test::MessageBoxTexts()[0]);
    EXPECT_EQ(3, b->Width());
    EXPECT_EQ(0x112233u, Px24(b.get(), 2, 1));

    // Not an image at all: the same.
    WriteFileBytes(L"not-an-image.png", "hello", 5);
    gs::LoadImage(L"not-an-image.png", b.get());
    EXPECT_EQ(2u, forms_test::MessageBoxTexts().size());
    EXPECT_EQ(3, b->Width());

    TPngImage png;
    png.SetSize(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = png.ScanLine(y) + 4 * x;
            p[0] = 0; p[1] = 0; p[2] = 255; p[3] = x == 0 ? 255 : 128;
        }
    png.SaveToFile(L"load-me.png");
    gs::LoadImage(L"load-me.png", b.get());
    EXPECT_EQ(2u, forms_test::MessageBoxTexts().size());
    EXPECT_EQ(5, b->Width());
    EXPECT_EQ(4, b->Height());
    EXPECT_EQ(pf32bit, b->PixelFormat());
    EXPECT_EQ(0xFFFF0000u, Px32(b.get(), 0, 3));
    EXPECT_EQ(0x80u, Alpha(Px32(b.get(), 1, 0)));
    EXPECT_NEAR(128, int((Px32(b.get(), 1, 0) >> 16) & 0xFF), 1); // premultiplied red
}
