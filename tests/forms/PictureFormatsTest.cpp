// Pictures in the formats GDI+ decodes: JPEG and TIFF from GDI+'s own encoders, GIF
// files written here (Wine's GIF encoder writes empty files).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "PngFiles.h"
#include "forms/Graphics.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;
using namespace Gdiplus;

namespace {

// 4 x 2: red, green, blue, half-transparent white on top; grey below.
const uint32_t kArgb[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF,
                           0xFF808080, 0xFF808080, 0xFF808080, 0xFF808080};

bool Encode(const std::wstring& path, const wchar_t* mime)
{
    UINT count = 0, size = 0;
    DllExports::GdipGetImageEncodersSize(&count, &size);
    std::vector<uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    DllExports::GdipGetImageEncoders(count, size, codecs);
    GpBitmap* image = nullptr;
    DllExports::GdipCreateBitmapFromScan0(4, 2, 16, PixelFormat32bppARGB,
                                          reinterpret_cast<BYTE*>(const_cast<uint32_t*>(kArgb)), &image);
    bool ok = false;
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(codecs[i].MimeType, mime) == 0)
            ok = DllExports::GdipSaveImageToFile(image, path.c_str(), &codecs[i].Clsid, nullptr) == Ok;
    DllExports::GdipDisposeImage(image);
    return ok;
}

// One red pixel; with a control block its colour is the transparent one.
const char kGif[] = "GIF89a\1\0\1\0\x80\0\0\xFF\0\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";
const char kClearGif[] = "GIF89a\1\0\1\0\x80\0\0\xFF\0\0\0\0\0!\xF9\4\1\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";

uint32_t Pixel(TBitmap* b, int x)
{
    const uint8_t* p = static_cast<const uint8_t*>(b->ScanLine(0)) + x * (b->PixelFormat() == pf32bit ? 4 : 3);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (b->PixelFormat() == pf32bit ? uint32_t(p[3]) << 24 : 0);
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int s = 0; s < 32; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
    return true;
}

} // namespace

TEST(PictureFormats, GdiplusFormatsLoadAsBitmapsWithOrWithoutAlpha)
{
    GdiplusSession session;
    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"red.gif", std::string(kGif, sizeof(kGif) - 1)));
    ASSERT_TRUE(ts::WriteBytes(dir / L"clear.gif", std::string(kClearGif, sizeof(kClearGif) - 1)));
    struct Case {
        const wchar_t* name;
        const wchar_t* mime; // null: written above
        int width;
        TPixelFormat format;
        uint32_t first, fourth; // pixels (0, 0) and (3, 0), premultiplied
        int tolerance;
    };
    const Case cases[] = {
        {L"photo.JPEG", L"image/jpeg", 4, pf24bit, 0xFF0000, 0, 255}, // colours lost at this size
        {L"scan.tif", L"image/tiff", 4, pf32bit, 0xFFFF0000, 0x80808080, 1},
        {L"red.gif", nullptr, 1, pf24bit, 0xFF0000, 0, 0},
        {L"clear.gif", nullptr, 1, pf32bit, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ts::Narrow(c.name));
        if (c.mime) ASSERT_TRUE(Encode(dir / c.name, c.mime));
        TPicture picture;
        picture.LoadFromFile(dir / c.name);
        auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
        ASSERT_NE(nullptr, bitmap);
        ASSERT_EQ(c.width, bitmap->Width());
        EXPECT_EQ(c.format, bitmap->PixelFormat());
        EXPECT_EQ(c.format == pf32bit ? afPremultiplied : afIgnored, bitmap->AlphaFormat());
        EXPECT_TRUE(Near(c.first, Pixel(bitmap, 0), c.tolerance)) << std::hex << Pixel(bitmap, 0);
        if (c.fourth) EXPECT_TRUE(Near(c.fourth, Pixel(bitmap, 3), c.tolerance)) << std::hex << Pixel(bitmap, 3);
    }
    // A damaged or missing file raises and leaves the picture as it was.
    ASSERT_TRUE(ts::WriteBytes(dir / L"bad.jpg", "a text file given a picture's name"));
    TPicture picture;
    picture.LoadFromFile(dir / L"red.gif");
    EXPECT_THROW(picture.LoadFromFile(dir / L"bad.jpg"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir / L"missing.tif"), EFOpenError);
    EXPECT_EQ(1, picture.Width());
}
