#pragma once
// Colours, fonts, brushes, pens, canvases and the graphics: TGraphic, TBitmap, TPicture.
//
// TCanvas works on any device context: set one with SetHandle (a window's paint context)
// or let a subclass make its own in CreateHandle (TBitmap's canvas, the controls' canvas).
// Handle() realises the canvas's font, brush and pen in the context before returning it,
// so GDI calls made directly on Handle() draw with them; only what changed since the last
// realisation is selected again, so state set directly on the context (background mode,
// clip region, viewport origin) stays.
//
// TBitmap always holds a DIB section (bottom-up when made here; a bottom-up or top-down
// section handed in through SetHandle is kept as it is). ScanLine(0) is the top row either
// way. Its canvas has one memory device context for the bitmap's whole life: the current
// image is always selected in it, and resizing or converting selects the new image into
// the same context, so clip region and viewport origin survive.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/Classes.h"

// ---- colours -------------------------------------------------------------------------

// 0x00BBGGRR, or a system colour: 0xFF000000 plus a COLOR_ index.
typedef int TColor;

constexpr TColor clSystemColor = TColor(0xFF000000);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour becomes its current RGB value; any other colour is returned as it is.
TColor ColorToRGB(TColor color);

// ---- enumerations ----------------------------------------------------------------------

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
// How a 32-bit bitmap's alpha is to be read when it is drawn (straight or premultiplied).
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality {
    fqDefault,
    fqDraft,
    fqProof,
    fqNonAntialiased,
    fqAntialiased,
    fqClearType,
    fqClearTypeNatural
};
typedef BYTE TFontCharset;

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

// Raster operations for TCanvas::CopyMode.
typedef DWORD TCopyMode;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

// ---- fonts, brushes, pens ------------------------------------------------------------

class TGraphicsObject : public TPersistent {
public:
    // Fired after every change (once per Assign). Owners replace it freely.
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

// A font description with a lazily made font handle. Starts as "Tahoma", height -11
// (8 points at 96 dpi), clWindowText, no style, the default character set.
class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;

    // Copies every attribute of another TFont with one change notice.
    void Assign(TPersistent* Source) override;

    // The font handle, made on first use and after each change; owned by the font.
    HFONT Handle();
    // Takes ownership of a font handle; the attributes are read from it.
    void SetHandle(HFONT font);
    bool HandleAllocated() const { return m_handle != nullptr; }

    const String& Name() const { return m_name; }
    void SetName(const String& name);
    // Character height in pixels; negative values measure the character without leading.
    int Height() const { return m_height; }
    void SetHeight(int height);
    // Points: -Height * 72 / PixelsPerInch, rounded.
    int Size() const;
    void SetSize(int size);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles style);
    TFontCharset Charset() const { return m_charset; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(TFontPitch pitch);
    TFontQuality Quality() const { return m_quality; }
    void SetQuality(TFontQuality quality);
    int Orientation() const { return m_orientation; }
    void SetOrientation(int orientation);
    int PixelsPerInch() const { return m_pixelsPerInch; }
    void SetPixelsPerInch(int ppi);

private:
    void AttributeChanged();
    void FreeHandle();

    HFONT m_handle = nullptr;
    bool m_handleStale = false;
    String m_name;
    int m_height;
    TColor m_color;
    TFontStyles m_style;
    TFontCharset m_charset;
    TFontPitch m_pitch = fpDefault;
    TFontQuality m_quality = fqDefault;
    int m_orientation = 0;
    int m_pixelsPerInch;
};

// A brush: colour (white) and style (solid), with a lazily made handle.
class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    void Assign(TPersistent* Source) override;
    HBRUSH Handle();
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);

private:
    void AttributeChanged();
    HBRUSH m_handle = nullptr;
    bool m_handleStale = false;
    TColor m_color = clWhite;
    TBrushStyle m_style = bsSolid;
};

// A pen: colour (black), width (1), style (solid) and mix mode (copy).
class TPen : public TGraphicsObject {
public:
    ~TPen() override;
    void Assign(TPersistent* Source) override;
    HPEN Handle();
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int Width() const { return m_width; }
    void SetWidth(int width);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode mode);

private:
    void AttributeChanged();
    HPEN m_handle = nullptr;
    bool m_handleStale = false;
    TColor m_color = clBlack;
    int m_width = 1;
    TPenStyle m_style = psSolid;
    TPenMode m_mode = pmCopy;
};

class TGraphic;

// ---- canvas ------------------------------------------------------------------------------

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context with font, brush and pen realised in it.
    HDC Handle();
    // Uses another device context (0: none). The canvas's objects are taken out of the
    // previous one first. The canvas never frees a context set here.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return m_handle != nullptr; }

    TFont* Font() const { return m_font; }
    void SetFont(TFont* font) { m_font->Assign(font); }
    TBrush* Brush() const { return m_brush; }
    void SetBrush(TBrush* brush) { m_brush->Assign(brush); }
    TPen* Pen() const { return m_pen; }
    void SetPen(TPen* pen) { m_pen->Assign(pen); }
    TCopyMode CopyMode() const { return m_copyMode; }
    void SetCopyMode(TCopyMode mode) { m_copyMode = mode; }
    TPoint PenPos();
    void SetPenPos(const TPoint& p) { MoveTo(p.x, p.y); }

    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Copies (stretching if the sizes differ) an area of another canvas with CopyMode.
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
    // Draws a graphic at its own size at (x, y).
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    void TextOut(int x, int y, const String& text);
    void TextRect(const TRect& rect, int x, int y, const String& text);
    TSize TextExtent(const String& text);
    int TextWidth(const String& text) { return TextExtent(text).cx; }
    int TextHeight(const String& text) { return TextExtent(text).cy; }
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    TRect ClipRect();
    // Takes the canvas's objects out of the context; the next Handle() selects them again.
    void Refresh();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    enum StateBits { HandleValid = 1, FontValid = 2, PenValid = 4, BrushValid = 8, AllValid = 15 };
    // Called whenever the context is needed; the default makes one through CreateHandle
    // when there is none.
    virtual void HandleNeeded();
    // Makes a context for a canvas that owns one (SetHandle it); the default does nothing.
    virtual void CreateHandle();
    void RequiredState(unsigned state);
    void Changing();
    void Changed();
    void DeselectHandles();

private:
    void FontChanged(TObject* sender);
    void BrushChanged(TObject* sender);
    void PenChanged(TObject* sender);

    HDC m_handle = nullptr;
    unsigned m_state = 0;
    TFont* m_font;
    TBrush* m_brush;
    TPen* m_pen;
    TCopyMode m_copyMode = cmSrcCopy;
};

// ---- graphics ----------------------------------------------------------------------------

class TGraphic : public TPersistent {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual void SetSize(int width, int height);
    // No pixels (a side of 0).
    virtual bool Empty() const = 0;
    // Draws the graphic stretched into rect of the canvas.
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
    virtual void LoadFromMemory(const void* data, size_t size) = 0;
    virtual std::vector<uint8_t> SaveToMemory() const = 0;
    // EFOpenError / EReadError / EInvalidGraphic on failure; the graphic is then unchanged.
    virtual void LoadFromFile(const String& fileName);
    virtual void SaveToFile(const String& fileName) const;
    // A new, empty graphic of the same class.
    virtual TGraphic* CreateEmpty() const = 0;

    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    TNotifyEvent OnChange;

protected:
    virtual void Changed(TObject* sender);

private:
    bool m_modified = false;
};

class TBitmapCanvas;

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    // TBitmap: a deep copy (size, formats, pixels, palette), one change notice.
    // nullptr: an empty bitmap. Other graphics convert themselves (AssignTo).
    void Assign(TPersistent* Source) override;

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // New pixels take the canvas brush's colour (alpha 0); kept pixels stay.
    void SetSize(int width, int height) override;
    bool Empty() const override { return m_width <= 0 || m_height <= 0; }
    void Draw(TCanvas* canvas, const TRect& rect) override;
    // BMP files.
    void LoadFromMemory(const void* data, size_t size) override;
    std::vector<uint8_t> SaveToMemory() const override;
    TGraphic* CreateEmpty() const override { return new TBitmap(); }

    TCanvas* Canvas();
    // The DIB section (0 when empty). It stays owned by the bitmap and selected in the
    // canvas's context.
    HBITMAP Handle() const { return m_handle; }
    // Takes ownership of a bitmap handle (a DIB section of any orientation is kept as it
    // is, a device bitmap is converted). Size and pixel format follow the handle.
    void SetHandle(HBITMAP bitmap);
    // Gives the handle to the caller; the bitmap is then empty.
    HBITMAP ReleaseHandle();
    bool HandleAllocated() const { return m_handle != nullptr; }

    TPixelFormat PixelFormat() const { return m_pixelFormat; }
    // Converts the pixels: 32 to 24 drops alpha, 24 to 32 sets alpha 0; palette formats
    // go through GDI's colour matching.
    void SetPixelFormat(TPixelFormat format);
    TAlphaFormat AlphaFormat() const { return m_alphaFormat; }
    void SetAlphaFormat(TAlphaFormat format);

    // Row y of the pixels, row 0 at the top. EInvalidGraphicOperation out of range.
    void* ScanLine(int row);
    const void* ScanLine(int row) const;
    int BitsPerPixel() const { return m_bitsPerPixel; }
    // Bytes from one row to the next in memory (whatever the orientation).
    int BytesPerScanLine() const { return m_stride; }
    bool BottomUp() const { return m_bottomUp; }

private:
    friend class TBitmapCanvas;
    void CanvasChanged(TObject* sender);
    HDC CanvasDC();
    void Install(HBITMAP bitmap, void* bits, int width, int height, int bpp, bool bottomUp,
                 TPixelFormat format);
    void ReplaceImage(int width, int height, TPixelFormat format);
    void SelectIntoCanvas();
    void FreeImage();

    TBitmapCanvas* m_canvas = nullptr;
    HBITMAP m_handle = nullptr;
    unsigned char* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 32;
    int m_stride = 0;
    bool m_bottomUp = true;
    TPixelFormat m_pixelFormat = pfDevice;
    TAlphaFormat m_alphaFormat = afIgnored;
};

// A picture holds one graphic of any class.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return m_graphic; }
    // Holds a copy of the given graphic (null: none).
    void SetGraphic(TGraphic* graphic);
    // The picture as a bitmap. A graphic of another class is replaced by a bitmap copy
    // of it (a PNG image becomes a 32-bit premultiplied bitmap with its pixels); one that
    // cannot convert itself, or none, by an empty bitmap.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* bitmap) { SetGraphic(bitmap); }
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }
    // By extension: ".bmp" / ".dib" bitmaps, ".png" PNG images; ".jpg", ".jpeg", ".jpe",
    // ".gif", ".tif", ".tiff" and ".ico" are decoded by GDI+ into a bitmap (32-bit
    // premultiplied with alpha, else 24-bit; the first frame). Anything else raises
    // EInvalidGraphic "Unknown picture file extension (.xyz)". On failure the picture
    // keeps what it had.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;
    // TPicture or TGraphic sources (null clears).
    void Assign(TPersistent* Source) override;
    // Into a graphic of the held graphic's class.
    void AssignTo(TPersistent* Dest) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed(TObject* sender);

private:
    void Install(TGraphic* graphic);
    TGraphic* m_graphic = nullptr;
};
