#pragma once
// PNG images over zlib.
//
// TPngImage holds its pixels as straight (not premultiplied) 32-bit blue, green, red,
// alpha, row 0 at the top. LoadFromMemory / LoadFromFile decode every colour type and
// bit depth (16-bit samples keep their high byte) and Adam7 interlacing; a damaged file
// (bad signature, CRC, chunk order, zlib stream, filter, truncation, absurd size) raises
// EInvalidGraphic naming the fault and leaves the image as it was. Saving writes 8-bit
// RGBA (colour type 6), not interlaced.
//
// Conversions: assigned into a TBitmap the image becomes a pf32bit bitmap with
// premultiplied pixels and AlphaFormat afPremultiplied (the form the system alpha blend
// and the widgets expect). Assigned from a TBitmap: pf32bit pixels are taken with their
// alpha (un-premultiplied when the bitmap says afPremultiplied), other formats as opaque.
#include <cstdint>
#include <vector>

#include "forms/Graphics.h"

struct PngInfo {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colorType = 0;
    bool interlaced = false;
};

// Decodes a PNG file into straight BGRA rows (width * 4 bytes each, top row first).
void DecodePng(const uint8_t* data, size_t size, PngInfo& info, std::vector<uint8_t>& bgra);
// Encodes straight BGRA rows (stride bytes apart, top row first) as 8-bit RGBA.
std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgra, size_t stride);

class TPngImage : public TGraphic {
public:
    TPngImage() = default;

    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    void SetWidth(int width) override { SetSize(width, m_height); }
    void SetHeight(int height) override { SetSize(m_width, height); }
    // New pixels are transparent black; kept pixels stay.
    void SetSize(int width, int height) override;
    bool Empty() const override { return m_width <= 0 || m_height <= 0; }
    // Blends the image (its alpha) over the canvas, stretched into rect.
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void LoadFromMemory(const void* data, size_t size) override;
    std::vector<uint8_t> SaveToMemory() const override;
    TGraphic* CreateEmpty() const override { return new TPngImage(); }

    // Row y as straight BGRA, row 0 at the top. EInvalidGraphicOperation out of range.
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;

    // What the last loaded file was (8-bit RGBA, not interlaced, for a made image).
    int BitDepth() const { return m_bitDepth; }
    int ColorType() const { return m_colorType; }
    bool Interlaced() const { return m_interlaced; }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_pixels;
    int m_bitDepth = 8;
    int m_colorType = 6;
    bool m_interlaced = false;
};
