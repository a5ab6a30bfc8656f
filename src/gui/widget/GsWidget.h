#pragma once
// gs::GsWidget: one element of the lightweight element tree a windowed control draws and
// routes its mouse input through. An element is a rectangle in its parent's coordinates
// with children (the last child is the topmost). Drawing goes into a 32-bit bitmap through
// GDI clip regions and the viewport origin, so a child's Paint works in its own
// coordinates; input goes to the topmost enabled, visible child under the pointer, and a
// mouse-down captures the chain of elements it went through until the left button is up.
//
// Ownership: a parent frees its children. An element destroyed on its own leaves its
// parent's list first, and an element removed from its parent is no longer that parent's
// capture, so no later mouse event reaches a freed element.
#include <windows.h>

#include <vector>

#include "forms/Classes.h"
#include "forms/ControlTypes.h"
#include "forms/Graphics.h"

class TControl;

namespace gs {

class GsWidget;

using TWidgetNotifyEvent = TEvent<GsWidget*>;
using TWidgetMouseEvent = TEvent<GsWidget*, TMouseButton, TShiftState, int, int>;
using TWidgetMouseMoveEvent = TEvent<GsWidget*, TShiftState, int, int>;

class GsWidget {
public:
    GsWidget() = default;
    GsWidget(const GsWidget&) = delete;
    GsWidget& operator=(const GsWidget&) = delete;
    virtual ~GsWidget();

    // Point in the parent's coordinates.
    virtual bool HitTest(int x, int y);
    virtual void Reserved(int value);
    virtual void SetParent(GsWidget* parent);
    virtual void SetX(int value) { m_x = value; }
    virtual void SetY(int value) { m_y = value; }
    virtual void SetWidth(int w) { SetBounds(m_x, m_y, w, m_height); }
    virtual void SetHeight(int h) { SetBounds(m_x, m_y, m_width, h); }
    virtual void SetEnabled(bool value);
    virtual void SetVisible(bool value);
    virtual void SetText(const String& value);
    virtual void SetAutoSize(bool value) { m_autoSize = value; }
    // Draws the element itself; rect is its area in its own coordinates.
    virtual void Paint(TBitmap* target, const TRect& rect);
    virtual void KeyDownHook(WORD& key, TShiftState shift, bool flag);
    virtual void KeyUpHook(WORD& key, TShiftState shift, bool flag);
    // Hook coordinates are the element's own.
    virtual void MouseMoveHook(TShiftState shift, int x, int y);
    virtual void MouseDownHook(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUpHook(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseLeaveHook();
    virtual void MouseEnterHook();
    virtual void ClickHook();
    virtual bool CanAutoSize(int& w, int& h);
    virtual bool CanResize(int& w, int& h);

    GsWidget* Parent() const { return m_parent; }
    int X() const { return m_x; }
    int Y() const { return m_y; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Visible() const { return m_visible; }
    bool Enabled() const { return m_enabled; }
    bool AutoSize() const { return m_autoSize; }
    bool TransparentHit() const { return m_transparentHit; }
    void SetTransparentHit(bool value) { m_transparentHit = value; }
    BYTE HitAlphaLimit() const { return m_hitAlphaLimit; }
    void SetHitAlphaLimit(BYTE value) { m_hitAlphaLimit = value; }
    BYTE Opacity() const { return m_opacity; }
    // Stores and repaints, also for an equal value.
    void SetOpacity(BYTE value);
    const String& Text() const { return m_text; }
    bool MouseInside() const { return m_mouseInside; }
    TControl* OwningControl() const { return m_control; }
    void SetOwningControl(TControl* control) { m_control = control; }

    // A refused size changes nothing, not even the position. No repaint is asked for.
    void SetBounds(int x, int y, int w, int h);

    void AddChild(GsWidget* child);
    void RemoveChild(GsWidget* child);
    int ChildCount() const { return static_cast<int>(m_children.size()); }
    GsWidget* Child(int index) const { return m_children[static_cast<size_t>(index)]; }

    // Asks the root's owning control for a repaint.
    void Invalidate();
    void Draw(TBitmap* target);
    void PaintChildren(TBitmap* target);

    // Input in the parent's coordinates.
    void MouseMove(TShiftState shift, int x, int y);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseEnter();
    void MouseLeave();
    void Click();
    void KeyDown(WORD& key, TShiftState shift, bool flag);
    void KeyUp(WORD& key, TShiftState shift, bool flag);

    // Point in this element's coordinates.
    GsWidget* FindHitChild(int x, int y);
    GsWidget* GetCaptureChild() const { return m_capture == this ? nullptr : m_capture; }
    bool HasCapture() const { return m_capture != nullptr; }
    void SetCaptureChild(GsWidget* widget);

    TWidgetNotifyEvent OnAfterPaint;
    TWidgetNotifyEvent OnClick;
    TWidgetMouseEvent OnMouseDown;
    TWidgetMouseEvent OnMouseUp;
    TWidgetMouseMoveEvent OnMouseMove;
    TWidgetNotifyEvent OnMouseEnter;
    TWidgetNotifyEvent OnMouseLeave;
    TWidgetNotifyEvent OnResize;

protected:
    // Blends a premultiplied 32-bit image at p with the element's opacity.
    void DrawImage(TBitmap* target, const TPoint& p, TBitmap* image);

private:
    bool NegotiateSize(int& w, int& h);
    void ReleaseCaptureChain();

    GsWidget* m_parent = nullptr;
    int m_x = 0, m_y = 0;
    int m_width = 0, m_height = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_autoSize = true;
    bool m_transparentHit = true;
    BYTE m_hitAlphaLimit = 40;
    BYTE m_opacity = 255;
    bool m_mouseInside = false;
    GsWidget* m_capture = nullptr;
    TControl* m_control = nullptr;
    String m_text;
    std::vector<GsWidget*> m_children;
};

} // namespace gs
