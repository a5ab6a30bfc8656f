#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "../forms2/FormsTestSupport.h"
#include "ButtonArt.h"
#include "src/gui/graphics/image.h"
#include "widgets/GsButton.h"
#include "widgets/GsLabel.h"

using namespace forms_test;
using namespace widgets_test;

namespace {

std::vector<TRACKMOUSEEVENT> g_tracked;
BOOL WINAPI RecordTracking(LPTRACKMOUSEEVENT t) { return g_tracked.push_back(*t), TRUE; }

class Counter : public TObject {
public:
    void Enter(TObject*) { ++enters; }
    void Leave(TObject*) { ++leaves; }
    void Down(TObject*, TMouseButton, TShiftState, int, int) { ++downs; }
    void Click(TObject* s) { modalAtClick = GetParentForm(static_cast<TControl*>(s))->ModalResult(); }
    int enters = 0, leaves = 0, downs = 0, modalAtClick = -1;
};

class ButtonControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpApplication();
        form->SetBounds(60, 60, 400, 300);
        form->Show();
    }
    void TearDown() override
    {
        gs::SetTrackMouseEventFunction(nullptr);
        delete form;
    }
    GsButton* NewButton(TWinControl* parent, int x, int y, TColor colour = 0x3060D0, BYTE alpha = 255)
    {
        auto* b = new GsButton(form);
        b->SetParent(parent);
        b->Appearance()->SetRaised(std::unique_ptr<TBitmap>(SolidImage(60, 24, colour, alpha)).get());
        b->SetLeft(x);
        b->SetTop(y);
        return b;
    }
    TForm* form = new TForm(nullptr);
    Counter counter;
};

TEST_F(ButtonControlTest, TheElementSizesTheControlOnFirstUseAndWithItsRaisedImage)
{
    // A base button whose element is made on first use: AutoSize, set while the object
    // was still the base, must not have reached it.
    struct Plain : GsCustomButton {
        using GsCustomButton::GsCustomButton;
        gs::GsWidget* CreateWidget() override { return new gs::WdgButton; }
    };
    auto* plain = new Plain(form);
    plain->SetParent(form);
    plain->SetBounds(3, 4, 200, 100);
    EXPECT_FALSE(plain->HasWidget());
    plain->GetWidget()->SetWidth(50); // first use: the control takes the element's 0 x 0 first
    plain->AdjustToWidget();
    EXPECT_EQ(TRect(3, 4, 53, 4), plain->BoundsRect());

    GsButton* b = NewButton(form, 5, 6);
    b->SetBounds(5, 6, 300, 10);
    b->Appearance()->SetRaised(std::unique_ptr<TBitmap>(SolidImage(120, 32, clRed)).get());
    EXPECT_EQ(TRect(5, 6, 125, 38), b->BoundsRect());
}

TEST_F(ButtonControlTest, AutoRepeatHoverTimesAndTrackingRecords)
{
    gs::SetTrackMouseEventFunction(&RecordTracking);
    GsButton* b = NewButton(form, 10, 10);
    b->SetRepeated(true);
    b->OnMouseDown = MakeEvent(&counter, &Counter::Down);
    b->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    // Wine never puts MK_LBUTTON into WM_MOUSEHOVER: the test sends the hovers.
    for (int i = 0; i < 11; ++i)
        b->Perform(WM_MOUSEHOVER, MK_LBUTTON, MAKELPARAM(5, 5));
    std::vector<unsigned> times;
    for (auto& t : g_tracked) {
        times.push_back(t.dwHoverTime);
        EXPECT_EQ(sizeof(TRACKMOUSEEVENT), t.cbSize);
        EXPECT_EQ(DWORD(TME_LEAVE | TME_HOVER), t.dwFlags);
    }
    EXPECT_EQ(std::vector<unsigned>({200, 180, 160, 140, 120, 100, 80, 60, 40, 20, 20, 20}), times);
    EXPECT_EQ(12, counter.downs);
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    b->Perform(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(12, counter.downs) << "no button, no repeat";
    EXPECT_EQ(200u, b->HoverTime());

    g_tracked.clear();
    GsButton* plain = NewButton(form, 100, 10);
    plain->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    plain->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(6, 5)); // already hovering: not armed again
    ASSERT_EQ(1u, g_tracked.size());
    EXPECT_EQ(DWORD(TME_LEAVE), g_tracked[0].dwFlags);

    TBitmap probe;
    Fill(probe, 8, 8, clLime); // erasing draws nothing: no flicker
    EXPECT_EQ(1, plain->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(probe.Canvas()->Handle()), 0));
    EXPECT_EQ(clLime, PixelAt(&probe, 4, 4));
}

TEST_F(ButtonControlTest, ARealPointerGivesOneEnterAndOneLeave)
{
    GsButton* b = NewButton(form, 40, 40);
    b->OnMouseEnter = MakeEvent(&counter, &Counter::Enter);
    b->OnMouseLeave = MakeEvent(&counter, &Counter::Leave);
    SetForegroundWindow(form->Handle());
    TPoint outside = form->ClientToScreen(TPoint(250, 200));
    SetCursorPos(outside.x, outside.y);
    Pump(100);
    for (int x = 5; x < 50; x += 10) {
        TPoint p = b->ClientToScreen(TPoint(x, 10));
        SetCursorPos(p.x, p.y);
        Pump(30);
    }
    SetCursorPos(outside.x, outside.y);
    EXPECT_TRUE(PumpUntil([&] { return counter.leaves >= 1; }, 2000));
    Pump(100);
    EXPECT_EQ(1, counter.enters);
    EXPECT_EQ(1, counter.leaves);
    EXPECT_EQ(gs::gbsRaised, b->Element()->ShownState());
}

TEST_F(ButtonControlTest, CacheBackgroundsAndAlpha)
{
    GsButton* b = NewButton(form, 20, 0, 0x204080);
    ASSERT_TRUE(b->CacheDirty());
    TBitmap shot;
    Fill(shot, 1, 1, clBlack);
    b->PaintToBitmap(&shot); // before any paint: rendered, not a copy of nothing
    EXPECT_EQ(0x204080, PixelAt(&shot, 30, 12));
    EXPECT_FALSE(b->CacheDirty());
    b->SetAlphaValue(255);
    EXPECT_TRUE(b->CacheDirty()) << "an element's repaint reaches the cache";

    // Clear image: the background shows through.
    std::unique_ptr<TBitmap> page(SolidImage(400, 300, 0x00AA00));
    GsButton* clear = NewButton(form, 20, 0, clWhite, 0);
    clear->SetParentBackground(true);
    Fill(shot, 60, 24, clFuchsia);
    clear->PaintToBitmap(&shot);
    EXPECT_EQ(clFuchsia, PixelAt(&shot, 5, 5)) << "a form parent and no picture: no background";
    clear->SetInputBkgnd(page.get());
    clear->PaintToBitmap(&shot);
    EXPECT_EQ(0x00AA00, PixelAt(&shot, 5, 5)) << "a form parent: the picture instead";
    GsButton* inner = NewButton(b, 10, 0, clWhite, 0);
    inner->SetParentBackground(true);
    inner->SetInputBkgnd(page.get());
    inner->PaintToBitmap(&shot);
    EXPECT_EQ(0x204080, PixelAt(&shot, 5, 5)) << "a button parent: its rendering";

    // AlphaValue reaches the shown children only.
    GsButton* hidden = NewButton(b, 0, 0);
    hidden->SetVisible(false);
    auto* label = new GsLabel(form);
    label->SetParent(b);
    b->SetAlphaValue(90);
    EXPECT_EQ(TPoint(90, 90), TPoint(inner->AlphaValue(), label->AlphaValue()));
    EXPECT_EQ(255, hidden->AlphaValue());
}

TEST_F(ButtonControlTest, AStateImageRecolouredInPlaceShowsAtTheNextRepaint)
{
    std::unique_ptr<TBitmap> black(SolidImage(400, 300, clBlack));
    for (const wchar_t* caption : {L"", L"Next"}) {
        GsButton* b = NewButton(form, 10, 10, 0x204080);
        b->SetInputBkgnd(black.get());
        b->SetCaption(caption);
        TBitmap shot;
        Fill(shot, 1, 1, clBlack);
        b->PaintToBitmap(&shot);
        ASSERT_EQ(0x204080, PixelAt(&shot, 2, 2));
        // Straight colour written row by row, then premultiplied where it lies: the
        // image object stays the same one.
        TBitmap* raised = b->Appearance()->Raised();
        for (int y = 0; y < raised->Height(); ++y) {
            auto* row = static_cast<unsigned char*>(raised->ScanLine(y));
            for (int x = 0; x < raised->Width(); ++x) {
                unsigned char pixel[4] = {0x40, 0xC0, 0x80, 0x80};
                std::copy(pixel, pixel + 4, row + 4 * x);
            }
        }
        gs::PremultiplyAlpha(raised);
        TColor recoloured = PixelAt(raised, 2, 2);
        b->Invalidate();
        b->PaintToBitmap(&shot);
        EXPECT_EQ(recoloured, PixelAt(&shot, 2, 2)) << "caption \"" << caption << "\"";
    }
}

TEST_F(ButtonControlTest, CompositionClipsAndSkipsHiddenChildren)
{
    GsButton* outer = NewButton(form, 10, 10, 0x101010);
    GsButton* child = NewButton(outer, 20, 4, 0x0000F0);
    child->SetVisible(false);
    TBitmap target;
    Fill(target, 100, 50, clBlack);
    outer->ComposeInto(&target, true, false);
    EXPECT_EQ(0x101010, PixelAt(&target, 35, 20));
    outer->ComposeInto(&target, true, true);
    EXPECT_EQ(0x0000F0, PixelAt(&target, 35, 20));
    EXPECT_EQ(clBlack, PixelAt(&target, 75, 20)) << "cut at the outer button's edge";
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(target.Canvas()->Handle(), rgn)) << "clip restored";
    DeleteObject(rgn);
    Fill(target, 80, 30, clBlack);
    outer->PaintChildren(&target, TPoint(20, 4), true);
    EXPECT_EQ(0x0000F0, PixelAt(&target, 59, 23)) << "the whole target is open to the children";
    EXPECT_EQ(clBlack, PixelAt(&target, 61, 5));
}

TEST_F(ButtonControlTest, ModalResultBeforeClickAndFontReachesTheTextEffect)
{
    GsButton* b = NewButton(form, 10, 10);
    b->OnClick = MakeEvent(&counter, &Counter::Click);
    form->SetModalResult(mrCancel);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(0, counter.modalAtClick) << "set before OnClick";
    b->Font()->SetColor(TColor(0xEFEFEF));
    EXPECT_EQ(TColor(0xEFEFEF), b->TextEffect()->Raised()->Font()->Color());
}

} // namespace
