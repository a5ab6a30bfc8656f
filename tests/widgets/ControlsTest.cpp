// The glow label, the alpha image and the composable edit.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "WidgetPixels.h"
#include "forms2/FormsTestSupport.h"
#include "src/gui/graphics/image.h"
#include "widgets/GsEdit.h"
#include "widgets/GsImage.h"
#include "widgets/GsLabel.h"

#undef DrawText

using namespace widgets_test;
using std::unique_ptr;

namespace {

int Green(uint32_t px) { return (px >> 8) & 0xFF; }

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        forms_test::SetUpApplication();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 320, 200);
        form->SetColor(clBlack);
    }
    void TearDown() override { delete form; }

    // The form's picture, drawn through the library's paint-to-canvas.
    TBitmap* FormPicture()
    {
        TBitmap* b = MakeBitmap(form->ClientWidth(), form->ClientHeight(), pf32bit, 0);
        form->PaintTo(b->Canvas(), 0, 0);
        return b;
    }

    GsLabel* NewLabel(const wchar_t* caption)
    {
        auto* l = new GsLabel(form);
        l->SetParent(form);
        l->Font()->SetHeight(-14);
        l->SetCaption(caption);
        return l;
    }

    int TextHeight(GsLabel* l, TCanvas* c)
    {
        TRect r(0, 0, l->Width(), l->Height());
        c->Font()->Assign(l->Font());
        l->GlowPainter()->CalcRect(c, l->Caption().c_str(), r, l->GetDrawFlags());
        return r.Height();
    }

    TForm* form = nullptr;
};

} // namespace

TEST_F(ControlsTest, LabelWithoutCaptionLeavesTheTarget)
{
    GsLabel* l = NewLabel(L"");
    unique_ptr<TBitmap> t(MakeBitmap(7, 5, pf32bit, 0x12345678u));
    l->PaintToBitmap(t.get());
    l->ComposeInto(t.get(), true);
    EXPECT_EQ(7, t->Width());
    EXPECT_EQ(5, t->Height());
    EXPECT_EQ(0x12345678u, Px32(t.get(), 3, 3));
}

TEST_F(ControlsTest, LabelDrawFlags)
{
    GsLabel* l = NewLabel(L"x");
    struct Case {
        TAlignment alignment;
        bool wrap;
        TEllipsisPosition ellipsis;
        unsigned expected;
    } cases[] = {
        {taLeftJustify, false, epNone, DT_EXPANDTABS},
        {taRightJustify, false, epNone, DT_EXPANDTABS | DT_RIGHT},
        {taCenter, true, epNone, DT_EXPANDTABS | DT_CENTER | DT_WORDBREAK},
        {taLeftJustify, false, epPathEllipsis, DT_EXPANDTABS | DT_PATH_ELLIPSIS},
        {taLeftJustify, false, epEndEllipsis, DT_EXPANDTABS | 0x8000},
        {taCenter, false, epWordEllipsis, DT_EXPANDTABS | DT_CENTER | DT_WORD_ELLIPSIS},
    };
    for (const Case& c : cases) {
        l->SetAlignment(c.alignment);
        l->SetWordWrap(c.wrap);
        l->SetEllipsisPosition(c.ellipsis);
        EXPECT_EQ(c.expected, l->GetDrawFlags());
    }
}

TEST_F(ControlsTest, LabelVerticalPlacement)
{
    GsLabel* l = NewLabel(L"Placed");
    l->SetAutoSize(false);
    unique_ptr<TBitmap> t(MakeBitmap(10, 10, pf32bit, 0));
    struct Case {
        TTextLayout layout;
        int height;
    } cases[] = {{tlTop, 30}, {tlCenter, 30}, {tlBottom, 30}, {tlCenter, 4}, {tlBottom, 4}};
    for (const Case& c : cases) {
        l->SetBounds(5, 7, 80, c.height);
        l->SetLayout(c.layout);
        const int free = c.height - TextHeight(l, t->Canvas());
        const int expected = c.layout == tlTop ? 0 : c.layout == tlBottom ? free : free / 2;
        TRect r(5, 7, 85, 7 + c.height);
        l->AdjustLayout(t->Canvas(), r, l->GetDrawFlags());
        EXPECT_EQ(7 + expected, r.top) << c.layout << " " << c.height;
        EXPECT_EQ(7 + c.height + expected, r.bottom);
        EXPECT_EQ(5, r.left);
        EXPECT_EQ(85, r.right);
    }
    // Taller than the label: half the excess upwards, truncated toward zero.
    l->SetBounds(0, 0, 80, 4);
    l->SetLayout(tlCenter);
    const int excess = TextHeight(l, t->Canvas()) - 4;
    TRect r(0, 0, 80, 4);
    l->AdjustLayout(t->Canvas(), r, l->GetDrawFlags());
    EXPECT_EQ(-(excess / 2), r.top);
}

TEST_F(ControlsTest, RadiationRemeasuresUnlessReading)
{
    GsLabel* l = NewLabel(L"Measure me");
    const int plainWidth = l->Width(), plainHeight = l->Height();
    l->BeginLoading();
    l->Radiation()->SetRadius(5);
    EXPECT_EQ(plainWidth, l->Width());
    l->Radiation()->SetRadius(0);
    l->EndLoading();
    EXPECT_EQ(plainWidth, l->Width());

    l->Radiation()->SetRadius(3);
    l->Radiation()->SetX(2);
    l->Radiation()->SetY(1);
    EXPECT_EQ(plainWidth + 6 + 2, l->Width());
    EXPECT_EQ(plainHeight + 6 + 1, l->Height());
    EXPECT_EQ(3, l->GlowPainter()->Radius());
    l->Radiation()->SetRadius(100000);
    EXPECT_EQ(255u, l->Radiation()->Radius());

    GsLabel* other = NewLabel(L"Other");
    other->Radiation()->SetOpacity(90);
    other->Radiation()->SetColor(clLime);
    other->Radiation()->SetSpread(7);
    l->SetRadiation(other->Radiation());
    EXPECT_EQ(90, l->Radiation()->Opacity());
    EXPECT_EQ(clLime, l->GlowPainter()->Color());
    EXPECT_EQ(7, l->Radiation()->Spread());
    EXPECT_EQ(0u, l->Radiation()->Radius());

    l->SetAlphaValue(100);
    EXPECT_EQ(100, l->AlphaValue());
}

TEST_F(ControlsTest, DisabledLabelDrawsPlainGrey)
{
    GsLabel* l = NewLabel(L"Glow");
    l->SetTransparent(true);
    l->Font()->SetColor(clWhite);
    l->Radiation()->SetRadius(4);
    l->Radiation()->SetSpread(255);
    l->Radiation()->SetColor(clLime);
    auto greenPixels = [&](TBitmap* b) {
        int n = 0;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x) {
                uint32_t px = Px32(b, x, y);
                if (Green(px) > 100 && ((px >> 16) & 0xFF) < 60) ++n;
            }
        return n;
    };
    unique_ptr<TBitmap> on(MakeBitmap(1, 1, pf32bit, 0xFF000000u));
    l->PaintToBitmap(on.get());
    EXPECT_EQ(l->Width(), on->Width());
    EXPECT_GT(greenPixels(on.get()), 20);

    l->SetEnabled(false);
    unique_ptr<TBitmap> off(MakeBitmap(l->Width(), l->Height(), pf32bit, 0xFF000000u));
    l->PaintToBitmap(off.get());
    EXPECT_EQ(0, greenPixels(off.get()));
    const uint32_t grey = ColorToRGB(clGrayText);
    const uint32_t greyBgr = ((grey & 0xFF) << 16) | (grey & 0xFF00) | ((grey >> 16) & 0xFF);
    int greyPixels = 0;
    for (int y = 0; y < off->Height(); ++y)
        for (int x = 0; x < off->Width(); ++x)
            if ((Px32(off.get(), x, y) & 0xFFFFFF) == greyBgr) ++greyPixels;
    EXPECT_GT(greyPixels, 5);
}

TEST_F(ControlsTest, LabelComposesAtItsBoundsFromTheViewportOrigin)
{
    GsLabel* l = NewLabel(L"Composed");
    l->SetAutoSize(false);
    l->SetBounds(20, 10, 60, 20);
    l->SetTransparent(false);
    l->SetColor(clRed);
    unique_ptr<TBitmap> t(MakeBitmap(120, 50, pf32bit, 0xFF000000u));
    SetViewportOrgEx(t->Canvas()->Handle(), 10, 5, nullptr);
    l->ComposeInto(t.get(), false);
    const TRect device(30, 15, 90, 35);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 120; ++x)
            if (!device.Contains(TPoint(x, y))) {
                ASSERT_EQ(0xFF000000u, Px32(t.get(), x, y)) << x << "," << y;
            }
    EXPECT_EQ(0xFF0000u, Px32(t.get(), 30, 15) & 0xFFFFFF); // filled with Color
    EXPECT_EQ(0xFF0000u, Px32(t.get(), 89, 34) & 0xFFFFFF);
}

TEST_F(ControlsTest, ImageAutoSizeAndAlphaSettings)
{
    auto* img = new GsImage(form);
    img->SetParent(form);
    EXPECT_TRUE(img->AlphaChannel());
    EXPECT_TRUE(img->AlphaBlend());
    EXPECT_EQ(255, img->AlphaValue());
    EXPECT_EQ(gafPremultiplied, img->AlphaFormat());
    img->SetAutoSize(true);
    unique_ptr<TBitmap> pic(MakeBitmap(64, 48, pf32bit, 0xFF00FF00u));
    img->Picture()->Assign(pic.get());
    EXPECT_EQ(64, img->Width());
    EXPECT_EQ(48, img->Height());
    img->SetAlphaFormat(gafDefined);
    EXPECT_EQ(gafDefined, img->AlphaFormat());

    // Composition blends the picture as premultiplied at the bounds; the copy takes it as is.
    unique_ptr<TBitmap> half(MakeBitmap(4, 4, pf32bit, 0x80008000u));
    img->SetAutoSize(false);
    img->Picture()->Assign(half.get());
    img->SetBounds(2, 3, 4, 4);
    unique_ptr<TBitmap> t(MakeBitmap(10, 10, pf32bit, 0xFF0000FFu));
    img->ComposeInto(t.get(), false);
    const uint32_t px = Px32(t.get(), 2, 3);
    EXPECT_NEAR(0x80, Green(px), 1);
    EXPECT_NEAR(0x7F, int(px & 0xFF), 1);
    EXPECT_EQ(0xFF0000FFu, Px32(t.get(), 1, 3));
    EXPECT_EQ(0xFF0000FFu, Px32(t.get(), 6, 3));
    unique_ptr<TBitmap> copy(MakeBitmap(6, 6, pf32bit, 0));
    img->PaintToBitmap(copy.get());
    EXPECT_EQ(6, copy->Width());
    EXPECT_EQ(0x80008000u, Px32(copy.get(), 3, 3));
    EXPECT_EQ(0u, Px32(copy.get(), 4, 4));
}

TEST_F(ControlsTest, ImagePaintPaths)
{
    auto* img = new GsImage(form);
    img->SetParent(form);
    img->SetBounds(0, 0, 200, 100);
    // Nothing to draw: no failure, nothing drawn.
    unique_ptr<TBitmap> none(FormPicture());
    EXPECT_EQ(0u, Px32(none.get(), 5, 5) & 0xFFFFFF);

    // A 24-bit picture is stretched over the control.
    unique_ptr<TBitmap> plain(MakeBitmap(20, 10, pf24bit, 0x00FF00u));
    img->Picture()->Assign(plain.get());
    unique_ptr<TBitmap> a(FormPicture());
    EXPECT_EQ(0x00FF00u, Px32(a.get(), 190, 95) & 0xFFFFFF);

    // The same at 32 bits with its alpha: unscaled from the top-left.
    unique_ptr<TBitmap> alpha(MakeBitmap(20, 10, pf32bit, 0xFF00FF00u));
    img->Picture()->Assign(alpha.get());
    unique_ptr<TBitmap> b(FormPicture());
    EXPECT_EQ(0x00FF00u, Px32(b.get(), 5, 5) & 0xFFFFFF);
    EXPECT_EQ(0u, Px32(b.get(), 190, 95) & 0xFFFFFF);

    // AlphaValue applies only while AlphaBlend is on.
    img->SetAlphaBlend(false);
    img->SetAlphaValue(128);
    unique_ptr<TBitmap> c(FormPicture());
    EXPECT_EQ(0xFF, Green(Px32(c.get(), 5, 5)));
    img->SetAlphaBlend(true);
    unique_ptr<TBitmap> d(FormPicture());
    EXPECT_NEAR(0x80, Green(Px32(d.get(), 5, 5)), 1);
    // Straight alpha goes through the per-pixel blend.
    img->SetAlphaFormat(gafDefined);
    unique_ptr<TBitmap> e(FormPicture());
    EXPECT_EQ(127, Green(Px32(e.get(), 5, 5)));
    // Without the alpha channel even a 32-bit picture is stretched.
    img->SetAlphaChannel(false);
    unique_ptr<TBitmap> f(FormPicture());
    EXPECT_EQ(0xFF, Green(Px32(f.get(), 190, 95)));

    img->SetBounds(0, 0, 0, 0);
    unique_ptr<TBitmap> g;
    EXPECT_NO_THROW(g.reset(FormPicture()));
}

TEST_F(ControlsTest, EditComposesOpaqueInsideTheTargetAndItsClip)
{
    auto* edit = new GsEdit(form);
    edit->SetParent(form);
    edit->SetBounds(40, 20, 50, 21);
    edit->SetText(L"C:\\Images\\");

    struct Case {
        TPoint origin;
        TRect clip; // empty: none
        TRect expected; // device pixels written
    } cases[] = {
        {TPoint(0, 0), TRect(), TRect(40, 20, 60, 30)},          // cut at the right and bottom edges
        {TPoint(-45, -25), TRect(), TRect(0, 0, 45, 16)},        // left of and above the origin skipped
        {TPoint(0, 0), TRect(0, 0, 50, 25), TRect(40, 20, 50, 25)}, // inside the existing clip only
    };
    for (const Case& c : cases) {
        unique_ptr<TBitmap> t(MakeBitmap(60, 30, pf32bit, 0x00000000u));
        HDC dc = t->Canvas()->Handle();
        SetViewportOrgEx(dc, c.origin.x, c.origin.y, nullptr);
        if (!c.clip.IsEmpty()) {
            HRGN rgn = CreateRectRgn(c.clip.left, c.clip.top, c.clip.right, c.clip.bottom);
            SelectClipRgn(dc, rgn);
            DeleteObject(rgn);
        }
        edit->ComposeInto(t.get(), true, false);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool in = c.expected.Contains(TPoint(x, y));
                ASSERT_EQ(in ? 255 : 0, Alpha(Px32(t.get(), x, y))) << x << "," << y;
            }
        POINT o;
        GetViewportOrgEx(dc, &o);
        EXPECT_EQ(c.origin, TPoint(o));
        HRGN after = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(c.clip.IsEmpty() ? 0 : 1, GetClipRgn(dc, after));
        DeleteObject(after);
    }

    // Nothing without children, when hidden, or into a target that is not 32-bit.
    unique_ptr<TBitmap> t(MakeBitmap(100, 50, pf32bit, 0));
    edit->ComposeInto(t.get(), false, true);
    EXPECT_EQ(0u, Px32(t.get(), 50, 25));
    edit->SetVisible(false);
    edit->ComposeInto(t.get(), true, true);
    EXPECT_EQ(0u, Px32(t.get(), 50, 25));
    edit->SetVisible(true);
    unique_ptr<TBitmap> t24(MakeBitmap(100, 50, pf24bit, 0x123456u));
    edit->ComposeInto(t24.get(), true, false);
    EXPECT_EQ(0x123456u, Px24(t24.get(), 50, 25));
    edit->ComposeInto(t.get(), true, false);
    EXPECT_EQ(255, Alpha(Px32(t.get(), 50, 25)));
}

// A picture for a person to look at: build/win64/widgets-controls.png. Top: the controls
// painting themselves on a form; bottom: the same composed into a 32-bit bitmap.
TEST_F(ControlsTest, SamplePicture)
{
    form->SetColor(TColor(0x5A3418));
    form->SetClientWidth(360);
    form->SetClientHeight(120);
    // A round, soft-edged premultiplied picture.
    unique_ptr<TBitmap> disc(MakeBitmap(64, 64, pf32bit, 0));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double d = std::sqrt((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5));
            const double a = d < 26 ? 1.0 : d < 31 ? (31 - d) / 5 : 0.0;
            const uint8_t al = uint8_t(a * 255);
            const uint8_t r = uint8_t(al * (200 - y) / 255), g = uint8_t(al * (120 + x) / 255), b = uint8_t(al * 40 / 255);
            SetPx32(disc.get(), x, y, (uint32_t(al) << 24) | (r << 16) | (g << 8) | b);
        }
    auto* img = new GsImage(form);
    img->SetParent(form);
    img->SetAutoSize(true);
    img->SetLeft(10);
    img->SetTop(8);
    img->Picture()->Assign(disc.get());
    img->SetAlphaValue(220);

    GsLabel* title = NewLabel(L"Choose the USB drive");
    title->SetLeft(86);
    title->SetTop(8);
    title->SetTransparent(true);
    title->Font()->SetName(L"Microsoft Sans Serif");
    title->Font()->SetHeight(-18);
    title->Font()->SetStyle(TFontStyles{fsBold});
    title->Font()->SetColor(TColor(0xEFEFEF));
    title->Radiation()->SetRadius(5);
    title->Radiation()->SetSpread(40);
    title->Radiation()->SetColor(TColor(0xFFA040));
    title->Radiation()->SetOpacity(200);

    GsLabel* grey = NewLabel(L"(disabled label)");
    grey->SetLeft(90);
    grey->SetTop(70);
    grey->SetTransparent(true);
    grey->SetEnabled(false);

    auto* edit = new GsEdit(form);
    edit->SetParent(form);
    edit->SetBounds(90, 42, 200, 21);
    edit->SetText(L"E:\\ ( KINGSTON 7.4 GB )");

    form->Show();
    forms_test::Pump(200);
    unique_ptr<TBitmap> top(FormPicture());

    unique_ptr<TBitmap> bottom(MakeBitmap(360, 120, pf32bit, 0xFF000000u));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 360; ++x)
            SetPx32(bottom.get(), x, y, 0xFF000000u | (uint32_t(40 + y / 3) << 16) | (uint32_t(30 + x / 8) << 8) | 90);
    img->ComposeInto(bottom.get(), true);
    title->ComposeInto(bottom.get(), true);
    grey->ComposeInto(bottom.get(), true);
    edit->ComposeInto(bottom.get(), true, false);
    // The glow reaches past the glyphs in both pictures.
    EXPECT_GT(CountAlphaAbove(bottom.get(), TRect(0, 0, 360, 120), 254), 360 * 120 - 10);

    unique_ptr<TBitmap> all(MakeBitmap(360, 244, pf32bit, 0xFF000000u));
    gs::CopyBitmapToCanvas(all->Canvas(), TRect(0, 0, 360, 120), top.get(), TPoint(0, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), TRect(0, 124, 360, 244), bottom.get(), TPoint(0, 0));
    for (int y = 0; y < all->Height(); ++y)
        for (int x = 0; x < all->Width(); ++x) SetPx32(all.get(), x, y, Px32(all.get(), x, y) | 0xFF000000u);
    SavePicture(all.get(), L"widgets-controls", false);
    form->Hide();
}
