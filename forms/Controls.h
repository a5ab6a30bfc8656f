#pragma once
// Controls: TControl (any visual element), TWinControl (one with a window of its own),
// TCustomControl (a window that paints itself on a canvas) and TGraphicControl (drawn on
// its parent's window).
//
// Messages reach a control through its virtual WndProc, which hands them to the virtual
// Dispatch; Dispatch runs the library's own handling (mouse, keys, focus, painting) and
// ends in DefaultHandler, the window's original procedure. Subclasses override WndProc or
// Dispatch and call the base for everything they don't handle themselves.
//
// A window is made on demand: Handle() of a control whose parent window exists (or of a
// form) creates it through the virtual CreateParams, so a derived class's parameters are
// honoured. Exceptions raised by event handlers never cross the window procedure: the
// application shows them and the message loop goes on.
#include <windows.h>

#include <vector>

#include "forms/Classes.h"
#include "forms/ControlTypes.h"
#include "forms/Graphics.h"

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// Notifications a parent window receives for a child window (WM_COMMAND, WM_CTLCOLOR...)
// are handed to that child as CN_BASE + the message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;

// The library's own notices: the mouse entered or left a control.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;

struct TCreateParams {
    const wchar_t* Caption;
    DWORD Style;
    DWORD ExStyle;
    int X, Y;
    int Width, Height;
    HWND WndParent;
    void* Param;
    WNDCLASSW WindowClass;
    wchar_t WinClassName[64];
};

using TCanResizeEvent = TEvent<TObject*, int&, int&, bool&>;

class TWinControl;
class TCustomForm;
class TControlCanvas;

// Mouse input. A left press captures the mouse (csCaptureMouse); releasing the button
// over the control that took the press releases the capture, then calls Click (with
// csClickEvents), then MouseUp. Coordinates are signed (a captured mouse may be left of
// or above the control). Double clicks: a control whose ControlStyle holds csDoubleClicks
// (the default) gets DblClick and a MouseDown with ssDouble for a fast second press, and
// that press's release makes no Click; without csDoubleClicks the second press is an
// ordinary one, so every press and release clicks. OnMouseEnter and OnMouseLeave fire as
// the mouse moves from control to control, and when it leaves the program's windows.
// While a control holds the capture, a move outside its client area is a leave (once);
// moving back in enters it again, and no other control is entered until the capture ends.
// A control that tracks the mouse itself (say with TrackMouseEvent) calls
// SetOwnMouseTracking(true): the library then sends it no CM_MOUSEENTER / CM_MOUSELEAVE
// and it calls MouseEnter and MouseLeave (which fire the events) itself, once each.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return m_parent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int value) { SetBounds(value, m_top, m_width, m_height); }
    void SetTop(int value) { SetBounds(m_left, value, m_width, m_height); }
    void SetWidth(int value) { SetBounds(m_left, m_top, value, m_height); }
    void SetHeight(int value) { SetBounds(m_left, m_top, m_width, value); }
    // Moves and sizes the control. A new size is first negotiated: CanResize, and with
    // AutoSize also CanAutoSize (whose answer wins when it differs and CanResize accepts
    // it); a refused size changes nothing, not even the position.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(m_left, m_top, m_width, m_height); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }

    // The client area in the control's own coordinates (0, 0 at its top-left corner).
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Width(); }
    int ClientHeight() { return ClientRect().Height(); }
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    TPoint ClientOrigin();
    TPoint ClientToScreen(const TPoint& p)
    {
        TPoint o = ClientOrigin();
        return TPoint(p.x + o.x, p.y + o.y);
    }
    TPoint ScreenToClient(const TPoint& p)
    {
        TPoint o = ClientOrigin();
        return TPoint(p.x - o.x, p.y - o.y);
    }

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible with every parent up to a shown form.
    virtual bool Showing() const;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool value);

    // Caption and Text are the same text.
    String Caption() const { return GetText(); }
    void SetCaption(const String& value) { SetText(value); }
    String Text() const { return GetText(); }
    void SetText(const String& value);

    // The control's font. While ParentFont is true it follows every change of the parent's
    // font; a change made to it directly clears ParentFont.
    TFont* Font() const { return m_font; }
    void SetFont(TFont* font) { m_font->Assign(font); }
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool value);
    // With ParentColor the parent's colour is used.
    TColor Color() const;
    virtual void SetColor(TColor value);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool value);

    // The tool tip shown over the control while ShowHint is true.
    const String& Hint() const { return m_hint; }
    void SetHint(const String& value);
    // With ParentShowHint (the default) the parent's ShowHint applies; setting ShowHint
    // clears ParentShowHint.
    bool ShowHint() const;
    void SetShowHint(bool value);
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool value);

    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle style) { m_controlStyle = style; }
    bool AutoSize() const { return m_autoSize; }
    virtual void SetAutoSize(bool value);
    TAlign Align() const { return m_align; }
    void SetAlign(TAlign value) { m_align = value; }
    bool MouseCapture() const;
    void SetMouseCapture(bool value);
    // Whether the control fires its own enter and leave (see SetOwnMouseTracking).
    bool OwnMouseTracking() const { return m_ownMouseTracking; }

    // Asks for a repaint of the control's area.
    virtual void Invalidate();
    // Paints what is invalid now.
    virtual void Update();
    void Repaint()
    {
        Invalidate();
        Update();
    }
    void Refresh() { Repaint(); }
    // Moves the control last (topmost) among its parent's children.
    void BringToFront();
    void SendToBack();

    // Sends a message straight to the control's WndProc.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void WndProc(TMessage& message);
    virtual void Dispatch(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TCanResizeEvent OnCanResize;

protected:
    friend class TWinControl;
    friend class TApplication;
    friend class TCustomForm;

    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // Fire OnMouseEnter / OnMouseLeave (reached through CM_MOUSEENTER / CM_MOUSELEAVE).
    virtual void MouseEnter();
    virtual void MouseLeave();
    void SetOwnMouseTracking(bool value) { m_ownMouseTracking = value; }
    virtual bool CanResize(int& newWidth, int& newHeight);
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    virtual void Resize();
    // Re-applies the size negotiation with the current bounds (AutoSize switched on);
    // nothing for a control without a parent.
    virtual void AdjustSize();
    virtual String GetText() const { return m_text; }
    virtual void SetTextValue(const String& value) { m_text = value; }
    virtual void TextChanged();
    // Runs after every change of Font(), set directly or followed from the parent. This is
    // the hook to react to a new font (call the base: it repaints, and a windowed control
    // hands the font on to its window and children). Font()->OnChange is how the library
    // reaches it: replacing that event cuts the control off from its own font handling.
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    // Called after the parent changed (also to none).
    virtual void ParentChanged();
    // A graphic control paints itself here on the parent's context (origin and clip
    // already set to the control).
    virtual void PaintOnParent(HDC dc);
    bool Destroying() const { return m_destroying; }
    bool CheckNewSize(int& width, int& height);
    void UpdateHintTool();
    void UpdateHintTools();

    String m_text;

private:
    void FontChangedHandler(TObject* sender);
    void ParentFontChanged();
    void ParentColorChanged();
    void DoMouseDown(TMessage& m, TMouseButton button, TShiftState shift);
    void DoMouseUp(TMessage& m, TMouseButton button);
    void MouseMessage(TMessage& m);

    TWinControl* m_parent = nullptr;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_parentFont = true;
    bool m_parentColor = false;
    bool m_autoSize = false;
    bool m_showHint = false;
    bool m_parentShowHint = true;
    bool m_clicked = false;
    bool m_assigningParentFont = false;
    bool m_hintTool = false;
    bool m_ownMouseTracking = false;
    TFont* m_font;
    TColor m_color = clWindow;
    String m_hint;
    TControlStyle m_controlStyle;
    TAlign m_align = alNone;

protected:
    bool m_destroying = false;
};

// The form a control sits on: the top-level one, or the nearest when topLevel is false.
TCustomForm* GetParentForm(TControl* control, bool topLevel = true);

// The shift state of a mouse message's key flags (and the Alt key).
TShiftState MouseKeysToShiftState(WPARAM keys);
// The shift state of the keyboard now, with Alt from a key message's data.
TShiftState KeyDataToShiftState(LPARAM keyData);

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, made now if need be (with the parent's first). Null, and nothing made,
    // while the control is being destroyed or after Application->Shutdown.
    HWND Handle();
    bool HandleAllocated() const { return m_handle != nullptr; }
    void HandleNeeded();
    // The control owning a window of this library, or null.
    static TWinControl* FindControl(HWND window);

    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    TControl* Controls(int index) const;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The topmost visible child (graphic only unless allowWinControls) at a client point.
    TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = false);
    bool ContainsControl(TControl* control) const;

    TRect ClientRect() override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;
    bool Showing() const override;
    void Invalidate() override;
    void Update() override;

    bool Focused();
    virtual bool CanFocus();
    virtual void SetFocus();
    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool value) { m_tabStop = value; }
    // Focuses the next (or previous) control of this control's tab chain after current.
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

    // Paints the control and its children into dc with the control's top-left at (x, y).
    void PaintTo(HDC dc, int x, int y);
    void PaintTo(TCanvas* canvas, int x, int y) { PaintTo(canvas->Handle(), x, y); }

    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    friend class TCustomForm;
    friend class TApplication;
    friend LRESULT CALLBACK FormsWndProc(HWND, UINT, WPARAM, LPARAM);

    virtual void CreateParams(TCreateParams& params);
    // Uses a system window class (EDIT, BUTTON...) as the base of this control's class.
    void CreateSubClass(TCreateParams& params, const wchar_t* controlClassName);
    virtual void CreateWnd();
    virtual void CreateHandle();
    virtual void DestroyHandle();
    // Remakes the window (after a change of style); children are remade with it.
    void RecreateWnd();
    // Called once the window exists: set the window's state from the properties.
    virtual void InitializeWindow() {}
    // Called before the window is destroyed: keep what the window alone holds.
    virtual void SaveWindowState();

    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    // Whether the control handles Tab itself.
    virtual bool WantsTab() const { return false; }
    // Draws the control's own picture (the window's own painting for system controls).
    virtual void PaintWindow(HDC dc);
    // Draws a border the control keeps outside its client area, with dc's origin at the
    // window's top-left, and returns its width (PaintTo draws the client inside it).
    virtual int PaintBorder(HDC) { return 0; }
    // Paints the visible graphic children onto dc, each clipped to its bounds.
    void PaintControls(HDC dc);
    virtual void EraseBackground(HDC dc);
    HBRUSH BackgroundBrush();

    String GetText() const override;
    void SetTextValue(const String& value) override;
    void FontChanged() override;
    void ColorChanged() override;
    void ParentChanged() override;
    // Keeps a window of a system class (its painting is its own).
    bool IsSystemClass() const { return m_systemClass; }

    HWND m_handle = nullptr;

    void MarkDestroying();

private:
    friend class TControl;
    bool DoKeyDown(TMessage& m);
    bool DoKeyUp(TMessage& m);
    bool DoKeyPress(TMessage& m);
    bool IsControlMouseMsg(TMessage& m);
    void PaintHandler(TMessage& m);
    void UpdateShowing();
    void ReflectToChild(TMessage& m);
    void CollectTabChain(std::vector<TWinControl*>& list);
    void RemoveHintTools();

    std::vector<TControl*> m_controls;
    std::vector<TWinControl*> m_tabList;
    WNDPROC m_defWndProc = nullptr;
    bool m_systemClass = false;
    bool m_tabStop = false;
    TBrush* m_brush;
};

// A canvas for a control: the paint context while the control paints, otherwise a
// screen-compatible context for measuring text.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : m_control(control) {}
    ~TControlCanvas() override;
    TControl* Control() const { return m_control; }

protected:
    void CreateHandle() override;

private:
    TControl* m_control;
    HDC m_measureDC = nullptr;
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return m_canvas; }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    TControlCanvas* m_canvas;
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return m_canvas; }

protected:
    virtual void Paint() {}
    void PaintOnParent(HDC dc) override;

private:
    TControlCanvas* m_canvas;
};
