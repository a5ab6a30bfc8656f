#include "forms/Graphics.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <typeinfo>

namespace {

int ScreenLogPixels()
{
    static int ppi = 0;
    if (ppi == 0) {
        HDC dc = GetDC(nullptr);
        ppi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ReleaseDC(nullptr, dc);
        if (ppi <= 0)
            ppi = 96;
    }
    return ppi;
}

[[noreturn]] void OutOfResources() { throw EOutOfResources(L"Out of system resources"); }

COLORREF Rgb(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF; }

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color < 0)
        return static_cast<TColor>(GetSysColor(color & 0xFF));
    return color;
}

// ---- TGraphicsObject, TFont, TBrush, TPen ------------------------------------------

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

TFont::TFont()
    : m_name(L"Tahoma"), m_color(clWindowText), m_charset(DEFAULT_CHARSET), m_pixelsPerInch(ScreenLogPixels())
{
    m_height = -MulDiv(8, m_pixelsPerInch, 72);
}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle()
{
    if (m_handle)
        DeleteObject(m_handle);
    m_handle = nullptr;
    m_handleStale = false;
}

void TFont::AttributeChanged()
{
    m_handleStale = true;
    Changed();
}

HFONT TFont::Handle()
{
    if (m_handle && m_handleStale)
        FreeHandle();
    if (!m_handle) {
        LOGFONTW lf{};
        lf.lfHeight = m_height;
        lf.lfEscapement = m_orientation;
        lf.lfOrientation = m_orientation;
        lf.lfWeight = m_style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = m_style.Contains(fsItalic);
        lf.lfUnderline = m_style.Contains(fsUnderline);
        lf.lfStrikeOut = m_style.Contains(fsStrikeOut);
        lf.lfCharSet = m_charset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        static const BYTE qualities[] = {DEFAULT_QUALITY,          DRAFT_QUALITY,       PROOF_QUALITY,
                                         NONANTIALIASED_QUALITY,   ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                                         CLEARTYPE_NATURAL_QUALITY};
        lf.lfQuality = qualities[m_quality];
        lf.lfPitchAndFamily = m_pitch == fpFixed      ? FIXED_PITCH
                              : m_pitch == fpVariable ? VARIABLE_PITCH
                                                      : DEFAULT_PITCH;
        wcsncpy(lf.lfFaceName, m_name.c_str(), LF_FACESIZE - 1);
        m_handle = CreateFontIndirectW(&lf);
        if (!m_handle)
            OutOfResources();
    }
    return m_handle;
}

void TFont::SetHandle(HFONT font)
{
    if (font == m_handle)
        return;
    LOGFONTW lf{};
    if (font && GetObjectW(font, sizeof(lf), &lf) != sizeof(lf))
        throw EInvalidGraphic(L"Invalid font handle");
    FreeHandle();
    if (font) {
        m_name = lf.lfFaceName;
        m_height = lf.lfHeight;
        TFontStyles style;
        if (lf.lfWeight >= FW_BOLD)
            style << fsBold;
        if (lf.lfItalic)
            style << fsItalic;
        if (lf.lfUnderline)
            style << fsUnderline;
        if (lf.lfStrikeOut)
            style << fsStrikeOut;
        m_style = style;
        m_charset = lf.lfCharSet;
        m_orientation = lf.lfOrientation;
        BYTE pitch = lf.lfPitchAndFamily & 3;
        m_pitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
        m_handle = font;
    }
    Changed();
}

void TFont::Assign(TPersistent* Source)
{
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this)
            return;
        m_name = f->m_name;
        m_height = f->m_height;
        if (m_pixelsPerInch != f->m_pixelsPerInch)
            m_height = -MulDiv(f->Size(), m_pixelsPerInch, 72);
        m_color = f->m_color;
        m_style = f->m_style;
        m_charset = f->m_charset;
        m_pitch = f->m_pitch;
        m_quality = f->m_quality;
        m_orientation = f->m_orientation;
        AttributeChanged();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TFont::SetName(const String& name)
{
    if (name.empty() || name == m_name)
        return;
    m_name = name;
    AttributeChanged();
}

void TFont::SetHeight(int height)
{
    if (height == m_height)
        return;
    m_height = height;
    AttributeChanged();
}

int TFont::Size() const { return -MulDiv(m_height, 72, m_pixelsPerInch); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, m_pixelsPerInch, 72)); }

void TFont::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed(); // the handle does not depend on the colour
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == m_style)
        return;
    m_style = style;
    AttributeChanged();
}

void TFont::SetCharset(TFontCharset charset)
{
    if (charset == m_charset)
        return;
    m_charset = charset;
    AttributeChanged();
}

void TFont::SetPitch(TFontPitch pitch)
{
    if (pitch == m_pitch)
        return;
    m_pitch = pitch;
    AttributeChanged();
}

void TFont::SetQuality(TFontQuality quality)
{
    if (quality == m_quality)
        return;
    m_quality = quality;
    AttributeChanged();
}

void TFont::SetOrientation(int orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    AttributeChanged();
}

void TFont::SetPixelsPerInch(int ppi)
{
    if (ppi > 0)
        m_pixelsPerInch = ppi;
}

TBrush::~TBrush()
{
    if (m_handle)
        DeleteObject(m_handle);
}

void TBrush::AttributeChanged()
{
    m_handleStale = true;
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (m_handle && m_handleStale) {
        DeleteObject(m_handle);
        m_handle = nullptr;
    }
    m_handleStale = false;
    if (!m_handle) {
        LOGBRUSH lb{};
        lb.lbColor = Rgb(m_color);
        static const ULONG_PTR hatches[] = {
            0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        if (m_style == bsSolid)
            lb.lbStyle = BS_SOLID;
        else if (m_style == bsClear)
            lb.lbStyle = BS_HOLLOW;
        else {
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = hatches[m_style];
        }
        m_handle = CreateBrushIndirect(&lb);
        if (!m_handle)
            OutOfResources();
    }
    return m_handle;
}

void TBrush::Assign(TPersistent* Source)
{
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        if (b == this)
            return;
        m_color = b->m_color;
        m_style = b->m_style;
        AttributeChanged();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    if (m_style == bsClear)
        m_style = bsSolid;
    AttributeChanged();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    AttributeChanged();
}

TPen::~TPen()
{
    if (m_handle)
        DeleteObject(m_handle);
}

void TPen::AttributeChanged()
{
    m_handleStale = true;
    Changed();
}

HPEN TPen::Handle()
{
    if (m_handle && m_handleStale) {
        DeleteObject(m_handle);
        m_handle = nullptr;
    }
    m_handleStale = false;
    if (!m_handle) {
        static const int styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                     PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        m_handle = CreatePen(styles[m_style], m_width, Rgb(m_color));
        if (!m_handle)
            OutOfResources();
    }
    return m_handle;
}

void TPen::Assign(TPersistent* Source)
{
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this)
            return;
        m_color = p->m_color;
        m_width = p->m_width;
        m_style = p->m_style;
        m_mode = p->m_mode;
        AttributeChanged();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    AttributeChanged();
}

void TPen::SetWidth(int width)
{
    if (width == m_width || width < 0)
        return;
    m_width = width;
    AttributeChanged();
}

void TPen::SetStyle(TPenStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    AttributeChanged();
}

void TPen::SetMode(TPenMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    Changed(); // a mix mode of the context, not of the pen handle
}

// ---- TCanvas -----------------------------------------------------------------------

TCanvas::TCanvas() : m_font(new TFont()), m_brush(new TBrush()), m_pen(new TPen())
{
    m_font->OnChange = MakeEvent(this, &TCanvas::FontChanged);
    m_brush->OnChange = MakeEvent(this, &TCanvas::BrushChanged);
    m_pen->OnChange = MakeEvent(this, &TCanvas::PenChanged);
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
    delete m_font;
    delete m_brush;
    delete m_pen;
}

void TCanvas::SetHandle(HDC dc)
{
    if (dc == m_handle)
        return;
    if (m_handle)
        DeselectHandles();
    m_handle = dc;
    m_state = dc ? HandleValid : 0;
}

void TCanvas::DeselectHandles()
{
    if (!m_handle)
        return;
    if (m_state & PenValid)
        SelectObject(m_handle, GetStockObject(BLACK_PEN));
    if (m_state & BrushValid)
        SelectObject(m_handle, GetStockObject(HOLLOW_BRUSH));
    if (m_state & FontValid)
        SelectObject(m_handle, GetStockObject(SYSTEM_FONT));
    m_state &= ~(PenValid | BrushValid | FontValid);
}

void TCanvas::HandleNeeded()
{
    if (!m_handle)
        CreateHandle();
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(unsigned required)
{
    HandleNeeded();
    if (!m_handle)
        throw EInvalidOperation(L"Canvas does not allow drawing");
    unsigned missing = required & ~m_state;
    if (missing & FontValid) {
        SelectObject(m_handle, m_font->Handle());
        SetTextColor(m_handle, Rgb(m_font->Color()));
        m_state |= FontValid;
    }
    if (missing & PenValid) {
        static const int modes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
        SelectObject(m_handle, m_pen->Handle());
        SetROP2(m_handle, modes[m_pen->Mode()]);
        m_state |= PenValid;
    }
    if (missing & BrushValid) {
        HBRUSH brush = m_brush->Handle();
        UnrealizeObject(brush);
        SelectObject(m_handle, brush);
        if (m_brush->Style() == bsSolid) {
            SetBkColor(m_handle, Rgb(m_brush->Color()));
            SetBkMode(m_handle, OPAQUE);
        } else {
            SetBkColor(m_handle, ~Rgb(m_brush->Color()) & 0xFFFFFF);
            SetBkMode(m_handle, TRANSPARENT);
        }
        m_state |= BrushValid;
    }
}

HDC TCanvas::Handle()
{
    RequiredState(AllValid);
    return m_handle;
}

void TCanvas::FontChanged(TObject*)
{
    if (m_handle && (m_state & FontValid)) {
        SelectObject(m_handle, GetStockObject(SYSTEM_FONT));
        m_state &= ~FontValid;
    }
}

void TCanvas::BrushChanged(TObject*)
{
    if (m_handle && (m_state & BrushValid)) {
        SelectObject(m_handle, GetStockObject(HOLLOW_BRUSH));
        m_state &= ~BrushValid;
    }
}

void TCanvas::PenChanged(TObject*)
{
    if (m_handle && (m_state & PenValid)) {
        SelectObject(m_handle, GetStockObject(BLACK_PEN));
        m_state &= ~PenValid;
    }
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TCanvas::Refresh() { DeselectHandles(); }

TPoint TCanvas::PenPos()
{
    RequiredState(HandleValid);
    POINT p{};
    GetCurrentPositionEx(m_handle, &p);
    return TPoint(p);
}

void TCanvas::FillRect(const TRect& rect)
{
    Changing();
    RequiredState(HandleValid | BrushValid);
    ::FillRect(m_handle, &rect, m_brush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect)
{
    Changing();
    RequiredState(HandleValid | BrushValid);
    ::FrameRect(m_handle, &rect, m_brush->Handle());
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState(HandleValid | PenValid | BrushValid);
    ::Rectangle(m_handle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::MoveTo(int x, int y)
{
    RequiredState(HandleValid);
    MoveToEx(m_handle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    RequiredState(HandleValid | PenValid | BrushValid);
    ::LineTo(m_handle, x, y);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source)
{
    if (!canvas)
        return;
    Changing();
    RequiredState(HandleValid | FontValid | BrushValid);
    canvas->RequiredState(HandleValid | BrushValid);
    StretchBlt(m_handle, dest.left, dest.top, dest.Width(), dest.Height(), canvas->m_handle, source.left,
               source.top, source.Width(), source.Height(), m_copyMode);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    Changing();
    RequiredState(HandleValid);
    SetBkColor(m_handle, Rgb(m_brush->Color()));
    graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    Changing();
    RequiredState(HandleValid);
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::TextOut(int x, int y, const String& text)
{
    Changing();
    RequiredState(HandleValid | FontValid | BrushValid);
    ExtTextOutW(m_handle, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    MoveToEx(m_handle, x + TextWidth(text), y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const String& text)
{
    Changing();
    RequiredState(HandleValid | FontValid | BrushValid);
    UINT options = ETO_CLIPPED | (m_brush->Style() == bsSolid ? ETO_OPAQUE : 0);
    ExtTextOutW(m_handle, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const String& text)
{
    RequiredState(HandleValid | FontValid);
    SIZE s{};
    GetTextExtentPoint32W(m_handle, text.c_str(), static_cast<int>(text.size()), &s);
    return TSize(s.cx, s.cy);
}

TColor TCanvas::Pixels(int x, int y)
{
    RequiredState(HandleValid);
    return static_cast<TColor>(GetPixel(m_handle, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    RequiredState(HandleValid | PenValid);
    ::SetPixel(m_handle, x, y, Rgb(color));
    Changed();
}

TRect TCanvas::ClipRect()
{
    RequiredState(HandleValid);
    RECT r{};
    GetClipBox(m_handle, &r);
    return TRect(r);
}

// ---- TGraphic ------------------------------------------------------------------------

void TGraphic::SetSize(int width, int height)
{
    SetWidth(width);
    SetHeight(height);
}

void TGraphic::Changed(TObject*)
{
    m_modified = true;
    if (OnChange)
        OnChange(this);
}

void TGraphic::LoadFromFile(const String& fileName)
{
    HANDLE file = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        throw EFOpenError(L"Cannot open file \"" + fileName + L"\". " + SysErrorMessage(code));
    }
    std::vector<uint8_t> bytes;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD done = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == bytes.size());
    }
    DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok)
        throw EReadError(L"Cannot read file \"" + fileName + L"\". " + SysErrorMessage(code));
    LoadFromMemory(bytes.data(), bytes.size());
}

void TGraphic::SaveToFile(const String& fileName) const
{
    std::vector<uint8_t> bytes = SaveToMemory();
    WriteFileBytes(fileName, bytes.data(), bytes.size());
}
