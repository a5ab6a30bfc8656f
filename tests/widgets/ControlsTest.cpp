// The glow label, the alpha image and the composable edit.
#include <gtest/gtest.h>

#include <memory>

#include "../widgets2/ButtonArt.h"
#include "WidgetPixels.h"
#include "forms2/FormsTestSupport.h"
#include "src/gui/graphics/image.h"
#include "widgets/GsEdit.h"
#include "widgets/GsImage.h"
#include "widgets/GsLabel.h"

#undef DrawText

using namespace widgets_test;
using Bmp = std::unique_ptr<TBitmap>;

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

    // The form's picture through the library's paint-to-canvas.
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

TEST_F(ControlsTest, LabelVerticalPlacement)
{
    GsLabel* l = NewLabel(L"Placed");
    l->SetAutoSize(false);
    Bmp t(MakeBitmap(10, 10, pf32bit, 0));
    const struct {
        TTextLayout layout;
        int height;
    } cases[] = {{tlTop, 30}, {tlCenter, 30}, {tlBottom, 30}, {tlCenter, 4}, {tlBottom, 4}};
    for (const auto& c : cases) {
        l->SetBounds(5, 7, 80, c.height);
        l->SetLayout(c.layout);
        const int free = c.height - TextHeight(l, t->Canvas()); // negative when the text is taller
        const int offset = c.layout == tlTop ? 0 : c.layout == tlBottom ? free : free / 2;
        TRect r(5, 7, 85, 7 + c.height);
        l->AdjustLayout(t->Canvas(), r, l->GetDrawFlags());
        EXPECT_EQ(TRect(5, 7 + offset, 85, 7 + c.height + offset), r) << c.layout << " " << c.height;
    }
}

TEST_F(ControlsTest, RadiationRemeasuresUnlessReading)
{
    GsLabel* l = NewLabel(L"Measure me");
    const int w = l->Width(), h = l->Height();
    l->BeginLoading();
    l->Radiation()->SetRadius(5);
    EXPECT_EQ(w, l->Width());
    l->Radiation()->SetRadius(0);
    l->EndLoading();
    l->Radiation()->SetRadius(3);
    l->Radiation()->SetX(2);
    l->Radiation()->SetY(1);
    EXPECT_EQ(TRect(0, 0, w + 8, h + 7), TRect(0, 0, l->Width(), l->Height()));
    l->Radiation()->SetRadius(100000);
    EXPECT_EQ(255, l->GlowPainter()->Radius());
}

TEST_F(ControlsTest, DisabledLabelDrawsPlainGrey)
{
    GsLabel* l = NewLabel(L"Glow");
    l->SetTransparent(true);
    l->Font()->SetColor(clWhite);
    l->Radiation()->SetRadius(4);
    l->Radiation()->SetSpread(255);
    l->Radiation()->SetColor(clLime);
    const uint32_t grey = ColorToRGB(clGrayText);
    const uint32_t greyBgr = ((grey & 0xFF) << 16) | (grey & 0xFF00) | ((grey >> 16) & 0xFF);
    for (bool enabled : {true, false}) {
        l->SetEnabled(enabled);
        Bmp b(MakeBitmap(1, 1, pf32bit, 0xFF000000u));
        l->PaintToBitmap(b.get());
        ASSERT_EQ(l->Width(), b->Width());
        int green = 0, greyed = 0;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x) {
                const uint32_t px = Px32(b.get(), x, y);
                green += Green(px) > 100 && ((px >> 16) & 0xFF) < 60;
                greyed += (px & 0xFFFFFF) == greyBgr;
            }
        EXPECT_EQ(enabled, green > 20);
        EXPECT_EQ(!enabled, greyed > 5);
    }
}

TEST_F(ControlsTest, LabelComposesAtItsBoundsFromTheViewportOrigin)
{
    GsLabel* l = NewLabel(L"");
    l->SetAutoSize(false);
    l->SetBounds(20, 10, 60, 20);
    l->SetTransparent(false);
    l->SetColor(clRed);
    l->SetEllipsisPosition(epEndEllipsis);
    EXPECT_EQ(unsigned(DT_EXPANDTABS | 0x8000), l->GetDrawFlags());
    Bmp t(MakeBitmap(120, 50, pf32bit, 0xFF000000u));
    SetViewportOrgEx(t->Canvas()->Handle(), 10, 5, nullptr);
    l->ComposeInto(t.get(), false); // an empty caption draws nothing
    l->PaintToBitmap(t.get());
    EXPECT_EQ(0xFF000000u, Px32(t.get(), 40, 20));
    EXPECT_EQ(120, t->Width());
    l->SetCaption(L"Composed");
    l->ComposeInto(t.get(), false);
    const TRect device(30, 15, 90, 35);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t px = Px32(t.get(), x, y) & 0xFFFFFF;
            ASSERT_TRUE(device.Contains(TPoint(x, y)) || px == 0) << x << "," << y;
        }
    EXPECT_EQ(0xFF0000u, Px32(t.get(), 30, 15) & 0xFFFFFF); // filled with Color
    EXPECT_EQ(0xFF0000u, Px32(t.get(), 89, 34) & 0xFFFFFF);
}

TEST_F(ControlsTest, ImageSizingCompositionAndPaintPaths)
{
    auto* img = new GsImage(form);
    img->SetParent(form);
    img->SetAutoSize(true);
    Bmp big(MakeBitmap(64, 48, pf32bit, 0xFF00FF00u));
    img->Picture()->Assign(big.get());
    EXPECT_EQ(TRect(0, 0, 64, 48), img->BoundsRect());
    img->SetAutoSize(false);

    // Composition takes the picture as premultiplied at the bounds; the copy as it is.
    Bmp half(MakeBitmap(4, 4, pf32bit, 0x80008000u)), t(MakeBitmap(10, 10, pf32bit, 0xFF0000FFu));
    img->Picture()->Assign(half.get());
    img->SetBounds(2, 3, 4, 4);
    img->ComposeInto(t.get(), false);
    EXPECT_NEAR(0x80, Green(Px32(t.get(), 2, 3)), 1);
    EXPECT_NEAR(0x7F, int(Px32(t.get(), 2, 3) & 0xFF), 1);
    EXPECT_EQ(0xFF0000FFu, Px32(t.get(), 6, 3));

    // Paint: a 24-bit picture stretches; a 32-bit one is drawn unscaled with its alpha,
    // scaled by AlphaValue only while AlphaBlend is on.
    img->SetBounds(0, 0, 200, 100);
    Bmp plain(MakeBitmap(20, 10, pf24bit, 0x00FF00u)), alpha(MakeBitmap(20, 10, pf32bit, 0xFF00FF00u));
    img->Picture()->Assign(plain.get());
    EXPECT_EQ(0xFF, Green(Px32(Bmp(FormPicture()).get(), 190, 95)));
    img->Picture()->Assign(alpha.get());
    const struct {
        bool blend;
        GsAlphaFormat format;
        bool channel;
        TPoint at;
        int green;
    } steps[] = {{true, gafPremultiplied, true, TPoint(190, 95), 0},
                 {false, gafPremultiplied, true, TPoint(5, 5), 255},
                 {true, gafPremultiplied, true, TPoint(5, 5), 128},
                 {true, gafDefined, true, TPoint(5, 5), 127},
                 {true, gafDefined, false, TPoint(190, 95), 255}};
    for (const auto& s : steps) {
        img->SetAlphaValue(128);
        img->SetAlphaBlend(s.blend);
        img->SetAlphaFormat(s.format);
        img->SetAlphaChannel(s.channel);
        Bmp shot(FormPicture());
        EXPECT_NEAR(s.green, Green(Px32(shot.get(), s.at.x, s.at.y)), s.green == 128 ? 1 : 0)
            << s.blend << s.format;
    }
    img->Picture()->Assign(nullptr); // an empty picture draws nothing and does not fail
    EXPECT_EQ(0u, Px32(Bmp(FormPicture()).get(), 5, 5) & 0xFFFFFF);
}

TEST_F(ControlsTest, EditComposesOpaqueInsideTheTargetAndItsClip)
{
    auto* edit = new GsEdit(form);
    edit->SetParent(form);
    edit->SetBounds(40, 20, 50, 21);
    edit->SetText(L"C:\\Images\\");
    const struct {
        TPoint origin;
        TRect clip, written;
    } cases[] = {
        {TPoint(0, 0), TRect(), TRect(40, 20, 60, 30)},             // cut at the right and bottom edges
        {TPoint(-45, -25), TRect(), TRect(0, 0, 45, 16)},           // left of and above the origin skipped
        {TPoint(0, 0), TRect(0, 0, 50, 25), TRect(40, 20, 50, 25)}, // inside the existing clip only
    };
    for (const auto& c : cases) {
        Bmp t(MakeBitmap(60, 30, pf32bit, 0));
        HDC dc = t->Canvas()->Handle();
        SetViewportOrgEx(dc, c.origin.x, c.origin.y, nullptr);
        HRGN clip = c.clip.IsEmpty() ? nullptr : CreateRectRgnIndirect(&c.clip);
        SelectClipRgn(dc, clip);
        edit->ComposeInto(t.get(), true, false);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                ASSERT_EQ(c.written.Contains(TPoint(x, y)) ? 255 : 0, Alpha(Px32(t.get(), x, y)))
                    << x << "," << y;
        POINT o;
        GetViewportOrgEx(dc, &o);
        EXPECT_EQ(c.origin, TPoint(o)); // origin and clip as they were
        HRGN after = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(clip ? 1 : 0, GetClipRgn(dc, after));
        DeleteObject(after);
        if (clip)
            DeleteObject(clip);
    }
    // Nothing without children, when hidden, or into a target that is not 32-bit.
    Bmp t(MakeBitmap(100, 50, pf32bit, 0)), t24(MakeBitmap(100, 50, pf24bit, 0x123456u));
    edit->ComposeInto(t.get(), false, true);
    edit->SetVisible(false);
    edit->ComposeInto(t.get(), true, true);
    edit->SetVisible(true);
    edit->ComposeInto(t24.get(), true, false);
    EXPECT_EQ(0u, Px32(t.get(), 50, 25));
    EXPECT_EQ(0x123456u, Px24(t24.get(), 50, 25));
}

// For a person to look at: build/win64/widgets-controls.png. Top: the controls painting
// themselves on a form; bottom: the same composed into a 32-bit bitmap.
TEST_F(ControlsTest, SamplePicture)
{
    form->SetColor(TColor(0x5A3418));
    form->SetClientWidth(360);
    form->SetClientHeight(120);
    Bmp disc(GlossyButtonImage(64, 64, 32, TColor(0x90A030))); // round, soft-edged, premultiplied
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
    auto* edit = new GsEdit(form);
    edit->SetParent(form);
    edit->SetBounds(90, 42, 200, 21);
    edit->SetText(L"E:\\ ( KINGSTON 7.4 GB )");
    form->Show();
    forms_test::Pump(200);
    Bmp top(FormPicture()), bottom(MakeBitmap(360, 120, pf32bit, 0));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 360; ++x)
            SetPx32(bottom.get(), x, y, 0xFF00005Au | (40 + y / 3) << 16 | (30 + x / 8) << 8);
    img->ComposeInto(bottom.get(), true);
    title->ComposeInto(bottom.get(), true);
    edit->ComposeInto(bottom.get(), true, false);
    EXPECT_GT(CountAlphaAbove(bottom.get(), TRect(0, 0, 360, 120), 254), 360 * 120 - 10); // stays opaque
    Bmp all(MakeBitmap(360, 244, pf24bit, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), TRect(0, 0, 360, 120), top.get(), TPoint(0, 0));
    gs::CopyBitmapToCanvas(all->Canvas(), TRect(0, 124, 360, 244), bottom.get(), TPoint(0, 0));
    SavePicture(all.get(), L"widgets-controls");
    form->Hide();
}
