#include "src/gui/Effects/GsEffects.h"

#include <algorithm>
#include <memory>

#include "src/gui/graphics/image.h"

#undef DrawText
#undef LoadImage

namespace gs {

// ---- GsTextMargins ------------------------------------------------------------------------

void GsTextMargins::AssignTo(TPersistent* Dest)
{
    auto* d = dynamic_cast<GsTextMargins*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->m_left = m_left;
    d->m_top = m_top;
    d->m_right = m_right;
    d->m_bottom = m_bottom;
    d->Changed();
}

void GsTextMargins::SetLeft(int value)
{
    m_left = value;
    Changed();
}
void GsTextMargins::SetRight(int value)
{
    m_right = value;
    Changed();
}
void GsTextMargins::SetTop(int value)
{
    m_top = value;
    Changed();
}
void GsTextMargins::SetBottom(int value)
{
    m_bottom = value;
    Changed();
}

// ---- GsOuterGlowTextEffectPainter ---------------------------------------------------------

void GsOuterGlowTextEffectPainter::DrawText(TCanvas* canvas, const char* text, const TRect& rect,
                                            unsigned format, int alpha, bool premultiplied)
{
    canvas->Font()->Assign(m_effect->Font());
    m_effect->GlowPainter()->DrawText(canvas, text, rect, format, alpha, premultiplied);
}

void GsOuterGlowTextEffectPainter::DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect,
                                            unsigned format, int alpha, bool premultiplied)
{
    canvas->Font()->Assign(m_effect->Font());
    m_effect->GlowPainter()->DrawText(canvas, text, rect, format, alpha, premultiplied);
}

template <class Ch>
void GsOuterGlowTextEffectPainter::DrawIntoBitmap(TBitmap* bitmap, const Ch* text, const TRect& rect,
                                                  unsigned format, int alpha, bool premultiplied)
{
    const int dx = m_effect->OffsetX(), dy = m_effect->OffsetY();
    if (dx == 0 && dy == 0) {
        bitmap->Canvas()->Font()->Assign(m_effect->Font());
        m_effect->GlowPainter()->DrawText(bitmap, text, rect, format, alpha, premultiplied);
        return;
    }
    if (rect.IsEmpty())
        return;
    TRect shifted = rect;
    shifted.Offset(dx, dy);
    // Drawn shifted on a copy, then only rect is taken back: the shift never leaves rect.
    // The copy carries the target's viewport origin so both address the same pixels.
    std::unique_ptr<TBitmap> temp(new TBitmap());
    temp->Assign(bitmap);
    POINT origin{0, 0};
    GetViewportOrgEx(bitmap->Canvas()->Handle(), &origin);
    SetViewportOrgEx(temp->Canvas()->Handle(), origin.x, origin.y, nullptr);
    temp->Canvas()->Font()->Assign(m_effect->Font());
    m_effect->GlowPainter()->DrawText(temp.get(), text, shifted, format, alpha, premultiplied);
    CopyBitmapToCanvas(bitmap->Canvas(), rect, temp.get(), TPoint(rect.left, rect.top));
}

void GsOuterGlowTextEffectPainter::DrawText(TBitmap* bitmap, const char* text, const TRect& rect,
                                            unsigned format, int alpha, bool premultiplied)
{
    DrawIntoBitmap(bitmap, text, rect, format, alpha, premultiplied);
}

void GsOuterGlowTextEffectPainter::DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect,
                                            unsigned format, int alpha, bool premultiplied)
{
    DrawIntoBitmap(bitmap, text, rect, format, alpha, premultiplied);
}

int GsOuterGlowTextEffectPainter::CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format)
{
    canvas->Font()->Assign(m_effect->Font());
    return m_effect->GlowPainter()->CalcRect(canvas, text, rect, format);
}

int GsOuterGlowTextEffectPainter::CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format)
{
    canvas->Font()->Assign(m_effect->Font());
    return m_effect->GlowPainter()->CalcRect(canvas, text, rect, format);
}

// ---- GsTextRadiationEffect ----------------------------------------------------------------

GsTextRadiationEffect::GsTextRadiationEffect(TNotifyEvent onChange) : OnChange(onChange)
{
    m_glow = CreateOuterGlowTextPainter();
    m_font = new TFont();
    m_font->OnChange = MakeEvent(this, &GsTextRadiationEffect::FontChanged);
    m_painter = new GsOuterGlowTextEffectPainter(this);
}

GsTextRadiationEffect::~GsTextRadiationEffect()
{
    delete m_font;
    m_glow->Release();
    delete m_painter;
}

void GsTextRadiationEffect::AssignTo(TPersistent* Dest)
{
    auto* d = dynamic_cast<GsTextRadiationEffect*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    TOuterGlowTextPainter* p = d->m_glow;
    p->SetOpacity(m_glow->Opacity());
    p->SetRadius(m_glow->Radius());
    p->SetSpread(m_glow->Spread());
    p->SetColor(m_glow->Color());
    p->SetX(m_glow->X());
    p->SetY(m_glow->Y());
    d->m_font->Assign(m_font);
    d->Changed();
}

void GsTextRadiationEffect::SetOpacity(unsigned char value)
{
    if (value == Opacity())
        return;
    m_glow->SetOpacity(value);
    Changed();
}

void GsTextRadiationEffect::SetRadius(unsigned value)
{
    const int bounded = static_cast<int>(std::min<unsigned>(value, TRadiateTextPainter::MaxRadius));
    if (bounded == m_glow->Radius())
        return;
    m_glow->SetRadius(bounded);
    Changed();
}

void GsTextRadiationEffect::SetSpread(unsigned char value)
{
    if (value == Spread())
        return;
    m_glow->SetSpread(value);
    Changed();
}

void GsTextRadiationEffect::SetColor(TColor value)
{
    if (value == Color())
        return;
    m_glow->SetColor(value);
    Changed();
}

void GsTextRadiationEffect::SetRadiationX(int value)
{
    if (value == m_glow->X())
        return;
    m_glow->SetX(value);
    Changed();
}

void GsTextRadiationEffect::SetRadiationY(int value)
{
    if (value == m_glow->Y())
        return;
    m_glow->SetY(value);
    Changed();
}

void GsTextRadiationEffect::SetFont(TFont* value)
{
    if (value == m_font)
        return;
    m_font->Assign(value);
    Changed();
}

void GsTextRadiationEffect::FontChanged(TObject*) { Changed(); }

// ---- GsCtrlTextEffect / GsButtonOuterGlowTextEffect ---------------------------------------

void GsCtrlTextEffect::EffectChanged(TObject*) { OnChange(this); }

GsButtonOuterGlowTextEffect::GsButtonOuterGlowTextEffect()
{
    m_effects[gbsRaised] = new GsTextRadiationEffect(MakeEvent(this, &GsCtrlTextEffect::EffectChanged));
}

GsButtonOuterGlowTextEffect::~GsButtonOuterGlowTextEffect()
{
    for (GsTextRadiationEffect*& e : m_effects) {
        delete e;
        e = nullptr;
    }
}

bool GsButtonOuterGlowTextEffect::HasStateEffect(int state) const
{
    return state >= 0 && state < GsButtonStateCount && m_effects[state] != nullptr;
}

GsTextRadiationEffect* GsButtonOuterGlowTextEffect::GetStateEffect(int state)
{
    if (state < gbsSunken || state > gbsActive)
        return m_effects[gbsRaised];
    if (m_effects[state])
        return m_effects[state];
    auto* e = new GsTextRadiationEffect(MakeEvent(this, &GsCtrlTextEffect::EffectChanged));
    m_effects[state] = e;
    GsTextRadiationEffect* raised = m_effects[gbsRaised];
    switch (state) {
    case gbsSunken:
        e->Font()->Assign(raised->Font());
        e->SetOffsetX(2);
        e->SetOffsetY(2);
        break;
    case gbsDisabled:
        e->Assign(raised);
        e->Font()->SetColor(clGrayText);
        break;
    default: // Hovered, Focused, Active
        e->Assign(raised);
        break;
    }
    return e;
}

TTextPainter* GsButtonOuterGlowTextEffect::GetStatePainter(int state)
{
    return GetStateEffect(state)->GetPainter();
}

void GsButtonOuterGlowTextEffect::SetState(int state, GsTextRadiationEffect* value)
{
    GsTextRadiationEffect* e = state == gbsRaised ? m_effects[gbsRaised] : GetStateEffect(state);
    if (value != e)
        e->Assign(value);
}

void GsButtonOuterGlowTextEffect::AssignTo(TPersistent* Dest)
{
    auto* d = dynamic_cast<GsButtonOuterGlowTextEffect*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->Raised()->Assign(Raised());
    for (int s = gbsSunken; s <= gbsActive; ++s)
        d->GetStateEffect(s)->Assign(GetStateEffect(s));
}

// ---- GsButtonAppearance -------------------------------------------------------------------

GsButtonAppearance::GsButtonAppearance(GsAppearanceChangeEvent onChange) : OnChange(onChange)
{
    for (TBitmap*& b : m_bitmaps) {
        b = new TBitmap();
        b->OnChange = MakeEvent(this, &GsButtonAppearance::BitmapChanged);
    }
}

GsButtonAppearance::~GsButtonAppearance()
{
    for (TBitmap*& b : m_bitmaps) {
        delete b;
        b = nullptr;
    }
}

void GsButtonAppearance::AssignTo(TPersistent* Dest)
{
    auto* d = dynamic_cast<GsButtonAppearance*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    for (int i = 0; i < GsButtonStateCount; ++i)
        d->m_bitmaps[i]->Assign(m_bitmaps[i]);
}

void GsButtonAppearance::SetImage(int state, TBitmap* value)
{
    if (state < 0 || state >= GsButtonStateCount)
        return;
    m_bitmaps[state]->Assign(value);
    OnChange(this, state);
}

void GsButtonAppearance::BitmapChanged(TObject* sender)
{
    int index = 0;
    while (index < GsButtonStateCount && m_bitmaps[index] != sender)
        ++index;
    OnChange(this, index);
}

TBitmap* GsButtonAppearance::GetStateImage(int state) const
{
    if (static_cast<unsigned>(state) >= static_cast<unsigned>(GsButtonStateCount))
        state = gbsRaised;
    if (!IsBitmapEmpty(m_bitmaps[state]))
        return m_bitmaps[state];
    switch (state) {
    case gbsRaised:
        return m_bitmaps[gbsRaised];
    case gbsSunken:
    case gbsFocused:
    case gbsActive:
        return GetStateImage(gbsHovered);
    default:
        return GetStateImage(gbsRaised);
    }
}

void GsButtonAppearance::Load(const std::wstring& folder, const std::wstring& raised,
                              const std::wstring& sunken, const std::wstring& hovered,
                              const std::wstring& disabled)
{
    const std::wstring* names[4] = {&raised, &sunken, &hovered, &disabled};
    for (int i = 0; i < 4; ++i)
        if (!names[i]->empty())
            LoadImage(folder + *names[i], m_bitmaps[i]);
}

void GsButtonAppearance::Load(const wchar_t* folder, const wchar_t* raised, const wchar_t* sunken,
                              const wchar_t* hovered, const wchar_t* disabled)
{
    auto s = [](const wchar_t* t) { return std::wstring(t ? t : L""); };
    Load(s(folder), s(raised), s(sunken), s(hovered), s(disabled));
}

} // namespace gs
