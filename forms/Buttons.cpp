#include "forms/Buttons.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 23, 22);
    SetParentColor(true);
}

void TSpeedButton::SetFlat(bool value)
{
    m_flat = value;
    Invalidate();
}

void TSpeedButton::Paint()
{
    TCanvas* canvas = Canvas();
    RECT r = ClientRect();
    HDC dc = canvas->Handle();
    UINT state = DFCS_BUTTONPUSH | (m_pressed ? DFCS_PUSHED : 0) | (Enabled() ? 0 : DFCS_INACTIVE) |
                 (m_flat ? DFCS_FLAT : 0);
    DrawFrameControl(dc, &r, DFC_BUTTON, state);
    String caption = Caption();
    if (caption.empty())
        return;
    canvas->Font()->Assign(Font());
    dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    if (m_pressed)
        OffsetRect(&r, 1, 1);
    ::DrawTextW(dc, caption.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && Enabled()) {
        m_pressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && m_pressed) {
        m_pressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}
