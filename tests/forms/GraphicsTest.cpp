// Colours, fonts, brushes and pens, and canvases on any device context.
#include <gtest/gtest.h>

#include <memory>

#include "forms/Graphics.h"

namespace {

class ChangeCounter : public TObject {
public:
    int count = 0;
    void Changed(TObject*) { ++count; }
};

LOGFONTW SelectedFont(HDC dc)
{
    LOGFONTW lf{};
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(lf), &lf);
    return lf;
}

} // namespace

TEST(Colors, SystemColoursResolve)
{
    EXPECT_EQ(TColor(0xFF000011), clGrayText);
    EXPECT_EQ(TColor(GetSysColor(COLOR_BTNFACE)), ColorToRGB(clBtnFace));
    EXPECT_EQ(TColor(GetSysColor(COLOR_GRAYTEXT)), ColorToRGB(clGrayText));
    EXPECT_EQ(0xBFFFFF, ColorToRGB(0xBFFFFF));
    EXPECT_EQ(clRed, ColorToRGB(clRed));
}

TEST(Font, DefaultsSizeAndHeight)
{
    TFont font;
    EXPECT_EQ(String(L"Tahoma"), font.Name());
    EXPECT_EQ(96, font.PixelsPerInch());
    EXPECT_EQ(-11, font.Height());
    EXPECT_EQ(8, font.Size());
    EXPECT_EQ(clWindowText, font.Color());
    EXPECT_TRUE(font.Style().Empty());
    EXPECT_EQ(DEFAULT_CHARSET, font.Charset());
    font.SetSize(10);
    EXPECT_EQ(-13, font.Height());
    font.SetHeight(-16);
    EXPECT_EQ(12, font.Size());
}

TEST(Font, ChangesNotifyOnceAndOnlyWhenTheyChange)
{
    TFont a, b;
    ChangeCounter counter;
    a.OnChange = MakeEvent(&counter, &ChangeCounter::Changed);
    a.SetColor(clRed);
    a.SetColor(clRed);
    a.SetName(L"Tahoma");
    EXPECT_EQ(1, counter.count);

    b.SetName(L"Microsoft Sans Serif");
    b.SetColor(0xEFEFEF);
    b.SetStyle(TFontStyles{fsBold});
    b.SetHeight(-13);
    b.SetCharset(SHIFTJIS_CHARSET);
    counter.count = 0;
    a.Assign(&b);
    EXPECT_EQ(1, counter.count);
    EXPECT_EQ(String(L"Microsoft Sans Serif"), a.Name());
    EXPECT_EQ(0xEFEFEF, a.Color());
    EXPECT_EQ(TFontStyles{fsBold}, a.Style());
    EXPECT_EQ(-13, a.Height());
    EXPECT_EQ(SHIFTJIS_CHARSET, a.Charset());

    // The handle is made on demand and follows the attributes.
    EXPECT_FALSE(b.HandleAllocated());
    LOGFONTW lf{};
    GetObjectW(b.Handle(), sizeof(lf), &lf);
    EXPECT_EQ(-13, lf.lfHeight);
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_STREQ(L"Microsoft Sans Serif", lf.lfFaceName);
    b.SetStyle(TFontStyles{fsItalic});
    GetObjectW(b.Handle(), sizeof(lf), &lf);
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    EXPECT_TRUE(lf.lfItalic);

    TFont adopted;
    adopted.SetHandle(
        CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 1, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Courier New"));
    EXPECT_EQ(-20, adopted.Height());
    EXPECT_EQ((TFontStyles{fsBold, fsUnderline}), adopted.Style());
    EXPECT_EQ(String(L"Courier New"), adopted.Name());
}

TEST(Canvas, HandleRealisesFontBrushAndPen)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(40, 20);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Font()->SetName(L"Microsoft Sans Serif");
    canvas->Font()->SetHeight(-13);
    canvas->Font()->SetColor(0x123456);
    canvas->Font()->SetStyle(TFontStyles{fsBold});
    canvas->Brush()->SetColor(0x00FF00);
    canvas->Pen()->SetColor(0x0000FF);
    HDC dc = canvas->Handle();
    LOGFONTW lf = SelectedFont(dc);
    EXPECT_STREQ(L"Microsoft Sans Serif", lf.lfFaceName);
    EXPECT_EQ(-13, lf.lfHeight);
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(COLORREF(0x123456), GetTextColor(dc));
    EXPECT_EQ(COLORREF(0x00FF00), GetBkColor(dc));
    LOGBRUSH lb{};
    GetObjectW(GetCurrentObject(dc, OBJ_BRUSH), sizeof(lb), &lb);
    EXPECT_EQ(COLORREF(0x00FF00), lb.lbColor);
    LOGPEN lp{};
    GetObjectW(GetCurrentObject(dc, OBJ_PEN), sizeof(lp), &lp);
    EXPECT_EQ(COLORREF(0x0000FF), lp.lopnColor);

    // Context state set directly survives later Handle() calls; changes are realised again.
    SetBkMode(dc, TRANSPARENT);
    canvas->Font()->SetColor(clWhite);
    canvas->Font()->SetHeight(-20);
    EXPECT_EQ(dc, canvas->Handle());
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    EXPECT_EQ(COLORREF(0xFFFFFF), GetTextColor(dc));
    EXPECT_EQ(-20, SelectedFont(dc).lfHeight);

    // Text drawn through the handle uses the canvas font: a bigger font, a wider text.
    SIZE small{}, big{};
    GetTextExtentPoint32W(dc, L"Next", 4, &big);
    canvas->Font()->SetHeight(-8);
    GetTextExtentPoint32W(canvas->Handle(), L"Next", 4, &small);
    EXPECT_GT(big.cx, small.cx);
    EXPECT_EQ(small.cx, canvas->TextWidth(L"Next"));
}

TEST(Canvas, WorksOnAForeignContextAndLeavesItAlive)
{
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 8;
    bi.bmiHeader.biHeight = -8;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.Brush()->SetColor(0x336699);
        canvas.FillRect(TRect(0, 0, 8, 8));
        canvas.Pen()->SetColor(clRed);
        canvas.Brush()->SetColor(clBlue);
        canvas.Rectangle(2, 2, 6, 6);
        EXPECT_EQ(clRed, canvas.Pixels(2, 2));
        EXPECT_EQ(clBlue, canvas.Pixels(3, 3));
        EXPECT_EQ(0x336699, canvas.Pixels(0, 0));
    }
    GdiFlush();
    // FillRect leaves alpha 0; the context still works after the canvas is gone.
    EXPECT_EQ(0x00996633u, static_cast<uint32_t*>(bits)[0]);
    EXPECT_EQ(COLORREF(0x336699), GetPixel(dc, 7, 7));
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
}

TEST(Canvas, CopyRectDrawStretchDrawAndChangeEvents)
{
    TBitmap source;
    source.SetPixelFormat(pf32bit);
    source.SetSize(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            static_cast<uint32_t*>(source.ScanLine(y))[x] = 0x80000000u | (y * 2 + x + 1) * 0x10;

    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(6, 6);
    ChangeCounter counter;
    target.OnChange = MakeEvent(&counter, &ChangeCounter::Changed);
    EXPECT_EQ(cmSrcCopy, target.Canvas()->CopyMode());

    target.Canvas()->Draw(1, 1, &source);
    EXPECT_EQ(1, counter.count);
    auto pixel = [&](int x, int y) { return static_cast<uint32_t*>(target.ScanLine(y))[x]; };
    // A 32-bit bitmap without an alpha format is copied, alpha included.
    EXPECT_EQ(0x80000010u, pixel(1, 1));
    EXPECT_EQ(0x80000040u, pixel(2, 2));

    target.Canvas()->StretchDraw(TRect(2, 2, 6, 6), &source);
    EXPECT_EQ(0x80000010u, pixel(3, 3));
    EXPECT_EQ(0x80000040u, pixel(5, 5));

    target.Canvas()->CopyRect(TRect(0, 0, 1, 1), source.Canvas(), TRect(1, 1, 2, 2));
    EXPECT_EQ(0x80000040u, pixel(0, 0));
    EXPECT_EQ(3, counter.count);

    // A premultiplied alpha format is blended.
    TBitmap half;
    half.SetPixelFormat(pf32bit);
    half.SetSize(1, 1);
    static_cast<uint32_t*>(half.ScanLine(0))[0] = 0x80400000u; // red 0x40 premultiplied, alpha 0x80
    half.SetAlphaFormat(afPremultiplied);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(TRect(0, 0, 1, 1));
    target.Canvas()->Draw(0, 0, &half);
    uint32_t blended = pixel(0, 0);
    EXPECT_NEAR(0x40 + 0xFF * 0x7F / 0xFF, int((blended >> 16) & 0xFF), 2);
    EXPECT_NEAR(0x7F, int(blended & 0xFF), 2);
}
