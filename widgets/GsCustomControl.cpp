#include "widgets/GsCustomControl.h"

#include <memory>

#include "src/gui/graphics/image.h"
#include "src/gui/widget/ClipGuard.h"
#include "widgets/GsLabel.h"

namespace gs {

namespace {
TrackMouseEventFunction g_trackMouseEvent = nullptr;
}

TrackMouseEventFunction SetTrackMouseEventFunction(TrackMouseEventFunction function)
{
    TrackMouseEventFunction old = g_trackMouseEvent;
    g_trackMouseEvent = function;
    return old;
}

} // namespace gs

GsCustomControl::GsCustomControl(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetParentFont(false);
    // Enter and leave come from TrackMouseEvent here, not from the library's own tracking.
    SetOwnMouseTracking(true);
}

GsCustomControl::~GsCustomControl()
{
    delete m_widget;
    m_widget = nullptr;
}

gs::GsWidget* GsCustomControl::GetWidget()
{
    if (!m_widget) {
        m_widget = CreateWidget();
        m_widget->SetOwningControl(this);
        SetBounds(Left(), Top(), m_widget->Width(), m_widget->Height());
    }
    return m_widget;
}

void GsCustomControl::SetEnabled(bool value)
{
    TCustomControl::SetEnabled(value);
    GetWidget()->SetEnabled(value);
    Invalidate();
}

void GsCustomControl::PaintToBitmap(TBitmap* target)
{
    target->SetSize(Width(), Height());
    RenderTo(target, false);
}

void GsCustomControl::RenderTo(TBitmap* target, bool toCanvas)
{
    if (m_inputBkgnd)
        gs::CopyBitmapToCanvas(target->Canvas(), TRect(0, 0, Width(), Height()), m_inputBkgnd,
                               TPoint(Left(), Top()));
    gs::GsWidget* widget = GetWidget();
    widget->SetText(Text());
    widget->Draw(target);
    if (toCanvas)
        Canvas()->Draw(0, 0, target);
}

void GsCustomControl::ComposeInto(TBitmap* target, bool withChildren, bool)
{
    gs::GsWidget* widget = GetWidget();
    widget->SetX(Left());
    widget->SetY(Top());
    widget->SetText(Text());
    widget->Draw(target);
    widget->SetX(0);
    widget->SetY(0);
    if (!withChildren)
        return;
    // The children land at the control's place; their clip is their own.
    gs::ClipGuard frame(target, TPoint(Left(), Top()));
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (auto* control = dynamic_cast<GsCustomControl*>(child))
            control->ComposeInto(target, withChildren, false);
        else if (auto* label = dynamic_cast<GsLabel*>(child))
            label->ComposeInto(target, withChildren);
    }
}

bool GsCustomControl::HitTest(int x, int y) { return x >= 0 && x < Width() && y >= 0 && y < Height(); }

void GsCustomControl::AdjustToWidget()
{
    gs::GsWidget* widget = GetWidget();
    SetBounds(Left(), Top(), widget->Width(), widget->Height());
}

void GsCustomControl::WidgetResized(gs::GsWidget*) { AdjustToWidget(); }

void GsCustomControl::EraseBackground() {}

void GsCustomControl::Paint()
{
    std::unique_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(Width(), Height());
    RenderTo(bitmap.get(), true);
}

void GsCustomControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_ERASEBKGND:
        EraseBackground();
        message.Result = 1;
        return;
    case WM_CAPTURECHANGED:
        m_leftHeld = false;
        break;
    }
    TCustomControl::WndProc(message);
}

void GsCustomControl::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_MOUSEHOVER:
        WMMouseHover(message);
        break;
    case WM_MOUSELEAVE:
        WMMouseLeave(message);
        break;
    default:
        TCustomControl::Dispatch(message);
        break;
    }
}

void GsCustomControl::MouseMove(TShiftState shift, int x, int y)
{
    if (!shift.Contains(ssLeft))
        m_hoverTime = 200;
    if (HitTest(x, y)) {
        if (!m_hovering || m_leftHeld) {
            bool entering = !m_hovering && !m_leftHeld;
            TrackMouse();
            m_hovering = true;
            if (entering)
                MouseEnter();
        }
    } else if (m_hovering) {
        m_hovering = false; // the leave itself comes with WM_MOUSELEAVE
    }
    GetWidget()->MouseMove(shift, x, y);
    TCustomControl::MouseMove(shift, x, y);
}

void GsCustomControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft)
        m_leftHeld = true;
    GetWidget()->MouseDown(button, shift, x, y);
    TCustomControl::MouseDown(button, shift, x, y);
}

void GsCustomControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft) {
        // The capture may already be gone (and the flag with it) by the time the up arrives.
        m_leftHeld = false;
        m_hoverTime = 200;
    }
    GetWidget()->MouseUp(button, shift, x, y);
    TCustomControl::MouseUp(button, shift, x, y);
}

void GsCustomControl::WMMouseHover(TMessage& message)
{
    TShiftState shift;
    if (message.WParam & MK_LBUTTON)
        shift << ssLeft;
    if (message.WParam & MK_RBUTTON)
        shift << ssRight;
    if (message.WParam & MK_MBUTTON)
        shift << ssMiddle;
    if (message.WParam & MK_SHIFT)
        shift << ssShift;
    if (message.WParam & MK_CONTROL)
        shift << ssCtrl;
    int x = static_cast<int>(LOWORD(message.LParam));
    int y = static_cast<int>(HIWORD(message.LParam));
    if (message.WParam & MK_LBUTTON)
        MouseDown(mbLeft, shift, x, y);
    else if (message.WParam & MK_RBUTTON)
        MouseDown(mbRight, shift, x, y);
    else if (message.WParam & MK_MBUTTON)
        MouseDown(mbMiddle, shift, x, y);
    if (shift.Contains(ssLeft))
        m_hoverTime = m_hoverTime < 40 ? 20 : m_hoverTime - 20;
    else
        m_hoverTime = 200;
    TrackMouse();
}

void GsCustomControl::WMMouseLeave(TMessage&)
{
    m_hovering = false;
    GetWidget()->MouseLeave();
    MouseLeave();
}

void GsCustomControl::TrackMouse()
{
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track); // 24 on 64-bit, 16 on 32-bit
    track.dwFlags = m_repeated ? TME_LEAVE | TME_HOVER : TME_LEAVE;
    track.hwndTrack = Handle();
    track.dwHoverTime = m_hoverTime;
    if (gs::g_trackMouseEvent)
        gs::g_trackMouseEvent(&track);
    else
        ::TrackMouseEvent(&track);
}

void GsCustomControl::DoEnter()
{
    Invalidate();
    TCustomControl::DoEnter();
}

void GsCustomControl::DoExit()
{
    Invalidate();
    TCustomControl::DoExit();
}

void GsCustomControl::KeyDown(WORD& key, TShiftState shift)
{
    if ((key == VK_SPACE || key == VK_RETURN) && !m_keyHeld) {
        m_keyHeld = true;
        GetWidget()->KeyDown(key, shift, false);
    }
    TCustomControl::KeyDown(key, shift);
}

void GsCustomControl::KeyUp(WORD& key, TShiftState shift)
{
    if ((key == VK_SPACE || key == VK_RETURN) && m_keyHeld) {
        m_keyHeld = false;
        GetWidget()->KeyUp(key, shift, false);
    }
    TCustomControl::KeyUp(key, shift);
}
