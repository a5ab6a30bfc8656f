#include "src/gui/widget/GsWidget.h"

#include <algorithm>

#include "forms/Controls.h"
#include "src/gui/widget/ClipGuard.h"
#include "src/gui/graphics/image.h"

namespace gs {

GsWidget::~GsWidget()
{
    // A child freed on its own must not stay in its parent's list (nor be its capture).
    if (m_parent) {
        GsWidget* parent = m_parent;
        m_parent = nullptr;
        parent->RemoveChild(this);
    }
    m_capture = nullptr;
    std::vector<GsWidget*> children;
    children.swap(m_children);
    for (GsWidget* child : children) {
        child->m_parent = nullptr;
        delete child;
    }
}

bool GsWidget::HitTest(int x, int y)
{
    return x >= m_x && x < m_x + m_width && y >= m_y && y < m_y + m_height;
}

void GsWidget::Reserved(int) {}

void GsWidget::SetParent(GsWidget* parent)
{
    if (parent == m_parent)
        return;
    if (m_parent)
        m_parent->RemoveChild(this);
    m_parent = parent;
    if (m_parent)
        m_parent->AddChild(this);
}

void GsWidget::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    Invalidate();
}

void GsWidget::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    Invalidate();
}

void GsWidget::SetText(const String& value)
{
    if (value == m_text)
        return;
    m_text = value;
    Invalidate();
}

void GsWidget::Paint(TBitmap*, const TRect&) {}
void GsWidget::KeyDownHook(WORD&, TShiftState, bool) {}
void GsWidget::KeyUpHook(WORD&, TShiftState, bool) {}
void GsWidget::MouseMoveHook(TShiftState, int, int) {}
void GsWidget::MouseDownHook(TMouseButton, TShiftState, int, int) {}
void GsWidget::MouseUpHook(TMouseButton, TShiftState, int, int) {}
void GsWidget::MouseLeaveHook() {}
void GsWidget::MouseEnterHook() {}
void GsWidget::ClickHook() {}
bool GsWidget::CanAutoSize(int&, int&) { return true; }
bool GsWidget::CanResize(int&, int&) { return true; }

void GsWidget::SetOpacity(BYTE value)
{
    m_opacity = value;
    Invalidate();
}

void GsWidget::SetBounds(int x, int y, int w, int h)
{
    if (!NegotiateSize(w, h))
        return;
    bool sizeChanged = w != m_width || h != m_height;
    m_x = x;
    m_y = y;
    m_width = w;
    m_height = h;
    if (sizeChanged && OnResize)
        OnResize(this);
}

bool GsWidget::NegotiateSize(int& w, int& h)
{
    int w1 = w, h1 = h;
    if (!CanResize(w1, h1))
        return false;
    int w2 = w1, h2 = h1;
    bool accepted;
    if (!m_autoSize)
        accepted = true;
    else if (CanAutoSize(w2, h2) && w2 == w1 && h2 == h1)
        accepted = true;
    else
        accepted = CanResize(w2, h2);
    if (accepted) {
        w = w2;
        h = h2;
    }
    return accepted;
}

void GsWidget::AddChild(GsWidget* child) { m_children.push_back(child); }

void GsWidget::RemoveChild(GsWidget* child)
{
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
    if (m_capture == child && child != this)
        m_capture = nullptr;
}

void GsWidget::Invalidate()
{
    GsWidget* root = this;
    while (root->m_parent)
        root = root->m_parent;
    if (root->m_control)
        root->m_control->Invalidate();
}

void GsWidget::Draw(TBitmap* target)
{
    if (!m_visible)
        return;
    {
        ClipGuard frame(target, TPoint(m_x, m_y), TRect(m_x, m_y, m_x + m_width, m_y + m_height));
        Paint(target, TRect(0, 0, m_width, m_height));
        PaintChildren(target);
    }
    if (OnAfterPaint)
        OnAfterPaint(this);
}

void GsWidget::PaintChildren(TBitmap* target)
{
    for (size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->Draw(target);
}

void GsWidget::DrawImage(TBitmap* target, const TPoint& p, TBitmap* image)
{
    TPoint source(0, 0);
    AlphaBlendBitmap(target, TRect(p.x, p.y, p.x + image->Width(), p.y + image->Height()), image, source,
                     m_opacity);
}

void GsWidget::MouseMove(TShiftState shift, int x, int y)
{
    if (!m_enabled || !m_visible)
        return;
    x -= m_x;
    y -= m_y;
    GsWidget* target = GetCaptureChild();
    if (target && !shift.Contains(ssLeft)) {
        SetCaptureChild(nullptr);
        target = nullptr;
    }
    // Copy: a leave callback may change the list.
    std::vector<GsWidget*> children = m_children;
    for (size_t i = children.size(); i-- > 0;) {
        GsWidget* child = children[i];
        if (!target && child->m_visible && child->m_enabled && child->HitTest(x, y)) {
            target = child;
            continue;
        }
        if (child != target)
            child->MouseLeave();
    }
    MouseEnter();
    if (target) {
        target->MouseMove(shift, x, y);
    } else {
        MouseMoveHook(shift, x, y);
        if (OnMouseMove)
            OnMouseMove(this, shift, x, y);
    }
}

void GsWidget::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!m_enabled || !m_visible)
        return;
    x -= m_x;
    y -= m_y;
    GsWidget* target = GetCaptureChild();
    if (!target)
        target = FindHitChild(x, y);
    if (target) {
        SetCaptureChild(target);
        target->MouseDown(button, shift, x, y);
    } else {
        SetCaptureChild(this);
        MouseDownHook(button, shift, x, y);
        if (OnMouseDown)
            OnMouseDown(this, button, shift, x, y);
    }
}

void GsWidget::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!m_enabled || !m_visible)
        return;
    x -= m_x;
    y -= m_y;
    GsWidget* target = GetCaptureChild();
    if (!target)
        target = FindHitChild(x, y);
    if (target) {
        target->MouseUp(button, shift, x, y);
        if (!target->HasCapture())
            SetCaptureChild(nullptr);
    } else {
        if (button == mbLeft && HasCapture()) {
            Click();
            SetCaptureChild(nullptr);
        }
        MouseUpHook(button, shift, x, y);
        if (OnMouseUp)
            OnMouseUp(this, button, shift, x, y);
    }
}

void GsWidget::MouseEnter()
{
    if (m_mouseInside)
        return;
    m_mouseInside = true;
    MouseEnterHook();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void GsWidget::MouseLeave()
{
    if (!m_mouseInside)
        return;
    std::vector<GsWidget*> children = m_children;
    for (GsWidget* child : children)
        child->MouseLeave();
    SetCaptureChild(nullptr);
    m_mouseInside = false;
    MouseLeaveHook();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void GsWidget::Click()
{
    ClickHook();
    if (OnClick)
        OnClick(this);
}

void GsWidget::KeyDown(WORD&, TShiftState, bool) {}
void GsWidget::KeyUp(WORD&, TShiftState, bool) {}

GsWidget* GsWidget::FindHitChild(int x, int y)
{
    for (size_t i = m_children.size(); i-- > 0;) {
        GsWidget* child = m_children[i];
        if (child->m_visible && child->m_enabled && child->HitTest(x, y))
            return child;
    }
    return nullptr;
}

void GsWidget::SetCaptureChild(GsWidget* widget)
{
    if (widget == m_capture)
        return;
    if (m_capture)
        m_capture->ReleaseCaptureChain();
    m_capture = widget;
}

void GsWidget::ReleaseCaptureChain()
{
    if (m_capture && m_capture != this)
        m_capture->ReleaseCaptureChain();
    m_capture = nullptr;
}

} // namespace gs
