#include <windows.h>

#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "forms/Buttons.h"
#include "forms/ComCtrls.h"
#include "forms/Dialogs.h"
#include "forms/ExtCtrls.h"
#include "forms/PngImage.h"
#include "forms/StdCtrls.h"

using namespace forms_test;

namespace {

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpApplication();
        forms_internal::ResetApplicationTermination();
        MessageBoxTexts().clear();
    }
    void TearDown() override { forms_internal::ResetApplicationTermination(); }
};

EventLog* g_log = nullptr;

// A dialog window of this thread (never another program's).
HWND OwnDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t name[16];
            if (GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

class SecondForm;
SecondForm* g_second = nullptr;
class FirstForm;
FirstForm* g_first = nullptr;

class SecondForm : public TForm {
public:
    explicit SecondForm(TComponent* owner) : TForm(owner)
    {
        g_log->Add("second ctor");
        OnCreate = MakeEvent(this, &SecondForm::FormCreate);
    }
    void FormCreate(TObject*) { g_log->Add("second create"); }
};

class FirstForm : public TForm {
public:
    explicit FirstForm(TComponent* owner) : TForm(owner)
    {
        // The global is already set while the constructor runs.
        g_log->Add(g_first == this ? "first ctor, global set" : "first ctor, global missing");
        OnCreate = MakeEvent(this, &FirstForm::FormCreate);
        OnShow = MakeEvent(this, &FirstForm::FormShow);
        g_second = new SecondForm(this);
        SetVisible(true);
        g_log->Add(Showing() ? "shown in ctor" : "not yet shown");
    }
    void FormCreate(TObject*) { g_log->Add("first create"); }
    void FormShow(TObject*)
    {
        g_log->Add("first show");
        // Making the form visible from OnShow is harmless.
        SetVisible(true);
    }
};

TEST_F(FormsTest, CreateFormSetsTheGlobalFirstAndOnCreateFollowsConstruction)
{
    EventLog log;
    g_log = &log;
    Application->CreateForm(g_first);
    EXPECT_EQ("first ctor, global set,second ctor,not yet shown,first create,second create,first show",
              log.Joined());
    EXPECT_EQ(g_first, Application->MainForm());
    EXPECT_TRUE(g_first->Showing());
    EXPECT_FALSE(g_second->Showing());

    // OnShow on every change from hidden to visible, not on a repeated Show.
    log.entries.clear();
    g_first->Hide();
    g_first->Show();
    g_first->Show();
    EXPECT_EQ("first show", log.Joined());

    // Closing another form hides it; closing the main form ends the message loop.
    g_second->Show();
    g_second->Close();
    EXPECT_FALSE(g_second->Showing());
    EXPECT_FALSE(Application->Terminated());
    SendMessageW(g_first->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Application->Terminated());
    delete g_first;
    EXPECT_EQ(nullptr, Application->MainForm());
    g_first = nullptr;
    g_second = nullptr;
}

class CloseProbe : public TObject {
public:
    TCloseAction action = caHide;
    int closes = 0;
    void FormClose(TObject*, TCloseAction& a)
    {
        ++closes;
        a = action;
    }
    WORD swallow = 0;
    void FormKeyDown(TObject*, WORD& key, TShiftState shift)
    {
        if (key == swallow && shift.Contains(ssAlt))
            key = 0;
    }
};

TEST_F(FormsTest, CloseActions)
{
    CloseProbe probe;
    auto* form = new TForm(nullptr);
    form->OnClose = MakeEvent(&probe, &CloseProbe::FormClose);
    form->Show();
    probe.action = caNone;
    form->Close();
    EXPECT_TRUE(form->Showing());
    probe.action = caHide;
    form->Close();
    EXPECT_FALSE(form->Showing());
    // caFree frees the form once the queued messages are handled.
    form->Show();
    HWND h = form->Handle();
    probe.action = caFree;
    form->Close();
    EXPECT_TRUE(IsWindow(h));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(h); }));
    EXPECT_EQ(3, probe.closes);
}

TEST_F(FormsTest, AGreyedCloseItemRefusesTheUsersClose)
{
    CloseProbe probe;
    auto* form = new TForm(nullptr);
    form->OnClose = MakeEvent(&probe, &CloseProbe::FormClose);
    form->Show();
    HWND h = form->Handle();
    EnableMenuItem(GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(h, WM_CLOSE, 0, 0);
    SendMessageW(h, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    Pump(50);
    EXPECT_EQ(0, probe.closes);
    EXPECT_TRUE(form->Showing());

    // Enabled again: Alt+F4 closes.
    EnableMenuItem(GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    SendMessageW(h, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    Pump(50);
    EXPECT_EQ(1, probe.closes);
    EXPECT_FALSE(form->Showing());
    delete form;
}

TEST_F(FormsTest, KeyPreviewCanSwallowAltF4)
{
    CloseProbe probe;
    probe.swallow = VK_F4;
    auto* form = new TForm(nullptr);
    form->OnClose = MakeEvent(&probe, &CloseProbe::FormClose);
    form->SetKeyPreview(true);
    form->OnKeyDown = MakeEvent(&probe, &CloseProbe::FormKeyDown);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    form->Show();
    // From a child control and from the form itself.
    SendMessageW(edit->Handle(), WM_SYSKEYDOWN, VK_F4, 1 << 29);
    SendMessageW(form->Handle(), WM_SYSKEYDOWN, VK_F4, 1 << 29);
    Pump(50);
    EXPECT_EQ(0, probe.closes);
    EXPECT_TRUE(form->Showing());

    // Through the real keyboard.
    SetForegroundWindow(form->Handle());
    edit->SetFocus();
    INPUT keys[4] = {};
    for (auto& k : keys)
        k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_MENU;
    keys[1].ki.wVk = VK_F4;
    keys[2].ki.wVk = VK_F4;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_MENU;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    Pump(200);
    EXPECT_EQ(0, probe.closes);
    EXPECT_TRUE(form->Showing());

    probe.swallow = 0;
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(PumpUntil([&] { return probe.closes == 1; }));
    delete form;
}

class ClickCounter : public TCustomControl {
public:
    explicit ClickCounter(TComponent* owner) : TCustomControl(owner) {}
    int clicks = 0;

protected:
    void Click() override
    {
        ++clicks;
        TCustomControl::Click();
    }
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clNavy);
        Canvas()->FillRect(ClientRect());
    }
};

void MouseClickAt(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

TEST_F(FormsTest, ARealClickGivesOneOnClick)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 300, 200);
    auto* c = new ClickCounter(form);
    c->SetParent(form);
    c->SetBounds(20, 20, 120, 40);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump(100);
    TPoint p = c->ClientToScreen(TPoint(30, 20));
    MouseClickAt(p.x, p.y);
    EXPECT_TRUE(PumpUntil([&] { return c->clicks >= 1; }));
    Pump(200);
    EXPECT_EQ(1, c->clicks);
    delete form;
}

class Thrower : public TObject {
public:
    int after = 0;
    void Boom(TObject*) { throw EConvertError(L"boom"); }
    void Later(TObject*) { ++after; }
};

TEST_F(FormsTest, AnExceptionFromAHandlerIsShownAndTheLoopGoesOn)
{
    Thrower thrower;
    auto* form = new TForm(nullptr);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->OnClick = MakeEvent(&thrower, &Thrower::Boom);
    auto* timer = new TTimer(form);
    timer->SetInterval(20);
    timer->OnTimer = MakeEvent(&thrower, &Thrower::Later);
    form->Show();
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(1u, MessageBoxTexts().size());
    EXPECT_EQ(L"boom.", MessageBoxTexts()[0]);
    EXPECT_TRUE(PumpUntil([&] { return thrower.after > 0; }));
    EXPECT_FALSE(Application->Terminated());
    delete form;
}

class RunProbe : public TObject {
public:
    TForm* form = nullptr;
    void CloseMain(TObject*) { form->Close(); }
};

TEST_F(FormsTest, RunShowsTheMainFormAndEndsWhenItCloses)
{
    Watchdog dog(10000);
    TForm* main = nullptr;
    Application->CreateForm(main);
    EXPECT_EQ(main, Application->MainForm());
    RunProbe probe;
    probe.form = main;
    auto* timer = new TTimer(main);
    timer->SetInterval(50);
    timer->OnTimer = MakeEvent(&probe, &RunProbe::CloseMain);
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    delete main;
}

TEST_F(FormsTest, OpenDialogCanBeCancelled)
{
    Watchdog dog(20000);
    struct Closer : TObject {
        int attempts = 0;
        void Tick(TObject*)
        {
            ++attempts;
            HWND dialog = OwnDialog();
            if (dialog)
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    } closer;
    auto* form = new TForm(nullptr);
    auto* timer = new TTimer(form);
    timer->SetInterval(100);
    timer->OnTimer = MakeEvent(&closer, &Closer::Tick);
    auto* dialog = new TOpenDialog(form);
    dialog->SetOptions(TOpenOptions());
    dialog->SetFilter(L"iso files{*.iso}|*.iso");
    dialog->SetFilterIndex(1);
    dialog->SetFileName(L"keep.iso");
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(String(L"keep.iso"), dialog->FileName());
    delete form;
}

TEST_F(FormsTest, TheMainFormOwnsTheTaskBarButtonAndTheOtherForms)
{
    Application->SetMainFormOnTaskBar(true);
    TForm* main = nullptr;
    Application->CreateForm(main);
    auto* other = new TForm(main);
    HWND h = main->Handle();
    EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(nullptr, GetWindow(h, GW_OWNER));
    EXPECT_EQ(h, GetWindow(other->Handle(), GW_OWNER));
    EXPECT_FALSE(GetWindowLongW(other->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    delete main;
    Application->SetMainFormOnTaskBar(false);
}

TEST_F(FormsTest, MessagesAndFolderBrowsing)
{
    Watchdog dog(20000);
    ShowMessage(L"Disk too small");
    ASSERT_EQ(1u, MessageBoxTexts().size());
    EXPECT_EQ(L"Disk too small", MessageBoxTexts()[0]);

    struct Closer : TObject {
        void Tick(TObject*)
        {
            HWND dialog = OwnDialog();
            if (dialog)
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    } closer;
    auto* form = new TForm(nullptr);
    auto* timer = new TTimer(form);
    timer->SetInterval(100);
    timer->OnTimer = MakeEvent(&closer, &Closer::Tick);
    String folder = L"unchanged";
    EXPECT_FALSE(SelectDirectory(L"Please Select Folder:", L"", folder));
    EXPECT_EQ(String(L"unchanged"), folder);
    delete form;
}

// A sample form for a person to look at: build/win64/forms2-sample.png.
TEST_F(FormsTest, SampleFormScreenshot)
{
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(L"Forms sample");
    form->SetPosition(poScreenCenter);
    form->SetClientWidth(480);
    form->SetClientHeight(300);
    form->Font()->SetName(L"Microsoft Sans Serif");

    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(0, 0, 120, 300);
    image->SetStretch(true);
    TBitmap side;
    side.SetPixelFormat(pf24bit);
    side.SetSize(12, 30);
    for (int y = 0; y < 30; ++y) {
        auto* p = static_cast<unsigned char*>(side.ScanLine(y));
        for (int x = 0; x < 12; ++x, p += 3) {
            p[0] = static_cast<unsigned char>(120 + y * 4);
            p[1] = static_cast<unsigned char>(60 + y * 3);
            p[2] = 30;
        }
    }
    image->Picture()->Assign(&side);

    auto* title = new TLabel(form);
    title->SetParent(form);
    title->SetBounds(135, 10, 300, 20);
    title->Font()->SetStyle(TFontStyles{fsBold});
    title->Font()->SetHeight(-16);
    title->SetCaption(L"Step 1 of 3: choose the source");

    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(130, 40, 340, 170);
    panel->SetBevelOuter(bvNone);
    panel->SetBevelKind(bkTile);
    auto* bevel = new TBevel(form);
    bevel->SetParent(panel);
    bevel->SetShape(bsTopLine);
    bevel->SetBounds(10, 30, 320, 2);
    auto* note = new TLabel(form);
    note->SetParent(panel);
    note->SetAutoSize(false);
    note->SetWordWrap(true);
    note->SetBounds(10, 6, 320, 20);
    note->SetCaption(L"A word-wrapped note explaining what to choose.");
    auto* combo = new TComboBox(form);
    combo->SetParent(panel);
    combo->SetStyle(csDropDownList);
    combo->SetBounds(10, 40, 250, 21);
    combo->Items()->Add(L"D:\\ ( WIN7_DVD ) ");
    combo->Items()->Add(L"E:\\");
    combo->SetItemIndex(0);
    auto* check = new TCheckBox(form);
    check->SetParent(panel);
    check->SetBounds(10, 70, 200, 17);
    check->SetCaption(L"&Compatibility Mode");
    check->SetChecked(true);
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    edit->SetBounds(10, 95, 250, 21);
    edit->SetText(L"C:\\Images\\");
    auto* bar = new TProgressBar(form);
    bar->SetParent(panel);
    bar->SetBounds(10, 125, 250, 17);
    bar->SetPosition(60);
    auto* speed = new TSpeedButton(form);
    speed->SetParent(panel);
    speed->SetBounds(270, 40, 60, 22);
    speed->SetCaption(L"...");

    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(130, 215, 340, 45);
    memo->SetScrollBars(ssVertical);
    memo->SetReadOnly(true);
    memo->Lines()->Add(L"Licence text line one.");
    memo->Lines()->Add(L"Licence text line two.");
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(395, 268, 75, 25);
    button->SetCaption(L"Next");

    form->Show();
    Pump(300);
    form->Repaint();
    Pump(100);

    RECT r;
    GetWindowRect(form->Handle(), &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    TBitmap shot;
    shot.SetPixelFormat(pf32bit);
    shot.SetSize(w, h);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    // Without a window manager nobody draws the frame on the screen: draw a frame and
    // the caption, and take everything outside the client area from there.
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    TRect client = Bounds(origin.x - r.left, origin.y - r.top, form->ClientWidth(), form->ClientHeight());
    TBitmap frame;
    frame.SetPixelFormat(pf32bit);
    frame.SetSize(w, h);
    HDC fdc = frame.Canvas()->Handle();
    RECT all{0, 0, w, h};
    FillRect(fdc, &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(fdc, &all, EDGE_RAISED, BF_RECT);
    RECT caption{client.left, 3, client.right, client.top - 1};
    DrawCaption(form->Handle(), fdc, &caption, DC_ACTIVE | DC_TEXT | DC_GRADIENT);
    GdiFlush();
    for (int y = 0; y < h; ++y) {
        auto* dst = static_cast<uint32_t*>(shot.ScanLine(y));
        auto* src = static_cast<uint32_t*>(frame.ScanLine(y));
        for (int x = 0; x < w; ++x)
            if (!client.Contains(TPoint(x, y)))
                dst[x] = src[x];
    }
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
    int colours = 0;
    uint32_t first = *static_cast<uint32_t*>(shot.ScanLine(0)) & 0xFFFFFF;
    for (int y = 0; y < h; ++y) {
        auto* src = static_cast<uint8_t*>(shot.ScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint8_t* d = &rows[(static_cast<size_t>(y) * w + x) * 4];
            d[0] = src[x * 4];
            d[1] = src[x * 4 + 1];
            d[2] = src[x * 4 + 2];
            d[3] = 255;
            if ((*reinterpret_cast<uint32_t*>(src + x * 4) & 0xFFFFFF) != first)
                ++colours;
        }
    }
    EXPECT_GT(colours, w * h / 10) << "the form was drawn";
    std::vector<uint8_t> png = EncodePng(w, h, rows.data(), static_cast<size_t>(w) * 4);
    HANDLE file = CreateFileW(L"..\\forms2-sample.png", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(png.size(), written);
    delete form;
}

} // namespace

namespace {

// Notes in its destructor whether its window was still there and what Handle() gave.
struct TeardownProbe : TForm {
    TeardownProbe(TComponent* owner, std::string* log, char name) : TForm(owner), log(log), name(name) {}
    ~TeardownProbe() override
    {
        *log += std::string(1, name) + (HandleAllocated() && IsWindow(m_handle) ? "+" : "-");
        *log += Handle() ? "w " : "0 ";
    }
    std::string* log;
    char name;
};

struct InnerForm;
InnerForm* g_inner = nullptr;
struct InnerForm : TForm {
    explicit InnerForm(TComponent* owner) : TForm(owner) { sawGlobal = g_inner == this; }
    bool sawGlobal;
};
struct OuterForm
    : TForm{explicit OuterForm(TComponent * owner) : TForm(owner){Application->CreateForm(g_inner);
} // namespace
}
*g_outer = nullptr;

} // namespace

TEST_F(FormsTest, OwnedFormsGoWhileTheirWindowsExistAndNoWindowIsMadeOnTheWayOut)
{
    std::string log;
    auto* owner = new TForm(nullptr);
    (new TeardownProbe(owner, &log, 'k'))->HandleNeeded();
    // As when the system takes an owned window down with its owner's.
    DestroyWindow((new TeardownProbe(owner, &log, 'l'))->Handle());
    delete owner;
    // An application shut down frees its forms the same way and makes no window after.
    TApplication app;
    (new TeardownProbe(&app, &log, 'f'))->HandleNeeded();
    (new TeardownProbe(&app, &log, 's'))->HandleNeeded();
    app.Shutdown();
    app.Shutdown();
    EXPECT_EQ("l-0 k+w s+w f+w ", log);
    EXPECT_EQ(nullptr, app.Handle());
}

TEST_F(FormsTest, CreateFormInsideAConstructorSetsTheGlobalAndFormsOwnTheirBoxes)
{
    TCustomForm* mainBefore = Application->MainForm();
    Application->CreateForm(g_outer);
    EXPECT_TRUE(g_inner->sawGlobal);
    EXPECT_EQ(mainBefore ? mainBefore : g_outer, Application->MainForm());
    g_outer->Show();
    EXPECT_EQ(IDOK, g_outer->MessageBox(L"Format the disk?", L"Confirm", MB_YESNO));
    EXPECT_EQ(L"Format the disk?", MessageBoxTexts().at(0));
    EXPECT_EQ(g_outer->Handle(), MessageBoxOwners().back());
    EXPECT_TRUE(FileExists(ProgramFolder() + L"test_forms2_forms.exe"));
    delete g_inner;
    delete g_outer;
}
