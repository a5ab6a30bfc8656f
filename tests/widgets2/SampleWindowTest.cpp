#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "../forms2/FormsTestSupport.h"
#include "ButtonArt.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "src/gui/graphics/image.h"
#include "widgets/GsButton.h"
#include "widgets/GsEdit.h"
#include "widgets/GsImage.h"
#include "widgets/GsLabel.h"

using namespace forms_test;
using namespace widgets_test;

namespace {

const int kW = 560, kH = 300;

void StyleCaption(GsButton* b, const wchar_t* caption)
{
    b->Font()->SetName(L"Microsoft Sans Serif");
    b->Font()->SetHeight(-13);
    b->Font()->SetStyle(TFontStyles{fsBold});
    b->Font()->SetColor(TColor(0xEFEFEF));
    gs::GsTextRadiationEffect* raised = b->TextEffect()->Raised();
    raised->SetRadius(3);
    raised->SetColor(TColor(0x402008));
    raised->SetOpacity(220);
    gs::GsTextRadiationEffect* hovered = b->TextEffect()->Hovered();
    hovered->SetColor(TColor(0x30C0FF));
    hovered->SetRadius(4);
    hovered->Font()->SetColor(TColor(0x202020));
    b->TextEffect()->Sunken()->Font()->SetColor(TColor(0xD0D0D0));
    b->TextEffect()->Disabled()->SetRadius(0);
    b->SetCaption(caption);
}

GsButton* StateButton(TForm* form, TBitmap* page, int x, const wchar_t* caption)
{
    auto* b = new GsButton(form);
    b->SetParent(form);
    std::unique_ptr<TBitmap> raised(GlossyButtonImage(97, 28, 9, 0xB0702A)),
        hovered(GlossyButtonImage(97, 28, 9, 0xE8A850)), sunken(GlossyButtonImage(97, 28, 9, 0x7A4A1A)),
        disabled(GlossyButtonImage(97, 28, 9, 0x5E5E5E));
    b->Appearance()->SetRaised(raised.get());
    b->Appearance()->SetHovered(hovered.get());
    b->Appearance()->SetSunken(sunken.get());
    b->Appearance()->SetDisabled(disabled.get());
    b->SetLeft(x);
    b->SetTop(230);
    b->SetInputBkgnd(page);
    StyleCaption(b, caption);
    return b;
}

// A round glossy badge with soft alpha.
TBitmap* Badge(int size)
{
    return GlossyButtonImage(size, size, size / 2, 0x2AB070);
}

// The form's client area as it is on the screen.
void Screenshot(TForm* form, TBitmap& shot)
{
    Fill(shot, form->ClientWidth(), form->ClientHeight(), clBlack);
    TPoint o = form->ClientToScreen(TPoint(0, 0));
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, o.x, o.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
}

int Differing(TBitmap* a, TBitmap* b, const TRect& r)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += PixelAt(a, x, y) != PixelAt(b, x, y);
    return n;
}

// A window for a person to look at: build/win64/widgets2-sample.png. Top: the window
// (a glowing title, an alpha badge over the page picture, a row of buttons raised,
// hovered, sunken and disabled). Bottom: a panel button composed with its glowing label
// and an edit into one 32-bit bitmap over the same picture.
TEST(SampleWindow, ButtonsLabelImageAndComposedEdit)
{
    SetUpApplication();
    SetCursorPos(1200, 1000); // far from the window: no real hover
    std::unique_ptr<TBitmap> page(BackgroundPicture(kW, kH));
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetClientWidth(kW);
    form->SetClientHeight(kH);
    form->SetLeft(40);
    form->SetTop(40);

    auto* back = new TImage(form);
    back->SetParent(form);
    back->SetBounds(0, 0, kW, kH);
    back->Picture()->Assign(page.get());

    auto* title = new GsLabel(form);
    title->SetParent(form);
    title->SetTransparent(true);
    title->SetAutoSize(false);
    title->SetBounds(20, 16, 420, 40);
    title->Font()->SetName(L"Microsoft Sans Serif");
    title->Font()->SetHeight(-24);
    title->Font()->SetStyle(TFontStyles{fsBold});
    title->Font()->SetColor(TColor(0xFFFFFF));
    title->Radiation()->SetRadius(5);
    title->Radiation()->SetColor(TColor(0x30C0FF));
    title->SetCaption(L"Build the setup stick");

    auto* badge = new GsImage(form);
    badge->SetParent(form);
    std::unique_ptr<TBitmap> badgeImage(Badge(96));
    badge->Picture()->Assign(badgeImage.get());
    badge->SetBounds(440, 20, 96, 96);
    badge->SetAlphaValue(200);

    GsButton* buttons[4] = {StateButton(form, page.get(), 20, L"Raised"), StateButton(form, page.get(), 140, L"Hovered"),
                            StateButton(form, page.get(), 260, L"Sunken"), StateButton(form, page.get(), 380, L"Disabled")};
    form->Show();
    Pump(200);
    buttons[1]->GetWidget()->MouseMove({}, 10, 10);
    buttons[2]->GetWidget()->MouseMove(TShiftState{ssLeft}, 10, 10);
    buttons[2]->GetWidget()->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    buttons[3]->SetEnabled(false);
    form->Repaint();
    Pump(200);

    TBitmap shot;
    Screenshot(form, shot);
    int states[4];
    for (int i = 0; i < 4; ++i) {
        GsButton* b = buttons[i];
        states[i] = static_cast<gs::WdgButton*>(b->GetWidget())->ShownState();
        // The rounded corner is transparent: the page picture shows through exactly.
        EXPECT_EQ(PixelAt(page.get(), b->Left(), b->Top()), PixelAt(&shot, b->Left(), b->Top())) << i;
        EXPECT_NE(PixelAt(page.get(), b->Left() + 5, b->Top() + 14), PixelAt(&shot, b->Left() + 5, b->Top() + 14))
            << i;
    }
    EXPECT_EQ(0, states[0]);
    EXPECT_EQ(2, states[1]);
    EXPECT_EQ(1, states[2]);
    EXPECT_EQ(3, states[3]);
    TBitmap pageCopy;
    pageCopy.Assign(page.get());
    EXPECT_GT(Differing(&shot, &pageCopy, TRect(20, 16, 440, 56)), 1000) << "the glowing title";
    EXPECT_GT(Differing(&shot, &pageCopy, TRect(440, 20, 536, 116)), 4000) << "the badge";

    // The composed panel: a large button with a label and an edit inside.
    auto* panel = new GsButton(form);
    panel->SetParent(form);
    std::unique_ptr<TBitmap> panelImage(GlossyButtonImage(300, 90, 14, 0x5A3A1A));
    panel->Appearance()->SetRaised(panelImage.get());
    panel->SetLeft(20);
    panel->SetTop(100);
    panel->SetVisible(false); // only composed, never shown
    auto* prompt = new GsLabel(form);
    prompt->SetParent(panel);
    prompt->SetTransparent(true);
    prompt->SetAutoSize(false);
    prompt->SetBounds(14, 10, 270, 22);
    prompt->Font()->SetName(L"Microsoft Sans Serif");
    prompt->Font()->SetHeight(-14);
    prompt->Font()->SetColor(TColor(0xFFFFFF));
    prompt->Radiation()->SetRadius(3);
    prompt->Radiation()->SetColor(TColor(0x000000));
    prompt->SetCaption(L"Save the ISO image to:");
    auto* edit = new GsEdit(form);
    edit->SetParent(panel);
    edit->SetBounds(14, 44, 270, 22);
    edit->SetText(L"C:\\Images\\Win7_USB3.iso");

    TBitmap composite;
    Fill(composite, kW, 130, clBlack);
    gs::CopyBitmapToCanvas(composite.Canvas(), TRect(0, 0, kW, 130), page.get(), TPoint(0, 100));
    panel->SetTop(0);
    panel->ComposeInto(&composite, true, true);
    // The edit landed opaque inside the panel's rectangle.
    TColor editPixel = PixelAt(&composite, 20 + 14 + 200, 44 + 11);
    EXPECT_EQ(ColorToRGB(clWindow) & 0xFFFFFF, editPixel & 0xFFFFFF);

    TBitmap picture;
    Fill(picture, kW, kH + 130, clBlack);
    BitBlt(picture.Canvas()->Handle(), 0, 0, kW, kH, shot.Canvas()->Handle(), 0, 0, SRCCOPY);
    BitBlt(picture.Canvas()->Handle(), 0, kH, kW, 130, composite.Canvas()->Handle(), 0, 0, SRCCOPY);
    EXPECT_TRUE(SavePng(&picture, L"..\\widgets2-sample.png"));
    delete form;
}

} // namespace
