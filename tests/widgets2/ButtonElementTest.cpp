#include <gtest/gtest.h>

#include <memory>

#include "ButtonArt.h"
#include "src/gui/widget/WdgButton.h"

using gs::WdgButton;
using namespace widgets_test;

namespace {

const TColor kColours[4] = {0x2040C0, 0x10A010, 0xC08020, 0x808080}; // raised, sunken, hovered, disabled
const TShiftState kHeld{ssLeft};

// The state the element draws now, read back from its pixels.
int Drawn(WdgButton& w)
{
    TBitmap target;
    Fill(target, 40, 20, clBlack);
    w.Draw(&target);
    TColor c = PixelAt(&target, 20, 10);
    for (int s = 0; s < 4; ++s)
        if (c == kColours[s])
            return s;
    return -1;
}

TEST(ButtonElement, StateWalkShowsEachStateImage)
{
    WdgButton w;
    for (int s = 0; s < 4; ++s)
        w.Appearance()->SetImage(s, std::unique_ptr<TBitmap>(SolidImage(40, 20, kColours[s])).get());
    EXPECT_EQ(40, w.Width()) << "the raised image sizes the element";
    struct {
        const char* what;
        void (*act)(WdgButton&);
        int state;
    } steps[] = {
        {"move in", [](WdgButton& w) { w.MouseMove({}, 5, 5); }, gs::gbsHovered},
        {"press", [](WdgButton& w) { w.MouseDown(mbLeft, kHeld, 5, 5); }, gs::gbsSunken},
        {"release", [](WdgButton& w) { w.MouseUp(mbLeft, {}, 5, 5); }, gs::gbsHovered},
        {"leave", [](WdgButton& w) { w.MouseLeave(); }, gs::gbsRaised},
        {"press, leave",
         [](WdgButton& w) { w.MouseMove({}, 5, 5), w.MouseDown(mbLeft, kHeld, 5, 5), w.MouseLeave(); },
         gs::gbsRaised},
        {"back, still held", [](WdgButton& w) { w.MouseMove(kHeld, 6, 6); }, gs::gbsSunken},
        {"right press while held", [](WdgButton& w) { w.MouseDown(mbRight, kHeld, 6, 6); }, gs::gbsHovered},
        {"right press, not held", [](WdgButton& w) { w.MouseDown(mbRight, {}, 6, 6); }, gs::gbsHovered},
        {"pressed, disabled", [](WdgButton& w) { w.MouseDown(mbLeft, kHeld, 6, 6), w.SetEnabled(false); },
         gs::gbsDisabled},
        {"enabled, mouse inside", [](WdgButton& w) { w.SetEnabled(true); }, gs::gbsHovered},
    };
    EXPECT_EQ(gs::gbsRaised, Drawn(w));
    for (auto& s : steps) {
        s.act(w);
        EXPECT_EQ(s.state, Drawn(w)) << s.what;
    }
    w.MouseDown(mbLeft, kHeld, 6, 6);
    w.MouseLeave();
    w.MouseUp(mbLeft, {}, 90, 90); // released outside: the up still reaches the element
    EXPECT_FALSE(w.Pressed());
}

TEST(ButtonElement, AlphaHitTest)
{
    WdgButton w;
    std::unique_ptr<TBitmap> img(SolidImage(10, 10, clWhite, 0));
    static_cast<unsigned char*>(img->ScanLine(2))[3 * 4 + 3] = 40;
    static_cast<unsigned char*>(img->ScanLine(2))[4 * 4 + 3] = 41;
    w.Appearance()->SetRaised(img.get());
    w.SetBounds(100, 200, 20, 20); // wider than the image
    w.SetTransparentHit(false);
    EXPECT_FALSE(w.HitTest(103, 202)); // alpha 40: a miss
    EXPECT_TRUE(w.HitTest(104, 202));  // 41: a hit
    EXPECT_FALSE(w.HitTest(115, 202)); // beside the image
    // A 24-bit state image has no alpha byte: its rectangle decides.
    img->SetPixelFormat(pf24bit);
    w.Appearance()->SetRaised(img.get());
    w.SetBounds(100, 200, 20, 20);
    EXPECT_TRUE(w.HitTest(105, 205));
    EXPECT_FALSE(w.HitTest(112, 205));
}

// Measures every text 15 pixels high and records where it was asked to draw.
class FakePainter : public gs::TTextPainter {
public:
    int CalcRect(TCanvas*, const wchar_t*, TRect& rect, unsigned) override
    {
        return rect.bottom = rect.top + 15, 15;
    }
    void DrawText(TBitmap*, const wchar_t*, const TRect& rect, unsigned format, int, bool) override
    {
        drawn = rect;
        flags = format;
        ++draws;
    }
    TRect drawn;
    unsigned flags = 0;
    int draws = 0;
};

class TextElement : public WdgButton {
public:
    gs::TTextPainter* GetTextPainter(int) override { return ++asked, &painter; }
    FakePainter painter;
    int asked = 0;
};

TEST(ButtonElement, CaptionFlagsAndWrappedPlacement)
{
    struct {
        bool wrap;
        TAlignment align;
        TTextLayout layout;
        int height;
        unsigned flags;
        int top;
    } cases[] = {
        {false, taLeftJustify, tlTop, 40, 36, 0},
        {false, taRightJustify, tlBottom, 40, DT_RIGHT | DT_BOTTOM | 36, 0},
        {true, taCenter, tlCenter, 40, DT_CENTER | DT_VCENTER | DT_WORDBREAK, 12},
        {true, taCenter, tlBottom, 40, DT_CENTER | DT_BOTTOM | DT_WORDBREAK, 25},
        {true, taCenter, tlCenter, 15, DT_CENTER | DT_VCENTER | DT_WORDBREAK, 0},
    };
    for (auto& c : cases) {
        TextElement e;
        e.Appearance()->SetRaised(std::unique_ptr<TBitmap>(SolidImage(60, c.height, clBlue)).get());
        e.SetWordWrap(c.wrap);
        e.SetAlignment(c.align);
        e.SetLayout(c.layout);
        TBitmap target;
        Fill(target, 60, 40, clBlack);
        e.Draw(&target);
        EXPECT_EQ(0, e.asked) << "no caption, no painter";
        e.SetText(L"Next");
        e.Draw(&target);
        EXPECT_EQ(c.flags, e.painter.flags) << c.wrap << c.align << c.layout;
        EXPECT_EQ(c.top, e.painter.drawn.top) << c.wrap << c.align << c.layout;
    }
}

TEST(ButtonElement, AStatesPictureIsMadeAgainOnlyWhenSomethingItShowsChanged)
{
    TextElement e;
    e.Appearance()->SetRaised(std::unique_ptr<TBitmap>(SolidImage(60, 40, clBlue)).get());
    e.SetText(L"Next");
    TBitmap target;
    Fill(target, 60, 40, clBlack);
    struct {
        const char* what;
        void (*change)(TextElement&);
        int draws;
    } steps[] = {
        {"first paint", [](TextElement&) {}, 1},
        {"nothing changed", [](TextElement&) {}, 1},
        {"hovered: another state", [](TextElement& e) { e.MouseMove({}, 1, 1); }, 2},
        {"raised again", [](TextElement& e) { e.MouseLeave(); }, 2},
        {"caption", [](TextElement& e) { e.SetText(L"Back"); }, 3},
        {"glow radius", [](TextElement& e) { e.TextEffect()->Raised()->SetRadius(2); }, 4},
        {"font colour", [](TextElement& e) { e.TextEffect()->Raised()->Font()->SetColor(clRed); }, 5},
        {"layout", [](TextElement& e) { e.SetLayout(tlTop); }, 6},
        {"state image", [](TextElement& e) { e.Appearance()->SetSunken(nullptr); }, 7},
        {"opacity alone", [](TextElement& e) { e.SetOpacity(100); }, 7},
    };
    for (auto& s : steps) {
        s.change(e);
        e.Draw(&target);
        EXPECT_EQ(s.draws, e.painter.draws) << s.what;
    }
}

} // namespace
