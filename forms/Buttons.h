#pragma once
// The speed button: a button without a window of its own.
#include "forms/Controls.h"

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool m_flat = false;
    bool m_pressed = false;
};
