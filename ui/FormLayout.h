#pragma once
// Small helpers the forms' constructors build their design-time layout with.
#include "forms/Controls.h"
#include "forms/StdCtrls.h"

namespace ui_layout {

// Makes a control owned by owner on parent at the given bounds. A negative width or
// height keeps the control's own (an auto-sized label measures itself).
template <class T>
T* Make(TComponent* owner, TWinControl* parent, int left, int top, int width = -1, int height = -1)
{
    T* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(left, top, width < 0 ? control->Width() : width,
                       height < 0 ? control->Height() : height);
    return control;
}

// A font of the control's own, no longer following its parent's.
inline void OwnFont(TControl* control, const wchar_t* name, int height, bool bold = false)
{
    // Even a font that matches the parent's now must not follow its later changes.
    control->SetParentFont(false);
    TFont* font = control->Font();
    font->SetName(name);
    font->SetHeight(height);
    if (bold)
        font->SetStyle(TFontStyles{fsBold});
}

// A fixed-size, word-wrapping label.
inline TLabel* WrapLabel(TComponent* owner, TWinControl* parent, int left, int top, int width, int height)
{
    TLabel* label = Make<TLabel>(owner, parent, left, top);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetBounds(left, top, width, height);
    return label;
}

} // namespace ui_layout
