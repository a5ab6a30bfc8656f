#pragma once
// A label whose caption glows, and which can draw itself into a 32-bit bitmap (its own,
// or a containing button's composite).
#include "forms/StdCtrls.h"
#include "src/gui/Painter/TextPainter.h"

namespace gs {

// What a containing control asks of a child that draws into its composite.
class GsComponent {
public:
    virtual ~GsComponent() = default;
    virtual void PaintToBitmap(TBitmap* target) = 0;
    virtual void ComposeInto(TBitmap* target, bool withChildren) = 0;
};

} // namespace gs

class GsLabel;

// The label's glow settings; the values live in the label's glow painter. A change
// re-measures the label (unless it is being read) and repaints it.
class GsRadiation : public TPersistent {
public:
    explicit GsRadiation(GsLabel* label) : m_label(label) {}
    void AssignTo(TPersistent* Dest) override;

    unsigned char Opacity() const;
    void SetOpacity(unsigned char value);
    // Kept within 0..TRadiateTextPainter::MaxRadius.
    unsigned Radius() const;
    void SetRadius(unsigned value);
    unsigned char Spread() const;
    void SetSpread(unsigned char value);
    TColor Color() const;
    void SetColor(TColor value);
    int X() const;
    void SetX(int value);
    int Y() const;
    void SetY(int value);

    GsLabel* Label() const { return m_label; }

private:
    gs::TOuterGlowTextPainter* Painter() const;
    void Changed();
    GsLabel* m_label;
};

class GsLabel : public TCustomLabel, public gs::GsComponent {
public:
    explicit GsLabel(TComponent* AOwner);
    ~GsLabel() override;

    GsRadiation* Radiation() const { return m_radiation; }
    // Copies the settings of the given object.
    void SetRadiation(GsRadiation* value);
    // Set by a containing button; the label's drawing is not scaled by it.
    unsigned char AlphaValue() const { return m_alpha; }
    void SetAlphaValue(unsigned char value) { m_alpha = value; }
    gs::TOuterGlowTextPainter* GlowPainter() const { return m_painter; }

    // DT_EXPANDTABS with the alignment, word wrap and ellipsis flags.
    unsigned GetDrawFlags() const;
    // Fills with Color unless Transparent, then the glowing caption (grey and plain when
    // disabled).
    void DrawGlowText(TCanvas* canvas, TRect& rect, unsigned flags);
    // Moves rect down for tlCenter and tlBottom, as the label's own paint does.
    void AdjustLayout(TCanvas* canvas, TRect& rect, unsigned flags);

    // Sizes target to the label and draws the caption into it (an empty caption: nothing).
    void PaintToBitmap(TBitmap* target) override;
    // Draws the caption at the label's bounds onto target, in the coordinates of the
    // target canvas's viewport origin (a containing control sets it to its own corner).
    void ComposeInto(TBitmap* target, bool withChildren) override;

protected:
    void DoDrawText(TRect& rect, unsigned int flags) override;

private:
    unsigned EllipsisFlag() const;

    gs::TOuterGlowTextPainter* m_painter;
    GsRadiation* m_radiation;
    unsigned char m_alpha = 255;
};
