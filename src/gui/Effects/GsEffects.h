#pragma once
// The persistent objects that set a button's look: text margins, the glow-text settings
// of one state, the per-state set of them, the per-state images, and the painter through
// which an element draws text with one state's font, glow and offset.
//
// Button states by index: 0 Raised, 1 Sunken, 2 Hovered, 3 Disabled, 4 Focused, 5 Active.
// Change callbacks are bound methods, empty unless given; "notify" calls them with the
// object as sender.
#include <string>

#include "forms/Graphics.h"
#include "src/gui/Painter/TextPainter.h"

namespace gs {

enum GsButtonState {
    gbsRaised = 0,
    gbsSunken = 1,
    gbsHovered = 2,
    gbsDisabled = 3,
    gbsFocused = 4,
    gbsActive = 5
};
constexpr int GsButtonStateCount = 6;

// Text margins in pixels. Every write notifies, changed or not.
class GsTextMargins : public TPersistent {
public:
    GsTextMargins() = default;
    void AssignTo(TPersistent* Dest) override;

    int Left() const { return m_left; }
    void SetLeft(int value);
    int Right() const { return m_right; }
    void SetRight(int value);
    int Top() const { return m_top; }
    void SetTop(int value);
    int Bottom() const { return m_bottom; }
    void SetBottom(int value);

    TNotifyEvent OnChange;

private:
    void Changed() { OnChange(this); }
    int m_left = 0;
    int m_right = 0;
    int m_top = 0;
    int m_bottom = 0;
};

class GsTextRadiationEffect;

// Draws with one effect's font, glow and offset; owned by the effect (Release does nothing).
class GsOuterGlowTextEffectPainter : public TTextPainter {
public:
    explicit GsOuterGlowTextEffectPainter(GsTextRadiationEffect* effect) : m_effect(effect) {}

    void DrawText(TCanvas* canvas, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TCanvas* canvas, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    // Into a bitmap the drawing is shifted by the effect's offset but never leaves rect.
    void DrawText(TBitmap* bitmap, const char* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    void DrawText(TBitmap* bitmap, const wchar_t* text, const TRect& rect, unsigned format, int alpha,
                  bool premultiplied) override;
    int CalcRect(TCanvas* canvas, const char* text, TRect& rect, unsigned format) override;
    int CalcRect(TCanvas* canvas, const wchar_t* text, TRect& rect, unsigned format) override;
    void Release() override {}

    GsTextRadiationEffect* Effect() const { return m_effect; }

private:
    template <class Ch>
    void DrawIntoBitmap(TBitmap* bitmap, const Ch* text, const TRect& rect, unsigned format, int alpha,
                        bool premultiplied);
    GsTextRadiationEffect* m_effect;
};

// The glow-text settings of one state. The numbers live in the effect's glow painter;
// OffsetX/RadiationX and OffsetY/RadiationY are two names of one value each. Setters
// notify only when the value changes.
class GsTextRadiationEffect : public TPersistent {
public:
    explicit GsTextRadiationEffect(TNotifyEvent onChange = nullptr);
    ~GsTextRadiationEffect() override;
    void AssignTo(TPersistent* Dest) override;

    unsigned char Opacity() const { return m_glow->Opacity(); }
    void SetOpacity(unsigned char value);
    // Kept within 0..TRadiateTextPainter::MaxRadius.
    unsigned Radius() const { return static_cast<unsigned>(m_glow->Radius()); }
    void SetRadius(unsigned value);
    unsigned char Spread() const { return m_glow->Spread(); }
    void SetSpread(unsigned char value);
    TColor Color() const { return m_glow->Color(); }
    void SetColor(TColor value);
    int RadiationX() const { return m_glow->X(); }
    void SetRadiationX(int value);
    int RadiationY() const { return m_glow->Y(); }
    void SetRadiationY(int value);
    int OffsetX() const { return m_glow->X(); }
    void SetOffsetX(int value) { SetRadiationX(value); }
    int OffsetY() const { return m_glow->Y(); }
    void SetOffsetY(int value) { SetRadiationY(value); }
    TFont* Font() const { return m_font; }
    // Copies the given font (unless it is this effect's own) and notifies once more.
    void SetFont(TFont* value);

    // The painter an element draws this state's text with.
    TTextPainter* GetPainter() const { return m_painter; }
    TOuterGlowTextPainter* GlowPainter() const { return m_glow; }

    TNotifyEvent OnChange;

private:
    void Changed() { OnChange(this); }
    void FontChanged(TObject* sender);

    TFont* m_font;
    TOuterGlowTextPainter* m_glow;
    GsOuterGlowTextEffectPainter* m_painter;
};

// A set of text effects by button state.
class GsCtrlTextEffect : public TPersistent {
public:
    virtual TTextPainter* GetStatePainter(int state) = 0;
    // The change callback of every state effect: notifies OnChange with this object.
    void EffectChanged(TObject* sender);

    TNotifyEvent OnChange;
};

// Six state effects. Raised exists from the start; the others are made on first use,
// derived from Raised as it is then (Sunken: Raised's font, offset (2, 2); Hovered,
// Focused, Active: a full copy; Disabled: a full copy in clGrayText) and never again.
class GsButtonOuterGlowTextEffect : public GsCtrlTextEffect {
public:
    GsButtonOuterGlowTextEffect();
    ~GsButtonOuterGlowTextEffect() override;
    void AssignTo(TPersistent* Dest) override;

    GsTextRadiationEffect* Raised() { return m_effects[gbsRaised]; }
    GsTextRadiationEffect* Sunken() { return GetStateEffect(gbsSunken); }
    GsTextRadiationEffect* Hovered() { return GetStateEffect(gbsHovered); }
    GsTextRadiationEffect* Disabled() { return GetStateEffect(gbsDisabled); }
    GsTextRadiationEffect* Focused() { return GetStateEffect(gbsFocused); }
    GsTextRadiationEffect* Active() { return GetStateEffect(gbsActive); }
    // The state's effect copies the given one (when it is another object).
    void SetRaised(GsTextRadiationEffect* value) { SetState(gbsRaised, value); }
    void SetSunken(GsTextRadiationEffect* value) { SetState(gbsSunken, value); }
    void SetHovered(GsTextRadiationEffect* value) { SetState(gbsHovered, value); }
    void SetDisabled(GsTextRadiationEffect* value) { SetState(gbsDisabled, value); }
    void SetFocused(GsTextRadiationEffect* value) { SetState(gbsFocused, value); }
    void SetActive(GsTextRadiationEffect* value) { SetState(gbsActive, value); }

    // 1..5 their states (made on first use); any other index gives Raised.
    virtual GsTextRadiationEffect* GetStateEffect(int state);
    TTextPainter* GetStatePainter(int state) override;
    // Whether a state's effect exists yet.
    bool HasStateEffect(int state) const;

private:
    void SetState(int state, GsTextRadiationEffect* value);
    GsTextRadiationEffect* m_effects[GsButtonStateCount] = {};
};

class GsCtrlAppearance : public TPersistent {};

using GsAppearanceChangeEvent = TEvent<TObject*, int>;

// Six state images, owned. A write copies the image into the state's bitmap and notifies
// with the state's index; a change of a bitmap itself notifies with its index.
class GsButtonAppearance : public GsCtrlAppearance {
public:
    explicit GsButtonAppearance(GsAppearanceChangeEvent onChange = nullptr);
    ~GsButtonAppearance() override;
    void AssignTo(TPersistent* Dest) override;

    TBitmap* Image(int state) const { return m_bitmaps[state]; }
    TBitmap* Raised() const { return m_bitmaps[gbsRaised]; }
    TBitmap* Sunken() const { return m_bitmaps[gbsSunken]; }
    TBitmap* Hovered() const { return m_bitmaps[gbsHovered]; }
    TBitmap* Disabled() const { return m_bitmaps[gbsDisabled]; }
    TBitmap* Focused() const { return m_bitmaps[gbsFocused]; }
    TBitmap* Active() const { return m_bitmaps[gbsActive]; }
    void SetRaised(TBitmap* value) { SetImage(gbsRaised, value); }
    void SetSunken(TBitmap* value) { SetImage(gbsSunken, value); }
    void SetHovered(TBitmap* value) { SetImage(gbsHovered, value); }
    void SetDisabled(TBitmap* value) { SetImage(gbsDisabled, value); }
    void SetFocused(TBitmap* value) { SetImage(gbsFocused, value); }
    void SetActive(TBitmap* value) { SetImage(gbsActive, value); }
    void SetImage(int state, TBitmap* value);

    // The image to show for a state: an empty Sunken, Focused or Active falls back to
    // Hovered, an empty Hovered or Disabled to Raised; an unknown index means Raised.
    TBitmap* GetStateImage(int state) const;

    // Loads folder + name (no separator added) into Raised, Sunken, Hovered, Disabled;
    // an empty name leaves that state alone, a file that fails is reported by LoadImage.
    void Load(const std::wstring& folder, const std::wstring& raised, const std::wstring& sunken,
              const std::wstring& hovered, const std::wstring& disabled);
    void Load(const wchar_t* folder, const wchar_t* raised, const wchar_t* sunken, const wchar_t* hovered,
              const wchar_t* disabled);

    void BitmapChanged(TObject* sender);

    GsAppearanceChangeEvent OnChange;

private:
    TBitmap* m_bitmaps[GsButtonStateCount];
};

} // namespace gs
