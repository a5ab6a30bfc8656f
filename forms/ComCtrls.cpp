#include "forms/ComCtrls.h"

#include <commctrl.h>

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner)
{
    TControlStyle style;
    style << csDoubleClicks;
    SetControlStyle(style);
    SetBounds(0, 0, 150, 17);
}

void TProgressBar::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    CreateSubClass(p, PROGRESS_CLASSW);
}

void TProgressBar::InitializeWindow()
{
    SendMessageW(m_handle, PBM_SETRANGE32, static_cast<WPARAM>(m_min), static_cast<LPARAM>(m_max));
    SendMessageW(m_handle, PBM_SETPOS, static_cast<WPARAM>(m_position), 0);
}

void TProgressBar::SetRange(int minimum, int maximum)
{
    if (maximum < minimum)
        maximum = minimum;
    m_min = minimum;
    m_max = maximum;
    if (m_position < m_min)
        m_position = m_min;
    if (m_position > m_max)
        m_position = m_max;
    if (HandleAllocated())
        InitializeWindow();
}

void TProgressBar::SetPosition(int value)
{
    if (value < m_min)
        value = m_min;
    if (value > m_max)
        value = m_max;
    m_position = value;
    if (HandleAllocated())
        SendMessageW(m_handle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}
