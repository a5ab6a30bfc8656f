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
using std::unique_ptr;

namespace {

struct Notices : public TObject {
    std::vector<TObject*> senders;
    std::vector<int> states;
    void Changed(TObject* sender) { senders.push_back(sender); }
    void StateChanged(TObject* sender, int state)
    {
        senders.push_back(sender);
        states.push_back(state);
    }
};

TBitmap* Image(int w, int h, uint32_t px) { return MakeBitmap(w, h, pf32bit, px); }

} // namespace

TEST(Effects, RadiationSettingsNotifyOnlyOnChange)
{
    Notices n;
    gs::GsTextRadiationEffect e(MakeEvent(&n, &Notices::Changed));
    EXPECT_EQ(255, e.Opacity());
    EXPECT_EQ(0u, e.Radius());
    EXPECT_EQ(0, e.Spread());
    EXPECT_EQ(TColor(0xBFFFFF), e.Color());

    e.SetOpacity(255);
    e.SetRadius(0);
    e.SetColor(TColor(0xBFFFFF));
    e.SetOffsetX(0);
    EXPECT_TRUE(n.senders.empty());

    e.SetOffsetX(3);
    EXPECT_EQ(3, e.RadiationX());
    e.SetRadiationY(5);
    EXPECT_EQ(5, e.OffsetY());
    EXPECT_EQ(3, e.GlowPainter()->X());
    e.SetRadiationX(3);
    ASSERT_EQ(2u, n.senders.size());
    EXPECT_EQ(&e, n.senders[0]);

    // Radius is unsigned outside and bounded inside: the kernel is (2r + 1)^2 cells.
    e.SetRadius(100000);
    EXPECT_EQ(255u, e.Radius());
    e.SetRadius(unsigned(-1));
    EXPECT_EQ(255u, e.Radius());
    EXPECT_EQ(3u, n.senders.size());

    // A font of its own: one notice from the copy, one more from the write.
    TFont f;
    f.SetColor(clRed);
    n.senders.clear();
    e.SetFont(&f);
    EXPECT_EQ(clRed, e.Font()->Color());
    EXPECT_EQ(2u, n.senders.size());
    e.SetFont(e.Font());
    EXPECT_EQ(2u, n.senders.size());
    e.Font()->SetHeight(-20);
    EXPECT_EQ(3u, n.senders.size());
}

TEST(Effects, StatesDeriveFromRaisedOnFirstRead)
{
    gs::GsButtonOuterGlowTextEffect t;
    Notices n;
    t.OnChange = MakeEvent(&n, &Notices::Changed);
    t.Raised()->SetOpacity(100);
    t.Raised()->SetRadius(4);
    t.Raised()->Font()->SetName(L"Microsoft Sans Serif");
    ASSERT_FALSE(n.senders.empty());
    EXPECT_EQ(&t, n.senders.back()); // state effects report through the set

    gs::GsTextRadiationEffect* early = t.Disabled(); // made before Raised turns red
    t.Raised()->Font()->SetColor(clRed);
    EXPECT_FALSE(t.HasStateEffect(gs::gbsSunken));

    struct Row {
        gs::GsTextRadiationEffect* effect;
        int opacity;
        unsigned radius;
        int offset;
        TColor color;
    } rows[] = {
        {t.Sunken(), 255, 0, 2, clRed},
        {t.Hovered(), 100, 4, 0, clRed},
        {t.Focused(), 100, 4, 0, clRed},
        {t.Active(), 100, 4, 0, clRed},
        {early, 100, 4, 0, clGrayText},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.opacity, r.effect->Opacity());
        EXPECT_EQ(r.radius, r.effect->Radius());
        EXPECT_EQ(r.offset, r.effect->OffsetX());
        EXPECT_EQ(r.offset, r.effect->RadiationY());
        EXPECT_EQ(r.color, r.effect->Font()->Color());
        EXPECT_EQ(String(L"Microsoft Sans Serif"), r.effect->Font()->Name());
    }
    // Made once, never derived again.
    t.Raised()->SetOpacity(10);
    EXPECT_EQ(100, t.Hovered()->Opacity());
    EXPECT_EQ(rows[1].effect, t.Hovered());

    // A later Disabled gets the grey colour whatever Raised has.
    gs::GsButtonOuterGlowTextEffect u;
    u.Raised()->Font()->SetColor(clRed);
    EXPECT_EQ(clGrayText, u.Disabled()->Font()->Color());
}

TEST(Effects, StatePaintersAndCopies)
{
    gs::GsButtonOuterGlowTextEffect t;
    EXPECT_EQ(t.Raised()->GetPainter(), t.GetStatePainter(0));
    EXPECT_EQ(t.Raised()->GetPainter(), t.GetStatePainter(7));
    EXPECT_EQ(t.Raised()->GetPainter(), t.GetStatePainter(-1));
    EXPECT_FALSE(t.HasStateEffect(1));
    EXPECT_EQ(t.Sunken()->GetPainter(), t.GetStatePainter(1));
    EXPECT_TRUE(t.HasStateEffect(1));

    // Writing a state copies into the object's own effect.
    gs::GsTextRadiationEffect given;
    given.SetRadius(3);
    given.SetColor(clAqua);
    t.SetHovered(&given);
    EXPECT_NE(&given, t.Hovered());
    EXPECT_EQ(3u, t.Hovered()->Radius());
    EXPECT_EQ(clAqua, t.Hovered()->Color());

    gs::GsButtonOuterGlowTextEffect copy;
    copy.Assign(&t);
    for (int s = 0; s < gs::GsButtonStateCount; ++s) {
        EXPECT_EQ(t.GetStateEffect(s)->Radius(), copy.GetStateEffect(s)->Radius()) << s;
        EXPECT_EQ(t.GetStateEffect(s)->OffsetX(), copy.GetStateEffect(s)->OffsetX()) << s;
    }
    gs::GsTextMargins margins;
    EXPECT_THROW(margins.Assign(&t), EConvertError);
    EXPECT_THROW(given.Assign(&margins), EConvertError);
}

TEST(Effects, MarginsNotifyOnEveryWrite)
{
    gs::GsTextMargins a, b;
    Notices n;
    b.OnChange = MakeEvent(&n, &Notices::Changed);
    b.SetLeft(0);
    b.SetLeft(0);
    EXPECT_EQ(2u, n.senders.size());
    a.SetLeft(1);
    a.SetRight(2);
    a.SetTop(3);
    a.SetBottom(4);
    b.Assign(&a);
    EXPECT_EQ(3u, n.senders.size());
    EXPECT_EQ(1, b.Left());
    EXPECT_EQ(2, b.Right());
    EXPECT_EQ(3, b.Top());
    EXPECT_EQ(4, b.Bottom());
}

TEST(Effects, StateImageFallbacks)
{
    gs::GsButtonAppearance a;
    unique_ptr<TBitmap> raised(Image(4, 3, 0xFF0000FFu)), hovered(Image(4, 3, 0xFF00FF00u));
    a.SetRaised(raised.get());
    for (int s : {0, 1, 2, 3, 4, 5, 9, -1}) EXPECT_EQ(a.Raised(), a.GetStateImage(s)) << s;
    a.SetHovered(hovered.get());
    struct Case {
        int state;
        TBitmap* expected;
    } cases[] = {{0, a.Raised()}, {1, a.Hovered()}, {2, a.Hovered()}, {3, a.Raised()},
                 {4, a.Hovered()}, {5, a.Hovered()}, {6, a.Raised()}};
    for (const Case& c : cases) EXPECT_EQ(c.expected, a.GetStateImage(c.state)) << c.state;
    gs::GsButtonAppearance empty;
    EXPECT_EQ(empty.Raised(), empty.GetStateImage(1)); // the empty Raised as last resort
}

TEST(Effects, AppearanceWritesNotifyWithTheirState)
{
    Notices n;
    gs::GsButtonAppearance a(MakeEvent(&n, &Notices::StateChanged));
    unique_ptr<TBitmap> img(Image(5, 2, 0x80402010u));
    a.SetActive(img.get());
    EXPECT_EQ(5, a.Active()->Width());
    EXPECT_EQ(0x80402010u, Px32(a.Active(), 4, 1));
    for (int s = 0; s < 5; ++s) EXPECT_TRUE(a.Image(s)->Empty()) << s;
    ASSERT_FALSE(n.states.empty());
    for (int s : n.states) EXPECT_EQ(5, s);
    EXPECT_EQ(&a, n.senders.back());

    n.states.clear();
    a.SetFocused(img.get());
    EXPECT_EQ(4, n.states.back());
    n.states.clear();
    a.Sunken()->SetSize(3, 3); // a change of the bitmap itself
    ASSERT_EQ(1u, n.states.size());
    EXPECT_EQ(1, n.states[0]);

    gs::GsButtonAppearance b;
    b.Assign(&a);
    EXPECT_EQ(5, b.Active()->Width());
    EXPECT_EQ(3, b.Sunken()->Width());
}

TEST(Effects, LoadSkipsEmptyNamesAndGoesOnAfterAFailure)
{
    forms_test::SetUpApplication();
    forms_test::MessageBoxTexts().clear();
    TPngImage png;
    png.SetSize(6, 4);
    png.SaveToFile(L"state-a.png");
    png.SetSize(8, 4);
    png.SaveToFile(L"state-b.png");

    gs::GsButtonAppearance a;
    unique_ptr<TBitmap> old(Image(2, 2, 0xFFFFFFFFu));
    a.SetHovered(old.get());
    a.Load(std::wstring(L".\\"), L"state-a.png", L"missing.png", L"", L"state-b.png");
    EXPECT_EQ(6, a.Raised()->Width());
    EXPECT_TRUE(a.Sunken()->Empty());
    EXPECT_EQ(2, a.Hovered()->Width()); // empty name: unchanged
    EXPECT_EQ(8, a.Disabled()->Width());
    EXPECT_EQ(pf32bit, a.Raised()->PixelFormat());
    ASSERT_EQ(1u, forms_test::MessageBoxTexts().size());
    EXPECT_EQ(L"Can not load image .\\missing.png", forms_test::MessageBoxTexts()[0]);

    a.Load(L".\\", L"", L"state-b.png", nullptr, L"");
    EXPECT_EQ(8, a.Sunken()->Width());
    EXPECT_EQ(6, a.Raised()->Width());
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
        unique_ptr<TBitmap> b(MakeBitmap(30, 30, pf32bit, 0xFF000000u));
        if (origin) SetViewportOrgEx(b->Canvas()->Handle(), 3, 4, nullptr);
        const TRect r(10, 10, 20, 20);
        e.GetPainter()->DrawText(b.get(), L"WW", r, DT_LEFT, 0, true);
        int inside = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool in = TRect(r.left + 3 * origin, r.top + 4 * origin, r.right + 3 * origin,
                                      r.bottom + 4 * origin).Contains(TPoint(x, y));
                if (!in) {
                    ASSERT_EQ(0xFF000000u, Px32(b.get(), x, y)) << x << "," << y;
                } else if (Px32(b.get(), x, y) != 0xFF000000u) {
                    ++inside;
                }
            }
        EXPECT_GT(inside, 0);
    }
    // Without offset the glow painter draws in place; a canvas gets the effect's font too.
    e.SetOffsetX(0);
    e.SetOffsetY(0);
    unique_ptr<TBitmap> c(MakeBitmap(30, 20, pf32bit, 0xFF000000u));
    e.GetPainter()->DrawText(c->Canvas(), L"W", TRect(0, 0, 30, 20), 0, 0, true);
    EXPECT_EQ(-14, c->Canvas()->Font()->Height());
    TRect m(0, 0, 0, 0);
    TRect plain(0, 0, 0, 0);
    gs::GetSharedTextPainter()->CalcRect(c->Canvas(), L"W", plain, 0);
    e.GetPainter()->CalcRect(c->Canvas(), L"W", m, 0);
    EXPECT_EQ(plain.Width() + 4, m.Width());
    e.GetPainter()->Release(); // owned by the effect: still usable
    EXPECT_NO_THROW(e.GetPainter()->DrawText(c.get(), L"W", TRect(0, 0, 30, 20), 0, 0, true));
}
