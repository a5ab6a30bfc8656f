#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ButtonArt.h"
#include "src/gui/widget/WdgButton.h"

using gs::WdgButton;
using namespace widgets_test;

namespace {

const TColor kColours[4] = {0x2040C0, 0x10A010, 0xC08020, 0x808080}; // raised, sunken, hovered, disabled

struct StateButton {
    WdgButton w;
    StateButton()
    {
        for (int s = 0; s < 4; ++s) {
            std::unique_ptr<TBitmap> img(SolidImage(40, 20, kColours[s]));
            w.Appearance()->SetImage(s, img.get());
        }
    }
    // The state Paint shows now, read back from the drawn pixels.
    int Drawn()
    {
        TBitmap target;
        target.SetPixelFormat(pf32bit);
        target.SetSize(40, 20);
        w.Draw(&target);
        TColor c = PixelAt(&target, 20, 10);
        for (int s = 0; s < 4; ++s)
            if (c == kColours[s]) return s;
        return -1;
    }
};

const TShiftState kHeld{ssLeft};

TEST(ButtonElement, StateWalkShowsEachStateImage)
{
    struct Step {
        const char* what;
        void (*act)(WdgButton&);
        int state;
    } steps[] = {
        {"move in", [](WdgButton& w) { w.MouseMove({}, 5, 5); }, gs::gbsHovered},
        {"press", [](WdgButton& w) { w.MouseDown(mbLeft, kHeld, 5, 5); }, gs::gbsSunken},
        {"release", [](WdgButton& w) { w.MouseUp(mbLeft, {}, 5, 5); }, gs::gbsHovered},
        {"leave", [](WdgButton& w) { w.MouseLeave(); }, gs::gbsRaised},
        {"press again", [](WdgButton& w) { w.MouseMove({}, 5, 5); w.MouseDown(mbLeft, kHeld, 5, 5); }, gs::gbsSunken},
        {"leave while held", [](WdgButton& w) { w.MouseLeave(); }, gs::gbsRaised},
        {"back with the button held", [](WdgButton& w) { w.MouseMove(kHeld, 6, 6); }, gs::gbsSunken},
        {"right press while held", [](WdgButton& w) { w.MouseDown(mbRight, kHeld, 6, 6); }, gs::gbsHovered},
        {"right press not held: nothing", [](WdgButton& w) { w.MouseDown(mbRight, {}, 6, 6); }, gs::gbsHovered},
        {"pressed, then disabled", [](WdgButton& w) { w.MouseUp(mbRight, {}, 6, 6); w.MouseDown(mbLeft, kHeld, 6, 6); w.SetEnabled(false); }, gs::gbsDisabled},
        {"enabled again with the mouse inside", [](WdgButton& w) { w.SetEnabled(true); }, gs::gbsHovered},
    };
    StateButton b;
    EXPECT_EQ(gs::gbsRaised, b.Drawn());
    for (auto& s : steps) {
        s.act(b.w);
        EXPECT_EQ(s.state, b.Drawn()) << s.what;
        EXPECT_EQ(s.state, b.w.ShownState()) << s.what;
    }
    // Released outside after leaving: the mouse-up that reaches the element clears pressed.
    b.w.MouseDown(mbLeft, kHeld, 6, 6);
    b.w.MouseLeave();
    b.w.MouseUp(mbLeft, {}, 90, 90);
    EXPECT_FALSE(b.w.Pressed());
}

TEST(ButtonElement, TheRaisedImageSizesTheElement)
{
    WdgButton w;
    std::unique_ptr<TBitmap> raised(SolidImage(120, 30, clRed)), hovered(SolidImage(50, 50, clRed));
    w.Appearance()->SetHovered(hovered.get());
    EXPECT_EQ(0, w.Width());
    w.Appearance()->SetRaised(raised.get());
    EXPECT_EQ(120, w.Width());
    EXPECT_EQ(30, w.Height());
}

TEST(ButtonElement, AlphaHitTest)
{
    WdgButton w;
    std::unique_ptr<TBitmap> img(SolidImage(10, 10, clWhite, 0));
    auto* row = static_cast<unsigned char*>(img->ScanLine(2));
    row[3 * 4 + 3] = 40;
    row[4 * 4 + 3] = 41;
    w.Appearance()->SetRaised(img.get());
    w.SetBounds(100, 200, 20, 20); // wider than the image
    w.SetTransparentHit(false);
    struct Case {
        int x, y;
        bool hit;
    } cases[] = {{103, 202, false}, {104, 202, true}, {115, 202, false}, {99, 202, false}, {105, 205, false}};
    for (auto& c : cases) EXPECT_EQ(c.hit, w.HitTest(c.x, c.y)) << c.x << "," << c.y;
    w.SetTransparentHit(true);
    EXPECT_TRUE(w.HitTest(105, 205));

    // A 24-bit state image has no alpha byte: its rectangle decides.
    std::unique_ptr<TBitmap> flat(SolidImage(10, 10, clWhite, 0));
    flat->SetPixelFormat(pf24bit);
    w.Appearance()->SetRaised(flat.get());
    w.SetBounds(100, 200, 20, 20);
    w.SetTransparentHit(false);
    EXPECT_TRUE(w.HitTest(105, 205));
    EXPECT_FALSE(w.HitTest(112, 205));
}

// Measures every text as 15 pixels high and records where it was asked to draw.
class FakePainter : public gs::TTextPainter {
public:
    int CalcRect(TCanvas*, const wchar_t*, TRect& rect, unsigned) override
    {
        rect.bottom = rect.top + measured;
        return measured;
    }
    void DrawText(TBitmap*, const wchar_t*, const TRect& rect, unsigned format, int, bool) override
    {
        drawn = rect;
        flags = format;
        ++draws;
    }
    int measured = 15;
    TRect drawn;
    unsigned flags = 0;
    int draws = 0;
};

class TextElement : public WdgButton {
public:
    gs::TTextPainter* GetTextPainter(int) override
    {
        ++asked;
        return &painter;
    }
    FakePainter painter;
    int asked = 0;
};

TEST(ButtonElement, TextLayoutAndFlags)
{
    struct Case {
        bool wrap;
        TAlignment align;
        TTextLayout layout;
        int measured;
        unsigned flags;
        int top;
    } cases[] = {
        {false, taLeftJustify, tlTop, 15, 36, 0},
        {false, taRightJustify, tlBottom, 15, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_VCENTER, 0},
        {true, taCenter, tlCenter, 15, DT_CENTER | DT_VCENTER | DT_WORDBREAK, 12},
        {true, taCenter, tlBottom, 15, DT_CENTER | DT_BOTTOM | DT_WORDBREAK, 25},
        {true, taCenter, tlCenter, 40, DT_CENTER | DT_VCENTER | DT_WORDBREAK, 0},
        {true, taLeftJustify, tlTop, 15, DT_WORDBREAK, 0},
    };
    for (auto& c : cases) {
        TextElement e;
        std::unique_ptr<TBitmap> img(SolidImage(60, 40, clBlue));
        e.Appearance()->SetRaised(img.get());
        e.SetWordWrap(c.wrap);
        e.SetAlignment(c.align);
        e.SetLayout(c.layout);
        e.painter.measured = c.measured;
        e.SetText(L"Next");
        TBitmap target;
        target.SetPixelFormat(pf32bit);
        target.SetSize(60, 40);
        e.Draw(&target);
        EXPECT_EQ(c.flags, e.painter.flags) << c.wrap << c.align << c.layout;
        EXPECT_EQ(c.top, e.painter.drawn.top) << c.wrap << c.align << c.layout;
        EXPECT_EQ(40, e.painter.drawn.bottom);
    }

    gs::GsTextMargins margins;
    margins.SetLeft(3);
    margins.SetTop(4);
    margins.SetRight(5);
    margins.SetBottom(6);
    TextElement e;
    e.SetBounds(0, 0, 60, 40);
    e.SetTextMargins(&margins);
    EXPECT_EQ(TRect(3, 4, 55, 34), e.GetTextRect());
    EXPECT_NE(&margins, e.TextMargins());

    // No caption: no painter is asked.
    TextElement empty;
    std::unique_ptr<TBitmap> img(SolidImage(60, 40, clBlue));
    empty.Appearance()->SetRaised(img.get());
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(60, 40);
    empty.Draw(&target);
    EXPECT_EQ(0, empty.asked);
}

TEST(ButtonElement, OpacityBlendsTheStateImageOverTheTarget)
{
    StateButton b;
    b.w.SetOpacity(128);
    TBitmap target;
    Fill(target, 40, 20, clBlack);
    b.w.Draw(&target);
    TColor c = PixelAt(&target, 20, 10);
    // Half of the raised colour (0x2040C0) over black.
    EXPECT_NEAR(0xC0 / 2, c & 0xFF, 2);
    EXPECT_NEAR(0x40 / 2, (c >> 8) & 0xFF, 2);
}

} // namespace
