#include "ui/ButtonFactory.h"

void CreateGsButton(TWinControl* parent, TBitmap* background, GsButton*& button, int left, int top,
                    TBitmap* raised, TBitmap* hovered, TBitmap* sunken, TBitmap* disabled,
                    const wchar_t* caption, const wchar_t* hint)
{
    button = new GsButton(parent);
    button->SetParent(parent);
    button->SetLeft(left);
    button->SetTop(top);
    button->Appearance()->SetRaised(raised);
    button->Appearance()->SetSunken(sunken);
    button->Appearance()->SetHovered(hovered);
    button->Appearance()->SetDisabled(disabled);
    button->SetWidth(button->Appearance()->Raised()->Width());
    button->SetHeight(button->Appearance()->Raised()->Height());
    // The raised state's text effect follows the button's font.
    button->Font()->SetName(L"Microsoft Sans Serif");
    button->Font()->SetColor(TColor(0xEFEFEF));
    button->SetInputBkgnd(background);

    const TFontStyles bold{fsBold};
    // The state effects come into being here, starting from the raised state's font.
    auto* hoveredText = button->TextEffect()->Hovered();
    hoveredText->Font()->SetColor(TColor(0xFFE371));
    hoveredText->Font()->SetStyle(bold);
    button->TextEffect()->Disabled()->Font()->SetColor(TColor(0));
    hoveredText->SetOpacity(160);
    hoveredText->SetRadius(0);
    auto* sunkenText = button->TextEffect()->Sunken();
    sunkenText->Font()->SetColor(TColor(0xFFE371));
    sunkenText->Font()->SetStyle(bold);
    sunkenText->SetOffsetX(1);
    sunkenText->SetOffsetY(1);

    if (caption)
        button->SetCaption(caption);
    if (hint) {
        button->SetHint(hint);
        button->SetShowHint(true);
    }
    button->SetVisible(true);
}
