// TBitmap: DIB sections with one memory device context for their whole life.
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "forms/Graphics.h"
#include "forms/PngImage.h"

namespace {

[[noreturn]] void OutOfResources() { throw EOutOfResources(L"Out of system resources"); }
[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(L"Bitmap image is not valid"); }

// Room for a BITMAPINFOHEADER with a full colour table or three masks.
struct DibHeader {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

int BitsFor(TPixelFormat format)
{
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

int StrideFor(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

void StandardPalette(int bpp, RGBQUAD* colors, int& count)
{
    count = 0;
    auto add = [&](int r, int g, int b) { colors[count++] = RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; };
    if (bpp == 1) {
        add(0, 0, 0);
        add(255, 255, 255);
    } else if (bpp == 4) {
        static const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (auto& c : vga)
            add(c[0], c[1], c[2]);
    } else if (bpp == 8) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    add(r * 51, g * 51, b * 51);
        for (int i = 0; i < 40; ++i) {
            int v = (i + 1) * 255 / 41;
            add(v, v, v);
        }
    }
}

// A header for a bottom-up section of the given format; palette formats take the given
// colour table, or the standard one.
void MakeHeader(DibHeader& d, int width, int height, TPixelFormat format, const RGBQUAD* palette,
                int paletteCount)
{
    std::memset(&d, 0, sizeof(d));
    int bpp = BitsFor(format);
    d.h.biSize = sizeof(BITMAPINFOHEADER);
    d.h.biWidth = width;
    d.h.biHeight = height;
    d.h.biPlanes = 1;
    d.h.biBitCount = static_cast<WORD>(bpp);
    d.h.biCompression = BI_RGB;
    if (format == pf16bit) {
        d.h.biCompression = BI_BITFIELDS;
        DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(d.colors, masks, sizeof(masks));
    } else if (bpp <= 8) {
        int count = 0;
        if (palette && paletteCount > 0) {
            count = std::min(paletteCount, 1 << bpp);
            std::memcpy(d.colors, palette, count * sizeof(RGBQUAD));
        } else {
            StandardPalette(bpp, d.colors, count);
        }
        d.h.biClrUsed = count;
    }
}

HBITMAP CreateSection(DibHeader& d, void** bits)
{
    *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, d.Info(), DIB_RGB_COLORS, bits, nullptr, 0);
    if (!bitmap || !*bits) {
        if (bitmap)
            DeleteObject(bitmap);
        OutOfResources();
    }
    return bitmap;
}

TPixelFormat FormatOfSection(const DIBSECTION& ds)
{
    switch (ds.dsBmih.biBitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return (ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[0] == 0xF800) ? pf16bit : pf15bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

// Whether a section keeps its top row last in memory. The header's sign says so on
// Windows; some systems report it positive either way, so ask GDI where row 0 lives.
bool SectionIsBottomUp(HBITMAP bitmap, const DIBSECTION& ds)
{
    if (ds.dsBmih.biHeight < 0)
        return false;
    const int height = ds.dsBm.bmHeight;
    if (height <= 1)
        return true;
    const size_t stride = static_cast<size_t>(ds.dsBm.bmWidthBytes);
    auto* bits = static_cast<unsigned char*>(ds.dsBm.bmBits);
    unsigned char* first = bits;
    unsigned char* last = bits + stride * (height - 1);
    std::vector<unsigned char> savedFirst(first, first + stride), savedLast(last, last + stride);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return true;
    HGDIOBJ old = SelectObject(dc, bitmap);
    bool bottomUp = true;
    if (old) {
        COLORREF now = GetPixel(dc, 0, 0);
        SetPixelV(dc, 0, 0, now == RGB(0, 0, 0) ? RGB(255, 255, 255) : RGB(0, 0, 0));
        GdiFlush();
        const bool firstChanged = std::memcmp(first, savedFirst.data(), stride) != 0;
        const bool lastChanged = std::memcmp(last, savedLast.data(), stride) != 0;
        bottomUp = lastChanged || !firstChanged;
        std::memcpy(first, savedFirst.data(), stride);
        std::memcpy(last, savedLast.data(), stride);
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    return bottomUp;
}

unsigned char* RowOf(unsigned char* bits, int height, int stride, bool bottomUp, int row)
{
    return bits + static_cast<size_t>(bottomUp ? height - 1 - row : row) * stride;
}

// Blits one bitmap into another through two scratch contexts (neither may be selected
// elsewhere).
void BltBitmap(HBITMAP source, HBITMAP dest, int width, int height)
{
    HDC s = CreateCompatibleDC(nullptr);
    HDC d = CreateCompatibleDC(nullptr);
    if (!s || !d) {
        if (s)
            DeleteDC(s);
        if (d)
            DeleteDC(d);
        OutOfResources();
    }
    HGDIOBJ os = SelectObject(s, source);
    HGDIOBJ od = SelectObject(d, dest);
    BitBlt(d, 0, 0, width, height, s, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(s, os);
    SelectObject(d, od);
    DeleteDC(s);
    DeleteDC(d);
}

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// Value of a masked field scaled to 0..255.
uint8_t MaskedValue(uint32_t pixel, uint32_t mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask & (1u << shift)))
        ++shift;
    uint32_t max = mask >> shift;
    uint32_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

} // namespace

// The canvas of a TBitmap: one memory context from first use until the bitmap dies.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : m_bitmap(bitmap) {}
    ~TBitmapCanvas() override
    {
        if (m_dc) {
            SetHandle(nullptr);
            SelectObject(m_dc, m_stock);
            DeleteDC(m_dc);
        }
    }

    HDC DC() const { return m_dc; }
    // Puts an image (or none) into the context.
    void Select(HBITMAP bitmap)
    {
        if (m_dc)
            SelectObject(m_dc, bitmap ? static_cast<HGDIOBJ>(bitmap) : static_cast<HGDIOBJ>(m_stock));
    }

protected:
    void CreateHandle() override
    {
        if (m_dc)
            return;
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc)
            OutOfResources();
        m_stock = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
        m_dc = dc;
        Select(m_bitmap->m_handle);
        SetHandle(dc);
    }

private:
    TBitmap* m_bitmap;
    HDC m_dc = nullptr;
    HBITMAP m_stock = nullptr;
};

TBitmap::TBitmap()
{
    m_canvas = new TBitmapCanvas(this);
    m_canvas->OnChange = MakeEvent(this, &TBitmap::CanvasChanged);
}

TBitmap::~TBitmap()
{
    FreeImage();
    delete m_canvas;
}

TCanvas* TBitmap::Canvas() { return m_canvas; }

void TBitmap::CanvasChanged(TObject*) { Changed(this); }

HDC TBitmap::CanvasDC() { return m_canvas->Handle(); }

void TBitmap::FreeImage()
{
    if (m_handle) {
        m_canvas->Select(nullptr);
        DeleteObject(m_handle);
    }
    m_handle = nullptr;
    m_bits = nullptr;
}

void TBitmap::Install(HBITMAP bitmap, void* bits, int width, int height, int bpp, bool bottomUp,
                      TPixelFormat format)
{
    m_handle = bitmap;
    m_bits = static_cast<unsigned char*>(bits);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bpp;
    m_stride = StrideFor(width, bpp);
    m_bottomUp = bottomUp;
    m_pixelFormat = format;
    m_canvas->Select(bitmap);
}

// Makes a new image of the given size and format, filled with the brush colour (alpha 0),
// with the old pixels copied into its top-left corner.
void TBitmap::ReplaceImage(int width, int height, TPixelFormat format)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int bpp = BitsFor(format);
    if (width == 0 || height == 0) {
        FreeImage();
        m_width = width;
        m_height = height;
        m_pixelFormat = format;
        m_bitsPerPixel = bpp;
        m_stride = StrideFor(width, bpp);
        return;
    }
    // Palette formats keep their colour table while the depth stays.
    RGBQUAD palette[256];
    int paletteCount = 0;
    if (m_handle && bpp <= 8 && bpp == m_bitsPerPixel)
        paletteCount = GetDIBColorTable(CanvasDC(), 0, 256, palette);
    DibHeader header;
    MakeHeader(header, width, height, format, paletteCount ? palette : nullptr, paletteCount);
    void* bits = nullptr;
    HBITMAP fresh = CreateSection(header, &bits);
    const int stride = StrideFor(width, bpp);
    auto* dst = static_cast<unsigned char*>(bits);

    const COLORREF fill = static_cast<COLORREF>(ColorToRGB(m_canvas->Brush()->Color()));
    if (bpp >= 24) {
        const int bytes = bpp / 8;
        for (int y = 0; y < height; ++y) {
            unsigned char* p = dst + static_cast<size_t>(y) * stride;
            for (int x = 0; x < width; ++x, p += bytes) {
                p[0] = GetBValue(fill);
                p[1] = GetGValue(fill);
                p[2] = GetRValue(fill);
                if (bytes == 4)
                    p[3] = 0;
            }
        }
    } else {
        HDC dc = CreateCompatibleDC(nullptr);
        HBRUSH brush = CreateSolidBrush(fill);
        HGDIOBJ old = SelectObject(dc, fresh);
        RECT r{0, 0, width, height};
        ::FillRect(dc, &r, brush);
        GdiFlush();
        SelectObject(dc, old);
        DeleteObject(brush);
        DeleteDC(dc);
    }

    if (m_handle) {
        const int cw = std::min(width, m_width);
        const int ch = std::min(height, m_height);
        GdiFlush();
        const bool sameLayout = bpp == m_bitsPerPixel && bpp >= 8 &&
                                !(bpp == 16 && (format == pf16bit) != (m_pixelFormat == pf16bit));
        if (sameLayout) {
            for (int y = 0; y < ch; ++y)
                std::memcpy(RowOf(dst, height, stride, true, y),
                            RowOf(m_bits, m_height, m_stride, m_bottomUp, y),
                            static_cast<size_t>(cw) * bpp / 8);
        } else if (bpp >= 24 && m_bitsPerPixel >= 24) {
            const int sb = m_bitsPerPixel / 8, db = bpp / 8;
            for (int y = 0; y < ch; ++y) {
                const unsigned char* s = RowOf(m_bits, m_height, m_stride, m_bottomUp, y);
                unsigned char* d = RowOf(dst, height, stride, true, y);
                for (int x = 0; x < cw; ++x, s += sb, d += db) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                    if (db == 4)
                        d[3] = 0;
                }
            }
        } else {
            m_canvas->Select(nullptr);
            BltBitmap(m_handle, fresh, cw, ch);
        }
    }
    FreeImage();
    Install(fresh, bits, width, height, bpp, true, format);
}

void TBitmap::SetWidth(int width) { SetSize(width, m_height); }

void TBitmap::SetHeight(int height) { SetSize(m_width, height); }

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    ReplaceImage(width, height, m_pixelFormat);
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == m_pixelFormat)
        return;
    if (format == pfCustom)
        throw EInvalidGraphic(L"Invalid pixel format");
    if (!m_handle || (BitsFor(format) == 32 && m_bitsPerPixel == 32)) {
        // Same layout (device and 32-bit are both 32 bits here), or nothing to convert.
        m_pixelFormat = format;
        m_bitsPerPixel = BitsFor(format);
        m_stride = StrideFor(m_width, m_bitsPerPixel);
    } else {
        ReplaceImage(m_width, m_height, format);
    }
    Changed(this);
}

void TBitmap::SetAlphaFormat(TAlphaFormat format)
{
    if (format == m_alphaFormat)
        return;
    m_alphaFormat = format;
    Changed(this);
}

void TBitmap::SelectIntoCanvas() { m_canvas->Select(m_handle); }

void TBitmap::SetHandle(HBITMAP bitmap)
{
    if (bitmap == m_handle)
        return;
    if (!bitmap) {
        FreeImage();
        m_width = m_height = 0;
        Changed(this);
        return;
    }
    DIBSECTION ds{};
    if (GetObjectW(bitmap, sizeof(ds), &ds) == sizeof(ds) && ds.dsBm.bmBits) {
        ds.dsBm.bmHeight = ds.dsBmih.biHeight < 0 ? -ds.dsBmih.biHeight : ds.dsBmih.biHeight;
        FreeImage();
        const int height = ds.dsBmih.biHeight < 0 ? -ds.dsBmih.biHeight : ds.dsBmih.biHeight;
        const bool bottomUp = SectionIsBottomUp(bitmap, ds);
        Install(bitmap, ds.dsBm.bmBits, ds.dsBm.bmWidth, height, ds.dsBmih.biBitCount, bottomUp,
                FormatOfSection(ds));
    } else {
        BITMAP bm{};
        if (!GetObjectW(bitmap, sizeof(bm), &bm))
            throw EInvalidGraphic(L"Invalid bitmap handle");
        // A device bitmap becomes a section of the nearest depth.
        TPixelFormat format = bm.bmBitsPixel == 32 ? pf32bit : pf24bit;
        DibHeader header;
        MakeHeader(header, bm.bmWidth, bm.bmHeight, format, nullptr, 0);
        void* bits = nullptr;
        HBITMAP fresh = CreateSection(header, &bits);
        BltBitmap(bitmap, fresh, bm.bmWidth, bm.bmHeight);
        DeleteObject(bitmap);
        FreeImage();
        Install(fresh, bits, bm.bmWidth, bm.bmHeight, BitsFor(format), true, format);
    }
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
    HBITMAP bitmap = m_handle;
    if (bitmap)
        m_canvas->Select(nullptr);
    m_handle = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
    if (bitmap)
        Changed(this);
    return bitmap;
}

void* TBitmap::ScanLine(int row)
{
    if (!m_bits || row < 0 || row >= m_height)
        throw EInvalidGraphicOperation(L"Scan line index out of range");
    GdiFlush();
    return RowOf(m_bits, m_height, m_stride, m_bottomUp, row);
}

const void* TBitmap::ScanLine(int row) const { return const_cast<TBitmap*>(this)->ScanLine(row); }

void TBitmap::Assign(TPersistent* Source)
{
    if (!Source) {
        FreeImage();
        m_width = m_height = 0;
        Changed(this);
        return;
    }
    auto* source = dynamic_cast<TBitmap*>(Source);
    if (!source) {
        TGraphic::Assign(Source);
        return;
    }
    if (source == this)
        return;
    if (!source->m_handle) {
        FreeImage();
        m_width = source->m_width;
        m_height = source->m_height;
        m_pixelFormat = source->m_pixelFormat;
        m_bitsPerPixel = source->m_bitsPerPixel;
        m_stride = source->m_stride;
        m_alphaFormat = source->m_alphaFormat;
        Changed(this);
        return;
    }
    RGBQUAD palette[256];
    int paletteCount = 0;
    if (source->m_bitsPerPixel <= 8)
        paletteCount = GetDIBColorTable(source->CanvasDC(), 0, 256, palette);
    DibHeader header;
    MakeHeader(header, source->m_width, source->m_height, source->m_pixelFormat,
               paletteCount ? palette : nullptr, paletteCount);
    void* bits = nullptr;
    HBITMAP fresh = CreateSection(header, &bits);
    GdiFlush();
    const int stride = StrideFor(source->m_width, source->m_bitsPerPixel);
    for (int y = 0; y < source->m_height; ++y)
        std::memcpy(RowOf(static_cast<unsigned char*>(bits), source->m_height, stride, true, y),
                    RowOf(source->m_bits, source->m_height, source->m_stride, source->m_bottomUp, y), stride);
    FreeImage();
    Install(fresh, bits, source->m_width, source->m_height, source->m_bitsPerPixel, true,
            source->m_pixelFormat);
    m_alphaFormat = source->m_alphaFormat;
    Changed(this);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect)
{
    if (!canvas || Empty())
        return;
    HDC target = canvas->Handle();
    if (m_pixelFormat == pf32bit && m_alphaFormat != afIgnored) {
        TBitmap* source = this;
        std::unique_ptr<TBitmap> premultiplied;
        if (m_alphaFormat == afDefined) {
            premultiplied.reset(new TBitmap());
            premultiplied->Assign(this);
            for (int y = 0; y < m_height; ++y) {
                auto* p = static_cast<unsigned char*>(premultiplied->ScanLine(y));
                for (int x = 0; x < m_width; ++x, p += 4)
                    for (int c = 0; c < 3; ++c)
                        p[c] = static_cast<unsigned char>(p[c] * p[3] / 255);
            }
            source = premultiplied.get();
        }
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(target, rect.left, rect.top, rect.Width(), rect.Height(), source->CanvasDC(), 0, 0,
                   m_width, m_height, blend);
        return;
    }
    int oldMode = SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, rect.left, rect.top, rect.Width(), rect.Height(), CanvasDC(), 0, 0, m_width, m_height,
               canvas->CopyMode());
    SetStretchBltMode(target, oldMode);
}

void TBitmap::LoadFromMemory(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || size < 14 + 12 || p[0] != 'B' || p[1] != 'M')
        InvalidBitmap();
    const uint32_t offBits = ReadU32(p + 10);
    const uint32_t headerSize = ReadU32(p + 14);
    if (headerSize < 12 || 14 + static_cast<size_t>(headerSize) > size)
        InvalidBitmap();
    const uint8_t* h = p + 14;
    int width, height, bpp;
    uint32_t compression = BI_RGB, colorsUsed = 0;
    bool core = headerSize < 40;
    if (core) {
        width = ReadU16(h + 4);
        height = static_cast<int16_t>(ReadU16(h + 6));
        bpp = ReadU16(h + 10);
    } else {
        width = static_cast<int32_t>(ReadU32(h + 4));
        height = static_cast<int32_t>(ReadU32(h + 8));
        bpp = ReadU16(h + 14);
        compression = ReadU32(h + 16);
        colorsUsed = ReadU32(h + 32);
    }
    const bool bottomUp = height > 0;
    const int rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || width > 0x8000 * 4 || rows > 0x8000 * 4 ||
        static_cast<long long>(width) * rows > (1LL << 28))
        InvalidBitmap();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        InvalidBitmap();

    // Colour table (palette formats) or masks.
    RGBQUAD palette[256] = {};
    int paletteCount = 0;
    const size_t tableAt =
        14 + headerSize + ((!core && headerSize == 40 && compression == BI_BITFIELDS) ? 12 : 0);
    if (bpp <= 8) {
        paletteCount = colorsUsed ? static_cast<int>(std::min<uint32_t>(colorsUsed, 1u << bpp)) : (1 << bpp);
        const int entry = core ? 3 : 4;
        if (tableAt + static_cast<size_t>(paletteCount) * entry > size)
            InvalidBitmap();
        for (int i = 0; i < paletteCount; ++i) {
            const uint8_t* e = p + tableAt + i * entry;
            palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
        }
    }
    uint32_t masks[4] = {0, 0, 0, 0};
    if (compression == BI_BITFIELDS) {
        if (bpp != 16 && bpp != 32)
            InvalidBitmap();
        const uint8_t* m = headerSize == 40 ? p + 14 + 40 : h + 40;
        if (static_cast<size_t>(m - p) + 12 > size)
            InvalidBitmap();
        masks[0] = ReadU32(m);
        masks[1] = ReadU32(m + 4);
        masks[2] = ReadU32(m + 8);
        if (headerSize >= 56)
            masks[3] = ReadU32(h + 52);
    } else if (compression != BI_RGB && compression != BI_RLE8 && compression != BI_RLE4) {
        InvalidBitmap();
    }
    if (offBits >= size)
        InvalidBitmap();

    TPixelFormat format;
    switch (bpp) {
    case 1:
        format = pf1bit;
        break;
    case 4:
        format = pf4bit;
        break;
    case 8:
        format = pf8bit;
        break;
    case 16:
        format = (compression == BI_BITFIELDS && masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F)
                     ? pf16bit
                     : pf15bit;
        break;
    case 24:
        format = pf24bit;
        break;
    default:
        format = pf32bit;
        break;
    }
    const bool plain16 = bpp == 16 && (compression == BI_RGB || format == pf16bit ||
                                       (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F));
    const bool plain32 = bpp == 32 && (compression == BI_RGB ||
                                       (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF));
    // Other masks are decoded into a 32-bit image.
    const bool decodeMasks = compression == BI_BITFIELDS && !plain16 && !plain32;
    if (decodeMasks)
        format = pf32bit;

    DibHeader header;
    MakeHeader(header, width, rows, format, paletteCount ? palette : nullptr, paletteCount);
    void* bits = nullptr;
    HBITMAP fresh = CreateSection(header, &bits);
    const int dstStride = StrideFor(width, BitsFor(format));
    auto* dst = static_cast<unsigned char*>(bits);
    try {
        if (compression == BI_RLE8 || compression == BI_RLE4) {
            if ((compression == BI_RLE8) != (bpp == 8) || !bottomUp)
                InvalidBitmap();
            DibHeader rle = header;
            rle.h.biCompression = compression;
            rle.h.biSizeImage = static_cast<DWORD>(size - offBits);
            HDC dc = CreateCompatibleDC(nullptr);
            int done = SetDIBits(dc, fresh, 0, rows, p + offBits, rle.Info(), DIB_RGB_COLORS);
            DeleteDC(dc);
            if (done <= 0)
                InvalidBitmap();
        } else {
            const int srcStride = StrideFor(width, bpp);
            if (offBits + static_cast<size_t>(srcStride) * rows > size)
                InvalidBitmap();
            for (int y = 0; y < rows; ++y) {
                const uint8_t* s = RowOf(const_cast<uint8_t*>(p + offBits), rows, srcStride, bottomUp, y);
                unsigned char* d = RowOf(dst, rows, dstStride, true, y);
                if (!decodeMasks) {
                    std::memcpy(d, s, srcStride);
                    continue;
                }
                for (int x = 0; x < width; ++x) {
                    uint32_t px = bpp == 16 ? ReadU16(s + 2 * x) : ReadU32(s + 4 * x);
                    d[4 * x] = MaskedValue(px, masks[2]);
                    d[4 * x + 1] = MaskedValue(px, masks[1]);
                    d[4 * x + 2] = MaskedValue(px, masks[0]);
                    d[4 * x + 3] = MaskedValue(px, masks[3]);
                }
            }
        }
    } catch (...) {
        DeleteObject(fresh);
        throw;
    }
    FreeImage();
    Install(fresh, bits, width, rows, BitsFor(format), true, format);
    Changed(this);
}

std::vector<uint8_t> TBitmap::SaveToMemory() const
{
    if (!m_handle)
        throw EInvalidGraphicOperation(L"Cannot save an empty bitmap");
    TBitmap* self = const_cast<TBitmap*>(this);
    RGBQUAD palette[256];
    int paletteCount = 0;
    if (m_bitsPerPixel <= 8)
        paletteCount = GetDIBColorTable(self->CanvasDC(), 0, 256, palette);
    const bool masks = m_pixelFormat == pf16bit;
    const uint32_t stride = StrideFor(m_width, m_bitsPerPixel);
    const uint32_t headerBytes = 14 + 40 + (masks ? 12 : 0) + paletteCount * 4;
    const uint32_t imageBytes = stride * m_height;
    std::vector<uint8_t> out;
    out.reserve(headerBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, headerBytes + imageBytes);
    PutU32(out, 0);
    PutU32(out, headerBytes);
    PutU32(out, 40);
    PutU32(out, m_width);
    PutU32(out, m_height);
    PutU16(out, 1);
    PutU16(out, static_cast<uint16_t>(m_bitsPerPixel));
    PutU32(out, masks ? BI_BITFIELDS : BI_RGB);
    PutU32(out, imageBytes);
    PutU32(out, 3780);
    PutU32(out, 3780);
    PutU32(out, paletteCount);
    PutU32(out, 0);
    if (masks) {
        PutU32(out, 0xF800);
        PutU32(out, 0x07E0);
        PutU32(out, 0x001F);
    }
    for (int i = 0; i < paletteCount; ++i) {
        out.push_back(palette[i].rgbBlue);
        out.push_back(palette[i].rgbGreen);
        out.push_back(palette[i].rgbRed);
        out.push_back(0);
    }
    GdiFlush();
    for (int y = m_height - 1; y >= 0; --y) {
        const unsigned char* row = RowOf(m_bits, m_height, m_stride, m_bottomUp, y);
        out.insert(out.end(), row, row + stride);
    }
    return out;
}

// ---- TPicture ----------------------------------------------------------------------------

TPicture::TPicture() = default;

TPicture::~TPicture() { delete m_graphic; }

void TPicture::Changed(TObject*)
{
    if (OnChange)
        OnChange(this);
}

void TPicture::Install(TGraphic* graphic)
{
    TGraphic* old = m_graphic;
    m_graphic = graphic;
    if (graphic)
        graphic->OnChange = MakeEvent(this, &TPicture::Changed);
    delete old;
}

void TPicture::SetGraphic(TGraphic* graphic)
{
    if (graphic == m_graphic)
        return;
    if (!graphic) {
        Install(nullptr);
        Changed(this);
        return;
    }
    std::unique_ptr<TGraphic> copy(graphic->CreateEmpty());
    copy->Assign(graphic);
    Install(copy.release());
    Changed(this);
}

TBitmap* TPicture::Bitmap()
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(m_graphic))
        return bitmap;
    std::unique_ptr<TBitmap> bitmap(new TBitmap());
    if (m_graphic) {
        try {
            bitmap->Assign(m_graphic);
        } catch (const EConvertError&) {
            // A graphic that cannot become a bitmap leaves an empty one.
        }
    }
    TBitmap* result = bitmap.get();
    Install(bitmap.release());
    Changed(this);
    return result;
}

namespace {

// Reads the formats GDI+ decodes (JPEG, GIF, TIFF, icons) into a bitmap: 32-bit
// premultiplied when the image has alpha, 24-bit otherwise. The first frame or page.
class TGdiplusDecoder : public TBitmap {
public:
    void LoadFromMemory(const void* data, size_t size) override
    {
        using namespace Gdiplus;
        // Its own GDI+ session: pictures may be read before Application->Initialize.
        ULONG_PTR token = 0;
        GdiplusStartupInput input;
        if (GdiplusStartup(&token, &input, nullptr) != Ok)
            throw EInvalidGraphic(L"GDI+ is not available");
        int width = 0, height = 0;
        bool alpha = false;
        std::vector<uint8_t> pixels;
        bool ok = Decode(data, size, width, height, alpha, pixels);
        GdiplusShutdown(token);
        if (!ok)
            throw EInvalidGraphic(L"The picture is damaged or of a kind that cannot be read");
        const size_t row = static_cast<size_t>(width) * (alpha ? 4 : 3);
        SetPixelFormat(alpha ? pf32bit : pf24bit);
        SetSize(width, height);
        for (int y = 0; y < height; ++y)
            std::memcpy(ScanLine(y), &pixels[row * static_cast<size_t>(y)], row);
        SetAlphaFormat(alpha ? afPremultiplied : afIgnored);
    }

private:
    // A GIF's transparent colour shows as a palette entry with alpha.
    static bool PaletteHasAlpha(Gdiplus::GpBitmap* image)
    {
        using namespace Gdiplus;
        INT size = 0;
        if (DllExports::GdipGetImagePaletteSize(image, &size) != Ok ||
            size < static_cast<INT>(sizeof(ColorPalette)))
            return false;
        std::vector<uint8_t> buffer(static_cast<size_t>(size));
        auto* palette = reinterpret_cast<ColorPalette*>(buffer.data());
        if (DllExports::GdipGetImagePalette(image, palette, size) != Ok)
            return false;
        if (palette->Flags & PaletteFlagsHasAlpha)
            return true;
        for (UINT i = 0; i < palette->Count; ++i)
            if ((palette->Entries[i] >> 24) != 0xFF)
                return true;
        return false;
    }

    static bool Decode(const void* data, size_t size, int& width, int& height, bool& alpha,
                       std::vector<uint8_t>& pixels)
    {
        using namespace Gdiplus;
        if (size == 0 || size > 0x40000000)
            return false;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!memory)
            return false;
        std::memcpy(GlobalLock(memory), data, size);
        GlobalUnlock(memory);
        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
            GlobalFree(memory);
            return false;
        }
        GpBitmap* image = nullptr;
        bool ok = DllExports::GdipCreateBitmapFromStream(stream, &image) == Ok && image;
        UINT w = 0, h = 0;
        Gdiplus::PixelFormat format = 0;
        ok = ok && DllExports::GdipGetImageWidth(image, &w) == Ok &&
             DllExports::GdipGetImageHeight(image, &h) == Ok &&
             DllExports::GdipGetImagePixelFormat(image, &format) == Ok && w > 0 && h > 0 && w <= 0x8000 &&
             h <= 0x8000;
        if (ok) {
            alpha =
                (format & PixelFormatAlpha) != 0 || (IsIndexedPixelFormat(format) && PaletteHasAlpha(image));
            const UINT row = w * (alpha ? 4 : 3);
            BitmapData locked{};
            GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
            ok = DllExports::GdipBitmapLockBits(image, &rect, ImageLockModeRead,
                                                alpha ? PixelFormat32bppPARGB : PixelFormat24bppRGB,
                                                &locked) == Ok;
            if (ok) {
                pixels.resize(static_cast<size_t>(row) * h);
                for (UINT y = 0; y < h; ++y)
                    std::memcpy(&pixels[static_cast<size_t>(row) * y],
                                static_cast<const uint8_t*>(locked.Scan0) +
                                    static_cast<ptrdiff_t>(locked.Stride) * y,
                                row);
                DllExports::GdipBitmapUnlockBits(image, &locked);
                width = static_cast<int>(w);
                height = static_cast<int>(h);
            }
        }
        if (image)
            DllExports::GdipDisposeImage(image);
        stream->Release();
        return ok;
    }
};

} // namespace

void TPicture::LoadFromFile(const String& fileName)
{
    String ext = LowerCase(ExtractFileExt(fileName));
    std::unique_ptr<TGraphic> graphic;
    if (ext == L".bmp" || ext == L".dib") {
        graphic.reset(new TBitmap());
        graphic->LoadFromFile(fileName);
    } else if (ext == L".png") {
        graphic.reset(new TPngImage());
        graphic->LoadFromFile(fileName);
    } else if (ext == L".jpg" || ext == L".jpeg" || ext == L".jpe" || ext == L".gif" || ext == L".tif" ||
               ext == L".tiff" || ext == L".ico") {
        TGdiplusDecoder decoded;
        decoded.LoadFromFile(fileName);
        graphic.reset(new TBitmap());
        graphic->Assign(&decoded);
    } else {
        throw EInvalidGraphic(L"Unknown picture file extension (" + ext + L")");
    }
    Install(graphic.release());
    Changed(this);
}

void TPicture::SaveToFile(const String& fileName) const
{
    if (m_graphic)
        m_graphic->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
        if (picture != this)
            SetGraphic(picture->Graphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest)
{
    if (m_graphic && Dest && typeid(*Dest) == typeid(*m_graphic)) {
        Dest->Assign(m_graphic);
        return;
    }
    TPersistent::AssignTo(Dest);
}
