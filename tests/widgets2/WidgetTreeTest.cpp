#include <gtest/gtest.h>

#include <string>

#include "src/gui/widget/ClipGuard.h"
#include "src/gui/widget/GsWidget.h"

using gs::GsWidget;

namespace {

std::string g_log;

// Logs its hooks as "<name>.<hook>"; paints far past its bounds, so only the clip holds it.
class Probe : public GsWidget {
public:
    Probe(const char* name, int x, int y, int w, int h, GsWidget* parent = nullptr) : m_name(name)
    {
        SetBounds(x, y, w, h);
        SetParent(parent);
    }
    void MouseMoveHook(TShiftState, int x, int y) override { Log("move", x, y); }
    void MouseDownHook(TMouseButton b, TShiftState, int x, int y) override
    {
        Log(b ? "rdown" : "down", x, y);
    }
    void MouseUpHook(TMouseButton b, TShiftState, int x, int y) override { Log(b ? "rup" : "up", x, y); }
    void MouseLeaveHook() override { Log("leave"); }
    void MouseEnterHook() override { Log("enter"); }
    void ClickHook() override { Log("click"); }
    void Paint(TBitmap* target, const TRect&) override
    {
        RECT all{-500, -500, 500, 500};
        FillRect(target->Canvas()->Handle(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }

private:
    void Log(const char* what, int x = -1, int y = -1)
    {
        g_log += (g_log.empty() ? "" : ",") + m_name + "." + what;
        if (x >= 0)
            g_log += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    }
    std::string m_name;
};

// Root 100 x 100; A (10,10)-(50,50); B above it (30,30)-(70,70); C disabled and D
// invisible over A's corner.
struct Tree {
    Probe root{"R", 0, 0, 100, 100};
    Probe* a = new Probe("A", 10, 10, 40, 40, &root);
    Probe* c = new Probe("C", 10, 10, 10, 10, &root);
    Probe* d = new Probe("D", 10, 10, 10, 10, &root);
    Probe* b = new Probe("B", 30, 30, 40, 40, &root);
    Tree()
    {
        c->SetEnabled(false);
        d->SetVisible(false);
        g_log.clear();
    }
    // "m" move, "M" move with the left button held, "d"/"u" left down/up, "U" right up.
    void Feed(const char* inputs)
    {
        for (const char* p = inputs; *p; p += 3) {
            int x = (p[1] - '0') * 10 + 5, y = (p[2] - '0') * 10 + 5;
            switch (*p) {
            case 'm':
                root.MouseMove({}, x, y);
                break;
            case 'M':
                root.MouseMove({ssLeft}, x, y);
                break;
            case 'd':
                root.MouseDown(mbLeft, {ssLeft}, x, y);
                break;
            case 'u':
                root.MouseUp(mbLeft, {}, x, y);
                break;
            case 'U':
                root.MouseUp(mbRight, {ssLeft}, x, y);
                break;
            }
        }
    }
};

TEST(WidgetTree, RoutesInputToTheTopmostTargetAndKeepsTheCapture)
{
    struct {
        const char* inputs;
        const char* expected;
    } cases[] = {
        {"m33", "R.enter,B.enter,B.move(5,5)"}, // overlap: the child added last
        {"m11m66", "R.enter,A.enter,A.move(5,5),A.leave,B.enter,B.move(35,35)"},
        {"d11u11", "A.down(5,5),A.click,A.up(5,5)"}, // C and D lie over A but are skipped
        {"d11M99u99", "A.down(5,5),R.enter,A.enter,A.move(85,85),A.click,A.up(85,85)"},
        {"d11m66u66", "A.down(5,5),R.enter,B.enter,B.move(35,35),B.up(35,35)"}, // capture dropped
        {"d11U11u66", "A.down(5,5),A.rup(5,5),A.click,A.up(55,55)"},            // right up: no click
        {"d90u90", "R.down(95,5),R.click,R.up(95,5)"},
    };
    for (auto& c : cases) {
        Tree t;
        t.Feed(c.inputs);
        EXPECT_EQ(c.expected, g_log) << c.inputs;
        EXPECT_FALSE(t.root.HasCapture()) << c.inputs;
    }
}

TEST(WidgetTree, ARemovedOrFreedCaptureIsNoLongerReached)
{
    Tree t;
    t.Feed("d33M33");
    t.root.MouseLeave();
    EXPECT_EQ("B.down(5,5),R.enter,B.enter,B.move(5,5),B.leave,R.leave", g_log);
    EXPECT_FALSE(t.b->HasCapture());
    t.Feed("d33");
    delete t.b; // freed on its own: it leaves the list and the capture
    EXPECT_EQ(3, t.root.ChildCount());
    g_log.clear();
    t.Feed("M33u33");
    EXPECT_EQ("R.enter,A.enter,A.move(25,25),A.up(25,25)", g_log);
    t.Feed("d11");
    t.a->SetParent(nullptr);
    EXPECT_EQ(nullptr, t.root.GetCaptureChild());
    delete t.a;
}

TEST(WidgetTree, DrawingStaysInsideTheElementAndRestoresTheCanvas)
{
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(100, 100);
    HDC dc = target.Canvas()->Handle();
    RECT all{0, 0, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetViewportOrgEx(dc, 5, 5, nullptr);
    HRGN clip = CreateRectRgn(0, 0, 40, 100); // a clip already there cuts the element too
    SelectClipRgn(dc, clip);
    Probe p("P", 10, 20, 30, 40);
    Probe hidden("H", 0, 0, 100, 100);
    hidden.SetVisible(false);
    p.Draw(&target);
    hidden.Draw(&target);
    GdiFlush();
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            bool white = (static_cast<uint32_t*>(target.ScanLine(y))[x] & 0xFFFFFF) == 0xFFFFFF;
            wrong += white != (x >= 15 && x < 40 && y >= 25 && y < 65);
        }
    EXPECT_EQ(0, wrong);
    POINT o;
    GetViewportOrgEx(dc, &o);
    EXPECT_EQ(5, o.x);
    HRGN now = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(1, GetClipRgn(dc, now));
    EXPECT_TRUE(EqualRgn(now, clip));
    DeleteObject(now);
    DeleteObject(clip);
}

TEST(WidgetTree, AnOriginOnlyClipGuardKeepsTheClipAndPutsTheOriginBack)
{
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(100, 100);
    HDC dc = target.Canvas()->Handle();
    SetViewportOrgEx(dc, 5, 5, nullptr);
    gs::ClipGuard outer(&target, TPoint(10, 20), TRect(10, 20, 40, 60));
    {
        gs::ClipGuard moved(&target, TPoint(-5, 30));
        EXPECT_EQ(TPoint(10, 55), moved.Origin());
        RECT box{}, want{15, 25, 45, 65};
        GetRgnBox(moved.Clip(), &box);
        EXPECT_TRUE(EqualRect(&box, &want)) << "the outer clip, not narrowed";
    }
    POINT o;
    GetViewportOrgEx(dc, &o);
    EXPECT_EQ(TPoint(15, 25), TPoint(o));
}

} // namespace
