// The bitmap and image helpers: premultiplying, clipping, both blends, loading files.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "forms/PngImage.h"
#include "forms2/FormsTestSupport.h"
#include "src/gui/graphics/image.h"

using namespace widgets_test;
using Bmp = std::unique_ptr<TBitmap>;

TEST(Image, PremultiplyTruncatesAndSkipsOtherFormats)
{
    Bmp b(MakeBitmap(1, 1, pf32bit, 0x803264C8u)), c(MakeBitmap(1, 1, pf24bit, 0x3264C8u));
    gs::PremultiplyAlpha(b.get());
    gs::PremultiplyAlpha(c.get());
    EXPECT_EQ(0x80193264u, Px32(b.get(), 0, 0)); // (200, 100, 50) at 128 -> (100, 50, 25)
    EXPECT_EQ(0x3264C8u, Px24(c.get(), 0, 0));
}

TEST(Image, BlendPixelsWeightsTruncateAlikeOnBothBuilds)
{
    struct {
        unsigned char opacity;
        uint8_t srcAlpha, src, dst, expected;
    } cases[] = {
        {255, 255, 200, 10, 200}, {255, 0, 200, 10, 10}, {128, 255, 255, 0, 127}, {255, 128, 255, 0, 127}};
    for (const auto& c : cases) {
        Bmp src(MakeBitmap(1, 1, pf32bit, (uint32_t(c.srcAlpha) << 24) | c.src * 0x010101u));
        Bmp dst(MakeBitmap(1, 1, pf24bit, c.dst * 0x010101u));
        gs::BlendPixels(dst.get(), TRect(0, 0, 1, 1), src.get(), TPoint(0, 0), c.opacity);
        EXPECT_EQ(c.expected * 0x010101u, Px24(dst.get(), 0, 0)) << int(c.opacity) << "/" << int(c.srcAlpha);
    }
}

TEST(Image, BlendPixelsStaysInsideBothBitmaps)
{
    // Past every edge of both bitmaps (ScanLine would raise outside); inverted: nothing.
    Bmp src(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu)), dst(MakeBitmap(4, 4, pf24bit, 0));
    SetPx32(src.get(), 2, 2, 0xFF00FF00u);
    EXPECT_NO_THROW(gs::BlendPixels(dst.get(), TRect(-2, -2, 10, 10), src.get(), TPoint(0, 0), 255));
    EXPECT_EQ(0x00FF00u, Px24(dst.get(), 0, 0)); // source (2, 2)
    EXPECT_EQ(0x0000FFu, Px24(dst.get(), 1, 1));
    EXPECT_EQ(0u, Px24(dst.get(), 2, 2)); // source (4, 4) does not exist
    EXPECT_NO_THROW(gs::BlendPixels(dst.get(), TRect(3, 3, 9, 9), src.get(), TPoint(-1, -1), 255));
    EXPECT_NO_THROW(gs::BlendPixels(dst.get(), TRect(5, 5, 1, 1), src.get(), TPoint(0, 0), 255));
    EXPECT_EQ(0u, Px24(dst.get(), 3, 3));
    EXPECT_THROW(gs::BlendPixels(dst.get(), TRect(0, 0, 1, 1), dst.get(), TPoint(0, 0), 255),
                 EAssertionFailed);
}

TEST(Image, ClipBlendAreaTable)
{
    struct {
        TRect rect;
        TPoint point, targetOrigin, sourceOrigin;
        int targetWidth;
        TRect rectOut;
        TPoint pointOut;
    } cases[] = {
        {TRect(0, 0, 10, 10), TPoint(-3, 0), {}, {}, 20, TRect(3, 0, 10, 10), TPoint(0, 0)},
        {TRect(-3, 0, 10, 10), TPoint(5, 0), {}, {}, 20, TRect(0, 0, 10, 10), TPoint(8, 0)},
        {TRect(0, 0, 30, 5), TPoint(15, 0), {}, {}, 40, TRect(0, 0, 5, 5), TPoint(15, 0)},  // source room
        {TRect(15, 0, 30, 5), TPoint(0, 0), {}, {}, 20, TRect(15, 0, 20, 5), TPoint(0, 0)}, // target edge
        {TRect(0, 0, 4, 4), TPoint(0, 0), TPoint(10, 5), {}, 12, TRect(0, 0, 2, 4), TPoint(0, 0)},
        {TRect(0, 0, 4, 4), TPoint(0, 0), TPoint(-2, -1), {}, 20, TRect(2, 1, 4, 4), TPoint(2, 1)},
        {TRect(0, 0, 8, 4), TPoint(0, 0), {}, TPoint(15, 0), 20, TRect(0, 0, 5, 4), TPoint(0, 0)},
    };
    for (const auto& c : cases) {
        Bmp t(MakeBitmap(c.targetWidth, 20, pf32bit, 0)), s(MakeBitmap(20, 20, pf32bit, 0));
        SetViewportOrgEx(t->Canvas()->Handle(), c.targetOrigin.x, c.targetOrigin.y, nullptr);
        SetViewportOrgEx(s->Canvas()->Handle(), c.sourceOrigin.x, c.sourceOrigin.y, nullptr);
        TPoint p = c.point;
        EXPECT_EQ(c.rectOut, gs::ClipBlendArea(t.get(), c.rect, s.get(), p));
        EXPECT_EQ(c.pointOut, p);
        POINT o;
        GetViewportOrgEx(t->Canvas()->Handle(), &o);
        EXPECT_EQ(c.targetOrigin, TPoint(o));
    }
}

TEST(Image, BothBlendsPlacePixelsAtTheViewportOrigin)
{
    Bmp src(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    Bmp straight(MakeBitmap(20, 20, pf32bit, 0)), pre(MakeBitmap(20, 20, pf32bit, 0));
    SetViewportOrgEx(straight->Canvas()->Handle(), 10, 5, nullptr);
    SetViewportOrgEx(pre->Canvas()->Handle(), 10, 5, nullptr);
    gs::BlendBitmap(straight.get(), TRect(0, 0, 4, 4), src.get(), TPoint(0, 0), 255);
    EXPECT_TRUE(gs::AlphaBlendBitmap(pre.get(), TRect(0, 0, 4, 4), src.get(), TPoint(0, 0), 255));
    EXPECT_EQ(pf24bit, straight->PixelFormat()); // a 32-bit target becomes 24-bit
    for (TPoint p : {TPoint(10, 5), TPoint(13, 8), TPoint(9, 5), TPoint(14, 8)}) {
        const bool in = p.x >= 10 && p.x < 14;
        EXPECT_EQ(in ? 0xFFu : 0u, Px24(straight.get(), p.x, p.y));
        EXPECT_EQ(in ? 0xFF0000FFu : 0u, Px32(pre.get(), p.x, p.y));
    }
    EXPECT_FALSE(gs::AlphaBlendBitmap(pre.get(), TRect(0, 0, 4, 4), src.get(), TPoint(4, 0), 255));
    // Straight half red over blue on a canvas: 127 red (the weight truncates), blue near 127.
    Bmp red(MakeBitmap(2, 2, pf32bit, 0x80FF0000u)), target(MakeBitmap(4, 4, pf32bit, 0xFF0000FFu));
    gs::BlendToCanvas(target->Canvas(), TRect(1, 1, 3, 3), red.get(), TPoint(0, 0), 255);
    EXPECT_EQ(127u, (Px32(target.get(), 1, 1) >> 16) & 0xFF);
    EXPECT_NEAR(127, int(Px32(target.get(), 1, 1) & 0xFF), 1);
    EXPECT_TRUE(gs::IsBitmapEmpty(nullptr) && gs::IsBitmapEmpty(Bmp(MakeBitmap(0, 10, pf32bit, 0)).get()) &&
                gs::IsBitmapEmpty(Bmp(MakeBitmap(10, 0, pf32bit, 0)).get()) && !gs::IsBitmapEmpty(red.get()));
}

TEST(Image, LoadImageKeepsTheBitmapOnFailureAndLoads32Bit)
{
    forms_test::SetUpApplication(); // GDI+ and the answered message boxes
    auto& boxes = forms_test::MessageBoxTexts();
    boxes.clear();
    Bmp b(MakeBitmap(3, 2, pf24bit, 0x112233u));
    WriteFileBytes(L"not-an-image.png", "hello", 5);
    gs::LoadImage(L"C:\\absent\\a.png", b.get());
    gs::LoadImage(L"not-an-image.png", b.get());
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Can not load image C:\\absent\\a.png", boxes[0]);
    EXPECT_EQ(3, b->Width());
    EXPECT_EQ(0x112233u, Px24(b.get(), 2, 1));

    TPngImage png;
    png.SetSize(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = png.ScanLine(y) + 4 * x;
            p[0] = p[1] = 0, p[2] = 255, p[3] = x == 0 ? 255 : 128;
        }
    png.SaveToFile(L"load-me.png");
    gs::LoadImage(L"load-me.png", b.get());
    EXPECT_EQ(2u, boxes.size());
    EXPECT_EQ(5, b->Width());
    EXPECT_EQ(pf32bit, b->PixelFormat());
    EXPECT_EQ(0xFFFF0000u, Px32(b.get(), 0, 3));
    EXPECT_NEAR(0x80, int(Px32(b.get(), 1, 0) >> 16) & 0xFF, 1); // premultiplied red
}
