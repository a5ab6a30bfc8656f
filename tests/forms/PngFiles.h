#pragma once
// Builds PNG files of any colour type, depth and interlacing for the decoder tests, and
// reads files back through GDI+ for comparison.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PngLayout {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = 6;
    bool interlaced = false;
    std::vector<uint8_t> palette;      // RGB triples (colour type 3)
    std::vector<uint8_t> paletteAlpha; // tRNS for colour type 3
    bool hasKey = false;               // tRNS for colour types 0 and 2
    unsigned key[3] = {0, 0, 0};
    // Sample value (full depth) of channel c of pixel (x, y).
    std::function<unsigned(int x, int y, int c)> sample;
};

// A complete file; rows use filter types 0 to 4 in turn.
std::string BuildPng(const PngLayout& layout);
// One chunk with its length and CRC.
std::string PngChunk(const char* type, const std::string& data);
// The straight BGRA the layout describes (16-bit samples keep their high byte).
std::vector<uint8_t> ExpectedPixels(const PngLayout& layout);

// GDI+ for the life of the object.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();

private:
    ULONG_PTR m_token = 0;
};

// The file decoded by GDI+ as straight BGRA; false when GDI+ refuses it.
bool GdiplusDecode(const std::wstring& path, int& width, int& height, std::vector<uint8_t>& bgra);
// The file as GDI+ hands it to a bitmap handle (premultiplied, bottom-up 32-bit).
HBITMAP GdiplusHBitmap(const std::wstring& path);
