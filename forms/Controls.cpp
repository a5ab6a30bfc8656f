#include "forms/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>

#include "forms/Forms.h"
#include "forms/FormsInternal.h"

namespace {

const wchar_t kControlProp[] = L"FormsControlObject";

// The control whose window CreateWindowEx is making on this thread: its first messages
// arrive before CreateWindowEx returns.
thread_local TWinControl* t_creating = nullptr;

TControl* g_captureControl = nullptr;
TControl* g_mouseControl = nullptr;
HWND g_toolTip = nullptr;

struct ClassInfo {
    WNDPROC defProc;
    bool system;
};
std::map<std::wstring, ClassInfo> g_classes;

COLORREF ColorRef(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF; }

bool IsClientMouseMessage(UINT msg)
{
    return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK && msg != WM_MOUSEWHEEL;
}

LPARAM PointToLParam(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

TOOLINFOW MakeToolInfo(HWND host, UINT_PTR id)
{
    TOOLINFOW ti;
    ZeroMemory(&ti, sizeof(ti));
    // The version-2 layout: accepted by every common-controls version.
    ti.cbSize = offsetof(TOOLINFOW, lpReserved);
    ti.hwnd = host;
    ti.uId = id;
    return ti;
}

} // namespace

namespace forms_internal {

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void SetMouseControl(TControl* control)
{
    if (control == g_mouseControl)
        return;
    TControl* old = g_mouseControl;
    g_mouseControl = control;
    if (old && !old->OwnMouseTracking())
        old->Perform(CM_MOUSELEAVE, 0, 0);
    if (control && control == g_mouseControl && !control->OwnMouseTracking())
        control->Perform(CM_MOUSEENTER, 0, 0);
}

bool CheckMouseControl()
{
    TControl* control = g_mouseControl;
    if (!control)
        return false;
    POINT p;
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    bool inside = false;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        inside = w->HandleAllocated() && under == w->Handle();
    } else if (TWinControl* parent = control->Parent()) {
        if (parent->HandleAllocated() && under == parent->Handle()) {
            POINT c = p;
            ScreenToClient(parent->Handle(), &c);
            inside = control->BoundsRect().Contains(TPoint(c));
        }
    }
    if (!inside)
        SetMouseControl(nullptr);
    return g_mouseControl != nullptr;
}

void ControlDestroyed(TControl* control)
{
    if (g_captureControl == control)
        g_captureControl = nullptr;
    if (g_mouseControl == control)
        g_mouseControl = nullptr;
}

HWND ToolTipWindow()
{
    if (!g_toolTip) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        g_toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, Instance(), nullptr);
        if (g_toolTip)
            SendMessageW(g_toolTip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    return g_toolTip;
}

} // namespace forms_internal

using namespace forms_internal;

// ---- shift states ----------------------------------------------------------------------------

TShiftState MouseKeysToShiftState(WPARAM keys)
{
    TShiftState s;
    if (keys & MK_SHIFT)
        s << ssShift;
    if (keys & MK_CONTROL)
        s << ssCtrl;
    if (keys & MK_LBUTTON)
        s << ssLeft;
    if (keys & MK_RBUTTON)
        s << ssRight;
    if (keys & MK_MBUTTON)
        s << ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        s << ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData)
{
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0)
        s << ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        s << ssCtrl;
    if (keyData & (1 << 29))
        s << ssAlt;
    return s;
}

TCustomForm* GetParentForm(TControl* control, bool topLevel)
{
    if (!control)
        return nullptr;
    if (topLevel) {
        while (control->Parent())
            control = control->Parent();
        return dynamic_cast<TCustomForm*>(control);
    }
    for (; control; control = control->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(control))
            return form;
    return nullptr;
}

// ---- TControl ----------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), m_font(new TFont())
{
    m_controlStyle << csCaptureMouse << csClickEvents << csSetCaption << csDoubleClicks;
    m_font->OnChange = MakeEvent(this, &TControl::FontChangedHandler);
}

TControl::~TControl()
{
    m_destroying = true;
    ControlDestroyed(this);
    if (m_hintTool && m_parent && m_parent->HandleAllocated()) {
        TOOLINFOW ti = MakeToolInfo(m_parent->m_handle, reinterpret_cast<UINT_PTR>(this));
        SendMessageW(ToolTipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    if (m_parent)
        m_parent->RemoveControl(this);
    delete m_font;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == m_parent)
        return;
    if (parent == this)
        throw EInvalidOperation(L"A control cannot be its own parent");
    if (m_parent)
        m_parent->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
    if (m_parentFont)
        ParentFontChanged();
    ParentChanged();
    if (m_parentShowHint)
        UpdateHintTools();
}

void TControl::ParentChanged()
{
    Invalidate();
    UpdateHintTool();
}

bool TControl::CheckNewSize(int& width, int& height)
{
    int w = width, h = height;
    if (!CanResize(w, h))
        return false;
    int w2 = w, h2 = h;
    bool accepted = !m_autoSize || (CanAutoSize(w2, h2) && w2 == w && h2 == h) || CanResize(w2, h2);
    if (accepted) {
        width = w2;
        height = h2;
    }
    return accepted;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (!CheckNewSize(width, height))
        return;
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    bool resized = width != m_width || height != m_height;
    if (m_parent && m_parent->HandleAllocated() && m_visible) {
        RECT old = BoundsRect();
        InvalidateRect(m_parent->m_handle, &old, TRUE);
    }
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    Invalidate();
    UpdateHintTool();
    if (resized)
        Resize();
}

TRect TControl::ClientRect() { return TRect(0, 0, m_width, m_height); }

void TControl::SetClientWidth(int value) { SetWidth(value + (m_width - ClientWidth())); }
void TControl::SetClientHeight(int value) { SetHeight(value + (m_height - ClientHeight())); }

TPoint TControl::ClientOrigin()
{
    if (auto* self = dynamic_cast<TWinControl*>(this)) {
        if (self->HandleAllocated()) {
            POINT p{0, 0};
            ::ClientToScreen(self->m_handle, &p);
            return TPoint(p);
        }
    }
    if (!m_parent)
        return TPoint(m_left, m_top);
    TPoint p = m_parent->ClientOrigin();
    return TPoint(p.x + m_left, p.y + m_top);
}

void TControl::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    if (m_parent && m_parent->HandleAllocated()) {
        RECT r = BoundsRect();
        InvalidateRect(m_parent->m_handle, &r, TRUE);
    }
    m_visible = value;
    VisibleChanged();
}

bool TControl::Showing() const { return m_visible && m_parent && m_parent->Showing(); }

void TControl::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    EnabledChanged();
}

void TControl::SetText(const String& value)
{
    if (GetText() == value)
        return;
    SetTextValue(value);
    TextChanged();
}

void TControl::TextChanged() { Invalidate(); }
void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {}

void TControl::FontChangedHandler(TObject*)
{
    if (!m_assigningParentFont)
        m_parentFont = false;
    FontChanged();
}

void TControl::FontChanged() { Invalidate(); }

void TControl::ParentFontChanged()
{
    if (!m_parentFont || !m_parent)
        return;
    m_assigningParentFont = true;
    try {
        m_font->Assign(m_parent->Font());
    } catch (...) {
        m_assigningParentFont = false;
        throw;
    }
    m_assigningParentFont = false;
    m_parentFont = true;
}

void TControl::SetParentFont(bool value)
{
    m_parentFont = value;
    if (value)
        ParentFontChanged();
}

TColor TControl::Color() const
{
    if (m_parentColor && m_parent)
        return m_parent->Color();
    return m_color;
}

void TControl::SetColor(TColor value)
{
    bool changed = value != Color();
    m_color = value;
    m_parentColor = false;
    if (changed)
        ColorChanged();
}

void TControl::SetParentColor(bool value)
{
    if (value == m_parentColor)
        return;
    m_parentColor = value;
    ColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }
void TControl::ParentColorChanged()
{
    if (m_parentColor)
        ColorChanged();
}

void TControl::SetHint(const String& value)
{
    if (value == m_hint)
        return;
    m_hint = value;
    UpdateHintTool();
}

bool TControl::ShowHint() const
{
    if (m_parentShowHint && m_parent)
        return m_parent->ShowHint();
    return m_showHint;
}

void TControl::SetShowHint(bool value)
{
    m_parentShowHint = false;
    m_showHint = value;
    UpdateHintTools();
}

void TControl::SetParentShowHint(bool value)
{
    m_parentShowHint = value;
    UpdateHintTools();
}

void TControl::UpdateHintTools()
{
    UpdateHintTool();
    if (auto* self = dynamic_cast<TWinControl*>(this))
        for (TControl* c : self->m_controls)
            if (c->m_parentShowHint)
                c->UpdateHintTools();
}

void TControl::UpdateHintTool()
{
    auto* self = dynamic_cast<TWinControl*>(this);
    bool want = ShowHint() && !m_hint.empty() && !m_destroying;
    HWND host = nullptr;
    UINT_PTR id = 0;
    UINT flags = TTF_SUBCLASS;
    if (self) {
        if (!self->HandleAllocated()) {
            m_hintTool = false;
            return;
        }
        host = self->m_handle;
        id = reinterpret_cast<UINT_PTR>(self->m_handle);
        flags |= TTF_IDISHWND;
    } else {
        if (!m_parent || !m_parent->HandleAllocated()) {
            m_hintTool = false;
            return;
        }
        host = m_parent->m_handle;
        id = reinterpret_cast<UINT_PTR>(this);
    }
    if (!want && !m_hintTool)
        return;
    HWND tip = ToolTipWindow();
    if (!tip)
        return;
    TOOLINFOW ti = MakeToolInfo(host, id);
    if (m_hintTool)
        SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    m_hintTool = false;
    if (!want)
        return;
    ti.uFlags = flags;
    ti.rect = BoundsRect();
    ti.lpszText = const_cast<wchar_t*>(m_hint.c_str());
    m_hintTool = SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void TControl::SetAutoSize(bool value)
{
    if (value == m_autoSize)
        return;
    m_autoSize = value;
    if (value)
        AdjustSize();
}

void TControl::AdjustSize()
{
    // A control not yet placed fits itself at its next SetBounds (a constructor that
    // switches AutoSize on must not reach overrides of a class not yet made).
    if (!m_parent)
        return;
    int w = m_width, h = m_height;
    if (!CheckNewSize(w, h))
        return;
    SetBounds(m_left, m_top, w, h);
}

bool TControl::MouseCapture() const { return g_captureControl == this; }

void TControl::SetMouseCapture(bool value)
{
    if (value == MouseCapture())
        return;
    if (value) {
        HWND window = nullptr;
        if (auto* self = dynamic_cast<TWinControl*>(this))
            window = self->Handle();
        else if (m_parent)
            window = m_parent->Handle();
        if (!window)
            return;
        g_captureControl = this;
        SetCapture(window);
    } else {
        g_captureControl = nullptr;
        ReleaseCapture();
    }
}

void TControl::Invalidate()
{
    if (!m_parent || !m_parent->HandleAllocated() || !m_visible)
        return;
    RECT r = BoundsRect();
    InvalidateRect(m_parent->m_handle, &r, !m_controlStyle.Contains(csOpaque));
}

void TControl::Update()
{
    if (m_parent)
        m_parent->Update();
}

void TControl::BringToFront()
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (auto* self = dynamic_cast<TWinControl*>(this))
        if (self->HandleAllocated())
            SetWindowPos(self->m_handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack()
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    if (auto* self = dynamic_cast<TWinControl*>(this))
        if (self->HandleAllocated())
            SetWindowPos(self->m_handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m)
{
    // Controls that don't take double clicks see the second press as a plain press, so
    // every press and release makes a click.
    if ((m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK) &&
        !m_controlStyle.Contains(csDoubleClicks))
        m.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    Dispatch(m);
}

void TControl::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case CM_MOUSEENTER:
        MouseEnter();
        return;
    case CM_MOUSELEAVE:
        MouseLeave();
        return;
    default:
        if (IsClientMouseMessage(m.Msg)) {
            MouseMessage(m);
            return;
        }
        DefaultHandler(m);
    }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::MouseMessage(TMessage& m)
{
    int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        DefaultHandler(m);
        // A move outside the client area only reaches a control holding the capture: the
        // mouse is over no control then (one leave, not a leave and an enter per move).
        SetMouseControl(ClientRect().Contains(TPoint(x, y)) ? this : nullptr);
        MouseMove(MouseKeysToShiftState(m.WParam), x, y);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        DefaultHandler(m);
        if (auto* self = dynamic_cast<TWinControl*>(this))
            if (!self->IsSystemClass() && self->TabStop() && !self->Focused() && self->CanFocus())
                self->SetFocus();
        if (m_controlStyle.Contains(csCaptureMouse))
            SetMouseCapture(true);
        TShiftState extra;
        if (m.Msg == WM_LBUTTONDBLCLK) {
            extra << ssDouble;
            if (m_controlStyle.Contains(csClickEvents))
                DblClick();
        } else if (m_controlStyle.Contains(csClickEvents)) {
            m_clicked = true;
        }
        DoMouseDown(m, mbLeft, extra);
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        DefaultHandler(m);
        TShiftState extra;
        if (m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK)
            extra << ssDouble;
        bool right = m.Msg == WM_RBUTTONDOWN || m.Msg == WM_RBUTTONDBLCLK;
        DoMouseDown(m, right ? mbRight : mbMiddle, extra);
        break;
    }
    case WM_LBUTTONUP:
        DefaultHandler(m);
        // Capture released, then the click (only when released over the control), then
        // the mouse-up event.
        if (m_controlStyle.Contains(csCaptureMouse))
            SetMouseCapture(false);
        if (m_clicked) {
            m_clicked = false;
            if (ClientRect().Contains(TPoint(x, y)))
                Click();
        }
        DoMouseUp(m, mbLeft);
        break;
    case WM_RBUTTONUP:
        DefaultHandler(m);
        DoMouseUp(m, mbRight);
        break;
    case WM_MBUTTONUP:
        DefaultHandler(m);
        DoMouseUp(m, mbMiddle);
        break;
    default:
        DefaultHandler(m);
    }
}

void TControl::DoMouseDown(TMessage& m, TMouseButton button, TShiftState shift)
{
    MouseDown(button, MouseKeysToShiftState(m.WParam) + shift, GET_X_LPARAM(m.LParam),
              GET_Y_LPARAM(m.LParam));
}

void TControl::DoMouseUp(TMessage& m, TMouseButton button)
{
    MouseUp(button, MouseKeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::Click() { OnClick(this); }
void TControl::DblClick() { OnDblClick(this); }
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) { OnMouseMove(this, shift, x, y); }
void TControl::MouseEnter() { OnMouseEnter(this); }
void TControl::MouseLeave() { OnMouseLeave(this); }

bool TControl::CanResize(int& newWidth, int& newHeight)
{
    bool result = true;
    OnCanResize(this, newWidth, newHeight, result);
    return result;
}

bool TControl::CanAutoSize(int&, int&) { return true; }
void TControl::Resize() { OnResize(this); }
void TControl::PaintOnParent(HDC) {}

// ---- TWinControl ---------------------------------------------------------------------------

LRESULT CALLBACK FormsWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* control = static_cast<TWinControl*>(GetPropW(window, kControlProp));
    if (!control) {
        control = t_creating;
        if (!control)
            return DefWindowProcW(window, msg, wParam, lParam);
        t_creating = nullptr;
        SetPropW(window, kControlProp, control);
        control->m_handle = window;
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (control->m_destroying)
            control->TWinControl::DefaultHandler(m);
        else
            control->WndProc(m);
    } catch (...) {
        HandleCurrentException();
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(window, kControlProp);
        if (control->m_handle == window)
            control->m_handle = nullptr;
    }
    return m.Result;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), m_brush(new TBrush()) {}

TWinControl::~TWinControl()
{
    MarkDestroying();
    DestroyHandle();
    if (Parent())
        Parent()->RemoveControl(this);
    while (!m_controls.empty()) {
        TControl* child = m_controls.back();
        RemoveControl(child);
        delete child;
    }
    delete m_brush;
}

void TWinControl::MarkDestroying()
{
    m_destroying = true;
    ControlDestroyed(this);
    for (TControl* c : m_controls) {
        c->m_destroying = true;
        ControlDestroyed(c);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->MarkDestroying();
    }
}

TWinControl* TWinControl::FindControl(HWND window)
{
    if (!window)
        return nullptr;
    return static_cast<TWinControl*>(GetPropW(window, kControlProp));
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    return m_controls[index];
}

void TWinControl::InsertControl(TControl* control)
{
    m_controls.push_back(control);
    control->m_parent = this;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        m_tabList.push_back(w);
        if (m_handle) {
            if (w->m_handle)
                ::SetParent(w->m_handle, m_handle);
            else
                w->CreateHandle();
        }
    }
}

void TWinControl::RemoveControl(TControl* control)
{
    if (control->m_parent != this)
        return;
    control->Invalidate();
    // Compared as controls: a windowed control's own destructor may be past its
    // windowed part already.
    m_tabList.erase(
        std::remove_if(m_tabList.begin(), m_tabList.end(),
                       [control](TWinControl* w) { return static_cast<TControl*>(w) == control; }),
        m_tabList.end());
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->m_handle && !m_destroying && !w->m_destroying)
            w->DestroyHandle();
    } else if (control->m_hintTool && m_handle) {
        TOOLINFOW ti = MakeToolInfo(m_handle, reinterpret_cast<UINT_PTR>(control));
        SendMessageW(ToolTipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        control->m_hintTool = false;
    }
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
    control->m_parent = nullptr;
}

bool TWinControl::ContainsControl(TControl* control) const
{
    for (; control; control = control->Parent())
        if (control == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls)
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c))
            continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled()))
            continue;
        if (c->BoundsRect().Contains(pos))
            return c;
    }
    return nullptr;
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return m_handle;
}

void TWinControl::HandleNeeded()
{
    if (m_handle)
        return;
    // A control on its way out never gets a new window (its old one may be gone with
    // its owner's), nor does anything once the application has shut down.
    if (m_destroying || ComponentState().Contains(csDestroying) || ApplicationShutDown())
        return;
    if (m_parent)
        m_parent->HandleNeeded();
    if (!m_handle)
        CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p)
{
    ZeroMemory(&p, sizeof(p));
    p.Caption = m_text.c_str();
    p.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle().Contains(csAcceptsControls))
        p.Style |= WS_CLIPCHILDREN;
    if (Visible())
        p.Style |= WS_VISIBLE;
    if (!Enabled())
        p.Style |= WS_DISABLED;
    p.X = Left();
    p.Y = Top();
    p.Width = Width();
    p.Height = Height();
    if (m_parent)
        p.WndParent = m_parent->Handle();
    p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    p.WindowClass.lpfnWndProc = DefWindowProcW;
    p.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    String name = L"Forms" + ClassName();
    wcsncpy(p.WinClassName, name.c_str(), 63);
    p.WinClassName[63] = 0;
}

void TWinControl::CreateSubClass(TCreateParams& p, const wchar_t* controlClassName)
{
    WNDCLASSW wc;
    if (!GetClassInfoW(nullptr, controlClassName, &wc) && !GetClassInfoW(Instance(), controlClassName, &wc)) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        if (!GetClassInfoW(nullptr, controlClassName, &wc))
            RaiseLastOSError();
    }
    p.WindowClass = wc;
    p.WindowClass.style &= ~CS_GLOBALCLASS;
}

void TWinControl::CreateWnd()
{
    TCreateParams p;
    CreateParams(p);
    std::wstring className = p.WinClassName;
    auto found = g_classes.find(className);
    if (found == g_classes.end()) {
        ClassInfo info{p.WindowClass.lpfnWndProc ? p.WindowClass.lpfnWndProc : DefWindowProcW, false};
        info.system = info.defProc != DefWindowProcW;
        WNDCLASSW wc = p.WindowClass;
        wc.lpfnWndProc = FormsWndProc;
        wc.hInstance = Instance();
        wc.lpszClassName = p.WinClassName;
        if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            RaiseLastOSError();
        found = g_classes.emplace(className, info).first;
    }
    m_defWndProc = found->second.defProc;
    m_systemClass = found->second.system;
    t_creating = this;
    HMENU id = (p.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(ComponentIndex() + 1000))
                                    : nullptr;
    HWND window = CreateWindowExW(p.ExStyle, p.WinClassName, p.Caption, p.Style, p.X, p.Y, p.Width, p.Height,
                                  p.WndParent, id, Instance(), p.Param);
    t_creating = nullptr;
    if (!window)
        RaiseLastOSError();
    if (m_handle != window) {
        // The window never passed through our procedure (it can't happen with our classes).
        m_handle = window;
        SetPropW(window, kControlProp, this);
    }
}

void TWinControl::CreateHandle()
{
    if (m_handle)
        return;
    CreateWnd();
    if (m_systemClass)
        SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    InitializeWindow();
    for (size_t i = 0; i < m_tabList.size(); ++i) {
        TWinControl* child = m_tabList[i];
        if (!child->m_handle)
            child->CreateHandle();
    }
    // Stack the windows in the order of the children, the last one on top.
    for (TControl* c : m_controls) {
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (w->m_handle)
                SetWindowPos(w->m_handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    UpdateHintTool();
    for (TControl* c : m_controls)
        if (!dynamic_cast<TWinControl*>(c))
            c->UpdateHintTool();
}

void TWinControl::SaveWindowState()
{
    if (!m_handle)
        return;
    int len = GetWindowTextLengthW(m_handle);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    GetWindowTextW(m_handle, &text[0], len + 1);
    text.resize(wcslen(text.c_str()));
    m_text = text;
    for (TWinControl* child : m_tabList)
        child->SaveWindowState();
}

void TWinControl::RemoveHintTools()
{
    if (m_hintTool && m_handle) {
        TOOLINFOW ti = MakeToolInfo(m_handle, reinterpret_cast<UINT_PTR>(m_handle));
        SendMessageW(ToolTipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    m_hintTool = false;
    for (TControl* c : m_controls) {
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            w->RemoveHintTools();
        } else if (c->m_hintTool && m_handle) {
            TOOLINFOW ti = MakeToolInfo(m_handle, reinterpret_cast<UINT_PTR>(c));
            SendMessageW(ToolTipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            c->m_hintTool = false;
        }
    }
}

void TWinControl::DestroyHandle()
{
    if (!m_handle)
        return;
    if (g_toolTip)
        RemoveHintTools();
    if (!m_destroying)
        SaveWindowState();
    HWND window = m_handle;
    if (GetCapture() == window)
        ReleaseCapture();
    DestroyWindow(window);
    m_handle = nullptr;
}

void TWinControl::RecreateWnd()
{
    if (!m_handle)
        return;
    bool focused = Focused();
    DestroyHandle();
    HandleNeeded();
    if (focused && CanFocus())
        SetFocus();
}

String TWinControl::GetText() const
{
    if (!m_handle)
        return m_text;
    int len = GetWindowTextLengthW(m_handle);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    GetWindowTextW(m_handle, &text[0], len + 1);
    text.resize(wcslen(text.c_str()));
    return String(text);
}

void TWinControl::SetTextValue(const String& value)
{
    m_text = value;
    if (m_handle)
        SetWindowTextW(m_handle, value.c_str());
}

TRect TWinControl::ClientRect()
{
    if (m_handle) {
        RECT r;
        GetClientRect(m_handle, &r);
        return TRect(r);
    }
    return TControl::ClientRect();
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (!CheckNewSize(width, height))
        return;
    if (left == Left() && top == Top() && width == Width() && height == Height())
        return;
    bool resized = width != Width() || height != Height();
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_handle)
        SetWindowPos(m_handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized)
        Resize();
}

void TWinControl::SetVisible(bool value)
{
    if (value == Visible())
        return;
    m_visible = value;
    VisibleChanged();
    UpdateShowing();
}

void TWinControl::UpdateShowing()
{
    if (Visible() && !m_handle && m_parent && m_parent->m_handle)
        CreateHandle();
    if (m_handle)
        ShowWindow(m_handle, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

bool TWinControl::Showing() const
{
    if (!m_handle)
        return false;
    return IsWindowVisible(m_handle) != FALSE;
}

void TWinControl::SetEnabled(bool value)
{
    if (value == Enabled())
        return;
    m_enabled = value;
    if (m_handle)
        EnableWindow(m_handle, value);
    EnabledChanged();
}

void TWinControl::Invalidate()
{
    if (m_handle)
        InvalidateRect(m_handle, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update()
{
    if (m_handle)
        UpdateWindow(m_handle);
}

void TWinControl::FontChanged()
{
    if (m_handle && m_systemClass)
        SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    TControl::FontChanged();
    // Copy the list: a child's handler may change it.
    std::vector<TControl*> children = m_controls;
    for (TControl* c : children)
        if (c->ParentFont())
            c->ParentFontChanged();
}

void TWinControl::ColorChanged()
{
    TControl::ColorChanged();
    std::vector<TControl*> children = m_controls;
    for (TControl* c : children)
        c->ParentColorChanged();
}

void TWinControl::ParentChanged()
{
    if (m_parent && m_parent->m_handle && !m_handle && Visible())
        CreateHandle();
    if (!m_parent && m_handle)
        DestroyHandle();
    TControl::ParentChanged();
}

HBRUSH TWinControl::BackgroundBrush()
{
    m_brush->SetColor(Color());
    return m_brush->Handle();
}

bool TWinControl::Focused() { return m_handle && GetFocus() == m_handle; }

bool TWinControl::CanFocus()
{
    for (TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus()
{
    HWND window = Handle();
    if (window)
        ::SetFocus(window);
}

int TWinControl::TabOrder() const
{
    if (!m_parent)
        return -1;
    auto& list = m_parent->m_tabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_tabList;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (value < 0)
        value = 0;
    if (value > static_cast<int>(list.size()))
        value = static_cast<int>(list.size());
    list.insert(list.begin() + value, this);
}

void TWinControl::CollectTabChain(std::vector<TWinControl*>& list)
{
    for (TWinControl* child : m_tabList) {
        list.push_back(child);
        child->CollectTabChain(list);
    }
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop)
{
    std::vector<TWinControl*> all;
    CollectTabChain(all);
    std::vector<TWinControl*> chain;
    for (TWinControl* c : all)
        if (c == current || (c->CanFocus() && (!checkTabStop || c->TabStop())))
            chain.push_back(c);
    if (chain.empty())
        return;
    int n = static_cast<int>(chain.size());
    int i = static_cast<int>(std::find(chain.begin(), chain.end(), current) - chain.begin());
    for (int step = 1; step <= n; ++step) {
        int k = i >= n ? (forward ? step - 1 : n - step) : ((i + (forward ? step : -step)) % n + n) % n;
        TWinControl* c = chain[k];
        if (c != current && c->CanFocus() && (!checkTabStop || c->TabStop())) {
            c->SetFocus();
            return;
        }
    }
}

void TWinControl::PaintTo(HDC dc, int x, int y)
{
    HandleNeeded();
    int saved = SaveDC(dc);
    POINT org;
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x + x, org.y + y, nullptr);
    IntersectClipRect(dc, 0, 0, Width(), Height());
    // A border of the control's own outside its client area: the client goes inside it.
    if (int edge = m_systemClass ? 0 : PaintBorder(dc)) {
        SetViewportOrgEx(dc, org.x + x + edge, org.y + y + edge, nullptr);
        IntersectClipRect(dc, 0, 0, Width() - 2 * edge, Height() - 2 * edge);
    }
    if (m_systemClass) {
        SendMessageW(m_handle, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    } else {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
    for (TControl* c : m_controls) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->Visible())
            w->PaintTo(dc, w->Left(), w->Top());
    }
    RestoreDC(dc, saved);
}

void TWinControl::EraseBackground(HDC dc)
{
    RECT r;
    if (m_handle)
        GetClientRect(m_handle, &r);
    else
        r = TRect(0, 0, Width(), Height());
    FillRect(dc, &r, BackgroundBrush());
}

void TWinControl::PaintWindow(HDC dc)
{
    if (m_systemClass)
        CallWindowProcW(m_defWndProc, m_handle, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void TWinControl::PaintControls(HDC dc)
{
    std::vector<TControl*> children = m_controls;
    for (TControl* c : children) {
        if (dynamic_cast<TWinControl*>(c) || !c->Visible())
            continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(dc, &r))
            continue;
        int saved = SaveDC(dc);
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + c->Left(), org.y + c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->PaintOnParent(dc);
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintHandler(TMessage& m)
{
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    PAINTSTRUCT ps;
    bool own = dc == nullptr;
    if (own)
        dc = BeginPaint(m_handle, &ps);
    int saved = SaveDC(dc);
    PaintWindow(dc);
    RestoreDC(dc, saved);
    PaintControls(dc);
    if (own)
        EndPaint(m_handle, &ps);
    m.Result = 0;
}

bool TWinControl::IsControlMouseMsg(TMessage& m)
{
    TControl* target = nullptr;
    int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    if (g_captureControl) {
        if (g_captureControl->Parent() == this && !dynamic_cast<TWinControl*>(g_captureControl))
            target = g_captureControl;
        else if (g_captureControl == this)
            return false;
    }
    if (!target)
        target = ControlAtPos(TPoint(x, y), false);
    if (!target)
        return false;
    TMessage tm = m;
    tm.LParam = PointToLParam(x - target->Left(), y - target->Top());
    target->WndProc(tm);
    m.Result = tm.Result;
    return true;
}

void TWinControl::ReflectToChild(TMessage& m)
{
    HWND child = nullptr;
    if (m.Msg == WM_COMMAND)
        child = reinterpret_cast<HWND>(m.LParam);
    else if (m.Msg == WM_NOTIFY)
        child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
    else
        child = reinterpret_cast<HWND>(m.LParam);
    TWinControl* control = FindControl(child);
    if (control && control != this && !control->m_destroying) {
        m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

bool TWinControl::DoKeyDown(TMessage& m)
{
    TShiftState shift = KeyDataToShiftState(m.LParam);
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyDown(m))
        return true;
    WORD key = static_cast<WORD>(m.WParam);
    KeyDown(key, shift);
    if (key == 0)
        return true;
    m.WParam = key;
    if (key == VK_TAB && m.Msg == WM_KEYDOWN && !WantsTab() && !shift.Contains(ssCtrl) &&
        !shift.Contains(ssAlt)) {
        TWinControl* root = this;
        while (root->Parent())
            root = root->Parent();
        root->SelectNext(this, !shift.Contains(ssShift), true);
        return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& m)
{
    TShiftState shift = KeyDataToShiftState(m.LParam);
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyUp(m))
        return true;
    WORD key = static_cast<WORD>(m.WParam);
    KeyUp(key, shift);
    if (key == 0)
        return true;
    m.WParam = key;
    return false;
}

bool TWinControl::DoKeyPress(TMessage& m)
{
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyPress(m))
        return true;
    wchar_t key = static_cast<wchar_t>(m.WParam);
    KeyPress(key);
    if (key == 0)
        return true;
    // Tab moves the focus; don't let the window beep about it.
    if (key == L'\t' && !WantsTab())
        return true;
    m.WParam = key;
    return false;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) { OnKeyDown(this, key, shift); }
void TWinControl::KeyUp(WORD& key, TShiftState shift) { OnKeyUp(this, key, shift); }
void TWinControl::KeyPress(wchar_t& key) { OnKeyPress(this, key); }
void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }

void TWinControl::Dispatch(TMessage& m)
{
    if (IsClientMouseMessage(m.Msg) && IsControlMouseMsg(m))
        return;
    switch (m.Msg) {
    case WM_PAINT:
        if (m_systemClass)
            DefaultHandler(m);
        else
            PaintHandler(m);
        return;
    case WM_PRINTCLIENT:
        if (m_systemClass) {
            DefaultHandler(m);
        } else {
            TMessage p{WM_PAINT, m.WParam, 0, 0};
            PaintHandler(p);
        }
        return;
    case WM_ERASEBKGND:
        if (m_systemClass) {
            DefaultHandler(m);
        } else {
            EraseBackground(reinterpret_cast<HDC>(m.WParam));
            m.Result = 1;
        }
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(m)) {
            m.Result = 0;
            return;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (DoKeyUp(m)) {
            m.Result = 0;
            return;
        }
        break;
    case WM_CHAR:
        if (DoKeyPress(m)) {
            m.Result = 0;
            return;
        }
        break;
    case WM_SETFOCUS:
        DefaultHandler(m);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(m);
        DoExit();
        return;
    case WM_CAPTURECHANGED:
        if (g_captureControl && reinterpret_cast<HWND>(m.LParam) != m_handle &&
            (g_captureControl == this || g_captureControl->Parent() == this))
            g_captureControl = nullptr;
        break;
    case WM_COMMAND:
        if (m.LParam) {
            ReflectToChild(m);
            return;
        }
        break;
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        ReflectToChild(m);
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        SetTextColor(dc, ColorRef(Enabled() ? Font()->Color() : clGrayText));
        SetBkColor(dc, ColorRef(Color()));
        m.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
        return;
    }
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (!(pos->flags & SWP_NOSIZE) || !(pos->flags & SWP_NOMOVE)) {
            RECT r;
            GetWindowRect(m_handle, &r);
            HWND parent = (GetWindowLongW(m_handle, GWL_STYLE) & WS_CHILD) ? GetParent(m_handle) : nullptr;
            if (parent)
                MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            bool resized = r.right - r.left != m_width || r.bottom - r.top != m_height;
            m_left = r.left;
            m_top = r.top;
            m_width = r.right - r.left;
            m_height = r.bottom - r.top;
            if (resized)
                Resize();
        }
        break;
    }
    default:
        break;
    }
    TControl::Dispatch(m);
}

void TWinControl::DefaultHandler(TMessage& m)
{
    if (!m_handle)
        return;
    if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400)
        return;
    if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE)
        return;
    m.Result =
        CallWindowProcW(m_defWndProc ? m_defWndProc : DefWindowProcW, m_handle, m.Msg, m.WParam, m.LParam);
}

// ---- canvases, custom and graphic controls -------------------------------------------------

TControlCanvas::~TControlCanvas()
{
    SetHandle(nullptr);
    if (m_measureDC)
        DeleteDC(m_measureDC);
}

void TControlCanvas::CreateHandle()
{
    if (!m_measureDC)
        m_measureDC = CreateCompatibleDC(nullptr);
    SetHandle(m_measureDC);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), m_canvas(new TControlCanvas(this))
{
}

TCustomControl::~TCustomControl()
{
    MarkDestroying();
    DestroyHandle();
    delete m_canvas;
    m_canvas = nullptr;
}

namespace {
// Lends a control's canvas the paint context for one Paint, with the control's font and colour.
template <class Paint>
void PaintOnContext(TCanvas* canvas, TControl* control, HDC dc, Paint paint)
{
    canvas->SetHandle(dc);
    try {
        canvas->Font()->Assign(control->Font());
        canvas->Brush()->SetColor(control->Color());
        paint();
    } catch (...) {
        canvas->SetHandle(nullptr);
        throw;
    }
    canvas->SetHandle(nullptr);
}
} // namespace

void TCustomControl::PaintWindow(HDC dc)
{
    PaintOnContext(m_canvas, this, dc, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), m_canvas(new TControlCanvas(this)) {}

TGraphicControl::~TGraphicControl() { delete m_canvas; }

void TGraphicControl::PaintOnParent(HDC dc)
{
    PaintOnContext(m_canvas, this, dc, [this] { Paint(); });
}
