#include "src/gui/widget/WdgButton.h"

#include <algorithm>
#include <iterator>

#include "src/gui/graphics/image.h"
#include "src/gui/widget/PixelCopy.h"

namespace gs {

// ---- WdgCustomControl ------------------------------------------------------------------

WdgCustomControl::WdgCustomControl() : m_margins(new GsTextMargins) {}

WdgCustomControl::~WdgCustomControl() { delete m_margins; }

void WdgCustomControl::SetTextMargins(GsTextMargins* value)
{
    if (value && value != m_margins)
        m_margins->Assign(value);
}

TRect WdgCustomControl::GetTextRect() const
{
    return TRect(m_margins->Left(), m_margins->Top(), Width() - m_margins->Right(),
                 Height() - m_margins->Bottom());
}

unsigned WdgCustomControl::GetTextFormat() const
{
    unsigned format = 0;
    if (m_alignment == taRightJustify)
        format |= DT_RIGHT;
    else if (m_alignment == taCenter)
        format |= DT_CENTER;
    if (m_layout == tlCenter)
        format |= DT_VCENTER;
    else if (m_layout == tlBottom)
        format |= DT_BOTTOM;
    format |= m_wordWrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    return format;
}

void WdgCustomControl::DrawText(TBitmap* target, int state)
{
    TRect r = GetTextRect();
    unsigned format = GetTextFormat();
    if (!Enabled())
        target->Canvas()->Font()->SetColor(clGrayText);
    TTextPainter* painter = GetTextPainter(state);
    if (!painter)
        return;
    // DrawText's own vertical flags act on single lines only: wrapped text is placed here.
    if (m_wordWrap && m_layout != tlTop) {
        TRect measured = r;
        painter->CalcRect(target->Canvas(), Text().c_str(), measured, format);
        if (measured.Height() < r.Height()) {
            int d = r.Height() - measured.Height();
            if (m_layout == tlCenter)
                d /= 2;
            r.top += d;
        }
    }
    painter->DrawText(target, Text().c_str(), r, format, 0, true);
}

// ---- WdgButton ---------------------------------------------------------------------------

WdgButton::WdgButton()
    : m_appearance(new GsButtonAppearance(MakeEvent(this, &WdgButton::AppearanceChanged))),
      m_textEffect(new GsButtonOuterGlowTextEffect)
{
}

WdgButton::~WdgButton()
{
    delete m_appearance;
    delete m_textEffect;
}

TTextPainter* WdgButton::GetTextPainter(int state) { return m_textEffect->GetStatePainter(state); }

void WdgButton::SetEnabled(bool value)
{
    WdgCustomControl::SetEnabled(value);
    m_pressed = false;
}

void WdgButton::AppearanceChanged(TObject*, int state)
{
    ++m_appearanceVersion;
    if (state != gbsRaised)
        return;
    SetWidth(m_appearance->Raised()->Width());
    SetHeight(m_appearance->Raised()->Height());
}

bool WdgButton::FrameKey::operator==(const FrameKey& o) const
{
    return valid && o.valid && appearance == o.appearance && text == o.text && fontName == o.fontName &&
           painter == o.painter && std::equal(std::begin(values), std::end(values), std::begin(o.values));
}

WdgButton::FrameKey WdgButton::MakeKey(int state)
{
    FrameKey key;
    key.valid = true;
    key.appearance = m_appearanceVersion;
    key.text = Text();
    if (Text().IsEmpty())
        return key; // no caption: the image alone
    GsTextRadiationEffect* effect = m_textEffect->GetStateEffect(state);
    TFont* font = effect->Font();
    key.painter = GetTextPainter(state);
    key.fontName = font->Name();
    GsTextMargins* m = TextMargins();
    int values[] = {Width(),
                    Height(),
                    WordWrap(),
                    Alignment(),
                    Layout(),
                    m->Left(),
                    m->Top(),
                    m->Right(),
                    m->Bottom(),
                    effect->Opacity(),
                    int(effect->Radius()),
                    effect->Spread(),
                    effect->Color(),
                    effect->OffsetX(),
                    effect->OffsetY(),
                    font->Height(),
                    font->Color(),
                    int(font->Style().ToInt()),
                    font->Charset() | font->Pitch() << 8 | font->Quality() << 16,
                    font->Orientation()};
    static_assert(sizeof(values) == sizeof(key.values), "every setting has its slot");
    std::copy(std::begin(values), std::end(values), std::begin(key.values));
    return key;
}

void WdgButton::Paint(TBitmap* target, const TRect& rect)
{
    if (!Enabled())
        m_shownState = gbsDisabled;
    else if (MouseInside())
        m_shownState = m_pressed ? gbsSunken : gbsHovered;
    else
        m_shownState = gbsRaised;
    // The state image is drawn on a copy (the caption goes onto it), made again only when
    // something it is made from has changed.
    TBitmap* image = m_appearance->GetStateImage(m_shownState);
    Frame& frame = m_frames[m_shownState];
    FrameKey key = MakeKey(m_shownState);
    if (!frame.picture || !(key == frame.key) || !SamePixels(frame.image.get(), image)) {
        if (!frame.image)
            frame.image.reset(new TBitmap);
        CopyPixels(frame.image.get(), image);
        // A new bitmap, so the canvas font is the default one (a painter that sets no font
        // must not inherit the grey of a disabled paint).
        frame.picture.reset(new TBitmap);
        frame.picture->Assign(image);
        if (!Text().IsEmpty() && !frame.picture->Empty())
            DrawText(frame.picture.get(), m_shownState);
        frame.key = key;
    }
    DrawImage(target, rect.TopLeft(), frame.picture.get());
}

void WdgButton::MouseMoveHook(TShiftState, int, int)
{
    if (m_shownState != (m_pressed ? gbsSunken : gbsHovered))
        Invalidate();
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
    if (!m_pressed)
        return;
    m_pressed = false;
    Invalidate();
}

void WdgButton::MouseLeaveHook()
{
    if (m_shownState == gbsRaised)
        return;
    m_shownState = gbsRaised;
    Invalidate();
}

bool WdgButton::HitTest(int x, int y)
{
    if (!GsWidget::HitTest(x, y))
        return false;
    if (TransparentHit())
        return true;
    TBitmap* image = m_appearance->GetStateImage(m_shownState);
    int u = x - X(), v = y - Y();
    if (u < 0 || v < 0 || u >= image->Width() || v >= image->Height())
        return false;
    // Only a 32-bit image has an alpha byte to look at: any other is hit by its rectangle.
    if (image->PixelFormat() != pf32bit || image->BitsPerPixel() != 32)
        return true;
    auto* row = static_cast<const unsigned char*>(image->ScanLine(v));
    return row[u * 4 + 3] > HitAlphaLimit();
}

} // namespace gs
