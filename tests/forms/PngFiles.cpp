#include "PngFiles.h"

#include <zlib.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

namespace {

void PutU32(std::string& out, uint32_t v)
{
    out += char(v >> 24);
    out += char(v >> 16);
    out += char(v >> 8);
    out += char(v);
}

int ChannelsOf(int colorType)
{
    switch (colorType) {
    case 0:
    case 3:
        return 1;
    case 2:
        return 3;
    case 4:
        return 2;
    default:
        return 4;
    }
}

uint8_t PaethPredict(int a, int b, int c)
{
    int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Packs one row of a pass and filters it.
void AppendRows(const PngLayout& s, int x0, int y0, int dx, int dy, std::string& raw, int& filterTurn)
{
    const int w = s.width > x0 ? (s.width - x0 + dx - 1) / dx : 0;
    const int h = s.height > y0 ? (s.height - y0 + dy - 1) / dy : 0;
    if (!w || !h)
        return;
    const int ch = ChannelsOf(s.colorType);
    const size_t bits = size_t(ch) * s.bitDepth;
    const size_t rowBytes = (w * bits + 7) / 8;
    const size_t bpp = bits / 8 ? bits / 8 : 1;
    std::vector<uint8_t> prior(rowBytes, 0);
    for (int yy = 0; yy < h; ++yy) {
        std::vector<uint8_t> row(rowBytes, 0);
        size_t bit = 0;
        for (int xx = 0; xx < w; ++xx)
            for (int c = 0; c < ch; ++c) {
                unsigned v = s.sample(x0 + xx * dx, y0 + yy * dy, c);
                if (s.bitDepth == 16) {
                    row[bit / 8] = uint8_t(v >> 8);
                    row[bit / 8 + 1] = uint8_t(v);
                } else if (s.bitDepth == 8) {
                    row[bit / 8] = uint8_t(v);
                } else {
                    row[bit / 8] |= uint8_t(v << (8 - s.bitDepth - bit % 8));
                }
                bit += s.bitDepth;
            }
        const int type = filterTurn++ % 5;
        raw += char(type);
        for (size_t i = 0; i < rowBytes; ++i) {
            int left = i >= bpp ? row[i - bpp] : 0, up = prior[i], ul = i >= bpp ? prior[i - bpp] : 0;
            int pred = type == 1   ? left
                       : type == 2 ? up
                       : type == 3 ? (left + up) / 2
                       : type == 4 ? PaethPredict(left, up, ul)
                                   : 0;
            raw += char(uint8_t(row[i] - pred));
        }
        prior = row;
    }
}

uint8_t Scale(unsigned v, int depth)
{
    if (depth == 16)
        return uint8_t(v >> 8);
    return uint8_t(v * 255 / ((1u << depth) - 1));
}

} // namespace

std::string PngChunk(const char* type, const std::string& data)
{
    std::string out;
    PutU32(out, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutU32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    return out;
}

std::string BuildPng(const PngLayout& s)
{
    std::string file("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    PutU32(ihdr, s.width);
    PutU32(ihdr, s.height);
    ihdr += char(s.bitDepth);
    ihdr += char(s.colorType);
    ihdr += '\0';
    ihdr += '\0';
    ihdr += char(s.interlaced ? 1 : 0);
    file += PngChunk("IHDR", ihdr);
    if (!s.palette.empty())
        file += PngChunk("PLTE", std::string(s.palette.begin(), s.palette.end()));
    if (!s.paletteAlpha.empty())
        file += PngChunk("tRNS", std::string(s.paletteAlpha.begin(), s.paletteAlpha.end()));
    if (s.hasKey) {
        std::string k;
        for (int i = 0; i < (s.colorType == 2 ? 3 : 1); ++i) {
            k += char(s.key[i] >> 8);
            k += char(s.key[i]);
        }
        file += PngChunk("tRNS", k);
    }
    file += PngChunk("tEXt", std::string("Comment\0made by the tests", 25));
    std::string raw;
    int turn = 0;
    if (s.interlaced) {
        const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (auto& p : passes)
            AppendRows(s, p[0], p[1], p[2], p[3], raw, turn);
    } else {
        AppendRows(s, 0, 0, 1, 1, raw, turn);
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::string z(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 6);
    z.resize(size);
    // Two IDAT chunks, to exercise their concatenation.
    size_t half = z.size() / 2;
    file += PngChunk("IDAT", z.substr(0, half));
    file += PngChunk("IDAT", z.substr(half));
    file += PngChunk("IEND", "");
    return file;
}

std::vector<uint8_t> ExpectedPixels(const PngLayout& s)
{
    std::vector<uint8_t> out(size_t(s.width) * s.height * 4);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            uint8_t* p = &out[(size_t(y) * s.width + x) * 4];
            unsigned v0 = s.sample(x, y, 0);
            uint8_t r, g, b, a = 255;
            switch (s.colorType) {
            case 0:
                r = g = b = Scale(v0, s.bitDepth);
                if (s.hasKey && v0 == s.key[0])
                    a = 0;
                break;
            case 2: {
                unsigned v1 = s.sample(x, y, 1), v2 = s.sample(x, y, 2);
                r = Scale(v0, s.bitDepth);
                g = Scale(v1, s.bitDepth);
                b = Scale(v2, s.bitDepth);
                if (s.hasKey && v0 == s.key[0] && v1 == s.key[1] && v2 == s.key[2])
                    a = 0;
                break;
            }
            case 3:
                r = s.palette[3 * v0];
                g = s.palette[3 * v0 + 1];
                b = s.palette[3 * v0 + 2];
                if (v0 < s.paletteAlpha.size())
                    a = s.paletteAlpha[v0];
                break;
            case 4:
                r = g = b = Scale(v0, s.bitDepth);
                a = Scale(s.sample(x, y, 1), s.bitDepth);
                break;
            default:
                r = Scale(v0, s.bitDepth);
                g = Scale(s.sample(x, y, 1), s.bitDepth);
                b = Scale(s.sample(x, y, 2), s.bitDepth);
                a = Scale(s.sample(x, y, 3), s.bitDepth);
            }
            p[0] = b;
            p[1] = g;
            p[2] = r;
            p[3] = a;
        }
    return out;
}

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
}

GdiplusSession::~GdiplusSession() { Gdiplus::GdiplusShutdown(m_token); }

bool GdiplusDecode(const std::wstring& path, int& width, int& height, std::vector<uint8_t>& bgra)
{
    using namespace Gdiplus;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Ok || !bitmap)
        return false;
    UINT w = 0, h = 0;
    DllExports::GdipGetImageWidth(bitmap, &w);
    DllExports::GdipGetImageHeight(bitmap, &h);
    BitmapData data{};
    GpRect rect(0, 0, INT(w), INT(h));
    bool ok =
        DllExports::GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, PixelFormat32bppARGB, &data) == Ok;
    if (ok) {
        width = int(w);
        height = int(h);
        bgra.resize(size_t(w) * h * 4);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(&bgra[size_t(y) * w * 4], static_cast<uint8_t*>(data.Scan0) + size_t(y) * data.Stride,
                        w * 4);
        DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
    DllExports::GdipDisposeImage(bitmap);
    return ok;
}

HBITMAP GdiplusHBitmap(const std::wstring& path)
{
    using namespace Gdiplus;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Ok || !bitmap)
        return nullptr;
    HBITMAP handle = nullptr;
    DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &handle, 0xFF000000);
    DllExports::GdipDisposeImage(bitmap);
    return handle;
}
