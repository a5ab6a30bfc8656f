// TBitmap pixel for pixel: sizes, formats, scan lines, copies, handles; and TPicture.
#include <gtest/gtest.h>

#include <memory>

#include "forms/PngImage.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;

namespace {

class ChangeCounter : public TObject {
public:
    int count = 0;
    void Changed(TObject*) { ++count; }
};

uint32_t Px32(TBitmap& b, int x, int y) { return static_cast<const uint32_t*>(b.ScanLine(y))[x]; }

uint32_t Px24(TBitmap& b, int x, int y)
{
    const auto* p = static_cast<const uint8_t*>(b.ScanLine(y)) + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

// A section made outside the library, as GDI+ hands them out.
HBITMAP MakeSection(int width, int height, int bpp, void** bits)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace

TEST(Bitmap, NewPixelsTakeTheBrushColourWithAlphaZero)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(nullptr, b.Handle());
    EXPECT_EQ(pfDevice, b.PixelFormat());
    b.SetPixelFormat(pf32bit);
    b.Canvas()->Brush()->SetColor(clBlack);
    b.SetSize(3, 2);
    EXPECT_EQ(3, b.Width());
    EXPECT_EQ(2, b.Height());
    EXPECT_EQ(0u, Px32(b, 2, 1));

    static_cast<uint32_t*>(b.ScanLine(0))[0] = 0x11223344u;
    b.Canvas()->Brush()->SetColor(0x0000FF);
    b.SetSize(4, 3); // grows: old pixels kept, new ones red with alpha 0
    EXPECT_EQ(0x11223344u, Px32(b, 0, 0));
    EXPECT_EQ(0u, Px32(b, 2, 1));
    EXPECT_EQ(0x00FF0000u, Px32(b, 3, 0));
    EXPECT_EQ(0x00FF0000u, Px32(b, 0, 2));

    b.SetWidth(1); // shrinks
    EXPECT_EQ(1, b.Width());
    EXPECT_EQ(0x11223344u, Px32(b, 0, 0));

    b.SetHeight(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(1, b.Width());
    EXPECT_EQ(nullptr, b.Handle());
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
}

TEST(Bitmap, ScanLineZeroIsTheTopRow)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(5, 4);
    EXPECT_TRUE(b.BottomUp());
    b.Canvas()->Brush()->SetColor(0x0000FF);
    b.Canvas()->FillRect(TRect(0, 0, 5, 1));
    EXPECT_EQ(0xFF0000u, Px24(b, 4, 0));
    EXPECT_EQ(0xFFFFFFu, Px24(b, 4, 3));
    auto* row = static_cast<uint8_t*>(b.ScanLine(3));
    row[0] = 0x10; // blue of (0, 3)
    row[1] = 0x20;
    row[2] = 0x30;
    EXPECT_EQ(0x102030, b.Canvas()->Pixels(0, 3));
    EXPECT_THROW(b.ScanLine(4), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
}

TEST(Bitmap, FormatConversions)
{
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(2, 1);
    static_cast<uint32_t*>(b.ScanLine(0))[0] = 0x80112233u;
    static_cast<uint32_t*>(b.ScanLine(0))[1] = 0xFF445566u;

    b.SetPixelFormat(pf24bit); // alpha dropped
    EXPECT_EQ(24, b.BitsPerPixel());
    EXPECT_EQ(0x112233u, Px24(b, 0, 0));
    EXPECT_EQ(0x445566u, Px24(b, 1, 0));

    b.SetPixelFormat(pf32bit); // alpha 0
    EXPECT_EQ(0x00112233u, Px32(b, 0, 0));
    EXPECT_EQ(0x00445566u, Px32(b, 1, 0));

    // Palette formats: colours of the palette survive a round trip.
    static_cast<uint32_t*>(b.ScanLine(0))[0] = 0x00FF0000u;
    static_cast<uint32_t*>(b.ScanLine(0))[1] = 0x00FFFFFFu;
    for (TPixelFormat f : {pf8bit, pf4bit, pf16bit, pf15bit}) {
        TBitmap c;
        c.Assign(&b);
        c.SetPixelFormat(f);
        EXPECT_EQ(f, c.PixelFormat());
        c.SetPixelFormat(pf24bit);
        EXPECT_EQ(0xFF0000u, Px24(c, 0, 0)) << f;
        EXPECT_EQ(0xFFFFFFu, Px24(c, 1, 0)) << f;
    }
    TBitmap mono;
    mono.Assign(&b);
    mono.SetPixelFormat(pf1bit);
    mono.SetPixelFormat(pf32bit);
    EXPECT_EQ(0x00FFFFFFu, Px32(mono, 1, 0));
    EXPECT_THROW(b.SetPixelFormat(pfCustom), EInvalidGraphic);
}

TEST(Bitmap, AssignIsADeepCopyWithOneNotice)
{
    TBitmap a;
    a.SetPixelFormat(pf32bit);
    a.SetSize(3, 3);
    a.SetAlphaFormat(afDefined);
    static_cast<uint32_t*>(a.ScanLine(1))[1] = 0xA0B0C0D0u;

    TBitmap b;
    ChangeCounter counter;
    b.OnChange = MakeEvent(&counter, &ChangeCounter::Changed);
    b.Assign(&a);
    EXPECT_EQ(1, counter.count);
    EXPECT_EQ(pf32bit, b.PixelFormat());
    EXPECT_EQ(afDefined, b.AlphaFormat());
    EXPECT_EQ(0xA0B0C0D0u, Px32(b, 1, 1));
    EXPECT_NE(a.Handle(), b.Handle());
    static_cast<uint32_t*>(b.ScanLine(1))[1] = 0;
    EXPECT_EQ(0xA0B0C0D0u, Px32(a, 1, 1));

    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(2, counter.count);

    TFont font;
    EXPECT_THROW(b.Assign(&font), EConvertError);
}

TEST(Bitmap, HandlesOfEitherOrientationAndDeviceBitmaps)
{
    void* bits = nullptr;
    HBITMAP bottomUp = MakeSection(2, 3, 32, &bits);
    static_cast<uint32_t*>(bits)[0] = 0xFF000001u; // first row in memory: the bottom row
    HBITMAP topDown = nullptr;
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = 2;
        bi.bmiHeader.biHeight = -3;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* tdBits = nullptr;
        topDown = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &tdBits, nullptr, 0);
        static_cast<uint32_t*>(tdBits)[0] = 0xFF000002u; // first row in memory: the top row
    }

    TBitmap b;
    b.SetHandle(bottomUp);
    EXPECT_EQ(bottomUp, b.Handle());
    EXPECT_EQ(pf32bit, b.PixelFormat());
    EXPECT_EQ(2, b.Width());
    EXPECT_EQ(3, b.Height());
    EXPECT_TRUE(b.BottomUp());
    EXPECT_EQ(0xFF000001u, Px32(b, 0, 2));
    EXPECT_EQ(0x010000, b.Canvas()->Pixels(0, 2)); // COLORREF order

    b.SetHandle(topDown); // the previous one is freed
    EXPECT_FALSE(b.BottomUp());
    EXPECT_EQ(0xFF000002u, Px32(b, 0, 0));
    EXPECT_EQ(0x020000, b.Canvas()->Pixels(0, 0));
    // Resizing a foreign section keeps its pixels where they were.
    b.SetSize(3, 3);
    EXPECT_EQ(0xFF000002u, Px32(b, 0, 0));

    HBITMAP released = b.ReleaseHandle();
    EXPECT_TRUE(b.Empty());
    DeleteObject(released);

    HDC screen = GetDC(nullptr);
    HBITMAP device = CreateCompatibleBitmap(screen, 4, 2);
    ReleaseDC(nullptr, screen);
    b.SetHandle(device);
    EXPECT_EQ(4, b.Width());
    EXPECT_TRUE(b.PixelFormat() == pf32bit || b.PixelFormat() == pf24bit);
    EXPECT_NE(device, b.Handle());
}

TEST(Bitmap, OneContextForLifeKeepsClipAndOrigin)
{
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(10, 10);
    HDC dc = b.Canvas()->Handle();
    SetViewportOrgEx(dc, 3, 4, nullptr);
    HRGN clip = CreateRectRgn(1, 1, 5, 5);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);

    b.SetSize(20, 20);
    b.SetPixelFormat(pf24bit);
    b.Assign(&b);
    TBitmap other;
    other.SetPixelFormat(pf32bit);
    other.Canvas()->Brush()->SetColor(clBlack);
    other.SetSize(7, 7);
    b.Assign(&other);

    EXPECT_EQ(dc, b.Canvas()->Handle());
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(3, origin.x);
    EXPECT_EQ(4, origin.y);
    HRGN now = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(1, GetClipRgn(dc, now));
    RECT box{};
    GetRgnBox(now, &box);
    DeleteObject(now);
    EXPECT_EQ(TRect(1, 1, 5, 5), TRect(box));
    // And drawing still reaches the current image, through origin and clip.
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(TRect(-10, -10, 100, 100));
    EXPECT_EQ(0x00FFFFFFu, Px32(b, 1, 1));
    EXPECT_EQ(0u, Px32(b, 0, 0));
    EXPECT_EQ(0u, Px32(b, 6, 6));
}

TEST(Bitmap, BmpFilesRoundTrip)
{
    ts::TempDir dir;
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        TBitmap b;
        b.SetPixelFormat(f);
        b.Canvas()->Brush()->SetColor(clWhite);
        b.SetSize(7, 5);
        b.Canvas()->Brush()->SetColor(clBlack);
        b.Canvas()->FillRect(TRect(0, 0, 3, 2));
        b.SaveToFile(dir / L"b.bmp");
        TBitmap c;
        c.LoadFromFile(dir / L"b.bmp");
        EXPECT_EQ(f, c.PixelFormat());
        EXPECT_EQ(7, c.Width());
        EXPECT_EQ(5, c.Height());
        EXPECT_EQ(0, c.Canvas()->Pixels(2, 1)) << f;
        EXPECT_EQ(clWhite, c.Canvas()->Pixels(3, 1)) << f;
        EXPECT_EQ(clWhite, c.Canvas()->Pixels(6, 4)) << f;
    }
    // Run-length and mask-coded files as other programs write them.
    auto header = [](uint32_t fileSize, uint32_t offBits, uint32_t headerSize, int w, int h, int bpp,
                     uint32_t compression, uint32_t colours) {
        std::string d = "BM";
        auto u32 = [&d](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                d += char(v >> (8 * i));
        };
        auto u16 = [&d](uint16_t v) {
            d += char(v);
            d += char(v >> 8);
        };
        u32(fileSize);
        u32(0);
        u32(offBits);
        u32(headerSize);
        u32(w);
        u32(h);
        u16(1);
        u16(uint16_t(bpp));
        u32(compression);
        u32(0);
        u32(0);
        u32(0);
        u32(colours);
        u32(0);
        d.resize(14 + headerSize, '\0');
        return d;
    };
    {
        std::string rle = header(0, 14 + 40 + 8, 40, 3, 1, 8, BI_RLE8, 2);
        rle += std::string("\0\0\xFF\0"
                           "\xFF\0\0\0",
                           8);                             // black, blue
        rle += std::string("\x02\x01\x01\x00\x00\x01", 6); // two of index 1, one of 0, end
        ASSERT_TRUE(ts::WriteBytes(dir / L"rle.bmp", rle));
        TBitmap c;
        c.LoadFromFile(dir / L"rle.bmp");
        EXPECT_EQ(pf8bit, c.PixelFormat());
        EXPECT_EQ(0xFF0000, c.Canvas()->Pixels(0, 0));
        EXPECT_EQ(0xFF0000, c.Canvas()->Pixels(1, 0));
        EXPECT_EQ(0x0000FF, c.Canvas()->Pixels(2, 0));
    }
    {
        // A V4 header with red, green, blue, alpha masks in byte order R G B A.
        std::string v4 = header(0, 14 + 108, 108, 1, 1, 32, BI_BITFIELDS, 0);
        auto put = [&v4](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                v4[at + i] = char(v >> (8 * i));
        };
        put(14 + 40, 0x000000FF);
        put(14 + 44, 0x0000FF00);
        put(14 + 48, 0x00FF0000);
        put(14 + 52, 0xFF000000);
        v4 += std::string("\x11\x22\x33\x80", 4);
        ASSERT_TRUE(ts::WriteBytes(dir / L"v4.bmp", v4));
        TBitmap c;
        c.LoadFromFile(dir / L"v4.bmp");
        EXPECT_EQ(pf32bit, c.PixelFormat());
        EXPECT_EQ(0x80112233u, Px32(c, 0, 0));
    }

    // A damaged file leaves the bitmap as it was.
    TBitmap kept;
    kept.SetSize(2, 2);
    ASSERT_TRUE(ts::WriteBytes(dir / L"bad.bmp", "BM not a bitmap at all, really"));
    EXPECT_THROW(kept.LoadFromFile(dir / L"bad.bmp"), EInvalidGraphic);
    EXPECT_EQ(2, kept.Width());
    EXPECT_THROW(kept.LoadFromFile(dir / L"absent.bmp"), EFOpenError);
}

TEST(Picture, HoldsCopiesAndOffersABitmapView)
{
    TPicture picture;
    ChangeCounter counter;
    picture.OnChange = MakeEvent(&counter, &ChangeCounter::Changed);
    EXPECT_EQ(nullptr, picture.Graphic());
    TBitmap* view = picture.Bitmap();
    ASSERT_NE(nullptr, view);
    EXPECT_TRUE(view->Empty());
    EXPECT_EQ(1, counter.count);
    view->SetSize(4, 4); // changes of the graphic reach the picture's listener
    EXPECT_EQ(2, counter.count);

    TPngImage png;
    png.SetSize(2, 1);
    uint8_t* row = png.ScanLine(0);
    const uint8_t pixels[8] = {200, 100, 50, 128, 10, 20, 30, 255};
    std::copy(pixels, pixels + 8, row);
    picture.SetGraphic(&png);
    EXPECT_NE(&png, picture.Graphic());
    EXPECT_NE(nullptr, dynamic_cast<TPngImage*>(picture.Graphic()));
    TBitmap* fromPng = picture.Bitmap();
    EXPECT_EQ(pf32bit, fromPng->PixelFormat());
    EXPECT_EQ(afPremultiplied, fromPng->AlphaFormat());
    EXPECT_EQ(2, fromPng->Width());
    // Premultiplied, rounded: 200 * 128 / 255 = 100.4 -> 100, 50.2 -> 50, 25.1 -> 25.
    EXPECT_EQ(0x80193264u, Px32(*fromPng, 0, 0));
    EXPECT_EQ(0xFF1E140Au, Px32(*fromPng, 1, 0));
    EXPECT_EQ(fromPng, picture.Bitmap());

    TPicture copy;
    copy.Assign(&picture);
    EXPECT_EQ(0xFF1E140Au, Px32(*copy.Bitmap(), 1, 0));
    EXPECT_NE(copy.Bitmap(), picture.Bitmap());

    TBitmap target;
    target.Assign(&picture); // through the picture's AssignTo
    EXPECT_EQ(2, target.Width());

    ts::TempDir dir;
    EXPECT_THROW(picture.LoadFromFile(dir / L"x.pcx"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir / L"absent.png"), EFOpenError);
    EXPECT_EQ(fromPng, picture.Graphic());
    png.SaveToFile(dir / L"p.png");
    picture.LoadFromFile(dir / L"p.png");
    EXPECT_NE(nullptr, dynamic_cast<TPngImage*>(picture.Graphic()));
    EXPECT_EQ(2, picture.Width());
    picture.Assign(nullptr);
    EXPECT_EQ(nullptr, picture.Graphic());
}
