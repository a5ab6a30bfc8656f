// Pictures in the formats GDI+ decodes, written by GDI+'s own encoders (icons by hand).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>

#include "PngFiles.h"
#include "forms/Graphics.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;
using namespace Gdiplus;

namespace {

// 4 x 2: red, green, blue, half-transparent white on top; opaque grey below.
const uint32_t kArgb[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF,
                           0xFF808080, 0xFF808080, 0xFF808080, 0xFF808080};

bool Encode(const std::wstring& path, const wchar_t* mime)
{
    UINT count = 0, size = 0;
    DllExports::GdipGetImageEncodersSize(&count, &size);
    std::vector<uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    DllExports::GdipGetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mime) != 0) continue;
        GpBitmap* image = nullptr;
        DllExports::GdipCreateBitmapFromScan0(4, 2, 16, PixelFormat32bppARGB,
                                              reinterpret_cast<BYTE*>(const_cast<uint32_t*>(kArgb)), &image);
        bool ok = image && DllExports::GdipSaveImageToFile(image, path.c_str(), &codecs[i].Clsid, nullptr) == Ok;
        if (image) DllExports::GdipDisposeImage(image);
        return ok;
    }
    return false;
}

// One 4 x 2 image of 32 bits: colour rows bottom-up, then the (empty) AND mask.
std::string Icon()
{
    std::string ico;
    auto put = [&](uint32_t v, int bytes) { ico.append(reinterpret_cast<const char*>(&v), size_t(bytes)); };
    const uint32_t imageSize = 40 + 8 * 4 + 2 * 4;
    put(0, 2), put(1, 2), put(1, 2);
    put(4, 1), put(2, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2), put(imageSize, 4), put(22, 4);
    put(40, 4), put(4, 4), put(4, 4), put(1, 2), put(32, 2), put(0, 4), put(8 * 4 + 8, 4);
    put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    for (int y = 1; y >= 0; --y)
        for (int x = 0; x < 4; ++x) put(kArgb[y * 4 + x], 4);
    put(0, 4), put(0, 4);
    return ico;
}

// The same 4 x 2 picture with a palette of red, green, blue and grey; grey (the whole
// bottom row and the top right pixel) is the transparent colour when asked.
std::string Gif(bool transparent)
{
    std::string gif("GIF89a", 6);
    auto put = [&](uint32_t v, int bytes) { gif.append(reinterpret_cast<const char*>(&v), size_t(bytes)); };
    put(4, 2), put(2, 2), put(0xF1, 1), put(0, 1), put(0, 1);
    const uint8_t palette[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128};
    gif.append(reinterpret_cast<const char*>(palette), sizeof(palette));
    if (transparent) put(0xF921, 2), put(4, 1), put(1, 1), put(0, 2), put(3, 1), put(0, 1);
    put(0x2C, 1), put(0, 2), put(0, 2), put(4, 2), put(2, 2), put(0, 1);
    // LZW with 3-bit codes: a clear code (4) before every two pixels keeps the width
    // fixed; 5 ends the data.
    const int pixels[8] = {0, 1, 2, 3, 3, 3, 3, 3};
    std::vector<int> codes;
    for (int i = 0; i < 8; ++i) {
        if (i % 2 == 0) codes.push_back(4);
        codes.push_back(pixels[i]);
    }
    codes.push_back(5);
    std::string data;
    uint32_t acc = 0;
    int bits = 0;
    for (int code : codes) {
        acc |= uint32_t(code) << bits;
        for (bits += 3; bits >= 8; bits -= 8, acc >>= 8) data.push_back(char(acc & 0xFF));
    }
    if (bits) data.push_back(char(acc & 0xFF));
    put(2, 1), put(uint32_t(data.size()), 1);
    gif += data;
    put(0, 1), put(0x3B, 1);
    return gif;
}

uint32_t Pixel(TBitmap* b, int x, int y)
{
    const uint8_t* p = static_cast<const uint8_t*>(b->ScanLine(y)) + x * (b->PixelFormat() == pf32bit ? 4 : 3);
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    if (b->PixelFormat() == pf32bit) v |= uint32_t(p[3]) << 24;
    return v;
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
    ASSERT_TRUE(ts::WriteBytes(dir / L"icon.ico", Icon()));
    ASSERT_TRUE(ts::WriteBytes(dir / L"plain.gif", Gif(false)));
    ASSERT_TRUE(ts::WriteBytes(dir / L"clear.gif", Gif(true)));
    struct Case {
        const wchar_t* name;
        const wchar_t* mime; // null: written above
        TPixelFormat format;
        int tolerance;
    };
    const Case cases[] = {
        {L"photo.jpg", L"image/jpeg", pf24bit, 40},
        {L"photo.JPEG", L"image/jpeg", pf24bit, 40},
        {L"plain.gif", nullptr, pf24bit, 0},
        {L"clear.gif", nullptr, pf32bit, 0},
        {L"scan.tif", L"image/tiff", pf32bit, 1},
        {L"icon.ico", nullptr, pf32bit, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ts::Narrow(c.name));
        std::wstring path = dir / c.name;
        if (c.mime) ASSERT_TRUE(Encode(path, c.mime));
        TPicture picture;
        picture.LoadFromFile(path);
        auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
        ASSERT_NE(nullptr, bitmap);
        ASSERT_EQ(4, bitmap->Width());
        ASSERT_EQ(2, bitmap->Height());
        EXPECT_EQ(c.format, bitmap->PixelFormat());
        EXPECT_EQ(c.format == pf32bit ? afPremultiplied : afIgnored, bitmap->AlphaFormat());
        uint32_t opaque = c.format == pf32bit ? 0xFF000000 : 0;
        if (c.tolerance < 40) {
            EXPECT_TRUE(Near(opaque | 0xFF0000, Pixel(bitmap, 0, 0), c.tolerance)) << std::hex << Pixel(bitmap, 0, 0);
            EXPECT_TRUE(Near(opaque | 0x0000FF, Pixel(bitmap, 2, 0), c.tolerance)) << std::hex << Pixel(bitmap, 2, 0);
        }
        bool gif = ExtractFileExt(c.name) == L".gif";
        uint32_t grey = gif && c.format == pf32bit ? 0 : opaque | 0x808080;
        EXPECT_TRUE(Near(grey, Pixel(bitmap, 1, 1), c.tolerance)) << std::hex << Pixel(bitmap, 1, 1);
        // Half-transparent white, premultiplied (a GIF has no such thing).
        if (c.format == pf32bit && !gif) EXPECT_TRUE(Near(0x80808080, Pixel(bitmap, 3, 0), 1)) << std::hex << Pixel(bitmap, 3, 0);
    }
}

TEST(PictureFormats, ADamagedFileRaisesAndKeepsThePicture)
{
    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"bad.jpg", "a text file given a picture's name"));
    TPicture picture;
    TBitmap small;
    small.SetSize(3, 3);
    picture.SetBitmap(&small);
    EXPECT_THROW(picture.LoadFromFile(dir / L"bad.jpg"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir / L"missing.gif"), EFOpenError);
    EXPECT_EQ(3, picture.Width());
}
