#include "widgets/GsButton.h"

#include <memory>

#include "forms/Forms.h"
#include "src/gui/graphics/image.h"
#include "src/gui/widget/ClipGuard.h"
#include "src/gui/widget/PixelCopy.h"
#include "widgets/GsEdit.h"
#include "widgets/GsImage.h"
#include "widgets/GsLabel.h"

// ---- GsCustomButton --------------------------------------------------------------------

GsCustomButton::GsCustomButton(TComponent* AOwner) : GsCustomControl(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
    // The size negotiation this may start waits for the element (see CanAutoSize).
    SetAutoSize(true);
}

void GsCustomButton::SetCaption(const String& value)
{
    if (value != m_caption)
        m_caption = value;
}

void GsCustomButton::SetInputBkgnd(TBitmap* value)
{
    if (value == m_inputBkgnd)
        return;
    m_inputBkgnd = value;
    Invalidate();
}

gs::WdgCustomControl* GsCustomButton::TextElement()
{
    return dynamic_cast<gs::WdgCustomControl*>(GetWidget());
}

BYTE GsCustomButton::AlphaValue() { return GetWidget()->Opacity(); }

void GsCustomButton::SetAlphaValue(BYTE value)
{
    GetWidget()->SetOpacity(value);
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (!child->Visible())
            continue;
        if (auto* button = dynamic_cast<GsCustomButton*>(child))
            button->SetAlphaValue(value);
        else if (auto* label = dynamic_cast<GsLabel*>(child))
            label->SetAlphaValue(value);
        else if (auto* image = dynamic_cast<GsImage*>(child))
            image->SetAlphaValue(value);
    }
}

bool GsCustomButton::WordWrap()
{
    gs::WdgCustomControl* e = TextElement();
    return e && e->WordWrap();
}

void GsCustomButton::SetWordWrap(bool value)
{
    if (gs::WdgCustomControl* e = TextElement())
        e->SetWordWrap(value);
}

TAlignment GsCustomButton::Alignment()
{
    gs::WdgCustomControl* e = TextElement();
    return e ? e->Alignment() : taCenter;
}

void GsCustomButton::SetAlignment(TAlignment value)
{
    if (gs::WdgCustomControl* e = TextElement())
        e->SetAlignment(value);
}

TTextLayout GsCustomButton::Layout()
{
    gs::WdgCustomControl* e = TextElement();
    return e ? e->Layout() : tlCenter;
}

void GsCustomButton::SetLayout(TTextLayout value)
{
    if (gs::WdgCustomControl* e = TextElement())
        e->SetLayout(value);
}

gs::GsTextMargins* GsCustomButton::TextMargins()
{
    gs::WdgCustomControl* e = TextElement();
    return e ? e->TextMargins() : nullptr;
}

void GsCustomButton::SetTextMargins(gs::GsTextMargins* value)
{
    if (gs::WdgCustomControl* e = TextElement())
        e->SetTextMargins(value);
}

bool GsCustomButton::CanAutoSize(int& newWidth, int& newHeight)
{
    // Before the concrete class has made its element there is nothing to fit; the first
    // use of the element sizes the control to it.
    if (!HasWidget())
        return false;
    gs::GsWidget* widget = GetWidget();
    if (widget->Width() == Width() && widget->Height() == Height())
        return false;
    newWidth = widget->Width();
    newHeight = widget->Height();
    return true;
}

void GsCustomButton::RenderTo(TBitmap* target, bool toCanvas)
{
    TRect area(0, 0, Width(), Height());
    auto* parentButton = m_parentBackground ? dynamic_cast<GsCustomButton*>(Parent()) : nullptr;
    if (parentButton) {
        std::unique_ptr<TBitmap> picture(new TBitmap);
        picture->SetPixelFormat(pf24bit);
        parentButton->PaintToBitmap(picture.get());
        gs::CopyBitmapToCanvas(target->Canvas(), area, picture.get(), TPoint(Left(), Top()));
    } else if (m_inputBkgnd) {
        gs::CopyBitmapToCanvas(target->Canvas(), area, m_inputBkgnd, TPoint(Left(), Top()));
    }
    gs::GsWidget* widget = GetWidget();
    widget->SetText(m_caption);
    widget->Draw(target);
    if (toCanvas)
        Canvas()->Draw(0, 0, target);
}

void GsCustomButton::ComposeChild(TControl* child, TBitmap* target, bool withChildren, bool force)
{
    if (auto* control = dynamic_cast<GsCustomControl*>(child))
        control->ComposeInto(target, withChildren, force);
    else if (auto* label = dynamic_cast<GsLabel*>(child))
        label->ComposeInto(target, withChildren);
    else if (auto* image = dynamic_cast<GsImage*>(child))
        image->ComposeInto(target, withChildren);
    else if (auto* edit = dynamic_cast<GsEdit*>(child))
        edit->ComposeInto(target, withChildren, force);
}

void GsCustomButton::ComposeInto(TBitmap* target, bool withChildren, bool force)
{
    if (!Visible() && !force)
        return;
    gs::ClipGuard frame(target, TPoint(Left(), Top()), BoundsRect());
    gs::GsWidget* widget = GetWidget();
    widget->SetText(m_caption);
    widget->Draw(target);
    if (!withChildren)
        return;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (child->Visible() || force)
            ComposeChild(child, target, withChildren, force);
    }
}

void GsCustomButton::PaintChildren(TBitmap* target, const TPoint& offset, bool force)
{
    // The clip is the whole target; the children land where the offset puts them.
    gs::ClipGuard frame(target, TPoint(-offset.x, -offset.y), TRect(0, 0, target->Width(), target->Height()));
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (child->Visible() || force)
            ComposeChild(child, target, true, true);
    }
}

// ---- GsButton ------------------------------------------------------------------------------

GsButton::GsButton(TComponent* AOwner) : GsCustomButton(AOwner), m_cache(new TBitmap)
{
    gs::GsWidget* widget = GetWidget();
    widget->OnResize = MakeEvent(this, &GsButton::WidgetResized);
    widget->SetOwningControl(this);
}

GsButton::~GsButton()
{
    delete m_cache;
    m_cache = nullptr;
}

gs::GsWidget* GsButton::CreateWidget() { return new gs::WdgButton; }

gs::WdgButton* GsButton::Element() { return static_cast<gs::WdgButton*>(GetWidget()); }

void GsButton::SetAppearance(gs::GsButtonAppearance* value)
{
    if (value && value != Appearance())
        Appearance()->Assign(value);
}

void GsButton::SetTextEffect(gs::GsButtonOuterGlowTextEffect* value)
{
    if (value && value != TextEffect())
        TextEffect()->Assign(value);
}

bool GsButton::CanAutoSize(int& newWidth, int& newHeight)
{
    if (!HasWidget())
        return false;
    TBitmap* raised = Appearance()->Raised();
    if (raised->Width() == Width() && raised->Height() == Height())
        return false;
    newWidth = raised->Width();
    newHeight = raised->Height();
    return true;
}

void GsButton::Invalidate()
{
    GsCustomButton::Invalidate();
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->Invalidate();
    m_cacheDirty = true;
}

void GsButton::RenderTo(TBitmap* target, bool toCanvas)
{
    GsCustomButton::RenderTo(target, toCanvas);
    gs::CopyPixels(m_cache, target);
    m_cacheDirty = false;
}

void GsButton::PaintToBitmap(TBitmap* target)
{
    if (m_cacheDirty)
        GsCustomButton::PaintToBitmap(target);
    else
        gs::CopyPixels(target, m_cache);
}

void GsButton::Click()
{
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(m_modalResult);
    GsCustomButton::Click();
}

void GsButton::FontChanged()
{
    TextEffect()->Raised()->SetFont(Font());
    GsCustomButton::FontChanged();
}
