#include "forms/PngImage.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Largest image accepted: its pixels and the inflated data must fit a 32-bit process.
const uint64_t kMaxPixels = 1ull << 25;
const uint32_t kMaxSide = 1u << 20;

[[noreturn]] void Damaged(const String& why) { throw EInvalidGraphic(L"PNG image is damaged: " + why); }

uint32_t BigU32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

void PutBigU32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

String ChunkName(const uint8_t* type)
{
    String name;
    for (int i = 0; i < 4; ++i)
        name += static_cast<wchar_t>(type[i]);
    return name;
}

int Channels(int colorType)
{
    switch (colorType) {
    case 0:
        return 1;
    case 2:
        return 3;
    case 3:
        return 1;
    case 4:
        return 2;
    default:
        return 4;
    }
}

struct Pass {
    int x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const Pass kWhole = {0, 0, 1, 1};

int PassSize(int full, int start, int step) { return full > start ? (full - start + step - 1) / step : 0; }

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    if (pb <= pc)
        return uint8_t(b);
    return uint8_t(c);
}

void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp)
{
    switch (type) {
    case 0:
        break;
    case 1:
        for (size_t i = bpp; i < length; ++i)
            row[i] = uint8_t(row[i] + row[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        break;
    case 3:
        for (size_t i = 0; i < length; ++i) {
            int left = i >= bpp ? row[i - bpp] : 0;
            row[i] = uint8_t(row[i] + ((left + prior[i]) >> 1));
        }
        break;
    case 4:
        for (size_t i = 0; i < length; ++i) {
            int left = i >= bpp ? row[i - bpp] : 0;
            int upLeft = i >= bpp ? prior[i - bpp] : 0;
            row[i] = uint8_t(row[i] + Paeth(left, prior[i], upLeft));
        }
        break;
    default:
        Damaged(L"invalid filter type " + IntToStr(int(type)));
    }
}

// Sample n of a row at the given depth (1, 2, 4, 8 or 16 bits).
unsigned Sample(const uint8_t* row, size_t n, int depth)
{
    switch (depth) {
    case 16:
        return (unsigned(row[2 * n]) << 8) | row[2 * n + 1];
    case 8:
        return row[n];
    default: {
        size_t bit = n * depth;
        unsigned byte = row[bit / 8];
        unsigned shift = 8 - depth - static_cast<unsigned>(bit % 8);
        return (byte >> shift) & ((1u << depth) - 1);
    }
    }
}

uint8_t To8(unsigned v, int depth)
{
    if (depth == 16)
        return uint8_t(v >> 8);
    if (depth == 8)
        return uint8_t(v);
    return uint8_t(v * 255 / ((1u << depth) - 1));
}

struct Decoder {
    PngInfo info;
    uint8_t palette[256][4] = {};
    int paletteCount = 0;
    bool havePalette = false;
    bool haveTrns = false;
    unsigned trnsKey[3] = {0, 0, 0};

    void Inflate(const std::vector<uint8_t>& compressed, std::vector<uint8_t>& raw, size_t expected)
    {
        raw.assign(expected, 0);
        z_stream z{};
        if (inflateInit(&z) != Z_OK)
            throw EOutOfResources(L"Out of memory decoding a PNG image");
        z.next_in = const_cast<Bytef*>(compressed.data());
        z.avail_in = static_cast<uInt>(compressed.size());
        z.next_out = raw.data();
        z.avail_out = static_cast<uInt>(expected);
        int ret = Z_OK;
        while (ret == Z_OK && z.avail_out > 0)
            ret = inflate(&z, Z_NO_FLUSH);
        String message = z.msg ? String(AnsiString(z.msg)) : String();
        size_t produced = expected - z.avail_out;
        inflateEnd(&z);
        if (ret == Z_DATA_ERROR || ret == Z_NEED_DICT || ret == Z_STREAM_ERROR)
            Damaged(L"bad compressed image data" + (message.empty() ? String() : L" (" + message + L")"));
        if (ret == Z_MEM_ERROR)
            throw EOutOfResources(L"Out of memory decoding a PNG image");
        if (produced < expected)
            Damaged(L"the image data is truncated");
    }

    void Convert(const uint8_t* row, int width, uint8_t* out, int x0, int dx)
    {
        const int depth = info.bitDepth;
        for (int i = 0; i < width; ++i) {
            uint8_t* px = out + static_cast<size_t>(x0 + i * dx) * 4;
            uint8_t r, g, b, a = 255;
            switch (info.colorType) {
            case 0: {
                unsigned v = Sample(row, i, depth);
                r = g = b = To8(v, depth);
                if (haveTrns && v == trnsKey[0])
                    a = 0;
                break;
            }
            case 2: {
                unsigned vr = Sample(row, 3 * i, depth), vg = Sample(row, 3 * i + 1, depth),
                         vb = Sample(row, 3 * i + 2, depth);
                r = To8(vr, depth);
                g = To8(vg, depth);
                b = To8(vb, depth);
                if (haveTrns && vr == trnsKey[0] && vg == trnsKey[1] && vb == trnsKey[2])
                    a = 0;
                break;
            }
            case 3: {
                unsigned index = Sample(row, i, depth);
                if (static_cast<int>(index) < paletteCount) {
                    r = palette[index][0];
                    g = palette[index][1];
                    b = palette[index][2];
                    a = palette[index][3];
                } else {
                    r = g = b = 0; // an index past the palette reads as opaque black
                }
                break;
            }
            case 4:
                r = g = b = To8(Sample(row, 2 * i, depth), depth);
                a = To8(Sample(row, 2 * i + 1, depth), depth);
                break;
            default:
                r = To8(Sample(row, 4 * i, depth), depth);
                g = To8(Sample(row, 4 * i + 1, depth), depth);
                b = To8(Sample(row, 4 * i + 2, depth), depth);
                a = To8(Sample(row, 4 * i + 3, depth), depth);
                break;
            }
            px[0] = b;
            px[1] = g;
            px[2] = r;
            px[3] = a;
        }
    }

    void Run(const uint8_t* data, size_t size, std::vector<uint8_t>& bgra)
    {
        if (!data || size < 8 || std::memcmp(data, kSignature, 8) != 0)
            throw EInvalidGraphic(L"Not a PNG image (bad signature)");
        size_t pos = 8;
        bool haveHeader = false, seenData = false, dataEnded = false, haveEnd = false;
        std::vector<uint8_t> compressed;
        while (!haveEnd) {
            if (pos + 8 > size)
                Damaged(L"the file is truncated");
            const uint32_t length = BigU32(data + pos);
            const uint8_t* type = data + pos + 4;
            if (length > 0x7FFFFFFFu)
                Damaged(L"invalid chunk length");
            for (int i = 0; i < 4; ++i)
                if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z')))
                    Damaged(L"invalid chunk type");
            if (size - pos - 8 < static_cast<size_t>(length) + 4)
                Damaged(L"the file is truncated");
            const uint8_t* body = data + pos + 8;
            const uint32_t stored = BigU32(body + length);
            const bool critical = type[0] >= 'A' && type[0] <= 'Z';
            const bool crcOk = static_cast<uint32_t>(crc32(0, type, 4 + length)) == stored;
            pos += 12 + static_cast<size_t>(length);
            if (!crcOk && critical)
                Damaged(L"CRC error in the " + ChunkName(type) + L" chunk");

            const bool isData = std::memcmp(type, "IDAT", 4) == 0;
            if (seenData && !isData)
                dataEnded = true;
            if (!haveHeader && std::memcmp(type, "IHDR", 4) != 0)
                Damaged(L"the IHDR chunk is missing");
            if (!crcOk)
                continue; // a damaged ancillary chunk is dropped, as other decoders do

            if (std::memcmp(type, "IHDR", 4) == 0) {
                if (haveHeader)
                    Damaged(L"more than one IHDR chunk");
                if (length != 13)
                    Damaged(L"invalid IHDR chunk");
                ReadHeader(body);
                haveHeader = true;
            } else if (std::memcmp(type, "PLTE", 4) == 0) {
                if (seenData || havePalette || length % 3 != 0 || length == 0 || length > 768)
                    Damaged(L"invalid PLTE chunk");
                if (info.colorType == 0 || info.colorType == 4)
                    Damaged(L"a palette in a grey image");
                havePalette = true;
                if (info.colorType == 3) {
                    paletteCount = static_cast<int>(length / 3);
                    for (int i = 0; i < paletteCount; ++i) {
                        palette[i][0] = body[3 * i];
                        palette[i][1] = body[3 * i + 1];
                        palette[i][2] = body[3 * i + 2];
                        palette[i][3] = 255;
                    }
                }
            } else if (std::memcmp(type, "tRNS", 4) == 0) {
                if (seenData)
                    Damaged(L"tRNS after the image data");
                ReadTransparency(body, length);
            } else if (isData) {
                if (dataEnded)
                    Damaged(L"the IDAT chunks are not consecutive");
                seenData = true;
                compressed.insert(compressed.end(), body, body + length);
            } else if (std::memcmp(type, "IEND", 4) == 0) {
                haveEnd = true;
            } else if (type[0] >= 'A' && type[0] <= 'Z') {
                Damaged(L"unknown critical chunk " + ChunkName(type));
            }
            // Ancillary chunks are skipped.
        }
        if (!seenData)
            Damaged(L"no image data");
        if (info.colorType == 3 && !havePalette)
            Damaged(L"the palette is missing");

        const int channels = Channels(info.colorType);
        const size_t bitsPerPixel = static_cast<size_t>(channels) * info.bitDepth;
        const size_t filterBpp = std::max<size_t>(1, bitsPerPixel / 8);
        const Pass* passes = info.interlaced ? kAdam7 : &kWhole;
        const int passCount = info.interlaced ? 7 : 1;
        size_t expected = 0;
        for (int p = 0; p < passCount; ++p) {
            size_t w = PassSize(info.width, passes[p].x0, passes[p].dx);
            size_t h = PassSize(info.height, passes[p].y0, passes[p].dy);
            if (w && h)
                expected += h * (1 + (w * bitsPerPixel + 7) / 8);
        }
        // Deflate expands at most about 1032 times: less input than that cannot be whole,
        // and an absurd claim is refused before anything is allocated for it.
        if (expected / 1032 > compressed.size() + 64)
            Damaged(L"the image data is truncated");
        std::vector<uint8_t> raw;
        Inflate(compressed, raw, expected);

        bgra.assign(static_cast<size_t>(info.width) * info.height * 4, 0);
        size_t offset = 0;
        std::vector<uint8_t> zero;
        for (int p = 0; p < passCount; ++p) {
            const Pass& pass = passes[p];
            const int w = PassSize(info.width, pass.x0, pass.dx);
            const int h = PassSize(info.height, pass.y0, pass.dy);
            if (!w || !h)
                continue;
            const size_t rowBytes = (static_cast<size_t>(w) * bitsPerPixel + 7) / 8;
            zero.assign(rowBytes, 0);
            const uint8_t* prior = zero.data();
            for (int y = 0; y < h; ++y) {
                uint8_t filter = raw[offset];
                uint8_t* row = raw.data() + offset + 1;
                Unfilter(filter, row, prior, rowBytes, filterBpp);
                uint8_t* out = bgra.data() + static_cast<size_t>(pass.y0 + y * pass.dy) * info.width * 4;
                Convert(row, w, out, pass.x0, pass.dx);
                prior = row;
                offset += 1 + rowBytes;
            }
        }
    }

    void ReadHeader(const uint8_t* body)
    {
        const uint32_t width = BigU32(body), height = BigU32(body + 4);
        const int depth = body[8], colorType = body[9];
        if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
            Damaged(L"invalid image size");
        bool depthOk = false;
        switch (colorType) {
        case 0:
            depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
            break;
        case 3:
            depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
            break;
        case 2:
        case 4:
        case 6:
            depthOk = depth == 8 || depth == 16;
            break;
        default:
            Damaged(L"invalid colour type " + IntToStr(colorType));
        }
        if (!depthOk)
            Damaged(L"invalid bit depth " + IntToStr(depth) + L" for colour type " + IntToStr(colorType));
        if (body[10] != 0 || body[11] != 0 || body[12] > 1)
            Damaged(L"unknown compression, filter or interlace method");
        if (width > kMaxSide || height > kMaxSide || uint64_t(width) * height > kMaxPixels)
            throw EInvalidGraphic(L"PNG image is too large (" + IntToStr(static_cast<long long>(width)) +
                                  L" x " + IntToStr(static_cast<long long>(height)) + L")");
        info.width = static_cast<int>(width);
        info.height = static_cast<int>(height);
        info.bitDepth = depth;
        info.colorType = colorType;
        info.interlaced = body[12] == 1;
    }

    void ReadTransparency(const uint8_t* body, uint32_t length)
    {
        switch (info.colorType) {
        case 3:
            if (!havePalette)
                Damaged(L"tRNS before the palette");
            // Entries past the palette are ignored.
            for (uint32_t i = 0; i < length && static_cast<int>(i) < paletteCount; ++i)
                palette[i][3] = body[i];
            break;
        case 0:
            if (length != 2)
                Damaged(L"invalid tRNS chunk");
            trnsKey[0] = (unsigned(body[0]) << 8) | body[1];
            haveTrns = true;
            break;
        case 2:
            if (length != 6)
                Damaged(L"invalid tRNS chunk");
            for (int i = 0; i < 3; ++i)
                trnsKey[i] = (unsigned(body[2 * i]) << 8) | body[2 * i + 1];
            haveTrns = true;
            break;
        default:
            break; // images with an alpha channel carry no tRNS; ignore one
        }
    }
};

// Rounded like GDI+, so a picture decoded here and one loaded through GDI+ match.
uint8_t Premultiply(unsigned c, unsigned a) { return uint8_t((c * a + 127) / 255); }

void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t length)
{
    PutBigU32(out, static_cast<uint32_t>(length));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (length)
        out.insert(out.end(), data, data + length);
    uLong crc = crc32(0, out.data() + start, static_cast<uInt>(4 + length));
    PutBigU32(out, static_cast<uint32_t>(crc));
}

} // namespace

void DecodePng(const uint8_t* data, size_t size, PngInfo& info, std::vector<uint8_t>& bgra)
{
    Decoder decoder;
    std::vector<uint8_t> pixels;
    try {
        decoder.Run(data, size, pixels);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources(L"Not enough memory to decode the PNG image");
    }
    info = decoder.info;
    bgra.swap(pixels);
}

std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgra, size_t stride)
{
    if (width <= 0 || height <= 0 || !bgra)
        throw EInvalidGraphicOperation(L"Cannot save an empty PNG image");
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> filtered;
    filtered.reserve((rowBytes + 1) * height);
    std::vector<uint8_t> prior(rowBytes, 0), current(rowBytes), candidate(rowBytes), best(rowBytes);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bgra + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            current[4 * x] = src[4 * x + 2];
            current[4 * x + 1] = src[4 * x + 1];
            current[4 * x + 2] = src[4 * x];
            current[4 * x + 3] = src[4 * x + 3];
        }
        // The filter with the smallest sum of absolute differences, as usual.
        uint64_t bestScore = ~0ull;
        uint8_t bestType = 0;
        for (uint8_t type = 0; type <= 4; ++type) {
            uint64_t score = 0;
            for (size_t i = 0; i < rowBytes; ++i) {
                int left = i >= 4 ? current[i - 4] : 0;
                int up = prior[i];
                int upLeft = i >= 4 ? prior[i - 4] : 0;
                int predicted = 0;
                switch (type) {
                case 1:
                    predicted = left;
                    break;
                case 2:
                    predicted = up;
                    break;
                case 3:
                    predicted = (left + up) >> 1;
                    break;
                case 4:
                    predicted = Paeth(left, up, upLeft);
                    break;
                default:
                    break;
                }
                uint8_t v = uint8_t(current[i] - predicted);
                candidate[i] = v;
                score += static_cast<int8_t>(v) < 0 ? -static_cast<int8_t>(v) : v;
            }
            if (score < bestScore) {
                bestScore = score;
                bestType = type;
                best.swap(candidate);
            }
        }
        filtered.push_back(bestType);
        filtered.insert(filtered.end(), best.begin(), best.end());
        prior.swap(current);
    }
    uLongf compressedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  9) != Z_OK)
        throw EOutOfResources(L"Out of memory encoding a PNG image");
    compressed.resize(compressedSize);

    std::vector<uint8_t> out(kSignature, kSignature + 8);
    uint8_t header[13];
    header[0] = uint8_t(uint32_t(width) >> 24);
    header[1] = uint8_t(width >> 16);
    header[2] = uint8_t(width >> 8);
    header[3] = uint8_t(width);
    header[4] = uint8_t(uint32_t(height) >> 24);
    header[5] = uint8_t(height >> 16);
    header[6] = uint8_t(height >> 8);
    header[7] = uint8_t(height);
    header[8] = 8;
    header[9] = 6;
    header[10] = header[11] = header[12] = 0;
    PutChunk(out, "IHDR", header, 13);
    const size_t chunk = 1 << 20;
    for (size_t at = 0; at < compressed.size(); at += chunk)
        PutChunk(out, "IDAT", compressed.data() + at, std::min(chunk, compressed.size() - at));
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

// ---- TPngImage -------------------------------------------------------------------------

void TPngImage::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    if (static_cast<uint64_t>(width) * height > kMaxPixels)
        throw EInvalidGraphicOperation(L"PNG image is too large (" + IntToStr(width) + L" x " +
                                       IntToStr(height) + L")");
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0);
    const int cw = std::min(width, m_width), ch = std::min(height, m_height);
    for (int y = 0; y < ch; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * width * 4],
                    &m_pixels[static_cast<size_t>(y) * m_width * 4], static_cast<size_t>(cw) * 4);
    m_pixels.swap(pixels);
    m_width = width;
    m_height = height;
    Changed(this);
}

uint8_t* TPngImage::ScanLine(int row)
{
    if (row < 0 || row >= m_height || m_width <= 0)
        throw EInvalidGraphicOperation(L"Scan line index out of range");
    return &m_pixels[static_cast<size_t>(row) * m_width * 4];
}

const uint8_t* TPngImage::ScanLine(int row) const { return const_cast<TPngImage*>(this)->ScanLine(row); }

void TPngImage::LoadFromMemory(const void* data, size_t size)
{
    PngInfo info;
    std::vector<uint8_t> pixels;
    DecodePng(static_cast<const uint8_t*>(data), size, info, pixels);
    m_pixels.swap(pixels);
    m_width = info.width;
    m_height = info.height;
    m_bitDepth = info.bitDepth;
    m_colorType = info.colorType;
    m_interlaced = info.interlaced;
    Changed(this);
}

std::vector<uint8_t> TPngImage::SaveToMemory() const
{
    if (Empty())
        throw EInvalidGraphicOperation(L"Cannot save an empty PNG image");
    return EncodePng(m_width, m_height, m_pixels.data(), static_cast<size_t>(m_width) * 4);
}

void TPngImage::Draw(TCanvas* canvas, const TRect& rect)
{
    if (!canvas || Empty())
        return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = m_width;
    bi.bmiHeader.biHeight = -m_height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section)
            DeleteObject(section);
        throw EOutOfResources(L"Out of system resources");
    }
    auto* d = static_cast<uint8_t*>(bits);
    for (size_t i = 0; i < m_pixels.size(); i += 4) {
        const unsigned a = m_pixels[i + 3];
        d[i] = Premultiply(m_pixels[i], a);
        d[i + 1] = Premultiply(m_pixels[i + 1], a);
        d[i + 2] = Premultiply(m_pixels[i + 2], a);
        d[i + 3] = uint8_t(a);
    }
    HDC target = canvas->Handle();
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, section);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, rect.left, rect.top, rect.Width(), rect.Height(), source, 0, 0, m_width, m_height,
               blend);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(section);
}

void TPngImage::Assign(TPersistent* Source)
{
    if (!Source) {
        m_pixels.clear();
        m_width = m_height = 0;
        Changed(this);
        return;
    }
    if (auto* png = dynamic_cast<TPngImage*>(Source)) {
        if (png == this)
            return;
        m_pixels = png->m_pixels;
        m_width = png->m_width;
        m_height = png->m_height;
        m_bitDepth = png->m_bitDepth;
        m_colorType = png->m_colorType;
        m_interlaced = png->m_interlaced;
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        const int w = bitmap->Empty() ? 0 : bitmap->Width(), h = bitmap->Empty() ? 0 : bitmap->Height();
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
        std::unique_ptr<TBitmap> copy;
        TBitmap* source = bitmap;
        if (w && h && source->PixelFormat() != pf32bit && source->PixelFormat() != pf24bit) {
            copy.reset(new TBitmap());
            copy->Assign(bitmap);
            copy->SetPixelFormat(pf24bit);
            source = copy.get();
        }
        const bool withAlpha = source->PixelFormat() == pf32bit;
        const bool premultiplied = withAlpha && source->AlphaFormat() == afPremultiplied;
        for (int y = 0; y < h; ++y) {
            const auto* s = static_cast<const uint8_t*>(source->ScanLine(y));
            uint8_t* d = &pixels[static_cast<size_t>(y) * w * 4];
            for (int x = 0; x < w; ++x, d += 4) {
                if (withAlpha) {
                    const uint8_t* p = s + 4 * x;
                    const unsigned a = p[3];
                    for (int c = 0; c < 3; ++c)
                        d[c] = !premultiplied ? p[c]
                               : a            ? uint8_t(std::min(255u, (p[c] * 255u + a / 2) / a))
                                              : 0;
                    d[3] = uint8_t(a);
                } else {
                    const uint8_t* p = s + 3 * x;
                    d[0] = p[0];
                    d[1] = p[1];
                    d[2] = p[2];
                    d[3] = 255;
                }
            }
        }
        m_pixels.swap(pixels);
        m_width = w;
        m_height = h;
        m_bitDepth = 8;
        m_colorType = 6;
        m_interlaced = false;
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TPngImage::AssignTo(TPersistent* Dest)
{
    auto* bitmap = dynamic_cast<TBitmap*>(Dest);
    if (!bitmap) {
        TGraphic::AssignTo(Dest);
        return;
    }
    // Build the whole image in a scratch bitmap so the target changes once.
    TBitmap scratch;
    scratch.SetPixelFormat(pf32bit);
    scratch.SetSize(m_width, m_height);
    for (int y = 0; y < m_height; ++y) {
        const uint8_t* s = &m_pixels[static_cast<size_t>(y) * m_width * 4];
        auto* d = static_cast<uint8_t*>(scratch.ScanLine(y));
        for (int x = 0; x < m_width; ++x, s += 4, d += 4) {
            const unsigned a = s[3];
            d[0] = Premultiply(s[0], a);
            d[1] = Premultiply(s[1], a);
            d[2] = Premultiply(s[2], a);
            d[3] = uint8_t(a);
        }
    }
    scratch.SetAlphaFormat(afPremultiplied);
    bitmap->Assign(&scratch);
}
