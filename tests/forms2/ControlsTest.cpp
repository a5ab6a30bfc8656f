#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/FormsInternal.h"
#include "forms/StdCtrls.h"

using namespace forms_test;

namespace {

LPARAM Pt(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpApplication();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 400, 300);
        form->Show();
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
};

// Records the order of its own mouse events and where the capture was at the click.
class ProbeControl : public TCustomControl {
public:
    explicit ProbeControl(TComponent* owner, EventLog* log) : TCustomControl(owner), m_log(log) {}
    HWND captureAtClick = reinterpret_cast<HWND>(-1);
    int moveX = 0, moveY = 0;
    bool paintCalled = false;
    using TControl::SetControlStyle;

protected:
    void Click() override
    {
        captureAtClick = GetCapture();
        TCustomControl::Click();
    }
    void MouseMove(TShiftState shift, int x, int y) override
    {
        moveX = x;
        moveY = y;
        TCustomControl::MouseMove(shift, x, y);
    }
    void Paint() override { paintCalled = true; }

private:
    EventLog* m_log;
};

void Bind(TControl* c, EventLog& log)
{
    c->OnClick = MakeEvent(&log, &EventLog::Click);
    c->OnDblClick = MakeEvent(&log, &EventLog::DblClick);
    c->OnMouseDown = MakeEvent(&log, &EventLog::MouseDown);
    c->OnMouseUp = MakeEvent(&log, &EventLog::MouseUp);
}

TEST_F(ControlsTest, PressCapturesAndReleaseInsideClicksAfterReleasingTheCapture)
{
    EventLog log;
    auto* c = new ProbeControl(form, &log);
    c->SetParent(form);
    c->SetBounds(10, 10, 100, 40);
    Bind(c, log);
    HWND h = c->Handle();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(5, 6));
    EXPECT_EQ(h, GetCapture());
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(7, 8));
    EXPECT_EQ(nullptr, c->captureAtClick);
    EXPECT_EQ("down0(5,6),click,up0(7,8)", log.Joined());

    // Released outside: no click, but the mouse-up still arrives.
    log.entries.clear();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(5, 6));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(-5, -7));
    EXPECT_EQ(-5, c->moveX);
    EXPECT_EQ(-7, c->moveY);
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(-5, -7));
    EXPECT_EQ("down0(5,6),up0(-5,-7)", log.Joined());
    EXPECT_EQ(nullptr, GetCapture());

    // The right button neither captures nor clicks.
    log.entries.clear();
    SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, Pt(1, 1));
    SendMessageW(h, WM_RBUTTONUP, 0, Pt(1, 1));
    EXPECT_EQ("down1(1,1),up1(1,1)", log.Joined());
}

TEST_F(ControlsTest, DoubleClicksOnlyForControlsThatTakeThem)
{
    EventLog log;
    auto* c = new ProbeControl(form, &log);
    c->SetParent(form);
    c->SetBounds(10, 10, 100, 40);
    Bind(c, log);
    HWND h = c->Handle();
    auto clickTwice = [&] {
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(5, 5));
        SendMessageW(h, WM_LBUTTONUP, 0, Pt(5, 5));
        SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(5, 5));
        SendMessageW(h, WM_LBUTTONUP, 0, Pt(5, 5));
    };
    clickTwice();
    EXPECT_EQ("down0(5,5),click,up0(5,5),dblclick,down0d(5,5),up0(5,5)", log.Joined());

    log.entries.clear();
    c->SetControlStyle(c->ControlStyle() >> csDoubleClicks);
    clickTwice();
    EXPECT_EQ("down0(5,5),click,up0(5,5),down0(5,5),click,up0(5,5)", log.Joined());
}

TEST_F(ControlsTest, GraphicControlsGetTheMouseThroughTheirParentWithTheirOwnCoordinates)
{
    EventLog log;
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(20, 20, 200, 100);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    label->SetAutoSize(false);
    label->SetBounds(30, 40, 50, 20);
    Bind(label, log);
    HWND h = panel->Handle();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(35, 45));
    EXPECT_EQ(h, GetCapture());
    // Captured: a move far outside still goes to the label.
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(40, 50));
    EXPECT_EQ("down0(5,5),click,up0(10,10)", log.Joined());

    // A hidden or disabled label is not hit: the panel gets the press.
    EventLog panelLog;
    Bind(panel, panelLog);
    label->SetEnabled(false);
    log.entries.clear();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(35, 45));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(35, 45));
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ("down0(35,45),click,up0(35,45)", panelLog.Joined());
}

TEST_F(ControlsTest, CheckedFiresOnClickOnlyWhenItChanges)
{
    EventLog log;
    auto* box = new TCheckBox(form);
    box->SetParent(form);
    box->SetCaption(L"&I agree");
    box->OnClick = MakeEvent(&log, &EventLog::Click);
    box->SetChecked(true);
    box->SetChecked(true);
    EXPECT_EQ("click", log.Joined());
    EXPECT_EQ(BST_CHECKED, SendMessageW(box->Handle(), BM_GETCHECK, 0, 0));
    // The user's click toggles through the same setter: one OnClick.
    log.entries.clear();
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ("click", log.Joined());
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(box->Handle(), BM_GETCHECK, 0, 0));
}

TEST_F(ControlsTest, ItemIndexSetByCodeIsSilentAndAUserChoiceFiresOnChange)
{
    EventLog log;
    TObject data1, data2;
    auto* box = new TComboBox(form);
    box->SetStyle(csDropDownList);
    box->OnChange = MakeEvent(&log, &EventLog::Change);
    // Items before the window exists, with their data.
    box->Items()->Insert(0, L"first");
    box->Items()->AddObject(L"second", &data2);
    box->Items()->PutObject(0, &data1);
    box->SetItemIndex(0);
    box->SetParent(form);
    EXPECT_EQ(0, box->ItemIndex());
    EXPECT_EQ(String(L"first"), box->Text());
    box->SetItemIndex(1);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(String(L"second"), box->Text());
    EXPECT_EQ(&data2, box->Items()->Objects(box->ItemIndex()));

    SendMessageW(box->Handle(), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ("change", log.Joined());
    EXPECT_EQ(0, box->ItemIndex());
    EXPECT_EQ(String(L"first"), box->Text());

    box->Items()->Clear();
    EXPECT_EQ(-1, box->ItemIndex());
    box->Items()->Add(L"note");
    box->SetItemIndex(0);
    EXPECT_EQ(String(L"note"), box->Text());
}

TEST_F(ControlsTest, ControlsWithoutTheirOwnFontFollowTheParentsFont)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* follower = new TLabel(form);
    follower->SetParent(panel);
    auto* own = new TLabel(form);
    own->SetParent(panel);
    own->Font()->SetName(L"Tahoma");
    own->Font()->SetHeight(-13);
    EXPECT_FALSE(own->ParentFont());

    form->Font()->SetName(L"MS UI Gothic");
    EXPECT_EQ(String(L"MS UI Gothic"), panel->Font()->Name());
    EXPECT_EQ(String(L"MS UI Gothic"), follower->Font()->Name());
    EXPECT_TRUE(follower->ParentFont());
    EXPECT_EQ(String(L"Tahoma"), own->Font()->Name());
    EXPECT_EQ(-13, own->Font()->Height());

    // A control given its own font stops following.
    panel->Font()->SetHeight(-16);
    form->Font()->SetName(L"Microsoft Sans Serif");
    EXPECT_EQ(String(L"MS UI Gothic"), panel->Font()->Name());
    EXPECT_EQ(-16, follower->Font()->Height());

    // A child added later takes the parent's font at once.
    auto* late = new TEdit(form);
    late->SetParent(panel);
    EXPECT_EQ(-16, late->Font()->Height());
}

class ToolForm : public TForm {
public:
    explicit ToolForm(TComponent* owner) : TForm(owner) {}

protected:
    void CreateParams(TCreateParams& p) override
    {
        TForm::CreateParams(p);
        p.ExStyle &= ~WS_EX_APPWINDOW;
        p.ExStyle |= WS_EX_TOOLWINDOW;
    }
};

TEST_F(ControlsTest, WindowsAreMadeOnDemandThroughTheDerivedCreateParams)
{
    auto* tool = new ToolForm(nullptr);
    auto* edit = new TEdit(tool);
    edit->SetParent(tool);
    EXPECT_FALSE(tool->HandleAllocated());
    EXPECT_FALSE(edit->HandleAllocated());
    HWND h = edit->Handle();
    ASSERT_TRUE(h);
    EXPECT_TRUE(tool->HandleAllocated());
    EXPECT_EQ(tool->Handle(), GetParent(h));
    EXPECT_TRUE(GetWindowLongW(tool->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(edit, TWinControl::FindControl(h));
    // The client size is the same before and after the window exists.
    auto* sized = new ToolForm(nullptr);
    sized->SetBorderStyle(bsDialog);
    sized->SetClientWidth(712);
    sized->SetClientHeight(302);
    sized->HandleNeeded();
    EXPECT_EQ(712, sized->ClientWidth());
    EXPECT_EQ(302, sized->ClientHeight());
    delete sized;
    delete tool;
}

class SizeProbe : public TCustomControl {
public:
    explicit SizeProbe(TComponent* owner) : TCustomControl(owner) {}
    int maxWidth = 1000;
    int autoWidth = -1, autoHeight = -1;
    int resizes = 0;

protected:
    bool CanResize(int& w, int&) override { return w <= maxWidth; }
    bool CanAutoSize(int& w, int& h) override
    {
        if (autoWidth < 0)
            return true;
        w = autoWidth;
        h = autoHeight;
        return true;
    }
    void Resize() override { ++resizes; }
};

TEST_F(ControlsTest, SetBoundsNegotiatesTheSize)
{
    auto* c = new SizeProbe(form);
    c->SetParent(form);
    c->SetBounds(1, 2, 50, 20);
    c->maxWidth = 100;
    c->SetBounds(5, 6, 200, 30);
    EXPECT_EQ(TRect(1, 2, 51, 22), c->BoundsRect()) << "a refused size keeps the position too";
    int resizes = c->resizes;
    c->SetBounds(7, 8, 50, 20);
    EXPECT_EQ(resizes, c->resizes) << "a move alone is no resize";

    c->autoWidth = 80;
    c->autoHeight = 32;
    c->SetAutoSize(true);
    EXPECT_EQ(80, c->Width());
    EXPECT_EQ(32, c->Height());
    c->SetBounds(7, 8, 10, 10);
    EXPECT_EQ(80, c->Width()) << "CanAutoSize's answer wins";
    RECT r;
    GetWindowRect(c->Handle(), &r);
    EXPECT_EQ(80, r.right - r.left);
}

TEST_F(ControlsTest, LabelsSizeThemselvesToTheirCaption)
{
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(L"A short one");
    int shortWidth = label->Width();
    label->SetCaption(L"A much longer caption than before");
    EXPECT_GT(label->Width(), shortWidth);
    int oneLine = label->Height();
    label->SetCaption(L"two\nlines");
    EXPECT_GT(label->Height(), oneLine);
    // Right aligned: the right edge stays.
    label->SetAlignment(taRightJustify);
    label->SetCaption(L"x");
    int right = label->Left() + label->Width();
    label->SetCaption(L"wider text");
    EXPECT_EQ(right, label->Left() + label->Width());
    // Without AutoSize the bounds stay.
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 30, 10);
    label->SetCaption(L"much much wider text again");
    EXPECT_EQ(30, label->Width());
}

TEST_F(ControlsTest, AKeySetToZeroStopsDefaultHandling)
{
    struct Swallow : TObject {
        void KeyPress(TObject*, wchar_t& key)
        {
            if (key == L'x')
                key = 0;
        }
        std::vector<WORD> formKeys;
        void FormKeyDown(TObject*, WORD& key, TShiftState) { formKeys.push_back(key); }
    } swallow;
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->OnKeyPress = MakeEvent(&swallow, &Swallow::KeyPress);
    HWND h = edit->Handle();
    SendMessageW(h, WM_CHAR, L'x', 1);
    SendMessageW(h, WM_CHAR, L'y', 1);
    EXPECT_EQ(String(L"y"), edit->Text());

    // With KeyPreview the form sees the key first.
    form->SetKeyPreview(true);
    form->OnKeyDown = MakeEvent(&swallow, &Swallow::FormKeyDown);
    SendMessageW(h, WM_KEYDOWN, VK_F5, 1);
    ASSERT_EQ(1u, swallow.formKeys.size());
    EXPECT_EQ(VK_F5, swallow.formKeys[0]);
}

TEST_F(ControlsTest, TabMovesTheFocusInTabOrder)
{
    auto* a = new TEdit(form);
    auto* b = new TEdit(form);
    auto* c = new TEdit(form);
    a->SetParent(form);
    b->SetParent(form);
    c->SetParent(form);
    a->SetTop(0);
    b->SetTop(30);
    c->SetTop(60);
    c->SetTabOrder(0);
    EXPECT_EQ(0, c->TabOrder());
    EXPECT_EQ(1, a->TabOrder());
    SetForegroundWindow(form->Handle());
    c->SetFocus();
    ASSERT_TRUE(c->Focused());
    SendMessageW(c->Handle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(a->Focused());
    b->SetTabStop(false);
    SendMessageW(a->Handle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(c->Focused());
}

TEST_F(ControlsTest, DestroyingAControlDetachesItFromParentAndOwner)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    edit->HandleNeeded();
    int owned = form->ComponentCount();
    delete label;
    EXPECT_EQ(1, panel->ControlCount());
    EXPECT_EQ(owned - 1, form->ComponentCount());
    // A windowed child freed on its own leaves the tab order too.
    auto* other = new TEdit(form);
    other->SetParent(panel);
    auto* last = new TEdit(form);
    last->SetParent(panel);
    delete other;
    EXPECT_EQ(1, last->TabOrder());
    panel->SelectNext(edit, true, true);
    // The panel frees its children, which leave their owner's list.
    HWND editWindow = edit->Handle();
    delete panel;
    EXPECT_EQ(owned - 3, form->ComponentCount());
    EXPECT_FALSE(IsWindow(editWindow));
    EXPECT_EQ(0, form->ControlCount());
}

TEST_F(ControlsTest, MemoLinesAndReadOnly)
{
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetScrollBars(ssVertical);
    memo->SetReadOnly(true);
    memo->Lines()->Clear();
    memo->Lines()->Add(L"first line");
    memo->Lines()->Add(L"second line");
    EXPECT_EQ(2, memo->Lines()->Count());
    EXPECT_EQ(String(L"second line"), memo->Lines()->Strings(1));
    EXPECT_EQ(String(L"first line\r\nsecond line\r\n"), memo->Text());
    EXPECT_TRUE(GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
    SendMessageW(memo->Handle(), WM_CHAR, L'z', 1);
    EXPECT_EQ(2, memo->Lines()->Count());
}

TEST_F(ControlsTest, PaintToDrawsAnEditIntoABitmap)
{
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(0, 0, 120, 24);
    edit->SetText(L"WWWWWW");
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(120, 24);
    bmp.Canvas()->Brush()->SetColor(clRed);
    bmp.Canvas()->FillRect(TRect(0, 0, 120, 24));
    edit->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    GdiFlush();
    int notRed = 0, dark = 0;
    for (int y = 0; y < 24; ++y) {
        auto* p = static_cast<unsigned char*>(bmp.ScanLine(y));
        for (int x = 0; x < 120; ++x, p += 4) {
            if (!(p[2] == 255 && p[1] == 0 && p[0] == 0))
                ++notRed;
            if (p[0] < 80 && p[1] < 80 && p[2] < 80)
                ++dark;
        }
    }
    EXPECT_GT(notRed, 120 * 24 / 2);
    EXPECT_GT(dark, 20) << "the text is drawn";
}

TEST_F(ControlsTest, ProgressBarKeepsItsPositionInRange)
{
    auto* bar = new TProgressBar(form);
    bar->SetParent(form);
    bar->SetPosition(150);
    EXPECT_EQ(100, bar->Position());
    EXPECT_EQ(100, SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0));
    bar->SetPosition(37);
    EXPECT_EQ(37, SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0));
}

TEST_F(ControlsTest, TimerTicksWhileEnabled)
{
    EventLog log;
    auto* timer = new TTimer(form);
    timer->SetEnabled(false);
    timer->SetInterval(30);
    timer->OnTimer = MakeEvent(&log, &EventLog::Timer);
    Pump(120);
    EXPECT_TRUE(log.entries.empty());
    timer->SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return log.entries.size() >= 3; }));
    timer->SetEnabled(false);
    Pump(50);
    size_t n = log.entries.size();
    Pump(120);
    EXPECT_EQ(n, log.entries.size());
}

TEST_F(ControlsTest, ATimerMadeEnabledTicksWithoutBeingSetAgain)
{
    EventLog log;
    auto* timer = new TTimer(form);
    timer->OnTimer = MakeEvent(&log, &EventLog::Timer);
    EXPECT_TRUE(PumpUntil([&] { return !log.entries.empty(); }, 2500))
        << "a default timer ticks every second";
}

TEST_F(ControlsTest, ImageTakesThePictureSizeWithAutoSize)
{
    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetAutoSize(true);
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(64, 48);
    image->Picture()->Assign(&bmp);
    EXPECT_EQ(64, image->Width());
    EXPECT_EQ(48, image->Height());
}

// Paints a rectangle far larger than itself: only its own area may show it.
class Splash : public TGraphicControl {
public:
    explicit Splash(TComponent* owner) : TGraphicControl(owner) {}

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(TRect(-100, -100, 1000, 1000));
        Canvas()->Brush()->SetColor(clBlue);
        Canvas()->FillRect(TRect(0, 0, 1, 1));
    }
};

TEST_F(ControlsTest, GraphicChildrenPaintClippedToTheirBoundsAtTheirOrigin)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetBounds(0, 0, 100, 80);
    auto* splash = new Splash(form);
    splash->SetParent(panel);
    splash->SetBounds(10, 20, 30, 40);
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(100, 80);
    panel->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    GdiFlush();
    auto pixel = [&](int x, int y) { return *(static_cast<uint32_t*>(bmp.ScanLine(y)) + x) & 0xFFFFFF; };
    EXPECT_EQ(0x0000FFu, pixel(10, 20)) << "the child's origin";
    EXPECT_EQ(0xFF0000u, pixel(11, 21));
    EXPECT_EQ(0xFF0000u, pixel(39, 59));
    EXPECT_EQ(0xFFFFFFu, pixel(9, 20));
    EXPECT_EQ(0xFFFFFFu, pixel(40, 59));
    EXPECT_EQ(0xFFFFFFu, pixel(39, 60));
    EXPECT_EQ(0xFFFFFFu, pixel(5, 5));
}

TEST_F(ControlsTest, ABevelKindBorderLiesOutsideTheClientArea)
{
    // A child at 0, 0 painting its whole area leaves the etched border alone.
    auto* panel = new TPanel(form);
    panel->SetBevelKind(bkTile);
    panel->SetBounds(0, 0, 100, 80);
    panel->SetParent(form);
    EXPECT_EQ(TRect(0, 0, 96, 76), panel->ClientRect());
    auto* splash = new Splash(form);
    splash->SetParent(panel);
    splash->SetBounds(0, 0, 200, 200);
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(100, 80);
    panel->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    auto pixel = [&](int x, int y) { return *(static_cast<uint32_t*>(bmp.ScanLine(y)) + x) & 0xFFFFFF; };
    for (TPoint edge : {TPoint(0, 0), TPoint(50, 1), TPoint(1, 40), TPoint(98, 40), TPoint(50, 78)})
        EXPECT_NE(0xFF0000u, pixel(edge.x, edge.y)) << edge.x << ", " << edge.y;
    EXPECT_EQ(0x0000FFu, pixel(2, 2)) << "the child's origin, inside the border";
}

TEST_F(ControlsTest, ASplitterIsABarInItsColour)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetBounds(0, 0, 100, 80);
    auto* line = new TSplitter(form);
    line->SetParent(panel);
    line->SetBounds(16, 54, 60, 1);
    line->SetColor(clGray);
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(100, 80);
    panel->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    GdiFlush();
    auto pixel = [&](int x, int y) { return *(static_cast<uint32_t*>(bmp.ScanLine(y)) + x) & 0xFFFFFF; };
    EXPECT_EQ(0x808080u, pixel(16, 54));
    EXPECT_EQ(0x808080u, pixel(75, 54));
    EXPECT_EQ(0xFFFFFFu, pixel(76, 54));
    EXPECT_EQ(0xFFFFFFu, pixel(16, 53));
    EXPECT_EQ(0xFFFFFFu, pixel(16, 55));
}

class EnterLeave : public TObject {
public:
    std::vector<std::string> log;
    void EnterA(TObject*) { log.push_back("enter a"); }
    void LeaveA(TObject*) { log.push_back("leave a"); }
    void EnterB(TObject*) { log.push_back("enter b"); }
    void LeaveB(TObject*) { log.push_back("leave b"); }
};

TEST_F(ControlsTest, MouseEnterAndLeaveFollowTheControlUnderTheMouse)
{
    EnterLeave probe;
    auto* a = new TLabel(form);
    a->SetParent(form);
    a->SetAutoSize(false);
    a->SetBounds(0, 0, 50, 20);
    a->OnMouseEnter = MakeEvent(&probe, &EnterLeave::EnterA);
    a->OnMouseLeave = MakeEvent(&probe, &EnterLeave::LeaveA);
    auto* b = new TEdit(form);
    b->SetParent(form);
    b->SetBounds(0, 40, 50, 20);
    b->OnMouseEnter = MakeEvent(&probe, &EnterLeave::EnterB);
    b->OnMouseLeave = MakeEvent(&probe, &EnterLeave::LeaveB);
    // Keep the real pointer away from the form.
    SetCursorPos(5, 5);
    Pump(50);
    probe.log.clear();
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, Pt(6, 6));
    SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, Pt(5, 30));
    ASSERT_EQ(4u, probe.log.size());
    EXPECT_EQ("enter a", probe.log[0]);
    EXPECT_EQ("leave a", probe.log[1]);
    EXPECT_EQ("enter b", probe.log[2]);
    EXPECT_EQ("leave b", probe.log[3]);
}

TEST_F(ControlsTest, HintsBecomeToolTipsWhileShowHintHolds)
{
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(form);
    edit->HandleNeeded();
    HWND tip = forms_internal::ToolTipWindow();
    LRESULT before = SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0);
    edit->SetHint(L"Brower Folder");
    EXPECT_EQ(before, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0)) << "no tool without ShowHint";
    edit->SetShowHint(true);
    EXPECT_EQ(before + 1, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    // A label follows the form's ShowHint through ParentShowHint.
    label->SetHint(L"label hint");
    form->SetShowHint(true);
    EXPECT_TRUE(label->ShowHint());
    EXPECT_EQ(before + 2, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    edit->SetShowHint(false);
    delete label;
    EXPECT_EQ(before, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(ControlsTest, FocusChangesFireEnterAndExit)
{
    EventLog log;
    auto* a = new TEdit(form);
    auto* b = new TEdit(form);
    a->SetParent(form);
    b->SetParent(form);
    b->SetTop(30);
    a->OnEnter = MakeEvent(&log, &EventLog::Enter);
    a->OnExit = MakeEvent(&log, &EventLog::Exit);
    SetForegroundWindow(form->Handle());
    a->SetFocus();
    b->SetFocus();
    EXPECT_EQ("enter,exit", log.Joined());
}

// Records the calls of the label's paint.
class LabelProbe : public TLabel {
public:
    explicit LabelProbe(TComponent* owner) : TLabel(owner) {}
    struct Call {
        TRect rect;
        unsigned flags;
    };
    std::vector<Call> calls;

protected:
    void DoDrawText(TRect& rect, unsigned int flags) override
    {
        calls.push_back({rect, flags});
        TLabel::DoDrawText(rect, flags);
    }
};

TEST_F(ControlsTest, LabelPaintMeasuresThenDrawsPlacedByItsLayout)
{
    auto* label = new LabelProbe(form);
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 200, 40);
    label->SetCaption(L"Centred");
    label->SetLayout(tlCenter);
    label->SetAlignment(taRightJustify);
    label->SetWordWrap(true);
    TBitmap bmp;
    bmp.SetSize(400, 300);
    label->calls.clear();
    form->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    ASSERT_EQ(2u, label->calls.size()) << "measure, then draw";
    unsigned base = DT_EXPANDTABS | DT_WORDBREAK | DT_RIGHT;
    EXPECT_EQ(base | DT_CALCRECT, label->calls[0].flags);
    EXPECT_EQ(base, label->calls[1].flags);
    TRect measured(0, 0, 200, 40);
    label->Canvas()->Font()->Assign(label->Font());
    ::DrawTextW(label->Canvas()->Handle(), L"Centred", -1, &measured, base | DT_CALCRECT);
    int offset = (40 - measured.Height()) / 2;
    EXPECT_EQ(offset, label->calls[1].rect.top);
    EXPECT_EQ(40 + offset, label->calls[1].rect.bottom);

    // Bottom layout; top layout draws without measuring.
    label->SetLayout(tlBottom);
    label->calls.clear();
    form->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    ASSERT_EQ(2u, label->calls.size());
    EXPECT_EQ(40 - measured.Height(), label->calls[1].rect.top);
    label->SetLayout(tlTop);
    label->calls.clear();
    form->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    ASSERT_EQ(1u, label->calls.size());
    EXPECT_EQ(0, label->calls[0].rect.top);
}

TEST_F(ControlsTest, LabelsDoNotMeasureWhileBeingRead)
{
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(L"x");
    int width = label->Width();
    label->BeginLoading();
    label->SetCaption(L"a caption much wider than one letter");
    EXPECT_EQ(width, label->Width());
    label->EndLoading();
    EXPECT_GT(label->Width(), width);
}

TEST_F(ControlsTest, AccelCharsAreHiddenOnlyWhileShowAccelCharHolds)
{
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption(L"&&&&&&&&&&");
    int shown = label->Width();
    label->SetShowAccelChar(false);
    EXPECT_GT(label->Width(), shown) << "every & is drawn";
}

} // namespace

namespace {

// Logs "+name" / "-name" for every enter and leave (the name is the control's Tag).
struct EnterLeaveLog : TObject {
    std::string log;
    void Enter(TObject* c) { log += "+" + std::string(1, char(static_cast<TControl*>(c)->Tag())); }
    void Leave(TObject* c) { log += "-" + std::string(1, char(static_cast<TControl*>(c)->Tag())); }
    template <class C>
    C* Make(TWinControl* parent, char name, int top)
    {
        auto* c = new C(parent);
        c->SetParent(parent);
        c->SetBounds(10, top, 100, 40);
        c->SetTag(name);
        c->OnMouseEnter = MakeEvent(this, &EnterLeaveLog::Enter);
        c->OnMouseLeave = MakeEvent(this, &EnterLeaveLog::Leave);
        return c;
    }
};

struct SelfTracking : TCustomControl {
    explicit SelfTracking(TComponent* owner) : TCustomControl(owner) { SetOwnMouseTracking(true); }
};

} // namespace

TEST_F(ControlsTest, EnterAndLeaveWithTheCaptureHeldAndForControlsThatTrackThemselves)
{
    EnterLeaveLog probe;
    auto* c = probe.Make<TPanel>(form, 'c', 10);
    probe.Make<TEdit>(form, 'b', 100);
    // Pressed and dragged out over b: one leave, nothing entered, entered again on return.
    // The real pointer goes along, so the idle check sees what the messages say.
    auto send = [&](UINT msg, WPARAM keys, int y) {
        POINT s{20, y};
        ClientToScreen(c->Handle(), &s);
        SetCursorPos(s.x, s.y);
        SendMessageW(c->Handle(), msg, keys, Pt(20, y));
        Pump(20);
    };
    send(WM_MOUSEMOVE, 0, 20);
    send(WM_LBUTTONDOWN, MK_LBUTTON, 20);
    for (int y : {45, 60, 95, 105})
        send(WM_MOUSEMOVE, MK_LBUTTON, y);
    EXPECT_EQ("+c-c", probe.log);
    send(WM_MOUSEMOVE, MK_LBUTTON, 30);
    send(WM_LBUTTONUP, 0, 30);
    EXPECT_EQ("+c-c+c", probe.log);
    // A control that tracks the mouse itself hears nothing from the library.
    auto* t = probe.Make<SelfTracking>(form, 't', 150);
    SendMessageW(t->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
    SendMessageW(c->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
    SendMessageW(t->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
    EXPECT_EQ("+c-c+c-c+c-c", probe.log);
}

TEST_F(ControlsTest, AMemoTakesThousandsOfLinesAtOnceAndFollowsOtherChanges)
{
    for (bool windowed : {true, false}) {
        auto* memo = new TMemo(form);
        if (windowed)
            memo->SetParent(form);
        DWORD start = GetTickCount();
        for (int i = 0; i < 3000; ++i)
            memo->Lines()->Add(String(70, L'x') + IntToStr(i));
        String all = memo->Text(); // the window holds it once asked
        EXPECT_LT(GetTickCount() - start, 1000u);
        EXPECT_EQ(3000, memo->Lines()->Count());
        // Past the window's default limit, nothing cut off.
        EXPECT_EQ(size_t(3000 * 72 + 10 + 90 * 2 + 900 * 3 + 2000 * 4), all.size());
        memo->SetText(L"a\r\nb"); // a last line without its break
        memo->Lines()->Add(L"c");
        EXPECT_EQ(String(L"a\r\nb\r\nc\r\n"), memo->Text());
        if (windowed)
            SendMessageW(memo->Handle(), EM_SETSEL, 0, 0);
        if (windowed)
            SendMessageW(memo->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"typed"));
        EXPECT_EQ(String(windowed ? L"typeda" : L"a"), memo->Lines()->Strings(0));
        memo->Lines()->BeginUpdate();
        memo->Lines()->Clear();
        memo->Lines()->Add(L"one");
        memo->Lines()->Insert(0, L"zero");
        memo->Lines()->EndUpdate();
        EXPECT_EQ(String(L"zero\r\none\r\n"), memo->Text());
        delete memo;
    }
}
