// Text effects, per-state effect sets, button appearances and the effect painter.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "WidgetPixels.h"
#include "forms/PngImage.h"
#include "forms2/FormsTestSupport.h"
#include "src/gui/Effects/GsEffects.h"

#undef DrawText

using namespace widgets_test;
using Bmp = std::unique_ptr<TBitmap>;

namespace {

struct Notices : public TObject {
    std::vector<int> states; // -1 for a plain change notice
    void Changed(TObject*) { states.push_back(-1); }
    void StateChanged(TObject*, int state) { states.push_back(state); }
};

} // namespace

TEST(Effects, RadiationNotifiesOnlyOnChangeAndBoundsTheRadius)
{
    Notices n;
    gs::GsTextRadiationEffect e(MakeEvent(&n, &Notices::Changed));
    e.SetOpacity(255);
    e.SetRadius(0);
    e.SetOffsetX(0);
    EXPECT_TRUE(n.states.empty());
    e.SetOffsetX(3);
    e.SetRadiationY(5);
    EXPECT_EQ(5, e.OffsetY());
    EXPECT_EQ(2u, n.states.size());
    e.SetRadius(unsigned(-1)); // bounded: the kernel is (2r + 1)^2 cells
    EXPECT_EQ(255u, e.Radius());
    e.SetFont(e.Font()); // its own font: harmless
}

TEST(Effects, StatesDeriveFromRaisedOnFirstRead)
{
    gs::GsButtonOuterGlowTextEffect t;
    t.Raised()->SetOpacity(100);
    t.Raised()->SetRadius(4);
    t.Raised()->Font()->SetName(L"Microsoft Sans Serif");
    gs::GsTextRadiationEffect* early = t.Disabled();
    t.Raised()->Font()->SetColor(clRed);
    EXPECT_FALSE(t.HasStateEffect(gs::gbsSunken));
    const struct {
        gs::GsTextRadiationEffect* effect;
        int opacity;
        unsigned radius;
        int offset;
        TColor color;
    } rows[] = {{t.Sunken(), 255, 0, 2, clRed},
                {t.Hovered(), 100, 4, 0, clRed},
                {t.Focused(), 100, 4, 0, clRed},
                {t.Active(), 100, 4, 0, clRed},
                {early, 100, 4, 0, clGrayText}};
    for (const auto& r : rows) {
        EXPECT_EQ(r.opacity, r.effect->Opacity());
        EXPECT_EQ(r.radius, r.effect->Radius());
        EXPECT_EQ(r.offset, r.effect->OffsetX());
        EXPECT_EQ(r.offset, r.effect->RadiationY());
        EXPECT_EQ(r.color, r.effect->Font()->Color());
        EXPECT_EQ(String(L"Microsoft Sans Serif"), r.effect->Font()->Name());
    }
    t.Raised()->SetOpacity(10); // made once, never derived again
    EXPECT_EQ(100, t.Hovered()->Opacity());
    EXPECT_EQ(t.Raised()->GetPainter(), t.GetStatePainter(7)); // out of range: raised
    gs::GsButtonOuterGlowTextEffect u;
    EXPECT_EQ(u.Disabled()->GetPainter(), u.GetStatePainter(3));
    gs::GsTextRadiationEffect given;
    given.SetRadius(3);
    u.SetHovered(&given); // copied into the set's own effect
    EXPECT_EQ(3u, u.Hovered()->Radius());
    t.Assign(&u);
    for (int s = 0; s < gs::GsButtonStateCount; ++s)
        EXPECT_EQ(u.GetStateEffect(s)->Radius(), t.GetStateEffect(s)->Radius()) << s;
}

TEST(Effects, AppearanceFallbackImagesAndLoading)
{
    Notices n;
    gs::GsButtonAppearance a(MakeEvent(&n, &Notices::StateChanged));
    Bmp raised(MakeBitmap(4, 3, pf32bit, 0xFF0000FFu)), hovered(MakeBitmap(5, 2, pf32bit, 0x80402010u));
    a.SetRaised(raised.get());
    for (int s : {0, 1, 2, 3, 4, 5, 9, -1})
        EXPECT_EQ(a.Raised(), a.GetStateImage(s)) << s;
    a.SetHovered(hovered.get());
    const int fallback[6] = {0, 2, 2, 0, 2, 2};
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(a.Image(fallback[s]), a.GetStateImage(s)) << s;
    n.states.clear();
    a.Sunken()->SetSize(3, 3); // a change inside a state image reports that state
    EXPECT_EQ(std::vector<int>({1}), n.states);

    forms_test::SetUpApplication();
    forms_test::MessageBoxTexts().clear();
    TPngImage png;
    png.SetSize(6, 4);
    png.SaveToFile(L"state-a.png");
    a.Load(std::wstring(L".\\"), L"state-a.png", L"missing.png", L"", L"state-a.png");
    const int widths[] = {6, 3, 5, 6}; // loaded, failed (kept), empty name (unchanged), loaded
    for (int s = 0; s < 4; ++s)
        EXPECT_EQ(widths[s], a.Image(s)->Width()) << s;
    ASSERT_EQ(1u, forms_test::MessageBoxTexts().size());
    EXPECT_EQ(L"Can not load image .\\missing.png", forms_test::MessageBoxTexts()[0]);
}

TEST(Effects, EffectPainterOffsetStaysInsideTheRectangle)
{
    gs::GsTextRadiationEffect e;
    e.Font()->SetHeight(-14);
    e.Font()->SetColor(clWhite);
    e.SetRadius(2);
    e.SetSpread(200);
    e.SetOffsetX(2);
    e.SetOffsetY(2);
    for (int origin = 0; origin <= 1; ++origin) {
        Bmp b(MakeBitmap(30, 30, pf32bit, 0xFF000000u));
        SetViewportOrgEx(b->Canvas()->Handle(), 3 * origin, 4 * origin, nullptr);
        e.GetPainter()->DrawText(b.get(), L"WW", TRect(10, 10, 20, 20), 0, 0, true);
        const TRect device(10 + 3 * origin, 10 + 4 * origin, 20 + 3 * origin, 20 + 4 * origin);
        int inside = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool changed = Px32(b.get(), x, y) != 0xFF000000u;
                ASSERT_TRUE(!changed || device.Contains(TPoint(x, y))) << x << "," << y;
                inside += changed;
            }
        EXPECT_GT(inside, 0);
    }
}
