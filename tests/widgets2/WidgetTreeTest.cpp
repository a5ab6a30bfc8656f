#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/Controls.h"
#include "src/gui/widget/GsWidget.h"

using gs::GsWidget;

namespace {

std::vector<std::string> g_log;

std::string Joined()
{
    std::string s;
    for (auto& e : g_log) s += (s.empty() ? "" : ",") + e;
    return s;
}

// Logs every hook it gets as "<name>.<hook>".
class Probe : public GsWidget {
public:
    Probe(const char* name, int x, int y, int w, int h) : m_name(name) { SetBounds(x, y, w, h); }
    ~Probe() override { g_log.push_back(m_name + ".gone"); }
    void MouseMoveHook(TShiftState, int x, int y) override { Log("move", x, y); }
    void MouseDownHook(TMouseButton b, TShiftState, int x, int y) override { Log(b == mbLeft ? "down" : "rdown", x, y); }
    void MouseUpHook(TMouseButton b, TShiftState, int x, int y) override { Log(b == mbLeft ? "up" : "rup", x, y); }
    void MouseLeaveHook() override { g_log.push_back(m_name + ".leave"); }
    void MouseEnterHook() override { g_log.push_back(m_name + ".enter"); }
    void ClickHook() override { g_log.push_back(m_name + ".click"); }
    void Paint(TBitmap* target, const TRect&) override
    {
        // Far larger than the element: only the clip keeps it inside.
        RECT all{-500, -500, 500, 500};
        FillRect(target->Canvas()->Handle(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }

private:
    void Log(const char* what, int x, int y)
    {
        g_log.push_back(m_name + "." + what + "(" + std::to_string(x) + "," + std::to_string(y) + ")");
    }
    std::string m_name;
};

// Root 100 x 100; A (10,10)-(50,50); B over it (30,30)-(70,70); C disabled and D invisible
// both lying over A's top-left corner.
struct Tree {
    Probe* root = new Probe("R", 0, 0, 100, 100);
    Probe* a = new Probe("A", 10, 10, 40, 40);
    Probe* c = new Probe("C", 10, 10, 10, 10);
    Probe* d = new Probe("D", 10, 10, 10, 10);
    Probe* b = new Probe("B", 30, 30, 40, 40);
    Tree()
    {
        for (Probe* p : {a, c, d, b}) p->SetParent(root);
        c->SetEnabled(false);
        d->SetVisible(false);
    }
    ~Tree() { delete root; }
};

const TShiftState kHeld{ssLeft};
const TShiftState kFree{};

enum Kind { Move, Down, Up, RDown, RUp };
struct Input {
    Kind kind;
    TShiftState shift;
    int x, y;
};

void Feed(GsWidget* root, const std::vector<Input>& inputs)
{
    for (const Input& in : inputs) {
        switch (in.kind) {
        case Move: root->MouseMove(in.shift, in.x, in.y); break;
        case Down: root->MouseDown(mbLeft, in.shift, in.x, in.y); break;
        case Up: root->MouseUp(mbLeft, in.shift, in.x, in.y); break;
        case RDown: root->MouseDown(mbRight, in.shift, in.x, in.y); break;
        case RUp: root->MouseUp(mbRight, in.shift, in.x, in.y); break;
        }
    }
}

struct RoutingCase {
    const char* what;
    std::vector<Input> inputs;
    const char* expected;
};

TEST(WidgetTree, RoutesInputToTheTopmostTargetAndKeepsTheCapture)
{
    const RoutingCase cases[] = {
        {"overlap goes to the child added last", {{Move, kFree, 35, 35}}, "R.enter,B.enter,B.move(5,5)"},
        {"moving from A to B leaves A",
         {{Move, kFree, 15, 15}, {Move, kFree, 65, 65}},
         "R.enter,A.enter,A.move(5,5),A.leave,B.enter,B.move(35,35)"},
        {"disabled and invisible children are never targets",
         {{Move, kFree, 12, 12}, {Down, kHeld, 12, 12}, {Up, kFree, 12, 12}},
         "R.enter,A.enter,A.move(2,2),A.down(2,2),A.click,A.up(2,2)"},
        {"held moves keep going to the captured child",
         {{Down, kHeld, 15, 15}, {Move, kHeld, 90, 95}, {Up, kFree, 90, 95}},
         "A.down(5,5),R.enter,A.enter,A.move(80,85),A.click,A.up(80,85)"},
        {"a move without the button drops the capture",
         {{Down, kHeld, 15, 15}, {Move, kFree, 65, 65}, {Up, kFree, 65, 65}},
         "A.down(5,5),R.enter,B.enter,B.move(35,35),B.up(35,35)"},
        {"left down, right up: no click, capture kept; the later left up clicks",
         {{Down, kHeld, 15, 15}, {RUp, kHeld, 15, 15}, {Up, kFree, 65, 65}},
         "A.down(5,5),A.rup(5,5),A.click,A.up(55,55)"},
        {"a press on the root itself clicks the root",
         {{Down, kHeld, 90, 5}, {Up, kFree, 90, 5}},
         "R.down(90,5),R.click,R.up(90,5)"},
    };
    for (const RoutingCase& c : cases) {
        g_log.clear();
        {
            Tree t;
            Feed(t.root, c.inputs);
            EXPECT_EQ(c.expected, Joined()) << c.what;
            EXPECT_FALSE(t.root->HasCapture() && c.inputs.back().kind == Up) << c.what;
        }
    }
}

TEST(WidgetTree, LeavingClearsTheCaptureChainAndOnlyInsideElementsLeave)
{
    g_log.clear();
    Tree t;
    t.root->MouseLeave(); // never entered: nothing, not even for the children
    EXPECT_EQ("", Joined());
    Feed(t.root, {{Down, kHeld, 35, 35}, {Move, kHeld, 35, 35}});
    EXPECT_TRUE(t.b->HasCapture());
    g_log.clear();
    t.root->MouseLeave();
    EXPECT_EQ("B.leave,R.leave", Joined());
    EXPECT_FALSE(t.root->HasCapture());
    EXPECT_FALSE(t.b->HasCapture());
}

TEST(WidgetTree, AChildRemovedOrFreedWhileCapturedIsNoLongerReached)
{
    g_log.clear();
    Tree t;
    Feed(t.root, {{Down, kHeld, 35, 35}});
    ASSERT_EQ(t.b, t.root->GetCaptureChild());
    delete t.b; // on its own: it leaves the root's list and the capture
    EXPECT_EQ(3, t.root->ChildCount());
    EXPECT_EQ(nullptr, t.root->GetCaptureChild());
    g_log.clear();
    Feed(t.root, {{Move, kHeld, 35, 35}, {Up, kFree, 35, 35}});
    EXPECT_EQ("R.enter,A.enter,A.move(25,25),A.up(25,25)", Joined());

    Feed(t.root, {{Down, kHeld, 15, 15}});
    ASSERT_EQ(t.a, t.root->GetCaptureChild());
    t.a->SetParent(nullptr);
    EXPECT_EQ(nullptr, t.root->GetCaptureChild());
    EXPECT_EQ(2, t.root->ChildCount());
    delete t.a;
}

class CountingControl : public TControl {
public:
    CountingControl() : TControl(nullptr) {}
    void Invalidate() override { ++invalidations; }
    int invalidations = 0;
};

class ResizeLog : public TObject {
public:
    void Resized(GsWidget*) { ++count; }
    int count = 0;
};

TEST(WidgetTree, RepaintRequestsAndResizeCallbacks)
{
    CountingControl control;
    GsWidget root;
    auto* child = new GsWidget;
    child->SetParent(&root);
    child->SetText(L"x");        // no control yet: nothing happens
    root.SetOwningControl(&control);
    struct Step {
        const char* what;
        void (*act)(GsWidget*);
        int repaints;
    } steps[] = {
        {"same text", [](GsWidget* w) { w->SetText(L"x"); }, 0},
        {"new text", [](GsWidget* w) { w->SetText(L"y"); }, 1},
        {"same enabled", [](GsWidget* w) { w->SetEnabled(true); }, 0},
        {"disabled", [](GsWidget* w) { w->SetEnabled(false); }, 1},
        {"same visible", [](GsWidget* w) { w->SetVisible(true); }, 0},
        {"hidden", [](GsWidget* w) { w->SetVisible(false); }, 1},
        {"same opacity still repaints", [](GsWidget* w) { w->SetOpacity(255); }, 1},
    };
    for (auto& s : steps) {
        control.invalidations = 0;
        s.act(child);
        EXPECT_EQ(s.repaints, control.invalidations) << s.what;
    }

    control.invalidations = 0;
    ResizeLog log;
    child->OnResize = MakeEvent(&log, &ResizeLog::Resized);
    child->SetBounds(0, 0, 20, 20);
    EXPECT_EQ(1, log.count);
    child->SetBounds(5, 6, 20, 20); // moved only
    EXPECT_EQ(1, log.count);
    EXPECT_EQ(5, child->X());
    child->SetWidth(30);
    EXPECT_EQ(2, log.count);
    EXPECT_EQ(0, control.invalidations) << "resizing asks for no repaint";
}

// Refuses widths above 50; with AutoSize it proposes 40 x 10 instead.
class Negotiator : public GsWidget {
public:
    bool CanResize(int& w, int&) override { return w <= 50; }
    bool CanAutoSize(int& w, int& h) override
    {
        w = 40;
        h = 10;
        return true;
    }
};

TEST(WidgetTree, SizeNegotiation)
{
    Negotiator n;
    n.SetBounds(1, 2, 30, 30);
    EXPECT_EQ(TRect(1, 2, 41, 12), Bounds(n.X(), n.Y(), n.Width(), n.Height()));
    n.SetBounds(7, 7, 60, 10); // refused: even the position stays
    EXPECT_EQ(1, n.X());
    n.SetAutoSize(false);
    n.SetBounds(0, 0, 25, 5);
    EXPECT_EQ(TRect(0, 0, 25, 5), Bounds(n.X(), n.Y(), n.Width(), n.Height()));
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
    HRGN clip = CreateRectRgn(0, 0, 40, 100); // an existing clip cuts the element too
    SelectClipRgn(dc, clip);

    g_log.clear();
    Probe p("P", 10, 20, 30, 40);
    p.Draw(&target);
    GdiFlush();
    int outside = 0, inside = 0;
    for (int y = 0; y < 100; ++y) {
        auto* row = static_cast<uint32_t*>(target.ScanLine(y));
        for (int x = 0; x < 100; ++x) {
            bool white = (row[x] & 0xFFFFFF) == 0xFFFFFF;
            bool expected = x >= 15 && x < 40 && y >= 25 && y < 65;
            (white == expected ? inside : outside) += 1;
        }
    }
    EXPECT_EQ(0, outside);
    POINT o;
    GetViewportOrgEx(dc, &o);
    EXPECT_EQ(5, o.x);
    HRGN now = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(1, GetClipRgn(dc, now));
    EXPECT_TRUE(EqualRgn(now, clip));
    DeleteObject(now);
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);

    p.SetVisible(false);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    p.Draw(&target);
    GdiFlush();
    EXPECT_EQ(0u, *static_cast<uint32_t*>(target.ScanLine(30)) & 0xFFFFFF);
}

} // namespace
