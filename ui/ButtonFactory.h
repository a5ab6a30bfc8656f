#pragma once
// Every button the wizard shows is made here, so all share one font, text colours and glow.
#include "forms/Controls.h"
#include "widgets/GsButton.h"

// Makes a visible GsButton owned by and placed on parent, sized by the raised picture.
// button receives the new button before any property is set. A null caption or hint
// leaves that property unset.
void CreateGsButton(TWinControl* parent, TBitmap* background, GsButton*& button, int left, int top,
                    TBitmap* raised, TBitmap* hovered, TBitmap* sunken, TBitmap* disabled,
                    const wchar_t* caption, const wchar_t* hint);
