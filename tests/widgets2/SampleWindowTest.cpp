#include <gtest/gtest.h>

#include <memory>

#include "../forms2/FormsTestSupport.h"
#include "../widgets/WidgetPixels.h"
#include "ButtonArt.h"
#include "forms/ExtCtrls.h"
#include "src/gui/graphics/image.h"
#include "widgets/GsButton.h"
#include "widgets/GsEdit.h"
#include "widgets/GsImage.h"
#include "widgets/GsLabel.h"

using namespace widgets_test;

namespace {

GsLabel* GlowLabel(TForm* form, TWinControl* parent, const TRect& r, int height, const wchar_t* caption)
{
    auto* l = new GsLabel(form);
    l->SetParent(parent);
    l->SetTransparent(true);
    l->SetAutoSize(false);
    l->SetBoundsRect(r);
    l->Font()->SetName(L"Microsoft Sans Serif");
    l->Font()->SetHeight(height);
    l->Font()->SetColor(clWhite);
    l->Radiation()->SetRadius(height < -20 ? 5 : 3);
    l->Radiation()->SetColor(height < -20 ? TColor(0x30C0FF) : clBlack);
    l->SetCaption(caption);
    return l;
}

GsButton* StateButton(TForm* form, TBitmap* page, int x, const wchar_t* caption)
{
    auto* b = new GsButton(form);
    b->SetParent(form);
    const TColor colours[4] = {0xB0702A, 0x7A4A1A, 0xE8A850, 0x5E5E5E}; // raised, sunken, hovered, disabled
    for (int s = 0; s < 4; ++s)
        b->Appearance()->SetImage(s,
                                  std::unique_ptr<TBitmap>(GlossyButtonImage(97, 28, 9, colours[s])).get());
    b->SetBounds(x, 230, 97, 28);
    b->SetInputBkgnd(page);
    b->Font()->SetName(L"Microsoft Sans Serif");
    b->Font()->SetHeight(-13);
    b->Font()->SetStyle(TFontStyles{fsBold});
    b->Font()->SetColor(TColor(0xEFEFEF));
    b->TextEffect()->Raised()->SetRadius(3);
    b->TextEffect()->Raised()->SetColor(TColor(0x402008));
    b->TextEffect()->Hovered()->SetColor(TColor(0x30C0FF));
    b->TextEffect()->Hovered()->Font()->SetColor(TColor(0x202020));
    b->TextEffect()->Disabled()->SetRadius(0);
    b->SetCaption(caption);
    return b;
}

// A window for a person to look at: build/win64/widgets2-sample.png. Top: the window with
// a glowing title, an alpha badge over the page picture and buttons raised, hovered,
// sunken and disabled. Below: a panel button composed with a glowing label and an edit.
TEST(SampleWindow, ButtonsLabelImageAndComposedEdit)
{
    forms_test::SetUpApplication();
    SetCursorPos(1200, 1000); // far from the window: no real hover
    const int w = 560, h = 300;
    std::unique_ptr<TBitmap> page(BackgroundPicture(w, h));
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetClientWidth(w);
    form->SetClientHeight(h);
    auto* back = new TImage(form);
    back->SetParent(form);
    back->SetBounds(0, 0, w, h);
    back->Picture()->Assign(page.get());
    GlowLabel(form, form, TRect(20, 16, 440, 56), -24, L"Build the setup stick");
    auto* badge = new GsImage(form);
    badge->SetParent(form);
    badge->Picture()->Assign(std::unique_ptr<TBitmap>(GlossyButtonImage(96, 96, 48, 0x2AB070)).get());
    badge->SetBounds(440, 20, 96, 96);
    badge->SetAlphaValue(200);
    GsButton* buttons[4] = {
        StateButton(form, page.get(), 20, L"Raised"), StateButton(form, page.get(), 140, L"Hovered"),
        StateButton(form, page.get(), 260, L"Sunken"), StateButton(form, page.get(), 380, L"Disabled")};
    form->Show();
    buttons[1]->GetWidget()->MouseMove({}, 10, 10);
    buttons[2]->GetWidget()->MouseDown(mbLeft, {ssLeft}, 10, 10);
    buttons[2]->GetWidget()->MouseMove({ssLeft}, 10, 10);
    buttons[3]->SetEnabled(false);
    form->Repaint();
    forms_test::Pump(300);

    TBitmap shot;
    Fill(shot, w, h + 130, clBlack);
    TPoint o = form->ClientToScreen(TPoint(0, 0));
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, w, h, screen, o.x, o.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    for (int i = 0; i < 4; ++i) {
        GsButton* b = buttons[i];
        EXPECT_EQ(i == 0 ? 0 : i == 1 ? 2 : i == 2 ? 1 : 3, b->Element()->ShownState());
        // The rounded corner is clear: the page shows through exactly; the middle is the button.
        EXPECT_EQ(PixelAt(page.get(), b->Left(), b->Top()), PixelAt(&shot, b->Left(), b->Top())) << i;
        EXPECT_NE(PixelAt(page.get(), b->Left() + 5, b->Top() + 14),
                  PixelAt(&shot, b->Left() + 5, b->Top() + 14));
    }
    EXPECT_NE(PixelAt(page.get(), 488, 68), PixelAt(&shot, 488, 68)) << "the badge";

    // The panel: only composed, never shown.
    auto* panel = new GsButton(form);
    panel->SetParent(form);
    panel->SetVisible(false);
    panel->Appearance()->SetRaised(std::unique_ptr<TBitmap>(GlossyButtonImage(300, 90, 14, 0x5A3A1A)).get());
    panel->SetLeft(20);
    GlowLabel(form, panel, TRect(14, 10, 284, 32), -14, L"Save the ISO image to:");
    auto* edit = new GsEdit(form);
    edit->SetParent(panel);
    edit->SetBounds(14, 44, 270, 22);
    edit->SetText(L"C:\\Images\\Win7_USB3.iso");
    HDC dc = shot.Canvas()->Handle();
    gs::CopyBitmapToCanvas(shot.Canvas(), TRect(0, h, w, h + 130), page.get(), TPoint(0, 100));
    SetViewportOrgEx(dc, 0, h + 20, nullptr);
    panel->ComposeInto(&shot, true, true);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(ColorToRGB(clWindow) & 0xFFFFFF, PixelAt(&shot, 20 + 14 + 200, h + 20 + 44 + 11))
        << "the edit, opaque";
    SavePicture(&shot, L"widgets2-sample");
    delete form;
}

} // namespace
