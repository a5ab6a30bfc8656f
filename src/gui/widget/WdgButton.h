#pragma once
// The button elements of the element tree. gs::WdgCustomControl lays a caption out in the
// element's rectangle (alignment, vertical layout, word wrap, margins) and draws it with
// a text painter its subclass supplies. gs::WdgButton is the root element of an image
// button: per-state images and glow text, the pressed flag, and a hit test that can look
// at the state image's alpha.
#include <memory>

#include "src/gui/Effects/GsEffects.h"
#include "src/gui/widget/GsWidget.h"

#undef DrawText

namespace gs {

class WdgCustomControl : public GsWidget {
public:
    WdgCustomControl();
    ~WdgCustomControl() override;

    // Draws the text of the given state into target.
    virtual void DrawText(TBitmap* target, int state);
    virtual TTextPainter* GetTextPainter(int state) = 0;
    // These three store the value and ask for no repaint.
    virtual void SetAlignment(TAlignment value) { m_alignment = value; }
    virtual void SetLayout(TTextLayout value) { m_layout = value; }
    // Copies the four margins; the element keeps its own object.
    virtual void SetTextMargins(GsTextMargins* value);

    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value) { m_wordWrap = value; }
    TAlignment Alignment() const { return m_alignment; }
    TTextLayout Layout() const { return m_layout; }
    GsTextMargins* TextMargins() const { return m_margins; }

    TRect GetTextRect() const;
    unsigned GetTextFormat() const;

private:
    bool m_wordWrap = false;
    TAlignment m_alignment = taCenter;
    TTextLayout m_layout = tlCenter;
    GsTextMargins* m_margins;
};

class WdgButton : public WdgCustomControl {
public:
    WdgButton();
    ~WdgButton() override;

    bool HitTest(int x, int y) override;
    void SetEnabled(bool value) override;
    void Paint(TBitmap* target, const TRect& rect) override;
    void MouseMoveHook(TShiftState shift, int x, int y) override;
    void MouseDownHook(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUpHook(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeaveHook() override;
    TTextPainter* GetTextPainter(int state) override;

    GsButtonAppearance* Appearance() const { return m_appearance; }
    GsButtonOuterGlowTextEffect* TextEffect() const { return m_textEffect; }
    // The state the last Paint showed: 0 raised, 1 sunken, 2 hovered, 3 disabled.
    int ShownState() const { return m_shownState; }
    bool Pressed() const { return m_pressed; }

private:
    // Everything a state's picture (its image with the caption) is made from.
    struct FrameKey {
        bool valid = false;
        unsigned appearance = 0;
        String text, fontName;
        TTextPainter* painter = nullptr;
        int values[20] = {};
        bool operator==(const FrameKey& o) const;
    };
    FrameKey MakeKey(int state);
    void AppearanceChanged(TObject* sender, int state);

    GsButtonAppearance* m_appearance;
    GsButtonOuterGlowTextEffect* m_textEffect;
    // The last picture of each shown state: a hovered button repaints often, and the glow
    // text is by far the dearest part of a picture. A state image's pixels may be changed
    // where they lie (through ScanLine) without any notice, so the picture also keeps a
    // copy of the image it was made from and is made again when the two differ.
    struct Frame {
        std::unique_ptr<TBitmap> picture, image;
        FrameKey key;
    };
    Frame m_frames[4];
    unsigned m_appearanceVersion = 0;
    int m_shownState = 0;
    bool m_pressed = false;
};

} // namespace gs
