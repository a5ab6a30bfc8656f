#pragma once
// Common controls: the progress bar.
#include "forms/Controls.h"

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return m_min; }
    void SetMin(int value) { SetRange(value, m_max); }
    int Max() const { return m_max; }
    void SetMax(int value) { SetRange(m_min, value); }
    void SetRange(int minimum, int maximum);
    // Kept within Min..Max.
    int Position() const { return m_position; }
    void SetPosition(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWindow() override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
};
