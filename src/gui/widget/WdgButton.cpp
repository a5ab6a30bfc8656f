#include "src/gui/widget/WdgButton.h"

#include "src/gui/graphics/image.h"
#include "src/gui/widget/PixelCopy.h"

namespace gs {

// ---- WdgCustomControl ------------------------------------------------------------------

WdgCustomControl::WdgCustomControl() : m_margins(new GsTextMargins) {}

WdgCustomControl::~WdgCustomControl()
{
    delete m_margins;
}

void WdgCustomControl::SetTextMargins(GsTextMargins* value)
{
    if (value && value != m_margins) m_margins->Assign(value);
}

TRect WdgCustomControl::GetTextRect() const
{
    return TRect(m_margins->Left(), m_margins->Top(), Width() - m_margins->Right(), Height() - m_margins->Bottom());
}

unsigned WdgCustomControl::GetTextFormat() const
{
    unsigned format = 0;
    if (m_alignment == taRightJustify) format |= DT_RIGHT;
    else if (m_alignment == taCenter) format |= DT_CENTER;
    if (m_layout == tlCenter) format |= DT_VCENTER;
    else if (m_layout == tlBottom) format |= DT_BOTTOM;
    format |= m_wordWrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    return format;
}

void WdgCustomControl::DrawText(TBitmap* target, int state)
{
    TRect r = GetTextRect();
    unsigned format = GetTextFormat();
    if (!Enabled()) target->Canvas()->Font()->SetColor(clGrayText);
    TTextPainter* painter = GetTextPainter(state);
    if (!painter) return;
    // DrawText's own vertical flags act on single lines only: wrapped text is placed here.
    if (m_wordWrap && m_layout != tlTop) {
        TRect measured = r;
        painter->CalcRect(target->Canvas(), Text().c_str(), measured, format);
        if (measured.Height() < r.Height()) {
            int d = r.Height() - measured.Height();
            if (m_layout == tlCenter) d /= 2;
            r.top += d;
        }
    }
    painter->DrawText(target, Text().c_str(), r, format, 0, true);
}

// ---- WdgButton ---------------------------------------------------------------------------

WdgButton::WdgButton()
    : m_appearance(new GsButtonAppearance(MakeEvent(this, &WdgButton::AppearanceChanged))),
      m_textEffect(new GsButtonOuterGlowTextEffect), m_frame(new TBitmap)
{
}

WdgButton::~WdgButton()
{
    delete m_appearance;
    delete m_textEffect;
    delete m_frame;
}

TTextPainter* WdgButton::GetTextPainter(int state)
{
    return m_textEffect->GetStatePainter(state);
}

void WdgButton::SetEnabled(bool value)
{
    WdgCustomControl::SetEnabled(value);
    m_pressed = false;
}

void WdgButton::AppearanceChanged(TObject*, int state)
{
    if (state != gbsRaised) return;
    SetWidth(m_appearance->Raised()->Width());
    SetHeight(m_appearance->Raised()->Height());
}

void WdgButton::Paint(TBitmap* target, const TRect& rect)
{
    if (!Enabled()) m_shownState = gbsDisabled;
    else if (MouseInside()) m_shownState = m_pressed ? gbsSunken : gbsHovered;
    else m_shownState = gbsRaised;
    // The state image is drawn on a copy (the caption goes onto it), kept from paint to paint.
    CopyPixels(m_frame, m_appearance->GetStateImage(m_shownState));
    if (!Text().IsEmpty() && !m_frame->Empty()) DrawText(m_frame, m_shownState);
    DrawImage(target, rect.TopLeft(), m_frame);
}

void WdgButton::MouseMoveHook(TShiftState, int, int)
{
    if (m_shownState != (m_pressed ? gbsSunken : gbsHovered)) Invalidate();
}

void WdgButton::MouseDownHook(TMouseButton button, TShiftState, int, int)
{
    if (button == mbLeft && !m_pressed) {
        m_pressed = true;
        Invalidate();
    } else if (button != mbLeft && m_pressed) {
        m_pressed = false;
        Invalidate();
    }
}

void WdgButton::MouseUpHook(TMouseButton, TShiftState, int, int)
{
    if (!m_pressed) return;
    m_pressed = false;
    Invalidate();
}

void WdgButton::MouseLeaveHook()
{
    if (m_shownState == gbsRaised) return;
    m_shownState = gbsRaised;
    Invalidate();
}

bool WdgButton::HitTest(int x, int y)
{
    if (!GsWidget::HitTest(x, y)) return false;
    if (TransparentHit()) return true;
    TBitmap* image = m_appearance->GetStateImage(m_shownState);
    int u = x - X(), v = y - Y();
    if (u < 0 || v < 0 || u >= image->Width() || v >= image->Height()) return false;
    // Only a 32-bit image has an alpha byte to look at: any other is hit by its rectangle.
    if (image->PixelFormat() != pf32bit || image->BitsPerPixel() != 32) return true;
    auto* row = static_cast<const unsigned char*>(image->ScanLine(v));
    return row[u * 4 + 3] > HitAlphaLimit();
}

} // namespace gs
