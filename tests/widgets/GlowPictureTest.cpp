// A picture of glowing captions for a person to look at: build/win64/widgets-glow.png.
#include <gtest/gtest.h>

#include <memory>

#include "WidgetPixels.h"
#include "src/gui/Painter/TextPainter.h"
#include "src/gui/graphics/image.h"

#undef DrawText

using namespace widgets_test;

namespace {

constexpr int CellW = 130, CellH = 46, LabelH = 16;
const int kRadii[4] = {0, 2, 4, 8};
const struct {
    int spread, opacity, x, y;
    TColor glow;
} kRows[4] = {{0, 255, 0, 0, TColor(0xBFFFFF)},
              {128, 255, 0, 0, TColor(0x40C0FF)},
              {0, 255, 2, 2, TColor(0x000000)},
              {255, 160, 0, 0, TColor(0xFFB040)}};

// The grid on a gradient, premultiplied onto 32 bits or straight onto 24.
std::unique_ptr<TBitmap> Grid(bool premultiplied)
{
    std::unique_ptr<TBitmap> b(MakeBitmap(4 * CellW, 4 * CellH + LabelH, pf32bit, 0));
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            SetPx32(b.get(), x, y, 0xFF140000u | ((40 + x / 18) << 8) | (90 + y / 4));
    if (!premultiplied)
        b->SetPixelFormat(pf24bit);
    TCanvas* c = b->Canvas();
    c->Font()->SetName(L"Microsoft Sans Serif");
    for (int k = 0; k < 4; ++k) {
        c->Font()->SetHeight(-11);
        c->Font()->SetStyle(TFontStyles{});
        c->Font()->SetColor(clWhite);
        String label =
            String(L"radius ") + IntToStr(kRadii[k]) + (premultiplied ? L", premultiplied" : L", straight");
        gs::GetSharedTextPainter()->DrawText(c, label.c_str(), Bounds(k * CellW + 6, 0, CellW, LabelH), 0, 0,
                                             false);
        c->Font()->SetHeight(-17);
        c->Font()->SetStyle(TFontStyles{fsBold});
        for (int r = 0; r < 4; ++r) {
            gs::TOuterGlowTextPainter p;
            p.SetRadius(kRadii[k]);
            p.SetSpread(uint8_t(kRows[r].spread));
            p.SetOpacity(uint8_t(kRows[r].opacity));
            p.SetColor(kRows[r].glow);
            p.SetX(kRows[r].x);
            p.SetY(kRows[r].y);
            c->Font()->SetColor(kRows[r].glow == 0 ? TColor(0xEFEFEF) : TColor(0x303030));
            p.DrawText(b.get(), L"Next  >", Bounds(k * CellW, LabelH + r * CellH, CellW, CellH),
                       DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, premultiplied);
        }
    }
    return b;
}

} // namespace

TEST(GlowPicture, CaptionsWithSeveralRadiiSpreadsAndOffsets)
{
    auto a = Grid(true), b = Grid(false);
    EXPECT_EQ(pf24bit, b->PixelFormat());
    std::unique_ptr<TBitmap> all(MakeBitmap(a->Width(), 2 * a->Height() + 4, pf24bit, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), Bounds(0, 0, a->Width(), a->Height()), a.get(), TPoint(0, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), Bounds(0, a->Height() + 4, a->Width(), a->Height()), b.get(),
                           TPoint(0, 0));
    SavePicture(all.get(), L"widgets-glow");
}
