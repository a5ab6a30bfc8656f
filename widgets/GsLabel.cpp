#include "widgets/GsLabel.h"

#include <algorithm>

#undef DrawText

// ---- GsRadiation --------------------------------------------------------------------------

gs::TOuterGlowTextPainter* GsRadiation::Painter() const { return m_label->GlowPainter(); }

void GsRadiation::Changed()
{
    if (!m_label->ComponentState().Contains(csReading))
        m_label->AdjustBounds();
    m_label->Invalidate();
}

unsigned char GsRadiation::Opacity() const { return Painter()->Opacity(); }
unsigned GsRadiation::Radius() const { return static_cast<unsigned>(Painter()->Radius()); }
unsigned char GsRadiation::Spread() const { return Painter()->Spread(); }
TColor GsRadiation::Color() const { return Painter()->Color(); }
int GsRadiation::X() const { return Painter()->X(); }
int GsRadiation::Y() const { return Painter()->Y(); }

void GsRadiation::SetOpacity(unsigned char value)
{
    if (value == Opacity())
        return;
    Painter()->SetOpacity(value);
    Changed();
}

void GsRadiation::SetRadius(unsigned value)
{
    const int bounded = static_cast<int>(std::min<unsigned>(value, gs::TRadiateTextPainter::MaxRadius));
    if (bounded == Painter()->Radius())
        return;
    Painter()->SetRadius(bounded);
    Changed();
}

void GsRadiation::SetSpread(unsigned char value)
{
    if (value == Spread())
        return;
    Painter()->SetSpread(value);
    Changed();
}

void GsRadiation::SetColor(TColor value)
{
    if (value == Color())
        return;
    Painter()->SetColor(value);
    Changed();
}

void GsRadiation::SetX(int value)
{
    if (value == X())
        return;
    Painter()->SetX(value);
    Changed();
}

void GsRadiation::SetY(int value)
{
    if (value == Y())
        return;
    Painter()->SetY(value);
    Changed();
}

void GsRadiation::AssignTo(TPersistent* Dest)
{
    auto* d = dynamic_cast<GsRadiation*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    if (d == this)
        return;
    gs::TOuterGlowTextPainter* p = d->Painter();
    p->SetOpacity(Opacity());
    p->SetRadius(Painter()->Radius());
    p->SetSpread(Spread());
    p->SetColor(Color());
    p->SetX(X());
    p->SetY(Y());
    d->Changed();
}

// ---- GsLabel ------------------------------------------------------------------------------

GsLabel::GsLabel(TComponent* AOwner) : TCustomLabel(AOwner)
{
    m_alpha = 255;
    m_painter = gs::CreateOuterGlowTextPainter();
    m_radiation = new GsRadiation(this);
}

GsLabel::~GsLabel()
{
    m_painter->Release();
    m_painter = nullptr;
    delete m_radiation;
    m_radiation = nullptr;
}

void GsLabel::SetRadiation(GsRadiation* value) { m_radiation->Assign(value); }

unsigned GsLabel::EllipsisFlag() const
{
    switch (EllipsisPosition()) {
    case epPathEllipsis:
        return DT_PATH_ELLIPSIS;
    case epEndEllipsis:
        return DT_END_ELLIPSIS;
    case epWordEllipsis:
        return DT_WORD_ELLIPSIS;
    default:
        return 0;
    }
}

unsigned GsLabel::GetDrawFlags() const
{
    unsigned flags = DT_EXPANDTABS;
    if (Alignment() == taRightJustify)
        flags |= DT_RIGHT;
    else if (Alignment() == taCenter)
        flags |= DT_CENTER;
    if (WordWrap())
        flags |= DT_WORDBREAK;
    return flags | EllipsisFlag();
}

void GsLabel::DoDrawText(TRect& rect, unsigned int flags)
{
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    flags |= EllipsisFlag();
    if (!ShowAccelChar())
        flags |= DT_NOPREFIX;
    if (flags & DT_CALCRECT) {
        String text = GetLabelText();
        // An empty caption still measures one line, as the plain label does.
        if (text.empty() || (ShowAccelChar() && text == L"&"))
            text += L" ";
        canvas->Font()->Assign(Font());
        m_painter->CalcRect(canvas, text.c_str(), rect, flags);
        return;
    }
    DrawGlowText(canvas, rect, flags);
}

void GsLabel::DrawGlowText(TCanvas* canvas, TRect& rect, unsigned flags)
{
    canvas->Font()->Assign(Font());
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(rect);
    }
    if (!ShowAccelChar())
        flags |= DT_NOPREFIX;
    const String text = GetLabelText();
    if (Enabled()) {
        m_painter->DrawText(canvas, text.c_str(), rect, flags, 0, true);
    } else {
        canvas->Font()->SetColor(clGrayText);
        gs::TTextPainter* plain = gs::GetSharedTextPainter();
        plain->DrawText(canvas, text.c_str(), rect, flags, 0, true);
        plain->Release();
    }
}

void GsLabel::AdjustLayout(TCanvas* canvas, TRect& rect, unsigned flags)
{
    if (Layout() == tlTop)
        return;
    TRect measured = rect;
    canvas->Font()->Assign(Font());
    const String text = GetLabelText();
    m_painter->CalcRect(canvas, text.c_str(), measured, flags);
    const int free = Height() - (measured.bottom - rect.top);
    const int offset = Layout() == tlBottom ? free : free / 2;
    rect.top += offset;
    rect.bottom += offset;
}

void GsLabel::PaintToBitmap(TBitmap* target)
{
    if (Caption().empty())
        return;
    TRect rect(0, 0, Width(), Height());
    target->SetSize(Width(), Height());
    const unsigned flags = GetDrawFlags();
    AdjustLayout(target->Canvas(), rect, flags);
    DrawGlowText(target->Canvas(), rect, flags);
}

void GsLabel::ComposeInto(TBitmap* target, bool)
{
    if (Caption().empty())
        return;
    TRect rect(Left(), Top(), Left() + Width(), Top() + Height());
    const unsigned flags = GetDrawFlags();
    AdjustLayout(target->Canvas(), rect, flags);
    DrawGlowText(target->Canvas(), rect, flags);
}
