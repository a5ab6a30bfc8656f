#pragma once
// gs::ClipGuard: narrows a bitmap canvas to one area for as long as it lives. It saves the
// context's clip region and viewport origin, moves the origin and cuts the clip down to
// the area (inside whatever clip was already there), and puts both back when it goes out
// of scope. The element tree and the controls that compose into a parent's bitmap all draw
// a child through it, so nested children stay inside their parents.
#include <windows.h>

#include "forms/Graphics.h"

namespace gs {

class ClipGuard {
public:
    // The origin moves by shift; the clip is cut to area, given relative to the origin as
    // it was before the move.
    ClipGuard(TBitmap* target, const TPoint& shift, const TRect& area) : ClipGuard(target, shift)
    {
        m_area = CreateRectRgn(m_saved.x + area.left, m_saved.y + area.top, m_saved.x + area.right,
                               m_saved.y + area.bottom);
        HDC dc = m_target->Canvas()->Handle();
        if (m_hadClip)
            ExtSelectClipRgn(dc, m_area, RGN_AND);
        else
            SelectClipRgn(dc, m_area);
    }

    // Only the origin moves; the clip stays as it is (and is put back all the same).
    ClipGuard(TBitmap* target, const TPoint& shift) : m_target(target)
    {
        HDC dc = m_target->Canvas()->Handle();
        m_savedClip = CreateRectRgn(0, 0, 0, 0);
        m_hadClip = GetClipRgn(dc, m_savedClip) == 1;
        GetViewportOrgEx(dc, &m_saved);
        m_origin = TPoint(m_saved.x + shift.x, m_saved.y + shift.y);
        SetViewportOrgEx(dc, m_origin.x, m_origin.y, nullptr);
    }

    ~ClipGuard()
    {
        // Drawing may have let the canvas select another context state: take it afresh.
        HDC dc = m_target->Canvas()->Handle();
        if (m_area)
            DeleteObject(m_area);
        SelectClipRgn(dc, m_hadClip ? m_savedClip : nullptr);
        DeleteObject(m_savedClip);
        SetViewportOrgEx(dc, m_saved.x, m_saved.y, nullptr);
    }

    ClipGuard(const ClipGuard&) = delete;
    ClipGuard& operator=(const ClipGuard&) = delete;

    // Where the moved origin lies in device coordinates.
    const TPoint& Origin() const { return m_origin; }

    // The clip now in force, in device coordinates; owned by the guard.
    HRGN Clip()
    {
        if (!m_area)
            m_area = CreateRectRgn(0, 0, 0, 0);
        if (GetClipRgn(m_target->Canvas()->Handle(), m_area) != 1)
            return nullptr;
        return m_area;
    }

private:
    TBitmap* m_target;
    HRGN m_savedClip = nullptr;
    HRGN m_area = nullptr;
    bool m_hadClip = false;
    POINT m_saved{0, 0};
    TPoint m_origin;
};

} // namespace gs
