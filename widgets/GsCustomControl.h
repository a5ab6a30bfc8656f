#pragma once
// GsCustomControl: the windowed base of the owner-drawn controls. A root element of the
// element tree (made by the concrete class's CreateWidget on first use) does all drawing
// and hit logic: Paint renders the tree into a fresh 32-bit bitmap and copies it to the
// window. Mouse input goes into the tree; enter and leave come from TrackMouseEvent, and
// with Repeated a held left button repeats mouse-down from the hover messages (200 ms,
// then 20 ms less each time down to 20 ms). The control also draws itself, and its
// children, into a parent's 32-bit composite (ComposeInto).
#include <windows.h>

#include "forms/Controls.h"
#include "src/gui/widget/GsWidget.h"
#include "widgets/GsAlphaFormat.h"

namespace gs {

// The one way to TrackMouseEvent, so tests can see the records handed to it.
using TrackMouseEventFunction = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
// Installs a replacement (null: the system's); returns the previous one.
TrackMouseEventFunction SetTrackMouseEventFunction(TrackMouseEventFunction function);

} // namespace gs

class GsCustomControl : public TCustomControl {
public:
    explicit GsCustomControl(TComponent* AOwner);
    ~GsCustomControl() override;

    // The root element, made on first use; the control then takes its size.
    gs::GsWidget* GetWidget();
    bool HasWidget() const { return m_widget != nullptr; }

    void SetEnabled(bool value) override;

    // Sizes target to the control and renders into it.
    virtual void PaintToBitmap(TBitmap* target);
    // Draws the control (and with withChildren its children) into a parent's composite,
    // at (Left, Top) of the target canvas's current viewport origin.
    virtual void ComposeInto(TBitmap* target, bool withChildren, bool force);
    // Client coordinates.
    virtual bool HitTest(int x, int y);
    // Takes the root element's size.
    virtual void AdjustToWidget();
    virtual void RenderTo(TBitmap* target, bool toCanvas);
    using TWinControl::EraseBackground;
    virtual void EraseBackground();

    bool Repeated() const { return m_repeated; }
    void SetRepeated(bool value) { m_repeated = value; }
    TBitmap* InputBkgnd() const { return m_inputBkgnd; }
    GsAlphaFormat AlphaFormat() const { return m_alphaFormat; }
    void SetAlphaFormat(GsAlphaFormat value) { m_alphaFormat = value; }
    // The interval handed to TrackMouseEvent, in milliseconds.
    unsigned HoverTime() const { return m_hoverTime; }

protected:
    virtual gs::GsWidget* CreateWidget() = 0;

    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;

    void TrackMouse();
    void WMMouseHover(TMessage& message);
    void WMMouseLeave(TMessage& message);
    // The element's resize callback of the concrete classes.
    void WidgetResized(gs::GsWidget* sender);

    gs::GsWidget* m_widget = nullptr;
    bool m_repeated = false;
    bool m_hovering = false;
    bool m_keyHeld = false;
    bool m_leftHeld = false;
    TBitmap* m_inputBkgnd = nullptr;
    GsAlphaFormat m_alphaFormat = gafDefined;
    unsigned m_hoverTime = 200;
};
