#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../forms2/FormsTestSupport.h"
#include "ButtonArt.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "widgets/GsButton.h"

using namespace forms_test;
using namespace widgets_test;

namespace {

std::vector<TRACKMOUSEEVENT> g_tracked;

BOOL WINAPI RecordTrackMouseEvent(LPTRACKMOUSEEVENT t)
{
    g_tracked.push_back(*t);
    return TRUE;
}

// Exposes what the tests drive directly.
class TestButton : public GsButton {
public:
    using GsButton::GsButton;
    using GsButton::Dispatch;
    int mouseDowns = 0, enters = 0, leaves = 0;

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        ++mouseDowns;
        GsButton::MouseDown(b, s, x, y);
    }
};

class Counter : public TObject {
public:
    void Enter(TObject*) { ++enters; }
    void Leave(TObject*) { ++leaves; }
    void Click(TObject* sender) { modalAtClick = GetParentForm(static_cast<TControl*>(sender))->ModalResult(); }
    int enters = 0, leaves = 0;
    int modalAtClick = -1;
};

class ButtonControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpApplication();
        form = new TForm(nullptr);
        form->SetBounds(60, 60, 400, 300);
        form->Show();
        g_tracked.clear();
    }
    void TearDown() override
    {
        gs::SetTrackMouseEventFunction(nullptr);
        delete form;
    }
    TestButton* NewButton(TWinControl* parent, int x, int y, TColor colour = 0x3060D0)
    {
        auto* b = new TestButton(form);
        b->SetParent(parent);
        std::unique_ptr<TBitmap> raised(SolidImage(60, 24, colour));
        b->Appearance()->SetRaised(raised.get());
        b->SetLeft(x);
        b->SetTop(y);
        return b;
    }
    TForm* form = nullptr;
};

TEST_F(ButtonControlTest, TheRaisedImageSizesTheControl)
{
    auto* b = new GsButton(form);
    b->SetParent(form);
    b->SetBounds(5, 6, 300, 10);
    std::unique_ptr<TBitmap> raised(SolidImage(120, 32, clRed));
    b->Appearance()->SetRaised(raised.get());
    EXPECT_EQ(TRect(5, 6, 125, 38), b->BoundsRect());
}

TEST_F(ButtonControlTest, HoverTimeSequenceWhileTheLeftButtonStaysDown)
{
    gs::SetTrackMouseEventFunction(&RecordTrackMouseEvent);
    TestButton* b = NewButton(form, 10, 10);
    b->SetRepeated(true);
    b->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    // Wine never puts MK_LBUTTON into WM_MOUSEHOVER itself: send the messages here.
    for (int i = 0; i < 11; ++i) b->Perform(WM_MOUSEHOVER, MK_LBUTTON, MAKELPARAM(5, 5));
    std::vector<unsigned> times;
    for (auto& t : g_tracked) {
        times.push_back(t.dwHoverTime);
        EXPECT_EQ(sizeof(TRACKMOUSEEVENT), t.cbSize);
        EXPECT_EQ(DWORD(TME_LEAVE | TME_HOVER), t.dwFlags);
        EXPECT_EQ(b->Handle(), t.hwndTrack);
    }
    // The first arms on entering; then one re-arm per hover.
    std::vector<unsigned> expected = {200, 180, 160, 140, 120, 100, 80, 60, 40, 20, 20, 20};
    EXPECT_EQ(expected, times);
    EXPECT_EQ(1 + 11, b->mouseDowns);
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(200u, b->HoverTime());
    b->Perform(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5)); // no button: no mouse-down
    EXPECT_EQ(1 + 11, b->mouseDowns);

    g_tracked.clear();
    TestButton* plain = NewButton(form, 100, 10);
    plain->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    plain->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(6, 5)); // hovering: not armed again
    ASSERT_EQ(1u, g_tracked.size());
    EXPECT_EQ(DWORD(TME_LEAVE), g_tracked[0].dwFlags);
}

TEST_F(ButtonControlTest, EraseBackgroundDrawsNothing)
{
    TestButton* b = NewButton(form, 10, 10);
    TBitmap probe;
    probe.SetPixelFormat(pf32bit);
    probe.SetSize(8, 8);
    probe.Canvas()->Brush()->SetColor(clLime);
    probe.Canvas()->FillRect(TRect(0, 0, 8, 8));
    LRESULT r = b->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(probe.Canvas()->Handle()), 0);
    EXPECT_EQ(1, r);
    EXPECT_EQ(clLime, PixelAt(&probe, 4, 4));
}

TEST_F(ButtonControlTest, RealPointerGivesOneEnterAndOneLeave)
{
    TestButton* b = NewButton(form, 40, 40);
    Counter counter;
    b->OnMouseEnter = MakeEvent(&counter, &Counter::Enter);
    b->OnMouseLeave = MakeEvent(&counter, &Counter::Leave);
    SetForegroundWindow(form->Handle());
    Pump(100);
    TPoint outside = form->ClientToScreen(TPoint(250, 200));
    SetCursorPos(outside.x, outside.y);
    Pump(50);
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
    EXPECT_EQ(0, b->Element()->ShownState()) << "raised again after the leave";
}

TEST_F(ButtonControlTest, CacheStartsDirtyAndFollowsInvalidate)
{
    TestButton* b = NewButton(form, 10, 10, 0x204080);
    ASSERT_TRUE(b->CacheDirty());
    TBitmap shot;
    shot.SetPixelFormat(pf32bit);
    b->PaintToBitmap(&shot); // before any paint: rendered, not an empty copy
    ASSERT_EQ(60, shot.Width());
    EXPECT_EQ(0x204080, PixelAt(&shot, 30, 12));
    EXPECT_FALSE(b->CacheDirty());
    TBitmap again;
    b->PaintToBitmap(&again);
    EXPECT_EQ(0x204080, PixelAt(&again, 30, 12));
    b->Invalidate();
    EXPECT_TRUE(b->CacheDirty());
    b->SetAlphaValue(255);
    EXPECT_TRUE(b->CacheDirty()) << "an element change reaches the cache";
}

TEST_F(ButtonControlTest, BackgroundSources)
{
    std::unique_ptr<TBitmap> page(SolidImage(400, 300, 0x00AA00));
    // Transparent image: whatever background the button takes shows through.
    auto* b = new GsButton(form);
    b->SetParent(form);
    std::unique_ptr<TBitmap> clear(SolidImage(30, 20, clWhite, 0));
    b->Appearance()->SetRaised(clear.get());
    b->SetLeft(20);
    b->SetParentBackground(true);
    TBitmap shot;
    Fill(shot, 30, 20, clFuchsia);
    b->PaintToBitmap(&shot);
    EXPECT_EQ(clFuchsia, PixelAt(&shot, 5, 5)) << "form parent, no picture: no background";
    b->SetInputBkgnd(page.get());
    b->PaintToBitmap(&shot);
    EXPECT_EQ(0x00AA00, PixelAt(&shot, 5, 5)) << "form parent: the picture instead";

    // A button inside a button takes the parent's rendering under it.
    TestButton* outer = NewButton(form, 100, 100, 0x8000FF);
    auto* inner = new GsButton(form);
    inner->SetParent(outer);
    inner->Appearance()->SetRaised(clear.get());
    inner->SetLeft(10);
    inner->SetParentBackground(true);
    inner->SetInputBkgnd(page.get());
    inner->PaintToBitmap(&shot);
    EXPECT_EQ(0x8000FF, PixelAt(&shot, 5, 5));
}

TEST_F(ButtonControlTest, AlphaValueReachesVisibleChildButtons)
{
    TestButton* outer = NewButton(form, 10, 10);
    TestButton* shown = NewButton(outer, 0, 0);
    TestButton* hidden = NewButton(outer, 0, 0);
    hidden->SetVisible(false);
    auto* other = new TPanel(form); // not a button: skipped
    other->SetParent(outer);
    outer->SetAlphaValue(90);
    EXPECT_EQ(90, outer->AlphaValue());
    EXPECT_EQ(90, shown->AlphaValue());
    EXPECT_EQ(255, hidden->AlphaValue());
}

TEST_F(ButtonControlTest, ComposeSkipsHiddenChildrenUnlessForced)
{
    TestButton* outer = NewButton(form, 10, 10, 0x101010);
    TestButton* child = NewButton(outer, 20, 4, 0x0000F0);
    child->SetVisible(false);
    TBitmap target;
    Fill(target, 100, 50, clBlack);
    outer->ComposeInto(&target, true, false);
    EXPECT_EQ(0x101010, PixelAt(&target, 10 + 25, 10 + 10));
    outer->ComposeInto(&target, true, true);
    EXPECT_EQ(0x0000F0, PixelAt(&target, 10 + 25, 10 + 10));
    // Clipped to the composite's own rectangle: nothing lands outside the outer button.
    EXPECT_EQ(clBlack, PixelAt(&target, 75, 20));
    HDC dc = target.Canvas()->Handle();
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(dc, rgn)) << "clip restored";
    DeleteObject(rgn);

    // Children only, seen from an offset.
    TBitmap part;
    Fill(part, 80, 30, clBlack);
    outer->PaintChildren(&part, TPoint(20, 4), true);
    EXPECT_EQ(0x0000F0, PixelAt(&part, 5, 5));
    EXPECT_EQ(0x0000F0, PixelAt(&part, 59, 23)) << "the whole target is open to the children";
    EXPECT_EQ(clBlack, PixelAt(&part, 61, 5));
}

TEST_F(ButtonControlTest, ClickSetsTheFormsModalResultFirst)
{
    TestButton* b = NewButton(form, 10, 10);
    Counter counter;
    b->OnClick = MakeEvent(&counter, &Counter::Click);
    form->SetModalResult(mrCancel);
    b->SetModalResult(0);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(0, counter.modalAtClick);
    b->SetModalResult(mrOk);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(mrOk, form->ModalResult());
}

TEST_F(ButtonControlTest, FontAndCaption)
{
    TestButton* b = NewButton(form, 10, 10);
    b->Font()->SetName(L"Microsoft Sans Serif");
    b->Font()->SetColor(TColor(0xEFEFEF));
    EXPECT_EQ(TColor(0xEFEFEF), b->TextEffect()->Raised()->Font()->Color());
    EXPECT_EQ(String(L"Microsoft Sans Serif"), b->TextEffect()->Raised()->Font()->Name());
    b->SetCaption(L"Next");
    EXPECT_EQ(String(L"Next"), b->Caption());
    EXPECT_EQ(String(L""), b->Text()) << "the control's own text is another thing";
}

} // namespace
