#pragma once
// Panels, images, bevels and timers.
#include "forms/Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// A border around the panel's edge, outside its client area: children placed at 0, 0 sit
// inside it and can never paint over it.
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };

// A container with bevels and a centred caption.
class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* AOwner);

    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int value);
    TBevelKind BevelKind() const { return m_bevelKind; }
    void SetBevelKind(TBevelKind value);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    bool ParentBackground() const { return m_parentBackground; }
    void SetParentBackground(bool value) { m_parentBackground = value; }

    // The client area lies inside the BevelKind border, window or not.
    TRect ClientRect() override;

protected:
    void Paint() override;
    void Dispatch(TMessage& message) override;
    int PaintBorder(HDC dc) override;

private:
    // Pixels the BevelKind border takes on each side.
    int BorderEdge() const;

    TBevelCut m_bevelInner = bvNone;
    TBevelCut m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    TBevelKind m_bevelKind = bkNone;
    int m_borderWidth = 0;
    TAlignment m_alignment = taCenter;
    bool m_parentBackground = false;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// Shows a picture. With AutoSize the control takes the picture's size.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return m_picture; }
    // Copies the given picture.
    void SetPicture(TPicture* picture) { m_picture->Assign(picture); }
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool value);
    bool Center() const { return m_center; }
    void SetCenter(bool value);
    bool Proportional() const { return m_proportional; }
    void SetProportional(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    // Where the picture is drawn, in the control's coordinates.
    TRect DestRect();

protected:
    void Paint() override;
    bool CanAutoSize(int& newWidth, int& newHeight) override;
    virtual void PictureChanged(TObject* sender);

private:
    TPicture* m_picture;
    bool m_stretch = false;
    bool m_center = false;
    bool m_proportional = false;
    bool m_transparent = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A line or frame in the 3D colours (dividers between parts of a form).
class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return m_shape; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return m_style; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape m_shape = bsBox;
    TBevelStyle m_style = bsLowered;
};

// A divider bar filled with its colour. Only the drawing: it lines up with no
// neighbour, so it resizes nothing when dragged.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* AOwner);

protected:
    void Paint() override;
};

// Fires OnTimer every Interval milliseconds while Enabled (on the UI thread, through the
// message loop). Changing Interval or Enabled restarts the count.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    unsigned Interval() const { return m_interval; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer;

protected:
    virtual void Timer() { OnTimer(this); }

private:
    static LRESULT CALLBACK TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void UpdateTimer();

    HWND m_window = nullptr;
    bool m_enabled = true;
    unsigned m_interval = 1000;
    bool m_running = false;
};
