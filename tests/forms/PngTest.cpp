// The PNG codec: round trips, every colour type and depth, Adam7, damaged files, and
// decodes compared pixel for pixel with GDI+.
#include <gtest/gtest.h>

#include <zlib.h>

#include <memory>
#include <random>

#include "PngFiles.h"
#include "forms/PngImage.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;

namespace {

unsigned Hash(int x, int y, int c)
{
    unsigned h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u ^ unsigned(c + 1) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

std::vector<uint8_t> Pixels(const TPngImage& png)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < png.Height(); ++y)
        out.insert(out.end(), png.ScanLine(y), png.ScanLine(y) + png.Width() * 4);
    return out;
}

void Load(TPngImage& png, const std::string& bytes) { png.LoadFromMemory(bytes.data(), bytes.size()); }

String LoadError(const std::string& bytes)
{
    TPngImage png;
    try {
        Load(png, bytes);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return L"(loaded)";
}

// Reports the first differing pixel, so a failure names where.
::testing::AssertionResult SamePixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    for (size_t i = 0; i < a.size(); i += 4)
        if (std::memcmp(&a[i], &b[i], 4) != 0) {
            char text[160];
            snprintf(text, sizeof(text), "pixel (%d, %d): %02x %02x %02x %02x against %02x %02x %02x %02x",
                     int(i / 4 % width), int(i / 4 / width), a[i], a[i + 1], a[i + 2], a[i + 3], b[i],
                     b[i + 1], b[i + 2], b[i + 3]);
            return ::testing::AssertionFailure() << text;
        }
    return ::testing::AssertionSuccess();
}

class PngTest : public ::testing::Test {
protected:
    GdiplusSession gdiplus;
    ts::TempDir dir;

    // Our decode of the file against the model and against GDI+.
    void CheckLayout(const PngLayout& layout, const std::string& label)
    {
        SCOPED_TRACE(label);
        std::string bytes = BuildPng(layout);
        TPngImage png;
        Load(png, bytes);
        EXPECT_EQ(layout.width, png.Width());
        EXPECT_EQ(layout.height, png.Height());
        EXPECT_EQ(layout.bitDepth, png.BitDepth());
        EXPECT_EQ(layout.colorType, png.ColorType());
        EXPECT_EQ(layout.interlaced, png.Interlaced());
        std::vector<uint8_t> ours = Pixels(png);
        EXPECT_TRUE(SamePixels(ours, ExpectedPixels(layout), layout.width));

        std::wstring path = dir / L"case.png";
        ASSERT_TRUE(ts::WriteBytes(path, bytes));
        int w = 0, h = 0;
        std::vector<uint8_t> theirs;
        ASSERT_TRUE(GdiplusDecode(path, w, h, theirs));
        EXPECT_EQ(layout.width, w);
        EXPECT_EQ(layout.height, h);
        EXPECT_TRUE(SamePixels(ours, theirs, layout.width)) << "against GDI+";
    }
};

PngLayout Layout(int colorType, int depth, int width, int height, bool interlaced)
{
    PngLayout s;
    s.colorType = colorType;
    s.bitDepth = depth;
    s.width = width;
    s.height = height;
    s.interlaced = interlaced;
    const unsigned range = 1u << depth;
    if (colorType == 3) {
        const int entries = depth == 8 ? 200 : int(range);
        for (int i = 0; i < entries; ++i)
            for (int c = 0; c < 3; ++c)
                s.palette.push_back(uint8_t(Hash(i, 7, c)));
        s.sample = [entries](int x, int y, int) { return Hash(x, y, 0) % unsigned(entries); };
    } else {
        s.sample = [range](int x, int y, int c) { return Hash(x, y, c) % range; };
    }
    return s;
}

} // namespace

TEST_F(PngTest, RoundTripOfA32BitImage)
{
    TPngImage png;
    png.SetSize(37, 23);
    std::mt19937 random(5);
    for (int y = 0; y < 23; ++y) {
        uint8_t* row = png.ScanLine(y);
        for (int i = 0; i < 37 * 4; ++i)
            row[i] = uint8_t(random());
        if (y % 5 == 0)
            std::fill(row, row + 37 * 4, uint8_t(y)); // flat rows compress differently
    }
    std::vector<uint8_t> bytes = png.SaveToMemory();
    TPngImage back;
    back.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(6, back.ColorType());
    EXPECT_EQ(8, back.BitDepth());
    EXPECT_TRUE(SamePixels(Pixels(png), Pixels(back), 37));

    png.SaveToFile(dir / L"round.png");
    int w = 0, h = 0;
    std::vector<uint8_t> theirs;
    ASSERT_TRUE(GdiplusDecode(dir / L"round.png", w, h, theirs));
    EXPECT_TRUE(SamePixels(Pixels(png), theirs, 37)) << "against GDI+";

    TPngImage empty;
    EXPECT_THROW(empty.SaveToMemory(), EInvalidGraphicOperation);
}

TEST_F(PngTest, SavesBitmapsOfEachFormat)
{
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(2, 1);
    static_cast<uint32_t*>(b.ScanLine(0))[0] = 0x80402010u;
    static_cast<uint32_t*>(b.ScanLine(0))[1] = 0x00000000u;
    TPngImage png;
    png.Assign(&b);
    EXPECT_EQ(0x80402010u, reinterpret_cast<const uint32_t*>(png.ScanLine(0))[0]);
    b.SetAlphaFormat(afPremultiplied); // un-premultiplied on the way in
    png.Assign(&b);
    EXPECT_EQ(0x80804020u, reinterpret_cast<const uint32_t*>(png.ScanLine(0))[0]);
    b.SetPixelFormat(pf24bit);
    png.Assign(&b);
    EXPECT_EQ(0xFF402010u, reinterpret_cast<const uint32_t*>(png.ScanLine(0))[0]);
    b.SetPixelFormat(pf8bit);
    png.Assign(&b);
    EXPECT_EQ(255, png.ScanLine(0)[3]);
    TFont font;
    EXPECT_THROW(png.Assign(&font), EConvertError);
}

TEST_F(PngTest, EveryColourTypeAndBitDepth)
{
    const int combos[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                             {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (auto& c : combos)
        for (bool interlaced : {false, true})
            for (auto size : {std::make_pair(13, 11), std::make_pair(1, 1), std::make_pair(3, 9)}) {
                PngLayout s = Layout(c[0], c[1], size.first, size.second, interlaced);
                CheckLayout(s, "type " + std::to_string(c[0]) + " depth " + std::to_string(c[1]) +
                                   (interlaced ? " interlaced " : " ") + std::to_string(size.first) + "x" +
                                   std::to_string(size.second));
            }
}

TEST_F(PngTest, TransparencyChunks)
{
    PngLayout palette = Layout(3, 4, 9, 9, false);
    palette.paletteAlpha = {0, 64, 128, 255, 7};
    CheckLayout(palette, "palette alpha");

    // More palette entries than the depth can index, and more alpha entries than colours.
    PngLayout loose = Layout(3, 1, 5, 5, false);
    loose.palette.insert(loose.palette.end(), {1, 2, 3, 4, 5, 6});
    loose.paletteAlpha = {10, 20, 30, 40, 50};
    std::string bytes = BuildPng(loose);
    TPngImage png;
    Load(png, bytes);
    loose.paletteAlpha.resize(4);
    EXPECT_TRUE(SamePixels(Pixels(png), ExpectedPixels(loose), 5));

    PngLayout grey = Layout(0, 8, 9, 9, true);
    grey.sample = [](int x, int y, int) { return unsigned((x + y) % 4) * 60; };
    grey.hasKey = true;
    grey.key[0] = 60;
    CheckLayout(grey, "grey key");

    PngLayout rgb = Layout(2, 16, 9, 9, false);
    rgb.sample = [](int x, int, int c) { return unsigned(x % 3) * 0x1111 + unsigned(c); };
    rgb.hasKey = true;
    rgb.key[0] = 0x1111;
    rgb.key[1] = 0x1112;
    rgb.key[2] = 0x1113;
    CheckLayout(rgb, "rgb key");
}

TEST_F(PngTest, ThePictureBitmapViewMatchesGdiplusLoading)
{
    PngLayout s = Layout(6, 8, 16, 12, true);
    std::string bytes = BuildPng(s);
    std::wstring path = dir / L"art.png";
    ASSERT_TRUE(ts::WriteBytes(path, bytes));

    TPicture picture;
    picture.LoadFromFile(path);
    TBitmap* ours = picture.Bitmap();
    ASSERT_EQ(pf32bit, ours->PixelFormat());

    // What loading the file through GDI+ into a bitmap gives (a bottom-up handle).
    TBitmap theirs;
    theirs.SetHandle(GdiplusHBitmap(path));
    theirs.SetPixelFormat(pf32bit);
    ASSERT_EQ(16, theirs.Width());
    ASSERT_EQ(12, theirs.Height());
    EXPECT_TRUE(theirs.BottomUp());
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* a = static_cast<const uint8_t*>(ours->ScanLine(y)) + 4 * x;
            const uint8_t* b = static_cast<const uint8_t*>(theirs.ScanLine(y)) + 4 * x;
            EXPECT_EQ(b[3], a[3]) << x << "," << y;
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(b[c], a[c]) << x << "," << y << " channel " << c;
        }
}

TEST_F(PngTest, DrawBlendsOverTheCanvas)
{
    TPngImage png;
    png.SetSize(2, 1);
    const uint8_t px[8] = {0, 0, 255, 255, 0, 0, 255, 0}; // opaque red, transparent red
    std::copy(px, px + 8, png.ScanLine(0));
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.SetSize(2, 1);
    target.Canvas()->Draw(0, 0, &png);
    EXPECT_EQ(clRed, target.Canvas()->Pixels(0, 0));
    EXPECT_EQ(clWhite, target.Canvas()->Pixels(1, 0));
}

TEST_F(PngTest, EveryTruncationIsRefused)
{
    std::string bytes = BuildPng(Layout(6, 16, 5, 5, true));
    for (size_t n = 0; n < bytes.size(); ++n) {
        String message = LoadError(bytes.substr(0, n));
        EXPECT_NE(String(L"(loaded)"), message) << n;
    }
    EXPECT_NE(String::npos, LoadError(bytes.substr(0, bytes.size() - 12)).find(L"truncated"));
    EXPECT_EQ(String(L"Not a PNG image (bad signature)"), LoadError("GIF89a"));
}

TEST_F(PngTest, DamagedFilesAreRefusedWithTheirFault)
{
    const std::string sig("\x89PNG\r\n\x1a\n", 8);
    auto ihdr = [](uint32_t w, uint32_t h, int depth, int type, int interlace) {
        std::string d;
        for (uint32_t v : {w, h}) {
            d += char(v >> 24);
            d += char(v >> 16);
            d += char(v >> 8);
            d += char(v);
        }
        d += char(depth);
        d += char(type);
        d += '\0';
        d += '\0';
        d += char(interlace);
        return PngChunk("IHDR", d);
    };
    auto idat = [](const std::string& raw) {
        uLongf size = compressBound(uLong(raw.size()));
        std::string z(size, '\0');
        compress(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
                 uLong(raw.size()));
        z.resize(size);
        return PngChunk("IDAT", z);
    };
    const std::string end = PngChunk("IEND", "");
    const std::string goodRow = std::string("\0\x10\x20\x30\x40", 5); // 1x1 RGBA
    auto has = [](const String& message, const wchar_t* part) { return message.find(part) != String::npos; };

    // A valid file, to show the pieces are right.
    EXPECT_EQ(String(L"(loaded)"), LoadError(sig + ihdr(1, 1, 8, 6, 0) + idat(goodRow) + end));

    std::string badCrc = sig + ihdr(1, 1, 8, 6, 0) + idat(goodRow) + end;
    badCrc[33 + 9] ^= 0x01; // a byte inside the IDAT data
    EXPECT_TRUE(has(LoadError(badCrc), L"CRC error in the IDAT chunk"));

    String zlib = LoadError(sig + ihdr(1, 1, 8, 6, 0) + PngChunk("IDAT", "this is not deflate") + end);
    EXPECT_TRUE(has(zlib, L"bad compressed image data")) << ts::Narrow(zlib);
    EXPECT_TRUE(
        has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + idat(std::string("\0\x10", 2)) + end), L"truncated"));

    EXPECT_TRUE(has(LoadError(sig + ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, 0) + idat(goodRow) + end),
                    L"PNG image is too large (2147483647 x 2147483647)"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(100000, 100000, 8, 6, 0) + idat(goodRow) + end), L"too large"));
    // A size within bounds whose data cannot possibly fill it is refused before inflating.
    EXPECT_TRUE(has(LoadError(sig + ihdr(4000, 4000, 16, 6, 0) + idat(goodRow) + end), L"truncated"));
    EXPECT_TRUE(
        has(LoadError(sig + ihdr(0x80000000u, 1, 8, 6, 0) + idat(goodRow) + end), L"invalid image size"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(0, 1, 8, 6, 0) + idat(goodRow) + end), L"invalid image size"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 4, 2, 0) + idat(goodRow) + end), L"invalid bit depth"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 5, 0) + idat(goodRow) + end), L"invalid colour type"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 2) + idat(goodRow) + end), L"interlace"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 3, 0) + idat(std::string("\0\0", 2)) + end),
                    L"palette is missing"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + idat(std::string("\x09\x10\x20\x30\x40", 5)) + end),
                    L"invalid filter type 9"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + PngChunk("ABCD", "") + idat(goodRow) + end),
                    L"unknown critical chunk ABCD"));
    EXPECT_EQ(String(L"(loaded)"),
              LoadError(sig + ihdr(1, 1, 8, 6, 0) + PngChunk("zzZz", "x") + idat(goodRow) + end));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + idat(goodRow)), L"truncated"));
    EXPECT_TRUE(has(LoadError(sig + idat(goodRow) + end), L"IHDR chunk is missing"));
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + end), L"no image data"));
    std::string split = idat(goodRow);
    EXPECT_TRUE(has(LoadError(sig + ihdr(1, 1, 8, 6, 0) + split + PngChunk("tEXt", "a\0b") + split + end),
                    L"not consecutive"));
    // Damage to an ancillary chunk drops that chunk only, as other decoders do.
    std::string text = PngChunk("tEXt", "a\0b");
    text[9] ^= 0x20;
    EXPECT_EQ(String(L"(loaded)"), LoadError(sig + ihdr(1, 1, 8, 6, 0) + text + idat(goodRow) + end));
    std::string hugeLength = sig + ihdr(1, 1, 8, 6, 0) + std::string("\xFF\xFF\xFF\xF0IDAT", 8);
    EXPECT_TRUE(has(LoadError(hugeLength), L"invalid chunk length"));
}

TEST_F(PngTest, RandomDamageNeverGetsPastTheChecks)
{
    const std::string good = BuildPng(Layout(3, 4, 11, 7, true));
    std::mt19937 random(11);
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = good;
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i)
            bytes[8 + random() % (bytes.size() - 8)] = char(random());
        // Recompute every CRC so the damage reaches the chunk contents.
        for (size_t pos = 8; pos + 12 <= bytes.size();) {
            const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + pos);
            uint32_t length = (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
            if (length > bytes.size() - pos - 12)
                break;
            uint32_t crc = uint32_t(crc32(0, p + 4, length + 4));
            for (int k = 0; k < 4; ++k)
                bytes[pos + 8 + length + k] = char(crc >> (24 - 8 * k));
            pos += 12 + length;
        }
        TPngImage png;
        try {
            Load(png, bytes);
            EXPECT_EQ(size_t(png.Width()) * png.Height() * 4, Pixels(png).size());
        } catch (const EInvalidGraphic&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(PngTest, AFailedLoadKeepsTheImage)
{
    TPngImage png;
    Load(png, BuildPng(Layout(2, 8, 4, 3, false)));
    std::vector<uint8_t> before = Pixels(png);
    EXPECT_THROW(Load(png, "\x89PNG\r\n\x1a\n"), EInvalidGraphic);
    EXPECT_EQ(4, png.Width());
    EXPECT_EQ(before, Pixels(png));
}
