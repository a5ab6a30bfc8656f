// A picture of glowing captions for a person to look at: build/win64/widgets-glow.png.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"
#include "src/gui/graphics/image.h"

#undef DrawText

using namespace widgets_test;
using std::unique_ptr;

namespace {

constexpr int CellW = 130, CellH = 46, Columns = 4, Rows = 4, LabelH = 16;

void Background(TBitmap* b, int top, int height)
{
    for (int y = top; y < top + height; ++y)
        for (int x = 0; x < b->Width(); ++x) {
            const uint8_t blue = uint8_t(90 + y * 60 / b->Height()), green = uint8_t(40 + x * 30 / b->Width());
            uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + (b->PixelFormat() == pf32bit ? 4 : 3) * x;
            p[0] = blue;
            p[1] = green;
            p[2] = 20;
            if (b->PixelFormat() == pf32bit) p[3] = 255;
        }
}

struct Row {
    const wchar_t* label;
    int spread, opacity, x, y;
    TColor glow;
};

const Row kRows[Rows] = {
    {L"spread 0", 0, 255, 0, 0, TColor(0xBFFFFF)},
    {L"spread 128", 128, 255, 0, 0, TColor(0x40C0FF)},
    {L"offset 2,2", 0, 255, 2, 2, TColor(0x000000)},
    {L"spread 255, opacity 160", 255, 160, 0, 0, TColor(0xFFB040)},
};
const int kRadii[Columns] = {0, 2, 4, 8};

// Draws the grid into b (premultiplied onto 32-bit, straight onto 24-bit); returns the
// number of pixels each radius column changed.
void DrawGrid(TBitmap* b, int top, bool premultiplied, int changed[Columns])
{
    Background(b, top, Rows * CellH + LabelH);
    TCanvas* c = b->Canvas();
    c->Font()->SetName(L"Microsoft Sans Serif");
    c->Font()->SetHeight(-11);
    c->Font()->SetColor(clWhite);
    for (int k = 0; k < Columns; ++k) {
        String label = String(L"radius ") + IntToStr(kRadii[k]) + (premultiplied ? L", premultiplied" : L", straight");
        gs::GetSharedTextPainter()->DrawText(c, label.c_str(), Bounds(k * CellW + 6, top, CellW, LabelH), 0, 0,
                                             false);
    }
    unique_ptr<TBitmap> before(new TBitmap());
    before->Assign(b);
    for (int r = 0; r < Rows; ++r) {
        const Row& row = kRows[r];
        for (int k = 0; k < Columns; ++k) {
            gs::TOuterGlowTextPainter p;
            p.SetRadius(kRadii[k]);
            p.SetSpread(uint8_t(row.spread));
            p.SetOpacity(uint8_t(row.opacity));
            p.SetColor(row.glow);
            p.SetX(row.x);
            p.SetY(row.y);
            c->Font()->SetHeight(-17);
            c->Font()->SetStyle(TFontStyles{fsBold});
            c->Font()->SetColor(row.glow == 0 ? TColor(0xEFEFEF) : TColor(0x303030));
            const TRect cell = Bounds(k * CellW, top + LabelH + r * CellH, CellW, CellH);
            p.DrawText(b, L"Next  >", cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, premultiplied);
        }
    }
    for (int k = 0; k < Columns; ++k) {
        changed[k] = 0;
        for (int y = top + LabelH; y < top + LabelH + Rows * CellH; ++y)
            for (int x = k * CellW; x < (k + 1) * CellW; ++x) {
                uint32_t a = b->PixelFormat() == pf32bit ? Px32(b, x, y) & 0xFFFFFF : Px24(b, x, y);
                uint32_t o = before->PixelFormat() == pf32bit ? Px32(before.get(), x, y) & 0xFFFFFF
                                                               : Px24(before.get(), x, y);
                if (a != o) ++changed[k];
            }
    }
    c->Font()->SetStyle(TFontStyles{});
}

} // namespace

TEST(GlowPicture, CaptionsWithSeveralRadiiSpreadsAndOffsets)
{
    const int half = Rows * CellH + LabelH;
    unique_ptr<TBitmap> pre(MakeBitmap(Columns * CellW, half, pf32bit, 0));
    unique_ptr<TBitmap> straight(MakeBitmap(Columns * CellW, half, pf24bit, 0));
    int preChanged[Columns], straightChanged[Columns];
    DrawGrid(pre.get(), 0, true, preChanged);
    DrawGrid(straight.get(), 0, false, straightChanged);
    EXPECT_EQ(pf24bit, straight->PixelFormat());
    for (int k = 1; k < Columns; ++k) {
        EXPECT_GT(preChanged[k], preChanged[k - 1]) << "radius " << kRadii[k];
        EXPECT_GT(straightChanged[k], straightChanged[k - 1]) << "radius " << kRadii[k];
    }
    // Both halves in one opaque picture.
    unique_ptr<TBitmap> all(MakeBitmap(Columns * CellW, 2 * half + 4, pf32bit, 0xFF000000u));
    gs::CopyBitmapToCanvas(all->Canvas(), Bounds(0, 0, pre->Width(), half), pre.get(), TPoint(0, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), Bounds(0, half + 4, pre->Width(), half), straight.get(), TPoint(0, 0));
    for (int y = 0; y < all->Height(); ++y)
        for (int x = 0; x < all->Width(); ++x) SetPx32(all.get(), x, y, Px32(all.get(), x, y) | 0xFF000000u);
    SavePicture(all.get(), L"widgets-glow", false);
}
