#include "forms/ExtCtrls.h"

#include <algorithm>

#include "forms/FormsInternal.h"

namespace {

COLORREF ColorRef(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF; }

void Frame3D(HDC dc, RECT& r, TColor topLeft, TColor bottomRight, int width)
{
    HPEN light = CreatePen(PS_SOLID, 1, ColorRef(topLeft));
    HPEN dark = CreatePen(PS_SOLID, 1, ColorRef(bottomRight));
    HGDIOBJ old = SelectObject(dc, light);
    for (int i = 0; i < width; ++i) {
        SelectObject(dc, light);
        MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        LineTo(dc, r.left, r.top);
        LineTo(dc, r.right - 1, r.top);
        SelectObject(dc, dark);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
        InflateRect(&r, -1, -1);
    }
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
}

} // namespace

// ---- TCustomPanel -------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle(ControlStyle() << csAcceptsControls << csOpaque);
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    m_bevelInner = value;
    Invalidate();
}
void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    m_bevelOuter = value;
    Invalidate();
}
void TCustomPanel::SetBevelWidth(int value)
{
    m_bevelWidth = value;
    Invalidate();
}
void TCustomPanel::SetBevelKind(TBevelKind value)
{
    if (value == m_bevelKind)
        return;
    m_bevelKind = value;
    // The border lives in the non-client area: have the window measure it again.
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
}

int TCustomPanel::BorderEdge() const
{
    switch (m_bevelKind) {
    case bkTile:
    case bkSoft:
        return 2;
    case bkFlat:
        return 1;
    default:
        return 0;
    }
}

int TCustomPanel::PaintBorder(HDC dc)
{
    RECT r{0, 0, Width(), Height()};
    switch (m_bevelKind) {
    case bkTile:
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
        break;
    case bkSoft:
        DrawEdge(dc, &r, BDR_RAISEDOUTER | BDR_SUNKENINNER, BF_RECT | BF_SOFT);
        break;
    case bkFlat:
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
        break;
    default:
        break;
    }
    return BorderEdge();
}

TRect TCustomPanel::ClientRect()
{
    if (HandleAllocated())
        return TCustomControl::ClientRect();
    TRect r = TControl::ClientRect();
    const int edge = BorderEdge();
    return TRect(0, 0, std::max(0, r.Width() - 2 * edge), std::max(0, r.Height() - 2 * edge));
}

void TCustomPanel::Dispatch(TMessage& m)
{
    const int edge = BorderEdge();
    if (m.Msg == WM_NCCALCSIZE && edge > 0) {
        DefaultHandler(m);
        RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0]
                           : reinterpret_cast<RECT*>(m.LParam);
        InflateRect(r, -edge, -edge);
        if (r->right < r->left)
            r->right = r->left;
        if (r->bottom < r->top)
            r->bottom = r->top;
        return;
    }
    if (m.Msg == WM_NCPAINT && edge > 0) {
        DefaultHandler(m);
        if (HDC dc = GetWindowDC(Handle())) {
            PaintBorder(dc);
            ReleaseDC(Handle(), dc);
        }
        m.Result = 0;
        return;
    }
    TCustomControl::Dispatch(m);
}
void TCustomPanel::SetBorderWidth(int value)
{
    m_borderWidth = value;
    Invalidate();
}
void TCustomPanel::SetAlignment(TAlignment value)
{
    m_alignment = value;
    Invalidate();
}

void TCustomPanel::Paint()
{
    TCanvas* canvas = Canvas();
    HDC dc = canvas->Handle();
    RECT r = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(TRect(r));
    dc = canvas->Handle();
    if (m_bevelOuter == bvRaised || m_bevelOuter == bvLowered) {
        bool raised = m_bevelOuter == bvRaised;
        Frame3D(dc, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
                m_bevelWidth);
    }
    InflateRect(&r, -m_borderWidth, -m_borderWidth);
    if (m_bevelInner == bvRaised || m_bevelInner == bvLowered) {
        bool raised = m_bevelInner == bvRaised;
        Frame3D(dc, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
                m_bevelWidth);
    }
    String caption = Caption();
    if (!caption.empty()) {
        static const unsigned alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
        canvas->Font()->Assign(Font());
        dc = canvas->Handle();
        SetBkMode(dc, TRANSPARENT);
        ::DrawTextW(dc, caption.c_str(), -1, &r,
                    DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | alignments[m_alignment]);
    }
}

// ---- TImage -------------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), m_picture(new TPicture())
{
    SetControlStyle(ControlStyle() << csReplicatable);
    SetBounds(0, 0, 105, 105);
    m_picture->OnChange = MakeEvent(this, &TImage::PictureChanged);
}

TImage::~TImage() { delete m_picture; }

void TImage::SetStretch(bool value)
{
    m_stretch = value;
    Invalidate();
}
void TImage::SetCenter(bool value)
{
    m_center = value;
    Invalidate();
}
void TImage::SetProportional(bool value)
{
    m_proportional = value;
    Invalidate();
}
void TImage::SetTransparent(bool value)
{
    m_transparent = value;
    Invalidate();
}

void TImage::PictureChanged(TObject*)
{
    if (AutoSize() && m_picture->Width() > 0 && m_picture->Height() > 0)
        SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
    Invalidate();
}

bool TImage::CanAutoSize(int& newWidth, int& newHeight)
{
    if (m_picture->Width() > 0 && m_picture->Height() > 0) {
        if (Align() == alNone || Align() == alLeft || Align() == alRight)
            newWidth = m_picture->Width();
        if (Align() == alNone || Align() == alTop || Align() == alBottom)
            newHeight = m_picture->Height();
    }
    return true;
}

TRect TImage::DestRect()
{
    int w = m_picture->Width(), h = m_picture->Height();
    int cw = Width(), ch = Height();
    if (m_stretch || (m_proportional && (w > cw || h > ch))) {
        if (m_proportional && w > 0 && h > 0) {
            if (static_cast<long long>(w) * ch > static_cast<long long>(h) * cw) {
                h = static_cast<int>(static_cast<long long>(h) * cw / w);
                w = cw;
            } else {
                w = static_cast<int>(static_cast<long long>(w) * ch / h);
                h = ch;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    int x = 0, y = 0;
    if (m_center) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return Bounds(x, y, w, h);
}

void TImage::Paint()
{
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->Empty())
        return;
    Canvas()->StretchDraw(DestRect(), graphic);
}

// ---- TBevel -------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() << csReplicatable);
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value)
{
    m_shape = value;
    Invalidate();
}
void TBevel::SetStyle(TBevelStyle value)
{
    m_style = value;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas* canvas = Canvas();
    TColor first = m_style == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = m_style == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    switch (m_shape) {
    case bsBox: {
        RECT r{0, 0, w, h};
        Frame3D(canvas->Handle(), r, first, second, 1);
        break;
    }
    case bsFrame: {
        RECT outer{0, 0, w - 1, h - 1};
        Frame3D(canvas->Handle(), outer, first, first, 1);
        RECT inner{1, 1, w, h};
        Frame3D(canvas->Handle(), inner, second, second, 1);
        break;
    }
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// ---- TSplitter ----------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 3, 100);
    SetParentColor(true);
}

void TSplitter::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
}

// ---- TTimer -------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = TimerWndProc;
        wc.hInstance = forms_internal::Instance();
        wc.lpszClassName = L"FormsTTimer";
        RegisterClassW(&wc);
        registered = true;
    }
    m_window = CreateWindowExW(0, L"FormsTTimer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               forms_internal::Instance(), nullptr);
    if (!m_window)
        RaiseLastOSError();
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // A timer starts enabled: it runs from now on, handler or not.
    UpdateTimer();
}

TTimer::~TTimer()
{
    if (m_running)
        KillTimer(m_window, 1);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
}

void TTimer::UpdateTimer()
{
    if (m_running)
        KillTimer(m_window, 1);
    m_running = false;
    if (m_enabled && m_interval > 0)
        m_running = SetTimer(m_window, 1, m_interval, nullptr) != 0;
}

void TTimer::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
    if (value == m_interval)
        return;
    m_interval = value;
    UpdateTimer();
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (timer) {
            try {
                timer->Timer();
            } catch (...) {
                forms_internal::HandleCurrentException();
            }
        }
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}
