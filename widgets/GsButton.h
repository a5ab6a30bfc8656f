#pragma once
// GsCustomButton: the button base. It keeps its own Caption, can take its background from
// a parent button (ParentBackground) or a picture (InputBkgnd), publishes the settings
// kept in its root element, and composes itself and its child controls into a parent's
// 32-bit bitmap.
//
// GsButton: the image button. Its root element is a gs::WdgButton with per-state images
// (Appearance) and glow text (TextEffect); it keeps a copy of its last rendering, so a
// child asking for its picture does not render it again; a click sets the parent form's
// ModalResult before OnClick fires. The control's Font is the raised state's text font.
#include "src/gui/widget/WdgButton.h"
#include "widgets/GsCustomControl.h"

class GsCustomButton : public GsCustomControl {
public:
    explicit GsCustomButton(TComponent* AOwner);

    // The button's own caption (not the control's text); a change shows at the next repaint.
    String Caption() const { return m_caption; }
    virtual void SetCaption(const String& value);

    // A picture not owned by the button, sampled at (Left, Top).
    void SetInputBkgnd(TBitmap* value);
    // With a parent GsCustomButton, the parent's picture is the background; with another
    // parent the InputBkgnd is used, and without one no background.
    bool ParentBackground() const { return m_parentBackground; }
    void SetParentBackground(bool value) { m_parentBackground = value; }
    // The root element's opacity; a write reaches the visible child controls too.
    BYTE AlphaValue();
    void SetAlphaValue(BYTE value);
    bool WordWrap();
    void SetWordWrap(bool value);
    TAlignment Alignment();
    void SetAlignment(TAlignment value);
    TTextLayout Layout();
    void SetLayout(TTextLayout value);
    gs::GsTextMargins* TextMargins();
    void SetTextMargins(gs::GsTextMargins* value);
    bool TransparentHit() { return GetWidget()->TransparentHit(); }
    void SetTransparentHit(bool value) { GetWidget()->SetTransparentHit(value); }
    BYTE HitAlphaLimit() { return GetWidget()->HitAlphaLimit(); }
    void SetHitAlphaLimit(BYTE value) { GetWidget()->SetHitAlphaLimit(value); }

    void ComposeInto(TBitmap* target, bool withChildren, bool force) override;
    void RenderTo(TBitmap* target, bool toCanvas) override;
    // Draws only the child controls into target, which shows this button from offset on.
    virtual void PaintChildren(TBitmap* target, const TPoint& offset, bool force);

protected:
    bool CanAutoSize(int& newWidth, int& newHeight) override;
    // The root element as a text element (null for an element of another kind).
    gs::WdgCustomControl* TextElement();

private:
    void ComposeChild(TControl* child, TBitmap* target, bool withChildren, bool force);

    String m_caption;
    bool m_parentBackground = false;
};

class GsButton : public GsCustomButton {
public:
    explicit GsButton(TComponent* AOwner);
    ~GsButton() override;

    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }
    gs::GsButtonAppearance* Appearance() { return Element()->Appearance(); }
    // Copies the given object into the button's own (the caller keeps it).
    void SetAppearance(gs::GsButtonAppearance* value);
    gs::GsButtonOuterGlowTextEffect* TextEffect() { return Element()->TextEffect(); }
    void SetTextEffect(gs::GsButtonOuterGlowTextEffect* value);
    gs::WdgButton* Element();

    void Invalidate() override;
    void PaintToBitmap(TBitmap* target) override;
    void RenderTo(TBitmap* target, bool toCanvas) override;
    // Whether the next PaintToBitmap renders (true) or copies the last rendering.
    bool CacheDirty() const { return m_cacheDirty; }

protected:
    bool CanAutoSize(int& newWidth, int& newHeight) override;
    gs::GsWidget* CreateWidget() override;
    void Click() override;
    void FontChanged() override;

private:
    TBitmap* m_cache;
    // Dirty from the start: nothing has been rendered yet.
    bool m_cacheDirty = true;
    int m_modalResult = 0;
};
