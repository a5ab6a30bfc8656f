#include "forms/Forms.h"

#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "forms/Threads.h"

namespace {

std::vector<TCustomForm*> g_pendingCreates;
FormsMessageBoxHook g_messageBoxHook;
std::mutex g_messageBoxLock;

const UINT WM_FORMS_SYNC = WM_APP + 0x3F00;

} // namespace

TApplication* Application = new TApplication();

namespace {

// The application, and with it every form it owns, is freed when the program ends, so
// forms' destructors run (and wait for their threads) as they would on any close.
struct ApplicationEnd {
    ~ApplicationEnd()
    {
        TApplication* app = Application;
        if (!app)
            return;
        delete app;
        Application = nullptr;
    }
} g_applicationEnd;

} // namespace

namespace forms_internal {

bool ApplicationShutDown() { return Application && Application->ShutDown(); }

void FlushPendingFormCreates()
{
    while (!g_pendingCreates.empty()) {
        TCustomForm* form = g_pendingCreates.front();
        g_pendingCreates.erase(g_pendingCreates.begin());
        form->FinishCreate();
    }
}

void HandleCurrentException()
{
    try {
        Application->HandleException(nullptr);
    } catch (...) {
        // Nothing may leave a window procedure.
    }
}

} // namespace forms_internal

using namespace forms_internal;

void SetFormsMessageBoxHook(FormsMessageBoxHook hook)
{
    std::lock_guard<std::mutex> hold(g_messageBoxLock);
    g_messageBoxHook = std::move(hook);
}

int FormsMessageBox(HWND owner, const String& text, const String& caption, UINT flags)
{
    FormsMessageBoxHook hook;
    {
        std::lock_guard<std::mutex> hold(g_messageBoxLock);
        hook = g_messageBoxHook;
    }
    if (hook)
        return hook(owner, text, caption, flags);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

int TCustomForm::MessageBox(const String& text, const String& caption, UINT flags)
{
    return FormsMessageBox(m_handle, text, caption, flags);
}

// ---- TCustomForm -------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    m_visible = false;
    m_borderIcons << biSystemMenu << biMinimize << biMaximize;
    SetColor(clBtnFace);
    SetControlStyle(ControlStyle() << csAcceptsControls);
    m_width = 320;
    m_height = 240;
    g_pendingCreates.push_back(this);
}

TCustomForm::~TCustomForm()
{
    g_pendingCreates.erase(std::remove(g_pendingCreates.begin(), g_pendingCreates.end(), this),
                           g_pendingCreates.end());
    if (Application && Application->m_mainForm == this)
        Application->m_mainForm = nullptr;
    // Messages no longer reach the (already destroyed) derived part's handlers.
    MarkDestroying();
    // What the form owns (forms among it) goes while this window still exists: an owned
    // form's window would otherwise go with it, before that form's destructor runs.
    DestroyComponents();
    DestroyHandle();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (value == m_borderStyle)
        return;
    int cw = ClientWidth(), ch = ClientHeight();
    m_borderStyle = value;
    RecreateWnd();
    // The client area keeps its size; the frame changes around it.
    SetClientWidth(cw);
    SetClientHeight(ch);
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    if (value == m_borderIcons)
        return;
    m_borderIcons = value;
    RecreateWnd();
}

void TCustomForm::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.ExStyle = 0;
    switch (m_borderStyle) {
    case bsNone:
        p.Style |= WS_POPUP;
        break;
    case bsSingle:
        p.Style |= WS_CAPTION;
        break;
    case bsSizeable:
        p.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        p.Style |= WS_POPUP | WS_CAPTION;
        p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        p.Style |= WS_CAPTION;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        p.Style |= WS_CAPTION | WS_THICKFRAME;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (m_borderStyle != bsNone && m_borderIcons.Contains(biSystemMenu)) {
        p.Style |= WS_SYSMENU;
        if (m_borderStyle == bsSingle || m_borderStyle == bsSizeable) {
            if (m_borderIcons.Contains(biMinimize))
                p.Style |= WS_MINIMIZEBOX;
            if (m_borderIcons.Contains(biMaximize))
                p.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (!Enabled())
        p.Style |= WS_DISABLED;
    p.WndParent = nullptr;
    if (!m_queryingParams) {
        bool isMain = Application->m_mainForm == this || Application->m_creatingMainForm == this;
        if (Application->MainFormOnTaskBar() && isMain) {
            p.ExStyle |= WS_EX_APPWINDOW;
        } else if (Application->MainFormOnTaskBar() && Application->MainForm() &&
                   Application->MainForm()->HandleAllocated()) {
            p.WndParent = Application->MainForm()->m_handle;
        } else {
            p.WndParent = Application->Handle();
        }
    }
    if (m_position == poDefault || m_position == poDefaultPosOnly)
        p.X = p.Y = CW_USEDEFAULT;
    p.WindowClass.hIcon = LoadIconW(Instance(), L"MAINICON");
    if (!p.WindowClass.hIcon)
        p.WindowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
}

TRect TCustomForm::ClientRect()
{
    if (HandleAllocated())
        return TWinControl::ClientRect();
    TCreateParams p;
    m_queryingParams = true;
    try {
        CreateParams(p);
    } catch (...) {
        m_queryingParams = false;
        throw;
    }
    m_queryingParams = false;
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style, FALSE, p.ExStyle);
    return TRect(0, 0, std::max(0, Width() - static_cast<int>(frame.right - frame.left)),
                 std::max(0, Height() - static_cast<int>(frame.bottom - frame.top)));
}

void TCustomForm::ApplyPosition()
{
    RECT area;
    switch (m_position) {
    case poScreenCenter:
    case poDesktopCenter:
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* center = Application->MainForm();
        if (m_position == poOwnerFormCenter) {
            if (auto* owner = dynamic_cast<TCustomForm*>(Owner()))
                center = owner;
        }
        if (!center || center == this || !center->HandleAllocated())
            return;
        GetWindowRect(center->m_handle, &area);
        break;
    }
    default:
        return;
    }
    SetBounds(area.left + (area.right - area.left - Width()) / 2,
              area.top + (area.bottom - area.top - Height()) / 2, Width(), Height());
}

void TCustomForm::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    if (value && Application->m_createDepth > 0 &&
        std::find(g_pendingCreates.begin(), g_pendingCreates.end(), this) != g_pendingCreates.end()) {
        // Made visible while CreateForm is constructing: show once OnCreate has run.
        m_visible = true;
        m_showAfterCreate = true;
        return;
    }
    FlushPendingFormCreates();
    if (value) {
        m_visible = true;
        HandleNeeded();
        if (!m_shownOnce) {
            m_shownOnce = true;
            ApplyPosition();
        }
        DoShow();
        if (!m_visible || !m_handle)
            return;
        ShowWindow(m_handle, SW_SHOWNORMAL);
    } else {
        m_showAfterCreate = false;
        m_visible = false;
        DoHide();
        if (m_handle && !m_visible)
            ShowWindow(m_handle, SW_HIDE);
    }
}

bool TCustomForm::Showing() const { return m_handle && IsWindowVisible(m_handle); }

void TCustomForm::Show()
{
    SetVisible(true);
    if (m_handle && m_visible)
        BringWindowToTop(m_handle);
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close()
{
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        if (m_handle)
            ShowWindow(m_handle, SW_MINIMIZE);
    } else {
        Release();
    }
}

void TCustomForm::Release() { PostMessageW(Handle(), CM_RELEASE, 0, 0); }

bool TCustomForm::CloseItemGreyed()
{
    if (!m_handle)
        return false;
    HMENU menu = GetSystemMenu(m_handle, FALSE);
    if (!menu)
        return false;
    UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

void TCustomForm::DoCreate() { OnCreate(this); }

void TCustomForm::FinishCreate()
{
    DoCreate();
    if (m_showAfterCreate) {
        m_showAfterCreate = false;
        m_visible = false;
        SetVisible(true);
    }
}
void TCustomForm::DoShow() { OnShow(this); }
void TCustomForm::DoHide() { OnHide(this); }
void TCustomForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TCustomForm::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_CLOSE:
        // Wine lets a close through a greyed Close item: refuse it here.
        if (!CloseItemGreyed())
            Close();
        m.Result = 0;
        return;
    case WM_SYSCOMMAND:
        if ((m.WParam & 0xFFF0) == SC_CLOSE && CloseItemGreyed()) {
            m.Result = 0;
            return;
        }
        break;
    case CM_RELEASE:
        delete this;
        return;
    default:
        break;
    }
    TWinControl::Dispatch(m);
}

// ---- TApplication ------------------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Shutdown(); }

void TApplication::Shutdown()
{
    if (m_shutDown)
        return;
    // Forms go first, the last made first, so the main form's window outlives the others.
    DestroyComponents();
    m_shutDown = true;
    m_mainForm = nullptr;
    if (m_handle)
        DestroyWindow(m_handle);
    m_handle = nullptr;
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    if (m_initialized)
        CoUninitialize();
    m_initialized = false;
}

void TApplication::Initialize()
{
    if (m_initialized)
        return;
    m_initialized = true;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);
    Handle();
}

void TApplication::BeginCreateForm(void* memory)
{
    Handle();
    ++m_createDepth;
    if (!m_mainForm && !m_creatingMainForm)
        m_creatingMainForm = memory;
}

void TApplication::EndCreateForm(TCustomForm* form)
{
    if (form && !m_mainForm && m_creatingMainForm == static_cast<void*>(form))
        m_mainForm = form;
    if (m_creatingMainForm == static_cast<void*>(form) || !form)
        m_creatingMainForm = nullptr;
    if (--m_createDepth == 0)
        FlushPendingFormCreates();
}

LRESULT CALLBACK TApplication::AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_FORMS_SYNC) {
        try {
            RunSynchronize();
        } catch (...) {
            HandleCurrentException();
        }
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND TApplication::Handle()
{
    if (m_handle || m_shutDown || GetCurrentThreadId() != MainThreadID)
        return m_handle;
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = AppWndProc;
    wc.hInstance = Instance();
    wc.hIcon = LoadIconW(Instance(), L"MAINICON");
    wc.lpszClassName = L"FormsTApplication";
    RegisterClassW(&wc);
    m_handle = CreateWindowExW(0, wc.lpszClassName, Title().c_str(),
                               WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                               0, nullptr, nullptr, Instance(), nullptr);
    return m_handle;
}

String TApplication::Title() const
{
    if (!m_title.empty())
        return m_title;
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    String name = ExtractFileName(String(path, n));
    String ext = ExtractFileExt(name);
    return name.substr(0, name.size() - ext.size());
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        m_terminated = true;
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::ProcessMessages()
{
    FlushPendingFormCreates();
    MSG msg;
    while (ProcessMessage(msg)) {
    }
    try {
        RunSynchronize();
    } catch (...) {
        HandleCurrentException();
    }
}

void TApplication::HandleMessage()
{
    MSG msg;
    try {
        FlushPendingFormCreates();
        RunSynchronize();
    } catch (...) {
        HandleCurrentException();
    }
    if (ProcessMessage(msg))
        return;
    // Idle. While the mouse is over a control, look now and then whether it has left
    // (no message tells when it leaves the program's windows).
    bool watching = false;
    try {
        watching = CheckMouseControl();
    } catch (...) {
        HandleCurrentException();
    }
    HANDLE sync = SyncEvent();
    MsgWaitForMultipleObjectsEx(1, &sync, watching ? 100 : INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::Run()
{
    try {
        FlushPendingFormCreates();
        if (m_mainForm && !m_terminated)
            m_mainForm->Show();
    } catch (...) {
        HandleCurrentException();
    }
    while (!m_terminated)
        HandleMessage();
}

void TApplication::Terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    PostQuitMessage(0);
}

void TApplication::ShowException(Exception* e)
{
    String text = e ? e->Message() : String();
    if (!text.empty() && text.back() > L'.')
        text += L".";
    FormsMessageBox(nullptr, text, Title(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* sender)
{
    try {
        throw;
    } catch (Exception& e) {
        if (OnException)
            OnException(sender, &e);
        else
            ShowException(&e);
    } catch (std::exception& e) {
        Exception wrapped{String(AnsiString(e.what()))};
        if (OnException)
            OnException(sender, &wrapped);
        else
            ShowException(&wrapped);
    } catch (...) {
        Exception wrapped{String()};
        if (OnException)
            OnException(sender, &wrapped);
        else
            ShowException(&wrapped);
    }
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner && m_mainForm && m_mainForm->HandleAllocated() && m_mainForm->Showing())
        owner = m_mainForm->Handle();
    return FormsMessageBox(owner, text, caption, flags);
}

namespace forms_internal {

void ResetApplicationTermination()
{
    Application->m_terminated = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void WakeMainThread()
{
    HWND window = Application->m_handle;
    if (window)
        PostMessageW(window, WM_FORMS_SYNC, 0, 0);
}

} // namespace forms_internal
